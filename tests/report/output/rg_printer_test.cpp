// The printer: driver settings made from a setup and read back, and the
// job rendered into a PDF that reaches the spooler only when it completed.
// The spooler here is a recording double; the real spooler is tested
// against a private cupsd in rg_printer_cups_test.cpp.
#include "report/output/rg_printer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include "fake_printer_source.h"
#include "job_files.h"
#include "platform/core/run_temp_folder.h"
#include "pdf_tools.h"
#include "recording_spooler.h"
#include "test_environment.h"

using rgtest::InstallFakePrinters;
using rgtest::OfficeLaser;
using rgtest::ToolOutput;
using rgtest::Matches;
using rgtest::TRecordingSpooler;

namespace {

class PrinterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InstallFakePrinters({OfficeLaser("Laser"), OfficeLaser("Second")});
        oldTmp_ = qgetenv("TMPDIR");
        qputenv("TMPDIR", QByteArray(tmp_.str().c_str()));
        RemoveRunTempFolder();  // the run's folder is made anew inside
    }
    void TearDown() override
    {
        qputenv("TMPDIR", oldTmp_);
        InstallFakePrinters({});
    }

    std::unique_ptr<TrgPrinter> RecordingPrinter(const QString& refusal = {})
    {
        auto printer = std::make_unique<TrgPrinter>();
        printer->SetSpooler(std::make_unique<TRecordingSpooler>(jobs_, QString::fromStdString(kept_.str()), refusal));
        return printer;
    }

    // Files left in the temporary folder (job files that were not removed).
    QStringList TemporaryFiles() const { return FilesBelow(tmp_.str()); }

    static std::unique_ptr<TrgPrinterSetup> MillimetreSetup()
    {
        auto setup = std::make_unique<TrgPrinterSetup>(nullptr);
        setup->SetUnits(utMillimeters);
        return setup;
    }

    lxtest::TempDir tmp_;
    lxtest::TempDir kept_;
    QByteArray oldTmp_;
    std::vector<TrgSpoolJob> jobs_;
};

// ---- driver settings ----

TEST_F(PrinterTest, CopiesGoToTheDriverOnlyWithoutCollation)
{
    for (bool collation : {false, true}) {
        TrgPrinter printer;
        auto setup = MillimetreSetup();
        setup->SetCopies(3);
        setup->SetCollation(collation);
        printer.SetPrinterSetup(*setup);
        ASSERT_NE(printer.DevMode(), nullptr);
        EXPECT_EQ(printer.DevMode()->Copies, collation ? 1 : 3);
        EXPECT_EQ(printer.DevMode()->Fields & 0x1103u, 0x1103u);
    }
}

TEST_F(PrinterTest, ACustomPaperGivesItsSizeInPortraitEitherWay)
{
    for (TPrinterOrientation orientation : {poPortrait, poLandscape}) {
        TrgPrinter printer;
        auto setup = MillimetreSetup();
        setup->SetOrientation(orientation);
        setup->SetPaperWidth(orientation == poPortrait ? 100 : 150);
        setup->SetPaperHeight(orientation == poPortrait ? 150 : 100);
        printer.SetPrinterSetup(*setup);
        const TrgDeviceMode* mode = printer.DevMode();
        EXPECT_EQ(mode->PaperSize, 256);
        EXPECT_EQ(mode->PaperWidth, 1000);
        EXPECT_EQ(mode->PaperLength, 1500);
        EXPECT_EQ(mode->Orientation, orientation == poPortrait ? 1 : 2);
        EXPECT_TRUE(mode->Fields & TrgDeviceMode::dmPaperWidthField);
        EXPECT_TRUE(mode->Fields & TrgDeviceMode::dmPaperLengthField);
        EXPECT_EQ(printer.PaperSizeTenths(), QSize(1000, 1500));
    }
}

TEST_F(PrinterTest, AKnownPaperGivesItsCodeAndDuplexItsNumber)
{
    TrgPrinter printer;
    auto setup = MillimetreSetup();
    setup->SetPaperName("A5");
    setup->SetDuplex(dpVertical);
    printer.SetPrinterSetup(*setup);
    EXPECT_EQ(printer.DevMode()->PaperSize, 11);
    EXPECT_FALSE(printer.DevMode()->Fields & TrgDeviceMode::dmPaperWidthField);
    EXPECT_EQ(printer.DevMode()->Duplex, 3);
    EXPECT_EQ(printer.PaperSizeTenths(), QSize(1480, 2100));
}

TEST_F(PrinterTest, BinsByName)
{
    struct Case {
        const char* bin;
        bool flagged;
        int code;
    };
    for (const Case& c : {Case{"Current", false, 0}, Case{"Default", true, 7}, Case{"Manual", true, 4},
                          Case{"Tray 2", true, 258}, Case{"No such tray", false, 0}}) {
        SCOPED_TRACE(c.bin);
        TrgPrinter printer;
        TrgDeviceMode start = *printer.DevMode();
        start.Fields = 0;
        start.DefaultSource = 0;
        printer.SetDevMode(start);
        TrgPrinterSetup* setup = printer.PrinterSetup();
        setup->NotifyEnabled = false;
        setup->SetBinName(c.bin);
        setup->NotifyEnabled = true;
        printer.UpdateDevMode();
        EXPECT_EQ(bool(printer.DevMode()->Fields & TrgDeviceMode::dmDefaultSourceField), c.flagged);
        EXPECT_EQ(printer.DevMode()->DefaultSource, c.code);
    }
}

// A template made for a Windows driver names its bin by the driver's name or
// number; the job takes the CUPS printer's own source for it where it has one.
TEST_F(PrinterTest, WindowsBinNamesAndNumbersChooseThePrintersOwnSource)
{
    rgtest::TFakePrinter cups;
    cups.Entry = {"Cups", {}, "Cups", {}};
    cups.Capabilities = OfficeLaser().Capabilities;
    cups.Capabilities.BinNames = {"auto", "manual", "top", "bottom", "tray-1", "tray-2", "tray-3", "envelope",
                                  "large-capacity"};
    cups.Capabilities.Bins = {7, 4, 256, 257, 258, 259, 260, 261, 262};
    rgtest::TFakePrinter trays = cups;  // a printer with numbered trays only
    trays.Entry = {"Trays", {}, "Trays", {}};
    trays.Capabilities.BinNames = {"auto", "manual", "tray-1", "tray-2"};
    trays.Capabilities.Bins = {7, 4, 256, 257};
    InstallFakePrinters({cups, trays});
    struct Case {
        const char* printer;
        const char* bin;
        const char* source;  // "" = the printer's automatic source
    } cases[] = {
        {"Cups", "Upper tray", "top"},           {"Cups", "Oberer Schacht", "top"},
        {"Cups", "Unteres Papierfach", "bottom"}, {"Cups", "Lower tray", "bottom"},
        {"Cups", "Schacht 1", "tray-1"},         {"Cups", "Tray 3", "tray-3"},
        {"Cups", "Fach 2", "tray-2"},            {"Cups", "Manuelle Zufuhr", "manual"},
        {"Cups", "Manual feed", "manual"},       {"Cups", "Briefumschlag", "envelope"},
        {"Cups", "Großraumfach", "large-capacity"}, {"Cups", "Automatisch auswählen", ""},
        {"Cups", "1", "top"},                    {"Cups", "2", "bottom"},
        {"Cups", "4", "manual"},                 {"Cups", "5", "envelope"},
        {"Cups", "7", ""},                       {"Cups", "11", "large-capacity"},
        {"Cups", "15", ""},                      {"Cups", "257", "tray-2"},
        {"Cups", "TOP", "top"},                  {"Cups", "tray-2", "tray-2"},
        {"Trays", "Upper tray", "tray-1"},       {"Trays", "Unterer Schacht", "tray-2"},
        {"Trays", "1", "tray-1"},                {"Trays", "Mittlerer Schacht", ""},
        {"Trays", "8", ""},                      {"Trays", "Schacht 3", ""},
        {"Trays", "Irgendein Fach", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.printer) + " " + c.bin);
        auto printer = RecordingPrinter();
        auto setup = MillimetreSetup();
        setup->SetPrinterName(c.printer);
        setup->SetBinName(QString::fromUtf8(c.bin));
        printer->SetPrinterSetup(*setup);
        printer->BeginDoc();
        printer->StartPage();
        printer->EndPage();
        printer->EndDoc();
        ASSERT_FALSE(jobs_.empty());
        EXPECT_EQ(jobs_.back().Queue, c.printer);
        EXPECT_EQ(jobs_.back().MediaSource, c.source);
        // The template keeps its own name for the bin.
        EXPECT_EQ(printer->GetPrinterSetup()->BinName(), QString::fromUtf8(c.bin));
    }
}

TEST_F(PrinterTest, AnEqualSetupDoesNotChangeTheDriverSettingsAgain)
{
    TrgPrinter printer;
    auto setup = MillimetreSetup();
    setup->SetCopies(2);
    printer.SetPrinterSetup(*setup);
    const int changes = printer.DevModeChanges();
    EXPECT_GT(changes, 0);
    printer.SetPrinterSetup(*setup);
    EXPECT_EQ(printer.DevModeChanges(), changes);
    setup->SetCopies(5);
    printer.SetPrinterSetup(*setup);
    EXPECT_GT(printer.DevModeChanges(), changes);
    EXPECT_EQ(printer.DevMode()->Copies, 5);
}

TEST_F(PrinterTest, DriverSettingsAreReadBackIntoTheSetup)
{
    TrgPrinter printer;
    printer.PrinterSetup()->SetUnits(utMillimeters);
    TrgDeviceMode mode = *printer.DevMode();
    mode.Fields = 0x1103 | TrgDeviceMode::dmDefaultSourceField;
    mode.PaperSize = 11;
    mode.Orientation = 2;
    mode.Copies = 2;
    mode.Duplex = 2;
    mode.DefaultSource = 258;
    printer.SetDevMode(mode);
    TrgPrinterSetup* setup = printer.GetPrinterSetup();
    EXPECT_EQ(setup->StoredPaperName(), "A5");
    EXPECT_EQ(setup->Orientation(), poLandscape);
    EXPECT_EQ(setup->PageDef().mmWidth, 210000);
    EXPECT_EQ(setup->PageDef().mmHeight, 148000);
    EXPECT_EQ(setup->Copies(), 2);
    EXPECT_EQ(setup->Duplex(), dpHorizontal);
    EXPECT_EQ(setup->BinName(), "Tray 2");
}

TEST_F(PrinterTest, ResolutionIsThePrintersWhileItCanBeUsedElseTheScreens)
{
    TrgPrinter printer;
    EXPECT_EQ(printer.GetPixelsPerInch(), QPoint(TrgPrinter::kResolution, TrgPrinter::kResolution));
    EXPECT_EQ(rgToMMThousandths(utPrinterPixels, rgHorizontal, &printer, 600), 25400);
    printer.SetPrinterName("Vanished");
    EXPECT_FALSE(printer.HasContext());
    EXPECT_EQ(printer.GetPixelsPerInch(), QPoint(rgScreenPixelsPerInch(), rgScreenPixelsPerInch()));
    EXPECT_EQ(printer.DevMode(), nullptr);
}

// ---- the job ----

TEST_F(PrinterTest, ACompletedJobReachesTheSpoolerWithItsPagesAndSettings)
{
    auto printer = RecordingPrinter();
    auto setup = MillimetreSetup();
    setup->SetCopies(2);
    setup->SetDuplex(dpHorizontal);
    setup->SetBinName("Manual");
    setup->DocumentName = "Bilderliste";
    printer->SetPrinterSetup(*setup);
    printer->BeginDoc();
    for (int page = 1; page <= 3; ++page) {
        printer->StartPage();
        ASSERT_NE(printer->Canvas(), nullptr);
        printer->Canvas()->drawRect(600, 600, 1200, 600);
        printer->EndPage();
    }
    EXPECT_TRUE(jobs_.empty());  // nothing is spooled before the end
    printer->EndDoc();
    ASSERT_EQ(jobs_.size(), 1u);
    const TrgSpoolJob& job = jobs_.front();
    EXPECT_EQ(job.Queue, "Laser");
    EXPECT_EQ(job.Title, "Bilderliste");
    EXPECT_EQ(job.Copies, 2);
    EXPECT_FALSE(job.Collate);
    EXPECT_EQ(job.Media, "iso_a4_210x297mm");
    EXPECT_EQ(job.Sides, "two-sided-long-edge");
    EXPECT_EQ(job.MediaSource, "Manual");
    EXPECT_EQ(printer->LastJobId(), 1);
    const QString info = ToolOutput("pdfinfo", {job.FileName});
    EXPECT_TRUE(Matches(info, "Pages:\\s+3\\n")) << info.toStdString();
    EXPECT_TRUE(Matches(info, "Page size:\\s+595 x 842 pts")) << info.toStdString();
    EXPECT_TRUE(TemporaryFiles().isEmpty()) << TemporaryFiles().join(',').toStdString();
}

TEST_F(PrinterTest, ASetupChangedBetweenPagesChangesTheNextPage)
{
    auto printer = RecordingPrinter();
    auto setup = MillimetreSetup();
    printer->SetPrinterSetup(*setup);
    printer->BeginDoc();
    printer->StartPage();
    printer->EndPage();
    setup->SetOrientation(poLandscape);
    printer->SetPrinterSetup(*setup);
    printer->StartPage();
    printer->EndPage();
    printer->EndDoc();
    ASSERT_EQ(jobs_.size(), 1u);
    const QString info = ToolOutput("pdfinfo", {"-f", "1", "-l", "2", jobs_.front().FileName});
    EXPECT_TRUE(Matches(info, "Page\\s+1 size:\\s+595 x 842 pts")) << info.toStdString();
    EXPECT_TRUE(Matches(info, "Page\\s+2 size:\\s+842 x 595 pts")) << info.toStdString();
}

TEST_F(PrinterTest, ACancelledJobNeverReachesTheSpoolerAndLeavesNoFile)
{
    auto printer = RecordingPrinter();
    printer->BeginDoc();
    printer->StartPage();
    printer->Canvas()->drawLine(0, 0, 100, 100);
    printer->EndPage();
    EXPECT_EQ(TemporaryFiles().size(), 1);
    printer->Abort();
    EXPECT_FALSE(printer->Printing());
    EXPECT_TRUE(jobs_.empty());
    EXPECT_TRUE(TemporaryFiles().isEmpty());
    printer->EndDoc();  // nothing left to end
    EXPECT_TRUE(jobs_.empty());
}

TEST_F(PrinterTest, AJobWithoutPagesIsNoJob)
{
    auto printer = RecordingPrinter();
    printer->BeginDoc();
    printer->EndDoc();
    EXPECT_TRUE(jobs_.empty());
    EXPECT_TRUE(TemporaryFiles().isEmpty());
}

TEST_F(PrinterTest, ARefusalOfTheSpoolerIsAnErrorWithItsMessage)
{
    auto printer = RecordingPrinter("Warteschlange angehalten");
    printer->BeginDoc();
    printer->StartPage();
    printer->EndPage();
    try {
        printer->EndDoc();
        FAIL() << "EndDoc reported success";
    } catch (const EPrintError& e) {
        EXPECT_EQ(e.Message, "Warteschlange angehalten");
    }
    EXPECT_FALSE(printer->Printing());
    EXPECT_TRUE(TemporaryFiles().isEmpty());
}

TEST_F(PrinterTest, APrinterThatIsNotInstalledCannotStartAJob)
{
    auto printer = RecordingPrinter();
    printer->SetPrinterName("Vanished");
    try {
        printer->BeginDoc();
        FAIL() << "a job began on a printer that is not installed";
    } catch (const EPrintError& e) {
        EXPECT_EQ(e.Message, "Der Drucker \"Vanished\" ist nicht verfügbar.");
    }
    EXPECT_FALSE(printer->Printing());
    InstallFakePrinters({});
    TrgPrinter none;
    try {
        none.BeginDoc();
        FAIL() << "a job began without any printer";
    } catch (const EPrintError& e) {
        EXPECT_EQ(e.Message, "Es ist kein Standarddrucker eingerichtet.");
    }
    EXPECT_TRUE(TemporaryFiles().isEmpty());
}

TEST_F(PrinterTest, PrintingToAFileKeepsTheChosenFileAndSpoolsNothing)
{
    auto printer = RecordingPrinter();
    lxtest::TempDir out;
    const QString file = QString::fromStdString((out / "liste.pdf").string());
    lxtest::WriteFile(out / "liste.pdf", "old contents");
    printer->OutputFileName = file;
    printer->BeginDoc();
    printer->StartPage();
    printer->Canvas()->drawEllipse(100, 100, 500, 300);
    printer->EndPage();
    printer->EndDoc();
    EXPECT_TRUE(jobs_.empty());
    EXPECT_TRUE(Matches(ToolOutput("pdfinfo", {file}), "Pages:\\s+1\\n"));
    EXPECT_EQ(QDir(QString::fromStdString(out.str())).entryList(QDir::Files), QStringList({"liste.pdf"}));

    // A cancelled job to a file leaves the file that was there.
    printer->BeginDoc();
    printer->StartPage();
    printer->Abort();
    EXPECT_TRUE(Matches(ToolOutput("pdfinfo", {file}), "Pages:\\s+1\\n"));
    EXPECT_EQ(QDir(QString::fromStdString(out.str())).entryList(QDir::Files), QStringList({"liste.pdf"}));
}

}  // namespace

namespace {

TEST_F(PrinterTest, ABlackAndWhitePrinterPrintsColouredTextBlack)
{
    rgtest::TFakePrinter mono = OfficeLaser("Mono");
    mono.Capabilities.ColorPrinter = false;
    InstallFakePrinters({OfficeLaser("Laser"), mono});
    TrgPrinter printer;
    struct Case {
        QColor given, onColour, onMono;
    };
    const Case cases[] = {
        {QColor(255, 0, 0), QColor(255, 0, 0), QColor(0, 0, 0)},
        {QColor(0, 0, 0), QColor(0, 0, 0), QColor(0, 0, 0)},
        {QColor(255, 255, 255), QColor(255, 255, 255), QColor(255, 255, 255)},
        {QColor(128, 128, 128), QColor(128, 128, 128), QColor(0, 0, 0)},
    };
    EXPECT_TRUE(printer.GetColorPrinter());
    for (const Case& c : cases)
        EXPECT_EQ(printer.FontColor(c.given), c.onColour) << c.given.name().toStdString();
    printer.SetPrinterName("Mono");
    EXPECT_FALSE(printer.GetColorPrinter());
    for (const Case& c : cases)
        EXPECT_EQ(printer.FontColor(c.given), c.onMono) << c.given.name().toStdString();
}

}  // namespace

namespace {

TEST_F(PrinterTest, ACustomSizeIsReadBackTurnedForLandscape)
{
    TrgPrinter printer;
    printer.PrinterSetup()->SetUnits(utMillimeters);
    TrgDeviceMode mode = *printer.DevMode();
    mode.Fields = 0x1103 | TrgDeviceMode::dmPaperWidthField | TrgDeviceMode::dmPaperLengthField;
    mode.PaperSize = 256;
    mode.PaperWidth = 1000;
    mode.PaperLength = 1500;
    for (int orientation : {1, 2}) {
        mode.Orientation = orientation;
        printer.SetDevMode(mode);
        const TrgPageDef& def = printer.GetPrinterSetup()->PageDef();
        EXPECT_EQ(def.mmWidth, orientation == 1 ? 100000 : 150000);
        EXPECT_EQ(def.mmHeight, orientation == 1 ? 150000 : 100000);
        // Written back, the driver gets the same upright sheet.
        printer.UpdateDevMode();
        EXPECT_EQ(printer.DevMode()->PaperWidth, 1000);
        EXPECT_EQ(printer.DevMode()->PaperLength, 1500);
    }
}

}  // namespace

namespace {

TEST_F(PrinterTest, AFileThatCannotBeWrittenIsAnErrorAndNothingIsLeftBehind)
{
    auto printer = RecordingPrinter();
    lxtest::TempDir out;
    // A folder stands where the file should go: the finished job cannot replace it.
    const QString target = QString::fromStdString((out / "liste.pdf").string());
    QDir().mkpath(target + "/inside");
    printer->OutputFileName = target;
    printer->BeginDoc();
    printer->StartPage();
    printer->EndPage();
    try {
        printer->EndDoc();
        FAIL() << "a job that was not written was reported as printed";
    } catch (const EPrintError& e) {
        EXPECT_TRUE(e.Message.startsWith("Die Datei \"" + target + "\" kann nicht geschrieben werden")) << e.Message.toStdString();
    }
    EXPECT_TRUE(jobs_.empty());
    EXPECT_EQ(QDir(QString::fromStdString(out.str())).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList({"liste.pdf"}));
    EXPECT_TRUE(QFileInfo(target).isDir());
}

}  // namespace
