#pragma once
// Printing pages on a printer: the printer device, the job over TrgPrinter
// (one document for all copies, collated copies by running the job again,
// each page's setup applied before the page) and the painting routines for
// lines, shapes, text and pictures in printer pixels.
//
// A cancelled job ends without printing (TrgPrinter::Abort deletes the job
// file before it reaches the spooler), and every failure of the printer or
// the spooler arrives as EPrintError.
//
// Text is not measured again here: the lines and their widths come from the
// layout's measure at 1200 units per inch, and the painter is scaled from
// those units to printer pixels, so printed lines break and align exactly
// as they were laid out.

#include <QColor>
#include <QPainter>
#include <QPen>
#include <QRect>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

#include "platform/ui/framework_types.h"
#include "report/output/rg_device.h"
#include "report/output/rg_printer.h"
#include "report/output/rg_text_measure.h"
#include "report/output/rg_types.h"

class TrgDrawCommand;
class TrgDrawImage;
class TrgDrawLine;
class TrgDrawShape;
class TrgDrawText;

// ---- the job ------------------------------------------------------------------

class TrgPrinterJob {
public:
    explicit TrgPrinterJob(TrgPrinter& Printer) : printer_(Printer) {}

    // Asks for every page of the job once more (the publisher runs the job
    // again inside the open document): used for collated copies.
    std::function<void()> RequestPages;
    // StartJob begins the printer document / EndJob ends it.
    bool BeginDocument = true;
    bool EndDocument = true;

    // Ignored while busy, so the passes for copies stay in one document.
    void StartJob();
    // Applies the page's setup, starts a printer page and, on the first
    // page, takes the number of collated copies from the setup.
    void StartPage(const TrgPrinterSetup& PageSetup);
    void EndPage();
    // Ends the document after the last copy; before that, asks for the
    // pages again and stays busy.
    void EndJob();
    // Ends the job without printing.
    void CancelJob();

    // True when this pass is the last copy; otherwise counts the copy off,
    // asks for the pages again and returns false.
    bool IsLastCopy();

    bool Busy() const { return busy_; }
    int CopiesLeft() const { return copiesLeft_; }
    // Added to every position: the negated unprintable offsets of the printer.
    QPoint Offset() const { return offset_; }
    QPainter* Canvas() { return printer_.Canvas(); }
    TrgPrinter& Printer() { return printer_; }

private:
    TrgPrinter& printer_;
    bool busy_ = false;
    int copiesLeft_ = 1;
    bool firstPage_ = true;
    QPoint offset_;
};

// The text shown while a page prints: string 28 of the language block
// ("Printing page <page> of <pagecount> ...") when every page is printed in
// a two-pass job (the page count is known), else string 27.
QString rgPrinterProgressMessage(int LanguageBase, TrgPageSettingType PageSetting, TrgPassSettingType PassSetting,
                                 int PageNo, int PageCount, const QString& DocumentName,
                                 const QString& PrinterName);

// ---- geometry -------------------------------------------------------------------

// x taken to the nearest integer, halves to the even neighbour.
int rgNearestEven(double x);

// The same pixels as a QRect (whose right and bottom edges lie inside it).
inline QRect rgQRectOf(const TRect& Rect)
{
    return QRect(Rect.Left, Rect.Top, Rect.Width(), Rect.Height());
}

// A command's rectangle (thousandths of a millimetre) in printer pixels,
// moved by the printer's offset.
QRect rgCommandDeviceRect(int Left, int Top, int Width, int Height, const TObject* Printer, QPoint Offset);

// ---- lines ------------------------------------------------------------------------

// Strokes of a line in pixels: nearest(ppi x Weight / 72), at least 1.
int rgLineThickness(int PixelsPerInch, double WeightInPoints);
// Gap from the first line of a double line to the second: twice the
// thickness, or with a pen of width 0 the printer pixels of two screen pixels.
int rgSecondLineOffset(int Thickness, int PenWidth, TrgDirection Direction, const TObject* Printer);
// The one-pixel strokes of a line at an edge of Rect: Thickness strokes per
// line, inwards from the edge; a double line repeats them at SecondOffset.
std::vector<QLine> rgLineStrokes(const QRect& Rect, TrgLinePositionType Position, TrgLineStyleType Style,
                                 int Thickness, int SecondOffset);
void rgDrawStrokes(QPainter& Painter, const QPen& Pen, const std::vector<QLine>& Strokes);

// ---- shapes ------------------------------------------------------------------------

// The pen width of a shape in printer pixels: 1 for a pen of width 0, else
// the width taken as screen pixels.
int rgShapePenWidth(int PenWidth, const TObject* Printer);
// Rectangle, rounded rectangle (corner sizes in thousandths of a
// millimetre) or ellipse in Rect; the other shape types draw nothing.
void rgDrawShape(QPainter& Painter, TShapeType Shape, const QRect& Rect, QPen Pen, const QBrush& Brush,
                 int XCornerRound, int YCornerRound, const TObject* Printer);

// ---- text --------------------------------------------------------------------------

struct TrgTextBlock {
    QRect Box;                   // the command's device rectangle
    QStringList Lines;           // the wrapped lines, or the text as one line
    TAlignment Alignment = taLeftJustify;
    bool AutoSize = false;
    bool WordWrap = false;
    bool Transparent = true;
    QColor Color = Qt::white;    // the box's fill unless Transparent
    bool IsMemo = false;         // memo lines expand tabs
    std::vector<int> TabStops;   // printer pixels, from the line's start
    int LineHeight = 0;          // pixels from one line to the next
};

// The left edge of a line in the box: centred lines start at
// left + nearest((box width - line width) x 0.5 - 0.5).
int rgAlignedTextX(TAlignment Alignment, const QRect& Box, int LineWidth);
// The box after AutoSize: one line high at least (single-line text), and
// as wide as the widest line, kept at the edge the alignment names.
QRect rgFitTextBox(const TrgTextBlock& Block, const std::function<int(const QString&)>& LineWidth);
// Draws Text from X with every tab moved to the next tab stop (counted
// from X), by the same rule the word wrap measured the line with. Widths
// come from Measure, which must hold the painter's font; without one, the
// painter's font is measured on its device.
void rgDrawTabbedText(QPainter& Painter, int X, int Top, const QString& Text, const std::vector<int>& TabStops,
                      const TrgTextMeasure& Measure);
void rgDrawTabbedText(QPainter& Painter, int X, int Top, const QString& Text, const std::vector<int>& TabStops);
// Fills and writes the block with the painter's font and pen, line widths
// taken from Measure (or, without one, from the painter's font).
void rgPaintTextBlock(QPainter& Painter, const TrgTextBlock& Block, const TrgTextMeasure& Measure);
void rgPaintTextBlock(QPainter& Painter, const TrgTextBlock& Block);
// A text command laid out in the units of Measure, whose font must be the
// command's: the box from the command's rectangle, its lines, the line
// height (text height plus the memo's Leading, else the font's external
// leading) and, for a memo line, its tab stops.
TrgTextBlock rgTextBlockOf(const TrgDrawText& Command, const TrgTextMeasure& Measure);

// ---- pictures ------------------------------------------------------------------------

// Where a picture goes in a box of Box size (both in the same pixels),
// relative to the box's top-left corner.
QRect rgPictureLayout(QSize Picture, QSize Box, bool Stretch, bool MaintainAspectRatio, bool Center);
// Screen pixels in printer pixels, to the nearest pixel.
int rgScreenToPrinterPixels(int Value, TrgDirection Direction, const TObject* Printer);
// The image a picture prints as. A transparent command lets what lies
// beneath show through the picture's white (a PDF page has no raster
// operations, so white is left out where a printer would AND the colours).
QImage rgPrintedPicture(const QImage& Picture, bool Transparent);
// Draws the picture into Target; with Box, clipped to the box and, unless
// Transparent, on white within the whole box.
void rgDrawPicture(QPainter& Painter, const QImage& Picture, const QRectF& Target, bool Transparent,
                   const QRect& Box = QRect());
// The device pixels Target covers on the painter's device (at least 1 x 1).
QSize rgTargetPixels(const QPainter& Painter, const QRectF& Target);

// The pictures of a job as they print: a picture larger than the device
// pixels of its place on the page is scaled down to them, and the result is
// kept, so the same picture printed at the same size again (the five
// copies of a passport sheet, a logo on every page) gives back the very
// same image. The PDF writer embeds an image once however often it is
// drawn, so each picture lands in the file once, at the printer's
// resolution of its frame, not at the camera's. The most recent pictures
// are kept, up to a bound on their number and memory.
class TrgPrintedPictures {
public:
    QImage Printed(const QImage& Picture, QSize Pixels, bool Transparent);
    void Clear() { entries_.clear(); }
    int Count() const { return int(entries_.size()); }

private:
    struct TEntry {
        qint64 Key;
        QSize Pixels;
        bool Transparent;
        QImage Image;
    };
    std::vector<TEntry> entries_;  // the most recent last
};

// ---- the device ------------------------------------------------------------------------

// Prints the pages it receives on its own printer: one document per job
// (spanning every collated copy), each page's setup applied before the
// page, every draw command painted in printer pixels.
class TrgPrinterDevice : public TrgRasterDevice {
public:
    explicit TrgPrinterDevice(TComponent* AOwner);
    // A job still open is dropped without printing.
    ~TrgPrinterDevice() override;

    TrgPrinter* Printer() const { return printer_.get(); }
    // StartJob begins the printer document / EndJob ends it.
    bool BeginDocument() const { return job_.BeginDocument; }
    void SetBeginDocument(bool Value) { job_.BeginDocument = Value; }
    bool EndDocument() const { return job_.EndDocument; }
    void SetEndDocument(bool Value) { job_.EndDocument = Value; }
    // Passes still to print, the current one included.
    int CopiesLeft() const { return job_.CopiesLeft(); }

    // A command added to every page while it prints (owned by the device;
    // nullptr: none).
    TrgDrawCommand* PageStamp() const { return pageStamp_.get(); }
    void SetPageStamp(std::unique_ptr<TrgDrawCommand> Stamp);

    // Ignored while busy, so the passes for copies stay in one document.
    void StartJob() override;
    // Prints a wanted page that is not skipped, with its progress message.
    void ReceivePage(TrgPage* Page) override;
    // Ends the document after the last copy; before that, runs the job again.
    void EndJob() override;
    // Drops the job: nothing reaches the spooler.
    void CancelJob() override;
    // Works out the command's device rectangle and paints texts, shapes,
    // lines and pictures; false for any other command or with no page open.
    bool DrawCommand(TrgDrawCommand* Command) override;

    QPainter* PagePainter() override;
    QRect CommandRect(const TrgDrawCommand& Command) override;

    // True on the last copy; otherwise counts the copy off, has the job run
    // again and returns false.
    virtual bool IsLastCopy();
    virtual void DrawShape(const TrgDrawShape& Command);
    virtual void DrawLine(const TrgDrawLine& Command);
    virtual void DrawImage(const TrgDrawImage& Command);
    virtual void DrawText(const TrgDrawText& Command);
    virtual void DrawBitmap(const TrgDrawImage& Command);
    virtual void DrawGraphic(const TrgDrawImage& Command);

private:
    void PrintPage(TrgPage& Page);
    QRect DeviceRect(const TrgDrawCommand& Command) const;
    // Texts are painted in measure units with their font and colour. A run
    // of texts shares one painter state: it is saved before the first text
    // and given back before any other command paints or the page ends, and
    // font and pen change only where the text's differ from the last one's.
    // Each save, clip and state change costs the PDF writer bytes to write
    // and compress on every text of a long list.
    void BeginTextRun(QPainter& Canvas);
    void EndTextRun();
    // Draws a picture through the job's printed pictures.
    void PrintPicture(const QImage& Picture, const QRectF& Target, bool Transparent, const QRect& Box = QRect());

    std::unique_ptr<TrgPrinter> printer_;
    TrgPrinterJob job_;
    TrgFontMetricsMeasure measure_;
    std::unique_ptr<TrgDrawCommand> pageStamp_;
    TrgPrintedPictures pictures_;
    bool pageOpen_ = false;
    bool textRun_ = false;
    QFont runFont_;
    QColor runColour_;
};

// Registers the printer device by class name (with the device classes it
// derives from described for the component stream).
void rgRegisterPrinterDeviceClasses();
