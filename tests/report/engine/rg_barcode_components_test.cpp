// Bar code components: defaults and what a change of symbology brings, the
// settings that are refused with their message, data checks, sizing to the
// symbol without a printer, the stream form, and a report of every
// symbology printed into a PDF and read back by a bar code scanner.

#include "barcode_scan.h"
#include "fake_printer_source.h"
#include "graphic_fixtures.h"
#include "platform/ui/prompt_script.h"
#include "report/engine/rg_barcode_components.h"
#include "report/output/rg_barcode.h"
#include "report/output/rg_draw_barcode.h"
#include "report/output/rg_printer_list.h"

namespace {

// The EAN/UPC check digit by the published rule: from the right, weights 3, 1, 3, ...
QString WithCheckDigit(const QString& Digits)
{
    int sum = 0;
    for (qsizetype i = 0; i < Digits.size(); ++i) {
        const int d = Digits[Digits.size() - 1 - i].digitValue();
        sum += i % 2 == 0 ? 3 * d : d;
    }
    return Digits + QString::number((10 - sum % 10) % 10);
}

class BarCodeTest : public TPdfEngineTest {
protected:
    void SetUp() override
    {
        TPdfEngineTest::SetUp();
        rgtest::InstallFakePrinters({});  // no printer: sized at the screen's resolution
        rgRegisterBarCodeComponentClasses();
    }
    void TearDown() override
    {
        rgSetPrinterSource(nullptr);
        TPdfEngineTest::TearDown();
    }
};

TEST_F(BarCodeTest, DefaultsAndWhatEachSymbologyBrings)
{
    TrgBarCode code(nullptr);
    EXPECT_EQ(code.BarCodeType(), bcCode39);
    EXPECT_EQ(code.Data(), "Barcode");
    EXPECT_EQ(code.mmBarWidth(), 254);
    EXPECT_FLOAT_EQ(code.WideBarRatio(), 3.0f);
    EXPECT_TRUE(code.CalcCheckDigit());
    EXPECT_TRUE(code.PrintHumanReadable());
    EXPECT_TRUE(code.AutoSize());
    EXPECT_EQ(code.Font()->Name(), "Courier New");
    EXPECT_EQ(code.Color(), TColor(0xFFFFFF));
    EXPECT_TRUE(code.Valid());

    struct Case {
        TrgBarCodeType type;
        QString sample;
        int moduleWidth;
    };
    const Case cases[] = {
        {bcUPC_A, "01234567890", 330},
        {bcEAN_13, "0012345678905", 330},
        {bcInt2of5, "0123456789", 381},
        {bcCode128, QString(QChar(210)) + "1234" + QChar(205) + " abcd", 254},
        {bcPostnet, "012345678", 508},
        {bcCode39, "BarCode", 254},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.type));
        code.SetBarCodeType(c.type);
        EXPECT_EQ(code.Data(), c.sample);
        EXPECT_EQ(code.mmBarWidth(), c.moduleWidth);
        EXPECT_TRUE(code.Valid());
        if (c.type == bcPostnet) {
            EXPECT_FALSE(code.PrintHumanReadable());
            EXPECT_TRUE(code.AutoSize());
        }
    }
    TrgDBBarCode data(nullptr);
    data.SetBarCodeType(bcEAN_13);
    data.SetBarCodeType(bcCode39);
    EXPECT_EQ(data.GetData(), "DBBarCode");  // at design time without a field: the sample
}

TEST_F(BarCodeTest, RefusedSettingsKeepTheOldValueAndSayWhy)
{
    report->SetUnits(utInches);
    struct Case {
        const char* what;
        TrgBarCodeType type;
        std::function<void(TrgBarCode&)> change;
        QString message;
        std::function<bool(TrgBarCode&)> unchanged;
    };
    const Case cases[] = {
        {"bar width too small", bcCode39, [](TrgBarCode& c) { c.SetBarWidth(0.003f); },
         "BarWidth must be at least 0.004", [](TrgBarCode& c) { return c.mmBarWidth() == 254; }},
        {"bar width too large", bcCode39, [](TrgBarCode& c) { c.SetBarWidth(0.2f); },
         "BarWidth can be no more than 0.1", [](TrgBarCode& c) { return c.mmBarWidth() == 254; }},
        {"add-on on Code 39", bcCode39, [](TrgBarCode& c) { c.SetAddOnCode("12"); },
         "Only UPC-A and EAN-13 barcodes can have add-on codes", [](TrgBarCode& c) { return c.AddOnCode().isEmpty(); }},
        {"add-on of 3 digits", bcEAN_13, [](TrgBarCode& c) { c.SetAddOnCode("123"); },
         "Add-on codes must be either 2 or 5 digits", [](TrgBarCode& c) { return c.AddOnCode().isEmpty(); }},
        {"bearer bars on Code 128", bcCode128, [](TrgBarCode& c) { c.SetBearerBars(true); },
         "Only Interleaved 2 of 5 barcodes can have bearer bars", [](TrgBarCode& c) { return !c.BearerBars(); }},
        {"POSTNET without AutoSize", bcPostnet, [](TrgBarCode& c) { c.SetAutoSize(false); },
         "PostNet barcodes must have AutoSize = True", [](TrgBarCode& c) { return c.AutoSize(); }},
        {"UPC-A without AutoSizeFont", bcUPC_A, [](TrgBarCode& c) { c.SetAutoSizeFont(false); },
         "EAN-13 and UPC-A barcodes must have AutoSizeFont = True", [](TrgBarCode& c) { return c.AutoSizeFont(); }},
        {"letters in EAN-13 data", bcEAN_13, [](TrgBarCode& c) { c.SetData("40063813339X"); },
         "EAN-13", [](TrgBarCode& c) { return !c.Valid() && c.Data() == "40063813339X"; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto* code = new TrgBarCode(&form);
        code->SetBand(AddBand<TrgTitleBand>(MM(20)));
        code->SetBarCodeType(c.type);
        TPromptScript prompts;
        prompts.Answer(mrOk, c.message);
        c.change(*code);
        EXPECT_TRUE(c.unchanged(*code));
        EXPECT_EQ(prompts.Records().size(), 1u);
    }
    // Accepted values need no message.
    TPromptScript none;
    TrgBarCode code(nullptr);
    code.SetBarCodeType(bcEAN_13);
    code.SetAddOnCode("12345");
    code.SetBarWidth(0.02f);
    code.SetData(WithCheckDigit("400638133393"));
    EXPECT_TRUE(code.Valid());
    EXPECT_EQ(code.AddOnCode(), "12345");
    EXPECT_EQ(code.mmBarWidth(), 508);
}

TEST_F(BarCodeTest, WithoutAPrinterTheSymbolIsSizedAtTheScreensResolution)
{
    TrgBarCode code(nullptr);
    code.SetBarCodeType(bcEAN_13);
    TrgDrawBarCode probe(nullptr);
    probe.BarCodeType = bcEAN_13;
    probe.Data = code.Data();
    probe.BarWidth = code.mmBarWidth();
    probe.SetFont(code.Font());
    probe.SuppressMessages = true;
    const int ppi = rgScreenPixelsPerInch();
    const QSize pixels = probe.MeasureSymbol(ppi, ppi);
    ASSERT_GT(pixels.width(), 0);
    EXPECT_NEAR(code.mmWidth(), pixels.width() * 25400.0 / ppi, 1);
    EXPECT_NEAR(code.mmHeight(), pixels.height() * 25400.0 / ppi, 1);

    // Turned upright, width and height change places.
    const int width = code.mmWidth(), height = code.mmHeight();
    code.SetOrientation(orBottomToTop);
    EXPECT_EQ(code.mmWidth(), height);
    EXPECT_EQ(code.mmHeight(), width);
}

TEST_F(BarCodeTest, StreamFormKeepsTypeDataAndWidthWithoutSamples)
{
    TrgBarCode code(nullptr);
    code.Name = QStringLiteral("Code1");
    code.SetBarCodeType(bcInt2of5);
    code.SetData(QStringLiteral("20261210"));
    code.SetBearerBars(true);
    code.SetOrientation(orTopToBottom);
    const QString text = ComponentTextForm(&code);
    EXPECT_TRUE(text.contains("mmBarWidth = 381")) << text.toStdString();
    EXPECT_FALSE(text.contains("  BarWidth ="));
    EXPECT_FALSE(text.contains("CalcCheckDigit"));

    TPromptScript none;  // loading shows nothing
    TrgBarCode copy(nullptr);
    ReadComponentTextForm(text, &copy);
    EXPECT_EQ(copy.BarCodeType(), bcInt2of5);
    EXPECT_EQ(copy.Data(), "20261210");  // not the sample of the type
    EXPECT_TRUE(copy.BearerBars());
    EXPECT_EQ(copy.Orientation(), orTopToBottom);
    EXPECT_EQ(copy.mmBarWidth(), 381);
    EXPECT_TRUE(copy.CalcCheckDigit());

    // Bad data in a stream: stored, no message.
    TrgBarCode bad(nullptr);
    ReadComponentTextForm("object Code2: TrgBarCode\r\n  BarCodeType = bcEAN_13\r\n  Data = 'abc'\r\nend\r\n", &bad);
    EXPECT_EQ(bad.Data(), "abc");
}

TEST_F(BarCodeTest, DataBarCodesCheckEachPrintedValue)
{
    auto rows = std::make_unique<TListPipeline>(
        nullptr, QStringList{"Code"},
        std::vector<QStringList>{{WithCheckDigit("400638133393")}, {"40063813339X"}, {QString()}, {"4006381333"}});
    report->SetDataPipeline(rows.get());
    detail = AddBand<TrgDetailBand>(MM(9));
    auto* code = new TrgDBBarCode(&form);
    code->SetBand(detail);
    code->SetBarCodeType(bcEAN_13);
    code->SetDataPipeline(rows.get());
    code->SetDataField("Code");
    std::vector<std::pair<QString, bool>> printed;
    PdfReport()->OnFinalPage = [&](TrgPage* Page) {
        for (int i = 0; i < Page->GetDrawCommandCount(); ++i)
            if (auto* command = dynamic_cast<TrgDrawBarCode*>(Page->GetDrawCommand(i)))
                printed.emplace_back(command->Data, command->CodeOK);
    };
    TPromptScript none;  // no message while printing
    PrintAll();
    const std::vector<std::pair<QString, bool>> expected = {
        {WithCheckDigit("400638133393"), true}, {"40063813339X", false}, {"", true}, {"4006381333", false}};
    EXPECT_EQ(printed, expected);
}

TEST_F(BarCodeTest, EverySymbologyPrintedIsReadByAScanner)
{
    if (!rgtest::MissingScanTool().isEmpty())
        GTEST_SKIP() << rgtest::MissingScanTool().toStdString() << " is not installed (scripts/setup installs it)";
    UseA4();
    // One record, its detail band holding every symbol.
    std::unique_ptr<TListPipeline> rows = MakeRows(1);
    report->SetDataPipeline(rows.get());
    TrgDetailBand* title = AddBand<TrgDetailBand>(MM(250));
    struct Symbol {
        TrgBarCodeType type;
        QString data, addOn;
        TrgBarCodeOrientation orientation;
        bool bearerBars;
        QStringList read;
    };
    const QString upc = "03600029145";
    const QString ean = "400638133393";
    const QString code128 = QString(QChar(rgCode128StartB)) + "Album 7/x";
    const Symbol symbols[] = {
        {bcUPC_A, upc, "12", orLeftToRight, false, {"UPC-A:" + WithCheckDigit(upc), "EAN-2:12"}},
        {bcEAN_13, ean, "90123", orLeftToRight, false, {"EAN-13:" + WithCheckDigit(ean), "EAN-5:90123"}},
        {bcInt2of5, "1234567890", {}, orLeftToRight, true, {"I2/5:1234567890"}},
        {bcCode39, "LUMADEX-42", {}, orRightToLeft, false, {"CODE-39:LUMADEX-42"}},
        {bcCode128, code128, {}, orTopToBottom, false, {"CODE-128:Album 7/x"}},
        {bcPostnet, "12345", {}, orLeftToRight, false, {}},
    };
    int top = 0;
    std::vector<TrgBarCode*> codes;
    for (const Symbol& s : symbols) {
        auto* code = new TrgBarCode(&form);
        code->SetBand(title);
        code->SetBarCodeType(s.type);
        code->SetData(s.data);
        if (!s.addOn.isEmpty())
            code->SetAddOnCode(s.addOn);
        code->SetBearerBars(s.bearerBars);
        code->SetOrientation(s.orientation);
        code->SetmmLeft(s.orientation == orTopToBottom ? MM(140) : MM(10));
        code->SetmmTop(s.orientation == orTopToBottom ? MM(10) : top);
        if (s.orientation != orTopToBottom)
            top += code->mmHeight() + MM(8);
        ASSERT_TRUE(code->Valid()) << int(s.type);
        codes.push_back(code);
    }
    ASSERT_LT(top, MM(250));
    TPromptScript none;
    PrintToPdf();

    QStringList expected;
    for (const Symbol& s : symbols)
        expected << s.read;
    expected.sort();
    QTemporaryDir scanDir;
    EXPECT_EQ(rgtest::ScanImages(rgtest::RasterisePdf(scanDir.path(), Pdf())), expected);

    // The POSTNET bars stand in the component's box.
    const std::vector<QImage> pages = Rasterise();
    ASSERT_EQ(pages.size(), 1u);
    const TrgBarCode* postnet = codes.back();
    const QRect box(PagePixel(kMargin + postnet->mmLeft()), PagePixel(kMargin + postnet->mmTop()),
                    PagePixel(postnet->mmWidth()), PagePixel(postnet->mmHeight()));
    int dark = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            dark += qGray(pages[0].pixel(x, y)) < 128 ? 1 : 0;
    EXPECT_GT(dark, box.width() * box.height() / 20);
}

TEST_F(BarCodeTest, AnInvalidValuePrintsAsBackgroundOnly)
{
    if (!rgtest::MissingScanTool().isEmpty())
        GTEST_SKIP() << rgtest::MissingScanTool().toStdString() << " is not installed (scripts/setup installs it)";
    UseA4();
    const QString good1 = WithCheckDigit("400638133393"), good2 = WithCheckDigit("978380000001");
    auto rows = std::make_unique<TListPipeline>(nullptr, QStringList{"Code"},
                                                std::vector<QStringList>{{good1}, {"40063813339X"}, {good2}});
    report->SetDataPipeline(rows.get());
    detail = AddBand<TrgDetailBand>(MM(30));
    auto* code = new TrgDBBarCode(&form);
    code->SetBand(detail);
    code->SetBarCodeType(bcEAN_13);
    code->SetDataPipeline(rows.get());
    code->SetDataField("Code");
    code->SetmmLeft(MM(20));
    TPromptScript none;
    PrintToPdf();
    QTemporaryDir scanDir;
    EXPECT_EQ(rgtest::ScanImages(rgtest::RasterisePdf(scanDir.path(), Pdf())),
              QStringList({"EAN-13:" + good1, "EAN-13:" + good2}));

    // The second record's box is white.
    const std::vector<QImage> pages = Rasterise();
    ASSERT_EQ(pages.size(), 1u);
    const int top = kMargin + MM(30);
    int dark = 0;
    // Inside the box by a pixel: the printer rounds the neighbours' edges
    // to its own pixels.
    for (int y = PagePixel(top) + 1; y < PagePixel(top + code->mmHeight()) - 1; ++y)
        for (int x = PagePixel(kMargin + MM(20)); x < PagePixel(kMargin + MM(20) + code->mmWidth()); ++x)
            dark += qGray(pages[0].pixel(x, y)) < 128 ? 1 : 0;
    EXPECT_EQ(dark, 0);
}

}  // namespace
