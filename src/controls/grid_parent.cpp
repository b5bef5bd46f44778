#include "controls/grid_parent.h"

void TGridParent::Assign(const TPersistent* Source)
{
    const auto* s = dynamic_cast<const TGridParent*>(Source);
    if (!s)
        return;
    AlwaysShowEditing = s->AlwaysShowEditing;
    PanelBevel = s->PanelBevel;
    PanelColor = s->PanelColor;
    grid_ = s->grid_;
    Field = s->Field;
    SizeToCell = s->SizeToCell;
    ShowWhen = s->ShowWhen;
    UsePanel = s->UsePanel;
    Visible = s->Visible;
}
