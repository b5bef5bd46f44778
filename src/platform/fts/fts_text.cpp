#include "platform/fts/fts_text.h"

#include "platform/core/win1252.h"

#include <algorithm>
#include <array>

namespace fts {

namespace {

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
    return Win1252Decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())))
        .toStdString();
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
