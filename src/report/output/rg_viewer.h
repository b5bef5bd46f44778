#pragma once
// The panel that shows a report's pages on screen. It owns a screen device
// linked to the report's publisher; every navigation becomes a page request
// of that device, so the report generates only the pages looked at. The
// page image scrolls in a scroll box; the mouse turns into a hand over
// clickable draw commands.

#include "platform/ui/ext_ctrls.h"
#include "report/output/rg_screen_device.h"

class TrgFormReport;

class TrgViewer : public TPanel {
public:
    explicit TrgViewer(TComponent* AOwner);
    ~TrgViewer() override;

    TrgFormReport* Report() const { return report_; }
    // Joins the device to the report's publisher (none without a report).
    void SetReport(TrgFormReport* Value);

    TrgZoomSettingType ZoomSetting() const { return zoomSetting_; }
    // Stores it and renders the shown page at the new zoom.
    void SetZoomSetting(TrgZoomSettingType Value);
    int ZoomPercentage() const { return zoomPercentage_; }
    // Above 250 gives 250, below 1 gives 1; then the zoom is the percentage.
    void SetZoomPercentage(int Value);

    void FirstPage() { device_->FirstPage(); }
    void LastPage() { device_->LastPage(); }
    void GotoPage(int PageNo) { device_->GotoPage(PageNo); }
    void NextPage() { GotoPage(AbsolutePageNo() + 1); }
    void PriorPage() { GotoPage(AbsolutePageNo() - 1); }
    int AbsolutePageNo() const { return device_->GetAbsolutePageNo(); }
    int CalculatedZoom() const { return device_->EffectiveZoom(); }
    QString Status() const { return device_->Status(); }
    bool Busy() const { return device_->Busy(); }
    // Prints the report on the printer, offering the shown page as the current one.
    void Print();
    void Cancel() { device_->CancelReport(); }
    void Reset() { device_->Reset(); }

    TrgScreenDevice* ScreenDevice() const { return device_; }
    TScrollBox* ScrollBox() const { return scrollBox_; }
    TPaintBox* PaintBox() const { return paintBox_; }
    // The visible area of the scroll box, for sizing the sheet.
    QSize ScrollBoxSize() const;

    // While set (the viewer stands in a designer) no page is shown.
    bool DesignTime = false;
    bool Suspended = false;
    bool CanShowPage() const { return !DesignTime && !Suspended; }

    TNotifyEvent OnStatusChange;
    TNotifyEvent OnPageChange;
    TNotifyEvent OnPrintStateChange;

    // Called by the device.
    void StatusChanged();
    void PageShown();
    void PageRemoved();
    // Paints one rectangle of the image at once (a redrawn command).
    void PaintNow(const TRect& Rect);

    void UpdateScrollBars();
    void Resize() override;

    // The mouse over the page, in paint-box coordinates.
    void PaintBoxMouseMove(int X, int Y);
    void PaintBoxClick(int X, int Y);

private:
    void CreateControls();
    void PaintBoxPaint();
    void SetOwnCursor(TCursor Cursor);

    TrgScreenDevice* device_ = nullptr;
    TScrollBox* scrollBox_ = nullptr;
    TPaintBox* paintBox_ = nullptr;
    TrgFormReport* report_ = nullptr;
    TrgZoomSettingType zoomSetting_ = zsWholePage;
    int zoomPercentage_ = 100;
    bool resetScroll_ = true;
    bool printing_ = false;
    TPoint lastMouse_{0, 0};
};

// The cursor number of the hand shown over clickable commands.
inline constexpr TCursor crRgHandPoint = 1;
