// Index files left behind half-written (dirty marks) through the engine: a
// dirty tag is rebuilt from the table where the table may be written, and
// reported where it may not; a dirty directory sets the file aside with a
// reason. Never a crash, never a stale order.
#include <filesystem>
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

TEST_F(DirtyIndexTest, DirtyTagOfAReadOnlyTableIsReported)
{
    MarkDirty(1);
    ASSERT_NE(dbe_Use(file_.c_str(), nullptr, DBE_READONLY, 2), 0) << dbe_LastError();
    EXPECT_EQ(dbe_SysProp(DBE_PROP_ORDER_COUNT, 0), 1);
    dbe_SetOrder(1);
    // The order reports the tag unusable, and its stale tree is never walked.
    EXPECT_NE(std::string(dbe_LastError()).find("NAME"), std::string::npos) << dbe_LastError();
    EXPECT_NE(std::string(dbe_LastError()).find("neu aufgebaut"), std::string::npos) << dbe_LastError();
    EXPECT_NE(Walk(), (std::vector<std::string>{"alpha", "bravo", "Charlie", "Delta"}));
    EXPECT_EQ(dbe_Seek("DELTA"), 0);
    // The read-only opener left the file where it was.
    EXPECT_FALSE(std::filesystem::exists(cdx_ + ".bad"));
    // A writer rebuilds it.
    dbe_CloseAll();
    ASSERT_NE(dbe_Use(file_.c_str(), nullptr, DBE_SHARED, 2), 0);
    dbe_SetOrder(1);
    EXPECT_EQ(Walk(), (std::vector<std::string>{"alpha", "bravo", "Charlie", "Echo"})) << dbe_LastError();
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
