#include "report/engine/rg_template_dialogs.h"

#include "platform/ui/ext_ctrls.h"
#include "platform/ui/std_ctrls.h"
#include "report/output/rg_strings.h"

void TrgTemplateErrorDialog::Register()
{
    rgRegisterFormClass<TrgCustomTemplateErrorDialog, TrgTemplateErrorDialog>(QStringLiteral("TrgTemplateErrorDialog"));
}

void TrgTemplateDialog::Register()
{
    rgRegisterFormClass<TrgCustomTemplateDialog, TrgTemplateDialog>(QStringLiteral("TrgTemplateDialog"));
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

// ---- template dialog ---------------------------------------------------------------

namespace {

constexpr int sCancel = 5, sPage = 18, sOpenButton = 134, sSaveButton = 138, sOpen = 361, sSave = 362;

}  // namespace

TrgTemplateDialog::TrgTemplateDialog(TComponent* AOwner) : TrgCustomTemplateDialog(AOwner)
{
    Name = QStringLiteral("rgTemplateDialog");
    SetCaption(QStringLiteral("Open"));
    SetBorderStyle(bsDialog);
    SetClientWidth(419);
    SetClientHeight(265);

    hdrList = new THeader(this);
    hdrList->Name = QStringLiteral("hdrList");
    hdrList->SetParent(this);
    hdrList->SetBounds(6, 5, 406, 18);
    hdrList->SetSections({QStringLiteral("Name"), QStringLiteral("Description")});
    hdrList->SetSectionWidth(0, 150);

    lbxTemplates = new TListBox(this);
    lbxTemplates->Name = QStringLiteral("lbxTemplates");
    lbxTemplates->SetParent(this);
    lbxTemplates->SetBounds(6, 22, 406, 167);
    lbxTemplates->SetSorted(true);
    lbxTemplates->SetTabOrder(1);
    lbxTemplates->OnClick = [this](TObject* Sender) { lbxTemplatesClick(Sender); };
    lbxTemplates->OnDblClick = [this](TObject* Sender) { lbxTemplatesDblClick(Sender); };

    btnCancel = new TButton(this);
    btnCancel->Name = QStringLiteral("btnCancel");
    btnCancel->SetParent(this);
    btnCancel->SetBounds(337, 233, 75, 25);
    btnCancel->SetCaption(QStringLiteral("Cancel"));
    btnCancel->Cancel = true;
    btnCancel->ModalResult = mrCancel;

    btnOK = new TButton(this);
    btnOK->Name = QStringLiteral("btnOK");
    btnOK->SetParent(this);
    btnOK->SetBounds(338, 203, 75, 25);
    btnOK->SetCaption(QStringLiteral("&Open"));
    btnOK->SetDefault(true);
    btnOK->ModalResult = mrOk;

    edtTemplateName = new TEdit(this);
    edtTemplateName->Name = QStringLiteral("edtTemplateName");
    edtTemplateName->SetParent(this);
    edtTemplateName->SetBounds(91, 204, 222, edtTemplateName->Height());
    edtTemplateName->SetTabOrder(4);

    lblTemplateName = new TLabel(this);
    lblTemplateName->Name = QStringLiteral("lblTemplateName");
    lblTemplateName->SetParent(this);
    lblTemplateName->SetLeft(9);
    lblTemplateName->SetTop(207);
    lblTemplateName->SetCaption(QStringLiteral("Template Name"));
    Loaded();
    DoCreate();
}

QString TrgTemplateDialog::GetTemplateName() const { return edtTemplateName->Text(); }

TStringList TrgTemplateDialog::GetTemplateNames() const
{
    TStringList names;
    lbxTemplates->Items()->AssignTo(names);
    return names;
}

void TrgTemplateDialog::SetTemplateNames(const TStringList& Names) { lbxTemplates->Items()->Assign(Names); }

void TrgTemplateDialog::Activate()
{
    edtTemplateName->SelectAll();
    if (Mode == ModeSave) {
        SetCaption(LanguageString(sSave) + QLatin1Char(' ') + edtTemplateName->Text() + QLatin1Char(' ') +
                   LanguageString(sPage));
        btnOK->SetCaption(LanguageString(sSaveButton));
    } else {
        SetCaption(LanguageString(sOpen));
        btnOK->SetCaption(LanguageString(sOpenButton));
    }
    btnCancel->SetCaption(LanguageString(sCancel));
    SetActiveControl(edtTemplateName);
    TrgCustomTemplateDialog::Activate();
}

void TrgTemplateDialog::lbxTemplatesClick(TObject*)
{
    const int index = lbxTemplates->ItemIndex();
    if (index >= 0)
        edtTemplateName->SetText(lbxTemplates->Items()->Get(index));
}

void TrgTemplateDialog::lbxTemplatesDblClick(TObject* Sender)
{
    lbxTemplatesClick(Sender);
    btnOK->Click();
}
