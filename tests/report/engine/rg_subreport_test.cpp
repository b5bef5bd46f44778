// Subreports: a child report laid out in the subreport's rectangle, going on
// over the parent's pages (also when the pages are made again from the
// cache), a subreport of fixed size that prints its box only, and the
// child's commands placed where the subreport stands.

#include <QRegularExpression>

#include "graphic_fixtures.h"
#include "subreport_fixture.h"
#include "report/engine/rg_memo.h"
#include "report/engine/rg_region.h"
#include "report/engine/rg_subreport.h"
#include "report/output/rg_device.h"

namespace {

// The texts of a page dump, with their top, in page order.
QStringList TextsWithTop(const QString& Page)
{
    QStringList texts;
    static const QRegularExpression text(QStringLiteral("^TrgDrawText (\\d+) (\\d+) \\d+ \\d+ \"([^\"]*)\""));
    for (const QString& line : Page.split('\n')) {
        const auto m = text.match(line);
        if (m.hasMatch())
            texts << m.captured(3) + "@" + m.captured(2);
    }
    return texts;
}

QStringList Texts(const std::vector<QString>& Pages)
{
    QStringList texts;
    for (const QString& page : Pages)
        for (const QString& entry : TextsWithTop(page))
            texts << entry.section('@', 0, 0);
    return texts;
}

class SubReportTest : public TPdfEngineTest {
protected:
    // Parent: Count records "Satz n", each a 10 mm detail band holding the
    // name and, from 5 mm down, the subreport; child: ChildCount records
    // "Kind n" of 4 mm.
    TrgSubReport* MakeReports(int Count, int ChildCount, TrgPrintBehaviorType Behavior)
    {
        parentRows = MakeRows(Count);
        report->SetDataPipeline(parentRows.get());
        detail = AddBand<TrgDetailBand>(MM(10));
        TrgLabel* name = AddLabel(detail, QString(), 0, 0);
        nameLabel = name;
        detail->BeforePrint = [this, name](TObject*) { name->SetCaption(parentRows->GetFieldAsString("Name")); };
        auto* sub = new TrgSubReport(&form);
        sub->SetBand(detail);
        sub->SetPrintBehavior(Behavior);
        sub->SetmmBounds(MM(10), MM(5), MM(60), MM(5));

        std::vector<QStringList> rows;
        for (int i = 1; i <= ChildCount; ++i)
            rows.push_back({QStringLiteral("Kind %1").arg(i)});
        childRows = std::make_unique<TListPipeline>(nullptr, QStringList{"Name"}, rows);
        // The child's layout is this test's own, without its default bands.
        TrgLabel* childName = rgtest::ChildLine(sub, &form, childRows.get());
        TrgBand* childDetail = childName->Band();
        childDetail->BeforePrint = [this, childName](TObject*) {
            childName->SetCaption(childRows->GetFieldAsString("Name"));
        };
        return sub;
    }

    // Clicks the draw command showing Text on the last page made. The click
    // goes to a copy of the page, as the preview shows one: the regeneration
    // it asks for reuses the engine's own page.
    void Click(const QString& Text)
    {
        TrgPage shown(nullptr);
        shown.Assign(report->Engine()->Page());
        for (int i = 0; i < shown.GetDrawCommandCount(); ++i) {
            auto* text = dynamic_cast<TrgDrawText*>(shown.GetDrawCommand(i));
            if (text && text->Text == Text) {
                ASSERT_TRUE(text->IsClickable());
                text->DoClick();
                EXPECT_TRUE(text->RedrawPage);
                return;
            }
        }
        ADD_FAILURE() << "no " << Text.toStdString() << " on the page";
    }

    // Leaves the subreport alone in the detail band.
    void DropNameLabel()
    {
        detail->BeforePrint = nullptr;
        delete nameLabel;
        nameLabel = nullptr;
    }

    std::unique_ptr<TListPipeline> parentRows, childRows;
    TrgLabel* nameLabel = nullptr;
};

TEST_F(SubReportTest, AChildReportGoesOnOverThePagesAfterItsRecord)
{
    MakeReports(2, 12, pbChild);
    const std::vector<QString> pages = PrintAll();
    QStringList expected{"Satz 1"};
    for (int i = 1; i <= 12; ++i)
        expected << QStringLiteral("Kind %1").arg(i);
    expected << "Satz 2";
    for (int i = 1; i <= 12; ++i)
        expected << QStringLiteral("Kind %1").arg(i);
    EXPECT_EQ(Texts(pages), expected);
    ASSERT_GE(pages.size(), 2u);

    // On the first page the child starts where the subreport stands, 5 mm
    // below its record, and fills the page 4 mm a line: 40 mm - 5 mm holds 8.
    const QStringList first = TextsWithTop(pages[0]);
    ASSERT_GE(first.size(), 3);
    EXPECT_EQ(first[0], QStringLiteral("Satz 1@%1").arg(kMargin));
    EXPECT_EQ(first[1], QStringLiteral("Kind 1@%1").arg(kMargin + MM(5)));
    EXPECT_EQ(first[2], QStringLiteral("Kind 2@%1").arg(kMargin + MM(9)));
    EXPECT_EQ(first.size(), 1 + 8);
    // The rest continues at the top of the next page.
    const QStringList second = TextsWithTop(pages[1]);
    ASSERT_FALSE(second.isEmpty());
    EXPECT_EQ(second[0], QStringLiteral("Kind 9@%1").arg(kMargin));
    // Every child text lies inside the subreport's columns.
    for (const QString& page : pages)
        for (const QString& line : page.split('\n').filter("\"Kind"))
            EXPECT_EQ(line.split(' ').value(1).toInt(), kMargin + MM(10)) << line.toStdString();

    // Made again from the cache, last page first: the same pages.
    for (int page = int(pages.size()); page >= 1; --page) {
        report->Pages.clear();
        report->PageRequest(psSinglePage, page, nullptr);
        ASSERT_EQ(report->Pages.size(), 1u);
        EXPECT_EQ(TextsWithTop(report->Pages[0]), TextsWithTop(pages[size_t(page - 1)])) << "page " << page;
    }
}

TEST_F(SubReportTest, AFixedSubreportPrintsItsBoxOnly)
{
    TrgSubReport* sub = MakeReports(2, 12, pbFixed);
    EXPECT_FALSE(sub->Stretch());
    sub->SetmmHeight(MM(5));
    const std::vector<QString> pages = PrintAll();
    // A box of 5 mm holds one child line of 4 mm for each record.
    EXPECT_EQ(Texts(pages), QStringList({"Satz 1", "Kind 1", "Satz 2", "Kind 1"}));
    const QStringList first = TextsWithTop(pages[0]);
    EXPECT_EQ(first.value(3), QStringLiteral("Kind 1@%1").arg(kMargin + MM(15)));
}

TEST_F(SubReportTest, ADrillDownShowsTheClickedRecordsSubreportOnly)
{
    TrgSubReport* sub = MakeReports(3, 2, pbChild);
    sub->SetDrillDownComponent(nameLabel);
    detail->SetmmHeight(MM(5));
    sub->SetmmTop(MM(5));
    sub->SetmmHeight(0);
    std::vector<QString> pages = PrintAll();
    // Collapsed: no space, no commands.
    EXPECT_EQ(Texts(pages), QStringList({"Satz 1", "Satz 2", "Satz 3"}));
    const QStringList collapsed = TextsWithTop(pages[0]);
    const int step = collapsed.value(1).section('@', 1).toInt() - collapsed.value(0).section('@', 1).toInt();
    EXPECT_EQ(step, MM(4));  // the band as high as its label

    // The page that shows the third record is asked for (as the preview
    // does) and its name clicked: after the report is made again only the
    // third record's subreport shows.
    report->PageRequest(psSinglePage, 1, nullptr);
    Click("Satz 3");
    pages = PrintAll();
    EXPECT_EQ(Texts(pages), QStringList({"Satz 1", "Satz 2", "Satz 3", "Kind 1", "Kind 2"}));
    const QStringList expanded = TextsWithTop(pages[0]);
    EXPECT_EQ(expanded.value(3).section('@', 1).toInt(), expanded.value(2).section('@', 1).toInt() + MM(5));

    // A second click on the first record expands it too; one on the third
    // hides it again.
    report->PageRequest(psSinglePage, 1, nullptr);
    Click("Satz 1");
    pages = PrintAll();
    EXPECT_EQ(Texts(pages), QStringList({"Satz 1", "Kind 1", "Kind 2", "Satz 2", "Satz 3", "Kind 1", "Kind 2"}));
    report->PageRequest(psSinglePage, int(pages.size()), nullptr);
    Click("Satz 3");
    pages = PrintAll();
    EXPECT_EQ(Texts(pages), QStringList({"Satz 1", "Kind 1", "Kind 2", "Satz 2", "Satz 3"}));

    // A fresh print starts collapsed.
    report->Reset();
    pages = PrintAll();
    EXPECT_EQ(Texts(pages), QStringList({"Satz 1", "Satz 2", "Satz 3"}));

    // A subreport that goes takes its handlers off the drill-down component.
    EXPECT_TRUE(bool(nameLabel->OnDrawCommandClick));
    delete sub;
    EXPECT_FALSE(bool(nameLabel->OnDrawCommandClick));
    EXPECT_FALSE(bool(nameLabel->OnDrawCommandCreate));
}

TEST_F(SubReportTest, PrintedChildLinesStandWhereTheSubreportPutsThem)
{
    if (!HaveTools({"pdftotext"}))
        GTEST_SKIP() << "pdftotext is not installed (scripts/setup installs it)";
    MakeReports(1, 12, pbChild);
    const std::vector<QString> pages = PrintToPdf();
    ASSERT_EQ(pages.size(), 2u);
    const QString bbox = rgtest::ToolOutput("pdftotext", {"-bbox-layout", Pdf(), "-"});
    // Each line "Kind n" is two words; the first word's corner is judged.
    const QRegularExpression word(
        QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\"[^>]*>Kind</word>\\s*<word[^>]*>(\\d+)</word>"));
    const QRegularExpression pageStart(QStringLiteral("<page "));
    const double points = 72.0 / 25.4 / 1000.0;
    int found = 0, pageNo = 0;
    qsizetype secondPage = bbox.indexOf(pageStart, bbox.indexOf(pageStart) + 1);
    for (auto it = word.globalMatch(bbox); it.hasNext();) {
        const auto m = it.next();
        const int n = m.captured(3).toInt();
        pageNo = m.capturedStart() < secondPage ? 1 : 2;
        // Page 1: from 5 mm below the record, 4 mm a line; page 2 from the top.
        const int top = pageNo == 1 ? kMargin + MM(5) + (n - 1) * MM(4) : kMargin + (n - 9) * MM(4);
        EXPECT_NEAR(m.captured(1).toDouble(), (kMargin + MM(10)) * points, 0.5) << "Kind " << n;
        EXPECT_NEAR(m.captured(2).toDouble(), top * points, 0.5) << "Kind " << n;
        ++found;
    }
    EXPECT_EQ(found, 12) << bbox.toStdString();
}

TEST_F(SubReportTest, AFixedSubreportDrillsDownToo)
{
    TrgSubReport* sub = MakeReports(3, 2, pbFixed);
    sub->SetDrillDownComponent(nameLabel);
    EXPECT_EQ(Texts(PrintAll()), QStringList({"Satz 1", "Satz 2", "Satz 3"}));
    report->PageRequest(psSinglePage, 1, nullptr);
    Click("Satz 2");
    // Its box of 5 mm holds the first child line only.
    EXPECT_EQ(Texts(PrintAll()), QStringList({"Satz 1", "Satz 2", "Kind 1", "Satz 3"}));
}

// The page headers of a dump: "page 1/4 no 1 of 2".
QStringList PageHeads(const std::vector<QString>& Pages)
{
    QStringList heads;
    for (const QString& page : Pages)
        heads << page.section('\n', 0, 0);
    return heads;
}

TEST_F(SubReportTest, ASectionPrintsWholePagesOfItsOwnForEachRecord)
{
    // The detail band holds the section alone; a parent page footer would
    // be replaced by the section's pages.
    TrgSubReport* sub = MakeReports(2, 12, pbSection);
    DropNameLabel();
    footer = AddBand<TrgFooterBand>(MM(5));
    AddLabel(footer, QStringLiteral("Fuß"), 0, 0);
    EXPECT_TRUE(sub->ResetPageNo());
    // Two passes: every page knows the page count.
    report->SetPassSetting(psTwoPass);

    const std::vector<QString> pages = PrintAll();
    QStringList kinder;
    for (int i = 1; i <= 12; ++i)
        kinder << QStringLiteral("Kind %1").arg(i);
    EXPECT_EQ(Texts(pages), kinder + kinder);
    ASSERT_EQ(pages.size(), 4u);
    // The child's page of 40 mm holds ten lines, from the child's own top
    // margin; each section counts its pages from 1.
    EXPECT_EQ(TextsWithTop(pages[0]).value(0), QStringLiteral("Kind 1@%1").arg(kMargin));
    EXPECT_EQ(TextsWithTop(pages[1]).value(0), QStringLiteral("Kind 11@%1").arg(kMargin));
    EXPECT_EQ(TextsWithTop(pages[2]).value(0), QStringLiteral("Kind 1@%1").arg(kMargin));
    QStringList numbers;
    for (const QString& head : PageHeads(pages))
        numbers << head.section(' ', 1, 1) + " " + head.section(' ', 3, 3);
    EXPECT_EQ(numbers, QStringList({"1/4 1", "2/4 2", "3/4 1", "4/4 2"}));
    EXPECT_EQ(report->PageNumbers, (std::vector<int>{1, 2, 3, 4}));
    // The last page whole: the second record's second section page, the
    // child's lines at the child's margins, no parent footer.
    EXPECT_EQ(pages[3], QStringLiteral("page 4/4 no 2 of 2 last\n"
                                       "TrgDrawText 10000 10000 30000 4000 \"Kind 11\" MS Sans Serif/8\n"
                                       "TrgDrawText 10000 14000 30000 4000 \"Kind 12\" MS Sans Serif/8"));

    // Made again from the cache in any order: the same pages.
    for (int page : {4, 1, 3, 2, 2, 4}) {
        report->Pages.clear();
        report->PageRequest(psSinglePage, page, nullptr);
        ASSERT_EQ(report->Pages.size(), 1u) << "page " << page;
        EXPECT_EQ(report->Pages[0], pages[size_t(page - 1)]) << "page " << page;
    }
}

TEST_F(SubReportTest, OnePassSectionsMadeAgainInAnyOrderMatchTheSequence)
{
    MakeReports(3, 12, pbSection);
    DropNameLabel();
    ASSERT_EQ(report->PassSetting(), psOnePass);
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 6u);
    for (int page : {6, 2, 5, 1, 3, 4, 4}) {
        report->Pages.clear();
        report->PageRequest(psSinglePage, page, nullptr);
        ASSERT_EQ(report->Pages.size(), 1u) << "page " << page;
        EXPECT_EQ(TextsWithTop(report->Pages[0]), TextsWithTop(pages[size_t(page - 1)])) << "page " << page;
    }
}

TEST_F(SubReportTest, PrintedSectionsGiveEachChildLineOnceAndInOrder)
{
    if (!HaveTools({"pdftotext"}))
        GTEST_SKIP() << "pdftotext is not installed (scripts/setup installs it)";
    MakeReports(2, 12, pbSection);
    DropNameLabel();
    const std::vector<QString> pages = PrintToPdf();
    ASSERT_EQ(pages.size(), 4u);
    const QString text = rgtest::ToolOutput("pdftotext", {"-layout", Pdf(), "-"});
    // Pages are separated by form feeds; each holds its section's lines.
    const QStringList pdfPages = text.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    ASSERT_GE(pdfPages.size(), 4);
    const QList<std::pair<int, int>> expected{{1, 10}, {11, 12}, {1, 10}, {11, 12}};
    for (int page = 0; page < 4; ++page) {
        QStringList lines;
        for (const QString& line : pdfPages[page].split(QLatin1Char('\n')))
            if (!line.trimmed().isEmpty())
                lines << line.trimmed();
        QStringList wanted;
        for (int n = expected[page].first; n <= expected[page].second; ++n)
            wanted << QStringLiteral("Kind %1").arg(n);
        EXPECT_EQ(lines, wanted) << "page " << page + 1;
    }
}

TEST_F(SubReportTest, SectionPagesCarryTheParentsNumbersUnlessTheyStartAgain)
{
    TrgSubReport* sub = MakeReports(1, 12, pbSection);
    DropNameLabel();
    // A title before the section: the section starts on a page of its own.
    auto* title = AddBand<TrgTitleBand>(MM(5));
    AddLabel(title, QStringLiteral("Titel"), 0, 0);
    // Two passes in both reports: every page knows its page count.
    report->SetPassSetting(psTwoPass);
    sub->Report()->SetPassSetting(psTwoPass);

    struct Case {
        bool ResetPageNo;
        QStringList Numbers;  // page number and page count of each page
    };
    const Case cases[] = {
        {true, {"1 3", "1 2", "2 2"}},
        {false, {"1 3", "2 3", "3 3"}},
    };
    for (const Case& c : cases) {
        sub->SetResetPageNo(c.ResetPageNo);
        const std::vector<QString> pages = PrintAll();
        // The title's page keeps the title alone; the section starts on the next.
        ASSERT_EQ(pages.size(), 3u);
        EXPECT_EQ(Texts({pages[0]}), QStringList{"Titel"});
        EXPECT_EQ(TextsWithTop(pages[1]).value(0), QStringLiteral("Kind 1@%1").arg(kMargin));
        EXPECT_EQ(Texts(pages).size(), 13);
        QStringList numbers;
        for (const QString& head : PageHeads(pages))
            numbers << head.section(' ', 3, 3) + " " + head.section(' ', 5, 5);
        EXPECT_EQ(numbers, c.Numbers) << "ResetPageNo " << c.ResetPageNo;
    }
}

// A section subreport whose own print jobs go to a recording device.
class TRecordingSubReport : public TrgSubReport {
public:
    using TrgSubReport::TrgSubReport;
    QStringList Events;

protected:
    std::unique_ptr<TrgDevice> CreateSectionDevice() override
    {
        auto device = std::make_unique<TrgDevice>(nullptr);
        const int job = ++jobs_;
        device->OnStartJob = [this, job](TObject*) { Events << QStringLiteral("start %1").arg(job); };
        device->OnEndJob = [this, job](TObject*) { Events << QStringLiteral("end %1").arg(job); };
        device->OnReceivePage = [this, job](TObject*, TrgPage* Page) {
            Events << QStringLiteral("page %1 in %2").arg(Page->AbsolutePageNo).arg(job);
        };
        return device;
    }

private:
    int jobs_ = 0;
};

TEST_F(SubReportTest, ASectionOfItsOwnJobSendsItsPagesToADeviceOfItsOwn)
{
    TrgSubReport* made = MakeReports(2, 12, pbSection);
    DropNameLabel();
    // The same layout with a recording subreport in place of the one made.
    auto* sub = new TRecordingSubReport(&form);
    sub->SetBand(detail);
    sub->SetPrintBehavior(pbSection);
    sub->SetmmBounds(0, 0, MM(60), MM(5));
    while (sub->Report()->GetBandCount() > 0)
        delete sub->Report()->GetBandAt(0);
    TrgReport* child = made->Report();
    std::vector<TrgBand*> bands;
    for (int i = 0; i < child->GetBandCount(); ++i)
        bands.push_back(child->GetBandAt(i));
    for (TrgBand* band : bands)
        sub->Report()->AddBand(band);
    sub->Report()->SetDataPipeline(childRows.get());
    delete made;

    struct Case {
        bool newPrintJob;
        TrgDeviceType device;
        QStringList events;
    };
    const Case cases[] = {
        {true, dvPrinter,
         {"start 1", "page 1 in 1", "page 2 in 1", "end 1", "start 2", "page 3 in 2", "page 4 in 2", "end 2"}},
        {true, dvScreen, {}},
        {false, dvPrinter, {}},
    };
    for (const Case& c : cases) {
        sub->Events.clear();
        sub->SetNewPrintJob(c.newPrintJob);
        report->SetDevice(c.device);
        const std::vector<QString> pages = PrintAll();
        EXPECT_EQ(Texts(pages).size(), 24);
        EXPECT_EQ(sub->Events, c.events) << c.newPrintJob << " " << c.device;
    }
}

TEST_F(SubReportTest, ASectionPrintsOnTheParentsPaperOrOnItsOwn)
{
    TrgSubReport* sub = MakeReports(1, 3, pbSection);
    DropNameLabel();
    // A device beside the report's own records the paper of every page.
    TrgDevice device(nullptr);
    device.SetPublisher(report->Publisher());
    QList<int> widths;
    device.OnReceivePage = [&widths](TObject*, TrgPage* Page) { widths << Page->PrinterSetup()->PageDef().mmWidth; };
    constexpr int kChildWidth = 150000;
    for (bool parentSetup : {true, false}) {
        sub->SetParentPrinterSetup(parentSetup);
        TrgPrinterSetup* own = sub->Report()->PrinterSetup();
        const int values[] = {kMargin, kMargin, kMargin, kMargin, kPaperHeight, kChildWidth};
        for (int i = 0; i < 6; ++i)
            own->SetDefinedValue(i, values[i]);
        widths.clear();
        device.Reset();
        const std::vector<QString> pages = PrintAll();
        EXPECT_EQ(Texts(pages), QStringList({"Kind 1", "Kind 2", "Kind 3"}));
        EXPECT_EQ(widths, QList<int>{parentSetup ? kPaperWidth : kChildWidth}) << parentSetup;
        // The parent's own pages are on its paper again afterwards.
        EXPECT_EQ(report->Engine()->Page()->PrinterSetup()->PageDef().mmWidth, kPaperWidth);
    }
}

TEST_F(SubReportTest, ThePrintBehaviorSetsWhatGoesWithIt)
{
    TrgSubReport* sub = MakeReports(1, 1, pbChild);
    auto* other = new TrgMemo(&form);
    other->SetBand(detail);
    sub->SetShiftRelativeTo(other);
    sub->SetDrillDownComponent(nameLabel);
    sub->SetParentWidth(false);

    sub->SetPrintBehavior(pbSection);
    EXPECT_EQ(sub->DrillDownComponent(), nullptr);
    EXPECT_EQ(sub->ShiftRelativeToTarget(), nullptr);
    EXPECT_TRUE(sub->ParentWidth());
    EXPECT_FALSE(sub->Stretch());
    // A section takes no drill-down component.
    sub->SetDrillDownComponent(nameLabel);
    EXPECT_EQ(sub->DrillDownComponent(), nullptr);
    sub->SetNewPrintJob(true);
    sub->SetResetPageNo(true);

    // Leaving the section clears NewPrintJob and ResetPageNo; ResetPageNo
    // is taken by a section only.
    for (TrgPrintBehaviorType behavior : {pbChild, pbFixed}) {
        sub->SetPrintBehavior(pbSection);
        sub->SetNewPrintJob(true);
        sub->SetResetPageNo(true);
        sub->SetPrintBehavior(behavior);
        EXPECT_FALSE(sub->NewPrintJob()) << behavior;
        EXPECT_FALSE(sub->ResetPageNo()) << behavior;
        sub->SetResetPageNo(true);
        EXPECT_FALSE(sub->ResetPageNo()) << behavior;
        EXPECT_EQ(sub->Stretch(), behavior == pbChild);
    }
    // NewPrintJob makes a section of it.
    sub->SetNewPrintJob(true);
    EXPECT_EQ(sub->PrintBehavior(), pbSection);

    // Inside a region only pbFixed is taken; moving in makes it pbFixed.
    auto* region = new TrgRegion(&form);
    region->SetBand(detail);
    region->AddChild(sub);
    EXPECT_EQ(sub->Region(), region);
    EXPECT_EQ(sub->PrintBehavior(), pbFixed);
    EXPECT_FALSE(sub->NewPrintJob());
    for (TrgPrintBehaviorType behavior : {pbChild, pbSection}) {
        sub->SetPrintBehavior(behavior);
        EXPECT_EQ(sub->PrintBehavior(), pbFixed) << behavior;
    }
    region->RemoveChild(sub);

    // One drill-down component serves one subreport of the band.
    sub->SetPrintBehavior(pbChild);
    auto* second = new TrgSubReport(&form);
    second->SetBand(detail);
    sub->SetDrillDownComponent(nameLabel);
    second->SetDrillDownComponent(nameLabel);
    EXPECT_EQ(second->DrillDownComponent(), nameLabel);
    EXPECT_EQ(sub->DrillDownComponent(), nullptr);
    // A drill-down component that leaves the band is no longer one.
    nameLabel->SetBand(AddBand<TrgSummaryBand>(MM(5)));
    EXPECT_EQ(second->DrillDownComponent(), nullptr);
    EXPECT_FALSE(second->DrillDownInEffect());
}

TEST_F(SubReportTest, AChildReportGetsTheDefaultBandsOfItsKindOnJoiningAReport)
{
    detail = AddBand<TrgDetailBand>(MM(10));
    report->SetUnits(utMillimeters);
    struct Case {
        TrgPrintBehaviorType behavior;
        std::vector<TrgBandKind> kinds;
    };
    const Case cases[] = {
        {pbChild, {bkTitle, bkDetail, bkSummary}},
        {pbSection, {bkHeader, bkDetail, bkFooter}},
        {pbFixed, {bkHeader, bkDetail, bkFooter}},
    };
    for (const Case& c : cases) {
        auto* sub = new TrgSubReport(&form);
        sub->SetPrintBehavior(c.behavior);
        EXPECT_EQ(sub->Report()->GetBandCount(), 0);
        sub->SetBand(detail);
        std::vector<TrgBandKind> kinds;
        for (int i = 0; i < sub->Report()->GetBandCount(); ++i)
            kinds.push_back(sub->Report()->GetBandAt(i)->Kind());
        EXPECT_EQ(kinds, c.kinds) << c.behavior;
        EXPECT_EQ(sub->Report()->Units(), utMillimeters);
        EXPECT_EQ(sub->Report()->PrinterSetup()->PageDef().mmHeight, kPaperHeight);
        // A child that has its bands keeps them when the subreport moves.
        auto* other = AddBand<TrgSummaryBand>(MM(10));
        sub->SetBand(other);
        EXPECT_EQ(sub->Report()->GetBandCount(), 3);
        delete sub;
    }
}

TEST_F(SubReportTest, TheChildReportsMainReportIsTheParents)
{
    TrgSubReport* sub = MakeReports(1, 1, pbChild);
    EXPECT_EQ(sub->Report()->GetMainReport(), report.get());
    EXPECT_EQ(sub->Report()->SubReport(), sub);
    TrgSubReport loose(nullptr);
    EXPECT_EQ(loose.Report()->GetMainReport(), loose.Report());
}

TEST_F(SubReportTest, AChildReportsEngineCountsWhileTheMainReportCounts)
{
    // Two records of two child lines each: the child's lines are laid out
    // in the pass that counts as in the pass that prints, whichever pass
    // setting of the child's own, and the child's engine says which it is.
    TrgSubReport* sub = MakeReports(2, 2, pbChild);
    TrgChildReport* child = sub->Report();
    QStringList calls;
    child->GetBandAt(0)->AfterPrint = [&](TObject*) {
        calls << QStringLiteral("%1/%2").arg(report->Engine()->CountingPass()).arg(child->Engine()->CountingPass());
    };
    report->SetPassSetting(psTwoPass);
    for (const TrgPassSettingType own : {psOnePass, psTwoPass}) {
        SCOPED_TRACE(own);
        child->SetPassSetting(own);
        calls.clear();
        ASSERT_FALSE(PrintAll().empty());
        const qsizetype half = calls.size() / 2;
        ASSERT_GE(half, 4);
        EXPECT_EQ(calls, QStringList(half, QStringLiteral("1/1")) + QStringList(half, QStringLiteral("0/0")));
    }
}

TEST_F(SubReportTest, AChildReportPassesOnWhatHappensToItToTheReportAbove)
{
    // The main report, its child and, in the child's detail band, a
    // grandchild.
    TrgSubReport* sub = MakeReports(2, 2, pbChild);
    TrgChildReport* child = sub->Report();
    auto* inner = new TrgSubReport(&form);
    inner->SetBand(child->GetBandAt(0));
    TrgChildReport* grandchild = inner->Report();
    ASSERT_EQ(grandchild->ParentReport(), child);
    ASSERT_EQ(child->ParentReport(), report.get());

    // A change reaches every report above, unless the child is a template.
    grandchild->SetModified(true);
    EXPECT_TRUE(child->Modified());
    EXPECT_TRUE(report->Modified());
    report->SetModified(false);
    child->SetModified(false);
    child->SaveAsTemplate = true;
    grandchild->SetModified(true);
    EXPECT_TRUE(child->Modified());
    EXPECT_FALSE(report->Modified()) << "a template keeps its changes to itself";
    child->SaveAsTemplate = false;

    // The engine states go up to the main report's engine and come off again.
    grandchild->AddEngineStates(esNoHeader);
    for (TrgCustomReport* r : {static_cast<TrgCustomReport*>(grandchild), static_cast<TrgCustomReport*>(child),
                               static_cast<TrgCustomReport*>(report.get())})
        EXPECT_TRUE(r->Engine()->EngineState() & esNoHeader) << r->Name.toStdString();
    grandchild->RemoveEngineStates(esNoHeader);
    for (TrgCustomReport* r : {static_cast<TrgCustomReport*>(grandchild), static_cast<TrgCustomReport*>(child),
                               static_cast<TrgCustomReport*>(report.get())})
        EXPECT_FALSE(r->Engine()->EngineState() & esNoHeader) << r->Name.toStdString();

    // A reset makes the whole report again: the main report's pages go.
    ASSERT_FALSE(PrintAll().empty());
    ASSERT_GT(report->GetLastPageNo(), 0);
    grandchild->Reset();
    EXPECT_EQ(report->GetLastPageNo(), 0);

    // A cancel stops the child reports above; the main report stops its
    // children itself.
    grandchild->Cancel();
    EXPECT_TRUE(grandchild->Engine()->Stopped());
    EXPECT_TRUE(child->Cancelled());
    EXPECT_TRUE(child->Engine()->Stopped());
    EXPECT_FALSE(report->Cancelled());
}

// The report's cancel (the cancel dialog's button, Esc) while a child
// report is being generated stops that child at its next band: nothing of
// it or of the report after it is made.
TEST_F(SubReportTest, ACancelWhileAChildIsGeneratedStopsTheChildAtItsNextBand)
{
    for (const TrgPrintBehaviorType behavior : {pbChild, pbSection, pbFixed}) {
        SCOPED_TRACE(behavior);
        TrgSubReport* sub = MakeReports(2, 8, behavior);
        if (behavior == pbFixed)
            sub->SetmmBounds(MM(10), MM(5), MM(60), MM(35));
        TrgChildReport* child = sub->Report();
        int childBands = 0;
        TNotifyEvent fill = child->GetBandAt(0)->BeforePrint;
        child->GetBandAt(0)->BeforePrint = [&, fill](TObject* Sender) {
            fill(Sender);
            if (++childBands == 3)
                report->Cancel();
        };
        const QStringList texts = Texts(PrintAll());
        EXPECT_EQ(childBands, 3) << texts.join(", ").toStdString();
        EXPECT_FALSE(texts.contains(QStringLiteral("Kind 4")));
        EXPECT_FALSE(texts.contains(QStringLiteral("Satz 2")));
        EXPECT_TRUE(child->Cancelled());
        EXPECT_EQ(report->ReportBeingGenerated(), report.get()) << "the main report runs again after the child";
        EXPECT_FALSE(report->Engine()->PageRequestRunning());

        // The next print is whole again.
        child->GetBandAt(0)->BeforePrint = fill;
        const QStringList whole = Texts(PrintAll());
        EXPECT_EQ(whole.count(QStringLiteral("Kind 8")), 2) << whole.join(", ").toStdString();
        while (report->GetBandCount() > 0)
            delete report->GetBandAt(0);
    }
}

TEST_F(SubReportTest, ACancelReachesAGrandchildBeingGeneratedAndEveryReportAboveIt)
{
    TrgSubReport* sub = MakeReports(2, 2, pbChild);
    TrgChildReport* child = sub->Report();
    auto* inner = new TrgSubReport(&form);
    inner->SetBand(child->GetBandAt(0));
    inner->SetmmBounds(MM(30), 0, MM(20), MM(4));
    std::vector<QStringList> rows;
    for (int i = 1; i <= 6; ++i)
        rows.push_back({QStringLiteral("Enkel %1").arg(i)});
    TListPipeline grandRows(nullptr, QStringList{"Name"}, rows);
    TrgLabel* grandName = rgtest::ChildLine(inner, &form, &grandRows);
    TrgChildReport* grandchild = inner->Report();
    int grandBands = 0;
    grandName->Band()->BeforePrint = [&](TObject*) {
        grandName->SetCaption(grandRows.GetFieldAsString("Name"));
        if (++grandBands == 2) {
            EXPECT_EQ(report->ReportBeingGenerated(), grandchild);
            report->Cancel();
        }
    };
    const QStringList texts = Texts(PrintAll());
    EXPECT_EQ(grandBands, 2) << texts.join(", ").toStdString();
    EXPECT_FALSE(texts.contains(QStringLiteral("Enkel 3")));
    EXPECT_FALSE(texts.contains(QStringLiteral("Kind 2")));
    for (TrgReport* r : {static_cast<TrgReport*>(grandchild), static_cast<TrgReport*>(child)})
        EXPECT_TRUE(r->Cancelled()) << r->Name.toStdString();
}

TEST_F(SubReportTest, AChildReportTakesItsParentsPrinterSetupAgainAfterACopyOrAChange)
{
    TrgSubReport* sub = MakeReports(1, 1, pbChild);
    TrgChildReport* child = sub->Report();
    ASSERT_TRUE(child->PrinterSetup()->IsEqual(*report->PrinterSetup()));
    TrgReport other(nullptr);
    other.PrinterSetup()->SetOrientation(poLandscape);
    other.SetModified(true);
    ASSERT_FALSE(other.PrinterSetup()->IsEqual(*report->PrinterSetup()));
    for (const bool parents : {true, false}) {
        SCOPED_TRACE(parents);
        sub->SetParentPrinterSetup(parents);
        child->CopySettings(&other);
        EXPECT_TRUE(child->Modified()) << "the modified flag is copied";
        EXPECT_EQ(child->PrinterSetup()->IsEqual(*report->PrinterSetup()), parents) << "after a copy";
        child->SetPrinterSetup(report->PrinterSetup());
        child->PrinterSetup()->SetOrientation(poLandscape);
        EXPECT_EQ(child->PrinterSetup()->IsEqual(*report->PrinterSetup()), parents) << "after a change";
        child->SetPrinterSetup(report->PrinterSetup());
    }
}

}  // namespace

// ---- text files ------------------------------------------------------------------

TEST_F(SubReportTest, ATextFileNumbersTheChildsBandsBetweenTheParentsInPrintOrder)
{
    TrgSubReport* sub = MakeReports(2, 2, pbChild);
    auto* title = AddBand<TrgTitleBand>(MM(5));
    TrgLabel* kopf = AddLabel(title, QStringLiteral("Kopf"), 0, 0);
    TrgBand* childDetail = sub->Report()->GetBandAt(0);
    ASSERT_EQ(childDetail->GetComponentCount(), 1);
    auto* childName = static_cast<TrgCustomText*>(childDetail->GetComponentAt(0));
    for (TrgBand* band : {static_cast<TrgBand*>(title), static_cast<TrgBand*>(detail), childDetail})
        band->SetSave(true);
    for (TrgCustomText* text : {static_cast<TrgCustomText*>(kopf), static_cast<TrgCustomText*>(nameLabel), childName})
        text->SetSave(true);

    rgtest::InstallFakePrinters({rgtest::OfficeLaser()});
    const QString fileName = dir.filePath(QStringLiteral("kinder.txt"));
    report->SetTextFileName(fileName);
    report->SetTextFileType(ftComma);
    report->SetDevice(dvFile);
    report->SetShowPrintDialog(false);
    report->SetShowCancelDialog(false);
    for (const TrgPassSettingType pass : {psOnePass, psTwoPass}) {
        report->SetPassSetting(pass);
        report->Print();
        QFile file(fileName);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), QByteArray("Kopf\r\nSatz 1\r\nKind 1\r\nKind 2\r\nSatz 2\r\nKind 1\r\nKind 2")) << pass;
    }
}
