#include "report/output/rg_printer.h"

#include "report/output/rg_paper_bins.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPdfWriter>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/core/run_temp_folder.h"
#include "platform/core/sys_utils.h"
#include "report/output/rg_printer_list.h"
#include "report/output/rg_printer_setup_dialog.h"

namespace {

QString DuplexSides(int duplex)
{
    switch (duplex) {
    case 1: return "one-sided";
    case 2: return "two-sided-long-edge";
    case 3: return "two-sided-short-edge";
    default: return {};
    }
}

}  // namespace

TrgPrinter::TrgPrinter() : setup_(std::make_unique<TrgPrinterSetup>(nullptr)), spooler_(rgCreateCupsSpooler())
{
    setup_->OnGetPrinter = [this](TObject*, TObject*& printer) { printer = this; };
    setup_->OnPageDefChange = [this](TObject*) { UpdateDevMode(); };
    setup_->OnChange = [this](TObject*) { UpdateDevMode(); };
}

TrgPrinter::~TrgPrinter()
{
    Abort();
}

// ---- printer and driver settings -------------------------------------------------

TrgPrinterInfo* TrgPrinter::GetPrinterInfo() const
{
    return rgGetPrinterList()->GetPrinterInfo(printerName_);
}

TrgPrinterCapabilities* TrgPrinter::GetCapabilities() const
{
    TrgPrinterInfo* info = GetPrinterInfo();
    return info ? info->GetCapabilities() : nullptr;
}

QString TrgPrinter::GetActualPrinterName() const
{
    if (printerName_ == "Default")
        return rgGetPrinterList()->GetDefaultPrinterName();
    return printerName_;
}

void TrgPrinter::SetPrinterName(const QString& Name)
{
    if (printing_)
        return;
    if (rgGetPrinterList()->GetPrinterInfo(Name) != GetPrinterInfo())
        devMode_.reset();  // the new printer's defaults are read on next use
    printerName_ = Name;
}

bool TrgPrinter::GetColorPrinter() const
{
    return rgPrintsColour(GetPrinterInfo());
}

QColor TrgPrinter::FontColor(const QColor& Color) const
{
    const QRgb rgb = Color.rgb() & 0xFFFFFF;
    if (GetColorPrinter() || rgb == 0 || rgb == 0xFFFFFF)
        return Color;
    return Qt::black;
}

bool TrgPrinter::HasContext() const
{
    const TrgPrinterInfo* info = GetPrinterInfo();
    return info && info->Valid;
}

int TrgPrinter::DevicePixelsPerInch(TrgDirection) const
{
    return HasContext() ? kResolution : 0;
}

QPoint TrgPrinter::GetPixelsPerInch() const
{
    const int ppi = HasContext() ? kResolution : rgScreenPixelsPerInch();
    return {ppi, ppi};
}

int TrgPrinter::PictureResolution(const QString& PrinterName)
{
    TrgPrinterInfo* info = rgGetPrinterList()->GetPrinterInfo(PrinterName);
    const TrgPrinterCapabilities* caps = info ? info->GetCapabilities() : nullptr;
    return caps && caps->Resolution > 0 ? std::min(caps->Resolution, kResolution) : kResolution;
}

const TrgDeviceMode* TrgPrinter::DevMode()
{
    if (!devMode_) {
        TrgPrinterCapabilities* caps = GetCapabilities();
        if (!caps)
            return nullptr;
        // The printer's defaults: one copy, one-sided, the automatic bin,
        // portrait on the paper of the program's region when it has it.
        auto mode = std::make_unique<TrgDeviceMode>();
        mode->Fields = TrgDeviceMode::dmOrientationField | TrgDeviceMode::dmPaperSizeField | TrgDeviceMode::dmCopiesField
                       | TrgDeviceMode::dmDuplexField | TrgDeviceMode::dmDefaultSourceField;
        const int regional = FormatSettings().DecimalSeparator == u'.' ? 1 : 9;
        mode->PaperSize = caps->Papers.contains(QString::number(regional)) ? regional : caps->Papers.value(0).toInt();
        mode->DefaultSource = rgDefaultBinCode;
        devMode_ = std::move(mode);
    }
    return devMode_.get();
}

void TrgPrinter::SetDevMode(const TrgDeviceMode& Mode)
{
    if (printing_)
        resetPending_ = true;
    devMode_ = std::make_unique<TrgDeviceMode>(Mode);
    ++devModeChanges_;
}

int TrgPrinter::GetPaperCode()
{
    TrgPrinterCapabilities* caps = GetCapabilities();
    qsizetype at = caps->PaperNames.indexOf(setup_->PaperName());
    if (at < 0) {
        QString name = setup_->StoredPaperName();
        setup_->FindPaperName(name, setup_->PaperHeight(), setup_->PaperWidth());
        setup_->SetPaperName(name);
        at = caps->PaperNames.indexOf(name);
    }
    return at >= 0 ? caps->Papers.value(at).toInt() : rgUserPaperCode;
}

void TrgPrinter::UpdateDevMode()
{
    const bool wasEnabled = setup_->NotifyEnabled;
    setup_->NotifyEnabled = false;
    SetPrinterName(setup_->PrinterName());
    DocumentName = setup_->DocumentName;
    const TrgDeviceMode* current = DevMode();
    if (current) {
        TrgDeviceMode mode = *current;
        mode.Fields = TrgDeviceMode::dmOrientationField | TrgDeviceMode::dmPaperSizeField | TrgDeviceMode::dmCopiesField
                      | TrgDeviceMode::dmDuplexField;
        mode.Copies = setup_->Collation() ? 1 : setup_->Copies();  // collated copies are made by re-running the job
        mode.Duplex = int(setup_->Duplex()) + 1;
        mode.Orientation = int(setup_->Orientation()) + 1;
        mode.PaperSize = GetPaperCode();
        if (mode.PaperSize >= rgUserPaperCode) {
            mode.Fields |= TrgDeviceMode::dmPaperLengthField | TrgDeviceMode::dmPaperWidthField;
            const bool landscape = setup_->Orientation() == poLandscape;
            const float width = landscape ? setup_->PaperHeight() : setup_->PaperWidth();
            const float height = landscape ? setup_->PaperWidth() : setup_->PaperHeight();
            mode.PaperWidth = rgToTenthsOfMM(setup_->Units(), rgHorizontal, this, width);
            mode.PaperLength = rgToTenthsOfMM(setup_->Units(), rgVertical, this, height);
        }
        if (setup_->BinName() != "Current") {
            const TrgPrinterCapabilities* caps = GetCapabilities();
            const qsizetype at = rgFindBin(*caps, setup_->BinName());
            if (at >= 0) {
                mode.DefaultSource = caps->Bins.value(at).toInt();
                mode.Fields |= TrgDeviceMode::dmDefaultSourceField;
            }
        }
        SetDevMode(mode);
    }
    setup_->NotifyEnabled = wasEnabled;
}

void TrgPrinter::SetPrinterSetup(const TrgPrinterSetup& Setup)
{
    const bool otherPrinter = devMode_ && GetActualPrinterName() != Setup.GetActualPrinterName();
    if (!otherPrinter && setup_->IsEqual(Setup))
        return;
    if (!printing_)
        setup_->SetPrinterName(Setup.PrinterName());
    const bool wasEnabled = setup_->NotifyEnabled;
    setup_->NotifyEnabled = false;
    setup_->Assign(&Setup);
    UpdateDevMode();
    setup_->NotifyEnabled = wasEnabled;
}

TrgPrinterSetup* TrgPrinter::GetPrinterSetup()
{
    const TrgDeviceMode* current = DevMode();
    if (!current)
        return setup_.get();
    const TrgDeviceMode mode = *current;
    const bool wasEnabled = setup_->NotifyEnabled;
    setup_->NotifyEnabled = false;
    if (printerName_ != setup_->PrinterName())
        setup_->SetPrinterName(printerName_);
    if ((mode.Fields & TrgDeviceMode::dmCopiesField) && !setup_->Collation())
        setup_->SetCopies(mode.Copies);
    if (mode.Fields & TrgDeviceMode::dmDuplexField)
        setup_->SetDuplex(TrgDuplexType(qBound(0, mode.Duplex - 1, 2)));
    if (mode.Fields & TrgDeviceMode::dmOrientationField)
        setup_->SetOrientation(TPrinterOrientation(qBound(0, mode.Orientation - 1, 1)));
    const TrgPrinterCapabilities* caps = GetCapabilities();
    if (mode.Fields & TrgDeviceMode::dmPaperSizeField) {
        const qsizetype at = caps->Papers.indexOf(QString::number(mode.PaperSize));
        const QString name = caps->PaperNames.value(at);
        if (at >= 0 && !name.isEmpty()) {
            setup_->SetPaperName(name);
            float width = setup_->PaperWidth(), height = setup_->PaperHeight();
            setup_->GetPaperSize(name, width, height);
            setup_->SetPaperWidth(width);
            setup_->SetPaperHeight(height);
        }
    }
    if (mode.PaperSize >= rgUserPaperCode && mode.PaperWidth > 0 && mode.PaperLength > 0) {
        // The driver holds the sheet upright; a landscape setup holds it turned.
        const bool landscape = setup_->Orientation() == poLandscape;
        const int width = landscape ? mode.PaperLength : mode.PaperWidth;
        const int height = landscape ? mode.PaperWidth : mode.PaperLength;
        setup_->SetPaperWidth(rgFromTenthsOfMM(width, setup_->Units(), rgHorizontal, this));
        setup_->SetPaperHeight(rgFromTenthsOfMM(height, setup_->Units(), rgVertical, this));
    }
    if (mode.Fields & TrgDeviceMode::dmDefaultSourceField) {
        const qsizetype at = caps->Bins.indexOf(QString::number(mode.DefaultSource));
        // A template's own name for that bin ("Oberer Schacht") stays.
        if (at >= 0 && !caps->BinNames.value(at).isEmpty() && rgFindBin(*caps, setup_->BinName()) != at)
            setup_->SetBinName(caps->BinNames.value(at));
    }
    setup_->NotifyEnabled = wasEnabled;
    return setup_.get();
}

QSize TrgPrinter::PaperSizeTenths()
{
    const TrgDeviceMode* mode = DevMode();
    if (mode && mode->PaperSize >= rgUserPaperCode && mode->PaperWidth > 0 && mode->PaperLength > 0)
        return {mode->PaperWidth, mode->PaperLength};
    if (mode) {
        const TrgPrinterCapabilities* caps = GetCapabilities();
        const qsizetype at = caps->Papers.indexOf(QString::number(mode->PaperSize));
        const int width = caps->PaperWidths.value(at).toInt();
        const int height = caps->PaperHeights.value(at).toInt();
        if (at >= 0 && width > 0 && height > 0)
            return {width, height};
        const TrgPaperSize standard = rgGetStandardPaperSize(mode->PaperSize);
        if (standard.Width > 0)
            return {standard.Width, standard.Height};
    }
    // No paper the driver knows: the setup's own size, portrait.
    const TrgPageDef& def = setup_->PageDef();
    const int a = int(std::lround(def.mmWidth / 100.0)), b = int(std::lround(def.mmHeight / 100.0));
    return {std::min(a, b), std::max(a, b)};
}

bool TrgPrinter::ShowSetupDialog()
{
    TrgPrinterSetupDialog dialog;
    dialog.Printer = this;
    dialog.RunDialog = SetupDialogRunner;
    const bool accepted = dialog.Execute();
    if (accepted && OnSetupChange)
        OnSetupChange(this);
    return accepted;
}

// ---- the job ------------------------------------------------------------------------

void TrgPrinter::BeginDoc()
{
    if (printing_)
        return;
    if (!HasContext()) {
        if (printerName_ == "Default" && rgGetPrinterList()->GetDefaultPrinterName().isEmpty())
            throw EPrintError("Es ist kein Standarddrucker eingerichtet.");
        throw EPrintError(QString("Der Drucker \"%1\" ist nicht verfügbar.").arg(printerName_));
    }
    DevMode();

    // The job file lies next to the chosen output file, so it can be moved
    // there in one step; otherwise in the run's own folder, which the next
    // start clears should this run be killed.
    const QString folder = OutputFileName.isEmpty() ? RunTempFolder() : QFileInfo(OutputFileName).absolutePath();
    TRunTempFile file(QStringLiteral("rgjob.pdf"), folder);
    if (!file.IsValid())
        throw EPrintError(QString("Die Druckdatei in \"%1\" kann nicht angelegt werden: %2")
                              .arg(folder, QString::fromLocal8Bit(std::strerror(file.Error()))));
    jobFile_ = file.Release();

    writer_ = std::make_unique<QPdfWriter>(jobFile_);
    writer_->setResolution(kResolution);
    writer_->setTitle(DocumentName);
    writer_->setCreator("QV-Lumadex");
    printing_ = true;
    pageOpen_ = false;
    pageCount_ = 0;
    resetPending_ = false;
}

void TrgPrinter::ApplyPageLayout()
{
    const QSize paper = PaperSizeTenths();
    if (paper.width() <= 0 || paper.height() <= 0)
        throw EPrintError(QString("Der Druckauftrag \"%1\" hat kein gültiges Papierformat.").arg(DocumentName));
    const QPageSize size(QSizeF(paper.width() / 10.0, paper.height() / 10.0), QPageSize::Millimeter, QString(),
                         QPageSize::ExactMatch);
    const TrgDeviceMode* mode = DevMode();
    const auto orientation = mode && mode->Orientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait;
    if (!writer_->setPageLayout(QPageLayout(size, orientation, QMarginsF(0, 0, 0, 0))))
        throw EPrintError(QString("Das Papierformat %1 x %2 mm wird nicht angenommen.")
                              .arg(paper.width() / 10.0)
                              .arg(paper.height() / 10.0));
    resetPending_ = false;
}

void TrgPrinter::StartPage()
{
    if (!printing_ || pageOpen_)
        return;
    try {
        if (pageCount_ == 0 || resetPending_)
            ApplyPageLayout();
        if (pageCount_ == 0) {
            if (!painter_.begin(writer_.get()))
                throw EPrintError(QString("Der Druckauftrag \"%1\" kann nicht beginnen.").arg(DocumentName));
        } else if (!writer_->newPage()) {
            throw EPrintError(QString("Im Druckauftrag \"%1\" kann keine neue Seite beginnen.").arg(DocumentName));
        }
    } catch (...) {
        Abort();
        throw;
    }
    pageOpen_ = true;
    ++pageCount_;
}

void TrgPrinter::EndPage()
{
    if (printing_ && pageOpen_)
        pageOpen_ = false;
}

void TrgPrinter::CloseJob()
{
    if (painter_.isActive())
        painter_.end();
    writer_.reset();
    printing_ = false;
    pageOpen_ = false;
    pageCount_ = 0;
}

void TrgPrinter::EndDoc()
{
    if (!printing_)
        return;
    EndPage();
    const int pages = pageCount_;
    const bool painted = pages == 0 || painter_.end();
    const QString file = jobFile_;
    CloseJob();
    jobFile_.clear();
    const bool written = QFileInfo(file).size() > 0;
    if (pages == 0 || !painted || !written) {
        QFile::remove(file);
        if (pages == 0)
            return;  // nothing was printed: no job
        throw EPrintError(QString("Der Druckauftrag \"%1\" konnte nicht geschrieben werden.").arg(DocumentName));
    }
    if (!OutputFileName.isEmpty()) {
        // One step that replaces the old file: it is never lost half-way.
        std::error_code error;
        std::filesystem::rename(file.toStdString(), OutputFileName.toStdString(), error);
        if (error) {
            QFile::remove(file);
            throw EPrintError(QString("Die Datei \"%1\" kann nicht geschrieben werden: %2")
                                  .arg(OutputFileName, QString::fromLocal8Bit(error.message().c_str())));
        }
        return;
    }
    try {
        if (!spooler_)
            throw EPrintError(QString("Für den Druckauftrag \"%1\" gibt es keine Druckwarteschlange.").arg(DocumentName));
        lastJobId_ = spooler_->Submit(MakeSpoolJob(file));
    } catch (...) {
        QFile::remove(file);
        throw;
    }
    QFile::remove(file);
}

void TrgPrinter::Abort()
{
    if (!printing_)
        return;
    CloseJob();
    QFile::remove(jobFile_);
    jobFile_.clear();
}

TrgSpoolJob TrgPrinter::MakeSpoolJob(const QString& FileName)
{
    TrgSpoolJob job;
    const TrgPrinterInfo* info = GetPrinterInfo();
    job.Queue = info ? info->Device : QString();
    job.FileName = FileName;
    job.Title = DocumentName;
    job.Collate = setup_->Collation();
    const TrgDeviceMode* mode = DevMode();
    if (mode && (mode->Fields & TrgDeviceMode::dmCopiesField))
        job.Copies = qMax(1, mode->Copies);
    const QSize paper = PaperSizeTenths();
    job.Media = rgMediaKeywordForSize(paper.width(), paper.height());
    if (mode && (mode->Fields & TrgDeviceMode::dmDuplexField))
        job.Sides = DuplexSides(mode->Duplex);
    if (mode && (mode->Fields & TrgDeviceMode::dmDefaultSourceField) && mode->DefaultSource != rgDefaultBinCode) {
        const TrgPrinterCapabilities* caps = GetCapabilities();
        job.MediaSource = caps->BinNames.value(caps->Bins.indexOf(QString::number(mode->DefaultSource)));
    }
    return job;
}

// ---- the shared printer ------------------------------------------------------------

namespace {
std::unique_ptr<TrgPrinter>& SharedPrinter()
{
    static std::unique_ptr<TrgPrinter> printer;
    return printer;
}
}  // namespace

TrgPrinter* rgGetPrinter()
{
    std::unique_ptr<TrgPrinter>& printer = SharedPrinter();
    if (!printer && rgGetPrinterList()->GetCount() > 1)
        printer = std::make_unique<TrgPrinter>();
    return printer.get();
}

void rgDropSharedPrinter()
{
    SharedPrinter().reset();
}
