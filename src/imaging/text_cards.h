#pragma once
// Text cards: a small file with one message (".SCM", the tag format) or a
// list of message lines (".CMS", the line format) and its font, back colour
// and speed, played by the multi-format picture control instead of a
// picture: the ".SCM" message runs as a ticker from right to left, the
// ".CMS" lines rise one after another from the bottom edge.

#include <QImage>
#include <QStringList>

#include "platform/ui/graphics.h"

class TCustomControl;
class TTimer;

// The look of a card as its file gives it.
struct TCardLook {
    TFont* Font = nullptr;  // colour, height, name, size and style are set on it
    TColor BackColor = 128;
    int Speed = 1;
};

// Files are read whole, at most this many bytes.
inline constexpr int kCardMaxBytes = 65527;
// The message of a tag-format card without its text.
inline constexpr char kInvalidCardMessage[] = " Invallid message format ! ";

// Read a tag-format or line-format card; false only when the file does not
// exist. A number that is not one leaves its setting unchanged; font
// heights and sizes are kept within what a screen can show.
bool ReadTagCard(const QString& fileName, TCardLook& look, QString& message);
bool ReadLineCard(const QString& fileName, TCardLook& look, QStringList& lines);

// The card playing in a control: its state and its steps.
class TTextCard {
public:
    explicit TTextCard(TCustomControl* control);
    ~TTextCard();

    TFont* Font() { return &font_; }
    TColor BackColor() const { return look_.BackColor; }
    int Speed() const { return look_.Speed; }
    QString Message() const { return message_; }
    const QStringList& Lines() const { return lines_; }
    int LineIndex() const { return lineIndex_; }
    const QImage& Bitmap() const { return bitmap_; }
    int X() const { return x_; }
    int Y() const { return y_; }
    bool HorzRunning() const { return horz_; }
    bool VertRunning() const { return vert_; }
    bool Running() const { return horz_ || vert_; }

    // Start a card from its file (the ticker, or the rising lines).
    void StartHorizontal(const QString& fileName);
    void StartVertical(const QString& fileName);
    // One step message of each kind (WM_USER+1, WM_USER+2).
    void StepHorizontal();
    void StepVertical();
    // Restores the control's colour when a card ran and clears both flags.
    void Stop();
    // Draws the card bitmap at its place.
    void Paint(QPainter& painter) const;
    // The timer that sends the step messages while a card runs.
    TTimer* Timer() const { return timer_; }

private:
    bool Counted();
    void ShowLine();
    int TextHeight() const;
    TCustomControl* control_;
    TFont font_;
    TCardLook look_;
    QString message_;
    QStringList lines_;
    int lineIndex_ = 0;
    QImage bitmap_;
    int x_ = 0, y_ = 0, farEdge_ = 0;
    int savedWidth_ = 0, savedHeight_ = 0;
    TColor savedColor_ = 0;
    bool colorSaved_ = false;
    int counter_ = 0;
    bool horz_ = false, vert_ = false;
    TTimer* timer_ = nullptr;
};
