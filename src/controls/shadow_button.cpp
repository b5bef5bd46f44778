#include "controls/shadow_button.h"

#include "platform/ui/forms.h"

#include <QPainter>
#include <cstdlib>

int FarbKanalMischen(int wert, int ziel, int prozent) { return wert + (ziel - wert) * prozent / 100; }

TColor FarbeAufhellen(TColor farbe, int prozent)
{
    const int rgb = ColorToRGB(farbe);
    const int ziel = prozent > 0 ? 255 : 0;
    const int p = std::abs(prozent);
    return RGB(FarbKanalMischen(rgb & 0xFF, ziel, p), FarbKanalMischen((rgb >> 8) & 0xFF, ziel, p),
               FarbKanalMischen((rgb >> 16) & 0xFF, ziel, p));
}

std::vector<TRect> KachelRechtecke(const TRect& r, int w, int h)
{
    std::vector<TRect> kacheln;
    if (w <= 0 || h <= 0)
        return kacheln;
    const int breite = r.Right - r.Left, hoehe = r.Bottom - r.Top;
    int spalten = breite / w, zeilen = hoehe / h;
    if (breite % w != 0 || spalten == 0)
        ++spalten;
    if (hoehe % h != 0 || zeilen == 0)
        ++zeilen;
    for (int y = 0; y < zeilen; ++y)
        for (int x = 0; x < spalten; ++x) {
            const int left = r.Left + x * w, top = r.Top + y * h;
            kacheln.push_back(Rect(left, top, std::min(left + w, r.Right), std::min(top + h, r.Bottom)));
        }
    return kacheln;
}

// ---------------------------------------------------------------------------

TButtonBase::TButtonBase(TComponent* AOwner) : TCustomControl(AOwner)
{
    SetTabStop(true);
    SetBounds(0, 0, 75, 25);
}

void TButtonBase::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft && Enabled()) {
        pressed_ = true;
        if (CanFocus())
            SetFocus();
        Repaint();
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TButtonBase::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    const bool war = pressed_;
    if (Button == mbLeft) {
        pressed_ = false;
        Repaint();
    }
    TCustomControl::MouseUp(Button, Shift, X, Y);
    if (war && X >= 0 && Y >= 0 && X < Width() && Y < Height())
        Click();
}

// A double click counts as a second press, as the owner-drawn button did.
void TButtonBase::DblClick() { MouseDown(mbLeft, {}, 0, 0); }

void TButtonBase::KeyDown(Word& Key, TShiftState Shift)
{
    if (Key == VK_SPACE && Enabled()) {
        pressed_ = true;
        Repaint();
    }
    TCustomControl::KeyDown(Key, Shift);
}

void TButtonBase::KeyUp(Word& Key, TShiftState Shift)
{
    if (Key == VK_SPACE && pressed_) {
        pressed_ = false;
        Repaint();
        Click();
    }
    TCustomControl::KeyUp(Key, Shift);
}

void TButtonBase::Click()
{
    if (!Enabled())
        return;
    if (ModalResult != mrNone)
        if (TCustomForm* form = ParentForm())
            form->ModalResult = ModalResult;
    TCustomControl::Click();
}

void TButtonBase::Paint() { DrawFace(); }

// ---------------------------------------------------------------------------

TShadowButton::TShadowButton(TComponent* AOwner) : TButtonBase(AOwner)
{
}

void TShadowButton::Set(TColor& feld, TColor v)
{
    if (feld == v)
        return;
    feld = v;
    Invalidate();
}

void TShadowButton::SetBitmap(const TBitmap* b)
{
    bitmap_.Assign(b);
    Invalidate();
}

void TShadowButton::SetShadowOffset(int v)
{
    v = std::max(v, 0);
    if (v == shadowOffset_)
        return;
    shadowOffset_ = v;
    Invalidate();
}

void TShadowButton::SetTextAlignment(TTextAlignment v)
{
    if (v == textAlignment_)
        return;
    textAlignment_ = v;
    Invalidate();
}

void TShadowButton::FaceAuf(TCanvas& c, bool gedrueckt)
{
    c.Font.Assign(Font());
    TColor rand = borderColor_, flaeche = faceColor_;
    if (!Enabled()) {
        rand = FarbeAufhellen(rand, 50);
        flaeche = FarbeAufhellen(flaeche, 50);
        c.Font.SetColor(FarbeAufhellen(c.Font.Color(), 50));
    }
    c.Brush.Color = Color();
    c.Brush.Style = bsSolid;
    c.FillRect(Rect(0, 0, Width(), Height()));

    TRect r = Rect(shadowOffset_, shadowOffset_, Width(), Height());
    if (!gedrueckt) {
        c.Brush.Color = shadowColor_;
        c.FillRect(r);
    }
    r = Rect(r.Left - shadowOffset_, r.Top - shadowOffset_, r.Right - shadowOffset_, r.Bottom - shadowOffset_);
    if (gedrueckt)
        r = Rect(r.Left + shadowOffset_, r.Top + shadowOffset_, r.Right + shadowOffset_, r.Bottom + shadowOffset_);

    c.Pen.Color = rand;
    c.Pen.Style = psSolid;
    c.Brush.Color = flaeche;
    c.Rectangle(r);
    r = Rect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
    if (Default()) {
        c.Brush.Style = bsClear;
        c.Rectangle(r);
        r = Rect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
    }
    if (!bitmap_.Empty())
        for (const TRect& k : KachelRechtecke(r, bitmap_.Width(), bitmap_.Height()))
            c.CopyRect(k, *bitmap_.Canvas(), Rect(0, 0, k.Right - k.Left, k.Bottom - k.Top));
    const int innen = Focused() ? 2 : 4;
    r = Rect(r.Left + innen, r.Top + innen, r.Right - innen, r.Bottom - innen);
    if (Focused()) {
        QPainter* p = c.Painter();
        p->save();
        p->setPen(QPen(ColorToQColor(rand), 1, Qt::DotLine));
        p->setBrush(Qt::NoBrush);
        p->drawRect(r.Left, r.Top, r.Right - r.Left - 1, r.Bottom - r.Top - 1);
        p->restore();
        r = Rect(r.Left + 2, r.Top + 2, r.Right - 2, r.Bottom - 2);
    }
    QPainter* p = c.Painter();
    p->save();
    p->setFont(c.Font.ToQFont());
    p->setPen(ColorToQColor(c.Font.Color()));
    p->setClipRect(QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top));
    const Qt::Alignment h = textAlignment_ == ttaLeft    ? Qt::AlignLeft
                            : textAlignment_ == ttaRight ? Qt::AlignRight
                                                         : Qt::AlignHCenter;
    p->drawText(QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top), int(h | Qt::AlignVCenter | Qt::TextWordWrap),
                QString(Caption()).replace(QStringLiteral("&&"), QStringLiteral("&")));
    p->restore();
}

QImage TShadowButton::Zeichnen(bool gedrueckt)
{
    TBitmap puffer(std::max(Width(), 1), std::max(Height(), 1));
    FaceAuf(*puffer.Canvas(), gedrueckt);
    return puffer.ToImage();
}

void TShadowButton::DrawFace()
{
    // Off-screen first, then onto the control in one step.
    const QImage bild = Zeichnen(Pressed());
    TBitmap b;
    b.SetImage(bild);
    Canvas()->Draw(0, 0, &b);
}
