#pragma once
// TQKScrollText: scrolls its caption right to left or bottom to top through
// its area, optionally with a shadow. "^M" in the caption breaks the line
// in vertical mode.

#include <cstdint>

#include "platform/ui/control.h"
#include "platform/ui/ext_ctrls.h"

using TQKAboutString = QString;

class TQKScrollText : public TGraphicControl {
public:
    explicit TQKScrollText(TComponent* AOwner);

    TQKAboutString About_Quillkit() const { return QStringLiteral("01.05.98"); }
    void SetAbout_Quillkit(const TQKAboutString&) {}

    // Stores the text; with AutoScroll the position goes back to 0/0 and
    // the timer runs only when the text does not fit.
    void SetCaption(const QString& v);
    bool AutoScroll() const { return autoScroll_; }
    void SetAutoScroll(bool v) { autoScroll_ = v; }
    int Interval() const { return interval_; }
    void SetInterval(int v);
    bool ScrollHorizontal() const { return horizontal_; }
    void SetScrollHorizontal(bool v);
    bool Shadow() const { return shadow_; }
    void SetShadow(bool v);
    TColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(TColor v);
    int ShadowDepth() const { return shadowDepth_; }
    void SetShadowDepth(int v);
    uint8_t Steps() const { return steps_; }
    void SetSteps(uint8_t v) { steps_ = v; }

    int XPos() const { return x_; }
    int YPos() const { return y_; }

    TNotifyEvent OnScroll;
    TNotifyEvent OnStartText;

    TTimer* Timer() const { return timer_; }
    // One scroll step, as the timer fires it.
    void TimerTick(TObject* Sender);
    void Paint() override;

    // The caption as drawn in vertical mode: "^M" made a line break.
    QString VerticalText() const;

private:
    bool autoScroll_ = false;
    int interval_ = 0;
    bool horizontal_ = true;
    bool shadow_ = false;
    TColor shadowColor_ = clWhite;
    int shadowDepth_ = 2;
    uint8_t steps_ = 1;
    int x_ = 0, y_ = 0;
    TTimer* timer_;
};
