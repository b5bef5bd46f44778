#pragma once
// TTable: the table dataset. It opens a table of a database folder as a
// cursor, switches index orders by name or by fields, searches keys, limits
// the view to key ranges and follows a master dataset. What depends on the
// table type (driver names, index file and tag names) is decided by the
// table-type rules the storage layer installs.

#include "platform/data/data_source.h"

#include <QStringList>
#include <QVariant>

#include <memory>
#include <vector>

enum TTableType { ttDefault, ttParadox, ttDBase, ttASCII, ttDXNTX, ttDXFOX, ttDXNSX, ttRXNTX, ttRXFOX };

enum TUpdateMode { upWhereAll, upWhereChanged, upWhereKeyOnly };

// The database of a table: a folder of tables, never an SQL server.
class TDatabase {
public:
    QString DatabaseName;
    bool IsSQLBased() const { return false; }
};

enum TIndexOption { ixPrimary = 1, ixUnique = 2, ixDescending = 4, ixCaseInsensitive = 8, ixExpression = 16 };

class TIndexDef {
public:
    QString Name;        // the tag
    QString Source;      // the index file
    QString Fields;      // ";"-separated key fields, "" for an expression index
    QString Expression;  // key expression of an expression index
    int Options = 0;     // TIndexOption bits
};

class TTable;

class TIndexDefs {
public:
    explicit TIndexDefs(TTable* table) : table_(table) {}
    int Count() const { return static_cast<int>(items_.size()); }
    const TIndexDef& Items(int i) const { return items_.at(i); }
    // Index of the definition of that name (ignoring case), -1 when absent.
    int IndexOf(const QString& name) const;
    // The definition whose key fields are the given ";"-separated fields.
    const TIndexDef* GetIndexForFields(const QString& fields) const;
    // Re-reads the table's orders (opening the table for it when closed).
    void Update();
    bool Updated = false;
    void Clear() { items_.clear(); Updated = false; }
    void Add(const TIndexDef& def) { items_.push_back(def); }

private:
    TTable* table_;
    std::vector<TIndexDef> items_;
};

// The table-type decisions, installed by the storage layer.
class TTableTypeRules {
public:
    virtual ~TTableTypeRules() = default;
    // The driver name handed to DbiOpenTable.
    virtual QString DriverName(TTableType type, const QString& tableName, bool databaseIsFolder) const = 0;
    virtual bool IsDBaseTable(TTableType type, const QString& tableName) const = 0;
    // Index file and tag of an IndexName (raises when the name is unknown).
    virtual void DecodeIndexName(TTableType type, const QString& tableName, const QString& indexName,
                                 TIndexDefs& defs, QString& indexFile, QString& tagName) const = 0;
    // An entry of IndexFiles that is the table's own index (opened with it).
    virtual bool IsOwnIndexFile(TTableType type, const QString& tableName, const QString& indexFile) const
    {
        (void)type, (void)tableName, (void)indexFile;
        return false;
    }
};
const TTableTypeRules* TableTypeRules();
void SetTableTypeRules(const TTableTypeRules* rules);

class TTable : public TDataSet {
public:
    TTable();
    ~TTable() override;

    QString TableName() const { return tableName_; }
    void SetTableName(const QString& name);
    QString DatabaseName() const { return databaseName_; }
    void SetDatabaseName(const QString& name);
    TTableType TableType() const { return tableType_; }
    void SetTableType(TTableType type);
    bool Exclusive() const { return exclusive_; }
    void SetExclusive(bool exclusive);
    TUpdateMode UpdateMode = upWhereAll;  // kept for the forms; a folder database writes whole records
    TDatabase* Database()
    {
        database_.DatabaseName = databaseName_;
        return &database_;
    }

    QString IndexName() const { return fieldsIndex_ ? QString() : indexName_; }
    void SetIndexName(const QString& name) { SetIndex(name, false); }
    QString IndexFieldNames() const { return fieldsIndex_ ? indexName_ : QString(); }
    void SetIndexFieldNames(const QString& names) { SetIndex(names, true); }
    // The index definitions, read from the open table when first asked for.
    TIndexDefs& IndexDefs()
    {
        if (!indexDefs_.Updated && Active())
            indexDefs_.Update();
        return indexDefs_;
    }
    QStringList IndexFiles;
    int IndexFieldCount() const { return static_cast<int>(indexFieldNos_.size()); }
    TField* IndexFields(int i) const;

    // Key search on the current order.
    void SetKey();
    void EditKey();
    bool GotoKey();
    void GotoNearest();
    bool FindKey(const QVariantList& values);
    void FindNearest(const QVariantList& values);
    bool KeyExclusive() const;
    void SetKeyExclusive(bool exclusive);
    int KeyFieldCount() const;
    void SetKeyFieldCount(int count);

    // Ranges on the current order.
    void SetRangeStart();
    void SetRangeEnd();
    void EditRangeStart();
    void EditRangeEnd();
    bool ApplyRange();
    void CancelRange();
    void SetRange(const QVariantList& startValues, const QVariantList& endValues);

    TDataSource* MasterSource() const { return masterLink_.DataSource(); }
    void SetMasterSource(TDataSource* source);
    QString MasterFields() const { return masterLink_.FieldNames; }
    void SetMasterFields(const QString& fields);
    TDataSet* MasterDataSet() const override { return masterLink_.DataSet(); }

    // For TIndexDefs: the orders of the open cursor.
    void ReadIndexDefs(hDBICur cursor, TIndexDefs& defs);
    // Opens a cursor on the table without an order, with the database
    // handle it needs (raises on failure); CloseTableCursor frees both.
    hDBICur OpenTableCursor(bool readOnly, hDBIDb& db);
    void CloseTableCursor(hDBICur& cursor, hDBIDb& db);

protected:
    hDBICur CreateHandle() override;
    void DestroyHandle() override;
    void PrepareCursor() override;
    void PostKeyBuffer(bool commit) override;
    TRecordBuffer* CurrentFieldBuffer() const override;
    void DoBeforeClose() override;

private:
    enum TKeyIndex { kiLookup, kiRangeStart, kiRangeEnd, kiCount };
    struct TKeyBuffer {
        TRecordBuffer rec;
        bool modified = false;
        bool exclusive = false;
        int fieldCount = 0;
    };
    class TMasterLink : public TDataLink {
    public:
        explicit TMasterLink(TTable* table) : table_(table) {}
        QString FieldNames;

    protected:
        void ActiveChanged() override;
        void RecordChanged(TField* field) override;
        void CheckBrowseMode() override;

    private:
        TTable* table_;
    };

    void SetIndex(const QString& value, bool fieldsIndex);
    void GetIndexParams(const QString& value, bool fieldsIndex, QString& indexFile, QString& tag);
    void SwitchToIndex(const QString& indexFile, const QString& tag);
    void ReadCurrentIndex();
    void SetKeyBuffer(TKeyIndex index, bool clear);
    void InitKeyBuffer(TKeyBuffer& buffer);
    void SetKeyFields(TKeyIndex index, const QVariantList& values);
    bool SetCursorRange();
    bool ResetCursorRange();
    void MasterChanged();
    void CheckMasterRange();
    void AssignValue(TField* field, const QVariant& value);
    QString DriverName() const;
    hDBIDb OpenDatabase();

    QString tableName_;
    QString databaseName_;
    TTableType tableType_ = ttDefault;
    bool exclusive_ = false;
    QString indexName_;
    bool fieldsIndex_ = false;
    TIndexDefs indexDefs_;
    std::vector<int> indexFieldNos_;
    TKeyBuffer keyBuffers_[kiCount];
    TKeyBuffer savedKey_;
    TKeyIndex keyIndex_ = kiLookup;
    bool rangeActive_ = false;
    TMasterLink masterLink_;
    hDBIDb db_ = 0;
    TDatabase database_;
};
