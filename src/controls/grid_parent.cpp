#include "controls/grid_parent.h"

#include "controls/grid_source.h"

TGridParent::~TGridParent() { Detach(); }

void TGridParent::Assign(const TPersistent* Source)
{
    const auto* s = dynamic_cast<const TGridParent*>(Source);
    if (!s)
        return;
    AlwaysShowEditing = s->AlwaysShowEditing;
    PanelBevel = s->PanelBevel;
    PanelColor = s->PanelColor;
    grid_ = s->grid_;
    field_ = s->field_;
    sizeToCell_ = s->sizeToCell_;
    showWhen_ = s->showWhen_;
    usePanel_ = s->usePanel_;
    visible_ = s->visible_;
    UpdateFloater();
}

void TGridParent::SetGrid(TCustomGrid* grid)
{
    if (grid == grid_)
        return;
    const bool war = Attached();
    Detach();
    grid_ = grid;
    // The editor hears of the grid's removal and lets it go.
    if (grid_ && editor_)
        grid_->FreeNotification(editor_);
    if (war)
        Attach();
}

void TGridParent::SetField(const QString& v)
{
    field_ = v;
    UpdateFloater();
}

void TGridParent::SetSizeToCell(bool v)
{
    sizeToCell_ = v;
    UpdateFloater();
}

void TGridParent::SetShowWhen(TShowWhen v)
{
    showWhen_ = v;
    UpdateFloater();
}

void TGridParent::SetUsePanel(bool v)
{
    usePanel_ = v;
    UpdateFloater();
}

void TGridParent::SetVisible(bool v)
{
    visible_ = v;
    UpdateFloater();
}

void TGridParent::UpdateFloater()
{
    if (!floater_)
        return;
    floater_->AlwaysShowEditing = AlwaysShowEditing;
    floater_->Field = field_;
    floater_->SizeToCell = sizeToCell_;
    floater_->ShowWhen = showWhen_;
    floater_->Visible = visible_;
    floater_->SetUsePanel(usePanel_);
    if (floater_->Source && floater_->Source->Grid())
        floater_->Source->Grid()->Invalidate();
}

bool TGridParent::Attached() const { return floater_ && floater_->Source && floater_->Source->Active(); }

void TGridParent::SetAttached(bool b)
{
    if (b == Attached())
        return;
    if (b)
        Attach();
    else
        Detach();
}

void TGridParent::Attach()
{
    Detach();
    if (!grid_ || !editor_ || floater_)
        return;
    auto* f = new TFloater(this, editor_);
    floater_ = f;
    TGridSource* source = TGridSource::FindSource(grid_->Owner(), grid_);
    if (!source) {
        source = new TGridSource(grid_->Owner());
        source->SetGrid(grid_);
    }
    source->AddFloater(f);
}

void TGridParent::Detach()
{
    TFloater* f = floater_;
    floater_ = nullptr;
    delete f;
}

bool TGridParent::IsSelectedCell() const
{
    if (!floater_ || !floater_->CurrentRow || !floater_->Source || !grid_)
        return false;
    const TGridSource* s = floater_->Source;
    if (!s->RowSelect()) {
        if (!s->AlwaysShowSelection() || s->CurrentFieldName() != floater_->Field)
            return false;
    }
    return grid_->Focused() || s->AlwaysShowSelection();
}
