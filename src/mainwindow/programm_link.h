#pragma once
// The program's launcher for the desktop: a desktop entry in the user's
// desktop folder (the XDG desktop folder of user-dirs.dirs), and where the
// home has none, in the applications menu (~/.local/share/applications).

#include <QString>

// Writes the launcher of the running program under the name; the Linux
// folder it was written to, empty when it could not be written.
QString ProgrammLinkAnlegen(const QString& name);

// The message that tells the user where the launcher is.
QString ProgrammLinkMeldung(const QString& ordner);
