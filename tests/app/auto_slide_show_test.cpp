// The automatic slide show over plain windows, with a recording inhibitor
// and a fake idle clock in place of the desktop: the desktop's saver is held
// off exactly while the option is on; the set idle minutes start the slide
// show once per idle period, only while the main window itself is the
// active window and no command runs; the window does not minimise then.
#include "app/auto_slide_show.h"

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

namespace {

struct TStand {
    bool Aktiv = true;
    int Minuten = 2;
    int Gestartet = 0;
    bool Befehl = false;
    int64_t Ruhe = 0;
    bool Verweigern = false;  // the desktop refuses the hold
    bool Gehalten = false;
    QStringList Aufrufe;      // what the inhibitor was asked
};

class TAufzeichnendeSperre : public TScreenSaverInhibitor {
public:
    explicit TAufzeichnendeSperre(TStand& s) : s_(s) {}
    bool Inhibit(const QString& reason) override
    {
        s_.Aufrufe << QStringLiteral("Inhibit ") + reason;
        if (!s_.Verweigern)
            s_.Gehalten = true;
        return s_.Gehalten;
    }
    void UnInhibit() override
    {
        if (!s_.Gehalten)
            return;
        s_.Aufrufe << QStringLiteral("UnInhibit");
        s_.Gehalten = false;
    }
    bool Inhibited() const override { return s_.Gehalten; }

private:
    TStand& s_;
};

class TFalscheUhr : public TIdleClock {
public:
    explicit TFalscheUhr(TStand& s) : s_(s) {}
    int64_t IdleMs() override { return s_.Ruhe; }

private:
    TStand& s_;
};

TAutoSlideShowAnbindung Anbindung(QWidget& fenster, TStand& s)
{
    return {&fenster, [&s] { return s.Aktiv; }, [&s] { return s.Minuten; }, [&s] { ++s.Gestartet; },
            [&s] { return s.Befehl; }};
}

std::unique_ptr<TAutoSlideShow> AutoSlideShow(QWidget& fenster, TStand& s)
{
    TDesktopScreenSaver schoner;
    schoner.Inhibitor = std::make_unique<TAufzeichnendeSperre>(s);
    schoner.Clock = std::make_unique<TFalscheUhr>(s);
    return std::make_unique<TAutoSlideShow>(Anbindung(fenster, s), std::move(schoner));
}

void Aktivieren(QWidget& w)
{
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&w] { return QApplication::activeWindow() == &w; }));
}

TEST(AutoSlideShow, TheDesktopSaverIsHeldOffWhileTheOptionIsOnAndLetRunWhenItGoesOffOrTheProgramEnds)
{
    QWidget fenster;
    TStand s;
    auto a = AutoSlideShow(fenster, s);
    const QString halten = QStringLiteral("Inhibit Automatische Slideshow");
    EXPECT_EQ(s.Aufrufe, QStringList({halten}));
    a->Pruefen();  // still on: held once
    s.Aktiv = false;
    a->Pruefen();
    s.Aktiv = true;
    a->SchonerAbgleichen();
    EXPECT_EQ(s.Aufrufe, QStringList({halten, "UnInhibit", halten}));
    a.reset();  // the program ends
    EXPECT_EQ(s.Aufrufe, QStringList({halten, "UnInhibit", halten, "UnInhibit"}));

    // Off from the start: never held, nothing to let go.
    TStand aus;
    aus.Aktiv = false;
    AutoSlideShow(fenster, aus).reset();
    EXPECT_TRUE(aus.Aufrufe.isEmpty());

    // A desktop that refuses is not asked again every few seconds, only
    // when the option goes off and on again.
    TStand nein;
    nein.Verweigern = true;
    a = AutoSlideShow(fenster, nein);
    a->Pruefen();
    a->Pruefen();
    EXPECT_EQ(nein.Aufrufe, QStringList({halten}));
    nein.Aktiv = false;
    a->Pruefen();
    nein.Aktiv = true;
    a->Pruefen();
    EXPECT_EQ(nein.Aufrufe, QStringList({halten, halten}));
}

TEST(AutoSlideShow, IdleTimeOfTheSetMinutesStartsItOncePerIdlePeriod)
{
    QWidget fenster;
    Aktivieren(fenster);
    TStand s;
    auto a = AutoSlideShow(fenster, s);
    struct Fall {
        int Minuten;
        int64_t Ruhe;
        int Gestartet;  // after the check
    };
    // 2 minutes: 1:59 idle is not enough, 2:00 starts, still idle does not
    // start again, activity and 2:00 again start again; a minute setting
    // of 0 counts as 1, one of 90 as 60.
    for (const Fall& f : {Fall{2, 119000, 0}, Fall{2, 120000, 1}, Fall{2, 300000, 1}, Fall{2, 1000, 1},
                          Fall{2, 120000, 2}, Fall{0, 1000, 2}, Fall{0, 60000, 3}, Fall{90, 1000, 3},
                          Fall{90, 3599999, 3}, Fall{90, 3600000, 4}}) {
        s.Minuten = f.Minuten;
        s.Ruhe = f.Ruhe;
        a->Pruefen();
        EXPECT_EQ(s.Gestartet, f.Gestartet) << f.Minuten << " " << f.Ruhe;
    }
    // A clock that cannot tell starts nothing.
    s.Ruhe = -1;
    a->Pruefen();
    EXPECT_EQ(s.Gestartet, 4);
    // The option off: the idle time starts nothing.
    s.Aktiv = false;
    s.Ruhe = 1000;
    a->Pruefen();
    s.Ruhe = 3600000;
    a->Pruefen();
    EXPECT_EQ(s.Gestartet, 4);
}

TEST(AutoSlideShow, OnlyTheActiveMainWindowWithoutARunningCommandStartsIt)
{
    QWidget fenster;
    Aktivieren(fenster);
    TStand s;
    s.Ruhe = 10 * 60000;
    auto a = AutoSlideShow(fenster, s);

    // A modeless window of the program is active (the record view, the
    // floating thumbnail): no start, also not on the next checks.
    QWidget anderes;
    Aktivieren(anderes);
    a->Pruefen();
    a->Pruefen();
    EXPECT_EQ(s.Gestartet, 0);
    // A modal dialog over the main window.
    QDialog dialog(&fenster);
    QTimer::singleShot(0, &dialog, [&] {
        a->Pruefen();
        dialog.reject();
    });
    dialog.exec();
    EXPECT_EQ(s.Gestartet, 0);
    // A command of the main window runs (its busy window is not modal).
    Aktivieren(fenster);
    s.Befehl = true;
    a->Pruefen();
    EXPECT_EQ(s.Gestartet, 0);
    // The command ended and the user is still away: it starts now.
    s.Befehl = false;
    a->Pruefen();
    EXPECT_EQ(s.Gestartet, 1);
}

TEST(AutoSlideShow, TheWindowDoesNotMinimiseWhileTheOptionIsOn)
{
    QWidget fenster;
    fenster.show();
    TStand s;
    auto a = AutoSlideShow(fenster, s);
    fenster.setWindowState(Qt::WindowMinimized);
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_FALSE(fenster.windowState() & Qt::WindowMinimized);
    s.Aktiv = false;
    fenster.setWindowState(Qt::WindowMinimized);
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_TRUE(fenster.windowState() & Qt::WindowMinimized);
}

}  // namespace
