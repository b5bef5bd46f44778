#pragma once
// A database API that passes every call on to another one: the base of
// wrappers that watch or change a few calls (tests and benchmarks count
// record reads or mark index flags with it).

#include "platform/data/dbi.h"

class TDbiForwarder : public TDbi {
public:
    explicit TDbiForwarder(TDbi* inner) : inner_(inner) {}

    // clang-format off
    DBIResult DbiOpenDatabase(const QString& name, const QString& directory, hDBIDb& db) override { return inner_->DbiOpenDatabase(name, directory, db); }
    DBIResult DbiCloseDatabase(hDBIDb& db) override { return inner_->DbiCloseDatabase(db); }
    DBIResult DbiFormFullName(hDBIDb db, const QString& tableName, const QString& driver, QString& fullName) override { return inner_->DbiFormFullName(db, tableName, driver, fullName); }
    DBIResult DbiOpenTable(hDBIDb db, const QString& tableName, const QString& driverName, const QString& indexName, const QString& tagName, int indexId, DBIOpenMode openMode, DBIShareMode shareMode, hDBICur& cursor) override { return inner_->DbiOpenTable(db, tableName, driverName, indexName, tagName, indexId, openMode, shareMode, cursor); }
    DBIResult DbiCloseCursor(hDBICur& cursor) override { return inner_->DbiCloseCursor(cursor); }
    DBIResult DbiGetCursorProps(hDBICur cursor, CURProps& props) override { return inner_->DbiGetCursorProps(cursor, props); }
    DBIResult DbiGetFieldDescs(hDBICur cursor, FLDDesc* descs) override { return inner_->DbiGetFieldDescs(cursor, descs); }
    DBIResult DbiCloneCursor(hDBICur cursor, bool readOnly, hDBICur& clone) override { return inner_->DbiCloneCursor(cursor, readOnly, clone); }
    DBIResult DbiSetToBegin(hDBICur cursor) override { return inner_->DbiSetToBegin(cursor); }
    DBIResult DbiSetToEnd(hDBICur cursor) override { return inner_->DbiSetToEnd(cursor); }
    DBIResult DbiGetNextRecord(hDBICur cursor, DBILockType lock, uint8_t* buffer, RECProps* props) override { return inner_->DbiGetNextRecord(cursor, lock, buffer, props); }
    DBIResult DbiGetPriorRecord(hDBICur cursor, DBILockType lock, uint8_t* buffer, RECProps* props) override { return inner_->DbiGetPriorRecord(cursor, lock, buffer, props); }
    DBIResult DbiGetRecord(hDBICur cursor, DBILockType lock, uint8_t* buffer, RECProps* props) override { return inner_->DbiGetRecord(cursor, lock, buffer, props); }
    DBIResult DbiGetBookMark(hDBICur cursor, uint8_t* bookmark) override { return inner_->DbiGetBookMark(cursor, bookmark); }
    DBIResult DbiSetToBookMark(hDBICur cursor, const uint8_t* bookmark) override { return inner_->DbiSetToBookMark(cursor, bookmark); }
    DBIResult DbiCompareBookMarks(hDBICur cursor, const uint8_t* b1, const uint8_t* b2, int& result) override { return inner_->DbiCompareBookMarks(cursor, b1, b2, result); }
    DBIResult DbiInitRecord(hDBICur cursor, uint8_t* buffer) override { return inner_->DbiInitRecord(cursor, buffer); }
    DBIResult DbiInsertRecord(hDBICur cursor, DBILockType lock, const uint8_t* buffer) override { return inner_->DbiInsertRecord(cursor, lock, buffer); }
    DBIResult DbiModifyRecord(hDBICur cursor, const uint8_t* buffer, bool freeLock) override { return inner_->DbiModifyRecord(cursor, buffer, freeLock); }
    DBIResult DbiDeleteRecord(hDBICur cursor, const uint8_t* buffer) override { return inner_->DbiDeleteRecord(cursor, buffer); }
    DBIResult DbiRelRecordLock(hDBICur cursor, bool all) override { return inner_->DbiRelRecordLock(cursor, all); }
    DBIResult DbiGetRecordCount(hDBICur cursor, uint32_t& count) override { return inner_->DbiGetRecordCount(cursor, count); }
    DBIResult DbiForceReread(hDBICur cursor) override { return inner_->DbiForceReread(cursor); }
    DBIResult DbiGetField(hDBICur cursor, int fieldNo, const uint8_t* record, void* value, bool& blank) override { return inner_->DbiGetField(cursor, fieldNo, record, value, blank); }
    DBIResult DbiPutField(hDBICur cursor, int fieldNo, uint8_t* record, const void* value) override { return inner_->DbiPutField(cursor, fieldNo, record, value); }
    DBIResult DbiOpenBlob(hDBICur cursor, uint8_t* record, int fieldNo, DBIOpenMode mode) override { return inner_->DbiOpenBlob(cursor, record, fieldNo, mode); }
    DBIResult DbiFreeBlob(hDBICur cursor, uint8_t* record, int fieldNo) override { return inner_->DbiFreeBlob(cursor, record, fieldNo); }
    DBIResult DbiGetBlobSize(hDBICur cursor, uint8_t* record, int fieldNo, uint32_t& size) override { return inner_->DbiGetBlobSize(cursor, record, fieldNo, size); }
    DBIResult DbiGetBlob(hDBICur cursor, uint8_t* record, int fieldNo, uint32_t offset, uint32_t length, void* dest, uint32_t& read) override { return inner_->DbiGetBlob(cursor, record, fieldNo, offset, length, dest, read); }
    DBIResult DbiPutBlob(hDBICur cursor, uint8_t* record, int fieldNo, uint32_t offset, uint32_t length, const void* src) override { return inner_->DbiPutBlob(cursor, record, fieldNo, offset, length, src); }
    DBIResult DbiTruncateBlob(hDBICur cursor, uint8_t* record, int fieldNo, uint32_t length) override { return inner_->DbiTruncateBlob(cursor, record, fieldNo, length); }
    DBIResult DbiSwitchToIndex(hDBICur& cursor, const QString& indexName, const QString& tagName, int indexId, bool currentRecord) override { return inner_->DbiSwitchToIndex(cursor, indexName, tagName, indexId, currentRecord); }
    DBIResult DbiGetIndexDesc(hDBICur cursor, int number, IDXDesc& desc) override { return inner_->DbiGetIndexDesc(cursor, number, desc); }
    DBIResult DbiOpenIndex(hDBICur cursor, const QString& indexName, int indexId) override { return inner_->DbiOpenIndex(cursor, indexName, indexId); }
    DBIResult DbiExtractKey(hDBICur cursor, const uint8_t* record, char* key) override { return inner_->DbiExtractKey(cursor, record, key); }
    DBIResult DbiSetToKey(hDBICur cursor, DBISearchCond cond, bool directKey, int fieldCount, int length, const void* key) override { return inner_->DbiSetToKey(cursor, cond, directKey, fieldCount, length, key); }
    DBIResult DbiGetRecordForKey(hDBICur cursor, bool directKey, int fieldCount, int length, const void* key, uint8_t* record) override { return inner_->DbiGetRecordForKey(cursor, directKey, fieldCount, length, key, record); }
    DBIResult DbiSetRange(hDBICur cursor, bool keyItself, int fields1, int length1, const void* key1, bool include1, int fields2, int length2, const void* key2, bool include2) override { return inner_->DbiSetRange(cursor, keyItself, fields1, length1, key1, include1, fields2, length2, key2, include2); }
    DBIResult DbiResetRange(hDBICur cursor) override { return inner_->DbiResetRange(cursor); }
    DBIResult DbiGetErrorString(DBIResult code, QString& text) override { return inner_->DbiGetErrorString(code, text); }
    // clang-format on

protected:
    TDbi* inner_;
};
