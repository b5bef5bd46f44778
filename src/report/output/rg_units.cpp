#include "report/output/rg_units.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "platform/core/exceptions.h"
#include "platform/core/string_list.h"
#include "platform/stream/stream_format.h"

namespace {

int screenPixelsPerInch = 96;

// Inches per millimetre as the engine has always used it, and its reciprocal.
constexpr long double kInchPerMM = 0.03937L;
constexpr long double kMMPerInch = 25.4000508001016L;

// Rounds to the nearest integer, halves to even (the processor's default
// rounding), in extended precision.
long double Nearest(long double v)
{
    return std::nearbyint(v);
}

// An integer result, held within the 32-bit range; no number gives 0.
int ToInt(long double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= static_cast<long double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (v <= static_cast<long double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(v);  // truncates toward zero
}

long double PixelsPerInch(TrgUnitType unit, TrgDirection direction, const TObject* printer)
{
    if (unit == utPrinterPixels) {
        if (const auto* device = dynamic_cast<const TrgDeviceResolution*>(printer)) {
            const int ppi = device->DevicePixelsPerInch(direction == rgVertical ? rgVertical : rgHorizontal);
            if (ppi > 0)
                return ppi;
        }
    }
    return screenPixelsPerInch;
}

}  // namespace

int rgScreenPixelsPerInch()
{
    return screenPixelsPerInch;
}

void rgSetScreenPixelsPerInch(int PixelsPerInch)
{
    if (PixelsPerInch > 0)
        screenPixelsPerInch = PixelsPerInch;
}

float rgFromMMThousandths(int Value, TrgUnitType Unit, TrgDirection Direction, const TObject* Printer)
{
    const long double v = Value;
    switch (Unit) {
    case utScreenPixels:
    case utPrinterPixels:
        return float(Nearest(v * 0.001L * kInchPerMM * PixelsPerInch(Unit, Direction, Printer)));
    case utInches:
        return float(Nearest(v * 0.001L * kInchPerMM * 10000) * 0.0001L);
    case utMillimeters:
        return float(v * 0.001L);
    case utMMThousandths:
        return float(Value);
    }
    return 0;
}

int rgToMMThousandths(TrgUnitType Unit, TrgDirection Direction, const TObject* Printer, float Value)
{
    const long double v = Value;
    switch (Unit) {
    case utScreenPixels:
    case utPrinterPixels:
        return ToInt(Nearest(v / PixelsPerInch(Unit, Direction, Printer) * kMMPerInch * 1000));
    case utInches:
        return ToInt(Nearest(kMMPerInch * v * 1000));
    case utMillimeters:
        return ToInt(Nearest(v * 1000));
    case utMMThousandths:
        return ToInt(v);
    }
    return 0;
}

float rgFromScreenPixels(int Value, TrgUnitType Unit, TrgDirection Direction, const TObject* Printer)
{
    return rgFromMMThousandths(rgToMMThousandths(utScreenPixels, Direction, Printer, float(Value)), Unit,
                               Direction, Printer);
}

int rgToScreenPixels(TrgUnitType Unit, TrgDirection Direction, const TObject* Printer, float Value)
{
    return ToInt(rgFromMMThousandths(rgToMMThousandths(Unit, Direction, Printer, Value), utScreenPixels,
                                     Direction, Printer));
}

float rgFromTenthsOfMM(int Value, TrgUnitType Unit, TrgDirection Direction, const TObject* Printer)
{
    const int thousandths = ToInt(static_cast<long double>(Value) * 100);
    switch (Unit) {
    case utScreenPixels:
    case utPrinterPixels:
        return rgFromMMThousandths(thousandths, Unit, Direction, Printer);
    case utInches: {
        // Quantised to whole screen pixels, as the page setup shows them.
        const int pixels = rgToScreenPixels(utMMThousandths, Direction, Printer, float(thousandths));
        return rgFromScreenPixels(pixels, utInches, Direction, Printer);
    }
    case utMillimeters:
        return float(Nearest(static_cast<long double>(Value) * 0.1L));
    case utMMThousandths:
        return float(thousandths);
    }
    return 0;
}

int rgToTenthsOfMM(TrgUnitType Unit, TrgDirection Direction, const TObject* Printer, float Value)
{
    switch (Unit) {
    case utScreenPixels:
    case utPrinterPixels:
        return rgToMMThousandths(Unit, Direction, Printer, Value) / 100;
    case utInches: {
        const int pixels = rgToScreenPixels(utInches, Direction, Printer, Value);
        const float thousandths = rgFromScreenPixels(pixels, utMMThousandths, Direction, Printer);
        return ToInt(static_cast<long double>(thousandths) * 0.01L);
    }
    case utMillimeters:
        return ToInt(Nearest(static_cast<long double>(Value) * 10));
    case utMMThousandths:
        return ToInt(Nearest(0.01L * Value));
    }
    return 0;
}

void rgPositionsFromMMThousandths(TStringList& List, TrgUnitType Unit, TrgDirection Direction,
                                  const TObject* Printer, const TFormatSettings& fs)
{
    for (int i = 0; i < List.Count(); ++i) {
        const int thousandths = StrToIntDef(List[i], 0);
        const float value = rgFromMMThousandths(thousandths, Unit, Direction, Printer);
        List.SetStrings(i, FloatToStrF(value, TFloatFormat::ffGeneral, 7, 0, fs));
    }
}

void rgPositionsToMMThousandths(TStringList& List, TrgUnitType Unit, TrgDirection Direction,
                                const TObject* Printer, const TFormatSettings& fs)
{
    for (int i = 0; i < List.Count(); ++i) {
        const double value = StrToFloatDef(List[i], 0, fs);
        List.SetStrings(i, IntToStr(rgToMMThousandths(Unit, Direction, Printer, float(value))));
    }
}

bool rgExtendedToInteger(const uint8_t (&Bytes)[10], int& Result)
{
    const long double value = ExtendedToLongDouble(Bytes);
    if (!std::isfinite(value))
        return false;
    const long double truncated = std::trunc(value);
    if (truncated < INT32_MIN || truncated > INT32_MAX)
        return false;
    Result = int(truncated);
    return true;
}

int rgCheckedLength(int64_t Value, const QString& Name)
{
    if (Value < -rgMaxLength || Value > rgMaxLength)
        throw EReadError(QStringLiteral("Die Länge %1 = %2 liegt außerhalb des erlaubten Bereichs (%3 bis %4)")
                             .arg(Name)
                             .arg(Value)
                             .arg(-rgMaxLength)
                             .arg(rgMaxLength));
    return int(Value);
}

int rgReadIntegerValue(const TrgReadBytes& ReadBytes)
{
    uint8_t valueType = 0;
    ReadBytes(&valueType, 1);
    uint8_t bytes[10] = {};
    switch (valueType) {
    case 2:
        ReadBytes(bytes, 1);
        return int8_t(bytes[0]);
    case 3:
        ReadBytes(bytes, 2);
        return int16_t(uint16_t(bytes[0] | (bytes[1] << 8)));
    case 4:
        ReadBytes(bytes, 4);
        return int32_t(uint32_t(bytes[0]) | (uint32_t(bytes[1]) << 8) | (uint32_t(bytes[2]) << 16) |
                       (uint32_t(bytes[3]) << 24));
    case 5: {
        ReadBytes(bytes, 10);
        int result = 0;
        if (!rgExtendedToInteger(bytes, result))
            throw EReadError(QStringLiteral("Ungültiger Zahlenwert im Datenstrom"));
        return result;
    }
    default:
        throw EReadError(QStringLiteral("Ungültiger Eigenschaftswert im Datenstrom (Werttyp %1)").arg(valueType));
    }
}

int rgReadIntegerValue(QByteArrayView Data, qsizetype& Position)
{
    return rgReadIntegerValue([&](void* buffer, int count) {
        if (Position < 0 || count < 0 || Data.size() - Position < count)
            throw EReadError(QStringLiteral("Unerwartetes Ende des Datenstroms"));
        std::memcpy(buffer, Data.data() + Position, size_t(count));
        Position += count;
    });
}

void rgSetRect(int Left, int Top, int Right, int Bottom, TRect& Rect)
{
    Rect = {Left, Top, Right, Bottom};
}

void TrgPageDef::Assign(const TPersistent* Source)
{
    if (const auto* other = dynamic_cast<const TrgPageDef*>(Source)) {
        mmHeight = other->mmHeight;
        mmWidth = other->mmWidth;
        mmMarginLeft = other->mmMarginLeft;
        mmMarginRight = other->mmMarginRight;
        mmMarginTop = other->mmMarginTop;
        mmMarginBottom = other->mmMarginBottom;
        return;
    }
    TPersistent::Assign(Source);
}

bool TrgPageDef::operator==(const TrgPageDef& Other) const
{
    return mmHeight == Other.mmHeight && mmWidth == Other.mmWidth && mmMarginLeft == Other.mmMarginLeft &&
           mmMarginRight == Other.mmMarginRight && mmMarginTop == Other.mmMarginTop &&
           mmMarginBottom == Other.mmMarginBottom;
}

TRect TrgPageDef::PrintableRect() const
{
    TRect r;
    rgSetRect(mmMarginLeft, mmMarginTop, mmWidth - mmMarginRight, mmHeight - mmMarginBottom, r);
    return r;
}

int TrgPageDef::spPaperWidth() const
{
    return int(rgFromMMThousandths(mmWidth, utScreenPixels, rgHorizontal, nullptr));
}

int TrgPageDef::spPaperHeight() const
{
    return int(rgFromMMThousandths(mmHeight, utScreenPixels, rgVertical, nullptr));
}

int TrgPageDef::spPrintableWidth() const
{
    return int(rgFromMMThousandths(mmPrintableWidth(), utScreenPixels, rgHorizontal, nullptr));
}
