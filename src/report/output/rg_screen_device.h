#pragma once
// The output device of the print preview. It asks the publisher for the
// page the user wants to see, renders a received page into an off-screen
// image at the viewer's zoom (a grey area with the white sheet on it) and
// tells the viewer of progress and of page changes. Pages are generated
// only as they are asked for.
//
// Text is not laid out again here: the draw command carries its line
// breaks, measured once at the layout resolution; the screen only scales
// positions and fonts.

#include <QImage>
#include <QSize>
#include <QString>

#include <memory>

#include "report/output/rg_device.h"

class TrgPage;
class TrgViewer;
class TrgDrawText;
class TrgDrawShape;
class TrgDrawLine;
class TrgDrawImage;

enum TrgZoomSettingType { zsWholePage, zsPageWidth, zs100Percent, zsPercentage };

class TrgScreenDevice : public TrgRasterDevice {
public:
    // The owner is the viewer that shows the device's pages, or any other
    // component (the device then keeps the zoom and the visible area itself).
    explicit TrgScreenDevice(TComponent* AOwner);
    ~TrgScreenDevice() override;

    void CancelJob() override;
    bool DrawCommand(TrgDrawCommand* Command) override;
    bool RedrawCommand(TrgDrawCommand* Command) override;
    // Pages of a first pass are shown as they come.
    bool OutputFinalPagesOnly() const override { return false; }
    void ReceivePage(TrgPage* Page) override;
    void Reset() override;

    QPainter* PagePainter() override { return painter_; }
    QRect CommandRect(const TrgDrawCommand& Command) override;

    // Navigation: each asks the publisher for a page unless it is shown.
    void FirstPage();
    void LastPage();
    void GotoPage(int PageNo);
    // Asks the viewer's report to stop its job.
    void CancelReport();

    // The first clickable command of the shown page whose device rectangle
    // holds the point (edges included).
    bool FindCommandAt(int X, int Y, TrgDrawCommand*& Command) const;

    // Sizes the sheet and the image for the zoom setting.
    void CalcPageSize();
    // Draws the shown page anew at the current zoom; a page without paper
    // size leaves the image as it is.
    void RenderPage();
    // A command's rectangle on the image.
    TRect CalcDrawRect(const TrgDrawCommand& Command) const;
    // A blank sheet of the report's paper.
    void ClearPage();

    int GetAbsolutePageNo() const;
    TrgPage* DisplayPage() const { return displayPage_.get(); }
    const QImage& PageBitmap() const { return bitmap_; }
    int EffectiveZoom() const { return effectiveZoom_; }
    int PageLeft() const { return pageLeft_; }
    int PageTop() const { return pageTop_; }
    int PageWidth() const { return pageWidth_; }
    int PageHeight() const { return pageHeight_; }
    double HorizontalScale() const { return horzScale_; }
    double VerticalScale() const { return vertScale_; }

    bool StatusEnabled = true;
    QString Status() const { return status_; }
    // Stores the text, tells the viewer and lets pending events run.
    void SetStatus(const QString& Text);

    TrgViewer* Viewer() const { return viewer_; }
    // Without a viewer: the zoom and the size of the visible area.
    TrgZoomSettingType ZoomSetting = zsWholePage;
    int ZoomPercentage = 100;
    QSize BoxSize{320, 120};

private:
    TrgZoomSettingType CurrentZoomSetting() const;
    int CurrentZoomPercentage() const;
    QSize CurrentBoxSize() const;
    void NewBitmap(QSize Size);
    bool DrawText(TrgDrawText& Command, const TRect& Rect);
    void DrawShape(const TrgDrawShape& Command, const TRect& Rect);
    void DrawLine(const TrgDrawLine& Command, const TRect& Rect);
    void DrawImage(const TrgDrawImage& Command, const TRect& Rect);
    void ShowWantedPage(TrgPage* Page);
    void TakeCalculatedPage(TrgPage* Page);
    void RequestOnePage(TrgPageSettingType Setting, int PageNo);

    int effectiveZoom_ = 100;
    std::unique_ptr<TrgPage> displayPage_;
    QImage bitmap_;
    QPainter* painter_ = nullptr;
    int pageLeft_ = 0, pageTop_ = 0, pageHeight_ = 0, pageWidth_ = 0;
    double horzScale_ = 1, vertScale_ = 1;
    QString status_;
    TrgViewer* viewer_ = nullptr;
};
