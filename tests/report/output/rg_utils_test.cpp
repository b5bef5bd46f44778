// The engine's shared text, page-list, version, template and font routines.
#include "report/output/rg_utils.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "platform/core/exceptions.h"
#include "platform/core/run_temp_folder.h"
#include "platform/core/streams.h"
#include "platform/core/string_list.h"
#include "report/output/rg_strings.h"

namespace {

QStringList Entries(const TStringList& list)
{
    return list.ToQStringList();
}

QStringList PageList(const QString& text)
{
    TStringList list;
    list.Add(QStringLiteral("stale"));
    rgParsePageList(text, &list);
    return Entries(list);
}

class FixedClock : public testing::Test {
protected:
    void SetUp() override { SetClockForTests(EncodeDate(2026, 12, 9) + EncodeTime(14, 5, 9, 0)); }
    void TearDown() override { SetClockForTests(std::nullopt); }
};

}  // namespace

TEST(RgUtils, DisplayFormatSamplesPerDataType)
{
    TStringList list;
    rgGetDisplayFormatSamples(dtString, &list);
    ASSERT_EQ(list.Count(), 8);
    EXPECT_EQ(list[0], QStringLiteral("Phone") + QChar(1) + QStringLiteral("!\\(999\\)\\ 000\\-0000;0; "));
    EXPECT_EQ(list[7], QStringLiteral("Short Time") + QChar(1) + QStringLiteral("!90:00;0; "));

    for (TrgDataType number : {dtInteger, dtLongint, dtDouble}) {
        rgGetDisplayFormatSamples(number, &list);
        ASSERT_EQ(list.Count(), 9);
        EXPECT_EQ(list[3], QStringLiteral("($1,234.40)") + QChar(1) + QStringLiteral("$#,0.00;($#,0.00)"));
        EXPECT_EQ(list[8], QStringLiteral("-1234.40 %") + QChar(1) + QStringLiteral("0.00 %"));
    }

    rgGetDisplayFormatSamples(dtDate, &list);
    ASSERT_EQ(list.Count(), 9);
    EXPECT_EQ(list[3], QStringLiteral("4-Mar-95 ") + QChar(1) + QStringLiteral("d-mmm-yy"));
    const QStringList dates = Entries(list);

    rgGetDisplayFormatSamples(dtTime, &list);
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list[0], QStringLiteral("1:30 PM") + QChar(1) + QStringLiteral("h:nn AM/PM"));

    rgGetDisplayFormatSamples(dtDateTime, &list);
    ASSERT_EQ(list.Count(), 11);
    EXPECT_EQ(list[1], QStringLiteral("3/4/95 13:30:55") + QChar(1) + QStringLiteral("m/d/yy h:nn:ss"));
    EXPECT_EQ(Entries(list).mid(2), dates);

    for (TrgDataType none : {dtBoolean, dtBLOB, dtNotKnown, dtMemo, dtGraphic}) {
        list.Add(QStringLiteral("stale"));
        rgGetDisplayFormatSamples(none, &list);
        EXPECT_EQ(list.Count(), 0) << none;
    }
    rgGetDisplayFormatSamples(dtString, nullptr);  // no list: nothing to fill, no crash
}

TEST_F(FixedClock, CalcTextWithAndWithoutValues)
{
    const TDateTime printed = EncodeDate(2026, 1, 2) + EncodeTime(8, 30, 0, 0);
    struct Case {
        TrgCalcType type;
        bool haveValues;
        int languageBase;
        const char* text;
    };
    const Case cases[] = {
        {ctPageCount, true, rgEnglishBase, "12"},
        {ctPageCount, false, rgEnglishBase, "1"},
        {ctPageNo, true, rgEnglishBase, "3"},
        {ctPageNo, false, rgEnglishBase, "1"},
        {ctPageSet, true, rgEnglishBase, "3 of 12"},
        {ctPageSet, false, rgEnglishBase, "1 of 1"},
        {ctPageSetDesc, true, rgEnglishBase, "Page 3 of 12"},
        {ctPageSetDesc, true, rgGermanBase, "Seite 3 von 12"},
        {ctPageSetDesc, false, rgGermanBase, "Seite 1 von 1"},
        {ctPageNoDesc, true, rgGermanBase, "Seite 3"},
        {ctPageNoDesc, false, rgEnglishBase, "Page 1"},
        {ctDate, true, rgGermanBase, "09.12.2026"},
        {ctDateTime, true, rgGermanBase, "09.12.2026 14:05:09"},
        {ctPrintDateTime, true, rgGermanBase, "02.01.2026 08:30:00"},
        {ctPrintDateTime, false, rgGermanBase, "09.12.2026 14:05:09"},
        {ctTime, true, rgGermanBase, "14:05:09"},
    };
    for (const Case& c : cases) {
        QString text = QStringLiteral("vorher");
        rgGetCalcText(c.type, 3, 12, text, c.haveValues, c.languageBase, printed);
        EXPECT_EQ(text, QString::fromUtf8(c.text)) << c.type << " " << c.haveValues;
    }
    QString custom = QStringLiteral("eigener Text");
    rgGetCalcText(ctCustom, 3, 12, custom, true, rgGermanBase, printed);
    EXPECT_EQ(custom, QStringLiteral("eigener Text"));
}

TEST(RgUtils, FixedLengthText)
{
    struct Case {
        const char* text;
        int length;
        TAlignment alignment;
        const char* result;
    };
    const Case cases[] = {
        {"abc", 8, taCenter, "  abc   "},
        {"abc", 8, taLeftJustify, "abc     "},
        {"abc", 8, taRightJustify, "     abc"},
        {"abcd", 7, taCenter, " abcd  "},
        {"abcdef", 3, taLeftJustify, "abc"},
        {"abcdef", 3, taRightJustify, "abc"},
        {"abc", 3, taCenter, "abc"},
        {"", 2, taCenter, "  "},
        {"abc", 0, taLeftJustify, ""},
        {"abc", -4, taRightJustify, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(rgFixedLengthText(QString::fromUtf8(c.text), c.length, c.alignment), QString::fromUtf8(c.result))
            << c.text << " " << c.length << " " << c.alignment;
}

TEST(RgUtils, PageListsHoldDistinctPagesInOrder)
{
    struct Case {
        const char* text;
        QStringList pages;
    };
    const Case cases[] = {
        {"1,3,5-7", {"1", "3", "5", "6", "7"}},
        {"5-3", {"3", "5"}},
        {"2,2,2", {"2"}},
        {"12, 3 ;9", {"3", "9", "12"}},
        {"10-12,11", {"10", "11", "12"}},
        {"-4", {"4"}},
        {"4-", {"4"}},
        {"1-3-5", {"1", "2", "3", "4", "5"}},
        {"x7y", {"7"}},
        {"", {}},
        {"abc", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PageList(QString::fromUtf8(c.text)), c.pages) << c.text;
    rgParsePageList(QStringLiteral("1"), nullptr);
}

TEST(RgUtils, HugePageRangesAreCapped)
{
    const QStringList pages = PageList(QStringLiteral("1-2000000000"));
    ASSERT_EQ(pages.size(), rgMaxPageListEntries);
    // The range's end (capped) is taken first, then the pages from its start
    // until the list is full.
    EXPECT_EQ(pages.first(), QStringLiteral("1"));
    EXPECT_EQ(pages[pages.size() - 2], QString::number(rgMaxPageListEntries - 1));
    EXPECT_EQ(pages.last(), QString::number(rgMaxPageNumber));

    const QStringList long_number = PageList(QStringLiteral("99999999999999999999999999"));
    EXPECT_EQ(long_number, QStringList{QString::number(rgMaxPageNumber)});

    // The capped list still takes the single pages named before the range.
    const QStringList mixed = PageList(QStringLiteral("7,3-2000000000"));
    EXPECT_EQ(mixed.size(), rgMaxPageListEntries);
    EXPECT_EQ(mixed.first(), QStringLiteral("3"));
}

TEST(RgUtils, VersionNumbers)
{
    const std::pair<const char*, int> cases[] = {
        {"3.52", 3520}, {"10.1", 1010}, {"3", 3000}, {"1.0", 1000}, {"3.5.2", 3500},
        {"4.01 Build 7", 4010}, {"", 0}, {"Version", 0}, {".5", 5000}, {"12345", 12345},
        {"99999999999999999999", INT_MAX},
    };
    for (const auto& [text, number] : cases)
        EXPECT_EQ(rgVersionToNumber(QString::fromUtf8(text)), number) << text;
}

TEST(RgUtils, StringsToStreamInWindows1252WithCrLf)
{
    TStringList lines;
    lines.Add(QStringLiteral("Größe"));
    lines.Add(QString());
    lines.Add(QStringLiteral("€ 5"));
    TMemoryStream stream;
    stream.Write("old contents", 12);
    rgSaveStringsToStream(&lines, &stream);
    EXPECT_EQ(stream.Bytes(), QByteArray("Gr\xF6\xDF" "e\r\n\r\n\x80 5\r\n"));

    lines.Add(QStringLiteral("Ω"));
    EXPECT_THROW(rgSaveStringsToStream(&lines, &stream), EEncodingError);
    rgSaveStringsToStream(nullptr, &stream);
    rgSaveStringsToStream(&lines, nullptr);
}

TEST(RgUtils, SmallTextAndNumberHelpers)
{
    TStringList stops;
    stops.Add(QStringLiteral("12.5"));
    stops.Add(QStringLiteral("7"));
    rgFixDecimalSeparators(&stops);
    EXPECT_EQ(Entries(stops), (QStringList{"12,5", "7"}));
    TFormatSettings point;
    point.DecimalSeparator = u'.';
    stops.SetStrings(0, QStringLiteral("1.5"));
    rgFixDecimalSeparators(&stops, point);
    EXPECT_EQ(stops[0], QStringLiteral("1.5"));

    EXPECT_EQ(rgExtractPath(QStringLiteral("C:\\Berichte\\liste.rtm")), QStringLiteral("C:\\Berichte\\"));
    EXPECT_EQ(rgExtractPath(QStringLiteral("liste.rtm")), QString());

    EXPECT_FLOAT_EQ(rgScaleToFit(200, 100, 100, 100), 0.5f);
    EXPECT_FLOAT_EQ(rgScaleToFit(100, 400, 100, 100), 0.25f);
    EXPECT_FLOAT_EQ(rgScaleToFit(10, 10, 30, 40), 3.0f);
    EXPECT_EQ(rgScaleToFit(0, 10, 30, 40), 0.0f);
    EXPECT_EQ(rgScaleToFit(10, -1, 30, 40), 0.0f);
}

TEST(RgUtils, TempFilesAreCreatedUniqueInTheGivenFolder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString first = rgGetTempFileName(dir.path(), QStringLiteral("cache"));
    const QString second = rgGetTempFileName(dir.path() + u'/', QStringLiteral("cache"));
    ASSERT_FALSE(first.isEmpty());
    EXPECT_NE(first, second);
    for (const QString& name : {first, second}) {
        const QFileInfo info(name);
        EXPECT_TRUE(info.exists());
        EXPECT_EQ(info.size(), 0);
        EXPECT_EQ(info.absolutePath(), QFileInfo(dir.path()).absoluteFilePath());
        // Three letters of the prefix, then the unique part: "cac-k3j9x0qa.tmp".
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^cac-[0-9a-z]{8}\\.tmp$")).match(info.fileName()).hasMatch())
            << name.toStdString();
    }
    EXPECT_TRUE(rgGetTempPath().endsWith(u'/'));
    EXPECT_TRUE(rgGetTempFileName(dir.path() + QStringLiteral("/fehlt"), QStringLiteral("arc")).isEmpty());
}

// The temporaries of a run (archive pages, page caches) go into the run's
// own folder, which the next start clears when the run was killed.
TEST(RgUtils, TempFilesOfARunGoIntoItsOwnFolder)
{
    const QString folder = rgGetTempPath();
    EXPECT_EQ(folder, RunTempFolder() + u'/');
    EXPECT_EQ(QFileInfo(RunTempFolder()).absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
    EXPECT_TRUE(QFileInfo(RunTempFolder()).fileName().startsWith(QStringLiteral("lumadex-%1-").arg(::getpid())));
    const QString arc = rgGetTempFileName(QString(), QStringLiteral("arc"));
    EXPECT_EQ(QFileInfo(arc).absolutePath() + u'/', folder);
    QFile::remove(arc);
}

TEST(RgUtils, OlderTextTemplatesGetFloatLengths)
{
    TStringList lines;
    lines.SetText(QStringLiteral(
        "object rgReport1: TrgReport\n"
        "  AutoStop = False\n"
        "  ColumnWidth = 203200\n"
        "  PaperHeight = 279401\n"
        "  PaperWidth = 215900.5\n"
        "  RowSpacing = 0\n"
        "  Left = 10\n"
        "  Version = '3.52'\n"
        "  object rgHeaderBand1: TrgHeaderBand\n"
        "    Height = 13229\n"
        "    object rgLabel1: TrgLabel\n"
        "      Left = 3175\n"
        "      Top = 0\n"
        "      Width = 1.5\n"
        "      mmLeft = 3175\n"
        "    end\n"
        "  end\n"
        "end\n"));
    EXPECT_TRUE(rgConvertTextTemplate(lines));
    EXPECT_EQ(lines.Text(), QStringLiteral(
        "object rgReport1: TrgReport\r\n"
        "  AutoStop = False\r\n"
        "  ColumnWidth = 203200.0\r\n"
        "  PaperHeight = 279401.0\r\n"
        "  PaperWidth = 215900.5\r\n"
        "  RowSpacing = 0.0\r\n"
        "  Left = 10\r\n"
        "  Version = '3.52'\r\n"
        "  object rgHeaderBand1: TrgHeaderBand\r\n"
        "    Height = 13229.0\r\n"
        "    object rgLabel1: TrgLabel\r\n"
        "      Left = 3175.0\r\n"
        "      Top = 0.0\r\n"
        "      Width = 1.5\r\n"
        "      mmLeft = 3175\r\n"
        "    end\r\n"
        "  end\r\n"
        "end\r\n"));
}

TEST(RgUtils, TemplateHeaderWithoutSomeKeys)
{
    // No column width: a property past "C" skips that key. No row spacing:
    // the first property past "R" ends the header, and it may hold the version.
    TStringList lines;
    lines.SetText(QStringLiteral(
        "object rgReport1: TrgReport\n"
        "  DeviceType = 'Screen'\n"
        "  PaperHeight = 100\n"
        "  PaperWidth = 200\n"
        "  Units = utInches\n"
        "  Version = '2.0'\n"
        "  object rgShape1: TrgShape\n"
        "    Top = 7\n"
        "  end\n"
        "end\n"));
    rgConvertTextTemplate(lines);
    EXPECT_EQ(Entries(lines), (QStringList{
        "object rgReport1: TrgReport", "  DeviceType = 'Screen'", "  PaperHeight = 100.0",
        "  PaperWidth = 200.0", "  Units = utInches", "  Version = '2.0'",
        "  object rgShape1: TrgShape", "    Top = 7.0", "  end", "end"}));

    // Without a version line no component length is touched.
    TStringList noVersion;
    noVersion.SetText(QStringLiteral("object r: TrgReport\n  object l: TrgLabel\n    Left = 5\n  end\nend\n"));
    const QString before = noVersion.Text();
    rgConvertTextTemplate(noVersion);
    EXPECT_EQ(noVersion.Text(), before);
}

TEST(RgUtils, PrinterFontNames)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Courier", "Liberation Mono"},
        {"MS Serif", "Liberation Mono"},
        {"Courier New", "Liberation Mono"},
        {"Fixedsys", "Liberation Sans"},
        {"Modern", "Liberation Sans"},
        {"MS Sans Serif", "Liberation Sans"},
        {"Small Fonts", "Liberation Sans"},
        {"System", "Liberation Sans"},
        {"Terminal", "Liberation Sans"},
        {"Arial", "Liberation Sans"},
        {"Arial Narrow", "Liberation Sans Narrow"},
        {"Times New Roman", "Liberation Serif"},
        {"DejaVu Sans", "DejaVu Sans"},
        {"courier", "courier"},
        {"", ""},
    };
    for (const auto& [screen, printer] : cases)
        EXPECT_EQ(rgGetPrinterFontName(QString::fromUtf8(screen)), QString::fromUtf8(printer)) << screen;
}
