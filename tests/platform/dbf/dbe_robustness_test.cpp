// Damaged files: a header count that disagrees with the file size is
// reconciled and reported; byte flips and truncations of a table and its memo
// file give errors or empty values, never a crash or a read past a buffer
// (this sweep runs in the AddressSanitizer build too).
#include <filesystem>

#include "dbe_test_util.h"

namespace dbetest {
namespace {

class RobustnessTest : public EngineTest {
protected:
    // A small table with memos: three records.
    std::string MakeSmall()
    {
        std::string file = MakeSample("SMALL.DBF");
        EXPECT_NE(dbe_Use(file.c_str(), nullptr, DBE_SHARED, 2), 0);
        for (int i = 1; i <= 3; ++i) {
            EXPECT_EQ(dbe_AppendBlank(), 1);
            std::string name = lxtest::Numbered("N", i);
            EXPECT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, name.c_str()), 1);
            EXPECT_EQ(dbe_Replace("DAY", DBE_REPL_DTOS, "20240101"), 1);
            EXPECT_EQ(dbe_Replace("COUNT", DBE_REPL_TEXT, "1.5"), 1);
            std::string memo(size_t(40 * i), char('a' + i));
            EXPECT_EQ(dbe_Replace("NOTIZ", DBE_REPL_MEMO, memo.c_str()), 1);
        }
        dbe_CloseAll();
        return file;
    }

    // Opens the table and touches everything; must never crash.
    static void Exercise(const std::string& file)
    {
        if (!dbe_Use(file.c_str(), nullptr, DBE_SHARED, 2)) {
            EXPECT_NE(std::string(dbe_LastError()), "");
            return;
        }
        int fields = dbe_FieldCount();
        std::vector<char> buf(static_cast<size_t>(dbe_RecSize()) + 1);
        for (dbe_GoTop(); !dbe_Eof(); dbe_Skip(1)) {
            dbe_GetRecord(buf.data());
            for (int f = 1; f <= fields; ++f) {
                std::string name = dbe_FieldName(f);
                dbe_GetString(name.c_str());
                dbe_GetDateString(name.c_str());
                dbe_Empty(name.c_str());
                long length = dbe_GetBlobLength(name.c_str());
                char* memo = dbe_GetMemo(name.c_str(), 0);
                if (memo && length >= 0) {
                    EXPECT_EQ(memo[length], '\0');
                }
                dbe_MemDealloc(memo);
            }
        }
        dbe_GoBottom();
        dbe_Skip(-10);
        dbe_Go(dbe_RecCount() + 5);
        // Writing must not crash either (it may fail).
        dbe_GoTop();
        if (!dbe_Eof()) dbe_Replace("NOTIZ", DBE_REPL_MEMO, "new memo");
        dbe_AppendBlank();
        dbe_CloseAll();
    }
};

TEST_F(RobustnessTest, HeaderCountBeyondTheFileIsReconciledAndReported)
{
    std::string file = MakeSmall();
    std::string bytes = lxtest::ReadFile(file);
    // Cut the last record in half (and the end-of-file byte).
    size_t recordLength = size_t(uint8_t(bytes[10]) | uint8_t(bytes[11]) << 8);
    bytes.resize(bytes.size() - 1 - recordLength / 2);
    lxtest::WriteFile(file, bytes);
    ASSERT_NE(dbe_Use(file.c_str(), nullptr, DBE_SHARED, 2), 0);
    EXPECT_EQ(dbe_RecCount(), 2u) << "the partial record is never read";
    EXPECT_EQ(dbe_SysProp(DBE_PROP_REPAIRED, 0), 1);
    EXPECT_NE(std::string(dbe_LastError()).find("repariert"), std::string::npos);
    dbe_GoBottom();
    EXPECT_EQ(Name(), "N2");
    // An append lands after the whole records and the header is right again.
    AppendNamed(1, 9);
    dbe_CloseAll();
    ASSERT_NE(dbe_Use(file.c_str(), nullptr, DBE_SHARED, 2), 0);
    EXPECT_EQ(dbe_SysProp(DBE_PROP_REPAIRED, 0), 0);
    EXPECT_EQ(dbe_RecCount(), 3u);
    dbe_GoBottom();
    EXPECT_EQ(Name(), "R9");
}

TEST_F(RobustnessTest, ExtraWholeRecordBeyondTheCountIsIgnored)
{
    // A crash after a record was written but before the header count: the
    // table reads as before, and the next append reuses the slot.
    std::string file = MakeSmall();
    std::string bytes = lxtest::ReadFile(file);
    bytes[4] = 2;
    lxtest::WriteFile(file, bytes);
    ASSERT_NE(dbe_Use(file.c_str(), nullptr, DBE_SHARED, 2), 0);
    EXPECT_EQ(dbe_RecCount(), 2u);
    EXPECT_EQ(dbe_SysProp(DBE_PROP_REPAIRED, 0), 0);
    AppendNamed(1, 7);
    EXPECT_EQ(dbe_RecCount(), 3u);
    dbe_GoBottom();
    EXPECT_EQ(Name(), "R7");
}

TEST_F(RobustnessTest, DamagedHeadersAreRefusedWithAReason)
{
    std::string file = MakeSmall();
    const std::string good = lxtest::ReadFile(file);
    struct Case {
        const char* what;
        size_t at;
        char value;
    } cases[] = {
        {"header length too small", 8, 10},   {"header length past the file", 9, 0x7F},
        {"record length too small", 10, 1},  {"record length short of fields", 10, 20},
        {"no terminator", 32 + 5 * 32, 'X'}, {"zero field width", 32 + 16, 0},
        {"encrypted", 15, 1},
    };
    for (const Case& c : cases) {
        std::string bad = good;
        bad[c.at] = c.value;
        if (c.at == 10) bad[11] = 0;
        if (c.at == 32 + 5 * 32) std::fill(bad.begin() + 32 + 5 * 32, bad.begin() + 32 + 6 * 32, 'X');
        lxtest::WriteFile(file, bad);
        EXPECT_EQ(dbe_Use(file.c_str(), nullptr, DBE_SHARED, 2), 0) << c.what;
        EXPECT_NE(std::string(dbe_LastError()), "") << c.what;
        dbe_CloseAll();
    }
}

TEST_F(RobustnessTest, BadMemoReferencesGiveErrorsNotCrashes)
{
    std::string file = MakeSmall();
    ASSERT_NE(dbe_Use(file.c_str(), nullptr, DBE_SHARED, 2), 0);
    dbe_GoTop();
    std::vector<char> rec(static_cast<size_t>(dbe_RecSize()));
    dbe_GetRecord(rec.data());
    const size_t memoAt = size_t(dbe_FieldOffset("NOTIZ")) - 1;
    const char* refs[] = {"    999999", "      abc1", "4294967295", "         1"};
    for (const char* ref : refs) {
        std::copy(ref, ref + 10, rec.begin() + long(memoAt));
        ASSERT_EQ(dbe_PutRecord(rec.data()), 1);
        EXPECT_EQ(dbe_GetBlobLength("NOTIZ"), -1) << ref;
        EXPECT_EQ(dbe_GetMemo("NOTIZ", 0), nullptr) << ref;
        EXPECT_NE(std::string(dbe_LastError()), "") << ref;
        EXPECT_STREQ(dbe_GetString("NOTIZ"), "");
    }
    dbe_CloseAll();
    // A garbage length in a memo block header.
    std::string fpt = lxtest::ReadFile(Path("SMALL.FPT"));
    fpt[8 * 64 + 4] = '\x7F';
    lxtest::WriteFile(Path("SMALL.FPT"), fpt);
    ASSERT_NE(dbe_Use(file.c_str(), nullptr, DBE_SHARED, 2), 0);
    dbe_GoTop();
    EXPECT_EQ(dbe_GetBlobLength("NOTIZ"), -1);
    dbe_Skip(1);
    EXPECT_EQ(dbe_GetBlobLength("NOTIZ"), 80) << "other memos stay readable";
}

TEST_F(RobustnessTest, StaleMemoHeaderIsMovedToTheEnd)
{
    // A crash under exclusive use can leave the memo header's next free block
    // behind the memos written last.
    std::string file = MakeSmall();
    std::string fpt = lxtest::ReadFile(Path("SMALL.FPT"));
    std::string stale = fpt;
    stale[0] = stale[1] = stale[2] = 0;
    stale[3] = 8;
    lxtest::WriteFile(Path("SMALL.FPT"), stale);
    ASSERT_NE(dbe_Use(file.c_str(), nullptr, DBE_SHARED, 2), 0);
    std::string fixed = lxtest::ReadFile(Path("SMALL.FPT"));
    EXPECT_EQ(uint8_t(fixed[3]) * 64u, fixed.size());
    dbe_GoBottom();
    EXPECT_EQ(dbe_GetBlobLength("NOTIZ"), 120);
}

TEST_F(RobustnessTest, MissingMemoFileStillOpensTheRecords)
{
    std::string file = MakeSmall();
    std::filesystem::remove(Path("SMALL.FPT"));
    ASSERT_NE(dbe_Use(file.c_str(), nullptr, DBE_SHARED, 2), 0);
    EXPECT_NE(std::string(dbe_LastError()).find("Memodatei"), std::string::npos);
    dbe_GoTop();
    EXPECT_EQ(Name(), "N1");
    EXPECT_EQ(dbe_GetMemo("NOTIZ", 0), nullptr);
    EXPECT_EQ(dbe_Replace("NOTIZ", DBE_REPL_MEMO, "x"), 0);
    EXPECT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "still"), 1);
}

TEST_F(RobustnessTest, ByteFlipAndTruncationSweep)
{
    std::string file = MakeSmall();
    const std::string memoFile = Path("SMALL.FPT");
    const std::string dbf = lxtest::ReadFile(file);
    const std::string fpt = lxtest::ReadFile(memoFile);
    const unsigned char flips[] = {0x00, 0xFF, ' ', '9'};
    // Byte `at` of the table (or of the memo file) set to each value in turn,
    // the other file left whole.
    auto flipEach = [&](bool inTable, size_t at) {
        for (unsigned char v : flips) {
            std::string bad = inTable ? dbf : fpt;
            bad[at] = char(v);
            lxtest::WriteFile(file, inTable ? bad : dbf);
            lxtest::WriteFile(memoFile, inTable ? fpt : bad);
            Exercise(file);
        }
    };
    // Every byte of the header, every 5th byte of the records.
    for (size_t at = 0; at < dbf.size(); at += (at < 200 ? 1 : 5))
        flipEach(true, at);
    for (size_t at = 0; at < fpt.size(); at += (at < 16 ? 1 : 11))
        flipEach(false, at);
    for (size_t size = 0; size < dbf.size(); size += 5) {
        lxtest::WriteFile(file, dbf.substr(0, size));
        lxtest::WriteFile(memoFile, fpt);
        Exercise(file);
    }
    for (size_t size = 0; size < fpt.size(); size += 17) {
        lxtest::WriteFile(file, dbf);
        lxtest::WriteFile(memoFile, fpt.substr(0, size));
        Exercise(file);
    }
}

TEST_F(RobustnessTest, DamagedIndexFileSweep)
{
    std::string file = MakeSmall();
    ASSERT_NE(dbe_Use(file.c_str(), nullptr, DBE_EXCLUSIVE, 2), 0);
    AppendNamed(40, 10);
    ASSERT_EQ(dbe_IndexTag("", "Name", "Upper(Name)", 0, 0, ".not. deleted()"), 1) << dbe_LastError();
    ASSERT_EQ(dbe_IndexTag("", "Day", "DTOS(Day)", 0, 0, ""), 2) << dbe_LastError();
    dbe_CloseAll();
    const std::string cdxFile = Path("SMALL.CDX");
    const std::string cdx = lxtest::ReadFile(cdxFile);
    ASSERT_GE(cdx.size(), 2048u);
    const unsigned char flips[] = {0x00, 0xFF, 0x41};
    auto exercise = [&](const std::string& bad) {
        lxtest::WriteFile(cdxFile, bad);
        std::filesystem::remove(cdxFile + ".bad");
        if (!dbe_Use(file.c_str(), nullptr, DBE_SHARED, 2)) return;
        for (int order = 1; order <= 2; ++order) {
            dbe_SetOrder(order);
            int steps = 0;
            for (dbe_GoTop(); !dbe_Eof() && steps < 100; dbe_Skip(1)) ++steps;
            dbe_GoBottom();
            dbe_Skip(-3);
            dbe_Seek("R2");
            dbe_OrderRecNo();
            dbe_SetScope("R1", "R3");
            dbe_QueryRecCount();
            dbe_SetScope("", "");
        }
        dbe_Go(2);
        dbe_Replace("NAME", DBE_REPL_TEXT, "changed");
        dbe_AppendBlank();
        dbe_CloseAll();
    };
    for (size_t at = 0; at < cdx.size(); at += (at < 1024 ? 3 : 29)) {
        for (unsigned char v : flips) {
            std::string bad = cdx;
            bad[at] = char(v);
            exercise(bad);
        }
    }
    for (size_t size = 0; size < cdx.size(); size += 256) exercise(cdx.substr(0, size));
    // After all that the table still opens and its tags can be built again.
    lxtest::WriteFile(cdxFile, std::string(700, 'x'));
    ASSERT_NE(dbe_Use(file.c_str(), nullptr, DBE_SHARED, 2), 0);
    ASSERT_EQ(dbe_IndexTag("", "Name", "Upper(Name)", 0, 0, ""), 1) << dbe_LastError();
    EXPECT_NE(dbe_Seek("R31"), 0);
    EXPECT_EQ(Name(), "R31");
    EXPECT_NE(dbe_Seek("N1"), 0);
    EXPECT_EQ(dbe_RecNo(), 1u);
}

}  // namespace
}  // namespace dbetest
