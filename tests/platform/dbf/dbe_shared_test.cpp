// Guards shared use by several processes: two and four processes append,
// replace and delete in one indexed album at once; afterwards dbfread reads
// every record, XBase::Index finds one key per record (per live record in
// the FOR tag) in key order, and the engine's tree check passes.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>

#include "dbe_test_util.h"
#include "outside_readers.h"
#include "platform/dbf/cdx_file.h"

namespace {

namespace fs = std::filesystem;
using dbetest::EngineTest;

class SharedTest : public EngineTest {
protected:
    std::string MakeAlbum()
    {
        const std::string file = Path("ALBUM.DBF");
        Create(file, {{"Name", 'C', 20, 0}, {"Nr", 'N', 8, 0}, {"Notiz", 'M', 10, 0}});
        EXPECT_NE(dbe_Use(file.c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0) << dbe_LastError();
        EXPECT_NE(dbe_IndexTag("", "NAME", "NAME", 0, 0, ""), 0) << dbe_LastError();
        EXPECT_NE(dbe_IndexTag("", "NR", "NR", 0, 0, ""), 0) << dbe_LastError();
        EXPECT_NE(dbe_IndexTag("", "LIVE", "UPPER(NAME)", 0, 0, ".NOT. DELETED()"), 0) << dbe_LastError();
        EXPECT_EQ(dbe_Close(), 1) << dbe_LastError();
        return file;
    }

    // One writer: `ops` random appends (60 %), replaces of the number (25 %)
    // and deletions (15 %), then a commit. Its appended names go to `log`,
    // one a line. Exits 0 when every call succeeded and every own append was
    // found by a seek right after it.
    [[noreturn]] static void Writer(const std::string& file, int process, int ops, const std::string& log)
    {
        std::ofstream names(log);
        auto fail = [&](const std::string& what) {
            std::fprintf(stderr, "process %d: %s: %s\n", process, what.c_str(), dbe_LastError());
            std::_Exit(1);
        };
        // (The reader's area came along with the fork: another alias.)
        if (dbe_Use(file.c_str(), "WRITER", DBE_SHARED, DBE_TYPE_FOX) == 0) fail("open");
        dbe_SetOrder(1);
        std::mt19937 rng(unsigned(process) * 7919u);
        for (int i = 0; i < ops; ++i) {
            const unsigned pick = rng() % 100;
            const uint32_t count = dbe_RecCount();
            if (pick < 60 || count == 0) {
                const std::string name = "P" + std::to_string(process) + "-" + std::to_string(i);
                const int32_t nr = process * 100000 + i;
                if (!dbe_AppendBlank()) fail("append");
                if (!dbe_Replace("NAME", DBE_REPL_TEXT, name.c_str())) fail("name");
                if (!dbe_Replace("NR", DBE_REPL_LONG, &nr)) fail("number");
                if (i % 5 == 0 && !dbe_Replace("NOTIZ", DBE_REPL_MEMO, ("Notiz " + name).c_str())) fail("memo");
                names << name << "\n";
                const uint32_t recno = dbe_RecNo();
                if (!dbe_Seek(name.c_str()) || dbe_RecNo() != recno) fail("seek own append " + name);
            } else {
                if (!dbe_Go(1 + rng() % count)) fail("go");
                if (pick < 85) {
                    const int32_t nr = int32_t(rng() % 1000000);
                    if (!dbe_Replace("NR", DBE_REPL_LONG, &nr)) fail("replace");
                } else if (!dbe_Delete()) {
                    fail("delete");
                }
            }
        }
        if (!dbe_Commit()) fail("commit");
        names.close();
        dbe_CloseAll();
        std::_Exit(0);
    }

    void RunWriters(int processes, int ops)
    {
        const std::string file = MakeAlbum();
        dbe_CloseAll();
        // A reader that keeps the album open all along, its tag read before
        // the writers start.
        const uint16_t reader = dbe_Use(file.c_str(), "READER", DBE_SHARED, DBE_TYPE_FOX);
        ASSERT_NE(reader, 0) << dbe_LastError();
        dbe_SetOrder(1);
        dbe_GoTop();
        ASSERT_NE(dbe_Eof(), 0);
        std::vector<pid_t> children;
        for (int p = 1; p <= processes; ++p) {
            const pid_t pid = ::fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) Writer(file, p, ops, Path("names" + std::to_string(p) + ".txt"));
            children.push_back(pid);
        }
        for (pid_t pid : children) {
            int status = 0;
            ::waitpid(pid, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "writer " << pid << " status " << status;
        }
        std::set<std::string> appended;
        for (int p = 1; p <= processes; ++p) {
            std::ifstream in(Path("names" + std::to_string(p) + ".txt"));
            for (std::string line; std::getline(in, line);) appended.insert(line);
        }

        ASSERT_GT(appended.size(), std::size_t(processes * ops / 2));
        // The reader learns of every append at its next look.
        dbe_Select(reader);
        EXPECT_EQ(dbe_RecCount(), appended.size());
        std::size_t found = 0;
        for (const std::string& name : appended) found += dbe_Seek(name.c_str()) != 0;
        EXPECT_EQ(found, appended.size());
        dbe_CloseAll();
        dbetest::ExpectSoundIndex(Path("ALBUM.CDX"));

        // From outside.
        std::string failures;
        const auto tables = outside::ReadTables({file}, failures);
        ASSERT_EQ(failures, "");
        const outside::Table& table = tables.at(file);
        std::set<std::string> names;
        outside::Table live;
        for (const outside::Record& r : table) {
            std::string name;
            for (std::size_t i = 0; i + 1 < r.fields[0].size(); i += 2)
                name += char(std::stoi(r.fields[0].substr(i, 2), nullptr, 16));
            names.insert(name);
        }
        EXPECT_EQ(names, appended) << "records lost or made up";
        const auto tags = outside::ReadTags({Path("ALBUM.CDX")}, {"NAME:C", "NR:N", "LIVE:C"}, failures);
        ASSERT_EQ(failures, "");
        const outside::Tags& index = tags.at(Path("ALBUM.CDX"));
        EXPECT_EQ(index.at("NAME"), outside::ExpectedTextTag(table, 0, 20));
        EXPECT_EQ(index.at("NR"), outside::ExpectedNumberTag(table, 1));
        // The FOR tag: live records only (names are upper case already).
        EXPECT_EQ(index.at("LIVE"), outside::ExpectedLiveTextTag(table, 0, 20));
    }
};

TEST_F(SharedTest, TwoProcessesKeepEveryRecordAndKey) { RunWriters(2, 1500); }

TEST_F(SharedTest, FourProcessesKeepEveryRecordAndKey) { RunWriters(4, 800); }

}  // namespace
