#include "platform/zip/zip_archive.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>
#include <zip.h>

#include <algorithm>
#include <cctype>
#include <ctime>
#include <map>
#include <set>
#include <vector>

namespace {

struct Source {
    std::string path;  // file on disk ("" for a directory entry)
    std::string name;  // stored name
    bool directory = false;
    uint64_t size = 0;
    time_t mtime = 0;
    mode_t mode = 0;
};

std::vector<std::string> Split(const std::string& text, const char* separators) {
    std::vector<std::string> out;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find_first_of(separators, pos);
        if (end == std::string::npos) end = text.size();
        std::string part = text.substr(pos, end - pos);
        size_t a = part.find_first_not_of(" \t"), b = part.find_last_not_of(" \t");
        part = a == std::string::npos ? "" : part.substr(a, b - a + 1);
        if (part.size() >= 2 && part.front() == '"' && part.back() == '"')
            part = part.substr(1, part.size() - 2);
        if (!part.empty()) out.push_back(part);
        pos = end + 1;
    }
    return out;
}

bool Matches(const std::string& pattern, const std::string& name) {
    return fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
}

bool MatchesAny(const std::vector<std::string>& patterns, const std::string& name) {
    return std::any_of(patterns.begin(), patterns.end(),
                       [&](const std::string& p) { return Matches(p, name); });
}

std::string BaseName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool HasWildcard(const std::string& s) {
    return s.find_first_of("*?") != std::string::npos;
}

bool ValidUtf8(const std::string& s) {
    for (size_t i = 0; i < s.size();) {
        unsigned char c = s[i];
        int len = c < 0x80             ? 1
                  : (c & 0xE0) == 0xC0 ? 2
                  : (c & 0xF0) == 0xE0 ? 3
                  : (c & 0xF8) == 0xF0 ? 4
                                       : 0;
        if (!len || i + len > s.size()) return false;
        for (int k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += len;
    }
    return true;
}

// File names that are not UTF-8 come from Windows media: take them as Latin-1.
std::string ToUtf8(const std::string& s) {
    if (ValidUtf8(s)) return s;
    std::string out;
    for (unsigned char c : s) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

// "MMDDYYYY" or "MMDDYY" (local midnight); -1 when malformed.
time_t ParseDate(const std::string& s) {
    if ((s.size() != 8 && s.size() != 6) || !std::all_of(s.begin(), s.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c));
        }))
        return -1;
    std::tm tm{};
    tm.tm_mon = std::stoi(s.substr(0, 2)) - 1;
    tm.tm_mday = std::stoi(s.substr(2, 2));
    int year = std::stoi(s.substr(4));
    if (s.size() == 6) year += year < 80 ? 2000 : 1900;
    tm.tm_year = year - 1900;
    tm.tm_isdst = -1;
    if (tm.tm_mon < 0 || tm.tm_mon > 11 || tm.tm_mday < 1 || tm.tm_mday > 31) return -1;
    return std::mktime(&tm);
}

class Run {
public:
    Run(int command, const ZipOptions& o) : command_(command), o_(o) {}

    int Execute();

private:
    int Fail(int code, int libzipError, const std::string& text, const std::string& file) {
        if (o_.message) o_.message(code, 0, libzipError, 0, text, file);
        return code;
    }
    int Collect();
    int CollectItem(const std::string& item);
    void Walk(const std::string& folder, const std::string& pattern, const std::string& base,
              bool wildcard);
    bool Accept(const std::string& path, const struct stat& st, bool viaMask);
    void AddSource(const std::string& path, const struct stat& st, const std::string& base,
                   bool directory);
    int Write();
    int Delete();
    int Test();
    bool Progress(const std::string& item, int overall, int own);
    bool StoredBySuffix(const std::string& name) const;

    friend void OnProgress(zip_t*, double, void*);
    friend int OnCancel(zip_t*, void*);

    int command_;
    const ZipOptions& o_;
    std::vector<Source> sources_;
    std::set<std::string> names_;
    std::string archiveReal_;  // resolved path of the archive, to keep it out
    time_t after_ = 0;
    std::vector<std::string> include_, exclude_;
    bool cancel_ = false;
    int lastMajor_ = -1, lastMinor_ = -1;
    std::string lastItem_;
    std::vector<std::pair<uint64_t, std::string>> plan_;  // cumulative size, name
    uint64_t planTotal_ = 0;
};

bool Run::Progress(const std::string& item, int overall, int own) {
    if (item == lastItem_ && overall == lastMajor_ && own == lastMinor_) return cancel_;
    lastItem_ = item;
    if (o_.major && overall != lastMajor_ && o_.major(item, overall)) cancel_ = true;
    if (o_.minor && own != lastMinor_ && o_.minor(item, own)) cancel_ = true;
    lastMajor_ = overall;
    lastMinor_ = own;
    return cancel_;
}

void OnProgress(zip_t*, double fraction, void* state) {
    Run& run = *static_cast<Run*>(state);
    if (run.plan_.empty()) return;
    uint64_t done = static_cast<uint64_t>(fraction * run.planTotal_);
    uint64_t start = 0;
    for (const auto& [end, name] : run.plan_) {
        if (done < end || &name == &run.plan_.back().second) {
            uint64_t size = end - start;
            int own = size ? static_cast<int>(std::min<uint64_t>(
                                 100, (std::min(done, end) - start) * 100 / size))
                           : 100;
            run.Progress(name, static_cast<int>(fraction * 100), own);
            return;
        }
        start = end;
    }
}

int OnCancel(zip_t*, void* state) {
    return static_cast<Run*>(state)->cancel_ ? 1 : 0;
}

bool Run::Accept(const std::string& path, const struct stat& st, bool viaMask) {
    std::string name = BaseName(path);
    if (viaMask && !o_.includeSysHidden && !name.empty() && name[0] == '.') return false;
    if (o_.includeOnlyFollowing && !include_.empty() && !MatchesAny(include_, name)) return false;
    if (o_.excludeFollowing && MatchesAny(exclude_, name)) return false;
    if (o_.afterDate && st.st_mtime < after_) return false;
    char real[PATH_MAX];
    if (!archiveReal_.empty() && realpath(path.c_str(), real) && archiveReal_ == real) return false;
    return true;
}

void Run::AddSource(const std::string& path, const struct stat& st, const std::string& base,
                    bool directory) {
    ZipRename r;
    r.sourceFile = path;
    std::string stored;
    if (o_.noDirectoryNames)
        stored = BaseName(path);
    else if ((o_.subOptions & kZsoRelativePath) && path.compare(0, base.size(), base) == 0)
        stored = path.substr(base.size());
    else
        stored = path;
    while (!stored.empty() && stored.front() == '/')
        stored.erase(0, 1);
    if (stored.empty()) return;
    if (directory) stored += '/';
    r.storedName = ToUtf8(stored);
    if (o_.rename) o_.rename(r);
    if (r.storedName.empty() || !names_.insert(r.storedName).second) return;
    sources_.push_back({directory ? "" : path, r.storedName, directory,
                        static_cast<uint64_t>(st.st_size), st.st_mtime, st.st_mode});
}

void Run::Walk(const std::string& folder, const std::string& pattern, const std::string& base,
               bool wildcard) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) return;
    std::vector<std::string> names;
    while (dirent* e = readdir(dir)) {
        std::string n = e->d_name;
        if (n != "." && n != "..") names.push_back(n);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string& n : names) {
        std::string path = folder + (folder.back() == '/' ? "" : "/") + n;
        struct stat st {};
        if (stat(path.c_str(), &st) != 0) continue;
        if (S_ISREG(st.st_mode) && Matches(pattern, n) && Accept(path, st, wildcard))
            AddSource(path, st, base, false);
    }
    if (!o_.recurse) return;
    for (const std::string& n : names) {
        std::string path = folder + (folder.back() == '/' ? "" : "/") + n;
        struct stat st {};
        if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
        if (!o_.includeSysHidden && n[0] == '.') continue;
        if (!o_.noDirectoryEntries && !o_.noDirectoryNames) AddSource(path, st, base, true);
        Walk(path, pattern, base, wildcard);
    }
}

int Run::CollectItem(const std::string& item) {
    size_t slash = item.find_last_of('/');
    std::string folder = slash == std::string::npos ? std::string("./") : item.substr(0, slash + 1);
    std::string last = BaseName(item);
    if (HasWildcard(last)) {
        Walk(folder, last, folder, true);
        return kZipOk;
    }
    struct stat st {};
    if (stat(item.c_str(), &st) != 0) return Fail(kZipErrSource, 0, "file not found", item);
    if (S_ISDIR(st.st_mode)) {
        std::string base = item.back() == '/' ? item : item + "/";
        Walk(base, "*", base, true);
        return kZipOk;
    }
    if (Accept(item, st, false)) AddSource(item, st, folder, false);
    return kZipOk;
}

int Run::Collect() {
    for (const std::string& item : Split(o_.itemList, "\r\n"))
        if (int rc = CollectItem(item)) return rc;
    return kZipOk;
}

// Files whose suffix is in storeSuffixes are stored without compression.
bool Run::StoredBySuffix(const std::string& name) const {
    if (!o_.dontCompressSuffixes) return false;
    auto lower = [](std::string t) {
        std::transform(t.begin(), t.end(), t.begin(),
                       [](unsigned char c) { return std::tolower(c); });
        return t;
    };
    std::string n = lower(name);
    for (std::string suffix : Split(o_.storeSuffixes, ":; ")) {
        suffix = lower(suffix);
        if (suffix.front() != '.') suffix = std::string(1, '.') + suffix;
        if (n.size() >= suffix.size() &&
            n.compare(n.size() - suffix.size(), suffix.size(), suffix) == 0)
            return true;
    }
    return false;
}

// Freshen, update, add and move.
int Run::Write() {
    if (int rc = Collect()) return rc;
    for (const Source& s : sources_) {
        if (s.directory) continue;
        int fd = ::open(s.path.c_str(), O_RDONLY);
        if (fd < 0) return Fail(kZipErrSource, 0, "file cannot be read", s.path);
        ::close(fd);
    }
    struct stat archiveStat {};
    bool exists = ::stat(o_.zipFile.c_str(), &archiveStat) == 0;
    if (!exists && command_ == kZipFreshen) return kZipOk;             // nothing to freshen
    if (!exists && sources_.empty() && !o_.addComment) return kZipOk;  // nothing to pack

    int err = 0;
    zip_t* za = zip_open(o_.zipFile.c_str(), ZIP_CREATE, &err);
    if (!za) return Fail(kZipErrArchive, err, "archive cannot be opened", o_.zipFile);

    bool changed = false;
    time_t newest = 0;
    uint64_t cumulative = 0;
    for (const Source& s : sources_) {
        zip_int64_t idx = zip_name_locate(za, s.name.c_str(), 0);
        if (idx >= 0) {
            zip_stat_t zs;
            zip_stat_init(&zs);
            bool newer = true;
            if (zip_stat_index(za, idx, 0, &zs) == 0 && (zs.valid & ZIP_STAT_MTIME))
                newer = s.mtime > zs.mtime + 1;  // DOS times have 2 s steps
            if ((command_ == kZipFreshen || command_ == kZipUpdate) && !newer) continue;
            if (s.directory) continue;
        } else if (command_ == kZipFreshen) {
            continue;
        }
        newest = std::max(newest, s.mtime);
        if (s.directory) {
            idx = zip_dir_add(za, s.name.c_str(), ZIP_FL_ENC_UTF_8);
        } else {
            zip_source_t* src = zip_source_file(za, s.path.c_str(), 0, -1);
            if (!src) {
                int code = zip_error_code_zip(zip_get_error(za));
                zip_discard(za);
                return Fail(kZipErrSource, code, "file cannot be read", s.path);
            }
            if (idx >= 0) {
                if (zip_file_replace(za, idx, src, ZIP_FL_ENC_UTF_8) != 0) idx = -1;
            } else {
                idx = zip_file_add(za, s.name.c_str(), src, ZIP_FL_ENC_UTF_8);
            }
            if (idx < 0) zip_source_free(src);
        }
        if (idx < 0) {
            int code = zip_error_code_zip(zip_get_error(za));
            zip_discard(za);
            return Fail(kZipErrWrite, code, "entry cannot be added", s.path);
        }
        zip_file_set_mtime(za, idx, s.mtime, 0);
        zip_file_set_external_attributes(za, idx, 0, ZIP_OPSYS_UNIX,
                                         static_cast<zip_uint32_t>(s.mode) << 16);
        if (!s.directory) {
            bool store = o_.compFactor <= 0 || StoredBySuffix(s.name);
            zip_set_file_compression(
                za, idx, store ? ZIP_CM_STORE : ZIP_CM_DEFLATE,
                store ? 0 : static_cast<zip_uint32_t>(std::min(o_.compFactor, 9)));
            if (o_.encrypt && !o_.encryptCode.empty() &&
                zip_file_set_encryption(za, idx, ZIP_EM_TRAD_PKWARE, o_.encryptCode.c_str()) != 0) {
                int code = zip_error_code_zip(zip_get_error(za));
                zip_discard(za);
                return Fail(kZipErrWrite, code, "encryption not available", s.path);
            }
            cumulative += s.size;
            plan_.emplace_back(cumulative, s.name);
        }
        changed = true;
    }
    if (o_.addComment) {
        if (zip_set_archive_comment(
                za, o_.comment.c_str(),
                static_cast<zip_uint16_t>(std::min<size_t>(o_.comment.size(), 65535))) == 0)
            changed = true;
    }
    if (!changed) {
        zip_discard(za);
        return kZipOk;
    }
    planTotal_ = cumulative;
    zip_register_progress_callback_with_state(za, 0.001, OnProgress, nullptr, this);
    zip_register_cancel_callback_with_state(za, OnCancel, nullptr, this);
    if (o_.oldAsLatest)
        for (zip_int64_t i = 0, n = zip_get_num_entries(za, 0); i < n; ++i) {
            zip_stat_t zs;
            if (zip_stat_index(za, i, 0, &zs) == 0 && (zs.valid & ZIP_STAT_MTIME))
                newest = std::max(newest, zs.mtime);
        }
    if (zip_close(za) != 0) {
        int code = zip_error_code_zip(zip_get_error(za));
        std::string text = zip_strerror(za);
        zip_discard(za);
        if (code == ZIP_ER_CANCELLED || cancel_)
            return Fail(kZipErrCancelled, code, "cancelled", o_.zipFile);
        return Fail(code == ZIP_ER_READ || code == ZIP_ER_OPEN ? kZipErrSource : kZipErrWrite, code,
                    text, o_.zipFile);
    }
    if (!plan_.empty()) Progress(plan_.back().second, 100, 100);
    if (o_.oldAsLatest && newest > 0) {
        utimbuf times{};
        times.actime = times.modtime = newest;
        utime(o_.zipFile.c_str(), &times);
    }
    if (o_.deleteOriginal || command_ == kZipMove)
        for (const Source& s : sources_)
            if (!s.directory) ::unlink(s.path.c_str());
    return kZipOk;
}

int Run::Delete() {
    int err = 0;
    zip_t* za = zip_open(o_.zipFile.c_str(), 0, &err);
    if (!za) return Fail(kZipErrArchive, err, "archive cannot be opened", o_.zipFile);
    std::vector<std::string> patterns;
    for (std::string item : Split(o_.itemList, "\r\n")) {
        while (!item.empty() && item.front() == '/')
            item.erase(0, 1);
        patterns.push_back(item);
    }
    bool changed = false;
    for (zip_int64_t i = 0, n = zip_get_num_entries(za, 0); i < n; ++i) {
        const char* name = zip_get_name(za, i, 0);
        if (!name) continue;
        std::string full = name,
                    last = BaseName(full.back() == '/' ? full.substr(0, full.size() - 1) : full);
        if (MatchesAny(patterns, full) || MatchesAny(patterns, last)) {
            zip_delete(za, i);
            changed = true;
        }
    }
    if (!changed) {
        zip_discard(za);
        return kZipOk;
    }
    zip_register_cancel_callback_with_state(za, OnCancel, nullptr, this);
    if (zip_close(za) != 0) {
        int code = zip_error_code_zip(zip_get_error(za));
        zip_discard(za);
        return Fail(code == ZIP_ER_CANCELLED ? kZipErrCancelled : kZipErrWrite, code,
                    "archive cannot be written", o_.zipFile);
    }
    return kZipOk;
}

int Run::Test() {
    int err = 0;
    zip_t* za = zip_open(o_.zipFile.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &err);
    if (!za) return Fail(kZipErrArchive, err, "archive cannot be opened", o_.zipFile);
    zip_int64_t n = zip_get_num_entries(za, 0);
    std::vector<char> buf(65536);
    int result = kZipOk;
    for (zip_int64_t i = 0; i < n && result == kZipOk; ++i) {
        const char* name = zip_get_name(za, i, 0);
        std::string item = name ? name : "";
        zip_file_t* f = zip_fopen_index_encrypted(
            za, i, 0, o_.encryptCode.empty() ? nullptr : o_.encryptCode.c_str());
        if (!f) {
            result = Fail(kZipErrDamaged, zip_error_code_zip(zip_get_error(za)),
                          "entry cannot be read", item);
            break;
        }
        zip_int64_t got;
        while ((got = zip_fread(f, buf.data(), buf.size())) > 0) {
        }
        if (got < 0)
            result = Fail(kZipErrDamaged, zip_error_code_zip(zip_file_get_error(f)),
                          "entry is damaged", item);
        zip_fclose(f);
        if (Progress(item, static_cast<int>((i + 1) * 100 / n), 100) && result == kZipOk)
            result = kZipErrCancelled;
    }
    zip_discard(za);
    return result;
}

int Run::Execute() {
    if (command_ < kZipFreshen || command_ > kZipTest) return kZipErrCommand;
    if (o_.zipFile.empty()) return Fail(kZipErrArgument, 0, "no archive name", "");
    if (o_.multiVolume & kMvUseMulti)
        return Fail(kZipErrArgument, 0, "multi-volume archives are not supported", o_.zipFile);
    if (o_.afterDate && (after_ = ParseDate(o_.date)) < 0)
        return Fail(kZipErrArgument, 0, "bad date", o_.date);
    include_ = Split(o_.includeMasks, "; ");
    exclude_ = Split(o_.excludeMasks, "; ");
    char real[PATH_MAX];
    if (realpath(o_.zipFile.c_str(), real)) archiveReal_ = real;

    switch (command_) {
        case kZipDelete:
            return Delete();
        case kZipTest:
            return Test();
        default:
            return Write();
    }
}

}  // namespace

int ZipExecute(int command, const ZipOptions& options) {
    return Run(command, options).Execute();
}
