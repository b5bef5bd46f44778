#include "platform/dbf/query_plan.h"

#include <array>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/dbf/expr_expression.h"
#include "platform/dbf/expr_key.h"
#include "platform/dbf/expr_program.h"
#include "platform/dbf/expr_text.h"

namespace dbf {

namespace {

using dbfexpr::ExprCondition;
using dbfexpr::ExprRel;
using dbfexpr::ExprType;
using dbfexpr::QueryBitmap;

// What is known of one part for each record: certainly true, certainly
// false (evaluated without failing), certainly not true (false, or failing).
// Certainly false records are among the not-true ones, the true and the
// not-true ones never meet. A record in none of the sets must be evaluated.
// A part that cannot fail has no failing records: its not-true records are
// its false ones, kept once (`notTrueIsFalse`) until the two differ.
class Part {
public:
    // Nothing known.
    explicit Part(std::uint32_t count) : isTrue(count), isFalse(count), notTrueIsFalse_(true) {}
    // A part that cannot fail.
    Part(QueryBitmap trueRecords, QueryBitmap falseRecords)
        : isTrue(std::move(trueRecords)), isFalse(std::move(falseRecords)), notTrueIsFalse_(true)
    {
    }

    QueryBitmap isTrue, isFalse;

    const QueryBitmap& NotTrue() const { return notTrueIsFalse_ ? isFalse : notTrue_; }
    // The not-true records to change on their own (isFalse may change next).
    QueryBitmap& OwnNotTrue()
    {
        if (notTrueIsFalse_) {
            notTrue_ = isFalse;
            notTrueIsFalse_ = false;
        }
        return notTrue_;
    }
    // The not-true records are the false ones from now on.
    void NotTrueIsFalse()
    {
        notTrue_ = QueryBitmap();
        notTrueIsFalse_ = true;
    }
    QueryBitmap TakeNotTrue() { return notTrueIsFalse_ ? std::move(isFalse) : std::move(notTrue_); }

private:
    QueryBitmap notTrue_;
    bool notTrueIsFalse_;
};

dbfcdx::CdxKeyType KeyTypeOf(ExprType type)
{
    switch (type) {
    case ExprType::Character: return dbfcdx::CdxKeyType::Character;
    case ExprType::Numeric: return dbfcdx::CdxKeyType::Numeric;
    case ExprType::Date: return dbfcdx::CdxKeyType::Date;
    case ExprType::Logical: return dbfcdx::CdxKeyType::Logical;
    }
    return dbfcdx::CdxKeyType::Character;
}

// The byte of each weight when no two bytes share one.
bool Inverse(const dbfcdx::CdxCollation& collation, std::array<std::uint8_t, 256>& inverse)
{
    std::array<bool, 256> seen{};
    for (int b = 0; b < 256; ++b) {
        const std::uint8_t w = collation.Weight(static_cast<std::uint8_t>(b));
        if (seen[w])
            return false;
        seen[w] = true;
        inverse[w] = static_cast<std::uint8_t>(b);
    }
    return true;
}

// How a tag can answer a comparison of `subject`: its key is the subject's
// value (Exact), or UPPER() or LOWER() of it (an equality then finds its
// candidates under the folded constant).
enum class KeyFit { None, Exact, Folded };

KeyFit FitOf(const IndexTag& tag, const dbfexpr::ExprProgram& subject, bool& upper)
{
    if (!tag.tag || !tag.key || tag.tag->NeedsRebuild() || tag.tag->KeyType() != KeyTypeOf(subject.type))
        return KeyFit::None;
    if (subject.type == ExprType::Character &&
        (!subject.widthFixed || subject.width != static_cast<std::size_t>(tag.tag->KeyLength())))
        return KeyFit::None;
    if (!dbfexpr::ExprCannotFail(subject))
        return KeyFit::None;
    const dbfexpr::ExprProgram& key = tag.key->Program();
    if (dbfexpr::ExprSameComputation(key, subject))
        return KeyFit::Exact;
    if (dbfexpr::ExprCaseFoldOf(key, subject, upper))
        return KeyFit::Folded;
    return KeyFit::None;
}

// Records few enough (and a small share of the table) to be read and
// evaluated rather than narrowed further by another tag.
constexpr std::uint32_t kFewToRead = 64;

class Planner {
public:
    Planner(DbfTable& table, const std::vector<OpenTag>& tags, std::uint32_t count, bool exact)
        : table_(table), tags_(tags), count_(count), exact_(exact) {}

    Part Answer(const ExprCondition& c)
    {
        switch (c.kind) {
        case ExprCondition::Kind::And: {
            // a false: false; a true: b; a failing: failing.
            Part a = Answer(c.parts[0]);
            // When a leaves few records possible, reading them costs less
            // than walking b's keys (a wide date range, say): b is left to
            // the evaluation.
            const std::uint32_t possible = count_ - a.NotTrue().Count();
            if (possible <= kFewToRead && possible < count_ / 16) {
                a.isTrue.ClearAll();  // true only where b is: not known
                return a;
            }
            const Part b = Answer(c.parts[1]);
            QueryBitmap& notTrue = a.OwnNotTrue();
            a.isFalse.OrWithBoth(a.isTrue, b.isFalse);
            a.isTrue.AndWith(b.isTrue);
            notTrue.OrWith(b.NotTrue());
            return a;
        }
        case ExprCondition::Kind::Or: {
            // a true: true; a false: b; a failing: failing.
            Part a = Answer(c.parts[0]);
            const Part b = Answer(c.parts[1]);
            QueryBitmap& notTrue = a.OwnNotTrue();
            a.isTrue.OrWithBoth(a.isFalse, b.isTrue);
            a.isFalse.AndWith(b.isFalse);
            notTrue.AndWith(b.NotTrue());
            return a;
        }
        case ExprCondition::Kind::Not: {
            // A failing part fails here too: only what was certain turns.
            Part a = Answer(c.parts[0]);
            std::swap(a.isTrue, a.isFalse);
            a.NotTrueIsFalse();
            return a;
        }
        case ExprCondition::Kind::Compare: return FromTags(c);
        case ExprCondition::Kind::Other: break;
        }
        return Part(count_);
    }

private:
    Part FromTags(const ExprCondition& c)
    {
        // After a fault the index files are made anew: the tags known here
        // are gone, the rest is left to the records.
        if (failed_)
            return Part(count_);
        // A tag whose key is the subject itself first.
        for (const KeyFit wanted : {KeyFit::Exact, KeyFit::Folded}) {
            for (const OpenTag& open : tags_) {
                bool upper = false;
                if (!open.file || !open.file->cdx || FitOf(*open.tag, *c.subject, upper) != wanted)
                    continue;
                const bool equality = c.relation == ExprRel::Eq || c.relation == ExprRel::ExactEq;
                if (wanted == KeyFit::Folded && !equality)
                    continue;
                try {
                    Part part = open.file->cdx->ReadAccess([&] {
                        return Walk(*open.tag, c, wanted == KeyFit::Folded, upper);
                    });
                    table_.Indexes().RebuildDeferred();
                    if (part.isTrue.Count() != 0 || part.NotTrue().Count() != 0 || count_ == 0)
                        return part;
                } catch (const dbfcdx::CdxError& e) {
                    // A damaged file is made anew; this part is left to the records.
                    failed_ = true;
                    table_.Indexes().RebuildAfterError(*open.file, e);
                    return Part(count_);
                }
            }
        }
        return Part(count_);
    }

    // The entries of the key range the comparison can hold. Each key is
    // turned back into its value and compared as the expression does; keys
    // that cannot be turned back (folded case, sort weights shared by
    // several bytes) give candidates only.
    Part Walk(IndexTag& indexTag, const ExprCondition& c, bool folded, bool upper)
    {
        dbfcdx::CdxTag& tag = *indexTag.tag;
        const bool character = c.constantType == ExprType::Character;
        const dbfcdx::CdxCollation& collation = tag.Collation();
        std::array<std::uint8_t, 256> inverse{};
        const bool machineOrder = !character || collation.IsMachineOrder();
        const bool exactKeys = !folded && (machineOrder || Inverse(collation, inverse));
        const bool equality = c.relation == ExprRel::Eq || c.relation == ExprRel::ExactEq;
        // Key order is the comparison's order for numbers, dates, logicals
        // and characters in machine order; otherwise an equality still finds
        // its keys under one stored prefix, and other comparisons read every
        // key.
        if (!exactKeys && !equality)
            return Part(count_);

        std::string probe;
        if (character) {
            probe = c.text.substr(0, std::min<std::size_t>(c.text.size(), std::size_t(tag.KeyLength())));
            if (folded)
                for (char& ch : probe)
                    ch = static_cast<char>(upper ? dbfexpr::ExprUpper(static_cast<unsigned char>(ch))
                                                 : dbfexpr::ExprLower(static_cast<unsigned char>(ch)));
        } else if (c.constantType == ExprType::Logical) {
            probe = c.number != 0 ? 'T' : 'F';
        } else {
            std::uint8_t key[dbfexpr::kNumericKeyLength];
            dbfexpr::ExprNumericKey(c.number, key);
            probe.assign(reinterpret_cast<const char*>(key), sizeof key);
        }
        const bool ordered = machineOrder && !folded;
        const bool fromProbe = equality || (ordered && (c.relation == ExprRel::Gt || c.relation == ExprRel::Ge));
        const bool endsAbove = c.relation == ExprRel::Eq || c.relation == ExprRel::ExactEq ||
                               c.relation == ExprRel::Lt || c.relation == ExprRel::Le;
        // Out of key order an equality's keys share the probe's stored prefix.
        const bool byPrefix = !ordered && equality;
        const std::string prefix = byPrefix ? (character ? collation.Applied(probe) : probe) : std::string();

        // The entries found: true ones, or the candidates (all but them are
        // false) when the keys cannot be turned back into values.
        QueryBitmap hits(count_);
        dbfcdx::CdxCursor cursor;
        if (fromProbe)
            tag.SeekSoft(probe, cursor);
        else
            tag.First(cursor);
        std::string value;
        for (; cursor.Valid(); tag.Next(cursor)) {
            const std::string_view key = cursor.Key();
            if (byPrefix && key.substr(0, prefix.size()) != std::string_view(prefix))
                break;
            if (!exactKeys) {
                hits.Set(cursor.RecNo());
                continue;
            }
            int cmp = 0;
            bool holds = false;
            if (character) {
                if (machineOrder) {
                    value.assign(key);
                } else {
                    value.resize(key.size());
                    for (std::size_t i = 0; i < key.size(); ++i)
                        value[i] = static_cast<char>(inverse[static_cast<std::uint8_t>(key[i])]);
                }
                if (c.relation == ExprRel::ExactEq) {
                    cmp = dbfexpr::ExprCompareText(value, c.text, true);
                    holds = value == c.text;
                } else {
                    cmp = dbfexpr::ExprCompareText(value, c.text, exact_);
                    holds = dbfexpr::ExprRelate(cmp, c.relation);
                }
            } else {
                double v = 0;
                if (c.constantType == ExprType::Logical) {
                    v = !key.empty() && key[0] == 'T' ? 1 : 0;
                } else if (key.size() == dbfexpr::kNumericKeyLength) {
                    v = dbfexpr::ExprNumericFromKey(reinterpret_cast<const std::uint8_t*>(key.data()));
                }
                cmp = v < c.number ? -1 : v > c.number ? 1 : 0;
                holds = dbfexpr::ExprRelate(cmp, c.relation);
            }
            if (holds)
                hits.Set(cursor.RecNo());
            else if (ordered && endsAbove && cmp > 0)
                break;
        }
        // Records with an entry are false unless found (the subject cannot
        // fail); records without one are left to the evaluation.
        const QueryBitmap* entries = TagEntries(indexTag, count_);
        QueryBitmap isFalse = entries ? *entries : QueryBitmap(count_, true);
        isFalse.AndNotWith(hits);
        if (!exactKeys)
            hits.ClearAll();
        return Part(std::move(hits), std::move(isFalse));
    }

    DbfTable& table_;
    const std::vector<OpenTag>& tags_;
    std::uint32_t count_;
    bool exact_;
    bool failed_ = false;
};

}  // namespace

const QueryBitmap* TagEntries(IndexTag& tag, std::uint32_t count)
{
    if (!tag.tag->HasFor() && !tag.tag->Unique() && !tag.condition)
        return nullptr;
    IndexTag::Entries& e = tag.entries;
    if (e.stamp != tag.tag->Stamp() || e.records.Size() != count) {
        e.records = QueryBitmap(count);
        tag.tag->ForEachRecord([&](std::uint32_t r) { e.records.Set(r); });
        e.stamp = tag.tag->Stamp();
    }
    return &e.records;
}

bool TagEntriesOf(DbfTable& table, IndexFile& file, IndexTag& tag, std::uint32_t count,
                  const QueryBitmap*& entries)
{
    if (!file.cdx || !tag.tag || tag.tag->NeedsRebuild())
        return false;
    try {
        entries = file.cdx->ReadAccess([&] { return TagEntries(tag, count); });
        table.Indexes().RebuildDeferred();
        return true;
    } catch (const dbfcdx::CdxError& e) {
        table.Indexes().RebuildAfterError(file, e);
        return false;
    }
}

IndexAnswer AnswerFromIndexes(DbfTable& table, const std::vector<OpenTag>& tags,
                              const ExprCondition& condition, std::uint32_t count, bool exact,
                              QueryBitmap& bits)
{
    table.Indexes().Settle();
    Planner planner(table, tags, count, exact);
    Part answer = planner.Answer(condition);
    // Every record that is not certainly not true: the certainly true ones
    // and those to evaluate. (The true and not-true records never meet.)
    const std::uint32_t known = answer.isTrue.Count() + answer.NotTrue().Count();
    if (known == 0 && count > 0)
        return IndexAnswer::None;
    bits = answer.TakeNotTrue();
    bits.Invert();
    return known == count ? IndexAnswer::Exact : IndexAnswer::Candidates;
}

}  // namespace dbf
