#pragma once
// The automatic slide show: while the option "AutoSlideShowAktiv" is on, the
// start of the screen saver starts the main window's slide show instead, and
// the main window does not minimise. The desktop tells of the screen saver
// through the X server's MIT-SCREEN-SAVER extension (its notify event, and
// the idle time it counts, measured against "AutoSlideShowTime" minutes) or,
// on desktops that run it, the org.freedesktop.ScreenSaver D-Bus service
// (its ActiveChanged signal). Where neither exists nothing starts it.

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QSocketNotifier;
class QTimer;
class QWidget;

struct TAutoSlideShowAnbindung {
    QWidget* Fenster = nullptr;          // the main window
    std::function<bool()> Aktiv;         // "AutoSlideShowAktiv"
    std::function<int()> Minuten;        // "AutoSlideShowTime", 1..60
    std::function<void()> Starten;       // the main window's slide show
};

class TAutoSlideShow : public QObject {
    Q_OBJECT
public:
    explicit TAutoSlideShow(TAutoSlideShowAnbindung anbindung, QObject* parent = nullptr);
    ~TAutoSlideShow() override;

    // What tells of the screen saver here: "MIT-SCREEN-SAVER", "D-Bus" (or
    // both, joined by " + "); empty when the desktop offers neither.
    QString Quellen() const;
    // The screen saver started: starts the slide show when the option is on
    // and the main window is not busy with a dialog.
    void BildschirmschonerGestartet();
    // Checks the desktop's idle time against the option's minutes; the
    // timer calls it, tests too.
    void RuhezeitPruefen();
    // The idle time of the desktop in milliseconds, -1 when unknown; the X
    // server's by default.
    std::function<qint64()> RuheMs;

    bool eventFilter(QObject* watched, QEvent* event) override;

public slots:
    // The D-Bus service's ActiveChanged signal.
    void SchonerAktivGeaendert(bool aktiv);

private:
    void XEreignisseLesen();

    TAutoSlideShowAnbindung a_;
    struct TX;
    std::unique_ptr<TX> x_;
    QSocketNotifier* xNotifier_ = nullptr;
    QTimer* timer_ = nullptr;
    bool dbus_ = false;
    bool gestartet_ = false;  // started in this idle period
};
