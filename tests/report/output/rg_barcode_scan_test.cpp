// Printed bar codes read back: rows drawn into a 300-dpi PDF, rasterised by
// pdftoppm and decoded by zbarimg, as a scanner would read the printout.
#include "report/output/rg_barcode.h"

#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "barcode_scan.h"

namespace {

constexpr int kResolution = rgtest::kScanResolution;
constexpr int kBarWidth = 330;  // 0.33 mm: four pixels at 300 dpi

struct Symbol {
    TrgBarCodeType type;
    QString data;
    bool calcCheckDigit = true;
};

// Draws each symbol's row as black bars, one below the other, with quiet
// zones around, on one page of a PDF at 300 dots per inch.
void DrawSymbols(const QString& pdfPath, const std::vector<Symbol>& symbols)
{
    QPdfWriter pdf(pdfPath);
    pdf.setResolution(kResolution);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&pdf);
    int top = 150;
    for (const Symbol& s : symbols) {
        TrgBarCodeEncoder encoder;
        encoder.BarCodeType = s.type;
        encoder.Data = s.data;
        encoder.CalcCheckDigit = s.calcCheckDigit;
        encoder.BarWidth = kBarWidth;
        encoder.WideBarRatio = 3;
        encoder.SuppressMessages = true;
        const std::string row = encoder.Encode(kResolution);
        ASSERT_FALSE(row.empty()) << s.data.toStdString();
        const int left = 200;
        for (size_t x = 0; x < row.size();) {
            size_t end = x;
            while (end < row.size() && row[end] == row[x])
                ++end;
            if (row[x] != '0')
                painter.fillRect(QRect(left + int(x), top, int(end - x), 240), Qt::black);
            x = end;
        }
        top += 240 + 200;
    }
}

class PrintedBarCodes : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const QString tool = rgtest::MissingScanTool(); !tool.isEmpty())
            GTEST_SKIP() << tool.toStdString() << " is not installed (scripts/setup installs it)";
        ASSERT_TRUE(dir_.isValid());
    }
    QTemporaryDir dir_;
};

TEST_F(PrintedBarCodes, EverySymbologyReadsBack)
{
    const QString pdf = dir_.path() + "/codes.pdf";
    DrawSymbols(pdf, {
                         {bcEAN_13, "400638133393"},
                         {bcUPC_A, "03600029145"},
                         {bcCode39, "LUMADEX-42"},
                         {bcInt2of5, "1234567890"},
                         {bcCode128, QString(QChar(rgCode128StartB)) + "Album 7/x"},
                         {bcCode128, QString(QChar(rgCode128StartC)) + "20261210"},
                     });
    EXPECT_EQ(rgtest::ScanPdf(dir_.path(), pdf), (QSet<QString>{
                                             "EAN-13:4006381333931",
                                             "UPC-A:036000291452",
                                             "CODE-39:LUMADEX-42",
                                             "I2/5:1234567890",
                                             "CODE-128:Album 7/x",
                                             "CODE-128:20261210",
                                         }));
}

TEST_F(PrintedBarCodes, WrongCheckDigitDoesNotDecode)
{
    // Printed as given (no check digit computed): a scanner must refuse the
    // wrong ones and still read the right one beside them.
    const QString pdf = dir_.path() + "/wrong.pdf";
    DrawSymbols(pdf, {
                         {bcEAN_13, "4006381333932", false},
                         {bcUPC_A, "036000291453", false},
                         {bcEAN_13, "4006381333931", false},
                     });
    EXPECT_EQ(rgtest::ScanPdf(dir_.path(), pdf), QSet<QString>{"EAN-13:4006381333931"});
}

}  // namespace
