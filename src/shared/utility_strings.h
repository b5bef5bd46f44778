#pragma once
// Path, token, wild-card mask and small string routines of the utility unit,
// and its window-position enumeration. Paths here are Windows-form texts
// ("C:\Bilder\a.jpg"); nothing in this file touches the file system.

#include <QString>

// What of a window the ini component stores.
enum TWinPosStyle { swpNone = 0, swpPosition = 1, swpSizePosition = 2 };

// The path with a trailing "\" when its last character is not one; an empty
// path stays empty.
QString AddBackslash(const QString& path);

// Splits a file name: folder = up to and including the last "\" or ":";
// name = the file-name part before its first "."; suffix = the rest from that
// "." on. Name and suffix are both empty when the file-name part has no ".".
void SplitFileName(const QString& fileName, QString& folder, QString& name, QString& suffix);

// Replaces every occurrence of oldChar in place.
void qktReplaceChar(QString& text, QChar oldChar, QChar newChar);

// Replaces the first occurrence of oldText again and again, starting at the
// beginning each time, so "  " -> " " collapses every run of blanks. When
// newText contains oldText this could never end; then every occurrence is
// replaced once, left to right. An empty oldText changes nothing.
void ReplaceAll(QString& text, const QString& oldText, const QString& newText);

// The n-th token (from 1) of text + separator; empty when there are fewer.
QString qktGetToken(const QString& text, QChar separator, int n);

// Like qktGetToken but without the appended separator: the text after the
// last separator is never a token. With toLast the token reaches to the last
// separator of the remaining text ("a;b;c", n = 1 gives "a;b"). Fewer tokens
// give an empty result; a text without any separator leaves result as it was.
void qktGetTokenEx(const QString& text, QChar separator, int n, QString& result, bool toLast);

// Number of occurrences of ch in text.
int qktCountChar(const QString& text, QChar ch);

// True when the name matches one of the ";"-separated masks (byte-exact; the
// callers upper-case both sides first). See the .cpp for the mask rules.
bool qktMatchesMaskList(const QString& name, const QString& maskList);

// A value above maximum becomes maximum, then one below minimum becomes minimum.
void ClampInt(int& value, int minimum, int maximum);
