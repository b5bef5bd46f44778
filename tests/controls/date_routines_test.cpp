// The field engine of the date controls: scanning formats into fields,
// templates, rendering and replacing fields, stepping, weekdays and the
// date-part arithmetic.

#include <gtest/gtest.h>

#include "controls/date_routines.h"
#include "platform/core/exceptions.h"

using K = TDateFieldKind;

TEST(DateRoutines, GermanShortFormatHasFiveFieldsAndALetterTemplate)
{
    const QString fmt = "dd.mm.yyyy";
    ASSERT_EQ(FieldCount(fmt, {}), 5);
    EXPECT_EQ(FormatFieldKind(1, fmt), K::DD);
    EXPECT_EQ(FormatFieldKind(2, fmt), K::Separator);
    EXPECT_EQ(FormatFieldKind(3, fmt), K::MM);
    EXPECT_EQ(FormatFieldKind(4, fmt), K::Separator);
    EXPECT_EQ(FormatFieldKind(5, fmt), K::YYYY);
    QString tmpl;
    EXPECT_EQ(FormatDateParts(fmt, 5, 3, 2024, &tmpl), "05.03.2024");
    EXPECT_EQ(tmpl, "DD:MM:YYYY");
}

TEST(DateRoutines, LongFormatWithNamesAndSeparatorRuns)
{
    const QString fmt = "dddd, d. MMMM yyyy";
    ASSERT_EQ(FieldCount(fmt, {}), 7);
    const K kinds[] = {K::DDDD, K::Separator, K::D, K::Separator, K::MMMM, K::Separator, K::YYYY};
    for (int k = 1; k <= 7; ++k)
        EXPECT_EQ(FormatFieldKind(k, fmt), kinds[k - 1]) << k;
    EXPECT_EQ(FormatFieldText(2, fmt), ", ");
    EXPECT_EQ(FormatFieldText(4, fmt), ". ");
    QString tmpl;
    const QString text = FormatDateParts(fmt, 29, 2, 2024, &tmpl);
    EXPECT_EQ(text, QString::fromUtf8("Donnerstag, 29. Februar 2024"));
    EXPECT_EQ(tmpl.size(), text.size());
    // The template scans into the same fields as the text.
    EXPECT_EQ(FieldCount(text, tmpl), 7);
    EXPECT_EQ(FieldText(5, text, tmpl), "Februar");
    EXPECT_EQ(FieldText(1, text, tmpl), "Donnerstag");
}

TEST(DateRoutines, RenderingByKind)
{
    struct Case {
        QString format;
        uint16_t d, m, y;
        QString text;
    };
    const Case cases[] = {
        {"d.m.y", 5, 3, 2024, "5.3.24"},
        {"d.m.yy", 5, 3, 2024, "5.3.24"},
        {"d.m.yyy", 5, 3, 2024, "5.3.24"},
        {"d.m.yyyyy", 5, 3, 2024, "5.3.2024"},
        {"dd.mm.yyyy", 1, 1, 7, "01.01.0007"},
        {"ddd dd.mmm", 31, 12, 1999, "Fr 31.Dez"},
        {"yyyy-mm-dd", 29, 2, 2000, "2000-02-29"},
        {"d 'de' mmmm", 1, 5, 2020, "1 de Mai"},
        {"mmm yyyy", 0, 0, 2020, "UKN 2020"},
        {"mmmm yyyy", 0, 0, 2020, "Unknown 2020"},
        {"m/mm/yy", 0, 0, 2020, "0/00/20"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatDateParts(c.format, c.d, c.m, c.y), c.text) << c.format.toStdString();
}

TEST(DateRoutines, FindFieldWrapsRound)
{
    const QString fmt = "dd.mm.yyyy";
    int start;
    K kind;
    FindField(0, fmt, {}, start, kind);
    EXPECT_EQ(start, 7);
    EXPECT_EQ(kind, K::YYYY);
    FindField(6, fmt, {}, start, kind);
    EXPECT_EQ(start, 1);
    EXPECT_EQ(kind, K::DD);
    FindField(1, "", "", start, kind);
    EXPECT_EQ(start, 0);
    EXPECT_EQ(kind, K::None);
    EXPECT_EQ(FieldEnd(3, fmt, {}), 5);
    EXPECT_EQ(FieldEnd(5, fmt, {}), 10);
}

TEST(DateRoutines, FieldAtPosGivesSeparatorsToTheFieldBefore)
{
    const QString text = "15.03.2024", tmpl = "DD:MM:YYYY";
    const int expected[] = {1, 1, 1, 3, 3, 3, 5, 5, 5, 5};
    for (int pos = 1; pos <= 10; ++pos)
        EXPECT_EQ(FieldAtPos(text, tmpl, pos), expected[pos - 1]) << pos;
}

TEST(DateRoutines, NextFieldWritesSeparatorsAndSelectsTheFieldReached)
{
    const QString fmt = "dd.mm.yyyy";
    QString text = "15", tmpl = "DD";
    int k = 1, len = -1, start = -1;
    NextField(k, text, tmpl, false, fmt, len, start);
    EXPECT_EQ(k, 3);
    EXPECT_EQ(text, "15.");
    EXPECT_EQ(tmpl, "DD:");
    EXPECT_EQ(start, 3);
    EXPECT_EQ(len, 0);

    text = "15.03.2024", tmpl = "DD:MM:YYYY", k = 1;
    NextField(k, text, tmpl, false, fmt, len, start);
    EXPECT_EQ(k, 3);
    EXPECT_EQ(start, 3);
    EXPECT_EQ(len, 2);
}

TEST(DateRoutines, SetFieldValueCompletesAMissingText)
{
    const QString fmt = "dd.mm.yyyy";
    QString text, tmpl;
    SetFieldValue(5, K::YYYY, text, 7, 8, 1999, 2001, fmt, tmpl);
    EXPECT_EQ(text, "07.08.2001");
    EXPECT_EQ(tmpl, "DD:MM:YYYY");
    SetFieldValue(1, K::DD, text, 7, 8, 2001, 3, fmt, tmpl);
    EXPECT_EQ(text, "03.08.2001");
    SetFieldValue(3, K::M, text, 3, 8, 2001, 11, fmt, tmpl);
    EXPECT_EQ(text, "03.11.2001");
}

TEST(DateRoutines, AFormatWithoutDateFieldsDoesNotHang)
{
    QString text, tmpl;
    CompleteText(text, tmpl, "'abc'", 1, 1, 2000);
    EXPECT_EQ(text, "abc");
    text.clear(), tmpl.clear();
    CompleteText(text, tmpl, "..", 1, 1, 2000);
    EXPECT_EQ(text, "..");
}

TEST(DateRoutines, DateArithmetic)
{
    EXPECT_TRUE(IsValidDate(2000, 2, 29));
    EXPECT_FALSE(IsValidDate(1900, 2, 29));
    EXPECT_TRUE(IsValidDate(2024, 2, 29));
    EXPECT_FALSE(IsValidDate(2023, 2, 29));
    EXPECT_FALSE(IsValidDate(0, 1, 1));
    EXPECT_TRUE(IsValidDate(1, 1, 1));
    EXPECT_TRUE(IsValidDate(9999, 12, 31));
    EXPECT_FALSE(IsValidDate(10000, 1, 1));
    EXPECT_FALSE(IsValidDate(2024, 13, 1));
    EXPECT_FALSE(IsValidDate(2024, 4, 31));
    EXPECT_EQ(DaysInMonth(2024, 0), 0);
    EXPECT_EQ(DaysInMonth(2024, 13), 0);
    EXPECT_EQ(DaysInMonth(2100, 2), 28);
    EXPECT_EQ(CenturyOfYear(1999), 19);
    EXPECT_EQ(CenturyOfDate(EncodeDate(2026, 12, 9)), 20);

    const TDateTime old = EncodeDate(2020, 1, 1) + 0.75;
    const TDateTime r = ReplaceDatePart(2024, 2, 29, old);
    EXPECT_DOUBLE_EQ(r - EncodeDate(2024, 2, 29), 0.75);
    EXPECT_THROW(ReplaceDatePart(2023, 2, 29, old), EConvertError);
}

TEST(DateRoutines, MoveToWeekdayStaysInTheSundayWeek)
{
    // 13 March 2024 is a Wednesday.
    uint16_t d = 13, m = 3, y = 2024;
    EXPECT_TRUE(MoveToWeekday(1, d, m, y));
    EXPECT_EQ(d, 10);
    d = 13;
    EXPECT_TRUE(MoveToWeekday(7, d, m, y));
    EXPECT_EQ(d, 16);
    EXPECT_FALSE(MoveToWeekday(7, d, m, y));
    // Across a month and a year boundary: Tuesday 31 Dec 2024 to Saturday.
    d = 31, m = 12, y = 2024;
    EXPECT_TRUE(MoveToWeekday(7, d, m, y));
    EXPECT_EQ(d, 4);
    EXPECT_EQ(m, 1);
    EXPECT_EQ(y, 2025);
}

TEST(DateRoutines, SeparatorCharacters)
{
    for (QChar c : QString(" !\"#$%&'()*+,-./:;<=>?@"))
        EXPECT_TRUE(IsSeparatorChar(c)) << int(c.unicode());
    for (QChar c : QString("09azAZ_[~"))
        EXPECT_FALSE(IsSeparatorChar(c)) << int(c.unicode());
}

TEST(DateRoutines, DropDownButtonDrawsItsGlyph)
{
    TBitmap glyphs;
    QImage g(8, 4, QImage::Format_ARGB32_Premultiplied);
    g.fill(Qt::transparent);
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 4; ++y)
            g.setPixel(x, y, qRgb(255, 0, 0));  // enabled half red
    for (int x = 4; x < 8; ++x)
        for (int y = 0; y < 4; ++y)
            g.setPixel(x, y, qRgb(0, 255, 0));  // disabled half green
    glyphs.SetImage(g);
    TBitmap face(20, 20);
    DrawDropDownButton(Rect(0, 0, 20, 20), face.Canvas(), &glyphs, false, true);
    QImage img = face.Image();
    EXPECT_EQ(img.pixel(10, 9), qRgb(255, 0, 0));
    DrawDropDownButton(Rect(0, 0, 20, 20), face.Canvas(), &glyphs, true, false);
    img = face.Image();
    EXPECT_EQ(img.pixel(11, 10), qRgb(0, 255, 0));
    EXPECT_EQ(img.pixel(0, 0), ColorToQColor(clBtnShadow).rgb());
}
