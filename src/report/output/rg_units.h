#pragma once
// Lengths of the report engine. Every stored length is an integer number of
// thousandths of a millimetre; users see them in the report's Units. The
// conversions use 0.03937 inch per millimetre (and 25.4000508001016 back),
// round halves to even in extended precision and hand out Single values,
// so every template keeps the exact positions it was designed with.

#include <QByteArrayView>

#include <cstdint>
#include <functional>

#include "platform/core/sys_utils.h"
#include "platform/ui/component.h"
#include "report/output/rg_types.h"

class TStringList;

// Direction of a pixel conversion: 1 vertical, any other value horizontal.
using TrgDirection = uint8_t;
inline constexpr TrgDirection rgHorizontal = 0;
inline constexpr TrgDirection rgVertical = 1;

// What a printer tells the conversions: its resolution in a direction once
// it has a device context, 0 while it has none. An argument that is not a
// TrgDeviceResolution, or answers 0, converts at the screen's resolution.
class TrgDeviceResolution {
public:
    virtual ~TrgDeviceResolution() = default;
    virtual int DevicePixelsPerInch(TrgDirection Direction) const = 0;
};

// The screen's pixels per inch for utScreenPixels, the same both ways.
// 96 until the program sets it from the real screen; tests keep 96, so no
// conversion ever depends on the platform plugin in use.
int rgScreenPixelsPerInch();
void rgSetScreenPixelsPerInch(int PixelsPerInch);

// The lengths a report may hold, in thousandths of a millimetre: a hundred
// metres either way. A stream's length beyond them is refused when it is
// read, so that the layout's sums of lengths cannot overflow.
inline constexpr int rgMaxLength = 100'000'000;
// Value when it lies within rgMaxLength either way; EReadError naming the
// property otherwise.
int rgCheckedLength(int64_t Value, const QString& Name);

float rgFromMMThousandths(int Value, TrgUnitType Unit, TrgDirection Direction, const TObject* Printer);
int rgToMMThousandths(TrgUnitType Unit, TrgDirection Direction, const TObject* Printer, float Value);
float rgFromScreenPixels(int Value, TrgUnitType Unit, TrgDirection Direction, const TObject* Printer);
int rgToScreenPixels(TrgUnitType Unit, TrgDirection Direction, const TObject* Printer, float Value);
// Tenths of a millimetre, as printer drivers give paper sizes. Inches go
// through whole screen pixels, millimetres are whole.
float rgFromTenthsOfMM(int Value, TrgUnitType Unit, TrgDirection Direction, const TObject* Printer);
int rgToTenthsOfMM(TrgUnitType Unit, TrgDirection Direction, const TObject* Printer, float Value);

// Lists of positions (tab stops, column positions): every entry, an integer
// in thousandths, becomes its value in Unit as a general float of 7
// significant digits; and back. An entry that is no number counts as 0.
void rgPositionsFromMMThousandths(TStringList& List, TrgUnitType Unit, TrgDirection Direction,
                                  const TObject* Printer, const TFormatSettings& fs = FormatSettings());
void rgPositionsToMMThousandths(TStringList& List, TrgUnitType Unit, TrgDirection Direction,
                                const TObject* Printer, const TFormatSettings& fs = FormatSettings());

// Reads one integer as the component stream stores numbers of any width: a
// value-type byte, then 2: 8-bit, 3: 16-bit, 4: 32-bit signed little-endian,
// 5: 10-byte extended float truncated toward zero. ReadBytes must fill the
// buffer completely or throw. Any other value type, an extended value that
// is no number or leaves the 32-bit range, throws EReadError.
using TrgReadBytes = std::function<void(void* Buffer, int Count)>;
int rgReadIntegerValue(const TrgReadBytes& ReadBytes);
// The same over bytes in memory, from Position on; Position ends after the
// value. Running out of bytes throws EReadError.
int rgReadIntegerValue(QByteArrayView Data, qsizetype& Position);
// An 80-bit extended value (little-endian, as stored) truncated toward
// zero; false when it is no number or leaves the 32-bit range.
bool rgExtendedToInteger(const uint8_t (&Bytes)[10], int& Result);

void rgSetRect(int Left, int Top, int Right, int Bottom, TRect& Rect);

// A page's size and margins in thousandths of a millimetre.
class TrgPageDef : public TPersistent {
public:
    int mmHeight = 0;
    int mmWidth = 0;
    int mmMarginLeft = 0;
    int mmMarginRight = 0;
    int mmMarginTop = 0;
    int mmMarginBottom = 0;

    void Assign(const TPersistent* Source) override;
    bool operator==(const TrgPageDef& Other) const;

    int mmPrintableWidth() const { return mmWidth - (mmMarginLeft + mmMarginRight); }
    int mmPrintableHeight() const { return mmHeight - (mmMarginTop + mmMarginBottom); }
    TRect PrintableRect() const;
    // Sizes in screen pixels, truncated.
    int spPaperWidth() const;
    int spPaperHeight() const;
    int spPrintableWidth() const;
};
