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
#include <QProcess>
#include <QRegularExpression>

#include <cstdio>
#include <ctime>

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

#if defined(LX_LUMADEX) && defined(LX_START_FLOOR)

// The start as a process: the program `lumadex` (with LUMADEX_STARTZEITEN=ende
// it reports when its Qt application stood and when the first paint of its
// main window ended, then ends as "Ende" does) and the floor program (the
// album opened through the engine, an empty main window painted). The time
// taken is from the Qt application to the first paint; the counter
// "ab_prozess_ms" counts from the process's start instead (CLOCK_MONOTONIC is
// the same clock in every process).

long long Jetzt()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (long long)t.tv_sec * 1000000000LL + t.tv_nsec;
}

struct TProzessZeiten {
    double AbQt = 0;       // ms from the Qt application to the painted window
    double AbProzess = 0;  // ms from the process's start
    bool Ok = false;
};

TProzessZeiten ProzessStarten(const QString& programm, const QStringList& argumente)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LUMADEX_STARTZEITEN"), QStringLiteral("ende"));
    p.setProcessEnvironment(env);
    const long long start = Jetzt();
    p.start(programm, argumente);
    p.waitForFinished(60000);
    const QString fehler = QString::fromUtf8(p.readAllStandardError());
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("lumadex-start qt=(\\d+) fenster=(\\d+)")).match(fehler);
    TProzessZeiten z;
    if (!m.hasMatch() || p.exitCode() != 0)
        return z;
    const long long qt = m.captured(1).toLongLong(), fenster = m.captured(2).toLongLong();
    z.AbQt = double(fenster - qt) / 1e6;
    z.AbProzess = double(fenster - start) / 1e6;
    z.Ok = true;
    return z;
}

void ProzessMessen(benchmark::State& state, const QString& programm, const QStringList& argumente)
{
    F();
    // A first start of the program as a process: the program folder seeded,
    // what a first start does, done before any figure.
    static const bool eingelaufen = [&] {
        ProzessStarten(QStringLiteral(LX_LUMADEX), {});
        return true;
    }();
    (void)eingelaufen;
    double abProzess = 0;
    for (auto _ : state) {
        const TProzessZeiten z = ProzessStarten(programm, argumente);
        if (!z.Ok) {
            state.SkipWithError("the program did not report its start");
            return;
        }
        state.SetIterationTime(z.AbQt / 1000);
        abProzess += z.AbProzess;
    }
    state.counters["ab_prozess_ms"] = abProzess / double(state.iterations());
}

void BM_ProzessStartBisFenster(benchmark::State& state) { ProzessMessen(state, QStringLiteral(LX_LUMADEX), {}); }
BENCHMARK(BM_ProzessStartBisFenster)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

// LUMADEX_BENCH_VORHER names another build of the program (an earlier
// one), measured in the same run for a before/after figure.
void BM_ProzessStartVorher(benchmark::State& state)
{
    const QString vorher = qEnvironmentVariable("LUMADEX_BENCH_VORHER");
    if (vorher.isEmpty()) {
        state.SkipWithError("LUMADEX_BENCH_VORHER is not set");
        return;
    }
    ProzessMessen(state, vorher, {});
}
BENCHMARK(BM_ProzessStartVorher)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

void BM_ProzessBodenLeeresFenster(benchmark::State& state)
{
    ProzessMessen(state, QStringLiteral(LX_START_FLOOR), {QString::fromStdString(Album())});
}
BENCHMARK(BM_ProzessBodenLeeresFenster)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

#endif

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
    // LUMADEX_BENCH_BEHALTEN keeps the folder (its album and settings) for a
    // profile of the program's start.
    if (std::getenv("LUMADEX_BENCH_BEHALTEN"))
        std::fprintf(stderr, "folder kept: %s\n", gDir.c_str());
    else
        std::filesystem::remove_all(gDir);
    return 0;
}
