#pragma once
// The automatic slide show in place of the screen saver: while the option
// "AutoSlideShowAktiv" is on, the desktop's screen saver (and the lock that
// comes with it) is held off, and after "AutoSlideShowTime" minutes without
// input the main window's slide show starts instead; the main window does
// not minimise then. The saver is let run again when the option goes off or
// the program ends. It starts only while the main window itself is the
// active window (not while a dialog or another window of the program, such
// as the record view or the floating thumbnail, is active) and no command
// of the main window runs.

#include "platform/ui/screen_saver.h"

#include <QObject>
#include <QString>

#include <functional>

class QTimer;
class QWidget;
class TMainForm;

struct TAutoSlideShowAnbindung {
    QWidget* Fenster = nullptr;          // the main window
    std::function<bool()> Aktiv;         // "AutoSlideShowAktiv"
    std::function<int()> Minuten;        // "AutoSlideShowTime", 1..60
    std::function<void()> Starten;       // the main window's slide show
    std::function<bool()> BefehlLaeuft;  // a command of the main window runs
};

// The binding to the program's main window: its settings, its slide show
// and its running commands.
TAutoSlideShowAnbindung HauptfensterAnbindung(TMainForm* form);

class TAutoSlideShow : public QObject {
    Q_OBJECT
public:
    // `schoner`: what holds off the saver and measures the idle time; the
    // desktop's (DesktopScreenSaver) when it brings no inhibitor or clock.
    explicit TAutoSlideShow(TAutoSlideShowAnbindung anbindung, TDesktopScreenSaver schoner = {},
                            QObject* parent = nullptr);
    // Lets the desktop's saver run again.
    ~TAutoSlideShow() override;

    // The timer's work, every few seconds: SchonerAbgleichen, then
    // RuhezeitPruefen.
    void Pruefen();
    // Holds the saver off while the option is on and lets it run again when
    // the option went off. A refused hold is not asked again until the
    // option goes off and on.
    void SchonerAbgleichen();
    // Checks the idle time against the option's minutes: once per idle
    // period it starts the slide show (RuhezeitErreicht).
    void RuhezeitPruefen();
    // The idle time is reached: starts the slide show when the option is on,
    // the main window is the active window and no command runs.
    void RuhezeitErreicht();

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TAutoSlideShowAnbindung a_;
    TDesktopScreenSaver schoner_;
    QTimer* timer_ = nullptr;
    bool gewollt_ = false;    // the option was on at the last comparison
    bool gestartet_ = false;  // started in this idle period
};
