// Pagination of a list report: 10 000 records of six text fields (header,
// detail, footer on A4 with 10 mm margins), laid out with the real font
// measure. Every page is made with its draw commands; no device paints.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QRandomGenerator>

#include <memory>

#include "list_pipeline.h"
#include "report/engine/rg_bands.h"
#include "report/engine/rg_engine.h"
#include "report/engine/rg_report.h"
#include "report/engine/rg_text_components.h"
#include "report/output/rg_page.h"
#include "report/output/rg_printer_setup.h"

namespace {

constexpr int kRecords = 10000;
constexpr int kFields = 6;

class TCountingReport : public TrgReport {
public:
    using TrgReport::TrgReport;
    int Pages = 0;
    void PageGenerated() override
    {
        if (!Engine()->Page()->CalculationOnly && Engine()->Page()->Final)
            ++Pages;
    }
};

struct TListReport {
    TComponent owner{nullptr};
    std::unique_ptr<TListPipeline> rows;
    std::unique_ptr<TCountingReport> report = std::make_unique<TCountingReport>(&owner);

    explicit TListReport(TrgPassSettingType Pass)
    {
        QStringList names;
        for (int f = 0; f < kFields; ++f)
            names << QStringLiteral("Feld%1").arg(f);
        std::vector<QStringList> records;
        for (int r = 0; r < kRecords; ++r) {
            QStringList record;
            for (int f = 0; f < kFields; ++f)
                record << QStringLiteral("Wert %1/%2 Urlaub").arg(r).arg(f);
            records.push_back(record);
        }
        rows = std::make_unique<TListPipeline>(nullptr, names, records);
        const int a4[] = {10000, 10000, 10000, 10000, 297000, 210000};
        for (int i = 0; i < 6; ++i)
            report->PrinterSetup()->SetDefinedValue(i, a4[i]);
        report->SetPassSetting(Pass);

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
            auto* cell = new TrgLabel(&owner);
            cell->SetAutoSize(false);
            cell->SetBand(detail);
            cell->SetmmBounds(f * 31000, 500, 30000, 4000);
            cells.push_back(cell);
        }
        auto* pageText = new TrgLabel(&owner);
        pageText->SetBand(footer);
        pageText->SetCaption(QStringLiteral("Seite"));
        TListPipeline* pipeline = rows.get();
        detail->BeforePrint = [cells, names, pipeline](TObject*) {
            for (int f = 0; f < kFields; ++f)
                cells[size_t(f)]->SetCaption(pipeline->GetFieldAsString(names[f]));
        };
        report->SetDataPipeline(rows.get());
    }
};

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

}  // namespace

BENCHMARK(BM_OnePassAllPages)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TwoPassAllPages)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstPageOfAFreshPrint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PageMadeAgainFromTheCache)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    rgRegisterReportClasses();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
