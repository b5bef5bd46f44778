// The maintenance commands that look at the picture files: availability
// (ZUGRIFF), the size check of the current entry and the removal of entries
// whose pictures are gone, over pictures on fake drives.
#include "maintenance_fixture.h"

#include "platform/core/file_utils.h"
#include "platform/data/field.h"

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
            lxtest::WriteFile(dir / "stick" / (i < 3 ? "a" : "b") / ("s" + std::to_string(i) + ".jpg"), "x");
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
    BeiSchreiben(2, [this] { form->Abbruch = true; });
    {
        TPromptScript script;
        script.Answer(TPromptKind::Message, mrOk, "ESC gedrückt, Funktion abgebrochen!");
        Klick(*form, "WelcheBildersindverfuegbarClick");
    }
    const auto s = Lesen();
    EXPECT_EQ(s[0]["ZUGRIFF"], "T");
    EXPECT_EQ(s[7]["ZUGRIFF"], "T");  // not tested, not marked unreachable
    EXPECT_FALSE(form->Abbruch);
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

TEST_F(MaintenanceFilesTest, RemovalDeletesOnlyEntriesWhoseMediumIsPresent)
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
    EXPECT_EQ(weg, (std::vector<bool>{false, false, false, false, false, false, false, true, false, true, false, true,
                                      false, true}));
    EXPECT_EQ(text.toStdString(), "3 Einträge gelöscht, 1 Einträge behalten (Datenträger nicht im Zugriff)");
    EXPECT_EQ(form->DbeBilder->DBFilter(), "");
}
