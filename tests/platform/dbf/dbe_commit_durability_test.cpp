// What a commit leaves on disk, and what a power cut during it can leave:
// memo blocks reach the disk before the records that point to them, a
// commit of one record costs four syncs (dirty mark, memo, table, index
// pages), and whatever part of the unsynced writes a cut keeps, the next
// open finds every saved entry with its memo, an index that is correct or
// marked dirty, and never hands out a memo block a record points to.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "dbe_test_util.h"
#include "platform/dbf/file_io.h"

namespace {

namespace fs = std::filesystem;
using dbetest::EngineTest;

const char* const kFiles[] = {"ALBUM.DBF", "ALBUM.FPT", "ALBUM.CDX"};
using FileSet = std::array<std::string, 3>;  // contents, in the order of kFiles

// `synced` with the one write that turned `before` into `after` (the bytes
// that differ, and what the file grew by).
std::string WithWrite(std::string synced, const std::string& before, const std::string& after)
{
    std::size_t first = 0, last = after.size();
    while (first < after.size() && first < before.size() && after[first] == before[first]) ++first;
    while (last > first && last <= before.size() && after[last - 1] == before[last - 1]) --last;
    if (synced.size() < last) synced.resize(last, '\0');
    std::copy(after.begin() + std::ptrdiff_t(first), after.begin() + std::ptrdiff_t(last),
              synced.begin() + std::ptrdiff_t(first));
    return synced;
}

// A memo read's result: the text, or this when the read failed.
const std::string kDamaged = "<beschädigt>";

struct Mode {
    const char* name;
    int mode;
};
const Mode kModes[] = {{"exclusive", DBE_EXCLUSIVE}, {"shared", DBE_SHARED}};

class CommitDurabilityTest : public EngineTest {
protected:
    // Records R1..R121 with memos, a tag on NAME whose root is a leaf that
    // one more key splits; committed and closed.
    void SetUp() override
    {
        EngineTest::SetUp();
        file_ = Path("ALBUM.DBF");
        Create(file_, {{"Name", 'C', 20, 0}, {"Notiz", 'M', 10, 0}});
        ASSERT_NE(dbe_Use(file_.c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0) << dbe_LastError();
        ASSERT_NE(dbe_IndexTag("", "NAME", "NAME", 0, 0, ""), 0) << dbe_LastError();
        for (int nr = 1; nr <= kRecords; ++nr) Add(NameOf(nr), MemoOf(nr));
        ASSERT_EQ(dbe_Commit(), 1) << dbe_LastError();
        ASSERT_EQ(dbe_Close(), 1) << dbe_LastError();
    }
    void TearDown() override
    {
        dbf::SetIoFaultHook(nullptr);
        EngineTest::TearDown();
    }

    static constexpr int kRecords = 121;
    // Memo texts of one to four blocks (blocks of 64 bytes).
    static std::string MemoOf(int nr) { return std::string("Notiz ").append(std::to_string(nr)).append(nr % 4 * 40, 'x'); }
    static std::string NameOf(int nr) { return std::string("R").append(std::to_string(nr)); }

    static void Add(const std::string& name, const std::string& memo)
    {
        ASSERT_EQ(dbe_AppendBlank(), 1) << dbe_LastError();
        ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, name.c_str()), 1) << dbe_LastError();
        ASSERT_EQ(dbe_Replace("NOTIZ", DBE_REPL_MEMO, memo.c_str()), 1) << dbe_LastError();
    }

    static FileSet Read(const fs::path& folder)
    {
        FileSet files;
        for (std::size_t i = 0; i < files.size(); ++i) files[i] = lxtest::ReadFile((folder / kFiles[i]).string());
        return files;
    }
    static void Write(const fs::path& folder, const FileSet& files)
    {
        fs::create_directories(folder);
        for (std::size_t i = 0; i < files.size(); ++i) lxtest::WriteFile((folder / kFiles[i]).string(), files[i]);
    }

    // NAME and memo of every record in natural order.
    static std::vector<std::pair<std::string, std::string>> Entries()
    {
        dbe_SetOrder(0);
        std::vector<std::pair<std::string, std::string>> entries;
        for (uint32_t r = 1; r <= dbe_RecCount(); ++r) {
            EXPECT_EQ(dbe_Go(r), 1) << dbe_LastError();
            char* memo = dbe_GetMemo("NOTIZ", 0);  // null: unreadable
            entries.emplace_back(Name(), memo ? std::string(memo) : kDamaged);
            if (memo) dbe_MemDealloc(memo);
        }
        return entries;
    }

    std::string file_;
};

// One record appended with its memo and committed: the memo file is synced
// before the table, and the commit makes four syncs, no more.
TEST_F(CommitDurabilityTest, ACommitSyncsTheMarkTheMemoTheTableAndTheIndexPages)
{
    for (const Mode& mode : kModes) {
        SCOPED_TRACE(mode.name);
        ASSERT_NE(dbe_Use(file_.c_str(), "", mode.mode, DBE_TYPE_FOX), 0) << dbe_LastError();
        auto syncs = std::make_shared<std::vector<std::string>>();
        dbf::SetIoFaultHook([syncs](dbf::IoOp op, const std::string& path) {
            if (op == dbf::IoOp::Sync) syncs->push_back(dbetest::KindOfIoPath(path));
            return false;
        });
        Add("Neu", "Notiz neu");
        ASSERT_EQ(dbe_Commit(), 1) << dbe_LastError();
        dbf::SetIoFaultHook(nullptr);
        EXPECT_EQ(*syncs, (std::vector<std::string>{".CDX", ".FPT", ".DBF", ".CDX"}));
        ASSERT_EQ(dbe_Close(), 1) << dbe_LastError();
    }
}

// The files a power cut during the commit of one appended record can
// leave: for every point between two file operations, each file either as
// its last sync left it or with every write since (the extremes of what
// the disk got to). Each state opens with the old entries whole, the new
// one whole, absent, or with its memo reported damaged (whole once the
// commit returned), an index that shows every record in its order, and a
// memo block that the next append does not give to a record that already
// points to it.
TEST_F(CommitDurabilityTest, EveryCrashPointLeavesWholeEntriesAndNoSharedMemoBlock)
{
    const FileSet before = Read(dir_.path());
    for (const Mode& mode : kModes) {
        SCOPED_TRACE(mode.name);
        Write(dir_.path(), before);
        // The files before every write and sync of the commit, and after it.
        struct Step {
            bool sync;
            std::size_t file;
            FileSet files;
        };
        auto steps = std::make_shared<std::vector<Step>>();
        const fs::path folder = dir_.path();
        ASSERT_NE(dbe_Use(file_.c_str(), "", mode.mode, DBE_TYPE_FOX), 0) << dbe_LastError();
        dbf::SetIoFaultHook([steps, folder](dbf::IoOp op, const std::string& path) {
            const std::string kind = dbetest::KindOfIoPath(path);
            const std::size_t file = kind == ".DBF" ? 0 : kind == ".FPT" ? 1 : 2;
            EXPECT_TRUE(op == dbf::IoOp::Write || op == dbf::IoOp::Sync) << int(op);
            steps->push_back({op == dbf::IoOp::Sync, file, Read(folder)});
            return false;
        });
        Add("Neu", "Notiz neu");
        ASSERT_EQ(dbe_Commit(), 1) << dbe_LastError();
        dbf::SetIoFaultHook(nullptr);
        const FileSet after = Read(dir_.path());
        ASSERT_EQ(dbe_Close(), 1) << dbe_LastError();

        std::set<FileSet> seen;
        for (std::size_t point = 0; point <= steps->size(); ++point) {
            const FileSet& current = point < steps->size() ? (*steps)[point].files : after;
            // Per file: as synced last; with every write since; with only
            // the newest write since (the disk wrote it first).
            FileSet synced = before, newestOnly = before;
            for (std::size_t i = 0; i < point; ++i) {
                const Step& step = (*steps)[i];
                const FileSet& next = i + 1 < steps->size() ? (*steps)[i + 1].files : after;
                if (step.sync) synced[step.file] = newestOnly[step.file] = step.files[step.file];
                else newestOnly[step.file] = WithWrite(synced[step.file], step.files[step.file], next[step.file]);
            }
            for (int kept = 0; kept < 27; ++kept) {
                FileSet state = synced;
                std::string how;
                for (std::size_t f = 0, k = std::size_t(kept); f < state.size(); ++f, k /= 3) {
                    if (k % 3 == 1) state[f] = current[f];
                    if (k % 3 == 2) state[f] = newestOnly[f];
                    how += "-an"[k % 3];
                }
                if (!seen.insert(state).second) continue;
                SCOPED_TRACE("crash point " + std::to_string(point) + " of " + std::to_string(steps->size()) +
                             ", unsynced writes kept (DBF FPT CDX; a all, n newest): " + how);
                const fs::path cut = dir_.path() / std::string("cut").append(std::to_string(seen.size()));
                Write(cut, state);
                const std::string table = (cut / "ALBUM.DBF").string();
                ASSERT_NE(dbe_Use(table.c_str(), "", mode.mode, DBE_TYPE_FOX), 0) << dbe_LastError();
                const auto entries = Entries();
                ASSERT_GE(entries.size(), std::size_t(kRecords));
                ASSERT_LE(entries.size(), std::size_t(kRecords) + 1);
                for (int nr = 1; nr <= kRecords; ++nr)
                    EXPECT_EQ(entries[nr - 1], std::make_pair(NameOf(nr), MemoOf(nr)));
                if (point == steps->size()) {
                    ASSERT_EQ(entries.size(), std::size_t(kRecords) + 1) << "a committed entry is lost";
                    EXPECT_EQ(entries.back(), std::make_pair(std::string("Neu"), std::string("Notiz neu")));
                } else if (entries.size() > std::size_t(kRecords)) {
                    EXPECT_TRUE(entries.back().first == "Neu" || entries.back().first.empty()) << entries.back().first;
                    const std::string& memo = entries.back().second;
                    EXPECT_TRUE(memo == "Notiz neu" || memo.empty() || memo == kDamaged) << memo;
                }
                // The index shows every record in its order (rebuilt where
                // the cut left it marked dirty).
                std::vector<std::string> names;
                for (const auto& entry : entries) names.push_back(entry.first);
                std::sort(names.begin(), names.end());
                dbe_SetOrder(1);
                std::vector<std::string> walked;
                EXPECT_EQ(dbe_GoTop(), 1) << dbe_LastError();
                for (; !dbe_Eof() && walked.size() <= names.size(); dbe_Skip(1)) walked.push_back(Name());
                EXPECT_EQ(walked, names);

                // The next entry's memo goes to a block of its own.
                Add("Danach", "Notiz danach");
                ASSERT_EQ(dbe_Commit(), 1) << dbe_LastError();
                const auto later = Entries();
                ASSERT_EQ(later.size(), entries.size() + 1);
                EXPECT_EQ(later.back(), std::make_pair(std::string("Danach"), std::string("Notiz danach")));
                for (std::size_t i = 0; i < entries.size(); ++i) {
                    if (entries[i].second == kDamaged)
                        EXPECT_TRUE(later[i].second == kDamaged || later[i].second.empty()) << later[i].second;
                    else
                        EXPECT_EQ(later[i], entries[i]);
                }
                ASSERT_EQ(dbe_Close(), 1) << dbe_LastError();
                dbetest::ExpectSoundIndex((cut / "ALBUM.CDX").string());
            }
        }
    }
}

// The memo file from before an append put back under the table that holds
// the appended record (what a cut leaves when the table reached the disk and
// the memo file did not): the record's memo is reported damaged, and the
// next memo stored goes to a block of its own, never to the one the record
// points to.
TEST_F(CommitDurabilityTest, AMemoBlockTheDiskLostIsNeverHandedOutAgain)
{
    const std::string memoFile = Path("ALBUM.FPT");
    const std::string oldMemos = lxtest::ReadFile(memoFile);
    ASSERT_NE(dbe_Use(file_.c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0) << dbe_LastError();
    Add("Neu", "Notiz neu");
    ASSERT_EQ(dbe_Commit(), 1) << dbe_LastError();
    ASSERT_EQ(dbe_Close(), 1) << dbe_LastError();
    const std::string table = lxtest::ReadFile(file_), index = lxtest::ReadFile(Path("ALBUM.CDX"));
    for (const Mode& mode : kModes) {
        SCOPED_TRACE(mode.name);
        lxtest::WriteFile(file_, table);
        lxtest::WriteFile(Path("ALBUM.CDX"), index);
        lxtest::WriteFile(memoFile, oldMemos);
        ASSERT_NE(dbe_Use(file_.c_str(), "", mode.mode, DBE_TYPE_FOX), 0) << dbe_LastError();
        ASSERT_EQ(dbe_Go(kRecords + 1), 1);
        char* lost = dbe_GetMemo("NOTIZ", 0);
        EXPECT_EQ(lost, nullptr);
        EXPECT_NE(std::string(dbe_LastError()).find("zeigt hinter das Ende der Memodatei"), std::string::npos)
            << dbe_LastError();
        if (lost) dbe_MemDealloc(lost);
        Add("Danach", "Notiz danach");
        ASSERT_EQ(dbe_Commit(), 1) << dbe_LastError();
        const auto entries = Entries();
        ASSERT_EQ(entries.size(), std::size_t(kRecords) + 2);
        EXPECT_NE(entries[kRecords].second, "Notiz danach") << "the lost memo's record shows the next one's";
        EXPECT_EQ(entries.back(), std::make_pair(std::string("Danach"), std::string("Notiz danach")));
        for (int nr = 1; nr <= kRecords; ++nr) EXPECT_EQ(entries[nr - 1].second, MemoOf(nr));
        ASSERT_EQ(dbe_Close(), 1) << dbe_LastError();
    }
}

// A reference far past the memo file's end (more than a cut can lose) is
// damage of its record, not a lost memo: the memos stored after it go to
// the file's end as before, and the file does not grow to the reference.
TEST_F(CommitDurabilityTest, AReferenceFarPastTheEndIsDamageNotALostMemo)
{
    std::string table = lxtest::ReadFile(file_);
    const std::size_t header = std::size_t(uint8_t(table[8])) | std::size_t(uint8_t(table[9])) << 8;
    const std::size_t recordLength = std::size_t(uint8_t(table[10])) | std::size_t(uint8_t(table[11])) << 8;
    table.replace(header + 1 + 20, 10, "4294967000");  // record 1's NOTIZ
    ASSERT_EQ(recordLength, 1u + 20 + 10);
    lxtest::WriteFile(file_, table);
    for (const Mode& mode : kModes) {
        SCOPED_TRACE(mode.name);
        ASSERT_NE(dbe_Use(file_.c_str(), "", mode.mode, DBE_TYPE_FOX), 0) << dbe_LastError();
        Add("Danach", "Notiz danach");
        ASSERT_EQ(dbe_Commit(), 1) << dbe_LastError();
        const auto entries = Entries();
        EXPECT_EQ(entries.front().second, kDamaged);
        EXPECT_EQ(entries.back(), std::make_pair(std::string("Danach"), std::string("Notiz danach")));
        ASSERT_EQ(dbe_Close(), 1) << dbe_LastError();
        EXPECT_LT(fs::file_size(Path("ALBUM.FPT")), 1u << 20);
    }
}

}  // namespace
