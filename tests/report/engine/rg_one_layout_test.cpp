// One layout for every device: a report of word-wrapped paragraphs, laid
// out with the real font measure, shown in the preview at 96 ppi and
// printed through the printer device into a PDF. Both must break every
// text at the words the layout chose: the preview paints as many lines as
// the draw command holds, and the PDF's text lines are the command's lines.

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "engine_fixtures.h"
#include "fake_printer_source.h"
#include "pdf_tools.h"
#include "platform/ui/prompt_script.h"
#include "report/engine/rg_memo.h"
#include "report/output/rg_cancel_dialog.h"
#include "report/output/rg_preview_form.h"
#include "report/output/rg_print_dialog.h"
#include "report/output/rg_printer_device.h"
#include "report/output/rg_screen_device.h"
#include "report/output/rg_units.h"
#include "report/output/rg_viewer.h"

namespace {

// The lines of every text command of one page, in page order.
using TPageLines = std::vector<QStringList>;

TPageLines LinesOf(const TrgPage& Page)
{
    TPageLines lines;
    for (int i = 0; i < Page.GetDrawCommandCount(); ++i) {
        const auto* text = dynamic_cast<const TrgDrawText*>(Page.GetDrawCommand(i));
        if (!text)
            continue;
        QStringList commandLines;
        for (int w = 0; w < text->WrappedText()->Count(); ++w)
            commandLines << text->WrappedText()->Strings(w);
        if (commandLines.isEmpty())
            commandLines << text->Text;
        lines.push_back(commandLines);
    }
    return lines;
}

// The runs of rows of Rect that hold dark pixels and are at least as tall
// as a lower-case letter: the painted text lines (the dots over i and j
// stand apart from their letters but are too short to count).
int InkedRowRuns(const QImage& Image, const QRect& Rect)
{
    constexpr int kShortestLine = 4;
    int runs = 0;
    int height = 0;
    const QRect area = Rect.intersected(Image.rect());
    for (int y = area.top(); y <= area.bottom() + 1; ++y) {
        bool inked = false;
        for (int x = area.left(); y <= area.bottom() && x <= area.right() && !inked; ++x)
            inked = qGray(Image.pixel(x, y)) < 128;
        if (inked) {
            ++height;
            continue;
        }
        runs += height >= kShortestLine;
        height = 0;
    }
    return runs;
}

class TLayoutReport : public TrgReport {
public:
    using TrgReport::TrgReport;
    std::vector<TPageLines> Pages;
    QString PdfFileName;
    void PageGenerated() override
    {
        TrgReport::PageGenerated();
        const TrgPage* page = Engine()->Page();
        if (page->CalculationOnly || !page->Final)
            return;
        const size_t index = size_t(page->AbsolutePageNo - 1);
        if (Pages.size() <= index)
            Pages.resize(index + 1);
        Pages[index] = LinesOf(*page);
    }
    void DeviceCreated(TrgDevice* Device) override
    {
        TrgReport::DeviceCreated(Device);
        if (auto* printer = dynamic_cast<TrgPrinterDevice*>(Device))
            printer->Printer()->OutputFileName = PdfFileName;
    }
};

class OneLayoutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterReportClasses();
        TrgPrintPreview::Register();
        TrgPrintDialog::Register();
        TrgCancelDialog::Register();
        rgtest::InstallFakePrinters({rgtest::OfficeLaser()});
        ASSERT_TRUE(dir.isValid());
        // A5 with 15 mm margins; paragraphs of plain words in a 62 mm column.
        const int a5[] = {15000, 15000, 15000, 15000, 210000, 148000};
        for (int i = 0; i < 6; ++i)
            report->PrinterSetup()->SetDefinedValue(i, a5[i]);
        report->PrinterSetup()->SetPrinterName(QStringLiteral("Laser"));
        report->Engine()->Clock = [] { return TDateTime(46000.5); };
        const QString words = QStringLiteral(
            "the quick brown fox jumps over the lazy dog while seven wizards quietly box and juggle "
            "heavy jars of mixed pickles near the old mill by the river bank");
        std::vector<QStringList> paragraphs;
        for (int i = 0; i < 16; ++i)
            paragraphs.push_back({QStringLiteral("Absatz %1 ").arg(i + 1) + words.left(30 + 17 * (i % 9))});
        rows = std::make_unique<TListPipeline>(nullptr, QStringList{QStringLiteral("Text")}, paragraphs);

        auto* detail = new TrgDetailBand(&form);
        report->AddBand(detail);
        detail->SetmmHeight(8000);
        auto* memo = new TrgMemo(&form);
        memo->SetBand(detail);
        memo->SetmmBounds(5000, 1000, 62000, 5000);
        memo->SetStretch(true);
        TFont font;
        font.SetName(QStringLiteral("DejaVu Sans"));
        font.SetSize(11);
        memo->SetFont(&font);
        TListPipeline* data = rows.get();
        detail->BeforePrint = [memo, data](TObject*) {
            TStringList lines;
            lines.Add(data->GetFieldAsString(QStringLiteral("Text")));
            memo->SetLines(lines);
        };
        report->SetDataPipeline(rows.get());
        report->SetShowPrintDialog(false);
        report->SetShowCancelDialog(false);
    }
    void TearDown() override
    {
        report.reset();
        rgSetPrinterSource(nullptr);
    }

    QTemporaryDir dir;
    TComponent form{nullptr};
    std::unique_ptr<TListPipeline> rows;
    std::unique_ptr<TLayoutReport> report = std::make_unique<TLayoutReport>(&form);
};

TEST_F(OneLayoutTest, ThePreviewAndThePrinterBreakEveryTextWhereTheLayoutDid)
{
    // The preview at 100 % on a 96 ppi screen.
    ASSERT_EQ(rgScreenPixelsPerInch(), 96);
    int shownPages = 0;
    {
        TPromptScript script;
        script.Modal<TrgPrintPreview>([&](TrgPrintPreview& Form) {
            TrgViewer* viewer = Form.rgViewer1;
            viewer->SetZoomSetting(zs100Percent);
            TrgScreenDevice* screen = viewer->ScreenDevice();
            for (int pageNo = 1; pageNo <= 20; ++pageNo) {
                viewer->GotoPage(pageNo);
                if (screen->GetAbsolutePageNo() != pageNo)
                    break;
                ++shownPages;
                screen->RenderPage();
                TrgPage* page = screen->DisplayPage();
                ASSERT_NE(page, nullptr);
                ASSERT_GE(report->Pages.size(), size_t(pageNo));
                EXPECT_EQ(LinesOf(*page), report->Pages[size_t(pageNo - 1)]) << "page " << pageNo;
                for (int i = 0; i < page->GetDrawCommandCount(); ++i) {
                    const auto* text = dynamic_cast<const TrgDrawText*>(page->GetDrawCommand(i));
                    if (!text)
                        continue;
                    const TRect r = screen->CalcDrawRect(*text);
                    const QRect rect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
                    EXPECT_EQ(InkedRowRuns(screen->PageBitmap(), rect), text->WrappedText()->Count())
                        << "page " << pageNo << ": " << text->WrappedText()->Text().toStdString();
                }
            }
            Form.CloseClick();
        });
        report->SetDevice(dvScreen);
        report->Print();
    }
    const std::vector<TPageLines> layout = report->Pages;
    ASSERT_GE(layout.size(), 2u) << "the paragraphs fill more than one page";
    EXPECT_EQ(shownPages, int(layout.size()));
    int wrapped = 0;
    for (const TPageLines& page : layout)
        for (const QStringList& lines : page)
            wrapped += lines.size() > 2;
    EXPECT_GE(wrapped, 4) << "most paragraphs wrap";

    // The printer device's PDF at the printer's resolution.
    report->PdfFileName = dir.filePath(QStringLiteral("absatz.pdf"));
    report->Pages.clear();
    report->Reset();
    report->SetDevice(dvPrinter);
    report->Print();
    EXPECT_EQ(report->Pages, layout) << "the printer's pages are laid out as the preview's";
    const QStringList pdfPages =
        rgtest::ToolOutput(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), report->PdfFileName, QStringLiteral("-")})
            .split(QChar('\f'), Qt::SkipEmptyParts);
    ASSERT_EQ(pdfPages.size(), qsizetype(layout.size()));
    for (size_t p = 0; p < layout.size(); ++p) {
        QStringList expected;
        for (const QStringList& lines : layout[p])
            for (const QString& line : lines)
                expected << line.trimmed();
        QStringList printed;
        for (const QString& line : pdfPages[qsizetype(p)].split(QChar('\n')))
            if (!line.trimmed().isEmpty())
                printed << line.trimmed();
        EXPECT_EQ(printed, expected) << "page " << p + 1;
    }
}

}  // namespace
