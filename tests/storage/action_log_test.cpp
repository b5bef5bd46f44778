// Guards the action log table: creation, dates, texts and the failures that
// switch logging off.
#include "dbe_fixture.h"

#include "platform/core/sys_utils.h"
#include "platform/ui/forms.h"
#include "platform/ui/prompt_script.h"
#include "storage/action_log.h"
#include "storage/dbf_routines.h"
#include "storage/tdbe_env.h"

#include <QDateTime>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

class ActionLogTest : public DbeTest {
protected:
    void SetUp() override
    {
        DbeTest::SetUp();
        LogWiederEinschalten();
    }
    void TearDown() override
    {
        LogWiederEinschalten();
        FormatSettings() = TFormatSettings();
        dbe_SetDateFormat(0);
        dbe_SetCentury(0);
        dbe_CloseAll();
        DbeTest::TearDown();
    }

    // The log table as an independent xBase reader sees it: the field list
    // (name:type:length:decimals) on the first line, then one line per record.
    std::string ReadWithDbfread(const char* table)
    {
        const std::filesystem::path py = dir / "read.py";
        lxtest::WriteFile(py,
                          "import sys, dbfread\n"
                          "t = dbfread.DBF(sys.argv[1], encoding='cp1252')\n"
                          "print('|'.join('%s:%s:%d:%d' % (f.name, f.type, f.length, f.decimal_count) "
                          "for f in t.fields))\n"
                          "for r in t:\n"
                          "    print('|'.join(str(v) for v in r.values()))\n");
        const std::string cmd = "/usr/bin/python3 " + py.string() + " " + File(table) + " 2>&1";
        std::string out;
        FILE* p = popen(cmd.c_str(), "r");
        char buf[512];
        while (p && fgets(buf, sizeof buf, p))
            out += buf;
        if (p)
            pclose(p);
        return out;
    }
};

// The program clock stands at a fixed moment while it lives.
struct TFesteUhr {
    explicit TFesteUhr(TDateTime jetzt) { SetClockForTests(jetzt); }
    ~TFesteUhr() { SetClockForTests(std::nullopt); }
};

TEST_F(ActionLogTest, FirstWriteCreatesTheTableThatAnotherReaderReads)
{
    const TFesteUhr uhr(EncodeDate(2026, 12, 9) + EncodeTime(14, 5, 9, 0));
    TDbeEnv env(nullptr);
    env.SetCentury(true);
    env.SetDateFormat(dfGerman);
    ASSERT_FALSE(QFileInfo::exists(Dir() + "LXLog.DBF"));
    LogSchreiben(WinDir(), "LXLog.DBF", "Info", "Album geöffnet", "17");
    LogSchreiben(WinDir(), "LXLog.DBF", "Fehlermeldung", QString(150, u'x'), "1234567890123");
    ASSERT_TRUE(QFileInfo::exists(Dir() + "LXLog.DBF"));

    const std::string out = ReadWithDbfread("LXLog.DBF");
    const QStringList lines = QString::fromUtf8(out).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << out;
    EXPECT_EQ(lines[0],
              "MSGART:C:10:0|AKTION:C:200:0|USER:C:20:0|USERLEVEL:N:3:0|DATUM:D:8:0|ZEIT:C:8:0|SATZNR:C:9:0");
    const QStringList first = lines[1].split('|');
    ASSERT_EQ(first.size(), 7);
    EXPECT_EQ(first[0], "Info");
    EXPECT_EQ(first[1], "Album geöffnet");
    EXPECT_EQ(first[2], "");
    EXPECT_EQ(first[3], "0");
    EXPECT_EQ(first[4], "2026-12-09");
    EXPECT_EQ(first[5], "14:05:09");
    EXPECT_EQ(first[6], "17");
    // Cut: the text to 99 characters, the kind to 10, the reference to 9.
    const QStringList second = lines[2].split('|');
    EXPECT_EQ(second[0], "Fehlermeld");
    EXPECT_EQ(second[1], QString(99, u'x'));
    EXPECT_EQ(second[6], "123456789");

    // The raw record: the AKTION field holds 99 characters and 101 blanks.
    const std::string aktion = RawField("LXLog.DBF", 2, 11, 200);
    EXPECT_EQ(aktion, std::string(99, 'x') + std::string(101, ' '));
}

TEST_F(ActionLogTest, DateIsRightAlsoBeforeTheSettingsComponentSetTheEngine)
{
    // The engine still in its American two-digit form, the program German.
    const TFesteUhr uhr(EncodeDate(2031, 1, 2) + EncodeTime(8, 0, 0, 0));
    LogSchreiben(WinDir(), "LXLog.DBF", "Info", "Start", "");
    const QStringList lines = QString::fromStdString(ReadWithDbfread("LXLog.DBF")).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[1].split('|').value(4), "2031-01-02");
}

TEST_F(ActionLogTest, TextsOutsideWindows1252AreLoggedReadably)
{
    LogSchreiben(WinDir(), "LXLog.DBF", "File", QStringLiteral("übersprungen: C:\\写.jpg"), "");
    const std::string aktion = RawField("LXLog.DBF", 1, 11, 40);
    const std::string expected = "\xFC" "bersprungen: C:\\<U+5199>.jpg";
    EXPECT_EQ(aktion, expected + std::string(40 - expected.size(), ' '));
}

TEST_F(ActionLogTest, LoggingWhileTheApplicationTerminatesWritesNothing)
{
    const std::string folder = WinDir().toStdString();
    EXPECT_EXIT(
        {
            Application->Terminate();
            LogSchreiben(QString::fromStdString(folder), "LXLog.DBF", "Info", "Ende", "");
            std::_Exit(QFileInfo::exists(Dir() + "LXLog.DBF") ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_FALSE(QFileInfo::exists(Dir() + "LXLog.DBF"));
}

TEST_F(ActionLogTest, UnopenableLogTableSwitchesLoggingOffWithOneMessage)
{
    lxtest::WriteFile(dir / "LXLog.DBF", "kein DBF");
    TPromptScript script;
    script.Answer(mrOk, "nicht öffnen, Pfade überprüfen!");
    LogSchreiben(WinDir(), "LXLog.DBF", "Info", "eins", "");
    EXPECT_TRUE(LogAbgeschaltet());
    LogSchreiben(WinDir(), "LXLog.DBF", "Info", "zwei", "");  // no second message
    ASSERT_EQ(script.Records().size(), 1u);
    EXPECT_EQ(script.Records()[0].Text, "Konnte " + WinDir() +
                                            "LXLog.DBF nicht öffnen, Pfade überprüfen!\nDie Aktionen werden in "
                                            "diesem Programmlauf nicht protokolliert.");
    EXPECT_EQ(lxtest::ReadFile(dir / "LXLog.DBF"), "kein DBF");
}

TEST_F(ActionLogTest, LogTableThatCannotBeCreatedSwitchesLoggingOffWithOneWarning)
{
    const QString folder = WinDir() + "fehlt\\";
    TPromptScript script;
    script.Answer(mrOk, "konnte nicht erzeugt werden");
    LogSchreiben(folder, "LXLog.DBF", "Info", "eins", "");
    LogSchreiben(folder, "LXLog.DBF", "Info", "zwei", "");
    EXPECT_TRUE(LogAbgeschaltet());
    ASSERT_EQ(script.Records().size(), 1u);
    EXPECT_TRUE(script.Records()[0].Text.startsWith(folder + "LXLog.DBF konnte nicht erzeugt werden"));
    EXPECT_FALSE(QFileInfo::exists(Dir() + "fehlt"));
}

TEST_F(ActionLogTest, ExistingLogIsAppendedToAndTheUserRecordIsWritten)
{
    ASSERT_EQ(LogTabelleErzeugen(WinDir(), "LXLog.DBF"), 1);
    MakeAlbum("BILDER.DBF", 2);
    const uint16_t album = dbe_Use(File("BILDER.DBF").c_str(), "", DBE_SHARED, DBE_TYPE_FOX);
    ASSERT_NE(album, 0);
    dbe_Go(2);
    AktuellerBenutzer().Name = "Anna";
    AktuellerBenutzer().Level = 7;
    LogSchreiben(WinDir(), "LXLog.DBF", "Info", "a", "1");
    AktuellerBenutzer() = TBenutzer();
    LogSchreiben(WinDir(), "LXLog.DBF", "Info", "b", "2");
    EXPECT_EQ(RawRecordCount("LXLog.DBF"), 2u);
    // The caller's area stays selected on its record.
    EXPECT_EQ(dbe_WorkArea(nullptr), album);
    EXPECT_EQ(dbe_RecNo(), 2u);
    EXPECT_EQ(RawField("LXLog.DBF", 1, 211, 20), "Anna" + std::string(16, ' '));
    EXPECT_EQ(RawField("LXLog.DBF", 1, 231, 3), "  7");
    EXPECT_EQ(RawField("LXLog.DBF", 2, 231, 3), "  0");
}

}  // namespace
