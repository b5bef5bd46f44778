#include "report/engine/rg_template_dialogs.h"

#include "platform/ui/ext_ctrls.h"
#include "platform/ui/std_ctrls.h"

void TrgTemplateErrorDialog::Register()
{
    rgRegisterFormClass<TrgCustomTemplateErrorDialog, TrgTemplateErrorDialog>(QStringLiteral("TrgTemplateErrorDialog"));
}

namespace {

TButton* DialogButton(TrgForm* Form, const char* Name, const char* Caption, int Left, TModalResult Result,
                      int TabOrder)
{
    auto* button = new TButton(Form);
    button->Name = QString::fromLatin1(Name);
    button->SetParent(Form);
    button->SetBounds(Left, 94, 75, 23);
    button->SetCaption(QString::fromLatin1(Caption));
    button->ModalResult = Result;
    button->SetTabOrder(TabOrder);
    return button;
}

}  // namespace

TrgTemplateErrorDialog::TrgTemplateErrorDialog(TComponent* AOwner) : TrgCustomTemplateErrorDialog(AOwner)
{
    Name = QStringLiteral("rgTemplateErrorDialog");
    SetCaption(QStringLiteral("Error Reading Template"));
    Position = poScreenCenter;
    SetWidth(318);
    SetHeight(150);
    Font()->SetName(QStringLiteral("MS Sans Serif"));
    Font()->SetHeight(-11);

    Bevel1 = new TBevel(this);
    Bevel1->Name = QStringLiteral("Bevel1");
    Bevel1->SetParent(this);
    Bevel1->SetBounds(7, 8, 295, 77);

    lblMessage = new TLabel(this);
    lblMessage->Name = QStringLiteral("lblMessage");
    lblMessage->SetParent(this);
    lblMessage->SetAutoSize(false);
    lblMessage->SetWordWrap(true);
    lblMessage->SetBounds(14, 13, 280, 66);

    btnIgnore = DialogButton(this, "btnIgnore", "&Ignore", 37, mrIgnore, 0);
    btnCancel = DialogButton(this, "btnCancel", "Cancel", 118, mrCancel, 1);
    btnIgnoreAll = DialogButton(this, "btnIgnoreAll", "Ignore &All", 199, mrAll, 2);
    Loaded();
    DoCreate();
}

QString TrgTemplateErrorDialog::GetMessage() const
{
    return lblMessage->Caption();
}

void TrgTemplateErrorDialog::SetMessage(const QString& Value)
{
    lblMessage->SetCaption(Value);
}

void TrgTemplateErrorDialog::LanguageChanged()
{
    SetCaption(LanguageString(418));
    btnIgnore->SetCaption(LanguageString(416));
    btnCancel->SetCaption(LanguageString(5));
    btnIgnoreAll->SetCaption(LanguageString(417));
}
