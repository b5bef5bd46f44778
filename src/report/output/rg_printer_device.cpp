#include "report/output/rg_printer_device.h"

#include <cmath>

#include "platform/core/exceptions.h"
#include "report/output/rg_draw_commands.h"
#include "report/output/rg_page.h"
#include "report/output/rg_publisher.h"
#include "report/output/rg_strings.h"
#include "report/output/rg_text_measure.h"
#include "report/output/rg_units.h"
#include "report/output/rg_utils.h"
#include "report/output/rg_word_wrap.h"

// ---- the job ------------------------------------------------------------------

void TrgPrinterJob::StartJob()
{
    if (busy_)
        return;
    if (BeginDocument)
        printer_.BeginDoc();
    busy_ = true;
}

void TrgPrinterJob::StartPage(const TrgPrinterSetup& PageSetup)
{
    printer_.SetPrinterSetup(PageSetup);
    printer_.StartPage();
    const QRect offsets = printer_.GetPageOffsets();
    offset_ = QPoint(-offsets.left(), -offsets.top());
    if (firstPage_) {
        // Without collation the spooler makes the copies (TrgPrinter::UpdateDevMode).
        if (PageSetup.Collation())
            copiesLeft_ = PageSetup.Copies();
        firstPage_ = false;
    }
}

void TrgPrinterJob::EndPage()
{
    printer_.EndPage();
}

bool TrgPrinterJob::IsLastCopy()
{
    if (copiesLeft_ <= 1)
        return true;
    --copiesLeft_;
    if (RequestPages)
        RequestPages();
    return false;
}

void TrgPrinterJob::EndJob()
{
    if (!busy_ || !IsLastCopy())
        return;
    busy_ = false;
    if (EndDocument)
        printer_.EndDoc();
}

void TrgPrinterJob::CancelJob()
{
    // The job file is dropped: a cancelled job never reaches the spooler.
    printer_.Abort();
    busy_ = false;
}

QString rgPrinterProgressMessage(int LanguageBase, TrgPageSettingType PageSetting, TrgPassSettingType PassSetting,
                                 int PageNo, int PageCount, const QString& DocumentName, const QString& PrinterName)
{
    if (PageSetting != psAll || PassSetting != psTwoPass)
        return rgFillMessageTags(rgLoadString(LanguageBase + 27), {QString::number(PageNo), DocumentName, PrinterName});
    return rgFillMessageTags(rgLoadString(LanguageBase + 28),
                             {QString::number(PageNo), QString::number(PageCount), DocumentName, PrinterName});
}

// ---- geometry -------------------------------------------------------------------

int rgNearestEven(double x)
{
    const double below = std::floor(x);
    const double fraction = x - below;
    if (fraction > 0.5)
        return int(below) + 1;
    if (fraction < 0.5)
        return int(below);
    return std::fmod(below, 2.0) == 0 ? int(below) : int(below) + 1;
}

QRect rgCommandDeviceRect(int Left, int Top, int Width, int Height, const TObject* Printer, QPoint Offset)
{
    const auto pixels = [Printer](int value, TrgDirection direction) {
        return int(rgFromMMThousandths(value, utPrinterPixels, direction, Printer));
    };
    const int left = pixels(Left, rgHorizontal) + Offset.x();
    const int right = pixels(Left + Width, rgHorizontal) + Offset.x();
    const int top = pixels(Top, rgVertical) + Offset.y();
    const int bottom = pixels(Top + Height, rgVertical) + Offset.y();
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));  // right and bottom exclusive
}

// ---- lines ------------------------------------------------------------------------

int rgLineThickness(int PixelsPerInch, double WeightInPoints)
{
    return std::max(1, rgNearestEven(PixelsPerInch * WeightInPoints / 72.0));
}

int rgSecondLineOffset(int Thickness, int PenWidth, TrgDirection Direction, const TObject* Printer)
{
    if (PenWidth != 0)
        return 2 * Thickness;
    const int mm = rgToMMThousandths(utScreenPixels, Direction, Printer, 2);
    return int(rgFromMMThousandths(mm, utPrinterPixels, Direction, Printer));
}

std::vector<QLine> rgLineStrokes(const QRect& Rect, TrgLinePositionType Position, TrgLineStyleType Style,
                                 int Thickness, int SecondOffset)
{
    // QRect's right() and bottom() are the last pixels inside; the edges
    // of the command's rectangle lie one further.
    const int left = Rect.left(), right = Rect.right() + 1, top = Rect.top(), bottom = Rect.bottom() + 1;
    std::vector<QLine> strokes;
    const int lines = Style == lsDouble ? 2 : 1;
    for (int line = 0; line < lines; ++line) {
        const int offset = line == 0 ? 0 : SecondOffset;
        for (int i = 0; i < Thickness; ++i) {
            const int d = offset + i;
            switch (Position) {
            case lpTop: strokes.emplace_back(left, top + d, right, top + d); break;
            case lpBottom: strokes.emplace_back(left, bottom - d, right, bottom - d); break;
            case lpLeft: strokes.emplace_back(left + d, top, left + d, bottom); break;
            case lpRight: strokes.emplace_back(right - d, top, right - d, bottom); break;
            }
        }
    }
    return strokes;
}

void rgDrawStrokes(QPainter& Painter, const QPen& Pen, const std::vector<QLine>& Strokes)
{
    QPen pen(Pen);
    pen.setWidth(1);
    pen.setCapStyle(Qt::FlatCap);
    Painter.save();
    Painter.setPen(pen);
    for (const QLine& s : Strokes) {
        // From the start pixel up to, not including, the end pixel.
        if (s.y1() == s.y2())
            Painter.drawLine(QLineF(s.x1(), s.y1() + 0.5, s.x2(), s.y2() + 0.5));
        else
            Painter.drawLine(QLineF(s.x1() + 0.5, s.y1(), s.x2() + 0.5, s.y2()));
    }
    Painter.restore();
}

// ---- shapes ------------------------------------------------------------------------

int rgShapePenWidth(int PenWidth, const TObject* Printer)
{
    if (PenWidth == 0)
        return 1;
    const int mm = rgToMMThousandths(utScreenPixels, rgHorizontal, Printer, float(PenWidth));
    return std::max(1, int(rgFromMMThousandths(mm, utPrinterPixels, rgHorizontal, Printer)));
}

void rgDrawShape(QPainter& Painter, TShapeType Shape, const QRect& Rect, QPen Pen, const QBrush& Brush,
                 int XCornerRound, int YCornerRound, const TObject* Printer)
{
    Pen.setWidth(rgShapePenWidth(Pen.width(), Printer));
    Painter.save();
    Painter.setPen(Pen);
    Painter.setBrush(Brush);
    switch (Shape) {
    case stRectangle: Painter.drawRect(Rect); break;
    case stRoundRect: {
        // The corner sizes are the width and height of the corner ellipse.
        const double xr = rgFromMMThousandths(XCornerRound, utPrinterPixels, rgHorizontal, Printer) / 2.0;
        const double yr = rgFromMMThousandths(YCornerRound, utPrinterPixels, rgVertical, Printer) / 2.0;
        Painter.drawRoundedRect(Rect, xr, yr);
        break;
    }
    case stEllipse: Painter.drawEllipse(Rect); break;
    default: break;
    }
    Painter.restore();
}

// ---- text --------------------------------------------------------------------------

int rgAlignedTextX(TAlignment Alignment, const QRect& Box, int LineWidth)
{
    switch (Alignment) {
    case taRightJustify: return Box.left() + Box.width() - LineWidth;
    case taCenter: return Box.left() + rgNearestEven((Box.width() - LineWidth) * 0.5 - 0.5);
    default: return Box.left();
    }
}

QRect rgFitTextBox(const TrgTextBlock& Block, const std::function<int(const QString&)>& LineWidth)
{
    QRect box = Block.Box;
    if (!Block.AutoSize)
        return box;
    if (!Block.WordWrap && !Block.Lines.join(QString()).isEmpty() && box.height() < Block.LineHeight)
        box.setHeight(Block.LineHeight);
    int widest = 0;
    for (const QString& line : Block.Lines)
        widest = std::max(widest, LineWidth(line));
    switch (Block.Alignment) {
    case taLeftJustify: box.setWidth(widest); break;
    case taRightJustify: box.setLeft(box.left() + box.width() - widest); break;
    case taCenter:
        box.moveLeft(box.left() + rgNearestEven((box.width() - widest) * 0.5));
        box.setWidth(widest);
        break;
    }
    return box;
}

namespace {

// The painter's font measured on its device, for texts painted without a
// layout measure.
class TPainterMeasure : public TrgTextMeasure {
public:
    explicit TPainterMeasure(const QPainter& painter) : metrics_(painter.font(), painter.device()) {}
    void SetFont(const TFont&) override {}
    int TextHeight() const override { return int(std::ceil(metrics_.height())); }
    double TextWidth(QStringView Text) const override { return metrics_.horizontalAdvance(Text.toString()); }
    double AverageCharWidth() const override { return metrics_.averageCharWidth(); }

private:
    QFontMetricsF metrics_;
};

int TextWidth(const TrgTextMeasure& measure, const QString& text, const std::vector<int>& tabStops, bool tabbed)
{
    if (tabbed)
        return int(std::ceil(rgTabbedTextWidth(text, measure, tabStops)));
    return int(std::ceil(measure.TextWidth(text)));
}

}  // namespace

void rgDrawTabbedText(QPainter& Painter, int X, int Top, const QString& Text, const std::vector<int>& TabStops,
                      const TrgTextMeasure& Measure)
{
    const double baseline = Top + QFontMetricsF(Painter.font(), Painter.device()).ascent();
    qsizetype start = 0;
    double x = X;
    while (true) {
        const qsizetype tab = Text.indexOf(u'\t', start);
        Painter.drawText(QPointF(x, baseline), Text.mid(start, tab < 0 ? -1 : tab - start));
        if (tab < 0)
            break;
        // The pen position after the tab, by the rule the line was laid out with.
        x = X + rgTabbedTextWidth(QStringView(Text).left(tab + 1), Measure, TabStops);
        start = tab + 1;
    }
}

void rgDrawTabbedText(QPainter& Painter, int X, int Top, const QString& Text, const std::vector<int>& TabStops)
{
    rgDrawTabbedText(Painter, X, Top, Text, TabStops, TPainterMeasure(Painter));
}

void rgPaintTextBlock(QPainter& Painter, const TrgTextBlock& Block, const TrgTextMeasure& Measure)
{
    const bool tabbed = Block.IsMemo;
    const QRect box = rgFitTextBox(Block, [&](const QString& line) { return TextWidth(Measure, line, Block.TabStops, tabbed); });
    if (!Block.Transparent)
        Painter.fillRect(box, Block.Color);
    const double ascent = QFontMetricsF(Painter.font(), Painter.device()).ascent();
    for (qsizetype i = 0; i < Block.Lines.size(); ++i) {
        const QString& line = Block.Lines[i];
        const int top = box.top() + int(i) * Block.LineHeight;
        // A left-aligned line starts at the box's edge whatever its width.
        const int width = Block.Alignment == taLeftJustify ? 0 : TextWidth(Measure, line, Block.TabStops, tabbed);
        const int x = rgAlignedTextX(Block.Alignment, box, width);
        if (tabbed) {
            rgDrawTabbedText(Painter, x, top, line, Block.TabStops, Measure);
            continue;
        }
        // A line that fits its box needs no clip (a clip is a path the PDF
        // writer writes for every line).
        const bool fits = Block.Alignment == taLeftJustify
                              ? Measure.FitsWidth(line, box.width())
                              : x >= box.left() && x + width <= box.left() + box.width();
        if (fits) {
            Painter.drawText(QPointF(x, top + ascent), line);
        } else {
            Painter.save();
            Painter.setClipRect(QRect(box.left(), top, box.width(), Block.LineHeight));
            Painter.drawText(QPointF(x, top + ascent), line);
            Painter.restore();
        }
    }
}

void rgPaintTextBlock(QPainter& Painter, const TrgTextBlock& Block)
{
    rgPaintTextBlock(Painter, Block, TPainterMeasure(Painter));
}

TrgTextBlock rgTextBlockOf(const TrgDrawText& Command, const TrgTextMeasure& Measure)
{
    TrgTextBlock block;
    block.Box = rgCommandDeviceRect(Command.Left, Command.Top, Command.Width, Command.Height, &Measure, QPoint());
    block.Lines = Command.WordWrap ? Command.WrappedText()->ToQStringList() : QStringList{Command.Text};
    block.Alignment = Command.Alignment;
    block.AutoSize = Command.AutoSize;
    block.WordWrap = Command.WordWrap;
    block.Transparent = Command.Transparent;
    block.Color = ColorToQColor(Command.Color);
    block.IsMemo = Command.IsMemo;
    if (Command.IsMemo)
        block.TabStops = rgTabStopsToPixels(utPrinterPixels, Command.TabStopPositions(), &Measure);
    const int gap = Command.IsMemo ? int(rgFromMMThousandths(Command.Leading, utPrinterPixels, rgVertical, &Measure))
                                   : Measure.ExternalLeading();
    block.LineHeight = Measure.TextHeight() + gap;
    return block;
}

// ---- pictures ------------------------------------------------------------------------

QRect rgPictureLayout(QSize Picture, QSize Box, bool Stretch, bool MaintainAspectRatio, bool Center)
{
    if (Stretch && MaintainAspectRatio) {
        const float scale = rgScaleToFit(Picture.width(), Picture.height(), Box.width(), Box.height());
        return QRect(0, 0, rgNearestEven(Picture.width() * double(scale)), rgNearestEven(Picture.height() * double(scale)));
    }
    if (Stretch)
        return QRect(QPoint(0, 0), Box);
    if (Center) {
        // Integer division truncating toward zero, as the layout always did.
        return QRect((Box.width() - Picture.width()) / 2, (Box.height() - Picture.height()) / 2, Picture.width(),
                     Picture.height());
    }
    return QRect(QPoint(0, 0), Picture);
}

int rgScreenToPrinterPixels(int Value, TrgDirection Direction, const TObject* Printer)
{
    const int mm = rgToMMThousandths(utScreenPixels, Direction, Printer, float(Value));
    return rgNearestEven(rgFromMMThousandths(mm, utPrinterPixels, Direction, Printer));
}

QImage rgPrintedPicture(const QImage& Picture, bool Transparent)
{
    if (!Transparent)
        return Picture;
    QImage image = Picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] & 0xFFFFFF) == 0xFFFFFF)
                line[x] = 0;
        }
    }
    return image;
}

namespace {

// Draws an image made by rgPrintedPicture.
void DrawPrinted(QPainter& Painter, const QImage& Printed, const QRectF& Target, bool Transparent, const QRect& Box)
{
    Painter.save();
    if (!Box.isNull()) {
        Painter.setClipRect(Box);
        if (!Transparent)
            Painter.fillRect(Box, Qt::white);
    }
    Painter.setRenderHint(QPainter::SmoothPixmapTransform);
    Painter.drawImage(Target, Printed);
    Painter.restore();
}

// How many printed pictures a job keeps, and the memory they may take: the
// copies of a picture follow each other, a logo comes again on every page.
constexpr size_t kPrintedPicturesKept = 16;
constexpr qint64 kPrintedPicturesBytes = 64 * 1024 * 1024;

}  // namespace

void rgDrawPicture(QPainter& Painter, const QImage& Picture, const QRectF& Target, bool Transparent, const QRect& Box)
{
    DrawPrinted(Painter, rgPrintedPicture(Picture, Transparent), Target, Transparent, Box);
}

QSize rgTargetPixels(const QPainter& Painter, const QRectF& Target)
{
    const QRectF mapped = Painter.transform().mapRect(Target.normalized());
    return QSize(std::max(1, int(std::ceil(mapped.width() - 1e-6))), std::max(1, int(std::ceil(mapped.height() - 1e-6))));
}

QImage TrgPrintedPictures::Printed(const QImage& Picture, QSize Pixels, bool Transparent)
{
    // Never more pixels than the place has; a smaller picture keeps its own.
    const bool larger = Picture.width() > Pixels.width() || Picture.height() > Pixels.height();
    const QSize size = larger ? Pixels : Picture.size();
    const qint64 key = Picture.cacheKey();
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->Key == key && it->Pixels == size && it->Transparent == Transparent) {
            TEntry hit = std::move(*it);
            entries_.erase(it);
            entries_.push_back(std::move(hit));
            return entries_.back().Image;
        }
    }
    const QImage scaled = larger ? Picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation) : Picture;
    entries_.push_back({key, size, Transparent, rgPrintedPicture(scaled, Transparent)});
    qint64 bytes = 0;
    for (const TEntry& e : entries_)
        bytes += e.Image.sizeInBytes();
    while (entries_.size() > kPrintedPicturesKept || (entries_.size() > 1 && bytes > kPrintedPicturesBytes)) {
        bytes -= entries_.front().Image.sizeInBytes();
        entries_.erase(entries_.begin());
    }
    return entries_.back().Image;
}

// ---- the device ------------------------------------------------------------------------

TrgPrinterDevice::TrgPrinterDevice(TComponent* AOwner)
    : TrgRasterDevice(AOwner), printer_(std::make_unique<TrgPrinter>()), job_(*printer_)
{
    job_.RequestPages = [this] { RequestPages(); };
}

TrgPrinterDevice::~TrgPrinterDevice()
{
    if (job_.Busy())
        job_.CancelJob();
}

void TrgPrinterDevice::SetPageStamp(std::unique_ptr<TrgDrawCommand> Stamp)
{
    if (pageOpen_)
        return;  // the stamp of the page being printed stays until the page ends
    pageStamp_ = std::move(Stamp);
}

void TrgPrinterDevice::StartJob()
{
    if (Busy())
        return;
    TrgRasterDevice::StartJob();
    ShowProgressMessage(rgLoadString(LanguageIndex + 2));
    try {
        job_.StartJob();
    } catch (...) {
        CancelJob();  // not busy: the next job starts afresh
        throw;
    }
}

void TrgPrinterDevice::ReceivePage(TrgPage* Page)
{
    TrgRasterDevice::ReceivePage(Page);
    // The receive hook may have cancelled the job.
    if (!Busy() || !PageWanted())
        return;
    // A page of a calculating pass has no page count yet: its message waits.
    const bool lastPageKnown = Publisher() && Publisher()->LastPageKnown();
    if (!SkipPage() || lastPageKnown) {
        ShowProgressMessage(rgPrinterProgressMessage(Page->LanguageIndex, PageSetting(), Page->PassSetting,
                                                     Page->AbsolutePageNo, Page->AbsolutePageCount,
                                                     Page->DocumentName,
                                                     Page->PrinterSetup()->GetActualPrinterName()));
    }
    if (!SkipPage())
        PrintPage(*Page);
}

void TrgPrinterDevice::PrintPage(TrgPage& Page)
{
    try {
        job_.StartPage(*Page.PrinterSetup());
    } catch (...) {
        CancelJob();
        throw;
    }
    pageOpen_ = true;
    if (pageStamp_)
        Page.AddDrawCommand(pageStamp_.get());
    // The stamp goes back to the device and the page is closed however the
    // painting ends; a failure drops the whole job.
    struct TPageEnd {
        TrgPrinterDevice& device;
        TrgPage& page;
        ~TPageEnd()
        {
            if (device.pageStamp_)
                page.RemoveDrawCommand(device.pageStamp_.get());
            device.pageOpen_ = false;
        }
    } pageEnd{*this, Page};
    try {
        DrawPage(&Page);
        EndTextRun();
        job_.EndPage();
    } catch (...) {
        CancelJob();
        throw;
    }
}

bool TrgPrinterDevice::IsLastCopy()
{
    return job_.IsLastCopy();
}

void TrgPrinterDevice::EndJob()
{
    // Before the last copy the job runs again inside this call (IsLastCopy);
    // the pass that ends the last copy ends the document.
    if (!Busy() || !IsLastCopy())
        return;
    pictures_.Clear();
    try {
        job_.EndJob();
    } catch (...) {
        TrgRasterDevice::EndJob();
        throw;
    }
    TrgRasterDevice::EndJob();
}

void TrgPrinterDevice::PrintPicture(const QImage& Picture, const QRectF& Target, bool Transparent, const QRect& Box)
{
    QPainter& painter = *PagePainter();
    DrawPrinted(painter, pictures_.Printed(Picture, rgTargetPixels(painter, Target), Transparent), Target, Transparent,
                Box);
}

void TrgPrinterDevice::CancelJob()
{
    pictures_.Clear();
    job_.CancelJob();
    pageOpen_ = false;
    textRun_ = false;  // the painter has ended
    TrgRasterDevice::CancelJob();
}

QPainter* TrgPrinterDevice::PagePainter()
{
    if (!pageOpen_)
        return nullptr;
    // Whoever paints next gets the painter as it was before the texts.
    EndTextRun();
    return job_.Canvas();
}

QRect TrgPrinterDevice::DeviceRect(const TrgDrawCommand& Command) const
{
    return rgCommandDeviceRect(Command.Left, Command.Top, Command.Width, Command.Height, printer_.get(), job_.Offset());
}

QRect TrgPrinterDevice::CommandRect(const TrgDrawCommand& Command)
{
    return DeviceRect(Command);
}

bool TrgPrinterDevice::DrawCommand(TrgDrawCommand* Command)
{
    if (!Command || !pageOpen_ || !job_.Canvas())
        return false;
    const QRect rect = DeviceRect(*Command);
    Command->SetDrawRect({rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()});
    if (const auto* text = dynamic_cast<const TrgDrawText*>(Command))  // TrgDrawCalc too
        DrawText(*text);
    else if (const auto* shape = dynamic_cast<const TrgDrawShape*>(Command))
        DrawShape(*shape);
    else if (const auto* line = dynamic_cast<const TrgDrawLine*>(Command))
        DrawLine(*line);
    else if (const auto* image = dynamic_cast<const TrgDrawImage*>(Command))
        DrawImage(*image);
    else
        return false;
    return true;
}

namespace {

QRect DrawRectOf(const TrgDrawCommand& Command)
{
    return rgQRectOf(Command.GetDrawRect());
}

// The command's pen with its own width (the routines below convert it).
QPen PenOf(const TPen& Pen)
{
    QPen pen = Pen.ToQPen();
    pen.setWidth(Pen.Width);
    return pen;
}

}  // namespace

void TrgPrinterDevice::DrawShape(const TrgDrawShape& Command)
{
    rgDrawShape(*PagePainter(), Command.ShapeType, DrawRectOf(Command), PenOf(Command.Pen), Command.Brush.ToQBrush(),
                Command.XCornerRound, Command.YCornerRound, printer_.get());
}

void TrgPrinterDevice::DrawLine(const TrgDrawLine& Command)
{
    const bool vertical = Command.LinePosition == lpLeft || Command.LinePosition == lpRight;
    const QPoint ppi = printer_->GetPixelsPerInch();
    const int thickness = rgLineThickness(vertical ? ppi.x() : ppi.y(), Command.Weight);
    const int second = rgSecondLineOffset(thickness, Command.Pen.Width, vertical ? rgHorizontal : rgVertical,
                                          printer_.get());
    rgDrawStrokes(*PagePainter(), PenOf(Command.Pen),
                  rgLineStrokes(DrawRectOf(Command), Command.LinePosition, Command.LineStyle, thickness, second));
}

void TrgPrinterDevice::DrawImage(const TrgDrawImage& Command)
{
    const TGraphic* graphic = Command.Picture.Graphic();
    if (!graphic || graphic->Empty())
        return;
    if (dynamic_cast<const TBitmap*>(graphic))
        DrawBitmap(Command);
    else if (Command.DirectDraw)
        PrintPicture(graphic->DrawImage(), DrawRectOf(Command), Command.Transparent);
    else
        DrawGraphic(Command);
}

void TrgPrinterDevice::DrawBitmap(const TrgDrawImage& Command)
{
    const QImage picture = Command.Picture.Graphic()->DrawImage();
    const QRect device = DrawRectOf(Command);
    // The box in screen pixels: the picture keeps its screen proportions.
    const QSize box(rgNearestEven(rgFromMMThousandths(Command.Width, utScreenPixels, rgHorizontal, printer_.get())),
                    rgNearestEven(rgFromMMThousandths(Command.Height, utScreenPixels, rgVertical, printer_.get())));
    if (box.isEmpty())
        return;
    const QRect layout = rgPictureLayout(picture.size(), box, Command.Stretch, Command.MaintainAspectRatio, Command.Center);
    if (Command.Stretch) {
        const QRect target(device.left() + rgScreenToPrinterPixels(layout.left(), rgHorizontal, printer_.get()),
                           device.top() + rgScreenToPrinterPixels(layout.top(), rgVertical, printer_.get()),
                           rgScreenToPrinterPixels(layout.width(), rgHorizontal, printer_.get()),
                           rgScreenToPrinterPixels(layout.height(), rgVertical, printer_.get()));
        PrintPicture(picture, target, Command.Transparent);
        return;
    }
    // The box at screen size, scaled as a whole onto the device rectangle.
    const double sx = double(device.width()) / box.width(), sy = double(device.height()) / box.height();
    const QRectF target(device.left() + layout.left() * sx, device.top() + layout.top() * sy, layout.width() * sx,
                        layout.height() * sy);
    PrintPicture(picture, target, Command.Transparent, device);
}

void TrgPrinterDevice::DrawGraphic(const TrgDrawImage& Command)
{
    const TGraphic* graphic = Command.Picture.Graphic();
    const QRect device = DrawRectOf(Command);
    const QSize picture(rgScreenToPrinterPixels(graphic->Width(), rgHorizontal, printer_.get()),
                        rgScreenToPrinterPixels(graphic->Height(), rgVertical, printer_.get()));
    const QRect layout = rgPictureLayout(picture, device.size(), Command.Stretch, Command.MaintainAspectRatio,
                                         Command.Center);
    PrintPicture(graphic->DrawImage(), layout.translated(device.topLeft()), Command.Transparent, device);
}

void TrgPrinterDevice::BeginTextRun(QPainter& Canvas)
{
    if (textRun_)
        return;
    const QPoint ppi = printer_->GetPixelsPerInch();
    Canvas.save();
    // Measure units to printer pixels: the text lands where it was laid out.
    Canvas.translate(job_.Offset());
    Canvas.scale(double(ppi.x()) / rgMeasureUnitsPerInch, double(ppi.y()) / rgMeasureUnitsPerInch);
    runFont_ = QFont();
    runColour_ = QColor();  // invalid: the first text sets its pen
    textRun_ = true;
}

void TrgPrinterDevice::EndTextRun()
{
    if (!textRun_)
        return;
    textRun_ = false;
    if (QPainter* canvas = job_.Canvas())
        canvas->restore();
}

void TrgPrinterDevice::DrawText(const TrgDrawText& Command)
{
    QPainter& canvas = *job_.Canvas();
    measure_.SetFont(*Command.Font());
    const TrgTextBlock block = rgTextBlockOf(Command, measure_);
    const bool runStarts = !textRun_;
    BeginTextRun(canvas);
    const QFont font = TrgFontMetricsMeasure::MeasuringFont(*Command.Font());
    if (runStarts || font != runFont_) {
        canvas.setFont(font);
        runFont_ = font;
    }
    const QColor colour = printer_->FontColor(ColorToQColor(Command.Font()->Color()));
    if (colour != runColour_) {
        canvas.setPen(colour);
        runColour_ = colour;
    }
    rgPaintTextBlock(canvas, block, measure_);
}

// ---- registration -------------------------------------------------------------------

void rgRegisterPrinterDeviceClasses()
{
    rgDescribeDeviceBaseClasses();
    rgDescribeClassOnce<TrgPrinterDevice, TrgRasterDevice>("TrgPrinterDevice");
    RegisterClass(ClassInfoFor<TrgPrinterDevice>());
}
