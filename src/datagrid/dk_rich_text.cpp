#include "datagrid/dk_rich_text.h"

#include "platform/core/win1252.h"

#include <vector>

namespace {

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

QString dkRichTextToPlain(const QByteArray& rtf)
{
    if (!rtf.startsWith("{\\rtf"))
        return Win1252Decode(rtf);
    QString out;
    QByteArray pending;  // Windows-1252 bytes not yet decoded
    auto flush = [&] {
        out += Win1252Decode(pending);
        pending.clear();
    };
    // One flag per open group: whether its text is left out.
    std::vector<bool> skip{false};
    int ucSkip = 1;  // characters that follow a \u character as its fallback
    int fallback = 0;
    const qsizetype n = rtf.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = rtf[i];
        if (c == '{') {
            skip.push_back(skip.back());
            // {\* ...} and the tables are destinations without text.
            static const char* const hidden[] = {"\\*", "\\fonttbl", "\\colortbl", "\\stylesheet", "\\info",
                                                 "\\pict", "\\header", "\\footer"};
            for (const char* h : hidden)
                if (rtf.mid(i + 1).startsWith(h))
                    skip.back() = true;
            continue;
        }
        if (c == '}') {
            if (skip.size() > 1)
                skip.pop_back();
            continue;
        }
        if (c == '\r' || c == '\n')
            continue;
        if (c != '\\') {
            if (fallback > 0) {
                --fallback;
                continue;
            }
            if (!skip.back())
                pending += c;
            continue;
        }
        // A control symbol or word.
        if (i + 1 >= n)
            break;
        const char next = rtf[i + 1];
        if (next == '\\' || next == '{' || next == '}') {
            if (!skip.back())
                pending += next;
            ++i;
            continue;
        }
        if (next == '\'' && i + 3 < n && HexValue(rtf[i + 2]) >= 0 && HexValue(rtf[i + 3]) >= 0) {
            if (fallback > 0)
                --fallback;
            else if (!skip.back())
                pending += char(HexValue(rtf[i + 2]) * 16 + HexValue(rtf[i + 3]));
            i += 3;
            continue;
        }
        if (!IsLetter(next)) {
            ++i;  // other control symbols (\~, \-, ...) carry no text here
            continue;
        }
        qsizetype j = i + 1;
        while (j < n && IsLetter(rtf[j]))
            ++j;
        const QByteArray word = rtf.mid(i + 1, j - i - 1);
        bool hasNumber = false;
        long number = 0;
        bool negative = j < n && rtf[j] == '-';
        if (negative)
            ++j;
        while (j < n && rtf[j] >= '0' && rtf[j] <= '9' && number < 1000000) {
            number = number * 10 + (rtf[j] - '0');
            hasNumber = true;
            ++j;
        }
        if (negative)
            number = -number;
        if (j < n && rtf[j] == ' ')
            ++j;  // the delimiter belongs to the word
        i = j - 1;
        if (skip.back())
            continue;
        if (word == "par" || word == "line") {
            pending += '\n';
        } else if (word == "tab") {
            pending += '\t';
        } else if (word == "uc" && hasNumber) {
            ucSkip = int(std::max(0L, number));
        } else if (word == "u" && hasNumber) {
            flush();
            out += QChar(char16_t(number < 0 ? number + 65536 : number));
            fallback = ucSkip;
        }
    }
    flush();
    while (out.endsWith(u'\n'))
        out.chop(1);
    return out;
}
