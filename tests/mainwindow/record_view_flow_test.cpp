// The record editor of the main window borrows the pick-list combos of the
// album grid: they show in its window, open with a click, store the chosen
// value, and go back to the grid when the window closes.

#include "record_editor_fixture.h"
#include "start_fixture.h"

#include "datacontrols/dk_db_combo.h"
#include "datacontrols/dk_record_view.h"
#include "datagrid/dk_db_grid.h"
#include "platform/ui/menus.h"
#include "storage/tdbe.h"

#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>

namespace {

TEST_F(StartTest, RecordEditorShowsAndUsesThePickListCombos)
{
    StartenUndZeigen();
    Beenden();
    form.reset();
    const std::string album = (Datenbank() / "BILDER.DBF").string();
    ASSERT_NE(dbe_Use(album.c_str(), "FUELLEN", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0) << dbe_LastError();
    for (const char* text : {"Strand", "Hafen"}) {
        ASSERT_EQ(dbe_AppendBlank(), 1);
        dbe_Replace("SHORTDESC", DBE_REPL_TEXT, text);
        dbe_Replace("QUALITAET", DBE_REPL_TEXT, "2");
    }
    dbe_Commit();
    dbe_Close();
    StartenUndZeigen();
    form->Show();
    form->TableBilder->First();
    Application->ProcessMessages();
    // A coded pick list: display text, TAB, stored value; the field keeps the value.
    QStringList qualitaet{"Keine Zuordnung\t0"};
    for (int i = 1; i <= 5; ++i)
        qualitaet << QString("%1. Qualität\t%1").arg(i);
    form->DBComboBoxBilderQualitaet->MapList = true;
    form->DBComboBoxBilderQualitaet->SetStyle(csDropDownList);
    form->DBComboBoxBilderQualitaet->SetItems(qualitaet);

    TdkDBComboBox* const combos[] = {form->DBComboboxBilderPlayListe, form->DBComboBoxMotivQualitaet,
                                     form->DBComboBoxBilderQualitaet, form->DBComboBoxBilderType,
                                     form->DBComboBoxBildQuelle};
    std::vector<TWinControl*> vorher;
    for (TdkDBComboBox* c : combos)
        vorher.push_back(c->Parent());

    TdkRecordViewForm* editor = SatzeditorOeffnen(*form);
    ASSERT_NE(editor, nullptr);
    const char* const felder[] = {"PLAYLIST", "MOTIV", "QUALITAET", "TYPE", "QUELLE"};
    for (size_t i = 0; i < std::size(combos); ++i) {
        EXPECT_EQ(combos[i]->Parent(), editor->ScrollBox) << felder[i];
        EXPECT_TRUE(combos[i]->Visible()) << felder[i];
        EXPECT_EQ(combos[i]->DataField(), felder[i]);
    }
    EXPECT_EQ(form->RecordViewDialogBilder->CustomControls().size(), 5u);
    TdkDBComboBox* q = form->DBComboBoxBilderQualitaet;
    EXPECT_EQ(q->Text(), "2. Qualität");
    Bildschirmfoto(*editor, "record_view_album_combos");

    // A click on the button opens the list; a click on a line picks it.
    QTest::mouseClick(q->Button()->Button(), Qt::LeftButton);
    ASSERT_TRUE(q->ListVisible());
    auto* liste = qobject_cast<QListWidget*>(q->ListBox()->Handle());
    ASSERT_NE(liste, nullptr);
    const QRect zeile = liste->visualItemRect(liste->item(4));
    QTest::mousePress(liste->viewport(), Qt::LeftButton, {}, zeile.center());
    QTest::mouseRelease(liste->viewport(), Qt::LeftButton, {}, zeile.center());
    EXPECT_FALSE(q->ListVisible());
    EXPECT_EQ(q->Text(), "4. Qualität");

    // The editor's OK keeps the change; the combos go back to the grid.
    QTest::mouseClick(form->RecordViewDialogBilder->OKButton()->Handle(), Qt::LeftButton);
    EXPECT_EQ(form->RecordViewDialogBilder->Form(), nullptr);
    form->TableBilder->CheckBrowseMode();
    form->TableBilder->First();
    EXPECT_EQ(form->TableBilder->FieldByName("QUALITAET")->AsString().trimmed(), "4");
    for (size_t i = 0; i < std::size(combos); ++i) {
        EXPECT_EQ(combos[i]->Parent(), vorher[i]) << felder[i];
        EXPECT_FALSE(combos[i]->Visible()) << felder[i];
    }
    form->Hide();
    Beenden();
}

}  // namespace

namespace {

// F2 on the editor's "Lange Beschreibung" opens the large memo editor.
TEST_F(StartTest, F2OnTheLongDescriptionOfTheRecordEditorOpensTheMemoEditor)
{
    StartenUndZeigen();
    form->Show();
    Application->ProcessMessages();
    TdkRecordViewForm* editor = SatzeditorOeffnen(*form);
    ASSERT_NE(editor, nullptr);
    TdkDBMemo* memo = nullptr;
    for (TWinControl* c : form->RecordViewDialogBilder->EditList())
        if (auto* m = dynamic_cast<TdkDBMemo*>(c); m && m->Field() && m->Field()->FieldName == "NOTIZ")
            memo = m;
    ASSERT_NE(memo, nullptr);
    memo->SetFocus();
    Application->ProcessMessages();
    QTest::keyClick(memo->Editor(), Qt::Key_F2);
    EXPECT_TRUE(prompts.Gezeigt("<Modal dkMemoDlg>"));
    EXPECT_EQ(form->RecordViewDialogBilder->Form(), editor);
    form->RecordViewDialogBilder->CancelButtonClick(nullptr);
    form->Hide();
    Beenden();
}

// The program ends while the record editor is open: through "Ende", the
// window's close box, or the window freed straight away (as after SIGTERM the
// main block frees it). The editor goes first; its borrowed combos are not
// handed back to a grid that is already gone.
TEST_F(StartTest, EndingWithTheRecordEditorOpenClosesItFirst)
{
    enum Weg { Ende, Schliessen, Freigeben };
    for (Weg weg : {Ende, Schliessen, Freigeben}) {
        SCOPED_TRACE(int(weg));
        StartenUndZeigen();
        form->Show();
        Application->ProcessMessages();
        TdkRecordViewForm* editor = SatzeditorOeffnen(*form);
        ASSERT_NE(editor, nullptr);
        TScrollBox* const box = editor->ScrollBox;  // the window is freed as it closes
        ASSERT_EQ(form->DBComboBoxBilderQualitaet->Parent(), box);
        if (weg == Ende)
            Beenden();
        else if (weg == Schliessen)
            form->Close();
        if (weg != Freigeben) {
            // The editor closed with the program and noted where it stood.
            EXPECT_EQ(form->RecordViewDialogBilder->Form(), nullptr);
            EXPECT_NE(form->DBComboBoxBilderQualitaet->Parent(), box);
            EXPECT_NE(IniLesen("Einstellungen SatzEditorBilder", "Width"), "<fehlt>");
        }
        form.reset();
        for (int i = 0; i < Screen->FormCount(); ++i)
            EXPECT_EQ(dynamic_cast<TdkRecordViewForm*>(Screen->Forms(i)), nullptr);
        Application->ClearTerminated();
        Application->MainForm = nullptr;
    }
}

}  // namespace
