#include "platform/fts/fts_text.h"

#include <algorithm>
#include <array>

namespace fts {

namespace {

// Unicode code points of the Windows-1252 bytes 0x80-0x9F; 0xA0-0xFF equal
// their code point and 0x00-0x7F are ASCII.
constexpr std::array<char32_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr std::array<unsigned char, 256> MakeFoldTable() {
    std::array<unsigned char, 256> t{};
    for (int i = 0; i < 256; ++i) {
        int c = i;
        if (c < 0x20 || c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 ||
            c == 0x9D || c == 0xA0)
            c = ' ';
        else if (c >= 'A' && c <= 'Z')
            c += 0x20;
        else if (c == 0x8A || c == 0x8C || c == 0x8E)  // Š Œ Ž
            c += 0x10;
        else if (c == 0x9F)  // Ÿ
            c = 0xFF;
        else if (c >= 0xC0 && c <= 0xDE && c != 0xD7)  // À..Þ without ×
            c += 0x20;
        t[i] = static_cast<unsigned char>(c);
    }
    return t;
}

constexpr std::array<unsigned char, 256> kFold = MakeFoldTable();

}  // namespace

unsigned char FoldByte(unsigned char c) { return kFold[c]; }

std::string FoldText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    bool pendingBlank = false;
    for (char ch : text) {
        unsigned char c = kFold[static_cast<unsigned char>(ch)];
        if (c == ' ') {
            pendingBlank = !out.empty();
            continue;
        }
        if (pendingBlank) {
            out.push_back(' ');
            pendingBlank = false;
        }
        out.push_back(static_cast<char>(c));
    }
    return out;
}

std::string Win1252ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (char ch : text) {
        unsigned char c = static_cast<unsigned char>(ch);
        char32_t u = c < 0x80 ? c : c < 0xA0 ? kHigh[c - 0x80] : c;
        if (u < 0x80) {
            out.push_back(static_cast<char>(u));
        } else if (u < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (u >> 6)));
            out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (u >> 12)));
            out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        }
    }
    return out;
}

std::vector<std::string> QueryWords(std::string_view query) {
    std::vector<std::string> words;
    std::string folded = FoldText(query);
    size_t pos = 0;
    while (pos < folded.size()) {
        size_t end = folded.find(' ', pos);
        if (end == std::string::npos) end = folded.size();
        std::string word = folded.substr(pos, end - pos);
        if (std::find(words.begin(), words.end(), word) == words.end())
            words.push_back(std::move(word));
        pos = end + 1;
    }
    return words;
}

bool MatchesAll(std::string_view foldedText, const std::vector<std::string>& words) {
    for (const std::string& w : words)
        if (foldedText.find(w) == std::string_view::npos) return false;
    return true;
}

}  // namespace fts
