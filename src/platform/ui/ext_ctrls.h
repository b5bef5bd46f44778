#pragma once
// Timer, panel, bevel, header, image, shape, paint box, splitter, radio group and
// scroll box.

#include <QStringList>
#include <memory>
#include <vector>

#include "platform/ui/control.h"
#include "platform/ui/std_ctrls.h"

class QTimer;
class QScrollArea;
class QRadioButton;

class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool v);
    int Interval() const { return interval_; }
    void SetInterval(int v);
    TNotifyEvent OnTimer;
    // Fires OnTimer as an elapsed interval does.
    void Timer();

private:
    void Update();
    QTimer* timer_;
    bool enabled_ = true;
    int interval_ = 1000;
};

// Draws a one-pixel 3D frame: top-left in one colour, bottom-right in the
// other, then shrinks the rectangle by the width.
void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width);

class TPanel : public TCustomControl {
public:
    explicit TPanel(TComponent* AOwner);
    TPanelBevel BevelInner() const { return bevelInner_; }
    void SetBevelInner(TPanelBevel v) { bevelInner_ = v; Realign(); }
    TPanelBevel BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TPanelBevel v) { bevelOuter_ = v; Realign(); }
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int v) { bevelWidth_ = v; Realign(); }
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int v) { borderWidth_ = v; Realign(); }
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle v) { borderStyle_ = v; Realign(); }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment v) { alignment_ = v; Invalidate(); }
    TRect AdjustClientRect() const override;
    void Paint() override;

private:
    void Realign();
    TPanelBevel bevelInner_ = bvNone;
    TPanelBevel bevelOuter_ = bvRaised;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    TBorderStyle borderStyle_ = bsNone;
    TAlignment alignment_ = taCenter;
};

class TBevel : public TGraphicControl {
public:
    explicit TBevel(TComponent* AOwner);
    TBevelShape Shape() const { return shape_; }
    void SetShape(TBevelShape v) { shape_ = v; Invalidate(); }
    TBevelStyle Style() const { return style_; }
    void SetStyle(TBevelStyle v) { style_ = v; Invalidate(); }
    void Paint() override;

private:
    TBevelShape shape_ = bsBox;
    TBevelStyle style_ = bsLowered;
};

// A row of column captions above a list. Each section has a caption and a
// width; the last one reaches to the right edge. The user cannot resize them.
class THeader : public TCustomControl {
public:
    explicit THeader(TComponent* AOwner);
    QStringList Sections() const { return sections_; }
    void SetSections(const QStringList& v);
    int SectionWidth(int Index) const;
    void SetSectionWidth(int Index, int Width);
    void Paint() override;

private:
    QStringList sections_;
    std::vector<int> widths_;
};

class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent* AOwner);
    ~TImage() override;
    TPicture* Picture() { return &picture_; }
    void SetPicture(const TPicture* p) { picture_.Assign(p); }
    bool Stretch() const { return stretch_; }
    void SetStretch(bool v) { stretch_ = v; Invalidate(); }
    bool Center() const { return center_; }
    void SetCenter(bool v) { center_ = v; Invalidate(); }
    bool Proportional() const { return proportional_; }
    void SetProportional(bool v) { proportional_ = v; Invalidate(); }
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool v);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool v);
    // Drawing on an image draws into its picture's bitmap.
    TCanvas* ImageCanvas();
    void Paint() override;
    // The rectangle the picture is drawn into.
    TRect DestRect() const;

private:
    void PictureChanged();
    TPicture picture_;
    bool stretch_ = false;
    bool center_ = false;
    bool proportional_ = false;
    bool transparent_ = false;
    bool autoSize_ = false;
};

class TShape : public TGraphicControl {
public:
    explicit TShape(TComponent* AOwner);
    TShapeType Shape() const { return shape_; }
    void SetShape(TShapeType v) { shape_ = v; Invalidate(); }
    TPen Pen;
    TBrush Brush;
    void Paint() override;

private:
    TShapeType shape_ = stRectangle;
};

class TPaintBox : public TGraphicControl {
public:
    explicit TPaintBox(TComponent* AOwner);
    TNotifyEvent OnPaint;
    void Paint() override;
};

// Dragging the splitter sizes the control it stands next to in its
// alignment.
class TSplitter : public TGraphicControl {
public:
    explicit TSplitter(TComponent* AOwner);
    int MinSize = 30;
    TNotifyEvent OnMoved;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Paint() override;
    // The control the splitter sizes, nullptr when none.
    TControl* FindControl() const;

private:
    bool dragging_ = false;
    int startPos_ = 0;
    int startSize_ = 0;
};

class TRadioGroup : public TGroupBox {
public:
    explicit TRadioGroup(TComponent* AOwner);
    ~TRadioGroup() override;
    TItemStrings* Items() const { return items_.get(); }
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int v);
    int Columns() const { return columns_; }
    void SetColumns(int v);
    void Resize() override;

private:
    friend class TRadioGroupStrings;
    void Rebuild();
    std::unique_ptr<TItemStrings> items_;
    QStringList texts_;
    std::vector<QRadioButton*> buttons_;
    int itemIndex_ = -1;
    int columns_ = 1;
};

class TScrollBox : public TWinControl {
public:
    explicit TScrollBox(TComponent* AOwner);
    QWidget* ClientWidget() const override { return inner_; }
    int ClientWidth() const override;
    int ClientHeight() const override;
    void ScrollInView(TControl* c);
    int HorzPosition() const;
    int VertPosition() const;
    void SetHorzPosition(int v);
    void SetVertPosition(int v);
    // Fits the scrolled area around the children.
    void UpdateRange();
    void WidgetResized() override;

private:
    QScrollArea* Area() const;
    QWidget* inner_;
    int pendingH_ = -1, pendingV_ = -1;
};

using TCustomPanel = TPanel;
using TCustomRadioGroup = TRadioGroup;

// A stack of pages of which one shows; controls stand on the pages.
class TPage : public TCustomControl {
public:
    explicit TPage(TComponent* AOwner);
    void Paint() override;
};

class TNotebook : public TCustomControl {
public:
    explicit TNotebook(TComponent* AOwner);
    // Adds a page with that name; the notebook owns it.
    TPage* AddPage(const QString& Name);
    int PageCount() const { return int(pages_.size()); }
    TPage* Page(int i) const { return pages_.at(size_t(i)); }
    QStringList Pages() const;
    int PageIndex() const { return pageIndex_; }
    void SetPageIndex(int v);
    QString ActivePage() const;
    void SetActivePage(const QString& name);
    TNotifyEvent OnPageChanged;
    void Resize() override;

private:
    void ShowPage();
    std::vector<TPage*> pages_;
    int pageIndex_ = -1;
};
