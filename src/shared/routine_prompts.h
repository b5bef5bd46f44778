#pragma once
// The message and question boxes that the utility and general routines show.
// They go through one replaceable handler, so tests script the answers and
// read the texts, and nothing ever blocks a test. The default handler shows a
// real Qt message box when a GUI application runs on a real screen; without
// one (offscreen, no QApplication) it logs the text and answers "No".

#include <QString>
#include <functional>

enum class TRoutineBox {
    Meldung,       // plain message, OK
    Warnung,       // warning, OK
    Bestaetigung,  // confirmation style, OK
    Frage,         // information style question, Yes / No
    Fehler         // the standard exception box
};

// Returns true for OK / Yes.
using TRoutinePromptHandler = std::function<bool(TRoutineBox box, const QString& text)>;

// Installs a handler; an empty function restores the default. Returns the
// handler that was installed before.
TRoutinePromptHandler SetRoutinePromptHandler(TRoutinePromptHandler handler);

void RoutineMeldung(const QString& text);
void RoutineWarnung(const QString& text);
void RoutineBestaetigung(const QString& text);
bool RoutineFrage(const QString& text);
void RoutineFehler(const QString& text);
