// Guards the album against a power cut or a crash of the machine, which
// keeps of the writes since the last sync any part the disk got to: the
// index's dirty mark is on disk before the table changes and cleared only
// after the table's records and the index pages are, and an index that
// covers another record count than its table (the files such a cut leaves
// when the marks lie) is rebuilt, never read with keys past the table's
// end or without keys of records the table holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "dbe_test_util.h"
#include "platform/dbf/file_io.h"

namespace {

using dbetest::EngineTest;

constexpr int kRecords = 20;
constexpr int kRecordLength = 1 + 20 + 6;  // deletion flag, NAME, NR

// NAME of record nr: "N01", "N02", ... (so both tags have one order).
std::string NameOf(int nr) { return (nr < 10 ? "N0" : "N") + std::to_string(nr); }

class PowerCutTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        file_ = Path("ALBUM.DBF");
        cdx_ = Path("ALBUM.CDX");
        Create(file_, {{"Name", 'C', 20, 0}, {"Nr", 'N', 6, 0}});
        ASSERT_NE(dbe_Use(file_.c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0) << dbe_LastError();
        ASSERT_NE(dbe_IndexTag("", "NAME", "NAME", 0, 0, ""), 0) << dbe_LastError();
        ASSERT_NE(dbe_IndexTag("", "NR", "NR", 0, 0, ""), 0) << dbe_LastError();
        Append(1, kRecords);
        ASSERT_EQ(dbe_Close(), 1) << dbe_LastError();
    }
    void TearDown() override
    {
        dbf::SetIoFaultHook(nullptr);
        EngineTest::TearDown();
    }

    // Appends records first..last, NAME NameOf(nr) and NR nr, and commits.
    static void Append(int first, int last)
    {
        for (int nr = first; nr <= last; ++nr) {
            ASSERT_EQ(dbe_AppendBlank(), 1) << dbe_LastError();
            const std::string name = NameOf(nr);
            ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, name.c_str()), 1) << dbe_LastError();
            const int32_t value = nr;
            ASSERT_EQ(dbe_Replace("NR", DBE_REPL_LONG, &value), 1) << dbe_LastError();
        }
        ASSERT_EQ(dbe_Commit(), 1) << dbe_LastError();
    }

    // The table cut to its first `records` records, header count included
    // (what a cut leaves when the appends after them never reached the disk).
    void CutTable(int records) const
    {
        std::string bytes = lxtest::ReadFile(file_);
        const std::size_t header = std::size_t(uint8_t(bytes[8])) | std::size_t(uint8_t(bytes[9])) << 8;
        bytes.resize(header + std::size_t(records) * kRecordLength);
        bytes.push_back('\x1A');
        for (int i = 0; i < 4; ++i) bytes[4 + i] = char((records >> (8 * i)) & 0xFF);
        lxtest::WriteFile(file_, bytes);
    }

    // The index as an engine before the record count was recorded wrote it.
    void ForgetRecordedCount() const
    {
        std::string bytes = lxtest::ReadFile(cdx_);
        for (int i = 482; i < 488; ++i) bytes[std::size_t(i)] = 0;
        lxtest::WriteFile(cdx_, bytes);
    }

    // NAME of every record of `order`, in its order; the first walk may
    // fail once (the damage found and reported, the index rebuilt).
    static std::vector<std::string> Walk(int order)
    {
        dbe_SetOrder(order);
        EXPECT_EQ(dbe_IndexOrd(), order) << dbe_LastError();
        std::vector<std::string> names;
        for (int attempt = 0; attempt < 2; ++attempt) {
            names.clear();
            bool failed = dbe_GoTop() == 0;
            for (; !failed && !dbe_Eof() && names.size() < 100; failed = dbe_Skip(1) == 0) names.push_back(Name());
            if (!failed) return names;
            EXPECT_EQ(attempt, 0) << dbe_LastError();
        }
        return names;
    }

    // Every order shows records 1..count once each, in its order, and
    // finds each by its key; the index file is sound.
    static void ExpectWholeOrders(int count)
    {
        std::vector<std::string> expected;
        for (int nr = 1; nr <= count; ++nr) expected.push_back(NameOf(nr));
        EXPECT_EQ(Walk(1), expected);
        EXPECT_EQ(Walk(2), expected);
        dbe_SetOrder(1);
        for (const std::string& name : expected) EXPECT_NE(dbe_Seek(name.c_str()), 0) << name << dbe_LastError();
    }

    std::string file_, cdx_;
};

struct Opening {
    const char* name;
    int mode;
    bool recordedCount;  // the index records the record count it covers
};

const Opening kOpenings[] = {
    {"exclusive", DBE_EXCLUSIVE, true},
    {"shared", DBE_SHARED, true},
    {"exclusive, index of an earlier engine", DBE_EXCLUSIVE, false},
    {"shared, index of an earlier engine", DBE_SHARED, false},
};

// The last records never reached the disk, their keys did: keys past the
// table's end under a clean mark. They are found out and rebuilt, and the
// next append takes its record number once, never the old key with it.
TEST_F(PowerCutTest, TableCutShortUnderACleanIndex)
{
    const std::string pristine = lxtest::ReadFile(file_), index = lxtest::ReadFile(cdx_);
    for (const Opening& opening : kOpenings) {
        SCOPED_TRACE(opening.name);
        lxtest::WriteFile(file_, pristine);
        lxtest::WriteFile(cdx_, index);
        CutTable(15);
        if (!opening.recordedCount) ForgetRecordedCount();
        ASSERT_NE(dbe_Use(file_.c_str(), "", opening.mode, DBE_TYPE_FOX), 0) << dbe_LastError();
        ASSERT_EQ(dbe_RecCount(), 15u);
        ExpectWholeOrders(15);
        Append(16, 16);
        ExpectWholeOrders(16);
        dbe_SetOrder(2);
        EXPECT_NE(dbe_Seek("16"), 0);
        EXPECT_EQ(dbe_Seek("17"), 0);
        EXPECT_EQ(dbe_LastErrorCode(), DBE_ERR_NONE) << dbe_LastError();
        dbe_CloseAll();
        dbetest::ExpectSoundIndex(cdx_);
    }
}

// The index from before a committed append (its pages and clean mark on
// disk, the append's keys not): records without keys under a clean mark.
// The recorded count finds them out: every order shows them again.
TEST_F(PowerCutTest, IndexFromBeforeACommittedAppend)
{
    const std::string before = lxtest::ReadFile(cdx_);
    ASSERT_NE(dbe_Use(file_.c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0) << dbe_LastError();
    Append(kRecords + 1, kRecords + 5);
    dbe_CloseAll();
    const std::string table = lxtest::ReadFile(file_);
    for (const Opening& opening : kOpenings) {
        if (!opening.recordedCount) continue;  // (nothing in such a file tells)
        SCOPED_TRACE(opening.name);
        lxtest::WriteFile(file_, table);
        lxtest::WriteFile(cdx_, before);
        ASSERT_NE(dbe_Use(file_.c_str(), "", opening.mode, DBE_TYPE_FOX), 0) << dbe_LastError();
        ExpectWholeOrders(kRecords + 5);
        dbe_CloseAll();
        dbetest::ExpectSoundIndex(cdx_);
    }
}

// The writes and syncs of an append with its commit, shared and exclusive,
// in their order: the index's dirty mark (a header write) is on disk before
// the table changes, and the clean mark is written only after the table's
// records and the index's pages are synced, as the commit's last step.
TEST_F(PowerCutTest, CommitSyncsTheMarkFirstAndCleansItLast)
{
    int nr = kRecords;
    for (const Opening& opening : kOpenings) {
        if (!opening.recordedCount) continue;
        SCOPED_TRACE(opening.name);
        ASSERT_NE(dbe_Use(file_.c_str(), "", opening.mode, DBE_TYPE_FOX), 0) << dbe_LastError();
        struct Step {
            dbf::IoOp op;
            std::string kind;
        };
        auto steps = std::make_shared<std::vector<Step>>();
        dbf::SetIoFaultHook([steps](dbf::IoOp op, const std::string& path) {
            steps->push_back({op, dbetest::KindOfIoPath(path)});
            return false;
        });
        ++nr;
        Append(nr, nr);
        dbf::SetIoFaultHook(nullptr);
        dbe_CloseAll();
        const std::vector<Step>& s = *steps;
        auto first = [&](dbf::IoOp op, const std::string& kind, std::size_t from = 0) {
            for (std::size_t i = from; i < s.size(); ++i)
                if (s[i].op == op && s[i].kind == kind) return i;
            return s.size();
        };
        auto last = [&](dbf::IoOp op, const std::string& kind, std::size_t before) {
            std::size_t found = s.size();
            for (std::size_t i = 0; i < before && i < s.size(); ++i)
                if (s[i].op == op && s[i].kind == kind) found = i;
            return found;
        };
        std::string trace;
        for (const Step& step : s) trace += (step.op == dbf::IoOp::Sync ? "sync " : "write ") + step.kind + "\n";
        SCOPED_TRACE(trace);
        const std::size_t mark = first(dbf::IoOp::Write, ".CDX");
        const std::size_t markSynced = first(dbf::IoOp::Sync, ".CDX", mark);
        const std::size_t tableWrite = first(dbf::IoOp::Write, ".DBF");
        ASSERT_LT(mark, s.size());
        EXPECT_LT(markSynced, tableWrite) << "the dirty mark is not on disk before the table changes";
        // The last index write is the clean mark; the table and the index
        // pages were synced before it.
        const std::size_t clean = last(dbf::IoOp::Write, ".CDX", s.size());
        ASSERT_LT(clean, s.size());
        const std::size_t tableSynced = last(dbf::IoOp::Sync, ".DBF", clean);
        const std::size_t pagesSynced = last(dbf::IoOp::Sync, ".CDX", clean);
        EXPECT_LT(tableSynced, clean) << "the clean mark before the table's records are on disk";
        EXPECT_LT(pagesSynced, clean) << "the clean mark before the index pages are on disk";
        EXPECT_LT(last(dbf::IoOp::Write, ".DBF", clean), tableSynced);
        // After the two syncs only the clean headers are written.
        for (std::size_t i = std::max(tableSynced, pagesSynced) + 1; i <= clean; ++i)
            EXPECT_TRUE(s[i].op == dbf::IoOp::Write && s[i].kind == ".CDX") << i;
        // Nothing follows it, no sync either: a clean mark the disk lost
        // leaves the dirty one, which only makes the next open rebuild.
        EXPECT_EQ(clean, s.size() - 1);
    }
}

}  // namespace
