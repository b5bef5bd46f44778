#include "imaging/pic_printer.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <cmath>

#include "imaging/form_place.h"
#include "imaging/image_print.h"
#include "platform/core/ini_file.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/std_ctrls.h"
#include "report/output/rg_printer_list.h"

namespace {

constexpr int kMinSide = 20;
constexpr int kGrip = 5;          // distance at which a corner or an edge is grabbed
constexpr int kGripSquare = 6;    // side of the grab squares drawn
const char* const kSection = "PrintForm";

int MulDivRound(double a, double b, double c)
{
    return c == 0 ? 0 : int(std::lround(a * b / c));
}

// The picture's size; 0 when there is none.
QSize PictureSize(const TPicture* p)
{
    return p ? QSize(p->Width(), p->Height()) : QSize();
}

QImage PictureImage(const TPicture* p)
{
    return p && p->Graphic() ? p->Graphic()->ToImage() : QImage();
}

QRect ToQRect(const TRect& r)
{
    return QRect(r.Left, r.Top, r.Width(), r.Height());
}

}  // namespace

// ---- TOverlay -------------------------------------------------------------------

TOverlay::TOverlay(TComponent* AOwner) : TCustomControl(AOwner)
{
    if (Handle()) {
        Handle()->setAttribute(Qt::WA_TransparentForMouseEvents);
        Handle()->setAutoFillBackground(false);
    }
}

void TOverlay::SetBand(const TRect& r)
{
    band_ = r;
    Invalidate();
}

void TOverlay::Paint()
{
    if (band_.Width() <= 4 || band_.Height() <= 4)
        return;
    QPainter* p = Canvas()->Painter();
    p->setPen(QPen(Qt::black, 1, Qt::DotLine));
    p->setBrush(Qt::NoBrush);
    p->drawRect(QRect(band_.Left + 2, band_.Top + 2, band_.Width() - 5, band_.Height() - 5));
}

// ---- TStretchHandle ---------------------------------------------------------------

TStretchHandle::TStretchHandle(TComponent* AOwner) : TCustomControl(AOwner)
{
    captionFont_.SetName("Arial");
    captionFont_.SetHeight(20);
    SetVisible(false);
}

void TStretchHandle::SetPictureRect(const TRect& r)
{
    pictureRect_ = r;
    SetBounds(r.Left - 2, r.Top - 2, r.Width() + 4, r.Height() + 4);
}

void TStretchHandle::Attach()
{
    attached_ = true;
    Recompute();
    SetVisible(true);
    BringToFront();
    // The rubber band shows over the frame; the mouse passes through it.
    if (Overlay)
        Overlay->BringToFront();
}

void TStretchHandle::Detach()
{
    attached_ = false;
    SetVisible(false);
}

TRect TStretchHandle::Compute(int part, int dx, int dy) const
{
    // The rules work on the picture rectangle inside the frame.
    double L = Left() + 2, T = Top() + 2, W = Width() - 4, H = Height() - 4;
    const QSize pic = PictureSize(Picture);
    const bool hasPicture = pic.width() > 0 && pic.height() > 0;
    switch (part) {
    case 0: L += dx; T += dy; break;
    case 1: L += dx; T += dy; W -= dx; H -= dy; break;
    case 2: T += dy; W += dx; H -= dy; break;
    case 3: L += dx; W -= dx; H += dy; break;
    case 4: W += dx; H += dy; break;
    case 5: T += dy; H -= dy; break;
    case 6: L += dx; W -= dx; break;
    case 7: H += dy; break;
    case 8: W += dx; break;
    default: break;
    }
    if (proportional_ && hasPicture) {
        if (part == 5 || part == 7)
            W = double(pic.width()) * H / pic.height();
        else if (part == 6 || part == 8)
            H = double(pic.height()) * W / pic.width();
    }
    W = std::max<double>(W, kMinSide);
    H = std::max<double>(H, kMinSide);
    if (fitToPage_) {
        L = LimitRect.Left;
        T = LimitRect.Top;
        W = LimitRect.Width();
        H = LimitRect.Height();
    }
    if (originalSize_ && hasPicture) {
        // One picture pixel per printer pixel.
        W = double(pic.width()) * LimitRect.Width() / std::max(1, PrinterPageWidth);
        H = double(pic.height()) * LimitRect.Height() / std::max(1, PrinterPageHeight);
    }
    if (proportional_ && hasPicture) {
        H = double(pic.height()) * W / pic.width();
        if (H > LimitRect.Height() && LimitRect.Height() > 0) {
            H = LimitRect.Height();
            W = double(pic.width()) * H / pic.height();
        }
    }
    W = std::max<double>(std::lround(W), 1);
    H = std::max<double>(std::lround(H), 1);
    const TWinControl* parent = Parent();
    if (hCenter_ && parent)
        L = (parent->ClientWidth() - int(W)) / 2;
    if (vCenter_ && parent)
        T = (parent->ClientHeight() - int(H)) / 2;
    const int l = int(std::lround(L)), t = int(std::lround(T));
    return Rect(l - 2, t - 2, l + int(W) + 2, t + int(H) + 2);
}

void TStretchHandle::Take(const TRect& bounds)
{
    SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
    pictureRect_ = Rect(bounds.Left + 2, bounds.Top + 2, bounds.Right - 2, bounds.Bottom - 2);
    if (OnChangeRect)
        OnChangeRect(this, pictureRect_);
}

void TStretchHandle::Recompute()
{
    if (!attached_)
        return;
    Take(Compute(0, 0, 0));
    Invalidate();
}

int TStretchHandle::PartAt(int X, int Y) const
{
    const int w = Width(), h = Height();
    const bool left = X < kGrip, right = X >= w - kGrip, top = Y < kGrip, bottom = Y >= h - kGrip;
    if (!proportional_ && !originalSize_) {
        if (left && top) return 1;
        if (right && top) return 2;
        if (left && bottom) return 3;
        if (right && bottom) return 4;
    }
    if (!originalSize_) {
        const bool midX = std::abs(X - w / 2) <= kGrip, midY = std::abs(Y - h / 2) <= kGrip;
        if (top && midX) return 5;
        if (left && midY) return 6;
        if (bottom && midX) return 7;
        if (right && midY) return 8;
    }
    return 0;
}

void TStretchHandle::Paint()
{
    QPainter* p = Canvas()->Painter();
    const QImage img = PictureImage(Picture);
    if (!img.isNull())
        p->drawImage(QRect(2, 2, Width() - 4, Height() - 4), img);
    p->setPen(QPen(Qt::black, 1, Qt::DashLine));
    p->setBrush(Qt::NoBrush);
    p->drawRect(QRect(1, 1, Width() - 3, Height() - 3));
    // The grab squares of the parts that can be grabbed.
    p->setPen(Qt::black);
    p->setBrush(Qt::black);
    const int w = Width() - kGripSquare, h = Height() - kGripSquare;
    std::vector<QPoint> squares;
    if (!proportional_ && !originalSize_)
        squares = {{0, 0}, {w, 0}, {0, h}, {w, h}};
    if (!originalSize_)
        for (QPoint q : {QPoint(w / 2, 0), QPoint(0, h / 2), QPoint(w / 2, h), QPoint(w, h / 2)})
            squares.push_back(q);
    for (QPoint q : squares)
        p->drawRect(QRect(q, QSize(kGripSquare - 1, kGripSquare - 1)));
}

void TStretchHandle::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft)
        return;
    grabbed_ = PartAt(X, Y);
    dragging_ = true;
    dragStart_ = Point(Left() + X, Top() + Y);
    dragResult_ = BoundsRect();
}

void TStretchHandle::MouseMove(TShiftState Shift, int X, int Y)
{
    TCustomControl::MouseMove(Shift, X, Y);
    if (!dragging_) {
        static const TCursor cursors[] = {crSizeAll, crSizeNWSE, crSizeNESW, crSizeNESW, crSizeNWSE,
                                          crSizeNS,  crSizeWE,   crSizeNS,   crSizeWE};
        SetCursor(cursors[PartAt(X, Y)]);
        return;
    }
    // The mouse counts only inside the parent's client area.
    const TWinControl* parent = Parent();
    int px = Left() + X, py = Top() + Y;
    if (parent) {
        px = std::clamp(px, 0, parent->ClientWidth());
        py = std::clamp(py, 0, parent->ClientHeight());
    }
    dragResult_ = Compute(grabbed_, px - dragStart_.X, py - dragStart_.Y);
    if (Overlay)
        Overlay->SetBand(dragResult_);
}

void TStretchHandle::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TCustomControl::MouseUp(Button, Shift, X, Y);
    if (!dragging_)
        return;
    dragging_ = false;
    Take(dragResult_);
    if (Overlay)
        Overlay->SetBand(TRect());
    Invalidate();
    if (OnChangePosition)
        OnChangePosition(this);
}

// ---- TfrmPicPrint -----------------------------------------------------------------

TfrmPicPrint::TfrmPicPrint(TComponent* AOwner) : TForm(AOwner)
{
    Name = "frmPicPrint";
    SetCaption("Einzelbild drucken");
    KeyPreview = true;
    Constraints()->SetMinWidth(640);
    Constraints()->SetMinHeight(480);
    if (Screen->Width() > 640 && Screen->Height() > 480)
        SetBounds(Left(), Top(), 800, 600);
    else
        SetBounds(Left(), Top(), 640, 480);
    PreviewPanel = Place<TPanel>(this, this, 8, 8, 10, 10);
    PreviewPanel->SetBevelOuter(bvLowered);
    PreviewPanel->SetCaption(QString());
    PaintBox = Place<TPaintBox>(PreviewPanel, this, 0, 0, 10, 10);
    PaintBox->SetAlign(alClient);
    PaintBox->OnPaint = [this](TObject*) { PaintPreview(); };
    Handle_ = new TStretchHandle(this);
    Handle_->SetParent(PreviewPanel);
    Overlay = new TOverlay(this);
    Overlay->SetParent(PreviewPanel);
    Overlay->SetAlign(alClient);
    Handle_->Overlay = Overlay;
    Handle_->OnChangeRect = [this](TObject*, const TRect& r) { ChangeRect(r); };

    FormatGroup = Place<TGroupBox>(this, this, 0, 8, 220, 72, "Format");
    Portrait = Place<TRadioButton>(FormatGroup, this, 12, 22, 190, 20, "Hochformat");
    Landscape = Place<TRadioButton>(FormatGroup, this, 12, 44, 190, 20, "Querformat");
    Portrait->OnClick = [this](TObject*) { OrientationClicked(); };
    Landscape->OnClick = [this](TObject*) { OrientationClicked(); };
    AlignGroup = Place<TGroupBox>(this, this, 0, 88, 220, 290, "Ausrichtung");
    const char* captions[] = {"Linker Rand", "Oberer Rand", "Bildbreite", "Bildhöhe"};
    TEdit** edits[] = {&LeftMargin, &TopMargin, &PicWidth, &PicHeight};
    for (int i = 0; i < 4; ++i) {
        Place<TLabel>(AlignGroup, this, 12, 26 + 30 * i, 90, 18, QString::fromUtf8(captions[i]));
        TEdit* e = Place<TEdit>(AlignGroup, this, 106, 22 + 30 * i, 64, 24);
        Place<TLabel>(AlignGroup, this, 176, 26 + 30 * i, 30, 18, "mm");
        e->OnKeyDown = [this, e](TObject*, Word& Key, TShiftState) {
            if (Key == VK_RETURN) {
                EditEntered(e);
                Key = 0;
            }
        };
        *edits[i] = e;
    }
    PicWidth->OnExit = [this](TObject*) { EditEntered(PicWidth); };
    PicHeight->OnExit = [this](TObject*) { EditEntered(PicHeight); };
    const char* boxes[] = {"Horizontal zentriert", "Vertikal zentriert", "Proportional", "An Seite Anpassen",
                           "Originalgröße"};
    TCheckBox** checks[] = {&HCenterBox, &VCenterBox, &ProportionalBox, &FitBox, &OriginalBox};
    for (int i = 0; i < 5; ++i) {
        TCheckBox* c = Place<TCheckBox>(AlignGroup, this, 12, 146 + 27 * i, 200, 22, QString::fromUtf8(boxes[i]));
        c->OnClick = [this, c](TObject*) { CheckBoxClicked(c); };
        *checks[i] = c;
    }
    PicCaptionButton = Place<TSpeedButton>(this, this, 0, 388, 106, 25, "Bildtext");
    PageCaptionButton = Place<TSpeedButton>(this, this, 114, 388, 106, 25, "Seitentitel");
    int group = 1;
    for (TSpeedButton* b : {PicCaptionButton, PageCaptionButton}) {
        b->SetGroupIndex(group++);
        b->AllowAllUp = true;
        b->SetDown(true);
        b->OnClick = [this](TObject*) { PaintBox->Invalidate(); };
    }
    PrintButton = Place<TButton>(this, this, 0, 0, 220, 27, "&Drucken");
    PrintButton->OnClick = [this](TObject*) { PrintClick(); };
    SetupButton = Place<TButton>(this, this, 0, 0, 220, 27, "Drucker&einrichtung");
    SetupButton->OnClick = [this](TObject*) { SetupClick(); };
    CloseButton = Place<TButton>(this, this, 0, 0, 220, 27, "&Schließen");
    CloseButton->ModalResult = mrCancel;
    CloseButton->Cancel = true;
    OnShow = [this](TObject*) {
        shown_ = true;
        PageGeometry();
        InitLayout();
    };
    OnKeyDown = [this](TObject*, Word& Key, TShiftState) {
        if (Key == VK_ESCAPE)
            ModalResult = mrCancel;
    };
    Loaded();
    Resize();
}

TfrmPicPrint::~TfrmPicPrint()
{
    if (shown_)
        SaveLayout();
}

void TfrmPicPrint::Resize()
{
    TForm::Resize();
    if (!PreviewPanel || !CloseButton)
        return;
    const int cw = ClientWidth(), ch = ClientHeight();
    const int side = 236;
    PreviewPanel->SetBounds(8, 8, std::max(60, cw - side - 24), std::max(60, ch - 16));
    const int x = cw - side - 8;
    for (TControl* c : std::initializer_list<TControl*>{FormatGroup, AlignGroup})
        c->SetLeft(x);
    PicCaptionButton->SetLeft(x);
    PageCaptionButton->SetLeft(x + 114);
    PrintButton->SetBounds(x, ch - 107, 220, 27);
    SetupButton->SetBounds(x, ch - 72, 220, 27);
    CloseButton->SetBounds(x, ch - 37, 220, 27);
    if (shown_)
        PageGeometry();
}

void TfrmPicPrint::PageGeometry()
{
    QPrinter* printer = Printer();
    const QRectF paper = printer->paperRect(QPrinter::DevicePixel);
    const QRectF pageR = printer->pageRect(QPrinter::DevicePixel);
    const double physW = std::max(1.0, paper.width()), physH = std::max(1.0, paper.height());
    const int panelW = PreviewPanel->ClientWidth(), panelH = PreviewPanel->ClientHeight();
    int pw = std::max(1, panelW - 60);
    int ph = std::max(1, int(pw * physH / physW));
    if (panelH - 60 < ph) {
        ph = std::max(1, panelH - 60);
        pw = std::max(1, int(ph * physW / physH));
    }
    page_ = Bounds((panelW - pw) / 2, (panelH - ph) / 2, pw, ph);
    // The printable area scaled like the page and moved by the physical
    // offsets (in either orientation measured against the physical page).
    const int ox = int(pageR.left() * pw / physW), oy = int(pageR.top() * ph / physH);
    printable_ = Bounds(page_.Left + ox, page_.Top + oy, int(pageR.width() * pw / physW),
                        int(pageR.height() * ph / physH));
    Handle_->LimitRect = printable_;
    Handle_->PrinterPageWidth = printer->width();
    Handle_->PrinterPageHeight = printer->height();
    Overlay->BringToFront();
    if (Handle_->Attached())
        Handle_->Attach();
    PaintBox->Invalidate();
}

void TfrmPicPrint::InitLayout()
{
    const bool landscape = Printer()->pageLayout().orientation() == QPageLayout::Landscape;
    Landscape->SetChecked(landscape);
    Portrait->SetChecked(!landscape);
    PicCaptionButton->SetVisible(!Handle_->PicCaption.isEmpty());
    PageCaptionButton->SetVisible(!TopCaption.isEmpty() || !BottomCaption.isEmpty());
    Handle_->LimitRect = printable_;
    TRect r = printable_;
    bool flags[4] = {true, true, true, true};
    if (!IniFileName.isEmpty()) {
        TIniFile ini(IniFileName);
        const int l = ini.ReadInteger(kSection, "Left", r.Left), t = ini.ReadInteger(kSection, "Top", r.Top);
        const int w = ini.ReadInteger(kSection, "Width", r.Width()), h = ini.ReadInteger(kSection, "Height", r.Height());
        r = Bounds(l, t, w, h);
        const char* keys[] = {"HCenter", "VCenter", "Proportional", "FitToPage"};
        for (int i = 0; i < 4; ++i)
            flags[i] = ini.ReadBool(kSection, keys[i], true);
    }
    // A stored layout from another page size is brought back onto the page.
    const int w = std::clamp(r.Width(), kMinSide, std::max(kMinSide, page_.Width()));
    const int h = std::clamp(r.Height(), kMinSide, std::max(kMinSide, page_.Height()));
    r = Bounds(std::clamp(r.Left, page_.Left, std::max(page_.Left, page_.Right - w)),
               std::clamp(r.Top, page_.Top, std::max(page_.Top, page_.Bottom - h)), w, h);
    Handle_->SetPictureRect(r);
    HCenterBox->SetChecked(flags[0]);
    VCenterBox->SetChecked(flags[1]);
    ProportionalBox->SetChecked(flags[2]);
    FitBox->SetChecked(flags[3]);
    OriginalBox->SetChecked(false);
    // The flags without recomputing each time; then once attached.
    Handle_->Detach();
    Handle_->SetHCenter(flags[0]);
    Handle_->SetVCenter(flags[1]);
    Handle_->SetProportional(flags[2]);
    Handle_->SetFitToPage(flags[3]);
    Handle_->SetOriginalSize(false);
    CheckBoxClicked(FitBox);
    Handle_->Attach();
}

void TfrmPicPrint::SaveLayout()
{
    if (IniFileName.isEmpty())
        return;
    try {
        TIniFile ini(IniFileName);
        ini.BeginUpdate();
        const TRect r = Handle_->PictureRect();
        ini.WriteInteger(kSection, "Left", r.Left);
        ini.WriteInteger(kSection, "Top", r.Top);
        ini.WriteInteger(kSection, "Width", r.Width());
        ini.WriteInteger(kSection, "Height", r.Height());
        ini.WriteBool(kSection, "HCenter", Handle_->HCenter());
        ini.WriteBool(kSection, "VCenter", Handle_->VCenter());
        ini.WriteBool(kSection, "Proportional", Handle_->Proportional());
        ini.WriteBool(kSection, "FitToPage", Handle_->FitToPage());
        ini.EndUpdate();
    } catch (const std::exception&) {
        // The layout is a convenience: an unwritable ini file loses only it.
    }
}

void TfrmPicPrint::ChangeRect(const TRect& r)
{
    const QRectF mm = Printer()->pageRect(QPrinter::Millimeter);
    const double horzSize = mm.width(), vertSize = mm.height();
    const int pw = std::max(1, printable_.Width()), ph = std::max(1, printable_.Height());
    LeftMargin->SetText(QString::number(MulDivRound(horzSize, r.Left - page_.Left, pw)));
    TopMargin->SetText(QString::number(MulDivRound(vertSize, r.Top - page_.Top, ph)));
    PicWidth->SetText(QString::number(MulDivRound(horzSize, r.Width(), pw)));
    PicHeight->SetText(QString::number(MulDivRound(vertSize, r.Height(), ph)));
    PaintBox->Invalidate();
}

void TfrmPicPrint::EditEntered(TEdit* edit)
{
    bool ok = false;
    const double mm = edit->Text().trimmed().replace(',', '.').toDouble(&ok);
    if (!ok || !std::isfinite(mm)) {
        ChangeRect(Handle_->PictureRect());  // a text that is no number changes nothing
        return;
    }
    const QRectF size = Printer()->pageRect(QPrinter::Millimeter);
    const double horzSize = std::max(1.0, size.width()), vertSize = std::max(1.0, size.height());
    TRect r = Handle_->PictureRect();
    // Values beyond the page are brought onto it.
    auto px = [](double v) { return int(std::lround(std::clamp(v, -1e6, 1e6))); };
    if (edit == LeftMargin) {
        const int x = page_.Left + px(printable_.Width() * mm / horzSize);
        r = Bounds(std::clamp(x, page_.Left, std::max(page_.Left, page_.Right - kMinSide)), r.Top, r.Width(), r.Height());
    } else if (edit == TopMargin) {
        const int y = page_.Top + px(printable_.Height() * mm / vertSize);
        r = Bounds(r.Left, std::clamp(y, page_.Top, std::max(page_.Top, page_.Bottom - kMinSide)), r.Width(), r.Height());
    } else if (edit == PicWidth) {
        const int w = std::clamp(px(printable_.Width() * mm / horzSize), kMinSide, std::max(kMinSide, page_.Width()));
        r = Bounds(r.Left, r.Top, w, r.Height());
    } else if (edit == PicHeight) {
        const int h = std::clamp(px(printable_.Height() * mm / vertSize), kMinSide, std::max(kMinSide, page_.Height()));
        r = Bounds(r.Left, r.Top, r.Width(), h);
    }
    Handle_->SetPictureRect(r);
    Handle_->Recompute();
}

void TfrmPicPrint::CheckBoxClicked(TCheckBox* box)
{
    if (box == HCenterBox)
        Handle_->SetHCenter(box->Checked());
    else if (box == VCenterBox)
        Handle_->SetVCenter(box->Checked());
    else if (box == ProportionalBox)
        Handle_->SetProportional(box->Checked());
    else if (box == FitBox)
        Handle_->SetFitToPage(box->Checked());
    else if (box == OriginalBox)
        Handle_->SetOriginalSize(box->Checked());
    if (box == OriginalBox && box->Checked()) {
        ProportionalBox->SetChecked(false);
        FitBox->SetChecked(false);
        Handle_->SetProportional(false);
        Handle_->SetFitToPage(false);
    } else if ((box == ProportionalBox || box == FitBox) && box->Checked() && OriginalBox->Checked()) {
        OriginalBox->SetChecked(false);
        Handle_->SetOriginalSize(false);
    }
    const bool h = HCenterBox->Checked(), v = VCenterBox->Checked(), p = ProportionalBox->Checked();
    const bool fit = FitBox->Checked(), orig = OriginalBox->Checked();
    if (box == HCenterBox) {
        LeftMargin->SetEnabled(!h && !fit);
    } else if (box == VCenterBox) {
        TopMargin->SetEnabled(!v && !fit);
    } else if (box == ProportionalBox) {
        PicHeight->SetEnabled(!p && !fit);
    } else if (box == FitBox) {
        LeftMargin->SetEnabled(!h && !fit);
        TopMargin->SetEnabled(!v && !fit);
        PicHeight->SetEnabled(!p && !fit);
        PicWidth->SetEnabled(!fit);
    } else if (box == OriginalBox) {
        LeftMargin->SetEnabled(!h && !orig);
        TopMargin->SetEnabled(!v && !orig);
        PicHeight->SetEnabled(!orig);
        PicWidth->SetEnabled(!orig);
    }
    PaintBox->Invalidate();
}

void TfrmPicPrint::OrientationClicked()
{
    Printer()->setPageOrientation(Landscape->Checked() ? QPageLayout::Landscape : QPageLayout::Portrait);
    if (shown_)
        PageGeometry();
}

void TfrmPicPrint::SetupClick()
{
    TPrinterSetupDialog dlg(this);
    dlg.Execute();
    const bool landscape = Printer()->pageLayout().orientation() == QPageLayout::Landscape;
    Landscape->SetChecked(landscape);
    Portrait->SetChecked(!landscape);
    PageGeometry();
}

void TfrmPicPrint::PaintPreview()
{
    QPainter* p = PaintBox->Canvas()->Painter();
    p->fillRect(QRect(0, 0, PaintBox->Width(), PaintBox->Height()), Qt::white);
    const QRect page = ToQRect(page_), printable = ToQRect(printable_);
    p->fillRect(page.translated(6, 6), QColor(192, 192, 192));
    p->fillRect(page, Qt::white);
    if (composed_) {
        const QRect bounds = composed_->boundingRect();
        p->save();
        p->translate(printable.topLeft());
        p->scale(double(printable.width()) / std::max(1, bounds.width()),
                 double(printable.height()) / std::max(1, bounds.height()));
        p->drawPicture(0, 0, *composed_);
        p->restore();
    } else {
        const TRect r = Handle_->PictureRect();
        const QImage img = PictureImage(Handle_->Picture);
        if (!img.isNull())
            p->drawImage(ToQRect(r), img);
        if (!Handle_->PicCaption.isEmpty() && PicCaptionButton->Down()) {
            p->setFont(Handle_->PicCaptionFont()->ToQFont());
            p->setPen(ColorToQColor(Handle_->PicCaptionFont()->Color()));
            p->drawText(QRect(r.Left, r.Bottom, r.Width(), std::max(0, PaintBox->Height() - r.Bottom)),
                        Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, Handle_->PicCaption);
        }
    }
    p->setBrush(Qt::NoBrush);
    p->setPen(Qt::black);
    p->drawRect(page.adjusted(0, 0, -1, -1));
    p->setPen(QColor(0, 255, 0));
    p->drawRect(printable.adjusted(0, 0, -1, -1));
}

void TfrmPicPrint::DrawPage(QPainter& p, int width, int height)
{
    const double sx = double(width) / std::max(1, printable_.Width());
    const double sy = double(height) / std::max(1, printable_.Height());
    const TRect r = Handle_->PictureRect();
    const QRectF target((r.Left - printable_.Left) * sx, (r.Top - printable_.Top) * sy, r.Width() * sx,
                        r.Height() * sy);
    p.fillRect(QRect(0, 0, width, height), Qt::white);
    const QImage img = PictureImage(Handle_->Picture);
    if (!img.isNull())
        p.drawImage(target, img);
    if (!Handle_->PicCaption.isEmpty() && PicCaptionButton->Down()) {
        QFont font = Handle_->PicCaptionFont()->ToQFont();
        // The caption grows with the page as the preview shrank it.
        if (font.pixelSize() > 0)
            font.setPixelSize(std::max(1, int(std::lround(font.pixelSize() * sy))));
        else
            font.setPointSizeF(std::max(1.0, font.pointSizeF() * sy));
        p.setFont(font);
        p.setPen(ColorToQColor(Handle_->PicCaptionFont()->Color()));
        const double top = target.bottom();
        p.drawText(QRectF(target.left(), top, target.width(), std::max(0.0, height - top)),
                   Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, Handle_->PicCaption);
    }
}

void TfrmPicPrint::PrintClick()
{
    // The page as it will print, shown on the preview while the question stands.
    QPrinter* printer = Printer();
    composed_ = std::make_unique<QPicture>();
    {
        QPainter p(composed_.get());
        DrawPage(p, printer->width(), printer->height());
    }
    Handle_->Detach();
    PaintBox->Repaint();
    if (MessageDlg("Ausdruck starten ?", mtConfirmation, {mbYes, mbNo}) == mrYes) {
        printer->setDocName(Caption());
        // Colours follow the rule the lists print by; Qt's own guess would
        // print grey on every queue without a colour bit (raw queues too).
        if (printer->outputFormat() == QPrinter::NativeFormat)
            printer->setColorMode(rgDevicePrintsColour(printer->printerName()) ? QPrinter::Color : QPrinter::GrayScale);
        QPainter painter;
        if (painter.begin(printer)) {
            DrawPage(painter, printer->width(), printer->height());
            painter.end();
        } else {
            MessageDlg("Der Drucker ist nicht bereit: es wurde nichts gedruckt.", mtError, {mbOK});
        }
    }
    composed_.reset();
    Handle_->Attach();
    PaintBox->Invalidate();
}

// ---- TQKPicPrinter ----------------------------------------------------------------

TQKPicPrinter::TQKPicPrinter(TComponent* AOwner) : TComponent(AOwner)
{
    picCaptionFont_.SetName("Arial");
    picCaptionFont_.SetHeight(20);
    picCaptionFont_.Pitch = fpVariable;
    topFont_.SetName("Times New Roman");
    bottomFont_.SetName("Times New Roman");
}

bool TQKPicPrinter::Execute()
{
    if (!PrinterReachable()) {
        QApplication::beep();
        MessageDlg(kNoPrinterMessage, mtError, {mbOK});
        return false;
    }
    bool result = false;
    try {
        TfrmPicPrint form(this);
        const char* keys[] = {"PrintForm_Top", "PrintForm_Left", "PrintForm_Height", "PrintForm_Width"};
        if (!INIFileName.isEmpty()) {
            TIniFile ini(INIFileName);
            const int top = ini.ReadInteger("WinPos", keys[0], form.Top());
            const int left = ini.ReadInteger("WinPos", keys[1], form.Left());
            const int height = ini.ReadInteger("WinPos", keys[2], form.Height());
            const int width = ini.ReadInteger("WinPos", keys[3], form.Width());
            form.SetBounds(left, top, width, height);
        }
        form.IniFileName = INIFileName;
        form.TopCaption = TopCaption;
        form.BottomCaption = BottomCaption;
        form.Handle_->Picture = &picture_;
        form.Handle_->PicCaption = PicCaption;
        form.Handle_->SetPicCaptionFont(&picCaptionFont_);
        if (Orientation == qkpoPortrait)
            Printer()->setPageOrientation(QPageLayout::Portrait);
        else if (Orientation == qkpoLandscape)
            Printer()->setPageOrientation(QPageLayout::Landscape);
        if (!Caption.isEmpty())
            form.SetCaption(Caption);
        result = form.ShowModal() == mrOk;
        if (!INIFileName.isEmpty()) {
            form.SetWindowState(wsNormal);
            TIniFile ini(INIFileName);
            ini.BeginUpdate();
            ini.WriteInteger("WinPos", keys[0], form.Top());
            ini.WriteInteger("WinPos", keys[1], form.Left());
            ini.WriteInteger("WinPos", keys[2], form.Height());
            ini.WriteInteger("WinPos", keys[3], form.Width());
            ini.EndUpdate();
        }
    } catch (const std::exception&) {
        MessageDlg("Fehler beim erzeugen der Vorschau", mtError, {mbOK});
        return false;
    }
    return result;
}

bool TQKPicPrinter::PrintClipboard()
{
    if (!PrinterReachable()) {
        QApplication::beep();
        MessageDlg(kNoPrinterMessage, mtError, {mbOK});
        return false;
    }
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    const QImage img = data && data->hasImage() ? qvariant_cast<QImage>(data->imageData()) : QImage();
    if (img.isNull()) {
        MessageDlg("Keine gültige Bitmap im Clipboard", mtError, {mbOK});
        return false;
    }
    picture_.Bitmap()->SetImage(img);
    return Execute();
}
