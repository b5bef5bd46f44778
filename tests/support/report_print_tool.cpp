// A helper program of the end-to-end tests (not installed, no user
// command): prints a report over a DBF table through the real engine and
// one of its devices.
//
//   report_print_tool --table DIR/BILDER.DBF
//                     (--template LISTE.RTM | --fields ShortDesc,Owner)
//                     --device text|archive|pdf --out FILE
//
// The table is opened as the program opens an album and read through a
// dataset pipeline named "plAlbum", which a template refers to by that
// name. Without a template the report is built here: a header with the
// field names, a detail with one data text per field and a footer with
// "Page n of m". A PDF is printed through the printer device on a printer
// of its own, its job written to the output file instead of a spooler.
// Messages the engine would show go to stderr and are answered with OK.
// Exit code 0 when the file was written, 1 on bad arguments, 2 when the
// print failed (its message on stderr).

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>

#include <cstdio>
#include <memory>

#include "datagrid/dk_table.h"
#include "fake_printer_source.h"
#include "platform/core/win_path.h"
#include "platform/data/data_source.h"
#include "platform/ui/forms.h"
#include "platform/ui/prompt_service.h"
#include "report/engine/rg_bands.h"
#include "report/engine/rg_calculated_text.h"
#include "report/engine/rg_component_registry.h"
#include "report/engine/rg_data_text.h"
#include "report/engine/rg_dataset_pipeline.h"
#include "report/engine/rg_engine_forms.h"
#include "report/engine/rg_report.h"
#include "report/engine/rg_template.h"
#include "report/engine/rg_text_components.h"
#include "report/output/rg_printer_device.h"
#include "storage/database_bridge.h"

namespace {

// Writes every prompt to stderr and answers it with OK; forms are not shown.
class TStderrPrompts : public TPromptService {
public:
    int Show(const TPrompt& Prompt, QString*) override
    {
        std::fprintf(stderr, "Meldung: %s\n", qPrintable(Prompt.Text));
        return mrOk;
    }
    TModalResult ShowModal(TCustomForm& Form) override
    {
        std::fprintf(stderr, "Fenster nicht gezeigt: %s\n", qPrintable(Form.Name));
        return mrCancel;
    }
};

// Prints the PDF job of the printer device into OutputFileName.
class TToolReport : public TrgReport {
public:
    using TrgReport::TrgReport;
    QString PdfFileName;
    void DeviceCreated(TrgDevice* Device) override
    {
        TrgReport::DeviceCreated(Device);
        if (auto* printer = dynamic_cast<TrgPrinterDevice*>(Device))
            printer->Printer()->OutputFileName = PdfFileName;
    }
};

// Header with the field names, one data text per field, footer with the page.
void BuildList(TComponent& Form, TrgReport& Report, TrgDataPipeline& Pipeline, const QStringList& Fields)
{
    auto* header = new TrgHeaderBand(&Form);
    Report.AddBand(header);
    header->SetmmHeight(10000);
    auto* detail = new TrgDetailBand(&Form);
    Report.AddBand(detail);
    detail->SetmmHeight(6000);
    detail->SetSave(true);  // the detail's data texts are what a text file holds
    auto* footer = new TrgFooterBand(&Form);
    Report.AddBand(footer);
    footer->SetmmHeight(10000);
    const int width = 190000 / std::max<int>(int(Fields.size()), 1);
    for (int f = 0; f < Fields.size(); ++f) {
        auto* title = new TrgLabel(&Form);
        title->SetBand(header);
        title->SetAutoSize(false);
        title->SetCaption(Fields[f]);
        title->SetmmBounds(f * width, 2000, width - 1000, 5000);
        auto* cell = new TrgDBText(&Form);
        cell->SetBand(detail);
        cell->SetAutoSize(false);
        cell->SetDataPipeline(&Pipeline);
        cell->SetDataField(Fields[f]);
        cell->SetSave(true);
        cell->SetmmBounds(f * width, 500, width - 1000, 5000);
    }
    auto* page = new TrgCalc(&Form);
    page->SetBand(footer);
    page->SetCalcType(ctPageSetDesc);
    page->SetmmBounds(0, 3000, 60000, 5000);
    Report.SetPassSetting(psTwoPass);
    Report.SetDataPipeline(&Pipeline);
}

int Fail(int Code, const QString& Message)
{
    std::fprintf(stderr, "%s\n", qPrintable(Message));
    return Code;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption table("table", "DBF table", "file");
    const QCommandLineOption templateFile("template", "report template (.RTM)", "file");
    const QCommandLineOption fields("fields", "fields of a list built here", "names");
    const QCommandLineOption device("device", "text, archive or pdf", "kind");
    const QCommandLineOption out("out", "output file", "file");
    parser.addOptions({table, templateFile, fields, device, out});
    parser.process(app);
    const QString kind = parser.value(device);
    if (!parser.isSet(table) || !parser.isSet(out) || (parser.isSet(templateFile) == parser.isSet(fields)) ||
        !QStringList{"text", "archive", "pdf"}.contains(kind))
        return Fail(1, QStringLiteral("Aufruf: --table DBF (--template RTM | --fields A,B) "
                                      "--device text|archive|pdf --out DATEI"));

    TStderrPrompts prompts;
    SetPromptService(&prompts);
    rgtest::InstallFakePrinters({rgtest::OfficeLaser(QStringLiteral("PDF"))});
    if (InstallDatabaseBridge() != DBIERR_NONE)
        return Fail(2, QStringLiteral("Die Datenbank lässt sich nicht starten."));
    rgInstallEngineForms();
    rgRegisterBuiltInComponentClasses();

    int result = 0;
    {
        const QFileInfo tableInfo(parser.value(table));
        TComponent form(nullptr);
        form.Name = QStringLiteral("frmPrintTool");
        TdkTable album;
        album.SetDatabaseName(LinuxToWinOrSelf(tableInfo.absolutePath()));
        album.SetTableName(tableInfo.fileName());
        TDataSource source(&album);
        auto* pipeline = new TrgBDEPipeline(&form);
        pipeline->Name = QStringLiteral("plAlbum");
        pipeline->SetDataSource(&source);
        auto* report = new TToolReport(&form);
        report->Name = QStringLiteral("rgReport1");
        try {
            album.Open();
            if (parser.isSet(templateFile)) {
                TrgReportTemplate* tpl = rgReportTemplate(report);
                tpl->SetFileName(QFileInfo(parser.value(templateFile)).absoluteFilePath());
                tpl->LoadFromFile();
            } else {
                BuildList(form, *report, *pipeline, parser.value(fields).split(QLatin1Char(',')));
            }
            const QString output = QFileInfo(parser.value(out)).absoluteFilePath();
            report->SetShowPrintDialog(false);
            report->SetShowCancelDialog(false);
            if (kind == QLatin1String("text")) {
                report->SetDevice(dvFile);
                report->SetTextFileName(output);
            } else if (kind == QLatin1String("archive")) {
                report->SetDevice(dvArchive);
                report->SetArchiveFileName(output);
            } else {
                report->SetDevice(dvPrinter);
                report->PdfFileName = output;
            }
            report->Print();
            if (!QFileInfo::exists(output))
                result = Fail(2, QStringLiteral("Es wurde keine Datei geschrieben."));
        } catch (const std::exception& e) {
            result = Fail(2, QString::fromUtf8(e.what()));
        }
        delete report;
        delete pipeline;
        album.Close();
    }
    UninstallDatabaseBridge();
    rgSetPrinterSource(nullptr);
    SetPromptService(nullptr);
    return result;
}
