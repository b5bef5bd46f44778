#pragma once
// File, folder and volume routines of the utility unit. Every path is a
// Windows-form path ("C:\Bilder\a.jpg"), reached through the drive map; a
// missing drive or an unreadable file gives the documented empty result,
// never an exception.

#include <QString>
#include <cstdint>

#include "platform/core/sys_utils.h"

// The file's modification time; -1 when it does not exist.
TDateTime qktFileDateTime(const QString& fileName);

// True when every bit of the attribute mask (faReadOnly, ...) is set.
bool qktFileHasAttr(const QString& fileName, int attrMask);

// Without "*" and "?": the size of that file or folder entry, -1 when not
// found. With wild cards: the sum of the sizes of all matching files (no
// folders), -1 when none matches. Sizes are 64-bit (picture files and
// videos may pass 2 GB).
int64_t qktFileSize(const QString& fileNameOrMask);

// Moves a file, across drives too. A plain rename first; otherwise (unless
// the source is read-only) the destination's folder is made, the file copied
// and the copy compared with the source byte for byte; only then is the
// source deleted. A destination that already holds the same bytes counts as
// a finished copy. True when the file is at the destination and the source
// is gone.
bool qktMoveFileSafe(const QString& source, const QString& destination);

// Decimal text of b0 + b1 - b2 of the three bytes from the middle of the file
// on (bytes past the end count 0); empty for a missing or unreadable file.
void qktFileFingerprint(const QString& fileName, QString& text);

// One string from an ini file; the default when the file cannot be read.
QString qktIniReadString(const QString& iniFileName, const QString& section, const QString& key,
                         const QString& def);

// Waits the given milliseconds, letting window messages through.
void qktDelayMs(int milliseconds);

// Deletes the folder and everything below it (links are removed, never
// followed). Refuses drive roots and very short paths with a message. False
// when anything, in any subfolder, could not be deleted.
bool qktKillPath(const QString& folder);

// Counts the files matching the ";"-separated mask list (upper-cased), with
// the subfolders when recursive; when minimum or maximum is not 0 a file also
// needs minimum <= size div 1000 <= maximum.
int qktCountFiles(const QString& folder, const QString& maskList, bool recursive, int minimum,
                  int maximum);

// The user's desktop folder with a trailing "\", empty when unknown.
void GetSpecialFolderPath(QString& path);

// Volume identity of a drive (first character of the text is the letter).
// Empty for an empty text, an unknown drive or a drive without medium.
// Serial as signed 32-bit decimal text; "0" gives the upper-case label.
QString qktGetVolumeSerialOrLabel(const QString& drive);
// The medium id the album stores: the serial as signed decimal text for every
// local drive (also "0"), the upper-case label for a network drive.
QString qktGetVolumeId(const QString& drive);
// The upper-case label; an empty label gives qktGetVolumeSerialOrLabel.
QString qktGetVolumeLabel(const QString& drive);
