// The index files of this process that hold their lock across accesses
// (see CdxFile, shared use), and the background thread that gives such a
// lock back while the program does not call into the engine: when another
// process waits for it, or when it has not been used for a short while.
// Everything here runs under the engine lock (engine_lock.h).
#pragma once

#include "platform/dbf/cdx_page.h"

#include <chrono>
#include <string>

namespace dbfcdx {

class CdxFile;

// How long a held lock stays held while another process waits, when the
// holder keeps using it: a turn long enough to batch a run of changes. A
// process that only wants to read waits a short turn; one that wants to
// change the file gets it after a longer one: each hand-over between two
// writers costs both (the pages one changed, the other reads again), and
// the shorter the turns, the more of them.
constexpr auto kMinTurn = std::chrono::milliseconds(10);
constexpr auto kWriterTurn = std::chrono::milliseconds(50);

// Raised when another process keeps an index file's lock for the whole wait,
// or the user stopped the wait: the file is sound, only busy, and nothing
// was changed. Callers report the table as busy; a CdxBusy never makes a
// file count as damaged.
class CdxBusy : public CdxError {
public:
    CdxBusy(const std::string& path, bool stopped)
        : CdxError(stopped ? "Das Warten auf die Indexdatei " + path + " wurde abgebrochen"
                           : "Die Indexdatei " + path + " ist von einem anderen Programm gesperrt"),
          path_(path), stopped_(stopped)
    {
    }
    const std::string& Path() const { return path_; }
    bool Stopped() const { return stopped_; }

private:
    std::string path_;
    bool stopped_;
};

struct LeaseRegistry {
    static void Held(CdxFile& file);
    static void Released(CdxFile& file);
    // Index accesses running in this process (nested ones counted once per
    // file): a held lock is handed over only when none runs.
    static int ActiveAccesses();
    static void AccessBegins();
    static void AccessEnds();
    // A held file's access ended at `now` (seen by the background thread
    // without the engine lock).
    static void NoteUse(std::chrono::steady_clock::time_point now);
    // Gives back every held lock no access uses.
    static void ReleaseIdle();
    // In a child process after fork: the parent keeps its locks and writes
    // what they kept; the child forgets them and has no watch thread.
    static void ForgetAfterFork();

private:
    static void Watch();
    // Gives back the held locks no access uses and `wanted` picks.
    template <typename Wanted>
    static void ReleaseUnused(Wanted&& wanted);
};

}  // namespace dbfcdx
