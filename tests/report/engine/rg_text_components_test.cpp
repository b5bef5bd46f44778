// Labels: sizing to the text by alignment, word wrap into the draw command,
// the OnGetText event, the save order of the text-file export and renaming.

#include "engine_fixtures.h"
#include "platform/stream/component_reader.h"
#include "platform/stream/stream_text.h"

namespace {

using TextTest = TEngineTest;

TEST_F(TextTest, AutoSizeKeepsTheEdgeTheAlignmentNames)
{
    // Fixed advances: "a" 100 units = 8 screen pixels; "w" 20 px; "c" 3 px.
    measure.Advances.insert(QLatin1Char('w'), 250);
    measure.Advances.insert(QLatin1Char('c'), 37.5);
    struct Case {
        TAlignment alignment;
        QString before, after;
        int widthBefore, widthAfter, leftAfter;
    };
    const Case cases[] = {
        {taRightJustify, "aaaaa", "aaaaaw", 40, 60, 80},   // grows by 20: moves 20 left
        {taLeftJustify, "aaaaa", "aaaaaw", 40, 60, 100},   // keeps its left edge
        {taCenter, "aaaaa", "aaaac", 40, 35, 102},         // shrinks by 5: 5 div 2 to the right
        {taCenter, "aaaaa", "aaaaaw", 40, 60, 90},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.alignment));
        TrgLabel label(nullptr);
        label.SetAlignment(c.alignment);
        label.SetCaption(c.before);
        label.SetPixelBounds(100, 10, label.GetPixelWidth(), label.GetPixelHeight());
        EXPECT_EQ(label.GetPixelWidth(), c.widthBefore);
        EXPECT_EQ(label.GetPixelHeight(), TFakeTextMeasure::kHeight * 96 / 1200);
        label.SetCaption(c.after);
        EXPECT_EQ(label.GetPixelWidth(), c.widthAfter);
        EXPECT_EQ(label.GetPixelLeft(), c.leftAfter);
        EXPECT_EQ(label.GetPixelTop(), 10);
    }
}

TEST_F(TextTest, AWordWrappingLabelWithoutAutoSizeKeepsItsSize)
{
    TrgLabel label(nullptr);
    label.SetAutoSize(false);
    label.SetWordWrap(true);
    label.SetmmBounds(0, 0, 30000, 12000);
    label.SetCaption(QStringLiteral("ein viel längerer Text als zuvor"));
    EXPECT_EQ(label.mmWidth(), 30000);
    EXPECT_EQ(label.mmHeight(), 12000);

    // Without word wrap and AutoSize only the height follows the text when
    // the label is sized again (here by a font change); the width stays.
    label.SetWordWrap(false);
    label.SetCaption(QStringLiteral("zwei\nZeilen"));
    const int pixelWidth = label.GetPixelWidth();
    TFont font;
    font.SetName(QStringLiteral("Arial"));
    label.SetFont(&font);
    EXPECT_EQ(label.GetPixelWidth(), pixelWidth);
    EXPECT_EQ(label.GetPixelHeight(), 2 * TFakeTextMeasure::kHeight * 96 / 1200);
}

TEST_F(TextTest, AWrappedLabelHandsItsLinesToTheDrawCommand)
{
    auto* band = AddBand<TrgDetailBand>(10000);
    TrgLabel* label = AddLabel(band, QString(), 0, 0, 9000);
    label->SetWordWrap(true);
    // 30 mm hold 14 characters of 100 units at 1200 units per inch; a word
    // is measured with the blank that ends it, so "cccc " no longer fits.
    label->SetCaption(QStringLiteral("aaaa bbbb cccc dddd"));
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_TRUE(pages[0].contains(QStringLiteral("\"aaaa bbbb cccc dddd\" MS Sans Serif/8 [aaaa bbbb|cccc dddd]")))
        << pages[0].toStdString();
}

TEST_F(TextTest, OnGetTextChangesWhatPrintsButNotWhereItPrints)
{
    auto* band = AddBand<TrgDetailBand>(10000);
    TrgLabel* label = AddLabel(band, QStringLiteral("Vorlage"), 2000, 3000);
    AddLabel(band, QStringLiteral("daneben"), 40000, 3000);
    for (const QString& replacement : {QStringLiteral("anders"), QString()}) {
        label->OnGetText = [replacement](TObject*, QString& Text) { Text = replacement; };
        const std::vector<QString> pages = PrintAll();
        ASSERT_EQ(pages.size(), 1u);
        EXPECT_TRUE(pages[0].contains(QStringLiteral("TrgDrawText 12000 13000 30000 4000 \"%1\"").arg(replacement)))
            << pages[0].toStdString();
        EXPECT_TRUE(pages[0].contains(QStringLiteral("\"daneben\"")));
    }
}

TEST_F(TextTest, TheSaveOrderIsThePlaceInTheBandsSaveList)
{
    auto* band = AddBand<TrgDetailBand>(10000);
    TrgLabel* a = AddLabel(band, QStringLiteral("a"), 0, 0);
    TrgLabel* b = AddLabel(band, QStringLiteral("b"), 0, 0);
    TrgLabel* c = AddLabel(band, QStringLiteral("c"), 0, 0);
    TrgLabel* unsaved = AddLabel(band, QStringLiteral("d"), 0, 0);
    for (TrgLabel* label : {a, b, c})
        label->SetSave(true);
    EXPECT_EQ(unsaved->GetSaveOrder(), -1);

    struct Case {
        TrgLabel* label;
        int order;
        std::vector<TrgCustomText*> expected;
    };
    const Case cases[] = {
        {a, 10, {b, c, a}},
        {a, -4, {a, b, c}},
        {c, 1, {a, c, b}},
    };
    for (const Case& step : cases) {
        step.label->SetSaveOrder(step.order);
        EXPECT_EQ(band->SaveList(), step.expected) << step.order;
    }
    b->SetSave(false);
    EXPECT_EQ(band->SaveList(), (std::vector<TrgCustomText*>{a, c}));
    EXPECT_EQ(c->GetSaveOrder(), 1);
}

TEST_F(TextTest, ASavedTextReadFromAStreamKeepsItsSaveOrder)
{
    const QByteArray text = "object rgReport1: TrgReport\r\n"
                            "  object rgDetailBand1: TrgDetailBand\r\n"
                            "    object Erster: TrgLabel\r\n"
                            "      Save = True\r\n"
                            "      SaveOrder = 1\r\n"
                            "    end\r\n"
                            "    object Ohne: TrgLabel\r\n"
                            "      Save = True\r\n"
                            "    end\r\n"
                            "    object Zweiter: TrgLabel\r\n"
                            "      Save = True\r\n"
                            "      SaveOrder = 0\r\n"
                            "    end\r\n"
                            "    object Nicht: TrgLabel\r\n"
                            "    end\r\n"
                            "  end\r\n"
                            "end\r\n";
    TComponent owner(nullptr);
    TrgReport loaded(&owner);
    ComponentFromBytes(ObjectTextToBinary(text), &loaded);
    ASSERT_EQ(loaded.GetBandCount(), 1);
    QStringList names;
    for (const TrgCustomText* saved : loaded.GetBandAt(0)->SaveList())
        names << saved->Name;
    EXPECT_EQ(names, (QStringList{"Zweiter", "Erster", "Ohne"}));
}

TEST_F(TextTest, ANewLabelKeepsItsDefaultSize)
{
    TrgLabel label(nullptr);
    EXPECT_TRUE(label.AutoSize());
    EXPECT_EQ(label.GetPixelWidth(), 65);
    EXPECT_EQ(label.GetPixelHeight(), 17);
}

TEST_F(TextTest, ALabelNamedAfterItsCaptionFollowsARename)
{
    TrgLabel named(nullptr), captioned(nullptr);
    named.Name = QStringLiteral("Label1");
    named.SetCaption(QStringLiteral("Label1"));
    captioned.Name = QStringLiteral("Label2");
    captioned.SetCaption(QStringLiteral("Preis"));
    named.Rename(QStringLiteral("Titel"));
    captioned.Rename(QStringLiteral("Betrag"));
    EXPECT_EQ(named.Caption(), QStringLiteral("Titel"));
    EXPECT_EQ(captioned.Caption(), QStringLiteral("Preis"));
    EXPECT_EQ(captioned.GetDescription(), QStringLiteral("Betrag: Preis"));
}

}  // namespace
