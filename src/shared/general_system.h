#pragma once
// Program and Windows folder, processes, the system information text, the
// registration under the application paths and the version numbers of the
// general unit.

#include <QString>
#include <cstdint>

// The program folder as the main window's start-up sets it (Windows form,
// with "\"); InstallPfadEintragen registers it. Empty until set.
extern QString ProgrammPfadGlobal;

// The version numbers VersionZerlegen leaves behind.
extern uint8_t VersionMajor;
extern uint8_t VersionMinor;
extern uint8_t VersionRelease;

// The program folder with "\"; the current folder is set to it (a failure
// there is ignored).
QString ProgrammVerzeichnis();
// The Windows folder with "\".
QString WindowsVerzeichnis();

// Starts the program with the command line's arguments in the working
// folder; false when it cannot start, else waits for its end at most the
// time-out (0: no limit) and returns true.
bool ProgrammStartenUndWarten(const QString& programm, const QString& kommandozeile,
                              const QString& arbeitsOrdner, int timeoutMs);

// "Phys. RAM=", "Phys. RAM frei=", "Auflösung=", "Username=", "Computername="
// lines ended by CR LF, then "OS=" + system name + " " + major.minor.
QString SystemInfoText();

// Registers the program in the registry stand-in under HKEY_LOCAL_MACHINE
// "\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\LUMADEX.EXE" (default
// value = program folder + "LUMADEX.EXE", "InstallPath" = program folder).
// False when the registry stand-in cannot be written.
bool InstallPfadEintragen();

// "1.50.230 (31.05.2006)" -> 1, 50, 230 (each kept as an 8-bit number).
// Raises EConvertError for a text without "(" or without numbers.
void VersionZerlegen(const QString& text);
