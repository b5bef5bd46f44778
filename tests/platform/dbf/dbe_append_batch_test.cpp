// Guards the keys of exclusive appends, which wait in runs and go into the
// tags together: records rewritten, deleted and given memos while their keys
// wait, writes to older records and seeks in between, a unique tag with
// equal keys; afterwards every tag holds, read from outside, what the
// records say, and the engine's tree check passes.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "dbe_test_util.h"
#include "outside_readers.h"
#include "platform/dbf/cdx_file.h"

namespace {

using dbetest::EngineTest;

class AppendBatchTest : public EngineTest {
protected:
    // Text of a hex field as dbfread gives it.
    static std::string Unhex(const std::string& hex)
    {
        std::string text;
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
            text += char(std::stoi(hex.substr(i, 2), nullptr, 16));
        return text;
    }
};

TEST_F(AppendBatchTest, WaitingKeysEndUpAsTheRecordsSay)
{
    const std::string file = Path("ALBUM.DBF");
    Create(file, {{"Name", 'C', 20, 0}, {"Nr", 'N', 8, 0}, {"Grp", 'C', 4, 0}, {"Notiz", 'M', 10, 0}});
    ASSERT_NE(dbe_Use(file.c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0) << dbe_LastError();
    ASSERT_NE(dbe_IndexTag("", "NAME", "NAME", 0, 0, ""), 0) << dbe_LastError();
    ASSERT_NE(dbe_IndexTag("", "NR", "NR", 0, 0, ""), 0) << dbe_LastError();
    ASSERT_NE(dbe_IndexTag("", "LIVE", "UPPER(NAME)", 0, 0, ".NOT. DELETED()"), 0) << dbe_LastError();
    ASSERT_NE(dbe_IndexTag("", "GRP", "GRP", 0, 1, ""), 0) << dbe_LastError();
    ASSERT_NE(dbe_IndexTag("", "NOTE", "LEFT(NOTIZ, 6)", 0, 0, ".NOT. DELETED()"), 0) << dbe_LastError();
    dbe_SetOrder(1);

    std::mt19937 rng(4711);
    const int records = 2600;  // more than one run of waiting keys
    for (int i = 1; i <= records; ++i) {
        ASSERT_EQ(dbe_AppendBlank(), 1) << dbe_LastError();
        const std::string name = "N" + std::to_string(rng() % 700) + "-" + std::to_string(i);
        ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, name.c_str()), 1);
        const int32_t nr = int32_t(rng() % 500);
        ASSERT_EQ(dbe_Replace("NR", DBE_REPL_LONG, &nr), 1);
        // Few group names: the unique tag keeps the first record of each.
        // A record's group is set twice while its keys wait.
        const std::string first = "G" + std::to_string(rng() % 40);
        const std::string group = "G" + std::to_string(rng() % 40);
        ASSERT_EQ(dbe_Replace("GRP", DBE_REPL_TEXT, first.c_str()), 1);
        ASSERT_EQ(dbe_Replace("GRP", DBE_REPL_TEXT, group.c_str()), 1);
        if (rng() % 3 == 0) {
            const std::string note = "note" + std::to_string(rng() % 90) + " of " + std::to_string(i);
            ASSERT_EQ(dbe_Replace("NOTIZ", DBE_REPL_MEMO, note.c_str()), 1);
        }
        const unsigned pick = rng() % 100;
        if (pick < 10 && i > 5) {
            // A record a few appends back is renamed, deleted or recalled.
            dbe_Go(uint32_t(i - 1 - int(rng() % 5)));
            if (rng() % 2) {
                const std::string renamed = "R" + std::to_string(rng() % 700);
                ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, renamed.c_str()), 1);
            } else if (dbe_Deleted()) {
                ASSERT_EQ(dbe_Recall(), 1);
            } else {
                ASSERT_EQ(dbe_Delete(), 1);
            }
        } else if (pick < 12) {
            // An older record changes: the waiting keys go in first.
            dbe_Go(uint32_t(1 + rng() % uint32_t(i)));
            const int32_t nr = int32_t(1000 + rng() % 500);
            ASSERT_EQ(dbe_Replace("NR", DBE_REPL_LONG, &nr), 1);
            ASSERT_EQ(dbe_Delete(), 1);
        } else if (pick < 14) {
            // A seek finds a record whose keys were still waiting.
            dbe_Go(uint32_t(i));
            const std::string current = dbe_GetTrimString("NAME");
            ASSERT_NE(dbe_Seek(current.c_str()), 0) << current;
            ASSERT_EQ(dbe_GetTrimString("NAME"), current);
        }
    }
    // Closing puts in the keys that still wait.
    ASSERT_EQ(dbe_Close(), 1) << dbe_LastError();
    dbetest::ExpectSoundIndex(Path("ALBUM.CDX"));

    std::string failures;
    const auto tables = outside::ReadTables({file}, failures);
    ASSERT_EQ(failures, "");
    const outside::Table& table = tables.at(file);
    ASSERT_EQ(table.size(), std::size_t(records));
    const auto tags = outside::ReadTags({Path("ALBUM.CDX")}, {"NAME:C", "NR:N", "LIVE:C", "GRP:C", "NOTE:C"},
                                        failures);
    ASSERT_EQ(failures, "");
    const outside::Tags& index = tags.at(Path("ALBUM.CDX"));
    EXPECT_EQ(index.at("NAME"), outside::ExpectedTextTag(table, 0, 20));
    EXPECT_EQ(index.at("NR"), outside::ExpectedNumberTag(table, 1));
    // Live records only (the names have no lower case letters).
    EXPECT_EQ(index.at("LIVE"), outside::ExpectedLiveTextTag(table, 0, 20));
    // Unique: of equal keys the lowest record number.
    std::vector<std::string> unique;
    std::string last = "none";
    for (const std::string& line : outside::ExpectedTextTag(table, 2, 4)) {
        const std::string key = line.substr(0, line.find('|'));
        if (key != last) unique.push_back(line);
        last = key;
    }
    EXPECT_EQ(unique.size(), 40u);
    EXPECT_EQ(index.at("GRP"), unique);
    // The memo's first six bytes (blank without a memo), live records.
    outside::Table notes;
    for (const outside::Record& r : table) {
        outside::Record n = r;
        n.fields = {outside::Hex(Unhex(r.fields[3]).substr(0, 6))};
        notes.push_back(n);
    }
    EXPECT_EQ(index.at("NOTE"), outside::ExpectedLiveTextTag(notes, 0, 6));
}

// Keys that wait when their index file is closed, or when the sort-weight
// table changes and changes back, still go into every tag that was open.
TEST_F(AppendBatchTest, WaitingKeysReachClosedFilesAndTagsOfTheirWeights)
{
    const std::string file = Path("ALBUM.DBF");
    Create(file, {{"Name", 'C', 20, 0}, {"Nr", 'N', 8, 0}});
    unsigned char weights[256];
    for (int i = 0; i < 256; ++i) weights[i] = (unsigned char)(255 - i);  // backwards
    dbe_SysProp(DBE_PROP_SORT_WEIGHTS, reinterpret_cast<intptr_t>(weights));
    ASSERT_NE(dbe_Use(file.c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0) << dbe_LastError();
    ASSERT_NE(dbe_IndexTag("", "NAME", "NAME", 0, 0, ""), 0) << dbe_LastError();
    const std::string extra = Path("EXTRA.CDX");
    ASSERT_NE(dbe_IndexTag(extra.c_str(), "NR", "NR", 0, 0, ""), 0) << dbe_LastError();
    auto append = [](int first, int last) {
        for (int i = first; i <= last; ++i) {
            ASSERT_EQ(dbe_AppendBlank(), 1) << dbe_LastError();
            const std::string name = lxtest::Numbered("N", i);
            ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, name.c_str()), 1);
            const int32_t nr = i;
            ASSERT_EQ(dbe_Replace("NR", DBE_REPL_LONG, &nr), 1);
        }
    };
    ASSERT_NO_FATAL_FAILURE(append(1, 30));
    ASSERT_EQ(dbe_IndexClose(), 1) << dbe_LastError();
    ASSERT_NO_FATAL_FAILURE(append(31, 40));
    // Under machine order the tag waits for a rebuild; a write to an older
    // record meanwhile leaves it alone (its key is the same).
    dbe_SysProp(DBE_PROP_SORT_WEIGHTS, 0);
    dbe_Go(1);
    const int32_t nr = 100;
    ASSERT_EQ(dbe_Replace("NR", DBE_REPL_LONG, &nr), 1);
    dbe_SysProp(DBE_PROP_SORT_WEIGHTS, reinterpret_cast<intptr_t>(weights));
    ASSERT_NO_FATAL_FAILURE(append(41, 45));
    ASSERT_EQ(dbe_Close(), 1) << dbe_LastError();

    auto count = [](const std::string& path) {
        auto cdx = dbfcdx::CdxFile::Open(path, true);
        EXPECT_NO_THROW(cdx->Verify());
        EXPECT_EQ(cdx->TagCount(), 1u);
        return cdx->TagCount() == 1 ? cdx->Tag(0).Count() : 0;
    };
    EXPECT_EQ(count(extra), 30u) << "the keys of the appends while the file was open";
    ASSERT_NE(dbe_Use(file.c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0) << dbe_LastError();
    dbe_SetOrder(1);
    std::vector<std::string> names;
    for (dbe_GoTop(); !dbe_Eof(); dbe_Skip(1)) names.push_back(dbe_GetTrimString("NAME"));
    std::vector<std::string> expected;
    for (int i = 1; i <= 45; ++i) expected.push_back("N" + std::to_string(i));
    std::sort(expected.begin(), expected.end(), std::greater<>());
    EXPECT_EQ(names, expected);
    dbe_SysProp(DBE_PROP_SORT_WEIGHTS, 0);
}

}  // namespace
