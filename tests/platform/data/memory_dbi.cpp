#include "memory_dbi.h"

#include <QDate>

#include <algorithm>
#include <cstring>

namespace {
std::string Trim(std::string s)
{
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    return s.substr(i);
}
std::string Pad(std::string s, int width, bool right)
{
    if (static_cast<int>(s.size()) > width)
        s.resize(width);
    std::string blanks(width - s.size(), ' ');
    return right ? blanks + s : s + blanks;
}
}  // namespace

TMemoryDbi::Table& TMemoryDbi::AddTable(const QString& name, const std::vector<std::string>& fields)
{
    auto t = std::make_unique<Table>();
    for (const std::string& field : fields) {
        QStringList p = QString::fromStdString(field).split(':');
        Field f{p[0].toStdString(), p[1].at(0).toLatin1(), 0, 0, t->recSize};
        f.width = p.size() > 2 ? p[2].toInt() : (f.type == 'D' ? 8 : f.type == 'L' ? 1 : 10);
        f.decimals = p.size() > 3 ? p[3].toInt() : 0;
        t->recSize += f.width;
        t->fields.push_back(f);
    }
    Table& ref = *t;
    tables_[name.toUpper()] = std::move(t);
    return ref;
}

void TMemoryDbi::AddRecord(const QString& table, const std::vector<std::string>& values)
{
    Table& t = TableOf(table);
    std::string rec(t.recSize, ' ');
    for (size_t i = 0; i < values.size() && i < t.fields.size(); ++i) {
        const Field& f = t.fields[i];
        rec.replace(f.offset, f.width, Pad(values[i], f.width, f.type == 'N'));
    }
    t.records.push_back(rec);
}

TMemoryDbi::Cursor* TMemoryDbi::Find(hDBICur cursor)
{
    auto it = cursors_.find(cursor);
    return it == cursors_.end() ? nullptr : &it->second;
}

std::string TMemoryDbi::KeyOf(const Cursor& c, const char* record) const
{
    if (c.order == 0)
        return std::string();
    const Field& f = c.table->fields[c.order - 1];
    return std::string(record + f.offset, f.width);
}

std::vector<uint32_t> TMemoryDbi::View(const Cursor& c) const
{
    std::vector<uint32_t> v;
    for (uint32_t n = 1; n <= c.table->records.size(); ++n) {
        if (c.ranged) {
            const std::string k = Trim(KeyOf(c, c.table->records[n - 1].data()));
            if ((!c.lo.empty() && k < c.lo) || (!c.hi.empty() && k.substr(0, c.hi.size()) > c.hi))
                continue;
        }
        v.push_back(n);
    }
    if (c.order != 0)
        std::stable_sort(v.begin(), v.end(), [&](uint32_t a, uint32_t b) {
            return KeyOf(c, c.table->records[a - 1].data()) < KeyOf(c, c.table->records[b - 1].data());
        });
    return v;
}

DBIResult TMemoryDbi::DbiOpenTable(hDBIDb, const QString& tableName, const QString&, const QString&,
                                   const QString& tag, int, DBIOpenMode mode, DBIShareMode, hDBICur& cursor)
{
    Calls.push_back("DbiOpenTable");
    auto it = tables_.find(tableName.toUpper());
    if (it == tables_.end())
        return DBIERR_OPENFAILED;
    if (it->second->readOnlyFile && mode != dbiREADONLY)
        return DBIERR_READONLYOPEN;
    cursor = next_++;
    Cursor c;
    c.table = it->second.get();
    cursors_[cursor] = c;
    if (!tag.isEmpty()) {
        hDBICur h = cursor;
        DbiSwitchToIndex(h, QString(), tag, 0, false);
    }
    return 0;
}

DBIResult TMemoryDbi::DbiCloseCursor(hDBICur& cursor)
{
    if (!cursors_.erase(cursor))
        return DBIERR_INVALIDHNDL;
    cursor = 0;
    return 0;
}

DBIResult TMemoryDbi::DbiGetCursorProps(hDBICur cursor, CURProps& props)
{
    Cursor* c = Find(cursor);
    if (!c)
        return DBIERR_INVALIDHNDL;
    props.iFields = static_cast<uint16_t>(c->table->fields.size());
    props.iRecBufSize = static_cast<uint16_t>(c->table->recSize);
    props.iIndexes = static_cast<uint16_t>(c->table->fields.size());  // every field is a tag
    props.iBookMarkSize = 4;
    return 0;
}

DBIResult TMemoryDbi::DbiGetFieldDescs(hDBICur cursor, FLDDesc* descs)
{
    Cursor* c = Find(cursor);
    if (!c)
        return DBIERR_INVALIDHNDL;
    int n = 0;
    for (const Field& f : c->table->fields) {
        FLDDesc& d = descs[n++];
        d = FLDDesc();
        d.iFldNum = static_cast<uint16_t>(n);
        std::strncpy(d.szName, f.name.c_str(), 31);
        d.iUnits1 = static_cast<int16_t>(f.width);
        d.iOffset = static_cast<uint16_t>(f.offset + 1);
        switch (f.type) {
        case 'C': d.iFldType = fldZSTRING; d.iLen = f.width + 1; break;
        case 'D': d.iFldType = fldDATE; d.iLen = 4; break;
        case 'L': d.iFldType = fldBOOL; d.iLen = 2; break;
        case 'M': d.iFldType = fldBLOB; d.iSubType = fldstMEMO; break;
        case 'N':
            if (f.decimals == 0 && f.width <= 4) {
                d.iFldType = fldINT16;
                d.iLen = 2;
            } else {
                d.iFldType = fldFLOAT;
                d.iUnits2 = static_cast<int16_t>(f.decimals);
                d.iLen = 8;
            }
            break;
        }
    }
    return 0;
}

DBIResult TMemoryDbi::DbiSetToBegin(hDBICur cursor)
{
    Cursor* c = Find(cursor);
    if (!c)
        return DBIERR_INVALIDHNDL;
    c->rec = 0;
    c->eof = false;
    return 0;
}

DBIResult TMemoryDbi::DbiSetToEnd(hDBICur cursor)
{
    Cursor* c = Find(cursor);
    if (!c)
        return DBIERR_INVALIDHNDL;
    c->rec = 0;
    c->eof = true;
    return 0;
}

DBIResult TMemoryDbi::Fill(Cursor& c, uint8_t* buffer, RECProps* props)
{
    const std::string& rec = c.table->records[c.rec - 1];
    if (buffer)
        std::memcpy(buffer, rec.data(), rec.size());
    if (props) {
        props->iPhyRecNum = c.rec;
        props->bDeleteFlag = rec[0] == '*';
    }
    return 0;
}

DBIResult TMemoryDbi::DbiGetNextRecord(hDBICur cursor, DBILockType lock, uint8_t* buffer, RECProps* props)
{
    Calls.push_back("DbiGetNextRecord");
    Cursor* c = Find(cursor);
    if (!c)
        return DBIERR_INVALIDHNDL;
    if (c->eof)
        return DBIERR_EOF;
    const auto v = View(*c);
    auto it = c->rec == 0 ? v.begin() : std::find(v.begin(), v.end(), c->rec);
    if (c->rec != 0 && it != v.end())
        ++it;
    if (it == v.end()) {
        c->eof = true;
        c->rec = 0;
        return DBIERR_EOF;
    }
    c->rec = *it;
    if (lock != dbiNOLOCK && static_cast<int>(c->rec) == c->table->lockedRecord)
        return DBIERR_LOCKED;
    return Fill(*c, buffer, props);
}

DBIResult TMemoryDbi::DbiGetPriorRecord(hDBICur cursor, DBILockType, uint8_t* buffer, RECProps* props)
{
    Calls.push_back("DbiGetPriorRecord");
    Cursor* c = Find(cursor);
    if (!c)
        return DBIERR_INVALIDHNDL;
    const auto v = View(*c);
    if (!c->eof && c->rec == 0)
        return DBIERR_BOF;
    auto it = c->eof ? v.end() : std::find(v.begin(), v.end(), c->rec);
    if (it == v.begin()) {
        c->rec = 0;
        c->eof = false;
        return DBIERR_BOF;
    }
    --it;
    c->rec = *it;
    c->eof = false;
    return Fill(*c, buffer, props);
}

DBIResult TMemoryDbi::DbiGetRecord(hDBICur cursor, DBILockType lock, uint8_t* buffer, RECProps* props)
{
    Cursor* c = Find(cursor);
    if (!c)
        return DBIERR_INVALIDHNDL;
    if (c->eof)
        return DBIERR_EOF;
    if (c->rec == 0)
        return DBIERR_BOF;
    if (lock != dbiNOLOCK && static_cast<int>(c->rec) == c->table->lockedRecord)
        return DBIERR_LOCKED;
    const auto v = View(*c);
    if (std::find(v.begin(), v.end(), c->rec) == v.end())
        return DBIERR_KEYORRECDELETED;
    return Fill(*c, buffer, props);
}

DBIResult TMemoryDbi::DbiGetBookMark(hDBICur cursor, uint8_t* bookmark)
{
    Cursor* c = Find(cursor);
    if (!c)
        return DBIERR_INVALIDHNDL;
    std::memcpy(bookmark, &c->rec, 4);
    return 0;
}

DBIResult TMemoryDbi::DbiSetToBookMark(hDBICur cursor, const uint8_t* bookmark)
{
    Cursor* c = Find(cursor);
    if (!c)
        return DBIERR_INVALIDHNDL;
    uint32_t n = 0;
    std::memcpy(&n, bookmark, 4);
    c->eof = n == 0 || n > c->table->records.size();
    c->rec = c->eof ? 0 : n;
    return 0;
}

DBIResult TMemoryDbi::DbiInitRecord(hDBICur cursor, uint8_t* buffer)
{
    Cursor* c = Find(cursor);
    if (!c)
        return DBIERR_INVALIDHNDL;
    std::memset(buffer, ' ', c->table->recSize);
    return 0;
}

DBIResult TMemoryDbi::DbiInsertRecord(hDBICur cursor, DBILockType, const uint8_t* buffer)
{
    Calls.push_back("DbiInsertRecord");
    Cursor* c = Find(cursor);
    if (!c)
        return DBIERR_INVALIDHNDL;
    c->table->records.emplace_back(reinterpret_cast<const char*>(buffer), c->table->recSize);
    c->rec = static_cast<uint32_t>(c->table->records.size());
    c->eof = false;
    return 0;
}

DBIResult TMemoryDbi::DbiModifyRecord(hDBICur cursor, const uint8_t* buffer, bool)
{
    Calls.push_back("DbiModifyRecord");
    Cursor* c = Find(cursor);
    if (!c)
        return DBIERR_INVALIDHNDL;
    if (c->rec == 0)
        return DBIERR_EOF;
    c->table->records[c->rec - 1].assign(reinterpret_cast<const char*>(buffer), c->table->recSize);
    return 0;
}

DBIResult TMemoryDbi::DbiDeleteRecord(hDBICur cursor, const uint8_t*)
{
    Calls.push_back("DbiDeleteRecord");
    Cursor* c = Find(cursor);
    if (!c)
        return DBIERR_INVALIDHNDL;
    if (c->rec == 0)
        return DBIERR_EOF;
    // Deleted records vanish from this table (as with hidden deleted records).
    Table& t = *c->table;
    t.records.erase(t.records.begin() + (c->rec - 1));
    if (c->rec > t.records.size()) {
        c->rec = 0;
        c->eof = true;
    }
    return 0;
}

DBIResult TMemoryDbi::DbiGetRecordCount(hDBICur cursor, uint32_t& count)
{
    Cursor* c = Find(cursor);
    if (!c)
        return DBIERR_INVALIDHNDL;
    count = static_cast<uint32_t>(View(*c).size());
    return 0;
}

DBIResult TMemoryDbi::DbiGetField(hDBICur cursor, int fieldNo, const uint8_t* record, void* value, bool& blank)
{
    Cursor* c = Find(cursor);
    if (!c)
        return DBIERR_INVALIDHNDL;
    const Field& f = c->table->fields.at(fieldNo - 1);
    const std::string text = Trim(std::string(reinterpret_cast<const char*>(record) + f.offset, f.width));
    blank = text.empty();
    if (blank || !value || f.type == 'M')
        return 0;
    switch (f.type) {
    case 'C': std::memcpy(value, text.c_str(), text.size() + 1); break;
    case 'L': *static_cast<int16_t*>(value) = text[0] == 'T' ? 1 : 0; break;
    case 'D': {
        const QDate d = QDate::fromString(QString::fromStdString(text), "yyyyMMdd");
        *static_cast<int32_t*>(value) = static_cast<int32_t>(QDate(1899, 12, 30).daysTo(d)) + kDayNumberDelta;
        break;
    }
    case 'N':
        if (f.decimals == 0 && f.width <= 4)
            *static_cast<int16_t*>(value) = static_cast<int16_t>(std::stoi(text));
        else
            *static_cast<double*>(value) = std::stod(text);
        break;
    }
    return 0;
}

DBIResult TMemoryDbi::DbiPutField(hDBICur cursor, int fieldNo, uint8_t* record, const void* value)
{
    Cursor* c = Find(cursor);
    if (!c)
        return DBIERR_INVALIDHNDL;
    const Field& f = c->table->fields.at(fieldNo - 1);
    std::string text;
    if (value) {
        switch (f.type) {
        case 'C': text = static_cast<const char*>(value); break;
        case 'L': text.assign(1, *static_cast<const int16_t*>(value) ? 'T' : 'F'); break;
        case 'D': {
            const int32_t day = *static_cast<const int32_t*>(value);
            if (day != 0)
                text = QDate(1899, 12, 30).addDays(day - kDayNumberDelta).toString("yyyyMMdd").toStdString();
            break;
        }
        case 'N':
            if (f.decimals == 0 && f.width <= 4)
                text = std::to_string(*static_cast<const int16_t*>(value));
            else
                text = QString::number(*static_cast<const double*>(value), 'f', f.decimals).toStdString();
            if (static_cast<int>(text.size()) > f.width)
                return DBIERR_VALUETOOWIDE;
            break;
        }
    }
    std::memcpy(record + f.offset, Pad(text, f.width, f.type == 'N').data(), f.width);
    return 0;
}

DBIResult TMemoryDbi::DbiGetBlobSize(hDBICur cursor, uint8_t* record, int fieldNo, uint32_t& size)
{
    Cursor* c = Find(cursor);
    if (!c)
        return DBIERR_INVALIDHNDL;
    const Field& f = c->table->fields.at(fieldNo - 1);
    const std::string text = Trim(std::string(reinterpret_cast<const char*>(record) + f.offset, f.width));
    size = text.empty() ? 0 : static_cast<uint32_t>(c->table->blobs.at(std::stoi(text) - 1).size());
    return 0;
}

DBIResult TMemoryDbi::DbiGetBlob(hDBICur cursor, uint8_t* record, int fieldNo, uint32_t offset, uint32_t length,
                                 void* dest, uint32_t& read)
{
    Cursor* c = Find(cursor);
    if (!c)
        return DBIERR_INVALIDHNDL;
    const Field& f = c->table->fields.at(fieldNo - 1);
    const std::string text = Trim(std::string(reinterpret_cast<const char*>(record) + f.offset, f.width));
    read = 0;
    if (text.empty())
        return 0;
    const QByteArray& b = c->table->blobs.at(std::stoi(text) - 1);
    if (offset < static_cast<uint32_t>(b.size())) {
        read = std::min<uint32_t>(length, static_cast<uint32_t>(b.size()) - offset);
        std::memcpy(dest, b.constData() + offset, read);
    }
    return 0;
}

DBIResult TMemoryDbi::DbiPutBlob(hDBICur cursor, uint8_t* record, int fieldNo, uint32_t offset, uint32_t length,
                                 const void* src)
{
    Cursor* c = Find(cursor);
    if (!c)
        return DBIERR_INVALIDHNDL;
    const Field& f = c->table->fields.at(fieldNo - 1);
    QByteArray bytes(offset, '\0');
    bytes.append(static_cast<const char*>(src), length);
    c->table->blobs.push_back(bytes);
    const std::string ref = Pad(std::to_string(c->table->blobs.size()), f.width, true);
    std::memcpy(record + f.offset, ref.data(), f.width);
    return 0;
}

DBIResult TMemoryDbi::DbiTruncateBlob(hDBICur cursor, uint8_t* record, int fieldNo, uint32_t)
{
    Cursor* c = Find(cursor);
    if (!c)
        return DBIERR_INVALIDHNDL;
    const Field& f = c->table->fields.at(fieldNo - 1);
    std::memset(record + f.offset, ' ', f.width);
    return 0;
}

DBIResult TMemoryDbi::DbiSwitchToIndex(hDBICur& cursor, const QString&, const QString& tag, int, bool)
{
    Calls.push_back("DbiSwitchToIndex");
    Cursor* c = Find(cursor);
    if (!c)
        return DBIERR_INVALIDHNDL;
    c->order = 0;
    for (size_t i = 0; i < c->table->fields.size(); ++i)
        if (tag.compare(QString::fromStdString(c->table->fields[i].name), Qt::CaseInsensitive) == 0)
            c->order = static_cast<int>(i) + 1;
    return 0;
}

DBIResult TMemoryDbi::DbiGetIndexDesc(hDBICur cursor, int number, IDXDesc& desc)
{
    Cursor* c = Find(cursor);
    if (!c)
        return DBIERR_INVALIDHNDL;
    const int order = number == 0 ? c->order : number;
    if (order == 0)
        return DBIERR_NOASSOCINDEX;
    desc = IDXDesc();
    std::strncpy(desc.szTagName, c->table->fields[order - 1].name.c_str(), 31);
    std::strcpy(desc.szName, "MEM.CDX");
    desc.bMaintained = true;
    desc.iFldsInKey = 1;
    desc.aiKeyFld[0] = static_cast<uint16_t>(order);
    desc.iKeyLen = 255;
    return 0;
}

DBIResult TMemoryDbi::DbiExtractKey(hDBICur cursor, const uint8_t* record, char* key)
{
    Cursor* c = Find(cursor);
    if (!c)
        return DBIERR_INVALIDHNDL;
    if (c->order == 0)
        return DBIERR_NOCURRINDEX;
    const std::string k =
        Trim(KeyOf(*c, record ? reinterpret_cast<const char*>(record) : c->table->records.at(c->rec - 1).data()));
    std::strncpy(key, k.c_str(), DBIMAXKEYLEN - 1);
    return 0;
}

DBIResult TMemoryDbi::DbiSetToKey(hDBICur cursor, DBISearchCond cond, bool directKey, int, int, const void* key)
{
    Calls.push_back("DbiSetToKey");
    Cursor* c = Find(cursor);
    if (!c)
        return DBIERR_INVALIDHNDL;
    if (c->order == 0)
        return DBIERR_NOCURRINDEX;
    if (!directKey)
        return DBIERR_NOTSUPPORTED;
    const std::string k = static_cast<const char*>(key);
    for (uint32_t n : View(*c)) {
        const std::string have = Trim(KeyOf(*c, c->table->records[n - 1].data()));
        const bool hit = cond == keySEARCHEQ ? have.substr(0, k.size()) == k
                         : cond == keySEARCHGT ? have.substr(0, k.size()) > k
                                               : have >= k;
        if (hit) {
            c->rec = n;
            c->eof = false;
            return 0;
        }
    }
    if (cond == keySEARCHEQ)
        return DBIERR_RECNOTFOUND;
    c->rec = 0;
    c->eof = true;
    return 0;
}

DBIResult TMemoryDbi::DbiGetRecordForKey(hDBICur cursor, bool directKey, int fieldCount, int length,
                                         const void* key, uint8_t* record)
{
    const DBIResult r = DbiSetToKey(cursor, keySEARCHEQ, directKey, fieldCount, length, key);
    if (r == 0 && record)
        Fill(*Find(cursor), record, nullptr);
    return r;
}

DBIResult TMemoryDbi::DbiSetRange(hDBICur cursor, bool keyItself, int, int, const void* key1, bool, int, int,
                                  const void* key2, bool)
{
    Calls.push_back("DbiSetRange");
    Cursor* c = Find(cursor);
    if (!c)
        return DBIERR_INVALIDHNDL;
    if (!keyItself)
        return DBIERR_NOTSUPPORTED;
    c->lo = static_cast<const char*>(key1);
    c->hi = static_cast<const char*>(key2);
    c->ranged = true;
    return DbiSetToBegin(cursor);
}

DBIResult TMemoryDbi::DbiResetRange(hDBICur cursor)
{
    Calls.push_back("DbiResetRange");
    Cursor* c = Find(cursor);
    if (!c)
        return DBIERR_INVALIDHNDL;
    c->ranged = false;
    return 0;
}

DBIResult TMemoryDbi::DbiGetErrorString(DBIResult code, QString& text)
{
    text = QStringLiteral("Fehler %1").arg(code);
    return 0;
}
