// Guards the lookup dialog: its columns, the indexed search and the record it hands back.
#include "lookup_fixture.h"

#include "datacontrols/dk_lookup_combo_dialog.h"
#include "datacontrols/dk_lookup_dialog.h"

namespace {

class LookupDialogTest : public LookupComboTest {
protected:
    void SetUp() override
    {
        PicturesTest::SetUp();
        SetUpTables();
        dialogCombo = new TdkDBLookupComboDlg(&form);
        PlaceCombo(dialogCombo);
    }

    // The dialog with default settings on the lookup table.
    bool Execute(const TStringList* columns, TdkDBLookupDlgOptions options, int maxHeight = 0, int maxWidth = 0)
    {
        return dkExecuteLookupDialog(&form, columns, &lookup, true, QString(), nullptr, nullptr, nullptr, nullptr,
                                     QString(), QString(), ecNormal, maxHeight, maxWidth, "Kategorie",
                                     taLeftJustify, clWhite, TdkDBGridOptions{dgTitles, dgColLines, dgRowSelect},
                                     options);
    }

    TdkDBLookupComboDlg* dialogCombo = nullptr;
};

TEST_F(LookupDialogTest, EmptyColumnListShowsEveryVisibleFieldAndEnterChooses)
{
    lookup.FieldByName("KATNR")->SetVisible(false);
    TPromptScript script;
    script.Modal<TdkLookupDlg>([&](TdkLookupDlg& d) {
        ASSERT_EQ(d.dkDBGrid1->Selected().Count(), 2);
        EXPECT_EQ(d.dkDBGrid1->Selected()[0].section('\t', 0, 2), "KAT\t4\tKAT");
        EXPECT_EQ(d.dkDBGrid1->Selected()[1].section('\t', 0, 2), "KATNAME\t20\tKATNAME");
        EXPECT_EQ(d.Caption(), "Kategorie");
        // Screen size less 40 and 200 pixels.
        EXPECT_EQ(d.MaxWidth, Screen->Width() - 40);
        EXPECT_EQ(d.MaxHeight, Screen->Height() - 200);
        // No index: no search-by row.
        EXPECT_FALSE(d.dkKeyCombo1->Visible());
        EXPECT_EQ(d.SearchCharacterLabel->Caption(), "&Search Characters");
        EXPECT_TRUE(d.OKButton->Visible());
        EXPECT_GT(d.OKButton->Top(), d.dkDBGrid1->Top() + d.dkDBGrid1->Height());
        SaveShot(d.Handle(), "lookup_dialog");
        d.dkIncrementalSearch1->SetDataSource(&d.DataSource1);
        // Without an index the box searches the first field.
        d.dkIncrementalSearch1->SetText("a03");
        d.dkIncrementalSearch1->DoSearch();
        lxui_test::SendKey(d.dkIncrementalSearch1->Handle(), Qt::Key_Return, "\r");
    });
    EXPECT_TRUE(Execute(nullptr, TdkDBLookupDlgOptions{opShowOKCancel, opShowSearchBy}));
    EXPECT_EQ(lookup.FieldByName("KATNAME")->AsString(), "Anker");
}

TEST_F(LookupDialogTest, IndexedTableShowsTheSearchByRowAndSearchesItsKey)
{
    lookup.Close();
    ASSERT_TRUE(MakeTags("KATEG.DBF", {{"KATNAME", "KATNAME"}, {"KAT", "KAT"}}));
    lookup.Open();
    lookup.SetIndexName("KATNAME");
    TStringList columns;
    columns.Add("KAT\t4\tSchlüssel");
    columns.Add("KATNAME\t20\tName");
    TPromptScript script;
    script.Modal<TdkLookupDlg>([&](TdkLookupDlg& d) {
        EXPECT_TRUE(d.dkKeyCombo1->Visible());
        EXPECT_EQ(d.dkKeyCombo1->Items()->ToStringList(), (QStringList{"Name", "Schlüssel"}));
        EXPECT_EQ(d.dkKeyCombo1->Text(), "Name");
        EXPECT_GT(d.dkKeyCombo1->Top(), d.dkDBGrid1->Top() + d.dkDBGrid1->Height());
        // The index field leads the columns and is what the box searches.
        EXPECT_EQ(lookup.FieldByName("KATNAME")->Index(), 0);
        EXPECT_EQ(d.dkIncrementalSearch1->SearchField(), "KATNAME");
        SaveShot(d.Handle(), "lookup_dialog_search_by");
        d.CancelButton->Click();
    });
    EXPECT_FALSE(Execute(&columns, TdkDBLookupDlgOptions{opShowOKCancel, opShowSearchBy}, 209));
}

TEST_F(LookupDialogTest, ComboOpensTheDialogAndTakesTheChosenRecord)
{
    fotos.Edit();
    std::vector<bool> closeUps;
    combo->OnCloseUp = [&](TObject*, TDataSet*, TDataSet*, bool modified) { closeUps.push_back(modified); };
    EXPECT_EQ(combo->Button()->Caption(), "...");
    TPromptScript script;
    script.Modal<TdkLookupDlg>([&](TdkLookupDlg& d) {
        // The table stands on the shown value.
        EXPECT_EQ(lookup.FieldByName("KAT")->AsString(), "B02");
        lookup.Last();
        d.OKButton->Click();
    });
    combo->Button()->Click();
    EXPECT_EQ(Field("KAT"), "A03");
    EXPECT_EQ(Field("KATNAME"), "Anker");
    EXPECT_EQ(Field("KATNR"), "3");
    EXPECT_EQ(combo->Text(), "Anker");
    EXPECT_EQ(closeUps, std::vector<bool>{true});

    // Cancel leaves the field and reports no change.
    script.Modal<TdkLookupDlg>([&](TdkLookupDlg& d) {
        lookup.First();
        d.CancelButton->Click();
    });
    combo->DropDown();
    EXPECT_EQ(Field("KAT"), "A03");
    EXPECT_EQ(closeUps, (std::vector<bool>{true, false}));

    // OK on the record already chosen: the close-up reports the dialog's OK.
    script.Modal<TdkLookupDlg>([&](TdkLookupDlg& d) {
        lookup.Last();
        d.OKButton->Click();
    });
    combo->DropDown();
    EXPECT_EQ(Field("KAT"), "A03");
    EXPECT_EQ(closeUps, (std::vector<bool>{true, false, true}));
}

TEST_F(LookupDialogTest, ReadOnlyComboOpensNothingAndEmptyColumnsShowTheLookupField)
{
    combo->SetLookupReadOnly(true);
    {
        TPromptScript none;  // a dialog would be an unexpected prompt
        combo->DropDown();
    }
    combo->SetLookupReadOnly(false);

    combo->Selected().Clear();
    TPromptScript script;
    script.Modal<TdkLookupDlg>([&](TdkLookupDlg& d) {
        // One column, the lookup field (its width is the dialog's layout).
        ASSERT_EQ(d.dkDBGrid1->Selected().Count(), 1);
        EXPECT_EQ(d.dkDBGrid1->Selected()[0].section('\t', 0, 0), "KAT");
        EXPECT_EQ(d.dkDBGrid1->Selected()[0].section('\t', 2, 2), "KAT");
        d.CancelButton->Click();
    });
    combo->DropDown();
}

TEST_F(LookupDialogTest, LinkedFieldTakesTheChosenRecordIntoItsMasterField)
{
    TdkTable edited;
    OpenLinked(edited);
    TDataSource editedSource(&edited);
    TdkTable categories;
    Open(categories, "KATEG.DBF");
    categories.SetIndexName("KAT");

    TdkDBLookupComboDlg linked(&form);
    linked.SetParent(&form);
    linked.SetBounds(10, 60, 160, 25);
    linked.SetLookupTable(&categories);
    linked.SetDataSource(&editedSource);
    linked.SetDataField("KATLOOK");
    EXPECT_EQ(linked.Text(), "Berg");
    std::vector<bool> closeUps;
    linked.OnCloseUp = [&](TObject*, TDataSet*, TDataSet* fill, bool modified) {
        EXPECT_EQ(fill, &edited);
        closeUps.push_back(modified);
    };
    TPromptScript script;
    script.Modal<TdkLookupDlg>([&](TdkLookupDlg& d) {
        EXPECT_EQ(categories.FieldByName("KAT")->AsString(), "B02");  // on the linked record
        categories.First();  // A01, Abbey
        d.OKButton->Click();
    });
    linked.DropDown();
    EXPECT_EQ(edited.FieldByName("KAT")->AsString(), "A01");
    EXPECT_EQ(linked.Text(), "Abbey");
    EXPECT_EQ(closeUps, std::vector<bool>{true});
}

}  // namespace
