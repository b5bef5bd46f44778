#pragma once
// Search as the user types on the current index of a TdkTable, and the
// switch to an index definition.

#include <QString>

class TDataSet;
class TIndexDef;

// Moves to the record whose key is nearest to Text (KeyIndex: the key
// field typed, 0 to 3; the fields before it keep the current record's
// values). With NarrowSearch the table shows only the records whose key
// begins with Text. Answers whether the record reached matches Text.
bool dkIncrementalFind(TDataSet* DataSet, const QString& Text, int KeyIndex);
void dkSetIndexByDef(TDataSet* DataSet, const TIndexDef& IndexDef);
