// The screen device of the print preview over a list of 10 000 rows (30 a
// page, 334 pages of A4), made by a stand-in engine that builds each page's
// draw commands when asked: the first page shown at whole page in a window
// of 700 x 520, a turn to a page the publisher already holds, and the way
// to the last page, against making every page without showing any.

#include <benchmark/benchmark.h>

#include "bench_main.h"

#include <QApplication>

#include <cstdlib>

#include "report/output/rg_draw_commands.h"
#include "report/output/rg_page.h"
#include "report/output/rg_printer_setup.h"
#include "report/output/rg_publisher.h"
#include "report/output/rg_screen_device.h"
#include "report/output/rg_units.h"

namespace {

constexpr int kRows = 10000;
constexpr int kRowsPerPage = 30;
constexpr int kPages = (kRows + kRowsPerPage - 1) / kRowsPerPage;

TrgDrawText* Text(TrgPage& page, const QString& text, int left, int top, int width)
{
    auto* command = new TrgDrawText(nullptr);
    command->Text = text;
    command->Left = left;
    command->Top = top;
    command->Width = width;
    command->Height = 6000;
    command->Transparent = true;
    command->Font()->SetName(QStringLiteral("Arial"));
    command->Font()->SetHeight(-13);
    command->Font()->SetColor(clBlack);
    command->SetPage(&page);
    return command;
}

// Makes pages in order until the publisher's request is met.
class ListSource {
public:
    explicit ListSource(TrgPublisher& publisher) : publisher_(publisher)
    {
        setup_.SetUnits(utMillimeters);
        setup_.SetPaperWidth(210);
        setup_.SetPaperHeight(297);
        publisher.OnPageRequest = [this](TObject*, TrgPageSettingType, int, TStringList*) {
            for (int n = 1; n <= kPages && !publisher_.RequestSatisfied(); ++n)
                Produce(n);
        };
    }
    void Produce(int number)
    {
        page_.FreeDrawCommands();
        page_.SetPrinterSetup(&setup_);
        page_.DocumentName = QStringLiteral("Bilderliste");
        page_.AbsolutePageNo = page_.PageNo = number;
        page_.AbsolutePageCount = page_.PageCount = kPages;
        page_.FirstPage = number == 1;
        page_.LastPage = number == kPages;
        page_.Final = true;
        Text(page_, QStringLiteral("Bilderliste"), 20000, 15000, 170000);
        for (int row = 0; row < kRowsPerPage; ++row) {
            const int picture = (number - 1) * kRowsPerPage + row + 1;
            if (picture > kRows)
                break;
            const int top = 28000 + row * 7500;
            Text(page_, QStringLiteral("C:\\Bilder\\Urlaub\\IMG_%1.JPG").arg(picture, 5, 10, QChar(u'0')), 20000, top,
                 110000);
            Text(page_, QStringLiteral("%1 KB").arg(picture % 900 + 100), 140000, top, 50000);
        }
        publisher_.ReceivePage(&page_);
    }

private:
    TrgPublisher& publisher_;
    TrgPrinterSetup setup_{nullptr};
    TrgPage page_{nullptr};
};

struct Preview {
    Preview()
    {
        device.BoxSize = QSize(700, 520);
        device.StatusEnabled = false;
        device.SetPublisher(&publisher);
    }
    TrgPublisher publisher{nullptr};
    ListSource source{publisher};
    TrgScreenDevice device{nullptr};
};

void BM_FirstPageShown(benchmark::State& state)
{
    for (auto _ : state) {
        Preview preview;
        preview.publisher.PublishJob();
        benchmark::DoNotOptimize(preview.device.PageBitmap().constBits());
    }
}

void BM_TurnToAHeldPage(benchmark::State& state)
{
    Preview preview;
    preview.publisher.SetCachePages(true);
    preview.publisher.PublishJob();
    preview.device.GotoPage(2);
    int page = 1;
    for (auto _ : state) {
        preview.device.GotoPage(page);
        page = page == 1 ? 2 : 1;
    }
}

void BM_GoToTheLastPage(benchmark::State& state)
{
    for (auto _ : state) {
        Preview preview;
        preview.publisher.PublishJob();
        preview.device.LastPage();
        benchmark::DoNotOptimize(preview.device.GetAbsolutePageNo());
    }
}

// The same pages made and handed to no device that draws.
void BM_MakeEveryPageOnly(benchmark::State& state)
{
    for (auto _ : state) {
        TrgPublisher publisher(nullptr);
        ListSource source(publisher);
        for (int n = 1; n <= kPages; ++n)
            source.Produce(n);
    }
}

}  // namespace

BENCHMARK(BM_FirstPageShown)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TurnToAHeldPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GoToTheLastPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MakeEveryPageOnly)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    rgSetScreenPixelsPerInch(96);
    rgRegisterDrawCommandClasses();
    BenchInitialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
