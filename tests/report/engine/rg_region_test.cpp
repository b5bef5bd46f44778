// Regions: components laid out relative to the region, the region growing
// with a stretching memo and carrying it over pages, a region without
// Stretch keeping its height, moving with its components, the frame drawn
// behind them, partners that go away, and the order of a region's
// components in their band.

#include "component_fixtures.h"
#include "subreport_fixture.h"
#include "platform/stream/component_reader.h"
#include "platform/stream/component_writer.h"
#include "platform/stream/stream_text.h"
#include "report/engine/rg_region.h"
#include "report/engine/rg_subreport.h"

namespace {

class RegionTest : public TComponentsTest {
public:
    TrgRegion* AddRegion(TrgBand* Band, int Left, int Top, int Width, int Height)
    {
        auto* region = new TrgRegion(&form);
        region->SetBand(Band);
        region->SetmmBounds(Left, Top, Width, Height);
        region->Pen()->Width = 200;
        return region;
    }
    // A section subreport at the top of Band whose child prints one line
    // "Kind": behind a header the section waits for the next page, and while
    // it waits the parent engine holds the state bit that starts sections.
    TrgSubReport* AddSection(TrgBand* Band)
    {
        childRows = std::make_unique<TListPipeline>(nullptr, QStringList{QStringLiteral("Name")},
                                                    std::vector<QStringList>{{QStringLiteral("Kind")}});
        auto* sub = new TrgSubReport(&form);
        sub->SetBand(Band);
        sub->SetPrintBehavior(pbSection);
        sub->SetmmBounds(0, 0, 60000, 5000);
        TrgLabel* line = rgtest::ChildLine(sub, &form, childRows.get());
        line->SetCaption(QStringLiteral("Kind"));
        return sub;
    }
    std::unique_ptr<TListPipeline> childRows;

    // The draw command lines of a dump that start with Class.
    static QStringList Commands(const QString& Dump, const QString& Class)
    {
        QStringList lines;
        for (const QString& line : Dump.split('\n'))
            if (line.startsWith(Class + ' '))
                lines << line;
        return lines;
    }
};

TEST_F(RegionTest, ComponentsAreLaidOutRelativeToTheRegionAndDrawnAboveIt)
{
    auto rows = MakeRows(1);
    MakeMemoReport(rows.get(), 10000);
    TrgRegion* region = AddRegion(detail, 20000, 2000, 40000, 8000);
    TrgMemo* memo = AddMemo(detail, {"drin"}, 22000, 3000, false);
    memo->SetmmHeight(4500);
    region->AddChild(memo);
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 1u);
    const QStringList lines = pages[0].split('\n');
    // The frame, inset by half the pen, then the memo at the same place
    // relative to the region as in the design.
    const int top = kMargin + 5000;
    const int shape = lines.indexOf(QStringLiteral("TrgDrawShape %1 %2 %3 %4")
                                        .arg(kMargin + 20000 + 100)
                                        .arg(top + 2000 + 100)
                                        .arg(40000 - 200)
                                        .arg(8000 - 200));
    ASSERT_GE(shape, 0) << pages[0].toStdString();
    ASSERT_GT(lines.size(), shape + 1);
    EXPECT_TRUE(lines.at(shape + 1).startsWith(
        QStringLiteral("TrgDrawText %1 %2 30000 4500 \"\" MS Sans Serif/8 [drin]").arg(kMargin + 22000).arg(top + 3000)))
        << pages[0].toStdString();
}

TEST_F(RegionTest, AStretchingRegionGrowsWithItsMemoAndGoesOnOverPages)
{
    auto rows = MakeTexts({Paragraphs(12)});
    MakeMemoReport(rows.get());
    TrgRegion* region = AddRegion(detail, 0, 0, 40000, 4000);
    TrgDBMemo* memo = AddDBMemo(detail, QStringLiteral("Text"), 1000, 1000);
    region->AddChild(memo);
    EXPECT_TRUE(region->Stretch()) << "a stretching memo turns the region's Stretch on";
    report->SetPassSetting(psTwoPass);
    const std::vector<QString> pages = PrintAll();

    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(MemoLines(pages), Paragraphs(12));
    const int top = kMargin + 5000;
    // Page 1: the memo from 1 mm below the region's top as far as the
    // footer allows; the region covers it.
    const int firstLines = (kBodyBottom - 5000 - (top + 1000)) / 4233;
    EXPECT_EQ(MemoLines(pages[0]).size(), firstLines);
    EXPECT_EQ(Commands(pages[0], "TrgDrawShape"),
              QStringList{QStringLiteral("TrgDrawShape %1 %2 %3 %4")
                              .arg(kMargin + 100)
                              .arg(top + 100)
                              .arg(40000 - 200)
                              .arg(1000 + firstLines * 4233 - 200)});
    // Page 2: the region starts at the band's top, the memo at the region's.
    EXPECT_EQ(Commands(pages[1], "TrgDrawShape"),
              QStringList{QStringLiteral("TrgDrawShape %1 %2 %3 %4")
                              .arg(kMargin + 100)
                              .arg(top + 100)
                              .arg(40000 - 200)
                              .arg((12 - firstLines) * 4233 - 200)});
    EXPECT_TRUE(Commands(pages[1], "TrgDrawText").join('\n').contains(
        QStringLiteral("TrgDrawText %1 %2 30000").arg(kMargin + 1000).arg(top)));

    EXPECT_EQ(Regenerate({2, 1}), (std::vector<QString>{pages[1], pages[0]}));
}

TEST_F(RegionTest, ARegionWithoutStretchKeepsItsHeight)
{
    auto rows = MakeTexts({Paragraphs(12)});
    MakeMemoReport(rows.get(), 10000);
    TrgRegion* region = AddRegion(detail, 0, 0, 40000, 9000);
    TrgDBMemo* memo = AddDBMemo(detail, QStringLiteral("Text"), 0, 0, false);
    memo->SetmmHeight(9000);
    region->AddChild(memo);
    memo->SetStretch(true);
    region->SetStretch(false);
    ASSERT_TRUE(memo->Stretch());
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(MemoLines(pages), Paragraphs(2)) << "what fits the memo's design height";
    EXPECT_EQ(Commands(pages[0], "TrgDrawShape").size(), 1);
    EXPECT_TRUE(Commands(pages[0], "TrgDrawShape").at(0).endsWith(QStringLiteral(" %1").arg(9000 - 200)));
}

TEST_F(RegionTest, MovingARegionMovesItsComponents)
{
    auto rows = MakeRows(1);
    MakeMemoReport(rows.get(), 20000);
    TrgRegion* region = AddRegion(detail, 1000, 1000, 30000, 8000);
    TrgMemo* memo = AddMemo(detail, {"x"}, 2000, 3000, false);
    TrgLabel* label = AddLabel(detail, QStringLiteral("L"), 4000, 2000);
    region->AddChild(memo);
    region->AddChild(label);
    region->SetmmBounds(6000, 3000, 30000, 8000);
    EXPECT_EQ((std::pair{memo->mmLeft(), memo->mmTop()}), (std::pair{7000, 5000}));
    EXPECT_EQ((std::pair{label->mmLeft(), label->mmTop()}), (std::pair{9000, 4000}));
    region->SetmmTop(2000);
    EXPECT_EQ(memo->mmTop(), 4000);
    EXPECT_EQ(label->mmTop(), 3000);
}

TEST_F(RegionTest, ATransparentRegionDrawsOnlyItsFrame)
{
    auto rows = MakeRows(1);
    MakeMemoReport(rows.get());
    TrgRegion* region = AddRegion(detail, 0, 0, 30000, 4000);
    region->Brush()->Style = bsSolid;
    region->SetTransparent(true);
    EXPECT_EQ(region->Brush()->Style, bsClear);
    region->SetTransparent(false);
    EXPECT_EQ(region->Brush()->Style, bsSolid);
    region->SetTransparent(true);
    PrintAll();
    TrgPage page(nullptr);
    page.SetPrinterSetup(report->PrinterSetup());
    region->CreateDrawCommand(&page);
    ASSERT_EQ(page.GetDrawCommandCount(), 1);
    const auto* shape = dynamic_cast<const TrgDrawShape*>(page.GetDrawCommand(0));
    ASSERT_TRUE(shape);
    EXPECT_EQ(shape->Brush.Style, bsClear);
    EXPECT_EQ(shape->Pen.Width, 200);
}

TEST_F(RegionTest, ComponentsThatGoLeaveTheRegionAndARegionHoldingATargetRefusesIt)
{
    auto rows = MakeRows(1);
    MakeMemoReport(rows.get());
    TrgRegion* region = AddRegion(detail, 0, 0, 30000, 4000);
    TrgMemo* inside = AddMemo(detail, {"a"}, 0, 0, false);
    inside->SetmmHeight(4500);
    auto* gone = AddMemo(detail, {"b"}, 0, 0, false);
    region->AddChild(inside);
    region->AddChild(gone);
    delete gone;
    ASSERT_EQ(region->GetChildCount(), 1);
    EXPECT_EQ(region->GetChildAt(0), inside);
    EXPECT_FALSE(rgCanShiftRelativeTo(region, inside));
    EXPECT_THROW(region->SetShiftRelativeTo(inside), EInvalidPropertyError);
    EXPECT_EQ(inside->Region(), region);
    delete region;
    EXPECT_EQ(inside->Region(), nullptr);
    EXPECT_EQ(MemoLines(PrintAll()), QStringList{"a"}) << "back in its band";
}

TEST_F(RegionTest, AComponentGivenARegionIsHeldAndStreamedByIt)
{
    DescribeClass<TCapturingReport, TrgReport>(QStringLiteral("TCapturingReport"));
    auto rows = MakeRows(1);
    MakeMemoReport(rows.get());
    TrgRegion* region = AddRegion(detail, 1000, 0, 40000, 4000);
    region->Name = QStringLiteral("Bereich");
    auto* label = new TrgLabel(&form);
    label->Name = QStringLiteral("ImBereich");
    label->SetBand(detail);
    label->SetRegion(region);
    EXPECT_TRUE(region->ContainsComponent(label));
    EXPECT_EQ(label->GetContainer(), region);

    QByteArray binary;
    TWriter writer(binary);
    writer.WriteRootComponent(report.get());
    const QByteArray text = ObjectBinaryToText(binary);
    EXPECT_EQ(text.count("object ImBereich: TrgLabel"), 1) << text.toStdString();
    EXPECT_LT(text.indexOf("object Bereich: TrgRegion"), text.indexOf("object ImBereich: TrgLabel"));
}

TEST_F(RegionTest, ARegionWithItsMemoStreamedAndReadBackPrintsTheSamePages)
{
    DescribeClass<TCapturingReport, TrgReport>(QStringLiteral("TCapturingReport"));
    auto rows = MakeRows(2);
    MakeMemoReport(rows.get());
    TrgRegion* region = AddRegion(detail, 1000, 0, 40000, 4000);
    TrgMemo* memo = AddMemo(detail, Paragraphs(9), 2000, 500);
    memo->SetmmBottomOffset(700);
    region->AddChild(memo);
    report->Name = QStringLiteral("rgReport1");
    const char* names[] = {"Kopf", "KopfText", "Detail", "Bereich", "Notiz", "Fuss", "FussText"};
    int n = 0;
    for (int b = 0; b < report->GetBandCount(); ++b) {
        TrgBand* band = report->GetBandAt(b);
        band->Name = QString::fromLatin1(names[n++]);
        for (int c = 0; c < band->GetComponentCount(); ++c)
            band->GetComponentAt(c)->Name = QString::fromLatin1(names[n++]);
    }
    const std::vector<QString> original = PrintAll();
    ASSERT_EQ(MemoLines(original), Paragraphs(9) + Paragraphs(9));

    QByteArray binary;
    TWriter writer(binary);
    writer.WriteRootComponent(report.get());
    const QByteArray text = ObjectBinaryToText(binary);
    EXPECT_EQ(text.count("object Notiz: TrgMemo"), 1) << "written once, inside the region";
    EXPECT_LT(text.indexOf("object Bereich: TrgRegion"), text.indexOf("object Notiz: TrgMemo"));

    TComponent owner(nullptr);
    TCapturingReport copy(&owner);
    ComponentFromBytes(ObjectTextToBinary(text), &copy);
    ASSERT_EQ(copy.GetBandCount(), report->GetBandCount());
    TrgBand* copyDetail = copy.GetBandAt(1);
    ASSERT_EQ(copyDetail->GetComponentCount(), 2);
    auto* copyRegion = dynamic_cast<TrgRegion*>(copyDetail->GetComponentAt(0));
    auto* copyMemo = dynamic_cast<TrgMemo*>(copyDetail->GetComponentAt(1));
    ASSERT_TRUE(copyRegion && copyMemo);
    EXPECT_EQ(copyMemo->Region(), copyRegion);
    EXPECT_TRUE(copyRegion->Stretch());
    EXPECT_EQ(copyMemo->mmBottomOffset(), 700);
    copy.Engine()->Clock = report->Engine()->Clock;
    copy.SetDataPipeline(rows.get());
    copy.Reset();
    copy.PageRequest(psAll, 1, nullptr);
    EXPECT_EQ(copy.Pages, original);
}

// ---- order in the band ---------------------------------------------------------------

TEST_F(RegionTest, ARegionsComponentsStayInItsRunOfTheBandsOrder)
{
    auto rows = MakeRows(1);
    MakeMemoReport(rows.get(), 20000);
    auto named = [](TrgComponent* Component, const char* Name) {
        Component->Name = QString::fromLatin1(Name);
        return Component;
    };
    TrgComponent* a = named(AddLabel(detail, QStringLiteral("A"), 0, 0), "A");
    auto* region = static_cast<TrgRegion*>(named(AddRegion(detail, 1000, 1000, 40000, 9000), "R"));
    TrgComponent* c1 = named(AddLabel(detail, QStringLiteral("c1"), 2000, 2000), "c1");
    TrgComponent* b = named(AddLabel(detail, QStringLiteral("B"), 0, 12000), "B");
    TrgComponent* c2 = named(AddLabel(detail, QStringLiteral("c2"), 3000, 3000), "c2");
    auto order = [this] {
        QStringList names;
        for (int i = 0; i < detail->GetComponentCount(); ++i)
            names << detail->GetComponentAt(i)->Name;
        return names.join(QLatin1Char(' '));
    };
    ASSERT_EQ(order(), "A R c1 B c2");
    // A new child goes right after the region's others.
    region->AddChild(c1);
    region->AddChild(c2);
    ASSERT_EQ(order(), "A R c1 c2 B");

    struct Step {
        std::function<void()> action;
        const char* expected;
    };
    const Step steps[] = {
        {[&] { c1->BringToFront(); }, "A R c2 c1 B"},
        {[&] { c1->SendToBack(); }, "A R c1 c2 B"},
        {[&] { region->SendChildToBack(c2); }, "A R c2 c1 B"},
        {[&] { region->BringChildToFront(c2); }, "A R c1 c2 B"},
        {[&] { b->SendToBack(); }, "B A R c1 c2"},
        // The region takes its children along, each above it.
        {[&] { region->SendToBack(); }, "R c1 c2 B A"},
        {[&] { a->SendToBack(); }, "A R c1 c2 B"},
        {[&] { region->BringToFront(); }, "A B R c1 c2"},
        {[&] { c2->SendToBack(); }, "A B R c2 c1"},
        // Not a child: nothing moves.
        {[&] { region->BringChildToFront(a); }, "A B R c2 c1"},
    };
    for (const Step& step : steps) {
        step.action();
        EXPECT_EQ(order(), step.expected);
    }

    // The region's frame is drawn first, its components above it.
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 1u);
    const int frame = pages[0].indexOf(QStringLiteral("TrgDrawShape"));
    EXPECT_GE(frame, 0);
    EXPECT_LT(frame, pages[0].indexOf(QStringLiteral("\"c1\"")));
    EXPECT_LT(frame, pages[0].indexOf(QStringLiteral("\"c2\"")));
}

}  // namespace

TEST_F(RegionTest, AComponentMovedToAnotherRegionLeavesTheFirstAndFollowsTheNewOnesWidth)
{
    auto rows = MakeRows(1);
    MakeMemoReport(rows.get(), 20000);
    TrgRegion* first = AddRegion(detail, 0, 0, 30000, 8000);
    TrgRegion* second = AddRegion(detail, 10000, 10000, 40000, 8000);
    TrgLabel* label = AddLabel(detail, QStringLiteral("wandert"), 2000, 12000);
    label->SetRegion(first);
    label->SetRegion(second);
    ASSERT_FALSE(first->ContainsComponent(label)) << "held by two regions";
    EXPECT_TRUE(second->ContainsComponent(label));
    EXPECT_EQ(label->Region(), second);

    // With ParentWidth the label takes the region's left edge and width, not
    // the band's, and follows the region when it is resized or moved.
    label->SetParentWidth(true);
    EXPECT_EQ((std::pair{label->mmLeft(), label->mmWidth()}), (std::pair{10000, 40000}));
    second->SetmmBounds(10000, 10000, 50000, 8000);
    EXPECT_EQ((std::pair{label->mmLeft(), label->mmWidth()}), (std::pair{10000, 50000}));
    second->SetmmBounds(15000, 10000, 50000, 8000);
    EXPECT_EQ((std::pair{label->mmLeft(), label->mmWidth()}), (std::pair{15000, 50000}));
    second->SetmmWidth(45000);
    EXPECT_EQ((std::pair{label->mmLeft(), label->mmWidth()}), (std::pair{15000, 45000}));
    label->SetParentHeight(true);
    EXPECT_EQ((std::pair{label->mmTop(), label->mmHeight()}), (std::pair{10000, 8000}));
    second->SetmmHeight(6000);
    EXPECT_EQ((std::pair{label->mmTop(), label->mmHeight()}), (std::pair{10000, 6000}));
    second->SetmmHeight(8000);

    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 1u);
    const QStringList texts = Commands(pages[0], "TrgDrawText").filter("\"wandert\"");
    ASSERT_EQ(texts.size(), 1) << pages[0].toStdString();
    EXPECT_TRUE(texts[0].startsWith(
        QStringLiteral("TrgDrawText %1 %2 45000 8000 ").arg(kMargin + 15000).arg(kMargin + 5000 + 10000)))
        << texts[0].toStdString();
    label->SetRegion(nullptr);
    EXPECT_FALSE(second->ContainsComponent(label));
    EXPECT_EQ(label->GetContainer(), detail);
}

TEST_F(RegionTest, ShiftWithParentKeepsItsDistanceBelowTheTallestStretchingComponent)
{
    // A dynamic band of 20 mm: a three-line memo from the top grows to
    // about 12.7 mm; a label designed 11 mm below the memo's bottom stays
    // 11 mm below where the memo ends (the band as a whole did not grow).
    auto rows = MakeRows(1);
    MakeMemoReport(rows.get(), 20000);
    detail->SetPrintHeight(phDynamic);
    TrgMemo* memo = AddMemo(detail, {"eins", "zwei", "drei"}, 0, 0);
    memo->SetmmHeight(4000);
    TrgLabel* label = AddLabel(detail, QStringLiteral("darunter"), 40000, 15000);
    label->SetShiftWithParent(true);
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 1u);
    const QStringList memoLines = Commands(pages[0], "TrgDrawText").filter("[eins");
    ASSERT_EQ(memoLines.size(), 1) << pages[0].toStdString();
    const QStringList memoFields = memoLines[0].split(' ');
    const int memoBottom = memoFields.value(2).toInt() + memoFields.value(4).toInt();
    ASSERT_GT(memoBottom, kMargin + 5000 + 4000) << "the memo grew";
    EXPECT_TRUE(pages[0].contains(
        QStringLiteral("TrgDrawText %1 %2 30000 4000 \"darunter\"").arg(kMargin + 40000).arg(memoBottom + 11000)))
        << pages[0].toStdString();
}

TEST_F(RegionTest, ComponentsPlacedBelowAStretchingMemoWaitForItWhenItGetsNoRoom)
{
    // A title leaves 6 mm of the body on the first page: room for the
    // region, but the memo 3 mm down in it gets too little for a line. The
    // label that shifts below the memo would fit; it waits for the memo and
    // prints under it on the next page instead of alone on the first one.
    auto rows = MakeRows(1);
    MakeMemoReport(rows.get(), 5000);
    AddLabel(AddBand<TrgTitleBand>(24000), QStringLiteral("Titel"), 0, 0);
    detail->SetPrintHeight(phDynamic);
    TrgRegion* region = AddRegion(detail, 0, 0, 40000, 5000);
    TrgMemo* memo = AddMemo(detail, {"eins", "zwei"}, 0, 3000);
    memo->SetmmHeight(1000);
    TrgLabel* label = AddLabel(detail, QStringLiteral("danach"), 0, 4000, 1000);
    label->SetShiftWithParent(true);
    region->AddChild(memo);
    region->AddChild(label);
    ASSERT_TRUE(region->Stretch());
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_FALSE(pages[0].contains("\"danach\"")) << pages[0].toStdString();
    const QStringList memoLines = Commands(pages[1], "TrgDrawText").filter("[eins");
    ASSERT_EQ(memoLines.size(), 1) << pages[1].toStdString();
    const QStringList fields = memoLines[0].split(' ');
    const int memoBottom = fields.value(2).toInt() + fields.value(4).toInt();
    EXPECT_EQ(Commands(pages[1], "TrgDrawText").filter("\"danach\"").size(), 1) << pages[1].toStdString();
    EXPECT_TRUE(pages[1].contains(QStringLiteral("TrgDrawText %1 %2 30000 1000 \"danach\"").arg(kMargin).arg(memoBottom)))
        << pages[1].toStdString();
}


TEST_F(RegionTest, WhileASectionWaitsAComponentThatDoesNotFitEndsItsListAndTheRegionIsDone)
{
    // A section in front of the region waits for the next page. The
    // region's first component reaches below the page; the second one would
    // fit. Without the section the second prints and the first follows on
    // the next page; with it the list ends at the first, which the region
    // takes as done, and the next page is the section's.
    auto rows = MakeRows(1);
    MakeMemoReport(rows.get(), 29000);
    TrgSubReport* section = AddSection(detail);
    TrgRegion* region = AddRegion(detail, 0, 6000, 60000, 23000);
    region->AddChild(AddLabel(detail, QStringLiteral("unten"), 0, 27000));
    region->AddChild(AddLabel(detail, QStringLiteral("oben"), 0, 7000, 2000));
    struct Case {
        bool section;
        QStringList page1, page2;  // the texts below the header, above the footer
    };
    const Case cases[] = {
        {false, {"oben"}, {"unten"}},
        {true, {}, {"Kind"}},
    };
    for (const Case& c : cases) {
        section->SetVisible(c.section);
        const std::vector<QString> pages = PrintAll();
        ASSERT_EQ(pages.size(), 2u) << c.section;
        const QStringList lines[] = {Commands(pages[0], "TrgDrawText"), Commands(pages[1], "TrgDrawText")};
        const QStringList* wanted[] = {&c.page1, &c.page2};
        for (int p = 0; p < 2; ++p) {
            QStringList texts;
            for (const QString& line : lines[p])
                if (const QString t = line.section('"', 1, 1); t != "Kopf" && t != QString::fromUtf8("Fuß"))
                    texts << t;
            EXPECT_EQ(texts, *wanted[p]) << "section " << c.section << " page " << p + 1 << "\n"
                                         << pages[size_t(p)].toStdString();
        }
        // The region's frame stands on the first page in both cases.
        EXPECT_EQ(Commands(pages[0], "TrgDrawShape").size(), 1) << c.section;
    }
}

TEST_F(RegionTest, WhileASectionWaitsTheRegionEndsAfterItsFirstList)
{
    // The static label prints; the stretching memo and the label shifting
    // below it belong to later lists and wait for no page of their own.
    auto rows = MakeRows(1);
    MakeMemoReport(rows.get(), 20000);
    detail->SetPrintHeight(phDynamic);
    TrgSubReport* section = AddSection(detail);
    TrgRegion* region = AddRegion(detail, 0, 6000, 60000, 12000);
    region->AddChild(AddLabel(detail, QStringLiteral("fest"), 0, 6000, 2000));
    TrgMemo* memo = AddMemo(detail, {"eins", "zwei"}, 0, 8000);
    memo->SetmmHeight(1000);
    region->AddChild(memo);
    TrgLabel* below = AddLabel(detail, QStringLiteral("danach"), 0, 12000, 2000);
    below->SetShiftWithParent(true);
    region->AddChild(below);
    ASSERT_TRUE(region->Stretch());
    struct Case {
        bool section;
        bool later;  // the memo and the label below it print on page 1
    };
    for (const Case& c : {Case{false, true}, Case{true, false}}) {
        section->SetVisible(c.section);
        const std::vector<QString> pages = PrintAll();
        ASSERT_FALSE(pages.empty());
        EXPECT_TRUE(pages[0].contains("\"fest\"")) << pages[0].toStdString();
        EXPECT_EQ(pages[0].contains("[eins"), c.later) << pages[0].toStdString();
        EXPECT_EQ(pages[0].contains("\"danach\""), c.later) << pages[0].toStdString();
    }
}

TEST_F(RegionTest, AFinishedStretchingMemoThatPrintedNothingLetsTheComponentsBelowItPrint)
{
    // An empty memo stretches to nothing and is done; the label that shifts
    // below it prints on the same page, where the memo would have ended.
    auto rows = MakeRows(1);
    MakeMemoReport(rows.get(), 10000);
    detail->SetPrintHeight(phDynamic);
    TrgRegion* region = AddRegion(detail, 0, 0, 40000, 5000);
    TrgMemo* memo = AddMemo(detail, {}, 0, 1000);
    memo->SetmmHeight(1000);
    TrgLabel* label = AddLabel(detail, QStringLiteral("danach"), 0, 3000, 1000);
    label->SetShiftWithParent(true);
    region->AddChild(memo);
    region->AddChild(label);
    ASSERT_TRUE(region->Stretch());
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(Commands(pages[0], "TrgDrawText").filter("\"danach\"").size(), 1) << pages[0].toStdString();
}
