#pragma once
// The zip library of the program: one entry point, ZipExecute, runs one
// command on one archive with the options of a ZipOptions structure. The
// archives are standard zip files (deflate or stored, traditional PKWARE
// encryption when asked), readable by any unzip; names are stored in UTF-8
// with the UTF-8 flag of the format set, so German file names survive.
//
// Commands
//   1 freshen  replace entries whose file is newer than the entry; adds nothing
//   2 delete   remove the entries whose names match the items
//   3 update   add files that are not in the archive, replace entries whose
//              file is newer (times compared with the format's 2 s precision)
//   4 add      add every file, replacing entries of the same name; creates
//              the archive when it does not exist (3 and 5 do too)
//   5 move     as 4, then delete the packed files
//   6 test     read every entry back and check its CRC
// Other command numbers answer kZipErrCommand.
//
// Item list: one item per line ("\n" or "\r\n"); blanks and surrounding
// double quotes of an item are removed, so a single path with blanks needs
// no quoting. An item is a file, a folder (all its files) or a mask with "*"
// and "?" in its last component, matched without regard to case
// ("BILDER.*" finds "Bilder.dbf"). A named file or folder that does not exist
// is an error; a mask that matches nothing is not. Masks skip hidden files
// (names starting with ".") unless includeSysHidden is set. The archive
// itself is never packed into itself. For delete, the items are matched
// against the entry names (the whole name, or its last component).
//
// Stored names: the path without its leading "/" ("home/anna/Daten/a.dbf");
// with relativePath (sub-option 1) the path below the item's folder; with
// noDirectoryNames the file name alone. The rename callback may change the
// name before the entry is written.
//
// Options honoured: compFactor (0 stores, 1..9 deflate level), recurse,
// deleteOriginal, noDirectoryNames, noDirectoryEntries (folders of a
// recursive run get directory entries otherwise), addComment + comment,
// afterDate + date ("MMDDYYYY" or "MMDDYY": files changed on or after that
// day), oldAsLatest (the archive file gets the time of its newest entry),
// includeOnlyFollowing + includeMasks / excludeFollowing + excludeMasks (masks
// for file names, separated by blanks or ";"), includeSysHidden,
// dontCompressSuffixes + storeSuffixes (files with these suffixes, like ".jpg",
// separated by ":" or ";" or blanks, are stored), encrypt + encryptCode.
// Accepted but without effect here: dosify, quiet, diagnostic,
// pathForTemp/tempPath (libzip writes its temporary file beside the
// archive), fix/fixHarder, includeVolume, growExisting (archives always
// grow), convertLfToCrlf, extProgTitle and the sub-options other than
// relativePath. Multi-volume archives (kMvUseMulti) are not supported and
// answer kZipErrArgument.
//
// Callbacks: major gets the current file and the percentage of the whole
// run, minor the current file and the percentage of that file; either may
// answer true to cancel. A cancelled or failed run leaves the archive as it
// was (a new archive is not created): libzip writes a temporary file and
// renames it only when everything is written. On failure the message
// callback (when set) gets the result code as message id, libzip's error
// code as p1, an English error text and the file concerned.

#include <cstdint>
#include <functional>
#include <string>

constexpr int kZipFreshen = 1;
constexpr int kZipDelete = 2;
constexpr int kZipUpdate = 3;
constexpr int kZipAdd = 4;
constexpr int kZipMove = 5;
constexpr int kZipTest = 6;

constexpr int kZipOk = 0;
constexpr int kZipErrCommand = 1;    // unknown command
constexpr int kZipErrArgument = 2;   // no archive name, bad date, multi-volume asked
constexpr int kZipErrArchive = 3;    // the archive cannot be opened or is no zip archive
constexpr int kZipErrSource = 4;     // a file to pack is missing or cannot be read
constexpr int kZipErrWrite = 5;      // the archive cannot be written
constexpr int kZipErrCancelled = 6;  // cancelled through a callback; archive unchanged
constexpr int kZipErrDamaged = 7;    // test: an entry cannot be read back or fails its CRC

// Multi-volume word and sub-option word.
constexpr uint16_t kMvUseMulti = 0x8000, kMvFormat = 0x0001, kMvLowDense = 0x0002, kMvWipe = 0x0100,
                   kMvSubdir = 0x0200, kMvSysHide = 0x0400, kMvCdFirst = 0x1000;
constexpr uint16_t kZsoRelativePath = 1, kZsoMinorCancel = 2, kZsoExternalProg = 4,
                   kZsoExtProgCancel = 8, kZsoIgnoreLongNames = 16, kZsoMangleLongNames = 32;

// The name an entry will get; the rename callback may change storedName.
struct ZipRename {
    std::string sourceFile;  // the file on disk
    std::string storedName;  // UTF-8, "/" separated
};

struct ZipOptions {
    std::string zipFile;   // Linux path of the archive
    std::string itemList;  // see "Item list" above
    int compFactor = 5;

    bool recurse = false, pathForTemp = false, fix = false, fixHarder = false,
         includeVolume = false, deleteOriginal = false, growExisting = false,
         noDirectoryNames = false, addComment = false, afterDate = false, oldAsLatest = false,
         includeOnlyFollowing = false, excludeFollowing = false, noDirectoryEntries = false,
         includeSysHidden = false, diagnostic = false;
    bool dosify = false, encrypt = false, dontCompressSuffixes = false, convertLfToCrlf = false,
         quiet = false;

    std::string encryptCode, extProgTitle, tempPath, comment, date, includeMasks, excludeMasks,
        storeSuffixes;

    uint16_t multiVolume = 0;
    uint16_t subOptions = 0;
    int32_t further1 = 0, further2 = 0;

    std::function<bool(const std::string& item, int percent)> major, minor;
    std::function<int(int msgId, int mbType, int p1, int p2, const std::string& text1,
                      const std::string& text2)>
        message;
    std::function<void(ZipRename&)> rename;
};

// Runs one command; kZipOk on success, else one of the codes above.
int ZipExecute(int command, const ZipOptions& options);
