#pragma once
// The dialog behind a bar code's "Configure..." item: symbology, orientation,
// bar width, wide bar ratio, add-on code, bearer bars and check digit. It
// shows the values it was given when it opens and takes the edited ones back
// into them when it closes with OK. Registered for TrgCustomBarCodeDialog.

#include "report/output/rg_forms.h"

class TButton;
class TCheckBox;
class TComboBox;
class TEdit;
class TLabel;

class TrgBarCodeDialog : public TrgCustomBarCodeDialog {
public:
    explicit TrgBarCodeDialog(TComponent* AOwner);

    // Registers the dialog for the abstract bar code dialog.
    static void Register();

    // Puts the values into the controls.
    void Activate() override;

    TLabel* lblType;
    TComboBox* cbxType;
    TLabel* lblOrientation;
    TComboBox* cbxOrientation;
    TLabel* lblBarWidth;
    TEdit* edtBarWidth;
    TLabel* lblWideBarRatio;
    TEdit* edtWideBarRatio;
    TLabel* lblAddOnCode;
    TEdit* edtAddOnCode;
    TCheckBox* chkBearerBars;
    TCheckBox* chkCalcCheckDigit;
    TButton* btnOK;
    TButton* btnCancel;

protected:
    void LanguageChanged() override;

private:
    // Takes the controls' values back; a number that does not read keeps
    // the value shown.
    void TakeValues();

    bool shown_ = false;
};
