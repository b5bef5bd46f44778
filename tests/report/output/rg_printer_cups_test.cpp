// Printing through a real CUPS scheduler: a private cupsd under a temporary
// folder, never the machine's. The printer list is read from it, jobs are
// spooled to it, and the spooled files and job attributes are checked from
// outside with poppler, qpdf and ipptool.
#include <QFont>
#include <QPrinter>
#include <QProcess>

#include <gtest/gtest.h>

#include "fake_printer_source.h"
#include "pdf_tools.h"
#include "private_cupsd.h"
#include "report/output/rg_printer.h"
#include "report/output/rg_printer_list.h"
#include "report/output/rg_printer_setup_dialog.h"

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
    ASSERT_NO_FATAL_FAILURE(rgtest::ExpectEmbeddedFontsAndSoundFile(files[0]));
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

namespace {

TEST_F(CupsPrintingTest, TheSetupDialogHandsBackTheChosenPrinterAndSettings)
{
    TrgPrinter printer;
    printer.PrinterSetup()->SetUnits(utMillimeters);
    int changes = 0;
    printer.OnSetupChange = [&](TObject*) { ++changes; };
    QString offered;
    printer.SetupDialogRunner = [&](QPrinter& target) {
        offered = target.printerName();
        target.setPrinterName("Second");
        target.setCopyCount(2);
        target.setPageSize(QPageSize(QSizeF(100, 150), QPageSize::Millimeter, QString(), QPageSize::ExactMatch));
        target.setPageOrientation(QPageLayout::Landscape);
        return true;
    };
    ASSERT_TRUE(printer.ShowSetupDialog());
    EXPECT_EQ(offered, "Probe");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(printer.GetActualPrinterName(), "Second");
    const TrgDeviceMode mode = *printer.DevMode();
    EXPECT_EQ(mode.Copies, 2);
    EXPECT_EQ(mode.Orientation, 2);
    EXPECT_EQ(printer.PaperSizeTenths(), QSize(1000, 1500));

    TrgPrinterSetup* setup = printer.GetPrinterSetup();
    EXPECT_EQ(setup->PrinterName(), "Second");
    EXPECT_EQ(setup->Copies(), 2);
    EXPECT_EQ(setup->Orientation(), poLandscape);
    EXPECT_EQ(setup->PageDef().mmWidth, 150000);
    EXPECT_EQ(setup->PageDef().mmHeight, 100000);
    EXPECT_TRUE(printer.OutputFileName.isEmpty());
}

TEST(PrinterSetupDialog, DuplexBetweenTheDriverAndQt)
{
    const std::pair<int, QPrinter::DuplexMode> cases[] = {
        {1, QPrinter::DuplexNone}, {2, QPrinter::DuplexLongSide}, {3, QPrinter::DuplexShortSide}};
    for (auto [driver, qt] : cases) {
        EXPECT_EQ(rgDuplexToQt(driver), qt);
        EXPECT_EQ(rgDuplexFromQt(qt), driver);
    }
    EXPECT_EQ(rgDuplexFromQt(QPrinter::DuplexAuto), 1);
    EXPECT_EQ(rgDuplexToQt(0), QPrinter::DuplexNone);
}

// The driver settings of a PDF printer.
TEST_F(CupsPrintingTest, DriverSettingsFromAQPrinter)
{
    rgtest::TFakePrinter laser = rgtest::OfficeLaser();
    const TrgPrinterCapabilities caps("Laser", laser.Capabilities);
    struct Case {
        QPageSize::PageSizeId paper;
        QPageLayout::Orientation orientation;
        int dmPaper, dmOrientation;
    };
    const Case cases[] = {
        {QPageSize::A4, QPageLayout::Portrait, 9, 1},
        {QPageSize::A5, QPageLayout::Landscape, 11, 2},
        {QPageSize::Letter, QPageLayout::Portrait, 1, 1},
        {QPageSize::A3, QPageLayout::Portrait, 256, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dmPaper);
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(c.paper));
        printer.setPageOrientation(c.orientation);
        printer.setCopyCount(4);
        const TrgDeviceMode mode = rgDevModeFromQPrinter(printer, caps, TrgDeviceMode{});
        EXPECT_EQ(mode.Duplex, 1);  // a PDF printer prints one-sided
        EXPECT_EQ(mode.PaperSize, c.dmPaper);
        EXPECT_EQ(mode.Orientation, c.dmOrientation);
        EXPECT_EQ(mode.Copies, 4);
        EXPECT_EQ(bool(mode.Fields & TrgDeviceMode::dmPaperWidthField), c.dmPaper == 256);
        if (c.dmPaper == 256) {
            EXPECT_EQ(mode.PaperWidth, 2970);
            EXPECT_EQ(mode.PaperLength, 4200);
        }

        // And back onto a QPrinter.
        QPrinter back;
        back.setOutputFormat(QPrinter::PdfFormat);
        rgDevModeToQPrinter(mode, QSize(1480, 2100), back);
        EXPECT_EQ(back.copyCount(), 4);
        EXPECT_EQ(back.pageLayout().orientation(), c.orientation);
        EXPECT_EQ(back.pageLayout().pageSize().id(), QPageSize::A5);
    }
}

TEST_F(CupsPrintingTest, ACancelledSetupDialogChangesNothing)
{
    TrgPrinter printer;
    const TrgDeviceMode before = *printer.DevMode();
    int changes = 0;
    printer.OnSetupChange = [&](TObject*) { ++changes; };
    printer.SetupDialogRunner = [](QPrinter& target) {
        target.setPrinterName("Second");
        target.setCopyCount(5);
        return false;
    };
    EXPECT_FALSE(printer.ShowSetupDialog());
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(printer.PrinterName(), "Default");
    EXPECT_TRUE(*printer.DevMode() == before);
}

TEST_F(CupsPrintingTest, PrintingToAFileChosenInTheDialogKeepsThatFile)
{
    lxtest::TempDir out;
    const QString file = QString::fromStdString((out / "bilder.pdf").string());
    TrgPrinter printer;
    printer.SetupDialogRunner = [&](QPrinter& target) {
        target.setOutputFormat(QPrinter::PdfFormat);
        target.setOutputFileName(file);
        return true;
    };
    ASSERT_TRUE(printer.ShowSetupDialog());
    EXPECT_EQ(printer.OutputFileName, file);
    PrintPages(printer, 1);
    EXPECT_TRUE(Matches(ToolOutput("pdfinfo", {file}), "Pages:\\s+1\\n"));
    EXPECT_TRUE(cupsd_.JobIds().isEmpty());
}

}  // namespace
