#pragma once
// A QTextDocument as rich text format, in the part of the format that
// rgReadRtf reads: a font table and a colour table of what the text uses,
// then one paragraph after the other with its alignment and the character
// formatting as it changes. Characters outside ASCII are written as \'hh in
// Windows-1252, or as \uN with "?" for readers without Unicode. Reading
// what is written gives the same text and formatting.

#include <QByteArray>

class QTextDocument;

QByteArray rgWriteRtf(const QTextDocument& Document, int DefaultTabTwips = 720);
