#pragma once
// The plain text of rich text format bytes, for painting a rich text range
// as plain text: groups, control words and destinations that are not text
// dropped, \par and \line as line ends, \tab as a tab, \'hh as a
// Windows-1252 byte, \uN with its fallback characters skipped. Any bytes
// are accepted; nothing is allocated beyond the text found.

#include <QByteArray>
#include <QString>

QString rgRichTextToPlainText(const QByteArray& Rtf);
