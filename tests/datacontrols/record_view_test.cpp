// The record view dialog over an album-shaped table: the controls of the
// field list, both layouts, check boxes from the table's control types,
// modeless and modal runs, the cancel question and the close events.

#include "controls_fixture.h"

#include "datacontrols/dk_record_view.h"
#include "datagrid/dk_intl.h"
#include "datagrid/dk_memo_dialog.h"
#include "platform/ui/buttons.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/menus.h"

#include <QDir>
#include <QImage>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <QWindow>
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
        dialog->SetDataSource(source.get());
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
    // The open window, shown and active, as the user sees it.
    TdkRecordViewForm* Aktiv() const
    {
        TdkRecordViewForm* f = dialog->Form();
        f->Handle()->activateWindow();
        QApplication::setActiveWindow(f->Handle());
        QCoreApplication::processEvents();
        return f;
    }
    static void Foto(TCustomForm* f, const QString& name)
    {
        const QString ordner = QCoreApplication::applicationDirPath() + "/screenshots";
        QDir().mkpath(ordner);
        EXPECT_TRUE(f->Handle()->grab().toImage().save(ordner + "/" + name + ".png")) << name.toStdString();
    }
    // The window-relative rectangle of a control, to see what the window shows.
    static QRect ImFenster(const TControl* c)
    {
        const QWidget* w = c->Handle();
        return QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size());
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

// A data source freed while the dialog holds it, even with the window
// open, reads as none: the window closes without it and the next Execute
// reports the missing source.
TEST_F(RecordViewTest, AFreedDataSourceIsForgottenAlsoWithTheWindowOpen)
{
    auto eigene = std::make_unique<TdkDataSource>();
    eigene->SetDataSet(table.get());
    dialog->SetDataSource(eigene.get());
    dialog->Options = TdkRecordViewOptions{rvoConfirmCancel, rvoCloseIsCancel};
    dialog->OKCancelOptions = TdkRecordViewOKCancelOptions{rvokShowOKCancel, rvokAutoCancelRec};
    dialog->Selected.Add("SHORTDESC\t34\tBeschreibung");
    ASSERT_TRUE(dialog->Execute());
    eigene.reset();
    EXPECT_EQ(dialog->DataSource(), nullptr);
    dialog->CancelButtonClick(nullptr);
    EXPECT_EQ(dialog->Form(), nullptr);
    TPromptScript script;
    script.Answer(mrOk, "DataSource or DataSource.DataSet not defined.");
    EXPECT_FALSE(dialog->Execute());
    EXPECT_EQ(dialog->Form(), nullptr);
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

// Esc in an edit that holds a change only restores the field there; the
// window stays. Esc in an edit without a change closes a modal window.
TEST_F(RecordViewTest, EscClosesTheWindowOnlyFromAnEditWithoutAChange)
{
    dialog->Options = TdkRecordViewOptions{rvoHideNavigator, rvoModalForm, rvoCloseIsCancel};
    dialog->OKCancelOptions = TdkRecordViewOKCancelOptions{rvokShowOKCancel, rvokAutoCancelRec};
    dialog->Selected.Add("SHORTDESC\t34\tBeschreibung");
    struct Case {
        const char* name;
        const char* typed;
        bool closes;
    };
    const Case cases[] = {
        {"edit without a change", "", true},
        {"edit with a change", "Wald", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TPromptScript script;
        bool offen = false;
        QString text;
        script.Modal([&](TCustomForm& f) {
            auto* edit = dynamic_cast<TdkDBEdit*>(dialog->EditList().at(0));
            ASSERT_NE(edit, nullptr);
            edit->SetFocus();
            QCoreApplication::processEvents();
            edit->SelectAll();
            Type(edit, c.typed);
            QTest::keyClick(edit->Handle(), Qt::Key_Escape);
            offen = f.ModalResult == mrNone;
            text = edit->Text().trimmed();
            if (offen)  // the second Esc meets an edit without a change
                QTest::keyClick(edit->Handle(), Qt::Key_Escape);
        });
        EXPECT_FALSE(dialog->Execute());
        EXPECT_EQ(offen, !c.closes);
        EXPECT_EQ(text, "Bild 1");  // the field's value is back in the edit
        EXPECT_EQ(dialog->Form(), nullptr);
        EXPECT_EQ(Stored(1, "SHORTDESC"), "Bild 1");
    }
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
    dialog->SetDataSource(source.get());
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

namespace {

TEST_F(BorrowedControlTest, AFormerParentFreedWhileTheWindowHoldsItsControlTakesNothingBack)
{
    ASSERT_TRUE(dialog->Execute());
    ASSERT_EQ(combo->Parent(), dialog->Form()->ScrollBox);
    delete ablage;  // the grid that kept the combo goes, the window stays
    ablage = nullptr;
    ASSERT_EQ(dialog->CustomControls().size(), 1u);
    EXPECT_EQ(dialog->CustomControls()[0].Parent, nullptr);
    dialog->CancelButtonClick(nullptr);
    EXPECT_EQ(dialog->Form(), nullptr);
    EXPECT_EQ(combo->Parent(), nullptr);
    EXPECT_FALSE(combo->Visible());
}

TEST_F(RecordViewTest, TheNavigatorAboveTheFieldsMovesTheRecord)
{
    // Without rvoHideNavigator the window has a navigator, with the buttons asked for.
    dialog->Options = TdkRecordViewOptions{rvoShortenEditBox};
    dialog->NavigatorVisibleButtons = TButtonSet{nbFirst, nbPrior, nbNext, nbLast};
    dialog->Selected.Add("SHORTDESC\t34\tBeschreibung");
    ASSERT_TRUE(dialog->Execute());
    TdkRecordViewForm* f = Aktiv();
    TDBNavigator* nav = f->Navigator;
    ASSERT_NE(nav, nullptr);
    EXPECT_EQ(nav->Parent(), f->NavigatorPanel);
    EXPECT_EQ(nav->DataSource(), source.get());
    EXPECT_EQ(nav->BoundsRect(), Rect(8, 8, 248, 33));
    for (TNavigateBtn b : {nbFirst, nbPrior, nbNext, nbLast})
        EXPECT_TRUE(nav->Buttons(b)->Visible()) << b;
    for (TNavigateBtn b : {nbInsert, nbDelete, nbEdit, nbPost, nbCancel, nbRefresh})
        EXPECT_FALSE(nav->Buttons(b)->Visible()) << b;
    EXPECT_EQ(nav->Buttons(nbLast)->Left() + nav->Buttons(nbLast)->Width(), 240);
    // The navigator stands above the fields, whole inside the window.
    EXPECT_LE(ImFenster(nav).bottom(), ImFenster(f->RecordPanel).top());
    EXPECT_LE(ImFenster(nav).right(), f->ClientWidth());
    Foto(f, "record_view_navigator");

    auto* edit = dynamic_cast<TdkDBEdit*>(dialog->EditList().at(0));
    ASSERT_NE(edit, nullptr);
    const auto klick = [&](TNavigateBtn b) {
        QTest::mouseClick(nav->Buttons(b)->Button(), Qt::LeftButton);
        QCoreApplication::processEvents();
    };
    klick(nbNext);
    EXPECT_EQ(edit->Text().trimmed(), "Bild 2");
    klick(nbLast);
    EXPECT_EQ(edit->Text().trimmed(), "Bild 3");
    EXPECT_FALSE(nav->Buttons(nbNext)->Enabled());
    klick(nbFirst);
    EXPECT_EQ(edit->Text().trimmed(), "Bild 1");
    dialog->OKButtonClick(nullptr);

    dialog->Options.Include(rvoHideNavigator);
    ASSERT_TRUE(dialog->Execute());
    EXPECT_EQ(dialog->Form()->Navigator, nullptr);
    EXPECT_EQ(dialog->Form()->NavigatorPanel, nullptr);
    dialog->OKButtonClick(nullptr);
}

TEST_F(RecordViewTest, F2InTheMemoOpensTheLargeMemoEditor)
{
    dialog->Options = TdkRecordViewOptions{rvoHideNavigator, rvoShortenEditBox, rvoMaximizeMemoWidth};
    dialog->OKCancelOptions = TdkRecordViewOKCancelOptions{rvokShowOKCancel, rvokAutoPostRec};
    dialog->Selected.Add("SHORTDESC\t34\tBeschreibung");
    dialog->Selected.Add("NOTIZ\t17\tLange Beschreibung");
    table->FieldByName("NOTIZ")->SetDisplayLabel("Notiz zum Bild");
    ASSERT_TRUE(dialog->Execute());
    TdkRecordViewForm* f = Aktiv();
    auto* memo = dynamic_cast<TdkDBMemo*>(dialog->EditList().at(1));
    ASSERT_NE(memo, nullptr);
    memo->SetFocus();
    QCoreApplication::processEvents();
    QTest::keyClicks(memo->Editor(), "Am Meer");
    EXPECT_TRUE(memo->Modified);

    // The editor shows what was typed, with the caret where it stood; OK
    // takes the longer text into the field and the window's memo.
    TPromptScript script;
    bool gezeigt = false;
    script.Modal([&](TCustomForm& form) {
        auto* d = dynamic_cast<TdkMemoDlg*>(&form);
        ASSERT_NE(d, nullptr);
        gezeigt = true;
        EXPECT_EQ(d->Caption(), "Notiz zum Bild");
        EXPECT_EQ(d->Memo->Text(), "Am Meer");
        EXPECT_FALSE(d->Memo->ReadOnly());
        EXPECT_TRUE(d->CancelBtn->Visible());
        EXPECT_EQ(d->Memo->Editor()->textCursor().position(), 7);
        Foto(d, "record_view_memo_editor");
        d->Memo->Editor()->moveCursor(QTextCursor::End);
        QTest::keyClicks(d->Memo->Editor(), " im Mai");
        d->OKBtnClick();
        d->ModalResult = mrOk;
    });
    QTest::keyClick(memo->Editor(), Qt::Key_F2);
    EXPECT_TRUE(gezeigt);
    EXPECT_EQ(memo->Text(), "Am Meer im Mai");
    EXPECT_EQ(dialog->Form(), f);  // F2 was the memo's: the window stays
    QTest::mouseClick(dialog->OKButton()->Handle(), Qt::LeftButton);
    EXPECT_EQ(Stored(1, "NOTIZ"), "Am Meer im Mai");
}

TEST_F(RecordViewTest, F2InTheMemoOfAReadOnlyTableOnlyShowsTheText)
{
    table->Close();
    table->SetReadOnly(true);
    table->Open();
    dialog->Options = TdkRecordViewOptions{rvoHideNavigator};
    dialog->Selected.Add("NOTIZ\t17\tLange Beschreibung");
    ASSERT_TRUE(dialog->Execute());
    Aktiv();
    auto* memo = dynamic_cast<TdkDBMemo*>(dialog->EditList().at(0));
    ASSERT_NE(memo, nullptr);
    memo->SetFocus();
    QCoreApplication::processEvents();
    TPromptScript script;
    script.Modal([&](TCustomForm& form) {
        auto* d = dynamic_cast<TdkMemoDlg*>(&form);
        ASSERT_NE(d, nullptr);
        EXPECT_TRUE(d->Memo->ReadOnly());
        EXPECT_FALSE(d->CancelBtn->Visible());
        d->ModalResult = mrOk;
    });
    QTest::keyClick(memo->Editor(), Qt::Key_F2);
    EXPECT_EQ(table->State(), dsBrowse);
    dialog->OKButtonClick(nullptr);
}

TEST_F(RecordViewTest, EnterMovesOnUnderEnterToTabAndTabLeavesTheMemo)
{
    dialog->Options = TdkRecordViewOptions{rvoHideNavigator, rvoEnterToTab};
    dialog->OKCancelOptions = TdkRecordViewOKCancelOptions{rvokShowOKCancel};
    dialog->Selected.Add("SHORTDESC\t34\tBeschreibung");
    dialog->Selected.Add("OWNER\t12\tUrheber");
    dialog->Selected.Add("NOTIZ\t17\tLange Beschreibung");
    dialog->Selected.Add("LABEL\t20\tDatenträger");
    ASSERT_TRUE(dialog->Execute());
    TdkRecordViewForm* f = Aktiv();
    const auto& e = dialog->EditList();
    ASSERT_EQ(e.size(), 4u);
    EXPECT_FALSE(dialog->OKButton()->Default());  // Enter moves on, it does not confirm
    e[0]->SetFocus();
    QCoreApplication::processEvents();
    const auto taste = [&](Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWidget* fokus = QApplication::focusWidget();
        ASSERT_NE(fokus, nullptr);
        QTest::keyClick(fokus, key, mods);
        QCoreApplication::processEvents();
    };
    taste(Qt::Key_Return);
    EXPECT_TRUE(e[1]->Focused());
    taste(Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_TRUE(e[0]->Focused());
    taste(Qt::Key_Tab);
    EXPECT_TRUE(e[1]->Focused());
    taste(Qt::Key_Return);
    EXPECT_TRUE(e[2]->Focused());  // the memo: under the option it takes no returns either
    taste(Qt::Key_Tab);            // the memo takes no tabs: Tab moves on
    EXPECT_TRUE(e[3]->Focused());
    EXPECT_EQ(dynamic_cast<TMemo*>(e[2])->Text(), "");
    taste(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_TRUE(e[2]->Focused());
    EXPECT_EQ(dialog->Form(), f);
    // An edit that wants returns keeps Enter.
    dynamic_cast<TdkDBEdit*>(e[1])->WantReturns = true;
    e[1]->SetFocus();
    QCoreApplication::processEvents();
    taste(Qt::Key_Return);
    EXPECT_TRUE(e[1]->Focused());
    dialog->CancelButtonClick(nullptr);

    // Without the option Enter stays in the edit (and OK is the default button).
    dialog->Options = TdkRecordViewOptions{rvoHideNavigator};
    dialog->OKCancelOptions = TdkRecordViewOKCancelOptions{};
    ASSERT_TRUE(dialog->Execute());
    Aktiv();
    dialog->EditList()[0]->SetFocus();
    QCoreApplication::processEvents();
    taste(Qt::Key_Return);
    EXPECT_TRUE(dialog->EditList()[0]->Focused());
    dialog->Form()->Close();
}

TEST_F(RecordViewTest, ResizingKeepsTheButtonsInsideAndConsistentEditsFollowTheWindow)
{
    dialog->Options = TdkRecordViewOptions{rvoHideNavigator, rvoConsistentEditWidth};
    dialog->OKCancelOptions = TdkRecordViewOKCancelOptions{rvokShowOKCancel};
    dialog->Selected.Add("SHORTDESC\t34\tBeschreibung");
    dialog->Selected.Add("OWNER\t5\tUrheber");
    ASSERT_TRUE(dialog->Execute());
    TdkRecordViewForm* f = Aktiv();
    const auto& e = dialog->EditList();
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0]->Width(), e[1]->Width());
    const int breit = e[0]->Width();
    const auto drinnen = [&](const char* wann) {
        for (TButton* b : {dialog->OKButton(), dialog->CancelButton()}) {
            EXPECT_GE(b->Left(), 0) << wann;
            EXPECT_LE(b->Left() + b->Width(), f->UserPanel->Width()) << wann;
        }
        EXPECT_LE(dialog->OKButton()->Left() + dialog->OKButton()->Width(), dialog->CancelButton()->Left()) << wann;
        for (TWinControl* c : e)
            EXPECT_LE(c->Left() + c->Width(), f->ScrollBox->ClientWidth()) << wann;
    };
    drinnen("nach dem Aufbau");

    // The window system sizes the window, as a user's drag does.
    const QSize vorher = f->Handle()->size();
    f->Handle()->resize(vorher.width() + 120, vorher.height());
    QCoreApplication::processEvents();
    EXPECT_EQ(e[0]->Width(), breit + 120);
    EXPECT_EQ(e[1]->Width(), breit + 120);
    drinnen("breiter");
    Foto(f, "record_view_wider");

    f->Handle()->resize(vorher.width() - 60, vorher.height());
    QCoreApplication::processEvents();
    EXPECT_EQ(e[0]->Width(), breit - 60);
    drinnen("schmaler");

    // Too narrow for both buttons at the right: they stand at the left.
    f->Handle()->resize(180, vorher.height());
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog->OKButton()->Left(), 5);
    EXPECT_EQ(dialog->CancelButton()->Left(), dialog->OKButton()->Width() + 18);
    Foto(f, "record_view_narrow");
    dialog->CancelButtonClick(nullptr);
}

TEST_F(RecordViewTest, StayOnTopWhileAnotherWindowIsActive)
{
    dialog->Options = TdkRecordViewOptions{rvoHideNavigator, rvoStayOnTopForm};
    dialog->Selected.Add("SHORTDESC\t34\tBeschreibung");
    ASSERT_TRUE(dialog->Execute());
    TdkRecordViewForm* f = Aktiv();
    QWindow* fenster = f->Handle()->windowHandle();
    ASSERT_NE(fenster, nullptr);
    EXPECT_FALSE(fenster->flags().testFlag(Qt::WindowStaysOnTopHint));
    // Another window becomes active: the record view stays above it.
    form->Handle()->activateWindow();
    QApplication::setActiveWindow(form->Handle());
    QCoreApplication::processEvents();
    EXPECT_TRUE(f->MadeTopmost);
    EXPECT_TRUE(fenster->flags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(f->Handle()->isVisible());
    // Active again, it is an ordinary window.
    Aktiv();
    EXPECT_FALSE(f->MadeTopmost);
    EXPECT_FALSE(fenster->flags().testFlag(Qt::WindowStaysOnTopHint));
    dialog->OKButtonClick(nullptr);

    dialog->Options.Exclude(rvoStayOnTopForm);
    ASSERT_TRUE(dialog->Execute());
    Aktiv();
    form->Handle()->activateWindow();
    QApplication::setActiveWindow(form->Handle());
    QCoreApplication::processEvents();
    EXPECT_FALSE(dialog->Form()->MadeTopmost);
    dialog->OKButtonClick(nullptr);
}

TEST_F(RecordViewTest, AMenuWithItemsShowsOnTheWindow)
{
    auto* menu = new TMainMenu(form.get());
    dialog->SetMenu(menu);
    dialog->Options = TdkRecordViewOptions{rvoHideNavigator};
    dialog->Selected.Add("SHORTDESC\t34\tBeschreibung");
    // Without items the window gets no menu.
    ASSERT_TRUE(dialog->Execute());
    EXPECT_EQ(dialog->Form()->Menu(), nullptr);
    const int ohne = dialog->Form()->Height();
    dialog->OKButtonClick(nullptr);

    auto* item = new TMenuItem(form.get());
    item->SetCaption("&Datei");
    menu->Items()->Add(item);
    ASSERT_TRUE(dialog->Execute());
    TdkRecordViewForm* f = Aktiv();
    EXPECT_EQ(f->Menu(), menu);
    EXPECT_GT(f->Height(), ohne);  // the menu bar takes its height, the rows keep theirs
    for (TWinControl* c : dialog->EditList())
        EXPECT_LE(c->Top() + c->Height(), f->ScrollBox->ClientHeight());
    Foto(f, "record_view_menu");
    dialog->OKButtonClick(nullptr);

    // A freed menu is forgotten.
    delete menu;
    EXPECT_EQ(dialog->Menu(), nullptr);
    ASSERT_TRUE(dialog->Execute());
    EXPECT_EQ(dialog->Form()->Menu(), nullptr);
    dialog->OKButtonClick(nullptr);
}

TEST_F(RecordViewTest, TheCancelQuestionComesFromTheStringHolder)
{
    TdkUserMessagesIntl* texte = dkIntl()->UserMessages();
    const QString vorher = texte->Text("RecordViewExitWarning");
    ASSERT_TRUE(texte->SetText("RecordViewExitWarning", "Geändert! Änderungen speichern?"));
    dialog->Options = TdkRecordViewOptions{rvoHideNavigator, rvoConfirmCancel, rvoCloseIsCancel};
    dialog->OKCancelOptions = TdkRecordViewOKCancelOptions{rvokShowOKCancel, rvokAutoPostRec};
    dialog->Selected.Add("SHORTDESC\t34\tBeschreibung");
    ASSERT_TRUE(dialog->Execute());
    Aktiv();
    auto* edit = dialog->EditList().at(0);
    edit->SetFocus();
    Type(edit, "Y");
    const std::string neu = edit->Text().trimmed().toStdString();
    EXPECT_NE(neu, "Bild 1");
    TPromptScript script;
    script.Answer(mrYes, "Geändert! Änderungen speichern?");
    QTest::mouseClick(dialog->CancelButton()->Handle(), Qt::LeftButton);
    texte->SetText("RecordViewExitWarning", vorher);
    EXPECT_EQ(dialog->Form(), nullptr);
    EXPECT_EQ(Stored(1, "SHORTDESC"), neu);  // Yes keeps the change, the post writes it
}

}  // namespace
