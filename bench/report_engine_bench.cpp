// A list report of 10 000 records with six text fields (header, detail,
// footer with "Page n of m" on A4 with 10 mm margins), laid out with the
// real font measure: pagination alone (no device paints), the whole report
// printed to a PDF through the printer device against the floor of the
// same texts drawn with QPainter straight into a QPdfWriter, the first page
// ready for the preview's screen device, the real preview form (first page
// shown, a page turn, the last page), and the peak memory growth of a
// 100 000-record print.

#include <benchmark/benchmark.h>

#include "bench_main.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <memory>

#include "fake_printer_source.h"
#include "list_pipeline.h"
#include "report/engine/rg_bands.h"
#include "report/engine/rg_calculated_text.h"
#include "report/engine/rg_data_text.h"
#include "report/engine/rg_engine.h"
#include "report/engine/rg_report.h"
#include "report/engine/rg_text_components.h"
#include "platform/ui/buttons.h"
#include "report/output/rg_page.h"
#include "report/output/rg_preview_form.h"
#include "report/output/rg_printer_device.h"
#include "report/output/rg_printer_setup.h"
#include "report/output/rg_screen_device.h"
#include "report/output/rg_viewer.h"

namespace {

constexpr int kRecords = 10000;
constexpr int kFields = 6;

class TCountingReport : public TrgReport {
public:
    using TrgReport::TrgReport;
    int Pages = 0;
    // Pages go on to the publisher's devices (pagination alone keeps them).
    bool HandOn = false;
    // The printer device prints into this PDF file.
    QString PdfFileName;
    void PageGenerated() override
    {
        if (HandOn)
            TrgReport::PageGenerated();
        if (!Engine()->Page()->CalculationOnly && Engine()->Page()->Final)
            ++Pages;
    }
    void DeviceCreated(TrgDevice* Device) override
    {
        TrgReport::DeviceCreated(Device);
        if (auto* printer = dynamic_cast<TrgPrinterDevice*>(Device))
            printer->Printer()->OutputFileName = PdfFileName;
    }
};

QString CellText(int Record, int Field) { return QStringLiteral("Wert %1/%2 Urlaub").arg(Record).arg(Field); }

// Records rows of one text per name, made by Cell(row, column).
std::unique_ptr<TListPipeline> MakeRows(const QStringList& Names, int Records, QString (*Cell)(int, int))
{
    std::vector<QStringList> records;
    for (int r = 0; r < Records; ++r) {
        QStringList record;
        for (int c = 0; c < Names.size(); ++c)
            record << Cell(r, c);
        records.push_back(record);
    }
    return std::make_unique<TListPipeline>(nullptr, Names, records);
}

// A4 with 10 mm margins, one or two passes.
void SetUpA4(TrgReport& Report, TrgPassSettingType Pass)
{
    const int a4[] = {10000, 10000, 10000, 10000, 297000, 210000};
    for (int i = 0; i < 6; ++i)
        Report.PrinterSetup()->SetDefinedValue(i, a4[i]);
    Report.SetPassSetting(Pass);
}

struct TListReport {
    TComponent owner{nullptr};
    std::unique_ptr<TListPipeline> rows;
    std::unique_ptr<TCountingReport> report = std::make_unique<TCountingReport>(&owner);

    explicit TListReport(TrgPassSettingType Pass, int Records = kRecords)
    {
        QStringList names;
        for (int f = 0; f < kFields; ++f)
            names << QStringLiteral("Feld%1").arg(f);
        rows = MakeRows(names, Records, CellText);
        SetUpA4(*report, Pass);

        auto* header = new TrgHeaderBand(&owner);
        report->AddBand(header);
        header->SetmmHeight(8000);
        auto* detail = new TrgDetailBand(&owner);
        report->AddBand(detail);
        detail->SetmmHeight(5000);
        auto* footer = new TrgFooterBand(&owner);
        report->AddBand(footer);
        footer->SetmmHeight(8000);
        std::vector<TrgLabel*> cells;
        for (int f = 0; f < kFields; ++f) {
            auto* title = new TrgLabel(&owner);
            title->SetBand(header);
            title->SetCaption(names[f]);
            title->SetmmBounds(f * 31000, 1000, 30000, 5000);
            auto* cell = new TrgLabel(&owner);
            cell->SetAutoSize(false);
            cell->SetBand(detail);
            cell->SetmmBounds(f * 31000, 500, 30000, 4000);
            // Text on the white sheet, as the floor draws it: no white box
            // painted under each cell.
            cell->SetTransparent(true);
            cells.push_back(cell);
        }
        auto* pageText = new TrgCalc(&owner);
        pageText->SetBand(footer);
        pageText->SetCalcType(ctPageSetDesc);
        pageText->SetmmBounds(0, 2000, 60000, 5000);
        TListPipeline* pipeline = rows.get();
        detail->BeforePrint = [cells, names, pipeline](TObject*) {
            for (int f = 0; f < kFields; ++f)
                cells[size_t(f)]->SetCaption(pipeline->GetFieldAsString(names[f]));
        };
        report->SetDataPipeline(rows.get());
        report->SetShowPrintDialog(false);
        report->SetShowCancelDialog(false);
    }

    // Prints every page through the printer device into FileName.
    void PrintToPdf(const QString& FileName)
    {
        report->HandOn = true;
        report->PdfFileName = FileName;
        report->Pages = 0;
        report->Reset();
        report->SetDevice(dvPrinter);
        report->Print();
    }
};

// The floor: the same texts in the same places (header titles, six cells a
// record, "Page n of m") drawn with QPainter into a QPdfWriter at the
// printer's resolution, RecordsPerPage records a page.
void DrawRawPdf(const QString& FileName, int RecordsPerPage)
{
    QPdfWriter writer(FileName);
    writer.setResolution(TrgPrinter::kResolution);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(10);
    painter.setFont(font);
    const double dots = TrgPrinter::kResolution / 25400.0;  // per thousandth of a millimetre
    auto box = [dots](int Left, int Top, int Width, int Height) {
        return QRect(int(Left * dots), int(Top * dots), int(Width * dots), int(Height * dots));
    };
    const int pages = (kRecords + RecordsPerPage - 1) / RecordsPerPage;
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            writer.newPage();
        for (int f = 0; f < kFields; ++f)
            painter.drawText(box(10000 + f * 31000, 11000, 30000, 5000), Qt::AlignLeft, QStringLiteral("Feld%1").arg(f));
        const int first = page * RecordsPerPage;
        for (int r = first; r < std::min(first + RecordsPerPage, kRecords); ++r) {
            const int top = 18000 + (r - first) * 5000 + 500;
            for (int f = 0; f < kFields; ++f)
                painter.drawText(box(10000 + f * 31000, top, 30000, 4000), Qt::AlignLeft, CellText(r, f));
        }
        painter.drawText(box(10000, 281000, 60000, 5000), Qt::AlignLeft,
                         QStringLiteral("Page %1 of %2").arg(page + 1).arg(pages));
    }
}

// Kilobytes of the process's peak resident memory (VmHWM).
long PeakResidentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').front().toLong();
    return 0;
}

// Lets the peak resident memory start again from the current one.
void ResetPeakResident()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

void AllPages(benchmark::State& State, TrgPassSettingType Pass)
{
    TListReport list(Pass);
    for (auto _ : State) {
        list.report->Pages = 0;
        list.report->Reset();
        list.report->PageRequest(psAll, 1, nullptr);
        benchmark::DoNotOptimize(list.report->Pages);
    }
    State.counters["pages"] = list.report->Pages;
}

void BM_OnePassAllPages(benchmark::State& State) { AllPages(State, psOnePass); }
void BM_TwoPassAllPages(benchmark::State& State) { AllPages(State, psTwoPass); }

void BM_FirstPageOfAFreshPrint(benchmark::State& State)
{
    TListReport list(psOnePass);
    for (auto _ : State) {
        list.report->Reset();
        list.report->PageRequest(psSinglePage, 1, nullptr);
    }
}

void BM_PageMadeAgainFromTheCache(benchmark::State& State)
{
    TListReport list(psOnePass);
    list.report->PageRequest(psAll, 1, nullptr);
    const int pages = list.report->Pages;
    for (auto _ : State)
        list.report->PageRequest(psSinglePage, 1 + int(QRandomGenerator::global()->bounded(pages)), nullptr);
}

void PdfThroughPrinterDevice(benchmark::State& State, TrgPassSettingType Pass)
{
    QTemporaryDir dir;
    TListReport list(Pass);
    for (auto _ : State)
        list.PrintToPdf(dir.filePath(QStringLiteral("liste.pdf")));
    State.counters["pages"] = list.report->Pages;
    State.counters["pdf_kB"] = double(QFile(dir.filePath(QStringLiteral("liste.pdf"))).size()) / 1024;
}

void BM_PdfThroughPrinterDeviceOnePass(benchmark::State& State) { PdfThroughPrinterDevice(State, psOnePass); }
void BM_PdfThroughPrinterDeviceTwoPasses(benchmark::State& State) { PdfThroughPrinterDevice(State, psTwoPass); }

void BM_RawPdfFloor(benchmark::State& State)
{
    QTemporaryDir dir;
    // The report's page holds the records between the header (18 mm from
    // the top edge) and the footer (from 279 mm): 261 mm / 5 mm.
    constexpr int kRecordsPerPage = 52;
    for (auto _ : State)
        DrawRawPdf(dir.filePath(QStringLiteral("roh.pdf")), kRecordsPerPage);
    State.counters["pages"] = (kRecords + kRecordsPerPage - 1) / kRecordsPerPage;
}

// ---- the list of the shared floor program ----------------------------------
//
// floors/report_list_floor.cpp draws 10 000 rows of six cells (5 mm rows,
// 31 mm columns, 9 pt DejaVu Sans, 10 mm margins on A4) with QPainter
// straight into a QPdfWriter and reports the milliseconds it took. The same
// list printed through the engine: one template with a detail band of six
// data texts, no header or footer, through the printer device into a PDF.

constexpr int kFloorRows = 10000;
constexpr int kFloorColumns = 6;

// The floor program's cell texts.
QString FloorCell(int Row, int Column)
{
    return Column == 0 ? QString::number(Row + 1)
                       : QStringLiteral("Bild_%1_%2.jpg").arg(Row, 5, 10, QChar('0')).arg(Column);
}

// The floor's PDF time of this run, for the engine's figures beside it.
double floorMs = 0;

struct TFloorList {
    TComponent owner{nullptr};
    std::unique_ptr<TListPipeline> rows;
    std::unique_ptr<TCountingReport> report = std::make_unique<TCountingReport>(&owner);

    explicit TFloorList(TrgPassSettingType Pass)
    {
        QStringList names;
        for (int c = 0; c < kFloorColumns; ++c)
            names << QStringLiteral("Spalte%1").arg(c);
        rows = MakeRows(names, kFloorRows, FloorCell);
        SetUpA4(*report, Pass);
        auto* detail = new TrgDetailBand(&owner);
        report->AddBand(detail);
        detail->SetmmHeight(5000);
        for (int c = 0; c < kFloorColumns; ++c) {
            auto* cell = new TrgDBText(&owner);
            cell->SetBand(detail);
            cell->SetAutoSize(false);
            cell->SetmmBounds(c * 31000, 0, 31000, 5000);
            cell->SetTransparent(true);
            cell->Font()->SetName(QStringLiteral("DejaVu Sans"));
            cell->Font()->SetSize(9);
            cell->SetDataPipeline(rows.get());
            cell->SetDataField(names[c]);
        }
        report->SetDataPipeline(rows.get());
        report->SetShowPrintDialog(false);
        report->SetShowCancelDialog(false);
        report->HandOn = true;
        report->SetDevice(dvPrinter);
    }
};

// The floor program, run in this run: its own PDF time is the figure.
void BM_ListFloorPdf(benchmark::State& State)
{
    QTemporaryDir dir;
    double total = 0;
    int pages = 0;
    for (auto _ : State) {
        QProcess floor;
        floor.setWorkingDirectory(dir.path());
        floor.start(QStringLiteral(LX_REPORT_LIST_FLOOR), {QString::number(kFloorRows)});
        floor.waitForFinished(-1);
        const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("pdf: (\\d+) pages, (\\d+) ms"))
                                              .match(QString::fromUtf8(floor.readAllStandardOutput()));
        if (!m.hasMatch()) {
            State.SkipWithError("the floor program did not report its time");
            return;
        }
        pages = m.captured(1).toInt();
        const double ms = m.captured(2).toDouble();
        total += ms;
        State.SetIterationTime(ms / 1000);
    }
    floorMs = total / double(State.iterations());
    State.counters["pages"] = pages;
}

void ListThroughPrinterDevice(benchmark::State& State, TrgPassSettingType Pass)
{
    QTemporaryDir dir;
    TFloorList list(Pass);
    list.report->PdfFileName = dir.filePath(QStringLiteral("liste.pdf"));
    double total = 0;
    for (auto _ : State) {
        QElapsedTimer timer;
        timer.start();
        list.report->Pages = 0;
        list.report->Reset();
        list.report->Print();
        total += double(timer.nsecsElapsed()) / 1e6;
    }
    State.counters["pages"] = list.report->Pages;
    State.counters["pdf_kB"] = double(QFile(list.report->PdfFileName).size()) / 1024;
    if (floorMs > 0)
        State.counters["x_floor"] = total / double(State.iterations()) / floorMs;
}

void BM_ListPdfOnePass(benchmark::State& State) { ListThroughPrinterDevice(State, psOnePass); }
void BM_ListPdfTwoPasses(benchmark::State& State) { ListThroughPrinterDevice(State, psTwoPass); }

// A fresh print until the preview's screen device holds page 1, rendered.
void BM_FirstPageReadyForThePreview(benchmark::State& State)
{
    TListReport list(psOnePass);
    list.report->HandOn = true;
    list.report->SetDevice(dvScreen);
    TComponent viewerStandIn(nullptr);
    auto* screen = new TrgScreenDevice(&viewerStandIn);
    screen->BoxSize = QSize(1200, 900);
    screen->SetPublisher(list.report->Publisher());
    for (auto _ : State) {
        list.report->Reset();
        list.report->Publish();
        if (screen->GetAbsolutePageNo() != 1 || screen->PageBitmap().isNull())
            State.SkipWithError("page 1 not shown");
    }
    screen->SetPublisher(nullptr);
}

// The real preview form, opened modeless over the list as a user opens it:
// Print returns once the viewer shows page 1.
TrgPrintPreview* OpenPreview(TListReport& List)
{
    List.report->HandOn = true;
    List.report->Reset();
    List.report->SetDevice(dvScreen);
    List.report->SetModalPreview(false);
    List.report->Print();
    return dynamic_cast<TrgPrintPreview*>(List.report->PreviewForm());
}

void ClosePreview(TrgPrintPreview* Form)
{
    Form->Close();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// From Print until the preview form's viewer shows page 1.
void BM_PreviewFormFirstPageVisible(benchmark::State& State)
{
    TListReport list(psOnePass);
    for (auto _ : State) {
        TrgPrintPreview* form = OpenPreview(list);
        if (!form || form->rgViewer1->AbsolutePageNo() != 1) {
            State.SkipWithError("page 1 not shown");
            break;
        }
        State.PauseTiming();
        ClosePreview(form);
        State.ResumeTiming();
    }
}

// The preview's next / prior buttons between two pages it has made.
void BM_PreviewFormTurnToAMadePage(benchmark::State& State)
{
    TListReport list(psOnePass);
    TrgPrintPreview* form = OpenPreview(list);
    if (!form) {
        State.SkipWithError("no preview");
        return;
    }
    form->spbPreviewNext->Click();
    form->spbPreviewPrior->Click();
    bool forward = true;
    for (auto _ : State) {
        (forward ? form->spbPreviewNext : form->spbPreviewPrior)->Click();
        forward = !forward;
    }
    if (form->rgViewer1->AbsolutePageNo() != (forward ? 1 : 2))
        State.SkipWithError("the page did not turn");
    ClosePreview(form);
}

// The preview's last-page button on a fresh preview, to compare with
// BM_PdfThroughPrinterDeviceOnePass (the same report printed to a PDF).
void BM_PreviewFormGoToTheLastPage(benchmark::State& State)
{
    TListReport list(psOnePass);
    int lastPage = 0;
    for (auto _ : State) {
        State.PauseTiming();
        TrgPrintPreview* form = OpenPreview(list);
        if (!form) {
            State.SkipWithError("no preview");
            break;
        }
        State.ResumeTiming();
        form->spbPreviewLast->Click();
        lastPage = form->rgViewer1->AbsolutePageNo();
        State.PauseTiming();
        ClosePreview(form);
        State.ResumeTiming();
    }
    State.counters["last_page"] = lastPage;
}

// Peak memory growth of a 100 000-record print to PDF, the records already
// held by the pipeline: pages are made again from the page cache, never
// all kept.
void BM_PeakMemoryOf100000Records(benchmark::State& State)
{
    QTemporaryDir dir;
    TListReport list(psTwoPass, 100000);
    for (auto _ : State) {
        ResetPeakResident();
        const long before = PeakResidentKb();
        list.PrintToPdf(dir.filePath(QStringLiteral("gross.pdf")));
        State.counters["peak_growth_MB"] = double(PeakResidentKb() - before) / 1024;
    }
    State.counters["pages"] = list.report->Pages;
}

}  // namespace

BENCHMARK(BM_ListFloorPdf)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_ListPdfOnePass)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListPdfTwoPasses)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PdfThroughPrinterDeviceOnePass)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PdfThroughPrinterDeviceTwoPasses)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawPdfFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstPageReadyForThePreview)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewFormFirstPageVisible)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewFormTurnToAMadePage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewFormGoToTheLastPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeakMemoryOf100000Records)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_OnePassAllPages)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TwoPassAllPages)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstPageOfAFreshPrint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PageMadeAgainFromTheCache)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    rgRegisterReportClasses();
    TrgPrintPreview::Register();
    rgtest::InstallFakePrinters({rgtest::OfficeLaser()});
    BenchInitialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
