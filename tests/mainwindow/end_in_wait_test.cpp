// The end of the program asked for (as SIGTERM asks for it) while a handler
// waits in a loop of its own that lets events through: the start sound
// played to its end, a program run and waited for (both ways), the report's
// progress message, a scan. The end does not run inside the wait: the
// handler below finishes on the open album, and the end follows once
// control is back in the main loop, with the settings written.

#include "pictures_fixture.h"

#include "imaging/image_window.h"
#include "imaging/twain_settings.h"
#include "platform/os/sound.h"
#include "report/output/rg_file_devices.h"
#include "sane_test_backend.h"
#include "shared/general_system.h"
#include "shared/utility_shell.h"

#include <QThread>
#include <QTimer>

#include <functional>

namespace {

// The progress message of a report job, as its cancel dialog shows it.
class TMeldungsAnzeige : public TrgProgressView {
public:
    QString Message() const override { return text_; }
    void SetMessage(const QString& Message) override { text_ = Message; }

private:
    QString text_;
};

struct TWarteFall {
    const char* Name;
    // The end is asked for once this holds (the wait has begun).
    std::function<bool()> Wartet;
    // The handler that waits; checks its own result.
    std::function<void()> Handler;
};

class EndInWaitTest : public PicturesTest {};

TEST_F(EndInWaitTest, AnEndAskedForInsideAWaitRunsOnlyOnceTheWaitIsBackInTheMainLoop)
{
    AlbumMit({{"eins.jpg", "JPEG"}, {"zwei.png", "PNG"}});
    Beenden();
    form.reset();
    Application->ClearTerminated();

    // A player and a program that take a moment.
    const auto langsam = dir.path() / "langsam.sh";
    lxtest::WriteFile(langsam, "#!/bin/sh\nsleep 0.3\nexit 0\n");
    std::filesystem::permissions(langsam, std::filesystem::perms::owner_all);
    SetSoundPlayerCommand({QString::fromStdString(langsam.string())});
    const auto toene = dir.path() / "Toene";
    std::filesystem::create_directories(toene);
    lxtest::WriteFile(toene / "SCHOEN.WAV", "RIFF");  // the player above does not read it

    scantest::UseSaneTestBackend();
    TPicError scanFehler;

    const std::vector<TWarteFall> faelle = {
        {"Startton", [] { return SoundPlaying(); },
         [&] {
             form->Einstellungen().Setzen("PRGWave", true);
             form->Einstellungen().Setzen("PRGWavePfad", Win(toene));
             form->FormShow(form.get());
         }},
        {"Programm gewartet", [] { return true; },
         [&] { EXPECT_EQ(qktRunAndWait("\"" + Win(langsam) + "\"", SW_SHOWNORMAL, true), 0); }},
        {"Programm gestartet und gewartet", [] { return true; },
         [&] { EXPECT_TRUE(ProgrammStartenUndWarten(Win(langsam), "", "", 0)); }},
        {"Berichtmeldung", [] { return true; },
         [&] {
             TMeldungsAnzeige anzeige;
             TrgTextFileDevice geraet(nullptr);
             geraet.SetCancelDialog(&anzeige);
             geraet.SetFileName(QString::fromStdString((dir.path() / "bericht.txt").string()));
             geraet.StartJob();
             geraet.EndJob();
             EXPECT_FALSE(anzeige.Message().isEmpty());
         }},
        {"Scan", [] { return true; },
         [&] {
             TImageWindow fenster(nullptr);
             // Small pieces: the scan lets events through between them.
             ASSERT_TRUE(fenster.GetTwain()->SetDeviceOption("read-limit", "yes", scanFehler));
             ASSERT_TRUE(fenster.GetTwain()->SetDeviceOption("read-limit-size", "64", scanFehler));
             EXPECT_TRUE(fenster.AcquireNextFromFeeder());
             EXPECT_TRUE(fenster.GetTwain()->SetDeviceOption("read-limit", "no", scanFehler));
         }},
    };

    int lauf = 2;  // the starts so far
    for (const TWarteFall& fall : faelle) {
        SCOPED_TRACE(fall.Name);
        prompts.Texte.clear();
        Starten();
        ASSERT_TRUE(form->TableBilder->Active());

        // Asked for the way the signal asks, once the handler waits.
        bool angefordert = false;
        QTimer anfordern;
        anfordern.setInterval(0);
        QObject::connect(&anfordern, &QTimer::timeout, [&] {
            if (angefordert || !fall.Wartet())
                return;
            angefordert = true;
            Application->Guarded(form.get(), [this] { form->BeendenAnfordern(); });
        });
        anfordern.start();
        fall.Handler();
        anfordern.stop();

        ASSERT_TRUE(angefordert) << "the handler let no events through";
        EXPECT_FALSE(form->Dienste().Lauf().ProgrammEndet()) << "the end ran inside the wait";
        EXPECT_TRUE(form->TableBilder->Active());
        EXPECT_FALSE(prompts.Gezeigt("Es ist kein Fotoalbum geöffnet !"));
        EXPECT_FALSE(Application->Terminated());

        // Back in the main loop: the end follows.
        for (int i = 0; i < 400 && !Application->Terminated(); ++i) {
            Application->ProcessMessages();
            QThread::msleep(5);
        }
        EXPECT_TRUE(Application->Terminated());
        EXPECT_TRUE(form->Dienste().Lauf().ProgrammEndet());
        EXPECT_FALSE(form->TableBilder->Active());
        EXPECT_EQ(IniLesen("Einstellungen Hauptprogramm", "ProgAufrufe"), QString::number(lauf + 1));
        form.reset();
        Application->ClearTerminated();
        ++lauf;
    }
    SetSoundPlayerCommand({});
}

}  // namespace
