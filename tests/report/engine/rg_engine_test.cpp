// Pagination of the page engine: golden dumps of small reports, the rules
// of page headers and footers, title and summary, PrintCount, PageLimit,
// empty data, the errors that end a job, and equivalence of one pass and
// two passes, of pages made in sequence and regenerated in any order, and
// of the page cache in memory and in files.

#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <random>

#include "engine_fixtures.h"
#include "platform/ui/prompt_script.h"
#include "report/output/rg_strings.h"
#include "report/output/rg_types.h"

namespace {

// The quoted texts of a dump, in page order.
QStringList Texts(const QString& Dump)
{
    QStringList texts;
    static const QRegularExpression quoted(QStringLiteral("\"([^\"]*)\""));
    for (auto it = quoted.globalMatch(Dump); it.hasNext();)
        texts << it.next().captured(1);
    return texts;
}

// A page dump without the page count in its first line: a one-pass report
// delivers its pages before it knows how many there are.
QString WithoutCount(const QString& Dump)
{
    QStringList lines = Dump.split(QLatin1Char('\n'));
    static const QRegularExpression counts(QStringLiteral("^page (\\d+)/\\d+ no (\\d+) of \\d+"));
    lines[0].replace(counts, QStringLiteral("page \\1 no \\2"));
    return lines.join(QLatin1Char('\n'));
}

std::vector<QStringList> TextsPerPage(const std::vector<QString>& Pages)
{
    std::vector<QStringList> result;
    for (const QString& page : Pages)
        result.push_back(Texts(page));
    return result;
}

QStringList Records(int From, int To)
{
    QStringList records;
    for (int i = From; i <= To; ++i)
        records << QStringLiteral("Satz %1").arg(i);
    return records;
}

using EngineTest = TEngineTest;

TEST_F(EngineTest, AListOfSevenRecordsFillsThreePagesOfThree)
{
    auto rows = MakeRows(7);
    MakeListReport(rows.get());
    const std::vector<QString> pages = PrintAll();

    // Body from 15 mm (below the 5 mm header) to 45 mm (above the footer):
    // three 10 mm records a page.
    const QString font = QStringLiteral("MS Sans Serif/8");
    const QString expectedFirst = QStringLiteral(
                                      "page 1/1 no 1 of 1\n"
                                      "TrgDrawText 10000 10000 30000 4000 \"Kopf\" %1\n"
                                      "TrgDrawText 10000 16000 30000 4000 \"Satz 1\" %1\n"
                                      "TrgDrawText 10000 26000 30000 4000 \"Satz 2\" %1\n"
                                      "TrgDrawText 10000 36000 30000 4000 \"Satz 3\" %1\n"
                                      "TrgDrawText 10000 45000 30000 4000 \"Fuß\" %1")
                                      .arg(font);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(pages[0], expectedFirst);
    EXPECT_EQ(pages[2], QStringLiteral("page 3/3 no 3 of 3 last\n"
                                       "TrgDrawText 10000 10000 30000 4000 \"Kopf\" %1\n"
                                       "TrgDrawText 10000 16000 30000 4000 \"Satz 7\" %1\n"
                                       "TrgDrawText 10000 45000 30000 4000 \"Fuß\" %1")
                            .arg(font));
    EXPECT_EQ(TextsPerPage(pages)[1], (QStringList{"Kopf", "Satz 4", "Satz 5", "Satz 6", "Fuß"}));
}

TEST_F(EngineTest, PageHeadersAndFootersFollowTheirFirstAndLastPageSwitches)
{
    struct Case {
        bool headerOnFirst, footerOnLast;
        TrgPassSettingType pass;
    };
    for (const Case& c : {Case{false, true, psOnePass}, Case{true, false, psOnePass}, Case{true, false, psTwoPass},
                          Case{false, false, psTwoPass}}) {
        SCOPED_TRACE(QStringLiteral("header on first %1, footer on last %2, pass %3")
                         .arg(c.headerOnFirst)
                         .arg(c.footerOnLast)
                         .arg(int(c.pass))
                         .toStdString());
        report = std::make_unique<TCapturingReport>(&form);
        SetUp();
        auto rows = MakeRows(5);
        MakeListReport(rows.get());
        header->SetPrintOnFirstPage(c.headerOnFirst);
        footer->SetPrintOnLastPage(c.footerOnLast);
        report->SetPassSetting(c.pass);
        const auto pages = TextsPerPage(PrintAll());
        ASSERT_EQ(pages.size(), 2u);
        EXPECT_EQ(pages[0].contains("Kopf"), c.headerOnFirst);
        EXPECT_TRUE(pages[1].contains("Kopf"));
        EXPECT_TRUE(pages[0].contains(QStringLiteral("Fuß")));
        EXPECT_EQ(pages[1].contains(QStringLiteral("Fuß")), c.footerOnLast);
    }
}

TEST_F(EngineTest, OnePassMakesTheLastPageTwiceAndDeliversItOnce)
{
    auto rows = MakeRows(4);
    MakeListReport(rows.get());
    footer->SetPrintOnLastPage(false);
    QList<int> started;
    report->OnStartPage = [&](TObject*) { started << report->GetCurrentPageNo(); };
    const auto pages = TextsPerPage(PrintAll());
    EXPECT_EQ(started, (QList<int>{1, 2, 2})) << "the last page is made again once it is known to be the last";
    EXPECT_EQ(report->PageNumbers, (std::vector<int>{1, 2}));
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[1], (QStringList{"Kopf", "Satz 4"}));
}

TEST_F(EngineTest, TitleAndSummaryWithNewPageStandOnTheirOwnPages)
{
    auto rows = MakeRows(2);
    MakeListReport(rows.get());
    auto* title = AddBand<TrgTitleBand>(5000);
    AddLabel(title, QStringLiteral("Titel"), 0, 0);
    title->SetNewPage(true);
    auto* summary = AddBand<TrgSummaryBand>(5000);
    AddLabel(summary, QStringLiteral("Summe"), 0, 0);
    summary->SetNewPage(true);

    const auto pages = TextsPerPage(PrintAll());
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(pages[0], (QStringList{"Titel", QStringLiteral("Fuß")}));
    EXPECT_EQ(pages[1], (QStringList{"Kopf"} + Records(1, 2) + QStringList{QStringLiteral("Fuß")}));
    EXPECT_EQ(pages[2], (QStringList{"Kopf", "Summe", QStringLiteral("Fuß")}));
}

TEST_F(EngineTest, AReportOfATitleAloneWithoutDataMakesOnePage)
{
    AddLabel(AddBand<TrgTitleBand>(5000), QStringLiteral("Titel"), 0, 0);

    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(Texts(pages[0]), QStringList{"Titel"});
}

TEST_F(EngineTest, TitleAndSummaryWithoutNewPageShareThePages)
{
    auto rows = MakeRows(1);
    MakeListReport(rows.get());
    AddLabel(AddBand<TrgTitleBand>(5000), QStringLiteral("Titel"), 0, 0);
    AddLabel(AddBand<TrgSummaryBand>(5000), QStringLiteral("Summe"), 0, 0);

    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(Texts(pages[0]), (QStringList{"Titel", "Kopf", "Satz 1", "Summe", QStringLiteral("Fuß")}));
    EXPECT_TRUE(pages[0].contains(QStringLiteral("\"Summe\" MS Sans Serif/8")));
    EXPECT_TRUE(pages[0].contains(QStringLiteral("TrgDrawText 10000 30000 30000 4000 \"Summe\"")))
        << "the summary follows the detail: 10 + 5 + 5 + 10 mm";
}

TEST_F(EngineTest, PrintPositionPlacesTheFirstDetailOfEveryPage)
{
    auto rows = MakeRows(5);
    MakeListReport(rows.get());
    detail->SetmmPrintPosition(20000);
    const std::vector<QString> pages = PrintAll();
    // From 20 mm to the footer at 45 mm: two records a page.
    ASSERT_EQ(pages.size(), 3u);
    for (size_t p = 0; p < pages.size(); ++p) {
        const int first = int(2 * p + 1);
        EXPECT_TRUE(pages[p].contains(QStringLiteral("TrgDrawText 10000 21000 30000 4000 \"Satz %1\"").arg(first)))
            << pages[p].toStdString();
        if (first < 5) {
            EXPECT_TRUE(
                pages[p].contains(QStringLiteral("TrgDrawText 10000 31000 30000 4000 \"Satz %1\"").arg(first + 1)));
        }
    }
    for (int page : {3, 2}) {
        report->Pages.clear();
        report->PageRequest(psSinglePage, page, nullptr);
        ASSERT_EQ(report->Pages.size(), 1u);
        EXPECT_EQ(Texts(report->Pages[0]), Texts(pages[size_t(page - 1)]));
    }
}

TEST_F(EngineTest, PrintCountEndsThePageAfterThatManyRecords)
{
    auto rows = MakeRows(5);
    MakeListReport(rows.get());
    detail->SetPrintCount(2);
    const auto pages = TextsPerPage(PrintAll());
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(pages[0].mid(1, 2), Records(1, 2));
    EXPECT_EQ(pages[1].mid(1, 2), Records(3, 4));
    EXPECT_EQ(pages[2].mid(1, 1), Records(5, 5));
}

TEST_F(EngineTest, PageLimitStopsAfterThatPage)
{
    auto rows = MakeRows(20);
    MakeListReport(rows.get());
    for (int limit : {1, 3, 0}) {
        report->SetPageLimit(limit);
        const std::vector<QString> pages = PrintAll();
        EXPECT_EQ(int(pages.size()), limit == 0 ? 7 : limit) << limit;
        EXPECT_TRUE(pages.back().startsWith(QStringLiteral("page %1/%1 no %1 of %1 last").arg(pages.size())))
            << pages.back().toStdString();
    }
}

TEST_F(EngineTest, EmptyDataMakesNoPage)
{
    for (bool skip : {true, false}) {
        auto rows = MakeRows(0);
        rows->SetSkipWhenNoRecords(skip);
        report = std::make_unique<TCapturingReport>(&form);
        SetUp();
        MakeListReport(rows.get());
        EXPECT_TRUE(PrintAll().empty()) << skip;
    }
}

TEST_F(EngineTest, ADataSetThatCannotOpenPrintsWithoutData)
{
    auto rows = MakeRows(3);
    rows->FailOpen = true;
    MakeListReport(rows.get());
    TPromptScript script;
    script.Answer(mrOk, QStringLiteral("Could not open DataSet."));
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(Texts(pages[0]), (QStringList{"Kopf", "", QStringLiteral("Fuß")}));
}

TEST_F(EngineTest, ADataSetClosingWhilePrintingEndsTheData)
{
    auto rows = MakeRows(9);
    MakeListReport(rows.get());
    TListPipeline* pipeline = rows.get();
    TrgLabel* name = static_cast<TrgLabel*>(detail->GetComponentAt(0));
    detail->BeforePrint = [pipeline, name](TObject*) {
        name->SetCaption(pipeline->GetFieldAsString("Name"));
        if (name->Caption() == QStringLiteral("Satz 4"))
            pipeline->Close();
    };
    const auto pages = TextsPerPage(PrintAll());
    // The fourth record was the last one read; its page is the last one.
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0], (QStringList{"Kopf"} + Records(1, 3) + QStringList{QStringLiteral("Fuß")}));
    EXPECT_EQ(pages[1].size(), 3) << "one record on the last page";
}

TEST_F(EngineTest, ADetailPipelineOfItsOwnFollowsTheMastersAndSkipsThoseWithoutDetails)
{
    auto masters = MakeRows(4);  // "Satz 1" ... "Satz 4"
    TListPipeline* master = masters.get();
    // Orders of the first and third master only.
    TListPipeline orders(nullptr, QStringList{"Auftrag"}, {});
    orders.RowsOfMaster = [master]() -> std::vector<QStringList> {
        const QString name = master->GetFieldAsString("Name");
        if (name == QStringLiteral("Satz 1"))
            return {{"A-1"}, {"A-2"}};
        if (name == QStringLiteral("Satz 3"))
            return {{"C-1"}};
        return {};
    };
    MakeListReport(masters.get());
    TrgLabel* order = AddLabel(detail, QString(), 40000, 1000);
    TListPipeline* ordersPtr = &orders;
    auto namesOnly = detail->BeforePrint;
    detail->BeforePrint = [namesOnly, order, ordersPtr](TObject* Sender) {
        namesOnly(Sender);
        order->SetCaption(ordersPtr->GetFieldAsString("Auftrag"));
    };
    detail->SetDataPipeline(&orders);
    for (bool skip : {true, false}) {
        orders.SetSkipWhenNoRecords(skip);
        const std::vector<QString> pages = PrintAll();
        ASSERT_EQ(pages.size(), skip ? 1u : 2u) << skip;
        const QStringList expected = skip ? QStringList{"Kopf", "Satz 1", "A-1", "Satz 3", "C-1", QStringLiteral("Fuß")}
                                          : QStringList{"Kopf", "Satz 1", "A-1", "Satz 2", "", "Satz 3", "C-1",
                                                        QStringLiteral("Fuß")};
        EXPECT_EQ(Texts(pages[0]), expected) << skip;
        for (int page = int(pages.size()); page >= 1; --page) {
            report->Pages.clear();
            report->PageRequest(psSinglePage, page, nullptr);
            ASSERT_EQ(report->Pages.size(), 1u);
            EXPECT_EQ(WithoutCount(report->Pages[0]), WithoutCount(pages[size_t(page - 1)])) << "made again: " << page;
        }
    }
    detail->SetDataPipeline(nullptr);
}

// Counts the records it is shown, as a data calculation does, and keeps
// the count per page in the page cache.
class TRecordCounter : public TrgLabel {
public:
    explicit TRecordCounter(TComponent* Owner) : TrgLabel(Owner) { countAt_ = ExtendCacheRecord(4); }
    int Count = 0;
    bool TraversesRecords() const override { return true; }
    void TraverseRecord() override { ++Count; }
    void ResetValueState() override
    {
        TrgLabel::ResetValueState();
        Count = 0;
    }
    QString ComputeText() override { return QString::number(Count); }

protected:
    void SaveCacheFields(TrgCacheRecord& Record) override
    {
        TrgLabel::SaveCacheFields(Record);
        Record.PutInt32(countAt_, Count);
    }
    void RestoreCacheFields(const TrgCacheRecord& Record) override
    {
        TrgLabel::RestoreCacheFields(Record);
        Count = Record.GetInt32(countAt_);
    }

private:
    int countAt_ = 0;
};

TEST_F(EngineTest, ComponentsThatKeepValuesSeeEveryRecordOnce)
{
    auto rows = MakeRows(8);
    MakeListReport(rows.get());
    auto* summary = AddBand<TrgSummaryBand>(5000);
    auto* counter = new TRecordCounter(&form);
    counter->SetAutoSize(false);
    counter->SetBand(summary);
    counter->SetmmBounds(0, 0, 20000, 4000);
    for (int round = 0; round < 2; ++round) {
        const std::vector<QString> pages = PrintAll();
        ASSERT_FALSE(pages.empty());
        EXPECT_EQ(Texts(pages.back()).value(Texts(pages.back()).size() - 2), QStringLiteral("8")) << round;
    }
    report->Pages.clear();
    report->PageRequest(psSinglePage, 3, nullptr);
    ASSERT_EQ(report->Pages.size(), 1u);
    EXPECT_TRUE(Texts(report->Pages[0]).contains(QStringLiteral("8"))) << "made again from the cache";
}

TEST_F(EngineTest, AReportWithoutPipelinePrintsItsDetailOnce)
{
    AddLabel(AddBand<TrgDetailBand>(10000), QStringLiteral("Einmal"), 0, 0);
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(Texts(pages[0]), QStringList{"Einmal"});
}

// ---- errors that end the job ---------------------------------------------------

TEST_F(EngineTest, ImpossibleLayoutsEndTheJobWithTheirMessage)
{
    struct Case {
        const char* name;
        std::function<void(TEngineTest&)> build;
        QString message;
    };
    const std::vector<Case> cases = {
        {"no bands", [](TEngineTest&) {}, QStringLiteral("No bands for this report.")},
        {"band higher than the page",
         [](TEngineTest& t) {
             auto* band = t.AddBand<TrgDetailBand>(10000);
             // Loading takes the height as it comes, unchecked.
             band->SetLoading(true);
             band->SetHeight(50000);
             band->SetLoading(false);
         },
         QStringLiteral("Band height cannot exceed page height.")},
        {"detail between header and footer",
         [](TEngineTest& t) {
             t.AddBand<TrgHeaderBand>(15000);
             t.AddLabel(t.AddBand<TrgDetailBand>(20000), QStringLiteral("zu hoch"), 0, 0);
             t.AddBand<TrgFooterBand>(15000);
         },
         QStringLiteral("Detail band does not fit on page.")},
        {"header and footer leave no room for the header",
         [](TEngineTest& t) {
             t.AddLabel(t.AddBand<TrgHeaderBand>(35000), QStringLiteral("Kopf"), 0, 0);
             t.AddBand<TrgDetailBand>(1000);
             t.AddBand<TrgFooterBand>(10000);
         },
         QStringLiteral("Band height cannot exceed page height.")},
        {"print position below the page",
         [](TEngineTest& t) { t.AddBand<TrgDetailBand>(10000)->SetmmPrintPosition(kBodyBottom + 1000); },
         QStringLiteral("PrintPosition exceeds available page space.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        report = std::make_unique<TCapturingReport>(&form);
        SetUp();
        c.build(*this);
        try {
            PrintAll();
            ADD_FAILURE() << "no error";
        } catch (const EPrintError& e) {
            EXPECT_EQ(QString::fromUtf8(e.what()), c.message);
        }
        EXPECT_FALSE(report->Engine()->PageRequestRunning());
        EXPECT_FALSE(report->PageRequestRunning());
        EXPECT_LE(report->Pages.size(), 1u) << "the job ends instead of making empty pages";
    }
}

TEST_F(EngineTest, AGermanReportEndsWithTheGermanText)
{
    AddBand<TrgHeaderBand>(15000);
    AddLabel(AddBand<TrgDetailBand>(20000), QStringLiteral("zu hoch"), 0, 0);
    AddBand<TrgFooterBand>(15000);
    report->SetLanguage(lgGerman);
    try {
        PrintAll();
        ADD_FAILURE() << "no error";
    } catch (const EPrintError& e) {
        EXPECT_EQ(QString::fromUtf8(e.what()), rgLoadString(rgLanguageResourceBase(lgGerman) + 302));
    }
}

// ---- equivalences ----------------------------------------------------------------

TEST_F(EngineTest, OnePassAndTwoPassGiveTheSamePages)
{
    for (int count : {1, 3, 4, 10}) {
        std::vector<QString> byPass[2];
        for (TrgPassSettingType pass : {psOnePass, psTwoPass}) {
            report = std::make_unique<TCapturingReport>(&form);
            SetUp();
            auto rows = MakeRows(count);
            MakeListReport(rows.get());
            footer->SetPrintOnLastPage(false);
            AddLabel(AddBand<TrgSummaryBand>(8000), QStringLiteral("Summe"), 0, 0);
            report->SetPassSetting(pass);
            byPass[pass] = PrintAll();
        }
        ASSERT_EQ(byPass[psOnePass].size(), byPass[psTwoPass].size()) << count;
        ASSERT_FALSE(byPass[psOnePass].empty());
        const int pageCount = int(byPass[psTwoPass].size());
        for (int page = 1; page <= pageCount; ++page) {
            EXPECT_EQ(WithoutCount(byPass[psOnePass][size_t(page - 1)]), WithoutCount(byPass[psTwoPass][size_t(page - 1)]))
                << count << " records, page " << page;
            EXPECT_TRUE(byPass[psTwoPass][size_t(page - 1)].startsWith(
                QStringLiteral("page %1/%2 no %1 of %2").arg(page).arg(pageCount)))
                << "two passes print the page count on every page";
        }
    }
}

TEST_F(EngineTest, PagesRegeneratedInAnyOrderEqualPagesMadeInSequence)
{
    auto rows = MakeRows(20);
    MakeListReport(rows.get());
    const std::vector<QString> sequence = PrintAll();
    ASSERT_EQ(sequence.size(), 7u);

    std::vector<int> order{5, 3, 7, 1, 6, 2, 4, 4};
    std::mt19937 random(35);
    for (int round = 0; round < 3; ++round) {
        for (int page : order) {
            report->Pages.clear();
            report->PageRequest(psSinglePage, page, nullptr);
            ASSERT_EQ(report->Pages.size(), 1u) << page;
            EXPECT_EQ(WithoutCount(report->Pages[0]), WithoutCount(sequence[size_t(page - 1)])) << page;
            EXPECT_TRUE(report->Pages[0].startsWith(QStringLiteral("page %1/7 no %1 of 7").arg(page)))
                << "a page made again knows the page count";
        }
        std::shuffle(order.begin(), order.end(), random);
    }
}

TEST_F(EngineTest, FirstAndLastPageRequestsGiveThatPageOnly)
{
    auto rows = MakeRows(20);
    MakeListReport(rows.get());
    const std::vector<QString> sequence = PrintAll();
    for (bool fresh : {true, false}) {
        for (auto [setting, page] : {std::pair{psFirstPage, 1}, std::pair{psLastPage, 7}}) {
            if (fresh)
                report->Reset();
            report->Pages.clear();
            report->PageNumbers.clear();
            report->PageRequest(setting, 0, nullptr);
            EXPECT_EQ(report->PageNumbers, std::vector<int>{page}) << int(setting) << " fresh " << fresh;
            ASSERT_EQ(report->Pages.size(), 1u);
            EXPECT_EQ(WithoutCount(report->Pages[0]), WithoutCount(sequence[size_t(page - 1)]));
        }
    }
}

TEST_F(EngineTest, APageListGivesItsPagesOnceEachInItsOrder)
{
    auto rows = MakeRows(20);
    MakeListReport(rows.get());
    const std::vector<QString> sequence = PrintAll();
    struct Case {
        QStringList list;
        std::vector<int> pages;
    };
    const Case cases[] = {
        {{"3", "1"}, {3, 1}},
        {{"2", "x", "0", "9", "5"}, {2, 5}},  // not numbers, and pages that do not exist, are skipped
        {{"7", "6", "7"}, {7, 6, 7}},
    };
    for (bool fresh : {true, false}) {
        for (const Case& c : cases) {
            if (fresh)
                report->Reset();
            report->Pages.clear();
            report->PageNumbers.clear();
            TStringList list;
            for (const QString& entry : c.list)
                list.Add(entry);
            report->PageRequest(psPageList, 0, &list);
            EXPECT_EQ(report->PageNumbers, c.pages) << c.list.join(',').toStdString() << " fresh " << fresh;
            for (size_t i = 0; i < report->Pages.size() && i < c.pages.size(); ++i)
                EXPECT_EQ(WithoutCount(report->Pages[i]), WithoutCount(sequence[size_t(c.pages[i] - 1)]));
        }
    }
}

TEST_F(EngineTest, AFreshGenerationReachesARequestedPageThroughThePagesBefore)
{
    auto rows = MakeRows(20);
    MakeListReport(rows.get());
    const std::vector<QString> sequence = PrintAll();
    report->Reset();
    report->Pages.clear();
    report->PageNumbers.clear();
    report->PageRequest(psSinglePage, 5, nullptr);
    EXPECT_EQ(report->PageNumbers, std::vector<int>{5}) << "only the requested page is output";
    ASSERT_EQ(report->Pages.size(), 1u);
    EXPECT_EQ(WithoutCount(report->Pages[0]), WithoutCount(sequence[4]));
}

TEST_F(EngineTest, TheCacheMovedToFilesGivesTheSamePages)
{
    QTemporaryDir dir;
    auto rows = MakeRows(20);
    MakeListReport(rows.get());
    const std::vector<QString> inMemory = PrintAll();

    report->PageCache()->SetTemporaryDirectory(dir.path());
    report->PageCache()->SetMemoryLimit(1);
    const std::vector<QString> inFiles = PrintAll();
    EXPECT_EQ(report->PageCache()->StorageMode(), csFiles);
    EXPECT_EQ(inFiles, inMemory);
    for (int page : {6, 2}) {
        report->Pages.clear();
        report->PageRequest(psSinglePage, page, nullptr);
        ASSERT_EQ(report->Pages.size(), 1u);
        EXPECT_EQ(WithoutCount(report->Pages[0]), WithoutCount(inMemory[size_t(page - 1)]));
    }
}

TEST_F(EngineTest, PassEventsFireOncePerGeneration)
{
    for (TrgPassSettingType pass : {psOnePass, psTwoPass}) {
        report = std::make_unique<TCapturingReport>(&form);
        SetUp();
        auto rows = MakeRows(7);
        MakeListReport(rows.get());
        report->SetPassSetting(pass);
        QStringList events;
        report->OnStartFirstPass = [&](TObject*) { events << "start 1"; };
        report->OnEndFirstPass = [&](TObject*) { events << "end 1"; };
        report->OnStartSecondPass = [&](TObject*) { events << "start 2"; };
        report->OnEndSecondPass = [&](TObject*) { events << "end 2"; };
        PrintAll();
        report->PageRequest(psSinglePage, 2, nullptr);
        const QStringList expected = pass == psOnePass ? QStringList{"start 1", "end 1"}
                                                       : QStringList{"start 1", "end 1", "start 2", "end 2"};
        EXPECT_EQ(events, expected) << int(pass);
    }
}

}  // namespace
