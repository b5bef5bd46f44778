#pragma once
// Stopwatch and day numbers. A day number counts the days since 1 January
// 1600 (day 0); it is defined from 1 January 1600 to 31 December 3999 and is
// -1 for an invalid date.

#include <QString>

// "START" (any case) stores the tick count; "STOP" returns the time since then
// as "hh:mm:ss" (hours not limited to 24); other commands give "". It reads
// the system tick count (GetTickCount64), which tests can set.
QString StopUhr(const QString& befehl);

bool IstSchaltjahr(int jahr);
int TageImMonat(int monat, int jahr);
bool DatumGueltig(int tag, int monat, int jahr);
// Years below 100 count as 19xx.
int TagesNummer(int tag, int monat, int jahr);
int HeuteTagesNummer();
