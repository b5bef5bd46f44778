// Guards the application events the main window takes: the hint about to
// show (disabled buttons, spoken hints by Tag or hint text) and the program
// minimised into the desktop's tray.
#include "start_fixture.h"

#include "dialogs/program_options.h"
#include "dialogs/tips_dialog.h"
#include "platform/os/sound.h"
#include "platform/ui/menus.h"
#include "platform/ui/prompt_script.h"
#include "shared/qk_app.h"
#include "shared/qk_auto_button.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTest>

namespace {

// A WAVE file of two samples.
std::string KleineWelle()
{
    auto le = [](uint32_t v, int n) {
        std::string s;
        for (int i = 0; i < n; ++i)
            s += char((v >> (8 * i)) & 0xFF);
        return s;
    };
    const std::string fmt = le(1, 2) + le(1, 2) + le(8000, 4) + le(8000, 4) + le(1, 2) + le(8, 2);
    const std::string body = "WAVE" + std::string("fmt ") + le(16, 4) + fmt + "data" + le(2, 4) + "ab";
    return "RIFF" + le(uint32_t(body.size()), 4) + body;
}

// Its own suite: these tests never end the program, so the application is
// not left terminated for the suites that follow.
class AppEventsTest : public StartTest {};

}  // namespace

TEST_F(AppEventsTest, HintEventSaysDisabledButtonsAndSpeaksByTagOrHintText)
{
    StartenUndZeigen();
    TQKAutoButton* ende = form->ToolbarButton("QKAutoButtonBilderEnde");
    ASSERT_NE(ende, nullptr);
    THintInfo info;
    ende->SetEnabled(false);
    ASSERT_TRUE(Application->ShowHintFor(ende, Point(2, 2), info));
    EXPECT_EQ(info.HintStr, "Schalter deaktiviert");
    ende->SetEnabled(true);
    ASSERT_TRUE(Application->ShowHintFor(ende, Point(2, 2), info));
    EXPECT_EQ(info.HintStr, "Programm beenden.....");

    // Spoken hints through a player that notes each file.
    const auto ordner = dir.path() / "Hints";
    std::filesystem::create_directories(ordner);
    for (const char* n : {"103.WAV", "7.WAV"})
        lxtest::WriteFile(ordner / n, KleineWelle());
    const auto log = dir.path() / "player.log";
    const auto player = dir.path() / "player.sh";
    lxtest::WriteFile(player, "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + log.string() + "'\n");
    std::filesystem::permissions(player, std::filesystem::perms::owner_all);
    SetSoundPlayerCommand({QString::fromStdString(player.string())});
    auto gespielt = [&](qsizetype n) {
        QStringList zeilen;
        for (QDeadlineTimer frist(5000); !frist.hasExpired(); QCoreApplication::processEvents(QEventLoop::AllEvents, 10)) {
            QFile f(QString::fromStdString(log.string()));
            zeilen = f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts)
                                                 : QStringList();
            if (zeilen.size() >= n)
                break;
        }
        return zeilen;
    };
    form->Einstellungen().Setzen("HintWavePfad", Win(ordner));
    ende->SetHint("Zum nächsten Datensatz gehen");  // Tag 0: by the hint text
    form->Einstellungen().Setzen("HintWave", false);
    Application->ShowHintFor(ende, Point(2, 2), info);  // spoken hints off: nothing

    form->Einstellungen().Setzen("HintWave", true);
    Application->ShowHintFor(ende, Point(2, 2), info);
    QStringList zeilen = gespielt(1);
    ASSERT_EQ(zeilen.size(), 1);
    EXPECT_TRUE(zeilen[0].endsWith("103.WAV")) << zeilen[0].toStdString();
    ende->Tag = 7;  // a Tag speaks its own number
    Application->ShowHintFor(ende, Point(2, 2), info);
    zeilen = gespielt(2);
    ASSERT_EQ(zeilen.size(), 2);  // the call with spoken hints off played nothing
    EXPECT_TRUE(zeilen[1].endsWith("7.WAV")) << zeilen[1].toStdString();
    PlaySound(QString(), 0);
    SetSoundPlayerCommand({});
}

TEST_F(AppEventsTest, MinimisedProgramPutsItsIconInTheTray)
{
    StartenUndZeigen();
    form->Show();
    Application->MainForm = form.get();
    EXPECT_EQ(form->QKApp1->TaskBarPopupMenu(), form->PopupMenu("PopupMenuTaskBar"));
    EXPECT_FALSE(form->QKApp1->TaskBarIconShown());
    EXPECT_FALSE(form->QKApp1->TaskBarIconImage().isNull());
    Application->Minimize();
    EXPECT_TRUE(form->QKApp1->TaskBarIconShown());
    // Without a tray on this desktop the window is not hidden: there would
    // be no way back to it.
    if (!form->QKApp1->TrayIconVisible()) {
        EXPECT_TRUE(form->Visible());
    }
    // A left click on the icon takes it away and shows the program.
    form->QKApp1->TaskBarMouseUp(mbLeft);
    EXPECT_FALSE(form->QKApp1->TaskBarIconShown());
    EXPECT_TRUE(form->Handle()->isVisible());
    // The main form that goes ends the application: not this test's form.
    Application->MainForm = nullptr;
}

namespace {

int Anzahl(const QStringList& texte, const QString& teil)
{
    int n = 0;
    for (const QString& t : texte)
        n += t.contains(teil);
    return n;
}

}  // namespace

// The Windows help file has no viewer here: every way to ask for help (the
// help menu, the tray menu, a dialog's help button, F1 in a dialog) says
// so once and tells how to find help in the program instead.
TEST_F(AppEventsTest, EveryHelpRequestSaysHowToFindHelpInstead)
{
    StartenUndZeigen();
    const QString hilfe = "Windows-Hilfedatei (\"Lumadex.hlp\")";
    prompts.Texte.clear();
    form->MenuItem("OnlinehilfeBilder")->Click();
    ASSERT_EQ(Anzahl(prompts.Texte, hilfe), 1);
    EXPECT_TRUE(prompts.Texte[0].contains("\"Hilfe - Tips\" zeigt Tipps zum Programm."));
    form->PopupMenu("PopupMenuTaskBar")->Items()->Find("Onlinehilfe")->Click();
    EXPECT_EQ(Anzahl(prompts.Texte, hilfe), 2);

    TPromptScript script;
    script
        .Modal<TTipsDialog>([](TTipsDialog& d) {
            QTest::mouseClick(d.HelpBtn->Handle(), Qt::LeftButton);
            d.ModalResult = mrOk;
        })
        .Answer(TPromptKind::Dialog, mrOk, hilfe)
        .Modal<TProgrammOptionen>([](TProgrammOptionen& d) {
            QTest::mouseClick(d.BitBtn2->Handle(), Qt::LeftButton);
            QTest::keyClick(d.BitBtn2->Handle(), Qt::Key_F1);  // the dialog's help topic
            d.ModalResult = mrCancel;
        })
        .Answer(TPromptKind::Dialog, mrOk, hilfe)
        .Answer(TPromptKind::Dialog, mrOk, hilfe);
    form->MenuItem("Tips1")->Click();
    form->MenuItem("OptionenBilder")->Click();
    EXPECT_EQ(script.Pending(), 0u);
}
