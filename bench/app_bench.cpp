// Start-up to a shown main window: TMainForm made, its start-up run (ini,
// folders, options dialog, the album of 100 000 entries opened with its
// second view and full-text index, the manager table), the window shown and
// painted. The floor beside it: the same album opened through the engine
// (table and compound index) plus an empty Qt main window shown and painted.

#include "bench_album.h"
#include "bench_ordner.h"
#include "datagrid/dk_table.h"
#include "mainwindow/main_form.h"
#include "platform/core/win_path.h"
#include "platform/dbf/dbe.h"
#include "platform/ui/prompt_service.h"
#include "storage/database_bridge.h"
#include "storage/tdbe.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMainWindow>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

std::filesystem::path gDir;

// Nobody answers: messages OK, questions No, forms Cancel.
class TStill : public TPromptService {
public:
    int Show(const TPrompt& p, QString* value) override
    {
        if (value)
            *value = p.Value;
        return p.Kind == TPromptKind::Dialog && p.Buttons.Contains(mbNo) ? mrNo : mrOk;
    }
    TModalResult ShowModal(TCustomForm&) override { return mrCancel; }
};

std::string Album() { return (gDir / "home" / "Data" / "Database" / "BILDER.DBF").string(); }


std::unique_ptr<TMainForm> Starten()
{
    auto form = std::make_unique<TMainForm>(nullptr);
    form->DoCreate();
    form->Show();
    QApplication::processEvents();
    return form;
}

void Beenden(std::unique_ptr<TMainForm>& form)
{
    form->Ende1Click(nullptr);
    form.reset();
    dbe_CloseAll();
}

struct Fixture {
    TStill still;
    Fixture()
    {
        SetPromptService(&still);
        InstallDatabaseBridge();
        // The first start makes the album; the entries come through the
        // engine; the next start builds the index and the full-text index.
        auto form = Starten();
        Beenden(form);
        BenchAlbumFuellen(Album());
        std::filesystem::remove(gDir / "home" / "Data" / "Database" / "BILDER.CDX");
        std::filesystem::remove(gDir / "home" / "Data" / "Database" / "BILDER.IA");
        form = Starten();
        if (!form->TableBilder->Active() || form->DbeBilder->RecCount() != uint32_t(kBenchAlbumEintraege))
            std::abort();
        Beenden(form);
    }
};

Fixture& F()
{
    static Fixture fixture;
    return fixture;
}

void BM_StartBisFenster(benchmark::State& state)
{
    F();
    for (auto _ : state) {
        auto form = Starten();
        state.PauseTiming();
        if (!form->TableBilder->Active())
            std::abort();
        Beenden(form);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartBisFenster)->Unit(benchmark::kMillisecond);

// The parts of the start: the window built (menus, toolbar, pages, grid),
// and built with its start-up run but not shown.
void BM_TeilFensterBauen(benchmark::State& state)
{
    F();
    for (auto _ : state) {
        auto form = std::make_unique<TMainForm>(nullptr);
        state.PauseTiming();
        form.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_TeilFensterBauen)->Unit(benchmark::kMillisecond);

void BM_TeilStartOhneZeigen(benchmark::State& state)
{
    F();
    for (auto _ : state) {
        auto form = std::make_unique<TMainForm>(nullptr);
        form->DoCreate();
        state.PauseTiming();
        Beenden(form);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_TeilStartOhneZeigen)->Unit(benchmark::kMillisecond);

void BM_BodenEngineUndLeeresFenster(benchmark::State& state)
{
    F();
    for (auto _ : state) {
        const uint16_t area = dbe_Use(Album().c_str(), "", DBE_SHARED, DBE_TYPE_FOX);
        if (area == 0)
            std::abort();
        dbe_SetOrder(1);
        dbe_GoTop();
        QMainWindow fenster;
        fenster.resize(800, 600);
        fenster.show();
        QApplication::processEvents();
        state.PauseTiming();
        dbe_Close();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BodenEngineUndLeeresFenster)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    char vorlage[] = "/tmp/lumadex_app_bench_XXXXXX";
    if (!::mkdtemp(vorlage))
        return 1;
    gDir = vorlage;
    std::filesystem::create_directories(gDir / "home");
    std::filesystem::create_directories(gDir / "win");
    std::filesystem::create_directories(gDir / "run");
    setenv("LUMADEX_HOME", (gDir / "home").c_str(), 1);
    setenv("LUMADEX_WINDIR", (gDir / "win").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (gDir / "run").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("LANG", "C", 1);
    QApplication app(argc, argv);
    BenchLaufen(&argc, argv);
    std::filesystem::remove_all(gDir);
    return 0;
}
