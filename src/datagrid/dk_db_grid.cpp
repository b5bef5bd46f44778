// The data grid's mechanism: the data link and its field map, the layout
// of columns and rows from the dataset, the record buffer the size of the
// visible rows, scrolling and the drawing of cells.

#include "datagrid/dk_db_grid.h"

#include "datagrid/dk_draw.h"
#include "datagrid/dk_field_info.h"
#include "datagrid/dk_inplace_edit.h"
#include "datagrid/dk_intl.h"
#include "platform/core/exceptions.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/forms.h"

#include <QApplication>
#include <QImage>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

// Runs the cleanup when the scope ends, also on an exception.
template <typename F>
struct TScopeExit {
    F fn;
    ~TScopeExit() { fn(); }
};
template <typename F>
TScopeExit(F) -> TScopeExit<F>;

// Text a cell may show on one line: control characters become blanks, so
// binary bytes never reach the painter.
QString CleanLine(const QString& text)
{
    QString s = text;
    for (QChar& c : s)
        if (c.unicode() < 32)
            c = u' ';
    return s;
}

}  // namespace

// Breaks text into the lines a cell of that width shows: words stay whole,
// TAB, CR, LF and CR/LF end a line, blanks that begin a continued line go.
QStringList dkWordWrapText(const QString& text, int width, const std::function<int(const QString&)>& measure)
{
    QStringList lines;
    QString line;
    int i = 0;
    const int n = int(text.size());
    bool continued = false;
    while (i < n) {
        QChar c = text[i];
        if (c == u'\r' || c == u'\n' || c == u'\t') {
            lines << line;
            line.clear();
            continued = false;
            if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
                ++i;
            ++i;
            continue;
        }
        if (c == u' ' && line.isEmpty() && continued) {
            ++i;
            continue;
        }
        // The next word with its leading blanks.
        int j = i;
        while (j < n && text[j] == u' ')
            ++j;
        while (j < n && text[j] != u' ' && text[j] != u'\r' && text[j] != u'\n' && text[j] != u'\t')
            ++j;
        QString word = text.mid(i, j - i);
        if (!line.isEmpty() && measure(line + word) > width) {
            lines << line;
            qsizetype lead = 0;
            while (lead < word.size() && word[lead] == u' ')
                ++lead;
            line = word.mid(lead);
            continued = true;
        } else {
            line += word;
        }
        i = j;
    }
    if (!line.isEmpty() || lines.isEmpty())
        lines << line;
    for (QString& l : lines)
        l = CleanLine(l);
    return lines;
}

// ---- TdkGridDataLink -----------------------------------------------------
bool TdkGridDataLink::AddMapping(const QString& fieldName)
{
    TDataSet* ds = DataSet();
    TField* f = ds ? ds->FindField(fieldName) : nullptr;
    if (!f)
        return false;
    AddFieldIndex(ds->IndexOfField(f));
    return true;
}

void TdkGridDataLink::AddFieldIndex(int index)
{
    if (int(map_.size()) >= kMaxMapSize)
        throw Exception(QStringLiteral("Gitter soll mehr als 256 Spalten darstellen"));
    if (map_.capacity() == map_.size())
        map_.reserve(std::min<size_t>(std::max<size_t>(8, map_.size() * 2), kMaxMapSize));
    map_.push_back(index);
}

TField* TdkGridDataLink::Fields(int i) const
{
    TDataSet* ds = DataSet();
    if (!ds || i < 0 || i >= int(map_.size()) || map_[size_t(i)] >= ds->FieldCount())
        return nullptr;
    return ds->Fields(map_[size_t(i)]);
}

bool TdkGridDataLink::DefaultFields() const
{
    const TDataSet* ds = DataSet();
    return !ds || ds->DefaultFields();
}

void TdkGridDataLink::ActiveChanged() { grid_->LinkActive(Active()); }

void TdkGridDataLink::DataSetChanged()
{
    grid_->DataChanged();
    modified_ = false;
}

void TdkGridDataLink::DataSetScrolled(int distance) { grid_->Scroll(distance); }

void TdkGridDataLink::EditingChanged() { grid_->EditingChanged(); }

void TdkGridDataLink::LayoutChanged() { grid_->LayoutChanged(); }

void TdkGridDataLink::RecordChanged(TField* field)
{
    if (inUpdate_)
        return;
    grid_->RecordChanged(field);
    modified_ = false;
}

void TdkGridDataLink::UpdateData()
{
    inUpdate_ = true;
    TScopeExit done{[this] {
        inUpdate_ = false;
        modified_ = false;
    }};
    if (modified_)
        grid_->WriteEditorText();
}

// ---- TdkIButton ----------------------------------------------------------
void TdkIButton::Loaded()
{
    TSpeedButton::Loaded();
    if (auto* grid = dynamic_cast<TdkCustomDBGrid*>(Parent())) {
        grid->SetIndicatorButton(this);
        grid->SetIndicatorWidth(Width() - 1);
    }
}

void TdkIButton::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    bool sized = AWidth != Width() || AHeight != Height();
    TSpeedButton::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (sized && !Loading())
        if (auto* grid = dynamic_cast<TdkCustomDBGrid*>(Parent()); grid && grid->IndicatorButton() == this) {
            grid->SetIndicatorWidth(AWidth - 1);
            grid->LayoutChanged();
        }
}

// ---- TdkCustomDBGrid: construction and properties ------------------------
TdkCustomDBGrid::TdkCustomDBGrid(TComponent* AOwner)
    : TCustomGrid(AOwner), link_(std::make_unique<TdkGridDataLink>(this))
{
    Dkintl_Initialization();
    // The grid draws its cells, the edges of fixed cells and the focus frame
    // itself; the current cell counts as selected also while the grid has
    // the focus, so HighlightCell decides its colours.
    gridDefaultDrawing_ = false;
    TCustomGrid::SetScrollBars(ssHorizontal);
    TCustomGrid::SetOptions({goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goColSizing, goColMoving,
                             goEditing, goTabs, goDrawFocusSelected});
    SetColCount(2);
    SetRowCount(2);
    SetColor(clWindow);
    SetParentColor(false);
    titleFont_.Assign(Font());
    titleFont_.OnChange = [this](TObject*) {
        if (!copyingFont_)
            SetParentFont(false);
        if (options_.Contains(dgTitles))
            LayoutChanged();
    };
    SetOwnVertScrollBar(true);
    SetColWidths(0, indicatorWidth_);
}

TdkCustomDBGrid::~TdkCustomDBGrid()
{
    BeginDestroy();
    titleFont_.OnChange = nullptr;
    link_->SetDataSource(nullptr);
}

void TdkCustomDBGrid::SetDataSource(TDataSource* source)
{
    if (source == link_->DataSource())
        return;
    link_->SetDataSource(source);
    LinkActive(link_->Active());
}

void TdkCustomDBGrid::SetSelected(const TStringList& list)
{
    selected_.Assign(list);
    LayoutChanged();
}

void TdkCustomDBGrid::SetTitleColor(TColor c)
{
    titleColor_ = c;
    Invalidate();
}

void TdkCustomDBGrid::SetOptions(TdkDBGridOptions v)
{
    if (v.Contains(dgRowSelect))
        v.Exclude(dgAlwaysShowEditor);
    options_ = v;
    TGridOptions g{goDrawFocusSelected};
    if (v.Contains(dgEditing))
        g.Include(goEditing);
    if (v.Contains(dgAlwaysShowEditor))
        g.Include(goAlwaysShowEditor);
    if (v.Contains(dgColLines))
        g.Include(goVertLine).Include(goFixedVertLine);
    if (v.Contains(dgRowLines))
        g.Include(goHorzLine).Include(goFixedHorzLine);
    if (v.Contains(dgColumnResize))
        g.Include(goColSizing).Include(goColMoving);
    if (v.Contains(dgTabs))
        g.Include(goTabs);
    if (v.Contains(dgRowSelect))
        g.Include(goRowSelect);
    TCustomGrid::SetOptions(g);
    LayoutChanged();
}

void TdkCustomDBGrid::SetDefaultDrawing(bool v)
{
    defaultDrawing_ = v;
    Invalidate();
}

void TdkCustomDBGrid::SetTitleAlignment(TAlignment v)
{
    titleAlignment_ = v;
    Invalidate();
}

void TdkCustomDBGrid::SetTitleLines(int v)
{
    if (v <= 0)
        return;
    titleLines_ = v;
    LayoutChanged();
}

void TdkCustomDBGrid::SetTitleButtons(bool v)
{
    titleButtons_ = v;
    Invalidate();
}

void TdkCustomDBGrid::SetRowHeightPercent(int v)
{
    rowHeightPercent_ = v <= 0 ? 100 : v;
    LayoutChanged();
}

void TdkCustomDBGrid::SetIndicatorColor(TIndicatorColorType v)
{
    indicatorColor_ = v;
    Invalidate();
}

void TdkCustomDBGrid::SetIndicatorButton(TdkIButton* button)
{
    if (indicatorButton_ == button)
        return;
    if (indicatorButton_)
        indicatorButton_->RemoveFreeNotification(this);
    indicatorButton_ = button;
    if (button) {
        button->FreeNotification(this);
        if (button->Parent() != this)
            button->SetParent(this);
        button->SetBounds(0, 0, button->Width(), button->Height());
    }
    LayoutChanged();
}

void TdkCustomDBGrid::SetUseTFields(bool v)
{
    useTFields_ = v;
    LayoutChanged();
}

void TdkCustomDBGrid::SetShowVertScrollBar(bool v)
{
    showVertScrollBar_ = v;
    if (!v)
        SetVertScrollParams(0, 0, 0);
    UpdateVertScrollBar();
}

bool TdkCustomDBGrid::ShowHorzScrollBar() const
{
    return ScrollBars() == ssHorizontal || ScrollBars() == ssBoth;
}

void TdkCustomDBGrid::SetShowHorzScrollBar(bool v) { SetScrollBars(v ? ssHorizontal : ssNone); }

void TdkCustomDBGrid::SetIndicatorWidth(int w)
{
    indicatorWidth_ = std::max(0, w);
    if (options_.Contains(dgIndicator) && ColCount() > 0)
        SetColWidths(0, indicatorWidth_);
}

void TdkCustomDBGrid::Notification(TComponent* AComponent, TOperation Operation)
{
    TCustomGrid::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == indicatorButton_)
        indicatorButton_ = nullptr;
}

void TdkCustomDBGrid::FontChanged()
{
    TCustomGrid::FontChanged();
    if (ParentFont()) {
        copyingFont_ = true;
        titleFont_.Assign(Font());
        copyingFont_ = false;
    }
    LayoutChanged();
}

void TdkCustomDBGrid::Loaded()
{
    TCustomGrid::Loaded();
    LayoutChanged();
}

TField* TdkCustomDBGrid::GetSelectedField() const { return GetFields(DataCol(Col())); }

bool TdkCustomDBGrid::IsBlobCell(int ACol, int ARow) const
{
    if (ARow < titleOffset_ || !link_->Active())
        return false;
    TField* f = ColumnField(ACol);
    return f && f->IsBlob();
}

TdkInplaceEdit* TdkCustomDBGrid::Editor() const { return dynamic_cast<TdkInplaceEdit*>(InplaceEditor()); }

QString TdkCustomDBGrid::PaintedText(int ACol, int ARow) const
{
    auto it = painted_.find({ACol, ARow});
    return it == painted_.end() ? QString() : it->second;
}

QString TdkCustomDBGrid::SelectedTitle(const QString& fieldName) const
{
    int k = -1;
    if (!dkFindColumnEntry(&selected_, fieldName, k))
        return QString();
    QStringList parts = selected_[k].split(u'\t');
    return parts.size() >= 3 ? parts[2] : QString();
}

// ---- layout --------------------------------------------------------------
void TdkCustomDBGrid::DefineFieldMap()
{
    TDataSet* ds = link_->DataSet();
    if (!ds)
        return;
    if (useTFields_) {
        for (int i = 0; i < ds->FieldCount(); ++i)
            if (ds->Fields(i)->Visible())
                link_->AddFieldIndex(i);
        return;
    }
    for (int i = 0; i < selected_.Count();) {
        QString name = selected_[i].section(u'\t', 0, 0);
        if (link_->Active() && !ds->FindField(name)) {
            selected_.Delete(i);
            continue;
        }
        link_->AddMapping(name);
        ++i;
    }
}

void TdkCustomDBGrid::ComputeRowHeights()
{
    TCanvas* c = Canvas();
    c->Font.Assign(Font());
    int h = c->TextHeight(QStringLiteral("W")) + 2 + (options_.Contains(dgRowLines) ? 1 : 0);
    h = h * rowHeightPercent_ / 100;
    SetDefaultRowHeight(std::max(1, h));
    if (options_.Contains(dgTitles)) {
        c->Font.Assign(&titleFont_);
        int th = c->TextHeight(QStringLiteral("W")) * titleLines_ + 4 + (options_.Contains(dgRowLines) ? 0 : 1);
        if (options_.Contains(dgIndicator) && indicatorButton_)
            th = std::max(th, indicatorButton_->Height()) + (options_.Contains(dgRowLines) ? -1 : 1);
        SetRowHeights(0, th);
    }
}

void TdkCustomDBGrid::LayoutChanged()
{
    if (Loading() || layoutLock_ > 0 || !HandleAllocated() || Destroying())
        return;
    ++layoutLock_;
    TScopeExit unlock{[this] {
        layoutFromDataSet_ = false;
        --layoutLock_;
    }};
    layoutFromDataSet_ = true;
    titleOffset_ = options_.Contains(dgTitles) ? 1 : 0;
    indicatorOffset_ = options_.Contains(dgIndicator) ? 1 : 0;
    link_->ClearMapping();
    if (link_->Active())
        DefineFieldMap();
    int n = link_->FieldCount();
    if (!useTFields_ && n == 0)
        n = selected_.Count();
    int cols = indicatorOffset_ + std::max(n, 1);
    // Fixed columns below the column count at every step.
    int fixed = std::min(TCustomGrid::FixedCols(), indicatorOffset_);
    if (fixed < TCustomGrid::FixedCols())
        TCustomGrid::SetFixedCols(fixed);
    SetColCount(cols);
    if (TCustomGrid::FixedCols() != indicatorOffset_)
        TCustomGrid::SetFixedCols(indicatorOffset_);
    // Rows: the fixed title row first, then the heights.
    if (RowCount() < titleOffset_ + 1)
        SetRowCount(titleOffset_ + 1);
    if (FixedRows() != titleOffset_)
        SetFixedRows(titleOffset_);
    ComputeRowHeights();
    if (options_.Contains(dgIndicator))
        SetColWidths(0, indicatorWidth_);
    HideEditControl();
    UpdateRowCount();
    int visible = VisibleRowCount();
    InternalLayout();
    if (VisibleRowCount() != visible)
        UpdateRowCount();
    layoutFromDataSet_ = false;
    UpdateActive();
    HeightFit();
    UpdateVertScrollBar();
    Invalidate();
}

void TdkCustomDBGrid::InternalLayout()
{
    TDataSet* ds = link_->DataSet();
    if (!link_->Active() || !ds || ds->FieldCount() == 0)
        return;
    TCanvas* c = Canvas();
    for (int i = 0; i < link_->FieldCount(); ++i) {
        TField* f = GetFields(i);
        if (!f)
            continue;
        int chars = 0;
        QString title = f->DisplayLabel();
        if (useTFields_) {
            chars = f->DisplayWidth();
        } else {
            int k = -1;
            if (!dkFindColumnEntry(&selected_, f->FieldName, k))
                continue;
            QStringList parts = selected_[k].split(u'\t');
            chars = parts.value(1).toInt();
            if (parts.size() >= 3)
                title = parts[2];
        }
        c->Font.Assign(Font());
        int w = chars * c->TextWidth(QStringLiteral("0")) + 4;
        if (options_.Contains(dgTitles)) {
            c->Font.Assign(&titleFont_);
            int tw = 0;
            for (const QString& part : title.split(u'~'))
                tw = std::max(tw, c->TextWidth(part));
            w = std::max(w, tw + 4);
        }
        if (indicatorOffset_ + i < ColCount())
            SetColWidths(indicatorOffset_ + i, w);
    }
}

void TdkCustomDBGrid::UpdateRowCount()
{
    if (inRowCount_ || Destroying())
        return;
    inRowCount_ = true;
    TScopeExit done{[this] { inRowCount_ = false; }};
    if (RowCount() < titleOffset_ + 1)
        SetRowCount(titleOffset_ + 1);
    if (FixedRows() != titleOffset_)
        SetFixedRows(titleOffset_);
    TDataSet* ds = link_->DataSet();
    if (link_->Active() && ds && ds->RecordBufferCount() > 0) {
        // The rows that fit decide how many records the link buffers.
        SetRowCount(titleOffset_ + 1000);
        SetTopRow(titleOffset_);
        int visible = std::max(1, VisibleRowCount());
        if (visible < link_->BufferCount() && DataRow(Row()) >= visible) {
            Invalidate();
            DoTopRowChanged();
        }
        link_->SetBufferCount(visible);
        SetRowCount(std::max(1, link_->RecordCount()) + titleOffset_);
        UpdateActive();
    } else {
        SetRowCount(titleOffset_ + 1);
    }
}

void TdkCustomDBGrid::UpdateActive()
{
    if (!link_->Active() || (InLayout() && layoutFromDataSet_))
        return;
    int target = link_->ActiveRecord() + titleOffset_;
    if (Row() != target) {
        if (!options_.Contains(dgAlwaysShowEditor))
            HideEditor();
        if (target >= RowCount()) {
            UpdateRowCount();
            target = std::min(target, RowCount() - 1);
        }
        MoveColRow(Col(), target, true, false);
    }
    TField* f = GetSelectedField();
    if (f && EditorMode() && InplaceEditor() && f->Text() != lastEditText_)
        InplaceEditor()->UpdateContents();
}

void TdkCustomDBGrid::HeightFit()
{
    // The grid fits its height to whole rows only in the form designer.
}

void TdkCustomDBGrid::AdjustHeightToRows()
{
    int last = RowCount() - 1;
    int top = 0;
    for (int i = 0; i < last; ++i)
        top += RowHeights(i) + GridLineWidth();
    int h = top + DefaultRowHeight() + 1;
    int total = showVertScrollBar_ ? 18 : 1;
    for (int i = 0; i < ColCount(); ++i)
        total += ColWidths(i) + (options_.Contains(dgColLines) ? GridLineWidth() : 0);
    bool hbar = total > Width() && ShowHorzScrollBar();
    int barHeight = hbar ? Height() - ClientHeight() : 0;
    int want = Height();
    if (hbar) {
        if (h + barHeight + DefaultRowHeight() + 4 > Height())
            want = h + barHeight + 4;
    } else if (h + DefaultRowHeight() + 4 > Height()) {
        want = h + 4;
    }
    if (want != Height())
        SetHeight(want);
}

void TdkCustomDBGrid::LinkActive(bool Value)
{
    if (!Value)
        HideEditor();
    LayoutChanged();
    UpdateVertScrollBar();
}

void TdkCustomDBGrid::DataChanged()
{
    if (InLayout() || Destroying())
        return;
    TDataSet* ds = link_->DataSet();
    if (ds && ds->State() == dsBrowse)
        HideEditControl();
    UpdateRowCount();
    UpdateVertScrollBar();
    UpdateActive();
    if (EditorMode() && InplaceEditor())
        InplaceEditor()->UpdateContents();
    Invalidate();
}

void TdkCustomDBGrid::RecordChanged(TField* field)
{
    if (Destroying())
        return;
    if (!field) {
        InvalidateRow(Row());
    } else {
        for (int i = 0; i < link_->FieldCount(); ++i)
            if (GetFields(i) == field)
                InvalidateCell(i + indicatorOffset_, Row());
    }
    TField* current = GetSelectedField();
    if ((!field || field == current) && current && current->Text() != lastEditText_ && EditorMode() &&
        InplaceEditor())
        InplaceEditor()->UpdateContents();
}

void TdkCustomDBGrid::EditingChanged()
{
    if (options_.Contains(dgIndicator))
        InvalidateCell(0, Row());
}

void TdkCustomDBGrid::Scroll(int Distance)
{
    if (Destroying())
        return;
    int oldRow = Row();
    UpdateVertScrollBar();
    UpdateActive();
    InvalidateRow(oldRow);
    InvalidateRow(Row());
    if (!options_.Contains(dgAlwaysShowEditor))
        HideEditor();
    if (Distance != 0) {
        HideEditControl();
        if (std::abs(Distance) > VisibleRowCount()) {
            Invalidate();
        } else {
            // The rows that stay move as pixels; only the uncovered rows repaint.
            int rowPitch = DefaultRowHeight() + GridLineWidth();
            TRect first = CellRect(indicatorOffset_, titleOffset_);
            if (first.Width() > 0)
                Handle()->scroll(0, -Distance * rowPitch,
                                 QRect(first.Left, first.Top, ClientWidth() - first.Left, ClientHeight() - first.Top));
            if (options_.Contains(dgIndicator)) {
                if (indicatorRow_ >= 0)
                    InvalidateCell(0, indicatorRow_);
                InvalidateCell(0, Row());
            }
        }
        if (options_.Contains(dgAlwaysShowEditor) && CanEditShow() && !EditorMode())
            ShowEditor();
        DoTopRowChanged();
    }
}

void TdkCustomDBGrid::DoTopRowChanged()
{
    if (OnTopRowChanged)
        OnTopRowChanged(this);
}

void TdkCustomDBGrid::UpdateVertScrollBar()
{
    if (!showVertScrollBar_ || !link_->Active() || Destroying()) {
        SetVertScrollParams(0, 0, 0);
        return;
    }
    // The storage layer answers no sequence numbers for DBF tables, so the
    // bar has three positions: start, middle, end.
    TDataSet* ds = link_->DataSet();
    SetVertScrollParams(0, 4, ds->Bof() ? 0 : ds->Eof() ? 4 : 2);
}

void TdkCustomDBGrid::Resize()
{
    TCustomGrid::Resize();
    if (InLayout() || Destroying())
        return;
    HideEditControl();
    if (!options_.Contains(dgAlwaysShowEditor))
        HideEditor();
    UpdateRowCount();
    HeightFit();
}

// ---- editing hooks -------------------------------------------------------
bool TdkCustomDBGrid::CanEditShow() const
{
    if (!TCustomGrid::CanEditShow() || !link_->Active() || readOnly_ || !options_.Contains(dgEditing) ||
        layoutLock_ > 0)
        return false;
    TField* f = GetSelectedField();
    if (!f || f->IsBlob())
        return false;
    auto* self = const_cast<TdkCustomDBGrid*>(this);
    return !self->HasCellControl(Col(), Row());
}

QString TdkCustomDBGrid::GetEditText(int ACol, int ARow)
{
    TField* f = ColumnField(ACol);
    lastEditText_ = f ? f->Text() : QString();
    return lastEditText_;
}

void TdkCustomDBGrid::SetEditText(int ACol, int ARow, const QString& Value) { lastEditText_ = Value; }

TInplaceEdit* TdkCustomDBGrid::CreateEditor() { return new TdkInplaceEdit(this); }

void TdkCustomDBGrid::UpdateData() { link_->UpdateRecord(); }

void TdkCustomDBGrid::WriteEditorText()
{
    TField* f = GetSelectedField();
    if (f)
        f->SetText(lastEditText_);
}

// ---- drawing -------------------------------------------------------------
void TdkCustomDBGrid::Paint()
{
    painted_.clear();
    ++paints_;
    if (!showVertScrollBar_)
        SetVertScrollParams(0, 0, 0);
    UpdateSelectionCache();
    TCustomGrid::Paint();
}

bool TdkCustomDBGrid::HighlightCell(int DataCol, int DataRow, const QString& Value, TGridDrawState State)
{
    if (!State.Contains(gdSelected))
        return false;
    return options_.Contains(dgAlwaysShowSelection) || Focused() || (InplaceEditor() && InplaceEditor()->Focused());
}

void TdkCustomDBGrid::DoCalcCellColors(TField* Field, TGridDrawState State, bool Highlight, TFont* AFont,
                                       TBrush* ABrush)
{
    if (OnCalcCellColors)
        OnCalcCellColors(this, Field, State, Highlight, AFont, ABrush);
    brushIsWhite_ = ColorToRGB(ABrush->Color) == ColorToRGB(clWhite);
}

void TdkCustomDBGrid::DoTitleButtonClick(const QString& FieldName)
{
    if (OnTitleButtonClick)
        OnTitleButtonClick(this, FieldName);
}

void TdkCustomDBGrid::DoCalcTitleAttributes(const QString& FieldName, TFont* AFont, TBrush* ABrush,
                                            TAlignment& Alignment)
{
    if (OnCalcTitleAttributes)
        OnCalcTitleAttributes(this, FieldName, AFont, ABrush, Alignment);
}

QString TdkCustomDBGrid::CellText(TField* field) { return field->DisplayText(); }

void TdkCustomDBGrid::DrawCellText(const TRect& rect, const QString& text, TAlignment alignment, bool wrap)
{
    TCanvas* c = Canvas();
    // One set of metrics for the cell: measuring through the canvas makes
    // a font each time.
    const QFontMetrics fm(c->Font.ToQFont());
    int th = fm.height();
    QStringList lines;
    if (wrap)
        lines = dkWordWrapText(text, rect.Width() - 6, [&fm](const QString& s) { return fm.horizontalAdvance(s); });
    else
        lines << CleanLine(text);
    int y = rect.Top + 2;
    for (const QString& line : lines) {
        if (y > rect.Top + 2 && y >= rect.Bottom)
            break;
        int w = fm.horizontalAdvance(line);
        int x = alignment == taRightJustify ? rect.Right - w - 3
                : alignment == taCenter     ? rect.Left + (rect.Width() - w) / 2
                                            : rect.Left + 3;
        c->Brush.Style = bsClear;
        c->TextRect(rect, x, y, line);
        c->Brush.Style = bsSolid;
        y += th;
    }
}

void TdkCustomDBGrid::DrawTitleText(const TRect& rect, const QString& title, TAlignment alignment, bool pressed)
{
    TCanvas* c = Canvas();
    int th = c->TextHeight(QStringLiteral("W"));
    int lines = titleLines_ == 1 ? 1 : 1 + int(title.count(u'~'));
    int y = rect.Top + int(std::lround((RowHeights(0) - lines * th) / 2.0));
    QStringList parts = titleLines_ > 1 ? title.split(u'~') : QStringList{QString(title).replace(u'~', u' ')};
    int shift = pressed ? 1 : 0;
    c->Brush.Style = bsClear;
    for (const QString& part : parts) {
        int w = c->TextWidth(part);
        int x = alignment == taRightJustify ? rect.Right - w - 3
                : alignment == taCenter     ? rect.Left + (rect.Width() - w) / 2
                                            : rect.Left + 3;
        c->TextRect(rect, x + shift, y + shift, part);
        y += th;
    }
    c->Brush.Style = bsSolid;
}

void TdkCustomDBGrid::DrawIndicator(const TRect& rect, int dataRow)
{
    TCanvas* c = Canvas();
    QPainter* p = c->Painter();
    if (!p)
        return;
    TDataSet* ds = link_->DataSet();
    TDataSetState state = ds ? ds->State() : dsBrowse;
    int cx = rect.Left + rect.Width() / 2, cy = rect.Top + rect.Height() / 2;
    QColor ink = indicatorColor_ == icYellow ? QColor(255, 255, 0) : QColor(0, 0, 0);
    p->save();
    p->setRenderHint(QPainter::Antialiasing, false);
    p->setPen(indicatorColor_ == icYellow ? QColor(0, 0, 0) : ink);
    p->setBrush(ink);
    if (state == dsEdit) {
        // An I-beam: the record is being edited.
        p->drawLine(cx - 2, cy - 4, cx + 2, cy - 4);
        p->drawLine(cx, cy - 4, cx, cy + 4);
        p->drawLine(cx - 2, cy + 4, cx + 2, cy + 4);
    } else if (state == dsInsert) {
        // An asterisk: a new record.
        p->drawLine(cx - 3, cy, cx + 3, cy);
        p->drawLine(cx, cy - 3, cx, cy + 3);
        p->drawLine(cx - 2, cy - 2, cx + 2, cy + 2);
        p->drawLine(cx - 2, cy + 2, cx + 2, cy - 2);
    } else {
        // The arrow at the current record.
        QPolygon arrow;
        arrow << QPoint(cx - 2, cy - 4) << QPoint(cx + 2, cy) << QPoint(cx - 2, cy + 4);
        p->drawPolygon(arrow);
    }
    p->restore();
    indicatorRow_ = dataRow + titleOffset_;
}

void TdkCustomDBGrid::DrawCheckBox(const TRect& Rect, int ACol, bool Ticked, int ARow)
{
    TCanvas* c = Canvas();
    int l = (Rect.Left + Rect.Right - 10) / 2, t = (Rect.Top + Rect.Bottom - 10) / 2;
    TRect box = Bounds(l, t, 10, 10);
    TColor old = c->Brush.Color;
    c->Brush.Color = clWindow;
    c->FillRect(box);
    // Sunken frame: outside grey above and left, white below and right;
    // inside black above and left, light grey below and right.
    auto line = [c](TColor col, int x1, int y1, int x2, int y2) {
        c->Pen.Color = col;
        c->MoveTo(x1, y1);
        c->LineTo(x2, y2);
    };
    line(clBtnShadow, box.Left, box.Bottom - 1, box.Left, box.Top);
    line(clBtnShadow, box.Left, box.Top, box.Right, box.Top);
    line(clBtnHighlight, box.Right - 1, box.Top + 1, box.Right - 1, box.Bottom);
    line(clBtnHighlight, box.Left + 1, box.Bottom - 1, box.Right, box.Bottom - 1);
    line(clBlack, box.Left + 1, box.Bottom - 2, box.Left + 1, box.Top + 1);
    line(clBlack, box.Left + 1, box.Top + 1, box.Right - 1, box.Top + 1);
    line(cl3DLight, box.Right - 2, box.Top + 2, box.Right - 2, box.Bottom - 1);
    line(cl3DLight, box.Left + 2, box.Bottom - 2, box.Right - 1, box.Bottom - 2);
    if (Ticked) {
        TdkCheckBoxInGridStyle style = dkIntl()->CheckBoxInGridStyle();
        c->Pen.Color = clBlack;
        if (style == cbStyleXmark) {
            for (int d = 0; d < 2; ++d) {
                line(clBlack, box.Left + 2 + d, box.Top + 2, box.Right - 2 + d, box.Bottom - 2);
                line(clBlack, box.Right - 3 + d, box.Top + 2, box.Left + 1 + d, box.Bottom - 2);
            }
        } else {
            // Seven short strokes make the tick.
            static const int tops[7] = {4, 5, 6, 5, 4, 3, 2};
            for (int k = 0; k < 7; ++k)
                line(clBlack, box.Left + 2 + k, box.Top + tops[k], box.Left + 2 + k, box.Top + tops[k] + 3);
        }
    }
    c->Brush.Color = old;
    NotePainted(ACol, ARow, Ticked ? QStringLiteral("[x]") : QStringLiteral("[ ]"));
}

void TdkCustomDBGrid::DrawCellLines(const TRect& rect, bool selected, bool titleRow)
{
    TCanvas* c = Canvas();
    auto line = [c](TColor col, int x1, int y1, int x2, int y2) {
        c->Pen.Color = col;
        c->MoveTo(x1, y1);
        c->LineTo(x2, y2);
    };
    if (options_.Contains(dgRowLines))
        line(clBtnShadow, rect.Left, rect.Bottom - 1, rect.Right, rect.Bottom - 1);
    if (options_.Contains(dgColLines))
        line(clBtnShadow, rect.Right - 1, rect.Top, rect.Right - 1, rect.Bottom);
    if (!selected && !focusDrawn_ && brushIsWhite_ && titleRow)
        line(clBlack, rect.Left, rect.Bottom - 1, rect.Right, rect.Bottom - 1);
}

bool TdkCustomDBGrid::PaintCellBackground(int ACol, int ARow, const TRect& rect, TGridDrawState state)
{
    TCanvas* c = Canvas();
    bool fixed = state.Contains(gdFixed);
    c->Brush.Color = fixed ? titleColor_ : GetColumnColor(ACol);
    TField* f = ColumnField(ACol);
    bool hl = HighlightCell(DataCol(ACol), DataRow(ARow), QString(), state);
    if (hl) {
        c->Brush.Color = clHighlight;
        c->Font.SetColor(clHighlightText);
    }
    DoCalcCellColors(f, state, hl, &c->Font, &c->Brush);
    c->FillRect(rect);
    DrawFocusFrame(rect, hl);
    return hl;
}

void TdkCustomDBGrid::DrawFocusFrame(const TRect& rect, bool highlight)
{
    if (!highlight || options_.Contains(dgRowSelect))
        return;
    TCustomForm* form = GetParentForm(this);
    if (!form || form->ActiveControl() != this)
        return;
    dkDrawFocusRect(Canvas(), rect);
    focusDrawn_ = true;
}

void TdkCustomDBGrid::DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState)
{
    focusDrawn_ = false;
    TCanvas* c = Canvas();
    bool fixed = AState.Contains(gdFixed);
    c->Font.Assign(fixed ? &titleFont_ : Font());
    c->Brush.Color = fixed ? titleColor_ : GetColumnColor(ACol);
    c->Brush.Style = bsSolid;
    int dc = DataCol(ACol), dr = DataRow(ARow);
    // Fixed cells get the raised edge, except title buttons, which draw
    // their own raised or pressed frame.
    const bool buttonFrame = titleButtons_ && dr < 0 && dc >= 0 && GetFields(dc);
    TScopeExit edge{[&] {
        if (fixed && !buttonFrame) {
            TRect e = ARect;
            Frame3D(c, e, clBtnHighlight, clBtnShadow, 1);
        }
    }};
    if (dr < 0) {
        c->FillRect(ARect);
        TField* f = dc >= 0 ? GetFields(dc) : nullptr;
        if (f) {
            if (dc == 0 && indicatorButton_ && indicatorButton_->Visible())
                indicatorButton_->Invalidate();
            QString title = f->DisplayLabel();
            if (!useTFields_) {
                QString t = SelectedTitle(f->FieldName);
                if (!t.isEmpty())
                    title = t;
            }
            TAlignment al = titleAlignment_;
            DoCalcTitleAttributes(f->FieldName, &c->Font, &c->Brush, al);
            c->FillRect(ARect);
            bool pressed = titleButtons_ && pressedCol_ == ACol && pressedRow_ == ARow;
            DrawTitleText(ARect, title, al, pressed);
            NotePainted(ACol, ARow, title);
            if (titleButtons_) {
                // Raised: white above and left, black and grey below and
                // right; pressed: sunken.
                TRect r = ARect;
                if (pressed) {
                    Frame3D(c, r, clBtnShadow, clBtnHighlight, 1);
                } else {
                    Frame3D(c, r, clBtnHighlight, clBlack, 1);
                    Frame3D(c, r, c->Brush.Color, clBtnShadow, 1);
                }
            }
        } else if (dc >= 0 && dc < selected_.Count()) {
            QString title = selected_[dc].section(u'\t', 2, 2);
            DrawTitleText(ARect, title, titleAlignment_, false);
            NotePainted(ACol, ARow, title);
        }
        return;
    }
    if (!link_->Active()) {
        c->FillRect(ARect);
        return;
    }
    if (dc < 0) {
        c->FillRect(ARect);
        if (dr == link_->ActiveRecord())
            DrawIndicator(ARect, dr);
        return;
    }
    TField* f = GetFields(dc);
    if (!f || dr >= link_->RecordCount()) {
        c->FillRect(ARect);
        return;
    }
    int old = link_->ActiveRecord();
    link_->SetActiveRecord(dr);
    TScopeExit restore{[this, old] { link_->SetActiveRecord(old); }};
    drawCol_ = dc;
    drawRow_ = dr;
    QString value = CellText(f);
    bool hl = HighlightCell(dc, dr, value, AState);
    if (hl) {
        c->Brush.Color = clHighlight;
        c->Font.SetColor(clHighlightText);
    }
    DoCalcCellColors(f, AState, hl, &c->Font, &c->Brush);
    if (defaultDrawing_) {
        c->FillRect(ARect);
        DrawCellText(ARect, value, TAlignment(f->Alignment()), options_.Contains(dgWordWrap));
        NotePainted(ACol, ARow, value);
    }
    if (OnDrawDataCell)
        OnDrawDataCell(this, ARect, f, AState);
    if (defaultDrawing_)
        DrawFocusFrame(ARect, hl);
}

// ---- column moving and sizing --------------------------------------------
void TdkCustomDBGrid::ColumnMoved(int FromIndex, int ToIndex)
{
    int from = DataCol(FromIndex), to = DataCol(ToIndex);
    if (from < 0 || to < 0)
        return;
    if (!useTFields_) {
        if (from < selected_.Count() && to < selected_.Count())
            selected_.Move(from, to);
        LayoutChanged();
    } else {
        TField* a = GetFields(from);
        TField* b = GetFields(to);
        if (a && b)
            a->SetIndex(b->Index());
        LayoutChanged();
    }
    if (OnColumnMoved)
        OnColumnMoved(this, from, to);
}

void TdkCustomDBGrid::ColWidthsChanged()
{
    if (layoutFromDataSet_ || !updateFields_ || !link_->Active() || InLayout() || Destroying())
        return;
    {
        ++layoutLock_;
        TScopeExit unlock{[this] { --layoutLock_; }};
        TCanvas* c = Canvas();
        c->Font.Assign(Font());
        int zero = std::max(1, c->TextWidth(QStringLiteral("0")));
        for (int i = 0; i < link_->FieldCount(); ++i) {
            int col = i + indicatorOffset_;
            if (col >= ColCount())
                break;
            int chars = (ColWidths(col) + zero / 2 - 3) / zero;
            TField* f = GetFields(i);
            if (!f)
                continue;
            if (useTFields_) {
                f->SetDisplayWidth(chars);
            } else {
                int k = -1;
                if (dkFindColumnEntry(&selected_, f->FieldName, k)) {
                    QStringList parts = selected_[k].split(u'\t');
                    selected_.SetStrings(k, f->FieldName + u'\t' + QString::number(chars) + u'\t' + parts.value(2));
                }
            }
        }
    }
    LayoutChanged();
}
