#include "platform/dbf/cdx_collation.h"

#include <cstring>

namespace dbfcdx {

std::uint32_t CdxCrc32(const void* data, std::size_t size)
{
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    const auto* p = static_cast<const std::uint8_t*>(data);
    for (std::size_t i = 0; i < size; ++i)
        crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

CdxCollation::CdxCollation()
{
    for (int i = 0; i < 256; ++i)
        weights_[i] = static_cast<std::uint8_t>(i);
}

CdxCollation::CdxCollation(const std::array<std::uint8_t, 256>& weights) : weights_(weights)
{
    bool identity = true;
    for (int i = 0; i < 256 && identity; ++i)
        identity = weights_[i] == i;
    if (!identity) {
        checksum_ = CdxCrc32(weights_.data(), weights_.size());
        if (checksum_ == 0)
            checksum_ = 1;  // 0 is reserved for machine order
    }
}

CdxCollation CdxCollation::FromBytes(const void* weights)
{
    std::array<std::uint8_t, 256> table;
    std::memcpy(table.data(), weights, table.size());
    return CdxCollation(table);
}

void CdxCollation::Apply(std::string& key) const
{
    if (IsMachineOrder())
        return;
    for (char& c : key)
        c = static_cast<char>(weights_[static_cast<std::uint8_t>(c)]);
}

std::string CdxCollation::Applied(std::string_view key) const
{
    std::string out(key);
    Apply(out);
    return out;
}

}  // namespace dbfcdx
