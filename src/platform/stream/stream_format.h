#pragma once
// The bytes of the binary component stream: the value tags, a bounds-checked
// cursor over a byte array for reading them, an appending encoder for writing
// them, and the 80-bit extended float decoded and encoded portably.
//
// Layout (all integers little-endian):
//   stream    := "TPF0" component
//   component := [0xF0|flags [int position]] shortstr class shortstr name
//                { shortstr property value } 00 { component } 00
//   shortstr  := length byte, that many bytes
// Every value starts with its tag byte (TValueType).

#include <QByteArray>
#include <QString>

#include <cstdint>

enum class TValueType : uint8_t {
    vaNull = 0,        // end of a list
    vaList = 1,        // values up to vaNull
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaExtended = 5,    // 10-byte extended float
    vaString = 6,      // length byte, Windows-1252 bytes
    vaIdent = 7,       // length byte, identifier
    vaFalse = 8,
    vaTrue = 9,
    vaBinary = 10,     // 32-bit length, bytes
    vaSet = 11,        // short strings up to an empty one
    vaLString = 12,    // 32-bit length, Windows-1252 bytes
    vaNil = 13,
    vaCollection = 14, // items: [int index] vaList properties vaNull; vaNull
    vaSingle = 15,     // 4-byte float
    vaCurrency = 16,   // 64-bit integer, value times 10000
    vaDate = 17,       // 8-byte double, days since 30.12.1899
    vaWString = 18,    // 32-bit character count, UTF-16LE
    vaInt64 = 19,
    vaUTF8String = 20, // 32-bit byte count, UTF-8
};
constexpr int kLastValueType = 20;

// The flag byte that may precede a component's class name.
constexpr uint8_t kFilerFlagMark = 0xF0;
constexpr uint8_t ffInherited = 1, ffChildPos = 2, ffInline = 4;

inline const QByteArray& ComponentStreamSignature()
{
    static const QByteArray signature("TPF0");
    return signature;
}

// How deep components, lists and collections may nest before a stream is
// taken for corrupt; real templates stay far below.
constexpr int kMaxStreamNesting = 64;

QString ValueTypeName(TValueType t);

// 80-bit extended float: 64-bit mantissa with explicit integer bit, then
// sign and 15-bit exponent. Decoded without relying on the machine's long
// double layout.
long double ExtendedToLongDouble(const uint8_t bytes[10]);
void LongDoubleToExtended(long double value, uint8_t bytes[10]);

// Reads the binary form; every read past the end or over a length that the
// remaining bytes cannot hold throws EReadError. Nothing is allocated before
// the bytes it stands for are known to be there.
class TByteCursor {
public:
    explicit TByteCursor(const QByteArray& data, qsizetype start = 0) : data_(data), pos_(start) {}

    qsizetype Position() const { return pos_; }
    void SetPosition(qsizetype pos) { pos_ = pos; }
    qsizetype Remaining() const { return data_.size() - pos_; }
    bool AtEnd() const { return pos_ >= data_.size(); }
    const QByteArray& Data() const { return data_; }

    uint8_t Byte();
    uint8_t PeekByte() const;
    int64_t SignedLE(int size);  // 1, 2, 4 or 8 bytes
    uint32_t Length32();         // a 32-bit length; reading the bytes it counts checks it
    QByteArray Bytes(qsizetype count);
    QByteArray ShortBytes();     // length byte, bytes
    void Skip(qsizetype count);
    long double Extended();
    float Single();
    double Double();

    TValueType Tag();           // reads one value tag, refusing unknown ones
    TValueType PeekTag() const; // the next tag without moving (vaNull at the end)

    // Typed value readers: the tag first, then the value.
    int64_t IntegerValue(bool allowInt64);  // vaInt8/16/32 (and vaInt64)
    QString StringValue();                  // any of the four string tags
    QString IdentValue();                   // vaIdent, vaFalse, vaTrue, vaNil
    // The flag byte that may stand before a component's class name (0 when
    // there is none) and the position among siblings it may announce.
    uint8_t ComponentFlags(int64_t* position = nullptr);
    // Skips one value of any kind, nested ones included.
    void SkipValue(int depth = 0);
    // Skips property name/value pairs up to and including the closing vaNull.
    void SkipProperties(int depth = 0);
    // Skips one whole component (header, properties, children).
    void SkipComponent(int depth = 0);

    [[noreturn]] void Fail(const QString& message) const;

private:
    void Need(qsizetype count) const;
    QByteArray data_;  // implicitly shared: no copy of the bytes
    qsizetype pos_;
};

// Appends the binary form to a byte array.
class TByteEncoder {
public:
    explicit TByteEncoder(QByteArray& out) : out_(out) {}
    QByteArray& Out() { return out_; }

    void Tag(TValueType t) { out_.append(char(t)); }
    void Byte(uint8_t b) { out_.append(char(b)); }
    void LE(int64_t v, int size);
    void ShortString(const QByteArray& bytes);  // throws EWriteError beyond 255 bytes

    // The smallest of vaInt8/16/32, vaInt64 beyond 32 bits.
    void Integer(int64_t v);
    // vaString/vaLString when the text fits Windows-1252, vaWString otherwise.
    void String(const QString& s);
    void Ident(const QString& ident);  // vaIdent (or vaFalse/vaTrue/vaNil for those words)
    void Extended(long double v);
    void Single(float v);
    void Currency(int64_t scaled);
    void Date(double v);
    void Binary(const QByteArray& bytes);

private:
    QByteArray& out_;
};
