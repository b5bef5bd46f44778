#include "report/engine/rg_pipeline.h"

#include "platform/ui/dialogs.h"
#include "report/output/rg_strings.h"

#include <algorithm>
#include <exception>

namespace {

// Bytes of a pipeline's record in the page cache.
constexpr int32_t kPipelineRecordSize = 12;

// Message numbers of "Could not open DataSet." and "Proceeding in NoData mode.".
constexpr int kCouldNotOpenDataSet = 280;
constexpr int kProceedingInNoDataMode = 281;

}  // namespace

// ---------------------------------------------------------------------------
// TrgDataPipeline
// ---------------------------------------------------------------------------

TrgDataPipeline::TrgDataPipeline(TComponent* AOwner) : TrgCacheable(AOwner)
{
    pipelineRecordAt_ = ExtendCacheRecord(kPipelineRecordSize);
}

TrgDataPipeline::~TrgDataPipeline()
{
    BeginDestroy();
    NotifyClients(rgPipelineDestroying);
    // Linked clients hear of the destruction once more from the
    // communicator and drop the link.
    clients_.clear();
}

void TrgDataPipeline::GotoBookmark(TrgBookmark)
{
    Fire(OnGotoBookmark, this);
}

void TrgDataPipeline::Edit() {}

void TrgDataPipeline::GetFieldAsStream(const QString&, TStream&) {}

void TrgDataPipeline::Insert() {}

bool TrgDataPipeline::Locate(const QString&, const QVariant&, TrgLocateOptions)
{
    return false;
}

void TrgDataPipeline::Post() {}

void TrgDataPipeline::SetFieldFromStream(const QString&, TStream&) {}

void TrgDataPipeline::SetFieldValue(const QString&, const QVariant&) {}

// ---- traversal -----------------------------------------------------------

void TrgDataPipeline::Open()
{
    OpenDataSet();
    UpdateState();
    FreeSavedBookmark();
    recordNo_ = 0;
    Fire(OnOpen, this);
}

void TrgDataPipeline::Close()
{
    FreeSavedBookmark();
    CloseDataSet();
    pipelineState_ = 0;
    StateChanged();
    Fire(OnClose, this);
}

void TrgDataPipeline::First()
{
    recordNo_ = 0;
    switch (rangeBegin_) {
    case rbFirstRecord: GotoFirstRecord(); break;
    case rbLastRecord: GotoLastRecord(); break;
    case rbCurrentRecord:
        if (savedBookmark_ != 0)
            GotoBookmark(savedBookmark_);
        break;
    }
    UpdateState();
    AddState(tsBOF);  // after First the pipeline always reports BOF
    Fire(OnFirst, this);
}

void TrgDataPipeline::Last()
{
    switch (rangeEnd_) {
    case reFirstRecord: GotoFirstRecord(); break;
    case reLastRecord: GotoLastRecord(); break;
    case reCurrentRecord:
        if (savedBookmark_ != 0)
            GotoBookmark(savedBookmark_);
        break;
    case reCount:
        First();
        // Counting stops where the data set ends, so a count far beyond
        // the records never steps on in place.
        while (recordNo_ < rangeEndCount_ && !AtEndOfTravel())
            Next();
        break;
    }
    UpdateState();
    AddState(tsEOF);
    Fire(OnLast, this);
}

void TrgDataPipeline::Next()
{
    MoveRecords(moveBy_);
    ++recordNo_;
    UpdateState();
    Fire(OnNext, this);
}

void TrgDataPipeline::Prior()
{
    MoveRecords(-moveBy_);
    --recordNo_;
    UpdateState();
    Fire(OnPrior, this);
}

bool TrgDataPipeline::IsBOF()
{
    switch (rangeBegin_) {
    case rbFirstRecord: return IsDataSetBOF();
    case rbLastRecord: return IsDataSetEOF();
    case rbCurrentRecord: return recordNo_ == 0;
    }
    return false;
}

bool TrgDataPipeline::IsEOF()
{
    if (IsDataSetBOF() && IsDataSetEOF())
        return true;  // no records
    // A walk that cannot go on ends whatever the range's end says, so a
    // range such as first record to first record walked forwards, or a
    // pipeline that does not move, never repeats a record without end.
    if (recordNo_ >= 1 && AtEndOfTravel())
        return true;
    switch (rangeEnd_) {
    case reFirstRecord: return recordNo_ >= 1 && IsDataSetBOF();
    case reLastRecord: return recordNo_ >= 1 && IsDataSetEOF();
    case reCurrentRecord: return recordNo_ == 1;
    case reCount: return recordNo_ == rangeEndCount_;
    }
    return false;
}

bool TrgDataPipeline::AtEndOfTravel()
{
    if (moveBy_ == 0)
        return true;
    return moveBy_ > 0 ? IsDataSetEOF() : IsDataSetBOF();
}

void TrgDataPipeline::SkipRecord()
{
    Next();
    --recordNo_;
}

void TrgDataPipeline::SkipBack()
{
    Prior();
    ++recordNo_;
}

TrgBookmark TrgDataPipeline::SaveBookmark()
{
    FreeSavedBookmark();
    savedBookmark_ = GetBookmark();
    return savedBookmark_;
}

void TrgDataPipeline::FreeSavedBookmark()
{
    if (savedBookmark_ != 0)
        FreeBookmark(savedBookmark_);
    savedBookmark_ = 0;
}

void TrgDataPipeline::GotoSavedBookmark()
{
    if (savedBookmark_ != 0)
        GotoBookmark(savedBookmark_);
    UpdateState();
}

// ---- state ---------------------------------------------------------------

void TrgDataPipeline::UpdateState()
{
    pipelineState_ = 0;
    if (Destroying())
        return;
    const bool bof = IsBOF();
    const bool eof = IsEOF();
    if (bof && eof)
        pipelineState_ = tsNoRecords;
    else if (bof)
        pipelineState_ = tsBOF;
    else if (eof)
        pipelineState_ = tsEOF;
}

void TrgDataPipeline::StateChanged()
{
    if (Loading())
        return;
    UpdateState();
    NotifyClients(rgPipelineChanged);
}

void TrgDataPipeline::UpdateDirection()
{
    const bool backwards = (rangeBegin_ == rbCurrentRecord && rangeEnd_ == reFirstRecord) ||
                           (rangeBegin_ == rbLastRecord && rangeEnd_ != reLastRecord);
    moveBy_ = backwards ? -1 : 1;
    StateChanged();
}

// ---- clients ---------------------------------------------------------------

void TrgDataPipeline::AttachClient(TObject* Client)
{
    if (!Client || std::find(clients_.begin(), clients_.end(), Client) != clients_.end())
        return;
    clients_.push_back(Client);
    if (auto* partner = dynamic_cast<TrgCommunicator*>(Client))
        AddEventNotify(partner);
}

void TrgDataPipeline::DetachClient(TObject* Client)
{
    auto it = std::find(clients_.begin(), clients_.end(), Client);
    if (it == clients_.end())
        return;
    clients_.erase(it);
    auto* partner = dynamic_cast<TrgCommunicator*>(Client);
    if (partner && partner != CacheManager())
        RemoveEventNotify(partner);
}

void TrgDataPipeline::NotifyClients(int Operation)
{
    // A client may detach itself (or others) while it is told.
    const std::vector<TObject*> clients = clients_;
    for (TObject* client : clients) {
        if (std::find(clients_.begin(), clients_.end(), client) == clients_.end())
            continue;
        if (auto* receiver = dynamic_cast<TrgPipelineClient*>(client))
            receiver->PipelineNotification(Operation, this);
    }
}

void TrgDataPipeline::DoOnTraversal()
{
    Fire(OnTraversal, this);
}

void TrgDataPipeline::EventNotify(TrgCommunicator* Sender, int Operation)
{
    if (Operation == rgOpPartnerDestroyed)
        clients_.erase(std::remove(clients_.begin(), clients_.end(), static_cast<TObject*>(Sender)),
                       clients_.end());
    TrgCacheable::EventNotify(Sender, Operation);
}

int TrgDataPipeline::IndexOfFieldName(const QString& FieldName)
{
    TStringList names;
    if (!GetFieldNames(&names))
        return -1;
    return names.IndexOf(FieldName);
}

// ---- properties --------------------------------------------------------------

void TrgDataPipeline::SetMoveBy(int32_t Value)
{
    moveBy_ = Value;
    StateChanged();
}

void TrgDataPipeline::SetRangeEnd(TrgRangeEndType Value)
{
    rangeEnd_ = Value;
    if (!Loading())
        UpdateDirection();
}

void TrgDataPipeline::SetRangeEndCount(int32_t Value)
{
    rangeEndCount_ = Value;
    StateChanged();
}

void TrgDataPipeline::SetRangeBegin(TrgRangeBeginType Value)
{
    rangeBegin_ = Value;
    if (!Loading())
        UpdateDirection();
}

void TrgDataPipeline::SetSkipWhenNoRecords(bool Value)
{
    skipWhenNoRecords_ = Value;
    StateChanged();
}

// ---------------------------------------------------------------------------
// TrgField
// ---------------------------------------------------------------------------

TrgField::TrgField(TComponent* AOwner) : TComponent(AOwner) {}

TrgField::~TrgField()
{
    if (pipeline_)
        pipeline_->RemoveField(this);
}

void TrgField::SetDataPipeline(TrgCustomDataPipeline* Pipeline)
{
    if (Pipeline == pipeline_)
        return;
    if (pipeline_)
        pipeline_->RemoveField(this);
    if (Pipeline)
        Pipeline->AddField(this);
}

void TrgField::SetDataType(TrgDataType Value)
{
    if (pipeline_ && !pipeline_->IsDataTypeSupported(Value))
        throw EInvalidPropertyError(QStringLiteral("DataType not supported by ") + rgClassName(*pipeline_));
    dataType_ = Value;
}

int TrgField::Position() const
{
    return pipeline_ ? pipeline_->IndexOfField(this) : -1;
}

void TrgField::SetPosition(int Value)
{
    if (Loading()) {
        streamedPosition_ = Value;
        return;
    }
    if (!pipeline_)
        return;
    const int target = std::clamp(Value, 0, pipeline_->GetFieldCount() - 1);
    if (target == Position())
        return;
    TrgCustomDataPipeline* pipeline = pipeline_;
    pipeline->RemoveField(this);
    pipeline->InsertField(target, this);
    pipeline->StateChanged();
}

// ---------------------------------------------------------------------------
// TrgCustomDataPipeline
// ---------------------------------------------------------------------------

TrgCustomDataPipeline::TrgCustomDataPipeline(TComponent* AOwner) : TrgDataPipeline(AOwner) {}

TrgCustomDataPipeline::~TrgCustomDataPipeline()
{
    FreeFields();
}

bool TrgCustomDataPipeline::FindField(const QString& FieldName)
{
    currentField_ = GetFieldForName(FieldName);
    return currentField_ != nullptr;
}

bool TrgCustomDataPipeline::IsDataTypeSupported(TrgDataType)
{
    return true;
}

bool TrgCustomDataPipeline::GetFieldNames(TStringList* List)
{
    List->Clear();
    for (const TrgField* field : fields_)
        List->Add(field->FieldName);
    return List->Count() > 0;
}

TAlignment TrgCustomDataPipeline::GetFieldAlignment(const QString& FieldName)
{
    return FindField(FieldName) ? currentField_->Alignment : taLeftJustify;
}

TrgDataType TrgCustomDataPipeline::GetFieldDataType(const QString& FieldName)
{
    return FindField(FieldName) ? currentField_->DataType() : dtNotKnown;
}

int TrgCustomDataPipeline::GetFieldDisplayWidth(const QString& FieldName)
{
    return FindField(FieldName) ? currentField_->DisplayWidth : 0;
}

int TrgCustomDataPipeline::GetFieldSize(const QString& FieldName)
{
    return FindField(FieldName) ? currentField_->FieldLength : 0;
}

void TrgCustomDataPipeline::AddField(TrgField* Field)
{
    InsertField(GetFieldCount(), Field);
}

void TrgCustomDataPipeline::InsertField(int Index, TrgField* Field)
{
    if (!Field)
        return;
    if (Field->pipeline_ && Field->pipeline_ != this)
        Field->pipeline_->RemoveField(Field);
    if (IndexOfField(Field) >= 0)
        return;
    fields_.insert(fields_.begin() + std::clamp(Index, 0, GetFieldCount()), Field);
    Field->pipeline_ = this;
}

void TrgCustomDataPipeline::RemoveField(TrgField* Field)
{
    auto it = std::find(fields_.begin(), fields_.end(), Field);
    if (it == fields_.end())
        return;
    fields_.erase(it);
    Field->pipeline_ = nullptr;
    if (currentField_ == Field)
        currentField_ = nullptr;
}

TrgField* TrgCustomDataPipeline::GetFieldForName(const QString& FieldName) const
{
    for (TrgField* field : fields_)
        if (field->FieldName == FieldName)
            return field;
    return nullptr;
}

int TrgCustomDataPipeline::IndexOfField(const TrgField* Field) const
{
    auto it = std::find(fields_.begin(), fields_.end(), Field);
    return it == fields_.end() ? -1 : int(it - fields_.begin());
}

void TrgCustomDataPipeline::FreeFields()
{
    while (!fields_.empty()) {
        TrgField* field = fields_.back();
        RemoveField(field);
        delete field;
    }
}

// ---------------------------------------------------------------------------

bool rgStartPipeline(TrgDataPipeline* Pipeline, TObject* Client, TrgLanguageType Language)
{
    bool opened = true;
    try {
        Pipeline->Open();
    } catch (const std::exception&) {
        // A table that cannot be opened (missing, locked, damaged) is a data
        // set that cannot be read: the report goes on without data.
        opened = false;
    }
    Pipeline->AttachClient(Client);
    if (opened && Pipeline->IsActive()) {
        Pipeline->First();
        return true;
    }
    const int base = rgLanguageResourceBase(Language);
    MessageDlg(rgLoadString(base + kCouldNotOpenDataSet) + u'\n' + rgLoadString(base + kProceedingInNoDataMode),
               mtError, TMsgDlgButtons{mbOK});
    return false;
}
