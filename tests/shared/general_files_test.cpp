// Guards the file routines: deleting by mask, read-only files, and file lists.
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "platform/core/exceptions.h"
#include "routines_test_print.h"
#include "routines_test_support.h"
#include "shared/general_files.h"
#include "test_environment.h"

namespace fs = std::filesystem;
using lxtest::ReadFile;
using lxtest::WriteFile;

namespace {

class GeneralFiles : public testing::Test {
protected:
    lxtest::TempDir dir;
    QString W(const QString& name = QString()) const { return Win(dir.path()) + u'\\' + name; }
};

QStringList Lines(const TStringList& list)
{
    return list.ToQStringList();
}

TEST_F(GeneralFiles, DeleteByMask)
{
    WriteFile(dir / "a.bak", "a");
    WriteFile(dir / "b.bak", "b");
    WriteFile(dir / ".c.bak", "c");  // hidden: not found, not deleted
    WriteFile(dir / "d.dbf", "d");
    EXPECT_TRUE(DateiLoeschen(W(), "*.BAK"));
    EXPECT_FALSE(fs::exists(dir / "a.bak"));
    EXPECT_FALSE(fs::exists(dir / "b.bak"));
    EXPECT_TRUE(fs::exists(dir / ".c.bak"));
    EXPECT_TRUE(fs::exists(dir / "d.dbf"));
    EXPECT_TRUE(DateiLoeschen(W(), "*.BAK"));  // nothing left to delete
    EXPECT_TRUE(DateiLoeschen("X:\\", "*.*"));
}

TEST_F(GeneralFiles, DeleteRaisesForAFileThatStays)
{
    WriteFile(dir / "a.bak", "a");
    TUndeletable locked(dir / "a.bak");
    if (!locked.ok())
        GTEST_SKIP() << "cannot lock a file here";
    try {
        DateiLoeschen(W(), "*.bak");
        FAIL() << "no error raised";
    } catch (const Exception& e) {
        EXPECT_TRUE(e.Message.startsWith(W("a.bak") + " konnte nicht gelöscht werden")) << e.Message.toStdString();
    }
    EXPECT_TRUE(fs::exists(dir / "a.bak"));
}

TEST_F(GeneralFiles, ReadOnlyFilesStayAsOnWindows)
{
    // The write bit is what counts, as the read-only attribute on Windows,
    // so this holds for root as well.
    WriteFile(dir / "a.bak", "a");
    WriteFile(dir / "b.bak", "b");
    fs::permissions(dir / "a.bak", fs::perms::owner_read, fs::perm_options::replace);
    EXPECT_FALSE(DateienLoeschenAusser(W(), "*.bak", ""));
    EXPECT_TRUE(fs::exists(dir / "a.bak"));
    EXPECT_FALSE(fs::exists(dir / "b.bak"));
    try {
        DateiLoeschen(W(), "*.bak");
        FAIL() << "no error raised";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, W("a.bak") + " konnte nicht gelöscht werden, weil Datei schreibgeschützt !");
    }
    EXPECT_TRUE(fs::exists(dir / "a.bak"));
}

TEST_F(GeneralFiles, DeleteAllButOne)
{
    WriteFile(dir / "a.bak", "a");
    WriteFile(dir / "b.bak", "b");
    WriteFile(dir / "c.bak", "c");
    EXPECT_TRUE(DateienLoeschenAusser(W(), "*.bak", W("B.BAK")));
    EXPECT_FALSE(fs::exists(dir / "a.bak"));
    EXPECT_TRUE(fs::exists(dir / "b.bak"));
    EXPECT_FALSE(fs::exists(dir / "c.bak"));
    EXPECT_TRUE(DateienLoeschenAusser(W(), "*.bak", ""));
    EXPECT_FALSE(fs::exists(dir / "b.bak"));
}

TEST_F(GeneralFiles, FileLists)
{
    EXPECT_EQ(Lines(DateienSuchen(W("*.zip"))), QStringList{"Kein passendes File gefunden!"});
    EXPECT_EQ(Lines(DateienSuchenOhneSuffix(W("*.zip"))), QStringList{"Kein passendes File gefunden!"});
    EXPECT_EQ(DateiListe(W("*.zip")).Count(), 0);

    WriteFile(dir / "Backup1.zip", "1");
    WriteFile(dir / "backup2.tar.zip", "2");
    WriteFile(dir / ".hidden.zip", "h");
    fs::create_directories(dir / "ordner.zip");
    const QStringList expected{"BACKUP1.ZIP", "BACKUP2.TAR.ZIP"};
    EXPECT_EQ(Lines(DateienSuchen(W("*.zip"))), expected);
    EXPECT_EQ(Lines(DateiListe(W("*.zip"))), expected);
    EXPECT_EQ(Lines(DateienSuchenOhneSuffix(W("*.zip"))), (QStringList{"Backup1", "backup2"}));
}

TEST_F(GeneralFiles, CollectRecursivelySubfoldersFirst)
{
    WriteFile(dir / "a.jpg", "a");
    WriteFile(dir / "b.gif", "b");
    WriteFile(dir / "x/c.jpg", "c");
    WriteFile(dir / "x/y/d.jpg", "d");
    fs::create_directories(dir / "z.jpg");  // a folder matching the mask is no file
    fs::create_directory_symlink(dir.path(), dir / "x/zurueck");  // must not loop
    TStringList list;
    list.Add("vorher");
    DateienRekursivSammeln(W(), "*.jpg", list);
    EXPECT_EQ(Lines(list), (QStringList{"vorher", W("x\\y\\d.jpg"), W("x\\c.jpg"), W("a.jpg")}));

    TStringList empty;
    DateienRekursivSammeln("", "*.*", empty);
    DateienRekursivSammeln("X:\\Bilder", "*.*", empty);
    EXPECT_EQ(empty.Count(), 0);
}

TEST_F(GeneralFiles, FolderChecks)
{
    TPromptRecorder prompts(false);
    EXPECT_TRUE(VerzeichnisFuerDateiPruefen("", true));
    EXPECT_TRUE(VerzeichnisFuerDateiPruefen("C:\\", true));
    EXPECT_TRUE(VerzeichnisFuerDateiPruefen(W("a.jpg"), true));
    EXPECT_TRUE(prompts.texts.isEmpty());

    const QString neu = W("neu\\tief\\a.jpg");
    EXPECT_FALSE(VerzeichnisFuerDateiPruefen(neu, false));
    EXPECT_TRUE(prompts.texts.isEmpty());
    EXPECT_FALSE(VerzeichnisFuerDateiPruefen(neu, true));  // answered No
    ASSERT_EQ(prompts.texts.size(), 1);
    EXPECT_EQ(prompts.texts[0], "Verzeichnis \"" + neu + "\" existiert nicht...  Erzeugen ?");
    EXPECT_EQ(prompts.prompts[0].DlgType, mtInformation);
    EXPECT_EQ(prompts.prompts[0].Buttons, (TMsgDlgButtons{mbYes, mbNo}));
    EXPECT_FALSE(fs::exists(dir / "neu"));
    prompts.answer = true;
    EXPECT_TRUE(VerzeichnisFuerDateiPruefen(neu, true));
    EXPECT_TRUE(fs::is_directory(dir / "neu/tief"));

    prompts.texts.clear();
    EXPECT_TRUE(VerzeichnisPruefen("", false, true));
    EXPECT_FALSE(VerzeichnisPruefen(W("zwei\\"), false, true));
    EXPECT_TRUE(prompts.texts.isEmpty());
    EXPECT_TRUE(VerzeichnisPruefen(W("zwei\\"), true, false));
    EXPECT_TRUE(fs::is_directory(dir / "zwei"));
    prompts.answer = false;
    EXPECT_FALSE(VerzeichnisPruefen(W("drei\\"), true, true));
    EXPECT_FALSE(fs::exists(dir / "drei"));
}

TEST_F(GeneralFiles, FolderCreationReportsTheOutcome)
{
    EXPECT_TRUE(VerzeichnisErzeugen(W("a\\b\\c\\datei.txt")));
    EXPECT_TRUE(fs::is_directory(dir / "a/b/c"));
    EXPECT_FALSE(fs::exists(dir / "a/b/c/datei.txt"));
    WriteFile(dir / "datei", "x");
    EXPECT_FALSE(VerzeichnisErzeugen(W("datei\\unter\\x.txt")));
    EXPECT_FALSE(VerzeichnisErzeugen("X:\\Bilder\\a.jpg"));
    TPromptRecorder prompts(true);
    EXPECT_FALSE(VerzeichnisPruefen("X:\\Bilder\\", true, true));
}

class GeneralDrives : public testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(dir / "d");
        fs::create_directories(dir / "r");
        fs::create_directories(dir / "n");
        UseDrives({
            {"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34},
            {"D", (dir / "d").string(), "CDROM", "CD", "00000001", 0},
            {"E", (dir / "leer").string(), "DISK", "", "", 5000},
            {"N", (dir / "n").string(), "NETDRIVE", "daten", "00000002", 1000},
            {"R", (dir / "r").string(), "RAMDISK", "", "00000003", 100},
        });
    }
    void TearDown() override
    {
        UseDrives({{"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34}});
    }
    lxtest::TempDir dir;
};

TEST_F(GeneralDrives, TypesPresenceAndFreeSpace)
{
    EXPECT_EQ(LaufwerksTyp("C:\\"), "HD");
    EXPECT_EQ(LaufwerksTyp("D:\\"), "CDROM");
    EXPECT_EQ(LaufwerksTyp("e:\\"), "DISK");
    EXPECT_EQ(LaufwerksTyp("N:\\"), "NETDRIVE");
    EXPECT_EQ(LaufwerksTyp("R:\\"), "RAMDISK");
    EXPECT_EQ(LaufwerksTyp("X:\\"), "UNKNOWN");
    EXPECT_EQ(LaufwerksTyp("\\\\server\\daten\\"), "NETDRIVE");
    EXPECT_EQ(LaufwerksTyp(""), "UNKNOWN");

    EXPECT_TRUE(LaufwerkVorhanden(u'C'));
    EXPECT_TRUE(LaufwerkVorhanden(u'd'));
    EXPECT_FALSE(LaufwerkVorhanden(u'E'));  // no medium
    EXPECT_FALSE(LaufwerkVorhanden(u'X'));

    EXPECT_TRUE(GenugPlatzAufLaufwerk(u'N', 1000));
    EXPECT_FALSE(GenugPlatzAufLaufwerk(u'N', 1001));
    EXPECT_TRUE(GenugPlatzAufLaufwerk(u'D', 1ll << 40));  // free space 0: unknown
    EXPECT_TRUE(GenugPlatzAufLaufwerk(u'X', 1ll << 40));
    EXPECT_FALSE(GenugPlatzAufLaufwerk(u'R', 101));
}

TEST_F(GeneralFiles, FirstNumbers)
{
    struct Case { const char* name; const char* first; };
    const Case cases[] = {
        {"BILDERBACKUP12.ZIP", "12"},
        {"BACKUP007.ZIP", "7"},
        {"BACKUP0.ZIP", ""},
        {"BACKUP.ZIP", "0"},  // no digit at all
        {"BACKUP3A.ZIP", "0"},
        {"BACKUP12", ""},  // no "."
    };
    for (const Case& c : cases)
        EXPECT_EQ(ErsteZahlImString(c.name), c.first) << c.name;

    TPromptRecorder prompts;
    EXPECT_EQ(ErsteZahlImString2("EXPORT2_15.TXT", u'_'), "15");
    EXPECT_TRUE(prompts.texts.isEmpty());
    EXPECT_EQ(ErsteZahlImString2("EXPORT_15A.TXT", u'_'), "0");
    ASSERT_EQ(prompts.texts.size(), 1);
    EXPECT_EQ(prompts.texts[0],
              "Achtung, Problem bei automatischer Ermittlung der ersten Zahl im String EXPORT_15A.TXT "
              "in Funktion \"ErsteZahlImString2()\", verlasse jetzt Funktion mit Wert=0 !");
}

TEST_F(GeneralFiles, NextFreeNumber)
{
    EXPECT_EQ(NaechsteFreieNummer(W("BILDERBACKUP*.ZIP")), "1");
    WriteFile(dir / "BILDERBACKUP3.ZIP", "");
    WriteFile(dir / "BILDERBACKUP12.ZIP", "");
    WriteFile(dir / "BILDERBACKUP.ZIP", "");
    EXPECT_EQ(NaechsteFreieNummer(W("BILDERBACKUP*.ZIP")), "13");

    WriteFile(dir / "EXPORT_4.TXT", "");
    WriteFile(dir / "EXPORT_9.TXT", "");
    WriteFile(dir / "EXPORT_A_20.TXT", "");
    TPromptRecorder prompts;
    EXPECT_EQ(NaechsteFreieNummerUnterstrich(W("EXPORT_*.TXT")), "10");  // "A_20" reads as 0
    EXPECT_EQ(prompts.texts.size(), 1);
    EXPECT_EQ(NaechsteFreieNummerEinUnterstrich(W("EXPORT_*.TXT")), "10");
    WriteFile(dir / "EXPORT_30_B.TXT", "");
    EXPECT_EQ(NaechsteFreieNummerEinUnterstrich(W("EXPORT_*.TXT")), "10");
    EXPECT_EQ(NaechsteFreieNummerUnterstrich(W("EXPORT_*.TXT")), "10");  // "30_B" reads as 0
}

}  // namespace
