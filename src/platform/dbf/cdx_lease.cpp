#include "platform/dbf/cdx_lease.h"

#include "platform/dbf/cdx_file.h"
#include "platform/dbf/dbe_internal.h"
#include "platform/dbf/engine_lock.h"
#include "platform/dbf/file_io.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <new>
#include <pthread.h>
#include <thread>
#include <vector>

namespace dbf {

namespace {
// Never destroyed: the background thread may still wait on it while the
// program ends. A child process after fork makes it anew in place (the
// parent's is locked for the fork, by a thread id the child does not have).
std::recursive_mutex* engineMutex = new std::recursive_mutex;
}  // namespace

std::recursive_mutex& EngineMutex() { return *engineMutex; }

void WatchForks()
{
    static const bool watched = [] {
        ::pthread_atfork([] { EngineMutex().lock(); }, [] { EngineMutex().unlock(); },
                         [] {
                             new (engineMutex) std::recursive_mutex;
                             dbfcdx::LeaseRegistry::ForgetAfterFork();
                             engine::ForgetInheritedAreas();
                         });
        return true;
    }();
    (void)watched;
}

}  // namespace dbf

namespace dbfcdx {

namespace {

// How often the background thread looks at held locks.
constexpr auto kWatchStep = std::chrono::milliseconds(1);
// A held lock no access used for this long is given back: other processes
// see the changes without having to ask.
constexpr auto kIdleRelease = std::chrono::milliseconds(50);

struct State {
    std::vector<CdxFile*> held;  // under the engine lock
    int activeAccesses = 0;      // under the engine lock
    std::atomic<bool> anyHeld{false};
    // When the last access of a held file ended (steady clock, in its own
    // ticks): the watch thread leaves the engine alone while the program
    // keeps calling in, so it never makes the program wait for the lock.
    std::atomic<std::int64_t> lastUse{0};
    bool watching = false;  // the thread runs (under the engine lock)
    bool started = false;   // the thread is past its start (under sleepMutex)
    // The thread sleeps on these while nothing is held. (A child process
    // after fork makes them anew in place: the parent's may be locked.)
    std::mutex* sleepMutex = new std::mutex;
    std::condition_variable* wake = new std::condition_variable;
};

State& S()
{
    static auto* state = new State;  // never destroyed, as the engine lock
    return *state;
}

}  // namespace

void LeaseRegistry::Held(CdxFile& file)
{
    State& s = S();
    s.held.push_back(&file);
    if (!s.watching) {
        dbf::WatchForks();
        s.watching = true;
        std::thread(&LeaseRegistry::Watch).detach();
        // Until the new thread runs, it may hold the allocator's locks; a
        // fork right after (which waits only for the engine lock) would give
        // the child locks nobody gives back.
        std::unique_lock<std::mutex> lock(*s.sleepMutex);
        s.wake->wait(lock, [&] { return s.started; });
    }
    {
        std::lock_guard<std::mutex> lock(*s.sleepMutex);
        s.anyHeld = true;
    }
    s.wake->notify_one();
}

void LeaseRegistry::Released(CdxFile& file)
{
    State& s = S();
    s.held.erase(std::remove(s.held.begin(), s.held.end(), &file), s.held.end());
    if (s.held.empty())
        s.anyHeld = false;
}

int LeaseRegistry::ActiveAccesses() { return S().activeAccesses; }
void LeaseRegistry::NoteUse(std::chrono::steady_clock::time_point now)
{
    S().lastUse.store(now.time_since_epoch().count(), std::memory_order_relaxed);
}
void LeaseRegistry::AccessBegins() { ++S().activeAccesses; }
void LeaseRegistry::AccessEnds() { --S().activeAccesses; }

void LeaseRegistry::ReleaseIdle()
{
    const dbf::EngineLock lock;
    ReleaseUnused([](CdxFile&) { return true; });
}

template <typename Wanted>
void LeaseRegistry::ReleaseUnused(Wanted&& wanted)
{
    const std::vector<CdxFile*> held = S().held;  // each release changes the list
    for (CdxFile* file : held) {
        if (file->accessDepth_ > 0 || !file->held_ || !wanted(*file))
            continue;
        try {
            file->ReleaseLease();
        } catch (const CdxError&) {
            // The file is broken now; its next use reports it.
        }
    }
}

void LeaseRegistry::Watch()
{
    State& s = S();
    {
        std::lock_guard<std::mutex> lock(*s.sleepMutex);
        s.started = true;
    }
    s.wake->notify_all();
    for (;;) {
        // Nothing that goes wrong in one round may end the thread: the
        // locks it gives back would then stay with this process.
        try {
            {
                std::unique_lock<std::mutex> lock(*s.sleepMutex);
                s.wake->wait(lock, [&] { return s.anyHeld.load(); });
            }
            std::this_thread::sleep_for(kWatchStep);
            // While the program keeps calling in, its own accesses hand a
            // held lock over (BeginAccess); the thread looks only once it
            // paused, and never waits for the engine lock (the program
            // would then wait for the thread).
            auto now = std::chrono::steady_clock::now();
            const std::chrono::steady_clock::duration sinceUse(
                now.time_since_epoch().count() - s.lastUse.load(std::memory_order_relaxed));
            if (sinceUse < kWatchStep)
                continue;
            // The engine lock is free only between the program's calls: no
            // access runs then.
            std::unique_lock<std::recursive_mutex> lock(dbf::EngineMutex(), std::try_to_lock);
            if (!lock.owns_lock())
                continue;
            now = std::chrono::steady_clock::now();
            // A lock in use goes to a waiting process after the holder's
            // turn (as the holder itself hands it over), an unused one at once.
            ReleaseUnused([&](CdxFile& file) {
                if (now - file.lastUse_ >= kIdleRelease)
                    return true;
                // (Unused for a step: any waiter's turn has come.)
                const auto turn = now - file.lastUse_ >= kWatchStep ? std::chrono::steady_clock::duration(kWriterTurn)
                                                                    : now - file.heldSince_;
                return turn >= kMinTurn && file.WaiterPresent(turn);
            });
        } catch (...) {
            std::this_thread::sleep_for(kIdleRelease);
        }
    }
}

void LeaseRegistry::ForgetAfterFork()
{
    // The child has only the thread that forked; the parent keeps its
    // locks and writes what they kept.
    State& s = S();
    for (CdxFile* file : s.held)
        file->ForgetLeaseAfterFork();
    s.held.clear();
    s.anyHeld = false;
    s.watching = false;
    s.started = false;
    new (s.sleepMutex) std::mutex;
    new (s.wake) std::condition_variable;
}

void CdxFile::ReleaseIdleLeases() { LeaseRegistry::ReleaseIdle(); }

}  // namespace dbfcdx

void dbf::ReleaseHeldIndexLocks() { dbfcdx::LeaseRegistry::ReleaseIdle(); }
