// Groups: case-sensitive breaks, outer groups breaking inner ones, footers
// inner to outer and headers outer to inner, new page and threshold,
// headers repeated on following pages, merged groups through
// OnGetBreakValue, and pages made again from the cache.

#include <QRegularExpression>

#include "engine_fixtures.h"
#include "report/engine/rg_groups.h"

namespace {

QStringList Texts(const std::vector<QString>& Pages, int Page)
{
    QStringList texts;
    static const QRegularExpression quoted(QStringLiteral("\"([^\"]*)\""));
    for (auto it = quoted.globalMatch(Pages.at(size_t(Page))); it.hasNext();)
        texts << it.next().captured(1);
    return texts;
}

QStringList AllTexts(const std::vector<QString>& Pages)
{
    QStringList texts;
    for (size_t i = 0; i < Pages.size(); ++i)
        texts << Texts(Pages, int(i));
    return texts;
}

class GroupTest : public TEngineTest {
protected:
    // Records of (Land, Ort, Name).
    void MakeRecords(const std::vector<QStringList>& Records)
    {
        rows = std::make_unique<TListPipeline>(nullptr, QStringList{"Land", "Ort", "Name"}, Records);
        header = AddBand<TrgHeaderBand>(5000);
        AddLabel(header, QStringLiteral("Kopf"), 0, 0, 2000);
        detail = AddBand<TrgDetailBand>(3000);
        ShowField(AddLabel(detail, QString(), 0, 0, 2000), "Name");
        footer = AddBand<TrgFooterBand>(5000);
        AddLabel(footer, QStringLiteral("Fuß"), 0, 0, 2000);
        report->SetDataPipeline(rows.get());
    }
    // A group on a field with a header showing the value and a footer
    // showing "Ende" and the value.
    TrgGroup* AddGroup(const QString& Field, int HeaderHeight = 3000)
    {
        auto* group = new TrgGroup(&form);
        group->SetBreakName(Field);
        group->SetDataPipeline(rows.get());
        report->AddGroup(group);
        auto* groupHeader = new TrgGroupHeaderBand(&form);
        groupHeader->SetGroup(group);
        groupHeader->SetmmHeight(HeaderHeight);
        ShowField(AddLabel(groupHeader, QString(), 0, 0, 2000), Field);
        auto* groupFooter = new TrgGroupFooterBand(&form);
        groupFooter->SetGroup(group);
        groupFooter->SetmmHeight(3000);
        ShowField(AddLabel(groupFooter, QString(), 0, 0, 2000), Field, QStringLiteral("Ende "));
        return group;
    }
    void ShowField(TrgLabel* Label, const QString& Field, const QString& Prefix = {})
    {
        TListPipeline* pipeline = rows.get();
        Label->OnPrint = [Label, Field, Prefix, pipeline](TObject*) {
            Label->SetCaption(Prefix + pipeline->GetFieldAsString(Field));
        };
    }

    std::unique_ptr<TListPipeline> rows;
};

TEST_F(GroupTest, BreaksCompareTheValuesExactly)
{
    MakeRecords({{"D", "Berlin", "a"}, {"D", "Berlin", "b"}, {"D", "Bonn", "c"}, {"D", "bonn", "d"}});
    AddGroup(QStringLiteral("Ort"));
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(Texts(pages, 0), (QStringList{"Kopf", "Berlin", "a", "b", "Ende Berlin", "Bonn", "c", "Ende Bonn", "bonn",
                                            "d", "Ende bonn", "Fuß"}));
}

TEST_F(GroupTest, AGroupWithoutAPipelineTakesTheReportsOnAField)
{
    MakeRecords({{"D", "Berlin", "a"}, {"D", "Bonn", "b"}});
    TrgGroup* town = AddGroup(QStringLiteral("Ort"));
    TrgGroup* other = AddGroup(QStringLiteral("Strasse"));
    TListPipeline elsewhere(nullptr, QStringList{"Strasse"}, {{"x"}});
    other->SetDataPipeline(&elsewhere);
    TrgGroup* custom = AddGroup(QStringLiteral("lblName"));
    custom->SetBreakType(btCustomField);
    for (TrgGroup* group : {town, custom})
        group->SetDataPipeline(nullptr);
    report->SetDataPipeline(nullptr);
    report->SetDataPipeline(rows.get());
    EXPECT_EQ(town->DataPipeline(), rows.get()) << "a group without pipeline breaks on the report's";
    EXPECT_EQ(other->DataPipeline(), &elsewhere) << "Strasse is no field of the report's pipeline";
    EXPECT_EQ(custom->DataPipeline(), nullptr) << "a custom-field group has no pipeline";
    delete other;
    delete custom;
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(Texts(pages, 0), (QStringList{"Kopf", "Berlin", "a", "Ende Berlin", "Bonn", "b", "Ende Bonn", "Fuß"}));
}

TEST_F(GroupTest, AGroupWithoutFooterBandStillMovesOnAfterItsBreak)
{
    MakeRecords({{"D", "Berlin", "a"}, {"D", "Bonn", "b"}, {"D", "Köln", "c"}});
    TrgGroup* group = AddGroup(QStringLiteral("Ort"));
    delete group->FooterBand();
    ASSERT_EQ(group->FooterBand(), nullptr);
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(Texts(pages, 0), (QStringList{"Kopf", "Berlin", "a", "Bonn", "b", "Köln", "c", "Fuß"}));
}

TEST_F(GroupTest, AnOuterBreakClosesInnerGroupsFirstAndOpensThemLast)
{
    MakeRecords({{"D", "Bonn", "a"}, {"D", "Köln", "b"}, {"F", "Köln", "c"}});
    TrgGroup* land = AddGroup(QStringLiteral("Land"));
    AddGroup(QStringLiteral("Ort"));
    ASSERT_EQ(land->GetGroupIndex(), 0);
    report->PrinterSetup()->SetDefinedValue(4, 200000);  // a tall page holds them all
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(Texts(pages, 0), (QStringList{"Kopf", "D", "Bonn", "a", "Ende Bonn", "Köln", "b", "Ende Köln", "Ende D",
                                            "F", "Köln", "c", "Ende Köln", "Ende F", "Fuß"}))
        << "the inner group breaks with the outer one although Köln follows Köln";
}

TEST_F(GroupTest, NewPageStartsEveryGroupButTheFirstOnAPageOfItsOwn)
{
    MakeRecords({{"D", "Berlin", "a"}, {"D", "Bonn", "b"}, {"D", "Bonn", "c"}, {"D", "Köln", "d"}});
    AddGroup(QStringLiteral("Ort"))->NewPage = true;
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(Texts(pages, 0), (QStringList{"Kopf", "Berlin", "a", "Ende Berlin", "Fuß"}));
    EXPECT_EQ(Texts(pages, 1), (QStringList{"Kopf", "Bonn", "b", "c", "Ende Bonn", "Fuß"}));
    EXPECT_EQ(Texts(pages, 2), (QStringList{"Kopf", "Köln", "d", "Ende Köln", "Fuß"}));
}

TEST_F(GroupTest, AnOuterGroupsNewPageIsTheOnlyPageBreakOfItsInnerGroups)
{
    MakeRecords({{"D", "Bonn", "a"}, {"D", "Köln", "b"}, {"F", "Köln", "c"}});
    TrgGroup* land = AddGroup(QStringLiteral("Land"));
    TrgGroup* town = AddGroup(QStringLiteral("Ort"));
    land->NewPage = true;
    town->NewPage = true;
    for (const int threshold : {0, 20000}) {
        SCOPED_TRACE(threshold);
        // The inner header also wants more room than is left below the outer one.
        town->mmNewPageThreshold = threshold;
        const std::vector<QString> pages = PrintAll();
        ASSERT_EQ(pages.size(), 3u);
        EXPECT_EQ(Texts(pages, 0), (QStringList{"Kopf", "D", "Bonn", "a", "Ende Bonn", "Fuß"}));
        EXPECT_EQ(Texts(pages, 1), (QStringList{"Kopf", "D", "Köln", "b", "Ende Köln", "Ende D", "Fuß"}));
        EXPECT_EQ(Texts(pages, 2), (QStringList{"Kopf", "F", "Köln", "c", "Ende Köln", "Ende F", "Fuß"}))
            << "no page holds the outer header alone";
    }
}

TEST_F(GroupTest, AnInnerGroupsNewPageStaysUnlessAnOuterHeaderBreaksThePage)
{
    // Only an outer group's header band that starts a new page takes the
    // inner groups' page breaks over; an outer group without a header, or
    // with one that does not start a new page, leaves the inner header to
    // break the page.
    struct Case {
        bool outerHeader, outerNewPage;
        std::vector<QStringList> pages;
    };
    const Case cases[] = {
        {false, true,
         {{"Kopf", "Bonn", "a", "Ende Bonn", "Fuß"},
          {"Kopf", "Köln", "b", "Ende Köln", "Ende D", "Fuß"},
          {"Kopf", "Köln", "c", "Ende Köln", "Ende F", "Fuß"}}},
        {true, false,
         {{"Kopf", "D", "Bonn", "a", "Ende Bonn", "Fuß"},
          {"Kopf", "D", "Köln", "b", "Ende Köln", "Ende D", "F", "Fuß"},
          {"Kopf", "F", "Köln", "c", "Ende Köln", "Ende F", "Fuß"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.outerHeader);
        report = std::make_unique<TCapturingReport>(&form);
        SetUp();
        MakeRecords({{"D", "Bonn", "a"}, {"D", "Köln", "b"}, {"F", "Köln", "c"}});
        TrgGroup* land = AddGroup(QStringLiteral("Land"));
        TrgGroup* town = AddGroup(QStringLiteral("Ort"));
        if (!c.outerHeader) {
            delete land->HeaderBand();
            ASSERT_EQ(land->HeaderBand(), nullptr);
        }
        land->NewPage = c.outerNewPage;
        town->NewPage = true;
        const std::vector<QString> pages = PrintAll();
        ASSERT_EQ(pages.size(), c.pages.size()) << AllTexts(pages).join('|').toStdString();
        for (size_t p = 0; p < pages.size(); ++p)
            EXPECT_EQ(Texts(pages, int(p)), c.pages[p]) << "page " << p + 1;
    }
}

TEST_F(GroupTest, AHeaderBelowItsThresholdMovesToTheNextPage)
{
    // Body from 15 to 45 mm: the first group takes 3 + 4 x 3 + 3 = 18 mm,
    // leaving 12 mm, enough for the second group's 9 mm.
    std::vector<QStringList> records;
    for (int i = 0; i < 4; ++i)
        records.push_back({"D", "Berlin", QStringLiteral("b%1").arg(i)});
    records.push_back({"D", "Bonn", "x"});
    MakeRecords(records);
    TrgGroup* group = AddGroup(QStringLiteral("Ort"));
    const QStringList first = {"Kopf", "Berlin", "b0", "b1", "b2", "b3", "Ende Berlin"};
    const QStringList second = {"Bonn", "x", "Ende Bonn"};
    struct Case {
        int threshold;
        bool newPage;
        std::vector<QStringList> pages;
    };
    const Case cases[] = {
        {0, false, {first + second + QStringList{"Fuß"}}},
        {12000, false, {first + second + QStringList{"Fuß"}}},
        {12001, false, {first + QStringList{"Fuß"}, QStringList{"Kopf"} + second + QStringList{"Fuß"}}},
        {0, true, {first + QStringList{"Fuß"}, QStringList{"Kopf"} + second + QStringList{"Fuß"}}},
    };
    for (const Case& c : cases) {
        group->mmNewPageThreshold = c.threshold;
        group->NewPage = c.newPage;
        const std::vector<QString> pages = PrintAll();
        ASSERT_EQ(pages.size(), c.pages.size()) << c.threshold;
        for (size_t p = 0; p < pages.size(); ++p)
            EXPECT_EQ(Texts(pages, int(p)), c.pages[p]) << c.threshold << " page " << p + 1;
    }
}

TEST_F(GroupTest, AFooterPushedToTheNextPageBringsItsGroupHeaderAlong)
{
    // Berlin fills the body up to its footer, which moves to page 2; the
    // group header is repeated there above it.
    std::vector<QStringList> records;
    for (int i = 0; i < 9; ++i)
        records.push_back({"D", "Berlin", QStringLiteral("b%1").arg(i)});
    MakeRecords(records);
    TrgGroup* group = AddGroup(QStringLiteral("Ort"));
    for (bool withHeader : {true, false}) {
        group->HeaderForOrphanedFooter = withHeader;
        const std::vector<QString> pages = PrintAll();
        ASSERT_EQ(pages.size(), 2u);
        const QStringList expected = withHeader ? QStringList{"Kopf", "Berlin", "Ende Berlin", "Fuß"}
                                                : QStringList{"Kopf", "Ende Berlin", "Fuß"};
        EXPECT_EQ(Texts(pages, 1), expected);
    }
}

TEST_F(GroupTest, AnOuterFooterOnANewPageRepeatsOnlyTheHeadersAroundIt)
{
    // Inner group "Ort" closes at the foot of page 1; the outer footer moves
    // to page 2, under the outer header but not the closed inner one.
    // Body 30 mm: two headers 6, seven records 21, the inner footer 3.
    std::vector<QStringList> records;
    for (int i = 0; i < 7; ++i)
        records.push_back({"D", "Berlin", QStringLiteral("b%1").arg(i)});
    MakeRecords(records);
    AddGroup(QStringLiteral("Land"));
    AddGroup(QStringLiteral("Ort"));
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(Texts(pages, 0).mid(Texts(pages, 0).size() - 2), (QStringList{"Ende Berlin", "Fuß"}));
    EXPECT_EQ(Texts(pages, 1), (QStringList{"Kopf", "D", "Ende D", "Fuß"}));
}

TEST_F(GroupTest, AGroupContinuingOnANewPageRepeatsItsHeader)
{
    std::vector<QStringList> records;
    for (int i = 1; i <= 12; ++i)
        records.push_back({"D", "Berlin", QStringLiteral("r%1").arg(i)});
    MakeRecords(records);
    TrgGroup* group = AddGroup(QStringLiteral("Ort"));
    for (bool reprint : {true, false}) {
        group->ReprintOnSubsequentPage = reprint;
        const std::vector<QString> pages = PrintAll();
        ASSERT_GE(pages.size(), 2u);
        EXPECT_EQ(Texts(pages, 1).value(1) == QStringLiteral("Berlin"), reprint) << Texts(pages, 1).join(',').toStdString();
        EXPECT_EQ(AllTexts(pages).count(QStringLiteral("Ende Berlin")), 1);
        EXPECT_EQ(AllTexts(pages).filter(QRegularExpression(QStringLiteral("^r\\d+$"))).size(), 12);
    }
}

TEST_F(GroupTest, AGroupOnAFieldTheDataLacksNeverBreaks)
{
    MakeRecords({{"D", "Berlin", "a"}, {"D", "Bonn", "b"}});
    AddGroup(QStringLiteral("Gibtsnicht"));
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(Texts(pages, 0), (QStringList{"Kopf", "", "a", "b", "Ende ", "Fuß"}));
}

TEST_F(GroupTest, TheSummaryOnAPageOfItsOwnRepeatsNoGroupHeader)
{
    MakeRecords({{"D", "Berlin", "a"}, {"D", "Bonn", "b"}});
    AddGroup(QStringLiteral("Ort"));
    auto* summary = AddBand<TrgSummaryBand>(5000);
    AddLabel(summary, QStringLiteral("Summe"), 0, 0, 2000);
    summary->SetNewPage(true);
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(Texts(pages, 1), (QStringList{"Kopf", "Summe", "Fuß"}));
}

TEST_F(GroupTest, AGroupBreaksOnTheTextOfAComponentAndFollowsItsName)
{
    MakeRecords({{"D", "Berlin", "a"}, {"D", "Berlin", "b"}, {"D", "Bonn", "c"}});
    auto* town = AddLabel(detail, QString(), 40000, 0, 2000);
    town->Name = QStringLiteral("Ortstext");
    TListPipeline* pipeline = rows.get();
    town->OnGetText = [pipeline](TObject*, QString& Text) { Text = pipeline->GetFieldAsString("Ort"); };
    TrgGroup* group = AddGroup(QStringLiteral("Ort"));
    group->SetBreakType(btCustomField);
    group->SetBreakName(QStringLiteral("Ortstext"));
    const QStringList expected = {"Kopf", "Berlin", "a", "Berlin", "b", "Berlin", "Ende Berlin",
                                  "Bonn", "c",      "Bonn", "Ende Bonn", "Fuß"};
    EXPECT_EQ(AllTexts(PrintAll()), expected);

    town->Rename(QStringLiteral("Stadt"));
    EXPECT_EQ(group->BreakName(), QStringLiteral("Stadt"));
    EXPECT_EQ(AllTexts(PrintAll()), expected);

    delete town;
    EXPECT_EQ(AllTexts(PrintAll()).count(QStringLiteral("Ende Berlin")), 0)
        << "without its component the group breaks on the empty text: one group";
}

TEST_F(GroupTest, AGroupContinuingInTheNextColumnRepeatsItsHeaderThere)
{
    // Two columns of 30 mm body each: header 3 and nine records.
    std::vector<QStringList> records;
    for (int i = 1; i <= 12; ++i)
        records.push_back({"D", "Berlin", QStringLiteral("r%1").arg(i)});
    report->SetColumns(2);
    MakeRecords(records);
    TrgGroup* group = AddGroup(QStringLiteral("Ort"));
    for (bool reprint : {true, false}) {
        group->ReprintOnSubsequentColumn = reprint;
        group->ReprintOnSubsequentPage = false;
        const std::vector<QString> pages = PrintAll();
        ASSERT_EQ(pages.size(), 1u);
        const QStringList texts = Texts(pages, 0);
        EXPECT_EQ(texts.count(QStringLiteral("Berlin")), reprint ? 2 : 1) << texts.join(',').toStdString();
        EXPECT_EQ(texts.filter(QRegularExpression(QStringLiteral("^r\\d+$"))).size(), 12);
    }
}

TEST_F(GroupTest, OnGetBreakValueMergesGroups)
{
    MakeRecords({{"D", "Berlin", "a"}, {"D", "Bonn", "b"}, {"D", "Köln", "c"}});
    TrgGroup* group = AddGroup(QStringLiteral("Ort"));
    group->OnGetBreakValue = [](TObject*, QString& Value) { Value = Value.left(1); };
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(Texts(pages, 0), (QStringList{"Kopf", "Berlin", "a", "b", "Ende Bonn", "Köln", "c", "Ende Köln", "Fuß"}));
    EXPECT_EQ(group->GroupNumber(), 1) << "one group closed by a break; the last by the end of data";
}

TEST_F(GroupTest, PagesAreCountedWithinAGroupThatRestartsThem)
{
    // Berlin needs two pages, Bonn one; every group starts a page.
    std::vector<QStringList> records;
    for (int i = 0; i < 12; ++i)
        records.push_back({"D", "Berlin", QStringLiteral("b%1").arg(i)});
    records.push_back({"D", "Bonn", "x"});
    MakeRecords(records);
    TrgGroup* group = AddGroup(QStringLiteral("Ort"));
    group->NewPage = true;
    group->ResetPageNo = true;
    report->SetPassSetting(psTwoPass);
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 3u);
    const QStringList numbers = {"page 1/3 no 1 of 2", "page 2/3 no 2 of 2", "page 3/3 no 1 of 1"};
    for (int p = 0; p < 3; ++p)
        EXPECT_TRUE(pages[size_t(p)].startsWith(numbers[p])) << pages[size_t(p)].section('\n', 0, 0).toStdString();
    for (int page : {2, 1, 3}) {
        report->Pages.clear();
        report->PageRequest(psSinglePage, page, nullptr);
        ASSERT_EQ(report->Pages.size(), 1u);
        EXPECT_EQ(report->Pages[0], pages[size_t(page - 1)]);
    }
}

TEST_F(GroupTest, PagesWithGroupsMadeAgainInAnyOrderEqualTheSequence)
{
    std::vector<QStringList> records;
    const char* towns[] = {"Aachen", "Bonn", "Celle", "Dessau"};
    for (int i = 0; i < 24; ++i)
        records.push_back({i < 12 ? "D" : "F", towns[(i / 4) % 4], QStringLiteral("n%1").arg(i)});
    MakeRecords(records);
    AddGroup(QStringLiteral("Land"));
    AddGroup(QStringLiteral("Ort"));
    report->SetPassSetting(psTwoPass);
    const std::vector<QString> sequence = PrintAll();
    ASSERT_GE(sequence.size(), 4u);
    EXPECT_EQ(AllTexts(sequence).filter(QRegularExpression(QStringLiteral("^n\\d+$"))).size(), 24);
    for (int page : {3, 1, int(sequence.size()), 2, 3}) {
        report->Pages.clear();
        report->PageRequest(psSinglePage, page, nullptr);
        ASSERT_EQ(report->Pages.size(), 1u);
        EXPECT_EQ(report->Pages[0], sequence[size_t(page - 1)]) << page;
    }
}

}  // namespace
