// The publisher and the device base with logging devices and a fake engine:
// merged requests from tables of device requests, the job's order, page
// decisions, held pages and their raised counts, exclusive device groups,
// either side destroyed first, and painting a page within its paper.
#include "report/output/rg_publisher.h"

#include <gtest/gtest.h>

#include "page_fixtures.h"

using namespace rgtest;

namespace {

QString Describe(TrgPageSettingType setting, int pageNo, const TStringList* list)
{
    switch (setting) {
    case psAll: return QStringLiteral("psAll");
    case psPageList: return QStringLiteral("psPageList ") + list->ToQStringList().join(u',');
    case psSinglePage: return QStringLiteral("psSinglePage %1").arg(pageNo);
    case psFirstPage: return QStringLiteral("psFirstPage");
    case psLastPage: return QStringLiteral("psLastPage");
    }
    return {};
}

// Makes the pages of a document on request, in order, on one working page,
// until the publisher's request is met or the document ends.
class FakeEngine {
public:
    FakeEngine(TrgPublisher& publisher, int pages) : publisher_(publisher), pages_(pages)
    {
        publisher.OnPageRequest = [this](TObject*, TrgPageSettingType setting, int pageNo, TStringList* list) {
            Requests << Describe(setting, pageNo, list);
            for (int n = 1; n <= pages_ && !publisher_.RequestSatisfied(); ++n)
                Produce(n, pages_);
        };
    }
    // One page with its numbers as far as they are known.
    void Produce(int number, int count, int groupBreak = 0)
    {
        page.AbsolutePageNo = number;
        page.PageNo = GroupSize > 0 ? (number - 1) % GroupSize + 1 : number;
        page.AbsolutePageCount = page.PageCount = count;
        page.ControlGroupBreakNo = groupBreak;
        page.FirstPage = number == 1;
        page.LastPage = number == pages_;
        page.Final = Final;
        ++Produced;
        publisher_.ReceivePage(&page);
    }

    bool Final = true;
    int GroupSize = 0;  // pages per numbering group; 0: one group
    QStringList Requests;
    int Produced = 0;
    TrgPage page{nullptr};

private:
    TrgPublisher& publisher_;
    int pages_;
};

struct Request {
    TrgPageSettingType setting;
    int pageNo = 1;
    QStringList list = {};
};

void Ask(TrgDevice& device, const Request& r)
{
    device.SetPageSetting(r.setting);
    device.SetPageRequested(r.pageNo);
    TStringList list;
    list.AddStrings(r.list);
    device.SetPageList(list);
}

}  // namespace

TEST_F(PageTest, DeviceRequestsMergeIntoOneRequestOfTheEngine)
{
    struct Case {
        std::vector<Request> requests;
        QString merged;
        std::vector<std::vector<int>> output;  // per device
        int produced;
    };
    const Case cases[] = {
        {{{psSinglePage, 2}, {psSinglePage, 5}}, "psPageList 2,5", {{2}, {5}}, 5},
        {{{psSinglePage, 2}, {psSinglePage, 5}, {psAll}}, "psAll", {{2}, {5}, {1, 2, 3, 4, 5, 6}}, 6},
        {{{psSinglePage, 2}, {psSinglePage, 2}}, "psSinglePage 2", {{2}, {2}}, 2},
        {{{psFirstPage}, {psSinglePage, 1}}, "psFirstPage", {{1}, {1}}, 1},
        {{{psFirstPage}, {psSinglePage, 3}}, "psPageList 1,3", {{1}, {3}}, 3},
        {{{psPageList, 1, {"1", "3"}}, {psSinglePage, 5}}, "psPageList 1,3,5", {{1, 3}, {5}}, 5},
        {{{psPageList, 1, {"1", "3"}}, {psSinglePage, 3}}, "psPageList 1,3", {{1, 3}, {3}}, 3},
        {{{psLastPage}, {psSinglePage, 2}}, "psLastPage", {{6}, {2}}, 6},
        {{{psSinglePage, 2}, {psLastPage}}, "psAll", {{2}, {6}}, 6},
        {{{psSinglePage, 2}, {psPageList, 1, {"4"}}}, "psAll", {{2}, {4}}, 6},
        {{{psAll}, {psSinglePage, 2}}, "psAll", {{1, 2, 3, 4, 5, 6}, {2}}, 6},
    };
    for (const Case& c : cases) {
        TrgPublisher publisher(nullptr);
        FakeEngine engine(publisher, 6);
        QStringList log;
        std::vector<std::unique_ptr<LoggingDevice>> devices;
        for (size_t i = 0; i < c.requests.size(); ++i) {
            devices.push_back(std::make_unique<LoggingDevice>(log, QString::number(i)));
            Ask(*devices.back(), c.requests[i]);
            devices.back()->SetPublisher(&publisher);
        }
        publisher.PublishJob();
        EXPECT_EQ(engine.Requests, QStringList{c.merged}) << c.merged.toStdString();
        EXPECT_EQ(engine.Produced, c.produced) << c.merged.toStdString();
        for (size_t i = 0; i < devices.size(); ++i)
            EXPECT_EQ(devices[i]->Output, c.output[i]) << c.merged.toStdString() << " device " << i;
        // The request starts afresh after the job.
        EXPECT_EQ(publisher.RequestedSetting(), psAll);
        EXPECT_EQ(publisher.RequestedPageList().Count(), 0);
    }
}

TEST_F(PageTest, AJobStartsCollectsServesAndEndsInDeviceOrder)
{
    TrgPublisher publisher(nullptr);
    FakeEngine engine(publisher, 2);
    QStringList log;
    LoggingDevice a(log, QStringLiteral("a")), b(log, QStringLiteral("b")), off(log, QStringLiteral("off"));
    b.OnPageRequest = [&log](TObject*) { log << QStringLiteral("b:asked"); };
    off.Active = false;
    for (TrgDevice* d : {static_cast<TrgDevice*>(&a), static_cast<TrgDevice*>(&b), static_cast<TrgDevice*>(&off)})
        d->SetPublisher(&publisher);
    publisher.PublishJob();
    EXPECT_EQ(log, (QStringList{"a:start", "b:start", "b:asked", "a:page 1 out", "b:page 1 out", "a:page 2 out",
                                "b:page 2 out", "a:end", "b:end"}));
    EXPECT_TRUE(a.WantsPages()) << "EndJob opens the request again";
    EXPECT_FALSE(a.Busy());
    EXPECT_TRUE(publisher.LastPageKnown());
    EXPECT_EQ(publisher.LastPageNo(), 2);
}

TEST_F(PageTest, ADeviceStopsReceivingOnceItsListIsDone)
{
    TrgPublisher publisher(nullptr);
    FakeEngine engine(publisher, 5);
    QStringList log;
    LoggingDevice list(log, QStringLiteral("l")), all(log, QStringLiteral("a"));
    Ask(list, {psPageList, 1, {"1", "3"}});
    list.SetPublisher(&publisher);
    all.SetPublisher(&publisher);
    bool wantedAfterThree = true;
    list.OnReceivePage = [&](TObject*, TrgPage* page) {
        if (page->AbsolutePageNo == 3)
            wantedAfterThree = list.PageWanted();
    };
    publisher.PublishJob();
    EXPECT_EQ(list.Output, (std::vector<int>{1, 3}));
    EXPECT_EQ(list.Received, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(wantedAfterThree);
    EXPECT_EQ(all.Received, (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST_F(PageTest, PagesThatAreNotFinalOrOnlyCalculatedAreSkipped)
{
    struct Case {
        bool final, calculationOnly;
        bool screenOutputs, fileOutputs;
    };
    for (const Case& c : {Case{true, false, true, true}, Case{false, false, true, false}, Case{true, true, false, false},
                          Case{false, true, false, false}}) {
        TrgPublisher publisher(nullptr);
        QStringList log;
        LoggingDevice screen(log, QStringLiteral("s"), false), file(log, QStringLiteral("f"));
        screen.SetPublisher(&publisher);
        file.SetPublisher(&publisher);
        TrgPage page(nullptr);
        page.AbsolutePageNo = 1;
        page.FirstPage = page.LastPage = true;
        page.Final = c.final;
        page.CalculationOnly = c.calculationOnly;
        publisher.ReceivePage(&page);
        EXPECT_EQ(screen.Output.size(), c.screenOutputs ? 1 : 0) << c.final << c.calculationOnly;
        EXPECT_EQ(file.Output.size(), c.fileOutputs ? 1 : 0) << c.final << c.calculationOnly;
        // Only a final page that is meant for output ends a device's request.
        EXPECT_EQ(file.WantsPages(), !(c.final && !c.calculationOnly));
        EXPECT_EQ(publisher.LastPageKnown(), c.final && !c.calculationOnly);
    }
}

TEST_F(PageTest, HeldPagesServeALaterRequestWithoutTheEngine)
{
    struct Case {
        Request second;
        std::vector<int> output;
        bool engineAsked;
    };
    const Case cases[] = {
        {{psSinglePage, 2}, {2}, false},
        {{psFirstPage}, {1}, false},
        {{psLastPage}, {4}, false},
        {{psAll}, {1, 2, 3, 4}, false},
        {{psPageList, 1, {"3", "1"}}, {3, 1}, false},
        {{psSinglePage, 9}, {}, true},
    };
    for (const Case& c : cases) {
        TrgPublisher publisher(nullptr);
        publisher.SetCachePages(true);
        FakeEngine engine(publisher, 4);
        QStringList log;
        LoggingDevice device(log, QStringLiteral("d"));
        device.SetPublisher(&publisher);
        publisher.PublishJob();
        ASSERT_EQ(publisher.HeldPageCount(), 4);
        ASSERT_EQ(engine.Requests.size(), 1);

        device.Output.clear();
        Ask(device, c.second);
        publisher.PublishJob();
        EXPECT_EQ(device.Output, c.output) << device.PageSetting();
        EXPECT_EQ(engine.Requests.size(), c.engineAsked ? 2 : 1) << device.PageSetting();
        EXPECT_EQ(publisher.HeldPageCount(), 4);
    }
}

// Page numbers restart with each group (1 2 1 2 1): the last page is
// resent from the held pages by its number in the whole document.
TEST_F(PageTest, TheLastHeldPageIsFoundByItsNumberInTheDocument)
{
    TrgPublisher publisher(nullptr);
    publisher.SetCachePages(true);
    FakeEngine engine(publisher, 5);
    engine.GroupSize = 2;
    QStringList log;
    LoggingDevice device(log, QStringLiteral("d"));
    device.SetPublisher(&publisher);
    publisher.PublishJob();
    ASSERT_EQ(publisher.HeldPageCount(), 5);
    EXPECT_EQ(publisher.LastPageNo(), 1);

    device.Output.clear();
    Ask(device, {psLastPage});
    publisher.PublishJob();
    EXPECT_EQ(device.Output, std::vector<int>{5});
    EXPECT_EQ(engine.Requests.size(), 1);
}

TEST_F(PageTest, WithoutCachePagesNothingIsHeldAndTheEngineIsAskedAgain)
{
    TrgPublisher publisher(nullptr);
    FakeEngine engine(publisher, 3);
    QStringList log;
    LoggingDevice device(log, QStringLiteral("d"));
    device.SetPublisher(&publisher);
    publisher.PublishJob();
    Ask(device, {psSinglePage, 2});
    publisher.PublishJob();
    EXPECT_EQ(publisher.HeldPageCount(), 0);
    EXPECT_EQ(engine.Requests, (QStringList{"psAll", "psSinglePage 2"}));

    // ResetJob forgets what it learnt of the document.
    publisher.SetCachePages(true);
    publisher.PublishJob();
    EXPECT_GT(publisher.HeldPageCount(), 0);
    publisher.ResetJob();
    EXPECT_EQ(publisher.HeldPageCount(), 0);
    EXPECT_FALSE(publisher.LastPageKnown());
    EXPECT_EQ(publisher.LastPageNo(), 0);
}

TEST_F(PageTest, HeldPagesTakeTheCountOfALaterPage)
{
    struct Case {
        int laterGroupBreak;
        int pageCountOfFirst;
        const char* textOfFirst;
    };
    // The group's page count is raised only within the same numbering group.
    for (const Case& c : {Case{0, 3, "3"}, Case{1, 1, "1"}}) {
        TrgPublisher publisher(nullptr);
        publisher.SetCachePages(true);
        FakeEngine engine(publisher, 3);
        AddCalc(engine.page, ctPageCount);
        engine.Produce(1, 1);
        engine.Produce(2, 2, c.laterGroupBreak);
        engine.Produce(3, 3, c.laterGroupBreak);
        TrgPage* first = publisher.HeldPage(1);
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(first->AbsolutePageCount, 3);
        EXPECT_EQ(first->PageCount, c.pageCountOfFirst);
        EXPECT_EQ(static_cast<TrgDrawText*>(first->GetDrawCommand(0))->Text, c.textOfFirst);
        EXPECT_EQ(publisher.HeldPage(2)->AbsolutePageCount, 3);
        EXPECT_FALSE(first->CalculationOnly);
    }
}

TEST_F(PageTest, AHeldPageIsReplacedByANewerCopy)
{
    TrgPublisher publisher(nullptr);
    publisher.SetCachePages(true);
    TrgPage page(nullptr);
    page.AbsolutePageNo = 2;
    page.Final = true;
    page.DocumentName = QStringLiteral("alt");
    publisher.ReceivePage(&page);
    page.DocumentName = QStringLiteral("neu");
    publisher.ReceivePage(&page);
    page.Final = false;  // pages that are not final are never held
    page.AbsolutePageNo = 3;
    publisher.ReceivePage(&page);
    EXPECT_EQ(publisher.HeldPageCount(), 1);
    EXPECT_EQ(publisher.HeldPage(2)->DocumentName, "neu");
    EXPECT_NE(publisher.HeldPage(2), &page);
}

TEST_F(PageTest, ExclusiveDevicesOfOneKeyTakeTurns)
{
    TrgPublisher publisher(nullptr);
    QStringList log;
    LoggingDevice plain(log, QStringLiteral("p"));
    auto first = std::make_unique<LoggingDevice>(log, QStringLiteral("1"));
    auto second = std::make_unique<LoggingDevice>(log, QStringLiteral("2"));
    auto other = std::make_unique<LoggingDevice>(log, QStringLiteral("o"));
    for (LoggingDevice* d : {first.get(), second.get(), other.get()})
        d->SetExclusive(true);
    first->SetExclusiveKey(QStringLiteral("vorschau"));
    second->SetExclusiveKey(QStringLiteral("vorschau"));
    other->SetExclusiveKey(QStringLiteral("anders"));

    plain.SetPublisher(&publisher);
    first->SetPublisher(&publisher);
    other->SetPublisher(&publisher);
    EXPECT_EQ(publisher.Devices(), (std::vector<TrgDevice*>{&plain, first.get(), other.get()}));
    second->SetPublisher(&publisher);
    EXPECT_EQ(publisher.Devices(), (std::vector<TrgDevice*>{&plain, other.get(), second.get()}));
    // Registered once only, even while out of the broadcast list.
    second->SetPublisher(nullptr);
    EXPECT_EQ(publisher.Devices(), (std::vector<TrgDevice*>{&plain, other.get(), first.get()}));
    second->SetPublisher(&publisher);
    second.reset();
    EXPECT_EQ(publisher.Devices(), (std::vector<TrgDevice*>{&plain, other.get(), first.get()}));

    // The flag and key are fixed while the device has a publisher.
    first->SetExclusive(false);
    first->SetExclusiveKey(QStringLiteral("x"));
    EXPECT_TRUE(first->Exclusive());
    EXPECT_EQ(first->ExclusiveKey(), "vorschau");
}

TEST_F(PageTest, EitherSideMayGoFirst)
{
    QStringList log;
    LoggingDevice device(log, QStringLiteral("d"));
    int changes = 0;
    device.OnPublisherChange = [&changes](TObject*) { ++changes; };
    {
        TrgPublisher publisher(nullptr);
        device.SetPublisher(&publisher);
        EXPECT_EQ(changes, 1);
        auto gone = std::make_unique<LoggingDevice>(log, QStringLiteral("g"));
        gone->SetPublisher(&publisher);
        gone.reset();
        EXPECT_EQ(publisher.Devices(), std::vector<TrgDevice*>{&device});
    }
    EXPECT_EQ(device.Publisher(), nullptr);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(device.EventNotifies(), nullptr);
}

TEST_F(PageTest, CancelReachesOnlyDevicesThatStillWantPagesAndResetReachesAll)
{
    TrgPublisher publisher(nullptr);
    QStringList log;
    LoggingDevice waiting(log, QStringLiteral("w")), done(log, QStringLiteral("d"));
    Ask(done, {psSinglePage, 1});
    waiting.SetPublisher(&publisher);
    done.SetPublisher(&publisher);
    TrgPage page(nullptr);
    page.AbsolutePageNo = 1;
    page.Final = true;
    publisher.ReceivePage(&page);
    log.clear();
    publisher.CancelJob();
    EXPECT_EQ(log, QStringList{"w:cancel"});
    log.clear();
    publisher.Reset();
    EXPECT_EQ(log, (QStringList{"w:reset", "d:reset"}));
    EXPECT_EQ(done.PageSetting(), psAll);
    EXPECT_EQ(done.PageRequested(), 1);
    EXPECT_TRUE(done.WantsPages());
}

TEST_F(PageTest, RequestPagesRunsTheJobAgain)
{
    TrgPublisher publisher(nullptr);
    FakeEngine engine(publisher, 2);
    QStringList log;
    LoggingDevice device(log, QStringLiteral("d"));
    device.SetPublisher(&publisher);
    int copiesLeft = 1;
    device.OnEndJob = [&](TObject*) {
        if (copiesLeft-- > 0)
            device.RequestPages();
    };
    publisher.PublishJob();
    EXPECT_EQ(device.Output, (std::vector<int>{1, 2, 1, 2}));
    EXPECT_EQ(engine.Requests.size(), 2);

    LoggingDevice alone(log, QStringLiteral("a"));
    alone.RequestPages();  // no publisher: nothing happens
    EXPECT_TRUE(alone.Received.empty());
}

TEST_F(PageTest, DrawPageSkipsCommandsThatStartBeyondThePaper)
{
    TrgPage page(nullptr);
    const int width = page.PageDef().mmWidth;
    const int height = page.PageDef().mmHeight;
    struct Case {
        int left, top;
        bool drawn;
    };
    const Case cases[] = {{0, 0, true},           {width, height, true},        {width + 1, 0, false},
                          {0, height + 1, false}, {-500, -500, true},           {width - 1, height + 5000, false}};
    QStringList expected;
    for (const Case& c : cases) {
        auto* shape = new TrgDrawShape(nullptr);
        shape->Left = c.left;
        shape->Top = c.top;
        shape->SetPage(&page);
        if (c.drawn)
            expected << QStringLiteral("d:draw %1,%2").arg(c.left).arg(c.top);
    }
    QStringList log;
    LoggingDevice device(log, QStringLiteral("d"));
    device.DrawPage(&page);
    EXPECT_EQ(log, expected);
}

TEST_F(PageTest, TheBaseDeviceDecidesByItsSetting)
{
    struct Case {
        Request request;
        int pageNo;
        bool first, last;
        bool wanted, stillWants;
    };
    const Case cases[] = {
        {{psAll}, 3, false, false, true, true},
        {{psAll}, 3, false, true, true, false},
        {{psPageList, 1, {"2", "3"}}, 3, false, false, true, true},
        {{psPageList, 1, {"3"}}, 3, false, false, true, false},
        {{psPageList, 1, {"4"}}, 3, false, false, false, true},
        {{psSinglePage, 3}, 3, false, false, true, false},
        {{psSinglePage, 4}, 3, false, false, false, true},
        {{psFirstPage}, 1, true, false, true, false},
        {{psFirstPage}, 2, false, false, false, true},
        {{psLastPage}, 7, false, true, true, false},
        {{psLastPage}, 6, false, false, false, true},
    };
    for (const Case& c : cases) {
        QStringList log;
        LoggingDevice device(log, QStringLiteral("d"));
        Ask(device, c.request);
        TrgPage page(nullptr);
        page.AbsolutePageNo = c.pageNo;
        page.FirstPage = c.first;
        page.LastPage = c.last;
        page.Final = true;
        device.ReceivePage(&page);
        EXPECT_EQ(device.PageWanted(), c.wanted) << c.request.setting << ' ' << c.pageNo;
        EXPECT_FALSE(device.SkipPage());
        EXPECT_EQ(device.WantsPages(), c.stillWants) << c.request.setting << ' ' << c.pageNo;
    }
}
