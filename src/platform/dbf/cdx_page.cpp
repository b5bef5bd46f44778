#include "platform/dbf/cdx_page.h"

#include "platform/dbf/cdx_bytes.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace dbfcdx {

namespace {

constexpr int kLeafHeader = 24;
constexpr int kInteriorHeader = 12;

int BitsFor(std::uint64_t value) { return static_cast<int>(std::bit_width(value)); }

[[noreturn]] void Fail(std::uint32_t offset, const std::string& what)
{
    throw CdxError("Indexseite " + std::to_string(offset) + " ist beschädigt: " + what);
}

// The duplicate count of a leaf key whose trailing count is known.
int LeafDuplicates(std::string_view previous, std::string_view key, std::uint8_t padByte, int trailing)
{
    int duplicates = 0;
    const int limit = std::min(static_cast<int>(previous.size()), static_cast<int>(key.size()) - trailing);
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
        return duplicates;
    int end = static_cast<int>(previous.size());
    while (end > duplicates && static_cast<std::uint8_t>(previous[end - 1]) == padByte)
        --end;
    if (end == duplicates)
        while (duplicates > 0 && static_cast<std::uint8_t>(previous[duplicates - 1]) == padByte)
            --duplicates;
    return duplicates;
}

// The key at `i` is compared with another key before it now: its trailing
// count (of its own bytes) stays, its duplicate count is worked out again.
CdxLeafCount NewNeighbourAt(const CdxNode& node, const CdxPageFormat& format, std::size_t i, CdxLeafCount count)
{
    const std::size_t keyLength = static_cast<std::size_t>(format.keyLength);
    const std::string_view keys(node.keys);
    count.duplicates = static_cast<std::uint8_t>(
        i > 0 ? LeafDuplicates(keys.substr((i - 1) * keyLength, keyLength), keys.substr(i * keyLength, keyLength),
                               format.padByte, count.trailing)
              : 0);
    return count;
}

CdxLeafCount CountsAt(const CdxNode& node, const CdxPageFormat& format, std::size_t i)
{
    const int keyLength = format.keyLength;
    const std::string_view keys(node.keys);
    int dup = 0, trail = 0;
    CdxLeafCounts(i > 0 ? keys.substr((i - 1) * keyLength, keyLength) : std::string_view(),
                  keys.substr(i * keyLength, keyLength), format.padByte, dup, trail);
    return {static_cast<std::uint8_t>(dup), static_cast<std::uint8_t>(trail)};
}

std::size_t Stored(const CdxPageFormat& format, CdxLeafCount count)
{
    return std::size_t(format.keyLength - count.duplicates - count.trailing);
}

// A number with the highest bit of the greatest record number set (and no
// higher one), which is all the entry layout needs: the record numbers
// or-ed, eight bytes at a time.
std::uint32_t RecnoBits(const CdxNode& node)
{
    const std::uint32_t* recnos = node.recnos.data();
    const std::size_t count = node.recnos.size();
    std::uint64_t a = 0, b = 0;
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        std::uint64_t x, y;
        std::memcpy(&x, recnos + i, 8);
        std::memcpy(&y, recnos + i + 2, 8);
        a |= x;
        b |= y;
    }
    a |= b;
    std::uint32_t bits = static_cast<std::uint32_t>(a) | static_cast<std::uint32_t>(a >> 32);
    for (; i < count; ++i)
        bits |= recnos[i];
    return bits;
}

// The node's counts, worked out again unless they are kept.
const CdxLeafCount* LeafCounts(const CdxNode& node, const CdxPageFormat& format)
{
    if (node.countsFor == node.keys.size())
        return node.counts.data();
    const std::size_t count = node.keys.size() / format.keyLength;
    node.counts.resize(count);
    std::size_t total = 0;
    for (std::size_t i = 0; i < count; ++i) {
        node.counts[i] = CountsAt(node, format, i);
        total += Stored(format, node.counts[i]);
    }
    node.dataBytes = total;
    node.recnoBits = RecnoBits(node);
    node.countsFor = node.keys.size();
    return node.counts.data();
}

std::size_t LeafDataBytes(const CdxNode& node, const CdxPageFormat& format)
{
    LeafCounts(node, format);
    return node.dataBytes;
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
    duplicates = LeafDuplicates(previous, key, padByte, trailing);
}

std::size_t CdxLeafDataBytes(const CdxNode& node, const CdxPageFormat& format)
{
    return LeafDataBytes(node, format);
}

void CdxLeafKeyInserted(const CdxNode& node, const CdxPageFormat& format, std::size_t i)
{
    const std::size_t keyLength = static_cast<std::size_t>(format.keyLength);
    if (node.countsFor == CdxNode::kUnknownSize || node.countsFor + keyLength != node.keys.size() ||
        node.recnos.size() * keyLength != node.keys.size()) {
        node.countsFor = CdxNode::kUnknownSize;
        return;
    }
    node.recnoBits |= node.recnos[i];
    const CdxLeafCount own = CountsAt(node, format, i);
    node.counts.insert(node.counts.begin() + static_cast<std::ptrdiff_t>(i), own);
    node.dataBytes += Stored(format, own);
    if ((i + 1) * keyLength < node.keys.size()) {
        // The next key is compared with the new one now.
        node.dataBytes -= Stored(format, node.counts[i + 1]);
        node.counts[i + 1] = NewNeighbourAt(node, format, i + 1, node.counts[i + 1]);
        node.dataBytes += Stored(format, node.counts[i + 1]);
    }
    node.countsFor = node.keys.size();
}

void CdxLeafKeyRemoved(const CdxNode& node, const CdxPageFormat& format, std::size_t i)
{
    const std::size_t keyLength = static_cast<std::size_t>(format.keyLength);
    if (node.countsFor == CdxNode::kUnknownSize || node.countsFor != node.keys.size() + keyLength ||
        node.recnos.size() * keyLength != node.keys.size()) {
        node.countsFor = CdxNode::kUnknownSize;
        return;
    }
    node.recnoBits = RecnoBits(node);
    node.dataBytes -= Stored(format, node.counts[i]);
    node.counts.erase(node.counts.begin() + static_cast<std::ptrdiff_t>(i));
    if (i * keyLength < node.keys.size()) {
        // The key after the removed one is compared with the one before it.
        node.dataBytes -= Stored(format, node.counts[i]);
        node.counts[i] = NewNeighbourAt(node, format, i, node.counts[i]);
        node.dataBytes += Stored(format, node.counts[i]);
    }
    node.countsFor = node.keys.size();
}

std::size_t CdxNodeBytes(const CdxNode& node, const CdxPageFormat& format)
{
    if (!node.leaf)
        return kInteriorHeader + node.Count() * (format.keyLength + 8);
    const std::size_t data = LeafDataBytes(node, format);
    const CdxLeafLayout layout = CdxLeafLayoutFor(format.keyLength, node.recnoBits);
    return kLeafHeader + node.Count() * layout.entryBytes + data;
}

bool CdxNodeFits(const CdxNode& node, const CdxPageFormat& format)
{
    if (!node.leaf)
        return node.Count() <= static_cast<std::size_t>(CdxInteriorCapacity(format.keyLength));
    const std::size_t data = LeafDataBytes(node, format);
    const CdxLeafLayout layout = CdxLeafLayoutFor(format.keyLength, node.recnoBits);
    return kLeafHeader + node.Count() * layout.entryBytes + data <= kPageSize;
}

std::size_t CdxLeafRangeBytes(const CdxNode& node, const CdxPageFormat& format, std::size_t first, std::size_t end)
{
    const CdxLeafCount* counts = LeafCounts(node, format);
    std::uint32_t maxRecno = 0;
    std::size_t data = 0;
    for (std::size_t k = first; k < end; ++k) {
        maxRecno = std::max(maxRecno, node.recnos[k]);
        data += Stored(format, counts[k]);
    }
    if (first < end)
        data += counts[first].duplicates;  // the first key of a leaf shares nothing
    return kLeafHeader + (end - first) * CdxLeafLayoutFor(format.keyLength, maxRecno).entryBytes + data;
}

void CdxLeafSplitCounts(const CdxNode& left, const CdxNode& right, const CdxPageFormat& format, std::size_t at)
{
    if (left.countsFor != left.keys.size() + right.keys.size() || left.counts.size() < at ||
        left.recnos.size() != at || left.recnos.size() * format.keyLength != left.keys.size() ||
        right.recnos.size() * format.keyLength != right.keys.size()) {
        left.countsFor = right.countsFor = CdxNode::kUnknownSize;
        return;
    }
    right.counts.assign(left.counts.begin() + static_cast<std::ptrdiff_t>(at), left.counts.end());
    if (!right.counts.empty())
        right.counts[0].duplicates = 0;
    left.counts.resize(at);
    for (const CdxNode* node : {&left, &right}) {
        std::size_t data = 0;
        for (const CdxLeafCount& count : node->counts)
            data += Stored(format, count);
        node->dataBytes = data;
        node->recnoBits = RecnoBits(*node);
        node->countsFor = node->keys.size();
    }
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
    return CdxEncodeLeaf(node, format, LeafCounts(node, format), page);
}

bool CdxEncodeLeaf(const CdxNode& node, const CdxPageFormat& format, const CdxLeafCount* counts,
                   std::uint8_t* page)
{
    const int keyLength = format.keyLength;
    std::size_t data = 0;
    for (std::size_t i = 0; i < node.Count(); ++i)
        data += keyLength - counts[i].duplicates - counts[i].trailing;
    const CdxLeafLayout layout = CdxLeafLayoutFor(keyLength, RecnoBits(node));
    const std::size_t entries = node.Count() * layout.entryBytes;
    if (kLeafHeader + entries + data > kPageSize)
        return false;
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
    // The entries are packed eight bytes at a time into a buffer with room
    // to spare (each store reaches past its entry; the next one overwrites
    // that), the key data goes from the page's end downwards, and only the
    // free space between them is cleared.
    std::uint8_t packedEntries[kPageSize + 8];
    std::size_t end = kPageSize;
    const int dupShift = layout.recnoBits, trailShift = layout.recnoBits + layout.countBits;
    for (std::size_t i = 0; i < node.Count(); ++i) {
        const int dup = counts[i].duplicates, trail = counts[i].trailing;
        const std::uint64_t packed = std::uint64_t{node.recnos[i]} | std::uint64_t(dup) << dupShift |
                                     std::uint64_t(trail) << trailShift;
        std::uint8_t* entry = packedEntries + i * layout.entryBytes;
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(entry, &packed, 8);
        } else {
            for (int b = 0; b < 8; ++b)
                entry[b] = static_cast<std::uint8_t>(packed >> (8 * b));
        }
        const std::size_t stored = keyLength - dup - trail;
        end -= stored;
        std::memcpy(page + end, node.keys.data() + i * keyLength + dup, stored);
    }
    std::memcpy(page + kLeafHeader, packedEntries, entries);
    std::memset(page + kLeafHeader + entries, 0, end - kLeafHeader - entries);
    return true;
}

namespace {

// What the patches need of a leaf page as it stands.
struct LeafPage {
    std::uint8_t* page;
    CdxLeafLayout layout;
    std::size_t count;
    std::size_t dataStart;

    std::uint64_t Entry(std::size_t i) const
    {
        std::uint64_t packed = 0;
        const std::uint8_t* entry = page + kLeafHeader + i * layout.entryBytes;
        for (int b = 0; b < layout.entryBytes; ++b)
            packed |= std::uint64_t{entry[b]} << (8 * b);
        return packed;
    }
    // Key data bytes of entry i as encoded.
    std::size_t Stored(std::size_t i, int keyLength) const
    {
        const std::uint64_t packed = Entry(i);
        const std::uint64_t mask = (std::uint64_t{1} << layout.countBits) - 1;
        const auto dup = static_cast<int>((packed >> layout.recnoBits) & mask);
        const auto trail = static_cast<int>((packed >> (layout.recnoBits + layout.countBits)) & mask);
        return std::size_t(keyLength - dup - trail);
    }
    void PutEntry(std::size_t i, std::uint32_t recno, CdxLeafCount count)
    {
        const std::uint64_t packed = std::uint64_t{recno} | std::uint64_t(count.duplicates) << layout.recnoBits |
                                     std::uint64_t(count.trailing) << (layout.recnoBits + layout.countBits);
        std::uint8_t* entry = page + kLeafHeader + i * layout.entryBytes;
        for (int b = 0; b < layout.entryBytes; ++b)
            entry[b] = static_cast<std::uint8_t>(packed >> (8 * b));
    }
};

// The page as a leaf in the layout the node needs now; false when it is
// not one or its layout differs.
bool OpenLeafPage(const CdxNode& node, const CdxPageFormat& format, std::uint8_t* page, LeafPage& leaf)
{
    if (!node.leaf || node.countsFor != node.keys.size() || node.counts.size() != node.Count() ||
        (Le16(page) & 2) == 0)
        return false;
    leaf.page = page;
    leaf.layout = CdxLeafLayoutFor(format.keyLength, RecnoBits(node));
    if (page[20] != leaf.layout.recnoBits || page[21] != leaf.layout.countBits ||
        page[23] != leaf.layout.entryBytes)
        return false;
    leaf.count = Le16(page + 2);
    leaf.dataStart = kLeafHeader + leaf.count * leaf.layout.entryBytes + Le16(page + 12);
    return leaf.dataStart <= kPageSize;
}

// Common end of both patches: the key data from key `i` on is laid out
// anew. `oldTailStart`..`oldTailEnd` holds the data of the keys behind the
// ones rewritten (unchanged bytes), `rewritten` the keys from `i` whose
// data is written from the node.
bool FinishLeafPatch(const CdxNode& node, const CdxPageFormat& format, LeafPage& leaf, std::size_t i,
                     std::size_t keyEnd, std::size_t rewritten, std::size_t oldTailStart, std::size_t oldTailEnd)
{
    const int keyLength = format.keyLength;
    std::size_t written = 0;
    for (std::size_t k = i; k < i + rewritten; ++k)
        written += Stored(format, node.counts[k]);
    const std::size_t tail = oldTailEnd - oldTailStart;
    const std::size_t entriesEnd = kLeafHeader + node.Count() * leaf.layout.entryBytes;
    if (keyEnd < entriesEnd + tail + written)
        return false;  // the leaf no longer fits (it is split next)
    const std::size_t newEnd = keyEnd - written;
    const std::size_t newStart = newEnd - tail;
    std::memmove(leaf.page + newStart, leaf.page + oldTailStart, tail);
    std::size_t end = keyEnd;
    for (std::size_t k = i; k < i + rewritten; ++k) {
        const std::size_t stored = Stored(format, node.counts[k]);
        end -= stored;
        std::memcpy(leaf.page + end, node.keys.data() + k * keyLength + node.counts[k].duplicates, stored);
    }
    std::memset(leaf.page + entriesEnd, 0, newStart - entriesEnd);
    PutLe16(leaf.page + 2, static_cast<std::uint32_t>(node.Count()));
    PutLe16(leaf.page + 12, static_cast<std::uint32_t>(newStart - entriesEnd));
    return true;
}

// Where the key data of key `i` ends (the keys before it are unchanged).
std::size_t KeyDataEnd(const CdxNode& node, const CdxPageFormat& format, std::size_t i)
{
    std::size_t end = kPageSize;
    for (std::size_t k = 0; k < i; ++k)
        end -= Stored(format, node.counts[k]);
    return end;
}

}  // namespace

bool CdxPatchLeafInsert(const CdxNode& node, const CdxPageFormat& format, std::size_t i, std::uint8_t* page)
{
    LeafPage leaf{};
    if (!OpenLeafPage(node, format, page, leaf) || leaf.count + 1 != node.Count() || i >= node.Count())
        return false;
    const int keyLength = format.keyLength;
    const std::size_t keyEnd = KeyDataEnd(node, format, i);
    // Before the insert, key i (now i + 1) ended at keyEnd; the keys behind
    // it keep their bytes.
    const std::size_t oldNext = i < leaf.count ? leaf.Stored(i, keyLength) : 0;
    if (keyEnd < leaf.dataStart + oldNext)
        return false;
    const std::size_t oldTailEnd = keyEnd - oldNext;
    const std::size_t rewritten = i + 1 < node.Count() ? 2 : 1;
    const int entryBytes = leaf.layout.entryBytes;
    // The entries from i on move one place back (into the free space).
    if (kLeafHeader + node.Count() * entryBytes > leaf.dataStart)
        return false;
    std::memmove(page + kLeafHeader + (i + 1) * entryBytes, page + kLeafHeader + i * entryBytes,
                 (leaf.count - i) * entryBytes);
    for (std::size_t k = i; k < i + rewritten; ++k)
        leaf.PutEntry(k, node.recnos[k], node.counts[k]);
    return FinishLeafPatch(node, format, leaf, i, keyEnd, rewritten, leaf.dataStart, oldTailEnd);
}

bool CdxPatchLeafRemove(const CdxNode& node, const CdxPageFormat& format, std::size_t i, std::uint8_t* page)
{
    LeafPage leaf{};
    if (!OpenLeafPage(node, format, page, leaf) || leaf.count != node.Count() + 1 || i > node.Count())
        return false;
    const int keyLength = format.keyLength;
    const std::size_t keyEnd = KeyDataEnd(node, format, i);
    // Before the removal, keys i and i + 1 ended at keyEnd; the keys behind
    // them keep their bytes.
    std::size_t oldTailEnd = keyEnd - leaf.Stored(i, keyLength);
    if (i + 1 < leaf.count)
        oldTailEnd -= leaf.Stored(i + 1, keyLength);
    if (oldTailEnd < leaf.dataStart || oldTailEnd > keyEnd)
        return false;
    const std::size_t rewritten = i < node.Count() ? 1 : 0;
    const int entryBytes = leaf.layout.entryBytes;
    std::memmove(page + kLeafHeader + i * entryBytes, page + kLeafHeader + (i + 1) * entryBytes,
                 (leaf.count - i - 1) * entryBytes);
    if (rewritten)
        leaf.PutEntry(i, node.recnos[i], node.counts[i]);
    return FinishLeafPatch(node, format, leaf, i, keyEnd, rewritten, leaf.dataStart, oldTailEnd);
}

void CdxLeafRecords(const std::uint8_t* page, std::uint32_t offset, std::vector<std::uint32_t>& records,
                    std::uint32_t& right)
{
    records.clear();
    const std::uint16_t attributes = Le16(page);
    if (attributes > 3 || !(attributes & 2))
        Fail(offset, "Blattverweis zeigt auf inneren Knoten");
    const std::size_t count = Le16(page + 2);
    right = Le32(page + 8);
    const int recnoBits = page[20], dupBits = page[21], trailBits = page[22];
    const int entryBytes = page[23];
    if (entryBytes < 1 || entryBytes > 8 || recnoBits < 1 || recnoBits > 32 || dupBits > 16 || trailBits > 16 ||
        recnoBits + dupBits + trailBits > 8 * entryBytes)
        Fail(offset, "ungültige Bitbreiten im Blattknoten");
    if (kLeafHeader + count * entryBytes > kPageSize)
        Fail(offset, "zu viele Schlüssel im Blattknoten");
    const std::uint64_t mask = (std::uint64_t{1} << recnoBits) - 1;
    records.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::uint64_t packed = 0;
        const std::uint8_t* entry = page + kLeafHeader + i * entryBytes;
        for (int b = 0; b < entryBytes; ++b)
            packed |= std::uint64_t{entry[b]} << (8 * b);
        records[i] = static_cast<std::uint32_t>(packed & mask);
        if (records[i] == 0)
            Fail(offset, "Satznummer 0");
    }
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
