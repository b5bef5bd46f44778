// The maintenance commands that look at the picture files: availability
// (ZUGRIFF), the size check of the current entry and the removal of entries
// whose pictures are gone, over pictures on fake drives.
#include "maintenance_fixture.h"

#include "platform/core/file_utils.h"
#include "dialogs/search_missed_files_form.h"
#include "platform/data/field.h"
#include "shared/picture_files.h"
#include "shared/qk_find.h"
#include "shared/short_name.h"

namespace {

void Klick(TMainForm& f, const char* handler) { f.Handler(handler)(nullptr); }

}  // namespace

class MaintenanceFilesTest : public MaintenanceTest {
protected:
    void SetUp() override
    {
        MaintenanceTest::SetUp();
        std::filesystem::create_directories(dir / "stick");
        std::filesystem::create_directories(dir / "cd");
        Laufwerke({{"C", "/", "HD", "SYSTEM", "0000ABCD"},
                   {"D", (dir / "stick").string(), "DISK", "STICK", "1234ABCD"},
                   {"E", (dir / "cd").string(), "CDROM", "FOTOS", "00C0FFEE"}});
    }
    void TearDown() override
    {
        Laufwerke({{"C", "/", "HD", "SYSTEM", "0000ABCD"}});
        MaintenanceTest::TearDown();
    }
    static TTestEintrag Eintrag(const QString& pfad, bool zugriff = true)
    {
        TTestEintrag e{"bild"};
        e.Pfad = pfad.toStdString();
        e.Zugriff = zugriff;
        return e;
    }
    // Stick files in folders a/ and b/, hard disk files, one CD file.
    std::vector<TTestEintrag> Verteilt()
    {
        std::vector<TTestEintrag> e;
        for (int i = 0; i < 6; ++i) {
            lxtest::WriteFile(dir / "stick" / (i < 3 ? "a" : "b") / (lxtest::Numbered("s", i) + ".jpg"), "x");
            e.push_back(Eintrag(QString("D:\\%1\\s%2.jpg").arg(i < 3 ? "a" : "b").arg(i), i % 2 == 0));
        }
        e.push_back(Eintrag(Bild("platte/da.jpg"), false));
        e.push_back(Eintrag(Win(dir / "platte/weg.jpg"), true));
        lxtest::WriteFile(dir / "cd" / "c.jpg", "x");
        e.push_back(Eintrag("E:\\c.jpg", false));
        return e;
    }
};

TEST_F(MaintenanceFilesTest, AvailabilitySetsZugriffExactlyForTheReachableFiles)
{
    AlbumAnlegen("TEST.DBF", Verteilt());
    Oeffnen();
    form->DbeBilder->Query("'zzz' $ SHORTDESC");  // a filter does not narrow the test
    Klick(*form, "WelcheBildersindverfuegbarClick");
    const auto s = Lesen();
    const std::vector<std::string> erwartet{"T", "T", "T", "T", "T", "T", "T", "F", "T"};
    for (size_t i = 0; i < s.size(); ++i)
        EXPECT_EQ(s[i]["ZUGRIFF"], erwartet[i]) << s[i]["PFAD"];
    EXPECT_EQ(form->DbeBilder->DBFilter(), "'zzz' $ SHORTDESC");
    EXPECT_FALSE(form->Caption().startsWith("Nicht gefunden"));
}

TEST_F(MaintenanceFilesTest, AStickUnpluggedHalfWayIsReachableOnlyBeforeItWent)
{
    // Every stick entry starts unreachable, so each one is written: the
    // stick goes at the third write, after the first folder.
    auto e = Verteilt();
    for (auto& t : e)
        t.Zugriff = false;
    AlbumAnlegen("TEST.DBF", e);
    Oeffnen();
    const std::string cd = (dir / "cd").string();
    BeiSchreiben(3, [cd] {
        Laufwerke({{"C", "/", "HD", "SYSTEM", "0000ABCD"}, {"E", cd, "CDROM", "FOTOS", "00C0FFEE"}});
    });
    Klick(*form, "WelcheBildersindverfuegbarClick");
    // The stick entries tested before it went are reachable, those after
    // are not; the other media are answered as they are.
    const auto s = Lesen();
    EXPECT_EQ(s[0]["ZUGRIFF"], "T");
    EXPECT_EQ(s[5]["ZUGRIFF"], "F");
    for (size_t i = 1; i < 6; ++i)
        EXPECT_FALSE(s[i - 1]["ZUGRIFF"] == "F" && s[i]["ZUGRIFF"] == "T") << i;
    EXPECT_EQ(s[6]["ZUGRIFF"], "T");
    EXPECT_EQ(s[7]["ZUGRIFF"], "F");
    EXPECT_EQ(s[8]["ZUGRIFF"], "T");
}

TEST_F(MaintenanceFilesTest, EscInTheAvailabilityTestKeepsTheUntestedValues)
{
    auto e = Verteilt();
    for (auto& t : e)
        t.Zugriff = false;
    e[7].Zugriff = true;  // missing on the hard disk, but reached only after Esc
    AlbumAnlegen("TEST.DBF", e);
    Oeffnen();
    BeiSchreiben(2, [this] { form->Dienste().Lauf().AbbruchSetzen(true); });
    {
        TPromptScript script;
        script.Answer(TPromptKind::Message, mrOk, "ESC gedrückt, Funktion abgebrochen!");
        Klick(*form, "WelcheBildersindverfuegbarClick");
    }
    const auto s = Lesen();
    EXPECT_EQ(s[0]["ZUGRIFF"], "T");
    EXPECT_EQ(s[7]["ZUGRIFF"], "T");  // not tested, not marked unreachable
    EXPECT_FALSE(form->Dienste().Lauf().AbbruchGedrueckt());
}

TEST_F(MaintenanceFilesTest, SizeCheckComparesTheFileWithTheStoredSize)
{
    auto e = Eintrag(Bild("platte/g.jpg", 2345));
    e.Bytes = 2300;
    AlbumAnlegen("TEST.DBF", {e, Eintrag(Win(dir / "nicht.jpg"))});
    Oeffnen();
    form->DbeBilder->SetOrder(0);
    form->DbeBilder->Go(1);
    TPromptScript script;
    script.Answer(TPromptKind::Message, mrOk, "Dateigröße unterscheidet sich durch registrierte Größe! (2345/2300)");
    Klick(*form, "DateigroesseVomAktellenSatzCheckenClick");
    form->DbeBilder->Go(2);
    script.Answer(TPromptKind::Message, mrOk, "Registrierte Datei NICHT gefunden!");
    Klick(*form, "DateigroesseVomAktellenSatzCheckenClick");
    EXPECT_EQ(script.Pending(), 0u);
}

TEST_F(MaintenanceFilesTest, RemovalKeepsRemovableMediaAndMediaNotPresent)
{
    auto e = Verteilt();
    // A missing file on the stick, one on an unplugged stick (id of no
    // drive), one on the CD in the drive, a stick picture that is now
    // under another letter, and one already deleted.
    e.push_back(Eintrag("D:\\a\\fehlt.jpg"));
    e.push_back(Eintrag("F:\\fotos\\x.jpg"));
    e.push_back(Eintrag("E:\\fehlt.jpg"));
    e.push_back(Eintrag("G:\\a\\s0.jpg"));
    auto geloescht = Eintrag(Win(dir / "platte/alt.jpg"));
    geloescht.Geloescht = true;
    e.push_back(geloescht);
    AlbumAnlegen("TEST.DBF", e);
    for (uint32_t n = 1; n <= e.size(); ++n)
        Setzen(n, "LABELKENNU", "305441741");  // the stick
    Setzen(7, "LABELKENNU", "43981");          // the hard disk (0000ABCD)
    Setzen(8, "LABELKENNU", "43981");
    Setzen(9, "LABELKENNU", "12648430");       // the CD
    Setzen(11, "LABELKENNU", "-5");            // a stick not plugged in
    Setzen(12, "LABELKENNU", "12648430");
    Oeffnen();
    form->DbeBilder->Query("'bild' $ SHORTDESC");
    QString text;
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "Verschobene Bilder suchen").Modal(NachrichtOk(&text));
        Klick(*form, "BilderDieNichtMehrVorhandenSindAustragen1Click");
    }
    const auto s = Lesen();
    std::vector<bool> weg;
    for (const auto& satz : s)
        weg.push_back(satz.Geloescht);
    // Missing pictures of the stick and of the CD in the drive keep their
    // entries (removable media and CD-ROMs are kept); so do those of media
    // that are not in the drive.
    EXPECT_EQ(weg, (std::vector<bool>{false, false, false, false, false, false, false, true, false, false, false, false,
                                      false, true}));
    EXPECT_EQ(text.toStdString(), "1 Einträge gelöscht, 2 Einträge behalten (Datenträger nicht im Zugriff)");
    EXPECT_EQ(form->DbeBilder->DBFilter(), "");
}

// A USB disk (a hard-disk drive) in U:: a picture counts as missing only
// when its folder answers and the entry's medium is the one in the drive;
// entries without a medium id are kept and counted.
TEST_F(MaintenanceFilesTest, RemovalDeletesOnlyWhatTheEntrysOwnMediumLacks)
{
    const auto platte = dir / "usb";
    lxtest::WriteFile(platte / "a/da.jpg", "x");
    std::filesystem::create_directories(platte / "gesperrt");
    Laufwerke({{"C", "/", "HD", "SYSTEM", "0000ABCD"}, {"U", platte.string(), "HD", "USB", "00000777"}});
    std::vector<TTestEintrag> e{Eintrag("U:\\a\\da.jpg"),      Eintrag("U:\\a\\weg.jpg"),
                                Eintrag("U:\\a\\ohne.jpg"),    Eintrag("U:\\fort\\x.jpg"),
                                Eintrag("U:\\gesperrt\\y.jpg"), Eintrag("U:\\a\\fremd.jpg")};
    AlbumAnlegen("TEST.DBF", e);
    for (uint32_t n : {1u, 2u, 4u, 5u})
        Setzen(n, "LABELKENNU", "1911");  // 0x777
    Setzen(6, "LABELKENNU", "1912");      // another disk
    Oeffnen();
    // The folder "gesperrt" cannot be listed.
    BildDateiHakenSetzen([](TBildDateiOp op, const QString& pfad) {
        return op == TBildDateiOp::Auflisten && pfad.endsWith("gesperrt") ? EACCES : 0;
    });
    QString text;
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "Verschobene Bilder suchen").Modal(NachrichtOk(&text));
        Klick(*form, "BilderDieNichtMehrVorhandenSindAustragen1Click");
    }
    BildDateiHakenSetzen({});
    std::vector<bool> weg;
    for (const auto& satz : Lesen())
        weg.push_back(satz.Geloescht);
    EXPECT_EQ(weg, (std::vector<bool>{false, true, false, false, false, false}));
    EXPECT_EQ(text.toStdString(), "1 Einträge gelöscht, 3 Einträge behalten (Datenträger nicht im Zugriff), "
                                  "1 Einträge ohne Datenträgerkennung behalten");
}

// The USB disk is pulled while the run tests the second missing picture:
// the run stops with a message naming the disk, and no entry after it goes.
TEST_F(MaintenanceFilesTest, RemovalStopsWhenTheMediumGoesAway)
{
    const auto platte = dir / "usb";
    std::filesystem::create_directories(platte / "a");
    Laufwerke({{"C", "/", "HD", "SYSTEM", "0000ABCD"}, {"U", platte.string(), "HD", "USB", "00000777"}});
    std::vector<TTestEintrag> e;
    for (int i = 1; i <= 5; ++i)
        e.push_back(Eintrag(QString("U:\\a\\weg%1.jpg").arg(i)));
    AlbumAnlegen("TEST.DBF", e);
    for (uint32_t n = 1; n <= 5; ++n) {
        Setzen(n, "LABEL", "USB");
        Setzen(n, "LABELKENNU", "1911");
    }
    Oeffnen();
    auto pruefungen = std::make_shared<int>(0);
    BildDateiHakenSetzen([pruefungen](TBildDateiOp op, const QString&) {
        if (op == TBildDateiOp::Pruefen && ++*pruefungen == 2)
            Laufwerke({{"C", "/", "HD", "SYSTEM", "0000ABCD"}});
        return 0;
    });
    QString text;
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "Verschobene Bilder suchen")
            .Answer(TPromptKind::Message, mrOk, "Funktion abgebrochen! Der Datenträger \"USB\" (1911)")
            .Modal(NachrichtOk(&text));
        Klick(*form, "BilderDieNichtMehrVorhandenSindAustragen1Click");
        EXPECT_EQ(script.Pending(), 0u);
    }
    BildDateiHakenSetzen({});
    std::vector<bool> weg;
    for (const auto& satz : Lesen())
        weg.push_back(satz.Geloescht);
    EXPECT_EQ(weg, (std::vector<bool>{true, false, false, false, false}));
    EXPECT_EQ(text.toStdString(), "1 Einträge gelöscht, 1 Einträge behalten (Datenträger nicht im Zugriff)");
}

// ---------------------------------------------------------------------------
// Sizes, equal sizes and duplicates
// ---------------------------------------------------------------------------

TEST_F(MaintenanceFilesTest, RemeasureWritesSizesShortNamesAndTheMedium)
{
    auto a = Eintrag(Bild("platte/a.jpg", 120));
    a.Bytes = 120;
    auto b = Eintrag("D:\\a\\s.jpg");
    lxtest::WriteFile(dir / "stick/a/s.jpg", std::string(77, 'y'));
    b.Bytes = 10;
    AlbumAnlegen("TEST.DBF", {a, b, Eintrag(Win(dir / "nicht.jpg"))});
    Oeffnen();
    QString text;
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "Bildergrößen neu ermittelt")
            .Answer(TPromptKind::Dialog, mrYes, "Datenträgerkennungen")
            .Modal(NachrichtOk(&text));
        Klick(*form, "GroessedereingetragenenBilderneuermitteln1Click");
    }
    EXPECT_EQ(text.toStdString(),
              "1 eingetragene Bilder nicht gefunden (nicht im Zugriff), bei 1 Einträgen hatten sich die Bildergrößen "
              "(in Bytes) geändert und wurden neu ins Fotoalbum eingetragen!");
    const auto s = Lesen();
    EXPECT_EQ(s[1]["BYTES"], "77");
    EXPECT_EQ(s[1]["LABEL"], "STICK");
    EXPECT_EQ(s[1]["LABELKENNU"], "305441741");
    EXPECT_EQ(s[1]["SHORTNAME"], StringToCRC32("D:\\a\\s.jpg").toStdString());
    EXPECT_EQ(s[2]["BYTES"], "1000");  // missing: unchanged

    // Everything in order now: the message of no differences.
    form->ProgrammOptionen()->CheckBoxAlleMeldungen = true;
    std::filesystem::remove(dir / "nicht.jpg");
    Setzen(3, "PFAD", Win(dir / "platte/a.jpg").toStdString());
    Setzen(3, "BYTES", "120");
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes).Answer(TPromptKind::Dialog, mrNo).Modal(NachrichtOk(&text));
        Klick(*form, "GroessedereingetragenenBilderneuermitteln1Click");
    }
    EXPECT_EQ(text.toStdString(), "Es sind keine Unstimmigkeiten in den Bildergrößen aufgetreten!");
}

TEST_F(MaintenanceFilesTest, EqualSizesShowOnlyTheEntriesOfEqualSize)
{
    auto e = std::vector<TTestEintrag>{Eintrag("C:\\x\\a.jpg"), Eintrag("C:\\x\\b.jpg"), Eintrag("C:\\x\\c.jpg")};
    e[0].Bytes = 100;
    e[1].Bytes = 100;
    e[2].Bytes = 200;
    AlbumAnlegen("TEST.DBF", e);
    Oeffnen();
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "auf gleicher Größe");
        Klick(*form, "BildermitgleicherGroesseermitteln1Click");
    }
    EXPECT_EQ(form->DbeBilder->QueryRecCount(), 2u);
    std::vector<uint32_t> gezeigt;
    form->DbeBilder->SetOrder(0);
    for (form->DbeBilder->GoTop(); !form->DbeBilder->Eof(); form->DbeBilder->Skip(1))
        gezeigt.push_back(form->DbeBilder->RecNo());
    EXPECT_EQ(gezeigt, (std::vector<uint32_t>{1, 2}));
}

TEST_F(MaintenanceFilesTest, DuplicatesNeedTheSameSizeAndTheSameNameInItsCase)
{
    auto e = std::vector<TTestEintrag>{Eintrag("C:\\x\\bild.jpg"), Eintrag("C:\\y\\bild.jpg"),
                                       Eintrag("C:\\z\\BILD.jpg"), Eintrag("C:\\z\\andere.jpg")};
    for (auto& t : e)
        t.Bytes = 500;
    AlbumAnlegen("TEST.DBF", e);
    Oeffnen();
    QString text;
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "gleichen Dateinamen")
            .Answer(TPromptKind::Dialog, mrNo, "überschüssigen")
            .Modal(NachrichtOk(&text));
        Klick(*form, "DoppelteBilder1Click");
    }
    EXPECT_EQ(text.toStdString(), "2 doppelte Bilder gefunden!");
    EXPECT_EQ(form->DbeBilder->QueryRecCount(), 2u);
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes).Answer(TPromptKind::Dialog, mrYes).Modal(NachrichtOk(&text));
        Klick(*form, "DoppelteBilder1Click");
    }
    EXPECT_EQ(text.toStdString(), "1 doppelte Bilder gefunden!");
    form->DbeBilder->GoTop();
    EXPECT_EQ(form->DbeBilder->QueryRecCount(), 1u);
    EXPECT_EQ(form->DbeBilder->RecNo(), 2u);
    Setzen(2, "BYTES", "501");
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes).Answer(TPromptKind::Dialog, mrNo).Modal(NachrichtOk(&text));
        Klick(*form, "DoppelteBilder1Click");
    }
    EXPECT_EQ(text.toStdString(), "Keine doppelten Bilder gefunden!");
    EXPECT_EQ(form->DbeBilder->QueryRecCount(), 0u);
}

// ---------------------------------------------------------------------------
// Renames
// ---------------------------------------------------------------------------

TEST_F(MaintenanceFilesTest, SingleRenameRefusesBadNamesAndWritesPathAndShortName)
{
    const QString alt = Bild("platte/alt.jpg");
    Bild("platte/belegt.jpg");
    AlbumAnlegen("TEST.DBF", {Eintrag(alt)});
    Oeffnen();
    TPromptScript script;
    script.Answer(TPromptKind::Input, mrCancel).Answer(TPromptKind::Message, mrOk, "Abgebrochen!");
    Klick(*form, "Bildumbenennen1Click");
    for (const char* schlecht : {"", "../weg.jpg", "unter\\x.jpg", ".."}) {
        script.AnswerValue(schlecht == std::string() ? " " : schlecht).Answer(TPromptKind::Message, mrOk, "Ungültiger Dateiname");
        Klick(*form, "Bildumbenennen1Click");
    }
    script.AnswerValue("belegt.jpg").Answer(TPromptKind::Message, mrOk, "Diese Datei existiert bereits");
    Klick(*form, "Bildumbenennen1Click");
    EXPECT_TRUE(std::filesystem::exists(dir / "platte/alt.jpg"));
    script.AnswerValue("Neu.jpg");
    Klick(*form, "Bildumbenennen1Click");
    EXPECT_EQ(script.Pending(), 0u);
    EXPECT_FALSE(std::filesystem::exists(dir / "platte/alt.jpg"));
    EXPECT_TRUE(std::filesystem::exists(dir / "platte/Neu.jpg"));
    const auto s = Lesen();
    EXPECT_EQ(s[0]["PFAD"], Win(dir / "platte/Neu.jpg").toStdString());
    EXPECT_EQ(s[0]["SHORTNAME"], StringToCRC32(Win(dir / "platte/Neu.jpg")).toStdString());
}

// The stick in D: holds a file of the name an entry of another medium
// names: neither rename touches it, the single one names the medium.
TEST_F(MaintenanceFilesTest, RenamesLeaveTheFilesOfAnotherMediumAlone)
{
    lxtest::WriteFile(dir / "stick/a/IMG_0001.JPG", "x");
    AlbumAnlegen("TEST.DBF", {Eintrag("D:\\a\\IMG_0001.JPG")});
    Setzen(1, "LABEL", "URLAUB");
    Setzen(1, "LABELKENNU", "-5");
    Oeffnen();
    TPromptScript script;
    script.Answer(TPromptKind::Message, mrOk, "Der Datenträger \"URLAUB\" (-5)");
    Klick(*form, "Bildumbenennen1Click");
    form->Einstellungen().Setzen("DateTimeFileName", false);
    script.Answer(TPromptKind::Dialog, mrYes, "umbenannt, fortfahren?");
    Klick(*form, "AngezeigteBilderumbenennen1Click");
    EXPECT_EQ(script.Pending(), 0u);
    EXPECT_TRUE(std::filesystem::exists(dir / "stick/a/IMG_0001.JPG"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "stick/a"), {}), 1);
    EXPECT_EQ(Lesen()[0]["PFAD"], "D:\\a\\IMG_0001.JPG");
}

TEST_F(MaintenanceFilesTest, RenameByDateTwiceRenamesNothingTheSecondTime)
{
    const QString a = Bild("platte/urlaub.jpg");
    const QString b = Bild("platte/zweites.png");
    const auto zeit = std::filesystem::file_time_type::clock::now();
    (void)zeit;
    // 31 May 2006, 14:22:05 local time.
    Run("touch -m -d '2006-05-31 14:22:05' " + (dir / "platte/urlaub.jpg").string());
    Run("touch -m -d '2006-05-31 14:22:06' " + (dir / "platte/zweites.png").string());
    AlbumAnlegen("TEST.DBF", {Eintrag(a), Eintrag(b)});
    Oeffnen();
    form->Einstellungen().Setzen("DateTimeFileName", true);
    form->Einstellungen().Setzen("IncNrFileName", false);
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "umbenannt, fortfahren?");
        Klick(*form, "AngezeigteBilderumbenennen1Click");
    }
    const auto s = Lesen();
    const std::string neu = Win(dir / "platte/31.05.2006 14.22.05.JPG").toStdString();
    EXPECT_EQ(s[0]["PFAD"], neu);
    EXPECT_EQ(s[0]["SHORTNAME"], StringToCRC32(QString::fromStdString(neu)).toStdString());
    EXPECT_TRUE(std::filesystem::exists(dir / "platte/31.05.2006 14.22.05.JPG"));
    EXPECT_TRUE(std::filesystem::exists(dir / "platte/31.05.2006 14.22.06.PNG"));
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "umbenannt, fortfahren?");
        Klick(*form, "AngezeigteBilderumbenennen1Click");
    }
    EXPECT_EQ(Lesen(), s);
}

TEST_F(MaintenanceFilesTest, MultiRenameRefusesTheOrderByPath)
{
    AlbumAnlegen("TEST.DBF", {Eintrag(Bild("platte/a.jpg"))});
    Oeffnen();
    // An album with a tag by path (as an album of the target layout has).
    ASSERT_GT(form->DbeBilder->IndexTag(QString(), "PFAD", "Upper(Left(Pfad,160))", 0, 0, ".not. deleted()"), 0);
    ASSERT_EQ(form->DbeBilder->TagName(form->DbeBilder->IndexOrd()).toUpper(), "PFAD");
    TPromptScript script;
    script.Answer(TPromptKind::Dialog, mrYes)
        .Answer(TPromptKind::Message, mrOk, "Für diese Funktion darf nicht nach Dateinamen/Pfad gefiltert sein!");
    Klick(*form, "AngezeigteBilderumbenennen1Click");
    EXPECT_TRUE(std::filesystem::exists(dir / "platte/a.jpg"));
}

// ---------------------------------------------------------------------------
// Moved pictures
// ---------------------------------------------------------------------------

TEST_F(MaintenanceFilesTest, GetFileNameFindsTheMediumUnderAnotherLetter)
{
    lxtest::WriteFile(dir / "cd/fotos/c.jpg", "x");
    EXPECT_EQ(form->GetFileName("FOTOS", "12648430", "D:\\fotos\\c.jpg").toStdString(), "e:\\fotos\\c.jpg");
    TPromptScript script;
    script.Answer(TPromptKind::Box, IDCANCEL, "Bitte legen sie Datenträger \"Unknown\" ein");
    EXPECT_EQ(form->GetFileName(" ", "777", "F:\\x.jpg").toStdString(), "F:\\x.jpg");
    // The medium is there but not the file: the stored path, no question.
    EXPECT_EQ(form->GetFileName("FOTOS", "12648430", "D:\\fehlt.jpg").toStdString(), "D:\\fehlt.jpg");
}

TEST_F(MaintenanceFilesTest, MovedPicturesAreFoundInAnotherFolderAndOnAnotherMedium)
{
    // The file search stops at once in an application that was told to end,
    // as an earlier test of the same process may have done.
    Application->ClearTerminated();
    // a.jpg moved to another folder of the hard disk, b.jpg from the stick
    // to the CD, c.jpg in place on its medium, d.jpg nowhere.
    lxtest::WriteFile(dir / "platte/neu/tief/Gross.JPG", "x");
    lxtest::WriteFile(dir / "cd/archiv/b.jpg", "x");
    const QString c = Bild("platte/c.jpg");
    auto ea = Eintrag(Win(dir / "platte/alt/Gross.JPG"));
    ea.Bytes = 0;
    auto eb = Eintrag("D:\\b.jpg");
    eb.Bytes = 0;
    auto ec = Eintrag(c);
    ec.Bytes = 0;
    auto ed = Eintrag(Win(dir / "platte/d.jpg"));
    ed.Bytes = 0;
    AlbumAnlegen("TEST.DBF", {ea, eb, ec, ed});
    const std::string platte = qktGetVolumeId("C").toStdString();
    Setzen(1, "LABELKENNU", platte);
    Setzen(2, "LABELKENNU", "305441741");
    Setzen(3, "LABELKENNU", platte);
    Setzen(4, "LABELKENNU", platte);
    Oeffnen();
    form->Dienste().Lauf().ErstStartSetzen(false);
    const QString plattenOrdner = Win(dir / "platte").mid(2) + "\\";
    std::vector<QString> texte;
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "auf vorhandensein geprüft")
            .Modal<TSearchMissedFilesForm>([&](TSearchMissedFilesForm& f) {
                for (QChar l : {QChar('C'), QChar('E')})
                    f.CheckBox(l)->SetChecked(true);
                f.EditPfad('C')->SetText(plattenOrdner);
                f.EditPfad('E')->SetText("\\");
                f.BitBtn1Click(nullptr);
            })
            .Modal([&](TCustomForm& f) {
                texte.push_back(dynamic_cast<TMSGDLGForm&>(f).Label1->Caption());
                f.ModalResult = mrOk;
            })
            .Modal([&](TCustomForm& f) {
                texte.push_back(dynamic_cast<TMSGDLGForm&>(f).Label1->Caption());
                f.ModalResult = mrOk;
            });
        form->VerschobeneBilderSuchen();
    }
    ASSERT_EQ(texte.size(), 2u) << (texte.empty() ? std::string() : texte[0].toStdString());
    EXPECT_EQ(texte[0].toStdString(), "2 Einträge mit neuer Pfadangabe (Bild-Speicherort) gespeichert!");
    EXPECT_EQ(texte[1].toStdString(), "1 Satz/Sätze nicht mehr unter alte Pfadangabe (Bild-Speicherort) wiedergefunden!");
    const auto s = Lesen();
    const std::string neuA = Win(dir / "platte/neu/tief/Gross.JPG").toStdString();
    EXPECT_EQ(s[0]["PFAD"], neuA);  // as found, real case
    EXPECT_EQ(s[0]["SHORTNAME"], StringToCRC32(QString::fromStdString(neuA)).toStdString());
    EXPECT_EQ(s[1]["PFAD"], "E:\\archiv\\b.jpg");
    EXPECT_EQ(s[1]["LABEL"], "FOTOS");
    EXPECT_EQ(s[1]["LABELKENNU"], "12648430");
    EXPECT_EQ(s[2]["PFAD"], c.toStdString());
    EXPECT_EQ(s[3]["PFAD"], Win(dir / "platte/d.jpg").toStdString());
}

// A moved picture is relinked only to a file of its size: two files of the
// same name and size leave the entry as it was (logged with the old path),
// a file of another size is not the picture.
TEST_F(MaintenanceFilesTest, MovedPicturesAreRelinkedOnlyToAFileOfTheirSize)
{
    Application->ClearTerminated();
    lxtest::WriteFile(dir / "platte/neu1/a.jpg", "fuenf");
    lxtest::WriteFile(dir / "platte/neu2/a.jpg", "FUENF");
    lxtest::WriteFile(dir / "platte/neu1/b.jpg", "sieben!");
    lxtest::WriteFile(dir / "platte/neu1/c.jpg", "neun....!");
    lxtest::WriteFile(dir / "platte/neu2/c.jpg", "vier");
    auto ea = Eintrag(Win(dir / "platte/alt/a.jpg"));
    ea.Bytes = 5;
    auto eb = Eintrag(Win(dir / "platte/alt/b.jpg"));
    eb.Bytes = 3;
    auto ec = Eintrag(Win(dir / "platte/alt/c.jpg"));
    ec.Bytes = 4;
    // The right size, but the entry's file was of another day.
    lxtest::WriteFile(dir / "platte/neu1/d.jpg", "vier");
    auto ed = Eintrag(Win(dir / "platte/alt/d.jpg"));
    ed.Bytes = 4;
    AlbumAnlegen("TEST.DBF", {ea, eb, ec, ed});
    const std::string platte = qktGetVolumeId("C").toStdString();
    for (uint32_t n = 1; n <= 4; ++n)
        Setzen(n, "LABELKENNU", platte);
    Setzen(4, "FILEDATE", "20000101");
    Oeffnen();
    form->ProgrammOptionen()->CheckBoxProtokollieren = true;
    form->Dienste().Lauf().ErstStartSetzen(false);
    std::vector<QString> texte;
    const auto notiz = [&](TCustomForm& f) {
        texte.push_back(dynamic_cast<TMSGDLGForm&>(f).Label1->Caption());
        f.ModalResult = mrOk;
    };
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "auf vorhandensein geprüft")
            .Modal<TSearchMissedFilesForm>([&](TSearchMissedFilesForm& f) {
                f.CheckBox('C')->SetChecked(true);
                f.EditPfad('C')->SetText(Win(dir / "platte").mid(2) + "\\");
                f.BitBtn1Click(nullptr);
            })
            .Modal(notiz)
            .Modal(notiz)
            .Modal(notiz);
        form->VerschobeneBilderSuchen();
    }
    ASSERT_EQ(texte.size(), 3u);
    EXPECT_EQ(texte[0].toStdString(), "1 Einträge mit neuer Pfadangabe (Bild-Speicherort) gespeichert!");
    EXPECT_EQ(texte[1].toStdString(), "2 Satz/Sätze nicht mehr unter alte Pfadangabe (Bild-Speicherort) wiedergefunden!");
    EXPECT_TRUE(texte[2].startsWith("1 Einträge übersprungen, es wurden jeweils mehrere passende Bilder")) << texte[2].toStdString();
    const auto s = Lesen();
    EXPECT_EQ(s[0]["PFAD"], Win(dir / "platte/alt/a.jpg").toStdString());
    EXPECT_EQ(s[1]["PFAD"], Win(dir / "platte/alt/b.jpg").toStdString());
    EXPECT_EQ(s[2]["PFAD"], Win(dir / "platte/neu2/c.jpg").toStdString());
    EXPECT_EQ(s[3]["PFAD"], Win(dir / "platte/alt/d.jpg").toStdString());
    // The action log names the old path of the skipped entry.
    QFile log(*WinToLinux(form->Dienste().Lauf().ProgrammPfad() + "LXLog.DBF"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains(Win(dir / "platte/alt/a.jpg").toLatin1() + " \xfc" "bersprungen"));
}

// A moved picture found under a folder whose name Windows-1252 cannot hold
// is not relinked (the album could not store the path): the entry keeps its
// old path and counts as not found, the skip is logged, and the window's
// file finder still reports to the window afterwards.
TEST_F(MaintenanceFilesTest, AMovedPictureAtAPathTheAlbumCannotHoldIsSkipped)
{
    Application->ClearTerminated();
    lxtest::WriteFile(dir / "platte/neu\u03a9/a.jpg", "x");
    auto ea = Eintrag(Win(dir / "platte/alt/a.jpg"));
    ea.Bytes = 0;
    AlbumAnlegen("TEST.DBF", {ea});
    Setzen(1, "LABELKENNU", qktGetVolumeId("C").toStdString());
    Oeffnen();
    form->ProgrammOptionen()->CheckBoxProtokollieren = true;
    form->Dienste().Lauf().ErstStartSetzen(false);
    std::vector<QString> texte;
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "auf vorhandensein geprüft")
            .Modal<TSearchMissedFilesForm>([&](TSearchMissedFilesForm& f) {
                f.CheckBox('C')->SetChecked(true);
                f.EditPfad('C')->SetText(Win(dir / "platte").mid(2) + "\\");
                f.BitBtn1Click(nullptr);
            })
            .Modal([&](TCustomForm& f) {
                texte.push_back(dynamic_cast<TMSGDLGForm&>(f).Label1->Caption());
                f.ModalResult = mrOk;
            });
        EXPECT_NO_THROW(form->VerschobeneBilderSuchen());
    }
    ASSERT_EQ(texte.size(), 1u);
    EXPECT_EQ(texte[0].toStdString(), "1 Satz/Sätze nicht mehr unter alte Pfadangabe (Bild-Speicherort) wiedergefunden!");
    EXPECT_EQ(Lesen()[0]["PFAD"], Win(dir / "platte/alt/a.jpg").toStdString());
    QFile log(*WinToLinux(form->Dienste().Lauf().ProgrammPfad() + "LXLog.DBF"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("VBP1Click(), Pfad nicht speicherbar, \xfc" "bersprungen: C:"));

    // The window's finder reports its finds to the window as before.
    lxtest::WriteFile(dir / "suche/ALBUM.DBF", "x");
    form->LetzteGefundeneDateiLeeren();
    form->QKFind1->SetStartPath(Win(dir / "suche") + "\\");
    form->QKFind1->SetFilePattern("ALBUM.DBF");
    form->QKFind1->Subdirs = true;
    form->QKFind1->Execute();
    EXPECT_TRUE(form->LetzteGefundeneDatei().endsWith("ALBUM.DBF")) << form->LetzteGefundeneDatei().toStdString();
}

// ---------------------------------------------------------------------------
// Counting
// ---------------------------------------------------------------------------

TEST_F(MaintenanceFilesTest, CountReportsWhatACopyWouldCopy)
{
    AlbumAnlegen("TEST.DBF", {});
    Oeffnen();
    form->Einstellungen().Setzen("SourcePfad", Win(dir / "quelle") + "\\");
    form->Einstellungen().Setzen("SourceFileNames", "");
    form->Einstellungen().Setzen("SourceFileSuffix", "JPG");
    form->Einstellungen().Setzen("InklusiveSubDirs", false);
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrNo, "spezielle Einstellungen").Modal([](TCustomForm& f) {
            EXPECT_TRUE(dynamic_cast<TMSGDLGForm&>(f).Label1->Caption().endsWith(
                " ist kein gültiges Quellverzeichnis, Funktion wird nicht durchgeführt!"));
            f.ModalResult = mrOk;
        });
        Klick(*form, "Bilderzaehlen1Click");
    }
    std::filesystem::create_directories(dir / "quelle");
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrNo).Answer(TPromptKind::Message, mrOk, "0 Bilder würden kopiert!");
        Klick(*form, "Bilderzaehlen1Click");
    }
    lxtest::WriteFile(dir / "quelle/eins.jpg", "x");
    lxtest::WriteFile(dir / "quelle/text.txt", "x");
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrNo).Answer(TPromptKind::Message, mrOk, "1 Bild(er) würden kopiert!");
        Klick(*form, "Bilderzaehlen1Click");
        EXPECT_EQ(script.Pending(), 0u);
    }
}
