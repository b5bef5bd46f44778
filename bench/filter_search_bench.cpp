// The filter and search commands of the main window on a 100 000-entry
// album, each beside what the engine alone does for the same result: a
// label filter (tagged field) against the engine query, a date range
// against the engine scope, the full-text filter for a rare word against
// the full-text query with its candidates, and the title-click sort
// against the order switch alone. SQLite answers the same counts over
// indexes of the same rows (and FTS5 trigram for the rare word) in the same
// run, per statement and inside one held read transaction. The first label
// and full-text filters of the process are measured apart from the repeats
// (bench_filter_search_first measures them in fresh processes).

#include "bench_hauptfenster.h"
#include "filter_search_album.h"
#include "bench_ordner.h"
#include "controls/date_edit.h"
#include "datagrid/dk_table.h"
#include "dialogs/date_range.h"
#include "dialogs/small_forms.h"
#include "mainwindow/main_form.h"
#include "platform/core/sys_utils.h"
#include "platform/core/win_path.h"
#include "platform/dbf/cdx_file.h"
#include "platform/dbf/dbe.h"
#include "platform/dbf/expr_query_bitmap.h"
#include "platform/dbf/table_indexes.h"
#include "platform/ui/prompt_service.h"
#include "platform/ui/std_ctrls.h"
#include "shared/qk_ini.h"
#include "storage/database_bridge.h"
#include "storage/tdbe.h"
#include "storage/tfts.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QApplication>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

using filterbench::AlbumFuellen;
using filterbench::kRecords;
using filterbench::TAntworten;
std::filesystem::path gDir;

// The combined filter: the label and a span of years.
const char* const kLabelUndDatum = "LABEL = \"Selten\" .AND. BETWEEN(DTOS(AUFNDATUM), \"20140101\", \"20191231\")";

struct SqliteAlbum {
    sqlite3* db = nullptr;
    explicit SqliteAlbum(const std::string& file) : db(filterbench::SqliteAlbumAnlegen(file)) {}
    ~SqliteAlbum() { sqlite3_close(db); }
    std::int64_t Count(const char* sql)
    {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
        const std::int64_t n = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : -1;
        sqlite3_finalize(stmt);
        return n;
    }
};

const char* const kSqlLabel = "SELECT count(*) FROM album WHERE label = 'Selten'";
const char* const kSqlLabelUndDatum =
    "SELECT count(*) FROM album WHERE label = 'Selten' AND aufndatum BETWEEN '20140101' AND '20191231'";
const char* const kSqlVolltext = "SELECT count(*) FROM fts WHERE fts MATCH '\"seltenwort\"'";

struct Fixture {
    std::unique_ptr<TMainForm> form;
    TAntworten antworten;
    std::unique_ptr<SqliteAlbum> sqlite;

    Fixture()
    {
        InstallDatabaseBridge();
        SetPromptService(&antworten);
        form = std::make_unique<TMainForm>(nullptr);
        const QString win = BenchHauptfensterEinrichten(*form, gDir);
        form->ErzeugeBilderDatenbank(win, "BILDER.DBF");
        AlbumFuellen((gDir / "BILDER.DBF").string());
        sqlite = std::make_unique<SqliteAlbum>((gDir / "vergleich.sqlite").string());
        if (form->BilderDBFOeffnen() != 1)
            std::abort();
        form->OeffneBilderFTS();
        // What happens once per run and is not measured: the first pick list
        // opens the third work area, the first date range builds its dialog.
        form->LesePickliste(QStringLiteral("Label"));
        form->DateiDatumVonBis(QStringLiteral("AUFNDATUM"));
        Zuruecksetzen();
    }
    ~Fixture()
    {
        form.reset();
        SetPromptService(nullptr);
        UninstallDatabaseBridge();
    }
    void Zuruecksetzen() { form->BilderOhneFilter1Click(nullptr); }
};

std::unique_ptr<Fixture> gFixture;

Fixture& F()
{
    if (!gFixture)
        gFixture = std::make_unique<Fixture>();
    return *gFixture;
}

// The first label filter and the first full-text filter of the process
// (the fixture opened the album and ran one date range before).
void BM_FirstLabelFilterCommand(benchmark::State& state)
{
    Fixture& f = F();
    for (auto _ : state) {
        f.form->AufLabel2Click(nullptr);
        if (f.form->DbeBilder->QueryRecCount() != 10)
            state.SkipWithError("wrong count");
    }
    f.Zuruecksetzen();
}

void BM_FirstFulltextFilterCommand(benchmark::State& state)
{
    Fixture& f = F();
    for (auto _ : state) {
        state.PauseTiming();
        f.form->edSearch->SetText(QStringLiteral("seltenwort"));
        state.ResumeTiming();
        f.form->ButFiltClick(nullptr);
        if (f.form->DbeBilder->QueryRecCount() != 10)
            state.SkipWithError("wrong count");
    }
    f.Zuruecksetzen();
}

void BM_LabelFilterCommand(benchmark::State& state)
{
    Fixture& f = F();
    for (auto _ : state) {
        f.form->AufLabel2Click(nullptr);
        if (f.form->DbeBilder->QueryRecCount() != 10)
            state.SkipWithError("wrong count");
        state.PauseTiming();
        f.Zuruecksetzen();
        state.ResumeTiming();
    }
}

void BM_LabelFilterEngineQuery(benchmark::State& state)
{
    Fixture& f = F();
    for (auto _ : state) {
        f.form->DbeBilder->Query(QStringLiteral("LABEL = \"Selten\""));
        if (f.form->DbeBilder->QueryRecCount() != 10)
            state.SkipWithError("wrong count");
        state.PauseTiming();
        f.form->DbeBilder->Query(QString());
        state.ResumeTiming();
    }
}

// The same through the engine's own calls, without the dataset layer.
void EngineAllein(benchmark::State& state, const char* ausdruck, std::int64_t expected)
{
    Fixture& f = F();
    const uint16_t vorher = dbe_Select(dbe_WorkArea(f.form->DbeBilder->Alias().toLatin1().constData()));
    // Each query replaces the one before (as SQLite's count runs again); a
    // pause of the timing per iteration would cost more than the query.
    for (auto _ : state) {
        if (!dbe_Query(ausdruck) || std::int64_t(dbe_QueryRecCount()) != expected)
            state.SkipWithError("count differs from SQLite's");
    }
    dbe_Query(nullptr);
    dbe_Select(vorher);
    state.counters["shown"] = double(expected);
}

// The engine's first label query of the process (run it alone: a filter
// that selects it and nothing before it).
void BM_FirstLabelEngineAlone(benchmark::State& state)
{
    EngineAllein(state, "LABEL = \"Selten\"", F().sqlite->Count(kSqlLabel));
}

void BM_LabelEngineAlone(benchmark::State& state)
{
    EngineAllein(state, "LABEL = \"Selten\"", F().sqlite->Count(kSqlLabel));
}

void BM_LabelDateEngineAlone(benchmark::State& state)
{
    EngineAllein(state, kLabelUndDatum, F().sqlite->Count(kSqlLabelUndDatum));
}

// The full-text hits as the engine's bitmap and count: the hit list of the
// full-text index set bit by bit, counted.
void BM_FulltextHitsEngineAlone(benchmark::State& state)
{
    Fixture& f = F();
    const uint16_t vorher = dbe_Select(dbe_WorkArea(f.form->DbeBilder->Alias().toLatin1().constData()));
    const std::int64_t expected = f.sqlite->Count(kSqlVolltext);
    for (auto _ : state) {
        dbe_Query(nullptr);
        if (f.form->FtsBilder->SetQuery("seltenwort") > 0)
            for (int r = f.form->FtsBilder->NextRec(); r > 0; r = f.form->FtsBilder->NextRec())
                dbe_SetQueryBit(uint32_t(r), 1);
        if (std::int64_t(dbe_QueryRecCount()) != expected)
            state.SkipWithError("count differs from SQLite's");
    }
    dbe_Query(nullptr);
    dbe_Select(vorher);
    state.counters["shown"] = double(expected);
}

// What a first query pays once: collecting which records the label tag
// (FOR .NOT. DELETED()) holds, from its leaves as a freshly opened index
// file reads them (the engine then keeps them while the tag is unchanged).
void BM_LabelTagEntriesCollected(benchmark::State& state)
{
    F();
    const std::string cdx = (gDir / "BILDER.CDX").string();
    std::size_t n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto file = dbfcdx::CdxFile::Open(cdx, true, dbf::CurrentCollation());
        dbfcdx::CdxTag* label = nullptr;
        for (std::size_t i = 0; i < file->TagCount(); ++i)
            if (file->Tag(i).Name() == "LABEL")
                label = &file->Tag(i);
        state.ResumeTiming();
        dbfexpr::QueryBitmap records(kRecords);
        label->ForEachRecord([&](std::uint32_t r) { records.Set(r); });
        n = records.Count();
    }
    state.counters["entries"] = double(n);
}

void BM_LabelDateEngineQuery(benchmark::State& state)
{
    Fixture& f = F();
    const std::int64_t expected = f.sqlite->Count(kSqlLabelUndDatum);
    for (auto _ : state) {
        f.form->DbeBilder->Query(QString::fromLatin1(kLabelUndDatum));
        if (std::int64_t(f.form->DbeBilder->QueryRecCount()) != expected)
            state.SkipWithError("count differs from SQLite's");
        state.PauseTiming();
        f.form->DbeBilder->Query(QString());
        state.ResumeTiming();
    }
    state.counters["shown"] = double(expected);
}

// SQLite's count, the statement prepared once: each step its own read
// transaction (per statement), or all inside one held read transaction
// (`gehalten`), as the engine keeps its index lock across calls.
void SqliteZaehlen(benchmark::State& state, const char* sql, bool gehalten = false)
{
    Fixture& f = F();
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(f.sqlite->db, sql, -1, &stmt, nullptr);
    if (gehalten) {
        sqlite3_exec(f.sqlite->db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_step(stmt);  // takes the read lock
        sqlite3_reset(stmt);
    }
    std::int64_t count = 0;
    for (auto _ : state) {
        if (sqlite3_step(stmt) == SQLITE_ROW)
            count = sqlite3_column_int64(stmt, 0);
        sqlite3_reset(stmt);
    }
    if (gehalten)
        sqlite3_exec(f.sqlite->db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_finalize(stmt);
    state.counters["shown"] = double(count);
}

void BM_SqliteLabelCount(benchmark::State& state) { SqliteZaehlen(state, kSqlLabel); }
void BM_SqliteLabelDateCount(benchmark::State& state) { SqliteZaehlen(state, kSqlLabelUndDatum); }
void BM_SqliteFulltextCount(benchmark::State& state) { SqliteZaehlen(state, kSqlVolltext); }
void BM_SqliteLabelCountHeld(benchmark::State& state) { SqliteZaehlen(state, kSqlLabel, true); }
void BM_SqliteLabelDateCountHeld(benchmark::State& state) { SqliteZaehlen(state, kSqlLabelUndDatum, true); }
void BM_SqliteFulltextCountHeld(benchmark::State& state) { SqliteZaehlen(state, kSqlVolltext, true); }

void BM_DateRangeCommand(benchmark::State& state)
{
    Fixture& f = F();
    for (auto _ : state) {
        f.form->DateiDatumVonBis(QStringLiteral("AUFNDATUM"));
        if (f.form->DbeBilder->QueryRecCount() == 0)
            state.SkipWithError("nothing found");
        state.PauseTiming();
        f.Zuruecksetzen();
        state.ResumeTiming();
    }
}

void BM_DateRangeEngineScope(benchmark::State& state)
{
    Fixture& f = F();
    TDbe* dbe = f.form->DbeBilder;
    for (auto _ : state) {
        dbe->SetOrder(dbe->TagArea(QStringLiteral("AUFNDATUM")));
        dbe->SetScope(QStringLiteral("20200301"), QStringLiteral("20200310"));
        if (dbe->QueryRecCount() == 0)
            state.SkipWithError("nothing found");
        state.PauseTiming();
        dbe->SetScope(QString(), QString());
        state.ResumeTiming();
    }
}

// Building and freeing a date range dialog: what the command did each time
// before it kept its dialog for the run.
void BM_DateRangeDialogBuilt(benchmark::State& state)
{
    Fixture& f = F();
    for (auto _ : state) {
        TDatumScopeForm dlg(f.form.get(), f.form->QKINI_Prog->IniPath());
        benchmark::DoNotOptimize(dlg.VonText());
    }
}

// The kept dialog made ready again (tick from the ini, blank dates), part of
// the command.
void BM_DateRangeDialogAgain(benchmark::State& state)
{
    Fixture& f = F();
    for (auto _ : state) {
        f.form->DatumScopeForm->Vorbelegen();
        benchmark::DoNotOptimize(f.form->DatumScopeForm->VonText());
    }
}

void BM_FulltextFilterCommand(benchmark::State& state)
{
    Fixture& f = F();
    for (auto _ : state) {
        state.PauseTiming();
        f.Zuruecksetzen();
        f.form->edSearch->SetText(QStringLiteral("seltenwort"));
        state.ResumeTiming();
        f.form->ButFiltClick(nullptr);
        if (f.form->DbeBilder->QueryRecCount() != 10)
            state.SkipWithError("wrong count");
    }
    f.Zuruecksetzen();
}

void BM_FulltextEngineQuery(benchmark::State& state)
{
    Fixture& f = F();
    for (auto _ : state) {
        int n = 0;
        if (f.form->FtsBilder->SetQuery("seltenwort") > 0)
            for (int r = f.form->FtsBilder->NextRec(); r > 0; r = f.form->FtsBilder->NextRec())
                ++n;
        if (n != 10)
            state.SkipWithError("wrong count");
    }
}

// What the engine must do at least to show the full-text hits: the
// full-text query, a bitmap of its hits, the count.
void BM_FulltextQueryWithBitmap(benchmark::State& state)
{
    Fixture& f = F();
    TDbe* dbe = f.form->DbeBilder;
    for (auto _ : state) {
        state.PauseTiming();
        f.Zuruecksetzen();
        state.ResumeTiming();
        dbe->Query(QString());
        if (f.form->FtsBilder->SetQuery("seltenwort") > 0)
            for (int r = f.form->FtsBilder->NextRec(); r > 0; r = f.form->FtsBilder->NextRec())
                dbe->SetQueryBit(uint32_t(r), true);
        dbe->GoTop();
        if (dbe->QueryRecCount() != 10)
            state.SkipWithError("wrong count");
    }
    f.Zuruecksetzen();
}

// The pick list of the labels the label filter offers (through the tag).
void BM_LabelPickList(benchmark::State& state)
{
    Fixture& f = F();
    for (auto _ : state)
        f.form->LesePickliste(QStringLiteral("Label"));
}

void BM_TitleClickSort(benchmark::State& state)
{
    Fixture& f = F();
    bool umschalten = false;
    for (auto _ : state) {
        f.form->DBGridBilderTitleButtonClick(nullptr, umschalten ? QStringLiteral("LABEL") : QStringLiteral("SHORTDESC"));
        umschalten = !umschalten;
    }
}

void BM_OrderSwitchAlone(benchmark::State& state)
{
    Fixture& f = F();
    TDbe* dbe = f.form->DbeBilder;
    bool umschalten = false;
    for (auto _ : state) {
        dbe->SetOrder(dbe->TagArea(umschalten ? QStringLiteral("LABEL") : QStringLiteral("SHORTDESC")));
        umschalten = !umschalten;
    }
}

}  // namespace

BENCHMARK(BM_FirstLabelEngineAlone)->Unit(benchmark::kMicrosecond)->Iterations(1);
BENCHMARK(BM_FirstLabelFilterCommand)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_FirstFulltextFilterCommand)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LabelFilterCommand)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LabelFilterEngineQuery)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LabelDateEngineQuery)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LabelTagEntriesCollected)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LabelEngineAlone)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LabelDateEngineAlone)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FulltextHitsEngineAlone)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SqliteLabelCount)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SqliteLabelDateCount)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SqliteFulltextCount)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SqliteLabelCountHeld)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SqliteLabelDateCountHeld)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SqliteFulltextCountHeld)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DateRangeCommand)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DateRangeEngineScope)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DateRangeDialogBuilt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DateRangeDialogAgain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FulltextFilterCommand)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FulltextEngineQuery)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FulltextQueryWithBitmap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LabelPickList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TitleClickSort)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OrderSwitchAlone)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    gDir = BenchOrdnerAnlegen("filter");
    QApplication app(argc, argv);
    BenchLaufen(&argc, argv);
    gFixture.reset();  // while the application still lives
    std::filesystem::remove_all(gDir);
    return 0;
}
