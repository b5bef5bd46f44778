// The full check of a CDX file: levels, sibling links, interior keys
// against their subtrees, pages used twice.
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
