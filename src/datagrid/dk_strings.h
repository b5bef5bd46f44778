#pragma once
// Text routines of the data-aware library: tokens and words of tab- and
// ";"-separated entries, trimming, and strict date, time and number checks
// after the program's format settings (short date format, date and time
// separators, AM/PM texts). Positions are 1-based; -1 means nothing follows.

#include "platform/core/sys_utils.h"

#include <QString>
#include <QStringList>

class TStringList;

// The text from pos up to the next delimiter. A delimiter of one character
// is searched as it is; a longer one upper-cased with a blank on each side
// (so "AND" finds " and "). pos moves past the delimiter or becomes -1.
QString dkStrGetToken(const QString& text, const QString& delimiter, int& pos);
// The pieces of text cut at every delimiter (an empty text gives one piece).
void dkStrSplit(const QString& text, QChar delimiter, TStringList& list);
QStringList dkStrSplit(const QString& text, QChar delimiter);
void dkStrTrimRightSet(QString& text, const QString& charSet);
QString dkStrReplaceChar(const QString& text, QChar oldChar, QChar newChar);
bool dkStrEqualNoCase(const QString& a, const QString& b);
int dkStrCharCount(const QString& text, QChar c);
// Options of dkStrNextWord.
constexpr int dkwSkipBlanks = 1, dkwQuotedWord = 2, dkwStripQuotes = 4;
QString dkStrNextWord(const QString& text, int& pos, int options, const QString& delimiters);
QString dkStrAfterChar(const QString& text, QChar c);

// 1 when D comes first of D, M and Y in the format, 2 for Y, else 0.
int dkDateOrderDayFirst(const QString& dateFormat);
bool dkIsLeapYear(int year);
bool dkEncodeDate(int year, int month, int day, TDateTime& date);
bool dkEncodeTime(int hour, int minute, int second, int msec, TDateTime& time);
bool dkScanNumber(const QString& text, int& pos, int& value);
bool dkScanDate(const QString& text, int& pos, TDateTime& date);
bool dkScanTime(const QString& text, int& pos, TDateTime& time);
bool dkIsDateText(const QString& text);
bool dkIsTimeText(const QString& text);
bool dkIsDateTimeText(const QString& text);
bool dkIsIntegerText(const QString& text);
bool dkIsFloatText(const QString& text);
// Part codes of a caret position: 0 day, 1 month, 2 year, 3 hours,
// 4 minutes, 5 seconds, 6 the AM/PM suffix.
int dkDatePartAtPos(int pos, const QString& text, bool timeOnly);
int dkTimePartAtPos(int pos, const QString& text);
int dkCurrentYear();
