// The database API of the dataset framework served by the bridge's calls.

#include "platform/dbf/lock_wait.h"
#include "storage/database_bridge.h"
#include "storage/table_types.h"

namespace {

class TEngineDbi : public TDbi {
public:
    DBIResult DbiOpenDatabase(const QString& name, const QString& directory, hDBIDb& db) override
    {
        return ::DbiOpenDatabase(name, directory, db);
    }
    DBIResult DbiCloseDatabase(hDBIDb& db) override { return ::DbiCloseDatabase(db); }
    DBIResult DbiFormFullName(hDBIDb db, const QString& tableName, const QString& driver, QString& fullName) override
    {
        return ::DbiFormFullName(db, tableName, driver, fullName);
    }
    DBIResult DbiOpenTable(hDBIDb db, const QString& tableName, const QString& driverName, const QString& indexName,
                           const QString& tagName, int indexId, DBIOpenMode openMode, DBIShareMode shareMode,
                           hDBICur& cursor) override
    {
        return ::DbiOpenTable(db, tableName, driverName, indexName, tagName, indexId, openMode, shareMode, cursor);
    }
    DBIResult DbiCloseCursor(hDBICur& cursor) override { return ::DbiCloseCursor(cursor); }
    DBIResult DbiGetCursorProps(hDBICur cursor, CURProps& props) override { return ::DbiGetCursorProps(cursor, props); }
    DBIResult DbiGetFieldDescs(hDBICur cursor, FLDDesc* descs) override { return ::DbiGetFieldDescs(cursor, descs); }
    DBIResult DbiCloneCursor(hDBICur cursor, bool readOnly, hDBICur& clone) override
    {
        return ::DbiCloneCursor(cursor, readOnly, clone);
    }
    DBIResult DbiSetToBegin(hDBICur cursor) override { return ::DbiSetToBegin(cursor); }
    DBIResult DbiSetToEnd(hDBICur cursor) override { return ::DbiSetToEnd(cursor); }
    DBIResult DbiGetNextRecord(hDBICur cursor, DBILockType lock, uint8_t* buffer, RECProps* props) override
    {
        return ::DbiGetNextRecord(cursor, lock, buffer, props);
    }
    DBIResult DbiGetPriorRecord(hDBICur cursor, DBILockType lock, uint8_t* buffer, RECProps* props) override
    {
        return ::DbiGetPriorRecord(cursor, lock, buffer, props);
    }
    DBIResult DbiGetRecord(hDBICur cursor, DBILockType lock, uint8_t* buffer, RECProps* props) override
    {
        return ::DbiGetRecord(cursor, lock, buffer, props);
    }
    DBIResult DbiGetBookMark(hDBICur cursor, uint8_t* bookmark) override { return ::DbiGetBookMark(cursor, bookmark); }
    DBIResult DbiSetToBookMark(hDBICur cursor, const uint8_t* bookmark) override
    {
        return ::DbiSetToBookMark(cursor, bookmark);
    }
    DBIResult DbiCompareBookMarks(hDBICur cursor, const uint8_t* b1, const uint8_t* b2, int& result) override
    {
        return ::DbiCompareBookMarks(cursor, b1, b2, result);
    }
    DBIResult DbiInitRecord(hDBICur cursor, uint8_t* buffer) override { return ::DbiInitRecord(cursor, buffer); }
    DBIResult DbiInsertRecord(hDBICur cursor, DBILockType lock, const uint8_t* buffer) override
    {
        return ::DbiInsertRecord(cursor, lock, buffer);
    }
    DBIResult DbiModifyRecord(hDBICur cursor, const uint8_t* buffer, bool freeLock) override
    {
        return ::DbiModifyRecord(cursor, buffer, freeLock);
    }
    DBIResult DbiDeleteRecord(hDBICur cursor, const uint8_t* buffer) override
    {
        return ::DbiDeleteRecord(cursor, buffer);
    }
    DBIResult DbiRelRecordLock(hDBICur cursor, bool all) override { return ::DbiRelRecordLock(cursor, all); }
    DBIResult DbiGetRecordCount(hDBICur cursor, uint32_t& count) override
    {
        return ::DbiGetRecordCount(cursor, count);
    }
    DBIResult DbiForceReread(hDBICur cursor) override { return ::DbiForceReread(cursor); }
    DBIResult DbiGetField(hDBICur cursor, int fieldNo, const uint8_t* record, void* value, bool& blank) override
    {
        return ::DbiGetField(cursor, fieldNo, record, value, blank);
    }
    DBIResult DbiPutField(hDBICur cursor, int fieldNo, uint8_t* record, const void* value) override
    {
        return ::DbiPutField(cursor, fieldNo, record, value);
    }
    DBIResult DbiOpenBlob(hDBICur cursor, uint8_t* record, int fieldNo, DBIOpenMode mode) override
    {
        return ::DbiOpenBlob(cursor, record, fieldNo, mode);
    }
    DBIResult DbiFreeBlob(hDBICur cursor, uint8_t* record, int fieldNo) override
    {
        return ::DbiFreeBlob(cursor, record, fieldNo);
    }
    DBIResult DbiGetBlobSize(hDBICur cursor, uint8_t* record, int fieldNo, uint32_t& size) override
    {
        return ::DbiGetBlobSize(cursor, record, fieldNo, size);
    }
    DBIResult DbiGetBlob(hDBICur cursor, uint8_t* record, int fieldNo, uint32_t offset, uint32_t length, void* dest,
                         uint32_t& read) override
    {
        return ::DbiGetBlob(cursor, record, fieldNo, offset, length, dest, read);
    }
    DBIResult DbiPutBlob(hDBICur cursor, uint8_t* record, int fieldNo, uint32_t offset, uint32_t length,
                         const void* src) override
    {
        return ::DbiPutBlob(cursor, record, fieldNo, offset, length, src);
    }
    DBIResult DbiTruncateBlob(hDBICur cursor, uint8_t* record, int fieldNo, uint32_t length) override
    {
        return ::DbiTruncateBlob(cursor, record, fieldNo, length);
    }
    DBIResult DbiSwitchToIndex(hDBICur& cursor, const QString& indexName, const QString& tagName, int indexId,
                               bool currentRecord) override
    {
        return ::DbiSwitchToIndex(cursor, indexName, tagName, indexId, currentRecord);
    }
    DBIResult DbiGetIndexDesc(hDBICur cursor, int number, IDXDesc& desc) override
    {
        return ::DbiGetIndexDesc(cursor, number, desc);
    }
    DBIResult DbiOpenIndex(hDBICur cursor, const QString& indexName, int indexId) override
    {
        return ::DbiOpenIndex(cursor, indexName, indexId);
    }
    DBIResult DbiExtractKey(hDBICur cursor, const uint8_t* record, char* key) override
    {
        return ::DbiExtractKey(cursor, record, key);
    }
    DBIResult DbiSetToKey(hDBICur cursor, DBISearchCond cond, bool directKey, int fieldCount, int length,
                          const void* key) override
    {
        return ::DbiSetToKey(cursor, cond, directKey, fieldCount, length, key);
    }
    DBIResult DbiGetRecordForKey(hDBICur cursor, bool directKey, int fieldCount, int length, const void* key,
                                 uint8_t* record) override
    {
        return ::DbiGetRecordForKey(cursor, directKey, fieldCount, length, key, record);
    }
    DBIResult DbiSetRange(hDBICur cursor, bool keyItself, int fields1, int length1, const void* key1, bool include1,
                          int fields2, int length2, const void* key2, bool include2) override
    {
        return ::DbiSetRange(cursor, keyItself, fields1, length1, key1, include1, fields2, length2, key2, include2);
    }
    DBIResult DbiResetRange(hDBICur cursor) override { return ::DbiResetRange(cursor); }
    DBIResult DbiGetErrorString(DBIResult code, QString& text) override { return ::DbiGetErrorString(code, text); }
};

TEngineDbi g_engineDbi;
TEngineTableTypes g_tableTypes;

}  // namespace

DBIResult InstallDatabaseBridge()
{
    const DBIResult r = DbiInit();
    if (r != DBIERR_NONE)
        return r;
    SetDbi(&g_engineDbi);
    SetTableTypeRules(&g_tableTypes);
    ConnectDatabaseInfoToPrompts();
    ConnectLockWaitToUser();
    return DBIERR_NONE;
}

void UninstallDatabaseBridge()
{
    if (Dbi() == &g_engineDbi)
        SetDbi(nullptr);
    if (TableTypeRules() == &g_tableTypes)
        SetTableTypeRules(nullptr);
    dbf::SetLockWaitObserver({});
    DbiExit();
}
