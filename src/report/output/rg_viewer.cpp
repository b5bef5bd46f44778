#include "report/output/rg_viewer.h"

#include <QAbstractScrollArea>
#include <QPainter>

#include "platform/ui/forms.h"
#include "report/output/rg_draw_commands.h"
#include "report/output/rg_forms.h"
#include "report/output/rg_page.h"
#include "report/output/rg_publisher.h"

namespace {

QAbstractScrollArea* AreaOf(const TScrollBox* box)
{
    return static_cast<QAbstractScrollArea*>(box->Handle());
}

}  // namespace

TrgViewer::TrgViewer(TComponent* AOwner) : TPanel(AOwner)
{
    Screen->SetCursors(crRgHandPoint, QCursor(Qt::PointingHandCursor));
    Font()->SetName(QStringLiteral("MS Sans Serif"));
    Font()->SetSize(8);
    Font()->SetColor(clBtnShadow);
    SetColor(clBtnShadow);
    SetBevelOuter(bvNone);
    SetBounds(0, 0, 320, 120);
    CreateControls();
    device_ = new TrgScreenDevice(this);
    // Starting, ending and cancelling a job all change the print state.
    auto printStateChanged = [this](TObject*) {
        if (OnPrintStateChange)
            OnPrintStateChange(this);
    };
    device_->OnStartJob = printStateChanged;
    device_->OnEndJob = printStateChanged;
    device_->OnCancelJob = printStateChanged;
}

TrgViewer::~TrgViewer()
{
    BeginDestroy();
    delete device_;
    device_ = nullptr;
}

void TrgViewer::CreateControls()
{
    scrollBox_ = new TScrollBox(this);
    scrollBox_->SetVisible(false);
    scrollBox_->SetParent(this);
    scrollBox_->SetAlign(alClient);
    scrollBox_->SetVisible(true);
    AreaOf(scrollBox_)->setFrameShape(QFrame::NoFrame);
    paintBox_ = new TPaintBox(scrollBox_);
    paintBox_->SetParent(scrollBox_);
    paintBox_->SetColor(clBtnShadow);
    paintBox_->OnPaint = [this](TObject*) { PaintBoxPaint(); };
    paintBox_->OnClick = [this](TObject*) {
        PaintBoxClick(lastMouse_.X, lastMouse_.Y);
        if (OnClick)
            OnClick(this);
    };
    paintBox_->OnMouseMove = [this](TObject*, TShiftState Shift, int X, int Y) {
        PaintBoxMouseMove(X, Y);
        if (OnMouseMove)
            OnMouseMove(this, Shift, X, Y);
    };
    paintBox_->OnDblClick = [this](TObject*) {
        if (OnDblClick)
            OnDblClick(this);
    };
    paintBox_->SetCursor(Cursor());
}

QSize TrgViewer::ScrollBoxSize() const
{
    if (!scrollBox_)
        return {Width(), Height()};
    const QSize size = AreaOf(scrollBox_)->maximumViewportSize();
    // Before the first layout the widget has no size yet.
    if (size.width() <= 0 || size.height() <= 0)
        return {Width(), Height()};
    return size;
}

void TrgViewer::SetReport(TrgFormReport* Value)
{
    report_ = Value;
    device_->SetPublisher(Value ? Value->FormPublisher() : nullptr);
}

void TrgViewer::PageRemoved()
{
    // The report's publisher went away (not the viewer's own printing).
    if (printing_ || !report_)
        return;
    report_ = nullptr;
    device_->Reset();
}

void TrgViewer::SetZoomSetting(TrgZoomSettingType Value)
{
    zoomSetting_ = Value;
    if (!CanShowPage())
        return;
    if (!Showing()) {
        device_->RenderPage();
        Invalidate();
        return;
    }
    paintBox_->Hide();
    device_->RenderPage();
    resetScroll_ = true;
    UpdateScrollBars();
    paintBox_->Show();
}

void TrgViewer::SetZoomPercentage(int Value)
{
    // Beyond these the sheet would be unreadable or no sheet at all.
    zoomPercentage_ = std::clamp(Value, 1, 250);
    SetZoomSetting(zsPercentage);
}

void TrgViewer::UpdateScrollBars()
{
    if (!CanShowPage())
        return;
    const QImage& bitmap = device_->PageBitmap();
    paintBox_->SetBounds(0, 0, bitmap.width(), bitmap.height());
    const QSize box = ScrollBoxSize();
    QAbstractScrollArea* area = AreaOf(scrollBox_);
    area->setHorizontalScrollBarPolicy(bitmap.width() > box.width() ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    area->setVerticalScrollBarPolicy(bitmap.height() > box.height() ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    scrollBox_->UpdateRange();
    if (resetScroll_) {
        scrollBox_->SetHorzPosition(0);
        scrollBox_->SetVertPosition(0);
        resetScroll_ = false;
    }
    paintBox_->Invalidate();
}

void TrgViewer::Resize()
{
    TPanel::Resize();
    if (!device_ || Destroying() || !CanShowPage())
        return;
    device_->RenderPage();
    UpdateScrollBars();
    if (OnPageChange)
        OnPageChange(this);
}

void TrgViewer::StatusChanged()
{
    if (OnStatusChange)
        OnStatusChange(this);
}

void TrgViewer::PageShown()
{
    UpdateScrollBars();
    paintBox_->Repaint();
}

void TrgViewer::PaintNow(const TRect& Rect)
{
    Suspended = true;
    if (QWidget* widget = paintBox_->Handle())
        widget->repaint(QRect(Rect.Left, Rect.Top, Rect.Width(), Rect.Height()));
    Suspended = false;
}

void TrgViewer::PaintBoxPaint()
{
    // A command being redrawn is copied while the viewer is suspended.
    if (DesignTime)
        return;
    if (QPainter* painter = paintBox_->Canvas()->Painter())
        painter->drawImage(0, 0, device_->PageBitmap());
}

void TrgViewer::SetOwnCursor(TCursor Cursor)
{
    if (paintBox_->Cursor() != Cursor)
        paintBox_->SetCursor(Cursor);
}

void TrgViewer::PaintBoxMouseMove(int X, int Y)
{
    lastMouse_ = {X, Y};
    TrgDrawCommand* command = nullptr;
    SetOwnCursor(device_->FindCommandAt(X, Y, command) ? crRgHandPoint : Cursor());
}

void TrgViewer::PaintBoxClick(int X, int Y)
{
    TrgDrawCommand* command = nullptr;
    if (device_->FindCommandAt(X, Y, command)) {
        command->DoClick();
        if (command->RedrawPage) {
            // The handler changed the report: generate the shown page again.
            command->RedrawPage = false;
            device_->SetPageSetting(psSinglePage);
            device_->SetPageRequested(AbsolutePageNo());
            device_->RequestPages();
        }
    }
    PaintBoxMouseMove(X, Y);
}

void TrgViewer::Print()
{
    if (!report_)
        return;
    TrgPublisher* publisher = device_->Publisher();
    printing_ = true;
    device_->SetPublisher(nullptr);
    const int shown = AbsolutePageNo();
    report_->SetCurrentPage(shown > 0 ? shown : 1);
    const TrgDeviceType previous = report_->Device();
    report_->SetDevice(dvPrinter);
    try {
        report_->PrintToDevice();
    } catch (...) {
        report_->SetDevice(previous);
        device_->SetPublisher(publisher);
        printing_ = false;
        throw;
    }
    report_->SetDevice(previous);
    device_->SetPublisher(publisher);
    printing_ = false;
}
