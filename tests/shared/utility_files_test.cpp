// Guards the file utilities: sizes, attributes and times, moving across file systems, fingerprints.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <filesystem>
#include <unistd.h>

#include "platform/core/file_utils.h"
#include "platform/ui/forms.h"
#include "routines_test_print.h"
#include "routines_test_support.h"
#include "shared/utility_files.h"
#include "test_environment.h"

namespace fs = std::filesystem;
using lxtest::ReadFile;
using lxtest::WriteFile;

namespace {

class UtilityFiles : public testing::Test {
protected:
    lxtest::TempDir dir;
    QString W(const QString& name) const { return Win(dir.path()) + u'\\' + name; }
};

TEST_F(UtilityFiles, FileSizeOfFilesAndMasks)
{
    WriteFile(dir / "a.jpg", std::string(10, 'a'));
    WriteFile(dir / "b.jpg", std::string(20, 'b'));
    WriteFile(dir / ".c.jpg", std::string(5, 'c'));
    fs::create_directories(dir / "ordner.jpg");
    EXPECT_EQ(qktFileSize(W("a.jpg")), 10);
    EXPECT_EQ(qktFileSize(W("A.JPG")), 10);  // names resolve without case
    EXPECT_EQ(qktFileSize(W("fehlt.jpg")), -1);
    EXPECT_EQ(qktFileSize(W("?.jpg")), 30);
    EXPECT_EQ(qktFileSize(W("*.jpg")), 35);  // hidden files count, folders do not
    EXPECT_EQ(qktFileSize(W("*.gif")), -1);
    EXPECT_EQ(qktFileSize("X:\\*.jpg"), -1);  // no such drive
    EXPECT_EQ(qktFileSize(""), -1);
}

TEST_F(UtilityFiles, AttributesAndTimes)
{
    WriteFile(dir / "a.jpg", "x");
    EXPECT_TRUE(qktFileHasAttr(W("a.jpg"), faArchive));
    EXPECT_FALSE(qktFileHasAttr(W("a.jpg"), faArchive | faDirectory));
    EXPECT_TRUE(qktFileHasAttr(Win(dir.path()), faDirectory));
    EXPECT_FALSE(qktFileHasAttr(W("fehlt"), 0));
    EXPECT_EQ(qktFileDateTime(W("fehlt")), -1);
    const TDateTime t = qktFileDateTime(W("a.jpg"));
    EXPECT_NEAR(t, DateTimeFromQt(QFileInfo(QString::fromStdString((dir / "a.jpg").string())).lastModified()), 1e-5);
}

TEST_F(UtilityFiles, MoveRenamesAndMakesFolders)
{
    WriteFile(dir / "a.jpg", "bild-a");
    EXPECT_TRUE(qktMoveFileSafe(W("a.jpg"), W("neu\\tief\\b.jpg")));
    EXPECT_FALSE(fs::exists(dir / "a.jpg"));
    EXPECT_EQ(ReadFile(dir / "neu/tief/b.jpg"), "bild-a");

    // An existing destination is replaced by the source's bytes.
    WriteFile(dir / "c.jpg", "neuer inhalt");
    WriteFile(dir / "d.jpg", "alt");
    EXPECT_TRUE(qktMoveFileSafe(W("c.jpg"), W("d.jpg")));
    EXPECT_FALSE(fs::exists(dir / "c.jpg"));
    EXPECT_EQ(ReadFile(dir / "d.jpg"), "neuer inhalt");

    // Two names of one file: nothing to do and nothing lost.
    EXPECT_TRUE(qktMoveFileSafe(W("d.jpg"), W("D.JPG")));
    EXPECT_EQ(ReadFile(dir / "d.jpg"), "neuer inhalt");
}

TEST_F(UtilityFiles, MoveAcrossFileSystems)
{
    // /dev/shm is a file system of its own: the rename fails and the copy,
    // compare and delete path has to do the move.
    const fs::path other = fs::path("/dev/shm") / ("lumadex-util-" + std::to_string(::getpid()));
    std::error_code ec;
    fs::create_directories(other, ec);
    if (ec || fs::status(other).type() != fs::file_type::directory)
        GTEST_SKIP() << "no second file system here";
    WriteFile(dir / "a.jpg", std::string(300000, 'x') + "ende");
    EXPECT_TRUE(qktMoveFileSafe(W("a.jpg"), Win(other) + "\\neu\\a.jpg"));
    EXPECT_FALSE(fs::exists(dir / "a.jpg"));
    EXPECT_EQ(ReadFile(other / "neu/a.jpg"), std::string(300000, 'x') + "ende");
    fs::remove_all(other, ec);
}

TEST_F(UtilityFiles, MoveKeepsTheSourceWhenTheCopyFails)
{
    WriteFile(dir / "a.jpg", "bild-a");
    EXPECT_FALSE(qktMoveFileSafe(W("fehlt.jpg"), W("b.jpg")));
    EXPECT_FALSE(qktMoveFileSafe(W("a.jpg"), "X:\\b.jpg"));  // missing drive
    WriteFile(dir / "datei", "kein ordner");
    EXPECT_FALSE(qktMoveFileSafe(W("a.jpg"), W("datei\\b.jpg")));  // folder cannot be made
    EXPECT_EQ(ReadFile(dir / "a.jpg"), "bild-a");

    // A destination of the same size but other bytes that cannot be replaced:
    // the source must stay.
    WriteFile(dir / "ziel/b.jpg", "bild-b");
    TUndeletable locked(dir / "ziel/b.jpg");
    if (!locked.ok())
        GTEST_SKIP() << "cannot lock a file here";
    EXPECT_FALSE(qktMoveFileSafe(W("a.jpg"), W("ziel\\b.jpg")));
    EXPECT_EQ(ReadFile(dir / "a.jpg"), "bild-a");
    EXPECT_EQ(ReadFile(dir / "ziel/b.jpg"), "bild-b");
}

TEST_F(UtilityFiles, Fingerprint)
{
    struct Case { std::string bytes; const char* expected; };
    const Case cases[] = {
        {"ABCDEF", "67"},            // 'D' + 'E' - 'F'
        {std::string("\x00\x00\x00\xff\xff\x00", 6), "510"},
        {std::string("\x00\x00\x00\x00\x00\xff", 6), "-255"},
        {std::string("\x00\xff\xff\x00", 4), "255"},  // the third byte lies past the end: 0
        {"A", "65"},
        {"", "0"},
    };
    QString text;
    for (const Case& c : cases) {
        WriteFile(dir / "f.bin", c.bytes);
        qktFileFingerprint(W("f.bin"), text);
        EXPECT_EQ(text, c.expected) << c.bytes.size();
    }
    text = "alt";
    qktFileFingerprint(W("fehlt.bin"), text);
    EXPECT_EQ(text, "");
}

TEST_F(UtilityFiles, IniReadString)
{
    WriteFile(dir / "a.ini", "[Fonts]\r\nGridFont_Name=Arial\r\n");
    EXPECT_EQ(qktIniReadString(W("a.ini"), "Fonts", "GridFont_Name", "x"), "Arial");
    EXPECT_EQ(qktIniReadString(W("a.ini"), "Fonts", "Fehlt", "x"), "x");
    EXPECT_EQ(qktIniReadString(W("fehlt.ini"), "Fonts", "GridFont_Name", "x"), "x");
    EXPECT_EQ(qktIniReadString("X:\\a.ini", "Fonts", "GridFont_Name", "x"), "x");
}

TEST_F(UtilityFiles, KillPathDeletesTheWholeTree)
{
    WriteFile(dir / "weg/a.jpg", "a");
    WriteFile(dir / "weg/.versteckt", "h");
    WriteFile(dir / "weg/unter/b.jpg", "b");
    WriteFile(dir / "weg/unter/tiefer/c.jpg", "c");
    fs::permissions(dir / "weg/a.jpg", fs::perms::owner_read, fs::perm_options::replace);
    // A link inside the tree goes; what it points to stays.
    WriteFile(dir / "draussen/bleibt.jpg", "x");
    fs::create_directory_symlink(dir / "draussen", dir / "weg/link");
    TPromptRecorder prompts;
    EXPECT_TRUE(qktKillPath(W("weg")));
    EXPECT_FALSE(fs::exists(dir / "weg"));
    EXPECT_TRUE(fs::exists(dir / "draussen/bleibt.jpg"));
    EXPECT_TRUE(prompts.texts.isEmpty());
}

TEST_F(UtilityFiles, KillPathRefusesRootsAndMissingDrives)
{
    TPromptRecorder prompts;
    EXPECT_FALSE(qktKillPath("C:\\"));
    EXPECT_FALSE(qktKillPath("C:"));
    EXPECT_FALSE(qktKillPath("C:\\.\\"));  // still the root once folded
    EXPECT_FALSE(qktKillPath("X:\\Bilder"));
    ASSERT_EQ(prompts.texts.size(), 4);
    EXPECT_EQ(prompts.texts[0], "qktKillPath - Fehler : C:\\ kann nicht gelöscht werden");
    EXPECT_TRUE(fs::exists(dir.path()));
}

TEST_F(UtilityFiles, KillPathReportsAFailureInAnySubfolder)
{
    WriteFile(dir / "weg/a_unter/fest.jpg", "x");
    WriteFile(dir / "weg/b_unter/frei.jpg", "y");
    TPromptRecorder prompts;
    {
        TUndeletable locked(dir / "weg/a_unter/fest.jpg");
        if (!locked.ok())
            GTEST_SKIP() << "cannot lock a file here";
        EXPECT_FALSE(qktKillPath(W("weg")));
    }
    EXPECT_TRUE(fs::exists(dir / "weg/a_unter/fest.jpg"));
    EXPECT_FALSE(fs::exists(dir / "weg/b_unter"));
    ASSERT_GE(prompts.texts.size(), 2);
    EXPECT_EQ(prompts.texts[0], "qktKillPath - Fehler : " + W("weg\\a_unter\\fest.jpg") + " kann nicht gelöscht werden");
    EXPECT_EQ(prompts.prompts.back().DlgType, mtWarning);
    EXPECT_TRUE(prompts.texts.contains("qktKillPath - Verzeichnis " + W("weg\\a_unter") + " läßt sich nicht löschen"));
    EXPECT_EQ(prompts.texts.back(), "qktKillPath - Verzeichnis " + W("weg") + " läßt sich nicht löschen");
}

TEST_F(UtilityFiles, CountFiles)
{
    WriteFile(dir / "a.jpg", std::string(500, 'a'));
    WriteFile(dir / "b.JPG", std::string(2500, 'b'));
    WriteFile(dir / "c.gif", std::string(10, 'c'));
    WriteFile(dir / "readme", "r");
    WriteFile(dir / "unter/d.jpg", std::string(5000, 'd'));
    WriteFile(dir / "unter/tiefer/e.gif", "e");
    fs::create_directory_symlink(dir.path(), dir / "unter/schleife");  // must not loop
    const QString folder = Win(dir.path());
    Screen->SetCursor(crHandPoint);
    EXPECT_EQ(qktCountFiles(folder, "*.jpg", false, 0, 0), 2);
    EXPECT_EQ(Screen->Cursor(), crHandPoint);  // the hourglass went again
    Screen->SetCursor(crDefault);
    EXPECT_EQ(qktCountFiles(folder, "*.jpg", true, 0, 0), 3);
    EXPECT_EQ(qktCountFiles(folder, "*.jpg;*.gif", true, 0, 0), 5);
    EXPECT_EQ(qktCountFiles(folder, "*.*", true, 0, 0), 6);  // "*.*" counts every file
    EXPECT_EQ(qktCountFiles(folder, "*.jpg", true, 1, 4), 1);  // 2500 bytes: 2 units
    EXPECT_EQ(qktCountFiles(folder, "*.jpg", true, 0, 2), 2);
    EXPECT_EQ(qktCountFiles(folder + "\\fehlt", "*.*", true, 0, 0), 0);
    EXPECT_EQ(qktCountFiles("X:\\", "*.*", true, 0, 0), 0);
}

TEST_F(UtilityFiles, LongPathsAndNamesOutsideWindows1252)
{
    // Deeper than the old 260-character limit.
    QString deep = "weg";
    std::string deepLinux = "weg";
    for (int i = 0; i < 12; ++i) {
        deep += "\\ordner_mit_langem_namen_" + QString::number(i);
        deepLinux += "/ordner_mit_langem_namen_" + std::to_string(i);
    }
    WriteFile(dir / deepLinux / "a.jpg", "12345");
    ASSERT_GT(W(deep + "\\a.jpg").size(), 300);
    EXPECT_EQ(qktFileSize(W(deep + "\\a.jpg")), 5);
    EXPECT_EQ(qktCountFiles(W("weg"), "*.JPG", true, 0, 0), 1);

    // Names Windows-1252 cannot hold are plain Linux names here.
    const QString russisch = QString::fromUtf8("Фото_日本.jpg");
    EXPECT_TRUE(qktMoveFileSafe(W(deep + "\\a.jpg"), W(russisch)));
    EXPECT_EQ(ReadFile(dir / "Фото_日本.jpg"), "12345");
    QString text;
    qktFileFingerprint(W(russisch), text);
    EXPECT_EQ(text, QString::number('3' + '4' - '5'));
    qktFileFingerprint(W("weg"), text);  // a folder is no file
    EXPECT_EQ(text, "");

    TPromptRecorder prompts;
    EXPECT_TRUE(qktKillPath(W("weg")));
    EXPECT_FALSE(fs::exists(dir / "weg"));
}

TEST(UtilityFolders, DesktopFolder)
{
    QString path = "alt";
    GetSpecialFolderPath(path);
    ASSERT_FALSE(path.isEmpty());
    EXPECT_TRUE(path.endsWith("\\"));
    EXPECT_TRUE(path.startsWith("C:\\"));
}

class UtilityVolumes : public testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(dir / "d");
        fs::create_directories(dir / "f");
        fs::create_directories(dir / "g");
        fs::create_directories(dir / "n");
        UseDrives({
            {"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34},
            {"D", (dir / "d").string(), "HD", "Urlaub", "9A5B3C2D", 1000},
            {"E", (dir / "leer").string(), "CDROM", "", "", 0},  // no medium
            {"F", (dir / "f").string(), "DISK", "", "000004D2", 0},
            {"G", (dir / "g").string(), "DISK", "kamera", "00000000", 0},
            {"N", (dir / "n").string(), "NETDRIVE", "daten", "12345678", 0},
        });
    }
    void TearDown() override
    {
        UseDrives({{"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34}});
    }
    lxtest::TempDir dir;
};

TEST_F(UtilityVolumes, MediumIdLabelAndSerial)
{
    struct Case { const char* drive; const char* id; const char* label; const char* serialOrLabel; };
    const Case cases[] = {
        {"D", "-1705296851", "URLAUB", "-1705296851"},  // serial 2589670445
        {"d:\\bilder", "-1705296851", "URLAUB", "-1705296851"},
        {"C", "439041101", "SYSTEM", "439041101"},
        {"E", "", "", ""},                // empty CD drive
        {"F", "1234", "1234", "1234"},     // unlabelled: the serial names it
        {"G", "0", "KAMERA", "KAMERA"},    // serial 0 stays "0" as medium id
        {"N", "DATEN", "DATEN", "305419896"},  // network drive: the label
        {"X", "", "", ""},
        {"", "", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(qktGetVolumeId(c.drive), c.id) << c.drive;
        EXPECT_EQ(qktGetVolumeLabel(c.drive), c.label) << c.drive;
        EXPECT_EQ(qktGetVolumeSerialOrLabel(c.drive), c.serialOrLabel) << c.drive;
    }
}

}  // namespace
