// Guards what happens when another process keeps an album's index lock:
// the album is busy, never damaged. A holder stopped (SIGSTOP) for longer
// than the wait makes opens and changes fail cleanly with a German message
// naming the album, nothing is written and every file stays; once the
// holder lets go the same calls succeed and XBase::Index finds every
// committed record in every tag. A holder inside a long call whose progress
// hook waits (as a progress window's event loop does) gives the lock back
// first. The observer of the wait (the program's Esc) stops it, and a forked
// child leaves the areas and locks of its parent alone.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "child_process.h"
#include "dbe_test_util.h"
#include "outside_readers.h"
#include "platform/dbf/engine_lock.h"
#include "platform/dbf/file_io.h"
#include "platform/dbf/lock_wait.h"

namespace {

namespace fs = std::filesystem;
using dbetest::EngineTest;
using dbetest::ExitCode;
using dbetest::Pipe;

// Lock waits measured by the test's own clock: each pause moves it on by a
// whole second (and sleeps the step), so the engine's 30-second wait for
// the index lock passes in a few milliseconds.
class QuickLockWaits {
public:
    QuickLockWaits()
    {
        dbf::SetLockWaitClock({[this] { return now_; },
                               [this](std::chrono::microseconds step) {
                                   now_ += std::chrono::seconds(1);
                                   std::this_thread::sleep_for(step);
                               }});
    }
    ~QuickLockWaits() { dbf::SetLockWaitClock({}); }

private:
    dbf::LockWaitTime now_{};
};

// Every file of a folder with its bytes and inode.
using FolderImage = std::map<std::string, std::pair<std::string, ino_t>>;
FolderImage ImageOf(const fs::path& folder)
{
    FolderImage image;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        struct stat st {};
        ::stat(entry.path().c_str(), &st);
        image[entry.path().filename().string()] = {bytes.str(), st.st_ino};
    }
    return image;
}

class BusyIndexTest : public EngineTest {
protected:
    void TearDown() override
    {
        dbf::SetLockWaitObserver({});
        dbf::SetLockWaitClock({});
        EngineTest::TearDown();
    }

    // The album in a folder of its own (only its files there).
    std::string MakeAlbum()
    {
        fs::create_directories(Path("album"));
        const std::string file = Path("album/ALBUM.DBF");
        Create(file, {{"Name", 'C', 20, 0}, {"Nr", 'N', 8, 0}, {"Notiz", 'M', 10, 0}});
        EXPECT_NE(dbe_Use(file.c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0) << dbe_LastError();
        EXPECT_NE(dbe_IndexTag("", "NAME", "NAME", 0, 0, ""), 0) << dbe_LastError();
        EXPECT_NE(dbe_IndexTag("", "NR", "NR", 0, 0, ""), 0) << dbe_LastError();
        EXPECT_NE(dbe_IndexTag("", "LIVE", "UPPER(NAME)", 0, 0, ".NOT. DELETED()"), 0) << dbe_LastError();
        EXPECT_EQ(dbe_Close(), 1) << dbe_LastError();
        return file;
    }

    // The file a write of the fault seam goes to (writes name their
    // descriptor, "fd:N").
    static std::string FaultPath(const std::string& what)
    {
        return what.rfind("fd:", 0) == 0 ? fs::read_symlink("/proc/self/fd/" + what.substr(3)).string() : what;
    }

    static bool AppendNamed(const std::string& name, int32_t nr)
    {
        return dbe_AppendBlank() && dbe_Replace("NAME", DBE_REPL_TEXT, name.c_str()) &&
               dbe_Replace("NR", DBE_REPL_LONG, &nr) &&
               dbe_Replace("NOTIZ", DBE_REPL_MEMO, ("Notiz zu " + name).c_str());
    }

    // Checks from outside: the table holds exactly `names`, and every tag
    // holds every record (the FOR tag every live one) in key order.
    void ExpectAlbumHolds(const std::string& file, const std::set<std::string>& names)
    {
        const std::string cdx = Path("album/ALBUM.CDX");
        dbetest::ExpectSoundIndex(cdx);
        std::string failures;
        const auto tables = outside::ReadTables({file}, failures);
        const auto tags = outside::ReadTags({cdx}, {"NAME:C", "NR:N", "LIVE:C"}, failures);
        ASSERT_EQ(failures, "");
        const outside::Table& table = tables.at(file);
        std::set<std::string> stored;
        for (const outside::Record& r : table) {
            std::string name;
            for (std::size_t i = 0; i + 1 < r.fields[0].size(); i += 2)
                name += char(std::stoi(r.fields[0].substr(i, 2), nullptr, 16));
            stored.insert(name);
        }
        EXPECT_EQ(stored, names);
        EXPECT_EQ(table.size(), names.size());
        const outside::Tags& index = tags.at(cdx);
        EXPECT_EQ(index.at("NAME"), outside::ExpectedTextTag(table, 0, 20));
        EXPECT_EQ(index.at("NR"), outside::ExpectedNumberTag(table, 1));
        EXPECT_EQ(index.at("LIVE"), outside::ExpectedLiveTextTag(table, 0, 20));
        for (const auto& entry : fs::directory_iterator(Path("album")))
            EXPECT_NE(entry.path().extension(), ".bad") << entry.path();
    }

    // The holder (a child process): opens the album, appends (its index
    // lock is then held, the keys in memory), says so and stops itself.
    // Continued, it waits for the word, commits and ends: 0 when its calls
    // succeeded and its records are found through the tag.
    [[noreturn]] static void StoppedHolder(const std::string& file, const Pipe& toParent, const Pipe& toHolder)
    {
        if (!dbe_Use(file.c_str(), "HALTER", DBE_SHARED, DBE_TYPE_FOX)) std::_Exit(2);
        if (!AppendNamed("HALTER1", 1) || !AppendNamed("HALTER2", 2)) std::_Exit(3);
        toParent.Send('h');
        ::raise(SIGSTOP);
        if (toHolder.Receive() != 'g') std::_Exit(4);
        dbe_SetOrder(1);
        if (!dbe_Commit() || !dbe_Seek("HALTER2") || dbe_RecNo() != 2) std::_Exit(5);
        dbe_CloseAll();
        std::_Exit(0);
    }
};

// A holder stopped for longer than the wait: an open in another process,
// and an append, a record write and a commit of an area opened before, all
// fail with the busy message and write nothing; no file is moved or
// changed. Once the holder goes on and lets go, the same calls succeed and
// every committed record is in every tag.
TEST_F(BusyIndexTest, AStoppedHolderMakesTheAlbumBusyAndNothingIsWritten)
{
    const std::string file = MakeAlbum();
    // This process has the album open before the holder takes the lock.
    const uint16_t mine = dbe_Use(file.c_str(), "MEINS", DBE_SHARED, DBE_TYPE_FOX);
    ASSERT_NE(mine, 0) << dbe_LastError();
    Pipe toParent, toHolder;
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) StoppedHolder(file, toParent, toHolder);
    ASSERT_EQ(toParent.Receive(), 'h');
    int status = 0;
    ASSERT_EQ(::waitpid(holder, &status, WUNTRACED), holder);
    ASSERT_TRUE(WIFSTOPPED(status));
    const FolderImage before = ImageOf(Path("album"));

    auto expectBusy = [](const std::string& what) {
        const std::string error = dbe_LastError();
        EXPECT_NE(error.find("ALBUM.DBF"), std::string::npos) << what << ": " << error;
        EXPECT_NE(error.find("von einem anderen Programm"), std::string::npos) << what << ": " << error;
    };
    {
        QuickLockWaits quick;
        // An open in a process of its own (a child: it has no areas).
        const pid_t opener = ::fork();
        ASSERT_GE(opener, 0);
        if (opener == 0) {
            QuickLockWaits childQuick;
            const bool opened = dbe_Use(file.c_str(), "ANDERER", DBE_SHARED, DBE_TYPE_FOX) != 0;
            const std::string error = dbe_LastError();
            const bool busy = error.find("Das Album ALBUM.DBF wird gerade von einem anderen Programm") != std::string::npos;
            std::_Exit(opened ? 2 : busy ? 0 : 3);
        }
        EXPECT_EQ(ExitCode(opener), 0) << "2: opened without its index, 3: not the busy message";

        struct Case {
            const char* what;
            std::function<int()> call;
        };
        const Case cases[] = {
            {"append", [] { return dbe_AppendBlank(); }},
            {"write", [] {
                 // Record 1 is the holder's; its write needs the index lock.
                 const int32_t nr = 99;
                 return dbe_Go(1) ? dbe_Replace("NR", DBE_REPL_LONG, &nr) : -1;
             }},
        };
        for (const Case& c : cases) {
            dbe_Select(mine);
            EXPECT_EQ(c.call(), 0) << c.what;
            expectBusy(c.what);
        }
        dbe_Select(mine);
        EXPECT_EQ(dbe_Commit(), 1) << "nothing of this area waits: " << dbe_LastError();
        EXPECT_EQ(ImageOf(Path("album")), before) << "a file was changed, moved or made";
    }

    ASSERT_EQ(::kill(holder, SIGCONT), 0);
    toHolder.Send('g');
    dbe_Select(mine);
    ASSERT_TRUE(AppendNamed("EIGEN", 3)) << dbe_LastError();
    ASSERT_EQ(dbe_Commit(), 1) << dbe_LastError();
    EXPECT_EQ(ExitCode(holder), 0) << "2 open, 3 append, 4 word, 5 commit or seek";
    dbe_SetOrder(1);
    for (const char* name : {"HALTER1", "HALTER2", "EIGEN"}) EXPECT_NE(dbe_Seek(name), 0) << name;
    dbe_CloseAll();
    ExpectAlbumHolds(file, {"HALTER1", "HALTER2", "EIGEN"});
}

// The observer of the wait is told of each step and of its end; when it
// says stop (the user pressed Esc), the open fails at once with a message
// that says so, and the table is not opened without its index.
TEST_F(BusyIndexTest, TheObserverStopsTheWaitAndIsToldItsEnd)
{
    const std::string file = MakeAlbum();
    Pipe toParent, toHolder;
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) StoppedHolder(file, toParent, toHolder);
    ASSERT_EQ(toParent.Receive(), 'h');
    int status = 0;
    ASSERT_EQ(::waitpid(holder, &status, WUNTRACED), holder);

    std::vector<dbf::LockWaitState> told;
    dbf::SetLockWaitObserver([&](const dbf::LockWaitState& state) {
        told.push_back(state);
        return told.size() < 3;
    });
    EXPECT_EQ(dbe_Use(file.c_str(), "WARTEND", DBE_SHARED, DBE_TYPE_FOX), 0);
    const std::string error = dbe_LastError();
    EXPECT_NE(error.find("Das Warten auf das Album ALBUM.DBF wurde abgebrochen"), std::string::npos) << error;
    ASSERT_EQ(told.size(), 4u);
    for (std::size_t i = 0; i < told.size(); ++i) {
        EXPECT_EQ(told[i].file, Path("album/ALBUM.CDX"));
        EXPECT_EQ(told[i].over, i == 3);
        if (i > 0 && i < 3) {
            EXPECT_GE(told[i].waited, told[i - 1].waited);
        }
    }
    dbf::SetLockWaitObserver({});

    ASSERT_EQ(::kill(holder, SIGCONT), 0);
    toHolder.Send('g');
    EXPECT_EQ(ExitCode(holder), 0);
    ASSERT_NE(dbe_Use(file.c_str(), "WARTEND", DBE_SHARED, DBE_TYPE_FOX), 0) << dbe_LastError();
    dbe_CloseAll();
    ExpectAlbumHolds(file, {"HALTER1", "HALTER2"});
}

// A holder inside a long call (a copy of the album) whose progress hook
// waits, as a progress window's event loop or a question to the user does:
// the index lock it held across calls goes back before the hook runs, so
// another process opens, appends and commits meanwhile (with waits that
// would give up at once), and both processes' records end up in every tag.
TEST_F(BusyIndexTest, AHolderInsideAProgressWindowLetsOthersAppend)
{
    const std::string file = MakeAlbum();
    ASSERT_NE(dbe_Use(file.c_str(), "HALTER", DBE_SHARED, DBE_TYPE_FOX), 0) << dbe_LastError();
    dbe_SetOrder(1);
    ASSERT_TRUE(AppendNamed("VORHER1", 1)) << dbe_LastError();
    ASSERT_TRUE(AppendNamed("VORHER2", 2)) << dbe_LastError();

    Pipe toOther;
    const pid_t other = ::fork();
    ASSERT_GE(other, 0);
    if (other == 0) {
        if (toOther.Receive() != 'g') std::_Exit(2);
        QuickLockWaits quick;
        if (!dbe_Use(file.c_str(), "ANDERER", DBE_SHARED, DBE_TYPE_FOX)) std::_Exit(3);
        if (!AppendNamed("ANDERER", 3) || !dbe_Commit()) std::_Exit(4);
        dbe_CloseAll();
        std::_Exit(0);
    }
    struct Window {
        const Pipe& toOther;
        pid_t other;
        int otherExit = -1;
    } window{toOther, other};
    dbe_SetGaugeHook(
        [](void* context, uint32_t, uint32_t) {
            auto& w = *static_cast<Window*>(context);
            if (w.otherExit >= 0) return;
            w.toOther.Send('g');
            w.otherExit = ExitCode(w.other);  // the window's loop runs until the other is done
        },
        &window);
    EXPECT_EQ(dbe_CopyFile(Path("KOPIE.DBF").c_str()), 1) << dbe_LastError();
    dbe_SetGaugeHook(nullptr, nullptr);
    EXPECT_EQ(window.otherExit, 0) << "2 word, 3 open, 4 append or commit";

    ASSERT_EQ(dbe_Commit(), 1) << dbe_LastError();
    for (const char* name : {"VORHER1", "VORHER2", "ANDERER"}) EXPECT_NE(dbe_Seek(name), 0) << name;
    dbe_CloseAll();
    ExpectAlbumHolds(file, {"VORHER1", "VORHER2", "ANDERER"});
}

// A forked child finds no area of its parent's: closing "all" there closes
// nothing of them, so the parent keeps its record lock (another process
// still cannot take it) and its area works on.
TEST_F(BusyIndexTest, AForkedChildLeavesTheParentsAreasAndLocksAlone)
{
    const std::string file = MakeAlbum();
    ASSERT_NE(dbe_Use(file.c_str(), "MEINS", DBE_SHARED, DBE_TYPE_FOX), 0) << dbe_LastError();
    ASSERT_TRUE(AppendNamed("EINS", 1)) << dbe_LastError();
    ASSERT_EQ(dbe_Commit(), 1) << dbe_LastError();
    ASSERT_EQ(dbe_Rlock(1), 1) << dbe_LastError();
    ASSERT_TRUE(AppendNamed("ZWEI", 2)) << dbe_LastError();  // keys held in memory

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const bool sawArea = dbe_Alias()[0] != '\0' || dbe_WorkArea("MEINS") != 0;
        dbe_CloseAll();
        dbe_Select(1);
        dbe_Close();
        std::_Exit(sawArea ? 2 : 0);
    }
    EXPECT_EQ(ExitCode(child), 0) << "the child saw the parent's area";

    const pid_t other = ::fork();
    ASSERT_GE(other, 0);
    if (other == 0) {
        dbe_SetLockTimeout(0);
        if (!dbe_Use(file.c_str(), "ANDERER", DBE_SHARED, DBE_TYPE_FOX)) std::_Exit(2);
        if (!dbe_Go(1)) std::_Exit(3);
        std::_Exit(dbe_Rlock(1) ? 4 : 0);
    }
    EXPECT_EQ(ExitCode(other), 0) << "2 open, 3 go, 4: the parent's record lock was gone";

    dbe_Select(dbe_WorkArea("MEINS"));
    ASSERT_EQ(dbe_Commit(), 1) << dbe_LastError();
    dbe_SetOrder(1);
    EXPECT_NE(dbe_Seek("ZWEI"), 0);
    dbe_CloseAll();
    ExpectAlbumHolds(file, {"EINS", "ZWEI"});
}

// The thread that gives held index locks back while the program does not
// call in meets an exception that is no index error (here from a write):
// the process goes on, its next call reports the failure, the file that
// failed is rebuilt, and the thread still hands the lock to a process that
// waits for it later.
TEST_F(BusyIndexTest, TheWatchThreadSurvivesAnException)
{
    const std::string file = MakeAlbum();
    ASSERT_NE(dbe_Use(file.c_str(), "MEINS", DBE_SHARED, DBE_TYPE_FOX), 0) << dbe_LastError();
    ASSERT_TRUE(AppendNamed("EINS", 1)) << dbe_LastError();
    const std::thread::id main = std::this_thread::get_id();
    std::atomic<bool> thrown{false};
    dbf::SetIoFaultHook([&](dbf::IoOp, const std::string&) -> bool {
        if (std::this_thread::get_id() == main || thrown.exchange(true)) return false;
        throw std::runtime_error("Fehler im Test");
    });
    // Idle now: the watch thread gives the lock back (and meets the throw).
    for (int i = 0; i < 100000 && !thrown; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    dbf::SetIoFaultHook(nullptr);
    ASSERT_TRUE(thrown.load());

    // The failure reaches the writer at its next call (nothing is written
    // then); the file is made anew and the call after succeeds.
    EXPECT_FALSE(AppendNamed("ZWEI", 2));
    EXPECT_NE(std::string(dbe_LastError()).find("Fehler im Test"), std::string::npos) << dbe_LastError();
    ASSERT_TRUE(AppendNamed("ZWEI", 2)) << dbe_LastError();
    const pid_t other = ::fork();
    ASSERT_GE(other, 0);
    if (other == 0) {
        if (!dbe_Use(file.c_str(), "ANDERER", DBE_SHARED, DBE_TYPE_FOX)) std::_Exit(2);
        std::_Exit(AppendNamed("DREI", 3) && dbe_Commit() ? 0 : 3);
    }
    // Only the watch thread can give the lock to the other process now.
    EXPECT_EQ(ExitCode(other), 0) << "2 open, 3 append or commit";
    dbe_Select(dbe_WorkArea("MEINS"));
    dbe_Commit();
    dbe_CloseAll();
    ExpectAlbumHolds(file, {"EINS", "ZWEI", "DREI"});
}

// A writer killed (SIGKILL) right after its appends returned, while it
// keeps the index lock and its keys in memory: every record it saved, with
// its memo, is in the table file. A read-only opener sees the records the
// header counts (the index behind them waits); an exclusive open rebuilds
// the index, which then finds every record.
TEST_F(BusyIndexTest, AWriterKilledRightAfterItsAppendsLosesNoRecord)
{
    const std::string file = MakeAlbum();
    Pipe toParent;
    const pid_t writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        if (!dbe_Use(file.c_str(), "SCHREIBER", DBE_SHARED, DBE_TYPE_FOX)) std::_Exit(2);
        if (!AppendNamed("EINS", 1) || !AppendNamed("ZWEI", 2)) std::_Exit(3);
        // Keeps browsing: the index lock stays held, as while the program
        // keeps using the album (the engine lock keeps the background
        // thread from giving it back meanwhile).
        const dbf::EngineLock browsing;
        toParent.Send('a');
        for (;;) ::pause();
    }
    ASSERT_EQ(toParent.Receive(), 'a');
    ASSERT_EQ(::kill(writer, SIGKILL), 0);
    EXPECT_EQ(ExitCode(writer), 100 + SIGKILL);

    // A reader copes with a record count ahead of the index.
    ASSERT_NE(dbe_Use(file.c_str(), "LESER", DBE_READONLY, DBE_TYPE_FOX), 0) << dbe_LastError();
    EXPECT_EQ(dbe_RecCount(), 2u);
    std::set<std::string> seen;
    for (dbe_GoTop(); !dbe_Eof(); dbe_Skip(1)) {
        seen.insert(dbe_GetTrimString("NAME"));
        char* memo = dbe_GetMemo("NOTIZ", 0);
        EXPECT_EQ(std::string(memo ? memo : ""), "Notiz zu " + std::string(dbe_GetTrimString("NAME")));
        dbe_MemDealloc(memo);
    }
    EXPECT_EQ(seen, (std::set<std::string>{"EINS", "ZWEI"}));
    dbe_CloseAll();

    ASSERT_NE(dbe_Use(file.c_str(), "EIGEN", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0) << dbe_LastError();
    dbe_SetOrder(1);
    for (const char* name : {"EINS", "ZWEI"}) EXPECT_NE(dbe_Seek(name), 0) << name;
    dbe_CloseAll();
    ExpectAlbumHolds(file, {"EINS", "ZWEI"});
}

// A reader stopped (SIGSTOP) right after a read keeps no other process
// from opening and reading the album, at once (the lock waits here give up
// at the first pause). A writer waits for the stopped reader and reports
// the album busy, writing nothing; once the reader goes on, writes succeed.
TEST_F(BusyIndexTest, AStoppedReaderKeepsNoOtherReaderOut)
{
    const std::string file = MakeAlbum();
    ASSERT_NE(dbe_Use(file.c_str(), "VORHER", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0) << dbe_LastError();
    ASSERT_TRUE(AppendNamed("EINS", 1) && AppendNamed("ZWEI", 2)) << dbe_LastError();
    dbe_CloseAll();

    Pipe toParent, toReader;
    const pid_t reader = ::fork();
    ASSERT_GE(reader, 0);
    if (reader == 0) {
        if (!dbe_Use(file.c_str(), "LESER", DBE_SHARED, DBE_TYPE_FOX)) std::_Exit(2);
        dbe_SetOrder(1);
        if (!dbe_Seek("ZWEI")) std::_Exit(3);
        toParent.Send('r');
        ::raise(SIGSTOP);
        if (toReader.Receive() != 'g') std::_Exit(4);
        if (!dbe_Seek("EINS")) std::_Exit(5);
        dbe_CloseAll();
        std::_Exit(0);
    }
    ASSERT_EQ(toParent.Receive(), 'r');
    int status = 0;
    ASSERT_EQ(::waitpid(reader, &status, WUNTRACED), reader);
    ASSERT_TRUE(WIFSTOPPED(status));
    const FolderImage before = ImageOf(Path("album"));
    {
        QuickLockWaits quick;
        // Another process opens and reads without waiting.
        const pid_t other = ::fork();
        ASSERT_GE(other, 0);
        if (other == 0) {
            bool waited = false;
            dbf::SetLockWaitObserver([&](const dbf::LockWaitState& state) {
                waited = waited || !state.over;
                return true;
            });
            if (!dbe_Use(file.c_str(), "ANDERER", DBE_SHARED, DBE_TYPE_FOX)) std::_Exit(2);
            dbe_SetOrder(1);
            if (!dbe_Seek("EINS") || dbe_RecNo() != 1 || !dbe_Seek("ZWEI") || dbe_RecNo() != 2) std::_Exit(3);
            dbe_CloseAll();
            std::_Exit(waited ? 4 : 0);
        }
        EXPECT_EQ(ExitCode(other), 0) << "2 open, 3 seek, 4: waited for the stopped reader";

        // A writer reports busy, writes nothing.
        ASSERT_NE(dbe_Use(file.c_str(), "SCHREIBER", DBE_SHARED, DBE_TYPE_FOX), 0) << dbe_LastError();
        EXPECT_EQ(dbe_AppendBlank(), 0);
        const std::string error = dbe_LastError();
        EXPECT_NE(error.find("Das Album ALBUM.DBF wird gerade von einem anderen Programm benutzt"), std::string::npos)
            << error;
        EXPECT_EQ(dbe_RecCount(), 2u);
        EXPECT_EQ(ImageOf(Path("album")), before) << "a file was changed, moved or made";
    }
    ASSERT_EQ(::kill(reader, SIGCONT), 0);
    toReader.Send('g');
    EXPECT_EQ(ExitCode(reader), 0) << "2 open, 3 seek, 4 word, 5 seek after";
    ASSERT_TRUE(AppendNamed("DREI", 3)) << dbe_LastError();
    ASSERT_EQ(dbe_Commit(), 1) << dbe_LastError();
    dbe_CloseAll();
    ExpectAlbumHolds(file, {"EINS", "ZWEI", "DREI"});
}

// A write that fails while the held index lock goes back between calls
// (the background thread's release): the keys of the records on disk were
// put in first, the index stays marked for rebuild, the table's append
// lock goes back, and the writer's next call reports the failure. Another
// process then finds every record through the tag and appends.
TEST_F(BusyIndexTest, AWriteFailingAsTheHeldLockGoesBackLeavesTheIndexForRebuild)
{
    struct Case {
        const char* what;
        const char* failing;  // files whose writes fail ("" every file)
    };
    const Case cases[] = {{"index writes fail", ".CDX"}, {"every write fails", ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(Path("album"));
        const std::string file = MakeAlbum();
        ASSERT_NE(dbe_Use(file.c_str(), "MEINS", DBE_SHARED, DBE_TYPE_FOX), 0) << dbe_LastError();
        {
            // The test thread keeps the engine lock: the background thread
            // cannot give the lock back before the fault is set.
            const dbf::EngineLock engine;
            ASSERT_TRUE(AppendNamed("EINS", 1) && AppendNamed("ZWEI", 2)) << dbe_LastError();
            int failed = 0;
            const std::string failing = c.failing;
            dbf::SetIoFaultHook([&](dbf::IoOp op, const std::string& what) {
                const std::string path = FaultPath(what);
                const bool fail = op == dbf::IoOp::Write && (failing.empty() || path.ends_with(failing));
                failed += fail;
                return fail;
            });
            dbf::ReleaseHeldIndexLocks();
            dbf::SetIoFaultHook(nullptr);
            EXPECT_GT(failed, 0);
        }
        const pid_t other = ::fork();
        ASSERT_GE(other, 0);
        if (other == 0) {
            QuickLockWaits quick;
            if (!dbe_Use(file.c_str(), "ANDERER", DBE_SHARED, DBE_TYPE_FOX)) std::_Exit(2);
            dbe_SetOrder(1);
            if (!dbe_Seek("EINS") || !dbe_Seek("ZWEI")) std::_Exit(3);
            if (!AppendNamed("DREI", 3) || !dbe_Commit()) std::_Exit(4);
            dbe_CloseAll();
            std::_Exit(0);
        }
        EXPECT_EQ(ExitCode(other), 0) << "2 open, 3 a record not found through the tag, 4 append";

        dbe_Select(dbe_WorkArea("MEINS"));
        EXPECT_EQ(dbe_AppendBlank(), 0) << "the failure was not reported";
        const std::string error = dbe_LastError();
        EXPECT_NE(error.find("ALBUM.CDX"), std::string::npos) << error;
        ASSERT_TRUE(AppendNamed("VIER", 4)) << dbe_LastError();
        ASSERT_EQ(dbe_Commit(), 1) << dbe_LastError();
        dbe_SetOrder(1);
        for (const char* name : {"EINS", "ZWEI", "DREI", "VIER"}) EXPECT_NE(dbe_Seek(name), 0) << name;
        dbe_CloseAll();
        ExpectAlbumHolds(file, {"EINS", "ZWEI", "DREI", "VIER"});
    }
}

// The same failure met by a call that only reads: whatever the writer's
// next call is, it fails with the reason naming the index file (a move
// never answers the end of the table or "not found" in its stead); the
// call after it finds every record through the tag again.
TEST_F(BusyIndexTest, AFailureAsTheHeldLockGoesBackIsReportedByTheNextRead)
{
    struct Case {
        const char* what;
        std::function<int()> call;
    };
    const Case cases[] = {
        {"seek", [] { return dbe_Seek("ZWEI"); }},
        {"top of the tag", [] { return dbe_GoTop(); }},
        {"skip in the tag", [] { return dbe_Skip(1); }},
        {"go to a record", [] { return dbe_Go(2); }},
        {"query", [] { return dbe_Query("NR = 2"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dbe_CloseAll();
        fs::remove_all(Path("album"));
        const std::string file = MakeAlbum();
        ASSERT_NE(dbe_Use(file.c_str(), "MEINS", DBE_SHARED, DBE_TYPE_FOX), 0) << dbe_LastError();
        dbe_SetOrder(1);
        {
            const dbf::EngineLock engine;
            ASSERT_TRUE(AppendNamed("EINS", 1) && AppendNamed("ZWEI", 2)) << dbe_LastError();
            ASSERT_EQ(dbe_Go(1), 1) << dbe_LastError();
            dbf::SetIoFaultHook([&](dbf::IoOp op, const std::string& what) {
                return op == dbf::IoOp::Write && FaultPath(what).ends_with(".CDX");
            });
            dbf::ReleaseHeldIndexLocks();
            dbf::SetIoFaultHook(nullptr);
        }
        EXPECT_EQ(c.call(), 0) << "the failure was not reported";
        const std::string error = dbe_LastError();
        EXPECT_NE(error.find("ALBUM.CDX"), std::string::npos) << error;
        // Reported once; the index is whole again.
        dbe_Query(nullptr);
        EXPECT_EQ(dbe_Seek("ZWEI"), 1) << dbe_LastError();
        EXPECT_EQ(dbe_RecNo(), 2u);
        EXPECT_EQ(dbe_Seek("EINS"), 1) << dbe_LastError();
        ASSERT_TRUE(AppendNamed("DREI", 3)) << dbe_LastError();
        ASSERT_EQ(dbe_Commit(), 1) << dbe_LastError();
        dbe_CloseAll();
        ExpectAlbumHolds(file, {"EINS", "ZWEI", "DREI"});
    }
}

// A process that keeps appending records with memos holds the memo file's
// lock across its calls (with the table's append lock and the index lock):
// another process that stores a memo in an older record meanwhile gets its
// turn at once, never waits out the memo lock's limit and reports busy.
TEST_F(BusyIndexTest, AMemoStoredWhileAnotherProcessKeepsAppendingGetsItsTurn)
{
    const std::string file = MakeAlbum();
    ASSERT_NE(dbe_Use(file.c_str(), "MEINS", DBE_SHARED, DBE_TYPE_FOX), 0) << dbe_LastError();
    ASSERT_TRUE(AppendNamed("EIGEN", 1)) << dbe_LastError();
    ASSERT_EQ(dbe_Commit(), 1) << dbe_LastError();
    Pipe toParent, toWriter;
    const pid_t writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        if (!dbe_Use(file.c_str(), "SCHREIBER", DBE_SHARED, DBE_TYPE_FOX)) std::_Exit(2);
        if (!AppendNamed("W0", 100)) std::_Exit(3);
        toParent.Send('a');
        // Appends until the parent is done (a run far longer than the
        // memo lock's wait of five seconds when it is never handed over).
        const auto begun = std::chrono::steady_clock::now();
        for (int i = 1; std::chrono::steady_clock::now() - begun < std::chrono::seconds(20); ++i) {
            if (!AppendNamed("W" + std::to_string(i), 100 + i)) std::_Exit(3);
            struct pollfd p = {toWriter.fd[0], POLLIN, 0};
            if (::poll(&p, 1, 0) == 1) break;
        }
        if (!dbe_Commit()) std::_Exit(4);
        dbe_CloseAll();
        std::_Exit(0);
    }
    ASSERT_EQ(toParent.Receive(), 'a');
    struct Stop {
        const Pipe& pipe;
        ~Stop() { pipe.Send('x'); }
    } stop{toWriter};
    const auto start = std::chrono::steady_clock::now();
    int stored = 0;
    for (int i = 0; i < 20 && std::chrono::steady_clock::now() - start < std::chrono::seconds(8); ++i) {
        ASSERT_EQ(dbe_Go(1), 1) << dbe_LastError();
        const std::string memo = "Notiz " + std::to_string(i);
        ASSERT_EQ(dbe_Replace("NOTIZ", DBE_REPL_MEMO, memo.c_str()), 1) << i << ": " << dbe_LastError();
        ++stored;
    }
    toWriter.Send('x');
    EXPECT_EQ(ExitCode(writer), 0) << "2 open, 3 append, 4 commit";
    EXPECT_EQ(stored, 20) << "the stores took longer than eight seconds";
    ASSERT_EQ(dbe_Go(1), 1) << dbe_LastError();
    char* memo = dbe_GetMemo("NOTIZ", 0);
    EXPECT_EQ(std::string(memo ? memo : ""), "Notiz 19");
    dbe_MemDealloc(memo);
    // Every record's memo is its own.
    for (uint32_t r = 2; r <= dbe_RecCount(); ++r) {
        ASSERT_EQ(dbe_Go(r), 1) << dbe_LastError();
        char* m = dbe_GetMemo("NOTIZ", 0);
        EXPECT_EQ(std::string(m ? m : ""), "Notiz zu " + std::string(dbe_GetTrimString("NAME"))) << r;
        dbe_MemDealloc(m);
    }
    dbe_CloseAll();
}

// Which mounts keep byte-range locks to this machine, read from lines of
// /proc/self/mountinfo: the mount that holds the file decides.
TEST(LockSupport, MountsWhoseLocksStayOnThisMachine)
{
    const std::string root = "22 1 8:1 / / rw,relatime - ext4 /dev/sda1 rw\n";
    struct Case {
        const char* mount;  // a line for /mnt/share
        const char* file;
        bool reach;
        const char* reason;  // part of the reason
    };
    const Case cases[] = {
        {"40 22 0:50 / /mnt/share rw - nfs4 srv:/bilder rw,vers=4.2,local_lock=none", "/mnt/share/A.DBF", true, ""},
        {"40 22 0:50 / /mnt/share rw - nfs srv:/bilder rw,vers=3,nolock,local_lock=all", "/mnt/share/A.DBF", false, "NFS-Laufwerk /mnt/share"},
        {"40 22 0:50 / /mnt/share rw - nfs4 srv:/bilder rw,local_lock=posix", "/mnt/share/x/A.DBF", false, "NFS"},
        {"40 22 0:50 / /mnt/share rw - cifs //srv/bilder rw,nobrl,vers=3.0", "/mnt/share/A.DBF", false, "nobrl"},
        {"40 22 0:50 / /mnt/share rw - cifs //srv/bilder rw,vers=3.0", "/mnt/share/A.DBF", true, ""},
        {"40 22 0:50 / /mnt/share rw,nosuid shared:5 - fuse.sshfs anna@srv:/b rw", "/mnt/share/A.DBF", false, "FUSE-Dateisystem /mnt/share"},
        // Another mount whose name only begins like the file's folder.
        {"40 22 0:50 / /mnt/sha rw - fuse.sshfs anna@srv:/b rw", "/mnt/share/A.DBF", true, ""},
        // A blank in the mount point is written as \040.
        {"40 22 0:50 / /mnt/meine\\040bilder rw - cifs //srv/b rw,nobrl", "/mnt/meine bilder/A.DBF", false, "/mnt/meine bilder"},
    };
    for (const Case& c : cases) {
        std::string reason;
        EXPECT_EQ(dbf::MountInfoLocksReach(root + c.mount + "\n", c.file, reason), c.reach) << c.mount;
        EXPECT_NE(reason.find(c.reason), std::string::npos) << c.mount << ": " << reason;
    }
}

// On a file system whose locks other openers may not see, a shared open
// keeps the table to itself and says why: another process cannot open it.
TEST_F(BusyIndexTest, ASharedOpenWithoutReliableLocksIsExclusive)
{
    const std::string file = MakeAlbum();
    std::vector<std::string> asked;
    dbf::SetLockSupportProbe([&](const std::string& path, std::string& reason) {
        asked.push_back(path);
        reason = "NFS-Laufwerk /mnt/test ohne Sperren über das Netz";
        return false;
    });
    const uint16_t area = dbe_Use(file.c_str(), "MEINS", DBE_SHARED, DBE_TYPE_FOX);
    dbf::SetLockSupportProbe({});
    ASSERT_NE(area, 0) << dbe_LastError();
    EXPECT_EQ(asked, std::vector<std::string>{file});
    EXPECT_NE(std::string(dbe_LastError()).find("ohne Sperren über das Netz und wird deshalb exklusiv geöffnet"),
              std::string::npos)
        << dbe_LastError();
    ASSERT_TRUE(AppendNamed("EINS", 1)) << dbe_LastError();
    const pid_t other = ::fork();
    ASSERT_GE(other, 0);
    if (other == 0) std::_Exit(dbe_Use(file.c_str(), "ANDERER", DBE_SHARED, DBE_TYPE_FOX) ? 2 : 0);
    EXPECT_EQ(ExitCode(other), 0) << "another process opened the table";
    dbe_CloseAll();
    ExpectAlbumHolds(file, {"EINS"});
}

}  // namespace
