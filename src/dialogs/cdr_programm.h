#pragma once
// The program on a CD-R tree, in the Linux sense: the running executable,
// the shared libraries it and its Qt plugins need that a plain Debian 12
// desktop does not have, the Qt plugins themselves, and a start script that
// runs the program with those libraries. On a writable tree whose program
// can be executed in place the medium's program folder is the program's.
// Elsewhere (a burned disc; a FAT or exFAT stick as the desktop mounts it,
// without execute bits; a medium mounted noexec) the script copies the
// program folder to the user's disk (once per program on the medium) and
// runs that copy, with the medium's albums.
//
// Program folder of the tree:
//   lumadex           the executable
//   lumadex.sh        the start script
//   lib/              the libraries (named by their sonames)
//   plugins/<kind>/   the Qt plugins (platforms, image formats, ...)
//   translations/     Qt's German texts
// The script finds the tree's albums by their place ("Data" beside the
// program folder) and hands that folder to the program (kCdrDatenVariable);
// the tree holds no links, so a FAT or exFAT medium can carry it.

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include "dialogs/cdr_baum.h"

struct TProgrammDatei {
    QString Quelle;  // Linux path of the file to copy
    QString Ziel;    // path below the tree's program folder, "/"-separated
};

inline constexpr char kCdrProgrammName[] = "lumadex";
inline constexpr char kCdrStartSkriptName[] = "lumadex.sh";

// True for a library (by its soname) that every Debian 12 desktop has: the
// C and C++ runtime, the X11/Wayland/OpenGL stack, fonts, GLib, D-Bus,
// systemd and the compression, crypto and printing libraries the desktop
// itself stands on. Such libraries come from the system, never from the
// medium (a C library or GL driver of another machine would not fit).
bool AufDebianDesktop(const QString& soname);

// The shared libraries an ELF file needs, directly and indirectly, as the
// dynamic loader resolves them here (soname -> Linux path, by `ldd`); empty
// and `fehler` set when that cannot be asked.
QMap<QString, QString> BenoetigteBibliotheken(const QString& datei, QString& fehler);

// What goes into the tree's program folder: the program, Qt's German
// texts from uebersetzungsOrdner, the Qt plugins found under pluginOrdner,
// and the libraries of program and plugins that are not on a desktop.
// `fehler` names what could not be resolved.
QList<TProgrammDatei> ProgrammDateienFuerDatentraeger(const QString& programm, const QString& pluginOrdner,
                                                      const QString& uebersetzungsOrdner, QString& fehler);

// The start script (a POSIX shell script, LF line ends). A program folder
// that is read-only or whose program cannot be executed there is copied to
// "${XDG_DATA_HOME:-~/.local/share}/QV-Lumadex-CD"
// when that copy is missing or differs from the medium (names, sizes and
// times of its files); files the program wrote there stay.
QString CdrStartSkript();

// Writes the start script and a qt.conf (Qt then takes its plugins and
// texts from the medium only, never from a Qt of the system) into the
// program folder (Linux path), and makes the program and the script
// executable. The names written
// go to `geschrieben`; false when one could not be written.
bool CdrStartDateienSchreiben(const QString& ordner, QStringList& geschrieben);
