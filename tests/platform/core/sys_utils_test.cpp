// Guards the date, number and format conversions under the German defaults.
#include "platform/core/exceptions.h"
#include "platform/core/sys_utils.h"

#include <gtest/gtest.h>

#include <clocale>

namespace {

class SysUtils : public testing::Test {
protected:
    void SetUp() override { SetClockForTests(EncodeDate(2026, 12, 9) + EncodeTime(14, 5, 9, 7)); }
    void TearDown() override { SetClockForTests(std::nullopt); }
};

}  // namespace

TEST_F(SysUtils, GermanDefaultsUnderTheCLocale)
{
    ASSERT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    const TFormatSettings& fs = FormatSettings();
    EXPECT_EQ(fs.ShortDateFormat, QStringLiteral("dd.mm.yyyy"));
    EXPECT_EQ(fs.DateSeparator, u'.');
    EXPECT_EQ(fs.DecimalSeparator, u',');
    EXPECT_EQ(fs.ThousandSeparator, u'.');
    EXPECT_EQ(DateToStr(Now()), QStringLiteral("09.12.2026"));
    EXPECT_EQ(TimeToStr(Now()), QStringLiteral("14:05:09"));
    EXPECT_EQ(DateTimeToStr(Now()), QStringLiteral("09.12.2026 14:05:09"));
    EXPECT_EQ(DateTimeToStr(Date()), QStringLiteral("09.12.2026"));  // no time part at midnight
    EXPECT_EQ(FloatToStr(1.5), QStringLiteral("1,5"));
}

TEST_F(SysUtils, FormatDateTimeTokens)
{
    const TDateTime dt = Now();
    struct Case {
        const char* format;
        const char* expected;
    } cases[] = {
        {"d.m.yy", "9.12.26"},
        {"dd.mm.yyyy hh:nn:ss.zzz", "09.12.2026 14:05:09.007"},
        {"ddd, dddd", "Mi, Mittwoch"},
        {"mmm mmmm", "Dez Dezember"},
        {"hh:mm", "14:05"},  // m after h is minutes
        {"yyyymmdd", "20261209"},
        {"h:nn am/pm", "2:05 pm"},
        {"hh AM/PM a/p", "02 PM p"},
        {"'Heute ist' dd/mm", "Heute ist 09.12"},
        {"\"mm\" mm", "mm 12"},
        {"ddddd", "09.12.2026"},
        {"c", "09.12.2026 14:05:09"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatDateTime(QString::fromUtf8(c.format), dt), QString::fromUtf8(c.expected)) << c.format;
}

TEST_F(SysUtils, DatesEncodeDecodeAndWeekdays)
{
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
    EXPECT_EQ(EncodeDate(2000, 1, 1), 36526);
    EXPECT_THROW(EncodeDate(1900, 2, 29), EConvertError);
    TDateTime d;
    EXPECT_TRUE(TryEncodeDate(2000, 2, 29, d));
    int y, m, day;
    DecodeDate(EncodeDate(1600, 3, 1), y, m, day);
    EXPECT_EQ(QDate(y, m, day), QDate(1600, 3, 1));
    // Before 30.12.1899 the time of day still counts forwards.
    DecodeDate(-1.25, y, m, day);
    EXPECT_EQ(QDate(y, m, day), QDate(1899, 12, 29));
    int h, n, s, ms;
    DecodeTime(-1.25, h, n, s, ms);
    EXPECT_EQ(h, 6);
    EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 9)), 4);   // Wednesday
    EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 6)), 1);   // Sunday
    EXPECT_EQ(DateTimeFromQt(DateTimeToQt(Now())), Now());
}

TEST_F(SysUtils, StrToDateFollowsTheShortDateFormat)
{
    EXPECT_EQ(StrToDate(QStringLiteral("24.12.1998")), EncodeDate(1998, 12, 24));
    EXPECT_EQ(StrToDate(QStringLiteral(" 1.2.2003 ")), EncodeDate(2003, 2, 1));
    EXPECT_EQ(StrToDate(QStringLiteral("24.12.98")), EncodeDate(1998, 12, 24));  // window of 50 years
    EXPECT_EQ(StrToDate(QStringLiteral("01.02.30")), EncodeDate(2030, 2, 1));
    EXPECT_EQ(StrToDate(QStringLiteral("5.6")), EncodeDate(2026, 6, 5));         // this year
    for (const char* bad : {"", "31.02.2001", "1/2/2003", "aa.bb.cccc", "1.2.3.4", "12.13.2000"})
        EXPECT_THROW(StrToDate(QString::fromUtf8(bad)), EConvertError) << bad;
    TFormatSettings iso;
    iso.ShortDateFormat = QStringLiteral("yyyy-mm-dd");
    iso.DateSeparator = u'-';
    EXPECT_EQ(StrToDate(QStringLiteral("2003-02-01"), iso), EncodeDate(2003, 2, 1));
    EXPECT_EQ(DateToStr(EncodeDate(2003, 2, 1), iso), QStringLiteral("2003-02-01"));
    EXPECT_EQ(StrToTime(QStringLiteral("14:05:09")), EncodeTime(14, 5, 9, 0));
    EXPECT_EQ(StrToTime(QStringLiteral("2:05 pm")), EncodeTime(14, 5, 0, 0));
    EXPECT_THROW(StrToTime(QStringLiteral("25:00")), EConvertError);
    EXPECT_EQ(StrToDateTime(QStringLiteral("09.12.2026 14:05:09")), EncodeDate(2026, 12, 9) + EncodeTime(14, 5, 9, 0));
}

TEST_F(SysUtils, IntegerConversions)
{
    EXPECT_EQ(StrToInt(QStringLiteral("  -42")), -42);
    EXPECT_EQ(StrToInt(QStringLiteral("$1F")), 31);
    EXPECT_EQ(StrToInt(QStringLiteral("0x1f")), 31);
    EXPECT_EQ(StrToInt(QStringLiteral("2147483647")), 2147483647);
    EXPECT_EQ(StrToInt(QStringLiteral("-2147483648")), -2147483647 - 1);
    for (const char* bad : {"", "12 ", "1,5", "2147483648", "abc", "-", "$"})
        EXPECT_THROW(StrToInt(QString::fromUtf8(bad)), EConvertError) << bad;
    try {
        StrToInt(QStringLiteral("abc"));
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message, QStringLiteral("'abc' ist kein gültiger Integerwert"));
    }
    EXPECT_EQ(StrToIntDef(QStringLiteral("x"), 7), 7);
    EXPECT_EQ(StrToInt64(QStringLiteral("-9223372036854775808")), INT64_MIN);
    EXPECT_EQ(IntToStr(-1705296851), QStringLiteral("-1705296851"));
    EXPECT_EQ(IntToHex(255, 4), QStringLiteral("00FF"));
    EXPECT_EQ(IntToHex(-1, 2), QStringLiteral("FFFFFFFF"));
}

TEST_F(SysUtils, FloatConversionsUseTheDecimalComma)
{
    EXPECT_EQ(FloatToStr(0.1), QStringLiteral("0,1"));
    EXPECT_EQ(FloatToStr(-2), QStringLiteral("-2"));
    EXPECT_EQ(FloatToStr(1.5e20), QStringLiteral("1,5E20"));
    EXPECT_EQ(FloatToStr(1e-5), QStringLiteral("1E-5"));
    EXPECT_EQ(StrToFloat(QStringLiteral("1,5")), 1.5);
    EXPECT_EQ(StrToFloat(QStringLiteral("-1,5E3")), -1500);
    EXPECT_THROW(StrToFloat(QStringLiteral("1.5")), EConvertError);
    EXPECT_THROW(StrToFloat(QStringLiteral("inf")), EConvertError);
    EXPECT_EQ(StrToFloatDef(QStringLiteral(""), 2.5), 2.5);
    struct Case {
        const char* format;
        double value;
        const char* expected;
    } cases[] = {
        {"0.00", 1234.5, "1234,50"},
        {"#,##0.00", 1234567.891, "1.234.567,89"},
        {"#,##0", 999, "999"},
        {"#,##0", -1000, "-1.000"},
        {"0", -0.4, "0"},
        {"0.0#", 2.5, "2,5"},
        {"0.0#", 2.567, "2,57"},
        {"#.##", 0.5, ",5"},
        {"000", 7, "007"},
        {"0.00E+00", 12345, "1,23E+04"},
        {"0.0E-0", 0.00123, "1,2E-3"},
        {"0;(0)", -5, "(5)"},
        {"0;(0);'null'", 0, "null"},
        {"'Wert: '0' KB'", 5, "Wert: 5 KB"},
        {"", 1.5, "1,5"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatFloat(QString::fromUtf8(c.format), c.value), QString::fromUtf8(c.expected))
            << c.format << " " << c.value;
}

TEST_F(SysUtils, FloatToStrFFormats)
{
    struct Case {
        double value;
        TFloatFormat format;
        int precision, digits;
        const char* expected;
    } cases[] = {
        {1234.5678, TFloatFormat::ffGeneral, 15, 0, "1234,5678"},
        {1234.5678, TFloatFormat::ffGeneral, 3, 0, "1,23E3"},
        {1234.5678, TFloatFormat::ffExponent, 4, 2, "1,235E+03"},
        {-0.00012, TFloatFormat::ffExponent, 2, 0, "-1,2E-4"},
        {1234.5678, TFloatFormat::ffFixed, 15, 2, "1234,57"},
        {1234567.5, TFloatFormat::ffNumber, 15, 1, "1.234.567,5"},
        {-1234.5, TFloatFormat::ffCurrency, 15, 2, "-1.234,50 €"},
        {-0.001, TFloatFormat::ffFixed, 15, 2, "0,00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FloatToStrF(c.value, c.format, c.precision, c.digits), QString::fromUtf8(c.expected))
            << c.value << " " << c.expected;
}

TEST_F(SysUtils, StringHelpers)
{
    EXPECT_EQ(Trim(QStringLiteral("\t a b \r\n")), QStringLiteral("a b"));
    EXPECT_EQ(TrimRight(QStringLiteral(" a ")), QStringLiteral(" a"));
    EXPECT_EQ(UpperCase(QStringLiteral("aäz")), QStringLiteral("AäZ"));
    EXPECT_EQ(AnsiUpperCase(QStringLiteral("aäöüß")), QStringLiteral("AÄÖÜß"));
    EXPECT_EQ(AnsiLowerCase(QStringLiteral("ÄÖÜ")), QStringLiteral("äöü"));
    EXPECT_TRUE(SameText(QStringLiteral("Bilder"), QStringLiteral("BILDER")));
    EXPECT_FALSE(SameText(QStringLiteral("ä"), QStringLiteral("Ä")));
    EXPECT_TRUE(AnsiSameText(QStringLiteral("ä"), QStringLiteral("Ä")));
    EXPECT_EQ(Pos(QStringLiteral("c"), QStringLiteral("abc")), 3);
    EXPECT_EQ(Pos(QStringLiteral("x"), QStringLiteral("abc")), 0);
    EXPECT_EQ(Pos(QString(), QStringLiteral("abc")), 0);
    EXPECT_EQ(Copy(QStringLiteral("abcdef"), 2, 3), QStringLiteral("bcd"));
    EXPECT_EQ(Copy(QStringLiteral("abc"), 3, 100), QStringLiteral("c"));
    EXPECT_EQ(Copy(QStringLiteral("abc"), 0, 2), QStringLiteral("ab"));
    EXPECT_EQ(Copy(QStringLiteral("abc"), 9, 2), QString());
    EXPECT_EQ(QuotedStr(QStringLiteral("it's")), QStringLiteral("'it''s'"));
}

TEST(Clock, TickCountCanBeSetByTests)
{
    SetTickCountForTests(1000);
    EXPECT_EQ(GetTickCount64(), 1000u);
    SetTickCountForTests(std::nullopt);
    const uint64_t a = GetTickCount64();
    EXPECT_GE(GetTickCount64(), a);
}
