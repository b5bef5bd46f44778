#pragma once
// The system's warning sound for refused input. Tests read how often it
// sounded instead of listening.

// Sounds the default beep (the kind is kept for the callers' sake).
void MessageBeep(unsigned kind = 0);
// How many beeps sounded since the program started.
int MessageBeepCount();
