// Tag builds from a key set (sorted here), tag replacement and deletion.
#include "platform/dbf/cdx_file.h"

#include "platform/dbf/cdx_bytes.h"
#include "platform/dbf/cdx_internal.h"
#include "platform/dbf/file_io.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <numeric>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace dbfcdx {

using namespace internal;

// ---------------------------------------------------------------------------
// CdxKeySet

void CdxKeySet::Reserve(std::size_t count)
{
    keys_.reserve(count * keyLength_);
    recnos_.reserve(count);
}

void CdxKeySet::Add(std::string_view key, std::uint32_t recno)
{
    const std::size_t length = std::min<std::size_t>(key.size(), keyLength_);
    keys_.append(key.data(), length);
    keys_.append(keyLength_ - length, pad_);
    recnos_.push_back(recno);
}

namespace {

// A key to sort: eight of its bytes as one number, and its entry in the key set.
struct SortItem {
    std::uint64_t head;
    std::uint32_t entry;
};

// Stable radix sort on the heads, a byte at a time from the lowest: equal
// heads keep the order they came in. Bytes all items share are passed over.
void RadixSortByHead(std::vector<SortItem>& items)
{
    const std::size_t n = items.size();
    if (n < 2)
        return;
    std::array<std::array<std::uint32_t, 256>, 8> counts{};
    for (const SortItem& item : items)
        for (int b = 0; b < 8; ++b)
            ++counts[b][(item.head >> (8 * b)) & 0xFF];
    std::vector<SortItem> moved(n);
    for (int b = 0; b < 8; ++b) {
        auto& count = counts[b];
        if (count[(items[0].head >> (8 * b)) & 0xFF] == n)
            continue;
        std::uint32_t sum = 0;
        for (std::uint32_t& c : count)
            sum += std::exchange(c, sum);
        for (const SortItem& item : items)
            moved[count[(item.head >> (8 * b)) & 0xFF]++] = item;
        items.swap(moved);
    }
}

}  // namespace

void CdxSortKeys(const char* data, std::size_t total, int keyLength, const std::uint32_t* recnos,
                 std::vector<std::uint32_t>& order)
{
    // Sorted on eight key bytes as one number, the rest compared only where
    // those are equal. The bytes every key shares at its start ("bild ",
    // "/home/") decide nothing, so the eight bytes are taken after them.
    std::size_t common = total > 1 ? static_cast<std::size_t>(keyLength) : 0;
    for (std::size_t e = 1; e < total && common > 0; ++e) {
        const char* a = data;
        const char* b = data + e * keyLength;
        std::size_t n = 0;
        while (n < common && a[n] == b[n])
            ++n;
        common = n;
    }
    const std::size_t headBytes = std::min<std::size_t>(keyLength - common, 8);
    const std::size_t restStart = common + headBytes;
    std::vector<SortItem> items(total);
    for (std::size_t e = 0; e < total; ++e) {
        std::uint64_t head = 0;
        const auto* key = reinterpret_cast<const std::uint8_t*>(data + e * keyLength + common);
        for (std::size_t b = 0; b < 8; ++b)
            head = head << 8 | (b < headBytes ? key[b] : 0);
        items[e] = {head, static_cast<std::uint32_t>(e)};
    }
    // A table scan adds the keys in record order: then equal keys are put in
    // record order by their entry numbers, with no look-up of the record numbers.
    bool recnosAscending = true;
    for (std::size_t e = 1; recnos && e < total && recnosAscending; ++e)
        recnosAscending = recnos[e - 1] < recnos[e];
    auto tieLess = [&](const SortItem& a, const SortItem& b) {
        return recnosAscending ? a.entry < b.entry : recnos[a.entry] < recnos[b.entry];
    };
    auto less = [&](const SortItem& a, const SortItem& b) {
        if (a.head != b.head)
            return a.head < b.head;
        if (restStart == static_cast<std::size_t>(keyLength))
            return tieLess(a, b);
        const int c = std::memcmp(data + std::size_t{a.entry} * keyLength + restStart,
                                  data + std::size_t{b.entry} * keyLength + restStart, keyLength - restStart);
        return c < 0 || (c == 0 && tieLess(a, b));
    };
    bool sorted = true;
    for (std::size_t i = 1; i < total && sorted; ++i)
        sorted = less(items[i - 1], items[i]);
    if (!sorted) {
        // By head first; equal heads stay in entry order, which is the final
        // order when the head holds the whole key and the record numbers
        // ascend. Else each run of equal heads is sorted by the rest.
        RadixSortByHead(items);
        if (restStart != static_cast<std::size_t>(keyLength) || !recnosAscending) {
            for (std::size_t i = 0; i < total;) {
                std::size_t j = i + 1;
                while (j < total && items[j].head == items[i].head)
                    ++j;
                if (j - i > 1 && !std::is_sorted(items.begin() + i, items.begin() + j, less))
                    std::sort(items.begin() + i, items.begin() + j, less);
                i = j;
            }
        }
    }
    order.resize(total);
    for (std::size_t i = 0; i < total; ++i)
        order[i] = items[i].entry;
}

CdxTag* CdxFile::FindTag(std::string_view name)
{
    const std::string wanted = Upper(TrimName(name));
    for (auto& tag : tags_)
        if (Upper(tag->name_) == wanted)
            return tag.get();
    return nullptr;
}

void CdxFile::SetupTag(CdxTag& tag, const CdxTagSpec& spec)
{
    tag.keyExpression_ = spec.keyExpression;
    tag.forExpression_ = spec.forExpression;
    tag.options_ = static_cast<std::uint8_t>(0x20 | (spec.unique ? 0x01 : 0) | (spec.forExpression.empty() ? 0 : 0x08));
    tag.descending_ = spec.descending;
    tag.keyType_ = spec.keyType;
    tag.ownKeyType_ = true;
    tag.format_ = {spec.keyLength, PadFor(spec.keyType)};
    tag.collation_ = spec.keyType == CdxKeyType::Character ? collation_ : CdxCollation();
    tag.collationChecksum_ = tag.collation_.Checksum();
    tag.rebuildReason_.clear();
    tag.collationMismatch_ = false;
    tag.headerChanged_ = true;
    ++tag.stamp_;
}

// Sorts the keys and writes the whole tree: leaves first, then each interior
// level, the root last. Free pages (those of the tree a rebuild replaces)
// are used first, so rebuilding does not make the file grow; runs of
// adjacent pages go out in one write.
std::uint32_t CdxFile::BuildTree(CdxTag& tag, CdxKeySet& keys)
{
    const int keyLength = tag.format_.keyLength;
    if (keys.KeyLength() != keyLength)
        throw CdxError("Schlüssellänge der Schlüsselmenge passt nicht zum Index " + tag.name_);
    if (tag.keyType_ == CdxKeyType::Character)
        tag.collation_.Apply(keys.keys_);
    const char* data = keys.keys_.data();
    const std::size_t total = keys.Size();
    std::vector<std::uint32_t> order;
    CdxSortKeys(data, total, keyLength, keys.recnos_.data(), order);
    // Drop exact repeats, and for a unique tag every key after its first record.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < total; ++i) {
        if (keys.recnos_[order[i]] == 0)
            throw CdxError("Satznummer 0 kann nicht in den Index " + tag.name_ + " aufgenommen werden");
        if (kept > 0) {
            const std::uint32_t prev = order[kept - 1];
            const bool sameKey =
                std::memcmp(data + std::size_t{prev} * keyLength, data + std::size_t{order[i]} * keyLength, keyLength) == 0;
            if (sameKey && (tag.Unique() || keys.recnos_[prev] == keys.recnos_[order[i]]))
                continue;
        }
        order[kept++] = order[i];
    }
    order.resize(kept);
    auto keyOf = [&](std::uint32_t e) { return std::string_view(data + std::size_t{e} * keyLength, keyLength); };

    // Leaves: as many keys as fit.
    std::vector<std::pair<std::size_t, std::size_t>> leaves;  // [first, end) in order
    std::vector<CdxLeafCount> counts(order.size());
    {
        std::size_t first = 0, dataBytes = 0;
        std::uint32_t maxRecno = 0;
        // The layout depends only on how many bits the largest record number needs.
        int layoutBits = 0;
        CdxLeafLayout layout = CdxLeafLayoutFor(keyLength, 0);
        for (std::size_t i = 0; i < order.size(); ++i) {
            int dup = 0, trail = 0;
            CdxLeafCounts(i > first ? keyOf(order[i - 1]) : std::string_view(), keyOf(order[i]),
                          tag.format_.padByte, dup, trail);
            const std::size_t newData = dataBytes + keyLength - dup - trail;
            const std::uint32_t newMax = std::max(maxRecno, keys.recnos_[order[i]]);
            if (static_cast<int>(std::bit_width(newMax)) != layoutBits) {
                layout = CdxLeafLayoutFor(keyLength, newMax);
                layoutBits = static_cast<int>(std::bit_width(newMax));
            }
            if (i > first && 24 + (i - first + 1) * layout.entryBytes + newData > kPageSize) {
                leaves.emplace_back(first, i);
                first = i;
                dup = 0;
                dataBytes = keyLength - trail;
                maxRecno = keys.recnos_[order[i]];
            } else {
                dataBytes = newData;
                maxRecno = newMax;
            }
            counts[i] = {static_cast<std::uint8_t>(dup), static_cast<std::uint8_t>(trail)};
        }
        leaves.emplace_back(first, order.size());  // the only, empty leaf of an empty tag too
    }
    std::vector<std::size_t> levelSizes{leaves.size()};
    const std::size_t capacity = CdxInteriorCapacity(keyLength);
    while (levelSizes.back() > 1)
        levelSizes.push_back((levelSizes.back() + capacity - 1) / capacity);
    std::size_t pageCount = 0;
    for (std::size_t n : levelSizes)
        pageCount += n;
    const std::vector<std::uint32_t> pages = PagesForBuild(static_cast<std::uint32_t>(pageCount));
    std::vector<std::uint8_t> buffer(pageCount * kPageSize);

    struct Child {
        std::string_view key;
        std::uint32_t recno;
        std::uint32_t page;
    };
    std::vector<Child> below;
    std::size_t written = 0;
    for (std::size_t level = 0; level < levelSizes.size(); ++level) {
        const std::size_t n = levelSizes[level];
        std::vector<Child> here;
        here.reserve(n);
        for (std::size_t p = 0; p < n; ++p) {
            CdxNode node;
            node.leaf = level == 0;
            node.root = level + 1 == levelSizes.size();
            const std::uint32_t page = pages[written + p];
            node.left = p > 0 ? pages[written + p - 1] : kNoPage;
            node.right = p + 1 < n ? pages[written + p + 1] : kNoPage;
            if (node.leaf) {
                for (std::size_t i = leaves[p].first; i < leaves[p].second; ++i) {
                    node.keys.append(keyOf(order[i]));
                    node.recnos.push_back(keys.recnos_[order[i]]);
                }
            } else {
                const std::size_t end = std::min(below.size(), (p + 1) * capacity);
                for (std::size_t i = p * capacity; i < end; ++i) {
                    node.keys.append(below[i].key);
                    node.recnos.push_back(below[i].recno);
                    node.children.push_back(below[i].page);
                }
            }
            std::uint8_t* out = buffer.data() + (written + p) * kPageSize;
            const bool fits = node.leaf ? CdxEncodeLeaf(node, tag.format_, counts.data() + leaves[p].first, out)
                                        : CdxEncodePage(node, tag.format_, out);
            if (!fits)
                throw CdxError("Interner Fehler: Indexseite läuft beim Aufbau über");
            if (node.Count() > 0) {
                const std::size_t last = node.Count() - 1;
                here.push_back({level == 0 ? keyOf(order[leaves[p].second - 1]) : below[std::min(below.size(), (p + 1) * capacity) - 1].key,
                                node.recnos[last], page});
            }
        }
        written += n;
        below = std::move(here);
    }
    for (std::size_t first = 0; first < pageCount;) {
        std::size_t end = first + 1;
        while (end < pageCount && pages[end] == pages[end - 1] + kPageSize)
            ++end;
        WriteAt(pages[first], buffer.data() + first * kPageSize, (end - first) * kPageSize);
        first = end;
    }
    tag.count_ = order.size();
    tag.countKnown_ = true;
    return pages[pageCount - 1];
}

// Every page of a tag's tree; throws CdxError on a fault.
void CdxFile::CollectPages(CdxTag& tag, std::vector<std::uint32_t>& pages)
{
    std::vector<std::pair<std::uint32_t, int>> stack{{tag.root_, 0}};
    const std::size_t limit = fileEnd_ / kPageSize;
    while (!stack.empty()) {
        auto [page, depth] = stack.back();
        stack.pop_back();
        if (depth > kMaxDepth || pages.size() > limit)
            throw CdxError("Der Index " + tag.name_ + " ist beschädigt: Seitenverweise bilden eine Schleife");
        pages.push_back(page);
        const CdxNode& node = Node(tag, page);
        if (!node.leaf)
            for (std::uint32_t child : node.children)
                stack.push_back({child, depth + 1});
    }
    std::sort(pages.begin(), pages.end());
    if (std::adjacent_find(pages.begin(), pages.end()) != pages.end())
        throw CdxError("Der Index " + tag.name_ + " ist beschädigt: eine Seite wird mehrfach verwendet");
}

// Frees the pages of a tag's tree. A tree that cannot be walked keeps its
// pages (they are lost space, never reused wrongly).
void CdxFile::DropPages(CdxTag& tag)
{
    if (tag.root_ == kNoPage)
        return;
    std::vector<std::uint32_t> pages;
    try {
        CollectPages(tag, pages);
    } catch (const CdxError&) {
        for (std::uint32_t page : pages)
            EraseCached(page);
        return;
    }
    for (std::uint32_t page : pages)
        FreePage(page);
}

CdxTag& CdxFile::AddTag(const CdxTagSpec& spec, CdxKeySet keys)
{
    return *Guarded([&] { return &DoAddTag(spec, keys); });
}

CdxTag& CdxFile::DoAddTag(const CdxTagSpec& spec, CdxKeySet& keys)
{
    CheckWritable();
    if (fd_ < 0)
        throw CdxError("Die Indexdatei ist geschlossen");
    const std::string name = Upper(spec.name);
    if (name.empty() || name.size() > static_cast<std::size_t>(kDirectoryKeyLength) ||
        name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_") != std::string::npos)
        throw CdxError("Ungültiger Indexname \"" + spec.name + "\"");
    if (spec.keyLength < 1 || spec.keyLength > kMaxKeyLength)
        throw CdxError("Ungültige Schlüssellänge " + std::to_string(spec.keyLength) + " für den Index " + name);
    if (spec.keyExpression.size() + spec.forExpression.size() + 2 > kPageSize)
        throw CdxError("Schlüssel- und FOR-Ausdruck des Index " + name + " sind zu lang");
    if (spec.keyExpression.find('\0') != std::string::npos || spec.forExpression.find('\0') != std::string::npos)
        throw CdxError("Ungültiges Zeichen im Ausdruck des Index " + name);
    TrimCache();
    CdxTag* tag = FindTag(name);
    if (tag) {
        // Replaced in place: the header keeps its offset, so its place in the order.
        MarkDirty(*tag);
        DropPages(*tag);
        SetupTag(*tag, spec);
        tag->name_ = name;
        tag->root_ = BuildTree(*tag, keys);
        MarkDirty(*directory_);
        return *tag;
    }
    MarkDirty(*directory_);
    std::unique_ptr<CdxTag> fresh(new CdxTag(*this, AppendPages(2)));
    fresh->name_ = name;
    SetupTag(*fresh, spec);
    fresh->root_ = BuildTree(*fresh, keys);
    WriteHeader(*fresh, false);
    NormalizeDirectory();
    directory_->Insert(KeyForName(name, directory_->format_.keyLength), fresh->header_);
    tags_.push_back(std::move(fresh));
    return *tags_.back();
}

// Another program may pad the tag names of its directory differently; before
// the first change of such a directory its tree is written anew in our form.
void CdxFile::NormalizeDirectory()
{
    if (!foreignDirectory_)
        return;
    CdxTag& dir = *directory_;
    const int keyLength = dir.format_.keyLength;
    if (keyLength < kDirectoryKeyLength)
        throw CdxError("Das Tag-Verzeichnis der Indexdatei hat zu kurze Namen");
    CdxKeySet names(keyLength);
    for (const auto& tag : tags_)
        names.Add(KeyForName(tag->name_, keyLength), tag->header_);
    MarkDirty(dir);
    DropPages(dir);
    dir.options_ = static_cast<std::uint8_t>(dir.options_ & ~0x09);
    dir.root_ = BuildTree(dir, names);
    dir.headerChanged_ = true;
    ++dir.stamp_;
    foreignDirectory_ = false;
}

void CdxFile::RebuildTag(std::string_view name, CdxKeySet keys)
{
    CdxTag* tag = FindTag(name);
    if (!tag)
        throw CdxError("Index " + std::string(name) + " gibt es nicht");
    CdxTagSpec spec;
    spec.name = tag->name_;
    spec.keyExpression = tag->keyExpression_;
    spec.forExpression = tag->forExpression_;
    spec.unique = tag->Unique();
    spec.descending = tag->descending_;
    spec.keyLength = tag->format_.keyLength;
    spec.keyType = tag->keyType_;
    // A tag in machine order stays in machine order (its weights are
    // known); any other is built with the file's table.
    if (tag->keyType_ == CdxKeyType::Character && tag->collationChecksum_ == 0 && !collation_.IsMachineOrder()) {
        const CdxCollation table = collation_;
        collation_ = CdxCollation();
        try {
            AddTag(spec, std::move(keys));
        } catch (...) {
            collation_ = table;
            throw;
        }
        collation_ = table;
        return;
    }
    AddTag(spec, std::move(keys));
}

void CdxFile::DeleteTag(std::string_view name)
{
    Guarded([&] {
        DoDeleteTag(name);
        return 0;
    });
}

void CdxFile::DoDeleteTag(std::string_view name)
{
    CheckWritable();
    CdxTag* tag = FindTag(name);
    if (!tag)
        throw CdxError("Index " + std::string(name) + " gibt es nicht");
    TrimCache();
    NormalizeDirectory();
    directory_->Delete(KeyForName(tag->name_, directory_->format_.keyLength), tag->header_);
    DropPages(*tag);
    FreePage(tag->header_);
    FreePage(tag->header_ + kPageSize);
    tags_.erase(std::find_if(tags_.begin(), tags_.end(), [&](const auto& t) { return t.get() == tag; }));
}

// Checks one tag's whole tree: levels, sibling links, key order across
// pages, interior keys against their subtrees, pages used once.

}  // namespace dbfcdx
