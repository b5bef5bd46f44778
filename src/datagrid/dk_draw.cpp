#include "datagrid/dk_draw.h"

#include "platform/ui/graphics.h"

#include <QPainter>

namespace {

void Line(TCanvas* c, TColor color, int x1, int y1, int x2, int y2)
{
    c->Pen.Color = color;
    c->MoveTo(x1, y1);
    c->LineTo(x2, y2);
}

// A button face with a raised (or, pushed, sunken) edge; flat draws one
// thin frame.
void ButtonFace(TCanvas* c, const TRect& r, bool flat, bool pushed)
{
    c->Brush.Color = clBtnFace;
    c->FillRect(r);
    const int l = r.Left, t = r.Top, rt = r.Right - 1, b = r.Bottom - 1;
    if (flat) {
        c->Brush.Color = pushed ? clBtnShadow : clBtnHighlight;
        c->FrameRect(r);
        return;
    }
    const TColor outerLight = pushed ? cl3DDkShadow : cl3DLight;
    const TColor outerDark = pushed ? cl3DLight : cl3DDkShadow;
    const TColor innerLight = pushed ? clBtnShadow : clBtnHighlight;
    const TColor innerDark = pushed ? clBtnHighlight : clBtnShadow;
    Line(c, outerLight, l, b, l, t);
    Line(c, outerLight, l, t, rt, t);
    Line(c, outerDark, rt, t, rt, b);
    Line(c, outerDark, rt, b, l - 1, b);
    Line(c, innerLight, l + 1, b - 1, l + 1, t + 1);
    Line(c, innerLight, l + 1, t + 1, rt - 1, t + 1);
    Line(c, innerDark, rt - 1, t + 1, rt - 1, b - 1);
    Line(c, innerDark, rt - 1, b - 1, l, b - 1);
}

}  // namespace

void dkDrawEllipsisButton(TCanvas* Canvas, const TRect& Rect, int Style, int State)
{
    const bool flat = Style == 2 && (State & 0x80) == 0;
    ButtonFace(Canvas, Rect, flat, false);
    const int side = std::max(1, (Rect.Right - Rect.Left + 1) / 8);
    const int k = Style == 2 ? 0 : 1;
    const int x = Rect.Left + (Rect.Right - Rect.Left) / 2 - k;
    const int y = Rect.Top + (Rect.Bottom + 1 - Rect.Top) / 2 - k;
    Canvas->Brush.Color = clBlack;
    for (int dx : {-2 * side, 0, 2 * side})
        Canvas->FillRect(Bounds(x + dx, y, side, side));
}

void dkDrawComboButton(TCanvas* Canvas, const TRect& Rect, bool Pressed, int State, bool Enabled)
{
    const bool pushedFlat = Enabled && Pressed && (State & 0x80) == 0;
    ButtonFace(Canvas, Rect, pushedFlat, pushedFlat);
    // The down arrow in the middle.
    const int w = std::max(3, (Rect.Right - Rect.Left) / 3) | 1;
    const int cx = Rect.Left + (Rect.Right - Rect.Left) / 2 + (pushedFlat ? 1 : 0);
    const int cy = Rect.Top + (Rect.Bottom - Rect.Top) / 2 - w / 4 + (pushedFlat ? 1 : 0);
    const TColor color = Enabled ? clBtnText : clGrayText;
    Canvas->Pen.Color = color;
    Canvas->Brush.Color = color;
    Canvas->Polygon({TPoint{cx - w / 2, cy}, TPoint{cx + w / 2, cy}, TPoint{cx, cy + w / 2}});
}

void dkDrawFocusRect(TCanvas* Canvas, const TRect& Rect)
{
    QPainter* p = Canvas->Painter();
    if (!p || Rect.Width() <= 0 || Rect.Height() <= 0)
        return;
    p->save();
    p->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    // Every other pixel along the four sides, as the system's focus frame.
    const int l = Rect.Left, t = Rect.Top, r = Rect.Right - 1, b = Rect.Bottom - 1;
    const QColor white(255, 255, 255);
    for (int x = l; x <= r; x += 2) {
        p->fillRect(x, t, 1, 1, white);
        if (b > t)
            p->fillRect(x, b, 1, 1, white);
    }
    for (int y = t + 2; y < b; y += 2) {
        p->fillRect(l, y, 1, 1, white);
        if (r > l)
            p->fillRect(r, y, 1, 1, white);
    }
    p->restore();
}
