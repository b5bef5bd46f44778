#pragma once
// The FLAGS field of the album record: a 10-character text in which single
// positions hold one digit each: 1 the external-program mode (0 to 3),
// 2 the full-view display mode (0 to 4), 4 the orientation (0 to 3 for 0,
// 90, 180 and 270 degrees). A position nothing has set reads as a blank.

#include <QChar>
#include <QString>

class TDbe;

// Puts `value` at the 1-based position of the field in the current record
// (edit, replace, post) and keeps the dataset at its end or beginning when
// it stood there. 1 when the character was stored; 0 when nothing was
// written: the album is read-only, the position is outside the field, the
// dataset is not browsing a record, or the write failed.
int FlagSetzen(TDbe* dbe, const QString& fieldName, int position, bool readOnly, QChar value);

// The character at the 1-based position of the field's text; a blank when
// the position lies past the text.
QChar FlagLesen(TDbe* dbe, const QString& fieldName, int position);
