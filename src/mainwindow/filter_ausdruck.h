#pragma once
// The expressions the filter commands hand to the engine's query. A value a
// user typed or chose always becomes one text literal (or a number), so
// quotes, brackets and xBase words inside it match literally and can never
// change the expression around it.

#include <QString>

// The text as an xBase string literal: between double quotes, single
// quotes or brackets, whichever the text does not contain; a text holding
// all three is joined from pieces with CHR(34) for its double quotes.
QString XBaseText(const QString& text);

// Field name, " = ", then the value: a number for a field of engine type
// "N" or "I" (false when the text is no number: no expression then),
// else the value as a text literal.
bool FilterAusdruck(const QString& feld, const QString& feldTyp, const QString& wert, QString& ausdruck);
