#pragma once
// The desktop's screen saver as a program sees it: it can be held off while
// the program wants the screen for itself, and the time since the user's
// last input can be read.
//
// Holding off: the desktop's org.freedesktop.ScreenSaver D-Bus service
// (Inhibit/UnInhibit; desktops that lock the screen with their saver keep
// the lock off too) and the X server's own saver (XScreenSaverSuspend of the
// MIT-SCREEN-SAVER extension). Idle time: the X server's count
// (XScreenSaverQueryInfo), else the D-Bus service's GetSessionIdleTime where
// it answers, else the program's own input watch, which only sees the input
// to the program's windows (Wayland without the service).

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// Holds the desktop's screen saver off.
class TScreenSaverInhibitor {
public:
    virtual ~TScreenSaverInhibitor() = default;
    // Holds the saver off, `reason` is shown by desktops that list who holds
    // it; true when it is held (again true while held already).
    virtual bool Inhibit(const QString& reason) = 0;
    // Lets the saver run again; nothing when it is not held.
    virtual void UnInhibit() = 0;
    virtual bool Inhibited() const = 0;
};

// The time since the user's last input.
class TIdleClock {
public:
    virtual ~TIdleClock() = default;
    // Milliseconds since the last input; -1 when this clock cannot tell.
    virtual int64_t IdleMs() = 0;
};

// The org.freedesktop.ScreenSaver service on a D-Bus connection (the
// session bus by default).
class TDBusScreenSaver : public TScreenSaverInhibitor, public TIdleClock {
public:
    explicit TDBusScreenSaver(QDBusConnection bus = QDBusConnection::sessionBus(),
                              QString application = QStringLiteral("QV-Lumadex"));
    ~TDBusScreenSaver() override;
    // The service is on the bus.
    bool Available() const;
    bool Inhibit(const QString& reason) override;
    void UnInhibit() override;
    bool Inhibited() const override { return cookie_ != 0; }
    // GetSessionIdleTime (seconds) in ms; -1 when the service does not
    // answer it (some desktops refuse the call), and from then on.
    int64_t IdleMs() override;

private:
    QDBusConnection bus_;
    QString application_;
    uint32_t cookie_ = 0;
    bool idleRefused_ = false;
};

// The X server's MIT-SCREEN-SAVER extension on its own connection to the
// display (null: $DISPLAY), so its requests never mix with the toolkit's.
class TXScreenSaver : public TScreenSaverInhibitor, public TIdleClock {
public:
    explicit TXScreenSaver(const char* display = nullptr);
    ~TXScreenSaver() override;
    // The display is open and has the extension.
    bool Available() const;
    bool Inhibit(const QString& reason) override;
    void UnInhibit() override;
    bool Inhibited() const override { return suspended_; }
    int64_t IdleMs() override;

private:
    struct TX;
    std::unique_ptr<TX> x_;
    bool suspended_ = false;
};

// The program's own input watch: an application event filter that notes the
// time of every key, mouse, wheel, touch and tablet event.
class TInputIdleClock : public QObject, public TIdleClock {
public:
    // `now`: a monotonic clock in ms (tests give a fake one).
    explicit TInputIdleClock(std::function<int64_t()> now = {});
    ~TInputIdleClock() override;
    int64_t IdleMs() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The kinds of events that count as the user's input.
    static bool IsInput(int eventType);

private:
    std::function<int64_t()> now_;
    QElapsedTimer timer_;
    int64_t last_ = 0;
};

// Several inhibitors held and released together.
class TInhibitorSet : public TScreenSaverInhibitor {
public:
    void Add(std::shared_ptr<TScreenSaverInhibitor> inhibitor);
    // True when any of them holds the saver off.
    bool Inhibit(const QString& reason) override;
    void UnInhibit() override;
    bool Inhibited() const override;

private:
    std::vector<std::shared_ptr<TScreenSaverInhibitor>> list_;
};

// Several clocks asked in turn: the first that can tell answers.
class TIdleClockChain : public TIdleClock {
public:
    void Add(std::shared_ptr<TIdleClock> clock);
    int64_t IdleMs() override;

private:
    std::vector<std::shared_ptr<TIdleClock>> list_;
};

// The desktop's screen saver as this session offers it.
struct TDesktopScreenSaver {
    std::unique_ptr<TScreenSaverInhibitor> Inhibitor;
    std::unique_ptr<TIdleClock> Clock;
};
// The X server's extension when the program runs on X (the "xcb"
// platform), the D-Bus service when it is on the session bus; the clock
// ends with the program's own input watch.
TDesktopScreenSaver DesktopScreenSaver();
