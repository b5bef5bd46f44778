#include "report/output/rg_word_wrap.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>

#include "platform/core/string_list.h"
#include "platform/core/sys_utils.h"
#include "report/output/rg_units.h"

namespace {

// Characters a word loses before it joins a line.
bool IsRemovedFromWord(QChar c)
{
    return c == QChar(0) || c == u'\r' || c == u'\n';
}

QString CleanWord(const QString& word)
{
    QString cleaned;
    cleaned.reserve(word.size());
    for (QChar c : word)
        if (!IsRemovedFromWord(c))
            cleaned += c;
    return cleaned;
}

// Where in the raw word the cleaned character at CleanedIndex stands (the
// raw length when the cleaned word ends before it).
int RawOffsetOfCleaned(QStringView raw, int cleanedIndex)
{
    int kept = 0;
    for (int i = 0; i < int(raw.size()); ++i) {
        if (IsRemovedFromWord(raw[i]))
            continue;
        if (kept == cleanedIndex)
            return i;
        ++kept;
    }
    return int(raw.size());
}

double NextTabStop(double x, const std::vector<int>& stops, double defaultInterval)
{
    if (stops.size() == 1 && stops.front() > 0)
        defaultInterval = stops.front();
    else {
        std::optional<int> next;
        for (int stop : stops)
            if (stop > x && (!next || stop < *next))
                next = stop;
        if (next)
            return *next;
    }
    if (defaultInterval <= 0)
        return x;
    return (std::floor(x / defaultInterval) + 1) * defaultInterval;
}

// The pen position after Text drawn from X, measured word by word.
double Advance(double x, QStringView text, const TrgTextMeasure& measure, const std::vector<int>& stops)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\t') {
            x += measure.TextWidth(text.mid(start, i - start));
            x = NextTabStop(x, stops, 8 * measure.AverageCharWidth());
            start = i + 1;
        } else if (text[i] == u' ') {
            x += measure.TextWidth(text.mid(start, i + 1 - start));
            start = i + 1;
        }
    }
    return x + measure.TextWidth(text.mid(start));
}

// One layout run of rgWordWrap.
class Wrapper {
public:
    Wrapper(const QString& text, TStringList& lines, const TrgTextMeasure& measure,
            const std::vector<int>& stops, int width, int maxLines, bool charWrap, int& position)
        : text_(text), lines_(lines), measure_(measure), stops_(stops), width_(width),
          maxLines_(maxLines), charWrap_(charWrap), position_(position)
    {
    }

    void Run()
    {
        // Text that goes on from an earlier rectangle inside a paragraph
        // wrapped there.
        wrapped_ = position_ > 0 && position_ < text_.size() && text_[position_ - 1] != u'\n';
        while (position_ >= 0 && position_ < text_.size() && !finished_) {
            const int wordStart = position_;
            const QString raw = rgGetNextWord(text_, position_);
            // The end of the text ends the last line, also after a blank.
            hardBreak_ = position_ == -1 || position_ >= text_.size() || raw.contains(u'\n');
            const QString word = CleanWord(raw);

            if (line_.isEmpty())
                lineStart_ = wordStart;
            line_ += word;
            lineWidth_ = Advance(lineWidth_, word, measure_, stops_);
            if (lineWidth_ > width_) {
                SetLine(word, wordStart);
                const bool paragraphEnds = hardBreak_;
                Overflow(word, raw, wordStart);
                // The next line starts after a wrap, unless the word that
                // made the last line also ended its paragraph.
                wrapped_ = !(paragraphEnds && !hardBreak_);
            }
            if (hardBreak_ && !finished_) {
                previous_ = line_;
                SetLine(QString(), position_);
                AddLine(previous_);
                wrapped_ = false;
                hardBreak_ = false;
            }
            previous_ = line_;
            if (position_ == -1)
                finished_ = true;
        }
        // Nothing is left after the last paragraph end either.
        if (position_ >= text_.size())
            position_ = -1;
    }

private:
    void SetLine(const QString& text, int rawStart)
    {
        line_ = text;
        lineStart_ = rawStart;
        lineWidth_ = Advance(0, line_, measure_, stops_);
    }

    // The text before the word that did not fit becomes a line (unless it
    // is nothing but blanks). A word too wide for a line of its own stands
    // alone on one or, with character wrap, is cut; a narrower one waits on
    // the next line.
    void Overflow(const QString& word, const QString& raw, int wordStart)
    {
        if (TrimRight(previous_).isEmpty())
            previous_.clear();
        if (!previous_.isEmpty()) {
            AddLine(previous_);
            wrapped_ = true;
            if (finished_)
                return;
        }
        if (word.isEmpty() || lineWidth_ <= width_)
            return;
        if (charWrap_) {
            CutWord(word, raw, wordStart);
        } else {
            SetLine(QString(), position_);
            AddLine(word);
            hardBreak_ = false;
        }
    }

    // Lines of the longest prefixes that fit (at least one character each)
    // while the rest of the word is too wide; the rest stays on the line.
    void CutWord(const QString& word, const QString& raw, int wordStart)
    {
        QString rest = word;
        int used = 0;
        while (!finished_ && !rest.isEmpty() && Advance(0, rest, measure_, stops_) > width_) {
            const int length = LongestFittingPrefix(rest);
            const QString piece = rest.left(length);
            rest.remove(0, length);
            used += length;
            SetLine(rest, wordStart + RawOffsetOfCleaned(raw, used));
            AddLine(piece);
            wrapped_ = true;  // the pieces that follow start after a wrap
        }
        // A paragraph end after the word still ends the rest's line.
        if (line_.isEmpty())
            hardBreak_ = false;
    }

    int LongestFittingPrefix(const QString& text) const
    {
        int low = 1;  // always taken
        int high = int(text.size());
        while (low < high) {
            const int mid = low + (high - low + 1) / 2;
            if (Advance(0, QStringView(text).left(mid), measure_, stops_) <= width_)
                low = mid;
            else
                high = mid - 1;
        }
        return low;
    }

    void AddLine(QString text)
    {
        if (wrapped_) {
            text = TrimLeft(text);
            // Blanks where the text wrapped make no line of their own.
            if (text.isEmpty()) {
                previous_.clear();
                return;
            }
        }
        lines_.Add(TrimRight(text));
        previous_.clear();
        if (++count_ >= maxLines_) {
            finished_ = true;
            // The next call starts with the text already taken for the next line.
            if (!line_.isEmpty())
                position_ = lineStart_;
        }
    }

    const QString& text_;
    TStringList& lines_;
    const TrgTextMeasure& measure_;
    const std::vector<int>& stops_;
    const int width_;
    const int maxLines_;
    const bool charWrap_;
    int& position_;

    QString line_;
    double lineWidth_ = 0;
    int lineStart_ = 0;  // where line_ begins in the text
    QString previous_;
    int count_ = 0;
    bool finished_ = false;
    bool hardBreak_ = false;
    bool wrapped_ = false;
};

}  // namespace

std::vector<int> rgTabStopsToPixels(TrgUnitType Unit, const TStringList* Positions, const TObject* Printer)
{
    std::vector<int> pixels;
    if (!Positions || (Unit != utScreenPixels && Unit != utPrinterPixels))
        return pixels;
    pixels.reserve(Positions->Count());
    for (int i = 0; i < Positions->Count(); ++i) {
        int value = 0;
        if (TryStrToInt(Positions->Strings(i), value))
            pixels.push_back(int(rgFromMMThousandths(value, Unit, rgHorizontal, Printer)));
    }
    return pixels;
}

double rgTabbedTextWidth(QStringView Text, const TrgTextMeasure& Measure, const std::vector<int>& TabStops)
{
    return Advance(0, Text, Measure, TabStops);
}

bool rgTextExceedsWidth(QStringView Text, int Width, const TrgTextMeasure& Measure,
                        const std::vector<int>& TabStops)
{
    return rgTabbedTextWidth(Text, Measure, TabStops) > Width;
}

QString rgGetNextWord(const QString& Text, int& Position)
{
    if (Position < 0 || Position >= Text.size()) {
        Position = -1;
        return {};
    }
    for (qsizetype i = Position; i < Text.size(); ++i) {
        const QChar c = Text[i];
        if (c == u' ' || c == u'\n' || c == u'\t') {
            const QString word = Text.mid(Position, i + 1 - Position);
            Position = int(i + 1);
            return word;
        }
    }
    const QString word = Text.mid(Position);
    Position = -1;
    return word;
}

QString rgRemoveChar(const QString& S, QChar C)
{
    QString result = S;
    result.remove(C);
    return result;
}

int rgGetLineMetrics(const TFont& Font, int Leading, int Height, int& LineHeight, TrgTextMeasure& Measure)
{
    Measure.SetFont(Font);
    const int textHeight = Measure.TextHeight();
    const int leading = int(rgFromMMThousandths(Leading, utPrinterPixels, rgVertical, &Measure));
    const int lineHeight = std::max(1, textHeight + leading);
    LineHeight = rgToMMThousandths(utPrinterPixels, rgVertical, &Measure, float(lineHeight));
    const int height = int(rgFromMMThousandths(Height, utPrinterPixels, rgVertical, &Measure));
    return height > 0 ? height / lineHeight : 0;
}

void rgWordWrap(const QString& Text, const TRect& Rect, const TFont& Font, int Leading, bool LimitToRect,
                TStringList& Lines, const TStringList* TabStopPositions, TrgTextMeasure& Measure,
                int& Position, bool CharWrap)
{
    Lines.Clear();
    if (Position < 0 || Position >= Text.size()) {
        Position = -1;  // nothing (more) to lay out
        return;
    }
    Measure.SetFont(Font);
    const std::vector<int> stops = rgTabStopsToPixels(utPrinterPixels, TabStopPositions, &Measure);
    int lineHeight = 0;
    const int fitting = rgGetLineMetrics(Font, Leading, Rect.Bottom - Rect.Top, lineHeight, Measure);
    if (fitting <= 0)
        return;
    const int maxLines = LimitToRect ? fitting : INT_MAX;
    const int width = int(rgFromMMThousandths(Rect.Right - Rect.Left, utPrinterPixels, rgHorizontal, &Measure));
    Wrapper(Text, Lines, Measure, stops, width, maxLines, CharWrap, Position).Run();
}
