// Whole-table operations: creating, packing (memo file compacted too),
// zapping, copying the visible records and appending from another table.
#include <filesystem>

#include "dbe_test_util.h"

namespace dbetest {
namespace {

class TablesTest : public EngineTest {
protected:
    // Five records R1..R5, each with a memo "memo <n>" of growing size.
    std::string MakeFive(const std::string& name = "FIVE.DBF")
    {
        std::string file = MakeSample(name);
        EXPECT_NE(dbe_Use(file.c_str(), nullptr, DBE_EXCLUSIVE, 2), 0);
        for (int i = 1; i <= 5; ++i) {
            AppendNamed(1, i);
            std::string memo = "memo " + std::to_string(i) + std::string(size_t(100 * i), '.');
            EXPECT_EQ(dbe_Replace("NOTIZ", DBE_REPL_MEMO, memo.c_str()), 1);
        }
        return file;
    }
    static std::vector<std::string> Names()
    {
        std::vector<std::string> names;
        for (dbe_GoTop(); !dbe_Eof(); dbe_Skip(1)) names.push_back(Name());
        return names;
    }
};

TEST_F(TablesTest, CreateCheckedDefinitions)
{
    uint16_t area = dbe_CreateNew(Path("NEW").c_str(), "XXXXXXXXXX", 2, 3);
    ASSERT_NE(area, 0);
    EXPECT_EQ(dbe_CreateField("1bad", 'C', 5, 0), 0);
    EXPECT_EQ(dbe_CreateField("Name", 'C', 0, 0), 0);
    EXPECT_EQ(dbe_CreateField("Name", 'C', 255, 0), 0);
    EXPECT_EQ(dbe_CreateField("Amount", 'N', 4, 3), 0);
    EXPECT_EQ(dbe_CreateField("Other", 'X', 4, 0), 0);
    EXPECT_EQ(dbe_CreateField("Name", 'C', 30, 0), 1);
    EXPECT_EQ(dbe_CreateField("NAME", 'C', 30, 0), 0) << "duplicate";
    EXPECT_EQ(dbe_CreateField("Amount", 'N', 4, 2), 1);
    EXPECT_EQ(dbe_CreateField("Day", 'D', 99, 0), 1) << "date width is fixed";
    EXPECT_EQ(dbe_CreateField("More", 'L', 1, 0), 0) << "more than announced";
    ASSERT_EQ(dbe_CreateExec(), 1) << dbe_LastError();
    EXPECT_EQ(dbe_WorkArea(""), area);
    EXPECT_STREQ(dbe_Alias(), "NEW");
    EXPECT_EQ(dbe_FieldWidth("DAY"), 8);
    EXPECT_TRUE(std::filesystem::exists(Path("NEW.DBF")));
    EXPECT_FALSE(std::filesystem::exists(Path("NEW.FPT")));
    dbe_Close();
    EXPECT_EQ(dbe_SysProp(DBE_PROP_AREA_IN_USE, area), 0);
    // Creating over an open table is refused and leaves it intact.
    ASSERT_NE(dbe_Use(Path("NEW.DBF").c_str(), nullptr, DBE_SHARED, 2), 0);
    dbe_CreateNew(Path("NEW.DBF").c_str(), "XXXXXXXXXX", 2, 1);
    dbe_CreateField("A", 'C', 1, 0);
    EXPECT_EQ(dbe_CreateExec(), 0);
    EXPECT_NE(std::string(dbe_LastError()), "");
    dbe_Select(dbe_WorkArea("NEW"));
    EXPECT_EQ(dbe_FieldCount(), 3);
}

TEST_F(TablesTest, PackRemovesDeletedRecordsAndCompactsMemos)
{
    std::string file = MakeFive();
    const auto memoSize = std::filesystem::file_size(Path("FIVE.FPT"));
    // Rewritten memos leave dead blocks behind until the pack.
    dbe_Go(1);
    ASSERT_EQ(dbe_Replace("NOTIZ", DBE_REPL_MEMO, "short 1"), 1);
    for (uint32_t r : {2u, 4u}) {
        dbe_Go(r);
        ASSERT_EQ(dbe_Delete(), 1);
    }
    std::vector<std::pair<uint32_t, uint32_t>> progress;
    dbe_SetGaugeHook(
        [](void* ctx, uint32_t done, uint32_t total) {
            static_cast<std::vector<std::pair<uint32_t, uint32_t>>*>(ctx)->push_back({done, total});
        },
        &progress);
    ASSERT_EQ(dbe_Pack(), 1) << dbe_LastError();
    dbe_SetGaugeHook(nullptr, nullptr);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), std::make_pair(100u, 100u));
    EXPECT_EQ(dbe_RecCount(), 3u);
    EXPECT_EQ(Names(), (std::vector<std::string>{"R1", "R3", "R5"}));
    dbe_Go(1);
    EXPECT_STREQ(dbe_GetString("NOTIZ"), "short 1");
    dbe_Go(3);
    EXPECT_EQ(dbe_GetBlobLength("NOTIZ"), 6 + 500);
    EXPECT_LT(std::filesystem::file_size(Path("FIVE.FPT")), memoSize);
    EXPECT_FALSE(std::filesystem::exists(file + ".pk$"));
    // The packed files open again and take new records.
    dbe_CloseAll();
    ASSERT_NE(dbe_Use(file.c_str(), nullptr, DBE_SHARED, 2), 0);
    AppendNamed(1, 6);
    ASSERT_EQ(dbe_Replace("NOTIZ", DBE_REPL_MEMO, "after pack"), 1);
    EXPECT_EQ(Names(), (std::vector<std::string>{"R1", "R3", "R5", "R6"}));
    dbe_GoBottom();
    EXPECT_STREQ(dbe_GetString("NOTIZ"), "after pack");
    dbe_Go(2);
    EXPECT_EQ(dbe_GetBlobLength("NOTIZ"), 6 + 300);
}

TEST_F(TablesTest, PackAndZapNeedTheTableToThemselves)
{
    std::string file = MakeFive();
    dbe_CloseAll();
    ASSERT_NE(dbe_Use(file.c_str(), "A", DBE_SHARED, 2), 0);
    uint16_t b = dbe_Use(file.c_str(), "B", DBE_SHARED, 2);
    ASSERT_NE(b, 0);
    dbe_Go(5);
    // Shared in this process only: packing is allowed and the other area
    // stands on a valid record afterwards.
    dbe_Select(dbe_WorkArea("A"));
    dbe_Go(1);
    ASSERT_EQ(dbe_Delete(), 1);
    ASSERT_EQ(dbe_Pack(), 1) << dbe_LastError();
    dbe_Select(b);
    EXPECT_EQ(dbe_RecCount(), 4u);
    EXPECT_EQ(Name(), "R2");
    dbe_Go(4);
    EXPECT_EQ(Name(), "R5");
    ASSERT_EQ(dbe_Zap(), 1);
    dbe_Select(dbe_WorkArea("A"));
    EXPECT_EQ(dbe_RecCount(), 0u);
    dbe_GoTop();
    EXPECT_TRUE(dbe_Eof());
    EXPECT_EQ(std::filesystem::file_size(Path("FIVE.FPT")), 512u);
    AppendNamed(1);
    EXPECT_EQ(dbe_RecCount(), 1u);
}

TEST_F(TablesTest, CopyFileWritesTheVisibleRecordsWithMemos)
{
    std::string file = MakeFive();
    dbe_Go(2);
    dbe_Delete();
    dbe_SetDeleted(1);
    dbe_Go(4);
    std::string copy = Path("COPY.DBF");
    ASSERT_EQ(dbe_CopyFile(copy.c_str()), 1) << dbe_LastError();
    EXPECT_EQ(dbe_RecNo(), 4u) << "the source stays where it was";
    uint16_t c = dbe_Use(copy.c_str(), nullptr, DBE_SHARED, 2);
    ASSERT_NE(c, 0);
    EXPECT_EQ(dbe_RecCount(), 4u);
    EXPECT_EQ(Names(), (std::vector<std::string>{"R1", "R3", "R4", "R5"}));
    dbe_GoBottom();
    EXPECT_EQ(dbe_GetBlobLength("NOTIZ"), 6 + 500);
    // The query narrows what is copied.
    dbe_Select(dbe_WorkArea("FIVE"));
    dbe_SetQueryBit(3, 1);
    ASSERT_EQ(dbe_CopyFile(Path("ONE.DBF").c_str()), 1);
    ASSERT_NE(dbe_Use(Path("ONE.DBF").c_str(), nullptr, DBE_SHARED, 2), 0);
    EXPECT_EQ(Names(), (std::vector<std::string>{"R3"}));
    // Copying onto the open source is refused.
    dbe_Select(dbe_WorkArea("FIVE"));
    EXPECT_EQ(dbe_CopyFile(file.c_str()), 0);
}

TEST_F(TablesTest, MemoFileIsFoundWhateverTheCaseOfItsExtension)
{
    std::string file = MakeFive();
    dbe_CloseAll();
    std::filesystem::rename(Path("FIVE.FPT"), Path("FIVE.Fpt"));
    ASSERT_NE(dbe_Use(file.c_str(), nullptr, DBE_SHARED, 2), 0);
    EXPECT_STREQ(dbe_LastError(), "");
    dbe_Go(2);
    EXPECT_EQ(dbe_GetBlobLength("NOTIZ"), 6 + 200);
}

TEST_F(TablesTest, ExclusiveAppendsReachTheFileInOrder)
{
    std::string file = MakeSample();
    ASSERT_NE(dbe_Use(file.c_str(), nullptr, DBE_EXCLUSIVE, 2), 0);
    AppendNamed(2);
    ASSERT_EQ(dbe_Replace("NOTIZ", DBE_REPL_MEMO, "memo of 2"), 1);
    EXPECT_EQ(dbe_RecCount(), 2u);
    dbe_Go(1);
    EXPECT_EQ(Name(), "R1");
    dbe_Go(2);
    EXPECT_EQ(Name(), "R2");
    // Before a commit the file holds at least every record but the last,
    // each counted in the header; after it, all of them.
    std::string bytes = lxtest::ReadFile(file);
    EXPECT_GE(uint8_t(bytes[4]), 1);
    ASSERT_EQ(dbe_Commit(), 1);
    bytes = lxtest::ReadFile(file);
    EXPECT_EQ(uint8_t(bytes[4]), 2);
    const size_t headerLength = 32 + 5 * 32 + 1, recordLength = size_t(dbe_RecSize());
    ASSERT_EQ(bytes.size(), headerLength + 2 * recordLength + 1);
    EXPECT_EQ(bytes.substr(headerLength + recordLength + 1, 2), "R2");
    EXPECT_EQ(bytes.back(), '\x1A');
    std::string fpt = lxtest::ReadFile(Path("SAMPLE.FPT"));
    EXPECT_EQ(uint8_t(fpt[3]) * 64u, fpt.size()) << "next free block written by the commit";
}

TEST_F(TablesTest, AppendFromMatchesFieldsByName)
{
    std::string source = MakeFive();
    dbe_Go(3);
    dbe_Delete();
    double count = 12.25;
    dbe_Go(1);
    ASSERT_EQ(dbe_Replace("COUNT", DBE_REPL_DOUBLE, &count), 1);
    ASSERT_EQ(dbe_Replace("DAY", DBE_REPL_DTOS, "20200131"), 1);
    dbe_CloseAll();
    // A target with other field order, widths and a field the source lacks.
    std::string target = Path("TARGET.DBF");
    Create(target, {{"Extra", 'C', 5, 0},
                    {"Count", 'N', 8, 1},
                    {"Name", 'C', 2, 0},
                    {"Day", 'D', 8, 0},
                    {"Notiz", 'M', 10, 0}});
    ASSERT_NE(dbe_Use(target.c_str(), nullptr, DBE_SHARED, 2), 0);
    ASSERT_EQ(dbe_AppendFrom(source.c_str(), 1, ""), 1) << dbe_LastError();
    EXPECT_EQ(dbe_RecCount(), 4u) << "mode 1 skips the deleted record";
    EXPECT_EQ(dbe_RecNo(), 4u);
    dbe_GoTop();
    EXPECT_STREQ(dbe_GetString("NAME"), "R1");
    EXPECT_STREQ(dbe_GetString("COUNT"), "    12.3") << "12.25 rounds half away from zero";
    EXPECT_STREQ(dbe_GetString("DAY"), "20200131");
    EXPECT_STREQ(dbe_GetString("EXTRA"), "     ");
    EXPECT_EQ(dbe_GetBlobLength("NOTIZ"), 6 + 100);
    ASSERT_EQ(dbe_AppendFrom(source.c_str(), 0, nullptr), 1);
    EXPECT_EQ(dbe_RecCount(), 9u);
    dbe_Go(7);
    EXPECT_EQ(dbe_Deleted(), 1) << "mode 0 keeps the deletion mark";
    EXPECT_EQ(dbe_AppendFrom(Path("NONE.DBF").c_str(), 0, ""), 0);
    EXPECT_EQ(dbe_RecCount(), 9u);
}

}  // namespace
}  // namespace dbetest
