#include "report/engine/rg_cache.h"

#include "platform/core/streams.h"
#include "report/output/rg_strings.h"
#include "report/output/rg_utils.h"

#include <QFile>

#include <algorithm>

namespace {

// Message number of "Not enough disk space to print report.".
constexpr int kNotEnoughDiskSpace = 284;

}  // namespace

// ---------------------------------------------------------------------------
// TrgCacheRecord
// ---------------------------------------------------------------------------

void TrgCacheRecord::PutByte(int32_t offset, uint8_t value)
{
    bytes_[offset] = char(value);
}

void TrgCacheRecord::PutInt32(int32_t offset, int32_t value)
{
    const auto bits = uint32_t(value);
    for (int i = 0; i < 4; ++i)
        bytes_[offset + i] = char((bits >> (8 * i)) & 0xFF);
}

uint8_t TrgCacheRecord::GetByte(int32_t offset) const
{
    return uint8_t(bytes_.at(offset));
}

int32_t TrgCacheRecord::GetInt32(int32_t offset) const
{
    uint32_t bits = 0;
    for (int i = 0; i < 4; ++i)
        bits |= uint32_t(uint8_t(bytes_.at(offset + i))) << (8 * i);
    return int32_t(bits);
}

// ---------------------------------------------------------------------------
// TrgCacheable
// ---------------------------------------------------------------------------

TrgCacheable::TrgCacheable(TComponent* AOwner) : TrgCommunicator(AOwner) {}

TrgCacheable::~TrgCacheable()
{
    // The manager forgets us through the communicator notification of the
    // base destructor; dropping it here keeps its list free of a half-gone
    // object while the derived parts are already destroyed.
    if (manager_)
        manager_->UnregisterCacheable(this);
}

void TrgCacheable::SetCacheManager(TrgCacheManager* Manager)
{
    if (manager_ == Manager)
        return;
    if (manager_)
        manager_->UnregisterCacheable(this);
    if (Manager)
        Manager->RegisterCacheable(this);
}

void TrgCacheable::CacheNotify(int, int32_t) {}

void TrgCacheable::SaveToCache(int32_t Page)
{
    if (recordSize_ <= 0)
        return;
    TrgCacheRecord record(recordSize_);
    SaveCacheFields(record);
    WriteCacheRecord(Page, record.Data());
}

void TrgCacheable::RestoreFromCache(int32_t Page)
{
    if (recordSize_ <= 0)
        return;
    TrgCacheRecord record(recordSize_);
    if (ReadCacheRecord(Page, record.Data()))
        RestoreCacheFields(record);
}

TrgCacheRecord TrgCacheable::StateRecord()
{
    TrgCacheRecord record(recordSize_);
    SaveCacheFields(record);
    return record;
}

void TrgCacheable::RestoreState(const TrgCacheRecord& Record) { RestoreCacheFields(Record); }

void TrgCacheable::SaveCacheFields(TrgCacheRecord&) {}

void TrgCacheable::RestoreCacheFields(const TrgCacheRecord&) {}

int32_t TrgCacheable::ExtendCacheRecord(int32_t Bytes)
{
    const int32_t offset = recordSize_;
    recordSize_ += Bytes;
    return offset;
}

int64_t TrgCacheable::RecordPosition(int32_t Page) const
{
    return (int64_t(Page) * stride_ + slot_) * recordSize_;
}

bool TrgCacheable::ReadCacheRecord(int32_t Page, char* Buffer)
{
    if (!stream_ || recordSize_ <= 0 || Page < 0)
        return false;
    const int64_t position = RecordPosition(Page);
    if (position + recordSize_ > stream_->Size())
        return false;
    stream_->SetPosition(position);
    stream_->ReadBuffer(Buffer, recordSize_);
    return true;
}

void TrgCacheable::WriteCacheRecord(int32_t Page, const char* Buffer)
{
    if (!stream_ || !manager_ || recordSize_ <= 0 || Page < 0)
        return;
    const int64_t position = RecordPosition(Page);
    if (manager_->TryWrite(*stream_, position, Buffer, recordSize_))
        return;
    // Moving to files replaces our stream; the record goes once more to
    // the same place in the new one.
    manager_->SwitchToFiles();
    if (!stream_ || !manager_->TryWrite(*stream_, position, Buffer, recordSize_))
        manager_->RaiseDiskFull();
}

void TrgCacheable::EventNotify(TrgCommunicator* Sender, int Operation)
{
    if (Operation == rgOpPartnerDestroyed && Sender == manager_) {
        manager_ = nullptr;
        stream_ = nullptr;
    }
    TrgCommunicator::EventNotify(Sender, Operation);
}

// ---------------------------------------------------------------------------
// TrgCacheManager
// ---------------------------------------------------------------------------

TrgCacheManager::TrgCacheManager(TComponent* AOwner, TrgCacheOwner* Report)
    : TrgCommunicator(AOwner), tempDir_(rgGetTempPath()), report_(Report)
{
}

TrgCacheManager::~TrgCacheManager()
{
    try {
        ClearCache();
    } catch (...) {
        // A destructor does not throw; what could not be deleted stays.
    }
}

void TrgCacheManager::ResetCache()
{
    ClearCache();
    InitCache();
}

void TrgCacheManager::InitCache()
{
    if (report_) {
        for (TrgCacheable* object : report_->CacheablesInOrder())
            if (object)
                object->SetCacheManager(this);
    }
    RunOperation(coAssignStream, 0);
    RunOperation(coAssignStride, 0);
}

void TrgCacheManager::SavePage(int32_t Page)
{
    RunOperation(coSavePage, Page);
    highestCachedPage_ = std::max(highestCachedPage_, Page);
}

void TrgCacheManager::RestorePage(int32_t Page)
{
    RunOperation(coRestorePage, Page);
}

void TrgCacheManager::DiscardFrom(int32_t Page)
{
    RunOperation(coDiscardFrom, Page);
    highestCachedPage_ = Page - 1;
}

void TrgCacheManager::ClearCache()
{
    highestCachedPage_ = -1;
    RunOperation(coDropStream, 0);
    while (!cacheables_.empty())
        UnregisterCacheable(cacheables_.back());
    streams_.clear();  // closes the files before they are deleted
    if (storageMode_ == csFiles) {
        for (const QString& name : tempFileNames_)
            if (QFile::exists(name))
                QFile::remove(name);
        tempFileNames_.clear();
    }
}

void TrgCacheManager::RegisterCacheable(TrgCacheable* Object)
{
    if (!Object || std::find(cacheables_.begin(), cacheables_.end(), Object) != cacheables_.end())
        return;
    if (Object->manager_)
        Object->manager_->UnregisterCacheable(Object);
    cacheables_.push_back(Object);
    Object->manager_ = this;
    AddEventNotify(Object);
}

void TrgCacheManager::UnregisterCacheable(TrgCacheable* Object)
{
    auto it = std::find(cacheables_.begin(), cacheables_.end(), Object);
    if (it == cacheables_.end())
        return;
    cacheables_.erase(it);
    Object->manager_ = nullptr;
    Object->stream_ = nullptr;
    RemoveEventNotify(Object);
}

void TrgCacheManager::EventNotify(TrgCommunicator* Sender, int Operation)
{
    if (Operation == rgOpPartnerDestroyed)
        cacheables_.erase(std::remove(cacheables_.begin(), cacheables_.end(), Sender), cacheables_.end());
    TrgCommunicator::EventNotify(Sender, Operation);
}

void TrgCacheManager::RunOperation(int Operation, int32_t Page)
{
    // An object may leave the list while it is told (a pipeline that closes
    // and drops its client): walk a copy and skip the ones that left.
    const std::vector<TrgCacheable*> objects = cacheables_;
    for (TrgCacheable* object : objects) {
        if (std::find(cacheables_.begin(), cacheables_.end(), object) == cacheables_.end())
            continue;
        object->CacheNotify(Operation, Page);
        Apply(*object, Operation, Page);
    }
}

void TrgCacheManager::Apply(TrgCacheable& Object, int Operation, int32_t Page)
{
    switch (Operation) {
    case coAssignStream: {
        if (TStreamEntry* entry = EntryForSize(Object.recordSize_)) {
            entry->HighestSlot += 1;
            Object.slot_ = entry->HighestSlot;
            Object.stream_ = entry->Stream.get();
        } else {
            streams_.push_back({Object.recordSize_, 0, NewStream()});
            Object.slot_ = 0;
            Object.stream_ = streams_.back().Stream.get();
        }
        break;
    }
    case coSavePage: Object.SaveToCache(Page); break;
    case coRestorePage: Object.RestoreFromCache(Page); break;
    case coDiscardFrom: break;
    case coDropStream: Object.stream_ = nullptr; break;
    case coAssignStride:
        if (TStreamEntry* entry = EntryForSize(Object.recordSize_))
            Object.stride_ = entry->HighestSlot + 1;
        break;
    case coReassignStream:
        if (TStreamEntry* entry = EntryForSize(Object.recordSize_))
            Object.stream_ = entry->Stream.get();
        break;
    default: break;
    }
}

TrgCacheManager::TStreamEntry* TrgCacheManager::EntryForSize(int32_t RecordSize)
{
    for (TStreamEntry& entry : streams_)
        if (entry.RecordSize == RecordSize)
            return &entry;
    return nullptr;
}

std::unique_ptr<TStream> TrgCacheManager::NewStream()
{
    if (storageMode_ == csFiles)
        return NewFileStream();
    return std::make_unique<TMemoryStream>();
}

std::unique_ptr<TStream> TrgCacheManager::NewFileStream()
{
    const QString name = rgGetTempFileName(tempDir_, QStringLiteral("cch"));
    if (name.isEmpty())
        RaiseDiskFull();
    tempFileNames_ << name;
    try {
        return std::make_unique<TFileStream>(name, fmCreate);
    } catch (const Exception&) {
        RaiseDiskFull();
    }
}

void TrgCacheManager::SwitchToFiles()
{
    if (storageMode_ == csFiles)
        RaiseDiskFull();
    storageMode_ = csFiles;
    for (TStreamEntry& entry : streams_) {
        std::unique_ptr<TStream> file = NewFileStream();
        auto* memory = static_cast<TMemoryStream*>(entry.Stream.get());
        try {
            file->WriteBuffer(memory->Bytes().constData(), memory->Bytes().size());
        } catch (const Exception&) {
            RaiseDiskFull();
        }
        entry.Stream = std::move(file);
    }
    RunOperation(coReassignStream, 0);
}

bool TrgCacheManager::TryWrite(TStream& Stream, int64_t Position, const char* Buffer, int32_t Size)
{
    if (writeFault_ && writeFault_(storageMode_))
        return false;
    const int64_t size = Stream.Size();
    if (storageMode_ == csMemory) {
        const int64_t growth = std::max<int64_t>(0, Position + Size - size);
        if (growth > 0 && MemoryInUse() + growth > memoryLimit_)
            return false;
    }
    try {
        // A record beyond the end lands at its own offset all the same; the
        // records between stay zero, as pages never written.
        if (Position > size)
            Stream.SetSize(Position);
        Stream.SetPosition(Position);
        Stream.WriteBuffer(Buffer, Size);
    } catch (const Exception&) {
        return false;
    }
    return true;
}

void TrgCacheManager::RaiseDiskFull()
{
    if (report_)
        report_->CancelGeneration();
    const TrgLanguageType language = report_ ? report_->CacheLanguage() : lgEnglish;
    throw EPrintError(rgLoadString(rgLanguageResourceBase(language) + kNotEnoughDiskSpace));
}

int64_t TrgCacheManager::MemoryInUse() const
{
    int64_t total = 0;
    for (const TStreamEntry& entry : streams_)
        total += entry.Stream->Size();
    return total;
}
