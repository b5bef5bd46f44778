#include "platform/dbf/query_plan.h"

#include <array>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/dbf/expr_expression.h"
#include "platform/dbf/expr_key.h"
#include "platform/dbf/expr_program.h"

namespace dbf {

namespace {

using dbfexpr::ExprCondition;
using dbfexpr::ExprRel;
using dbfexpr::ExprType;
using dbfexpr::QueryBitmap;

// What is known of one part: `known` false leaves every record a candidate;
// `exact` bits are exactly the records for which the part is true (and it
// cannot fail), otherwise they hold every such record and maybe more.
struct Part {
    bool known = false;
    bool exact = false;
    QueryBitmap bits;
};

bool Relate(int c, ExprRel relation)
{
    switch (relation) {
    case ExprRel::Eq:
    case ExprRel::ExactEq: return c == 0;
    case ExprRel::Ne: return c != 0;
    case ExprRel::Lt: return c < 0;
    case ExprRel::Le: return c <= 0;
    case ExprRel::Gt: return c > 0;
    case ExprRel::Ge: return c >= 0;
    }
    return false;
}

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

bool Answers(const IndexTag& tag, const dbfexpr::ExprProgram& subject)
{
    if (!tag.tag || !tag.key || tag.condition || tag.tag->HasFor() || tag.tag->Unique() ||
        tag.tag->NeedsRebuild())
        return false;
    if (tag.tag->KeyType() != KeyTypeOf(subject.type))
        return false;
    if (subject.type == ExprType::Character &&
        (!subject.widthFixed || subject.width != static_cast<std::size_t>(tag.tag->KeyLength())))
        return false;
    return dbfexpr::ExprCannotFail(subject) && dbfexpr::ExprSameComputation(tag.key->Program(), subject);
}

class Planner {
public:
    Planner(DbfTable& table, const std::vector<OpenTag>& tags, std::uint32_t count, bool exact)
        : table_(table), tags_(tags), count_(count), exact_(exact) {}

    Part Answer(const ExprCondition& c)
    {
        switch (c.kind) {
        case ExprCondition::Kind::And: {
            Part a = Answer(c.parts[0]);
            Part b = Answer(c.parts[1]);
            if (!a.known) {
                b.exact = false;
                return b;
            }
            if (!b.known) {
                a.exact = false;
                return a;
            }
            a.bits.AndWith(b.bits);
            a.exact = a.exact && b.exact;
            return a;
        }
        case ExprCondition::Kind::Or: {
            Part a = Answer(c.parts[0]);
            if (!a.known)
                return {};
            Part b = Answer(c.parts[1]);
            if (!b.known)
                return {};
            a.bits.OrWith(b.bits);
            a.exact = a.exact && b.exact;
            return a;
        }
        case ExprCondition::Kind::Not: {
            Part a = Answer(c.parts[0]);
            if (!a.known || !a.exact)
                return {};
            a.bits.Invert();
            return a;
        }
        case ExprCondition::Kind::Compare: return FromTags(c);
        case ExprCondition::Kind::Other: break;
        }
        return {};
    }

private:
    Part FromTags(const ExprCondition& c)
    {
        for (const OpenTag& open : tags_) {
            if (!open.file || !open.file->cdx || !Answers(*open.tag, *c.subject))
                continue;
            try {
                Part part = open.file->cdx->Access([&] { return Walk(*open.tag->tag, c); });
                table_.Indexes().RebuildDeferred();
                return part;
            } catch (const dbfcdx::CdxError& e) {
                // A damaged file is made anew; this part is left to the records.
                table_.Indexes().RebuildAfterError(*open.file, e.what());
                return {};
            }
        }
        return {};
    }

    // The entries of the key range the comparison can hold, each key turned
    // back into its value and compared as the expression does.
    Part Walk(dbfcdx::CdxTag& tag, const ExprCondition& c)
    {
        const bool character = c.constantType == ExprType::Character;
        const dbfcdx::CdxCollation& collation = tag.Collation();
        std::array<std::uint8_t, 256> inverse{};
        const bool machineOrder = !character || collation.IsMachineOrder();
        const bool invertible = machineOrder || Inverse(collation, inverse);
        const bool equality = c.relation == ExprRel::Eq || c.relation == ExprRel::ExactEq;
        // Key order is the comparison's order for numbers, dates, logicals
        // and characters in machine order; with sort weights an equality
        // still finds its keys under one stored prefix.
        if (!machineOrder && !equality && !invertible)
            return {};
        Part part{true, invertible, QueryBitmap(count_)};

        std::string probe;
        if (character) {
            probe = c.text.substr(0, std::min<std::size_t>(c.text.size(), std::size_t(tag.KeyLength())));
        } else if (c.constantType == ExprType::Logical) {
            probe = c.number != 0 ? "T" : "F";
        } else {
            std::uint8_t key[dbfexpr::kNumericKeyLength];
            dbfexpr::ExprNumericKey(c.number, key);
            probe.assign(reinterpret_cast<const char*>(key), sizeof key);
        }
        const bool fromProbe = equality || (machineOrder && (c.relation == ExprRel::Gt || c.relation == ExprRel::Ge));
        const bool endsAbove = c.relation == ExprRel::Eq || c.relation == ExprRel::ExactEq ||
                               c.relation == ExprRel::Lt || c.relation == ExprRel::Le;
        // Without machine order an equality's keys share the probe's stored prefix.
        const std::string prefix = !machineOrder && equality ? collation.Applied(probe) : std::string();

        dbfcdx::CdxCursor cursor;
        if (fromProbe)
            tag.SeekSoft(probe, cursor);
        else
            tag.First(cursor);
        std::string value;
        for (; cursor.Valid(); tag.Next(cursor)) {
            const std::string_view key = cursor.Key();
            if (!machineOrder && equality && key.substr(0, prefix.size()) != std::string_view(prefix))
                break;
            if (!part.exact) {
                part.bits.Set(cursor.RecNo());
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
                    holds = Relate(cmp, c.relation);
                }
            } else {
                double v = 0;
                if (c.constantType == ExprType::Logical) {
                    v = !key.empty() && key[0] == 'T' ? 1 : 0;
                } else if (key.size() == dbfexpr::kNumericKeyLength) {
                    v = dbfexpr::ExprNumericFromKey(reinterpret_cast<const std::uint8_t*>(key.data()));
                }
                cmp = v < c.number ? -1 : v > c.number ? 1 : 0;
                holds = Relate(cmp, c.relation);
            }
            if (holds)
                part.bits.Set(cursor.RecNo());
            else if (machineOrder && endsAbove && cmp > 0)
                break;
        }
        return part;
    }

    DbfTable& table_;
    const std::vector<OpenTag>& tags_;
    std::uint32_t count_;
    bool exact_;
};

}  // namespace

IndexAnswer AnswerFromIndexes(DbfTable& table, const std::vector<OpenTag>& tags,
                              const ExprCondition& condition, std::uint32_t count, bool exact,
                              QueryBitmap& bits)
{
    table.Indexes().Settle();
    Planner planner(table, tags, count, exact);
    Part answer = planner.Answer(condition);
    if (!answer.known)
        return IndexAnswer::None;
    bits = std::move(answer.bits);
    return answer.exact ? IndexAnswer::Exact : IndexAnswer::Candidates;
}

}  // namespace dbf
