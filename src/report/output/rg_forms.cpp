#include "report/output/rg_forms.h"

#include <algorithm>
#include <map>

#include "report/output/rg_strings.h"

TrgForm::TrgForm(TComponent* AOwner) : TForm(AOwner)
{
    // The window's activation (and its first showing, which the offscreen
    // platform does not always follow with an activation) runs Activate.
    OnActivate = [this](TObject*) { Activate(); };
    OnShow = [this](TObject*) { Activate(); };
}

TrgForm::~TrgForm()
{
    if (OnDestroyHook1)
        OnDestroyHook1(this);
    if (OnDestroyHook2)
        OnDestroyHook2(this);
}

void TrgForm::SetLanguageIndex(int Value)
{
    languageIndex_ = Value;
    LanguageChanged();
}

void TrgForm::SetReport(TComponent* Value)
{
    report_ = Value;
    ReportAssigned();
}

QString TrgForm::LanguageString(int Offset) const
{
    return rgLoadString(languageIndex_ + Offset);
}

void TrgForm::Activate()
{
    if (OnActivateHook)
        OnActivateHook(this);
}

// ---- cancel dialog --------------------------------------------------------------

TrgCustomCancelDialog::TrgCustomCancelDialog(TComponent* AOwner) : TrgForm(AOwner)
{
    closeTimer_ = new TTimer(this);
    closeTimer_->SetEnabled(false);
    closeTimer_->SetInterval(10);
    closeTimer_->OnTimer = [this](TObject*) {
        closeTimer_->SetEnabled(false);
        ModalResult = mrOk;
    };
    showTimer_ = new TTimer(this);
    showTimer_->SetEnabled(false);
    showTimer_->OnTimer = [this](TObject*) { ShowDuringJob(); };
}

TrgCustomCancelDialog::~TrgCustomCancelDialog()
{
    EnableDisabledForm();
}

void TrgCustomCancelDialog::SetMessage(const QString& Value)
{
    message_ = Value;
    MessageChanged();
}

void TrgCustomCancelDialog::SetDetail(const QString& Value)
{
    if (detail_ == Value)
        return;
    detail_ = Value;
    MessageChanged();
}

void TrgCustomCancelDialog::EnableTimer()
{
    closeTimer_->SetEnabled(true);
}

TModalResult TrgCustomCancelDialog::ShowModalDialog()
{
    modal_ = true;
    return ShowModal();
}

void TrgCustomCancelDialog::DoCancel()
{
    if (OnCancelHook)
        OnCancelHook(this);
}

void TrgCustomCancelDialog::ApplyVisible()
{
    // The dialog keeps the user off the form it stands over from the start:
    // the job runs while the dialog is being shown (its showing starts it),
    // and a modal window holds the other windows only once it is on screen.
    if (Visible()) {
        DisableActiveForm();
        showTimer_->SetInterval(std::max(1, ShowDelay));
        showTimer_->SetEnabled(true);
    } else {
        showTimer_->SetEnabled(false);
        EnableDisabledForm();
    }
    TrgForm::ApplyVisible();
}

void TrgCustomCancelDialog::ShowDuringJob()
{
    showTimer_->SetEnabled(false);
    QWidget* window = Handle();
    if (!Visible() || !window || window->isVisible())
        return;
    window->show();
    BringToFront();
    // Painted now: the job lets events through only every few milliseconds.
    window->repaint();
}

void TrgCustomCancelDialog::DisableActiveForm()
{
    TCustomForm* active = Screen->ActiveForm();
    if (!active || active == this || active == disabledForm_)
        return;
    disabledForm_ = active;
    disabledForm_->FreeNotification(this);
    disabledForm_->SetEnabled(false);
}

void TrgCustomCancelDialog::Notification(TComponent* AComponent, TOperation Operation)
{
    TrgForm::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == disabledForm_)
        disabledForm_ = nullptr;
}

void TrgCustomCancelDialog::EnableDisabledForm()
{
    if (!disabledForm_)
        return;
    TCustomForm* form = disabledForm_;
    disabledForm_ = nullptr;
    form->RemoveFreeNotification(this);
    form->SetEnabled(true);
    if (Screen->ActiveForm() == this && form->Visible())
        form->SetFocus();
}

// ---- registry ---------------------------------------------------------------------

namespace {

std::map<QString, TrgFormClass>& Registry()
{
    static std::map<QString, TrgFormClass> registry;
    return registry;
}

}  // namespace

void rgRegisterFormClass(const QString& AbstractName, const TrgFormClass& FormClass)
{
    Registry()[AbstractName] = FormClass;
}

const TrgFormClass* rgGetFormClass(const QString& AbstractName)
{
    const auto found = Registry().find(AbstractName);
    return found == Registry().end() ? nullptr : &found->second;
}

void rgClearFormClasses()
{
    Registry().clear();
}
