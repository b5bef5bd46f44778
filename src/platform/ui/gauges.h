#pragma once
// TGauge: the framework's sample gauge, a bar, pie or needle with its
// percentage.

#include "platform/ui/control.h"

enum TGaugeKind { gkText, gkHorizontalBar, gkVerticalBar, gkPie, gkNeedle };

class TGauge : public TGraphicControl {
public:
    explicit TGauge(TComponent* AOwner);
    TGaugeKind Kind() const { return kind_; }
    void SetKind(TGaugeKind v) { kind_ = v; Invalidate(); }
    TColor ForeColor() const { return foreColor_; }
    void SetForeColor(TColor v) { foreColor_ = v; Invalidate(); }
    TColor BackColor() const { return backColor_; }
    void SetBackColor(TColor v) { backColor_ = v; Invalidate(); }
    bool ShowText() const { return showText_; }
    void SetShowText(bool v) { showText_ = v; Invalidate(); }
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle v) { borderStyle_ = v; Invalidate(); }
    int MinValue() const { return minValue_; }
    void SetMinValue(int v);
    int MaxValue() const { return maxValue_; }
    void SetMaxValue(int v);
    int Progress() const { return progress_; }
    void SetProgress(int v);
    void AddProgress(int v) { SetProgress(progress_ + v); }
    // Truncated percentage of the range (64-bit arithmetic).
    int PercentDone() const;
    void Paint() override;

private:
    TGaugeKind kind_ = gkHorizontalBar;
    TColor foreColor_ = clBlack;
    TColor backColor_ = clWhite;
    bool showText_ = true;
    TBorderStyle borderStyle_ = bsSingle;
    int minValue_ = 0;
    int maxValue_ = 100;
    int progress_ = 0;
};
