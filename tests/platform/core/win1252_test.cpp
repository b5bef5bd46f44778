// Guards the Windows-1252 text conversion of files and ini values.
#include "platform/core/exceptions.h"
#include "platform/core/win1252.h"

#include <gtest/gtest.h>

TEST(Win1252, EveryByteSurvivesDecodeAndEncode)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QString text = Win1252Decode(all);
    ASSERT_EQ(text.size(), 256);
    auto back = Win1252Encode(text);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, all);
}

TEST(Win1252, DecodesTheCodePageCharacters)
{
    struct Case {
        unsigned char byte;
        char16_t unicode;
    } cases[] = {
        {0x41, u'A'},    {0x80, 0x20AC}, {0x8A, 0x0160}, {0x9F, 0x0178}, {0xA0, 0x00A0},
        {0xC4, u'Ä'},    {0xDF, u'ß'},   {0xE4, u'ä'},   {0xFF, 0x00FF},
        // Unassigned bytes come back as the C1 control of the same value.
        {0x81, 0x0081}, {0x8D, 0x008D}, {0x8F, 0x008F}, {0x90, 0x0090}, {0x9D, 0x009D},
    };
    for (const Case& c : cases) {
        const char byte = static_cast<char>(c.byte);
        EXPECT_EQ(Win1252Decode(QByteArrayView(&byte, 1)), QString(QChar(c.unicode))) << int(c.byte);
        EXPECT_EQ(Win1252EncodeChar(c.unicode), std::optional<unsigned char>(c.byte)) << int(c.byte);
    }
}

TEST(Win1252, UnencodableTextIsAnErrorNamingTheCharacters)
{
    const QString text = QStringLiteral("Łódź Ł ") + QString::fromUtf8("\xF0\x9F\x98\x80");  // emoji
    QString bad;
    EXPECT_FALSE(Win1252Encode(text, &bad).has_value());
    EXPECT_EQ(bad, QStringLiteral("Łź") + QString::fromUtf8("\xF0\x9F\x98\x80"));  // each once
    EXPECT_FALSE(Win1252CanEncode(text));
    EXPECT_FALSE(Win1252Encode(QStringLiteral("\u0100")).has_value());  // Ā
    try {
        Win1252EncodeOrThrow(text);
        FAIL() << "no exception";
    } catch (const EEncodingError& e) {
        EXPECT_EQ(e.Text, text);
        EXPECT_TRUE(e.Message.contains(text));
    }
    // Text that fits gives no "?" anywhere.
    EXPECT_EQ(Win1252EncodeOrThrow(QStringLiteral("Grüße €")), QByteArray("Gr\xFC\xDF" "e \x80"));
}
