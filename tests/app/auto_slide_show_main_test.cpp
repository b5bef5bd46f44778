// The automatic slide show on the program's main window, bound as the main
// block binds it: the floating thumbnail (a modeless window of the program)
// being active keeps it from starting, and so does a maintenance command
// that runs, until it has ended. A fake idle clock stands in for the
// desktop's; the commands run from their menu items.
#include "start_fixture.h"

#include "app/auto_slide_show.h"
#include "mainwindow/main_options.h"

#include <QApplication>
#include <QTest>

namespace {

// Runs `Waehrend` whenever the running command shows a message.
class TWaehrendBefehl : public TPromptRecorder {
public:
    std::function<void()> Waehrend;
    int Show(const TPrompt& prompt, QString* value) override
    {
        if (Waehrend)
            Waehrend();
        return TPromptRecorder::Show(prompt, value);
    }
    TModalResult ShowModal(TCustomForm& form) override
    {
        if (Waehrend)
            Waehrend();
        return TPromptRecorder::ShowModal(form);
    }
};

class TFalscheUhr : public TIdleClock {
public:
    explicit TFalscheUhr(int64_t& ms) : ms_(ms) {}
    int64_t IdleMs() override { return ms_; }

private:
    int64_t& ms_;
};

class TKeineSperre : public TScreenSaverInhibitor {
public:
    bool Inhibit(const QString&) override { return held_ = true; }
    void UnInhibit() override { held_ = false; }
    bool Inhibited() const override { return held_; }

private:
    bool held_ = false;
};

class AutoSlideShowMainTest : public StartTest {
protected:
    void Aktivieren(QWidget* w)
    {
        w->show();
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([w] { return QApplication::activeWindow() == w; }));
    }
    std::unique_ptr<TAutoSlideShow> AutoSlideShow()
    {
        TAutoSlideShowAnbindung a = HauptfensterAnbindung(form.get());
        a.Starten = [this] { ++gestartet; };
        TDesktopScreenSaver schoner;
        schoner.Inhibitor = std::make_unique<TKeineSperre>();
        schoner.Clock = std::make_unique<TFalscheUhr>(ruhe);
        return std::make_unique<TAutoSlideShow>(a, std::move(schoner));
    }
    int gestartet = 0;
    int64_t ruhe = 0;
};

TEST_F(AutoSlideShowMainTest, AnActiveFloatingThumbnailOrARunningCommandKeepsTheSlideShowFromStarting)
{
    StartenUndZeigen();
    form->Einstellungen().Setzen("AutoSlideShowAktiv", true);
    form->Einstellungen().Setzen("AutoSlideShowTime", 1);
    Aktivieren(form->Handle());
    auto a = AutoSlideShow();
    ruhe = 2 * 60000;

    // The floating thumbnail, opened from the menu, is the active window.
    form->MenuItem("SchwebendesVorschaubild2")->Click();
    QWidget* schwebend = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w != form->Handle())
            schwebend = w;
    ASSERT_NE(schwebend, nullptr);
    Aktivieren(schwebend);
    a->Pruefen();
    EXPECT_EQ(gestartet, 0);
    Bildschirmfoto(*form, "auto_slide_show_floating_thumbnail_active_main");
    schwebend->hide();
    Aktivieren(form->Handle());
    a->Pruefen();
    EXPECT_EQ(gestartet, 1);

    // The user comes back, then is away again while a maintenance command
    // runs: the checks while it runs (here: while it shows its closing
    // message) start nothing; the first check after it does.
    ruhe = 0;
    a->Pruefen();
    ruhe = 2 * 60000;
    form->ProgrammOptionen()->CheckBoxAlleMeldungen = true;
    form->ProgrammOptionen()->CheckBoxBearbeitungszeitAnzeigen = false;
    int laufend = -1, waehrend = -1;
    {
        TWaehrendBefehl befehl;
        befehl.Waehrend = [&] {
            laufend = form->Dienste().Lauf().LaufendeBefehle();
            a->Pruefen();
            waehrend = gestartet;
        };
        form->MenuItem("AlleAngezeigtenCDRMarkierungenSetzen")->Click();
        EXPECT_TRUE(befehl.Gezeigt("Fertig !"));
    }
    EXPECT_EQ(laufend, 1);
    EXPECT_EQ(waehrend, 1);
    EXPECT_EQ(form->Dienste().Lauf().LaufendeBefehle(), 0);
    a->Pruefen();
    EXPECT_EQ(gestartet, 2);
}

}  // namespace
