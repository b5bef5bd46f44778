#pragma once
// TQKGauge: a progress bar of separate boxes. The gauge snaps its width to
// whole boxes when it paints and repaints on a new progress only when the
// number of lit boxes changes.

#include <cstdint>

#include "platform/ui/control.h"

class TQKGauge : public TCustomControl {
public:
    explicit TQKGauge(TComponent* AOwner);

    QString About_Quillkit() const { return "15.11.96"; }
    void SetAbout_Quillkit(const QString&) {}

    bool AdjustToParent() const { return adjustToParent_; }
    void SetAdjustToParent(bool v);
    TPanelBevel BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TPanelBevel v);
    uint8_t Boxes() const { return boxes_; }
    void SetBoxes(uint8_t v);
    TColor BoxColor() const { return boxColor_; }
    void SetBoxColor(TColor v);
    int32_t MinValue() const { return minValue_; }
    void SetMinValue(int32_t v);
    int32_t MaxValue() const { return maxValue_; }
    void SetMaxValue(int32_t v);
    int32_t Progress() const { return progress_; }
    void SetProgress(int32_t v);
    void AddProgress(int32_t delta);

    // Truncated percentage of the range, 0 when the range is empty; counted
    // in 64 bits, so byte counts near the 32-bit limit do not overflow.
    int PercentDone() const;
    // Lit boxes for the current value, 0 .. Boxes.
    int LitBoxes() const;
    // Lit boxes when last painted (-1 before the first paint).
    int PaintedBoxes() const { return paintedBoxes_; }

    void Paint() override;

private:
    // Width of one box; the gauge's width snaps to whole boxes.
    int SnapToBoxes();
    bool adjustToParent_ = false;
    TPanelBevel borderStyle_ = bvLowered;
    uint8_t boxes_ = 10;
    TColor boxColor_ = clNavy;
    int32_t minValue_ = 0;
    int32_t maxValue_ = 100;
    int32_t progress_ = 0;
    int paintedBoxes_ = -1;
};
