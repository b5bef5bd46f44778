// A user's whole walk through the preview of a long list: to the last page,
// back to page 3, a zoom, and pages 2 to 3 printed from the preview through
// the print dialog to a real scheduler, all through the form's own controls.
#include <QRegularExpression>

#include <map>

#include <gtest/gtest.h>

#include "engine_fixtures.h"
#include "pdf_tools.h"
#include "platform/ui/buttons.h"
#include "platform/ui/mask_edit.h"
#include "platform/ui/prompt_script.h"
#include "private_cupsd.h"
#include "report/output/rg_cancel_dialog.h"
#include "report/output/rg_preview_form.h"
#include "report/output/rg_print_dialog.h"
#include "report/output/rg_printer_device.h"
#include "report/output/rg_printer_list.h"
#include "report/output/rg_viewer.h"

namespace {

constexpr int RecordCount = 10000;

class PreviewFlowTest : public TEngineTest {
protected:
    void SetUp() override
    {
        TEngineTest::SetUp();
        TrgPrintPreview::Register();
        TrgPrintDialog::Register();
        TrgCancelDialog::Register();
        ASSERT_EQ(cupsd.Start(), "");
        rgSetPrinterSource(rgCreateCupsPrinterSource());
        rows = MakeRows(RecordCount);
        MakeListReport(rows.get());
        report->PrinterSetup()->SetPrinterName(QStringLiteral("Probe"));
        report->SetDevice(dvScreen);
        report->SetShowCancelDialog(false);
    }
    void TearDown() override
    {
        report.reset();
        rgSetPrinterSource(nullptr);
        TEngineTest::TearDown();
    }

    // Types a page number into the page field and confirms it with Enter.
    static void EnterPage(TrgPrintPreview& Form, int PageNo)
    {
        Form.mskPreviewPage->SetText(QString::number(PageNo));
        QChar enter(u'\r');
        Form.PageKeyPress(enter);
    }

    std::unique_ptr<TListPipeline> rows;
    lxtest::TPrivateCupsd cupsd{{"Probe"}};
};

// The record numbers ("Satz N") a page dump or a PDF text shows, in order.
QList<int> RecordsIn(const QString& Text)
{
    QList<int> numbers;
    static const QRegularExpression record(QStringLiteral("Satz (\\d+)"));
    for (auto it = record.globalMatch(Text); it.hasNext();)
        numbers << it.next().captured(1).toInt();
    return numbers;
}

// The text of one page of the spooled PDF.
QString SpooledPageText(const QString& FileName, int PageNo)
{
    const QString page = QString::number(PageNo);
    return rgtest::ToolOutput(QStringLiteral("pdftotext"),
                              {QStringLiteral("-f"), page, QStringLiteral("-l"), page, FileName, QStringLiteral("-")});
}

TEST_F(PreviewFlowTest, PagesTwoToThreePrintedFromThePreviewOfALongListReachTheSchedulerAlone)
{
    int lastPage = 0;
    TPromptScript script;
    script.Modal<TrgPrintPreview>([&](TrgPrintPreview& Form) {
        EXPECT_EQ(Form.rgViewer1->AbsolutePageNo(), 1);

        Form.spbPreviewLast->Click();
        lastPage = Form.rgViewer1->AbsolutePageNo();
        EXPECT_GT(lastPage, 3);
        EXPECT_EQ(Form.mskPreviewPage->Text(), QString::number(lastPage)) << "the page field follows the viewer";
        EXPECT_EQ(report->Engine()->GetPageCount(), lastPage);
        EXPECT_TRUE(report->Pages.back().contains(QStringLiteral("\"Satz %1\"").arg(RecordCount)))
            << "the last page holds the last record";

        EnterPage(Form, 3);
        EXPECT_EQ(Form.rgViewer1->AbsolutePageNo(), 3);

        Form.spbPreview100Percent->Click();
        EXPECT_TRUE(Form.spbPreview100Percent->Down());
        EXPECT_FALSE(Form.spbPreviewWhole->Down());
        EXPECT_EQ(Form.rgViewer1->CalculatedZoom(), 100);
        EXPECT_EQ(Form.mskPreviewPercentage->Text(), QString::number(Form.rgViewer1->CalculatedZoom()));
        EXPECT_EQ(Form.rgViewer1->AbsolutePageNo(), 3) << "zooming keeps the page";

        // The print dialog the print button opens: pages 2 to 3 on "Probe".
        TPromptScript dialogScript;
        dialogScript.Modal<TrgPrintDialog>([](TrgPrintDialog& Dialog) {
            Dialog.edtPagesClick();
            Dialog.edtPages->SetText(QStringLiteral("2-3"));
            Dialog.btnOKClick();
        });
        Form.spbPreviewPrint->Click();
        EXPECT_EQ(Form.rgViewer1->AbsolutePageNo(), 3) << "the preview stays where it was";

        Form.spbPreviewClose->Click();
    });
    report->Print();
    EXPECT_EQ(report->PreviewForm(), nullptr);
    EXPECT_FALSE(report->PrintInProgress());

    // The records of pages 2 and 3 as the engine laid them out.
    std::map<int, QList<int>> recordsOnPage;
    for (size_t i = 0; i < report->Pages.size(); ++i)
        recordsOnPage[report->PageNumbers[i]] = RecordsIn(report->Pages[i]);
    for (int page = 2; page <= 3; ++page)
        ASSERT_FALSE(recordsOnPage[page].isEmpty()) << "page " << page;
    EXPECT_GT(recordsOnPage[2].front(), 1) << "page 2 does not start with the first record";

    ASSERT_EQ(cupsd.JobIds().size(), 1);
    const QStringList files = cupsd.JobFiles();
    ASSERT_EQ(files.size(), 1);
    const QString info = rgtest::ToolOutput(QStringLiteral("pdfinfo"), {files.front()});
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n")))) << info.toStdString();
    // Spooled page 1 is page 2 of the report, spooled page 2 its page 3,
    // and no record of any other page was printed.
    for (int spooled = 1; spooled <= 2; ++spooled) {
        const QList<int> printed = RecordsIn(SpooledPageText(files.front(), spooled));
        EXPECT_EQ(printed, recordsOnPage[spooled + 1]) << "spooled page " << spooled;
    }
    const QList<int> all = RecordsIn(rgtest::ToolOutput(QStringLiteral("pdftotext"), {files.front(), QStringLiteral("-")}));
    EXPECT_EQ(all, recordsOnPage[2] + recordsOnPage[3]);
}

}  // namespace
