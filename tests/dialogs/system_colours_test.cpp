// SystemfarbenSetzen: panels and data-aware check boxes get the button
// face, edits and the data-aware edit, combo, lookup and spin controls the
// window background; other controls keep their colour.

#include "controls/spin_edit.h"
#include "datacontrols/dk_db_combo.h"
#include "datacontrols/dk_db_edit.h"
#include "datacontrols/dk_lookup_combo.h"
#include "datacontrols/dk_lookup_combo_dialog.h"
#include "datacontrols/dk_record_view.h"
#include "dialogs/system_colours.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/forms.h"
#include "platform/ui/std_ctrls.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

TEST(SystemColours, PanelsAndCheckBoxesButtonFaceEditsWindow)
{
    TForm form(nullptr);
    auto* panel = new TPanel(&form);
    auto* edit = new TEdit(&form);
    auto* dbEdit = new TdkDBEdit(&form);
    auto* combo = new TdkDBComboBox(&form);
    auto* spin = new TswDBSpinEdit(&form);
    auto* label = new TLabel(&form);
    auto* lookup = new TdkDBLookupCombo(&form);
    auto* lookupDlg = new TdkDBLookupComboDlg(&form);
    auto* check = new TdkDBCheckBox(&form);
    for (TControl* c : std::initializer_list<TControl*>{panel, edit, dbEdit, combo, spin, label, lookup, lookupDlg, check}) {
        c->SetParent(&form);
        c->SetColor(clRed);
    }
    SystemfarbenSetzen(&form);
    EXPECT_EQ(panel->Color(), clBtnFace);
    EXPECT_EQ(edit->Color(), clWindow);
    EXPECT_EQ(dbEdit->Color(), clWindow);
    EXPECT_EQ(combo->Color(), clWindow);
    EXPECT_EQ(spin->Color(), clWindow);
    EXPECT_EQ(label->Color(), clRed);
    EXPECT_EQ(lookup->Color(), clWindow);
    EXPECT_EQ(lookupDlg->Color(), clWindow);
    EXPECT_EQ(check->Color(), clBtnFace);
}

}  // namespace
