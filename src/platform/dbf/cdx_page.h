// One 512-byte page of a CDX compound index, decoded and encoded.
//
// Interior pages hold (key, record number, child page) triples, the key being
// the greatest key of the child's subtree. Leaf pages hold the keys in the
// compact form: a packed entry per key (record number, count of bytes shared
// with the previous key, count of trailing pad bytes) from the front of the
// page, and the remaining key bytes from the back. FORMATS.md describes the
// bytes. Decoding checks every count and offset and throws CdxError with the
// reason; it never reads outside the page.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace dbfcdx {

inline constexpr std::uint32_t kPageSize = 512;
inline constexpr std::uint32_t kNoPage = 0xFFFFFFFFu;
inline constexpr int kMaxKeyLength = 240;

// Raised for every index file that cannot be read or written as a CDX file;
// what() names the reason in German. The engine answers it by rebuilding.
class CdxError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What a tag's pages need to be read: the key length and the byte that the
// leaves drop from the end of keys (blank for character keys, 0 for binary).
struct CdxPageFormat {
    int keyLength = 10;
    std::uint8_t padByte = ' ';
};

// Duplicate and trailing byte counts of one leaf key (see CdxLeafCounts).
struct CdxLeafCount {
    std::uint8_t duplicates = 0;
    std::uint8_t trailing = 0;
};

struct CdxNode {
    bool leaf = true;
    bool root = false;
    std::uint32_t left = kNoPage;
    std::uint32_t right = kNoPage;
    std::string keys;                      // Count() keys of keyLength bytes
    std::vector<std::uint32_t> recnos;
    std::vector<std::uint32_t> children;  // interior pages only
    // A leaf's duplicate and trailing counts of each key and its key data
    // bytes as last worked out, valid while `keys` has the size it had then
    // (countsFor). CdxTag's insert and delete keep them up to date (only the
    // changed key and the one after it are compared again), so a flush
    // encodes the leaf without comparing every key anew; code that changes
    // a leaf's keys otherwise sets countsFor to kUnknownSize.
    static constexpr std::size_t kUnknownSize = std::size_t(-1);
    mutable std::vector<CdxLeafCount> counts;
    mutable std::size_t dataBytes = 0;
    // Kept with them: the record numbers or-ed (the highest bit of the
    // greatest one, which the leaf's entry layout depends on).
    mutable std::uint32_t recnoBits = 0;
    mutable std::size_t countsFor = kUnknownSize;

    std::size_t Count() const { return recnos.size(); }
    std::string_view Key(std::size_t i, int keyLength) const
    {
        return std::string_view(keys).substr(i * keyLength, keyLength);
    }
};

// Decodes the page at `offset` (used in messages only).
CdxNode CdxDecodePage(const std::uint8_t* page, const CdxPageFormat& format, std::uint32_t offset);
// The record numbers of a leaf page, in order, without its keys; `right` is
// set to its right sibling. Throws CdxError for a page that is no sound leaf.
void CdxLeafRecords(const std::uint8_t* page, std::uint32_t offset, std::vector<std::uint32_t>& records,
                    std::uint32_t& right);
// Encodes `node` into 512 bytes; false when it does not fit.
bool CdxEncodePage(const CdxNode& node, const CdxPageFormat& format, std::uint8_t* page);
bool CdxNodeFits(const CdxNode& node, const CdxPageFormat& format);
// Key data bytes a leaf needs besides its entries (kept in the node).
std::size_t CdxLeafDataBytes(const CdxNode& node, const CdxPageFormat& format);
// The node's kept counts follow a key inserted at `i` / removed from `i`
// (called after the change of `keys` and `recnos`, with the counts kept
// before it).
void CdxLeafKeyInserted(const CdxNode& node, const CdxPageFormat& format, std::size_t i);
void CdxLeafKeyRemoved(const CdxNode& node, const CdxPageFormat& format, std::size_t i);
// Bytes the leaf's keys [first, end) would use as a leaf of their own.
std::size_t CdxLeafRangeBytes(const CdxNode& node, const CdxPageFormat& format, std::size_t first, std::size_t end);
// A leaf was split at `at`: `left` kept the keys and record numbers before
// it, `right` has the rest; both keep their counts (from those `left` kept
// before the split).
void CdxLeafSplitCounts(const CdxNode& left, const CdxNode& right, const CdxPageFormat& format, std::size_t at);
// Bytes the encoded page uses.
std::size_t CdxNodeBytes(const CdxNode& node, const CdxPageFormat& format);

// Encodes a leaf with the counts of its keys (as CdxLeafCounts gives them).
bool CdxEncodeLeaf(const CdxNode& node, const CdxPageFormat& format, const CdxLeafCount* counts,
                   std::uint8_t* page);

// A leaf changed by one key inserted at `i` / removed from `i` (counts kept,
// see CdxLeafKeyInserted): `page`, the leaf's encoding before the change as
// CdxEncodePage made it, is brought to the encoding after it by moving the
// entries and key data behind the key and writing the changed key and the
// one after it, byte for byte what CdxEncodePage would write. False when
// that cannot be done (entry layout changed, counts not kept, page full):
// `page` is then to be encoded anew.
bool CdxPatchLeafInsert(const CdxNode& node, const CdxPageFormat& format, std::size_t i, std::uint8_t* page);
bool CdxPatchLeafRemove(const CdxNode& node, const CdxPageFormat& format, std::size_t i, std::uint8_t* page);

// Leaf entry layout for a page whose greatest record number is `maxRecno`.
struct CdxLeafLayout {
    int recnoBits = 0;
    int countBits = 0;  // bits of the duplicate count, and of the trailing count
    int entryBytes = 0;
};
CdxLeafLayout CdxLeafLayoutFor(int keyLength, std::uint32_t maxRecno);
// Interior entries per page.
inline int CdxInteriorCapacity(int keyLength) { return 500 / (keyLength + 8); }
// Bytes shared with the previous key and trailing pad bytes of one leaf key.
void CdxLeafCounts(std::string_view previous, std::string_view key, std::uint8_t padByte,
                   int& duplicates, int& trailing);

}  // namespace dbfcdx
