// The data grid over an album: columns and titles, the visible rows as the
// record buffer, scrolling, editing into the file, column moving and
// sizing, the key table and the bad-input cases.

#include "grid_fixture.h"

#include "datagrid/dk_intl.h"
#include "datagrid/dk_rich_text.h"
#include "platform/ui/beep.h"
#include "platform/ui/line_edit.h"
#include "platform/ui/std_ctrls.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QWheelEvent>

TEST_F(GridTest, ShowsColumnsTitlesAndTheRowsItBuffers)
{
    MakeAlbum(50);
    OpenGrid();
    EXPECT_EQ(grid->GetFieldCount(), 3);
    EXPECT_EQ(grid->ColCount(), 4);  // indicator + 3
    EXPECT_EQ(Title(0), "SHORTDESC");
    EXPECT_EQ(Title(2), "BYTES");
    EXPECT_EQ(Cell(0, 0), "Bild 1");
    EXPECT_EQ(Cell(1, 1), "Otto");
    EXPECT_EQ(Cell(2, 2), "300");
    // The link buffers exactly the rows that fit, not the table.
    int visible = grid->VisibleRowCount();
    EXPECT_GT(visible, 3);
    EXPECT_LT(visible, 50);
    EXPECT_EQ(grid->DataLink()->BufferCount(), visible);
    EXPECT_EQ(table->BufferCount(), visible);
    EXPECT_EQ(grid->RowCount(), visible + 1);
    // The width of a column follows the field's DisplayWidth.
    grid->Canvas()->Font.Assign(grid->Font());
    EXPECT_EQ(grid->ColWidths(2), table->FieldByName("Owner")->DisplayWidth() *
                                          grid->Canvas()->TextWidth("0") + 4);
    Screenshot("datagrid_album");
}

TEST_F(GridTest, PageDownMovesTheVisibleRowsAndTheRecord)
{
    MakeAlbum(100);
    OpenGrid();
    int visible = grid->VisibleRowCount();
    Key(Qt::Key_PageDown);
    EXPECT_EQ(table->RecNo(), 1 + visible);
    EXPECT_EQ(table->FieldByName("ShortDesc")->AsString(), QString("Bild %1").arg(1 + visible));
    // The current record is the last visible row; the rows above it moved.
    int row = grid->DataLink()->ActiveRecord();
    EXPECT_EQ(row, visible - 1);
    EXPECT_EQ(Cell(0, row), QString("Bild %1").arg(1 + visible));
    EXPECT_EQ(Cell(0, 0), QString("Bild %1").arg(2));
    Key(Qt::Key_PageUp);
    EXPECT_EQ(table->RecNo(), 1);
    Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(table->RecNo(), 100);
    EXPECT_EQ(Cell(0, grid->DataLink()->ActiveRecord()), "Bild 100");
    EXPECT_EQ(grid->VertScrollPos(), 4);
    Key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(grid->VertScrollPos(), 0);
    Key(Qt::Key_Down);
    EXPECT_EQ(grid->VertScrollPos(), 2);
    EXPECT_EQ(table->BufferCount(), visible);
}

TEST_F(GridTest, ScrollBarMovesTheDataset)
{
    MakeAlbum(40);
    OpenGrid();
    int visible = grid->VisibleRowCount();
    struct Case {
        int code, pos, recno;
    };
    // Line down, page down, thumb at the end, line up, thumb at the start.
    for (Case c : {Case{1, 0, 2}, Case{3, 0, 2 + visible}, Case{4, 4, 40}, Case{0, 0, 39}, Case{4, 0, 1}}) {
        grid->VertScroll(c.code, c.pos);
        EXPECT_EQ(table->RecNo(), c.recno) << c.code << "/" << c.pos;
    }
}

TEST_F(GridTest, EditInACellPostsToTheFile)
{
    MakeAlbum(5);
    OpenGrid();
    Key(Qt::Key_Down);
    Key(Qt::Key_F2);
    ASSERT_TRUE(grid->EditorMode());
    grid->InplaceEditor()->SelectAll();
    Type("Strand");
    EXPECT_EQ(table->State(), dsEdit);
    Key(Qt::Key_Down);  // leaving the record posts it
    EXPECT_EQ(table->State(), dsBrowse);
    EXPECT_EQ(Stored(2, "ShortDesc"), "Strand");
    EXPECT_EQ(Cell(0, 1), "Strand");
}

TEST_F(GridTest, TypingOnACellStartsTheEditorWithTheCharacter)
{
    MakeAlbum(3);
    OpenGrid();
    Key(0, Qt::NoModifier, "W");
    ASSERT_TRUE(grid->EditorMode());
    EXPECT_EQ(grid->InplaceEditor()->Text(), "W");
    Type("ald");
    Key(Qt::Key_Return, Qt::NoModifier, "\r");  // writes the cell, hides the editor
    EXPECT_FALSE(grid->EditorMode());
    EXPECT_EQ(table->FieldByName("ShortDesc")->AsString(), "Wald");
    table->Post();
    EXPECT_EQ(Stored(1, "ShortDesc"), "Wald");
}

// The bands of pixel rows that hold text (dark pixels) in a picture, top
// to bottom: one band per line of text.
int TextBands(const QImage& image)
{
    int bands = 0;
    bool inBand = false;
    for (int y = 0; y < image.height(); ++y) {
        bool ink = false;
        for (int x = 0; x < image.width() && !ink; ++x)
            ink = qGray(image.pixel(x, y)) < 100;
        bands += ink && !inBand;
        inBand = ink;
    }
    return bands;
}

// With the grid's word wrap the cell editor breaks a long text between
// words onto lines and keeps the caret's line in view; without it the text
// stays on one line. Either way what was typed is what the file gets.
TEST_F(GridTest, TheCellEditorWrapsALongTextBetweenWords)
{
    const QString text = "Sonnenuntergang am Strand von Sylt mit Möwen";
    struct Case {
        const char* name;
        bool wordWrap;
        int rowPercent;  // three lines high, or one
    };
    const Case cases[] = {
        {"word wrap, a cell of three lines", true, 300},
        {"word wrap, a cell of one line", true, 100},
        {"no word wrap", false, 300},
    };
    MakeAlbum(3);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OpenGridWordWrap(c.wordWrap);
        grid->SetRowHeightPercent(c.rowPercent);
        QCoreApplication::processEvents();
        Key(Qt::Key_F2);
        ASSERT_TRUE(grid->EditorMode());
        grid->InplaceEditor()->SelectAll();
        Type(text);
        TLineEdit* editor = grid->InplaceEditor()->LineEdit();
        ASSERT_EQ(editor->text(), text);
        const QImage shown = editor->grab().toImage();
        const int caretLine = editor->LineOfPosition(editor->cursorPosition());
        if (c.wordWrap) {
            EXPECT_GE(editor->LineCount(), 3);
            // The caret's line is in view and begins with a whole word.
            EXPECT_EQ(editor->FirstVisibleLine(), std::max(0, caretLine - editor->VisibleLineCount() + 1));
            EXPECT_EQ(editor->VisibleLineCount(), c.rowPercent / 100);
            int start = editor->cursorPosition();
            while (start > 0 && editor->LineOfPosition(start - 1) == caretLine)
                --start;
            EXPECT_EQ(text[start - 1], u' ');
            EXPECT_EQ(TextBands(shown), c.rowPercent / 100);
            if (c.rowPercent == 300)
                Screenshot("datagrid_cell_editor_wrapped");
        } else {
            EXPECT_EQ(editor->LineCount(), 1);
            EXPECT_EQ(TextBands(shown), 1);
        }
        Key(Qt::Key_Down);
        EXPECT_EQ(table->State(), dsBrowse);
        EXPECT_EQ(Stored(1, "ShortDesc"), "Sonnenuntergang am Strand von Sylt mit M\xF6wen");
        Key(Qt::Key_Up);
    }
}

TEST_F(GridTest, PastingIntoTheEditorMarksTheRecordModified)
{
    MakeAlbum(2);
    OpenGrid();
    QGuiApplication::clipboard()->setText("Eingefügt");
    Key(Qt::Key_F2);
    grid->InplaceEditor()->SelectAll();
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(grid->InplaceEditor()->Text(), "Eingefügt");
    EXPECT_EQ(table->State(), dsEdit);
    Key(Qt::Key_Down);
    EXPECT_EQ(Stored(1, "ShortDesc"), "Eingef\xFCgt");  // Windows-1252 in the file
}

// A string cell takes no more than its field holds (Owner: 15), typed or
// pasted, on one line or wrapped; what the editor shows is what the file
// gets. The next cell of a wider field is not held to that width.
TEST_F(GridTest, TheCellEditorStopsAtTheFieldsWidth)
{
    struct Case {
        const char* name;
        bool wordWrap;
        bool paste;
        const char* expected;
    };
    const Case cases[] = {
        {"typed on one line", false, false, "Abcdefghijklmno"},
        {"typed on lines", true, false, "Abcdefghijklmno"},
        {"pasted after the text", false, true, "Anna Abcdefghij"},
        {"pasted on lines", true, true, "Anna Abcdefghij"},
    };
    MakeAlbum(2);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OpenGridWordWrap(c.wordWrap);
        QCoreApplication::processEvents();
        Key(Qt::Key_Right);
        ASSERT_EQ(grid->GetSelectedField()->FieldName.toUpper(), "OWNER");
        Key(Qt::Key_F2);
        ASSERT_TRUE(grid->EditorMode());
        TInplaceEdit* editor = grid->InplaceEditor();
        const QString lang = "Abcdefghijklmnopqrst";
        editor->SelectAll();
        if (c.paste) {
            Type("Anna ");
            QGuiApplication::clipboard()->setText(lang);
            Key(Qt::Key_V, Qt::ControlModifier);
        } else {
            Type(lang);
        }
        EXPECT_EQ(editor->Text(), c.expected);
        Key(Qt::Key_Down);
        EXPECT_EQ(table->State(), dsBrowse);
        EXPECT_EQ(Stored(1, "Owner"), c.expected);
        // The wider field beside it takes the whole text.
        Key(Qt::Key_Up);
        Key(Qt::Key_Left);
        Key(Qt::Key_F2);
        ASSERT_TRUE(grid->EditorMode());
        grid->InplaceEditor()->SelectAll();
        Type(lang + lang);
        EXPECT_EQ(grid->InplaceEditor()->Text(), lang + lang);
        Key(Qt::Key_Escape);
    }
}

TEST_F(GridTest, MovedColumnKeepsItsFieldAndResizingWritesTheWidth)
{
    MakeAlbum(3);
    OpenGrid();
    std::vector<std::pair<int, int>> moves;
    grid->OnColumnMoved = [&](TObject*, int from, int to) { moves.emplace_back(from, to); };
    // Drag the title of Bytes onto the title of ShortDesc.
    TRect from = grid->CellRect(3, 0), to = grid->CellRect(1, 0);
    QPoint a(from.Left + from.Width() / 2, from.Top + 3), b(to.Left + to.Width() / 2, to.Top + 3);
    lxui_test::SendMouse(grid->Handle(), QEvent::MouseButtonPress, a);
    lxui_test::SendMouse(grid->Handle(), QEvent::MouseButtonRelease, b);
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0], std::make_pair(2, 0));
    EXPECT_EQ(table->FieldByName("Bytes")->Index(), 0);
    EXPECT_EQ(grid->GetFields(0)->FieldName, "BYTES");
    EXPECT_EQ(Title(0), "BYTES");
    EXPECT_EQ(Cell(0, 0), "100");
    EXPECT_EQ(Cell(1, 0), "Bild 1");
    // Widening the Owner column writes the character count back.
    grid->Canvas()->Font.Assign(grid->Font());
    int zero = grid->Canvas()->TextWidth("0");
    grid->SetColWidths(3, 30 * zero + 4);
    EXPECT_EQ(table->FieldByName("Owner")->DisplayWidth(), 30);
}

TEST_F(GridTest, SelectedListGivesColumnsTitlesAndLines)
{
    MakeAlbum(30);
    OpenGrid();
    grid->SetUseTFields(false);
    grid->SetSelected(Lines({"Owner\t8\tBesitzer~Name", "Missing\t5\tWeg", "ShortDesc\t20\tKurz"}));
    // The entry of a missing field left the list.
    ASSERT_EQ(grid->Selected().Count(), 2);
    EXPECT_EQ(grid->GetFieldCount(), 2);
    EXPECT_EQ(grid->GetFields(0)->FieldName, "OWNER");
    EXPECT_EQ(Title(0), "Besitzer~Name");
    int oneLine = grid->RowHeights(0);
    grid->SetTitleLines(2);
    EXPECT_GT(grid->RowHeights(0), oneLine);
    grid->SetTitleLines(0);  // ignored
    EXPECT_EQ(grid->TitleLines(), 2);
    grid->SetRowHeightPercent(0);
    EXPECT_EQ(grid->RowHeightPercent(), 100);
    int normal = grid->DefaultRowHeight();
    grid->SetRowHeightPercent(200);
    EXPECT_GE(grid->DefaultRowHeight(), 2 * normal - 1);
    EXPECT_EQ(grid->DataLink()->BufferCount(), grid->VisibleRowCount());
    Screenshot("datagrid_selected_titles");
    // An empty list without field objects shows one empty column.
    grid->SetSelected(TStringList());
    EXPECT_EQ(grid->ColCount(), 2);
}

TEST_F(GridTest, EscAsksBeforeDiscardingAndRestoresTypedText)
{
    MakeAlbum(3);
    OpenGrid();
    Key(Qt::Key_F2);
    grid->InplaceEditor()->SelectAll();
    Type("Neu");
    // Typed text not yet written: Esc only restores the cell text.
    Key(Qt::Key_Escape);
    EXPECT_EQ(grid->InplaceEditor()->Text(), "Bild 1");
    // A written change: Esc asks; No keeps it, Yes cancels it.
    table->FieldByName("ShortDesc")->SetAsString("Neu");
    {
        TPromptScript script;
        script.Answer(mrNo, "Discard changes to this record?");
        Key(Qt::Key_Escape);
    }
    EXPECT_EQ(table->State(), dsEdit);
    {
        TPromptScript script;
        script.Answer(mrYes, "Discard changes to this record?");
        Key(Qt::Key_Escape);
    }
    EXPECT_EQ(table->State(), dsBrowse);
    EXPECT_EQ(table->FieldByName("ShortDesc")->AsString(), "Bild 1");
}

TEST_F(GridTest, CtrlDeleteAsksAndCancelKeepsTheRecord)
{
    MakeAlbum(3);
    OpenGrid();
    {
        TPromptScript script;
        script.Answer(mrCancel, "Datensatz löschen?");
        Key(Qt::Key_Delete, Qt::ControlModifier);
    }
    EXPECT_EQ(table->RecordCount(), 3);
    EXPECT_FALSE(DeletedInFile(1));
    {
        TPromptScript script;
        script.Answer(mrOk, "Datensatz löschen?");
        Key(Qt::Key_Delete, Qt::ControlModifier);
    }
    EXPECT_TRUE(DeletedInFile(1));
}

TEST_F(GridTest, DownAndTabAtTheEndAppendOnlyWhenAllowed)
{
    MakeAlbum(2);
    OpenGrid();
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);  // past the last record
    EXPECT_EQ(table->State(), dsInsert);
    Key(Qt::Key_Up);  // an untouched new record goes again
    EXPECT_EQ(table->State(), dsBrowse);
    grid->KeyOptions.Exclude(dgAllowInsert);
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    EXPECT_EQ(table->State(), dsBrowse);
    grid->KeyOptions.Include(dgAllowInsert);
    // Tab from the last column of the last record appends and goes on at
    // the first column.
    Key(Qt::Key_End);
    EXPECT_EQ(grid->Col(), 3);
    Key(Qt::Key_Tab, Qt::NoModifier, "\t");
    EXPECT_EQ(table->State(), dsInsert);
    EXPECT_EQ(grid->Col(), 1);
    Type("Neues Bild");
    Key(Qt::Key_Up);
    EXPECT_EQ(table->RecordCount(), 3);
    EXPECT_EQ(Stored(3, "ShortDesc"), "Neues Bild");
}

TEST_F(GridTest, TitleButtonClickNamesTheFieldOnlyOnTheSameCell)
{
    MakeAlbum(2);
    OpenGrid();
    grid->SetTitleButtons(true);
    grid->SetOptions(grid->Options() - TdkDBGridOptions{dgColumnResize});
    QStringList clicks;
    grid->OnTitleButtonClick = [&](TObject*, const QString& name) { clicks << name; };
    TRect t = grid->CellRect(2, 0);
    QPoint p(t.Left + t.Width() / 2, t.Top + 3);
    lxui_test::SendClick(grid->Handle(), p);
    EXPECT_EQ(clicks, QStringList{"OWNER"});
    TRect other = grid->CellRect(3, 0);
    lxui_test::SendMouse(grid->Handle(), QEvent::MouseButtonPress, p);
    lxui_test::SendMouse(grid->Handle(), QEvent::MouseButtonRelease, QPoint(other.Left + 4, other.Top + 3));
    EXPECT_EQ(clicks.size(), 1);
}

// Title buttons are raised (white above and left, black outside and grey
// inside below and right) and sunken while the mouse holds one down; other
// fixed cells keep their raised edge.
TEST_F(GridTest, TitleButtonsLookRaisedAndPressed)
{
    MakeAlbum(2);
    OpenGrid();
    grid->SetTitleButtons(true);
    grid->SetOptions(grid->Options() - TdkDBGridOptions{dgColumnResize});
    const TRect t = grid->CellRect(2, 0);
    const TRect indicator = grid->CellRect(0, 1);
    const auto pixel = [this](int x, int y) { return QColor(grid->Handle()->grab().toImage().pixel(x, y)); };
    struct Case {
        const char* where;
        int x, y;
        TColor color;
    };
    const Case raised[] = {
        {"top", t.Left + 4, t.Top, clBtnHighlight},
        {"left", t.Left, t.Top + 4, clBtnHighlight},
        {"bottom outside", t.Left + 4, t.Bottom - 1, clBlack},
        {"right outside", t.Right - 1, t.Top + 4, clBlack},
        {"bottom inside", t.Left + 4, t.Bottom - 2, clBtnShadow},
        {"indicator top", indicator.Left + 4, indicator.Top, clBtnHighlight},
        {"indicator bottom", indicator.Left + 4, indicator.Bottom - 1, clBtnShadow},
    };
    for (const Case& c : raised)
        EXPECT_EQ(pixel(c.x, c.y), ColorToQColor(c.color)) << c.where;
    lxui_test::SendMouse(grid->Handle(), QEvent::MouseButtonPress, QPoint(t.Left + t.Width() / 2, t.Top + 3));
    const Case pressed[] = {
        {"pressed top", t.Left + 4, t.Top, clBtnShadow},
        {"pressed bottom", t.Left + 4, t.Bottom - 1, clBtnHighlight},
    };
    for (const Case& c : pressed)
        EXPECT_EQ(pixel(c.x, c.y), ColorToQColor(c.color)) << c.where;
    Screenshot("datagrid_title_button_pressed");
    lxui_test::SendMouse(grid->Handle(), QEvent::MouseButtonRelease, QPoint(t.Left + t.Width() / 2, t.Top + 3));
    EXPECT_EQ(pixel(t.Left + 4, t.Top), ColorToQColor(clBtnHighlight));
}

TEST_F(GridTest, ColourCallbacksSeeTheRowsRecord)
{
    MakeAlbum(4);
    OpenGrid();
    QStringList seen;
    grid->OnCalcCellColors = [&](TObject*, TField* f, TGridDrawState, bool, TFont* font, TBrush* brush) {
        if (f->FieldName == "OWNER") {
            seen << table->FieldByName("ShortDesc")->AsString();
            if (f->AsString() == "Otto")
                brush->Color = clYellow;
        }
    };
    QStringList titles;
    grid->OnCalcTitleAttributes = [&](TObject*, const QString& name, TFont*, TBrush*, TAlignment& al) {
        titles << name;
        al = taCenter;
    };
    grid->Handle()->grab();
    EXPECT_TRUE(seen.contains("Bild 1"));
    EXPECT_TRUE(seen.contains("Bild 4"));
    EXPECT_TRUE(titles.contains("BYTES"));
    // The active record is back after drawing.
    EXPECT_EQ(table->FieldByName("ShortDesc")->AsString(), "Bild 1");
    grid->SetDefaultDrawing(false);
    int drawn = 0;
    grid->OnDrawDataCell = [&](TObject*, const TRect&, TField*, TGridDrawState) { ++drawn; };
    EXPECT_EQ(Cell(0, 0), "");
    EXPECT_GE(drawn, 12);
}

TEST_F(GridTest, ClickInAnotherRowMovesTheRecordAndColumn)
{
    MakeAlbum(6);
    OpenGrid();
    int enters = 0;
    grid->OnColEnter = [&](TObject*) { ++enters; };
    lxui_test::SendClick(grid->Handle(), CellCenter(2, 3));
    EXPECT_EQ(table->RecNo(), 4);
    EXPECT_EQ(grid->Col(), 3);
    EXPECT_EQ(enters, 1);
    // A double click only fires OnDblClick.
    int dbl = 0;
    grid->OnDblClick = [&](TObject*) { ++dbl; };
    QPoint p = CellCenter(0, 0);
    QMouseEvent e(QEvent::MouseButtonDblClick, QPointF(p), grid->Handle()->mapToGlobal(QPointF(p)), Qt::LeftButton,
                  Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grid->Handle(), &e);
    EXPECT_EQ(dbl, 1);
    EXPECT_EQ(table->RecNo(), 4);
}

TEST_F(GridTest, PictureMaskRefusesAndCompletesTypedText)
{
    MakeAlbum(2);
    OpenGrid();
    table->PictureMasks().Add("Owner\t##.##.####\tT\tF");
    std::vector<bool> checks;
    grid->OnCheckValue = [&](TObject*, bool passes) { checks.push_back(passes); };
    Key(Qt::Key_Right);
    Key(Qt::Key_F2);
    grid->InplaceEditor()->SelectAll();
    checks.clear();
    int beeps = MessageBeepCount();
    Type("x");  // refused at the end of the text
    EXPECT_EQ(MessageBeepCount(), beeps + 1);
    EXPECT_EQ(grid->InplaceEditor()->Text(), "Anna");
    Type("12");  // the separator comes by itself
    EXPECT_EQ(grid->InplaceEditor()->Text(), "12.");
    ASSERT_FALSE(checks.empty());
    EXPECT_FALSE(checks.back());
    Type("03.2024");
    EXPECT_EQ(grid->InplaceEditor()->Text(), "12.03.2024");
    EXPECT_TRUE(checks.back());
}

TEST_F(GridTest, IncompleteMaskTextKeepsTheColumn)
{
    MakeAlbum(2);
    OpenGrid();
    table->PictureMasks().Add("Owner\t###\tT\tF");
    Key(Qt::Key_Right);
    Key(Qt::Key_F2);
    grid->InplaceEditor()->SelectAll();
    Type("1");
    EXPECT_THROW(grid->ChangeColumn(2), Exception);
    EXPECT_EQ(grid->Col(), 2);
    // With the dataset's handler the handler hears it instead.
    int invalid = 0;
    table->OnInvalidValue = [&](TDataSet*, TField* f) {
        ++invalid;
        EXPECT_EQ(f->FieldName, "OWNER");
    };
    grid->ChangeColumn(2);
    EXPECT_EQ(invalid, 1);
    EXPECT_EQ(grid->Col(), 2);
}

TEST_F(GridTest, MemoCellsNeverShowTheirBytes)
{
    MakeTable("BILDER.DBF", AlbumFields(), 3, [this](int i) {
        Text("ShortDesc", "Bild " + std::to_string(i));
        if (i == 1)
            dbe_Replace("Notiz", DBE_REPL_MEMO, "Erste Zeile\r\nZweite Zeile");
        if (i == 2) {
            std::string file = File("bin.dat");
            QFile f(QString::fromStdString(file));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(QByteArray("\x00\x01\xff\x00JFIF\x00", 9));
            f.close();
            dbe_Replace("Notiz", DBE_REPL_FILEBLOB, file.c_str());
        }
    });
    OpenGrid({"ShortDesc", "Notiz"});
    EXPECT_EQ(Cell(1, 0), "(Memo)");
    EXPECT_EQ(Cell(1, 1), "(Memo)");
    grid->SetOptions(grid->Options() - TdkDBGridOptions{dgWordWrap});
    grid->SetMemoAttributes(grid->MemoAttributes() + TdkMemoAttributes{mGridShow});
    EXPECT_EQ(Cell(1, 0), "Erste Zeile");
    EXPECT_EQ(Cell(1, 1), "(Memo)");  // binary bytes with zeros
    EXPECT_EQ(Cell(1, 2), "");
    // No editor over a memo cell.
    grid->SetCol(2);
    Key(Qt::Key_Left);
    Key(Qt::Key_Right);
    EXPECT_FALSE(grid->EditorMode());
}

TEST_F(GridTest, RichTextCellsShowTheirPlainText)
{
    MakeTable("BILDER.DBF", AlbumFields(), 1, [](int) {
        dbe_Replace("Notiz", DBE_REPL_MEMO, "{\\rtf1{\\fonttbl{\\f0 Arial;}}\\b Am Strand\\b0\\par Wellen}");
    });
    OpenGrid({"ShortDesc", "Notiz"});
    table->ControlType().Add("NOTIZ;RichEdit;NotizRichEdit");
    grid->SetOptions(grid->Options() - TdkDBGridOptions{dgWordWrap});
    EXPECT_EQ(Cell(1, 0), "Am Strand");
}

TEST_F(GridTest, CheckBoxCellsToggleWithSpace)
{
    MakeTable("BILDER.DBF", AlbumFields(), 2, [](int i) {
        Text("ShortDesc", "Bild " + std::to_string(i));
        Text("RESERVE1", i == 1 ? "Wahr" : "Falsch");
    });
    OpenGrid({"ShortDesc", "RESERVE1"});
    table->ControlType().Add("RESERVE1;CheckBox;Wahr;Falsch");
    EXPECT_EQ(Cell(1, 0), "[x]");
    EXPECT_EQ(Cell(1, 1), "[ ]");
    Key(Qt::Key_Right);
    Key(Qt::Key_Space, Qt::NoModifier, " ");
    EXPECT_EQ(table->FieldByName("RESERVE1")->AsString(), "Falsch");
    EXPECT_FALSE(grid->EditorMode());
    Key(Qt::Key_Down);
    EXPECT_EQ(Stored(1, "RESERVE1"), "Falsch");
    // A read-only field does not toggle.
    table->FieldByName("RESERVE1")->SetReadOnly(true);
    Key(Qt::Key_Space, Qt::NoModifier, " ");
    EXPECT_EQ(table->FieldByName("RESERVE1")->AsString(), "Falsch");
    EXPECT_EQ(table->State(), dsBrowse);
    Screenshot("datagrid_checkbox");
}

// The current cell is highlighted with a dotted focus frame while the grid
// is its form's active control, also when another window has the keyboard
// (the grid then shows its selection); not when another control of the form
// is active and not with whole-row selection. Cells with a check box get it
// as well.
TEST_F(GridTest, FocusFrameMarksTheCurrentCellWhileTheGridIsTheFormsActiveControl)
{
    OpenCheckBoxGrid(3, "Wahr");
    auto* other = new TEdit(form.get());
    other->SetParent(form.get());
    other->SetBounds(0, 205, 100, 21);
    TForm window(nullptr);
    auto* elsewhere = new TEdit(&window);
    elsewhere->SetParent(&window);
    enum TActive { kGrid, kOtherWindow, kOtherControl };
    struct Case {
        const char* name;
        int dataCol;
        TActive active;
        bool rowSelect;
        bool framed;
    };
    const Case cases[] = {
        {"text cell, the grid has the keyboard", 0, kGrid, false, true},
        {"check box cell, the grid has the keyboard", 1, kGrid, false, true},
        {"text cell, another window has the keyboard", 0, kOtherWindow, false, true},
        {"check box cell, another window has the keyboard", 1, kOtherWindow, false, true},
        {"another control of the form is active", 0, kOtherControl, false, false},
        {"whole-row selection", 0, kOtherWindow, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TdkDBGridOptions options = kdkDefaultGridOptions;
        options.Include(dgAlwaysShowSelection);  // the selection shows without the keyboard
        if (c.rowSelect)
            options.Include(dgRowSelect);
        grid->SetOptions(options);
        grid->SetCol(c.dataCol + grid->IndicatorOffset());
        if (c.active == kOtherControl) {
            window.Hide();
            form->Handle()->activateWindow();
            other->SetFocus();
            form->SetActiveControl(other);
        } else if (c.active == kGrid) {
            window.Hide();
            form->Handle()->activateWindow();
            grid->SetFocus();
        } else {
            grid->SetFocus();
            form->SetActiveControl(grid);
            window.Show();
            window.Handle()->activateWindow();
            elsewhere->SetFocus();
        }
        QCoreApplication::processEvents();
        ASSERT_EQ(grid->Focused(), c.active == kGrid);
        const QImage image = grid->Handle()->grab().toImage();
        const TRect r = grid->CellRect(c.dataCol + grid->IndicatorOffset(), grid->TitleOffset());
        // Beside each frame dot lies an untouched pixel of the cell colour.
        const QRgb fill = image.pixel(r.Left + 1, r.Top);
        const QRgb inverted = fill ^ 0x00FFFFFFu;
        EXPECT_EQ(fill, ColorToQColor(clHighlight).rgb());
        if (c.framed) {
            EXPECT_EQ(image.pixel(r.Left + 2, r.Top), inverted);
            EXPECT_EQ(image.pixel(r.Left, r.Top + 2), inverted);
            if (c.dataCol == 0) {  // a check box cell draws its cell lines over the bottom
                EXPECT_EQ(image.pixel(r.Left + 2, r.Bottom - 1), inverted);
            }
        } else {
            EXPECT_EQ(image.pixel(r.Left + 2, r.Top), fill);
            EXPECT_EQ(image.pixel(r.Left, r.Top + 2), fill);
        }
        if (c.dataCol == 0 && c.framed && c.active == kGrid)
            Screenshot("datagrid_focus_frame");
    }
}

TEST_F(GridTest, LinkAnswersWhetherTheDatasetMadeItsOwnFields)
{
    MakeAlbum(2);
    OpenGrid();
    EXPECT_TRUE(grid->DataLink()->DefaultFields());
    table->Close();
    auto* desc = new TStringField(40);
    desc->FieldName = "ShortDesc";
    desc->SetDataSet(table.get());
    table->Open();
    EXPECT_FALSE(grid->DataLink()->DefaultFields());
    EXPECT_EQ(grid->GetFieldCount(), 1);
    grid->SetDataSource(nullptr);
    EXPECT_TRUE(grid->DataLink()->DefaultFields());  // no dataset
}

// The check box of a cell has a sunken frame: grey and white outside, black
// and light grey inside, on the window colour.
TEST_F(GridTest, CheckBoxCellsHaveASunkenFrame)
{
    OpenCheckBoxGrid(2, "Falsch");
    const QImage image = grid->Handle()->grab().toImage();
    const TRect cell = grid->CellRect(1 + grid->IndicatorOffset(), 1 + grid->TitleOffset());
    const int l = (cell.Left + cell.Right - 10) / 2, t = (cell.Top + cell.Bottom - 10) / 2;
    struct Case {
        const char* where;
        int x, y;
        TColor color;
    };
    const Case cases[] = {
        {"outer top", 4, 0, clBtnShadow},       {"outer left", 0, 4, clBtnShadow},
        {"outer bottom", 4, 9, clBtnHighlight}, {"outer right", 9, 4, clBtnHighlight},
        {"inner top", 4, 1, clBlack},           {"inner left", 1, 4, clBlack},
        {"inner bottom", 4, 8, cl3DLight},      {"inner right", 8, 4, cl3DLight},
        {"inside", 4, 4, clWindow},
    };
    for (const Case& c : cases)
        EXPECT_EQ(QColor(image.pixel(l + c.x, t + c.y)), ColorToQColor(c.color)) << c.where;
}

TEST_F(GridTest, BitmapCellsDrawTheFieldsPicture)
{
    MakeTable("BILDER.DBF", AlbumFields(), 2, [this](int i) {
        Text("ShortDesc", "Bild " + std::to_string(i));
        QImage img(8, 8, QImage::Format_RGB32);
        img.fill(i == 1 ? Qt::red : Qt::blue);
        std::string file = File("pic.png");
        ASSERT_TRUE(img.save(QString::fromStdString(file)));
        dbe_Replace("Vorschau", DBE_REPL_FILEBLOB, file.c_str());
    });
    OpenGrid({"ShortDesc", "Vorschau"});
    table->ControlType().Add("VORSCHAU;Bitmap;Source Copy;Stretch To Fit");
    QImage shot = grid->Handle()->grab().toImage();
    struct Case {
        int row;
        QColor colour;
        const char* mode;
    };
    for (Case c : {Case{0, Qt::red, "Source Copy"}, Case{1, Qt::blue, "Source Copy"},
                   Case{0, QColor(0, 255, 255), "Not Source Copy"}}) {
        table->ControlType().SetStrings(0, QString("VORSCHAU;Bitmap;%1;Stretch To Fit").arg(c.mode));
        shot = grid->Handle()->grab().toImage();
        QPoint p = CellCenter(1, c.row);
        EXPECT_EQ(QColor(shot.pixel(p)), c.colour) << c.row << " " << c.mode;
    }
    // No editor over a picture cell.
    Key(Qt::Key_Right);
    Key(Qt::Key_F2);
    EXPECT_FALSE(grid->EditorMode());
}

TEST_F(GridTest, ReadOnlyTableRefusesEditsWithAMessage)
{
    // A write-protected file opens read-only, as the table's ReadOnly does.
    MakeAlbum(2);
    OpenGrid({"ShortDesc", "Owner", "Bytes"}, 200, true);
    {
        TPromptScript script;
        script.Answer(mrOk, "schreibgeschützt");
        Key(0, Qt::NoModifier, "x");
    }
    EXPECT_EQ(table->State(), dsBrowse);
    EXPECT_FALSE(grid->EditorMode());
    EXPECT_EQ(Stored(1, "ShortDesc"), "Bild 1");
}

TEST_F(GridTest, EmptyTableShowsOneEmptyRow)
{
    MakeAlbum(0);
    OpenGrid();
    EXPECT_EQ(grid->RowCount(), 2);
    EXPECT_EQ(Title(0), "SHORTDESC");
    EXPECT_EQ(Cell(0, 0), "");
    Key(Qt::Key_PageDown);
    Key(Qt::Key_Down);  // appends a new record on an empty table
    EXPECT_EQ(table->State(), dsInsert);
    Key(Qt::Key_Escape);
    EXPECT_EQ(table->State(), dsBrowse);
}

TEST_F(GridTest, FixedColsOutOfRangeIsRefused)
{
    MakeAlbum(2);
    OpenGrid();
    {
        TPromptScript script;
        script.Answer(mrOk, "Invalid value for FixedCols");
        grid->SetFixedCols(-1);
    }
    EXPECT_EQ(grid->FixedCols(), 0);
    grid->SetFixedCols(1);
    EXPECT_EQ(grid->FixedCols(), 1);
    EXPECT_EQ(grid->TCustomGrid::FixedCols(), 2);
    EXPECT_EQ(grid->GetColumnColor(1), grid->TitleColor());
    Key(Qt::Key_Home);
    EXPECT_EQ(grid->Col(), 2);
}

TEST_F(GridTest, ADatasetOfAnotherClassIsRefused)
{
    MakeAlbum(2);
    TTable plain;
    plain.SetDatabaseName(WinDir());
    plain.SetTableName("BILDER.DBF");
    plain.Open();
    TdkDataSource src;
    src.SetDataSet(&plain);
    TForm f(nullptr);
    auto* g = new TdkDBGrid(&f);
    g->SetParent(&f);
    TPromptScript script;
    script.Answer(mrOk, "dkGrid must use an RiriDuzaz compatible TDataSet.");
    g->SetDataSource(&src);
    EXPECT_EQ(g->DataSource(), nullptr);
    EXPECT_EQ(g->TdkCustomDBGrid::DataSource(), nullptr);
}

TEST(DkIntlTest, ConnectedFormTextsReachTheDefault)
{
    TdkIntl* def = dkIntl();
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(def->UserMessages()->Text("dkDBGridDiscardChanges"), "Discard changes to this record?");
    EXPECT_EQ(def->LocateDialog()->Text("BtnFirst"), "Fi&rst");
    EXPECT_EQ(def->FilterDialog()->Count(), 40);
    EXPECT_EQ(def->RichEdit()->Count(), 34);
    EXPECT_EQ(def->RichEdit()->MenuLabels()->Count(), 28);
    {
        TdkIntl form(nullptr);
        form.UserMessages()->SetText("dkDBGridDiscardChanges", "Änderungen verwerfen?");
        EXPECT_EQ(dkUserMessage("dkDBGridDiscardChanges"), "Discard changes to this record?");
        form.SetConnected(true);
        EXPECT_EQ(dkUserMessage("dkDBGridDiscardChanges"), "Änderungen verwerfen?");
        // Later edits reach the default only with Connected again, except the style.
        form.UserMessages()->SetText("dkDBGridDiscardChanges", "Verwerfen?");
        form.SetCheckBoxInGridStyle(cbStyleXmark);
        EXPECT_EQ(dkUserMessage("dkDBGridDiscardChanges"), "Änderungen verwerfen?");
        EXPECT_EQ(def->CheckBoxInGridStyle(), cbStyleXmark);
    }
    def->UserMessages()->SetText("dkDBGridDiscardChanges", "Discard changes to this record?");
    def->SetCheckBoxInGridStyle(cbStyleAuto);
    EXPECT_EQ(def->VersionRiriDuzaz(), "3.02");
}

TEST_F(GridTest, MultiSelectionByClicks)
{
    MakeAlbum(8);
    OpenGrid();
    grid->SetOptions(grid->Options() + TdkDBGridOptions{dgMultiSelect});
    grid->MultiSelectOptions = {msoAutoUnselect, msoShiftSelect};
    auto click = [&](int row, Qt::KeyboardModifiers mods) {
        QPoint p = CellCenter(0, row);
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(p), grid->Handle()->mapToGlobal(QPointF(p)),
                          Qt::LeftButton, Qt::LeftButton, mods);
        QApplication::sendEvent(grid->Handle(), &press);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(p), grid->Handle()->mapToGlobal(QPointF(p)),
                            Qt::LeftButton, Qt::NoButton, mods);
        QApplication::sendEvent(grid->Handle(), &release);
    };
    // A Shift-click before any anchor toggles only the clicked record.
    grid->MultiSelectOptions = {msoAutoUnselect};
    click(2, Qt::ShiftModifier);
    EXPECT_EQ(grid->SelectedCount(), 1);
    grid->MultiSelectOptions = {msoAutoUnselect, msoShiftSelect};
    // A plain click leaves exactly one selected record and sets the anchor.
    click(1, Qt::NoModifier);
    EXPECT_EQ(grid->SelectedBookmarks(), std::vector<TBookmark>{2});
    click(3, Qt::ControlModifier);
    EXPECT_EQ(grid->SelectedCount(), 2);
    click(3, Qt::ControlModifier);  // toggles off again
    EXPECT_EQ(grid->SelectedCount(), 1);
    // Shift-click: everything from the anchor (the last click, record 4)
    // to the clicked record.
    click(5, Qt::ShiftModifier);
    std::vector<TBookmark> marks = grid->SelectedBookmarks();
    std::sort(marks.begin(), marks.end());
    EXPECT_EQ(marks, (std::vector<TBookmark>{2, 4, 5, 6}));
    EXPECT_EQ(table->RecNo(), 6);
    EXPECT_TRUE(grid->IsSelected());
    // Rows are drawn highlighted from the selection, not from the focus.
    grid->Handle()->grab();
    grid->UnselectAll();
    EXPECT_EQ(grid->SelectedCount(), 0);
    // The handler may refuse a selection.
    grid->OnMultiSelectRecord = [](TdkDBGrid*, bool selecting, bool& accept) { accept = !selecting; };
    grid->SelectRecord();
    EXPECT_EQ(grid->SelectedCount(), 0);
}

TEST_F(GridTest, SelectedColumnTicksExactlyTheSelectedRecords)
{
    MakeAlbum(4);
    table = std::make_unique<TdkTable>();
    table->SetTableType(ttDXFOX);
    auto* sel = new TStringField(1);
    sel->FieldName = "Selected";
    sel->FieldKind = fkCalculated;
    sel->SetDataSet(table.get());
    Open(*table, "BILDER.DBF");
    table->ControlType().Add("Selected;CheckBox;T;F");
    for (int i = 0; i < table->FieldCount(); ++i)
        table->Fields(i)->SetVisible(table->Fields(i) == sel || table->Fields(i)->FieldName == "SHORTDESC");
    table->FieldByName("ShortDesc")->SetDisplayWidth(20);
    source = std::make_unique<TdkDataSource>();
    source->SetDataSet(table.get());
    form = std::make_unique<TForm>(nullptr);
    grid = new TdkDBGrid(form.get());
    grid->SetParent(form.get());
    grid->SetBounds(0, 0, 400, 200);
    form->Show();
    grid->SetDataSource(source.get());
    int selCol = grid->GetFields(0) == sel ? 0 : 1;
    // Space on the "selected" column selects, even in a read-only grid.
    grid->SetReadOnly(true);
    grid->SetCol(selCol + 1);
    Key(Qt::Key_Down);
    Key(Qt::Key_Space, Qt::NoModifier, " ");
    EXPECT_EQ(grid->SelectedBookmarks(), std::vector<TBookmark>{2});
    EXPECT_EQ(Cell(selCol, 0), "[ ]");
    EXPECT_EQ(Cell(selCol, 1), "[x]");
    EXPECT_EQ(Cell(selCol, 2), "[ ]");
    Key(Qt::Key_Space, Qt::NoModifier, " ");
    EXPECT_EQ(grid->SelectedCount(), 0);
}

TEST_F(GridTest, IndicatorButtonTopRowAndWheel)
{
    MakeAlbum(60);
    OpenGrid();
    auto* button = new TdkIButton(form.get());
    button->SetParent(grid);
    button->SetBounds(0, 0, 15, 30);
    button->Loaded();
    EXPECT_EQ(grid->IndicatorButton(), button);
    EXPECT_EQ(grid->IndicatorWidth(), 14);
    EXPECT_EQ(grid->ColWidths(0), 14);
    EXPECT_GE(grid->RowHeights(0), 29);
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    button->Click();
    EXPECT_EQ(clicks, 1);
    delete button;
    EXPECT_EQ(grid->IndicatorButton(), nullptr);
    int topChanges = 0;
    grid->OnTopRowChanged = [&](TObject*) { ++topChanges; };
    int visible = grid->VisibleRowCount();
    for (int i = 0; i < visible; ++i)
        Key(Qt::Key_Down);
    EXPECT_EQ(topChanges, 1);
    EXPECT_EQ(Cell(0, 0), "Bild 2");
    QWheelEvent wheel(QPointF(20, 40), grid->Handle()->mapToGlobal(QPointF(20, 40)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid->Handle(), &wheel);
    EXPECT_EQ(table->RecNo(), visible + 2);
}

TEST_F(GridTest, DragBeyondTheRowsScrollsTheDatasetOnTheTimer)
{
    MakeAlbum(60);
    OpenGrid();
    int visible = grid->VisibleRowCount();
    QPoint inside = CellCenter(0, 2);
    lxui_test::SendMouse(grid->Handle(), QEvent::MouseButtonPress, inside);
    EXPECT_EQ(table->RecNo(), 3);
    QPoint below(inside.x(), grid->ClientHeight() - 1);
    QMouseEvent move(QEvent::MouseMove, QPointF(below), grid->Handle()->mapToGlobal(QPointF(below)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grid->Handle(), &move);
    ASSERT_EQ(grid->TimedScrollDirection(), 1);
    grid->TimedScroll();  // one tick of the timer
    EXPECT_EQ(table->RecNo(), visible + 1);
    grid->TimedScroll();
    EXPECT_EQ(table->RecNo(), visible + 2);
    lxui_test::SendMouse(grid->Handle(), QEvent::MouseButtonRelease, below);
    EXPECT_EQ(grid->TimedScrollDirection(), 0);
    grid->TimedScroll();
    EXPECT_EQ(table->RecNo(), visible + 2);
}

TEST_F(GridTest, OptionSwitchesRelayTheGridOut)
{
    MakeAlbum(20);
    OpenGrid();
    // Without titles and indicator the data starts at the top-left cell.
    grid->SetOptions(grid->Options() - TdkDBGridOptions{dgTitles, dgIndicator});
    EXPECT_EQ(grid->TitleOffset(), 0);
    EXPECT_EQ(grid->IndicatorOffset(), 0);
    EXPECT_EQ(grid->ColCount(), 3);
    grid->Handle()->grab();
    EXPECT_EQ(grid->PaintedText(0, 0), "Bild 1");
    EXPECT_EQ(grid->DataLink()->BufferCount(), grid->VisibleRowCount());
    // Row select: Left and Right move the record.
    grid->SetOptions(grid->Options() + TdkDBGridOptions{dgTitles, dgIndicator, dgRowSelect});
    EXPECT_EQ(grid->ColCount(), 4);
    Key(Qt::Key_Right);
    EXPECT_EQ(table->RecNo(), 2);
    Key(Qt::Key_Left);
    EXPECT_EQ(table->RecNo(), 1);
    // Always show the editor: it follows the current cell.
    grid->SetOptions(grid->Options() - TdkDBGridOptions{dgRowSelect} + TdkDBGridOptions{dgAlwaysShowEditor});
    Key(Qt::Key_Down);
    EXPECT_TRUE(grid->EditorMode());
    EXPECT_EQ(grid->InplaceEditor()->Text(), "Bild 2");
    // Read-only: no editor, no insert.
    grid->SetOptions(grid->Options() - TdkDBGridOptions{dgAlwaysShowEditor});
    grid->SetReadOnly(true);
    Key(Qt::Key_Escape);
    Key(Qt::Key_F2);
    EXPECT_FALSE(grid->EditorMode());
    Key(Qt::Key_Insert);
    EXPECT_EQ(table->State(), dsBrowse);
    // A taller grid buffers more rows, a shorter one fewer.
    int rows = grid->DataLink()->BufferCount();
    grid->SetHeight(grid->Height() + 60);
    EXPECT_GT(grid->DataLink()->BufferCount(), rows);
    grid->SetHeight(80);
    EXPECT_LT(grid->DataLink()->BufferCount(), rows);
    EXPECT_EQ(table->BufferCount(), grid->DataLink()->BufferCount());
}

TEST(DkWordWrapText, BreaksAtWidthAndLineEnds)
{
    // Every character is 1 wide, so the width counts characters.
    auto width = [](const QString& s) { return int(s.size()); };
    struct Case {
        const char* text;
        int width;
        QStringList lines;
    };
    const Case cases[] = {
        {"ein langer Titel", 10, {"ein langer", "Titel"}},
        {"ein  zwei", 5, {"ein", "zwei"}},  // blanks that begin a continued line go
        {"a\tb\rc\nd\r\ne", 80, {"a", "b", "c", "d", "e"}},
        {"Wortungetuem", 4, {"Wortungetuem"}},  // a word stays whole
        {"", 10, {""}},
        {"x\x01y", 10, {"x y"}},  // control bytes never reach the painter
    };
    for (const Case& c : cases)
        EXPECT_EQ(dkWordWrapText(QString::fromLatin1(c.text), c.width, width), c.lines) << c.text;
}

TEST(DkRichText, PlainTextOfRichText)
{
    struct Case {
        const char* rtf;
        const char* plain;
    };
    const Case cases[] = {
        {"{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 Am \\b Strand\\b0\\par Wellen}", "Am Strand\nWellen"},
        {"{\\rtf1 Gr\\'fc\\'dfe\\tab aus\\par}", "Gr\u00fc\u00dfe\taus"},
        {"{\\rtf1{\\*\\generator Writer;}Text \\{mit\\} \\\\}", "Text {mit} \\"},
        {"{\\rtf1\\uc1 \\u8364?uro}", "\u20acuro"},
        {"kein RTF", "kein RTF"},
        {"{\\rtf1 offen", "offen"},  // a cut-off text still gives what it has
    };
    for (const Case& c : cases)
        EXPECT_EQ(dkRichTextToPlain(QByteArray(c.rtf)), QString::fromUtf8(c.plain)) << c.rtf;
}
