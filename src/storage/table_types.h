#pragma once
// The table types of the DBF engine: which driver name a table hands to the
// database bridge, which tables are dBASE-like, and how an index name turns
// into an index file and a tag.

#include "platform/data/table.h"

class TEngineTableTypes : public TTableTypeRules {
public:
    QString DriverName(TTableType type, const QString& tableName, bool databaseIsFolder) const override;
    bool IsDBaseTable(TTableType type, const QString& tableName) const override;
    void DecodeIndexName(TTableType type, const QString& tableName, const QString& indexName, TIndexDefs& defs,
                         QString& indexFile, QString& tagName) const override;
    bool IsOwnIndexFile(TTableType type, const QString& tableName, const QString& indexFile) const override;
};

// The driver name of a table type ("PARADOX" for ttDefault).
QString DriverNameOfType(TTableType type);
