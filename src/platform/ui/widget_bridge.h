#pragma once
// The Qt side of a control: the widget that paints a self-painted control
// and the event filter that turns Qt input into the framework's events.

#include <QObject>
#include <QWidget>

class TControl;
class QKeyEvent;

// Widget of a control that paints itself: paint events call its Paint.
class TPaintHost : public QWidget {
public:
    explicit TPaintHost(TControl* control, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    TControl* control_;
};

// Event filter on a control's widget. Input reaches the control's handlers
// first; then the widget's own handling runs; no key or mouse event goes on
// to a parent control, as the framework delivers input to one window only.
class TControlBridge : public QObject {
public:
    explicit TControlBridge(TControl* control);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool Key(QObject* watched, QKeyEvent* e);
    bool DeliverNative(QObject* watched, QEvent* e);
    TControl* control_;
    bool clickArmed_ = false;
    bool nativeRelease_ = false;  // a release is being handed to the widget itself
};

// The application's style learns the hint timing of Application: the pause
// before a hint shows (HintPause) is Qt's tooltip wake-up delay. Installed
// once a QApplication exists (the first control does it).
void InstallHintStyle();
// How long a hint stays (HintHidePause) as QToolTip's display time.
int HintDisplayTime();
