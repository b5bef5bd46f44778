// Guards shared use by several processes: two and four processes append,
// replace and delete in one indexed album at once; afterwards dbfread reads
// every record, XBase::Index finds one key per record (per live record in
// the FOR tag) in key order, and the engine's tree check passes. Also that
// an index lock held across calls is given back to a waiting process.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>

#include "dbe_test_util.h"
#include "outside_readers.h"
#include "platform/dbf/cdx_file.h"
#include "platform/dbf/file_io.h"

namespace {

namespace fs = std::filesystem;
using dbetest::EngineTest;

// The NAME field (the first) of a record the outside reader gave, as hex.
std::string NameOf(const outside::Record& r)
{
    std::string name;
    for (std::size_t i = 0; i + 1 < r.fields[0].size(); i += 2)
        name += char(std::stoi(r.fields[0].substr(i, 2), nullptr, 16));
    return name;
}

class SharedTest : public EngineTest {
protected:
    std::string MakeAlbum()
    {
        const std::string file = Path("ALBUM.DBF");
        Create(file, {{"Name", 'C', 20, 0}, {"Nr", 'N', 8, 0}, {"Notiz", 'M', 10, 0}});
        EXPECT_NE(dbe_Use(file.c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0) << dbe_LastError();
        EXPECT_NE(dbe_IndexTag("", "NAME", "NAME", 0, 0, ""), 0) << dbe_LastError();
        EXPECT_NE(dbe_IndexTag("", "NR", "NR", 0, 0, ""), 0) << dbe_LastError();
        EXPECT_NE(dbe_IndexTag("", "LIVE", "UPPER(NAME)", 0, 0, ".NOT. DELETED()"), 0) << dbe_LastError();
        EXPECT_EQ(dbe_Close(), 1) << dbe_LastError();
        return file;
    }

    // One writer: `ops` random appends (60 %), replaces of the number (25 %)
    // and deletions (15 %), then a commit. Its appended names go to `log`,
    // one a line. Exits 0 when every call succeeded and every own append was
    // found by a seek right after it.
    [[noreturn]] static void Writer(const std::string& file, int process, int ops, const std::string& log)
    {
        std::ofstream names(log);
        auto fail = [&](const std::string& what) {
            std::fprintf(stderr, "process %d: %s: %s\n", process, what.c_str(), dbe_LastError());
            std::_Exit(1);
        };
        // (The reader's area came along with the fork: another alias.)
        if (dbe_Use(file.c_str(), "WRITER", DBE_SHARED, DBE_TYPE_FOX) == 0) fail("open");
        dbe_SetOrder(1);
        std::mt19937 rng(unsigned(process) * 7919u);
        for (int i = 0; i < ops; ++i) {
            const unsigned pick = rng() % 100;
            const uint32_t count = dbe_RecCount();
            if (pick < 60 || count == 0) {
                const std::string name = "P" + std::to_string(process) + "-" + std::to_string(i);
                const int32_t nr = process * 100000 + i;
                if (!dbe_AppendBlank()) fail("append");
                if (!dbe_Replace("NAME", DBE_REPL_TEXT, name.c_str())) fail("name");
                if (!dbe_Replace("NR", DBE_REPL_LONG, &nr)) fail("number");
                if (i % 5 == 0 && !dbe_Replace("NOTIZ", DBE_REPL_MEMO, ("Notiz " + name).c_str())) fail("memo");
                names << name << "\n";
                const uint32_t recno = dbe_RecNo();
                if (!dbe_Seek(name.c_str()) || dbe_RecNo() != recno) fail("seek own append " + name);
            } else {
                if (!dbe_Go(1 + rng() % count)) fail("go");
                if (pick < 85) {
                    const int32_t nr = int32_t(rng() % 1000000);
                    if (!dbe_Replace("NR", DBE_REPL_LONG, &nr)) fail("replace");
                } else if (!dbe_Delete()) {
                    fail("delete");
                }
            }
        }
        if (!dbe_Commit()) fail("commit");
        names.close();
        dbe_CloseAll();
        std::_Exit(0);
    }

    void RunWriters(int processes, int ops)
    {
        const std::string file = MakeAlbum();
        dbe_CloseAll();
        // A reader that keeps the album open all along, its tag read before
        // the writers start.
        const uint16_t reader = dbe_Use(file.c_str(), "READER", DBE_SHARED, DBE_TYPE_FOX);
        ASSERT_NE(reader, 0) << dbe_LastError();
        dbe_SetOrder(1);
        dbe_GoTop();
        ASSERT_NE(dbe_Eof(), 0);
        std::vector<pid_t> children;
        for (int p = 1; p <= processes; ++p) {
            const pid_t pid = ::fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) Writer(file, p, ops, Path("names" + std::to_string(p) + ".txt"));
            children.push_back(pid);
        }
        for (pid_t pid : children) {
            int status = 0;
            ::waitpid(pid, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "writer " << pid << " status " << status;
        }
        std::set<std::string> appended;
        for (int p = 1; p <= processes; ++p) {
            std::ifstream in(Path("names" + std::to_string(p) + ".txt"));
            for (std::string line; std::getline(in, line);) appended.insert(line);
        }

        ASSERT_GT(appended.size(), std::size_t(processes * ops / 2));
        // The reader learns of every append at its next look.
        dbe_Select(reader);
        EXPECT_EQ(dbe_RecCount(), appended.size());
        // Every fifth append of a writer ("P<process>-<i>") has a memo.
        auto hasMemo = [](const std::string& name) { return std::stoi(name.substr(name.find('-') + 1)) % 5 == 0; };
        std::size_t found = 0, memos = 0, expectedMemos = 0;
        for (const std::string& name : appended) {
            expectedMemos += hasMemo(name);
            if (!dbe_Seek(name.c_str())) continue;
            ++found;
            // No memo was written over by another process's (each takes the
            // memo file's end).
            if (!hasMemo(name)) continue;
            char* memo = dbe_GetMemo("NOTIZ", 0);
            memos += memo && std::string(memo) == "Notiz " + name;
            dbe_MemDealloc(memo);
        }
        EXPECT_EQ(found, appended.size());
        EXPECT_EQ(memos, expectedMemos);
        dbe_CloseAll();
        dbetest::ExpectSoundIndex(Path("ALBUM.CDX"));

        // From outside.
        std::string failures;
        const auto tables = outside::ReadTables({file}, failures);
        ASSERT_EQ(failures, "");
        const outside::Table& table = tables.at(file);
        std::set<std::string> names;
        outside::Table live;
        for (const outside::Record& r : table) names.insert(NameOf(r));
        EXPECT_EQ(names, appended) << "records lost or made up";
        const auto tags = outside::ReadTags({Path("ALBUM.CDX")}, {"NAME:C", "NR:N", "LIVE:C"}, failures);
        ASSERT_EQ(failures, "");
        const outside::Tags& index = tags.at(Path("ALBUM.CDX"));
        EXPECT_EQ(index.at("NAME"), outside::ExpectedTextTag(table, 0, 20));
        EXPECT_EQ(index.at("NR"), outside::ExpectedNumberTag(table, 1));
        // The FOR tag: live records only (names are upper case already).
        EXPECT_EQ(index.at("LIVE"), outside::ExpectedLiveTextTag(table, 0, 20));
    }
};

// A writer keeps the index lock (and its appends' keys in memory) across
// calls; here it then only waits for a child, never calling the engine
// again. The child still gets the lock, sees the parent's uncommitted append
// in the tags, and the pages the parent kept are neither lost nor written
// twice: the child, forked while the parent held the lock, writes nothing
// of it.
TEST_F(SharedTest, AnIdleWriterGivesItsIndexLockToAWaitingProcess)
{
    const std::string file = MakeAlbum();
    ASSERT_NE(dbe_Use(file.c_str(), "HOLDER", DBE_SHARED, DBE_TYPE_FOX), 0) << dbe_LastError();
    dbe_SetOrder(1);
    for (const char* name : {"ERSTER", "ZWEITER"}) {
        ASSERT_EQ(dbe_AppendBlank(), 1) << dbe_LastError();
        ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, name), 1) << dbe_LastError();
    }
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        dbe_CloseAll();  // the parent's area, as the fork left it
        if (!dbe_Use(file.c_str(), "CHILD", DBE_SHARED, DBE_TYPE_FOX)) std::_Exit(2);
        dbe_SetOrder(1);
        if (!dbe_Seek("ZWEITER") || dbe_RecNo() != 2) std::_Exit(3);
        if (!dbe_AppendBlank() || !dbe_Replace("NAME", DBE_REPL_TEXT, "DRITTER") || !dbe_Commit()) std::_Exit(4);
        dbe_CloseAll();
        std::_Exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "2: open, 3: the parent's append not found, 4: append";
    ASSERT_NE(dbe_Seek("DRITTER"), 0);
    EXPECT_EQ(dbe_RecNo(), 3u);
    ASSERT_EQ(dbe_Commit(), 1) << dbe_LastError();
    dbe_CloseAll();

    std::string failures;
    const auto tables = outside::ReadTables({file}, failures);
    const auto tags = outside::ReadTags({Path("ALBUM.CDX")}, {"NAME:C"}, failures);
    ASSERT_EQ(failures, "");
    EXPECT_EQ(tags.at(Path("ALBUM.CDX")).at("NAME"), outside::ExpectedTextTag(tables.at(file), 0, 20));
    EXPECT_EQ(tags.at(Path("ALBUM.CDX")).at("NAME").size(), 3u);
}

// A commit gives back the index lock that the appends before it kept
// across calls, their pages written first: the commit's syncs (and whatever
// the program does after it) keep no other process waiting to write.
TEST_F(SharedTest, ACommitGivesTheIndexLockBack)
{
    const std::string file = MakeAlbum();
    ASSERT_NE(dbe_Use(file.c_str(), "HOLDER", DBE_SHARED, DBE_TYPE_FOX), 0) << dbe_LastError();
    ASSERT_EQ(dbe_AppendBlank(), 1) << dbe_LastError();
    ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "ERSTER"), 1) << dbe_LastError();
    ASSERT_EQ(dbe_Commit(), 1) << dbe_LastError();
    // (Another open file description, as another process has.)
    const int other = ::open(Path("ALBUM.CDX").c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(other, 0);
    const bool locked = dbf::LockedByOther(other, F_WRLCK, std::uint64_t(1) << 40);
    // Taken at once; the key of the append is in the file.
    EXPECT_FALSE(locked);
    std::string failures;
    const auto tags = outside::ReadTags({Path("ALBUM.CDX")}, {"NAME:C"}, failures);
    ASSERT_EQ(failures, "");
    EXPECT_EQ(tags.at(Path("ALBUM.CDX")).at("NAME").size(), 1u);
    ::close(other);
    dbe_CloseAll();
}

// A shared append keeps its record in memory while the index lock stays
// held. A process that opens the table without its index (so it takes no
// index lock) and appends waits for the record to be written instead of
// taking its place: both records are there, each once.
TEST_F(SharedTest, AnAppendKeptInMemoryIsNotOverwrittenByAnOpenerWithoutTheIndex)
{
    const std::string file = MakeAlbum();
    ASSERT_NE(dbe_Use(file.c_str(), "HOLDER", DBE_SHARED, DBE_TYPE_FOX), 0) << dbe_LastError();
    ASSERT_EQ(dbe_AppendBlank(), 1) << dbe_LastError();
    ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "GEHALTEN"), 1) << dbe_LastError();
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        dbe_CloseAll();
        if (!dbe_Use(file.c_str(), "PLAIN", DBE_SHARED, DBE_TYPE_NTX)) std::_Exit(2);
        if (!dbe_AppendBlank() || !dbe_Replace("NAME", DBE_REPL_TEXT, "OHNEINDEX") || !dbe_Commit()) std::_Exit(3);
        if (dbe_RecNo() != 2) std::_Exit(4);
        dbe_CloseAll();
        std::_Exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "2: open, 3: append, 4: took the held record's place";
    ASSERT_EQ(dbe_Commit(), 1) << dbe_LastError();
    EXPECT_EQ(dbe_RecCount(), 2u);
    dbe_CloseAll();

    std::string failures;
    const auto tables = outside::ReadTables({file}, failures);
    ASSERT_EQ(failures, "");
    std::multiset<std::string> names;
    for (const outside::Record& r : tables.at(file)) {
        const std::string name = NameOf(r);
        names.insert(name.substr(0, name.find_last_not_of(' ') + 1));
    }
    EXPECT_EQ(names, (std::multiset<std::string>{"GEHALTEN", "OHNEINDEX"}));
}

// A process that holds the index lock and waits for a record lock gives the
// index lock back first: the holder of the record lock may be waiting for it
// (here: to write that very record), and neither would get on otherwise.
TEST_F(SharedTest, WaitingForARecordLockGivesTheIndexLockBack)
{
    const std::string file = MakeAlbum();
    ASSERT_NE(dbe_Use(file.c_str(), "HOLDER", DBE_SHARED, DBE_TYPE_FOX), 0) << dbe_LastError();
    ASSERT_EQ(dbe_AppendBlank(), 1) << dbe_LastError();
    ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "ALT"), 1) << dbe_LastError();
    ASSERT_EQ(dbe_Commit(), 1) << dbe_LastError();
    int toParent[2], toChild[2];
    ASSERT_EQ(::pipe(toParent), 0);
    ASSERT_EQ(::pipe(toChild), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        dbe_CloseAll();
        if (!dbe_Use(file.c_str(), "CHILD", DBE_SHARED, DBE_TYPE_FOX) || !dbe_Go(1) || !dbe_Rlock(1))
            std::_Exit(2);
        char go = 0;
        if (::write(toParent[1], "L", 1) != 1 || ::read(toChild[0], &go, 1) != 1) std::_Exit(2);
        // Needs the index lock the parent holds now.
        if (!dbe_Replace("NAME", DBE_REPL_TEXT, "NEU") || !dbe_Unlock(0) || !dbe_Commit()) std::_Exit(3);
        dbe_CloseAll();
        std::_Exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(toParent[0], &c, 1), 1);
    // An append: this process holds the index lock (and the new keys) again.
    ASSERT_EQ(dbe_AppendBlank(), 1) << dbe_LastError();
    ASSERT_EQ(::write(toChild[1], "A", 1), 1);
    dbe_SetLockTimeout(60);
    EXPECT_EQ(dbe_Rlock(1), 1) << dbe_LastError();
    dbe_SetLockTimeout(1);
    int status = 0;
    ::waitpid(pid, &status, 0);
    for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]}) ::close(fd);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "2: open or lock, 3: the write waiting for the index lock";
    dbe_SetOrder(1);
    EXPECT_EQ(dbe_Seek("ALT"), 0);
    ASSERT_NE(dbe_Seek("NEU"), 0);
    EXPECT_EQ(dbe_RecNo(), 1u);
}

TEST_F(SharedTest, TwoProcessesKeepEveryRecordAndKey) { RunWriters(2, 1500); }

TEST_F(SharedTest, FourProcessesKeepEveryRecordAndKey) { RunWriters(4, 800); }

}  // namespace
