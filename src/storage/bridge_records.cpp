// The database bridge, second half: moves, record buffers, fields in their
// native form, blobs, index orders, key searches and ranges.

#include "platform/core/win1252.h"
#include "platform/dbf/dbe.h"
#include "storage/bridge_state.h"
#include "storage/database_bridge.h"

#include <QDate>

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace bridge;

namespace {

const QDate kSerialZero(1899, 12, 30);
constexpr char kPendingMark = '\x01';
constexpr size_t kRangeKeyMax = 100;

// Copies a record buffer into the engine's record buffer for the length of
// a call (so the engine evaluates and reads memos of that record) and puts
// the engine's own record back afterwards.
class EngineRecordSwap {
public:
    explicit EngineRecordSwap(const uint8_t* record)
    {
        size_ = static_cast<size_t>(std::max(dbe_RecSize(), 0));
        engine_ = reinterpret_cast<char*>(dbe_SysProp(DBE_PROP_RECBUFFER, 0));
        if (!engine_ || !record)
            return;
        saved_.assign(engine_, engine_ + size_);
        std::memcpy(engine_, record, size_);
        swapped_ = true;
    }
    ~EngineRecordSwap()
    {
        if (swapped_)
            std::memcpy(engine_, saved_.data(), size_);
    }
    EngineRecordSwap(const EngineRecordSwap&) = delete;
    EngineRecordSwap& operator=(const EngineRecordSwap&) = delete;

private:
    char* engine_ = nullptr;
    size_t size_ = 0;
    std::vector<char> saved_;
    bool swapped_ = false;
};

const FieldInfo* FieldOf(AreaRecord& area, int fieldNo)
{
    if (fieldNo < 1 || fieldNo > static_cast<int>(area.fields.size()))
        return nullptr;
    return &area.fields[static_cast<size_t>(fieldNo - 1)];
}

bool IsMemo(char type) { return type == 'M' || type == 'B' || type == 'P' || type == 'G'; }

void FillProps(RECProps* props)
{
    if (!props)
        return;
    props->iPhyRecNum = dbe_RecNo();
    props->bDeleteFlag = dbe_Deleted() != 0;
}

// Whether a move failed: 0 with a reason (moves clear the last error at
// their start, so a 0 without one is a move onto the phantom record).
bool Failed(int moved) { return moved == 0 && dbe_LastErrorCode() != DBE_ERR_NONE; }

DBIResult LockAndCopy(DBILockType lock, uint8_t* buffer)
{
    if (lock != dbiNOLOCK && dbe_Rlock(dbe_RecNo()) <= 0)
        return DBIERR_LOCKED;
    if (buffer)
        dbe_GetRecord(reinterpret_cast<char*>(buffer));
    return DBIERR_NONE;
}

std::string Copy(const char* text, size_t max = 255) { return std::string(text).substr(0, max); }

// The key text of a record buffer by the key rule of the current order.
std::string KeyOfRecord(const uint8_t* record)
{
    EngineRecordSwap swap(record);
    const std::string key = dbe_IndexKey(0);
    switch (dbe_EvalTest(key.c_str())) {
    case 1: return dbe_EvalString(key.c_str());
    case 2: return dbe_EvalString(("LTRIM(STR(" + key + ", 19))").c_str());
    case 3: return dbe_EvalLogical(key.c_str()) ? ".T." : ".F.";
    case 4: return dbe_EvalString(key.c_str());  // dates as "yyyymmdd", as the index keeps them
    default: return std::string();
    }
}

// Memo contents of a record buffer: pending contents, or the memo file's.
QByteArray BlobOf(AreaRecord& area, const FieldInfo& f, const uint8_t* record)
{
    const char* bytes = reinterpret_cast<const char*>(record) + f.offset;
    if (bytes[0] == kPendingMark) {
        const uint32_t id = static_cast<uint32_t>(std::atoi(std::string(bytes + 1, f.width - 1).c_str()));
        auto it = area.pendingBlobs.find(id);
        return it == area.pendingBlobs.end() ? QByteArray() : it->second;
    }
    EngineRecordSwap swap(record);
    const long length = dbe_GetBlobLength(f.name.c_str());
    if (length <= 0)
        return QByteArray();
    char* memo = dbe_GetMemo(f.name.c_str(), 0);
    if (!memo)
        return QByteArray();
    QByteArray result(memo, length);
    dbe_MemDealloc(memo);
    return result;
}

// Puts contents into a record buffer as pending memo contents.
void SetPendingBlob(AreaRecord& area, const FieldInfo& f, uint8_t* record, const QByteArray& bytes)
{
    if (f.width < 2)
        return;
    char* field = reinterpret_cast<char*>(record) + f.offset;
    uint32_t id = 0;
    if (field[0] == kPendingMark)
        id = static_cast<uint32_t>(std::atoi(std::string(field + 1, f.width - 1).c_str()));
    if (id == 0 || !area.pendingBlobs.count(id))
        id = area.nextPending++;
    area.pendingBlobs[id] = bytes;
    std::string mark(1, kPendingMark);
    mark += std::to_string(id);
    mark.resize(static_cast<size_t>(f.width), ' ');
    std::memcpy(field, mark.data(), static_cast<size_t>(f.width));
}

struct PendingWrite {
    const FieldInfo* field;
    QByteArray bytes;
};

// Takes the pending memo contents out of a buffer about to be written; the
// memo fields get the bytes they have in `base` (the stored record or blanks).
std::vector<PendingWrite> TakePendingBlobs(AreaRecord& area, std::vector<char>& image, const char* base)
{
    std::vector<PendingWrite> writes;
    for (const FieldInfo& f : area.fields) {
        if (!IsMemo(f.type) || image[static_cast<size_t>(f.offset)] != kPendingMark)
            continue;
        const uint32_t id =
            static_cast<uint32_t>(std::atoi(std::string(image.data() + f.offset + 1, f.width - 1).c_str()));
        auto it = area.pendingBlobs.find(id);
        if (it != area.pendingBlobs.end()) {
            writes.push_back({&f, it->second});
            area.pendingBlobs.erase(it);
        }
        if (base)
            std::memcpy(image.data() + f.offset, base + f.offset, static_cast<size_t>(f.width));
        else
            std::memset(image.data() + f.offset, ' ', static_cast<size_t>(f.width));
    }
    return writes;
}

bool WritePendingBlobs(const std::vector<PendingWrite>& writes)
{
    for (const PendingWrite& w : writes) {
        const bool binary = w.bytes.contains('\0') || w.field->type != 'M';
        if (!dbe_ReplaceBlob(w.field->name.c_str(), w.bytes.constData(), static_cast<uint32_t>(w.bytes.size()),
                             binary ? 1 : 0))
            return false;
    }
    return true;
}

std::string Trimmed(const char* bytes, int width)
{
    std::string s(bytes, static_cast<size_t>(width));
    const size_t end = s.find_last_not_of(' ');
    const size_t begin = s.find_first_not_of(' ');
    return end == std::string::npos ? std::string() : s.substr(begin, end - begin + 1);
}

}  // namespace

DBIResult bridge::MoveFailed()
{
    const int code = dbe_LastErrorCode();
    return code == DBE_ERR_BUSY || code == DBE_ERR_REFUSED ? DBIERR_LOCKED : DBIERR_READERR;
}

// ---------------------------------------------------------------------------
// Moves and records
// ---------------------------------------------------------------------------

DBIResult DbiSetToBegin(hDBICur cursor)
{
    AreaSelection sel(cursor);
    if (!sel.ok())
        return DBIERR_INVALIDHNDL;
    if (Failed(dbe_GoTop()) || Failed(dbe_Skip(-1)))
        return MoveFailed();
    return DBIERR_NONE;
}

DBIResult DbiSetToEnd(hDBICur cursor)
{
    AreaSelection sel(cursor);
    if (!sel.ok())
        return DBIERR_INVALIDHNDL;
    if (Failed(dbe_GoBottom()) || Failed(dbe_Skip(1)))
        return MoveFailed();
    return DBIERR_NONE;
}

DBIResult DbiGetNextRecord(hDBICur cursor, DBILockType lock, uint8_t* buffer, RECProps* props)
{
    if (cursor == kCursorAtEnd || cursor == kCursorInert)
        return DBIERR_EOF;
    if (cursor == kCursorFieldList) {
        size_t& pos = FieldListPosition();
        if (pos >= FieldList().size())
            return DBIERR_EOF;
        if (buffer)
            std::memcpy(buffer, &FieldList()[pos], sizeof(FLDDesc));
        ++pos;
        return DBIERR_NONE;
    }
    AreaSelection sel(cursor);
    if (!sel.ok())
        return DBIERR_INVALIDHNDL;
    if (Failed(dbe_Bof() ? dbe_GoTop() : dbe_Skip(1)))
        return MoveFailed();
    FillProps(props);
    if (dbe_Eof())
        return DBIERR_EOF;
    return LockAndCopy(lock, buffer);
}

DBIResult DbiGetPriorRecord(hDBICur cursor, DBILockType lock, uint8_t* buffer, RECProps* props)
{
    if (cursor == kCursorAtEnd || cursor == kCursorInert || cursor == kCursorFieldList)
        return DBIERR_BOF;
    AreaSelection sel(cursor);
    if (!sel.ok())
        return DBIERR_INVALIDHNDL;
    if (Failed(dbe_Skip(-1)))
        return MoveFailed();
    FillProps(props);
    if (dbe_Bof()) {
        if (Failed(dbe_GoTop()) || Failed(dbe_Skip(-1)))  // stay before the first record
            return MoveFailed();
        return DBIERR_BOF;
    }
    return LockAndCopy(lock, buffer);
}

DBIResult DbiGetRecord(hDBICur cursor, DBILockType lock, uint8_t* buffer, RECProps* props)
{
    if (cursor == kCursorAtEnd || cursor == kCursorInert)
        return DBIERR_EOF;
    AreaSelection sel(cursor);
    if (!sel.ok())
        return DBIERR_INVALIDHNDL;
    if (dbe_Eof())
        return DBIERR_EOF;
    if (dbe_Bof())
        return DBIERR_BOF;
    if (lock != dbiNOLOCK) {
        if (dbe_Rlock(dbe_RecNo()) <= 0)
            return DBIERR_LOCKED;
        sel.record().pendingBlobs.clear();  // an edit starts
    }
    // The in-view check: with a query or hidden deleted records, the current
    // record may have left the view.
    if (dbe_DBFilter()[0] != '\0' || dbe_SysProp(DBE_PROP_GET_DELETED, 0) == 1) {
        const uint32_t old = dbe_RecNo();
        if (Failed(dbe_Skip(1)) || Failed(dbe_Skip(-1))) {
            const DBIResult failed = MoveFailed();
            dbe_Go(old);
            return failed;
        }
        if (dbe_RecNo() != old) {
            if (old >= dbe_RecCount())
                dbe_Go(dbe_RecCount() + 1);
            else
                dbe_Go(old);
            return DBIERR_KEYORRECDELETED;
        }
    }
    if (buffer)
        dbe_GetRecord(reinterpret_cast<char*>(buffer));
    FillProps(props);
    return DBIERR_NONE;
}

DBIResult DbiGetBookMark(hDBICur cursor, uint8_t* bookmark)
{
    AreaSelection sel(cursor);
    if (!sel.ok())
        return DBIERR_INVALIDHNDL;
    const uint32_t recno = dbe_RecNo();
    std::memcpy(bookmark, &recno, 4);
    return DBIERR_NONE;
}

DBIResult DbiSetToBookMark(hDBICur cursor, const uint8_t* bookmark)
{
    AreaSelection sel(cursor);
    if (!sel.ok())
        return DBIERR_INVALIDHNDL;
    uint32_t recno = 0;
    std::memcpy(&recno, bookmark, 4);
    dbe_Go(recno > dbe_RecCount() ? dbe_RecCount() + 1 : recno);
    return DBIERR_NONE;
}

DBIResult DbiInitRecord(hDBICur cursor, uint8_t* buffer)
{
    AreaSelection sel(cursor);
    if (!sel.ok())
        return DBIERR_INVALIDHNDL;
    std::memset(buffer, ' ', static_cast<size_t>(dbe_RecSize()));
    sel.record().pendingBlobs.clear();  // an insert (or a key buffer in browse state) starts
    return DBIERR_NONE;
}

DBIResult DbiInsertRecord(hDBICur cursor, DBILockType lock, const uint8_t* buffer)
{
    AreaSelection sel(cursor);
    if (!sel.ok())
        return DBIERR_INVALIDHNDL;
    std::vector<char> image(reinterpret_cast<const char*>(buffer),
                            reinterpret_cast<const char*>(buffer) + dbe_RecSize());
    const std::vector<PendingWrite> blobs = TakePendingBlobs(sel.record(), image, nullptr);
    if (!dbe_AppendBlank())
        return DBIERR_WRITEFAILED;
    const uint32_t recno = dbe_RecNo();
    const bool locked = lock != dbiNOLOCK;
    if (locked && dbe_Rlock(recno) <= 0) {
        // The new record cannot be ours: mark it deleted rather than leave a
        // blank entry behind.
        dbe_Delete();
        return DBIERR_LOCKED;
    }
    // A posted record is in the table file when the post returns (an
    // exclusive append would else wait in memory for the next one).
    const bool ok = dbe_PutRecord(image.data()) && WritePendingBlobs(blobs) && dbe_WriteAppended();
    if (!ok) {
        // The record (or one of its memos) could not be written: the blank
        // record the append made is not left behind as an entry (the
        // engine's last error still names the failed write).
        dbe_Delete();
    }
    if (locked)
        dbe_Unlock(recno);
    return ok ? DBIERR_NONE : DBIERR_WRITEFAILED;
}

DBIResult DbiModifyRecord(hDBICur cursor, const uint8_t* buffer, bool freeLock)
{
    AreaSelection sel(cursor);
    if (!sel.ok())
        return DBIERR_INVALIDHNDL;
    std::vector<char> stored(static_cast<size_t>(dbe_RecSize()));
    dbe_GetRecord(stored.data());
    std::vector<char> image(reinterpret_cast<const char*>(buffer),
                            reinterpret_cast<const char*>(buffer) + stored.size());
    const std::vector<PendingWrite> blobs = TakePendingBlobs(sel.record(), image, stored.data());
    const bool ok = dbe_PutRecord(image.data()) && WritePendingBlobs(blobs) && dbe_WriteAppended();
    if (freeLock)
        dbe_Unlock(dbe_RecNo());
    return ok ? DBIERR_NONE : DBIERR_WRITEFAILED;
}

DBIResult DbiDeleteRecord(hDBICur cursor, const uint8_t*)
{
    AreaSelection sel(cursor);
    if (!sel.ok())
        return DBIERR_INVALIDHNDL;
    return dbe_Delete() ? DBIERR_NONE : DBIERR_WRITEFAILED;
}

DBIResult DbiRelRecordLock(hDBICur cursor, bool all)
{
    AreaSelection sel(cursor);
    if (!sel.ok())
        return DBIERR_INVALIDHNDL;
    dbe_Unlock(all ? 0 : dbe_RecNo());
    return DBIERR_NONE;
}

DBIResult DbiGetRecordCount(hDBICur cursor, uint32_t& count)
{
    AreaSelection sel(cursor);
    if (!sel.ok())
        return DBIERR_INVALIDHNDL;
    // A query or a range narrows the view: count what it shows.
    const bool narrowed = dbe_DBFilter()[0] != '\0' || dbe_GetScope(0)[0] != '\0' || dbe_GetScope(1)[0] != '\0';
    count = narrowed ? dbe_QueryRecCount() : dbe_RecCount();
    if (narrowed && count == 0 && dbe_LastErrorCode() != DBE_ERR_NONE)
        return MoveFailed();  // the order could not be read: not "empty"
    return DBIERR_NONE;
}

DBIResult DbiDropFilter(hDBICur cursor)
{
    AreaSelection sel(cursor);
    if (!sel.ok())
        return DBIERR_INVALIDHNDL;
    dbe_Query(nullptr);
    return DBIERR_NONE;
}

// ---------------------------------------------------------------------------
// Fields
// ---------------------------------------------------------------------------

static void Describe(const FieldInfo& f, int number, FLDDesc& d)
{
    d = FLDDesc();
    d.iFldNum = static_cast<uint16_t>(number);
    std::strncpy(d.szName, f.name.c_str(), sizeof d.szName - 1);
    d.iOffset = static_cast<uint16_t>(f.offset + 1);
    switch (f.type) {
    case 'C':
        d.iFldType = fldZSTRING;
        d.iUnits1 = static_cast<int16_t>(f.width);
        d.iLen = static_cast<uint16_t>(f.width + 1);
        break;
    case 'V':
        d.iFldType = fldZSTRING;
        d.iUnits1 = 254;
        d.iLen = 255;
        break;
    case 'D':
        d.iFldType = fldDATE;
        d.iUnits1 = 1;
        d.iLen = 4;
        break;
    case 'L':
        d.iFldType = fldBOOL;
        d.iUnits1 = 1;
        d.iLen = 2;
        break;
    case 'M':
    case 'B':
    case 'P':
        d.iFldType = fldBLOB;
        d.iSubType = fldstMEMO;
        d.iUnits1 = 1;
        break;
    case 'N':
        if (f.decimals == 0 && f.width >= 1 && f.width <= 4) {
            d.iFldType = fldINT16;
            d.iUnits1 = 1;
            d.iLen = 2;
        } else {
            d.iFldType = fldFLOAT;
            d.iUnits1 = static_cast<int16_t>(f.width);
            d.iUnits2 = static_cast<int16_t>(f.decimals);
            d.iLen = 8;
        }
        break;
    default:
        ShowDatabaseInfo(QStringLiteral("Invalid Field Type ") + QChar::fromLatin1(f.type));
        d.iFldType = fldINVALID;
        break;
    }
}

DBIResult DbiGetFieldDescs(hDBICur cursor, FLDDesc* descs)
{
    AreaSelection sel(cursor);
    if (!sel.ok())
        return DBIERR_INVALIDHNDL;
    AreaRecord& area = sel.record();
    area.descs.assign(area.fields.size(), FLDDesc());
    for (size_t i = 0; i < area.fields.size(); ++i) {
        Describe(area.fields[i], static_cast<int>(i + 1), area.descs[i]);
        if (descs)
            descs[i] = area.descs[i];
    }
    area.fieldCount = static_cast<int>(area.fields.size());
    area.workBuffer.assign(static_cast<size_t>(std::max(dbe_RecSize(), 1)), ' ');
    return DBIERR_NONE;
}

DBIResult DbiOpenFieldList(hDBIDb db, const QString& tableName, const QString& driverName, hDBICur& cursor)
{
    FieldList().clear();
    FieldListPosition() = 0;
    const QByteArray alias = TableAlias(tableName);
    const uint16_t open = dbe_WorkArea(alias.constData());
    if (open != 0 && bridge::Area(open) && !bridge::Area(open)->descs.empty()) {
        FieldList() = bridge::Area(open)->descs;
    } else {
        hDBICur table = 0;
        const DBIResult r = DbiOpenTable(db, tableName, driverName, QString(), QString(), 0, dbiREADONLY,
                                         dbiOPENSHARED, table);
        if (r != DBIERR_NONE)
            return r;
        std::vector<FLDDesc> scratch(255);
        CURProps props;
        DbiGetCursorProps(table, props);
        scratch.resize(std::min<size_t>(props.iFields, 255));
        DbiGetFieldDescs(table, scratch.data());
        FieldList() = scratch;
        DbiCloseCursor(table);
    }
    cursor = kCursorFieldList;
    return DBIERR_NONE;
}

DBIResult DbiGetField(hDBICur cursor, int fieldNo, const uint8_t* record, void* value, bool& blank)
{
    AreaSelection sel(cursor);
    if (!sel.ok())
        return DBIERR_INVALIDHNDL;
    blank = false;
    const FieldInfo* f = FieldOf(sel.record(), fieldNo);
    if (!f)
        return DBIERR_INVALIDHNDL;
    if (!value || IsMemo(f->type))
        return DBIERR_NONE;
    const char* bytes = reinterpret_cast<const char*>(record) + f->offset;
    const std::string text = Trimmed(bytes, f->width);
    if (text.empty()) {
        blank = true;
        return DBIERR_NONE;
    }
    switch (f->type) {
    case 'C':
    case 'V': {
        std::string s(bytes, static_cast<size_t>(f->width));
        s.erase(s.find_last_not_of(' ') + 1);
        std::memcpy(value, s.c_str(), s.size() + 1);
        break;
    }
    case 'D': {
        const QDate date = QDate::fromString(QString::fromLatin1(text.c_str()), QStringLiteral("yyyyMMdd"));
        if (text == "00000000" || !date.isValid()) {
            blank = true;
            break;
        }
        const int32_t day = static_cast<int32_t>(kSerialZero.daysTo(date)) + kDayNumberDelta;
        std::memcpy(value, &day, 4);
        break;
    }
    case 'L': {
        const char c = text[0];
        const int16_t v = (c == 'T' || c == 't' || c == 'Y' || c == 'y') ? 1 : 0;
        std::memcpy(value, &v, 2);
        break;
    }
    case 'N': {
        // A text that is no number (an overflow "***", damage) reads as blank.
        bool ok = false;
        const double d = QByteArray::fromStdString(text).toDouble(&ok);
        if (!ok) {
            blank = true;
            break;
        }
        if (f->decimals == 0 && f->width >= 1 && f->width <= 4) {
            const int16_t v = static_cast<int16_t>(d);
            std::memcpy(value, &v, 2);
        } else {
            std::memcpy(value, &d, 8);
        }
        break;
    }
    default: blank = true; break;
    }
    return DBIERR_NONE;
}

DBIResult DbiPutField(hDBICur cursor, int fieldNo, uint8_t* record, const void* value)
{
    AreaSelection sel(cursor);
    if (!sel.ok())
        return DBIERR_INVALIDHNDL;
    const FieldInfo* f = FieldOf(sel.record(), fieldNo);
    if (!f)
        return DBIERR_INVALIDHNDL;
    if (IsMemo(f->type))
        return DBIERR_NONE;
    static const uint8_t zeros[256] = {};
    const void* v = value ? value : zeros;
    std::string text;
    bool rightAligned = false;
    switch (f->type) {
    case 'C':
    case 'V': text = static_cast<const char*>(v); break;
    case 'D': {
        int32_t day = 0;
        std::memcpy(&day, v, 4);
        if (day != 0) {
            const QDate date = kSerialZero.addDays(day - kDayNumberDelta);
            if (!date.isValid() || date.year() < 1 || date.year() > 9999)
                return DBIERR_VALUETOOWIDE;
            text = date.toString(QStringLiteral("yyyyMMdd")).toStdString();
        }
        break;
    }
    case 'L': text.assign(1, *static_cast<const uint8_t*>(v) == 1 ? 'T' : 'F'); break;
    case 'N': {
        rightAligned = true;
        if (f->decimals == 0 && f->width >= 1 && f->width <= 4) {
            int16_t i = 0;
            std::memcpy(&i, v, 2);
            text = std::to_string(i);
            if (static_cast<int>(text.size()) > f->width)
                return DBIERR_VALUETOOWIDE;
        } else {
            double d = 0;
            std::memcpy(&d, v, 8);
            if (!std::isfinite(d))
                return DBIERR_VALUETOOWIDE;
            int decimals = f->decimals;
            text = QByteArray::number(d, 'f', decimals).toStdString();
            if (static_cast<int>(text.size()) > f->width + f->decimals + 1)
                return DBIERR_VALUETOOWIDE;
            while (static_cast<int>(text.size()) > f->width && decimals > 0)
                text = QByteArray::number(d, 'f', --decimals).toStdString();
            if (static_cast<int>(text.size()) > f->width)
                return DBIERR_VALUETOOWIDE;
        }
        break;
    }
    default: return DBIERR_NONE;
    }
    if (static_cast<int>(text.size()) > f->width)
        text.resize(static_cast<size_t>(f->width));
    std::string padded(static_cast<size_t>(f->width) - text.size(), ' ');
    padded = rightAligned ? padded + text : text + padded;
    std::memcpy(record + f->offset, padded.data(), static_cast<size_t>(f->width));
    return DBIERR_NONE;
}

DBIResult DbiOpenBlob(hDBICur, uint8_t*, int, DBIOpenMode) { return DBIERR_NONE; }
DBIResult DbiFreeBlob(hDBICur, uint8_t*, int) { return DBIERR_NONE; }

DBIResult DbiGetBlobSize(hDBICur cursor, uint8_t* record, int fieldNo, uint32_t& size)
{
    AreaSelection sel(cursor);
    if (!sel.ok())
        return DBIERR_INVALIDHNDL;
    const FieldInfo* f = FieldOf(sel.record(), fieldNo);
    size = f && IsMemo(f->type) ? static_cast<uint32_t>(BlobOf(sel.record(), *f, record).size()) : 0;
    return DBIERR_NONE;
}

DBIResult DbiGetBlob(hDBICur cursor, uint8_t* record, int fieldNo, uint32_t offset, uint32_t length, void* dest,
                     uint32_t& read)
{
    read = 0;
    AreaSelection sel(cursor);
    if (!sel.ok())
        return DBIERR_INVALIDHNDL;
    const FieldInfo* f = FieldOf(sel.record(), fieldNo);
    if (!f || !IsMemo(f->type))
        return DBIERR_NONE;
    const QByteArray bytes = BlobOf(sel.record(), *f, record);
    // Only what was asked for, never past the caller's length.
    if (offset < static_cast<uint32_t>(bytes.size())) {
        read = std::min<uint32_t>(length, static_cast<uint32_t>(bytes.size()) - offset);
        std::memcpy(dest, bytes.constData() + offset, read);
    }
    return DBIERR_NONE;
}

DBIResult DbiPutBlob(hDBICur cursor, uint8_t* record, int fieldNo, uint32_t offset, uint32_t length,
                     const void* src)
{
    AreaSelection sel(cursor);
    if (!sel.ok())
        return DBIERR_INVALIDHNDL;
    const FieldInfo* f = FieldOf(sel.record(), fieldNo);
    if (!f || !IsMemo(f->type))
        return DBIERR_NONE;
    QByteArray bytes;
    if (offset > 0) {
        bytes = BlobOf(sel.record(), *f, record).left(static_cast<qsizetype>(offset));
        bytes.append(QByteArray(static_cast<qsizetype>(offset) - bytes.size(), '\0'));
    }
    bytes.append(static_cast<const char*>(src), static_cast<qsizetype>(length));
    SetPendingBlob(sel.record(), *f, record, bytes);
    return DBIERR_NONE;
}

DBIResult DbiTruncateBlob(hDBICur cursor, uint8_t* record, int fieldNo, uint32_t length)
{
    AreaSelection sel(cursor);
    if (!sel.ok())
        return DBIERR_INVALIDHNDL;
    const FieldInfo* f = FieldOf(sel.record(), fieldNo);
    if (!f || !IsMemo(f->type))
        return DBIERR_NONE;
    const QByteArray bytes = length == 0 ? QByteArray() : BlobOf(sel.record(), *f, record).left(length);
    SetPendingBlob(sel.record(), *f, record, bytes);
    return DBIERR_NONE;
}

// ---------------------------------------------------------------------------
// Indexes, keys and ranges
// ---------------------------------------------------------------------------

static QString BaseName(const QString& name)
{
    QString s = name.mid(std::max(name.lastIndexOf(u'\\'), std::max(name.lastIndexOf(u'/'), name.lastIndexOf(u':'))) + 1);
    const int dot = s.lastIndexOf(u'.');
    return dot >= 0 ? s.left(dot) : s;
}

DBIResult DbiSwitchToIndex(hDBICur& cursor, const QString&, const QString& tagName, int, bool)
{
    AreaSelection sel(cursor);
    if (!sel.ok())
        return DBIERR_INVALIDHNDL;
    if (tagName.isEmpty()) {
        dbe_SetOrder(0);
        return DBIERR_NONE;
    }
    if (dbe_SysProp(DBE_PROP_MULTI_TAG, 0) == 1) {
        const QString wanted = BaseName(tagName);
        for (int order = 1;; ++order) {
            const QString tag = Win1252Decode(dbe_TagName(order));
            if (tag.isEmpty())
                break;
            if (BaseName(tag).compare(wanted, Qt::CaseInsensitive) == 0) {
                dbe_SetOrder(order);
                return DBIERR_NONE;
            }
        }
    }
    QString name = tagName.mid(std::max(tagName.lastIndexOf(u'\\'), tagName.lastIndexOf(u'/')) + 1);
    dbe_SetOrder(dbe_TagArea(Win1252Encode(name).value_or(QByteArray()).constData()));
    return DBIERR_NONE;
}

DBIResult DbiGetIndexDesc(hDBICur cursor, int number, IDXDesc& desc)
{
    AreaSelection sel(cursor);
    if (!sel.ok())
        return DBIERR_INVALIDHNDL;
    const int previous = number != 0 ? dbe_SetOrder(number) : -1;
    struct Restore {
        int order;
        ~Restore()
        {
            if (order >= 0)
                dbe_SetOrder(order);
        }
    } restore{previous};
    if (dbe_IndexOrd() == 0)
        return DBIERR_NOASSOCINDEX;
    desc = IDXDesc();
    std::strncpy(desc.szTagName, dbe_TagName(0), sizeof desc.szTagName - 1);
    std::strncpy(desc.szName, dbe_IndexName(0), sizeof desc.szName - 1);
    desc.iIndexId = static_cast<uint16_t>(dbe_IndexOrd());
    desc.bMaintained = true;
    desc.bExpIdx = false;
    desc.iKeyLen = 255;
    const std::string keyField = dbe_IndexKeyField(0);
    const std::string key = dbe_IndexKey(0);
    // A key made of fields alone ("NAME", "NAME+PFAD") is a field index with
    // those fields in key order; anything else is an expression index.
    std::vector<int> keyFields;
    bool plain = keyField == key;
    for (const QString& part : QString::fromLatin1(key.c_str()).split(u'+')) {
        const int no = dbe_FieldNum(part.trimmed().toLatin1().constData());
        if (no <= 0 || keyFields.size() == 16) {
            plain = false;
            break;
        }
        keyFields.push_back(no);
    }
    if (!plain) {
        desc.bExpIdx = true;
        std::strncpy(desc.szKeyExp, key.c_str(), sizeof desc.szKeyExp - 1);
        return DBIERR_NONE;
    }
    for (int no : keyFields)
        desc.aiKeyFld[desc.iFldsInKey++] = static_cast<uint16_t>(no);
    return DBIERR_NONE;
}

DBIResult DbiGetIndexDescs(hDBICur cursor, IDXDesc* descs)
{
    AreaSelection sel(cursor);
    if (!sel.ok())
        return DBIERR_INVALIDHNDL;
    const int orders = static_cast<int>(dbe_SysProp(DBE_PROP_ORDER_COUNT, 0));
    for (int n = 1; n <= orders; ++n)
        DbiGetIndexDesc(cursor, n, descs[n - 1]);
    return DBIERR_NONE;
}

DBIResult DbiExtractKey(hDBICur cursor, const uint8_t* record, char* key)
{
    AreaSelection sel(cursor);
    if (!sel.ok())
        return DBIERR_INVALIDHNDL;
    const std::string text = record ? KeyOfRecord(record) : std::string(dbe_KeyData());
    std::strncpy(key, Copy(text.c_str(), DBIMAXKEYLEN - 1).c_str(), DBIMAXKEYLEN - 1);
    key[DBIMAXKEYLEN - 1] = '\0';
    return DBIERR_NONE;
}

DBIResult DbiSetToKey(hDBICur cursor, DBISearchCond cond, bool directKey, int, int, const void* key)
{
    AreaSelection sel(cursor);
    if (!sel.ok())
        return DBIERR_INVALIDHNDL;
    if (dbe_IndexOrd() == 0)
        return DBIERR_NOCURRINDEX;
    std::string text;
    if (directKey) {
        text = static_cast<const char*>(key);
    } else {
        dbe_Commit();
        text = KeyOfRecord(static_cast<const uint8_t*>(key));
    }
    const intptr_t softSeek = dbe_SysProp(DBE_PROP_GET_SOFTSEEK, 0);
    const intptr_t exact = dbe_SysProp(DBE_PROP_GET_EXACT, 0);
    const uint32_t saved = dbe_RecNo();
    if (cond == keySEARCHEQ) {
        dbe_SysProp(DBE_PROP_SET_EXACT, 1);
        dbe_SysProp(DBE_PROP_SET_SOFTSEEK, 0);
    } else {
        dbe_SysProp(DBE_PROP_SET_EXACT, 0);
        dbe_SysProp(DBE_PROP_SET_SOFTSEEK, 1);
        if (cond == keySEARCHGT && !text.empty()) {
            // The smallest prefix above every key that starts with the text:
            // the last byte below 0xFF raised by one, the 0xFF bytes after it
            // dropped. Text of 0xFF bytes only: no key is greater.
            const size_t last = text.find_last_not_of('\xFF');
            if (last == std::string::npos) {
                dbe_SysProp(DBE_PROP_SET_EXACT, exact);
                dbe_SysProp(DBE_PROP_SET_SOFTSEEK, softSeek);
                if (Failed(dbe_GoBottom()) || Failed(dbe_Skip(1)))
                    return MoveFailed();
                return DBIERR_NONE;
            }
            text.resize(last + 1);
            text.back() = static_cast<char>(static_cast<unsigned char>(text.back()) + 1);
        }
    }
    const int found = dbe_Seek(text.c_str());
    // (0 with an error: the seek could not read the index or was refused; it
    // stands where it stood.)
    const DBIResult failed = Failed(found) ? MoveFailed() : DBIResult(DBIERR_NONE);
    dbe_SysProp(DBE_PROP_SET_EXACT, exact);
    dbe_SysProp(DBE_PROP_SET_SOFTSEEK, softSeek);
    if (failed != DBIERR_NONE)
        return failed;
    if (cond == keySEARCHEQ && !found) {
        dbe_Go(saved);
        return DBIERR_RECNOTFOUND;
    }
    return DBIERR_NONE;
}

DBIResult DbiGetRecordForKey(hDBICur cursor, bool directKey, int fieldCount, int length, const void* key,
                             uint8_t* record)
{
    const DBIResult r = DbiSetToKey(cursor, keySEARCHEQ, directKey, fieldCount, length, key);
    if (r == DBIERR_NONE && record) {
        AreaSelection sel(cursor);
        dbe_GetRecord(reinterpret_cast<char*>(record));
    }
    return r;
}

DBIResult DbiSetRange(hDBICur cursor, bool keyItself, int, int, const void* key1, bool, int, int, const void* key2,
                      bool)
{
    std::string low, high;
    {
        AreaSelection sel(cursor);
        if (!sel.ok())
            return DBIERR_INVALIDHNDL;
        if (keyItself) {
            low = key1 ? static_cast<const char*>(key1) : "";
            high = key2 ? static_cast<const char*>(key2) : "";
        } else {
            dbe_Commit();
            low = key1 ? KeyOfRecord(static_cast<const uint8_t*>(key1)) : "";
            high = key2 ? KeyOfRecord(static_cast<const uint8_t*>(key2)) : "";
        }
        low = low.substr(0, kRangeKeyMax);
        high = high.substr(0, kRangeKeyMax);
        dbe_SetScope(low.c_str(), high.c_str());
    }
    return DbiSetToBegin(cursor);
}

DBIResult DbiResetRange(hDBICur cursor)
{
    AreaSelection sel(cursor);
    if (!sel.ok())
        return DBIERR_INVALIDHNDL;
    const bool pastEnd = dbe_Eof() != 0;
    const uint32_t recno = dbe_RecNo();
    dbe_SetScope(nullptr, nullptr);
    dbe_Go(pastEnd ? dbe_RecCount() + 1 : recno);
    return DBIERR_NONE;
}
