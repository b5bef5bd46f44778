#pragma once
// The template dialogs. The template reader shows TrgTemplateErrorDialog for
// each error it meets: the message, then "Ignore", "Cancel" and "Ignore All".
// TrgTemplateDialog lets a designer pick a template by name, to open or to
// save. The engine creates them only through the form registry
// (TrgCustomTemplateErrorDialog, TrgCustomTemplateDialog).

#include "report/output/rg_forms.h"

class TBevel;
class TButton;
class TEdit;
class THeader;
class TLabel;
class TListBox;

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

class TrgTemplateDialog : public TrgCustomTemplateDialog {
public:
    explicit TrgTemplateDialog(TComponent* AOwner);

    // Registers the dialog for the abstract template dialog.
    static void Register();

    QString GetTemplateName() const override;
    TStringList GetTemplateNames() const override;
    void SetTemplateNames(const TStringList& Names) override;

    // Captions by mode, the name all selected and the active control.
    void Activate() override;

    // A selected entry's name goes into the edit; a double click also
    // accepts it (OK).
    void lbxTemplatesClick(TObject* Sender);
    void lbxTemplatesDblClick(TObject* Sender);

    THeader* hdrList;
    TListBox* lbxTemplates;
    TButton* btnCancel;
    TButton* btnOK;
    TEdit* edtTemplateName;
    TLabel* lblTemplateName;
};
