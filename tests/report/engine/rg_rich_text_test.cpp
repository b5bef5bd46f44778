// Rich text components: a long text stretched over pages by character
// ranges (each page going on one character after the last one printed, also
// when pages are made again from the cache), a fixed box without Stretch,
// an empty text, a field that cannot be read, the text written out as rich
// text that an outside reader understands, and a printed page read back.

#include <QProcess>

#include "graphic_fixtures.h"
#include "report/engine/rg_rich_text.h"
#include "report/output/rg_rich_edit.h"
#include "report/output/rg_rtf_reader.h"

#include <QTextDocument>

namespace {
// The text of rich text bytes, read as the rich edit reads them.
QString rgRichTextToPlainText(const QByteArray& Rtf)
{
    QTextDocument document;
    rgReadRtf(Rtf, document);
    return document.toPlainText();
}
}  // namespace

namespace {

// Paragraphs "Absatz 1" ... each followed by filler words, every third in bold.
QString LongRichText(int Paragraphs)
{
    QString rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Liberation Sans;}}\\f0\\fs20 ";
    for (int i = 1; i <= Paragraphs; ++i) {
        rtf += i % 3 == 0 ? "{\\b Absatz " : "{Absatz ";
        rtf += QString::number(i) + "} mit einigen W\\'f6rtern, die den Absatz f\\'fcllen.\\par ";
    }
    return rtf + "}";
}

// The field "Text" of each row; a row "FEHLER" cannot be read.
class TRichTextRows : public TListPipeline {
public:
    TRichTextRows(std::vector<QStringList> Rows) : TListPipeline(nullptr, {"Text"}, std::move(Rows)) {}
    QString GetFieldAsString(const QString& Name) override
    {
        const QString value = TListPipeline::GetFieldAsString(Name);
        if (value == "FEHLER")
            throw std::runtime_error("Feld kann nicht gelesen werden");
        return value;
    }
};

struct TRange {
    int Start, End;
    QByteArray RichText;
};

class RichTextTest : public TPdfEngineTest {
protected:
    void SetUp() override
    {
        TPdfEngineTest::SetUp();
        rgRegisterRichTextClasses();
        PdfReport()->OnFinalPage = [this](TrgPage* Page) {
            std::vector<TRange> page;
            for (int i = 0; i < Page->GetDrawCommandCount(); ++i)
                if (auto* rich = dynamic_cast<TrgDrawRichText*>(Page->GetDrawCommand(i)))
                    page.push_back({rich->StartCharPos, rich->EndCharPos, rich->RichText});
            ranges.push_back(page);
        };
    }
    // One record; a title label and the rich text below it in the detail band.
    TrgRichText* MakeRichTextReport(const QString& Text, bool Stretch)
    {
        rows = MakeRows(1);
        report->SetDataPipeline(rows.get());
        detail = AddBand<TrgDetailBand>(MM(20));
        auto* rich = new TrgRichText(&form);
        rich->SetBand(detail);
        rich->SetmmBounds(0, MM(5), MM(60), MM(10));
        rich->SetStretch(Stretch);
        rich->SetRichText(Text);
        return rich;
    }
    std::unique_ptr<TListPipeline> rows;
    std::vector<std::vector<TRange>> ranges;
};

TEST_F(RichTextTest, AStretchingTextGoesOnWithTheNextCharacterOnEachPage)
{
    TrgRichText* rich = MakeRichTextReport(LongRichText(40), true);
    const int count = rich->RichEdit().CharCount();
    ASSERT_GT(count, 1000);
    const std::vector<QString> pages = PrintAll();
    ASSERT_GT(pages.size(), 3u);
    ASSERT_EQ(ranges.size(), pages.size());
    int next = 0;
    QString printed;
    const QString plain = rich->RichEdit().Text();
    for (size_t p = 0; p < ranges.size(); ++p) {
        ASSERT_EQ(ranges[p].size(), 1u) << "page " << p + 1;
        const TRange& r = ranges[p][0];
        EXPECT_EQ(r.Start, next) << "page " << p + 1;
        EXPECT_GT(r.End, r.Start) << "page " << p + 1;
        printed += plain.mid(r.Start, r.End - r.Start);
        next = r.End;
    }
    EXPECT_EQ(next, count);
    EXPECT_EQ(printed, plain);
    // Every page but the last is full: the rich text takes the rest of it.
    const QStringList first = pages[0].split('\n').filter("TrgDrawRichText");
    ASSERT_EQ(first.size(), 1);
    EXPECT_EQ(first[0].split(' ').value(4).toInt(), kBodyBottom - (kMargin + MM(5))) << first[0].toStdString();

    // Pages made again from the cache, last first, give the same ranges.
    const auto inOrder = ranges;
    for (int page = int(pages.size()); page >= 1; --page) {
        ranges.clear();
        report->PageRequest(psSinglePage, page, nullptr);
        ASSERT_EQ(ranges.size(), 1u);
        ASSERT_EQ(ranges[0].size(), 1u);
        EXPECT_EQ(ranges[0][0].Start, inOrder[size_t(page - 1)][0].Start) << "page " << page;
        EXPECT_EQ(ranges[0][0].End, inOrder[size_t(page - 1)][0].End) << "page " << page;
    }
}

TEST_F(RichTextTest, WithoutStretchTheWholeTextGoesToTheCommandInItsBox)
{
    TrgRichText* rich = MakeRichTextReport(LongRichText(40), false);
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 1u);
    ASSERT_EQ(ranges[0].size(), 1u);
    EXPECT_EQ(ranges[0][0].Start, 0);
    EXPECT_EQ(ranges[0][0].End, rich->RichEdit().CharCount());
    EXPECT_TRUE(pages[0].contains(QStringLiteral("TrgDrawRichText %1 %2 %3 %4")
                                      .arg(kMargin)
                                      .arg(kMargin + MM(5))
                                      .arg(MM(60))
                                      .arg(MM(10))))
        << pages[0].toStdString();
}

TEST_F(RichTextTest, AnEmptyTextMeasuresNothing)
{
    TrgRichText* rich = MakeRichTextReport(QString(), true);
    EXPECT_TRUE(rich->GetRichText().isEmpty());
    PrintAll();
    EXPECT_EQ(rich->StartCharPos(), 0);
    EXPECT_EQ(rich->EndCharPos(), 0);
    EXPECT_EQ(rich->PrintHeight(), 0);
}

TEST_F(RichTextTest, DataRichTextPerRecordAndAFieldThatCannotBeRead)
{
    TRichTextRows data({{"{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Erster {\\i Satz}\\par}"}, {"FEHLER"},
                        {"schlichter Text ohne Format"}, {"{\\rtf1 {{{ offen"}});
    report->SetDataPipeline(&data);
    detail = AddBand<TrgDetailBand>(MM(8));
    auto* rich = new TrgDBRichText(&form);
    rich->SetBand(detail);
    rich->SetDataPipeline(&data);
    rich->SetDataField("Text");
    rich->SetmmBounds(0, 0, MM(60), MM(8));
    PrintAll();
    QStringList texts;
    for (const auto& page : ranges)
        for (const TRange& r : page)
            texts << rgRichTextToPlainText(r.RichText).trimmed();
    ASSERT_EQ(texts.size(), 4) << texts.join('|').toStdString();
    EXPECT_EQ(texts[0], "Erster Satz");
    EXPECT_EQ(texts[1], "Error loading rich text.");
    EXPECT_EQ(texts[2], "schlichter Text ohne Format");
    EXPECT_TRUE(texts[3].contains("offen"));

    // OnGetRichText replaces the field.
    ranges.clear();
    rich->OnGetRichText = [](TObject*, QString& Text) { Text = "{\\rtf1 Aus dem Ereignis\\par}"; };
    PrintAll();
    ASSERT_FALSE(ranges.empty());
    EXPECT_EQ(rgRichTextToPlainText(ranges[0][0].RichText).trimmed(), "Aus dem Ereignis");
}

TEST_F(RichTextTest, TheCommandsRichTextReadsOutsideAndThePageIsPrinted)
{
    if (!HaveTools({"unrtf", "pdftotext"}))
        GTEST_SKIP() << "unrtf or pdftotext is not installed (scripts/setup installs them)";
    MakeRichTextReport("{\\rtf1\\ansi{\\fonttbl{\\f0 Liberation Sans;}}\\f0\\fs24 Gr\\'fc\\'dfe aus {\\b Lumadex}\\par "
                       "Zweite Zeile\\par}",
                       false);
    PrintToPdf();
    ASSERT_EQ(ranges.size(), 1u);
    const QString file = dir.filePath("befehl.rtf");
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(ranges[0][0].RichText);
    out.close();
    // unrtf writes the text in the document's code page.
    QProcess unrtf;
    unrtf.start("unrtf", {"--text", file});
    ASSERT_TRUE(unrtf.waitForFinished(60000));
    const QString text = QString::fromLatin1(unrtf.readAllStandardOutput());
    EXPECT_TRUE(text.contains(QString::fromUtf8("Grüße aus Lumadex"))) << text.toStdString();
    EXPECT_TRUE(text.contains("Zweite Zeile"));

    // The first word stands at the box's top-left corner.
    const QString bbox = rgtest::ToolOutput("pdftotext", {"-bbox-layout", Pdf(), "-"});
    const QRegularExpression word(QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\"[^>]*>([^<]*)</word>"));
    double x = -1, y = -1;
    for (auto it = word.globalMatch(bbox); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(3).startsWith(QString::fromUtf8("Grü"))) {
            x = m.captured(1).toDouble();
            y = m.captured(2).toDouble();
        }
    }
    const double points = 72.0 / 25.4;
    ASSERT_GE(x, 0) << bbox.toStdString();
    // The text is painted from the box's top-left corner.
    EXPECT_NEAR(x, kMargin / 1000.0 * points, 0.5);
    EXPECT_NEAR(y, (kMargin + MM(5)) / 1000.0 * points, 0.5);
}

}  // namespace
