// How the engine waits for a lock that another process holds. Every such
// wait (the index lock, the append lock, record locks) tries again in short
// steps until a limit; the clock that measures it and the pause between the
// tries can be replaced (tests pass many seconds at once), and an observer
// (the program: a busy cursor, the event loop, Esc) is told about each step
// of the index lock's wait and may stop it.
#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace dbf {

using LockWaitTime = std::chrono::steady_clock::time_point;

struct LockWaitClock {
    std::function<LockWaitTime()> now;                    // empty: the steady clock
    std::function<void(std::chrono::microseconds)> pause;  // empty: sleeps
};
void SetLockWaitClock(LockWaitClock clock);
LockWaitTime LockWaitNow();
void LockWaitPause(std::chrono::microseconds step);

// Told on the waiting thread about a wait for the index lock of `file`:
// after every step (`over` false; the answer false stops the wait, the user
// gave up), and once when a wait it was told of ends, however it ends
// (`over` true; the answer does not count). It runs with the engine busy:
// calls that would change tables are refused meanwhile.
struct LockWaitState {
    std::string file;
    std::chrono::milliseconds waited{0};
    bool over = false;
};
using LockWaitObserver = std::function<bool(const LockWaitState& state)>;
void SetLockWaitObserver(LockWaitObserver observer);
// False when the observer stopped the wait.
bool TellLockWait(const LockWaitState& state);

// How long an access waits for the index lock before it gives up and the
// table counts as busy (30 s unless set).
void SetIndexLockWait(std::chrono::milliseconds limit);
std::chrono::milliseconds IndexLockWait();

// The German message for a table whose index lock another process kept
// (`stopped`: the user stopped the wait). Noted as busy (see NoteBusy).
std::string BusyMessage(const std::string& tablePath, const std::string& indexPath, bool stopped);

// Busy is told apart from every other failure by its kind, never by the
// words of a reason (a path may hold any words): each busy message the
// engine makes is noted here as it is made, and a call that fails with a
// reason holding a noted message reports its kind (dbe_LastErrorCode).
enum class BusyKind {
    None,
    OtherProgram,  // another process holds the table, its index or a record
    OpenHere,      // open in this process, so it cannot be had exclusively
};
// Notes `message` as busy of `kind` and gives it back.
std::string NoteBusy(std::string message, BusyKind kind = BusyKind::OtherProgram);
// The kind of busy a failure's reason reports (None: not busy).
BusyKind BusyKindOf(const std::string& reason);

}  // namespace dbf
