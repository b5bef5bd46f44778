#include "platform/dbf/expr_expression.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/dbf/expr_compiler.h"
#include "platform/dbf/expr_date.h"
#include "platform/dbf/expr_key.h"
#include "platform/dbf/expr_program.h"
#include "platform/dbf/expr_text.h"

namespace dbfexpr {

namespace {

// Longest text an evaluation may build (SPACE, REPLICATE, PADL, ...).
constexpr std::size_t kMaxText = std::size_t{16} << 20;

bool Fail(ExprError* error, std::uint32_t position, std::string message)
{
    if (error) {
        error->position = position;
        error->message = std::move(message);
    }
    return false;
}

std::string_view View(const ExprSlot& s) { return {s.p, s.n}; }

void SetText(ExprSlot& s, const std::string& text)
{
    s.p = text.data();
    s.n = text.size();
}

void SetView(ExprSlot& s, const char* p, std::size_t n)
{
    s.p = p;
    s.n = n;
}

// Count argument of LEFT(), SPACE() and the like: truncated, at least 0.
double Count(double v) { return std::isnan(v) || v < 0 ? 0 : std::trunc(v); }

std::size_t TrailingBlankStart(std::string_view s)
{
    std::size_t end = s.size();
    while (end > 0 && s[end - 1] == ' ')
        --end;
    return end;
}

std::size_t LeadingBlankEnd(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    return i;
}

// Both texts compared as if the shorter were padded with blanks.
int ComparePadded(std::string_view a, std::string_view b)
{
    const std::size_t common = std::min(a.size(), b.size());
    if (const int c = common ? std::memcmp(a.data(), b.data(), common) : 0)
        return c < 0 ? -1 : 1;
    const std::string_view rest = a.size() > b.size() ? a.substr(common) : b.substr(common);
    const int sign = a.size() > b.size() ? 1 : -1;
    for (const char ch : rest)
        if (ch != ' ')
            return static_cast<unsigned char>(ch) < ' ' ? -sign : sign;
    return 0;
}

// The character comparison of the relational operators. Without SET EXACT
// only as many characters as the right text has are compared, so a value
// matches every text it begins with (and the empty text).
int CompareText(std::string_view a, std::string_view b, bool exact)
{
    if (!exact && b.size() <= a.size())
        return ComparePadded(a.substr(0, b.size()), b);
    return ComparePadded(a, b);
}

bool Relate(int c, ExprRel rel)
{
    switch (rel) {
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

int CompareNumbers(double a, double b) { return a < b ? -1 : a > b ? 1 : 0; }

std::int32_t DayOf(double d)
{
    return d >= 1 && d <= 5373484 ? static_cast<std::int32_t>(d) : 0;
}

// Date arithmetic keeps the empty date empty and stays in the calendar.
double DatePlus(double date, double days)
{
    if (date == 0 || !std::isfinite(days))
        return 0;
    const double r = date + std::trunc(days);
    return r >= 1721426 && r <= 5373484 ? r : 0;
}

template <typename T>
T ReadLittle(const std::uint8_t* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);  // DBF binary fields are little-endian, as this host
    return v;
}

}  // namespace

int ExprCompareText(std::string_view a, std::string_view b, bool exact) { return CompareText(a, b, exact); }

bool ExprRelate(int comparison, ExprRel relation) { return Relate(comparison, relation); }

Expression::Expression(std::unique_ptr<ExprProgram> program) : program_(std::move(program)) {}
Expression::~Expression() = default;

std::unique_ptr<Expression> Expression::Compile(std::string_view text, std::span<const ExprField> fields,
                                                ExprError& error, const ExprCompileOptions& options)
{
    std::unique_ptr<ExprProgram> program = ExprCompile(text, fields, options, error);
    if (!program)
        return nullptr;
    return std::unique_ptr<Expression>(new Expression(std::move(program)));
}

std::unique_ptr<Expression> Expression::CompileCondition(std::string_view text, std::span<const ExprField> fields,
                                                         ExprError& error, const ExprCompileOptions& options,
                                                         ExprCondition& condition)
{
    std::unique_ptr<ExprProgram> program = ExprCompileCondition(text, fields, options, condition, error);
    if (!program)
        return nullptr;
    return std::unique_ptr<Expression>(new Expression(std::move(program)));
}

const std::string& Expression::Text() const { return program_->text; }
ExprType Expression::Type() const { return program_->type; }
std::size_t Expression::Width() const { return program_->width; }
std::size_t Expression::RecordSizeNeeded() const { return program_->recordSizeNeeded; }
const std::vector<ExprField>& Expression::FieldsUsed() const { return program_->fields; }

bool Expression::IsSingleField() const
{
    const auto& code = program_->code;
    return code.size() == 1 && code[0].op >= ExprOp::FieldChar && code[0].op <= ExprOp::FieldMemo;
}

bool Expression::Evaluate(const std::uint8_t* record, std::size_t recordSize, const ExprContext& ctx,
                          ExprValue& result, ExprError* error)
{
    ExprProgram& p = *program_;
    if (!record || recordSize < p.recordSizeNeeded)
        return Fail(error, 0, "Satzpuffer zu kurz für den Ausdruck");
    ExprSlot* const base = p.stack.data();
    ExprSlot* sp = base;  // next free slot
    const ExprInstr* const code = p.code.data();
    const std::size_t count = p.code.size();
    std::size_t pc = 0;
    while (pc < count) {
        const ExprInstr& in = code[pc];
        switch (in.op) {
        case ExprOp::Const: {
            const auto a = static_cast<std::size_t>(in.a);
            sp->d = p.constNumbers[a];
            SetText(*sp, p.constTexts[a]);
            ++sp;
            break;
        }
        case ExprOp::FieldChar: {
            const ExprField& f = p.fields[static_cast<std::size_t>(in.a)];
            SetView(*sp++, reinterpret_cast<const char*>(record + f.offset), f.width);
            break;
        }
        case ExprOp::FieldNum: {
            const ExprField& f = p.fields[static_cast<std::size_t>(in.a)];
            (sp++)->d = ExprParseNumber({reinterpret_cast<const char*>(record + f.offset), f.width});
            break;
        }
        case ExprOp::FieldDate: {
            const ExprField& f = p.fields[static_cast<std::size_t>(in.a)];
            (sp++)->d = ExprJulianFromDbf({reinterpret_cast<const char*>(record + f.offset), 8});
            break;
        }
        case ExprOp::FieldLogical: {
            const char c = static_cast<char>(record[p.fields[static_cast<std::size_t>(in.a)].offset]);
            (sp++)->d = c == 'T' || c == 't' || c == 'Y' || c == 'y';
            break;
        }
        case ExprOp::FieldInt:
            (sp++)->d = ReadLittle<std::int32_t>(record + p.fields[static_cast<std::size_t>(in.a)].offset);
            break;
        case ExprOp::FieldDouble: {
            const double v = ReadLittle<double>(record + p.fields[static_cast<std::size_t>(in.a)].offset);
            (sp++)->d = std::isfinite(v) ? v : 0;
            break;
        }
        case ExprOp::FieldCurrency:
            (sp++)->d = static_cast<double>(
                            ReadLittle<std::int64_t>(record + p.fields[static_cast<std::size_t>(in.a)].offset)) /
                        10000.0;
            break;
        case ExprOp::FieldDateTime:
            (sp++)->d = DayOf(ReadLittle<std::int32_t>(record + p.fields[static_cast<std::size_t>(in.a)].offset));
            break;
        case ExprOp::FieldMemo: {
            const ExprField& f = p.fields[static_cast<std::size_t>(in.a)];
            std::string& out = p.scratch[pc];
            out.clear();
            if (ctx.memoReader &&
                !ctx.memoReader(f, {reinterpret_cast<const char*>(record + f.offset), f.width}, out))
                return Fail(error, in.position, "Memo von " + f.name + " nicht lesbar");
            SetText(*sp++, out);
            break;
        }
        case ExprOp::Deleted: (sp++)->d = record[0] == '*'; break;
        case ExprOp::RecNo: (sp++)->d = ctx.recNo; break;
        case ExprOp::Today: (sp++)->d = DayOf(ctx.clock ? ctx.clock() : ExprSystemToday()); break;
        case ExprOp::Not: sp[-1].d = sp[-1].d == 0; break;
        case ExprOp::Neg: sp[-1].d = -sp[-1].d; break;
        case ExprOp::JumpFalseKeep:
            if (sp[-1].d == 0) {
                pc = static_cast<std::size_t>(in.a);
                continue;
            }
            --sp;
            break;
        case ExprOp::JumpTrueKeep:
            if (sp[-1].d != 0) {
                pc = static_cast<std::size_t>(in.a);
                continue;
            }
            --sp;
            break;
        case ExprOp::JumpFalsePop:
            if ((--sp)->d == 0) {
                pc = static_cast<std::size_t>(in.a);
                continue;
            }
            break;
        case ExprOp::Jump: pc = static_cast<std::size_t>(in.a); continue;
        case ExprOp::AddNum: --sp; sp[-1].d += sp->d; break;
        case ExprOp::SubNum: --sp; sp[-1].d -= sp->d; break;
        case ExprOp::MulNum: --sp; sp[-1].d *= sp->d; break;
        case ExprOp::DivNum:
            --sp;
            if (sp->d == 0)
                return Fail(error, in.position, "Division durch Null");
            sp[-1].d /= sp->d;
            break;
        case ExprOp::ModNum: {
            --sp;
            const double b = sp->d;
            if (b == 0)
                return Fail(error, in.position, "Division durch Null");
            // The result takes the sign of the divisor, as MOD() in xBase.
            double r = std::fmod(sp[-1].d, b);
            if (r != 0 && ((r < 0) != (b < 0)))
                r += b;
            sp[-1].d = r;
            break;
        }
        case ExprOp::PowNum: --sp; sp[-1].d = std::pow(sp[-1].d, sp->d); break;
        case ExprOp::AddDateNum: --sp; sp[-1].d = DatePlus(sp[-1].d, sp->d); break;
        case ExprOp::AddNumDate: --sp; sp[-1].d = DatePlus(sp->d, sp[-1].d); break;
        case ExprOp::SubDateNum: --sp; sp[-1].d = DatePlus(sp[-1].d, -sp->d); break;
        case ExprOp::SubDateDate: --sp; sp[-1].d -= sp->d; break;
        case ExprOp::Concat:
        case ExprOp::ConcatTrim: {
            --sp;
            const std::string_view a = View(sp[-1]), b = View(*sp);
            if (a.size() + b.size() > kMaxText)
                return Fail(error, in.position, "Ergebnis zu lang");
            std::string& out = p.scratch[pc];
            if (in.op == ExprOp::Concat) {
                out.assign(a).append(b);
            } else {
                const std::size_t keep = TrailingBlankStart(a);
                out.assign(a.substr(0, keep)).append(b).append(a.size() - keep, ' ');
            }
            SetText(sp[-1], out);
            break;
        }
        case ExprOp::CmpNum:
        case ExprOp::CmpLogical:
            --sp;
            sp[-1].d = Relate(CompareNumbers(sp[-1].d, sp->d), static_cast<ExprRel>(in.sub));
            break;
        case ExprOp::CmpStr: {
            --sp;
            const std::string_view a = View(sp[-1]), b = View(*sp);
            const auto rel = static_cast<ExprRel>(in.sub);
            bool r;
            if (rel == ExprRel::ExactEq)
                r = a == b;
            else
                r = Relate(CompareText(a, b, ctx.exact), rel);
            sp[-1].d = r;
            break;
        }
        case ExprOp::Contains: {
            --sp;
            const std::string_view needle = View(sp[-1]), hay = View(*sp);
            sp[-1].d = !needle.empty() && hay.find(needle) != std::string_view::npos;
            break;
        }
        case ExprOp::Call: {
            sp -= in.argc;
            ExprSlot* const args = sp;
            ExprSlot& r = *sp++;  // the result replaces the first argument
            std::string& out = p.scratch[pc];
            switch (static_cast<ExprFn>(in.sub)) {
            case ExprFn::Upper:
            case ExprFn::Lower: {
                const std::string_view s = View(args[0]);
                out.resize(s.size());
                const bool up = static_cast<ExprFn>(in.sub) == ExprFn::Upper;
                for (std::size_t i = 0; i < s.size(); ++i) {
                    const auto ch = static_cast<unsigned char>(s[i]);
                    out[i] = static_cast<char>(up ? ExprUpper(ch) : ExprLower(ch));
                }
                SetText(r, out);
                break;
            }
            case ExprFn::Left: {
                const double n = Count(args[1].d);
                SetView(r, args[0].p, n < static_cast<double>(args[0].n) ? static_cast<std::size_t>(n) : args[0].n);
                break;
            }
            case ExprFn::Right: {
                const double n = Count(args[1].d);
                const std::size_t k = n < static_cast<double>(args[0].n) ? static_cast<std::size_t>(n) : args[0].n;
                SetView(r, args[0].p + (args[0].n - k), k);
                break;
            }
            case ExprFn::Substr: {
                const std::size_t len = args[0].n;
                const double start = std::isnan(args[1].d) ? 1 : std::trunc(args[1].d);
                const std::size_t from = start < 1 ? 0 : start > static_cast<double>(len) ? len
                                                                        : static_cast<std::size_t>(start) - 1;
                const double n = Count(args[2].d);
                const std::size_t k = n < static_cast<double>(len - from) ? static_cast<std::size_t>(n) : len - from;
                SetView(r, args[0].p + from, k);
                break;
            }
            case ExprFn::Trim: r.n = TrailingBlankStart(View(args[0])); break;
            case ExprFn::LTrim: {
                const std::size_t i = LeadingBlankEnd(View(args[0]));
                SetView(r, args[0].p + i, args[0].n - i);
                break;
            }
            case ExprFn::AllTrim: {
                const std::size_t end = TrailingBlankStart(View(args[0]));
                const std::size_t i = LeadingBlankEnd(View(args[0]).substr(0, end));
                SetView(r, args[0].p + i, end - i);
                break;
            }
            case ExprFn::Len: r.d = static_cast<double>(args[0].n); break;
            case ExprFn::At: {
                const std::string_view needle = View(args[0]), hay = View(args[1]);
                const std::size_t at = needle.empty() ? std::string_view::npos : hay.find(needle);
                r.d = at == std::string_view::npos ? 0 : static_cast<double>(at + 1);
                break;
            }
            case ExprFn::Space:
            case ExprFn::Replicate:
            case ExprFn::PadL:
            case ExprFn::PadR: {
                const auto fn = static_cast<ExprFn>(in.sub);
                const double n = Count(fn == ExprFn::Space ? args[0].d : args[1].d);
                const double total = fn == ExprFn::Replicate ? n * static_cast<double>(args[0].n) : n;
                if (total > static_cast<double>(kMaxText))
                    return Fail(error, in.position, "Ergebnis zu lang");
                const auto k = static_cast<std::size_t>(n);
                if (fn == ExprFn::Space) {
                    out.assign(k, ' ');
                } else if (fn == ExprFn::Replicate) {
                    out.clear();
                    for (std::size_t i = 0; i < k; ++i)
                        out.append(args[0].p, args[0].n);
                } else {
                    const std::string_view s = View(args[0]);
                    const char fill = args[2].n ? args[2].p[0] : ' ';
                    if (s.size() >= k)
                        out.assign(s.substr(0, k));
                    else if (fn == ExprFn::PadL)
                        out.assign(k - s.size(), fill).append(s);
                    else
                        out.assign(s).append(k - s.size(), fill);
                }
                SetText(r, out);
                break;
            }
            case ExprFn::Chr: {
                const double n = Count(args[0].d);
                out.assign(1, static_cast<char>(static_cast<unsigned char>(n > 255 ? 255 : n)));
                SetText(r, out);
                break;
            }
            case ExprFn::Asc: r.d = args[0].n ? static_cast<unsigned char>(args[0].p[0]) : 0; break;
            case ExprFn::Str: {
                const double w = Count(args[1].d), d = Count(args[2].d);
                out = ExprFormatNumber(args[0].d, static_cast<int>(std::min(w, 255.0)),
                                       static_cast<int>(std::min(d, 18.0)));
                SetText(r, out);
                break;
            }
            case ExprFn::Val: r.d = ExprParseNumber(View(args[0])); break;
            case ExprFn::Dtos:
                out.resize(8);
                ExprDbfFromJulian(DayOf(args[0].d), out.data());
                SetText(r, out);
                break;
            case ExprFn::Dtoc:
                out = ExprFormatDate(DayOf(args[0].d), ctx.dateFormat, ctx.century);
                SetText(r, out);
                break;
            case ExprFn::Ctod: r.d = ExprParseDate(View(args[0]), ctx.dateFormat); break;
            case ExprFn::Year:
            case ExprFn::Month:
            case ExprFn::Day: {
                int y, m, d;
                ExprCalendarDate(DayOf(args[0].d), y, m, d);
                const auto fn = static_cast<ExprFn>(in.sub);
                r.d = fn == ExprFn::Year ? y : fn == ExprFn::Month ? m : d;
                break;
            }
            case ExprFn::Int: r.d = std::trunc(args[0].d); break;
            case ExprFn::Abs: r.d = std::fabs(args[0].d); break;
            case ExprFn::Round: {
                const double d = std::isnan(args[1].d) ? 0 : std::trunc(args[1].d);
                r.d = ExprRound(args[0].d, static_cast<int>(std::clamp(d, -22.0, 22.0)));
                break;
            }
            case ExprFn::Mod: {
                const double b = args[1].d;
                if (b == 0)
                    return Fail(error, in.position, "Division durch Null");
                double m = std::fmod(args[0].d, b);
                if (m != 0 && ((m < 0) != (b < 0)))
                    m += b;
                r.d = m;
                break;
            }
            case ExprFn::EmptyChar:
                // Blanks, tabs and line breaks count as empty.
                r.d = View(args[0]).find_first_not_of(" \t\r\n") == std::string_view::npos;
                break;
            case ExprFn::EmptyNum:
            case ExprFn::EmptyLogical: r.d = args[0].d == 0; break;
            case ExprFn::MinNum: r.d = std::min(args[0].d, args[1].d); break;
            case ExprFn::MaxNum: r.d = std::max(args[0].d, args[1].d); break;
            case ExprFn::MinChar:
            case ExprFn::MaxChar: {
                const int c = ComparePadded(View(args[0]), View(args[1]));
                const bool takeSecond = static_cast<ExprFn>(in.sub) == ExprFn::MinChar ? c > 0 : c < 0;
                if (takeSecond)
                    r = args[1];
                break;
            }
            case ExprFn::BetweenNum:
            case ExprFn::BetweenLogical:
                r.d = args[0].d >= args[1].d && args[0].d <= args[2].d;
                break;
            case ExprFn::BetweenChar:
                r.d = CompareText(View(args[0]), View(args[1]), ctx.exact) >= 0 &&
                      CompareText(View(args[0]), View(args[2]), ctx.exact) <= 0;
                break;
            }
            break;
        }
        }
        ++pc;
    }
    const ExprSlot& top = base[0];
    result.type = p.type;
    result.number = 0;
    result.logical = false;
    result.text = {};
    switch (p.type) {
    case ExprType::Character: result.text = View(top); break;
    case ExprType::Logical: result.logical = top.d != 0; break;
    case ExprType::Numeric: result.number = top.d; break;
    case ExprType::Date: result.number = DayOf(top.d); break;
    }
    return true;
}

bool Expression::EvaluateLogical(const std::uint8_t* record, std::size_t recordSize, const ExprContext& context,
                                 bool& result, ExprError* error)
{
    result = false;
    if (program_->type != ExprType::Logical)
        return Fail(error, 0, "Ausdruck ist nicht logisch");
    ExprValue value;
    if (!Evaluate(record, recordSize, context, value, error))
        return false;
    result = value.logical;
    return true;
}

bool Expression::EvaluateText(const std::uint8_t* record, std::size_t recordSize, const ExprContext& context,
                              std::string& text, ExprError* error)
{
    text.clear();
    ExprValue value;
    if (!Evaluate(record, recordSize, context, value, error))
        return false;
    switch (value.type) {
    case ExprType::Character: text.assign(value.text); break;
    case ExprType::Logical: text = value.logical ? ".T." : ".F."; break;
    case ExprType::Date:
        text.resize(8);
        ExprDbfFromJulian(static_cast<std::int32_t>(value.number), text.data());
        break;
    case ExprType::Numeric: text = ExprFormatNumber(value.number, 10, 0); break;
    }
    return true;
}

std::size_t Expression::KeyLength(ExprError* error) const
{
    switch (program_->type) {
    case ExprType::Numeric:
    case ExprType::Date: return kNumericKeyLength;
    case ExprType::Logical: return 1;
    case ExprType::Character: break;
    }
    if (!program_->widthFixed || program_->width == 0) {
        Fail(error, 0, "Schlüssellänge des Ausdrucks ist nicht fest (Memofeld oder variable Länge)");
        return 0;
    }
    if (program_->width > kMaxKeyLength) {
        Fail(error, 0, "Schlüssel zu lang (" + std::to_string(program_->width) + " Zeichen, höchstens " +
                           std::to_string(kMaxKeyLength) + ")");
        return 0;
    }
    return program_->width;
}

bool Expression::MakeKey(const std::uint8_t* record, std::size_t recordSize, const ExprContext& context,
                         std::string& key, ExprError* error)
{
    const std::size_t length = KeyLength(error);
    if (length == 0)
        return false;
    ExprValue value;
    if (!Evaluate(record, recordSize, context, value, error))
        return false;
    ExprKeyFromValue(value, length, key);
    return true;
}

void ExprKeyFromValue(const ExprValue& value, std::size_t keyLength, std::string& key)
{
    switch (value.type) {
    case ExprType::Character:
        key.assign(value.text, 0, std::min(keyLength, value.text.size()));
        key.resize(keyLength, ' ');
        return;
    case ExprType::Numeric:
    case ExprType::Date: {
        std::uint8_t bytes[kNumericKeyLength];
        ExprNumericKey(value.number, bytes);
        key.assign(reinterpret_cast<const char*>(bytes), kNumericKeyLength);
        return;
    }
    case ExprType::Logical: key.assign(1, value.logical ? 'T' : 'F'); return;
    }
}

std::string ExprErrorText(const ExprError& error)
{
    if (error.position == 0)
        return error.message;
    return "Fehler an Position " + std::to_string(error.position) + ": " + error.message;
}

}  // namespace dbfexpr
