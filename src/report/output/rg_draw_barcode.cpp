#include "report/output/rg_draw_barcode.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <span>

#include "platform/stream/class_registry.h"
#include "platform/stream/graphics_streaming.h"
#include "report/output/rg_barcode.h"
#include "report/output/rg_device.h"
#include "report/output/rg_printer.h"
#include "report/output/rg_printer_list.h"
#include "report/output/rg_text_measure.h"
#include "report/output/rg_units.h"

namespace {

// Halves to even; absurd lengths saturate instead of overflowing.
int Round(long double v)
{
    constexpr long double limit = 1e9L;
    return int(std::nearbyint(std::clamp(v, -limit, limit)));
}

// Answers a fixed resolution to the length conversions, as a printer would.
class TFixedResolution : public TObject, public TrgDeviceResolution {
public:
    explicit TFixedResolution(int PixelsPerInch) : ppi_(PixelsPerInch) {}
    int DevicePixelsPerInch(TrgDirection) const override { return ppi_; }

private:
    int ppi_;
};

int MMToPixels(int Value, int Resolution)
{
    const TFixedResolution device(Resolution);
    return Round(rgFromMMThousandths(Value, utPrinterPixels, rgHorizontal, &device));
}

int PixelsToMM(int Value, int Resolution)
{
    const TFixedResolution device(Resolution);
    return rgToMMThousandths(utPrinterPixels, rgHorizontal, &device, float(Value));
}

// Round(width in inches x R x Factor), the rule every element width follows.
int ModulePixels(int BarWidth, int Resolution, long double Factor = 1)
{
    return Round(static_cast<long double>(rgFromMMThousandths(BarWidth, utInches, rgHorizontal, nullptr)) * Resolution *
                 Factor);
}

bool IsEanUpc(TrgBarCodeType Type)
{
    return Type == bcUPC_A || Type == bcEAN_13;
}

// The human-readable font at a resolution: the printer's face for the
// font's name, the character height of its point size in pixels.
QFont FontAt(const TFont& Font, int Points, int Resolution)
{
    QFont font = TrgFontMetricsMeasure::MeasuringFont(Font);
    font.setPixelSize(std::max(1, int(std::lround(Points * double(Resolution) / 72.0))));
    return font;
}

// Metrics of a font on a device of the given resolution.
class TTextMetrics {
public:
    TTextMetrics(const QFont& Font, int Resolution) : device_(1, 1, QImage::Format_RGB32)
    {
        const int dotsPerMetre = int(std::lround(Resolution / 0.0254));
        device_.setDotsPerMeterX(dotsPerMetre);
        device_.setDotsPerMeterY(dotsPerMetre);
        metrics_.emplace(Font, &device_);
    }
    // The canvas text height: ascent and descent.
    int Height() const { return int(std::lround(metrics_->ascent()) + std::lround(metrics_->descent())); }
    double Ascent() const { return metrics_->ascent(); }
    double Width(const QString& Text) const { return metrics_->horizontalAdvance(Text); }

private:
    QImage device_;
    std::optional<QFontMetricsF> metrics_;
};

// Symbol coordinates of the digit boxes of UPC-A and EAN-13, in modules
// from the main row's start: the bars inside them end at the text line,
// the others (guards, and UPC-A's outer digits) run down into it.
struct ModuleSpan {
    int first, last;  // [first, last)
};
std::array<ModuleSpan, 2> DigitBoxes(TrgBarCodeType Type)
{
    if (Type == bcUPC_A)
        return {{{10, 45}, {50, 85}}};
    return {{{3, 45}, {50, 92}}};
}

bool IsVectorPainter(QPainter& Painter)
{
    const QPaintEngine* engine = Painter.paintEngine();
    if (!engine)
        return false;
    switch (engine->type()) {
    case QPaintEngine::Pdf:
    case QPaintEngine::Picture:
    case QPaintEngine::SVG:
        return true;
    default:
        return false;
    }
}

// Above this many pixels a screen's symbol is painted at the screen's own
// resolution instead of being made at the printer's and scaled.
constexpr qint64 kMaxScaledPixels = 40'000'000;

// The largest human-readable size AutoSizeFont starts from.
constexpr int kMaxFontPoints = 720;

}  // namespace

// ---- TrgDrawBarCode ----------------------------------------------------------------

TrgDrawBarCode::TrgDrawBarCode(TComponent* AOwner) : TrgDrawCommand(AOwner) {}

void TrgDrawBarCode::Assign(const TPersistent* Source)
{
    TrgDrawCommand::Assign(Source);
    const auto* source = dynamic_cast<const TrgDrawBarCode*>(Source);
    if (!source)
        return;
    Alignment = source->Alignment;
    AddOnCode = source->AddOnCode;
    AutoSize = source->AutoSize;
    AutoSizeFont = source->AutoSizeFont;
    BarCodeType = source->BarCodeType;
    BarColor = source->BarColor;
    BarWidth = source->BarWidth;
    BearerBars = source->BearerBars;
    CalcCheckDigit = source->CalcCheckDigit;
    CodeOK = source->CodeOK;
    Color = source->Color;
    Data = source->Data;
    SetFont(source->Font());
    Orientation = source->Orientation;
    PrintHumanReadable = source->PrintHumanReadable;
    Transparent = source->Transparent;
    WideBarRatio = source->WideBarRatio;
    Language = source->Language;
}

TrgBarCodeLayout TrgDrawBarCode::Layout(int ResolutionAlong, int ResolutionAcross)
{
    TrgBarCodeLayout L;
    const int along = std::max(ResolutionAlong, 1);
    const int across = std::max(ResolutionAcross, 1);

    TrgBarCodeEncoder encoder;
    encoder.BarCodeType = BarCodeType;
    encoder.Data = Data;
    encoder.AddOnCode = AddOnCode;
    encoder.CalcCheckDigit = CalcCheckDigit;
    encoder.BarWidth = BarWidth;
    encoder.WideBarRatio = WideBarRatio;
    encoder.Valid = CodeOK;
    encoder.SuppressMessages = SuppressMessages;
    encoder.Language = Language;
    L.Row = encoder.Encode(along);
    CodeOK = encoder.Valid;
    L.Valid = CodeOK && !L.Row.empty();
    if (!L.Valid) {
        // Background only, in the box the command was given.
        L.Width = MMToPixels(Vertical() ? Height : Width, along);
        L.Height = MMToPixels(Vertical() ? Width : Height, across);
        return L;
    }

    const bool eanUpc = IsEanUpc(BarCodeType);
    if (eanUpc)
        L.AddOnRow = encoder.EncodeAddOn(along);
    L.Text = encoder.HumanReadableText();
    L.Module = ModulePixels(BarWidth, along);
    if (eanUpc)
        L.Margin = ModulePixels(BarWidth, along, 9);
    else if (BarCodeType == bcInt2of5)
        L.Margin = Round(along * 0.03L);
    L.MainWidth = int(L.Row.size()) + 2 * L.Margin;
    L.Width = L.MainWidth;
    if (!L.AddOnRow.empty()) {
        L.AddOnGap = ModulePixels(BarWidth, along, 9);
        L.Width += L.AddOnGap + int(L.AddOnRow.size());
    }

    // Lengths along the symbol, taken across it.
    auto acrossPixels = [&](long double alongPixels) { return Round(alongPixels * across / along); };
    const int crossExtent = MMToPixels(Vertical() ? Width : Height, across);
    if (AutoSize) {
        switch (BarCodeType) {
        case bcUPC_A:
            L.BarHeight = Round(static_cast<long double>(rgFromMMThousandths(Round(BarWidth * 73.85L), utInches,
                                                                             rgHorizontal, nullptr)) *
                                across);
            break;
        case bcEAN_13: L.BarHeight = acrossPixels(Round(L.Row.size() * 0.85L)); break;
        case bcInt2of5: L.BarHeight = acrossPixels(Round(L.Width * 0.6L)); break;
        case bcCode128:
        case bcCode39: L.BarHeight = acrossPixels(Round(L.Width * 0.25L)); break;
        case bcPostnet: L.BarHeight = Round(ModulePixels(BarWidth, across) * 6.25L) + 1; break;
        }
    }

    const bool humanReadable = PrintHumanReadable && BarCodeType != bcPostnet;
    L.FontPoints = std::max(1, std::abs(font_.Size()));
    if (AutoSizeFont) {
        // From a quarter of the symbol's height down until the text fits.
        const int height = AutoSize ? L.BarHeight : crossExtent;
        const int start = std::clamp(Round(height * 72.0L / across / 4), 2, kMaxFontPoints);
        auto fits = [&](int points) {
            const TTextMetrics metrics(FontAt(font_, points, along), along);
            switch (BarCodeType) {
            case bcUPC_A: return 5 * metrics.Width(QStringLiteral("0")) <= 36 * L.Module;
            case bcEAN_13: return metrics.Width(QStringLiteral("000000")) <= 42 * L.Module;
            default: return metrics.Width(QStringLiteral("0")) * L.Text.size() <= L.Width;
            }
        };
        if (BarCodeType == bcPostnet) {
            L.FontPoints = std::max(2, start / 2);
        } else {
            // The largest size from the start down (not below 2) that
            // fits; the text only grows with its size, so halving finds it.
            int low = 2, high = start;
            while (low < high) {
                const int mid = low + (high - low + 1) / 2;
                if (fits(mid))
                    low = mid;
                else
                    high = mid - 1;
            }
            L.FontPoints = low;
        }
    }
    L.FontPixels = FontAt(font_, L.FontPoints, along).pixelSize();
    if (humanReadable)
        L.TextHeight = TTextMetrics(FontAt(font_, L.FontPoints, along), along).Height();

    if (!AutoSize)
        L.BarHeight = crossExtent - L.TextHeight;
    L.BarHeight = std::max(L.BarHeight, 5);
    L.Height = L.BarHeight + L.TextHeight;
    return L;
}

TrgBarCodeLayout TrgDrawBarCode::LayoutAt(QPoint Resolution)
{
    return Vertical() ? Layout(Resolution.y(), Resolution.x()) : Layout(Resolution.x(), Resolution.y());
}

QSize TrgDrawBarCode::PageSize(const TrgBarCodeLayout& L) const
{
    return Vertical() ? QSize(L.Height, L.Width) : QSize(L.Width, L.Height);
}

QSize TrgDrawBarCode::MeasureSymbol(int ResolutionX, int ResolutionY)
{
    return PageSize(LayoutAt({ResolutionX, ResolutionY}));
}

void TrgDrawBarCode::ApplySize(const TrgBarCodeLayout& L, QPoint Resolution)
{
    if (!L.Valid)
        return;  // an invalid bar code keeps its box
    const QSize size = PageSize(L);
    Width = PixelsToMM(size.width(), Resolution.x());
    Height = PixelsToMM(size.height(), Resolution.y());
}

void TrgDrawBarCode::SizeToResolution(int ResolutionX, int ResolutionY)
{
    ApplySize(LayoutAt({ResolutionX, ResolutionY}), {ResolutionX, ResolutionY});
}

QSize TrgDrawBarCode::MeasureMMThousandths()
{
    const QPoint resolution = rgBarCodeSizingResolution();
    const QSize pixels = MeasureSymbol(resolution.x(), resolution.y());
    return {PixelsToMM(pixels.width(), resolution.x()), PixelsToMM(pixels.height(), resolution.y())};
}

void TrgDrawBarCode::DrawBarCode(QPainter& Painter, int ResolutionX, int ResolutionY, QPoint Origin)
{
    const QPoint resolution(ResolutionX, ResolutionY);
    PaintLayout(Painter, LayoutAt(resolution), resolution, Origin);
}

void TrgDrawBarCode::PaintLayout(QPainter& Painter, const TrgBarCodeLayout& L, QPoint Resolution, QPoint Origin) const
{
    // Symbol coordinates onto the device: turned about the symbol's box so
    // that its top-left corner lands on Origin.
    QTransform turn;
    switch (Orientation) {
    case orLeftToRight: turn.translate(Origin.x(), Origin.y()); break;
    case orRightToLeft: turn.translate(Origin.x() + L.Width, Origin.y() + L.Height).rotate(180); break;
    case orTopToBottom: turn.translate(Origin.x() + L.Height, Origin.y()).rotate(90); break;
    case orBottomToTop: turn.translate(Origin.x(), Origin.y() + L.Width).rotate(-90); break;
    }

    Painter.save();
    Painter.setRenderHint(QPainter::Antialiasing, false);
    Painter.setTransform(turn, true);
    if (!Transparent)
        Painter.fillRect(QRect(0, 0, L.Width, L.Height), ColorToQColor(Color));
    if (L.Valid) {
        PaintBars(Painter, L);
        if (PrintHumanReadable && BarCodeType != bcPostnet)
            PaintText(Painter, L, Vertical() ? Resolution.y() : Resolution.x());
    }
    Painter.restore();
}

void TrgDrawBarCode::PaintBars(QPainter& Painter, const TrgBarCodeLayout& L) const
{
    const QColor bars = ColorToQColor(BarColor);
    const int X = std::max(L.Module, 1);
    // UPC-A and EAN-13 bars run down into the text line; the digit boxes
    // stop those under the digits at the text's top.
    const int longBottom =
        L.BarHeight + (IsEanUpc(BarCodeType) && L.TextHeight > 0 ? std::max(0, L.TextHeight / 2 - L.Module) : 0);
    const std::array<ModuleSpan, 2> boxes = DigitBoxes(BarCodeType);
    const int halfTop = Round(L.BarHeight * 0.6L);

    // The vertical extent of one column of the main row; empty for a space.
    auto column = [&](size_t i) -> std::pair<int, int> {
        const char c = L.Row[i];
        if (c == '0')
            return {0, 0};
        if (BarCodeType == bcPostnet)
            return {c == '2' ? 0 : halfTop, L.BarHeight};
        if (!IsEanUpc(BarCodeType))
            return {0, L.BarHeight};
        const int module = int(i) / X;
        for (const ModuleSpan& box : boxes) {
            if (module >= box.first && module < box.last)
                return {0, L.BarHeight};
        }
        return {0, longBottom};
    };

    // Runs of equal columns as one rectangle each; a column beyond the
    // symbol's width is not drawn.
    const size_t count = std::min(L.Row.size(), size_t(std::max(L.Width - L.Margin, 0)));
    for (size_t i = 0; i < count;) {
        const auto extent = column(i);
        size_t end = i + 1;
        while (end < count && column(end) == extent)
            ++end;
        if (extent.second > extent.first)
            Painter.fillRect(QRect(L.Margin + int(i), extent.first, int(end - i), extent.second - extent.first), bars);
        i = end;
    }

    if (!L.AddOnRow.empty()) {
        // The add-on's bars start below its digits.
        const int left = L.Margin + int(L.Row.size()) + L.AddOnGap;
        const int top = L.TextHeight;
        for (size_t i = 0; i < L.AddOnRow.size();) {
            size_t end = i + 1;
            while (end < L.AddOnRow.size() && L.AddOnRow[end] == L.AddOnRow[i])
                ++end;
            if (L.AddOnRow[i] != '0' && longBottom > top)
                Painter.fillRect(QRect(left + int(i), top, int(end - i), longBottom - top), bars);
            i = end;
        }
    }

    if (BearerBars && BarCodeType == bcInt2of5) {
        const int thickness = 3 * L.Module;
        Painter.fillRect(QRect(0, 0, L.Width, thickness), bars);
        Painter.fillRect(QRect(0, L.BarHeight - thickness, L.Width, thickness), bars);
    }
}

void TrgDrawBarCode::PaintText(QPainter& Painter, const TrgBarCodeLayout& L, int ResolutionAlong) const
{
    const QFont font = FontAt(font_, L.FontPoints, ResolutionAlong);
    const TTextMetrics metrics(font, ResolutionAlong);
    Painter.setPen(ColorToQColor(BarColor));
    Painter.setFont(font);
    // Text with its top at Top.
    auto draw = [&](double Left, int Top, const QString& Text) {
        Painter.drawText(QPointF(Left, Top + metrics.Ascent()), Text);
    };
    const int T = L.BarHeight;
    const int M = L.Margin;
    const int X = L.Module;

    switch (BarCodeType) {
    case bcEAN_13:
        draw(M + 3 * X, T, L.Text.mid(1, 6));
        draw(M + 50 * X, T, L.Text.mid(7, 6));
        draw(1, T, L.Text.left(1));
        break;
    case bcUPC_A: {
        draw(M + 10 * X, T, L.Text.mid(1, 5));
        draw(M + 50 * X, T, L.Text.mid(6, 5));
        // The number system and check digits, two points smaller, in the
        // margins, their feet on the text line's foot.
        const QFont small = FontAt(font_, std::max(1, L.FontPoints - 2), ResolutionAlong);
        const TTextMetrics smallMetrics(small, ResolutionAlong);
        const int top = T + L.TextHeight - smallMetrics.Height();
        Painter.setFont(small);
        Painter.drawText(QPointF(1, top + smallMetrics.Ascent()), L.Text.left(1));
        Painter.drawText(QPointF(L.MainWidth - 1 - smallMetrics.Width(QStringLiteral("0")), top + smallMetrics.Ascent()),
                         L.Text.mid(11, 1));
        Painter.setFont(font);
        break;
    }
    default: {
        const double free = L.Width - metrics.Width(L.Text);
        const double left = Alignment == taRightJustify ? free : Alignment == taCenter ? free / 2 : 0;
        draw(left, T, L.Text);
        break;
    }
    }

    if (!L.AddOnRow.empty()) {
        // The add-on's digits stand centred above its bars.
        const int left = M + int(L.Row.size()) + L.AddOnGap;
        draw(left + (int(L.AddOnRow.size()) - metrics.Width(AddOnCode)) / 2, 0, AddOnCode);
    }
}

bool TrgDrawBarCode::Draw(TrgDevice* Device)
{
    auto* raster = dynamic_cast<TrgRasterDevice*>(Device);
    QPainter* painter = raster ? raster->PagePainter() : nullptr;
    if (!painter)
        return false;
    const QPoint device = rgRasterDeviceResolution(*raster);
    if (device.x() <= 0 || device.y() <= 0)
        return false;

    // A screen shows the symbol as the printer makes it: made at the
    // printer's resolution and scaled into the command's rectangle, so the
    // preview keeps the printed proportions.
    const QPoint sizing = rgBarCodeSizingResolution();
    bool scaled = !IsVectorPainter(*painter) && (device.x() < sizing.x() || device.y() < sizing.y());
    TrgBarCodeLayout layout = LayoutAt(scaled ? sizing : device);
    const QSize size = PageSize(layout);
    if (scaled && qint64(size.width()) * size.height() > kMaxScaledPixels) {
        scaled = false;
        layout = LayoutAt(device);
    }
    const QPoint resolution = scaled ? sizing : device;
    ApplySize(layout, resolution);
    const QRect rect = raster->CommandRect(*this);
    SetDrawRect({rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()});

    if (scaled)
        PaintScaled(*painter, layout, sizing, QRectF(rect));
    else
        PaintLayout(*painter, layout, device, rect.topLeft());
    return true;
}

void TrgDrawBarCode::PaintScaled(QPainter& Painter, const TrgBarCodeLayout& L, QPoint Resolution,
                                 const QRectF& Target) const
{
    const QSize size = PageSize(L);
    if (size.isEmpty())
        return;
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter imagePainter(&image);
        PaintLayout(imagePainter, L, Resolution, QPoint(0, 0));
    }
    Painter.save();
    Painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    Painter.drawImage(Target, image);
    Painter.restore();
}

void TrgDrawBarCode::DrawOnScreen(QPainter& Painter, QPoint TopLeft, int PixelsPerInch)
{
    const QPoint screen(PixelsPerInch, PixelsPerInch);
    const QPoint sizing = rgBarCodeSizingResolution();
    TrgBarCodeLayout layout = LayoutAt(sizing);
    const QSize size = PageSize(layout);
    if (PixelsPerInch <= 0 || qint64(size.width()) * size.height() > kMaxScaledPixels ||
        (sizing.x() <= PixelsPerInch && sizing.y() <= PixelsPerInch)) {
        layout = LayoutAt(screen);
        ApplySize(layout, screen);
        PaintLayout(Painter, layout, screen, TopLeft);
        return;
    }
    ApplySize(layout, sizing);
    // The command's size (the symbol's, or the box of an invalid bar code)
    // in screen pixels.
    const QSizeF target(Width * PixelsPerInch / 25400.0, Height * PixelsPerInch / 25400.0);
    PaintScaled(Painter, layout, sizing, QRectF(TopLeft, target));
}

// ---- resolutions ----------------------------------------------------------------------

QPoint rgBarCodeSizingResolution()
{
    // Without an installed printer the screen stands in for it.
    if (const TrgPrinter* printer = rgGetPrinter())
        return printer->GetPixelsPerInch();
    return {rgScreenPixelsPerInch(), rgScreenPixelsPerInch()};
}

QPoint rgRasterDeviceResolution(TrgRasterDevice& Device)
{
    // The rectangle of a ten-inch square, to the nearest pixel per inch.
    TrgDrawCommand probe(nullptr);
    probe.Width = probe.Height = 254000;
    const QRect rect = Device.CommandRect(probe);
    return {Round(rect.width() / 10.0L), Round(rect.height() / 10.0L)};
}

// ---- stream form ------------------------------------------------------------------------

void rgDescribeDrawBarCodeClass()
{
    auto enumeration = [](const char* TypeName, std::span<const char* const> Identifiers) {
        QStringList identifiers;
        for (const char* identifier : Identifiers)
            identifiers << QString::fromLatin1(identifier);
        return RegisterEnum(QString::fromLatin1(TypeName), identifiers);
    };
    const TEnumInfo* colors = ColorIdents();
    const TEnumInfo* alignments = FindEnum(QStringLiteral("TAlignment"));
    const TEnumInfo* types = enumeration("TrgBarCodeType", TrgBarCodeTypeIdentifiers);
    const TEnumInfo* orientations = enumeration("TrgBarCodeOrientation", TrgBarCodeOrientationIdentifiers);

    using B = TrgDrawBarCode;
    DescribeClass<B, TrgDrawCommand>(QStringLiteral("TrgDrawBarCode"))
        .Enum("Alignment", alignments, &B::Alignment).Default(taLeftJustify)
        .String("AddOnCode", &B::AddOnCode).Default(QString())
        .Boolean("AutoSize", &B::AutoSize).Default(true)
        .Boolean("AutoSizeFont", &B::AutoSizeFont).Default(true)
        .Enum("BarCodeType", types, &B::BarCodeType)
        .Mapped("BarColor", colors, &B::BarColor)
        .Integer("BarWidth", &B::BarWidth)
        .Boolean("BearerBars", &B::BearerBars).Default(false)
        .Boolean("CalcCheckDigit", &B::CalcCheckDigit).Default(true)
        .Boolean("CodeOK", &B::CodeOK).Default(true)
        .Mapped("Color", colors, &B::Color)
        .String("Data", &B::Data).Default(QString())
        .Object("Font", [](B& b) { return b.Font(); })
        .Enum("Orientation", orientations, &B::Orientation).Default(orLeftToRight)
        .Boolean("PrintHumanReadable", &B::PrintHumanReadable).Default(true)
        .Boolean("Transparent", &B::Transparent).Default(false)
        .Single("WideBarRatio", &B::WideBarRatio);
}
