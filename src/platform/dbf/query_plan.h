// Answers a query, or the parts of it that compare a tag's key expression
// with a constant, from the open index tags: a seek and a walk of the key
// range instead of reading every record. Parts joined by .AND., .OR. and
// .NOT. combine as bitmaps; a part no tag answers leaves every record a
// candidate.
//
// A tag answers a comparison only when its keys are exactly the values the
// comparison sees: no FOR condition, not unique, usable with the engine's
// sort-weight table, a key expression computing the same value that cannot
// fail, and a character key as wide as the value; for a date field also a
// tag keyed on DTOS() of it, and for DTOS() of a date field a tag keyed on
// the field. The key of each entry is turned back into that value and
// compared as the expression compares, so EXACT, trailing blanks and the
// sort weights never change the answer. A lower and an upper bound of one
// subject joined by .AND. (BETWEEN) are one walk of their key range.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/dbf/expr_compiler.h"
#include "platform/dbf/expr_query_bitmap.h"
#include "platform/dbf/table_indexes.h"

namespace dbf {

enum class IndexAnswer {
    None,        // nothing taken from the tags: evaluate every record
    Candidates,  // the bits hold every record that may pass: evaluate those
    Exact,       // the bits are the answer
};

struct OpenTag {
    IndexFile* file = nullptr;
    IndexTag* tag = nullptr;
    bool operator==(const OpenTag&) const = default;
};

// The tags that fit one compared subject, best first: the tag's place in
// the list of open tags, its fit (low bits) and upper case (bit 3).
struct TagFit {
    std::uint32_t index = 0;
    std::uint8_t fit = 0;
};

// How the tags fit each compared subject of one condition, kept with the
// compiled condition while the tags are the same (the index files'
// generation and the list of tags, or the number the caller gave that
// list): a query set again does not match every tag's key against its
// subjects again, nor look at the tags that fit none.
struct PlanCache {
    std::uint64_t generation = 0;
    std::uint64_t tagsVersion = 0;
    std::vector<OpenTag> tags;  // (when no version was given)
    std::vector<std::pair<const dbfexpr::ExprCondition*, std::vector<TagFit>>> fits;
    // What a walk of a tag works with, kept so the next query needs no new
    // buffers.
    struct WalkScratch {
        dbfcdx::CdxCursor cursor;
        std::string probe, value, lastKey;
    } scratch;
};

// Fills `bits` (records 1..count) for `condition` from `tags`. `exact` is
// SET EXACT as the query's comparisons see it. `listed`, when given, gets
// the records set in `bits` in order when the tags left few of them (and
// is left empty otherwise), so they need no search through the bits.
// `tagsVersion`, when not 0, names the list `tags` (the caller gives a new
// number whenever the list changes): the cache then needs no copy and no
// comparison of it. `unknown`, when given, gets those of the `listed`
// records the tags left undecided (the others are certainly true), in
// order; it is left empty when nothing is listed.
IndexAnswer AnswerFromIndexes(DbfTable& table, const std::vector<OpenTag>& tags,
                              const dbfexpr::ExprCondition& condition, std::uint32_t count, bool exact,
                              dbfexpr::QueryBitmap& bits, std::vector<std::uint32_t>* listed = nullptr,
                              PlanCache* cache = nullptr, std::uint64_t tagsVersion = 0,
                              std::vector<std::uint32_t>* unknown = nullptr);

// The records with an entry in `tag`: null when that is every record (no
// FOR condition, not unique), else collected from its leaves and kept while
// the tag is unchanged. Call within an access of the tag's file.
const dbfexpr::QueryBitmap* TagEntries(IndexTag& tag, std::uint32_t count);
// The same within its own access; false when the tag cannot be read (a
// damaged file is then rebuilt).
bool TagEntriesOf(DbfTable& table, IndexFile& file, IndexTag& tag, std::uint32_t count,
                  const dbfexpr::QueryBitmap*& entries);

}  // namespace dbf
