#include "report/engine/rg_dataset_pipeline.h"

#include "platform/core/streams.h"
#include "platform/core/win1252.h"
#include "platform/data/table.h"

namespace {

// Offsets in the pipeline's 12 bytes of the cache record.
constexpr int32_t kNoRecordsAt = 0, kEofAt = 1, kBofAt = 2, kHasBookmarkAt = 3, kBookmarkAt = 4,
                  kRecordNoAt = 8;

QString ChopTrailingBlanks(QString text)
{
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == u' ')
        --end;
    text.truncate(end);
    return text;
}

// A located value as a number: numbers as they are, texts with either
// decimal separator ("2,5" or "2.5").
bool LocatedNumber(const QVariant& value, double& number)
{
    bool ok = false;
    number = value.toDouble(&ok);
    if (!ok && value.typeId() == QMetaType::QString)
        number = value.toString().trimmed().replace(u',', u'.').toDouble(&ok);
    return ok;
}

// Whether a field's value matches a located value under the options.
bool ValueMatches(const TField& field, const QVariant& value, TrgLocateOptions options)
{
    if (field.IsNull())
        return value.isNull() || value.toString().isEmpty();
    const TFieldType type = field.DataType();
    double number = 0;
    if ((type == ftSmallint || type == ftInteger || type == ftFloat) && !(options & loPartialKey) &&
        LocatedNumber(value, number))
        return field.AsFloat() == number;
    // Text fields are padded with blanks in the table: trailing blanks
    // carry no meaning on either side.
    const QString text = ChopTrailingBlanks(field.AsString());
    const QString wanted = ChopTrailingBlanks(value.toString());
    const Qt::CaseSensitivity cs = (options & loCaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    if (options & loPartialKey)
        return text.startsWith(wanted, cs);
    return text.compare(wanted, cs) == 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// TrgBDEDataLink
// ---------------------------------------------------------------------------

void TrgBDEDataLink::ActiveChanged()
{
    Fire(OnActiveChange, this);
}

void TrgBDEDataLink::CheckBrowseMode()
{
    auto* table = dynamic_cast<TTable*>(DataSet());
    const QString tableName = table ? table->TableName() : QString();
    TDataSource* master = table ? table->MasterSource() : nullptr;
    if (tableName == tableName_ && master == masterDataSource_)
        return;
    tableName_ = tableName;
    masterDataSource_ = master;
    Fire(OnTableChange, this);
}

void TrgBDEDataLink::DataSetChanged()
{
    Fire(OnDataSetChange, this);
}

void TrgBDEDataLink::LayoutChanged()
{
    Fire(OnLayoutChange, this);
}

// ---------------------------------------------------------------------------
// TrgBDEPipeline
// ---------------------------------------------------------------------------

TrgBDEPipeline::TrgBDEPipeline(TComponent* AOwner) : TrgDataPipeline(AOwner)
{
    dataLink_.OnActiveChange = [this](TrgBDEDataLink*) { DataLinkActiveChanged(); };
    dataLink_.OnTableChange = [this](TrgBDEDataLink*) { StateChanged(); };
}

TrgBDEPipeline::~TrgBDEPipeline()
{
    BeginDestroy();
    dataLink_.OnActiveChange = nullptr;
    dataLink_.OnTableChange = nullptr;
    try {
        Close();
    } catch (...) {
        // Closing the data set failed; the pipeline goes all the same.
    }
}

void TrgBDEPipeline::SetDataSource(TDataSource* Source)
{
    dataLink_.SetDataSource(Source);
}

TDataSet* TrgBDEPipeline::ReadableDataSet() const
{
    TDataSet* ds = LinkedDataSet();
    return ds && ds->Active() ? ds : nullptr;
}

TField* TrgBDEPipeline::FindDataField(const QString& FieldName) const
{
    TDataSet* ds = ReadableDataSet();
    return ds && !FieldName.isEmpty() ? ds->FindField(FieldName) : nullptr;
}

bool TrgBDEPipeline::IsDataSetBOF()
{
    TDataSet* ds = ReadableDataSet();
    return !ds || ds->Bof();
}

bool TrgBDEPipeline::IsDataSetEOF()
{
    TDataSet* ds = ReadableDataSet();
    return !ds || ds->Eof();
}

void TrgBDEPipeline::CloseDataSet()
{
    FreeCachedBookmarksFrom(0);
    if (CloseDataSource)
        if (TDataSet* ds = LinkedDataSet())
            ds->Close();
}

bool TrgBDEPipeline::IsActive()
{
    return dataLink_.Active();
}

void TrgBDEPipeline::GotoFirstRecord()
{
    if (TDataSet* ds = ReadableDataSet())
        ds->First();
}

void TrgBDEPipeline::GotoLastRecord()
{
    if (TDataSet* ds = ReadableDataSet())
        ds->Last();
}

void TrgBDEPipeline::OpenDataSet()
{
    TDataSet* ds = LinkedDataSet();
    if (OpenDataSource && ds)
        ds->Open();
    openedDataSet_ = ds;
}

void TrgBDEPipeline::MoveRecords(int Distance)
{
    if (TDataSet* ds = ReadableDataSet())
        ds->MoveBy(Distance);
}

void TrgBDEPipeline::FreeBookmark(TrgBookmark)
{
    // A bookmark of the data sets here is a record number: nothing to free.
}

TrgBookmark TrgBDEPipeline::GetBookmark()
{
    TDataSet* ds = ReadableDataSet();
    return ds ? ds->GetBookmark() : 0;
}

QString TrgBDEPipeline::GetDataSetName()
{
    TDataSet* ds = LinkedDataSet();
    return ds ? ds->Name : QString();
}

bool TrgBDEPipeline::GetFieldNames(TStringList* List)
{
    List->Clear();
    TDataSet* ds = LinkedDataSet();
    if (!ds)
        return false;
    if (ds->FieldCount() > 0) {
        for (int i = 0; i < ds->FieldCount(); ++i)
            List->Add(ds->Fields(i)->FieldName);
    } else {
        for (const TFieldDef& def : ds->FieldDefs())
            List->Add(def.Name);
    }
    return true;
}

TAlignment TrgBDEPipeline::GetFieldAlignment(const QString& FieldName)
{
    const TField* field = FindDataField(FieldName);
    return field ? TAlignment(field->Alignment()) : taLeftJustify;
}

double TrgBDEPipeline::GetFieldAsDouble(const QString& FieldName)
{
    const TField* field = FindDataField(FieldName);
    return field ? field->AsFloat() : 0.0;
}

TBlobField* TrgBDEPipeline::GetFieldAsObject(const QString& FieldName)
{
    return dynamic_cast<TBlobField*>(FindDataField(FieldName));
}

QString TrgBDEPipeline::GetFieldAsString(const QString& FieldName)
{
    const TField* field = FindDataField(FieldName);
    return field ? field->AsString() : QString();
}

TrgDataType TrgBDEPipeline::GetFieldDataType(const QString& FieldName)
{
    const TField* field = FindDataField(FieldName);
    if (!field)
        return dtNotKnown;
    switch (field->DataType()) {
    case ftString: return dtString;
    case ftSmallint:
    case ftInteger: return dtInteger;
    case ftBoolean: return dtBoolean;
    case ftFloat: return dtDouble;
    case ftDate: return dtDate;
    case ftBlob: return dtBLOB;
    case ftMemo: return dtMemo;
    default: return dtNotKnown;
    }
}

int TrgBDEPipeline::GetFieldDisplayWidth(const QString& FieldName)
{
    const TField* field = FindDataField(FieldName);
    return field ? field->DisplayWidth() : 0;
}

bool TrgBDEPipeline::GetFieldIsCalculated(const QString& FieldName)
{
    const TField* field = FindDataField(FieldName);
    return field && field->FieldKind == fkCalculated;
}

int TrgBDEPipeline::GetFieldSize(const QString& FieldName)
{
    const TField* field = FindDataField(FieldName);
    return field ? field->Size() : 0;
}

QVariant TrgBDEPipeline::GetFieldValue(const QString& FieldName)
{
    const TField* field = FindDataField(FieldName);
    if (!field)
        return QString();
    if (field->IsNull())
        return QVariant();
    switch (field->DataType()) {
    case ftSmallint:
    case ftInteger: return field->AsInteger();
    case ftFloat: return field->AsFloat();
    case ftBoolean: return field->AsBoolean();
    case ftDate: return DateToQt(field->AsDateTime());
    default: return field->AsString();
    }
}

void TrgBDEPipeline::GotoBookmark(TrgBookmark Bookmark)
{
    TDataSet* ds = ReadableDataSet();
    if (ds && Bookmark != 0)
        ds->GotoBookmark(Bookmark);
    TrgDataPipeline::GotoBookmark(Bookmark);
}

void TrgBDEPipeline::Edit()
{
    if (TDataSet* ds = ReadableDataSet())
        ds->Edit();
}

void TrgBDEPipeline::Insert()
{
    if (TDataSet* ds = ReadableDataSet())
        ds->Insert();
}

void TrgBDEPipeline::Post()
{
    if (TDataSet* ds = ReadableDataSet())
        ds->Post();
}

void TrgBDEPipeline::GetFieldAsStream(const QString& FieldName, TStream& Stream)
{
    TField* field = FindDataField(FieldName);
    if (!field)
        return;
    if (auto* blob = dynamic_cast<TBlobField*>(field)) {
        blob->SaveToStream(Stream);
        return;
    }
    // The text as the table holds it, closed by a zero byte; a character the
    // code page lacks cannot come from a Windows-1252 table.
    QByteArray bytes = Win1252Encode(field->AsString()).value_or(QByteArray());
    bytes.append('\0');
    Stream.WriteBuffer(bytes.constData(), bytes.size());
}

void TrgBDEPipeline::SetFieldFromStream(const QString& FieldName, TStream& Stream)
{
    if (auto* blob = dynamic_cast<TBlobField*>(FindDataField(FieldName)))
        blob->LoadFromStream(Stream);
}

void TrgBDEPipeline::SetFieldValue(const QString& FieldName, const QVariant& Value)
{
    TField* field = FindDataField(FieldName);
    if (!field)
        return;
    switch (Value.typeId()) {
    case QMetaType::Bool: field->SetAsBoolean(Value.toBool()); break;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt: field->SetAsInteger(Value.toInt()); break;
    case QMetaType::Double: field->SetAsFloat(Value.toDouble()); break;
    case QMetaType::QDate: field->SetAsDateTime(DateFromQt(Value.toDate())); break;
    default:
        if (Value.isNull())
            field->Clear();
        else
            field->SetAsString(Value.toString());
    }
}

bool TrgBDEPipeline::Locate(const QString& FieldName, const QVariant& Value, TrgLocateOptions Options)
{
    TDataSet* ds = LinkedDataSet();
    if (!ds)
        return false;
    if (!ds->Active())
        ds->Open();
    TField* field = FindDataField(FieldName);
    if (!field)
        return false;
    ds->First();
    // A text longer than a text field cannot match: it is cut to the field's
    // size. Other fields have no size to cut to (a number's is 0).
    QVariant wanted = Value;
    if (field->DataType() == ftString && wanted.typeId() == QMetaType::QString &&
        wanted.toString().size() > field->Size())
        wanted = wanted.toString().left(field->Size());

    // The search walks the records with the controls quiet and stays on the
    // first match; without one the data set is back on its first record.
    TControlsDisabler quiet(ds);
    for (; !ds->Eof(); ds->Next())
        if (ValueMatches(*field, wanted, Options))
            return true;
    ds->First();
    return false;
}

// ---- page cache -------------------------------------------------------------

void TrgBDEPipeline::SaveCacheFields(TrgCacheRecord& Record)
{
    TrgDataPipeline::SaveCacheFields(Record);
    const int32_t at = PipelineRecordOffset();
    const TrgDataPipelineState state = PipelineState();
    Record.PutBool(at + kNoRecordsAt, state & tsNoRecords);
    Record.PutBool(at + kEofAt, state & tsEOF);
    Record.PutBool(at + kBofAt, state & tsBOF);
    TDataSet* ds = ReadableDataSet();
    const bool keepBookmark = !(state & tsNoRecords) && ds && !ds->Bof() && !ds->Eof() && dataLink_.Active();
    Record.PutBool(at + kHasBookmarkAt, keepBookmark);
    Record.PutUInt32(at + kBookmarkAt, keepBookmark ? GetBookmark() : 0);
    Record.PutInt32(at + kRecordNoAt, RecordNo());
    if (keepBookmark)
        cachedBookmarks_ = true;
}

void TrgBDEPipeline::CacheNotify(int Operation, int32_t Page)
{
    if (Operation == coSavePage)
        lastCachedPage_ = std::max(lastCachedPage_, Page);
    else if (Operation == coDropStream) {
        FreeSavedBookmark();
        FreeCachedBookmarksFrom(0);
    } else if (Operation == coDiscardFrom)
        FreeCachedBookmarksFrom(Page);
}

void TrgBDEPipeline::RestoreCacheFields(const TrgCacheRecord& Record)
{
    TrgDataPipeline::RestoreCacheFields(Record);
    const int32_t at = PipelineRecordOffset();
    TrgDataPipelineState state = PipelineState() & TrgDataPipelineState(~(tsBOF | tsEOF | tsNoRecords));
    if (Record.GetBool(at + kNoRecordsAt))
        state |= tsNoRecords;
    if (Record.GetBool(at + kEofAt))
        state |= tsEOF;
    if (Record.GetBool(at + kBofAt))
        state |= tsBOF;
    SetPipelineState(state);
    const int32_t recordNo = Record.GetInt32(at + kRecordNoAt);
    SetRecordNo(recordNo);

    if (state & tsBOF)
        First();
    else if (state & tsEOF)
        Last();
    else if (Record.GetBool(at + kHasBookmarkAt) && LinkedDataSet())
        GotoBookmark(Record.GetUInt32(at + kBookmarkAt));
    // First counts from 0 again; the page goes on counting from where it was.
    SetRecordNo(recordNo);
}

void TrgBDEPipeline::FreeCachedBookmarksFrom(int32_t Page)
{
    if (!cachedBookmarks_)
        return;
    TrgCacheRecord record(CacheRecordSize());
    const int32_t at = PipelineRecordOffset();
    for (int32_t page = Page; page <= lastCachedPage_; ++page)
        if (ReadCacheRecord(page, record.Data()) && record.GetBool(at + kHasBookmarkAt))
            FreeBookmark(record.GetUInt32(at + kBookmarkAt));
    if (Page == 0)
        cachedBookmarks_ = false;
    lastCachedPage_ = Page;
}

void TrgBDEPipeline::DataLinkActiveChanged()
{
    // The source lost its data set (the source or the data set is going
    // away, or another data set took its place): what was opened is gone.
    if (openedDataSet_ && openedDataSet_ != LinkedDataSet()) {
        openedDataSet_ = nullptr;
        Close();
    }
    StateChanged();
}
