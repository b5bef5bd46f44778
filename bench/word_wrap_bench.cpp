// Word wrap of a 10 000-line memo (German words, lines of 20 to 160
// characters) in a column 80 mm wide, with the real font measure at 1200
// units per inch, against measuring every line of the same text once with
// QFontMetricsF on the same device and font.

#include "platform/core/string_list.h"
#include "report/output/rg_text_measure.h"
#include "report/output/rg_word_wrap.h"

#include <benchmark/benchmark.h>

#include "bench_main.h"

#include <QGuiApplication>
#include <QImage>
#include <QRandomGenerator>
#include <QStringList>

#include <cstdlib>

namespace {

QStringList gLines;
QString gMemo;

void MakeMemo()
{
    const QStringList words = {
        "Urlaub", "am", "Meer", "mit", "der", "Familie", "Sonnenuntergang", "über", "den", "Dünen",
        "Bergwanderung", "Großmutter", "Geburtstag", "Hochzeit", "im", "Garten", "Schnee", "und",
        "Eis", "Ausflug", "nach", "München", "Köln", "Hamburg", "Fotoalbum", "Kinder", "spielen",
        "Strand", "Wellen", "Möwen", "Leuchtturm", "Abendessen", "Freunde", "Weihnachten", "1998",
        "Donaudampfschifffahrt", "Schloss", "Brücke", "Fluss", "Wald", "Herbstlaub", "Hund", "Katze",
    };
    QRandomGenerator random(4711);
    for (int i = 0; i < 10000; ++i) {
        const int length = 20 + int(random.bounded(141));
        QString line;
        while (line.size() < length)
            line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + words[random.bounded(words.size())];
        gLines << line;
    }
    gMemo = gLines.join(QStringLiteral("\r\n"));
}

TFont MemoFont()
{
    TFont font;
    font.SetName(QStringLiteral("Arial"));
    font.SetSize(10);
    return font;
}

void BM_WordWrapMemo(benchmark::State& state)
{
    const TFont font = MemoFont();
    // 80 mm wide and tall enough for every line.
    const TRect rect{0, 0, 80000, 1000000000};
    int lineCount = 0;
    for (auto _ : state) {
        TrgFontMetricsMeasure measure;
        TStringList lines;
        int position = 0;
        rgWordWrap(gMemo, rect, font, 0, true, lines, nullptr, measure, position, false);
        lineCount = lines.Count();
        benchmark::DoNotOptimize(position);
    }
    state.counters["lines"] = lineCount;
}

void BM_MeasureLinesWithFontMetrics(benchmark::State& state)
{
    const QFont font = TrgFontMetricsMeasure::MeasuringFont(MemoFont());
    QImage device(1, 1, QImage::Format_RGB32);
    device.setDotsPerMeterX(47244);
    device.setDotsPerMeterY(47244);
    for (auto _ : state) {
        const QFontMetricsF metrics(font, &device);
        double total = 0;
        for (const QString& line : gLines)
            total += metrics.horizontalAdvance(line);
        benchmark::DoNotOptimize(total);
    }
}

}  // namespace

BENCHMARK(BM_WordWrapMemo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MeasureLinesWithFontMetrics)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    MakeMemo();
    BenchInitialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
