// One lock for the whole engine. The engine is used from one thread, but a
// background thread gives back index locks that shared use holds across
// calls (see CdxFile::ReleaseLease) while the program does not call in;
// every dbe_ function and every index access holds this (recursive) lock,
// so the two never work on the engine at once.
#pragma once

#include <mutex>

namespace dbf {

std::recursive_mutex& EngineMutex();

// Makes a fork wait for the engine lock, so a child process starts with the
// engine at rest: the child gets a free engine lock of its own, forgets the
// index locks held across calls and drops the parent's work areas without
// touching them. (Once per process; the engine calls it on first use.)
void WatchForks();

class EngineLock {
public:
    EngineLock() { EngineMutex().lock(); }
    ~EngineLock() { EngineMutex().unlock(); }
    EngineLock(const EngineLock&) = delete;
    EngineLock& operator=(const EngineLock&) = delete;
};

}  // namespace dbf
