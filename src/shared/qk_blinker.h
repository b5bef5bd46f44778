#pragma once
// TQKBlinker: makes another control blink by switching its colour or its
// font colour between two colours on a timer.

#include "platform/ui/control.h"
#include "platform/ui/ext_ctrls.h"

using TQKAboutString = QString;

enum TBlinkStyle { bsColor, bsFontColor };

class TQKBlinker : public TComponent {
public:
    explicit TQKBlinker(TComponent* AOwner);
    ~TQKBlinker() override;

    TQKAboutString About_Quillkit() const { return QStringLiteral("15.11.96"); }
    void SetAbout_Quillkit(const TQKAboutString&) {}

    bool Blink() const { return blink_; }
    void SetBlink(bool v);
    TColor BlinkHiColor() const { return hiColor_; }
    void SetBlinkHiColor(TColor v) { hiColor_ = v; }
    TColor BlinkLoColor() const { return loColor_; }
    void SetBlinkLoColor(TColor v) { loColor_ = v; }
    TColor BlinkInAktColor() const { return inAktColor_; }
    void SetBlinkInAktColor(TColor v);
    TBlinkStyle BlinkStyle() const { return style_; }
    void SetBlinkStyle(TBlinkStyle v);
    TControl* Control() const { return control_; }
    void SetControl(TControl* v);
    int Interval() const { return interval_; }
    void SetInterval(int v);

    TTimer* Timer() const { return timer_; }
    // One phase change, as the timer fires it.
    void TimerTick(TObject* Sender);

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void ApplyColor(TColor c);
    TColor CurrentColor() const;
    bool blink_ = false;
    TColor hiColor_ = clYellow;
    TColor loColor_ = clOlive;
    TColor inAktColor_ = clBtnFace;
    TBlinkStyle style_ = bsColor;
    TControl* control_ = nullptr;
    int interval_ = 1000;
    bool phase_ = true;  // true: the high colour comes next
    TTimer* timer_;
};
