#pragma once
// The data pipeline: the only way the report engine sees data. The engine
// opens a pipeline, walks its records inside the range that RangeBegin,
// RangeEnd and RangeEndCount give, asks for field values by field name and
// keeps the pipeline's position per page in the page cache.
//
// TrgDataPipeline owns the traversal and range rules, the state flags, the
// saved bookmark and the clients; every contact with real data goes through
// its virtual operations. TrgCustomDataPipeline adds a list of TrgField
// definitions for pipelines that describe their own fields.

#include "report/engine/rg_cache.h"

#include "platform/core/string_list.h"
#include "platform/ui/framework_types.h"

#include <QString>
#include <QVariant>

#include <cstdint>
#include <vector>

class TStream;
class TBlobField;
class TrgDataPipeline;
class TrgCustomDataPipeline;

// A record position of a data set; 0 is none.
using TrgBookmark = uint32_t;

// The pipeline's state flags.
enum TrgDataPipelineStateFlag : uint8_t { tsBOF = 1, tsEOF = 2, tsNoRecords = 4 };
using TrgDataPipelineState = uint8_t;

// Operations a pipeline tells its clients.
inline constexpr int rgPipelineChanged = 0;
inline constexpr int rgPipelineDestroying = 1;

// Locate options: case-insensitive comparison, partial key (prefix).
enum TrgLocateOption : uint8_t { loCaseInsensitive = 1, loPartialKey = 2 };
using TrgLocateOptions = uint8_t;

// What a pipeline tells the objects that use it (report, bands, groups,
// components, the engine): that it changed, or that it is going away.
class TrgPipelineClient {
public:
    virtual void PipelineNotification(int Operation, TrgDataPipeline* Pipeline) = 0;

protected:
    ~TrgPipelineClient() = default;
};

class TrgDataPipeline : public TrgCacheable {
public:
    explicit TrgDataPipeline(TComponent* AOwner);
    ~TrgDataPipeline() override;

    // ---- data access, answered by the concrete pipeline ----
    virtual bool IsDataSetBOF() = 0;
    virtual bool IsDataSetEOF() = 0;
    virtual void CloseDataSet() = 0;
    // Whether data can be read; the engine prints without data otherwise.
    virtual bool IsActive() = 0;
    virtual void GotoFirstRecord() = 0;
    virtual void GotoLastRecord() = 0;
    virtual void OpenDataSet() = 0;
    virtual void MoveRecords(int Distance) = 0;
    virtual void FreeBookmark(TrgBookmark Bookmark) = 0;
    virtual TrgBookmark GetBookmark() = 0;
    virtual QString GetDataSetName() = 0;
    virtual bool GetFieldNames(TStringList* List) = 0;
    virtual TAlignment GetFieldAlignment(const QString& FieldName) = 0;
    virtual double GetFieldAsDouble(const QString& FieldName) = 0;
    // The blob field behind the name (memo and graphic fields included), or nullptr.
    virtual TBlobField* GetFieldAsObject(const QString& FieldName) = 0;
    virtual QString GetFieldAsString(const QString& FieldName) = 0;
    virtual TrgDataType GetFieldDataType(const QString& FieldName) = 0;
    virtual int GetFieldDisplayWidth(const QString& FieldName) = 0;
    virtual bool GetFieldIsCalculated(const QString& FieldName) = 0;
    virtual int GetFieldSize(const QString& FieldName) = 0;
    virtual QVariant GetFieldValue(const QString& FieldName) = 0;
    // Fires OnGotoBookmark.
    virtual void GotoBookmark(TrgBookmark Bookmark);
    virtual void Edit();
    virtual void GetFieldAsStream(const QString& FieldName, TStream& Stream);
    virtual void Insert();
    virtual bool Locate(const QString& FieldName, const QVariant& Value, TrgLocateOptions Options);
    virtual void Post();
    virtual void SetFieldFromStream(const QString& FieldName, TStream& Stream);
    virtual void SetFieldValue(const QString& FieldName, const QVariant& Value);

    // ---- traversal ----
    void Open();
    void Close();
    void First();
    void Last();
    void Next();
    void Prior();
    bool IsBOF();
    bool IsEOF();
    // Next (Prior) without counting the record moved over.
    void SkipRecord();
    void SkipBack();
    TrgBookmark SaveBookmark();
    void FreeSavedBookmark();
    void GotoSavedBookmark();
    TrgBookmark SavedBookmark() const { return savedBookmark_; }
    int32_t RecordNo() const { return recordNo_; }

    // ---- state ----
    TrgDataPipelineState PipelineState() const { return pipelineState_; }
    void UpdateState();
    void AddState(TrgDataPipelineState Flags) { pipelineState_ |= Flags; }
    void RemoveState(TrgDataPipelineState Flags) { pipelineState_ &= TrgDataPipelineState(~Flags); }
    // Outside loading: UpdateState, then tells the clients.
    void StateChanged();

    // ---- clients ----
    // A client that is a communicator is linked both ways, so it leaves the
    // list when it is destroyed; any other client detaches itself.
    void AttachClient(TObject* Client);
    void DetachClient(TObject* Client);
    const std::vector<TObject*>& Clients() const { return clients_; }
    void NotifyClients(int Operation);
    void DoOnTraversal();

    // Index of the name among GetFieldNames (ignoring case); -1 when absent.
    int IndexOfFieldName(const QString& FieldName);

    // ---- properties ----
    int32_t MoveBy() const { return moveBy_; }
    void SetMoveBy(int32_t Value);
    TrgRangeEndType RangeEnd() const { return rangeEnd_; }
    void SetRangeEnd(TrgRangeEndType Value);
    int32_t RangeEndCount() const { return rangeEndCount_; }
    void SetRangeEndCount(int32_t Value);
    TrgRangeBeginType RangeBegin() const { return rangeBegin_; }
    void SetRangeBegin(TrgRangeBeginType Value);
    bool SkipWhenNoRecords() const { return skipWhenNoRecords_; }
    void SetSkipWhenNoRecords(bool Value);

    TNotifyEvent OnClose, OnFirst, OnGotoBookmark, OnLast, OnNext, OnOpen, OnPrior, OnTraversal;

    void EventNotify(TrgCommunicator* Sender, int Operation) override;

protected:
    // Offset of the pipeline's 12 bytes in its cache record; the concrete
    // pipeline decides what they hold.
    int32_t PipelineRecordOffset() const { return pipelineRecordAt_; }
    // Backwards from the current record to the first one, or from the last
    // record towards the start; forwards otherwise.
    void UpdateDirection();
    void SetRecordNo(int32_t Value) { recordNo_ = Value; }
    // The data set is at its end in the direction of travel (MoveBy), or
    // the pipeline does not move at all.
    bool AtEndOfTravel();
    void SetPipelineState(TrgDataPipelineState Value) { pipelineState_ = Value; }
    static void Fire(const TNotifyEvent& Event, TObject* Sender)
    {
        if (Event)
            Event(Sender);
    }

private:
    int32_t pipelineRecordAt_ = 0;
    TrgBookmark savedBookmark_ = 0;
    int32_t moveBy_ = 1;
    std::vector<TObject*> clients_;
    TrgRangeEndType rangeEnd_ = reLastRecord;
    int32_t rangeEndCount_ = 0;
    TrgRangeBeginType rangeBegin_ = rbFirstRecord;
    bool skipWhenNoRecords_ = true;
    TrgDataPipelineState pipelineState_ = 0;
    int32_t recordNo_ = 0;
};

// A field definition of a TrgCustomDataPipeline.
class TrgField : public TComponent {
public:
    explicit TrgField(TComponent* AOwner);
    ~TrgField() override;

    TAlignment Alignment = taLeftJustify;
    int DisplayWidth = 10;
    int FieldLength = 10;
    QString FieldName;

    TrgCustomDataPipeline* DataPipeline() const { return pipeline_; }
    // Moves the field to that pipeline's list (nullptr: out of any list).
    void SetDataPipeline(TrgCustomDataPipeline* Pipeline);
    TrgDataType DataType() const { return dataType_; }
    // Raises EInvalidPropertyError when the pipeline does not support the type.
    void SetDataType(TrgDataType Value);
    // The field's index in its pipeline's list; -1 without pipeline.
    int Position() const;
    // Moves the field in its pipeline's list (clamped); while loading only
    // the number is kept.
    void SetPosition(int Value);
    int StreamedPosition() const { return streamedPosition_; }

private:
    friend class TrgCustomDataPipeline;
    TrgCustomDataPipeline* pipeline_ = nullptr;
    TrgDataType dataType_ = dtString;
    int streamedPosition_ = -1;
};

class TrgCustomDataPipeline : public TrgDataPipeline {
public:
    explicit TrgCustomDataPipeline(TComponent* AOwner);
    ~TrgCustomDataPipeline() override;

    // The field of that name becomes the current field; false when none.
    virtual bool FindField(const QString& FieldName);
    virtual bool IsDataTypeSupported(TrgDataType DataType);

    bool GetFieldNames(TStringList* List) override;
    TAlignment GetFieldAlignment(const QString& FieldName) override;
    TrgDataType GetFieldDataType(const QString& FieldName) override;
    int GetFieldDisplayWidth(const QString& FieldName) override;
    int GetFieldSize(const QString& FieldName) override;

    void AddField(TrgField* Field);
    void InsertField(int Index, TrgField* Field);
    void RemoveField(TrgField* Field);
    int GetFieldCount() const { return int(fields_.size()); }
    TrgField* GetField(int Index) const { return fields_.at(size_t(Index)); }
    // The first field whose name equals FieldName exactly; nullptr when none.
    TrgField* GetFieldForName(const QString& FieldName) const;
    int IndexOfField(const TrgField* Field) const;
    // Frees every field, the last first.
    void FreeFields();
    TrgField* CurrentField() const { return currentField_; }

private:
    TrgField* currentField_ = nullptr;
    std::vector<TrgField*> fields_;
};

// Starts a pipeline for printing, as the engine does: opens it and attaches
// Client; when it cannot be read (or its data set cannot be opened), tells
// the user "Could not open DataSet." / "Proceeding in NoData mode." in the
// report's language and answers false (the report prints without data);
// otherwise goes to the first record of the range and answers true.
bool rgStartPipeline(TrgDataPipeline* Pipeline, TObject* Client, TrgLanguageType Language);
