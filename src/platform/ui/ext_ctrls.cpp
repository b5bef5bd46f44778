#include "platform/ui/ext_ctrls.h"

#include <QButtonGroup>
#include <QPainter>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QTimer>

#include "platform/core/exceptions.h"
#include "platform/ui/forms.h"

// ---- TTimer --------------------------------------------------------------
TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner), timer_(new QTimer())
{
    QObject::connect(timer_, &QTimer::timeout, [this] { Timer(); });
    Update();
}

TTimer::~TTimer()
{
    BeginDestroy();
    delete timer_;
}

void TTimer::SetEnabled(bool v)
{
    if (v == enabled_)
        return;
    enabled_ = v;
    Update();
}

void TTimer::SetInterval(int v)
{
    if (v == interval_)
        return;
    interval_ = v;
    Update();
}

void TTimer::Update()
{
    timer_->stop();
    if (enabled_ && interval_ > 0) {
        timer_->setInterval(interval_);
        timer_->start();
    }
}

void TTimer::Timer()
{
    if (!OnTimer)
        return;
    Application->Guarded(this, [this] { OnTimer(this); });
}

// ---- Frame3D -------------------------------------------------------------
void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width)
{
    Canvas->Pen.Width = 1;
    Canvas->Pen.Style = psSolid;
    Rect.Bottom--;
    Rect.Right--;
    for (int i = 0; i < Width; ++i) {
        Canvas->Pen.Color = TopColor;
        Canvas->MoveTo(Rect.Left, Rect.Bottom);
        Canvas->LineTo(Rect.Left, Rect.Top);
        Canvas->LineTo(Rect.Right, Rect.Top);
        Canvas->Pen.Color = BottomColor;
        Canvas->LineTo(Rect.Right, Rect.Bottom);
        Canvas->LineTo(Rect.Left - 1, Rect.Bottom);
        InflateRect(Rect, -1, -1);
    }
    Rect.Bottom++;
    Rect.Right++;
}

// ---- TPanel --------------------------------------------------------------
TPanel::TPanel(TComponent* AOwner) : TCustomControl(AOwner) { SetBounds(0, 0, 185, 41); }

void TPanel::Realign()
{
    AlignControls();
    Invalidate();
}

TRect TPanel::AdjustClientRect() const
{
    TRect r = ClientRect();
    int inset = borderWidth_;
    if (bevelOuter_ != bvNone)
        inset += bevelWidth_;
    if (bevelInner_ != bvNone)
        inset += bevelWidth_;
    if (borderStyle_ == bsSingle)
        inset += 1;
    InflateRect(r, -inset, -inset);
    return r;
}

void TPanel::Paint()
{
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    c->Brush.Color = Color();
    c->Brush.Style = bsSolid;
    c->FillRect(r);
    if (borderStyle_ == bsSingle)
        Frame3D(c, r, clWindowFrame, clWindowFrame, 1);
    auto bevel = [&](TPanelBevel b) {
        if (b == bvNone)
            return;
        TColor top = b == bvLowered ? clBtnShadow : clBtnHighlight;
        TColor bottom = b == bvLowered ? clBtnHighlight : clBtnShadow;
        Frame3D(c, r, top, bottom, bevelWidth_);
    };
    bevel(bevelOuter_);
    InflateRect(r, -borderWidth_, -borderWidth_);
    bevel(bevelInner_);
    if (!Caption().isEmpty()) {
        QPainter* p = c->Painter();
        p->setFont(Font()->ToQFont());
        p->setPen(ColorToQColor(Font()->Color()));
        int h = alignment_ == taCenter ? Qt::AlignHCenter : alignment_ == taRightJustify ? Qt::AlignRight : Qt::AlignLeft;
        p->drawText(QRect(r.Left, r.Top, r.Width(), r.Height()), h | Qt::AlignVCenter | Qt::TextShowMnemonic, Caption());
    }
}

// ---- THeader -------------------------------------------------------------
THeader::THeader(TComponent* AOwner) : TCustomControl(AOwner) { SetBounds(0, 0, 250, 25); }

void THeader::SetSections(const QStringList& v)
{
    sections_ = v;
    widths_.resize(size_t(v.size()), 100);
    Invalidate();
}

int THeader::SectionWidth(int Index) const
{
    return Index >= 0 && Index < int(widths_.size()) ? widths_[size_t(Index)] : 0;
}

void THeader::SetSectionWidth(int Index, int Width)
{
    if (Index < 0 || Index >= int(widths_.size()))
        return;
    widths_[size_t(Index)] = std::max(0, Width);
    Invalidate();
}

void THeader::Paint()
{
    QPainter* p = Canvas()->Painter();
    QWidget* widget = Handle();
    int left = 0;
    for (int i = 0; i < sections_.size(); ++i) {
        const bool last = i == sections_.size() - 1;
        const int width = last ? std::max(0, Width() - left) : widths_[size_t(i)];
        QStyleOptionHeader option;
        option.initFrom(widget);
        option.rect = QRect(left, 0, width, Height());
        option.text = sections_.at(i);
        option.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
        option.orientation = Qt::Horizontal;
        option.section = i;
        option.position = sections_.size() == 1 ? QStyleOptionHeader::OnlyOneSection
                          : i == 0              ? QStyleOptionHeader::Beginning
                          : last                ? QStyleOptionHeader::End
                                                : QStyleOptionHeader::Middle;
        p->setFont(Font()->ToQFont());
        widget->style()->drawControl(QStyle::CE_Header, &option, p, widget);
        left += width;
    }
}

// ---- TBevel --------------------------------------------------------------
TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) { SetBounds(0, 0, 50, 50); }

void TBevel::Paint()
{
    TCanvas* c = Canvas();
    TColor c1 = style_ == bsLowered ? clBtnShadow : clBtnHighlight;
    TColor c2 = style_ == bsLowered ? clBtnHighlight : clBtnShadow;
    int w = Width(), h = Height();
    auto line = [c](TColor col, int x1, int y1, int x2, int y2) {
        c->Pen.Color = col;
        c->MoveTo(x1, y1);
        c->LineTo(x2, y2);
    };
    TRect r = ClientRect();
    switch (shape_) {
    case bsBox: Frame3D(c, r, c1, c2, 1); break;
    case bsFrame:
        r.Right--, r.Bottom--;
        Frame3D(c, r, c1, c1, 1);
        r = Rect(1, 1, w, h);
        Frame3D(c, r, c2, c2, 1);
        break;
    case bsTopLine: line(c1, 0, 0, w, 0); line(c2, 0, 1, w, 1); break;
    case bsBottomLine: line(c1, 0, h - 2, w, h - 2); line(c2, 0, h - 1, w, h - 1); break;
    case bsLeftLine: line(c1, 0, 0, 0, h); line(c2, 1, 0, 1, h); break;
    case bsRightLine: line(c1, w - 2, 0, w - 2, h); line(c2, w - 1, 0, w - 1, h); break;
    case bsSpacer: break;
    }
}

// ---- TImage --------------------------------------------------------------
TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner)
{
    SetBounds(0, 0, 105, 105);
    picture_.OnChange = [this](TObject*) { PictureChanged(); };
}

TImage::~TImage()
{
    BeginDestroy();
    picture_.OnChange = nullptr;
}

void TImage::SetTransparent(bool v)
{
    transparent_ = v;
    if (picture_.Graphic())
        picture_.Graphic()->Transparent = v;
    Invalidate();
}

void TImage::SetAutoSize(bool v)
{
    autoSize_ = v;
    PictureChanged();
}

void TImage::PictureChanged()
{
    if (Destroying())
        return;
    if (picture_.Graphic())
        picture_.Graphic()->Transparent = transparent_;
    if (autoSize_ && picture_.Width() > 0 && picture_.Height() > 0)
        SetBounds(Left(), Top(), picture_.Width(), picture_.Height());
    Invalidate();
}

TCanvas* TImage::ImageCanvas()
{
    TBitmap* bmp = picture_.Bitmap();
    if (bmp->Empty())
        bmp->SetSize(Width(), Height());
    Invalidate();
    return bmp->Canvas();
}

TRect TImage::DestRect() const
{
    int w = picture_.Width(), h = picture_.Height();
    int cw = Width(), ch = Height();
    if (stretch_ || (proportional_ && (w > cw || h > ch))) {
        if (proportional_ && w > 0 && h > 0) {
            double s = std::min(double(cw) / w, double(ch) / h);
            w = int(w * s);
            h = int(h * s);
        } else {
            w = cw;
            h = ch;
        }
    }
    if (center_)
        return Bounds((cw - w) / 2, (ch - h) / 2, w, h);
    return Bounds(0, 0, w, h);
}

void TImage::Paint()
{
    if (TGraphic* g = picture_.Graphic())
        Canvas()->StretchDraw(DestRect(), g);
}

// ---- TShape --------------------------------------------------------------
TShape::TShape(TComponent* AOwner) : TGraphicControl(AOwner) { SetBounds(0, 0, 65, 65); }

void TShape::Paint()
{
    TCanvas* c = Canvas();
    c->Pen.Assign(&Pen);
    c->Brush.Assign(&Brush);
    int pw = Pen.Width, x = pw / 2, y = pw / 2;
    int w = Width() - pw + 1, h = Height() - pw + 1;
    if (pw == 0) {
        --w;
        --h;
    }
    if (shape_ == stSquare || shape_ == stRoundSquare || shape_ == stCircle) {
        int s = std::min(w, h);
        x += (w - s) / 2;
        y += (h - s) / 2;
        w = h = s;
    }
    switch (shape_) {
    case stRectangle: case stSquare: c->Rectangle(x, y, x + w, y + h); break;
    case stRoundRect: case stRoundSquare: c->RoundRect(x, y, x + w, y + h, std::min(w, h) / 4, std::min(w, h) / 4); break;
    case stEllipse: case stCircle: c->Ellipse(x, y, x + w, y + h); break;
    }
}

// ---- TPaintBox -----------------------------------------------------------
TPaintBox::TPaintBox(TComponent* AOwner) : TGraphicControl(AOwner) { SetBounds(0, 0, 105, 105); }

void TPaintBox::Paint()
{
    if (OnPaint)
        OnPaint(this);
}

// ---- TSplitter -----------------------------------------------------------
TSplitter::TSplitter(TComponent* AOwner) : TGraphicControl(AOwner)
{
    SetBounds(0, 0, 3, 100);
    SetAlign(alLeft);
    SetCursor(crHSplit);
}

TControl* TSplitter::FindControl() const
{
    if (!Parent())
        return nullptr;
    // The neighbour on the side the splitter is aligned to.
    for (int i = 0; i < Parent()->ControlCount(); ++i) {
        TControl* c = Parent()->Controls(i);
        if (c == this || !c->Visible() || c->Align() != Align())
            continue;
        switch (Align()) {
        case alLeft: if (c->Left() + c->Width() == Left()) return c; break;
        case alRight: if (c->Left() == Left() + Width()) return c; break;
        case alTop: if (c->Top() + c->Height() == Top()) return c; break;
        case alBottom: if (c->Top() == Top() + Height()) return c; break;
        default: break;
        }
    }
    return nullptr;
}

void TSplitter::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    TControl* c = FindControl();
    if (Button != mbLeft || !c)
        return;
    dragging_ = true;
    bool horizontal = Align() == alLeft || Align() == alRight;
    startPos_ = horizontal ? Left() + X : Top() + Y;
    startSize_ = horizontal ? c->Width() : c->Height();
}

void TSplitter::MouseMove(TShiftState Shift, int X, int Y)
{
    TGraphicControl::MouseMove(Shift, X, Y);
    TControl* c = dragging_ ? FindControl() : nullptr;
    if (!c)
        return;
    bool horizontal = Align() == alLeft || Align() == alRight;
    int pos = horizontal ? Left() + X : Top() + Y;
    int delta = pos - startPos_;
    if (Align() == alRight || Align() == alBottom)
        delta = -delta;
    int size = std::max(MinSize, startSize_ + delta);
    if (horizontal)
        c->SetWidth(size);
    else
        c->SetHeight(size);
}

void TSplitter::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (dragging_ && OnMoved)
        OnMoved(this);
    dragging_ = false;
}

void TSplitter::Paint()
{
    TCanvas* c = Canvas();
    c->Brush.Color = Color();
    c->FillRect(ClientRect());
}

// ---- TRadioGroup ---------------------------------------------------------
class TRadioGroupStrings : public TItemStrings {
public:
    explicit TRadioGroupStrings(TRadioGroup* g) : g_(g) {}
    int Count() const override { return int(g_->texts_.size()); }
    QString Get(int i) const override { return g_->texts_.at(Check(i)); }
    void Put(int i, const QString& s) override { g_->texts_[Check(i)] = s; g_->Rebuild(); }
    void Insert(int i, const QString& s) override
    {
        if (i < 0 || i > Count())
            throw EListError("Listenindex überschreitet das Maximum");
        g_->texts_.insert(i, s);
        if (!updating_)
            g_->Rebuild();
    }
    void Delete(int i) override { g_->texts_.removeAt(Check(i)); g_->Rebuild(); }
    void Clear() override { g_->texts_.clear(); g_->itemIndex_ = -1; g_->Rebuild(); }
    void BeginUpdate() override { updating_ = true; }
    void EndUpdate() override { updating_ = false; g_->Rebuild(); }

private:
    int Check(int i) const
    {
        if (i < 0 || i >= Count())
            throw EListError("Listenindex überschreitet das Maximum");
        return i;
    }
    TRadioGroup* g_;
    bool updating_ = false;
};

TRadioGroup::TRadioGroup(TComponent* AOwner) : TGroupBox(AOwner), items_(std::make_unique<TRadioGroupStrings>(this)) {}

TRadioGroup::~TRadioGroup() { BeginDestroy(); }

void TRadioGroup::SetItemIndex(int v)
{
    if (v < -1 || v >= int(buttons_.size()))
        v = -1;
    itemIndex_ = v;
    for (size_t i = 0; i < buttons_.size(); ++i) {
        QSignalBlocker block(buttons_[i]);
        buttons_[i]->setAutoExclusive(false);
        buttons_[i]->setChecked(int(i) == v);
        buttons_[i]->setAutoExclusive(true);
    }
}

void TRadioGroup::SetColumns(int v)
{
    columns_ = std::clamp(v, 1, 16);
    Rebuild();
}

void TRadioGroup::Resize()
{
    TGroupBox::Resize();
    Rebuild();
}

void TRadioGroup::Rebuild()
{
    if (Destroying())
        return;
    while (buttons_.size() > size_t(texts_.size())) {
        delete buttons_.back();
        buttons_.pop_back();
    }
    while (buttons_.size() < size_t(texts_.size())) {
        auto* b = new QRadioButton(Handle());
        int index = int(buttons_.size());
        QObject::connect(b, &QRadioButton::clicked, b, [this, index] {
            if (itemIndex_ != index) {
                itemIndex_ = index;
                Dispatch([this] { Click(); });
            }
        });
        b->show();
        buttons_.push_back(b);
    }
    TRect area = AdjustClientRect();
    int rows = (int(buttons_.size()) + columns_ - 1) / std::max(1, columns_);
    int colWidth = (area.Width() - 8) / columns_;
    int rowHeight = rows > 0 ? (area.Height() - 4) / rows : 0;
    for (size_t i = 0; i < buttons_.size(); ++i) {
        int col = int(i) / std::max(1, rows), row = int(i) % std::max(1, rows);
        buttons_[i]->setText(texts_[int(i)]);
        buttons_[i]->setGeometry(area.Left + 8 + col * colWidth, area.Top + 2 + row * rowHeight, colWidth, std::max(1, rowHeight));
    }
    SetItemIndex(itemIndex_);
}

// ---- TScrollBox ----------------------------------------------------------
TScrollBox::TScrollBox(TComponent* AOwner) : TWinControl(AOwner)
{
    auto* area = new QScrollArea();
    inner_ = new QWidget();
    area->setWidget(inner_);
    area->setWidgetResizable(false);
    SetHandle(area);
    BridgeWidget(area->viewport());
    SetBounds(0, 0, 185, 41);
}

QScrollArea* TScrollBox::Area() const { return static_cast<QScrollArea*>(Handle()); }
int TScrollBox::ClientWidth() const { return Area()->viewport()->width(); }
int TScrollBox::ClientHeight() const { return Area()->viewport()->height(); }

void TScrollBox::UpdateRange()
{
    int w = 0, h = 0;
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* c = Controls(i);
        if (c->Visible() && c->Align() == alNone) {
            w = std::max(w, c->Left() + c->Width());
            h = std::max(h, c->Top() + c->Height());
        }
    }
    inner_->resize(std::max(w, ClientWidth()), std::max(h, ClientHeight()));
}

void TScrollBox::WidgetResized()
{
    // The area sets its ranges once shown; a position asked for before
    // that is applied then.
    if (pendingH_ < 0 && pendingV_ < 0)
        return;
    QTimer::singleShot(0, Area(), [this] {
        if (pendingH_ >= 0)
            Area()->horizontalScrollBar()->setValue(pendingH_);
        if (pendingV_ >= 0)
            Area()->verticalScrollBar()->setValue(pendingV_);
        pendingH_ = pendingV_ = -1;
    });
}

void TScrollBox::ScrollInView(TControl* c)
{
    UpdateRange();
    Area()->ensureWidgetVisible(c->Handle());
}

int TScrollBox::HorzPosition() const { return Area()->horizontalScrollBar()->value(); }
int TScrollBox::VertPosition() const { return Area()->verticalScrollBar()->value(); }
void TScrollBox::SetHorzPosition(int v)
{
    UpdateRange();
    Area()->horizontalScrollBar()->setValue(v);
    pendingH_ = Area()->horizontalScrollBar()->value() == v || Area()->isVisible() ? -1 : v;
}

void TScrollBox::SetVertPosition(int v)
{
    UpdateRange();
    Area()->verticalScrollBar()->setValue(v);
    pendingV_ = Area()->verticalScrollBar()->value() == v || Area()->isVisible() ? -1 : v;
}

// ---- TNotebook -----------------------------------------------------------
TPage::TPage(TComponent* AOwner) : TCustomControl(AOwner) {}

void TPage::Paint()
{
    Canvas()->Brush.Color = Color();
    Canvas()->FillRect(ClientRect());
}

TNotebook::TNotebook(TComponent* AOwner) : TCustomControl(AOwner) { SetBounds(0, 0, 150, 150); }

TPage* TNotebook::AddPage(const QString& Name)
{
    auto* page = new TPage(this);
    page->SetCaption(Name);
    page->SetParentColor(true);
    page->SetParent(this);
    page->SetAlign(alClient);
    pages_.push_back(page);
    if (pageIndex_ < 0)
        pageIndex_ = 0;
    ShowPage();
    return page;
}

QStringList TNotebook::Pages() const
{
    QStringList names;
    for (TPage* p : pages_)
        names << p->Caption();
    return names;
}

void TNotebook::SetPageIndex(int v)
{
    if (v < 0 || v >= PageCount() || v == pageIndex_)
        return;
    pageIndex_ = v;
    ShowPage();
    if (OnPageChanged)
        Dispatch([this] { OnPageChanged(this); });
}

QString TNotebook::ActivePage() const { return pageIndex_ >= 0 ? pages_[size_t(pageIndex_)]->Caption() : QString(); }

void TNotebook::SetActivePage(const QString& name)
{
    int i = int(Pages().indexOf(name));
    if (i < 0)
        throw EListError("Seite \"" + name + "\" nicht gefunden");
    SetPageIndex(i);
}

void TNotebook::Resize()
{
    TCustomControl::Resize();
    AlignControls();
}

void TNotebook::ShowPage()
{
    for (size_t i = 0; i < pages_.size(); ++i)
        pages_[i]->SetVisible(int(i) == pageIndex_);
    AlignControls();
}
