#include "controls/grid_source.h"

#include "datagrid/dk_db_grid.h"
#include "datagrid/dk_published.h"
#include "platform/core/exceptions.h"
#include "platform/data/data_source.h"
#include "platform/data/dataset.h"
#include "platform/data/field.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>

#include <algorithm>

// ---- TGridPanel -------------------------------------------------------------

TGridPanel::TGridPanel(TComponent* AOwner) : TPanel(AOwner)
{
    SetTabStop(false);
    SetCaption(QString());
}

void TGridPanel::Paint()
{
    // The windowed children paint themselves; only the rest is filled.
    TCanvas* c = Canvas();
    if (!c)
        return;
    QRegion rest(0, 0, Width(), Height());
    for (int i = 0; i < ControlCount(); ++i) {
        const TControl* k = Controls(i);
        if (k->Visible() && dynamic_cast<const TWinControl*>(k))
            rest -= QRect(k->Left(), k->Top(), k->Width(), k->Height());
    }
    c->Brush.Color = Color();
    for (const QRect& r : rest)
        c->FillRect(Rect(r.left(), r.top(), r.right() + 1, r.bottom() + 1));
}

namespace {

// A mouse event of the panel, given to its first child at (1, 1).
void ZumKind(TWinControl* panel, QEvent::Type type, Qt::MouseButton button)
{
    if (panel->ControlCount() == 0)
        return;
    QWidget* kind = panel->Controls(0)->Handle();
    if (!kind)
        return;
    const QPointF p(1, 1);
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::NoButton;
    QMouseEvent e(type, p, kind->mapToGlobal(p), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(kind, &e);
}

Qt::MouseButton QtButton(TMouseButton b)
{
    return b == mbRight ? Qt::RightButton : b == mbMiddle ? Qt::MiddleButton : Qt::LeftButton;
}

}  // namespace

void TGridPanel::MouseDown(TMouseButton Button, TShiftState, int, int)
{
    ZumKind(this, QEvent::MouseButtonPress, QtButton(Button));
}

void TGridPanel::MouseMove(TShiftState, int, int) { ZumKind(this, QEvent::MouseMove, Qt::NoButton); }

void TGridPanel::MouseUp(TMouseButton Button, TShiftState, int, int)
{
    ZumKind(this, QEvent::MouseButtonRelease, QtButton(Button));
}

// ---- TFloater -----------------------------------------------------------------

TFloater::TFloater(TGridParent* settings, TWinControl* editor) : Editor(editor), settings_(settings)
{
    if (!settings)
        return;
    AlwaysShowEditing = settings->AlwaysShowEditing;
    panelBevel_ = settings->PanelBevel;
    panelColor_ = settings->PanelColor;
    Field = settings->Field();
    SizeToCell = settings->SizeToCell();
    ShowWhen = settings->ShowWhen();
    usePanel_ = settings->UsePanel();
    Visible = settings->Visible();
}

TFloater::~TFloater()
{
    if (Source)
        Source->RemoveFloater(this);
    if (settings_ && settings_->Floater() == this)
        settings_->FloaterGone();
}

void TFloater::Assign(const TPersistent* Source)
{
    const auto* s = dynamic_cast<const TFloater*>(Source);
    if (!s)
        return;
    AlwaysShowEditing = s->AlwaysShowEditing;
    SetPanelBevel(s->panelBevel_);
    SetPanelColor(s->panelColor_);
    Editor = s->Editor;
    Field = s->Field;
    CurrentRow = s->CurrentRow;
    SizeToCell = s->SizeToCell;
    ShowWhen = s->ShowWhen;
    SetUsePanel(s->usePanel_);
    Visible = s->Visible;
    Col = s->Col;
    OnGridMessage = s->OnGridMessage;
}

TWinControl* TFloater::Target() const { return panel_ ? static_cast<TWinControl*>(panel_) : Editor; }

void TFloater::SetPanelBevel(TPanelBevel v)
{
    panelBevel_ = v;
    if (panel_) {
        panel_->SetBevelOuter(v);
        if (Source && Source->Grid())
            Source->Grid()->Invalidate();
    }
}

void TFloater::SetPanelColor(TColor v)
{
    panelColor_ = v;
    if (panel_) {
        panel_->SetColor(v);
        if (Source && Source->Grid())
            Source->Grid()->Invalidate();
    }
}

void TFloater::SetUsePanel(bool v)
{
    if (v == usePanel_)
        return;
    TGridSource* s = hooked_ ? Source : nullptr;
    if (s)
        s->Unhook(this);
    usePanel_ = v;
    if (s) {
        s->Hook(this);
        if (s->Grid())
            s->Grid()->Invalidate();
    }
}

// ---- TFloaters ------------------------------------------------------------------

TFloaters::~TFloaters() { Clear(); }

TFloater* TFloaters::Find(const TWinControl* editor) const
{
    for (TFloater* f : items_)
        if (f->Editor == editor)
            return f;
    return nullptr;
}

void TFloaters::Add(TFloater* f) { items_.push_back(f); }

void TFloaters::Remove(TFloater* f) { std::erase(items_, f); }

void TFloaters::Clear()
{
    // Each floater takes itself off the list as it goes.
    while (!items_.empty()) {
        TFloater* f = items_.back();
        if (f->Source != source_) {
            items_.pop_back();
            continue;
        }
        delete f;
    }
}

void TFloaters::Assign(const TPersistent* Source)
{
    const auto* other = dynamic_cast<const TFloaters*>(Source);
    if (!other || other == this)
        return;
    Clear();
    for (const TFloater* f : other->items_) {
        auto* kopie = new TFloater(nullptr, f->Editor);
        kopie->Assign(f);
        if (source_)
            source_->AddFloater(kopie);
        else
            items_.push_back(kopie);
    }
}

// ---- TGridSource ------------------------------------------------------------------

class TGridSource::Filter : public QObject {
public:
    explicit Filter(TGridSource* s) : s_(s) {}
    bool eventFilter(QObject* watched, QEvent* e) override { return s_->GridEvent(watched, e); }

private:
    TGridSource* s_;
};

// Lies above the grid's cells and paints the copies of the editors into
// the other rows' cells; the mouse goes through it to the grid.
class TGridSource::Overlay : public QWidget {
public:
    Overlay(TGridSource* s, QWidget* grid) : QWidget(grid), s_(s)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        s_->PaintImages(p);
    }

private:
    TGridSource* s_;
};

namespace {

std::vector<TGridSource*>& AlleQuellen()
{
    static std::vector<TGridSource*> quellen;
    return quellen;
}

TdkCustomDBGrid* DkGrid(TCustomGrid* g) { return dynamic_cast<TdkCustomDBGrid*>(g); }

bool IstNavigation(int key)
{
    switch (key) {
    case Qt::Key_Tab: case Qt::Key_Backtab: case Qt::Key_PageUp: case Qt::Key_PageDown: case Qt::Key_End:
    case Qt::Key_Home: case Qt::Key_Left: case Qt::Key_Right: case Qt::Key_Up: case Qt::Key_Down:
        return true;
    default:
        return false;
    }
}

bool EnthaeltFokus(const TWinControl* c)
{
    const QWidget* f = QApplication::focusWidget();
    const QWidget* w = c ? c->Handle() : nullptr;
    return f && w && (f == w || w->isAncestorOf(f));
}

}  // namespace

TGridSource::TGridSource(TComponent* AOwner) : TComponent(AOwner) { AlleQuellen().push_back(this); }

TGridSource::~TGridSource()
{
    BeginDestroy();
    std::erase(AlleQuellen(), this);
    SetActive(false);
    floaters_.Clear();
    auxLink_.reset();
}

TGridSource* TGridSource::FindSource(TComponent* owner, const TCustomGrid* grid)
{
    for (TGridSource* s : AlleQuellen())
        if (s->Owner() == owner && s->Grid() == grid && grid && !s->Destroying())
            return s;
    return nullptr;
}

void TGridSource::SetGrid(TCustomGrid* grid)
{
    if (grid == grid_)
        return;
    if (TGridSource* andere = FindSource(Owner(), grid); andere && andere != this)
        throw Exception(QStringLiteral("There is already a GridSource attached to this grid. <%1>").arg(andere->Name));
    const bool war = active_;
    SetActive(false);
    if (grid_)
        grid_->RemoveFreeNotification(this);
    grid_ = grid;
    auxLink_.reset();
    if (grid_)
        grid_->FreeNotification(this);
    if (war)
        SetActive(true);
}

void TGridSource::Loaded()
{
    TComponent::Loaded();
    if (grid_)
        SetActive(true);
}

void TGridSource::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == grid_) {
        SetActive(false);
        grid_ = nullptr;
        auxLink_.reset();
    }
}

QWidget* TGridSource::GridWidget() const { return grid_ ? grid_->Handle() : nullptr; }

void TGridSource::SetActive(bool v)
{
    if (v == active_ || (v && !grid_))
        return;
    QWidget* w = GridWidget();
    if (v) {
        active_ = true;
        filter_ = std::make_unique<Filter>(this);
        if (w) {
            w->installEventFilter(filter_.get());
            overlay_ = new Overlay(this, w);
            UpdateOverlay();
            overlay_->show();
        }
        for (int i = 0; i < floaters_.Count(); ++i)
            Hook(floaters_.Items(i));
        grid_->Invalidate();
        return;
    }
    active_ = false;
    const bool hatParent = grid_ && grid_->Parent() && !grid_->Destroying();
    if (w && filter_)
        w->removeEventFilter(filter_.get());
    filter_.reset();
    delete overlay_.data();
    for (int i = 0; i < floaters_.Count(); ++i)
        Unhook(floaters_.Items(i));
    if (hatParent)
        grid_->Invalidate();
}

void TGridSource::AddFloater(TFloater* f)
{
    f->Source = this;
    floaters_.Add(f);
    if (active_)
        Hook(f);
    else
        SetActive(true);
}

void TGridSource::RemoveFloater(TFloater* f)
{
    if (f->hooked_)
        Unhook(f);
    floaters_.Remove(f);
    f->Source = nullptr;
    if (floaters_.Count() == 0)
        SetActive(false);
}

void TGridSource::Hook(TFloater* F)
{
    if (F->hooked_ || !F->Editor || !grid_)
        return;
    F->hooked_ = true;
    F->SavedParent = F->Editor->Parent();
    if (!F->usePanel_) {
        F->Editor->SetVisible(false);
        F->Editor->SetParent(grid_);
        return;
    }
    auto* panel = new TGridPanel(nullptr);
    panel->SetColor(F->panelColor_);
    panel->SetBevelOuter(F->panelBevel_);
    panel->SetVisible(false);
    panel->SetParent(grid_);
    F->Editor->SetParent(panel);
    F->Editor->SetVisible(true);
    F->panel_ = panel;
}

void TGridSource::Unhook(TFloater* F)
{
    if (!F->hooked_)
        return;
    F->hooked_ = false;
    if (F->Editor) {
        F->Editor->SetVisible(false);
        const bool heim = !F->Editor->Destroying() && F->SavedParent && !F->SavedParent->Destroying();
        F->Editor->SetParent(heim ? F->SavedParent : nullptr);
    }
    // The editor has left the panel, so freeing it frees no editor.
    delete F->panel_;
    F->panel_ = nullptr;
}

TDataSource* TGridSource::DataSource() const
{
    if (TdkCustomDBGrid* g = DkGrid(grid_))
        return g->DataSource();
    auto* c = dynamic_cast<TdkDataAwareControl*>(grid_);
    return c ? c->GetDataSource() : nullptr;
}

TDataLink* TGridSource::Link()
{
    if (TdkCustomDBGrid* g = DkGrid(grid_))
        return g->DataLink();
    TDataSource* ds = DataSource();
    if (!ds)
        return nullptr;
    if (!auxLink_) {
        auxLink_ = std::make_unique<TDataLink>();
        auxLink_->SetDataSource(ds);
    }
    auxLink_->SetBufferCount(std::max(1, grid_->RowCount() - 1));
    return auxLink_.get();
}

int TGridSource::IndicatorOffset() const
{
    if (TdkCustomDBGrid* g = DkGrid(grid_))
        return g->IndicatorOffset();
    // Other grids: their fixed columns stand where the indicator would.
    return grid_ ? grid_->FixedCols() : 0;
}

bool TGridSource::RowSelect() const { return grid_ && grid_->TCustomGrid::Options().Contains(goRowSelect); }

bool TGridSource::AlwaysShowSelection() const
{
    if (TdkCustomDBGrid* g = DkGrid(grid_))
        return g->Options().Contains(dgAlwaysShowSelection);
    return grid_ && grid_->TCustomGrid::Options().Contains(goDrawFocusSelected);
}

namespace {

// The shown fields of a grid's dataset, in column order.
std::vector<TField*> SichtbareFelder(TDataSet* ds)
{
    std::vector<TField*> felder;
    for (int i = 0; ds && i < ds->FieldCount(); ++i)
        if (ds->Fields(i)->Visible())
            felder.push_back(ds->Fields(i));
    return felder;
}

}  // namespace

QString TGridSource::CurrentFieldName() const
{
    if (!grid_)
        return {};
    if (TdkCustomDBGrid* g = DkGrid(grid_)) {
        TField* f = g->GetSelectedField();
        return f ? f->FieldName : QString();
    }
    TDataSource* src = DataSource();
    const std::vector<TField*> felder = SichtbareFelder(src ? src->DataSet() : nullptr);
    const int i = grid_->Col() - IndicatorOffset();
    return i >= 0 && i < int(felder.size()) ? felder[size_t(i)]->FieldName : QString();
}

TFloater* TGridSource::CurrentFloater() const
{
    if (!grid_)
        return nullptr;
    for (int i = 0; i < floaters_.Count(); ++i)
        if (floaters_.Items(i)->Col == grid_->Col() && floaters_.Items(i)->Visible)
            return floaters_.Items(i);
    return nullptr;
}

bool TGridSource::FocusInGrid(const TFloater* F) const
{
    return (grid_ && grid_->Focused()) || (F && (EnthaeltFokus(F->Editor) || EnthaeltFokus(F->panel_)));
}

void TGridSource::SyncFloaterColumns()
{
    if (!grid_)
        return;
    std::vector<QString> namen;
    if (TdkCustomDBGrid* g = DkGrid(grid_)) {
        for (int i = 0; i < g->GetFieldCount(); ++i)
            namen.push_back(g->GetFields(i) ? g->GetFields(i)->FieldName : QString());
    } else {
        TDataSource* src = DataSource();
        for (TField* f : SichtbareFelder(src ? src->DataSet() : nullptr))
            namen.push_back(f->FieldName);
    }
    const int offset = IndicatorOffset();
    for (size_t i = 0; i < namen.size(); ++i)
        for (int k = 0; k < floaters_.Count(); ++k) {
            TFloater* f = floaters_.Items(k);
            if (f->Field == namen[i]) {
                if (offset + int(i) < grid_->ColCount())
                    f->Col = offset + int(i);
                break;
            }
        }
}

namespace {

void Setzen(TControl* c, int l, int t, int w, int h)
{
    if (c->Left() != l || c->Top() != t || c->Width() != w || c->Height() != h)
        c->SetBounds(l, t, w, h);
}

}  // namespace

void TGridSource::SizeToCellRect(TFloater* F, const TRect& cell, int col)
{
    const int spalte = grid_->ColWidths(col);
    if (F->panel_)
        Setzen(F->panel_, cell.Left, cell.Top, spalte, cell.Height());
    TWinControl* e = F->Editor;
    if (F->SizeToCell) {
        const int w = F->ShowWhen == swCellFocused ? cell.Width() : spalte;
        if (F->panel_)
            Setzen(e, 0, 0, w, cell.Height());
        else
            Setzen(e, e->Left(), e->Top(), w, cell.Height());
        return;
    }
    // Centred, offsets halved toward zero.
    if (F->panel_)
        Setzen(e, (F->panel_->ClientWidth() - e->Width()) / 2, (F->panel_->ClientHeight() - e->Height()) / 2,
                     e->Width(), e->Height());
    else
        Setzen(e, cell.Left + (cell.Width() - e->Width()) / 2, cell.Top + (cell.Height() - e->Height()) / 2,
                     e->Width(), e->Height());
}

void TGridSource::ShowLive(TFloater* F, const TRect& cell)
{
    SizeToCellRect(F, cell, F->Col >= 0 ? F->Col : grid_->Col());
    TWinControl* t = F->Target();
    // A centred editor keeps its place in the cell; the rest stand at its corner.
    if ((F->panel_ || F->SizeToCell) && (t->Left() != cell.Left || t->Top() != cell.Top))
        t->SetBounds(cell.Left, cell.Top, t->Width(), t->Height());
    // Placed again with every paint of the grid: only a change is made, so
    // the placing asks for no further paint.
    if (!t->Visible()) {
        t->SetVisible(true);
        t->BringToFront();
    }
    if (F->panel_) {
        if (F->panel_->Color() != clHighlight)
            F->panel_->SetColor(clHighlight);
        if (RowSelect() && F->panel_->BevelOuter() != F->panelBevel_)
            F->panel_->SetBevelOuter(F->panelBevel_);
    }
    if (!EnthaeltFokus(F->Editor) && F->Editor->CanFocus())
        F->Editor->SetFocus();
    if (refresh_)
        F->Editor->Invalidate();
}

void TGridSource::ShowStill(TFloater* F, const TRect& cell)
{
    TWinControl* t = F->Target();
    Setzen(t, cell.Left, cell.Top, cell.Width(), cell.Height());
    if (!t->Visible())
        t->SetVisible(true);
    if (refresh_)
        t->Invalidate();
}

bool TGridSource::PositionFloater(TFloater* F, QPainter* painter, const TRect& cell, int row, int col, bool focus)
{
    if (!F || !F->Visible || !F->Editor || !grid_)
        return false;
    const int erste = grid_->LeftCol();
    if (col != erste) {
        const TRect ersteZelle = grid_->CellRect(erste, row);
        if (cell.Left <= ersteZelle.Left)
            return false;
    }
    if (cell.Width() <= 0 || cell.Height() <= 0 || col < erste) {
        HideFloater(F);
        return false;
    }
    const bool immer = grid_->TCustomGrid::Options().Contains(goAlwaysShowEditor) || F->AlwaysShowEditing == seTrue;
    F->CurrentRow = row == grid_->Row();
    const bool feld = F->Field.compare(CurrentFieldName(), Qt::CaseInsensitive) == 0;
    if (feld && F->CurrentRow && !RowSelect()) {
        if (focus || (grid_->Focused() && immer) || EnthaeltFokus(F->Editor) || EnthaeltFokus(F->panel_)) {
            ShowLive(F, cell);
            return true;
        }
    }
    if ((grid_->Focused() || AlwaysShowSelection()) && F->CurrentRow && feld && !RowSelect()) {
        ShowStill(F, cell);
        return true;
    }
    if (F->ShowWhen == swCellFocused) {
        if (FocusInGrid(F) && feld)
            return false;
        HideFloater(F);
        return false;
    }
    // Always: a copy of the editor in the cell; the editor itself stands
    // nowhere on this row.
    SizeToCellRect(F, cell, col);
    if (F->CurrentRow && F->Target()->Visible())
        HideFloater(F);
    // Without a painter the overlay paints the copy as the grid is painted.
    if (painter)
        PaintCellImage(F, painter, row - grid_->FixedRows(), cell.Top, cell.Left);
    return true;
}

void TGridSource::PaintCellImage(TFloater* F, QPainter* painter, int recordIndex, int top, int left)
{
    F->Painting = true;
    TDataLink* link = Link();
    if (grid_->RowCount() > recordIndex && recordIndex >= 0 && (!link || recordIndex < link->RecordCount())) {
        const int vorher = link ? link->ActiveRecord() : 0;
        if (link)
            link->SetActiveRecord(recordIndex);
        const bool gewaehlt = F->settings_ && F->settings_->IsSelectedCell();
        TWinControl* t = F->Target();
        if (F->panel_) {
            const TColor farbe = gewaehlt ? clHighlight : F->panelColor_;
            if (F->panel_->Color() != farbe)
                F->panel_->SetColor(farbe);
            const TPanelBevel rand = gewaehlt ? bvNone : F->panelBevel_;
            if (RowSelect() && F->panel_->BevelOuter() != rand)
                F->panel_->SetBevelOuter(rand);
        }
        const QRect zelle(left, top, t->Width(), t->Height());
        if (F->settings_ && F->settings_->PaintCopy) {
            painter->save();
            painter->setClipRect(zelle);
            F->settings_->PaintCopy(*painter, zelle, gewaehlt);
            painter->restore();
        } else if (t->Handle()) {
            t->Handle()->render(painter, zelle.topLeft(), QRegion(), QWidget::DrawChildren);
        }
        if (link)
            link->SetActiveRecord(vorher);
    }
    F->Painting = false;
}

void TGridSource::HideFloater(TFloater* F)
{
    if (!F || !grid_)
        return;
    if ((EnthaeltFokus(F->Editor) || EnthaeltFokus(F->panel_)) && grid_->CanFocus())
        grid_->SetFocus();
    TWinControl* t = F->Target();
    if (t && t->Visible()) {
        t->Invalidate();
        t->SetVisible(false);
    }
}

void TGridSource::HideAll()
{
    for (int i = 0; i < floaters_.Count(); ++i)
        if (floaters_.Items(i)->Target() && floaters_.Items(i)->Target()->Visible())
            HideFloater(floaters_.Items(i));
}

void TGridSource::ExamineFloaters()
{
    if (!grid_)
        return;
    for (int i = 0; i < floaters_.Count(); ++i) {
        TFloater* f = floaters_.Items(i);
        if (!f->Target() || !f->Target()->Visible() || f->Col < 0)
            continue;
        const TRect zelle = grid_->CellRect(f->Col, grid_->Row());
        if (zelle.Width() <= 0 || f->Col < grid_->LeftCol())
            HideFloater(f);
    }
}

void TGridSource::PlaceOnCurrentRow()
{
    const int row = grid_->Row();
    for (int i = 0; i < floaters_.Count(); ++i) {
        TFloater* f = floaters_.Items(i);
        if (f->Col < 0 || f->Col >= grid_->ColCount())
            continue;
        PositionFloater(f, nullptr, grid_->CellRect(f->Col, row), row, f->Col, false);
    }
}

void TGridSource::PaintImages(QPainter& p)
{
    if (!grid_)
        return;
    const int erste = grid_->FixedRows();
    const int letzte = std::min(grid_->RowCount(), erste + grid_->VisibleRowCount() + 1);
    // The copies leave the floaters' note of the current row as the grid's
    // paint placed them.
    std::vector<bool> aktuell;
    for (int i = 0; i < floaters_.Count(); ++i)
        aktuell.push_back(floaters_.Items(i)->CurrentRow);
    struct Zurueck {
        TFloaters& f;
        std::vector<bool>& a;
        ~Zurueck()
        {
            for (int i = 0; i < f.Count() && i < int(a.size()); ++i)
                f.Items(i)->CurrentRow = a[size_t(i)];
        }
    } zurueck{floaters_, aktuell};
    for (int row = erste; row < letzte; ++row)
        for (int i = 0; i < floaters_.Count(); ++i) {
            TFloater* f = floaters_.Items(i);
            if (!f->Visible || f->Col < grid_->LeftCol() || f->Col >= grid_->ColCount())
                continue;
            const TRect zelle = grid_->CellRect(f->Col, row);
            if (zelle.Width() <= 0 || zelle.Height() <= 0)
                continue;
            // The live editor covers its own cell.
            if (row == grid_->Row() && f->Target()->Visible())
                continue;
            PositionFloater(f, &p, zelle, row, f->Col, false);
        }
}

void TGridSource::UpdateOverlay()
{
    if (!overlay_ || !grid_)
        return;
    // The overlay was made before the editors were hooked, so they stand
    // above it. It is painted with every paint of the grid beneath it, so
    // asking it for a paint here would only ask the grid for another.
    const QRect flaeche(0, 0, grid_->ClientWidth(), grid_->ClientHeight());
    if (overlay_->geometry() != flaeche)
        overlay_->setGeometry(flaeche);
}

void TGridSource::Pass(QObject* watched, QEvent* e)
{
    passing_ = true;
    QCoreApplication::sendEvent(watched, e);
    passing_ = false;
}

bool TGridSource::GridEvent(QObject* watched, QEvent* e)
{
    if (passing_ || !grid_ || watched != GridWidget())
        return false;
    bool erledigt = false;
    switch (e->type()) {
    case QEvent::Paint:
        SyncFloaterColumns();
        // The grid scrolls its columns without a message of its own: an
        // editor whose column went out of view goes too.
        ExamineFloaters();
        PlaceOnCurrentRow();
        UpdateOverlay();
        refresh_ = false;
        break;
    case QEvent::Resize:
        Pass(watched, e);
        UpdateOverlay();
        grid_->Invalidate();
        erledigt = true;
        break;
    case QEvent::KeyPress: {
        auto* k = static_cast<QKeyEvent*>(e);
        const int key = k->key();
        if (IstNavigation(key))
            HideAll();
        TFloater* f = CurrentFloater();
        if (key == Qt::Key_F2 && f) {
            PositionFloater(f, nullptr, grid_->CellRect(f->Col, grid_->Row()), grid_->Row(), f->Col, true);
            erledigt = true;
            break;
        }
        if (!DkGrid(grid_) &&
            (key == Qt::Key_PageUp || key == Qt::Key_PageDown || key == Qt::Key_Up || key == Qt::Key_Down))
            refresh_ = true;
        const QString text = k->text();
        const bool zeichen = !text.isEmpty() && text.at(0).isPrint() &&
                             !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        if (zeichen && f) {
            // The editor opens on the cell and takes the typed character.
            PositionFloater(f, nullptr, grid_->CellRect(f->Col, grid_->Row()), grid_->Row(), f->Col, true);
            QWidget* ziel = QApplication::focusWidget();
            if (ziel && f->Editor->Handle() && (ziel == f->Editor->Handle() || f->Editor->Handle()->isAncestorOf(ziel))) {
                QKeyEvent kopie(QEvent::KeyPress, key, k->modifiers(), text);
                QCoreApplication::sendEvent(ziel, &kopie);
                QKeyEvent los(QEvent::KeyRelease, key, k->modifiers(), text);
                QCoreApplication::sendEvent(ziel, &los);
            }
            erledigt = true;
            break;
        }
        if ((key == Qt::Key_Tab || key == Qt::Key_Backtab) && !f) {
            Pass(watched, e);
            grid_->SetEditorMode(grid_->TCustomGrid::Options().Contains(goAlwaysShowEditor));
            if (grid_->InplaceEditor())
                grid_->InplaceEditor()->SelectAll();
            erledigt = true;
        }
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        auto* m = static_cast<QMouseEvent*>(e);
        TGridOptions optionen = grid_->TCustomGrid::Options();
        bool zurueck = false;
        if (e->type() == QEvent::MouseButtonPress && m->button() == Qt::LeftButton) {
            const TGridCoord zelle = grid_->MouseCoord(int(m->position().x()), int(m->position().y()));
            // A click must not open the grid's own editor in a floated column.
            if (zelle.Y >= grid_->FixedRows() && optionen.Contains(goEditing) && !RowSelect()) {
                TGridOptions ohne = optionen;
                ohne.Exclude(goEditing);
                grid_->TCustomGrid::SetOptions(ohne);
                zurueck = true;
            }
            HideAll();
        }
        Pass(watched, e);
        if (zurueck && grid_)
            grid_->TCustomGrid::SetOptions(optionen);
        ExamineFloaters();
        erledigt = true;
        break;
    }
    case QEvent::FocusOut: {
        Pass(watched, e);
        bool drin = false;
        for (int i = 0; i < floaters_.Count(); ++i)
            drin |= EnthaeltFokus(floaters_.Items(i)->Editor) || EnthaeltFokus(floaters_.Items(i)->panel_);
        if (!drin)
            HideAll();
        erledigt = true;
        break;
    }
    default:
        break;
    }
    for (int i = 0; i < floaters_.Count(); ++i)
        if (floaters_.Items(i)->OnGridMessage)
            floaters_.Items(i)->OnGridMessage(this, e);
    return erledigt;
}
