#include "platform/ui/com_ctrls.h"

#include <QProgressBar>
#include <QTabBar>
#include <QTabWidget>

#include "platform/ui/ext_ctrls.h"
#include "platform/ui/forms.h"

// ---- TTabSheet -----------------------------------------------------------
TTabSheet::TTabSheet(TComponent* AOwner) : TWinControl(AOwner)
{
    Handle()->setAutoFillBackground(false);
}

TTabSheet::~TTabSheet()
{
    BeginDestroy();
    if (pageControl_)
        pageControl_->RemovePage(this);
}

void TTabSheet::SetPageControl(TPageControl* p) { SetParent(p); }

void TTabSheet::SetParent(TWinControl* AParent)
{
    if (pageControl_ && pageControl_ != AParent) {
        pageControl_->RemovePage(this);
        pageControl_ = nullptr;
    }
    TWinControl::SetParent(AParent);
    if (auto pc = dynamic_cast<TPageControl*>(AParent); pc && pc != pageControl_) {
        pageControl_ = pc;
        pc->InsertPage(this);
    }
}

int TTabSheet::PageIndex() const
{
    if (!pageControl_)
        return -1;
    auto& pages = pageControl_->pages_;
    return int(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetTabVisible(bool v)
{
    tabVisible_ = v;
    if (pageControl_)
        pageControl_->SyncTabs();
}

int TTabSheet::ClientWidth() const { return pageControl_ ? Handle()->width() : TWinControl::ClientWidth(); }
int TTabSheet::ClientHeight() const { return pageControl_ ? Handle()->height() : TWinControl::ClientHeight(); }

void TTabSheet::WidgetResized()
{
    if (pageControl_) {
        QRect g = Handle()->geometry();
        StoreBounds(g.x(), g.y(), g.width(), g.height());
        AlignControls();
    }
}

void TTabSheet::TextChanged()
{
    if (pageControl_)
        pageControl_->SyncTabs();
}

void TTabSheet::ApplyBounds()
{
    if (!pageControl_)
        TWinControl::ApplyBounds();
}

void TTabSheet::ApplyVisible()
{
    if (!pageControl_)
        TWinControl::ApplyVisible();
}

// ---- TPageControl --------------------------------------------------------
TPageControl::TPageControl(TComponent* AOwner) : TWinControl(AOwner)
{
    auto* t = new QTabWidget();
    SetHandle(t);
    SetTabStop(true);
    SetBounds(0, 0, 289, 193);
    QObject::connect(t, &QTabWidget::currentChanged, t, [this](int) {
        if (syncing_ || !CanDispatch())
            return;
        TTabSheet* next = ActivePage();
        int nextIndex = next ? next->PageIndex() : -1;
        if (nextIndex == shownIndex_)
            return;
        bool allow = true;
        if (OnChanging)
            Dispatch([&] { OnChanging(this, allow); });
        if (!allow && shownIndex_ >= 0 && shownIndex_ < PageCount()) {
            syncing_ = true;
            Tabs()->setCurrentWidget(pages_[size_t(shownIndex_)]->Handle());
            syncing_ = false;
            return;
        }
        shownIndex_ = nextIndex;
        if (OnChange)
            Dispatch([this] { OnChange(this); });
    });
}

TPageControl::~TPageControl()
{
    BeginDestroy();
    Tabs()->blockSignals(true);
    // The sheets go with the parent's children; they must not call back.
    for (TTabSheet* p : pages_)
        p->pageControl_ = nullptr;
    pages_.clear();
}

QTabWidget* TPageControl::Tabs() const { return static_cast<QTabWidget*>(Handle()); }

void TPageControl::InsertPage(TTabSheet* p)
{
    pages_.push_back(p);
    SyncTabs();
}

void TPageControl::RemovePage(TTabSheet* p)
{
    pages_.erase(std::remove(pages_.begin(), pages_.end(), p), pages_.end());
    if (!Destroying())
        SyncTabs();
}

void TPageControl::SyncTabs()
{
    syncing_ = true;
    QTabWidget* t = Tabs();
    QWidget* current = t->currentWidget();
    for (size_t i = 0; i < pages_.size(); ++i) {
        QWidget* w = pages_[i]->Handle();
        int at = t->indexOf(w);
        if (at != int(i)) {
            if (at >= 0)
                t->removeTab(at);
            t->insertTab(int(i), w, pages_[i]->Caption());
        }
        t->setTabText(int(i), pages_[i]->Caption());
        t->setTabVisible(int(i), pages_[i]->TabVisible());
    }
    if (current && t->indexOf(current) >= 0)
        t->setCurrentWidget(current);
    TTabSheet* a = ActivePage();
    shownIndex_ = a ? a->PageIndex() : -1;
    syncing_ = false;
}

TTabSheet* TPageControl::ActivePage() const
{
    QWidget* w = Tabs()->currentWidget();
    for (TTabSheet* p : pages_)
        if (p->Handle() == w)
            return p;
    return nullptr;
}

void TPageControl::SetActivePage(TTabSheet* p)
{
    if (!p || p->PageControl() != this)
        return;
    syncing_ = true;
    Tabs()->setCurrentWidget(p->Handle());
    shownIndex_ = p->PageIndex();
    syncing_ = false;
}

int TPageControl::ActivePageIndex() const
{
    TTabSheet* p = ActivePage();
    return p ? p->PageIndex() : -1;
}

void TPageControl::SetActivePageIndex(int i)
{
    if (i >= 0 && i < PageCount())
        SetActivePage(pages_[size_t(i)]);
}

void TPageControl::SetTabPosition(TTabPosition v)
{
    tabPosition_ = v;
    Tabs()->setTabPosition(v == tpTop ? QTabWidget::North : QTabWidget::South);
}

// ---- TStatusBar ----------------------------------------------------------
void TStatusPanel::SetText(const QString& v)
{
    text_ = v;
    if (bar_)
        bar_->Invalidate();
}

void TStatusPanel::SetWidth(int v)
{
    width_ = v;
    if (bar_)
        bar_->Invalidate();
}

TStatusPanel* TStatusPanels::Add()
{
    panels_.push_back(std::make_unique<TStatusPanel>());
    panels_.back()->bar_ = bar_;
    bar_->Invalidate();
    return panels_.back().get();
}

void TStatusPanels::Delete(int i)
{
    panels_.erase(panels_.begin() + i);
    bar_->Invalidate();
}

void TStatusPanels::Clear()
{
    panels_.clear();
    bar_->Invalidate();
}

TStatusBar::TStatusBar(TComponent* AOwner) : TCustomControl(AOwner), panels_(this)
{
    SetBounds(0, 0, 200, 19);
    SetAlign(alBottom);
}

void TStatusBar::Paint()
{
    TCanvas* c = Canvas();
    c->Brush.Color = Color();
    c->Brush.Style = bsSolid;
    c->FillRect(ClientRect());
    c->Font.Assign(Font());
    c->Brush.Style = bsClear;
    auto cell = [&](TRect r, const QString& text, TAlignment align, TBevelCut bevel) {
        if (bevel != bvNone) {
            TRect f = r;
            Frame3D(c, f, bevel == bvLowered ? clBtnShadow : clBtnHighlight, bevel == bvLowered ? clBtnHighlight : clBtnShadow, 1);
        }
        QPainter* p = c->Painter();
        p->setFont(Font()->ToQFont());
        p->setPen(ColorToQColor(Font()->Color()));
        int h = align == taCenter ? Qt::AlignHCenter : align == taRightJustify ? Qt::AlignRight : Qt::AlignLeft;
        p->drawText(QRect(r.Left + 2, r.Top + 1, r.Width() - 4, r.Height() - 2), h | Qt::AlignVCenter, text);
    };
    if (simplePanel_ || panels_.Count() == 0) {
        cell(Rect(0, 2, Width(), Height()), simpleText_, taLeftJustify, simplePanel_ ? bvLowered : bvNone);
        return;
    }
    int x = 0;
    for (int i = 0; i < panels_.Count(); ++i) {
        TStatusPanel* panel = panels_[i];
        int w = i == panels_.Count() - 1 ? std::max(panel->Width(), Width() - x) : panel->Width();
        cell(Rect(x, 2, x + w - 2, Height()), panel->Text(), panel->Alignment, panel->Bevel);
        x += w;
    }
}

// ---- TProgressBar --------------------------------------------------------
TProgressBar::TProgressBar(TComponent* AOwner) : TWinControl(AOwner)
{
    auto* b = new QProgressBar();
    b->setRange(0, 100);
    b->setValue(0);
    b->setTextVisible(false);
    SetHandle(b);
    SetBounds(0, 0, 150, 16);
}

QProgressBar* TProgressBar::Bar() const { return static_cast<QProgressBar*>(Handle()); }
int TProgressBar::Min() const { return Bar()->minimum(); }
int TProgressBar::Max() const { return Bar()->maximum(); }
int TProgressBar::Position() const { return Bar()->value(); }
void TProgressBar::SetMin(int v) { Bar()->setMinimum(v); }
void TProgressBar::SetMax(int v) { Bar()->setMaximum(v); }
void TProgressBar::SetPosition(int v) { Bar()->setValue(std::clamp(v, Min(), Max())); }

void TProgressBar::SetOrientation(TProgressBarOrientation v)
{
    orientation_ = v;
    Bar()->setOrientation(v == pbHorizontal ? Qt::Horizontal : Qt::Vertical);
}
