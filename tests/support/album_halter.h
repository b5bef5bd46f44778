#pragma once
// Another program that holds an album: the test program itself, started
// again as a process of its own that runs only the test AlbumHalter.Halten
// (disabled, so a normal run skips it). It opens the album through the
// engine, tells the test through a pipe that it holds it, and keeps it until
// the test lets go:
//   Geteilt       open shared, nothing else (idle);
//   Indexsperre   open shared and append a blank record: the index lock is
//                 then held, and the engine lock kept by the holder stops the
//                 background thread from giving it back (as a program in the
//                 middle of a long change keeps it);
//   Exklusiv      open exclusively;
//   Volltext      open shared with the album's full-text index (.IA beside
//                 the table), store the entry kHalterEintragVorher in it
//                 before it tells the test, and kHalterEintragNachher when
//                 the test lets go, before it closes the index;
//   Speichern     open shared and, when the test lets go, save an entry
//                 whose description is kHalterEintragNachher.
// A test program that uses it defines the holder's test with
// LXTEST_ALBUM_HALTER_TEST. Beside it: a clock for the engine's lock waits that
// runs out a wait at once, and the bytes of a file.

#include "platform/dbf/dbe.h"
#include "platform/dbf/engine_lock.h"
#include "platform/dbf/lock_wait.h"
#include "platform/fts/fts.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace lxtest {

enum class THalteArt : char { Geteilt = 'g', Indexsperre = 'i', Exklusiv = 'x', Volltext = 'v',
                              Speichern = 's' };

// The full-text entries the holder stores in Volltext.
inline constexpr const char* kHalterEintragVorher = "Fremdeintrag vorher";
inline constexpr const char* kHalterEintragNachher = "Fremdeintrag nachher";

inline constexpr const char* kHalterAuftrag = "LXTEST_ALBUM_HALTER";
// The holder reads the test's word on fd 3 and answers on fd 4.
inline constexpr int kHalterLiest = 3;
inline constexpr int kHalterSchreibt = 4;

// The holder's side; runs in the started process only.
inline void AlbumHalten()
{
    const char* auftrag = std::getenv(kHalterAuftrag);
    if (!auftrag)
        GTEST_SKIP() << "only run as the holder of another test";
    const auto art = static_cast<THalteArt>(auftrag[0]);
    const char* datei = auftrag + 2;
    std::optional<dbf::EngineLock> engineLock;
    if (art == THalteArt::Indexsperre)
        engineLock.emplace();
    ASSERT_NE(dbe_Use(datei, "HALTER", art == THalteArt::Exklusiv ? DBE_EXCLUSIVE : DBE_SHARED, DBE_TYPE_FOX), 0)
        << dbe_LastError();
    if (art == THalteArt::Indexsperre) {
        ASSERT_EQ(dbe_AppendBlank(), 1) << dbe_LastError();
    }
    int volltext = 0;
    if (art == THalteArt::Volltext) {
        const std::string pfad(datei);
        volltext = FtsOpen((pfad.substr(0, pfad.rfind('.')) + ".IA").c_str(), 20, 0);
        ASSERT_GT(volltext, 0);
        ASSERT_GT(FtsAdd(volltext, kHalterEintragVorher), 0);
    }
    char wort = 'h';
    ASSERT_EQ(::write(kHalterSchreibt, &wort, 1), 1);
    // Until the test lets go (or ends: the pipe closes).
    (void)!::read(kHalterLiest, &wort, 1);
    if (volltext > 0) {
        EXPECT_GT(FtsAdd(volltext, kHalterEintragNachher), 0);
        EXPECT_EQ(FtsClose(volltext), 0);
    }
    if (art == THalteArt::Speichern) {
        EXPECT_EQ(dbe_AppendBlank(), 1) << dbe_LastError();
        EXPECT_EQ(dbe_Replace("SHORTDESC", DBE_REPL_TEXT, kHalterEintragNachher), 1) << dbe_LastError();
    }
    EXPECT_EQ(dbe_Commit(), 1) << dbe_LastError();
    engineLock.reset();
    dbe_CloseAll();
}

#define LXTEST_ALBUM_HALTER_TEST() \
    TEST(AlbumHalter, DISABLED_Halten) { lxtest::AlbumHalten(); }

// Lock waits measured by the test's own clock: each pause moves it on by a
// whole second, so the engine's wait for an index lock that the holder keeps
// runs out at once, however loaded the machine is.
class TSchnelleWartezeit {
public:
    TSchnelleWartezeit()
    {
        dbf::SetLockWaitClock({[this] { return jetzt_; }, [this](std::chrono::microseconds) {
                                   jetzt_ += std::chrono::seconds(1);
                               }});
    }
    ~TSchnelleWartezeit() { dbf::SetLockWaitClock({}); }
    TSchnelleWartezeit(const TSchnelleWartezeit&) = delete;
    TSchnelleWartezeit& operator=(const TSchnelleWartezeit&) = delete;

private:
    dbf::LockWaitTime jetzt_{};
};

// The bytes of a file (empty when it is missing).
inline std::string DateiInhalt(const std::filesystem::path& datei)
{
    std::ifstream in(datei, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The test's side: starts the holder on the album (a Linux path) and waits
// until it holds it; lets go at Loslassen or at its end.
class TAlbumHalter {
public:
    TAlbumHalter(const std::string& datei, THalteArt art)
    {
        int zumHalter[2], zumTest[2];
        if (::pipe2(zumHalter, O_CLOEXEC) != 0 || ::pipe2(zumTest, O_CLOEXEC) != 0) {
            ADD_FAILURE() << "pipe";
            return;
        }
        std::vector<std::string> umgebung;
        for (char** e = environ; *e; ++e)
            umgebung.emplace_back(*e);
        umgebung.push_back(std::string(kHalterAuftrag) + "=" + static_cast<char>(art) + ":" + datei);
        std::vector<char*> envp;
        for (std::string& e : umgebung)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        std::string programm = "album-halter", filter = "--gtest_filter=AlbumHalter.DISABLED_Halten",
                    auchAus = "--gtest_also_run_disabled_tests";
        char* argv[] = {programm.data(), filter.data(), auchAus.data(), nullptr};

        posix_spawn_file_actions_t aktionen;
        posix_spawn_file_actions_init(&aktionen);
        posix_spawn_file_actions_adddup2(&aktionen, zumHalter[0], kHalterLiest);
        posix_spawn_file_actions_adddup2(&aktionen, zumTest[1], kHalterSchreibt);
        posix_spawn_file_actions_addopen(&aktionen, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        // The album path is absolute; the test's working folder may be a
        // temporary one that is gone already.
        posix_spawn_file_actions_addchdir_np(&aktionen, "/");
        const int fehler = ::posix_spawn(&pid_, "/proc/self/exe", &aktionen, nullptr, argv, envp.data());
        posix_spawn_file_actions_destroy(&aktionen);
        ::close(zumHalter[0]);
        ::close(zumTest[1]);
        schreiben_ = zumHalter[1];
        lesen_ = zumTest[0];
        if (fehler != 0) {
            pid_ = -1;
            ADD_FAILURE() << "posix_spawn: " << fehler;
            return;
        }
        char wort = 0;
        haelt_ = ::read(lesen_, &wort, 1) == 1 && wort == 'h';
    }
    ~TAlbumHalter() { Loslassen(); }
    TAlbumHalter(const TAlbumHalter&) = delete;
    TAlbumHalter& operator=(const TAlbumHalter&) = delete;

    // True once the holder has the album.
    bool Haelt() const { return haelt_; }

    // Stops the holder as Ctrl+Z or a debugger stops a program: it keeps
    // what it holds and answers nothing until Loslassen lets it go on.
    bool Anhalten()
    {
        angehalten_ = pid_ > 0 && ::kill(pid_, SIGSTOP) == 0;
        return angehalten_;
    }

    // Lets the holder go and waits for its end: 0 when all its calls
    // succeeded.
    int Loslassen()
    {
        if (pid_ <= 0)
            return ende_;
        if (angehalten_)
            ::kill(pid_, SIGCONT);
        const char wort = 'g';
        (void)!::write(schreiben_, &wort, 1);
        ::close(schreiben_);
        ::close(lesen_);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        ende_ = WIFEXITED(status) ? WEXITSTATUS(status) : 100 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
        return ende_;
    }

private:
    pid_t pid_ = -1;
    int schreiben_ = -1;
    int lesen_ = -1;
    bool haelt_ = false;
    bool angehalten_ = false;
    int ende_ = -1;
};

}  // namespace lxtest
