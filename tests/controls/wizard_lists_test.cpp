// The wizard's lists: record handling and their binary data blocks, read
// back as bytes.

#include <gtest/gtest.h>

#include "controls/wizard_lists.h"

TEST(WizardLists, AposSetCountGrowsWithEmptyRecordsAndShrinksFromTheEnd)
{
    TAposList list;
    list.Add({5, 6, 1});
    list.Add({7, 8, 0});
    list.SetCount(4);
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.GetItem(1).Left, 7);
    for (int i : {2, 3}) {
        EXPECT_EQ(list.GetItem(i).Left, 0);
        EXPECT_EQ(list.GetItem(i).Top, 0);
        EXPECT_EQ(list.GetItem(i).Shown, 0);
    }
    list.SetCount(1);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.GetItem(0).Left, 5);
    list.Delete(1);  // past the end: nothing
    EXPECT_EQ(list.Count(), 1);
    list.Delete(0);
    EXPECT_EQ(list.Count(), 0);
}

TEST(WizardLists, DataBlocksAreLittleEndianRecordsInListOrder)
{
    TAposList apos;
    apos.Add({0, 356, 0});
    apos.Add({-1, 2, 1});
    const QByteArray a = apos.Data();
    ASSERT_EQ(a.size(), 24);
    EXPECT_EQ(a.mid(0, 12), QByteArray::fromHex("00000000" "64010000" "00000000"));
    EXPECT_EQ(a.mid(12, 12), QByteArray::fromHex("ffffffff" "02000000" "01000000"));

    TIntegerList codes{1, 2, 8, 3, 4, 5, 6};
    EXPECT_EQ(codes.Data(), QByteArray::fromHex("01000000020000000800000003000000040000000500000006000000"));

    TPageList way;
    way.Add({2, kNextFinish});
    EXPECT_EQ(way.Data(), QByteArray::fromHex("02000000feffffff"));
}

TEST(WizardLists, ReadingABlockReplacesTheListAndRefusesShortBlocks)
{
    TIntegerList list{9, 9, 9};
    ASSERT_TRUE(list.ReadData(2, QByteArray::fromHex("0100000002000000ffff")));
    EXPECT_EQ(list.Values(), (std::vector<int32_t>{1, 2}));
    EXPECT_FALSE(list.ReadData(3, QByteArray::fromHex("01000000")));
    EXPECT_EQ(list.Count(), 0);

    // A count of 0 carries no data block; reading it gives an empty list.
    TAposList empty;
    EXPECT_TRUE(empty.Data().isEmpty());
    TAposList back;
    back.Add({1, 1, 1});
    EXPECT_TRUE(back.ReadData(0, QByteArray()));
    EXPECT_EQ(back.Count(), 0);

    TPageList way;
    ASSERT_TRUE(way.ReadData(2, QByteArray::fromHex("0100000003000000" "02000000fdffffff")));
    EXPECT_EQ(way.ShowPage(0), 1);
    EXPECT_EQ(way.NextRule(0), 3);
    EXPECT_EQ(way.NextRule(1), kNextJump);
}
