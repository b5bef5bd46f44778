#include "platform/ui/control.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <algorithm>
#include <map>

#include "platform/ui/forms.h"
#include "platform/ui/menus.h"
#include "platform/ui/widget_bridge.h"

namespace {
const char* const kControlProperty = "lxControl";
}

// ---- key and mouse translation -------------------------------------------
Word QtKeyToVirtualKey(int k, Qt::KeyboardModifiers mods)
{
    bool keypad = mods.testFlag(Qt::KeypadModifier);
    if (k >= Qt::Key_0 && k <= Qt::Key_9)
        return keypad ? Word(VK_NUMPAD0 + (k - Qt::Key_0)) : Word('0' + (k - Qt::Key_0));
    if (k >= Qt::Key_A && k <= Qt::Key_Z)
        return Word('A' + (k - Qt::Key_A));
    if (k >= Qt::Key_F1 && k <= Qt::Key_F24)
        return Word(VK_F1 + (k - Qt::Key_F1));
    switch (k) {
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Return: case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Tab: case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_NumLock: return VK_NUMLOCK;
    case Qt::Key_ScrollLock: return VK_SCROLL;
    case Qt::Key_Print: return VK_SNAPSHOT;
    case Qt::Key_Help: return VK_HELP;
    case Qt::Key_Menu: return VK_APPS;
    case Qt::Key_Asterisk: return keypad ? VK_MULTIPLY : Word(0xBB);
    case Qt::Key_Plus: return keypad ? VK_ADD : Word(0xBB);
    case Qt::Key_Minus: return keypad ? VK_SUBTRACT : Word(0xBD);
    case Qt::Key_Slash: return keypad ? VK_DIVIDE : Word(0xBF);
    case Qt::Key_Period: return keypad ? VK_DECIMAL : Word(0xBE);
    case Qt::Key_Comma: return keypad ? VK_DECIMAL : Word(0xBC);
    default: break;
    }
    return 0;
}

int VirtualKeyToQtKey(Word vk)
{
    if (vk >= '0' && vk <= '9')
        return Qt::Key_0 + (vk - '0');
    if (vk >= 'A' && vk <= 'Z')
        return Qt::Key_A + (vk - 'A');
    if (vk >= VK_F1 && vk <= VK_F12)
        return Qt::Key_F1 + (vk - VK_F1);
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9)
        return Qt::Key_0 + (vk - VK_NUMPAD0);
    switch (vk) {
    case VK_ESCAPE: return Qt::Key_Escape;
    case VK_RETURN: return Qt::Key_Return;
    case VK_TAB: return Qt::Key_Tab;
    case VK_BACK: return Qt::Key_Backspace;
    case VK_SPACE: return Qt::Key_Space;
    case VK_PRIOR: return Qt::Key_PageUp;
    case VK_NEXT: return Qt::Key_PageDown;
    case VK_END: return Qt::Key_End;
    case VK_HOME: return Qt::Key_Home;
    case VK_LEFT: return Qt::Key_Left;
    case VK_UP: return Qt::Key_Up;
    case VK_RIGHT: return Qt::Key_Right;
    case VK_DOWN: return Qt::Key_Down;
    case VK_INSERT: return Qt::Key_Insert;
    case VK_DELETE: return Qt::Key_Delete;
    default: return 0;
    }
}

TShiftState ShiftFromQt(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons)
{
    TShiftState s;
    if (mods & Qt::ShiftModifier) s.Include(ssShift);
    if (mods & Qt::ControlModifier) s.Include(ssCtrl);
    if (mods & Qt::AltModifier) s.Include(ssAlt);
    if (buttons & Qt::LeftButton) s.Include(ssLeft);
    if (buttons & Qt::RightButton) s.Include(ssRight);
    if (buttons & Qt::MiddleButton) s.Include(ssMiddle);
    return s;
}

Qt::CursorShape CursorToQt(TCursor c)
{
    switch (c) {
    case crNone: return Qt::BlankCursor;
    case crCross: return Qt::CrossCursor;
    case crIBeam: return Qt::IBeamCursor;
    case crSizeNESW: return Qt::SizeBDiagCursor;
    case crSizeNS: return Qt::SizeVerCursor;
    case crSizeNWSE: return Qt::SizeFDiagCursor;
    case crSizeWE: return Qt::SizeHorCursor;
    case crUpArrow: return Qt::UpArrowCursor;
    case crHourGlass: case crSQLWait: return Qt::WaitCursor;
    case crAppStart: return Qt::BusyCursor;
    case crDrag: case crMultiDrag: return Qt::DragCopyCursor;
    case crNoDrop: case crNo: return Qt::ForbiddenCursor;
    case crHSplit: return Qt::SplitHCursor;
    case crVSplit: return Qt::SplitVCursor;
    case crHelp: return Qt::WhatsThisCursor;
    case crHandPoint: return Qt::PointingHandCursor;
    case crSizeAll: return Qt::SizeAllCursor;
    default: return Qt::ArrowCursor;
    }
}

namespace {
std::map<TCursor, QCursor>& CursorRegistry()
{
    static std::map<TCursor, QCursor> registry;
    return registry;
}
}  // namespace

void RegisterCursor(TCursor index, const QCursor& cursor) { CursorRegistry()[index] = cursor; }

QCursor CursorToQCursor(TCursor c)
{
    auto it = CursorRegistry().find(c);
    if (c > 0 && it != CursorRegistry().end())
        return it->second;
    return QCursor(CursorToQt(c));
}

QString GetShortHint(const QString& hint)
{
    int bar = int(hint.indexOf('|'));
    return bar < 0 ? hint : hint.left(bar);
}

QString GetLongHint(const QString& hint)
{
    int bar = int(hint.indexOf('|'));
    return bar < 0 ? hint : hint.mid(bar + 1);
}

// ---- TControl ------------------------------------------------------------
TControl::TControl(TComponent* AOwner) : TComponent(AOwner)
{
    font_.OnChange = [this](TObject*) {
        if (!fontFromParent_)
            parentFont_ = false;
        FontChanged();
    };
    constraints_.OnChange = [this](TObject*) {
        // Placing again brings the size within the new limits and hands them
        // to the window.
        int w = constraints_.ConstrainWidth(width_), h = constraints_.ConstrainHeight(height_);
        if (w != width_ || h != height_)
            SetBounds(left_, top_, w, h);
        else
            ApplyBounds();
    };
    SetHandle(new TPaintHost(this));
}

void TSizeConstraints::Assign(const TPersistent* Source)
{
    if (auto* c = dynamic_cast<const TSizeConstraints*>(Source)) {
        minWidth_ = c->minWidth_, minHeight_ = c->minHeight_;
        maxWidth_ = c->maxWidth_, maxHeight_ = c->maxHeight_;
        if (OnChange)
            OnChange(this);
    }
}

void TSizeConstraints::Set(int& field, int v)
{
    v = std::max(0, v);
    if (field == v)
        return;
    field = v;
    if (OnChange)
        OnChange(this);
}

int TSizeConstraints::Constrain(int v, int min, int max)
{
    if (max > 0)
        v = std::min(v, max);
    if (min > 0)
        v = std::max(v, min);
    return v;
}

namespace {

// The one drag in progress.
struct TDragState_ {
    TControl* source = nullptr;
    bool started = false;
    QPoint origin;
    int threshold = 5;
    TControl* target = nullptr;
    bool accepted = false;
    bool cursorSet = false;
} g_drag;

TControl* ControlAt(QPoint global, QWidget* near)
{
    QWidget* w = QApplication::widgetAt(global);
    if (!w && near) {
        QWidget* win = near->window();
        QPoint local = win->mapFromGlobal(global);
        w = win->childAt(local);
        if (!w && win->rect().contains(local))
            w = win;
    }
    for (; w; w = w->parentWidget())
        if (TControl* c = TControl::FromWidget(w))
            return c;
    return nullptr;
}

QPoint ClientPoint(TControl* c, QPoint global)
{
    QWidget* origin = c->Handle();
    if (auto wc = dynamic_cast<TWinControl*>(c))
        origin = wc->ClientWidget();
    return origin->mapFromGlobal(global);
}

void SetDragCursor(TCursor c)
{
    if (g_drag.cursorSet)
        QGuiApplication::changeOverrideCursor(CursorToQCursor(c));
    else
        QGuiApplication::setOverrideCursor(CursorToQCursor(c));
    g_drag.cursorSet = true;
}

void ClearDrag()
{
    if (g_drag.cursorSet)
        QGuiApplication::restoreOverrideCursor();
    g_drag = TDragState_();
}

}  // namespace

void TControl::BeginDrag(bool Immediate, int Threshold) { StartDrag(Immediate, Threshold, QCursor::pos()); }

void TControl::StartDrag(bool Immediate, int Threshold, QPoint origin)
{
    if (g_drag.source)
        return;
    g_drag.source = this;
    g_drag.started = Immediate;
    g_drag.origin = origin;
    g_drag.threshold = Threshold < 0 ? 5 : Threshold;
    if (Immediate)
        SetDragCursor(crNoDrop);
}

bool TControl::Dragging() const { return g_drag.source == this && g_drag.started; }

void TControl::EndDrag(bool Drop)
{
    if (g_drag.source != this)
        return;
    if (!g_drag.started) {
        ClearDrag();
        return;
    }
    DragMouseUp(Drop ? QCursor::pos() : QPoint(-100000, -100000));
}

void TControl::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept)
{
    Accept = false;
    if (OnDragOver) {
        Accept = true;
        OnDragOver(this, Source, X, Y, State, Accept);
    }
}

void TControl::DragDrop(TObject* Source, int X, int Y)
{
    if (OnDragDrop)
        OnDragDrop(this, Source, X, Y);
}

void TControl::DoEndDrag(TObject* Target, int X, int Y)
{
    if (OnEndDrag)
        OnEndDrag(this, Target, X, Y);
}

void TControl::DragMouseMove(QPoint global)
{
    if (g_drag.source != this)
        return;
    if (!g_drag.started) {
        if ((global - g_drag.origin).manhattanLength() < g_drag.threshold)
            return;
        g_drag.started = true;
    }
    TControl* target = ControlAt(global, Handle());
    if (target != g_drag.target && g_drag.target) {
        bool ignore = false;
        QPoint p = ClientPoint(g_drag.target, global);
        TControl* old = g_drag.target;
        old->Dispatch([&] { old->DragOver(this, p.x(), p.y(), dsDragLeave, ignore); });
    }
    bool accept = false;
    if (target) {
        QPoint p = ClientPoint(target, global);
        TDragState state = target == g_drag.target ? dsDragMove : dsDragEnter;
        target->Dispatch([&] { target->DragOver(this, p.x(), p.y(), state, accept); });
    }
    g_drag.target = target;
    g_drag.accepted = accept;
    SetDragCursor(accept ? DragCursor : crNoDrop);
}

void TControl::DragMouseUp(QPoint global)
{
    if (g_drag.source != this)
        return;
    if (!g_drag.started) {
        ClearDrag();
        return;
    }
    DragMouseMove(global);
    TControl* target = g_drag.accepted ? g_drag.target : nullptr;
    ClearDrag();
    QPoint p = target ? ClientPoint(target, global) : QPoint();
    if (target)
        target->Dispatch([&] { target->DragDrop(this, p.x(), p.y()); });
    Dispatch([&] { DoEndDrag(target, p.x(), p.y()); });
}

TControl::~TControl()
{
    BeginDestroy();
    if (g_drag.source == this)
        ClearDrag();
    if (g_drag.target == this)
        g_drag.target = nullptr, g_drag.accepted = false;
    if (handle_)
        handle_->blockSignals(true);
    delete bridge_;
    bridge_ = nullptr;
    if (parent_)
        parent_->RemoveControl(this);
    parent_ = nullptr;
    if (handle_) {
        handle_->setProperty(kControlProperty, QVariant());
        delete handle_.data();
    }
}

TControl* TControl::FromWidget(const QWidget* w)
{
    if (!w)
        return nullptr;
    return static_cast<TControl*>(w->property(kControlProperty).value<void*>());
}

void TControl::SetHandle(QWidget* w)
{
    QWidget* old = handle_;
    delete bridge_;
    handle_ = w;
    w->setProperty(kControlProperty, QVariant::fromValue<void*>(this));
    if (old) {
        if (old->parentWidget())
            w->setParent(old->parentWidget(), w->windowFlags());
        delete old;
    }
    bridge_ = new TControlBridge(this);
    w->installEventFilter(bridge_);
    w->setMouseTracking(true);
    // Input goes to one control only, never on to its parent.
    w->setAttribute(Qt::WA_NoMousePropagation);
    ApplyPalette();
    w->setFont(font_.ToQFont());
    ApplyBounds();
}

void TControl::BridgeWidget(QWidget* w)
{
    w->installEventFilter(bridge_);
    w->setMouseTracking(true);
}

TCustomForm* TControl::ParentForm() const
{
    const TControl* c = this;
    while (c) {
        if (auto f = dynamic_cast<const TCustomForm*>(c))
            return const_cast<TCustomForm*>(f);
        c = c->parent_;
    }
    return nullptr;
}

void TControl::SetParent(TWinControl* AParent)
{
    if (AParent == parent_)
        return;
    if (parent_)
        parent_->RemoveControl(this);
    parent_ = AParent;
    if (parent_) {
        parent_->InsertControl(this);
        handle_->setParent(parent_->ClientWidget());
        if (parentColor_)
            color_ = parent_->Color(), ColorChanged();
        if (parentFont_) {
            fontFromParent_ = true;
            font_.Assign(parent_->Font());
            fontFromParent_ = false;
        }
        ApplyBounds();
        RememberAnchors();
        ApplyVisible();
        if (align_ != alNone)
            parent_->AlignControls();
    } else if (!dynamic_cast<TCustomForm*>(this)) {
        handle_->hide();
        handle_->setParent(nullptr);
    }
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    AWidth = std::max(0, constraints_.ConstrainWidth(AWidth));
    AHeight = std::max(0, constraints_.ConstrainHeight(AHeight));
    bool sized = AWidth != width_ || AHeight != height_;
    bool moved = ALeft != left_ || ATop != top_;
    if (!sized && !moved)
        return;
    left_ = ALeft;
    top_ = ATop;
    width_ = AWidth;
    height_ = AHeight;
    ApplyBounds();
    if (parent_ && !parent_->aligning_) {
        RememberAnchors();
        if (align_ != alNone)
            parent_->AlignControls();
    }
    if (sized)
        Dispatch([this] { Resize(); });
}

void TControl::StoreBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    bool sized = AWidth != width_ || AHeight != height_;
    left_ = ALeft;
    top_ = ATop;
    width_ = AWidth;
    height_ = AHeight;
    if (sized)
        Dispatch([this] { Resize(); });
}

void TControl::ApplyBounds()
{
    if (handle_)
        handle_->setGeometry(left_, top_, width_, height_);
}

void TControl::RememberAnchors()
{
    if (!parent_)
        return;
    anchorRight_ = parent_->ClientWidth() - (left_ + width_);
    anchorBottom_ = parent_->ClientHeight() - (top_ + height_);
}

TPoint TControl::ClientToScreen(TPoint p) const
{
    QPoint q = handle_->mapToGlobal(QPoint(p.X, p.Y));
    return {q.x(), q.y()};
}

TPoint TControl::ScreenToClient(TPoint p) const
{
    QPoint q = handle_->mapFromGlobal(QPoint(p.X, p.Y));
    return {q.x(), q.y()};
}

void TControl::SetAlign(TAlign v)
{
    if (v == align_)
        return;
    align_ = v;
    if (parent_)
        parent_->AlignControls();
}

void TControl::SetAnchors(TAnchors v)
{
    anchors_ = v;
    RememberAnchors();
}

void TControl::SetVisible(bool v)
{
    if (v == visible_)
        return;
    visible_ = v;
    ApplyVisible();
    if (parent_ && align_ != alNone)
        parent_->AlignControls();
}

void TControl::ApplyVisible()
{
    // A widget without a parent would become a window of its own.
    if (handle_ && parent_)
        handle_->setVisible(visible_);
}

bool TControl::Showing() const
{
    return handle_ && handle_->isVisible();
}

void TControl::SetEnabled(bool v)
{
    if (v == enabled_)
        return;
    enabled_ = v;
    EnabledChanged();
}

void TControl::EnabledChanged()
{
    if (handle_)
        handle_->setEnabled(enabled_);
    Invalidate();
}

void TControl::SetColor(TColor v)
{
    parentColor_ = false;
    if (v == color_)
        return;
    color_ = v;
    ColorChanged();
}

void TControl::SetParentColor(bool v)
{
    parentColor_ = v;
    if (v && parent_ && parent_->Color() != color_) {
        color_ = parent_->Color();
        ColorChanged();
    }
}

void TControl::SetParentFont(bool v)
{
    parentFont_ = v;
    if (v && parent_) {
        fontFromParent_ = true;
        font_.Assign(parent_->Font());
        fontFromParent_ = false;
    }
}

void TControl::ColorChanged()
{
    ApplyPalette();
    Invalidate();
}

void TControl::FontChanged()
{
    if (handle_)
        handle_->setFont(font_.ToQFont());
    ApplyPalette();
    Invalidate();
}

void TControl::ApplyPalette()
{
    if (!handle_)
        return;
    QPalette pal = handle_->palette();
    QColor back = ColorToQColor(color_);
    QColor text = ColorToQColor(font_.Color());
    pal.setColor(QPalette::Window, back);
    pal.setColor(QPalette::WindowText, text);
    pal.setColor(QPalette::ButtonText, text);
    pal.setColor(QPalette::Text, text);
    pal.setColor(QPalette::Base, back);
    pal.setColor(QPalette::Button, back);
    handle_->setPalette(pal);
}

void TControl::SetCaption(const QString& v)
{
    if (v == caption_)
        return;
    caption_ = v;
    TextChanged();
    Invalidate();
}

void TControl::SetHint(const QString& v) { hint_ = v; }

void TControl::SetShowHint(bool v)
{
    showHint_ = v;
    ParentShowHint = false;
}

bool TControl::EffectiveShowHint() const
{
    const TControl* c = this;
    while (c->ParentShowHint && c->parent_)
        c = c->parent_;
    return c->showHint_;
}

void TControl::SetCursor(TCursor v)
{
    cursor_ = v;
    if (!handle_)
        return;
    if (v == crDefault)
        handle_->unsetCursor();
    else
        handle_->setCursor(CursorToQCursor(v));
}

void TControl::SetPopupMenu(TPopupMenu* v)
{
    if (popupMenu_)
        popupMenu_->RemoveFreeNotification(this);
    popupMenu_ = v;
    if (v)
        v->FreeNotification(this);
}

void TControl::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == popupMenu_)
        popupMenu_ = nullptr;
}

void TControl::Invalidate()
{
    if (handle_)
        handle_->update();
}

void TControl::Repaint()
{
    if (handle_)
        handle_->repaint();
}

void TControl::Update()
{
    if (handle_)
        handle_->repaint();
}

void TControl::BringToFront()
{
    if (handle_)
        handle_->raise();
}

void TControl::SendToBack()
{
    if (handle_)
        handle_->lower();
}

void TControl::Click() { if (OnClick) OnClick(this); }
void TControl::DblClick() { if (OnDblClick) OnDblClick(this); }
void TControl::MouseDown(TMouseButton B, TShiftState S, int X, int Y) { if (OnMouseDown) OnMouseDown(this, B, S, X, Y); }
void TControl::MouseMove(TShiftState S, int X, int Y) { if (OnMouseMove) OnMouseMove(this, S, X, Y); }
void TControl::MouseUp(TMouseButton B, TShiftState S, int X, int Y) { if (OnMouseUp) OnMouseUp(this, B, S, X, Y); }
void TControl::MouseEnter() { mouseInside_ = true; if (OnMouseEnter) OnMouseEnter(this); }
void TControl::MouseLeave() { mouseInside_ = false; if (OnMouseLeave) OnMouseLeave(this); }
void TControl::Resize() { if (OnResize) OnResize(this); }

bool TControl::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos)
{
    bool handled = false;
    if (OnMouseWheel)
        OnMouseWheel(this, Shift, WheelDelta, MousePos, handled);
    return handled;
}

bool TControl::CanDispatch() const
{
    for (const TControl* c = this; c; c = c->parent_)
        for (const TComponent* o = c; o; o = o->Owner())
            if (o->Destroying())
                return false;
    return true;
}

void TControl::Dispatch(const std::function<void()>& fn)
{
    if (!CanDispatch())
        return;
    Application->Guarded(this, fn);
}

// ---- TWinControl ---------------------------------------------------------
TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl()
{
    BeginDestroy();
    if (Handle())
        Handle()->blockSignals(true);
    // Children go before our widget, so Qt never deletes their widgets.
    while (!controls_.empty()) {
        TControl* c = controls_.back();
        delete c;
    }
}

void TWinControl::InsertControl(TControl* c) { controls_.push_back(c); }

void TWinControl::RemoveControl(TControl* c)
{
    controls_.erase(std::remove(controls_.begin(), controls_.end(), c), controls_.end());
    if (c->align_ != alNone && !Destroying())
        AlignControls();
}

int TWinControl::ClientWidth() const
{
    QWidget* w = ClientWidget();
    return w && w != Handle() ? w->width() : Width();
}

int TWinControl::ClientHeight() const
{
    QWidget* w = ClientWidget();
    return w && w != Handle() ? w->height() : Height();
}

void TWinControl::SetTabStop(bool v)
{
    tabStop_ = v;
    if (Handle())
        Handle()->setFocusPolicy(v ? Qt::StrongFocus : Qt::NoFocus);
}

void TWinControl::SetTabOrder(int v)
{
    tabOrder_ = v;
    if (Parent())
        Parent()->ApplyTabOrder();
}

void TWinControl::ApplyTabOrder()
{
    std::vector<TWinControl*> list;
    for (TControl* c : controls_)
        if (auto w = dynamic_cast<TWinControl*>(c); w && w->tabOrder_ >= 0)
            list.push_back(w);
    std::stable_sort(list.begin(), list.end(), [](auto a, auto b) { return a->tabOrder_ < b->tabOrder_; });
    for (size_t i = 1; i < list.size(); ++i)
        QWidget::setTabOrder(list[i - 1]->Handle(), list[i]->Handle());
}

bool TWinControl::CanFocus() const
{
    for (const TControl* c = this; c; c = c->Parent())
        if (!c->Visible() || !c->Enabled())
            return false;
    return true;
}

bool TWinControl::Focused() const { return Handle() && Handle()->hasFocus(); }

void TWinControl::SetFocus()
{
    if (Handle())
        Handle()->setFocus(Qt::OtherFocusReason);
}

void TWinControl::KeyDown(Word& Key, TShiftState Shift) { if (OnKeyDown) OnKeyDown(this, Key, Shift); }
void TWinControl::KeyPress(QChar& Key) { if (OnKeyPress) OnKeyPress(this, Key); }
void TWinControl::KeyUp(Word& Key, TShiftState Shift) { if (OnKeyUp) OnKeyUp(this, Key, Shift); }
void TWinControl::DoEnter() { if (OnEnter) OnEnter(this); }
void TWinControl::DoExit() { if (OnExit) OnExit(this); }

void TWinControl::Resize()
{
    AlignControls();
    TControl::Resize();
}

void TWinControl::Loaded()
{
    TControl::Loaded();
    ApplyTabOrder();
    AlignControls();
}

void TWinControl::FontChanged()
{
    TControl::FontChanged();
    for (TControl* c : controls_)
        if (c->parentFont_) {
            c->fontFromParent_ = true;
            c->font_.Assign(Font());
            c->fontFromParent_ = false;
        }
}

void TWinControl::ColorChanged()
{
    TControl::ColorChanged();
    for (TControl* c : controls_)
        if (c->parentColor_ && c->color_ != Color()) {
            c->color_ = Color();
            c->ColorChanged();
        }
}

void TWinControl::AlignControls()
{
    if (aligning_ || Destroying())
        return;
    aligning_ = true;
    TRect area = AdjustClientRect();
    int l = area.Left, t = area.Top, r = area.Right, b = area.Bottom;
    auto pick = [this](TAlign a) {
        std::vector<TControl*> v;
        for (TControl* c : controls_)
            if (c->align_ == a && c->visible_)
                v.push_back(c);
        return v;
    };
    auto tops = pick(alTop);
    std::stable_sort(tops.begin(), tops.end(), [](auto x, auto y) { return x->top_ < y->top_; });
    for (TControl* c : tops) {
        c->SetBounds(l, t, r - l, c->height_);
        t += c->height_;
    }
    auto bottoms = pick(alBottom);
    std::stable_sort(bottoms.begin(), bottoms.end(), [](auto x, auto y) { return x->top_ > y->top_; });
    for (TControl* c : bottoms) {
        b -= c->height_;
        c->SetBounds(l, b, r - l, c->height_);
    }
    auto lefts = pick(alLeft);
    std::stable_sort(lefts.begin(), lefts.end(), [](auto x, auto y) { return x->left_ < y->left_; });
    for (TControl* c : lefts) {
        c->SetBounds(l, t, c->width_, std::max(0, b - t));
        l += c->width_;
    }
    auto rights = pick(alRight);
    std::stable_sort(rights.begin(), rights.end(), [](auto x, auto y) { return x->left_ > y->left_; });
    for (TControl* c : rights) {
        r -= c->width_;
        c->SetBounds(r, t, c->width_, std::max(0, b - t));
    }
    for (TControl* c : pick(alClient))
        c->SetBounds(l, t, std::max(0, r - l), std::max(0, b - t));
    // Anchored to the right or bottom: keep the remembered distances.
    for (TControl* c : controls_) {
        if (c->align_ != alNone)
            continue;
        TAnchors a = c->anchors_;
        int nl = c->left_, nt = c->top_, nw = c->width_, nh = c->height_;
        if (a.Contains(akRight)) {
            if (a.Contains(akLeft))
                nw = std::max(0, ClientWidth() - c->anchorRight_ - nl);
            else
                nl = ClientWidth() - c->anchorRight_ - nw;
        }
        if (a.Contains(akBottom)) {
            if (a.Contains(akTop))
                nh = std::max(0, ClientHeight() - c->anchorBottom_ - nt);
            else
                nt = ClientHeight() - c->anchorBottom_ - nh;
        }
        c->SetBounds(nl, nt, nw, nh);
    }
    aligning_ = false;
}

// ---- painted controls ----------------------------------------------------
TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner)
{
    Handle()->setAutoFillBackground(true);
}

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner)
{
    Handle()->setAutoFillBackground(false);
    Handle()->setFocusPolicy(Qt::NoFocus);
}
