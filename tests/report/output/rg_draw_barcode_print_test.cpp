// Bar code draw commands printed as the printer prints them: pages of every
// symbology in each of the four orientations painted into a 300-dpi PDF,
// then read back from outside: zbarimg on the pdftoppm raster decodes the
// symbols, pdftotext finds the human-readable digits, and the POSTNET bars
// are measured by their pixels.
#include "report/output/rg_draw_barcode.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "barcode_devices.h"
#include "barcode_scan.h"
#include "fake_printer_source.h"
#include "report/output/rg_barcode.h"
#include "report/output/rg_page.h"

using namespace rgtest;

namespace {

constexpr int kResolution = kScanResolution;
constexpr TrgBarCodeOrientation kOrientations[] = {orLeftToRight, orRightToLeft, orTopToBottom, orBottomToTop};

// The EAN/UPC check digit by the published rule: from the right, weights 3, 1, 3, ...
QString WithCheckDigit(const QString& digits)
{
    int sum = 0;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        const int d = digits[digits.size() - 1 - i].digitValue();
        sum += i % 2 == 0 ? 3 * d : d;
    }
    return digits + QString::number((10 - sum % 10) % 10);
}

struct Printed {
    TrgBarCodeType type;
    QString data;
    QString addOn;
    bool calcCheckDigit = true;
    QStringList expected;  // what a scanner reads; empty: nothing
};

// The symbols of one page; the data differs per orientation so that each
// symbol reads as its own.
std::vector<Printed> PageSymbols(int o)
{
    const QString n = QString::number(o);
    const QString upc = "0360002914" + n;
    const QString ean = "40063813339" + n;
    const QString upcWrong = WithCheckDigit(upc);
    const QString eanWrong = WithCheckDigit(ean);
    auto wrongLast = [](QString s) {
        s[s.size() - 1] = QChar(u'0' + (s.back().digitValue() + 1) % 10);
        return s;
    };
    return {
        {bcUPC_A, upc, "1" + n, true, {"UPC-A:" + WithCheckDigit(upc), "EAN-2:1" + n}},
        {bcUPC_A, "0123456789" + n, "5432" + n, true, {"UPC-A:" + WithCheckDigit("0123456789" + n), "EAN-5:5432" + n}},
        {bcEAN_13, ean, "2" + n, true, {"EAN-13:" + WithCheckDigit(ean), "EAN-2:2" + n}},
        {bcEAN_13, "97838" + n + "123456", "9012" + n, true,
         {"EAN-13:" + WithCheckDigit("97838" + n + "123456"), "EAN-5:9012" + n}},
        {bcEAN_13, "50123452" + n + "789", {}, true, {"EAN-13:" + WithCheckDigit("50123452" + n + "789")}},
        {bcInt2of5, "123456789" + n, {}, true, {"I2/5:123456789" + n}},
        {bcCode39, "LUMADEX-4" + n, {}, true, {"CODE-39:LUMADEX-4" + n}},
        {bcCode128, QString(QChar(rgCode128StartB)) + "Album " + n + "/x", {}, true, {"CODE-128:Album " + n + "/x"}},
        {bcCode128, QString(QChar(rgCode128StartC)) + "2026121" + n, {}, true, {"CODE-128:2026121" + n}},
        // Printed as given: a wrong check digit must not read.
        {bcEAN_13, wrongLast(eanWrong), {}, false, {}},
        {bcUPC_A, wrongLast(upcWrong), {}, false, {}},
        {bcPostnet, "12345-678" + n, {}, true, {}},
    };
}

// Natural module widths for each symbology, as the components set them.
int ModuleWidth(TrgBarCodeType type)
{
    switch (type) {
    case bcUPC_A:
    case bcEAN_13: return 330;   // 0.013 inch
    case bcInt2of5: return 381;  // 0.015 inch
    case bcPostnet: return 508;  // 0.02 inch
    default: return 254;         // 0.01 inch
    }
}

class PrintedBarCodeCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const QString tool = MissingScanTool(); !tool.isEmpty())
            GTEST_SKIP() << tool.toStdString() << " is not installed (scripts/setup installs it)";
        ASSERT_TRUE(dir_.isValid());
        InstallFakePrinters({});
        rgRegisterDrawCommandClasses();
    }

    // One page per orientation, the symbols set in rows with wide gaps.
    void PrintPages()
    {
        PdfPageDevice device(pdf(), kResolution);
        for (int o = 0; o < 4; ++o) {
            if (o > 0)
                device.NewPage();
            TrgPage page(nullptr);
            int left = 10000, top = 10000, rowHeight = 0;
            for (const Printed& p : PageSymbols(o)) {
                auto* command = new TrgDrawBarCode(nullptr);
                command->BarCodeType = p.type;
                command->Data = p.data;
                command->AddOnCode = p.addOn;
                command->CalcCheckDigit = p.calcCheckDigit;
                command->BarWidth = ModuleWidth(p.type);
                command->PrintHumanReadable = p.type != bcPostnet;
                command->Font()->SetName(QStringLiteral("Courier New"));
                command->Orientation = kOrientations[o];
                command->SuppressMessages = true;
                command->SizeToResolution(kResolution, kResolution);
                if (left + command->Width > 200000) {
                    left = 10000;
                    top += rowHeight + 12000;
                    rowHeight = 0;
                }
                command->Left = left;
                command->Top = top;
                left += command->Width + 12000;
                rowHeight = std::max(rowHeight, command->Height);
                ASSERT_LT(top + command->Height, 290000) << "page " << o << " is full";
                command->SetPage(&page);
            }
            device.DrawPage(&page);
            for (int i = 0; i < page.GetDrawCommandCount(); ++i) {
                auto* command = static_cast<TrgDrawBarCode*>(page.GetDrawCommand(i));
                rects_[o].push_back({command->BarCodeType, command->GetDrawRect()});
            }
        }
        device.Finish();
    }

    QString pdf() const { return dir_.path() + "/codes.pdf"; }

    QTemporaryDir dir_;
    std::vector<std::pair<TrgBarCodeType, TRect>> rects_[4];
};

QString PageText(const QString& pdf, int page, bool raw = false)
{
    QProcess p;
    QStringList args{"-f", QString::number(page), "-l", QString::number(page)};
    if (raw)
        args << "-raw";
    p.start("pdftotext", args + QStringList{pdf, "-"});
    EXPECT_TRUE(p.waitForFinished(60000));
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The ink of a POSTNET symbol turned back to reading order: per bar, the
// first and last dark row (top, bottom) in that bar's columns.
std::vector<std::pair<int, int>> PostnetBars(const QImage& page, const TRect& r, TrgBarCodeOrientation o)
{
    QImage symbol = page.copy(QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top));
    const int turnBack = o == orRightToLeft ? 180 : o == orTopToBottom ? -90 : o == orBottomToTop ? 90 : 0;
    symbol = symbol.transformed(QTransform().rotate(turnBack)).convertToFormat(QImage::Format_Grayscale8);
    std::vector<std::pair<int, int>> bars;
    bool inBar = false;
    for (int x = 0; x < symbol.width(); ++x) {
        int top = -1, bottom = -1;
        for (int y = 0; y < symbol.height(); ++y) {
            if (qGray(symbol.pixel(x, y)) < 128) {
                if (top < 0)
                    top = y;
                bottom = y;
            }
        }
        if (top >= 0 && !inBar)
            bars.push_back({top, bottom});
        else if (top >= 0)  // the bar's middle column decides, away from anti-aliased edges
            bars.back() = {std::min(bars.back().first, top), std::max(bars.back().second, bottom)};
        inBar = top >= 0;
    }
    return bars;
}

}  // namespace

TEST_F(PrintedBarCodeCommands, EverySymbologyInEveryOrientationReadsBackAndWrongDigitsDoNot)
{
    PrintPages();
    const QStringList pages = RasterisePdf(dir_.path(), pdf());
    ASSERT_EQ(pages.size(), 4);
    for (int o = 0; o < 4; ++o) {
        QStringList expected;
        for (const Printed& p : PageSymbols(o))
            expected << p.expected;
        expected.sort();
        EXPECT_EQ(ScanImages({pages[o]}), expected) << "orientation " << o;
    }
}

TEST_F(PrintedBarCodeCommands, TheDigitsArePrintedAsText)
{
    PrintPages();
    for (int o = 0; o < 4; ++o) {
        // Words of one symbol may come out on lines of their own.
        const QString text = PageText(pdf(), o + 1, true).remove(QRegularExpression("\\s"));
        const QString n = QString::number(o);
        const QString ean = WithCheckDigit("40063813339" + n);
        const QString upc = WithCheckDigit("0360002914" + n);
        // EAN-13: the first digit alone, then the two halves of six.
        for (const QString& part : {ean.left(1), ean.mid(1, 6), ean.mid(7, 6), upc.mid(1, 5), upc.mid(6, 5),
                                    QString("LUMADEX-4" + n), QString("123456789" + n), QString("Album" + n + "/x"),
                                    QString("2026121" + n)})
            EXPECT_TRUE(text.contains(part)) << "orientation " << o << ": " << part.toStdString() << " not in\n"
                                             << text.toStdString();
    }
}

TEST_F(PrintedBarCodeCommands, PostnetHalfBarsAreFortyPercentOnTheSameBaseLine)
{
    PrintPages();
    const QStringList pages = RasterisePdf(dir_.path(), pdf());
    ASSERT_EQ(pages.size(), 4);
    for (int o = 0; o < 4; ++o) {
        const QImage page(pages[o]);
        TRect rect{};
        for (const auto& [type, r] : rects_[o])
            if (type == bcPostnet)
                rect = r;
        const auto bars = PostnetBars(page, rect, kOrientations[o]);
        // Ten digits (nine and the check digit) of five bars and two frame bars.
        ASSERT_EQ(bars.size(), 52u) << "orientation " << o;
        int full = 0;
        for (const auto& [top, bottom] : bars)
            full = std::max(full, bottom - top + 1);
        int halves = 0;
        for (const auto& [top, bottom] : bars) {
            EXPECT_NEAR(bottom, bars.front().second, 1) << "orientation " << o << ": one base line";
            const int height = bottom - top + 1;
            if (height < full - 2) {
                EXPECT_NEAR(height, 0.4 * full, 2.0) << "orientation " << o;
                ++halves;
            }
        }
        // Three half bars in every digit's five.
        EXPECT_EQ(halves, 30) << "orientation " << o;
    }
}
