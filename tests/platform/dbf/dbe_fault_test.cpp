// Guards every change against a failing disk: the N-th write, sync,
// truncation, rename or unlink of the engine fails, for every N; after
// reopening, the album (read from outside) is as before or as after the
// call, its index matches it, and a call that did not complete said so.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>

#include "dbe_test_util.h"
#include "outside_readers.h"
#include "platform/dbf/cdx_file.h"
#include "platform/dbf/file_io.h"

namespace {

namespace fs = std::filesystem;
using dbetest::EngineTest;

class FaultTest : public EngineTest {
protected:
    // A small album: 8 records, two deleted, memos, tags on NAME and NR.
    void MakeAlbum(const fs::path& folder)
    {
        fs::create_directories(folder);
        const std::string file = (folder / "ALBUM.DBF").string();
        Create(file, {{"Name", 'C', 20, 0}, {"Nr", 'N', 6, 0}, {"Notiz", 'M', 10, 0}});
        ASSERT_NE(dbe_Use(file.c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0) << dbe_LastError();
        for (int i = 1; i <= 8; ++i) {
            ASSERT_EQ(dbe_AppendBlank(), 1) << dbe_LastError();
            const std::string name = "Bild " + std::to_string(9 - i);
            const int32_t nr = i * 10;
            const std::string memo = "Notiz " + std::to_string(i) + std::string(i * 20, 'x');
            ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, name.c_str()), 1);
            ASSERT_EQ(dbe_Replace("NR", DBE_REPL_LONG, &nr), 1);
            ASSERT_EQ(dbe_Replace("NOTIZ", DBE_REPL_MEMO, memo.c_str()), 1) << dbe_LastError();
            if (i == 3 || i == 6) {
                ASSERT_EQ(dbe_Delete(), 1);
            }
        }
        ASSERT_NE(dbe_IndexTag("", "NAME", "NAME", 0, 0, ""), 0) << dbe_LastError();
        ASSERT_NE(dbe_IndexTag("", "NR", "NR", 0, 0, ""), 0) << dbe_LastError();
        ASSERT_EQ(dbe_Close(), 1) << dbe_LastError();
    }

    static void CopyAlbum(const fs::path& from, const fs::path& to)
    {
        fs::remove_all(to);
        fs::create_directories(to);
        for (const char* name : {"ALBUM.DBF", "ALBUM.FPT", "ALBUM.CDX"})
            fs::copy_file(from / name, to / name);
    }

    // Opens the album shared, runs `op` with the N-th file operation failing
    // (0: none), commits; true when both reported success. `count` gets the
    // number of file operations the call made.
    static bool RunWithFault(const fs::path& folder, const std::function<int()>& op, int failAt, int& count)
    {
        const std::string file = (folder / "ALBUM.DBF").string();
        EXPECT_NE(dbe_Use(file.c_str(), "", DBE_SHARED, DBE_TYPE_FOX), 0) << dbe_LastError();
        count = 0;
        dbf::SetIoFaultHook([&](dbf::IoOp, const std::string&) { return ++count == failAt; });
        const bool ok = op() == 1 && dbe_Commit() == 1;
        dbf::SetIoFaultHook(nullptr);
        dbe_CloseAll();
        return ok;
    }

    // Reopens the album (finishing or undoing an interrupted change,
    // rebuilding what the index marks), checks the engine's order walk and
    // tree check, and closes it again.
    static void Reopen(const fs::path& folder)
    {
        const std::string file = (folder / "ALBUM.DBF").string();
        ASSERT_NE(dbe_Use(file.c_str(), "", DBE_SHARED, DBE_TYPE_FOX), 0) << dbe_LastError();
        for (int order = 1; order <= 2; ++order) {
            dbe_SetOrder(order);
            EXPECT_EQ(dbe_IndexOrd(), order) << dbe_LastError();
            uint32_t seen = 0;
            for (dbe_GoTop(); !dbe_Eof(); dbe_Skip(1)) ++seen;
            EXPECT_EQ(seen, dbe_RecCount()) << "order " << order;
        }
        dbe_CloseAll();
        auto cdx = dbfcdx::CdxFile::Open((folder / "ALBUM.CDX").string(), true);
        for (std::size_t i = 0; i < cdx->TagCount(); ++i) EXPECT_FALSE(cdx->Tag(i).NeedsRebuild());
        EXPECT_NO_THROW(cdx->Verify());
    }
};

struct Operation {
    const char* name;
    std::function<int()> run;
};

TEST_F(FaultTest, EveryChangeIsDoneOrNotDoneWhateverFileOperationFails)
{
    const fs::path root = dir_.path();
    const fs::path pristine = root / "pristine";
    MakeAlbum(pristine);
    const std::vector<Operation> operations = {
        {"append", [] { return dbe_AppendBlank(); }},
        {"replace", [] { return dbe_Go(4) && dbe_Replace("NAME", DBE_REPL_TEXT, "Anders"); }},
        {"memo", [] { return dbe_Go(5) && dbe_Replace("NOTIZ", DBE_REPL_MEMO, "Eine neue, längere Notiz"); }},
        {"pack", [] { return dbe_Pack(); }},
        {"zap", [] { return dbe_Zap(); }},
    };
    struct Case {
        std::string op;
        int failAt;
        bool reported;
        fs::path folder;
    };
    std::vector<Case> cases;
    std::vector<std::string> paths = {(pristine / "ALBUM.DBF").string()};
    std::map<std::string, fs::path> afterOf;
    for (const Operation& op : operations) {
        // Without a fault: the state after the call and its file operations.
        const fs::path after = root / (std::string(op.name) + "_after");
        CopyAlbum(pristine, after);
        int total = 0;
        ASSERT_TRUE(RunWithFault(after, op.run, 0, total)) << op.name << ": " << dbe_LastError();
        Reopen(after);
        afterOf[op.name] = after;
        paths.push_back((after / "ALBUM.DBF").string());
        ASSERT_GT(total, 0) << op.name;
        for (int n = 1; n <= total; ++n) {
            SCOPED_TRACE(std::string(op.name) + ", file operation " + std::to_string(n));
            const fs::path folder = root / (std::string(op.name) + "_" + std::to_string(n));
            CopyAlbum(pristine, folder);
            int count = 0;
            const bool reported = RunWithFault(folder, op.run, n, count);
            Reopen(folder);
            cases.push_back({op.name, n, reported, folder});
            paths.push_back((folder / "ALBUM.DBF").string());
        }
    }

    // From outside: the records and memos with dbfread, the tags with Perl.
    std::string failures;
    const auto tables = outside::ReadTables(paths, failures);
    EXPECT_EQ(failures, "");
    std::vector<std::string> indexes;
    for (const std::string& p : paths) indexes.push_back(fs::path(p).replace_extension(".CDX").string());
    const auto tags = outside::ReadTags(indexes, {"NAME:C", "NR:N"}, failures);
    EXPECT_EQ(failures, "");
    auto tableOf = [&](const fs::path& folder) { return tables.at((folder / "ALBUM.DBF").string()); };
    const outside::Table before = tableOf(pristine);
    ASSERT_EQ(before.size(), 8u);
    for (const std::string& p : paths) {
        SCOPED_TRACE(p);
        const outside::Table& t = tables.at(p);
        const outside::Tags& file = tags.at(fs::path(p).replace_extension(".CDX").string());
        EXPECT_EQ(file.at("NAME"), outside::ExpectedTextTag(t, 0, 20));
        EXPECT_EQ(file.at("NR"), outside::ExpectedNumberTag(t, 1));
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.op + ", file operation " + std::to_string(c.failAt));
        const outside::Table& t = tableOf(c.folder);
        const outside::Table& after = tableOf(afterOf.at(c.op));
        ASSERT_NE(before, after);
        if (c.reported) {
            EXPECT_EQ(t, after) << "reported done but not done";
        } else {
            EXPECT_TRUE(t == before || t == after) << "half done";
        }
    }
}

}  // namespace
