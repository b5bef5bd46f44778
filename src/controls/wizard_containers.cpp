#include "controls/wizard_containers.h"

#include "controls/wizard.h"
#include "platform/ui/forms.h"

template <class Base>
TPageAware<Base>::TPageAware(TComponent* AOwner) : Base(AOwner)
{
    trackPosition_ = true;
}

template <class Base>
TPageAware<Base>::~TPageAware()
{
    if (assistent_)
        assistent_->RemoveFreeNotification(this);
}

template <class Base>
void TPageAware<Base>::Attach()
{
    TComponent* owner = this->Owner();
    for (int i = 0; owner && i < owner->ComponentCount(); ++i)
        if (auto* wizard = dynamic_cast<TAssistent*>(owner->Components(i))) {
            assistent_ = wizard;
            break;
        }
    if (!assistent_) {
        Application->MessageBox(QStringLiteral("No Assistent on Form!"), QStringLiteral("Error"),
                                MB_OK | MB_ICONERROR);
        creating_ = false;
        return;
    }
    assistent_->FreeNotification(this);
    aposList_.SetCount(assistent_->NumPages() + 1);
    const int d = assistent_->DisplayPage();
    if (d >= 0 && d < aposList_.Count()) {
        TApos& a = aposList_.Item(d);
        a.Shown = 1;
        a.Left = this->Left();
        a.Top = this->Top();
    }
    curPage_ = d;
    creating_ = false;
}

template <class Base>
void TPageAware<Base>::SetFAssistent(TAssistent* v)
{
    if (v == assistent_)
        return;
    if (assistent_)
        assistent_->RemoveFreeNotification(this);
    assistent_ = v;
    if (assistent_)
        assistent_->FreeNotification(this);
}

template <class Base>
void TPageAware<Base>::Notification(TComponent* AComponent, TOperation Operation)
{
    Base::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    if (AComponent == assistent_)
        assistent_ = nullptr;
    if (AComponent == parentInDialog_)
        parentInDialog_ = nullptr;
    if (AComponent == parentInWizard_)
        parentInWizard_ = nullptr;
}

template <class Base>
void TPageAware<Base>::Merken(TWinControl*& feld, TWinControl* v)
{
    // A parent that goes away is forgotten, so the field never dangles.
    if (v && v != feld)
        v->FreeNotification(this);
    feld = v;
}

template <class Base>
void TPageAware<Base>::SetNewPosition(int d)
{
    trackPosition_ = false;
    curPage_ = d;
    const TApos r = (d >= 0 && d < aposList_.Count()) ? aposList_.GetItem(d) : TApos{};
    if (r.Shown == 1) {
        TWinControl* parent = d == 0 ? parentInDialog_ : parentInWizard_;
        if (parent && parent != this->Parent())
            this->SetParent(parent);
        if (this->Left() != r.Left)
            this->SetLeft(r.Left);
        if (this->Top() != r.Top)
            this->SetTop(r.Top);
        if (aAlign_ != alNone && aAlign_ != this->Align())
            this->SetAlign(aAlign_);
        if (!this->Enabled())
            this->SetEnabled(true);
        if (!this->Visible())
            this->SetVisible(true);
    } else {
        if (aAlign_ != alNone)
            this->SetAlign(alNone);
        this->SetVisible(false);
        this->SetEnabled(false);
        this->SetLeft(kParkLeft);
    }
    trackPosition_ = true;
}

template <class Base>
void TPageAware<Base>::SetNumApos(int n)
{
    aposList_.SetCount(n);
}

template <class Base>
void TPageAware<Base>::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    Base::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (!trackPosition_ || creating_ || !assistent_)
        return;
    if (assistent_->DisplayPage() != curPage_ || curPage_ < 0 || curPage_ >= aposList_.Count())
        return;
    TApos& a = aposList_.Item(curPage_);
    a.Top = this->Top();
    if (this->Left() != kParkLeft)
        a.Left = this->Left();
}

template <class Base>
void TPageAware<Base>::SetParent(TWinControl* AParent)
{
    Base::SetParent(AParent);
    if (!assistent_ || !AParent || this->Destroying())
        return;
    if (assistent_->Page() == 0) {
        Merken(parentInDialog_, AParent);
        if (!parentInWizard_)
            Merken(parentInWizard_, assistent_);
    } else {
        Merken(parentInWizard_, AParent);
        if (!parentInDialog_)
            Merken(parentInDialog_, assistent_);
    }
}

template <class Base>
void TPageAware<Base>::SetParentInDialog(TWinControl* v)
{
    if (v == this || !v || v == parentInDialog_ || !assistent_)
        return;
    if (assistent_->Page() == 0)
        SetParent(v);
    else
        Merken(parentInDialog_, v);
}

template <class Base>
void TPageAware<Base>::SetParentInWizard(TWinControl* v)
{
    if (v == this || !v || v == parentInWizard_ || !assistent_)
        return;
    if (assistent_->Page() != 0)
        SetParent(v);
    else
        Merken(parentInWizard_, v);
}

template <class Base>
void TPageAware<Base>::SetAAlign(TAlign v)
{
    aAlign_ = v;
    if (!assistent_)
        return;
    const int d = assistent_->DisplayPage();
    if (d >= 0 && d < aposList_.Count() && aposList_.GetItem(d).Shown == 1)
        this->SetAlign(v);
}

template class TPageAware<TCustomControl>;
template class TPageAware<TGroupBox>;
template class TPageAware<TRadioButton>;

// ---- The three containers -------------------------------------------------

TABox::TABox(TComponent* AOwner) : TPageAware<TCustomControl>(AOwner)
{
    SetTabStop(false);
    SetTabOrder(0);
    SetBounds(0, 0, 50, 50);
    Attach();
}

void TABox::Paint()
{
    // A plain container: the form's colour behind its children.
    TCanvas* c = Canvas();
    c->Brush.Style = bsSolid;
    c->Brush.Color = Color();
    c->FillRect(Rect(0, 0, Width(), Height()));
}

TAGroupBox::TAGroupBox(TComponent* AOwner) : TPageAware<TGroupBox>(AOwner)
{
    SetTabStop(false);
    SetCurPage(-1);
    Attach();
}

TAJumpRadioBtn::TAJumpRadioBtn(TComponent* AOwner) : TPageAware<TRadioButton>(AOwner)
{
    SetWidth(140);
    Attach();
}
