#pragma once
// The message and question boxes that the utility and general routines show,
// all through the framework's prompt service (platform/ui), so tests answer
// them with a scripted answerer and read their texts.

#include <QString>

// ShowMessage: a plain message with OK.
void RoutineMeldung(const QString& text);
// A warning box with OK.
void RoutineWarnung(const QString& text);
// A confirmation-style box with OK.
void RoutineBestaetigung(const QString& text);
// An information-style question with Yes and No; true for Yes.
bool RoutineFrage(const QString& text);
// The application's standard exception box.
void RoutineFehler(const QString& text);
