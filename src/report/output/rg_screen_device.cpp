#include "report/output/rg_screen_device.h"

#include <QPainter>

#include <cmath>

#include "platform/ui/forms.h"
#include "report/output/rg_draw_commands.h"
#include "report/output/rg_forms.h"
#include "report/output/rg_page.h"
#include "report/output/rg_printer_device.h"
#include "report/output/rg_printer_setup.h"
#include "report/output/rg_publisher.h"
#include "report/output/rg_strings.h"
#include "report/output/rg_units.h"
#include "report/output/rg_utils.h"
#include "report/output/rg_viewer.h"
#include "report/output/rg_word_wrap.h"

namespace {

// Thousandths of a millimetre in screen pixels at 100 %, unrounded.
double ScreenPixels(int mm, TrgDirection direction)
{
    return rgFromMMThousandths(mm, utScreenPixels, direction, nullptr);
}

// Holds a painter on the device's image while commands are drawn.
class TPainterScope {
public:
    TPainterScope(QImage& image, QPainter*& slot) : painter_(&image), slot_(slot), previous_(slot)
    {
        slot_ = &painter_;
    }
    ~TPainterScope() { slot_ = previous_; }

private:
    QPainter painter_;
    QPainter*& slot_;
    QPainter* previous_;
};

}  // namespace

TrgScreenDevice::TrgScreenDevice(TComponent* AOwner)
    : TrgRasterDevice(AOwner), displayPage_(std::make_unique<TrgPage>(nullptr)),
      viewer_(dynamic_cast<TrgViewer*>(AOwner))
{
    NewBitmap(CurrentBoxSize());
    SetPageSetting(psFirstPage);
    SetPageRequested(1);
    OnPublisherChange = [this](TObject*) {
        if (!Publisher() && viewer_)
            viewer_->PageRemoved();
    };
}

TrgScreenDevice::~TrgScreenDevice()
{
    OnPublisherChange = nullptr;
}

TrgZoomSettingType TrgScreenDevice::CurrentZoomSetting() const
{
    return viewer_ ? viewer_->ZoomSetting() : ZoomSetting;
}

int TrgScreenDevice::CurrentZoomPercentage() const
{
    return viewer_ ? viewer_->ZoomPercentage() : ZoomPercentage;
}

QSize TrgScreenDevice::CurrentBoxSize() const
{
    return viewer_ ? viewer_->ScrollBoxSize() : BoxSize;
}

void TrgScreenDevice::NewBitmap(QSize Size)
{
    bitmap_ = QImage(std::max(1, Size.width()), std::max(1, Size.height()), QImage::Format_RGB32);
    bitmap_.fill(ColorToQColor(clBtnShadow));
}

void TrgScreenDevice::Reset()
{
    TrgRasterDevice::Reset();
    ClearPage();
    SetPageSetting(psFirstPage);
    SetPageRequested(1);
}

void TrgScreenDevice::CancelJob()
{
    TrgRasterDevice::CancelJob();
    SetStatus(displayPage_->GetDescription());
}

int TrgScreenDevice::GetAbsolutePageNo() const
{
    return displayPage_->AbsolutePageNo;
}

void TrgScreenDevice::RequestOnePage(TrgPageSettingType Setting, int PageNo)
{
    SetPageSetting(Setting);
    SetPageRequested(PageNo);
    RequestPages();
}

void TrgScreenDevice::FirstPage()
{
    if (displayPage_->AbsolutePageNo != 1)
        RequestOnePage(psFirstPage, 1);
}

void TrgScreenDevice::LastPage()
{
    if (!displayPage_->LastPage)
        RequestOnePage(psLastPage, PageRequested());
}

void TrgScreenDevice::GotoPage(int PageNo)
{
    if (Busy() || PageNo == displayPage_->AbsolutePageNo)
        return;
    RequestOnePage(psSinglePage, PageNo);
}

void TrgScreenDevice::CancelReport()
{
    if (viewer_ && viewer_->Report())
        viewer_->Report()->Cancel();
}

bool TrgScreenDevice::FindCommandAt(int X, int Y, TrgDrawCommand*& Command) const
{
    for (int i = 0; i < displayPage_->GetClickableCount(); ++i) {
        TrgDrawCommand* candidate = displayPage_->GetClickableCommand(i);
        if (X >= candidate->DrawLeft && X <= candidate->DrawRight && Y >= candidate->DrawTop &&
            Y <= candidate->DrawBottom) {
            Command = candidate;
            return true;
        }
    }
    return false;
}

void TrgScreenDevice::SetStatus(const QString& Text)
{
    if (!StatusEnabled)
        return;
    status_ = Text;
    if (viewer_)
        viewer_->StatusChanged();
    Application->ProcessMessages();
}

// ---- receiving pages -------------------------------------------------------------

void TrgScreenDevice::ReceivePage(TrgPage* Page)
{
    TrgRasterDevice::ReceivePage(Page);
    if (viewer_ && viewer_->DesignTime)
        return;
    if (PageWanted())
        ShowWantedPage(Page);
    else if (Page->CalculationOnly)
        TakeCalculatedPage(Page);
}

void TrgScreenDevice::ShowWantedPage(TrgPage* Page)
{
    SetStatus(rgFillMessageTags(rgLoadString(LanguageIndex + 10),
                                {QString::number(Page->AbsolutePageNo), QString::number(Page->AbsolutePageCount),
                                 Page->DocumentName}));
    if (SkipPage())
        return;
    displayPage_->Assign(Page);
    RenderPage();
    if (viewer_)
        viewer_->PageShown();
    SetStatus(displayPage_->GetDescription());
    if (viewer_ && viewer_->OnPageChange)
        viewer_->OnPageChange(viewer_);
}

void TrgScreenDevice::TakeCalculatedPage(TrgPage* Page)
{
    SetStatus(rgFillMessageTags(rgLoadString(LanguageIndex + 4),
                                {QString::number(Page->AbsolutePageNo), Page->DocumentName}));
    if (Page->AbsolutePageCount != displayPage_->AbsolutePageCount) {
        displayPage_->AbsolutePageCount = Page->AbsolutePageCount;
        if (Page->ControlGroupBreakNo == displayPage_->ControlGroupBreakNo)
            displayPage_->PageCount = Page->PageCount;
        if (displayPage_->HasPendingCalcs())
            displayPage_->UpdatePendingCalcs(this);
    }
    Application->ProcessMessages();
}

// ---- sizing and rendering ----------------------------------------------------------

void TrgScreenDevice::CalcPageSize()
{
    const int ppi = rgScreenPixelsPerInch();
    const int m1 = rgNearestEven(ppi * 0.125), m2 = rgNearestEven(ppi * 0.25), m3 = rgNearestEven(ppi * 0.5);
    const TrgPageDef& paper = displayPage_->PageDef();
    const int w100 = rgNearestEven(ScreenPixels(paper.mmWidth, rgHorizontal));
    const int h100 = rgNearestEven(ScreenPixels(paper.mmHeight, rgVertical));
    const QSize box = CurrentBoxSize();
    QSize bitmap;
    switch (CurrentZoomSetting()) {
    case zs100Percent:
        pageWidth_ = w100;
        pageHeight_ = h100;
        bitmap = QSize(w100 + 2 * m2, h100 + 2 * m2);
        break;
    case zsWholePage: {
        bitmap = box;
        const double ratio = double(w100) / h100;
        pageHeight_ = box.height() - m2;
        pageWidth_ = rgNearestEven(pageHeight_ * ratio);
        if (bitmap.width() > m3 && bitmap.height() > m3) {
            while (bitmap.width() <= pageWidth_) {
                pageHeight_ -= m2;
                pageWidth_ = rgNearestEven(pageHeight_ * ratio);
            }
        }
        break;
    }
    case zsPageWidth: {
        const double ratio = double(w100) / h100;
        // Room for the vertical scroll bar.
        pageWidth_ = box.width() - 2 * m1 - rgNearestEven(ppi * 0.1458);
        pageHeight_ = rgNearestEven(pageWidth_ / ratio);
        bitmap = QSize(pageWidth_ + 2 * m1, std::max(pageHeight_ + 2 * m1, box.height()));
        break;
    }
    case zsPercentage: {
        const double f = CurrentZoomPercentage() * 0.01;
        pageWidth_ = rgNearestEven(w100 * f);
        pageHeight_ = rgNearestEven(h100 * f);
        bitmap = QSize(std::max(pageWidth_ + 2 * m2, box.width()), std::max(pageHeight_ + 2 * m2, box.height()));
        break;
    }
    }
    NewBitmap(bitmap);
    effectiveZoom_ = rgNearestEven(double(pageHeight_) / h100 * 100);
}

void TrgScreenDevice::RenderPage()
{
    const TrgPageDef& paper = displayPage_->PageDef();
    if (paper.mmWidth <= 0 || paper.mmHeight <= 0)
        return;
    CalcPageSize();
    pageLeft_ = (bitmap_.width() - pageWidth_) / 2;
    pageTop_ = (bitmap_.height() - pageHeight_) / 2;
    {
        QPainter sheet(&bitmap_);
        sheet.setPen(Qt::black);
        sheet.setBrush(Qt::white);
        sheet.drawRect(QRect(pageLeft_, pageTop_, pageWidth_ - 1, pageHeight_ - 1));
    }
    horzScale_ = double(pageWidth_) / rgNearestEven(ScreenPixels(paper.mmWidth, rgHorizontal));
    vertScale_ = double(pageHeight_) / rgNearestEven(ScreenPixels(paper.mmHeight, rgVertical));
    TPainterScope scope(bitmap_, painter_);
    DrawPage(displayPage_.get());
}

void TrgScreenDevice::ClearPage()
{
    displayPage_->FreeDrawCommands();
    NewBitmap(CurrentBoxSize());
    if (viewer_ && viewer_->Report())
        displayPage_->SetPrinterSetup(viewer_->Report()->FormPrinterSetup());
    RenderPage();
    if (viewer_)
        viewer_->Invalidate();
}

TRect TrgScreenDevice::CalcDrawRect(const TrgDrawCommand& Command) const
{
    const int x = int(ScreenPixels(Command.Left, rgHorizontal));
    const int y = int(ScreenPixels(Command.Top, rgVertical));
    const int w = int(ScreenPixels(Command.Width, rgHorizontal));
    const int h = int(ScreenPixels(Command.Height, rgVertical));
    return {rgNearestEven(x * horzScale_) + pageLeft_, rgNearestEven(y * vertScale_) + pageTop_,
            rgNearestEven((x + w) * horzScale_) + pageLeft_, rgNearestEven((y + h) * vertScale_) + pageTop_};
}

QRect TrgScreenDevice::CommandRect(const TrgDrawCommand& Command)
{
    return rgQRectOf(CalcDrawRect(Command));
}

// ---- drawing -----------------------------------------------------------------------

bool TrgScreenDevice::DrawCommand(TrgDrawCommand* Command)
{
    if (!painter_)
        return false;
    const TRect rect = CalcDrawRect(*Command);
    Command->SetDrawRect(rect);
    if (auto* text = dynamic_cast<TrgDrawText*>(Command))
        return DrawText(*text, rect);
    if (auto* shape = dynamic_cast<TrgDrawShape*>(Command)) {
        DrawShape(*shape, rect);
        return true;
    }
    if (auto* line = dynamic_cast<TrgDrawLine*>(Command)) {
        DrawLine(*line, rect);
        return true;
    }
    if (auto* image = dynamic_cast<TrgDrawImage*>(Command)) {
        DrawImage(*image, rect);
        return true;
    }
    return false;
}

namespace {

// The font of a text command at the sheet's scale: the printer's face of
// it, its height scaled (never 0).
QFont ScaledFont(const TrgDrawText& command, int magnitude, int sign)
{
    TFont font;
    font.Assign(command.Font());
    font.SetName(rgGetPrinterFontName(command.Font()->Name()));
    font.SetHeight(sign * std::max(1, magnitude));
    return font.ToQFont();
}

int Sign(int value) { return value < 0 ? -1 : 1; }

}  // namespace

bool TrgScreenDevice::DrawText(TrgDrawText& Command, const TRect& Rect)
{
    QPainter& painter = *painter_;
    int height = rgNearestEven(Command.Font()->Height() * vertScale_);
    if (height == 0)
        height = -1;
    const int sign = Sign(height);
    int magnitude = std::abs(height);

    std::vector<int> tabStops;
    if (Command.IsMemo) {
        for (int stop : rgTabStopsToPixels(utScreenPixels, Command.TabStopPositions(), nullptr))
            tabStops.push_back(rgNearestEven(stop * horzScale_));
    }
    int leading = Command.IsMemo ? int(ScreenPixels(Command.Leading, rgVertical)) : 0;
    auto lineHeight = [&] {
        const QFontMetrics metrics(ScaledFont(Command, magnitude, sign), &bitmap_);
        return metrics.height() + (Command.IsMemo ? leading : metrics.leading());
    };
    int lh = lineHeight();

    QStringList lines;
    if (Command.WordWrap)
        lines = Command.WrappedText()->ToQStringList();
    else if (!Command.Text.isEmpty())
        lines << Command.Text;

    QRect box = rgQRectOf(Rect);
    bool tabbed = Command.IsMemo;
    if (Command.IsMemo && lines.size() > 1) {
        // Fit the font to the rectangle: narrower until every line but the
        // last fits its width, then lower until the lines fit its height.
        auto exceeds = [&](const QString& line) {
            const QFontMetricsF metrics(ScaledFont(Command, magnitude, sign), &bitmap_);
            return metrics.horizontalAdvance(line) > box.width();
        };
        for (qsizetype i = 0; i + 1 < lines.size(); ++i)
            while (magnitude > 1 && exceeds(lines[i]))
                --magnitude;
        lh = lineHeight();
        const int count = int(lines.size());
        // Whole pixels per line that never reach below the box.
        const int pitch = box.height() / count;
        if (lh > 0 && std::abs(pitch - lh) / double(lh) <= 0.1) {
            lh = pitch;
        } else {
            while (box.height() / count < lh && magnitude > 1) {
                if (leading > 0)
                    --leading;
                else
                    --magnitude;
                lh = lineHeight();
            }
            if (box.height() / count < lh && lh > 0)
                lines = lines.mid(0, box.height() / lh);
        }
        if (magnitude < 1) {
            magnitude = 1;
            tabbed = false;
        }
    }

    painter.save();
    painter.setFont(ScaledFont(Command, magnitude, sign));
    painter.setPen(ColorToQColor(Command.Font()->Color()));
    TrgTextBlock block;
    block.Box = box;
    block.Lines = lines;
    block.Alignment = Command.Alignment;
    block.AutoSize = Command.AutoSize;
    block.WordWrap = Command.WordWrap;
    block.Transparent = Command.Transparent;
    block.Color = ColorToQColor(Command.Color);
    block.IsMemo = tabbed;
    block.TabStops = tabStops;
    block.LineHeight = lh;
    rgPaintTextBlock(painter, block);
    if (Command.AutoSize) {
        const QFontMetricsF metrics(painter.font(), &bitmap_);
        const QRect fitted = rgFitTextBox(block, [&](const QString& line) {
            return int(std::ceil(metrics.horizontalAdvance(line)));
        });
        Command.DrawLeft = fitted.left();
        Command.DrawRight = fitted.left() + fitted.width();
        Command.DrawBottom = Command.DrawTop + int(lines.size()) * lh;
    }
    painter.restore();
    return true;
}

void TrgScreenDevice::DrawShape(const TrgDrawShape& Command, const TRect& Rect)
{
    QPen pen = Command.Pen.ToQPen();
    pen.setWidth(rgNearestEven(Command.Pen.Width * horzScale_));
    // The corner sizes at the sheet's scale.
    const int xCorner = rgNearestEven(Command.XCornerRound * horzScale_);
    const int yCorner = rgNearestEven(Command.YCornerRound * vertScale_);
    const QRect box = rgQRectOf(Rect);
    rgDrawShape(*painter_, Command.ShapeType, box, pen, Command.Brush.ToQBrush(), xCorner, yCorner, nullptr);
}

void TrgScreenDevice::DrawLine(const TrgDrawLine& Command, const TRect& Rect)
{
    const int thickness =
        std::max(1, rgNearestEven(rgScreenPixelsPerInch() * Command.Weight / 72.0 * horzScale_));
    // The bottom and right edges lie one pixel inside the rectangle.
    const int right = Rect.Right - 1 - (Command.LinePosition == lpRight ? 1 : 0);
    const int bottom = Rect.Bottom - 1 - (Command.LinePosition == lpBottom ? 1 : 0);
    const QRect box(QPoint(Rect.Left, Rect.Top), QPoint(right, bottom));
    rgDrawStrokes(*painter_, Command.Pen.ToQPen(),
                  rgLineStrokes(box, Command.LinePosition, Command.LineStyle, thickness, 2 * thickness));
}

void TrgScreenDevice::DrawImage(const TrgDrawImage& Command, const TRect& Rect)
{
    const TGraphic* graphic = Command.Picture.Graphic();
    if (!graphic || graphic->Empty())
        return;
    const int w = int(ScreenPixels(Command.Width, rgHorizontal));
    const int h = int(ScreenPixels(Command.Height, rgVertical));
    if (w <= 0 || h <= 0)
        return;
    // The picture laid out at 100 %, then stretched onto the sheet.
    QImage work(w, h, QImage::Format_RGB32);
    work.fill(Qt::white);
    {
        QPainter workPainter(&work);
        const QImage picture = graphic->DrawImage();
        const QRect place =
            rgPictureLayout(picture.size(), QSize(w, h), Command.Stretch, Command.MaintainAspectRatio, Command.Center);
        workPainter.drawImage(place, picture);
    }
    painter_->save();
    if (Command.Transparent)
        painter_->setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    painter_->drawImage(rgQRectOf(Rect), work);
    painter_->restore();
}

bool TrgScreenDevice::RedrawCommand(TrgDrawCommand* Command)
{
    auto* text = dynamic_cast<TrgDrawText*>(Command);
    if (!text)
        return false;
    // Opaque, so that the old text is painted over.
    const bool transparent = text->Transparent;
    text->Transparent = false;
    bool drawn = false;
    if (painter_) {
        drawn = DrawCommand(Command);
    } else {
        TPainterScope scope(bitmap_, painter_);
        drawn = DrawCommand(Command);
    }
    text->Transparent = transparent;
    if (drawn && viewer_)
        viewer_->PaintNow(Command->GetDrawRect());
    return drawn;
}
