// The cell grid: geometry, current cell and keys, scrolling, drawing one
// cell at a time, the in-place editor, column sizing and moving.

#include <QLineEdit>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include "platform/core/exceptions.h"
#include "platform/ui/forms.h"
#include "platform/ui/grids.h"
#include "platform/ui/test_input.h"

namespace {

using P = std::pair<int, int>;

// A grid of texts, as a data grid keeps its cells elsewhere.
class TTextGrid : public TDrawGrid {
public:
    explicit TTextGrid(TComponent* owner) : TDrawGrid(owner) {}
    std::map<std::pair<int, int>, QString> cells;
    int sets = 0;
    using TCustomGrid::MoveColumn;

protected:
    QString GetEditText(int c, int r) override { return cells[{c, r}]; }
    void SetEditText(int c, int r, const QString& v) override
    {
        cells[{c, r}] = v;
        ++sets;
    }
};

struct GridFixture : ::testing::Test {
    GridFixture()
    {
        form.SetClientWidth(400);
        form.SetClientHeight(200);
        grid = new TTextGrid(&form);
        grid->SetParent(&form);
        grid->SetBounds(0, 0, 300, 150);
        form.Show();
        Application->ProcessMessages();
    }
    ~GridFixture() override { form.Hide(); }
    void Key(int qtKey, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {})
    {
        lxui_test::SendKey(grid->Handle(), qtKey, text, mods);
    }
    TForm form{nullptr};
    TTextGrid* grid;
};

}  // namespace

TEST_F(GridFixture, GeometryOfCellsAndPoints)
{
    EXPECT_EQ(grid->ColCount(), 5);
    EXPECT_EQ(grid->RowCount(), 5);
    EXPECT_EQ(grid->Col(), 1);
    EXPECT_EQ(grid->Row(), 1);
    EXPECT_EQ(grid->CellRect(0, 0), Rect(0, 0, 64, 24));
    EXPECT_EQ(grid->CellRect(2, 1), Rect(130, 25, 194, 49));  // 64 + 1 line per column
    int c = -2, r = -2;
    grid->MouseToCell(140, 30, c, r);
    EXPECT_EQ(c, 2);
    EXPECT_EQ(r, 1);
    EXPECT_EQ(grid->MouseCoord(299, 149), (TGridCoord{-1, -1}));  // below the last row
    grid->SetColWidths(1, 100);
    EXPECT_EQ(grid->CellRect(2, 1).Left, 166);
    EXPECT_THROW(grid->SetFixedCols(5), Exception);
    EXPECT_THROW(grid->SetColWidths(9, 10), EListError);
}

TEST_F(GridFixture, KeysMoveTheCurrentCellAndScrollItIntoView)
{
    grid->SetRowCount(100);
    grid->SetColCount(10);
    std::vector<std::pair<int, int>> topLeft;
    grid->OnTopLeftChanged = [&](TObject*) { topLeft.emplace_back(grid->LeftCol(), grid->TopRow()); };
    Key(Qt::Key_Down);
    Key(Qt::Key_Right);
    EXPECT_EQ(grid->Row(), 2);
    EXPECT_EQ(grid->Col(), 2);
    Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(grid->Row(), 99);
    EXPECT_EQ(grid->TopRow() + grid->VisibleRowCount() - 1, 99);
    EXPECT_FALSE(topLeft.empty());
    Key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(grid->Row(), 1);
    EXPECT_EQ(grid->TopRow(), 1);
    Key(Qt::Key_Up);  // the fixed row is never current
    EXPECT_EQ(grid->Row(), 1);
    Key(Qt::Key_End);
    EXPECT_EQ(grid->Col(), 9);
    EXPECT_GT(grid->LeftCol(), 1);
    // A refused cell keeps the current one.
    grid->OnSelectCell = [](TObject*, int c, int r, bool& can) { can = r != 5; };
    grid->SetRow(4);
    Key(Qt::Key_Down);
    EXPECT_EQ(grid->Row(), 4);
    // The wheel moves rows.
    QPointF at(50, 50);
    QWheelEvent wheel(at, grid->Handle()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid->Handle(), &wheel);
    EXPECT_EQ(grid->Row(), 4);  // row 5 is refused
    grid->OnSelectCell = nullptr;
    QApplication::sendEvent(grid->Handle(), &wheel);
    EXPECT_EQ(grid->Row(), 5);
}

TEST_F(GridFixture, DrawsEachShownCellWithItsState)
{
    std::map<std::pair<int, int>, TGridDrawState> drawn;
    grid->OnDrawCell = [&](TObject*, int c, int r, TRect rect, TGridDrawState state) {
        drawn[{c, r}] = state;
        if (c == 2 && r == 2) {
            grid->Canvas()->Brush.Color = clLime;
            grid->Canvas()->FillRect(rect);
        }
    };
    grid->SetCol(3);
    grid->SetRow(2);
    QImage img = grid->Handle()->grab().toImage();
    EXPECT_TRUE(drawn[P(0, 0)].Contains(gdFixed));
    EXPECT_TRUE(drawn[P(0, 2)].Contains(gdFixed));
    EXPECT_TRUE(drawn[P(3, 2)].Contains(gdFocused));
    EXPECT_FALSE(drawn[P(1, 1)].Contains(gdFocused));
    EXPECT_EQ(drawn.size(), 25u);  // five columns of 64 and five rows of 24 fit
    TRect lime = grid->CellRect(2, 2);
    EXPECT_EQ(img.pixelColor(lime.Left + 10, lime.Top + 10), QColor(0, 255, 0));
    EXPECT_EQ(img.pixelColor(lime.Right, lime.Top + 10), QColor(192, 192, 192));  // the grid line
    TRect fixed = grid->CellRect(0, 3);
    EXPECT_EQ(img.pixelColor(fixed.Left + 10, fixed.Top + 10), QColor(192, 192, 192));  // fixed colour
    grid->SetOptions(grid->Options() + TGridOptions{goRowSelect});
    drawn.clear();
    grid->Handle()->grab();
    EXPECT_TRUE(drawn[P(1, 2)].Contains(gdSelected));
    EXPECT_TRUE(drawn[P(4, 2)].Contains(gdSelected));
    EXPECT_FALSE(drawn[P(1, 1)].Contains(gdSelected));
}

TEST_F(GridFixture, InplaceEditorEditsTheCurrentCell)
{
    grid->cells[P(1, 1)] = "Urlaub";
    Key(Qt::Key_F2);
    EXPECT_FALSE(grid->EditorMode());  // editing is off
    grid->SetOptions(grid->Options() + TGridOptions{goEditing});
    Key(Qt::Key_F2);
    ASSERT_TRUE(grid->EditorMode());
    TInplaceEdit* ed = grid->InplaceEditor();
    EXPECT_EQ(ed->Text(), "Urlaub");
    EXPECT_EQ(ed->BoundsRect(), grid->CellRect(1, 1));
    EXPECT_EQ(grid->sets, 0);
    ed->Edit()->setText("Urlaub 2026");
    EXPECT_EQ(grid->cells[P(1, 1)], "Urlaub 2026");
    lxui_test::SendKey(ed->Handle(), Qt::Key_Down);  // leaves the editor, moves down
    EXPECT_FALSE(grid->EditorMode());
    EXPECT_EQ(grid->Row(), 2);
    Key(Qt::Key_Return, Qt::NoModifier, "\r");
    EXPECT_TRUE(grid->EditorMode());
    lxui_test::SendKey(ed->Handle(), Qt::Key_Escape, "\x1b");
    EXPECT_FALSE(grid->EditorMode());
    EXPECT_FALSE(ed->Visible());
}

TEST_F(GridFixture, ColumnsSizeAndMoveWithTheMouse)
{
    grid->SetOptions(grid->Options() + TGridOptions{goColSizing, goColMoving});
    QWidget* w = grid->Handle();
    // Drag the right border of column 1 (x = 129) in the title row by 20 pixels.
    lxui_test::SendMouse(w, QEvent::MouseButtonPress, QPoint(129, 10));
    QMouseEvent move(QEvent::MouseMove, QPointF(149, 10), w->mapToGlobal(QPointF(149, 10)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
    lxui_test::SendMouse(w, QEvent::MouseButtonRelease, QPoint(149, 10));
    EXPECT_EQ(grid->ColWidths(1), 84);
    std::vector<std::pair<int, int>> moved;
    grid->OnColumnMoved = [&](TObject*, int from, int to) { moved.emplace_back(from, to); };
    grid->SetColWidths(3, 40);
    lxui_test::SendMouse(w, QEvent::MouseButtonPress, QPoint(grid->CellRect(3, 0).Left + 5, 10));
    lxui_test::SendMouse(w, QEvent::MouseButtonRelease, QPoint(grid->CellRect(1, 0).Left + 5, 10));
    EXPECT_EQ(moved, (std::vector<std::pair<int, int>>{{3, 1}}));
    EXPECT_EQ(grid->ColWidths(1), 40);  // the width went with the column
    // A click in a data cell makes it current.
    TRect target = grid->CellRect(2, 3);
    lxui_test::SendClick(w, QPoint(target.Left + 3, target.Top + 3));
    EXPECT_EQ(grid->Col(), 2);
    EXPECT_EQ(grid->Row(), 3);
}
