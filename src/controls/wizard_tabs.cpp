// The tab strip of a wizard in the style asTabbed: one tab per wizard page
// along the top edge, captioned with the page's name, wrapped into balanced
// rows; the row of the current page is drawn nearest to the page area.

#include <QFontMetrics>

#include "controls/wizard.h"

void TAssistent::SetStyle(AssistentStyle v)
{
    style_ = v;
    if (v == asTabbed) {
        if (!tabRows_)
            tabRows_ = std::make_unique<TIntegerList>();
        CalcTabRows();
        if (page_ == 0)
            SetPage(1);
    } else {
        tabRows_.reset();
    }
    UpdateButtons();
    AlignControls();
    Invalidate();
}

void TAssistent::SetTabSpace(int& field, int v)
{
    field = v;
    if (style_ == asTabbed) {
        CalcTabRows();
        AlignControls();
        Invalidate();
    }
}

void TAssistent::SetTabSpaceX(int v) { SetTabSpace(tabSpaceX_, v); }
void TAssistent::SetTabSpaceY(int v) { SetTabSpace(tabSpaceY_, v); }

int TAssistent::CaptionWidth(int page) const
{
    const int d = DisplayPageOf(page);
    const QString caption = (d >= 0 && d < pageNames_.Count()) ? pageNames_.Strings(d) : QString();
    return QFontMetrics(Font()->ToQFont()).horizontalAdvance(caption);
}

int TAssistent::TabWidth(int page) const { return CaptionWidth(page) + tabSpaceX_; }

int TAssistent::TabRowHeight() const
{
    return QFontMetrics(Font()->ToQFont()).height() + tabSpaceY_;
}

int TAssistent::TabAreaHeight() const
{
    if (style_ != asTabbed || !tabRows_)
        return 0;
    return TabRowHeight() * tabRows_->Count() + 2;
}

int TAssistent::FirstPageOfRow(int row) const
{
    int first = 1;
    for (int r = 0; r < row; ++r)
        first += tabRows_->Items(r);
    return first;
}

int TAssistent::TabRowWidth(int row) const
{
    if (!tabRows_ || row < 0 || row >= tabRows_->Count())
        return 0;
    const int first = FirstPageOfRow(row);
    int w = 0;
    for (int p = first; p < first + tabRows_->Items(row); ++p)
        w += TabWidth(p);
    return w;
}

int TAssistent::TabRowOf(int page) const
{
    if (!tabRows_)
        return -1;
    int first = 1;
    for (int r = 0; r < tabRows_->Count(); ++r) {
        if (page >= first && page < first + tabRows_->Items(r))
            return r;
        first += tabRows_->Items(r);
    }
    return -1;
}

void TAssistent::CalcTabRows()
{
    if (!tabRows_)
        return;
    const int limit = Width() - 4;
    tabRows_->Clear();
    int w = 0, n = 0;
    for (int p = 1; p <= numPages_; ++p) {
        const int tw = TabWidth(p);
        if (w + tw > limit && n > 0) {
            tabRows_->Add(n);
            w = tw;
            n = 1;
        } else {
            w += tw;
            ++n;
        }
    }
    if (n > 0)
        tabRows_->Add(n);
    const int rows = tabRows_->Count();
    if (rows <= 1)
        return;
    const int avg = numPages_ / rows;
    for (int r = rows - 1; r >= 1; --r) {
        while (TabRowWidth(r) < limit && tabRows_->Items(r) < avg && tabRows_->Items(r - 1) > 1) {
            tabRows_->SetItems(r, tabRows_->Items(r) + 1);
            tabRows_->SetItems(r - 1, tabRows_->Items(r - 1) - 1);
        }
        while (TabRowWidth(r) > limit && tabRows_->Items(r) > 1) {
            tabRows_->SetItems(r, tabRows_->Items(r) - 1);
            tabRows_->SetItems(r - 1, tabRows_->Items(r - 1) + 1);
        }
    }
}

int TAssistent::TabWidthOf(int page) const
{
    return (page >= 0 && page < int(tabWidths_.size())) ? tabWidths_[size_t(page)] : 0;
}

void TAssistent::DrawTabs(TCanvas* c)
{
    if (!tabRows_)
        return;
    c->Font.Assign(Font());
    c->Brush.Color = clSilver;
    c->FillRect(Rect(0, 0, 2, TabAreaHeight()));
    const int current = TabRowOf(page_);
    int y = 2;
    for (int r = 0; r < tabRows_->Count(); ++r) {
        if (r == current)
            continue;
        DrawTabRow(c, r, y);
        y += TabRowHeight();
    }
    if (current >= 0)
        DrawTabRow(c, current, y);
}

void TAssistent::DrawTabRow(TCanvas* c, int row, int y)
{
    const int limit = Width() - 4;
    const int first = FirstPageOfRow(row);
    const int count = tabRows_->Items(row);
    if (count <= 0)
        return;
    int textSum = 0;
    for (int p = first; p < first + count; ++p)
        textSum += CaptionWidth(p);
    int spacing = tabSpaceX_, extra = 0;
    if (tabRows_->Count() > 1) {
        spacing = (limit - textSum) / count;
        extra = limit - (count * spacing + textSum);
    }
    int x = 2, activeX = -1, activeSpacing = 0;
    for (int p = first; p < first + count; ++p) {
        const int s = (p == first + count - 1) ? spacing + extra : spacing;
        if (p == page_) {
            activeX = x;
            activeSpacing = s;
        } else {
            DrawTab(c, p, x, y, s, false);
        }
        x += CaptionWidth(p) + s;
    }
    if (tabRows_->Count() == 1) {
        c->Brush.Color = clSilver;
        c->FillRect(Rect(x, 0, Width(), y));
        c->FillRect(Rect(x, y, Width(), y + TabRowHeight()));
        c->FillRect(Rect(0, 0, Width(), 2));
    }
    if (activeX >= 0)
        DrawTab(c, page_, activeX, y, activeSpacing, true);
    // The base line of the row toward the page area.
    if (row == TabRowOf(page_)) {
        const int base = y + TabRowHeight();
        c->Pen.Color = clWhite;
        c->MoveTo(0, base);
        c->LineTo(activeX >= 0 ? activeX - 2 : Width(), base);
        if (activeX >= 0) {
            c->MoveTo(activeX + TabWidthOf(page_) + 2, base);
            c->LineTo(Width(), base);
        }
    }
}

int TAssistent::DrawTab(TCanvas* c, int page, int x, int y, int spacing, bool active)
{
    const int d = DisplayPageOf(page);
    const QString caption = (d >= 0 && d < pageNames_.Count()) ? pageNames_.Strings(d) : QString();
    const int w = CaptionWidth(page) + spacing;
    const int h = TabRowHeight();
    c->Brush.Style = bsSolid;
    c->Brush.Color = clSilver;
    if (active) {
        c->FillRect(Rect(x - 2, y - 2, x + w + 2, y + h + 2));
        c->Pen.Color = clWhite;
        c->MoveTo(x - 2, y + h + 1);
        c->LineTo(x - 2, y);
        c->LineTo(x, y - 2);
        c->LineTo(x + w - 1, y - 2);
        c->Pen.Color = clBlack;
        c->MoveTo(x + w - 1, y - 1);
        c->LineTo(x + w, y);
        c->LineTo(x + w, y + h + 1);
        c->Pen.Color = clGray;
        c->MoveTo(x + w - 1, y);
        c->LineTo(x + w - 1, y + h + 1);
    } else {
        c->FillRect(Rect(x, y, x + w, y + h));
        c->Pen.Color = clWhite;
        c->MoveTo(x, y + h - 1);
        c->LineTo(x, y + 2);
        c->LineTo(x + 2, y);
        c->LineTo(x + w - 2, y);
        c->Pen.Color = clBlack;
        c->MoveTo(x + w - 2, y + 1);
        c->LineTo(x + w - 1, y + 2);
        c->LineTo(x + w - 1, y + h);
        c->Pen.Color = clGray;
        c->MoveTo(x + w - 2, y + 2);
        c->LineTo(x + w - 2, y + h);
    }
    c->Brush.Style = bsClear;
    c->Font.SetColor(clBlack);
    const int tx = x + spacing / 2, ty = y + tabSpaceY_ / 2;
    c->TextOut(tx, ty, caption);
    if (active && Focused()) {
        c->Pen.Color = clBlack;
        c->Pen.Style = psDot;
        c->Brush.Style = bsClear;
        c->Rectangle(tx - 2, ty - 2, tx + CaptionWidth(page) + 2, ty + c->TextHeight(caption) + 2);
        c->Pen.Style = psSolid;
    }
    c->Brush.Style = bsSolid;
    if (page >= int(tabWidths_.size()))
        tabWidths_.resize(size_t(page) + 1, 0);
    tabWidths_[size_t(page)] = w;
    return w;
}

int TAssistent::TabAt(int X, int Y) const
{
    if (!tabRows_ || tabRows_->Count() == 0)
        return -1;
    const int v = (Y - 2) / TabRowHeight();
    const int current = TabRowOf(page_);
    std::vector<int> order;
    for (int r = 0; r < tabRows_->Count(); ++r)
        if (r != current)
            order.push_back(r);
    const int row = (v >= 0 && v < int(order.size())) ? order[size_t(v)] : (current >= 0 ? current : order.back());
    const int first = FirstPageOfRow(row);
    const int last = std::min(first + tabRows_->Items(row) - 1, numPages_);
    int acc = 0;
    for (int p = first; p <= last; ++p) {
        acc += TabWidthOf(p);
        if (acc >= X - 2)
            return X - 2 >= 0 ? p : -1;
    }
    return -1;
}

void TAssistent::TabClick(int X, int Y)
{
    const int page = TabAt(X, Y);
    if (page >= 1 && page <= numPages_)
        SetPage(page);
}
