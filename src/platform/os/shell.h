#pragma once
// Shell and processes: documents opened with their associated program
// (xdg-open), programs started with or without waiting, desktop shortcuts
// as freedesktop .desktop files. File and program names are Windows-form
// paths (or Linux paths); arguments that are absolute Windows-form paths
// are handed to Linux programs as Linux paths.
//
// None of these blocks the user interface: while waiting, pending events are
// let through when an application object exists.

#include <QString>
#include <QStringList>

// Windows show commands (accepted, only SW_HIDE / normal matter nowhere here).
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOW = 5;

// ShellExecute with the default action: an executable file is started with
// the parameters (in folder, when given); any other file or folder is opened
// with its associated program. Result > 32 on success, else 2 (file not
// found), 3 (path not found) or 31 (no associated program / cannot start).
int ShellExecute(const QString& file, const QString& parameters, const QString& folder, int showCmd);

// The desktop entry of the program the desktop opens a MIME type or URL
// scheme with ("org.gnome.eog.desktop" for "image/jpeg", the mail program
// for "x-scheme-handler/mailto"), empty when none is known.
QString DefaultApplication(const QString& mimeType);
// The desktop entry of the program associated with the document's type,
// empty when none is known. The file must exist.
QString FindAssociatedApplication(const QString& document);
// Opens the document with its associated program (not waiting). False when
// the document is missing or no opener can be started.
bool OpenWithAssociated(const QString& document);
// Opens a text file in the desktop's viewer for plain text (the default
// program of "text/plain", started through its desktop entry), whatever
// the file's name ends in. Not waiting. False when the document is missing,
// no viewer is set or it cannot be started.
bool OpenAsText(const QString& document);

// Splits a Windows command line ("C:\Programme\x" "a b" c) into program and
// arguments, double quotes grouping, absolute Windows paths made Linux paths.
QStringList SplitCommandLine(const QString& commandLine);

// Starts a command line. -1 when it cannot start. With wait, waits without
// limit and returns the exit code (-1 after a crash); without, returns 0.
// The waits of this and of StartAndWait let events through (event_wait.h).
int RunAndWait(const QString& commandLine, bool wait);
// Starts program with the arguments of commandLine in workingFolder (empty:
// the current folder). False when it cannot start; otherwise waits until it
// ends or timeoutMs passed (0: no limit) and returns true; a program still
// running after the time-out is left running.
bool StartAndWait(const QString& program, const QString& commandLine,
                  const QString& workingFolder, int timeoutMs);

// The shortcut file for a link name in a folder: folder + name + ".desktop".
QString ShortcutFileName(const QString& folder, const QString& linkName);
// Writes a desktop shortcut (Type=Application) to target with the arguments,
// working folder = the target's folder. False when the target is missing or
// the folder cannot be made; true when the file exists afterwards.
bool CreateShortcut(const QString& target, const QString& linkName, const QString& arguments,
                    const QString& folder);
