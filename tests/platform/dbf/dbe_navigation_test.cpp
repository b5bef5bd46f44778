// Moving through a table in natural order: Bof/Eof, the phantom record,
// hidden deleted records and the query bitmap.
#include <functional>
#include <vector>

#include "dbe_test_util.h"

namespace dbetest {
namespace {

class NavigationTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        file_ = MakeSample();
        ASSERT_NE(dbe_Use(file_.c_str(), nullptr, DBE_SHARED, 2), 0) << dbe_LastError();
    }
    std::string file_;
};

TEST_F(NavigationTest, EmptyTableStandsOnPhantomWithBofAndEof)
{
    EXPECT_EQ(dbe_RecCount(), 0u);
    dbe_GoTop();
    EXPECT_TRUE(dbe_Bof());
    EXPECT_TRUE(dbe_Eof());
    EXPECT_EQ(dbe_RecNo(), 1u);
    dbe_GoBottom();
    EXPECT_TRUE(dbe_Eof());
    dbe_Skip(1);
    EXPECT_TRUE(dbe_Eof());
    EXPECT_EQ(dbe_RecNo(), 1u);
    EXPECT_STREQ(dbe_GetTrimString("NAME"), "");
}

TEST_F(NavigationTest, SkipFollowsTheBridgeRules)
{
    AppendNamed(3);
    // Before the first record: GoTop then Skip(-1) sets Bof and stays on 1.
    dbe_GoTop();
    EXPECT_FALSE(dbe_Bof());
    dbe_Skip(-1);
    EXPECT_TRUE(dbe_Bof());
    EXPECT_FALSE(dbe_Eof());
    EXPECT_EQ(dbe_RecNo(), 1u);
    EXPECT_EQ(Name(), "R1");
    // Forward from Bof clears it.
    dbe_Skip(1);
    EXPECT_FALSE(dbe_Bof());
    EXPECT_EQ(dbe_RecNo(), 2u);
    // Past the last record: the phantom record RecCount + 1 with blank fields.
    dbe_GoBottom();
    EXPECT_EQ(dbe_RecNo(), 3u);
    dbe_Skip(1);
    EXPECT_TRUE(dbe_Eof());
    EXPECT_EQ(dbe_RecNo(), 4u);
    EXPECT_EQ(Name(), "");
    dbe_Skip(1);
    EXPECT_EQ(dbe_RecNo(), 4u);
    // Back from the phantom record reaches the last one.
    dbe_Skip(-1);
    EXPECT_FALSE(dbe_Eof());
    EXPECT_EQ(dbe_RecNo(), 3u);
    // Skipping several at once, and beyond the start.
    dbe_Skip(-5);
    EXPECT_TRUE(dbe_Bof());
    EXPECT_EQ(dbe_RecNo(), 1u);
    dbe_Skip(2);
    EXPECT_EQ(Name(), "R3");
}

TEST_F(NavigationTest, GoStandsOnAnyRecordOrThePhantom)
{
    AppendNamed(3);
    EXPECT_EQ(dbe_Go(2), 1);
    EXPECT_EQ(Name(), "R2");
    EXPECT_EQ(dbe_Go(0), 0);
    EXPECT_TRUE(dbe_Eof());
    EXPECT_EQ(dbe_Go(99), 0);
    EXPECT_TRUE(dbe_Eof());
    EXPECT_EQ(dbe_RecNo(), 4u);
}

TEST_F(NavigationTest, SetDeletedHidesDeletedRecords)
{
    AppendNamed(4);
    dbe_Go(1);
    ASSERT_EQ(dbe_Delete(), 1);
    dbe_Go(3);
    ASSERT_EQ(dbe_Delete(), 1);
    EXPECT_EQ(dbe_Deleted(), 1);

    std::vector<std::string> seen;
    for (dbe_GoTop(); !dbe_Eof(); dbe_Skip(1)) seen.push_back(Name());
    EXPECT_EQ(seen, (std::vector<std::string>{"R1", "R2", "R3", "R4"}));
    EXPECT_EQ(dbe_QueryRecCount(), 4u);

    // Hidden deleted records do not count among those shown.
    dbe_SetDeleted(1);
    seen.clear();
    for (dbe_GoTop(); !dbe_Eof(); dbe_Skip(1)) seen.push_back(Name());
    EXPECT_EQ(seen, (std::vector<std::string>{"R2", "R4"}));
    EXPECT_EQ(dbe_QueryRecCount(), 2u);
    EXPECT_EQ(dbe_RecCount(), 4u);
    dbe_GoBottom();
    EXPECT_EQ(Name(), "R4");
    dbe_Skip(-1);
    EXPECT_EQ(Name(), "R2");
    dbe_Skip(-1);
    EXPECT_TRUE(dbe_Bof());
    EXPECT_EQ(Name(), "R2");
    // dbe_Go still reaches a hidden record, and Recall brings it back.
    dbe_Go(3);
    EXPECT_EQ(dbe_Deleted(), 1);
    ASSERT_EQ(dbe_Recall(), 1);
    EXPECT_EQ(dbe_Deleted(), 0);
    EXPECT_EQ(dbe_QueryRecCount(), 3u);
    dbe_GoTop();
    dbe_Skip(1);
    EXPECT_EQ(Name(), "R3");
}

TEST_F(NavigationTest, QueryBitmapShowsExactlyTheSetBits)
{
    AppendNamed(5);
    EXPECT_STREQ(dbe_DBFilter(), "");
    EXPECT_EQ(dbe_QueryRecCount(), 5u);
    ASSERT_EQ(dbe_SetQueryBit(2, 1), 1);
    ASSERT_EQ(dbe_SetQueryBit(5, 1), 1);
    EXPECT_STRNE(dbe_DBFilter(), "");
    EXPECT_EQ(dbe_QueryRecCount(), 2u);
    std::vector<std::string> seen;
    for (dbe_GoTop(); !dbe_Eof(); dbe_Skip(1)) seen.push_back(Name());
    EXPECT_EQ(seen, (std::vector<std::string>{"R2", "R5"}));
    ASSERT_EQ(dbe_SetQueryBit(5, 0), 1);
    EXPECT_EQ(dbe_QueryRecCount(), 1u);
    EXPECT_EQ(dbe_SetQueryBit(9, 1), 0);
    ASSERT_EQ(dbe_Query(""), 1);
    EXPECT_EQ(dbe_QueryRecCount(), 5u);
}

// A call that succeeds leaves no earlier failure standing: a move, and a
// count of 0 (an answer, not a failure).
TEST_F(NavigationTest, SuccessfulMovesAndCountsClearTheLastError)
{
    const std::vector<std::function<int()>> calls = {
        [] { return dbe_GoTop(); },
        [] { return dbe_GoBottom(); },
        [] { return dbe_Skip(1); },
        [] { return int(dbe_QueryRecCount() == 0); },
    };
    for (std::size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(dbe_Seek("X"), 0);  // natural order: fails with a reason
        ASSERT_NE(dbe_LastErrorCode(), DBE_ERR_NONE);
        EXPECT_EQ(calls[i](), 1);
        EXPECT_EQ(dbe_LastErrorCode(), DBE_ERR_NONE) << dbe_LastError();
        EXPECT_STREQ(dbe_LastError(), "");
    }
}

}  // namespace
}  // namespace dbetest
