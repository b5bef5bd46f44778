#pragma once
// TQKForm: paints its form's background (a tiled bitmap, a colour gradient
// or a pattern), keeps the form within minimum and maximum sizes, and turns
// "^M" in the hints of the form's controls into line breaks.

#include <QImage>
#include <QPointer>
#include <memory>

#include "platform/ui/forms.h"

using TQKAboutString = QString;

enum TFStyle { NONE, BITMAP, vRAINBOW, hRAINBOW, BCyan, BGray, LCyan, LGray, WDGray, Weave, WGray, WLGray };

// "^M" in a hint or caption made a line break.
QString QKLineBreaks(const QString& text);

// The 8 x 8 pattern bitmap of a pattern style ("QKBCYAN" .. "QKWLGRAY");
// a null image for the other styles.
QImage QKFormPattern(TFStyle style);

class TQKFormSizeFilter;

class TQKForm : public TComponent {
public:
    // The owner is the form; the component paints its background and
    // watches its size from now on.
    explicit TQKForm(TComponent* AOwner);
    ~TQKForm() override;

    TQKAboutString About_Quillkit() const { return QStringLiteral("15.11.96"); }
    void SetAbout_Quillkit(const TQKAboutString&) {}

    TBitmap* FillBitmap() { return &fillBitmap_; }
    void SetFillBitmap(const TBitmap* v);
    TFStyle FillStyle() const { return fillStyle_; }
    // Refused on an MDI frame form with a message; the pattern styles load
    // their pattern; the gradient and pattern styles repaint the form.
    void SetFillStyle(TFStyle v);
    int FormMinWidth() const { return minWidth_; }
    void SetFormMinWidth(int v) { minWidth_ = v; ApplyLimits(); }
    int FormMinHeight() const { return minHeight_; }
    void SetFormMinHeight(int v) { minHeight_ = v; ApplyLimits(); }
    int FormMaxWidth() const { return maxWidth_; }
    void SetFormMaxWidth(int v) { maxWidth_ = v; ApplyLimits(); }
    int FormMaxHeight() const { return maxHeight_; }
    void SetFormMaxHeight(int v) { maxHeight_ = v; ApplyLimits(); }
    TColor QVFromColor() const { return fromColor_; }
    void SetQVFromColor(TColor v) { fromColor_ = v; Repaint(); }
    TColor QVToColor() const { return toColor_; }
    void SetQVToColor(TColor v) { toColor_ = v; Repaint(); }

    // Fired after the background is painted (the form's own paint handler
    // belongs here).
    TNotifyEvent OnPaint;

    TCustomForm* Form() const { return form_; }
    // Paints the background on the form's canvas; the form's paint event.
    void FormPaint(TObject* Sender);
    // Sets the limits on the form's window again; the window system keeps
    // the form within them when the user or the program sizes it.
    void ApplyLimits();
    void Loaded() override;

private:
    void Repaint();
    TCustomForm* form_;
    QPointer<QWidget> window_;
    TQKFormSizeFilter* filter_ = nullptr;
    TBitmap fillBitmap_;
    QImage pattern_;
    TFStyle fillStyle_ = NONE;
    int minWidth_ = 0, minHeight_ = 0, maxWidth_ = 0, maxHeight_ = 0;
    TColor fromColor_ = clLime;
    TColor toColor_ = clAqua;
};
