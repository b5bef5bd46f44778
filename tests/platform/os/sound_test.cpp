// Sound layer: the player process with the system's sound flags, driven by
// a fake player script that logs what it was asked to play.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>

#include <filesystem>
#include <functional>

#include "platform/core/win_path.h"
#include "platform/os/sound.h"
#include "core_app.h"
#include "test_environment.h"

namespace {

// Lets events run until the condition holds or five seconds pass.
bool WaitFor(const std::function<bool()>& condition)
{
    QDeadlineTimer deadline(5000);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

struct SoundFixture : ::testing::Test {
    SoundFixture()
    {
        lxtest::EnsureCoreApplication();
        log = QString::fromStdString((dir / "player.log").string());
        wav = QString::fromStdString((dir / "Klang.wav").string());
        lxtest::WriteFile(dir / "Klang.wav", "RIFF");
    }
    ~SoundFixture() override
    {
        PlaySound(QString(), 0);
        SetSoundPlayerCommand({});
    }
    // A player that logs its argument, waits the seconds given and ends
    // with the exit code given.
    void UsePlayer(const char* seconds, int exitCode = 0)
    {
        auto script = dir / "player.sh";
        lxtest::WriteFile(script, "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + log.toStdString() +
                                      "'\nsleep " + seconds + "\nexit " + std::to_string(exitCode) + "\n");
        std::filesystem::permissions(script, std::filesystem::perms::owner_all);
        SetSoundPlayerCommand({QString::fromStdString(script.string())});
    }
    QStringList Played() const
    {
        QFile f(log);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }
    lxtest::TempDir dir;
    QString log, wav;
};

TEST_F(SoundFixture, WithoutDeviceEveryPlayAnswersFalseAndNothingPlays)
{
    // An empty search path hides whatever player and device this machine has.
    struct EmptyPath {
        QByteArray saved = qgetenv("PATH");
        EmptyPath(const std::string& empty) { qputenv("PATH", QByteArray::fromStdString(empty)); }
        ~EmptyPath() { qputenv("PATH", saved); }
    } emptyPath((dir / "leer").string());
    qunsetenv("PULSE_SERVER");
    ASSERT_TRUE(SoundPlayerCommand().isEmpty());
    for (unsigned flags : {SND_SYNC, SND_ASYNC, SND_ASYNC | SND_LOOP, SND_ASYNC | SND_NODEFAULT}) {
        EXPECT_FALSE(PlaySound(wav, flags)) << flags;
        EXPECT_FALSE(SoundPlaying());
    }
    EXPECT_TRUE(PlaySound(QString(), 0));  // stopping is always possible
}

TEST_F(SoundFixture, AsynchronousPlayGetsTheLinuxPathOfAWindowsName)
{
    UsePlayer("0");
    QString winName = LinuxToWin(wav).value();
    ASSERT_TRUE(winName.startsWith("C:\\"));
    EXPECT_TRUE(PlaySound(winName, SND_ASYNC | SND_NODEFAULT));
    ASSERT_TRUE(WaitFor([&] { return !Played().isEmpty(); }));
    EXPECT_EQ(Played(), QStringList{wav});
}

TEST_F(SoundFixture, SynchronousPlayReturnsWhenTheSoundHasEnded)
{
    UsePlayer("0.2");
    EXPECT_TRUE(PlaySound(wav, SND_SYNC));
    EXPECT_FALSE(SoundPlaying());
    EXPECT_EQ(Played(), QStringList{wav});

    UsePlayer("0", 1);  // the player failed: no success reported
    EXPECT_FALSE(PlaySound(wav, SND_SYNC));
}

TEST_F(SoundFixture, MissingFilePlaysTheDefaultSoundUnlessNoDefault)
{
    UsePlayer("0");
    QString missing = wav + ".fehlt";
    EXPECT_FALSE(PlaySound(missing, SND_ASYNC | SND_NODEFAULT));
    EXPECT_FALSE(SoundPlaying());

    QString fallback = DefaultSoundFile();
    EXPECT_EQ(PlaySound(missing, SND_SYNC), !fallback.isEmpty());
    EXPECT_EQ(Played(), fallback.isEmpty() ? QStringList{} : QStringList{fallback});
}

TEST_F(SoundFixture, LoopRepeatsUntilAnEmptyNameStopsIt)
{
    UsePlayer("0");
    EXPECT_TRUE(PlaySound(wav, SND_ASYNC | SND_NODEFAULT | SND_LOOP));
    ASSERT_TRUE(WaitFor([&] { return Played().size() >= 3; }));
    EXPECT_TRUE(PlaySound(QString(), 0));
    EXPECT_FALSE(SoundPlaying());
    qsizetype count = Played().size();
    QCoreApplication::processEvents();
    EXPECT_EQ(Played().size(), count);
}

TEST_F(SoundFixture, NoStopRefusesWhileASoundPlaysAndANewSoundReplacesTheOld)
{
    UsePlayer("30");
    EXPECT_TRUE(PlaySound(wav, SND_ASYNC));
    ASSERT_TRUE(WaitFor([&] { return Played().size() == 1; }));
    ASSERT_TRUE(SoundPlaying());
    EXPECT_FALSE(PlaySound(wav, SND_ASYNC | SND_NOSTOP));
    EXPECT_TRUE(PlaySound(wav, SND_ASYNC));  // ends the first
    EXPECT_TRUE(SoundPlaying());
    ASSERT_TRUE(WaitFor([&] { return Played().size() == 2; }));
    EXPECT_TRUE(PlaySound(QString(), 0));
    EXPECT_FALSE(SoundPlaying());
    EXPECT_TRUE(PlaySound(wav, SND_ASYNC | SND_NOSTOP));  // nothing plays now
}

}  // namespace
