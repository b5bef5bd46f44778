#include "datagrid/dk_table.h"

#include "datagrid/dk_field_info.h"
#include "datagrid/dk_filter.h"
#include "datagrid/dk_lookup.h"
#include "datagrid/dk_messages.h"
#include "datagrid/dk_query.h"
#include "datagrid/incremental_find.h"
#include "platform/core/sys_utils.h"
#include "platform/ui/forms.h"
#include "storage/database_bridge.h"

#include <QTimer>

#include <algorithm>
#include <cstring>

namespace {

TdkFilterApplier& FilterApplier()
{
    static TdkFilterApplier applier;
    return applier;
}

QString ValueText(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::Double:
    case QMetaType::Float:
        return FloatToStr(v.toDouble());
    default:
        return v.toString();
    }
}

}  // namespace

void dkSetFilterApplier(TdkFilterApplier applier) { FilterApplier() = std::move(applier); }

TdkTable::TdkTable() = default;

TdkTable::~TdkTable()
{
    destroying_ = true;
    *alive_ = false;
    // The filter callback must not reach a half-destroyed table.
    OnFilterRecord = nullptr;
    filtered_ = false;
    FreeLookupCursors();
    for (bool* flag : destructionFlags_)
        *flag = true;
    destructionFlags_.clear();
    if (OnDestruction)
        OnDestruction();
    try {
        Close();
    } catch (...) {
    }
}

void TdkTable::FreeLookupCursors() { lookupCursors_.clear(); }

void TdkTable::SetTableName(const QString& name)
{
    TTable::SetTableName(name);
    if (!name.isEmpty())
        query_.Clear();
}

void TdkTable::SetQuery(const TStringList& lines)
{
    if (Active())
        Close();
    if (lines.Count() > 0) {
        TTable::SetTableName(QString());
        SetIndexFieldNames(QString());
        SetMasterFields(QString());
        SetMasterSource(nullptr);
    }
    query_.Assign(lines);
}

void TdkTable::SetdkFilter(const TStringList& lines)
{
    dkFilter_.Assign(lines);
    if (Active() && !ApplyFilter())
        ShowFilterFailure();
}

void TdkTable::ShowFilterFailure()
{
    QString text = QStringLiteral("Fail to set filter");
    if (!filterError_.isEmpty())
        text += u'\n' + filterError_ + QStringLiteral("\nFilter: ") + BuildFilterText();
    dkShowWarning(text);
}

void TdkTable::SetOnFilter(TdkTableFilterEvent callback)
{
    onFilter_ = std::move(callback);
    if (onFilter_) {
        OnFilterRecord = [this](TDataSet*, bool& accept) { accept = RecordFilter(); };
        SetFiltered(true);
    } else {
        SetFiltered(false);
        OnFilterRecord = nullptr;
    }
}

void TdkTable::SetOnFilterOptions(TdkOnFilterOptions options)
{
    const bool switchingOff = filterState_.Options.Contains(ofoEnabled) && !options.Contains(ofoEnabled);
    filterState_.Options = options;
    if (switchingOff && Active() && onFilter_) {
        UpdateCursorPos();
        Resync(0);
    }
}

bool TdkTable::RecordFilter()
{
    if (destroying_ || !onFilter_)
        return true;
    return dkRunRecordFilter(filterState_, [this](bool& accept) { onFilter_(this, accept); }, [this] {
        // The filter is off from the next record on. Resynchronising now
        // would re-enter the record fetch that called the filter, so the
        // dataset shows the unfiltered records once that fetch is done.
        QTimer::singleShot(0, [this, alive = alive_] {
            if (*alive && Active() && State() == dsBrowse) {
                UpdateCursorPos();
                Resync(0);
            }
        });
        CallEvent(OnFilterEscape);
    });
}

bool TdkTable::IsDBFTable() const
{
    return TableType() == ttDBase || TableName().endsWith(QStringLiteral(".DBF"), Qt::CaseInsensitive);
}

bool TdkTable::IsParadoxTable() const
{
    if (TableType() == ttDefault) {
        const QString name = TableName().toLower();
        return name.contains(QStringLiteral(".db")) && name.endsWith(u'b');
    }
    return TableType() == ttParadox;
}

QString TdkTable::BuildFilterText() const
{
    QString text;
    bool first = true;
    for (int i = 0; i < dkFilter_.Count(); ++i) {
        QString line = dkFilter_[i];
        while (!line.isEmpty() && (line.back() == u' ' || line.back() == u'\t'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        // Each line in brackets, so a line's own OR cannot reach into the
        // next line whatever the engine's precedence of AND and OR.
        if (!first)
            text += QStringLiteral(" AND ");
        text += u'(' + line + u')';
        first = false;
    }
    return text;
}

bool TdkTable::ApplyFilter()
{
    filterError_.clear();
    const QString text = BuildFilterText();
    bool ok = true;
    if (FilterApplier())
        ok = FilterApplier()(this, text, filteringOnOpen_, filterError_);
    else
        ok = dkApplyFilter(text, this, exprFilter_, filteringOnOpen_, &filterError_);
    if (onFilter_)
        SetOnFilter(onFilter_);
    return ok;
}

void TdkTable::OpenCursor()
{
    if (query_.Count() > 0) {
        const QString first = query_[0].section(u' ', 0, 0);
        queryLanguage_ = first.compare(QStringLiteral("query"), Qt::CaseInsensitive) == 0 ? QStringLiteral("QBE")
                                                                                          : QStringLiteral("SQL");
    }
    TTable::OpenCursor();
    paradox_ = IsParadoxTable();
}

hDBICur TdkTable::CreateHandle()
{
    if (query_.Count() == 0)
        return TTable::CreateHandle();
    TTable::SetTableName(QString());
    SetIndexFieldNames(QString());
    SetMasterSource(nullptr);
    SetMasterFields(QString());
    return RunQuery();
}

hDBICur TdkTable::RunQuery()
{
    // The engine has no query statements: each step reports itself as not
    // supported. No cursor comes of it, so the open fails with a clear
    // error instead of leaving a table without a cursor.
    dkRunQueryStatement(query_.ToQStringList().join(u' '));
}

void TdkTable::PrepareCursor()
{
    TTable::PrepareCursor();
    filteringOnOpen_ = true;
    if (!BuildFilterText().isEmpty() || onFilter_) {
        if (!ApplyFilter())
            ShowFilterFailure();
    }
    filteringOnOpen_ = false;
}

void TdkTable::CloseCursor()
{
    FreeLookupCursors();
    TTable::CloseCursor();
    if (query_.Count() > 0)
        TTable::SetTableName(QString());
}

void TdkTable::DoBeforePost()
{
    TTable::DoBeforePost();
    if (ValidateWithMask)
        dkValidatePictureMasks(this, OnInvalidValue);
}

void TdkTable::DoOnCalcFields()
{
    if (lookupFields_.Count() > 0)
        dkCalcLookupFields(this, &lookupFields_, &lookupLinks_, &lookupCursors_);
    TTable::DoOnCalcFields();
}

void TdkTable::SetIndexByName(const QString& name)
{
    TIndexDefs& defs = IndexDefs();
    const int i = defs.IndexOf(name);
    if (i >= 0)
        dkSetIndexByDef(this, defs.Items(i));
}

bool TdkTable::SetIndexFromColumnList(const TStringList& columns)
{
    if (columns.Count() == 0)
        return false;
    return SetIndexForFields(columns[0].section(u'\t', 0, 0));
}

bool TdkTable::SetIndexForFields(const QString& names)
{
    if (names.isEmpty() || query_.Count() > 0)
        return false;
    RefreshIndexDefs();
    IncBusy();
    struct Lower {
        TdkTable* t;
        ~Lower() { t->DecBusy(); }
    } lower{this};
    QString found;
    if (MasterSource() && !SkipMasterPrefix) {
        const QString lookupName = names.section(u';', 0, 0);
        const int n = MasterFields().isEmpty() ? 0 : static_cast<int>(MasterFields().split(u';').size());
        QStringList prefix;
        for (int i = 0; i < n && i < IndexFieldCount(); ++i)
            prefix << IndexFields(i)->FieldName;
        prefix << lookupName;
        found = FindIndexForFields(prefix.join(u';'));
    } else {
        found = FindIndexForFields(names);
    }
    if (found == u'?')
        return false;
    QString current = IndexName();
    if (!IndexFieldNames().isEmpty())
        current = FindIndexForFields(IndexFieldNames());
    if (found.compare(current, Qt::CaseInsensitive) != 0)
        SetIndexByName(found);
    return true;
}

QString TdkTable::FindIndexForFields(const QString& names)
{
    RefreshIndexDefs();
    QString name;
    if (MatchIndex(names, false, true, name) || MatchIndex(names, true, true, name) ||
        MatchIndex(names, false, false, name) || MatchIndex(names, true, false, name))
        return name;
    return QStringLiteral("?");
}

bool TdkTable::MatchIndex(const QString& names, bool caseSensitive, bool exact, QString& indexName)
{
    const QString wanted = names.toUpper();
    TIndexDefs& defs = IndexDefs();
    for (int i = 0; i < defs.Count(); ++i) {
        const TIndexDef& def = defs.Items(i);
        const QString fields = def.Fields.toUpper();
        if (!fields.startsWith(wanted))
            continue;
        const bool insensitive = (def.Options & ixCaseInsensitive) != 0;
        if (insensitive == caseSensitive)
            continue;
        const bool fits = exact ? fields.size() == wanted.size()
                                : fields.size() == wanted.size() || fields.at(wanted.size()) == u';';
        if (fits) {
            indexName = def.Name;
            return true;
        }
    }
    return false;
}

bool TdkTable::CarriesValues(const QVariantList& values) const
{
    if (IsEmpty())
        return false;
    for (int i = 0; i < values.size(); ++i) {
        TField* f = IndexFields(i);
        if (!f || ValueText(values.at(i)).compare(f->AsString(), Qt::CaseInsensitive) != 0)
            return false;
    }
    return true;
}

bool TdkTable::FindKeyValues(const QVariantList& values)
{
    if (IndexFieldCount() == 0)
        return false;
    if (values.size() > IndexFieldCount()) {
        dkShowWarning(QStringLiteral("Table ") + Name + QStringLiteral(": FindKey has too many lookup values for index ") +
                IndexName());
        return false;
    }
    IncBusy();
    struct Lower {
        TdkTable* t;
        ~Lower() { t->DecBusy(); }
    } lower{this};
    // A folder database is never a server: the key search below is the
    // only path (the range search of server tables does not apply).
    if (NarrowSearch)
        CancelRange();
    if (CarriesValues(values))
        return true;
    return FindKey(values);
}

bool TdkTable::FindNearestValue(const QString& value, int keyIndex)
{
    IncBusy();
    bool r = false;
    try {
        r = dkIncrementalFind(this, value, keyIndex);
    } catch (...) {
        DecBusy();
        throw;
    }
    DecBusy();
    return r;
}

bool TdkTable::LocateFieldValue(const QString& value, const QString& fieldName, TdkLocateMatchType matchType,
                                bool caseSensitive)
{
    IncBusy();
    bool r = false;
    try {
        r = dkLocateFieldValue(this, value, fieldName, matchType, caseSensitive);
    } catch (...) {
        DecBusy();
        throw;
    }
    DecBusy();
    return r;
}

void TdkTable::ReopenKeepColumns()
{
    // Only a server database is re-opened; a folder table drops its range.
    CancelRange();
}

void TdkTable::RefreshIndexDefs()
{
    TIndexDefs& defs = IndexDefs();
    if (defs.Count() == 0 || (defs.Count() >= 2 && defs.Items(0).Name == Name + QStringLiteral("Index0")))
        defs.Update();
}

QString TdkTable::GetParadoxPicture(const QString& fieldName)
{
    if (!IsParadoxTable())
        return QString();
    if (paradoxPicturesPending_) {
        // The engine keeps no validity checks, so a Paradox table declares
        // no pictures.
        paradoxPictures_.Clear();
        paradoxPicturesPending_ = false;
    }
    for (int i = 0; i < paradoxPictures_.Count(); ++i)
        if (paradoxPictures_[i].section(u'\t', 0, 0) == fieldName)
            return paradoxPictures_[i].section(u'\t', 1);
    return QString();
}

TStringList* TdkTable::PublishedStrings(const QString& name)
{
    if (TStringList* lines = TdkPublishedLists::PublishedStrings(name))
        return lines;
    if (name == u"dkFilter")
        return &dkFilter_;
    if (name == u"Query")
        return &query_;
    return nullptr;
}

bool TdkTable::PublishedBoolean(const QString& name, bool& value)
{
    if (name == u"ValidateWithMask")
        value = ValidateWithMask;
    else if (name == u"SyncSQLByRange")
        value = SyncSQLByRange;
    else if (name == u"NarrowSearch")
        value = NarrowSearch;
    else
        return false;
    return true;
}

// ---------------------------------------------------------------------------
// Memo stream
// ---------------------------------------------------------------------------

TdkMemoStream::TdkMemoStream(TField* field, int mode)
    : field_(field), dataSet_(field ? field->DataSet() : nullptr), fieldNo_(field ? field->FieldNo() : 0)
{
    (void)mode;
    if (!dataSet_ || !dataSet_->Active() || !Dbi())
        return;
    CURProps props;
    DbiCheck(Dbi()->DbiGetCursorProps(dataSet_->Handle(), props));
    record_.assign(props.iRecBufSize, 0);
    const TDataSetState st = dataSet_->State();
    if (st == dsBrowse || st == dsEdit || st == dsInsert)
        dataSet_->UpdateCursorPos();
    if (Dbi()->DbiGetRecord(dataSet_->Handle(), dbiNOLOCK, record_.data(), nullptr) == DBIERR_NONE &&
        Dbi()->DbiOpenBlob(dataSet_->Handle(), record_.data(), fieldNo_, dbiREADONLY) == DBIERR_NONE)
        opened_ = true;
}

TdkMemoStream::~TdkMemoStream()
{
    if (opened_ && Dbi())
        Dbi()->DbiFreeBlob(dataSet_->Handle(), record_.data(), fieldNo_);
}

int64_t TdkMemoStream::GetBlobSize()
{
    if (!opened_)
        return 0;
    uint32_t size = 0;
    DbiCheck(Dbi()->DbiGetBlobSize(dataSet_->Handle(), record_.data(), fieldNo_, size));
    return size;
}

int64_t TdkMemoStream::Read(void* buffer, int64_t count)
{
    if (!opened_ || count <= 0)
        return 0;
    // Never past the memo's end, and each chunk into a buffer the size of
    // the whole memo: a bridge that copied more than asked could not
    // overrun the caller's buffer, and only the bytes asked for are taken.
    const int64_t size = GetBlobSize();
    if (position_ >= size)
        return 0;
    count = std::min(count, size - position_);
    std::vector<uint8_t> chunk(static_cast<size_t>(size));
    int64_t done = 0;
    while (done < count) {
        const uint32_t want = static_cast<uint32_t>(std::min<int64_t>(count - done, 32768));
        uint32_t got = 0;
        const DBIResult r = Dbi()->DbiGetBlob(dataSet_->Handle(), record_.data(), fieldNo_,
                                              static_cast<uint32_t>(position_), want, chunk.data(), got);
        if (r != DBIERR_NONE && r != DBIERR_EOF)
            DbiCheck(r);
        got = std::min(got, want);
        if (got == 0)
            break;
        std::memcpy(static_cast<uint8_t*>(buffer) + done, chunk.data(), got);
        done += got;
        position_ += got;
        if (r == DBIERR_EOF)
            break;
    }
    return done;
}

int64_t TdkMemoStream::Write(const void* buffer, int64_t count)
{
    (void)buffer, (void)count;
    return 0;
}

int64_t TdkMemoStream::Seek(int64_t offset, TSeekOrigin origin)
{
    switch (origin) {
    case soFromBeginning:
        position_ = offset;
        break;
    case soFromCurrent:
        position_ += offset;
        break;
    case soFromEnd:
        position_ = GetBlobSize() + offset;
        break;
    }
    return position_;
}
