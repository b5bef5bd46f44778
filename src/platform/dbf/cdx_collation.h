// Sort-weight table for the character keys of CDX index tags.
//
// A table gives each of the 256 byte values a weight; character keys are
// stored as the weights of their bytes, so the index compares stored keys
// byte by byte (memcmp) at every level. The default table is the identity
// (machine order). Each tag records the checksum of the table it was built
// with; a tag whose checksum differs from the engine's current table must be
// rebuilt before it is used.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace dbfcdx {

class CdxCollation {
public:
    // Machine order: every byte weighs its own value.
    CdxCollation();
    explicit CdxCollation(const std::array<std::uint8_t, 256>& weights);
    // 256 weight bytes at `weights` (as dbe_SysProp(1101) hands them over).
    static CdxCollation FromBytes(const void* weights);

    bool IsMachineOrder() const { return checksum_ == 0; }
    // 0 for machine order, else a CRC-32 of the table (never 0).
    std::uint32_t Checksum() const { return checksum_; }
    std::uint8_t Weight(std::uint8_t byte) const { return weights_[byte]; }
    // Replaces every byte of `key` by its weight.
    void Apply(std::string& key) const;
    std::string Applied(std::string_view key) const;

private:
    std::array<std::uint8_t, 256> weights_;
    std::uint32_t checksum_ = 0;
};

// CRC-32 (IEEE, as in zip) of `size` bytes.
std::uint32_t CdxCrc32(const void* data, std::size_t size);

}  // namespace dbfcdx
