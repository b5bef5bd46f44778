// The data-aware combo box: mapped values both ways, completion,
// first-letter search, the drop-down's geometry and the close-up rules.

#include "controls_fixture.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

QStringList QualityList()
{
    QStringList l{"Nicht bewertet\t0"};
    for (int i = 1; i <= 6; ++i)
        l << QString("%1. Qualität\t%1").arg(i);
    return l;
}

QStringList TypeList()
{
    QStringList names{"Unknown", "JPG", "TIF", "BMP", "GIF", "PNG", "PCX", "PCD", "TGA", "WMF", "EMF", "ICO"};
    QStringList l;
    for (int i = 0; i < names.size(); ++i)
        l << names[i] + "\t" + QString::number(i);
    return l;
}

}  // namespace

TEST_F(ControlsTest, MappedValuesShowAndStoreBothWays)
{
    MakeAlbum(1);  // Qualitaet "1"
    OpenTable();
    auto* combo = Place<TdkDBComboBox>();
    combo->MapList = true;
    combo->SetStyle(csDropDownList);
    combo->SetItems(QualityList());
    combo->SetDataSource(source.get());
    combo->SetDataField("Qualitaet");
    EXPECT_EQ(combo->Text(), "1. Qualität");
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(combo->GetMappedValue("2"), "2. Qualität");
    EXPECT_EQ(combo->GetMappedValue("9"), "");
    // Picking "2. Qualität" writes "2".
    combo->DropDown();
    combo->ListBox()->SetItemIndex(2);
    combo->CloseUp(true);
    EXPECT_EQ(combo->Text(), "2. Qualität");
    table->Post();
    EXPECT_EQ(Stored(1, "Qualitaet"), "2");
    // A stored value no entry maps shows nothing.
    table->Edit();
    table->FieldByName("Qualitaet")->SetAsString("9");
    EXPECT_EQ(combo->Text(), "");
    EXPECT_EQ(combo->ItemIndex(), -1);
    table->Cancel();
    // Up and Down step through the items.
    lxui_test::SendKey(combo->Handle(), Qt::Key_Down);
    EXPECT_EQ(combo->Text(), "3. Qualität");
    EXPECT_EQ(combo->GetEditText(), "3");
}

TEST_F(ControlsTest, EntriesWithoutTabAndEmptyTexts)
{
    auto* combo = Place<TdkDBComboBox>();
    combo->MapList = true;
    combo->SetItems(QStringList{"Ohne Wert", "\t", "Mit\t5"});
    combo->SetText("Ohne Wert");
    EXPECT_EQ(combo->GetEditText(), "");
    combo->SetText("Mit");
    EXPECT_EQ(combo->GetEditText(), "5");
    // csDropDown with an empty text stores an empty value, even though an
    // entry has an empty display part.
    combo->SetText("");
    EXPECT_EQ(combo->GetEditText(), "");
    EXPECT_EQ(TdkDBComboBox::StoredPart("Mit\t5\tRest"), "5");
}

TEST_F(ControlsTest, ShowMatchTextCompletesAndDropDownListSwallows)
{
    auto* combo = Place<TdkDBComboBox>();
    combo->MapList = true;
    combo->ShowMatchText = true;
    combo->SetStyle(csDropDownList);
    combo->SetItems(TypeList());
    combo->Loaded();
    Type(combo, "t");
    EXPECT_EQ(combo->Text(), "TIF");
    EXPECT_EQ(combo->Edit()->selectedText(), "IF");
    // A character that starts no display text is swallowed.
    combo->SelectAll();
    Type(combo, "z");
    EXPECT_EQ(combo->Text(), "TIF");
}

TEST_F(ControlsTest, FirstLetterSearchCyclesThroughTheItems)
{
    auto* combo = Place<TdkDBComboBox>();
    combo->MapList = true;
    combo->SetStyle(csDropDownList);
    combo->SetItems(TypeList());
    combo->Loaded();
    combo->SetText("Unknown");
    QStringList seen;
    for (int i = 0; i < 3; ++i) {
        lxui_test::SendKey(combo->Handle(), Qt::Key_P, "p");
        seen << combo->Text();
    }
    EXPECT_EQ(seen, (QStringList{"PNG", "PCX", "PCD"}));
    auto* quality = Place<TdkDBComboBox>(40);
    quality->MapList = true;
    quality->SetStyle(csDropDownList);
    quality->SetItems(QualityList());
    quality->Loaded();
    lxui_test::SendKey(quality->Handle(), Qt::Key_1, "1", Qt::KeypadModifier);
    EXPECT_EQ(quality->Text(), "1. Qualität");
}

TEST_F(ControlsTest, DropDownGeometryAndCloseUp)
{
    auto* combo = Place<TdkDBComboBox>();
    combo->SetStyle(csDropDownList);
    combo->SetItems(QStringList{"Eins", "Zwei", "Drei"});
    combo->Loaded();
    combo->DropDown();
    ASSERT_TRUE(combo->ListVisible());
    int ih = combo->ListBox()->ItemHeight();
    EXPECT_EQ(combo->ListBox()->Height(), 3 * ih + 4);
    EXPECT_EQ(combo->ListBox()->Width(), combo->Width());
    TPoint corner = combo->ClientToScreen(Point(0, 0));
    EXPECT_EQ(combo->ListBox()->Top(), corner.Y + combo->Height() - 1);
    // Accepting an empty selection empties the text of a drop-down list.
    combo->SetText("Zwei");
    combo->ListBox()->SetItemIndex(-1);
    combo->CloseUp(true);
    EXPECT_FALSE(combo->ListVisible());
    EXPECT_EQ(combo->Text(), "");
    // Near the bottom of the screen the list opens above the combo.
    QRect screen = QGuiApplication::primaryScreen()->geometry();
    form->SetTop(screen.height() - form->Height() + 10);
    combo->SetTop(form->ClientHeight() - combo->Height());
    QCoreApplication::processEvents();
    combo->DropDown();
    corner = combo->ClientToScreen(Point(0, 0));
    EXPECT_EQ(combo->ListBox()->Top(), corner.Y - combo->ListBox()->Height());
    // Esc closes without taking the line.
    combo->ListBox()->SetItemIndex(0);
    lxui_test::SendKey(combo->Handle(), Qt::Key_Escape);
    EXPECT_FALSE(combo->ListVisible());
    EXPECT_EQ(combo->Text(), "");
}

TEST_F(ControlsTest, SimpleStyleHasNoButtonAndNeverDropsDown)
{
    auto* combo = Place<TdkDBComboBox>();
    combo->SetItems(QStringList{"Eins"});
    EXPECT_TRUE(combo->GetShowButton());
    combo->SetStyle(csSimple);
    EXPECT_FALSE(combo->GetShowButton());
    combo->DropDown();
    EXPECT_FALSE(combo->ListVisible());
    combo->SetStyle(csDropDown);
    EXPECT_TRUE(combo->GetShowButton());
}

TEST_F(ControlsTest, FloatedOverAGridTheComboFollowsTheGridsKeys)
{
    MakeAlbum(5);
    OpenTable();
    auto* combo = new TdkDBComboBox(form.get());
    combo->Name = "QualitaetCombo";
    combo->MapList = true;
    combo->SetStyle(csDropDownList);
    combo->SetItems(QualityList());
    table->ControlType().Add("QUALITAET;Combo;QualitaetCombo");
    for (int i = 0; i < table->FieldCount(); ++i) {
        QString n = table->Fields(i)->FieldName;
        table->Fields(i)->SetVisible(n == "SHORTDESC" || n == "QUALITAET");
    }
    table->FieldByName("ShortDesc")->SetDisplayWidth(20);
    auto* grid = Place<TdkDBGrid>();
    grid->SetBounds(0, 0, 480, 200);
    grid->SetDataSource(source.get());
    EXPECT_EQ(combo->Parent(), grid);
    // The grid's cells show the mapped texts.
    grid->Handle()->grab();
    EXPECT_EQ(grid->PaintedText(2, 1), "1. Qualität");
    EXPECT_EQ(grid->PaintedText(2, 2), "2. Qualität");
    // Typing on the cell floats the combo over it; Down moves the grid.
    lxui_test::SendKey(grid->Handle(), Qt::Key_Right);
    lxui_test::SendKey(grid->Handle(), Qt::Key_2, "2");
    ASSERT_EQ(grid->CurrentEditControl(), combo);
    EXPECT_TRUE(combo->Visible());
    EXPECT_EQ(combo->Text(), "2. Qualität");
    lxui_test::SendKey(combo->Handle(), Qt::Key_Down);
    EXPECT_EQ(table->RecNo(), 2);
    EXPECT_EQ(Stored(1, "Qualitaet"), "2");
}

TEST_F(ControlsTest, AFailedWriteOnCloseUpInAGridIsShown)
{
    MakeAlbum(2);
    OpenTable();
    for (int i = 0; i < table->FieldCount(); ++i)
        table->Fields(i)->SetVisible(table->Fields(i)->FieldName == "BYTES");
    auto* combo = new TdkDBComboBox(form.get());
    combo->Name = "BytesCombo";
    combo->MapList = true;
    combo->SetItems(QStringList{"Viel\tviel"});  // not a number
    table->ControlType().Add("BYTES;Combo;BytesCombo");
    auto* grid = Place<TdkDBGrid>();
    grid->SetBounds(0, 0, 480, 200);
    grid->SetDataSource(source.get());
    ASSERT_EQ(combo->Parent(), grid);
    combo->DropDown();
    combo->ListBox()->SetItemIndex(0);
    TPromptScript script;
    script.Answer(TPromptKind::Exception, mrOk);
    combo->CloseUp(true);
    ASSERT_EQ(script.Records().size(), 1u);
    EXPECT_FALSE(script.Records()[0].Text.isEmpty());
    EXPECT_EQ(table->FieldByName("Bytes")->AsInteger(), 100);
}

TEST_F(ControlsTest, OpenListSearchesAndClearKeyEmptiesTheChoice)
{
    auto* combo = Place<TdkDBComboBox>();
    combo->SetItems(QStringList{"Eins", "Zwei", "Zehn"});
    combo->Loaded();
    combo->DropDown();
    ASSERT_TRUE(combo->ListVisible());
    Type(combo, "z");
    EXPECT_EQ(combo->ListBox()->ItemIndex(), 1);
    Type(combo, "e");
    EXPECT_EQ(combo->ListBox()->ItemIndex(), 2);
    lxui_test::SendKey(combo->Handle(), Qt::Key_Return, "\r");
    EXPECT_FALSE(combo->ListVisible());
    EXPECT_EQ(combo->Text(), "Zehn");
    // Delete with AllowClearKey empties a drop-down list's choice.
    combo->SetStyle(csDropDownList);
    combo->AllowClearKey = true;
    lxui_test::SendKey(combo->Handle(), Qt::Key_Delete);
    EXPECT_EQ(combo->Text(), "");
    EXPECT_EQ(combo->ItemIndex(), -1);
}
