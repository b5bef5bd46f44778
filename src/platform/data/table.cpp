#include "platform/data/table.h"

#include "platform/core/win1252.h"

#include <cstring>

namespace {

const TTableTypeRules* g_rules = nullptr;

QString Decode(const char* text, size_t max)
{
    return Win1252Decode(QByteArrayView(text, static_cast<qsizetype>(strnlen(text, max))));
}

}  // namespace

const TTableTypeRules* TableTypeRules() { return g_rules; }
void SetTableTypeRules(const TTableTypeRules* rules) { g_rules = rules; }

// ---------------------------------------------------------------------------
// TIndexDefs
// ---------------------------------------------------------------------------

int TIndexDefs::IndexOf(const QString& name) const
{
    for (int i = 0; i < Count(); ++i)
        if (items_[i].Name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

const TIndexDef* TIndexDefs::GetIndexForFields(const QString& fields) const
{
    const QStringList wanted = SplitFieldNames(fields);
    if (wanted.isEmpty())
        return nullptr;
    auto matches = [&](const TIndexDef& def, bool partial) {
        const QStringList have = SplitFieldNames(def.Fields);
        if (have.size() < wanted.size() || (!partial && have.size() != wanted.size()))
            return false;
        for (int i = 0; i < wanted.size(); ++i)
            if (have[i].compare(wanted[i], Qt::CaseInsensitive) != 0)
                return false;
        return true;
    };
    // An index on exactly these fields first, else one that starts with them.
    for (bool partial : {false, true})
        for (const TIndexDef& def : items_)
            if (matches(def, partial))
                return &def;
    return nullptr;
}

void TIndexDefs::Update()
{
    items_.clear();
    if (table_->Handle() != 0) {
        table_->ReadIndexDefs(table_->Handle(), *this);
    } else {
        hDBIDb db = 0;
        hDBICur cursor = table_->OpenTableCursor(true, db);
        try {
            table_->ReadIndexDefs(cursor, *this);
        } catch (...) {
            table_->CloseTableCursor(cursor, db);
            throw;
        }
        table_->CloseTableCursor(cursor, db);
    }
    Updated = true;
}

// ---------------------------------------------------------------------------
// TTable
// ---------------------------------------------------------------------------

TTable::TTable() : indexDefs_(this), masterLink_(this) {}

TTable::~TTable()
{
    masterLink_.SetDataSource(nullptr);
    try {
        if (Active())
            Close();
    } catch (...) {
    }
}

void TTable::SetTableName(const QString& name)
{
    CheckInactive();
    if (name != tableName_) {
        IndexFiles.clear();
        indexDefs_.Clear();
    }
    tableName_ = name;
}

void TTable::SetDatabaseName(const QString& name)
{
    CheckInactive();
    databaseName_ = name;
    indexDefs_.Clear();
}

void TTable::SetTableType(TTableType type)
{
    CheckInactive();
    tableType_ = type;
}

void TTable::SetExclusive(bool exclusive)
{
    CheckInactive();
    exclusive_ = exclusive;
}

QString TTable::DriverName() const
{
    return g_rules ? g_rules->DriverName(tableType_, tableName_, true) : QString();
}

hDBIDb TTable::OpenDatabase()
{
    hDBIDb db = 0;
    DbiCheck(InstalledDbi().DbiOpenDatabase(databaseName_, databaseName_, db));
    return db;
}

hDBICur TTable::OpenTableCursor(bool readOnly, hDBIDb& db)
{
    if (tableName_.isEmpty())
        DatabaseError(QStringLiteral("Eigenschaft TableName fehlt"));
    TDbi& api = InstalledDbi();
    db = OpenDatabase();
    const QString driver = DriverName();
    QString fullName;
    api.DbiFormFullName(db, tableName_, driver, fullName);
    if (fullName.isEmpty())
        fullName = tableName_;
    hDBICur cursor = 0;
    const DBIShareMode share = exclusive_ ? dbiOPENEXCL : dbiOPENSHARED;
    DBIOpenMode mode = readOnly || readOnly_ ? dbiREADONLY : dbiREADWRITE;
    DBIResult r = api.DbiOpenTable(db, tableName_, driver, QString(), QString(), 0, mode, share, cursor);
    if (r == DBIERR_READONLYOPEN && mode == dbiREADWRITE) {
        // The table can only be read (a CD, a write-protected file): open it so.
        mode = dbiREADONLY;
        r = api.DbiOpenTable(db, tableName_, driver, QString(), QString(), 0, mode, share, cursor);
    }
    if (r != DBIERR_NONE) {
        api.DbiCloseDatabase(db);
        QString text;
        api.DbiGetErrorString(r, text);
        DatabaseError(QStringLiteral("%1.\nTabelle: %2").arg(text, fullName), r);
    }
    if (!readOnly)
        canModify_ = mode == dbiREADWRITE;
    return cursor;
}

void TTable::CloseTableCursor(hDBICur& cursor, hDBIDb& db)
{
    if (cursor != 0 && Dbi())
        Dbi()->DbiCloseCursor(cursor);
    if (db != 0 && Dbi())
        Dbi()->DbiCloseDatabase(db);
    cursor = 0;
    db = 0;
}

hDBICur TTable::CreateHandle()
{
    hDBICur cursor = OpenTableCursor(false, db_);
    // Further index files of dBASE-like tables.
    if (g_rules && g_rules->IsDBaseTable(tableType_, tableName_)) {
        for (const QString& file : IndexFiles) {
            if (g_rules->IsOwnIndexFile(tableType_, tableName_, file))
                continue;
            const DBIResult r = InstalledDbi().DbiOpenIndex(cursor, file, 0);
            if (r != DBIERR_NONE) {
                CloseTableCursor(cursor, db_);
                DbiCheck(r);
            }
        }
    }
    return cursor;
}

void TTable::DestroyHandle()
{
    TDataSet::DestroyHandle();
    if (db_ != 0 && Dbi())
        Dbi()->DbiCloseDatabase(db_);
    db_ = 0;
    indexFieldNos_.clear();
    rangeActive_ = false;
}

void TTable::DoBeforeClose()
{
    for (TKeyBuffer& kb : keyBuffers_)
        kb = TKeyBuffer();
}

void TTable::PrepareCursor()
{
    for (TKeyBuffer& kb : keyBuffers_)
        InitKeyBuffer(kb);
    indexDefs_.Updated = false;
    if (!indexName_.isEmpty()) {
        QString file, tag;
        GetIndexParams(indexName_, fieldsIndex_, file, tag);
        SwitchToIndex(file, tag);
    } else {
        ReadCurrentIndex();
    }
    CheckMasterRange();
}

void TTable::ReadIndexDefs(hDBICur cursor, TIndexDefs& defs)
{
    TDbi& api = InstalledDbi();
    CURProps props;
    DbiCheck(api.DbiGetCursorProps(cursor, props));
    std::vector<FLDDesc> fields(props.iFields);
    if (!fields.empty())
        DbiCheck(api.DbiGetFieldDescs(cursor, fields.data()));
    for (int n = 1; n <= props.iIndexes; ++n) {
        IDXDesc desc;
        TIndexDef def;
        if (api.DbiGetIndexDesc(cursor, n, desc) != DBIERR_NONE) {
            defs.Add(def);  // keep definition n on engine order n
            continue;
        }
        def.Name = Decode(desc.szTagName, sizeof desc.szTagName);
        def.Source = Decode(desc.szName, sizeof desc.szName);
        if (desc.bExpIdx) {
            def.Expression = Decode(desc.szKeyExp, sizeof desc.szKeyExp);
            def.Options |= ixExpression;
        } else {
            QStringList names;
            for (int k = 0; k < desc.iFldsInKey && k < 16; ++k) {
                const int no = desc.aiKeyFld[k];
                if (no >= 1 && no <= static_cast<int>(fields.size()))
                    names << Decode(fields[no - 1].szName, sizeof fields[no - 1].szName);
            }
            def.Fields = names.join(u';');
        }
        if (desc.bPrimary)
            def.Options |= ixPrimary;
        if (desc.bUnique)
            def.Options |= ixUnique;
        if (desc.bDescending)
            def.Options |= ixDescending;
        if (desc.bCaseInsensitive)
            def.Options |= ixCaseInsensitive;
        defs.Add(def);
    }
}

// ---------------------------------------------------------------------------
// Index orders
// ---------------------------------------------------------------------------

void TTable::GetIndexParams(const QString& value, bool fieldsIndex, QString& indexFile, QString& tag)
{
    indexFile.clear();
    tag.clear();
    if (value.isEmpty())
        return;
    QString name = value;
    if (fieldsIndex) {
        if (!indexDefs_.Updated)
            indexDefs_.Update();
        const TIndexDef* def = indexDefs_.GetIndexForFields(value);
        if (!def)
            DatabaseError(QStringLiteral("Kein Index für die Felder '%1'").arg(value));
        name = def->Name;
    }
    if (g_rules) {
        g_rules->DecodeIndexName(tableType_, tableName_, name, indexDefs_, indexFile, tag);
    } else {
        tag = name;
    }
}

void TTable::SwitchToIndex(const QString& indexFile, const QString& tag)
{
    ResetCursorRange();
    UpdateCursorPos();
    hDBICur h = handle_;
    DbiCheck(InstalledDbi().DbiSwitchToIndex(h, indexFile, tag, 0, true));
    handle_ = h;
    ReadCurrentIndex();
}

void TTable::ReadCurrentIndex()
{
    indexFieldNos_.clear();
    IDXDesc desc;
    if (InstalledDbi().DbiGetIndexDesc(handle_, 0, desc) != DBIERR_NONE || desc.bExpIdx)
        return;
    for (int k = 0; k < desc.iFldsInKey && k < 16; ++k)
        indexFieldNos_.push_back(desc.aiKeyFld[k]);
}

TField* TTable::IndexFields(int i) const
{
    const int no = indexFieldNos_.at(i);
    for (int k = 0; k < FieldCount(); ++k)
        if (Fields(k)->FieldNo() == no)
            return Fields(k);
    DatabaseError(QStringLiteral("Indexfeld %1 hat kein Feldobjekt").arg(no));
}

void TTable::SetIndex(const QString& value, bool fieldsIndex)
{
    if (Active())
        CheckBrowseMode();
    if (indexName_ == value && fieldsIndex_ == fieldsIndex)
        return;
    if (Active()) {
        QString file, tag;
        GetIndexParams(value, fieldsIndex, file, tag);
        SwitchToIndex(file, tag);
        CheckMasterRange();
    }
    indexName_ = value;
    fieldsIndex_ = fieldsIndex;
    if (Active())
        Resync(0);
}

// ---------------------------------------------------------------------------
// Key buffers and key search
// ---------------------------------------------------------------------------

void TTable::InitKeyBuffer(TKeyBuffer& buffer)
{
    InitRecordBuffer(buffer.rec);
    if (handle_ != 0)
        InstalledDbi().DbiInitRecord(handle_, buffer.rec.data.data());
    buffer.modified = false;
    buffer.exclusive = false;
    buffer.fieldCount = 0;
}

void TTable::SetKeyBuffer(TKeyIndex index, bool clear)
{
    CheckBrowseMode();
    keyIndex_ = index;
    savedKey_ = keyBuffers_[index];
    if (clear)
        InitKeyBuffer(keyBuffers_[index]);
    SetState(dsSetKey);
    DataEvent(deDataSetChange, 0);
}

void TTable::PostKeyBuffer(bool commit)
{
    DataEvent(deCheckBrowseMode, 0);
    TKeyBuffer& kb = keyBuffers_[keyIndex_];
    if (commit) {
        kb.modified = kb.modified || Modified();
        if (kb.fieldCount == 0)
            kb.fieldCount = IndexFieldCount();
    } else {
        kb = savedKey_;
    }
    SetState(dsBrowse);
    DataEvent(deDataSetChange, 0);
}

TDataSet::TRecordBuffer* TTable::CurrentFieldBuffer() const
{
    if (state_ == dsSetKey)
        return const_cast<TRecordBuffer*>(&keyBuffers_[keyIndex_].rec);
    return TDataSet::CurrentFieldBuffer();
}

void TTable::SetKey() { SetKeyBuffer(kiLookup, true); }
void TTable::EditKey() { SetKeyBuffer(kiLookup, false); }

bool TTable::KeyExclusive() const { return keyBuffers_[state_ == dsSetKey ? keyIndex_ : kiLookup].exclusive; }
void TTable::SetKeyExclusive(bool exclusive) { keyBuffers_[state_ == dsSetKey ? keyIndex_ : kiLookup].exclusive = exclusive; }
int TTable::KeyFieldCount() const { return keyBuffers_[state_ == dsSetKey ? keyIndex_ : kiLookup].fieldCount; }
void TTable::SetKeyFieldCount(int count) { keyBuffers_[state_ == dsSetKey ? keyIndex_ : kiLookup].fieldCount = count; }

void TTable::AssignValue(TField* field, const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool: field->SetAsBoolean(value.toBool()); break;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt: field->SetAsInteger(value.toInt()); break;
    case QMetaType::Double: field->SetAsFloat(value.toDouble()); break;
    default:
        if (value.isNull())
            field->Clear();
        else
            field->SetAsString(value.toString());
    }
}

void TTable::SetKeyFields(TKeyIndex index, const QVariantList& values)
{
    if (values.size() > IndexFieldCount())
        DatabaseError(QStringLiteral("Zu viele Schlüsselwerte für den Index '%1'").arg(indexName_));
    const TDataSetState savedState = state_;
    const bool savedModified = modified_;
    const TKeyIndex savedIndex = keyIndex_;
    state_ = dsSetKey;
    keyIndex_ = index;
    tempState_ = true;
    try {
        InitKeyBuffer(keyBuffers_[index]);
        for (int i = 0; i < values.size(); ++i)
            AssignValue(IndexFields(i), values[i]);
        keyBuffers_[index].fieldCount = static_cast<int>(values.size());
        keyBuffers_[index].modified = true;
    } catch (...) {
        state_ = savedState;
        modified_ = savedModified;
        keyIndex_ = savedIndex;
        tempState_ = false;
        throw;
    }
    state_ = savedState;
    modified_ = savedModified;
    keyIndex_ = savedIndex;
    tempState_ = false;
}

bool TTable::GotoKey()
{
    CheckBrowseMode();
    DoBeforeScroll();
    CursorPosChanged();
    TKeyBuffer& kb = keyBuffers_[kiLookup];
    char key[DBIMAXKEYLEN] = {};
    const bool useKey = InstalledDbi().DbiExtractKey(handle_, kb.rec.data.data(), key) == DBIERR_NONE;
    const void* search = useKey ? static_cast<const void*>(key) : kb.rec.data.data();
    const bool found = InstalledDbi().DbiGetRecordForKey(handle_, useKey, kb.fieldCount, 0, search, nullptr) == DBIERR_NONE;
    if (found) {
        Resync(rmExact | rmCenter);
        DoAfterScroll();
    }
    return found;
}

void TTable::GotoNearest()
{
    CheckBrowseMode();
    CursorPosChanged();
    TKeyBuffer& kb = keyBuffers_[kiLookup];
    const DBISearchCond cond = kb.exclusive ? keySEARCHGT : keySEARCHGEQ;
    char key[DBIMAXKEYLEN] = {};
    const bool useKey = InstalledDbi().DbiExtractKey(handle_, kb.rec.data.data(), key) == DBIERR_NONE;
    const void* search = useKey ? static_cast<const void*>(key) : kb.rec.data.data();
    DbiCheck(InstalledDbi().DbiSetToKey(handle_, cond, useKey, kb.fieldCount, 0, search));
    Resync(rmCenter);
}

bool TTable::FindKey(const QVariantList& values)
{
    CheckBrowseMode();
    SetKeyFields(kiLookup, values);
    return GotoKey();
}

void TTable::FindNearest(const QVariantList& values)
{
    CheckBrowseMode();
    SetKeyFields(kiLookup, values);
    GotoNearest();
}

// ---------------------------------------------------------------------------
// Ranges
// ---------------------------------------------------------------------------

void TTable::SetRangeStart() { SetKeyBuffer(kiRangeStart, true); }
void TTable::SetRangeEnd() { SetKeyBuffer(kiRangeEnd, true); }
void TTable::EditRangeStart() { SetKeyBuffer(kiRangeStart, false); }
void TTable::EditRangeEnd() { SetKeyBuffer(kiRangeEnd, false); }

bool TTable::SetCursorRange()
{
    TKeyBuffer& lo = keyBuffers_[kiRangeStart];
    TKeyBuffer& hi = keyBuffers_[kiRangeEnd];
    char loKey[DBIMAXKEYLEN] = {};
    char hiKey[DBIMAXKEYLEN] = {};
    // An unset bound has an empty key.
    bool useLo = !lo.modified || InstalledDbi().DbiExtractKey(handle_, lo.rec.data.data(), loKey) == DBIERR_NONE;
    bool useHi = !hi.modified || InstalledDbi().DbiExtractKey(handle_, hi.rec.data.data(), hiKey) == DBIERR_NONE;
    const bool useKey = useLo && useHi;
    const void* k1 = useKey ? static_cast<const void*>(loKey) : lo.rec.data.data();
    const void* k2 = useKey ? static_cast<const void*>(hiKey) : hi.rec.data.data();
    DbiCheck(InstalledDbi().DbiSetRange(handle_, useKey, lo.fieldCount, 0, k1, !lo.exclusive, hi.fieldCount, 0, k2,
                               !hi.exclusive));
    rangeActive_ = true;
    return true;
}

bool TTable::ResetCursorRange()
{
    if (!rangeActive_)
        return false;
    DbiCheck(InstalledDbi().DbiResetRange(handle_));
    rangeActive_ = false;
    return true;
}

bool TTable::ApplyRange()
{
    CheckBrowseMode();
    const bool applied = SetCursorRange();
    if (applied)
        First();
    return applied;
}

void TTable::CancelRange()
{
    CheckBrowseMode();
    UpdateCursorPos();
    for (TKeyIndex k : {kiRangeStart, kiRangeEnd})
        InitKeyBuffer(keyBuffers_[k]);
    if (ResetCursorRange())
        Resync(0);
}

void TTable::SetRange(const QVariantList& startValues, const QVariantList& endValues)
{
    CheckBrowseMode();
    SetKeyFields(kiRangeStart, startValues);
    SetKeyFields(kiRangeEnd, endValues);
    ApplyRange();
}

// ---------------------------------------------------------------------------
// Master link
// ---------------------------------------------------------------------------

void TTable::SetMasterSource(TDataSource* source)
{
    if (source && IsLinkedTo(source))
        DatabaseError(QStringLiteral("Zirkuläre Datenverbindungen sind nicht erlaubt"));
    masterLink_.SetDataSource(source);
}

void TTable::SetMasterFields(const QString& fields)
{
    masterLink_.FieldNames = fields;
    if (Active())
        MasterChanged();
}

void TTable::CheckMasterRange()
{
    if (!masterLink_.Active() || masterLink_.FieldNames.isEmpty() || IndexFieldCount() == 0)
        return;
    QVariantList values;
    for (TField* f : masterLink_.DataSet()->GetFieldList(masterLink_.FieldNames))
        values << QVariant(f->AsString());
    while (values.size() > IndexFieldCount())
        values.removeLast();
    SetKeyFields(kiRangeStart, values);
    SetKeyFields(kiRangeEnd, values);
    SetCursorRange();
}

void TTable::MasterChanged()
{
    if (!Active())
        return;
    CheckBrowseMode();
    if (masterLink_.Active() && !masterLink_.FieldNames.isEmpty()) {
        CheckMasterRange();
        First();
    } else if (ResetCursorRange()) {
        First();
    }
}

void TTable::TMasterLink::ActiveChanged() { table_->MasterChanged(); }

void TTable::TMasterLink::RecordChanged(TField* field)
{
    if (DataSource()->State() == dsSetKey)
        return;
    if (field == nullptr) {
        table_->MasterChanged();
        return;
    }
    for (TField* f : DataSet()->GetFieldList(FieldNames))
        if (f == field) {
            table_->MasterChanged();
            return;
        }
}

void TTable::TMasterLink::CheckBrowseMode()
{
    if (table_->Active())
        table_->CheckBrowseMode();
}
