#include "dialogs/listen_bericht.h"

#include "report/engine/rg_component_registry.h"
#include "report/engine/rg_dataset_pipeline.h"
#include "report/engine/rg_report.h"
#include "report/engine/rg_template.h"
#include "report/output/rg_forms.h"
#include "report/output/rg_preview_form.h"
#include "report/output/rg_printer.h"
#include "report/output/rg_printer_device.h"
#include "report/output/rg_printer_list.h"
#include "report/output/rg_printer_setup.h"

#include <memory>

namespace {

// The list report as the preview sees it: the preview's screen device
// joins the report's publisher; its print button prints the pages on the
// report's printer.
class TListenVorschau : public TComponent, public TrgFormReport {
public:
    explicit TListenVorschau(TrgReport* report) : TComponent(nullptr), report_(report) {}

    TrgPublisher* FormPublisher() override { return report_->Publisher(); }
    void Cancel() override { report_->Cancel(); }
    TrgDeviceType Device() const override { return report_->Device(); }
    void SetDevice(TrgDeviceType Value) override { report_->SetDevice(Value); }
    void SetCurrentPage(int) override {}
    void PrintToDevice() override
    {
        if (report_->Device() == dvPrinter)
            ListeAufDrucker(report_, QString());
        else
            report_->PrintToDevice();
    }
    const TrgPrinterSetup* FormPrinterSetup() const override { return report_->PrinterSetup(); }

private:
    TrgReport* report_;
};

// Shows the report in the preview; the job runs once the window is there.
void Vorschau(TrgReport* report)
{
    TrgPrintPreview::Register();
    TListenVorschau bericht(report);
    std::unique_ptr<TrgCustomPreviewer> vorschau(rgCreateForm<TrgCustomPreviewer>(nullptr));
    if (!vorschau)
        return;
    vorschau->SetLanguageIndex(report->LanguageIndex());
    vorschau->SetReport(&bericht);
    bool begonnen = false;
    vorschau->OnActivateHook = [report, &begonnen](TrgForm*) {
        if (!begonnen) {
            begonnen = true;
            report->Publish();
        }
    };
    vorschau->ShowModal();
    report->SetDevice(dvScreen);
}

}  // namespace

void ListeAufDrucker(TrgReport* report, const QString& pdfDatei)
{
    TrgPrinterDevice drucker(nullptr);
    drucker.SetPublisher(report->Publisher());
    drucker.Printer()->OutputFileName = pdfDatei;
    report->Publish();
}

TrgBDEPipeline* ListenPipeline(TComponent* owner, const QString& name, TDataSource* source)
{
    auto* pipeline = new TrgBDEPipeline(owner);
    pipeline->Name = name;
    pipeline->SetDataSource(source);
    return pipeline;
}

TrgReport* ListenBericht(TComponent* owner, const QString& name, TrgBDEPipeline* pipeline)
{
    rgRegisterBuiltInComponentClasses();
    auto* report = new TrgReport(owner);
    report->Name = name;
    report->SetUnits(utMillimeters);
    report->SetLanguage(lgGerman);
    TrgPrinterSetup* setup = report->PrinterSetup();
    setup->SetPrinterName(QStringLiteral("Default"));
    setup->SetPaperName(QStringLiteral("A4"));
    for (const int rand : {0, 1, 2, 3})  // the four margins in thousandths of a millimetre
        setup->SetDefinedValue(rand, 6350);
    report->SetDataPipeline(pipeline);
    return report;
}

void ListenVorlageLaden(TrgReport* report, const QString& datei)
{
    TrgReportTemplate* vorlage = rgReportTemplate(report);
    vorlage->SetFileName(datei);
    vorlage->LoadFromFile();
}

void ListeAusgeben(TrgReport* report, TrgBDEPipeline* pipeline, bool abErstemSatz, const TListenAusgabe& ausgabe)
{
    pipeline->SetRangeBegin(abErstemSatz ? rbFirstRecord : rbCurrentRecord);
    pipeline->SetRangeEnd(reLastRecord);
    report->SetDataPipeline(pipeline);
    // Without any printer the stored name stays, and the report itself
    // says that none is there when it needs one.
    if (const QStringList drucker = rgGetPrinterNames(); !drucker.isEmpty())
        report->PrinterSetup()->SetPrinterName(drucker.first());
    if (ausgabe)
        ausgabe(report);
    else if (report->Device() == dvScreen)
        Vorschau(report);
    else if (report->Device() == dvPrinter)
        ListeAufDrucker(report, QString());
    else
        report->Print();
}
