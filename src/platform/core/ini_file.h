#pragma once
// The Windows-compatible ini file (Lumadex.INI, PicHTML.INI, ...).
//
// Text is Windows-1252 with CR LF line ends (a file an editor saved as UTF-8
// with byte order mark is read as UTF-8 and written back as Windows-1252).
// Sections and keys are matched ignoring case, the first match wins; values are trimmed and taken as they
// stand (no quotes, no escapes: "\" and ";" stay). Lines the reader does not
// understand are kept as they were and skipped. A missing file reads as empty
// and is created on the first write. A file that exists but cannot be read
// (no permission, I/O error, no descriptors left) reads as empty too, but is
// never replaced: every write throws EIniFileException until it can be read
// again (it is tried again before each write). Sections and keys keep their order, new
// keys go to the end of their section, new sections to the end of the file.
// Every write replaces the file atomically (temporary file, fsync, rename).
//
// TMemIniFile holds the file in memory; writes stay there until UpdateFile().
// TIniFile writes through at once, and re-reads the file when it changed on
// disk, so two objects on one file see each other's writes.
//
// File names are Windows-form paths (or Linux paths starting with "/"); a bare
// name without folder means the Windows folder, as the system's ini calls do.

#include "platform/core/string_list.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>

class TMemIniFile {
public:
    explicit TMemIniFile(const QString& fileName);
    virtual ~TMemIniFile() = default;

    QString FileName() const { return fileName_; }

    QString ReadString(const QString& section, const QString& ident, const QString& def) const;
    // Decimal or hex ("$1F", "0x1F"); def when missing or not a number.
    int ReadInteger(const QString& section, const QString& ident, int def) const;
    // Integer value != 0; def when missing or not a number.
    bool ReadBool(const QString& section, const QString& ident, bool def) const;
    // With the program's decimal separator; a "." is accepted too.
    double ReadFloat(const QString& section, const QString& ident, double def) const;
    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& ident) const;
    // Key names of a section / all section names / "key=value" lines of a section.
    void ReadSection(const QString& section, TStringList& keys) const;
    void ReadSections(TStringList& sections) const;
    void ReadSectionValues(const QString& section, TStringList& values) const;

    // Throw EEncodingError for text Windows-1252 cannot hold and
    // EIniFileException for a section or key that would break the file
    // (empty, holding "]" / "=" / line breaks, or surrounding blanks: such
    // names are refused, not trimmed) or a value with a line break, and for a
    // file that exists but cannot be read. The file is left as it was.
    void WriteString(const QString& section, const QString& ident, const QString& value);
    void WriteInteger(const QString& section, const QString& ident, int value);
    void WriteBool(const QString& section, const QString& ident, bool value);  // "1" / "0"
    void WriteFloat(const QString& section, const QString& ident, double value);
    void EraseSection(const QString& section);
    void DeleteKey(const QString& section, const QString& ident);

    // Writes the file (atomically) when it was changed; throws
    // EIniFileException when it cannot be written.
    void UpdateFile();
    // Re-reads the file from disk, dropping unsaved changes.
    void Reload();

    // The file's bytes as they would be written.
    QByteArray Serialize() const;

protected:
    // TIniFile re-reads a changed file before every access and writes after
    // every change.
    virtual void BeforeAccess() const {}
    virtual void AfterChange() {}

    struct Line {
        QString text;     // the line as read or written (no line end)
        int kind = 0;     // 0 other, 1 section header, 2 key=value
        QString name;     // section name or key (trimmed)
        QString value;    // trimmed value
    };
    int FindSection(const QString& section) const;  // index of the header line, -1
    int FindKey(int sectionLine, const QString& ident) const;
    int SectionEnd(int sectionLine) const;          // index after its last line
    // The key lines of a section, the first line of each key only.
    QList<int> KeyLines(const QString& section) const;
    void Parse(const QByteArray& bytes);
    void LoadFromDisk();
    void Modified();
    // Before a change: a file that could not be read is read again; throws
    // EIniFileException while it still cannot be read.
    void CheckReadable();

    struct Stamp {
        bool exists = false;
        int error = 0;  // errno of a stat that failed other than "not there"
        uint64_t dev = 0, ino = 0;
        int64_t size = 0, mtimeNs = 0;
        bool operator==(const Stamp&) const = default;
    };
    Stamp CurrentStamp() const;

    QString fileName_;
    QString linuxPath_;
    mutable QList<Line> lines_;
    mutable Stamp stamp_;  // of what was last read or written
    bool dirty_ = false;
    QString readError_;  // why the existing file could not be read ("" read or missing)
};

class TIniFile : public TMemIniFile {
public:
    explicit TIniFile(const QString& fileName);
    // Writes pending from an open update are written here (errors swallowed).
    ~TIniFile() override;

    // Every write replaces the file and waits for the disk (some ms each).
    // Between BeginUpdate and EndUpdate (nested) writes stay in memory and
    // EndUpdate writes the file once: use it around saving many values.
    // EndUpdate throws EIniFileException when the file cannot be written.
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();

protected:
    void BeforeAccess() const override;
    void AfterChange() override;

private:
    int updateCount_ = 0;
};
