#include "imaging/image_toolbar.h"

#include <QPainter>
#include <QPainterPath>

#include "imaging/image_window.h"
#include "platform/ui/std_ctrls.h"

namespace {

const char* const kGlyphNames[kToolButtonCount] = {
    "IB_SCAN",     "IB_OPEN",      "IB_SAVE",    "IB_COPY",     "IB_PASTE",   "IB_PRINT",
    "IB_FITBEST",  "IB_FITTOWIDTH", "IB_FITTOHEIGHT", "IB_FITINWINDOW", "IB_FITRELEASE",
    "IB_ROT90",    "IB_ROT270",    "IB_ROT180",  "IB_FLIP_HORZ", "IB_FLIP_VERT", "IB_CROP",
    "IB_ZOOMIN",   "IB_ZOOMOUT",   "IB_PALETTE", "IB_IMAGEOP",  "IB_INFO",    "IB_ABOUT"};

const char* const kHints[kToolButtonCount] = {
    "Scanner",     "Open",        "Save",         "Copy",          "Paste",       "Print",
    "Fit Best",    "Fit to Width", "Fit to Height", "Fit in Window", "Fit Release",
    "Rotate 90",   "Rotate 270",  "Rotate 180",   "Flip Horizontal", "Flip Vertical", "Crop",
    "Zoom In",     "Zoom Out",    "Palette",      "Image Operations", "Image Information", "About"};

void Arrow(QPainter& p, QPointF from, QPointF to)
{
    p.drawLine(from, to);
    const QLineF l(to, from);
    QLineF a = l;
    a.setLength(4);
    a.setAngle(l.angle() + 35);
    QLineF b = l;
    b.setLength(4);
    b.setAngle(l.angle() - 35);
    p.drawLine(a);
    p.drawLine(b);
}

void Page(QPainter& p, QRectF r, QColor fill = Qt::white)
{
    p.setBrush(fill);
    p.drawRect(r);
    p.setBrush(Qt::NoBrush);
}

void Turn(QPainter& p, int startDeg, int spanDeg)
{
    const QRectF box(4, 4, 12, 12);
    p.drawArc(box, startDeg * 16, spanDeg * 16);
    QPainterPath path;
    path.arcMoveTo(box, startDeg + spanDeg);
    const QPointF end = path.currentPosition();
    const double dir = spanDeg > 0 ? 1 : -1;
    p.drawLine(end, end + QPointF(-3 * dir, -1));
    p.drawLine(end, end + QPointF(0, 3 * dir));
}

void Magnifier(QPainter& p, bool plus)
{
    p.drawEllipse(QRectF(3, 3, 10, 10));
    p.setPen(QPen(Qt::black, 2.5));
    p.drawLine(QPointF(12, 12), QPointF(17, 17));
    p.setPen(QPen(Qt::black, 1.2));
    p.drawLine(QPointF(5.5, 8), QPointF(10.5, 8));
    if (plus)
        p.drawLine(QPointF(8, 5.5), QPointF(8, 10.5));
}

}  // namespace

QStringList DefaultToolBarHints()
{
    QStringList list;
    for (const char* h : kHints)
        list << h;
    list << "No Function";
    return list;
}

QImage ToolBarGlyph(const QString& name)
{
    // Buttons leave out the colour of the bottom-left pixel: fuchsia.
    QImage img(20, 20, QImage::Format_RGB32);
    img.fill(QColor(255, 0, 255));
    QPainter p(&img);
    p.setPen(QPen(Qt::black, 1.2));
    const QColor blue(30, 80, 200), yellow(240, 200, 60);
    if (name == "IB_SCAN") {
        Page(p, QRectF(2, 9, 16, 7), QColor(200, 200, 200));
        p.setPen(QPen(blue, 1.5));
        p.drawLine(QPointF(4, 12), QPointF(16, 12));
        p.setPen(QPen(Qt::black, 1.2));
        Page(p, QRectF(5, 2, 10, 6));
    } else if (name == "IB_OPEN") {
        p.setBrush(yellow);
        p.drawPolygon(QPolygonF({{2, 6}, {7, 6}, {9, 8}, {17, 8}, {17, 16}, {2, 16}}));
    } else if (name == "IB_SAVE") {
        Page(p, QRectF(3, 3, 14, 14), blue);
        Page(p, QRectF(6, 3, 8, 5));
        Page(p, QRectF(6, 11, 8, 6), QColor(220, 220, 220));
    } else if (name == "IB_COPY") {
        Page(p, QRectF(3, 2, 9, 11));
        Page(p, QRectF(8, 7, 9, 11));
    } else if (name == "IB_PASTE") {
        Page(p, QRectF(3, 4, 12, 14), QColor(190, 140, 80));
        Page(p, QRectF(8, 8, 9, 10));
    } else if (name == "IB_PRINT") {
        Page(p, QRectF(6, 2, 8, 6));
        Page(p, QRectF(2, 8, 16, 7), QColor(200, 200, 200));
        Page(p, QRectF(6, 13, 8, 5));
    } else if (name.startsWith("IB_FIT")) {
        p.setPen(QPen(Qt::gray, 1));
        p.drawRect(QRectF(2, 2, 16, 16));
        p.setPen(QPen(blue, 1.4));
        if (name == "IB_FITBEST") {
            p.drawRect(QRectF(5, 5, 10, 10));
        } else if (name == "IB_FITTOWIDTH") {
            Arrow(p, {10, 10}, {3, 10});
            Arrow(p, {10, 10}, {17, 10});
        } else if (name == "IB_FITTOHEIGHT") {
            Arrow(p, {10, 10}, {10, 3});
            Arrow(p, {10, 10}, {10, 17});
        } else if (name == "IB_FITINWINDOW") {
            Arrow(p, {10, 10}, {4, 4});
            Arrow(p, {10, 10}, {16, 16});
        } else {
            p.drawText(QRectF(2, 2, 16, 16), Qt::AlignCenter, "1:1");
        }
    } else if (name == "IB_ROT90") {
        p.setPen(QPen(blue, 1.5));
        Turn(p, 90, -270);
    } else if (name == "IB_ROT270") {
        p.setPen(QPen(blue, 1.5));
        Turn(p, 90, 270);
    } else if (name == "IB_ROT180") {
        p.setPen(QPen(blue, 1.5));
        Turn(p, 0, 180);
    } else if (name == "IB_FLIP_HORZ") {
        p.setBrush(blue);
        p.drawPolygon(QPolygonF({{9, 4}, {9, 16}, {2, 16}}));
        p.setBrush(Qt::NoBrush);
        p.drawPolygon(QPolygonF({{11, 4}, {11, 16}, {18, 16}}));
    } else if (name == "IB_FLIP_VERT") {
        p.setBrush(blue);
        p.drawPolygon(QPolygonF({{4, 9}, {16, 9}, {16, 2}}));
        p.setBrush(Qt::NoBrush);
        p.drawPolygon(QPolygonF({{4, 11}, {16, 11}, {16, 18}}));
    } else if (name == "IB_CROP") {
        p.setPen(QPen(Qt::black, 2));
        p.drawPolyline(QPolygonF({{5, 1}, {5, 15}, {19, 15}}));
        p.drawPolyline(QPolygonF({{1, 5}, {15, 5}, {15, 19}}));
    } else if (name == "IB_ZOOMIN" || name == "IB_ZOOMOUT") {
        Magnifier(p, name == "IB_ZOOMIN");
    } else if (name == "IB_PALETTE") {
        const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};
        for (int i = 0; i < 4; ++i) {
            p.setBrush(colours[i]);
            p.drawRect(QRectF(2 + (i % 2) * 8, 2 + (i / 2) * 8, 7, 7));
        }
    } else if (name == "IB_IMAGEOP") {
        Page(p, QRectF(2, 4, 14, 12), QColor(160, 210, 240));
        p.setPen(QPen(QColor(150, 90, 30), 2));
        p.drawLine(QPointF(9, 17), QPointF(18, 3));
    } else if (name == "IB_INFO" || name == "IB_ABOUT") {
        p.setBrush(name == "IB_INFO" ? blue : QColor(40, 140, 60));
        p.drawEllipse(QRectF(2, 2, 16, 16));
        p.setPen(Qt::white);
        QFont f = p.font();
        f.setBold(true);
        f.setPixelSize(12);
        p.setFont(f);
        p.drawText(QRectF(2, 2, 16, 16), Qt::AlignCenter, name == "IB_INFO" ? "i" : "?");
    } else if (name == "IB_LEFTBTN" || name == "IB_RIGHTBTN") {
        p.setBrush(Qt::black);
        if (name == "IB_LEFTBTN")
            p.drawPolygon(QPolygonF({{12, 5}, {12, 15}, {6, 10}}));
        else
            p.drawPolygon(QPolygonF({{8, 5}, {8, 15}, {14, 10}}));
    }
    return img;
}

// ---- TLLToolbar ---------------------------------------------------------------

TLLToolbar::TLLToolbar(TComponent* AOwner) : TPanel(AOwner)
{
    SetCaption(QString());
    SetBevelOuter(bvNone);
    SetBevelInner(bvNone);
    TPanel::SetBounds(Left(), Top(), Width(), kToolBarHeight);
    SetShowHint(true);
    for (int i = 0; i < kToolButtonCount; ++i) {
        auto* b = new TLLButton(this);
        b->Index = TLLToolBtns(i);
        b->SetParent(this);
        b->SetBounds(kToolButtonSize * i, 0, kToolButtonSize, kToolButtonSize);
        b->SetFlat(true);
        TBitmap glyph;
        glyph.SetImage(ToolBarGlyph(kGlyphNames[i]));
        b->SetGlyph(&glyph);
        b->SetHint(kHints[i]);
        b->SetShowHint(true);
        b->OnClick = [this, b](TObject*) { ButtonClick(b->Index); };
        buttons_[size_t(i)] = b;
    }
    filler_ = new TSpeedButton(this);
    filler_->SetParent(this);
    filler_->SetFlat(true);
    filler_->SetHint("No function");
    filler_->SetShowHint(true);
    SetButtons(-1);
}

void TLLToolbar::SetButtons(int mask)
{
    mask_ = mask;
    visibleCount_ = 0;
    offset_ = 0;
    leftmost_ = rightmost_ = nullptr;
    for (int i = 0; i < kToolButtonCount; ++i) {
        TLLButton* b = buttons_[size_t(i)];
        const bool visible = (mask >> i) & 1;
        b->SetVisible(visible);
        if (visible) {
            b->SetBounds(kToolButtonSize * visibleCount_, 0, kToolButtonSize, kToolButtonSize);
            ++visibleCount_;
            if (!leftmost_)
                leftmost_ = b;
            rightmost_ = b;
        } else {
            b->SetBounds(-30, 0, kToolButtonSize, kToolButtonSize);
        }
    }
    PlaceFiller(true);
}

void TLLToolbar::SetHints(const QStringList& hints)
{
    for (int i = 0; i <= std::min(kToolButtonCount - 1, int(hints.size()) - 1); ++i)
        buttons_[size_t(i)]->SetHint(hints[i]);
    if (hints.size() == kToolButtonCount + 1)
        filler_->SetHint(hints[kToolButtonCount]);
}

void TLLToolbar::SetButtonsShowHint(bool flag)
{
    for (TLLButton* b : buttons_)
        b->SetShowHint(flag);
    filler_->SetShowHint(flag);
}

void TLLToolbar::PlaceFiller(bool show)
{
    const int width = Width() - TotalWidth();
    if (!show || width <= 0) {
        filler_->SetVisible(false);
        return;
    }
    filler_->SetBounds(TotalWidth(), 0, width, kToolButtonSize);
    filler_->SetVisible(true);
}

bool TLLToolbar::Scroll(int delta)
{
    if (!leftmost_ || delta == 0)
        return false;
    int applied = 0;
    if (delta < 0) {
        // The rightmost button stops at the right edge.
        const int room = rightmost_->Left() - (Width() - kToolButtonSize);
        applied = room > 0 ? std::max(delta, -room) : 0;
    } else {
        const int room = -leftmost_->Left();
        applied = room > 0 ? std::min(delta, room) : 0;
    }
    if (applied == 0)
        return false;
    for (TLLButton* b : buttons_)
        if (b->Visible())
            b->SetLeft(b->Left() + applied);
    offset_ += applied;
    return true;
}

void TLLToolbar::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    const bool resized = AWidth != Width() || AHeight != Height();
    TPanel::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (!resized || !filler_)
        return;
    if (TotalWidth() + offset_ >= Width() && TotalWidth() > Width()) {
        PlaceFiller(true);
    } else {
        Scroll(-offset_);
        PlaceFiller(true);
    }
}

// ---- TImageToolBar --------------------------------------------------------------

void TImageToolBar::ButtonClick(TLLToolBtns Index)
{
    TImageWindow* w = window_;
    switch (Index) {
    case Scan: w->AcquireFromScanner(); break;
    case Open: w->LoadFromFile(QString(), 0, 0); break;
    case Save: w->SaveAs(); break;
    case cCopy: w->CopyToClipboard(); break;
    case Paste: w->PasteFromClipboard(); break;
    case Print: w->Print(); break;
    case FitBest: w->FitBest(); break;
    case FitToWidth: w->FitToWidth(); break;
    case FitToHeight: w->FitToHeight(); break;
    case FitInWindow: w->FitInWindow(); break;
    case FitRelease: w->ShowOriginalSize(); break;
    case Rotate90: w->Rotate90(); break;
    case Rotate270: w->Rotate270(); break;
    case Rotate180: w->Rotate180(); break;
    case FlipHorz: w->FlipHorizontal(); break;
    case FlipVert: w->FlipVertical(); break;
    case Crop:
        if (w->SelectionPresent())
            w->Crop();
        break;
    case ZoomIn: w->ZoomInByIncrement(); break;
    case ZoomOut: w->ZoomOutByIncrement(); break;
    case Palette: w->TogglePalette(); break;
    case ImageOp: w->ShowImageOperations(); break;
    case Info: w->ShowImageInformation(); break;
    case About: {
        TDlgAbout dlg(Application);
        dlg.ShowModal();
        break;
    }
    default: break;
    }
}

// ---- TDlgAbout ------------------------------------------------------------------

TDlgAbout::TDlgAbout(TComponent* AOwner) : TForm(AOwner)
{
    Name = "DlgAbout";
    SetCaption("About");
    SetBorderStyle(bsDialog);
    SetClientWidth(300);
    SetClientHeight(120);
    Product = new TLabel(this);
    Product->SetParent(this);
    Product->SetBounds(16, 16, 270, 18);
    Product->SetCaption("Lumadex Picture Objects");
    Version = new TLabel(this);
    Version->SetParent(this);
    Version->SetBounds(16, 42, 270, 18);
    Version->SetCaption(QString("Version 1.50 (Qt %1, GraphicsMagick, libtiff, SANE)").arg(qVersion()));
    OkButton = new TButton(this);
    OkButton->SetParent(this);
    OkButton->SetBounds(112, 80, 75, 25);
    OkButton->SetCaption("OK");
    OkButton->ModalResult = mrOk;
    OkButton->SetDefault(true);
    Loaded();
}

// ---- the window's toolbar -------------------------------------------------------

int TImageWindow::ToolBarHeight() const
{
    return showToolbar_ && toolBar_ ? kToolBarHeight : 0;
}

void TImageWindow::CreateToolBar()
{
    if (toolBar_)
        return;
    toolBar_ = new TImageToolBar(this, this);
    toolBar_->SetParent(this);
    toolBar_->SetButtons(toolBarSetup_);
    toolBar_->SetHints(toolBarHints_);
    auto makeScroll = [this](const char* glyphName) {
        auto* b = new TSpeedButton(this);
        b->SetParent(this);
        b->SetFlat(true);
        TBitmap glyph;
        glyph.SetImage(ToolBarGlyph(glyphName));
        b->SetGlyph(&glyph);
        return b;
    };
    toolLeft_ = makeScroll("IB_LEFTBTN");
    toolRight_ = makeScroll("IB_RIGHTBTN");
    toolLeft_->OnClick = [this](TObject*) {
        if (toolBar_->Scroll(kToolButtonSize))
            toolRight_->SetEnabled(true);
        else
            toolLeft_->SetEnabled(false);
    };
    toolRight_->OnClick = [this](TObject*) {
        if (toolBar_->Scroll(-kToolButtonSize))
            toolLeft_->SetEnabled(true);
        else
            toolRight_->SetEnabled(false);
    };
    SetToolBarShowHint(toolBarShowHint_);
}

void TImageWindow::DestroyToolBar()
{
    if (!toolBar_)
        return;
    toolBarSetup_ = toolBar_->GetButtons();
    delete toolBar_;
    delete toolLeft_;
    delete toolRight_;
    toolBar_ = nullptr;
    toolLeft_ = toolRight_ = nullptr;
}

void TImageWindow::PlaceToolBar(bool sized)
{
    if (!toolBar_)
        return;
    toolBar_->SetBounds(18, 0, std::max(0, Width() - 37), kToolBarHeight);
    toolLeft_->SetBounds(0, 0, 18, kToolBarHeight);
    toolRight_->SetBounds(Width() - 18, 0, 18, kToolBarHeight);
    if (!sized)
        return;
    toolBar_->Scroll(-toolBar_->Offset());
    const bool scrolls = toolBar_->TotalWidth() >= toolBar_->Width();
    toolLeft_->SetEnabled(scrolls);
    toolRight_->SetEnabled(scrolls);
}

void TImageWindow::SetShowToolbar(bool v)
{
    if (v == showToolbar_)
        return;
    showToolbar_ = v;
    if (v) {
        CreateToolBar();
    } else {
        DestroyToolBar();
    }
    Layout();
    PlaceToolBar(true);
    holder_->Redraw(true);
}

int TImageWindow::ToolBarSetup() const
{
    return toolBar_ ? toolBar_->GetButtons() : toolBarSetup_;
}

void TImageWindow::SetToolBarSetup(int v)
{
    toolBarSetup_ = v;
    if (toolBar_) {
        toolBar_->SetButtons(v);
        PlaceToolBar(true);
    }
}

void TImageWindow::SetToolBarHints(const QStringList& v)
{
    toolBarHints_ = v;
    if (toolBar_)
        toolBar_->SetHints(v);
}

void TImageWindow::SetToolBarShowHint(bool v)
{
    toolBarShowHint_ = v;
    if (!toolBar_)
        return;
    toolBar_->SetButtonsShowHint(v);
    toolLeft_->SetShowHint(v);
    toolRight_->SetShowHint(v);
}
