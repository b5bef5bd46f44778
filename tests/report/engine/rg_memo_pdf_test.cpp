// A memo of 200 paragraphs over many pages, printed into a PDF with the
// printer's painting routines (command rectangles in printer pixels, text
// blocks) and read back with pdftotext: every paragraph exactly once and in
// order, also when the pages were made again from the cache in reverse
// order.

#include <QFile>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>

#include "../output/pdf_tools.h"
#include "component_fixtures.h"
#include "report/output/rg_printer_device.h"
#include "test_environment.h"

namespace {

// Lengths become pixels of a 600 dpi printer.
class TPdfResolution : public TObject, public TrgDeviceResolution {
public:
    int DevicePixelsPerInch(TrgDirection) const override { return 600; }
};

// Writes the pages, in the given order, into one PDF of the test paper.
void PrintToPdf(const std::vector<const TrgPage*>& Pages, const QString& FileName)
{
    TPdfResolution printer;
    QPdfWriter writer(FileName);
    writer.setResolution(600);
    writer.setPageSize(QPageSize(QSizeF(kPaperWidth / 1000.0, kPaperHeight / 1000.0), QPageSize::Millimeter));
    writer.setPageMargins({0, 0, 0, 0});
    QPainter painter(&writer);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(60);
    painter.setFont(font);
    bool first = true;
    for (const TrgPage* page : Pages) {
        if (!first)
            writer.newPage();
        first = false;
        for (int i = 0; i < page->GetDrawCommandCount(); ++i) {
            const auto* text = dynamic_cast<const TrgDrawText*>(page->GetDrawCommand(i));
            if (!text)
                continue;
            TrgTextBlock block;
            block.Box = rgCommandDeviceRect(text->Left, text->Top, text->Width, text->Height, &printer, {});
            for (int line = 0; line < text->WrappedText()->Count(); ++line)
                block.Lines << text->WrappedText()->Strings(line);
            if (block.Lines.isEmpty())
                block.Lines << text->Text;
            block.IsMemo = text->IsMemo;
            block.LineHeight = qRound(rgFromMMThousandths(4233, utPrinterPixels, rgVertical, &printer));
            rgPaintTextBlock(painter, block);
        }
    }
}

QStringList PdfParagraphs(const QString& FileName)
{
    QStringList paragraphs;
    const QString text = rgtest::ToolOutput(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), FileName, "-"});
    static const QRegularExpression paragraph(QStringLiteral("Absatz \\d+"));
    for (auto it = paragraph.globalMatch(text); it.hasNext();)
        paragraphs << it.next().captured(0);
    return paragraphs;
}

class MemoPdfTest : public TComponentsTest {
protected:
    void SetUp() override
    {
        auto holding = std::make_unique<THoldingReport>(&form);
        held = holding.get();
        report = std::move(holding);
        TComponentsTest::SetUp();
    }
    THoldingReport* held = nullptr;
    lxtest::TempDir dir;
};

TEST_F(MemoPdfTest, EveryParagraphOnceAndInOrderAlsoFromPagesMadeInReverse)
{
    const QStringList paragraphs = Paragraphs(200);
    auto rows = MakeTexts({paragraphs});
    MakeMemoReport(rows.get());
    AddDBMemo(detail, QStringLiteral("Text"), 0, 0);
    report->SetPassSetting(psTwoPass);
    const std::vector<QString> sequence = PrintAll();
    ASSERT_GT(sequence.size(), 20u);
    ASSERT_EQ(held->Held.size(), sequence.size());

    std::vector<const TrgPage*> inSequence;
    for (const auto& page : held->Held)
        inSequence.push_back(page.get());
    const QString first = QString::fromStdString((dir / "sequence.pdf").string());
    PrintToPdf(inSequence, first);
    EXPECT_TRUE(rgtest::Matches(rgtest::ToolOutput("pdfinfo", {first}),
                                QStringLiteral("Pages:\\s+%1\\n").arg(sequence.size())));
    EXPECT_EQ(PdfParagraphs(first), paragraphs);

    // Every page again, from the last to the first, then printed in page order.
    const size_t count = held->Held.size();
    held->Held.clear();
    std::vector<int> reverse;
    for (int page = int(count); page >= 1; --page)
        reverse.push_back(page);
    Regenerate(reverse);
    ASSERT_EQ(held->Held.size(), count);
    std::vector<const TrgPage*> pages;
    for (const auto& page : held->Held)
        pages.push_back(page.get());
    std::sort(pages.begin(), pages.end(),
              [](const TrgPage* a, const TrgPage* b) { return a->AbsolutePageNo < b->AbsolutePageNo; });
    EXPECT_EQ(pages.front()->AbsolutePageNo, 1);
    const QString again = QString::fromStdString((dir / "reverse.pdf").string());
    PrintToPdf(pages, again);
    EXPECT_EQ(PdfParagraphs(again), paragraphs);
}

}  // namespace
