#include "app/auto_slide_show.h"

#include <QApplication>
#include <QStringList>

#include <algorithm>
#include <QEvent>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#ifdef LUMADEX_HAVE_XSS
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>
#endif
#ifdef LUMADEX_HAVE_DBUS
#include <QDBusConnection>
#endif

// The X server connection of the screen-saver extension: its own display,
// so its events never mix with the toolkit's.
struct TAutoSlideShow::TX {
#ifdef LUMADEX_HAVE_XSS
    Display* Anzeige = nullptr;
    int EreignisBasis = 0;
    XScreenSaverInfo* Info = nullptr;
    ~TX()
    {
        if (Info)
            XFree(Info);
        if (Anzeige)
            XCloseDisplay(Anzeige);
    }
#endif
};

TAutoSlideShow::TAutoSlideShow(TAutoSlideShowAnbindung anbindung, QObject* parent)
    : QObject(parent), a_(std::move(anbindung)), x_(std::make_unique<TX>())
{
#ifdef LUMADEX_HAVE_XSS
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        int fehlerBasis = 0;
        x_->Anzeige = XOpenDisplay(nullptr);
        if (x_->Anzeige && XScreenSaverQueryExtension(x_->Anzeige, &x_->EreignisBasis, &fehlerBasis)) {
            x_->Info = XScreenSaverAllocInfo();
            XScreenSaverSelectInput(x_->Anzeige, DefaultRootWindow(x_->Anzeige), ScreenSaverNotifyMask);
            XFlush(x_->Anzeige);
            xNotifier_ = new QSocketNotifier(ConnectionNumber(x_->Anzeige), QSocketNotifier::Read, this);
            connect(xNotifier_, &QSocketNotifier::activated, this, [this] { XEreignisseLesen(); });
            RuheMs = [this]() -> qint64 {
                if (!x_->Info || !XScreenSaverQueryInfo(x_->Anzeige, DefaultRootWindow(x_->Anzeige), x_->Info))
                    return -1;
                return qint64(x_->Info->idle);
            };
        } else if (x_->Anzeige) {
            XCloseDisplay(x_->Anzeige);
            x_->Anzeige = nullptr;
        }
    }
#endif
#ifdef LUMADEX_HAVE_DBUS
    QDBusConnection bus = QDBusConnection::sessionBus();
    dbus_ = bus.isConnected() &&
            bus.connect(QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/org/freedesktop/ScreenSaver"),
                        QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("ActiveChanged"), this,
                        SLOT(SchonerAktivGeaendert(bool)));
#endif
    if (!RuheMs)
        RuheMs = [] { return qint64(-1); };
    timer_ = new QTimer(this);
    timer_->setInterval(5000);
    connect(timer_, &QTimer::timeout, this, [this] { RuhezeitPruefen(); });
    if (x_ && xNotifier_)
        timer_->start();
    if (a_.Fenster)
        a_.Fenster->installEventFilter(this);
}

TAutoSlideShow::~TAutoSlideShow() = default;

QString TAutoSlideShow::Quellen() const
{
    QStringList q;
    if (xNotifier_)
        q << QStringLiteral("MIT-SCREEN-SAVER");
    if (dbus_)
        q << QStringLiteral("D-Bus");
    return q.join(QStringLiteral(" + "));
}

void TAutoSlideShow::SchonerAktivGeaendert(bool aktiv)
{
    if (aktiv)
        BildschirmschonerGestartet();
}

void TAutoSlideShow::XEreignisseLesen()
{
#ifdef LUMADEX_HAVE_XSS
    while (x_->Anzeige && XPending(x_->Anzeige) > 0) {
        XEvent e;
        XNextEvent(x_->Anzeige, &e);
        if (e.type == x_->EreignisBasis + ScreenSaverNotify &&
            reinterpret_cast<XScreenSaverNotifyEvent*>(&e)->state == ScreenSaverOn)
            BildschirmschonerGestartet();
    }
#endif
}

void TAutoSlideShow::BildschirmschonerGestartet()
{
    if (!a_.Aktiv || !a_.Aktiv() || !a_.Starten || !a_.Fenster || !a_.Fenster->isVisible())
        return;
    // Only the main window itself starts it: not while a dialog or the
    // slide show is open.
    if (QApplication::activeModalWidget())
        return;
    gestartet_ = true;
    a_.Starten();
}

void TAutoSlideShow::RuhezeitPruefen()
{
    const qint64 ruhe = RuheMs ? RuheMs() : -1;
    if (ruhe < 0)
        return;
    const int minuten = a_.Minuten ? std::clamp(a_.Minuten(), 1, 60) : 1;
    if (ruhe < qint64(minuten) * 60000) {
        gestartet_ = false;  // the user was active: a new idle period
        return;
    }
    if (!gestartet_)
        BildschirmschonerGestartet();
}

bool TAutoSlideShow::eventFilter(QObject* watched, QEvent* event)
{
    // While the option is on the window does not minimise: it is shown
    // normally again at once.
    if (watched == a_.Fenster && event->type() == QEvent::WindowStateChange && a_.Aktiv && a_.Aktiv() &&
        (a_.Fenster->windowState() & Qt::WindowMinimized)) {
        QWidget* fenster = a_.Fenster;
        QTimer::singleShot(0, fenster, [fenster] {
            fenster->setWindowState(fenster->windowState() & ~Qt::WindowMinimized);
            fenster->show();
        });
    }
    return QObject::eventFilter(watched, event);
}
