#include "platform/data/dataset.h"

#include "platform/core/win1252.h"
#include "platform/data/data_source.h"

#include <algorithm>
#include <cstring>

namespace {

const QString kNotEditing = QStringLiteral("Datenmenge befindet sich nicht im Bearbeitungs- oder Einfügemodus");

TFieldType FieldTypeOf(const FLDDesc& d)
{
    switch (d.iFldType) {
    case fldZSTRING: return ftString;
    case fldINT16: return ftSmallint;
    case fldINT32: return ftInteger;
    case fldFLOAT: return ftFloat;
    case fldBOOL: return ftBoolean;
    case fldDATE: return ftDate;
    case fldBLOB: return d.iSubType == fldstMEMO ? ftMemo : ftBlob;
    default: return ftUnknown;
    }
}

}  // namespace

TDataSet::TDataSet() = default;

TDataSet::~TDataSet()
{
    try {
        if (Active()) {
            state_ = dsBrowse;  // no edits survive destruction
            SetActive(false);
        }
    } catch (...) {
    }
    for (TDataSource* source : std::vector<TDataSource*>(dataSources_))
        source->DataSetDestroyed();
    for (TField* f : std::vector<TField*>(fields_)) {
        f->dataSet_ = nullptr;
        delete f;
    }
}

// ---------------------------------------------------------------------------
// Opening and closing
// ---------------------------------------------------------------------------

void TDataSet::SetActive(bool active)
{
    if (active == Active())
        return;
    if (active) {
        CallEvent(BeforeOpen);
        try {
            OpenCursor();
        } catch (...) {
            CloseCursor();
            throw;
        }
        SetState(dsBrowse);
        DoAfterOpen();
        CallEvent(AfterOpen);
        DoAfterScroll();
    } else {
        if (state_ == dsEdit || state_ == dsInsert)
            InternalCancel();
        CallEvent(BeforeClose);
        DoBeforeClose();
        SetState(dsInactive);
        CloseCursor();
        CallEvent(AfterClose);
    }
}

void TDataSet::OpenCursor()
{
    handle_ = CreateHandle();
    props_ = CURProps();
    DbiCheck(InstalledDbi().DbiGetCursorProps(handle_, props_));
    InitFieldDefs();
    CreateFields();
    BindFields();
    PrepareCursor();
    ClearBuffers();
    buffers_.clear();
    bufferCount_ = 0;
    InternalFirst();
    UpdateBufferCount();
    bof_ = true;
    eof_ = recordCount_ == 0;
}

void TDataSet::CloseCursor()
{
    DestroyHandle();
    DestroyDefaultFields();
    ClearBuffers();
    buffers_.clear();
    bufferCount_ = 0;
    fieldDefs_.clear();
}

void TDataSet::DestroyHandle()
{
    if (handle_ != 0 && Dbi())
        Dbi()->DbiCloseCursor(handle_);
    handle_ = 0;
}

void TDataSet::InitFieldDefs()
{
    fieldDefs_.clear();
    std::vector<FLDDesc> descs(props_.iFields);
    if (!descs.empty())
        DbiCheck(InstalledDbi().DbiGetFieldDescs(handle_, descs.data()));
    for (const FLDDesc& d : descs) {
        TFieldDef def;
        def.Name = Win1252Decode(QByteArrayView(d.szName, static_cast<qsizetype>(strnlen(d.szName, sizeof d.szName))));
        def.DataType = FieldTypeOf(d);
        def.FieldNo = d.iFldNum;
        def.Size = def.DataType == ftString ? d.iUnits1 : 0;
        def.Precision = d.iUnits1;
        def.Decimals = d.iUnits2;
        fieldDefs_.push_back(def);
    }
}

void TDataSet::CreateFields()
{
    const bool anyData = std::any_of(fields_.begin(), fields_.end(), [](TField* f) { return f->FieldKind == fkData; });
    if (anyData)
        return;
    for (const TFieldDef& def : fieldDefs_) {
        TField* f = CreateFieldOfType(def.DataType, def.Size);
        if (!f)
            continue;
        f->FieldName = def.Name;
        if (auto* ff = dynamic_cast<TFloatField*>(f))
            ff->Precision = def.Precision;
        AddField(f);
        defaultField_.back() = true;
    }
}

bool TDataSet::DefaultFields() const
{
    return std::all_of(defaultField_.begin(), defaultField_.end(), [](bool made) { return made; });
}

void TDataSet::DestroyDefaultFields()
{
    for (size_t i = fields_.size(); i-- > 0;) {
        if (!defaultField_[i])
            continue;
        TField* f = fields_[i];
        fields_.erase(fields_.begin() + static_cast<long>(i));
        defaultField_.erase(defaultField_.begin() + static_cast<long>(i));
        f->dataSet_ = nullptr;
        delete f;
    }
}

void TDataSet::BindFields()
{
    calcCount_ = 0;
    for (TField* f : fields_) {
        if (f->FieldKind == fkCalculated) {
            f->fieldNo_ = 0;
            ++calcCount_;
            continue;
        }
        auto it = std::find_if(fieldDefs_.begin(), fieldDefs_.end(),
                               [&](const TFieldDef& d) { return d.Name.compare(f->FieldName, Qt::CaseInsensitive) == 0; });
        if (it == fieldDefs_.end())
            DatabaseError(QStringLiteral("Feld '%1' nicht gefunden").arg(f->FieldName));
        f->fieldNo_ = it->FieldNo;
    }
}

void TDataSet::CheckActive() const
{
    if (!Active())
        DatabaseError(QStringLiteral("Operation bei geschlossener Datenmenge nicht möglich"));
}

void TDataSet::CheckInactive() const
{
    if (Active())
        DatabaseError(QStringLiteral("Operation bei geöffneter Datenmenge nicht möglich"));
}

void TDataSet::CheckCanModify() const
{
    if (!CanModify())
        DatabaseError(QStringLiteral("Datenmenge kann nicht verändert werden, sie ist schreibgeschützt"));
}

void TDataSet::SetReadOnly(bool readOnly)
{
    CheckInactive();
    readOnly_ = readOnly;
}

// ---------------------------------------------------------------------------
// The buffer window
// ---------------------------------------------------------------------------

void TDataSet::InitRecordBuffer(TRecordBuffer& buffer)
{
    buffer.data.assign(props_.iRecBufSize, 0);
    buffer.calc.assign(static_cast<size_t>(calcCount_), QByteArray());
    buffer.recNo = 0;
    buffer.flag = bfCurrent;
}

void TDataSet::ClearBuffers()
{
    recordCount_ = 0;
    activeRecord_ = 0;
    currentRecord_ = -1;
    bof_ = true;
    eof_ = true;
}

void TDataSet::ActivateBuffers()
{
    recordCount_ = 1;
    activeRecord_ = 0;
    currentRecord_ = 0;
    bof_ = false;
    eof_ = false;
}

void TDataSet::MoveBuffer(int from, int to)
{
    if (from == to)
        return;
    auto b = buffers_.begin();
    if (from < to)
        std::rotate(b + from, b + from + 1, b + to + 1);
    else
        std::rotate(b + to, b + from, b + from + 1);
}

std::vector<TDataLink*> TDataSet::AllLinks() const
{
    std::vector<TDataLink*> links;
    for (TDataSource* s : dataSources_)
        links.insert(links.end(), s->DataLinks().begin(), s->DataLinks().end());
    return links;
}

void TDataSet::AdjustLinksFirstRecord(int delta)
{
    if (delta == 0)
        return;
    for (TDataLink* link : AllLinks())
        if (link->Active())
            link->firstRecord_ += delta;
}

void TDataSet::UpdateBufferCount()
{
    if (handle_ == 0)
        return;
    int count = 1;
    for (TDataLink* link : AllLinks())
        count = std::max(count, link->BufferCount());
    SetBufferCount(count);
}

void TDataSet::SetBufferCount(int count)
{
    count = std::min(count, 1024);
    if (count == bufferCount_)
        return;
    if (count < bufferCount_) {
        if (activeRecord_ >= count) {
            const int delta = activeRecord_ - count + 1;
            for (int i = 0; i < delta; ++i)
                MoveBuffer(0, bufferCount_);
            recordCount_ -= delta;
            activeRecord_ -= delta;
            AdjustLinksFirstRecord(-delta);
        }
        recordCount_ = std::min(recordCount_, count);
        buffers_.resize(static_cast<size_t>(count) + 1);
        bufferCount_ = count;
        CursorPosChanged();
        return;
    }
    const size_t old = buffers_.size();
    buffers_.resize(static_cast<size_t>(count) + 1);
    for (size_t i = old; i < buffers_.size(); ++i)
        InitRecordBuffer(buffers_[i]);
    bufferCount_ = count;
    if (state_ == dsEdit || state_ == dsInsert)
        return;
    GetNextRecords();
    if (recordCount_ < bufferCount_ && recordCount_ > 0)
        AdjustLinksFirstRecord(GetPriorRecords());
}

void TDataSet::SetCurrentRecord(int index)
{
    if (currentRecord_ == index)
        return;
    const TRecordBuffer& b = buffers_[index];
    switch (b.flag) {
    case bfCurrent:
    case bfInserted: InternalSetToRecord(b); break;
    case bfBOF: InternalFirst(); break;
    case bfEOF: InternalLast(); break;
    }
    currentRecord_ = index;
}

void TDataSet::UpdateCursorPos()
{
    if (recordCount_ > 0)
        SetCurrentRecord(activeRecord_);
}

bool TDataSet::GetNextRecord()
{
    if (recordCount_ > 0)
        SetCurrentRecord(recordCount_ - 1);
    if (GetRecord(buffers_[recordCount_], gmNext, true) != grOK) {
        CursorPosChanged();
        return false;
    }
    if (recordCount_ == 0)
        ActivateBuffers();
    else if (recordCount_ < bufferCount_)
        ++recordCount_;
    else
        MoveBuffer(0, recordCount_);
    currentRecord_ = recordCount_ - 1;
    return true;
}

bool TDataSet::GetPriorRecord()
{
    if (recordCount_ > 0)
        SetCurrentRecord(0);
    if (GetRecord(buffers_[recordCount_], gmPrior, true) != grOK) {
        CursorPosChanged();
        return false;
    }
    if (recordCount_ == 0) {
        ActivateBuffers();
    } else {
        MoveBuffer(recordCount_, 0);
        if (recordCount_ < bufferCount_) {
            ++recordCount_;
            ++activeRecord_;
        }
    }
    currentRecord_ = 0;
    return true;
}

int TDataSet::GetNextRecords()
{
    int n = 0;
    while (recordCount_ < bufferCount_ && GetNextRecord())
        ++n;
    return n;
}

int TDataSet::GetPriorRecords()
{
    int n = 0;
    while (recordCount_ < bufferCount_ && GetPriorRecord())
        ++n;
    return n;
}

// ---------------------------------------------------------------------------
// Cursor operations over the database API
// ---------------------------------------------------------------------------

void TDataSet::InternalFirst() { DbiCheck(InstalledDbi().DbiSetToBegin(handle_)); }
void TDataSet::InternalLast() { DbiCheck(InstalledDbi().DbiSetToEnd(handle_)); }

void TDataSet::InternalSetToRecord(const TRecordBuffer& buffer)
{
    uint8_t bm[4];
    std::memcpy(bm, &buffer.recNo, 4);
    DbiCheck(InstalledDbi().DbiSetToBookMark(handle_, bm));
}

void TDataSet::InternalInitRecord(TRecordBuffer& buffer) { DbiCheck(InstalledDbi().DbiInitRecord(handle_, buffer.data.data())); }

void TDataSet::InternalEdit()
{
    RECProps rp;
    DbiCheck(InstalledDbi().DbiGetRecord(handle_, dbiWRITELOCK, ActiveBuf().data.data(), &rp));
    ActiveBuf().recNo = rp.iPhyRecNum;
}

void TDataSet::InternalPost()
{
    if (state_ == dsEdit) {
        UpdateCursorPos();
        DbiCheck(InstalledDbi().DbiModifyRecord(handle_, ActiveBuf().data.data(), true));
    } else {
        DbiCheck(InstalledDbi().DbiInsertRecord(handle_, dbiNOLOCK, ActiveBuf().data.data()));
    }
}

void TDataSet::InternalCancel()
{
    if (state_ == dsEdit && handle_ != 0)
        InstalledDbi().DbiRelRecordLock(handle_, false);
}

void TDataSet::InternalDelete() { DbiCheck(InstalledDbi().DbiDeleteRecord(handle_, nullptr)); }

TGetResult TDataSet::GetRecord(TRecordBuffer& buffer, TGetMode mode, bool doCheck)
{
    if (buffer.data.size() != props_.iRecBufSize)
        InitRecordBuffer(buffer);
    for (;;) {
        RECProps rp;
        DBIResult r = DBIERR_NONE;
        switch (mode) {
        case gmCurrent: r = InstalledDbi().DbiGetRecord(handle_, dbiNOLOCK, buffer.data.data(), &rp); break;
        case gmNext: r = InstalledDbi().DbiGetNextRecord(handle_, dbiNOLOCK, buffer.data.data(), &rp); break;
        case gmPrior: r = InstalledDbi().DbiGetPriorRecord(handle_, dbiNOLOCK, buffer.data.data(), &rp); break;
        }
        if (r == DBIERR_BOF)
            return grBOF;
        if (r == DBIERR_EOF)
            return grEOF;
        if (r != DBIERR_NONE) {
            if (doCheck)
                DbiCheck(r);
            return grError;
        }
        buffer.recNo = rp.iPhyRecNum;
        buffer.flag = bfCurrent;
        GetCalcFields(buffer);
        if (RecordPassesFilter(buffer))
            return grOK;
        // The framework filters itself: a rejected record is skipped in the
        // direction of the move; the current record, when rejected, is gone.
        if (mode == gmCurrent)
            return grError;
    }
}

bool TDataSet::RecordPassesFilter(TRecordBuffer& buffer)
{
    if (!filtered_ || !OnFilterRecord)
        return true;
    TRecordBuffer* saved = calcBuffer_;
    const TDataSetState savedState = state_;
    calcBuffer_ = &buffer;
    bool accept = true;
    try {
        OnFilterRecord(this, accept);
    } catch (...) {
        calcBuffer_ = saved;
        state_ = savedState;
        throw;
    }
    calcBuffer_ = saved;
    state_ = savedState;
    return accept;
}

void TDataSet::ClearCalcFields(TRecordBuffer& buffer) { buffer.calc.assign(static_cast<size_t>(calcCount_), QByteArray()); }

void TDataSet::GetCalcFields(TRecordBuffer& buffer)
{
    if (calcCount_ == 0 && !OnCalcFields)
        return;
    TRecordBuffer* saved = calcBuffer_;
    const TDataSetState savedState = state_;
    calcBuffer_ = &buffer;
    state_ = dsCalcFields;
    try {
        ClearCalcFields(buffer);
        DoOnCalcFields();
    } catch (...) {
        calcBuffer_ = saved;
        state_ = savedState;
        throw;
    }
    calcBuffer_ = saved;
    state_ = savedState;
}

void TDataSet::DoOnCalcFields() { CallEvent(OnCalcFields); }
void TDataSet::DoOnNewRecord() { CallEvent(OnNewRecord); }
void TDataSet::DoBeforePost() { CallEvent(BeforePost); }

void TDataSet::DoBeforeScroll() { CallEvent(BeforeScroll); }
void TDataSet::DoAfterScroll() { CallEvent(AfterScroll); }

// ---------------------------------------------------------------------------
// States and editing
// ---------------------------------------------------------------------------

void TDataSet::SetState(TDataSetState state)
{
    if (state_ == state)
        return;
    state_ = state;
    modified_ = false;
    DataEvent(deUpdateState, 0);
}

void TDataSet::UpdateRecord()
{
    if (state_ != dsEdit && state_ != dsInsert && state_ != dsSetKey)
        DatabaseError(kNotEditing);
    DataEvent(deUpdateRecord, 0);
}

void TDataSet::CheckBrowseMode()
{
    CheckActive();
    DataEvent(deCheckBrowseMode, 0);
    switch (state_) {
    case dsEdit:
    case dsInsert:
        UpdateRecord();
        if (modified_)
            Post();
        else
            Cancel();
        break;
    case dsSetKey: Post(); break;
    default: break;
    }
}

void TDataSet::Edit()
{
    if (state_ == dsEdit || state_ == dsInsert)
        return;
    CheckActive();
    if (recordCount_ == 0) {
        Insert();
        return;
    }
    CheckBrowseMode();
    CheckCanModify();
    CallEvent(BeforeEdit);
    UpdateCursorPos();
    InternalEdit();
    GetCalcFields(ActiveBuf());
    SetState(dsEdit);
    DataEvent(deRecordChange, 0);
    CallEvent(AfterEdit);
}

void TDataSet::BeginInsertAppend()
{
    CheckBrowseMode();
    CheckCanModify();
    CallEvent(BeforeInsert);
    DoBeforeScroll();
}

void TDataSet::EndInsertAppend()
{
    SetState(dsInsert);
    try {
        DoOnNewRecord();
    } catch (...) {
        UpdateCursorPos();
        SetState(dsBrowse);
        Resync(0);
        throw;
    }
    modified_ = false;
    DataEvent(deDataSetChange, 0);
    CallEvent(AfterInsert);
    DoAfterScroll();
}

void TDataSet::Insert()
{
    BeginInsertAppend();
    const uint32_t oldRecNo = recordCount_ > 0 ? buffers_[activeRecord_].recNo : 0;
    MoveBuffer(recordCount_, activeRecord_);
    TRecordBuffer& b = buffers_[activeRecord_];
    InitRecordBuffer(b);
    InternalInitRecord(b);
    if (recordCount_ == 0) {
        b.flag = bfBOF;
    } else {
        b.flag = bfInserted;
        b.recNo = oldRecNo;
    }
    if (recordCount_ < bufferCount_)
        ++recordCount_;
    bof_ = eof_ = false;
    CursorPosChanged();
    EndInsertAppend();
}

void TDataSet::Append()
{
    BeginInsertAppend();
    ClearBuffers();
    TRecordBuffer& b = buffers_[0];
    InitRecordBuffer(b);
    InternalInitRecord(b);
    b.flag = bfEOF;
    recordCount_ = 1;
    bof_ = false;
    eof_ = false;
    GetPriorRecords();
    InternalLast();
    CursorPosChanged();
    EndInsertAppend();
}

void TDataSet::Post()
{
    UpdateRecord();
    switch (state_) {
    case dsEdit:
    case dsInsert:
        DataEvent(deCheckBrowseMode, 0);
        DoBeforePost();
        InternalPost();
        SetState(dsBrowse);
        Resync(0);
        CallEvent(AfterPost);
        break;
    case dsSetKey: PostKeyBuffer(true); break;
    default: break;
    }
}

void TDataSet::Cancel()
{
    switch (state_) {
    case dsEdit:
    case dsInsert:
        DataEvent(deCheckBrowseMode, 0);
        CallEvent(BeforeCancel);
        UpdateCursorPos();
        InternalCancel();
        SetState(dsBrowse);
        Resync(0);
        CallEvent(AfterCancel);
        break;
    case dsSetKey: PostKeyBuffer(false); break;
    default: break;
    }
}

void TDataSet::Delete()
{
    CheckActive();
    if (state_ == dsInsert || state_ == dsSetKey) {
        Cancel();
        return;
    }
    if (recordCount_ == 0)
        DatabaseError(QStringLiteral("Operation bei leerer Datenmenge nicht möglich"));
    DataEvent(deCheckBrowseMode, 0);
    CallEvent(BeforeDelete);
    DoBeforeScroll();
    UpdateCursorPos();
    InternalDelete();
    InternalCancel();  // an edit's record lock ends with the record
    SetState(dsBrowse);
    Resync(0);
    CallEvent(AfterDelete);
    DoAfterScroll();
}

void TDataSet::Refresh()
{
    CheckBrowseMode();
    UpdateCursorPos();
    InstalledDbi().DbiForceReread(handle_);
    Resync(0);
}

void TDataSet::Resync(int mode)
{
    TRecordBuffer& scratch = buffers_[recordCount_];
    if (mode & rmExact) {
        CursorPosChanged();
        if (GetRecord(scratch, gmCurrent, true) != grOK)
            DatabaseError(QStringLiteral("Datensatz nicht gefunden"));
    } else if (GetRecord(scratch, gmCurrent, false) != grOK && GetRecord(scratch, gmNext, false) != grOK &&
               GetRecord(scratch, gmPrior, false) != grOK) {
        ClearBuffers();
        DataEvent(deDataSetChange, 0);
        return;
    }
    int count = (mode & rmCenter) ? (bufferCount_ - 1) / 2 : activeRecord_;
    MoveBuffer(recordCount_, 0);
    ActivateBuffers();
    while (count > 0 && GetPriorRecord())
        --count;
    GetNextRecords();
    GetPriorRecords();
    DataEvent(deDataSetChange, 0);
}

// ---------------------------------------------------------------------------
// Moves
// ---------------------------------------------------------------------------

void TDataSet::First()
{
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    try {
        InternalFirst();
        GetNextRecord();
        GetNextRecords();
    } catch (...) {
        bof_ = true;
        DataEvent(deDataSetChange, 0);
        throw;
    }
    bof_ = true;
    eof_ = recordCount_ == 0;
    DataEvent(deDataSetChange, 0);
    DoAfterScroll();
}

void TDataSet::Last()
{
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    try {
        InternalLast();
        GetPriorRecord();
        GetPriorRecords();
    } catch (...) {
        eof_ = true;
        DataEvent(deDataSetChange, 0);
        throw;
    }
    eof_ = true;
    bof_ = recordCount_ == 0;
    DataEvent(deDataSetChange, 0);
    DoAfterScroll();
}

int TDataSet::MoveBy(int distance)
{
    CheckBrowseMode();
    int result = 0;
    DoBeforeScroll();
    if ((distance > 0 && !eof_) || (distance < 0 && !bof_)) {
        bof_ = false;
        eof_ = false;
        int scrollCount = 0;
        auto finish = [&] {
            DataEvent(deDataSetScroll, scrollCount);
            DoAfterScroll();
        };
        try {
            while (distance > 0) {
                if (activeRecord_ < recordCount_ - 1) {
                    ++activeRecord_;
                } else {
                    const int shift = recordCount_ < bufferCount_ ? 0 : 1;
                    if (GetNextRecord()) {
                        scrollCount -= shift;
                        if (activeRecord_ < recordCount_ - 1)
                            ++activeRecord_;
                    } else {
                        eof_ = true;
                        break;
                    }
                }
                --distance;
                ++result;
            }
            while (distance < 0) {
                if (activeRecord_ > 0) {
                    --activeRecord_;
                } else {
                    const int shift = recordCount_ < bufferCount_ ? 0 : 1;
                    if (GetPriorRecord()) {
                        scrollCount += shift;
                        if (activeRecord_ > 0)
                            --activeRecord_;
                    } else {
                        bof_ = true;
                        break;
                    }
                }
                ++distance;
                --result;
            }
        } catch (...) {
            finish();
            throw;
        }
        finish();
    }
    return result;
}

int TDataSet::RecordCount()
{
    CheckActive();
    uint32_t count = 0;
    DbiCheck(InstalledDbi().DbiGetRecordCount(handle_, count));
    return static_cast<int>(count);
}

int TDataSet::RecNo() const
{
    if (!Active())
        return -1;
    const TRecordBuffer* b = calcBuffer_;
    if (!b) {
        if (activeRecord_ >= recordCount_)
            return -1;
        b = &buffers_[activeRecord_];
    }
    return b->flag == bfCurrent ? static_cast<int>(b->recNo) : -1;
}

// ---------------------------------------------------------------------------
// Controls
// ---------------------------------------------------------------------------

void TDataSet::DisableControls()
{
    if (disableCount_ == 0) {
        disableState_ = state_;
        enableEvent_ = deDataSetChange;
    }
    ++disableCount_;
}

void TDataSet::EnableControls()
{
    if (disableCount_ == 0)
        return;
    if (--disableCount_ > 0)
        return;
    if (disableState_ != state_)
        DataEvent(deUpdateState, 0);
    if (disableState_ != dsInactive && state_ != dsInactive)
        DataEvent(enableEvent_, 0);
}

void TDataSet::DataEvent(TDataEvent event, intptr_t info)
{
    switch (event) {
    case deFieldChange: {
        auto* field = reinterpret_cast<TField*>(info);
        if (field->FieldKind == fkData)
            modified_ = true;
        if ((state_ == dsEdit || state_ == dsInsert) && calcCount_ > 0)
            GetCalcFields(ActiveBuf());
        break;
    }
    default: break;
    }
    if (!ControlsDisabled()) {
        for (TDataSource* source : std::vector<TDataSource*>(dataSources_))
            source->DataEvent(event, info);
    } else if ((event == deUpdateState && state_ == dsInactive) || event == deLayoutChange) {
        enableEvent_ = deLayoutChange;
    }
}

// ---------------------------------------------------------------------------
// Bookmarks
// ---------------------------------------------------------------------------

bool TDataSet::GetCurrentRecord(uint8_t* buffer)
{
    if (IsEmpty() || buffers_[activeRecord_].flag != bfCurrent)
        return false;
    UpdateCursorPos();
    return InstalledDbi().DbiGetRecord(handle_, dbiNOLOCK, buffer, nullptr) == DBIERR_NONE;
}

TBookmark TDataSet::GetBookmark() const
{
    if (!Active() || activeRecord_ >= recordCount_)
        return 0;
    const TRecordBuffer& b = buffers_[activeRecord_];
    return b.flag == bfCurrent ? b.recNo : 0;
}

void TDataSet::GotoBookmark(TBookmark bookmark)
{
    if (bookmark == 0)
        return;
    CheckBrowseMode();
    DoBeforeScroll();
    uint8_t bm[4];
    std::memcpy(bm, &bookmark, 4);
    DbiCheck(InstalledDbi().DbiSetToBookMark(handle_, bm));
    Resync(rmExact | rmCenter);
    DoAfterScroll();
}

int TDataSet::CompareBookmarks(TBookmark a, TBookmark b) const
{
    if (Active()) {
        uint8_t ba[4], bb[4];
        std::memcpy(ba, &a, 4);
        std::memcpy(bb, &b, 4);
        int result = 0;
        if (a != 0 && b != 0 && InstalledDbi().DbiCompareBookMarks(handle_, ba, bb, result) == DBIERR_NONE)
            return result;
    }
    // The API may not compare: record numbers order themselves; no bookmark comes first.
    return a < b ? -1 : (a > b ? 1 : 0);
}

bool TDataSet::BookmarkValid(TBookmark bookmark)
{
    if (!Active() || bookmark == 0)
        return false;
    uint8_t bm[4];
    std::memcpy(bm, &bookmark, 4);
    bool valid = false;
    if (InstalledDbi().DbiSetToBookMark(handle_, bm) == DBIERR_NONE) {
        TRecordBuffer& scratch = buffers_[recordCount_];
        RECProps rp;
        valid = InstalledDbi().DbiGetRecord(handle_, dbiNOLOCK, scratch.data.data(), &rp) == DBIERR_NONE;
    }
    CursorPosChanged();
    return valid;
}

// ---------------------------------------------------------------------------
// Fields
// ---------------------------------------------------------------------------

TField* TDataSet::FindField(const QString& name) const
{
    for (TField* f : fields_)
        if (f->FieldName.compare(name, Qt::CaseInsensitive) == 0)
            return f;
    return nullptr;
}

TField* TDataSet::FieldByName(const QString& name) const
{
    TField* f = FindField(name);
    if (!f)
        DatabaseError(QStringLiteral("Feld '%1' nicht gefunden").arg(name));
    return f;
}

QStringList SplitFieldNames(const QString& names)
{
    QStringList list;
    for (const QString& part : names.split(u';', Qt::SkipEmptyParts))
        if (!part.trimmed().isEmpty())
            list << part.trimmed();
    return list;
}

std::vector<TField*> TDataSet::GetFieldList(const QString& names) const
{
    std::vector<TField*> list;
    for (const QString& name : SplitFieldNames(names))
        list.push_back(FieldByName(name));
    return list;
}

void TDataSet::AddField(TField* field)
{
    fields_.push_back(field);
    defaultField_.push_back(false);
    field->dataSet_ = this;
    if (Active())
        DataEvent(deFieldListChange, 0);
}

void TDataSet::RemoveField(TField* field)
{
    auto it = std::find(fields_.begin(), fields_.end(), field);
    if (it == fields_.end())
        return;
    defaultField_.erase(defaultField_.begin() + (it - fields_.begin()));
    fields_.erase(it);
    field->dataSet_ = nullptr;
    if (Active())
        DataEvent(deFieldListChange, 0);
}

int TDataSet::IndexOfField(const TField* field) const
{
    auto it = std::find(fields_.begin(), fields_.end(), field);
    return it == fields_.end() ? -1 : static_cast<int>(it - fields_.begin());
}

void TDataSet::MoveField(TField* field, int index)
{
    const int from = IndexOfField(field);
    if (from < 0)
        return;
    index = std::clamp(index, 0, FieldCount() - 1);
    if (from == index)
        return;
    const bool isDefault = defaultField_[from];
    fields_.erase(fields_.begin() + from);
    defaultField_.erase(defaultField_.begin() + from);
    fields_.insert(fields_.begin() + index, field);
    defaultField_.insert(defaultField_.begin() + index, isDefault);
    if (Active())
        DataEvent(deLayoutChange, 0);
}

TDataSet::TRecordBuffer* TDataSet::CurrentFieldBuffer() const
{
    if (calcBuffer_)
        return calcBuffer_;
    if (!Active() || buffers_.empty())
        return nullptr;
    if (activeRecord_ >= recordCount_)
        return nullptr;
    return &ActiveBuf();
}

bool TDataSet::GetFieldData(const TField* field, void* buffer) const
{
    TRecordBuffer* rb = CurrentFieldBuffer();
    if (!rb)
        return false;
    if (field->FieldKind == fkCalculated) {
        int slot = 0;
        for (TField* f : fields_) {
            if (f == field)
                break;
            if (f->FieldKind == fkCalculated)
                ++slot;
        }
        if (slot >= static_cast<int>(rb->calc.size()) || rb->calc[slot].isEmpty())
            return false;
        if (buffer)
            std::memcpy(buffer, rb->calc[slot].constData(), static_cast<size_t>(rb->calc[slot].size()));
        return true;
    }
    bool blank = false;
    DbiCheck(InstalledDbi().DbiGetField(handle_, field->FieldNo(), rb->data.data(), buffer, blank));
    return !blank;
}

void TDataSet::SetFieldData(TField* field, const void* buffer)
{
    if (field->FieldKind == fkCalculated) {
        if (state_ != dsCalcFields || !calcBuffer_)
            DatabaseError(QStringLiteral("Berechnetes Feld '%1' kann nur in OnCalcFields gesetzt werden").arg(field->FieldName));
        int slot = 0;
        for (TField* f : fields_) {
            if (f == field)
                break;
            if (f->FieldKind == fkCalculated)
                ++slot;
        }
        QByteArray& value = calcBuffer_->calc[slot];
        if (!buffer)
            value.clear();
        else if (field->DataType() == ftString)
            value = QByteArray(static_cast<const char*>(buffer)).append('\0');
        else
            value = QByteArray(static_cast<const char*>(buffer), field->DataSize());
        return;
    }
    if (state_ != dsEdit && state_ != dsInsert && state_ != dsSetKey)
        DatabaseError(kNotEditing);
    if (field->ReadOnly() && state_ != dsSetKey)
        DatabaseError(QStringLiteral("Feld '%1' kann nicht verändert werden").arg(field->DisplayLabel()));
    field->Validate();
    TRecordBuffer* rb = CurrentFieldBuffer();
    if (!rb)
        DatabaseError(kNotEditing);
    DbiCheck(InstalledDbi().DbiPutField(handle_, field->FieldNo(), rb->data.data(), buffer));
    if (tempState_)
        return;
    field->Change();
    DataEvent(deFieldChange, reinterpret_cast<intptr_t>(field));
}

QByteArray TDataSet::GetBlobData(const TField* field) const
{
    TRecordBuffer* rb = CurrentFieldBuffer();
    if (!rb || field->FieldNo() <= 0)
        return QByteArray();
    TDbi& api = InstalledDbi();
    uint32_t size = 0;
    DbiCheck(api.DbiOpenBlob(handle_, rb->data.data(), field->FieldNo(), dbiREADONLY));
    DbiCheck(api.DbiGetBlobSize(handle_, rb->data.data(), field->FieldNo(), size));
    QByteArray bytes(static_cast<qsizetype>(size), '\0');
    uint32_t read = 0;
    if (size > 0)
        DbiCheck(api.DbiGetBlob(handle_, rb->data.data(), field->FieldNo(), 0, size, bytes.data(), read));
    api.DbiFreeBlob(handle_, rb->data.data(), field->FieldNo());
    bytes.truncate(static_cast<qsizetype>(std::min(read, size)));
    return bytes;
}

void TDataSet::SetBlobData(TField* field, const QByteArray& bytes)
{
    if (state_ != dsEdit && state_ != dsInsert)
        DatabaseError(kNotEditing);
    if (field->ReadOnly())
        DatabaseError(QStringLiteral("Feld '%1' kann nicht verändert werden").arg(field->DisplayLabel()));
    TRecordBuffer* rb = CurrentFieldBuffer();
    TDbi& api = InstalledDbi();
    DbiCheck(api.DbiOpenBlob(handle_, rb->data.data(), field->FieldNo(), dbiREADWRITE));
    if (bytes.isEmpty())
        DbiCheck(api.DbiTruncateBlob(handle_, rb->data.data(), field->FieldNo(), 0));
    else
        DbiCheck(api.DbiPutBlob(handle_, rb->data.data(), field->FieldNo(), 0, static_cast<uint32_t>(bytes.size()),
                                bytes.constData()));
    api.DbiFreeBlob(handle_, rb->data.data(), field->FieldNo());
    field->Change();
    DataEvent(deFieldChange, reinterpret_cast<intptr_t>(field));
}

void TDataSet::SetFiltered(bool filtered)
{
    if (filtered_ == filtered)
        return;
    filtered_ = filtered;
    if (Active()) {
        CheckBrowseMode();
        First();
    }
}

// ---------------------------------------------------------------------------
// Data sources
// ---------------------------------------------------------------------------

void TDataSet::AddDataSource(TDataSource* source)
{
    if (std::find(dataSources_.begin(), dataSources_.end(), source) == dataSources_.end())
        dataSources_.push_back(source);
    UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource* source)
{
    dataSources_.erase(std::remove(dataSources_.begin(), dataSources_.end(), source), dataSources_.end());
    if (Active())
        UpdateBufferCount();
}

bool TDataSet::IsLinkedTo(const TDataSource* source) const
{
    for (const TDataSet* ds = source ? source->DataSet() : nullptr; ds; ds = ds->MasterDataSet())
        if (ds == this)
            return true;
    return false;
}
