#include "shared/qk_scroll_text.h"

#include "shared/qk_form.h"

#include <QFontMetrics>

#include <algorithm>
#include <cstdlib>

TQKScrollText::TQKScrollText(TComponent* AOwner) : TGraphicControl(AOwner), timer_(new TTimer(this))
{
    SetBounds(Left(), Top(), 75, 50);
    if (Handle())
        Handle()->setAttribute(Qt::WA_OpaquePaintEvent);
    timer_->SetEnabled(false);
    timer_->SetInterval(0);
    timer_->OnTimer = [this](TObject* Sender) { TimerTick(Sender); };
}

QString TQKScrollText::VerticalText() const
{
    return QKLineBreaks(Caption());
}

void TQKScrollText::SetCaption(const QString& v)
{
    TControl::SetCaption(v);
    if (autoScroll_) {
        x_ = y_ = 0;
        QFontMetrics fm(Font()->ToQFont());
        timer_->SetEnabled(fm.horizontalAdvance(v) + 10 > Width());
    }
    Invalidate();
}

void TQKScrollText::SetInterval(int v)
{
    if (v == 0) {
        x_ = y_ = 0;
    } else if (v < 0) {
        x_ = 10;
        y_ = 0;
        v = std::max(v, -20);
    } else {
        v = std::max(v, 20);
        x_ = Width();  // the text enters from the right or the bottom edge
        y_ = Height();
    }
    interval_ = v;
    timer_->SetInterval(std::abs(v));
    timer_->SetEnabled(v != 0);
    Invalidate();
}

void TQKScrollText::SetScrollHorizontal(bool v)
{
    horizontal_ = v;
    x_ = y_ = 0;
    Invalidate();
}

void TQKScrollText::SetShadow(bool v)
{
    shadow_ = v;
    Invalidate();
}

void TQKScrollText::SetShadowColor(TColor v)
{
    shadowColor_ = v;
    Invalidate();
}

void TQKScrollText::SetShadowDepth(int v)
{
    shadowDepth_ = std::clamp(v, 1, 50);
    Invalidate();
}

void TQKScrollText::TimerTick(TObject*)
{
    if (OnScroll)
        OnScroll(this);
    int step = steps_;
    if (step == 0) {
        QFontMetrics fm(Font()->ToQFont());
        step = horizontal_ ? fm.horizontalAdvance('X') : fm.height();
    }
    if (horizontal_)
        x_ -= step;
    else
        y_ -= step;
    bool running = timer_->Enabled();
    timer_->SetEnabled(false);
    Repaint();
    timer_->SetEnabled(running);
}

void TQKScrollText::Paint()
{
    const int w = ClientWidth(), h = ClientHeight();
    if (w <= 0 || h <= 0)
        return;
    // Everything goes to an off-screen image first, so the text does not
    // flicker.
    QImage buffer(w, h, QImage::Format_RGB32);
    buffer.fill(ColorToQColor(Color()));
    QPainter p(&buffer);
    const QFont font = Font()->ToQFont();
    p.setFont(font);
    QFontMetrics fm(font);

    if (!horizontal_) {
        const QString text = VerticalText();
        QRect r = fm.boundingRect(QRect(0, 0, w, 0), Qt::AlignHCenter | Qt::TextWordWrap, text);
        x_ = (w - r.width()) / 2;
        if (y_ < -r.height()) {
            y_ = h;
            if (OnStartText)
                OnStartText(this);
        }
        r.moveTo(x_, y_);
        if (shadow_) {
            p.setPen(ColorToQColor(shadowColor_));
            p.drawText(r.translated(shadowDepth_, shadowDepth_), Qt::AlignHCenter | Qt::TextWordWrap, text);
        }
        p.setPen(ColorToQColor(Font()->Color()));
        p.drawText(r, Qt::AlignHCenter | Qt::TextWordWrap, text);
    } else {
        const QString text = Caption();
        const int tw = fm.horizontalAdvance(text), th = fm.height();
        y_ = (h - th) / 2;
        if (x_ < -tw) {
            x_ = w;
            if (OnStartText)
                OnStartText(this);
        }
        if (shadow_) {
            p.setPen(ColorToQColor(shadowColor_));
            p.drawText(x_ + shadowDepth_, y_ + shadowDepth_ + fm.ascent(), text);
        }
        p.setPen(ColorToQColor(Font()->Color()));
        p.drawText(x_, y_ + fm.ascent(), text);
    }
    p.end();
    Canvas()->Painter()->drawImage(0, 0, buffer);
}
