// Opening a 100 000-entry album through TMainForm::BilderDBFOeffnen: with
// its .CDX present (integrity check, open, tag check, order, tag list,
// manager table), and with the .CDX missing, where the opening builds the
// 43 tags under the progress window.

#include "bench_album.h"
#include "bench_hauptfenster.h"
#include "bench_ordner.h"
#include "datagrid/dk_table.h"
#include "mainwindow/main_form.h"
#include "platform/core/win_path.h"
#include "platform/dbf/dbe.h"
#include "storage/database_bridge.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

constexpr int kRecords = 100000;
std::filesystem::path gDir;


struct Fixture {
    std::unique_ptr<TMainForm> form;

    Fixture()
    {
        InstallDatabaseBridge();
        form = std::make_unique<TMainForm>(nullptr);
        const QString win = BenchHauptfensterEinrichten(*form, gDir);
        form->ErzeugeBilderDatenbank(win, "BILDER.DBF");
        BenchAlbumFuellen((gDir / "BILDER.DBF").string(), kRecords);
        if (form->BilderDBFOeffnen() != 1)
            std::abort();
    }
    ~Fixture()
    {
        form.reset();
        UninstallDatabaseBridge();
    }
};

// Made on first use; main frees it while the application still exists,
// since the main window's controls need it when they go.
std::unique_ptr<Fixture> gFixture;

Fixture& F()
{
    if (!gFixture)
        gFixture = std::make_unique<Fixture>();
    return *gFixture;
}

void BM_OpenAlbumWithIndex(benchmark::State& state)
{
    Fixture& f = F();
    for (auto _ : state) {
        f.form->TableBilder->Close();
        if (f.form->BilderDBFOeffnen() != 1)
            state.SkipWithError("open failed");
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}

void BM_OpenAlbumBuildingItsTags(benchmark::State& state)
{
    Fixture& f = F();
    for (auto _ : state) {
        state.PauseTiming();
        f.form->TableBilder->Close();
        std::filesystem::remove(gDir / "BILDER.CDX");
        state.ResumeTiming();
        if (f.form->BilderDBFOeffnen() != 1)
            state.SkipWithError("open failed");
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}

}  // namespace

BENCHMARK(BM_OpenAlbumWithIndex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenAlbumBuildingItsTags)->Unit(benchmark::kMillisecond)->Iterations(2);

int main(int argc, char** argv)
{
    gDir = BenchOrdnerAnlegen("main");
    QApplication app(argc, argv);
    BenchLaufen(&argc, argv);
    gFixture.reset();
    std::filesystem::remove_all(gDir);
    return 0;
}
