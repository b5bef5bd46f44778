#include "platform/ui/screen_saver.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QEvent>
#include <QGuiApplication>

#include <algorithm>

namespace {

const QString kService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kPath = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString kInterface = QStringLiteral("org.freedesktop.ScreenSaver");
// A desktop that does not answer within this time is taken as absent; the
// calls run in the GUI thread.
constexpr int kTimeoutMs = 2000;

}  // namespace

// ---- D-Bus ------------------------------------------------------------------------------------

TDBusScreenSaver::TDBusScreenSaver(QDBusConnection bus, QString application)
    : bus_(std::move(bus)), application_(std::move(application))
{}

TDBusScreenSaver::~TDBusScreenSaver() { UnInhibit(); }

bool TDBusScreenSaver::Available() const
{
    return bus_.isConnected() && bus_.interface() && bus_.interface()->isServiceRegistered(kService).value();
}

bool TDBusScreenSaver::Inhibit(const QString& reason)
{
    if (cookie_ != 0)
        return true;
    if (!bus_.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Inhibit"));
    call << application_ << reason;
    const QDBusMessage reply = bus_.call(call, QDBus::Block, kTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    cookie_ = reply.arguments().constFirst().toUInt();
    // A cookie of 0 cannot be given back; the services count from 1.
    return cookie_ != 0;
}

void TDBusScreenSaver::UnInhibit()
{
    if (cookie_ == 0)
        return;
    if (bus_.isConnected()) {
        QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("UnInhibit"));
        call << cookie_;
        bus_.call(call, QDBus::Block, kTimeoutMs);
    }
    // Given back or not, the service drops it when the program leaves the bus.
    cookie_ = 0;
}

int64_t TDBusScreenSaver::IdleMs()
{
    if (idleRefused_ || !bus_.isConnected())
        return -1;
    const QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("GetSessionIdleTime"));
    const QDBusMessage reply = bus_.call(call, QDBus::Block, kTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        idleRefused_ = true;
        return -1;
    }
    return int64_t(reply.arguments().constFirst().toUInt()) * 1000;
}

// ---- the program's own input watch ------------------------------------------------------------

TInputIdleClock::TInputIdleClock(std::function<int64_t()> now) : now_(std::move(now))
{
    if (!now_) {
        timer_.start();
        now_ = [this] { return int64_t(timer_.elapsed()); };
    }
    last_ = now_();
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(this);
}

TInputIdleClock::~TInputIdleClock()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

int64_t TInputIdleClock::IdleMs() { return std::max<int64_t>(0, now_() - last_); }

bool TInputIdleClock::IsInput(int eventType)
{
    switch (eventType) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::HoverMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseMove:
        return true;
    default:
        return false;
    }
}

bool TInputIdleClock::eventFilter(QObject* watched, QEvent* event)
{
    if (IsInput(event->type()))
        last_ = now_();
    return QObject::eventFilter(watched, event);
}

// ---- sets and chains --------------------------------------------------------------------------

void TInhibitorSet::Add(std::shared_ptr<TScreenSaverInhibitor> inhibitor) { list_.push_back(std::move(inhibitor)); }

bool TInhibitorSet::Inhibit(const QString& reason)
{
    bool held = false;
    for (auto& i : list_)
        held = i->Inhibit(reason) || held;
    return held;
}

void TInhibitorSet::UnInhibit()
{
    for (auto& i : list_)
        i->UnInhibit();
}

bool TInhibitorSet::Inhibited() const
{
    for (const auto& i : list_)
        if (i->Inhibited())
            return true;
    return false;
}

void TIdleClockChain::Add(std::shared_ptr<TIdleClock> clock) { list_.push_back(std::move(clock)); }

int64_t TIdleClockChain::IdleMs()
{
    for (auto& c : list_)
        if (const int64_t ms = c->IdleMs(); ms >= 0)
            return ms;
    return -1;
}

// ---- the desktop ------------------------------------------------------------------------------

TDesktopScreenSaver DesktopScreenSaver()
{
    auto inhibitors = std::make_unique<TInhibitorSet>();
    auto clocks = std::make_unique<TIdleClockChain>();
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        if (auto x = std::make_shared<TXScreenSaver>(); x->Available()) {
            inhibitors->Add(x);
            clocks->Add(x);
        }
    }
    if (auto dbus = std::make_shared<TDBusScreenSaver>(); dbus->Available()) {
        inhibitors->Add(dbus);
        clocks->Add(dbus);
    }
    clocks->Add(std::make_unique<TInputIdleClock>());
    return {std::move(inhibitors), std::move(clocks)};
}
