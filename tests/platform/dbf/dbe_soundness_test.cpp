// Guards the engine against lost data and crashes: exit with open areas,
// close results, failed writes and the key search edge cases.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "dbe_test_util.h"
#include "platform/dbf/file_io.h"

namespace {

using dbetest::EngineTest;
using dbf::IoOp;

// Fails every file operation of kind `op` while it lives.
class FailAll {
public:
    explicit FailAll(IoOp op)
    {
        dbf::SetIoFaultHook([op](IoOp asked, const std::string&) { return asked == op; });
    }
    ~FailAll() { dbf::SetIoFaultHook(nullptr); }
};

class SoundnessTest : public EngineTest {};

// Runs `body` in a child process that then exits normally (running the
// static destructors); the child's exit status.
template <typename Body>
int InChild(Body body)
{
    pid_t pid = ::fork();
    if (pid == 0) {
        body();
        std::exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

TEST_F(SoundnessTest, ExitWithAreasOpenIsClean)
{
    std::string file = MakeSample();
    int status = InChild([&] {
        if (dbe_Use(file.c_str(), "", 0, 2) == 0) std::exit(3);
        dbe_Select(2);
        if (dbe_Use(file.c_str(), "SECOND", 0, 2) == 0) std::exit(4);
        AppendNamed(3);
    });
    ASSERT_TRUE(WIFEXITED(status)) << "child ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    ASSERT_NE(dbe_Use(file.c_str(), "", 0, 2), 0) << dbe_LastError();
    EXPECT_EQ(dbe_RecCount(), 3u);
}

// The last appended record of an exclusive area waits in memory: when its
// write fails at the close, the close says so.
TEST_F(SoundnessTest, FailedFinalWriteAtCloseIsReported)
{
    std::string file = MakeSample();
    ASSERT_NE(dbe_Use(file.c_str(), "", 2, 2), 0) << dbe_LastError();
    AppendNamed(2);
    {
        FailAll writes(IoOp::Write);
        EXPECT_EQ(dbe_Close(), 0);
        EXPECT_NE(std::string(dbe_LastError()), "");
    }
    EXPECT_EQ(dbe_Close(), 0);  // nothing open any more
    ASSERT_NE(dbe_Use(file.c_str(), "", 0, 2), 0) << dbe_LastError();
    EXPECT_EQ(dbe_RecCount(), 1u);  // the first record was written by the second append
    EXPECT_EQ(dbe_Close(), 1);
}

// A commit promises the data is on disk: a failed sync is a failed commit.
TEST_F(SoundnessTest, CommitReportsAFailedSync)
{
    std::string file = MakeSample();
    ASSERT_NE(dbe_Use(file.c_str(), "", 0, 2), 0) << dbe_LastError();
    AppendNamed(1);
    {
        FailAll syncs(IoOp::Sync);
        EXPECT_EQ(dbe_Commit(), 0);
        EXPECT_NE(std::string(dbe_LastError()), "");
    }
    EXPECT_EQ(dbe_Commit(), 1) << dbe_LastError();
}

// Creating a table over an old one removes the old production index; when
// that fails the create fails rather than leave a mismatched index.
TEST_F(SoundnessTest, CreateReportsAStaleIndexThatCannotBeRemoved)
{
    std::string file = MakeSample();
    ASSERT_NE(dbe_Use(file.c_str(), "", 2, 2), 0) << dbe_LastError();
    ASSERT_NE(dbe_IndexTag("", "NAME", "NAME", 0, 0, ""), 0) << dbe_LastError();
    ASSERT_EQ(dbe_Close(), 1) << dbe_LastError();
    FailAll unlinks(IoOp::Unlink);
    uint16_t area = dbe_CreateNew(file.c_str(), "NEU", 2, 1);
    ASSERT_NE(area, 0) << dbe_LastError();
    ASSERT_EQ(dbe_CreateField("Name", 'C', 20, 0), 1) << dbe_LastError();
    EXPECT_EQ(dbe_CreateExec(), 0);
    EXPECT_NE(std::string(dbe_LastError()).find("Indexdatei"), std::string::npos) << dbe_LastError();
}

}  // namespace
