// CDX files under collation changes, interrupted changes and damage.

#include "platform/dbf/cdx_file.h"
#include "test_environment.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <random>

using namespace dbfcdx;

namespace {

CdxTagSpec Spec(const std::string& name, int keyLength)
{
    CdxTagSpec spec;
    spec.name = name;
    spec.keyExpression = "Lower(" + name + ")";
    spec.forExpression = ".not. deleted()";
    spec.keyLength = keyLength;
    return spec;
}

// The album's weights: seven letters of the OEM code page sort right after
// their base letters (Ä after A, and so on).
CdxCollation AlbumCollation()
{
    std::vector<int> sequence;
    const std::vector<std::pair<int, int>> moved = {{0x8E, 'A'}, {0x99, 'O'}, {0x9A, 'U'}, {0x84, 'a'},
                                                    {0x94, 'o'}, {0xE1, 's'}, {0x81, 'u'}};
    for (int code = 0; code < 256; ++code) {
        bool isMoved = false;
        for (auto [m, after] : moved)
            isMoved |= m == code;
        if (isMoved)
            continue;
        sequence.push_back(code);
        for (auto [m, after] : moved)
            if (after == code)
                sequence.push_back(m);
    }
    std::array<std::uint8_t, 256> weights{};
    for (int position = 0; position < 256; ++position)
        weights[sequence[position]] = static_cast<std::uint8_t>(position);
    return CdxCollation(weights);
}

std::vector<std::uint32_t> RecnosInOrder(CdxTag& tag)
{
    std::vector<std::uint32_t> out;
    CdxCursor cursor;
    for (bool ok = tag.First(cursor); ok; ok = tag.Next(cursor))
        out.push_back(cursor.RecNo());
    return out;
}

}  // namespace

TEST(CdxIntegrity, CharacterKeysSortByTheWeightTableTheTagRecords)
{
    const CdxCollation album = AlbumCollation();
    EXPECT_EQ(album.Weight(0x8E), 0x42);
    EXPECT_EQ(album.Weight('B'), 0x43);
    EXPECT_EQ(album.Weight(0xE1), 0x79);
    EXPECT_EQ(album.Weight(' '), ' ');
    EXPECT_NE(album.Checksum(), 0u);
    EXPECT_EQ(CdxCollation().Checksum(), 0u);

    lxtest::TempDir dir;
    const std::string path = (dir / "W.CDX").string();
    {
        auto file = CdxFile::Create(path, album);
        CdxKeySet keys(5);
        keys.Add("B", 1);
        keys.Add("\x8E", 2);  // Ä
        keys.Add("A", 3);
        keys.Add("AZ", 4);
        keys.Add("\x8E" "A", 5);
        CdxTag& tag = file->AddTag(Spec("LABEL", 5), std::move(keys));
        EXPECT_EQ(RecnosInOrder(tag), (std::vector<std::uint32_t>{3, 4, 2, 5, 1}));
        CdxCursor cursor;
        EXPECT_TRUE(tag.SeekExact("\x8E", cursor));
        EXPECT_EQ(cursor.RecNo(), 2u);
        EXPECT_EQ(cursor.Key(), tag.FormKey("\x8E"));
        EXPECT_TRUE(tag.Insert("\x8E" "B", 6));
        EXPECT_EQ(RecnosInOrder(tag), (std::vector<std::uint32_t>{3, 4, 2, 5, 6, 1}));
    }
    {
        auto same = CdxFile::Open(path, true, album);
        EXPECT_FALSE(same->Tag(0).NeedsRebuild());
        EXPECT_EQ(RecnosInOrder(same->Tag(0)), (std::vector<std::uint32_t>{3, 4, 2, 5, 6, 1}));
    }
    // Opened with another table the tag must be rebuilt, and says so.
    auto other = CdxFile::Open(path, false);
    CdxTag& tag = other->Tag(0);
    ASSERT_TRUE(tag.NeedsRebuild());
    EXPECT_NE(tag.RebuildReason().find("Sortiertabelle"), std::string::npos);
    CdxCursor cursor;
    EXPECT_THROW(tag.First(cursor), CdxError);
    // Handing the engine the tag's table again makes it usable; back to
    // machine order, it needs the rebuild again.
    other->SetCollation(album);
    EXPECT_FALSE(tag.NeedsRebuild());
    EXPECT_EQ(RecnosInOrder(tag), (std::vector<std::uint32_t>{3, 4, 2, 5, 6, 1}));
    other->SetCollation(CdxCollation());
    EXPECT_TRUE(tag.NeedsRebuild());
    CdxKeySet keys(5);
    keys.Add("B", 1);
    keys.Add("\x8E", 2);
    keys.Add("A", 3);
    other->RebuildTag("label", std::move(keys));
    EXPECT_FALSE(tag.NeedsRebuild());
    EXPECT_EQ(tag.ForExpression(), ".not. deleted()");
    EXPECT_EQ(RecnosInOrder(tag), (std::vector<std::uint32_t>{3, 1, 2}));  // machine order: 0x8E after B
}

TEST(CdxIntegrity, ATagLeftHalfChangedIsReportedForRebuild)
{
    lxtest::TempDir dir;
    const std::string path = (dir / "X.CDX").string();
    const std::string copy = (dir / "COPY.CDX").string();
    auto file = CdxFile::Create(path);
    CdxKeySet keys(10);
    for (std::uint32_t i = 1; i <= 100; ++i)
        keys.Add(std::to_string(i * 7), i);
    file->AddTag(Spec("A", 10), keys);
    file->AddTag(Spec("B", 10), keys);
    file->Flush();

    // A key change without a flush: the file on disk carries the dirty mark
    // of tag B only (no page was split, so the directory is clean).
    ASSERT_TRUE(file->FindTag("B")->Insert("5", 500));
    std::filesystem::copy_file(path, copy);
    {
        auto crashed = CdxFile::Open(copy, true);
        EXPECT_FALSE(crashed->Tag(0).NeedsRebuild());
        ASSERT_TRUE(crashed->Tag(1).NeedsRebuild());
        EXPECT_NE(crashed->Tag(1).RebuildReason().find("nicht sauber geschlossen"), std::string::npos);
    }
    // Enough inserts to split pages touch the directory (free list, new
    // pages): then every tag of the file needs a rebuild, their definitions
    // stay readable.
    for (std::uint32_t i = 0; i < 400; ++i)
        ASSERT_TRUE(file->FindTag("A")->Insert("N" + std::to_string(i), 1000 + i));
    std::filesystem::remove(copy);
    std::filesystem::copy_file(path, copy);
    {
        auto crashed = CdxFile::Open(copy, true);
        ASSERT_EQ(crashed->TagCount(), 2u);
        for (std::size_t i = 0; i < 2; ++i) {
            EXPECT_TRUE(crashed->Tag(i).NeedsRebuild());
            EXPECT_NE(crashed->Tag(i).RebuildReason().find("nicht sauber geschlossen"), std::string::npos);
        }
    }
    // A writer that opens it moves the file's mark onto its tags.
    {
        auto crashed = CdxFile::Open(copy, false);
        EXPECT_TRUE(crashed->Tag(0).NeedsRebuild());
    }
    EXPECT_TRUE(CdxFile::Open(copy, true)->Tag(0).NeedsRebuild());

    // A clean close clears every mark.
    file->Close();
    auto clean = CdxFile::Open(path, true);
    EXPECT_FALSE(clean->Tag(0).NeedsRebuild());
    EXPECT_FALSE(clean->Tag(1).NeedsRebuild());
    EXPECT_EQ(clean->Tag(0).Count(), 500u);
    EXPECT_EQ(clean->Tag(1).Count(), 101u);
    clean->Verify();
}

TEST(CdxIntegrity, ForeignAndShortFilesAreRefusedWithAReason)
{
    lxtest::TempDir dir;
    struct Case {
        std::string name;
        std::string bytes;
    };
    std::string dbf(2048, '\0');
    dbf[0] = 0x30;
    const std::vector<Case> cases = {
        {"empty", ""}, {"short", std::string(700, '\0')}, {"dbf", dbf}, {"text", std::string(1536, 'x')}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        lxtest::WriteFile(dir / (c.name + ".CDX"), c.bytes);
        try {
            CdxFile::Open((dir / (c.name + ".CDX")).string(), true);
            ADD_FAILURE() << "opened";
        } catch (const CdxError& error) {
            EXPECT_GT(std::string(error.what()).size(), 10u);
        }
    }
    EXPECT_THROW(CdxFile::Open((dir / "missing.CDX").string(), true), CdxError);
}

// Damaged copies of a small index: every read must end in a clean answer or
// a CdxError, never a crash, a hang or a read outside a buffer (the ASan
// build runs this too).
TEST(CdxIntegrity, DamagedFilesNeverCrash)
{
    lxtest::TempDir dir;
    const std::string path = (dir / "G.CDX").string();
    {
        auto file = CdxFile::Create(path);
        CdxKeySet small(12), large(40);
        for (std::uint32_t i = 1; i <= 300; ++i) {
            small.Add(lxtest::Numbered("K", i % 37), i);
            large.Add("C:\\BILDER\\" + std::to_string(i * 13), i);
        }
        file->AddTag(Spec("SMALL", 12), small);
        file->AddTag(Spec("LARGE", 40), large);
        file->AddTag(Spec("EMPTY", 5), CdxKeySet(5));
    }
    const std::string original = lxtest::ReadFile(path);
    ASSERT_GT(original.size(), 4096u);
    const std::string damaged = (dir / "BAD.CDX").string();

    std::size_t refused = 0, survived = 0;
    auto exercise = [&](const std::string& bytes) {
        lxtest::WriteFile(damaged, bytes);
        try {
            auto file = CdxFile::Open(damaged, false);
            for (std::size_t t = 0; t < file->TagCount(); ++t) {
                CdxTag& tag = file->Tag(t);
                if (tag.NeedsRebuild())
                    continue;
                try {
                    CdxCursor cursor;
                    std::size_t steps = 0;
                    for (bool ok = tag.First(cursor); ok && steps < 5000; ok = tag.Next(cursor))
                        ++steps;
                    for (bool ok = tag.Last(cursor); ok && steps < 10000; ok = tag.Prev(cursor))
                        ++steps;
                    tag.SeekSoft("K1", cursor);
                    tag.Count();
                    tag.Insert("ZZ", 999);
                    tag.Delete("K1", 1);
                } catch (const CdxError&) {
                }
            }
            file->Verify();
            file->Close();
            ++survived;
        } catch (const CdxError&) {
            ++refused;
        }
    };
    std::mt19937 rng(42);
    for (std::size_t pos = 0; pos < original.size(); pos += 1 + rng() % 3) {
        std::string bytes = original;
        // A flipped bit or a random byte, in turn.
        bytes[pos] = static_cast<char>(rng() % 2 ? bytes[pos] ^ (1 << (rng() % 8)) : rng());
        exercise(bytes);
    }
    for (std::size_t size = 0; size < original.size(); size += 97)
        exercise(original.substr(0, size));
    EXPECT_GT(refused, 0u);
    EXPECT_GT(survived, 0u);
}

// A change that meets a damaged page half-way must not be flushed as if it
// were whole: the file refuses further work and the next open sees the marks.
TEST(CdxIntegrity, AChangeThatFailsHalfWayLeavesTheFileMarked)
{
    lxtest::TempDir dir;
    const std::string path = (dir / "H.CDX").string();
    {
        auto file = CdxFile::Create(path);
        CdxKeySet keys(20);
        for (std::uint32_t i = 1; i <= 400; ++i)
            keys.Add("KEY" + std::to_string(100000 + i), i);
        file->AddTag(Spec("A", 20), keys);
    }
    // The tag's pages follow the directory (header and root) and its own
    // header: its first leaf is at 2560, the second at 3072.
    std::string bytes = lxtest::ReadFile(path);
    bytes[3072] = 0x77;
    lxtest::WriteFile(path, bytes);
    {
        auto file = CdxFile::Open(path, false);
        CdxTag& tag = file->Tag(0);
        bool failed = false;
        for (std::uint32_t i = 0; i < 100 && !failed; ++i) {
            try {
                tag.Insert("AAA" + std::to_string(i), 1000 + i);  // all into the first leaf
            } catch (const CdxError&) {
                failed = true;
            }
        }
        ASSERT_TRUE(failed);
        EXPECT_TRUE(file->Broken());
        CdxCursor cursor;
        EXPECT_THROW(tag.First(cursor), CdxError);
        EXPECT_THROW(tag.Insert("B", 1), CdxError);
        file->Close();
    }
    bool refused = false;
    try {
        auto file = CdxFile::Open(path, true);
        refused = file->Tag(0).NeedsRebuild();
    } catch (const CdxError&) {
        refused = true;
    }
    EXPECT_TRUE(refused);
}

// A file as another program may write it: no engine mark in the headers and
// tag names padded with zero bytes in the directory. It reads, and its tags
// can be deleted and added.
TEST(CdxIntegrity, AForeignFileReadsAndTakesChanges)
{
    lxtest::TempDir dir;
    const std::string path = (dir / "FOREIGN.CDX").string();
    {
        auto file = CdxFile::Create(path);
        for (const std::string name : {"A", "BB", "CCC"}) {
            CdxKeySet keys(6);
            for (std::uint32_t i = 1; i <= 50; ++i)
                keys.Add(name + std::to_string(i), i);
            file->AddTag(Spec(name, 6), keys);
        }
    }
    std::string bytes = lxtest::ReadFile(path);
    for (std::size_t at = 0; at + 1024 <= bytes.size(); at += 512)
        if (bytes.compare(at + 472, 4, "LXCD") == 0)
            bytes.replace(at + 472, 10, 10, '\0');
    // The directory's root leaf (at 1024) again, names padded with zeros.
    const CdxPageFormat blanks{10, ' '}, zeros{10, 0};
    CdxNode root = CdxDecodePage(reinterpret_cast<const std::uint8_t*>(bytes.data()) + 1024, blanks, 1024);
    ASSERT_EQ(root.Count(), 3u);
    for (char& c : root.keys)
        if (c == ' ')
            c = '\0';
    ASSERT_TRUE(CdxEncodePage(root, zeros, reinterpret_cast<std::uint8_t*>(bytes.data()) + 1024));
    lxtest::WriteFile(path, bytes);
    {
        auto file = CdxFile::Open(path, false);
        ASSERT_EQ(file->TagCount(), 3u);
        EXPECT_EQ(file->Tag(1).Name(), "BB");
        EXPECT_FALSE(file->Tag(1).NeedsRebuild());
        EXPECT_EQ(RecnosInOrder(file->Tag(1)).size(), 50u);
        file->DeleteTag("bb");
        CdxKeySet keys(6);
        keys.Add("X", 1);
        file->AddTag(Spec("DD", 6), keys);
        file->Verify();
    }
    auto file = CdxFile::Open(path, true);
    ASSERT_EQ(file->TagCount(), 3u);
    EXPECT_EQ(file->Tag(0).Name(), "A");
    EXPECT_EQ(file->Tag(1).Name(), "CCC");
    EXPECT_EQ(file->Tag(2).Name(), "DD");
    EXPECT_EQ(file->Tag(1).Count(), 50u);
    file->Verify();
}

// A leaf of one-byte keys with record numbers near the 32-bit limit: the
// entry grows to five bytes, but its record number field stays at 32 bits,
// so the page decodes as it was written.
TEST(CdxIntegrity, LargeRecordNumbersOnShortKeysRoundTrip)
{
    const CdxPageFormat format{1, ' '};
    for (std::uint32_t recno : {0x3FFFFFFFu, 0x40000000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(recno);
        EXPECT_LE(CdxLeafLayoutFor(1, recno).recnoBits, 32);
        CdxNode leaf;
        leaf.root = true;
        leaf.keys = "AB";
        leaf.recnos = {1, recno};
        std::array<std::uint8_t, kPageSize> page{};
        ASSERT_TRUE(CdxEncodePage(leaf, format, page.data()));
        const CdxNode back = CdxDecodePage(page.data(), format, 1024);
        EXPECT_EQ(back.keys, leaf.keys);
        EXPECT_EQ(back.recnos, leaf.recnos);
    }
}
