// Index orders over CDX tags and expression queries through the engine:
// tags built and kept in step with every write, seeks, scopes, the
// production index opened with the table, pack and reindex, and queries.
#include <algorithm>
#include <cctype>
#include <filesystem>

#include "dbe_test_util.h"

namespace dbetest {
namespace {

class IndexTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        file_ = Path("PICS.DBF");
        Create(file_, {{"Name", 'C', 12, 0},
                       {"Bytes", 'N', 10, 0},
                       {"Taken", 'D', 8, 0},
                       {"Marked", 'L', 1, 0},
                       {"Notiz", 'M', 10, 0}});
        ASSERT_NE(dbe_Use(file_.c_str(), nullptr, DBE_SHARED, 2), 0) << dbe_LastError();
        const struct {
            const char* name;
            int32_t bytes;
            const char* taken;
            unsigned char marked;
        } rows[] = {{"delta", 400, "20240301", 1},
                    {"Alpha", 1200, "20231224", 0},
                    {"charlie", 12, "20240101", 1},
                    {"bravo", 90000, "        ", 0},
                    {"alpha", 5, "20200505", 1}};
        for (const auto& r : rows) {
            ASSERT_EQ(dbe_AppendBlank(), 1);
            ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, r.name), 1);
            ASSERT_EQ(dbe_Replace("BYTES", DBE_REPL_LONG, &r.bytes), 1);
            ASSERT_EQ(dbe_Replace("TAKEN", DBE_REPL_DTOS, r.taken), 1);
            ASSERT_EQ(dbe_Replace("MARKED", DBE_REPL_LOGICAL, &r.marked), 1);
        }
    }

    static std::vector<std::string> Walk()
    {
        std::vector<std::string> names;
        for (dbe_GoTop(); !dbe_Eof(); dbe_Skip(1)) names.push_back(Name());
        return names;
    }
    static std::vector<std::string> WalkBack()
    {
        std::vector<std::string> names;
        for (dbe_GoBottom(); !dbe_Bof(); dbe_Skip(-1)) {
            names.push_back(Name());
            if (names.size() > 20) break;
        }
        return names;
    }
    void BuildTags()
    {
        ASSERT_EQ(dbe_IndexTag("", "Name", "Lower(Name)", 0, 0, ".not. deleted()"), 1) << dbe_LastError();
        ASSERT_EQ(dbe_IndexTag(nullptr, "Bytes", "Bytes", 0, 0, ".not. deleted()"), 2) << dbe_LastError();
        ASSERT_EQ(dbe_IndexTag("", "Taken", "DTOS(Taken)", 0, 0, ".not. deleted()"), 3) << dbe_LastError();
        ASSERT_EQ(dbe_IndexTag("", "Marked", "Marked", 0, 0, ""), 4) << dbe_LastError();
    }
    std::string file_;
};

TEST_F(IndexTest, TagsOrderTheRecordsAndDescribeThemselves)
{
    BuildTags();
    EXPECT_EQ(dbe_SysProp(DBE_PROP_ORDER_COUNT, 0), 4);
    EXPECT_EQ(dbe_SysProp(DBE_PROP_MULTI_TAG, 0), 1);
    EXPECT_EQ(dbe_IndexOrd(), 4);
    EXPECT_EQ(dbe_SetOrder(1), 4) << "gives the previous order";
    EXPECT_EQ(Walk(), (std::vector<std::string>{"Alpha", "alpha", "bravo", "charlie", "delta"}));
    EXPECT_EQ(WalkBack(), (std::vector<std::string>{"delta", "charlie", "bravo", "alpha", "Alpha"}));
    dbe_SetOrder(2);
    EXPECT_EQ(Walk(), (std::vector<std::string>{"alpha", "charlie", "delta", "Alpha", "bravo"}));
    dbe_SetOrder(3);
    EXPECT_EQ(Walk(), (std::vector<std::string>{"bravo", "alpha", "Alpha", "charlie", "delta"}));
    EXPECT_EQ(dbe_TagArea("taken"), 3);
    EXPECT_EQ(dbe_IndexOrd(), 3) << "TagArea only looks the tag up";
    EXPECT_EQ(dbe_TagArea("nope"), 0);
    EXPECT_STREQ(dbe_TagName(1), "NAME");
    EXPECT_STREQ(dbe_TagName(0), "TAKEN");
    EXPECT_STREQ(dbe_TagName(5), "");
    EXPECT_STREQ(dbe_IndexKey(1), "Lower(Name)");
    EXPECT_STREQ(dbe_IndexKeyField(1), "NAME");
    EXPECT_STREQ(dbe_IndexKey(3), "DTOS(Taken)");
    EXPECT_STREQ(dbe_IndexKeyField(3), "TAKEN");
    EXPECT_STREQ(dbe_IndexKey(2), "BYTES") << "a one-field key";
    EXPECT_STREQ(dbe_IndexKeyField(2), "BYTES");
    EXPECT_EQ(std::filesystem::path(dbe_IndexName(1)).filename(), "PICS.CDX");
    dbe_SetOrder(2);
    dbe_GoTop();
    EXPECT_STREQ(dbe_KeyData(), "5");
    dbe_Skip(1);
    EXPECT_EQ(dbe_OrderRecNo(), 2u);
    EXPECT_EQ(dbe_RecNo(), 3u);
    EXPECT_EQ(dbe_SetOrder(0), 2);
    EXPECT_EQ(dbe_RecNo(), 3u) << "changing the order keeps the record";
    EXPECT_EQ(Walk(), (std::vector<std::string>{"delta", "Alpha", "charlie", "bravo", "alpha"}));
    EXPECT_EQ(dbe_SetOrder(9), 0);
    EXPECT_EQ(dbe_IndexOrd(), 0);
}

TEST_F(IndexTest, EveryWriteKeepsTheTagsInStep)
{
    BuildTags();
    dbe_SetOrder(1);
    // A changed key moves the record; a deleted one leaves the tag with the
    // ".not. deleted()" condition; an appended one joins.
    dbe_Go(4);  // bravo
    ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "zulu"), 1);
    dbe_Go(1);  // delta
    ASSERT_EQ(dbe_Delete(), 1);
    ASSERT_EQ(dbe_AppendBlank(), 1);
    ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "echo"), 1);
    EXPECT_EQ(Walk(), (std::vector<std::string>{"Alpha", "alpha", "charlie", "echo", "zulu"}));
    // A write through another area on the same table counts too.
    uint16_t mine = dbe_WorkArea("");
    uint16_t other = dbe_Use(file_.c_str(), "OTHER", DBE_SHARED, 2);
    ASSERT_NE(other, 0);
    dbe_Go(3);
    ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "aaa"), 1);
    std::vector<char> buf(static_cast<size_t>(dbe_RecSize()));
    dbe_Go(1);
    dbe_GetRecord(buf.data());
    buf[0] = ' ';  // recalled through the raw record
    ASSERT_EQ(dbe_PutRecord(buf.data()), 1);
    dbe_Select(mine);
    EXPECT_EQ(Walk(), (std::vector<std::string>{"aaa", "Alpha", "alpha", "delta", "echo", "zulu"}));
    dbe_SetOrder(4);
    dbe_Go(2);
    unsigned char yes = 1;
    ASSERT_EQ(dbe_Replace("MARKED", DBE_REPL_LOGICAL, &yes), 1);
    ASSERT_EQ(dbe_SetScope("T", "T"), 1);
    EXPECT_EQ(dbe_QueryRecCount(), 4u);
}

TEST_F(IndexTest, SeekFollowsExactAndSoftSeek)
{
    BuildTags();
    dbe_SetOrder(1);
    EXPECT_NE(dbe_Seek("char"), 0) << "a prefix finds with exact off";
    EXPECT_EQ(Name(), "charlie");
    EXPECT_EQ(dbe_Found(), 1);
    EXPECT_NE(dbe_Seek("alpha"), 0);
    EXPECT_EQ(dbe_RecNo(), 2u) << "the first record of equal keys";
    dbe_SetExact(1);
    EXPECT_EQ(dbe_Seek("char"), 0);
    EXPECT_TRUE(dbe_Eof());
    EXPECT_EQ(dbe_Found(), 0);
    EXPECT_NE(dbe_Seek("charlie"), 0);
    dbe_SetExact(0);
    EXPECT_EQ(dbe_Seek("cz"), 0);
    EXPECT_TRUE(dbe_Eof()) << "a miss without soft seek stands past the end";
    dbe_SetSoftSeek(1);
    EXPECT_EQ(dbe_Seek("cz"), 0);
    EXPECT_FALSE(dbe_Eof());
    EXPECT_EQ(Name(), "delta") << "soft seek stands on the next key";
    dbe_SetSoftSeek(0);
    // Numeric and date tags take the key as text.
    dbe_SetOrder(2);
    EXPECT_NE(dbe_Seek("1200"), 0);
    EXPECT_EQ(Name(), "Alpha");
    EXPECT_EQ(dbe_Seek("13"), 0);
    dbe_SetOrder(3);
    EXPECT_NE(dbe_Seek("20240101"), 0);
    EXPECT_EQ(Name(), "charlie");
    // Deleted records are passed over when hidden.
    dbe_SetOrder(4);
    dbe_Go(1);
    dbe_Delete();
    dbe_SetDeleted(1);
    EXPECT_NE(dbe_Seek("T"), 0);
    EXPECT_EQ(dbe_RecNo(), 3u);
    dbe_SetOrder(0);
    EXPECT_EQ(dbe_Seek("x"), 0) << "no seek in natural order";
}

TEST_F(IndexTest, OrderRecNoCountsThePositionInTheOrder)
{
    BuildTags();
    dbe_SetOrder(1);
    std::vector<uint32_t> positions;
    for (dbe_GoTop(); !dbe_Eof(); dbe_Skip(1)) positions.push_back(dbe_OrderRecNo());
    EXPECT_EQ(positions, (std::vector<uint32_t>{1, 2, 3, 4, 5}));
    dbe_GoBottom();
    EXPECT_EQ(dbe_OrderRecNo(), 5u);
    // A write moves the records: the positions follow.
    dbe_Seek("bravo");
    ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "aardvark"), 1);
    EXPECT_EQ(dbe_OrderRecNo(), 1u);
    dbe_Seek("delta");
    EXPECT_EQ(dbe_OrderRecNo(), 5u);
    ASSERT_EQ(dbe_Query("Bytes > 100"), 1);
    EXPECT_EQ(dbe_OrderRecNo(), 3u);
}

TEST_F(IndexTest, DescendingTagWalksBackwards)
{
    ASSERT_EQ(dbe_IndexTag("", "BytesDown", "Bytes", 1, 0, ""), 1) << dbe_LastError();
    EXPECT_EQ(Walk(), (std::vector<std::string>{"bravo", "Alpha", "delta", "charlie", "alpha"}));
    EXPECT_EQ(WalkBack(), (std::vector<std::string>{"alpha", "charlie", "delta", "Alpha", "bravo"}));
    dbe_GoTop();
    dbe_Skip(-1);
    EXPECT_TRUE(dbe_Bof());
    EXPECT_EQ(Name(), "bravo");
    dbe_GoBottom();
    dbe_Skip(1);
    EXPECT_TRUE(dbe_Eof());
    dbe_Skip(-1);
    EXPECT_EQ(Name(), "alpha");
    dbe_CloseAll();
    ASSERT_NE(dbe_Use(file_.c_str(), nullptr, DBE_SHARED, 2), 0);
    dbe_SetOrder(1);
    EXPECT_EQ(Walk().front(), "bravo") << "the direction is kept in the file";
}

TEST_F(IndexTest, ScopesLimitTheOrder)
{
    BuildTags();
    dbe_SetOrder(3);
    ASSERT_EQ(dbe_SetScope("20231201", "20240131"), 1);
    EXPECT_STREQ(dbe_GetScope(0), "20231201");
    EXPECT_STREQ(dbe_GetScope(1), "20240131");
    EXPECT_EQ(Walk(), (std::vector<std::string>{"Alpha", "charlie"}));
    EXPECT_EQ(WalkBack(), (std::vector<std::string>{"charlie", "Alpha"}));
    EXPECT_EQ(dbe_QueryRecCount(), 2u);
    // A prefix bound: the whole year.
    ASSERT_EQ(dbe_SetScope("2024", "2024"), 1);
    EXPECT_EQ(Walk(), (std::vector<std::string>{"charlie", "delta"}));
    ASSERT_EQ(dbe_SetScope("", ""), 1);
    EXPECT_STREQ(dbe_GetScope(0), "");
    EXPECT_EQ(Walk().size(), 5u);
    EXPECT_EQ(dbe_QueryRecCount(), 5u);
    dbe_SetOrder(0);
    EXPECT_EQ(dbe_SetScope("a", "b"), 0);
    EXPECT_EQ(dbe_SetScope("", ""), 1);
}

TEST_F(IndexTest, ProductionIndexOpensWithTheTableAndSurvivesPack)
{
    BuildTags();
    dbe_CloseAll();
    std::string dbf = lxtest::ReadFile(file_);
    EXPECT_EQ(uint8_t(dbf[28]) & 1, 1) << "table flag: production index";
    ASSERT_NE(dbe_Use(file_.c_str(), nullptr, DBE_EXCLUSIVE, 2), 0);
    EXPECT_EQ(dbe_SysProp(DBE_PROP_ORDER_COUNT, 0), 4);
    EXPECT_EQ(dbe_IndexOrd(), 0) << "the table opens in natural order";
    dbe_Go(2);
    dbe_Delete();
    dbe_Go(4);
    dbe_Delete();
    ASSERT_EQ(dbe_Pack(), 1) << dbe_LastError();
    dbe_SetOrder(1);
    EXPECT_EQ(Walk(), (std::vector<std::string>{"alpha", "charlie", "delta"}));
    dbe_SetOrder(2);
    dbe_GoTop();
    EXPECT_EQ(dbe_RecNo(), 3u) << "record numbers after the pack";
    ASSERT_EQ(dbe_Reindex(), 1);
    EXPECT_EQ(Walk(), (std::vector<std::string>{"alpha", "charlie", "delta"}));
    // Another type opens the same table without its tags.
    dbe_CloseAll();
    ASSERT_NE(dbe_Use(file_.c_str(), nullptr, DBE_SHARED, 1), 0);
    EXPECT_EQ(dbe_SysProp(DBE_PROP_ORDER_COUNT, 0), 0);
}

TEST_F(IndexTest, CharacterTagsFollowTheSortWeightTable)
{
    // Weights: 0x8E sorts right after "A" (as the album's table does).
    unsigned char weights[256];
    for (int i = 0, w = 0; i < 256; ++i) {
        if (i == 0x8E) continue;
        weights[i] = (unsigned char)(w++);
        if (i == 'A') weights[0x8E] = (unsigned char)(w++);
    }
    dbe_Go(1);
    ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "\x8E"), 1);
    dbe_Go(3);
    ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "B"), 1);
    dbe_SysProp(DBE_PROP_SORT_WEIGHTS, reinterpret_cast<intptr_t>(weights));
    ASSERT_EQ(dbe_IndexTag("", "Upper", "Upper(Name)", 0, 0, ""), 1) << dbe_LastError();
    const std::vector<std::string> weighted{"Alpha", "alpha", "\x8E", "B", "bravo"};
    EXPECT_EQ(Walk(), weighted);
    dbe_CloseAll();
    // Opened before the program hands over its table again: the tag waits
    // and is right once the table is there.
    dbe_SysProp(DBE_PROP_SORT_WEIGHTS, 0);
    ASSERT_NE(dbe_Use(file_.c_str(), nullptr, DBE_SHARED, 2), 0);
    dbe_SysProp(DBE_PROP_SORT_WEIGHTS, reinterpret_cast<intptr_t>(weights));
    dbe_SetOrder(1);
    EXPECT_EQ(Walk(), weighted);
    dbe_CloseAll();
    // Used under machine order: left as it is and reported, never rebuilt
    // for the other table.
    dbe_SysProp(DBE_PROP_SORT_WEIGHTS, 0);
    ASSERT_NE(dbe_Use(file_.c_str(), nullptr, DBE_SHARED, 2), 0);
    dbe_SetOrder(1);
    EXPECT_NE(std::string(dbe_LastError()).find("Sortiertabelle"), std::string::npos) << dbe_LastError();
    // Meanwhile every seek, move and count in its order fails with the
    // reason: no "not found", no walk in natural order under its name.
    ExpectOrderFails("BRAVO", "Sortiertabelle");
    dbe_CloseAll();
    {
        auto cdx = dbfcdx::CdxFile::Open(Path("PICS.CDX"), true);
        EXPECT_NE(cdx->Tag(0).CollationChecksum(), 0u) << "the tag keeps the weights it was built with";
    }
    // The program's table back: the tag is used as it was built.
    dbe_SysProp(DBE_PROP_SORT_WEIGHTS, reinterpret_cast<intptr_t>(weights));
    ASSERT_NE(dbe_Use(file_.c_str(), nullptr, DBE_SHARED, 2), 0);
    dbe_SetOrder(1);
    EXPECT_EQ(Walk(), weighted);
    // A reindex is asked for: it builds the tag for the table in force.
    dbe_SysProp(DBE_PROP_SORT_WEIGHTS, 0);
    ASSERT_EQ(dbe_Reindex(), 1) << dbe_LastError();
    dbe_SetOrder(1);
    EXPECT_EQ(Walk(), (std::vector<std::string>{"Alpha", "alpha", "B", "bravo", "\x8E"}));
    dbe_Go(2);
    ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "C"), 1);
    EXPECT_EQ(Walk(), (std::vector<std::string>{"alpha", "B", "bravo", "C", "\x8E"}));
}

// A tag in machine order (as other programs write them) is used as it is
// under a sort-weight table: walked, sought and kept in step in machine
// order, never rebuilt for the table.
TEST_F(IndexTest, MachineOrderTagIsUsedAsBuiltUnderAnotherTable)
{
    dbe_Go(1);
    ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "\x8E"), 1);
    ASSERT_EQ(dbe_IndexTag("", "Upper", "Upper(Name)", 0, 0, ""), 1) << dbe_LastError();
    const std::vector<std::string> machine = Walk();
    dbe_CloseAll();
    unsigned char weights[256];
    for (int i = 0, w = 0; i < 256; ++i) {
        if (i == 0x8E) continue;
        weights[i] = (unsigned char)(w++);
        if (i == 'A') weights[0x8E] = (unsigned char)(w++);
    }
    dbe_SysProp(DBE_PROP_SORT_WEIGHTS, reinterpret_cast<intptr_t>(weights));
    ASSERT_NE(dbe_Use(file_.c_str(), nullptr, DBE_SHARED, 2), 0);
    dbe_SetOrder(dbe_TagArea("Upper"));
    EXPECT_STREQ(dbe_LastError(), "");
    EXPECT_EQ(Walk(), machine);
    EXPECT_NE(dbe_Seek("\x8E"), 0);
    dbe_Go(2);
    ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "ZULU"), 1);
    const std::vector<std::string> walked = Walk();
    EXPECT_EQ(walked.back(), "\x8E") << "machine order: 0x8E after Z";
    dbe_CloseAll();
    auto cdx = dbfcdx::CdxFile::Open(Path("PICS.CDX"), true, dbfcdx::CdxCollation::FromBytes(weights));
    EXPECT_EQ(cdx->Tag(cdx->TagCount() - 1).CollationChecksum(), 0u);
    EXPECT_NO_THROW(cdx->Verify());
}

// Rounds of opening under the other table (with writes) and rebuilding under
// the own table: the index file settles at its size, since a rebuild takes
// the pages the old tree gave up.
TEST_F(IndexTest, RebuildRoundsReusePagesAndNeverSwitchTables)
{
    unsigned char weights[256];
    for (int i = 0; i < 256; ++i) weights[i] = (unsigned char)(255 - i);
    dbe_SysProp(DBE_PROP_SORT_WEIGHTS, reinterpret_cast<intptr_t>(weights));
    for (int i = 0; i < 400; ++i) {
        ASSERT_EQ(dbe_AppendBlank(), 1);
        const std::string name = lxtest::Numbered("N", i * 7919 % 1000);
        ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, name.c_str()), 1);
    }
    ASSERT_EQ(dbe_IndexTag("", "Upper", "Upper(Name)", 0, 0, ""), 1) << dbe_LastError();
    dbe_CloseAll();
    auto checksum = [&] {
        auto cdx = dbfcdx::CdxFile::Open(Path("PICS.CDX"), true);
        return cdx->Tag(cdx->TagCount() - 1).CollationChecksum();
    };
    const std::uint32_t own = checksum();
    ASSERT_NE(own, 0u);
    std::vector<std::uintmax_t> sizes;
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        // Another engine user, machine order: writes records, uses the order.
        dbe_SysProp(DBE_PROP_SORT_WEIGHTS, 0);
        ASSERT_NE(dbe_Use(file_.c_str(), nullptr, DBE_SHARED, 2), 0);
        dbe_Go(uint32_t(round + 1));
        ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, ("R" + std::to_string(round)).c_str()), 1);
        dbe_SetOrder(dbe_TagArea("Upper"));
        dbe_CloseAll();
        EXPECT_EQ(checksum(), own) << "rebuilt for another table";
        // The program: the tag missed a write and is rebuilt for its table.
        dbe_SysProp(DBE_PROP_SORT_WEIGHTS, reinterpret_cast<intptr_t>(weights));
        ASSERT_NE(dbe_Use(file_.c_str(), nullptr, DBE_SHARED, 2), 0);
        dbe_SetOrder(dbe_TagArea("Upper"));
        const std::vector<std::string> walked = Walk();
        EXPECT_EQ(walked.size(), 405u);
        EXPECT_NE(std::find(walked.begin(), walked.end(), "R" + std::to_string(round)), walked.end());
        dbe_CloseAll();
        EXPECT_EQ(checksum(), own);
        {
            auto cdx = dbfcdx::CdxFile::Open(Path("PICS.CDX"), true, dbfcdx::CdxCollation::FromBytes(weights));
            EXPECT_NO_THROW(cdx->Verify());
        }
        sizes.push_back(std::filesystem::file_size(Path("PICS.CDX")));
    }
    // After the first rebuild the free pages of each old tree take the next.
    for (std::size_t i = 2; i < sizes.size(); ++i) EXPECT_LE(sizes[i], sizes[1]) << "round " << i;
}

// A tag set aside while another sort-weight table is in force does not
// follow record writes: written to meanwhile, it is rebuilt when its own
// table comes back, in this session and after a reopen.
TEST_F(IndexTest, TagSetAsideForOtherSortWeightsIsRebuiltAfterAMissedWrite)
{
    unsigned char weights[256];
    for (int i = 0; i < 256; ++i) weights[i] = (unsigned char)(255 - i);  // reversed
    dbe_SysProp(DBE_PROP_SORT_WEIGHTS, reinterpret_cast<intptr_t>(weights));
    ASSERT_EQ(dbe_IndexTag("", "Upper", "Upper(Name)", 0, 0, ""), 1) << dbe_LastError();
    dbe_CloseAll();
    for (bool reopen : {false, true}) {
        SCOPED_TRACE(reopen ? "after a reopen" : "same session");
        dbe_SysProp(DBE_PROP_SORT_WEIGHTS, 0);
        ASSERT_NE(dbe_Use(file_.c_str(), nullptr, DBE_SHARED, 2), 0);
        dbe_Go(2);
        const std::string name = reopen ? "ZWEITER" : "ERSTER";
        ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, name.c_str()), 1);
        ASSERT_EQ(dbe_Commit(), 1);
        if (reopen) {
            dbe_CloseAll();
            dbe_SysProp(DBE_PROP_SORT_WEIGHTS, reinterpret_cast<intptr_t>(weights));
            ASSERT_NE(dbe_Use(file_.c_str(), nullptr, DBE_SHARED, 2), 0);
        } else {
            dbe_SysProp(DBE_PROP_SORT_WEIGHTS, reinterpret_cast<intptr_t>(weights));
        }
        dbe_SetOrder(1);
        const std::vector<std::string> walked = Walk();
        std::vector<std::string> expected = walked;
        auto upper = [](std::string text) {
            for (char& c : text) c = char(std::toupper((unsigned char)c));
            return text;
        };
        std::sort(expected.begin(), expected.end(),
                  [&](const std::string& a, const std::string& b) { return upper(a) > upper(b); });  // reversed weights
        EXPECT_EQ(walked.size(), 5u);
        EXPECT_EQ(walked, expected);
        EXPECT_NE(std::find(walked.begin(), walked.end(), name), walked.end()) << "the write is missing";
        dbe_CloseAll();
    }
}

TEST_F(IndexTest, DamagedIndexIsSetAsideNotFatal)
{
    BuildTags();
    dbe_CloseAll();
    std::string cdx = Path("PICS.CDX");
    lxtest::WriteFile(cdx, std::string(1024, '\x55'));
    ASSERT_NE(dbe_Use(file_.c_str(), nullptr, DBE_SHARED, 2), 0);
    EXPECT_NE(std::string(dbe_LastError()).find("PICS.CDX"), std::string::npos);
    EXPECT_EQ(dbe_SysProp(DBE_PROP_ORDER_COUNT, 0), 0);
    EXPECT_EQ(dbe_RecCount(), 5u);
    EXPECT_TRUE(std::filesystem::exists(cdx + ".bad"));
    // The tags can be built again.
    ASSERT_EQ(dbe_IndexTag("", "Name", "Lower(Name)", 0, 0, ".not. deleted()"), 1) << dbe_LastError();
    EXPECT_EQ(Walk().front(), "Alpha");
}

TEST_F(IndexTest, ExtraIndexFilesOpenAndClose)
{
    BuildTags();
    std::string extra = Path("EXTRA.CDX");
    ASSERT_EQ(dbe_IndexTag(extra.c_str(), "Desc", "Upper(Name)", 0, 0, ""), 5) << dbe_LastError();
    EXPECT_EQ(dbe_SysProp(DBE_PROP_ORDER_COUNT, 0), 5);
    ASSERT_EQ(dbe_IndexClose(), 1);
    EXPECT_EQ(dbe_SysProp(DBE_PROP_ORDER_COUNT, 0), 4);
    EXPECT_EQ(dbe_IndexOpen(extra.c_str()), 5);
    EXPECT_EQ(Walk().front(), "Alpha");
    ASSERT_EQ(dbe_CloseIndexes(), 1);
    EXPECT_EQ(dbe_IndexOrd(), 0);
    EXPECT_EQ(dbe_SysProp(DBE_PROP_ORDER_COUNT, 0), 4) << "the production index stays";
    EXPECT_EQ(dbe_IndexOpen(Path("NONE.CDX").c_str()), 0);
    EXPECT_EQ(dbe_IndexTag("", "Bad", "Name +", 0, 0, ""), 0);
    EXPECT_NE(std::string(dbe_LastError()), "");
}

TEST_F(IndexTest, QueriesAndExpressions)
{
    EXPECT_EQ(dbe_EvalTest("Name"), 1);
    EXPECT_EQ(dbe_EvalTest("Bytes * 2"), 2);
    EXPECT_EQ(dbe_EvalTest("Marked .and. .t."), 3);
    EXPECT_EQ(dbe_EvalTest("Name +"), 0);
    dbe_Go(3);
    EXPECT_STREQ(dbe_EvalString("LTRIM(STR(Bytes, 19))"), "12");
    EXPECT_STREQ(dbe_EvalString("Upper(Name)"), "CHARLIE     ");
    EXPECT_EQ(dbe_EvalLogical("Marked"), 1);
    EXPECT_EQ(dbe_EvalLogical("Bytes > 100"), 0);

    ASSERT_EQ(dbe_Query("Bytes >= 400"), 1);
    EXPECT_STREQ(dbe_DBFilter(), "Bytes >= 400");
    EXPECT_EQ(dbe_QueryRecCount(), 3u);
    std::vector<std::string> seen;
    for (dbe_GoTop(); !dbe_Eof(); dbe_Skip(1)) seen.push_back(Name());
    EXPECT_EQ(seen, (std::vector<std::string>{"delta", "Alpha", "bravo"}));
    // Writes move records into and out of the query.
    dbe_Go(5);
    int32_t big = 7000;
    ASSERT_EQ(dbe_Replace("BYTES", DBE_REPL_LONG, &big), 1);
    dbe_Go(1);
    int32_t small = 1;
    ASSERT_EQ(dbe_Replace("BYTES", DBE_REPL_LONG, &small), 1);
    EXPECT_EQ(dbe_QueryRecCount(), 3u);
    seen.clear();
    for (dbe_GoTop(); !dbe_Eof(); dbe_Skip(1)) seen.push_back(Name());
    EXPECT_EQ(seen, (std::vector<std::string>{"Alpha", "bravo", "alpha"}));
    // A refused expression keeps the query in force.
    EXPECT_EQ(dbe_Query("Bytes >"), 0);
    EXPECT_EQ(dbe_Query("Name"), 0) << "not a condition";
    EXPECT_STREQ(dbe_DBFilter(), "Bytes >= 400");
    // Query bits go into the query in force.
    ASSERT_EQ(dbe_SetQueryBit(3, 1), 1);
    EXPECT_EQ(dbe_QueryRecCount(), 4u);
    ASSERT_EQ(dbe_Query(".not. deleted()"), 1);
    dbe_Go(2);
    dbe_Delete();
    EXPECT_EQ(dbe_QueryRecCount(), 4u);
    ASSERT_EQ(dbe_Query(""), 1);
    EXPECT_EQ(dbe_QueryRecCount(), 5u);
}

}  // namespace
}  // namespace dbetest
