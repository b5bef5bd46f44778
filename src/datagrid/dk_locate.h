#pragma once
// The locate engine: moves a dataset to the first record, from the start or
// from the current record on, whose value in one field matches a search
// value exactly, at its beginning or anywhere, with or without regard to
// case. An exact or prefix search along the current index's first field
// uses the index; every other search scans the records straight from the
// table cursor into private buffers sized from the table, and moves the
// dataset once, onto the record found.

#include "datagrid/dk_published.h"

#include <QString>

#include <cstdint>

class TDataSet;
class TField;

// Compares a field text with a value. The value is upper-cased by the
// caller when the search ignores case; the field text is upper-cased here
// then. An empty value matches only an empty field text, and only exactly.
bool dkMatchText(const QString& FieldText, const QString& Value, TdkLocateMatchType MatchType,
                 bool CaseSensitive);
// Compares the memo of the dataset's current record (its first
// kdkLocateMemoLimit bytes) with the value; "Fail to create blob" when the
// memo cannot be read.
bool dkMatchBlob(TField* Field, const QString& Value, bool CaseSensitive, TdkLocateMatchType MatchType);
// The text of a field's native value as the database layer hands it over
// (DbiGetField); types without a text give an empty one.
QString dkFieldBufferToText(const TField* Field, const void* FieldBuffer);
// Bytes of a memo that a locate compares.
constexpr int kdkLocateMemoLimit = 32767;

// True when a matching record was found; the dataset then stands on it.
// When nothing is found the dataset stays where it stood (an exact search
// along the index is the index's own key search and may move it).
bool dkLocateRecord(bool FromFirst, TDataSet* DataSet, const QString& FieldName, const QString& Value,
                    TdkLocateMatchType MatchType, bool CaseSensitive);
