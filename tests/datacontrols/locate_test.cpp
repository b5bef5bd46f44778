// The locate dialog on a table made through the engine: silent FindValue,
// the field list of the window and the messages.

#include "controls_fixture.h"

#include "datacontrols/dk_locate_dialog.h"
#include "datagrid/dk_intl.h"
#include "locate_fixture.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/std_ctrls.h"

#include <QDir>

namespace {

using namespace lxtest_locate;

class LocateTest : public LocateFixture<ControlsTest> {};

TEST_F(LocateTest, FindValueSearchesSilentlyAndReportsNoMoreMatches)
{
    TdkLocateDialog locate(nullptr);
    locate.SetDataSource(source.get());
    locate.SearchField = "Stadt";
    locate.FieldValue = "Köln";
    EXPECT_TRUE(locate.FindValue());
    EXPECT_EQ(Name(), "Schmidt");
    TPromptScript script;
    script.Answer(mrOk, "No more matches found");
    locate.FieldValue = "Paris";
    EXPECT_FALSE(locate.FindValue());
    locate.ShowMessages = false;
    EXPECT_FALSE(locate.FindValue());
    EXPECT_EQ(script.Records().size(), 1u);
}

TEST_F(LocateTest, FindValueWithoutAnActiveTableWarns)
{
    TdkLocateDialog locate(nullptr);
    TPromptScript script;
    script.Answer(mrOk, "DataSource does not refer to an active table!");
    locate.FieldValue = "x";
    EXPECT_FALSE(locate.FindValue());
    script.Answer(mrOk, "DataSource does not reference an active DataSet");
    EXPECT_FALSE(locate.Execute());
    EXPECT_EQ(script.Records().at(1).DlgType, mtError);
}

TEST_F(LocateTest, TheWindowListsLabelsFindsAndWritesTheChoicesBack)
{
    table->FieldByName("Stadt")->SetDisplayLabel("Wohn~ort");
    table->FieldByName("Betrag")->SetVisible(false);
    TdkLocateDialog locate(nullptr);
    locate.SetDataSource(source.get());
    locate.SearchField = "Stadt";
    locate.FieldValue = "Ham";
    locate.FieldSelection = fsVisibleFields;
    locate.Caption = "Suchen";
    QStringList items;
    bool initSeen = false;
    locate.OnInitDialog = [&](TdkLocateDlg* dlg) { initSeen = dlg != nullptr; };
    TPromptScript script;
    script.Modal([&](TCustomForm& f) {
        auto& dlg = dynamic_cast<TdkLocateDlg&>(f);
        items = dlg.FieldNameComboBox->Items()->ToStringList();
        EXPECT_EQ(dlg.Caption(), "Suchen");
        EXPECT_EQ(dlg.SearchValue->Text(), "Ham");
        EXPECT_EQ(dlg.FieldNameComboBox->Text(), "Wohn ort");
        EXPECT_TRUE(dlg.PartialMatchStartBtn->Checked());
        EXPECT_TRUE(dlg.NextButton->Default());
        EXPECT_EQ(locate.Form, &dlg);
        EXPECT_EQ(dlg.CancelButton->Left() + dlg.CancelButton->Width(),
                  dlg.FieldsGroup->Left() + dlg.FieldsGroup->Width() - 1);
        QDir().mkpath(QCoreApplication::applicationDirPath() + "/screenshots");
        dlg.Handle()->grab().save(QCoreApplication::applicationDirPath() + "/screenshots/locate_dialog.png");
        dlg.SearchValue->SetText("BRE");
        dlg.PartialMatchAnyBtn->SetChecked(true);
        dlg.FirstButton->Click();
    });
    EXPECT_TRUE(locate.Execute());
    EXPECT_TRUE(initSeen);
    EXPECT_EQ(items, QStringList({"NAME", "NOTIZ", "Wohn ort"}));
    EXPECT_EQ(Name(), "Müllerin");
    EXPECT_EQ(locate.SearchField, "STADT");
    EXPECT_EQ(locate.FieldValue, "BRE");
    EXPECT_EQ(locate.MatchType, mtPartialMatchAny);
    EXPECT_EQ(locate.Form, nullptr);
}

TEST_F(LocateTest, TheWindowSaysWhenNothingMoreIsFound)
{
    TdkLocateDialog locate(nullptr);
    locate.SetDataSource(source.get());
    locate.SortFields = fsSortByFieldNo;
    TPromptScript script;
    script.Modal([&](TCustomForm& f) {
               auto& dlg = dynamic_cast<TdkLocateDlg&>(f);
               EXPECT_EQ(dlg.FieldNameComboBox->Items()->ToStringList(),
                         QStringList({"NAME", "STADT", "BETRAG", "NOTIZ"}));
               EXPECT_EQ(dlg.SearchValue->Text(), "");
               dlg.FieldNameComboBox->SetItemIndex(1);
               dlg.SearchValue->SetText("Paris");
               dlg.FirstButton->Click();
               EXPECT_EQ(f.ModalResult, mrNone);
               dlg.NextButton->Click();
               EXPECT_EQ(f.ModalResult, mrNone);
               f.ModalResult = mrCancel;
           })
        .Answer(mrOk, "No matches found")
        .Answer(mrOk, "No more matches found");
    EXPECT_FALSE(locate.Execute());
    EXPECT_EQ(locate.FieldValue, "Paris");
    EXPECT_EQ(locate.SearchField, "STADT");
}

}  // namespace
