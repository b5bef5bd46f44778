#include "platform/stream/stream_text.h"

#include "platform/core/exceptions.h"
#include "platform/core/win1252.h"
#include "platform/stream/stream_format.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <type_traits>

namespace {

const char* const kLineEnd = "\r\n";

// ASCII classes by hand: the C library's depend on the process locale.
bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(uint8_t c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool IsIdentStart(uint8_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 128; }
bool IsIdentChar(uint8_t c) { return IsIdentStart(c) || IsDigit(c) || c == '.'; }

bool IsIdentifier(const QByteArray& b)
{
    if (b.isEmpty() || !IsIdentStart(uint8_t(b[0])))
        return false;
    for (char c : b)
        if (!IsIdentChar(uint8_t(c)))
            return false;
    return true;
}

// Words that open or close a block in the text form.
bool IsKeyword(const QByteArray& b)
{
    for (const char* word : {"object", "inherited", "inline", "end", "item"})
        if (b.compare(word, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}
constexpr int kBinaryBytesPerLine = 32;

// Shortest text that reads back to the same value, with a "." or exponent
// so that it reads back as a float.
template <class F> QByteArray FloatText(F v, qsizetype position)
{
    if (!std::isfinite(v))
        throw EReadError(QStringLiteral("Fehler beim Lesen des Datenstroms (Position %1): "
                                        "Ungültige Gleitkommazahl").arg(position));
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    QByteArray text(buf, res.ptr - buf);
    if (!text.contains('.') && !text.contains('e'))
        text += ".0";
    return text;
}

// Reads a float written by FloatText. strto*_l over the "C" locale, since
// from_chars refuses the subnormal values that extended numbers can hold.
template <class F> bool ParseFloat(const QByteArray& text, F& value)
{
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    if (text.isEmpty() || !cLocale)
        return false;
    const char* begin = text.constData();
    char* end = nullptr;
    if constexpr (std::is_same_v<F, float>)
        value = strtof_l(begin, &end, cLocale);
    else if constexpr (std::is_same_v<F, double>)
        value = strtod_l(begin, &end, cLocale);
    else
        value = strtold_l(begin, &end, cLocale);
    return end == begin + text.size() && std::isfinite(value);
}

QByteArray CurrencyText(int64_t scaled)
{
    const bool negative = scaled < 0;
    const uint64_t magnitude = negative ? uint64_t(0) - uint64_t(scaled) : uint64_t(scaled);
    QByteArray fraction = QByteArray::number(qulonglong(magnitude % 10000)).rightJustified(4, '0');
    while (fraction.size() > 1 && fraction.endsWith('0'))
        fraction.chop(1);
    return (negative ? "-" : "") + QByteArray::number(qulonglong(magnitude / 10000)) + '.' + fraction;
}

QByteArray QuotedText(const QString& s)
{
    QByteArray out;
    bool quoted = false;
    for (QChar ch : s) {
        const char16_t c = ch.unicode();
        if (c >= 32 && c < 127) {
            if (!quoted) {
                out += '\'';
                quoted = true;
            }
            out += c == '\'' ? QByteArray("''") : QByteArray(1, char(c));
        } else {
            if (quoted) {
                out += '\'';
                quoted = false;
            }
            out += '#' + QByteArray::number(int(c));
        }
    }
    if (quoted)
        out += '\'';
    return out.isEmpty() ? QByteArray("''") : out;
}

// ---- binary to text ---------------------------------------------------------

class TBinaryToText {
public:
    explicit TBinaryToText(const QByteArray& binary, qsizetype start) : cur_(binary, start) {}

    QByteArray Convert()
    {
        if (cur_.Remaining() < 4 || cur_.Bytes(4) != ComponentStreamSignature())
            throw EReadError(QStringLiteral("Ungültiges Datenstromformat"));
        Object(0);
        return out_;
    }
    qsizetype Consumed() const { return cur_.Position(); }

private:
    void Line(int indent) { out_ += QByteArray(indent, ' '); }

    // A name the text form can hold, so that the text converts back: class,
    // component and property names, identifier values and set members.
    QByteArray Identifier(bool mayBeEmpty, bool keywordAllowed = false)
    {
        const qsizetype at = cur_.Position();
        const QByteArray b = cur_.ShortBytes();
        if ((b.isEmpty() && mayBeEmpty) || (IsIdentifier(b) && (keywordAllowed || !IsKeyword(b))))
            return b;
        cur_.SetPosition(at);
        cur_.Fail(QStringLiteral("Ungültiger Bezeichner"));
    }
    void EndLine() { out_ += kLineEnd; }

    void Object(int indent)
    {
        if (indent / 2 > kMaxStreamNesting)
            cur_.Fail(QStringLiteral("Zu tief verschachtelte Komponenten"));
        int64_t position = 0;
        const uint8_t flags = cur_.ComponentFlags(&position);
        const QByteArray className = Identifier(false);
        const QByteArray name = Identifier(true);
        Line(indent);
        out_ += (flags & ffInherited) ? "inherited " : (flags & ffInline) ? "inline " : "object ";
        if (!name.isEmpty())
            out_ += name + ": ";
        out_ += className;
        if (flags & ffChildPos)
            out_ += " [" + QByteArray::number(position) + ']';
        EndLine();
        Properties(indent + 2);
        while (cur_.PeekByte() != 0)
            Object(indent + 2);
        cur_.Byte();
        Line(indent);
        out_ += "end";
        EndLine();
    }

    void Properties(int indent)
    {
        while (cur_.PeekByte() != 0) {
            Line(indent);
            out_ += Identifier(false) + " = ";
            Value(indent, 0);
            EndLine();
        }
        cur_.Byte();
    }

    void Value(int indent, int depth)
    {
        if (depth > kMaxStreamNesting)
            cur_.Fail(QStringLiteral("Zu tief verschachtelte Werte"));
        const qsizetype at = cur_.Position();
        const TValueType t = cur_.Tag();
        switch (t) {
        case TValueType::vaList:
            out_ += '(';
            while (cur_.PeekTag() != TValueType::vaNull) {
                EndLine();
                Line(indent + 2);
                Value(indent + 2, depth + 1);
            }
            cur_.Byte();
            out_ += ')';
            return;
        case TValueType::vaInt8: out_ += QByteArray::number(cur_.SignedLE(1)); return;
        case TValueType::vaInt16: out_ += QByteArray::number(cur_.SignedLE(2)); return;
        case TValueType::vaInt32: out_ += QByteArray::number(cur_.SignedLE(4)); return;
        case TValueType::vaInt64: out_ += QByteArray::number(qlonglong(cur_.SignedLE(8))); return;
        case TValueType::vaExtended: out_ += FloatText(cur_.Extended(), at); return;
        case TValueType::vaSingle: out_ += FloatText(cur_.Single(), at) + 's'; return;
        case TValueType::vaDate: out_ += FloatText(cur_.Double(), at) + 'd'; return;
        case TValueType::vaCurrency: out_ += CurrencyText(cur_.SignedLE(8)) + 'c'; return;
        case TValueType::vaString:
        case TValueType::vaLString:
        case TValueType::vaWString:
        case TValueType::vaUTF8String:
            cur_.SetPosition(at);
            out_ += QuotedText(cur_.StringValue());
            return;
        case TValueType::vaIdent: out_ += Identifier(false, true); return;
        case TValueType::vaFalse: out_ += "False"; return;
        case TValueType::vaTrue: out_ += "True"; return;
        case TValueType::vaNil: out_ += "nil"; return;
        case TValueType::vaBinary: {
            const QByteArray bytes = cur_.Bytes(cur_.Length32());
            out_ += '{';
            for (qsizetype i = 0; i < bytes.size(); i += kBinaryBytesPerLine) {
                EndLine();
                Line(indent + 2);
                out_ += bytes.mid(i, kBinaryBytesPerLine).toHex().toUpper();
            }
            out_ += '}';
            return;
        }
        case TValueType::vaSet: {
            out_ += '[';
            bool first = true;
            while (cur_.PeekByte() != 0) {
                const QByteArray ident = Identifier(false, true);
                if (!first)
                    out_ += ", ";
                out_ += ident;
                first = false;
            }
            cur_.Byte();
            out_ += ']';
            return;
        }
        case TValueType::vaCollection:
            out_ += '<';
            while (cur_.PeekTag() != TValueType::vaNull) {
                EndLine();
                Line(indent + 2);
                out_ += "item";
                const TValueType next = cur_.PeekTag();
                if (next == TValueType::vaInt8 || next == TValueType::vaInt16 || next == TValueType::vaInt32)
                    out_ += " [" + QByteArray::number(cur_.IntegerValue(false)) + ']';
                if (cur_.Tag() != TValueType::vaList)
                    cur_.Fail(QStringLiteral("Collection-Element erwartet"));
                EndLine();
                Properties(indent + 4);
                Line(indent + 2);
                out_ += "end";
            }
            cur_.Byte();
            out_ += '>';
            return;
        case TValueType::vaNull: break;
        }
        cur_.SetPosition(at);
        cur_.Fail(QStringLiteral("Unerwartete Wertkennung %1").arg(int(t)));
    }

    TByteCursor cur_;
    QByteArray out_;
};

// ---- text to binary ---------------------------------------------------------

enum class TokenKind { End, Symbol, String, Integer, Float, Char };

struct Token {
    TokenKind kind = TokenKind::End;
    QByteArray text;     // Symbol, Integer, Float (without suffix)
    QString string;      // String
    char ch = 0;         // Char; Float: its suffix ('\0' for extended)
    qsizetype line = 1;
};

class TTextToBinary {
public:
    explicit TTextToBinary(const QByteArray& text, qsizetype start) : text_(text), pos_(start), enc_(out_) {}

    QByteArray Convert()
    {
        out_ += ComponentStreamSignature();
        Next();
        Object(0);
        return out_;
    }
    // Text consumed: the last "end" and the blanks and line ends after it.
    qsizetype Consumed() const { return tokenStart_; }

private:
    [[noreturn]] void Fail(const QString& message) const
    {
        throw EReadError(QStringLiteral("Fehler beim Umwandeln des Textes (Zeile %1): %2").arg(tok_.line).arg(message));
    }


    uint8_t At(qsizetype i) const { return i < text_.size() ? uint8_t(text_[i]) : 0; }

    void Next()
    {
        while (pos_ < text_.size() && (At(pos_) == ' ' || At(pos_) == '\t' || At(pos_) == '\r' || At(pos_) == '\n')) {
            if (At(pos_) == '\n')
                ++line_;
            ++pos_;
        }
        tokenStart_ = pos_;
        tok_ = Token();
        tok_.line = line_;
        if (pos_ >= text_.size())
            return;
        const uint8_t c = At(pos_);
        if (IsIdentStart(c)) {
            const qsizetype begin = pos_;
            while (pos_ < text_.size() && IsIdentChar(At(pos_)))
                ++pos_;
            tok_.kind = TokenKind::Symbol;
            tok_.text = text_.mid(begin, pos_ - begin);
        } else if (c == '\'' || c == '#') {
            StringToken();
        } else if (IsDigit(c) || ((c == '-' || c == '+') && IsDigit(At(pos_ + 1)))) {
            NumberToken();
        } else if (c == '$') {
            const qsizetype begin = ++pos_;
            while (pos_ < text_.size() && IsHexDigit(At(pos_)))
                ++pos_;
            bool ok = false;
            const qulonglong v = text_.mid(begin, pos_ - begin).toULongLong(&ok, 16);
            if (!ok || v > 0xFFFFFFFFull)
                Fail(QStringLiteral("Ungültige Hexadezimalzahl"));
            tok_.kind = TokenKind::Integer;
            tok_.text = QByteArray::number(qlonglong(int32_t(uint32_t(v))));
        } else {
            tok_.kind = TokenKind::Char;
            tok_.ch = char(c);
            ++pos_;
        }
    }

    void StringToken()
    {
        QString s;
        while (At(pos_) == '\'' || At(pos_) == '#') {
            if (At(pos_) == '\'') {
                ++pos_;
                for (;;) {
                    if (pos_ >= text_.size() || At(pos_) == '\n' || At(pos_) == '\r')
                        Fail(QStringLiteral("Zeichenkette nicht abgeschlossen"));
                    if (At(pos_) == '\'') {
                        if (At(pos_ + 1) != '\'')
                            break;
                        ++pos_;
                    }
                    s += Win1252Decode(QByteArrayView(text_.constData() + pos_, 1));
                    ++pos_;
                }
                ++pos_;
            } else {
                ++pos_;
                const qsizetype begin = pos_;
                while (IsDigit(At(pos_)) && pos_ - begin < 6)
                    ++pos_;
                bool ok = false;
                const int code = text_.mid(begin, pos_ - begin).toInt(&ok);
                if (!ok || code > 0xFFFF)
                    Fail(QStringLiteral("Ungültiges Zeichen in einer Zeichenkette"));
                s += QChar(char16_t(code));
            }
        }
        tok_.kind = TokenKind::String;
        tok_.string = s;
    }

    void NumberToken()
    {
        const qsizetype begin = pos_;
        if (At(pos_) == '-' || At(pos_) == '+')
            ++pos_;
        bool isFloat = false;
        while (IsDigit(At(pos_)))
            ++pos_;
        if (At(pos_) == '.') {
            isFloat = true;
            ++pos_;
            while (IsDigit(At(pos_)))
                ++pos_;
        }
        if (At(pos_) == 'e' || At(pos_) == 'E') {
            isFloat = true;
            ++pos_;
            if (At(pos_) == '-' || At(pos_) == '+')
                ++pos_;
            while (IsDigit(At(pos_)))
                ++pos_;
        }
        tok_.text = text_.mid(begin, pos_ - begin);
        const uint8_t suffix = At(pos_);
        if (suffix == 's' || suffix == 'S' || suffix == 'c' || suffix == 'C' || suffix == 'd' || suffix == 'D') {
            isFloat = true;
            tok_.ch = char(suffix | 0x20);  // lower case
            ++pos_;
        }
        tok_.kind = isFloat ? TokenKind::Float : TokenKind::Integer;
    }

    bool IsSymbol(const char* word) const
    {
        return tok_.kind == TokenKind::Symbol && tok_.text.compare(word, Qt::CaseInsensitive) == 0;
    }
    bool IsObjectWord() const { return IsSymbol("object") || IsSymbol("inherited") || IsSymbol("inline"); }
    bool IsChar(char c) const { return tok_.kind == TokenKind::Char && tok_.ch == c; }
    void Expect(char c)
    {
        if (!IsChar(c))
            Fail(QStringLiteral("\"%1\" erwartet").arg(QLatin1Char(c)));
        Next();
    }
    QByteArray Symbol()
    {
        if (tok_.kind != TokenKind::Symbol)
            Fail(QStringLiteral("Bezeichner erwartet"));
        QByteArray s = tok_.text;
        Next();
        return s;
    }
    int64_t IntegerToken()
    {
        if (tok_.kind != TokenKind::Integer)
            Fail(QStringLiteral("Ganzzahl erwartet"));
        bool ok = false;
        const qlonglong v = tok_.text.toLongLong(&ok);
        if (!ok)
            Fail(QStringLiteral("Ungültige Ganzzahl %1").arg(QString::fromLatin1(tok_.text)));
        Next();
        return v;
    }

    void Object(int depth)
    {
        if (depth > kMaxStreamNesting)
            Fail(QStringLiteral("Zu tief verschachtelte Komponenten"));
        uint8_t flags = 0;
        if (IsSymbol("inherited"))
            flags |= ffInherited;
        else if (IsSymbol("inline"))
            flags |= ffInline;
        else if (!IsSymbol("object"))
            Fail(QStringLiteral("\"object\" erwartet"));
        Next();
        QByteArray name;
        QByteArray className = Symbol();
        if (IsChar(':')) {
            Next();
            name = className;
            className = Symbol();
        }
        int64_t position = 0;
        if (IsChar('[')) {
            Next();
            position = IntegerToken();
            Expect(']');
            flags |= ffChildPos;
        }
        if (flags) {
            enc_.Byte(kFilerFlagMark | flags);
            if (flags & ffChildPos)
                enc_.Integer(position);
        }
        enc_.ShortString(className);
        enc_.ShortString(name);
        while (!IsSymbol("end") && !IsObjectWord())
            Property(depth);
        enc_.Byte(0);
        while (IsObjectWord())
            Object(depth + 1);
        enc_.Byte(0);
        if (!IsSymbol("end"))
            Fail(QStringLiteral("\"end\" erwartet"));
        Next();
    }

    void Property(int depth)
    {
        enc_.ShortString(Symbol());
        Expect('=');
        Value(depth);
    }

    void Value(int depth)
    {
        if (depth > kMaxStreamNesting)
            Fail(QStringLiteral("Zu tief verschachtelte Werte"));
        switch (tok_.kind) {
        case TokenKind::Integer: {
            bool ok = false;
            const qlonglong v = tok_.text.toLongLong(&ok);
            if (!ok)
                Fail(QStringLiteral("Ungültige Ganzzahl %1").arg(QString::fromLatin1(tok_.text)));
            enc_.Integer(v);
            Next();
            return;
        }
        case TokenKind::Float: FloatValue(); return;
        case TokenKind::String: {
            QString s = tok_.string;
            Next();
            while (IsChar('+')) {
                Next();
                if (tok_.kind != TokenKind::String)
                    Fail(QStringLiteral("Zeichenkette erwartet"));
                s += tok_.string;
                Next();
            }
            enc_.String(s);
            return;
        }
        case TokenKind::Symbol:
            enc_.Ident(QString::fromLatin1(tok_.text));
            Next();
            return;
        case TokenKind::Char: break;
        case TokenKind::End: Fail(QStringLiteral("Unerwartetes Textende"));
        }
        switch (tok_.ch) {
        case '(':
            Next();
            enc_.Tag(TValueType::vaList);
            while (!IsChar(')')) {
                if (tok_.kind == TokenKind::End)
                    Fail(QStringLiteral("\")\" erwartet"));
                Value(depth + 1);
            }
            Next();
            enc_.Byte(0);
            return;
        case '[':
            Next();
            enc_.Tag(TValueType::vaSet);
            while (!IsChar(']')) {
                enc_.ShortString(Symbol());
                if (IsChar(','))
                    Next();
                else if (!IsChar(']'))
                    Fail(QStringLiteral("\"]\" erwartet"));
            }
            Next();
            enc_.Byte(0);
            return;
        case '{': BinaryValue(); return;
        case '<':
            Next();
            enc_.Tag(TValueType::vaCollection);
            while (!IsChar('>')) {
                if (!IsSymbol("item"))
                    Fail(QStringLiteral("\"item\" erwartet"));
                Next();
                if (IsChar('[')) {
                    Next();
                    enc_.Integer(IntegerToken());
                    Expect(']');
                }
                enc_.Tag(TValueType::vaList);
                while (!IsSymbol("end"))
                    Property(depth + 1);
                Next();
                enc_.Byte(0);
            }
            Next();
            enc_.Byte(0);
            return;
        default: break;
        }
        Fail(QStringLiteral("Unerwartetes Zeichen \"%1\"").arg(QLatin1Char(tok_.ch)));
    }

    void FloatValue()
    {
        const QByteArray text = tok_.text.startsWith('+') ? tok_.text.mid(1) : tok_.text;
        bool ok = true;
        switch (tok_.ch) {
        case 's': {
            float f = 0;
            if ((ok = ParseFloat(text, f)))
                enc_.Single(f);
            break;
        }
        case 'd': {
            double d = 0;
            if ((ok = ParseFloat(text, d)))
                enc_.Date(d);
            break;
        }
        case 'c': enc_.Currency(CurrencyValue(text)); break;
        default: {
            long double v = 0;
            if ((ok = ParseFloat(text, v)))
                enc_.Extended(v);
        }
        }
        if (!ok)
            Fail(QStringLiteral("Ungültige Zahl %1").arg(QString::fromLatin1(text)));
        Next();
    }

    // Currency is exact: the decimal text scaled by 10000, no float between.
    int64_t CurrencyValue(const QByteArray& text) const
    {
        QByteArray digits = text;
        const bool negative = digits.startsWith('-');
        if (negative)
            digits.remove(0, 1);
        const qsizetype dot = digits.indexOf('.');
        QByteArray whole = dot < 0 ? digits : digits.left(dot);
        QByteArray fraction = dot < 0 ? QByteArray() : digits.mid(dot + 1);
        if (fraction.size() > 4 || whole.isEmpty() || whole.size() > 15 || digits.contains('e') || digits.contains('E'))
            Fail(QStringLiteral("Ungültiger Währungswert %1").arg(QString::fromLatin1(text)));
        const int64_t v = whole.toLongLong() * 10000 + fraction.leftJustified(4, '0').toLongLong();
        return negative ? -v : v;
    }

    void BinaryValue()
    {
        // The hex digits up to "}", across lines.
        QByteArray hex;
        while (pos_ < text_.size() && At(pos_) != '}') {
            const uint8_t c = At(pos_);
            if (c == '\n')
                ++line_;
            if (IsHexDigit(c))
                hex += char(c);
            else if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
                Fail(QStringLiteral("Ungültige Binärdaten"));
            ++pos_;
        }
        if (pos_ >= text_.size() || hex.size() % 2 != 0)
            Fail(QStringLiteral("Ungültige Binärdaten"));
        ++pos_;
        enc_.Binary(QByteArray::fromHex(hex));
        Next();
    }

    const QByteArray& text_;
    qsizetype pos_;
    qsizetype line_ = 1;
    qsizetype tokenStart_ = 0;
    Token tok_;
    QByteArray out_;
    TByteEncoder enc_;
};

}  // namespace

QByteArray ObjectBinaryToText(const QByteArray& binary)
{
    return TBinaryToText(binary, 0).Convert();
}

QByteArray ObjectTextToBinary(const QByteArray& text)
{
    return TTextToBinary(text, 0).Convert();
}

void ObjectBinaryToText(TStream& input, TStream& output)
{
    const int64_t start = input.Position();
    const QByteArray bytes = input.ReadAll();
    TBinaryToText converter(bytes, 0);
    const QByteArray text = converter.Convert();
    input.SetPosition(start + converter.Consumed());
    output.WriteBuffer(text.constData(), text.size());
}

void ObjectTextToBinary(TStream& input, TStream& output)
{
    const int64_t start = input.Position();
    const QByteArray text = input.ReadAll();
    TTextToBinary converter(text, 0);
    const QByteArray binary = converter.Convert();
    input.SetPosition(start + converter.Consumed());
    output.WriteBuffer(binary.constData(), binary.size());
}
