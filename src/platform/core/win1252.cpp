#include "platform/core/win1252.h"

#include "platform/core/exceptions.h"

namespace {

// 0x80-0x9F; unassigned bytes map to the C1 control of the same value.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

QString Win1252Decode(QByteArrayView bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        auto b = static_cast<unsigned char>(bytes[i]);
        d[i] = (b >= 0x80 && b < 0xA0) ? QChar(kHigh[b - 0x80]) : QChar(b);
    }
    return out;
}

std::optional<unsigned char> Win1252EncodeChar(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<unsigned char>(c);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == c)
            return static_cast<unsigned char>(0x80 + i);
    return std::nullopt;
}

std::optional<QByteArray> Win1252Encode(const QString& text, QString* offending)
{
    QByteArray out;
    out.reserve(text.size());
    bool ok = true;
    if (offending)
        offending->clear();
    for (qsizetype i = 0; i < text.size(); ++i) {
        auto b = Win1252EncodeChar(text[i].unicode());
        if (b) {
            out.append(static_cast<char>(*b));
            continue;
        }
        ok = false;
        if (!offending)
            return std::nullopt;
        // Keep a surrogate pair together as one character.
        QString ch(text[i]);
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ch += text[++i];
        if (!offending->contains(ch))
            offending->append(ch);
    }
    if (!ok)
        return std::nullopt;
    return out;
}

QByteArray Win1252EncodeOrThrow(const QString& text)
{
    QString bad;
    auto bytes = Win1252Encode(text, &bad);
    if (!bytes)
        throw EEncodingError(QStringLiteral("Der Text \"%1\" enthält Zeichen, die nicht gespeichert "
                                            "werden können: %2").arg(text, bad),
                             text);
    return *bytes;
}

bool Win1252CanEncode(const QString& text)
{
    for (QChar c : text)
        if (!Win1252EncodeChar(c.unicode()))
            return false;
    return true;
}

QString DecodeTextFile(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.sliced(3));
    return Win1252Decode(bytes);
}
