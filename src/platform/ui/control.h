#pragma once
// Controls: TControl (bounds, parent, visibility, colour, font, hints, the
// mouse events), TWinControl (children, focus, keys), TCustomControl and
// TGraphicControl (controls that paint themselves in Paint through their
// canvas).
//
// Every control owns the Qt widget that shows it (its handle) and gets its
// input from it through an event filter. A windowed control destroys its
// child controls before its own widget goes, so no widget is deleted twice
// whether the owner or the parent goes first.

#include <QCursor>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <vector>

#include "platform/ui/component.h"
#include "platform/ui/graphics.h"

class TWinControl;
class TCustomForm;
class TPopupMenu;
class TControlBridge;

// The size limits of a control in pixels, a form's counting its frame as
// its Width and Height do; 0 = no limit. Placing the control keeps its size
// within them, and a form's window keeps them while the user sizes it.
class TSizeConstraints : public TPersistent {
public:
    int MinWidth() const { return minWidth_; }
    int MinHeight() const { return minHeight_; }
    int MaxWidth() const { return maxWidth_; }
    int MaxHeight() const { return maxHeight_; }
    void SetMinWidth(int v) { Set(minWidth_, v); }
    void SetMinHeight(int v) { Set(minHeight_, v); }
    void SetMaxWidth(int v) { Set(maxWidth_, v); }
    void SetMaxHeight(int v) { Set(maxHeight_, v); }
    void Assign(const TPersistent* Source) override;
    // A size brought within the limits (a maximum below the minimum gives way).
    int ConstrainWidth(int w) const { return Constrain(w, minWidth_, maxWidth_); }
    int ConstrainHeight(int h) const { return Constrain(h, minHeight_, maxHeight_); }
    TNotifyEvent OnChange;

private:
    void Set(int& field, int v);
    static int Constrain(int v, int min, int max);
    int minWidth_ = 0, minHeight_ = 0, maxWidth_ = 0, maxHeight_ = 0;
};

class TControl : public TComponent {
public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;

    QWidget* Handle() const { return handle_; }
    bool HandleAllocated() const { return !handle_.isNull(); }
    // The control that shows this widget, if any.
    static TControl* FromWidget(const QWidget* w);

    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* AParent);
    // The form the control stands on (itself for a form).
    TCustomForm* ParentForm() const;

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
    void SetTop(int v) { SetBounds(left_, v, width_, height_); }
    void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
    void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
    virtual int ClientWidth() const { return width_; }
    virtual int ClientHeight() const { return height_; }
    void SetClientWidth(int v) { SetWidth(v + width_ - ClientWidth()); }
    void SetClientHeight(int v) { SetHeight(v + height_ - ClientHeight()); }
    TRect ClientRect() const { return Rect(0, 0, ClientWidth(), ClientHeight()); }
    TPoint ClientToScreen(TPoint p) const;
    TPoint ScreenToClient(TPoint p) const;

    TSizeConstraints* Constraints() { return &constraints_; }
    const TSizeConstraints* Constraints() const { return &constraints_; }

    TAlign Align() const { return align_; }
    void SetAlign(TAlign v);
    TAnchors Anchors() const { return anchors_; }
    void SetAnchors(TAnchors v);

    bool Visible() const { return visible_; }
    virtual void SetVisible(bool v);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible and every parent visible and shown.
    bool Showing() const;
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool v);

    TColor Color() const { return color_; }
    void SetColor(TColor v);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool v);
    TFont* Font() { return &font_; }
    const TFont* Font() const { return &font_; }
    void SetFont(const TFont* f) { font_.Assign(f); }
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool v);

    QString Caption() const { return caption_; }
    void SetCaption(const QString& v);
    QString Text() const { return GetText(); }
    virtual void SetText(const QString& v) { SetCaption(v); }

    QString Hint() const { return hint_; }
    void SetHint(const QString& v);
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool v);
    bool ParentShowHint = true;
    // ShowHint as it applies: the parent's while ParentShowHint is set.
    bool EffectiveShowHint() const;
    // The help topic F1 asks for on this control (0: the parent's).
    int HelpContext = 0;
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor v);
    TPopupMenu* PopupMenu() const { return popupMenu_; }
    virtual void SetPopupMenu(TPopupMenu* v);

    void Invalidate();
    void Repaint();
    void Update();
    void Refresh() { Repaint(); }
    void BringToFront();
    void SendToBack();

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TNotifyEvent OnResize;
    std::function<void(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos, bool& Handled)> OnMouseWheel;
    // The wheel turned (120 per notch, positive away from the user); true
    // when handled.
    virtual bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos);

    // Dragging between controls, as the framework does it: the source
    // starts (BeginDrag, or DragMode dmAutomatic on a left press), the
    // control under the mouse is asked (OnDragOver) and gets the drop
    // (OnDragDrop), the source hears the end (OnEndDrag).
    TDragMode DragMode = dmManual;
    TCursor DragCursor = crDrag;
    TDragOverEvent OnDragOver;
    TDragDropEvent OnDragDrop;
    TEndDragEvent OnEndDrag;
    // Immediate: the drag starts now; otherwise once the mouse moved
    // Threshold pixels (-1: 5) with the button held.
    void BeginDrag(bool Immediate, int Threshold = -1);
    // BeginDrag with the screen point the drag counts from (the bridge
    // passes the press position).
    void StartDrag(bool Immediate, int Threshold, QPoint origin);
    void EndDrag(bool Drop);
    bool Dragging() const;
    virtual void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept);
    virtual void DragDrop(TObject* Source, int X, int Y);
    virtual void DoEndDrag(TObject* Target, int X, int Y);
    // The bridge reports mouse moves and the release of a dragging source.
    void DragMouseMove(QPoint globalPos);
    void DragMouseUp(QPoint globalPos);

    // The framework's behaviour on input; overridden by controls and called
    // by the widget bridge. Each calls the event of the same name.
    virtual void Click();
    virtual void DblClick();
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseEnter();
    virtual void MouseLeave();
    virtual void Resize();
    virtual void Paint() {}
    // The widget was sized by Qt (a page of a tab widget, a scroll area).
    virtual void WidgetResized() {}
    // A control that paints itself owns a canvas bound during Paint.
    virtual TCanvas* Canvas() { return nullptr; }

    // True while events may reach the control's handlers: not while it, its
    // parents or its owners are being destroyed.
    bool CanDispatch() const;
    // Runs a handler as the framework's dispatch does: an exception that
    // escapes it goes to Application->HandleException.
    void Dispatch(const std::function<void()>& fn);

protected:
    // Takes the widget that shows the control; called by the constructor of
    // the class that decides the widget.
    void SetHandle(QWidget* w);
    // Input of a helper widget inside the handle (an edit inside a combo
    // box, a list's viewport) reaches the control too.
    void BridgeWidget(QWidget* w);
    virtual QString GetText() const { return caption_; }
    virtual void TextChanged() {}
    virtual void FontChanged();
    virtual void ColorChanged();
    virtual void EnabledChanged();
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // Places the widget from the stored bounds (a form adds its frame).
    virtual void ApplyBounds();
    virtual void ApplyVisible();
    void ApplyPalette();
    void RememberAnchors();
    // Takes bounds the window system set (a form moved or sized by the
    // user) without placing the widget again.
    void StoreBounds(int ALeft, int ATop, int AWidth, int AHeight);

    bool mouseInside_ = false;

private:
    friend class TWinControl;
    friend class TControlBridge;
    QPointer<QWidget> handle_;
    TControlBridge* bridge_ = nullptr;
    TWinControl* parent_ = nullptr;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    int anchorRight_ = 0, anchorBottom_ = 0;  // distances kept by akRight/akBottom
    TAlign align_ = alNone;
    TAnchors anchors_{akLeft, akTop};
    bool visible_ = true;
    bool enabled_ = true;
    TColor color_ = clBtnFace;
    bool parentColor_ = false;
    TFont font_;
    TSizeConstraints constraints_;
    bool parentFont_ = true;
    bool fontFromParent_ = false;
    QString caption_;
    QString hint_;
    bool showHint_ = false;
    TCursor cursor_ = crDefault;
    TPopupMenu* popupMenu_ = nullptr;
};

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;

    int ControlCount() const { return int(controls_.size()); }
    TControl* Controls(int i) const { return controls_.at(size_t(i)); }
    // The widget children are placed in (the client area).
    virtual QWidget* ClientWidget() const { return Handle(); }
    int ClientWidth() const override;
    int ClientHeight() const override;

    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool v);
    int TabOrder() const { return tabOrder_; }
    void SetTabOrder(int v);
    bool CanFocus() const;
    bool Focused() const;
    virtual void SetFocus();

    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

    virtual void KeyDown(Word& Key, TShiftState Shift);
    virtual void KeyPress(QChar& Key);
    virtual void KeyUp(Word& Key, TShiftState Shift);
    virtual void DoEnter();
    virtual void DoExit();

    // Lays out the children by Align and Anchors inside AdjustClientRect.
    void AlignControls();
    virtual TRect AdjustClientRect() const { return ClientRect(); }
    void Loaded() override;

protected:
    void Resize() override;
    void FontChanged() override;
    void ColorChanged() override;

private:
    friend class TControl;
    void InsertControl(TControl* c);
    void RemoveControl(TControl* c);
    void ApplyTabOrder();
    std::vector<TControl*> controls_;
    bool tabStop_ = false;
    int tabOrder_ = -1;
    bool aligning_ = false;
};

// A windowed control that paints itself.
class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* AOwner);
    TCanvas* Canvas() override { return &canvas_; }

private:
    TCanvas canvas_;
};

// A control without focus or keys that paints itself.
class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* AOwner);
    TCanvas* Canvas() override { return &canvas_; }

private:
    TCanvas canvas_;
};

// Helpers for the bridge and for tests that feed input.
Word QtKeyToVirtualKey(int qtKey, Qt::KeyboardModifiers mods);
int VirtualKeyToQtKey(Word vk);
TShiftState ShiftFromQt(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons = Qt::NoButton);
Qt::CursorShape CursorToQt(TCursor c);
// The cursor of a framework cursor number: the standard shapes, or for a
// positive number the cursor the program registered (Screen->SetCursors).
QCursor CursorToQCursor(TCursor c);
void RegisterCursor(TCursor index, const QCursor& cursor);

// "short|long" hints: the part before "|" shows at the control, the part
// after it goes to Application->Hint (the status line).
QString GetShortHint(const QString& hint);
QString GetLongHint(const QString& hint);
