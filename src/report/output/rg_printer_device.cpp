#include "report/output/rg_printer_device.h"

#include <cmath>

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

// The painter's font measured on its device, for tab expansion by the
// word wrap's own rule.
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

int TextWidth(const QPainter& painter, const QString& text, const std::vector<int>& tabStops, bool tabbed)
{
    const TPainterMeasure measure(painter);
    if (tabbed)
        return int(std::ceil(rgTabbedTextWidth(text, measure, tabStops)));
    return int(std::ceil(measure.TextWidth(text)));
}

}  // namespace

void rgDrawTabbedText(QPainter& Painter, int X, int Top, const QString& Text, const std::vector<int>& TabStops)
{
    const TPainterMeasure measure(Painter);
    const double baseline = Top + QFontMetricsF(Painter.font(), Painter.device()).ascent();
    qsizetype start = 0;
    double x = X;
    while (true) {
        const qsizetype tab = Text.indexOf(u'\t', start);
        Painter.drawText(QPointF(x, baseline), Text.mid(start, tab < 0 ? -1 : tab - start));
        if (tab < 0)
            break;
        // The pen position after the tab, by the rule the line was laid out with.
        x = X + rgTabbedTextWidth(QStringView(Text).left(tab + 1), measure, TabStops);
        start = tab + 1;
    }
}

void rgPaintTextBlock(QPainter& Painter, const TrgTextBlock& Block)
{
    const bool tabbed = Block.IsMemo;
    const QRect box = rgFitTextBox(Block, [&](const QString& line) { return TextWidth(Painter, line, Block.TabStops, tabbed); });
    if (!Block.Transparent)
        Painter.fillRect(box, Block.Color);
    const double ascent = QFontMetricsF(Painter.font(), Painter.device()).ascent();
    for (qsizetype i = 0; i < Block.Lines.size(); ++i) {
        const QString& line = Block.Lines[i];
        const int top = box.top() + int(i) * Block.LineHeight;
        const int x = rgAlignedTextX(Block.Alignment, box, TextWidth(Painter, line, Block.TabStops, tabbed));
        if (tabbed) {
            rgDrawTabbedText(Painter, x, top, line, Block.TabStops);
        } else {
            Painter.save();
            Painter.setClipRect(QRect(box.left(), top, box.width(), Block.LineHeight));
            Painter.drawText(QPointF(x, top + ascent), line);
            Painter.restore();
        }
    }
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
