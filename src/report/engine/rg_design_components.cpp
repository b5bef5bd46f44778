#include "report/engine/rg_design_components.h"

#include <QFontMetrics>
#include <QPainter>

#include <map>

#include "report/engine/rg_barcode_components.h"
#include "report/engine/rg_component.h"
#include "report/engine/rg_data_text.h"
#include "report/engine/rg_design_hooks.h"
#include "report/engine/rg_design_menus.h"
#include "report/engine/rg_image.h"
#include "report/engine/rg_pipeline.h"
#include "report/engine/rg_region.h"
#include "report/engine/rg_shapes.h"
#include "report/engine/rg_stretchable.h"
#include "report/engine/rg_text_components.h"
#include "report/output/rg_draw_barcode.h"
#include "report/output/rg_units.h"
#include "report/output/rg_utils.h"

// ---- frame -------------------------------------------------------------------

TrgBoundsRect::TrgBoundsRect(TComponent* AOwner) : TShape(AOwner)
{
    Pen.Color = clGray;
    Pen.Style = psDot;
    Brush.Style = bsClear;
}

// ---- design control ----------------------------------------------------------

namespace {

std::map<const TrgPrintable*, TrgDesignControl*>& DesignControls()
{
    static std::map<const TrgPrintable*, TrgDesignControl*> controls;
    return controls;
}

// A printable's change reaches its design control through the engine's
// design hook, installed at start-up.
const bool kDesignHookInstalled = [] {
    rgDesignHooks().PrintableChanged = rgInvalidateDesignControl;
    return true;
}();

}  // namespace

TrgDesignControl* rgDesignControlOf(const TrgPrintable* Printable)
{
    auto it = DesignControls().find(Printable);
    return it == DesignControls().end() ? nullptr : it->second;
}

TrgDesignControl::TrgDesignControl(TrgPrintable* Printable, TWinControl* AParent)
    : TCustomControl(AParent), printable_(Printable)
{
    SetParent(AParent);
    // Graphics and transparent components show the band behind them.
    SetParentColor(true);
    frame_ = new TrgBoundsRect(this);
    frame_->SetParent(AParent);
    menu_ = new TPopupMenu(this);
    // What a menu item changed shows at once.
    rgBuildComponentPopupMenu(Printable, menu_, [this] { UpdateFromPrintable(); });
    SetPopupMenu(menu_);
    selection_ = new TrgSelectionObject(this, this);
    printable_->FreeNotification(this);
    DesignControls()[printable_] = this;
    UpdateFromPrintable();
}

TrgDesignControl::~TrgDesignControl()
{
    if (printable_) {
        printable_->RemoveFreeNotification(this);
        DesignControls().erase(printable_);
    }
}

void TrgDesignControl::Notification(TComponent* AComponent, TOperation Operation)
{
    TCustomControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == printable_) {
        DesignControls().erase(printable_);
        printable_ = nullptr;
        selection_->SetSelected(false);
        frame_->Hide();
        Hide();
    }
}

void TrgDesignControl::UpdateFromPrintable()
{
    if (!printable_)
        return;
    TAnchors anchors{akLeft, akTop};
    if (auto* component = dynamic_cast<TrgComponent*>(printable_)) {
        if (component->ParentWidth())
            anchors.Include(akRight);
        if (component->ParentHeight())
            anchors.Include(akBottom);
    }
    SetAnchors(anchors);
    SetBounds(printable_->GetPixelLeft(), printable_->GetPixelTop(), printable_->GetPixelWidth(),
              printable_->GetPixelHeight());
    frame_->SetBounds(Left() - 1, Top() - 1, Width() + 2, Height() + 2);
    frame_->SetVisible(!selection_->Selected());
    selection_->UpdateBounds();
    Invalidate();
}

void TrgDesignControl::Paint()
{
    if (printable_)
        rgPaintDesignControl(printable_, Canvas(), ClientRect());
}

void rgInvalidateDesignControl(const TrgPrintable* Printable)
{
    if (TrgDesignControl* control = rgDesignControlOf(Printable))
        control->UpdateFromPrintable();
}

void rgSetDesignDataField(TrgPrintable* Printable, const QString& DataField)
{
    Printable->SetDataField(DataField);
    TrgDesignControl* control = rgDesignControlOf(Printable);
    if (!dynamic_cast<TrgDBText*>(Printable) || !control || Printable->IsPrinting() || Printable->AutoSize() ||
        !Printable->DataPipeline() || !Printable->DataFieldAvailable())
        return;
    const int characters = Printable->DataPipeline()->GetFieldDisplayWidth(DataField);
    const int zeroWidth = QFontMetrics(Printable->Font()->ToQFont()).horizontalAdvance(QLatin1Char('0'));
    Printable->SetPixelBounds(Printable->GetPixelLeft(), Printable->GetPixelTop(), characters * zeroWidth,
                              Printable->GetPixelHeight());
    control->UpdateFromPrintable();
}

void rgRenameDesignComponent(TrgPrintable* Printable, const QString& NewName)
{
    const QString oldName = Printable->Name;
    Printable->Name = NewName;
    if (dynamic_cast<TrgStretchable*>(Printable) && Printable->Caption() == oldName)
        Printable->SetCaption(NewName);
}

// ---- design pictures -----------------------------------------------------------

namespace {

void PaintText(TrgPrintable* Printable, TCanvas* Canvas, const TRect& Rect)
{
    if (!Printable->Transparent()) {
        Canvas->Brush.Style = bsSolid;
        Canvas->Brush.Color = Printable->Color();
        Canvas->FillRect(Rect);
    }
    Canvas->Font.Assign(Printable->Font());
    int flags = Qt::AlignTop;
    switch (Printable->Alignment()) {
    case taRightJustify: flags |= Qt::AlignRight; break;
    case taCenter: flags |= Qt::AlignHCenter; break;
    default: flags |= Qt::AlignLeft; break;
    }
    if (Printable->WordWrap())
        flags |= Qt::TextWordWrap;
    QPainter* painter = Canvas->Painter();
    painter->setFont(Canvas->Font.ToQFont());
    painter->setPen(ColorToQColor(Printable->Font()->Color()));
    painter->drawText(QRect(Rect.Left, Rect.Top, Rect.Right - Rect.Left, Rect.Bottom - Rect.Top), flags,
                      Printable->GetText());
}

void PaintRegion(TrgCustomRegion* Region, TCanvas* Canvas, const TRect& Rect)
{
    Canvas->Pen = *Region->Pen();
    Canvas->Brush = *Region->Brush();
    Canvas->Rectangle(Rect);
}

void PaintShape(TrgShape* Shape, TCanvas* Canvas)
{
    Canvas->Pen = Shape->Pen();
    Canvas->Brush = Shape->Brush();
    const TrgShapeGeometry g = Shape->CalcGeometry();
    switch (Shape->Shape()) {
    case stRoundRect:
    case stRoundSquare: Canvas->RoundRect(g.X, g.Y, g.Right, g.Bottom, g.Corner, g.Corner); break;
    case stEllipse:
    case stCircle: Canvas->Ellipse(g.X, g.Y, g.Right, g.Bottom); break;
    default: Canvas->Rectangle(g.X, g.Y, g.Right, g.Bottom); break;
    }
}

void PaintLine(TrgLine* Line, TCanvas* Canvas, const TRect& Rect)
{
    Canvas->Pen = Line->Pen();
    const int w = std::max(1, Line->Pen().Width);
    // The stroke lies inside the box along its edge; a double line repeats it
    // three pen widths further in.
    auto stroke = [&](int inset) {
        switch (Line->Position()) {
        case lpTop: Canvas->MoveTo(Rect.Left, Rect.Top + inset + w / 2); Canvas->LineTo(Rect.Right, Rect.Top + inset + w / 2); break;
        case lpBottom: Canvas->MoveTo(Rect.Left, Rect.Bottom - 1 - inset - w / 2); Canvas->LineTo(Rect.Right, Rect.Bottom - 1 - inset - w / 2); break;
        case lpLeft: Canvas->MoveTo(Rect.Left + inset + w / 2, Rect.Top); Canvas->LineTo(Rect.Left + inset + w / 2, Rect.Bottom); break;
        case lpRight: Canvas->MoveTo(Rect.Right - 1 - inset - w / 2, Rect.Top); Canvas->LineTo(Rect.Right - 1 - inset - w / 2, Rect.Bottom); break;
        }
    };
    stroke(0);
    if (Line->Style() == lsDouble)
        stroke(2 * w);
}

void PaintImage(TrgCustomImage* Image, TCanvas* Canvas, const TRect& Rect)
{
    if (!Image->Transparent()) {
        Canvas->Brush.Style = bsSolid;
        Canvas->Brush.Color = clWhite;
        Canvas->FillRect(Rect);
    }
    TPicture* picture = Image->GetPicture();
    if (!picture || !picture->Graphic() || picture->Width() <= 0 || picture->Height() <= 0)
        return;
    const int frameW = Rect.Right - Rect.Left, frameH = Rect.Bottom - Rect.Top;
    int w = picture->Width(), h = picture->Height();
    if (Image->Stretch()) {
        if (Image->MaintainAspectRatio()) {
            const float scale = rgScaleToFit(float(w), float(h), float(frameW), float(frameH));
            w = int(w * scale);
            h = int(h * scale);
        } else {
            w = frameW;
            h = frameH;
        }
    }
    int x = Rect.Left, y = Rect.Top;
    if (Image->Center()) {
        x += (frameW - w) / 2;
        y += (frameH - h) / 2;
    }
    Canvas->StretchDraw(TRect{x, y, x + w, y + h}, picture->Graphic());
}

// The symbol as the preview shows it, from the control's top-left corner.
void PaintBarCode(TrgCustomBarCode* BarCode, TCanvas* Canvas, const TRect& Rect)
{
    TrgDrawBarCode command(nullptr);
    BarCode->FillDesignCommand(command);
    command.DrawOnScreen(*Canvas->Painter(), QPoint(Rect.Left, Rect.Top), rgScreenPixelsPerInch());
}

}  // namespace

void rgPaintDesignControl(TrgPrintable* Printable, TCanvas* Canvas, const TRect& Rect)
{
    if (auto* dbImage = dynamic_cast<TrgDBImage*>(Printable))
        dbImage->LoadPicture();
    if (auto* image = dynamic_cast<TrgCustomImage*>(Printable))
        PaintImage(image, Canvas, Rect);
    else if (auto* region = dynamic_cast<TrgCustomRegion*>(Printable))
        PaintRegion(region, Canvas, Rect);
    else if (auto* shape = dynamic_cast<TrgShape*>(Printable))
        PaintShape(shape, Canvas);
    else if (auto* line = dynamic_cast<TrgLine*>(Printable))
        PaintLine(line, Canvas, Rect);
    else if (auto* barCode = dynamic_cast<TrgCustomBarCode*>(Printable))
        PaintBarCode(barCode, Canvas, Rect);
    else
        PaintText(Printable, Canvas, Rect);
}

// ---- handles ---------------------------------------------------------------------

namespace {

TShape* MakeHandle(TComponent* Owner, TWinControl* ParentWindow, TColor Color, TCursor Cursor)
{
    auto* handle = new TShape(Owner);
    handle->SetParent(ParentWindow);
    handle->Brush.Color = Color;
    handle->Pen.Color = Color;
    handle->SetCursor(Cursor);
    handle->SetBounds(0, 0, TrgSizingHandles::HandleSize, TrgSizingHandles::HandleSize);
    handle->Hide();
    return handle;
}

}  // namespace

TrgSelectionHandles::TrgSelectionHandles(TComponent* AOwner, TControl* Control, TWinControl* ParentWindow)
    : TComponent(AOwner), control_(Control)
{
    for (TShape*& handle : handles_)
        handle = MakeHandle(this, ParentWindow, clGray, crDefault);
}

void TrgSelectionHandles::Position()
{
    const int l = control_->Left(), t = control_->Top();
    const int r = l + control_->Width(), b = t + control_->Height();
    const std::array<TPoint, Count> anchors{TPoint{l, t}, TPoint{r, t}, TPoint{l, b}, TPoint{r, b}};
    for (int i = 0; i < Count; ++i)
        handles_[size_t(i)]->SetBounds(anchors[size_t(i)].X - 2, anchors[size_t(i)].Y - 2,
                                       TrgSizingHandles::HandleSize, TrgSizingHandles::HandleSize);
}

void TrgSelectionHandles::SetVisible(bool Value)
{
    for (TShape* handle : handles_)
        handle->SetVisible(Value);
}

TrgSizingHandles::TrgSizingHandles(TComponent* AOwner, TControl* Control, TWinControl* ParentWindow)
    : TComponent(AOwner), control_(Control)
{
    static constexpr std::array<TCursor, Count> cursors{crSizeNWSE, crSizeNS, crSizeNESW, crSizeWE,
                                                        crSizeWE,   crSizeNESW, crSizeNS, crSizeNWSE};
    for (int i = 0; i < Count; ++i)
        handles_[size_t(i)] = MakeHandle(this, ParentWindow, clBlack, cursors[size_t(i)]);
}

void TrgSizingHandles::Position()
{
    const int l = control_->Left(), t = control_->Top(), w = control_->Width(), h = control_->Height();
    const std::array<TPoint, Count> anchors{TPoint{l, t},         TPoint{l + w / 2, t},     TPoint{l + w, t},
                                            TPoint{l, t + h / 2}, TPoint{l + w, t + h / 2}, TPoint{l, t + h},
                                            TPoint{l + w / 2, t + h}, TPoint{l + w, t + h}};
    for (int i = 0; i < Count; ++i)
        handles_[size_t(i)]->SetBounds(anchors[size_t(i)].X - 2, anchors[size_t(i)].Y - 2, HandleSize, HandleSize);
}

void TrgSizingHandles::SetVisible(bool Value)
{
    for (TShape* handle : handles_)
        handle->SetVisible(Value);
}

// ---- selection -------------------------------------------------------------------------

TrgSelectionObject::TrgSelectionObject(TComponent* AOwner, TrgDesignControl* Control)
    : TComponent(AOwner), control_(Control)
{
}

bool TrgSelectionObject::CanSize() const
{
    return control_->Printable() && !control_->Printable()->AutoSize();
}

void TrgSelectionObject::SetSelected(bool Value)
{
    selected_ = Value;
    delete sizing_;
    sizing_ = nullptr;
    delete selection_;
    selection_ = nullptr;
    control_->Frame()->SetVisible(!Value && control_->Printable());
    if (!Value)
        return;
    if (CanSize()) {
        sizing_ = new TrgSizingHandles(this, control_, control_->Parent());
        sizing_->Position();
        sizing_->SetVisible(true);
    } else {
        selection_ = new TrgSelectionHandles(this, control_, control_->Parent());
        selection_->Position();
        selection_->SetVisible(true);
    }
}

void TrgSelectionObject::UpdateBounds()
{
    if (TrgPrintable* printable = control_->Printable())
        control_->SetBounds(printable->GetPixelLeft(), printable->GetPixelTop(), control_->Width(),
                            control_->Height());
    if (sizing_)
        sizing_->Position();
    if (selection_)
        selection_->Position();
}
