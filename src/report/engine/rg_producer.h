#pragma once
// TrgProducer: the output side of a report. It decides where the pages go
// (the preview form, the printer, a text file or an archive file), shows
// the print dialog, the cancel dialog and the preview through the form
// registry, owns the printer setup and the publisher that hands pages to
// the devices, holds the language of the engine's texts and stamps the
// report stream with its version. Its descendant, the report, makes the
// pages.

#include <QString>

#include <exception>
#include <memory>

#include "platform/ui/graphics.h"
#include "report/output/rg_comm.h"
#include "report/output/rg_forms.h"
#include "report/output/rg_types.h"

class TrgDevice;
class TrgFileDevice;
class TrgPrinterDevice;
class TrgPrinterSetup;
class TrgPublisher;
class TrgPageDef;
class TStringList;

class TrgProducer : public TrgCommunicator, public TrgFormReport {
public:
    // The version every stream is written with, and its number.
    static constexpr const char* kStreamVersion = "3.52";
    static constexpr int kStreamVersionNumber = 3520;

    explicit TrgProducer(TComponent* AOwner);
    ~TrgProducer() override;

    // ---- output properties: ignored while a page request runs ----
    bool AllowPrintToArchive() const { return allowPrintToArchive_; }
    void SetAllowPrintToArchive(bool Value);
    bool AllowPrintToFile() const { return allowPrintToFile_; }
    void SetAllowPrintToFile(bool Value);
    QString ArchiveFileName() const { return archiveFileName_; }
    void SetArchiveFileName(const QString& Value);
    TrgDeviceType Device() const override { return device_; }
    void SetDevice(TrgDeviceType Value) override;
    TrgLanguageType Language() const { return language_; }
    void SetLanguage(TrgLanguageType Value);
    int LanguageIndex() const { return languageIndex_; }
    bool ModalCancelDialog() const { return modalCancelDialog_; }
    void SetModalCancelDialog(bool Value);
    bool ModalPreview() const { return modalPreview_; }
    void SetModalPreview(bool Value);
    bool SavePrinterSetup = false;
    bool ShowCancelDialog() const { return showCancelDialog_; }
    void SetShowCancelDialog(bool Value);
    bool ShowPrintDialog() const { return showPrintDialog_; }
    void SetShowPrintDialog(bool Value);
    QString TextFileName() const { return textFileName_; }
    void SetTextFileName(const QString& Value);
    TrgFileType TextFileType() const { return textFileType_; }
    void SetTextFileType(TrgFileType Value);

    TrgPrinterSetup* PrinterSetup() const { return printerSetup_.get(); }
    void SetPrinterSetup(const TrgPrinterSetup* Value);
    const TrgPageDef& PageDef() const;
    TrgPublisher* Publisher() const { return publisher_.get(); }

    // The forms' icon; none when empty. Ignored while a page request runs.
    const TIcon& Icon() const { return icon_; }
    void SetIcon(const TIcon& Value);
    // Loaded converted the settings of an older version.
    bool Converted() const { return converted_; }
    // Binds OnSaveText to the owner's published save-text method Name (at
    // most 255 characters); an unknown name leaves no handler.
    void SetSaveTextHandlerName(const QString& Name);

    QString VersionString() const { return versionString_; }
    int VersionNumber() const { return versionNumber_; }
    void SetVersionString(const QString& Value);

    TNotifyEvent AfterPrint, BeforePrint, OnCancel, OnCancelDialogCreate, OnCancelDialogClose;
    TNotifyEvent OnPreviewFormCreate, OnPreviewFormClose, OnPrintDialogCreate, OnPrintDialogClose;
    TNotifyEvent OnPrintingComplete;
    TrgPageRequestEvent OnPageRequest;
    TrgSaveTextEvent OnSaveText;

    bool PageRequestRunning() const { return pageRequestRunning_; }
    bool PrintInProgress() const { return printInProgress_; }
    bool Cancelled() const { return cancelled_; }
    bool JobRun() const { return jobRun_; }

    // Print by Device: dvScreen opens the preview, dvPrinter, dvFile and
    // dvArchive run the device path (print dialog, device, cancel dialog).
    void PrintToDevice() override;
    // One output job through the publisher.
    virtual void Publish();
    // A device's page request arriving through the publisher.
    virtual void PageRequest(TrgPageSettingType Setting, int PageNo, const TStringList* PageList);
    // Cancels the publisher's job.
    virtual void AbortJob(const QString& Message);
    virtual void Reset();
    void Cancel() override;
    // Takes Source's output settings, printer setup, version and events
    // (not ModalPreview, SavePrinterSetup or OnPageRequest).
    virtual void CopySettings(const TrgProducer* Source);

    // ---- what the forms ask of the report ----
    TrgPublisher* FormPublisher() override { return publisher_.get(); }
    void SetCurrentPage(int Value) override { currentPage_ = Value; }
    int CurrentPage() const { return currentPage_; }
    const TrgPrinterSetup* FormPrinterSetup() const override { return printerSetup_.get(); }

    // The forms and the printer device of a running print; nullptr otherwise.
    TrgCustomPreviewer* PreviewForm() const { return previewForm_; }
    TrgCustomCancelDialog* CancelDialog() const { return cancelDialog_; }
    TrgCustomPrintDialog* PrintDialog() const { return printDialog_; }
    TrgPrinterDevice* PrinterDevice() const { return printerDevice_; }
    // Called by Loaded with the stored version number when it is older.
    virtual void ConvertVersion(int StoredVersion) {}
    void Loaded() override;
    // Called with the output device once it is linked to the publisher.
    virtual void DeviceCreated(TrgDevice*) {}
    virtual void LanguageChanged() {}
    // The printer setup changed (assigned, or changed in itself).
    virtual void PrinterSetupChanged() {}
    // The printer setup's page definition changed.
    virtual void PageDefChanged() { PrinterSetupChanged(); }

protected:
    void SetPageRequestRunning(bool Value) { pageRequestRunning_ = Value; }
    void DoOnPageRequest(TrgPageSettingType Setting, int PageNo, const TStringList* PageList);

private:
    // The preview form shows the pages its viewer asks for.
    void PrintToScreen();
    // Print dialog, output device and cancel dialog around one job.
    void PrintToPrinterOrFile();
    // The device the dialog (or, without one, Device) chose; nullptr ends the print.
    TrgDevice* ChooseOutputDevice();
    void CreateFileDevice(bool TextFile);
    // Runs Publish under the cancel dialog as ModalCancelDialog says.
    void RunJob();
    void CreateCancelDialog();
    void FreeOutputObjects();
    static void Fire(const TNotifyEvent& Event, TObject* Sender)
    {
        if (Event)
            Event(Sender);
    }
    template <class V> void SetOutput(V& Field, const V& Value)
    {
        if (!pageRequestRunning_)
            Field = Value;
    }

    bool allowPrintToArchive_ = false;
    bool allowPrintToFile_ = false;
    QString archiveFileName_;
    TrgDeviceType device_ = dvScreen;
    bool jobRun_ = false;
    TrgLanguageType language_ = lgEnglish;
    int languageIndex_ = 43000;
    bool modalCancelDialog_ = true;
    bool modalPreview_ = true;
    bool cancelled_ = false;
    std::unique_ptr<TrgPrinterSetup> printerSetup_;
    bool pageRequestRunning_ = false;
    bool printInProgress_ = false;
    bool publishing_ = false;
    std::unique_ptr<TrgPublisher> publisher_;
    bool showCancelDialog_ = true;
    bool showPrintDialog_ = true;
    QString textFileName_;
    TrgFileType textFileType_ = ftComma;
    int currentPage_ = 1;
    TrgCustomPreviewer* previewForm_ = nullptr;
    TrgCustomCancelDialog* cancelDialog_ = nullptr;
    TrgCustomPrintDialog* printDialog_ = nullptr;
    TrgPrinterDevice* printerDevice_ = nullptr;
    TrgFileDevice* fileDevice_ = nullptr;
    std::unique_ptr<TrgPrinterSetup> savedSetup_;
    // A failure of the job run inside a modal form's start, raised again
    // once the form has closed.
    std::exception_ptr jobError_;
    TIcon icon_;
    bool converted_ = false;
    QString versionString_ = QStringLiteral("1.0");
    int versionNumber_ = 1000;
};
