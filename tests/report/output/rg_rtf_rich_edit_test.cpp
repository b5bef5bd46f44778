// The report engine's rich edit: loading rich and plain text, fitting
// character ranges into rectangles and painting them on any device.
#include "report/output/rg_rich_edit.h"

#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTextBlock>

#include <cmath>
#include <functional>

#include "pdf_tools.h"
#include "platform/core/streams.h"
#include "report/output/rg_text_measure.h"

namespace {

// Monospaced text in 10 points: every character has one advance, so the
// tests know where lines break.
QByteArray Mono(const QByteArray& body)
{
    return "{\\rtf1{\\fonttbl{\\f0 Courier New;}}\\f0\\fs20 " + body + "}";
}

struct MonoMetrics {
    double Advance = 0;     // layout units
    double LineHeight = 0;  // layout units
};

MonoMetrics Metrics()
{
    TrgRtfCharState chars;
    chars.FontName = "Courier New";
    chars.HalfPoints = 20;
    QImage device(1, 1, QImage::Format_RGB32);
    device.setDotsPerMeterX(int(rgMeasureUnitsPerInch / 0.0254 + 0.5));
    device.setDotsPerMeterY(int(rgMeasureUnitsPerInch / 0.0254 + 0.5));
    const QFontMetricsF metrics(chars.ToFormat().font(), &device);
    return {metrics.horizontalAdvance(u'a'), metrics.lineSpacing()};
}

// A rectangle of Chars characters across and Lines lines down, in
// thousandths of a millimetre.
TRect Box(const TrgRichEdit& edit, double chars, double lines)
{
    const MonoMetrics m = Metrics();
    return Bounds(5000, 7000, rgToMMThousandths(utPrinterPixels, rgHorizontal, &edit, float(chars * m.Advance)),
                  rgToMMThousandths(utPrinterPixels, rgVertical, &edit, float(lines * m.LineHeight)));
}

// "aaaa bbbb cccc dddd eeee": in 10.5 characters across, lines start at 0,
// 10 and 20.
const QByteArray kWords = Mono("aaaa bbbb cccc dddd eeee");

TEST(RtfRichEditTest, FirstCharacterThatDoesNotFit)
{
    TrgRichEdit edit;
    edit.LoadFromBytes(kWords);
    ASSERT_EQ(edit.CharCount(), 24);
    struct Case {
        int Start, End;
        double Lines;
        int Expected;
    };
    const Case cases[] = {
        {0, -1, 1.5, 10},   {0, -1, 2.5, 20},  {0, -1, 3.5, 24}, {0, -1, 0.5, 0},  {0, -1, 100, 24},
        {10, -1, 1.5, 20},  {20, -1, 1.5, 24}, {0, 15, 100, 15}, {0, 15, 1.5, 10}, {0, 999, 100, 24},
        // A range that starts inside a line begins a line of its own.
        {7, -1, 1.5, 15},   {7, -1, 2.5, 24},
        // An empty range, and ranges outside the text.
        {5, 5, 100, 5},     {8, 3, 100, 8},    {24, -1, 100, 24}, {30, -1, 100, 24}, {-4, -1, 1.5, 10},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(edit.FormatRange(c.Start, c.End, Box(edit, 10.5, c.Lines)), c.Expected)
            << c.Start << ".." << c.End << " in " << c.Lines << " lines";
    }
}

TEST(RtfRichEditTest, ParagraphsCountOnePositionEach)
{
    TrgRichEdit edit;
    edit.LoadFromBytes(Mono("eins\\par zwei\\par drei"));
    EXPECT_EQ(edit.CharCount(), 14);
    const TRect oneLine = Box(edit, 40, 1.5);
    EXPECT_EQ(edit.FormatRange(0, -1, oneLine), 5);
    EXPECT_EQ(edit.FormatRange(5, -1, oneLine), 10);
    EXPECT_EQ(edit.FormatRange(10, -1, oneLine), 14);
    EXPECT_EQ(edit.Text(), "eins\nzwei\ndrei");
}

TEST(RtfRichEditTest, FitRange)
{
    TrgRichEdit edit;
    const MonoMetrics m = Metrics();
    struct Case {
        QByteArray Body;
        double Lines;
        bool AllFits;
        int LastFitting;
        int UsedLines;  // -1: the whole rectangle
    };
    const Case cases[] = {
        {"aaaa bbbb cccc dddd eeee", 10, true, 23, 3},
        {"aaaa bbbb cccc dddd eeee", 2.5, false, 19, -1},
        {"aaaa bbbb cccc dddd eeee", 0.5, false, -1, -1},
        // Left over are only paragraph breaks: nothing is lost by ending here.
        {"eins\\par\\par ", 1.5, true, 4, -1},
        // Left over is an empty paragraph and text: the text goes on.
        {"eins\\par\\par ab", 1.5, false, 4, -1},
        {"eins\\par zwei", 1.5, false, 4, -1},
    };
    for (const Case& c : cases) {
        edit.LoadFromBytes(Mono(c.Body));
        const TRect box = Box(edit, 10.5, c.Lines);
        const TrgRichTextFit fit = edit.FitRange(0, -1, box);
        EXPECT_EQ(fit.AllFits, c.AllFits) << c.Body.toStdString();
        EXPECT_EQ(fit.LastFittingChar, c.LastFitting) << c.Body.toStdString();
        if (c.UsedLines < 0) {
            EXPECT_EQ(fit.mmUsedHeight, box.Height()) << c.Body.toStdString();
        } else {
            const int expected = rgToMMThousandths(utPrinterPixels, rgVertical, &edit, float(c.UsedLines * m.LineHeight));
            EXPECT_NEAR(fit.mmUsedHeight, expected, 22 * (c.UsedLines + 1)) << c.Body.toStdString();  // a unit a line
        }
    }
}

TEST(RtfRichEditTest, EmptyTextMeasuresNothing)
{
    TrgRichEdit edit;
    for (const QByteArray& text : {QByteArray(), QByteArray("{\\rtf1}")}) {
        edit.LoadFromBytes(text);
        EXPECT_EQ(edit.CharCount(), 0);
        EXPECT_EQ(edit.FormatRange(0, -1, Box(edit, 10, 10)), 0);
        const TrgRichTextFit fit = edit.FitRange(0, -1, Box(edit, 10, 10));
        EXPECT_TRUE(fit.AllFits);
        EXPECT_EQ(fit.LastFittingChar, -1);
        EXPECT_EQ(fit.mmUsedHeight, 0);
    }
}

TEST(RtfRichEditTest, PagesCoverTheTextOnceAndInOrder)
{
    // Proportional text of many paragraphs, continued page after page as a
    // stretching component does: every character lands on exactly one page.
    QByteArray body;
    for (int i = 0; i < 40; ++i) {
        body += (i % 3 == 0 ? "\\b " : "\\b0 ") + QByteArray("Absatz ") + QByteArray::number(i)
                + " mit einigen W\\'f6rtern, die umbrechen m\\'fcssen, und noch etwas mehr Text\\par ";
    }
    TrgRichEdit edit;
    edit.LoadFromBytes("{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0\\fs22 " + body + "Schluss}");
    const TRect page = Bounds(0, 0, 60000, 40000);
    const QString all = edit.Document().toRawText();
    QString printed;
    int start = 0;
    int pages = 0;
    while (start < edit.CharCount()) {
        const TrgRichTextFit fit = edit.FitRange(start, -1, page);
        const int next = edit.FormatRange(start, -1, page);
        ASSERT_GT(next, start) << "page " << pages;
        EXPECT_EQ(fit.LastFittingChar, next - 1);
        EXPECT_LE(fit.mmUsedHeight, page.Height());
        // What fits on a page fits again when measured alone, and a range
        // that ends inside a line (laid out on its own) breaks the same.
        EXPECT_EQ(edit.FormatRange(start, next, page), next);
        if (next < edit.CharCount()) {
            EXPECT_EQ(edit.FormatRange(start, edit.CharCount() - 1, page), next);
        }
        printed += all.mid(start, next - start);
        start = next;
        ++pages;
    }
    EXPECT_GT(pages, 3);
    EXPECT_EQ(printed, all.left(edit.CharCount()));
}

TEST(RtfRichEditTest, TallerRectanglesHoldMore)
{
    TrgRichEdit edit;
    edit.LoadFromBytes(Mono("eins zwei drei vier f\\'fcnf sechs sieben acht neun zehn elf zw\\'f6lf"));
    int before = 0;
    for (double lines = 0.5; lines < 12; lines += 0.5) {
        const int fits = edit.FormatRange(0, -1, Box(edit, 12, lines));
        EXPECT_GE(fits, before) << lines;
        before = fits;
    }
    EXPECT_EQ(before, edit.CharCount());
}

TEST(RtfRichEditTest, PlainTextLoadsInTheFont)
{
    TrgRichEdit edit;
    edit.Font().SetName("Times New Roman");
    edit.Font().SetSize(14);
    edit.Font().SetStyle(TFontStyles{fsBold});
    edit.LoadFromBytes("Zeile 1\r\nZweite Zeile \xe4\rDritte");
    EXPECT_EQ(edit.Text(), QString::fromUtf8("Zeile 1\nZweite Zeile ä\nDritte"));
    EXPECT_EQ(edit.CharCount(), edit.Text().size());
    const TrgRtfCharState chars =
        TrgRtfCharState::FromFormat(edit.Document().begin().begin().fragment().charFormat());
    EXPECT_EQ(chars.FontName, "Times New Roman");
    EXPECT_EQ(chars.HalfPoints, 28);
    EXPECT_TRUE(chars.Bold);

    edit.LoadFromBytes("\xEF\xBB\xBF" "gr\xC3\xBC\xC3\x9F");  // UTF-8 after a byte order mark
    EXPECT_EQ(edit.Text(), QString::fromUtf8("grüß"));
    // Not rich text unless it starts so.
    edit.LoadFromBytes(" {\\rtf1 x}");
    EXPECT_EQ(edit.Text(), " {\\rtf1 x}");
}

TEST(RtfRichEditTest, StreamsFromTheirPosition)
{
    TrgRichEdit edit;
    edit.LoadFromBytes(Mono("\\b fett\\b0  und \\'e4\\par zwei"));
    TMemoryStream stream;
    stream.WriteBuffer("xyz", 3);
    edit.SaveToStream(stream);
    EXPECT_EQ(stream.Bytes().mid(3), edit.RichText());

    TrgRichEdit other;
    stream.SetPosition(3);
    other.LoadFromStream(stream);
    EXPECT_EQ(other.Text(), QString::fromUtf8("fett und ä\nzwei"));
    EXPECT_EQ(other.RichText(), edit.RichText());
    other.Clear();
    EXPECT_EQ(other.CharCount(), 0);
}

TEST(RtfRichEditTest, LoadingTheLoadedTextAgainKeepsIt)
{
    TrgRichEdit edit;
    const QByteArray rtf = Mono("eins\\par zwei");
    edit.LoadFromBytes(rtf);
    const QTextDocument* document = &edit.Document();
    edit.LoadFromBytes(rtf);
    EXPECT_EQ(&edit.Document(), document);
    EXPECT_EQ(edit.Text(), "eins\nzwei");
    // Anything else loads anew: other bytes, another default font, the same
    // bytes after a change of the text.
    struct Step {
        std::function<void()> Change;
        QString Text;
        QString Font;
    };
    const Step steps[] = {
        {[&] { edit.LoadFromBytes(Mono("drei")); }, "drei", "Courier New"},
        {[&] { edit.LoadFromBytes("{\\rtf1 vier}"); }, "vier", "MS Sans Serif"},
        {[&] { edit.Font().SetName("Arial"); edit.LoadFromBytes("{\\rtf1 vier}"); }, "vier", "Arial"},
        {[&] { edit.Clear(); edit.LoadFromBytes("{\\rtf1 vier}"); }, "vier", "Arial"},
        {[&] { edit.SetText("f\u00fcnf"); edit.LoadFromBytes("{\\rtf1 vier}"); }, "vier", "Arial"},
    };
    for (const Step& step : steps) {
        step.Change();
        EXPECT_EQ(edit.Text(), step.Text);
        EXPECT_EQ(TrgRtfCharState::FromFormat(edit.Document().begin().begin().fragment().charFormat()).FontName,
                  step.Font);
    }
}

// The ink of an image: the rectangle of pixels that are not white.
QRect Ink(const QImage& image)
{
    QRect ink;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                ink |= QRect(x, y, 1, 1);
        }
    }
    return ink;
}

QImage Paint(const TrgRichEdit& edit, const TRect& box, double scale, QPointF at, int start = 0, int end = -1,
             int* result = nullptr)
{
    QImage image(int(box.Width() * scale + at.x()) + 20, int(box.Height() * scale + at.y()) + 20,
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    const int fits = edit.PaintRange(painter, QRectF(at, QSizeF(box.Width() * scale, box.Height() * scale)), start,
                                     end, box);
    if (result)
        *result = fits;
    return image;
}

TEST(RtfRichEditTest, PaintingOnlyScales)
{
    // The same range painted at two scales and two places: the ink scales
    // and moves with the target, the lines stay the same.
    TrgRichEdit edit;
    edit.LoadFromBytes(kWords);
    const TRect box = Box(edit, 10.5, 2.5);
    const double small = 300 / 25400.0;  // 300 pixels per inch
    int fitsSmall = 0;
    int fitsLarge = 0;
    const QRect inkSmall = Ink(Paint(edit, box, small, QPointF(10, 10), 0, -1, &fitsSmall));
    const QRect inkLarge = Ink(Paint(edit, box, 2 * small, QPointF(40, 30), 0, -1, &fitsLarge));
    EXPECT_EQ(fitsSmall, 20);
    EXPECT_EQ(fitsLarge, 20);
    ASSERT_FALSE(inkSmall.isEmpty());
    EXPECT_NEAR(inkLarge.width(), 2 * inkSmall.width(), 3);
    EXPECT_NEAR(inkLarge.height(), 2 * inkSmall.height(), 3);
    EXPECT_NEAR(inkLarge.left() - 40, 2 * (inkSmall.left() - 10), 3);
    EXPECT_NEAR(inkLarge.top() - 30, 2 * (inkSmall.top() - 10), 3);
    // Two lines of ten characters, the third line not drawn at all.
    const MonoMetrics m = Metrics();
    const double unitsToPixels = small * 25400.0 / rgMeasureUnitsPerInch;
    EXPECT_LE(inkSmall.bottom() - 10, 2 * m.LineHeight * unitsToPixels);
    EXPECT_GT(inkSmall.bottom() - 10, 1 * m.LineHeight * unitsToPixels);
    EXPECT_NEAR(inkSmall.right() - 10, 9 * m.Advance * unitsToPixels, 0.6 * m.Advance * unitsToPixels);
}

TEST(RtfRichEditTest, RangesLaidOutAloneOrInTheTextPaintAlike)
{
    // A page from the middle of a long text: once as the rest of the text
    // (painted from the text's own layout), once as a range that ends inside
    // a line (laid out alone). The pixels are the same.
    QByteArray body;
    for (int i = 0; i < 12; ++i)
        body += "{\\b Absatz} " + QByteArray::number(i) + " mit W\\'f6rtern, die umbrechen, und {\\cf1 Farbe}\\par ";
    TrgRichEdit edit;
    edit.LoadFromBytes("{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red0\\green90\\blue0;}\\f0\\fs22 " + body + "Ende}");
    const TRect page = Bounds(0, 0, 40000, 20000);
    const int second = edit.FormatRange(0, -1, page);
    ASSERT_LT(edit.FormatRange(second, -1, page), edit.CharCount() - 1);
    int fitsShared = 0;
    int fitsAlone = 0;
    const QImage shared = Paint(edit, page, 300 / 25400.0, QPointF(5, 5), second, -1, &fitsShared);
    const QImage alone = Paint(edit, page, 300 / 25400.0, QPointF(5, 5), second, edit.CharCount() - 1, &fitsAlone);
    EXPECT_EQ(fitsShared, fitsAlone);
    EXPECT_FALSE(Ink(shared).isEmpty());
    EXPECT_TRUE(shared == alone);
}

TEST(RtfRichEditTest, PaintingUsesTheFontColourForAutomaticText)
{
    TrgRichEdit edit;
    edit.Font().SetColor(clBlue);
    edit.LoadFromBytes("{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}{\\fonttbl{\\f0 Arial;}}\\f0\\fs48 "
                       "\\b WWW\\par\\cf1 WWW}");
    const TRect box = Bounds(0, 0, 50000, 30000);
    const QImage image = Paint(edit, box, 300 / 25400.0, QPointF(0, 0));
    const int split = Ink(Paint(edit, box, 300 / 25400.0, QPointF(0, 0), 0, 4)).bottom() + 1;
    int blue = 0;
    int red = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor p = image.pixelColor(x, y);
            if (p.blue() > 200 && p.red() < 60 && p.green() < 60) {
                EXPECT_LT(y, split);
                ++blue;
            }
            if (p.red() > 200 && p.blue() < 60 && p.green() < 60) {
                EXPECT_GE(y, split);
                ++red;
            }
            EXPECT_FALSE(p.red() < 60 && p.green() < 60 && p.blue() < 60) << "black at " << x << "," << y;
        }
    }
    EXPECT_GT(blue, 100);
    EXPECT_GT(red, 100);
}

TEST(RtfRichEditTest, PdfHoldsOnlyTheLinesThatFit)
{
    // pdftotext reads everything drawn, clipped or not: text outside the
    // range or below the rectangle must never reach the device.
    TrgRichEdit edit;
    edit.LoadFromBytes("{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 Vorher\\par Erste Zeile\\par "
                       "{\\b Zweite} Zeile\\par Dritte Zeile\\par Nachher}");
    const int start = edit.Text().indexOf("Erste");
    const int end = edit.Text().indexOf("Nachher");
    // Room for two and a half lines of 12 points.
    const TRect box = Bounds(0, 0, 80000, 11000);
    QTemporaryDir dir;
    const QString path = dir.filePath("rich.pdf");
    int fits = 0;
    {
        QPdfWriter pdf(path);
        pdf.setResolution(600);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter(&pdf);
        const double scale = 600 / 25400.0;
        fits = edit.PaintRange(painter, QRectF(300, 300, box.Width() * scale, box.Height() * scale), start, end, box);
    }
    EXPECT_EQ(fits, edit.Text().indexOf("Dritte"));
    const QString text = rgtest::ToolOutput("pdftotext", {"-layout", path, "-"});
    QStringList lines = text.split('\n', Qt::SkipEmptyParts);
    for (QString& line : lines)
        line = line.simplified();
    lines.removeAll(QString());
    EXPECT_EQ(lines, QStringList({"Erste Zeile", "Zweite Zeile"})) << text.toStdString();
    const QString fonts = rgtest::ToolOutput("pdffonts", {path});
    EXPECT_TRUE(fonts.contains("LiberationSans-Bold")) << fonts.toStdString();
}

}  // namespace
