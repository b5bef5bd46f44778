#pragma once
// The bar code draw command. Unlike the other draw commands it paints
// itself: it encodes its symbol at the resolution of the device it is drawn
// on, works out the symbol's size there (the command's Width and Height
// follow it), and paints background, bars, bearer bars, the human-readable
// text and the add-on, turned to one of four orientations.
//
// A symbol is laid out in its own coordinates: x along the reading
// direction, y across it, in device pixels: the bar area from the top, the
// human-readable line below it. An add-on stands right of the main symbol
// with its digits above its bars.

#include <QPoint>
#include <QRectF>
#include <QSize>
#include <QString>

#include <string>

#include "report/output/rg_draw_commands.h"

class QPainter;
class TrgRasterDevice;

// One symbol laid out at a resolution, in device pixels along and across it.
struct TrgBarCodeLayout {
    bool Valid = false;       // nothing but the background is painted otherwise
    std::string Row;          // the main symbol's module row (see rg_barcode.h)
    std::string AddOnRow;     // the add-on's row; empty without an add-on
    QString Text;             // the human-readable text (data after encoding)
    int Module = 0;           // the narrow module width X
    int Margin = 0;           // quiet margin on each side of the main row
    int AddOnGap = 0;         // from the main row's end to the add-on's first bar
    int MainWidth = 0;        // main row plus both margins
    int Width = 0;            // the whole symbol along
    int BarHeight = 0;        // the bar area
    int TextHeight = 0;       // the human-readable line; 0 without one
    int Height = 0;           // the whole symbol across
    int FontPoints = 0;       // the human-readable font size
    int FontPixels = 0;       // the same in pixels at the resolution along
};

class TrgDrawBarCode : public TrgDrawCommand {
public:
    explicit TrgDrawBarCode(TComponent* AOwner);

    // Published, in stream order.
    TAlignment Alignment = taLeftJustify;
    QString AddOnCode;
    bool AutoSize = true;      // the bar height follows the symbol, not Height
    bool AutoSizeFont = true;  // the text size is chosen to fit the symbol
    TrgBarCodeType BarCodeType = bcCode39;
    TColor BarColor = clBlack;
    int BarWidth = 254;        // narrow module, thousandths of a millimetre
    bool BearerBars = false;   // Interleaved 2 of 5 only
    bool CalcCheckDigit = true;
    bool CodeOK = true;        // cleared by an encoding error
    TColor Color = clWhite;    // background
    QString Data;
    TrgBarCodeOrientation Orientation = orLeftToRight;
    bool PrintHumanReadable = true;
    bool Transparent = false;
    float WideBarRatio = 3;

    TrgFont* Font() { return &font_; }
    const TrgFont* Font() const { return &font_; }
    void SetFont(const TFont* Value) { font_.Assign(Value); }

    // No message box for encoding errors (not streamed, not copied).
    bool SuppressMessages = false;
    // The language of the encoding messages.
    TrgLanguageType Language = lgEnglish;

    // Lays the symbol out at the resolution along and across it. Encoding
    // errors clear CodeOK (and show their message unless suppressed); an
    // invalid bar code keeps the command's own box as its size.
    TrgBarCodeLayout Layout(int ResolutionAlong, int ResolutionAcross);
    // The symbol's size on the page in device pixels (width and height
    // exchanged for the vertical orientations).
    QSize MeasureSymbol(int ResolutionX, int ResolutionY);
    // Width and Height become the measured size.
    void SizeToResolution(int ResolutionX, int ResolutionY);
    // The size in thousandths of a millimetre as the shared printer prints
    // it (the screen's resolution when no printer is installed), for
    // components that size themselves to their symbol.
    QSize MeasureMMThousandths();

    // Paints the symbol with its top-left corner (after turning) at Origin.
    void DrawBarCode(QPainter& Painter, int ResolutionX, int ResolutionY, QPoint Origin);
    // On a raster device with an open page: sizes the command at the
    // device's resolution and paints it in the device's rectangle. A screen
    // (a raster painter coarser than the printer) gets the symbol as the
    // printer makes it, scaled into the rectangle. Elsewhere nothing.
    bool Draw(TrgDevice* Device) override;
    // Paints the symbol as the preview shows it, on a screen of
    // PixelsPerInch with its top-left corner at TopLeft: made at the
    // printer's resolution and scaled to the screen (a report designer's
    // picture of the component).
    void DrawOnScreen(QPainter& Painter, QPoint TopLeft, int PixelsPerInch);

    // Every published property (the font by value).
    void Assign(const TPersistent* Source) override;

private:
    bool Vertical() const { return Orientation == orTopToBottom || Orientation == orBottomToTop; }
    // The layout at a device's resolution (x horizontal, y vertical).
    TrgBarCodeLayout LayoutAt(QPoint Resolution);
    // The symbol's size on the page, in pixels.
    QSize PageSize(const TrgBarCodeLayout& L) const;
    // Width and Height from a valid layout; an invalid one keeps the box.
    void ApplySize(const TrgBarCodeLayout& L, QPoint Resolution);
    void PaintLayout(QPainter& Painter, const TrgBarCodeLayout& L, QPoint Resolution, QPoint Origin) const;
    // The layout painted at its Resolution, then scaled into Target.
    void PaintScaled(QPainter& Painter, const TrgBarCodeLayout& L, QPoint Resolution, const QRectF& Target) const;
    void PaintBars(QPainter& Painter, const TrgBarCodeLayout& L) const;
    void PaintText(QPainter& Painter, const TrgBarCodeLayout& L, int ResolutionAlong) const;

    TrgFont font_;
};

// The pixels per inch of the shared printer, or of the screen when no
// printer is installed: the resolution bar codes are sized at.
QPoint rgBarCodeSizingResolution();
// The pixels per inch of a raster device's page, both ways, as its command
// rectangles map lengths.
QPoint rgRasterDeviceResolution(TrgRasterDevice& Device);

// Describes the bar code draw command for the component stream (called
// with the other draw commands).
void rgDescribeDrawBarCodeClass();
