#include "platform/fts/fts.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
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
    sqlite3_stmt* insert = nullptr;
    sqlite3_stmt* update = nullptr;
    sqlite3_stmt* count = nullptr;

    ~Index() {
        sqlite3_finalize(insert);
        sqlite3_finalize(update);
        sqlite3_finalize(count);
        if (db) sqlite3_close_v2(db);
    }
};

std::mutex gMutex;
std::map<int, std::unique_ptr<Index>> gIndexes;
int gNextHandle = 1;

Index* Find(int handle) {
    auto it = gIndexes.find(handle);
    return it == gIndexes.end() ? nullptr : it->second.get();
}

int Register(std::unique_ptr<Index> ix) {
    if (gNextHandle <= 0) gNextHandle = 1;  // after wrapping around
    while (gIndexes.count(gNextHandle)) ++gNextHandle;
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

bool Exec(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
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
    return sqlite3_prepare_v3(ix.db, "INSERT INTO fts(body) VALUES(?1)", -1,
                              SQLITE_PREPARE_PERSISTENT, &ix.insert, nullptr) == SQLITE_OK &&
           sqlite3_prepare_v3(ix.db, "UPDATE fts SET body = ?1 WHERE rowid = ?2", -1,
                              SQLITE_PREPARE_PERSISTENT, &ix.update, nullptr) == SQLITE_OK &&
           sqlite3_prepare_v3(ix.db, "SELECT coalesce(max(rowid), 0) FROM fts", -1,
                              SQLITE_PREPARE_PERSISTENT, &ix.count, nullptr) == SQLITE_OK;
}

void ConfigureConnection(sqlite3* db) {
    sqlite3_extended_result_codes(db, 1);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_busy_timeout(db, 2000);
    Exec(db, "PRAGMA cell_size_check = ON");
}

// The number of entries, or a negative error code.
int Count(Index& ix) {
    if (ix.broken) return kFtsErrUnusable;
    sqlite3_reset(ix.count);
    int rc = sqlite3_step(ix.count);
    if (rc != SQLITE_ROW) {
        sqlite3_reset(ix.count);
        return Fail(ix, rc);
    }
    int64_t n = sqlite3_column_int64(ix.count, 0);
    sqlite3_reset(ix.count);
    return static_cast<int>(n);
}

// Stores the folded text under entry recNo (which must exist).
int Store(Index& ix, std::string_view text, int recNo) {
    if (ix.broken) return kFtsErrUnusable;
    if (ix.readOnly) return kFtsErrReadOnly;
    int count = Count(ix);
    if (count < 0) return count;
    if (recNo < 1 || recNo > count) return kFtsErrArgument;
    std::string body = fts::Win1252ToUtf8(fts::FoldText(text));
    sqlite3_bind_text(ix.update, 1, body.data(), static_cast<int>(body.size()), SQLITE_STATIC);
    sqlite3_bind_int(ix.update, 2, recNo);
    int rc = sqlite3_step(ix.update);
    sqlite3_reset(ix.update);
    sqlite3_clear_bindings(ix.update);
    if (rc != SQLITE_DONE) return Fail(ix, rc);
    return recNo;
}

bool SyncFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return false;
    bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

void SyncFolderOf(const std::string& path) {
    std::string folder = path.substr(0, path.find_last_of('/') + 1);
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
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
                  "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'fts'"
                  " AND sql LIKE '%fts5%trigram%'",
                  value) ||
        value != 1)
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

    // Touch the content and the index structure once.
    if (!QueryInt(ix.db, "SELECT coalesce(max(rowid), 0) FROM fts", value)) return false;
    int rc = SQLITE_OK;
    QueryInt(ix.db, "SELECT rowid FROM fts WHERE fts MATCH '\"lx-probe\"' LIMIT 1", value, &rc);
    return rc == SQLITE_ROW || rc == SQLITE_DONE;
}

}  // namespace

int FtsOpen(const char* fileName, int, int) {
    std::lock_guard lock(gMutex);
    if (!fileName || !*fileName) return kFtsErrUnusable;
    struct stat info {};
    if (::stat(fileName, &info) != 0 || !S_ISREG(info.st_mode)) return kFtsErrUnusable;

    auto ix = std::make_unique<Index>();
    ix->path = fileName;
    if (sqlite3_open_v2(fileName, &ix->db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
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
    if (sqlite3_open_v2(ix->buildPath.c_str(), &ix->db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        RemoveBuildFiles(ix->buildPath);
        return kFtsErrWrite;
    }
    ConfigureConnection(ix->db);
    // The side file is thrown away when anything fails, so it needs no
    // journal; the one transaction is made durable when FtsClose commits it.
    bool ok = Exec(ix->db, "PRAGMA journal_mode = OFF") &&
              Exec(ix->db, "PRAGMA synchronous = OFF") &&
              Exec(ix->db, "PRAGMA cache_size = -65536") &&
              Exec(ix->db, ("PRAGMA application_id = " + std::to_string(kApplicationId)).c_str()) &&
              Exec(ix->db, ("PRAGMA user_version = " + std::to_string(kLayoutVersion)).c_str()) &&
              Exec(ix->db, "BEGIN") &&
              Exec(ix->db,
                   "CREATE VIRTUAL TABLE fts USING fts5(body, tokenize = 'trigram case_sensitive 1')") &&
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
    if (!ix) return kFtsErrUnusable;
    if (ix->broken) return kFtsErrUnusable;
    if (ix->readOnly) return kFtsErrReadOnly;
    std::string body = fts::Win1252ToUtf8(fts::FoldText(text));
    sqlite3_bind_text(ix->insert, 1, body.data(), static_cast<int>(body.size()), SQLITE_STATIC);
    int rc = sqlite3_step(ix->insert);
    sqlite3_reset(ix->insert);
    sqlite3_clear_bindings(ix->insert);
    if (rc != SQLITE_DONE) return Fail(*ix, rc);
    return static_cast<int>(sqlite3_last_insert_rowid(ix->db));
}

int FtsReplace(int handle, std::string_view text, int recNo) {
    std::lock_guard lock(gMutex);
    Index* ix = Find(handle);
    return ix ? Store(*ix, text, recNo) : kFtsErrUnusable;
}

int FtsDelete(int handle, int recNo) {
    std::lock_guard lock(gMutex);
    Index* ix = Find(handle);
    return ix ? Store(*ix, {}, recNo) : kFtsErrUnusable;
}

int FtsSet(int handle, std::string_view query) {
    std::lock_guard lock(gMutex);
    Index* ix = Find(handle);
    if (!ix || ix->broken) return kFtsErrUnusable;
    ix->hits.clear();
    ix->nextHit = 0;

    int rc = SQLITE_OK;
    int64_t any = 0;
    if (!QueryInt(ix->db, "SELECT 1 FROM fts WHERE body <> '' LIMIT 1", any, &rc))
        return rc == SQLITE_DONE ? kFtsErrNoKeys : Fail(*ix, rc);

    std::vector<std::string> words = fts::QueryWords(query);
    if (words.empty()) return 0;

    // Words of three characters or more go through the trigram index as
    // quoted strings (substring match); shorter ones are tested on the text.
    std::string match, sql = "SELECT rowid FROM fts WHERE 1";
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
    if (!match.empty()) sql += " AND fts MATCH ?";
    sql += " ORDER BY rowid";

    Statement s;
    rc = sqlite3_prepare_v2(ix->db, sql.c_str(), -1, &s.stmt, nullptr);
    if (rc != SQLITE_OK) return Fail(*ix, rc);
    int param = 1;
    for (const std::string& w : shortWords)
        sqlite3_bind_text(s.stmt, param++, w.data(), static_cast<int>(w.size()), SQLITE_STATIC);
    if (!match.empty())
        sqlite3_bind_text(s.stmt, param, match.data(), static_cast<int>(match.size()),
                          SQLITE_STATIC);
    while ((rc = sqlite3_step(s.stmt)) == SQLITE_ROW)
        ix->hits.push_back(static_cast<int>(sqlite3_column_int64(s.stmt, 0)));
    if (rc != SQLITE_DONE) {
        ix->hits.clear();
        return Fail(*ix, rc);
    }
    return static_cast<int>(ix->hits.size());
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
        if (!ok || ::rename(buildPath.c_str(), path.c_str()) != 0) {
            RemoveBuildFiles(buildPath);
            return kFtsErrWrite;
        }
        SyncFolderOf(path);
        return 0;
    }
    if (!ix->readOnly && !ix->broken) {
        // Leave a single, self-contained file behind (also readable from a
        // read-only medium); fails harmlessly while another handle is open.
        Exec(ix->db, "PRAGMA journal_mode = DELETE");
    }
    return 0;
}
