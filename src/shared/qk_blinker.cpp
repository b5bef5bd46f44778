#include "shared/qk_blinker.h"

TQKBlinker::TQKBlinker(TComponent* AOwner) : TComponent(AOwner), timer_(new TTimer(this))
{
    timer_->SetEnabled(false);
    timer_->OnTimer = [this](TObject* Sender) { TimerTick(Sender); };
    SetInterval(1000);
}

TQKBlinker::~TQKBlinker()
{
    BeginDestroy();
    if (control_)
        control_->RemoveFreeNotification(this);
}

void TQKBlinker::ApplyColor(TColor c)
{
    if (!control_)
        return;
    if (style_ == bsColor)
        control_->SetColor(c);
    else
        control_->Font()->SetColor(c);
}

TColor TQKBlinker::CurrentColor() const
{
    return style_ == bsColor ? control_->Color() : control_->Font()->Color();
}

void TQKBlinker::SetBlink(bool v)
{
    blink_ = v;
    timer_->SetEnabled(v);
    if (v)
        phase_ = true;
    else
        ApplyColor(inAktColor_);
}

void TQKBlinker::SetBlinkInAktColor(TColor v)
{
    inAktColor_ = v;
    ApplyColor(v);
}

void TQKBlinker::SetBlinkStyle(TBlinkStyle v)
{
    ApplyColor(inAktColor_);
    style_ = v;
    if (control_)
        inAktColor_ = CurrentColor();
}

void TQKBlinker::SetControl(TControl* v)
{
    if (v == control_)
        return;
    if (control_) {
        ApplyColor(inAktColor_);
        control_->RemoveFreeNotification(this);
    }
    control_ = v;
    if (control_) {
        control_->FreeNotification(this);
        inAktColor_ = CurrentColor();
    }
}

void TQKBlinker::SetInterval(int v)
{
    if (v >= 1 && v < 20)
        v = 20;
    interval_ = v;
    timer_->SetInterval(v);
}

void TQKBlinker::TimerTick(TObject*)
{
    if (!control_)
        return;
    timer_->SetEnabled(false);
    ApplyColor(phase_ ? hiColor_ : loColor_);
    timer_->SetEnabled(blink_);
    phase_ = !phase_;
}

void TQKBlinker::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == control_) {
        control_ = nullptr;
        blink_ = false;
        timer_->SetEnabled(false);
    }
}
