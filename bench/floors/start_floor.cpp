// Floor of the program's start: a Qt application that opens the album named
// on the command line through the engine (table with its compound index, the
// first record in order 1) and shows an empty 800 x 600 main window. Once
// its first paint has ended it writes, as the program does with
// LUMADEX_STARTZEITEN,
//   "lumadex-start qt=<ns> fenster=<ns>"
// (CLOCK_MONOTONIC when the application stood and when the paint ended) to
// standard error and ends.
#include "platform/dbf/dbe.h"

#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QTimer>

#include <cstdio>
#include <ctime>

namespace {

long long Jetzt()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (long long)t.tv_sec * 1000000000LL + t.tv_nsec;
}

class TErsterPaint : public QObject {
public:
    explicit TErsterPaint(long long qt) : qt_(qt) {}
    bool eventFilter(QObject* obj, QEvent* ev) override
    {
        if (ev->type() == QEvent::Paint && !gesehen_) {
            gesehen_ = true;
            QTimer::singleShot(0, this, [this] {
                std::fprintf(stderr, "lumadex-start qt=%lld fenster=%lld\n", qt_, Jetzt());
                std::fflush(stderr);
                QApplication::quit();
            });
        }
        return QObject::eventFilter(obj, ev);
    }

private:
    long long qt_;
    bool gesehen_ = false;
};

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const long long qt = Jetzt();
    if (argc < 2)
        return 2;
    if (dbe_Use(argv[1], "", DBE_SHARED, DBE_TYPE_FOX) == 0)
        return 1;
    dbe_SetOrder(1);
    dbe_GoTop();
    QMainWindow fenster;
    TErsterPaint beobachter(qt);
    fenster.installEventFilter(&beobachter);
    fenster.resize(800, 600);
    fenster.show();
    const int rc = app.exec();
    dbe_CloseAll();
    return rc;
}
