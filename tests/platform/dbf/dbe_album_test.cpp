// The album as the program uses the engine: the 29-field table, its 43 tags
// in the production index, and the availability pass that writes with the
// indexes "closed" and rebuilds them at the end.
#include "album_layout.h"
#include "dbe_test_util.h"

namespace dbetest {
namespace {

constexpr const auto& kTags = lxtest::kAlbumTagKeys;

class AlbumTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        file_ = Path("BILDER.DBF");
        std::vector<FieldSpec> album;
        for (const lxtest::AlbumLayoutField& f : lxtest::kAlbumLayout)
            album.push_back({f.name, f.type, f.width, f.decimals});
        Create(file_, album);
        ASSERT_NE(dbe_Use(file_.c_str(), nullptr, DBE_SHARED, 2), 0);
        for (int i = 1; i <= 6; ++i) {
            ASSERT_EQ(dbe_AppendBlank(), 1);
            std::string path = "C:\\BILDER\\IMG_" + std::to_string(i) + ".JPG";
            ASSERT_EQ(dbe_Replace("PFAD", DBE_REPL_TEXT, path.c_str()), 1);
            ASSERT_EQ(dbe_Replace("SHORTDESC", DBE_REPL_TEXT, ("Bild " + std::to_string(7 - i)).c_str()), 1);
            int32_t bytes = 1000 * i;
            ASSERT_EQ(dbe_Replace("BYTES", DBE_REPL_LONG, &bytes), 1);
            ASSERT_EQ(dbe_Replace("AUFNDATUM", DBE_REPL_DATE, (lxtest::Numbered("0", i) + ".05.2024").c_str()), 1);
            unsigned char zugriff = i != 4;
            ASSERT_EQ(dbe_Replace("ZUGRIFF", DBE_REPL_LOGICAL, &zugriff), 1);
        }
        dbe_Go(6);
        ASSERT_EQ(dbe_Delete(), 1);
    }

    void BuildTags()
    {
        int order = 0;
        for (auto& t : kTags)
            ASSERT_EQ(dbe_IndexTag("", t[0], t[1], 0, 0, ".not. deleted()"), ++order) << dbe_LastError();
        for (auto& t : kTags) {
            std::string name = std::string(t[0]) + "2";
            ASSERT_EQ(dbe_IndexTag("", name.c_str(), t[1], 0, 0, "(.not. deleted()) .and. (Zugriff)"), ++order)
                << dbe_LastError();
        }
        ASSERT_EQ(dbe_IndexTag("", "Zugriff", "Zugriff", 0, 0, ".not. deleted()"), 43) << dbe_LastError();
    }

    static int CountInOrder(int order)
    {
        dbe_SetOrder(order);
        int n = 0;
        for (dbe_GoTop(); !dbe_Eof(); dbe_Skip(1)) ++n;
        return n;
    }

    std::string file_;
};

TEST_F(AlbumTest, FortyThreeTagsHoldTheRightRecords)
{
    BuildTags();
    dbe_CloseAll();
    ASSERT_NE(dbe_Use(file_.c_str(), nullptr, DBE_SHARED, 2), 0);
    ASSERT_EQ(dbe_SysProp(DBE_PROP_ORDER_COUNT, 0), 43);
    EXPECT_STREQ(dbe_TagName(3), "LABEL");
    EXPECT_STREQ(dbe_TagName(22), "SHORTNAME2");
    EXPECT_STREQ(dbe_TagName(43), "ZUGRIFF");
    EXPECT_STREQ(dbe_TagName(44), "");
    for (int order = 1; order <= 43; ++order) {
        int expected = order >= 22 && order <= 42 ? 4 : 5;  // deleted: none; Zugriff false: not in 22-42
        EXPECT_EQ(CountInOrder(order), expected) << dbe_TagName(order);
    }
    // Orders sort as the keys say.
    dbe_SetOrder(dbe_TagArea("ShortDesc"));
    dbe_GoTop();
    EXPECT_STREQ(dbe_GetTrimString("SHORTDESC"), "Bild 2");
    dbe_SetOrder(dbe_TagArea("Bytes2"));
    dbe_GoBottom();
    EXPECT_EQ(dbe_RecNo(), 5u);
    dbe_SetOrder(dbe_TagArea("AufnDatum"));
    ASSERT_EQ(dbe_SetScope("20240502", "20240504"), 1);
    EXPECT_EQ(dbe_QueryRecCount(), 3u);
}

TEST_F(AlbumTest, AvailabilityPassWritesAndRebuilds)
{
    BuildTags();
    // As the availability test does it: natural order, no query, indexes
    // closed, one logical written and committed per record, then reindex.
    dbe_SetOrder(1);
    int previous = dbe_SetOrder(0);
    EXPECT_EQ(previous, 1);
    ASSERT_EQ(dbe_Query(""), 1);
    uint32_t total = dbe_RecCount();
    ASSERT_EQ(dbe_CloseIndexes(), 1);
    dbe_GoTop();
    unsigned char no = 0;
    for (uint32_t i = 0; i < total; ++i) {
        ASSERT_EQ(dbe_Replace("ZUGRIFF", DBE_REPL_LOGICAL, &no), 1);
        ASSERT_EQ(dbe_Commit(), 1);
        dbe_Skip(1);
    }
    EXPECT_TRUE(dbe_Eof());
    ASSERT_EQ(dbe_Reindex(), 1);
    dbe_SetOrder(previous);
    EXPECT_EQ(CountInOrder(dbe_TagArea("Bytes2")), 0);
    EXPECT_EQ(CountInOrder(dbe_TagArea("Bytes")), 5);
    EXPECT_EQ(CountInOrder(43), 5);
    dbe_SetOrder(43);
    EXPECT_NE(dbe_Seek("F"), 0);
    dbe_SetExact(1);
    EXPECT_EQ(dbe_Seek("T"), 0);
}

}  // namespace
}  // namespace dbetest
