#pragma once
// TQKForm: paints its form's background (a tiled bitmap, a colour gradient
// or a pattern), gives the form minimum and maximum sizes (as the form's
// Constraints), and turns
// "^M" in the hints of the form's controls into line breaks.

#include <QImage>

#include "platform/ui/forms.h"

using TQKAboutString = QString;

enum TFStyle { NONE, BITMAP, vRAINBOW, hRAINBOW, BCyan, BGray, LCyan, LGray, WDGray, Weave, WGray, WLGray };

// "^M" in a hint or caption made a line break.
QString QKLineBreaks(const QString& text);

// The 8 x 8 pattern bitmap of a pattern style ("QKBCYAN" .. "QKWLGRAY");
// a null image for the other styles.
QImage QKFormPattern(TFStyle style);

class TQKForm : public TComponent {
public:
    // The owner is the form; the component paints its background from now
    // on. Removing it gives the form its own painting and size limits back.
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
    // The limits in pixels with the frame (0 = none); they become the form's
    // Constraints, which every placement and the user's sizing keep.
    int FormMinWidth() const { return minWidth_; }
    void SetFormMinWidth(int v);
    int FormMinHeight() const { return minHeight_; }
    void SetFormMinHeight(int v);
    int FormMaxWidth() const { return maxWidth_; }
    void SetFormMaxWidth(int v);
    int FormMaxHeight() const { return maxHeight_; }
    void SetFormMaxHeight(int v);
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
    void Loaded() override;

private:
    void Repaint();
    TCustomForm* form_;
    // The form's own constraints, given back when the component goes.
    int ownMinWidth_ = 0, ownMinHeight_ = 0, ownMaxWidth_ = 0, ownMaxHeight_ = 0;
    TBitmap fillBitmap_;
    QImage pattern_;
    TFStyle fillStyle_ = NONE;
    int minWidth_ = 0, minHeight_ = 0, maxWidth_ = 0, maxHeight_ = 0;
    TColor fromColor_ = clLime;
    TColor toColor_ = clAqua;
};
