// The bulk maintenance commands over albums made through the engine: the
// marks, the field replacement, delete all, recall all, pack with the
// short-name repair, and the command frame around them.
#include "maintenance_fixture.h"

#include "platform/data/field.h"
#include "platform/ui/menus.h"
#include "shared/short_name.h"

#include <QTest>
#include <QTimer>

namespace {

std::vector<TTestEintrag> Eintraege(int anzahl)
{
    std::vector<TTestEintrag> e;
    for (int n = 1; n <= anzahl; ++n) {
        TTestEintrag t{(n % 4 == 0 ? "vier" : "eintrag") + std::to_string(n)};
        t.Pfad = "C:\\Bilder\\bild" + std::to_string(n) + ".jpg";
        t.Markiert = n % 3 == 0;
        e.push_back(t);
    }
    return e;
}

void Klick(TMainForm& f, const char* handler) { f.Handler(handler)(nullptr); }

}  // namespace

TEST_F(MaintenanceTest, MaintenanceCommandsAreBoundToTheirHandlers)
{
    for (const char* h : {"AlleAngezeigtenBilderMarkieren2Click", "AlleHTMLMarkierungenEntfernenClick",
                          "BileSerieErsetzen1Click", "BilderDBFpacken1Click", "AlleBilderSaetzeZurueckholen1Click",
                          "WelcheBildersindverfuegbarClick", "BilderDieNichtMehrVorhandenSindAustragen1Click"})
        EXPECT_TRUE(form->HandlerVorhanden(h)) << h;
}

TEST_F(MaintenanceTest, CommandsWithoutAnOpenAlbumOnlySayIt)
{
    TPromptScript script;
    for (int i = 0; i < 3; ++i)
        script.Modal(NachrichtOk());
    Klick(*form, "AlleAngezeigtenBilderMarkieren2Click");
    Klick(*form, "BilderDBFpacken1Click");
    Klick(*form, "WelcheBildersindverfuegbarClick");
    EXPECT_EQ(script.Pending(), 0u);
}

TEST_F(MaintenanceTest, MarkAllShownMarksExactlyTheFilteredEntries)
{
    AlbumAnlegen("TEST.DBF", Eintraege(12));
    Oeffnen();
    form->DbeBilder->Query("'vier' $ SHORTDESC");
    ASSERT_EQ(form->DbeBilder->QueryRecCount(), 3u);
    form->ProgrammOptionen()->CheckBoxAlleMeldungen = true;
    form->ProgrammOptionen()->CheckBoxBearbeitungszeitAnzeigen = false;
    QString text;
    {
        TPromptScript script;
        script.Modal(NachrichtOk(&text));
        Klick(*form, "AlleAngezeigtenCDRMarkierungenSetzenClick");
    }
    EXPECT_EQ(text.toStdString(), "Fertig !");
    const auto s = Lesen();
    for (size_t i = 0; i < s.size(); ++i)
        EXPECT_EQ(s[i]["ANYWHERE"], (i + 1) % 4 == 0 ? "T" : "F") << i + 1;
    EXPECT_EQ(form->DbeBilder->DBFilter(), "'vier' $ SHORTDESC");
    EXPECT_FALSE(form->Wartung().Aktiv());
}

TEST_F(MaintenanceTest, MarkToTheEndFromTheThirdLastMarksTheLastThree)
{
    AlbumAnlegen("TEST.DBF", Eintraege(8));
    Oeffnen();
    form->DbeBilder->SetOrder(0);
    form->DbeBilder->Go(6);
    Klick(*form, "HTMLMarkierungbisDatenbankendeSetzenClick");
    const auto s = Lesen();
    for (size_t i = 0; i < s.size(); ++i)
        EXPECT_EQ(s[i]["PRIVAT"], i >= 5 ? "T" : "F") << i + 1;
    EXPECT_EQ(form->DbeBilder->RecNo(), 6u);
}

TEST_F(MaintenanceTest, ClearMarksReachesEveryMarkAndGivesTheWholeFilterBack)
{
    AlbumAnlegen("TEST.DBF", Eintraege(12));
    Oeffnen();
    const QString filter = "'eintrag' $ SHORTDESC .and. .not. 'nichts davon' $ SHORTDESC .and. BYTES > 0";
    ASSERT_GT(filter.length(), 45);
    form->DbeBilder->Query(filter);
    Klick(*form, "BilderMarkierungenEntfernen2Click");
    for (const auto& s : Lesen())
        EXPECT_EQ(s["MARKIERT"], "F") << s["PFAD"];
    EXPECT_EQ(form->DbeBilder->DBFilter(), filter);

    form->DbeBilder->Query(".not. deleted()");
    Klick(*form, "BilderMarkierungenEntfernen2Click");
    EXPECT_EQ(form->DbeBilder->DBFilter(), "");
}

TEST_F(MaintenanceTest, EscStopsTheLoopAndTheNextCommandRunsAgain)
{
    AlbumAnlegen("TEST.DBF", Eintraege(10));
    Oeffnen();
    form->ProgrammOptionen()->CheckBoxBearbeitungszeitAnzeigen = true;
    BeiSchreiben(4, [this] { form->Dienste().Lauf().AbbruchSetzen(true); });
    QString zeit;
    {
        TPromptScript script;
        script.Answer(TPromptKind::Message, mrOk, "ESC gedrückt, abgebrochen!").Modal(NachrichtOk(&zeit));
        Klick(*form, "AlleAngezeigtenBilderMarkieren2Click");
    }
    EXPECT_TRUE(zeit.startsWith("Bearbeitungszeit = ")) << zeit.toStdString();
    EXPECT_FALSE(form->Dienste().Lauf().AbbruchGedrueckt());
    const auto s = Lesen();
    int markiert = 0;
    for (const auto& e : s)
        markiert += e["MARKIERT"] == "T";
    // The first entries are marked, the rest keep their old marks.
    EXPECT_EQ(s[0]["MARKIERT"], "T");
    EXPECT_EQ(s[8]["MARKIERT"], "T");  // marked before
    EXPECT_EQ(s[9]["MARKIERT"], "F");
    EXPECT_LT(markiert, 10);
    dbf::SetIoFaultHook({});
    {
        TPromptScript script;
        script.Modal(NachrichtOk());
        Klick(*form, "AlleAngezeigtenBilderMarkieren2Click");
    }
    for (const auto& e : Lesen())
        EXPECT_EQ(e["MARKIERT"], "T");
}

TEST_F(MaintenanceTest, ReplacementWritesTheShownEntriesAndTheFullTextFollows)
{
    AlbumAnlegen("TEST.DBF", Eintraege(20));
    Oeffnen();
    form->DbeBilder->Query("'vier' $ SHORTDESC");
    ASSERT_EQ(form->DbeBilder->QueryRecCount(), 5u);
    form->TableBilder->First();
    form->TableBilder->Edit();
    form->TableBilder->FieldByName("SERIE")->SetAsString("Urlaub");
    form->TableBilder->Post();
    Klick(*form, "BileSerieErsetzen1Click");
    const auto s = Lesen();
    for (size_t i = 0; i < s.size(); ++i)
        EXPECT_EQ(s[i]["SERIE"], (i + 1) % 4 == 0 ? "Urlaub" : "") << i + 1;
    EXPECT_EQ(Treffer("Urlaub"), (std::vector<int>{4, 8, 12, 16, 20}));
    EXPECT_EQ(form->DbeBilder->QueryRecCount(), 5u);

    // A logical field copies the current entry's state: a cleared CD-R mark
    // clears it in every shown entry.
    form->DbeBilder->Query(QString());
    for (uint32_t n = 1; n <= 20; ++n)
        Setzen(n, "ANYWHERE", n == 1 ? "F" : "T");
    form->TableBilder->Refresh();
    form->DbeBilder->SetOrder(0);
    form->DbeBilder->Go(1);
    Klick(*form, "BildOeffentlichErsetzen1Click");
    for (const auto& e : Lesen())
        EXPECT_EQ(e["ANYWHERE"], "F");
}

TEST_F(MaintenanceTest, AnEmptyValueAsksFirst)
{
    AlbumAnlegen("TEST.DBF", Eintraege(3));
    Oeffnen();
    for (uint32_t n = 1; n <= 3; ++n)
        Setzen(n, "SERIE", "alt");
    form->TableBilder->Refresh();
    form->DbeBilder->SetOrder(0);
    form->DbeBilder->Go(1);
    Setzen(1, "SERIE", "");
    form->TableBilder->Refresh();
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrNo, "Keine Eingabe vorhanden");
        Klick(*form, "BileSerieErsetzen1Click");
    }
    EXPECT_EQ(Lesen()[2]["SERIE"], "alt");
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "Keine Eingabe vorhanden");
        Klick(*form, "BileSerieErsetzen1Click");
    }
    for (const auto& e : Lesen())
        EXPECT_EQ(e["SERIE"], "");
}

TEST_F(MaintenanceTest, DeleteAllOnAnEmptyAlbumAsksNothing)
{
    AlbumAnlegen("TEST.DBF", {});
    Oeffnen();
    TPromptScript script;
    script.Answer(TPromptKind::Message, mrOk, "Es sind keine Einträge zum Löschen in dem Fotoalbum vorhanden!");
    Klick(*form, "AlleBilderSaetzeLoeschen1Click");
    EXPECT_EQ(script.Pending(), 0u);
}

TEST_F(MaintenanceTest, DeleteAllEmptiesAlbumAndFullTextButKeepsThePictures)
{
    auto e = Eintraege(6);
    e[0].Pfad = Bild("bilder/a.jpg").toStdString();
    AlbumAnlegen("TEST.DBF", e);
    lxtest::WriteFile(dir / "TEST.GPR", "Gruppe\r\n");
    Oeffnen();
    form->ProgrammOptionen()->CheckBoxAlleMeldungen = true;
    QString text;
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "ohne Rückholmöglichkeit").Modal(NachrichtOk(&text));
        Klick(*form, "AlleBilderSaetzeLoeschen1Click");
    }
    EXPECT_EQ(text.toStdString(), "Es wurden alle Einträge gelöscht !");
    EXPECT_TRUE(Lesen().empty());
    EXPECT_TRUE(form->TableBilder->Active());
    EXPECT_EQ(form->FtsBilder->NumRecs(), 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "bilder/a.jpg"));
    EXPECT_TRUE(std::filesystem::exists(dir / "TEST.GPR"));
}

TEST_F(MaintenanceTest, RecallAllReachesEveryDeletedEntryAndLeavesNoFilter)
{
    auto e = Eintraege(8);
    e[1].Geloescht = e[4].Geloescht = e[6].Geloescht = true;
    AlbumAnlegen("TEST.DBF", e);
    Oeffnen();
    form->DbeBilder->Query("'vier' $ SHORTDESC");
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "wieder sichtbar machen");
        Klick(*form, "AlleBilderSaetzeZurueckholen1Click");
    }
    for (const auto& s : Lesen())
        EXPECT_FALSE(s.Geloescht) << s["PFAD"];
    EXPECT_EQ(form->DbeBilder->DBFilter(), "");
    EXPECT_EQ(form->DbeBilder->QueryRecCount(), 8u);
}

// The end of the session (SIGTERM) arrives while a command lets messages
// through: the command stops as Esc stops it, finishes with its tables
// open, and the program ends after it has returned.
TEST_F(MaintenanceTest, AnEndAskedForDuringACommandFollowsTheCommand)
{
    auto e = Eintraege(8);
    e[1].Geloescht = e[4].Geloescht = true;
    AlbumAnlegen("TEST.DBF", e);
    Oeffnen();
    QTimer::singleShot(0, form->Handle(), [this] { form->BeendenAnfordern(); });
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "wieder sichtbar machen")
            .Answer(TPromptKind::Message, mrOk, "ESC gedrückt, Funktion abgebrochen!");
        EXPECT_NO_THROW(Klick(*form, "AlleBilderSaetzeZurueckholen1Click"));
        EXPECT_EQ(script.Pending(), 0u);
        EXPECT_FALSE(form->Dienste().Lauf().ProgrammEndet());
        EXPECT_FALSE(form->Dienste().Lauf().AbbruchGedrueckt());
    }
    // The deleted entries are as they were: the recall stopped at once.
    const auto s = Lesen();
    EXPECT_TRUE(s[1].Geloescht);
    EXPECT_TRUE(s[4].Geloescht);
    QString ende;
    {
        TPromptScript script;
        script.Modal(NachrichtOk(&ende));
        Application->ProcessMessages();
    }
    EXPECT_TRUE(ende.startsWith("Sie haben QV-Lumadex ")) << ende.toStdString();
    EXPECT_TRUE(form->Dienste().Lauf().ProgrammEndet());
    EXPECT_FALSE(form->TableBilder->Active());
    Application->ClearTerminated();
}

// The start's tips timer fires while a command lets events through: the
// tips wait until the command has returned.
TEST_F(MaintenanceTest, TheTipsOfTheStartWaitForARunningCommand)
{
    auto e = Eintraege(4);
    e[1].Geloescht = true;
    AlbumAnlegen("TEST.DBF", e);
    Oeffnen();
    bool anWaehrendBefehl = false;
    QTimer::singleShot(0, form->Handle(), [&] {
        form->Timer2->SetInterval(1);
        form->Timer2->SetEnabled(true);
        QTest::qWait(30);
        anWaehrendBefehl = form->Timer2->Enabled();
    });
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "wieder sichtbar machen");
        Klick(*form, "AlleBilderSaetzeZurueckholen1Click");
    }
    EXPECT_TRUE(anWaehrendBefehl) << "the tips timer went off during the command";
    EXPECT_TRUE(form->Timer2->Enabled());
    // After the command the timer's next turn shows the tips (or not, as the
    // user chose) and ends.
    TPromptScript script;
    script.Modal([](TCustomForm& tipps) { tipps.ModalResult = mrOk; });
    QTest::qWait(30);
    EXPECT_FALSE(form->Timer2->Enabled());
}

TEST_F(MaintenanceTest, PackKeepsExactlyTheUndeletedEntriesWithTagsAndFullText)
{
    auto e = Eintraege(9);
    for (int i : {0, 3, 4, 8})
        e[size_t(i)].Geloescht = true;
    for (size_t i = 0; i < e.size(); ++i) {
        e[i].Notiz = "Notiz " + std::to_string(i + 1) + " \xe4";
        e[i].Vorschau = std::string("BM\0\1", 4) + std::to_string(i + 1);
    }
    AlbumAnlegen("TEST.DBF", e);
    for (uint32_t n = 1; n <= 9; ++n)
        Setzen(n, "SHORTNAME", StringToCRC32(QString::fromStdString(e[n - 1].Pfad)).toStdString());
    const char* dump = R"PY(
import sys
from dbfread import DBF
for r in DBF(sys.argv[1], load=False, encoding='cp1252', ignore_missing_memofile=False):
    print(repr(sorted((k, v) for k, v in r.items())))
)PY";
    const std::string vorher = RunScript("/usr/bin/python3", "dump.py", dump, File("TEST.DBF"));
    Oeffnen();
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "Fotoalbum wirklich packen?");
        Klick(*form, "BilderDBFpacken1Click");
    }
    const auto s = Lesen();
    ASSERT_EQ(s.size(), 5u);
    const std::vector<std::string> kept{"eintrag2", "eintrag3", "eintrag6", "eintrag7", "vier8"};
    for (size_t i = 0; i < s.size(); ++i)
        EXPECT_EQ(s[i]["SHORTDESC"], kept[i]);
    // An outside reader sees the kept records whole, memos included, in the
    // same order as dbfread saw the undeleted ones before.
    const std::string nachher = RunScript("/usr/bin/python3", "dump.py", dump, File("TEST.DBF"));
    EXPECT_EQ(nachher, vorher);
    EXPECT_NE(nachher.find("Notiz 8"), std::string::npos);
    // Every tag of the album is there again, and the full text finds only
    // kept entries by their new numbers.
    form->BilderIndexDaten();
    EXPECT_EQ(form->BereichBilder().Tags().Count(), int(kAlbumTagAnzahl));
    EXPECT_EQ(Treffer("vier8"), std::vector<int>{5});
    EXPECT_TRUE(Treffer("eintrag1").empty());
    EXPECT_EQ(form->FtsBilder->NumRecs(), 5);
}

TEST_F(MaintenanceTest, PackRecomputesShortNamesWhenTheFirstIsMissing)
{
    AlbumAnlegen("TEST.DBF", Eintraege(4));
    Oeffnen();
    form->Einstellungen().Setzen("Sicherheitsabfragen", false);
    Klick(*form, "BilderDBFpacken1Click");
    for (const auto& s : Lesen())
        EXPECT_EQ(s["SHORTNAME"], StringToCRC32(QString::fromStdString(s["PFAD"])).toStdString());
    EXPECT_FALSE(form->Wartung().ShortNamenFlag());
}

TEST_F(MaintenanceTest, StaleShortNamesAmongTheFirstElevenAreFound)
{
    AlbumAnlegen("TEST.DBF", Eintraege(3));
    for (uint32_t n = 1; n <= 3; ++n)
        Setzen(n, "SHORTNAME", StringToCRC32("C:\\Bilder\\bild" + QString::number(n) + ".jpg").toStdString());
    Oeffnen();
    form->ShortNamenVorhanden();
    form->GueltigerShortNamenVorhanden();
    EXPECT_FALSE(form->Wartung().ShortNamenFlag());
    Setzen(2, "PFAD", "C:\\Bilder\\umbenannt.jpg");
    form->GueltigerShortNamenVorhanden();
    EXPECT_TRUE(form->Wartung().ShortNamenFlag());
}

TEST_F(MaintenanceTest, DeleteModesDeleteTheMarkedOrTheCurrentEntry)
{
    AlbumAnlegen("TEST.DBF", Eintraege(9));
    Oeffnen();
    form->Einstellungen().Setzen("Sicherheitsabfragen", false);
    form->BilderSatzLoeschen(2);
    auto s = Lesen();
    for (size_t i = 0; i < s.size(); ++i)
        EXPECT_EQ(s[i].Geloescht, (i + 1) % 3 == 0) << i + 1;
    EXPECT_EQ(form->DbeBilder->DBFilter(), "");
    form->DbeBilder->SetOrder(0);
    form->DbeBilder->Go(1);
    form->BilderSatzLoeschen(4);
    EXPECT_TRUE(Lesen()[0].Geloescht);
}
