#include "dialogs/system_colours.h"

#include "controls/db_date_edit.h"
#include "controls/spin_edit.h"
#include "datacontrols/dk_db_combo.h"
#include "datacontrols/dk_db_edit.h"
#include "datacontrols/dk_lookup_combo.h"
#include "datacontrols/dk_lookup_combo_dialog.h"
#include "datacontrols/dk_record_view.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/forms.h"
#include "platform/ui/std_ctrls.h"

void SystemfarbenSetzen(TCustomForm* form)
{
    if (!form)
        return;
    for (int i = 0; i < form->ComponentCount(); ++i) {
        TComponent* c = form->Components(i);
        auto* control = dynamic_cast<TControl*>(c);
        if (control) {
            // The tests run one after the other: a class matching several
            // keeps the colour of the last one.
            if (dynamic_cast<TPanel*>(c))
                control->SetColor(clBtnFace);
            if (dynamic_cast<TEdit*>(c) || dynamic_cast<TdkDBEdit*>(c) || dynamic_cast<TdkDBLookupCombo*>(c) ||
                dynamic_cast<TdkDBLookupComboDlg*>(c) ||
                dynamic_cast<TdkDBComboBox*>(c) ||
                dynamic_cast<TswDBSpinEdit*>(c) || dynamic_cast<TDBDateEditPlus*>(c))
                control->SetColor(clWindow);
            if (dynamic_cast<TdkDBCheckBox*>(c))
                control->SetColor(clBtnFace);
        }
        Application->ProcessMessages();
    }
}
