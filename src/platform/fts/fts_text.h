#pragma once
// Text handling of the full-text engine: case folding of Windows-1252 text,
// dropping of blank padding, conversion to UTF-8 for SQLite, query words and
// the match test. Indexing, queries and verification all go through these
// routines, so a word found by the index is also accepted by FtsVerify.

#include <string>
#include <string_view>
#include <vector>

namespace fts {

// Folds one Windows-1252 byte: upper-case letters (A-Z, the accented
// capitals À-Þ except ×, Š, Œ, Ž, Ÿ) become their lower-case letters; control
// characters, DEL, the five unassigned bytes and the no-break space become a
// blank; everything else stays.
unsigned char FoldByte(unsigned char c);

// Folds a Windows-1252 text and squeezes it: every run of blanks (padding,
// separators, control bytes, zero bytes) becomes one blank; leading and
// trailing blanks are dropped. The result is still Windows-1252.
std::string FoldText(std::string_view win1252);

// Windows-1252 bytes to UTF-8 through the core codec (the unassigned bytes
// become U+0081 and the like; FoldText has already turned them into blanks).
std::string Win1252ToUtf8(std::string_view win1252);

// The words of a query: folded, split at blanks, duplicates removed, in the
// order they stand. An empty list when the query holds no word.
std::vector<std::string> QueryWords(std::string_view win1252Query);

// Whether every word occurs somewhere inside the folded text (as a substring,
// so a part of a compound word counts).
bool MatchesAll(std::string_view foldedText, const std::vector<std::string>& words);

}  // namespace fts
