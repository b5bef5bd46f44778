#pragma once
// Bitmap buttons and speed buttons.

#include "platform/ui/std_ctrls.h"

class QToolButton;

// A button with a glyph; Kind gives the standard captions, glyphs and
// modal results.
class TBitBtn : public TButton {
public:
    explicit TBitBtn(TComponent* AOwner);
    TBitBtnKind Kind() const { return kind_; }
    void SetKind(TBitBtnKind v);
    TBitmap* Glyph() { return &glyph_; }
    void SetGlyph(const TBitmap* b);
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int v);
    TButtonLayout Layout = blGlyphLeft;
    int Spacing = 4;
    int Margin = -1;
    // A help button asks for the help context of itself or its nearest
    // parent with one (OnClick when none has one).
    void Click() override;

private:
    void UpdateIcon();
    TBitBtnKind kind_ = bkCustom;
    TBitmap glyph_;
    int numGlyphs_ = 1;
};

class TSpeedButton : public TGraphicControl {
public:
    explicit TSpeedButton(TComponent* AOwner);
    TBitmap* Glyph() { return &glyph_; }
    void SetGlyph(const TBitmap* b);
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int v);
    bool Flat() const { return flat_; }
    void SetFlat(bool v);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int v);
    bool Down() const { return down_; }
    void SetDown(bool v);
    bool AllowAllUp = false;
    TButtonLayout Layout = blGlyphLeft;
    int Spacing = 4;
    int Margin = -1;
    void Click() override;
    QToolButton* Button() const;

protected:
    void TextChanged() override;

private:
    void UpdateIcon();
    TBitmap glyph_;
    int numGlyphs_ = 1;
    bool flat_ = false;
    int groupIndex_ = 0;
    bool down_ = false;
};

// The first of NumGlyphs images side by side, with its bottom-left colour
// left out, as buttons show glyphs.
QImage ButtonGlyphImage(const TBitmap& glyph, int numGlyphs, int index = 0);
