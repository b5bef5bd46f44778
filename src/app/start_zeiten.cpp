#include "app/start_zeiten.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <ctime>
#include <utility>
#include <vector>

namespace {

long long g_qt = 0;
const bool g_messen = !qEnvironmentVariableIsEmpty("LUMADEX_STARTZEITEN");
std::vector<std::pair<const char*, long long>> g_marken;

// The paint event reaches the window first, its children paint in the same
// pass of the backing store, and a zero timer posted then runs after the
// whole pass.
class TErsterPaint : public QObject {
public:
    TErsterPaint(QWidget* fenster, TNachErstemPaint was) : QObject(fenster), was_(std::move(was))
    {
        const QByteArray wert = qgetenv("LUMADEX_STARTZEITEN");
        messen_ = !wert.isEmpty();
        ende_ = wert == "ende";
        QTimer::singleShot(was_.SpaetestensMs, this, [this] { Fertig(); });
        // The user's first input, to any window, waits for the work after
        // the paint: no command runs before it is done.
        QCoreApplication::instance()->installEventFilter(this);
    }

    ~TErsterPaint() override
    {
        if (QCoreApplication::instance())
            QCoreApplication::instance()->removeEventFilter(this);
    }

    bool eventFilter(QObject* obj, QEvent* ev) override
    {
        if (!fertig_ && Eingabe(ev->type())) {
            Fertig();
            return QObject::eventFilter(obj, ev);
        }
        if (ev->type() == QEvent::Paint && !gesehen_ && obj == parent()) {
            gesehen_ = true;
            QTimer::singleShot(0, this, [this] { Fertig(); });
        }
        return QObject::eventFilter(obj, ev);
    }

private:
    static bool Eingabe(QEvent::Type typ)
    {
        switch (typ) {
        case QEvent::KeyPress:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::DragEnter:
        case QEvent::Drop:
        case QEvent::TouchBegin:
        case QEvent::TabletPress:
        case QEvent::Close:
            return true;
        default:
            return false;
        }
    }

    void Fertig()
    {
        if (fertig_)
            return;
        fertig_ = true;
        QCoreApplication::instance()->removeEventFilter(this);
        if (messen_) {
            const long long fenster = StartzeitJetzt();
            StartzeitMarke("gemalt");
            QString schritte;
            long long vorher = g_qt;
            for (const auto& [name, zeit] : g_marken) {
                schritte += QStringLiteral("%1%2:%3").arg(schritte.isEmpty() ? "" : ",").arg(QLatin1String(name))
                                .arg(double(zeit - vorher) / 1e6, 0, 'f', 1);
                vorher = zeit;
            }
            std::fprintf(stderr, "lumadex-start qt=%lld fenster=%lld schritte=%s\n", g_qt, fenster,
                         qUtf8Printable(schritte));
            if (was_.Beschreibung)
                std::fprintf(stderr, "lumadex-fenster %s\n", qUtf8Printable(was_.Beschreibung()));
            std::fflush(stderr);
        }
        if (was_.Danach)
            was_.Danach();
        if (!messen_)
            return;
        // What the window shows once the work after the paint is done and
        // the messages it caused went through: the same as at the paint.
        QTimer::singleShot(0, this, [this] {
            if (was_.Beschreibung) {
                std::fprintf(stderr, "lumadex-fenster-danach %s\n", qUtf8Printable(was_.Beschreibung()));
                std::fflush(stderr);
            }
            if (ende_ && was_.Beenden)
                was_.Beenden();
        });
    }

    TNachErstemPaint was_;
    bool messen_ = false;
    bool ende_ = false;
    bool gesehen_ = false;
    bool fertig_ = false;
};

}  // namespace

long long StartzeitJetzt()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (long long)t.tv_sec * 1000000000LL + t.tv_nsec;
}

void StartzeitQtNotieren() { g_qt = StartzeitJetzt(); }

void StartzeitMarke(const char* name)
{
    if (g_messen)
        g_marken.emplace_back(name, StartzeitJetzt());
}

void NachErstemPaint(QWidget* fenster, TNachErstemPaint was)
{
    if (!fenster)
        return;
    fenster->installEventFilter(new TErsterPaint(fenster, std::move(was)));
}
