// One tag's tree: seeks, moves, inserts and deletes with their splits
// and merges (the file part is in cdx_file.cpp).
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
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace dbfcdx {

using namespace internal;

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
    file_.ClearCache();
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

void CdxTag::MissedChange()
{
    if (!rebuildReason_.empty() || !collationMismatch_)
        return;
    rebuildReason_ = "Der Index " + name_ + " hat Änderungen der Tabelle versäumt";
    if (file_.readOnly_ || !file_.brokenReason_.empty())
        return;
    // Not counted as dirty on disk (nor as changed): a flush leaves the mark
    // until the rebuild. The header written here is the tag's current one.
    // Shared: the version counts up, so others read the header.
    file_.WriteHeader(*this, true);
    dirtyOnDisk_ = headerChanged_ = false;
    if (file_.shared_)
        file_.directory_->headerChanged_ = true;
}

void CdxTag::ApplyCollation(const CdxCollation& collation)
{
    // A tag in machine order is used in machine order under any table: its
    // weights are known. One built with another table is set aside.
    collationMismatch_ = keyType_ == CdxKeyType::Character && collationChecksum_ != 0 &&
                         collationChecksum_ != collation.Checksum();
    if (!collationMismatch_)
        collation_ = keyType_ == CdxKeyType::Character && collationChecksum_ != 0 ? collation : CdxCollation();
}

void CdxFile::SetCollation(const CdxCollation& collation)
{
    collation_ = collation;
    for (auto& tag : tags_)
        tag->ApplyCollation(collation);
}

std::string CdxTag::FormKey(std::string_view key) const
{
    std::string stored;
    FormKeyInto(key, stored);
    return stored;
}

void CdxTag::FormKeyInto(std::string_view key, std::string& out) const
{
    out.assign(key.substr(0, std::min<std::size_t>(key.size(), format_.keyLength)));
    out.resize(format_.keyLength, static_cast<char>(format_.padByte));
    if (keyType_ == CdxKeyType::Character)
        collation_.Apply(out);
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

// (Inline: the searches call it most.)
inline int CdxTag::Compare(const CdxNode& node, std::size_t i, std::string_view probe, std::uint32_t recno) const
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

const CdxNode* CdxTag::FingerLeaf(std::string_view probe, std::uint32_t recno)
{
    if (finger_.empty() || finger_.front().page != root_)
        return nullptr;
    const std::size_t last = finger_.size() - 1;
    for (std::size_t level = 0; level < last; ++level) {
        const CdxNode& node = file_.Node(*this, finger_[level].page);
        const std::size_t index = finger_[level].index;
        if (node.leaf || index >= node.children.size() || node.children[index] != finger_[level + 1].page)
            return nullptr;
    }
    const CdxNode& leaf = file_.Node(*this, finger_[last].page);
    if (!leaf.leaf || leaf.Count() == 0 || Compare(leaf, 0, probe, recno) >= 0)
        return nullptr;
    if (leaf.right != kNoPage && Compare(leaf, leaf.Count() - 1, probe, recno) < 0)
        return nullptr;
    return &leaf;
}

CdxTag::Position CdxTag::Descend(std::string_view probe, std::uint32_t recno, std::vector<PathStep>& path)
{
    if (const CdxNode* leaf = FingerLeaf(probe, recno)) {
        // The first entry is below the probe: the search starts after it.
        // Ascending probes mostly land at or just after the place of the one
        // before (kept in the finger): looked at first.
        std::size_t lo = 1, hi = leaf->Count();
        const std::size_t before = finger_.back().index;
        if (before > lo && before <= hi) {
            if (Compare(*leaf, before - 1, probe, recno) < 0)
                lo = before;
            else
                hi = before - 1;
        }
        for (int step = 0; step < 2 && lo < hi; ++step) {
            if (Compare(*leaf, lo, probe, recno) >= 0)
                hi = lo;
            else
                ++lo;
        }
        while (lo < hi) {
            const std::size_t mid = (lo + hi) / 2;
            if (Compare(*leaf, mid, probe, recno) < 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        finger_.back().index = lo;
        path.assign(finger_.begin(), finger_.end());
        return {path.back().page, lo};
    }
    path.clear();
    const Position position = LowerBound(probe, recno, &path);
    finger_.assign(path.begin(), path.end());
    return position;
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

void CdxTag::ScanFrom(CdxCursor& cursor, ScanVisitor visit)
{
    while (cursor.valid_) {
        CheckUsable();
        file_.TrimCache();
        // The cursor's entry, or the first after it when the tag changed.
        bool onEntry = false;
        if (!Resync(cursor, onEntry)) {
            Place({kNoPage, 0}, cursor);
            return;
        }
        const Position start = Normalize({cursor.page_, cursor.index_});
        if (start.page == kNoPage) {
            Place(start, cursor);
            return;
        }
        const CdxNode& node = file_.Node(*this, start.page);
        const std::size_t count = node.Count();
        const int length = format_.keyLength;
        for (std::size_t i = start.index; i < count; ++i) {
            // Each key above the one before, as Next checks it.
            if (i > start.index && Compare(node, i, node.Key(i - 1, length), node.recnos[i - 1]) <= 0)
                throw CdxError("Der Index " + name_ + " ist beschädigt: Schlüssel nicht in Reihenfolge");
            if (!visit.call(visit.self, node.Key(i, length), node.recnos[i])) {
                Place({start.page, i}, cursor);
                return;
            }
        }
        // On to the next leaf, from the leaf's last entry.
        Place({start.page, count - 1}, cursor);
        Next(cursor);
    }
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

void CdxTag::ForEachRecord(const std::function<void(std::uint32_t)>& visit)
{
    CheckUsable();
    file_.TrimCache();
    // Leaves that are not cached are read ahead in runs of pages (a build
    // writes them one after the other) and only their record numbers are
    // decoded; cached ones are taken as they are (they may hold changes not
    // yet written).
    constexpr std::size_t kReadAhead = 128 * kPageSize;
    std::vector<std::uint8_t> ahead;
    std::uint64_t aheadStart = 0;
    std::vector<std::uint32_t> records;
    std::uint32_t page = LeftmostLeaf(false);
    const std::uint64_t maxHops = file_.fileEnd_ / kPageSize + 1;
    for (std::uint64_t hops = 0; page != kNoPage; ++hops) {
        if (hops > maxHops)
            throw CdxError("Der Index " + name_ + " ist beschädigt: Geschwisterverweise bilden eine Schleife");
        const CdxFile::CachedNode* cached = file_.Cached(page);
        if (cached && !cached->stale) {
            const CdxNode& node = file_.Node(*this, page);
            if (!node.leaf)
                throw CdxError("Der Index " + name_ + " ist beschädigt: Blattverweis zeigt auf inneren Knoten");
            for (const std::uint32_t recno : node.recnos)
                visit(recno);
            page = node.right;
            continue;
        }
        if (page % kPageSize != 0 || page < kHeaderSize || page + std::uint64_t{kPageSize} > file_.fileEnd_)
            throw CdxError("Der Index " + name_ + " ist beschädigt: Seitenverweis " + std::to_string(page) +
                           " außerhalb der Datei");
        if (page < aheadStart || page + std::uint64_t{kPageSize} > aheadStart + ahead.size()) {
            aheadStart = page;
            ahead.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kReadAhead, file_.fileEnd_ - page)));
            file_.ReadAt(page, ahead.data(), ahead.size());
        }
        std::uint32_t right = kNoPage;
        CdxLeafRecords(ahead.data() + (page - aheadStart), page, records, right);
        for (const std::uint32_t recno : records)
            visit(recno);
        page = right;
    }
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
    if (node.leaf && node.countsFor == node.keys.size()) {
        // The same choice from the leaf's kept counts, without trial nodes.
        while (split > 1 && CdxLeafRangeBytes(node, format_, 0, split) > kPageSize)
            --split;
        while (split + 1 < node.Count() && CdxLeafRangeBytes(node, format_, split, node.Count()) > kPageSize)
            ++split;
        right = take(split);
    } else {
        while (split > 1 && !leftFits(split))
            --split;
        right = take(split);
        while (split + 1 < node.Count() && !CdxNodeFits(right, format_))
            right = take(++split);
    }
    node.keys.resize(split * keyLength);
    node.recnos.resize(split);
    if (node.leaf)
        CdxLeafSplitCounts(node, right, format_, split);
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
        target.countsFor = CdxNode::kUnknownSize;
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
    FormKeyInto(key, stored_);
    return file_.Guarded([&] { return DoInsert(stored_, recno); });
}

bool CdxTag::InsertStored(std::string_view stored, std::uint32_t recno)
{
    if (stored.size() != static_cast<std::size_t>(format_.keyLength))
        throw std::invalid_argument("CdxTag::InsertStored: key of another length");
    return file_.Guarded([&] { return DoInsert(stored, recno); });
}

bool CdxTag::DoInsert(std::string_view stored, std::uint32_t recno)
{
    CheckUsable();
    file_.CheckWritable();
    if (recno == 0)
        throw CdxError("Satznummer 0 kann nicht in den Index " + name_ + " aufgenommen werden");
    file_.TrimCache();
    std::vector<PathStep>& path = path_;
    if (Unique()) {
        const Position first = Normalize(Descend(stored, 0, path));
        if (first.page != kNoPage &&
            file_.Node(*this, first.page).Key(first.index, format_.keyLength) == stored)
            return false;
    }
    const Position position = Descend(stored, recno, path);
    {
        const CdxNode& leaf = file_.Node(*this, position.page);
        if (position.index < leaf.Count() && leaf.recnos[position.index] == recno &&
            leaf.Key(position.index, format_.keyLength) == stored)
            return false;
    }
    MarkChanged();
    CdxNode& leaf = file_.Node(*this, position.page);
    // The leaf's kept counts follow the insert: the new key's own and the
    // key after it (whose neighbour it becomes).
    CdxLeafDataBytes(leaf, format_);
    leaf.keys.insert(position.index * format_.keyLength, stored);
    leaf.recnos.insert(leaf.recnos.begin() + position.index, recno);
    CdxLeafKeyInserted(leaf, format_, position.index);
    file_.TouchLeaf(position.page, position.index, true);
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
    FormKeyInto(key, stored_);
    return file_.Guarded([&] { return DoDelete(stored_, recno); });
}

bool CdxTag::DoDelete(std::string_view stored, std::uint32_t recno)
{
    CheckUsable();
    file_.CheckWritable();
    file_.TrimCache();
    std::vector<PathStep>& path = path_;
    const Position position = Descend(stored, recno, path);
    {
        const CdxNode& leaf = file_.Node(*this, position.page);
        if (position.index >= leaf.Count() || leaf.recnos[position.index] != recno ||
            leaf.Key(position.index, format_.keyLength) != stored)
            return false;
    }
    MarkChanged();
    CdxNode& leaf = file_.Node(*this, position.page);
    // As in the insert: the removed key's counts go, the next key is then
    // compared with the one before the removed key.
    CdxLeafDataBytes(leaf, format_);
    leaf.keys.erase(position.index * format_.keyLength, format_.keyLength);
    leaf.recnos.erase(leaf.recnos.begin() + position.index);
    CdxLeafKeyRemoved(leaf, format_, position.index);
    file_.TouchLeaf(position.page, position.index, false);
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
    if (this == file_.directory_.get() && file_.coveredKnown_) {
        p[kEngineCountKnown] = 1;
        PutLe32(p + kEngineRecordCount, file_.covered_);
    }
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

}  // namespace dbfcdx
