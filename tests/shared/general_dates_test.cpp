// Guards the date routines: leap years, day numbers, today from the program clock, and the stop watch.
#include <gtest/gtest.h>

#include <QDate>

#include "platform/core/sys_utils.h"
#include "routines_test_print.h"
#include "shared/general_dates.h"

namespace {

TEST(GeneralDates, LeapYearsAndMonthLengths)
{
    EXPECT_TRUE(IstSchaltjahr(2000));
    EXPECT_FALSE(IstSchaltjahr(1900));
    EXPECT_TRUE(IstSchaltjahr(2004));
    EXPECT_FALSE(IstSchaltjahr(2001));
    EXPECT_EQ(TageImMonat(2, 2000), 29);
    EXPECT_EQ(TageImMonat(2, 1900), 28);
    EXPECT_EQ(TageImMonat(4, 2001), 30);
    EXPECT_EQ(TageImMonat(12, 2001), 31);
    EXPECT_EQ(TageImMonat(13, 2001), 0);
    EXPECT_EQ(TageImMonat(0, 2001), 0);
}

TEST(GeneralDates, DayNumbers)
{
    EXPECT_EQ(TagesNummer(1, 1, 1600), 0);
    EXPECT_EQ(TagesNummer(1, 2, 1600), 31);
    EXPECT_EQ(TagesNummer(29, 2, 1600), 59);
    EXPECT_EQ(TagesNummer(1, 3, 1600), 60);
    EXPECT_EQ(TagesNummer(1, 1, 2000), 146097);
    EXPECT_EQ(TagesNummer(29, 2, 1900), -1);
    EXPECT_NE(TagesNummer(29, 2, 2000), -1);
    EXPECT_NE(TagesNummer(31, 12, 3999), -1);
    EXPECT_EQ(TagesNummer(1, 1, 4000), -1);
    EXPECT_EQ(TagesNummer(0, 1, 2000), -1);
    EXPECT_EQ(TagesNummer(1, 13, 2000), -1);
    EXPECT_EQ(TagesNummer(1, 1, 1599), -1);
    // Two-digit years are 19xx.
    EXPECT_EQ(TagesNummer(24, 12, 98), TagesNummer(24, 12, 1998));

    // Every day from 1600 to 3999 is one more than the day before, as the
    // calendar counts it.
    const QDate base(1600, 1, 1);
    int expected = 0;
    for (QDate d = base; d.year() < 4000; d = d.addDays(1), ++expected) {
        ASSERT_TRUE(DatumGueltig(d.day(), d.month(), d.year())) << d.toString().toStdString();
        ASSERT_EQ(TagesNummer(d.day(), d.month(), d.year()), expected) << d.toString().toStdString();
    }
}

TEST(GeneralDates, TodayFollowsTheProgramClock)
{
    SetClockForTests(EncodeDate(2006, 5, 31) + 0.75);
    EXPECT_EQ(HeuteTagesNummer(), QDate(1600, 1, 1).daysTo(QDate(2006, 5, 31)));
    // A second before and at midnight: the day number moves with the date.
    SetClockForTests(EncodeDate(2024, 2, 28) + EncodeTime(23, 59, 59, 0));
    EXPECT_EQ(HeuteTagesNummer(), QDate(1600, 1, 1).daysTo(QDate(2024, 2, 28)));
    SetClockForTests(EncodeDate(2024, 2, 29));
    EXPECT_EQ(HeuteTagesNummer(), QDate(1600, 1, 1).daysTo(QDate(2024, 2, 29)));
    SetClockForTests(std::nullopt);
}

TEST(GeneralDates, StopWatch)
{
    SetTickCountForTests(1000000);
    EXPECT_EQ(StopUhr("start"), "");
    SetTickCountForTests(1000000 + 3723 * 1000 + 999);
    EXPECT_EQ(StopUhr("Stop"), "01:02:03");
    SetTickCountForTests(1000000 + 100 * 3600 * 1000);
    EXPECT_EQ(StopUhr("STOP"), "100:00:00");
    EXPECT_EQ(StopUhr("pause"), "");
    SetTickCountForTests(std::nullopt);
}

}  // namespace
