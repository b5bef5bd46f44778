// The engine's message tables and the filling of their tags.
#include "report/output/rg_strings.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

namespace {

QStringList TagsOf(const QString& message)
{
    QStringList tags;
    static const QRegularExpression tag(QStringLiteral("<[a-z]+>"));
    for (const auto& match : tag.globalMatch(message))
        tags << match.captured();
    return tags;
}

QList<int> NumbersWithText(int base)
{
    QList<int> numbers;
    for (int number = 0; number < rgLanguageBlockSize; ++number)
        if (!rgLoadString(base + number).isEmpty())
            numbers << number;
    return numbers;
}

}  // namespace

TEST(RgStrings, LanguageBases)
{
    const std::pair<TrgLanguageType, int> cases[] = {
        {lgCustom, 43500}, {lgDanish, 48000}, {lgDutch, 46500}, {lgEnglish, 43000},
        {lgFrench, 46000}, {lgGerman, 45000}, {lgItalian, 45500}, {lgPortugueseBrazil, 44500},
        {lgPortuguese, 44000}, {lgSpanish, 47000}, {lgSwedish, 47500}, {lgNorwegian, 48500},
        {static_cast<TrgLanguageType>(12), 43000},
    };
    for (const auto& [language, base] : cases)
        EXPECT_EQ(rgLanguageResourceBase(language), base) << language;
}

TEST(RgStrings, EnglishTextsByNumber)
{
    struct Case {
        int number;
        const char* text;
    };
    const Case cases[] = {
        {1, "100 %"},
        {4, "Calculating page <page> for report <documentname>"},
        {11, "Enter page numbers and/or page ranges separated by commas.  For example, 1,3,5-12."},
        {38, "As"},
        {101, "Align Bottom"},
        {134, "&Open..."},
        {261, "Drill Down Component"},
        {343, "<None>"},
        {415, "PrintPosition exceeds available page space"},
        {430, "Code 39 barcodes can only contain A-Z, 0-9, $, %, +, -, ., /, and spaces"},
        {453, "Only Code B can contain the character <character>"},
        {499, "Toolbars"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(rgLoadString(rgEnglishBase + c.number), QString::fromUtf8(c.text)) << c.number;
}

TEST(RgStrings, EveryTableHoldsTheSameFourHundredEighteenNumbers)
{
    const QList<int> english = NumbersWithText(rgEnglishBase);
    EXPECT_EQ(english.size(), 418);
    EXPECT_EQ(english.first(), 1);
    EXPECT_EQ(english.last(), 499);
    EXPECT_EQ(NumbersWithText(rgGermanBase), english);
    EXPECT_EQ(NumbersWithText(rgFrenchBase), english);
    QList<int> danish = english;
    danish.removeOne(261);
    EXPECT_EQ(NumbersWithText(rgDanishBase), danish);
}

TEST(RgStrings, IdsWithoutTextAreEmpty)
{
    for (int id : {rgEnglishBase, rgEnglishBase + 39, rgEnglishBase + 100, rgEnglishBase + 223,
                   rgEnglishBase + 324, rgEnglishBase + 491, rgGermanBase + 471, rgDanishBase + 261,
                   rgCustomBase, 42999, 49000, 0, -5})
        EXPECT_TRUE(rgLoadString(id).isEmpty()) << id;
}

TEST(RgStrings, GermanTableIsGermanAndOtherLanguagesAnswerInEnglish)
{
    EXPECT_EQ(rgLoadString(rgGermanBase + 18), QStringLiteral("Seite"));
    EXPECT_EQ(rgLoadString(rgGermanBase + 16), QStringLiteral("von"));
    EXPECT_EQ(rgLoadString(rgGermanBase + 23), QStringLiteral("Druckvorschau"));
    EXPECT_EQ(rgLoadString(rgGermanBase + 6), QStringLiteral("Schließen"));
    const int others[] = {rgCustomBase, rgDanishBase, rgDutchBase, rgFrenchBase, rgItalianBase,
                          rgPortugueseBrazilBase, rgPortugueseBase, rgSpanishBase, rgSwedishBase,
                          rgNorwegianBase};
    for (int base : others)
        for (int number : {1, 18, 260, 453, 499})
            EXPECT_EQ(rgLoadString(base + number), rgLoadString(rgEnglishBase + number))
                << base << " " << number;
}

TEST(RgStrings, TheCustomTableHasWordingsOfItsOwn)
{
    EXPECT_EQ(rgLoadString(rgCustomBase + 101), QStringLiteral("Align bottoms"));
    EXPECT_EQ(rgLoadString(rgEnglishBase + 101), QStringLiteral("Align Bottom"));
    // The other messages read as the English ones.
    for (int number : {1, 100, 102, 261, 499})
        EXPECT_EQ(rgLoadString(rgCustomBase + number), rgLoadString(rgEnglishBase + number)) << number;
}

TEST(RgStrings, GermanMessagesCarryTheEnglishTagsInTheSameOrder)
{
    int differing = 0;
    for (int number : NumbersWithText(rgEnglishBase)) {
        const QString english = rgLoadString(rgEnglishBase + number);
        const QString german = rgLoadString(rgGermanBase + number);
        EXPECT_EQ(TagsOf(german), TagsOf(english)) << number;
        if (german != english)
            ++differing;
    }
    EXPECT_GT(differing, 400);  // translated, not copied
}

TEST(RgStrings, TagsBecomePlaceholders)
{
    struct Case {
        QString message;
        QString format;
    };
    const Case cases[] = {
        {QStringLiteral("Drawing page <page> of <pagecount> for report <documentname>"),
         QStringLiteral("Drawing page %s of %s for report %s")},
        {QStringLiteral("<page>/<page>"), QStringLiteral("%s/%s")},
        {QStringLiteral("<pagecount><page>"), QStringLiteral("%s%s")},
        {QStringLiteral("BarWidth must be at least <minbarwidth>"),
         QStringLiteral("BarWidth must be at least %s")},
        {QStringLiteral("100 %"), QStringLiteral("100 %")},
        {QStringLiteral("Save changes to <reportname>."), QStringLiteral("Save changes to <reportname>.")},
        {QStringLiteral("<Page> <PAGE>"), QStringLiteral("<Page> <PAGE>")},
        {QStringLiteral("<<page>>"), QStringLiteral("<%s>")},
        {QString(), QString()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(rgMessageTagsToFormat(c.message), c.format) << c.message.toStdString();
}

TEST(RgStrings, ValuesFillThePlaceholdersInOrderAndNothingElse)
{
    EXPECT_EQ(rgFillMessageTags(rgLoadString(rgEnglishBase + 28),
                                {QStringLiteral("3"), QStringLiteral("12"), QStringLiteral("Bilder"),
                                 QStringLiteral("HP LaserJet")}),
              QStringLiteral("Printing page 3 of 12 for report Bilder on the HP LaserJet"));
    EXPECT_EQ(rgFillMessageTags(rgLoadString(rgGermanBase + 21), {QStringLiteral("2"), QStringLiteral("7")}),
              QStringLiteral("Vorschau: Seite 2 von 7"));
    // A tag used twice needs its value twice.
    EXPECT_EQ(rgFillMessageTags(QStringLiteral("<page> und <page>"), {QStringLiteral("1"), QStringLiteral("2")}),
              QStringLiteral("1 und 2"));
    // Percent signs in the text and in the values are plain characters.
    EXPECT_EQ(rgFillFormat(QStringLiteral("100 % of %s %d %"), {QStringLiteral("%s%n")}),
              QStringLiteral("100 % of %s%n %d %"));
    EXPECT_EQ(rgFillFormat(QStringLiteral("%s-%s-%s"), {QStringLiteral("a")}), QStringLiteral("a--"));
    EXPECT_EQ(rgFillFormat(QStringLiteral("%"), {}), QStringLiteral("%"));
    EXPECT_EQ(rgFillFormat(QStringLiteral("kein Platzhalter"), {QStringLiteral("x")}),
              QStringLiteral("kein Platzhalter"));
}
