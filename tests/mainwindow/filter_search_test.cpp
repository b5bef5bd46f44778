// Filters, sorting and searches of the main window, driven through its
// commands: menu items triggered, the Filter-Dialog and the date range
// dialog answered by the prompt script, text typed into the search bar.
// The entries shown are compared with selections computed from the album
// read back by python3-dbfread.

#include "main_form_fixture.h"

#include "datacontrols/dk_db_combo.h"
#include "datacontrols/dk_db_edit.h"
#include "datagrid/dk_db_grid.h"
#include "dialogs/date_range.h"
#include "dialogs/quick_search.h"
#include "dialogs/small_forms.h"
#include "controls/date_edit.h"
#include "mainwindow/filter_ausdruck.h"
#include "album/pick_list.h"
#include "platform/core/sys_utils.h"
#include "platform/core/win1252.h"
#include "platform/ui/menus.h"
#include "platform/ui/std_ctrls.h"
#include "platform/ui/test_input.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>

#include <algorithm>
#include <functional>
#include <random>
#include <set>
#include <sstream>

namespace {

using TSatzNummern = std::vector<uint32_t>;

// One album entry with the fields the filters look at.
struct TEintrag {
    std::string ShortDesc{};
    std::string Label{};
    std::string Owner{};
    std::string Quelle{};  // stored code, "" none
    std::string Datum{};   // AUFNDATUM "yyyymmdd"
    int Breite = 0;
    bool Markiert = false, Privat = false, Anywhere = false, Zugriff = true, Geloescht = false;
};

class FilterSearchTest : public MainFormTest {
protected:
    void SetUp() override
    {
        MainFormTest::SetUp();
        lxtest::WriteDriveTable({{"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34}});
    }

    // Makes the album with the entries and opens it with its index and
    // full-text index.
    void Oeffnen(const std::vector<TEintrag>& eintraege)
    {
        AlbumAnlegen("TEST.DBF", {});
        const uint16_t area = dbe_Use(File("TEST.DBF").c_str(), "FUELLEN", DBE_EXCLUSIVE, DBE_TYPE_FOX);
        ASSERT_NE(area, 0) << dbe_LastError();
        for (const TEintrag& e : eintraege) {
            ASSERT_EQ(dbe_AppendBlank(), 1);
            auto text = [](const char* feld, const std::string& utf8) {
                const QByteArray b = Win1252EncodeOrThrow(QString::fromStdString(utf8));
                dbe_Replace(feld, DBE_REPL_TEXT, b.constData());
            };
            auto logisch = [](const char* feld, bool v) {
                const char c = v ? 'T' : 'F';
                dbe_Replace(feld, DBE_REPL_LOGICAL, &c);
            };
            text("SHORTDESC", e.ShortDesc);
            text("LABEL", e.Label);
            text("OWNER", e.Owner);
            text("QUELLE", e.Quelle);
            text("PFAD", e.Zugriff ? "C:\\Bilder\\a.jpg" : "E:\\Fotos\\b.jpg");
            if (!e.Datum.empty())
                dbe_Replace("AUFNDATUM", DBE_REPL_DTOS, e.Datum.c_str());
            double breite = e.Breite;
            dbe_Replace("BREITE", DBE_REPL_DOUBLE, &breite);
            logisch("MARKIERT", e.Markiert);
            logisch("PRIVAT", e.Privat);
            logisch("ANYWHERE", e.Anywhere);
            logisch("ZUGRIFF", e.Zugriff);
            if (e.Geloescht)
                dbe_Delete();
        }
        dbe_Commit();
        dbe_Close();
        ManagerAnlegen();
        {
            TPromptScript still;
            ASSERT_EQ(form->BilderDBFOeffnen(), 1);
            form->OeffneBilderFTS();
        }
        form->DbeBilder->SetOrder(form->DbeBilder->TagArea("ShortDesc"));
        form->TableBilder->Refresh();
    }

    // The record numbers the album shows now, in their order.
    TSatzNummern Gezeigt()
    {
        TSatzNummern r;
        TDataSet* t = form->TableBilder;
        for (t->First(); !t->Eof(); t->Next())
            r.push_back(uint32_t(t->RecNo()));
        return r;
    }
    static TSatzNummern Sortiert(TSatzNummern v)
    {
        std::sort(v.begin(), v.end());
        return v;
    }

    // Record numbers (not deleted) whose row passes a Python condition on
    // the dict `r` of the record read by dbfread.
    TSatzNummern Python(const std::string& bedingung)
    {
        // dbfread gives the live records without their numbers: the
        // numbers come from the deletion marks of the file, walked beside.
        const std::string s =
            "import sys\nfrom dbfread import DBF\n"
            "t = DBF(sys.argv[1], encoding='cp1252', load=True)\n"
            "import struct\n"
            "f = open(sys.argv[1], 'rb').read()\n"
            "hl = struct.unpack('<H', f[8:10])[0]; rl = struct.unpack('<H', f[10:12])[0]\n"
            "n = struct.unpack('<I', f[4:8])[0]\n"
            "live = iter(t.records)\n"
            "for i in range(n):\n"
            "    if f[hl + i * rl] == 0x2A: continue\n"
            "    r = next(live)\n"
            "    if " + bedingung + ": print(i + 1)\n";
        const std::string out = RunScript("/usr/bin/python3", "auswahl.py", s, File("TEST.DBF"));
        TSatzNummern r;
        std::istringstream in(out);
        std::string zeile;
        while (std::getline(in, zeile)) {
            if (zeile.empty())
                continue;
            EXPECT_TRUE(std::all_of(zeile.begin(), zeile.end(), ::isdigit)) << out;
            r.push_back(uint32_t(std::stoul(zeile)));
        }
        return r;
    }

    // The Filter-Dialog answered: the free-text edit or the combo gets the
    // text (unless null) and the dialog closes with OK or Abort.
    static TPromptScript::TFormAnswer FilterDialog(const QString* text, bool ok = true, int position = -1)
    {
        return [text, ok, position](TCustomForm& f) {
            auto& d = dynamic_cast<TBilderDialogForm&>(f);
            if (d.Edit1->Visible() && text)
                d.Edit1->SetText(*text);
            if (d.cboEingabe->Visible()) {
                if (position >= 0)
                    d.cboEingabe->SetItemIndex(position);
                else if (text)
                    d.cboEingabe->SetText(*text);
            }
            f.ModalResult = ok ? mrOk : mrAbort;
        };
    }
    void Menue(const char* name) { form->MenuItem(name)->Click(); }
    QString FilterPanel() { return form->StatusBarBilder1->Panels()->Items(4)->Text(); }
    QString QueryText() { return form->DbeBilder->DBFilter(); }
};

// ---------------------------------------------------------------------------
// The expression builder
// ---------------------------------------------------------------------------

TEST(FilterAusdruck, ValuesBecomeOneLiteralWhateverTheyHold)
{
    const std::pair<const char*, const char*> kFaelle[] = {
        {"Urlaub", "\"Urlaub\""},
        {"Say \"hi\"", "'Say \"hi\"'"},
        {"O'Brien \"x\"", "[O'Brien \"x\"]"},
        {"a\"b'c]d", "\"a\"+CHR(34)+\"b'c]d\""},
        {".OR. .T.", "\".OR. .T.\""},
    };
    for (const auto& [wert, literal] : kFaelle)
        EXPECT_EQ(XBaseText(QString::fromUtf8(wert)), QString::fromUtf8(literal)) << wert;
    QString a;
    EXPECT_TRUE(FilterAusdruck("BREITE", "N", "800", a));
    EXPECT_EQ(a, "BREITE = 800");
    EXPECT_FALSE(FilterAusdruck("BREITE", "N", "800 .OR. .T.", a));
    EXPECT_FALSE(FilterAusdruck("BREITE", "N", "", a));
    EXPECT_TRUE(FilterAusdruck("LABEL", "C", "x", a));
    EXPECT_EQ(a, "LABEL = \"x\"");
}

// ---------------------------------------------------------------------------
// Field filters
// ---------------------------------------------------------------------------

std::vector<TEintrag> KleinesAlbum()
{
    return {
        {"Strand", "Urlaub", "Anna", "0", "20230601", 800, true},
        {"Berg", "Urlaub 2", "Bert", "1", "20220315", 640, false, true},
        {"Haus", "Familie", "Anna", "2", "20210101", 800, true, false, true},
        {"Katze", "Familie", "Carl", "1", "20230702", 1024, false, false, false, false},
        {"Alt", "Urlaub", "Anna", "0", "20200101", 800, true, false, false, true, true},
    };
}

TEST_F(FilterSearchTest, AFreeTextFilterOnLabelAndItsReset)
{
    Oeffnen(KleinesAlbum());
    const int ordnungVorher = form->DbeBilder->IndexOrd();
    const QString wert = "Urlaub";
    TPromptScript script;
    script.Modal(FilterDialog(&wert));
    Menue("AufLabel2");
    EXPECT_EQ(QueryText(), "LABEL = \"Urlaub\"");
    // The album compares exactly: "Urlaub 2" is another label.
    EXPECT_EQ(Sortiert(Gezeigt()), (TSatzNummern{1}));
    EXPECT_EQ(FilterPanel(), "Filter= LABEL");
    // The total is what the album holds: the deleted "Alt" is no entry.
    EXPECT_EQ(form->StatusBarBilder1->Panels()->Items(1)->Text(), "1 von 4 Einträge angezeigt");
    EXPECT_TRUE(form->ButNoneFilter->Enabled());
    EXPECT_EQ(form->DbeBilder->TagName(form->DbeBilder->IndexOrd()), "LABEL");
    EXPECT_EQ(script.Records().at(0).Caption, "Filter-Dialog");  // a pick list

    Menue("BilderOhneFilter1");
    EXPECT_EQ(QueryText(), "");
    EXPECT_EQ(FilterPanel(), "Kein Filter gesetzt");
    EXPECT_FALSE(form->ButNoneFilter->Enabled());
    EXPECT_EQ(form->DbeBilder->IndexOrd(), ordnungVorher);
    EXPECT_EQ(Gezeigt().size(), 4u);
}

// The pick list of the Filter-Dialog is read through the field's tag, one
// seek per distinct value. It must equal what the walk over every record
// gives (sorted, duplicates and case ignored, of values equal but for case
// the one of the lowest record), less the values of deleted entries: the
// filter runs on the tag, which leaves deleted entries out.
TEST_F(FilterSearchTest, PickListThroughTheTagEqualsTheWalkOverTheRecords)
{
    auto e = [](const char* label, const char* owner, bool geloescht = false, bool markiert = false) {
        TEintrag r{"x", label, owner, "", "", 0, markiert, false, false, true, false};
        r.Geloescht = geloescht;
        return r;
    };
    Oeffnen({
        e("berlin", "Zoe"), e("Berlin", "zoe"), e("BERLIN", "Zoe", false, true),
        e("Ärger", "Öhm"), e("ärger", "öhm", false, true), e("Öl", "Ab"),
        e("", ""), e("   ", "  "), e("  Mitte", "Mitte  "), e("Mitte", "Mitte"),
        e("Nur gelöscht", "Weg", true), e("Urlaub", "Anna", true), e("Urlaub", "Anna"),
        e("Ähre", "Ute", true), e("ÄHRE", "Ute"), e("zz", "Zoe"), e("Zz", "Ann"), e("ÿ", "Üx"),
        e("Éa", "éa"), e("éa", "Éa"),
        // Whole-width values, one ending in the heaviest letter, and prefixes.
        e("abcdefghijklmnopqrstuvwxyz1234", "x"), e("ABCDEFGHIJKLMNOPQRSTUVWXYZ1235", "x"),
        e("abcdefghijklmnopqrstuvwxyz123ÿ", "x"), e("abcd", "x"), e("abc", "x"),
    });
    // A filter in force on the album does not narrow the list.
    Menue("BilderFilterAufMarkierte1");
    ASSERT_EQ(Sortiert(Gezeigt()), (TSatzNummern{3, 5}));

    auto alteWeise = [&](const QString& feld, bool mitGeloeschten) {
        TStringList l;
        l.SetSorted(true);
        l.SetDuplicates(TDuplicates::dupIgnore);
        TDbe* d = form->DbeBilder3;
        const int vorher = d->SetOrder(0);
        for (d->GoTop(); !d->Eof(); d->Skip(1)) {
            if (!mitGeloeschten && d->Deleted())
                continue;
            const QString wert = d->GetTrimString(feld);
            if (!wert.isEmpty())
                l.Add(wert);
        }
        d->SetOrder(vorher);
        return l.ToQStringList();
    };
    for (const QString feld : {"Label", "OWNER"}) {
        form->LesePickliste(feld);
        const QStringList liste = form->Anzeige().PickListe.ToQStringList();
        EXPECT_EQ(liste, alteWeise(feld, false)) << feld.toStdString();
        if (feld == "Label") {
            EXPECT_EQ(liste, (QStringList{"  Mitte", "abc", "abcd", "abcdefghijklmnopqrstuvwxyz1234",
                                          "ABCDEFGHIJKLMNOPQRSTUVWXYZ1235", "abcdefghijklmnopqrstuvwxyz123ÿ", "berlin",
                                          "Mitte", "Urlaub", "zz", "ÄHRE", "Ärger", "Éa", "Öl", "ÿ"}));
            EXPECT_TRUE(alteWeise(feld, true).contains("Nur gelöscht"));
        }
    }
    // The third work area is left as it was: natural order.
    EXPECT_EQ(form->DbeBilder3->IndexOrd(), 0);
    // A field without a tag of its own is not read through a tag.
    TStringList l;
    EXPECT_FALSE(PicklisteUeberTag(uint16_t(form->TableBilder3->Handle()), "DATEI", l));
    EXPECT_FALSE(PicklisteUeberTag(uint16_t(form->TableBilder3->Handle()), "AUFNDATUM", l));
    EXPECT_EQ(l.Count(), 0);
}

// The preparation the program runs once its window shows: idle passes of
// the event loop until it has made the date range dialog and read the pick
// lists once.
void VorbereitungAbwarten(TMainForm& form, const std::function<bool()>& fertig)
{
    QElapsedTimer uhr;
    uhr.start();
    while (!fertig() && uhr.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    for (int i = 0; i < 20; ++i)  // the passes after the one that was waited for
        QCoreApplication::processEvents();
    (void)form;
}

// The items the "Filter-Dialog" offers for a command, the dialog cancelled.
QStringList Angeboten(FilterSearchTest& t, const char* menue, const std::function<void(const char*)>& klick)
{
    QStringList angeboten;
    TPromptScript script;
    script.Modal([&](TCustomForm& f) {
        angeboten = dynamic_cast<TBilderDialogForm&>(f).cboEingabe->Items()->ToStringList();
        f.ModalResult = mrAbort;
    });
    klick(menue);
    (void)t;
    return angeboten;
}

// Prepared once the window shows, the first label filter offers the list it
// offered without the preparation; the list the window keeps is left as it
// was, and the date range dialog is there.
TEST_F(FilterSearchTest, PreparedOnceShownTheFirstFilterOffersTheSameList)
{
    Oeffnen(KleinesAlbum());
    const auto klick = [this](const char* m) { Menue(m); };
    const QStringList ohne = Angeboten(*this, "AufLabel2", klick);
    ASSERT_EQ(ohne, (QStringList{"Familie", "Urlaub", "Urlaub 2"}));
    form->TableBilder3->Close();
    form->Anzeige().PickListe.Clear();
    form->Anzeige().PickListe.Add("zuletzt gelesen");

    form->FilterVorbereiten();
    VorbereitungAbwarten(*form, [&] { return form->DatumScopeForm && form->TableBilder3->Active(); });
    EXPECT_NE(form->DatumScopeForm, nullptr);
    EXPECT_TRUE(form->TableBilder3->Active());
    EXPECT_EQ(form->Anzeige().PickListe.ToQStringList(), QStringList{"zuletzt gelesen"});
    EXPECT_EQ(form->DbeBilder3->IndexOrd(), 0);
    EXPECT_EQ(Angeboten(*this, "AufLabel2", klick), ohne);
}

// While a command runs (or a dialog is open) the preparation waits.
TEST_F(FilterSearchTest, ThePreparationWaitsWhileACommandRuns)
{
    Oeffnen(KleinesAlbum());
    form->Dienste().Lauf().BefehlBeginnt();
    form->FilterVorbereiten();
    for (int i = 0; i < 50; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(form->DatumScopeForm, nullptr);
    EXPECT_FALSE(form->TableBilder3->Active());
    form->Dienste().Lauf().BefehlEndet();
    VorbereitungAbwarten(*form, [&] { return form->DatumScopeForm && form->TableBilder3->Active(); });
    EXPECT_NE(form->DatumScopeForm, nullptr);
    EXPECT_TRUE(form->TableBilder3->Active());
}

// The third work area stays open on the album it was opened on; once
// another album is open, the pick list is that album's.
TEST_F(FilterSearchTest, AfterAnAlbumChangeThePickListIsTheNewAlbums)
{
    Oeffnen(KleinesAlbum());
    form->FilterVorbereiten();
    VorbereitungAbwarten(*form, [&] { return form->DatumScopeForm && form->TableBilder3->Active(); });
    ASSERT_TRUE(form->TableBilder3->Active());

    TTestEintrag berg;
    berg.ShortDesc = "Gipfel";
    berg.Label = "Berg";
    AlbumAnlegen("ZWEI.DBF", {berg, berg});
    form->BereichBilder().DateienSetzen(TAlbumDateien(Win(dir.path()) + "\\", "ZWEI.DBF"));
    {
        TPromptScript still;
        ASSERT_EQ(form->BilderDBFOeffnen(), 1);
    }
    const auto klick = [this](const char* m) { Menue(m); };
    EXPECT_EQ(Angeboten(*this, "AufLabel2", klick), QStringList{"Berg"});
}

TEST_F(FilterSearchTest, CodedListsFilterOnThePositionOfTheChosenEntry)
{
    Oeffnen(KleinesAlbum());
    form->DBComboBoxBildQuelle2->SetItems(QStringList{"DigiCam\t0", "Scanner\t1", "Foto-CD\t2"});
    TPromptScript script;
    script.Modal(FilterDialog(nullptr, true, 1));
    Menue("AufBildQuelle");
    EXPECT_EQ(QueryText(), "QUELLE = \"1 \"");
    EXPECT_EQ(Sortiert(Gezeigt()), Python("r['QUELLE'] == '1'"));
    EXPECT_EQ(Sortiert(Gezeigt()), (TSatzNummern{2, 4}));
}

TEST_F(FilterSearchTest, ANumberFieldTakesOnlyANumber)
{
    Oeffnen(KleinesAlbum());
    const QString breite = "800", boese = "800 .OR. .T.";
    TPromptScript script;
    script.Modal(FilterDialog(&breite));
    Menue("AufBildbreite1");
    EXPECT_EQ(QueryText(), "BREITE = 800");
    EXPECT_EQ(Sortiert(Gezeigt()), (TSatzNummern{1, 3}));
    script.Modal(FilterDialog(&boese)).Answer(TPromptKind::Message, mrOk, "Kein Filter möglich");
    Menue("AufBildbreite1");
    // The earlier query stays in force.
    EXPECT_EQ(QueryText(), "BREITE = 800");
}

TEST_F(FilterSearchTest, ACancelledFilterLeavesQueryAndStatusAsTheyWere)
{
    Oeffnen(KleinesAlbum());
    const QString wert = "Familie";
    TPromptScript script;
    script.Modal(FilterDialog(&wert));
    Menue("AufLabel2");
    ASSERT_EQ(FilterPanel(), "Filter= LABEL");
    const int ordnung = form->Filter().FilterSortierung();
    script.Modal(FilterDialog(&wert, false));
    Menue("AufUrheber2");
    EXPECT_EQ(QueryText(), "LABEL = \"Familie\"");
    EXPECT_EQ(FilterPanel(), "Filter= LABEL");
    EXPECT_EQ(form->Filter().FilterSortierung(), ordnung);
}

TEST_F(FilterSearchTest, AFilterThatFindsNothingResetsAndReturnsToTheRecord)
{
    Oeffnen(KleinesAlbum());
    form->TableBilder->Last();
    const uint32_t satz = form->DbeBilder->RecNo();
    const QString wert = "Niemand";
    TPromptScript script;
    script.Modal(FilterDialog(&wert));
    Menue("AufUrheber2");
    EXPECT_EQ(QueryText(), "");
    EXPECT_EQ(FilterPanel(), "Kein Filter gesetzt");
    EXPECT_EQ(form->DbeBilder->RecNo(), satz);
}

TEST_F(FilterSearchTest, WithoutAnAlbumEveryFilterCommandStopsAtTheCheck)
{
    for (const char* name : {"AufBenutzerdefiniert1_2", "AufBenutzerdefiniert2_2", "AufBenutzerdefiniert3_2",
                             "AufLabel2", "AufSerie2", "AufUrheber2", "AufMotivQualitaet1", "AufBildQualitaet1",
                             "AufBildQuelle", "AufPlayliste2", "AufBildbreite1", "AufBildhoehe1"}) {
        TPromptScript script;
        script.Modal(NachrichtOk());
        Menue(name);
    }
}

// ---------------------------------------------------------------------------
// Flags, availability and date ranges
// ---------------------------------------------------------------------------

TEST_F(FilterSearchTest, MarksAndAvailabilityFilters)
{
    Oeffnen(KleinesAlbum());
    const int ordnung = form->DbeBilder->IndexOrd();
    Menue("BilderFilterAufMarkierte1");
    EXPECT_EQ(FilterPanel(), "Filter=MARKIERT");
    EXPECT_EQ(Sortiert(Gezeigt()), Python("r['MARKIERT']"));
    EXPECT_EQ(form->DbeBilder->IndexOrd(), ordnung);
    Menue("BilderFilterAufHTMLMarkierte");
    EXPECT_EQ(Sortiert(Gezeigt()), Python("r['PRIVAT']"));
    Menue("BilderFilterAufCDRMarkierte");
    EXPECT_EQ(Sortiert(Gezeigt()), Python("r['ANYWHERE']"));
    Menue("AufNichtVerfuegbare1");
    EXPECT_EQ(FilterPanel(), "Filter=!Zugriff");
    EXPECT_EQ(Sortiert(Gezeigt()), (TSatzNummern{4}));
    Menue("BilderFilterNichtimZugriff1");
    EXPECT_EQ(FilterPanel(), "Filter=Nicht im Zugriff");
    EXPECT_EQ(QueryText(), ".not. Zugriff");
    EXPECT_EQ(Sortiert(Gezeigt()), (TSatzNummern{4}));
}

TEST_F(FilterSearchTest, DateRangesOnTheDateTag)
{
    Oeffnen(KleinesAlbum());
    auto bereich = [](TDateTime von, TDateTime bis) {
        return [von, bis](TCustomForm& f) {
            auto& d = dynamic_cast<TDatumScopeForm&>(f);
            for (auto [e, wert] : {std::pair{d.DateEditPlusVon, von}, std::pair{d.DateEditPlusBis, bis}}) {
                if (wert > 0) {
                    e->SetBlank(false);
                    e->SetDate(wert);
                }
            }
            f.ModalResult = mrOk;
        };
    };
    TPromptScript script;
    script.Modal(bereich(EncodeDate(2022, 1, 1), EncodeDate(2023, 6, 30)));
    Menue("ErzeugungsDatumVonBis1");
    EXPECT_EQ(FilterPanel(), "Filter= AUFNDATUM");
    EXPECT_EQ(Gezeigt(), (TSatzNummern{2, 1}));  // in date order
    EXPECT_EQ(form->StatusBarBilder1->Panels()->Items(1)->Text(), "2 von 4 Einträge angezeigt");
    TDatumScopeForm* dialog = form->DatumScopeForm;  // kept for the run
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Sortiert(Gezeigt()), Python("r['AUFNDATUM'] and '20220101' <= r['AUFNDATUM'].strftime('%Y%m%d') <= '20230630'"));

    // One empty field: the message, the earlier range is gone, the status stays.
    script.Modal(bereich(EncodeDate(2022, 1, 1), 0))
        .Answer(TPromptKind::Message, mrOk, "In beiden Eingabefelder muss ein gültiges Datum eingegeben werden!");
    Menue("ErzeugungsDatumVonBis1");
    EXPECT_EQ(Gezeigt().size(), 4u);
    EXPECT_EQ(FilterPanel(), "Filter= AUFNDATUM");
    EXPECT_EQ(form->DatumScopeForm, dialog);  // the same dialog, opened as a new one: "bis" blank

    // A range without entries: the notice, then no range.
    script.Modal(bereich(EncodeDate(1990, 1, 1), EncodeDate(1990, 2, 1))).Modal(NachrichtOk());
    Menue("ErzeugungsDatumVonBis1");
    EXPECT_EQ(Gezeigt().size(), 4u);
    // Neither it nor a cancelled dialog leaves a filter shown or the reset on.
    EXPECT_EQ(FilterPanel(), "Kein Filter gesetzt");
    EXPECT_FALSE(form->ButNoneFilter->Enabled());
    script.Modal(bereich(EncodeDate(2022, 1, 1), EncodeDate(2023, 6, 30)));
    Menue("ErzeugungsDatumVonBis1");
    ASSERT_EQ(FilterPanel(), "Filter= AUFNDATUM");
    script.Modal([](TCustomForm& f) { f.ModalResult = mrCancel; });
    Menue("ErzeugungsDatumVonBis1");
    EXPECT_EQ(Gezeigt().size(), 4u);
    EXPECT_EQ(FilterPanel(), "Kein Filter gesetzt");
    EXPECT_FALSE(form->ButNoneFilter->Enabled());
}

// ---------------------------------------------------------------------------
// Sorting, go to, field search
// ---------------------------------------------------------------------------

TEST_F(FilterSearchTest, TitleClickSortsByTheColumnsTagOrDoesNothing)
{
    Oeffnen(KleinesAlbum());
    form->StatusBarBilder1->Panels()->Items(3)->SetText("vorher");
    form->DBGridBilder->OnTitleButtonClick(form->DBGridBilder, "PFAD");
    EXPECT_EQ(form->StatusBarBilder1->Panels()->Items(3)->Text(), "vorher");
    form->DBGridBilder->OnTitleButtonClick(form->DBGridBilder, "BREITE");
    EXPECT_EQ(form->StatusBarBilder1->Panels()->Items(3)->Text(), "Sortierung=BREITE");
    EXPECT_EQ(form->DbeBilder->TagName(form->DbeBilder->IndexOrd()), "BREITE");
    EXPECT_EQ(Gezeigt(), (TSatzNummern{2, 1, 3, 4}));
    // In the availability view the "2" tags sort.
    Menue("NurverfuegbareBilderanzeigen1");
    EXPECT_EQ(form->DbeBilder->TagName(form->DbeBilder->IndexOrd()), "SHORTDESC2");
    form->DBGridBilder->OnTitleButtonClick(form->DBGridBilder, "BREITE");
    EXPECT_EQ(form->DbeBilder->TagName(form->DbeBilder->IndexOrd()), "BREITE2");
    EXPECT_EQ(Gezeigt(), (TSatzNummern{2, 1, 3}));
}

TEST_F(FilterSearchTest, NaturalOrderShowsDeletedEntries)
{
    Oeffnen(KleinesAlbum());
    TPromptScript script;
    script.Answer(TPromptKind::Message, mrOk, "gelöschten Einträge sichtbar");
    Menue("Unsortiert2");
    EXPECT_EQ(Gezeigt(), (TSatzNummern{1, 2, 3, 4, 5}));
    EXPECT_EQ(form->StatusBarBilder1->Panels()->Items(3)->Text(), "Unsortiert");
}

TEST_F(FilterSearchTest, GoToARecordNumber)
{
    Oeffnen(KleinesAlbum());
    TPromptScript script;
    script.AnswerValue("3");
    Menue("GehezuSatzNr1");
    EXPECT_EQ(form->DbeBilder->RecNo(), 3u);
    // Hidden by a filter, the last record included.
    Menue("BilderFilterAufMarkierte1");
    script.AnswerValue("4").Answer(TPromptKind::Message, mrOk, "Nicht gefunden, Sie haben wahrscheinlich einen Filter gesetzt !");
    Menue("GehezuSatzNr1");
    script.AnswerValue("5").Answer(TPromptKind::Message, mrOk, "Nicht gefunden, Sie haben wahrscheinlich einen Filter gesetzt !");
    Menue("GehezuSatzNr1");
    script.AnswerValue("6").Answer(TPromptKind::Message, mrOk, "Eingebene SatzNr. nicht gefunden !");
    Menue("GehezuSatzNr1");
    script.AnswerValue("abc");
    Menue("GehezuSatzNr1");
}

TEST_F(FilterSearchTest, FieldSearchTakesTheFieldOfTheFocusedControl)
{
    Oeffnen(KleinesAlbum());
    TPromptScript script;
    script.Answer(TPromptKind::Message, mrOk, "Setzen Sie den Mauscursor");
    form->SetActiveControl(nullptr);
    form->BilderFeldSucheDlg("LABEL");
    form->SetActiveControl(form->DBEditBilderUrheber);
    script.Modal([](TCustomForm& f) {
        auto& d = dynamic_cast<TSuchenForm3&>(f);
        EXPECT_EQ(d.Caption(), "Schnelle Suche im selektierten Feld");
        d.Edit2->SetText("carl");
        d.BitBtnCloseClick();
    });
    form->BilderFeldSucheDlg("LABEL");  // OWNER has a tag: a seek, no time shown
    EXPECT_EQ(SuchTabellenName(), "TABLEBILDER");
    EXPECT_EQ(form->DbeBilder->RecNo(), 4u);
}

TEST_F(FilterSearchTest, FieldSearchIsOfferedOnColumnsWithATag)
{
    Oeffnen(KleinesAlbum());
    TMenuItem* feldsuche = form->MenuItem("BilderFeldsuche");
    std::set<QString> mit, ohne;
    for (int c = 1; c < form->DBGridBilder->GetColCount(); ++c) {
        form->DBGridBilder->SetCol(c);
        TField* f = form->DBGridBilder->GetSelectedField();
        if (!f)
            continue;
        form->DBGridBilderColEnter(form->DBGridBilder);
        (feldsuche->Enabled() ? mit : ohne).insert(f->FieldName);
    }
    EXPECT_TRUE(mit.count("SHORTDESC") && mit.count("OWNER")) << mit.size();
    EXPECT_TRUE(ohne.count("PFAD")) << ohne.size();
}

// ---------------------------------------------------------------------------
// The quick-search bar
// ---------------------------------------------------------------------------

std::vector<TEintrag> TextAlbum()
{
    return {
        {"Sonne am Strand"}, {"Regen im Wald"}, {"Sonne im Schnee"}, {"Nebel"}, {"Sonne über Köln"},
    };
}

TEST_F(FilterSearchTest, NextAndPreviousWalkTheHitsAndANewTextStartsAgain)
{
    Oeffnen(TextAlbum());
    form->edSearch->SetText("sonne");
    form->ButNextClick(nullptr);
    const uint32_t erster = form->DbeBilder->RecNo();
    form->ButNextClick(nullptr);
    const uint32_t zweiter = form->DbeBilder->RecNo();
    EXPECT_EQ(erster, 1u);
    EXPECT_EQ(zweiter, 3u);
    EXPECT_TRUE(form->ButPrev->Enabled());
    form->ButPrevClick(nullptr);
    EXPECT_EQ(form->DbeBilder->RecNo(), erster);
    EXPECT_FALSE(form->ButPrev->Enabled());
    form->ButNextClick(nullptr);  // from the history, not the index
    EXPECT_EQ(form->DbeBilder->RecNo(), zweiter);
    EXPECT_EQ(form->Filter().Trefferliste().Count(), 2);
    form->ButNextClick(nullptr);
    EXPECT_EQ(form->DbeBilder->RecNo(), 5u);
    TPromptScript script;
    script.Answer(TPromptKind::Message, mrOk, "Text nicht gefunden!");
    form->ButNextClick(nullptr);
    EXPECT_FALSE(form->ButNext->Enabled());
    // A new text: the hit list starts again.
    form->edSearch->SetText("nebel");
    form->ButNextClick(nullptr);
    EXPECT_EQ(form->Filter().Trefferliste().Count(), 1);
    EXPECT_EQ(form->DbeBilder->RecNo(), 4u);
    form->edSearch->SetText(QString::fromUtf8("über köln"));
    form->ButNextClick(nullptr);
    EXPECT_EQ(form->Filter().Trefferliste().Count(), 1);
    EXPECT_EQ(form->DbeBilder->RecNo(), 5u);
    // The reset forgets the hits, and so does opening an album.
    form->BilderOhneFilter1Click(nullptr);
    EXPECT_EQ(form->Filter().Trefferliste().Count(), 0);
    EXPECT_EQ(form->edSearch->Text(), "Geben Sie hier einen Suchtext ein....");
    form->edSearch->SetText("sonne");
    form->ButNextClick(nullptr);
    ASSERT_EQ(form->Filter().Trefferliste().Count(), 1);
    form->TableBilder->Close();
    {
        TPromptScript still;
        ASSERT_EQ(form->BilderDBFOeffnen(), 1);
    }
    EXPECT_EQ(form->Filter().Trefferliste().Count(), 0);
    EXPECT_EQ(FilterPanel(), "Kein Filter gesetzt");
}

TEST_F(FilterSearchTest, TheFullTextFilterAsksToCombineAndCountsRealHits)
{
    Oeffnen(TextAlbum());
    // Enter typed in the bar runs the filter. (The window stays hidden:
    // entering the bar is its enter event.)
    form->edSearch->OnEnter(form->edSearch);
    EXPECT_EQ(form->edSearch->Text(), "");
    lxui_test::SendKey(form->edSearch->Handle(), Qt::Key_Return, "\r");  // empty: nothing
    EXPECT_EQ(FilterPanel(), "Kein Filter gesetzt");
    for (QChar c : QString("sonne"))
        lxui_test::SendKey(form->edSearch->Handle(), Qt::Key_A + (c.unicode() - u'a'), QString(c));
    EXPECT_EQ(form->edSearch->Text(), "sonne");
    EXPECT_TRUE(form->ButFilt->Enabled());
    lxui_test::SendKey(form->edSearch->Handle(), Qt::Key_Return, "\r");
    EXPECT_EQ(FilterPanel(), "Volltextfilter gesetzt ");
    EXPECT_EQ(Sortiert(Gezeigt()), (TSatzNummern{1, 3, 5}));
    const QString ordner = QCoreApplication::applicationDirPath() + "/screenshots";
    QDir().mkpath(ordner);
    EXPECT_TRUE(form->Handle()->grab().save(ordner + "/main_fulltext_filter.png"));

    // Combined with a second text: only entries of both.
    TPromptScript script;
    script.Answer(mrYes, "Mit existierenden Filter kombinieren ?");
    form->edSearch->SetText("strand");
    form->ButFiltClick(nullptr);
    EXPECT_EQ(Gezeigt(), (TSatzNummern{1}));
    // Cancel leaves everything as it was.
    script.Answer(mrCancel, "Mit existierenden Filter kombinieren ?");
    form->edSearch->SetText("nebel");
    form->ButFiltClick(nullptr);
    EXPECT_EQ(Gezeigt(), (TSatzNummern{1}));
    // Without combining the new filter starts from nothing, not from the
    // filter in force.
    script.Answer(mrNo, "Mit existierenden Filter kombinieren ?");
    form->ButFiltClick(nullptr);
    EXPECT_EQ(Gezeigt(), (TSatzNummern{4}));
    // Combined with no common entry: no bit set, "Text nicht gefunden!".
    script.Answer(mrYes, "Mit existierenden Filter kombinieren ?")
        .Answer(TPromptKind::Message, mrOk, "Text nicht gefunden!");
    form->edSearch->SetText("regen");
    form->ButFiltClick(nullptr);
    EXPECT_EQ(QueryText(), "");
}

TEST_F(FilterSearchTest, TheFullTextFilterAfterALabelFilterKeepsItWhenCombined)
{
    std::vector<TEintrag> album = TextAlbum();
    for (int i : {0, 1})
        album[size_t(i)].Label = "Urlaub";
    Oeffnen(album);
    const QString wert = "Urlaub";
    TPromptScript script;
    script.Modal(FilterDialog(&wert));
    Menue("AufLabel2");
    ASSERT_EQ(Sortiert(Gezeigt()), (TSatzNummern{1, 2}));
    // Combined: the hits of "sonne" among the label's entries only.
    script.Answer(mrYes, "Mit existierenden Filter kombinieren ?");
    form->edSearch->SetText("sonne");
    form->ButFiltClick(nullptr);
    EXPECT_EQ(Sortiert(Gezeigt()), (TSatzNummern{1}));
    EXPECT_EQ(FilterPanel(), "Volltextfilter gesetzt ");
    // Not combined: every hit of the text.
    form->BilderOhneFilter1Click(nullptr);
    script.Modal(FilterDialog(&wert));
    Menue("AufLabel2");
    script.Answer(mrNo, "Mit existierenden Filter kombinieren ?");
    form->edSearch->SetText("sonne");
    form->ButFiltClick(nullptr);
    EXPECT_EQ(Sortiert(Gezeigt()), (TSatzNummern{1, 3, 5}));
    EXPECT_EQ(script.Pending(), 0u);
}

TEST_F(FilterSearchTest, OnlyInShortDescAndALongSearchText)
{
    Oeffnen(TextAlbum());
    form->ProgrammOptionen()->SetBool("SearchFTS_OnlyInShortDesc", true);
    form->edSearch->SetText("sonne");
    form->ButFiltClick(nullptr);
    EXPECT_EQ(Sortiert(Gezeigt()), (TSatzNummern{1, 3, 5}));
    TPromptScript script;
    script.Answer(mrNo, "kombinieren").Answer(TPromptKind::Message, mrOk, "Text nicht gefunden!");
    form->edSearch->SetText(QString(300, u'x'));
    form->ButFiltClick(nullptr);
    EXPECT_EQ(form->Filter().LetzterVolltextSuchText().size(), 300);
}

// ---------------------------------------------------------------------------
// Real use: a few hundred entries, hostile values
// ---------------------------------------------------------------------------

TEST_F(FilterSearchTest, RealUseMatchesTheSelectionsReadBackByDbfread)
{
    const std::vector<std::string> labels = {
        "Urlaub", "Urlaub 2019", "Müller & Söhne", "Say \"hi\"", "O'Brien", "a]b", "x\"y'z]w",
        ".OR. .T.", "Größe", std::string(30, 'L'), "Familie",
        // The label tag keeps lower-cased keys: these share their keys with
        // labels above and must still be told apart.
        "urlaub", "GRÖSSE", "größe"};
    const std::vector<std::string> owner = {"Anna", "Bert", "Jürgen", "Zoë"};
    std::mt19937 zufall(4711);
    std::vector<TEintrag> eintraege;
    for (int i = 0; i < 300; ++i) {
        TEintrag e;
        e.ShortDesc = "Bild " + std::to_string(i) + (i % 37 == 0 ? " seltenwort" : " alltag");
        e.Label = labels[zufall() % labels.size()];
        e.Owner = owner[zufall() % owner.size()];
        e.Quelle = std::to_string(zufall() % 3);
        const int tag = int(zufall() % 2000);
        const QDate d = QDate(2018, 1, 1).addDays(tag);
        e.Datum = d.toString("yyyyMMdd").toStdString();
        e.Breite = (zufall() % 2) ? 800 : 1024;
        e.Markiert = zufall() % 3 == 0;
        e.Privat = zufall() % 4 == 0;
        e.Zugriff = zufall() % 5 != 0;
        e.Geloescht = zufall() % 17 == 0;
        eintraege.push_back(e);
    }
    Oeffnen(eintraege);

    // Every label, the hostile ones included, through the Filter-Dialog.
    auto pyText = [](const std::string& s) {
        std::string r = "'";
        for (unsigned char c : QString::fromStdString(s).toLatin1().toStdString())
            r += "\\x" + QString::number(c, 16).rightJustified(2, '0').toStdString();
        return r + "'";
    };
    for (const std::string& label : labels) {
        const QString wert = QString::fromStdString(label);
        TPromptScript script;
        script.Modal(FilterDialog(&wert));
        Menue("AufLabel2");
        const TSatzNummern erwartet =
            Python("r['LABEL'] == " + pyText(label) + ".encode('latin-1').decode('cp1252')");
        ASSERT_FALSE(erwartet.empty()) << label;
        EXPECT_EQ(Sortiert(Gezeigt()), erwartet) << label;
        EXPECT_EQ(QueryText().left(8), "LABEL = ") << label;
    }
    Menue("BilderOhneFilter1");

    // A value that is very long matches nothing and resets.
    {
        const QString lang(400, u'"');
        TPromptScript script;
        script.Modal(FilterDialog(&lang));
        Menue("AufLabel2");
        EXPECT_EQ(FilterPanel(), "Kein Filter gesetzt");
    }

    Menue("BilderFilterAufMarkierte1");
    EXPECT_EQ(Sortiert(Gezeigt()), Python("r['MARKIERT']"));
    Menue("AufNichtVerfuegbare1");
    EXPECT_EQ(Sortiert(Gezeigt()), Python("not r['ZUGRIFF']"));
    Menue("BilderOhneFilter1");

    {
        TPromptScript script;
        script.Modal([](TCustomForm& f) {
            auto& d = dynamic_cast<TDatumScopeForm&>(f);
            d.DateEditPlusVon->SetBlank(false);
            d.DateEditPlusVon->SetDate(EncodeDate(2019, 3, 1));
            d.DateEditPlusBis->SetBlank(false);
            d.DateEditPlusBis->SetDate(EncodeDate(2020, 2, 29));
            f.ModalResult = mrOk;
        });
        Menue("ErzeugungsDatumVonBis1");
        EXPECT_EQ(Sortiert(Gezeigt()),
                  Python("'20190301' <= r['AUFNDATUM'].strftime('%Y%m%d') <= '20200229'"));
    }
    Menue("BilderOhneFilter1");

    form->edSearch->SetText("seltenwort");
    form->ButFiltClick(nullptr);
    EXPECT_EQ(Sortiert(Gezeigt()), Python("'seltenwort' in r['SHORTDESC']"));
    Menue("BilderOhneFilter1");
    EXPECT_EQ(Sortiert(Gezeigt()), Python("True"));
}

}  // namespace
