// Reading rich text: what each part of the format becomes in the document,
// and damaged input read as far as it goes.
#include "report/output/rg_rtf_reader.h"

#include <gtest/gtest.h>

#include <QTextDocument>

#include "rich_text_dump.h"

namespace {

QString Read(const QByteArray& rtf, TrgRtfReadResult* result = nullptr)
{
    QTextDocument document;
    TrgRtfCharState defaults;
    defaults.FontName = "Arial";
    const TrgRtfReadResult r = rgReadRtf(rtf, document, defaults);
    if (result)
        *result = r;
    return rgtest::DumpDocument(document);
}

struct ReadCase {
    const char* Name;
    QByteArray Rtf;
    QString Expected;
};

class RtfReadTest : public testing::TestWithParam<ReadCase> {};

TEST_P(RtfReadTest, GivesTheDocument)
{
    TrgRtfReadResult result;
    EXPECT_EQ(Read(GetParam().Rtf, &result), GetParam().Expected);
    EXPECT_TRUE(result.Complete);
    EXPECT_FALSE(result.TooDeep);
}

const char* kTables = "{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\froman Times New Roman;}}"
                      "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green128\\blue0;}";

QByteArray Doc(const QByteArray& body)
{
    return "{\\rtf1\\ansi\\deff0" + QByteArray(kTables) + body + "}";
}

INSTANTIATE_TEST_SUITE_P(
    Format, RtfReadTest,
    testing::Values(
        ReadCase{"Plain", Doc("Hallo Welt"), "[Hallo Welt]"},
        ReadCase{"Styles", Doc("a\\b b\\b0 \\i c\\i0 \\ul d\\ulnone \\strike e\\strike0 f"),
                 "[a][b]b[c]i[d]u[e]s[f]"},
        ReadCase{"ToggleWithZero", Doc("\\b x\\b0 y\\ul z\\ul0 w"), "[x]b[y][z]u[w]"},
        ReadCase{"SizeAndFont", Doc("\\fs20 a\\f1 b\\fs32 c"),
                 "[a]fs20[b]f=Times New Roman,fs20[c]f=Times New Roman,fs32"},
        ReadCase{"Colours", Doc("\\cf1 r\\cf2 g\\cf0 a\\cf9 x"), "[r]#ff0000[g]#008000[ax]"},
        ReadCase{"GroupsRestoreFormatting", Doc("a{\\b b{\\i c}d}e"), "[a][b]b[c]b,i[d]b[e]"},
        ReadCase{"Paragraphs", Doc("eins\\par zwei\\par\\par drei"), "[eins] | [zwei] |  | [drei]"},
        ReadCase{"FinalParagraphMark", Doc("eins\\par "), "[eins] | "},
        ReadCase{"Alignment", Doc("\\qc mitte\\par\\qr rechts\\par\\qj block\\par\\pard links"),
                 "C:[mitte] | R:[rechts] | J:[block] | [links]"},
        ReadCase{"AlignmentOfTheParagraphMark", Doc("{\\pard\\qc Titel\\par}Text"), "C:[Titel] | [Text]"},
        ReadCase{"PlainResets", Doc("\\b\\i\\f1\\fs40\\cf1 x\\plain y"), "[x]f=Times New Roman,fs40,b,i,#ff0000[y]"},
        ReadCase{"TabAndLine", Doc("a\\tab b\\line c"), QString("[a\tb") + QChar(0x2028) + "c]"},
        ReadCase{"EscapedSymbols", Doc("\\\\ \\{ \\} a\\~b"), QString("[\\ { } a") + QChar(0xA0) + "b]"},
        ReadCase{"Win1252Escapes", Doc("\\'e4\\'f6\\'fc\\'df\\'80\\'84"),
                 QString("[") + QString::fromUtf8("äöüß€„") + "]"},
        ReadCase{"RawWin1252Bytes", Doc("gr\xfc\xdf"), QString::fromUtf8("[grüß]")},
        ReadCase{"UnicodeWithFallback", Doc("\\u8364?\\u945?x"), QString::fromUtf8("[€αx]")},
        ReadCase{"UnicodeFallbackCount", Doc("\\uc2\\u8364\\'80\\'80x\\uc0\\u946 y"), QString::fromUtf8("[€xβy]")},
        ReadCase{"UnicodeFallbackEndsAtGroup", Doc("{\\uc3\\u8364 a}b"), QString::fromUtf8("[€b]")},
        ReadCase{"UnicodeNegative", Doc("\\u-4064?"), QString("[") + QChar(0xF020) + "]"},
        ReadCase{"SurrogatePair", Doc("\\u-10179?\\u-8694?"), QString::fromUtf8("[😊]")},
        ReadCase{"LoneSurrogate", Doc("\\u-10179?x"), QString("[") + QChar(0xFFFD) + "x]"},
        ReadCase{"IgnorableDestination", Doc("a{\\*\\generator Foo 1.0;}{\\*\\unknown{\\b text}}b"), "[ab]"},
        ReadCase{"SkippedDestinations",
                 Doc("{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}{\\author A}}{\\pict\\pngblip 89504e47}x"),
                 "[x]"},
        ReadCase{"FieldResultKept", Doc("{\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt Link}}"), "[Link]"},
        ReadCase{"UnknownWordsPassedOver", Doc("a\\foo\\bar12 b{\\xyz c}"), "[abc]"},
        ReadCase{"LineEndsOfTheFileAreNoText", Doc("ab\r\ncd\n"), "[abcd]"},
        ReadCase{"DefaultFontAfterItsTable",
                 "{\\rtf1\\deff1{\\fonttbl{\\f0 Courier New;}{\\f1 Times New Roman;}}x\\f0 y\\plain z}",
                 "[x]f=Times New Roman[y]f=Courier New[z]f=Times New Roman"},
        ReadCase{"UngroupedFontTable", "{\\rtf1{\\fonttbl\\f0\\fnil Verdana;\\f1\\fnil Tahoma;}\\f1 x}",
                 "[x]f=Tahoma"},
        ReadCase{"FontNameWithEscape", "{\\rtf1{\\fonttbl{\\f0 Gr\\'fcn{\\*\\falt Green};}}\\f0 x}",
                 QString::fromUtf8("[x]f=Grün")},
        ReadCase{"EmptyDocument", "{\\rtf1}", ""},
        ReadCase{"TextAfterTheDocumentIgnored", Doc("a") + "b}{c", "[a]"},
        ReadCase{"BinarySkipped", Doc("a\\bin3 {}\\b"), "[ab]"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(RtfReadTest, EmptyParagraphKeepsItsSize)
{
    QTextDocument document;
    rgReadRtf(Doc("\\fs40 a\\par\\par b"), document, {});
    const QTextBlock empty = document.begin().next();
    ASSERT_EQ(empty.length(), 1);
    EXPECT_EQ(TrgRtfCharState::FromFormat(empty.charFormat()).HalfPoints, 40);
}

TEST(RtfReadTest, DefaultTabWidth)
{
    QTextDocument document;
    EXPECT_EQ(rgReadRtf(Doc("x"), document).DefaultTabTwips, rgRtfDefaultTabTwips);
    EXPECT_EQ(rgReadRtf("{\\rtf1\\deftab1134 x}", document).DefaultTabTwips, 1134);
}

TEST(RtfReadTest, LayoutSizeAndPrinterFont)
{
    QTextDocument document;
    rgReadRtf(Doc("\\fs21 x"), document);
    const QTextCharFormat format = document.begin().begin().fragment().charFormat();
    // 10.5 points at 1200 units per inch.
    EXPECT_EQ(format.intProperty(QTextFormat::FontPixelSize), 175);
    EXPECT_EQ(format.fontFamilies().toStringList(), QStringList{"Liberation Sans"});
    EXPECT_EQ(format.stringProperty(rgRtfFontNameProperty), "Arial");
    for (int halfPoints : {1, 7, 15, 16, 21, 24, 25, 99, 144, 3276})
        EXPECT_EQ(rgLayoutPixelsToHalfPoints(rgHalfPointsToLayoutPixels(halfPoints)), halfPoints);
}

TEST(RtfReadTest, IsRichText)
{
    EXPECT_TRUE(rgIsRichText("{\\rtf1 x}"));
    EXPECT_TRUE(rgIsRichText("{\\rtf"));
    for (const char* text : {"", "rtf", " {\\rtf1}", "{\\RTF1}", "{\\rt", "Hallo"})
        EXPECT_FALSE(rgIsRichText(text)) << text;
}

// Damaged input: read as far as it goes, never more than the input holds.
struct DamagedCase {
    const char* Name;
    QByteArray Rtf;
    QString Expected;
    bool Complete;
};

class RtfDamagedTest : public testing::TestWithParam<DamagedCase> {};

TEST_P(RtfDamagedTest, ReadsWhatItCan)
{
    TrgRtfReadResult result;
    EXPECT_EQ(Read(GetParam().Rtf, &result), GetParam().Expected);
    EXPECT_EQ(result.Complete, GetParam().Complete);
}

INSTANTIATE_TEST_SUITE_P(
    Input, RtfDamagedTest,
    testing::Values(DamagedCase{"GroupsLeftOpen", "{\\rtf1 abc{\\b def", "[abc][def]b", false},
                    DamagedCase{"ExtraClosingBrace", "{\\rtf1 a}}b", "[a]", true},
                    DamagedCase{"EndsInBackslash", "{\\rtf1 ab\\", "[ab]", false},
                    DamagedCase{"EndsInHexEscape", "{\\rtf1 ab\\'4", "[ab]", false},
                    DamagedCase{"HexEscapeWithoutDigits", "{\\rtf1 a\\'zz}", "[azz]", true},
                    DamagedCase{"EndsInWord", "{\\rtf1 ab\\fs", "[ab]", false},
                    DamagedCase{"EndsInFontTable", "{\\rtf1{\\fonttbl{\\f0 Ari", "", false},
                    DamagedCase{"HugeBinary", "{\\rtf1 a\\bin99999999999999 xyz}", "[a]", false},
                    DamagedCase{"NegativeBinary", "{\\rtf1 a\\bin-5 xyz}", "[axyz]", true},
                    DamagedCase{"HugeParameters",
                                "{\\rtf1\\fs99999999999999999999 a\\cf-99999999999 b\\uc999999 \\u99999999 "
                                "cdefghijklmnopqrstuvwxyz}",
                                QString("[ab") + QChar(0xFFFD) + "stuvwxyz]fs3276", true},
                    DamagedCase{"OverlongWord", "{\\rtf1 a\\" + QByteArray(5000, 'b') + " c}", "[ac]", true},
                    DamagedCase{"OverlongParameter", "{\\rtf1 a\\fs" + QByteArray(5000, '9') + " c}", "[a][c]fs3276", true},
                    DamagedCase{"ControlBytes", QByteArray("{\\rtf1 a\x01\x02\0b}", 13), "[ab]", true},
                    DamagedCase{"UnknownColourAndFont", "{\\rtf1\\f7\\cf3 x}", "[x]", true}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(RtfDamagedTest, DeepNestingKeepsTheText)
{
    const int depth = 200000;
    const QByteArray rtf = "{\\rtf1 a" + QByteArray(depth, '{') + "\\b x" + QByteArray(depth, '}') + "b}";
    TrgRtfReadResult result;
    EXPECT_EQ(Read(rtf, &result), "[a][x]b[b]");
    EXPECT_TRUE(result.TooDeep);
    EXPECT_TRUE(result.Complete);
}

TEST(RtfDamagedTest, FormattingInsideTooDeepGroupsEndsWithTheDeepestKept)
{
    // Groups past the limit share the formatting of the deepest kept group;
    // when that one closes, the formatting before it is back.
    const QByteArray open(rgRtfMaxGroupDepth + 5, '{');
    const QByteArray close(rgRtfMaxGroupDepth + 5, '}');
    const QByteArray rtf = "{\\rtf1 a" + open + "\\i x}\\b y" + close.sliced(1) + "z}";
    TrgRtfReadResult result;
    EXPECT_EQ(Read(rtf, &result), "[a][x]i[y]b,i[z]");
    EXPECT_TRUE(result.TooDeep);
}

TEST(RtfDamagedTest, NestingUpToTheLimitIsNotTooDeep)
{
    // The outer group is one level; the limit counts every group.
    const QByteArray open(rgRtfMaxGroupDepth - 1, '{');
    const QByteArray close(rgRtfMaxGroupDepth - 1, '}');
    TrgRtfReadResult result;
    EXPECT_EQ(Read("{\\rtf1 " + open + "\\b x" + close + "y}", &result), "[x]b[y]");
    EXPECT_FALSE(result.TooDeep);
}

}  // namespace
