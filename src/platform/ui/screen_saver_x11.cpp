// The X server's screen saver through the MIT-SCREEN-SAVER extension. Kept
// apart from the rest of the screen-saver layer: Xlib's macros (KeyPress,
// None, Bool, ...) would clash with Qt's names.
#include "platform/ui/screen_saver.h"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

struct TXScreenSaver::TX {
    Display* display = nullptr;
    XScreenSaverInfo* info = nullptr;
    bool canSuspend = false;  // the extension is version 1.1 or later
    ~TX()
    {
        if (info)
            XFree(info);
        if (display)
            XCloseDisplay(display);
    }
};

TXScreenSaver::TXScreenSaver(const char* display) : x_(std::make_unique<TX>())
{
    x_->display = XOpenDisplay(display);
    if (!x_->display)
        return;
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XScreenSaverQueryExtension(x_->display, &eventBase, &errorBase) ||
        !XScreenSaverQueryVersion(x_->display, &major, &minor)) {
        XCloseDisplay(x_->display);
        x_->display = nullptr;
        return;
    }
    x_->info = XScreenSaverAllocInfo();
    x_->canSuspend = major > 1 || (major == 1 && minor >= 1);
}

TXScreenSaver::~TXScreenSaver() { UnInhibit(); }

bool TXScreenSaver::Available() const { return x_->display != nullptr; }

bool TXScreenSaver::Inhibit(const QString&)
{
    if (suspended_)
        return true;
    if (!x_->display || !x_->canSuspend)
        return false;
    XScreenSaverSuspend(x_->display, True);
    XFlush(x_->display);
    suspended_ = true;
    return true;
}

void TXScreenSaver::UnInhibit()
{
    if (!suspended_)
        return;
    // The server lifts it by itself too when this connection closes.
    XScreenSaverSuspend(x_->display, False);
    XFlush(x_->display);
    suspended_ = false;
}

int64_t TXScreenSaver::IdleMs()
{
    if (!x_->display || !x_->info || !XScreenSaverQueryInfo(x_->display, DefaultRootWindow(x_->display), x_->info))
        return -1;
    return int64_t(x_->info->idle);
}
