#pragma once
// The small window that shows the progress of a print or a file output and
// lets the user cancel it.

#include "report/output/rg_forms.h"

class TButton;
class TMemo;

class TrgCancelDialog : public TrgCustomCancelDialog {
public:
    explicit TrgCancelDialog(TComponent* AOwner);

    // Registers the dialog for the abstract cancel dialog.
    static void Register();

    TButton* btnCancel;
    TMemo* memMessage;

    void Activate() override;
    void CancelClick();

protected:
    void LanguageChanged() override;
    void MessageChanged() override;
};
