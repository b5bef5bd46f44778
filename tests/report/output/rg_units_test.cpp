// Length conversions of the report engine: the factor 0.03937, rounding of
// halves to even, screen and printer resolutions; the page definition; and
// reading integers of any stored width from a component stream.
#include "report/output/rg_units.h"

#include "platform/core/exceptions.h"
#include "platform/core/string_list.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <map>

#include <gtest/gtest.h>

namespace {

// Every test converts at 96 screen pixels per inch, whatever screen runs it.
class Units : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = rgScreenPixelsPerInch();
        rgSetScreenPixelsPerInch(96);
    }
    void TearDown() override { rgSetScreenPixelsPerInch(saved_); }

private:
    int saved_ = 96;
};

// A printer with the given resolutions; 0 stands for "no device context yet".
class FakePrinter : public TObject, public TrgDeviceResolution {
public:
    FakePrinter(int horizontal, int vertical) : horizontal_(horizontal), vertical_(vertical) {}
    int DevicePixelsPerInch(TrgDirection d) const override { return d == rgVertical ? vertical_ : horizontal_; }

private:
    int horizontal_, vertical_;
};

struct FromCase {
    int value;
    TrgUnitType unit;
    TrgDirection direction;
    float expected;
};

TEST_F(Units, FromThousandthsByUnit)
{
    const FromCase cases[] = {
        {25400, utScreenPixels, rgHorizontal, 96},    // 95.9997... is 96 pixels
        {210000, utScreenPixels, rgHorizontal, 794},  // A4 width: 793.70
        {297000, utScreenPixels, rgVertical, 1123},   // A4 height: 1122.52
        {1000, utInches, rgHorizontal, 0.0394f},      // nearest(393.7) = 394
        {25400, utInches, rgHorizontal, 1.0f},        // 9999.98 -> 10000
        {-25400, utInches, rgHorizontal, -1.0f},
        {1500, utMillimeters, rgHorizontal, 1.5f},
        {25400, utPrinterPixels, rgVertical, 96},     // no printer: the screen's resolution
        {-7, utMMThousandths, rgHorizontal, -7},
        {25400, TrgUnitType(9), rgHorizontal, 0},     // not a unit
    };
    for (const FromCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " unit " << c.unit);
        EXPECT_EQ(rgFromMMThousandths(c.value, c.unit, c.direction, nullptr), c.expected);
    }
}

struct ToCase {
    TrgUnitType unit;
    float value;
    int expected;
};

TEST_F(Units, ToThousandthsByUnit)
{
    const ToCase cases[] = {
        {utInches, 1, 25400},             // 25400.05 rounded
        {utInches, 11, 279401},           // 279400.56
        {utScreenPixels, 50, 13229},      // 13229.19
        {utScreenPixels, 65, 17198},      // 17197.95
        {utScreenPixels, 17, 4498},       // 4497.93
        {utScreenPixels, -50, -13229},
        {utMillimeters, 2.5f, 2500},
        {utMMThousandths, 1.9f, 1},       // truncated, not rounded
        {utMMThousandths, -1.9f, -1},
        {utPrinterPixels, 96, 25400},     // no printer: the screen's resolution
        {TrgUnitType(-1), 5, 0},
        {utMillimeters, 1e30f, INT32_MAX},  // held within the 32-bit range
        {utMillimeters, -1e30f, INT32_MIN},
    };
    for (const ToCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " unit " << c.unit);
        EXPECT_EQ(rgToMMThousandths(c.unit, rgHorizontal, nullptr, c.value), c.expected);
    }
}

TEST_F(Units, HalvesRoundToEven)
{
    // Values whose products are exact halves in binary.
    const std::pair<float, int> cases[] = {{0.25f, 2}, {0.75f, 8}, {-0.25f, -2}, {1.25f, 12}};
    for (const auto& [millimetres, tenths] : cases)
        EXPECT_EQ(rgToTenthsOfMM(utMillimeters, rgHorizontal, nullptr, millimetres), tenths) << millimetres;
    EXPECT_EQ(rgToMMThousandths(utMillimeters, rgHorizontal, nullptr, 0.0625f), 62);  // 62.5
    EXPECT_EQ(rgToMMThousandths(utMillimeters, rgHorizontal, nullptr, 0.1875f), 188);  // 187.5
}

TEST_F(Units, ScreenResolutionIsInjected)
{
    rgSetScreenPixelsPerInch(120);
    EXPECT_EQ(rgFromMMThousandths(25400, utScreenPixels, rgHorizontal, nullptr), 120);
    EXPECT_EQ(rgToMMThousandths(utScreenPixels, rgVertical, nullptr, 120), 25400);
    rgSetScreenPixelsPerInch(0);  // ignored: a resolution is never zero
    EXPECT_EQ(rgScreenPixelsPerInch(), 120);
}

TEST_F(Units, PrinterPixelsFollowTheDirection)
{
    FakePrinter printer(300, 600);
    EXPECT_EQ(rgFromMMThousandths(25400, utPrinterPixels, rgHorizontal, &printer), 300);
    EXPECT_EQ(rgFromMMThousandths(25400, utPrinterPixels, rgVertical, &printer), 600);
    // Every direction other than 1 is horizontal.
    EXPECT_EQ(rgFromMMThousandths(25400, utPrinterPixels, 7, &printer), 300);
    EXPECT_EQ(rgToMMThousandths(utPrinterPixels, rgVertical, &printer, 600), 25400);
    // Screen pixels never ask the printer.
    EXPECT_EQ(rgFromMMThousandths(25400, utScreenPixels, rgVertical, &printer), 96);

    FakePrinter withoutContext(0, 0);
    EXPECT_EQ(rgFromMMThousandths(25400, utPrinterPixels, rgVertical, &withoutContext), 96);
    TObject notAPrinter;
    EXPECT_EQ(rgFromMMThousandths(25400, utPrinterPixels, rgVertical, &notAPrinter), 96);
}

TEST_F(Units, ScreenPixelRoundTrips)
{
    EXPECT_EQ(rgFromScreenPixels(96, utInches, rgHorizontal, nullptr), 1.0f);
    EXPECT_EQ(rgFromScreenPixels(50, utMMThousandths, rgHorizontal, nullptr), 13229);
    EXPECT_EQ(rgToScreenPixels(utInches, rgHorizontal, nullptr, 1), 96);
    EXPECT_EQ(rgToScreenPixels(utMillimeters, rgHorizontal, nullptr, 210), 794);
    for (int px : {1, 17, 50, 65, 794, 1123})
        EXPECT_EQ(rgToScreenPixels(utMMThousandths, rgHorizontal, nullptr,
                                   rgFromScreenPixels(px, utMMThousandths, rgHorizontal, nullptr)),
                  px);
}

TEST_F(Units, TenthsOfMillimetres)
{
    // A4 as a printer driver gives it: 2100 x 2970 tenths.
    EXPECT_EQ(rgFromTenthsOfMM(2100, utScreenPixels, rgHorizontal, nullptr), 794);
    EXPECT_EQ(rgFromTenthsOfMM(2970, utScreenPixels, rgVertical, nullptr), 1123);
    EXPECT_EQ(rgFromTenthsOfMM(2100, utMillimeters, rgHorizontal, nullptr), 210);
    EXPECT_EQ(rgFromTenthsOfMM(2100, utMMThousandths, rgHorizontal, nullptr), 210000);
    // Inches go through whole screen pixels: 794 px are 210080 thousandths, 8.2708 in.
    EXPECT_EQ(rgFromTenthsOfMM(2100, utInches, rgHorizontal, nullptr), 8.2708f);
    EXPECT_EQ(rgToTenthsOfMM(utInches, rgHorizontal, nullptr, 8.2708f), 2100);
    EXPECT_EQ(rgToTenthsOfMM(utScreenPixels, rgHorizontal, nullptr, 794), 2100);
    EXPECT_EQ(rgToTenthsOfMM(utMillimeters, rgHorizontal, nullptr, 210), 2100);
    EXPECT_EQ(rgToTenthsOfMM(utMMThousandths, rgHorizontal, nullptr, 210000), 2100);
    EXPECT_EQ(rgFromTenthsOfMM(2100, TrgUnitType(8), rgHorizontal, nullptr), 0);
    EXPECT_EQ(rgToTenthsOfMM(TrgUnitType(8), rgHorizontal, nullptr, 2100), 0);
}

TEST_F(Units, PositionListsInTheFormatSettings)
{
    TFormatSettings german;
    german.DecimalSeparator = u',';
    TStringList list;
    for (const char* s : {"25400", "12700", "tab", "1000"})
        list.Add(s);
    rgPositionsFromMMThousandths(list, utInches, rgHorizontal, nullptr, german);
    EXPECT_EQ(list.Text(), "1\r\n0,5\r\n0\r\n0,0394\r\n");

    rgPositionsToMMThousandths(list, utInches, rgHorizontal, nullptr, german);
    EXPECT_EQ(list.Text(), "25400\r\n12700\r\n0\r\n1001\r\n");  // 0.0394 in = 1000.76

    TFormatSettings point;
    point.DecimalSeparator = u'.';
    TStringList mm;
    mm.Add("1.25");
    mm.Add("1,25");  // not a number with this separator
    rgPositionsToMMThousandths(mm, utMillimeters, rgHorizontal, nullptr, point);
    EXPECT_EQ(mm.Text(), "1250\r\n0\r\n");
}

TEST_F(Units, PageDefinition)
{
    TrgPageDef a4;
    a4.mmWidth = 210000;
    a4.mmHeight = 297000;
    a4.mmMarginLeft = 6350;
    a4.mmMarginRight = 7350;
    a4.mmMarginTop = 10000;
    a4.mmMarginBottom = 12000;
    EXPECT_EQ(a4.mmPrintableWidth(), 210000 - 13700);
    EXPECT_EQ(a4.mmPrintableHeight(), 297000 - 22000);
    EXPECT_EQ(a4.PrintableRect(), (TRect{6350, 10000, 210000 - 7350, 297000 - 12000}));
    EXPECT_EQ(a4.spPaperWidth(), 794);
    EXPECT_EQ(a4.spPaperHeight(), 1123);
    EXPECT_EQ(a4.spPrintableWidth(), 742);  // 196300 thousandths: 742.2 px

    TrgPageDef copy;
    EXPECT_FALSE(copy == a4);
    copy.Assign(&a4);
    EXPECT_TRUE(copy == a4);
    copy.mmMarginBottom = 0;
    EXPECT_FALSE(copy == a4);
    TPersistent other;
    copy.Assign(&other);  // not a page definition: nothing is taken
    EXPECT_EQ(copy.mmWidth, 210000);
}

// ---- integers of any stored width ------------------------------------------

// The 10 stored bytes of an extended value, built from its parts by integer
// arithmetic: sign, 64-bit significand with the integer bit, exponent.
QByteArray Extended(bool negative, uint64_t significand, int exponent)
{
    QByteArray bytes;
    for (int i = 0; i < 8; ++i)
        bytes.append(char(significand >> (8 * i)));
    const unsigned top = unsigned(exponent + 16383) | (negative ? 0x8000u : 0u);
    bytes.append(char(top & 0xFF));
    bytes.append(char(top >> 8));
    return bytes;
}

// The same for a value that a long double holds exactly.
QByteArray Extended(long double v)
{
    if (v == 0)
        return QByteArray(10, '\0');
    int exponent = 0;
    const long double fraction = std::frexp(std::fabs(v), &exponent);  // [0.5, 1)
    const auto significand = uint64_t(std::ldexp(fraction, 64));
    return Extended(v < 0, significand, exponent - 1);
}

TEST(ReadIntegerValue, ExtendedBytesMatchTheProcessorsLayout)
{
    // Where long double is the 80-bit extended type, the test's encoder
    // must agree with it byte for byte.
    if constexpr (LDBL_MANT_DIG == 64) {
        for (long double v : {1.0L, -2.9L, 279400.75L, 2147483647.0L, 0.5L}) {
            char raw[sizeof(long double)] = {};
            std::memcpy(raw, &v, sizeof v);
            EXPECT_EQ(Extended(v), QByteArray(raw, 10)) << double(v);
        }
    } else {
        GTEST_SKIP() << "long double is not the 80-bit extended type here";
    }
}

TEST(ReadIntegerValue, EveryStoredWidth)
{
    struct Case {
        QByteArray stream;
        int expected;
    };
    const Case cases[] = {
        {QByteArray::fromHex("02ff"), -1},
        {QByteArray::fromHex("027f"), 127},
        {QByteArray::fromHex("030080"), -32768},
        {QByteArray::fromHex("03ff7f"), 32767},
        {QByteArray::fromHex("0478563412"), 0x12345678},
        {QByteArray::fromHex("04ffffffff"), -1},
        {QByteArray::fromHex("0400000080"), INT32_MIN},
        {"\x05" + Extended(1.0L), 1},
        {"\x05" + Extended(279400.75L), 279400},  // truncated toward zero
        {"\x05" + Extended(-279400.75L), -279400},
        {"\x05" + Extended(-2.9L), -2},
        {"\x05" + Extended(0.5L), 0},
        {"\x05" + Extended(-0.5L), 0},
        {"\x05" + Extended(0.0L), 0},
        {"\x05" + Extended(2147483647.5L), INT32_MAX},
        {"\x05" + Extended(-2147483648.0L), INT32_MIN},
        {"\x05" + Extended(-2147483648.75L), INT32_MIN},
        {"\x05" + Extended(false, 1, -16383), 0},  // denormal
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stream.toHex().toStdString());
        qsizetype pos = 0;
        EXPECT_EQ(rgReadIntegerValue(c.stream, pos), c.expected);
        EXPECT_EQ(pos, c.stream.size());
    }
}

TEST(ReadIntegerValue, ValuesAfterOneAnotherAtTheirPositions)
{
    const QByteArray stream = QByteArray::fromHex("02fe") + QByteArray::fromHex("03e803") + "\x05" +
                              Extended(12.0L) + QByteArray::fromHex("0401000000");
    qsizetype pos = 0;
    EXPECT_EQ(rgReadIntegerValue(stream, pos), -2);
    EXPECT_EQ(rgReadIntegerValue(stream, pos), 1000);
    EXPECT_EQ(rgReadIntegerValue(stream, pos), 12);
    EXPECT_EQ(rgReadIntegerValue(stream, pos), 1);
    EXPECT_EQ(pos, stream.size());
}

TEST(ReadIntegerValue, BadStreamsAreReadErrors)
{
    const QByteArray cases[] = {
        QByteArray(),                                 // nothing at all
        QByteArray::fromHex("00"),                    // value types outside 2 to 5
        QByteArray::fromHex("0100"),
        QByteArray::fromHex("0600"),
        QByteArray::fromHex("0b0000000000"),
        QByteArray::fromHex("ff"),
        QByteArray::fromHex("02"),                    // truncated values
        QByteArray::fromHex("0301"),
        QByteArray::fromHex("04010203"),
        "\x05" + Extended(1.0L).left(9),
        "\x05" + Extended(2147483648.0L),             // beyond the 32-bit range
        "\x05" + Extended(-2147483649.0L),
        "\x05" + Extended(1e300L),
        "\x05" + Extended(false, uint64_t(1) << 63, 16384),  // infinity
        "\x05" + Extended(true, ~uint64_t(0), 16384),        // not a number
    };
    for (const QByteArray& stream : cases) {
        SCOPED_TRACE(stream.toHex().toStdString());
        qsizetype pos = 0;
        EXPECT_THROW(rgReadIntegerValue(stream, pos), EReadError);
    }
}

TEST(ReadIntegerValue, EveryValueTypeOverShortStreamsReadsOrFails)
{
    // Any first byte followed by 0 to 10 bytes: a value or a read error,
    // never a read past the end (the sanitizer build watches this).
    std::map<int, int> valuesByType;
    for (int type = 0; type < 256; ++type) {
        for (int length = 0; length <= 10; ++length) {
            QByteArray stream(1, char(type));
            for (int i = 0; i < length; ++i)
                stream.append(char(0x41 + 37 * i + type));
            qsizetype pos = 0;
            try {
                rgReadIntegerValue(stream, pos);
                ++valuesByType[type];
                EXPECT_LE(pos, stream.size());
            } catch (const EReadError&) {
            }
        }
    }
    // Type 2 reads with 1 to 10 bytes, 3 with 2 to 10, 4 with 4 to 10; type 5
    // needs all 10, and the ten given to it make a number below 1, read as 0.
    EXPECT_EQ(valuesByType, (std::map<int, int>{{2, 10}, {3, 9}, {4, 7}, {5, 1}}));
}

TEST(ReadIntegerValue, ThroughAReaderCallback)
{
    const QByteArray stream = QByteArray::fromHex("03feff");
    int offset = 0;
    std::vector<int> requests;
    const int value = rgReadIntegerValue([&](void* buffer, int count) {
        requests.push_back(count);
        std::memcpy(buffer, stream.constData() + offset, size_t(count));
        offset += count;
    });
    EXPECT_EQ(value, -2);
    EXPECT_EQ(requests, (std::vector<int>{1, 2}));
}

}  // namespace
