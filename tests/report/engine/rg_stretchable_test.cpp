// Stretchable components: chains of ShiftRelativeTo generated and drawn
// from their head, continuing over pages, cycles refused, the flags that
// exclude each other, the one-thousandth fit tolerance, the gap below a
// component, partners that go away, and the stream form.

#include <algorithm>

#include "component_fixtures.h"
#include "platform/stream/component_writer.h"
#include "platform/stream/stream_text.h"
#include "report/output/rg_strings.h"

namespace {

using StretchableTest = TComponentsTest;

// The tops of the draw commands whose memo lines start with Prefix.
int TopOf(const QString& Dump, const QString& FirstLine)
{
    for (const QString& line : Dump.split(QLatin1Char('\n')))
        if (line.contains(QStringLiteral("[") + FirstLine))
            return line.section(QLatin1Char(' '), 2, 2).toInt();
    return -1;
}

TEST_F(StretchableTest, AChainIsPlacedAndDrawnFromItsHeadEachBelowTheOneBefore)
{
    auto rows = MakeRows(2);
    MakeMemoReport(rows.get());
    // Band order C, B, A.
    TrgMemo* c = AddMemo(detail, {"C1", "C2"}, 0, 0);
    TrgMemo* b = AddMemo(detail, {"B1", "B2", "B3"}, 0, 0);
    TrgMemo* a = AddMemo(detail, {"A1"}, 0, 0);
    b->SetShiftRelativeTo(a);
    c->SetShiftRelativeTo(b);
    b->SetmmBottomOffset(1000);
    const std::vector<QString> pages = PrintAll();

    ASSERT_EQ(pages.size(), 2u);
    const int line = 4233;
    const int top = kMargin + 5000;
    EXPECT_EQ(MemoLines(pages[0]), (QStringList{"A1", "B1", "B2", "B3", "C1", "C2"}))
        << "head first, whatever the band's order: " << pages[0].toStdString();
    EXPECT_EQ(TopOf(pages[0], "A1"), top);
    EXPECT_EQ(TopOf(pages[0], "B1"), top + line);
    EXPECT_EQ(TopOf(pages[0], "C1"), top + 4 * line + 1000) << "below B's bottom offset";
    // The head's space covers the whole chain: record 2 would begin at
    // top + 6 lines + 1000, where A's line no longer fits.
    EXPECT_EQ(TopOf(pages[1], "A1"), top);
    EXPECT_EQ(a->Dependents(), std::vector<TrgStretchable*>{b});
    EXPECT_EQ(b->Dependents(), std::vector<TrgStretchable*>{c});
}

TEST_F(StretchableTest, AChainGrowsTheBandSoTheNextRecordFollowsItsLowestMember)
{
    auto rows = MakeRows(2);
    MakeMemoReport(rows.get());
    TrgMemo* a = AddMemo(detail, {"A1"}, 0, 0);
    TrgMemo* b = AddMemo(detail, {"B1"}, 0, 0);
    TrgMemo* c = AddMemo(detail, {"C1"}, 0, 0);
    b->SetShiftRelativeTo(a);
    c->SetShiftRelativeTo(b);
    const std::vector<QString> pages = PrintAll();

    ASSERT_EQ(pages.size(), 1u);
    const int line = 4233;
    const int top = kMargin + 5000;
    EXPECT_EQ(MemoLines(pages[0]), (QStringList{"A1", "B1", "C1", "A1", "B1", "C1"}));
    const QStringList dump = pages[0].split('\n');
    EXPECT_EQ(dump.at(5).section(' ', 2, 2).toInt(), top + 3 * line) << "record 2's A below record 1's C";
    EXPECT_EQ(dump.at(7).section(' ', 2, 2).toInt(), top + 5 * line);
}

TEST_F(StretchableTest, AChainContinuesOverPagesAndRegeneratesInAnyOrder)
{
    auto rows = MakeRows(1);
    MakeMemoReport(rows.get());
    TrgMemo* a = AddMemo(detail, Paragraphs(3), 0, 0);
    TrgMemo* b = AddMemo(detail, Paragraphs(12, 4), 0, 0);
    TrgMemo* c = AddMemo(detail, Paragraphs(4, 16), 0, 0);
    b->SetShiftRelativeTo(a);
    c->SetShiftRelativeTo(b);
    report->SetPassSetting(psTwoPass);
    const std::vector<QString> pages = PrintAll();

    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(MemoLines(pages), Paragraphs(19));
    EXPECT_EQ(MemoLines(pages[0]), Paragraphs(7));
    EXPECT_EQ(TopOf(pages[1], "Absatz 8"), kMargin + 5000) << "B goes on at the band's top";
    std::vector<QString> again = Regenerate({3, 2, 1, 2});
    EXPECT_EQ(again[0], pages[2]);
    EXPECT_EQ(again[1], pages[1]);
    EXPECT_EQ(again[2], pages[0]);
    EXPECT_EQ(again[3], pages[1]);
}

// The band repeats its static components when another component continues
// on the next page; a chain whose head already printed must not print again.
TEST_F(StretchableTest, AFinishedChainIsNotRepeatedWhenAnotherMemoOfTheBandContinues)
{
    auto rows = MakeRows(1);
    MakeMemoReport(rows.get());
    TrgMemo* head = AddMemo(detail, {"Kopfzeile"}, 0, 0, false);
    head->SetmmHeight(4500);
    TrgMemo* follower = AddMemo(detail, {"Folgezeile"}, 0, 0, false);
    follower->SetmmHeight(4500);
    follower->SetShiftRelativeTo(head);
    AddMemo(detail, Paragraphs(12), 35000, 0);
    report->SetPassSetting(psTwoPass);
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(MemoLines(pages), (QStringList{"Kopfzeile", "Folgezeile"} + Paragraphs(12)));
}

TEST_F(StretchableTest, ACyclicShiftRelativeToIsRefusedInTheReportsLanguage)
{
    auto rows = MakeRows(1);
    MakeMemoReport(rows.get());
    TrgMemo* a = AddMemo(detail, {"A"}, 0, 0);
    TrgMemo* b = AddMemo(detail, {"B"}, 0, 0);
    TrgMemo* c = AddMemo(detail, {"C"}, 0, 0);
    b->SetShiftRelativeTo(a);
    c->SetShiftRelativeTo(b);
    struct Case {
        TrgMemo* component;
        TrgMemo* target;
    };
    for (TrgLanguageType language : {lgEnglish, lgGerman}) {
        report->SetLanguage(language);
        const QString message = rgLoadString(rgLanguageResourceBase(language) + 342);
        for (const Case& cycle : {Case{a, c}, Case{a, b}, Case{b, c}, Case{a, a}}) {
            TrgStretchable* before = cycle.component->ShiftRelativeTo();
            try {
                cycle.component->SetShiftRelativeTo(cycle.target);
                ADD_FAILURE() << "no error for " << cycle.component->Name.toStdString();
            } catch (const EInvalidPropertyError& error) {
                EXPECT_EQ(QString::fromUtf8(error.what()), message);
            }
            EXPECT_EQ(cycle.component->ShiftRelativeTo(), before) << "the old value stays";
        }
    }
    EXPECT_EQ(rgLoadString(rgLanguageResourceBase(lgEnglish) + 342),
              QStringLiteral("Cyclic assignment of ShiftRelativeTo property."));
    EXPECT_TRUE(rgCanShiftRelativeTo(c, a)) << "a second path to the head is no cycle";
}

TEST_F(StretchableTest, StretchAndTheChainExcludeTheParentFlags)
{
    auto rows = MakeRows(1);
    MakeMemoReport(rows.get());
    auto* band = AddBand<TrgSummaryBand>(5000);
    ASSERT_EQ(band->PrintHeight(), phStatic);
    TrgMemo* head = AddMemo(band, {"A"}, 0, 0, false);
    TrgMemo* memo = AddMemo(band, {"B"}, 0, 0, false);
    memo->SetStretch(true);
    EXPECT_EQ(band->PrintHeight(), phDynamic);

    using Setter = void (TrgPrintable::*)(bool);
    using Getter = bool (TrgPrintable::*)() const;
    struct Flag {
        const char* name;
        Setter set;
        Getter get;
    };
    for (const Flag& flag : {Flag{"ReprintOnOverFlow", &TrgPrintable::SetReprintOnOverFlow, &TrgPrintable::ReprintOnOverFlow},
                             Flag{"ShiftWithParent", &TrgPrintable::SetShiftWithParent, &TrgPrintable::ShiftWithParent},
                             Flag{"StretchWithParent", &TrgPrintable::SetStretchWithParent,
                                  &TrgPrintable::StretchWithParent}}) {
        SCOPED_TRACE(flag.name);
        memo->SetStretch(true);
        memo->SetShiftRelativeTo(head);
        (memo->*flag.set)(true);
        EXPECT_TRUE((memo->*flag.get)());
        EXPECT_FALSE(memo->Stretch());
        EXPECT_EQ(memo->ShiftRelativeTo(), nullptr);
        EXPECT_TRUE(head->Dependents().empty());
        memo->SetShiftRelativeTo(head);
        EXPECT_FALSE((memo->*flag.get)()) << "a chain clears it again";
        (memo->*flag.set)(true);
        memo->SetStretch(true);
        EXPECT_FALSE((memo->*flag.get)()) << "so does Stretch";
    }
}

TEST_F(StretchableTest, AComponentEndingOneThousandthBelowTheLimitStillFits)
{
    // Two records of a 15 mm memo under a header of 5 mm plus Extra: the
    // second ends Extra thousandths below the footer's top.
    for (int extra : {0, 1, 2}) {
        SCOPED_TRACE(extra);
        report = std::make_unique<TCapturingReport>(&form);
        SetUp();
        auto rows = MakeRows(2);
        MakeMemoReport(rows.get());
        ASSERT_TRUE(header->SetmmHeight(5000 + extra));
        detail->SetPrintHeight(phDynamic);
        TrgMemo* memo = AddMemo(detail, {"x"}, 0, 0, false);
        memo->SetmmHeight(15000);
        EXPECT_EQ(PrintAll().size(), extra <= 1 ? 1u : 2u);
    }
}

TEST_F(StretchableTest, TheGapBelowAComponentCountsOnlyWhenItUsedSpace)
{
    auto rows = MakeTexts({Paragraphs(1), {}, Paragraphs(1, 2)});
    MakeMemoReport(rows.get());
    TrgDBMemo* memo = AddDBMemo(detail, QStringLiteral("Text"), 0, 0);
    memo->SetmmBottomOffset(1500);
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 1u);
    const int top = kMargin + 5000;
    EXPECT_EQ(TopOf(pages[0], "Absatz 1"), top);
    EXPECT_EQ(TopOf(pages[0], "Absatz 2"), top + 4233 + 1500) << "the empty record adds nothing";
}

TEST_F(StretchableTest, PartnersThatGoAwayAreForgotten)
{
    auto rows = MakeRows(1);
    MakeMemoReport(rows.get());
    TrgMemo* a = AddMemo(detail, {"A"}, 0, 0);
    auto* b = AddMemo(detail, {"B"}, 0, 0);
    TrgMemo* c = AddMemo(detail, {"C"}, 0, 0);
    b->SetShiftRelativeTo(a);
    c->SetShiftRelativeTo(a);
    delete b;
    EXPECT_EQ(a->Dependents(), std::vector<TrgStretchable*>{c});
    delete a;
    EXPECT_EQ(c->ShiftRelativeTo(), nullptr);

    TrgMemo* d = AddMemo(detail, {"D"}, 0, 0);
    c->SetShiftRelativeTo(d);
    auto* other = AddBand<TrgSummaryBand>(5000);
    d->SetBand(other);
    EXPECT_EQ(c->ShiftRelativeTo(), nullptr) << "a target in another band is dropped";
    EXPECT_TRUE(d->Dependents().empty());
}

TEST_F(StretchableTest, TheNamesOfferedForAChainLeaveOutCyclesAndTheComponentItself)
{
    auto rows = MakeRows(1);
    MakeMemoReport(rows.get());
    TrgMemo* a = AddMemo(detail, {"A"}, 0, 0);
    TrgMemo* b = AddMemo(detail, {"B"}, 0, 0);
    TrgMemo* c = AddMemo(detail, {"C"}, 0, 0);
    a->Name = "Zeta";
    b->Name = "Alpha";
    c->Name = "Mitte";
    TrgLabel* label = AddLabel(detail, "L", 0, 0);
    label->Name = "Beschriftung";
    b->SetShiftRelativeTo(a);
    c->SetShiftRelativeTo(b);

    struct Case {
        TrgComponent* component;
        bool shiftList, descriptions;
        QStringList expected;
    };
    const Case cases[] = {
        {a, true, false, {}},
        {c, true, false, {"Zeta", "Alpha"}},
        {label, true, false, {"Zeta", "Alpha", "Mitte"}},
        {c, true, true, {"Zeta", "Alpha"}},
        {b, false, false, {"Zeta", "Mitte", "Beschriftung"}},
        {label, false, true, {"Zeta", "Alpha", "Mitte"}},
        {c, false, true, {"Zeta", "Alpha", "Beschriftung: L"}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.component->Name.toStdString());
        QStringList names{QStringLiteral("vorher")};
        if (test.shiftList)
            rgGetShiftRelativeToList(test.component, names, test.descriptions);
        else
            rgGetBandComponentNames(test.component, names, test.descriptions);
        EXPECT_EQ(names, QStringList{"vorher"} + test.expected) << "added after what the list held";
    }
}

TEST_F(StretchableTest, AComponentAddedToAnOwnerGetsAUniqueNameUnlessItHasOne)
{
    TComponent owner(nullptr);
    owner.Name = QStringLiteral("Formular");
    auto* first = new TrgMemo(nullptr);
    auto* second = new TrgMemo(nullptr);
    auto* named = new TrgMemo(nullptr);
    named->Name = QStringLiteral("Eigener");
    for (TrgMemo* memo : {first, second, named})
        rgAddComponentToOwner(memo, &owner);
    EXPECT_EQ(owner.ComponentCount(), 3);
    EXPECT_EQ(first->Owner(), &owner);
    EXPECT_FALSE(first->Name.isEmpty());
    EXPECT_NE(first->Name, second->Name);
    EXPECT_TRUE(first->Name.contains(QStringLiteral("Memo"))) << first->Name.toStdString();
    EXPECT_EQ(named->Name, QStringLiteral("Eigener"));
    EXPECT_EQ(owner.FindComponent(second->Name), second);
}

TEST_F(StretchableTest, BothOffsetsAreWrittenEvenWhenZeroAndReadBack)
{
    rgRegisterMemoClasses();
    auto rows = MakeRows(1);
    MakeMemoReport(rows.get());
    TrgMemo* memo = AddMemo(detail, {"A"}, 0, 0);
    memo->Name = "Notiz";
    auto textForm = [](TComponent* Component) {
        QByteArray binary;
        TWriter writer(binary);
        writer.WriteRootComponent(Component);
        return QString::fromLatin1(ObjectBinaryToText(binary));
    };
    const QString zero = textForm(memo);
    EXPECT_TRUE(zero.contains("mmBottomOffset = 0")) << zero.toStdString();
    EXPECT_TRUE(zero.contains("mmOverFlowOffset = 0")) << zero.toStdString();
    memo->SetmmBottomOffset(1234);
    memo->SetmmOverFlowOffset(-56);
    const QString set = textForm(memo);
    EXPECT_TRUE(set.contains("mmBottomOffset = 1234")) << set.toStdString();
    EXPECT_TRUE(set.contains("mmOverFlowOffset = -56")) << set.toStdString();
    EXPECT_TRUE(set.contains("Stretch = True")) << set.toStdString();
}

}  // namespace

namespace {

// The draw command line of the page that shows Text ("" when none).
QString CommandOf(const QString& Dump, const QString& Text)
{
    for (const QString& line : Dump.split(QLatin1Char('\n')))
        if (line.contains(QLatin1Char('"') + Text + QLatin1Char('"')) || line.contains(QLatin1Char('[') + Text))
            return line;
    return {};
}

int BottomOf(const QString& Command)
{
    return Command.section(QLatin1Char(' '), 2, 2).toInt() + Command.section(QLatin1Char(' '), 4, 4).toInt();
}

}  // namespace

TEST_F(StretchableTest, ADynamicBandPrintsWhatFitsUnlessItIsKeptTogether)
{
    // Each record: a note at the top, a fixed box beside it and another
    // 11 mm down, 16 mm in all; the body holds 30 mm, so the second record
    // finds 14 mm left: its note and first box fit, the lower box not. By
    // itself the band prints what fits and goes on with the lower box on the
    // next page; kept together, the second record begins there whole.
    for (const bool together : {false, true}) {
        SCOPED_TRACE(together);
        report = std::make_unique<TCapturingReport>(&form);
        SetUp();
        auto rows = MakeTexts({{"Eins"}, {"Zwei"}, {"Drei"}});
        MakeMemoReport(rows.get());
        detail->SetPrintHeight(phDynamic);
        detail->SetKeepTogether(together);
        AddDBMemo(detail, QStringLiteral("Text"), 0, 0);
        AddDBMemo(detail, QStringLiteral("Text"), 40000, 0, false)->SetmmHeight(5000);
        AddDBMemo(detail, QStringLiteral("Text"), 40000, 11000, false)->SetmmHeight(5000);
        const std::vector<QString> pages = PrintAll();
        ASSERT_GE(pages.size(), 2u);
        const auto count = [&](size_t page, const char* text) {
            return page < pages.size() ? pages[page].count(QStringLiteral("[") + text + "]") : -1;
        };
        EXPECT_EQ(count(0, "Eins"), 3);
        EXPECT_EQ(count(0, "Zwei"), together ? 0 : 2) << pages[0].toStdString();
        EXPECT_EQ(count(1, "Zwei"), together ? 3 : 1) << pages[1].toStdString();
        if (together) {
            EXPECT_EQ(TopOf(pages[1], "Zwei"), kMargin + 5000) << "at the top of the next page";
        }
        int drei = 0;
        for (size_t p = 0; p < pages.size(); ++p)
            drei += count(p, "Drei");
        EXPECT_EQ(drei, 3) << "nothing lost";
    }
}

TEST_F(StretchableTest, AnEntryKeptTogetherMovesWholeWhenItFitsAPageAndGoesOnOnlyWhenTaller)
{
    // Seven lines to a page. Three lines, then a note of five (fits a fresh
    // page, not the four lines left), then one of ten (taller than a page).
    auto rows = MakeTexts({Paragraphs(3), Paragraphs(5, 4), Paragraphs(10, 9)});
    MakeMemoReport(rows.get());
    detail->SetPrintHeight(phDynamic);
    detail->SetKeepTogether(true);
    AddDBMemo(detail, QStringLiteral("Text"), 0, 0);
    report->SetPassSetting(psTwoPass);
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 4u);
    EXPECT_EQ(MemoLines(pages), Paragraphs(18)) << "every line once, in order";
    EXPECT_EQ(MemoLines(pages[0]), Paragraphs(3));
    EXPECT_EQ(MemoLines(pages[1]), Paragraphs(5, 4)) << "the five lines together";
    EXPECT_EQ(MemoLines(pages[2]), Paragraphs(7, 9)) << "the tall note from a page's top";
    EXPECT_EQ(MemoLines(pages[3]), Paragraphs(3, 16));
    EXPECT_EQ(TopOf(pages[1], "Absatz 4"), kMargin + 5000);
    // The pages made again from the cache, in any order, are the same.
    const std::vector<QString> again = Regenerate({4, 2, 3, 1, 2});
    EXPECT_EQ(again[0], pages[3]);
    EXPECT_EQ(again[1], pages[1]);
    EXPECT_EQ(again[2], pages[2]);
    EXPECT_EQ(again[3], pages[0]);
    EXPECT_EQ(again[4], pages[1]);
}

TEST_F(StretchableTest, KeepTogetherIsOffUnlessTheCallerSetsIt)
{
    // Seven lines to a page: three, then a note of five that fits a fresh
    // page but not the four lines left. Without the caller's word the note
    // starts where the first ends and goes on over the page end.
    auto rows = MakeTexts({Paragraphs(3), Paragraphs(5, 4)});
    MakeMemoReport(rows.get());
    detail->SetPrintHeight(phDynamic);
    AddDBMemo(detail, QStringLiteral("Text"), 0, 0);
    EXPECT_FALSE(detail->KeepTogether());
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(MemoLines(pages[0]), Paragraphs(7));
    EXPECT_EQ(MemoLines(pages[1]), Paragraphs(1, 8));
}

TEST_F(StretchableTest, AnEntryKeptTogetherWaitsOnceAlsoBelowAColumnHeader)
{
    // Two columns whose header of one line leaves each column six lines.
    // The note of seven waits for the second column once and then goes on
    // over the column's end, instead of waiting in every column.
    auto rows = MakeTexts({Paragraphs(3), Paragraphs(7, 4)});
    report->SetColumns(2);
    MakeMemoReport(rows.get());
    AddLabel(AddBand<TrgColumnHeaderBand>(4233), QStringLiteral("Spalten"), 0, 0);
    detail->SetPrintHeight(phDynamic);
    detail->SetKeepTogether(true);
    AddDBMemo(detail, QStringLiteral("Text"), 0, 0);
    report->SetPageLimit(8);  // a band waiting in every column would otherwise never end
    const std::vector<QString> pages = PrintAll();
    EXPECT_EQ(MemoLines(pages), Paragraphs(10)) << "every line once, in order";
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(MemoLines(pages[0]), Paragraphs(9));
    EXPECT_TRUE(pages[0].contains(QStringLiteral("TrgDrawText 50000 19233 30000 25398 \"\" MS Sans Serif/8 [Absatz 4|")))
        << "the note from the second column's top, below its header: " << pages[0].toStdString();
    EXPECT_EQ(MemoLines(pages[1]), Paragraphs(1, 10));
}

TEST_F(StretchableTest, WhatStretchesWithTheBandWaitsForThePageWhereANoteGoingOnEnds)
{
    // Ten lines of a note, seven to a page, a fixed label beside it and a
    // rule 1 mm high below them that stretches to the band's bottom.
    auto rows = MakeTexts({Paragraphs(10)});
    MakeMemoReport(rows.get());
    detail->SetPrintHeight(phDynamic);
    AddDBMemo(detail, QStringLiteral("Text"), 0, 0);
    AddLabel(detail, QStringLiteral("Bild"), 40000, 0);
    TrgLabel* rule = AddLabel(detail, QStringLiteral("Regel"), 40000, 5000, 1000);
    rule->SetStretchWithParent(true);
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(CommandOf(pages[0], "Regel"), QString()) << "not beside the note's first part: "
                                                       << pages[0].toStdString();
    const QString onSecond = CommandOf(pages[1], "Regel");
    ASSERT_NE(onSecond, QString()) << pages[1].toStdString();
    EXPECT_GE(BottomOf(onSecond), BottomOf(CommandOf(pages[1], "Absatz 8"))) << pages[1].toStdString();
}
