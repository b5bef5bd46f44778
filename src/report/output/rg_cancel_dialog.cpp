#include "report/output/rg_cancel_dialog.h"

#include <QFontMetrics>

#include "platform/ui/std_ctrls.h"

void TrgCancelDialog::Register()
{
    rgRegisterFormClass<TrgCustomCancelDialog, TrgCancelDialog>(QStringLiteral("TrgCancelDialog"));
}

TrgCancelDialog::TrgCancelDialog(TComponent* AOwner) : TrgCustomCancelDialog(AOwner)
{
    Name = QStringLiteral("rgCancelDialog");
    SetCaption(QStringLiteral("Printing"));
    SetBorderStyle(bsDialog);
    Position = poScreenCenter;
    SetClientWidth(330);
    SetClientHeight(116);

    memMessage = new TMemo(this);
    memMessage->Name = QStringLiteral("memMessage");
    memMessage->SetParent(this);
    memMessage->SetBounds(10, 10, 310, 56);
    memMessage->SetReadOnly(true);
    memMessage->SetColor(clBtnFace);
    memMessage->SetTabStop(false);

    btnCancel = new TButton(this);
    btnCancel->Name = QStringLiteral("btnCancel");
    btnCancel->SetParent(this);
    btnCancel->SetBounds(128, 78, 75, 27);
    btnCancel->SetCaption(QStringLiteral("Cancel"));
    btnCancel->Cancel = true;
    btnCancel->SetEnabled(false);
    btnCancel->OnClick = [this](TObject*) { CancelClick(); };

    OnClose = [](TObject*, TCloseAction& Action) { Action = caFree; };
    Loaded();
    // FormCreate: no message yet.
    memMessage->Clear();
    DoCreate();
}

void TrgCancelDialog::Activate()
{
    if (CancelEnabled)
        btnCancel->SetEnabled(true);
    TrgCustomCancelDialog::Activate();
}

void TrgCancelDialog::LanguageChanged()
{
    btnCancel->SetCaption(LanguageString(5));
    SetCaption(LanguageString(24));
    const int width = QFontMetrics(btnCancel->Font()->ToQFont()).horizontalAdvance(LanguageString(5)) + 30;
    btnCancel->SetBounds((ClientWidth() - width) / 2, btnCancel->Top(), width, btnCancel->Height());
}

void TrgCancelDialog::MessageChanged()
{
    memMessage->SetText(Detail().isEmpty() ? Message() : Message() + QStringLiteral("\n") + Detail());
}

void TrgCancelDialog::CancelClick()
{
    DoCancel();
    Close();
}
