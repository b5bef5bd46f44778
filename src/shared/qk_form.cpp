#include "shared/qk_form.h"

#include "platform/ui/std_ctrls.h"

QString QKLineBreaks(const QString& text)
{
    QString t = text;
    return t.replace(QLatin1String("^M"), QLatin1String("\n"));
}

QImage QKFormPattern(TFStyle style)
{
    enum Kind { Bricks, Lines, Basket };
    Kind kind;
    QRgb fg, bg;
    switch (style) {
    case BCyan: kind = Bricks; fg = qRgb(0, 128, 128); bg = qRgb(0, 255, 255); break;
    case BGray: kind = Bricks; fg = qRgb(128, 128, 128); bg = qRgb(192, 192, 192); break;
    case LCyan: kind = Lines; fg = qRgb(0, 128, 128); bg = qRgb(0, 255, 255); break;
    case LGray: kind = Lines; fg = qRgb(128, 128, 128); bg = qRgb(192, 192, 192); break;
    case WDGray: kind = Basket; fg = qRgb(64, 64, 64); bg = qRgb(128, 128, 128); break;
    case Weave: kind = Basket; fg = qRgb(0, 0, 128); bg = qRgb(255, 255, 255); break;
    case WGray: kind = Basket; fg = qRgb(128, 128, 128); bg = qRgb(192, 192, 192); break;
    case WLGray: kind = Basket; fg = qRgb(192, 192, 192); bg = qRgb(255, 255, 255); break;
    default: return {};
    }
    QImage img(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            bool on = false;
            switch (kind) {
            case Bricks:  // courses of bricks, each offset by half a brick
                on = y % 4 == 3 || x == (y < 4 ? 0 : 4);
                break;
            case Lines:  // diagonal lines
                on = (x + y) % 4 == 0;
                break;
            case Basket:  // basket weave: threads change direction every 4 pixels
                on = ((x / 4 + y / 4) % 2 == 0) ? y % 2 == 0 : x % 2 == 0;
                break;
            }
            img.setPixel(x, y, on ? fg : bg);
        }
    return img;
}

TQKForm::TQKForm(TComponent* AOwner) : TComponent(AOwner), form_(dynamic_cast<TCustomForm*>(AOwner))
{
    if (!form_)
        return;
    form_->OnPaint = [this](TObject* Sender) { FormPaint(Sender); };
    const TSizeConstraints* c = form_->Constraints();
    ownMinWidth_ = c->MinWidth(), ownMinHeight_ = c->MinHeight();
    ownMaxWidth_ = c->MaxWidth(), ownMaxHeight_ = c->MaxHeight();
}

TQKForm::~TQKForm()
{
    BeginDestroy();
    // The form's paint event and size limits go back to the form's own,
    // unless the form itself is going.
    if (form_ && !form_->Destroying()) {
        form_->OnPaint = nullptr;
        TSizeConstraints* c = form_->Constraints();
        c->SetMinWidth(ownMinWidth_);
        c->SetMinHeight(ownMinHeight_);
        c->SetMaxWidth(ownMaxWidth_);
        c->SetMaxHeight(ownMaxHeight_);
    }
}

void TQKForm::SetFormMinWidth(int v)
{
    minWidth_ = v;
    if (form_)
        form_->Constraints()->SetMinWidth(v);
}

void TQKForm::SetFormMinHeight(int v)
{
    minHeight_ = v;
    if (form_)
        form_->Constraints()->SetMinHeight(v);
}

void TQKForm::SetFormMaxWidth(int v)
{
    maxWidth_ = v;
    if (form_)
        form_->Constraints()->SetMaxWidth(v);
}

void TQKForm::SetFormMaxHeight(int v)
{
    maxHeight_ = v;
    if (form_)
        form_->Constraints()->SetMaxHeight(v);
}

void TQKForm::SetFillBitmap(const TBitmap* v)
{
    fillBitmap_.Assign(v);
    Repaint();
}

void TQKForm::SetFillStyle(TFStyle v)
{
    if (form_ && form_->FormStyle() == fsMDIForm) {
        Application->MessageBox("MDIFormen werden nicht unterstützt", "QKForm", MB_OK);
        v = NONE;
    }
    fillStyle_ = v;
    pattern_ = QKFormPattern(v);
    if (v != NONE && v != BITMAP)
        Repaint();
}

void TQKForm::Repaint()
{
    if (form_ && !form_->Destroying())
        form_->Invalidate();
}

void TQKForm::Loaded()
{
    TComponent::Loaded();
    if (!form_)
        return;
    for (int i = 0; i < form_->ComponentCount(); ++i) {
        auto* c = dynamic_cast<TControl*>(form_->Components(i));
        if (!c)
            continue;
        if (c->Hint().contains(QLatin1String("^M")))
            c->SetHint(QKLineBreaks(c->Hint()));
        if (auto* label = dynamic_cast<TLabel*>(c); label && label->AutoSize()) {
            label->SetAutoSize(false);
            label->SetAutoSize(true);
        }
    }
}

void TQKForm::FormPaint(TObject*)
{
    TCanvas* canvas = form_ ? form_->Canvas() : nullptr;
    if (canvas && canvas->HandleAllocated()) {
        QPainter* p = canvas->Painter();
        const int cw = form_->ClientWidth(), ch = form_->ClientHeight();
        switch (fillStyle_) {
        case NONE:
            break;
        case BITMAP: {
            const int bw = fillBitmap_.Width(), bh = fillBitmap_.Height();
            if (fillBitmap_.Empty() || bw > 256 || bh > 256)
                break;
            const QImage img = fillBitmap_.ToImage();
            if (bh > 8) {
                for (int row = 0; row <= ch / bh; ++row)
                    for (int col = 0; col <= cw / bw; ++col)
                        p->drawImage(col * bw, row * bh, img);
            } else {
                p->fillRect(0, 0, cw, ch, QBrush(img));
            }
            break;
        }
        case vRAINBOW:
        case hRAINBOW: {
            const int from = ColorToRGB(fromColor_), to = ColorToRGB(toColor_);
            const bool vertical = fillStyle_ == vRAINBOW;
            const int band = (vertical ? ch : cw) / 63 + 1;
            for (int i = 0; i <= 63; ++i) {
                int rgb[3];
                for (int k = 0; k < 3; ++k) {
                    const int f = (from >> (8 * k)) & 0xFF, t = (to >> (8 * k)) & 0xFF;
                    rgb[k] = (t + i * ((f - t) / 63)) & 0xFF;
                }
                const QColor c(rgb[0], rgb[1], rgb[2]);
                if (vertical)  // band 0 at the bottom
                    p->fillRect(QRect(QPoint(0, ch - (i + 1) * band), QPoint(cw - 1, ch - i * band - 1)), c);
                else  // band 0 at the right edge
                    p->fillRect(QRect(QPoint(cw - (i + 1) * band, 0), QPoint(cw - i * band - 1, ch - 1)), c);
            }
            break;
        }
        default:
            if (!pattern_.isNull())
                p->fillRect(0, 0, cw, ch, QBrush(pattern_));
            break;
        }
    }
    if (OnPaint)
        OnPaint(this);
}
