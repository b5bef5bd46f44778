// Tests of the full-text engine: folding, the query rules, entry numbering,
// the file on disk (read back with SQLite directly) and damaged files.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/fts/fts.h"
#include "platform/fts/fts_text.h"
#include "test_environment.h"

namespace {

namespace fs = std::filesystem;

// UTF-8 source text to Windows-1252 bytes (the letters these tests use).
std::string W(std::string_view utf8) {
    static const std::pair<char32_t, unsigned char> kSpecial[] = {
        {0x20AC, 0x80}, {0x0160, 0x8A}, {0x0152, 0x8C}, {0x017D, 0x8E},
        {0x0161, 0x9A}, {0x0153, 0x9C}, {0x017E, 0x9E}, {0x0178, 0x9F}};
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = utf8[i];
        char32_t u;
        if (c < 0x80) {
            u = c;
            i += 1;
        } else if ((c & 0xE0) == 0xC0) {
            u = ((c & 0x1F) << 6) | (utf8[i + 1] & 0x3F);
            i += 2;
        } else {
            u = ((c & 0x0F) << 12) | ((utf8[i + 1] & 0x3F) << 6) | (utf8[i + 2] & 0x3F);
            i += 3;
        }
        if (u < 0x80 || (u >= 0xA0 && u < 0x100)) {
            out.push_back(static_cast<char>(u));
            continue;
        }
        bool found = false;
        for (auto [code, byte] : kSpecial) {
            if (code == u) {
                out.push_back(static_cast<char>(byte));
                found = true;
            }
        }
        EXPECT_TRUE(found) << "no Windows-1252 byte for U+" << std::hex << static_cast<int>(u);
    }
    return out;
}

// A raw record image: deletion flag, then each field blank padded to its width.
std::string Record(const std::vector<std::pair<std::string, size_t>>& fields,
                   bool deleted = false) {
    std::string image(1, deleted ? '*' : ' ');
    for (const auto& [text, width] : fields) {
        std::string f = W(text);
        f.resize(width, ' ');
        image += f;
    }
    return image;
}

std::vector<int> Hits(int handle, const std::string& query) {
    int n = FtsSet(handle, query);
    EXPECT_GE(n, 0) << query;
    std::vector<int> hits;
    for (int r = FtsNextRec(handle); r > 0; r = FtsNextRec(handle))
        hits.push_back(r);
    EXPECT_EQ(static_cast<int>(hits.size()), std::max(n, 0)) << query;
    return hits;
}

// Builds an index the way the main window does: create, add all, close, open.
int Build(const fs::path& file, const std::vector<std::string>& texts,
          const std::set<int>& deleted = {}) {
    int h = FtsCreate(file.c_str(), 20, 2, 1, 1);
    EXPECT_GT(h, 0);
    for (size_t i = 0; i < texts.size(); ++i) {
        int n = FtsAdd(h, texts[i]);
        EXPECT_EQ(n, static_cast<int>(i + 1));
        if (deleted.count(n)) {
            EXPECT_EQ(FtsDelete(h, n), n);
        }
    }
    EXPECT_EQ(FtsClose(h), 0);
    int opened = FtsOpen(file.c_str(), 20, 0);
    EXPECT_GT(opened, 0);
    return opened;
}

// ---------------------------------------------------------------- folding

TEST(FtsText, FoldsWindows1252CaseAndDropsPadding) {
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"MÜLLER", "müller"},
        {"Ärger ÖL Übel", "ärger öl übel"},
        {"äöüß", "äöüß"},  // ß has no capital here and stays
        {"ÀÉÎÕØÝÞ", "àéîõøýþ"},
        {"Š Œ Ž Ÿ", "š œ ž ÿ"},
        {"A×B", "a×b"},  // the multiplication sign is no letter
        {"  Sommer      Urlaub   ", "sommer urlaub"},
        {"€ 5", "€ 5"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fts::FoldText(W(c.in)), W(c.out)) << c.in;

    // Zero and control bytes separate like blanks.
    EXPECT_EQ(fts::FoldText(std::string("a\0\0b\tc\r\nd", 9)), "a b c d");
}

TEST(FtsText, ConvertsToUtf8) {
    EXPECT_EQ(fts::Win1252ToUtf8(W("€Šäß")), "€Šäß");
    EXPECT_EQ(fts::Win1252ToUtf8("\x81"), "\xC2\x81");
}

// ---------------------------------------------------------------- index

// An index of "Sommerurlaub" and "Winter" opened for reading only: both are
// found, every change is refused, and the entries stay.
void SearchesAndRefusesChanges(int h) {
    EXPECT_EQ(FtsNumRecs(h), 2);
    EXPECT_EQ(Hits(h, "urlaub"), std::vector<int>{1});
    EXPECT_EQ(FtsAdd(h, "neu"), kFtsErrReadOnly);
    EXPECT_EQ(FtsReplace(h, "neu", 1), kFtsErrReadOnly);
    EXPECT_EQ(FtsDelete(h, 2), kFtsErrReadOnly);
    EXPECT_EQ(FtsNumRecs(h), 2);
    EXPECT_EQ(Hits(h, "winter"), std::vector<int>{2});
}

class FtsIndex : public ::testing::Test {
protected:
    lxtest::TempDir dir;
    fs::path file = dir / "BILDER.IA";
    std::vector<int> open;

    void TearDown() override {
        for (int h : open)
            FtsClose(h);
    }
    int Keep(int h) {
        open.push_back(h);
        return h;
    }
};

TEST_F(FtsIndex, MissingOrUnopenedIndexAnswers18) {
    EXPECT_EQ(FtsOpen(file.c_str(), 20, 0), kFtsErrUnusable);
    EXPECT_EQ(FtsOpen(nullptr, 20, 0), kFtsErrUnusable);
    EXPECT_EQ(FtsOpen(dir.path().c_str(), 20, 0), kFtsErrUnusable);  // a folder
    EXPECT_EQ(FtsNumRecs(0), kFtsErrUnusable);
    EXPECT_EQ(FtsNumRecs(kFtsErrUnusable), kFtsErrUnusable);
    EXPECT_LT(FtsAdd(0, "x"), 0);
    EXPECT_EQ(FtsClose(12345), kFtsErrArgument);
}

// Entry numbering as the album keeps it: build with a deleted record, edit,
// append.
TEST_F(FtsIndex, EntryNumberFollowsRecordNumber) {
    std::vector<std::string> texts;
    for (int i = 1; i <= 5; ++i)
        texts.push_back(Record({{"Bild" + std::to_string(i) + "x", 20}}, i == 3));
    int h = Keep(Build(file, texts, {3}));

    struct Step {
        const char* what;
        std::function<int()> act;
        int result;
        int count;
    };
    const Step steps[] = {
        {"build of 5 with record 3 deleted keeps 5 entries", [&] { return FtsNumRecs(h); }, 5, 5},
        {"record 4 is still entry 4", [&] { return Hits(h, "bild4x").at(0); }, 4, 5},
        {"the deleted entry is not found", [&] { return FtsSet(h, "bild3x"); }, 0, 5},
        {"editing record 2 replaces entry 2",
         [&] {
             return FtsReplace(h, Record({{"Neu2", 20}}), 2);
         },
         2, 5},
        {"the old text of 2 is gone", [&] { return FtsSet(h, "bild2x"); }, 0, 5},
        {"appending adds entry 6",
         [&] {
             return FtsAdd(h, Record({{"Bild6x", 20}}));
         },
         6, 6},
        {"deleting the last entry keeps the count", [&] { return FtsDelete(h, 6); }, 6, 6},
        {"a deleted entry can get text again", [&] { return FtsReplace(h, "wieder3", 3); }, 3, 6},
        {"replace beyond the count is refused", [&] { return FtsReplace(h, "x", 7); },
         kFtsErrArgument, 6},
        {"delete of entry 0 is refused", [&] { return FtsDelete(h, 0); }, kFtsErrArgument, 6},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(s.act(), s.result) << s.what;
        EXPECT_EQ(FtsNumRecs(h), s.count) << s.what;
    }
    EXPECT_EQ(Hits(h, "neu2"), std::vector<int>{2});
    EXPECT_EQ(Hits(h, "wieder3"), std::vector<int>{3});
    EXPECT_EQ(Hits(h, "bild"), (std::vector<int>{1, 4, 5}));

    // The numbering survives closing and opening.
    FtsClose(h);
    open.clear();
    h = Keep(FtsOpen(file.c_str(), 20, 0));
    EXPECT_EQ(FtsNumRecs(h), 6);
    EXPECT_EQ(Hits(h, "bild"), (std::vector<int>{1, 4, 5}));
}

TEST_F(FtsIndex, QueryWithoutKeysAnswers13) {
    int h = Keep(FtsCreate(file.c_str(), 20, 2, 1, 1));
    EXPECT_EQ(FtsSet(h, "urlaub"), kFtsErrNoKeys);  // empty index
    EXPECT_EQ(FtsAdd(h, "       "), 1);             // a blank record has no keys either
    EXPECT_EQ(FtsAdd(h, "Urlaub"), 2);
    EXPECT_EQ(FtsSet(h, "urlaub"), 1);
    EXPECT_EQ(FtsDelete(h, 2), 2);
    EXPECT_EQ(FtsSet(h, "urlaub"), kFtsErrNoKeys);  // only deleted entries
    EXPECT_EQ(FtsNextRec(h), 0);
}

// The query rules, and FtsVerify agreeing with the index on every entry.
TEST_F(FtsIndex, QueryRulesAndVerifyAgree) {
    const std::vector<std::string> texts = {
        Record(
            {{"Sommerurlaub am Gardasee", 40}, {"MÜLLER", 20}, {"C:\\BILDER\\IMG_0001.JPG", 60}}),
        Record({{"Winterurlaub", 40}, {"Müller", 20}, {"C:\\BILDER\\IMG_0002.JPG", 60}}),
        Record({{"Geburtstag", 40}, {"Schmidt", 20}, {"D:\\FOTOS\\50% Rabatt.jpg", 60}}),
        Record({{"Öl auf Leinwand", 40}, {"ÅSA ŠÍMA", 20}, {"C:\\x\\\"zitat\".bmp", 60}}),
        Record({{"Sommer", 40}, {"Urlaub", 20}, {"C:\\am\\b.jpg", 60}}),
    };
    int h = Keep(Build(file, texts));

    struct Case {
        const char* query;
        std::vector<int> hits;
    };
    const Case cases[] = {
        {"urlaub", {1, 2, 5}},  // part of compound words
        {"URLAUB", {1, 2, 5}},
        {"sommerurlaub", {1}},
        {"müller", {1, 2}},  // umlaut, stored in upper and mixed case
        {"MÜLLER", {1, 2}},
        {"Müller", {1, 2}},
        {"mueller", {}},
        {"urlaub müller", {1, 2}},  // words are ANDed
        {"urlaub   gardasee", {1}},
        {"urlaub schmidt", {}},
        {"öl", {4}},  // two characters: scanned
        {"ÖL", {4}},
        {"am", {1, 5}},         // short word, also inside a path
        {"am sommer", {1, 5}},  // short and long mixed
        {"šíma åsa", {4}},
        {"c:\\bilder\\img_0002", {2}},  // backslash and underscore literally
        {"50%", {3}},                   // % is no wildcard
        {"%", {3}},
        {"\"zitat\"", {4}},  // quotes are searched literally
        {"urlaub*", {}},
        {"or", {}},
        {"", {}},
        {"   ", {}},
    };
    for (const Case& c : cases) {
        std::string query = W(c.query);
        EXPECT_EQ(Hits(h, query), c.hits) << c.query;
        for (size_t i = 0; i < texts.size(); ++i) {
            bool expected = std::count(c.hits.begin(), c.hits.end(), int(i + 1)) > 0;
            EXPECT_EQ(FtsVerify(h, texts[i], query, 3), expected ? 1 : 0)
                << c.query << " on entry " << i + 1;
        }
    }
    // The mode does not change the answer; an unknown handle does.
    EXPECT_EQ(FtsVerify(h, texts[0], "gardasee", 1), 1);
    EXPECT_EQ(FtsVerify(0, texts[0], "gardasee", 3), kFtsErrUnusable);
}

TEST_F(FtsIndex, NextRecRunsInOrderAndStops) {
    int h = Keep(Build(file, {"abc", "xyz", "abcd", "abc"}));
    EXPECT_EQ(FtsSet(h, "abc"), 3);
    EXPECT_EQ(FtsNextRec(h), 1);
    EXPECT_EQ(FtsNextRec(h), 3);
    EXPECT_EQ(FtsSet(h, "xyz"), 1);  // a new query starts over
    EXPECT_EQ(FtsNextRec(h), 2);
    EXPECT_EQ(FtsNextRec(h), 0);
    EXPECT_EQ(FtsNextRec(h), 0);
}

// Read the file with SQLite itself: our marks, UTF-8 text, no padding.
TEST_F(FtsIndex, FileHoldsFoldedUtf8TextPerEntry) {
    int h = Keep(Build(file, {Record({{"Sommerurlaub", 30}, {"MÜLLER", 20}}), "x"}, {2}));
    FtsClose(h);
    open.clear();

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    auto text = [&](const char* sql) {
        sqlite3_stmt* s = nullptr;
        std::string out = "<error>";
        if (sqlite3_prepare_v2(db, sql, -1, &s, nullptr) == SQLITE_OK) {
            out = "<none>";
            if (sqlite3_step(s) == SQLITE_ROW && sqlite3_column_text(s, 0))
                out = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
        }
        sqlite3_finalize(s);
        return out;
    };
    EXPECT_EQ(text("PRAGMA application_id"), std::to_string(0x4C584941));
    EXPECT_EQ(text("PRAGMA journal_mode"), "delete");  // one self-contained file
    EXPECT_EQ(text("SELECT body FROM fts WHERE rowid = 1"), "sommerurlaub müller");
    EXPECT_EQ(text("SELECT body FROM fts WHERE rowid = 2"), "");
    EXPECT_EQ(text("SELECT count(*) FROM fts"), "2");
    sqlite3_close(db);
    EXPECT_FALSE(fs::exists(file.string() + ".lxbuild"));
}

// Many single changes after a build (they are kept in a small side table
// and moved into the main index now and then): numbering and hits stay right.
TEST_F(FtsIndex, ManySingleChangesKeepNumbersAndHits) {
    std::vector<std::string> texts;
    for (int i = 1; i <= 100; ++i)
        texts.push_back("alt" + std::to_string(i) + "x");
    int h = Keep(Build(file, texts));
    EXPECT_EQ(FtsReplace(h, "ersetzt", 50), 50);
    for (int i = 1; i <= 2100; ++i) {
        ASSERT_EQ(FtsAdd(h, "zusatz" + std::to_string(i) + "x"), 100 + i);
    }
    EXPECT_EQ(FtsDelete(h, 70), 70);
    EXPECT_EQ(FtsReplace(h, "ersetzt", 60), 60);
    EXPECT_EQ(FtsReplace(h, "wieder", 2150), 2150);

    auto check = [&] {
        EXPECT_EQ(FtsNumRecs(h), 2200);
        EXPECT_EQ(FtsSet(h, "zusatz"), 2099);
        EXPECT_EQ(Hits(h, "ersetzt"), (std::vector<int>{50, 60}));
        EXPECT_EQ(Hits(h, "alt50x"), std::vector<int>{});
        EXPECT_EQ(Hits(h, "alt70x"), std::vector<int>{});
        EXPECT_EQ(Hits(h, "alt71x"), std::vector<int>{71});
        EXPECT_EQ(Hits(h, "zusatz2050x"), std::vector<int>{});
        EXPECT_EQ(Hits(h, "zusatz1x"), std::vector<int>{101});
        EXPECT_EQ(Hits(h, "wieder"), std::vector<int>{2150});
    };
    check();
    FtsClose(h);
    open.clear();
    h = Keep(FtsOpen(file.c_str(), 20, 0));
    check();

    // From outside: the changes did not all stay in the side table.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* s = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT count(*) FROM recent", -1, &s, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
    EXPECT_LT(sqlite3_column_int(s, 0), 2000);
    sqlite3_finalize(s);
    sqlite3_close(db);
}

// ---------------------------------------------------------------- album-sized

class FtsAlbum : public FtsIndex {
protected:
    static constexpr int kRecords = 10000;
    static const char* Desc(int i) {
        static const char* kDesc[] = {"Sommerurlaub am Gardasee", "Geburtstag von Oma Müller",
                                      "Weihnachten bei Bärbel", "Hochzeit in Köln",
                                      "Wanderung über die Alpen"};
        return kDesc[i % 5];
    }
    static const char* Owner(int i) {
        static const char* kOwner[] = {"MÜLLER", "Schmidt",  "Meier", "Schulz",
                                       "Becker", "Hoffmann", "Wagner"};
        return kOwner[i % 7];
    }
    // Record i (0-based) is album record i + 1.
    static std::string AlbumRecord(int i) {
        char path[64], date[16];
        std::snprintf(path, sizeof path, "C:\\BILDER\\%04d\\IMG_%05d.JPG", 2000 + i % 25, i);
        std::snprintf(date, sizeof date, "2023%02d%02d", 1 + i % 12, 1 + i % 28);
        return Record({{Desc(i), 80},
                       {path, 120},
                       {"HD-1", 11},
                       {"1234567", 11},
                       {date, 8},
                       {Owner(i), 20},
                       {"JPG", 3},
                       {"     12345", 10}});
    }
    static std::vector<int> Where(const std::function<bool(int)>& pred) {
        std::vector<int> out;
        for (int i = 0; i < kRecords; ++i)
            if (pred(i)) out.push_back(i + 1);
        return out;
    }
    void SetUp() override {
        std::vector<std::string> texts;
        for (int i = 0; i < kRecords; ++i)
            texts.push_back(AlbumRecord(i));
        h = Keep(Build(file, texts));
    }
    int h = 0;
};

TEST_F(FtsAlbum, SearchesTenThousandRecords) {
    EXPECT_EQ(FtsNumRecs(h), kRecords);
    auto mueller = Where([](int i) { return i % 7 == 0 || i % 5 == 1; });
    struct Case {
        const char* query;
        std::vector<int> hits;
    };
    const Case cases[] = {
        {"gardasee", Where([](int i) { return i % 5 == 0; })},
        {"urlaub", Where([](int i) { return i % 5 == 0; })},
        {"GARDASEE schmidt", Where([](int i) { return i % 5 == 0 && i % 7 == 1; })},
        {"müller", mueller},
        {"MÜLLER", mueller},
        {"Müller", mueller},
        {"köln meier", Where([](int i) { return i % 5 == 3 && i % 7 == 2; })},
        {"BÄRBEL", Where([](int i) { return i % 5 == 2; })},
        {"img_04711", {4712}},
        {"\\2003\\ hoffmann", Where([](int i) { return i % 25 == 3 && i % 7 == 5; })},
        {"zugspitze", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Hits(h, W(c.query)), c.hits) << c.query;
}

TEST_F(FtsAlbum, ReplaceAndDeleteKeepNumbers) {
    EXPECT_EQ(FtsReplace(h, Record({{"Zugspitze im Nebel", 80}}), 5000), 5000);
    EXPECT_EQ(FtsDelete(h, 7000), 7000);
    EXPECT_EQ(FtsNumRecs(h), kRecords);
    EXPECT_EQ(Hits(h, "zugspitze"), std::vector<int>{5000});
    EXPECT_EQ(Hits(h, "img_04999"), std::vector<int>{});      // old text of 5000
    EXPECT_EQ(Hits(h, "img_06999"), std::vector<int>{});      // deleted 7000
    EXPECT_EQ(Hits(h, "img_07000"), std::vector<int>{7001});  // neighbour unchanged
    EXPECT_EQ(FtsAdd(h, AlbumRecord(kRecords)), kRecords + 1);
    EXPECT_EQ(Hits(h, W("img_10000")), std::vector<int>{kRecords + 1});
}

// ---------------------------------------------------------------- damage

TEST_F(FtsIndex, BuildCutShortLeavesNoHalfIndex) {
    int old = Build(file, {"alt"});
    FtsClose(old);

    int builder = FtsCreate(file.c_str(), 20, 2, 1, 1);
    ASSERT_GT(builder, 0);
    EXPECT_EQ(FtsAdd(builder, "neu"), 1);
    EXPECT_EQ(FtsAdd(builder, "neu"), 2);
    // Until the build is closed the old index is what the file holds.
    int reader = Keep(FtsOpen(file.c_str(), 20, 0));
    EXPECT_EQ(FtsNumRecs(reader), 1);
    EXPECT_EQ(FtsSet(reader, "neu"), 0);
    EXPECT_EQ(FtsClose(builder), 0);

    int fresh = Keep(FtsOpen(file.c_str(), 20, 0));
    EXPECT_EQ(FtsNumRecs(fresh), 2);
    EXPECT_EQ(FtsSet(fresh, "neu"), 2);
}

// A process that dies with the index open leaves every finished change.
TEST_F(FtsIndex, ChangesSurviveAProcessThatDies) {
    FtsClose(Build(file, {"erster"}));
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        int h = FtsOpen(file.c_str(), 20, 0);
        bool ok = h > 0 && FtsReplace(h, "geaendert", 1) == 1;
        for (int i = 0; i < 50; ++i)
            ok = ok && FtsAdd(h, "kind" + std::to_string(i)) == i + 2;
        _exit(ok ? 0 : 1);  // no close, no clean-up
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    int h = Keep(FtsOpen(file.c_str(), 20, 0));
    ASSERT_GT(h, 0);
    EXPECT_EQ(FtsNumRecs(h), 51);
    EXPECT_EQ(FtsSet(h, "kind"), 50);
    EXPECT_EQ(Hits(h, "geaendert"), std::vector<int>{1});
}

// An index on a medium that cannot be written (a CD) is searched, never changed.
TEST_F(FtsIndex, ReadOnlyIndexSearchesAndRefusesChanges) {
    FtsClose(Build(file, {"Sommerurlaub", "Winter"}));
    // Read-only for this process: the mode bits, and for root the immutable flag.
    struct Unlock {
        fs::path file;
        int fd = -1;
        ~Unlock() {
            if (fd >= 0) {
                int flags = 0;
                ioctl(fd, FS_IOC_GETFLAGS, &flags);
                flags &= ~FS_IMMUTABLE_FL;
                ioctl(fd, FS_IOC_SETFLAGS, &flags);
                close(fd);
            }
            fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
        }
    } unlock{file};
    fs::permissions(file, fs::perms::owner_read);
    if (geteuid() == 0) {
        unlock.fd = ::open(file.c_str(), O_RDONLY);
        int flags = 0;
        if (unlock.fd < 0 || ioctl(unlock.fd, FS_IOC_GETFLAGS, &flags) != 0 ||
            (flags |= FS_IMMUTABLE_FL, ioctl(unlock.fd, FS_IOC_SETFLAGS, &flags)) != 0)
            GTEST_SKIP() << "cannot make a file read-only for root here";
    }

    int h = Keep(FtsOpen(file.c_str(), 20, 0));
    ASSERT_GT(h, 0);
    SearchesAndRefusesChanges(h);
}

// A writable file opened for reading only (the album in "Nur lesen" mode):
// searches answer, changes are refused, and the file and its folder are
// byte for byte as before, also while a writer keeps the index open.
TEST_F(FtsIndex, AReadOnlyOpenLeavesTheFileAsItWas) {
    FtsClose(Build(file, {"Sommerurlaub", "Winter"}));
    auto folder = [&] {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir.path()))
            names.insert(entry.path().filename().string());
        return names;
    };
    const std::string bytes = lxtest::ReadFile(file);
    const std::set<std::string> files = folder();

    const int h = FtsOpen(file.c_str(), 20, kFtsOpenReadOnly);
    ASSERT_GT(h, 0);
    SearchesAndRefusesChanges(h);
    EXPECT_EQ(lxtest::ReadFile(file), bytes) << "changed while open";
    EXPECT_EQ(FtsClose(h), 0);
    EXPECT_EQ(lxtest::ReadFile(file), bytes) << "changed by the close";
    EXPECT_EQ(folder(), files);

    // Another user writes meanwhile: the reader sees its committed entries.
    const int writer = Keep(FtsOpen(file.c_str(), 20, 0));
    ASSERT_GT(writer, 0);
    ASSERT_EQ(FtsAdd(writer, "Herbstlaub"), 3);
    const int reader = Keep(FtsOpen(file.c_str(), 20, kFtsOpenReadOnly));
    ASSERT_GT(reader, 0);
    EXPECT_EQ(FtsNumRecs(reader), 3);
    EXPECT_EQ(Hits(reader, "laub"), (std::vector<int>{1, 3}));
}

// An index with the read-only attribute is only read, also by a process
// that could write it (its owner, root): the file stays as it was.
TEST_F(FtsIndex, IndexWithTheReadOnlyAttributeIsOnlyRead) {
    FtsClose(Build(file, {"Sommerurlaub", "Winter"}));
    const std::string before = lxtest::ReadFile(file);
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    int h = FtsOpen(file.c_str(), 20, 0);
    ASSERT_GT(h, 0);
    EXPECT_EQ(Hits(h, "urlaub"), std::vector<int>{1});
    EXPECT_EQ(FtsAdd(h, "neu"), kFtsErrReadOnly);
    EXPECT_EQ(FtsClose(h), 0);
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(lxtest::ReadFile(file), before);
    for (const char* suffix : {"-wal", "-shm"})
        EXPECT_FALSE(fs::exists(file.string() + suffix)) << suffix;
}

// The rebuild after a crash: the album deletes the .IA, but the dead
// process's write-ahead log still lies beside it. The new index must not
// pick up the old log.
TEST_F(FtsIndex, RebuildIgnoresTheLogOfADeadProcess) {
    FtsClose(Build(file, {"alt1", "alt2"}));
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        int h = FtsOpen(file.c_str(), 20, 0);
        bool ok = h > 0;
        for (int i = 0; i < 300; ++i)
            ok = ok && FtsAdd(h, "tot" + std::to_string(i)) > 0;
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_TRUE(fs::exists(file.string() + "-wal"));

    fs::remove(file);
    FtsClose(Build(file, {"neu1", "neu2", "neu3"}));
    int h = Keep(FtsOpen(file.c_str(), 20, 0));
    ASSERT_GT(h, 0);
    EXPECT_EQ(FtsNumRecs(h), 3);
    EXPECT_EQ(FtsSet(h, "neu"), 3);
    EXPECT_EQ(FtsSet(h, "tot"), 0);
    EXPECT_EQ(FtsSet(h, "alt"), 0);
}

TEST_F(FtsIndex, DamagedFilesAnswer18) {
    std::vector<std::string> texts;
    for (int i = 0; i < 2000; ++i)
        texts.push_back("Eintrag " + std::to_string(i) + " Sommerurlaub");
    FtsClose(Build(file, texts));
    const std::string good = lxtest::ReadFile(file);
    ASSERT_GT(good.size(), 8192u);

    std::string foreign;  // a sound SQLite file that is not an index of ours
    {
        fs::path other = dir / "other.db";
        sqlite3* db = nullptr;
        sqlite3_open(other.c_str(), &db);
        sqlite3_exec(db, "CREATE TABLE fts(body); INSERT INTO fts VALUES('x')", nullptr, nullptr,
                     nullptr);
        sqlite3_close(db);
        foreign = lxtest::ReadFile(other);
    }
    std::string garbledTail = good;
    for (size_t i = 4096; i < garbledTail.size(); ++i)
        garbledTail[i] = static_cast<char>(0xA5);

    struct Case {
        const char* what;
        std::string bytes;
    };
    const Case cases[] = {
        {"empty file", ""},
        {"text file", "Dies ist kein Volltextindex.\n"},
        {"garbage", std::string(4096, '\x5A')},
        {"foreign SQLite file", foreign},
        {"truncated to half", good.substr(0, good.size() / 2)},
        {"truncated inside a page", good.substr(0, good.size() - 100)},
        {"header only", good.substr(0, 100)},
        {"pages after the first garbled", garbledTail},
    };
    for (const Case& c : cases) {
        lxtest::WriteFile(file, c.bytes);
        int h = FtsOpen(file.c_str(), 20, 0);
        EXPECT_EQ(h, kFtsErrUnusable) << c.what;
        EXPECT_EQ(FtsNumRecs(h), kFtsErrUnusable) << c.what;
        if (h > 0) FtsClose(h);
    }
}

// Random damage anywhere in the file: never a crash, never a wrong kind of
// answer; once damage is seen the handle stays at -18.
TEST_F(FtsIndex, RandomDamageNeverCrashes) {
    std::vector<std::string> texts;
    for (int i = 0; i < 500; ++i)
        texts.push_back("Bild " + std::to_string(i) + " Gardasee Urlaub");
    FtsClose(Build(file, texts));
    const std::string good = lxtest::ReadFile(file);

    std::mt19937 rng(4711);
    for (int round = 0; round < 60; ++round) {
        std::string bytes = good;
        size_t start = rng() % bytes.size();
        size_t len = 1 + rng() % 512;
        for (size_t i = start; i < std::min(bytes.size(), start + len); ++i)
            bytes[i] = static_cast<char>(rng());
        lxtest::WriteFile(file, bytes);
        fs::remove(file.string() + "-wal");
        fs::remove(file.string() + "-shm");

        int h = FtsOpen(file.c_str(), 20, 0);
        if (h < 0) {
            EXPECT_EQ(h, kFtsErrUnusable);
            continue;
        }
        int count = FtsNumRecs(h);
        EXPECT_TRUE(count == kFtsErrUnusable || (count >= 0 && count <= 1000)) << count;
        int n = FtsSet(h, "urlaub");
        EXPECT_TRUE(n == kFtsErrUnusable || n == kFtsErrNoKeys || n >= 0) << n;
        for (int r = FtsNextRec(h), guard = 0; r > 0 && guard < 2000; r = FtsNextRec(h), ++guard)
            EXPECT_LE(r, 1000);
        int added = FtsAdd(h, "neu");
        if (n == kFtsErrUnusable) {
            EXPECT_EQ(added, kFtsErrUnusable);
        }
        if (added == kFtsErrUnusable) {
            EXPECT_EQ(FtsNumRecs(h), kFtsErrUnusable);
        }
        FtsClose(h);
    }
}

}  // namespace
