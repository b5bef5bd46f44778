// The bar code draw command: its stream form and copies, the symbol's
// geometry at several resolutions, and its painting judged by pixels: the
// four orientations, bearer bars, guard bars, transparency, an invalid bar
// code, the screen's scaled symbol and the devices it does not paint on.
#include "report/output/rg_draw_barcode.h"

#include <QFontMetricsF>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "barcode_devices.h"
#include "page_fixtures.h"
#include "platform/stream/component_reader.h"
#include "platform/stream/stream_format.h"
#include "platform/ui/prompt_script.h"
#include "report/output/rg_barcode.h"
#include "report/output/rg_page.h"
#include "report/output/rg_printer.h"
#include "report/output/rg_printer_list.h"
#include "report/output/rg_text_measure.h"
#include "report/output/rg_units.h"

using namespace rgtest;

namespace {

// Property names of the first component in a stream, in order, without the font's.
QStringList PropertyNames(const QByteArray& stream)
{
    QStringList names = PropertyNamesOf(stream);
    names.removeIf([](const QString& name) { return name.startsWith("Font."); });
    return names;
}

// No printer: bar codes are sized at the screen's resolution.
class BarCodeCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        InstallFakePrinters({});
        rgRegisterDrawCommandClasses();
    }
    void TearDown() override { InstallFakePrinters({}); }
};

std::unique_ptr<TrgDrawBarCode> Make(TrgBarCodeType type, const QString& data, int barWidth = 254)
{
    auto command = std::make_unique<TrgDrawBarCode>(nullptr);
    command->BarCodeType = type;
    command->Data = data;
    command->BarWidth = barWidth;
    command->SuppressMessages = true;
    command->Font()->SetName(QStringLiteral("Courier New"));
    return command;
}

const QString kCode128Data = QString(QChar(rgCode128StartB)) + "Album 7";

// Pixels per inch of a module width in thousandths of a millimetre.
double ModuleAt(int barWidth, int resolution)
{
    return barWidth / 25400.0 * resolution;
}

bool Dark(const QImage& image, int x, int y)
{
    return qGray(image.pixel(x, y)) < 128;
}

QImage Crop(const QImage& page, const TRect& r)
{
    return page.copy(QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top));
}

// The command painted alone on a white page of the device's resolution.
QImage Painted(TrgDrawBarCode& command, int resolution, QColor background = Qt::white)
{
    command.Left = command.Top = 2540;
    ImagePageDevice device(QSize(3000, 3000), resolution, background);
    EXPECT_TRUE(command.Draw(&device));
    return device.Finish().copy();
}

// The command's own rectangle of that page.
QImage PaintedSymbol(TrgDrawBarCode& command, int resolution, QColor background = Qt::white)
{
    const QImage page = Painted(command, resolution, background);
    return Crop(page, command.GetDrawRect());
}

}  // namespace

// ---- stream form and copies --------------------------------------------------------

TEST_F(BarCodeCommand, DefaultsStayOutOfTheStreamAndTheRestFollowTheirOrder)
{
    TrgDrawBarCode plain(nullptr);
    EXPECT_EQ(PropertyNames(StreamOf(&plain)), (QStringList{"Left", "Height", "Top", "Width", "BarCodeType", "BarColor",
                                                            "BarWidth", "Color", "WideBarRatio"}));

    auto full = Make(bcEAN_13, "400638133393");
    full->Alignment = taCenter;
    full->AddOnCode = "12";
    full->AutoSize = full->AutoSizeFont = full->CalcCheckDigit = full->CodeOK = full->PrintHumanReadable = false;
    full->BearerBars = full->Transparent = true;
    full->Orientation = orBottomToTop;
    EXPECT_EQ(PropertyNames(StreamOf(full.get())),
              (QStringList{"Left", "Height", "Top", "Width", "Alignment", "AddOnCode", "AutoSize", "AutoSizeFont",
                           "BarCodeType", "BarColor", "BarWidth", "BearerBars", "CalcCheckDigit", "CodeOK", "Color",
                           "Data", "Orientation", "PrintHumanReadable", "Transparent", "WideBarRatio"}));
}

TEST_F(BarCodeCommand, ReadsBackAndCopiesEveryPublishedValue)
{
    auto source = Make(bcUPC_A, "03600029145", 330);
    source->Alignment = taRightJustify;
    source->AddOnCode = "54321";
    source->AutoSize = false;
    source->BarColor = clNavy;
    source->Color = clYellow;
    source->CodeOK = false;
    source->Orientation = orTopToBottom;
    source->WideBarRatio = 2.5f;
    source->Font()->SetSize(14);
    source->Left = 100;
    source->Width = 3000;

    std::unique_ptr<TComponent> read(ComponentFromBytes(StreamOf(source.get())));
    auto* back = dynamic_cast<TrgDrawBarCode*>(read.get());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(StreamOf(back), StreamOf(source.get()));
    EXPECT_EQ(back->Data, source->Data);
    EXPECT_EQ(back->Font()->Size(), 14);
    EXPECT_FALSE(back->SuppressMessages) << "the message switch is not streamed";

    TrgDrawBarCode copy(nullptr);
    copy.Assign(source.get());
    EXPECT_EQ(StreamOf(&copy), StreamOf(source.get()));
    EXPECT_FALSE(copy.CodeOK) << "the valid flag is copied";

    // A page copy makes the command again by its class name.
    TrgPage page(nullptr), pageCopy(nullptr);
    source.release()->SetPage(&page);
    pageCopy.Assign(&page);
    ASSERT_EQ(pageCopy.GetDrawCommandCount(), 1);
    EXPECT_NE(dynamic_cast<TrgDrawBarCode*>(pageCopy.GetDrawCommand(0)), nullptr);
    EXPECT_EQ(StreamOf(pageCopy.GetDrawCommand(0)), StreamOf(page.GetDrawCommand(0)));
}

// ---- geometry ---------------------------------------------------------------------------

struct GeometryCase {
    TrgBarCodeType type;
    QString data;
    int barWidth;
    QString addOn;
};

TEST_F(BarCodeCommand, SymbolGeometryFollowsTheModuleAtEveryResolution)
{
    const GeometryCase cases[] = {
        {bcUPC_A, "03600029145", 330, {}},     {bcUPC_A, "03600029145", 330, "12"},
        {bcEAN_13, "400638133393", 330, {}},   {bcEAN_13, "400638133393", 330, "54321"},
        {bcInt2of5, "0123456789", 381, {}},    {bcCode39, "LUMADEX", 254, {}},
        {bcCode128, kCode128Data, 254, {}},    {bcPostnet, "12345-6789", 508, {}},
    };
    for (int resolution : {96, 300, 600, 1200}) {
        for (const GeometryCase& c : cases) {
            SCOPED_TRACE(QString("type %1 at %2 ppi").arg(int(c.type)).arg(resolution).toStdString());
            auto command = Make(c.type, c.data, c.barWidth);
            command->AddOnCode = c.addOn;
            command->PrintHumanReadable = c.type != bcPostnet;
            const TrgBarCodeLayout L = command->Layout(resolution, resolution);
            ASSERT_TRUE(L.Valid);
            const double module = ModuleAt(c.barWidth, resolution);
            EXPECT_NEAR(L.Module, module, 0.5);

            const bool eanUpc = c.type == bcUPC_A || c.type == bcEAN_13;
            const double margin = eanUpc ? 9 * module : c.type == bcInt2of5 ? 0.03 * resolution : 0;
            EXPECT_NEAR(L.Margin, margin, 0.5);
            EXPECT_EQ(L.AddOnRow.empty(), c.addOn.isEmpty());
            if (!c.addOn.isEmpty()) {
                EXPECT_NEAR(L.AddOnGap, 9 * module, 0.5);
            }
            EXPECT_EQ(L.Width, int(L.Row.size()) + 2 * L.Margin + L.AddOnGap + int(L.AddOnRow.size()));

            double barHeight = 0;
            switch (c.type) {
            case bcUPC_A: barHeight = 73.85 * module; break;
            case bcEAN_13: barHeight = 0.85 * L.Row.size(); break;
            case bcInt2of5: barHeight = 0.6 * L.Width; break;
            case bcPostnet: barHeight = 6.25 * L.Module + 1; break;
            default: barHeight = 0.25 * L.Width; break;
            }
            EXPECT_NEAR(L.BarHeight, std::max(barHeight, 5.0), 1.0);
            EXPECT_EQ(L.TextHeight > 0, c.type != bcPostnet);
            EXPECT_EQ(L.Height, L.BarHeight + L.TextHeight);

            // Sized at this resolution, the command measures the symbol.
            command->SizeToResolution(resolution, resolution);
            EXPECT_NEAR(command->Width, L.Width * 25400.0 / resolution, 1.0 * 25400 / resolution);
            EXPECT_NEAR(command->Height, L.Height * 25400.0 / resolution, 1.0 * 25400 / resolution);
        }
    }
}

TEST_F(BarCodeCommand, NarrowElementsOfCode39At600PixelsPerInchAreSixPixels)
{
    auto command = Make(bcCode39, "A", 254);
    const TrgBarCodeLayout L = command->Layout(600, 600);
    // "*" starts with a narrow bar and a wide space.
    ASSERT_GE(L.Row.size(), 24u);
    EXPECT_EQ(L.Row.substr(0, 7), "1111110");
    EXPECT_EQ(L.Row.substr(6, 19), std::string(18, '0') + "1");
}

TEST_F(BarCodeCommand, WithoutAutoSizeTheBoxGivesTheHeightAndNeverBelowFivePixels)
{
    for (int height : {12700, 6350, 100}) {
        auto command = Make(bcCode39, "LUMADEX");
        command->AutoSize = false;
        command->Height = height;
        const TrgBarCodeLayout L = command->Layout(300, 300);
        const int box = int(std::lround(height * 300 / 25400.0));
        EXPECT_EQ(L.BarHeight, std::max(box - L.TextHeight, 5)) << height;
        EXPECT_EQ(L.Height, L.BarHeight + L.TextHeight);
    }
}

TEST_F(BarCodeCommand, TheAutoSizedFontFitsTheTextRule)
{
    struct FontCase {
        TrgBarCodeType type;
        QString data;
        int barWidth;
    };
    for (const FontCase& c : {FontCase{bcUPC_A, "03600029145", 330}, FontCase{bcEAN_13, "400638133393", 330},
                              FontCase{bcEAN_13, "400638133393", 200}, FontCase{bcCode39, "LUMADEX", 254},
                              FontCase{bcInt2of5, "0123456789", 381}}) {
        auto command = Make(c.type, c.data, c.barWidth);
        const TrgBarCodeLayout L = command->Layout(600, 600);
        ASSERT_GE(L.FontPoints, 2);
        // Measured on its own: the printer's face at the chosen pixel size.
        QFont font(rgGetPrinterFontName(command->Font()->Name()));
        font.setPixelSize(L.FontPixels);
        font.setHintingPreference(QFont::PreferNoHinting);
        const QFontMetricsF metrics(font);
        EXPECT_NEAR(L.FontPixels, L.FontPoints * 600 / 72.0, 0.5);
        if (c.type == bcUPC_A)
            EXPECT_LE(5 * metrics.horizontalAdvance("0"), 36 * L.Module + 0.5);
        else if (c.type == bcEAN_13)
            EXPECT_LE(metrics.horizontalAdvance("000000"), 42 * L.Module + 0.5);
        else
            EXPECT_LE(metrics.horizontalAdvance("0") * L.Text.size(), L.Width + 0.5);
    }
    // Without AutoSizeFont the font's own size is used.
    auto fixed = Make(bcCode39, "LUMADEX");
    fixed->AutoSizeFont = false;
    fixed->Font()->SetSize(17);
    EXPECT_EQ(fixed->Layout(300, 300).FontPoints, 17);
}

TEST_F(BarCodeCommand, VerticalSymbolsRunAlongTheVerticalResolutionAndExchangeTheirSides)
{
    for (TrgBarCodeOrientation o : {orTopToBottom, orBottomToTop}) {
        auto command = Make(bcCode39, "LUMADEX");
        command->Orientation = o;
        const QSize size = command->MeasureSymbol(300, 600);
        const TrgBarCodeLayout L = command->Layout(600, 300);
        EXPECT_EQ(size, QSize(L.Height, L.Width));
        command->SizeToResolution(300, 600);
        EXPECT_NEAR(command->Width, L.Height * 25400.0 / 300, 25400.0 / 300);
        EXPECT_NEAR(command->Height, L.Width * 25400.0 / 600, 25400.0 / 600);
    }
}

TEST_F(BarCodeCommand, WithoutAPrinterSizingUsesTheScreenResolution)
{
    ASSERT_EQ(rgGetPrinter(), nullptr);
    EXPECT_EQ(rgBarCodeSizingResolution(), QPoint(rgScreenPixelsPerInch(), rgScreenPixelsPerInch()));
    auto command = Make(bcCode39, "LUMADEX");
    const QSize size = command->MeasureMMThousandths();
    command->SizeToResolution(rgScreenPixelsPerInch(), rgScreenPixelsPerInch());
    EXPECT_EQ(size, QSize(command->Width, command->Height));

    InstallFakePrinters({OfficeLaser("Laser")});
    EXPECT_EQ(rgBarCodeSizingResolution(), QPoint(TrgPrinter::kResolution, TrgPrinter::kResolution));
}

// ---- painting --------------------------------------------------------------------------

TEST_F(BarCodeCommand, TheFourOrientationsAreTheSameSymbolTurned)
{
    for (bool text : {false, true}) {
        auto straight = Make(bcCode39, "LUMADEX");
        straight->PrintHumanReadable = text;
        const QImage reference = PaintedSymbol(*straight, 300);
        const TrgBarCodeLayout L = straight->Layout(300, 300);
        ASSERT_EQ(reference.size(), QSize(L.Width, L.Height));

        for (auto [o, angle] : {std::pair{orRightToLeft, 180}, {orTopToBottom, -90}, {orBottomToTop, 90}}) {
            SCOPED_TRACE(QString("orientation %1, text %2").arg(int(o)).arg(text).toStdString());
            auto turned = Make(bcCode39, "LUMADEX");
            turned->PrintHumanReadable = text;
            turned->Orientation = o;
            const QImage crop = PaintedSymbol(*turned, 300);
            const QImage back = crop.transformed(QTransform().rotate(angle));
            ASSERT_EQ(back.size(), reference.size());
            if (!text) {
                EXPECT_EQ(back, reference);
                continue;
            }
            // The bars match exactly; the text line holds the same ink,
            // turned with the symbol (glyph edges may differ by a pixel).
            EXPECT_EQ(back.copy(0, 0, L.Width, L.BarHeight), reference.copy(0, 0, L.Width, L.BarHeight));
            int ink = 0, differ = 0;
            for (int y = L.BarHeight; y < L.Height; ++y) {
                for (int x = 0; x < L.Width; ++x) {
                    ink += Dark(reference, x, y);
                    differ += Dark(reference, x, y) != Dark(back, x, y);
                }
            }
            EXPECT_GT(ink, 0);
            EXPECT_LT(differ, ink / 4);
        }
    }
}

TEST_F(BarCodeCommand, BearerBarsAreThreeModulesThickAtTheTopAndTheBarAreasFoot)
{
    auto command = Make(bcInt2of5, "0123456789", 381);
    command->BearerBars = true;
    const QImage symbol = PaintedSymbol(*command, 300);
    const TrgBarCodeLayout L = command->Layout(300, 300);
    auto fullRow = [&](int y) {
        for (int x = 0; x < L.Width; ++x)
            if (!Dark(symbol, x, y))
                return false;
        return true;
    };
    const int thickness = 3 * L.Module;
    for (int y = 0; y < thickness; ++y) {
        EXPECT_TRUE(fullRow(y)) << y;
        EXPECT_TRUE(fullRow(L.BarHeight - 1 - y)) << y;
    }
    EXPECT_FALSE(fullRow(thickness));
    EXPECT_FALSE(fullRow(L.BarHeight - 1 - thickness));

    command->BearerBars = false;
    const QImage plain = PaintedSymbol(*command, 300);
    EXPECT_FALSE(Dark(plain, 0, 0));
}

TEST_F(BarCodeCommand, GuardBarsRunDownIntoTheTextLine)
{
    for (TrgBarCodeType type : {bcEAN_13, bcUPC_A}) {
        auto command = Make(type, type == bcEAN_13 ? "400638133393" : "03600029145", 330);
        const QImage symbol = PaintedSymbol(*command, 300);
        const TrgBarCodeLayout L = command->Layout(300, 300);
        const int foot = L.BarHeight + std::max(0, L.TextHeight / 2 - L.Module);
        ASSERT_GT(foot, L.BarHeight);
        // Guard modules: start, centre and end.
        std::vector<int> longModules{0, 2, 46, 48, 92, 94};
        if (type == bcUPC_A) {
            // The first digit's bars stand out like the guards (the
            // last digit's may lie under the text of the group before it).
            for (int i = 3; i < 10; ++i)
                if (L.Row[size_t(i * L.Module)] == '1')
                    longModules.push_back(i);
        }
        for (int m : longModules) {
            const int x = L.Margin + m * L.Module + L.Module / 2;
            ASSERT_EQ(L.Row[size_t(m * L.Module)], '1') << m;
            EXPECT_TRUE(Dark(symbol, x, foot - 1)) << "module " << m;
            EXPECT_FALSE(Dark(symbol, x, foot)) << "module " << m;
        }
    }
}

TEST_F(BarCodeCommand, TransparentLetsThePageShowBetweenTheBars)
{
    for (bool transparent : {false, true}) {
        auto command = Make(bcCode39, "LUMADEX");
        command->Transparent = transparent;
        command->Color = clAqua;
        command->BarColor = clNavy;
        const QImage symbol = PaintedSymbol(*command, 300, Qt::yellow);
        const TrgBarCodeLayout L = command->Layout(300, 300);
        // A space column and a bar column in the bar area.
        const int space = int(L.Row.find('0'));
        const int bar = 0;
        const QColor between = symbol.pixelColor(L.Margin + space, L.BarHeight / 2);
        EXPECT_EQ(between, transparent ? QColor(Qt::yellow) : ColorToQColor(clAqua)) << transparent;
        EXPECT_EQ(symbol.pixelColor(L.Margin + bar, L.BarHeight / 2), ColorToQColor(clNavy));
    }
}

TEST_F(BarCodeCommand, AnInvalidBarCodeIsItsBackgroundInItsOwnBox)
{
    auto command = Make(bcCode128, "no start character");
    command->AutoSize = false;
    command->Width = 25400;
    command->Height = 12700;
    command->Color = clAqua;
    const QImage page = Painted(*command, 300);
    EXPECT_FALSE(command->CodeOK);
    EXPECT_EQ(command->Width, 25400) << "the box is kept";
    EXPECT_EQ(command->Height, 12700);
    const TRect r = command->GetDrawRect();
    EXPECT_EQ(r.Right - r.Left, 300);
    const QImage symbol = Crop(page, r);
    for (int y = 0; y < symbol.height(); ++y)
        for (int x = 0; x < symbol.width(); ++x)
            ASSERT_EQ(symbol.pixelColor(x, y), ColorToQColor(clAqua)) << x << "," << y;
    EXPECT_EQ(page.pixelColor(r.Left - 1, r.Top), QColor(Qt::white));
    EXPECT_EQ(page.pixelColor(r.Right, r.Bottom), QColor(Qt::white));
}

TEST_F(BarCodeCommand, AnEncodingErrorIsShownOnceUnlessSuppressed)
{
    TPromptScript script;
    script.Answer(mrOk, "must begin with a start code");
    auto command = Make(bcCode128, "ABC");
    command->SuppressMessages = false;
    Painted(*command, 300);
    Painted(*command, 300);  // the cleared flag keeps it from showing again
    ASSERT_EQ(script.Records().size(), 1u);
    EXPECT_EQ(script.Records()[0].DlgType, mtError);

    auto quiet = Make(bcCode128, "ABC");
    Painted(*quiet, 300);
    EXPECT_FALSE(quiet->CodeOK);
    EXPECT_EQ(script.Records().size(), 1u);
}

TEST_F(BarCodeCommand, AScreenShowsThePrintersSymbolScaledIntoItsRectangle)
{
    InstallFakePrinters({OfficeLaser("Laser")});
    auto command = Make(bcCode39, "LUMADEX");
    auto printed = Make(bcCode39, "LUMADEX");
    printed->SizeToResolution(TrgPrinter::kResolution, TrgPrinter::kResolution);

    const QImage page = Painted(*command, 96);
    EXPECT_EQ(command->Width, printed->Width) << "the preview keeps the printed size";
    EXPECT_EQ(command->Height, printed->Height);
    const TRect r = command->GetDrawRect();
    EXPECT_NEAR(r.Right - r.Left, printed->Width * 96 / 25400.0, 1.0);
    // The bars reach both ends of the rectangle (Code 39 ends in a gap of
    // two modules, two pixels here).
    const int y = r.Top + (r.Bottom - r.Top) / 3;
    EXPECT_TRUE(Dark(page, r.Left, y));
    int darkest = 255;
    for (int x = r.Right - 5; x < r.Right; ++x)
        darkest = std::min(darkest, qGray(page.pixel(x, y)));
    EXPECT_LT(darkest, 128);
    EXPECT_EQ(page.pixelColor(r.Right + 1, y), QColor(Qt::white));
}

TEST_F(BarCodeCommand, OnlyARasterDeviceWithAnOpenPageIsPaintedOn)
{
    QStringList log;
    LoggingDevice logging(log, QStringLiteral("file"));
    auto command = Make(bcCode39, "LUMADEX");
    command->Width = 1000;
    EXPECT_FALSE(command->Draw(&logging));
    EXPECT_TRUE(log.isEmpty()) << "the device is not asked to draw it";
    EXPECT_EQ(command->Width, 1000);

    ImagePageDevice closed(QSize(10, 10), 300);
    closed.Finish();
    EXPECT_FALSE(command->Draw(&closed));
    EXPECT_FALSE(command->Draw(nullptr));
}

TEST_F(BarCodeCommand, TheTextStandsWhereTheAlignmentSays)
{
    // The first and last text column; a small font keeps the text well
    // under half the symbol's length.
    auto inkColumns = [](TAlignment alignment, int& first, int& last, int& width) {
        auto command = Make(bcCode39, "ABCDEFGHIJKL");
        command->AutoSizeFont = false;
        command->Font()->SetSize(8);
        command->Alignment = alignment;
        const QImage symbol = PaintedSymbol(*command, 300);
        const TrgBarCodeLayout L = command->Layout(300, 300);
        width = L.Width;
        first = L.Width, last = -1;
        for (int y = L.BarHeight; y < L.Height; ++y)
            for (int x = 0; x < L.Width; ++x)
                if (Dark(symbol, x, y)) {
                    first = std::min(first, x);
                    last = std::max(last, x);
                }
    };
    int first = 0, last = 0, width = 0;
    inkColumns(taLeftJustify, first, last, width);
    EXPECT_LE(first, 5);
    EXPECT_LT(last, width / 2);
    inkColumns(taRightJustify, first, last, width);
    EXPECT_GE(last, width - 6);
    EXPECT_GT(first, width / 2);
    inkColumns(taCenter, first, last, width);
    EXPECT_NEAR(first, width - 1 - last, 6);
    EXPECT_GT(first, 5);
}

TEST_F(BarCodeCommand, VeryLongDataLaysOutAndPaintsInsideItsDevice)
{
    auto command = Make(bcCode128, QString(QChar(rgCode128StartC)) + QString(20000, u'7'));
    const TrgBarCodeLayout L = command->Layout(600, 600);
    ASSERT_TRUE(L.Valid);
    EXPECT_GE(L.FontPoints, 2);
    EXPECT_LE(L.FontPoints, 720);
    EXPECT_EQ(L.Width, int(L.Row.size()));
    // Painted on a small page: drawn and clipped by the device, no failure.
    command->Left = command->Top = 0;
    ImagePageDevice device(QSize(200, 200), 96);
    EXPECT_TRUE(command->Draw(&device));
    EXPECT_TRUE(Dark(device.Finish(), 0, 0));
}
