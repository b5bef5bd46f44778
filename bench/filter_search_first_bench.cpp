// The first filter command of a fresh process: each sample is a new process
// (this program started again with --kind=...) that starts as the program
// does (the main window made, its start-up run, shown and painted, the work
// the program does after that first paint, the event loop idle for a moment)
// with the 100 000-entry album of its ini file, and times its first label
// filter, date range or full-text filter, given through the menu or the
// filter button, with no command before it. Beside them, in the same interleaved run, fresh
// processes time SQLite's first count on a newly opened connection over the
// same rows (indexes on label and date, an FTS5 trigram table), and the
// engine's first query alone (dbe_Query + dbe_QueryRecCount).
//
// Each child reports its time on its standard output; the parent feeds it
// to Google Benchmark as manual time, so the repetitions in random order
// interleave the kinds of process. Samples per repetition:
// LUMADEX_BENCH_SAMPLES (default 3); idle time before the command:
// LUMADEX_BENCH_IDLE_MS (default 300).

#include "filter_search_album.h"
#include "bench_ordner.h"
#include "datagrid/dk_table.h"
#include "dialogs/search_missed_files_form.h"
#include "dialogs/small_forms.h"
#include "mainwindow/main_form.h"
#include "platform/ui/forms.h"
#include "platform/ui/menus.h"
#include "platform/ui/std_ctrls.h"
#include "shared/qk_ini.h"
#include "platform/dbf/dbe.h"
#include "storage/database_bridge.h"
#include "storage/tdbe.h"
#include "storage/tfts.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
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

// Notes the first paint of the main window.
class TErsterPaint : public QObject {
public:
    bool Gemalt = false;
    bool eventFilter(QObject* obj, QEvent* ev) override
    {
        if (ev->type() == QEvent::Paint)
            Gemalt = true;
        return QObject::eventFilter(obj, ev);
    }
};

// What the program's main block does once the first paint of its main
// window has ended (src/app/lumadex_main.cpp, "weitereFormen"): the message
// form, the filter dialog unless a command made it already, and the
// missing-files dialog, all owned by the application.
void NachErstemPaintWieDasProgramm(TMainForm& form)
{
    new TMeldungForm(Application);
    if (!form.BilderDialogForm)
        form.BilderDialogForm = new TBilderDialogForm(Application);
    new TSearchMissedFilesForm(Application, form.QKINI_Prog->INIFileName());
    form.FilterVorbereiten();
}

// The program's album: the first start of the main window in the fresh
// program folder makes the standard album and registers it in the album
// manager (as on a new installation); its entries come through the engine;
// the next start builds the full-text index. Every child then starts as the
// program does and finds the album through its ini file. The SQLite file
// beside it holds the same rows.
std::string AlbumPfad() { return (gDir / "home" / "Data" / "Database" / "BILDER.DBF").string(); }

// Nobody answers at the start (messages OK, questions No, forms Cancel, as
// the program's start without a user); once `Befehl` is set, the filter
// dialogs are answered as a user would.
class TKindAntworten : public TAntworten {
public:
    bool Befehl = false;
    TModalResult ShowModal(TCustomForm& form) override { return Befehl ? TAntworten::ShowModal(form) : mrCancel; }
};

// The main window started as the program's main block starts it: made with
// the application as owner, its start-up run (ini, folders, album with its
// second view, full-text index, album manager), shown and painted; then what
// the program does once that first paint has ended, and the messages that
// caused, until the event loop has stood idle for `ruheMs`.
TMainForm* ProgrammStarten(int ruheMs)
{
    auto* form = new TMainForm(Application);
    Application->MainForm = form;
    form->DoCreate();
    QApplication::processEvents();
    TErsterPaint paint;
    form->Handle()->installEventFilter(&paint);
    form->Show();
    for (int i = 0; i < 200 && !paint.Gemalt; ++i)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    form->Handle()->removeEventFilter(&paint);
    QApplication::processEvents();  // the rest of the paint pass
    NachErstemPaintWieDasProgramm(*form);
    QEventLoop ruhe;
    QTimer::singleShot(ruheMs, &ruhe, &QEventLoop::quit);
    ruhe.exec();
    return form;
}

void ProgrammBeenden(TMainForm* form)
{
    if (!form)
        return;
    form->Ende1Click(nullptr);
    Application->MainForm = nullptr;
    delete form;
    dbe_CloseAll();
}

void Anlegen()
{
    InstallDatabaseBridge();
    TKindAntworten antworten;
    SetPromptService(&antworten);
    ProgrammBeenden(ProgrammStarten(0));
    if (!std::filesystem::exists(AlbumPfad()))
        std::abort();
    AlbumFuellen(AlbumPfad());
    // The index and the full-text index are built anew from the entries, as
    // after a pack (an index grown by 100 000 appends has its tags' pages
    // interleaved, see bench/README.md).
    std::filesystem::remove(gDir / "home" / "Data" / "Database" / "BILDER.CDX");
    std::filesystem::remove(gDir / "home" / "Data" / "Database" / "BILDER.IA");
    TMainForm* form = ProgrammStarten(0);  // builds both
    const bool ok = form->TableBilder->Active() && form->DbeBilder->RecCount() == uint32_t(filterbench::kRecords);
    ProgrammBeenden(form);
    if (!ok)
        std::abort();
    SetPromptService(nullptr);
    UninstallDatabaseBridge();

    sqlite3_close(filterbench::SqliteAlbumAnlegen(SqlitePfad()));
}

// Minor page faults of the process before its command (LUMADEX_BENCH_FAULTS:
// a child writes those of its command to standard error).
long gFaults = 0;
using Clock = std::chrono::steady_clock;

double Mikro(Clock::time_point from) { return std::chrono::duration<double, std::micro>(Clock::now() - from).count(); }

// How long a child's program stands idle after its start before the user's
// first command (a user reaches a menu after some hundred milliseconds):
// LUMADEX_BENCH_IDLE_MS, default 300.
int RuheMs()
{
    const char* env = std::getenv("LUMADEX_BENCH_IDLE_MS");
    return env && *env ? std::atoi(env) : 300;
}

// A child: starts what its kind needs, then times the first command alone.
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
    TKindAntworten antworten;
    SetPromptService(&antworten);
    double us = -1;
    TMainForm* form = ProgrammStarten(RuheMs());
    if (!form->TableBilder->Active())
        return 1;
    antworten.Befehl = true;
    TDbe* dbe = form->DbeBilder;
    Clock::time_point start;
    bool ok = false;
    // The commands as the user gives them: the menu entry clicked, the
    // search text typed and the filter button pressed.
    // Under callgrind (--instr-atstart=no) only the command is counted.
    CALLGRIND_START_INSTRUMENTATION;
    {
        rusage ru{};
        getrusage(RUSAGE_SELF, &ru);
        gFaults = ru.ru_minflt;
    }
    if (kind == "label") {
        start = Clock::now();
        form->MenuItem(QStringLiteral("AufLabel2"))->Click();
        ok = dbe->QueryRecCount() == 10;
    } else if (kind == "date") {
        start = Clock::now();
        form->MenuItem(QStringLiteral("ErzeugungsDatumVonBis1"))->Click();
        ok = dbe->QueryRecCount() > 0;
    } else if (kind == "fulltext") {
        form->edSearch->SetText(QStringLiteral("seltenwort"));
        start = Clock::now();
        form->ButFilt->Click();
        ok = dbe->QueryRecCount() == 10;
    } else if (kind == "engine-label") {
        dbe_Select(dbe_WorkArea(dbe->Alias().toLatin1().constData()));
        start = Clock::now();
        ok = dbe_Query("LABEL = \"Selten\"") && dbe_QueryRecCount() == 10;
    }
    CALLGRIND_STOP_INSTRUMENTATION;
    if (ok)
        us = Mikro(start);
    if (std::getenv("LUMADEX_BENCH_FAULTS")) {
        rusage ru{};
        getrusage(RUSAGE_SELF, &ru);
        std::fprintf(stderr, "faults %ld\n", ru.ru_minflt - gFaults);
    }
    ProgrammBeenden(form);
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
