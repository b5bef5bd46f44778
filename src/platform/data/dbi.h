#pragma once
// The procedural database API that the dataset classes call (the Dbi calls):
// cursors on tables, moves, record buffers, fields, blobs, indexes, key
// searches and ranges, each answering a result code (0 = success).
//
// The dataset layer holds records in buffers of the database's own layout
// and never looks inside them: every field value crosses through DbiGetField
// and DbiPutField in its native form (see TFieldNative below). The storage
// layer implements this interface over the DBF engine and installs it at
// start-up (SetDbi); tests install their own.

#include "platform/core/exceptions.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>

using DBIResult = uint16_t;
using hDBICur = uint32_t;  // cursor handle; a DBF work area in its low 16 bits
using hDBIDb = uint32_t;   // database handle

// Result codes.
enum : DBIResult {
    DBIERR_NONE = 0,
    DBIERR_BOF = 0x2201,              // before the first record
    DBIERR_EOF = 0x2202,              // after the last record
    DBIERR_KEYORRECDELETED = 0x2205,  // the current record left the view
    DBIERR_RECNOTFOUND = 0x2206,      // exact key not found
    DBIERR_UNKNOWNDB = 0x2208,        // no such database description
    DBIERR_INVALIDHNDL = 0x2706,      // not an open cursor
    DBIERR_VALUETOOWIDE = 0x2723,     // a value does not fit the field
    DBIERR_READERR = 0x2101,          // a read failed (the index or a record)
    DBIERR_LOCKED = 0x2805,           // the record lock failed, or another program holds the table
    DBIERR_NOASSOCINDEX = 0x2A05,     // no active order (index description)
    DBIERR_READONLYOPEN = 0x2A0B,     // the table can only be opened read-only
    DBIERR_NOCURRINDEX = 0x2A0C,      // no active order (key search)
    DBIERR_OPENFAILED = 0x2B03,       // the table did not open
    DBIERR_WRITEFAILED = 0x2B05,      // the engine refused to write the record
    DBIERR_NOTSUPPORTED = 0x3001,     // the call is not supported
    DBIERR_ENGINESTART = 0x63         // the engine did not start
};

// Field types of the field descriptors (iFldType) and subtypes.
enum : uint16_t {
    fldUNKNOWN = 0,
    fldZSTRING = 1,  // zero-terminated text, iLen = width + 1
    fldDATE = 2,     // int32 day number (see DateToDayNumber)
    fldBLOB = 3,     // read through the blob calls
    fldBOOL = 4,     // int16: 1 true, 0 false
    fldINT16 = 5,    // int16
    fldINT32 = 6,    // int32
    fldFLOAT = 7,    // double
    fldINVALID = 0xFF
};
enum : uint16_t { fldstNONE = 0, fldstMEMO = 22, fldstBINARY = 23 };

// Open and share modes, lock requests, search conditions.
enum DBIOpenMode : int { dbiREADWRITE = 0, dbiREADONLY = 1 };
enum DBIShareMode : int { dbiOPENSHARED = 0, dbiOPENEXCL = 1 };
enum DBILockType : int { dbiNOLOCK = 0, dbiREADLOCK = 1, dbiWRITELOCK = 2 };
enum DBISearchCond : int { keySEARCHEQ = 0, keySEARCHGT = 1, keySEARCHGEQ = 2 };

struct FLDDesc {
    uint16_t iFldNum = 0;  // 1-based
    char szName[32] = {};  // Windows-1252
    uint16_t iFldType = 0;
    uint16_t iSubType = 0;
    int16_t iUnits1 = 0;   // width (or 1)
    int16_t iUnits2 = 0;   // decimals
    uint16_t iOffset = 0;  // position in the record buffer (1 = deletion flag)
    uint16_t iLen = 0;     // size of the native value
    uint16_t iNullOffset = 0;
    uint16_t efldvVchk = 0;
    uint16_t efldrRights = 0;
};

struct CURProps {
    uint16_t iFields = 0;
    uint16_t iRecBufSize = 0;
    uint16_t iIndexes = 0;
    uint16_t iBookMarkSize = 0;
    uint16_t iValChecks = 0;
    int eOpenMode = dbiREADWRITE;
};

struct RECProps {
    uint32_t iPhyRecNum = 0;
    bool bDeleteFlag = false;
};

struct IDXDesc {
    char szName[256] = {};     // index file
    uint16_t iIndexId = 0;
    char szTagName[32] = {};
    bool bPrimary = false;
    bool bUnique = false;
    bool bDescending = false;
    bool bMaintained = false;
    bool bCaseInsensitive = false;
    bool bExpIdx = false;
    uint16_t iFldsInKey = 0;
    uint16_t iKeyLen = 0;
    uint16_t aiKeyFld[16] = {};  // field numbers of the key
    char szKeyExp[256] = {};     // key expression of an expression index
};

// Size of a key buffer handed to DbiExtractKey.
constexpr int DBIMAXKEYLEN = 256;

// The database API. Every call answers a result code.
class TDbi {
public:
    virtual ~TDbi() = default;

    // Databases (folders).
    virtual DBIResult DbiOpenDatabase(const QString& name, const QString& directory, hDBIDb& db) = 0;
    virtual DBIResult DbiCloseDatabase(hDBIDb& db) = 0;
    virtual DBIResult DbiFormFullName(hDBIDb db, const QString& tableName, const QString& driver,
                                      QString& fullName) = 0;

    // Tables and cursors.
    virtual DBIResult DbiOpenTable(hDBIDb db, const QString& tableName, const QString& driverName,
                                   const QString& indexName, const QString& tagName, int indexId,
                                   DBIOpenMode openMode, DBIShareMode shareMode, hDBICur& cursor) = 0;
    virtual DBIResult DbiCloseCursor(hDBICur& cursor) = 0;
    virtual DBIResult DbiGetCursorProps(hDBICur cursor, CURProps& props) = 0;
    virtual DBIResult DbiGetFieldDescs(hDBICur cursor, FLDDesc* descs) = 0;
    virtual DBIResult DbiCloneCursor(hDBICur cursor, bool readOnly, hDBICur& clone) = 0;

    // Moves and records.
    virtual DBIResult DbiSetToBegin(hDBICur cursor) = 0;
    virtual DBIResult DbiSetToEnd(hDBICur cursor) = 0;
    virtual DBIResult DbiGetNextRecord(hDBICur cursor, DBILockType lock, uint8_t* buffer, RECProps* props) = 0;
    virtual DBIResult DbiGetPriorRecord(hDBICur cursor, DBILockType lock, uint8_t* buffer, RECProps* props) = 0;
    virtual DBIResult DbiGetRecord(hDBICur cursor, DBILockType lock, uint8_t* buffer, RECProps* props) = 0;
    virtual DBIResult DbiGetBookMark(hDBICur cursor, uint8_t* bookmark) = 0;
    virtual DBIResult DbiSetToBookMark(hDBICur cursor, const uint8_t* bookmark) = 0;
    virtual DBIResult DbiCompareBookMarks(hDBICur cursor, const uint8_t* b1, const uint8_t* b2, int& result) = 0;
    virtual DBIResult DbiInitRecord(hDBICur cursor, uint8_t* buffer) = 0;
    virtual DBIResult DbiInsertRecord(hDBICur cursor, DBILockType lock, const uint8_t* buffer) = 0;
    virtual DBIResult DbiModifyRecord(hDBICur cursor, const uint8_t* buffer, bool freeLock) = 0;
    virtual DBIResult DbiDeleteRecord(hDBICur cursor, const uint8_t* buffer) = 0;
    virtual DBIResult DbiRelRecordLock(hDBICur cursor, bool all) = 0;
    virtual DBIResult DbiGetRecordCount(hDBICur cursor, uint32_t& count) = 0;
    virtual DBIResult DbiForceReread(hDBICur cursor) = 0;

    // Fields of a record buffer, in their native form.
    virtual DBIResult DbiGetField(hDBICur cursor, int fieldNo, const uint8_t* record, void* value,
                                  bool& blank) = 0;
    virtual DBIResult DbiPutField(hDBICur cursor, int fieldNo, uint8_t* record, const void* value) = 0;

    // Blobs (memo fields) of a record buffer. Binary safe.
    virtual DBIResult DbiOpenBlob(hDBICur cursor, uint8_t* record, int fieldNo, DBIOpenMode mode) = 0;
    virtual DBIResult DbiFreeBlob(hDBICur cursor, uint8_t* record, int fieldNo) = 0;
    virtual DBIResult DbiGetBlobSize(hDBICur cursor, uint8_t* record, int fieldNo, uint32_t& size) = 0;
    virtual DBIResult DbiGetBlob(hDBICur cursor, uint8_t* record, int fieldNo, uint32_t offset,
                                 uint32_t length, void* dest, uint32_t& read) = 0;
    virtual DBIResult DbiPutBlob(hDBICur cursor, uint8_t* record, int fieldNo, uint32_t offset,
                                 uint32_t length, const void* src) = 0;
    virtual DBIResult DbiTruncateBlob(hDBICur cursor, uint8_t* record, int fieldNo, uint32_t length) = 0;

    // Indexes, keys and ranges.
    virtual DBIResult DbiSwitchToIndex(hDBICur& cursor, const QString& indexName, const QString& tagName,
                                       int indexId, bool currentRecord) = 0;
    virtual DBIResult DbiGetIndexDesc(hDBICur cursor, int number, IDXDesc& desc) = 0;
    virtual DBIResult DbiOpenIndex(hDBICur cursor, const QString& indexName, int indexId) = 0;
    // The key text of a record buffer (null: the current record) into key
    // (DBIMAXKEYLEN bytes, zero-terminated).
    virtual DBIResult DbiExtractKey(hDBICur cursor, const uint8_t* record, char* key) = 0;
    // key: a key text when directKey is set, else a record buffer.
    virtual DBIResult DbiSetToKey(hDBICur cursor, DBISearchCond cond, bool directKey, int fieldCount,
                                  int length, const void* key) = 0;
    virtual DBIResult DbiGetRecordForKey(hDBICur cursor, bool directKey, int fieldCount, int length,
                                         const void* key, uint8_t* record) = 0;
    virtual DBIResult DbiSetRange(hDBICur cursor, bool keyItself, int fields1, int length1, const void* key1,
                                  bool include1, int fields2, int length2, const void* key2,
                                  bool include2) = 0;
    virtual DBIResult DbiResetRange(hDBICur cursor) = 0;

    virtual DBIResult DbiGetErrorString(DBIResult code, QString& text) = 0;
};

// The installed API (null before one is installed). Not owned.
TDbi* Dbi();
void SetDbi(TDbi* dbi);

// The one exception class of database failures; Message is the German text.
class EDatabaseError : public Exception {
public:
    explicit EDatabaseError(const QString& message, DBIResult code = 0)
        : Exception(message), ErrorCode(code) {}
    DBIResult ErrorCode;
};

[[noreturn]] void DatabaseError(const QString& message, DBIResult code = 0);

// The installed API; raises EDatabaseError when none is installed.
TDbi& InstalledDbi();

// Raises EDatabaseError with the API's error text when result is not 0.
void DbiCheck(DBIResult result);

// Information boxes of the database layer (texts of the API's
// implementation) go to one handler; the program connects it to its prompt
// service, tests to a recorder. Without a handler they are dropped.
using TDatabaseInfoHandler = std::function<void(const QString& text)>;
void SetDatabaseInfoHandler(TDatabaseInfoHandler handler);
void ShowDatabaseInfo(const QString& text);

// Native date values: the day number is the date serial (days since
// 30.12.1899) + 693594, so 1 is 01.01.0001.
constexpr int32_t kDayNumberDelta = 693594;
