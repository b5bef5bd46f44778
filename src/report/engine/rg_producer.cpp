#include "report/engine/rg_producer.h"
#include "report/engine/rg_method_owner.h"

#include <memory>
#include <utility>

#include "platform/ui/dialogs.h"
#include "report/output/rg_file_devices.h"
#include "report/output/rg_printer_device.h"
#include "report/output/rg_printer_list.h"
#include "report/output/rg_printer_setup.h"
#include "report/output/rg_publisher.h"
#include "report/output/rg_strings.h"
#include "report/output/rg_utils.h"

namespace {
constexpr int kNoPrintersConnected = 8;
}  // namespace

TrgProducer::TrgProducer(TComponent* AOwner)
    : TrgCommunicator(AOwner),
      printerSetup_(std::make_unique<TrgPrinterSetup>(this)),
      publisher_(std::make_unique<TrgPublisher>(nullptr))
{
    publisher_->OnPageRequest = [this](TObject*, TrgPageSettingType Setting, int PageNo, TStringList* PageList) {
        PageRequest(Setting, PageNo, PageList);
    };
    printerSetup_->OnPageDefChange = [this](TObject*) { PageDefChanged(); };
    printerSetup_->OnChange = [this](TObject*) { PrinterSetupChanged(); };
}

TrgProducer::~TrgProducer()
{
    BeginDestroy();
    // Forms still open go first, so none of them calls back into a
    // half-destroyed producer.
    delete previewForm_;
    delete cancelDialog_;
    FreeOutputObjects();
    publisher_->OnPageRequest = nullptr;
}

void TrgProducer::SetAllowPrintToArchive(bool Value) { SetOutput(allowPrintToArchive_, Value); }
void TrgProducer::SetAllowPrintToFile(bool Value) { SetOutput(allowPrintToFile_, Value); }
void TrgProducer::SetDevice(TrgDeviceType Value) { SetOutput(device_, Value); }
void TrgProducer::SetModalCancelDialog(bool Value) { SetOutput(modalCancelDialog_, Value); }
void TrgProducer::SetModalPreview(bool Value) { SetOutput(modalPreview_, Value); }
void TrgProducer::SetShowCancelDialog(bool Value) { SetOutput(showCancelDialog_, Value); }
void TrgProducer::SetShowPrintDialog(bool Value) { SetOutput(showPrintDialog_, Value); }
void TrgProducer::SetTextFileName(const QString& Value) { SetOutput(textFileName_, Value); }
void TrgProducer::SetTextFileType(TrgFileType Value) { SetOutput(textFileType_, Value); }

void TrgProducer::SetArchiveFileName(const QString& Value)
{
    if (pageRequestRunning_)
        return;
    archiveFileName_ = Value;
    Reset();
    publisher_->Reset();
}

void TrgProducer::SetLanguage(TrgLanguageType Value)
{
    if (pageRequestRunning_)
        return;
    language_ = Value;
    languageIndex_ = rgLanguageResourceBase(Value);
    LanguageChanged();
}

void TrgProducer::SetPrinterSetup(const TrgPrinterSetup* Value)
{
    if (Value)
        printerSetup_->Assign(Value);
    PrinterSetupChanged();
}

const TrgPageDef& TrgProducer::PageDef() const { return printerSetup_->PageDef(); }

void TrgProducer::SetVersionString(const QString& Value)
{
    versionString_ = Value;
    versionNumber_ = rgVersionToNumber(Value);
}

void TrgProducer::SetIcon(const TIcon& Value)
{
    if (!pageRequestRunning_)
        icon_.Assign(&Value);
}

void TrgProducer::SetSaveTextHandlerName(const QString& Name)
{
    const auto* owner = dynamic_cast<const TrgMethodOwner*>(Owner());
    if (!owner)
        return;
    const QString name = Name.left(255);
    const TrgSaveTextEvent* handler = owner->PublishedMethods().Find<TrgSaveTextEvent>(name);
    if (handler)
        OnSaveText = TrgBoundMethod<TrgSaveTextEvent>{name, *handler};
    else
        OnSaveText = nullptr;
}

void TrgProducer::Loaded()
{
    if (kStreamVersionNumber > versionNumber_) {
        ConvertVersion(versionNumber_);
        converted_ = true;
    }
    versionString_ = QString::fromLatin1(kStreamVersion);
    versionNumber_ = kStreamVersionNumber;
    TrgCommunicator::Loaded();
}

void TrgProducer::Reset()
{
    jobRun_ = false;
    cancelled_ = false;
}

void TrgProducer::CopySettings(const TrgProducer* Source)
{
    if (!Source || Source == this)
        return;
    allowPrintToFile_ = Source->allowPrintToFile_;
    allowPrintToArchive_ = Source->allowPrintToArchive_;
    archiveFileName_ = Source->archiveFileName_;
    device_ = Source->device_;
    language_ = Source->language_;
    languageIndex_ = Source->languageIndex_;
    modalCancelDialog_ = Source->modalCancelDialog_;
    showCancelDialog_ = Source->showCancelDialog_;
    showPrintDialog_ = Source->showPrintDialog_;
    textFileName_ = Source->textFileName_;
    textFileType_ = Source->textFileType_;
    versionString_ = Source->versionString_;
    versionNumber_ = Source->versionNumber_;
    converted_ = Source->converted_;
    icon_.Assign(&Source->icon_);
    printerSetup_->Assign(Source->printerSetup_.get());
    for (TNotifyEvent TrgProducer::*event :
         {&TrgProducer::AfterPrint, &TrgProducer::BeforePrint, &TrgProducer::OnCancel,
          &TrgProducer::OnCancelDialogCreate, &TrgProducer::OnCancelDialogClose, &TrgProducer::OnPreviewFormCreate,
          &TrgProducer::OnPreviewFormClose, &TrgProducer::OnPrintDialogCreate, &TrgProducer::OnPrintDialogClose,
          &TrgProducer::OnPrintingComplete})
        this->*event = Source->*event;
    OnSaveText = Source->OnSaveText;
}

void TrgProducer::Cancel()
{
    cancelled_ = true;
    // The devices drop the job at once: a printer that were left to end
    // its document after the engine stopped would print the pages made so far.
    if (publishing_)
        publisher_->CancelJob();
}

void TrgProducer::AbortJob(const QString&) { publisher_->CancelJob(); }

void TrgProducer::DoOnPageRequest(TrgPageSettingType Setting, int PageNo, const TStringList* PageList)
{
    if (OnPageRequest)
        OnPageRequest(this, Setting, PageNo, const_cast<TStringList*>(PageList));
}

void TrgProducer::PageRequest(TrgPageSettingType Setting, int PageNo, const TStringList* PageList)
{
    DoOnPageRequest(Setting, PageNo, PageList);
}

void TrgProducer::Publish()
{
    if (BeforePrint)
        BeforePrint(this);
    if (!jobRun_ && !cancelled_)
        publisher_->ResetJob();
    jobRun_ = true;
    cancelled_ = false;
    {
        publishing_ = true;
        struct TEnd {
            bool& Flag;
            ~TEnd() { Flag = false; }
        } end{publishing_};
        publisher_->PublishJob();
    }
    if (cancelled_)
        publisher_->CancelJob();
    if (device_ != dvScreen) {
        if (AfterPrint)
            AfterPrint(this);
        if (OnPrintingComplete)
            OnPrintingComplete(this);
    }
}

void TrgProducer::PrintToDevice()
{
    printInProgress_ = true;
    if (device_ == dvScreen)
        PrintToScreen();
    else if (device_ == dvPrinter || device_ == dvFile || device_ == dvArchive)
        PrintToPrinterOrFile();
}

// ---- the screen --------------------------------------------------------------

void TrgProducer::PrintToScreen()
{
    if (previewForm_)
        return;
    previewForm_ = rgCreateForm<TrgCustomPreviewer>(this);
    if (!previewForm_) {
        printInProgress_ = false;
        return;
    }
    TrgCustomPreviewer* form = previewForm_;
    // The form's own close handling (it frees itself) runs first.
    TCloseEvent formClose = form->OnClose;
    form->OnClose = [this, formClose](TObject* Sender, TCloseAction& Action) {
        if (formClose)
            formClose(Sender, Action);
        printInProgress_ = false;
        // A preview that closes because its job failed reports no print.
        if (!jobError_)
            Fire(AfterPrint, this);
        Cancel();
        Fire(OnPreviewFormClose, this);
    };
    form->OnDestroyHook1 = [this](TrgForm* Form) {
        if (previewForm_ == Form)
            previewForm_ = nullptr;
    };
    form->SetReport(this);
    form->SetLanguageIndex(languageIndex_);
    Fire(OnPreviewFormCreate, this);

    if (!modalPreview_) {
        form->Show();
        Publish();
        return;
    }
    // The job starts once the form shows; its showing and its activation
    // both announce the start, so the job runs only once.
    bool started = false;
    jobError_ = nullptr;
    form->OnActivateHook = [this, started](TrgForm*) mutable {
        if (started)
            return;
        started = true;
        try {
            Publish();
        } catch (...) {
            jobError_ = std::current_exception();
            if (previewForm_)
                previewForm_->ModalResult = mrAbort;
        }
    };
    form->ShowModal();
    delete previewForm_;
    if (std::exception_ptr error = std::exchange(jobError_, nullptr))
        std::rethrow_exception(error);
}

// ---- printer and files ---------------------------------------------------------

void TrgProducer::PrintToPrinterOrFile()
{
    if (cancelDialog_)
        return;
    if (rgGetPrinterNames().isEmpty())
        MessageDlg(rgLoadString(languageIndex_ + kNoPrintersConnected), mtWarning, TMsgDlgButtons{mbOK});

    savedSetup_ = std::make_unique<TrgPrinterSetup>(nullptr);
    savedSetup_->Assign(printerSetup_.get());
    printerDevice_ = new TrgPrinterDevice(this);
    printerDevice_->SetExclusive(true);
    printerDevice_->LanguageIndex = languageIndex_;
    printerDevice_->Printer()->SetPrinterSetup(*printerSetup_);

    if (showPrintDialog_) {
        printDialog_ = rgCreateForm<TrgCustomPrintDialog>(nullptr);
        if (printDialog_) {
            printDialog_->SetReport(this);
            printDialog_->PageRequested = currentPage_;
            printDialog_->Printer = printerDevice_->Printer();
            printDialog_->SetLanguageIndex(languageIndex_);
            printDialog_->AllowPrintToArchive = allowPrintToArchive_;
            printDialog_->AllowPrintToFile = allowPrintToFile_;
            printDialog_->ArchiveFileName = archiveFileName_;
            printDialog_->TextFileName = textFileName_;
            TCloseEvent dialogClose = printDialog_->OnClose;
            printDialog_->OnClose = [this, dialogClose](TObject* Sender, TCloseAction& Action) {
                if (dialogClose)
                    dialogClose(Sender, Action);
                // The producer frees the dialog itself.
                Action = caHide;
                Fire(OnPrintDialogClose, this);
            };
            Fire(OnPrintDialogCreate, this);
            if (printDialog_->ShowModal() != mrOk) {
                FreeOutputObjects();
                return;
            }
        }
    }

    TrgDevice* device = ChooseOutputDevice();
    if (!device) {
        FreeOutputObjects();
        return;
    }
    device->SetPublisher(publisher_.get());
    DeviceCreated(device);

    try {
        if (device == printerDevice_) {
            if (TrgPrinterSetup* held = printerDevice_->Printer()->GetPrinterSetup())
                printerSetup_->Assign(held);
        }
        if (showCancelDialog_)
            CreateCancelDialog();
        if (cancelDialog_)
            device->SetCancelDialog(cancelDialog_);
        Fire(OnCancelDialogCreate, this);
        RunJob();
    } catch (...) {
        if (!SavePrinterSetup)
            printerSetup_->Assign(savedSetup_.get());
        FreeOutputObjects();
        throw;
    }
    if (!SavePrinterSetup)
        printerSetup_->Assign(savedSetup_.get());
    FreeOutputObjects();
}

TrgDevice* TrgProducer::ChooseOutputDevice()
{
    const bool toText = printDialog_ ? printDialog_->PrintToTextFile : device_ == dvFile;
    const bool toArchive = printDialog_ ? printDialog_->PrintToArchive : device_ == dvArchive;
    TrgDevice* device = nullptr;
    if (toText || toArchive) {
        CreateFileDevice(toText);
        device = fileDevice_;
    } else {
        if (!printerDevice_->Printer()->HasContext()) {
            MessageDlg(QStringLiteral("Windows cannot print due to a problem with the current printer setup."),
                       mtWarning, TMsgDlgButtons{mbOK});
            return nullptr;
        }
        device = printerDevice_;
    }
    if (printDialog_) {
        device->SetPageSetting(printDialog_->PageSetting);
        device->SetPageRequested(printDialog_->PageRequested);
        device->SetPageList(printDialog_->PageList);
    }
    return device;
}

void TrgProducer::CreateFileDevice(bool TextFile)
{
    if (TextFile) {
        auto* text = new TrgTextFileDevice(this);
        text->OnSaveText = [this](TObject*, TComponent* Component, QString& Text) {
            if (OnSaveText)
                OnSaveText(Component, Text);
        };
        text->SetFileType(textFileType_);
        text->SetFileName(printDialog_ ? printDialog_->TextFileName : textFileName_);
        fileDevice_ = text;
    } else {
        auto* archive = new TrgArchiveDevice(this);
        archive->SetFileName(printDialog_ ? printDialog_->ArchiveFileName : archiveFileName_);
        fileDevice_ = archive;
    }
    fileDevice_->LanguageIndex = languageIndex_;
}

void TrgProducer::CreateCancelDialog()
{
    cancelDialog_ = rgCreateForm<TrgCustomCancelDialog>(nullptr);
    if (!cancelDialog_)
        return;
    cancelDialog_->SetReport(this);
    cancelDialog_->SetLanguageIndex(languageIndex_);
    // Its button (and Esc) stops the job.
    cancelDialog_->CancelEnabled = true;
    cancelDialog_->OnCancelHook = [this](TrgCustomCancelDialog*) {
        Cancel();
        Fire(OnCancel, this);
    };
    TCloseEvent dialogClose = cancelDialog_->OnClose;
    bool closed = false;
    cancelDialog_->OnClose = [this, dialogClose, closed](TObject* Sender, TCloseAction& Action) mutable {
        if (dialogClose)
            dialogClose(Sender, Action);
        // The producer frees the dialog when the job is over.
        Action = caHide;
        // A modal close may be asked twice (the timer, then the loop's end).
        if (!std::exchange(closed, true))
            Fire(OnCancelDialogClose, this);
    };
    cancelDialog_->OnDestroyHook1 = [this](TrgForm* Form) {
        if (cancelDialog_ != Form)
            return;
        cancelDialog_ = nullptr;
        if (printerDevice_)
            printerDevice_->SetCancelDialog(nullptr);
        if (fileDevice_)
            fileDevice_->SetCancelDialog(nullptr);
    };
}

void TrgProducer::RunJob()
{
    if (!cancelDialog_) {
        Publish();
        return;
    }
    if (!modalCancelDialog_) {
        cancelDialog_->Show();
        Publish();
        if (cancelDialog_)
            cancelDialog_->Close();
        delete cancelDialog_;
        return;
    }
    bool started = false;
    jobError_ = nullptr;
    cancelDialog_->OnActivateHook = [this, started](TrgForm*) mutable {
        if (started)
            return;
        started = true;
        try {
            Publish();
            if (cancelDialog_)
                cancelDialog_->EnableTimer();
        } catch (...) {
            // The dialog closes at once; the failure goes to the caller.
            jobError_ = std::current_exception();
            if (cancelDialog_)
                cancelDialog_->ModalResult = mrAbort;
        }
    };
    cancelDialog_->ShowModalDialog();
    delete cancelDialog_;
    if (std::exception_ptr error = std::exchange(jobError_, nullptr))
        std::rethrow_exception(error);
}

void TrgProducer::FreeOutputObjects()
{
    delete std::exchange(printDialog_, nullptr);
    delete cancelDialog_;
    savedSetup_.reset();
    if (fileDevice_)
        fileDevice_->SetPublisher(nullptr);
    delete std::exchange(fileDevice_, nullptr);
    if (printerDevice_)
        printerDevice_->SetPublisher(nullptr);
    delete std::exchange(printerDevice_, nullptr);
    printInProgress_ = false;
}
