// Layout constants and small helpers shared by the parts of the CDX code
// (cdx_file.cpp: file, headers, cache and flush; cdx_tree.cpp: seeks and
// changes of one tag's tree; cdx_build.cpp: tag builds; cdx_verify.cpp: the
// full check). Not for use outside them.
#pragma once

#include "platform/dbf/cdx_file.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

namespace dbfcdx::internal {

inline constexpr std::uint32_t kHeaderSize = 1024;
inline constexpr int kDirectoryKeyLength = 10;
inline constexpr std::size_t kCacheLimit = 2048;  // decoded pages kept between calls
inline constexpr int kMaxDepth = 64;

// Bytes of a tag header that other programs leave alone (reserved area):
// our mark, the checksum of the sort-weight table, the dirty mark, the key type.
inline constexpr std::size_t kEngineMark = 472;
inline constexpr char kEngineMagic[4] = {'L', 'X', 'C', 'D'};
inline constexpr std::size_t kEngineCollation = 476;
inline constexpr std::size_t kEngineDirty = 480;
inline constexpr std::size_t kEngineKeyType = 481;
// Directory header only: 1 when the record count below is recorded, and the
// table's record count the tags covered when the file was last flushed.
inline constexpr std::size_t kEngineCountKnown = 482;
inline constexpr std::size_t kEngineRecordCount = 484;

inline std::string Upper(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

inline std::string TrimName(std::string_view key)
{
    std::size_t end = key.size();
    while (end > 0 && (key[end - 1] == ' ' || key[end - 1] == '\0'))
        --end;
    return std::string(key.substr(0, end));
}

inline std::uint8_t PadFor(CdxKeyType type)
{
    return (type == CdxKeyType::Numeric || type == CdxKeyType::Date) ? 0 : ' ';
}

inline bool ValidKeyType(char c)
{
    return c == 'C' || c == 'N' || c == 'D' || c == 'L';
}

// A zero-terminated text of the expression pool, read within its bounds.
inline std::string PoolText(const std::uint8_t* pool, std::size_t position, std::size_t length)
{
    if (position >= kPageSize || length == 0)
        return {};
    const std::size_t end = std::min<std::size_t>(kPageSize, position + length);
    std::size_t i = position;
    while (i < end && pool[i] != 0)
        ++i;
    return std::string(reinterpret_cast<const char*>(pool + position), i - position);
}

inline std::string KeyForName(std::string_view name, int keyLength)
{
    std::string key = Upper(name);
    key.resize(keyLength, ' ');
    return key;
}

}  // namespace dbfcdx::internal
