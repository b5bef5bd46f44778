// Guards the grid library's text routines: tokens, words, and dates and times in the format settings.
#include "datagrid/dk_strings.h"

#include "platform/core/string_list.h"

#include <gtest/gtest.h>

namespace {

TDateTime D(int y, int m, int d) { return EncodeDate(y, m, d); }

TEST(DkStrings, TokensWalkTheEntryAndLongDelimitersAreWords)
{
    int pos = 1;
    EXPECT_EQ(dkStrGetToken("a;b", ";", pos), "a");
    EXPECT_EQ(pos, 3);
    EXPECT_EQ(dkStrGetToken("a;b", ";", pos), "b");
    EXPECT_EQ(pos, -1);
    EXPECT_EQ(dkStrGetToken("a;b", ";", pos), "");  // nothing follows
    EXPECT_EQ(pos, -1);

    pos = 1;
    EXPECT_EQ(dkStrGetToken("NAME='x' and Band AND y", "AND", pos), "NAME='x'");
    EXPECT_EQ(dkStrGetToken("NAME='x' and Band AND y", "AND", pos), "Band");
    EXPECT_EQ(dkStrGetToken("NAME='x' and Band AND y", "AND", pos), "y");
    pos = 9;
    EXPECT_EQ(dkStrGetToken("abc", ";", pos), "");
    EXPECT_EQ(pos, 9);
}

TEST(DkStrings, SplitTrimReplaceCountAfter)
{
    TStringList list;
    dkStrSplit("A\tB\t\tC", u'\t', list);
    EXPECT_EQ(list.ToQStringList(), (QStringList{"A", "B", "", "C"}));
    dkStrSplit("", u';', list);
    EXPECT_EQ(list.Count(), 1);
    QString s = "Wert \t \t";
    dkStrTrimRightSet(s, " \t");
    EXPECT_EQ(s, "Wert");
    EXPECT_EQ(dkStrReplaceChar("a;b;c", u';', u'\t'), "a\tb\tc");
    EXPECT_TRUE(dkStrEqualNoCase("Größe", "GRÖSSE") || dkStrEqualNoCase("größe", "GRÖßE"));
    EXPECT_EQ(dkStrCharCount("a;b;;c", u';'), 3);
    EXPECT_EQ(dkStrAfterChar("NAME.DBF", u'.'), "DBF");
    EXPECT_EQ(dkStrAfterChar("NAME", u'.'), "");
}

TEST(DkStrings, NextWordOptions)
{
    struct Case {
        QString text;
        int pos;
        int options;
        QString word;
        int after;
    };
    const Case cases[] = {
        {"  abc def", 1, dkwSkipBlanks, "abc", 6},
        {"abc,def", 1, 0, "abc", 4},
        {",def", 1, 0, ",", 2},  // a delimiter stands alone
        {"\"a b\" c", 1, dkwQuotedWord, "\"a b\"", 6},
        {"\"a b\" c", 1, dkwQuotedWord | dkwStripQuotes, "a b", 6},
        {"\"a b", 1, dkwQuotedWord, "\"a b", 5},  // unclosed: to the end
        {"'x'", 1, dkwStripQuotes, "x", 4},
        {"abc", 0, 0, "", 0},
        {"abc", 4, 0, "", 4},
    };
    for (const Case& c : cases) {
        int pos = c.pos;
        EXPECT_EQ(dkStrNextWord(c.text, pos, c.options, ","), c.word) << c.text.toStdString();
        EXPECT_EQ(pos, c.after) << c.text.toStdString();
    }
}

TEST(DkStrings, DateOrderLeapYearsAndEncoding)
{
    EXPECT_EQ(dkDateOrderDayFirst("dd.mm.yyyy"), 1);
    EXPECT_EQ(dkDateOrderDayFirst("MM/dd/yy"), 0);
    EXPECT_EQ(dkDateOrderDayFirst("yyyy-mm-dd"), 2);
    EXPECT_EQ(dkDateOrderDayFirst("hh:nn"), 0);
    EXPECT_TRUE(dkIsLeapYear(2000));
    EXPECT_FALSE(dkIsLeapYear(1900));
    EXPECT_TRUE(dkIsLeapYear(2024));
    TDateTime d = 0;
    ASSERT_TRUE(dkEncodeDate(1899, 12, 30, d));
    EXPECT_EQ(d, 0);
    ASSERT_TRUE(dkEncodeDate(2006, 5, 12, d));
    EXPECT_EQ(d, D(2006, 5, 12));
    EXPECT_FALSE(dkEncodeDate(2006, 2, 29, d));
    EXPECT_FALSE(dkEncodeDate(0, 1, 1, d));
    EXPECT_FALSE(dkEncodeDate(2006, 13, 1, d));
    TDateTime t = 0;
    ASSERT_TRUE(dkEncodeTime(12, 0, 0, 0, t));
    EXPECT_DOUBLE_EQ(t, 0.5);
    EXPECT_FALSE(dkEncodeTime(24, 0, 0, 0, t));
    EXPECT_FALSE(dkEncodeTime(1, 60, 0, 0, t));
    EXPECT_FALSE(dkEncodeTime(1, 0, 0, 1000, t));
}

TEST(DkStrings, DatesAfterTheShortDateFormat)
{
    // dd.mm.yyyy with "." is the program's default.
    struct Case {
        QString text;
        bool ok;
        TDateTime date;
    };
    const Case cases[] = {
        {"3.4", true, D(dkCurrentYear(), 4, 3)},
        {"3.4.05", true, D(1905, 4, 3)},
        {"3.4.2005", true, D(2005, 4, 3)},
        {"31.2.2006", false, 0},
        {"29.2.2004", true, D(2004, 2, 29)},
        {"3.JAN.2006", true, D(2006, 1, 3)},
        {"3.jan.2006", true, D(2006, 1, 3)},
        {"3.Xyz.2006", false, 0},
        {"12345.1.2006", false, 0},  // four significant digits at most
        {" 3 . 4 . 2005 ", true, D(2005, 4, 3)},
    };
    for (const Case& c : cases) {
        int pos = 1;
        TDateTime d = -1;
        const bool ok = dkScanDate(c.text, pos, d) && pos > c.text.size();
        EXPECT_EQ(ok, c.ok) << c.text.toStdString();
        if (c.ok) {
            EXPECT_EQ(d, c.date) << c.text.toStdString();
        }
        EXPECT_EQ(dkIsDateText(c.text), c.ok) << c.text.toStdString();
    }
}

TEST(DkStrings, TimesWithAndWithoutSuffix)
{
    struct Case {
        QString text;
        bool ok;
        int hour, minute, second;
    };
    const Case cases[] = {
        {"12:30", true, 12, 30, 0},   {"12:30:15", true, 12, 30, 15}, {"12:30 PM", true, 12, 30, 0},
        {"12:30 AM", true, 0, 30, 0}, {"1:05 pm", true, 13, 5, 0},    {"13:00 PM", false, 0, 0, 0},
        {"0:10 AM", false, 0, 0, 0},  {"24:00", false, 0, 0, 0},      {"12", false, 0, 0, 0},
    };
    for (const Case& c : cases) {
        int pos = 1;
        TDateTime t = -1;
        const bool ok = dkScanTime(c.text, pos, t) && pos > c.text.size();
        EXPECT_EQ(ok, c.ok) << c.text.toStdString();
        EXPECT_EQ(dkIsTimeText(c.text), c.ok) << c.text.toStdString();
        if (c.ok) {
            EXPECT_DOUBLE_EQ(t, EncodeTime(c.hour, c.minute, c.second, 0)) << c.text.toStdString();
        }
    }
    EXPECT_TRUE(dkIsDateTimeText("12.05.2006 10:20"));
    EXPECT_FALSE(dkIsDateTimeText("12.05.2006"));
    EXPECT_FALSE(dkIsDateTimeText("12.05.2006 10:20 x"));
}

TEST(DkStrings, NumberTexts)
{
    EXPECT_TRUE(dkIsIntegerText(""));
    EXPECT_TRUE(dkIsIntegerText("-5"));
    EXPECT_TRUE(dkIsIntegerText("007"));
    EXPECT_FALSE(dkIsIntegerText("-"));
    EXPECT_FALSE(dkIsIntegerText("5-"));
    EXPECT_FALSE(dkIsIntegerText("1.5"));
    EXPECT_TRUE(dkIsFloatText(""));
    EXPECT_TRUE(dkIsFloatText("1,5"));  // the program's decimal comma
    EXPECT_TRUE(dkIsFloatText("-3"));
    EXPECT_FALSE(dkIsFloatText("12x"));
}

TEST(DkStrings, PartOfTheCaretPosition)
{
    // Day first: day, month, year; then the time behind the date.
    const QString text = "12.05.2006 10:20:30 PM";
    EXPECT_EQ(dkDatePartAtPos(1, text, false), 0);
    EXPECT_EQ(dkDatePartAtPos(3, text, false), 0);
    EXPECT_EQ(dkDatePartAtPos(4, text, false), 1);
    EXPECT_EQ(dkDatePartAtPos(8, text, false), 2);
    EXPECT_EQ(dkDatePartAtPos(13, text, false), 3);
    EXPECT_EQ(dkDatePartAtPos(16, text, false), 4);
    EXPECT_EQ(dkDatePartAtPos(19, text, false), 5);
    EXPECT_EQ(dkDatePartAtPos(22, text, false), 6);
    EXPECT_EQ(dkDatePartAtPos(4, "10:20", true), 4);
    EXPECT_EQ(dkTimePartAtPos(1, "10:20:30"), 3);
    EXPECT_EQ(dkTimePartAtPos(8, "10:20:30"), 5);
    EXPECT_EQ(dkTimePartAtPos(10, "10:20:30 AM"), 6);
}

}  // namespace
