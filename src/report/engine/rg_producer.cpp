#include "report/engine/rg_producer.h"

#include <memory>

#include "platform/ui/dialogs.h"
#include "report/output/rg_file_devices.h"
#include "report/output/rg_printer_list.h"
#include "report/output/rg_printer_setup.h"
#include "report/output/rg_publisher.h"
#include "report/output/rg_strings.h"
#include "report/output/rg_utils.h"

namespace {
constexpr int kNoPrintersConnected = 8;
}

TrgProducer::TrgProducer(TComponent* AOwner)
    : TrgCommunicator(AOwner),
      printerSetup_(std::make_unique<TrgPrinterSetup>(this)),
      publisher_(std::make_unique<TrgPublisher>(nullptr))
{
    publisher_->OnPageRequest = [this](TObject*, TrgPageSettingType Setting, int PageNo, TStringList* PageList) {
        PageRequest(Setting, PageNo, PageList);
    };
}

TrgProducer::~TrgProducer()
{
    BeginDestroy();
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

void TrgProducer::Loaded()
{
    if (kStreamVersionNumber > versionNumber_)
        ConvertVersion(versionNumber_);
    versionString_ = QString::fromLatin1(kStreamVersion);
    versionNumber_ = kStreamVersionNumber;
    TrgCommunicator::Loaded();
}

void TrgProducer::Reset()
{
    jobRun_ = false;
    cancelled_ = false;
}

void TrgProducer::Cancel() { cancelled_ = true; }

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
    publisher_->PublishJob();
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
    struct TClearFlag {
        bool& Flag;
        ~TClearFlag() { Flag = false; }
    } clearFlag{printInProgress_};
    if (device_ == dvFile || device_ == dvArchive)
        PrintToFile();
}

void TrgProducer::PrintToFile()
{
    if (rgGetPrinterNames().isEmpty())
        MessageDlg(rgLoadString(languageIndex_ + kNoPrintersConnected), mtWarning, TMsgDlgButtons{mbOK});

    TrgPrinterSetup saved(nullptr);
    saved.Assign(printerSetup_.get());
    std::unique_ptr<TrgFileDevice> device;
    if (device_ == dvFile) {
        auto text = std::make_unique<TrgTextFileDevice>(nullptr);
        text->OnSaveText = [this](TObject*, TComponent* Component, QString& Text) {
            if (OnSaveText)
                OnSaveText(Component, Text);
        };
        text->SetFileType(textFileType_);
        text->SetFileName(textFileName_);
        device = std::move(text);
    } else {
        auto archive = std::make_unique<TrgArchiveDevice>(nullptr);
        archive->SetFileName(archiveFileName_);
        device = std::move(archive);
    }
    device->LanguageIndex = languageIndex_;
    device->SetPublisher(publisher_.get());
    DeviceCreated(device.get());
    try {
        Publish();
    } catch (...) {
        if (!SavePrinterSetup)
            printerSetup_->Assign(&saved);
        throw;
    }
    if (!SavePrinterSetup)
        printerSetup_->Assign(&saved);
}
