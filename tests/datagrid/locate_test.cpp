// The locate engine on a table made through the engine: match types, case,
// numbers, memos, the index shortcuts and the messages.

#include "locate_fixture.h"

#include "platform/core/sys_utils.h"
#include "platform/ui/prompt_script.h"

namespace {

using namespace lxtest_locate;

class LocateTest : public LocateFixture<DkTableTest> {};

TEST(LocateMatchText, MatchTypesAndCase)
{
    // The value comes upper-cased from the caller when case is ignored.
    const struct {
        const char* text;
        const char* value;
        TdkLocateMatchType type;
        bool cs;
        bool match;
    } cases[] = {
        {"Müller", "MÜLLER", mtExactMatch, false, true},     {"Müller", "Müller", mtExactMatch, true, true},
        {"Müller", "müller", mtExactMatch, true, false},     {"Müllerin", "MÜLLER", mtExactMatch, false, false},
        {"Müllerin", "MÜLL", mtPartialMatchStart, false, true}, {"Müllerin", "LLER", mtPartialMatchStart, false, false},
        {"Müllerin", "LLER", mtPartialMatchAny, false, true}, {"Müllerin", "ller", mtPartialMatchAny, true, true},
        {"Müllerin", "LLER", mtPartialMatchAny, true, false}, {"", "", mtExactMatch, false, true},
        {"x", "", mtExactMatch, false, false},               {"", "", mtPartialMatchStart, false, false},
        {"abc", "", mtPartialMatchAny, false, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(dkMatchText(QString::fromUtf8(c.text), QString::fromUtf8(c.value), c.type, c.cs), c.match)
            << c.text << " / " << c.value;
}

TEST_F(LocateTest, ScansAFieldFromTheFirstRecordAndFromTheCurrentOne)
{
    EXPECT_TRUE(Locate(true, "Stadt", "hamburg", mtExactMatch));
    EXPECT_EQ(Name(), "meier");
    EXPECT_TRUE(Locate(true, "Stadt", "BR", mtPartialMatchStart));
    EXPECT_EQ(Name(), "Müllerin");
    EXPECT_TRUE(Locate(true, "Stadt", "ÖL", mtPartialMatchAny));
    EXPECT_EQ(Name(), "Schmidt");
    // Case-sensitive: "köln" is not "Köln"; the dataset stays where it stood.
    EXPECT_FALSE(Locate(true, "Stadt", "köln", mtExactMatch, true));
    EXPECT_EQ(Name(), "Schmidt");
    // From the current record on: the scan starts after it.
    table->First();
    EXPECT_TRUE(Locate(false, "Stadt", "B", mtPartialMatchStart));
    EXPECT_EQ(Name(), "Müllerin");
    EXPECT_FALSE(Locate(false, "Stadt", "B", mtPartialMatchStart));
    EXPECT_EQ(Name(), "Müllerin");
}

TEST_F(LocateTest, AnEmptyValueFindsTheFirstEmptyFieldExactlyOnly)
{
    EXPECT_TRUE(Locate(true, "Stadt", "", mtExactMatch));
    EXPECT_EQ(Name(), "Meier");
    table->First();
    EXPECT_FALSE(Locate(true, "Stadt", "", mtPartialMatchAny));
    EXPECT_EQ(Name(), "Müller");
}

TEST_F(LocateTest, AnExactSearchOfANumberFieldComparesNumbers)
{
    // 100.25 written with an extra trailing zero still finds the record.
    EXPECT_TRUE(Locate(true, "Betrag", FloatToStr(100.25) + "0", mtExactMatch));
    EXPECT_EQ(Name(), "Meier");
    EXPECT_TRUE(Locate(true, "Betrag", FloatToStr(3.75), mtExactMatch));
    EXPECT_EQ(Name(), "Müllerin");
    EXPECT_FALSE(Locate(true, "Betrag", "abc", mtExactMatch));
    EXPECT_EQ(Name(), "Müllerin");
}

TEST_F(LocateTest, MemosAreComparedOverTheirText)
{
    EXPECT_TRUE(Locate(true, "Notiz", "ÜBER MEIER", mtExactMatch));
    EXPECT_EQ(Name(), "Müllerin");
    EXPECT_TRUE(Locate(true, "Notiz", "MÜLLER", mtPartialMatchAny));
    EXPECT_EQ(Name(), "meier");
    EXPECT_TRUE(Locate(false, "Notiz", "ÜBER", mtPartialMatchStart));
    EXPECT_EQ(Name(), "Müllerin");
}

TEST_F(LocateTest, OnlyTheFirstBytesOfALongMemoAreCompared)
{
    table->Close();
    const uint16_t area = dbe_Use(File("LOC.DBF").c_str(), "LONG", DBE_EXCLUSIVE, DBE_TYPE_FOX);
    ASSERT_NE(area, 0);
    dbe_Go(4);
    const std::string memo = std::string(kdkLocateMemoLimit - 3, 'x') + "ENDE";
    dbe_Replace("Notiz", DBE_REPL_MEMO, memo.c_str());
    dbe_Commit();
    dbe_Close();
    table->Open();
    EXPECT_TRUE(Locate(true, "Notiz", "XXXEND", mtPartialMatchAny));
    EXPECT_EQ(Name(), "Schmidt");
    EXPECT_FALSE(Locate(true, "Notiz", "ENDE", mtPartialMatchAny));
}

TEST_F(LocateTest, AMissingFieldIsReportedAndNothingMoves)
{
    TPromptScript script;
    script.Answer(mrOk, "Field Gibtsnicht not found.");
    table->Next();
    EXPECT_FALSE(Locate(true, "Gibtsnicht", "x", mtExactMatch));
    EXPECT_EQ(Name(), "meier");
    ASSERT_EQ(script.Records().size(), 1u);
    EXPECT_EQ(script.Records()[0].DlgType, mtWarning);
}

TEST_F(LocateTest, AlongTheIndexAnExactNextFindsTheFollowingEqualKey)
{
    table->SetIndexName("Name");
    // Order: ACKER, Meier, Müller, Müllerin, Schmidt, meier (byte order).
    table->First();
    EXPECT_TRUE(Locate(true, "Name", "Meier", mtExactMatch, true));
    EXPECT_EQ(table->RecNo(), 3);
    // Standing on a match: the scan takes the following record.
    EXPECT_FALSE(Locate(false, "Name", "Meier", mtExactMatch, true));
    EXPECT_TRUE(Locate(true, "Name", "Mül", mtPartialMatchStart, true));
    EXPECT_EQ(Name(), "Müller");
    EXPECT_TRUE(Locate(false, "Name", "Mül", mtPartialMatchStart, true));
    EXPECT_EQ(Name(), "Müllerin");
    // The next record along the index no longer matches: the search stops.
    EXPECT_FALSE(Locate(false, "Name", "Mül", mtPartialMatchStart, true));
    EXPECT_EQ(Name(), "Müllerin");
}

TEST_F(LocateTest, AlongTheIndexAStartSearchBelowTheCurrentKeyEndsAtOnce)
{
    table->SetIndexName("Name");
    table->First();
    ASSERT_TRUE(Locate(true, "Name", "Sch", mtPartialMatchStart, true));
    // "Mei" sorts before "Schmidt": Next cannot find it any more.
    EXPECT_FALSE(Locate(false, "Name", "Mei", mtPartialMatchStart, true));
    EXPECT_EQ(Name(), "Schmidt");
}

}  // namespace
