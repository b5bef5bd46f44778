#pragma once
// The plain text of a rich-text (RTF) field, as a grid cell shows it:
// paragraphs become line breaks, tabs stay, escaped characters are read as
// Windows-1252 or Unicode, and the font, colour and style tables, pictures
// and other destinations are left out. Text that is no RTF comes back as it
// is (decoded as Windows-1252).

#include <QByteArray>
#include <QString>

QString dkRichTextToPlain(const QByteArray& rtf);
