#include "platform/stream/stream_format.h"

#include "platform/core/exceptions.h"
#include "platform/core/win1252.h"

#include <cmath>
#include <cstring>
#include <limits>

QString ValueTypeName(TValueType t)
{
    static const char* const names[] = {
        "Listenende", "Liste", "Int8", "Int16", "Int32", "Extended", "String", "Bezeichner",
        "False", "True", "Binärdaten", "Menge", "LString", "nil", "Collection", "Single",
        "Currency", "Datum", "WString", "Int64", "UTF8String"};
    int i = int(t);
    return i <= kLastValueType ? QString::fromUtf8(names[i]) : QStringLiteral("Wert %1").arg(i);
}

// ---- extended ---------------------------------------------------------------

long double ExtendedToLongDouble(const uint8_t bytes[10])
{
    uint64_t mantissa = 0;
    for (int i = 7; i >= 0; --i)
        mantissa = (mantissa << 8) | bytes[i];
    const int signExp = bytes[8] | (bytes[9] << 8);
    const bool negative = (signExp & 0x8000) != 0;
    const int exponent = signExp & 0x7FFF;
    long double value;
    if (exponent == 0x7FFF) {
        value = (mantissa << 1) == 0 ? std::numeric_limits<long double>::infinity()
                                     : std::numeric_limits<long double>::quiet_NaN();
    } else if (mantissa == 0) {
        value = 0.0L;
    } else {
        // value = mantissa * 2^(exponent - bias - 63); denormals use exponent 1.
        const int e = (exponent == 0 ? 1 : exponent) - 16383 - 63;
        value = std::ldexp(static_cast<long double>(mantissa), e);
    }
    return negative ? -value : value;
}

void LongDoubleToExtended(long double value, uint8_t bytes[10])
{
    uint64_t mantissa = 0;
    int exponent = 0;
    const bool negative = std::signbit(value);
    if (std::isnan(value)) {
        exponent = 0x7FFF;
        mantissa = 0xC000000000000000ull;
    } else if (std::isinf(value)) {
        exponent = 0x7FFF;
        mantissa = 0x8000000000000000ull;
    } else if (value != 0.0L) {
        int e = 0;
        const long double fraction = std::frexp(std::fabs(value), &e);  // [0.5, 1)
        exponent = e - 1 + 16383;
        int shift = 64;
        if (exponent <= 0) {  // denormal: exponent field 0, mantissa shifted down
            shift += exponent - 1;
            exponent = 0;
        }
        mantissa = shift > 0 ? static_cast<uint64_t>(std::ldexp(fraction, shift)) : 0;
    }
    for (int i = 0; i < 8; ++i)
        bytes[i] = uint8_t(mantissa >> (8 * i));
    const int signExp = exponent | (negative ? 0x8000 : 0);
    bytes[8] = uint8_t(signExp);
    bytes[9] = uint8_t(signExp >> 8);
}

// ---- cursor -----------------------------------------------------------------

void TByteCursor::Fail(const QString& message) const
{
    throw EReadError(QStringLiteral("Fehler beim Lesen des Datenstroms (Position %1): %2")
                         .arg(pos_)
                         .arg(message));
}

void TByteCursor::Need(qsizetype count) const
{
    if (count < 0 || count > Remaining())
        Fail(QStringLiteral("Der Datenstrom endet vorzeitig"));
}

uint8_t TByteCursor::Byte()
{
    Need(1);
    return uint8_t(data_[pos_++]);
}

uint8_t TByteCursor::PeekByte() const
{
    Need(1);
    return uint8_t(data_[pos_]);
}

int64_t TByteCursor::SignedLE(int size)
{
    Need(size);
    uint64_t v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = (v << 8) | uint8_t(data_[pos_ + i]);
    pos_ += size;
    if (size < 8) {
        const uint64_t sign = uint64_t(1) << (size * 8 - 1);
        v = (v ^ sign) - sign;  // sign-extend
    }
    return static_cast<int64_t>(v);
}

uint32_t TByteCursor::Length32()
{
    return static_cast<uint32_t>(SignedLE(4));
}

QByteArray TByteCursor::Bytes(qsizetype count)
{
    Need(count);
    QByteArray b = data_.mid(pos_, count);
    pos_ += count;
    return b;
}

QByteArray TByteCursor::ShortBytes()
{
    return Bytes(Byte());
}

void TByteCursor::Skip(qsizetype count)
{
    Need(count);
    pos_ += count;
}

long double TByteCursor::Extended()
{
    Need(10);
    uint8_t b[10];
    std::memcpy(b, data_.constData() + pos_, 10);
    pos_ += 10;
    return ExtendedToLongDouble(b);
}

float TByteCursor::Single()
{
    const uint32_t bits = static_cast<uint32_t>(SignedLE(4));
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

double TByteCursor::Double()
{
    const uint64_t bits = static_cast<uint64_t>(SignedLE(8));
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}

TValueType TByteCursor::Tag()
{
    const uint8_t b = Byte();
    if (b > kLastValueType) {
        --pos_;
        Fail(QStringLiteral("Unbekannte Wertkennung %1").arg(b));
    }
    return TValueType(b);
}

TValueType TByteCursor::PeekTag() const
{
    if (AtEnd())
        return TValueType::vaNull;
    const uint8_t b = uint8_t(data_[pos_]);
    if (b > kLastValueType)
        Fail(QStringLiteral("Unbekannte Wertkennung %1").arg(b));
    return TValueType(b);
}

int64_t TByteCursor::IntegerValue(bool allowInt64)
{
    const TValueType t = Tag();
    switch (t) {
    case TValueType::vaInt8: return SignedLE(1);
    case TValueType::vaInt16: return SignedLE(2);
    case TValueType::vaInt32: return SignedLE(4);
    case TValueType::vaInt64:
        if (allowInt64)
            return SignedLE(8);
        break;
    default: break;
    }
    --pos_;
    Fail(QStringLiteral("Ganzzahl erwartet, %1 gefunden").arg(ValueTypeName(t)));
}

QString TByteCursor::StringValue()
{
    const TValueType t = Tag();
    switch (t) {
    case TValueType::vaString: return Win1252Decode(ShortBytes());
    case TValueType::vaLString: return Win1252Decode(Bytes(Length32()));
    case TValueType::vaUTF8String: return QString::fromUtf8(Bytes(Length32()));
    case TValueType::vaWString: {
        const uint32_t chars = Length32();
        if (chars > uint32_t(Remaining() / 2))
            Fail(QStringLiteral("Der Datenstrom endet vorzeitig"));
        const QByteArray raw = Bytes(qsizetype(chars) * 2);
        QString s(qsizetype(chars), Qt::Uninitialized);
        for (uint32_t i = 0; i < chars; ++i)
            s[i] = QChar(char16_t(uint8_t(raw[2 * i]) | (uint8_t(raw[2 * i + 1]) << 8)));
        return s;
    }
    default: break;
    }
    --pos_;
    Fail(QStringLiteral("Zeichenkette erwartet, %1 gefunden").arg(ValueTypeName(t)));
}

QString TByteCursor::IdentValue()
{
    const TValueType t = Tag();
    switch (t) {
    case TValueType::vaIdent: return QString::fromLatin1(ShortBytes());
    case TValueType::vaFalse: return QStringLiteral("False");
    case TValueType::vaTrue: return QStringLiteral("True");
    case TValueType::vaNil: return QStringLiteral("nil");
    default: break;
    }
    --pos_;
    Fail(QStringLiteral("Bezeichner erwartet, %1 gefunden").arg(ValueTypeName(t)));
}

void TByteCursor::SkipValue(int depth)
{
    if (depth > kMaxStreamNesting)
        Fail(QStringLiteral("Zu tief verschachtelte Werte"));
    const TValueType t = Tag();
    switch (t) {
    case TValueType::vaNull:
    case TValueType::vaFalse:
    case TValueType::vaTrue:
    case TValueType::vaNil: return;
    case TValueType::vaList:
        while (PeekTag() != TValueType::vaNull)
            SkipValue(depth + 1);
        Byte();
        return;
    case TValueType::vaInt8: Skip(1); return;
    case TValueType::vaInt16: Skip(2); return;
    case TValueType::vaInt32:
    case TValueType::vaSingle: Skip(4); return;
    case TValueType::vaExtended: Skip(10); return;
    case TValueType::vaInt64:
    case TValueType::vaCurrency:
    case TValueType::vaDate: Skip(8); return;
    case TValueType::vaString:
    case TValueType::vaIdent: Skip(Byte()); return;
    case TValueType::vaBinary:
    case TValueType::vaLString:
    case TValueType::vaUTF8String: Skip(Length32()); return;
    case TValueType::vaWString: {
        const uint32_t chars = Length32();
        if (chars > uint32_t(Remaining() / 2))
            Fail(QStringLiteral("Der Datenstrom endet vorzeitig"));
        Skip(qsizetype(chars) * 2);
        return;
    }
    case TValueType::vaSet:
        for (uint8_t length = Byte(); length != 0; length = Byte())
            Skip(length);
        return;
    case TValueType::vaCollection:
        while (PeekTag() != TValueType::vaNull) {
            const TValueType item = PeekTag();
            if (item == TValueType::vaInt8 || item == TValueType::vaInt16 || item == TValueType::vaInt32)
                IntegerValue(false);
            if (Tag() != TValueType::vaList)
                Fail(QStringLiteral("Collection-Element erwartet"));
            SkipProperties(depth + 1);
        }
        Byte();
        return;
    }
}

void TByteCursor::SkipProperties(int depth)
{
    if (depth > kMaxStreamNesting)
        Fail(QStringLiteral("Zu tief verschachtelte Werte"));
    while (PeekByte() != 0) {
        ShortBytes();
        SkipValue(depth + 1);
    }
    Byte();
}

uint8_t TByteCursor::ComponentFlags(int64_t* position)
{
    if ((PeekByte() & 0xF0) != kFilerFlagMark)
        return 0;
    const uint8_t flags = Byte() & 0x0F;
    if (flags & ffChildPos) {
        const int64_t childPos = IntegerValue(false);
        if (position)
            *position = childPos;
    }
    return flags;
}

void TByteCursor::SkipComponent(int depth)
{
    if (depth > kMaxStreamNesting)
        Fail(QStringLiteral("Zu tief verschachtelte Komponenten"));
    ComponentFlags();
    ShortBytes();  // class
    ShortBytes();  // name
    SkipProperties(depth);
    while (PeekByte() != 0)
        SkipComponent(depth + 1);
    Byte();
}

// ---- encoder ----------------------------------------------------------------

void TByteEncoder::LE(int64_t v, int size)
{
    const uint64_t u = static_cast<uint64_t>(v);
    for (int i = 0; i < size; ++i)
        out_.append(char(uint8_t(u >> (8 * i))));
}

void TByteEncoder::ShortString(const QByteArray& bytes)
{
    if (bytes.size() > 255)
        throw EWriteError(QStringLiteral("Name zu lang für den Datenstrom: %1")
                              .arg(QString::fromLatin1(bytes.left(40))));
    Byte(uint8_t(bytes.size()));
    out_.append(bytes);
}

void TByteEncoder::Integer(int64_t v)
{
    if (v >= INT8_MIN && v <= INT8_MAX) {
        Tag(TValueType::vaInt8);
        LE(v, 1);
    } else if (v >= INT16_MIN && v <= INT16_MAX) {
        Tag(TValueType::vaInt16);
        LE(v, 2);
    } else if (v >= INT32_MIN && v <= INT32_MAX) {
        Tag(TValueType::vaInt32);
        LE(v, 4);
    } else {
        Tag(TValueType::vaInt64);
        LE(v, 8);
    }
}

void TByteEncoder::String(const QString& s)
{
    if (const auto bytes = Win1252Encode(s)) {
        if (bytes->size() <= 255) {
            Tag(TValueType::vaString);
            ShortString(*bytes);
        } else {
            Tag(TValueType::vaLString);
            LE(bytes->size(), 4);
            out_.append(*bytes);
        }
        return;
    }
    Tag(TValueType::vaWString);
    LE(s.size(), 4);
    for (QChar c : s)
        LE(c.unicode(), 2);
}

void TByteEncoder::Ident(const QString& ident)
{
    if (ident.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        Tag(TValueType::vaFalse);
    else if (ident.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        Tag(TValueType::vaTrue);
    else if (ident.compare(QLatin1String("nil"), Qt::CaseInsensitive) == 0)
        Tag(TValueType::vaNil);
    else {
        Tag(TValueType::vaIdent);
        ShortString(ident.toLatin1());
    }
}

void TByteEncoder::Extended(long double v)
{
    uint8_t b[10];
    LongDoubleToExtended(v, b);
    Tag(TValueType::vaExtended);
    out_.append(reinterpret_cast<const char*>(b), 10);
}

void TByteEncoder::Single(float v)
{
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    Tag(TValueType::vaSingle);
    LE(bits, 4);
}

void TByteEncoder::Currency(int64_t scaled)
{
    Tag(TValueType::vaCurrency);
    LE(scaled, 8);
}

void TByteEncoder::Date(double v)
{
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    Tag(TValueType::vaDate);
    LE(int64_t(bits), 8);
}

void TByteEncoder::Binary(const QByteArray& bytes)
{
    Tag(TValueType::vaBinary);
    LE(bytes.size(), 4);
    out_.append(bytes);
}
