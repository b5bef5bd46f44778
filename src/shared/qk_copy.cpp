#include "shared/qk_copy.h"

#include <QSaveFile>

#include <climits>
#include <memory>
#include <vector>

#include "platform/core/exceptions.h"
#include "platform/core/file_utils.h"
#include "platform/core/streams.h"
#include "platform/core/sys_utils.h"
#include "platform/core/win_path.h"
#include "platform/os/volumes.h"
#include "platform/ui/dialogs.h"
#include "shared/qk_gauge.h"
#include "shared/utility_files.h"
#include "shared/utility_graphics.h"
#include "shared/utility_strings.h"

namespace {

// One run at a time per process: the progress form and the answers that
// hold for the rest of a run are shared by all instances.
TfrmQKCopy* gForm = nullptr;
bool gCancel = false;
bool gReadOnlyAll = false;
bool gOverwriteAll = false;
bool gRunning = false;

constexpr int kListAttr = faReadOnly | faHidden | faSysFile | faArchive;

bool HasWildcards(const QString& name)
{
    return name.contains(u'*') || name.contains(u'?');
}

// A file that exists and is neither a folder nor a volume label.
bool IsPlainFile(const QString& name)
{
    const int attr = FileGetAttr(name);
    return attr != -1 && !(attr & (faDirectory | faVolumeID));
}

bool IsReadOnlyFile(const QString& name)
{
    const int attr = FileGetAttr(name);
    return attr != -1 && (attr & faReadOnly);
}

// 1 or -1 for a plain name (found or not); with wild cards the number of
// matching files, -1 when none matches.
int FileCountOf(const QString& source)
{
    if (!HasWildcards(source))
        return FileGetAttr(source) != -1 ? 1 : -1;
    TSearchRec rec;
    int count = 0;
    for (int r = FindFirst(source, kListAttr, rec); r == 0; r = FindNext(rec))
        ++count;
    FindClose(rec);
    return count > 0 ? count : -1;
}

// Free bytes on the drive the path names; -1 when the drive is not ready.
// A path without a drive letter (a network path) has no drive to check and
// reads 0, which skips the space checks.
int64_t FreeSpaceOf(const QString& path)
{
    const QChar letter = DriveLetterOf(path);
    if (letter.isNull())
        return 0;
    return GetDiskFreeSpace(QString(letter) + QStringLiteral(":\\"));
}

// Paths are kept in Windows form; a Linux path gets its drive letter.
QString WindowsForm(const QString& path)
{
    return path.startsWith(u'/') ? LinuxToWinOrSelf(path) : path;
}

TModalResult Ask(const QString& text, TMsgDlgButtons buttons)
{
    return MessageDlg(text, mtWarning, buttons);
}

void SetText(TPanel* panel, const QString& path)
{
    QString shown;
    ShortenPathToWidth(*panel->Font(), panel->Width(), path, shown);
    panel->SetCaption(shown);
    panel->Repaint();
}

// Gauges count in 32 bits: a byte count is shifted right until the largest
// value of its gauge fits.
int ShiftFor(int64_t maximum)
{
    int shift = 0;
    while ((maximum >> shift) > INT32_MAX)
        ++shift;
    return shift;
}

void SetGaugeMax(TQKGauge* gauge, int64_t maximum, int shift)
{
    if (gauge) {
        gauge->SetMaxValue(int32_t(maximum >> shift));
        gauge->SetProgress(0);
    }
}

void SetGaugeProgress(TQKGauge* gauge, int64_t done, int shift)
{
    if (gauge)
        gauge->SetProgress(int32_t(std::min<int64_t>(done >> shift, INT32_MAX)));
}

TQKGauge* MakeGauge(TfrmQKCopy* form, TPanel* parent, const QString& name, TColor boxColor)
{
    auto* g = new TQKGauge(form);
    g->Name = name;
    g->SetParent(parent);
    g->SetBounds(5, 5, 387, 20);
    g->SetBoxes(20);
    g->SetBoxColor(boxColor);
    g->SetColor(clBlack);
    g->SetAdjustToParent(true);
    return g;
}

TPanel* MakePanel(TfrmQKCopy* form, const QString& name, int top, int height)
{
    auto* p = new TPanel(form);
    p->Name = name;
    p->SetParent(form);
    p->SetBounds(8, top, 397, height);
    return p;
}

TLabel* MakeLabel(TfrmQKCopy* form, const QString& name, const QString& caption, int top)
{
    auto* l = new TLabel(form);
    l->Name = name;
    l->SetParent(form);
    l->SetLeft(8);
    l->SetTop(top);
    l->SetCaption(caption);
    return l;
}

}  // namespace

// ---- Progress form --------------------------------------------------------

TfrmQKCopy::TfrmQKCopy(TComponent* AOwner) : TForm(AOwner)
{
    Name = QStringLiteral("frmQKCopy");
    SetCaption(QStringLiteral("Kopier-Status"));
    SetBorderStyle(bsDialog);
    SetBorderIcons({biSystemMenu});
    SetClientWidth(413);
    SetClientHeight(213);
    Font()->SetName(QStringLiteral("Arial"));
    KeyPreview = true;
    Position = poScreenCenter;

    Label1 = MakeLabel(this, QStringLiteral("Label1"), QStringLiteral("von"), 8);
    panSource = MakePanel(this, QStringLiteral("panSource"), 24, 24);
    panSource->SetBevelOuter(bvLowered);
    panSource->SetParentFont(false);
    panSource->Font()->SetName(QStringLiteral("Arial"));
    panSource->Font()->SetStyle(TFontStyles{fsBold});
    Label2 = MakeLabel(this, QStringLiteral("Label2"), QStringLiteral("nach"), 56);
    panDest = MakePanel(this, QStringLiteral("panDest"), 72, 24);
    panDest->SetBevelOuter(bvLowered);
    Panel1 = MakePanel(this, QStringLiteral("Panel1"), 104, 30);
    dfgCopy = MakeGauge(this, Panel1, QStringLiteral("dfgCopy"), clNavy);
    panFile = MakePanel(this, QStringLiteral("panFile"), 140, 30);
    dfgFile = MakeGauge(this, panFile, QStringLiteral("dfgFile"), clPurple);
    Button1 = new TButton(this);
    Button1->Name = QStringLiteral("Button1");
    Button1->SetParent(this);
    Button1->SetBounds(164, 180, 85, 25);
    Button1->SetCaption(QStringLiteral("&Abbruch"));

    Button1->OnClick = [this](TObject* s) { Button1Click(s); };
    OnKeyPress = [this](TObject* s, QChar& k) { FormKeyPress(s, k); };
    Loaded();
    DoCreate();
}

void TfrmQKCopy::FormKeyPress(TObject*, QChar& Key)
{
    if (Key == QChar(VK_ESCAPE))
        Button1Click(this);
}

void TfrmQKCopy::Button1Click(TObject*)
{
    if (MessageDlg(QStringLiteral("Kopiervorgang abbrechen ?"), mtConfirmation, {mbYes, mbNo}) == mrYes)
        TQKCopy::Cancel();
}

// ---- The copy component ---------------------------------------------------

// What one run keeps: byte counts of the run and of the current file, and
// the scale of their gauges.
struct TQKCopy::Run {
    int64_t runDone = 0;
    int runShift = 0;
    int64_t fileDone = 0;
    int64_t fileSize = 0;
    int fileShift = 0;
};

TQKCopy::TQKCopy(TComponent* AOwner) : TComponent(AOwner)
{
    gCancel = false;
}

TQKCopy::~TQKCopy()
{
    BeginDestroy();
    SetCopyProgressGauge(nullptr);
    SetFileProgressGauge(nullptr);
}

TfrmQKCopy* TQKCopy::CopyForm()
{
    return gForm;
}

void TQKCopy::Cancel()
{
    gCancel = true;
}

void TQKCopy::SetBufferSize(int value)
{
    ClampInt(value, 1024, 16384);
    bufferSize_ = uint16_t(value);
}

void TQKCopy::SetSource(const QString& value)
{
    // The real case is kept: the names go to the file system as written and
    // are compared without case only.
    source_ = WindowsForm(value);
}

void TQKCopy::SetDest(const QString& value)
{
    dest_ = WindowsForm(value);
    // A name with a dot counts as a file name; anything else is a folder.
    if (!dest_.contains(u'.') && !dest_.endsWith(u'\\'))
        dest_ += u'\\';
}

void TQKCopy::SetCopyProgressGauge(TQKGauge* gauge)
{
    if (copyGauge_ && copyGauge_ != fileGauge_)
        copyGauge_->RemoveFreeNotification(this);
    copyGauge_ = gauge;
    if (gauge) {
        gauge->FreeNotification(this);
        gauge->SetProgress(0);
    }
}

void TQKCopy::SetFileProgressGauge(TQKGauge* gauge)
{
    if (fileGauge_ && fileGauge_ != copyGauge_)
        fileGauge_->RemoveFreeNotification(this);
    fileGauge_ = gauge;
    if (gauge) {
        gauge->FreeNotification(this);
        gauge->SetProgress(0);
    }
}

void TQKCopy::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    if (AComponent == copyGauge_)
        copyGauge_ = nullptr;
    if (AComponent == fileGauge_)
        fileGauge_ = nullptr;
}

void TQKCopy::ShowProgress(Run& run)
{
    SetGaugeProgress(copyGauge_, run.runDone, run.runShift);
    SetGaugeProgress(fileGauge_, run.fileDone, run.fileShift);
    if (gForm) {
        SetGaugeProgress(gForm->dfgCopy, run.runDone, run.runShift);
        SetGaugeProgress(gForm->dfgFile, run.fileDone, run.fileShift);
    }
}

bool TQKCopy::Execute()
{
    // A copy started from a message handled while another one runs would
    // share its form and answers: refused.
    TBusyGuard busy(gRunning);
    if (!busy.Entered())
        return false;

    // A cancel left over from an earlier run does not stop this one.
    gCancel = false;
    gReadOnlyAll = false;
    gOverwriteAll = false;
    files_ = 0;

    // The form goes on every way out, also when an exception passes.
    struct FormGuard {
        TQKCopy* self;
        ~FormGuard()
        {
            delete gForm;
            gForm = nullptr;
            if (self->copyGauge_)
                self->copyGauge_->Repaint();
            if (self->fileGauge_)
                self->fileGauge_->Repaint();
        }
    };
    if (ShowCopyDialog) {
        gForm = new TfrmQKCopy(this);
        gForm->SetCaption(DialogCaption);
        gForm->Show();
    }
    bool result = false;
    {
        FormGuard guard{this};
        if (OnStart)
            OnStart(this);
        Run run;
        result = Copy(run);
    }
    if (OnEnd)
        OnEnd(this);
    return result;
}

bool TQKCopy::Copy(Run& run)
{
    const int64_t total = qktFileSize(source_);
    run.runShift = ShiftFor(total);
    SetGaugeMax(copyGauge_, total, run.runShift);
    SetGaugeProgress(fileGauge_, 0, 0);
    if (gForm) {
        SetGaugeMax(gForm->dfgCopy, total, run.runShift);
        gForm->dfgFile->SetProgress(0);
        gForm->panFile->SetVisible(FileCountOf(source_) > 1);
    }

    if (source_.isEmpty() || AnsiSameText(source_, dest_))
        return false;

    // The destination drive must be ready ...
    int64_t freeBytes = FreeSpaceOf(dest_);
    while (freeBytes == -1) {
        if (Ask(QStringLiteral("Zieldatenträger nicht bereit"), {mbAbort, mbRetry}) != mrRetry)
            return false;
        freeBytes = FreeSpaceOf(dest_);
    }
    // ... and should have room for everything.
    while (freeBytes > 0 && total > freeBytes) {
        const TModalResult answer =
            Ask(QStringLiteral("Zu wenig Speicherplatz für alle Dateien"), {mbAbort, mbRetry, mbIgnore});
        if (answer == mrIgnore)
            break;
        if (answer != mrRetry)
            return false;
        freeBytes = FreeSpaceOf(dest_);
    }
    Application->ProcessMessages();

    if (!HasWildcards(source_))
        return CopyOneFile(run, source_, dest_);

    // Collected first: the files written may land in the listed folder.
    std::vector<QString> names;
    TSearchRec rec;
    for (int r = FindFirst(source_, kListAttr, rec); r == 0; r = FindNext(rec))
        names.push_back(rec.Name);
    FindClose(rec);
    if (names.empty())
        return false;
    const QString sourceFolder = ExtractFilePath(source_);
    const QString destFolder = ExtractFilePath(dest_);
    for (const QString& name : names) {
        if (!CopyOneFile(run, sourceFolder + name, destFolder + name))
            return false;
        Application->ProcessMessages();
        if (gCancel)
            return false;
    }
    return true;
}

void TQKCopy::SkipFile(Run& run, int64_t size)
{
    run.runDone += std::max<int64_t>(size, 0);
    run.fileDone = run.fileSize;
    ShowProgress(run);
}

bool TQKCopy::CopyOneFile(Run& run, const QString& source, const QString& dest)
{
    while (!IsPlainFile(source)) {
        const TModalResult answer = Ask(QStringLiteral("Datei >") + source + QStringLiteral("< nicht gefunden"),
                                        {mbAbort, mbRetry, mbIgnore});
        if (answer == mrIgnore)
            break;  // the open below fails and says so
        if (answer != mrRetry)
            return false;
    }

    const QString target = DirectoryExists(dest) || ExtractFileName(dest).isEmpty()
                               ? AddBackslash(dest) + ExtractFileName(source)
                               : dest;

    const int64_t size = FileSizeOf(source);
    run.fileSize = std::max<int64_t>(size, 0);
    run.fileDone = 0;
    run.fileShift = ShiftFor(run.fileSize);
    SetGaugeMax(fileGauge_, run.fileSize, run.fileShift);
    if (gForm)
        SetGaugeMax(gForm->dfgFile, run.fileSize, run.fileShift);

    // Room for what the file adds to the drive (a missing target counts -1).
    int64_t freeBytes = FreeSpaceOf(target);
    while (freeBytes > 0 && size - FileSizeOf(target) > freeBytes) {
        if (Ask(QStringLiteral("Zu wenig Speicherplatz für Datei >") + target +
                    QStringLiteral("< auf Zieldatenträger"),
                {mbAbort, mbRetry}) != mrRetry)
            return false;
        freeBytes = FreeSpaceOf(target);
    }

    const QString folder = ExtractFilePath(target);
    while (!folder.isEmpty() && !DirectoryExists(folder) && folder.size() != 3) {
        if (Ask(QStringLiteral("Zielverzeichnis ") + folder + QStringLiteral(" existiert nicht. Soll es erstellt werden ?"),
                {mbYes, mbNo}) != mrYes)
            return false;
        if (!ForceDirectories(folder) || !DirectoryExists(folder)) {
            Application->MessageBox(QStringLiteral("Verzeichnis konnte nicht erstellt werden"),
                                    QStringLiteral("Problem"), MB_OK | MB_ICONSTOP | MB_TASKMODAL);
            return false;
        }
    }

    ++files_;
    if (gForm) {
        SetText(gForm->panSource, source);
        SetText(gForm->panDest, target);
    }
    if (OnChange)
        OnChange(this, files_, source, target);
    if (ProcessMessages)
        Application->ProcessMessages();

    if (IsPlainFile(target)) {
        if (!OverWrite) {
            SkipFile(run, size);
            return true;
        }
        if (OverWriteMsg && !gOverwriteAll) {
            const TModalResult answer =
                Ask(QStringLiteral("Datei ") + target + QStringLiteral(" schon vorhanden. Soll sie überschrieben werden ?"),
                    {mbYes, mbNo, mbAll});
            if (answer == mrAll)
                gOverwriteAll = true;
            else if (answer != mrYes) {
                SkipFile(run, size);
                return true;
            }
        }
    }

    while (IsReadOnlyFile(target)) {
        if (!gReadOnlyAll) {
            const TModalResult answer =
                Ask(QStringLiteral("Datei ") + target + QStringLiteral(" Schreibgeschützt. Soll sie überschrieben werden ?"),
                    {mbYes, mbNo, mbAll});
            if (answer == mrAll) {
                gReadOnlyAll = true;  // the bit goes in the next round
                continue;
            }
            if (answer != mrYes) {
                SkipFile(run, size);
                return true;
            }
        }
        // A bit that cannot be cleared is left to the write below, which
        // replaces the file through its folder or fails with a message.
        if (FileSetAttr(target, FileGetAttr(target) & ~faReadOnly) != 0)
            break;
    }

    return CopyBytes(run, source, target);
}

bool TQKCopy::CopyBytes(Run& run, const QString& source, const QString& target)
{
    std::vector<char> buffer(bufferSize_);
    // The open and create errors carry the file name as their message.
    std::unique_ptr<TFileStream> in;
    try {
        in = std::make_unique<TFileStream>(source, fmOpenRead | fmShareDenyWrite);
    } catch (const EFOpenError&) {
        throw EFOpenError(source);
    }
    const TDateTime date = CopyDate ? FileDateTime(source) : 0;
    const int attr = CopyAttrib ? FileGetAttr(source) : 0;

    // Written beside the target under a temporary name and renamed over it
    // when complete; dropped unfinished, it leaves the target as it was.
    const std::optional<QString> linuxTarget = WinToLinux(target);
    std::unique_ptr<QSaveFile> out;
    if (linuxTarget) {
        out = std::make_unique<QSaveFile>(*linuxTarget);
        if (!out->open(QIODevice::WriteOnly))
            out.reset();
    }
    if (!out)
        throw EFCreateError(target);

    const QString writeError = QStringLiteral("Fehler beim schreiben von ") + target +
                               QStringLiteral(". Ziel-Datenträger voll ?");
    for (;;) {
        // A read error in the middle of the file (a scratched disc, a pulled
        // stick) fails the copy: the unfinished target is dropped and the
        // run reports false rather than a cut-short copy as done.
        int64_t read = 0;
        try {
            read = in->Read(buffer.data(), bufferSize_);
        } catch (const EReadError&) {
            return false;
        }
        if (read > 0 && out->write(buffer.data(), read) != read)
            throw EWriteError(writeError);
        if (ProcessMessages)
            Application->ProcessMessages();
        if (gCancel) {
            Tag = 9999;
            return false;
        }
        run.runDone += std::max<int64_t>(read, 0);
        run.fileDone += std::max<int64_t>(read, 0);
        ShowProgress(run);
        if (read < bufferSize_)
            break;
    }
    if (!out->commit())
        throw EWriteError(writeError);
    if (CopyDate)
        FileSetDateTime(target, date);
    if (CopyAttrib)
        FileSetAttr(target, attr);
    return true;
}
