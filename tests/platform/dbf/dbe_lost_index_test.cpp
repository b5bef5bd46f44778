// An index file that a failed write left broken in shared use, and that can
// neither be made anew nor opened again while the disk keeps failing: its
// orders fail with the reason (never "not found", never a walk in record
// order under the tag's name), the table takes no record the index would
// miss, and once the disk works again the next use opens and rebuilds it.
#include <gtest/gtest.h>

#include <fcntl.h>

#include <memory>
#include <string>
#include <vector>

#include "dbe_test_util.h"
#include "platform/dbf/file_io.h"

namespace {

using dbetest::EngineTest;

class LostIndexTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        file_ = Path("ALBUM.DBF");
        Create(file_, {{"Name", 'C', 20, 0}});
        ASSERT_NE(dbe_Use(file_.c_str(), "", DBE_SHARED, DBE_TYPE_FOX), 0) << dbe_LastError();
        for (const char* n : {"Delta", "Alpha", "Charlie", "Bravo"}) {
            ASSERT_EQ(dbe_AppendBlank(), 1);
            ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, n), 1);
        }
        ASSERT_NE(dbe_IndexTag("", "NAME", "NAME", 0, 0, ""), 0) << dbe_LastError();
        ASSERT_EQ(dbe_Commit(), 1) << dbe_LastError();
        dbe_SetOrder(1);
    }
    void TearDown() override
    {
        dbf::SetIoFaultHook(nullptr);
        EngineTest::TearDown();
    }

    // From now on every write and sync of an index file (ALBUM.CDX and what
    // is built beside it) fails but the first two (the dirty mark and its
    // sync): a flaky share, a full disk.
    static void IndexWritesFailAfterTheMark()
    {
        auto count = std::make_shared<int>(0);
        dbf::SetIoFaultHook([count](dbf::IoOp, const std::string& path) {
            return dbetest::FileOfIoPath(path).find(".CDX") != std::string::npos && ++*count > 2;
        });
    }

    static std::vector<std::string> Walk()
    {
        std::vector<std::string> names;
        for (dbe_GoTop(); !dbe_Eof() && names.size() < 10; dbe_Skip(1)) names.push_back(Name());
        return names;
    }

    std::string file_;
};

TEST_F(LostIndexTest, AnOrderWhoseIndexIsLostFailsUntilTheIndexIsBack)
{
    IndexWritesFailAfterTheMark();
    dbe_Go(1);
    ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "Echo"), 1) << dbe_LastError();
    EXPECT_EQ(dbe_Commit(), 0);  // the index pages could not be written
    EXPECT_EQ(dbe_IndexOrd(), 1);

    // A seek for a record that is there fails with the reason.
    EXPECT_EQ(dbe_Seek("Bravo"), 0);
    EXPECT_NE(dbe_LastErrorCode(), DBE_ERR_NONE);
    EXPECT_NE(std::string(dbe_LastError()), "");
    // So does a walk: never the records in their natural order.
    EXPECT_EQ(dbe_GoTop(), 0);
    EXPECT_NE(dbe_LastErrorCode(), DBE_ERR_NONE);
    // A record the index would miss is not taken.
    const uint32_t count = dbe_RecCount();
    EXPECT_EQ(dbe_AppendBlank(), 0);
    EXPECT_EQ(dbe_RecCount(), count);

    // The disk works again: the next use opens the index and rebuilds it.
    dbf::SetIoFaultHook(nullptr);
    EXPECT_NE(dbe_Seek("Bravo"), 0) << dbe_LastError();
    EXPECT_EQ(Walk(), (std::vector<std::string>{"Alpha", "Bravo", "Charlie", "Echo"}));
    ASSERT_EQ(dbe_AppendBlank(), 1) << dbe_LastError();
    ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "Foxtrot"), 1) << dbe_LastError();
    EXPECT_NE(dbe_Seek("Foxtrot"), 0) << dbe_LastError();
    ASSERT_EQ(dbe_Commit(), 1) << dbe_LastError();
    dbe_CloseAll();
    dbetest::ExpectSoundIndex(Path("ALBUM.CDX"));
}

// The same while another program has the table open, so the index cannot
// be made anew as a whole: the loss is an I/O error, never reported as the
// album being busy (the rebuild that waits for the others is no failure of
// its own), and the index comes back once the disk works.
TEST_F(LostIndexTest, ALostIndexIsAnIoErrorWhileOthersUseTheTable)
{
    // Another program's open: a read lock on the table's "in use" byte.
    dbf::FileHandle other(::open(file_.c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_TRUE(dbf::LockByte(other.get(), F_RDLCK, std::uint64_t(1) << 40));
    IndexWritesFailAfterTheMark();
    dbe_Go(1);
    ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "Echo"), 1) << dbe_LastError();
    EXPECT_EQ(dbe_Commit(), 0);
    EXPECT_EQ(dbe_LastErrorCode(), DBE_ERR_FAILED) << dbe_LastError();

    struct Call {
        const char* name;
        int (*run)();
    };
    const Call calls[] = {
        {"seek", [] { return dbe_Seek("Bravo"); }},
        {"top", [] { return dbe_GoTop(); }},
        {"append", [] { return dbe_AppendBlank(); }},
    };
    for (const Call& call : calls) {
        SCOPED_TRACE(call.name);
        EXPECT_EQ(call.run(), 0);
        EXPECT_EQ(dbe_LastErrorCode(), DBE_ERR_FAILED) << dbe_LastError();
        EXPECT_EQ(std::string(dbe_LastError()).find("anderen Programm"), std::string::npos) << dbe_LastError();
    }

    dbf::SetIoFaultHook(nullptr);
    EXPECT_NE(dbe_Seek("Bravo"), 0) << dbe_LastError();
    EXPECT_EQ(Walk(), (std::vector<std::string>{"Alpha", "Bravo", "Charlie", "Echo"}));
}

}  // namespace
