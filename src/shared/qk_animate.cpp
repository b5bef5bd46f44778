#include "shared/qk_animate.h"

#include <algorithm>

namespace {

// A frame number outside the picture's frames shows the first one.
int FrameOrFirst(int n, int frameCount) { return n < 0 || n >= frameCount ? 0 : n; }

}  // namespace

TQKAnimate::TQKAnimate(TComponent* AOwner) : TGraphicControl(AOwner), timer_(new TTimer(this))
{
    SetBounds(Left(), Top(), 75, 50);
    timer_->SetEnabled(false);
    timer_->SetInterval(0);
    timer_->OnTimer = [this](TObject* Sender) { TimerTick(Sender); };
}

void TQKAnimate::SetAktPic(int v)
{
    aktPic_ = FrameOrFirst(v, FrameCount());
    Invalidate();
}

void TQKAnimate::SetPicture(const TBitmap* v)
{
    picture_.Assign(v);
    aktPic_ = 0;
    FitToFrame();
    Invalidate();
}

void TQKAnimate::SetCols(int v)
{
    cols_ = std::clamp(v, 1, 1000);
    FitToFrame();
    Invalidate();
}

void TQKAnimate::SetRows(int v)
{
    rows_ = std::clamp(v, 1, 1000);
    FitToFrame();
    Invalidate();
}

void TQKAnimate::SetInterval(int v)
{
    if (v >= 1 && v < 20)
        v = 20;
    interval_ = v;
    timer_->SetInterval(v);
    timer_->SetEnabled(v >= 1);
}

void TQKAnimate::SetStretch(bool v)
{
    stretch_ = v;
    SetAlign(alNone);
    FitToFrame();
    Invalidate();
}

void TQKAnimate::FitToFrame()
{
    // An empty picture keeps the control's size, so it stays visible.
    if (stretch_ || picture_.Empty())
        return;
    int w = picture_.Width() / cols_, h = picture_.Height() / rows_;
    if (w != Width() || h != Height())
        SetBounds(Left(), Top(), w, h);
}

void TQKAnimate::TimerTick(TObject*)
{
    int n = aktPic_ + (reversePlay_ ? -1 : 1);
    if (n >= FrameCount())
        n = 0;
    else if (n < 0)
        n = FrameCount() - 1;
    aktPic_ = n;
    bool running = timer_->Enabled();
    timer_->SetEnabled(false);
    Repaint();
    timer_->SetEnabled(running);
}

void TQKAnimate::Paint()
{
    TCanvas* c = Canvas();
    FitToFrame();
    if (picture_.Empty()) {
        c->Pen.Color = clBlack;
        c->Brush.Style = bsClear;
        c->Rectangle(ClientRect());
        c->Font.SetName("Times New Roman");
        c->Font.SetSize(8);
        c->Font.SetColor(clBlack);
        QPainter* p = c->Painter();
        p->setFont(c->Font.ToQFont());
        p->setPen(ColorToQColor(clBlack));
        p->drawText(QRect(0, 0, ClientWidth(), ClientHeight()), Qt::AlignCenter | Qt::TextWordWrap,
                    Name.isEmpty() ? QStringLiteral("TQKAnimate") : Name);
        return;
    }
    int n = aktPic_;
    if (OnRequestPic) {
        OnRequestPic(this, n);
        // The handler chooses the frame shown; the animation goes on from it.
        n = aktPic_ = FrameOrFirst(n, FrameCount());
    }
    const int fw = picture_.Width() / cols_, fh = picture_.Height() / rows_;
    const int row = n / cols_, col = n - row * cols_;
    QRect source(col * fw, row * fh, fw, fh);
    QRect dest = stretch_ ? QRect(0, 0, ClientWidth(), ClientHeight()) : QRect(0, 0, fw, fh);
    QPainter* p = c->Painter();
    p->setCompositionMode(QPainter::CompositionMode_Source);
    p->drawImage(dest, picture_.ToImage(), source);
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (OnChangePic)
        OnChangePic(this);
}
