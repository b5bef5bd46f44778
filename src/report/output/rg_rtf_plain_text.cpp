#include "report/output/rg_rtf_plain_text.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

#include "platform/core/win1252.h"

namespace {

bool IsAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

int HexValue(char c)
{
    if (IsAsciiDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Groups whose content is no text of the document.
bool IsSkippedDestination(const QByteArray& word)
{
    static const char* const destinations[] = {"fonttbl", "colortbl", "stylesheet", "info", "pict", "object",
                                               "header", "footer", "headerl", "headerr", "footerl", "footerr",
                                               "listtable", "listoverridetable", "rsidtbl", "generator",
                                               "themedata", "datastore", "latentstyles", "xmlnstbl"};
    return std::any_of(std::begin(destinations), std::end(destinations),
                       [&word](const char* d) { return word == d; });
}

}  // namespace

QString rgRichTextToPlainText(const QByteArray& Rtf)
{
    struct TGroupState {
        bool Skip = false;  // inside a destination that is no text
        int FallbackChars = 1;  // characters after \uN that stand in for it
    };
    std::vector<TGroupState> outer;
    TGroupState state;
    int fallbackLeft = 0;
    QString text;
    const auto put = [&](QChar c) {
        if (fallbackLeft > 0) {
            --fallbackLeft;
            return;
        }
        if (!state.Skip)
            text += c;
    };
    const auto putByte = [&](unsigned char byte) {
        const char b = char(byte);
        const QString decoded = Win1252Decode(QByteArrayView(&b, 1));
        put(decoded.isEmpty() ? QChar(u'?') : decoded.front());
    };

    const qsizetype n = Rtf.size();
    qsizetype i = 0;
    while (i < n) {
        const char c = Rtf[i];
        if (c == '{') {
            outer.push_back(state);
            ++i;
        } else if (c == '}') {
            if (!outer.empty()) {
                state = outer.back();
                outer.pop_back();
            }
            fallbackLeft = 0;
            ++i;
        } else if (c == '\r' || c == '\n') {
            ++i;
        } else if (c != '\\') {
            putByte(uchar(c));
            ++i;
        } else if (++i >= n) {
            break;
        } else if (const char d = Rtf[i]; d == '\\' || d == '{' || d == '}') {
            put(QChar::fromLatin1(d));
            ++i;
        } else if (d == '\'') {
            const int high = i + 1 < n ? HexValue(Rtf[i + 1]) : -1;
            const int low = i + 2 < n ? HexValue(Rtf[i + 2]) : -1;
            if (high >= 0 && low >= 0)
                putByte(uchar(high * 16 + low));
            i += high < 0 ? 1 : low < 0 ? 2 : 3;  // a broken escape is dropped whole
        } else if (d == '*') {
            state.Skip = true;
            ++i;
        } else if (d == '~') {
            put(QChar(0xA0));
            ++i;
        } else if (d == '_') {
            put(QChar(u'-'));
            ++i;
        } else if (d == '\r' || d == '\n') {
            put(QChar(u'\n'));
            ++i;
        } else if (!IsAsciiLetter(d)) {
            ++i;  // other control symbols carry no text
        } else {
            const qsizetype wordStart = i;
            while (i < n && IsAsciiLetter(Rtf[i]))
                ++i;
            const QByteArray word = Rtf.mid(wordStart, i - wordStart);
            bool negative = false;
            if (i < n && Rtf[i] == '-') {
                negative = true;
                ++i;
            }
            int64_t parameter = 0;
            while (i < n && IsAsciiDigit(Rtf[i])) {
                if (parameter < 1000000000)
                    parameter = parameter * 10 + (Rtf[i] - '0');
                ++i;
            }
            if (negative)
                parameter = -parameter;
            if (i < n && Rtf[i] == ' ')
                ++i;
            if (word == "par" || word == "line" || word == "page" || word == "sect") {
                put(QChar(u'\n'));
            } else if (word == "tab") {
                put(QChar(u'\t'));
            } else if (word == "uc") {
                state.FallbackChars = int(std::clamp<int64_t>(parameter, 0, 16));
            } else if (word == "u") {
                const int64_t code = parameter < 0 ? parameter + 65536 : parameter;
                fallbackLeft = 0;
                if (code > 0 && code <= 0xFFFF)
                    put(QChar(char16_t(code)));
                fallbackLeft = state.FallbackChars;
            } else if (IsSkippedDestination(word)) {
                state.Skip = true;
            }
        }
    }
    return text;
}
