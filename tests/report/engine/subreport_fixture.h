#pragma once
// A subreport's child report laid out by a test: the default bands go, a
// detail band of 4 mm over Rows holds one label of 30 mm at its top.

#include "report/engine/rg_bands.h"
#include "report/engine/rg_subreport.h"
#include "report/engine/rg_text_components.h"

namespace rgtest {

inline TrgLabel* ChildLine(TrgSubReport* Sub, TComponent* Owner, TrgDataPipeline* Rows)
{
    TrgReport* child = Sub->Report();
    while (child->GetBandCount() > 0)
        delete child->GetBandAt(0);
    child->SetDataPipeline(Rows);
    auto* detail = new TrgDetailBand(Owner);
    child->AddBand(detail);
    detail->SetmmHeight(4000);
    auto* line = new TrgLabel(Owner);
    line->SetAutoSize(false);
    line->SetBand(detail);
    line->SetmmBounds(0, 0, 30000, 4000);
    return line;
}

}  // namespace rgtest
