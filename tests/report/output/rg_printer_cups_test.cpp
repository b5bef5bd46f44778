// Printing through a real CUPS scheduler: a private cupsd under a temporary
// folder, never the machine's. The printer list is read from it, jobs are
// spooled to it, and the spooled files and job attributes are checked from
// outside with poppler, qpdf and ipptool.
#include <QFont>
#include <QProcess>

#include <gtest/gtest.h>

#include "fake_printer_source.h"
#include "pdf_tools.h"
#include "private_cupsd.h"
#include "report/output/rg_printer.h"
#include "report/output/rg_printer_list.h"

using rgtest::Matches;
using rgtest::RunTool;
using rgtest::ToolOutput;

namespace {

class CupsPrintingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(cupsd_.Start(), "");
        rgSetPrinterSource(rgCreateCupsPrinterSource());
    }
    // Back to no printers, so no later test reaches a spooler.
    void TearDown() override { rgtest::InstallFakePrinters({}); }

    // Prints pages that say "Seite i von n" in Liberation Sans.
    static void PrintPages(TrgPrinter& printer, int pages)
    {
        printer.BeginDoc();
        for (int page = 1; page <= pages; ++page) {
            printer.StartPage();
            QPainter* canvas = printer.Canvas();
            ASSERT_NE(canvas, nullptr);
            QFont font("Liberation Sans");
            font.setPixelSize(100);
            canvas->setFont(font);
            canvas->drawText(600, 900, QString("Seite %1 von %2").arg(page).arg(pages));
            printer.EndPage();
        }
        printer.EndDoc();
    }

    lxtest::TPrivateCupsd cupsd_{{"Probe", "Second"}};
};

TEST_F(CupsPrintingTest, TheListHoldsTheSchedulersQueuesWithDefaultFirst)
{
    EXPECT_EQ(rgGetPrinterNames(), QStringList({"Default", "Probe", "Second"}));
    EXPECT_EQ(rgGetPrinterList()->GetDefaultPrinterName(), "Probe");
    TrgPrinterInfo* info = rgGetPrinterList()->GetPrinterInfo("Second");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->Device, "Second");
    const TrgPrinterCapabilities* caps = info->GetCapabilities();
    ASSERT_FALSE(caps->PaperNames.isEmpty());
    EXPECT_EQ(caps->PaperNames.last(), "Custom");
    EXPECT_EQ(caps->PaperNames.size(), caps->Papers.size());
    EXPECT_EQ(caps->PaperNames.size(), caps->PaperWidths.size());
    EXPECT_TRUE(caps->BinNames.contains("Default"));
    EXPECT_NE(rgGetPrinter(), nullptr);
}

TEST_F(CupsPrintingTest, ACompletedJobIsSpooledAsAGoodPdfWithItsCopiesAndMedia)
{
    TrgPrinter printer;
    TrgPrinterSetup setup(nullptr);
    setup.SetCopies(3);
    setup.DocumentName = "Bilderliste";
    printer.SetPrinterSetup(setup);
    PrintPages(printer, 2);

    ASSERT_GT(printer.LastJobId(), 0);
    EXPECT_EQ(cupsd_.JobIds(), QList<int>({printer.LastJobId()}));
    const QMap<QString, QString> attributes = cupsd_.JobAttributes(printer.LastJobId());
    EXPECT_EQ(attributes.value("copies"), "3");
    EXPECT_EQ(attributes.value("Collate"), "false");
    EXPECT_EQ(attributes.value("media"), "iso_a4_210x297mm");
    EXPECT_EQ(attributes.value("job-name").toStdString(), "Bilderliste") << QStringList(attributes.keys()).join(' ').toStdString();

    const QStringList files = cupsd_.JobFiles();
    ASSERT_EQ(files.size(), 1);
    const QString info = ToolOutput("pdfinfo", {files[0]});
    EXPECT_TRUE(Matches(info, "Pages:\\s+2\\n")) << info.toStdString();
    EXPECT_TRUE(Matches(info, "Page size:\\s+595 x 842 pts")) << info.toStdString();
    const QString text = ToolOutput("pdftotext", {"-layout", files[0], "-"});
    EXPECT_TRUE(text.contains("Seite 1 von 2")) << text.toStdString();
    EXPECT_TRUE(text.contains("Seite 2 von 2")) << text.toStdString();
    EXPECT_LT(text.indexOf("Seite 1 von 2"), text.indexOf("Seite 2 von 2"));

    // Fonts: embedded, with a Unicode map, and the Liberation face asked for.
    const QStringList fontLines = ToolOutput("pdffonts", {files[0]}).split('\n', Qt::SkipEmptyParts).mid(2);
    ASSERT_FALSE(fontLines.isEmpty());
    for (const QString& line : fontLines) {
        const QStringList f = line.simplified().split(' ');
        ASSERT_GE(f.size(), 7) << line.toStdString();
        EXPECT_EQ(f[f.size() - 5], "yes") << "not embedded: " << line.toStdString();
        EXPECT_EQ(f[f.size() - 3], "yes") << "no Unicode map: " << line.toStdString();
    }
    EXPECT_TRUE(fontLines.join('\n').contains("LiberationSans"));
    const rgtest::TToolResult check = RunTool("qpdf", {"--check", files[0]});
    EXPECT_EQ(check.ExitCode, 0) << check.Output.toStdString();
}

TEST_F(CupsPrintingTest, CollatedCopiesLeaveTheSpoolerOneCopy)
{
    TrgPrinter printer;
    TrgPrinterSetup setup(nullptr);
    setup.SetCopies(3);
    setup.SetCollation(true);
    setup.SetPrinterName("Second");
    setup.SetUnits(utMillimeters);
    setup.SetPaperWidth(100);
    setup.SetPaperHeight(150);
    printer.SetPrinterSetup(setup);
    PrintPages(printer, 1);
    const QMap<QString, QString> attributes = cupsd_.JobAttributes(printer.LastJobId());
    EXPECT_EQ(attributes.value("copies"), "1");
    EXPECT_EQ(attributes.value("Collate"), "true");
    // A named size when one matches, else a custom one: either way 100 x 150 mm.
    EXPECT_TRUE(attributes.value("media").endsWith("_100x150mm")) << attributes.value("media").toStdString();
    EXPECT_EQ(attributes.value("job-printer-uri").section('/', -1), "Second");
    const QStringList files = cupsd_.JobFiles();
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(Matches(ToolOutput("pdfinfo", {files[0]}), "Page size:\\s+283 x 425 pts"));
}

TEST_F(CupsPrintingTest, ACancelledJobLeavesNoJobAndNoSpoolFile)
{
    TrgPrinter printer;
    printer.BeginDoc();
    printer.StartPage();
    printer.Canvas()->drawText(600, 600, "Abgebrochen");
    printer.EndPage();
    printer.Abort();
    EXPECT_TRUE(cupsd_.JobIds().isEmpty());
    EXPECT_TRUE(cupsd_.JobFiles().isEmpty());
    EXPECT_EQ(printer.LastJobId(), 0);
}

TEST_F(CupsPrintingTest, APrinterThatVanishedAfterListingFailsWithTheSpoolersReason)
{
    ASSERT_TRUE(rgGetPrinterNames().contains("Second"));
    TrgPrinter printer;
    printer.SetPrinterName("Second");
    printer.DocumentName = "Liste";
    printer.BeginDoc();
    printer.StartPage();
    printer.EndPage();
    const rgtest::TToolResult removed = RunTool("lpadmin", {"-x", "Second"});
    ASSERT_EQ(removed.ExitCode, 0) << removed.Output.toStdString();
    try {
        printer.EndDoc();
        FAIL() << "a job for a removed printer was reported as printed";
    } catch (const EPrintError& e) {
        EXPECT_TRUE(e.Message.contains("Second")) << e.Message.toStdString();
        EXPECT_TRUE(e.Message.contains("abgelehnt")) << e.Message.toStdString();
    }
    EXPECT_TRUE(cupsd_.JobIds().isEmpty());
    EXPECT_TRUE(cupsd_.JobFiles().isEmpty());
}

}  // namespace
