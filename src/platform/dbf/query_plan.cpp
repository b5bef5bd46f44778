#include "platform/dbf/query_plan.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "platform/dbf/engine_settings.h"
#include "platform/dbf/expr_date.h"
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
//
// A part that leaves few records other than false (a tag's few hits) is kept
// as two short lists instead, the true records and those to evaluate, every
// other record false: no pass over whole bitmaps while it stays so. Spread()
// makes the bitmaps when parts combine in ways the lists do not follow.
class Part {
public:
    // Nothing known.
    explicit Part(std::uint32_t count) : isTrue(count), isFalse(count), notTrueIsFalse_(true) {}
    // A part that cannot fail.
    Part(QueryBitmap trueRecords, QueryBitmap falseRecords)
        : isTrue(std::move(trueRecords)), isFalse(std::move(falseRecords)), notTrueIsFalse_(true)
    {
    }
    // Every record false but `trueRecords` and `unknown` (sorted, disjoint).
    static Part Listed(std::uint32_t count, std::vector<std::uint32_t> trueRecords,
                       std::vector<std::uint32_t> unknown)
    {
        Part p;
        p.listed_ = true;
        p.count_ = count;
        p.trueList_ = std::move(trueRecords);
        p.unknownList_ = std::move(unknown);
        return p;
    }

    QueryBitmap isTrue, isFalse;

    bool IsListed() const { return listed_; }
    // Listed: the records not false (true or to evaluate).
    std::uint32_t ListedCount() const { return std::uint32_t(trueList_.size() + unknownList_.size()); }
    const std::vector<std::uint32_t>& UnknownList() const { return unknownList_; }
    // Listed: nothing is certainly true any more; the true records join
    // those to evaluate.
    void ForgetTrue()
    {
        unknownList_ = Joined(std::move(trueList_), std::move(unknownList_));
        trueList_.clear();
    }
    // Listed: the records not false (true and to evaluate), in order.
    std::vector<std::uint32_t> TakeListed() { return Joined(std::move(trueList_), std::move(unknownList_)); }
    // Two sorted, disjoint lists as one.
    static std::vector<std::uint32_t> Joined(std::vector<std::uint32_t> a, std::vector<std::uint32_t> b)
    {
        if (a.empty())
            return b;
        if (b.empty())
            return a;
        std::vector<std::uint32_t> all;
        all.reserve(a.size() + b.size());
        std::merge(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(all));
        return all;
    }
    // Whether anything is known of any record.
    bool KnowsAny() const
    {
        if (listed_)
            return unknownList_.size() < count_;
        return isTrue.Count() != 0 || NotTrue().Count() != 0;
    }
    // The bitmaps of a listed part.
    void Spread()
    {
        if (!listed_)
            return;
        listed_ = false;
        isTrue = QueryBitmap(count_);
        for (const std::uint32_t r : trueList_)
            isTrue.Set(r);
        isFalse = QueryBitmap(count_, true);
        for (const std::uint32_t r : trueList_)
            isFalse.Clear(r);
        for (const std::uint32_t r : unknownList_)
            isFalse.Clear(r);
        trueList_.clear();
        unknownList_.clear();
        NotTrueIsFalse();
    }

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
    Part() = default;
    QueryBitmap notTrue_;
    bool notTrueIsFalse_ = true;
    bool listed_ = false;
    std::uint32_t count_ = 0;
    std::vector<std::uint32_t> trueList_, unknownList_;
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
bool Inverse(const dbfcdx::CdxCollation& collation, std::array<std::uint8_t, 256>& inverse,
             std::array<bool, 256>& known)
{
    std::array<bool, 256> seen{};
    for (int b = 0; b < 256; ++b) {
        const std::uint8_t w = collation.Weight(static_cast<std::uint8_t>(b));
        if (seen[w])
            return false;
        seen[w] = true;
        inverse[w] = static_cast<std::uint8_t>(b);
    }
    known.fill(true);
    return true;
}

// The bytes DTOS() gives: the blank of the empty date, then the digits.
constexpr std::string_view kDtosBytes = " 0123456789";

// The byte of the weight of each DTOS() byte, when the table weighs them in
// their own order: the keys of DTOS() values then sort as the values do.
bool DtosInverse(const dbfcdx::CdxCollation& collation, std::array<std::uint8_t, 256>& inverse,
                 std::array<bool, 256>& known)
{
    int last = -1;
    for (const char ch : kDtosBytes) {
        const std::uint8_t w = collation.Weight(static_cast<std::uint8_t>(ch));
        if (w <= last)
            return false;
        last = w;
        inverse[w] = static_cast<std::uint8_t>(ch);
        known[w] = true;
    }
    return true;
}

bool EndsInDtos(const dbfexpr::ExprProgram& program)
{
    if (program.code.empty())
        return false;
    const dbfexpr::ExprInstr& last = program.code.back();
    return last.op == dbfexpr::ExprOp::Call && static_cast<dbfexpr::ExprFn>(last.sub) == dbfexpr::ExprFn::Dtos;
}

bool IsEquality(ExprRel relation) { return relation == ExprRel::Eq || relation == ExprRel::ExactEq; }
bool IsLowerBound(ExprRel relation) { return relation == ExprRel::Gt || relation == ExprRel::Ge; }
bool IsUpperBound(ExprRel relation) { return relation == ExprRel::Lt || relation == ExprRel::Le; }

// How a tag can answer a comparison of `subject`: its key is the subject's
// value (Exact), or UPPER() or LOWER() of it (an equality then finds its
// candidates under the folded constant); for a date field, its key is
// DTOS() of the subject (DtosKey), or the subject is DTOS() of its key
// (DateKey): each key is then turned into the subject's value.
enum class KeyFit { None, Exact, Folded, DtosKey, DateKey };

// (The subject must not fail: the caller checks that once for all tags;
// and whether the tag needs a rebuild, at its use.)
KeyFit FitOf(const IndexTag& tag, const dbfexpr::ExprProgram& subject, bool& upper)
{
    if (!tag.tag || !tag.key)
        return KeyFit::None;
    const dbfexpr::ExprProgram& key = tag.key->Program();
    const dbfcdx::CdxKeyType keyType = tag.tag->KeyType();
    if (keyType != KeyTypeOf(subject.type)) {
        if (subject.type == ExprType::Date && keyType == dbfcdx::CdxKeyType::Character &&
            tag.tag->KeyLength() == 8 && dbfexpr::ExprDtosOfDateField(key, subject))
            return KeyFit::DtosKey;
        if (subject.type == ExprType::Character && keyType == dbfcdx::CdxKeyType::Date &&
            dbfexpr::ExprDtosOfDateField(subject, key))
            return KeyFit::DateKey;
        return KeyFit::None;
    }
    if (subject.type == ExprType::Character &&
        (!subject.widthFixed || subject.width != static_cast<std::size_t>(tag.tag->KeyLength())))
        return KeyFit::None;
    if (dbfexpr::ExprSameComputation(key, subject))
        return KeyFit::Exact;
    if (dbfexpr::ExprCaseFoldOf(key, subject, upper))
        return KeyFit::Folded;
    return KeyFit::None;
}

// A lower and an upper bound of the same subject joined by .AND. (as
// BETWEEN() gives them): one walk of the key range between them.
bool RangeOf(const ExprCondition& c, const ExprCondition*& lower, const ExprCondition*& upper)
{
    if (c.kind != ExprCondition::Kind::And || c.parts.size() != 2)
        return false;
    const ExprCondition& a = c.parts[0];
    const ExprCondition& b = c.parts[1];
    if (a.kind != ExprCondition::Kind::Compare || b.kind != ExprCondition::Kind::Compare ||
        a.constantType != b.constantType || !dbfexpr::ExprSameComputation(*a.subject, *b.subject))
        return false;
    if (IsLowerBound(a.relation) && IsUpperBound(b.relation)) {
        lower = &a;
        upper = &b;
        return true;
    }
    if (IsUpperBound(a.relation) && IsLowerBound(b.relation)) {
        lower = &b;
        upper = &a;
        return true;
    }
    return false;
}

// Records few enough (and a small share of the table) to be read and
// evaluated rather than narrowed further by another tag.
constexpr std::uint32_t kFewToRead = 64;

class Planner {
public:
    Planner(DbfTable& table, const std::vector<OpenTag>& tags, std::uint32_t count, bool exact, PlanCache& cache)
        : table_(table), tags_(tags), cache_(cache), count_(count), exact_(exact),
          listLimit_(Settings().queryListLimit)
    {
    }

    Part Answer(const ExprCondition& c)
    {
        switch (c.kind) {
        case ExprCondition::Kind::And: {
            const ExprCondition* lower = nullptr;
            const ExprCondition* upper = nullptr;
            if (RangeOf(c, lower, upper)) {
                std::optional<Part> range = FromTags(*lower, upper);
                if (range)
                    return std::move(*range);
            }
            // a false: false; a true: b; a failing: failing.
            Part a = Answer(c.parts[0]);
            // When a leaves few records possible, reading them costs less
            // than walking b's keys (a wide date range, say): b is left to
            // the evaluation.
            const std::uint32_t possible = a.IsListed() ? a.ListedCount() : count_ - a.NotTrue().Count();
            if (possible <= kFewToRead && possible < count_ / 16) {
                // true only where b is: not known
                if (a.IsListed())
                    a.ForgetTrue();
                else
                    a.isTrue.ClearAll();
                return a;
            }
            a.Spread();
            Part b = Answer(c.parts[1]);
            b.Spread();
            QueryBitmap& notTrue = a.OwnNotTrue();
            a.isFalse.OrWithBoth(a.isTrue, b.isFalse);
            a.isTrue.AndWith(b.isTrue);
            notTrue.OrWith(b.NotTrue());
            return a;
        }
        case ExprCondition::Kind::Or: {
            // a true: true; a false: b; a failing: failing.
            Part a = Answer(c.parts[0]);
            a.Spread();
            Part b = Answer(c.parts[1]);
            b.Spread();
            QueryBitmap& notTrue = a.OwnNotTrue();
            a.isTrue.OrWithBoth(a.isFalse, b.isTrue);
            a.isFalse.AndWith(b.isFalse);
            notTrue.AndWith(b.NotTrue());
            return a;
        }
        case ExprCondition::Kind::Not: {
            // A failing part fails here too: only what was certain turns.
            Part a = Answer(c.parts[0]);
            a.Spread();
            std::swap(a.isTrue, a.isFalse);
            a.NotTrueIsFalse();
            return a;
        }
        case ExprCondition::Kind::Compare: {
            std::optional<Part> part = FromTags(c, nullptr);
            if (part)
                return std::move(*part);
            break;
        }
        case ExprCondition::Kind::Other: break;
        }
        return Part(count_);
    }

private:
    // The comparison `c` (with `upper`, its upper bound, when given) from a
    // tag; nothing when no tag answers it.
    std::optional<Part> FromTags(const ExprCondition& c, const ExprCondition* upper)
    {
        // After a fault the index files are made anew: the tags known here
        // are gone, the rest is left to the records.
        if (failed_)
            return std::nullopt;
        // A subject that can fail is left to the records.
        if (!dbfexpr::ExprCannotFail(*c.subject))
            return std::nullopt;
        // The tags that fit the subject, best first (worked out once per
        // tag, or taken from the cache).
        for (const TagFit& fit : FitsOf(c)) {
            const OpenTag& open = tags_[fit.index];
            const bool upperCase = (fit.fit & 8) != 0;
            const KeyFit wanted = KeyFit(fit.fit & 7);
            if (!open.file->cdx || open.tag->tag->NeedsRebuild())
                continue;
            if (wanted == KeyFit::Folded && (upper || !IsEquality(c.relation)))
                continue;
            try {
                Part part = open.file->cdx->ReadAccess([&] { return Walk(*open.tag, c, upper, wanted, upperCase); });
                table_.Indexes().RebuildDeferred();
                if (part.KnowsAny() || count_ == 0)
                    return part;
            } catch (const dbfcdx::CdxError& e) {
                // A damaged file is made anew; this part is left to the records.
                failed_ = true;
                table_.Indexes().RebuildAfterError(*open.file, e);
                return std::nullopt;
            }
        }
        return std::nullopt;
    }

    // The entries of the key range the comparison (and `upper`) can hold.
    // Each key is turned back into the subject's value and compared as the
    // expression does; keys that cannot be turned back (folded case, sort
    // weights shared by several bytes) give candidates only.
    Part Walk(IndexTag& indexTag, const ExprCondition& c, const ExprCondition* upper, KeyFit fit, bool upperCase)
    {
        dbfcdx::CdxTag& tag = *indexTag.tag;
        const bool folded = fit == KeyFit::Folded;
        const bool textValues = c.constantType == ExprType::Character;
        const bool characterKeys = tag.KeyType() == dbfcdx::CdxKeyType::Character;
        const dbfcdx::CdxCollation& collation = tag.Collation();
        const bool machineOrder = !characterKeys || collation.IsMachineOrder();
        // Keys of DTOS() values hold blanks and digits only: a table that
        // weighs those in their own order keeps the keys in value order.
        std::array<std::uint8_t, 256> inverse{};
        std::array<bool, 256> known{};
        const bool dtosKeys = characterKeys && (fit == KeyFit::DtosKey || (fit == KeyFit::Exact && EndsInDtos(*c.subject)));
        const bool dtosOrdered = !machineOrder && dtosKeys && DtosInverse(collation, inverse, known);
        const bool exactKeys = !folded && (machineOrder || dtosOrdered || Inverse(collation, inverse, known));
        const bool equality = !upper && IsEquality(c.relation);
        // Key order is the comparison's order for numbers, dates, logicals,
        // characters in machine order and DTOS() keys; otherwise an equality
        // still finds its keys under one stored prefix, and other
        // comparisons read every key.
        if (!exactKeys && !equality)
            return Part(count_);
        const bool ordered = !folded && (machineOrder || dtosOrdered);

        // Where the walk may start: no key before the probe can hold.
        // (The cursor and texts of the walk are the cache's, kept from one
        // query to the next with their buffers.)
        PlanCache::WalkScratch& scratch = cache_.scratch;
        std::string& probe = scratch.probe;
        probe.clear();
        bool probeUsable = true;
        if (fit == KeyFit::DateKey) {
            // A full "yyyymmdd" of a real day is that day's key; any other
            // text leaves the walk to start at the first key.
            const std::int32_t day = c.text.size() == 8 ? dbfexpr::ExprJulianFromDbf(c.text) : 0;
            char back[8];
            dbfexpr::ExprDbfFromJulian(day, back);
            probeUsable = day != 0 && std::string_view(back, 8) == c.text;
            std::uint8_t key[dbfexpr::kNumericKeyLength];
            dbfexpr::ExprNumericKey(day, key);
            probe.assign(reinterpret_cast<const char*>(key), sizeof key);
        } else if (fit == KeyFit::DtosKey) {
            // A day out of the calendar gives blanks: the lowest key.
            char text[8];
            dbfexpr::ExprDbfFromJulian(static_cast<std::int32_t>(c.number), text);
            probe.assign(text, 8);
        } else if (textValues) {
            probe.assign(c.text, 0, std::min<std::size_t>(c.text.size(), std::size_t(tag.KeyLength())));
            if (folded)
                for (char& ch : probe)
                    ch = static_cast<char>(upperCase ? dbfexpr::ExprUpper(static_cast<unsigned char>(ch))
                                                     : dbfexpr::ExprLower(static_cast<unsigned char>(ch)));
            // Bytes other than blanks and digits may weigh anywhere among them.
            if (dtosOrdered && probe.find_first_not_of(kDtosBytes) != std::string::npos)
                probeUsable = false;
        } else if (c.constantType == ExprType::Logical) {
            probe = c.number != 0 ? 'T' : 'F';
        } else {
            std::uint8_t key[dbfexpr::kNumericKeyLength];
            dbfexpr::ExprNumericKey(c.number, key);
            probe.assign(reinterpret_cast<const char*>(key), sizeof key);
        }
        const bool fromProbe = probeUsable && (equality || (ordered && IsLowerBound(c.relation)));
        // The comparison no key above its range can hold.
        const ExprCondition* top = upper ? upper : (equality || IsUpperBound(c.relation)) ? &c : nullptr;
        // Out of key order an equality's keys share the probe's stored prefix.
        const bool byPrefix = !ordered && equality;
        const std::string prefix =
            byPrefix ? (characterKeys ? collation.Applied(probe) : probe) : std::string();

        // The entries found: true ones, or the candidates (all but them are
        // false) when the keys cannot be turned back into values. Listed
        // while they are few, then as bits.
        std::vector<std::uint32_t> hitList;
        hitList.reserve(32);
        QueryBitmap hits;
        bool hitsListed = true;
        const auto hit = [&](std::uint32_t r) {
            if (hitsListed) {
                if (hitList.size() < listLimit_) {
                    hitList.push_back(r);
                    return;
                }
                hitsListed = false;
                hits = QueryBitmap(count_);
                for (const std::uint32_t h : hitList)
                    hits.Set(h);
                hitList.clear();
            }
            hits.Set(r);
        };
        dbfcdx::CdxCursor& cursor = scratch.cursor;
        if (fromProbe)
            tag.SeekSoft(probe, cursor);
        else
            tag.First(cursor);
        std::string& value = scratch.value;
        value.clear();
        double number = 0;
        // Compares the value of the current key with `k`'s constant.
        const auto test = [&](const ExprCondition& k, int& cmp) {
            if (textValues) {
                if (k.relation == ExprRel::ExactEq) {
                    cmp = dbfexpr::ExprCompareText(value, k.text, true);
                    return value == k.text;
                }
                cmp = dbfexpr::ExprCompareText(value, k.text, exact_);
            } else {
                cmp = number < k.number ? -1 : number > k.number ? 1 : 0;
            }
            return dbfexpr::ExprRelate(cmp, k.relation);
        };
        // In key order a lower bound that held once holds for every later
        // key; with no upper bound the rest of the walk is all hits.
        const bool lowerStays = ordered && IsLowerBound(c.relation);
        bool lowerHeld = false;
        // Equal keys (a day's pictures) give equal answers: the last key's
        // answer is used again.
        std::string& lastKey = scratch.lastKey;
        lastKey.clear();
        bool lastHolds = false;
        bool haveLast = false;
        // A key this subject cannot make: the part is left to the records.
        bool foreignKey = false;
        tag.Scan(cursor, [&](const std::string_view key, const std::uint32_t recno) {
            if (byPrefix && key.substr(0, prefix.size()) != std::string_view(prefix))
                return false;
            if (!exactKeys || (lowerHeld && !upper)) {
                hit(recno);
                return true;
            }
            if (haveLast && key == std::string_view(lastKey)) {
                if (lastHolds)
                    hit(recno);
                return true;
            }
            if (characterKeys) {
                if (machineOrder) {
                    value.assign(key);
                } else {
                    value.resize(key.size());
                    for (std::size_t i = 0; i < key.size(); ++i) {
                        const auto w = static_cast<std::uint8_t>(key[i]);
                        if (!known[w]) {
                            foreignKey = true;
                            return false;
                        }
                        value[i] = static_cast<char>(inverse[w]);
                    }
                }
                if (fit == KeyFit::DtosKey)
                    number = dbfexpr::ExprJulianFromDbf(value);
            } else if (tag.KeyType() == dbfcdx::CdxKeyType::Logical) {
                number = !key.empty() && key[0] == 'T' ? 1 : 0;
            } else {
                number = key.size() == dbfexpr::kNumericKeyLength
                             ? dbfexpr::ExprNumericFromKey(reinterpret_cast<const std::uint8_t*>(key.data()))
                             : 0;
                if (fit == KeyFit::DateKey) {
                    char text[8];
                    dbfexpr::ExprDbfFromJulian(static_cast<std::int32_t>(number), text);
                    value.assign(text, 8);
                }
            }
            int cmp = 0;
            int cmpUpper = 0;
            const bool lowerHolds = lowerHeld || test(c, cmp);
            lowerHeld = lowerStays && lowerHolds;
            const bool holds = lowerHolds && (!upper || test(*upper, cmpUpper));
            if (holds) {
                hit(recno);
            } else if (ordered && top) {
                if (top != &c)
                    test(*top, cmpUpper);
                if ((top == &c ? cmp : cmpUpper) > 0)
                    return false;
            }
            lastKey.assign(key);
            lastHolds = holds;
            haveLast = true;
            return true;
        });
        if (foreignKey)
            return Part(count_);
        // Records with an entry are false unless found (the subject cannot
        // fail); records without one are left to the evaluation.
        const QueryBitmap* entries = TagEntries(indexTag, count_);
        const IndexTag::Entries& held = indexTag.entries;
        if (hitsListed && (!entries || held.missingListed) &&
            hitList.size() + (entries ? held.missing.size() : 0) <= listLimit_) {
            // Few records other than false: kept as lists.
            std::erase_if(hitList, [&](std::uint32_t r) { return r == 0 || r > count_; });
            std::sort(hitList.begin(), hitList.end());
            hitList.erase(std::unique(hitList.begin(), hitList.end()), hitList.end());
            std::vector<std::uint32_t> unknown;
            if (entries && !held.missing.empty())
                std::set_difference(held.missing.begin(), held.missing.end(), hitList.begin(), hitList.end(),
                                    std::back_inserter(unknown));
            if (exactKeys)
                return Part::Listed(count_, std::move(hitList), std::move(unknown));
            return Part::Listed(count_, {}, Part::Joined(std::move(hitList), std::move(unknown)));
        }
        if (hitsListed) {
            hits = QueryBitmap(count_);
            for (const std::uint32_t h : hitList)
                hits.Set(h);
        }
        QueryBitmap isFalse = entries ? *entries : QueryBitmap(count_, true);
        isFalse.AndNotWith(hits);
        if (!exactKeys)
            hits.ClearAll();
        return Part(std::move(hits), std::move(isFalse));
    }

    DbfTable& table_;
    const std::vector<OpenTag>& tags_;
    // The tags that fit `c`'s subject: a tag whose key is the subject itself
    // first, then the date keys, then the folded case; in their order
    // within each.
    const std::vector<TagFit>& FitsOf(const ExprCondition& c)
    {
        for (const auto& [part, fits] : cache_.fits)
            if (part == &c)
                return fits;
        std::vector<TagFit> all;
        for (std::size_t i = 0; i < tags_.size(); ++i) {
            const OpenTag& open = tags_[i];
            bool upperCase = false;
            const KeyFit fit = open.file && open.file->cdx ? FitOf(*open.tag, *c.subject, upperCase) : KeyFit::None;
            if (fit != KeyFit::None)
                all.push_back({static_cast<std::uint32_t>(i),
                               static_cast<std::uint8_t>(static_cast<int>(fit) | (upperCase ? 8 : 0))});
        }
        std::vector<TagFit> fits;
        fits.reserve(all.size());
        for (const KeyFit wanted : {KeyFit::Exact, KeyFit::DtosKey, KeyFit::DateKey, KeyFit::Folded})
            for (const TagFit& f : all)
                if (KeyFit(f.fit & 7) == wanted)
                    fits.push_back(f);
        cache_.fits.emplace_back(&c, std::move(fits));
        return cache_.fits.back().second;
    }
    PlanCache& cache_;
    std::uint32_t count_;
    bool exact_;
    std::size_t listLimit_;  // records not false a part lists at most
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
        e.missing.clear();
        e.missingListed = count - e.records.Count() <= Settings().queryListLimit;
        if (e.missingListed) {
            QueryBitmap absent = e.records;
            absent.Invert();
            for (std::uint32_t r = absent.First(); r != 0; r = absent.Next(r))
                e.missing.push_back(r);
        }
    }
    return &e.records;
}

bool TagEntriesOf(DbfTable& table, IndexFile& file, IndexTag& tag, std::uint32_t count,
                  const QueryBitmap*& entries)
{
    if (!file.cdx || !tag.tag || tag.tag->NeedsRebuild())
        return false;
    // The entries as an access of this lock turn saw them still hold while
    // this process kept the lock since (no other process can have changed
    // the tag) and the tag is unchanged here: no access needed.
    IndexTag::Entries& known = tag.entries;
    dbfcdx::CdxFile& cdx = *file.cdx;
    if (tag.condition && cdx.Shared() && cdx.Held() && known.turn == cdx.LockTurn() && known.file == &cdx &&
        known.stamp == tag.tag->Stamp() && known.records.Size() == count) {
        entries = &known.records;
        return true;
    }
    try {
        entries = cdx.ReadAccess([&] { return TagEntries(tag, count); });
        if (entries && cdx.Held()) {
            known.turn = cdx.LockTurn();
            known.file = &cdx;
        }
        table.Indexes().RebuildDeferred();
        return true;
    } catch (const dbfcdx::CdxError& e) {
        table.Indexes().RebuildAfterError(file, e);
        return false;
    }
}

IndexAnswer AnswerFromIndexes(DbfTable& table, const std::vector<OpenTag>& tags,
                              const ExprCondition& condition, std::uint32_t count, bool exact,
                              QueryBitmap& bits, std::vector<std::uint32_t>* listed, PlanCache* cache,
                              std::uint64_t tagsVersion, std::vector<std::uint32_t>* unknown)
{
    if (unknown)
        unknown->clear();
    table.Indexes().Settle();
    // The fits hold while the tags are those they were worked out for.
    PlanCache own;
    if (!cache)
        cache = &own;
    if (cache->generation != table.Indexes().generation() || cache->tagsVersion != tagsVersion ||
        (tagsVersion == 0 && cache->tags != tags)) {
        cache->generation = table.Indexes().generation();
        cache->tagsVersion = tagsVersion;
        if (tagsVersion == 0)
            cache->tags = tags;
        else
            cache->tags.clear();
        cache->fits.clear();
    }
    Planner planner(table, tags, count, exact, *cache);
    Part answer = planner.Answer(condition);
    if (listed)
        listed->clear();
    if (answer.IsListed()) {
        if (!answer.KnowsAny() && count > 0)
            return IndexAnswer::None;
        // The true records and those to evaluate, from their lists (into
        // `bits` when it comes clear and of the size).
        if (bits.Size() != count || bits.Count() != 0)
            bits = QueryBitmap(count);
        const IndexAnswer kind = answer.UnknownList().empty() ? IndexAnswer::Exact : IndexAnswer::Candidates;
        if (unknown && listed)
            *unknown = answer.UnknownList();
        std::vector<std::uint32_t> all = answer.TakeListed();
        for (const std::uint32_t r : all)
            bits.Set(r);
        if (listed)
            *listed = std::move(all);
        return kind;
    }
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
