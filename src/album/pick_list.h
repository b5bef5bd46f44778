#pragma once
// The distinct values of a field read through the field's index tag: one
// seek per distinct key instead of a read of every record.

#include <cstdint>

class QString;
class TStringList;

// Adds to `liste` (sorted, duplicates ignored, case ignored) the trimmed,
// non-empty values of field `feld` of the entries in the field's tag of
// work area `area`, as a walk over those entries in record order would add
// them: of values equal but for case, the one of the lowest record number.
// The tag must be named as the field and its key be the field itself or its
// Lower()/Upper() form; false (nothing added) when the area has no such tag.
// The area's order, record, soft seek and exact settings stay as they were.
// A walk the engine cannot make (another program holds the index) throws
// the engine's error; `liste` is then left as it was.
bool PicklisteUeberTag(uint16_t area, const QString& feld, TStringList& liste);
