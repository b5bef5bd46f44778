#pragma once
// TDataSet: a dataset over a cursor of the database API. It keeps a window
// of record buffers (as many as its widest data link asks for, so a grid
// shows many rows of one cursor), the active record among them, the state
// machine of browsing and editing, the fields, and the notifications that
// reach controls through data sources and data links.

#include "platform/data/dbi.h"
#include "platform/data/field.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TDataSource;
class TDataLink;

enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields };
enum TDataEvent {
    deFieldChange,
    deRecordChange,
    deDataSetChange,
    deDataSetScroll,
    deLayoutChange,
    deUpdateRecord,
    deUpdateState,
    deCheckBrowseMode,
    dePropertyChange,
    deFieldListChange,
    // A field asks the control that shows it for the focus; the info is a
    // TField** that the control which took the focus sets to null.
    deFocusControl
};
enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };
enum TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };
enum TResyncModeFlag { rmExact = 1, rmCenter = 2 };

// The names of a field list "A; B;C", trimmed, empty entries dropped.
QStringList SplitFieldNames(const QString& names);

// A bookmark is the record number; 0 means none.
using TBookmark = uint32_t;

struct TFieldDef {
    QString Name;
    TFieldType DataType = ftUnknown;
    int Size = 0;
    int FieldNo = 0;
    int Precision = 0;  // width of a numeric field
    int Decimals = 0;
};

using TDataSetNotifyEvent = std::function<void(TDataSet*)>;

class TDataSet {
public:
    TDataSet();
    virtual ~TDataSet();
    TDataSet(const TDataSet&) = delete;
    TDataSet& operator=(const TDataSet&) = delete;

    QString Name;

    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    bool Active() const { return state_ != dsInactive; }
    void SetActive(bool active);
    TDataSetState State() const { return state_; }
    hDBICur Handle() const { return handle_; }

    void Edit();
    void Insert();
    void Append();
    void Post();
    void Cancel();
    void Delete();
    void CheckBrowseMode();
    void Refresh();
    void Resync(int mode);
    void UpdateCursorPos();
    void CursorPosChanged() { currentRecord_ = -1; }
    void UpdateRecord();

    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    int MoveBy(int distance);
    bool Bof() const { return bof_; }
    bool Eof() const { return eof_; }
    bool IsEmpty() const { return activeRecord_ >= recordCount_; }
    int RecordCount();
    // Physical record number of the active record; -1 when there is none.
    int RecNo() const;

    bool Modified() const { return modified_; }
    void SetModified(bool modified) { modified_ = modified; }
    virtual bool CanModify() const { return canModify_ && !readOnly_; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);

    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return disableCount_ > 0; }

    // The active record as the database layer holds it (RecordSize bytes:
    // deletion flag, then the fields), read afresh from the cursor; false
    // when there is no current record.
    bool GetCurrentRecord(uint8_t* buffer);
    int RecordSize() const { return props_.iRecBufSize; }

    TBookmark GetBookmark() const;
    void GotoBookmark(TBookmark bookmark);
    int CompareBookmarks(TBookmark a, TBookmark b) const;
    bool BookmarkValid(TBookmark bookmark);

    TField* FieldByName(const QString& name) const;
    TField* FindField(const QString& name) const;
    TField* Fields(int index) const { return fields_.at(index); }
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    const std::vector<TFieldDef>& FieldDefs() const { return fieldDefs_; }
    // True when every field object was made by the dataset from its field
    // definitions; false once the program defined fields of its own.
    bool DefaultFields() const;
    // Text of the field list "A;B;C" to fields; unknown names raise.
    std::vector<TField*> GetFieldList(const QString& names) const;

    bool Filtered() const { return filtered_; }
    void SetFiltered(bool filtered);

    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeEdit, AfterEdit, BeforeInsert, AfterInsert;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    TDataSetNotifyEvent OnCalcFields, OnNewRecord;
    std::function<void(TDataSet*, bool& accept)> OnFilterRecord;

    // The buffer window. BufferCount is the widest data link's; ActiveRecord
    // is the active record's index in the window, RecordBufferCount the
    // number of buffers holding records. Data links (grids) move
    // ActiveRecord to read other rows and put it back.
    int BufferCount() const { return bufferCount_; }
    int ActiveRecord() const { return activeRecord_; }
    void SetActiveRecord(int index) { activeRecord_ = index; }
    int RecordBufferCount() const { return recordCount_; }
    void UpdateBufferCount();

    // For fields: the native value of the active record (calculated fields
    // from the calculated-values area); false when blank.
    bool GetFieldData(const TField* field, void* buffer) const;
    void SetFieldData(TField* field, const void* buffer);
    // Blob access on the active record.
    QByteArray GetBlobData(const TField* field) const;
    void SetBlobData(TField* field, const QByteArray& bytes);

    void DataEvent(TDataEvent event, intptr_t info);

    // For data sources and fields.
    void AddDataSource(TDataSource* source);
    void RemoveDataSource(TDataSource* source);
    void AddField(TField* field);
    void RemoveField(TField* field);
    void MoveField(TField* field, int index);
    int IndexOfField(const TField* field) const;
    // True when the source's dataset is this one or reaches it through
    // master links.
    bool IsLinkedTo(const TDataSource* source) const;
    virtual TDataSet* MasterDataSet() const { return nullptr; }

protected:
    struct TRecordBuffer {
        std::vector<uint8_t> data;
        uint32_t recNo = 0;
        TBookmarkFlag flag = bfCurrent;
        std::vector<QByteArray> calc;  // native values of calculated fields, empty = blank
    };

    // Opening: the cursor, the field definitions, the cursor's preparation.
    virtual hDBICur CreateHandle() = 0;
    virtual void DestroyHandle();
    virtual void InitFieldDefs();
    virtual void PrepareCursor() {}
    virtual void OpenCursor();
    virtual void CloseCursor();

    virtual void InternalFirst();
    virtual void InternalLast();
    virtual void InternalSetToRecord(const TRecordBuffer& buffer);
    virtual void InternalPost();
    virtual void InternalEdit();
    virtual void InternalCancel();
    virtual void InternalDelete();
    virtual void InternalInitRecord(TRecordBuffer& buffer);
    virtual TGetResult GetRecord(TRecordBuffer& buffer, TGetMode mode, bool doCheck);
    virtual void DoAfterOpen() {}
    virtual void DoBeforeClose() {}
    virtual void DoOnNewRecord();
    virtual void DoOnCalcFields();
    virtual void DoBeforePost();
    virtual void SetState(TDataSetState state);
    virtual void PostKeyBuffer(bool commit) { (void)commit; }
    // The buffer the fields read and write: the active record, or the key
    // buffer in the set-key state.
    virtual TRecordBuffer* CurrentFieldBuffer() const;

    void CheckActive() const;
    void CheckInactive() const;
    void CheckCanModify() const;
    void ClearBuffers();
    void ActivateBuffers();
    bool GetNextRecord();
    bool GetPriorRecord();
    int GetNextRecords();
    int GetPriorRecords();
    void SetCurrentRecord(int index);
    void MoveBuffer(int from, int to);
    void SetBufferCount(int count);
    void GetCalcFields(TRecordBuffer& buffer);
    void ClearCalcFields(TRecordBuffer& buffer);
    bool RecordPassesFilter(TRecordBuffer& buffer);
    void CreateFields();
    void DestroyDefaultFields();
    void BindFields();
    void InitRecordBuffer(TRecordBuffer& buffer);
    void DoBeforeScroll();
    void DoAfterScroll();
    void CallEvent(const TDataSetNotifyEvent& event) { if (event) event(this); }
    TRecordBuffer& ActiveBuf() const { return const_cast<TRecordBuffer&>(buffers_[activeRecord_]); }

    hDBICur handle_ = 0;
    CURProps props_;
    std::vector<TFieldDef> fieldDefs_;
    std::vector<TRecordBuffer> buffers_;  // bufferCount_ + 1 (the last one is scratch)
    TDataSetState state_ = dsInactive;
    int bufferCount_ = 0;
    int recordCount_ = 0;
    int activeRecord_ = 0;
    int currentRecord_ = -1;
    bool bof_ = true;
    bool eof_ = true;
    bool modified_ = false;
    bool canModify_ = true;
    bool readOnly_ = false;
    bool filtered_ = false;
    bool tempState_ = false;  // field writes into a key buffer without notifications

private:
    void BeginInsertAppend();
    void EndInsertAppend();
    void AdjustLinksFirstRecord(int delta);
    std::vector<TDataLink*> AllLinks() const;

    std::vector<TField*> fields_;  // owned
    std::vector<bool> defaultField_;
    std::vector<TDataSource*> dataSources_;
    int disableCount_ = 0;
    TDataSetState disableState_ = dsInactive;
    TDataEvent enableEvent_ = deDataSetChange;
    int calcCount_ = 0;
    TRecordBuffer* calcBuffer_ = nullptr;
};

// Runs DisableControls now and EnableControls when it goes out of scope.
class TControlsDisabler {
public:
    explicit TControlsDisabler(TDataSet* ds) : ds_(ds) { ds_->DisableControls(); }
    ~TControlsDisabler() { ds_->EnableControls(); }

private:
    TDataSet* ds_;
};
