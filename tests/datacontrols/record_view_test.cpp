// The record view dialog over an album-shaped table: the controls of the
// field list, both layouts, check boxes from the table's control types,
// modeless and modal runs, the cancel question and the close events.

#include "controls_fixture.h"

#include "datacontrols/dk_record_view.h"
#include "platform/ui/buttons.h"
#include "platform/ui/ext_ctrls.h"

#include <QDir>
#include <QImage>
#include <QWidget>

namespace {

class RecordViewTest : public ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        MakeAlbum(3);
        OpenTable();
        TStringList typen;
        typen.Add("MARKIERT;CheckBox;Wahr;Falsch");
        table->SetControlType(typen);
        dialog = std::make_unique<TdkRecordViewDialog>(form.get());
        dialog->DataSource = source.get();
    }
    void TearDown() override
    {
        dialog.reset();
        ControlsTest::TearDown();
    }
    template <typename C>
    int Anzahl() const
    {
        int n = 0;
        TdkRecordViewForm* f = dialog->Form();
        for (int i = 0; f && i < f->ComponentCount(); ++i)
            n += dynamic_cast<C*>(f->Components(i)) != nullptr;
        return n;
    }
    std::unique_ptr<TdkRecordViewDialog> dialog;
};

TEST_F(RecordViewTest, MissingOrClosedDataSetIsReported)
{
    TPromptScript script;
    script.Answer(mrOk, "DataSource or DataSource.DataSet not defined.").Answer(mrOk, "DataSet must be active.");
    TdkRecordViewDialog leer(nullptr);
    EXPECT_FALSE(leer.Execute());
    table->Close();
    EXPECT_FALSE(dialog->Execute());
    EXPECT_EQ(dialog->Form(), nullptr);
}

TEST_F(RecordViewTest, ModelessWindowShowsTheSelectedFieldsWithCaptions)
{
    dialog->Options = TdkRecordViewOptions{rvoHideNavigator, rvoUseCustomControls, rvoShortenEditBox,
                                           rvoConfirmCancel, rvoCloseIsCancel, rvoMaximizeMemoWidth};
    dialog->OKCancelOptions = TdkRecordViewOKCancelOptions{rvokShowOKCancel, rvokAutoCancelRec};
    dialog->Caption = "Datensatzübersicht (ReadOnly)";
    dialog->Selected.Add("MARKIERT\t7\tMarkiert");
    dialog->Selected.Add("SHORTDESC\t34\tKurze~Beschreibung");
    dialog->Selected.Add("<New Line>");
    dialog->Selected.Add("OWNER\t12\tUrheber\tNo");
    dialog->Selected.Add("NOTIZ\t17\tLange Beschreibung");
    int nachher = 0;
    dialog->OnAfterCreateControl = [&](TdkRecordViewForm*, TField*, TControl*) { ++nachher; };
    ASSERT_TRUE(dialog->Execute());
    TdkRecordViewForm* f = dialog->Form();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Caption(), "Datensatzübersicht (ReadOnly)");
    EXPECT_EQ(Anzahl<TdkDBCheckBox>(), 1);
    EXPECT_EQ(Anzahl<TdkDBMemo>(), 1);
    EXPECT_EQ(Anzahl<TdkLabel>(), 1);
    ASSERT_EQ(dialog->EditList().size(), 3u);  // two edits and the memo
    EXPECT_EQ(nachher, 8);                     // label and control of four fields
    auto* kurz = dynamic_cast<TdkDBEdit*>(dialog->EditList()[0]);
    ASSERT_NE(kurz, nullptr);
    EXPECT_EQ(kurz->Text().trimmed(), "Bild 1");
    bool beschriftet = false;
    for (int i = 0; i < f->ComponentCount(); ++i)
        if (auto* l = dynamic_cast<TLabel*>(f->Components(i)))
            beschriftet |= l->Caption() == "Kurze Beschreibung";
    EXPECT_TRUE(beschriftet);
    ASSERT_NE(dialog->OKButton(), nullptr);
    EXPECT_LE(f->Height(), Screen->WorkAreaHeight() - 12);

    // A second Execute only brings the open window to the front.
    EXPECT_FALSE(dialog->Execute());
    EXPECT_EQ(dialog->Form(), f);

    const QString ordner = QCoreApplication::applicationDirPath() + "/screenshots";
    QDir().mkpath(ordner);
    EXPECT_TRUE(f->Handle()->grab().toImage().save(ordner + "/record_view.png"));

    int geschlossen = 0;
    dialog->OnCloseDialog = [&](TdkRecordViewForm*) { ++geschlossen; };
    dialog->CancelButtonClick(nullptr);
    EXPECT_EQ(geschlossen, 1);
    EXPECT_EQ(dialog->Form(), nullptr);
    EXPECT_EQ(dialog->CloseReason(), 1);
}

TEST_F(RecordViewTest, EmptyFieldListShowsEveryFieldAndHideOptionsApply)
{
    dialog->Options = TdkRecordViewOptions{rvoHideNavigator, rvoHideReadOnly};
    table->FieldByName("OWNER")->SetReadOnly(true);
    ASSERT_TRUE(dialog->Execute());
    int felder = 0;
    for (int i = 0; i < table->FieldCount(); ++i)
        felder += !table->Fields(i)->ReadOnly();
    EXPECT_EQ(int(dialog->EditList().size()), felder);
    dialog->OKButtonClick(nullptr);
    EXPECT_EQ(dialog->Form(), nullptr);
}

TEST_F(RecordViewTest, CancelAfterAChangeAsksAndNoThrowsTheChangeAway)
{
    dialog->Options = TdkRecordViewOptions{rvoHideNavigator, rvoConfirmCancel, rvoCloseIsCancel};
    dialog->OKCancelOptions = TdkRecordViewOKCancelOptions{rvokShowOKCancel, rvokAutoCancelRec};
    dialog->Selected.Add("SHORTDESC\t34\tBeschreibung");
    ASSERT_TRUE(dialog->Execute());
    auto* edit = dynamic_cast<TdkDBEdit*>(dialog->EditList().at(0));
    ASSERT_NE(edit, nullptr);
    edit->SetFocus();
    Type(edit, "X");
    EXPECT_TRUE(edit->Modified);
    TPromptScript script;
    script.Answer(mrCancel, "Changes have been made!");
    dialog->Form()->Close();  // the close box: Cancel keeps the window
    ASSERT_NE(dialog->Form(), nullptr);
    script.Answer(mrNo, "Changes have been made!");
    dialog->Form()->Close();
    EXPECT_EQ(dialog->Form(), nullptr);
    EXPECT_EQ(table->State(), dsBrowse);
    EXPECT_EQ(Stored(1, "SHORTDESC"), "Bild 1");
}

TEST_F(RecordViewTest, HorizontalStyleStartsANewRowAtNewLine)
{
    dialog->Style = rvsHorizontal;
    dialog->Options = TdkRecordViewOptions{rvoHideNavigator};
    dialog->Selected.Add("OWNER\t5\tUrheber");
    dialog->Selected.Add("SERIE\t5\tSerie");
    dialog->Selected.Add("<New Line>");
    dialog->Selected.Add("LABEL\t5\tLabel");
    ASSERT_TRUE(dialog->Execute());
    const auto& e = dialog->EditList();
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0]->Top(), e[1]->Top());
    EXPECT_GT(e[1]->Left(), e[0]->Left());
    EXPECT_GT(e[2]->Top(), e[0]->Top());
    EXPECT_EQ(e[2]->Left(), e[0]->Left());
    dialog->OKButtonClick(nullptr);
}

TEST_F(RecordViewTest, ModalRunEndsWithOk)
{
    dialog->Options = TdkRecordViewOptions{rvoHideNavigator, rvoModalForm};
    dialog->Selected.Add("SHORTDESC\t34\tBeschreibung");
    TPromptScript script;
    script.Modal([this](TCustomForm&) { dialog->OKButtonClick(nullptr); });
    EXPECT_TRUE(dialog->Execute());
    EXPECT_EQ(dialog->Form(), nullptr);
    EXPECT_EQ(dialog->CloseReason(), 0);
}

}  // namespace
