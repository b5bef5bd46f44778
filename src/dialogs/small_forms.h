#pragma once
// Three small forms of the main window: the upload source chooser, the
// value entry dialog "Filter-Dialog" and the processing message window.

#include "platform/ui/forms.h"

class TBitBtn;
class TComboBox;
class TEdit;
class TLabel;
class TPanel;

// "Uploadquelle auswählen": the caller fills the combo, shows the form and
// reads the chosen index on OK.
class TUploadAuswahlForm : public TForm {
public:
    explicit TUploadAuswahlForm(TComponent* AOwner);
    TLabel* Label1;
    TLabel* Label2;
    TComboBox* ComboBox_UploadQuelle;
    TBitBtn* BitBtnOK;
    TBitBtn* BitBtnAbbruch;
};

// The upload command's question: the items of the options' upload mode
// combo, item 1 selected; the chosen index on OK, -1 when cancelled.
int UploadquelleWaehlen(const QStringList& eintraege);

// "Filter-Dialog": asks for a value in Edit1 or cboEingabe.
class TBilderDialogForm : public TForm {
public:
    explicit TBilderDialogForm(TComponent* AOwner);
    TLabel* Label1;
    TLabel* LabelHinweis;
    TEdit* Edit1;
    TComboBox* cboEingabe;
    TBitBtn* BitBtnOK;
    TBitBtn* BitBtnAbbruch;
    // Edit1 takes the focus when the dialog and Edit1 are visible.
    void EditFokus();
};

// "Meldung": shown while long bulk operations run. Esc in it sets the
// program-wide abort flag that the progress window's Esc sets too.
class TMeldungForm : public TForm {
public:
    explicit TMeldungForm(TComponent* AOwner);
    TPanel* Panel1;
};
