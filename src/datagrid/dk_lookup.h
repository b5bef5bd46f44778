#pragma once
// Lookup fields: a calculated field of a dataset that shows a value of
// another table, found through the LookupFields and LookupLinks entries.

#include "datagrid/dk_published.h"

#include <QString>
#include <QStringList>

class TStringList;

void dkCalcLookupFields(TDataSet* DataSet, TStringList* LookupFieldsList, TStringList* LinksList,
                        TdkLookupTableList* LookupTables);
// Positions the lookup table on the record the links name (links: the
// split LookupLinks entry, master field first in each pair).
bool dkFindLinkedRecord(TdkTable* LookupTable, const QStringList& Links, TDataSet* MasterDataSet);
bool dkPrepareLookupTable(TDataSet* DataSet, const QString& FieldName, TdkTable* LookupTable);
bool dkFindLookupRecord(TField* Field, QString& MasterFieldName, QString& DisplayField);
