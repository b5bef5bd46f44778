// Word wrap on a measure with fixed advances (100 units a character, lines
// 200 units high), and the real font measure.
#include "report/output/rg_word_wrap.h"

#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>
#include <QRandomGenerator>

#include "fake_text_measure.h"
#include "show_lines.h"
#include "platform/core/string_list.h"
#include "report/output/rg_units.h"

namespace {

// Thousandths of a millimetre that convert to exactly Units on the measure.
int MM(const TrgTextMeasure& measure, int units)
{
    const int mm = rgToMMThousandths(utPrinterPixels, rgVertical, &measure, float(units));
    EXPECT_EQ(int(rgFromMMThousandths(mm, utPrinterPixels, rgVertical, &measure)), units);
    return mm;
}

struct Layout {
    QStringList lines;
    int position = 0;
};

// Lays Text out in a rectangle Chars characters wide and Rows lines high.
Layout Wrap(const QString& text, int chars, int rows, bool charWrap = false, int position = 0,
            const TStringList* tabStops = nullptr)
{
    TFakeTextMeasure measure;
    const TRect rect{1000, 2000, 1000 + MM(measure, chars * TFakeTextMeasure::kAdvance),
                     2000 + MM(measure, rows * TFakeTextMeasure::kHeight)};
    TStringList lines;
    lines.Add(QStringLiteral("stale"));
    Layout result;
    result.position = position;
    rgWordWrap(text, rect, TFont(), 0, true, lines, tabStops, measure, result.position, charWrap);
    result.lines = lines.ToQStringList();
    return result;
}

// Every page of a text, one call per rectangle, as a memo prints across pages.
QStringList WrapAcrossPages(const QString& text, int chars, int rows, bool charWrap)
{
    QStringList all;
    int position = 0;
    for (int page = 0; page < 1000 && position != -1; ++page) {
        const Layout layout = Wrap(text, chars, rows, charWrap, position);
        EXPECT_TRUE(layout.position == -1 || layout.position > position) << "no progress at " << position << " in " << ShowLines({text}) << " chars " << chars << " rows " << rows;
        all += layout.lines;
        position = layout.position;
    }
    EXPECT_EQ(position, -1);
    return all;
}

}  // namespace

TEST(RgWordWrap, NextWordAndRemoveChar)
{
    struct Case {
        const char* text;
        int position;
        const char* word;
        int next;
    };
    const Case cases[] = {
        {"ab cd", 0, "ab ", 3},
        {"ab cd", 3, "cd", -1},
        {"ab\tcd", 0, "ab\t", 3},
        {"ab\r\ncd", 0, "ab\r\n", 4},
        {"ab\rcd ", 0, "ab\rcd ", 6},
        {"   ", 1, " ", 2},
        {"abc", 1, "bc", -1},
        {"abc", 3, "", -1},
        {"abc", -1, "", -1},
    };
    for (const Case& c : cases) {
        int position = c.position;
        EXPECT_EQ(rgGetNextWord(QString::fromUtf8(c.text), position), QString::fromUtf8(c.word)) << c.text;
        EXPECT_EQ(position, c.next) << c.text;
    }
    EXPECT_EQ(rgRemoveChar(QStringLiteral("a\rb\r\rc"), u'\r'), QStringLiteral("abc"));
    EXPECT_EQ(rgRemoveChar(QStringLiteral("abc"), u'x'), QStringLiteral("abc"));
}

TEST(RgWordWrap, TabStopsInPixels)
{
    TFakeTextMeasure measure;
    TStringList positions;
    for (const char* entry : {"25400", "12,5", "x", "-2540", "50800", "$10"})
        positions.Add(QString::fromUtf8(entry));
    // 25400 thousandths: 1200 units on the measure, 96 screen pixels.
    EXPECT_EQ(rgTabStopsToPixels(utPrinterPixels, &positions, &measure), (std::vector<int>{1200, -120, 2400, 1}));
    EXPECT_EQ(rgTabStopsToPixels(utScreenPixels, &positions, &measure), (std::vector<int>{96, -10, 192, 0}));
    EXPECT_TRUE(rgTabStopsToPixels(utMillimeters, &positions, &measure).empty());
    EXPECT_TRUE(rgTabStopsToPixels(utPrinterPixels, nullptr, &measure).empty());

    // More than a hundred stops are all kept.
    TStringList many;
    for (int i = 1; i <= 250; ++i)
        many.Add(QString::number(i * 1000));
    EXPECT_EQ(rgTabStopsToPixels(utPrinterPixels, &many, &measure).size(), 250u);
}

TEST(RgWordWrap, TabbedTextWidth)
{
    TFakeTextMeasure measure;
    struct Case {
        const char* text;
        std::vector<int> stops;
        double width;
    };
    const Case cases[] = {
        {"abc", {}, 300},
        {"ab cd", {}, 500},
        {"ab\tc", {500}, 600},             // one stop: its multiples
        {"abcdef\tg", {500}, 1100},
        {"ab\tc", {}, 900},                // no stops: eight average characters
        {"ab\tc\td", {300, 700}, 800},     // the next stop right of the pen
        {"ab\tc\td", {700, 300}, 800},     // in any order
        {"abcdefgh\tg", {300, 500}, 1700}, // past the last stop: the default again
        {"\t", {}, 800},
        {"", {}, 0},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(rgTabbedTextWidth(QString::fromUtf8(c.text), measure, c.stops), c.width) << c.text;
    EXPECT_TRUE(rgTextExceedsWidth(QStringLiteral("abcd"), 399, measure, {}));
    EXPECT_FALSE(rgTextExceedsWidth(QStringLiteral("abcd"), 400, measure, {}));
}

TEST(RgWordWrap, LineMetrics)
{
    TFakeTextMeasure measure;
    int lineHeight = 0;
    EXPECT_EQ(rgGetLineMetrics(TFont(), 0, MM(measure, 650), lineHeight, measure), 3);
    EXPECT_EQ(lineHeight, MM(measure, 200));
    EXPECT_EQ(rgGetLineMetrics(TFont(), MM(measure, 40), MM(measure, 650), lineHeight, measure), 2);
    EXPECT_EQ(lineHeight, MM(measure, 240));
    EXPECT_EQ(rgGetLineMetrics(TFont(), 0, MM(measure, 199), lineHeight, measure), 0);
    EXPECT_EQ(rgGetLineMetrics(TFont(), 0, -5000, lineHeight, measure), 0);
    EXPECT_GE(measure.FontsSet, 1);
}

TEST(RgWordWrap, LinesOfOneRectangle)
{
    struct Case {
        const char* name;
        QString text;
        int chars;
        bool charWrap;
        QStringList lines;
    };
    const Case cases[] = {
        {"words", "aaaa bbbb cccc", 10, false, {"aaaa bbbb", "cccc"}},
        {"a line counts its trailing blank", "aaaa bbbbb cc", 10, false, {"aaaa", "bbbbb cc"}},
        {"paragraphs", "ab\r\ncd\r\n\r\nef", 10, false, {"ab", "cd", "", "ef"}},
        {"bare line feeds", "ab\ncd", 10, false, {"ab", "cd"}},
        {"final paragraph end", "ab\r\n", 10, false, {"ab"}},
        {"wide word alone", "xxxxxxxxxxxxxxx yy", 10, false, {"xxxxxxxxxxxxxxx", "yy"}},
        {"wide word after words", "ab xxxxxxxxxxxxxxx yy", 10, false, {"ab", "xxxxxxxxxxxxxxx", "yy"}},
        {"wide word cut, its rest goes on", "xxxxxxxxxxxxxxx yy", 10, true, {"xxxxxxxxxx", "xxxxx yy"}},
        {"wide word cut after words", "ab xxxxxxxxxxxxxxxxxxxxxxxx cd", 10, true,
         {"ab", "xxxxxxxxxx", "xxxxxxxxxx", "xxxx cd"}},
        {"cut at a paragraph end", "xxxxxxxxxxxx\r\nyy", 5, true, {"xxxxx", "xxxxx", "xx", "yy"}},
        {"cut into single characters", "abc", 0, true, {"a", "b", "c"}},
        {"blanks after a wrap go", "aaaa   bbbb", 5, false, {"aaaa", "bbbb"}},
        {"blanks before a paragraph end after a wrap", "aaaa bbbb   \r\ncc", 5, false, {"aaaa", "bbbb", "cc"}},
        {"blanks before a wide word", "   xxxxxxx", 5, false, {"xxxxxxx"}},
        {"blanks of a paragraph stay", "  ab", 10, false, {"  ab"}},
        {"trailing tab stripped", "ab\t\r\ncd", 10, false, {"ab", "cd"}},
        {"zero characters removed", QString("a") + QChar(0) + "b c", 10, false, {"ab c"}},
    };
    for (const Case& c : cases) {
        const Layout layout = Wrap(c.text, c.chars, 20, c.charWrap);
        EXPECT_EQ(layout.lines, c.lines) << c.name;
        EXPECT_EQ(layout.position, -1) << c.name;
    }
}

TEST(RgWordWrap, FullRectangleTellsWhereToGoOn)
{
    const QString text = QStringLiteral("aaaa bbbb cccc dddd eeee");
    Layout first = Wrap(text, 5, 2);
    EXPECT_EQ(first.lines, (QStringList{"aaaa", "bbbb"}));
    EXPECT_EQ(first.position, 10);
    Layout second = Wrap(text, 5, 2, false, first.position);
    EXPECT_EQ(second.lines, (QStringList{"cccc", "dddd"}));
    Layout third = Wrap(text, 5, 2, false, second.position);
    EXPECT_EQ(third.lines, (QStringList{"eeee"}));
    EXPECT_EQ(third.position, -1);

    // The word that overflowed the last line ended a paragraph: the next
    // rectangle starts with that word, nothing lost or repeated.
    const QString paragraphs = QStringLiteral("aaaa bbbb\r\ncccc");
    Layout top = Wrap(paragraphs, 5, 1);
    EXPECT_EQ(top.lines, QStringList{"aaaa"});
    EXPECT_EQ(top.position, 5);
    EXPECT_EQ(Wrap(paragraphs, 5, 5, false, top.position).lines, (QStringList{"bbbb", "cccc"}));

    // A word cut by character wrap goes on with its rest.
    const QString cut = QStringLiteral("xxxxxxxxxxyyyyyyyyyyzz\r\nend");
    Layout pieces = Wrap(cut, 10, 2, true);
    EXPECT_EQ(pieces.lines, (QStringList{"xxxxxxxxxx", "yyyyyyyyyy"}));
    EXPECT_EQ(pieces.position, 20);
    EXPECT_EQ(Wrap(cut, 10, 5, true, pieces.position).lines, (QStringList{"zz", "end"}));
}

TEST(RgWordWrap, PagesTogetherEqualOneTallRectangle)
{
    const QString texts[] = {
        QStringLiteral("Die Bilder des Sommers\r\nzeigen das Meer, die Berge und\r\n\r\nviele Freunde am Strand."),
        QStringLiteral("eins zwei drei\r\nvier\r\nfünf sechs sieben acht neun zehn\r\n"),
        QStringLiteral("Donaudampfschifffahrtsgesellschaftskapitän und Kapitänsmütze\nEnde"),
        QStringLiteral("a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng"),
        QStringLiteral("    eingerückt   mit   vielen   Leerzeichen    "),
    };
    for (const QString& text : texts) {
        for (bool charWrap : {false, true}) {
            const Layout whole = Wrap(text, 12, 1000, charWrap);
            ASSERT_EQ(whole.position, -1);
            for (int rows : {1, 2, 3})
                EXPECT_EQ(WrapAcrossPages(text, 12, rows, charWrap), whole.lines)
                    << text.toStdString() << " rows " << rows << " charWrap " << charWrap;
        }
    }
}

TEST(RgWordWrap, NoRoomLeavesThePositionNoTextEndsIt)
{
    Layout low = Wrap(QStringLiteral("aaaa bbbb"), 10, 0, false, 3);
    EXPECT_TRUE(low.lines.isEmpty());
    EXPECT_EQ(low.position, 3);

    TFakeTextMeasure measure;
    const TRect halfLine{0, 0, MM(measure, 1000), MM(measure, 150)};
    TStringList lines;
    int position = 0;
    rgWordWrap(QStringLiteral("aaaa"), halfLine, TFont(), 0, true, lines, nullptr, measure, position, false);
    EXPECT_EQ(lines.Count(), 0);
    EXPECT_EQ(position, 0);

    // Nothing left to lay out: no lines, and the text is done.
    for (const auto& [text, start] : {std::pair{QString(), 0}, {QString(""), 0}, {QStringLiteral("abc"), -1},
                                      {QStringLiteral("abc"), 3}, {QStringLiteral("abc"), 9}}) {
        const Layout done = Wrap(text, 10, 5, false, start);
        EXPECT_TRUE(done.lines.isEmpty()) << start;
        EXPECT_EQ(done.position, -1) << start;
    }
}

TEST(RgWordWrap, TabsExpandToTheTabStops)
{
    TStringList stops;
    TFakeTextMeasure measure;
    stops.Add(QString::number(MM(measure, 600)));
    stops.Add(QString::number(MM(measure, 900)));
    // "a\t" reaches 600, "b\t" 900, "c" ends at 1000: fits ten characters.
    EXPECT_EQ(Wrap(QStringLiteral("a\tb\tc"), 10, 5, false, 0, &stops).lines, QStringList{"a\tb\tc"});
    // Nine characters are too narrow for it.
    EXPECT_EQ(Wrap(QStringLiteral("a\tb\tc"), 9, 5, false, 0, &stops).lines, (QStringList{"a\tb", "c"}));
    // Without the stops tabs take eight characters each.
    EXPECT_EQ(Wrap(QStringLiteral("a\tb"), 9, 5).lines, QStringList{"a\tb"});
    EXPECT_EQ(Wrap(QStringLiteral("a\tb"), 8, 5).lines, (QStringList{"a", "b"}));
}

TEST(RgWordWrap, ReversedRectangleEndsWithEveryCharacterOnItsOwn)
{
    TFakeTextMeasure measure;
    const TRect reversed{MM(measure, 500), 0, 0, MM(measure, 2000)};
    for (bool limit : {true, false}) {
        TStringList lines;
        int position = 0;
        rgWordWrap(QStringLiteral("ab c\r\nd"), reversed, TFont(), 0, limit, lines, nullptr, measure, position,
                   true);
        EXPECT_EQ(lines.ToQStringList(), (QStringList{"a", "b", "c", "d"})) << limit;
        EXPECT_EQ(position, -1);
    }
}

TEST(RgWordWrap, WithoutLimitEveryLineIsMade)
{
    TFakeTextMeasure measure;
    const TRect oneLine{0, 0, MM(measure, 500), MM(measure, 200)};
    TStringList lines;
    int position = 0;
    rgWordWrap(QStringLiteral("aaaa bbbb cccc"), oneLine, TFont(), 0, false, lines, nullptr, measure, position,
               false);
    EXPECT_EQ(lines.ToQStringList(), (QStringList{"aaaa", "bbbb", "cccc"}));
    EXPECT_EQ(position, -1);
}

TEST(RgWordWrap, RealFontMeasure)
{
    TFont font;
    font.SetName(QStringLiteral("Arial"));
    font.SetSize(10);
    const QFont measuring = TrgFontMetricsMeasure::MeasuringFont(font);
    EXPECT_EQ(measuring.family(), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(measuring.pixelSize(), 167);  // 10 points at 1200 units per inch

    TrgFontMetricsMeasure measure;
    measure.SetFont(font);
    QImage device(1, 1, QImage::Format_RGB32);
    device.setDotsPerMeterX(47244);
    device.setDotsPerMeterY(47244);
    const QFontMetricsF metrics(measuring, &device);
    EXPECT_DOUBLE_EQ(measure.TextWidth(u"Hallo Welt"), metrics.horizontalAdvance(QStringLiteral("Hallo Welt")));
    EXPECT_DOUBLE_EQ(measure.TextWidth(u"Hallo Welt"), metrics.horizontalAdvance(QStringLiteral("Hallo Welt")));
    EXPECT_GT(measure.TextWidth(u"WWW"), measure.TextWidth(u"iii"));
    EXPECT_NEAR(measure.TextHeight(), metrics.ascent() + metrics.descent(), 1.0);

    // Every laid-out line of several words fits the rectangle.
    const QString text = QStringLiteral(
        "Im Sommer fuhren wir mit dem Rad an den See, fotografierten Wolken, Boote und "
        "Möwen und sortierten abends die Bilder in das neue Album.");
    const TRect rect{0, 0, 40000, 100000};
    TStringList lines;
    int position = 0;
    rgWordWrap(text, rect, font, 0, true, lines, nullptr, measure, position, false);
    EXPECT_EQ(position, -1);
    ASSERT_GT(lines.Count(), 2);
    const int width = int(rgFromMMThousandths(40000, utPrinterPixels, rgHorizontal, &measure));
    QStringList words;
    for (int i = 0; i < lines.Count(); ++i) {
        EXPECT_LE(rgTabbedTextWidth(lines[i], measure, {}), width) << lines[i].toStdString();
        words += lines[i].split(u' ');
    }
    EXPECT_EQ(words.join(u' '), text);
}

// Whether a text fits a width is answered from its characters' advances
// where it can: the answer must be the shaped width's, with kerning,
// ligatures, umlauts, combining accents and characters beyond Latin alike.
TEST(RgWordWrap, RealFontMeasureFitsAsTheShapedWidthSays)
{
    for (const char* face : {"Arial", "DejaVu Sans", "Times New Roman"}) {
        for (const bool italic : {false, true}) {
            TFont font;
            font.SetName(QString::fromLatin1(face));
            font.SetSize(9);
            if (italic)
                font.SetStyle({fsItalic});
            TrgFontMetricsMeasure measure;
            measure.SetFont(font);
            for (const QString& text : {QStringLiteral("Bild_00042_3.jpg"), QStringLiteral("AVAVAV To Ty Wa"),
                                       QStringLiteral("office ffi ffl"), QStringLiteral("Größe Übermaß"),
                                       QStringLiteral("e\u0301te\u0301"), QStringLiteral("Ωμέγα Жёлтый"),
                                       QStringLiteral("WWWWWWWWWW"), QStringLiteral("iiiiiiiiii")}) {
                SCOPED_TRACE(QString("%1 %2 %3").arg(face).arg(italic).arg(text).toStdString());
                const double width = measure.TextWidth(text);
                EXPECT_TRUE(measure.FitsWidth(text, width));
                EXPECT_FALSE(measure.FitsWidth(text, width - 0.01));
                EXPECT_TRUE(measure.FitsWidth(text, width * 1.2));
                EXPECT_FALSE(measure.FitsWidth(text, width * 0.8));
            }
            EXPECT_TRUE(measure.FitsWidth(u"", 0));
        }
    }
}

TEST(RgWordWrap, RandomTextsLoseAndRepeatNothing)
{
    // Fixed seed: the same texts on every run.
    QRandomGenerator random(20261210);
    const QString alphabet = QStringLiteral("abcdefghijäöü      \t\r\n\n") + QChar(0);
    auto visible = [](const QString& s) {
        QString out;
        for (QChar c : s)
            if (c > u' ')
                out += c;
        return out;
    };
    for (int round = 0; round < 300; ++round) {
        QString text;
        const int length = int(random.bounded(120));
        for (int i = 0; i < length; ++i)
            text += alphabet[random.bounded(alphabet.size())];
        const int chars = 1 + int(random.bounded(15));
        const int rows = 1 + int(random.bounded(4));
        const bool charWrap = random.bounded(2) == 1;

        const Layout whole = Wrap(text, chars, 100000, charWrap);
        const std::string context = ShowLines({text}) + " chars " + std::to_string(chars) + " rows "
                                    + std::to_string(rows) + " charWrap " + std::to_string(charWrap);
        EXPECT_EQ(ShowLines({visible(whole.lines.join(QString()))}), ShowLines({visible(text)})) << context;
        EXPECT_EQ(ShowLines(WrapAcrossPages(text, chars, rows, charWrap)), ShowLines(whole.lines)) << context;
        if (charWrap) {
            TFakeTextMeasure measure;
            for (const QString& line : whole.lines)
                EXPECT_TRUE(line.size() <= 1 || rgTabbedTextWidth(line, measure, {}) <= chars * 100.0)
                    << round << " " << line.toStdString();
        }
    }
}
