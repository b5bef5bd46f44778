#pragma once
// TDataSource connects a dataset to the data links of controls; TDataLink
// receives the dataset's notifications (active changed, data set changed,
// scrolled by a distance, editing changed, layout changed, record changed,
// update data) and keeps its own window into the dataset's record buffers;
// TFieldDataLink follows one field.

#include "platform/data/dataset.h"

#include <functional>
#include <vector>

class TDataSource {
public:
    TDataSource() = default;
    explicit TDataSource(TDataSet* dataSet) { SetDataSet(dataSet); }
    virtual ~TDataSource();
    TDataSource(const TDataSource&) = delete;
    TDataSource& operator=(const TDataSource&) = delete;

    QString Name;
    TDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet* dataSet);
    TDataSetState State() const { return state_; }
    bool AutoEdit = true;
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    // Puts the dataset in edit state when AutoEdit is on and it is browsing.
    void Edit();

    std::function<void(TDataSource*, TField*)> OnDataChange;
    std::function<void(TDataSource*)> OnStateChange;
    std::function<void(TDataSource*)> OnUpdateData;

    // For the dataset and the links.
    void DataEvent(TDataEvent event, intptr_t info);
    void AddDataLink(TDataLink* link);
    void RemoveDataLink(TDataLink* link);
    const std::vector<TDataLink*>& DataLinks() const { return links_; }
    void DataSetDestroyed() { dataSet_ = nullptr; UpdateState(); }

private:
    void UpdateState();
    void SetState(TDataSetState state);
    void NotifyDataLinks(TDataEvent event, intptr_t info);

    TDataSet* dataSet_ = nullptr;
    TDataSetState state_ = dsInactive;
    bool enabled_ = true;
    std::vector<TDataLink*> links_;
};

class TDataLink {
public:
    TDataLink() = default;
    virtual ~TDataLink();
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;

    TDataSource* DataSource() const { return dataSource_; }
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const { return dataSource_ ? dataSource_->DataSet() : nullptr; }
    bool Active() const { return active_; }
    bool Editing() const { return editing_; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);

    // The link's window: BufferCount rows starting at the dataset buffer
    // FirstRecord; ActiveRecord is the active record's row in it.
    int BufferCount() const { return bufferCount_; }
    void SetBufferCount(int count);
    int ActiveRecord() const;
    void SetActiveRecord(int row);
    int RecordCount() const;
    int FirstRecord() const { return firstRecord_; }

    bool Edit();
    void UpdateRecord();
    int MoveBy(int distance) { return DataSet()->MoveBy(distance); }
    bool Bof() const { return DataSet()->Bof(); }
    bool Eof() const { return DataSet()->Eof(); }

    // For the data source.
    void DataEvent(TDataEvent event, intptr_t info);
    void DataSourceGone() { dataSource_ = nullptr; }

protected:
    virtual void ActiveChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int distance) { (void)distance; DataSetChanged(); }
    virtual void EditingChanged() {}
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void RecordChanged(TField* field) { (void)field; }
    virtual void UpdateData() {}
    // The field *field asks for the focus; a link that gives it to its
    // control sets *field to null, so no further control takes it.
    virtual void FocusControl(TField** field) { (void)field; }

private:
    friend class TDataSet;
    void UpdateState();
    void SetActive(bool active);
    void SetEditing(bool editing);
    void UpdateRange();

    TDataSource* dataSource_ = nullptr;
    bool active_ = false;
    bool editing_ = false;
    bool readOnly_ = false;
    bool updating_ = false;
    int bufferCount_ = 1;
    int firstRecord_ = 0;
};

// A link that follows one field of the dataset (an edit control's link).
class TFieldDataLink : public TDataLink {
public:
    QString FieldName() const { return fieldName_; }
    void SetFieldName(const QString& name);
    TField* Field() const { return field_; }
    bool CanModify() const;
    bool Edit();
    // The control changed its text: UpdateData is due before the record is posted.
    void Modified() { modified_ = true; }
    void Reset() { RecordChanged(nullptr); }

    std::function<void()> OnDataChange;
    std::function<void()> OnEditingChange;
    std::function<void()> OnUpdateData;
    std::function<void()> OnActiveChange;
    // Asked to focus the control when its field calls FocusControl;
    // answers whether the control took the focus.
    std::function<bool()> OnFocusControl;

protected:
    void ActiveChanged() override;
    void EditingChanged() override;
    void LayoutChanged() override;
    void RecordChanged(TField* field) override;
    void UpdateData() override;
    void FocusControl(TField** field) override;

private:
    void UpdateField();

    QString fieldName_;
    TField* field_ = nullptr;
    bool modified_ = false;
};
