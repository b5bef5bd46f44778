#include "platform/core/event_wait.h"

#include <QCoreApplication>

namespace {

// Per thread: a worker's wait says nothing about the GUI thread's handlers.
thread_local int running = 0;

}  // namespace

TEventWait::TEventWait() { ++running; }

TEventWait::~TEventWait() { --running; }

int TEventWait::Running() { return running; }

void LetEventsThrough(int maxMs)
{
    if (!QCoreApplication::instance())
        return;
    const TEventWait wait;
    if (maxMs > 0)
        QCoreApplication::processEvents(QEventLoop::AllEvents, maxMs);
    else
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}
