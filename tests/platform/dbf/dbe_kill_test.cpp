// Guards the album against a process killed at any point: a writer that
// appends with memos, deletes, packs and reindexes is killed (SIGKILL) at
// its N-th file operation, for every N; the album always opens again, no
// committed record is lost, and the index is good or rebuilt.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "dbe_test_util.h"
#include "platform/dbf/cdx_file.h"
#include "platform/dbf/file_io.h"

namespace {

namespace fs = std::filesystem;
using dbetest::EngineTest;

class KillTest : public EngineTest {
protected:
    void MakeAlbum(const fs::path& folder)
    {
        fs::create_directories(folder);
        const std::string file = (folder / "ALBUM.DBF").string();
        Create(file, {{"Name", 'C', 20, 0}, {"Notiz", 'M', 10, 0}});
        ASSERT_NE(dbe_Use(file.c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0) << dbe_LastError();
        ASSERT_NE(dbe_IndexTag("", "NAME", "NAME", 0, 0, ""), 0) << dbe_LastError();
        ASSERT_NE(dbe_IndexTag("", "LIVE", "UPPER(NAME)", 0, 0, ".NOT. DELETED()"), 0) << dbe_LastError();
        ASSERT_EQ(dbe_Close(), 1) << dbe_LastError();
    }

    // The writer: appends (records "K<n>" to keep, "D<n>" deleted later)
    // with memos, each committed and then noted in `log`; deletes the D
    // records, packs, reindexes and appends again. Killed at its file
    // operation `killAt` (0: never, then the count is noted at the end).
    [[noreturn]] static void Writer(const std::string& file, const std::string& log, int killAt)
    {
        int count = 0;
        dbf::SetIoFaultHook([&](dbf::IoOp, const std::string&) {
            if (++count == killAt) ::raise(SIGKILL);
            return false;
        });
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0644);
        auto note = [&](const std::string& line) {
            const std::string text = line + "\n";
            if (::write(out, text.data(), text.size()) != ssize_t(text.size())) std::_Exit(3);
        };
        if (dbe_Use(file.c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX) == 0) std::_Exit(2);
        auto append = [&](const std::string& name) {
            const std::string memo = "Notiz zu " + name + std::string(name.size() * 30, '#');
            if (!dbe_AppendBlank() || !dbe_Replace("NAME", DBE_REPL_TEXT, name.c_str()) ||
                !dbe_Replace("NOTIZ", DBE_REPL_MEMO, memo.c_str()) || !dbe_Commit())
                std::_Exit(2);
            note("committed " + name);
        };
        for (int i = 1; i <= 6; ++i) append(lxtest::Numbered(i % 3 == 0 ? "D" : "K", i));
        for (uint32_t r = 1; r <= dbe_RecCount(); ++r) {
            dbe_Go(r);
            if (dbe_GetTrimString("NAME")[0] == 'D' && !dbe_Delete()) std::_Exit(2);
        }
        if (!dbe_Commit()) std::_Exit(2);
        if (!dbe_Pack()) std::_Exit(2);
        note("packed");
        if (!dbe_Reindex()) std::_Exit(2);
        for (int i = 7; i <= 9; ++i) append("K" + std::to_string(i));
        dbe_CloseAll();
        note("total " + std::to_string(count));
        std::_Exit(0);
    }

    // Copies the fresh album to `folder` and runs the writer there.
    int RunWriter(const fs::path& pristine, const fs::path& folder, int killAt)
    {
        fs::remove_all(folder);
        fs::copy(pristine, folder);
        const pid_t pid = ::fork();
        if (pid == 0) Writer((folder / "ALBUM.DBF").string(), (folder / "log.txt").string(), killAt);
        int status = 0;
        ::waitpid(pid, &status, 0);
        return status;
    }
};

TEST_F(KillTest, AKilledWriterNeverLosesCommittedRecordsOrTheAlbum)
{
    const fs::path root = dir_.path();
    const fs::path pristine = root / "pristine";
    MakeAlbum(pristine);
    dbe_CloseAll();
    // A run to the end counts the file operations.
    int status = RunWriter(pristine, root / "full", 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    int total = 0;
    {
        std::ifstream log(root / "full" / "log.txt");
        for (std::string line; std::getline(log, line);)
            if (line.rfind("total ", 0) == 0) total = std::stoi(line.substr(6));
    }
    ASSERT_GT(total, 50);

    for (int n = 1; n <= total; ++n) {
        SCOPED_TRACE("killed at file operation " + std::to_string(n));
        const fs::path folder = root / ("kill_" + std::to_string(n));
        status = RunWriter(pristine, folder, n);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
        std::set<std::string> kept;
        bool packed = false;
        std::ifstream log(folder / "log.txt");
        for (std::string line; std::getline(log, line);) {
            if (line.rfind("committed K", 0) == 0) kept.insert(line.substr(10));
            if (line == "packed") packed = true;
        }
        // Reopened: interrupted changes finished or undone, tags rebuilt
        // where they were left half-changed.
        const std::string file = (folder / "ALBUM.DBF").string();
        ASSERT_NE(dbe_Use(file.c_str(), "", DBE_SHARED, DBE_TYPE_FOX), 0) << dbe_LastError();
        std::set<std::string> names;
        uint32_t live = 0;
        for (uint32_t r = 1; r <= dbe_RecCount(); ++r) {
            dbe_Go(r);
            const std::string name = dbe_GetTrimString("NAME");
            names.insert(name);
            char* memo = dbe_GetMemo("NOTIZ", 0);
            if (kept.count(name)) {
                EXPECT_EQ(std::string(memo ? memo : "").substr(0, 9 + name.size()), "Notiz zu " + name);
            }
            dbe_MemDealloc(memo);
            if (!dbe_Deleted()) {
                ++live;
            } else {
                EXPECT_FALSE(packed) << "a deleted record after the pack";
            }
        }
        for (const std::string& name : kept) EXPECT_TRUE(names.count(name)) << "lost " << name;
        for (int order = 1; order <= 2; ++order) {
            dbe_SetOrder(order);
            EXPECT_EQ(dbe_IndexOrd(), order) << dbe_LastError();
            uint32_t seen = 0;
            for (dbe_GoTop(); !dbe_Eof(); dbe_Skip(1)) ++seen;
            EXPECT_EQ(seen, order == 1 ? dbe_RecCount() : live);
        }
        dbe_CloseAll();
        auto cdx = dbfcdx::CdxFile::Open((folder / "ALBUM.CDX").string(), true);
        for (std::size_t i = 0; i < cdx->TagCount(); ++i) EXPECT_FALSE(cdx->Tag(i).NeedsRebuild());
        EXPECT_NO_THROW(cdx->Verify());
        fs::remove_all(folder);
    }
}

// A shared writer killed at any file operation while this process keeps
// the album open too: this process goes on writing, and its tags come out
// right (rebuilt where the killed change was cut short).
TEST_F(KillTest, AKilledSharedWriterLeavesTheOthersTagsRight)
{
    const fs::path root = dir_.path();
    const fs::path pristine = root / "pristine";
    MakeAlbum(pristine);
    dbe_CloseAll();
    auto writer = [](const std::string& file, int killAt) {
        int count = 0;
        dbf::SetIoFaultHook([&](dbf::IoOp, const std::string&) {
            if (++count == killAt) ::raise(SIGKILL);
            return false;
        });
        // (The parent's area came along with the fork: another alias.)
        if (dbe_Use(file.c_str(), "WRITER", DBE_SHARED, DBE_TYPE_FOX) == 0) std::_Exit(2);
        for (int i = 1; i <= 4; ++i) {
            const std::string name = "W" + std::to_string(i);
            if (!dbe_AppendBlank() || !dbe_Replace("NAME", DBE_REPL_TEXT, name.c_str())) std::_Exit(2);
        }
        dbe_Go(1);
        if (!dbe_Delete() || !dbe_Commit()) std::_Exit(2);
        dbe_CloseAll();
        std::_Exit(count >= killAt ? 0 : 4);  // 4: the run ended before the kill
    };
    for (int n = 1;; ++n) {
        SCOPED_TRACE("killed at file operation " + std::to_string(n));
        const fs::path folder = root / ("shared_" + std::to_string(n));
        fs::remove_all(folder);
        fs::copy(pristine, folder);
        const std::string file = (folder / "ALBUM.DBF").string();
        ASSERT_NE(dbe_Use(file.c_str(), "", DBE_SHARED, DBE_TYPE_FOX), 0) << dbe_LastError();
        ASSERT_EQ(dbe_AppendBlank(), 1);
        ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "EIGEN1"), 1) << dbe_LastError();
        const pid_t pid = ::fork();
        if (pid == 0) writer(file, n);
        int status = 0;
        ::waitpid(pid, &status, 0);
        const bool done = WIFEXITED(status) && WEXITSTATUS(status) == 4;
        ASSERT_TRUE(done || WIFSIGNALED(status)) << status;
        // This process goes on: a write, then its orders.
        ASSERT_EQ(dbe_AppendBlank(), 1) << dbe_LastError();
        ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "EIGEN2"), 1) << dbe_LastError();
        uint32_t live = 0;
        for (uint32_t r = 1; r <= dbe_RecCount(); ++r) {
            dbe_Go(r);
            if (!dbe_Deleted()) ++live;
        }
        for (int order = 1; order <= 2; ++order) {
            dbe_SetOrder(order);
            EXPECT_EQ(dbe_IndexOrd(), order) << dbe_LastError();
            uint32_t seen = 0;
            for (dbe_GoTop(); !dbe_Eof(); dbe_Skip(1)) ++seen;
            EXPECT_EQ(seen, order == 1 ? dbe_RecCount() : live);
        }
        ASSERT_EQ(dbe_Commit(), 1) << dbe_LastError();
        dbe_CloseAll();
        auto cdx = dbfcdx::CdxFile::Open((folder / "ALBUM.CDX").string(), true);
        for (std::size_t i = 0; i < cdx->TagCount(); ++i) EXPECT_FALSE(cdx->Tag(i).NeedsRebuild());
        EXPECT_NO_THROW(cdx->Verify());
        fs::remove_all(folder);
        if (done) break;
        ASSERT_LT(n, 2000) << "the writer never finished";
    }
}

}  // namespace
