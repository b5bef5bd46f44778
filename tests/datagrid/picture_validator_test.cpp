// Guards the picture-mask validator: the mask's status and complete or partial input.
#include "datagrid/picture_validator.h"

#include <gtest/gtest.h>

namespace {

struct PictureCase {
    const char* mask;
    QString text;
    bool autoFill;
    TPicResult result;
    QString after;  // the text as it comes back
};

void PrintTo(const PictureCase& c, std::ostream* os)
{
    *os << c.mask << " / \"" << c.text.toStdString() << "\"" << (c.autoFill ? " (fill)" : "");
}

class PictureCases : public ::testing::TestWithParam<PictureCase> {};

TEST_P(PictureCases, ResultAndText)
{
    const PictureCase& c = GetParam();
    TdkPictureValidator v(QString::fromUtf8(c.mask), c.autoFill);
    QString text = c.text;
    EXPECT_EQ(v.Picture(text, c.autoFill), c.result);
    EXPECT_EQ(text, c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Masks, PictureCases,
    ::testing::Values(
        // The date mask of the album manager.
        PictureCase{"##.##.####", "12", true, prIncomplete, "12."},
        PictureCase{"##.##.####", "12", false, prIncomplete, "12"},
        PictureCase{"##.##.####", "12.05", true, prIncomplete, "12.05."},
        PictureCase{"##.##.####", "12.05.2006", false, prComplete, "12.05.2006"},
        PictureCase{"##.##.####", "12.05.2006x", false, prError, "12.05.2006x"},
        PictureCase{"##.##.####", "1.05.2006", false, prError, "1.05.2006"},
        PictureCase{"##.##.####", "ab", false, prError, "ab"},
        // The time mask: optional second digits.
        PictureCase{"#[#]:#[#]:#[#]", "1:2:3", false, prComplete, "1:2:3"},
        PictureCase{"#[#]:#[#]:#[#]", "12:34:56", false, prComplete, "12:34:56"},
        PictureCase{"#[#]:#[#]:#[#]", "12:34", false, prIncomplete, "12:34"},
        PictureCase{"#[#]:#[#]:#[#]", "12:34:567", false, prError, "12:34:567"},
        PictureCase{"#[#]:#[#]:#[#]", "1x", false, prError, "1x"},
        // Case conversions.
        PictureCase{"&&", "ab", false, prComplete, "AB"},
        PictureCase{"~~", "AB", false, prComplete, "ab"},
        PictureCase{"!!!", "a1ü", false, prComplete, "A1Ü"},
        PictureCase{"&", "1", false, prError, "1"},
        PictureCase{"@@", "a1", false, prComplete, "a1"},
        // A blank at the end stands for the literal due there.
        PictureCase{"##.##", "12 ", false, prIncomplete, "12."},
        PictureCase{"##.##", "12 3", false, prError, "12 3"},
        // Letters: codes 129 to 255 of Windows-1252, not 128 (the euro sign).
        PictureCase{"?", "ä", false, prComplete, "ä"},
        PictureCase{"?", "ÿ", false, prComplete, "ÿ"},
        PictureCase{"?", "€", false, prError, "€"},
        PictureCase{"?", "5", false, prError, "5"},
        // Literals: compared without case, stored as the mask has them;
        // ";" makes a special character literal.
        PictureCase{"AB#", "ab1", false, prComplete, "AB1"},
        PictureCase{";##", "#1", false, prComplete, "#1"},
        PictureCase{";##", "11", false, prError, "11"},
        // Repetition.
        PictureCase{"*3#", "12", false, prIncomplete, "12"},
        PictureCase{"*3#", "123", false, prComplete, "123"},
        PictureCase{"*3#", "1234", false, prError, "1234"},
        PictureCase{"*#", "98765", false, prComplete, "98765"},
        PictureCase{"*&", "abc", false, prComplete, "ABC"},
        // Alternatives, groups and options.
        PictureCase{"{Ja,Nein}", "ja", false, prComplete, "Ja"},
        PictureCase{"{Ja,Nein}", "NEIN", false, prComplete, "Nein"},
        PictureCase{"{Ja,Nein}", "N", false, prIncomplete, "N"},
        PictureCase{"{Ja,Nein}", "X", false, prError, "X"},
        PictureCase{"[A]B", "B", false, prComplete, "B"},
        PictureCase{"[A]B", "AB", false, prComplete, "AB"},
        PictureCase{"#[#].#[#].##[##]", "1.2.06", false, prComplete, "1.2.06"},
        PictureCase{"#[#].#[#].##[##]", "1.2.2006", false, prComplete, "1.2.2006"},
        PictureCase{"#{#,x}", "1X", false, prComplete, "1x"},
        // Empty text; bad masks.
        PictureCase{"##", "", false, prEmpty, ""},
        PictureCase{"##;", "1", false, prSyntax, "1"},
        PictureCase{"[#", "1", false, prSyntax, "1"},
        PictureCase{"{#", "1", false, prSyntax, "1"},
        PictureCase{"#]", "1", false, prSyntax, "1"},
        PictureCase{"#*", "1", false, prSyntax, "1"},
        PictureCase{"#;*", "1*", false, prComplete, "1*"}));

TEST(PictureValidator, StatusOfTheMaskAndOptions)
{
    EXPECT_EQ(TdkPictureValidator("##.##.####", true).Status(), 0);
    EXPECT_EQ(TdkPictureValidator("##.##.####", true).Options(), 5);
    EXPECT_EQ(TdkPictureValidator("##.##.####", false).Options(), 4);
    for (const char* bad : {"##;", "[#", "{{#}", "#]", "#*", ""})
        EXPECT_EQ(TdkPictureValidator(bad, false).Status(), 1) << bad;
    // Positions are 8-bit: longer masks and texts are refused, never wrapped.
    EXPECT_EQ(TdkPictureValidator(QString(256, u'#'), false).Status(), 1);
    TdkPictureValidator v("*#", false);
    QString longText(300, u'1');
    EXPECT_EQ(v.Picture(longText, false), prError);
}

TEST(PictureValidator, IsValidAndIsValidInput)
{
    TdkPictureValidator v("##.##.####", true);
    EXPECT_TRUE(v.IsValid(""));  // empty is accepted
    EXPECT_TRUE(v.IsValid("12.05.2006"));
    EXPECT_FALSE(v.IsValid("12.05"));  // incomplete is not valid
    EXPECT_FALSE(v.IsValid("12.05.2006x"));
    QString typed = "12";
    EXPECT_TRUE(v.IsValidInput(typed, false));
    EXPECT_EQ(typed, "12.");
    typed = "12";
    EXPECT_TRUE(v.IsValidInput(typed, true));  // fill suppressed
    EXPECT_EQ(typed, "12");
    typed = "1a";
    EXPECT_FALSE(v.IsValidInput(typed, false));

    TdkPictureValidator none("", true);
    EXPECT_TRUE(none.IsValid("anything"));
    QString any = "x";
    EXPECT_TRUE(none.IsValidInput(any, false));
    // A bad mask blocks nothing while typing, but nothing is valid with it.
    TdkPictureValidator bad("##;", true);
    EXPECT_TRUE(bad.IsValidInput(any, false));
    EXPECT_FALSE(bad.IsValid("12"));
}

}  // namespace
