// Index files left behind half-written (dirty marks) through the engine: a
// dirty tag is rebuilt from the table where the table may be written, and
// reported where it may not; a dirty directory sets the file aside with a
// reason. Never a crash, never a stale order.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "dbe_test_util.h"
#include "platform/dbf/cdx_file.h"

namespace dbetest {
namespace {

class DirtyIndexTest : public EngineTest {
protected:
    std::string file_, cdx_;
    void SetUp() override
    {
        EngineTest::SetUp();
        file_ = MakeSample("DIRTY.DBF");
        cdx_ = Path("DIRTY.CDX");
        ASSERT_NE(dbe_Use(file_.c_str(), nullptr, DBE_SHARED, 2), 0);
        for (const char* n : {"Delta", "alpha", "Charlie", "bravo"}) {
            ASSERT_EQ(dbe_AppendBlank(), 1);
            ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, n), 1);
        }
        ASSERT_EQ(dbe_IndexTag(nullptr, "NAME", "UPPER(NAME)", 0, 0, nullptr), 1) << dbe_LastError();
        dbe_CloseAll();
        // The table changes while the index is away: its tree is stale now.
        std::filesystem::rename(cdx_, cdx_ + ".away");
        ASSERT_NE(dbe_Use(file_.c_str(), nullptr, DBE_SHARED, 2), 0);
        dbe_Go(1);
        ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "Echo"), 1);
        dbe_CloseAll();
        std::filesystem::rename(cdx_ + ".away", cdx_);
    }

    // Sets the dirty mark of the directory header (which 0) or of the
    // first tag header (which 1): byte 8 after the engine's "LXCD" mark.
    void MarkDirty(int which)
    {
        std::string bytes = lxtest::ReadFile(cdx_);
        size_t at = bytes.find("LXCD");
        if (which == 1) at = bytes.find("LXCD", at + 1);
        ASSERT_NE(at, std::string::npos);
        bytes[at + 8] = 1;
        lxtest::WriteFile(cdx_, bytes);
    }

    static std::vector<std::string> Walk()
    {
        std::vector<std::string> names;
        for (dbe_GoTop(); !dbe_Eof() && names.size() < 10; dbe_Skip(1)) names.push_back(Name());
        return names;
    }
};

TEST_F(DirtyIndexTest, DirtyTagIsRebuiltFromTheTable)
{
    MarkDirty(1);
    ASSERT_NE(dbe_Use(file_.c_str(), nullptr, DBE_SHARED, 2), 0) << dbe_LastError();
    ASSERT_EQ(dbe_SysProp(DBE_PROP_ORDER_COUNT, 0), 1);
    dbe_SetOrder(1);
    EXPECT_EQ(Walk(), (std::vector<std::string>{"alpha", "bravo", "Charlie", "Echo"}));
    EXPECT_NE(dbe_Seek("ECHO"), 0);
    dbe_CloseAll();
    // Closed cleanly: the mark is gone from the file.
    std::string bytes = lxtest::ReadFile(cdx_);
    size_t at = bytes.find("LXCD", bytes.find("LXCD") + 1);
    EXPECT_EQ(bytes[at + 8], 0);
}

// A tag left half-changed that a read-only opener cannot rebuild: the order
// reports it unusable when it is chosen, and every seek, move and count in
// it then fails with that reason: never "not found" for a key that is
// there, never a walk in record order under the tag's name. Record order
// stays available as order 0.
TEST_F(DirtyIndexTest, AnOrderAReadOnlyOpenerCannotRebuildFailsWithItsReason)
{
    MarkDirty(1);
    const std::string left = lxtest::ReadFile(cdx_);
    ASSERT_NE(dbe_Use(file_.c_str(), nullptr, DBE_READONLY, 2), 0) << dbe_LastError();
    EXPECT_EQ(dbe_SysProp(DBE_PROP_ORDER_COUNT, 0), 1);
    dbe_SetOrder(1);
    EXPECT_NE(std::string(dbe_LastError()).find("neu aufgebaut"), std::string::npos) << dbe_LastError();
    ASSERT_EQ(dbe_IndexOrd(), 1);
    // "alpha" is there.
    ExpectOrderFails("ALPHA", "Index NAME wurde bei einer Änderung nicht sauber geschlossen");
    // Record order, asked for, walks every record.
    dbe_SetOrder(0);
    EXPECT_EQ(Walk().size(), 4u) << dbe_LastError();
    dbe_CloseAll();
    // The read-only opener left the file as it was.
    EXPECT_EQ(lxtest::ReadFile(cdx_), left);
    EXPECT_FALSE(std::filesystem::exists(cdx_ + ".bad"));
    // A writer rebuilds it.
    ASSERT_NE(dbe_Use(file_.c_str(), nullptr, DBE_SHARED, 2), 0);
    dbe_SetOrder(1);
    EXPECT_EQ(Walk(), (std::vector<std::string>{"alpha", "bravo", "Charlie", "Echo"})) << dbe_LastError();
    EXPECT_EQ(dbe_SysProp(DBE_PROP_ORDER_USABLE, 0), 1) << dbe_LastError();
    EXPECT_STREQ(dbe_LastError(), "");
}

// An index whose every tag must be made anew (a change cut short, an index
// from before an append, what a writer killed right after an append
// leaves): a read-only opener cannot rebuild it, so the table opens without
// it and says why, as with an index it cannot read. A seek then fails (no
// order), never "not found"; the records are walked in record order. A
// writer that opens the table later in the same process opens and rebuilds
// the index.
TEST_F(DirtyIndexTest, AReadOnlyOpenLeavesOutAnIndexToBeRebuiltAsAWhole)
{
    struct Case {
        const char* name;
        std::function<void()> leave;
        const char* reason;  // part of the note
    };
    const Case cases[] = {
        {"dirty directory", [this] { MarkDirty(0); }, "nicht sauber geschlossen"},
        {"index from before an append",
         [this] {
             std::filesystem::rename(cdx_, cdx_ + ".away");
             ASSERT_NE(dbe_Use(file_.c_str(), nullptr, DBE_SHARED, 2), 0);
             ASSERT_EQ(dbe_AppendBlank(), 1);
             ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "Foxtrot"), 1);
             dbe_CloseAll();
             std::filesystem::rename(cdx_ + ".away", cdx_);
         },
         "deckt 4 Sätze ab"},
        {"writer killed after an append",
         [this] {
             // The files as they are on disk while the writer still runs.
             ASSERT_NE(dbe_Use(file_.c_str(), nullptr, DBE_EXCLUSIVE, 2), 0);
             ASSERT_EQ(dbe_AppendBlank(), 1);
             ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "Foxtrot"), 1);
             ASSERT_EQ(dbe_WriteAppended(), 1) << dbe_LastError();
             const std::string table = lxtest::ReadFile(file_), memo = lxtest::ReadFile(Path("DIRTY.FPT")),
                               index = lxtest::ReadFile(cdx_);
             dbe_CloseAll();
             lxtest::WriteFile(file_, table);
             lxtest::WriteFile(Path("DIRTY.FPT"), memo);
             lxtest::WriteFile(cdx_, index);
         },
         "nicht sauber geschlossen"},
    };
    const std::string table = lxtest::ReadFile(file_), memo = lxtest::ReadFile(Path("DIRTY.FPT")),
                      index = lxtest::ReadFile(cdx_);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        lxtest::WriteFile(file_, table);
        lxtest::WriteFile(Path("DIRTY.FPT"), memo);
        lxtest::WriteFile(cdx_, index);
        c.leave();
        const std::string left = lxtest::ReadFile(cdx_);
        const uint16_t reader = dbe_Use(file_.c_str(), nullptr, DBE_READONLY, 2);
        ASSERT_NE(reader, 0) << dbe_LastError();
        const std::string note = dbe_LastError();
        EXPECT_EQ(dbe_LastErrorCode(), DBE_ERR_NONE);
        EXPECT_NE(note.find("DIRTY.CDX"), std::string::npos) << note;
        EXPECT_NE(note.find(c.reason), std::string::npos) << note;
        EXPECT_NE(note.find("ohne Index"), std::string::npos) << note;
        EXPECT_EQ(dbe_SysProp(DBE_PROP_ORDER_COUNT, 0), 0);
        // "alpha" is there: the seek must not answer "not found".
        EXPECT_EQ(dbe_Seek("ALPHA"), 0);
        EXPECT_EQ(dbe_LastErrorCode(), DBE_ERR_FAILED);
        EXPECT_EQ(Walk().size(), dbe_RecCount()) << dbe_LastError();
        EXPECT_EQ(lxtest::ReadFile(cdx_), left) << "the read-only opener changed the index";
        // A writer beside it takes the index and rebuilds it.
        ASSERT_NE(dbe_Use(file_.c_str(), "WRITER", DBE_SHARED, 2), 0) << dbe_LastError();
        ASSERT_EQ(dbe_SysProp(DBE_PROP_ORDER_COUNT, 0), 1);
        dbe_SetOrder(1);
        std::vector<std::string> sorted{"alpha", "bravo", "Charlie", "Echo", "Foxtrot"};
        sorted.resize(dbe_RecCount());
        EXPECT_EQ(Walk(), sorted) << dbe_LastError();
        EXPECT_NE(dbe_Seek("ALPHA"), 0) << dbe_LastError();
        dbe_CloseAll();
        EXPECT_FALSE(std::filesystem::exists(cdx_ + ".bad"));
    }
}

// A change of the file cut short (its dirty mark set): the tag list is
// still read, and every tag is rebuilt from the table.
TEST_F(DirtyIndexTest, DirtyDirectoryRebuildsEveryTag)
{
    MarkDirty(0);
    ASSERT_NE(dbe_Use(file_.c_str(), nullptr, DBE_SHARED, 2), 0);
    EXPECT_EQ(dbe_SysProp(DBE_PROP_ORDER_COUNT, 0), 1);
    EXPECT_FALSE(std::filesystem::exists(cdx_ + ".bad"));
    dbe_SetOrder(1);
    EXPECT_EQ(Walk(), (std::vector<std::string>{"alpha", "bravo", "Charlie", "Echo"})) << dbe_LastError();
    dbe_CloseAll();
    auto cdx = dbfcdx::CdxFile::Open(cdx_, true);
    EXPECT_FALSE(cdx->Tag(0).NeedsRebuild());
}

}  // namespace
}  // namespace dbetest
