#include "platform/ui/beep.h"

#include <QApplication>

namespace {
int beeps = 0;
}

void MessageBeep(unsigned kind)
{
    (void)kind;
    ++beeps;
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        QApplication::beep();
}

int MessageBeepCount() { return beeps; }
