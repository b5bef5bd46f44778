// Guards the flags field routine that sets one position of a text field.
#include "dbe_fixture.h"

#include "storage/flags_field.h"

#include <string>

namespace {

class FlagsFieldTest : public DbeTest {
protected:
    void SetUp() override
    {
        DbeTest::SetUp();
        MakeTable("ALBUM.DBF", {{"NAME", 'C', 10, 0}, {"FLAGS", 'C', 10, 0}}, 3);
        Open(lt.table, "ALBUM.DBF");
    }
    void TearDown() override
    {
        lt.table.Close();
        dbe_CloseAll();
        DbeTest::TearDown();
    }
    std::string RawFlags(uint32_t recno) { return RawField("ALBUM.DBF", recno, 11, 10); }

    TLinkedTable lt;
};

TEST_F(FlagsFieldTest, SettingOnePositionOfAnEmptyFieldLeavesBlanksAround)
{
    MoveTo(lt.table, 2);
    EXPECT_EQ(FlagSetzen(&lt.dbe, "FLAGS", 4, false, u'1'), 1);
    EXPECT_EQ(RawFlags(2), "   1      ");
    EXPECT_EQ(FlagLesen(&lt.dbe, "FLAGS", 4), u'1');
    EXPECT_EQ(FlagLesen(&lt.dbe, "FLAGS", 1), u' ');
    EXPECT_EQ(lt.table.State(), dsBrowse);
    EXPECT_EQ(lt.table.RecNo(), 2);
    // Further positions keep what is there, the last one included.
    EXPECT_EQ(FlagSetzen(&lt.dbe, "FLAGS", 1, false, u'3'), 1);
    EXPECT_EQ(FlagSetzen(&lt.dbe, "FLAGS", 2, false, u'4'), 1);
    EXPECT_EQ(FlagSetzen(&lt.dbe, "FLAGS", 10, false, u'9'), 1);
    EXPECT_EQ(RawFlags(2), "34 1     9");
    EXPECT_EQ(FlagLesen(&lt.dbe, "FLAGS", 10), u'9');
    EXPECT_EQ(RawFlags(1), std::string(10, ' '));
}

TEST_F(FlagsFieldTest, NothingWrittenAnswersZero)
{
    MoveTo(lt.table, 1);
    struct Case {
        const char* what;
        int position;
        bool readOnly;
        bool editing;
    };
    for (const Case& c : {Case{"read-only album", 4, true, false}, Case{"position 0", 0, false, false},
                          Case{"past the field", 11, false, false}, Case{"record being edited", 4, false, true}}) {
        SCOPED_TRACE(c.what);
        if (c.editing)
            lt.table.Edit();
        EXPECT_EQ(FlagSetzen(&lt.dbe, "FLAGS", c.position, c.readOnly, u'2'), 0);
        if (c.editing) {
            EXPECT_EQ(lt.table.State(), dsEdit);
            lt.table.Cancel();
        }
        EXPECT_EQ(RawFlags(1), std::string(10, ' '));
    }
    EXPECT_EQ(FlagSetzen(&lt.dbe, "GIBTSNICHT", 1, false, u'2'), 0);
}

TEST_F(FlagsFieldTest, EmptyTableAnswersZero)
{
    MakeTable("LEER.DBF", {{"FLAGS", 'C', 10, 0}});
    TLinkedTable leer;
    Open(leer.table, "LEER.DBF");
    EXPECT_EQ(FlagSetzen(&leer.dbe, "FLAGS", 1, false, u'1'), 0);
    EXPECT_EQ(RawRecordCount("LEER.DBF"), 0u);
    EXPECT_EQ(FlagLesen(&leer.dbe, "FLAGS", 1), u' ');
}

TEST_F(FlagsFieldTest, DatasetStaysAtItsEnd)
{
    lt.table.Last();
    lt.table.Next();
    ASSERT_TRUE(lt.table.Eof());
    EXPECT_EQ(FlagSetzen(&lt.dbe, "FLAGS", 2, false, u'1'), 1);
    EXPECT_EQ(RawFlags(3), " 1        ");
    EXPECT_TRUE(lt.table.Eof());
    EXPECT_EQ(lt.table.RecNo(), 3);
}

}  // namespace
