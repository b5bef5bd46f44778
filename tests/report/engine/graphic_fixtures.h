#pragma once
// Engine tests whose reports are printed into a PDF and judged from
// outside: the report prints on the printer device, whose printer writes
// its output file, and the PDF is read back with poppler's tools.

#include <QDir>
#include <functional>
#include <QImage>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "engine_fixtures.h"
#include "fake_printer_source.h"
#include "pdf_tools.h"
#include "platform/stream/component_reader.h"
#include "platform/stream/component_writer.h"
#include "platform/stream/stream_text.h"
#include "report/output/rg_cancel_dialog.h"
#include "report/output/rg_print_dialog.h"
#include "report/output/rg_printer_device.h"

constexpr int kPrintResolution = 300;

// Lengths of the tests in thousandths of a millimetre.
constexpr int MM(double Millimetres) { return int(Millimetres * 1000 + (Millimetres >= 0 ? 0.5 : -0.5)); }
// Thousandths of a millimetre of a length in screen pixels at 96 per inch.
inline double ScreenPixelsInMM(int Pixels) { return Pixels * 25400.0 / 96.0; }
// A position in thousandths of a millimetre as a pixel of the printed page.
inline int PagePixel(int MMThousandths) { return int(MMThousandths * double(kPrintResolution) / 25400.0); }

// A report whose printer writes its pages into PdfFileName.
class TPdfReport : public TCapturingReport {
public:
    using TCapturingReport::TCapturingReport;
    QString PdfFileName;
    // Called with each final page.
    std::function<void(TrgPage*)> OnFinalPage;
    void PageGenerated() override
    {
        TCapturingReport::PageGenerated();
        if (Engine()->Page()->CalculationOnly || !Engine()->Page()->Final)
            return;
        if (OnFinalPage)
            OnFinalPage(Engine()->Page());
    }
    void DeviceCreated(TrgDevice* Device) override
    {
        TCapturingReport::DeviceCreated(Device);
        if (auto* printer = dynamic_cast<TrgPrinterDevice*>(Device))
            printer->Printer()->OutputFileName = PdfFileName;
    }
};

class TPdfEngineTest : public TEngineTest {
protected:
    void SetUp() override
    {
        report = std::make_unique<TPdfReport>(&form);
        TEngineTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        TrgPrintDialog::Register();
        TrgCancelDialog::Register();
        report->PrinterSetup()->SetPrinterName(QStringLiteral("Laser"));
    }
    void TearDown() override
    {
        report.reset();
        rgSetPrinterSource(nullptr);
        TEngineTest::TearDown();
    }
    TPdfReport* PdfReport() { return static_cast<TPdfReport*>(report.get()); }
    QString Pdf() const { return dir.filePath(QStringLiteral("bericht.pdf")); }

    // Prints every page on the printer, whose output goes into the PDF;
    // returns the page dumps.
    std::vector<QString> PrintToPdf()
    {
        report->Pages.clear();
        report->PageNumbers.clear();
        // The office laser, whatever printers the test measured with.
        rgtest::InstallFakePrinters({rgtest::OfficeLaser()});
        PdfReport()->PdfFileName = Pdf();
        report->SetDevice(dvPrinter);
        report->SetShowPrintDialog(false);
        report->SetShowCancelDialog(false);
        report->Print();
        EXPECT_TRUE(QFile::exists(Pdf())) << "the printer wrote no PDF";
        return report->Pages;
    }

    // The PDF's pages in colour at the print resolution.
    std::vector<QImage> Rasterise()
    {
        const QString prefix = dir.filePath(QStringLiteral("raster"));
        const rgtest::TToolResult result = rgtest::RunTool(
            "pdftoppm", {"-r", QString::number(kPrintResolution), "-png", Pdf(), prefix});
        EXPECT_EQ(result.ExitCode, 0) << result.Output.toStdString();
        std::vector<QImage> pages;
        for (const QString& name : QDir(dir.path()).entryList({"raster*.png"}, QDir::Files, QDir::Name))
            pages.push_back(QImage(dir.filePath(name)).convertToFormat(QImage::Format_RGB32));
        return pages;
    }

    static bool HaveTools(std::initializer_list<const char*> Tools)
    {
        for (const char* tool : Tools)
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                return false;
        return true;
    }

    // A4 with margins of 10 mm instead of the small test page.
    void UseA4()
    {
        paperWidth = 210000;
        paperHeight = 297000;
        const int values[] = {kMargin, kMargin, kMargin, kMargin, paperHeight, paperWidth};
        for (int i = 0; i < 6; ++i)
            report->PrinterSetup()->SetDefinedValue(i, values[i]);
    }

    QTemporaryDir dir;
    int paperWidth = kPaperWidth;
    int paperHeight = kPaperHeight;
};

// The text form of a component written as a root.
inline QString ComponentTextForm(TComponent* Component)
{
    QByteArray binary;
    TWriter writer(binary);
    writer.WriteRootComponent(Component);
    return QString::fromLatin1(ObjectBinaryToText(binary));
}

// Reads a text form into Component.
inline void ReadComponentTextForm(const QString& Text, TComponent* Component)
{
    ComponentFromBytes(ObjectTextToBinary(Text.toLatin1()), Component);
}
