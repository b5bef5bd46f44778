#pragma once
// TCustomGrid: the framework's cell grid without data of its own. It keeps
// column widths, row heights, fixed rows and columns, the current cell,
// the scrolled range (TopRow, LeftCol) and the in-place editor slot, and
// paints by asking DrawCell for one cell at a time. TDrawGrid publishes it
// with OnDrawCell and OnSelectCell.

#include <vector>

#include "platform/ui/control.h"
#include "platform/ui/std_ctrls.h"

class QScrollBar;
class TCustomGrid;

enum TGridOption {
    goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect, goDrawFocusSelected,
    goRowSizing, goColSizing, goRowMoving, goColMoving, goEditing, goTabs, goRowSelect,
    goAlwaysShowEditor, goThumbTracking
};
using TGridOptions = TSet<TGridOption>;
enum TGridDrawStateItem { gdSelected, gdFocused, gdFixed };
using TGridDrawState = TSet<TGridDrawStateItem>;

struct TGridCoord {
    int X = 0, Y = 0;
    bool operator==(const TGridCoord&) const = default;
};
struct TGridRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TGridRect&) const = default;
};

// The edit that floats over the current cell while it is edited.
class TInplaceEdit : public TEdit {
public:
    explicit TInplaceEdit(TCustomGrid* grid);
    TCustomGrid* Grid() const { return grid_; }
    void KeyDown(Word& Key, TShiftState Shift) override;
    // Puts the cell's text into the editor.
    virtual void UpdateContents();

private:
    TCustomGrid* grid_;
};

class TCustomGrid : public TCustomControl {
public:
    explicit TCustomGrid(TComponent* AOwner);
    ~TCustomGrid() override;

    int ColCount() const { return int(colWidths_.size()); }
    void SetColCount(int v);
    int RowCount() const { return int(rowHeights_.size()); }
    void SetRowCount(int v);
    int FixedCols() const { return fixedCols_; }
    void SetFixedCols(int v);
    int FixedRows() const { return fixedRows_; }
    void SetFixedRows(int v);
    int DefaultColWidth() const { return defaultColWidth_; }
    void SetDefaultColWidth(int v);
    int DefaultRowHeight() const { return defaultRowHeight_; }
    void SetDefaultRowHeight(int v);
    int ColWidths(int i) const { return colWidths_.at(size_t(i)); }
    void SetColWidths(int i, int w);
    int RowHeights(int i) const { return rowHeights_.at(size_t(i)); }
    void SetRowHeights(int i, int h);
    int GridLineWidth() const { return gridLineWidth_; }
    void SetGridLineWidth(int v);
    TGridOptions Options() const { return options_; }
    virtual void SetOptions(TGridOptions v);
    TColor FixedColor() const { return fixedColor_; }
    void SetFixedColor(TColor v);
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle v);

    int Col() const { return col_; }
    void SetCol(int v) { MoveColRow(v, row_, true, true); }
    int Row() const { return row_; }
    void SetRow(int v) { MoveColRow(col_, v, true, true); }
    int TopRow() const { return topRow_; }
    void SetTopRow(int v);
    int LeftCol() const { return leftCol_; }
    void SetLeftCol(int v);
    int VisibleColCount() const;
    int VisibleRowCount() const;
    TGridRect Selection() const;

    // Cell rectangle in client coordinates; empty when the cell is not shown.
    TRect CellRect(int ACol, int ARow) const;
    void MouseToCell(int X, int Y, int& ACol, int& ARow) const;
    TGridCoord MouseCoord(int X, int Y) const;
    // Makes (ACol, ARow) current when SelectCell allows it, scrolling it
    // into view when Show.
    void MoveColRow(int ACol, int ARow, bool MoveAnchor, bool Show);
    void InvalidateCell(int ACol, int ARow);
    void InvalidateRow(int ARow);
    void InvalidateCol(int ACol);
    void InvalidateGrid() { Invalidate(); }

    bool EditorMode() const;
    void SetEditorMode(bool v);
    void ShowEditor();
    void HideEditor();
    TInplaceEdit* InplaceEditor() const { return editor_; }

    void Paint() override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Resize() override;
    // The wheel moves the current row, one per notch.
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
    TRect AdjustClientRect() const override;
    int ClientWidth() const override;
    int ClientHeight() const override;

protected:
    // What descendants override, as in the framework.
    virtual void DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState) {}
    virtual bool SelectCell(int ACol, int ARow) { return true; }
    virtual void TopLeftChanged() {}
    virtual void ColumnMoved(int FromIndex, int ToIndex) {}
    virtual void ColWidthsChanged() {}
    virtual void RowHeightsChanged() {}
    virtual void SizeChanged(int OldColCount, int OldRowCount) {}
    virtual bool CanEditShow() const;
    virtual QString GetEditText(int ACol, int ARow) { return {}; }
    virtual void SetEditText(int ACol, int ARow, const QString& Value) {}
    // Off: a descendant that draws its cells itself also draws the 3-D edge
    // of fixed cells and the focus frame of the current cell (the
    // framework's inherited DefaultDrawing).
    bool gridDefaultDrawing_ = true;
    virtual TInplaceEdit* CreateEditor();
    // Moves column From to To (colour, width and DrawCell follow).
    void MoveColumn(int FromIndex, int ToIndex);
    // A grid whose rows stand for something larger (a dataset) keeps the
    // vertical scroll bar itself: with own set the bar shows the range and
    // position given here, and each user action on it goes to VertScroll
    // instead of moving TopRow.
    void SetOwnVertScrollBar(bool own);
    bool OwnVertScrollBar() const { return ownVert_; }
    void SetVertScrollParams(int min, int max, int pos);
    int VertScrollPos() const;
    // Code: 0 line up, 1 line down, 2 page up, 3 page down, 4 thumb
    // position (pos), 5 thumb tracking (pos), 6 top, 7 bottom.
    virtual void VertScroll(int code, int pos) {}

private:
    friend class TInplaceEdit;
    int ColLeft(int c) const;  // client x of a visible column, -1 when hidden
    int RowTop(int r) const;
    int MaxTopRow() const;
    int MaxLeftCol() const;
    void UpdateScrollBars();
    void PlaceEditor();
    int ColBorderAt(int X, int Y) const;  // column whose right border is at X in a fixed row, -1
    std::vector<int> colWidths_;
    std::vector<int> rowHeights_;
    int fixedCols_ = 1, fixedRows_ = 1;
    int defaultColWidth_ = 64, defaultRowHeight_ = 24;
    int gridLineWidth_ = 1;
    TGridOptions options_{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect};
    TColor fixedColor_ = clBtnFace;
    TScrollStyle scrollBars_ = ssBoth;
    int col_ = 1, row_ = 1, anchorCol_ = 1, anchorRow_ = 1;
    int topRow_ = 1, leftCol_ = 1;
    QScrollBar* hbar_;
    QScrollBar* vbar_;
    TInplaceEdit* editor_ = nullptr;
    bool editing_ = false;
    int sizingCol_ = -1, sizingStart_ = 0, sizingWidth_ = 0;
    int movingCol_ = -1;
    bool syncing_ = false;
    bool ownVert_ = false;
    int ownMin_ = 0, ownMax_ = 0, ownPos_ = 0;
};

using TDrawCellEvent = std::function<void(TObject* Sender, int ACol, int ARow, TRect Rect, TGridDrawState State)>;
using TSelectCellEvent = std::function<void(TObject* Sender, int ACol, int ARow, bool& CanSelect)>;

class TDrawGrid : public TCustomGrid {
public:
    explicit TDrawGrid(TComponent* AOwner) : TCustomGrid(AOwner) {}
    TDrawCellEvent OnDrawCell;
    TSelectCellEvent OnSelectCell;
    TNotifyEvent OnTopLeftChanged;
    std::function<void(TObject* Sender, int FromIndex, int ToIndex)> OnColumnMoved;
    bool DefaultDrawing = true;

protected:
    void DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState) override;
    bool SelectCell(int ACol, int ARow) override;
    void TopLeftChanged() override;
    void ColumnMoved(int FromIndex, int ToIndex) override;
};
