#pragma once
// The page generators. TrgGenerator holds the page being built, the page
// numbers and the generation states; TrgCustomEngine adds the print area
// and the hooks through which the report caches the state at the end of
// every page; TrgEngine fills pages band by band: it walks the report's
// data pipeline, asks each band to print at its current position, ends
// pages, keeps page numbers and the page count, and runs one or two passes.

#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

#include "platform/core/sys_utils.h"
#include "report/engine/rg_cache.h"
#include "report/engine/rg_pipeline.h"
#include "report/output/rg_types.h"

class TrgBand;
class TrgCustomBand;
class TrgCustomReport;
class TrgGroup;
class TrgPage;

// Bits of the generator's state set.
enum : TrgStateSet {
    esStarted = 1,
    esFirstPass = 2,
    esSecondPass = 4,
    esSaved = 8,
    esTitlePrinting = 16,
    esSummaryPrinting = 32,
    esNoTitle = 64,
    esNoHeader = 128,
    // A section of pages of a subreport ended on the current page.
    esSectionEnded = 256,
};

// Bits of the engine's second state set. The markers of bands use the
// bits of their placement sets: page headers, column headers, group
// footers, detail.
enum : TrgStateSet {
    e2TitlePending = 0x0001,
    e2EndOfData = 0x0002,
    e2PageHeaders = 0x0004,
    e2FootersPrinting = 0x0008,
    e2ColumnHeaders = 0x0010,
    e2FirstPage = 0x0020,
    e2GroupFooters = 0x0080,
    e2DetailPrinting = 0x0100,
};

class TrgGenerator : public TrgCacheable {
public:
    explicit TrgGenerator(TComponent* AOwner);
    ~TrgGenerator() override;

    int AbsolutePageNo() const { return pageNo_; }
    int LastPageNo() const { return lastPageNo_; }
    TrgStateSet EngineState() const { return engineState_; }
    void AddEngineStates(TrgStateSet States) { engineState_ |= States; }
    void RemoveEngineStates(TrgStateSet States) { engineState_ &= TrgStateSet(~States); }
    TrgStateSet SecondState() const { return secondState_; }
    void AddSecondStates(TrgStateSet States) { secondState_ |= States; }
    void RemoveSecondStates(TrgStateSet States) { secondState_ &= TrgStateSet(~States); }
    bool PageCountKnown() const { return pageCountKnown_; }
    bool LastPageReached() const { return lastPageReached_; }
    bool Stopped() const { return stop_; }
    void SetStop(bool Value) { stop_ = Value; }
    bool PageRequestRunning() const { return pageRequestRunning_; }
    TrgPage* Page() const { return page_.get(); }
    TDateTime PrintDateTime() const { return printDateTime_; }
    TrgCustomReport* Report() const { return report_; }
    // While false an aborted job raises EPrintError.
    bool ErrorTolerant = false;

    // Where "now" comes from when a generation starts.
    std::function<TDateTime()> Clock;

    TNotifyEvent OnEndPage;
    TNotifyEvent OnPageComplete;

    virtual int GetPageNo() const { return pageNo_; }
    virtual int GetPageCount() const { return lastPageNo_; }
    virtual void EndOfData() {}
    virtual void Stop() {}
    virtual void Reset();
    virtual void PageRequest(TrgPageSettingType Setting, int PageNo, const QStringList* PageList) = 0;

protected:
    int pageNo_ = -1;
    int lastPageNo_ = 0;
    TrgStateSet engineState_ = 0;
    bool pageCountKnown_ = false;
    bool done_ = false;
    bool lastPageReached_ = false;
    std::unique_ptr<TrgPage> page_;
    TrgStateSet secondState_ = 0;
    TDateTime printDateTime_ = 0;
    bool pageRequestRunning_ = false;
    TrgCustomReport* report_ = nullptr;
    bool stop_ = false;
};

class TrgCustomEngine : public TrgGenerator {
public:
    explicit TrgCustomEngine(TComponent* AOwner);

    bool DataEnded() const { return endOfData_; }
    int ColumnNo() const { return columnNo_; }
    int PrintLeft() const { return printLeft_; }
    int PrintTop() const { return printTop_; }
    int PrintRight() const { return printRight_; }
    int PrintPosition() const { return printPosition_; }
    // Where the bands of the page body start on the current page (below the
    // page header).
    virtual int BodyTop() const { return printTop_; }
    void SetPrintArea(int Left, int Top, int Right, int Position);
    // The number of the save row the text-file output is on: each printed
    // band is a row of its own, numbered once through the whole report. A
    // child report's bands count on in the main report's rows, so that its
    // lines stand between the parent's in print order.
    int SaveRowNo() const;
    // Counts the next row and returns its number.
    int NextSaveRow();
    // The row taken last goes back (a band that waits for the next page).
    void GiveBackSaveRow();
    // Set when the first detail band of a page has applied its position.
    bool DetailPositioned = false;
    // Band passes on this page, and fresh ones (not continuations).
    int PagePasses = 0;
    int FreshPasses = 0;

    // The report binds these to its page cache.
    std::function<int()> OnLastCachedPage;
    std::function<void(int Page)> OnRestoreState;
    std::function<void()> OnResetCache;
    std::function<void(int Page)> OnSaveState;

    // The band being generated asks that the page end after it, even when
    // the next band would fit.
    void RequestPageBreak() { pageBreakRequested_ = true; }
    // Hooks around the hand-over of a finished page: BeforeSend runs when
    // the page is complete and may replace its content, AfterSend once it
    // has been sent. Owner identifies the hooks for their removal.
    void AddPageHandOver(const void* Owner, std::function<void()> BeforeSend, std::function<void()> AfterSend);
    void RemovePageHandOver(const void* Owner);

    virtual int GetPageBottom() const = 0;
    virtual void SetPageCount(int Count) = 0;
    virtual void DataAdvance() = 0;
    virtual void DataNext() = 0;
    // The record move taken back at a group break is carried out by the
    // next DataAdvance.
    void NoteMoveDue() { moveDue_ = true; }
    virtual void DetachPipelines() = 0;
    // Every group has closed: the summary is being generated.
    virtual bool SummaryStarted() const { return false; }
    // The pass being run only lays the pages out to count them (the first
    // pass of a two-pass report, the counting pass of a one-pass report
    // that prints the page count); the pages are laid out again for output,
    // so the application's band events may skip costly work in it.
    virtual bool CountingPass() const { return false; }
    // While a page goes on with group footers: the index of the group whose
    // footer comes first; -1 otherwise.
    virtual int OrphanedFooterGroup() const { return -1; }

protected:
    bool endOfData_ = false;
    bool moveDue_ = false;
    int columnNo_ = 0;
    int highestCachedPage_ = -1;
    int printLeft_ = 0, printTop_ = 0, printRight_ = 0, printPosition_ = 0;
    int saveRowNo_ = 0;
    bool pageBreakRequested_ = false;
    struct PageHandOver {
        const void* Owner;
        std::function<void()> BeforeSend, AfterSend;
    };
    std::vector<PageHandOver> handOvers_;
    // A copy of the hooks is run, so that a hook may remove itself.
    void RunHandOvers(bool Before);
};

class TrgEngine : public TrgCustomEngine, public TrgPipelineClient {
public:
    explicit TrgEngine(TComponent* AOwner);
    ~TrgEngine() override;

    int GetPageNo() const override;
    int GetPageCount() const override;
    int BodyTop() const override { return bodyTop_; }
    int GetPageBottom() const override;
    void SetPageCount(int Count) override;
    void DataAdvance() override;
    void DataNext() override;
    void DetachPipelines() override;
    void EndOfData() override;
    void Stop() override;
    void Reset() override;
    void PageRequest(TrgPageSettingType Setting, int PageNo, const QStringList* PageList) override;
    void PipelineNotification(int Operation, TrgDataPipeline* Pipeline) override;
    void EventNotify(TrgCommunicator* Sender, int Operation) override;
    bool SummaryStarted() const override { return currentList_ == blSummary; }
    // A subreport's engine answers for the report at the top.
    bool CountingPass() const override;
    int OrphanedFooterGroup() const override;

    // The band being generated.
    TrgBand* CurrentBand() const { return currentBand_; }

protected:
    void SaveCacheFields(TrgCacheRecord& Record) override;
    void RestoreCacheFields(const TrgCacheRecord& Record) override;

private:
    enum { blHeader, blTitle, blColumnHeader, blGroupHeader, blDetail, blGroupFooter, blSummary, blColumnFooter,
           blFooter, blCount };

    void GenerationLoop();
    void SetPassState();
    bool ChooseFirstPage();
    void InitGeneration();
    void GeneratePage();
    void StartPage();
    void BandSequence();
    // Generates list List from index Index; true when a band overflowed.
    bool GenerateList(int List, int& Index);
    void EndPage();
    void SaveState();
    void FillPageData();
    void FireEndOfPassEvents();
    void NextPage();
    bool IsOutputPage() const;
    void AbortJob(const QString& Message);
    // Columns: placing column Number (false when it does not fit on the
    // paper; the job ends when its position is missing or unreadable),
    // starting one, ending one (and the page when no column follows).
    bool PlaceColumn(int Number, int& Left);
    void StartColumn();
    void EndColumn();
    // Tests every group for a break after a record move; true when one broke.
    bool CheckGroupBreaks();
    void RefreshBreakValues();
    bool IsTwoPass() const;
    // The pages are counted before any is handed out: a two-pass report,
    // and a one-pass report that prints the page count, so that every page
    // carries the true total.
    bool CountsFirst() const;
    int HighestCachedPage() const;
    // Moves the report's pipeline on; false at its end. A detail pipeline
    // goes to the first detail of the new master.
    bool NextMasterRecord();
    void SkipMastersWithoutDetails();
    // The pipeline reached a record: its traversal event, and every band's
    // components that keep values across records take it in.
    void TraverseRecord();
    void ForgetPipeline(const TObject* Pipeline);
    // The next valid entry of the page list; false when none is left.
    bool TakePageListEntry(int& Page);
    static bool IsBodyList(int List);

    std::vector<TrgCustomBand*> lists_[blCount];
    TrgBand* lastBand_ = nullptr;
    TrgBand* currentBand_ = nullptr;
    int currentList_ = blTitle;
    int currentIndex_ = 0;
    bool pageEnded_ = false;
    bool multiColumn_ = false;
    bool columnEnded_ = false;
    int columnTop_ = 0;
    bool output_ = false;
    TrgPageSettingType setting_ = psAll;
    int requestedPage_ = 0;
    QStringList pageList_;
    int pageListPos_ = 0;
    bool entryPending_ = false;
    bool startFirstPassFired_ = false, endFirstPassFired_ = false;
    bool startSecondPassFired_ = false, endSecondPassFired_ = false;
    TrgDataPipeline* pipeline_ = nullptr;
    bool pipelineOpen_ = false;
    // The detail band's own pipeline, when it has one.
    TrgDataPipeline* detailPipeline_ = nullptr;
    bool detailOpen_ = false;
    bool repeatLastPage_ = false;
    bool remakingLastPage_ = false;
    // A one-pass report is counting its pages: none is output.
    bool counting_ = false;
    // Where the body of the current page starts, the body band that did
    // not fit there on the page before, and the header band that did not
    // fit on it.
    int bodyTop_ = 0;
    TrgCustomBand* stuckBand_ = nullptr;
    TrgCustomBand* stuckHeaderBand_ = nullptr;
    // The first group with NewPage and ResetPageNo: pages are counted in it.
    TrgGroup* numberingGroup_ = nullptr;
    int32_t cacheOffset_ = 0;
};
