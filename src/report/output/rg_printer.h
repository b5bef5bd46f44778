#pragma once
// The engine's handle on one printer: it turns a TrgPrinterSetup into the
// printer's driver settings (TrgDeviceMode), tells the printer's resolution
// and unprintable offsets for measuring, and runs print jobs.
//
// A job is drawn with Qt's PDF writer into a temporary PDF at the printer's
// resolution (no print-system plugin is involved).
// Only when the job ends complete is the file handed to the spooler, with
// copies, collation, media, sides and tray from the driver settings; a
// cancelled job deletes the file and never reaches the spooler. Every step
// that can fail (starting the painter, a new page, the spooler's answer)
// is checked and raises EPrintError with the reason. With OutputFileName
// set (printing to a file from the print dialog) the finished PDF is moved
// there instead of being spooled.

#include <QColor>
#include <QPainter>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>

#include "report/output/rg_printer_setup.h"
#include "report/output/rg_spooler.h"
#include "report/output/rg_units.h"

class QPdfWriter;
class QPrinter;
class TrgPrinterCapabilities;
class TrgPrinterInfo;

// The printer's driver settings: which of them are set, and their values
// with the meanings printer drivers give them.
struct TrgDeviceMode {
    static constexpr unsigned dmOrientationField = 0x0001;
    static constexpr unsigned dmPaperSizeField = 0x0002;
    static constexpr unsigned dmPaperLengthField = 0x0004;
    static constexpr unsigned dmPaperWidthField = 0x0008;
    static constexpr unsigned dmCopiesField = 0x0100;
    static constexpr unsigned dmDefaultSourceField = 0x0200;
    static constexpr unsigned dmDuplexField = 0x1000;

    unsigned Fields = 0;
    int Orientation = 1;    // 1 portrait, 2 landscape
    int PaperSize = 0;      // paper code; 256 and above: a size of its own
    int PaperLength = 0;    // tenths of a millimetre, with a paper code of 256 or more
    int PaperWidth = 0;
    int Copies = 1;         // copies the spooler makes
    int DefaultSource = 0;  // bin code
    int Duplex = 1;         // 1 one-sided, 2 long edge, 3 short edge

    bool operator==(const TrgDeviceMode&) const = default;
};

class TrgPrinter : public TObject, public TrgDeviceResolution {
public:
    // Resolution of a job's pages, in pixels per inch both ways.
    static constexpr int kResolution = 600;

    TrgPrinter();
    ~TrgPrinter() override;
    TrgPrinter(const TrgPrinter&) = delete;
    TrgPrinter& operator=(const TrgPrinter&) = delete;

    TrgPrinterSetup* PrinterSetup() const { return setup_.get(); }
    QString DocumentName;
    // Where a finished job goes instead of the spooler, when set.
    QString OutputFileName;
    // After the print setup dialog closed with OK.
    TNotifyEvent OnSetupChange;

    QString PrinterName() const { return printerName_; }
    // Ignored during a job.
    void SetPrinterName(const QString& Name);
    QString GetActualPrinterName() const;
    TrgPrinterInfo* GetPrinterInfo() const;
    TrgPrinterCapabilities* GetCapabilities() const;

    // The driver settings, read from the printer's defaults on first use;
    // nullptr when the printer is not installed.
    const TrgDeviceMode* DevMode();
    // Takes a copy; during a job it applies from the next page.
    void SetDevMode(const TrgDeviceMode& Mode);
    // How often the driver settings were replaced (one step of SetDevMode).
    int DevModeChanges() const { return devModeChanges_; }

    // Makes the printer print with the setup (nothing when it equals the current one).
    void SetPrinterSetup(const TrgPrinterSetup& Setup);
    // Reads the driver settings back into PrinterSetup and returns it.
    TrgPrinterSetup* GetPrinterSetup();
    // Writes PrinterSetup into the driver settings.
    void UpdateDevMode();

    // Shows the system's print setup dialog for this printer; OK takes the
    // chosen printer and settings and fires OnSetupChange.
    bool ShowSetupDialog();
    // Stands in for the system's dialog when set (tests).
    std::function<bool(QPrinter&)> SetupDialogRunner;

    // ---- device values ----
    // True while the printer can be used (installed and not found broken).
    bool HasContext() const;
    int DevicePixelsPerInch(TrgDirection Direction) const override;
    QPoint GetPixelsPerInch() const;
    // The pixels per inch a picture printed on the named printer ("Default"
    // resolved) can show: the printer's own resolution as its spooler
    // reports it, at most a job's kResolution; kResolution when the printer
    // says none or is not installed.
    static int PictureResolution(const QString& PrinterName);
    // (offset X, offset Y, right offset, bottom offset) in printer pixels:
    // the strips the printer cannot print on. A PDF job has none.
    QRect GetPageOffsets() const { return {}; }
    // False for a black-and-white printer (true when not known).
    bool GetColorPrinter() const;
    // The colour text is printed in: on a black-and-white printer every
    // colour but black and white becomes black.
    QColor FontColor(const QColor& Color) const;
    // The paper of the driver settings in tenths of a millimetre, portrait.
    QSize PaperSizeTenths();

    // ---- the job ----
    void BeginDoc();
    void StartPage();
    void EndPage();
    // Ends the job and hands it to the spooler (or OutputFileName).
    void EndDoc();
    // Ends the job without printing anything; the file is deleted.
    void Abort();
    bool Printing() const { return printing_; }
    int PageCount() const { return pageCount_; }
    // The painter of the open job (nullptr outside a job).
    QPainter* Canvas() { return printing_ && painter_.isActive() ? &painter_ : nullptr; }
    // The spooler's id of the last job handed over; 0 when none.
    int LastJobId() const { return lastJobId_; }
    // The spooler jobs go to (the system's by default).
    void SetSpooler(std::unique_ptr<TrgSpooler> Spooler) { spooler_ = std::move(Spooler); }

private:
    void ApplyPageLayout();
    void CloseJob();
    TrgSpoolJob MakeSpoolJob(const QString& FileName);
    int GetPaperCode();

    std::unique_ptr<TrgPrinterSetup> setup_;
    std::unique_ptr<TrgSpooler> spooler_;
    QString printerName_ = "Default";
    std::unique_ptr<TrgDeviceMode> devMode_;
    int devModeChanges_ = 0;
    bool resetPending_ = false;
    bool printing_ = false;
    bool pageOpen_ = false;
    int pageCount_ = 0;
    int lastJobId_ = 0;
    QString jobFile_;
    std::unique_ptr<QPdfWriter> writer_;
    QPainter painter_;
};
