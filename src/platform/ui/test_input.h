#pragma once
// Input for tests (header only): key strokes and mouse clicks delivered to a
// control's widget through Qt, as a user's would arrive.

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include "platform/ui/control.h"

namespace lxui_test {

// Press and release of one key; text is what the key types ("a", "\r", "\x1b").
inline void SendKey(QWidget* w, int qtKey, const QString& text = {}, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QKeyEvent down(QEvent::KeyPress, qtKey, mods, text);
    QApplication::sendEvent(w, &down);
    QKeyEvent up(QEvent::KeyRelease, qtKey, mods, text);
    QApplication::sendEvent(w, &up);
}

inline void SendKeyDown(QWidget* w, int qtKey, const QString& text = {})
{
    QKeyEvent down(QEvent::KeyPress, qtKey, Qt::NoModifier, text);
    QApplication::sendEvent(w, &down);
}

inline void SendKeyUp(QWidget* w, int qtKey, const QString& text = {})
{
    QKeyEvent up(QEvent::KeyRelease, qtKey, Qt::NoModifier, text);
    QApplication::sendEvent(w, &up);
}

inline void SendMouse(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton button = Qt::LeftButton)
{
    QPointF global = w->mapToGlobal(QPointF(p));
    Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease || type == QEvent::MouseMove ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent e(type, QPointF(p), global, type == QEvent::MouseMove ? Qt::NoButton : button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// A left click: press and release at p (widget coordinates).
inline void SendClick(QWidget* w, QPoint p)
{
    SendMouse(w, QEvent::MouseButtonPress, p);
    SendMouse(w, QEvent::MouseButtonRelease, p);
}

inline void SendEnter(QWidget* w)
{
    QEnterEvent e(QPointF(1, 1), w->mapToGlobal(QPointF(1, 1)), w->mapToGlobal(QPointF(1, 1)));
    QApplication::sendEvent(w, &e);
}

inline void SendLeave(QWidget* w)
{
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(w, &e);
}

}  // namespace lxui_test
