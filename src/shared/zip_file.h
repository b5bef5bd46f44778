#pragma once
// The zip component: TZipFile holds the options of a zip run, hands them to
// the zip library (platform/zip/zip_archive.h, which documents the commands
// and the item list) and relays its progress, message and rename callbacks
// to its events. The program packs album files with command 4 (add, new
// archive) and 3 (update, existing archive).
//
// The options live in a native structure (ZipOptions) built anew for every
// command, where a fixed block of 32-bit fields and pointers served before;
// BuildOptions() shows what a command would get.
//
// Archive names and items are Windows-form paths ("C:\Daten\BILDER.*") or
// Linux paths, mapped through the drive map; several items go on separate
// lines of lpszItemList.

#include <QString>

#include <cstdint>
#include <functional>

#include "platform/ui/component.h"
#include "platform/zip/zip_archive.h"

class TStream;

// One text for the zip library. A capacity given at creation makes the
// buffer fixed; SetText replaces the text and sets the capacity to its
// length + 1. A TLPStr is never assigned as a whole: call SetText on it.
class TLPStr : public TPersistent {
public:
    TLPStr() = default;
    explicit TLPStr(int capacity);
    TLPStr(const TLPStr&) = delete;
    TLPStr& operator=(const TLPStr&) = delete;

    // Empties the text; a growing buffer also drops its capacity.
    virtual void Clear();
    // The text (an empty text when there is none).
    virtual QString CopyTo() const { return text_; }
    // Reads the text from the stream (Windows-1252): up to the capacity, or
    // 32768 bytes without one. A read that fills the whole buffer throws
    // EReadError "Zeile zu lang".
    virtual void LoadFromStream(TStream& stream);
    // Writes the text without a terminating zero (Windows-1252).
    virtual void SaveToStream(TStream& stream) const;
    virtual void SetText(const QString& text);

    const QString& Text() const { return text_; }
    bool IsEmpty() const { return text_.isEmpty(); }
    int Capacity() const { return capacity_; }
    // A fixed buffer keeps its text cut to the new capacity - 1.
    void SetCapacity(int capacity);
    bool Fixed() const { return fixed_; }

private:
    QString text_;
    int capacity_ = 0;
    bool fixed_ = false;
};

// The rename record: the callback may change the stored name.
struct TDZRename {
    QString SourceFile;  // the file on disk (Linux path)
    QString StoredName;  // the name in the archive, "/" separated
};
using PDZRename = TDZRename*;

using TStatusCallback = std::function<void(const QString& szItem, int32_t Percent, bool& DoCancel)>;
using TMessageCallback =
    std::function<void(uint16_t MsgID, uint16_t mbType, int32_t p1, int32_t p2,
                       const QString& lpsz1, const QString& lpsz2, int32_t& RtnResult)>;
using TRenameCallback = std::function<void(PDZRename dzr)>;

class TZipLibrary : public TComponent {
public:
    explicit TZipLibrary(TComponent* AOwner) : TComponent(AOwner) {}

    // Major: the current file and the percentage of the whole run; minor:
    // the current file and its own percentage. DoCancel = true cancels.
    TStatusCallback OnMajorCallback;
    TStatusCallback OnMinorCallback;
    // Failures: MsgID is the result code, p1 libzip's error code, lpsz1 an
    // English text, lpsz2 the file concerned.
    TMessageCallback OnMessageCallback;
    TRenameCallback OnRenameCallback;
};

enum TZipFlag {
    RecurseFlag,
    PathForTempFlag,
    FixFlag,
    FixHarderFlag,
    IncludeVolumeFlag,
    DeleteOriginalFlag,
    GrowExistingFlag,
    NoDirectoryNamesFlag,
    AddCommentFlag,
    AfterDateFlag,
    OldAsLatestFlag,
    IncludeOnlyFollowingFlag,
    ExcludeFollowingFlag,
    NoDirectoryEntriesFlag,
    IncludeSysHiddenFlag,
    bDiagnostic
};
using TZipFlags = TSet<TZipFlag>;

enum TZipFormat {
    DosifyFlag,
    EncryptFlag,
    DontCompressTheseSuffixesFlag,
    ConvertLFtoCRLFFlag,
    QuietFlag
};
using TZipFormats = TSet<TZipFormat>;

enum TMultiVolFlag {
    MV_USEMULTI,
    MV_FORMAT,
    MV_LOWDENSE,
    MV_WIPE,
    MV_SUBDIR,
    MV_SYSHIDE,
    MV_CDFIRST
};
using TMultiVolFlags = TSet<TMultiVolFlag>;

enum TZipSubOption {
    ZSO_RELATIVEPATH,
    ZSO_MINORCANCEL,
    ZSO_EXTERNALPROG,
    ZSO_EXTPROGCANCEL,
    ZSO_IGNORELONGNAMES,
    ZSO_MANGLELONGNAMES
};
using TZipSubOptions = TSet<TZipSubOption>;

class TZipFile : public TZipLibrary {
public:
    explicit TZipFile(TComponent* AOwner);
    ~TZipFile() override;

    int32_t CompFactor = 5;
    TZipFlags Options;
    TZipFormats ZipFormats;
    TMultiVolFlags wMultiVolControl;
    TZipSubOptions wZipSubOptions;

    TLPStr lpszZipFile, lpszItemList, lpszEncryptCode, lpszExtProgTitle, lpszTempPath, lpszComment,
        lpszDate, lpszIncludeFollowing, lpszExcludeFollowing, lpszStoreSuffixes;

    // The library's answer to the last command (0 = success).
    int32_t ReturnCode = 0;
    // Handed to the library unchanged.
    int32_t FurtherValue1 = 0;
    int32_t FurtherValue2 = 0;

    // Runs a command (1 to 9; see zip_archive.h); true exactly when the
    // library answers 0. Commands 0 and above 9 give false at once.
    bool Execute(int32_t Command);

    // The options a command gets (paths not yet mapped) and the two words.
    ZipOptions BuildOptions() const;
    uint16_t MultiVolWord() const;
    uint16_t SubOptionWord() const;

    // The library entry; tests may replace it.
    std::function<int(int command, const ZipOptions& options)> Library = ZipExecute;
};
