#pragma once
// TButtonBase: a push button that draws its face itself (DrawFace) with its
// own canvas and keeps a pressed flag while the left button is held on it.
// TShadowButton: a flat face with a border, a drop shadow that vanishes
// while pressed (the face looks pushed in), an optional tiled bitmap and
// aligned text.

#include "platform/ui/control.h"

#include <vector>

// A channel value moved toward target by percent (integer division).
int FarbKanalMischen(int wert, int ziel, int prozent);
// Each of red, green and blue moved toward 255 (positive percent) or 0
// (negative); system colours are resolved to RGB first.
TColor FarbeAufhellen(TColor farbe, int prozent);
// The tiles of a bitmap of w x h over the rectangle, row by row from the
// top left; the last column and row are cut to the rectangle.
std::vector<TRect> KachelRechtecke(const TRect& r, int w, int h);

class TButtonBase : public TCustomControl {
public:
    explicit TButtonBase(TComponent* AOwner);

    bool Pressed() const { return pressed_; }
    bool Default() const { return default_; }
    void SetDefault(bool v) { default_ = v; Invalidate(); }
    // Result the form takes when the button is clicked (mrNone: none).
    TModalResult ModalResult = mrNone;

    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void DblClick() override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyUp(Word& Key, TShiftState Shift) override;
    void Click() override;
    void Paint() override;

protected:
    // Draws the whole face on Canvas().
    virtual void DrawFace() = 0;
    void TextChanged() override { Invalidate(); }

private:
    bool pressed_ = false;
    bool default_ = false;
};

enum TTextAlignment { ttaLeft, ttaRight, ttaCenter };

class TShadowButton : public TButtonBase {
public:
    explicit TShadowButton(TComponent* AOwner);

    TBitmap* Bitmap() { return &bitmap_; }
    void SetBitmap(const TBitmap* b);
    TColor BorderColor() const { return borderColor_; }
    void SetBorderColor(TColor v) { Set(borderColor_, v); }
    TColor FaceColor() const { return faceColor_; }
    void SetFaceColor(TColor v) { Set(faceColor_, v); }
    TColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(TColor v) { Set(shadowColor_, v); }
    int ShadowOffset() const { return shadowOffset_; }
    // Negative offsets are stored as 0.
    void SetShadowOffset(int v);
    TTextAlignment TextAlignment() const { return textAlignment_; }
    void SetTextAlignment(TTextAlignment v);

    // The face drawn as it would be, pressed or not, for tests and
    // screenshots.
    QImage Zeichnen(bool gedrueckt);

protected:
    void DrawFace() override;

private:
    void Set(TColor& feld, TColor v);
    void FaceAuf(TCanvas& c, bool gedrueckt);
    TBitmap bitmap_;
    TColor borderColor_ = clBlack;
    TColor faceColor_ = clWhite;
    TColor shadowColor_ = clBtnShadow;
    int shadowOffset_ = 4;
    TTextAlignment textAlignment_ = ttaCenter;
};
