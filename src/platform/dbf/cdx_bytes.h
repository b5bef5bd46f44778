// Reading and writing the fixed-width integers of a CDX file: header and page
// fields are little-endian, record numbers and page numbers inside interior
// pages big-endian.
#pragma once

#include <cstdint>

namespace dbfcdx {

inline std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
inline std::uint32_t Le32(const std::uint8_t* p)
{
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}
inline std::uint32_t Be32(const std::uint8_t* p)
{
    return std::uint32_t{p[3]} | std::uint32_t{p[2]} << 8 | std::uint32_t{p[1]} << 16 |
           std::uint32_t{p[0]} << 24;
}
inline void PutLe16(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void PutLe32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void PutBe32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[3 - i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace dbfcdx
