#pragma once
// A handler that waits while it lets events through - a sound played to its
// end, a program run and waited for, a progress message, a poll for Esc, a
// dialog's own loop - does so inside a TEventWait (LetEventsThrough makes
// one for each pass). The waits running in a thread are counted, so the
// application can tell that the events it handles now run on top of a
// waiting handler: work that may only run from the main loop (the end of
// the program) holds off until the wait has returned.

class TEventWait {
public:
    TEventWait();
    ~TEventWait();
    TEventWait(const TEventWait&) = delete;
    TEventWait& operator=(const TEventWait&) = delete;

    // The waits running in the calling thread.
    static int Running();
};

// Lets pending events run inside a TEventWait: those waiting now, or for up
// to maxMs when it is above 0. Without an application object it does
// nothing.
void LetEventsThrough(int maxMs = 0);
