#pragma once
// TQKCopy: copies one file, or every file a wild-card mask matches, into a
// destination folder or onto a destination file name, through a buffer of
// its own. It can carry the file date and the attributes over, asks before
// it replaces an existing or a read-only file ("All" answers for the rest of
// the run), checks that the destination drive is ready and has room, offers
// to create a missing destination folder, and shows progress on up to two
// gauges of the caller and, on request, in its own form "Kopier-Status"
// with a cancel button. Every question goes through the prompt service.
//
// A file is written under a temporary name beside its target and only put
// in place when it is complete: a cancelled or failed copy leaves no partial
// target, and an existing target stays as it was. A cancelled run returns
// false, and so does a source that cannot be read to its end. Sizes are 64-bit; the gauges, which count in 32 bits, get them
// scaled down when they are larger.

#include <QString>

#include <cstdint>
#include <functional>

#include "platform/ui/component.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/forms.h"
#include "platform/ui/std_ctrls.h"

class TQKGauge;

using TQKAboutString = QString;

// Files: the files handled so far in this run, the current one included.
using HilfsEvent =
    std::function<void(TObject* Sender, int Files, const QString& SourceFileName, const QString& DestFileName)>;

// The progress form of a copy run.
class TfrmQKCopy : public TForm {
public:
    explicit TfrmQKCopy(TComponent* AOwner);

    TLabel* Label1;
    TPanel* panSource;
    TLabel* Label2;
    TPanel* panDest;
    TPanel* Panel1;
    TQKGauge* dfgCopy;  // bytes of the whole run
    TPanel* panFile;
    TQKGauge* dfgFile;  // bytes of the current file
    TButton* Button1;

    // Esc and the button ask "Kopiervorgang abbrechen ?" and cancel the run on Yes.
    void FormKeyPress(TObject* Sender, QChar& Key);
    void Button1Click(TObject* Sender);
};

class TQKCopy : public TComponent {
public:
    explicit TQKCopy(TComponent* AOwner);
    ~TQKCopy() override;

    TQKAboutString About_Quillkit() const { return QStringLiteral("25.04.98"); }
    void SetAbout_Quillkit(const TQKAboutString&) {}

    // Bytes per read and write, kept within 1024 .. 16384.
    uint16_t BufferSize() const { return bufferSize_; }
    void SetBufferSize(int value);
    bool CopyAttrib = false;
    bool CopyDate = false;
    // Bytes of the whole run.
    TQKGauge* CopyProgressGauge() const { return copyGauge_; }
    void SetCopyProgressGauge(TQKGauge* gauge);
    // A folder (a name without "." gets a trailing "\") or a file name.
    QString Dest() const { return dest_; }
    void SetDest(const QString& value);
    QString DialogCaption = QStringLiteral("Kopiere Dateien...");
    // Bytes of the current file.
    TQKGauge* FileProgressGauge() const { return fileGauge_; }
    void SetFileProgressGauge(TQKGauge* gauge);
    // Existing targets are replaced (false: skipped).
    bool OverWrite = false;
    // Ask before replacing an existing target.
    bool OverWriteMsg = true;
    // Let window messages through after each buffer and each file.
    bool ProcessMessages = false;
    bool ShowCopyDialog = false;
    // A file name or a wild-card mask ("*", "?" in the name part).
    QString Source() const { return source_; }
    void SetSource(const QString& value);

    HilfsEvent OnChange;
    TNotifyEvent OnStart;
    TNotifyEvent OnEnd;

    // Copies Source to Dest. True when the run completed (files skipped by
    // the overwrite rules count as completed); false when it failed, was
    // given up or cancelled, or a source read failed part-way (no target
    // is left then). Open, create and write errors raise exceptions (OnEnd
    // does not fire then).
    bool Execute();

    // The progress form of the running copy (nullptr when none shows).
    static TfrmQKCopy* CopyForm();
    // Cancels the running copy, as the form's button does after its question.
    static void Cancel();

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    struct Run;
    bool Copy(Run& run);
    bool CopyOneFile(Run& run, const QString& source, const QString& dest);
    // Writes source to target through the buffer; false when cancelled.
    bool CopyBytes(Run& run, const QString& source, const QString& target);
    void SkipFile(Run& run, int64_t size);
    void ShowProgress(Run& run);

    uint16_t bufferSize_ = 8192;
    TQKGauge* copyGauge_ = nullptr;
    TQKGauge* fileGauge_ = nullptr;
    QString dest_;
    QString source_;
    int files_ = 0;
};
