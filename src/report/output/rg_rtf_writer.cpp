#include "report/output/rg_rtf_writer.h"

#include <QColor>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <optional>
#include <vector>

#include "platform/core/win1252.h"
#include "report/output/rg_rtf_reader.h"

namespace {

class RtfWriter {
public:
    explicit RtfWriter(const QTextDocument& document) : document_(document) {}

    QByteArray Write(int defaultTabTwips)
    {
        CollectTables();
        out_ = "{\\rtf1\\ansi\\ansicpg1252\\deff0";
        if (defaultTabTwips != rgRtfDefaultTabTwips)
            out_ += "\\deftab" + QByteArray::number(defaultTabTwips);
        out_ += "{\\fonttbl";
        for (qsizetype i = 0; i < fonts_.size(); ++i) {
            out_ += "{\\f" + QByteArray::number(i) + "\\fnil ";
            needsDelimiter_ = false;
            Text(fonts_.at(i));
            out_ += ";}";
        }
        out_ += "}\n{\\colortbl ;";
        for (const QColor& color : colors_) {
            out_ += "\\red" + QByteArray::number(color.red()) + "\\green" + QByteArray::number(color.green())
                    + "\\blue" + QByteArray::number(color.blue()) + ";";
        }
        out_ += "}\n";

        for (QTextBlock block = document_.begin(); block.isValid(); block = block.next()) {
            Control("\\pard");
            Control(AlignmentWord(block.blockFormat().alignment()));
            bool anyText = false;
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                if (!fragment.isValid())
                    continue;
                ChangeTo(TrgRtfCharState::FromFormat(fragment.charFormat()));
                Text(fragment.text());
                anyText = true;
            }
            if (!anyText)
                ChangeTo(TrgRtfCharState::FromFormat(block.charFormat()));  // an empty line's size
            if (block.next().isValid()) {
                Control("\\par");
                out_ += '\n';
                needsDelimiter_ = false;
            }
        }
        out_ += "}\n";
        return out_;
    }

private:
    // Fonts and colours in order of first use; font 0 is the first one used.
    void CollectTables()
    {
        auto note = [this](const QTextCharFormat& format) {
            const TrgRtfCharState state = TrgRtfCharState::FromFormat(format);
            if (!fonts_.contains(state.FontName))
                fonts_.append(state.FontName);
            if (state.Color && std::find(colors_.begin(), colors_.end(), *state.Color) == colors_.end())
                colors_.push_back(*state.Color);
        };
        for (QTextBlock block = document_.begin(); block.isValid(); block = block.next()) {
            bool anyText = false;
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                if (it.fragment().isValid()) {
                    note(it.fragment().charFormat());
                    anyText = true;
                }
            }
            if (!anyText)
                note(block.charFormat());
        }
    }

    static const char* AlignmentWord(Qt::Alignment alignment)
    {
        if (alignment & Qt::AlignJustify)
            return "\\qj";
        if (alignment & Qt::AlignHCenter)
            return "\\qc";
        if (alignment & Qt::AlignRight)
            return "\\qr";
        return "\\ql";
    }

    // The control words that turn the current formatting into State.
    void ChangeTo(const TrgRtfCharState& state)
    {
        if (current_ && *current_ == state)
            return;
        const bool all = !current_;
        const TrgRtfCharState before = current_.value_or(TrgRtfCharState());
        if (all || before.FontName != state.FontName)
            Control("\\f" + QByteArray::number(fonts_.indexOf(state.FontName)));
        if (all || before.HalfPoints != state.HalfPoints)
            Control("\\fs" + QByteArray::number(state.HalfPoints));
        if (all || before.Bold != state.Bold)
            Control(state.Bold ? "\\b" : "\\b0");
        if (all || before.Italic != state.Italic)
            Control(state.Italic ? "\\i" : "\\i0");
        if (all || before.Underline != state.Underline)
            Control(state.Underline ? "\\ul" : "\\ulnone");
        if (all || before.StrikeOut != state.StrikeOut)
            Control(state.StrikeOut ? "\\strike" : "\\strike0");
        if (all || before.Color != state.Color) {
            const qsizetype index =
                state.Color ? std::find(colors_.begin(), colors_.end(), *state.Color) - colors_.begin() + 1 : 0;
            Control("\\cf" + QByteArray::number(index));
        }
        current_ = state;
    }

    void Control(const QByteArray& word)
    {
        out_ += word;
        needsDelimiter_ = true;
    }

    void Text(const QString& text)
    {
        for (const QChar ch : text) {
            const char16_t c = ch.unicode();
            switch (c) {
            case u'\\':
            case u'{':
            case u'}':
                Literal(QByteArray("\\") + char(c));
                continue;
            case u'\t':
                Control("\\tab");
                continue;
            case 0x2028:
                Control("\\line");
                continue;
            case 0x00A0:
                Literal("\\~");
                continue;
            case 0x00AD:
                Literal("\\-");
                continue;
            case 0x2011:
                Literal("\\_");
                continue;
            default:
                break;
            }
            if (c >= 0x20 && c < 0x80) {
                Literal(QByteArray(1, char(c)));
            } else if (c < 0x20) {
                // Control characters have no place in the text.
            } else if (const auto byte = Win1252EncodeChar(c)) {
                Literal("\\'" + QByteArray::number(*byte, 16).rightJustified(2, '0'));
            } else {
                // A signed 16-bit number, as the format has it; "?" for readers without Unicode.
                Control("\\u" + QByteArray::number(int(int16_t(c))) + '?');
                needsDelimiter_ = false;
            }
        }
    }

    // Text or a control symbol; after a control word it needs the delimiting space.
    void Literal(const QByteArray& text)
    {
        if (needsDelimiter_ && text[0] != '\\')
            out_ += ' ';
        out_ += text;
        needsDelimiter_ = false;
    }

    const QTextDocument& document_;
    QByteArray out_;
    bool needsDelimiter_ = false;
    QStringList fonts_;
    std::vector<QColor> colors_;
    std::optional<TrgRtfCharState> current_;
};

}  // namespace

QByteArray rgWriteRtf(const QTextDocument& Document, int DefaultTabTwips)
{
    return RtfWriter(Document).Write(DefaultTabTwips);
}
