// Edit masks applied to text for display.
#include "platform/core/mask_utils.h"

#include <gtest/gtest.h>

TEST(MaskUtils, FormatMaskText)
{
    struct Case {
        const char* mask;
        const char* value;
        const char* text;
    };
    const Case cases[] = {
        {"!\\(999\\)\\ 000\\-0000;0; ", "5551234567", "(555) 123-4567"},
        {"!\\(999\\)\\ 000\\-0000;0; ", "1234567", "(   ) 123-4567"},
        {"\\(999\\)\\ 000\\-0000;0; ", "1234567", "(123) 456-7   "},
        {"!99999;0; ", "123", "  123"},
        {"000\\-00\\-0000;0; ", "123456789", "123-45-6789"},
        {"00000\\-9999;0; ", "12345", "12345-    "},
        {"00000;0; ", "1234567", "12345"},
        {"!99/99/00;0; ", "120395", "12.03.95"},
        {"!90:00:00\\ >LL;0; ", "123055pm", "12:30:55 PM"},
        {"!90:00;0; ", "930", " 9:30"},
        {">LL<ll<>Ll;0; ", "abCDeF", "ABcdeF"},
        {"LL_LL;0; ", "abcd", "ab cd"},
        {"!99/99/00;1;_", "12.03.95", "12.03.95"},
        {"!99/99/00;1;_", "1203", "12.03.  "},
        {"99/99", "12.03", "12.03"},
        {"99/99;1; ", "1203", "12.03"},
        {"", "abc", ""},
        {"000;0; ", "", "   "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatMaskText(QString::fromUtf8(c.mask), QString::fromUtf8(c.value)), QString::fromUtf8(c.text))
            << c.mask << " | " << c.value;
}

TEST(MaskUtils, SeparatorsComeFromTheFormatSettings)
{
    TFormatSettings us;
    us.DateSeparator = u'/';
    us.TimeSeparator = u'.';
    EXPECT_EQ(FormatMaskText(QStringLiteral("99/99/00;0; "), QStringLiteral("030495"), us), QStringLiteral("03/04/95"));
    EXPECT_EQ(FormatMaskText(QStringLiteral("90:00;0; "), QStringLiteral("1230"), us), QStringLiteral("12.30"));
}
