#include "platform/ui/widget_bridge.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPointer>
#include <QGuiApplication>
#include <QIcon>
#include <QImageReader>
#include <QProxyStyle>
#include <QStyleOption>
#include <QToolTip>
#include <QWheelEvent>
#include <QWindowStateChangeEvent>
#include <algorithm>
#include <vector>

#include "platform/ui/control.h"
#include "platform/ui/forms.h"
#include "platform/ui/menus.h"

TPaintHost::TPaintHost(TControl* control, QWidget* parent) : QWidget(parent), control_(control)
{
    setMouseTracking(true);
}

void TPaintHost::paintEvent(QPaintEvent*)
{
    TControl* c = TControl::FromWidget(this);
    if (!c)
        c = control_;
    TCanvas* canvas = c ? c->Canvas() : nullptr;
    if (!canvas || !c->CanDispatch())
        return;
    canvas->BeginOn(this);
    c->Dispatch([c] { c->Paint(); });
    canvas->Release();
    canvas->BeginOn(nullptr);
}

namespace {

// Qt's own pictures of a few standard icons, PNG files in Qt's resources,
// read as PNG. Qt reads them by asking every image-format plug-in whether it
// knows the file, which loads all the plug-ins and their libraries (some
// 10 ms when the first menu bar is made); the picture is the same. Null when
// a file is not there (another Qt), then Qt's own way serves.
QIcon QtPngIcon(QStyle::StandardPixmap icon, bool rechtsNachLinks)
{
    struct TDateien {
        const char* Stamm;
        int Groessen[3];
        QIcon::State Zustand;
    };
    std::vector<TDateien> dateien;
    switch (icon) {
    case QStyle::SP_ToolBarHorizontalExtensionButton:
        dateien = {{rechtsNachLinks ? "toolbar-ext-h-rtl-" : "toolbar-ext-h-", {8, 16, 32}, QIcon::Off}};
        break;
    case QStyle::SP_ToolBarVerticalExtensionButton:
        dateien = {{"toolbar-ext-v-", {5, 10, 20}, QIcon::Off}};
        break;
    case QStyle::SP_DirIcon:
        dateien = {{"dirclosed-", {16, 32, 128}, QIcon::Off}, {"diropen-", {16, 32, 128}, QIcon::On}};
        break;
    default:
        return {};
    }
    QIcon ergebnis;
    for (const TDateien& d : dateien)
        for (int groesse : d.Groessen) {
            QImageReader leser(QStringLiteral(":/qt-project.org/styles/commonstyle/images/%1%2.png")
                                   .arg(QLatin1String(d.Stamm))
                                   .arg(groesse),
                               "png");
            leser.setAutoDetectImageFormat(false);
            const QImage bild = leser.read();
            if (bild.isNull())
                return {};
            ergebnis.addPixmap(QPixmap::fromImage(bild), QIcon::Normal, d.Zustand);
        }
    return ergebnis;
}

class THintStyle : public QProxyStyle {
public:
    explicit THintStyle(const QString& base) : QProxyStyle(base) {}
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_ToolTip_WakeUpDelay)
            return std::max(0, Application->HintPause);
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const override
    {
        // A desktop icon theme supplies its own pictures through Qt's way.
        if (QIcon::themeName().isEmpty() && baseStyle()->name() == QLatin1String("fusion")) {
            const bool rtl = (option ? option->direction : widget ? widget->layoutDirection()
                                                                   : QGuiApplication::layoutDirection()) ==
                             Qt::RightToLeft;
            const QIcon png = QtPngIcon(icon, rtl);
            if (!png.isNull())
                return png;
        }
        return QProxyStyle::standardIcon(icon, option, widget);
    }
};

}  // namespace

void InstallHintStyle()
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    if (dynamic_cast<THintStyle*>(QApplication::style()))
        return;
    // Same look as before: the proxy wraps a fresh style of the same kind.
    QApplication::setStyle(new THintStyle(QApplication::style()->name()));
}

int HintDisplayTime()
{
    // Qt's own display time (from the text's length) where none is set.
    return Application->HintHidePause > 0 ? Application->HintHidePause : -1;
}

TControlBridge::TControlBridge(TControl* control) : control_(control) { InstallHintStyle(); }

namespace {

TMouseButton ButtonOf(Qt::MouseButton b)
{
    switch (b) {
    case Qt::RightButton: return mbRight;
    case Qt::MiddleButton: return mbMiddle;
    default: return mbLeft;
    }
}

}  // namespace

namespace {

// A key event the framework has dispatched already: it goes on to the
// widgets' own handling (and Qt's propagation to parents) untouched.
class TDispatchedKeyEvent : public QKeyEvent {
public:
    TDispatchedKeyEvent(const QKeyEvent& e, const QString& text)
        : QKeyEvent(e.type(), e.key(), e.modifiers(), text, e.isAutoRepeat(), ushort(e.count()))
    {
    }
};

}  // namespace

bool TControlBridge::DeliverNative(QObject* watched, QEvent* e)
{
    // A painted control takes its input; a Qt widget handles it as usual
    // (WA_NoMousePropagation keeps it from the parents).
    if (dynamic_cast<TPaintHost*>(watched)) {
        e->accept();
        return true;
    }
    return false;
}

bool TControlBridge::eventFilter(QObject* watched, QEvent* e)
{
    if (dynamic_cast<TDispatchedKeyEvent*>(e))
        return false;
    if (nativeRelease_ && e->type() == QEvent::MouseButtonRelease)
        return false;  // the widget's own turn, see below
    TControl* c = control_;
    if (!c->CanDispatch())
        return false;
    if (auto form = dynamic_cast<TCustomForm*>(c)) {
        bool handled = false;
        form->Dispatch([&] { handled = form->FormEvent(watched, e); });
        if (handled)
            return true;
    }
    auto* w = static_cast<QWidget*>(watched);
    QWidget* origin = c->Handle();
    if (auto wc = dynamic_cast<TWinControl*>(c))
        origin = wc->ClientWidget();
    auto local = [&](QMouseEvent* me) { return origin->mapFromGlobal(w->mapToGlobal(me->position().toPoint())); };
    switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* me = static_cast<QMouseEvent*>(e);
        if (!c->Enabled())
            return true;
        QPoint p = local(me);
        TShiftState shift = ShiftFromQt(me->modifiers(), me->buttons());
        if (e->type() == QEvent::MouseButtonDblClick) {
            shift.Include(ssDouble);
            c->Dispatch([&] { c->DblClick(); });
        }
        if (me->button() == Qt::LeftButton)
            clickArmed_ = true;
        if (me->button() == Qt::LeftButton && c->DragMode == dmAutomatic && e->type() == QEvent::MouseButtonPress) {
            // An automatic drag starts instead of the mouse-down event.
            c->StartDrag(false, -1, w->mapToGlobal(me->position().toPoint()));
            return DeliverNative(watched, e);
        }
        c->Dispatch([&] { c->MouseDown(ButtonOf(me->button()), shift, p.x(), p.y()); });
        if (!c->CanDispatch())
            return true;
        return DeliverNative(watched, e);
    }
    case QEvent::MouseButtonRelease: {
        auto* me = static_cast<QMouseEvent*>(e);
        if (!c->Enabled())
            return true;
        QPoint p = local(me);
        TShiftState shift = ShiftFromQt(me->modifiers(), me->buttons());
        bool click = clickArmed_ && me->button() == Qt::LeftButton && dynamic_cast<TPaintHost*>(watched) &&
                     w->rect().contains(me->position().toPoint());
        if (me->button() == Qt::LeftButton)
            clickArmed_ = false;
        if (me->button() == Qt::LeftButton && c->Dragging()) {
            c->DragMouseUp(w->mapToGlobal(me->position().toPoint()));
            return DeliverNative(watched, e);
        }
        if (me->button() == Qt::LeftButton)
            c->DragMouseUp(w->mapToGlobal(me->position().toPoint()));  // a drag that never started
        if (!dynamic_cast<TPaintHost*>(watched)) {
            // A Qt widget acts on the release first (a check box toggles, a
            // radio button checks) and the mouse-up is reported after, as a
            // native control does: the handler sees the control's new state.
            QPointer<TControlBridge> self(this);
            nativeRelease_ = true;
            QCoreApplication::sendEvent(watched, e);
            if (!self)
                return true;
            nativeRelease_ = false;
            if (c->CanDispatch())
                c->Dispatch([&] { c->MouseUp(ButtonOf(me->button()), shift, p.x(), p.y()); });
            return true;
        }
        c->Dispatch([&] { c->MouseUp(ButtonOf(me->button()), shift, p.x(), p.y()); });
        if (click && c->CanDispatch())
            c->Dispatch([&] { c->Click(); });
        if (!c->CanDispatch())
            return true;
        return DeliverNative(watched, e);
    }
    case QEvent::MouseMove: {
        auto* me = static_cast<QMouseEvent*>(e);
        QPoint p = local(me);
        if (me->buttons() & Qt::LeftButton) {
            c->DragMouseMove(w->mapToGlobal(me->position().toPoint()));
            if (c->Dragging())
                return DeliverNative(watched, e);
        }
        c->Dispatch([&] { c->MouseMove(ShiftFromQt(me->modifiers(), me->buttons()), p.x(), p.y()); });
        if (!c->CanDispatch())
            return true;
        return DeliverNative(watched, e);
    }
    case QEvent::Wheel: {
        auto* we = static_cast<QWheelEvent*>(e);
        bool handled = false;
        QPoint p = we->globalPosition().toPoint();
        c->Dispatch([&] {
            handled = c->DoMouseWheel(ShiftFromQt(we->modifiers(), we->buttons()), we->angleDelta().y(), Point(p.x(), p.y()));
        });
        return handled;
    }
    case QEvent::Resize:
        if (watched == c->Handle())
            c->Dispatch([c] { c->WidgetResized(); });
        return false;
    case QEvent::Enter:
        if (watched == c->Handle())
            Application->SetHint(GetLongHint(c->Hint()));
        c->Dispatch([&] { c->MouseEnter(); });
        return false;
    case QEvent::ToolTip: {
        auto* he = static_cast<QHelpEvent*>(e);
        THintInfo info;
        if (Application->ShowHintFor(c, c->ScreenToClient(Point(he->globalPos().x(), he->globalPos().y())), info))
            QToolTip::showText(QPoint(info.HintPos.X, info.HintPos.Y), info.HintStr, w, QRect(),
                               info.HideTimeout > 0 ? info.HideTimeout : HintDisplayTime());
        else
            QToolTip::hideText();
        return true;
    }
    case QEvent::Leave:
        c->Dispatch([&] { c->MouseLeave(); });
        return false;
    case QEvent::WindowStateChange:
        // The main window minimised or restored by the desktop is the
        // application minimised or restored.
        if (watched == c->Handle() && c == Application->MainForm) {
            const bool vorher = static_cast<QWindowStateChangeEvent*>(e)->oldState() & Qt::WindowMinimized;
            const bool jetzt = w->isMinimized();
            if (jetzt && !vorher && Application->OnMinimize)
                Application->Guarded(Application, [] { Application->OnMinimize(Application); });
            else if (!jetzt && vorher && Application->OnRestore)
                Application->Guarded(Application, [] { Application->OnRestore(Application); });
        }
        return false;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        return Key(watched, static_cast<QKeyEvent*>(e));
    case QEvent::FocusIn:
        if (auto wc = dynamic_cast<TWinControl*>(c); wc && watched == c->Handle())
            wc->Dispatch([wc] { wc->DoEnter(); });
        return false;
    case QEvent::FocusOut:
        if (auto wc = dynamic_cast<TWinControl*>(c); wc && watched == c->Handle())
            wc->Dispatch([wc] { wc->DoExit(); });
        return false;
    case QEvent::ContextMenu:
        if (TPopupMenu* pm = c->PopupMenu(); pm && pm->AutoPopup) {
            auto* ce = static_cast<QContextMenuEvent*>(e);
            pm->PopupComponent = c;
            pm->Popup(ce->globalPos().x(), ce->globalPos().y());
            return true;
        }
        return false;
    default:
        return false;
    }
}

bool TControlBridge::Key(QObject* watched, QKeyEvent* e)
{
    auto* wc = dynamic_cast<TWinControl*>(control_);
    if (!wc)
        return false;
    bool down = e->type() == QEvent::KeyPress;
    Word key = QtKeyToVirtualKey(e->key(), e->modifiers());
    TShiftState shift = ShiftFromQt(e->modifiers());
    TCustomForm* form = wc->ParentForm();
    bool preview = form && form != wc && form->KeyPreview;
    bool consumed = false;
    if (key != 0) {
        if (preview)
            form->Dispatch([&] { down ? form->KeyDown(key, shift) : form->KeyUp(key, shift); });
        if (key != 0 && wc->CanDispatch())
            wc->Dispatch([&] { down ? wc->KeyDown(key, shift) : wc->KeyUp(key, shift); });
        consumed = key == 0;
    }
    if (!wc->CanDispatch())
        return true;
    QString text = e->text();
    if (down && !consumed && !text.isEmpty() && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        QChar ch = text.at(0);
        if (preview)
            form->Dispatch([&] { form->KeyPress(ch); });
        if (!ch.isNull() && wc->CanDispatch())
            wc->Dispatch([&] { wc->KeyPress(ch); });
        if (!wc->CanDispatch())
            return true;
        if (ch.isNull())
            consumed = true;
        else
            text = QString(ch);
    }
    if (!consumed) {
        // The widget's own handling, and Qt's passing on to the parents,
        // with an event the bridges let through.
        TDispatchedKeyEvent copy(*e, text);
        copy.setAccepted(false);
        QCoreApplication::sendEvent(watched, &copy);
        if (down && form && !copy.isAccepted() && form->CanDispatch()) {
            if (key == VK_F1 && shift.Empty())
                form->Dispatch([&] { form->ContextHelp(wc); });
            else
                form->Dispatch([&] { form->DialogKey(key, shift); });
        }
    }
    e->accept();
    return true;
}
