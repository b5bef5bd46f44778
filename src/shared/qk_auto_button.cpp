#include "shared/qk_auto_button.h"

#include "platform/ui/ext_ctrls.h"

TQKAutoButton::TQKAutoButton(TComponent* AOwner) : TGraphicControl(AOwner)
{
    fontActiveColor_ = Font()->Color();
    SetBounds(0, 0, 100, 50);
}

TQKAutoButton::~TQKAutoButton() { BeginDestroy(); }

void TQKAutoButton::SetPopupMenu(TPopupMenu* v)
{
    TGraphicControl::SetPopupMenu(v);
    if (v)
        v->AutoPopup = false;  // the button drops it itself, on a left click
    Repaint();
}

void TQKAutoButton::FontChanged()
{
    TGraphicControl::FontChanged();
    Repaint();
}

void TQKAutoButton::EnabledChanged()
{
    TGraphicControl::EnabledChanged();
    Repaint();
}

void TQKAutoButton::MouseEnter()
{
    TGraphicControl::MouseEnter();
    SetValue(true);
}

void TQKAutoButton::MouseLeave()
{
    TGraphicControl::MouseLeave();
    SetValue(false);
}

void TQKAutoButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (!Enabled())
        return;
    pressed_ = true;
    Repaint();
    TGraphicControl::MouseDown(Button, Shift, X, Y);
}

void TQKAutoButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (!Enabled())
        return;
    pressed_ = false;
    Repaint();
    TGraphicControl::MouseUp(Button, Shift, X, Y);
}

void TQKAutoButton::Click()
{
    if (TPopupMenu* menu = PopupMenu()) {
        menu->AutoPopup = false;
        TPoint at = popupAlign_ == TPopupAlign::alBottom ? Point(0, Height()) : Point(Width(), 0);
        at = ClientToScreen(at);
        menu->PopupComponent = this;
        menu->Popup(at.X, at.Y);
    }
    TGraphicControl::Click();
}

void TQKAutoButton::Loaded()
{
    TGraphicControl::Loaded();
    Repaint();
}

QImage TQKAutoButton::GlyphImage() const
{
    if (glyph_.Empty())
        return {};
    int n = glyph_.Width() / glyph_.Height();
    if (n == 0 || n > 4)
        n = 1;
    QImage all = glyph_.ToImage();
    if (n == 1)
        return all;
    int w = glyph_.Width() / n;
    return all.copy(value_ ? 0 : w, 0, w, glyph_.Height());
}

TQKAutoButton::TPlacement TQKAutoButton::Placement()
{
    QImage img = GlyphImage();
    int W = Width(), H = Height(), w = img.width(), h = img.height(), s = spacing_;
    TCanvas* c = Canvas();
    c->Font.Assign(Font());
    int tw = c->TextWidth(Caption()), th = c->TextHeight(Caption());
    int gx = 0, gy = 0, cx = 0, cy = 0;
    switch (layout_) {
    case blGlyphLeft:
        gx = (W - (tw + w + s)) / 2, gy = (H - h) / 2;
        cx = gx + w + s, cy = (H - th) / 2;
        break;
    case blGlyphRight:
        cx = (W - (tw + w + s)) / 2, cy = (H - th) / 2;
        gx = cx + tw + s, gy = (H - h) / 2;
        break;
    case blGlyphTop:
        gx = (W - w) / 2, gy = (H - (th + h + s)) / 2;
        cx = (W - tw) / 2, cy = gy + h + s;
        break;
    case blGlyphBottom:
        cx = (W - tw) / 2, cy = (H - (th + h + s)) / 2;
        gx = (W - w) / 2, gy = cy + th + s;
        break;
    }
    return {Bounds(gx, gy, w, h), Point(cx, cy)};
}

void TQKAutoButton::Paint()
{
    TCanvas* c = Canvas();
    TRect client = ClientRect();
    if (!transparent_) {
        c->Brush.Color = Color();
        c->Brush.Style = bsSolid;
        c->FillRect(client);
    }
    TPlacement place = Placement();

    // Caption font by state.
    c->Font.Assign(Font());
    if (!Enabled()) {
        c->Font.SetColor(clGrayText);
    } else if (value_) {
        c->Font.SetColor(fontActiveColor_);
        if (fontActiveUnderline_)
            c->Font.SetStyle(c->Font.Style() + TFontStyles{fsUnderline});
    }

    // Border by style, hot state and press.
    enum { none, raised, sunken } border = none;
    switch (borderStyle_) {
    case TaBorderStyle::bsAuto: if (value_) border = pressed_ ? sunken : raised; break;
    case TaBorderStyle::bsLowered: if (!value_) border = pressed_ ? raised : sunken; break;
    case TaBorderStyle::bsRaised: if (!value_) border = pressed_ ? sunken : raised; break;
    case TaBorderStyle::bsNone: break;
    }
    if (border != none) {
        TRect r = client;
        Frame3D(c, r, border == raised ? clWhite : clGray, border == raised ? clGray : clWhite, borderWidth_);
    }

    // Glyph with its bottom-left colour left out.
    QImage img = GlyphImage();
    if (!img.isNull()) {
        TBitmap part;
        part.SetImage(img);
        part.Transparent = true;
        part.TransparentColor = QColorToColor(glyph_.ToImage().pixelColor(0, glyph_.Height() - 1));
        c->Brush.Color = Color();
        if (stretch_)
            c->StretchDraw(client, &part);
        else
            c->Draw(place.Glyph.Left, place.Glyph.Top, &part);
    }

    if (!Caption().isEmpty()) {
        c->Brush.Style = bsClear;
        c->TextOut(place.Caption.X, place.Caption.Y, Caption());
        c->Brush.Style = bsSolid;
    }

    if (PopupMenu()) {
        int W = Width(), H = Height();
        c->Pen.Color = clBlack;
        c->Pen.Style = psSolid;
        c->Brush.Color = clBlack;
        c->Brush.Style = bsSolid;
        if (popupAlign_ == TPopupAlign::alBottom)
            c->Polygon({Point(4, H - 10), Point(10, H - 10), Point(7, H - 7)});
        else
            c->Polygon({Point(W - 10, 4), Point(W - 4, 7), Point(W - 10, 10)});
    }
}
