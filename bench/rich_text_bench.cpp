// Rich text of N paragraphs (German words, every third paragraph bold, a
// coloured word in each, 200 to 600 characters a paragraph): read into the
// rich edit, written back, paged through rectangles of 180 x 250 mm as a
// stretching component continues over pages, and pages painted at 300 dots
// per inch.

#include "report/output/rg_rich_edit.h"
#include "report/output/rg_rtf_writer.h"

#include <benchmark/benchmark.h>

#include "bench_main.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>

#include <cstdlib>
#include <utility>
#include <vector>

namespace {

QByteArray MakeRichText(int paragraphs)
{
    const char* const words[] = {
        "Urlaub", "am", "Meer", "mit", "der", "Familie", "Sonnenuntergang", "\\'fcber", "den", "D\\'fcnen",
        "Bergwanderung", "Gro\\'dfmutter", "Geburtstag", "Hochzeit", "im", "Garten", "Schnee", "und",
        "Eis", "Ausflug", "nach", "M\\'fcnchen", "K\\'f6ln", "Hamburg", "Fotoalbum", "Kinder", "spielen",
    };
    QRandomGenerator random(4711);
    QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1 Times New Roman;}}"
                     "{\\colortbl;\\red200\\green0\\blue0;}\\f0\\fs20 ";
    for (int p = 0; p < paragraphs; ++p) {
        rtf += p % 3 == 0 ? "\\b " : "\\b0 ";
        const int length = 200 + int(random.bounded(401));
        int written = 0;
        while (written < length) {
            const QByteArray word = words[random.bounded(int(std::size(words)))];
            rtf += random.bounded(20) == 0 ? "{\\cf1\\f1 " + word + "} " : word + ' ';
            written += int(word.size()) + 1;
        }
        rtf += "\\par\n";
    }
    return rtf + "}";
}

const TRect kPage = Bounds(0, 0, 180000, 250000);

void BM_ReadRichText(benchmark::State& state)
{
    const QByteArray rtf = MakeRichText(int(state.range(0)));
    for (auto _ : state) {
        TrgRichEdit edit;
        edit.LoadFromBytes(rtf);
        benchmark::DoNotOptimize(edit.CharCount());
    }
    state.counters["bytes"] = double(rtf.size());
}

void BM_WriteRichText(benchmark::State& state)
{
    TrgRichEdit edit;
    edit.LoadFromBytes(MakeRichText(int(state.range(0))));
    for (auto _ : state)
        benchmark::DoNotOptimize(edit.RichText());
}

// Loaded, then every page measured once, as the generator does while it
// continues the text over pages.
void BM_PageThroughRichText(benchmark::State& state)
{
    const QByteArray rtf = MakeRichText(int(state.range(0)));
    int pages = 0;
    for (auto _ : state) {
        TrgRichEdit edit;
        edit.LoadFromBytes(rtf);
        pages = 0;
        for (int start = 0; start < edit.CharCount(); ++pages)
            start = edit.FitRange(start, -1, kPage).LastFittingChar + 1;
    }
    state.counters["pages"] = pages;
}

// Every page painted as the draw commands paint them: the shared rich edit
// loads the command's text (the whole text, the same every time) and paints
// the page's range at 300 dots per inch.
void BM_PaintEveryPage(benchmark::State& state)
{
    const QByteArray rtf = MakeRichText(int(state.range(0)));
    std::vector<std::pair<int, int>> pages;
    {
        TrgRichEdit pager;
        pager.LoadFromBytes(rtf);
        for (int start = 0; start < pager.CharCount();) {
            const int end = pager.FormatRange(start, -1, kPage);
            pages.emplace_back(start, end);
            start = end;
        }
    }
    const double scale = 300 / 25400.0;
    QImage image(int(kPage.Width() * scale), int(kPage.Height() * scale), QImage::Format_RGB32);
    TrgRichEdit shared;
    for (auto _ : state) {
        for (const auto& [start, end] : pages) {
            shared.LoadFromBytes(rtf);
            image.fill(Qt::white);
            QPainter painter(&image);
            benchmark::DoNotOptimize(
                shared.PaintRange(painter, QRectF(QPointF(0, 0), QSizeF(image.size())), start, end, kPage));
        }
    }
    state.counters["pages"] = double(pages.size());
}

}  // namespace

BENCHMARK(BM_ReadRichText)->Arg(200)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteRichText)->Arg(200)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PageThroughRichText)->Arg(200)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintEveryPage)->Arg(200)->Arg(2000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    BenchInitialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
