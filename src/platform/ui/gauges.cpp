#include "platform/ui/gauges.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

TGauge::TGauge(TComponent* AOwner) : TGraphicControl(AOwner) { SetBounds(0, 0, 100, 100); }

void TGauge::SetMinValue(int v)
{
    if (v == minValue_)
        return;
    minValue_ = std::min(v, maxValue_);
    progress_ = std::clamp(progress_, minValue_, maxValue_);
    Invalidate();
}

void TGauge::SetMaxValue(int v)
{
    if (v == maxValue_)
        return;
    maxValue_ = std::max(v, minValue_);
    progress_ = std::clamp(progress_, minValue_, maxValue_);
    Invalidate();
}

void TGauge::SetProgress(int v)
{
    v = std::clamp(v, minValue_, maxValue_);
    if (v == progress_)
        return;
    progress_ = v;
    Invalidate();
}

int TGauge::PercentDone() const
{
    int64_t range = int64_t(maxValue_) - minValue_;
    return range == 0 ? 0 : int((int64_t(progress_) - minValue_) * 100 / range);
}

void TGauge::Paint()
{
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    if (borderStyle_ == bsSingle) {
        c->Brush.Color = clBlack;
        c->FrameRect(r);
        InflateRect(r, -1, -1);
    }
    c->Brush.Style = bsSolid;
    c->Brush.Color = backColor_;
    c->FillRect(r);
    int pct = PercentDone();
    c->Brush.Color = foreColor_;
    switch (kind_) {
    case gkHorizontalBar:
        c->FillRect(Rect(r.Left, r.Top, r.Left + r.Width() * pct / 100, r.Bottom));
        break;
    case gkVerticalBar:
        c->FillRect(Rect(r.Left, r.Bottom - r.Height() * pct / 100, r.Right, r.Bottom));
        break;
    case gkPie:
        if (QPainter* p = c->Painter()) {
            p->setPen(Qt::NoPen);
            p->setBrush(ColorToQColor(foreColor_));
            p->drawPie(QRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1), 90 * 16, -pct * 360 * 16 / 100);
        }
        break;
    case gkNeedle: {
        double a = M_PI * (1.0 - pct / 100.0);
        int cx = r.Left + r.Width() / 2, cy = r.Bottom - 1;
        c->Pen.Color = foreColor_;
        c->MoveTo(cx, cy);
        c->LineTo(cx + int(std::cos(a) * (r.Width() / 2 - 2)), cy - int(std::sin(a) * (r.Height() - 2)));
        break;
    }
    case gkText:
        break;
    }
    if (showText_) {
        if (QPainter* p = c->Painter()) {
            p->setFont(Font()->ToQFont());
            p->setPen(ColorToQColor(Font()->Color()));
            p->drawText(QRect(r.Left, r.Top, r.Width(), r.Height()), Qt::AlignCenter, QString::number(pct) + "%");
        }
    }
}
