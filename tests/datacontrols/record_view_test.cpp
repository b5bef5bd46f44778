// The record view dialog over an album-shaped table: the controls of the
// field list, both layouts, check boxes from the table's control types,
// modeless and modal runs, the cancel question and the close events.

#include "controls_fixture.h"

#include "datacontrols/dk_record_view.h"
#include "platform/ui/buttons.h"
#include "platform/ui/ext_ctrls.h"

#include <QDir>
#include <QImage>
#include <QListWidget>
#include <QTest>
#include <QToolButton>
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

    // Every row shows whole in the window: nothing is cut off at the bottom
    // or the right.
    QCoreApplication::processEvents();
    for (TWinControl* c : dialog->EditList()) {
        EXPECT_LE(c->Top() + c->Height(), f->ScrollBox->ClientHeight());
        EXPECT_LE(c->Left() + c->Width(), f->ScrollBox->ClientWidth());
    }

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

// The pick-list combo of a field lives on the owner form (here in a panel,
// as the main window keeps it in its grid); the window borrows it.
class BorrowedControlTest : public RecordViewTest {
protected:
    void SetUp() override
    {
        RecordViewTest::SetUp();
        ablage = new TPanel(form.get());
        ablage->SetParent(form.get());
        ablage->SetBounds(250, 150, 200, 100);
        combo = new TdkDBComboBox(form.get());
        combo->Name = "DBComboBoxBilderQualitaet";
        combo->SetParent(ablage);
        combo->SetBounds(3, 4, 90, 18);
        combo->SetVisible(false);
        combo->MapList = true;
        combo->SetStyle(csDropDownList);
        QStringList q{"Nicht bewertet\t0"};
        for (int i = 1; i <= 6; ++i)
            q << QString("%1. Qualität\t%1").arg(i);
        combo->SetItems(q);
        combo->Loaded();
        TStringList typen;
        typen.Add("MARKIERT;CheckBox;Wahr;Falsch");
        typen.Add("qualitaet;CustomEdit;DBComboBoxBilderQualitaet");
        table->SetControlType(typen);
        dialog->Options = TdkRecordViewOptions{rvoHideNavigator, rvoUseCustomControls, rvoShortenEditBox,
                                               rvoConfirmCancel, rvoCloseIsCancel, rvoMaximizeMemoWidth};
        dialog->OKCancelOptions = TdkRecordViewOKCancelOptions{rvokShowOKCancel, rvokAutoPostRec};
        dialog->Selected.Add("SHORTDESC\t34\tBeschreibung");
        dialog->Selected.Add("QUALITAET\t20\tBild-Qualität");
        dialog->Selected.Add("OWNER\t12\tUrheber");
    }
    TLabel* LabelOf(TWinControl* c) const
    {
        TdkRecordViewForm* f = dialog->Form();
        for (int i = 0; f && i < f->ComponentCount(); ++i)
            if (auto* l = dynamic_cast<TLabel*>(f->Components(i)); l && l->FocusControl == c)
                return l;
        return nullptr;
    }
    TPanel* ablage = nullptr;
    TdkDBComboBox* combo = nullptr;
};

TEST_F(BorrowedControlTest, TheFormsComboShowsTheFieldAndAClickedChoiceIsStored)
{
    ASSERT_TRUE(dialog->Execute());
    TdkRecordViewForm* f = dialog->Form();
    QWidget* fenster = f->Handle();
    fenster->activateWindow();
    QApplication::setActiveWindow(fenster);
    QCoreApplication::processEvents();

    // The combo stands in the window, between the two edits, bound to the field.
    ASSERT_EQ(combo->Parent(), f->ScrollBox);
    EXPECT_TRUE(combo->Visible());
    ASSERT_EQ(dialog->EditList().size(), 3u);
    EXPECT_EQ(dialog->EditList()[1], combo);
    EXPECT_EQ(combo->DataField(), "QUALITAET");
    EXPECT_EQ(combo->Text(), "1. Qualität");
    ASSERT_NE(LabelOf(combo), nullptr);
    EXPECT_EQ(LabelOf(combo)->Caption(), "Bild-Qualität");
    const TWinControl* vorher = dialog->EditList()[0];
    const TWinControl* nachher = dialog->EditList()[2];
    EXPECT_EQ(combo->Left(), vorher->Left());
    EXPECT_GT(combo->Top(), vorher->Top());
    EXPECT_LT(combo->Top(), nachher->Top());
    ASSERT_EQ(dialog->CustomControls().size(), 1u);

    for (TWinControl* c : dialog->EditList())
        EXPECT_LE(c->Top() + c->Height(), f->ScrollBox->ClientHeight());
    const QString ordner = QCoreApplication::applicationDirPath() + "/screenshots";
    QDir().mkpath(ordner);
    EXPECT_TRUE(fenster->grab().toImage().save(ordner + "/record_view_borrowed_combo.png"));

    // A click on the combo's button opens its list; a click on a line picks it.
    ASSERT_NE(combo->Button(), nullptr);
    QToolButton* knopf = combo->Button()->Button();
    ASSERT_NE(knopf, nullptr);
    QTest::mouseClick(knopf, Qt::LeftButton);
    ASSERT_TRUE(combo->ListVisible());
    EXPECT_TRUE(fenster->grab().toImage().save(ordner + "/record_view_borrowed_combo_open.png"));
    auto* liste = qobject_cast<QListWidget*>(combo->ListBox()->Handle());
    ASSERT_NE(liste, nullptr);
    const QRect zeile = liste->visualItemRect(liste->item(4));
    QTest::mousePress(liste->viewport(), Qt::LeftButton, {}, zeile.center());
    QTest::mouseRelease(liste->viewport(), Qt::LeftButton, {}, zeile.center());
    EXPECT_FALSE(combo->ListVisible());
    EXPECT_EQ(combo->Text(), "4. Qualität");
    EXPECT_EQ(table->State(), dsEdit);
    EXPECT_TRUE(combo->Modified);

    // OK posts the record; the combo goes back where it was.
    QTest::mouseClick(dialog->OKButton()->Handle(), Qt::LeftButton);
    EXPECT_EQ(dialog->Form(), nullptr);
    EXPECT_EQ(Stored(1, "QUALITAET"), "4");
    EXPECT_EQ(combo->Parent(), ablage);
    EXPECT_FALSE(combo->Visible());
    EXPECT_EQ(combo->BoundsRect(), Rect(3, 4, 93, 22));
    EXPECT_EQ(combo->BorderStyle(), bsNone);
    EXPECT_TRUE(dialog->CustomControls().empty());
}

TEST_F(BorrowedControlTest, EscClosesTheOpenListBeforeTheWindow)
{
    ASSERT_TRUE(dialog->Execute());
    QWidget* fenster = dialog->Form()->Handle();
    fenster->activateWindow();
    QApplication::setActiveWindow(fenster);
    combo->SetFocus();
    QCoreApplication::processEvents();
    QTest::keyClick(combo->Handle(), Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(combo->ListVisible());
    QTest::keyClick(combo->Handle(), Qt::Key_Escape);
    EXPECT_FALSE(combo->ListVisible());
    ASSERT_NE(dialog->Form(), nullptr);
    QTest::keyClick(combo->Handle(), Qt::Key_Escape);
    EXPECT_EQ(dialog->Form(), nullptr);
    EXPECT_EQ(combo->Parent(), ablage);
}

TEST_F(BorrowedControlTest, WhichControlTheControlTypesName)
{
    auto* unbound = new TEdit(form.get());
    unbound->Name = "UrheberEdit";
    unbound->SetParent(ablage);
    auto* panel = new TPanel(form.get());
    panel->Name = "KeinEdit";
    struct Fall {
        const char* eintrag;
        const char* feld;
        TWinControl* erwartet;
    };
    const Fall faelle[] = {
        {"QUALITAET;Combo;DBComboBoxBilderQualitaet", "QUALITAET", combo},
        {"QUALITAET;LookupCombo;ControlsForm.DBComboBoxBilderQualitaet", "QUALITAET", combo},
        {"QUALITAET;RichEdit;DBComboBoxBilderQualitaet", "QUALITAET", combo},
        // Entries of another type are passed over.
        {"QUALITAET;richedit;DBComboBoxBilderQualitaet", "QUALITAET", unbound},
        {"QUALITAET;CheckBox;DBComboBoxBilderQualitaet", "QUALITAET", unbound},
        {"QUALITAET;CustomEdit;KeinEdit", "QUALITAET", nullptr},
        {"QUALITAET;CustomEdit;Fehlt", "QUALITAET", nullptr},
        {"OWNER;CustomEdit;UrheberEdit", "OWNER", unbound},
    };
    for (const Fall& fall : faelle) {
        TStringList typen;
        typen.Add(fall.eintrag);
        // Only the first entry of a field that names an edit type decides.
        typen.Add(QString(fall.feld) + ";CustomEdit;UrheberEdit");
        table->SetControlType(typen);
        TWinControl* c = reinterpret_cast<TWinControl*>(1);
        EXPECT_EQ(dialog->FindCustomControl(form.get(), table->FieldByName(fall.feld), c), fall.erwartet != nullptr)
            << fall.eintrag;
        EXPECT_EQ(c, fall.erwartet) << fall.eintrag;
    }
    // Without the option nothing is borrowed.
    dialog->Options.Exclude(rvoUseCustomControls);
    TStringList typen;
    typen.Add("QUALITAET;Combo;DBComboBoxBilderQualitaet");
    table->SetControlType(typen);
    ASSERT_TRUE(dialog->Execute());
    EXPECT_EQ(combo->Parent(), ablage);
    EXPECT_TRUE(dialog->CustomControls().empty());
    dialog->OKButtonClick(nullptr);
}

TEST_F(BorrowedControlTest, AnEditWithoutDataPropertiesStaysShownOutsideTheLayout)
{
    auto* unbound = new TEdit(form.get());
    unbound->Name = "UrheberEdit";
    unbound->SetParent(ablage);
    unbound->SetBounds(1, 50, 80, 20);
    table->ControlType().Add("OWNER;CustomEdit;UrheberEdit");
    ASSERT_TRUE(dialog->Execute());
    EXPECT_EQ(unbound->Parent(), dialog->Form()->ScrollBox);
    EXPECT_TRUE(unbound->Visible());
    EXPECT_EQ(dialog->EditList().size(), 2u);  // the edit of SHORTDESC and the combo
    EXPECT_EQ(dialog->CustomControls().size(), 2u);
    dialog->CancelButtonClick(nullptr);
    EXPECT_EQ(unbound->Parent(), ablage);
    EXPECT_EQ(unbound->BoundsRect(), Rect(1, 50, 81, 70));
}

TEST_F(BorrowedControlTest, ControlsGoBackWhenTheDialogGoesAndAFreedOneIsForgotten)
{
    ASSERT_TRUE(dialog->Execute());
    ASSERT_EQ(combo->Parent(), dialog->Form()->ScrollBox);
    dialog.reset();
    EXPECT_EQ(combo->Parent(), ablage);

    dialog = std::make_unique<TdkRecordViewDialog>(form.get());
    dialog->DataSource = source.get();
    dialog->Options.Exclude(rvoModalForm);
    dialog->Selected.Add("QUALITAET\t20\tBild-Qualität");
    ASSERT_TRUE(dialog->Execute());
    ASSERT_EQ(dialog->CustomControls().size(), 1u);
    delete combo;
    combo = nullptr;
    EXPECT_TRUE(dialog->CustomControls().empty());
    EXPECT_TRUE(dialog->EditList().empty());
    dialog->OKButtonClick(nullptr);
    EXPECT_EQ(dialog->Form(), nullptr);
}

}  // namespace
