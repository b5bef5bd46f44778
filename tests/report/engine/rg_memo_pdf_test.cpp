// A memo of 200 paragraphs over many pages, printed on the printer device
// into a PDF and read back with pdftotext: every paragraph exactly once and
// in order, also when the pages were made again from the cache in reverse
// order.

#include <QFile>

#include <algorithm>

#include "component_fixtures.h"
#include "fake_printer_source.h"
#include "pdf_tools.h"
#include "report/output/rg_printer_device.h"
#include "report/output/rg_publisher.h"
#include "test_environment.h"

namespace {

// Prints the pages, in the given order, on the printer device; its printer
// writes them into FileName.
void PrintToPdf(const std::vector<TrgPage*>& Pages, const QString& FileName)
{
    TrgPublisher publisher(nullptr);
    publisher.OnPageRequest = [&](TObject*, TrgPageSettingType, int, TStringList*) {
        for (TrgPage* page : Pages)
            publisher.ReceivePage(page);
    };
    TrgPrinterDevice printer(nullptr);
    printer.SetPublisher(&publisher);
    printer.Printer()->OutputFileName = FileName;
    publisher.PublishJob();
    EXPECT_TRUE(QFile::exists(FileName)) << "the printer wrote no PDF";
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
        rgtest::InstallFakePrinters({rgtest::OfficeLaser()});
        report->PrinterSetup()->SetPrinterName(QStringLiteral("Laser"));
    }
    void TearDown() override
    {
        report.reset();
        rgSetPrinterSource(nullptr);
        TComponentsTest::TearDown();
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

    std::vector<TrgPage*> inSequence;
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
    std::vector<TrgPage*> pages;
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
