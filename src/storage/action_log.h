#pragma once
// The program's action log: the table LXLog.DBF (FoxPro DBF) with the fields
// MSGART C(10), AKTION C(200), USER C(20), USERLEVEL N(3), DATUM D,
// ZEIT C(8) and SATZNR C(9), in this order. Every command appends a record.
//
// A log table that cannot be created or opened (read-only medium, full disk,
// a damaged file) does not stop the program: the user is told once and
// logging is off for the rest of the run.

#include <QString>

// Appends one record to folder + fileName (created when missing): message
// kind ("Info", "Fehler", "File"), the text (its first 99 characters) and a
// record reference. Nothing happens while the application terminates or
// when logging is off for this run. Raises EDatenbank when the write fails.
void LogSchreiben(const QString& folder, const QString& fileName, const QString& meldungsArt, const QString& text,
                  const QString& satzNr);

// Creates the empty log table; 1 on success, 0 when it could not be made
// (after a warning to the user).
int LogTabelleErzeugen(const QString& folder, const QString& fileName);

// True once logging has been switched off for this run.
bool LogAbgeschaltet();
// Switches logging on again (tests and a changed program folder).
void LogWiederEinschalten();
