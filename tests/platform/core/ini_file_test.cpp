// Guards the ini files: byte layout, odd content, atomic writes, unreadable
// files and refused names.
#include "platform/core/exceptions.h"
#include "platform/core/ini_file.h"

#include "test_environment.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <vector>

namespace fs = std::filesystem;

namespace {

QString Q(const fs::path& p)
{
    return QString::fromStdString(p.string());
}

ino_t Inode(const fs::path& p)
{
    struct stat st{};
    ::stat(p.c_str(), &st);
    return st.st_ino;
}

size_t FileCount(const fs::path& dir)
{
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

}  // namespace

TEST(IniFile, WritesWindows1252WithCrLfByteForByte)
{
    lxtest::TempDir tmp;
    const fs::path file = tmp / "Lumadex.INI";
    {
        TIniFile ini(Q(file));
        ini.WriteString("Einstellungen Hauptprogramm", "DatenPfad", "C:\\Bilder\\Daten\\");
        ini.WriteInteger("Einstellungen Hauptprogramm", "Anzahl", -5);
        ini.WriteBool("Einstellungen Bilder", "Größe", true);
        ini.WriteString("Einstellungen Hauptprogramm", "Kommentar", "a;b = c ");
        ini.WriteFloat("WinPos", "Faktor", 1.25);
    }
    const std::string expected =
        "[Einstellungen Hauptprogramm]\r\n"
        "DatenPfad=C:\\Bilder\\Daten\\\r\n"
        "Anzahl=-5\r\n"
        "Kommentar=a;b = c \r\n"
        "\r\n"
        "[Einstellungen Bilder]\r\n"
        "Gr\xF6\xDF" "e=1\r\n"
        "\r\n"
        "[WinPos]\r\n"
        "Faktor=1,25\r\n";
    EXPECT_EQ(lxtest::ReadFile(file), expected);

    TIniFile ini(Q(file));
    EXPECT_EQ(ini.ReadString("einstellungen HAUPTPROGRAMM", "datenpfad", "x"), "C:\\Bilder\\Daten\\");
    EXPECT_EQ(ini.ReadString("Einstellungen Hauptprogramm", "Kommentar", "x"), "a;b = c");  // trimmed
    EXPECT_EQ(ini.ReadInteger("Einstellungen Hauptprogramm", "Anzahl", 0), -5);
    EXPECT_TRUE(ini.ReadBool("Einstellungen Bilder", "GRÖßE", false));
    EXPECT_FALSE(ini.ValueExists("Einstellungen Bilder", "GROESSE"));
    EXPECT_DOUBLE_EQ(ini.ReadFloat("WinPos", "Faktor", 0), 1.25);
}

TEST(IniFile, ReadsGarbageSanelyAndKeepsItOnWrite)
{
    lxtest::TempDir tmp;
    const fs::path file = tmp / "alt.ini";
    const std::string original =
        "vor jedem Abschnitt=1\n"
        "[Eins]\r\n"
        "  Schluessel =  Wert mit Leerzeichen  \r\n"
        "; Kommentar=nicht lesen\r\n"
        "Zeile ohne Gleichheitszeichen\r\n"
        "=ohne Namen\r\n"
        "schluessel=zweiter, wird nicht gelesen\r\n"
        "Pfad=\"C:\\Programme\\x\"\n"
        "[eins]\r\n"
        "Nur=im zweiten\r\n"
        "[Kaputt\r\n"
        "k=v\r\n"
        "\x81\x8D=\xE4\xFF";  // no final line end, unassigned bytes
    lxtest::WriteFile(file, original);
    TIniFile ini(Q(file));
    EXPECT_EQ(ini.ReadString("Eins", "Schluessel", ""), "Wert mit Leerzeichen");
    EXPECT_EQ(ini.ReadString("EINS", "Pfad", ""), "\"C:\\Programme\\x\"");  // no unquoting
    EXPECT_FALSE(ini.ValueExists("Eins", "; Kommentar"));
    EXPECT_FALSE(ini.ValueExists("Eins", "Nur"));  // the first section of that name only
    EXPECT_FALSE(ini.ValueExists("", "vor jedem Abschnitt"));
    EXPECT_EQ(ini.ReadString("Kaputt", "k", ""), "v");
    EXPECT_EQ(ini.ReadString("Kaputt", QString::fromUtf8("\u0081\u008D"), ""), QString::fromUtf8("äÿ"));
    TStringList sections, keys;
    ini.ReadSections(sections);
    EXPECT_EQ(sections.CommaText(), "Eins,Kaputt");
    ini.ReadSection("Eins", keys);
    EXPECT_EQ(keys.CommaText(), "Schluessel,Pfad");

    // A write changes its own line only: everything else stays byte for byte,
    // and the missing last line end is added.
    ini.WriteString("Eins", "Pfad", "D:\\");
    std::string expected;
    for (char c : original) {
        if (c == '\n' && (expected.empty() || expected.back() != '\r'))
            expected += '\r';
        expected += c;
    }
    const std::string oldLine = "Pfad=\"C:\\Programme\\x\"\r\n";
    expected.replace(expected.find(oldLine), oldLine.size(), "Pfad=D:\\\r\n");
    expected += "\r\n";
    EXPECT_EQ(lxtest::ReadFile(file), expected);
}

TEST(IniFile, EditorFilesWithUtf8MarkAndLinkedFiles)
{
    lxtest::TempDir tmp;
    const fs::path file = tmp / "utf8.ini";
    lxtest::WriteFile(file, "\xEF\xBB\xBF[Größe]\nName=Jürgen\n");
    TIniFile ini(Q(file));
    EXPECT_EQ(ini.ReadString("größe", "name", ""), "Jürgen");
    ini.WriteString("Größe", "Neu", "1");
    EXPECT_EQ(lxtest::ReadFile(file), "[Gr\xF6\xDF" "e]\r\nName=J\xFCrgen\r\nNeu=1\r\n");

    // A linked ini file stays linked; its target gets the new text.
    fs::create_symlink(file, tmp / "link.ini");
    TIniFile linked(Q(tmp / "link.ini"));
    linked.WriteString("Größe", "Neu", "2");
    EXPECT_TRUE(fs::is_symlink(tmp / "link.ini"));
    EXPECT_EQ(ini.ReadString("Größe", "Neu", ""), "2");
}

TEST(IniFile, NewKeysGoToTheEndOfTheirSectionAndDeletesWork)
{
    lxtest::TempDir tmp;
    const fs::path file = tmp / "x.ini";
    lxtest::WriteFile(file, "[A]\r\na=1\r\n\r\n[B]\r\nb=2\r\n");
    TMemIniFile ini(Q(file));
    ini.WriteString("a", "neu", "3");
    ini.WriteString("C", "c", "4");
    EXPECT_EQ(lxtest::ReadFile(file), "[A]\r\na=1\r\n\r\n[B]\r\nb=2\r\n");  // not yet written
    ini.UpdateFile();
    EXPECT_EQ(lxtest::ReadFile(file), "[A]\r\na=1\r\nneu=3\r\n\r\n[B]\r\nb=2\r\n\r\n[C]\r\nc=4\r\n");
    ini.DeleteKey("A", "A");
    ini.EraseSection("b");
    ini.UpdateFile();
    EXPECT_EQ(lxtest::ReadFile(file), "[A]\r\nneu=3\r\n\r\n[C]\r\nc=4\r\n");
    EXPECT_FALSE(ini.SectionExists("B"));
    EXPECT_TRUE(ini.SectionExists("c"));
    TStringList values;
    ini.ReadSectionValues("C", values);
    EXPECT_EQ(values.Text(), "c=4\r\n");
}

TEST(IniFile, MissingFileReadsEmptyAndIsCreatedOnFirstWrite)
{
    lxtest::TempDir tmp;
    const fs::path file = tmp / "neu.ini";
    TIniFile ini(Q(file));
    EXPECT_EQ(ini.ReadString("S", "k", "vorgabe"), "vorgabe");
    EXPECT_EQ(ini.ReadInteger("S", "k", 7), 7);
    EXPECT_FALSE(ini.SectionExists("S"));
    EXPECT_FALSE(fs::exists(file));
    ini.EraseSection("S");
    ini.DeleteKey("S", "k");
    EXPECT_FALSE(fs::exists(file));  // nothing to write
    ini.WriteString("S", "k", "v");
    EXPECT_EQ(lxtest::ReadFile(file), "[S]\r\nk=v\r\n");
    // Numbers that are not numbers give the default.
    ini.WriteString("S", "n", "zwölf");
    ini.WriteString("S", "h", "$10");
    EXPECT_EQ(ini.ReadInteger("S", "n", 3), 3);
    EXPECT_EQ(ini.ReadInteger("S", "h", 3), 16);
    EXPECT_TRUE(ini.ReadBool("S", "n", true));
    EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "n", 2.5), 2.5);
}

TEST(IniFile, BareNamesLiveInTheWindowsFolder)
{
    TIniFile ini("TestBare.INI");
    ini.WriteString("S", "k", "v");
    const fs::path file = fs::path(qgetenv("LUMADEX_WINDIR").toStdString()) / "TestBare.INI";
    EXPECT_EQ(lxtest::ReadFile(file), "[S]\r\nk=v\r\n");
    fs::remove(file);
}

TEST(IniFile, WritesReplaceTheFileAtomically)
{
    lxtest::TempDir tmp;
    const fs::path file = tmp / "a.ini";
    TIniFile ini(Q(file));
    ini.WriteString("S", "k", "1");
    const ino_t before = Inode(file);
    ini.WriteString("S", "k", "2");
    EXPECT_NE(Inode(file), before);  // a new file renamed over the old one
    EXPECT_EQ(FileCount(tmp.path()), 1u);  // no temporary file left behind

    // A folder we may not write to: the write fails clearly, the file stays.
    if (geteuid() != 0) {
        fs::permissions(tmp.path(), fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_THROW(ini.WriteString("S", "k", "3"), EIniFileException);
        fs::permissions(tmp.path(), fs::perms::owner_all);
        EXPECT_EQ(lxtest::ReadFile(file), "[S]\r\nk=2\r\n");
        EXPECT_EQ(ini.ReadString("S", "k", ""), "2");
    }
    // A folder that does not exist.
    TIniFile nowhere(Q(tmp / "fehlt" / "b.ini"));
    EXPECT_THROW(nowhere.WriteString("S", "k", "v"), EIniFileException);
    TIniFile noDrive("Q:\\x.ini");
    EXPECT_EQ(noDrive.ReadString("S", "k", "d"), "d");
    EXPECT_THROW(noDrive.WriteString("S", "k", "v"), EIniFileException);
}

TEST(IniFile, AnUpdateWritesManyValuesOnce)
{
    lxtest::TempDir tmp;
    const fs::path file = tmp / "viele.ini";
    TIniFile ini(Q(file));
    ini.WriteString("S", "a", "0");
    ini.BeginUpdate();
    ini.BeginUpdate();
    for (int i = 0; i < 3; ++i)
        ini.WriteInteger("S", QStringLiteral("k%1").arg(i), i);
    EXPECT_EQ(ini.ReadInteger("S", "k2", -1), 2);  // visible in memory at once
    ini.EndUpdate();
    EXPECT_EQ(lxtest::ReadFile(file), "[S]\r\na=0\r\n");  // still open
    ini.EndUpdate();
    EXPECT_EQ(lxtest::ReadFile(file), "[S]\r\na=0\r\nk0=0\r\nk1=1\r\nk2=2\r\n");
    // An update left open is written when the object goes.
    {
        TIniFile other(Q(file));
        other.BeginUpdate();
        other.WriteString("S", "a", "1");
    }
    EXPECT_EQ(ini.ReadString("S", "a", ""), "1");
}

TEST(IniFile, TextThatWouldCorruptTheFileIsRefused)
{
    lxtest::TempDir tmp;
    const fs::path file = tmp / "a.ini";
    TIniFile ini(Q(file));
    ini.WriteString("S", "k", "gut");
    const std::string before = lxtest::ReadFile(file);
    EXPECT_THROW(ini.WriteString("S", "k", QString::fromUtf8("Kraków Łódź")), EEncodingError);
    EXPECT_THROW(ini.WriteString("S", "k", "zwei\r\nZeilen"), EIniFileException);
    EXPECT_THROW(ini.WriteString("S", "a=b", "v"), EIniFileException);
    EXPECT_THROW(ini.WriteString("S", "", "v"), EIniFileException);
    EXPECT_THROW(ini.WriteString("A]B", "k", "v"), EIniFileException);
    EXPECT_THROW(ini.WriteString("S", QString::fromUtf8("Ł"), "v"), EEncodingError);
    EXPECT_EQ(lxtest::ReadFile(file), before);
    EXPECT_EQ(ini.ReadString("S", "k", ""), "gut");
}

TEST(IniFile, TwoObjectsOnOneFileSeeEachOther)
{
    lxtest::TempDir tmp;
    const QString file = Q(tmp / "geteilt.ini");
    TIniFile a(file), b(file);
    a.WriteString("S", "x", "1");
    EXPECT_EQ(b.ReadString("S", "x", ""), "1");
    b.WriteString("S", "y", "2");
    a.WriteString("S", "z", "3");
    EXPECT_EQ(lxtest::ReadFile(tmp / "geteilt.ini"), "[S]\r\nx=1\r\ny=2\r\nz=3\r\n");
    // TMemIniFile keeps its own picture until it reloads.
    TMemIniFile mem(file);
    a.WriteString("S", "x", "9");
    EXPECT_EQ(mem.ReadString("S", "x", ""), "1");
    mem.Reload();
    EXPECT_EQ(mem.ReadString("S", "x", ""), "9");
}

namespace {

// Takes every free file descriptor while it lives, so opening a file fails
// with "too many open files".
class NoFreeDescriptors {
public:
    NoFreeDescriptors()
    {
        for (int fd; (fd = ::dup(0)) >= 0;)
            taken_.push_back(fd);
    }
    ~NoFreeDescriptors() { Release(); }
    void Release()
    {
        for (int fd : taken_)
            ::close(fd);
        taken_.clear();
    }

private:
    std::vector<int> taken_;
};

const char* kFiveLines = "[Main]\r\nTop=1\r\nLeft=2\r\n[Pfade]\r\nDaten=C:\\Daten\\\r\n";

}  // namespace

// An existing file that cannot be read is never replaced by what was
// written since: the write is refused while the file stays unreadable, and a
// file that can be read again is read before the write.
TEST(IniFile, AnUnreadableFileIsNeverReplaced)
{
    lxtest::TempDir tmp;
    const fs::path file = tmp / "Lumadex.INI";
    lxtest::WriteFile(file, kFiveLines);
    {
        NoFreeDescriptors none;
        TMemIniFile ini(Q(file));
        EXPECT_EQ(ini.ReadString("Main", "Top", "leer"), "leer");
        EXPECT_THROW(ini.WriteInteger("Main", "Left", 10), EIniFileException);
        none.Release();
        ini.UpdateFile();  // nothing was changed
    }
    EXPECT_EQ(lxtest::ReadFile(file), kFiveLines);

    std::unique_ptr<TIniFile> ini;
    {
        NoFreeDescriptors none;
        ini = std::make_unique<TIniFile>(Q(file));
    }
    ini->WriteInteger("Main", "Left", 10);
    EXPECT_EQ(lxtest::ReadFile(file), "[Main]\r\nTop=1\r\nLeft=10\r\n[Pfade]\r\nDaten=C:\\Daten\\\r\n");
}

// Section and key names with surrounding blanks or line breaks are refused,
// as the header says, not trimmed and written.
TEST(IniFile, NamesWithSurroundingBlanksAreRefused)
{
    lxtest::TempDir tmp;
    const fs::path file = tmp / "a.ini";
    TIniFile ini(Q(file));
    ini.WriteString("S", "k", "gut");
    const std::string before = lxtest::ReadFile(file);
    for (const char* name : {" S", "S ", "S\n", "\tS"}) {
        SCOPED_TRACE(name);
        EXPECT_THROW(ini.WriteString(name, "k", "v"), EIniFileException);
        EXPECT_THROW(ini.WriteString("S", QString(name).replace(u'S', u'k'), "v"), EIniFileException);
    }
    EXPECT_EQ(lxtest::ReadFile(file), before);
}
