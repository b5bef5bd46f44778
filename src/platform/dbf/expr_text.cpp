#include "platform/dbf/expr_text.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace dbfexpr {

namespace {

// Pairs of upper- and lower-case letters: ASCII, the Latin-1 letters
// 0xC0-0xDE / 0xE0-0xFE except the multiplication and division signs, and
// the four letters of 0x8A-0x9F. 0xDF (sharp s) has no upper-case form.
constexpr std::array<unsigned char, 256> MakeCaseTable(bool upper)
{
    std::array<unsigned char, 256> t{};
    for (int i = 0; i < 256; ++i)
        t[static_cast<std::size_t>(i)] = static_cast<unsigned char>(i);
    auto pair = [&](int up, int low) {
        if (upper)
            t[static_cast<std::size_t>(low)] = static_cast<unsigned char>(up);
        else
            t[static_cast<std::size_t>(up)] = static_cast<unsigned char>(low);
    };
    for (int c = 'A'; c <= 'Z'; ++c)
        pair(c, c + 32);
    for (int c = 0xC0; c <= 0xDE; ++c)
        if (c != 0xD7)
            pair(c, c + 32);
    pair(0x8A, 0x9A);  // S caron
    pair(0x8C, 0x9C);  // OE
    pair(0x8E, 0x9E);  // Z caron
    pair(0x9F, 0xFF);  // Y diaeresis
    return t;
}

// Powers of ten that are exact in a double.
const double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

}  // namespace

namespace detail {
constinit const std::array<unsigned char, 256> kUpperTable = MakeCaseTable(true);
constinit const std::array<unsigned char, 256> kLowerTable = MakeCaseTable(false);
}  // namespace detail

double ExprParseNumber(std::string_view s)
{
    std::size_t i = 0;
    const std::size_t n = s.size();
    while (i < n && s[i] == ' ')
        ++i;
    bool negative = false;
    if (i < n && (s[i] == '-' || s[i] == '+'))
        negative = s[i++] == '-';
    std::uint64_t mantissa = 0;
    int digits = 0;  // significant digits taken into the mantissa
    int exponent = 0;
    bool any = false;
    for (; i < n && s[i] >= '0' && s[i] <= '9'; ++i) {
        any = true;
        if (digits < 19) {
            mantissa = mantissa * 10 + static_cast<unsigned>(s[i] - '0');
            if (mantissa)
                ++digits;
        } else {
            ++exponent;
        }
    }
    if (i < n && s[i] == '.') {
        for (++i; i < n && s[i] >= '0' && s[i] <= '9'; ++i) {
            any = true;
            if (digits < 19) {
                mantissa = mantissa * 10 + static_cast<unsigned>(s[i] - '0');
                if (mantissa)
                    ++digits;
                --exponent;
            }
        }
    }
    if (!any)
        return 0;
    if (i + 1 < n && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        bool expNegative = false;
        if (j < n && (s[j] == '-' || s[j] == '+'))
            expNegative = s[j++] == '-';
        if (j < n && s[j] >= '0' && s[j] <= '9') {
            int e = 0;
            for (; j < n && s[j] >= '0' && s[j] <= '9'; ++j)
                if (e < 10000)
                    e = e * 10 + (s[j] - '0');
            exponent += expNegative ? -e : e;
        }
    }
    double value = static_cast<double>(mantissa);
    // Exact for the usual field texts (up to 15 digits, up to 22 places).
    if (mantissa < (std::uint64_t{1} << 53) && exponent >= -22 && exponent <= 22)
        value = exponent < 0 ? value / kPow10[-exponent] : value * kPow10[exponent];
    else if (mantissa != 0)
        value = value * std::pow(10.0, exponent);
    return negative ? -value : value;
}

double ExprRound(double value, int decimals)
{
    if (!std::isfinite(value) || value == 0)
        return value;
    decimals = std::clamp(decimals, -22, 22);
    // Round in decimal: first to 15 significant digits, which removes the
    // binary error of decimal fractions (2.675 is stored as 2.67499999...),
    // then half away from zero at the requested place.
    std::array<char, 40> buf{};
    std::snprintf(buf.data(), buf.size(), "%.14e", std::fabs(value));
    // buf: "d.dddddddddddddde+XX"
    int digits[15];
    digits[0] = buf[0] - '0';
    for (int i = 1; i < 15; ++i)
        digits[i] = buf[static_cast<std::size_t>(i) + 1] - '0';
    const int exponent = std::atoi(buf.data() + 17);
    const int keep = exponent + 1 + decimals;  // significant digits that stay
    if (keep >= 15)
        return value;  // nothing to round at this precision
    if (keep < 0)
        return 0.0;
    std::int64_t m = 0;
    for (int i = 0; i < keep; ++i)
        m = m * 10 + digits[i];
    if (digits[keep] >= 5)
        ++m;
    const double r = decimals >= 0 ? static_cast<double>(m) / kPow10[decimals]
                                   : static_cast<double>(m) * kPow10[-decimals];
    return value < 0 ? -r : r;
}

std::string ExprFormatNumber(double value, int width, int decimals)
{
    if (width <= 0)
        return {};
    if (decimals < 0)
        decimals = 0;
    // Places only when there is room for "0." in front of them.
    if (decimals > width - 2)
        decimals = width > 2 ? width - 2 : 0;
    if (decimals > 18)
        decimals = 18;
    if (std::isfinite(value) && std::fabs(value) < 1e20) {
        std::array<char, 64> buf{};
        for (int d = decimals; d >= 0; --d) {
            double r = ExprRound(value, d);
            if (r == 0)
                r = 0;  // no "-0"
            const int len = std::snprintf(buf.data(), buf.size(), "%.*f", d, r);
            if (len > 0 && len <= width)
                return std::string(static_cast<std::size_t>(width - len), ' ') + buf.data();
        }
    }
    return std::string(static_cast<std::size_t>(width), '*');
}

}  // namespace dbfexpr
