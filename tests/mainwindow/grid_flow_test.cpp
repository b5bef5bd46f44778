// The album grid as a user meets it: real mouse presses on its title row and
// on its check-box cells, and the Enter key with and without its press in
// the grid; the album read back through the engine. Also the record page's
// date edit for the creation date and the grid's navigator.
#include "maintenance_fixture.h"

#include "controls/db_date_edit.h"
#include "datagrid/dk_db_grid.h"
#include "dialogs/bilder_loeschen.h"
#include "dialogs/small_forms.h"
#include "datacontrols/db_navigator.h"
#include "platform/ui/buttons.h"
#include "platform/core/sys_utils.h"
#include "platform/ui/menus.h"
#include "platform/ui/std_ctrls.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

namespace {

// Answers every prompt and modal form and keeps what was shown.
class TAlleZaehlen : public TPromptService {
public:
    TAlleZaehlen() { vorher_ = SetPromptService(this); }
    ~TAlleZaehlen() override { SetPromptService(vorher_); }
    int Show(const TPrompt& p, QString*) override
    {
        Gezeigt << p.Text;
        return mrOk;
    }
    TModalResult ShowModal(TCustomForm& f) override
    {
        Gezeigt << f.Name;
        return mrCancel;
    }
    QStringList Gezeigt;

private:
    TPromptService* vorher_ = nullptr;
};

class GridFlowTest : public MaintenanceTest {
protected:
    void AlbumZeigen(const std::vector<TTestEintrag>& eintraege)
    {
        AlbumAnlegen("TEST.DBF", eintraege);
        Oeffnen();
        // The first-use notice comes from a timer: these tests are not about
        // it, and a slow run must not meet it.
        FensterZeigen();
        // Browse mode as a start leaves it: the command ticked and unticked
        // puts whole-row selection on.
        form->MenuItem("EditiermodusTabelle1")->Click();
        form->MenuItem("EditiermodusTabelle1")->Click();
        EXPECT_TRUE(Grid()->Options().Contains(dgRowSelect));
        Application->ProcessMessages();
        form->TableBilder->First();
    }
    TdkDBGrid* Grid() const { return form->DBGridBilder; }
    QWidget* GridWidget() const { return Grid()->Handle(); }

    // The grid column that shows the field; -1 when none does.
    int Spalte(const QString& feld) const
    {
        for (int c = Grid()->IndicatorOffset(); c < Grid()->GetColCount(); ++c)
            if (TField* f = Grid()->GetFields(Grid()->DataCol(c)); f && f->FieldName == feld)
                return c;
        return -1;
    }
    QPoint Mitte(int spalte, int zeile) const
    {
        const TRect r = Grid()->CellRect(spalte, zeile);
        return QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    }
    void Klick(QPoint p)
    {
        QTest::mouseClick(GridWidget(), Qt::LeftButton, Qt::NoModifier, p);
        Application->ProcessMessages();
    }
    std::vector<std::string> Beschreibungen()
    {
        std::vector<std::string> r;
        TDataSet* t = form->TableBilder;
        for (t->First(); !t->Eof(); t->Next())
            r.push_back(t->FieldByName("SHORTDESC")->AsString().trimmed().toStdString());
        return r;
    }
    QString SortierText() const { return form->StatusBarBilder1->Panels()->Items(3)->Text(); }
};

std::vector<TTestEintrag> Drei()
{
    std::vector<TTestEintrag> e;
    const char* const namen[] = {"birke", "ahorn", "ceder"};
    for (int i = 0; i < 3; ++i) {
        TTestEintrag t{namen[i]};
        t.Pfad = std::string("C:\\Bilder\\") + namen[i] + ".jpg";
        t.Markiert = i == 1;
        e.push_back(t);
    }
    return e;
}

}  // namespace

TEST_F(GridFlowTest, MouseClickOnAColumnTitleSortsByThatColumn)
{
    AlbumZeigen(Drei());
    // Widths that order the entries otherwise than their names.
    Setzen(1, "BREITE", "300");
    Setzen(2, "BREITE", "200");
    Setzen(3, "BREITE", "100");
    form->TableBilder->Refresh();
    struct Fall {
        const char* Feld;
        const char* Tag;  // the order then in force; "" none
        std::vector<std::string> Reihe;
    };
    // A column with a tag of its name sorts by it; the path has none and
    // leaves order and status as they were.
    for (const Fall& fall : {Fall{"SHORTDESC", "SHORTDESC", {"ahorn", "birke", "ceder"}},
                             Fall{"BREITE", "BREITE", {"ceder", "ahorn", "birke"}},
                             Fall{"PFAD", "", {"birke", "ahorn", "ceder"}}}) {
        form->DbeBilder->SetOrder(0);
        form->TableBilder->Refresh();
        form->StatusBarBilder1->Panels()->Items(3)->SetText("vorher");
        const int spalte = Spalte(fall.Feld);
        ASSERT_GT(spalte, 0) << fall.Feld;
        Klick(Mitte(spalte, 0));
        EXPECT_EQ(SortierText(), *fall.Tag ? QString("Sortierung=") + fall.Feld : QString("vorher"));
        EXPECT_EQ(form->DbeBilder->TagName(form->DbeBilder->IndexOrd()).toUpper(), fall.Tag);
        EXPECT_EQ(Beschreibungen(), fall.Reihe) << fall.Feld;
    }
    // Opened again (as from the album manager), the status names the order
    // the rows stand in.
    form->DbeBilder->SetOrder(form->DbeBilder->TagArea("SHORTDESC"));
    {
        TPromptScript still;
        ASSERT_EQ(form->BilderDBFOeffnen(), 1);
    }
    EXPECT_EQ(SortierText(), "Sortierung=" + form->DbeBilder->TagName(form->DbeBilder->IndexOrd()));
    EXPECT_EQ(Beschreibungen(), (std::vector<std::string>{"ahorn", "birke", "ceder"}));
    // A press on one title and the release on another sorts by neither.
    form->StatusBarBilder1->Panels()->Items(3)->SetText("vorher");
    QTest::mousePress(GridWidget(), Qt::LeftButton, Qt::NoModifier, Mitte(Spalte("SHORTDESC"), 0));
    QTest::mouseRelease(GridWidget(), Qt::LeftButton, Qt::NoModifier, Mitte(Spalte("BREITE"), 0));
    EXPECT_EQ(SortierText(), "vorher");
}

TEST_F(GridFlowTest, MarkCellsShowTheirTickAndAClickInEditModeTicks)
{
    AlbumZeigen(Drei());
    const int spalte = Spalte("MARKIERT");
    ASSERT_GT(spalte, 0);
    // The row order is the natural one: birke (not marked), ahorn (marked).
    form->DbeBilder->SetOrder(0);
    form->TableBilder->Refresh();
    form->TableBilder->First();
    EXPECT_EQ(form->TableBilder->FieldByName("MARKIERT")->DisplayText(), "Falsch");
    // The 10 x 10 check box in the middle of the cell (the row around it may
    // take the colour of marked rows).
    auto zelle = [&](int zeile) {
        const TRect r = Grid()->CellRect(spalte, zeile);
        const QPoint ecke((r.Left + r.Right - 10) / 2, (r.Top + r.Bottom - 10) / 2);
        return GridWidget()->grab(QRect(ecke, QSize(10, 10))).toImage();
    };
    // The marked row's box differs from the unmarked one's by its tick.
    EXPECT_NE(zelle(1), zelle(2));
    EXPECT_EQ(zelle(1), zelle(3));

    // In browse mode a click only moves to the row.
    Klick(Mitte(spalte, 3));
    EXPECT_EQ(Lesen()[2]["MARKIERT"], "F");
    EXPECT_EQ(form->TableBilder->RecNo(), 3);

    // In edit mode a click on the cell ticks it; no error, the album has it.
    TAlleZaehlen gezeigt;
    form->MenuItem("EditiermodusTabelle1")->Click();
    Klick(Mitte(spalte, 3));
    form->TableBilder->CheckBrowseMode();
    EXPECT_TRUE(gezeigt.Gezeigt.isEmpty()) << gezeigt.Gezeigt.join("|").toStdString();
    EXPECT_EQ(Lesen()[2]["MARKIERT"], "T");
    // Off the current row, the ticked cell looks like the other marked one.
    form->TableBilder->First();
    Application->ProcessMessages();
    EXPECT_EQ(zelle(3), zelle(2));
    EXPECT_NE(zelle(3), zelle(1));
    form->TableBilder->Last();
    // A second click on the now current cell unticks it again.
    Klick(Mitte(spalte, 3));
    form->TableBilder->CheckBrowseMode();
    EXPECT_EQ(Lesen()[2]["MARKIERT"], "F");
    EXPECT_TRUE(gezeigt.Gezeigt.isEmpty()) << gezeigt.Gezeigt.join("|").toStdString();
}

TEST_F(GridFlowTest, EnterOpensTheFullViewOnlyWhenItWasPressedInTheGrid)
{
    AlbumZeigen(Drei());
    Grid()->SetFocus();
    TAlleZaehlen gezeigt;
    // The release of an Enter that closed a message box reaches the grid
    // alone: nothing opens.
    QTest::keyRelease(GridWidget(), Qt::Key_Return);
    Application->ProcessMessages();
    EXPECT_TRUE(gezeigt.Gezeigt.isEmpty()) << gezeigt.Gezeigt.join("|").toStdString();
    // Enter typed in the grid opens the full view (the picture is missing
    // here, so its notice is what shows).
    QTest::keyClick(GridWidget(), Qt::Key_Return);
    Application->ProcessMessages();
    ASSERT_EQ(gezeigt.Gezeigt.size(), 1) << gezeigt.Gezeigt.join("|").toStdString();
    EXPECT_TRUE(gezeigt.Gezeigt[0].contains("Bild")) << gezeigt.Gezeigt[0].toStdString();
}

TEST_F(GridFlowTest, RecordPageShowsTheCreationDateInItsDateEditWithThePopup)
{
    AlbumZeigen(Drei());
    Setzen(1, "AUFNDATUM", "20200315");
    Setzen(2, "AUFNDATUM", "20211224");
    form->DbeBilder->SetOrder(0);
    form->TableBilder->Refresh();
    TDBDateEditPlus* datum = form->DBDateEditPlusAUFNDATUM;
    ASSERT_NE(datum, nullptr);
    EXPECT_EQ(datum->Parent(), form->TabSheetBilderDBFTeil2);
    EXPECT_EQ(datum->DataField(), "AUFNDATUM");
    EXPECT_EQ(datum->PopupMenu(), form->PopupMenu("PopupMenuErzeugungsdatum"));
    struct Fall {
        int Satz;
        TDateTime Datum;
    };
    for (const Fall& f : {Fall{1, EncodeDate(2020, 3, 15)}, Fall{2, EncodeDate(2021, 12, 24)}}) {
        form->TableBilder->First();
        form->TableBilder->MoveBy(f.Satz - 1);
        Application->ProcessMessages();
        EXPECT_EQ(datum->Date(), f.Datum) << f.Satz;
    }
}

TEST_F(GridFlowTest, ADeletedEntryLeavesTheGridAndTheCount)
{
    // Deleted in a tag's order, or in the natural order and then sorted:
    // the tags leave it out, and the count says so.
    for (const bool natuerlich : {false, true}) {
        AlbumZeigen(Drei());
        const int tag = form->DbeBilder->TagArea("SHORTDESC");
        form->DbeBilder->SetOrder(natuerlich ? 0 : tag);
        form->TableBilder->Refresh();
        form->TableBilder->First();
        ASSERT_EQ(form->TableBilder->FieldByName("SHORTDESC")->AsString().trimmed(), natuerlich ? "birke" : "ahorn");
        form->DbeBilder->Delete();
        form->DbeBilder->SetOrder(tag);
        form->TableBilder->Refresh();
        form->BilderSatzAnzahlZeigen();
        const std::vector<std::string> rest = natuerlich ? std::vector<std::string>{"ahorn", "ceder"}
                                                         : std::vector<std::string>{"birke", "ceder"};
        EXPECT_EQ(Beschreibungen(), rest) << natuerlich;
        EXPECT_EQ(form->DbeBilder->QueryRecCount(), 2u) << natuerlich;
        // A hidden deleted entry is no entry of the album: it is not counted.
        EXPECT_EQ(form->StatusBarBilder1->Panels()->Items(1)->Text(), "2 von 2 Einträge angezeigt") << natuerlich;
        form.reset();
        dbe_CloseAll();
        SetUp();
    }
}

// The total counts what the album holds as the view shows entries: without
// the filter, with deleted entries only where the view shows them (the
// natural order). An album whose entries are all deleted stands on no
// record: "SatzNr. 0".
TEST_F(GridFlowTest, TheTotalCountsTheEntriesTheViewCanShowWithoutItsFilter)
{
    struct Fall {
        bool Natuerlich;
        const char* Filter;
        const char* Text;
    };
    for (const Fall& f : {Fall{false, "", "2 von 2 Einträge angezeigt"},
                          Fall{false, "SHORTDESC = \"ceder\"", "1 von 2 Einträge angezeigt"},
                          Fall{true, "", "3 von 3 Einträge angezeigt"},
                          Fall{true, "SHORTDESC = \"ceder\"", "1 von 3 Einträge angezeigt"}}) {
        SCOPED_TRACE(std::string(f.Natuerlich ? "natürlich, " : "Tag, ") + f.Filter);
        AlbumZeigen(Drei());
        form->DbeBilder->Go(2);  // ahorn
        form->DbeBilder->Delete();
        form->DbeBilder->SetOrder(f.Natuerlich ? 0 : form->DbeBilder->TagArea("SHORTDESC"));
        form->DbeBilder->Query(f.Filter);
        form->TableBilder->Refresh();
        form->TableBilder->First();
        form->BilderSatzAnzahlZeigen();
        EXPECT_EQ(form->StatusBarBilder1->Panels()->Items(1)->Text(), f.Text);
        // The album's own area keeps its filter and order.
        EXPECT_EQ(form->DbeBilder->DBFilter(), f.Filter);
        form.reset();
        dbe_CloseAll();
        SetUp();
    }

    AlbumZeigen(Drei());
    form->DbeBilder->SetOrder(form->DbeBilder->TagArea("SHORTDESC"));
    for (uint32_t satz = 1; satz <= 3; ++satz) {
        form->DbeBilder->Go(satz);
        form->DbeBilder->Delete();
    }
    form->TableBilder->Refresh();
    form->TableBilder->First();
    Application->ProcessMessages();
    form->BilderSatzAnzahlZeigen();
    EXPECT_EQ(form->StatusBarBilder1->Panels()->Items(1)->Text(), "0 von 0 Einträge angezeigt");
    EXPECT_EQ(form->StatusBarBilder1->Panels()->Items(0)->Text(), "SatzNr. 0");
}

TEST_F(GridFlowTest, AfterTheDeleteDialogTheDeletedEntryIsNoLongerCurrentOrShown)
{
    AlbumZeigen(Drei());
    form->DbeBilder->SetOrder(form->DbeBilder->TagArea("SHORTDESC"));
    form->TableBilder->Refresh();
    form->TableBilder->First();
    form->TableBilder->Next();  // "birke"
    TPromptScript script;
    script.Modal<TBilderLoeschenForm>([](TBilderLoeschenForm& f) {
        f.CheckBoxBilderMitloeschen->SetChecked(false);
        f.BitBtnDeleteClick(nullptr);
    });
    form->Handler("BilderLoeschenClick")(nullptr);
    EXPECT_EQ(script.Pending(), 0u);
    EXPECT_FALSE(form->DbeBilder->Deleted());
    EXPECT_EQ(form->TableBilder->FieldByName("SHORTDESC")->AsString().trimmed(), "ceder");
    EXPECT_EQ(Beschreibungen(), (std::vector<std::string>{"ahorn", "ceder"}));
    EXPECT_EQ(form->StatusBarBilder1->Panels()->Items(1)->Text(), "2 von 2 Einträge angezeigt");
}

TEST_F(GridFlowTest, TheNavigatorBelowTheGridMovesAndDeletesWithItsButtons)
{
    AlbumZeigen(Drei());
    form->DbeBilder->SetOrder(form->DbeBilder->TagArea("SHORTDESC"));
    form->TableBilder->Refresh();
    form->TableBilder->First();
    TDBNavigator* nav = form->DBNavigatorBilder;
    ASSERT_NE(nav, nullptr);
    EXPECT_EQ(nav->Parent(), form->PanelBilderEinzelsatzAnzeige);
    nav->UpdateButtons();
    // On the first entry: no way back, no post or cancel.
    for (auto [knopf, an] : {std::pair{nbFirst, false}, std::pair{nbPrior, false}, std::pair{nbNext, true},
                             std::pair{nbLast, true}, std::pair{nbPost, false}, std::pair{nbCancel, false}})
        EXPECT_EQ(nav->Buttons(knopf)->Enabled(), an) << knopf;
    auto klick = [&](TNavigateBtn knopf) {
        QTest::mouseClick(nav->Buttons(knopf)->Button(), Qt::LeftButton);
        Application->ProcessMessages();
    };
    klick(nbNext);
    EXPECT_EQ(form->TableBilder->FieldByName("SHORTDESC")->AsString().trimmed(), "birke");
    klick(nbLast);
    EXPECT_EQ(form->TableBilder->FieldByName("SHORTDESC")->AsString().trimmed(), "ceder");
    EXPECT_FALSE(nav->Buttons(nbNext)->Enabled());
    // Delete asks first; Cancel keeps the entry, OK deletes it.
    TPromptScript script;
    script.Answer(mrCancel, "Datensatz löschen?").Answer(mrOk, "Datensatz löschen?");
    klick(nbDelete);
    EXPECT_EQ(Beschreibungen().size(), 3u);
    form->TableBilder->Last();
    klick(nbDelete);
    EXPECT_EQ(Beschreibungen(), (std::vector<std::string>{"ahorn", "birke"}));
    EXPECT_TRUE(Lesen()[2].Geloescht);
}

namespace {

// Answers the "Filter-Dialog" with a text in its choice box and every other
// question with its answer; keeps what was shown.
class TFilterAntwort : public TPromptService {
public:
    TFilterAntwort(QString wert, int antwort) : wert_(std::move(wert)), antwort_(antwort)
    {
        vorher_ = SetPromptService(this);
    }
    ~TFilterAntwort() override { SetPromptService(vorher_); }
    int Show(const TPrompt& p, QString*) override
    {
        Gezeigt << p.Text;
        return antwort_;
    }
    TModalResult ShowModal(TCustomForm& f) override
    {
        if (auto* d = dynamic_cast<TBilderDialogForm*>(&f)) {
            d->cboEingabe->SetText(wert_);
            return mrOk;
        }
        return mrCancel;
    }
    QStringList Gezeigt;

private:
    QString wert_;
    int antwort_;
    TPromptService* vorher_ = nullptr;
};

}  // namespace

TEST_F(GridFlowTest, StatusNamesTheOrderTheRowsStandInAfterALabelFilterAndItsReset)
{
    std::vector<TTestEintrag> e = Drei();
    e[0].Label = "URLAUB";
    e[1].Label = "HAUS";
    e[2].Label = "URLAUB";
    AlbumZeigen(e);
    const auto tag = [&] { return form->DbeBilder->TagName(form->DbeBilder->IndexOrd()); };
    form->DbeBilder->SetOrder(form->DbeBilder->TagArea("SHORTDESC"));
    form->TableBilder->Refresh();
    {
        TFilterAntwort antwort("URLAUB", mrOk);
        form->AufLabel2Click(nullptr);
    }
    EXPECT_EQ(form->DbeBilder->QueryRecCount(), 2u);
    EXPECT_EQ(tag().toUpper(), "LABEL");
    EXPECT_EQ(SortierText(), "Sortierung=" + tag());
    form->BilderOhneFilter1Click(nullptr);
    EXPECT_EQ(tag().toUpper(), "SHORTDESC");
    EXPECT_EQ(SortierText(), "Sortierung=" + tag());
}

TEST_F(GridFlowTest, EnterInTheSearchBoxRunsANewFullTextSearchUnderAFullTextFilter)
{
    AlbumZeigen(Drei());
    QWidget* box = form->edSearch->Edit();
    const auto suchen = [&](const char* wort) {
        QTest::mouseClick(box, Qt::LeftButton);
        Application->ProcessMessages();
        QTest::keyClicks(box, QString::fromLatin1(wort));
        QTest::keyClick(box, Qt::Key_Return);
        Application->ProcessMessages();
    };
    const auto gezeigt = [&] {
        const std::vector<std::string> b = Beschreibungen();
        return b;
    };
    {
        TFilterAntwort antwort({}, mrNo);
        suchen("ahorn");
    }
    EXPECT_EQ(gezeigt(), (std::vector<std::string>{"ahorn"}));
    EXPECT_EQ(form->StatusBarBilder1->Panels()->Items(4)->Text().trimmed(), "Volltextfilter gesetzt");
    // A new word under that filter: not combined, the new hits show.
    {
        TFilterAntwort antwort({}, mrNo);
        suchen("ceder");
        EXPECT_TRUE(antwort.Gezeigt.contains("Mit existierenden Filter kombinieren ?"))
            << antwort.Gezeigt.join("|").toStdString();
    }
    EXPECT_EQ(gezeigt(), (std::vector<std::string>{"ceder"}));
    EXPECT_EQ(form->edSearch->Text(), "ceder");
    // Combined with a word no entry has besides: nothing found, and then no
    // filter is set, as the status says.
    {
        TFilterAntwort antwort({}, mrYes);
        suchen("birke");
        EXPECT_TRUE(antwort.Gezeigt.contains("Text nicht gefunden!")) << antwort.Gezeigt.join("|").toStdString();
    }
    EXPECT_EQ(form->StatusBarBilder1->Panels()->Items(4)->Text(), "Kein Filter gesetzt");
    EXPECT_EQ(gezeigt().size(), 3u);
}
