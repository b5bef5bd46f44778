#include "controls/xtoolbar.h"

#include "platform/core/exceptions.h"
#include "platform/core/ini_file.h"
#include "platform/os/folders.h"
#include "platform/ui/forms.h"

#include <QApplication>
#include <QRubberBand>
#include <QStyle>
#include <algorithm>

// ---------------------------------------------------------------------------
// Metrics
// ---------------------------------------------------------------------------

namespace {
int g_hs = 6, g_vs = 3, g_cw = 22, g_ch = 22;
// Dock hit rectangles are the dock's screen rectangle inflated by these.
constexpr int kTrefferLang = 20, kTrefferQuer = 10;
}  // namespace

int TDockControl::HorizontalSpacing() { return g_hs; }
int TDockControl::VerticalSpacing() { return g_vs; }
int TDockControl::ControlWidth() { return g_cw; }
int TDockControl::ControlHeight() { return g_ch; }
void TDockControl::SetHorizontalSpacing(int v) { g_hs = v; }
void TDockControl::SetVerticalSpacing(int v) { g_vs = v; }
void TDockControl::SetControlWidth(int v) { g_cw = v; }
void TDockControl::SetControlHeight(int v) { g_ch = v; }
int TDockControl::MinBarWidth() { return 2 * g_hs + g_cw; }
int TDockControl::MinBarHeight() { return 2 * g_vs + g_ch; }

int TDockControl::FloatExtraWidth()
{
    // A tool window's frame on both sides.
    return 2 * QApplication::style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
}

int TDockControl::FloatExtraHeight()
{
    const int rahmen = QApplication::style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    return QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight) + rahmen;
}

// ---------------------------------------------------------------------------
// Geometry
// ---------------------------------------------------------------------------

std::vector<std::vector<int>> ToolbarZeilen(const std::vector<TRect>& controls)
{
    std::vector<int> ordnung(controls.size());
    for (size_t i = 0; i < ordnung.size(); ++i)
        ordnung[i] = int(i);
    std::stable_sort(ordnung.begin(), ordnung.end(), [&](int a, int b) {
        const TRect& ra = controls[size_t(a)];
        const TRect& rb = controls[size_t(b)];
        if (std::abs(ra.Top - rb.Top) * 4 < ra.Height() + rb.Height())
            return ra.Left < rb.Left;
        return ra.Top < rb.Top;
    });
    std::vector<std::vector<int>> zeilen;
    const TRect* vorher = nullptr;
    for (int i : ordnung) {
        const TRect& r = controls[size_t(i)];
        // Same line: it begins at or before the predecessor's right edge and
        // its top lies within the predecessor's vertical extent.
        const bool gleicheZeile =
            vorher && r.Left <= vorher->Right && r.Top >= vorher->Top && r.Top < std::max(vorher->Bottom, vorher->Top + 1);
        if (!gleicheZeile)
            zeilen.emplace_back();
        zeilen.back().push_back(i);
        vorher = &r;
    }
    return zeilen;
}

TToolbarLayout ToolbarAuslegen(const std::vector<TPoint>& groessen, int clientBreite)
{
    const int hs = TDockControl::HorizontalSpacing(), vs = TDockControl::VerticalSpacing();
    TToolbarLayout l;
    int x = hs, y = vs, zeilenHoehe = 0;
    for (size_t i = 0; i < groessen.size(); ++i) {
        const TPoint g = groessen[i];
        if (i > 0 && x + g.X > clientBreite - hs) {
            x = hs;
            y += zeilenHoehe + vs;
            zeilenHoehe = 0;
        }
        l.Positionen.push_back(Point(x, y));
        x += g.X;
        zeilenHoehe = g.Y;  // the height of the last placed control
    }
    l.Hoehe = groessen.empty() ? 0 : y + zeilenHoehe + vs;
    return l;
}

std::vector<TPoint> ToolbarFormen(const std::vector<TPoint>& groessen, int zeilen)
{
    const int hs = TDockControl::HorizontalSpacing();
    std::vector<TPoint> formen;
    if (groessen.empty()) {
        formen.push_back(Point(TDockControl::MinBarWidth(), TDockControl::MinBarHeight()));
        return formen;
    }
    int breitester = 0, summe = 0;
    for (const TPoint& g : groessen) {
        breitester = std::max(breitester, g.X);
        summe += g.X;
    }
    const int schmal = breitester + 2 * hs;
    const int breit = std::max(schmal, summe + hs * std::max(zeilen, 1) + hs);
    for (int w = schmal; w <= breit; ++w) {
        const int h = ToolbarAuslegen(groessen, w).Hoehe;
        if (formen.empty() || h < formen.back().Y - 2)
            formen.push_back(Point(w, h));
    }
    return formen;
}

namespace {

// The shape with the largest value on the axis that is at most grenze + 3;
// keine when none qualifies.
TPoint FormBis(const std::vector<TPoint>& formen, int grenze, int TPoint::*achse, TPoint keine)
{
    const TPoint* beste = nullptr;
    for (const TPoint& f : formen)
        if (f.*achse <= grenze + 3 && (!beste || f.*achse > beste->*achse))
            beste = &f;
    return beste ? *beste : keine;
}

}  // namespace

TPoint FormFuerBreite(const std::vector<TPoint>& formen, int w) { return FormBis(formen, w, &TPoint::X, formen.front()); }

TPoint FormFuerHoehe(const std::vector<TPoint>& formen, int h) { return FormBis(formen, h, &TPoint::Y, formen.back()); }

TDockZiel DockZielFuer(int c, int minBarTiefe, int zeilenAnzahl)
{
    const int k = (2 * c + (3 * minBarTiefe) / 2) / minBarTiefe;
    TDockZiel z;
    z.Zeile = std::max(k / 2, 0);
    z.NeueZeile = k % 2 == 0 || z.Zeile >= zeilenAnzahl;
    if (z.Zeile > zeilenAnzahl)
        z.Zeile = zeilenAnzahl;
    return z;
}

std::vector<int> DockZeileAuslegen(const std::vector<int>& laengen, std::vector<int> positionen, int dockLaenge,
                                   int nahGrenze, int fernGrenze)
{
    int vorherEnde = 0;
    for (size_t i = 0; i < laengen.size(); ++i) {
        int& p = positionen[i];
        p = std::min(p, dockLaenge - laengen[i] - fernGrenze - 2);
        const int mindestens = i == 0 ? nahGrenze - 2 : vorherEnde + 2;
        p = std::max(p, mindestens);
        vorherEnde = p + laengen[i];
    }
    return positionen;
}

// ---------------------------------------------------------------------------
// TDocks
// ---------------------------------------------------------------------------

TDocks::TDocks(TComponent* AOwner) : TCustomControl(AOwner)
{
    if (!dynamic_cast<TCustomForm*>(AOwner))
        throw Exception(QStringLiteral("TDocks must be owned by a form"));
    SetAlign(alTop);
    SetHeight(0);
}

TDocks::~TDocks()
{
    // Bars that outlive the dock no longer refer to it.
    for (auto& zeile : zeilen_)
        for (TXToolBar* bar : zeile)
            bar->DockVerloren();
}

void TDocks::SetPosition(TDockPos v)
{
    position_ = v;
    SetAlign(v == dpTop ? alTop : v == dpBottom ? alBottom : v == dpLeft ? alLeft : alRight);
    LayoutLines();
}

void TDocks::SetAllowVisible(bool v)
{
    allowVisible_ = v;
    LayoutLines();
}

void TDocks::SetBoundLines(TUsedPos v)
{
    boundLines_ = v;
    LayoutLines();
}

int TDocks::LineDepth() const
{
    return Horizontal() ? TDockControl::MinBarHeight() + 2 : TDockControl::MinBarWidth() + 2;
}

int TDocks::DockSize() const
{
    if (!allowVisible_ || zeilen_.empty())
        return 0;
    const int nah = Horizontal() ? Grenze(dpTop) : Grenze(dpLeft);
    const int fern = Horizontal() ? Grenze(dpBottom) : Grenze(dpRight);
    return int(zeilen_.size()) * LineDepth() - 2 + nah + fern;
}

TRect TDocks::HitRect() const
{
    const TPoint p = ClientToScreen(Point(0, 0));
    TRect r = Bounds(p.X, p.Y, Width(), Height());
    if (Horizontal())
        InflateRect(r, kTrefferLang, kTrefferQuer);
    else
        InflateRect(r, kTrefferQuer, kTrefferLang);
    return r;
}

int TDocks::LineOf(const TXToolBar* bar) const
{
    for (size_t i = 0; i < zeilen_.size(); ++i)
        if (std::find(zeilen_[i].begin(), zeilen_[i].end(), bar) != zeilen_[i].end())
            return int(i);
    return -1;
}

void TDocks::InsertBar(TXToolBar* bar, int zeile, bool neueZeile)
{
    RemoveBar(bar);
    zeile = std::max(zeile, 0);
    if (neueZeile || zeile >= int(zeilen_.size())) {
        zeile = std::min(zeile, int(zeilen_.size()));
        zeilen_.insert(zeilen_.begin() + zeile, std::vector<TXToolBar*>{});
    }
    auto& z = zeilen_[size_t(zeile)];
    z.push_back(bar);
    std::stable_sort(z.begin(), z.end(), [](TXToolBar* a, TXToolBar* b) { return a->DockPos() < b->DockPos(); });
    LayoutLines();
    if (OnInsertBar)
        OnInsertBar(bar);
}

void TDocks::RemoveBar(TXToolBar* bar)
{
    const int i = LineOf(bar);
    if (i < 0)
        return;
    auto& z = zeilen_[size_t(i)];
    z.erase(std::find(z.begin(), z.end(), bar));
    if (z.empty())
        zeilen_.erase(zeilen_.begin() + i);
    LayoutLines();
    if (OnRemoveBar)
        OnRemoveBar(bar);
}

void TDocks::LayoutLines()
{
    if (auslegen_)
        return;
    auslegen_ = true;
    const bool h = Horizontal();
    const int tiefe = LineDepth();
    const int nahQuer = h ? Grenze(dpTop) : Grenze(dpLeft);
    const int nahLang = h ? Grenze(dpLeft) : Grenze(dpTop);
    const int fernLang = h ? Grenze(dpRight) : Grenze(dpBottom);
    const int laenge = h ? Width() : Height();
    for (size_t zi = 0; zi < zeilen_.size(); ++zi) {
        auto& zeile = zeilen_[zi];
        std::vector<int> laengen, positionen;
        for (TXToolBar* bar : zeile) {
            laengen.push_back(h ? bar->DockLaengeHorizontal() : bar->DockLaengeVertikal());
            positionen.push_back(bar->DockPos());
        }
        positionen = DockZeileAuslegen(laengen, positionen, laenge, nahLang, fernLang);
        const int quer = nahQuer + int(zi) * tiefe;
        for (size_t i = 0; i < zeile.size(); ++i) {
            TXToolBar* bar = zeile[i];
            bar->StoreDockPos(positionen[i]);
            if (h)
                bar->SetBounds(positionen[i] + 2, quer, laengen[i], TDockControl::MinBarHeight());
            else
                bar->SetBounds(quer, positionen[i] + 2, TDockControl::MinBarWidth(), laengen[i]);
        }
    }
    if (h)
        SetHeight(DockSize());
    else
        SetWidth(DockSize());
    const bool gezeigt = allowVisible_ && !zeilen_.empty();
    auslegen_ = false;
    Invalidate();
    if (gezeigt != gezeigt_) {
        gezeigt_ = gezeigt;
        if (OnVisibleChanged)
            OnVisibleChanged(this);
    }
}

void TDocks::Resize()
{
    TCustomControl::Resize();
    LayoutLines();
}

void TDocks::Paint()
{
    TCanvas* c = Canvas();
    c->Brush.Color = Color();
    c->FillRect(ClientRect());
    if (OnPaint)
        OnPaint(this);
    const bool h = Horizontal();
    c->Pen.Color = clBtnShadow;
    // Bound lines.
    if (boundLines_.Contains(dpTop)) {
        c->MoveTo(0, 0);
        c->LineTo(Width(), 0);
    }
    if (boundLines_.Contains(dpBottom)) {
        c->MoveTo(0, Height() - 1);
        c->LineTo(Width(), Height() - 1);
    }
    if (boundLines_.Contains(dpLeft)) {
        c->MoveTo(0, 0);
        c->LineTo(0, Height());
    }
    if (boundLines_.Contains(dpRight)) {
        c->MoveTo(Width() - 1, 0);
        c->LineTo(Width() - 1, Height());
    }
    // An etched line: button shadow, then button highlight one pixel
    // further. Along the dock at depth pos, or across it at offset pos;
    // from von to bis.
    const auto geaetzt = [&](bool entlang, int pos, int von, int bis) {
        const bool waagrecht = entlang == h;
        for (const TColor farbe : {clBtnShadow, clBtnHighlight}) {
            c->Pen.Color = farbe;
            waagrecht ? c->MoveTo(von, pos) : c->MoveTo(pos, von);
            waagrecht ? c->LineTo(bis, pos) : c->LineTo(pos, bis);
            ++pos;
        }
    };
    const auto anfang = [h](const TXToolBar* bar) { return h ? bar->Left() : bar->Top(); };
    const auto ende = [h](const TXToolBar* bar) { return h ? bar->Left() + bar->Width() : bar->Top() + bar->Height(); };
    const int nah = h ? Grenze(dpTop) : Grenze(dpLeft);
    const int nahLang = h ? Grenze(dpLeft) : Grenze(dpTop);
    const int laenge = h ? Width() : Height();
    for (size_t zi = 0; zi < zeilen_.size(); ++zi) {
        const int zeileOben = nah + int(zi) * LineDepth();
        // The separator in the 2-pixel gap before this line: across the whole
        // dock, or in the Word 7 style only along the bars on either side.
        if (zi > 0) {
            const int q = zeileOben - 2;
            if (DrawStyle == csXToolbar)
                geaetzt(true, q, 0, laenge);
            else
                for (size_t nachbar : {zi - 1, zi})
                    for (const TXToolBar* bar : zeilen_[nachbar])
                        geaetzt(true, q, anfang(bar), ende(bar));
        }
        // A raised edge before each bar where there is a gap, and after it
        // where at least 6 pixels remain before the next bar or the end.
        const auto& zeile = zeilen_[zi];
        const int tiefe = h ? TDockControl::MinBarHeight() : TDockControl::MinBarWidth();
        for (size_t bi = 0; bi < zeile.size(); ++bi) {
            const int vorher = bi == 0 ? nahLang : ende(zeile[bi - 1]);
            const int danach = bi + 1 < zeile.size() ? anfang(zeile[bi + 1]) : laenge;
            if (anfang(zeile[bi]) - 2 >= vorher)
                geaetzt(false, anfang(zeile[bi]) - 2, zeileOben, zeileOben + tiefe);
            if (danach - ende(zeile[bi]) >= 6)
                geaetzt(false, ende(zeile[bi]), zeileOben, zeileOben + tiefe);
        }
    }
}

// ---------------------------------------------------------------------------
// TXToolBar
// ---------------------------------------------------------------------------

namespace {

// Closing a floating bar's window hides the bar: Visible follows and
// OnVisibleChanged fires, so the program can offer the bar again.
class TBarCloseFilter : public QObject {
public:
    explicit TBarCloseFilter(TXToolBar* bar) : QObject(bar->Handle()), bar_(bar) {}
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() != QEvent::Close || watched != bar_->Handle())
            return QObject::eventFilter(watched, e);
        e->ignore();
        bar_->SetVisible(false);
        return true;
    }

private:
    TXToolBar* bar_;
};

}  // namespace

TXToolBar::TXToolBar(TComponent* AOwner) : TCustomControl(AOwner)
{
    if (!dynamic_cast<TCustomForm*>(AOwner))
        throw Exception(Name + QStringLiteral(" XToolBar must be owned by a form"));
    SetBounds(0, 0, TDockControl::MinBarWidth(), TDockControl::MinBarHeight());
    Handle()->installEventFilter(new TBarCloseFilter(this));
}

TXToolBar::~TXToolBar()
{
    if (dockedTo_)
        dockedTo_->RemoveBar(this);
    delete rahmen_;
}

std::vector<TControl*> TXToolBar::Sichtbare() const
{
    std::vector<TRect> rects;
    std::vector<TControl*> alle;
    for (int i = 0; i < ControlCount(); ++i)
        if (Controls(i)->Visible()) {
            alle.push_back(Controls(i));
            rects.push_back(Controls(i)->BoundsRect());
        }
    std::vector<TControl*> ordnung;
    for (const auto& zeile : ToolbarZeilen(rects))
        for (int i : zeile)
            ordnung.push_back(alle[size_t(i)]);
    return ordnung;
}

std::vector<TPoint> TXToolBar::Groessen() const
{
    std::vector<TPoint> g;
    for (TControl* c : Sichtbare())
        g.push_back(Point(c->Width(), c->Height()));
    return g;
}

int TXToolBar::Zeilen() const
{
    std::vector<TRect> rects;
    for (int i = 0; i < ControlCount(); ++i)
        if (Controls(i)->Visible())
            rects.push_back(Controls(i)->BoundsRect());
    return int(ToolbarZeilen(rects).size());
}

std::vector<TPoint> TXToolBar::Formen() const { return ToolbarFormen(Groessen(), Zeilen()); }

int TXToolBar::DockLaengeHorizontal() const
{
    const auto g = Groessen();
    if (g.empty())
        return TDockControl::MinBarWidth();
    return ToolbarFormen(g, Zeilen()).back().X;
}

int TXToolBar::DockLaengeVertikal() const
{
    const auto g = Groessen();
    if (g.empty())
        return TDockControl::MinBarHeight();
    int summe = 0;
    for (const TPoint& p : g)
        summe += p.Y;
    return summe + TDockControl::VerticalSpacing() * (int(g.size()) + 1);
}

void TXToolBar::Auslegen()
{
    if (auslegen_)
        return;
    auslegen_ = true;
    const auto sichtbar = Sichtbare();
    std::vector<TPoint> g;
    for (TControl* c : sichtbar)
        g.push_back(Point(c->Width(), c->Height()));
    const TToolbarLayout l = ToolbarAuslegen(g, ClientWidth());
    for (size_t i = 0; i < sichtbar.size(); ++i)
        sichtbar[i]->SetBounds(l.Positionen[i].X, l.Positionen[i].Y, sichtbar[i]->Width(), sichtbar[i]->Height());
    auslegen_ = false;
}

void TXToolBar::Resize()
{
    TCustomControl::Resize();
    if (!dockedTo_ && !Parent() && HandleAllocated() && Handle()->isWindow() && !auslegen_) {
        // A floating bar sized by the user snaps to its shape table: by
        // width when the width changed, else by height.
        const auto formen = Formen();
        const TPoint f = Width() != floatRect_.Width() ? FormFuerBreite(formen, Width())
                                                       : FormFuerHoehe(formen, Height());
        floatRect_ = Bounds(Left(), Top(), f.X, f.Y);
        if (f.X != Width() || f.Y != Height()) {
            SetBounds(Left(), Top(), f.X, f.Y);
            return;
        }
    }
    Auslegen();
}

void TXToolBar::Loaded()
{
    TCustomControl::Loaded();
    Auslegen();
}

void TXToolBar::RegisterControlPair(TControl* horizontal, TControl* vertikal)
{
    paare_.emplace_back(horizontal, vertikal);
    horizontal->SetVisible(!Vertical());
    vertikal->SetVisible(Vertical());
}

int TXToolBar::DockLine() const { return dockedTo_ ? dockedTo_->LineOf(this) : dockLine_; }

void TXToolBar::SetDockLine(int v)
{
    dockLine_ = v;
    if (dockedTo_ && dockedTo_->LineOf(this) != v)
        dockedTo_->InsertBar(this, v, false);
}

void TXToolBar::SetDockPos(int v)
{
    dockPos_ = v;
    if (dockedTo_)
        dockedTo_->InsertBar(this, dockedTo_->LineOf(this), false);
}

void TXToolBar::SetDockedTo(TDocks* dock)
{
    if (dock)
        Docken(dock, dockedTo_ == dock ? DockLine() : dockLine_, false);
    else
        Docken(nullptr, 0, false);
}

void TXToolBar::Docken(TDocks* dock, int zeile, bool neueZeile)
{
    const bool warVertikal = Vertical();
    if (dockedTo_ && dockedTo_ != dock) {
        dockLine_ = dockedTo_->LineOf(this);
        TDocks* alt = dockedTo_;
        dockedTo_ = nullptr;
        alt->RemoveBar(this);
    } else if (!dockedTo_ && HandleAllocated() && Handle()->isWindow() && !Parent()) {
        floatRect_ = Bounds(Left(), Top(), Width(), Height());
    }
    if (dock) {
        if (Parent() != dock) {
            Handle()->setWindowFlags(Qt::Widget);
            SetParent(dock);
        }
        dockedTo_ = dock;
        letzterDock_ = dock;
        dockLine_ = zeile;
        dock->InsertBar(this, zeile, neueZeile);
        SetVisible(Visible());
    } else {
        dockedTo_ = nullptr;
        FloatAnwenden();
    }
    if (Vertical() != warVertikal) {
        for (auto& [h, v] : paare_) {
            h->SetVisible(!Vertical());
            v->SetVisible(Vertical());
        }
        Auslegen();
        if (OnVerticalDock)
            OnVerticalDock(this, Vertical());
    }
    if (OnDockChanged)
        OnDockChanged(this);
}

void TXToolBar::FloatAnwenden()
{
    auto* form = dynamic_cast<TCustomForm*>(Owner());
    SetParent(nullptr);
    // A tool window over the form: hidden and shown with it.
    Handle()->setParent(form ? form->Handle() : nullptr, Qt::Tool);
    Handle()->setWindowTitle(Caption());
    const auto formen = Formen();
    TPoint f = FormFuerBreite(formen, floatRect_.Width());
    SetBounds(floatRect_.Left, floatRect_.Top, f.X, f.Y);
    floatRect_ = Bounds(Left(), Top(), Width(), Height());
    Auslegen();
    if (Visible() && form && form->Visible())
        Handle()->show();
}

TRect TXToolBar::FloatRect() const { return floatRect_; }

void TXToolBar::SetFloatRect(const TRect& r)
{
    floatRect_ = r;
    if (!dockedTo_ && !Parent())
        FloatAnwenden();
}

void TXToolBar::FloatBreiteZiehen(int breite)
{
    const TPoint f = FormFuerBreite(Formen(), breite);
    floatRect_ = Bounds(floatRect_.Left, floatRect_.Top, f.X, f.Y);
    if (!dockedTo_)
        SetBounds(floatRect_.Left, floatRect_.Top, f.X, f.Y);
}

void TXToolBar::FloatHoeheZiehen(int hoehe)
{
    const TPoint f = FormFuerHoehe(Formen(), hoehe);
    floatRect_ = Bounds(floatRect_.Left, floatRect_.Top, f.X, f.Y);
    if (!dockedTo_)
        SetBounds(floatRect_.Left, floatRect_.Top, f.X, f.Y);
}

// ---- dragging -----------------------------------------------------------

TDocks* TXToolBar::DockUnter(TPoint p) const
{
    TComponent* form = Owner();
    for (int i = 0; form && i < form->ComponentCount(); ++i) {
        auto* dock = dynamic_cast<TDocks*>(form->Components(i));
        if (!dock || !AllowedDock.Contains(dock->Position()) || !dock->AllowVisible())
            continue;
        const TRect r = dock->HitRect();
        if (p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom)
            return dock;
    }
    return nullptr;
}

void TXToolBar::Ablegen(TPoint ecke, TDocks* ziel)
{
    if (!ziel) {
        floatRect_ = Bounds(ecke.X, ecke.Y, floatRect_.Width(), floatRect_.Height());
        if (dockedTo_)
            Docken(nullptr, 0, false);
        else
            SetBounds(ecke.X, ecke.Y, Width(), Height());
        return;
    }
    const TPoint imDock = ziel->ScreenToClient(ecke);
    const bool h = ziel->Horizontal();
    const int nah = ziel->BoundLines().Contains(h ? dpTop : dpLeft) ? 2 : 0;
    const TDockZiel z = DockZielFuer((h ? imDock.Y : imDock.X) - nah,
                                     h ? TDockControl::MinBarHeight() : TDockControl::MinBarWidth(), ziel->LineCount());
    dockPos_ = (h ? imDock.X : imDock.Y) - 2;
    if (ziel == dockedTo_)
        ziel->InsertBar(this, z.Zeile, z.NeueZeile);
    else
        Docken(ziel, z.Zeile, z.NeueZeile);
}

void TXToolBar::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft)
        return;
    ziehen_ = true;
    zugStart_ = ClientToScreen(Point(X, Y));
    zugVersatz_ = Point(X, Y);
}

void TXToolBar::MouseMove(TShiftState Shift, int X, int Y)
{
    TCustomControl::MouseMove(Shift, X, Y);
    if (!ziehen_)
        return;
    const TPoint p = ClientToScreen(Point(X, Y));
    const TPoint ecke = Point(p.X - zugVersatz_.X, p.Y - zugVersatz_.Y);
    TDocks* ziel = DockUnter(p);
    int w = floatRect_.Width(), h = floatRect_.Height();
    if (ziel && ziel->Horizontal()) {
        w = DockLaengeHorizontal();
        h = TDockControl::MinBarHeight();
    } else if (ziel) {
        w = TDockControl::MinBarWidth();
        h = DockLaengeVertikal();
    }
    if (!rahmen_)
        rahmen_ = new QRubberBand(QRubberBand::Rectangle);
    rahmen_->setGeometry(ecke.X, ecke.Y, w, h);
    rahmen_->show();
}

void TXToolBar::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TCustomControl::MouseUp(Button, Shift, X, Y);
    if (!ziehen_ || Button != mbLeft)
        return;
    ziehen_ = false;
    if (rahmen_)
        rahmen_->hide();
    const TPoint p = ClientToScreen(Point(X, Y));
    if (std::abs(p.X - zugStart_.X) < 3 && std::abs(p.Y - zugStart_.Y) < 3)
        return;  // a click, not a drag
    Ablegen(Point(p.X - zugVersatz_.X, p.Y - zugVersatz_.Y), DockUnter(p));
}

void TXToolBar::DblClick()
{
    TCustomControl::DblClick();
    ziehen_ = false;
    if (dockedTo_)
        SetDockedTo(nullptr);
    else if (TDocks* ziel = letzterDock_ ? letzterDock_ : DockBase)
        SetDockedTo(ziel);
}

void TXToolBar::SetVisible(bool v)
{
    const bool vorher = Visible();
    TCustomControl::SetVisible(v);
    if (!dockedTo_ && !Parent() && HandleAllocated()) {
        auto* form = dynamic_cast<TCustomForm*>(Owner());
        Handle()->setVisible(v && form && form->Visible());
    }
    if (vorher != v && OnVisibleChanged)
        OnVisibleChanged(this);
}

void TXToolBar::Paint()
{
    TCanvas* c = Canvas();
    c->Brush.Color = Color();
    c->FillRect(ClientRect());
}

// ---- persistence --------------------------------------------------------

QString TXToolBar::IniPfad() const
{
    return INIFileName.contains(QLatin1Char('\\')) || INIFileName.startsWith(QLatin1Char('/'))
               ? INIFileName
               : ProgramFolder() + INIFileName;
}

void TXToolBar::SavePosition() const
{
    TMemIniFile ini(IniPfad());
    ini.WriteString(Name, QStringLiteral("DockedTo"), dockedTo_ ? dockedTo_->Name : QString());
    ini.WriteBool(Name, QStringLiteral("Visible"), Visible());
    if (dockedTo_) {
        ini.WriteInteger(Name, QStringLiteral("DockLine"), DockLine());
        ini.WriteInteger(Name, QStringLiteral("DockPos"), dockPos_);
    } else {
        const TRect r = floatRect_;
        ini.WriteInteger(Name, QStringLiteral("Left"), r.Left);
        ini.WriteInteger(Name, QStringLiteral("Top"), r.Top);
        ini.WriteInteger(Name, QStringLiteral("Width"), r.Width());
        ini.WriteInteger(Name, QStringLiteral("Height"), r.Height());
    }
    ini.UpdateFile();
}

bool TXToolBar::LoadPosition()
{
    const TMemIniFile ini(IniPfad());
    const QString kein = QStringLiteral("\u00FF\u00FF\u00FF");
    const QString dockName = ini.ReadString(Name, QStringLiteral("DockedTo"), kein);
    if (dockName == kein)
        return false;
    if (ini.ValueExists(Name, QStringLiteral("Visible")))
        SetVisible(ini.ReadBool(Name, QStringLiteral("Visible"), true));
    if (dockName.isEmpty()) {
        floatRect_ = Bounds(ini.ReadInteger(Name, QStringLiteral("Left"), floatRect_.Left),
                            ini.ReadInteger(Name, QStringLiteral("Top"), floatRect_.Top),
                            ini.ReadInteger(Name, QStringLiteral("Width"), floatRect_.Width()),
                            ini.ReadInteger(Name, QStringLiteral("Height"), floatRect_.Height()));
        if (dockedTo_)
            SetDockedTo(nullptr);
        else
            FloatAnwenden();
        return true;
    }
    TComponent* form = Owner();
    for (int i = 0; form && i < form->ComponentCount(); ++i)
        if (auto* dock = dynamic_cast<TDocks*>(form->Components(i)); dock && dock->Name == dockName) {
            const int zeile = std::min(std::max(ini.ReadInteger(Name, QStringLiteral("DockLine"), 0), 0),
                                       dock->LineCount());
            dockPos_ = ini.ReadInteger(Name, QStringLiteral("DockPos"), 0);
            dockLine_ = zeile;
            if (dockedTo_ == dock)
                dock->InsertBar(this, zeile, false);
            else
                SetDockedTo(dock);
            return true;
        }
    return false;
}

void ToolbarPositionenLaden(TComponent* form)
{
    std::vector<TXToolBar*> bars;
    for (int i = 0; i < form->ComponentCount(); ++i)
        if (auto* bar = dynamic_cast<TXToolBar*>(form->Components(i)); bar && bar->AutoSavePosition)
            bars.push_back(bar);
    const QString kein = QStringLiteral("\u00FF\u00FF\u00FF");
    bool gespeichert = false;
    for (TXToolBar* bar : bars)
        gespeichert = gespeichert ||
                      TMemIniFile(bar->IniPfad()).ReadString(bar->Name, QStringLiteral("DockedTo"), kein) != kein;
    if (!gespeichert)
        return;
    // Out of their docks first, so each takes its saved line in order.
    for (TXToolBar* bar : bars)
        if (TDocks* dock = bar->DockedTo())
            dock->RemoveBar(bar);
    for (TXToolBar* bar : bars)
        bar->LoadPosition();
}

void ToolbarPositionenSpeichern(TComponent* form)
{
    for (int i = 0; i < form->ComponentCount(); ++i)
        if (auto* bar = dynamic_cast<TXToolBar*>(form->Components(i)); bar && bar->AutoSavePosition)
            bar->SavePosition();
}
