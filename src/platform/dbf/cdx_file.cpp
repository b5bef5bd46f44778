#include "platform/dbf/cdx_file.h"

#include "platform/dbf/cdx_bytes.h"
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

namespace {

constexpr std::uint32_t kHeaderSize = 1024;
constexpr int kDirectoryKeyLength = 10;
constexpr std::size_t kCacheLimit = 2048;  // decoded pages kept between calls
constexpr int kMaxDepth = 64;

// Bytes of a tag header that other programs leave alone (reserved area):
// our mark, the checksum of the sort-weight table, the dirty mark, the key type.
constexpr std::size_t kEngineMark = 472;
constexpr char kEngineMagic[4] = {'L', 'X', 'C', 'D'};
constexpr std::size_t kEngineCollation = 476;
constexpr std::size_t kEngineDirty = 480;
constexpr std::size_t kEngineKeyType = 481;

// Key data bytes `key` takes in a leaf after `previous`: its bytes that are
// neither shared with `previous` nor trailing pad.
std::size_t KeyDataBytes(std::string_view previous, std::string_view key,
                         const CdxPageFormat& format)
{
    int dup = 0, trail = 0;
    CdxLeafCounts(previous, key, format.padByte, dup, trail);
    return std::size_t(format.keyLength - dup - trail);
}

std::string Upper(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string TrimName(std::string_view key)
{
    std::size_t end = key.size();
    while (end > 0 && (key[end - 1] == ' ' || key[end - 1] == '\0'))
        --end;
    return std::string(key.substr(0, end));
}

std::uint8_t PadFor(CdxKeyType type)
{
    return (type == CdxKeyType::Numeric || type == CdxKeyType::Date) ? 0 : ' ';
}

bool ValidKeyType(char c)
{
    return c == 'C' || c == 'N' || c == 'D' || c == 'L';
}

// A zero-terminated text of the expression pool, read within its bounds.
std::string PoolText(const std::uint8_t* pool, std::size_t position, std::size_t length)
{
    if (position >= kPageSize || length == 0)
        return {};
    const std::size_t end = std::min<std::size_t>(kPageSize, position + length);
    std::size_t i = position;
    while (i < end && pool[i] != 0)
        ++i;
    return std::string(reinterpret_cast<const char*>(pool + position), i - position);
}

std::string KeyForName(std::string_view name, int keyLength)
{
    std::string key = Upper(name);
    key.resize(keyLength, ' ');
    return key;
}

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

// ---------------------------------------------------------------------------
// CdxTag

void CdxTag::SetKeyType(CdxKeyType type)
{
    if (type == keyType_)
        return;
    if (ownKeyType_) {
        rebuildReason_ = "Der Index " + name_ + " hat einen anderen Schlüsseltyp";
        return;
    }
    for (const auto& [page, cached] : file_.cache_)
        if (cached.dirty)
            throw CdxError("Schlüsseltyp des Index " + name_ + " kann nach Änderungen nicht mehr gesetzt werden");
    file_.cache_.clear();
    keyType_ = type;
    format_.padByte = PadFor(type);
    ApplyCollation(file_.collation_);
}

std::string CdxTag::RebuildReason() const
{
    if (!rebuildReason_.empty())
        return rebuildReason_;
    if (collationMismatch_)
        return "Der Index " + name_ + " wurde mit einer anderen Sortiertabelle erstellt";
    return {};
}

void CdxTag::ApplyCollation(const CdxCollation& collation)
{
    collationMismatch_ = keyType_ == CdxKeyType::Character && collationChecksum_ != collation.Checksum();
    if (!collationMismatch_)
        collation_ = keyType_ == CdxKeyType::Character ? collation : CdxCollation();
}

void CdxFile::SetCollation(const CdxCollation& collation)
{
    collation_ = collation;
    for (auto& tag : tags_)
        tag->ApplyCollation(collation);
}

std::string CdxTag::FormKey(std::string_view key) const
{
    std::string stored(key.substr(0, std::min<std::size_t>(key.size(), format_.keyLength)));
    stored.resize(format_.keyLength, static_cast<char>(format_.padByte));
    if (keyType_ == CdxKeyType::Character)
        collation_.Apply(stored);
    return stored;
}

void CdxTag::CheckUsable() const
{
    if (file_.fd_ < 0)
        throw CdxError("Die Indexdatei ist geschlossen");
    if (!file_.brokenReason_.empty())
        throw CdxError("Die Indexdatei ist nach einem Fehler beim Ändern unbrauchbar: " + file_.brokenReason_);
    if (NeedsRebuild())
        throw CdxError(RebuildReason());
}

int CdxTag::Compare(const CdxNode& node, std::size_t i, std::string_view probe, std::uint32_t recno) const
{
    const int c = std::memcmp(node.keys.data() + i * format_.keyLength, probe.data(), probe.size());
    if (c != 0)
        return c;
    if (probe.size() < static_cast<std::size_t>(format_.keyLength))
        return 0;
    return node.recnos[i] < recno ? -1 : (node.recnos[i] > recno ? 1 : 0);
}

CdxTag::Position CdxTag::LowerBound(std::string_view probe, std::uint32_t recno, std::vector<PathStep>* path)
{
    std::uint32_t page = root_;
    for (int depth = 0;; ++depth) {
        if (depth > kMaxDepth)
            throw CdxError("Der Index " + name_ + " ist beschädigt: Seitenverweise bilden eine Schleife");
        const CdxNode& node = file_.Node(*this, page);
        std::size_t lo = 0, hi = node.Count();
        while (lo < hi) {
            const std::size_t mid = (lo + hi) / 2;
            if (Compare(node, mid, probe, recno) < 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        if (node.leaf) {
            if (path)
                path->push_back({page, lo});
            return {page, lo};
        }
        const std::size_t index = std::min(lo, node.Count() - 1);
        if (path)
            path->push_back({page, index});
        page = node.children[index];
    }
}

CdxTag::Position CdxTag::Normalize(Position position)
{
    const std::uint64_t maxHops = file_.fileEnd_ / kPageSize + 1;
    for (std::uint64_t hops = 0; position.page != kNoPage; ++hops) {
        if (hops > maxHops)
            throw CdxError("Der Index " + name_ + " ist beschädigt: Geschwisterverweise bilden eine Schleife");
        const CdxNode& node = file_.Node(*this, position.page);
        if (!node.leaf)
            throw CdxError("Der Index " + name_ + " ist beschädigt: Blattverweis zeigt auf inneren Knoten");
        if (position.index < node.Count())
            return position;
        position = {node.right, 0};
    }
    return position;
}

bool CdxTag::Place(Position position, CdxCursor& cursor)
{
    cursor.tag_ = this;
    cursor.stamp_ = stamp_;
    if (position.page == kNoPage) {
        cursor.valid_ = false;
        cursor.page_ = kNoPage;
        return false;
    }
    const CdxNode& node = file_.Node(*this, position.page);
    cursor.valid_ = true;
    cursor.page_ = position.page;
    cursor.index_ = position.index;
    cursor.key_.assign(node.Key(position.index, format_.keyLength));
    cursor.recno_ = node.recnos[position.index];
    return true;
}

bool CdxTag::Resync(CdxCursor& cursor, bool& onEntry)
{
    if (cursor.tag_ == this && cursor.stamp_ == stamp_ && cursor.page_ != kNoPage) {
        onEntry = true;
        return true;
    }
    Position position = Normalize(LowerBound(cursor.key_, cursor.recno_, nullptr));
    onEntry = false;
    cursor.page_ = position.page;
    cursor.index_ = position.index;
    cursor.tag_ = this;
    cursor.stamp_ = stamp_;
    if (position.page == kNoPage)
        return false;
    const CdxNode& node = file_.Node(*this, position.page);
    onEntry = node.recnos[position.index] == cursor.recno_ &&
              node.Key(position.index, format_.keyLength) == cursor.key_;
    return true;
}

bool CdxTag::StepForward(Position& position, const CdxCursor& from)
{
    const CdxNode* node = &file_.Node(*this, position.page);
    if (position.index + 1 < node->Count()) {
        ++position.index;
    } else {
        position = Normalize({node->right, 0});
        if (position.page == kNoPage)
            return false;
        node = &file_.Node(*this, position.page);
    }
    if (Compare(*node, position.index, from.key_, from.recno_) <= 0)
        throw CdxError("Der Index " + name_ + " ist beschädigt: Schlüssel nicht in Reihenfolge");
    return true;
}

bool CdxTag::StepBack(Position& position, const CdxCursor& from)
{
    if (position.page != kNoPage && position.index > 0) {
        --position.index;
    } else {
        std::uint32_t page = kNoPage;
        if (position.page == kNoPage) {
            page = LeftmostLeaf(true);
        } else {
            page = file_.Node(*this, position.page).left;
        }
        const std::uint64_t maxHops = file_.fileEnd_ / kPageSize + 1;
        for (std::uint64_t hops = 0;; ++hops) {
            if (page == kNoPage)
                return false;
            if (hops > maxHops)
                throw CdxError("Der Index " + name_ + " ist beschädigt: Geschwisterverweise bilden eine Schleife");
            const CdxNode& node = file_.Node(*this, page);
            if (!node.leaf)
                throw CdxError("Der Index " + name_ + " ist beschädigt: Blattverweis zeigt auf inneren Knoten");
            if (node.Count() > 0) {
                position = {page, node.Count() - 1};
                break;
            }
            page = node.left;
        }
    }
    const CdxNode& node = file_.Node(*this, position.page);
    if (from.valid_ && Compare(node, position.index, from.key_, from.recno_) >= 0)
        throw CdxError("Der Index " + name_ + " ist beschädigt: Schlüssel nicht in Reihenfolge");
    return true;
}

std::uint32_t CdxTag::LeftmostLeaf(bool rightmost)
{
    std::uint32_t page = root_;
    for (int depth = 0;; ++depth) {
        if (depth > kMaxDepth)
            throw CdxError("Der Index " + name_ + " ist beschädigt: Seitenverweise bilden eine Schleife");
        const CdxNode& node = file_.Node(*this, page);
        if (node.leaf)
            return page;
        page = rightmost ? node.children.back() : node.children.front();
    }
}

bool CdxTag::SeekExact(std::string_view key, CdxCursor& cursor)
{
    CheckUsable();
    file_.TrimCache();
    const std::string probe = FormKey(key);
    if (!Place(Normalize(LowerBound(probe, 0, nullptr)), cursor))
        return false;
    return cursor.key_ == probe;
}

bool CdxTag::SeekSoft(std::string_view key, CdxCursor& cursor)
{
    CheckUsable();
    file_.TrimCache();
    std::string probe = FormKey(key).substr(0, std::min<std::size_t>(key.size(), format_.keyLength));
    return Place(Normalize(LowerBound(probe, 0, nullptr)), cursor);
}

bool CdxTag::SeekPrefix(std::string_view key, CdxCursor& cursor)
{
    CheckUsable();
    file_.TrimCache();
    std::string probe = FormKey(key).substr(0, std::min<std::size_t>(key.size(), format_.keyLength));
    if (!Place(Normalize(LowerBound(probe, 0, nullptr)), cursor))
        return false;
    return cursor.key_.compare(0, probe.size(), probe) == 0;
}

bool CdxTag::SeekEntry(std::string_view key, std::uint32_t recno, CdxCursor& cursor)
{
    CheckUsable();
    file_.TrimCache();
    const std::string probe = FormKey(key);
    if (!Place(Normalize(LowerBound(probe, recno, nullptr)), cursor))
        return false;
    return cursor.key_ == probe && cursor.recno_ == recno;
}

bool CdxTag::First(CdxCursor& cursor)
{
    CheckUsable();
    file_.TrimCache();
    return Place(Normalize({LeftmostLeaf(false), 0}), cursor);
}

bool CdxTag::Last(CdxCursor& cursor)
{
    CheckUsable();
    file_.TrimCache();
    CdxCursor none;
    Position position{kNoPage, 0};
    if (!StepBack(position, none))
        return Place({kNoPage, 0}, cursor);
    return Place(position, cursor);
}

bool CdxTag::Next(CdxCursor& cursor)
{
    CheckUsable();
    if (!cursor.valid_)
        return false;
    file_.TrimCache();
    bool onEntry = false;
    if (!Resync(cursor, onEntry))
        return Place({kNoPage, 0}, cursor);
    Position position{cursor.page_, cursor.index_};
    if (onEntry && !StepForward(position, cursor))
        return Place({kNoPage, 0}, cursor);
    return Place(position, cursor);
}

bool CdxTag::Prev(CdxCursor& cursor)
{
    CheckUsable();
    if (!cursor.valid_)
        return false;
    file_.TrimCache();
    bool onEntry = false;
    Resync(cursor, onEntry);
    Position position{cursor.page_, cursor.index_};
    if (!StepBack(position, cursor))
        return Place({kNoPage, 0}, cursor);
    return Place(position, cursor);
}

bool CdxTag::Contains(std::string_view key, std::uint32_t recno)
{
    CdxCursor cursor;
    return SeekEntry(key, recno, cursor);
}

std::size_t CdxTag::Count()
{
    CheckUsable();
    if (countKnown_)
        return count_;
    file_.TrimCache();
    std::size_t count = 0;
    std::uint32_t page = LeftmostLeaf(false);
    const std::uint64_t maxHops = file_.fileEnd_ / kPageSize + 1;
    for (std::uint64_t hops = 0; page != kNoPage; ++hops) {
        if (hops > maxHops)
            throw CdxError("Der Index " + name_ + " ist beschädigt: Geschwisterverweise bilden eine Schleife");
        const CdxNode& node = file_.Node(*this, page);
        if (!node.leaf)
            throw CdxError("Der Index " + name_ + " ist beschädigt: Blattverweis zeigt auf inneren Knoten");
        count += node.Count();
        page = node.right;
    }
    count_ = count;
    countKnown_ = true;
    return count;
}

void CdxTag::MarkChanged()
{
    file_.CheckWritable();
    ++file_.changes_;
    file_.MarkDirty(*this);
    ++stamp_;
}

// The last key of the node at path[level] changed: carry it up while it is
// the last key of its parent too.
void CdxTag::FixParentKeys(const std::vector<PathStep>& path, std::size_t level)
{
    const int keyLength = format_.keyLength;
    for (std::size_t l = level; l > 0; --l) {
        const CdxNode& child = file_.Node(*this, path[l].page);
        if (child.Count() == 0)
            return;
        CdxNode& parent = file_.Node(*this, path[l - 1].page);
        const std::size_t index = path[l - 1].index;
        const std::size_t last = child.Count() - 1;
        std::memcpy(parent.keys.data() + index * keyLength, child.keys.data() + last * keyLength, keyLength);
        parent.recnos[index] = child.recnos[last];
        file_.TouchNode(path[l - 1].page);
        if (index + 1 != parent.Count())
            return;
    }
}

// The node at path[level] overflows: split it into two siblings and enter the
// new one in the parent (splitting upwards as needed).
void CdxTag::SplitNode(std::vector<PathStep>& path, std::size_t level)
{
    const int keyLength = format_.keyLength;
    const std::uint32_t page = path[level].page;
    const std::uint32_t newPage = file_.AllocPage();
    CdxNode& node = file_.Node(*this, page);
    CdxNode right;
    right.leaf = node.leaf;
    std::size_t split = node.Count() / 2;
    auto take = [&](std::size_t at) {
        CdxNode r;
        r.leaf = node.leaf;
        r.keys.assign(node.keys, at * keyLength, std::string::npos);
        r.recnos.assign(node.recnos.begin() + at, node.recnos.end());
        if (!node.leaf)
            r.children.assign(node.children.begin() + at, node.children.end());
        return r;
    };
    auto leftFits = [&](std::size_t at) {
        CdxNode l;
        l.leaf = node.leaf;
        l.keys.assign(node.keys, 0, at * keyLength);
        l.recnos.assign(node.recnos.begin(), node.recnos.begin() + at);
        if (!node.leaf)
            l.children.assign(node.children.begin(), node.children.begin() + at);
        return CdxNodeFits(l, format_);
    };
    while (split > 1 && !leftFits(split))
        --split;
    right = take(split);
    while (split + 1 < node.Count() && !CdxNodeFits(right, format_))
        right = take(++split);
    node.keys.resize(split * keyLength);
    node.dataBytesFor = CdxNode::kUnknownSize;
    node.recnos.resize(split);
    if (!node.leaf)
        node.children.resize(split);

    right.left = page;
    right.right = node.right;
    if (node.right != kNoPage) {
        file_.Node(*this, node.right).left = newPage;
        file_.TouchNode(node.right);
    }
    node.right = newPage;
    file_.TouchNode(page);
    const bool wasRoot = node.root;
    CdxNode* left = &node;

    if (wasRoot) {
        left->root = false;
        CdxNode top;
        top.leaf = false;
        top.root = true;
        for (const CdxNode* child : {left, &right}) {
            top.keys.append(child->Key(child->Count() - 1, keyLength));
            top.recnos.push_back(child->recnos.back());
        }
        top.children = {page, newPage};
        file_.PutNode(*this, newPage, std::move(right));
        const std::uint32_t topPage = file_.AllocPage();
        file_.PutNode(*this, topPage, std::move(top));
        root_ = topPage;
        headerChanged_ = true;
        return;
    }
    const std::string rightLastKey(right.Key(right.Count() - 1, keyLength));
    const std::uint32_t rightLastRecno = right.recnos.back();
    const std::string leftLastKey(left->Key(left->Count() - 1, keyLength));
    const std::uint32_t leftLastRecno = left->recnos.back();
    file_.PutNode(*this, newPage, std::move(right));

    CdxNode& parent = file_.Node(*this, path[level - 1].page);
    const std::size_t index = path[level - 1].index;
    std::memcpy(parent.keys.data() + index * keyLength, leftLastKey.data(), keyLength);
    parent.recnos[index] = leftLastRecno;
    parent.keys.insert((index + 1) * keyLength, rightLastKey);
    parent.recnos.insert(parent.recnos.begin() + index + 1, rightLastRecno);
    parent.children.insert(parent.children.begin() + index + 1, newPage);
    file_.TouchNode(path[level - 1].page);
    if (!CdxNodeFits(parent, format_))
        SplitNode(path, level - 1);
}

// The node at path[level] became empty: unlink it and drop its entry from
// the parent (removing emptied parents too).
void CdxTag::RemoveFromParent(std::vector<PathStep>& path, std::size_t level)
{
    const std::uint32_t page = path[level].page;
    const CdxNode node = file_.Node(*this, page);
    if (node.left != kNoPage) {
        file_.Node(*this, node.left).right = node.right;
        file_.TouchNode(node.left);
    }
    if (node.right != kNoPage) {
        file_.Node(*this, node.right).left = node.left;
        file_.TouchNode(node.right);
    }
    file_.FreePage(page);

    CdxNode& parent = file_.Node(*this, path[level - 1].page);
    const std::size_t index = path[level - 1].index;
    parent.keys.erase(index * format_.keyLength, format_.keyLength);
    parent.recnos.erase(parent.recnos.begin() + index);
    parent.children.erase(parent.children.begin() + index);
    file_.TouchNode(path[level - 1].page);
    if (parent.Count() == 0) {
        if (parent.root) {
            parent.leaf = true;  // the tag is empty: the root becomes an empty leaf
            parent.left = parent.right = kNoPage;
            return;
        }
        RemoveFromParent(path, level - 1);
    } else if (index == parent.Count()) {
        FixParentKeys(path, level - 1);
    }
}

// A leaf that has become small joins a sibling under the same parent when
// both fit in three quarters of a page: the left page of the two gives its
// keys to the right one and is freed. The margin keeps a page from being
// split and merged in turn.
void CdxTag::MergeLeaves(std::vector<PathStep>& path, std::size_t level)
{
    const std::uint32_t page = path[level].page;
    const CdxNode& parent = file_.Node(*this, path[level - 1].page);
    const std::size_t index = path[level - 1].index;
    const CdxNode& leaf = file_.Node(*this, page);
    if (CdxNodeBytes(leaf, format_) > kPageSize / 2)
        return;
    auto tryJoin = [&](std::uint32_t leftPage, std::uint32_t rightPage, std::size_t leftIndex) {
        const CdxNode& left = file_.Node(*this, leftPage);
        const CdxNode& right = file_.Node(*this, rightPage);
        if (!left.leaf || !right.leaf || left.right != rightPage)
            return false;
        CdxNode merged;
        merged.keys = left.keys + right.keys;
        merged.recnos = left.recnos;
        merged.recnos.insert(merged.recnos.end(), right.recnos.begin(), right.recnos.end());
        if (CdxNodeBytes(merged, format_) > kPageSize * 3 / 4)
            return false;
        CdxNode& target = file_.Node(*this, rightPage);
        target.keys = std::move(merged.keys);
        target.dataBytesFor = CdxNode::kUnknownSize;
        target.recnos = std::move(merged.recnos);
        file_.TouchNode(rightPage);
        std::vector<PathStep> leftPath(path.begin(), path.begin() + level + 1);
        leftPath[level] = {leftPage, 0};
        leftPath[level - 1].index = leftIndex;
        RemoveFromParent(leftPath, level);
        return true;
    };
    if (index + 1 < parent.Count() && tryJoin(page, parent.children[index + 1], index))
        return;
    if (index > 0)
        tryJoin(parent.children[index - 1], page, index - 1);
}

bool CdxTag::Insert(std::string_view key, std::uint32_t recno)
{
    return file_.Guarded([&] { return DoInsert(key, recno); });
}

bool CdxTag::DoInsert(std::string_view key, std::uint32_t recno)
{
    CheckUsable();
    file_.CheckWritable();
    if (recno == 0)
        throw CdxError("Satznummer 0 kann nicht in den Index " + name_ + " aufgenommen werden");
    file_.TrimCache();
    const std::string stored = FormKey(key);
    if (Unique()) {
        const Position first = Normalize(LowerBound(stored, 0, nullptr));
        if (first.page != kNoPage &&
            file_.Node(*this, first.page).Key(first.index, format_.keyLength) == stored)
            return false;
    }
    std::vector<PathStep> path;
    const Position position = LowerBound(stored, recno, &path);
    {
        const CdxNode& leaf = file_.Node(*this, position.page);
        if (position.index < leaf.Count() && leaf.recnos[position.index] == recno &&
            leaf.Key(position.index, format_.keyLength) == stored)
            return false;
    }
    MarkChanged();
    CdxNode& leaf = file_.Node(*this, position.page);
    {
        // The leaf's key data bytes follow the insert: the new key's own and
        // the change of the key after it (whose neighbour it becomes).
        const int keyLength = format_.keyLength;
        const std::size_t i = position.index;
        std::size_t bytes = CdxLeafDataBytes(leaf, format_);
        const std::string_view previous = i > 0 ? leaf.Key(i - 1, keyLength) : std::string_view();
        bytes += KeyDataBytes(previous, stored, format_);
        if (i < leaf.Count()) {
            const std::string_view next = leaf.Key(i, keyLength);
            bytes = bytes - KeyDataBytes(previous, next, format_) +
                    KeyDataBytes(stored, next, format_);
        }
        leaf.keys.insert(i * keyLength, stored);
        leaf.dataBytes = bytes;
        leaf.dataBytesFor = leaf.keys.size();
    }
    leaf.recnos.insert(leaf.recnos.begin() + position.index, recno);
    file_.TouchNode(position.page);
    if (countKnown_)
        ++count_;
    const std::size_t level = path.size() - 1;
    if (position.index + 1 == leaf.Count())
        FixParentKeys(path, level);
    if (!CdxNodeFits(leaf, format_))
        SplitNode(path, level);
    return true;
}

bool CdxTag::Delete(std::string_view key, std::uint32_t recno)
{
    return file_.Guarded([&] { return DoDelete(key, recno); });
}

bool CdxTag::DoDelete(std::string_view key, std::uint32_t recno)
{
    CheckUsable();
    file_.CheckWritable();
    file_.TrimCache();
    const std::string stored = FormKey(key);
    std::vector<PathStep> path;
    const Position position = LowerBound(stored, recno, &path);
    {
        const CdxNode& leaf = file_.Node(*this, position.page);
        if (position.index >= leaf.Count() || leaf.recnos[position.index] != recno ||
            leaf.Key(position.index, format_.keyLength) != stored)
            return false;
    }
    MarkChanged();
    CdxNode& leaf = file_.Node(*this, position.page);
    {
        // As in the insert: the removed key's bytes go, the next key is then
        // compared with the one before the removed key.
        const int keyLength = format_.keyLength;
        const std::size_t i = position.index;
        std::size_t bytes = CdxLeafDataBytes(leaf, format_);
        const std::string_view previous = i > 0 ? leaf.Key(i - 1, keyLength) : std::string_view();
        const std::string_view removed = leaf.Key(i, keyLength);
        bytes -= KeyDataBytes(previous, removed, format_);
        if (i + 1 < leaf.Count()) {
            const std::string_view next = leaf.Key(i + 1, keyLength);
            bytes = bytes - KeyDataBytes(removed, next, format_) +
                    KeyDataBytes(previous, next, format_);
        }
        leaf.keys.erase(i * keyLength, keyLength);
        leaf.dataBytes = bytes;
        leaf.dataBytesFor = leaf.keys.size();
    }
    leaf.recnos.erase(leaf.recnos.begin() + position.index);
    file_.TouchNode(position.page);
    if (countKnown_)
        --count_;
    const std::size_t level = path.size() - 1;
    if (leaf.Count() == 0 && level > 0) {
        RemoveFromParent(path, level);
    } else {
        if (position.index == leaf.Count())
            FixParentKeys(path, level);
        if (level > 0)
            MergeLeaves(path, level);
    }

    // A root with a single child hands the root over to it.
    for (;;) {
        CdxNode& root = file_.Node(*this, root_);
        if (root.leaf || root.Count() != 1)
            break;
        const std::uint32_t child = root.children[0];
        file_.FreePage(root_);
        CdxNode& next = file_.Node(*this, child);
        next.root = true;
        next.left = next.right = kNoPage;
        file_.TouchNode(child);
        root_ = child;
        headerChanged_ = true;
    }
    return true;
}

std::string CdxTag::HeaderBytes(bool dirty) const
{
    std::string bytes(kHeaderSize, '\0');
    auto* p = reinterpret_cast<std::uint8_t*>(bytes.data());
    PutLe32(p, root_);
    PutLe32(p + 4, this == file_.directory_.get() ? file_.freeHead_ : kNoPage);
    PutLe32(p + 8, version_);
    PutLe16(p + 12, static_cast<std::uint32_t>(format_.keyLength));
    p[14] = options_;
    p[15] = 1;
    std::memcpy(p + kEngineMark, kEngineMagic, sizeof kEngineMagic);
    PutLe32(p + kEngineCollation, collationChecksum_);
    p[kEngineDirty] = dirty ? 1 : 0;
    p[kEngineKeyType] = static_cast<std::uint8_t>(keyType_);
    PutLe16(p + 502, descending_ ? 1 : 0);
    const std::size_t keyText = keyExpression_.size() + 1;
    const std::size_t forText = forExpression_.size() + 1;
    PutLe16(p + 504, static_cast<std::uint32_t>(keyText));  // FOR expression position
    PutLe16(p + 506, static_cast<std::uint32_t>(forText));  // FOR expression length
    PutLe16(p + 508, 0);                                    // key expression position
    PutLe16(p + 510, static_cast<std::uint32_t>(keyText));  // key expression length
    std::memcpy(p + 512, keyExpression_.data(), keyExpression_.size());
    std::memcpy(p + 512 + keyText, forExpression_.data(), forExpression_.size());
    return bytes;
}

// ---------------------------------------------------------------------------
// CdxFile

CdxFile::CdxFile(int fd, bool ownsFd, bool readOnly, const CdxCollation& collation)
    : fd_(fd), ownsFd_(ownsFd), readOnly_(readOnly), collation_(collation)
{
}

CdxFile::~CdxFile()
{
    try {
        Close();
    } catch (...) {
    }
}

std::unique_ptr<CdxFile> CdxFile::Open(const std::string& path, bool readOnly, const CdxCollation& collation,
                                       bool shared)
{
    const int fd = ::open(path.c_str(), (readOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC);
    if (fd < 0)
        throw CdxError("Indexdatei " + path + " lässt sich nicht öffnen: " + std::strerror(errno));
    std::unique_ptr<CdxFile> file(new CdxFile(fd, true, readOnly, collation));
    file->shared_ = shared;
    // Shared: read under the lock, so no half-done change of another
    // process is seen.
    file->Access([&] {
        file->Load();
        file->seenVersion_ = file->directory_->version_;
        return 0;
    });
    return file;
}

namespace {

// The index lock: one byte far beyond any page.
constexpr off_t kIndexLock = off_t(1) << 40;

bool IndexLock(int fd, short type) { return dbf::LockByte(fd, type, kIndexLock); }

}  // namespace

void CdxFile::SetShared(bool shared)
{
    if (shared == shared_)
        return;
    if (shared)
        Flush();  // what exclusive use kept in memory
    shared_ = shared;
    seenVersion_ = directory_ ? directory_->version_ : 0;
}

void CdxFile::BeginAccess()
{
    if (accessDepth_++ > 0)
        return;
    // Every process holds the lock only for one access; wait for it in short
    // steps (a process that dies gives its lock back at once).
    // (A read-only opener can only take a read lock; it keeps writers out
    // all the same.)
    if (!dbf::LockByteWait(fd_, readOnly_ ? F_RDLCK : F_WRLCK, kIndexLock, 30000)) {
        --accessDepth_;
        throw CdxError(std::string("Die Indexdatei ist gesperrt: ") + std::strerror(errno));
    }
    try {
        if (directory_ && DiskVersion() != seenVersion_)
            Refresh();
    } catch (...) {
        EndAccess();
        throw;
    }
}

void CdxFile::EndAccess()
{
    if (--accessDepth_ == 0)
        IndexLock(fd_, F_UNLCK);
}

std::uint32_t CdxFile::DiskVersion()
{
    std::uint8_t bytes[4];
    ReadAt(8, bytes, sizeof bytes);
    return Le32(bytes);
}

void CdxFile::FlushShared()
{
    if (readOnly_ || !directory_ || !brokenReason_.empty())
        return;
    // Any change counts up the directory's version: the others' sign to
    // read the file again.
    bool changed = !pendingFree_.empty() || !dirtyPages_.empty() || directory_->dirtyOnDisk_ ||
                   directory_->headerChanged_;
    for (const auto& tag : tags_)
        changed = changed || tag->dirtyOnDisk_ || tag->headerChanged_;
    if (!changed)
        return;
    directory_->headerChanged_ = true;
    Flush();
    seenVersion_ = directory_->version_;
}

void CdxFile::TakeOverCutShortChange()
{
    if (!cutShort_)
        return;
    for (auto& tag : tags_)
        tag->rebuildReason_ = "Die Indexdatei wurde bei einer Änderung nicht sauber geschlossen";
    if (readOnly_)
        return;
    // The tags keep the mark each on their own (they are rebuilt one by
    // one); the file's mark goes.
    // (Not counted as dirty on disk: a flush leaves them marked until each
    // is rebuilt.)
    for (auto& tag : tags_)
        WriteHeader(*tag, true);
    Sync();
    cutShort_ = false;
    WriteHeader(*directory_, false);
}

void CdxFile::MarkChanging()
{
    if (readOnly_ || !brokenReason_.empty() || !directory_ || directory_->dirtyOnDisk_)
        return;  // a broken file keeps the marks it has
    WriteHeader(*directory_, true);
    directory_->dirtyOnDisk_ = true;
}

void CdxFile::Refresh()
{
    cache_.clear();
    dirtyPages_.clear();
    trimmedSize_ = 0;
    pendingFree_.clear();
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        throw CdxError(std::string("Indexdatei lässt sich nicht lesen: ") + std::strerror(errno));
    fileEnd_ = static_cast<std::uint64_t>(st.st_size);
    ReadTagHeader(*directory_, true);
    ++directory_->stamp_;
    directory_->dirtyOnDisk_ = directory_->headerChanged_ = false;
    for (auto& tag : tags_) {
        tag->rebuildReason_.clear();
        tag->dirtyOnDisk_ = tag->headerChanged_ = false;
        tag->countKnown_ = false;
        ++tag->stamp_;
        ReadTagHeader(*tag, false);
    }
    TakeOverCutShortChange();
    seenVersion_ = directory_->version_;
}

std::unique_ptr<CdxFile> CdxFile::Create(const std::string& path, const CdxCollation& collation)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        throw CdxError("Indexdatei " + path + " lässt sich nicht anlegen: " + std::strerror(errno));
    std::unique_ptr<CdxFile> file(new CdxFile(fd, true, false, collation));
    file->InitEmpty();
    return file;
}

std::unique_ptr<CdxFile> CdxFile::OpenFd(int fd, bool readOnly, const CdxCollation& collation)
{
    std::unique_ptr<CdxFile> file(new CdxFile(fd, false, readOnly, collation));
    file->Load();
    return file;
}

void CdxFile::ReopenWritable(const std::string& path)
{
    if (!readOnly_ || fd_ < 0)
        return;
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        throw CdxError("Indexdatei " + path + " lässt sich nicht zum Schreiben öffnen: " + std::strerror(errno));
    const int placed = ::dup2(fd, fd_);
    ::close(fd);
    if (placed < 0)
        throw CdxError("Indexdatei " + path + " lässt sich nicht zum Schreiben öffnen: " + std::strerror(errno));
    readOnly_ = false;
}

std::unique_ptr<CdxFile> CdxFile::CreateFd(int fd, const CdxCollation& collation)
{
    if (!dbf::TruncateFile(fd, 0))
        throw CdxError(std::string("Indexdatei lässt sich nicht leeren: ") + std::strerror(errno));
    std::unique_ptr<CdxFile> file(new CdxFile(fd, false, false, collation));
    file->InitEmpty();
    return file;
}

void CdxFile::InitEmpty()
{
    fileEnd_ = kHeaderSize;
    directory_.reset(new CdxTag(*this, 0));
    CdxTag& dir = *directory_;
    dir.name_ = "";
    dir.options_ = 0x20 | 0x40;
    dir.format_ = {kDirectoryKeyLength, ' '};
    dir.root_ = AppendPages(1);
    CdxNode root;
    root.root = true;
    PutNode(dir, dir.root_, std::move(root));
    dir.countKnown_ = true;
    dir.headerChanged_ = true;
    Flush();
}

void CdxFile::ReadAt(std::uint64_t offset, void* data, std::size_t size)
{
    if (fd_ < 0)
        throw CdxError("Die Indexdatei ist geschlossen");
    auto* p = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t n = ::pread(fd_, p, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw CdxError(std::string("Lesefehler in der Indexdatei: ") + std::strerror(errno));
        if (n == 0)
            throw CdxError("Die Indexdatei ist kürzer als ihre Verweise (abgeschnitten)");
        p += n;
        size -= n;
        offset += n;
    }
}

void CdxFile::WriteAt(std::uint64_t offset, const void* data, std::size_t size)
{
    if (fd_ < 0)
        throw CdxError("Die Indexdatei ist geschlossen");
    if (!dbf::WriteAt(fd_, data, size, offset))
        throw CdxError(std::string("Schreibfehler in der Indexdatei: ") + std::strerror(errno));
}

void CdxFile::Sync()
{
    if (fd_ >= 0 && !readOnly_ && !dbf::SyncFile(fd_))
        throw CdxError(std::string("Die Indexdatei lässt sich nicht auf die Platte schreiben: ") +
                       std::strerror(errno));
}

void CdxFile::CheckWritable() const
{
    if (!brokenReason_.empty())
        throw CdxError("Die Indexdatei ist nach einem Fehler beim Ändern unbrauchbar: " + brokenReason_);
    if (readOnly_)
        throw CdxError("Die Indexdatei ist nur zum Lesen geöffnet");
}

void CdxFile::ReadTagHeader(CdxTag& tag, bool directory)
{
    if (tag.header_ % kPageSize != 0 || tag.header_ + std::uint64_t{kHeaderSize} > fileEnd_ ||
        (!directory && tag.header_ < kHeaderSize))
        throw CdxError("Das Tag-Verzeichnis der Indexdatei verweist auf eine ungültige Stelle (" +
                       std::to_string(tag.header_) + ")");
    std::uint8_t h[kHeaderSize];
    ReadAt(tag.header_, h, sizeof h);
    const std::string which = directory ? std::string("Kopf der Indexdatei") : "Kopf des Index " + tag.name_;
    const int keyLength = Le16(h + 12);
    if (keyLength < 1 || keyLength > kMaxKeyLength)
        throw CdxError(which + ": ungültige Schlüssellänge " + std::to_string(keyLength));
    tag.options_ = h[14];
    if (!(tag.options_ & 0x20))
        throw CdxError(which + ": kein kompakter Index");
    if (directory && !(tag.options_ & 0x40))
        throw CdxError("Die Datei ist keine Mehrfachindexdatei (CDX)");
    tag.root_ = Le32(h);
    if (tag.root_ % kPageSize != 0 || tag.root_ < kHeaderSize || tag.root_ + std::uint64_t{kPageSize} > fileEnd_)
        throw CdxError(which + ": ungültiger Wurzelverweis " + std::to_string(tag.root_));
    tag.version_ = Le32(h + 8);
    tag.descending_ = Le16(h + 502) != 0;
    tag.keyExpression_ = PoolText(h + 512, Le16(h + 508), Le16(h + 510));
    tag.forExpression_ = PoolText(h + 512, Le16(h + 504), Le16(h + 506));
    tag.format_.keyLength = keyLength;
    const bool ours = std::memcmp(h + kEngineMark, kEngineMagic, sizeof kEngineMagic) == 0;
    if (ours && ValidKeyType(static_cast<char>(h[kEngineKeyType]))) {
        tag.keyType_ = static_cast<CdxKeyType>(h[kEngineKeyType]);
        tag.ownKeyType_ = true;
    }
    tag.format_.padByte = PadFor(tag.keyType_);
    tag.collationChecksum_ = ours ? Le32(h + kEngineCollation) : 0;
    const bool dirty = ours && h[kEngineDirty] != 0;
    if (directory) {
        // A change was cut short: the tag list is read (a torn one fails
        // below), every tag needs a rebuild, and the free list is not
        // trusted.
        cutShort_ = dirty;
        freeHead_ = ours && !dirty ? Le32(h + 4) : kNoPage;  // a foreign free list is not trusted
        foreignDirectory_ = !ours;
        if (freeHead_ == 0)
            freeHead_ = kNoPage;
        return;
    }
    if (dirty)
        tag.rebuildReason_ = "Der Index " + tag.name_ + " wurde bei einer Änderung nicht sauber geschlossen";
    tag.ApplyCollation(collation_);
}

void CdxFile::Load()
{
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        throw CdxError(std::string("Indexdatei lässt sich nicht lesen: ") + std::strerror(errno));
    if (st.st_size < static_cast<off_t>(kHeaderSize + kPageSize))
        throw CdxError("Die Indexdatei ist zu kurz (" + std::to_string(st.st_size) + " Bytes)");
    if (st.st_size % kPageSize != 0)
        throw CdxError("Die Länge der Indexdatei ist kein Vielfaches von 512 (abgeschnitten?)");
    if (static_cast<std::uint64_t>(st.st_size) > 0xFFFFFE00u)
        throw CdxError("Die Indexdatei ist größer als 4 GB");
    fileEnd_ = static_cast<std::uint64_t>(st.st_size);
    directory_.reset(new CdxTag(*this, 0));
    ReadTagHeader(*directory_, true);
    directory_->keyType_ = CdxKeyType::Character;
    directory_->format_.padByte = ' ';
    directory_->collation_ = CdxCollation();
    directory_->collationChecksum_ = 0;

    CdxCursor cursor;
    std::vector<std::uint32_t> headers;
    for (bool ok = directory_->First(cursor); ok; ok = directory_->Next(cursor)) {
        const std::uint32_t header = cursor.RecNo();
        if (std::find(headers.begin(), headers.end(), header) != headers.end())
            throw CdxError("Zwei Indexe der Datei teilen sich einen Kopf");
        headers.push_back(header);
        std::unique_ptr<CdxTag> tag(new CdxTag(*this, header));
        tag->name_ = TrimName(cursor.Key());
        ReadTagHeader(*tag, false);
        tags_.push_back(std::move(tag));
    }
    directory_->count_ = tags_.size();
    directory_->countKnown_ = true;
    std::sort(tags_.begin(), tags_.end(), [](const auto& a, const auto& b) { return a->header_ < b->header_; });
    TakeOverCutShortChange();
    for (auto& tag : tags_) {
        if (!tag->NeedsRebuild()) {
            try {
                Node(*tag, tag->root_);
            } catch (const CdxError& error) {
                tag->rebuildReason_ = error.what();
            }
        }
    }
}

CdxNode& CdxFile::Node(const CdxTag& tag, std::uint32_t page)
{
    auto it = cache_.find(page);
    if (it != cache_.end()) {
        const CdxPageFormat& format = it->second.format;
        if (format.keyLength != tag.format_.keyLength || format.padByte != tag.format_.padByte)
            throw CdxError("Der Index " + tag.name_ + " ist beschädigt: Seite " + std::to_string(page) +
                           " gehört zu einem anderen Index");
        return it->second.node;
    }
    if (page % kPageSize != 0 || page < kHeaderSize || page + std::uint64_t{kPageSize} > fileEnd_)
        throw CdxError("Der Index " + tag.name_ + " ist beschädigt: Seitenverweis " + std::to_string(page) +
                       " außerhalb der Datei");
    std::uint8_t bytes[kPageSize];
    ReadAt(page, bytes, sizeof bytes);
    CdxNode node = CdxDecodePage(bytes, tag.format_, page);
    return cache_.emplace(page, CachedNode{std::move(node), tag.format_, false}).first->second.node;
}

void CdxFile::PutNode(const CdxTag& tag, std::uint32_t page, CdxNode node)
{
    cache_[page] = CachedNode{std::move(node), tag.format_, true};
    dirtyPages_.push_back(page);
}

void CdxFile::TouchNode(std::uint32_t page)
{
    CachedNode& cached = cache_.at(page);
    if (!cached.dirty)
        dirtyPages_.push_back(page);
    cached.dirty = true;
}

void CdxFile::TrimCache()
{
    // Dirty pages stay until the flush; trimming again only once the cache
    // has grown well past what the last trim left keeps this cheap.
    if (cache_.size() <= std::max(kCacheLimit, 2 * trimmedSize_))
        return;
    for (auto it = cache_.begin(); it != cache_.end();) {
        if (it->second.dirty)
            ++it;
        else
            it = cache_.erase(it);
    }
    trimmedSize_ = cache_.size();
}

std::uint32_t CdxFile::AppendPages(std::uint32_t count)
{
    if (fileEnd_ + std::uint64_t{count} * kPageSize > 0xFFFFFE00u)
        throw CdxError("Die Indexdatei würde größer als 4 GB");
    const auto page = static_cast<std::uint32_t>(fileEnd_);
    fileEnd_ += std::uint64_t{count} * kPageSize;
    return page;
}

std::uint32_t CdxFile::AllocPage()
{
    MarkDirty(*directory_);
    while (freeHead_ != kNoPage) {
        const std::uint32_t page = freeHead_;
        if (page % kPageSize != 0 || page < kHeaderSize || page + std::uint64_t{kPageSize} > fileEnd_ ||
            cache_.count(page)) {
            freeHead_ = kNoPage;  // a broken free list is dropped: its pages stay unused
            break;
        }
        auto pending = pendingFree_.find(page);
        if (pending != pendingFree_.end()) {
            freeHead_ = pending->second;
            pendingFree_.erase(pending);
        } else {
            std::uint8_t link[4];
            ReadAt(page, link, sizeof link);
            freeHead_ = Le32(link);
            if (freeHead_ == 0 || freeHead_ == page)
                freeHead_ = kNoPage;
        }
        return page;
    }
    return AppendPages(1);
}

void CdxFile::FreePage(std::uint32_t page)
{
    MarkDirty(*directory_);
    cache_.erase(page);
    pendingFree_[page] = freeHead_;
    freeHead_ = page;
}

void CdxFile::WriteHeader(CdxTag& tag, bool dirty)
{
    const std::string bytes = tag.HeaderBytes(dirty);
    WriteAt(tag.header_, bytes.data(), bytes.size());
}

void CdxFile::MarkDirty(CdxTag& tag)
{
    ++changes_;
    if (tag.dirtyOnDisk_)
        return;
    if (shared_ && &tag != directory_.get()) {
        // Shared use flushes within the access: the file's one mark (in the
        // directory header) covers its tags, so a change costs two header
        // writes, not two per tag.
        if (!directory_->dirtyOnDisk_) {
            WriteHeader(*directory_, true);
            directory_->dirtyOnDisk_ = true;
        }
        return;
    }
    WriteHeader(tag, true);
    tag.dirtyOnDisk_ = true;
}

void CdxFile::MarkForRebuild(const std::string& reason)
{
    if (fd_ < 0 || readOnly_ || !directory_)
        return;
    if (brokenReason_.empty()) {
        Flush();
        for (auto& tag : tags_) {
            WriteHeader(*tag, true);
            tag->dirtyOnDisk_ = true;
        }
        Sync();
    }
    brokenReason_ = reason;
}

void CdxFile::Flush()
{
    // After a failed change nothing more is written: the dirty marks already
    // on disk make the next open rebuild.
    if (fd_ < 0 || readOnly_ || !directory_ || !brokenReason_.empty())
        return;
    // The pages made dirty since the last flush (a page dropped from the
    // cache since, or listed twice, is passed over). The list is cleared
    // only when all are written: after a failed write the rest stay listed.
    std::vector<std::uint32_t> pages = dirtyPages_;
    std::sort(pages.begin(), pages.end());
    pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
    std::uint8_t bytes[kPageSize];
    for (std::uint32_t page : pages) {
        auto it = cache_.find(page);
        if (it == cache_.end() || !it->second.dirty)
            continue;
        CachedNode& cached = it->second;
        if (!CdxEncodePage(cached.node, cached.format, bytes))
            throw CdxError("Interner Fehler: Indexseite " + std::to_string(page) + " läuft über");
        WriteAt(page, bytes, sizeof bytes);
        cached.dirty = false;
    }
    dirtyPages_.clear();
    for (const auto& [page, next] : pendingFree_) {
        std::memset(bytes, 0, sizeof bytes);
        PutLe32(bytes, next);
        WriteAt(page, bytes, sizeof bytes);
    }
    pendingFree_.clear();
    // Headers last, the directory's at the very end: a clean dirty mark
    // promises that everything before it is on disk, so the pages are synced
    // before a header that was marked dirty on disk is written clean.
    // (Shared use flushes after every change; the marks still show a change
    // cut short by the end of a process, which the page cache keeps in
    // order anyway, and a commit syncs.)
    bool cleaning = directory_->dirtyOnDisk_;
    for (auto& tag : tags_)
        cleaning = cleaning || tag->dirtyOnDisk_;
    if (cleaning && !shared_ && (!pages.empty() || !tags_.empty()))
        Sync();
    for (auto& tag : tags_) {
        if (tag->dirtyOnDisk_ || tag->headerChanged_) {
            ++tag->version_;
            WriteHeader(*tag, false);
            tag->dirtyOnDisk_ = tag->headerChanged_ = false;
        }
    }
    CdxTag& dir = *directory_;
    if (dir.dirtyOnDisk_ || dir.headerChanged_) {
        ++dir.version_;
        WriteHeader(dir, false);
        dir.dirtyOnDisk_ = dir.headerChanged_ = false;
    }
}

void CdxFile::Close()
{
    if (fd_ < 0)
        return;
    try {
        Flush();
    } catch (...) {
        if (ownsFd_)
            ::close(fd_);
        fd_ = -1;
        throw;
    }
    if (ownsFd_)
        ::close(fd_);
    fd_ = -1;
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

// Sorts the keys and writes the whole tree in one sequential write at the end
// of the file: leaves first, then each interior level, the root last.
std::uint32_t CdxFile::BuildTree(CdxTag& tag, CdxKeySet& keys)
{
    const int keyLength = tag.format_.keyLength;
    if (keys.KeyLength() != keyLength)
        throw CdxError("Schlüssellänge der Schlüsselmenge passt nicht zum Index " + tag.name_);
    if (tag.keyType_ == CdxKeyType::Character)
        tag.collation_.Apply(keys.keys_);
    const char* data = keys.keys_.data();
    const std::size_t total = keys.Size();
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
    for (std::size_t e = 1; e < total && recnosAscending; ++e)
        recnosAscending = keys.recnos_[e - 1] < keys.recnos_[e];
    auto tieLess = [&](const SortItem& a, const SortItem& b) {
        return recnosAscending ? a.entry < b.entry : keys.recnos_[a.entry] < keys.recnos_[b.entry];
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
    std::vector<std::uint32_t> order(total);
    for (std::size_t i = 0; i < total; ++i)
        order[i] = items[i].entry;
    items = {};
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
    const std::uint32_t base = AppendPages(static_cast<std::uint32_t>(pageCount));
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
        const std::uint32_t levelBase = base + static_cast<std::uint32_t>(written * kPageSize);
        std::vector<Child> here;
        here.reserve(n);
        for (std::size_t p = 0; p < n; ++p) {
            CdxNode node;
            node.leaf = level == 0;
            node.root = level + 1 == levelSizes.size();
            const std::uint32_t page = levelBase + static_cast<std::uint32_t>(p * kPageSize);
            node.left = p > 0 ? page - kPageSize : kNoPage;
            node.right = p + 1 < n ? page + kPageSize : kNoPage;
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
    WriteAt(base, buffer.data(), buffer.size());
    tag.count_ = order.size();
    tag.countKnown_ = true;
    return base + static_cast<std::uint32_t>((pageCount - 1) * kPageSize);
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
            cache_.erase(page);
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
void CdxFile::VerifyTag(CdxTag& tag, std::vector<std::uint8_t>& seen)
{
    const int keyLength = tag.format_.keyLength;
    const std::string what = tag.header_ == 0 ? std::string("Das Tag-Verzeichnis") : "Der Index " + tag.name_;
    std::vector<std::uint32_t> level{tag.root_};
    std::size_t count = 0;
    for (int depth = 0; !level.empty(); ++depth) {
        if (depth > kMaxDepth)
            throw CdxError(what + " ist zu tief verschachtelt");
        std::vector<std::uint32_t> next;
        std::string lastKey;
        std::uint32_t lastRecno = 0;
        bool haveLast = false;
        bool leafLevel = false;
        for (std::size_t i = 0; i < level.size(); ++i) {
            const std::uint32_t page = level[i];
            const CdxNode& node = Node(tag, page);
            std::uint8_t& mark = seen.at(page / kPageSize);
            if (mark)
                throw CdxError(what + " ist beschädigt: Seite " + std::to_string(page) + " wird mehrfach verwendet");
            mark = 1;
            if (i == 0)
                leafLevel = node.leaf;
            if (node.leaf != leafLevel)
                throw CdxError(what + " ist beschädigt: Blätter auf verschiedenen Ebenen");
            if (node.root != (depth == 0))
                throw CdxError(what + " ist beschädigt: Wurzelkennung falsch gesetzt");
            if (node.left != (i > 0 ? level[i - 1] : kNoPage) || node.right != (i + 1 < level.size() ? level[i + 1] : kNoPage))
                throw CdxError(what + " ist beschädigt: Geschwisterverweise passen nicht (Seite " + std::to_string(page) + ")");
            if (node.Count() == 0 && depth > 0)
                throw CdxError(what + " ist beschädigt: leere Seite " + std::to_string(page));
            for (std::size_t k = 0; k < node.Count(); ++k) {
                const std::string_view key = node.Key(k, keyLength);
                if (haveLast) {
                    const int c = key.compare(lastKey);
                    if (c < 0 || (c == 0 && node.recnos[k] <= lastRecno))
                        throw CdxError(what + " ist beschädigt: Schlüssel nicht in Reihenfolge");
                }
                if (!node.leaf) {
                    // The entry bounds its child from above, the entry before
                    // it from below.
                    const CdxNode& child = Node(tag, node.children[k]);
                    if (child.Count() > 0) {
                        const std::string_view childLast = child.Key(child.Count() - 1, keyLength);
                        int c = childLast.compare(key);
                        if (c > 0 || (c == 0 && child.recnos.back() > node.recnos[k]))
                            throw CdxError(what + " ist beschädigt: innerer Schlüssel kleiner als sein Teilbaum");
                        c = child.Key(0, keyLength).compare(lastKey);
                        if (haveLast && (c < 0 || (c == 0 && child.recnos.front() <= lastRecno)))
                            throw CdxError(what + " ist beschädigt: Teilbaum überlappt seinen Vorgänger");
                    }
                    next.push_back(node.children[k]);
                }
                lastKey.assign(key);
                lastRecno = node.recnos[k];
                haveLast = true;
            }
            if (node.leaf)
                count += node.Count();
        }
        if (leafLevel && !next.empty())
            throw CdxError(what + " ist beschädigt");
        level = std::move(next);
    }
    if (tag.countKnown_ && tag.count_ != count)
        throw CdxError(what + ": Schlüsselanzahl stimmt nicht");
}

void CdxFile::Verify()
{
    if (fd_ < 0)
        throw CdxError("Die Indexdatei ist geschlossen");
    std::vector<std::uint8_t> seen(fileEnd_ / kPageSize, 0);
    seen[0] = seen[1] = 1;
    VerifyTag(*directory_, seen);
    for (auto& tag : tags_) {
        if (tag->NeedsRebuild())
            throw CdxError(tag->RebuildReason());
        seen.at(tag->header_ / kPageSize) = 1;
        seen.at(tag->header_ / kPageSize + 1) = 1;
    }
    for (auto& tag : tags_)
        VerifyTag(*tag, seen);
    TrimCache();
}

}  // namespace dbfcdx
