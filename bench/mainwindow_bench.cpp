// Opening a 100 000-entry album through TMainForm::BilderDBFOeffnen: with
// its .CDX present (integrity check, open, tag check, order, tag list,
// manager table), and with the .CDX missing, where the opening builds the
// 43 tags under the progress window.

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

void AlbumFuellen(const std::string& file)
{
    const uint16_t area = dbe_Use(file.c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX);
    if (area == 0)
        std::abort();
    for (int i = 0; i < kRecords; ++i) {
        dbe_AppendBlank();
        const std::string desc = "Bild " + std::to_string((i * 7919) % kRecords);
        const std::string path = "C:\\Bilder\\Urlaub\\img_" + std::to_string(i) + ".jpg";
        const double bytes = 1000.0 + i;
        const char zugriff = i % 10 ? 'T' : 'F';
        dbe_Replace("SHORTDESC", DBE_REPL_TEXT, desc.c_str());
        dbe_Replace("PFAD", DBE_REPL_TEXT, path.c_str());
        dbe_Replace("SHORTNAME", DBE_REPL_TEXT, std::to_string(i * 31).c_str());
        dbe_Replace("BYTES", DBE_REPL_DOUBLE, &bytes);
        dbe_Replace("AUFNDATUM", DBE_REPL_DTOS, "20240131");
        dbe_Replace("ZUGRIFF", DBE_REPL_LOGICAL, &zugriff);
    }
    dbe_Commit();
    dbe_Close();
}

struct Fixture {
    std::unique_ptr<TMainForm> form;

    Fixture()
    {
        InstallDatabaseBridge();
        form = std::make_unique<TMainForm>(nullptr);
        const QString win = *LinuxToWin(QString::fromStdString(gDir.string())) + "\\";
        form->BilderDBFPfad = win;
        form->BilderDBF = "BILDER.DBF";
        form->ProgrammOptionen()->CheckBoxProtokollieren = false;
        form->ProgrammOptionen()->CheckBoxAlleMeldungen = false;
        form->ProgrammOptionen()->EditDatenbankenVerzeichnis = win;
        form->ErzeugeBilderDatenbankenVerwaltung(win, "LXMan.DBF");
        form->BilderDBFsOeffnen();
        form->ErzeugeBilderDatenbank(win, "BILDER.DBF");
        AlbumFuellen((gDir / "BILDER.DBF").string());
        if (form->BilderDBFOeffnen() != 1)
            std::abort();
    }
    ~Fixture()
    {
        form.reset();
        UninstallDatabaseBridge();
    }
};

Fixture& F()
{
    static Fixture fixture;
    return fixture;
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
    gDir = std::filesystem::temp_directory_path() / ("lumadex_bench_main_" + std::to_string(::getpid()));
    std::filesystem::create_directories(gDir / "home");
    std::filesystem::create_directories(gDir / "win");
    setenv("LUMADEX_HOME", (gDir / "home").c_str(), 1);
    setenv("LUMADEX_WINDIR", (gDir / "win").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(gDir);
    return 0;
}
