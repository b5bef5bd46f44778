#include "platform/fts/fts.h"

#include <cerrno>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/fts/fts_text.h"

namespace {

// Marks our index files: "LXIA" in SQLite's application id, and the layout
// version in its user version.
constexpr int kApplicationId = 0x4C584941;
constexpr int kLayoutVersion = 1;
constexpr const char* kBuildSuffix = ".lxbuild";

struct Statement {
    sqlite3_stmt* stmt = nullptr;
    ~Statement() { sqlite3_finalize(stmt); }
};

struct Index {
    sqlite3* db = nullptr;
    std::string path;       // the index file
    std::string buildPath;  // the side file while a new index is built, else empty
    bool readOnly = false;
    bool broken = false;
    std::vector<int> hits;  // matches of the last FtsSet
    size_t nextHit = 0;
    sqlite3_stmt* putMain = nullptr;
    sqlite3_stmt* putRecent = nullptr;
    sqlite3_stmt* count = nullptr;
    sqlite3_stmt* recentCount = nullptr;
    // The statements of queries, prepared once by their text (few shapes:
    // see Matches).
    std::map<std::string, sqlite3_stmt*> queries;

    ~Index() {
        for (sqlite3_stmt* s : {putMain, putRecent, count, recentCount})
            sqlite3_finalize(s);
        for (auto& [sql, stmt] : queries)
            sqlite3_finalize(stmt);
        if (db) sqlite3_close_v2(db);
    }
};

// A query's statement, prepared at its first use; reset by the caller's
// guard when done, so no read transaction stays open.
class CachedQuery {
public:
    CachedQuery(Index& ix, const std::string& sql) {
        sqlite3_stmt*& stmt = ix.queries[sql];
        if (!stmt) {
            rc_ = sqlite3_prepare_v3(ix.db, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &stmt,
                                     nullptr);
            if (rc_ != SQLITE_OK) {
                sqlite3_finalize(stmt);
                ix.queries.erase(sql);
                return;
            }
        }
        stmt_ = stmt;
    }
    ~CachedQuery() {
        if (stmt_) {
            sqlite3_reset(stmt_);
            sqlite3_clear_bindings(stmt_);
        }
    }
    CachedQuery(const CachedQuery&) = delete;
    CachedQuery& operator=(const CachedQuery&) = delete;
    sqlite3_stmt* get() const { return stmt_; }
    int PrepareResult() const { return rc_; }

private:
    sqlite3_stmt* stmt_ = nullptr;
    int rc_ = SQLITE_OK;
};

// Changes after a build go to the small table "recent" first: FTS5 pays for
// every commit on a large index with merge work, a small table keeps a
// single add cheap. An entry in "recent" hides the same entry of the main
// table "fts". When "recent" reaches this many entries they are moved into
// the main table in one transaction.
constexpr int kRecentLimit = 2000;

std::mutex gMutex;
std::map<int, std::unique_ptr<Index>> gIndexes;
int gNextHandle = 1;

Index* Find(int handle) {
    auto it = gIndexes.find(handle);
    return it == gIndexes.end() ? nullptr : it->second.get();
}

int Register(std::unique_ptr<Index> ix) {
    if (gNextHandle <= 0) gNextHandle = 1;  // after wrapping around
    while (gIndexes.count(gNextHandle))
        ++gNextHandle;
    int handle = gNextHandle++;
    gIndexes[handle] = std::move(ix);
    return handle;
}

// Maps an SQLite failure to our codes. A file that turns out to be damaged
// is never trusted again through this handle.
int Fail(Index& ix, int rc) {
    switch (rc & 0xFF) {
        case SQLITE_READONLY:
            return kFtsErrReadOnly;
        case SQLITE_FULL:
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
        case SQLITE_NOMEM:
        case SQLITE_TOOBIG:
            return kFtsErrWrite;
        default:  // corrupt, not a database, I/O error, schema trouble
            ix.broken = true;
            return kFtsErrUnusable;
    }
}

bool Exec(sqlite3* db, const char* sql, int* rcOut = nullptr) {
    int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (rcOut) *rcOut = rc;
    return rc == SQLITE_OK;
}

// Runs a query expected to give one integer; false on any failure.
bool QueryInt(sqlite3* db, const char* sql, int64_t& value, int* rcOut = nullptr) {
    Statement s;
    int rc = sqlite3_prepare_v2(db, sql, -1, &s.stmt, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_step(s.stmt);
    if (rcOut) *rcOut = rc;
    if (rc != SQLITE_ROW) return false;
    value = sqlite3_column_int64(s.stmt, 0);
    return true;
}

bool Prepare(Index& ix) {
    auto prep = [&](const char* sql, sqlite3_stmt** stmt) {
        return sqlite3_prepare_v3(ix.db, sql, -1, SQLITE_PREPARE_PERSISTENT, stmt, nullptr) ==
               SQLITE_OK;
    };
    return prep("INSERT OR REPLACE INTO fts(rowid, body) VALUES(?1, ?2)", &ix.putMain) &&
           prep("INSERT OR REPLACE INTO recent(rowid, body) VALUES(?1, ?2)", &ix.putRecent) &&
           prep(
               "SELECT max((SELECT coalesce(max(rowid), 0) FROM fts),"
               " (SELECT coalesce(max(rowid), 0) FROM recent))",
               &ix.count) &&
           prep("SELECT count(*) FROM recent_content", &ix.recentCount);
}

void ConfigureConnection(sqlite3* db) {
    sqlite3_extended_result_codes(db, 1);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_busy_timeout(db, 2000);
    Exec(db, "PRAGMA cell_size_check = ON");
}

// Steps a persistent statement that gives one integer.
int StepInt(Index& ix, sqlite3_stmt* stmt, int64_t& value) {
    sqlite3_reset(stmt);
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) value = sqlite3_column_int64(stmt, 0);
    sqlite3_reset(stmt);
    return rc == SQLITE_ROW ? 0 : Fail(ix, rc);
}

// The number of entries, or a negative error code.
int Count(Index& ix) {
    if (ix.broken) return kFtsErrUnusable;
    int64_t n = 0;
    int err = StepInt(ix, ix.count, n);
    return err ? err : static_cast<int>(n);
}

// Moves the entries of "recent" into the main table, in one transaction.
// A failure leaves them where they are; the next change tries again.
void Consolidate(Index& ix) {
    int rc = SQLITE_OK;
    if (Exec(ix.db, "BEGIN IMMEDIATE", &rc) &&
        Exec(ix.db, "INSERT OR REPLACE INTO fts(rowid, body) SELECT rowid, body FROM recent",
             &rc) &&
        Exec(ix.db, "DELETE FROM recent", &rc) && Exec(ix.db, "COMMIT", &rc))
        return;
    Exec(ix.db, "ROLLBACK");
    Fail(ix, rc);
}

// Stores the text as entry recNo: new entries get count + 1, existing ones
// 1..count. Answers recNo or a negative error code.
int Put(Index& ix, std::string_view text, int recNo, bool append) {
    if (ix.broken) return kFtsErrUnusable;
    if (ix.readOnly) return kFtsErrReadOnly;
    bool building = !ix.buildPath.empty();
    if (!building && !Exec(ix.db, "BEGIN IMMEDIATE")) return kFtsErrWrite;
    int result = Count(ix);
    if (result >= 0) {
        if (append) recNo = result + 1;
        if (recNo < 1 || recNo > result + (append ? 1 : 0)) {
            result = kFtsErrArgument;
        } else {
            std::string body = fts::Win1252ToUtf8(fts::FoldText(text));
            sqlite3_stmt* put = building ? ix.putMain : ix.putRecent;
            sqlite3_bind_int(put, 1, recNo);
            sqlite3_bind_text(put, 2, body.data(), static_cast<int>(body.size()), SQLITE_STATIC);
            int rc = sqlite3_step(put);
            sqlite3_reset(put);
            sqlite3_clear_bindings(put);
            result = rc == SQLITE_DONE ? recNo : Fail(ix, rc);
        }
    }
    if (building) return result;
    int rc = SQLITE_OK;
    if (result < 0 || !Exec(ix.db, "COMMIT", &rc)) {
        Exec(ix.db, "ROLLBACK");
        return result < 0 ? result : Fail(ix, rc);
    }
    int64_t recent = 0;
    if (StepInt(ix, ix.recentCount, recent) == 0 && recent >= kRecentLimit) Consolidate(ix);
    return result;
}

// Entry numbers of one table whose text holds every word, ascending.
int Matches(Index& ix, const char* table, const std::vector<std::string>& words,
            std::vector<int>& out) {
    // Words of three characters or more go through the trigram index as
    // quoted strings (substring match); shorter ones are tested on the text.
    std::string match, sql = std::string("SELECT rowid FROM ") + table + " WHERE 1";
    std::vector<std::string> shortWords;
    for (const std::string& w : words) {
        std::string utf8 = fts::Win1252ToUtf8(w);
        if (w.size() >= 3) {
            std::string quoted = "\"";
            for (char c : utf8) {
                quoted.push_back(c);
                if (c == '"') quoted.push_back('"');
            }
            quoted.push_back('"');
            match += (match.empty() ? "" : " AND ") + quoted;
        } else {
            shortWords.push_back(std::move(utf8));
            sql += " AND instr(body, ?) > 0";
        }
    }
    if (!match.empty()) sql = sql + " AND " + table + " MATCH ?";
    sql += " ORDER BY rowid";

    CachedQuery s(ix, sql);
    if (!s.get()) return Fail(ix, s.PrepareResult());
    int param = 1;
    for (const std::string& w : shortWords)
        sqlite3_bind_text(s.get(), param++, w.data(), static_cast<int>(w.size()), SQLITE_STATIC);
    if (!match.empty())
        sqlite3_bind_text(s.get(), param, match.data(), static_cast<int>(match.size()),
                          SQLITE_STATIC);
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(s.get())) == SQLITE_ROW)
        out.push_back(static_cast<int>(sqlite3_column_int64(s.get(), 0)));
    return rc == SQLITE_DONE ? 0 : Fail(ix, rc);
}

// Entry numbers held by "recent" (they hide the main table's entries), ascending.
int RecentEntries(Index& ix, std::vector<int>& out) {
    CachedQuery s(ix, "SELECT id FROM recent_content ORDER BY id");
    if (!s.get()) return Fail(ix, s.PrepareResult());
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(s.get())) == SQLITE_ROW)
        out.push_back(static_cast<int>(sqlite3_column_int64(s.get(), 0)));
    return rc == SQLITE_DONE ? 0 : Fail(ix, rc);
}

// Whether a query finds a row: 1 yes, 0 no, else a negative error code.
int AnyRow(Index& ix, const char* sql) {
    CachedQuery s(ix, sql);
    if (!s.get()) return Fail(ix, s.PrepareResult());
    const int rc = sqlite3_step(s.get());
    return rc == SQLITE_ROW ? 1 : rc == SQLITE_DONE ? 0 : Fail(ix, rc);
}

// Runs a statement without rows through the prepared statements of queries
// (no parse per call).
bool StepCached(Index& ix, const char* sql) {
    CachedQuery s(ix, sql);
    return s.get() && sqlite3_step(s.get()) == SQLITE_DONE;
}

// One read transaction for the statements of a query (each would take and
// give back the file's read lock of its own); none when a transaction runs.
class ReadTransaction {
public:
    explicit ReadTransaction(Index& ix) : ix_(ix) {
        began_ = sqlite3_get_autocommit(ix.db) && StepCached(ix, "BEGIN");
    }
    ~ReadTransaction() {
        if (began_ && !StepCached(ix_, "COMMIT")) Exec(ix_.db, "ROLLBACK");
    }
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;

private:
    Index& ix_;
    bool began_ = false;
};

bool SyncFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return false;
    bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool SyncFolderOf(const std::string& path) {
    std::string folder = path.substr(0, path.find_last_of('/') + 1);
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return false;
    bool ok = ::fsync(fd) == 0 || errno == EINVAL;  // some file systems cannot sync folders
    ::close(fd);
    return ok;
}

void RemoveBuildFiles(const std::string& buildPath) {
    ::unlink(buildPath.c_str());
    ::unlink((buildPath + "-journal").c_str());
}

// Checks that an opened file is a sound index of ours.
bool Validate(Index& ix) {
    int64_t value = 0;
    if (!QueryInt(ix.db, "PRAGMA application_id", value) || value != kApplicationId) return false;
    if (!QueryInt(ix.db, "PRAGMA user_version", value) || value != kLayoutVersion) return false;
    if (!QueryInt(ix.db,
                  "SELECT count(*) FROM sqlite_master WHERE type = 'table'"
                  " AND name IN ('fts', 'recent') AND sql LIKE '%fts5%trigram%'",
                  value) ||
        value != 2)
        return false;

    if (!ix.readOnly) {
        // Write-ahead log while open: each change is one cheap, atomic commit.
        Statement s;
        if (sqlite3_prepare_v2(ix.db, "PRAGMA journal_mode = WAL", -1, &s.stmt, nullptr) ==
                SQLITE_OK &&
            sqlite3_step(s.stmt) == SQLITE_ROW) {
            Exec(ix.db, "PRAGMA synchronous = NORMAL");
            Exec(ix.db, "PRAGMA wal_checkpoint(TRUNCATE)");
        }
    }

    // A truncated file: the pages the header promises must all be there.
    // (Pages still in a write-ahead log that could not be checkpointed are
    // not in the main file yet, so the test is skipped then.)
    struct stat walInfo {};
    bool walPending = ::stat((ix.path + "-wal").c_str(), &walInfo) == 0 && walInfo.st_size > 0;
    int64_t pages = 0, pageSize = 0;
    if (!QueryInt(ix.db, "PRAGMA page_count", pages) ||
        !QueryInt(ix.db, "PRAGMA page_size", pageSize))
        return false;
    struct stat info {};
    if (::stat(ix.path.c_str(), &info) != 0) return false;
    if (!walPending && pages * pageSize > static_cast<int64_t>(info.st_size)) return false;

    // Touch the contents and the index structures once.
    for (const char* sql :
         {"SELECT coalesce(max(rowid), 0) FROM fts", "SELECT count(*) FROM recent_content"})
        if (!QueryInt(ix.db, sql, value)) return false;
    for (const char* sql : {"SELECT rowid FROM fts WHERE fts MATCH '\"lx-probe\"' LIMIT 1",
                            "SELECT rowid FROM recent WHERE recent MATCH '\"lx-probe\"' LIMIT 1"}) {
        int rc = SQLITE_OK;
        QueryInt(ix.db, sql, value, &rc);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) return false;
    }
    return true;
}

}  // namespace

int FtsOpen(const char* fileName, int, int b) {
    std::lock_guard lock(gMutex);
    if (!fileName || !*fileName) return kFtsErrUnusable;
    struct stat info {};
    if (::stat(fileName, &info) != 0 || !S_ISREG(info.st_mode)) return kFtsErrUnusable;

    auto ix = std::make_unique<Index>();
    ix->path = fileName;
    // Opened for reading only when the caller asks (a read-only album) or
    // the file has the read-only attribute, whoever runs the program (the
    // owner could write it anyway); one this process cannot write is opened
    // read-only by SQLite itself.
    const bool readOnly = b == kFtsOpenReadOnly || !(info.st_mode & S_IWUSR);
    const int mode = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    if (sqlite3_open_v2(fileName, &ix->db, mode, nullptr) != SQLITE_OK)
        return kFtsErrUnusable;
    ConfigureConnection(ix->db);
    ix->readOnly = sqlite3_db_readonly(ix->db, "main") == 1;
    if (!Validate(*ix) || !Prepare(*ix)) return kFtsErrUnusable;
    return Register(std::move(ix));
}

int FtsCreate(const char* fileName, int, int, int, int) {
    std::lock_guard lock(gMutex);
    if (!fileName || !*fileName) return kFtsErrArgument;
    auto ix = std::make_unique<Index>();
    ix->path = fileName;
    ix->buildPath = ix->path + kBuildSuffix;
    RemoveBuildFiles(ix->buildPath);
    if (sqlite3_open_v2(ix->buildPath.c_str(), &ix->db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK) {
        RemoveBuildFiles(ix->buildPath);
        return kFtsErrWrite;
    }
    ConfigureConnection(ix->db);
    // The side file is thrown away when anything fails, so it needs no
    // journal; the one transaction is made durable when FtsClose commits it.
    bool ok =
        Exec(ix->db, "PRAGMA journal_mode = OFF") && Exec(ix->db, "PRAGMA synchronous = OFF") &&
        Exec(ix->db, "PRAGMA cache_size = -65536") &&
        Exec(ix->db, ("PRAGMA application_id = " + std::to_string(kApplicationId)).c_str()) &&
        Exec(ix->db, ("PRAGMA user_version = " + std::to_string(kLayoutVersion)).c_str()) &&
        Exec(ix->db, "BEGIN") &&
        Exec(ix->db,
             "CREATE VIRTUAL TABLE fts USING fts5(body, tokenize = 'trigram case_sensitive 1');"
             "CREATE VIRTUAL TABLE recent USING fts5(body, tokenize = 'trigram case_sensitive "
             "1')") &&
        Prepare(*ix);
    if (!ok) {
        ix.reset();
        RemoveBuildFiles(fileName + std::string(kBuildSuffix));
        return kFtsErrWrite;
    }
    return Register(std::move(ix));
}

int FtsAdd(int handle, std::string_view text) {
    std::lock_guard lock(gMutex);
    Index* ix = Find(handle);
    return ix ? Put(*ix, text, 0, true) : kFtsErrUnusable;
}

int FtsReplace(int handle, std::string_view text, int recNo) {
    std::lock_guard lock(gMutex);
    Index* ix = Find(handle);
    return ix ? Put(*ix, text, recNo, false) : kFtsErrUnusable;
}

int FtsDelete(int handle, int recNo) {
    std::lock_guard lock(gMutex);
    Index* ix = Find(handle);
    return ix ? Put(*ix, {}, recNo, false) : kFtsErrUnusable;
}

int FtsSet(int handle, std::string_view query) {
    std::lock_guard lock(gMutex);
    Index* ix = Find(handle);
    if (!ix || ix->broken) return kFtsErrUnusable;
    ix->hits.clear();
    ix->nextHit = 0;

    const ReadTransaction transaction(*ix);
    std::vector<std::string> words = fts::QueryWords(query);
    if (!words.empty()) {
        std::vector<int> main, recent, hidden;
        // An empty side table (after a build) holds nothing to find.
        int err = RecentEntries(*ix, hidden);
        if (!err) err = Matches(*ix, "fts", words, main);
        if (!err && !hidden.empty()) err = Matches(*ix, "recent", words, recent);
        if (err) return err;
        std::vector<int> visible;
        std::set_difference(main.begin(), main.end(), hidden.begin(), hidden.end(),
                            std::back_inserter(visible));
        std::merge(visible.begin(), visible.end(), recent.begin(), recent.end(),
                   std::back_inserter(ix->hits));
        // A hit is a key: the index has keys.
        if (!ix->hits.empty()) return static_cast<int>(ix->hits.size());
    }
    // Keys are texts that are not empty and not hidden by a newer entry.
    int any = AnyRow(*ix, "SELECT 1 FROM recent WHERE body <> '' LIMIT 1");
    if (any == 0)
        any = AnyRow(*ix,
                     "SELECT 1 FROM fts WHERE body <> ''"
                     " AND rowid NOT IN (SELECT id FROM recent_content) LIMIT 1");
    if (any < 0) return any;
    if (any == 0) return kFtsErrNoKeys;
    return 0;
}

int FtsNextRec(int handle) {
    std::lock_guard lock(gMutex);
    Index* ix = Find(handle);
    if (!ix || ix->broken) return kFtsErrUnusable;
    return ix->nextHit < ix->hits.size() ? ix->hits[ix->nextHit++] : 0;
}

int FtsNumRecs(int handle) {
    std::lock_guard lock(gMutex);
    Index* ix = Find(handle);
    return ix ? Count(*ix) : kFtsErrUnusable;
}

int FtsVerify(int handle, std::string_view text, std::string_view query, int) {
    std::lock_guard lock(gMutex);
    if (!Find(handle)) return kFtsErrUnusable;
    std::vector<std::string> words = fts::QueryWords(query);
    if (words.empty()) return 0;
    return fts::MatchesAll(fts::FoldText(text), words) ? 1 : 0;
}

int FtsClose(int handle) {
    std::lock_guard lock(gMutex);
    auto it = gIndexes.find(handle);
    if (it == gIndexes.end()) return kFtsErrArgument;
    std::unique_ptr<Index> ix = std::move(it->second);
    gIndexes.erase(it);

    if (!ix->buildPath.empty()) {
        // Finish the build: commit durably, then put the file in place.
        bool ok = !ix->broken && Exec(ix->db, "COMMIT");
        std::string buildPath = ix->buildPath, path = ix->path;
        ix.reset();  // closes the connection
        ok = ok && SyncFile(buildPath);
        // A log left beside the old file by a process that died would be
        // replayed onto the new file; drop it unless this process still has
        // the old file open (then the log is live and SQLite's own).
        bool oldInUse = std::any_of(gIndexes.begin(), gIndexes.end(),
                                    [&](const auto& e) { return e.second->path == path; });
        // A log that cannot be removed would be replayed onto the new file:
        // then the old file stays.
        if (ok && !oldInUse)
            for (const char* suffix : {"-wal", "-shm", "-journal"})
                ok = ok && (::unlink((path + suffix).c_str()) == 0 || errno == ENOENT);
        if (!ok || ::rename(buildPath.c_str(), path.c_str()) != 0) {
            RemoveBuildFiles(buildPath);
            return kFtsErrWrite;
        }
        return SyncFolderOf(path) ? 0 : kFtsErrWrite;
    }
    if (!ix->readOnly && !ix->broken) {
        // Leave a single, self-contained file behind (also readable from a
        // read-only medium); fails harmlessly while another handle is open.
        Exec(ix->db, "PRAGMA journal_mode = DELETE");
    }
    return 0;
}
