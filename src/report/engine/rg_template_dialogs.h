#pragma once
// The dialog the template reader shows for each error it meets: the message,
// then "Ignore", "Cancel" and "Ignore All". The engine creates it only
// through the form registry (TrgCustomTemplateErrorDialog).

#include "report/output/rg_forms.h"

class TBevel;
class TButton;
class TLabel;

class TrgTemplateErrorDialog : public TrgCustomTemplateErrorDialog {
public:
    explicit TrgTemplateErrorDialog(TComponent* AOwner);

    // Registers the dialog for the abstract template error dialog.
    static void Register();

    QString GetMessage() const override;
    void SetMessage(const QString& Value) override;

    TBevel* Bevel1;
    TLabel* lblMessage;
    TButton* btnIgnore;
    TButton* btnCancel;
    TButton* btnIgnoreAll;

protected:
    void LanguageChanged() override;
};
