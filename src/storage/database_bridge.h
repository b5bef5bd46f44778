#pragma once
// The database bridge: the database API of the dataset framework (the Dbi
// calls) over the DBF engine. A cursor handle is the engine work area of the
// open table (1-255); handles from 256 on are pseudo-cursors that hold no
// table: 256 stands at its end, 260 is a field list, 261 is inert.
//
// Free functions with module-level state, as the engine itself is.
// InstallDatabaseBridge starts the engine and makes these calls (and the
// table-type rules) the ones the dataset classes use.

#include "platform/data/dbi.h"

#include <QString>

#include <functional>
#include <utility>
#include <vector>

// Pseudo-cursors.
constexpr hDBICur kCursorAtEnd = 256;
constexpr hDBICur kCursorFieldList = 260;
constexpr hDBICur kCursorInert = 261;

// Starts the engine (DbiInit) and installs the bridge and the table-type
// rules; UninstallDatabaseBridge ends the engine (DbiExit) and removes them.
// The bridge's information boxes go to the prompt service from then on.
DBIResult InstallDatabaseBridge();
void UninstallDatabaseBridge();
// Routes the database layer's information boxes to the prompt service.
void ConnectDatabaseInfoToPrompts();
// While the engine waits for an album's index lock that another program
// holds, the user sees it: the hourglass cursor, and the wait notice (when
// set, e.g. a status line) gets a text naming the album, an empty text when
// the wait ends. Events go on meanwhile and Esc stops the wait (the call
// then fails: the album is busy). InstallDatabaseBridge connects it.
void ConnectLockWaitToUser();
void SetAlbumWaitNotice(std::function<void(const QString& text)> notice);
// When set and true, a wait for a busy album stops at its first step,
// before any event runs (the program is to end: the album is left to the
// other program). Esc stops it as well.
void SetAlbumWaitStop(std::function<bool()> stop);

// The engine work area of a cursor; 0xFFFF when the area is above 255 or
// holds no table (then nothing is selected), else the area selected before.
uint16_t SelectWorkArea(uint32_t area);

// Engine start and end.
DBIResult DbiInit();
DBIResult DbiExit();

// Databases (folders) and the default directory.
DBIResult DbiOpenDatabase(const QString& name, const QString& directory, hDBIDb& db);
DBIResult DbiCloseDatabase(hDBIDb& db);
DBIResult DbiSetDirectory(hDBIDb db, const QString& directory);
DBIResult DbiFormFullName(hDBIDb db, const QString& tableName, const QString& driver, QString& fullName);
// Parameters as (name, value); "PATH" sets the default directory.
DBIResult EngineSetPathFromParams(const std::vector<std::pair<QString, QString>>& params);
QString DefaultDirectory();
DBIResult DbiGetDatabaseDesc(const QString& name);
// Property 0x00040002 (database type) gives "STANDARD".
DBIResult DbiGetProp(uint32_t property, QString& value);
DBIResult DbiSetProp(uint32_t property, uint32_t value);
DBIResult DbiGetErrorString(DBIResult code, QString& text);
DBIResult DbiGetCurrSession(uint32_t& session);
DBIResult DbiStartSession();
DBIResult DbiSetCurrSession();
DBIResult DbiCloseSession();
DBIResult DbiGetSesInfo();
DBIResult EngineSessionNoOp();

// Tables and cursors.
DBIResult DbiOpenTable(hDBIDb db, const QString& tableName, const QString& driverName, const QString& indexName,
                       const QString& tagName, int indexId, DBIOpenMode openMode, DBIShareMode shareMode,
                       hDBICur& cursor);
DBIResult DbiCloseCursor(hDBICur& cursor);
DBIResult DbiGetCursorProps(hDBICur cursor, CURProps& props);
DBIResult DbiCloneCursor(hDBICur cursor, bool readOnly, hDBICur& clone);
DBIResult DbiOpenVchkList(hDBICur& cursor);
DBIResult DbiSetToCursor(hDBICur destination, hDBICur source);
// The engine type a table opens with: by the driver name ("DXNTX" 1, "DXFOX"
// 2, "DXNSX" 3, "RXNTX" 11, "RXFOX" 12, any other 2), or with no driver name
// by the first byte of the DBF file.
int TableEngineType(const QString& fullName, const QString& driverName);
// The alias a table file gets in its work area (Windows-1252 bytes).
QByteArray TableAlias(const QString& tableName);

// Not supported: each shows "This function not supported by the database
// engine : " with its name. Calls that would change data answer
// DBIERR_NOTSUPPORTED so no caller takes them for done; the others answer 0.
DBIResult DbiGetVchkDesc();
DBIResult DbiBatchMove();
DBIResult DbiQAlloc();
DBIResult DbiQPrepare();
DBIResult DbiQExec();
DBIResult DbiQFree();
DBIResult DbiQSetParams();
DBIResult DbiQPrepareProc();
DBIResult DbiQSetProcParams();
DBIResult DbiOpenSPParamList();
DBIResult DbiSetPrivateDir();
DBIResult DbiOpenIndex(hDBICur cursor, const QString& indexName, int indexId);
DBIResult DbiCloseIndex();
DBIResult DbiSaveChanges();
DBIResult DbiMakePermanent();
DBIResult DbiDeleteTable();
DBIResult DbiBcdFromFloat();
DBIResult DbiAddPassword();
DBIResult DbiDropPassword();
DBIResult DbiBeginDelayedUpdates();
DBIResult DbiEndDelayedUpdates();

// Silent calls: do nothing, answer 0.
DBIResult DbiGetLdObj();
DBIResult DbiGetLdName();
DBIResult OsLdLoadBySymbName();
DBIResult OsLdUnloadObj();
DBIResult DbiOpenTableList();
DBIResult DbiGetErrorEntry();
DBIResult DbiForceReread(hDBICur cursor);
DBIResult DbiAddFilter();
DBIResult DbiActivateFilter();
DBIResult DbiDeactivateFilter();
DBIResult DbiRegisterCallBack();
DBIResult DbiGetCallBack();
DBIResult DbiGetObjFromName();
DBIResult DbiCfgPosition();
DBIResult DbiCfgDropRecord();
DBIResult DbiTranslateTableName();
// Answer DBIERR_NOTSUPPORTED: the framework falls back to its own means.
DBIResult DbiGetExactRecordCount(hDBICur cursor, uint32_t& count);
DBIResult DbiGetSeqNo(hDBICur cursor, uint32_t& number);
DBIResult DbiCompareBookMarks(hDBICur cursor, const uint8_t* b1, const uint8_t* b2, int& result);
// No character-set conversion: the text is copied (at most length
// characters when length is 1 or more).
QByteArray DbiNativeToAnsi(const QByteArray& text, int length);
QByteArray DbiAnsiToNative(const QByteArray& text, int length);

// Moves and records.
DBIResult DbiSetToBegin(hDBICur cursor);
DBIResult DbiSetToEnd(hDBICur cursor);
DBIResult DbiGetNextRecord(hDBICur cursor, DBILockType lock, uint8_t* buffer, RECProps* props);
DBIResult DbiGetPriorRecord(hDBICur cursor, DBILockType lock, uint8_t* buffer, RECProps* props);
DBIResult DbiGetRecord(hDBICur cursor, DBILockType lock, uint8_t* buffer, RECProps* props);
DBIResult DbiGetBookMark(hDBICur cursor, uint8_t* bookmark);
DBIResult DbiSetToBookMark(hDBICur cursor, const uint8_t* bookmark);
DBIResult DbiInitRecord(hDBICur cursor, uint8_t* buffer);
DBIResult DbiInsertRecord(hDBICur cursor, DBILockType lock, const uint8_t* buffer);
DBIResult DbiModifyRecord(hDBICur cursor, const uint8_t* buffer, bool freeLock);
DBIResult DbiDeleteRecord(hDBICur cursor, const uint8_t* buffer);
DBIResult DbiRelRecordLock(hDBICur cursor, bool all);
DBIResult DbiGetRecordCount(hDBICur cursor, uint32_t& count);
DBIResult DbiDropFilter(hDBICur cursor);

// Fields.
DBIResult DbiGetFieldDescs(hDBICur cursor, FLDDesc* descs);
DBIResult DbiOpenFieldList(hDBIDb db, const QString& tableName, const QString& driverName, hDBICur& cursor);
DBIResult DbiGetField(hDBICur cursor, int fieldNo, const uint8_t* record, void* value, bool& blank);
DBIResult DbiPutField(hDBICur cursor, int fieldNo, uint8_t* record, const void* value);
DBIResult DbiOpenBlob(hDBICur cursor, uint8_t* record, int fieldNo, DBIOpenMode mode);
DBIResult DbiFreeBlob(hDBICur cursor, uint8_t* record, int fieldNo);
DBIResult DbiGetBlobSize(hDBICur cursor, uint8_t* record, int fieldNo, uint32_t& size);
DBIResult DbiGetBlob(hDBICur cursor, uint8_t* record, int fieldNo, uint32_t offset, uint32_t length, void* dest,
                     uint32_t& read);
DBIResult DbiPutBlob(hDBICur cursor, uint8_t* record, int fieldNo, uint32_t offset, uint32_t length,
                     const void* src);
DBIResult DbiTruncateBlob(hDBICur cursor, uint8_t* record, int fieldNo, uint32_t length);

// Indexes, keys and ranges.
DBIResult DbiSwitchToIndex(hDBICur& cursor, const QString& indexName, const QString& tagName, int indexId,
                           bool currentRecord);
DBIResult DbiGetIndexDesc(hDBICur cursor, int number, IDXDesc& desc);
DBIResult DbiGetIndexDescs(hDBICur cursor, IDXDesc* descs);
DBIResult DbiExtractKey(hDBICur cursor, const uint8_t* record, char* key);
DBIResult DbiSetToKey(hDBICur cursor, DBISearchCond cond, bool directKey, int fieldCount, int length,
                      const void* key);
DBIResult DbiGetRecordForKey(hDBICur cursor, bool directKey, int fieldCount, int length, const void* key,
                             uint8_t* record);
DBIResult DbiSetRange(hDBICur cursor, bool keyItself, int fields1, int length1, const void* key1, bool include1,
                      int fields2, int length2, const void* key2, bool include2);
DBIResult DbiResetRange(hDBICur cursor);
