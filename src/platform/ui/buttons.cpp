#include "platform/ui/buttons.h"

#include <QIcon>
#include <QPainterPath>
#include <QPushButton>
#include <QToolButton>

#include "platform/ui/forms.h"

QImage ButtonGlyphImage(const TBitmap& glyph, int numGlyphs, int index)
{
    if (glyph.Empty())
        return {};
    int n = std::max(1, numGlyphs);
    int w = glyph.Width() / n;
    TBitmap part;
    part.SetImage(glyph.ToImage().copy(std::clamp(index, 0, n - 1) * w, 0, w, glyph.Height()));
    part.Transparent = true;
    return part.DrawImage();
}

namespace {

// The standard glyphs of the button kinds, drawn in the classic colours.
QImage KindGlyph(TBitBtnKind kind)
{
    QImage img(18, 18, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    auto check = [&](QColor c) {
        p.setPen(QPen(c, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygon({QPoint(3, 9), QPoint(7, 13), QPoint(15, 4)}));
    };
    auto cross = [&](QColor c) {
        p.setPen(QPen(c, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(4, 4, 14, 14);
        p.drawLine(14, 4, 4, 14);
    };
    switch (kind) {
    case bkOK: case bkYes: case bkAll: check(QColor(0, 128, 0)); break;
    case bkCancel: case bkNo: cross(QColor(192, 0, 0)); break;
    case bkAbort:
        p.setPen(QPen(QColor(192, 0, 0), 2));
        p.drawEllipse(3, 3, 12, 12);
        p.drawLine(5, 13, 13, 5);
        break;
    case bkClose:
        p.setPen(QPen(QColor(0, 0, 128), 2));
        p.drawRect(4, 2, 9, 14);
        break;
    case bkRetry:
        p.setPen(QPen(QColor(0, 128, 0), 2));
        p.drawArc(3, 3, 12, 12, 30 * 16, 300 * 16);
        break;
    case bkIgnore:
        p.setPen(QPen(QColor(0, 0, 128), 2));
        p.drawLine(4, 9, 14, 9);
        break;
    case bkHelp:
        p.setPen(QPen(QColor(0, 0, 128), 1));
        p.setFont(QFont("DejaVu Sans", 12, QFont::Bold));
        p.drawText(img.rect(), Qt::AlignCenter, "?");
        break;
    default: break;
    }
    return img;
}

}  // namespace

// ---- TBitBtn -------------------------------------------------------------
TBitBtn::TBitBtn(TComponent* AOwner) : TButton(AOwner) {}

void TBitBtn::SetKind(TBitBtnKind v)
{
    kind_ = v;
    struct KindInfo { const char* caption; TModalResult result; bool def; bool cancel; };
    static const KindInfo info[] = {
        {"", mrNone, false, false},          {"OK", mrOk, true, false},
        {"Abbrechen", mrCancel, false, true}, {"&Hilfe", mrNone, false, false},
        {"&Ja", mrYes, true, false},          {"&Nein", mrNo, false, true},
        {"&Schließen", mrNone, false, false}, {"Abbrechen", mrAbort, false, false},
        {"&Wiederholen", mrRetry, false, false}, {"&Ignorieren", mrIgnore, false, false},
        {"&Alles", mrAll, false, false},
    };
    if (v != bkCustom) {
        SetCaption(QString::fromUtf8(info[v].caption));
        ModalResult = info[v].result;
        if (info[v].def)
            SetDefault(true);
        if (info[v].cancel)
            Cancel = true;
    }
    UpdateIcon();
}

void TBitBtn::Click()
{
    if (kind_ == bkHelp)
        if (int context = EffectiveHelpContext(this)) {
            Application->HelpContext(context);
            return;
        }
    // A close button closes the form it sits on (a modal one with mrCancel).
    if (kind_ == bkClose)
        if (TCustomForm* form = GetParentForm(this)) {
            TButton::Click();
            form->Close();
            return;
        }
    TButton::Click();
}

void TBitBtn::SetGlyph(const TBitmap* b)
{
    glyph_.Assign(b);
    UpdateIcon();
}

void TBitBtn::SetNumGlyphs(int v)
{
    numGlyphs_ = std::clamp(v, 1, 4);
    UpdateIcon();
}

void TBitBtn::UpdateIcon()
{
    QImage img = glyph_.Empty() ? (kind_ != bkCustom ? KindGlyph(kind_) : QImage()) : ButtonGlyphImage(glyph_, numGlyphs_);
    Button()->setIcon(img.isNull() ? QIcon() : QIcon(QPixmap::fromImage(img)));
    if (!img.isNull())
        Button()->setIconSize(img.size());
}

// ---- TSpeedButton --------------------------------------------------------
TSpeedButton::TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner)
{
    auto* b = new QToolButton();
    b->setFocusPolicy(Qt::NoFocus);
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    SetHandle(b);
    SetBounds(0, 0, 23, 22);
    QObject::connect(b, &QToolButton::clicked, b, [this] { Dispatch([this] { Click(); }); });
}

QToolButton* TSpeedButton::Button() const { return static_cast<QToolButton*>(Handle()); }

void TSpeedButton::TextChanged()
{
    Button()->setText(Caption());
    Button()->setToolButtonStyle(Caption().isEmpty() ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextBesideIcon);
}

void TSpeedButton::SetGlyph(const TBitmap* b)
{
    glyph_.Assign(b);
    UpdateIcon();
}

void TSpeedButton::SetNumGlyphs(int v)
{
    numGlyphs_ = std::clamp(v, 1, 4);
    UpdateIcon();
}

void TSpeedButton::UpdateIcon()
{
    QImage img = ButtonGlyphImage(glyph_, numGlyphs_);
    Button()->setIcon(img.isNull() ? QIcon() : QIcon(QPixmap::fromImage(img)));
    if (!img.isNull())
        Button()->setIconSize(img.size());
}

void TSpeedButton::SetFlat(bool v)
{
    flat_ = v;
    Button()->setAutoRaise(v);
}

void TSpeedButton::SetGroupIndex(int v)
{
    groupIndex_ = v;
    Button()->setCheckable(v > 0);
    Button()->setChecked(down_);
}

void TSpeedButton::SetDown(bool v)
{
    if (groupIndex_ == 0)
        v = false;
    if (v == down_)
        return;
    if (!v && !AllowAllUp) {
        // The last button of a group stays down unless all may be up.
        bool otherDown = false;
        if (Parent())
            for (int i = 0; i < Parent()->ControlCount(); ++i)
                if (auto s = dynamic_cast<TSpeedButton*>(Parent()->Controls(i)); s && s != this && s->groupIndex_ == groupIndex_ && s->down_)
                    otherDown = true;
        if (!otherDown) {
            Button()->setChecked(true);
            return;
        }
    }
    down_ = v;
    Button()->setChecked(v);
    if (v && Parent())
        for (int i = 0; i < Parent()->ControlCount(); ++i)
            if (auto s = dynamic_cast<TSpeedButton*>(Parent()->Controls(i)); s && s != this && s->groupIndex_ == groupIndex_ && s->down_) {
                s->down_ = false;
                s->Button()->setChecked(false);
            }
}

void TSpeedButton::Click()
{
    if (groupIndex_ > 0)
        SetDown(AllowAllUp ? !down_ : true);
    TGraphicControl::Click();
}
