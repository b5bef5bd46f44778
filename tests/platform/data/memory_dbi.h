#pragma once
// A small in-memory implementation of the database API for the dataset
// tests: tables of fixed-width text fields in the DBF record layout, natural
// order, one ordering by a field as tag, any number of cursors per table.

#include "platform/data/dbi.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class TMemoryDbi : public TDbi {
public:
    struct Field {
        std::string name;
        char type;  // C N D L M
        int width;
        int decimals;
        int offset;  // 0-based in the record (0 = deletion flag)
    };
    struct Table {
        std::vector<Field> fields;
        int recSize = 1;
        std::vector<std::string> records;  // record n at index n-1
        std::vector<QByteArray> blobs;     // memo n at index n-1 (the field holds n)
        int lockedRecord = 0;              // a record that fails to lock
        bool readOnlyFile = false;         // opens only read-only
    };

    // Defines a table: fields "NAME:C:10", "N:N:4:0", "D:D", "L:L", "M:M".
    Table& AddTable(const QString& name, const std::vector<std::string>& fields);
    Table& TableOf(const QString& name) { return *tables_.at(name.toUpper()); }
    // Appends a record given as field texts.
    void AddRecord(const QString& table, const std::vector<std::string>& values);
    int OpenCursors() const { return static_cast<int>(cursors_.size()); }
    std::vector<std::string> Calls;  // names of the calls made, for order checks

    DBIResult DbiOpenDatabase(const QString&, const QString&, hDBIDb& db) override { db = 1; return 0; }
    DBIResult DbiCloseDatabase(hDBIDb& db) override { db = 0; return 0; }
    DBIResult DbiFormFullName(hDBIDb, const QString& t, const QString&, QString& full) override { full = t; return 0; }
    DBIResult DbiOpenTable(hDBIDb, const QString& tableName, const QString&, const QString&, const QString& tag, int,
                           DBIOpenMode mode, DBIShareMode, hDBICur& cursor) override;
    DBIResult DbiCloseCursor(hDBICur& cursor) override;
    DBIResult DbiGetCursorProps(hDBICur cursor, CURProps& props) override;
    DBIResult DbiGetFieldDescs(hDBICur cursor, FLDDesc* descs) override;
    DBIResult DbiCloneCursor(hDBICur, bool, hDBICur&) override { return DBIERR_NOTSUPPORTED; }
    DBIResult DbiSetToBegin(hDBICur cursor) override;
    DBIResult DbiSetToEnd(hDBICur cursor) override;
    DBIResult DbiGetNextRecord(hDBICur cursor, DBILockType lock, uint8_t* buffer, RECProps* props) override;
    DBIResult DbiGetPriorRecord(hDBICur cursor, DBILockType lock, uint8_t* buffer, RECProps* props) override;
    DBIResult DbiGetRecord(hDBICur cursor, DBILockType lock, uint8_t* buffer, RECProps* props) override;
    DBIResult DbiGetBookMark(hDBICur cursor, uint8_t* bookmark) override;
    DBIResult DbiSetToBookMark(hDBICur cursor, const uint8_t* bookmark) override;
    DBIResult DbiCompareBookMarks(hDBICur, const uint8_t*, const uint8_t*, int&) override { return DBIERR_NOTSUPPORTED; }
    DBIResult DbiInitRecord(hDBICur cursor, uint8_t* buffer) override;
    DBIResult DbiInsertRecord(hDBICur cursor, DBILockType lock, const uint8_t* buffer) override;
    DBIResult DbiModifyRecord(hDBICur cursor, const uint8_t* buffer, bool freeLock) override;
    DBIResult DbiDeleteRecord(hDBICur cursor, const uint8_t* buffer) override;
    DBIResult DbiRelRecordLock(hDBICur, bool) override { return 0; }
    DBIResult DbiGetRecordCount(hDBICur cursor, uint32_t& count) override;
    DBIResult DbiForceReread(hDBICur) override { return 0; }
    DBIResult DbiGetField(hDBICur cursor, int fieldNo, const uint8_t* record, void* value, bool& blank) override;
    DBIResult DbiPutField(hDBICur cursor, int fieldNo, uint8_t* record, const void* value) override;
    DBIResult DbiOpenBlob(hDBICur, uint8_t*, int, DBIOpenMode) override { return 0; }
    DBIResult DbiFreeBlob(hDBICur, uint8_t*, int) override { return 0; }
    DBIResult DbiGetBlobSize(hDBICur cursor, uint8_t* record, int fieldNo, uint32_t& size) override;
    DBIResult DbiGetBlob(hDBICur cursor, uint8_t* record, int fieldNo, uint32_t offset, uint32_t length, void* dest,
                         uint32_t& read) override;
    DBIResult DbiPutBlob(hDBICur cursor, uint8_t* record, int fieldNo, uint32_t offset, uint32_t length,
                         const void* src) override;
    DBIResult DbiTruncateBlob(hDBICur cursor, uint8_t* record, int fieldNo, uint32_t length) override;
    DBIResult DbiSwitchToIndex(hDBICur& cursor, const QString&, const QString& tag, int, bool) override;
    DBIResult DbiGetIndexDesc(hDBICur cursor, int number, IDXDesc& desc) override;
    DBIResult DbiOpenIndex(hDBICur, const QString&, int) override { return DBIERR_NOTSUPPORTED; }
    DBIResult DbiExtractKey(hDBICur cursor, const uint8_t* record, char* key) override;
    DBIResult DbiSetToKey(hDBICur cursor, DBISearchCond cond, bool directKey, int, int, const void* key) override;
    DBIResult DbiGetRecordForKey(hDBICur cursor, bool directKey, int fieldCount, int length, const void* key,
                                 uint8_t* record) override;
    DBIResult DbiSetRange(hDBICur cursor, bool keyItself, int, int, const void* key1, bool, int, int,
                          const void* key2, bool) override;
    DBIResult DbiResetRange(hDBICur cursor) override;
    DBIResult DbiGetErrorString(DBIResult code, QString& text) override;

private:
    struct Cursor {
        Table* table = nullptr;
        int order = 0;         // 0 natural, else field number of the ordering field
        uint32_t rec = 0;      // current record; 0 before the first
        bool eof = false;
        std::string lo, hi;    // range on the ordering key, empty = none
        bool ranged = false;
    };
    Cursor* Find(hDBICur cursor);
    std::vector<uint32_t> View(const Cursor& c) const;
    std::string KeyOf(const Cursor& c, const char* record) const;
    DBIResult Fill(Cursor& c, uint8_t* buffer, RECProps* props);

    std::map<QString, std::unique_ptr<Table>> tables_;
    std::map<hDBICur, Cursor> cursors_;
    hDBICur next_ = 1;
};
