// Cost of compiling and evaluating the expressions the album uses, per record.
#include <benchmark/benchmark.h>

#include "bench_main.h"

#include <random>
#include <string>
#include <vector>

#include "platform/dbf/expr_expression.h"
#include "platform/dbf/expr_query_bitmap.h"

using namespace dbfexpr;

namespace {

struct AlbumRecord {
    std::vector<ExprField> fields;
    std::vector<std::uint8_t> bytes;

    AlbumRecord()
    {
        const struct { const char* name; char type; std::uint32_t width; } layout[] = {
            {"SHORTDESC", 'C', 100}, {"OWNER", 'C', 15},   {"AUFNDATUM", 'D', 8}, {"BYTES", 'N', 10},
            {"BREITE", 'N', 4},      {"HOEHE", 'N', 4},    {"SERIE", 'C', 10},    {"QUELLE", 'C', 10},
            {"DATEI", 'C', 15},      {"PFAD", 'C', 239},   {"SHORTNAME", 'C', 11}, {"LABEL", 'C', 30},
            {"LABELKENNU", 'C', 14}, {"TYPE", 'C', 1},     {"PLAYLIST", 'C', 2},  {"QUALITAET", 'C', 3},
            {"MOTIV", 'C', 3},       {"MARKIERT", 'L', 1}, {"ZUGRIFF", 'L', 1},   {"PRIVAT", 'L', 1},
            {"ANYWHERE", 'L', 1},    {"NOTIZ", 'M', 10},   {"VORSCHAU", 'M', 10}, {"FLAGS", 'C', 10},
            {"FILEDATE", 'D', 8},    {"ZOOMFACTOR", 'N', 4}, {"RESERVE1", 'C', 15}, {"RESERVE2", 'C', 15},
            {"RESERVE3", 'C', 15}};
        std::uint32_t offset = 1;
        for (const auto& f : layout) {
            fields.push_back({f.name, f.type, offset, f.width, 0});
            offset += f.width;
        }
        bytes.assign(offset, ' ');
        Put("SHORTDESC", "Urlaub am Bodensee");
        Put("LABEL", "URLAUB 2024");
        Put("AUFNDATUM", "20240315");
        Put("BREITE", " 800");
        Put("BYTES", "    123456");
        Put("ZUGRIFF", "T");
        Put("QUELLE", "1");
    }

    void Put(const std::string& name, const std::string& text)
    {
        for (const auto& f : fields)
            if (f.name == name)
                std::copy(text.begin(), text.end(), bytes.begin() + f.offset);
    }
};

void Evaluate(benchmark::State& state, const char* text)
{
    AlbumRecord r;
    ExprError error;
    auto e = Expression::Compile(text, r.fields, error);
    if (!e) {
        state.SkipWithError(error.message.c_str());
        return;
    }
    ExprContext ctx;
    ExprValue value;
    for (auto _ : state) {
        e->Evaluate(r.bytes.data(), r.bytes.size(), ctx, value);
        benchmark::DoNotOptimize(value);
    }
}

void MakeKey(benchmark::State& state, const char* text)
{
    AlbumRecord r;
    ExprError error;
    auto e = Expression::Compile(text, r.fields, error);
    ExprContext ctx;
    std::string key;
    for (auto _ : state) {
        e->MakeKey(r.bytes.data(), r.bytes.size(), ctx, key);
        benchmark::DoNotOptimize(key.data());
    }
}

void Compile(benchmark::State& state)
{
    AlbumRecord r;
    for (auto _ : state) {
        ExprError error;
        auto e = Expression::Compile("(.not. deleted()) .and. (Zugriff)", r.fields, error);
        benchmark::DoNotOptimize(e.get());
    }
}

// Walks a bitmap of one million records in which one record in `range(0)` passes.
void BitmapWalk(benchmark::State& state)
{
    QueryBitmap bitmap(1000000);
    std::mt19937 rng(1);
    for (std::uint32_t r = 1; r <= bitmap.Size(); ++r)
        if (rng() % static_cast<std::uint32_t>(state.range(0)) == 0)
            bitmap.Set(r);
    for (auto _ : state) {
        std::uint32_t visited = 0;
        for (std::uint32_t r = bitmap.First(); r != 0; r = bitmap.Next(r))
            ++visited;
        benchmark::DoNotOptimize(visited);
    }
}

}  // namespace

BENCHMARK_CAPTURE(Evaluate, NotDeletedAndZugriff, ".NOT. DELETED() .AND. ZUGRIFF");
BENCHMARK_CAPTURE(Evaluate, TagCondition, "(.not. deleted()) .and. (Zugriff)");
BENCHMARK_CAPTURE(Evaluate, FieldFilterText, "LABEL = \"URLAUB\"");
BENCHMARK_CAPTURE(Evaluate, FieldFilterNumber, "BREITE = 800");
BENCHMARK_CAPTURE(Evaluate, ContainedIn, "\"see\" $ LOWER(SHORTDESC)");
BENCHMARK_CAPTURE(MakeKey, LowerShortDesc, "Lower(ShortDesc)");
BENCHMARK_CAPTURE(MakeKey, DtosAufnDatum, "DTOS(AufnDatum)");
BENCHMARK_CAPTURE(MakeKey, NumericBytes, "Bytes");
BENCHMARK(Compile);
BENCHMARK(BitmapWalk)->Arg(2)->Arg(100)->Arg(10000);

LUMADEX_BENCH_MAIN()
