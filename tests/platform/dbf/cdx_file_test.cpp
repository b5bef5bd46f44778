// CDX compound index files: building, reading back, seeking, changing keys,
// flags, collation, dirty marks and damaged files.

#include "platform/dbf/cdx_file.h"
#include "test_environment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>

using namespace dbfcdx;

namespace {

using Entry = std::pair<std::string, std::uint32_t>;

CdxTagSpec Spec(const std::string& name, int keyLength, CdxKeyType type = CdxKeyType::Character)
{
    CdxTagSpec spec;
    spec.name = name;
    spec.keyExpression = name;
    spec.keyLength = keyLength;
    spec.keyType = type;
    return spec;
}

std::string Pad(std::string key, int length, char pad = ' ')
{
    key.resize(length, pad);
    return key;
}

CdxKeySet Keys(int keyLength, const std::vector<Entry>& entries)
{
    CdxKeySet keys(keyLength);
    for (const auto& [key, recno] : entries)
        keys.Add(key, recno);
    return keys;
}

std::vector<Entry> Forward(CdxTag& tag)
{
    std::vector<Entry> out;
    CdxCursor cursor;
    for (bool ok = tag.First(cursor); ok; ok = tag.Next(cursor))
        out.emplace_back(std::string(cursor.Key()), cursor.RecNo());
    return out;
}

std::vector<Entry> Backward(CdxTag& tag)
{
    std::vector<Entry> out;
    CdxCursor cursor;
    for (bool ok = tag.Last(cursor); ok; ok = tag.Prev(cursor))
        out.emplace_back(std::string(cursor.Key()), cursor.RecNo());
    std::reverse(out.begin(), out.end());
    return out;
}

// Keys with duplicates, long shared prefixes and trailing blanks.
std::vector<Entry> MakeEntries(std::size_t count, int keyLength, std::uint32_t seed)
{
    std::mt19937 rng(seed);
    std::vector<Entry> entries;
    for (std::size_t i = 0; i < count; ++i) {
        std::string key;
        switch (rng() % 4) {
        case 0: key = "C:\\BILDER\\URLAUB\\2003\\IMG" + std::to_string(rng() % 5000); break;  // shared prefix
        case 1: key = std::string(1, static_cast<char>('A' + rng() % 3)); break;           // many duplicates
        case 2: key = ""; break;                                                            // all blanks
        default:
            for (int k = 0, n = static_cast<int>(rng() % keyLength); k < n; ++k)
                key += static_cast<char>(rng() % 256);
        }
        entries.emplace_back(Pad(key.substr(0, keyLength), keyLength), static_cast<std::uint32_t>(i + 1));
    }
    return entries;
}

std::vector<Entry> Sorted(std::vector<Entry> entries)
{
    std::sort(entries.begin(), entries.end());
    return entries;
}

}  // namespace

TEST(CdxFile, BuildsTagsOfEverySizeAndReadsThemBackBothWays)
{
    lxtest::TempDir dir;
    const std::string path = (dir / "T.CDX").string();
    // Shuffled: the keys do not come in record order (equal keys are then
    // ordered by their record numbers, not by the order they were added in).
    struct Case { std::size_t count; int keyLength; bool shuffled = false; };
    const std::vector<Case> cases = {{0, 10},          {1, 10},          {40, 20},   {300, 1},
                                     {5000, 30},       {20000, 160},     {3000, 8},  {400, 240},
                                     {5000, 30, true}, {3000, 8, true},  {300, 1, true}};
    std::vector<std::vector<Entry>> expected;
    {
        auto file = CdxFile::Create(path);
        for (std::size_t c = 0; c < cases.size(); ++c) {
            auto entries = MakeEntries(cases[c].count, cases[c].keyLength, static_cast<std::uint32_t>(c));
            if (cases[c].shuffled)
                std::shuffle(entries.begin(), entries.end(), std::mt19937(static_cast<std::uint32_t>(c)));
            file->AddTag(Spec("TAG" + std::to_string(c), cases[c].keyLength), Keys(cases[c].keyLength, entries));
            expected.push_back(Sorted(entries));
        }
        file->Verify();
        file->Close();
    }
    auto file = CdxFile::Open(path, true);
    ASSERT_EQ(file->TagCount(), cases.size());
    file->Verify();
    for (std::size_t c = 0; c < cases.size(); ++c) {
        CdxTag& tag = file->Tag(c);
        SCOPED_TRACE(tag.Name());
        EXPECT_EQ(tag.Name(), "TAG" + std::to_string(c));
        EXPECT_EQ(tag.KeyLength(), cases[c].keyLength);
        EXPECT_EQ(tag.Count(), cases[c].count);
        EXPECT_EQ(Forward(tag), expected[c]);
        EXPECT_EQ(Backward(tag), expected[c]);
    }
    EXPECT_LT(std::filesystem::file_size(path), 3u * 1024 * 1024);
}

TEST(CdxFile, SeeksExactSoftAndPrefix)
{
    lxtest::TempDir dir;
    auto file = CdxFile::Create((dir / "S.CDX").string());
    std::vector<Entry> entries;
    for (std::uint32_t i = 1; i <= 3000; ++i)
        entries.emplace_back("K" + std::to_string(1000 + (i % 1500) * 2), i);  // even numbers, each twice
    CdxTag& tag = file->AddTag(Spec("K", 8), Keys(8, entries));

    CdxCursor cursor;
    EXPECT_TRUE(tag.SeekExact("K1010", cursor));
    EXPECT_EQ(cursor.Key(), "K1010   ");
    EXPECT_EQ(cursor.RecNo(), 5u);  // lowest record of the key first
    ASSERT_TRUE(tag.Next(cursor));
    EXPECT_EQ(cursor.RecNo(), 1505u);

    EXPECT_FALSE(tag.SeekExact("K1011", cursor));  // missing: stands on the next key
    ASSERT_TRUE(cursor.Valid());
    EXPECT_EQ(cursor.Key(), "K1012   ");
    EXPECT_FALSE(tag.SeekExact("K101", cursor));  // exact compares the padded key

    EXPECT_TRUE(tag.SeekSoft("K1011", cursor));
    EXPECT_EQ(cursor.Key(), "K1012   ");
    EXPECT_TRUE(tag.SeekPrefix("K101", cursor));
    EXPECT_EQ(cursor.Key(), "K1010   ");
    EXPECT_FALSE(tag.SeekPrefix("K1011", cursor));

    EXPECT_FALSE(tag.SeekSoft("L", cursor));  // past the last key
    EXPECT_FALSE(cursor.Valid());
    EXPECT_TRUE(tag.SeekSoft("", cursor));
    EXPECT_EQ(cursor.Key(), "K1000   ");
    EXPECT_TRUE(tag.SeekEntry("K3998", 1499, cursor));
    EXPECT_TRUE(tag.Contains("K3998", 2999));
    EXPECT_FALSE(tag.Contains("K3998", 3000));
}

TEST(CdxFile, RandomInsertsAndDeletesMatchAModel)
{
    lxtest::TempDir dir;
    const std::string path = (dir / "R.CDX").string();
    for (int keyLength : {4, 24, 120, 240}) {
        SCOPED_TRACE(keyLength);
        std::mt19937 rng(static_cast<std::uint32_t>(keyLength));
        std::set<Entry> model;
        auto initial = MakeEntries(500, keyLength, 7);
        for (const auto& e : initial)
            model.insert(e);
        {
            auto file = CdxFile::Create(path);
            CdxTag& tag = file->AddTag(Spec("R", keyLength), Keys(keyLength, initial));
            std::vector<Entry> pool = MakeEntries(3000, keyLength, 11);
            for (int step = 0; step < 12000; ++step) {
                const bool insert = model.empty() || (step < 6000 ? rng() % 3 != 0 : rng() % 3 == 0);
                if (insert) {
                    Entry e = pool[rng() % pool.size()];
                    e.second = 1 + rng() % 100000;
                    EXPECT_EQ(tag.Insert(e.first, e.second), model.insert(e).second);
                } else {
                    auto it = model.begin();
                    std::advance(it, rng() % model.size());
                    EXPECT_TRUE(tag.Delete(it->first, it->second));
                    EXPECT_FALSE(tag.Contains(it->first, it->second));
                    model.erase(it);
                }
                if (step % 3000 == 2999) {
                    file->Verify();
                    ASSERT_EQ(Forward(tag), std::vector<Entry>(model.begin(), model.end()));
                }
            }
            EXPECT_FALSE(tag.Delete(Pad("nicht da", keyLength), 1));
            EXPECT_EQ(tag.Count(), model.size());
            file->Close();
        }
        auto file = CdxFile::Open(path, false);
        file->Verify();
        CdxTag& tag = file->Tag(0);
        EXPECT_EQ(tag.Count(), model.size());
        EXPECT_EQ(Forward(tag), std::vector<Entry>(model.begin(), model.end()));
        EXPECT_EQ(Backward(tag), std::vector<Entry>(model.begin(), model.end()));
        // Emptying the tag leaves a usable empty tag.
        for (const auto& e : model)
            ASSERT_TRUE(tag.Delete(e.first, e.second));
        file->Verify();
        CdxCursor cursor;
        EXPECT_FALSE(tag.First(cursor));
        EXPECT_TRUE(tag.Insert("x", 9));
        EXPECT_EQ(Forward(tag), (std::vector<Entry>{{Pad("x", keyLength), 9}}));
    }
}

// A flush after every change patches the kept bytes of the changed leaf
// instead of encoding it again: the file must hold byte for byte what one
// flush at the end writes (only the headers' change counters differ).
TEST(CdxFile, FlushAfterEveryChangeWritesTheSameBytesAsOneFlushAtTheEnd)
{
    lxtest::TempDir dir;
    auto readFile = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    for (int keyLength : {4, 24, 120, 240}) {
        SCOPED_TRACE(keyLength);
        const std::string each = (dir / ("E" + std::to_string(keyLength) + ".CDX")).string();
        const std::string once = (dir / ("O" + std::to_string(keyLength) + ".CDX")).string();
        auto initial = MakeEntries(300, keyLength, 5);
        auto eachFile = CdxFile::Create(each);
        auto onceFile = CdxFile::Create(once);
        CdxTag& eachTag = eachFile->AddTag(Spec("P", keyLength), Keys(keyLength, initial));
        CdxTag& onceTag = onceFile->AddTag(Spec("P", keyLength), Keys(keyLength, initial));
        eachFile->Flush();
        onceFile->Flush();
        eachFile->SetShared(true);  // as in shared use: flushes without syncs
        std::mt19937 rng(static_cast<std::uint32_t>(keyLength) + 1);
        std::set<Entry> model(initial.begin(), initial.end());
        std::vector<Entry> pool = MakeEntries(1500, keyLength, 13);
        for (int step = 0; step < 4000; ++step) {
            const bool insert = model.empty() || (step < 2500 ? rng() % 3 != 0 : rng() % 3 == 0);
            if (insert) {
                Entry e = pool[rng() % pool.size()];
                // Record numbers beyond 16 bits widen the leaf entries.
                e.second = 1 + rng() % (step < 2000 ? 60000 : 200000);
                const bool fresh = model.insert(e).second;
                ASSERT_EQ(eachTag.Insert(e.first, e.second), fresh);
                ASSERT_EQ(onceTag.Insert(e.first, e.second), fresh);
            } else {
                auto it = model.begin();
                std::advance(it, rng() % model.size());
                ASSERT_TRUE(eachTag.Delete(it->first, it->second));
                ASSERT_TRUE(onceTag.Delete(it->first, it->second));
                model.erase(it);
            }
            eachFile->Flush();
        }
        eachFile->Close();
        onceFile->Close();
        std::string a = readFile(each), b = readFile(once);
        ASSERT_EQ(a.size(), b.size());
        ASSERT_GE(a.size(), 1536u);
        // The change counters (bytes 8 to 11) of the directory header and of
        // the tag header, which the directory's root leaf names.
        std::vector<std::uint32_t> headers{0};
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(a.data());
        const std::uint32_t directoryRoot =
            bytes[0] | bytes[1] << 8 | bytes[2] << 16 | std::uint32_t(bytes[3]) << 24;
        ASSERT_LE(directoryRoot + 512u, a.size());
        CdxNode directory = CdxDecodePage(bytes + directoryRoot, CdxPageFormat{10, ' '}, directoryRoot);
        ASSERT_TRUE(directory.leaf);
        ASSERT_EQ(directory.Count(), 1u);
        headers.push_back(directory.recnos[0]);
        for (std::uint32_t h : headers) {
            ASSERT_LE(h + 12u, a.size());
            std::memset(a.data() + h + 8, 0, 4);
            std::memset(b.data() + h + 8, 0, 4);
        }
        for (std::size_t page = 0; page < a.size(); page += 512)
            ASSERT_EQ(a.compare(page, 512, b, page, 512), 0) << "page at " << page;
        auto reopened = CdxFile::Open(each, false);
        reopened->Verify();
        EXPECT_EQ(Forward(reopened->Tag(0)), std::vector<Entry>(model.begin(), model.end()));
    }
}

// Two shared openers of one file (locks belong to the open file, so they
// take turns as two processes do). A page the one kept from its last flush
// is used again only while its bytes are unchanged; a page the other freed
// meanwhile is taken from the free list again, not mistaken for one in use.
TEST(CdxFile, SharedOpenersKeepOnlyUnchangedPagesAndReuseFreedOnes)
{
    lxtest::TempDir dir;
    const std::string path = (dir / "S.CDX").string();
    auto name = [](const char* prefix, int n) {
        char text[16];
        std::snprintf(text, sizeof text, "%s%05d", prefix, n);
        return std::string(text);
    };
    std::vector<Entry> initial;
    for (int n = 1; n <= 2000; ++n)
        initial.emplace_back(Pad(name("K", n), 10), static_cast<std::uint32_t>(n));
    {
        auto file = CdxFile::Create(path);
        file->AddTag(Spec("S", 10), Keys(10, initial));
        file->Close();
    }
    std::set<Entry> model(initial.begin(), initial.end());
    auto a = CdxFile::Open(path, false, CdxCollation(), true);
    auto b = CdxFile::Open(path, false, CdxCollation(), true);
    CdxTag& tagA = a->Tag(0);
    CdxTag& tagB = b->Tag(0);
    // B changes (and so keeps the bytes of) every leaf of the first 600 keys.
    b->Access([&] {
        for (int n = 10; n <= 600; n += 10) {
            const Entry e{Pad(name("K", n) + "A", 10), 5000u + static_cast<std::uint32_t>(n)};
            EXPECT_TRUE(tagB.Insert(e.first, e.second));
            model.insert(e);
        }
        return 0;
    });
    // A empties those leaves (their pages go to the free list) and changes
    // a leaf B holds further on.
    a->Access([&] {
        for (auto it = model.begin(); it != model.end() && it->first < Pad(name("K", 601), 10);) {
            EXPECT_TRUE(tagA.Delete(it->first, it->second));
            it = model.erase(it);
        }
        EXPECT_TRUE(tagA.Insert(Pad(name("K", 1500) + "B", 10), 9000));
        model.insert({Pad(name("K", 1500) + "B", 10), 9000});
        return 0;
    });
    const auto sizeAfterDeletes = std::filesystem::file_size(path);
    // B's new keys need new leaves: the freed pages serve.
    b->Access([&] {
        for (int n = 1; n <= 120; ++n) {
            const Entry e{Pad(name("Z", n), 10), 10000u + static_cast<std::uint32_t>(n)};
            EXPECT_TRUE(tagB.Insert(e.first, e.second));
            model.insert(e);
        }
        return 0;
    });
    EXPECT_EQ(std::filesystem::file_size(path), sizeAfterDeletes);
    const std::vector<Entry> expected(model.begin(), model.end());
    EXPECT_EQ(b->Access([&] { return Forward(tagB); }), expected);
    EXPECT_EQ(a->Access([&] { return Forward(tagA); }), expected);
    a->Access([&] {
        a->Verify();
        return 0;
    });
    b->Close();
    a->Close();
    auto reopened = CdxFile::Open(path, false);
    reopened->Verify();
    EXPECT_EQ(Forward(reopened->Tag(0)), expected);
}

TEST(CdxFile, CursorSurvivesChangesByFindingItsPlaceAgain)
{
    lxtest::TempDir dir;
    auto file = CdxFile::Create((dir / "C.CDX").string());
    std::vector<Entry> entries;
    for (std::uint32_t i = 1; i <= 2000; ++i)
        entries.emplace_back(Pad(std::to_string(100000 + i * 10), 10), i);
    CdxTag& tag = file->AddTag(Spec("C", 10), Keys(10, entries));

    CdxCursor cursor;
    ASSERT_TRUE(tag.SeekExact("101000", cursor));  // record 100
    // Delete the current entry and insert one right after it: Next lands on
    // the inserted one, Prev on the entry before the deleted one.
    ASSERT_TRUE(tag.Delete("101000", 100));
    ASSERT_TRUE(tag.Insert("101001", 5000));
    CdxCursor back = cursor;
    ASSERT_TRUE(tag.Next(cursor));
    EXPECT_EQ(cursor.RecNo(), 5000u);
    ASSERT_TRUE(tag.Prev(back));
    EXPECT_EQ(back.RecNo(), 99u);
    // Walking forward while deleting every entry passed visits each once.
    std::size_t seen = 0;
    for (bool ok = tag.First(cursor); ok; ++seen) {
        const std::string key(cursor.Key());
        const std::uint32_t recno = cursor.RecNo();
        ok = tag.Next(cursor);
        ASSERT_TRUE(tag.Delete(key, recno));
    }
    EXPECT_EQ(seen, 2000u);
    EXPECT_EQ(tag.Count(), 0u);
    file->Verify();
}

// A scan visits what a run of Next visits, across leaves, from any place a
// seek gives; it stops where the visitor says, the cursor on that entry
// (Next goes on from there), and after a change it goes on from its place.
TEST(CdxFile, ScanVisitsWhatNextVisitsAndStopsWhereTold)
{
    lxtest::TempDir dir;
    auto file = CdxFile::Create((dir / "W.CDX").string());
    const std::vector<Entry> entries = MakeEntries(3000, 12, 7);  // many leaves
    CdxTag& tag = file->AddTag(Spec("W", 12), Keys(12, entries));
    const std::vector<Entry> all = Forward(tag);
    ASSERT_EQ(all.size(), entries.size());

    auto scanned = [&](CdxCursor& cursor, std::size_t limit) {
        std::vector<Entry> out;
        tag.Scan(cursor, [&](std::string_view key, std::uint32_t recno) {
            if (out.size() == limit)
                return false;
            out.emplace_back(std::string(key), recno);
            return true;
        });
        return out;
    };
    for (const std::size_t from : {std::size_t(0), std::size_t(1), all.size() / 2, all.size() - 1}) {
        SCOPED_TRACE(from);
        CdxCursor cursor;
        ASSERT_TRUE(tag.SeekEntry(all[from].first, all[from].second, cursor));
        const std::vector<Entry> rest = scanned(cursor, all.size());
        EXPECT_EQ(rest, std::vector<Entry>(all.begin() + std::ptrdiff_t(from), all.end()));
        EXPECT_FALSE(cursor.Valid()) << "past the last entry";
    }
    // Stopped after 700 entries: the cursor stands on the 701st.
    CdxCursor cursor;
    ASSERT_TRUE(tag.First(cursor));
    EXPECT_EQ(scanned(cursor, 700), std::vector<Entry>(all.begin(), all.begin() + 700));
    ASSERT_TRUE(cursor.Valid());
    EXPECT_EQ(Entry(std::string(cursor.Key()), cursor.RecNo()), all[700]);
    ASSERT_TRUE(tag.Next(cursor));
    EXPECT_EQ(Entry(std::string(cursor.Key()), cursor.RecNo()), all[701]);
    // The entry it stands on deleted: the scan goes on from the one after.
    ASSERT_TRUE(tag.Delete(all[701].first, all[701].second));
    EXPECT_EQ(scanned(cursor, 2), std::vector<Entry>(all.begin() + 702, all.begin() + 704));
    // An invalid cursor visits nothing.
    CdxCursor none;
    EXPECT_TRUE(scanned(none, all.size()).empty());
}

TEST(CdxFile, StoresDefinitionsFlagsAndCreationOrder)
{
    lxtest::TempDir dir;
    const std::string path = (dir / "F.CDX").string();
    {
        auto file = CdxFile::Create(path);
        CdxTagSpec zugriff = Spec("Zugriff", 1);
        zugriff.keyExpression = "Zugriff";
        zugriff.forExpression = ".not. deleted()";
        file->AddTag(zugriff, Keys(1, {{"T", 1}, {"F", 2}}));
        CdxTagSpec unique = Spec("Shortname", 11);
        unique.unique = true;
        unique.descending = true;
        file->AddTag(unique, Keys(11, {{"B", 3}, {"A", 2}, {"B", 1}, {"A", 4}}));
        file->AddTag(Spec("Bytes", 8, CdxKeyType::Numeric), CdxKeySet(8, '\0'));
        CdxTag& u = *file->FindTag("shortname");
        EXPECT_EQ(Forward(u), (std::vector<Entry>{{Pad("A", 11), 2}, {Pad("B", 11), 1}}));
        EXPECT_FALSE(u.Insert("A", 1));  // unique: the key is there already
        EXPECT_TRUE(u.Insert("C", 9));
        // Replacing a tag keeps its place in the order.
        file->AddTag(zugriff, Keys(1, {{"T", 7}}));
    }
    auto file = CdxFile::Open(path, true);
    ASSERT_EQ(file->TagCount(), 3u);
    CdxTag& z = file->Tag(0);
    EXPECT_EQ(z.Name(), "ZUGRIFF");
    EXPECT_EQ(z.KeyExpression(), "Zugriff");
    EXPECT_EQ(z.ForExpression(), ".not. deleted()");
    EXPECT_TRUE(z.HasFor());
    EXPECT_FALSE(z.Unique());
    EXPECT_EQ(Forward(z), (std::vector<Entry>{{"T", 7}}));
    CdxTag& s = file->Tag(1);
    EXPECT_EQ(s.Name(), "SHORTNAME");
    EXPECT_TRUE(s.Unique());
    EXPECT_TRUE(s.Descending());
    EXPECT_FALSE(s.HasFor());
    EXPECT_EQ(s.Count(), 3u);
    EXPECT_EQ(file->Tag(2).KeyType(), CdxKeyType::Numeric);
    EXPECT_EQ(file->Tag(2).Count(), 0u);
}

TEST(CdxFile, DeletedTagsFreeTheirPagesForLaterUse)
{
    lxtest::TempDir dir;
    const std::string path = (dir / "D.CDX").string();
    auto file = CdxFile::Create(path);
    auto entries = MakeEntries(4000, 20, 3);
    file->AddTag(Spec("A", 20), Keys(20, entries));
    file->AddTag(Spec("B", 20), Keys(20, entries));
    file->Flush();
    const auto size = std::filesystem::file_size(path);
    file->DeleteTag("a");
    EXPECT_EQ(file->FindTag("A"), nullptr);
    CdxTag& b = *file->FindTag("B");
    for (std::uint32_t i = 0; i < 800; ++i)
        ASSERT_TRUE(b.Insert("NEU" + std::to_string(i), 10000 + i));
    file->Flush();
    file->Verify();
    EXPECT_EQ(std::filesystem::file_size(path), size);  // splits took freed pages
    file->Close();
    auto again = CdxFile::Open(path, false);
    ASSERT_EQ(again->TagCount(), 1u);
    EXPECT_EQ(again->Tag(0).Count(), 4800u);
    again->Verify();
}

TEST(CdxFile, ThinnedLeavesMergeSoTheirPagesAreUsedAgain)
{
    lxtest::TempDir dir;
    const std::string path = (dir / "M.CDX").string();
    auto file = CdxFile::Create(path);
    std::vector<Entry> entries;
    for (std::uint32_t i = 1; i <= 6000; ++i)
        entries.emplace_back(Pad("KEY" + std::to_string(100000 + i * 7), 16), i);
    CdxTag& tag = file->AddTag(Spec("M", 16), Keys(16, entries));
    file->Flush();
    const auto size = std::filesystem::file_size(path);
    // Thin out every leaf: nine keys in ten go.
    for (const auto& [key, recno] : entries)
        if (recno % 10 != 0) {
            ASSERT_TRUE(tag.Delete(key, recno));
        }
    file->Verify();
    // New keys after all others (each split leaves a half-full page) go to
    // the pages the merges gave back: the file does not grow.
    for (std::uint32_t i = 1; i <= 2000; ++i)
        ASSERT_TRUE(tag.Insert("NEW" + std::to_string(100000 + i), 10000 + i));
    file->Flush();
    file->Verify();
    EXPECT_EQ(tag.Count(), 2600u);
    EXPECT_EQ(std::filesystem::file_size(path), size);
}

// Inserts in ascending runs (as the engine puts in the keys of appended
// records) take the path of the insert before while the key belongs in its
// leaf. Runs of inserts and deletes, with splits, merges and emptied leaves
// between them, must leave the tree the model holds, and byte for byte the
// file that inserts found by a descent from the root make.
TEST(CdxFile, AscendingRunsOfChangesMatchAModelAndTheDescent)
{
    lxtest::TempDir dir;
    auto readFile = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    for (int keyLength : {4, 24, 120}) {
        SCOPED_TRACE(keyLength);
        const std::string fingerPath = (dir / ("F" + std::to_string(keyLength) + ".CDX")).string();
        const std::string descentPath = (dir / ("D" + std::to_string(keyLength) + ".CDX")).string();
        auto initial = MakeEntries(400, keyLength, 17);
        std::set<Entry> model(initial.begin(), initial.end());
        std::set<Entry> uniqueModel;  // one entry per key: the lowest record
        std::set<std::string> uniqueKeys;
        for (const Entry& e : Sorted(initial))
            if (uniqueKeys.insert(e.first).second)
                uniqueModel.insert(e);
        auto fingerFile = CdxFile::Create(fingerPath);
        auto descentFile = CdxFile::Create(descentPath);
        CdxTagSpec uniqueSpec = Spec("U", keyLength);
        uniqueSpec.unique = true;
        CdxTag& finger = fingerFile->AddTag(Spec("R", keyLength), Keys(keyLength, initial));
        CdxTag& unique = fingerFile->AddTag(uniqueSpec, Keys(keyLength, initial));
        CdxTag& descent = descentFile->AddTag(Spec("R", keyLength), Keys(keyLength, initial));
        CdxTag& descentUnique = descentFile->AddTag(uniqueSpec, Keys(keyLength, initial));
        // A delete that finds nothing at the far left: the descent tag's next
        // change cannot use the path of the one before.
        const std::string lowest(static_cast<std::size_t>(keyLength), '\0');
        auto insert = [&](const Entry& e) {
            const bool fresh = model.insert(e).second;
            ASSERT_FALSE(descent.Delete(lowest, 1));
            ASSERT_EQ(descent.Insert(e.first, e.second), fresh);
            ASSERT_EQ(finger.Insert(e.first, e.second), fresh);
            const bool first = !uniqueKeys.count(e.first);
            ASSERT_FALSE(descentUnique.Delete(lowest, 1));
            ASSERT_EQ(descentUnique.Insert(e.first, e.second), first);
            ASSERT_EQ(unique.Insert(e.first, e.second), first);
            if (first) {
                uniqueKeys.insert(e.first);
                uniqueModel.insert(e);
            }
        };
        auto remove = [&](const Entry& e) {
            ASSERT_FALSE(descent.Delete(lowest, 1));
            ASSERT_TRUE(descent.Delete(e.first, e.second));
            ASSERT_TRUE(finger.Delete(e.first, e.second));
            model.erase(e);
            if (uniqueModel.erase(e)) {
                ASSERT_FALSE(descentUnique.Delete(lowest, 1));
                ASSERT_TRUE(descentUnique.Delete(e.first, e.second));
                ASSERT_TRUE(unique.Delete(e.first, e.second));
                uniqueKeys.erase(e.first);
            }
        };
        std::mt19937 rng(static_cast<std::uint32_t>(keyLength) * 31u);
        std::vector<Entry> pool = MakeEntries(2000, keyLength, 23);
        std::uint32_t nextRecno = 1000;
        for (int round = 0; round < 60; ++round) {
            const unsigned pick = rng() % 10;
            if (pick < 6 || model.size() < 50) {
                // A run of new records, in (key, record) order.
                std::vector<Entry> run;
                for (std::size_t n = 1 + rng() % 300; n > 0; --n)
                    run.emplace_back(pool[rng() % pool.size()].first, nextRecno++);
                for (const Entry& e : Sorted(run))
                    ASSERT_NO_FATAL_FAILURE(insert(e));
            } else if (pick < 8) {
                // A range of neighbours goes: leaves empty and merge.
                auto from = model.begin();
                std::advance(from, rng() % model.size());
                std::vector<Entry> range;
                for (auto it = from; it != model.end() && range.size() < 1 + rng() % 250; ++it)
                    range.push_back(*it);
                for (const Entry& e : range)
                    ASSERT_NO_FATAL_FAILURE(remove(e));
            } else {
                // Single changes anywhere.
                for (int n = 0; n < 40; ++n) {
                    if (rng() % 2 == 0) {
                        ASSERT_NO_FATAL_FAILURE(insert({pool[rng() % pool.size()].first, nextRecno++}));
                    } else if (!model.empty()) {
                        auto it = model.begin();
                        std::advance(it, rng() % model.size());
                        ASSERT_NO_FATAL_FAILURE(remove(Entry(*it)));
                    }
                }
            }
            if (round % 10 == 9) {
                fingerFile->Verify();
                ASSERT_EQ(Forward(finger), std::vector<Entry>(model.begin(), model.end()));
                ASSERT_EQ(Forward(unique), std::vector<Entry>(uniqueModel.begin(), uniqueModel.end()));
            }
        }
        // Everything goes, in order, then a run comes in again.
        for (const Entry& e : std::vector<Entry>(model.begin(), model.end()))
            ASSERT_NO_FATAL_FAILURE(remove(e));
        for (std::uint32_t i = 0; i < 500; ++i)
            ASSERT_NO_FATAL_FAILURE(insert({Pad("K" + std::to_string(10000 + i), keyLength), i + 1}));
        fingerFile->Verify();
        EXPECT_EQ(Forward(finger), std::vector<Entry>(model.begin(), model.end()));
        EXPECT_EQ(Backward(unique), std::vector<Entry>(uniqueModel.begin(), uniqueModel.end()));
        fingerFile->Close();
        descentFile->Close();
        const std::string a = readFile(fingerPath), b = readFile(descentPath);
        ASSERT_EQ(a.size(), b.size());
        for (std::size_t page = 0; page < a.size(); page += 512)
            ASSERT_EQ(a.compare(page, 512, b, page, 512), 0) << "page at " << page;
    }
}

// The record numbers of every entry, read from the leaves (ahead, from the
// file, where not cached) agree with the cursor's walk: in a freshly opened
// file, with changed pages not yet written, and after they are.
TEST(CdxFile, ForEachRecordFollowsTheEntriesInOrder)
{
    lxtest::TempDir dir;
    const std::string path = (dir / "E.CDX").string();
    auto recordsOf = [](CdxTag& tag) {
        std::vector<std::uint32_t> out;
        tag.ForEachRecord([&](std::uint32_t r) { out.push_back(r); });
        return out;
    };
    auto walked = [](CdxTag& tag) {
        std::vector<std::uint32_t> out;
        for (const Entry& e : Forward(tag)) out.push_back(e.second);
        return out;
    };
    for (const int keyLength : {4, 40}) {
        SCOPED_TRACE(keyLength);
        {
            auto file = CdxFile::Create(path);
            auto entries = MakeEntries(20000, keyLength, 7);
            std::shuffle(entries.begin(), entries.end(), std::mt19937(3));
            file->AddTag(Spec("E", keyLength), Keys(keyLength, entries));
            file->Close();
        }
        auto file = CdxFile::Open(path, false);
        CdxTag& tag = file->Tag(0);
        const std::vector<std::uint32_t> fresh = recordsOf(tag);
        EXPECT_EQ(fresh.size(), 20000u);
        EXPECT_EQ(fresh, walked(tag));
        // Changes kept in memory: some leaves are cached and changed.
        std::mt19937 rng(11);
        for (int i = 0; i < 300; ++i) {
            const std::uint32_t recno = 30000 + std::uint32_t(i);
            ASSERT_TRUE(tag.Insert(Pad(std::to_string(rng() % 100000), keyLength), recno));
        }
        const std::vector<std::uint32_t> changed = recordsOf(tag);
        EXPECT_EQ(changed.size(), 20300u);
        EXPECT_EQ(changed, walked(tag));
        file->Flush();
        file->Close();
        auto again = CdxFile::Open(path, true);
        EXPECT_EQ(recordsOf(again->Tag(0)), changed);
    }
}
