// The masked data edit over an album table: display and edit text, the
// picture typing, validation on exit and before post, date and time
// completion with the space bar, MaxLength from the field and the keys it
// hands to a grid it floats over.

#include "controls_fixture.h"

#include "platform/core/sys_utils.h"
#include "platform/ui/beep.h"
#include "platform/ui/line_edit.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QFontMetrics>
#include <QImage>
#include <QScrollBar>
#include <QTest>

TEST_F(ControlsTest, ShowsDisplayTextAndTakesMaxLengthFromTheField)
{
    MakeAlbum(3);
    OpenTable();
    auto* edit = Place<TdkDBEdit>();
    edit->SetDataSource(source.get());
    edit->SetDataField("Label");
    EXPECT_EQ(edit->Text(), "Etikett 1");
    EXPECT_EQ(edit->MaxLength(), 30);
    // Changing the field while MaxLength equals the old size starts over.
    edit->SetDataField("Owner");
    EXPECT_EQ(edit->MaxLength(), 15);
    edit->SetDataField("Bytes");
    EXPECT_EQ(edit->Text(), "100");
    EXPECT_EQ(edit->Edit()->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    table->Next();
    EXPECT_EQ(edit->Text(), "200");
    // A data source of another class reads as none.
    TDataSource plain;
    edit->SetDataSource(&plain);
    EXPECT_EQ(edit->GetDataSource(), nullptr);
}

// Bound to a string field (Owner: 15), the edit takes no more than the
// field holds, typed or pasted, on one line, on lines and without a
// border; what it shows is what the file gets.
TEST_F(ControlsTest, TypingAndPastingStopAtTheFieldsWidth)
{
    struct Case {
        const char* name;
        bool wordWrap, border, paste;
        const char* expected;
    };
    const Case cases[] = {
        {"typed on one line", false, true, false, "Abcdefghijklmno"},
        {"typed on lines", true, true, false, "Abcdefghijklmno"},
        {"typed without a border", false, false, false, "Abcdefghijklmno"},
        {"pasted after the text", false, true, true, "Anna Abcdefghij"},
        {"pasted on lines", true, true, true, "Anna Abcdefghij"},
    };
    MakeAlbum(2);
    OpenTable();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* edit = Place<TdkDBEdit>();
        edit->SetWordWrap(c.wordWrap);
        if (!c.border)
            edit->SetBorderStyle(bsNone);
        edit->SetDataSource(source.get());
        edit->SetDataField("Owner");
        edit->SetFocus();
        QCoreApplication::processEvents();
        edit->SelectAll();
        if (c.paste) {
            Type(edit, "Anna ");
            QGuiApplication::clipboard()->setText("Abcdefghijklmnopqrst");
            lxui_test::SendKey(edit->Handle(), Qt::Key_V, QString(QChar(22)), Qt::ControlModifier);
        } else {
            Type(edit, "Abcdefghijklmnopqrst");
        }
        EXPECT_EQ(edit->Text(), c.expected);
        table->Post();
        EXPECT_EQ(Stored(1, "Owner"), c.expected);
        delete edit;
    }
}

TEST_F(ControlsTest, TypingWritesTheFieldWhenTheRecordIsPosted)
{
    MakeAlbum(2);
    OpenTable();
    auto* edit = Place<TdkDBEdit>();
    edit->SetDataSource(source.get());
    edit->SetDataField("ShortDesc");
    edit->SelectAll();
    Type(edit, "Berge");
    EXPECT_EQ(table->State(), dsEdit);
    table->Post();  // asks the edit for its text first
    EXPECT_EQ(Stored(1, "ShortDesc"), "Berge");
    // Esc restores the field's value.
    edit->SelectAll();
    Type(edit, "Tal");
    Type(edit, "\x1b");
    EXPECT_EQ(edit->Text(), "Berge");
}

TEST_F(ControlsTest, PictureTypingCompletesRefusesAndReports)
{
    auto* edit = Place<TdkDBEdit>();
    edit->Loaded();
    edit->Picture()->SetPictureMask("##.##.####");
    std::vector<bool> checks;
    edit->OnCheckValue = [&](TObject*, bool passes) { checks.push_back(passes); };
    int beeps = MessageBeepCount();
    Type(edit, "x");
    EXPECT_EQ(MessageBeepCount(), beeps + 1);
    EXPECT_EQ(edit->Text(), "");
    Type(edit, "2");
    Type(edit, "4");
    EXPECT_EQ(edit->Text(), "24.");
    ASSERT_FALSE(checks.empty());
    EXPECT_FALSE(checks.back());
    Type(edit, "12.2026");
    EXPECT_EQ(edit->Text(), "24.12.2026");
    EXPECT_TRUE(checks.back());
    // Typed over a selection inside the text, a refused character goes to the edit.
    edit->Edit()->setSelection(0, 1);
    Type(edit, "x");
    EXPECT_EQ(edit->Text(), "x4.12.2026");
    EXPECT_FALSE(checks.back());
    // Leaving with text the mask refuses: beep, the focus stays.
    beeps = MessageBeepCount();
    edit->DoExit();
    EXPECT_TRUE(edit->InvalidExit());
    EXPECT_EQ(MessageBeepCount(), beeps + 1);
}

TEST_F(ControlsTest, MaskOfTheFieldEntryServesEveryControl)
{
    MakeAlbum(1);
    OpenTable();
    auto* a = Place<TdkDBEdit>();
    auto* b = Place<TdkDBEdit>();
    for (auto* e : {a, b}) {
        e->SetDataSource(source.get());
        e->SetDataField("Qualitaet");
    }
    EXPECT_EQ(b->Picture()->PictureMask(), "");
    a->Picture()->SetPictureMask("#");
    EXPECT_EQ(b->Picture()->PictureMask(), "#");
    EXPECT_EQ(table->PictureMasks().Count(), 1);
    EXPECT_TRUE(table->PictureMasks()[0].startsWith("Qualitaet\t#\t"));
}

TEST_F(ControlsTest, ValidationBeforePostCallsTheInvalidValueHandler)
{
    MakeAlbum(1);
    OpenTable();
    table->PictureMasks().Add("Qualitaet\t###\tT\tF");
    auto* edit = Place<TdkDBEdit>();
    edit->SetDataSource(source.get());
    edit->SetDataField("Qualitaet");
    edit->SelectAll();
    Type(edit, "1");
    QStringList invalid;
    table->OnInvalidValue = [&](TDataSet*, TField* f) { invalid << f->FieldName; };
    edit->DataLink()->UpdateRecord();
    EXPECT_TRUE(invalid.contains("QUALITAET"));
}

// A post refused by a field's picture mask puts the focus into the edit of
// that field before the dataset's handler hears of it, so the user can put
// the value right; the edit the user typed in loses it.
TEST_F(ControlsTest, RefusedPostFocusesTheEditOfTheFailingField)
{
    MakeAlbum(1);
    OpenTable();
    table->PictureMasks().Add("Owner\t&&&&\tF\tF");
    auto* desc = Place<TdkDBEdit>(10);
    auto* owner = Place<TdkDBEdit>(40);
    desc->SetDataSource(source.get());
    desc->SetDataField("ShortDesc");
    owner->SetDataSource(source.get());
    owner->SetDataField("Owner");
    desc->SetFocus();
    QCoreApplication::processEvents();
    ASSERT_TRUE(desc->Focused());
    desc->SelectAll();
    Type(desc, "Berge");
    table->FieldByName("Owner")->SetAsString("12");
    bool focusedWhenTold = false;
    table->OnInvalidValue = [&](TDataSet*, TField* f) {
        EXPECT_EQ(f->FieldName, "OWNER");
        focusedWhenTold = owner->Focused();
    };
    EXPECT_THROW(table->Post(), EDatabaseError);
    QCoreApplication::processEvents();
    EXPECT_TRUE(focusedWhenTold);
    EXPECT_TRUE(owner->Focused());
    EXPECT_FALSE(desc->Focused());
    EXPECT_EQ(table->State(), dsEdit);
    // A hidden edit cannot take the focus: the post is refused all the same.
    owner->SetVisible(false);
    desc->SetFocus();
    QCoreApplication::processEvents();
    EXPECT_THROW(table->Post(), EDatabaseError);
    EXPECT_TRUE(desc->Focused());
    table->Cancel();
}

TEST_F(ControlsTest, SpaceCompletesDatesAndTimesFromTheClock)
{
    SetClockForTests(EncodeDate(2026, 3, 9) + EncodeTime(7, 5, 4, 0));
    auto* edit = Place<TdkDBEdit>();
    edit->UnboundDataType = dkEdtDateTime;
    edit->Loaded();
    std::vector<QString> steps;
    for (int i = 0; i < 7; ++i) {
        Type(edit, " ");
        steps.push_back(edit->Text());
    }
    SetClockForTests(std::nullopt);
    std::vector<QString> want = {"09.",         "09.03.",         "09.03.2026",         "09.03.2026 ",
                                 "09.03.2026 07:", "09.03.2026 07:05:", "09.03.2026 07:05:04"};
    EXPECT_EQ(steps, want);
    // A typed day only gets its separator; the clock gives nothing.
    auto* date = Place<TdkDBEdit>();
    date->UnboundDataType = dkEdtDate;
    date->Loaded();
    Type(date, "5 ");
    EXPECT_EQ(date->Text(), "5.");
    // Space inside the text types a blank as usual.
    date->SetText("5.");
    date->Edit()->setCursorPosition(0);
    Type(date, " ");
    EXPECT_EQ(date->Text(), " 5.");
}

TEST_F(ControlsTest, OverAGridTheEditHandsNavigationKeysToTheGrid)
{
    MakeAlbum(30);
    OpenTable();
    auto* grid = Place<TdkDBGrid>();
    grid->SetBounds(0, 0, 400, 200);
    grid->SetDataSource(source.get());
    auto* edit = new TdkDBEdit(form.get());
    edit->SetParent(grid);
    edit->SetDataSource(source.get());
    edit->SetDataField("ShortDesc");
    lxui_test::SendKey(edit->Handle(), Qt::Key_PageDown);
    EXPECT_EQ(table->RecNo(), 1 + grid->VisibleRowCount());
    EXPECT_EQ(edit->Text(), QString("Bild %1").arg(1 + grid->VisibleRowCount()));
    lxui_test::SendKey(edit->Handle(), Qt::Key_Up);
    EXPECT_EQ(table->RecNo(), grid->VisibleRowCount());
}

namespace {

// The bands of pixel rows that hold text (dark pixels): one per shown line.
int TextBands(const QImage& image, int width)
{
    int bands = 0;
    bool inBand = false;
    for (int y = 0; y < image.height(); ++y) {
        bool ink = false;
        for (int x = 0; x < width && !ink; ++x)
            ink = qGray(image.pixel(x, y)) < 100;
        bands += ink && !inBand;
        inBand = ink;
    }
    return bands;
}

}  // namespace

// Word wrap breaks the field's text between words onto the lines of the
// box; a vertical scroll bar shows the lines as well, broken only at the
// text's line ends; without either the edit is one line.
// Word wrap or no border show the text on lines; a vertical scroll bar
// shows where asked for and makes no lines of its own: a framed edit with
// only the bar keeps its one line.
TEST_F(ControlsTest, WordWrapNoBorderAndTheVerticalScrollBarSetTheLines)
{
    MakeAlbum(2);
    OpenTable();
    table->Edit();
    table->FieldByName("ShortDesc")->SetAsString("Sonnenuntergang am Strand\r\nvon Sylt mit Möwen und Wolken");
    table->Post();
    struct Case {
        const char* name;
        bool wordWrap, scrollBar, border;
        int lines;  // laid out
        int shown;  // lines to be seen in a box of three
    };
    const Case cases[] = {
        {"word wrap", true, false, true, 4, 3},
        {"scroll bar", false, true, true, 1, 1},
        {"word wrap and scroll bar", true, true, true, 4, 3},
        {"one line", false, false, true, 1, 1},
        {"no border", false, false, false, 2, 2},
        {"no border and scroll bar", false, true, false, 2, 2},
        {"no border and word wrap", true, false, false, 4, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* edit = Place<TdkDBEdit>();
        edit->SetBounds(10, 10, 150, 3 * QFontMetrics(edit->Edit()->font()).height() + 8);
        edit->SetWordWrap(c.wordWrap);
        edit->SetShowVertScrollBar(c.scrollBar);
        if (!c.border)
            edit->SetBorderStyle(bsNone);
        edit->SetDataSource(source.get());
        edit->SetDataField("ShortDesc");
        QCoreApplication::processEvents();
        TLineEdit* lines = edit->LineEdit();
        EXPECT_EQ(lines->ShowsLines(), c.lines > 1);
        EXPECT_EQ(lines->LineCount(), c.lines);
        EXPECT_EQ(lines->FirstVisibleLine(), 0);  // a new text shows from the top
        QScrollBar* bar = lines->VertScrollBar();
        EXPECT_EQ(bar && bar->isVisible(), c.scrollBar);
        const QImage shown = edit->Handle()->grab().toImage();
        const int textWidth = c.scrollBar && bar ? bar->geometry().left() : shown.width();
        EXPECT_EQ(TextBands(shown, textWidth), c.shown);
        if (c.scrollBar && bar && c.lines == 1) {
            // The one line stops short of the bar.
            EXPECT_GE(lines->textMargins().right(), bar->width());
        }
        if (c.wordWrap && c.scrollBar) {
            const QString dir = QCoreApplication::applicationDirPath() + "/screenshots";
            QDir().mkpath(dir);
            EXPECT_TRUE(form->Handle()->grab().toImage().save(dir + "/dbedit_lines.png"));
        }
        delete edit;
    }
}

// On lines Up and Down move the caret a line, Enter starts a new line only
// with WantReturns, and the text with its line break reaches the file.
TEST_F(ControlsTest, OnLinesTheArrowsMoveByLinesAndEnterBreaksWithWantReturns)
{
    MakeAlbum(2);
    OpenTable();
    auto* edit = Place<TdkDBEdit>();
    edit->SetBounds(10, 10, 200, 80);
    edit->SetWordWrap(true);
    edit->SetDataSource(source.get());
    edit->SetDataField("ShortDesc");
    edit->SetFocus();
    QCoreApplication::processEvents();
    edit->SelectAll();
    Type(edit, "Wald");
    lxui_test::SendKey(edit->Handle(), Qt::Key_Return, "\r");
    EXPECT_EQ(edit->Text(), "Wald");  // without WantReturns Enter never reaches the text
    edit->WantReturns = true;
    lxui_test::SendKey(edit->Handle(), Qt::Key_Return, "\r");
    Type(edit, "Weg");
    EXPECT_EQ(edit->Text(), "Wald\r\nWeg");
    TLineEdit* lines = edit->LineEdit();
    EXPECT_EQ(lines->LineOfPosition(lines->cursorPosition()), 1);
    lxui_test::SendKey(edit->Handle(), Qt::Key_Up);
    EXPECT_EQ(lines->LineOfPosition(lines->cursorPosition()), 0);
    lxui_test::SendKey(edit->Handle(), Qt::Key_End);  // the end of the line, before its break
    Type(edit, "-");
    lxui_test::SendKey(edit->Handle(), Qt::Key_Down);
    EXPECT_EQ(lines->LineOfPosition(lines->cursorPosition()), 1);
    lxui_test::SendKey(edit->Handle(), Qt::Key_Home);  // after the line break
    Type(edit, ">");
    EXPECT_EQ(edit->Text(), "Wald-\r\n>Weg");
    table->Post();
    EXPECT_EQ(Stored(1, "ShortDesc"), "Wald-\r\n>Weg");
}

// Over a grid, working the scroll bar of an unfocused edit first focuses it.
TEST_F(ControlsTest, OverAGridScrollingTheUnfocusedEditFocusesIt)
{
    MakeAlbum(3);
    OpenTable();
    table->Edit();
    table->FieldByName("ShortDesc")->SetAsString("eins zwei drei vier fünf sechs sieben acht neun zehn");
    table->Post();
    auto* grid = Place<TdkDBGrid>();
    grid->SetBounds(0, 0, 400, 200);
    grid->SetDataSource(source.get());
    auto* edit = new TdkDBEdit(form.get());
    edit->SetParent(grid);
    edit->SetBounds(20, 20, 90, 40);
    edit->SetWordWrap(true);
    edit->SetShowVertScrollBar(true);
    edit->SetDataSource(source.get());
    edit->SetDataField("ShortDesc");
    grid->SetFocus();
    QCoreApplication::processEvents();
    ASSERT_FALSE(edit->Focused());
    QScrollBar* bar = edit->LineEdit()->VertScrollBar();
    ASSERT_TRUE(bar && bar->isVisible());
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, QPoint(bar->width() / 2, bar->height() - 3));
    QCoreApplication::processEvents();
    EXPECT_TRUE(edit->Focused());
    EXPECT_GT(bar->value(), 0);
}
