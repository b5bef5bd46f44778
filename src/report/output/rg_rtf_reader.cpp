#include "report/output/rg_rtf_reader.h"

#include <QHash>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/core/win1252.h"
#include "report/output/rg_text_measure.h"
#include "report/output/rg_utils.h"

namespace {

// Longest control word the format allows; longer runs of letters are read
// to their end and taken for an unknown word.
constexpr int kMaxWordLength = 32;
// Digits of a parameter that count; further digits are read and dropped.
constexpr int kMaxParameterDigits = 10;
// Longest font name kept from the font table.
constexpr int kMaxFontNameLength = 255;
// Largest \ucN honoured.
constexpr int kMaxFallbackCount = 16;

enum class Destination { Text, FontTable, ColorTable, Skip };

struct ParagraphState {
    Qt::Alignment Alignment = Qt::AlignLeft;
};

struct GroupState {
    TrgRtfCharState Chars;  // its FontName is taken from FontNumber when text comes
    std::optional<int> FontNumber;  // none: the document's default font
    ParagraphState Paragraph;
    Destination Dest = Destination::Text;
    int FallbackCount = 1;  // \uc
};

// One byte of Windows-1252 text.
char16_t DecodeByte(char byte)
{
    const char bytes[1] = {byte};
    return Win1252Decode(QByteArrayView(bytes, 1)).at(0).unicode();
}

// Destinations whose content is no text of the document.
bool IsSkippedDestination(QByteArrayView word)
{
    static const QByteArrayView kSkipped[] = {
        "stylesheet", "info",   "pict",    "object",  "header",    "headerl",   "headerr",   "headerf",
        "footer",     "footerl", "footerr", "footerf", "footnote", "annotation", "atnid",    "atnauthor",
        "fldinst",    "xe",     "tc",      "txe",     "rxe",       "listtable", "listoverridetable",
        "revtbl",     "rsidtbl", "generator", "filetbl", "themedata", "colorschememapping",
        "latentstyles", "datastore", "xmlnstbl", "nonshppict", "shppict", "shp", "bkmkstart", "bkmkend",
        "template",   "userprops", "docvar", "private", "objdata", "result"};
    return std::find(std::begin(kSkipped), std::end(kSkipped), word) != std::end(kSkipped);
}

// Characters that stand for themselves as control words.
std::optional<char16_t> SymbolWord(QByteArrayView word)
{
    struct Entry {
        QByteArrayView Word;
        char16_t Char;
    };
    static const Entry kSymbols[] = {
        {"emdash", 0x2014},    {"endash", 0x2013},    {"bullet", 0x2022},    {"lquote", 0x2018},
        {"rquote", 0x2019},    {"ldblquote", 0x201C}, {"rdblquote", 0x201D}, {"emspace", 0x2003},
        {"enspace", 0x2002},   {"qmspace", 0x2005},   {"line", 0x2028},      {"tab", u'\t'},
        {"cell", u'\t'},
    };
    for (const Entry& e : kSymbols) {
        if (e.Word == word)
            return e.Char;
    }
    return std::nullopt;
}

class RtfReader {
public:
    RtfReader(QByteArrayView data, QTextDocument& document, const TrgRtfCharState& defaults)
        : data_(data), document_(document), cursor_(&document), defaults_(defaults)
    {
    }

    TrgRtfReadResult Read()
    {
        document_.clear();
        cursor_ = QTextCursor(&document_);
        current_ = GroupState();
        current_.Chars = defaults_;

        while (pos_ < data_.size()) {
            const char c = data_[pos_++];
            if (c == '{') {
                OpenGroup();
            } else if (c == '}') {
                if (!CloseGroup())
                    break;  // the outer group is closed: the document ends here
            } else if (c == '\\') {
                ReadControl();
            } else if (c == '\r' || c == '\n') {
                // Line ends of the file are no text.
            } else if (c == '\t') {
                Text(u'\t');
            } else if (static_cast<unsigned char>(c) < 0x20) {
                // Other control bytes carry nothing.
            } else {
                Text(DecodeByte(c));
            }
        }
        result_.Complete = depth_ == 0;
        FinishUnicode();
        Flush();
        EndParagraph(false);
        return result_;
    }

private:
    void OpenGroup()
    {
        EndFallback();
        FinishUnicode();
        ++depth_;
        if (depth_ <= rgRtfMaxGroupDepth)
            stack_.push_back(current_);
        else
            result_.TooDeep = true;
    }

    // False when the group closed was the outermost one.
    bool CloseGroup()
    {
        EndFallback();
        FinishUnicode();
        if (depth_ <= 1) {
            // The outer group ends the document, in the formatting inside it;
            // a brace that closes nothing ends it as well.
            depth_ = 0;
            return false;
        }
        if (current_.Dest == Destination::FontTable)
            EndFontEntry();
        if (depth_ <= rgRtfMaxGroupDepth) {
            current_ = stack_.back();
            stack_.pop_back();
        }
        --depth_;
        return true;
    }

    void ReadControl()
    {
        if (pos_ >= data_.size())
            return;
        const char c = data_[pos_];
        if (IsLetter(c)) {
            ReadWord();
            return;
        }
        ++pos_;
        if (c == '\'') {
            ReadHexEscape();
            return;
        }
        if (SkippingFallback()) {
            CountFallback();
            return;
        }
        switch (c) {
        case '\\':
        case '{':
        case '}':
            Text(char16_t(c));
            break;
        case '~':
            Text(0x00A0);
            break;
        case '_':
            Text(0x2011);
            break;
        case '-':
            Text(0x00AD);
            break;
        case '*':
            current_.Dest = Destination::Skip;
            break;
        case '\r':
        case '\n':
            // A backslash before a line end is a paragraph mark.
            Paragraph();
            break;
        default:
            break;  // unknown control symbols are passed over
        }
    }

    void ReadWord()
    {
        const qsizetype start = pos_;
        while (pos_ < data_.size() && IsLetter(data_[pos_]))
            ++pos_;
        const qsizetype length = pos_ - start;
        const QByteArrayView word =
            length <= kMaxWordLength ? data_.sliced(start, length) : QByteArrayView("?");

        bool hasParameter = false;
        long long parameter = 0;
        bool negative = false;
        if (pos_ < data_.size() && data_[pos_] == '-' && pos_ + 1 < data_.size() && IsDigit(data_[pos_ + 1])) {
            negative = true;
            ++pos_;
        }
        int digits = 0;
        while (pos_ < data_.size() && IsDigit(data_[pos_])) {
            if (digits < kMaxParameterDigits)
                parameter = parameter * 10 + (data_[pos_] - '0');
            ++digits;
            ++pos_;
        }
        if (digits > 0) {
            hasParameter = true;
            parameter = std::clamp<long long>(negative ? -parameter : parameter, INT32_MIN, INT32_MAX);
        }
        if (pos_ < data_.size() && data_[pos_] == ' ')
            ++pos_;  // the delimiting space belongs to the word

        if (word == "bin") {
            // Binary data is never text; skip it, but no further than the input.
            const qsizetype count = hasParameter && parameter > 0 ? qsizetype(parameter) : 0;
            pos_ += std::min(count, data_.size() - pos_);
            CountFallback();
            return;
        }
        if (SkippingFallback()) {
            CountFallback();
            return;
        }
        Word(word, hasParameter, int(parameter));
    }

    void ReadHexEscape()
    {
        int value = 0;
        int digits = 0;
        while (digits < 2 && pos_ < data_.size() && HexValue(data_[pos_]) >= 0) {
            value = value * 16 + HexValue(data_[pos_]);
            ++digits;
            ++pos_;
        }
        if (SkippingFallback()) {
            CountFallback();
            return;
        }
        if (digits == 0)
            return;
        Text(DecodeByte(char(value)));
    }

    void Word(QByteArrayView word, bool hasParameter, int parameter)
    {
        const bool on = !hasParameter || parameter != 0;
        TrgRtfCharState& chars = current_.Chars;
        if (current_.Dest == Destination::Skip)
            return;
        if (IsSkippedDestination(word) || word == "fonttbl" || word == "colortbl") {
            current_.Dest = word == "fonttbl"    ? Destination::FontTable
                            : word == "colortbl" ? Destination::ColorTable
                                                 : Destination::Skip;
            return;
        }
        if (current_.Dest == Destination::FontTable) {
            if (word == "f" && hasParameter) {
                EndFontEntry();
                fontNumber_ = parameter;
            }
            return;
        }
        if (current_.Dest == Destination::ColorTable) {
            const int component = std::clamp(parameter, 0, 255);
            if (word == "red")
                colorEntry_.setRed(component), colorSet_ = true;
            else if (word == "green")
                colorEntry_.setGreen(component), colorSet_ = true;
            else if (word == "blue")
                colorEntry_.setBlue(component), colorSet_ = true;
            return;
        }

        if (word == "par" || word == "page" || word == "sect" || word == "row") {
            Paragraph();
        } else if (const auto symbol = SymbolWord(word)) {
            Text(*symbol);
        } else if (word == "u" && hasParameter) {
            Unicode(parameter);
            fallbackLeft_ = current_.FallbackCount;
        } else if (word == "uc" && hasParameter) {
            current_.FallbackCount = std::clamp(parameter, 0, kMaxFallbackCount);
        } else if (word == "b") {
            chars.Bold = on;
        } else if (word == "i") {
            chars.Italic = on;
        } else if (word == "strike") {
            chars.StrikeOut = on;
        } else if (word == "ul" || word == "uld" || word == "uldb" || word == "ulw" || word == "uldash"
                   || word == "ulth" || word == "ulwave") {
            chars.Underline = on;
        } else if (word == "ulnone") {
            chars.Underline = false;
        } else if (word == "fs") {
            chars.HalfPoints = hasParameter && parameter > 0 ? std::min(parameter, 3276) : 24;
        } else if (word == "f" && hasParameter) {
            current_.FontNumber = parameter;
        } else if (word == "cf") {
            chars.Color = hasParameter ? TableColor(parameter) : std::nullopt;
        } else if (word == "plain") {
            current_.Chars = defaults_;
            current_.FontNumber.reset();
        } else if (word == "pard") {
            current_.Paragraph = ParagraphState();
        } else if (word == "ql") {
            current_.Paragraph.Alignment = Qt::AlignLeft;
        } else if (word == "qr") {
            current_.Paragraph.Alignment = Qt::AlignRight;
        } else if (word == "qc") {
            current_.Paragraph.Alignment = Qt::AlignHCenter;
        } else if (word == "qj") {
            current_.Paragraph.Alignment = Qt::AlignJustify;
        } else if (word == "deff" && hasParameter) {
            defaultFont_ = parameter;
        } else if (word == "deftab" && hasParameter && parameter > 0) {
            result_.DefaultTabTwips = std::min(parameter, 1440 * 22);
        }
        // Every other word is passed over.
    }

    // The formatting of the current group's text, its font resolved.
    TrgRtfCharState CurrentChars() const
    {
        TrgRtfCharState chars = current_.Chars;
        chars.FontName = FontName(current_.FontNumber ? current_.FontNumber : defaultFont_);
        return chars;
    }

    // A font of the table; the default font, then the caller's, for a number
    // the table does not hold.
    QString FontName(std::optional<int> number) const
    {
        if (number) {
            if (const auto found = fonts_.constFind(*number); found != fonts_.constEnd())
                return *found;
        }
        if (defaultFont_) {
            if (const auto found = fonts_.constFind(*defaultFont_); found != fonts_.constEnd())
                return *found;
        }
        return defaults_.FontName;
    }

    std::optional<QColor> TableColor(int index) const
    {
        if (index <= 0 || index >= int(colors_.size()))
            return std::nullopt;
        return colors_[size_t(index)];
    }

    // Text of the font and colour tables, and of the document.
    void Text(char16_t c)
    {
        if (SkippingFallback()) {
            --fallbackLeft_;
            return;
        }
        if (c != 0 && !QChar::isSurrogate(c))
            FinishUnicode();
        switch (current_.Dest) {
        case Destination::Skip:
            return;
        case Destination::FontTable:
            if (c == u';')
                EndFontEntry();
            else if (c >= 0x20 && !QChar::isSurrogate(c) && fontName_.size() < kMaxFontNameLength)
                fontName_.append(QChar(c));
            return;
        case Destination::ColorTable:
            if (c == u';') {
                colors_.push_back(colorSet_ ? std::optional<QColor>(colorEntry_) : std::nullopt);
                colorEntry_ = QColor(0, 0, 0);
                colorSet_ = false;
            }
            return;
        case Destination::Text:
            break;
        }
        if (c == 0x2029) {
            Paragraph();
            return;
        }
        if (c < 0x20 && c != u'\t')
            return;  // control characters carry nothing
        if (const TrgRtfCharState chars = CurrentChars(); !(chars == runChars_)) {
            Flush();
            runChars_ = chars;
        }
        run_.append(QChar(c));
    }

    // \uN: a UTF-16 unit as a signed 16-bit number; pairs of surrogates make
    // one character, a surrogate on its own becomes U+FFFD.
    void Unicode(int value)
    {
        if (value < 0)
            value += 0x10000;
        if (value < 0 || value > 0xFFFF) {
            Emit(0xFFFD);
            return;
        }
        const char16_t unit = char16_t(value);
        if (QChar::isHighSurrogate(unit)) {
            FinishUnicode();
            highSurrogate_ = unit;
            return;
        }
        if (QChar::isLowSurrogate(unit)) {
            if (highSurrogate_) {
                const char16_t high = *highSurrogate_;
                highSurrogate_.reset();
                Emit(high);
                Emit(unit);
            } else {
                Emit(0xFFFD);
            }
            return;
        }
        Emit(unit);
    }

    // A character of \uN: not part of any fallback being skipped.
    void Emit(char16_t c)
    {
        const int left = fallbackLeft_;
        fallbackLeft_ = 0;
        Text(c);
        fallbackLeft_ = left;
    }

    // A high surrogate that no low one followed stands for nothing readable.
    void FinishUnicode()
    {
        if (!highSurrogate_)
            return;
        highSurrogate_.reset();
        Emit(0xFFFD);
    }

    bool SkippingFallback() const { return fallbackLeft_ > 0; }
    // A control word or binary run inside a fallback counts as one character.
    void CountFallback()
    {
        if (fallbackLeft_ > 0)
            --fallbackLeft_;
    }
    // A group brace ends any fallback.
    void EndFallback() { fallbackLeft_ = 0; }

    void EndFontEntry()
    {
        if (fontNumber_)
            fonts_.insert(*fontNumber_, fontName_.trimmed());
        fontName_.clear();
        fontNumber_.reset();
    }

    void Flush()
    {
        if (run_.isEmpty())
            return;
        cursor_.insertText(run_, runChars_.ToFormat());
        run_.clear();
    }

    void Paragraph()
    {
        if (current_.Dest != Destination::Text)
            return;
        FinishUnicode();
        Flush();
        EndParagraph(true);
    }

    // Gives the paragraph its alignment and, when another follows, starts it.
    void EndParagraph(bool another)
    {
        QTextBlockFormat block = cursor_.blockFormat();
        block.setAlignment(current_.Paragraph.Alignment);
        cursor_.setBlockFormat(block);
        if (cursor_.block().length() == 1)
            cursor_.setBlockCharFormat(CurrentChars().ToFormat());  // an empty line's height
        if (another)
            cursor_.insertBlock(QTextBlockFormat(), CurrentChars().ToFormat());
    }

    static bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }
    static int HexValue(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    QByteArrayView data_;
    qsizetype pos_ = 0;
    QTextDocument& document_;
    QTextCursor cursor_;
    TrgRtfCharState defaults_;
    TrgRtfReadResult result_;

    int depth_ = 0;
    // The state outside each open group, up to rgRtfMaxGroupDepth groups.
    std::vector<GroupState> stack_;
    GroupState current_;

    QString run_;
    TrgRtfCharState runChars_;
    int fallbackLeft_ = 0;
    std::optional<char16_t> highSurrogate_;

    QHash<int, QString> fonts_;
    std::optional<int> defaultFont_;
    std::optional<int> fontNumber_;
    QString fontName_;
    std::vector<std::optional<QColor>> colors_;
    QColor colorEntry_{0, 0, 0};
    bool colorSet_ = false;
};

}  // namespace

QTextCharFormat TrgRtfCharState::ToFormat() const
{
    QTextCharFormat format;
    format.setFontFamilies({rgGetPrinterFontName(FontName)});
    format.setProperty(rgRtfFontNameProperty, FontName);
    format.setProperty(QTextFormat::FontPixelSize, rgHalfPointsToLayoutPixels(HalfPoints));
    format.setFontWeight(Bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(Italic);
    format.setFontUnderline(Underline);
    format.setFontStrikeOut(StrikeOut);
    format.setFontKerning(true);
    format.setFontHintingPreference(QFont::PreferNoHinting);
    if (Color)
        format.setForeground(*Color);
    return format;
}

TrgRtfCharState TrgRtfCharState::FromFormat(const QTextCharFormat& Format)
{
    TrgRtfCharState state;
    if (Format.hasProperty(rgRtfFontNameProperty)) {
        state.FontName = Format.stringProperty(rgRtfFontNameProperty);
    } else {
        const QStringList families = Format.fontFamilies().toStringList();
        state.FontName = families.isEmpty() ? QString() : families.first();
    }
    if (Format.hasProperty(QTextFormat::FontPixelSize))
        state.HalfPoints = rgLayoutPixelsToHalfPoints(Format.intProperty(QTextFormat::FontPixelSize));
    else if (Format.hasProperty(QTextFormat::FontPointSize))
        state.HalfPoints = std::max(1, int(std::lround(Format.fontPointSize() * 2)));
    state.Bold = Format.fontWeight() >= QFont::DemiBold;
    state.Italic = Format.fontItalic();
    state.Underline = Format.fontUnderline();
    state.StrikeOut = Format.fontStrikeOut();
    if (Format.hasProperty(QTextFormat::ForegroundBrush) && Format.foreground().style() != Qt::NoBrush)
        state.Color = Format.foreground().color();
    return state;
}

int rgHalfPointsToLayoutPixels(int HalfPoints)
{
    return std::max(1, int(std::lround(HalfPoints * double(rgMeasureUnitsPerInch) / 144.0)));
}

int rgLayoutPixelsToHalfPoints(int Pixels)
{
    return std::max(1, int(std::lround(Pixels * 144.0 / rgMeasureUnitsPerInch)));
}

bool rgIsRichText(QByteArrayView Data)
{
    return Data.startsWith("{\\rtf");
}

TrgRtfReadResult rgReadRtf(QByteArrayView Data, QTextDocument& Document, const TrgRtfCharState& Defaults)
{
    return RtfReader(Data, Document, Defaults).Read();
}
