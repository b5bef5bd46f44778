#include "dialogs/listen_bericht.h"

#include "platform/data/data_source.h"
#include "platform/data/dataset.h"
#include "platform/ui/dialogs.h"

#include "report/engine/rg_component_registry.h"
#include "report/engine/rg_dataset_pipeline.h"
#include "report/engine/rg_engine_forms.h"
#include "report/engine/rg_report.h"
#include "report/engine/rg_template.h"
#include "report/output/rg_printer.h"
#include "report/output/rg_printer_device.h"
#include "report/output/rg_printer_list.h"
#include "report/output/rg_printer_setup.h"

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
    rgInstallEngineForms();
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

bool ListeAusgeben(TrgReport* report, TrgBDEPipeline* pipeline, bool abErstemSatz, const TListenAusgabe& ausgabe)
{
    // An empty table (or a filter that shows nothing) would give a blank
    // page numbered 0: the user learns instead that there is nothing to print.
    TDataSet* daten = pipeline->DataSource() ? pipeline->DataSource()->DataSet() : nullptr;
    if (!daten || !daten->Active() || daten->IsEmpty()) {
        ShowMessage(kNichtsZuDrucken);
        return false;
    }
    pipeline->SetRangeBegin(abErstemSatz ? rbFirstRecord : rbCurrentRecord);
    pipeline->SetRangeEnd(reLastRecord);
    report->SetDataPipeline(pipeline);
    // Without any printer the stored name stays, and the report itself
    // says that none is there when it needs one.
    if (const QStringList drucker = rgGetPrinterNames(); !drucker.isEmpty())
        report->PrinterSetup()->SetPrinterName(drucker.first());
    if (ausgabe)
        ausgabe(report);
    else
        report->Print();
    return true;
}
