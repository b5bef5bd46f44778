// Queries with their count on an album-shaped table of 100 000 records,
// opened shared as the program opens albums, with the album's tags on the
// date (DTOS(AufnDatum)) and the label (Lower(Label)), both FOR .NOT.
// DELETED(), under a sort-weight table that moves the umlauts behind their
// letters as the program's does. Each query is beside SQLite counting the
// same rows over indexes on the same columns, in the same run: per
// statement (each count its own read transaction) and inside one held read
// transaction; and beside the engine evaluating every record (the index
// left unused), which is what date conditions cost before the tags
// answered them. "EngineAlbumTags" runs the same query on a copy of the
// records with the program's 43 tags, in the date tag's order, as the main
// window shows an album. "EngineAfterReset" clears the filter before each
// query, as "Ohne Filter" followed by a new filter does, on the shared table
// and ("EngineExclusiveAfterReset") on a copy opened exclusively with the
// label tag alone; its reference is "SqlitePrepare", SQLite preparing and
// counting the statement anew each time. "EngineAfterResetDeletedHidden"
// and "EngineExclusiveAfterResetDeletedHidden" do the same with deleted
// records hidden (dbe_SetDeleted(1)), as the program always has them.
// "EnginePlainTagAfterReset" and "EnginePlainTagAfterResetDeletedHidden"
// run the label query on a copy opened exclusively with one tag on LABEL
// that holds every record (no FOR condition): the tag answers the query,
// and with deleted records hidden only their deletion marks are left to
// know.
//
// Records: LUMADEX_BENCH_RECORDS (default 100000). Fixed iterations (for
// an instruction count under callgrind): LUMADEX_BENCH_ITERATIONS. Under
// callgrind (best with --instr-atstart=no) each benchmark's loop is counted
// alone and dumped under its name.
#include <benchmark/benchmark.h>

#include "bench_main.h"

#include <sqlite3.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define LX_CALLGRIND 1
#endif

#include "album_layout.h"
#include "platform/dbf/dbe.h"
#include "platform/dbf/engine_settings.h"

namespace {

namespace fs = std::filesystem;

int EnvNumber(const char* name, int fallback)
{
    const char* env = std::getenv(name);
    const int n = env ? std::atoi(env) : 0;
    return n > 0 ? n : fallback;
}

const int kRecords = EnvNumber("LUMADEX_BENCH_RECORDS", 100000);

fs::path Folder()
{
    static const fs::path folder = [] {
        const char* tmp = std::getenv("TMPDIR");
        fs::path p = fs::path(tmp && *tmp ? tmp : "/tmp") / ("lumadex-dbf-query-" + std::to_string(::getpid()));
        fs::create_directories(p);
        return p;
    }();
    return folder;
}

// Entry i: 100 labels, "Selten" on every 10 000th entry; dates over eleven
// years (2014-2024).
struct Entry {
    std::string label, date;
};

Entry EntryOf(int i)
{
    Entry e;
    e.label = i % 10000 == 7 ? "Selten" : "Label " + std::to_string(i % 100);
    char date[16];
    std::snprintf(date, sizeof date, "%04d%02d%02d", 2014 + i % 11, 1 + (i / 11) % 12, 1 + (i / 7) % 28);
    e.date = date;
    return e;
}

// The program's kind of table: every byte in its place, the umlauts (code
// page 437/850 bytes) right behind their letters.
std::array<unsigned char, 256> Weights()
{
    struct Move {
        int code, behind;
    };
    constexpr Move moves[] = {{0x8E, 'A'}, {0x99, 'O'}, {0x9A, 'U'}, {0x84, 'a'}, {0x94, 'o'}, {0xE1, 's'}, {0x81, 'u'}};
    std::array<unsigned char, 256> w{};
    int next = 0;
    for (int c = 0; c < 256; ++c) {
        bool moved = false;
        for (const Move& m : moves) moved = moved || m.code == c;
        if (moved) continue;
        w[std::size_t(c)] = static_cast<unsigned char>(next++);
        for (const Move& m : moves)
            if (m.behind == c) w[std::size_t(m.code)] = static_cast<unsigned char>(next++);
    }
    return w;
}

std::string AlbumPath() { return (Folder() / "ALBUM.DBF").string(); }
std::string AlbumTagsPath() { return (Folder() / "TAGS43.DBF").string(); }
std::string OneTagPath() { return (Folder() / "ONETAG.DBF").string(); }
std::string PlainTagPath() { return (Folder() / "PLAINTAG.DBF").string(); }

// The areas of the two tables: the album with its date and label tags, and
// the same records with the program's 43 tags in the date tag's order (as
// the main window shows an album).
std::uint16_t gArea = 0, gAreaTags = 0;
// The same records opened exclusively with the label tag alone, and with
// one tag on LABEL of every record.
std::uint16_t gAreaOneTag = 0, gAreaPlainTag = 0;

// The album's 43 tags as album opening builds them.
void BuildAlbumTags()
{
    for (const auto& k : lxtest::kAlbumTagKeys)
        if (!dbe_IndexTag("", k[0], k[1], 0, 0, ".not. deleted()")) std::abort();
    for (const auto& k : lxtest::kAlbumTagKeys) {
        const std::string name = std::string(k[0]) + "2";
        if (!dbe_IndexTag("", name.c_str(), k[1], 0, 0, "(.not. deleted()) .and. (Zugriff)")) std::abort();
    }
    if (!dbe_IndexTag("", "Zugriff", "Zugriff", 0, 0, ".not. deleted()")) std::abort();
}

void FillAlbum()
{
    std::array<unsigned char, 256> weights = Weights();
    dbe_SysProp(DBE_PROP_SORT_WEIGHTS, reinterpret_cast<intptr_t>(weights.data()));
    dbe_CloseAll();
    dbe_CreateNew(AlbumPath().c_str(), "XXXXXXXXXX", 2, lxtest::kAlbumLayoutFieldCount);
    for (const auto& f : lxtest::kAlbumLayout) dbe_CreateField(f.name, f.type, f.width, f.decimals);
    if (!dbe_CreateExec()) std::abort();
    dbe_Close();
    if (!dbe_Use(AlbumPath().c_str(), nullptr, DBE_EXCLUSIVE, DBE_TYPE_FOX)) std::abort();
    for (int i = 0; i < kRecords; ++i) {
        const Entry e = EntryOf(i);
        dbe_AppendBlank();
        const std::string desc = "Bild " + std::to_string(i);
        dbe_Replace("SHORTDESC", DBE_REPL_TEXT, desc.c_str());
        dbe_Replace("LABEL", DBE_REPL_TEXT, e.label.c_str());
        dbe_Replace("AUFNDATUM", DBE_REPL_DTOS, e.date.c_str());
    }
    dbe_Commit();
    dbe_CloseAll();
    // The same records with the program's 43 tags.
    fs::copy_file(AlbumPath(), AlbumTagsPath());
    fs::copy_file(Folder() / "ALBUM.FPT", Folder() / "TAGS43.FPT");
    if (!dbe_Use(AlbumTagsPath().c_str(), nullptr, DBE_EXCLUSIVE, DBE_TYPE_FOX)) std::abort();
    BuildAlbumTags();
    dbe_Commit();
    dbe_CloseAll();
    fs::copy_file(AlbumPath(), OneTagPath());
    fs::copy_file(Folder() / "ALBUM.FPT", Folder() / "ONETAG.FPT");
    if (!dbe_Use(OneTagPath().c_str(), nullptr, DBE_EXCLUSIVE, DBE_TYPE_FOX) ||
        !dbe_IndexTag("", "LABEL", "Lower(Label)", 0, 0, ".not. deleted()"))
        std::abort();
    dbe_Commit();
    dbe_CloseAll();
    fs::copy_file(AlbumPath(), PlainTagPath());
    fs::copy_file(Folder() / "ALBUM.FPT", Folder() / "PLAINTAG.FPT");
    if (!dbe_Use(PlainTagPath().c_str(), nullptr, DBE_EXCLUSIVE, DBE_TYPE_FOX) ||
        !dbe_IndexTag("", "LABEL", "LABEL", 0, 0, ""))
        std::abort();
    dbe_Commit();
    dbe_CloseAll();
    if (!dbe_Use(AlbumPath().c_str(), nullptr, DBE_EXCLUSIVE, DBE_TYPE_FOX)) std::abort();
    if (!dbe_IndexTag("", "AUFNDATUM", "DTOS(AufnDatum)", 0, 0, ".not. deleted()") ||
        !dbe_IndexTag("", "LABEL", "Lower(Label)", 0, 0, ".not. deleted()"))
        std::abort();
    dbe_Commit();
    dbe_CloseAll();
    gAreaTags = dbe_Use(AlbumTagsPath().c_str(), nullptr, DBE_SHARED, DBE_TYPE_FOX);
    if (!gAreaTags) std::abort();
    dbe_SetOrder(dbe_TagArea("AUFNDATUM"));
    if (dbe_IndexOrd() == 0) std::abort();
    gAreaOneTag = dbe_Use(OneTagPath().c_str(), nullptr, DBE_EXCLUSIVE, DBE_TYPE_FOX);
    if (!gAreaOneTag) std::abort();
    gAreaPlainTag = dbe_Use(PlainTagPath().c_str(), nullptr, DBE_EXCLUSIVE, DBE_TYPE_FOX);
    if (!gAreaPlainTag) std::abort();
    gArea = dbe_Use(AlbumPath().c_str(), nullptr, DBE_SHARED, DBE_TYPE_FOX);
    if (!gArea) std::abort();
}

struct Sqlite {
    sqlite3* db = nullptr;
    Sqlite()
    {
        if (sqlite3_open((Folder() / "album.sqlite").c_str(), &db) != SQLITE_OK) std::abort();
        sqlite3_exec(db, "CREATE TABLE album(label TEXT, aufndatum TEXT, shortdesc TEXT); BEGIN;", nullptr, nullptr,
                     nullptr);
        sqlite3_stmt* row = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO album VALUES (?, ?, ?)", -1, &row, nullptr);
        for (int i = 0; i < kRecords; ++i) {
            const Entry e = EntryOf(i);
            const std::string desc = "Bild " + std::to_string(i);
            sqlite3_bind_text(row, 1, e.label.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(row, 2, e.date.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(row, 3, desc.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_step(row);
            sqlite3_reset(row);
        }
        sqlite3_finalize(row);
        sqlite3_exec(db,
                     "COMMIT; CREATE INDEX i_label ON album(label); CREATE INDEX i_datum ON album(aufndatum);"
                     "ANALYZE;",
                     nullptr, nullptr, nullptr);
    }
    ~Sqlite() { sqlite3_close(db); }
    std::int64_t Count(const char* sql) const
    {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
        const std::int64_t n = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : -1;
        sqlite3_finalize(stmt);
        return n;
    }
};

std::unique_ptr<Sqlite> gSqlite;

struct Case {
    const char* name;
    const char* engine;  // the engine's query
    const char* sql;     // SQLite's count of the same rows
    std::int64_t expected = -1;
};

Case gCases[] = {
    {"DtosGe", "DTOS(AUFNDATUM) >= \"20240901\"", "SELECT count(*) FROM album WHERE aufndatum >= '20240901'"},
    {"DtosLt", "DTOS(AUFNDATUM) < \"20140115\"", "SELECT count(*) FROM album WHERE aufndatum < '20140115'"},
    {"DtosEq", "DTOS(AUFNDATUM) = \"20200310\"", "SELECT count(*) FROM album WHERE aufndatum = '20200310'"},
    {"DtosBetween10Days", "BETWEEN(DTOS(AUFNDATUM), \"20200301\", \"20200310\")",
     "SELECT count(*) FROM album WHERE aufndatum BETWEEN '20200301' AND '20200310'"},
    {"DtosBetweenSixYears", "BETWEEN(DTOS(AUFNDATUM), \"20140101\", \"20191231\")",
     "SELECT count(*) FROM album WHERE aufndatum BETWEEN '20140101' AND '20191231'"},
    {"DateBetween10Days", "BETWEEN(AUFNDATUM, {^2020-03-01}, {^2020-03-10})",
     "SELECT count(*) FROM album WHERE aufndatum BETWEEN '20200301' AND '20200310'"},
    {"DateGe", "AUFNDATUM >= {^2024-09-01}", "SELECT count(*) FROM album WHERE aufndatum >= '20240901'"},
    {"DtosLe", "DTOS(AUFNDATUM) <= \"20140115\"", "SELECT count(*) FROM album WHERE aufndatum <= '20140115'"},
    {"DtosGt", "DTOS(AUFNDATUM) > \"20240901\"", "SELECT count(*) FROM album WHERE aufndatum > '20240901'"},
    {"DateEq", "AUFNDATUM = {^2020-03-10}", "SELECT count(*) FROM album WHERE aufndatum = '20200310'"},
    {"DateLt", "AUFNDATUM < {^2014-01-15}", "SELECT count(*) FROM album WHERE aufndatum < '20140115'"},
    {"DateLe", "AUFNDATUM <= {^2014-01-15}", "SELECT count(*) FROM album WHERE aufndatum <= '20140115'"},
    {"DateGt", "AUFNDATUM > {^2024-09-01}", "SELECT count(*) FROM album WHERE aufndatum > '20240901'"},
    {"Label", "LABEL = \"Selten\"", "SELECT count(*) FROM album WHERE label = 'Selten'"},
    {"LabelAndYears", "LABEL = \"Selten\" .AND. BETWEEN(DTOS(AUFNDATUM), \"20140101\", \"20191231\")",
     "SELECT count(*) FROM album WHERE label = 'Selten' AND aufndatum BETWEEN '20140101' AND '20191231'"},
};

#ifdef LX_CALLGRIND
// Under callgrind: the counts of this benchmark's loop alone, in a dump of
// its own (iterations in the benchmark's output).
struct CallgrindPart {
    std::string name;
    explicit CallgrindPart(std::string n) : name(std::move(n))
    {
        CALLGRIND_START_INSTRUMENTATION;
        CALLGRIND_ZERO_STATS;
    }
    ~CallgrindPart()
    {
        CALLGRIND_DUMP_STATS_AT(name.c_str());
        CALLGRIND_STOP_INSTRUMENTATION;
    }
};
#else
struct CallgrindPart {
    explicit CallgrindPart(const std::string&) {}
};
#endif

// dbe_Query + dbe_QueryRecCount in `area`; `fromIndexes` false evaluates
// every record; `afterReset` clears the filter before each query, as the
// program's "Ohne Filter" does before a new filter is chosen; `deletedHidden`
// hides deleted records, as the program does.
void Engine(benchmark::State& state, const Case* c, std::uint16_t area, bool fromIndexes, bool afterReset,
            bool deletedHidden, const std::string& name)
{
    dbe_Select(area);
    dbf::Settings().queryFromIndexes = fromIndexes;
    dbe_SetDeleted(deletedHidden ? 1 : 0);
    {
        CallgrindPart part(name);
        for (auto _ : state) {
            if (afterReset) dbe_Query("");
            if (!dbe_Query(c->engine) || std::int64_t(dbe_QueryRecCount()) != c->expected) {
                state.SkipWithError("count differs from SQLite's");
                break;
            }
        }
    }
    dbf::Settings().queryFromIndexes = true;
    dbe_SetDeleted(0);
    dbe_Query(nullptr);
    dbe_Select(gArea);
    state.counters["hits"] = double(c->expected);
}

// SQLite's count prepared anew each time: the reference for a filter set
// anew after a reset.
void SqlitePrepareCount(benchmark::State& state, const Case* c, const std::string& name)
{
    std::int64_t count = -1;
    {
        CallgrindPart part(name);
        for (auto _ : state) count = gSqlite->Count(c->sql);
    }
    if (count != c->expected) state.SkipWithError("wrong count");
    state.counters["hits"] = double(count);
}

// SQLite's count: each its own read transaction, or all inside one.
void SqliteCount(benchmark::State& state, const Case* c, bool held, const std::string& name)
{
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(gSqlite->db, c->sql, -1, &stmt, nullptr);
    if (held) {
        sqlite3_exec(gSqlite->db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_step(stmt);  // takes the read lock
        sqlite3_reset(stmt);
    }
    std::int64_t count = -1;
    {
        CallgrindPart part(name);
        for (auto _ : state) {
            if (sqlite3_step(stmt) == SQLITE_ROW) count = sqlite3_column_int64(stmt, 0);
            sqlite3_reset(stmt);
        }
    }
    if (held) sqlite3_exec(gSqlite->db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_finalize(stmt);
    if (count != c->expected) state.SkipWithError("wrong count");
    state.counters["hits"] = double(count);
}

void Register()
{
    const int iterations = EnvNumber("LUMADEX_BENCH_ITERATIONS", 0);
    auto fix = [&](benchmark::internal::Benchmark* b) {
        b->Unit(benchmark::kMicrosecond);
        if (iterations > 0) b->Iterations(iterations);
    };
    for (const Case& c : gCases) {
        const std::string name = c.name;
        const std::string engine = "Engine/" + name, perStatement = "SqlitePerStatement/" + name,
                          held = "SqliteHeld/" + name, everyRecord = "EngineEveryRecord/" + name,
                          albumTags = "EngineAlbumTags/" + name, afterReset = "EngineAfterReset/" + name,
                          prepared = "SqlitePrepare/" + name,
                          exclusiveReset = "EngineExclusiveAfterReset/" + name,
                          resetHidden = "EngineAfterResetDeletedHidden/" + name,
                          exclusiveResetHidden = "EngineExclusiveAfterResetDeletedHidden/" + name;
        fix(benchmark::RegisterBenchmark(engine.c_str(), Engine, &c, gArea, true, false, false, engine));
        fix(benchmark::RegisterBenchmark(albumTags.c_str(), Engine, &c, gAreaTags, true, false, false, albumTags));
        fix(benchmark::RegisterBenchmark(afterReset.c_str(), Engine, &c, gArea, true, true, false, afterReset));
        fix(benchmark::RegisterBenchmark(exclusiveReset.c_str(), Engine, &c, gAreaOneTag, true, true, false,
                                         exclusiveReset));
        fix(benchmark::RegisterBenchmark(resetHidden.c_str(), Engine, &c, gArea, true, true, true, resetHidden));
        fix(benchmark::RegisterBenchmark(exclusiveResetHidden.c_str(), Engine, &c, gAreaOneTag, true, true, true,
                                         exclusiveResetHidden));
        fix(benchmark::RegisterBenchmark(perStatement.c_str(), SqliteCount, &c, false, perStatement));
        fix(benchmark::RegisterBenchmark(prepared.c_str(), SqlitePrepareCount, &c, prepared));
        fix(benchmark::RegisterBenchmark(held.c_str(), SqliteCount, &c, true, held));
        fix(benchmark::RegisterBenchmark(everyRecord.c_str(), Engine, &c, gArea, false, false, false, everyRecord));
        if (name == "Label") {
            // (The other queries would be evaluated record by record there.)
            const std::string plain = "EnginePlainTagAfterReset/" + name,
                              plainHidden = "EnginePlainTagAfterResetDeletedHidden/" + name;
            fix(benchmark::RegisterBenchmark(plain.c_str(), Engine, &c, gAreaPlainTag, true, true, false, plain));
            fix(benchmark::RegisterBenchmark(plainHidden.c_str(), Engine, &c, gAreaPlainTag, true, true, true,
                                             plainHidden));
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    BenchInitialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    FillAlbum();
    gSqlite = std::make_unique<Sqlite>();
    // Each query once before the measurements, as SQLite counted each once
    // above: what a process pays for its first query of a tag (collecting
    // the tag's entries, reading its pages) is not part of the figures.
    for (Case& c : gCases) {
        c.expected = gSqlite->Count(c.sql);
        for (const std::uint16_t area : {gAreaTags, gArea, gAreaOneTag, gAreaPlainTag}) {
            if (area == gAreaPlainTag && std::string(c.name) != "Label") continue;
            dbe_Select(area);
            if (!dbe_Query(c.engine) || std::int64_t(dbe_QueryRecCount()) != c.expected) std::abort();
            dbe_Query(nullptr);
        }
    }
    Register();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    gSqlite.reset();
    dbe_CloseAll();
    fs::remove_all(Folder());
    return 0;
}
