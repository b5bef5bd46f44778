#include "shared/qk_hint.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QWidget>

#include "shared/qk_form.h"

TQKHintSettings& QKHintSettings()
{
    static TQKHintSettings settings;
    return settings;
}

THintPosition QKHintFlip(THintPosition wanted, QPoint cursor, QSize size, QSize screen)
{
    const int cx = cursor.x(), cy = cursor.y(), w = size.width(), h = size.height();
    const bool tooLeft = cx - 10 - w < 0;
    const bool tooRight = screen.width() < cx + 10 + w;
    const bool tooHigh = cy - 10 - h < 0;
    const bool tooLow = screen.height() < cy + 10 + h;
    // Each side flips on its own: to the right when the bubble would leave
    // the screen on the left and the other way round; likewise up and down.
    const bool wantedLeft = wanted == hpAboveLeft || wanted == hpBelowLeft;
    const bool wantedAbove = wanted == hpAboveLeft || wanted == hpAboveRight;
    const bool left = wantedLeft ? !tooLeft : tooRight;
    const bool above = wantedAbove ? !tooHigh : tooLow;
    if (above)
        return left ? hpAboveLeft : hpAboveRight;
    return left ? hpBelowLeft : hpBelowRight;
}

// The borderless, input-less window that shows the bubble's picture.
class TQKHintWidget : public QWidget {
public:
    TQKHintWidget()
        : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                               Qt::WindowDoesNotAcceptFocus)
    {
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setEnabled(false);
    }
    QImage picture;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(0, 0, picture);
    }
};

namespace {

// The bubble's parts in a w x h area with the tail at the lower left: the
// rounded body and three circles getting smaller towards the tip.
std::vector<QPainterPath> BubbleParts(int w, int h, const QTransform& turn)
{
    std::vector<QPainterPath> parts(4);
    parts[0].addRoundedRect(QRectF(0, 0, w, h - 20), 15, 15);
    parts[1].addEllipse(QRectF(0, h - 5, 5, 5));
    parts[2].addEllipse(QRectF(7, h - 12, 7, 7));
    parts[3].addEllipse(QRectF(12, h - 20, 8, 8));
    for (QPainterPath& p : parts)
        p = turn.map(p);
    return parts;
}

QTransform TurnFor(THintPosition pos, int w, int h)
{
    switch (pos) {
    case hpAboveLeft: return QTransform(-1, 0, 0, 1, w, 0);    // mirrored left-right
    case hpBelowLeft: return QTransform(-1, 0, 0, -1, w, h);   // half a turn
    case hpBelowRight: return QTransform(1, 0, 0, -1, 0, h);   // mirrored top-bottom
    case hpAboveRight: break;
    }
    return {};
}

}  // namespace

TQKHintWindow::TQKHintWindow() : widget_(std::make_unique<TQKHintWidget>()) {}

TQKHintWindow::~TQKHintWindow() = default;

QWidget* TQKHintWindow::Widget() const { return widget_.get(); }

bool TQKHintWindow::Showing() const { return widget_->isVisible(); }

void TQKHintWindow::ReleaseHandle() { widget_->hide(); }

void TQKHintWindow::ActivateHint(QPoint cursor, const QString& hint, QSize screen)
{
    const TQKHintSettings& s = QKHintSettings();
    const int depth = s.ShadowDepth;
    text_ = QKLineBreaks(hint);
    const QFont font = s.Font.ToQFont();
    const QFontMetrics fm(font);
    const QRect measured = fm.boundingRect(QRect(0, 0, std::max(1, s.DefaultWidth), 0),
                                           Qt::AlignHCenter | Qt::TextWordWrap, text_);
    const int w = measured.width() + 20 + depth, h = measured.height() + 40 + depth;

    position_ = QKHintFlip(s.HintPosition, cursor, QSize(w, h), screen);
    const bool above = position_ == hpAboveLeft || position_ == hpAboveRight;
    const bool left = position_ == hpAboveLeft || position_ == hpBelowLeft;
    const int x = left ? cursor.x() - w - 10 : cursor.x() + 10;
    const int y = above ? cursor.y() - h - 10 : cursor.y() + 10;
    bounds_ = QRect(x, y, w, h);
    textRect_ = QRect(10, above ? 10 : 30, measured.width(), measured.height());

    // The picture: transparent ground, shadow, bubble, text.
    bitmap_ = QImage(w, h, QImage::Format_ARGB32_Premultiplied);
    bitmap_.fill(Qt::transparent);
    const int bw = w - depth, bh = h - depth;
    const auto parts = BubbleParts(bw, bh, TurnFor(position_, bw, bh));
    QPainter p(&bitmap_);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    for (const QPainterPath& part : parts)
        shape = shape.united(part);
    p.fillPath(shape.translated(depth, depth), QColor(0, 0, 0, 96));
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(ColorToQColor(s.Color));
    for (const QPainterPath& part : parts)
        p.drawPath(part);
    p.setFont(font);
    p.setPen(ColorToQColor(s.Font.Color()));
    p.drawText(textRect_, Qt::AlignHCenter | Qt::TextWordWrap, text_);
    p.end();

    widget_->picture = bitmap_;
    widget_->setGeometry(bounds_);
    widget_->show();
    widget_->update();
}

// Shows the application's hints in the bubble and hides it again on input.
class TQKHintFilter : public QObject {
public:
    explicit TQKHintFilter(TQKHint* hint) : hint_(hint)
    {
        hideTimer_.setSingleShot(true);
        QObject::connect(&hideTimer_, &QTimer::timeout, this, [this] { Hide(); });
    }

    bool eventFilter(QObject* watched, QEvent* e) override
    {
        TQKHintWindow* win = hint_->HintWindow();
        switch (e->type()) {
        case QEvent::ToolTip: {
            auto* w = qobject_cast<QWidget*>(watched);
            if (!w || !win)
                return false;
            // The control the widget shows (a helper widget inside a
            // control stands for it), with the framework's hint rule.
            TControl* c = nullptr;
            for (QWidget* v = w; v && !c; v = v->parentWidget())
                c = TControl::FromWidget(v);
            if (!c || !Application->ShowHint || !c->EffectiveShowHint() || c->Hint().isEmpty()) {
                Hide();
                return false;  // the framework hides its standard hint
            }
            const QString text = GetShortHint(c->Hint());
            lastPos_ = static_cast<QHelpEvent*>(e)->globalPos();
            win->ActivateHint(lastPos_, text, QSize(Screen->Width(), Screen->Height()));
            if (Application->HintHidePause > 0)
                hideTimer_.start(Application->HintHidePause);
            return true;  // the bubble stands in for the standard hint
        }
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::NonClientAreaMouseMove:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::Wheel:
        case QEvent::WindowActivate:
        case QEvent::WindowDeactivate:
        case QEvent::ApplicationStateChange:
            Hide();
            return false;
        case QEvent::MouseMove:
            // Only a real move hides it, not a repeated position.
            if (win && win->Showing() && static_cast<QMouseEvent*>(e)->globalPosition().toPoint() != lastPos_)
                Hide();
            return false;
        default:
            return false;
        }
    }

    void Hide()
    {
        hideTimer_.stop();
        if (TQKHintWindow* win = hint_->HintWindow(); win && win->Showing())
            win->ReleaseHandle();
    }

private:
    TQKHint* hint_;
    QTimer hideTimer_;
    QPoint lastPos_;
};

TQKHint::TQKHint(TComponent* AOwner) : TComponent(AOwner)
{
    TQKHintSettings& s = QKHintSettings();
    s.Color = clYellow;
    s.DefaultWidth = 150;
    s.HintPosition = hpAboveRight;
    s.ShadowDepth = 10;
    SetHintPause(800);
    SetHintHidePause(2500);
    SetActive(true);
}

TQKHint::~TQKHint()
{
    BeginDestroy();
    SetActive(false);
}

void TQKHint::SetActive(bool v)
{
    // Hints are off while the hint window changes, then on again as before
    // (also when switching back to the standard hints, which would be lost
    // otherwise).
    const bool hintsWereOn = Application->ShowHint;
    Application->ShowHint = false;
    active_ = v;
    if (v && !filter_) {
        window_ = std::make_unique<TQKHintWindow>();
        filter_ = std::make_unique<TQKHintFilter>(this);
        if (qApp)
            qApp->installEventFilter(filter_.get());
    } else if (!v && filter_) {
        filter_.reset();  // leaves the application's filters on destruction
        window_.reset();
    }
    Application->ShowHint = hintsWereOn;
}
