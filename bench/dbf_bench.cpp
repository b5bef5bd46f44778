// The DBF engine on an album-shaped table: the 29 fields of the album record
// with a ~5 KB binary thumbnail memo per record. Appending 100 000 records,
// a full natural-order scan, random dbe_Go with field reads, and pack after
// deleting 10 %; for comparison SQLite inserting the same rows (one
// transaction, no indexes) and writing the raw record and memo bytes; appends
// with the album's tags, in one commit or each record committed, against
// SQLite with 24 indexes (each row committed: synchronous=FULL, in WAL and in
// rollback-journal mode).
//
// Records: LUMADEX_BENCH_RECORDS (default 100000). Files go to a fresh
// folder under $TMPDIR (default /tmp).
#include <benchmark/benchmark.h>

#include "bench_main.h"
#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "album_layout.h"
#include "platform/dbf/dbe.h"
#include "platform/dbf/file_io.h"

namespace {

namespace fs = std::filesystem;

using Field = lxtest::AlbumLayoutField;
constexpr const Field (&kAlbum)[lxtest::kAlbumLayoutFieldCount] = lxtest::kAlbumLayout;
constexpr int kFieldCount = lxtest::kAlbumLayoutFieldCount;

int Records()
{
    const char* env = std::getenv("LUMADEX_BENCH_RECORDS");
    int n = env ? std::atoi(env) : 0;
    return n > 0 ? n : 100000;
}

fs::path Folder()
{
    static fs::path folder = [] {
        const char* tmp = std::getenv("TMPDIR");
        fs::path p = fs::path(tmp && *tmp ? tmp : "/tmp") /
                     ("lumadex-dbf-bench-" + std::to_string(::getpid()));
        fs::create_directories(p);
        return p;
    }();
    return folder;
}

// A thumbnail-like binary memo: a bitmap header and mostly zero bytes.
std::string Thumbnail(int i)
{
    std::string t(5 * 1024, '\0');
    std::memcpy(t.data(), "BM", 2);
    for (size_t k = 54; k < t.size(); k += 7) t[k] = char((i + int(k)) & 0xFF);
    return t;
}

// One album record's field texts (record n).
struct Row {
    std::string text[kFieldCount];
};

Row MakeRow(int n)
{
    Row r;
    for (int f = 0; f < kFieldCount; ++f) {
        const Field& d = kAlbum[f];
        switch (d.type) {
        case 'C': r.text[f] = std::string(d.name) + " " + std::to_string(n); break;
        case 'N': r.text[f] = std::to_string((n * 37 + f) % 9000); break;
        case 'D': r.text[f] = "20240" + std::to_string(1 + n % 9) + "15"; break;
        case 'L': r.text[f] = (n + f) % 3 ? 'T' : 'F'; break;
        default: break;
        }
    }
    r.text[9] = "/home/anna/Bilder/Urlaub/2024/IMG_" + std::to_string(n) + ".JPG";
    return r;
}

void CreateAlbum(const std::string& file)
{
    dbe_CloseAll();
    dbe_CreateNew(file.c_str(), "XXXXXXXXXX", 2, kFieldCount);
    for (const Field& f : kAlbum) dbe_CreateField(f.name, f.type, f.width, f.decimals);
    if (!dbe_CreateExec()) std::abort();
    dbe_Close();
}

// The record image of a row in the engine's layout (flag byte, fields).
std::vector<char> Image(const Row& row, int recSize)
{
    std::vector<char> image(size_t(recSize), ' ');
    int offset = 1;
    for (int f = 0; f < kFieldCount; ++f) {
        const Field& d = kAlbum[f];
        int width = d.type == 'D' ? 8 : d.type == 'L' ? 1 : d.type == 'M' ? 10 : d.width;
        const std::string& t = row.text[f];
        if (d.type == 'N') {
            size_t len = std::min<size_t>(t.size(), size_t(width));
            std::memcpy(image.data() + offset + width - int(len), t.data(), len);
        } else if (d.type != 'M') {
            std::memcpy(image.data() + offset, t.data(), std::min<size_t>(t.size(), size_t(width)));
        }
        offset += width;
    }
    return image;
}

std::string AlbumPath() { return (Folder() / "ALBUM.DBF").string(); }

// Fills the album through the engine: append, record image, thumbnail memo.
void FillAlbum(int n)
{
    CreateAlbum(AlbumPath());
    if (!dbe_Use(AlbumPath().c_str(), nullptr, DBE_EXCLUSIVE, 2)) std::abort();
    int recSize = dbe_RecSize();
    for (int i = 1; i <= n; ++i) {
        std::vector<char> image = Image(MakeRow(i), recSize);
        std::string thumb = Thumbnail(i);
        dbe_AppendBlank();
        dbe_PutRecord(image.data());
        dbe_ReplaceBlob("VORSCHAU", thumb.data(), uint32_t(thumb.size()), 1);
    }
    dbe_Commit();
    dbe_CloseAll();
}

void BM_DbfAppend(benchmark::State& state)
{
    const int n = Records();
    for (auto _ : state) FillAlbum(n);
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["records"] = n;
}
BENCHMARK(BM_DbfAppend)->Unit(benchmark::kMillisecond)->Iterations(1);

// The columns SQLite indexes for the comparison with the album's tags: the
// album's 21 tag keys and three more text columns.
const char* const kSqliteIndexed[] = {
    "ShortName", "Markiert", "Label", "Type", "PlayList", "ShortDesc", "Owner", "Aufndatum",
    "FileDate", "Bytes", "Breite", "Hoehe", "Serie", "Quelle", "Qualitaet", "Motiv",
    "Privat", "Anywhere", "RESERVE1", "RESERVE2", "RESERVE3", "Pfad", "Datei", "LabelKennung",
};

// Makes `file` with the album's columns and `indexes` of the indexed
// columns indexed; the database is left open.
sqlite3* SqliteCreateAlbum(const std::string& file, int indexes)
{
    fs::remove(file);
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    std::string create = "CREATE TABLE album(";
    for (int f = 0; f < kFieldCount; ++f)
        create += std::string(f ? "," : "") + kAlbum[f].name +
                  (kAlbum[f].type == 'M' ? " BLOB" : kAlbum[f].type == 'N' ? " NUMERIC" : " TEXT");
    sqlite3_exec(db, (create + ")").c_str(), nullptr, nullptr, nullptr);
    for (int i = 0; i < indexes; ++i) {
        std::string sql = std::string("CREATE INDEX i_") + kSqliteIndexed[i] + " ON album(" +
                          kSqliteIndexed[i] + ")";
        sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    }
    return db;
}

// Inserts `n` rows in one transaction (or each in its own: `eachCommitted`)
// and closes the database.
void SqliteInsertRows(sqlite3* db, int n, bool eachCommitted = false)
{
    std::string insert = "INSERT INTO album VALUES(";
    for (int f = 0; f < kFieldCount; ++f) insert += f ? ",?" : "?";
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, (insert + ")").c_str(), -1, &stmt, nullptr);
    for (int i = 1; i <= n; ++i) {
        if (eachCommitted && i > 1) sqlite3_exec(db, "COMMIT; BEGIN", nullptr, nullptr, nullptr);
        Row row = MakeRow(i);
        std::string thumb = Thumbnail(i);
        for (int f = 0; f < kFieldCount; ++f) {
            if (kAlbum[f].type == 'M') {
                if (std::strcmp(kAlbum[f].name, "Vorschau") == 0)
                    sqlite3_bind_blob(stmt, f + 1, thumb.data(), int(thumb.size()), SQLITE_TRANSIENT);
                else
                    sqlite3_bind_null(stmt, f + 1);
            } else {
                sqlite3_bind_text(stmt, f + 1, row.text[f].c_str(), int(row.text[f].size()),
                                  SQLITE_TRANSIENT);
            }
        }
        sqlite3_step(stmt);
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// Makes `file` with the album's columns, `indexes` of the indexed columns
// indexed first, and `n` rows.
void SqliteAlbum(const std::string& file, int n, int indexes)
{
    SqliteInsertRows(SqliteCreateAlbum(file, indexes), n);
}

void BM_SqliteInsert(benchmark::State& state)
{
    const int n = Records();
    for (auto _ : state) SqliteAlbum((Folder() / "album.sqlite").string(), n, 0);
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_SqliteInsert)->Unit(benchmark::kMillisecond)->Iterations(1);

// The lower bound: the same record images and memo blocks written with
// plain sequential writes.
void BM_RawWrite(benchmark::State& state)
{
    const int n = Records();
    int recSize = 0;
    for (const Field& f : kAlbum)
        recSize += f.type == 'D' ? 8 : f.type == 'L' ? 1 : f.type == 'M' ? 10 : f.width;
    recSize += 1;
    for (auto _ : state) {
        std::string dbf = (Folder() / "RAW.DBF").string(), fpt = (Folder() / "RAW.FPT").string();
        int fd = ::open(dbf.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int fm = ::open(fpt.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        for (int i = 1; i <= n; ++i) {
            std::vector<char> image = Image(MakeRow(i), recSize);
            std::string thumb = Thumbnail(i);
            std::string block(8 + thumb.size() + 64 - (8 + thumb.size()) % 64, '\0');
            std::memcpy(block.data() + 8, thumb.data(), thumb.size());
            if (::write(fd, image.data(), image.size()) < 0 ||
                ::write(fm, block.data(), block.size()) < 0)
                std::abort();
        }
        ::close(fd);
        ::close(fm);
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_RawWrite)->Unit(benchmark::kMillisecond)->Iterations(1);

void EnsureAlbum()
{
    static bool filled = false;
    if (!filled) {
        FillAlbum(Records());
        filled = true;
    }
}

void BM_DbfScan(benchmark::State& state)
{
    EnsureAlbum();
    dbe_CloseAll();
    dbe_Use(AlbumPath().c_str(), nullptr, DBE_SHARED, 2);
    size_t total = 0;
    for (auto _ : state) {
        for (dbe_GoTop(); !dbe_Eof(); dbe_Skip(1)) total += std::strlen(dbe_GetTrimString("PFAD"));
    }
    benchmark::DoNotOptimize(total);
    state.SetItemsProcessed(state.iterations() * dbe_RecCount());
    dbe_CloseAll();
}
BENCHMARK(BM_DbfScan)->Unit(benchmark::kMillisecond);

void BM_DbfRandomGoRead(benchmark::State& state)
{
    EnsureAlbum();
    dbe_CloseAll();
    dbe_Use(AlbumPath().c_str(), nullptr, DBE_SHARED, 2);
    std::mt19937 rng(42);
    std::uniform_int_distribution<uint32_t> pick(1, dbe_RecCount());
    size_t total = 0;
    for (auto _ : state) {
        dbe_Go(pick(rng));
        total += std::strlen(dbe_GetTrimString("PFAD")) + std::strlen(dbe_GetString("BYTES")) +
                 size_t(dbe_GetLogical("ZUGRIFF")) + size_t(dbe_GetBlobLength("VORSCHAU"));
    }
    benchmark::DoNotOptimize(total);
    state.SetItemsProcessed(state.iterations());
    dbe_CloseAll();
}
BENCHMARK(BM_DbfRandomGoRead)->Unit(benchmark::kMicrosecond);

// The first thumbnail stored after the album is opened (shared), with its
// commit: the engine looks at every record's memo references once per open
// before it hands out a memo block. The open is outside the time.
void BM_DbfFirstMemoAfterOpen(benchmark::State& state)
{
    EnsureAlbum();
    const std::string thumb = Thumbnail(7);
    for (auto _ : state) {
        state.PauseTiming();
        dbe_CloseAll();
        dbe_Use(AlbumPath().c_str(), nullptr, DBE_SHARED, 2);
        dbe_Go(1);
        state.ResumeTiming();
        if (!dbe_ReplaceBlob("VORSCHAU", thumb.data(), uint32_t(thumb.size()), 1) || !dbe_Commit()) std::abort();
    }
    dbe_CloseAll();
}
BENCHMARK(BM_DbfFirstMemoAfterOpen)->Unit(benchmark::kMillisecond);

void BM_DbfPackAfterDeleting10Percent(benchmark::State& state)
{
    EnsureAlbum();
    for (auto _ : state) {
        state.PauseTiming();
        dbe_CloseAll();
        std::string copy = (Folder() / "PACK.DBF").string();
        fs::copy_file(AlbumPath(), copy, fs::copy_options::overwrite_existing);
        fs::copy_file(Folder() / "ALBUM.FPT", Folder() / "PACK.FPT",
                      fs::copy_options::overwrite_existing);
        dbe_Use(copy.c_str(), nullptr, DBE_EXCLUSIVE, 2);
        for (uint32_t r = 1; r <= dbe_RecCount(); r += 10) {
            dbe_Go(r);
            dbe_Delete();
        }
        state.ResumeTiming();
        if (!dbe_Pack()) state.SkipWithError(dbe_LastError());
    }
    state.SetItemsProcessed(state.iterations() * Records());
    dbe_CloseAll();
}
BENCHMARK(BM_DbfPackAfterDeleting10Percent)->Unit(benchmark::kMillisecond)->Iterations(1);

// The album's 43 tags (21 keys, each with and without the availability
// condition, and Zugriff) as album opening builds them.
void BuildAlbumTags()
{
    const auto& keys = lxtest::kAlbumTagKeys;
    for (auto& k : keys)
        if (!dbe_IndexTag("", k[0], k[1], 0, 0, ".not. deleted()")) std::abort();
    for (auto& k : keys) {
        std::string name = std::string(k[0]) + "2";
        if (!dbe_IndexTag("", name.c_str(), k[1], 0, 0, "(.not. deleted()) .and. (Zugriff)"))
            std::abort();
    }
    if (!dbe_IndexTag("", "Zugriff", "Zugriff", 0, 0, ".not. deleted()")) std::abort();
}

void BM_DbfBuildAlbumTags(benchmark::State& state)
{
    EnsureAlbum();
    for (auto _ : state) {
        state.PauseTiming();
        dbe_CloseAll();
        std::filesystem::remove(Folder() / "ALBUM.CDX");
        dbe_Use(AlbumPath().c_str(), nullptr, DBE_EXCLUSIVE, 2);
        state.ResumeTiming();
        BuildAlbumTags();
    }
    state.SetItemsProcessed(state.iterations() * Records());
    dbe_CloseAll();
    std::filesystem::remove(Folder() / "ALBUM.CDX");
}
BENCHMARK(BM_DbfBuildAlbumTags)->Unit(benchmark::kMillisecond)->Iterations(1);

// A fresh album with its 43 tags for the tagged appends.
std::string TaggedAlbum()
{
    std::string file = (Folder() / "TAGGED.DBF").string();
    CreateAlbum(file);
    dbe_Use(file.c_str(), nullptr, DBE_EXCLUSIVE, 2);
    BuildAlbumTags();
    dbe_CloseAll();
    return file;
}

// Appends records first..last (record image and thumbnail) in the open area.
void AppendRows(int first, int last)
{
    const int recSize = dbe_RecSize();
    for (int i = first; i <= last; ++i) {
        std::vector<char> image = Image(MakeRow(i), recSize);
        std::string thumb = Thumbnail(i);
        if (!dbe_AppendBlank() || !dbe_PutRecord(image.data()) ||
            !dbe_ReplaceBlob("VORSCHAU", thumb.data(), uint32_t(thumb.size()), 1))
            std::abort();
    }
    if (!dbe_Commit()) std::abort();
}

// Appends of `n` records with all 43 tags kept in step, in one area
// opened exclusively or shared; committed at the end, or each record
// committed on its own (a save that must be on disk when its call
// returns). A commit syncs the table, memo and index files; it also ends a
// lock turn of the index: the dirty mark synced before the table changes,
// the table's records and the index pages before the clean mark.
void AppendWithAlbumTags(benchmark::State& state, int mode, int n, bool commitEach)
{
    for (auto _ : state) {
        state.PauseTiming();
        const std::string file = TaggedAlbum();
        dbe_Use(file.c_str(), nullptr, mode, 2);
        // The syncs of the appends and commits are counted through the
        // engine's I/O seam (a counter, no fault).
        auto syncs = std::make_shared<long>(0);
        dbf::SetIoFaultHook([syncs](dbf::IoOp op, const std::string&) {
            if (op == dbf::IoOp::Sync) ++*syncs;
            return false;
        });
        state.ResumeTiming();
        for (int first = 1; first <= n; first += commitEach ? 1 : n) AppendRows(first, commitEach ? first : n);
        dbe_CloseAll();
        state.PauseTiming();
        dbf::SetIoFaultHook(nullptr);
        state.counters["syncs_per_commit"] = double(*syncs) / (commitEach ? n : 1);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * n);
}
// 10 % of the records of the run, one commit.
int TaggedAppends() { return std::max(1, Records() / 10); }
void BM_DbfAppendWithAlbumTags(benchmark::State& state)
{
    AppendWithAlbumTags(state, DBE_EXCLUSIVE, TaggedAppends(), false);
}
BENCHMARK(BM_DbfAppendWithAlbumTags)->Unit(benchmark::kMillisecond)->Iterations(1);
void BM_DbfAppendWithAlbumTagsShared(benchmark::State& state)
{
    AppendWithAlbumTags(state, DBE_SHARED, TaggedAppends(), false);
}
BENCHMARK(BM_DbfAppendWithAlbumTagsShared)->Unit(benchmark::kMillisecond)->Iterations(1);
// 200 records, each committed.
void BM_DbfAppendEachCommitted(benchmark::State& state) { AppendWithAlbumTags(state, DBE_EXCLUSIVE, 200, true); }
BENCHMARK(BM_DbfAppendEachCommitted)->Unit(benchmark::kMillisecond)->Iterations(1);
void BM_DbfAppendEachCommittedShared(benchmark::State& state) { AppendWithAlbumTags(state, DBE_SHARED, 200, true); }
BENCHMARK(BM_DbfAppendEachCommittedShared)->Unit(benchmark::kMillisecond)->Iterations(1);

// The same appends made by `processes` new processes at once, an equal
// part each (wall time of all). Each process opens the album before the
// time starts, as the single process above does, and all start appending
// together. A new process starts with nothing of the engine's memory made
// (the process above keeps it from its earlier repetitions): one process
// doing all the appends this way is the reference for two at once.
void AppendInNewProcesses(benchmark::State& state, int processes, int mode)
{
    const int n = std::max(2, Records() / 10);
    for (auto _ : state) {
        state.PauseTiming();
        const std::string file = TaggedAlbum();
        int ready[2], go[2];
        if (::pipe(ready) != 0 || ::pipe(go) != 0) std::abort();
        std::vector<pid_t> children;
        for (int p = 0; p < processes; ++p) {
            const pid_t child = ::fork();
            if (child == 0) {
                ::close(ready[0]);
                ::close(go[1]);
                const bool opened = dbe_Use(file.c_str(), nullptr, mode, 2) != 0;
                char byte = opened ? 1 : 0;
                const bool told = ::write(ready[1], &byte, 1) == 1;
                ::close(ready[1]);  // (so a child that died shows as the pipe's end)
                if (!told || !opened || ::read(go[0], &byte, 1) != 1) std::_Exit(1);
                AppendRows(p * (n / processes) + 1, (p + 1) * (n / processes));
                dbe_CloseAll();
                std::_Exit(0);
            }
            children.push_back(child);
        }
        ::close(ready[1]);
        ::close(go[0]);
        std::vector<char> opened(std::size_t(processes), 0);
        for (char& byte : opened)
            if (::read(ready[0], &byte, 1) != 1) byte = 0;
        state.ResumeTiming();
        // (When one could not open the album, the others read the pipe's end
        // and give up too.)
        if (std::count(opened.begin(), opened.end(), 1) == processes &&
            ::write(go[1], opened.data(), opened.size()) != ssize_t(opened.size()))
            std::abort();
        ::close(ready[0]);
        ::close(go[1]);
        // The processor time of the writers (user and system, all of them)
        // beside the wall time: under load from other programs the wall
        // time also counts the waits for a processor.
        double cpuMs = 0;
        for (pid_t child : children) {
            int status = 0;
            rusage usage{};
            ::wait4(child, &status, 0, &usage);
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("a writer failed");
            for (const timeval& t : {usage.ru_utime, usage.ru_stime}) cpuMs += t.tv_sec * 1e3 + t.tv_usec / 1e3;
        }
        state.counters["writers_cpu_ms"] = cpuMs;
    }
    state.SetItemsProcessed(state.iterations() * (n / processes) * processes);
}
void BM_DbfAppendWithAlbumTagsTwoProcesses(benchmark::State& state) { AppendInNewProcesses(state, 2, DBE_SHARED); }
BENCHMARK(BM_DbfAppendWithAlbumTagsTwoProcesses)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
void BM_DbfAppendWithAlbumTagsNewProcess(benchmark::State& state) { AppendInNewProcesses(state, 1, DBE_SHARED); }
BENCHMARK(BM_DbfAppendWithAlbumTagsNewProcess)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
void BM_DbfAppendWithAlbumTagsNewProcessExclusive(benchmark::State& state)
{
    AppendInNewProcesses(state, 1, DBE_EXCLUSIVE);
}
BENCHMARK(BM_DbfAppendWithAlbumTagsNewProcessExclusive)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// SQLite appending the same rows with 24 indexes, as many rows as
// BM_DbfAppendWithAlbumTags (the table and indexes made beforehand).
void BM_SqliteInsertWith24Indexes(benchmark::State& state)
{
    const int n = std::max(1, Records() / 10);
    for (auto _ : state) {
        // The file, the table and its 24 indexes (25 synced transactions)
        // are made outside the time, as the engine's album and its tags.
        state.PauseTiming();
        sqlite3* db = SqliteCreateAlbum((Folder() / "indexed.sqlite").string(), 24);
        state.ResumeTiming();
        SqliteInsertRows(db, n);
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_SqliteInsertWith24Indexes)->Unit(benchmark::kMillisecond)->Iterations(1);

// SQLite doing what BM_DbfAppendEachCommitted does: 200 rows with their
// thumbnails into the album table with 24 indexes, each row committed in a
// transaction of its own with synchronous=FULL (every commit on disk when it
// returns), in WAL or in rollback-journal mode.
void SqliteInsertEachCommitted(benchmark::State& state, const char* journalMode)
{
    for (auto _ : state) {
        state.PauseTiming();
        sqlite3* db = SqliteCreateAlbum((Folder() / "committed.sqlite").string(), 24);
        const std::string pragmas = std::string("PRAGMA journal_mode=") + journalMode + "; PRAGMA synchronous=FULL";
        if (sqlite3_exec(db, pragmas.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) std::abort();
        state.ResumeTiming();
        SqliteInsertRows(db, 200, true);
    }
    state.SetItemsProcessed(state.iterations() * 200);
}
void BM_SqliteInsertEachCommittedWal(benchmark::State& state) { SqliteInsertEachCommitted(state, "WAL"); }
BENCHMARK(BM_SqliteInsertEachCommittedWal)->Unit(benchmark::kMillisecond)->Iterations(1);
void BM_SqliteInsertEachCommittedJournal(benchmark::State& state) { SqliteInsertEachCommitted(state, "DELETE"); }
BENCHMARK(BM_SqliteInsertEachCommittedJournal)->Unit(benchmark::kMillisecond)->Iterations(1);

// The 100 000-record album with tags on DATEI (character) and BYTES in an
// index file of their own, open in area 1; natural order.
void OpenTaggedAlbum()
{
    EnsureAlbum();
    static bool built = false;
    dbe_CloseAll();
    dbe_Use(AlbumPath().c_str(), nullptr, DBE_SHARED, 2);
    const std::string cdx = (Folder() / "LOOKUP.CDX").string();
    if (!built) {
        if (!dbe_IndexTag(cdx.c_str(), "DATEI", "Datei", 0, 0, nullptr) ||
            !dbe_IndexTag(cdx.c_str(), "BYTES", "Bytes", 0, 0, nullptr))
            std::abort();
        built = true;
    } else if (!dbe_IndexOpen(cdx.c_str())) {
        std::abort();
    }
    dbe_SetOrder(0);
}

void BM_DbfSeekCharacterTag(benchmark::State& state)
{
    OpenTaggedAlbum();
    dbe_SetOrder(dbe_TagArea("DATEI"));
    const int n = int(dbe_RecCount());
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> pick(1, n);
    int found = 0;
    for (auto _ : state) {
        const std::string key = "Datei " + std::to_string(pick(rng));
        found += dbe_Seek(key.c_str()) != 0 && dbe_RecNo() > 0;
    }
    if (found != int(state.iterations())) state.SkipWithError("a key was not found");
    state.SetItemsProcessed(state.iterations());
    dbe_CloseAll();
}
BENCHMARK(BM_DbfSeekCharacterTag)->Unit(benchmark::kMicrosecond);

void BM_SqliteIndexedLookup(benchmark::State& state)
{
    const int n = Records();
    const std::string file = (Folder() / "lookup.sqlite").string();
    static bool filled = false;
    if (!filled) {
        SqliteAlbum(file, n, 0);
        sqlite3* db = nullptr;
        sqlite3_open(file.c_str(), &db);
        sqlite3_exec(db, "CREATE INDEX i_datei ON album(Datei)", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        filled = true;
    }
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "SELECT rowid FROM album WHERE Datei = ?", -1, &stmt, nullptr);
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> pick(1, n);
    int found = 0;
    for (auto _ : state) {
        const std::string key = "Datei " + std::to_string(pick(rng));
        sqlite3_bind_text(stmt, 1, key.c_str(), int(key.size()), SQLITE_TRANSIENT);
        found += sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_int64(stmt, 0) > 0;
        sqlite3_reset(stmt);
    }
    if (found != int(state.iterations())) state.SkipWithError("a key was not found");
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SqliteIndexedLookup)->Unit(benchmark::kMicrosecond);

// Every record of the character tag, first to last.
void BM_DbfSkipWholeTag(benchmark::State& state)
{
    OpenTaggedAlbum();
    dbe_SetOrder(dbe_TagArea("DATEI"));
    std::uint32_t seen = 0;
    for (auto _ : state) {
        seen = 0;
        for (dbe_GoTop(); !dbe_Eof(); dbe_Skip(1)) ++seen;
    }
    if (seen != dbe_RecCount()) state.SkipWithError("the walk missed records");
    state.SetItemsProcessed(state.iterations() * seen);
    dbe_CloseAll();
}
BENCHMARK(BM_DbfSkipWholeTag)->Unit(benchmark::kMillisecond);

// A query over a logical field and the count of what it shows.
void BM_DbfQueryLogicalAndCount(benchmark::State& state)
{
    OpenTaggedAlbum();
    std::uint32_t count = 0;
    for (auto _ : state) {
        if (!dbe_Query("Zugriff")) state.SkipWithError(dbe_LastError());
        count = dbe_QueryRecCount();
        dbe_Query(nullptr);
    }
    benchmark::DoNotOptimize(count);
    state.SetItemsProcessed(state.iterations() * dbe_RecCount());
    state.counters["shown"] = count;
    dbe_CloseAll();
}
BENCHMARK(BM_DbfQueryLogicalAndCount)->Unit(benchmark::kMillisecond);

// The same count through SQLite (no index on the column: a scan, as the query).
void BM_SqliteCountLogical(benchmark::State& state)
{
    const std::string file = (Folder() / "lookup.sqlite").string();
    if (!fs::exists(file)) SqliteAlbum(file, Records(), 0);
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "SELECT count(*) FROM album WHERE Zugriff = 'T'", -1, &stmt, nullptr);
    std::int64_t count = 0;
    for (auto _ : state) {
        if (sqlite3_step(stmt) == SQLITE_ROW) count = sqlite3_column_int64(stmt, 0);
        sqlite3_reset(stmt);
    }
    benchmark::DoNotOptimize(count);
    state.counters["shown"] = double(count);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    state.SetItemsProcessed(state.iterations() * Records());
}
BENCHMARK(BM_SqliteCountLogical)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    BenchInitialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    dbe_CloseAll();
    std::error_code ignored;
    fs::remove_all(Folder(), ignored);
    return 0;
}
