#include "platform/dbf/expr_compiler.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "platform/dbf/expr_date.h"
#include "platform/dbf/expr_text.h"

namespace dbfexpr {

namespace {

// Longest text a compile-time width may describe; wider results are not fixed.
constexpr std::size_t kWidthLimit = std::size_t{1} << 20;
// Nesting depth of the parser: deep enough for any real expression, shallow
// enough that garbage input cannot exhaust the stack.
constexpr int kMaxDepth = 200;
// Operands and operators of one expression; a longer one is refused, which
// also bounds the recursion of the code generator.
constexpr int kMaxNodes = 4000;

enum class Tok {
    End, Number, String, Date, Logical, Name, Arrow, LParen, RParen, Comma,
    Plus, Minus, Star, Slash, Percent, Power,
    Eq, ExactEq, Ne, Lt, Le, Gt, Ge, Dollar, And, Or, Not,
};

struct Token {
    Tok kind = Tok::End;
    std::size_t pos = 0;  // 1-based
    std::string text;     // name (upper case) or string contents
    double number = 0;
    bool logical = false;
    std::int32_t date = 0;
};

std::string Upper(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(ExprUpper(static_cast<unsigned char>(c)));
    return out;
}

bool IsNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

class Lexer {
public:
    Lexer(std::string_view text, const ExprCompileOptions& options, ExprError& error)
        : s_(text), options_(options), error_(error) {}

    bool Next(Token& t)
    {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\r' || s_[i_] == '\n'))
            ++i_;
        t = Token{};
        t.pos = i_ + 1;
        if (i_ >= s_.size()) {
            t.kind = Tok::End;
            return true;
        }
        const char c = s_[i_];
        const char next = i_ + 1 < s_.size() ? s_[i_ + 1] : '\0';
        if (IsDigit(c) || (c == '.' && IsDigit(next)))
            return Number(t);
        if (c == '"' || c == '\'' || c == '[')
            return String(t, c == '[' ? ']' : c);
        if (c == '{')
            return DateLiteral(t);
        if (c == '.')
            return Dotted(t);
        if (IsNameStart(c)) {
            const std::size_t start = i_;
            while (i_ < s_.size() && IsNameChar(s_[i_]))
                ++i_;
            t.kind = Tok::Name;
            t.text = Upper(s_.substr(start, i_ - start));
            return true;
        }
        auto two = [&](Tok kind) { t.kind = kind; i_ += 2; return true; };
        auto one = [&](Tok kind) { t.kind = kind; i_ += 1; return true; };
        switch (c) {
        case '-': return next == '>' ? two(Tok::Arrow) : one(Tok::Minus);
        case '(': return one(Tok::LParen);
        case ')': return one(Tok::RParen);
        case ',': return one(Tok::Comma);
        case '+': return one(Tok::Plus);
        case '*': return next == '*' ? two(Tok::Power) : one(Tok::Star);
        case '/': return one(Tok::Slash);
        case '%': return one(Tok::Percent);
        case '^': return one(Tok::Power);
        case '=': return next == '=' ? two(Tok::ExactEq) : one(Tok::Eq);
        case '#': return one(Tok::Ne);
        case '!': return next == '=' ? two(Tok::Ne) : one(Tok::Not);
        case '<':
            if (next == '>')
                return two(Tok::Ne);
            return next == '=' ? two(Tok::Le) : one(Tok::Lt);
        case '>': return next == '=' ? two(Tok::Ge) : one(Tok::Gt);
        case '$': return one(Tok::Dollar);
        default: break;
        }
        return Fail(t.pos, "Unerwartetes Zeichen '" + Printable(c) + "'");
    }

    bool Fail(std::size_t pos, std::string message)
    {
        error_.position = pos;
        error_.message = std::move(message);
        return false;
    }

private:
    static std::string Printable(char c)
    {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F)
            return std::string(1, c);
        static const char hex[] = "0123456789ABCDEF";
        return std::string("\\x") + hex[u >> 4] + hex[u & 15];
    }

    bool Number(Token& t)
    {
        const std::size_t start = i_;
        while (i_ < s_.size() && IsDigit(s_[i_]))
            ++i_;
        if (i_ < s_.size() && s_[i_] == '.' && i_ + 1 < s_.size() && IsDigit(s_[i_ + 1])) {
            ++i_;
            while (i_ < s_.size() && IsDigit(s_[i_]))
                ++i_;
        }
        if (i_ + 1 < s_.size() && (s_[i_] == 'e' || s_[i_] == 'E')) {
            std::size_t j = i_ + 1;
            if (j < s_.size() && (s_[j] == '+' || s_[j] == '-'))
                ++j;
            if (j < s_.size() && IsDigit(s_[j])) {
                while (j < s_.size() && IsDigit(s_[j]))
                    ++j;
                i_ = j;
            }
        }
        t.kind = Tok::Number;
        t.number = ExprParseNumber(s_.substr(start, i_ - start));
        if (!std::isfinite(t.number))
            return Fail(t.pos, "Zahl zu groß");
        return true;
    }

    bool String(Token& t, char close)
    {
        const std::size_t end = s_.find(close, i_ + 1);
        if (end == std::string_view::npos)
            return Fail(t.pos, std::string("Zeichenkette ohne schließendes ") + close);
        t.kind = Tok::String;
        t.text = std::string(s_.substr(i_ + 1, end - i_ - 1));
        i_ = end + 1;
        return true;
    }

    bool DateLiteral(Token& t)
    {
        const std::size_t end = s_.find('}', i_ + 1);
        if (end == std::string_view::npos)
            return Fail(t.pos, "Datum ohne schließende }");
        std::string_view body = s_.substr(i_ + 1, end - i_ - 1);
        i_ = end + 1;
        while (!body.empty() && body.front() == ' ')
            body.remove_prefix(1);
        while (!body.empty() && body.back() == ' ')
            body.remove_suffix(1);
        t.kind = Tok::Date;
        if (body.empty() || body == "/  /" || body == ".  ." || body == "-  -")
            return true;  // the empty date
        if (body.front() == '^')
            t.date = ExprParseDate(body.substr(1), ExprDateFormat::Ansi);
        else
            t.date = ExprParseDate(body, options_.dateFormat);
        if (t.date == 0)
            return Fail(t.pos, "Ungültiges Datum {" + std::string(body) + "}");
        return true;
    }

    bool Dotted(Token& t)
    {
        const std::size_t end = s_.find('.', i_ + 1);
        if (end != std::string_view::npos && end - i_ <= 4) {
            const std::string word = Upper(s_.substr(i_ + 1, end - i_ - 1));
            Tok kind = Tok::End;
            if (word == "AND")
                kind = Tok::And;
            else if (word == "OR")
                kind = Tok::Or;
            else if (word == "NOT")
                kind = Tok::Not;
            else if (word == "T" || word == "Y" || word == "F" || word == "N") {
                kind = Tok::Logical;
                t.logical = word == "T" || word == "Y";
            }
            if (kind != Tok::End) {
                t.kind = kind;
                i_ = end + 1;
                return true;
            }
        }
        return Fail(t.pos, "Unerwartetes Zeichen '.' (.AND., .OR., .NOT., .T. oder .F. erwartet)");
    }

    std::string_view s_;
    std::size_t i_ = 0;
    const ExprCompileOptions& options_;
    ExprError& error_;
};

struct Node {
    enum class Kind { Number, Text, Date, Logical, Field, Unary, Binary, Call } kind;
    std::size_t pos = 0;
    Tok op = Tok::End;
    std::string name;  // Call: function name as written (upper case)
    double number = 0;
    std::string text;
    bool logical = false;
    std::int32_t date = 0;
    int field = -1;
    std::vector<std::unique_ptr<Node>> kids;
};
using NodePtr = std::unique_ptr<Node>;

class Parser {
public:
    Parser(std::string_view text, std::span<const ExprField> fields,
           const ExprCompileOptions& options, ExprError& error)
        : lexer_(text, options, error), fields_(fields), error_(error) {}

    NodePtr ParseAll()
    {
        if (!Advance())
            return nullptr;
        if (tok_.kind == Tok::End) {
            lexer_.Fail(tok_.pos, "Leerer Ausdruck");
            return nullptr;
        }
        NodePtr n = Or();
        if (tooLong_) {
            lexer_.Fail(1, "Ausdruck zu lang");
            return nullptr;
        }
        if (!n)
            return nullptr;
        if (tok_.kind != Tok::End) {
            lexer_.Fail(tok_.pos, tok_.kind == Tok::RParen ? "')' ohne öffnende Klammer"
                                                           : "Operator oder Ende des Ausdrucks erwartet");
            return nullptr;
        }
        return n;
    }

private:
    bool Advance() { return lexer_.Next(tok_); }

    NodePtr Make(Node::Kind kind, std::size_t pos)
    {
        if (++nodes_ > kMaxNodes)
            tooLong_ = true;
        auto n = std::make_unique<Node>();
        n->kind = kind;
        n->pos = pos;
        return n;
    }

    NodePtr Binary(Tok op, std::size_t pos, NodePtr left, NodePtr right)
    {
        NodePtr n = Make(Node::Kind::Binary, pos);
        n->op = op;
        n->kids.push_back(std::move(left));
        n->kids.push_back(std::move(right));
        return n;
    }

    struct DepthGuard {
        int& depth;
        explicit DepthGuard(int& d) : depth(d) { ++depth; }
        ~DepthGuard() { --depth; }
    };

    NodePtr Or()
    {
        DepthGuard guard(depth_);
        if (depth_ > kMaxDepth) {
            lexer_.Fail(tok_.pos, "Ausdruck zu tief verschachtelt");
            return nullptr;
        }
        NodePtr left = And();
        while (left && !tooLong_ && tok_.kind == Tok::Or) {
            const std::size_t pos = tok_.pos;
            if (!Advance())
                return nullptr;
            NodePtr right = And();
            if (!right)
                return nullptr;
            left = Binary(Tok::Or, pos, std::move(left), std::move(right));
        }
        return left;
    }

    NodePtr And()
    {
        NodePtr left = Not();
        while (left && !tooLong_ && tok_.kind == Tok::And) {
            const std::size_t pos = tok_.pos;
            if (!Advance())
                return nullptr;
            NodePtr right = Not();
            if (!right)
                return nullptr;
            left = Binary(Tok::And, pos, std::move(left), std::move(right));
        }
        return left;
    }

    NodePtr Not()
    {
        if (tok_.kind != Tok::Not)
            return Relation();
        DepthGuard guard(depth_);
        if (depth_ > kMaxDepth) {
            lexer_.Fail(tok_.pos, "Ausdruck zu tief verschachtelt");
            return nullptr;
        }
        NodePtr n = Make(Node::Kind::Unary, tok_.pos);
        n->op = Tok::Not;
        if (!Advance())
            return nullptr;
        NodePtr operand = Not();
        if (!operand)
            return nullptr;
        n->kids.push_back(std::move(operand));
        return n;
    }

    static bool IsRelation(Tok k)
    {
        return k == Tok::Eq || k == Tok::ExactEq || k == Tok::Ne || k == Tok::Lt || k == Tok::Le ||
               k == Tok::Gt || k == Tok::Ge || k == Tok::Dollar;
    }

    NodePtr Relation()
    {
        NodePtr left = Sum();
        while (left && !tooLong_ && IsRelation(tok_.kind)) {
            const Tok op = tok_.kind;
            const std::size_t pos = tok_.pos;
            if (!Advance())
                return nullptr;
            NodePtr right = Sum();
            if (!right)
                return nullptr;
            left = Binary(op, pos, std::move(left), std::move(right));
        }
        return left;
    }

    NodePtr Sum()
    {
        NodePtr left = Product();
        while (left && !tooLong_ && (tok_.kind == Tok::Plus || tok_.kind == Tok::Minus)) {
            const Tok op = tok_.kind;
            const std::size_t pos = tok_.pos;
            if (!Advance())
                return nullptr;
            NodePtr right = Product();
            if (!right)
                return nullptr;
            left = Binary(op, pos, std::move(left), std::move(right));
        }
        return left;
    }

    NodePtr Product()
    {
        NodePtr left = Unary();
        while (left && !tooLong_ && (tok_.kind == Tok::Star || tok_.kind == Tok::Slash || tok_.kind == Tok::Percent)) {
            const Tok op = tok_.kind;
            const std::size_t pos = tok_.pos;
            if (!Advance())
                return nullptr;
            NodePtr right = Unary();
            if (!right)
                return nullptr;
            left = Binary(op, pos, std::move(left), std::move(right));
        }
        return left;
    }

    NodePtr Unary()
    {
        if (tok_.kind != Tok::Plus && tok_.kind != Tok::Minus)
            return Power();
        DepthGuard guard(depth_);
        if (depth_ > kMaxDepth) {
            lexer_.Fail(tok_.pos, "Ausdruck zu tief verschachtelt");
            return nullptr;
        }
        NodePtr n = Make(Node::Kind::Unary, tok_.pos);
        n->op = tok_.kind;
        if (!Advance())
            return nullptr;
        NodePtr operand = Unary();
        if (!operand)
            return nullptr;
        n->kids.push_back(std::move(operand));
        return n;
    }

    NodePtr Power()
    {
        NodePtr left = Primary();
        if (left && tok_.kind == Tok::Power) {
            const std::size_t pos = tok_.pos;
            if (!Advance())
                return nullptr;
            NodePtr right = Unary();
            if (!right)
                return nullptr;
            left = Binary(Tok::Power, pos, std::move(left), std::move(right));
        }
        return left;
    }

    NodePtr Primary()
    {
        DepthGuard guard(depth_);
        if (depth_ > kMaxDepth) {
            lexer_.Fail(tok_.pos, "Ausdruck zu tief verschachtelt");
            return nullptr;
        }
        const Token t = tok_;
        switch (t.kind) {
        case Tok::Number: {
            NodePtr n = Make(Node::Kind::Number, t.pos);
            n->number = t.number;
            return Advance() ? std::move(n) : nullptr;
        }
        case Tok::String: {
            NodePtr n = Make(Node::Kind::Text, t.pos);
            n->text = t.text;
            return Advance() ? std::move(n) : nullptr;
        }
        case Tok::Date: {
            NodePtr n = Make(Node::Kind::Date, t.pos);
            n->date = t.date;
            return Advance() ? std::move(n) : nullptr;
        }
        case Tok::Logical: {
            NodePtr n = Make(Node::Kind::Logical, t.pos);
            n->logical = t.logical;
            return Advance() ? std::move(n) : nullptr;
        }
        case Tok::LParen: {
            if (!Advance())
                return nullptr;
            NodePtr inner = Or();
            if (!inner)
                return nullptr;
            if (tok_.kind != Tok::RParen) {
                lexer_.Fail(tok_.pos, "')' erwartet");
                return nullptr;
            }
            return Advance() ? std::move(inner) : nullptr;
        }
        case Tok::Name: return NameOrCall();
        case Tok::End: lexer_.Fail(t.pos, "Ausdruck unvollständig: Wert erwartet"); return nullptr;
        default: lexer_.Fail(t.pos, "Wert, Feld oder Funktion erwartet"); return nullptr;
        }
    }

    NodePtr NameOrCall()
    {
        Token name = tok_;
        if (!Advance())
            return nullptr;
        if (tok_.kind == Tok::LParen) {
            NodePtr n = Make(Node::Kind::Call, name.pos);
            n->name = name.text;
            if (!Advance())
                return nullptr;
            if (tok_.kind != Tok::RParen) {
                for (;;) {
                    NodePtr arg = Or();
                    if (!arg)
                        return nullptr;
                    n->kids.push_back(std::move(arg));
                    if (tok_.kind == Tok::Comma) {
                        if (!Advance())
                            return nullptr;
                        continue;
                    }
                    if (tok_.kind != Tok::RParen) {
                        lexer_.Fail(tok_.pos, "',' oder ')' erwartet");
                        return nullptr;
                    }
                    break;
                }
            }
            return Advance() ? std::move(n) : nullptr;
        }
        if (tok_.kind == Tok::Arrow) {  // alias->field: the alias is not checked
            if (!Advance())
                return nullptr;
            if (tok_.kind != Tok::Name) {
                lexer_.Fail(tok_.pos, "Feldname nach '->' erwartet");
                return nullptr;
            }
            name = tok_;
            if (!Advance())
                return nullptr;
        }
        // DBF field names hold at most 10 characters; a longer name as it was
        // given when the table was created ("LabelKennung") finds its field.
        for (std::size_t f = 0; f < fields_.size(); ++f) {
            const std::string field = Upper(fields_[f].name);
            if (field == name.text || (field.size() == 10 && name.text.size() > 10 && name.text.starts_with(field))) {
                NodePtr n = Make(Node::Kind::Field, name.pos);
                n->field = static_cast<int>(f);
                n->name = name.text;
                return n;
            }
        }
        lexer_.Fail(name.pos, "Unbekanntes Feld \"" + name.text + "\"");
        return nullptr;
    }

    Lexer lexer_;
    std::span<const ExprField> fields_;
    ExprError& error_;
    Token tok_;
    int depth_ = 0;
    int nodes_ = 0;
    bool tooLong_ = false;
};

// ---------------------------------------------------------------------------
// Type check and code generation

struct FnSpec {
    const char* name;
    int minArgs;
    int maxArgs;
};

enum class Fn {
    Deleted, RecNo, Date, Iif, Empty, Between, Min, Max, Upper, Lower, Left, Right, Substr,
    Trim, RTrim, LTrim, AllTrim, Len, At, Space, Replicate, PadL, PadR, Chr, Asc, Str, Val,
    Dtos, Dtoc, Ctod, Year, Month, Day, Int, Abs, Round, Mod, Count
};

const FnSpec kFunctions[] = {
    {"DELETED", 0, 0}, {"RECNO", 0, 0}, {"DATE", 0, 0}, {"IIF", 3, 3}, {"EMPTY", 1, 1},
    {"BETWEEN", 3, 3}, {"MIN", 2, 2}, {"MAX", 2, 2}, {"UPPER", 1, 1}, {"LOWER", 1, 1},
    {"LEFT", 2, 2}, {"RIGHT", 2, 2}, {"SUBSTR", 2, 3}, {"TRIM", 1, 1}, {"RTRIM", 1, 1},
    {"LTRIM", 1, 1}, {"ALLTRIM", 1, 1}, {"LEN", 1, 1}, {"AT", 2, 2}, {"SPACE", 1, 1},
    {"REPLICATE", 2, 2}, {"PADL", 2, 3}, {"PADR", 2, 3}, {"CHR", 1, 1}, {"ASC", 1, 1},
    {"STR", 1, 3}, {"VAL", 1, 1}, {"DTOS", 1, 1}, {"DTOC", 1, 1}, {"CTOD", 1, 1},
    {"YEAR", 1, 1}, {"MONTH", 1, 1}, {"DAY", 1, 1}, {"INT", 1, 1}, {"ABS", 1, 1},
    {"ROUND", 2, 2}, {"MOD", 2, 2},
};
static_assert(sizeof kFunctions / sizeof kFunctions[0] == static_cast<std::size_t>(Fn::Count));

// Exact name, or a unique abbreviation of at least four letters.
int FindFunction(const std::string& name)
{
    int found = -1;
    for (int i = 0; i < static_cast<int>(Fn::Count); ++i) {
        const std::string_view full = kFunctions[i].name;
        if (full == name)
            return i;
        if (name.size() >= 4 && full.starts_with(name))
            found = found == -1 ? i : -2;
    }
    return found;
}

const char* TypeName(ExprType t)
{
    switch (t) {
    case ExprType::Character: return "Zeichen";
    case ExprType::Numeric: return "Numerisch";
    case ExprType::Date: return "Datum";
    case ExprType::Logical: return "Logisch";
    }
    return "?";
}

struct Info {
    ExprType type = ExprType::Logical;
    std::size_t width = 0;  // character width when fixed
    bool fixed = true;
};

std::size_t AddWidth(std::size_t a, std::size_t b) { return std::min(a + b, kWidthLimit); }

// The operand types each arithmetic operator takes, with the operation it
// compiles to and the type of its result.
struct ArithmeticRule {
    Tok op;
    ExprType left;
    ExprType right;
    ExprOp code;
    ExprType result;
};
constexpr ExprType kChar = ExprType::Character, kNum = ExprType::Numeric, kDate = ExprType::Date;
constexpr ArithmeticRule kArithmetic[] = {
    {Tok::Plus, kChar, kChar, ExprOp::Concat, kChar},
    {Tok::Plus, kNum, kNum, ExprOp::AddNum, kNum},
    {Tok::Plus, kDate, kNum, ExprOp::AddDateNum, kDate},
    {Tok::Plus, kNum, kDate, ExprOp::AddNumDate, kDate},
    {Tok::Minus, kChar, kChar, ExprOp::ConcatTrim, kChar},  // left's trailing blanks go last
    {Tok::Minus, kNum, kNum, ExprOp::SubNum, kNum},
    {Tok::Minus, kDate, kNum, ExprOp::SubDateNum, kDate},
    {Tok::Minus, kDate, kDate, ExprOp::SubDateDate, kNum},
    {Tok::Star, kNum, kNum, ExprOp::MulNum, kNum},
    {Tok::Slash, kNum, kNum, ExprOp::DivNum, kNum},
    {Tok::Percent, kNum, kNum, ExprOp::ModNum, kNum},
    {Tok::Power, kNum, kNum, ExprOp::PowNum, kNum},
};

const char* ArithmeticText(Tok op)
{
    switch (op) {
    case Tok::Plus: return "+";
    case Tok::Minus: return "-";
    case Tok::Star: return "*";
    case Tok::Slash: return "/";
    case Tok::Percent: return "%";
    default: return "^";
    }
}

class Generator {
public:
    Generator(ExprProgram& program, std::span<const ExprField> fields,
              const ExprCompileOptions& options, ExprError& error)
        : p_(program), fields_(fields), options_(options), error_(error) {}

    bool Run(const Node& root, Info& info)
    {
        if (!Gen(root, info))
            return false;
        p_.stack.resize(static_cast<std::size_t>(maxDepth_));
        p_.scratch.resize(p_.code.size());
        return true;
    }

private:
    bool Fail(std::size_t pos, std::string message)
    {
        error_.position = pos;
        error_.message = std::move(message);
        return false;
    }

    bool TypeFail(const Node& n, const std::string& what, ExprType got)
    {
        return Fail(n.pos, what + " (Typ " + TypeName(got) + ")");
    }

    std::size_t Emit(ExprOp op, std::size_t pos, std::uint8_t sub = 0, std::uint8_t argc = 0, std::int32_t a = 0)
    {
        ExprInstr in;
        in.op = op;
        in.sub = sub;
        in.argc = argc;
        in.a = a;
        in.position = static_cast<std::uint32_t>(pos);
        p_.code.push_back(in);
        return p_.code.size() - 1;
    }

    void Push()
    {
        ++depth_;
        maxDepth_ = std::max(maxDepth_, depth_);
    }
    void Pop(int k) { depth_ -= k; }
    void PatchHere(std::size_t jump) { p_.code[jump].a = static_cast<std::int32_t>(p_.code.size()); }

    void EmitConst(double number, std::string text, std::size_t pos)
    {
        p_.constNumbers.push_back(number);
        p_.constTexts.push_back(std::move(text));
        Emit(ExprOp::Const, pos, 0, 0, static_cast<std::int32_t>(p_.constNumbers.size() - 1));
        Push();
    }

    static bool ConstNumber(const Node& n, double& value)
    {
        if (n.kind == Node::Kind::Number) {
            value = n.number;
            return true;
        }
        if (n.kind == Node::Kind::Unary && (n.op == Tok::Minus || n.op == Tok::Plus) &&
            ConstNumber(*n.kids[0], value)) {
            if (n.op == Tok::Minus)
                value = -value;
            return true;
        }
        return false;
    }

    // Constant count argument as a width: clamped to 0 .. kWidthLimit.
    static bool ConstCount(const Node& n, std::size_t& count)
    {
        double v;
        if (!ConstNumber(n, v))
            return false;
        v = std::trunc(v);
        count = v <= 0 ? 0 : v >= static_cast<double>(kWidthLimit) ? kWidthLimit : static_cast<std::size_t>(v);
        return true;
    }

    bool Gen(const Node& n, Info& info)
    {
        switch (n.kind) {
        case Node::Kind::Number:
            EmitConst(n.number, {}, n.pos);
            info = {ExprType::Numeric, 0, true};
            return true;
        case Node::Kind::Text:
            info = {ExprType::Character, std::min(n.text.size(), kWidthLimit), true};
            EmitConst(0, n.text, n.pos);
            return true;
        case Node::Kind::Date:
            EmitConst(n.date, {}, n.pos);
            info = {ExprType::Date, 0, true};
            return true;
        case Node::Kind::Logical:
            EmitConst(n.logical ? 1 : 0, {}, n.pos);
            info = {ExprType::Logical, 0, true};
            return true;
        case Node::Kind::Field: return GenField(n, info);
        case Node::Kind::Unary: return GenUnary(n, info);
        case Node::Kind::Binary: return GenBinary(n, info);
        case Node::Kind::Call: return GenCall(n, info);
        }
        return false;
    }

    bool GenField(const Node& n, Info& info)
    {
        const ExprField& f = fields_[static_cast<std::size_t>(n.field)];
        ExprOp op;
        info = {};
        std::size_t need = f.width;  // bytes read from the record
        switch (f.type) {
        case 'C':
        case 'V':
            op = ExprOp::FieldChar;
            info = {ExprType::Character, std::min<std::size_t>(f.width, kWidthLimit), true};
            break;
        case 'N':
        case 'F':
            op = ExprOp::FieldNum;
            info.type = ExprType::Numeric;
            break;
        case 'D':
            op = ExprOp::FieldDate;
            info.type = ExprType::Date;
            need = 8;
            break;
        case 'L':
            op = ExprOp::FieldLogical;
            info.type = ExprType::Logical;
            need = 1;
            break;
        case 'I':
            op = ExprOp::FieldInt;
            info.type = ExprType::Numeric;
            need = 4;
            break;
        case 'Y':
            op = ExprOp::FieldCurrency;
            info.type = ExprType::Numeric;
            need = 8;
            break;
        case 'T':
            op = ExprOp::FieldDateTime;
            info.type = ExprType::Date;
            need = 8;
            break;
        case 'B':
            if (f.width == 8) {  // binary double; a wider B field is a binary memo
                op = ExprOp::FieldDouble;
                info.type = ExprType::Numeric;
                break;
            }
            [[fallthrough]];
        case 'M':
        case 'G':
            op = ExprOp::FieldMemo;
            info = {ExprType::Character, 0, false};
            break;
        default:
            return Fail(n.pos, std::string("Feldtyp '") + f.type + "' von " + n.name +
                                   " ist in Ausdrücken nicht möglich");
        }
        if (f.width < need)
            return Fail(n.pos, "Feld " + n.name + " ist zu schmal für seinen Typ");
        p_.recordSizeNeeded = std::max<std::size_t>(p_.recordSizeNeeded, std::size_t{f.offset} + f.width);
        if (f.offset == 0)
            return Fail(n.pos, "Feld " + n.name + " überdeckt das Löschkennzeichen");
        int index = -1;
        for (std::size_t i = 0; i < p_.fields.size(); ++i)
            if (p_.fields[i].offset == f.offset && p_.fields[i].name == f.name)
                index = static_cast<int>(i);
        if (index < 0) {
            p_.fields.push_back(f);
            index = static_cast<int>(p_.fields.size() - 1);
        }
        Emit(op, n.pos, 0, 0, index);
        Push();
        return true;
    }

    bool GenUnary(const Node& n, Info& info)
    {
        if (!Gen(*n.kids[0], info))
            return false;
        if (n.op == Tok::Not) {
            if (info.type != ExprType::Logical)
                return TypeFail(n, ".NOT. braucht einen logischen Wert", info.type);
            Emit(ExprOp::Not, n.pos);
            return true;
        }
        if (info.type != ExprType::Numeric)
            return TypeFail(n, "Vorzeichen braucht eine Zahl", info.type);
        if (n.op == Tok::Minus)
            Emit(ExprOp::Neg, n.pos);
        return true;
    }

    static ExprRel Relation(Tok op)
    {
        switch (op) {
        case Tok::Eq: return ExprRel::Eq;
        case Tok::ExactEq: return ExprRel::ExactEq;
        case Tok::Ne: return ExprRel::Ne;
        case Tok::Lt: return ExprRel::Lt;
        case Tok::Le: return ExprRel::Le;
        case Tok::Gt: return ExprRel::Gt;
        default: return ExprRel::Ge;
        }
    }

    bool GenBinary(const Node& n, Info& info)
    {
        Info a, b;
        if (n.op == Tok::And || n.op == Tok::Or) {
            const char* name = n.op == Tok::And ? ".AND." : ".OR.";
            if (!Gen(*n.kids[0], a))
                return false;
            if (a.type != ExprType::Logical)
                return TypeFail(n, std::string(name) + " braucht logische Werte", a.type);
            const std::size_t jump = Emit(n.op == Tok::And ? ExprOp::JumpFalseKeep : ExprOp::JumpTrueKeep, n.pos);
            Pop(1);
            if (!Gen(*n.kids[1], b))
                return false;
            if (b.type != ExprType::Logical)
                return TypeFail(n, std::string(name) + " braucht logische Werte", b.type);
            PatchHere(jump);
            info = {ExprType::Logical, 0, true};
            return true;
        }
        if (!Gen(*n.kids[0], a) || !Gen(*n.kids[1], b))
            return false;
        Pop(1);
        const ExprType ta = a.type, tb = b.type;
        auto mismatch = [&](const char* op) {
            return Fail(n.pos, std::string("Datentypen passen nicht zu '") + op + "' (" + TypeName(ta) +
                                   " und " + TypeName(tb) + ")");
        };
        switch (n.op) {
        case Tok::Eq:
        case Tok::ExactEq:
        case Tok::Ne:
        case Tok::Lt:
        case Tok::Le:
        case Tok::Gt:
        case Tok::Ge: {
            if (ta != tb)
                return mismatch("Vergleich");
            const ExprOp op = ta == ExprType::Character ? ExprOp::CmpStr
                              : ta == ExprType::Logical ? ExprOp::CmpLogical
                                                        : ExprOp::CmpNum;
            Emit(op, n.pos, static_cast<std::uint8_t>(Relation(n.op)));
            info = {ExprType::Logical, 0, true};
            return true;
        }
        case Tok::Dollar:
            if (ta != ExprType::Character || tb != ExprType::Character)
                return mismatch("$");
            Emit(ExprOp::Contains, n.pos);
            info = {ExprType::Logical, 0, true};
            return true;
        default:  // arithmetic
            for (const ArithmeticRule& rule : kArithmetic) {
                if (rule.op != n.op || rule.left != ta || rule.right != tb)
                    continue;
                Emit(rule.code, n.pos);
                info = {rule.result, 0, true};
                if (rule.result == ExprType::Character)  // concatenation
                    info = {ExprType::Character, AddWidth(a.width, b.width), a.fixed && b.fixed};
                return true;
            }
            return mismatch(ArithmeticText(n.op));
        }
    }

    bool GenCall(const Node& n, Info& info)
    {
        const int found = FindFunction(n.name);
        if (found == -2)
            return Fail(n.pos, "Funktionsname " + n.name + " ist mehrdeutig");
        if (found < 0)
            return Fail(n.pos, "Unbekannte Funktion " + n.name + "()");
        const Fn fn = static_cast<Fn>(found);
        const FnSpec& spec = kFunctions[found];
        const int argc = static_cast<int>(n.kids.size());
        if (argc < spec.minArgs || argc > spec.maxArgs) {
            std::string expected = std::to_string(spec.minArgs);
            if (spec.maxArgs != spec.minArgs)
                expected += " bis " + std::to_string(spec.maxArgs);
            return Fail(n.pos, std::string(spec.name) + "() erwartet " + expected + " Argument(e), nicht " +
                                   std::to_string(argc));
        }
        if (fn == Fn::Iif)
            return GenIif(n, info);
        switch (fn) {
        case Fn::Deleted:
            Emit(ExprOp::Deleted, n.pos);
            Push();
            info = {ExprType::Logical, 0, true};
            return true;
        case Fn::RecNo:
            Emit(ExprOp::RecNo, n.pos);
            Push();
            info = {ExprType::Numeric, 0, true};
            return true;
        case Fn::Date:
            Emit(ExprOp::Today, n.pos);
            Push();
            info = {ExprType::Date, 0, true};
            return true;
        default: break;
        }

        std::vector<Info> args(static_cast<std::size_t>(argc));
        for (int i = 0; i < argc; ++i)
            if (!Gen(*n.kids[static_cast<std::size_t>(i)], args[static_cast<std::size_t>(i)]))
                return false;
        auto need = [&](int i, ExprType t) {
            if (args[static_cast<std::size_t>(i)].type == t)
                return true;
            return Fail(n.kids[static_cast<std::size_t>(i)]->pos,
                        std::string(spec.name) + "(): Argument " + std::to_string(i + 1) + " muss vom Typ " +
                            TypeName(t) + " sein, nicht " + TypeName(args[static_cast<std::size_t>(i)].type));
        };
        auto count = [&](int i, std::size_t& c) { return ConstCount(*n.kids[static_cast<std::size_t>(i)], c); };
        const Info& a0 = args[0];
        ExprFn code{};
        int pushedArgs = argc;
        std::size_t c = 0;
        switch (fn) {
        case Fn::Upper:
        case Fn::Lower:
        case Fn::Trim:
        case Fn::RTrim:
        case Fn::LTrim:
        case Fn::AllTrim:
            if (!need(0, ExprType::Character))
                return false;
            code = fn == Fn::Upper   ? ExprFn::Upper
                   : fn == Fn::Lower ? ExprFn::Lower
                   : fn == Fn::LTrim ? ExprFn::LTrim
                   : fn == Fn::AllTrim ? ExprFn::AllTrim
                                       : ExprFn::Trim;
            info = a0;
            break;
        case Fn::Left:
        case Fn::Right:
            if (!need(0, ExprType::Character) || !need(1, ExprType::Numeric))
                return false;
            code = fn == Fn::Left ? ExprFn::Left : ExprFn::Right;
            info = a0;
            if (count(1, c))
                info = {ExprType::Character, a0.fixed ? std::min(c, a0.width) : c, true};
            break;
        case Fn::Substr:
            if (!need(0, ExprType::Character) || !need(1, ExprType::Numeric) ||
                (argc == 3 && !need(2, ExprType::Numeric)))
                return false;
            if (argc == 2) {  // no length: the rest of the text
                EmitConst(static_cast<double>(kWidthLimit) * 4096, {}, n.pos);
                pushedArgs = 3;
            }
            code = ExprFn::Substr;
            info = a0;
            if (argc == 3 && count(2, c)) {
                info = {ExprType::Character, a0.fixed ? std::min(c, a0.width) : c, true};
            } else if (a0.fixed && count(1, c)) {
                info.width = c > a0.width ? 0 : a0.width - (c > 0 ? c - 1 : 0);
            }
            break;
        case Fn::Len:
        case Fn::Asc:
        case Fn::Val:
        case Fn::Ctod:
            if (!need(0, ExprType::Character))
                return false;
            code = fn == Fn::Len ? ExprFn::Len : fn == Fn::Asc ? ExprFn::Asc : fn == Fn::Val ? ExprFn::Val : ExprFn::Ctod;
            info = {fn == Fn::Ctod ? ExprType::Date : ExprType::Numeric, 0, true};
            break;
        case Fn::At:
            if (!need(0, ExprType::Character) || !need(1, ExprType::Character))
                return false;
            code = ExprFn::At;
            info = {ExprType::Numeric, 0, true};
            break;
        case Fn::Space:
        case Fn::Chr:
            if (!need(0, ExprType::Numeric))
                return false;
            code = fn == Fn::Space ? ExprFn::Space : ExprFn::Chr;
            info = {ExprType::Character, fn == Fn::Chr ? std::size_t{1} : std::size_t{0}, true};
            if (fn == Fn::Space && !count(0, info.width))
                info.fixed = false;
            break;
        case Fn::Replicate:
            if (!need(0, ExprType::Character) || !need(1, ExprType::Numeric))
                return false;
            code = ExprFn::Replicate;
            info = {ExprType::Character, 0, false};
            if (a0.fixed && count(1, c))
                info = {ExprType::Character, std::min(a0.width * c, kWidthLimit), true};
            break;
        case Fn::PadL:
        case Fn::PadR:
            if (!need(0, ExprType::Character) || !need(1, ExprType::Numeric) ||
                (argc == 3 && !need(2, ExprType::Character)))
                return false;
            if (argc == 2) {
                EmitConst(0, " ", n.pos);
                pushedArgs = 3;
            }
            code = fn == Fn::PadL ? ExprFn::PadL : ExprFn::PadR;
            info = {ExprType::Character, 0, false};
            if (count(1, c))
                info = {ExprType::Character, c, true};
            break;
        case Fn::Str: {
            if (!need(0, ExprType::Numeric) || (argc >= 2 && !need(1, ExprType::Numeric)) ||
                (argc == 3 && !need(2, ExprType::Numeric)))
                return false;
            if (argc < 2)
                EmitConst(10, {}, n.pos);
            if (argc < 3)
                EmitConst(0, {}, n.pos);
            pushedArgs = 3;
            code = ExprFn::Str;
            std::size_t w = 10;
            const bool fixed = argc < 2 || count(1, w);
            info = {ExprType::Character, std::min<std::size_t>(w, 255), fixed};
            break;
        }
        case Fn::Dtos:
        case Fn::Dtoc:
        case Fn::Year:
        case Fn::Month:
        case Fn::Day:
            if (!need(0, ExprType::Date))
                return false;
            switch (fn) {
            case Fn::Dtos: code = ExprFn::Dtos; info = {ExprType::Character, 8, true}; break;
            case Fn::Dtoc: code = ExprFn::Dtoc; info = {ExprType::Character, options_.century ? 10u : 8u, true}; break;
            case Fn::Year: code = ExprFn::Year; info = {ExprType::Numeric, 0, true}; break;
            case Fn::Month: code = ExprFn::Month; info = {ExprType::Numeric, 0, true}; break;
            default: code = ExprFn::Day; info = {ExprType::Numeric, 0, true}; break;
            }
            break;
        case Fn::Int:
        case Fn::Abs:
            if (!need(0, ExprType::Numeric))
                return false;
            code = fn == Fn::Int ? ExprFn::Int : ExprFn::Abs;
            info = {ExprType::Numeric, 0, true};
            break;
        case Fn::Round:
        case Fn::Mod:
            if (!need(0, ExprType::Numeric) || !need(1, ExprType::Numeric))
                return false;
            code = fn == Fn::Round ? ExprFn::Round : ExprFn::Mod;
            info = {ExprType::Numeric, 0, true};
            break;
        case Fn::Empty:
            code = a0.type == ExprType::Character ? ExprFn::EmptyChar
                   : a0.type == ExprType::Logical ? ExprFn::EmptyLogical
                                                  : ExprFn::EmptyNum;
            info = {ExprType::Logical, 0, true};
            break;
        case Fn::Min:
        case Fn::Max:
            if (a0.type == ExprType::Logical)
                return TypeFail(*n.kids[0], std::string(spec.name) + "() braucht Zahlen, Daten oder Texte", a0.type);
            if (!need(1, a0.type))
                return false;
            if (a0.type == ExprType::Character) {
                code = fn == Fn::Min ? ExprFn::MinChar : ExprFn::MaxChar;
                info = {ExprType::Character, std::max(a0.width, args[1].width), a0.fixed && args[1].fixed};
            } else {
                code = fn == Fn::Min ? ExprFn::MinNum : ExprFn::MaxNum;
                info = {a0.type, 0, true};
            }
            break;
        case Fn::Between:
            if (!need(1, a0.type) || !need(2, a0.type))
                return false;
            code = a0.type == ExprType::Character ? ExprFn::BetweenChar
                   : a0.type == ExprType::Logical ? ExprFn::BetweenLogical
                                                  : ExprFn::BetweenNum;
            info = {ExprType::Logical, 0, true};
            break;
        default: return Fail(n.pos, "Unbekannte Funktion " + n.name + "()");
        }
        Emit(ExprOp::Call, n.pos, static_cast<std::uint8_t>(code), static_cast<std::uint8_t>(pushedArgs));
        Pop(pushedArgs - 1);
        return true;
    }

    bool GenIif(const Node& n, Info& info)
    {
        Info cond, a, b;
        if (!Gen(*n.kids[0], cond))
            return false;
        if (cond.type != ExprType::Logical)
            return TypeFail(*n.kids[0], "IIF() braucht als erstes Argument einen logischen Wert", cond.type);
        const std::size_t toElse = Emit(ExprOp::JumpFalsePop, n.pos);
        Pop(1);
        if (!Gen(*n.kids[1], a))
            return false;
        const std::size_t toEnd = Emit(ExprOp::Jump, n.pos);
        Pop(1);
        PatchHere(toElse);
        if (!Gen(*n.kids[2], b))
            return false;
        PatchHere(toEnd);
        if (a.type != b.type)
            return Fail(n.kids[2]->pos, std::string("IIF(): beide Ergebnisse müssen denselben Typ haben (") +
                                            TypeName(a.type) + " und " + TypeName(b.type) + ")");
        info = {a.type, std::max(a.width, b.width), a.fixed && b.fixed};
        return true;
    }

    ExprProgram& p_;
    std::span<const ExprField> fields_;
    const ExprCompileOptions& options_;
    ExprError& error_;
    int depth_ = 0;
    int maxDepth_ = 0;
};

}  // namespace

namespace {

// The program of one parsed (sub)expression.
std::unique_ptr<ExprProgram> Generate(const Node& root, std::string_view text, std::span<const ExprField> fields,
                                      const ExprCompileOptions& options, ExprError& error)
{
    auto program = std::make_unique<ExprProgram>();
    program->text = std::string(text);
    Generator generator(*program, fields, options, error);
    Info info;
    if (!generator.Run(root, info))
        return nullptr;
    program->type = info.type;
    program->widthFixed = info.type == ExprType::Character && info.fixed;
    program->width = program->widthFixed ? info.width : 0;
    return program;
}

}  // namespace

std::unique_ptr<ExprProgram> ExprCompile(std::string_view text, std::span<const ExprField> fields,
                                         const ExprCompileOptions& options, ExprError& error)
{
    error = {};
    Parser parser(text, fields, options, error);
    NodePtr root = parser.ParseAll();
    if (!root)
        return nullptr;
    return Generate(*root, text, fields, options, error);
}

namespace {

bool LiteralOf(const Node& n, ExprCondition& c)
{
    switch (n.kind) {
    case Node::Kind::Text:
        c.constantType = ExprType::Character;
        c.text = n.text;
        return true;
    case Node::Kind::Date:
        c.constantType = ExprType::Date;
        c.number = n.date;
        return true;
    case Node::Kind::Logical:
        c.constantType = ExprType::Logical;
        c.number = n.logical ? 1 : 0;
        return true;
    default:
        break;
    }
    double number = 0;
    if (n.kind == Node::Kind::Number ||
        (n.kind == Node::Kind::Unary && n.op == Tok::Minus && n.kids[0]->kind == Node::Kind::Number)) {
        number = n.kind == Node::Kind::Number ? n.number : -n.kids[0]->number;
        c.constantType = ExprType::Numeric;
        c.number = number;
        return true;
    }
    return false;
}

bool IsComparison(Tok op)
{
    return op == Tok::Eq || op == Tok::ExactEq || op == Tok::Ne || op == Tok::Lt || op == Tok::Le ||
           op == Tok::Gt || op == Tok::Ge;
}

ExprRel RelationOf(Tok op)
{
    switch (op) {
    case Tok::Eq: return ExprRel::Eq;
    case Tok::ExactEq: return ExprRel::ExactEq;
    case Tok::Ne: return ExprRel::Ne;
    case Tok::Lt: return ExprRel::Lt;
    case Tok::Le: return ExprRel::Le;
    case Tok::Gt: return ExprRel::Gt;
    default: return ExprRel::Ge;
    }
}

// A Compare part of `subject` against the literal `constant`; Other when the
// subject does not compile alone or its type differs from the constant's.
ExprCondition Comparison(const Node& subject, ExprRel relation, const Node& constant,
                         std::span<const ExprField> fields, const ExprCompileOptions& options)
{
    ExprCondition c;
    if (!LiteralOf(constant, c))
        return ExprCondition{};
    ExprError ignored;
    c.subject = Generate(subject, {}, fields, options, ignored);
    if (!c.subject || c.subject->type != c.constantType)
        return ExprCondition{};
    c.kind = ExprCondition::Kind::Compare;
    c.relation = relation;
    return c;
}

ExprCondition Frame(const Node& n, std::span<const ExprField> fields, const ExprCompileOptions& options)
{
    ExprCondition c;
    if (n.kind == Node::Kind::Binary && (n.op == Tok::And || n.op == Tok::Or)) {
        c.kind = n.op == Tok::And ? ExprCondition::Kind::And : ExprCondition::Kind::Or;
        c.parts.push_back(Frame(*n.kids[0], fields, options));
        c.parts.push_back(Frame(*n.kids[1], fields, options));
        return c;
    }
    if (n.kind == Node::Kind::Unary && n.op == Tok::Not) {
        c.kind = ExprCondition::Kind::Not;
        c.parts.push_back(Frame(*n.kids[0], fields, options));
        return c;
    }
    if (n.kind == Node::Kind::Binary && IsComparison(n.op))
        return Comparison(*n.kids[0], RelationOf(n.op), *n.kids[1], fields, options);
    if (n.kind == Node::Kind::Call && n.kids.size() == 3 && FindFunction(n.name) == static_cast<int>(Fn::Between)) {
        ExprCondition low = Comparison(*n.kids[0], ExprRel::Ge, *n.kids[1], fields, options);
        ExprCondition high = Comparison(*n.kids[0], ExprRel::Le, *n.kids[2], fields, options);
        if (low.kind != ExprCondition::Kind::Compare || high.kind != ExprCondition::Kind::Compare)
            return c;
        c.kind = ExprCondition::Kind::And;
        c.parts.push_back(std::move(low));
        c.parts.push_back(std::move(high));
        return c;
    }
    if (n.kind == Node::Kind::Field || n.kind == Node::Kind::Call) {
        // A logical subject alone: subject = .T.
        ExprError ignored;
        c.subject = Generate(n, {}, fields, options, ignored);
        if (c.subject && c.subject->type == ExprType::Logical) {
            c.kind = ExprCondition::Kind::Compare;
            c.constantType = ExprType::Logical;
            c.number = 1;
            return c;
        }
        c.subject.reset();
    }
    return c;
}

}  // namespace

bool ExprConditionOf(std::string_view text, std::span<const ExprField> fields,
                     const ExprCompileOptions& options, ExprCondition& condition, ExprError& error)
{
    return ExprCompileCondition(text, fields, options, condition, error) != nullptr;
}

std::unique_ptr<ExprProgram> ExprCompileCondition(std::string_view text, std::span<const ExprField> fields,
                                                  const ExprCompileOptions& options, ExprCondition& condition,
                                                  ExprError& error)
{
    error = {};
    Parser parser(text, fields, options, error);
    NodePtr root = parser.ParseAll();
    if (!root)
        return nullptr;
    std::unique_ptr<ExprProgram> program = Generate(*root, text, fields, options, error);
    if (program)
        condition = Frame(*root, fields, options);
    return program;
}

namespace {

// The first `length` instructions of both programs (and their fields) agree.
bool SameCode(const ExprProgram& a, const ExprProgram& b, std::size_t length)
{
    if (a.code.size() < length || b.code.size() < length || a.fields.size() != b.fields.size())
        return false;
    for (std::size_t i = 0; i < a.fields.size(); ++i) {
        const ExprField& x = a.fields[i];
        const ExprField& y = b.fields[i];
        if (x.type != y.type || x.offset != y.offset || x.width != y.width || x.decimals != y.decimals)
            return false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        const ExprInstr& x = a.code[i];
        const ExprInstr& y = b.code[i];
        if (x.op != y.op || x.sub != y.sub || x.argc != y.argc)
            return false;
        if (x.op == ExprOp::Const) {
            const auto ia = static_cast<std::size_t>(x.a), ib = static_cast<std::size_t>(y.a);
            if (a.constNumbers[ia] != b.constNumbers[ib] || a.constTexts[ia] != b.constTexts[ib])
                return false;
        } else if (x.a != y.a) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool ExprSameComputation(const ExprProgram& a, const ExprProgram& b)
{
    return a.type == b.type && a.width == b.width && a.widthFixed == b.widthFixed &&
           a.code.size() == b.code.size() && SameCode(a, b, a.code.size());
}

bool ExprCaseFoldOf(const ExprProgram& key, const ExprProgram& subject, bool& upper)
{
    if (key.type != ExprType::Character || subject.type != ExprType::Character || key.width != subject.width ||
        key.widthFixed != subject.widthFixed || key.code.size() != subject.code.size() + 1)
        return false;
    const ExprInstr& last = key.code.back();
    const auto fn = static_cast<ExprFn>(last.sub);
    if (last.op != ExprOp::Call || last.argc != 1 || (fn != ExprFn::Upper && fn != ExprFn::Lower))
        return false;
    upper = fn == ExprFn::Upper;
    return SameCode(key, subject, subject.code.size());
}

bool ExprDtosOfDateField(const ExprProgram& outer, const ExprProgram& inner)
{
    if (inner.type != ExprType::Date || outer.type != ExprType::Character || inner.code.size() != 1 ||
        inner.code[0].op != ExprOp::FieldDate || outer.code.size() != 2)
        return false;
    const ExprInstr& last = outer.code.back();
    return last.op == ExprOp::Call && last.argc == 1 && static_cast<ExprFn>(last.sub) == ExprFn::Dtos &&
           SameCode(outer, inner, 1);
}

bool ExprCannotFail(const ExprProgram& program)
{
    for (const ExprInstr& in : program.code) {
        switch (in.op) {
        case ExprOp::Const:
        case ExprOp::FieldChar:
        case ExprOp::FieldNum:
        case ExprOp::FieldDate:
        case ExprOp::FieldLogical:
        case ExprOp::FieldInt:
        case ExprOp::FieldDouble:
        case ExprOp::FieldCurrency:
        case ExprOp::FieldDateTime:
        case ExprOp::Neg:
        case ExprOp::AddNum:
        case ExprOp::SubNum:
        case ExprOp::MulNum:
        case ExprOp::AddDateNum:
        case ExprOp::AddNumDate:
        case ExprOp::SubDateNum:
        case ExprOp::SubDateDate:
        case ExprOp::Concat:
        case ExprOp::ConcatTrim:
            break;
        case ExprOp::Call:
            switch (static_cast<ExprFn>(in.sub)) {
            case ExprFn::Upper:
            case ExprFn::Lower:
            case ExprFn::Left:
            case ExprFn::Right:
            case ExprFn::Substr:
            case ExprFn::Str:
            case ExprFn::Dtos:
            case ExprFn::Year:
            case ExprFn::Month:
            case ExprFn::Day:
            case ExprFn::Int:
            case ExprFn::Abs:
                break;
            default: return false;
            }
            break;
        default: return false;
        }
    }
    return true;
}

}  // namespace dbfexpr
