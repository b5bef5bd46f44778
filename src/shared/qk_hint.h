#pragma once
// TQKHint and TQKHintWindow: the application's hints as a speech bubble
// with a drop shadow and word-wrapped text. The bubble is its own
// translucent window, so what lies behind it shows around the shape.
//
// The bubble's look lives in one set of application-wide values that every
// property write of TQKHint updates; so one TQKHint per application.

#include <QImage>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <memory>

#include "platform/ui/forms.h"

using TQKAboutString = QString;

enum THintPosition { hpAboveLeft, hpAboveRight, hpBelowLeft, hpBelowRight };

// The bubble's settings shared by all hint windows.
struct TQKHintSettings {
    TColor Color = clYellow;
    int DefaultWidth = 150;
    TFont Font;
    THintPosition HintPosition = hpAboveRight;
    int ShadowDepth = 10;
};
TQKHintSettings& QKHintSettings();

// The position that keeps a window of that size on the screen, starting
// from the wanted one and moving away from the edges the cursor is near.
THintPosition QKHintFlip(THintPosition wanted, QPoint cursor, QSize size, QSize screen);

class TQKHintWidget;

class TQKHintWindow {
public:
    TQKHintWindow();
    ~TQKHintWindow();
    TQKHintWindow(const TQKHintWindow&) = delete;
    TQKHintWindow& operator=(const TQKHintWindow&) = delete;

    // Lays out and draws the bubble for the hint at the cursor (screen
    // coordinates) on a screen of the size given, and shows it.
    void ActivateHint(QPoint cursor, const QString& hint, QSize screen);
    void ReleaseHandle();  // hides the window
    bool Showing() const;

    // The result of the last layout.
    QRect Bounds() const { return bounds_; }
    THintPosition Position() const { return position_; }
    QRect TextRect() const { return textRect_; }
    QString Text() const { return text_; }
    // The window's picture: bubble, shadow and text on a transparent ground.
    const QImage& Bitmap() const { return bitmap_; }
    QWidget* Widget() const;

private:
    std::unique_ptr<TQKHintWidget> widget_;
    QRect bounds_;
    QRect textRect_;
    THintPosition position_ = hpAboveRight;
    QString text_;
    QImage bitmap_;
};

class TQKHintFilter;

class TQKHint : public TComponent {
public:
    explicit TQKHint(TComponent* AOwner);
    ~TQKHint() override;

    TQKAboutString About_Quillkit() const { return QStringLiteral("14.08.98"); }
    void SetAbout_Quillkit(const TQKAboutString&) {}

    bool Active() const { return active_; }
    // Active: the application's hints show as bubbles; inactive: as the
    // standard hints.
    void SetActive(bool v);
    TColor Color() const { return QKHintSettings().Color; }
    void SetColor(TColor v) { QKHintSettings().Color = v; }
    int DefaultWidth() const { return QKHintSettings().DefaultWidth; }
    void SetDefaultWidth(int v) { QKHintSettings().DefaultWidth = v; }
    TFont* Font() { return &QKHintSettings().Font; }
    void SetFont(const TFont* v) { QKHintSettings().Font.Assign(v); }
    int HintPause() const { return Application->HintPause; }
    void SetHintPause(int v) { Application->HintPause = v; }
    int HintHidePause() const { return Application->HintHidePause; }
    void SetHintHidePause(int v) { Application->HintHidePause = v; }
    THintPosition HintPosition() const { return QKHintSettings().HintPosition; }
    void SetHintPosition(THintPosition v) { QKHintSettings().HintPosition = v; }
    int ShadowDepth() const { return QKHintSettings().ShadowDepth; }
    void SetShadowDepth(int v) { QKHintSettings().ShadowDepth = v; }

    // The bubble that shows the application's hints while active.
    TQKHintWindow* HintWindow() const { return window_.get(); }

private:
    bool active_ = false;
    std::unique_ptr<TQKHintWindow> window_;
    std::unique_ptr<TQKHintFilter> filter_;
};
