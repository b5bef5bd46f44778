#pragma once
// The strip of 23 picture buttons the image window carries above its
// picture: TLLToolbar lays the buttons out after a bit mask of the visible
// ones and scrolls them sideways when the window is too narrow;
// TImageToolBar sends each click to the operations of its image window.

#include <QImage>
#include <QStringList>

#include <array>

#include "platform/ui/buttons.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/forms.h"

class TImageWindow;
class TLabel;

enum TLLToolBtns {
    Scan, Open, Save, cCopy, Paste, Print, FitBest, FitToWidth, FitToHeight, FitInWindow, FitRelease,
    Rotate90, Rotate270, Rotate180, FlipHorz, FlipVert, Crop, ZoomIn, ZoomOut, Palette, ImageOp, Info, About
};
inline constexpr int kToolButtonCount = 23;
inline constexpr int kToolButtonSize = 28;
inline constexpr int kToolBarHeight = 29;

// The default hints of the buttons (the window's ToolBarHints).
QStringList DefaultToolBarHints();
// The glyph of a button, drawn in code ("IB_SCAN" ... "IB_ABOUT",
// "IB_LEFTBTN", "IB_RIGHTBTN").
QImage ToolBarGlyph(const QString& name);

class TLLButton : public TSpeedButton {
public:
    explicit TLLButton(TComponent* AOwner) : TSpeedButton(AOwner) {}
    TLLToolBtns Index = Scan;
};

class TLLToolbar : public TPanel {
public:
    explicit TLLToolbar(TComponent* AOwner);
    // What a click on button `Index` does; nothing in this class.
    virtual void ButtonClick(TLLToolBtns Index) { (void)Index; }

    void SetButtons(int mask);
    int GetButtons() const { return mask_; }
    // Button i takes item i; a list of exactly 24 items gives the filler
    // its hint as well.
    void SetHints(const QStringList& hints);
    void SetButtonsShowHint(bool flag);
    int TotalWidth() const { return kToolButtonSize * visibleCount_; }
    void PlaceFiller(bool show);
    // Moves the buttons by delta pixels within their bounds; true when
    // anything moved.
    bool Scroll(int delta);
    int Offset() const { return offset_; }

    TLLButton* Button(int i) const { return buttons_[size_t(i)]; }
    TSpeedButton* Filler() const { return filler_; }

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

private:
    std::array<TLLButton*, kToolButtonCount> buttons_{};
    TSpeedButton* filler_ = nullptr;
    int mask_ = -1;
    int visibleCount_ = 0;
    int offset_ = 0;
    TLLButton* leftmost_ = nullptr;
    TLLButton* rightmost_ = nullptr;
};

class TImageToolBar : public TLLToolbar {
public:
    TImageToolBar(TComponent* AOwner, TImageWindow* window) : TLLToolbar(AOwner), window_(window) {}
    void ButtonClick(TLLToolBtns Index) override;

private:
    TImageWindow* window_;
};

// The image library's about form: product name, version, one OK button.
class TDlgAbout : public TForm {
public:
    explicit TDlgAbout(TComponent* AOwner);
    TLabel* Product = nullptr;
    TLabel* Version = nullptr;
    TButton* OkButton = nullptr;
};
