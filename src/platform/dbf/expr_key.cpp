#include "platform/dbf/expr_key.h"

#include <cstring>

namespace dbfexpr {

void ExprNumericKey(double value, std::uint8_t out[kNumericKeyLength])
{
    if (value == 0)
        value = 0;  // -0 sorts and reads as 0
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    if (bits >> 63)
        bits = ~bits;
    else
        bits |= std::uint64_t{1} << 63;
    for (int i = kNumericKeyLength - 1; i >= 0; --i) {
        out[i] = static_cast<std::uint8_t>(bits);
        bits >>= 8;
    }
}

double ExprNumericFromKey(const std::uint8_t key[kNumericKeyLength])
{
    std::uint64_t bits = 0;
    for (int i = 0; i < kNumericKeyLength; ++i)
        bits = bits << 8 | key[i];
    if (bits >> 63)
        bits &= ~(std::uint64_t{1} << 63);
    else
        bits = ~bits;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace dbfexpr
