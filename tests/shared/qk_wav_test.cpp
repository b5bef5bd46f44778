// TQKWAV: the RIFF reader with its six failures, the play calls through the
// sound layer (a fake player logs what it is asked to play), Silence, and
// the wave form.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "platform/os/sound.h"
#include "platform/ui/forms.h"
#include "shared/qk_wav.h"
#include "test_environment.h"

namespace {

// Screenshots go beside the test program in the build folder.
QString BuildFile(const char* name)
{
    return QCoreApplication::applicationDirPath() + "/" + name;
}

std::string Le32(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
std::string Le16(uint16_t v) { return {char(v), char(v >> 8)}; }
// A chunk; the declared size defaults to the body's, odd bodies get their pad byte.
std::string Chunk(const std::string& id, const std::string& body, int64_t declared = -1)
{
    std::string c = id + Le32(uint32_t(declared < 0 ? body.size() : declared)) + body;
    if (body.size() % 2)
        c += '\0';
    return c;
}
std::string Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint32_t avg)
{
    return Chunk("fmt ", Le16(tag) + Le16(channels) + Le32(rate) + Le32(avg) + Le16(1) + Le16(8));
}
std::string Riff(const std::string& form, const std::string& content)
{
    return "RIFF" + Le32(uint32_t(4 + content.size())) + form + content;
}

struct WavFixture : ::testing::Test {
    QString Write(const std::string& bytes, const std::string& name = "t.wav")
    {
        lxtest::WriteFile(dir / name, bytes);
        return QString::fromStdString((dir / name).string());
    }
    lxtest::TempDir dir;
    TQKWAV wav{nullptr};
};

TEST_F(WavFixture, ReadsFormatAndPlayTime)
{
    // 22050 bytes a second and 44100 bytes of data: two seconds; a LIST
    // chunk of odd size with its pad byte lies between fmt and data.
    QString f = Write(Riff("WAVE", Fmt(1, 1, 22050, 22050) + Chunk("LIST", "abc") +
                                       Chunk("data", std::string(44100, '\x80'))));
    wav.SetFileName(f);
    EXPECT_EQ(wav.FormatTag(), 1);
    EXPECT_EQ(wav.Channels(), 1);
    EXPECT_EQ(wav.SamplesPerSec(), 22050);
    EXPECT_EQ(wav.DataSize(), 44100);
    EXPECT_FLOAT_EQ(wav.PlayTime(), 2.0f);

    // A name that does not exist clears the values without an error.
    EXPECT_NO_THROW(wav.SetFileName(f + "x"));
    EXPECT_EQ(wav.DataSize(), 0);
    EXPECT_EQ(wav.SamplesPerSec(), 0);
    EXPECT_EQ(wav.PlayTime(), 0.0f);
}

TEST_F(WavFixture, ZeroAverageRateLeavesPlayTimeZero)
{
    wav.SetFileName(Write(Riff("WAVE", Fmt(85, 2, 44100, 0) + Chunk("data", "xyzw"))));
    EXPECT_EQ(wav.FormatTag(), 85);
    EXPECT_EQ(wav.Channels(), 2);
    EXPECT_EQ(wav.DataSize(), 4);
    EXPECT_EQ(wav.PlayTime(), 0.0f);
}

TEST_F(WavFixture, ReadsAFileWrittenByPythonsWaveModule)
{
    auto out = dir / "py.wav";
    std::string cmd = "python3 -c \"import wave; w = wave.open('" + out.string() +
                      "', 'wb'); w.setnchannels(2); w.setsampwidth(2); w.setframerate(8000); "
                      "w.writeframes(bytes(64000)); w.close()\"";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    wav.SetFileName(QString::fromStdString(out.string()));
    EXPECT_EQ(wav.FormatTag(), 1);
    EXPECT_EQ(wav.Channels(), 2);
    EXPECT_EQ(wav.SamplesPerSec(), 8000);
    EXPECT_EQ(wav.DataSize(), 64000);
    EXPECT_FLOAT_EQ(wav.PlayTime(), 2.0f);  // 32000 bytes a second
}

struct BrokenCase {
    const char* what;
    std::string bytes;
    const char* error;
};

TEST_F(WavFixture, BrokenFilesRaiseTheLibraryTextsAndLeaveAllValuesZero)
{
    const std::string fmt = Fmt(1, 1, 11025, 11025);
    const std::string data = Chunk("data", "abcd");
    const BrokenCase cases[] = {
        {"too short for a RIFF header", "RIF", "This is not a WAVE file."},
        {"big-endian RIFX", "RIFX" + Le32(16) + "WAVE" + fmt, "This is not a WAVE file."},
        {"other form type", Riff("AVI ", fmt + data), "This is not a WAVE file."},
        {"text file", std::string("Hallo Welt, kein Klang hier."), "This is not a WAVE file."},
        {"no fmt chunk", Riff("WAVE", data), R"(WAVE file has no \"fmt\" chunk)"},
        {"fmt cut off by the file end", Riff("WAVE", "fmt " + Le32(16) + "\x01\x00\x01\x00"),
         "Failed to read format chunk."},
        {"fmt chunk too small for its fields", Riff("WAVE", Chunk("fmt ", "\x01\x00\x01\x00") + data),
         "Failed to read format chunk."},
        {"no data chunk", Riff("WAVE", fmt + Chunk("LIST", "info")), "WAVE file has no data chunk."},
        {"data only before fmt", Riff("WAVE", data + fmt), "WAVE file has no data chunk."},
        {"data chunk past the RIFF size", Riff("WAVE", fmt) + data, "WAVE file has no data chunk."},
        {"empty data chunk", Riff("WAVE", fmt + Chunk("data", "")), "The data chunk contains no data."},
    };
    // A good file first, so each case shows the values are reset.
    QString good = Write(Riff("WAVE", fmt + data), "good.wav");
    for (const BrokenCase& c : cases) {
        SCOPED_TRACE(c.what);
        wav.SetFileName(good);
        ASSERT_EQ(wav.DataSize(), 4);
        QString f = Write(c.bytes);
        try {
            wav.SetFileName(f);
            ADD_FAILURE() << "no error";
        } catch (const EWaveError& e) {
            EXPECT_EQ(e.Message, QString::fromLatin1(c.error));
        }
        EXPECT_EQ(wav.FileName(), f);
        EXPECT_EQ(wav.FormatTag(), 0);
        EXPECT_EQ(wav.Channels(), 0);
        EXPECT_EQ(wav.SamplesPerSec(), 0);
        EXPECT_EQ(wav.DataSize(), 0);
        EXPECT_EQ(wav.PlayTime(), 0.0f);
    }
}

TEST_F(WavFixture, UnreadableFileRaisesFailedToOpen)
{
    QString f;
    if (geteuid() != 0) {
        f = Write(Riff("WAVE", Fmt(1, 1, 8000, 8000) + Chunk("data", "ab")));
        std::filesystem::permissions(f.toStdString(), std::filesystem::perms::none);
    } else if (QFile::exists("/sys/bus/pci/rescan") && !QFile("/sys/bus/pci/rescan").open(QIODevice::ReadOnly)) {
        f = "/sys/bus/pci/rescan";  // write-only even for root
    } else {
        GTEST_SKIP() << "no file here that cannot be read";
    }
    try {
        wav.SetFileName(f);
        ADD_FAILURE() << "no error";
    } catch (const EWaveError& e) {
        EXPECT_EQ(e.Message, "Failed to open file.");
    }
    EXPECT_EQ(wav.DataSize(), 0);
}

TEST(QKWavFlags, FlagSetsMapToTheSystemFlags)
{
    struct {
        TwFlags flags;
        unsigned expected;
    } cases[] = {
        {{}, 0x00},
        {{SYNC}, 0x00},
        {{ASYNC}, 0x01},
        {{ASYNC, NOSTOP}, 0x11},
        {{ASYNC, NODEFAULT, LOOP}, 0x0B},
        {{SYNC, ASYNC, NODEFAULT, LOOP, NOSTOP}, 0x1B},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TQKWAV::SoundFlags(c.flags), c.expected);
    TQKWAV wav(nullptr);
    EXPECT_EQ(wav.SNDFlags(), TwFlags{ASYNC});
    EXPECT_EQ(wav.About_Quillkit(), "15.11.96");
    EXPECT_EQ(wav.Width(), 25);
    EXPECT_EQ(wav.Height(), 25);
    EXPECT_EQ(wav.Color(), clBlack);
}

// Plays through a fake player that logs each file and waits the seconds given.
struct WavPlayFixture : WavFixture {
    WavPlayFixture()
    {
        log = QString::fromStdString((dir / "player.log").string());
        sound = Write(Riff("WAVE", Fmt(1, 1, 8000, 8000) + Chunk("data", "ab")), "Klang.wav");
    }
    ~WavPlayFixture() override
    {
        PlaySound(QString(), 0);
        SetSoundPlayerCommand({});
    }
    void UsePlayer(const char* seconds)
    {
        auto script = dir / "player.sh";
        lxtest::WriteFile(script, "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + log.toStdString() +
                                      "'\nexec sleep " + seconds + "\n");
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
    bool WaitForPlayed(qsizetype n)
    {
        QDeadlineTimer deadline(5000);
        while (Played().size() < n && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return Played().size() >= n;
    }
    QString log, sound;
};

TEST_F(WavPlayFixture, SilenceMutesEveryCall)
{
    UsePlayer("0");
    wav.SetFileName(sound);
    wav.SetSilence(true);
    EXPECT_FALSE(wav.Play());
    EXPECT_FALSE(wav.PlayWAV(sound, {SYNC}));
    EXPECT_FALSE(wav.StartLoop(sound));
    EXPECT_FALSE(wav.StopWav());
    wav.Beep();
    EXPECT_FALSE(SoundPlaying());
    EXPECT_TRUE(Played().isEmpty());

    wav.SetSilence(false);
    EXPECT_TRUE(wav.PlayWAV(sound, {SYNC}));
    EXPECT_EQ(Played(), QStringList{sound});

    // Beep names no file: the default sound plays, when one is installed.
    if (DefaultSoundFile().isEmpty())
        return;
    wav.Beep();
    ASSERT_TRUE(WaitForPlayed(2));
    EXPECT_EQ(Played().last(), DefaultSoundFile());
}

TEST_F(WavPlayFixture, LoopNoStopAndStop)
{
    UsePlayer("30");
    wav.SetFileName(sound);
    ASSERT_TRUE(wav.StartLoop(sound));
    ASSERT_TRUE(WaitForPlayed(1));
    EXPECT_TRUE(SoundPlaying());
    // [ASYNC, NOSTOP] does not break into the sound that plays.
    wav.SetSNDFlags({ASYNC, NOSTOP});
    EXPECT_FALSE(wav.Play());
    EXPECT_TRUE(wav.StopWav());
    EXPECT_FALSE(SoundPlaying());
    EXPECT_TRUE(wav.Play());
    EXPECT_TRUE(SoundPlaying());
    EXPECT_TRUE(wav.PlayWAV(QString(), {ASYNC}));  // an empty name stops
    EXPECT_FALSE(SoundPlaying());
}

TEST_F(WavPlayFixture, MissingFilePlaysTheDefaultSoundUnlessNoDefault)
{
    UsePlayer("0");
    EXPECT_FALSE(wav.PlayWAV(sound + ".fehlt", {SYNC, NODEFAULT}));
    EXPECT_TRUE(Played().isEmpty());
    QString fallback = DefaultSoundFile();
    EXPECT_EQ(wav.PlayWAV(sound + ".fehlt", {SYNC}), !fallback.isEmpty());
}

TEST_F(WavFixture, DrawsTheWaveForm)
{
    // 8-bit samples after a 44-byte header: a square wave of 0 and 255.
    std::string samples;
    for (int i = 0; i < 4000; ++i)
        samples += (i / 200) % 2 ? '\xFF' : '\x00';
    QString f = Write(Riff("WAVE", Fmt(1, 1, 8000, 8000) + Chunk("data", samples)));
    TForm form(nullptr);
    form.SetClientWidth(220);
    form.SetClientHeight(120);
    auto* w = new TQKWAV(&form);
    w->SetParent(&form);
    w->SetBounds(10, 10, 200, 100);
    w->SetFileName(f);
    form.Show();
    Application->ProcessMessages();
    QImage shot = w->Handle()->grab().toImage();
    shot.save(BuildFile("qk_wav_waveform.png"));
    ASSERT_EQ(shot.size(), QSize(200, 100));
    int red = 0, green = 0, top = 100, bottom = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            QRgb p = shot.pixel(x, y);
            if (p == qRgb(255, 0, 0))
                ++red;
            if (p == qRgb(0, 255, 0)) {
                ++green;
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    EXPECT_GT(red, 20);
    EXPECT_GT(green, 100);
    // Samples 0 and 255 reach from middle - height/2 to middle + 127*100/256.
    EXPECT_LE(top, 1);
    EXPECT_GE(bottom, 98);
    EXPECT_EQ(shot.pixel(199, 99), qRgb(0, 0, 0));  // background in Color
}

}  // namespace
