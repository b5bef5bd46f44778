// Guards what a reader sees of an album other processes use: what another
// process committed is seen without reopening (records, their fields, new
// tags); a read that cannot get the index (another process stopped while it
// held the lock) fails on that call with the busy code, never answers "end"
// or "not found"; and a read error of the index at a shared open never makes
// the engine set aside a file another process uses.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "child_process.h"
#include "dbe_test_util.h"
#include "platform/dbf/file_io.h"
#include "platform/dbf/lock_wait.h"

namespace {

namespace fs = std::filesystem;
using dbetest::EngineTest;
using dbetest::ExitCode;
using dbetest::Pipe;

ino_t InodeOf(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

class SharedReadsTest : public EngineTest {
protected:
    void TearDown() override
    {
        dbf::SetIndexLockWait(std::chrono::seconds(30));
        dbf::SetIoReadFaultHook(nullptr);
        EngineTest::TearDown();
    }

    // An album of names B02, B04 .. B40 (record n holds B<2n>, NR 2n).
    std::string MakeAlbum()
    {
        const std::string file = Path("ALBUM.DBF");
        Create(file, {{"Name", 'C', 20, 0}, {"Nr", 'N', 8, 0}});
        EXPECT_NE(dbe_Use(file.c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0) << dbe_LastError();
        EXPECT_NE(dbe_IndexTag("", "NAME", "NAME", 0, 0, ""), 0) << dbe_LastError();
        for (int i = 1; i <= 20; ++i) EXPECT_TRUE(Append(Named(2 * i), 2 * i)) << dbe_LastError();
        EXPECT_EQ(dbe_Close(), 1) << dbe_LastError();
        return file;
    }
    static std::string Named(int n) { return "B" + std::string(n < 10 ? "0" : "") + std::to_string(n); }
    static bool Append(const std::string& name, int32_t nr)
    {
        return dbe_AppendBlank() && dbe_Replace("NAME", DBE_REPL_TEXT, name.c_str()) &&
               dbe_Replace("NR", DBE_REPL_LONG, &nr);
    }
    // Another process opens the album, appends one record, commits, closes.
    static void AppendElsewhere(const std::string& file, const std::string& name, int32_t nr)
    {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (!dbe_Use(file.c_str(), "ANDERER", DBE_SHARED, DBE_TYPE_FOX)) std::_Exit(2);
            if (!Append(name, nr) || !dbe_Commit()) std::_Exit(3);
            dbe_CloseAll();
            std::_Exit(0);
        }
        ASSERT_EQ(ExitCode(child), 0) << "2 open, 3 append or commit";
    }
    // The names of a walk from the top; the walk must end without an error.
    static std::vector<std::string> Walk()
    {
        std::vector<std::string> names;
        EXPECT_EQ(dbe_GoTop(), 1) << dbe_LastError();
        while (!dbe_Eof()) {
            names.push_back(dbe_GetTrimString("NAME"));
            if (dbe_Skip(1) != 1) {
                ADD_FAILURE() << "skip failed: " << dbe_LastError();
                break;
            }
        }
        return names;
    }
};

// A reader keeps the album open while another process appends a record
// whose key sorts first, last or in the middle: the reader's walk of the
// tag and of the record order shows every record, and its seek for the new
// key stands on the new record with that record's own fields.
TEST_F(SharedReadsTest, AReaderSeesWhatAnotherProcessAppended)
{
    struct Case {
        const char* what;
        int nr;  // the new name is Named(nr)
    };
    const Case cases[] = {{"first key", 1}, {"last key", 99}, {"middle key", 21}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(Path("ALBUM.DBF"));
        fs::remove(Path("ALBUM.CDX"));
        const std::string file = MakeAlbum();
        ASSERT_NE(dbe_Use(file.c_str(), "LESER", DBE_SHARED, DBE_TYPE_FOX), 0) << dbe_LastError();
        dbe_SetOrder(1);
        ASSERT_EQ(dbe_IndexOrd(), 1) << dbe_LastError();
        std::vector<std::string> expected = Walk();
        ASSERT_EQ(expected.size(), 20u);
        ASSERT_EQ(dbe_Go(5), 1);  // the reader stands on a record of its own

        const std::string name = Named(c.nr);
        AppendElsewhere(file, name, c.nr);

        expected.push_back(name);
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(Walk(), expected) << "tag order";
        ASSERT_NE(dbe_Seek(name.c_str()), 0) << dbe_LastError();
        EXPECT_EQ(dbe_RecNo(), 21u);
        EXPECT_EQ(std::string(dbe_GetTrimString("NAME")), name);
        EXPECT_EQ(std::stoi(dbe_GetTrimString("NR")), c.nr);

        dbe_SetOrder(0);
        std::vector<std::string> natural = Walk();
        ASSERT_EQ(natural.size(), 21u) << "record order";
        EXPECT_EQ(natural.back(), name);
        dbe_CloseAll();
    }
}

// Another process stops (SIGSTOP) right after an append, keeping the index
// lock: a reader's walk, skip, seek, position and count past the wait fail
// on that call with the busy code and the busy message, and the reader
// stays on its record; never an empty order or a key not found. Once the
// holder goes on and lets go, the same reads see every record.
TEST_F(SharedReadsTest, AReadThatCannotGetTheIndexFailsAsBusy)
{
    const std::string file = MakeAlbum();
    ASSERT_NE(dbe_Use(file.c_str(), "LESER", DBE_SHARED, DBE_TYPE_FOX), 0) << dbe_LastError();
    dbe_SetOrder(1);
    ASSERT_EQ(dbe_IndexOrd(), 1);
    ASSERT_NE(dbe_Seek("B10"), 0) << dbe_LastError();
    const uint32_t standing = dbe_RecNo();

    Pipe toParent, toHolder;
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        if (!dbe_Use(file.c_str(), "HALTER", DBE_SHARED, DBE_TYPE_FOX)) std::_Exit(2);
        if (!Append("B00", 0)) std::_Exit(3);
        toParent.Send('h');
        ::raise(SIGSTOP);
        if (toHolder.Receive() != 'g' || !dbe_Commit()) std::_Exit(4);
        dbe_CloseAll();
        std::_Exit(0);
    }
    ASSERT_EQ(toParent.Receive(), 'h');
    int status = 0;
    ASSERT_EQ(::waitpid(holder, &status, WUNTRACED), holder);
    ASSERT_TRUE(WIFSTOPPED(status));

    dbf::SetIndexLockWait(std::chrono::milliseconds(50));
    dbe_Query("NR > 0");  // the count then walks or reads the tag
    struct Case {
        const char* what;
        std::function<long()> read;
    };
    const Case cases[] = {
        {"top", [] { return dbe_GoTop(); }},
        {"bottom", [] { return dbe_GoBottom(); }},
        {"skip", [] { return dbe_Skip(1); }},
        {"skip back", [] { return dbe_Skip(-1); }},
        {"seek", [] { return dbe_Seek("B20"); }},
        {"position", [] { return long(dbe_OrderRecNo()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.read(), 0);
        EXPECT_EQ(dbe_LastErrorCode(), DBE_ERR_BUSY) << dbe_LastError();
        EXPECT_NE(std::string(dbe_LastError()).find("wird gerade von einem anderen Programm benutzt"), std::string::npos)
            << dbe_LastError();
        EXPECT_EQ(dbe_RecNo(), standing);
        EXPECT_FALSE(dbe_Eof());
        EXPECT_EQ(std::string(dbe_GetTrimString("NAME")), "B10");
    }

    ASSERT_EQ(::kill(holder, SIGCONT), 0);
    toHolder.Send('g');
    EXPECT_EQ(ExitCode(holder), 0) << "2 open, 3 append, 4 commit";
    dbf::SetIndexLockWait(std::chrono::seconds(30));
    EXPECT_NE(dbe_Seek("B20"), 0) << dbe_LastError();
    EXPECT_EQ(dbe_LastErrorCode(), DBE_ERR_NONE);
    EXPECT_EQ(dbe_Seek("B21"), 0);
    EXPECT_EQ(dbe_LastErrorCode(), DBE_ERR_NONE) << "not found is no failure";
    dbe_Query("");
    EXPECT_EQ(Walk().size(), 21u);
}

// Busy is told by its code, not by words: a damaged table in a folder
// whose name reads like the busy message fails with the plain failure
// code; a table another program holds exclusively is busy.
TEST_F(SharedReadsTest, BusyHasItsOwnCode)
{
    const fs::path folder = Path("wird gerade von einem anderen Programm benutzt");
    fs::create_directories(folder);
    const std::string damaged = (folder / "ALBUM.DBF").string();
    {
        std::ofstream out(damaged, std::ios::binary);
        out << "kein DBF";
    }
    EXPECT_EQ(dbe_Use(damaged.c_str(), "DEFEKT", DBE_SHARED, DBE_TYPE_FOX), 0);
    EXPECT_EQ(dbe_LastErrorCode(), DBE_ERR_FAILED) << dbe_LastError();

    const std::string file = MakeAlbum();
    ASSERT_NE(dbe_Use(file.c_str(), "EIGEN", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0) << dbe_LastError();
    const pid_t other = ::fork();
    ASSERT_GE(other, 0);
    if (other == 0) {
        const bool opened = dbe_Use(file.c_str(), "ANDERER", DBE_SHARED, DBE_TYPE_FOX) != 0;
        std::_Exit(opened ? 2 : dbe_LastErrorCode() == DBE_ERR_BUSY ? 0 : 3);
    }
    EXPECT_EQ(ExitCode(other), 0) << "2 opened, 3 not the busy code";
    EXPECT_EQ(dbe_Use(file.c_str(), "NOCHMAL", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0);
    EXPECT_EQ(dbe_LastErrorCode(), DBE_ERR_OPEN_HERE) << dbe_LastError();
}

// Reads of the production index fail (EIO) while this process opens the
// album shared and another process has it open: one failed read is tried
// again and the album opens with its index; a file that keeps failing is
// left where it is (the other process keeps using it), the album opens
// without it, read only, and the open says so. Never a ".CDX.bad".
TEST_F(SharedReadsTest, AReadErrorAtASharedOpenNeverSetsTheIndexAside)
{
    const std::string file = MakeAlbum();
    const std::string cdx = Path("ALBUM.CDX");
    struct Case {
        const char* what;
        int failures;  // reads of the index that fail, from the first on
        bool withIndex;
    };
    const Case cases[] = {{"one read fails", 1, true}, {"every read fails", 1000000, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Pipe toOther, fromOther;
        const pid_t other = ::fork();
        ASSERT_GE(other, 0);
        if (other == 0) {
            if (!dbe_Use(file.c_str(), "ANDERER", DBE_SHARED, DBE_TYPE_FOX)) std::_Exit(2);
            fromOther.Send('o');
            if (toOther.Receive() != 'g') std::_Exit(3);
            dbe_SetOrder(1);
            if (!dbe_Seek("B40") || dbe_RecNo() != 20) std::_Exit(4);
            dbe_CloseAll();
            std::_Exit(0);
        }
        ASSERT_EQ(fromOther.Receive(), 'o');
        const ino_t inode = InodeOf(cdx);
        int left = c.failures;
        dbf::SetIoReadFaultHook([&](const std::string& path) { return path == cdx && left-- > 0; });
        const uint16_t area = dbe_Use(file.c_str(), "LESER", DBE_SHARED, DBE_TYPE_FOX);
        dbf::SetIoReadFaultHook(nullptr);
        ASSERT_NE(area, 0) << dbe_LastError();
        const std::string note = dbe_LastError();
        EXPECT_TRUE(fs::exists(cdx));
        EXPECT_FALSE(fs::exists(cdx + ".bad"));
        EXPECT_EQ(InodeOf(cdx), inode) << "the index was replaced";
        if (c.withIndex) {
            EXPECT_EQ(note, "");
            dbe_SetOrder(1);
            EXPECT_NE(dbe_Seek("B02"), 0) << dbe_LastError();
        } else {
            EXPECT_NE(note.find("ALBUM.CDX"), std::string::npos) << note;
            EXPECT_NE(note.find("ohne Index"), std::string::npos) << note;
            EXPECT_EQ(dbe_SysProp(DBE_PROP_ORDER_COUNT, 0), 0);
            EXPECT_EQ(dbe_RecCount(), 20u);
            EXPECT_EQ(dbe_AppendBlank(), 0) << "a record the other's index would miss";
            EXPECT_EQ(dbe_RecCount(), 20u);
        }
        toOther.Send('g');
        EXPECT_EQ(ExitCode(other), 0) << "2 open, 3 word, 4 seek";
        dbe_CloseAll();
    }
}

// Another process adds a tag to the index of an album this process has
// open: the tag is listed, chosen and walked without reopening, and a
// record this process appends afterwards is found through it.
TEST_F(SharedReadsTest, ATagAnotherProcessAddsIsSeenWithoutReopening)
{
    const std::string file = MakeAlbum();
    ASSERT_NE(dbe_Use(file.c_str(), "LESER", DBE_SHARED, DBE_TYPE_FOX), 0) << dbe_LastError();
    dbe_SetOrder(1);
    ASSERT_NE(dbe_Seek("B04"), 0) << dbe_LastError();
    ASSERT_EQ(dbe_SysProp(DBE_PROP_ORDER_COUNT, 0), 1);

    const pid_t other = ::fork();
    ASSERT_GE(other, 0);
    if (other == 0) {
        if (!dbe_Use(file.c_str(), "ANDERER", DBE_SHARED, DBE_TYPE_FOX)) std::_Exit(2);
        if (!dbe_IndexTag("", "NRAB", "NR", 1, 0, "")) std::_Exit(3);
        if (!dbe_Commit()) std::_Exit(4);
        dbe_CloseAll();
        std::_Exit(0);
    }
    ASSERT_EQ(ExitCode(other), 0) << "2 open, 3 tag, 4 commit";

    EXPECT_EQ(dbe_SysProp(DBE_PROP_ORDER_COUNT, 0), 2);
    ASSERT_EQ(dbe_TagArea("NRAB"), 2);
    EXPECT_EQ(std::string(dbe_TagName(2)), "NRAB");
    ASSERT_TRUE(Append("B99", 99)) << dbe_LastError();
    ASSERT_EQ(dbe_Commit(), 1) << dbe_LastError();
    dbe_SetOrder(2);
    ASSERT_EQ(dbe_IndexOrd(), 2) << dbe_LastError();
    std::vector<std::string> expected;
    for (int i = 20; i >= 1; --i) expected.push_back(Named(2 * i));
    expected.insert(expected.begin(), "B99");
    EXPECT_EQ(Walk(), expected) << "descending by number";
    EXPECT_NE(dbe_Seek("99"), 0) << dbe_LastError();
    EXPECT_EQ(dbe_RecNo(), 21u);
    dbe_CloseAll();
    dbetest::ExpectSoundIndex(Path("ALBUM.CDX"));
}

// A reader counts a query in the order of a tag FOR .NOT. DELETED() (the
// tag's entries decide what the order holds) again and again while another
// process deletes a record of the query and recalls it: each count follows,
// though the reader keeps the index lock between its calls and takes the
// tag's entries without an access while nobody else could change them.
TEST_F(SharedReadsTest, ACountInATagOrderFollowsDeletionsOfAnotherProcess)
{
    const std::string file = MakeAlbum();
    ASSERT_NE(dbe_Use(file.c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0) << dbe_LastError();
    ASSERT_NE(dbe_IndexTag("", "LEBEND", "NAME", 0, 0, ".NOT. DELETED()"), 0) << dbe_LastError();
    ASSERT_EQ(dbe_Close(), 1) << dbe_LastError();
    ASSERT_NE(dbe_Use(file.c_str(), "LESER", DBE_SHARED, DBE_TYPE_FOX), 0) << dbe_LastError();
    dbe_SetOrder(dbe_TagArea("LEBEND"));
    ASSERT_NE(dbe_IndexOrd(), 0) << dbe_LastError();
    // No tag answers the query (its records are read): the count's look at
    // the tag is the only use of the index file.
    const char* query = "NR >= 20";  // B20 .. B40: 11 records
    auto count = [&] {
        EXPECT_EQ(dbe_Query(query), 1) << dbe_LastError();
        const uint32_t n = dbe_QueryRecCount();
        EXPECT_EQ(dbe_LastErrorCode(), DBE_ERR_NONE) << dbe_LastError();
        return n;
    };
    ASSERT_EQ(count(), 11u);
    ASSERT_EQ(count(), 11u);  // the tag's entries known, the lock kept

    // Record 12 holds B24.
    auto elsewhere = [&](bool deleted) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (!dbe_Use(file.c_str(), "ANDERER", DBE_SHARED, DBE_TYPE_FOX) || !dbe_Go(12)) std::_Exit(2);
            if (!(deleted ? dbe_Delete() : dbe_Recall()) || !dbe_Commit()) std::_Exit(3);
            dbe_CloseAll();
            std::_Exit(0);
        }
        ASSERT_EQ(ExitCode(child), 0) << "2 open, 3 delete/recall or commit";
    };
    elsewhere(true);
    EXPECT_EQ(count(), 10u) << "after the other process deleted B24";
    EXPECT_EQ(count(), 10u);
    elsewhere(false);
    EXPECT_EQ(count(), 11u) << "after the other process recalled B24";
    dbe_CloseAll();
}

// A production index made by an area opened shared is used under its lock
// from the start: a record another process appends afterwards is found.
TEST_F(SharedReadsTest, AnIndexMadeInSharedUseFollowsOtherProcesses)
{
    const std::string file = Path("NEU.DBF");
    Create(file, {{"Name", 'C', 20, 0}, {"Nr", 'N', 8, 0}});
    ASSERT_NE(dbe_Use(file.c_str(), "EIGEN", DBE_SHARED, DBE_TYPE_FOX), 0) << dbe_LastError();
    ASSERT_TRUE(Append("B02", 2)) << dbe_LastError();
    ASSERT_NE(dbe_IndexTag("", "NAME", "NAME", 0, 0, ""), 0) << dbe_LastError();
    ASSERT_EQ(dbe_Commit(), 1) << dbe_LastError();
    AppendElsewhere(file, "B01", 1);
    EXPECT_NE(dbe_Seek("B01"), 0) << dbe_LastError();
    EXPECT_EQ(Walk(), (std::vector<std::string>{"B01", "B02"}));
    dbe_CloseAll();
    dbetest::ExpectSoundIndex(Path("NEU.CDX"));
}

}  // namespace
