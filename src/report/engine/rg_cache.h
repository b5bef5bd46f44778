#pragma once
// The page cache. A report is generated page by page and the preview may ask
// for any page again; instead of generating from the first page, every
// object that takes part in generation keeps one fixed-size record of its
// state per page and restores it before a page is generated again.
//
// TrgCacheable is the base of those objects. Its record size is fixed by the
// constructors of its class chain: each class appends its own fields to its
// parent's record (ExtendCacheRecord) and fills them in SaveCacheFields /
// reads them in RestoreCacheFields after calling the parent's.
//
// TrgCacheManager (one per report) keeps the records: objects of equal
// record size share one stream, page after page; the object in slot s of a
// stream shared by n objects keeps page p at byte (p * n + s) * size. The
// streams live in memory up to a memory limit and move to temporary "cch"
// files when the limit would be passed (or a write fails).

#include "report/output/rg_comm.h"
#include "report/output/rg_types.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

class TStream;
class TrgCacheManager;

// Operation codes the manager runs over its objects (CacheNotify first).
enum TrgCacheOperation : int {
    coAssignStream = 0,  // stream and slot by record size
    coSavePage = 1,
    coRestorePage = 2,
    coDiscardFrom = 3,   // only CacheNotify runs
    coDropStream = 4,
    coAssignStride = 5,
    coReassignStream = 6,  // after the streams moved to files
};

// One record's bytes with little-endian access at fixed offsets.
class TrgCacheRecord {
public:
    explicit TrgCacheRecord(int32_t size) : bytes_(size, '\0') {}
    char* Data() { return bytes_.data(); }
    const char* Data() const { return bytes_.constData(); }
    int32_t Size() const { return int32_t(bytes_.size()); }

    void PutByte(int32_t offset, uint8_t value);
    void PutBool(int32_t offset, bool value) { PutByte(offset, value ? 1 : 0); }
    void PutInt32(int32_t offset, int32_t value);
    void PutUInt32(int32_t offset, uint32_t value) { PutInt32(offset, int32_t(value)); }
    uint8_t GetByte(int32_t offset) const;
    bool GetBool(int32_t offset) const { return GetByte(offset) != 0; }
    int32_t GetInt32(int32_t offset) const;
    uint32_t GetUInt32(int32_t offset) const { return uint32_t(GetInt32(offset)); }
    // A double as its eight bytes, low half first.
    void PutDouble(int32_t offset, double value)
    {
        uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        PutUInt32(offset, uint32_t(bits));
        PutUInt32(offset + 4, uint32_t(bits >> 32));
    }
    double GetDouble(int32_t offset) const
    {
        const uint64_t bits = uint64_t(GetUInt32(offset)) | (uint64_t(GetUInt32(offset + 4)) << 32);
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

private:
    QByteArray bytes_;
};

class TrgCacheable : public TrgCommunicator {
public:
    explicit TrgCacheable(TComponent* AOwner);
    ~TrgCacheable() override;

    // Unregisters from the old manager, registers with the new one.
    void SetCacheManager(TrgCacheManager* Manager);
    TrgCacheManager* CacheManager() const { return manager_; }

    int32_t CacheStride() const { return stride_; }
    int32_t CacheSlot() const { return slot_; }
    // Bytes per page; 0 caches nothing.
    int32_t CacheRecordSize() const { return recordSize_; }
    TStream* CacheStream() const { return stream_; }

    // Called on every registered object before each manager operation.
    virtual void CacheNotify(int Operation, int32_t Page);
    // Reads the page's record and restores the fields; a page never written
    // leaves them unchanged.
    virtual void RestoreFromCache(int32_t Page);
    // Fills the page's record and writes it.
    virtual void SaveToCache(int32_t Page);

    // The state a page record holds, and back: lets a layout that has to be
    // undone return to where it started without a page of the cache.
    TrgCacheRecord StateRecord();
    void RestoreState(const TrgCacheRecord& Record);
    // Reads the record of Page into Buffer (record size bytes); false, and
    // Buffer unchanged, when the stream holds no such record.
    bool ReadCacheRecord(int32_t Page, char* Buffer);
    // Writes the record of Page at its offset. A failed write moves the cache
    // to files and is repeated once; a second failure raises EPrintError
    // "Not enough disk space to print report.".
    void WriteCacheRecord(int32_t Page, const char* Buffer);

    void EventNotify(TrgCommunicator* Sender, int Operation) override;

protected:
    // Adds Bytes at the end of the record; returns the offset of the first.
    int32_t ExtendCacheRecord(int32_t Bytes);
    // Each class writes its fields into the record after its parent's.
    virtual void SaveCacheFields(TrgCacheRecord& Record);
    virtual void RestoreCacheFields(const TrgCacheRecord& Record);

private:
    friend class TrgCacheManager;
    int64_t RecordPosition(int32_t Page) const;

    int32_t stride_ = 0;
    TrgCacheManager* manager_ = nullptr;
    int32_t slot_ = 0;
    int32_t recordSize_ = 0;
    TStream* stream_ = nullptr;
};

// What the manager needs of its report.
class TrgCacheOwner {
public:
    // The objects to register, in this order: the report's pipeline, the
    // detail band's own pipeline, the engine, every group, every band
    // followed by each of its components.
    virtual std::vector<TrgCacheable*> CacheablesInOrder() = 0;
    // Messages come in the report's language.
    virtual TrgLanguageType CacheLanguage() const = 0;
    // The cache can no longer be written: a running generation stops first.
    virtual void CancelGeneration() = 0;

protected:
    ~TrgCacheOwner() = default;
};

enum TrgCacheStorageMode : uint8_t { csMemory = 0, csFiles = 1 };

// Test seam: asked before every record write with the storage mode in use;
// true makes that write fail as a full disk would.
using TrgCacheWriteFault = std::function<bool(TrgCacheStorageMode mode)>;

class TrgCacheManager : public TrgCommunicator {
public:
    // Bytes the memory streams may hold together before they move to files.
    static constexpr int64_t kDefaultMemoryLimit = 16 * 1024 * 1024;

    TrgCacheManager(TComponent* AOwner, TrgCacheOwner* Report);
    ~TrgCacheManager() override;

    void ResetCache();  // ClearCache, then InitCache
    // Registers the report's objects, then assigns streams, slots and strides.
    void InitCache();
    void SavePage(int32_t Page);
    void RestorePage(int32_t Page);
    // Pages from Page on are no longer valid.
    void DiscardFrom(int32_t Page);
    // Drops every stream and object; deletes the temporary files.
    void ClearCache();

    void RegisterCacheable(TrgCacheable* Object);
    void UnregisterCacheable(TrgCacheable* Object);

    int32_t HighestCachedPage() const { return highestCachedPage_; }
    TrgCacheStorageMode StorageMode() const { return storageMode_; }
    const std::vector<TrgCacheable*>& Cacheables() const { return cacheables_; }
    int StreamCount() const { return int(streams_.size()); }
    // Names of the temporary files made so far (files mode).
    const QStringList& TemporaryFileNames() const { return tempFileNames_; }
    QString TemporaryDirectory() const { return tempDir_; }
    void SetTemporaryDirectory(const QString& Dir) { tempDir_ = Dir; }
    int64_t MemoryLimit() const { return memoryLimit_; }
    void SetMemoryLimit(int64_t Bytes) { memoryLimit_ = Bytes; }
    void SetWriteFault(TrgCacheWriteFault Fault) { writeFault_ = std::move(Fault); }

    // Moves every memory stream into a temporary file.
    void SwitchToFiles();

    void EventNotify(TrgCommunicator* Sender, int Operation) override;

private:
    friend class TrgCacheable;
    struct TStreamEntry {
        int32_t RecordSize = 0;
        int32_t HighestSlot = 0;
        std::unique_ptr<TStream> Stream;
    };

    void RunOperation(int Operation, int32_t Page);
    void Apply(TrgCacheable& Object, int Operation, int32_t Page);
    TStreamEntry* EntryForSize(int32_t RecordSize);
    std::unique_ptr<TStream> NewStream();
    std::unique_ptr<TStream> NewFileStream();
    // Writes Buffer at Position; false when the write failed.
    bool TryWrite(TStream& Stream, int64_t Position, const char* Buffer, int32_t Size);
    [[noreturn]] void RaiseDiskFull();
    int64_t MemoryInUse() const;

    QStringList tempFileNames_;
    std::vector<TStreamEntry> streams_;
    std::vector<TrgCacheable*> cacheables_;
    QString tempDir_;
    TrgCacheStorageMode storageMode_ = csMemory;
    TrgCacheOwner* report_;
    int32_t highestCachedPage_ = -1;
    int64_t memoryLimit_ = kDefaultMemoryLimit;
    TrgCacheWriteFault writeFault_;
};
