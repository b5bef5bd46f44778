#pragma once
// TQKAutoButton: a flat tool-bar button that raises or sinks its border
// while the mouse is over it, shows a glyph and a caption in one of four
// layouts, shows the first of several glyph images while hot, and can drop
// a popup menu.

#include "platform/ui/control.h"
#include "platform/ui/menus.h"

enum class TaBorderStyle { bsNone, bsLowered, bsRaised, bsAuto };
enum class TPopupAlign { alBottom, alRight };

class TQKAutoButton : public TGraphicControl {
public:
    // The enumerations' names, as the button's own code and callers write them.
    static constexpr TaBorderStyle bsNone = TaBorderStyle::bsNone, bsLowered = TaBorderStyle::bsLowered,
                                   bsRaised = TaBorderStyle::bsRaised, bsAuto = TaBorderStyle::bsAuto;
    static constexpr TPopupAlign alBottom = TPopupAlign::alBottom, alRight = TPopupAlign::alRight;

    explicit TQKAutoButton(TComponent* AOwner);
    ~TQKAutoButton() override;

    QString About_Quillkit() const { return "20.06.98"; }
    void SetAbout_Quillkit(const QString&) {}

    TaBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TaBorderStyle v) { borderStyle_ = v; Repaint(); }
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int v) { borderWidth_ = v; Repaint(); }
    TColor FontActiveColor() const { return fontActiveColor_; }
    void SetFontActiveColor(TColor v) { fontActiveColor_ = v; Repaint(); }
    bool FontActiveUnderline() const { return fontActiveUnderline_; }
    void SetFontActiveUnderline(bool v) { fontActiveUnderline_ = v; Repaint(); }
    TBitmap* Glyph() { return &glyph_; }
    void SetGlyph(const TBitmap* v) { glyph_.Assign(v); Repaint(); }
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout v) { layout_ = v; Repaint(); }
    void SetPopupMenu(TPopupMenu* v) override;
    TPopupAlign PopupAlign() const { return popupAlign_; }
    void SetPopupAlign(TPopupAlign v) { popupAlign_ = v; Repaint(); }
    int Spacing() const { return spacing_; }
    void SetSpacing(int v) { spacing_ = v; Repaint(); }
    bool Stretch() const { return stretch_; }
    void SetStretch(bool v) { stretch_ = v; Repaint(); }
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool v) { transparent_ = v; Repaint(); }
    bool Value() const { return value_; }
    void SetValue(bool v) { value_ = v; Repaint(); }
    bool Pressed() const { return pressed_; }

    void MouseEnter() override;
    void MouseLeave() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Click() override;
    void Loaded() override;
    void Paint() override;

    // Where Paint puts the glyph image and the caption (button coordinates).
    struct TPlacement {
        TRect Glyph;
        TPoint Caption;
    };
    TPlacement Placement();
    // The part of the glyph strip shown now: the first image while hot,
    // the second otherwise (the whole glyph when it holds one image).
    QImage GlyphImage() const;

protected:
    void TextChanged() override { Repaint(); }
    void FontChanged() override;
    void EnabledChanged() override;

private:
    TaBorderStyle borderStyle_ = TaBorderStyle::bsAuto;
    int borderWidth_ = 1;
    TColor fontActiveColor_;
    bool fontActiveUnderline_ = false;
    TBitmap glyph_;
    TButtonLayout layout_ = blGlyphLeft;
    TPopupAlign popupAlign_ = TPopupAlign::alBottom;
    int spacing_ = 4;
    bool stretch_ = true;
    bool transparent_ = false;
    bool value_ = false;
    bool pressed_ = false;
};
