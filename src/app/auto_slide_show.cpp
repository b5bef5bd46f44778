#include "app/auto_slide_show.h"

#include "mainwindow/main_form.h"
#include "platform/ui/forms.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <algorithm>

TAutoSlideShowAnbindung HauptfensterAnbindung(TMainForm* form)
{
    return {form->Handle(),
            [form] { return form->Einstellungen().Bool("AutoSlideShowAktiv"); },
            [form] { return form->Einstellungen().Int("AutoSlideShowTime"); },
            [form] { Application->Guarded(form, [form] { form->SlideShowstart1Click(nullptr); }); },
            [form] { return form->Dienste().Lauf().BefehlLaeuft(); }};
}

TAutoSlideShow::TAutoSlideShow(TAutoSlideShowAnbindung anbindung, TDesktopScreenSaver schoner, QObject* parent)
    : QObject(parent), a_(std::move(anbindung)), schoner_(std::move(schoner))
{
    if (!schoner_.Inhibitor || !schoner_.Clock) {
        TDesktopScreenSaver desktop = DesktopScreenSaver();
        if (!schoner_.Inhibitor)
            schoner_.Inhibitor = std::move(desktop.Inhibitor);
        if (!schoner_.Clock)
            schoner_.Clock = std::move(desktop.Clock);
    }
    timer_ = new QTimer(this);
    timer_->setInterval(5000);
    connect(timer_, &QTimer::timeout, this, [this] { Pruefen(); });
    timer_->start();
    if (a_.Fenster)
        a_.Fenster->installEventFilter(this);
    SchonerAbgleichen();
}

TAutoSlideShow::~TAutoSlideShow()
{
    if (schoner_.Inhibitor)
        schoner_.Inhibitor->UnInhibit();
}

void TAutoSlideShow::Pruefen()
{
    SchonerAbgleichen();
    RuhezeitPruefen();
}

void TAutoSlideShow::SchonerAbgleichen()
{
    const bool an = a_.Aktiv && a_.Aktiv();
    if (an == gewollt_)
        return;
    gewollt_ = an;
    if (an)
        schoner_.Inhibitor->Inhibit(QStringLiteral("Automatische Slideshow"));
    else
        schoner_.Inhibitor->UnInhibit();
}

void TAutoSlideShow::RuhezeitErreicht()
{
    if (!a_.Aktiv || !a_.Aktiv() || !a_.Starten || !a_.Fenster || !a_.Fenster->isVisible())
        return;
    // Only the main window itself starts it: not while a dialog or another
    // window of the program is active, nor while a command runs (a long one
    // lets events through, and its busy window is not modal).
    if (QApplication::activeModalWidget() || QApplication::activeWindow() != a_.Fenster->window())
        return;
    if (a_.BefehlLaeuft && a_.BefehlLaeuft())
        return;
    gestartet_ = true;
    a_.Starten();
}

void TAutoSlideShow::RuhezeitPruefen()
{
    const int64_t ruhe = schoner_.Clock->IdleMs();
    if (ruhe < 0)
        return;
    const int minuten = a_.Minuten ? std::clamp(a_.Minuten(), 1, 60) : 1;
    if (ruhe < int64_t(minuten) * 60000) {
        gestartet_ = false;  // the user was active: a new idle period
        return;
    }
    if (!gestartet_)
        RuhezeitErreicht();
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
