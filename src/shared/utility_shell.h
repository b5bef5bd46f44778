#pragma once
// Shell and process routines of the utility unit, over the shell layer of
// platform/os: documents opened with their associated program, programs
// started with or without waiting, the desktop shortcut (a freedesktop
// ".desktop" file in place of a shell link) and the program's version
// texts. CreateShortcut and ReadVersionInfo are platform/os's own and are
// used as they stand.

#include <QString>

#include "platform/os/shell.h"
#include "platform/os/version_info.h"

// The default action for the file (start a program, open a document). A
// result below 33 shows "Fehler beim Programm-Aufruf"; the shell's result
// is returned.
int qktShellExec(const QString& file, const QString& parameters, const QString& folder, int showCmd);

// Opens the document with its associated program. No program: the box
// "Verknüpfung nicht gefunden"; a start that fails: "Fehler bei
// Programmaufruf"; false in both cases.
bool qktOpenWithAssociated(const QString& document);

// Starts the command line; -1 when it cannot start. With wait, the exit code
// once the process ended; without, 0.
int qktRunAndWait(const QString& commandLine, int showCmd, bool wait);

// Makes the desktop shortcut linkName for the target unless it exists; true
// when it exists afterwards (or already did). False when the target is
// missing or anything fails.
bool qktEnsureShortcut(const QString& target, const QString& linkName);
