// The first filter command of a fresh process: each sample is a new process
// (this program started again with --kind=...) that opens the 100 000-entry
// album as the program does (main window, album and full-text index open)
// and times its first label filter, date range or full-text filter, with
// nothing run before it. Beside them, in the same interleaved run, fresh
// processes time SQLite's first count on a newly opened connection over the
// same rows (indexes on label and date, an FTS5 trigram table), and the
// engine's first query alone (dbe_Query + dbe_QueryRecCount).
//
// Each child reports its time on its standard output; the parent feeds it
// to Google Benchmark as manual time, so the repetitions in random order
// interleave the kinds of process. Samples per repetition:
// LUMADEX_BENCH_SAMPLES (default 3).

#include "bench_hauptfenster.h"
#include "filter_search_album.h"
#include "bench_ordner.h"
#include "mainwindow/main_form.h"
#include "platform/dbf/dbe.h"
#include "storage/database_bridge.h"
#include "storage/tdbe.h"
#include "storage/tfts.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_START_INSTRUMENTATION
#define CALLGRIND_STOP_INSTRUMENTATION
#endif

extern char** environ;

namespace {

using filterbench::AlbumFuellen;
using filterbench::TAntworten;
std::filesystem::path gDir;

std::string SqlitePfad() { return (gDir / "vergleich.sqlite").string(); }

// The album (through the main window, as the program makes it) and the
// SQLite file, made once by the parent.
void Anlegen()
{
    InstallDatabaseBridge();
    TAntworten antworten;
    SetPromptService(&antworten);
    {
        auto form = std::make_unique<TMainForm>(nullptr);
        const QString win = BenchHauptfensterEinrichten(*form, gDir);
        form->ErzeugeBilderDatenbank(win, "BILDER.DBF");
        AlbumFuellen((gDir / "BILDER.DBF").string());
        if (form->BilderDBFOeffnen() != 1)
            std::abort();
        form->OeffneBilderFTS();  // builds the full-text index
    }
    SetPromptService(nullptr);
    UninstallDatabaseBridge();

    sqlite3_close(filterbench::SqliteAlbumAnlegen(SqlitePfad()));
}

using Clock = std::chrono::steady_clock;

double Mikro(Clock::time_point from) { return std::chrono::duration<double, std::micro>(Clock::now() - from).count(); }

// A child: opens what its kind needs, then times the first command alone.
// Prints the time in µs, or -1 when the result was wrong.
int Kind(int argc, char** argv, const std::string& kind)
{
    if (kind.rfind("sqlite-", 0) == 0) {
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(SqlitePfad().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
            return 1;
        const char* sql = kind == "sqlite-label"  ? "SELECT count(*) FROM album WHERE label = 'Selten'"
                          : kind == "sqlite-date" ? "SELECT count(*) FROM album WHERE aufndatum BETWEEN '20200301' AND '20200310'"
                                                  : "SELECT count(*) FROM fts WHERE fts MATCH '\"seltenwort\"'";
        const auto start = Clock::now();
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
        const std::int64_t n = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : -1;
        sqlite3_finalize(stmt);
        const double us = Mikro(start);
        sqlite3_close(db);
        std::printf("%.3f\n", n > 0 ? us : -1.0);
        return 0;
    }
    QApplication app(argc, argv);
    InstallDatabaseBridge();
    TAntworten antworten;
    SetPromptService(&antworten);
    double us = -1;
    {
        auto form = std::make_unique<TMainForm>(nullptr);
        BenchHauptfensterEinrichten(*form, gDir);
        if (form->BilderDBFOeffnen() != 1)
            return 1;
        form->OeffneBilderFTS();
        TDbe* dbe = form->DbeBilder;
        Clock::time_point start;
        bool ok = false;
        // Under callgrind (--instr-atstart=no) only the command is counted.
        CALLGRIND_START_INSTRUMENTATION;
        if (kind == "label") {
            start = Clock::now();
            form->AufLabel2Click(nullptr);
            ok = dbe->QueryRecCount() == 10;
        } else if (kind == "date") {
            start = Clock::now();
            form->DateiDatumVonBis(QStringLiteral("AUFNDATUM"));
            ok = dbe->QueryRecCount() > 0;
        } else if (kind == "fulltext") {
            form->edSearch->SetText(QStringLiteral("seltenwort"));
            start = Clock::now();
            form->ButFiltClick(nullptr);
            ok = dbe->QueryRecCount() == 10;
        } else if (kind == "engine-label") {
            dbe_Select(dbe_WorkArea(dbe->Alias().toLatin1().constData()));
            start = Clock::now();
            ok = dbe_Query("LABEL = \"Selten\"") && dbe_QueryRecCount() == 10;
        }
        CALLGRIND_STOP_INSTRUMENTATION;
        if (ok)
            us = Mikro(start);
    }
    SetPromptService(nullptr);
    UninstallDatabaseBridge();
    std::printf("%.3f\n", us);
    return 0;
}

std::string gSelf;

// Runs one child of `kind` and gives its time in µs (negative: failed).
double Kindprozess(const std::string& kind)
{
    int out[2];
    if (pipe(out) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string arg = "--kind=" + kind;
    const std::string dirArg = "--dir=" + gDir.string();
    char* args[] = {const_cast<char*>(gSelf.c_str()), const_cast<char*>(arg.c_str()),
                    const_cast<char*>(dirArg.c_str()), nullptr};
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, gSelf.c_str(), &actions, nullptr, args, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    std::string text;
    char buffer[256];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, std::size_t(n));
    close(out[0]);
    int status = 0;
    if (rc != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return std::atof(text.c_str());
}

int Samples()
{
    const char* env = std::getenv("LUMADEX_BENCH_SAMPLES");
    const int n = env ? std::atoi(env) : 0;
    return n > 0 ? n : 3;
}

void FreshProcess(benchmark::State& state, const char* kind)
{
    for (auto _ : state) {
        const double us = Kindprozess(kind);
        if (us < 0) {
            state.SkipWithError("the child failed or counted wrong");
            break;
        }
        state.SetIterationTime(us / 1e6);
    }
}

void Register()
{
    struct Art {
        const char* name;
        const char* kind;
    };
    for (const Art& a : {Art{"FirstLabelCommand", "label"}, Art{"FirstDateRangeCommand", "date"},
                         Art{"FirstFulltextCommand", "fulltext"}, Art{"FirstLabelEngineQuery", "engine-label"},
                         Art{"SqliteFirstLabelCount", "sqlite-label"}, Art{"SqliteFirstDateCount", "sqlite-date"},
                         Art{"SqliteFirstFulltextCount", "sqlite-fulltext"}})
        benchmark::RegisterBenchmark(a.name, FreshProcess, a.kind)
            ->UseManualTime()
            ->Iterations(Samples())
            ->Unit(benchmark::kMicrosecond);
}

}  // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--dir=", 6) == 0)
            gDir = argv[i] + 6;
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--kind=", 7) == 0) {
            setenv("LUMADEX_HOME", (gDir / "home").c_str(), 1);
            setenv("LUMADEX_WINDIR", (gDir / "win").c_str(), 1);
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            return Kind(argc, argv, argv[i] + 7);
        }
    // LUMADEX_BENCH_KEEP names a folder that keeps the album for later runs
    // (and for profiling a child by hand: --kind=label --dir=<folder>).
    const char* keep = std::getenv("LUMADEX_BENCH_KEEP");
    gDir = BenchOrdnerAnlegen("filter_first");
    if (keep && *keep) {
        std::filesystem::remove_all(gDir);
        gDir = keep;
        std::filesystem::create_directories(gDir / "home");
        std::filesystem::create_directories(gDir / "win");
        setenv("LUMADEX_HOME", (gDir / "home").c_str(), 1);
        setenv("LUMADEX_WINDIR", (gDir / "win").c_str(), 1);
    }
    gSelf = std::filesystem::read_symlink("/proc/self/exe").string();
    if (!std::filesystem::exists(gDir / "vergleich.sqlite")) {
        QApplication app(argc, argv);
        Anlegen();
    }
    Register();
    BenchLaufen(&argc, argv);
    if (!keep || !*keep)
        std::filesystem::remove_all(gDir);
    return 0;
}
