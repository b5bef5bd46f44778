// Text and number helpers of the expression module, on Windows-1252 bytes:
// case mapping (the German umlauts included, "ß" has no upper-case form),
// VAL() number reading, STR() number formatting and xBase rounding.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace dbfexpr {

namespace detail {
// Case tables of Windows-1252, indexed by byte.
extern const std::array<unsigned char, 256> kUpperTable;
extern const std::array<unsigned char, 256> kLowerTable;
}  // namespace detail

// Upper and lower case of one Windows-1252 byte.
inline unsigned char ExprUpper(unsigned char ch) { return detail::kUpperTable[ch]; }
inline unsigned char ExprLower(unsigned char ch) { return detail::kLowerTable[ch]; }

// VAL(): leading blanks, an optional sign, digits with an optional "." part
// and exponent; reading stops at the first other character; nothing readable
// gives 0. Also reads the text of DBF numeric fields.
double ExprParseNumber(std::string_view text);

// Rounds half away from zero to `decimals` places (negative: to tens,
// hundreds, ...), tolerant of the binary representation (2.675 -> 2.68).
double ExprRound(double value, int decimals);

// STR(): the number right-aligned in `width` characters with `decimals`
// places; when it does not fit, fewer decimals are used, and when even the
// integer part does not fit the result is `width` asterisks.
std::string ExprFormatNumber(double value, int width, int decimals);

}  // namespace dbfexpr
