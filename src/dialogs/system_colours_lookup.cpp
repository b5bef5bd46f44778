// The lookup combos' part of SystemfarbenSetzen (see system_colours.cpp).

#include "datacontrols/dk_lookup_combo.h"
#include "datacontrols/dk_lookup_combo_dialog.h"

bool IstLookupCombo(const TComponent* c)
{
    return dynamic_cast<const TdkDBLookupCombo*>(c) || dynamic_cast<const TdkDBLookupComboDlg*>(c);
}
