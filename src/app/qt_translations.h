#pragma once
// Qt's own texts (the buttons and labels of the folder chooser, the file
// dialogs and the message boxes) in the program's language.

#include <QString>

// Installs Qt's translation of the given language ("de") for the whole
// application; false when the translation files are not installed.
bool QtUebersetzungLaden(const QString& sprache = QStringLiteral("de"));
