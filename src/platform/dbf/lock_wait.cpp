#include "platform/dbf/lock_wait.h"

#include "platform/dbf/dbe_internal.h"
#include "platform/dbf/engine_lock.h"

#include <deque>
#include <mutex>
#include <thread>
#include <utility>

namespace dbf {

namespace {

struct WaitSettings {
    LockWaitClock clock;
    LockWaitObserver observer;
    std::chrono::milliseconds indexLimit{30000};
};

WaitSettings& W()
{
    static auto* settings = new WaitSettings;  // never destroyed: closes at exit may wait
    return *settings;
}

std::string FileName(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string MakeBusyMessage(const std::string& tablePath, const std::string& indexPath, bool stopped)
{
    const std::string table = FileName(tablePath), index = FileName(indexPath);
    if (stopped)
        return "Das Warten auf das Album " + table + " wurde abgebrochen: die Indexdatei " + index +
               " ist von einem anderen Programm gesperrt. Es wurde nichts geändert.";
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(IndexLockWait()).count();
    return "Das Album " + table + " wird gerade von einem anderen Programm benutzt: die Indexdatei " + index +
           " blieb " + std::to_string(seconds) +
           " Sekunden lang gesperrt. Es wurde nichts geändert; bitte später noch einmal versuchen.";
}

}  // namespace

void SetLockWaitClock(LockWaitClock clock)
{
    const EngineLock lock;
    W().clock = std::move(clock);
}

LockWaitTime LockWaitNow()
{
    const auto& now = W().clock.now;
    return now ? now() : std::chrono::steady_clock::now();
}

void LockWaitPause(std::chrono::microseconds step)
{
    const auto& pause = W().clock.pause;
    if (pause)
        pause(step);
    else
        std::this_thread::sleep_for(step);
}

void SetLockWaitObserver(LockWaitObserver observer)
{
    const EngineLock lock;
    W().observer = std::move(observer);
}

bool TellLockWait(const LockWaitState& state)
{
    const LockWaitObserver& observer = W().observer;
    if (!observer)
        return true;
    // The observer lets events through: a call that comes back into the
    // engine meanwhile must not change tables in the middle of this access.
    ++engine::E().busy;
    struct Done {
        ~Done() { --engine::E().busy; }
    } done;
    return observer(state);
}

void SetIndexLockWait(std::chrono::milliseconds limit)
{
    const EngineLock lock;
    W().indexLimit = limit;
}

std::chrono::milliseconds IndexLockWait() { return W().indexLimit; }

namespace {

struct BusyNotes {
    std::mutex mutex;
    // The messages made last, newest at the back.
    std::deque<std::pair<std::string, BusyKind>> notes;
};

BusyNotes& Notes()
{
    static auto* notes = new BusyNotes;  // never destroyed, as W()
    return *notes;
}

}  // namespace

std::string NoteBusy(std::string message, BusyKind kind)
{
    BusyNotes& b = Notes();
    const std::lock_guard<std::mutex> lock(b.mutex);
    for (auto it = b.notes.begin(); it != b.notes.end(); ++it)
        if (it->first == message) {
            b.notes.erase(it);
            break;
        }
    b.notes.emplace_back(message, kind);
    if (b.notes.size() > 32) b.notes.pop_front();
    return message;
}

BusyKind BusyKindOf(const std::string& reason)
{
    if (reason.empty()) return BusyKind::None;
    BusyNotes& b = Notes();
    const std::lock_guard<std::mutex> lock(b.mutex);
    for (auto it = b.notes.rbegin(); it != b.notes.rend(); ++it)
        if (reason.find(it->first) != std::string::npos) return it->second;
    return BusyKind::None;
}

std::string BusyMessage(const std::string& tablePath, const std::string& indexPath, bool stopped)
{
    return NoteBusy(MakeBusyMessage(tablePath, indexPath, stopped));
}


}  // namespace dbf
