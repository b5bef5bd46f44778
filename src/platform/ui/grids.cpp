#include "platform/ui/grids.h"

#include <QLineEdit>
#include <QScrollBar>
#include <algorithm>

#include "platform/core/exceptions.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/forms.h"

namespace {
const int kSizeGrip = 3;  // pixels either side of a column border that start sizing
}

// ---- TInplaceEdit --------------------------------------------------------
TInplaceEdit::TInplaceEdit(TCustomGrid* grid) : TEdit(grid), grid_(grid)
{
    SetBorderStyle(bsNone);
    SetVisible(false);
    SetParent(grid);
    OnChange = [this](TObject*) {
        if (grid_->editing_)
            grid_->SetEditText(grid_->Col(), grid_->Row(), Text());
    };
}

void TInplaceEdit::UpdateContents()
{
    bool was = grid_->editing_;
    grid_->editing_ = false;  // no SetEditText for the text we put in
    SetText(grid_->GetEditText(grid_->Col(), grid_->Row()));
    grid_->editing_ = was;
}

void TInplaceEdit::KeyDown(Word& Key, TShiftState Shift)
{
    TEdit::KeyDown(Key, Shift);
    switch (Key) {
    case VK_ESCAPE:
    case VK_RETURN:
        Key = 0;
        grid_->HideEditor();
        break;
    case VK_UP: case VK_DOWN: case VK_PRIOR: case VK_NEXT: case VK_TAB:
        // Moves of the current cell go to the grid.
        grid_->HideEditor();
        grid_->KeyDown(Key, Shift);
        Key = 0;
        break;
    default:
        break;
    }
}

// ---- TCustomGrid ---------------------------------------------------------
TCustomGrid::TCustomGrid(TComponent* AOwner) : TCustomControl(AOwner)
{
    SetColor(clWindow);
    SetTabStop(true);
    colWidths_.assign(5, defaultColWidth_);
    rowHeights_.assign(5, defaultRowHeight_);
    hbar_ = new QScrollBar(Qt::Horizontal, Handle());
    vbar_ = new QScrollBar(Qt::Vertical, Handle());
    hbar_->hide();
    vbar_->hide();
    QObject::connect(vbar_, &QScrollBar::valueChanged, vbar_, [this](int v) {
        if (!syncing_ && !ownVert_)
            Dispatch([this, v] { SetTopRow(v); });
    });
    QObject::connect(vbar_, &QScrollBar::actionTriggered, vbar_, [this](int action) {
        if (syncing_ || !ownVert_)
            return;
        int code = -1;
        switch (action) {
        case QAbstractSlider::SliderSingleStepSub: code = 0; break;
        case QAbstractSlider::SliderSingleStepAdd: code = 1; break;
        case QAbstractSlider::SliderPageStepSub: code = 2; break;
        case QAbstractSlider::SliderPageStepAdd: code = 3; break;
        case QAbstractSlider::SliderMove: code = 5; break;
        case QAbstractSlider::SliderToMinimum: code = 6; break;
        case QAbstractSlider::SliderToMaximum: code = 7; break;
        default: break;
        }
        int pos = vbar_->sliderPosition();
        if (code >= 0)
            Dispatch([this, code, pos] { VertScroll(code, pos); });
        // The bar shows what the grid answered, not its own step.
        syncing_ = true;
        vbar_->setSliderPosition(ownPos_);
        syncing_ = false;
    });
    QObject::connect(vbar_, &QScrollBar::sliderReleased, vbar_, [this] {
        if (syncing_ || !ownVert_)
            return;
        int pos = vbar_->sliderPosition();
        Dispatch([this, pos] { VertScroll(4, pos); });
        syncing_ = true;
        vbar_->setSliderPosition(ownPos_);
        syncing_ = false;
    });
    QObject::connect(hbar_, &QScrollBar::valueChanged, hbar_, [this](int v) {
        if (!syncing_)
            Dispatch([this, v] { SetLeftCol(v); });
    });
    SetBounds(0, 0, 320, 120);
}

TCustomGrid::~TCustomGrid()
{
    BeginDestroy();
    hbar_->blockSignals(true);
    vbar_->blockSignals(true);
}

void TCustomGrid::SetColCount(int v)
{
    v = std::max(1, v);
    if (v <= fixedCols_)
        throw Exception("Die Anzahl fester Spalten muss kleiner als die Spaltenanzahl sein");
    int oldCols = ColCount(), oldRows = RowCount();
    colWidths_.resize(size_t(v), defaultColWidth_);
    col_ = std::min(col_, v - 1);
    anchorCol_ = std::min(anchorCol_, v - 1);
    leftCol_ = std::clamp(leftCol_, fixedCols_, std::max(fixedCols_, MaxLeftCol()));
    SizeChanged(oldCols, oldRows);
    UpdateScrollBars();
    Invalidate();
}

void TCustomGrid::SetRowCount(int v)
{
    v = std::max(1, v);
    if (v <= fixedRows_)
        throw Exception("Die Anzahl fester Zeilen muss kleiner als die Zeilenanzahl sein");
    int oldCols = ColCount(), oldRows = RowCount();
    rowHeights_.resize(size_t(v), defaultRowHeight_);
    row_ = std::min(row_, v - 1);
    anchorRow_ = std::min(anchorRow_, v - 1);
    topRow_ = std::clamp(topRow_, fixedRows_, std::max(fixedRows_, MaxTopRow()));
    SizeChanged(oldCols, oldRows);
    UpdateScrollBars();
    Invalidate();
}

void TCustomGrid::SetFixedCols(int v)
{
    if (v < 0 || v >= ColCount())
        throw Exception("Die Anzahl fester Spalten muss kleiner als die Spaltenanzahl sein");
    fixedCols_ = v;
    col_ = anchorCol_ = std::max(col_, v);
    leftCol_ = std::max(leftCol_, v);
    if (leftCol_ > v && MaxLeftCol() < leftCol_)
        leftCol_ = std::max(v, MaxLeftCol());
    UpdateScrollBars();
    Invalidate();
}

void TCustomGrid::SetFixedRows(int v)
{
    if (v < 0 || v >= RowCount())
        throw Exception("Die Anzahl fester Zeilen muss kleiner als die Zeilenanzahl sein");
    fixedRows_ = v;
    row_ = anchorRow_ = std::max(row_, v);
    topRow_ = std::max(topRow_, v);
    UpdateScrollBars();
    Invalidate();
}

void TCustomGrid::SetDefaultColWidth(int v)
{
    defaultColWidth_ = v;
    std::fill(colWidths_.begin(), colWidths_.end(), v);
    ColWidthsChanged();
    UpdateScrollBars();
    Invalidate();
}

void TCustomGrid::SetDefaultRowHeight(int v)
{
    defaultRowHeight_ = v;
    std::fill(rowHeights_.begin(), rowHeights_.end(), v);
    RowHeightsChanged();
    UpdateScrollBars();
    Invalidate();
}

void TCustomGrid::SetColWidths(int i, int w)
{
    if (i < 0 || i >= ColCount())
        throw EListError("Gitterindex außerhalb des gültigen Bereichs");
    if (colWidths_[size_t(i)] == w)
        return;
    colWidths_[size_t(i)] = std::max(0, w);
    ColWidthsChanged();
    UpdateScrollBars();
    PlaceEditor();
    Invalidate();
}

void TCustomGrid::SetRowHeights(int i, int h)
{
    if (i < 0 || i >= RowCount())
        throw EListError("Gitterindex außerhalb des gültigen Bereichs");
    if (rowHeights_[size_t(i)] == h)
        return;
    rowHeights_[size_t(i)] = std::max(0, h);
    RowHeightsChanged();
    UpdateScrollBars();
    PlaceEditor();
    Invalidate();
}

void TCustomGrid::SetGridLineWidth(int v)
{
    gridLineWidth_ = std::max(0, v);
    UpdateScrollBars();
    Invalidate();
}

void TCustomGrid::SetOptions(TGridOptions v)
{
    options_ = v;
    if (!v.Contains(goEditing))
        HideEditor();
    Invalidate();
}

void TCustomGrid::SetFixedColor(TColor v)
{
    fixedColor_ = v;
    Invalidate();
}

void TCustomGrid::SetScrollBars(TScrollStyle v)
{
    scrollBars_ = v;
    UpdateScrollBars();
}

int TCustomGrid::ClientWidth() const { return std::max(0, Width() - (vbar_->isVisibleTo(Handle()) ? vbar_->sizeHint().width() : 0)); }
int TCustomGrid::ClientHeight() const { return std::max(0, Height() - (hbar_->isVisibleTo(Handle()) ? hbar_->sizeHint().height() : 0)); }
TRect TCustomGrid::AdjustClientRect() const { return Rect(0, 0, ClientWidth(), ClientHeight()); }

int TCustomGrid::ColLeft(int c) const
{
    if (c < 0 || c >= ColCount() || (c >= fixedCols_ && c < leftCol_))
        return -1;
    int x = 0;
    for (int i = 0; i < std::min(c, fixedCols_); ++i)
        x += colWidths_[size_t(i)] + gridLineWidth_;
    for (int i = leftCol_; i < c; ++i)
        x += colWidths_[size_t(i)] + gridLineWidth_;
    return x < ClientWidth() ? x : -1;
}

int TCustomGrid::RowTop(int r) const
{
    if (r < 0 || r >= RowCount() || (r >= fixedRows_ && r < topRow_))
        return -1;
    int y = 0;
    for (int i = 0; i < std::min(r, fixedRows_); ++i)
        y += rowHeights_[size_t(i)] + gridLineWidth_;
    for (int i = topRow_; i < r; ++i)
        y += rowHeights_[size_t(i)] + gridLineWidth_;
    return y < ClientHeight() ? y : -1;
}

TRect TCustomGrid::CellRect(int ACol, int ARow) const
{
    int x = ColLeft(ACol), y = RowTop(ARow);
    if (x < 0 || y < 0)
        return {};
    return Bounds(x, y, colWidths_[size_t(ACol)], rowHeights_[size_t(ARow)]);
}

int TCustomGrid::VisibleColCount() const
{
    int x = 0;
    for (int i = 0; i < fixedCols_; ++i)
        x += colWidths_[size_t(i)] + gridLineWidth_;
    int n = 0;
    for (int c = leftCol_; c < ColCount(); ++c) {
        x += colWidths_[size_t(c)] + gridLineWidth_;
        if (x - gridLineWidth_ > ClientWidth())
            break;
        ++n;
    }
    return std::max(n, ColCount() > fixedCols_ ? 1 : 0);
}

int TCustomGrid::VisibleRowCount() const
{
    int y = 0;
    for (int i = 0; i < fixedRows_; ++i)
        y += rowHeights_[size_t(i)] + gridLineWidth_;
    int n = 0;
    for (int r = topRow_; r < RowCount(); ++r) {
        y += rowHeights_[size_t(r)] + gridLineWidth_;
        if (y - gridLineWidth_ > ClientHeight())
            break;
        ++n;
    }
    return std::max(n, RowCount() > fixedRows_ ? 1 : 0);
}

int TCustomGrid::MaxTopRow() const
{
    int avail = ClientHeight();
    for (int i = 0; i < fixedRows_; ++i)
        avail -= rowHeights_[size_t(i)] + gridLineWidth_;
    int r = RowCount() - 1, used = 0;
    while (r >= fixedRows_ && used + rowHeights_[size_t(r)] <= avail) {
        used += rowHeights_[size_t(r)] + gridLineWidth_;
        --r;
    }
    return std::clamp(r + 1, fixedRows_, std::max(fixedRows_, RowCount() - 1));
}

int TCustomGrid::MaxLeftCol() const
{
    int avail = ClientWidth();
    for (int i = 0; i < fixedCols_; ++i)
        avail -= colWidths_[size_t(i)] + gridLineWidth_;
    int c = ColCount() - 1, used = 0;
    while (c >= fixedCols_ && used + colWidths_[size_t(c)] <= avail) {
        used += colWidths_[size_t(c)] + gridLineWidth_;
        --c;
    }
    return std::clamp(c + 1, fixedCols_, std::max(fixedCols_, ColCount() - 1));
}

void TCustomGrid::SetTopRow(int v)
{
    v = std::clamp(v, fixedRows_, std::max(fixedRows_, MaxTopRow()));
    if (v == topRow_)
        return;
    topRow_ = v;
    UpdateScrollBars();
    PlaceEditor();
    Invalidate();
    TopLeftChanged();
}

void TCustomGrid::SetLeftCol(int v)
{
    v = std::clamp(v, fixedCols_, std::max(fixedCols_, MaxLeftCol()));
    if (v == leftCol_)
        return;
    leftCol_ = v;
    UpdateScrollBars();
    PlaceEditor();
    Invalidate();
    TopLeftChanged();
}

TGridRect TCustomGrid::Selection() const
{
    if (options_.Contains(goRowSelect))
        return {fixedCols_, row_, ColCount() - 1, row_};
    return {std::min(col_, anchorCol_), std::min(row_, anchorRow_), std::max(col_, anchorCol_), std::max(row_, anchorRow_)};
}

void TCustomGrid::MouseToCell(int X, int Y, int& ACol, int& ARow) const
{
    TGridCoord c = MouseCoord(X, Y);
    ACol = c.X;
    ARow = c.Y;
}

TGridCoord TCustomGrid::MouseCoord(int X, int Y) const
{
    TGridCoord result{-1, -1};
    for (int c = 0; c < ColCount(); ++c) {
        int x = ColLeft(c);
        if (x >= 0 && X >= x && X < x + colWidths_[size_t(c)] + gridLineWidth_) {
            result.X = c;
            break;
        }
    }
    for (int r = 0; r < RowCount(); ++r) {
        int y = RowTop(r);
        if (y >= 0 && Y >= y && Y < y + rowHeights_[size_t(r)] + gridLineWidth_) {
            result.Y = r;
            break;
        }
    }
    if (result.X < 0 || result.Y < 0)
        return {-1, -1};
    return result;
}

void TCustomGrid::MoveColRow(int ACol, int ARow, bool MoveAnchor, bool Show)
{
    ACol = std::clamp(ACol, fixedCols_, ColCount() - 1);
    ARow = std::clamp(ARow, fixedRows_, RowCount() - 1);
    if ((ACol != col_ || ARow != row_) && !SelectCell(ACol, ARow))
        return;
    bool wasEditing = editing_;
    if (wasEditing && (ACol != col_ || ARow != row_))
        HideEditor();
    col_ = ACol;
    row_ = ARow;
    if (MoveAnchor || !options_.Contains(goRangeSelect)) {
        anchorCol_ = ACol;
        anchorRow_ = ARow;
    }
    if (Show) {
        if (row_ < topRow_)
            SetTopRow(row_);
        else
            while (row_ >= topRow_ + VisibleRowCount() && topRow_ < MaxTopRow())
                SetTopRow(topRow_ + 1);
        if (!options_.Contains(goRowSelect)) {
            if (col_ < leftCol_)
                SetLeftCol(col_);
            else
                while (col_ >= leftCol_ + VisibleColCount() && leftCol_ < MaxLeftCol())
                    SetLeftCol(leftCol_ + 1);
        }
    }
    Invalidate();
    if (options_.Contains(goAlwaysShowEditor))
        ShowEditor();
}

void TCustomGrid::InvalidateCell(int ACol, int ARow)
{
    TRect r = CellRect(ACol, ARow);
    if (r.Width() > 0)
        Handle()->update(r.Left, r.Top, r.Width() + gridLineWidth_, r.Height() + gridLineWidth_);
}

void TCustomGrid::InvalidateRow(int ARow)
{
    int y = RowTop(ARow);
    if (y >= 0)
        Handle()->update(0, y, ClientWidth(), rowHeights_[size_t(ARow)] + gridLineWidth_);
}

void TCustomGrid::InvalidateCol(int ACol)
{
    int x = ColLeft(ACol);
    if (x >= 0)
        Handle()->update(x, 0, colWidths_[size_t(ACol)] + gridLineWidth_, ClientHeight());
}

bool TCustomGrid::CanEditShow() const
{
    return options_.Contains(goEditing) && !options_.Contains(goRowSelect) && col_ >= fixedCols_ && row_ >= fixedRows_;
}

TInplaceEdit* TCustomGrid::CreateEditor() { return new TInplaceEdit(this); }

bool TCustomGrid::EditorMode() const { return editing_; }

void TCustomGrid::SetEditorMode(bool v)
{
    if (v)
        ShowEditor();
    else
        HideEditor();
}

void TCustomGrid::ShowEditor()
{
    if (!CanEditShow())
        return;
    if (!editor_)
        editor_ = CreateEditor();
    editor_->UpdateContents();
    editing_ = true;
    PlaceEditor();
    editor_->SetVisible(true);
    editor_->SetFocus();
    editor_->SelectAll();
}

void TCustomGrid::HideEditor()
{
    if (!editing_)
        return;
    editing_ = false;
    if (editor_) {
        editor_->SetVisible(false);
        if (Handle()->isVisible())
            SetFocus();
    }
}

void TCustomGrid::PlaceEditor()
{
    if (!editor_ || !editing_)
        return;
    TRect r = CellRect(col_, row_);
    if (r.Width() <= 0) {
        editor_->SetVisible(false);
        return;
    }
    editor_->SetBounds(r.Left, r.Top, r.Width(), r.Height());
    editor_->SetVisible(true);
}

void TCustomGrid::MoveColumn(int FromIndex, int ToIndex)
{
    if (FromIndex == ToIndex || FromIndex < 0 || ToIndex < 0 || FromIndex >= ColCount() || ToIndex >= ColCount())
        return;
    int w = colWidths_[size_t(FromIndex)];
    colWidths_.erase(colWidths_.begin() + FromIndex);
    colWidths_.insert(colWidths_.begin() + ToIndex, w);
    if (col_ == FromIndex)
        col_ = ToIndex;
    ColumnMoved(FromIndex, ToIndex);
    Invalidate();
}

void TCustomGrid::UpdateScrollBars()
{
    if (Destroying())
        return;
    syncing_ = true;
    int sbw = vbar_->sizeHint().width(), sbh = hbar_->sizeHint().height();
    bool wantV = scrollBars_ == ssVertical || scrollBars_ == ssBoth;
    bool wantH = scrollBars_ == ssHorizontal || scrollBars_ == ssBoth;
    // Each bar's need depends on the other's room; two rounds settle it.
    for (int round = 0; round < 2; ++round) {
        vbar_->setVisible(ownVert_ ? ownMax_ > ownMin_ : wantV && MaxTopRow() > fixedRows_);
        hbar_->setVisible(wantH && MaxLeftCol() > fixedCols_);
    }
    if (ownVert_) {
        vbar_->setRange(ownMin_, ownMax_);
        vbar_->setPageStep(1);
        vbar_->setValue(ownPos_);
    } else {
        vbar_->setRange(fixedRows_, std::max(fixedRows_, MaxTopRow()));
        vbar_->setPageStep(std::max(1, VisibleRowCount()));
        vbar_->setValue(topRow_);
    }
    hbar_->setRange(fixedCols_, std::max(fixedCols_, MaxLeftCol()));
    hbar_->setPageStep(std::max(1, VisibleColCount()));
    hbar_->setValue(leftCol_);
    vbar_->setGeometry(Width() - sbw, 0, sbw, ClientHeight());
    hbar_->setGeometry(0, Height() - sbh, ClientWidth(), sbh);
    syncing_ = false;
}

void TCustomGrid::SetOwnVertScrollBar(bool own)
{
    ownVert_ = own;
    UpdateScrollBars();
}

void TCustomGrid::SetVertScrollParams(int min, int max, int pos)
{
    ownMin_ = min;
    ownMax_ = std::max(min, max);
    ownPos_ = std::clamp(pos, ownMin_, ownMax_);
    if (ownVert_)
        UpdateScrollBars();
}

int TCustomGrid::VertScrollPos() const { return ownVert_ ? ownPos_ : vbar_->value(); }

void TCustomGrid::Resize()
{
    TCustomControl::Resize();
    UpdateScrollBars();
    SetTopRow(topRow_);
    SetLeftCol(leftCol_);
    PlaceEditor();
}

void TCustomGrid::Paint()
{
    TCanvas* c = Canvas();
    int cw = ClientWidth(), ch = ClientHeight();
    c->Brush.Style = bsSolid;
    c->Brush.Color = Color();
    c->FillRect(Rect(0, 0, Width(), Height()));
    std::vector<int> rows, cols;
    for (int r = 0; r < RowCount(); ++r)
        if (RowTop(r) >= 0)
            rows.push_back(r);
    for (int k = 0; k < ColCount(); ++k)
        if (ColLeft(k) >= 0)
            cols.push_back(k);
    TGridRect sel = Selection();
    bool focused = Focused() || (editor_ && editor_->Focused());
    for (int r : rows) {
        for (int k : cols) {
            TRect rect = CellRect(k, r);
            TGridDrawState state;
            bool fixed = r < fixedRows_ || k < fixedCols_;
            if (fixed)
                state.Include(gdFixed);
            else {
                if (k == col_ && r == row_)
                    state.Include(gdFocused);
                bool inSel = k >= sel.Left && k <= sel.Right && r >= sel.Top && r <= sel.Bottom;
                if (inSel && (!state.Contains(gdFocused) || options_.Contains(goDrawFocusSelected) ||
                              options_.Contains(goRowSelect) || !focused))
                    state.Include(gdSelected);
            }
            c->Font.Assign(Font());
            c->Brush.Style = bsSolid;
            if (fixed)
                c->Brush.Color = fixedColor_;
            else if (state.Contains(gdSelected)) {
                c->Brush.Color = clHighlight;
                c->Font.SetColor(clHighlightText);
            } else
                c->Brush.Color = Color();
            if (QPainter* p = c->Painter()) {
                p->save();
                p->setClipRect(QRect(rect.Left, rect.Top, rect.Width(), rect.Height()));
            }
            c->FillRect(rect);
            DrawCell(k, r, rect, state);
            if (QPainter* p = c->Painter())
                p->restore();
            if (fixed && gridDefaultDrawing_) {
                TRect edge = rect;
                Frame3D(c, edge, clBtnHighlight, clBtnShadow, 1);
            }
            if (gridDefaultDrawing_ && state.Contains(gdFocused) && focused && !editing_ &&
                !options_.Contains(goRowSelect)) {
                if (QPainter* p = c->Painter()) {
                    QPen pen(Qt::DotLine);
                    pen.setColor(ColorToQColor(state.Contains(gdSelected) ? clHighlightText : clWindowText));
                    p->setPen(pen);
                    p->setBrush(Qt::NoBrush);
                    p->drawRect(rect.Left, rect.Top, rect.Width() - 1, rect.Height() - 1);
                }
            }
        }
    }
    if (gridLineWidth_ <= 0)
        return;
    // Lines in the gaps after each shown column and row.
    int lastX = 0, lastY = 0;
    for (int k : cols)
        lastX = std::max(lastX, ColLeft(k) + colWidths_[size_t(k)] + gridLineWidth_);
    for (int r : rows)
        lastY = std::max(lastY, RowTop(r) + rowHeights_[size_t(r)] + gridLineWidth_);
    lastX = std::min(lastX, cw);
    lastY = std::min(lastY, ch);
    int fixedW = ColLeft(std::max(0, fixedCols_ - 1)) >= 0 && fixedCols_ > 0
                     ? ColLeft(fixedCols_ - 1) + colWidths_[size_t(fixedCols_ - 1)] + gridLineWidth_ : 0;
    int fixedH = fixedRows_ > 0 && RowTop(fixedRows_ - 1) >= 0
                     ? RowTop(fixedRows_ - 1) + rowHeights_[size_t(fixedRows_ - 1)] + gridLineWidth_ : 0;
    for (int k : cols) {
        bool fixed = k < fixedCols_;
        int x = ColLeft(k) + colWidths_[size_t(k)];
        c->Brush.Color = fixed ? clBlack : clSilver;
        if (fixed ? options_.Contains(goFixedVertLine) : options_.Contains(goVertLine))
            c->FillRect(Rect(x, fixed ? 0 : fixedH, x + gridLineWidth_, lastY));
        if (options_.Contains(goFixedVertLine) && !fixed && fixedH > 0) {
            c->Brush.Color = clBlack;
            c->FillRect(Rect(x, 0, x + gridLineWidth_, fixedH));
        }
    }
    for (int r : rows) {
        bool fixed = r < fixedRows_;
        int y = RowTop(r) + rowHeights_[size_t(r)];
        c->Brush.Color = fixed ? clBlack : clSilver;
        if (fixed ? options_.Contains(goFixedHorzLine) : options_.Contains(goHorzLine))
            c->FillRect(Rect(fixed ? 0 : fixedW, y, lastX, y + gridLineWidth_));
        if (options_.Contains(goFixedHorzLine) && !fixed && fixedW > 0) {
            c->Brush.Color = clBlack;
            c->FillRect(Rect(0, y, fixedW, y + gridLineWidth_));
        }
    }
}

void TCustomGrid::KeyDown(Word& Key, TShiftState Shift)
{
    TCustomControl::KeyDown(Key, Shift);
    if (Key == 0)
        return;
    bool ctrl = Shift.Contains(ssCtrl);
    bool anchor = !(Shift.Contains(ssShift) && options_.Contains(goRangeSelect));
    int c = col_, r = row_;
    switch (Key) {
    case VK_UP: --r; break;
    case VK_DOWN: ++r; break;
    case VK_LEFT:
        if (options_.Contains(goRowSelect))
            SetLeftCol(leftCol_ - 1);
        else
            --c;
        break;
    case VK_RIGHT:
        if (options_.Contains(goRowSelect))
            SetLeftCol(leftCol_ + 1);
        else
            ++c;
        break;
    case VK_PRIOR: r -= VisibleRowCount(); SetTopRow(topRow_ - VisibleRowCount()); break;
    case VK_NEXT: r += VisibleRowCount(); SetTopRow(topRow_ + VisibleRowCount()); break;
    case VK_HOME: if (ctrl) r = fixedRows_; else c = fixedCols_; break;
    case VK_END: if (ctrl) r = RowCount() - 1; else c = ColCount() - 1; break;
    case VK_TAB:
        if (!options_.Contains(goTabs))
            return;
        if (Shift.Contains(ssShift)) {
            if (--c < fixedCols_) c = ColCount() - 1, --r;
        } else if (++c >= ColCount()) {
            c = fixedCols_, ++r;
        }
        if (r < fixedRows_ || r >= RowCount())
            return;  // leaves the grid: Qt moves the focus on
        break;
    case VK_F2:
    case VK_RETURN:
        if (options_.Contains(goEditing) && !editing_) {
            ShowEditor();
            Key = 0;
        }
        return;
    default:
        return;
    }
    MoveColRow(c, r, anchor, true);
    Key = 0;
}

int TCustomGrid::ColBorderAt(int X, int Y) const
{
    int y0 = RowTop(0);
    if (fixedRows_ == 0 || y0 < 0 || Y >= y0 + rowHeights_[0])
        return -1;
    for (int k = 0; k < ColCount(); ++k) {
        int x = ColLeft(k);
        if (x >= 0 && std::abs(X - (x + colWidths_[size_t(k)])) <= kSizeGrip)
            return k;
    }
    return -1;
}

void TCustomGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft) {
        if (CanFocus() && Handle()->isVisible())
            SetFocus();
        int border = options_.Contains(goColSizing) ? ColBorderAt(X, Y) : -1;
        TGridCoord cell = MouseCoord(X, Y);
        if (border >= 0) {
            sizingCol_ = border;
            sizingStart_ = X;
            sizingWidth_ = colWidths_[size_t(border)];
        } else if (options_.Contains(goColMoving) && cell.Y >= 0 && cell.Y < fixedRows_ && cell.X >= fixedCols_) {
            movingCol_ = cell.X;
        } else if (cell.X >= fixedCols_ && cell.Y >= fixedRows_) {
            MoveColRow(cell.X, cell.Y, !Shift.Contains(ssShift), true);
        }
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomGrid::MouseMove(TShiftState Shift, int X, int Y)
{
    if (sizingCol_ >= 0) {
        SetColWidths(sizingCol_, std::max(0, sizingWidth_ + X - sizingStart_));
    } else if (Shift.Contains(ssLeft) && movingCol_ < 0 && options_.Contains(goRangeSelect)) {
        TGridCoord cell = MouseCoord(X, Y);
        if (cell.X >= fixedCols_ && cell.Y >= fixedRows_ && (cell.X != col_ || cell.Y != row_))
            MoveColRow(cell.X, cell.Y, false, true);
    }
    TCustomControl::MouseMove(Shift, X, Y);
}

void TCustomGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (sizingCol_ >= 0) {
        sizingCol_ = -1;
    } else if (movingCol_ >= 0) {
        TGridCoord cell = MouseCoord(X, Y);
        int from = movingCol_;
        movingCol_ = -1;
        if (cell.X >= fixedCols_ && cell.X != from)
            MoveColumn(from, cell.X);
    }
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

bool TCustomGrid::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos)
{
    if (TCustomControl::DoMouseWheel(Shift, WheelDelta, MousePos))
        return true;
    if (WheelDelta == 0)
        return false;
    MoveColRow(col_, row_ + (WheelDelta < 0 ? 1 : -1), true, true);
    return true;
}

// ---- TDrawGrid -----------------------------------------------------------
void TDrawGrid::DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState)
{
    if (OnDrawCell)
        OnDrawCell(this, ACol, ARow, ARect, AState);
}

bool TDrawGrid::SelectCell(int ACol, int ARow)
{
    bool can = true;
    if (OnSelectCell)
        OnSelectCell(this, ACol, ARow, can);
    return can;
}

void TDrawGrid::TopLeftChanged()
{
    if (OnTopLeftChanged)
        OnTopLeftChanged(this);
}

void TDrawGrid::ColumnMoved(int FromIndex, int ToIndex)
{
    if (OnColumnMoved)
        OnColumnMoved(this, FromIndex, ToIndex);
}
