#pragma once
// Devices that write a report to a file: the text file (the saved text
// fields of every printed band as one record, comma- or tab-separated,
// fixed length or free form, in Windows-1252) and the archive file (the
// pages themselves with every draw command, for showing or printing later).
//
// Archive file layout, integers 32-bit little-endian:
//   0                 offset of the page data area (4 + 8 x pages)
//   4 + 8 i           page i: offset of its stream within the data area,
//                     then its AbsolutePageNo
//   data area         the pages' component streams ("TPF0", TrgPage with its
//                     draw commands as children), back to back
// While a job runs the index goes straight into the file and the page
// streams into a temporary "arc" file; EndJob joins them and fills in
// offset 0.

#include <QString>

#include <functional>
#include <memory>
#include <vector>

#include "platform/core/streams.h"
#include "report/output/rg_device.h"

class TrgDrawText;

class TrgFileDevice : public TrgDevice {
public:
    explicit TrgFileDevice(TComponent* AOwner);
    // Completes and closes a file still open (a cancelled job).
    ~TrgFileDevice() override;

    QString FileName() const { return fileName_; }
    // Ignored while a job runs.
    void SetFileName(const QString& Value);

    // Creates (replaces) the file; a file that cannot be created raises
    // the stream error and leaves the job unstarted but busy.
    void StartJob() override;
    void EndJob() override;

protected:
    // The progress text of a wanted page, with the file in place of the printer.
    void ShowPageProgress(const TrgPage& Page);
    TFileStream* OutputStream() const { return output_.get(); }
    void CloseOutput() { output_.reset(); }

private:
    QString fileName_;
    std::unique_ptr<TFileStream> output_;
};

// Called for every field before it is written; may change the text.
using TrgSaveTextHook = std::function<void(TObject* Device, TComponent* Component, QString& Text)>;

class TrgTextFileDevice : public TrgFileDevice {
public:
    explicit TrgTextFileDevice(TComponent* AOwner);

    TrgSaveTextHook OnSaveText;

    TrgFileType FileType() const { return fileType_; }
    // Ignored while a job runs.
    void SetFileType(TrgFileType Value);

    // Where the field being written stands, for the save-text hook.
    bool FirstFieldOfRecord() const { return firstFieldOfRecord_; }
    bool LastFieldOfRecord() const { return lastFieldOfRecord_; }
    bool FirstFieldOfPage() const { return firstFieldOfPage_; }
    bool LastRecordOfPage() const { return lastRecordOfPage_; }
    bool LastRecordOfReport() const { return lastRecordOfReport_; }
    bool FirstPage() const { return firstPage_; }
    int FieldNo() const { return fieldNo_; }    // within the record, from 0
    int RecordNo() const { return recordNo_; }  // over the job, from 0

    void StartJob() override;
    void EndJob() override;
    void ReceivePage(TrgPage* Page) override;

private:
    void ClearWritingState();
    void WritePage(const TrgPage& Page);
    void WriteRecord(const std::vector<TrgDrawText*>& Fields, bool LastOfReport);

    bool lastFieldOfRecord_ = false;
    bool lastRecordOfPage_ = false;
    bool firstPage_ = false;
    int fieldNo_ = 0;
    int recordNo_ = 0;
    bool lastRecordOfReport_ = false;
    bool firstFieldOfRecord_ = false;
    bool firstFieldOfPage_ = false;
    TrgFileType fileType_ = ftComma;
};

class TrgArchiveDevice : public TrgFileDevice {
public:
    explicit TrgArchiveDevice(TComponent* AOwner);
    // A cancelled job's archive is completed with the pages written so far.
    ~TrgArchiveDevice() override;

    // Where the temporary page file goes; the system's temporary folder.
    QString TempDirectory;

    // Creates the archive and the temporary "arc" file; EPrintError
    // "File Error: <name>" when the temporary file cannot be made.
    void StartJob() override;
    void ReceivePage(TrgPage* Page) override;
    // Joins index and page streams, writes offset 0, deletes the temporary
    // file and closes the archive.
    void EndJob() override;

private:
    std::unique_ptr<TFileStream> pages_;
    QString pagesFileName_;
};

// Registers the text file and archive devices by class name (with the
// device classes they derive from described for the component stream).
void rgRegisterFileDeviceClasses();

// Reads an archive file written by TrgArchiveDevice. Every offset and size
// is checked against the file before it is used; a file that is truncated
// or whose index does not fit raises EReadError naming the file.
class TrgArchiveReader {
public:
    explicit TrgArchiveReader(const QString& FileName);

    int PageCount() const { return int(entries_.size()); }
    int AbsolutePageNo(int Index) const { return entries_.at(size_t(Index)).AbsolutePageNo; }
    // A new page read from the index'th stream, owned by the caller. A
    // stream that cannot be read (a draw command of an unknown class
    // among them) raises EReadError.
    std::unique_ptr<TrgPage> ReadPage(int Index) const;

private:
    struct TEntry {
        int64_t Start = 0;  // from the start of the file
        int64_t Size = 0;
        int AbsolutePageNo = 0;
    };
    [[noreturn]] void Fail(const QString& Reason) const;

    QString fileName_;
    std::vector<TEntry> entries_;
};
