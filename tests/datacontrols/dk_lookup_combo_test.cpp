// Guards the lookup combo: the shown column, the drop-down list, typed searches and the fields it writes.
#include "lookup_fixture.h"

#include <QLineEdit>
#include <QScrollBar>

namespace {

TEST_F(LookupComboTest, ShowsTheDisplayColumnOfTheStoredValue)
{
    EXPECT_EQ(combo->Text(), "Berg");
    EXPECT_EQ(combo->Grid()->LookupValue, "B02");
    fotos.Next();  // a value the lookup table does not hold
    EXPECT_EQ(combo->Text(), "");
    EXPECT_EQ(combo->Grid()->LookupValue, "");
    EXPECT_EQ(combo->Grid()->CurrentRow, -1);
}

TEST_F(LookupComboTest, ListShrinksToFewRecordsAndKeepsItsRowsForMany)
{
    combo->DropDown();
    ASSERT_TRUE(combo->ListVisible());
    TdkPopupGrid* grid = combo->Grid();
    const int rowHeight = grid->DefaultRowHeight();
    EXPECT_EQ(grid->Height(), rowHeight * 3 + 5);  // three records, eight rows asked for
    EXPECT_FALSE(grid->ShowVertScrollBar());
    EXPECT_GE(grid->Width(), combo->Width() - 4);
    const TPoint origin = combo->ClientToScreen(TPoint{0, 0});
    EXPECT_EQ(grid->Top(), origin.Y + combo->Height() - 1);
    EXPECT_EQ(grid->Left(), origin.X);
    SaveShot(grid->Handle(), "lookup_combo_list");
    SaveShot(form.Handle(), "lookup_combo_form");
    EXPECT_EQ(grid->CurrentRow, 1);  // the stored value's row is drawn as chosen
    combo->CloseUp(false);
    EXPECT_FALSE(combo->ListVisible());

    lookup.Close();
    MakeCategories(20, "KATEG.DBF");
    lookup.Open();
    combo->DropDown();
    EXPECT_EQ(grid->Height(), rowHeight * 8 + 5);
    EXPECT_TRUE(grid->ShowVertScrollBar());
    combo->CloseUp(false);

    combo->DropDownCount = 0;  // one row
    combo->DropDown();
    EXPECT_EQ(grid->Height(), rowHeight + 5);
    combo->CloseUp(false);

    // Right-aligned: the list's right edge is at the combo's right edge + 1.
    combo->DropDownAlignment = taRightJustify;
    combo->DropDownWidth = 300;
    combo->DropDown();
    EXPECT_EQ(grid->Left() + grid->Width(), origin.X + 1 + combo->Width());
    combo->CloseUp(false);

    combo->SetBounds(10, 10, 20, 25);  // too narrow to open
    combo->DropDown();
    EXPECT_FALSE(combo->ListVisible());
}

TEST_F(LookupComboTest, ListOpensUpwardAtTheBottomOfTheScreen)
{
    form.SetBounds(100, Screen->Height() - 60, 400, 300);
    QCoreApplication::processEvents();
    combo->DropDown();
    const TPoint origin = combo->ClientToScreen(TPoint{0, 0});
    EXPECT_EQ(combo->Grid()->Top(), origin.Y - combo->Grid()->Height() + 1);
    combo->CloseUp(false);
}

TEST_F(LookupComboTest, TypingSearchesAfterThePauseAndEnterWritesAllThreeFields)
{
    fotos.Edit();
    combo->SetFocus();
    combo->DropDown();
    combo->SelectAll();
    Type("an");
    EXPECT_TRUE(combo->SearchTimer()->Enabled());
    EXPECT_EQ(combo->SearchTimer()->Interval(), 166);
    EXPECT_EQ(Field("KAT"), "B02");  // nothing yet
    Tick();
    EXPECT_EQ(lookup.FieldByName("KATNAME")->AsString(), "Anker");
    EXPECT_TRUE(combo->FoundFlag());
    Key(Qt::Key_Return, "\r");
    EXPECT_FALSE(combo->ListVisible());
    EXPECT_EQ(combo->Text(), "Anker");
    EXPECT_EQ(Field("KAT"), "A03");
    EXPECT_EQ(Field("KATNAME"), "Anker");
    EXPECT_EQ(Field("KATNR"), "3");
    EXPECT_EQ(combo->EntryValue(), "A03");
}

TEST_F(LookupComboTest, IndexedLookupTableIsSearchedByTheDisplayColumnsOrder)
{
    lookup.Close();
    ASSERT_TRUE(MakeTags("KATEG.DBF", {{"KAT", "KAT"}, {"KATNAME", "KATNAME"}}));
    lookup.Open();
    lookup.SetIndexName("KAT");
    fotos.Edit();
    combo->SetFocus();
    combo->DropDown();
    EXPECT_EQ(lookup.IndexName(), "KATNAME");  // ordered by the display column
    combo->SelectAll();
    Type("Anke");  // the nearest key of a case-sensitive order
    Tick();
    EXPECT_TRUE(combo->FoundFlag());
    EXPECT_EQ(lookup.FieldByName("KAT")->AsString(), "A03");
    Key(Qt::Key_Return, "\r");
    EXPECT_EQ(Field("KAT"), "A03");

    // Closed, a typed text must match a whole key: "Ber" is not "Berg".
    combo->SelectAll();
    Type("Ber");
    combo->CloseUp(true);
    EXPECT_EQ(combo->Text(), "Ber");
    combo->ShowMatchText = true;
    combo->SelectAll();
    Type("Ber");
    EXPECT_EQ(combo->Text(), "Berg");  // while typing the search is a partial one
}

TEST_F(LookupComboTest, ShowMatchTextCompletesWhileClosed)
{
    fotos.Edit();
    combo->ShowMatchText = true;
    combo->SetFocus();
    combo->SelectAll();
    Type("Ab");
    auto* edit = static_cast<QLineEdit*>(combo->Handle());
    EXPECT_EQ(combo->Text(), "Abbey");
    EXPECT_EQ(edit->selectedText(), "bey");
    EXPECT_FALSE(combo->ListVisible());
    Key(Qt::Key_Backspace);  // removes the completion, no new search
    EXPECT_EQ(combo->Text(), "Ab");
    EXPECT_FALSE(combo->SearchTimer()->Enabled());
}

TEST_F(LookupComboTest, NotInListHandlerDecides)
{
    fotos.Edit();
    std::vector<QString> asked;
    bool accept = false;
    combo->OnNotInList = [&](TObject*, TDataSet* table, const QString& value, bool& Accept) {
        EXPECT_EQ(table, &lookup);
        asked.push_back(value);
        Accept = accept;
    };
    combo->SetFocus();
    combo->DropDown();
    combo->SelectAll();
    Type("Zz");
    Tick();
    EXPECT_FALSE(combo->FoundFlag());
    Key(Qt::Key_Return, "\r");
    ASSERT_EQ(asked, std::vector<QString>{"Zz"});
    EXPECT_EQ(combo->Text(), "Berg");  // refused: the entry text returns
    EXPECT_EQ(Field("KAT"), "B02");
}

TEST_F(LookupComboTest, AcceptedNewValueIsWrittenOnlyWithTheRecordTheHandlerChose)
{
    fotos.Edit();
    bool add = false;
    combo->OnNotInList = [&](TObject*, TDataSet* table, const QString& value, bool& Accept) {
        Accept = true;
        if (!add)
            return;  // accepted, but no record for it
        table->Append();
        table->FieldByName("KAT")->SetAsString("Z99");
        table->FieldByName("KATNAME")->SetAsString(value);
        table->FieldByName("KATNR")->SetAsString("99");
        table->Post();
    };
    combo->SetFocus();
    combo->DropDown();
    combo->SelectAll();
    Type("Zoo");
    Tick();
    Key(Qt::Key_Return, "\r");
    EXPECT_EQ(Field("KAT"), "B02");  // no record named Zoo: nothing else is written for it
    EXPECT_EQ(combo->Text(), "Berg");

    add = true;
    combo->DropDown();
    combo->SelectAll();
    Type("Zoo");
    Tick();
    Key(Qt::Key_Return, "\r");
    EXPECT_EQ(Field("KAT"), "Z99");
    EXPECT_EQ(Field("KATNAME"), "Zoo");
    EXPECT_EQ(Field("KATNR"), "99");
}

TEST_F(LookupComboTest, EscRestoresTheEnteredTextAndValue)
{
    fotos.Edit();
    combo->SetFocus();
    combo->DropDown();
    combo->SelectAll();
    Type("ch");
    Tick();
    Key(Qt::Key_Escape, "\x1b");
    EXPECT_FALSE(combo->ListVisible());
    EXPECT_EQ(combo->Text(), "Berg");
    EXPECT_EQ(combo->Grid()->LookupValue, "B02");
    EXPECT_EQ(Field("KAT"), "B02");
}

TEST_F(LookupComboTest, ClickOnAListRowClosesAndWrites)
{
    fotos.Edit();
    combo->SetFocus();
    combo->DropDown();
    TdkPopupGrid* grid = combo->Grid();
    const TRect cell = grid->CellRect(0, 2);  // the third record (natural order)
    lxui_test::SendClick(grid->Handle(), QPoint(cell.Left + 5, cell.Top + 3));
    EXPECT_FALSE(combo->ListVisible());
    EXPECT_EQ(Field("KAT"), "A03");
    EXPECT_EQ(combo->Text(), "Anker");
}

TEST_F(LookupComboTest, DuplicateSourceAndMissingTablesAreRefused)
{
    EXPECT_THROW(combo->SetLookupTable(&fotos), EInvalidOperation);
    TDataSource lookupSource(&lookup);
    EXPECT_THROW(combo->SetDataSource(&lookupSource), EInvalidOperation);
    try {
        combo->SetDataSource(combo->Grid()->LookupSource());
        ADD_FAILURE();
    } catch (const EInvalidOperation& e) {
        EXPECT_EQ(e.Message, "Kann doppelte DataSource und LookupSource nicht benutzen");
    }
    TdkDBLookupCombo bare(&form);
    bare.SetParent(&form);
    bare.SetBounds(10, 50, 100, 25);
    {
        TPromptScript script;
        script.Answer(mrOk, "No lookup table specified!");
        bare.DropDown();
    }
    TdkTable closed;
    bare.SetLookupTable(&closed);
    {
        TPromptScript script;
        script.Answer(mrOk, "Lookup table is not active!");
        bare.DropDown();
    }
    EXPECT_FALSE(bare.ListVisible());
}

TEST_F(LookupComboTest, ClickOnADropDownListComboOpensAndClosesTheList)
{
    combo->Style = csDropDownList;
    lxui_test::SendClick(combo->Handle(), QPoint(20, 10));
    EXPECT_TRUE(combo->ListVisible());
    lxui_test::SendClick(combo->Handle(), QPoint(20, 10));
    EXPECT_TRUE(combo->ListVisible());  // an open list takes clicks as an edit does
    combo->Button()->Click();
    EXPECT_FALSE(combo->ListVisible());
    Type("x");  // a closed list combo takes no typing
    EXPECT_EQ(combo->Text(), "Berg");
}

TEST_F(LookupComboTest, InsideADataGridTabGoesOnToTheGrid)
{
    TdkDBGrid grid(&form);
    grid.SetParent(&form);
    grid.SetBounds(10, 100, 300, 120);
    grid.SetDataSource(&fotosSource);
    TdkDBLookupCombo cell(&form);
    Link(cell, &grid, 20, 20, 120, 20);
    QCoreApplication::processEvents();
    cell.SetFocus();
    ASSERT_TRUE(cell.Focused());
    const int col = grid.Col();
    lxui_test::SendKey(cell.Handle(), Qt::Key_Tab, "\t");
    EXPECT_TRUE(grid.Focused());
    EXPECT_EQ(grid.Col(), col + 1);  // the grid moved on to the next column

    cell.SetFocus();
    lxui_test::SendKey(cell.Handle(), Qt::Key_Escape, "\x1b");  // Esc hands the focus back too
    EXPECT_TRUE(grid.Focused());
}

TEST_F(LookupComboTest, AllowClearKeyEmptiesTheValue)
{
    fotos.Edit();
    combo->AllowClearKey = true;
    combo->SetFocus();
    combo->SelectAll();
    Key(Qt::Key_Delete);
    EXPECT_EQ(combo->Text(), "");
    fotos.Post();
    EXPECT_EQ(Field("KAT"), "");
}

TEST_F(LookupComboTest, LookupListWritesTheRowTakenByClickOrKey)
{
    TdkDBLookupList list(&form);
    Link(list, &form, 200, 10, 150, 80);
    QCoreApplication::processEvents();
    int clicks = 0;
    list.OnClick = [&](TObject*) { ++clicks; };
    SaveShot(list.Handle(), "lookup_list");
    int row = -1;
    for (int r = 0; r < 3; ++r)
        if (list.PaintedText(1, r) == "Anker")  // columns KAT, KATNAME, KATNR
            row = r;
    ASSERT_GE(row, 0);
    const TRect cell = list.CellRect(0, row);
    lxui_test::SendClick(list.Handle(), QPoint(cell.Left + 5, cell.Top + 3));
    EXPECT_EQ(list.LookupValue, "A03");
    EXPECT_EQ(list.DisplayText, "Anker");
    EXPECT_EQ(clicks, 1);
    fotos.Post();
    EXPECT_EQ(Field("KAT"), "A03");

    const QString above = row > 0 ? list.PaintedText(1, row - 1) : QString();
    lxui_test::SendKey(list.Handle(), Qt::Key_Up);  // the row above is taken at once
    EXPECT_EQ(list.DisplayText, lookup.FieldByName("KATNAME")->AsString());
    EXPECT_NE(list.LookupValue, "A03");
    if (!above.isEmpty()) {
        EXPECT_EQ(list.DisplayText, above);
    }
    fotos.Post();
    EXPECT_EQ(Field("KAT"), list.LookupValue);
}

TEST_F(LookupComboTest, ScrollingTheChosenRowOutOfViewClearsIt)
{
    lookup.Close();
    MakeCategories(20);
    lookup.Open();
    TdkDBLookupList list(&form);
    Link(list, &form, 200, 10, 150, 4 * 18);
    SaveShot(list.Handle(), "lookup_list_scroll");  // paints, so the chosen row is known
    ASSERT_GE(list.CurrentRow, 0);
    EXPECT_EQ(list.DisplayText, "Berg");
    lookup.MoveBy(12);
    EXPECT_EQ(list.CurrentRow, -1);
    EXPECT_EQ(list.LookupValue, "B02");  // the value stays chosen
}

TEST_F(LookupComboTest, TheScrollBarsLineStepsMoveTheTablePastTheShownRows)
{
    lookup.Close();
    MakeCategories(20);
    lookup.Open();
    TdkDBLookupList list(&form);
    Link(list, &form, 200, 10, 150, 4 * 18);
    SaveShot(list.Handle(), "lookup_list_scroll");
    lookup.First();
    QCoreApplication::processEvents();
    const int rows = list.DataLink()->RecordCount();
    ASSERT_GT(rows, 1);
    QScrollBar* bar = nullptr;
    for (QScrollBar* b : list.Handle()->findChildren<QScrollBar*>())
        if (b->orientation() == Qt::Vertical)
            bar = b;
    ASSERT_NE(bar, nullptr);
    // A click on the bar's down arrow: the record below the last shown row.
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(lookup.RecNo(), rows + 1);
    // The up arrow: the record above the first shown row.
    const int oben = lookup.RecNo() - list.DataLink()->ActiveRecord();
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(lookup.RecNo(), oben - 1);
}

TEST_F(LookupComboTest, CaseSensitiveSequentialSearch)
{
    fotos.Edit();
    combo->SeqSearchOptions = TdkSeqSearchOptions{ssoEnabled, ssoCaseSensitive};
    combo->SetFocus();
    combo->DropDown();
    combo->SelectAll();
    Type("an");
    Tick();
    EXPECT_FALSE(combo->FoundFlag());  // "Anker" begins with "An", not "an"
    combo->SelectAll();
    Type("An");
    Tick();
    EXPECT_TRUE(combo->FoundFlag());
    EXPECT_EQ(lookup.FieldByName("KATNAME")->AsString(), "Anker");
    combo->SeqSearchOptions = TdkSeqSearchOptions{};  // searching switched off
    combo->SelectAll();
    Type("Ab");
    Tick();
    EXPECT_EQ(lookup.FieldByName("KATNAME")->AsString(), "Anker");
    combo->CloseUp(false);
}

TEST_F(LookupComboTest, LookupListOptionsAndAValueNotInTheTable)
{
    TdkDBLookupList list(&form);
    list.SetListOptions(TdkDBLookupListOptions{loTitles, loRowLines});
    EXPECT_EQ(list.Options(), (TdkDBGridOptions{dgRowSelect, dgRowLines, dgTitles}));
    EXPECT_EQ(list.TitleRows(), 1);
    Link(list, &form, 200, 10, 150, 80);
    EXPECT_EQ(list.DisplayText, "Berg");
    fotos.Next();
    EXPECT_EQ(list.CurrentRow, -1);
    EXPECT_EQ(list.DisplayText, "");
    EXPECT_THROW(list.SetLookupTable(&fotos), EInvalidOperation);
}

}  // namespace

namespace {

// A linked lookup field: FOTOS.KATLOOK shows KATEG.KATNAME of the record
// whose KAT equals FOTOS.KAT; choosing a record writes the master KAT.
TEST_F(LookupComboTest, LinkedLookupFieldWritesTheMasterField)
{
    TdkTable edited;
    OpenLinked(edited);
    TDataSource editedSource(&edited);
    TdkTable categories;
    Open(categories, "KATEG.DBF");

    TdkDBLookupCombo linked(&form);
    linked.SetParent(&form);
    linked.SetBounds(10, 60, 160, 25);
    linked.SetLookupTable(&categories);
    linked.SetDataSource(&editedSource);
    linked.SetDataField("KATLOOK");
    EXPECT_TRUE(linked.Linked());
    EXPECT_EQ(linked.LookupField(), "KAT");
    EXPECT_EQ(linked.Selected().Count(), 1);  // the display field of the lookup entry
    EXPECT_EQ(linked.Text(), "Berg");
    EXPECT_EQ(linked.Grid()->LookupValue, "B02");

    linked.SetFocus();
    linked.DropDown();
    EXPECT_EQ(categories.FieldByName("KAT")->AsString(), "B02");  // the list opens on the linked record
    linked.SelectAll();
    for (QChar c : QString("An"))  // the display column's order is searched by nearest key
        lxui_test::SendKey(linked.Handle(), QChar(c.toUpper()).unicode(), QString(c));
    linked.SearchTimer()->Timer();
    lxui_test::SendKey(linked.Handle(), Qt::Key_Return, "\r");
    EXPECT_FALSE(linked.ListVisible());
    EXPECT_EQ(edited.State(), dsEdit);
    EXPECT_EQ(edited.FieldByName("KAT")->AsString(), "A03");
    EXPECT_EQ(linked.Text(), "Anker");
    edited.Post();
    EXPECT_EQ(edited.FieldByName("KATLOOK")->AsString(), "Anker");
    EXPECT_EQ(linked.Text(), "Anker");
}

// A detail lookup table: only the categories of the record's group are
// choices, and moving the edited record shows its value from its own group.
TEST_F(LookupComboTest, DetailLookupTableFollowsTheEditedRecord)
{
    MakeTable("GRUPPEN.DBF", {{"GRUPPE", 'C', 2, 0}, {"KAT", 'C', 4, 0}, {"KATNAME", 'C', 20, 0}}, 4, [](int i) {
        static const char* const rows[][3] = {
            {"G1", "A01", "Abbey"}, {"G1", "B02", "Berg"}, {"G2", "B02", "Bruecke"}, {"G2", "C04", "Chor"}};
        Text("GRUPPE", rows[i - 1][0]);
        Text("KAT", rows[i - 1][1]);
        Text("KATNAME", rows[i - 1][2]);
    });
    ASSERT_TRUE(MakeTags("GRUPPEN.DBF", {{"GK", "GRUPPE"}}));
    MakeTable("BILDGR.DBF", {{"GRUPPE", 'C', 2, 0}, {"KAT", 'C', 4, 0}}, 2, [](int i) {
        Text("GRUPPE", i == 1 ? "G1" : "G2");
        Text("KAT", "B02");
    });
    TdkTable pictures;
    Open(pictures, "BILDGR.DBF");
    TDataSource picturesSource(&pictures);
    TdkTable groups;
    groups.SetIndexName("GK");
    groups.SetMasterSource(&picturesSource);
    groups.SetMasterFields("GRUPPE");
    Open(groups, "GRUPPEN.DBF");
    int shown = 0;
    for (groups.First(); !groups.Eof(); groups.Next())
        ++shown;
    ASSERT_EQ(shown, 2);  // the first picture's group

    TdkDBLookupCombo detail(&form);
    detail.SetParent(&form);
    detail.SetBounds(10, 60, 160, 25);
    detail.Selected().Add("KATNAME\t20\tKategorie");
    detail.SetLookupTable(&groups);
    detail.SetLookupField("KAT");
    detail.SetDataSource(&picturesSource);
    detail.SetDataField("KAT");
    EXPECT_EQ(detail.Text(), "Berg");
    pictures.Next();
    EXPECT_EQ(detail.Text(), "Bruecke");
    pictures.Prior();
    EXPECT_EQ(detail.Text(), "Berg");
}

}  // namespace

namespace {

TEST_F(LookupComboTest, ALowComboGrowsToOneLineOfText)
{
    const int minimum = combo->MinimumHeight();
    EXPECT_GT(minimum, 10);
    combo->SetHeight(6);
    EXPECT_EQ(combo->Height(), minimum);
    combo->SetHeight(minimum + 10);  // higher stays as it is
    EXPECT_EQ(combo->Height(), minimum + 10);
}

TEST_F(LookupComboTest, TheListShowsAndOnAStayOnTopFormStaysAboveAllWindows)
{
    combo->DropDown();
    ASSERT_TRUE(combo->ListVisible());
    EXPECT_TRUE(combo->Grid()->Handle()->isVisible());  // the list shows on the screen
    EXPECT_FALSE(combo->Grid()->Handle()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    combo->CloseUp(false);
    form.SetFormStyle(fsStayOnTop);
    QCoreApplication::processEvents();
    combo->DropDown();
    ASSERT_TRUE(combo->ListVisible());
    EXPECT_TRUE(combo->Grid()->Handle()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(combo->Grid()->Handle()->isVisible());
    combo->CloseUp(false);
    EXPECT_FALSE(combo->Grid()->Handle()->isVisible());
}

}  // namespace
