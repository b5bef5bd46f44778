#include "imaging/text_cards.h"

#include <QFile>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

#include "imaging/image_paths.h"
#include "platform/core/win1252.h"
#include "platform/picture/picture_limits.h"
#include "platform/ui/control.h"
#include "platform/ui/ext_ctrls.h"

namespace {

constexpr int kMaxFontPixels = 400;
constexpr int kMaxFontPoints = 300;
constexpr int kStepInterval = 20;  // ms between the steps the control sends itself

bool ReadCardFile(const QString& fileName, QString& text)
{
    if (!PictureFileExists(fileName))
        return false;
    QFile f(PictureLocalPath(fileName));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    text = Win1252Decode(f.read(kCardMaxBytes));
    return true;
}

bool ToNumber(const QString& text, int& value)
{
    bool ok = false;
    const qlonglong v = text.trimmed().toLongLong(&ok);
    if (!ok || v < INT32_MIN || v > INT32_MAX)
        return false;
    value = int(v);
    return true;
}

void SetColor(TFont* font, const QString& text)
{
    int v = 0;
    if (ToNumber(text, v))
        font->SetColor(v);
}

void SetHeight(TFont* font, const QString& text)
{
    int v = 0;
    if (ToNumber(text, v) && v != 0)
        font->SetHeight(std::clamp(v, -kMaxFontPixels, kMaxFontPixels));
}

void SetSize(TFont* font, const QString& text)
{
    int v = 0;
    if (ToNumber(text, v) && v > 0)
        font->SetSize(std::min(v, kMaxFontPoints));
}

void SetStyle(TFont* font, const QString& text)
{
    TFontStyles st;
    const TFontStyle styles[] = {fsBold, fsItalic, fsUnderline, fsStrikeOut};
    for (int i = 0; i < 4 && i < text.size(); ++i)
        if (text[i] == '1')
            st.Include(styles[i]);
    font->SetStyle(st);
}

void SetNumber(int& target, const QString& text)
{
    int v = 0;
    if (ToNumber(text, v))
        target = v;
}

// The text of a line with the blanks a card line is shown with.
QString Padded(const QString& line)
{
    QString s = line;
    if (!s.startsWith(' '))
        s.prepend("  ");
    if (!s.endsWith(' '))
        s.append(' ');
    return s;
}

// A text drawn in the card's font on its back colour.
QImage CardBitmap(const QString& text, const TFont& font, TColor back, int width, int height)
{
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(ColorToQColor(back));
    QPainter p(&img);
    const QFont f = font.ToQFont();
    p.setFont(f);
    p.setPen(ColorToQColor(font.Color()));
    p.drawText(0, QFontMetrics(f).ascent(), text);
    return img;
}

}  // namespace

bool ReadTagCard(const QString& fileName, TCardLook& look, QString& message)
{
    QString text;
    if (!ReadCardFile(fileName, text))
        return false;
    const char* tags[] = {"/fc|", "/fh|", "/fn|", "/fs|", "/ft|", "/bc|", "/sp|", "/sm|", "/eo|"};
    for (int i = 0; i < 8; ++i) {
        const int start = text.indexOf(tags[i]);
        if (start < 0) {
            // The tag pair is missing: the card's own default.
            switch (i) {
            case 0: look.Font->SetColor(255); break;
            case 1: look.Font->SetHeight(-13); break;
            case 2: look.Font->SetName("SYSTEM"); break;
            case 5: look.BackColor = 128; break;
            case 6: look.Speed = 1; break;
            case 7: message = kInvalidCardMessage; break;
            default: break;
            }
            continue;
        }
        const int from = start + 4;
        const int end = text.indexOf(tags[i + 1]);
        if (end < 0 || end <= from)
            continue;  // nothing stands between: the setting stays
        const QString value = text.mid(from, end - from);
        switch (i) {
        case 0: SetColor(look.Font, value); break;
        case 1: SetHeight(look.Font, value); break;
        case 2: look.Font->SetName(value.left(255)); break;
        case 3: SetSize(look.Font, value); break;
        case 4: SetStyle(look.Font, value); break;
        case 5: SetNumber(look.BackColor, value); break;
        case 6: SetNumber(look.Speed, value); break;
        case 7: message = value; break;
        default: break;
        }
    }
    return true;
}

bool ReadLineCard(const QString& fileName, TCardLook& look, QStringList& lines)
{
    QString text;
    if (!ReadCardFile(fileName, text))
        return false;
    text.replace("\r\n", "\n");
    text.replace('\r', '\n');
    QStringList all = text.split('\n');
    if (text.endsWith('\n'))
        all.removeLast();
    lines.clear();
    for (int i = 1; i < all.size(); ++i) {
        const QString& v = all[i];
        switch (i) {
        case 1: SetColor(look.Font, v); break;
        case 2: SetHeight(look.Font, v); break;
        case 3: look.Font->SetName(v.left(255)); break;
        case 4: SetSize(look.Font, v); break;
        case 5: SetStyle(look.Font, v); break;
        case 6: SetNumber(look.BackColor, v); break;
        case 7: SetNumber(look.Speed, v); break;
        default: lines << v; break;
        }
    }
    return true;
}

// ---- TTextCard --------------------------------------------------------------------

TTextCard::TTextCard(TCustomControl* control) : control_(control)
{
    font_.SetColor(255);
    font_.SetHeight(-13);
    font_.SetName("SYSTEM");
    look_.Font = &font_;
    timer_ = new TTimer(nullptr);
    timer_->SetEnabled(false);
    timer_->SetInterval(kStepInterval);
    timer_->OnTimer = [this](TObject*) {
        if (horz_)
            StepHorizontal();
        else if (vert_)
            StepVertical();
    };
}

TTextCard::~TTextCard()
{
    delete timer_;
}

int TTextCard::TextHeight() const
{
    return QFontMetrics(font_.ToQFont()).height();
}

bool TTextCard::Counted()
{
    // A step every (speed + 1)th message.
    if (++counter_ <= look_.Speed)
        return false;
    counter_ = 0;
    return true;
}

void TTextCard::StartHorizontal(const QString& fileName)
{
    savedWidth_ = control_->Width();
    savedHeight_ = control_->Height();
    message_.clear();
    ReadTagCard(fileName, look_, message_);
    const QFont font = font_.ToQFont();
    const QFontMetrics fm(font);
    int w = std::max(1, fm.horizontalAdvance(message_));
    const int h = std::max(1, fm.height());
    // A message wider than a picture may be is cut at that width.
    while (!PictureSizeAllowed(w, h) && !message_.isEmpty()) {
        message_.chop(message_.size() / 2 + 1);
        w = std::max(1, fm.horizontalAdvance(message_));
    }
    bitmap_ = CardBitmap(message_, font_, look_.BackColor, w, h);
    if (!colorSaved_) {
        savedColor_ = control_->Color();
        colorSaved_ = true;
    }
    control_->SetColor(look_.BackColor);
    x_ = control_->Width();
    y_ = (control_->Height() - h) / 2;
    farEdge_ = x_ + w;
    counter_ = 0;
    horz_ = true;
    timer_->SetEnabled(true);
    control_->Invalidate();
}

void TTextCard::StepHorizontal()
{
    if (!horz_ || !Counted())
        return;
    --x_;
    --farEdge_;
    if (farEdge_ < 0) {
        x_ = savedWidth_;
        farEdge_ = x_ + bitmap_.width();
    }
    control_->Invalidate();
}

void TTextCard::StartVertical(const QString& fileName)
{
    lines_.clear();
    ReadLineCard(fileName, look_, lines_);
    lineIndex_ = 0;
    counter_ = 0;
    vert_ = true;
    ShowLine();
    timer_->SetEnabled(true);
}

void TTextCard::ShowLine()
{
    const int th = TextHeight();
    if (lineIndex_ >= lines_.size())
        lineIndex_ = 0;
    y_ = control_->Height();
    if (!colorSaved_) {
        savedColor_ = control_->Color();
        colorSaved_ = true;
        control_->SetColor(look_.BackColor);
    }
    if (lines_.isEmpty() || lines_[lineIndex_].isEmpty()) {
        bitmap_ = QImage();  // nothing new to show
        farEdge_ = y_ + th + 5;
        control_->Invalidate();
        return;
    }
    const QString line = Padded(lines_[lineIndex_]);
    const QFont font = font_.ToQFont();
    const QFontMetrics fm(font);
    int w = fm.horizontalAdvance(line);
    if (line.size() > 2)
        w += w / (line.size() - 2);
    w = std::clamp(w, 1, int(kMaxPictureSide));
    x_ = (control_->Width() - w) / 2;
    bitmap_ = CardBitmap(line, font_, look_.BackColor, w, th + 5);
    farEdge_ = y_ + th + 5;
    control_->Invalidate();
}

void TTextCard::StepVertical()
{
    if (!vert_ || !Counted())
        return;
    --y_;
    --farEdge_;
    if (y_ < -(TextHeight() + 5)) {
        if (lines_.isEmpty()) {
            y_ = control_->Height();
        } else {
            lineIndex_ = (lineIndex_ + 1) % int(lines_.size());
            ShowLine();
        }
    }
    control_->Invalidate();
}

void TTextCard::Stop()
{
    if (colorSaved_)
        control_->SetColor(savedColor_);
    colorSaved_ = false;
    horz_ = vert_ = false;
    timer_->SetEnabled(false);
    bitmap_ = QImage();
}

void TTextCard::Paint(QPainter& painter) const
{
    if (Running() && !bitmap_.isNull())
        painter.drawImage(x_, y_, bitmap_);
}
