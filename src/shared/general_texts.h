#pragma once
// Path parts, names and small text routines of the general unit, in the
// program's own German vocabulary. Paths are Windows-form texts; nothing here
// touches the file system.

#include <QString>
#include <QStringList>

#include "platform/core/string_list.h"

// Folder part up to the last "\", with or without that "\"; a path of exactly
// 3 characters (a drive root "C:\") comes back unchanged; no "\" gives "".
QString PfadVonDatei(const QString& pfad, bool mitBackslash);
// The part after the last "\", trimmed.
QString DateiNameVonPfad(const QString& pfad);
// The trimmed path's part after the last "\"; with ohneSuffix cut before its
// first ".".
QString DateiNameOhnePfad(const QString& pfad, bool ohneSuffix);
// Upper case of the 3 characters after the last "." of the name part.
QString DateiSuffix(const QString& pfad);
// Drops trailing characters while the path ends in "\\", then makes sure it
// ends in one "\".
QString MitBackslash(const QString& pfad);
// Removes a trailing "\" unless the character before it is ":".
QString OhneBackslash(const QString& pfad);
// Upper case of the name up to and including its first "." + the new suffix;
// a suffix of 4 or more characters gives "" (and, with meldung, a warning box).
QString SuffixAendern(const QString& name, const QString& neueSuffix, bool meldung);
// Upper case of the name up to and including its last "." + the new suffix.
QString SuffixErsetzen(const QString& name, const QString& neueSuffix);
// "C:\BILDER" -> "C_BILDER_".
QString PfadAlsDateiName(const QString& pfad);
void DoppelpunktZuPunkt(QString& text);
// Leading "0" up to the width; a leading "-" stays in front and counts toward
// the width. All digits are always kept.
QString NullenAuffuellen(const QString& zahl, int breite);
QString RechtsAuffuellen(const QString& text, int laenge);
QString LeerzeichenEntfernen(const QString& text);
QString TextAbErsterZiffer(const QString& text);
int ZeichenAnzahl(const QString& text, QChar zeichen);
// Position from 1 of the last occurrence, 0 when absent.
int LetztePosition(const QString& text, QChar zeichen);
// Index of the first item that contains the text, both upper-cased; -1 when none.
int StringInListeSuchen(const QStringList& liste, const QString& text);
int StringInListeSuchen(const TStringList& liste, const QString& text);
// Index of the first item equal to the text ignoring case; -1 when none.
int StringInListeGenau(const QStringList& liste, const QString& text);
int StringInListeGenau(const TStringList& liste, const QString& text);
bool EnthaeltUmlaut(const QString& text);
bool EnthaeltBindestrich(const QString& text);
// ASCII upper case, then ö, ü, ä -> Ö, Ü, Ä; ß stays.
QString GrossMitUmlauten(const QString& text);
// ASCII lower case, then Ö, Ü, Ä -> ö, ü, ä.
QString KleinMitUmlauten(const QString& text);
// True when the text converts to a 32-bit integer (StrToInt).
bool IstZahl(const QString& text);
bool IstZahlOderNull(const QString& text);
// "24.12.98" -> "19981224"; "01.02.30" -> "20300201"; "24.12.1998" -> "19981224".
QString DatumInJJJJMMTT(const QString& datum);
