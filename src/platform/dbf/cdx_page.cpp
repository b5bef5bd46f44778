#include "platform/dbf/cdx_page.h"

#include "platform/dbf/cdx_bytes.h"

#include <algorithm>
#include <cstring>

namespace dbfcdx {

namespace {

constexpr int kLeafHeader = 24;
constexpr int kInteriorHeader = 12;

int BitsFor(std::uint64_t value)
{
    int bits = 0;
    while (value) {
        ++bits;
        value >>= 1;
    }
    return bits;
}

[[noreturn]] void Fail(std::uint32_t offset, const std::string& what)
{
    throw CdxError("Indexseite " + std::to_string(offset) + " ist beschädigt: " + what);
}

std::size_t LeafDataBytes(const CdxNode& node, const CdxPageFormat& format)
{
    if (node.dataBytesFor == node.keys.size())
        return node.dataBytes;
    std::size_t total = 0;
    std::string_view previous;
    for (std::size_t i = 0; i < node.Count(); ++i) {
        std::string_view key = node.Key(i, format.keyLength);
        int dup = 0, trail = 0;
        CdxLeafCounts(previous, key, format.padByte, dup, trail);
        total += format.keyLength - dup - trail;
        previous = key;
    }
    node.dataBytes = total;
    node.dataBytesFor = node.keys.size();
    return total;
}

std::uint32_t MaxRecno(const CdxNode& node)
{
    std::uint32_t max = 0;
    for (std::uint32_t r : node.recnos)
        max = std::max(max, r);
    return max;
}

}  // namespace

CdxLeafLayout CdxLeafLayoutFor(int keyLength, std::uint32_t maxRecno)
{
    CdxLeafLayout layout;
    layout.countBits = BitsFor(static_cast<std::uint64_t>(keyLength));
    const int needed = std::max(BitsFor(maxRecno), 1) + 2 * layout.countBits;
    layout.entryBytes = std::max(3, (needed + 7) / 8);
    // At most 32 record number bits (the mask is 4 bytes); bits left over
    // stay unused.
    layout.recnoBits = std::min(32, 8 * layout.entryBytes - 2 * layout.countBits);
    return layout;
}

void CdxLeafCounts(std::string_view previous, std::string_view key, std::uint8_t padByte,
                   int& duplicates, int& trailing)
{
    // Eight bytes at a time first: keys are often long and mostly blank.
    const int length = static_cast<int>(key.size());
    const std::uint64_t pad8 = 0x0101010101010101ull * padByte;
    trailing = 0;
    for (std::uint64_t word; trailing + 8 <= length; trailing += 8) {
        std::memcpy(&word, key.data() + length - trailing - 8, 8);
        if (word != pad8)
            break;
    }
    while (trailing < length && static_cast<std::uint8_t>(key[length - 1 - trailing]) == padByte)
        ++trailing;
    duplicates = 0;
    const int limit = std::min(static_cast<int>(previous.size()), length - trailing);
    for (std::uint64_t a, b; duplicates + 8 <= limit; duplicates += 8) {
        std::memcpy(&a, previous.data() + duplicates, 8);
        std::memcpy(&b, key.data() + duplicates, 8);
        if (a != b)
            break;
    }
    while (duplicates < limit && previous[duplicates] == key[duplicates])
        ++duplicates;
    // Never share the previous key's trailing pad bytes: its stored bytes end
    // where they begin, and readers that restore trailing bytes as zeros
    // (not as the pad byte) would read other keys than ours.
    // (Only a shared run that ends in a pad byte can reach into them.)
    if (duplicates == 0 || static_cast<std::uint8_t>(previous[duplicates - 1]) != padByte)
        return;
    int end = static_cast<int>(previous.size());
    while (end > duplicates && static_cast<std::uint8_t>(previous[end - 1]) == padByte)
        --end;
    if (end == duplicates)
        while (duplicates > 0 && static_cast<std::uint8_t>(previous[duplicates - 1]) == padByte)
            --duplicates;
}

std::size_t CdxLeafDataBytes(const CdxNode& node, const CdxPageFormat& format)
{
    return LeafDataBytes(node, format);
}

std::size_t CdxNodeBytes(const CdxNode& node, const CdxPageFormat& format)
{
    if (!node.leaf)
        return kInteriorHeader + node.Count() * (format.keyLength + 8);
    const CdxLeafLayout layout = CdxLeafLayoutFor(format.keyLength, MaxRecno(node));
    return kLeafHeader + node.Count() * layout.entryBytes + LeafDataBytes(node, format);
}

bool CdxNodeFits(const CdxNode& node, const CdxPageFormat& format)
{
    if (!node.leaf)
        return node.Count() <= static_cast<std::size_t>(CdxInteriorCapacity(format.keyLength));
    const CdxLeafLayout layout = CdxLeafLayoutFor(format.keyLength, MaxRecno(node));
    return kLeafHeader + node.Count() * layout.entryBytes + LeafDataBytes(node, format) <= kPageSize;
}

bool CdxEncodePage(const CdxNode& node, const CdxPageFormat& format, std::uint8_t* page)
{
    const int keyLength = format.keyLength;
    std::memset(page, 0, kPageSize);
    PutLe16(page, (node.root ? 1 : 0) | (node.leaf ? 2 : 0));
    PutLe16(page + 2, static_cast<std::uint32_t>(node.Count()));
    PutLe32(page + 4, node.left);
    PutLe32(page + 8, node.right);
    if (!node.leaf) {
        if (node.Count() > static_cast<std::size_t>(CdxInteriorCapacity(keyLength)))
            return false;
        for (std::size_t i = 0; i < node.Count(); ++i) {
            std::uint8_t* entry = page + kInteriorHeader + i * (keyLength + 8);
            std::memcpy(entry, node.keys.data() + i * keyLength, keyLength);
            PutBe32(entry + keyLength, node.recnos[i]);
            PutBe32(entry + keyLength + 4, node.children[i]);
        }
        return true;
    }
    return CdxEncodeLeaf(node, format, nullptr, page);
}

bool CdxEncodeLeaf(const CdxNode& node, const CdxPageFormat& format, const CdxLeafCount* counts,
                   std::uint8_t* page)
{
    const int keyLength = format.keyLength;
    std::vector<CdxLeafCount> own;
    if (!counts) {
        own.resize(node.Count());
        std::string_view previous;
        for (std::size_t i = 0; i < node.Count(); ++i) {
            int dup = 0, trail = 0;
            CdxLeafCounts(previous, node.Key(i, keyLength), format.padByte, dup, trail);
            own[i] = {static_cast<std::uint8_t>(dup), static_cast<std::uint8_t>(trail)};
            previous = node.Key(i, keyLength);
        }
        counts = own.data();
    }
    std::size_t data = 0;
    for (std::size_t i = 0; i < node.Count(); ++i)
        data += keyLength - counts[i].duplicates - counts[i].trailing;
    const CdxLeafLayout layout = CdxLeafLayoutFor(keyLength, MaxRecno(node));
    const std::size_t entries = node.Count() * layout.entryBytes;
    if (kLeafHeader + entries + data > kPageSize)
        return false;
    std::memset(page, 0, kPageSize);
    PutLe16(page, (node.root ? 1 : 0) | 2);
    PutLe16(page + 2, static_cast<std::uint32_t>(node.Count()));
    PutLe32(page + 4, node.left);
    PutLe32(page + 8, node.right);
    PutLe16(page + 12, static_cast<std::uint32_t>(kPageSize - kLeafHeader - entries - data));
    PutLe32(page + 14, static_cast<std::uint32_t>((std::uint64_t{1} << layout.recnoBits) - 1));
    page[18] = static_cast<std::uint8_t>((1u << layout.countBits) - 1);
    page[19] = page[18];
    page[20] = static_cast<std::uint8_t>(layout.recnoBits);
    page[21] = static_cast<std::uint8_t>(layout.countBits);
    page[22] = static_cast<std::uint8_t>(layout.countBits);
    page[23] = static_cast<std::uint8_t>(layout.entryBytes);
    std::size_t end = kPageSize;
    for (std::size_t i = 0; i < node.Count(); ++i) {
        const int dup = counts[i].duplicates, trail = counts[i].trailing;
        const std::uint64_t packed = std::uint64_t{node.recnos[i]} |
                                     std::uint64_t(dup) << layout.recnoBits |
                                     std::uint64_t(trail) << (layout.recnoBits + layout.countBits);
        std::uint8_t* entry = page + kLeafHeader + i * layout.entryBytes;
        for (int b = 0; b < layout.entryBytes; ++b)
            entry[b] = static_cast<std::uint8_t>(packed >> (8 * b));
        const std::size_t stored = keyLength - dup - trail;
        end -= stored;
        std::memcpy(page + end, node.keys.data() + i * keyLength + dup, stored);
    }
    return true;
}

CdxNode CdxDecodePage(const std::uint8_t* page, const CdxPageFormat& format, std::uint32_t offset)
{
    const int keyLength = format.keyLength;
    CdxNode node;
    const std::uint16_t attributes = Le16(page);
    if (attributes > 3)
        Fail(offset, "unbekannte Knotenart " + std::to_string(attributes));
    node.root = attributes & 1;
    node.leaf = attributes & 2;
    const std::size_t count = Le16(page + 2);
    node.left = Le32(page + 4);
    node.right = Le32(page + 8);
    node.keys.resize(count * keyLength);
    node.recnos.resize(count);

    if (!node.leaf) {
        if (count == 0 || count > static_cast<std::size_t>(CdxInteriorCapacity(keyLength)))
            Fail(offset, "Schlüsselanzahl " + std::to_string(count) + " im inneren Knoten");
        node.children.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t* entry = page + kInteriorHeader + i * (keyLength + 8);
            std::memcpy(node.keys.data() + i * keyLength, entry, keyLength);
            node.recnos[i] = Be32(entry + keyLength);
            node.children[i] = Be32(entry + keyLength + 4);
        }
    } else {
        const int recnoBits = page[20], dupBits = page[21], trailBits = page[22];
        const int entryBytes = page[23];
        if (entryBytes < 1 || entryBytes > 8 || recnoBits < 1 || recnoBits > 32 || dupBits > 16 ||
            trailBits > 16 || recnoBits + dupBits + trailBits > 8 * entryBytes)
            Fail(offset, "ungültige Bitbreiten im Blattknoten");
        if (Le32(page + 14) != static_cast<std::uint32_t>((std::uint64_t{1} << recnoBits) - 1) ||
            page[18] != (1u << dupBits) - 1 || page[19] != (1u << trailBits) - 1)
            Fail(offset, "Masken passen nicht zu den Bitbreiten");
        const std::size_t entriesEnd = kLeafHeader + count * entryBytes;
        if (entriesEnd > kPageSize)
            Fail(offset, "zu viele Schlüssel im Blattknoten");
        std::size_t dataStart = kPageSize;
        const std::uint8_t pad = format.padByte;
        for (std::size_t i = 0; i < count; ++i) {
            std::uint64_t packed = 0;
            const std::uint8_t* entry = page + kLeafHeader + i * entryBytes;
            for (int b = 0; b < entryBytes; ++b)
                packed |= std::uint64_t{entry[b]} << (8 * b);
            const std::uint32_t recno = static_cast<std::uint32_t>(packed & ((std::uint64_t{1} << recnoBits) - 1));
            const int dup = static_cast<int>((packed >> recnoBits) & ((1u << dupBits) - 1));
            const int trail = static_cast<int>((packed >> (recnoBits + dupBits)) & ((1u << trailBits) - 1));
            if (recno == 0)
                Fail(offset, "Satznummer 0");
            if (dup > keyLength || trail > keyLength || dup + trail > keyLength || (i == 0 && dup != 0))
                Fail(offset, "Zählwerte eines Schlüssels passen nicht zur Schlüssellänge");
            const std::size_t stored = keyLength - dup - trail;
            if (stored > dataStart - entriesEnd)
                Fail(offset, "Schlüsseldaten überlappen die Einträge");
            dataStart -= stored;
            char* key = node.keys.data() + i * keyLength;
            if (dup)
                std::memcpy(key, key - keyLength, dup);
            std::memcpy(key + dup, page + dataStart, stored);
            std::memset(key + dup + stored, pad, trail);
            node.recnos[i] = recno;
        }
    }
    for (std::size_t i = 1; i < count; ++i) {
        const int c = std::memcmp(node.keys.data() + (i - 1) * keyLength, node.keys.data() + i * keyLength,
                                  keyLength);
        if (c > 0 || (c == 0 && node.recnos[i - 1] >= node.recnos[i]))
            Fail(offset, "Schlüssel nicht in Reihenfolge");
    }
    return node;
}

}  // namespace dbfcdx
