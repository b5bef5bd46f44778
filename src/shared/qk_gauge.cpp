#include "shared/qk_gauge.h"

#include <algorithm>

#include "platform/ui/ext_ctrls.h"

TQKGauge::TQKGauge(TComponent* AOwner) : TCustomControl(AOwner)
{
    SetBounds(0, 0, 100, 20);
}

void TQKGauge::SetAdjustToParent(bool v)
{
    adjustToParent_ = v;
    Repaint();
}

void TQKGauge::SetBorderStyle(TPanelBevel v)
{
    borderStyle_ = v;
    Repaint();
}

void TQKGauge::SetBoxes(uint8_t v)
{
    boxes_ = v == 0 ? 1 : v;
    Repaint();
}

void TQKGauge::SetBoxColor(TColor v)
{
    boxColor_ = v;
    Repaint();
}

void TQKGauge::SetMinValue(int32_t v)
{
    if (v < 0 || v >= maxValue_ || v == minValue_)
        return;
    minValue_ = v;
    Repaint();
}

void TQKGauge::SetMaxValue(int32_t v)
{
    if (v < 0 || v <= minValue_ || v == maxValue_)
        return;
    maxValue_ = v;
    Repaint();
}

void TQKGauge::SetProgress(int32_t v)
{
    if (v == progress_)
        return;
    progress_ = std::clamp(v, minValue_, maxValue_);
    if (LitBoxes() != paintedBoxes_)
        Repaint();
}

void TQKGauge::AddProgress(int32_t delta)
{
    int64_t next = int64_t(progress_) + delta;
    SetProgress(int32_t(std::clamp<int64_t>(next, INT32_MIN, INT32_MAX)));
}

int TQKGauge::PercentDone() const
{
    int64_t range = int64_t(maxValue_) - minValue_;
    if (range == 0)
        return 0;
    return int((int64_t(progress_) - minValue_) * 100 / range);
}

int TQKGauge::LitBoxes() const
{
    int64_t lit = int64_t(PercentDone()) * boxes_ / 100;
    return int(std::clamp<int64_t>(lit, 0, boxes_));
}

int TQKGauge::SnapToBoxes()
{
    int avail = adjustToParent_ && Parent() ? Parent()->ClientWidth() - 10 : Width() - 6;
    int boxWidth = std::max(0, avail / boxes_);
    int width = boxes_ * boxWidth + 6;
    if (width != Width())
        SetWidth(width);
    if (adjustToParent_ && Parent())
        SetBounds((Parent()->Width() - Width()) / 2, (Parent()->Height() - Height()) / 2, Width(), Height());
    return boxWidth;
}

void TQKGauge::Paint()
{
    int boxWidth = SnapToBoxes();
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    if (borderStyle_ == bvRaised)
        Frame3D(c, r, clWhite, clGray, 1);
    else if (borderStyle_ == bvLowered)
        Frame3D(c, r, clGray, clWhite, 1);
    else
        InflateRect(r, -1, -1);
    InflateRect(r, -2, -2);
    if (r.Width() <= 0 || r.Height() <= 0)
        return;
    // Boxes are drawn off screen and copied in one go, against flicker.
    TBitmap bmp(r.Width(), r.Height());
    TCanvas* bc = bmp.Canvas();
    bc->Brush.Color = Color();
    bc->FillRect(Rect(0, 0, r.Width(), r.Height()));
    int lit = LitBoxes();
    bc->Brush.Color = Enabled() ? boxColor_ : clGray;
    for (int i = 0; i < lit; ++i)
        bc->FillRect(Bounds(i * boxWidth, 0, boxWidth - 1, r.Height()));
    c->Draw(r.Left, r.Top, &bmp);
    paintedBoxes_ = lit;
}
