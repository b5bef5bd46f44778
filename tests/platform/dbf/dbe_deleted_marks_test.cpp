// With deleted records hidden, a query answered from a tag and its count
// need the deletion marks of the hits: the engine keeps the marks it saw, so
// the same query again reads no record (counted through the I/O seam),
// and a delete or recall, by this process or another one, still shows in
// the count. The album's tag on the label either holds every record or
// (FOR .NOT. DELETED()) only the live ones.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <string>

#include "dbe_test_util.h"
#include "platform/dbf/file_io.h"

namespace {

using dbetest::EngineTest;

class DeletedMarksTest : public EngineTest, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        file_ = Path("ALBUM.DBF");
        Create(file_, {{"Label", 'C', 20, 0}, {"Notiz", 'M', 10, 0}});
        ASSERT_NE(dbe_Use(file_.c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0) << dbe_LastError();
        // Records 7, 37, .. 277 are the ten hits.
        for (int r = 1; r <= 300; ++r) {
            ASSERT_EQ(dbe_AppendBlank(), 1);
            const std::string label = r % 30 == 7 ? "Selten" : "Label " + std::to_string(r % 100);
            ASSERT_EQ(dbe_Replace("LABEL", DBE_REPL_TEXT, label.c_str()), 1);
        }
        ASSERT_NE(dbe_IndexTag("", "LABEL", "LABEL", 0, 0, GetParam()), 0) << dbe_LastError();
        ASSERT_EQ(dbe_Close(), 1) << dbe_LastError();
        // Counts the reads of the table's records.
        reads_ = std::make_shared<int>(0);
        dbf::SetIoReadFaultHook([reads = reads_, file = file_](const std::string& path) {
            if (path == file) ++*reads;
            return false;
        });
    }
    void TearDown() override
    {
        dbf::SetIoReadFaultHook(nullptr);
        dbe_SetDeleted(0);
        EngineTest::TearDown();
    }

    // "Ohne Filter", then the query and its count; the records it read.
    int CountAfterReset(std::uint32_t expected)
    {
        *reads_ = 0;
        EXPECT_EQ(dbe_Query(""), 1);
        EXPECT_EQ(dbe_Query("LABEL = \"Selten\""), 1) << dbe_LastError();
        EXPECT_EQ(dbe_QueryRecCount(), expected) << dbe_LastError();
        return *reads_;
    }

    // Runs `change` in another process that opens the table shared.
    static void InAnotherProcess(const std::string& file, const std::function<bool()>& change)
    {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            dbe_CloseAll();
            if (!dbe_Use(file.c_str(), "OTHER", DBE_SHARED, DBE_TYPE_FOX)) std::_Exit(2);
            if (!change() || !dbe_Commit()) std::_Exit(3);
            dbe_CloseAll();
            std::_Exit(0);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    static bool SetDeleted(std::uint32_t recno, bool deleted)
    {
        return dbe_Go(recno) && (deleted ? dbe_Delete() : dbe_Recall());
    }

    // What a query reads of a deleted hit: the tag FOR .NOT. DELETED()
    // holds no entry for it, so the query must read it to know whether it
    // passes.
    static int ReadsOfADeletedHit() { return *GetParam() ? 1 : 0; }

    std::string file_;
    std::shared_ptr<int> reads_;
};

TEST_P(DeletedMarksTest, AQueryAgainReadsNoRecordAndFollowsDeletesOfThisProcess)
{
    for (const int mode : {DBE_EXCLUSIVE, DBE_SHARED}) {
        SCOPED_TRACE(mode == DBE_EXCLUSIVE ? "exclusive" : "shared");
        ASSERT_NE(dbe_Use(file_.c_str(), "", mode, DBE_TYPE_FOX), 0) << dbe_LastError();
        dbe_SetDeleted(1);
        CountAfterReset(10);  // (may read the hits once)
        EXPECT_EQ(CountAfterReset(10), 0);
        EXPECT_EQ(CountAfterReset(10), 0);
        ASSERT_TRUE(SetDeleted(37, true)) << dbe_LastError();
        EXPECT_EQ(CountAfterReset(9), ReadsOfADeletedHit());
        EXPECT_EQ(CountAfterReset(9), ReadsOfADeletedHit());
        ASSERT_TRUE(SetDeleted(37, false)) << dbe_LastError();
        ASSERT_TRUE(SetDeleted(277, true)) << dbe_LastError();
        EXPECT_EQ(CountAfterReset(9), ReadsOfADeletedHit());
        ASSERT_TRUE(SetDeleted(277, false)) << dbe_LastError();
        EXPECT_EQ(CountAfterReset(10), 0);
        dbe_CloseAll();
    }
}

TEST_P(DeletedMarksTest, ADeleteOrRecallOfAnotherProcessShowsInTheCount)
{
    ASSERT_NE(dbe_Use(file_.c_str(), "", DBE_SHARED, DBE_TYPE_FOX), 0) << dbe_LastError();
    dbe_SetDeleted(1);
    CountAfterReset(10);
    EXPECT_EQ(CountAfterReset(10), 0);
    InAnotherProcess(file_, [] { return SetDeleted(37, true); });
    CountAfterReset(9);
    EXPECT_EQ(CountAfterReset(9), ReadsOfADeletedHit());
    InAnotherProcess(file_, [] { return SetDeleted(37, false) && SetDeleted(67, true) && SetDeleted(97, true); });
    CountAfterReset(8);
    InAnotherProcess(file_, [] { return SetDeleted(67, false); });
    CountAfterReset(9);
    // The records themselves agree.
    EXPECT_EQ(dbe_Go(37), 1);
    EXPECT_EQ(dbe_Deleted(), 0);
    EXPECT_EQ(dbe_Go(97), 1);
    EXPECT_EQ(dbe_Deleted(), 1);
}

INSTANTIATE_TEST_SUITE_P(LabelTags, DeletedMarksTest, ::testing::Values("", ".not. deleted()"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return *info.param ? std::string("LiveRecords") : std::string("EveryRecord");
                         });

}  // namespace
