// The database bridge, first half: engine start and end, databases
// (folders), table open and close, cursor properties and the calls the
// engine does not support.

#include "storage/database_bridge.h"

#include "platform/core/win1252.h"
#include "platform/core/win_path.h"
#include "platform/dbf/dbe.h"
#include "storage/bridge_state.h"

#include <QFile>
#include <QFileInfo>

#include <array>
#include <cstring>
#include <optional>

namespace bridge {

namespace {
std::array<std::unique_ptr<AreaRecord>, 256> g_areas;
std::vector<FLDDesc> g_fieldList;
size_t g_fieldListPos = 0;
}  // namespace

AreaRecord* Area(uint32_t area) { return area < 256 ? g_areas[area].get() : nullptr; }

AreaRecord& CreateArea(uint32_t area, int engineType)
{
    g_areas[area] = std::make_unique<AreaRecord>();
    g_areas[area]->engineType = engineType;
    return *g_areas[area];
}

void FreeArea(uint32_t area)
{
    if (area < 256)
        g_areas[area].reset();
}

std::vector<FLDDesc>& FieldList() { return g_fieldList; }
size_t& FieldListPosition() { return g_fieldListPos; }

AreaSelection::AreaSelection(uint32_t cursor)
{
    const uint16_t previous = SelectWorkArea(cursor);
    if (previous == 0xFFFF)
        return;
    ok_ = true;
    area_ = static_cast<uint16_t>(cursor);
    previous_ = previous;
    record_ = Area(area_);
    if (!record_ || record_->recordSize != dbe_RecSize() ||
        static_cast<int>(record_->fields.size()) != dbe_FieldCount()) {
        // A work area opened (or reopened with another table) behind the
        // bridge's back, by the engine companion: describe it now.
        const int type = record_ ? record_->engineType : 2;
        record_ = &CreateArea(area_, type);
        record_->recordSize = dbe_RecSize();
        record_->fields = ReadFields();
        record_->fieldCount = static_cast<int>(record_->fields.size());
    }
}

AreaSelection::~AreaSelection()
{
    if (ok_ && previous_ != area_)
        dbe_Select(previous_);
}

std::vector<FieldInfo> ReadFields()
{
    std::vector<FieldInfo> fields;
    const int n = dbe_FieldCount();
    for (int i = 1; i <= n; ++i) {
        FieldInfo f;
        f.name = dbe_FieldName(i);
        f.type = dbe_FieldType(f.name.c_str());
        f.width = dbe_FieldWidth(f.name.c_str());
        f.decimals = dbe_FieldDecimals(f.name.c_str());
        f.offset = dbe_FieldOffset(f.name.c_str()) - 1;
        fields.push_back(f);
    }
    return fields;
}

}  // namespace bridge

using namespace bridge;

namespace {

constexpr int kDatabaseSlots = 199;
std::array<std::optional<QString>, kDatabaseSlots + 1> g_databases;  // slot 0 unused
QString g_defaultDirectory;
std::vector<char> g_engineWorkBuffer;

// A directory always ends in "\" or ":" ("/" for a Linux path).
QString WithSeparator(const QString& directory)
{
    if (directory.endsWith(u'\\') || directory.endsWith(u':') || directory.endsWith(u'/'))
        return directory;
    return directory + (directory.startsWith(u'/') ? u'/' : u'\\');
}

// The file name the engine opens: a Windows-form (or Linux) path resolved
// over the drive map, in the file system's encoding.
std::optional<QByteArray> EnginePath(const QString& path)
{
    QString p = path;
    if (p.startsWith(u'/'))
        p.replace(u'\\', u'/');
    return WinToLinuxName(p);
}

DBIResult NotSupported(const char* name, DBIResult answer = DBIERR_NONE)
{
    ShowDatabaseInfo(QStringLiteral("This function not supported by the database engine : ") +
                     QString::fromLatin1(name));
    return answer;
}

// The engine type of a table file with no driver name, by its first byte.
int EngineTypeFromHeader(const QString& fullName)
{
    const std::optional<QByteArray> path = EnginePath(fullName);
    if (!path)
        return 2;
    const QString linuxPath = QFile::decodeName(*path);
    QFile file(linuxPath);
    char byte = 0;
    if (!file.open(QIODevice::ReadOnly) || file.read(&byte, 1) != 1)
        return 2;
    switch (static_cast<unsigned char>(byte)) {
    case 0x83:
    case 0x86: return 1;
    case 0xE5:
    case 0xE6: return 3;
    case 0xF5:
    case 0xF6: return 2;
    case 0x03:
    case 0x06: {
        const QFileInfo info(linuxPath);
        const QString base = info.completeBaseName();
        const QString dir = info.absolutePath();
        auto exists = [&](const char* ext) {
            const std::optional<QByteArray> p = EnginePath(dir + u'/' + base + QLatin1String(ext));
            return p && QFileInfo::exists(QFile::decodeName(*p));
        };
        if (exists(".NSX") && !exists(".CDX"))
            return 3;
        return 2;
    }
    default: return 2;
    }
}

}  // namespace

int TableEngineType(const QString& fullName, const QString& driver)
{
    if (driver.isEmpty())
        return EngineTypeFromHeader(fullName);
    if (driver == u"DXNTX")
        return 1;
    if (driver == u"DXFOX")
        return 2;
    if (driver == u"DXNSX")
        return 3;
    if (driver == u"RXNTX")
        return 11;
    if (driver == u"RXFOX")
        return 12;
    return 2;
}

uint16_t SelectWorkArea(uint32_t area)
{
    if (area > 255 || dbe_SysProp(DBE_PROP_AREA_IN_USE, static_cast<intptr_t>(area)) == 0)
        return 0xFFFF;
    return dbe_Select(static_cast<uint16_t>(area));
}

// ---------------------------------------------------------------------------
// Engine start and end
// ---------------------------------------------------------------------------

DBIResult DbiInit()
{
    dbe_SetStringType(1);
    dbe_ErrorLevel(1);
    const QByteArray version = QByteArray(dbe_Version()).left(8);
    g_engineWorkBuffer.assign(static_cast<size_t>(std::max<intptr_t>(dbe_SysProp(DBE_PROP_ENGINE_BUFSIZE, 0), 0)), 0);
    bool ok = false;
    const int minor = version.mid(6, 2).trimmed().toInt(&ok);
    if (version.isEmpty() || (ok && minor < 0)) {
        ShowDatabaseInfo(QStringLiteral("Database Engine Requires DBE2532.DLL Version 2.40.00 or later."));
        return DBIERR_ENGINESTART;
    }
    return DBIERR_NONE;
}

DBIResult DbiExit()
{
    dbe_CloseAll();
    for (uint32_t a = 0; a < 256; ++a)
        FreeArea(a);
    g_engineWorkBuffer.clear();
    return DBIERR_NONE;
}

// ---------------------------------------------------------------------------
// Databases
// ---------------------------------------------------------------------------

QString DefaultDirectory() { return g_defaultDirectory; }

DBIResult DbiOpenDatabase(const QString&, const QString& directory, hDBIDb& db)
{
    QString dir = !directory.isEmpty() ? directory : (!g_defaultDirectory.isEmpty() ? g_defaultDirectory : QStringLiteral(".\\"));
    dir = WithSeparator(dir);
    for (int slot = 1; slot <= kDatabaseSlots; ++slot) {
        if (!g_databases[slot]) {
            g_databases[slot] = dir;
            db = static_cast<hDBIDb>(slot);
            return DBIERR_NONE;
        }
    }
    // Every slot is taken: no handle rather than one without a directory.
    db = 0;
    return DBIERR_UNKNOWNDB;
}

DBIResult DbiCloseDatabase(hDBIDb& db)
{
    if (db >= 1 && db <= kDatabaseSlots)
        g_databases[db].reset();
    db = 0;
    return DBIERR_NONE;
}

DBIResult DbiSetDirectory(hDBIDb db, const QString& directory)
{
    if (db == 0)
        ShowDatabaseInfo(QStringLiteral("DbiSetDirectory : hDb = 0"));
    if (!directory.isEmpty() && db >= 1 && db <= kDatabaseSlots)
        g_databases[db] = WithSeparator(directory);
    return DBIERR_NONE;
}

// The directory of a database handle; an unknown handle shows the box.
static std::optional<QString> LoadDatabaseDirectory(hDBIDb db)
{
    if (db >= 1 && db <= kDatabaseSlots && g_databases[db])
        return g_databases[db];
    ShowDatabaseInfo(QStringLiteral("Could not find directory associated with this database"));
    return std::nullopt;
}

DBIResult DbiFormFullName(hDBIDb db, const QString& tableName, const QString&, QString& fullName)
{
    const std::optional<QString> dir = db >= 1 && db <= kDatabaseSlots ? g_databases[db] : std::nullopt;
    fullName = dir.value_or(QString()) + tableName;
    return DBIERR_NONE;
}

DBIResult EngineSetPathFromParams(const std::vector<std::pair<QString, QString>>& params)
{
    if (g_defaultDirectory.isEmpty())
        g_defaultDirectory = QStringLiteral(".\\");
    for (const auto& [name, value] : params)
        if (name.left(32) == u"PATH")
            g_defaultDirectory = value;
    return DBIERR_NONE;
}

DBIResult DbiGetDatabaseDesc(const QString&) { return DBIERR_UNKNOWNDB; }

DBIResult DbiGetProp(uint32_t property, QString& value)
{
    if (property == 0x00040002)
        value = QStringLiteral("STANDARD");
    else if (property != 0x00020003 && property != 0x04040009)
        ShowDatabaseInfo(QStringLiteral("DbiGetProp: iProp = ") +
                         QStringLiteral("%1").arg(property, 8, 16, QLatin1Char('0')).toUpper());
    return DBIERR_NONE;
}

DBIResult DbiSetProp(uint32_t, uint32_t) { return DBIERR_NONE; }

DBIResult DbiGetErrorString(DBIResult code, QString& text)
{
    if (code == DBIERR_OPENFAILED)
        text = QStringLiteral("File Open Error");
    else if (code == DBIERR_WRITEFAILED)
        text = QStringLiteral("Schreibfehler: ") + QString::fromUtf8(dbe_LastError());
    else if (code == DBIERR_READERR)
        text = QStringLiteral("Lesefehler: ") + QString::fromUtf8(dbe_LastError());
    else if (code == DBIERR_LOCKED && dbe_LastErrorCode() != DBE_ERR_NONE)
        text = QString::fromUtf8(dbe_LastError());
    else
        text = QStringLiteral("IDAPI Error : %1").arg(code);
    return DBIERR_NONE;
}

DBIResult DbiGetCurrSession(uint32_t& session)
{
    session = 1;
    return DBIERR_NONE;
}
DBIResult DbiStartSession() { return DBIERR_NONE; }
DBIResult DbiSetCurrSession() { return DBIERR_NONE; }
DBIResult DbiCloseSession() { return DBIERR_NONE; }
DBIResult DbiGetSesInfo() { return DBIERR_NONE; }
DBIResult EngineSessionNoOp() { return DBIERR_NONE; }

// ---------------------------------------------------------------------------
// Tables and cursors
// ---------------------------------------------------------------------------

QByteArray TableAlias(const QString& tableName)
{
    QString base = tableName;
    const int slash = std::max(base.lastIndexOf(u'\\'), std::max(base.lastIndexOf(u'/'), base.lastIndexOf(u':')));
    base = base.mid(slash + 1);
    const int dot = base.lastIndexOf(u'.');
    if (dot >= 0)
        base = base.left(dot);
    base = base.left(8);
    for (QChar& c : base)
        if (c == u'~' || c == u'-' || c == u' ' || !Win1252EncodeChar(c.unicode()))
            c = u'_';
    return *Win1252Encode(base);
}

DBIResult DbiOpenTable(hDBIDb db, const QString& tableName, const QString& driverName, const QString&,
                       const QString& tagName, int, DBIOpenMode openMode, DBIShareMode shareMode, hDBICur& cursor)
{
    cursor = 0;
    const uint16_t before = dbe_WorkArea(nullptr);
    struct Reselect {
        uint16_t area;
        ~Reselect()
        {
            if (area != 0)
                dbe_Select(area);
        }
    } reselect{before};

    const std::optional<QString> dir = LoadDatabaseDirectory(db);
    if (!dir)
        return DBIERR_OPENFAILED;
    const QString fullName = *dir + tableName;
    const int type = TableEngineType(fullName, driverName);
    int mode = DBE_EXCLUSIVE;
    if (shareMode == dbiOPENSHARED)
        mode = DBE_SHARED;
    if (openMode == dbiREADONLY)
        mode = DBE_READONLY;

    const QByteArray base = TableAlias(tableName);
    QByteArray alias = base;
    for (int n = 1; dbe_WorkArea(alias.constData()) != 0; ++n)
        alias = base + "_" + QByteArray::number(n);

    const std::optional<QByteArray> path = EnginePath(fullName);
    const uint16_t area = path ? dbe_Use(path->constData(), alias.constData(), mode, type) : 0;
    if (area == 0) {
        // A table that exists but cannot be written (a CD, a read-only file)
        // is worth a read-only try: tell the caller so.
        if (path && mode != DBE_READONLY) {
            const QFileInfo info(QFile::decodeName(*path));
            if (info.exists() && !info.isWritable())
                return DBIERR_READONLYOPEN;
        }
        return DBIERR_OPENFAILED;
    }
    AreaRecord& record = CreateArea(area, type);
    record.recordSize = dbe_RecSize();
    record.fields = ReadFields();
    record.fieldCount = static_cast<int>(record.fields.size());
    record.workBuffer.assign(static_cast<size_t>(std::max(dbe_RecSize(), 1)), ' ');
    if (!tagName.isEmpty()) {
        if (type == 1) {
            const std::optional<QByteArray> indexPath = EnginePath(*dir + tagName);
            if (indexPath && QFileInfo::exists(QFile::decodeName(*indexPath)))
                dbe_IndexOpen(indexPath->constData());
        } else {
            const QByteArray tag = Win1252Encode(tagName).value_or(QByteArray());
            dbe_SetOrder(dbe_TagArea(tag.constData()));
        }
    }
    cursor = area;
    return DBIERR_NONE;
}

DBIResult DbiCloseCursor(hDBICur& cursor)
{
    if (cursor == kCursorFieldList) {
        FieldList().clear();
        FieldListPosition() = 0;
        cursor = 0;
        return DBIERR_NONE;
    }
    if (cursor >= 256) {
        cursor = 0;
        return DBIERR_NONE;
    }
    const uint16_t previous = SelectWorkArea(cursor);
    if (previous == 0xFFFF)
        return DBIERR_INVALIDHNDL;
    dbe_Close();
    FreeArea(cursor);
    if (previous != cursor)
        dbe_Select(previous);
    cursor = 0;
    return DBIERR_NONE;
}

DBIResult DbiGetCursorProps(hDBICur cursor, CURProps& props)
{
    AreaSelection sel(cursor);
    if (!sel.ok())
        return DBIERR_INVALIDHNDL;
    props.iFields = static_cast<uint16_t>(dbe_FieldCount());
    props.iRecBufSize = static_cast<uint16_t>(dbe_RecSize());
    props.iIndexes = static_cast<uint16_t>(std::max<intptr_t>(dbe_SysProp(DBE_PROP_ORDER_COUNT, 0), 0));
    props.iBookMarkSize = 4;
    props.iValChecks = 0;
    props.eOpenMode = dbiREADWRITE;
    return DBIERR_NONE;
}

DBIResult DbiCloneCursor(hDBICur, bool, hDBICur& clone)
{
    clone = kCursorInert;
    return DBIERR_NONE;
}

DBIResult DbiOpenVchkList(hDBICur& cursor)
{
    cursor = kCursorInert;
    return DBIERR_NONE;
}

DBIResult DbiSetToCursor(hDBICur destination, hDBICur source)
{
    uint32_t recno = 0;
    {
        AreaSelection src(source);
        if (!src.ok())
            return DBIERR_INVALIDHNDL;
        recno = dbe_RecNo();
    }
    AreaSelection dst(destination);
    if (!dst.ok())
        return DBIERR_INVALIDHNDL;
    dbe_Go(recno);
    return DBIERR_NONE;
}

// ---------------------------------------------------------------------------
// Unsupported and silent calls
// ---------------------------------------------------------------------------

DBIResult DbiGetVchkDesc() { return NotSupported("DbiGetVchkDesc"); }
DBIResult DbiBatchMove() { return NotSupported("DbiBatchMove", DBIERR_NOTSUPPORTED); }
DBIResult DbiQAlloc() { return NotSupported("DbiQAlloc"); }
DBIResult DbiQPrepare() { return NotSupported("DbiQPrepare"); }
DBIResult DbiQExec() { return NotSupported("DbiQExec", DBIERR_NOTSUPPORTED); }
DBIResult DbiQFree() { return NotSupported("DbiQFree"); }
DBIResult DbiQSetParams() { return NotSupported("DbiQSetParams"); }
DBIResult DbiQPrepareProc() { return NotSupported("DbiQPrepareProc"); }
DBIResult DbiQSetProcParams() { return NotSupported("DbiQSetProcParams"); }
DBIResult DbiOpenSPParamList() { return NotSupported("DbiOpenSPParamList"); }
DBIResult DbiSetPrivateDir() { return NotSupported("DbiSetPrivateDir"); }
DBIResult DbiOpenIndex(hDBICur, const QString&, int) { return NotSupported("DbiOpenIndex"); }
DBIResult DbiCloseIndex() { return NotSupported("DbiCloseIndex"); }
DBIResult DbiSaveChanges() { return NotSupported("DbiSaveChanges"); }
DBIResult DbiMakePermanent() { return NotSupported("DbiMakePermanent", DBIERR_NOTSUPPORTED); }
DBIResult DbiDeleteTable() { return NotSupported("DbiDeleteTable", DBIERR_NOTSUPPORTED); }
DBIResult DbiBcdFromFloat() { return NotSupported("DbiBcdFromFloat", DBIERR_NOTSUPPORTED); }
DBIResult DbiAddPassword() { return NotSupported("DbiAddPassword"); }
DBIResult DbiDropPassword() { return NotSupported("DbiDropPassword"); }
DBIResult DbiBeginDelayedUpdates() { return NotSupported("DbiBeginDelayedUpdates", DBIERR_NOTSUPPORTED); }
DBIResult DbiEndDelayedUpdates() { return NotSupported("DbiEndDelayedUpdates", DBIERR_NOTSUPPORTED); }

DBIResult DbiGetLdObj() { return DBIERR_NONE; }
DBIResult DbiGetLdName() { return DBIERR_NONE; }
DBIResult OsLdLoadBySymbName() { return DBIERR_NONE; }
DBIResult OsLdUnloadObj() { return DBIERR_NONE; }
DBIResult DbiOpenTableList() { return DBIERR_NONE; }
DBIResult DbiGetErrorEntry() { return DBIERR_NONE; }
DBIResult DbiForceReread(hDBICur) { return DBIERR_NONE; }
DBIResult DbiAddFilter() { return DBIERR_NONE; }
DBIResult DbiActivateFilter() { return DBIERR_NONE; }
DBIResult DbiDeactivateFilter() { return DBIERR_NONE; }
DBIResult DbiRegisterCallBack() { return DBIERR_NONE; }
DBIResult DbiGetCallBack() { return DBIERR_NONE; }
DBIResult DbiGetObjFromName() { return DBIERR_NONE; }
DBIResult DbiCfgPosition() { return DBIERR_NONE; }
DBIResult DbiCfgDropRecord() { return DBIERR_NONE; }
DBIResult DbiTranslateTableName() { return DBIERR_NONE; }

DBIResult DbiGetExactRecordCount(hDBICur, uint32_t&) { return DBIERR_NOTSUPPORTED; }
DBIResult DbiGetSeqNo(hDBICur, uint32_t&) { return DBIERR_NOTSUPPORTED; }
DBIResult DbiCompareBookMarks(hDBICur, const uint8_t*, const uint8_t*, int&) { return DBIERR_NOTSUPPORTED; }

QByteArray DbiNativeToAnsi(const QByteArray& text, int length) { return length < 1 ? text : text.left(length); }
QByteArray DbiAnsiToNative(const QByteArray& text, int length) { return length < 1 ? text : text.left(length); }
