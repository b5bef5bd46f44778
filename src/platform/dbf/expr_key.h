// Index key bytes of numeric and date values in the FoxPro compound index
// form: the IEEE double in big-endian byte order, with the sign bit flipped
// for positive values and every bit inverted for negative ones, so that the
// bytes sort like the numbers. Dates are stored as their Julian day number
// (0 for the empty date) in the same form.
#pragma once

#include <cstdint>

namespace dbfexpr {

inline constexpr int kNumericKeyLength = 8;

void ExprNumericKey(double value, std::uint8_t out[kNumericKeyLength]);
double ExprNumericFromKey(const std::uint8_t key[kNumericKeyLength]);

}  // namespace dbfexpr
