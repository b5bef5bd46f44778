// Figures of the engine companion and the program's DBF routines on a
// 20 000-record album-shaped table with ten index tags:
// - SchluesselSuchen, the exact key search the picture intake makes for
//   every file it meets (half of the keys are found, half are not);
// - LogSchreiben, one action-log entry (open, append, close);
// - TDbe.GetTrimString on a dataset whose engine record was moved elsewhere
//   (select, bring the engine onto the record, read, put it back).

#include "platform/data/table.h"
#include "platform/dbf/dbe.h"
#include "storage/action_log.h"
#include "storage/database_bridge.h"
#include "storage/dbf_routines.h"
#include "storage/tdbe.h"
#include "storage/tdbe_env.h"

#include <benchmark/benchmark.h>

#include "bench_main.h"

#include <QApplication>
#include <QString>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

namespace {

constexpr int kRecords = 20000;

struct Fixture {
    std::filesystem::path dir;
    QString folder;
    TTable table;
    TDataSource source{&table};
    TDbe dbe{nullptr};
    TDbeEnv env{nullptr};

    Fixture()
    {
        dir = std::filesystem::temp_directory_path() / ("lumadex_bench_dbe_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        folder = QString::fromStdString(dir.string()) + "/";
        const std::string file = (dir / "BILDER.DBF").string();
        dbe_CreateNew(file.c_str(), "XXXXXXXXXX", DBE_TYPE_FOX, 5);
        dbe_CreateField("SHORTNAME", 'C', 11, 0);
        dbe_CreateField("SHORTDESC", 'C', 60, 0);
        dbe_CreateField("PFAD", 'C', 120, 0);
        dbe_CreateField("BYTES", 'N', 10, 0);
        dbe_CreateField("DATUM", 'D', 8, 0);
        dbe_CreateExec();
        for (int i = 0; i < kRecords; ++i) {
            dbe_AppendBlank();
            std::string shortName = "K";
            shortName += std::to_string(i * 2);
            const std::string desc = "Bild " + std::to_string((i * 7919) % kRecords);
            const std::string path = "C:\\Bilder\\Urlaub\\img_" + std::to_string(i) + ".jpg";
            const double bytes = 1000.0 + i;
            dbe_Replace("SHORTNAME", DBE_REPL_TEXT, shortName.c_str());
            dbe_Replace("SHORTDESC", DBE_REPL_TEXT, desc.c_str());
            dbe_Replace("PFAD", DBE_REPL_TEXT, path.c_str());
            dbe_Replace("BYTES", DBE_REPL_DOUBLE, &bytes);
            dbe_Replace("DATUM", DBE_REPL_DTOS, "20240131");
        }
        const char* tags[][2] = {{"DESC", "SHORTDESC"}, {"PFAD", "UPPER(PFAD)"}, {"BYTES", "BYTES"},
                                 {"DATUM", "DTOS(DATUM)"}, {"DESCU", "UPPER(SHORTDESC)"},
                                 {"DP", "DTOS(DATUM)+SHORTDESC"}, {"PL", "LOWER(PFAD)"},
                                 {"BD", "STR(BYTES,10)+DTOS(DATUM)"}, {"SD", "SHORTDESC+SHORTNAME"},
                                 {"SHORTNAME", "SHORTNAME"}};
        for (const auto& t : tags)
            dbe_IndexTag(nullptr, t[0], t[1], 0, 0, nullptr);
        dbe_Commit();
        dbe_Close();
        InstallDatabaseBridge();
        env.SetCentury(true);
        env.SetDateFormat(dfGerman);
        dbe.SetDataSource(&source);
        table.SetDatabaseName(folder);
        table.SetTableName("BILDER.DBF");
        table.SetTableType(ttDXFOX);
        table.Open();
    }
    ~Fixture()
    {
        table.Close();
        UninstallDatabaseBridge();
        std::filesystem::remove_all(dir);
    }
};

Fixture* g_fixture = nullptr;

void BM_SchluesselSuchen(benchmark::State& state)
{
    Fixture& f = *g_fixture;
    int i = 0;
    int found = 0;
    for (auto _ : state) {
        // Even numbers exist, odd ones do not.
        const QString key = "K" + QString::number(i % (2 * kRecords));
        found += SchluesselSuchen(&f.dbe, &f.env, "SHORTNAME", 11, key);
        i += 7;
    }
    state.counters["found"] = benchmark::Counter(found, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_SchluesselSuchen);

void BM_LogSchreiben(benchmark::State& state)
{
    Fixture& f = *g_fixture;
    for (auto _ : state)
        LogSchreiben(f.folder, "LXLog.DBF", "Info", "Bild hinzugefuegt: C:\\Bilder\\Urlaub\\img_4711.jpg", "4711");
}
BENCHMARK(BM_LogSchreiben);

void BM_GetTrimStringSynced(benchmark::State& state)
{
    Fixture& f = *g_fixture;
    f.dbe.SetOrder(0);
    f.dbe.Go(5000);
    const uint16_t area = static_cast<uint16_t>(f.table.Handle());
    for (auto _ : state) {
        const uint16_t previous = dbe_Select(area);
        dbe_Go(12345);  // the engine stands elsewhere than the dataset
        dbe_Select(previous);
        benchmark::DoNotOptimize(f.dbe.GetTrimString("PFAD"));
    }
}
BENCHMARK(BM_GetTrimStringSynced);

}  // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    BenchInitialize(&argc, argv);
    auto fixture = std::make_unique<Fixture>();
    g_fixture = fixture.get();
    benchmark::RunSpecifiedBenchmarks();
    g_fixture = nullptr;
    fixture.reset();
    benchmark::Shutdown();
    return 0;
}
