#pragma once
// Files, folders, drives and numbered file names of the general unit, on
// Windows-form paths.

#include <QString>
#include <cstdint>

#include "platform/core/string_list.h"

// Deletes every plain file matching folder + mask. A read-only file or a
// failed delete raises Exception with folder + name + " konnte nicht
// gelöscht werden, weil Datei schreibgeschützt !" or "... konnte nicht
// gelöscht werden!". True when all went.
bool DateiLoeschen(const QString& ordner, const QString& maske);
// Deletes the plain files matching folder + mask except the kept file (full
// name, compared in upper case); a failed delete only makes the result false.
bool DateienLoeschenAusser(const QString& ordner, const QString& maske, const QString& behalten);
// Upper-cased names of the plain files matching the mask; the one line
// "Kein passendes File gefunden!" when none matches.
TStringList DateienSuchen(const QString& maske);
// The same names without suffix (not upper-cased).
TStringList DateienSuchenOhneSuffix(const QString& maske);
// Upper-cased names of the plain files matching the mask; empty when none.
TStringList DateiListe(const QString& maske);
// Adds the full names of the files matching the mask in the folder and all
// its subfolders (subfolders first) to the list.
void DateienRekursivSammeln(const QString& ordner, const QString& maske, TStringList& liste);

// Creates the folder part of the path (up to its last "\") with every
// missing level; true when that folder exists afterwards.
bool VerzeichnisErzeugen(const QString& pfad);
// True when the folder of the file path exists; with frage a missing folder
// is offered for creation.
bool VerzeichnisFuerDateiPruefen(const QString& pfad, bool frage);
// True when the folder part exists; a missing one is created when erzeugen is
// set (after asking when frage is set).
bool VerzeichnisPruefen(const QString& pfad, bool erzeugen, bool frage);

// False when the drive's free space is known and below the minimum.
bool GenugPlatzAufLaufwerk(QChar laufwerk, int64_t minimumBytes);
// "DISK", "HD", "NETDRIVE", "CDROM", "RAMDISK" or "UNKNOWN" for the drive of
// the root path ("C:\"); "" when the type cannot be determined.
QString LaufwerksTyp(const QString& wurzel);
// True when the drive letter is in the drive map and its root can be reached.
bool LaufwerkVorhanden(QChar laufwerk);

// The first number of a name before its first "."; "0" when the digits are
// followed by another character, "" when there are none to take.
QString ErsteZahlImString(const QString& name);
// The first number after the first separator of the name before its first ".".
QString ErsteZahlImString2(const QString& name, QChar trenner);
// Highest first number of the files matching the mask, plus 1 ("1" for none).
QString NaechsteFreieNummer(const QString& maske);
QString NaechsteFreieNummerUnterstrich(const QString& maske);
// Counting only names with exactly one "_" followed by a digit.
QString NaechsteFreieNummerEinUnterstrich(const QString& maske);
