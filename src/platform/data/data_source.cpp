#include "platform/data/data_source.h"

#include <algorithm>

// ---------------------------------------------------------------------------
// TDataSource
// ---------------------------------------------------------------------------

TDataSource::~TDataSource()
{
    if (dataSet_)
        dataSet_->RemoveDataSource(this);
    dataSet_ = nullptr;
    state_ = dsInactive;
    for (TDataLink* link : std::vector<TDataLink*>(links_)) {
        link->DataEvent(deUpdateState, 0);
        link->DataSourceGone();
    }
}

void TDataSource::SetDataSet(TDataSet* dataSet)
{
    if (dataSet == dataSet_)
        return;
    if (dataSet && dataSet->IsLinkedTo(this))
        DatabaseError(QStringLiteral("Zirkuläre Datenverbindungen sind nicht erlaubt"));
    if (dataSet_)
        dataSet_->RemoveDataSource(this);
    dataSet_ = dataSet;
    if (dataSet_)
        dataSet_->AddDataSource(this);
    UpdateState();
}

void TDataSource::SetEnabled(bool enabled)
{
    enabled_ = enabled;
    UpdateState();
}

void TDataSource::Edit()
{
    if (AutoEdit && dataSet_ && dataSet_->State() == dsBrowse)
        dataSet_->Edit();
}

void TDataSource::UpdateState() { SetState(enabled_ && dataSet_ ? dataSet_->State() : dsInactive); }

void TDataSource::SetState(TDataSetState state)
{
    if (state_ == state)
        return;
    const TDataSetState prior = state_;
    state_ = state;
    NotifyDataLinks(deUpdateState, 0);
    if (OnStateChange)
        OnStateChange(this);
    if (prior == dsInactive && OnDataChange)
        OnDataChange(this, nullptr);
}

void TDataSource::NotifyDataLinks(TDataEvent event, intptr_t info)
{
    for (TDataLink* link : std::vector<TDataLink*>(links_))
        link->DataEvent(event, info);
}

void TDataSource::DataEvent(TDataEvent event, intptr_t info)
{
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (state_ == dsInactive)
        return;
    NotifyDataLinks(event, info);
    switch (event) {
    case deFieldChange:
        if (OnDataChange)
            OnDataChange(this, reinterpret_cast<TField*>(info));
        break;
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
        if (OnDataChange)
            OnDataChange(this, nullptr);
        break;
    case deUpdateRecord:
        if (OnUpdateData)
            OnUpdateData(this);
        break;
    default: break;
    }
}

void TDataSource::AddDataLink(TDataLink* link)
{
    links_.push_back(link);
    if (dataSet_)
        dataSet_->UpdateBufferCount();
}

void TDataSource::RemoveDataLink(TDataLink* link)
{
    links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
    if (dataSet_ && dataSet_->Active())
        dataSet_->UpdateBufferCount();
}

// ---------------------------------------------------------------------------
// TDataLink
// ---------------------------------------------------------------------------

TDataLink::~TDataLink()
{
    if (dataSource_)
        dataSource_->RemoveDataLink(this);
}

void TDataLink::SetDataSource(TDataSource* source)
{
    if (source == dataSource_)
        return;
    if (dataSource_)
        dataSource_->RemoveDataLink(this);
    dataSource_ = source;
    if (dataSource_)
        dataSource_->AddDataLink(this);
    UpdateState();
}

void TDataLink::SetReadOnly(bool readOnly)
{
    if (readOnly_ == readOnly)
        return;
    readOnly_ = readOnly;
    UpdateState();
}

void TDataLink::UpdateState()
{
    SetActive(dataSource_ && dataSource_->State() != dsInactive);
    const TDataSetState s = dataSource_ ? dataSource_->State() : dsInactive;
    SetEditing((s == dsEdit || s == dsInsert || s == dsSetKey) && !readOnly_);
}

void TDataLink::SetActive(bool active)
{
    if (active_ == active)
        return;
    active_ = active;
    if (active)
        UpdateRange();
    else
        firstRecord_ = 0;
    ActiveChanged();
}

void TDataLink::SetEditing(bool editing)
{
    if (editing_ == editing)
        return;
    editing_ = editing;
    EditingChanged();
}

// Keeps the link's window inside the dataset's buffers and around the active record.
void TDataLink::UpdateRange()
{
    TDataSet* ds = DataSet();
    if (!ds)
        return;
    const int active = ds->ActiveRecord();
    int lo = std::max(0, active - bufferCount_ + 1);
    int hi = std::min(std::max(0, ds->BufferCount() - bufferCount_), active);
    if (hi < lo)
        hi = lo;
    firstRecord_ = std::clamp(firstRecord_, lo, hi);
}

void TDataLink::SetBufferCount(int count)
{
    count = std::max(count, 1);
    if (bufferCount_ == count)
        return;
    bufferCount_ = count;
    if (active_) {
        UpdateRange();
        DataSet()->UpdateBufferCount();
        UpdateRange();
    }
}

int TDataLink::ActiveRecord() const
{
    if (!dataSource_ || !DataSet() || dataSource_->State() == dsSetKey)
        return 0;
    return DataSet()->ActiveRecord() - firstRecord_;
}

void TDataLink::SetActiveRecord(int row)
{
    if (dataSource_ && DataSet() && dataSource_->State() != dsSetKey)
        DataSet()->SetActiveRecord(row + firstRecord_);
}

int TDataLink::RecordCount() const
{
    if (!dataSource_ || !DataSet())
        return 0;
    if (dataSource_->State() == dsSetKey)
        return 1;
    return std::clamp(DataSet()->RecordBufferCount() - firstRecord_, 0, bufferCount_);
}

bool TDataLink::Edit()
{
    if (!readOnly_ && dataSource_)
        dataSource_->Edit();
    return editing_;
}

void TDataLink::UpdateRecord()
{
    updating_ = true;
    try {
        UpdateData();
    } catch (...) {
        updating_ = false;
        throw;
    }
    updating_ = false;
}

void TDataLink::DataEvent(TDataEvent event, intptr_t info)
{
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (!active_)
        return;
    switch (event) {
    case deFieldChange:
    case deRecordChange:
        if (!updating_)
            RecordChanged(reinterpret_cast<TField*>(info));
        break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange: {
        int count = 0;
        if (dataSource_->State() != dsSetKey) {
            const int active = DataSet()->ActiveRecord();
            const int first = firstRecord_ + static_cast<int>(info);
            const int last = first + bufferCount_ - 1;
            if (active > last)
                count = active - last;
            else if (active < first)
                count = active - first;
            firstRecord_ = first + count;
        }
        if (event == deDataSetChange)
            DataSetChanged();
        else if (event == deDataSetScroll)
            DataSetScrolled(count);
        else
            LayoutChanged();
        break;
    }
    case deUpdateRecord: UpdateRecord(); break;
    case deCheckBrowseMode: CheckBrowseMode(); break;
    case deFocusControl: FocusControl(reinterpret_cast<TField**>(info)); break;
    default: break;
    }
}

// ---------------------------------------------------------------------------
// TFieldDataLink
// ---------------------------------------------------------------------------

void TFieldDataLink::SetFieldName(const QString& name)
{
    if (fieldName_ == name)
        return;
    fieldName_ = name;
    UpdateField();
}

void TFieldDataLink::UpdateField()
{
    TField* f = nullptr;
    if (Active() && !fieldName_.isEmpty())
        f = DataSet()->FieldByName(fieldName_);
    if (f != field_) {
        field_ = f;
        RecordChanged(nullptr);
    }
}

bool TFieldDataLink::CanModify() const { return !ReadOnly() && field_ && field_->CanModify(); }

bool TFieldDataLink::Edit()
{
    if (CanModify())
        TDataLink::Edit();
    return Editing();
}

void TFieldDataLink::ActiveChanged()
{
    UpdateField();
    if (OnActiveChange)
        OnActiveChange();
}

void TFieldDataLink::EditingChanged()
{
    if (OnEditingChange)
        OnEditingChange();
}

void TFieldDataLink::LayoutChanged() { UpdateField(); }

void TFieldDataLink::RecordChanged(TField* field)
{
    if (field == nullptr || field == field_) {
        if (OnDataChange)
            OnDataChange();
        modified_ = false;
    }
}

void TFieldDataLink::FocusControl(TField** field)
{
    if (field && *field && *field == field_ && OnFocusControl && OnFocusControl())
        *field = nullptr;
}

void TFieldDataLink::UpdateData()
{
    if (modified_) {
        if (field_ && OnUpdateData)
            OnUpdateData();
        modified_ = false;
    }
}
