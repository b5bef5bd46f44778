#pragma once
// Playing sound files, after the system's simple sound call: a file played
// asynchronously, synchronously or in a loop, the default sound for a file
// that is missing, and an empty name that stops the sound now playing.
//
// Sounds play through a small player process, one at a time: paplay when a
// PulseAudio or PipeWire server listens (the usual desktop), else aplay when
// the machine has an ALSA playback device. Without either a play call
// answers false at once and never waits. File names are Windows-form paths
// (or Linux paths) of any length.

#include <QString>
#include <QStringList>

// The system's sound flags.
constexpr unsigned SND_SYNC = 0x0000;       // return when the sound has ended
constexpr unsigned SND_ASYNC = 0x0001;      // return at once
constexpr unsigned SND_NODEFAULT = 0x0002;  // a missing file plays nothing (else the default sound)
constexpr unsigned SND_LOOP = 0x0008;       // repeat until the next call (always asynchronous)
constexpr unsigned SND_NOSTOP = 0x0010;     // refuse when a sound is playing

// Plays the file with the flags; an empty name stops the sound that plays
// (and answers true). Starting a sound ends the one before, unless
// SND_NOSTOP refuses. True when the sound started (asynchronous) or played
// to its end (synchronous); false without a sound device, for a missing
// file with SND_NODEFAULT or without a default sound, or when the player
// fails. A synchronous call lets pending events through while it waits,
// as a wait (event_wait.h).
bool PlaySound(const QString& fileName, unsigned flags);

// True while a sound plays.
bool SoundPlaying();

// The player command line the next sound uses, without the file name;
// empty when the machine has no sound device.
QStringList SoundPlayerCommand();

// Fixes the player command (the file name is appended to it), for tests;
// an empty list returns to the automatic choice.
void SetSoundPlayerCommand(const QStringList& command);

// The desktop's default sound file for the player in use, empty when none
// is installed.
QString DefaultSoundFile();
