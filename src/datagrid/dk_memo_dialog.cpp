#include "datagrid/dk_memo_dialog.h"

#include "datagrid/dk_intl.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/std_ctrls.h"

#include <memory>

// ---- TdkMemoDialog -------------------------------------------------------
TdkMemoDialog::TdkMemoDialog(TComponent* AOwner) : TComponent(AOwner) {}

TdkMemoDialog::~TdkMemoDialog() { link_.SetDataSource(nullptr); }

void TdkMemoDialog::DoInitDialog()
{
    if (OnInitDialog)
        OnInitDialog(Dialog);
}

void TdkMemoDialog::DoCloseDialog()
{
    if (OnCloseDialog)
        OnCloseDialog(Dialog);
}

bool TdkMemoDialog::Execute()
{
    return dkExecuteMemoDlg(Screen->ActiveForm(), this, !MemoAttributes.Contains(mViewOnly));
}

// ---- TdkMemoDlg ----------------------------------------------------------
TdkMemoDlg::TdkMemoDlg(TComponent* AOwner) : TForm(AOwner)
{
    Name = QStringLiteral("dkMemoDlg");
    SetCaption(QStringLiteral("Dialog"));
    Position = poScreenCenter;
    SetBounds(0, 0, kDesignedWidth, kDesignedHeight);
    Memo = new TMemo(this);
    Memo->Name = QStringLiteral("Memo");
    Memo->SetParent(this);
    Memo->SetScrollBars(ssVertical);
    Memo->WantTabs = true;
    Memo->SetText(QStringLiteral("Memo"));
    Memo->OnKeyDown = [this](TObject*, Word& Key, TShiftState Shift) { MemoKeyDown(Key, Shift); };
    UserButtonPanel = new TPanel(this);
    UserButtonPanel->SetParent(this);
    UserButtonPanel->SetBevelInner(bvRaised);
    UserButtonPanel->SetBevelOuter(bvLowered);
    UserButtonPanel->SetVisible(false);
    UserButton1 = new TButton(this);
    UserButton1->SetParent(UserButtonPanel);
    UserButton1->SetBounds(0, 4, 89, 26);
    UserButton1->SetVisible(false);
    UserButton1->OnClick = [this](TObject*) { UserButton1Click(); };
    UserButton2 = new TButton(this);
    UserButton2->SetParent(UserButtonPanel);
    UserButton2->SetBounds(0, 4, 89, 26);
    UserButton2->SetVisible(false);
    UserButton2->OnClick = [this](TObject*) { UserButton2Click(); };
    OKBtn = dkCreateDialogButton(this, 1);
    OKBtn->SetTabOrder(1);
    OKBtn->OnClick = [this](TObject*) { OKBtnClick(); };
    CancelBtn = dkCreateDialogButton(this, 2);
    CancelBtn->SetTabOrder(2);
    OnShow = [this](TObject*) { FormShow(); };
    OnResize = [this](TObject*) { ResizeControls(); };
    OnCloseQuery = [this](TObject*, bool& CanClose) { CanClose = FormCloseQuery(); };
    ResizeControls();
}

void TdkMemoDlg::FormShow()
{
    if (shownOnce_)
        return;
    shownOnce_ = true;
    KeyPreview = true;
    Memo->SetFont(&showFont_);
    SetCaption(showCaption_);
    if (wanted_.Left == 0 && wanted_.Top == 0)
        SetBounds(Left(), Top(), wanted_.Width(), wanted_.Height());
    else if (wanted_.Left > 0 || wanted_.Top > 0)
        SetBounds(wanted_.Left, wanted_.Top, wanted_.Width(), wanted_.Height());
    else
        SetBounds(Left(), Top(), kDesignedWidth, kDesignedHeight);
    bool any = !UserButton1->Caption().isEmpty() || !UserButton2->Caption().isEmpty();
    if (any) {
        UserButtonPanel->SetVisible(true);
        UserButtonPanel->SetTop(Memo->Top() + Memo->Height() + 2);
        UserButtonPanel->SetLeft(Memo->Left() - 1);
        int x = 0;
        if (!UserButton1->Caption().isEmpty()) {
            UserButton1->SetLeft(x + 10);
            UserButton1->SetVisible(true);
            x = UserButton1->Left() + UserButton1->Width();
        }
        if (!UserButton2->Caption().isEmpty()) {
            UserButton2->SetLeft(x + 15);
            UserButton2->SetVisible(true);
            x = UserButton2->Left() + UserButton2->Width();
        }
        UserButtonPanel->SetBounds(UserButtonPanel->Left(), UserButtonPanel->Top(), x + 10, 34);
    }
    Memo->Font()->SetStyle(dkIntl()->DialogFontStyle);
    if (memoDialog_) {
        memoDialog_->Dialog = this;
        memoDialog_->DoInitDialog();
    }
    Memo->Modified = false;
    ResizeControls();
}

void TdkMemoDlg::ResizeControls()
{
    if (!Memo || !OKBtn || !CancelBtn)
        return;
    int frame = 2 * FrameWidth() + CaptionHeight();
    Memo->SetBounds(6, 6, Width() - 20, std::max(20, Height() - (frame + 53)));
    OKBtn->SetTop(Memo->Height() + 17);
    CancelBtn->SetTop(Memo->Height() + 17);
    if (UserButtonPanel->Visible())
        UserButtonPanel->SetTop(Memo->Top() + Memo->Height() + 2);
    if (Memo->ReadOnly()) {
        bool userCaption = !UserButton1->Caption().isEmpty() || !UserButton2->Caption().isEmpty();
        if (userCaption)
            OKBtn->SetLeft(Memo->Left() + Memo->Width() - OKBtn->Width() - 25);
        else
            OKBtn->SetLeft(Memo->Width() / 2 - CancelBtn->Width() / 2 + Memo->Left());
    } else {
        OKBtn->SetLeft(Memo->Width() - 2 * (OKBtn->Width() + 20));
        CancelBtn->SetLeft(Memo->Width() - (OKBtn->Width() + 20));
        CancelBtn->SetVisible(true);
    }
    OKBtn->SetVisible(true);
}

bool TdkMemoDlg::FormCloseQuery()
{
    bool can = true;
    bool confirming = okPressed_ || ModalResult == mrOk;
    if (Memo->Modified && !confirming && !Memo->ReadOnly())
        can = MessageDlg(dkUserMessage(QStringLiteral("MemoChangesWarning")), mtConfirmation, {mbYes, mbNo}) ==
              mrYes;
    okPressed_ = false;
    return can;
}

void TdkMemoDlg::MemoKeyDown(Word& Key, TShiftState Shift)
{
    if ((Key == VK_RETURN && Shift.Contains(ssCtrl)) || Key == VK_F2) {
        OKBtnClick();
        ModalResult = mrOk;
        Key = 0;
    } else if (Key == VK_ESCAPE) {
        ModalResult = mrCancel;
        Key = 0;
    }
}

void TdkMemoDlg::OKBtnClick() { okPressed_ = true; }

void TdkMemoDlg::UserButton1Click()
{
    if (memoDialog_ && memoDialog_->OnUserButton1Click)
        memoDialog_->OnUserButton1Click(this, Memo);
}

void TdkMemoDlg::UserButton2Click()
{
    if (memoDialog_ && memoDialog_->OnUserButton2Click)
        memoDialog_->OnUserButton2Click(this, Memo);
}

void TdkMemoDlg::KeyPress(QChar& Key)
{
    TForm::KeyPress(Key);
    if (Key == QChar(27))
        Key = QChar();
}

// ---- dkExecuteMemoDlg ----------------------------------------------------
bool dkExecuteMemoDlg(TCustomForm* OwnerForm, TdkMemoDialog* MemoDialog, bool Editable)
{
    auto dlg = std::make_unique<TdkMemoDlg>(nullptr);
    if (OwnerForm && OwnerForm->FormStyle() == fsStayOnTop)
        dlg->SetFormStyle(fsStayOnTop);
    dlg->memoDialog_ = MemoDialog;
    TDataSet* ds = MemoDialog->DataSource() ? MemoDialog->DataSource()->DataSet() : nullptr;
    TField* field = nullptr;
    if (ds && !MemoDialog->DataField().isEmpty()) {
        field = ds->FieldByName(MemoDialog->DataField());
        if (field->IsBlob()) {
            // A memo that holds binary bytes (a zero byte) is shown, never
            // written back: its text would not give the same bytes again.
            QByteArray bytes = static_cast<TBlobField*>(field)->AsBytes();
            if (bytes.contains('\0')) {
                Editable = false;
                QByteArray shown = bytes;
                shown.replace('\0', ' ');
                dlg->Memo->SetText(QString::fromLatin1(shown));
            } else {
                dlg->Memo->SetText(field->AsString());
            }
        } else {
            dlg->Memo->SetText(field->AsString());
        }
    }
    dlg->Memo->SetWordWrap(MemoDialog->MemoAttributes.Contains(mWordWrap));
    dlg->SetBorderStyle(MemoDialog->MemoAttributes.Contains(mSizeable) ? bsSizeable : bsDialog);
    dlg->showFont_.Assign(MemoDialog->Font());
    dlg->showCaption_ = MemoDialog->Caption;
    if (!Editable) {
        dlg->CancelBtn->SetVisible(false);
        dlg->Memo->SetReadOnly(true);
    }
    dlg->wanted_ = Bounds(MemoDialog->DlgLeft, MemoDialog->DlgTop, MemoDialog->DlgWidth, MemoDialog->DlgHeight);
    if (MemoDialog->DlgLeft > 0 || MemoDialog->DlgTop > 0)
        dlg->Position = poDefault;
    dlg->UserButton1->SetCaption(MemoDialog->UserButton1Caption);
    dlg->UserButton2->SetCaption(MemoDialog->UserButton2Caption);
    bool confirmed = dlg->ShowModal() == mrOk;
    MemoDialog->DoCloseDialog();
    MemoDialog->Dialog = nullptr;
    if (confirmed && Editable && field) {
        ds->Edit();
        field->SetAsString(dlg->Memo->Text());
    }
    return confirmed;
}
