#pragma once
// The program's start after the first paint of its main window: what need
// not be there before the window shows runs once that paint has ended.
//
// For measuring the start from outside: with LUMADEX_STARTZEITEN set, the
// program writes to standard error, once the first paint has ended,
//   "lumadex-start qt=<ns> fenster=<ns> schritte=<name>:<ms>,..."
// (CLOCK_MONOTONIC, the same clock in every process of the machine: when the
// Qt application stood and when the first paint of the main window ended),
// then a line "lumadex-fenster <what the window shows>", and once the work
// after the paint is done "lumadex-fenster-danach <what it shows then>";
// when the variable is "ende" the program then ends as its "Ende" command
// does.

#include <functional>

#include <QString>

class QWidget;

// Nanoseconds of CLOCK_MONOTONIC.
long long StartzeitJetzt();

// Notes the time the Qt application stood (call right after it is made).
void StartzeitQtNotieren();

// Notes a step of the start (with LUMADEX_STARTZEITEN set); the report then
// gives "schritte=<name>:<ms since the step before>,..." with the paint as
// the last step.
void StartzeitMarke(const char* name);

struct TNachErstemPaint {
    // What the window shows, for the report line (called at the paint's end).
    std::function<QString()> Beschreibung;
    // Runs once the first paint has ended, or after `spaetestensMs` of the
    // message loop when no paint comes (a window started minimised), or
    // when the user's first input (key, mouse button, wheel, drop, a close)
    // reaches any window before that: then it runs first, and the input
    // after it.
    std::function<void()> Danach;
    int SpaetestensMs = 1000;
    // Ends the program (LUMADEX_STARTZEITEN=ende).
    std::function<void()> Beenden;
};

// Watches `fenster` for the end of its first paint.
void NachErstemPaint(QWidget* fenster, TNachErstemPaint was);
