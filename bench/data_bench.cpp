// Walks a 100 000-record album-shaped table front to back: through a TTable
// over the database bridge (natural order, and an index order when the
// engine has indexes) and with the raw engine calls, reading one text field
// of every record.

#include "platform/data/table.h"
#include "platform/dbf/dbe.h"
#include "storage/database_bridge.h"

#include <benchmark/benchmark.h>

#include "bench_main.h"

#include <QString>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

constexpr int kRecords = 100000;

struct Fixture {
    std::filesystem::path dir;
    bool indexed = false;

    Fixture()
    {
        dir = std::filesystem::temp_directory_path() / ("lumadex_bench_data_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        const std::string file = (dir / "BILDER.DBF").string();
        dbe_CreateNew(file.c_str(), "XXXXXXXXXX", DBE_TYPE_FOX, 6);
        dbe_CreateField("SHORTDESC", 'C', 60, 0);
        dbe_CreateField("PFAD", 'C', 120, 0);
        dbe_CreateField("BYTES", 'N', 10, 0);
        dbe_CreateField("DATUM", 'D', 8, 0);
        dbe_CreateField("MARKIERT", 'L', 1, 0);
        dbe_CreateField("NOTIZ", 'M', 10, 0);
        dbe_CreateExec();
        for (int i = 0; i < kRecords; ++i) {
            dbe_AppendBlank();
            const std::string name = "Bild " + std::to_string((i * 7919) % kRecords);
            const std::string path = "C:\\Bilder\\Urlaub\\img_" + std::to_string(i) + ".jpg";
            const double bytes = 1000.0 + i;
            dbe_Replace("SHORTDESC", DBE_REPL_TEXT, name.c_str());
            dbe_Replace("PFAD", DBE_REPL_TEXT, path.c_str());
            dbe_Replace("BYTES", DBE_REPL_DOUBLE, &bytes);
            dbe_Replace("DATUM", DBE_REPL_DTOS, "20240131");
        }
        indexed = dbe_IndexTag(nullptr, "SHORTDESC", "SHORTDESC", 0, 0, nullptr) != 0;
        dbe_Commit();
        dbe_Close();
        InstallDatabaseBridge();
    }
    ~Fixture()
    {
        UninstallDatabaseBridge();
        std::filesystem::remove_all(dir);
    }
};

Fixture& Shared()
{
    static Fixture f;
    return f;
}

void WalkTable(benchmark::State& state, const QString& indexName)
{
    Fixture& f = Shared();
    if (!indexName.isEmpty() && !f.indexed) {
        state.SkipWithError("the engine has no indexes yet");
        return;
    }
    for (auto _ : state) {
        TTable t;
        t.SetDatabaseName(QString::fromStdString(f.dir.string()));
        t.SetTableName("BILDER.DBF");
        t.SetTableType(ttDXFOX);
        t.SetIndexName(indexName);
        t.Open();
        TField* name = t.FieldByName("SHORTDESC");
        int64_t n = 0;
        for (t.First(); !t.Eof(); t.Next()) {
            benchmark::DoNotOptimize(name->AsString());
            ++n;
        }
        t.Close();
        if (n != kRecords)
            state.SkipWithError("wrong record count");
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}

void BM_TableWalkNatural(benchmark::State& state) { WalkTable(state, QString()); }
void BM_TableWalkIndexed(benchmark::State& state) { WalkTable(state, QStringLiteral("SHORTDESC")); }

void EngineWalk(benchmark::State& state, bool indexed)
{
    Fixture& f = Shared();
    if (indexed && !f.indexed) {
        state.SkipWithError("the engine has no indexes yet");
        return;
    }
    const std::string file = (f.dir / "BILDER.DBF").string();
    for (auto _ : state) {
        const uint16_t area = dbe_Use(file.c_str(), "RAW", DBE_SHARED, DBE_TYPE_FOX);
        dbe_SetOrder(indexed ? dbe_TagArea("SHORTDESC") : 0);
        int64_t n = 0;
        for (dbe_GoTop(); !dbe_Eof(); dbe_Skip(1)) {
            benchmark::DoNotOptimize(dbe_GetTrimString("SHORTDESC"));
            ++n;
        }
        dbe_Select(area);
        dbe_Close();
        if (n != kRecords)
            state.SkipWithError("wrong record count");
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}

void BM_EngineWalkNatural(benchmark::State& state) { EngineWalk(state, false); }
void BM_EngineWalkIndexed(benchmark::State& state) { EngineWalk(state, true); }

}  // namespace

BENCHMARK(BM_EngineWalkNatural)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineWalkIndexed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TableWalkNatural)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TableWalkIndexed)->Unit(benchmark::kMillisecond);

LUMADEX_BENCH_MAIN()
