// The index files of this process that hold their lock across accesses
// (see CdxFile, shared use), and the background thread that gives such a
// lock back while the program does not call into the engine: when another
// process waits for it, or when it has not been used for a short while.
// Everything here runs under the engine lock (engine_lock.h).
#pragma once

namespace dbfcdx {

class CdxFile;

struct LeaseRegistry {
    static void Held(CdxFile& file);
    static void Released(CdxFile& file);
    // Index accesses running in this process (nested ones counted once per
    // file): a held lock is handed over only when none runs.
    static int ActiveAccesses();
    static void AccessBegins();
    static void AccessEnds();
    // Gives back every held lock no access uses.
    static void ReleaseIdle();

private:
    static void Watch();
    // Gives back the held locks no access uses and `wanted` picks.
    template <typename Wanted>
    static void ReleaseUnused(Wanted&& wanted);
    static void ForgetAfterFork();
};

}  // namespace dbfcdx
