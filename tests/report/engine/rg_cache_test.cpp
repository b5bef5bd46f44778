// The page cache: streams shared by record size, strides and slots, record
// offsets, subclasses appending their fields, restoring pages in any order,
// the move to "cch" files under the memory limit and the disk-full error.

#include "report/engine/rg_cache.h"

#include "platform/core/streams.h"
#include "test_environment.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <vector>

namespace {

// A cacheable whose record holds two numbers: like a band, 20 bytes.
class PlainObject : public TrgCacheable {
public:
    explicit PlainObject(int32_t bytes = 20) : TrgCacheable(nullptr) { at_ = ExtendCacheRecord(bytes); }
    int32_t a = 0, b = 0;

protected:
    void SaveCacheFields(TrgCacheRecord& r) override
    {
        TrgCacheable::SaveCacheFields(r);
        r.PutInt32(at_, a);
        r.PutInt32(at_ + 4, b);
    }
    void RestoreCacheFields(const TrgCacheRecord& r) override
    {
        TrgCacheable::RestoreCacheFields(r);
        a = r.GetInt32(at_);
        b = r.GetInt32(at_ + 4);
    }

private:
    int32_t at_ = 0;
};

// Appends its own four bytes to the plain record: like a group header band, 24 bytes.
class ExtendedObject : public PlainObject {
public:
    ExtendedObject() { own_ = ExtendCacheRecord(4); }
    bool flag = false;
    int32_t ownOffset() const { return own_; }

protected:
    void SaveCacheFields(TrgCacheRecord& r) override
    {
        PlainObject::SaveCacheFields(r);
        r.PutBool(own_, flag);
    }
    void RestoreCacheFields(const TrgCacheRecord& r) override
    {
        PlainObject::RestoreCacheFields(r);
        flag = r.GetBool(own_);
    }

private:
    int32_t own_ = 0;
};

// The report's side: the objects in registration order.
class FakeReport : public TrgCacheOwner {
public:
    std::vector<TrgCacheable*> objects;
    TrgLanguageType language = lgEnglish;
    int cancelled = 0;
    std::vector<TrgCacheable*> CacheablesInOrder() override { return objects; }
    TrgLanguageType CacheLanguage() const override { return language; }
    void CancelGeneration() override { ++cancelled; }
};

// Distinct values per object and page, so a record read from the wrong
// place shows.
int32_t ValueOf(int object, int page, int part) { return 1000 * object + 10 * page + part; }

class PageCache : public ::testing::Test {
protected:
    void SetUp() override
    {
        group = std::make_unique<PlainObject>(24);   // a group: 24 bytes
        band1 = std::make_unique<PlainObject>();     // two plain bands: 20 bytes
        band2 = std::make_unique<PlainObject>();
        header = std::make_unique<ExtendedObject>(); // a group header band: 20 + 4
        report.objects = {group.get(), band1.get(), band2.get(), header.get()};
        manager = std::make_unique<TrgCacheManager>(nullptr, &report);
        manager->SetTemporaryDirectory(QString::fromStdString(tmp.str()));
    }

    std::vector<PlainObject*> Objects() { return {group.get(), band1.get(), band2.get(), header.get()}; }

    // Generates pages 0 .. last, setting every object's state and saving.
    void GeneratePages(int last)
    {
        for (int page = 0; page <= last; ++page) {
            int i = 0;
            for (PlainObject* o : Objects()) {
                o->a = ValueOf(i, page, 1);
                o->b = ValueOf(i, page, 2);
                ++i;
            }
            header->flag = page % 2 == 1;
            manager->SavePage(page);
        }
    }

    void ExpectPageRestored(int page)
    {
        manager->RestorePage(page);
        int i = 0;
        for (PlainObject* o : Objects()) {
            EXPECT_EQ(o->a, ValueOf(i, page, 1)) << "object " << i << " page " << page;
            EXPECT_EQ(o->b, ValueOf(i, page, 2)) << "object " << i << " page " << page;
            ++i;
        }
        EXPECT_EQ(header->flag, page % 2 == 1) << "page " << page;
    }

    QStringList CchFiles() const
    {
        return QDir(QString::fromStdString(tmp.str())).entryList({QStringLiteral("cch*")}, QDir::Files);
    }

    lxtest::TempDir tmp;
    FakeReport report;
    std::unique_ptr<PlainObject> group, band1, band2;
    std::unique_ptr<ExtendedObject> header;
    std::unique_ptr<TrgCacheManager> manager;
};

TEST_F(PageCache, ObjectsOfEqualRecordSizeShareAStreamInRegistrationOrder)
{
    EXPECT_EQ(header->CacheRecordSize(), 24);
    EXPECT_EQ(header->ownOffset(), 20);  // appended after the parent's 20 bytes
    manager->ResetCache();

    EXPECT_EQ(manager->StreamCount(), 2);
    struct Expect {
        PlainObject* object;
        int32_t slot, stride;
        TrgCacheable* sharesWith;
    };
    const Expect expected[] = {
        {band1.get(), 0, 2, band2.get()},
        {band2.get(), 1, 2, band1.get()},
        {group.get(), 0, 2, header.get()},
        {header.get(), 1, 2, group.get()},
    };
    for (const Expect& e : expected) {
        EXPECT_EQ(e.object->CacheSlot(), e.slot);
        EXPECT_EQ(e.object->CacheStride(), e.stride);
        EXPECT_EQ(e.object->CacheStream(), e.sharesWith->CacheStream());
        EXPECT_EQ(e.object->CacheManager(), manager.get());
    }
    EXPECT_NE(band1->CacheStream(), group->CacheStream());
}

TEST_F(PageCache, RecordsLieAtPageTimesStridePlusSlotTimesSize)
{
    manager->ResetCache();
    GeneratePages(3);
    // Read the shared band stream from outside: page p, slot s at (p*2+s)*20.
    TStream* stream = band1->CacheStream();
    ASSERT_EQ(stream->Size(), 4 * 2 * 20);
    for (int page = 0; page <= 3; ++page)
        for (int slot = 0; slot < 2; ++slot) {
            int32_t first = 0;
            stream->SetPosition((page * 2 + slot) * 20);
            stream->ReadBuffer(&first, 4);  // little-endian on the machines we build for
            EXPECT_EQ(first, ValueOf(1 + slot, page, 1)) << "page " << page << " slot " << slot;
        }
    // The header's own byte follows the 20 bytes of its parent in its record.
    TStream* shared = header->CacheStream();
    char flag = 0;
    shared->SetPosition((1 * 2 + 1) * 24 + 20);
    shared->ReadBuffer(&flag, 1);
    EXPECT_EQ(flag, 1);
}

TEST_F(PageCache, PagesAreRestoredInAnyOrder)
{
    manager->ResetCache();
    GeneratePages(9);
    EXPECT_EQ(manager->HighestCachedPage(), 9);
    for (int page : {5, 3, 9, 0, 3})
        ExpectPageRestored(page);
}

TEST_F(PageCache, APageNeverWrittenLeavesTheFieldsUnchanged)
{
    manager->ResetCache();
    GeneratePages(2);
    band1->a = -7;
    band1->b = -8;
    manager->RestorePage(6);
    EXPECT_EQ(band1->a, -7);
    EXPECT_EQ(band1->b, -8);
}

TEST_F(PageCache, DiscardingMovesTheHighestCachedPageBack)
{
    manager->ResetCache();
    GeneratePages(5);
    manager->DiscardFrom(3);
    EXPECT_EQ(manager->HighestCachedPage(), 2);
    manager->SavePage(1);
    EXPECT_EQ(manager->HighestCachedPage(), 2);
    manager->ClearCache();
    EXPECT_EQ(manager->HighestCachedPage(), -1);
    EXPECT_TRUE(manager->Cacheables().empty());
    EXPECT_EQ(band1->CacheManager(), nullptr);
    EXPECT_EQ(band1->CacheStream(), nullptr);
}

TEST_F(PageCache, MovingToFilesMidRunKeepsEveryRecord)
{
    // Room for about three pages: the fourth page's writes move the cache.
    manager->SetMemoryLimit(3 * (2 * 20 + 2 * 24) + 10);
    manager->ResetCache();
    GeneratePages(9);
    EXPECT_EQ(manager->StorageMode(), csFiles);
    EXPECT_EQ(CchFiles().size(), 2) << CchFiles().join(u' ').toStdString();
    for (const QString& name : manager->TemporaryFileNames())
        EXPECT_TRUE(QFileInfo(name).fileName().startsWith(u"cch")) << name.toStdString();
    for (int page : {8, 0, 3, 9, 4})
        ExpectPageRestored(page);

    // A later run keeps using files; clearing deletes them.
    manager->ResetCache();
    GeneratePages(1);
    EXPECT_EQ(manager->StorageMode(), csFiles);
    ExpectPageRestored(1);
    manager->ClearCache();
    EXPECT_TRUE(CchFiles().isEmpty()) << CchFiles().join(u' ').toStdString();
}

TEST_F(PageCache, MemoryAndFilesGiveTheSameRecords)
{
    auto restoredValues = [&](int64_t limit) {
        manager->SetMemoryLimit(limit);
        manager->ResetCache();
        GeneratePages(6);
        std::vector<int32_t> values;
        for (int page : {6, 2, 4, 0}) {
            manager->RestorePage(page);
            for (PlainObject* o : Objects()) {
                values.push_back(o->a);
                values.push_back(o->b);
            }
            values.push_back(header->flag);
        }
        return values;
    };
    const std::vector<int32_t> inMemory = restoredValues(TrgCacheManager::kDefaultMemoryLimit);
    EXPECT_EQ(manager->StorageMode(), csMemory);
    const std::vector<int32_t> inFiles = restoredValues(0);
    EXPECT_EQ(manager->StorageMode(), csFiles);
    EXPECT_EQ(inMemory, inFiles);
}

TEST_F(PageCache, DestroyingTheManagerDeletesItsFiles)
{
    manager->SetMemoryLimit(0);
    manager->ResetCache();
    GeneratePages(2);
    ASSERT_EQ(CchFiles().size(), 2);
    manager.reset();
    EXPECT_TRUE(CchFiles().isEmpty());
    // The objects forgot the manager: saving now writes nothing and fails nowhere.
    EXPECT_EQ(band1->CacheManager(), nullptr);
    band1->SaveToCache(3);
    band1->RestoreFromCache(0);
}

TEST_F(PageCache, ADestroyedObjectLeavesTheManager)
{
    manager->ResetCache();
    GeneratePages(1);
    band2.reset();
    EXPECT_EQ(manager->Cacheables().size(), 3u);
    manager->SavePage(2);
    manager->RestorePage(1);
    EXPECT_EQ(band1->a, ValueOf(1, 1, 1));
}

TEST_F(PageCache, AnObjectBelongsToOneManagerAtATime)
{
    manager->ResetCache();
    FakeReport otherReport;
    TrgCacheManager other(nullptr, &otherReport);
    for (auto move : {+[](TrgCacheable& o, TrgCacheManager& m) { o.SetCacheManager(&m); },
                      +[](TrgCacheable& o, TrgCacheManager& m) { m.RegisterCacheable(&o); }}) {
        manager->RegisterCacheable(band1.get());
        move(*band1, other);
        EXPECT_EQ(band1->CacheManager(), &other);
        EXPECT_EQ(std::count(manager->Cacheables().begin(), manager->Cacheables().end(), band1.get()), 0);
        EXPECT_EQ(other.Cacheables().size(), 1u);
    }
    band1->SetCacheManager(nullptr);
    EXPECT_TRUE(other.Cacheables().empty());
    EXPECT_EQ(band1->CacheManager(), nullptr);
}

struct DiskFullCase {
    const char* name;
    bool unwritableFolder;  // the temporary files cannot be made
    bool failFileWrites;    // writes to files fail
    TrgLanguageType language;
    const char* message;
};

class PageCacheDiskFull : public PageCache, public ::testing::WithParamInterface<DiskFullCase> {};

TEST_P(PageCacheDiskFull, EndsWithNotEnoughDiskSpace)
{
    const DiskFullCase& c = GetParam();
    report.language = c.language;
    manager->SetMemoryLimit(2 * (2 * 20 + 2 * 24));
    if (c.unwritableFolder)
        manager->SetTemporaryDirectory(QString::fromStdString((tmp / "missing" / "folder").string()));
    if (c.failFileWrites)
        manager->SetWriteFault([](TrgCacheStorageMode mode) { return mode == csFiles; });
    manager->ResetCache();
    GeneratePages(1);  // fits in memory
    try {
        GeneratePages(3);
        FAIL() << "no error";
    } catch (const EPrintError& e) {
        EXPECT_EQ(e.Message, QString::fromUtf8(c.message));
    }
    EXPECT_EQ(report.cancelled, 1);
    // What was written before stays readable.
    ExpectPageRestored(0);
    manager->ClearCache();
    EXPECT_TRUE(CchFiles().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PageCacheDiskFull,
    ::testing::Values(
        DiskFullCase{"NoTemporaryFile", true, false, lgEnglish, "Not enough disk space to print report."},
        DiskFullCase{"FileWriteFails", false, true, lgEnglish, "Not enough disk space to print report."},
        DiskFullCase{"German", true, false, lgGerman, "Nicht genug Speicherplatz zum Drucken des Berichts."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PageCacheRecord, ObjectsWithoutARecordCacheNothing)
{
    PlainObject none(0);
    FakeReport report;
    report.objects = {&none};
    TrgCacheManager manager(nullptr, &report);
    manager.ResetCache();
    none.a = 5;
    manager.SavePage(0);
    none.a = 6;
    manager.RestorePage(0);
    EXPECT_EQ(none.a, 6);
    EXPECT_EQ(none.CacheStream()->Size(), 0);
}

TEST(PageCacheRecord, NumbersAreLittleEndianAtTheirOffsets)
{
    TrgCacheRecord r(12);
    r.PutInt32(0, -2);
    r.PutUInt32(4, 0x01020304u);
    r.PutBool(8, true);
    const QByteArray bytes(r.Data(), r.Size());
    EXPECT_EQ(bytes.toHex(), QByteArray("feffffff0403020101000000"));
    EXPECT_EQ(r.GetInt32(0), -2);
    EXPECT_EQ(r.GetUInt32(4), 0x01020304u);
    EXPECT_TRUE(r.GetBool(8));
    EXPECT_FALSE(r.GetBool(9));
}

}  // namespace
