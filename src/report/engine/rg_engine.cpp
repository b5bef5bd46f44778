#include "report/engine/rg_engine.h"

#include <algorithm>
#include <climits>

#include "report/engine/rg_bands.h"
#include "report/engine/rg_groups.h"
#include "report/engine/rg_report.h"
#include "report/output/rg_page.h"
#include "report/output/rg_printer_setup.h"
#include "report/output/rg_strings.h"
#include "report/output/rg_units.h"

namespace {

constexpr int kBandHeightExceedsPage = 275;
constexpr int kDetailBandDoesNotFit = 302;
constexpr int kCannotConvertColumnPosition = 285;
constexpr int kCannotFindColumnPosition = 286;

// The components whose ResetGroup is Group (running totals) start a new run
// with the next record they take.
void ResetGroupComponents(TrgCustomReport* Report, const TrgGroup* Group)
{
    if (!Report || !Group)
        return;
    for (int b = 0; b < Report->GetBandCount(); ++b) {
        const TrgBand* band = Report->GetBandAt(b);
        for (int c = 0; c < band->GetComponentCount(); ++c) {
            TrgComponent* component = band->GetComponentAt(c);
            if (component->UsesResetGroup() && component->ResetGroup == Group)
                component->SetForceNewValue(true);
        }
    }
}

}  // namespace

// ---- TrgGenerator ----------------------------------------------------------

TrgGenerator::TrgGenerator(TComponent* AOwner)
    : TrgCacheable(AOwner), page_(std::make_unique<TrgPage>(nullptr)), report_(dynamic_cast<TrgCustomReport*>(AOwner))
{
}

TrgGenerator::~TrgGenerator() = default;

void TrgGenerator::Reset()
{
    done_ = false;
    engineState_ &= TrgStateSet(~esStarted);
}

// ---- TrgCustomEngine ---------------------------------------------------------

TrgCustomEngine::TrgCustomEngine(TComponent* AOwner) : TrgGenerator(AOwner) {}

void TrgCustomEngine::SetPrintArea(int Left, int Top, int Right, int Position)
{
    printLeft_ = Left;
    printTop_ = Top;
    printRight_ = Right;
    printPosition_ = Position;
}

// ---- TrgEngine ---------------------------------------------------------------

TrgEngine::TrgEngine(TComponent* AOwner) : TrgCustomEngine(AOwner) { cacheOffset_ = ExtendCacheRecord(36); }

TrgEngine::~TrgEngine()
{
    BeginDestroy();
    DetachPipelines();
}

void TrgEngine::DetachPipelines()
{
    for (TrgDataPipeline* pipeline : {pipeline_, detailPipeline_})
        if (pipeline)
            pipeline->DetachClient(this);
    pipeline_ = detailPipeline_ = nullptr;
    pipelineOpen_ = detailOpen_ = false;
}

void TrgEngine::ForgetPipeline(const TObject* Pipeline)
{
    if (Pipeline == pipeline_) {
        pipeline_ = nullptr;
        pipelineOpen_ = false;
    }
    if (Pipeline == detailPipeline_) {
        detailPipeline_ = nullptr;
        detailOpen_ = false;
    }
}

void TrgEngine::PipelineNotification(int Operation, TrgDataPipeline* Pipeline)
{
    if (Operation == rgPipelineDestroying)
        ForgetPipeline(Pipeline);
}

void TrgEngine::EventNotify(TrgCommunicator* Sender, int Operation)
{
    if (Operation == rgOpPartnerDestroyed)
        ForgetPipeline(Sender);
    TrgCustomEngine::EventNotify(Sender, Operation);
}

bool TrgEngine::NextMasterRecord()
{
    pipeline_->Next();
    SkipMastersWithoutDetails();
    return !pipeline_->IsEOF();
}

void TrgEngine::SkipMastersWithoutDetails()
{
    if (!detailOpen_ || pipeline_->IsEOF())
        return;
    detailPipeline_->First();
    while (detailPipeline_->SkipWhenNoRecords() && (detailPipeline_->PipelineState() & tsNoRecords) &&
           !pipeline_->IsEOF()) {
        pipeline_->SkipRecord();
        detailPipeline_->First();
    }
}

bool TrgEngine::IsTwoPass() const { return report_ && report_->PassSetting() == psTwoPass; }

bool TrgEngine::CountsFirst() const
{
    if (IsTwoPass())
        return true;
    // A subreport's engine prints into its parent's pages, which are counted.
    return report_ && report_->GetMainReport() == report_ && report_->ShowsPageCount();
}

bool TrgEngine::CountingPass() const
{
    TrgCustomReport* main = report_ ? report_->GetMainReport() : nullptr;
    if (main && main != report_ && main->Engine())
        return main->Engine()->CountingPass();
    return counting_ || (IsTwoPass() && !(engineState_ & esSecondPass));
}

int TrgEngine::GetPageNo() const
{
    return numberingGroup_ ? numberingGroup_->GetGroupPageNo(pageNo_) : pageNo_;
}

int TrgEngine::GetPageCount() const
{
    return numberingGroup_ ? numberingGroup_->GetGroupPageCount() : lastPageNo_;
}

int TrgEngine::GetPageBottom() const
{
    const TrgPageDef& pageDef = report_->PageDef();
    int bottom = pageDef.mmHeight - pageDef.mmMarginBottom;
    for (const TrgCustomBand* band : lists_[blColumnFooter])
        bottom -= band->mmHeight();
    const bool onLastPage = (lastPageReached_ || pageCountKnown_) && pageNo_ == lastPageNo_;
    for (const TrgCustomBand* band : lists_[blFooter]) {
        const auto* footer = dynamic_cast<const TrgPageBand*>(band);
        if (footer && !footer->PrintOnLastPage() && onLastPage)
            continue;
        bottom -= band->mmHeight();
    }
    return bottom;
}

void TrgEngine::SetPageCount(int Count)
{
    lastPageNo_ = Count;
    pageCountKnown_ = false;
    startFirstPassFired_ = endFirstPassFired_ = startSecondPassFired_ = endSecondPassFired_ = false;
}

void TrgEngine::EndOfData()
{
    endOfData_ = true;
    secondState_ = TrgStateSet((secondState_ | e2EndOfData) & ~e2DetailPrinting);
}

void TrgEngine::Stop()
{
    EndOfData();
    lastPageReached_ = true;
    done_ = true;
}

void TrgEngine::Reset()
{
    TrgCustomEngine::Reset();
    if (pageRequestRunning_)
        return;
    page_->FreeDrawCommands();
    pageNo_ = lastPageNo_ = 0;
    engineState_ = secondState_ = 0;
    pageCountKnown_ = false;
    stop_ = false;
    pageBreakRequested_ = false;
}

void TrgEngine::DataAdvance()
{
    if (!moveDue_)
        return;
    // The move a group break took back: the new group's record.
    moveDue_ = false;
    if (endOfData_ || !pipeline_ || !pipelineOpen_)
        return;
    if (!NextMasterRecord()) {
        EndOfData();
        return;
    }
    RefreshBreakValues();
    TraverseRecord();
}

void TrgEngine::DataNext()
{
    if (endOfData_)
        return;
    if (!pipeline_ || !pipelineOpen_) {
        EndOfData();
        return;
    }
    if (!NextMasterRecord()) {
        EndOfData();
        return;
    }
    if (CheckGroupBreaks()) {
        // The footers of the ending group print with its last record; the
        // move is carried out again once they have printed.
        pipeline_->Prior();
        secondState_ |= e2GroupFooters;
        return;
    }
    TraverseRecord();
}

void TrgEngine::TraverseRecord()
{
    pipeline_->DoOnTraversal();
    TrgDataPipeline* inner = detailOpen_ ? detailPipeline_ : pipeline_;
    for (int i = 0; i < report_->GetBandCount(); ++i)
        if (auto* band = dynamic_cast<TrgCustomBand*>(report_->GetBandAt(i)))
            band->TraverseRecord(inner, pipeline_);
}

bool TrgEngine::CheckGroupBreaks()
{
    int outermost = -1;
    for (int i = report_->GetGroupCount() - 1; i >= 0; --i)
        if (report_->GetGroupAt(i)->CheckForBreak())
            outermost = i;
    if (outermost < 0)
        return false;
    // A break of an outer group breaks every group inside it. Once the
    // header of one of them starts a new page (or column), the inner ones
    // start no other; a group without a header band breaks nothing, and the
    // inner groups keep their own NewPage and NewColumn.
    bool newPage = false, newColumn = false;
    for (int i = outermost; i < report_->GetGroupCount(); ++i) {
        TrgGroup* group = report_->GetGroupAt(i);
        group->Break();
        if (!(secondState_ & e2EndOfData))
            ResetGroupComponents(report_, group);
        if (TrgGroupHeaderBand* header = group->HeaderBand()) {
            if (newPage)
                header->SetNewPageForced();
            if (newColumn)
                header->SetNewColumnForced();
        }
        const bool breaks = group->HeaderBand() != nullptr;
        newPage = newPage || (breaks && group->NewPage);
        newColumn = newColumn || (breaks && group->NewColumn && multiColumn_);
    }
    return true;
}

void TrgEngine::RefreshBreakValues()
{
    for (int i = 0; i < report_->GetGroupCount(); ++i)
        report_->GetGroupAt(i)->RefreshBreakValue();
}

// ---- page requests -----------------------------------------------------------

void TrgEngine::PageRequest(TrgPageSettingType Setting, int PageNo, const QStringList* PageList)
{
    if (pageRequestRunning_)
        return;
    struct TRunning {
        bool& Flag;
        ~TRunning() { Flag = false; }
    } running{pageRequestRunning_};
    pageRequestRunning_ = true;
    setting_ = Setting;
    requestedPage_ = PageNo;
    pageList_ = PageList ? *PageList : QStringList();
    pageListPos_ = 0;
    entryPending_ = false;

    if (!pageCountKnown_ && CountsFirst()) {
        setting_ = psAll;
        {
            // A one-pass report counts as a two-pass report's first pass does.
            struct TCounting {
                bool& Flag;
                ~TCounting() { Flag = false; }
            } counting{counting_};
            counting_ = !IsTwoPass();
            GenerationLoop();
        }
        setting_ = Setting;
        if (!stop_)
            GenerationLoop();
    } else {
        GenerationLoop();
    }
    for (auto [pipeline, open] : {std::pair{pipeline_, pipelineOpen_}, std::pair{detailPipeline_, detailOpen_}})
        if (pipeline && open)
            pipeline->GotoSavedBookmark();
}

void TrgEngine::SetPassState()
{
    engineState_ &= TrgStateSet(~(esFirstPass | esSecondPass));
    engineState_ |= (IsTwoPass() && pageCountKnown_) ? esSecondPass : esFirstPass;
}

void TrgEngine::GenerationLoop()
{
    done_ = false;
    stop_ = false;
    lastPageReached_ = false;
    if (!(engineState_ & esStarted)) {
        startFirstPassFired_ = false;
        SetPassState();
        InitGeneration();
        if (done_)
            return;
    }
    SetPassState();
    if (!ChooseFirstPage())
        return;
    while (!done_ && !stop_) {
        SetPassState();
        GeneratePage();
        FireEndOfPassEvents();
        NextPage();
        rgServiceMessageQueue();
    }
}

int TrgEngine::HighestCachedPage() const { return OnLastCachedPage ? OnLastCachedPage() : pageNo_ - 1; }

bool TrgEngine::TakePageListEntry(int& Page)
{
    while (pageListPos_ < pageList_.size()) {
        bool ok = false;
        const int entry = pageList_.at(pageListPos_).trimmed().toInt(&ok);
        const bool valid = ok && entry >= 1 && (!pageCountKnown_ || entry <= lastPageNo_);
        if (!valid) {
            ++pageListPos_;
            continue;
        }
        // An entry beyond the pages made so far stays current until the
        // pages before it are made.
        entryPending_ = entry > lastPageNo_ + 1;
        if (!entryPending_)
            ++pageListPos_;
        requestedPage_ = entry;
        Page = entry;
        return true;
    }
    return false;
}

bool TrgEngine::ChooseFirstPage()
{
    int page = 1;
    switch (setting_) {
    case psAll:
    case psFirstPage:
        page = 1;
        break;
    case psPageList:
        if (!TakePageListEntry(page)) {
            done_ = true;
            return false;
        }
        break;
    case psSinglePage:
        page = requestedPage_;
        if (page < 1 || (pageCountKnown_ && page > lastPageNo_)) {
            done_ = true;
            return false;
        }
        break;
    case psLastPage:
        page = pageCountKnown_ ? lastPageNo_ : HighestCachedPage() + 1;
        break;
    }
    pageNo_ = std::min(page, HighestCachedPage() + 1);
    return true;
}

void TrgCustomEngine::AddPageHandOver(const void* Owner, std::function<void()> BeforeSend,
                                      std::function<void()> AfterSend)
{
    RemovePageHandOver(Owner);
    handOvers_.push_back({Owner, std::move(BeforeSend), std::move(AfterSend)});
}

void TrgCustomEngine::RemovePageHandOver(const void* Owner)
{
    std::erase_if(handOvers_, [Owner](const PageHandOver& h) { return h.Owner == Owner; });
}

void TrgCustomEngine::RunHandOvers(bool Before)
{
    const std::vector<PageHandOver> hooks = handOvers_;
    for (const PageHandOver& hook : hooks) {
        const std::function<void()>& run = Before ? hook.BeforeSend : hook.AfterSend;
        if (run)
            run();
    }
}

void TrgEngine::NextPage()
{
    if (repeatLastPage_) {
        // The last page is made once more, now knowing that it is the last.
        repeatLastPage_ = false;
        remakingLastPage_ = true;
        done_ = false;
        return;
    }
    switch (setting_) {
    case psAll:
    case psLastPage:
        if (lastPageReached_)
            done_ = true;
        else
            ++pageNo_;
        break;
    case psPageList: {
        if (pageNo_ == requestedPage_ && entryPending_) {
            entryPending_ = false;
            ++pageListPos_;
        }
        int page = 0;
        if (pageNo_ < requestedPage_ && !lastPageReached_)
            ++pageNo_;
        else if (TakePageListEntry(page))
            pageNo_ = page;
        else
            done_ = true;
        break;
    }
    case psSinglePage:
        if (pageNo_ < requestedPage_ && !lastPageReached_)
            ++pageNo_;
        else
            done_ = true;
        break;
    case psFirstPage:
        done_ = true;
        break;
    }
    pageNo_ = std::min(pageNo_, HighestCachedPage() + 1);
}

void TrgEngine::FireEndOfPassEvents()
{
    if (!pageCountKnown_ || !lastPageReached_ || !report_)
        return;
    if ((engineState_ & esFirstPass) && !endFirstPassFired_) {
        endFirstPassFired_ = true;
        report_->DoOnEndFirstPass();
        engineState_ &= TrgStateSet(~esFirstPass);
    } else if ((engineState_ & esSecondPass) && !endSecondPassFired_) {
        endSecondPassFired_ = true;
        report_->DoOnEndSecondPass();
        engineState_ &= TrgStateSet(~esSecondPass);
    }
}

void TrgEngine::AbortJob(const QString& Message)
{
    if (report_)
        report_->AbortJob(Message);
}

// ---- text-file rows ---------------------------------------------------------------

namespace {

// The engine that counts the rows: the main report's.
const TrgCustomEngine* RowCounter(const TrgCustomEngine* Engine, TrgCustomReport* Report)
{
    TrgCustomReport* main = Report ? Report->GetMainReport() : nullptr;
    const TrgCustomEngine* counter = main && main != Report ? main->Engine() : nullptr;
    return counter ? counter : Engine;
}

}  // namespace

int TrgCustomEngine::SaveRowNo() const
{
    const TrgCustomEngine* counter = RowCounter(this, report_);
    return counter == this ? saveRowNo_ : counter->SaveRowNo();
}

int TrgCustomEngine::NextSaveRow()
{
    auto* counter = const_cast<TrgCustomEngine*>(RowCounter(this, report_));
    return counter == this ? ++saveRowNo_ : counter->NextSaveRow();
}

void TrgCustomEngine::GiveBackSaveRow()
{
    auto* counter = const_cast<TrgCustomEngine*>(RowCounter(this, report_));
    if (counter != this)
        counter->GiveBackSaveRow();
    else if (saveRowNo_ > 0)
        --saveRowNo_;
}

// ---- initialization ----------------------------------------------------------

void TrgEngine::InitGeneration()
{
    engineState_ = 0;
    secondState_ = 0;
    SetPassState();
    if (OnResetCache)
        OnResetCache();
    startFirstPassFired_ = endFirstPassFired_ = startSecondPassFired_ = endSecondPassFired_ = false;
    endOfData_ = false;
    moveDue_ = false;
    repeatLastPage_ = false;
    stuckBand_ = stuckHeaderBand_ = nullptr;
    saveRowNo_ = 0;
    pageCountKnown_ = false;

    DetachPipelines();
    pipeline_ = report_->DataPipeline();
    if (pipeline_) {
        pipelineOpen_ = rgStartPipeline(pipeline_, this, report_->Language());
        // A detail band with a pipeline of its own shows the details of the
        // report's (master) records; masters without details may be skipped.
        auto* detail = dynamic_cast<TrgDetailBand*>(report_->FindBand(bkDetail));
        if (pipelineOpen_ && detail && detail->DataPipeline() && detail->DataPipeline() != pipeline_) {
            detailPipeline_ = detail->DataPipeline();
            detailOpen_ = rgStartPipeline(detailPipeline_, this, report_->Language());
            SkipMastersWithoutDetails();
        }
        if (pipelineOpen_) {
            const bool noRecords = (pipeline_->PipelineState() & tsNoRecords) != 0;
            if ((pipeline_->SkipWhenNoRecords() && noRecords) || pipeline_->IsEOF()) {
                done_ = true;
                return;
            }
            pipeline_->SaveBookmark();
            if (detailOpen_)
                detailPipeline_->SaveBookmark();
        }
    }

    for (auto& list : lists_)
        list.clear();
    lastBand_ = nullptr;
    if (report_->GetBandCount() == 0)
        AbortJob(QStringLiteral("No bands for this report."));
    const int printableHeight = report_->PageDef().mmPrintableHeight();
    const int language = report_->LanguageIndex();
    for (int i = 0; i < report_->GetBandCount(); ++i) {
        auto* band = dynamic_cast<TrgCustomBand*>(report_->GetBandAt(i));
        if (!band)
            continue;
        if (band->mmHeight() > printableHeight)
            AbortJob(rgLoadString(language + kBandHeightExceedsPage));
        const uint16_t placement = band->GetPrintState();
        const std::pair<uint16_t, int> targets[] = {
            {rgPlaceHeader, blHeader},           {rgPlaceTitle, blTitle},
            {rgPlaceColumnHeader, blColumnHeader}, {rgPlaceGroupHeader, blGroupHeader},
            {rgPlaceDetail, blDetail},           {rgPlaceGroupFooter, blGroupFooter},
            {rgPlaceSummary, blSummary},         {rgPlaceColumnFooter, blColumnFooter},
            {rgPlaceFooter, blFooter}};
        for (const auto& [bit, list] : targets)
            if (placement & bit)
                lists_[list].push_back(band);
    }
    for (int list : {blSummary, blGroupFooter, blDetail})
        if (!lists_[list].empty()) {
            lastBand_ = lists_[list].back();
            break;
        }

    numberingGroup_ = nullptr;
    for (int i = 0; i < report_->GetGroupCount(); ++i) {
        TrgGroup* group = report_->GetGroupAt(i);
        group->InitForPrint();
        if (!numberingGroup_ && group->NewPage && group->ResetPageNo)
            numberingGroup_ = group;
    }
    for (int i = 0; i < report_->GetBandCount(); ++i)
        report_->GetBandAt(i)->InitForPrint();
    if (pipeline_ && pipelineOpen_)
        TraverseRecord();
    printDateTime_ = Clock ? Clock() : Now();
    engineState_ |= esStarted;
    pageNo_ = lastPageNo_ = 0;
    multiColumn_ = report_->Columns() > 1;
    secondState_ = e2TitlePending | e2DetailPrinting;
    currentList_ = blTitle;
    currentIndex_ = 0;
    SaveState();
}

// ---- one page ------------------------------------------------------------------

void TrgEngine::GeneratePage()
{
    // A page is the last one when its generation finds out; only the last
    // page made again knows it from the start.
    if (!remakingLastPage_)
        lastPageReached_ = false;
    remakingLastPage_ = false;
    if (OnRestoreState)
        OnRestoreState(pageNo_);
    StartPage();
    if ((engineState_ & esFirstPass) && !startFirstPassFired_) {
        startFirstPassFired_ = true;
        report_->DoOnStartFirstPass();
    } else if ((engineState_ & esSecondPass) && !startSecondPassFired_) {
        startSecondPassFired_ = true;
        report_->DoOnStartSecondPass();
    }

    if (!(engineState_ & (esNoTitle | esNoHeader))) {
        if (secondState_ & e2TitlePending) {
            int index = 0;
            if (!GenerateList(blTitle, index))
                secondState_ &= TrgStateSet(~e2TitlePending);
        }
        if (!pageEnded_) {
            int index = 0;
            if (!GenerateList(blHeader, index))
                secondState_ &= TrgStateSet(~e2PageHeaders);
        }
    }
    if (pageEnded_)
        return;
    bodyTop_ = printPosition_;
    if (currentList_ != blGroupFooter)
        DataAdvance();
    // A page goes on with the group headers (the detail follows them);
    // footers and the summary go on where they stopped.
    if (currentList_ <= blDetail) {
        currentList_ = blGroupHeader;
        currentIndex_ = 0;
    }
    BandSequence();
}

void TrgEngine::StartPage()
{
    if (pageNo_ == 1)
        secondState_ |= e2FirstPage;
    else
        secondState_ &= TrgStateSet(~e2FirstPage);
    const TrgPageDef& pageDef = report_->PageDef();
    SetPrintArea(pageDef.mmMarginLeft, pageDef.mmMarginTop, pageDef.mmPrintableWidth(), pageDef.mmMarginTop);
    columnNo_ = 0;
    columnTop_ = 0;
    columnEnded_ = false;
    pageEnded_ = false;
    DetailPositioned = false;
    PagePasses = 0;
    secondState_ |= e2PageHeaders;
    if (!pageCountKnown_ && pageNo_ > lastPageNo_) {
        lastPageNo_ = pageNo_;
        if (numberingGroup_)
            numberingGroup_->UpdateLastPage(pageNo_);
    }
    page_->FreeDrawCommands();
    output_ = IsOutputPage();
    FillPageData();
    for (int i = 0; i < report_->GetBandCount(); ++i)
        report_->GetBandAt(i)->PageOutput = output_;
    report_->DoOnStartPage();
    for (int i = 0; i < report_->GetBandCount(); ++i)
        report_->GetBandAt(i)->PageStarted();
}

int TrgEngine::OrphanedFooterGroup() const
{
    if (currentList_ != blGroupFooter || currentIndex_ >= int(lists_[blGroupFooter].size()))
        return -1;
    return lists_[blGroupFooter][size_t(currentIndex_)]->GroupIndex();
}

bool TrgEngine::IsOutputPage() const
{
    if (counting_)
        return false;
    bool output = !IsTwoPass() || (engineState_ & esSecondPass) || pageNo_ == requestedPage_;
    switch (setting_) {
    case psPageList:
    case psSinglePage:
        output = pageNo_ == requestedPage_;
        break;
    case psFirstPage:
        output = pageNo_ == 1;
        break;
    case psLastPage:
        output = pageCountKnown_ && pageNo_ == lastPageNo_;
        break;
    case psAll:
        break;
    }
    return output;
}

void TrgEngine::BandSequence()
{
    while (currentList_ <= blGroupFooter && !pageEnded_ && !stop_) {
        if (multiColumn_ && (columnNo_ == 0 || columnEnded_)) {
            StartColumn();
            if (currentList_ == blDetail || currentList_ == blGroupHeader) {
                int index = 0;
                GenerateList(blGroupHeader, index);
                if (pageEnded_ || columnEnded_)
                    continue;
                currentList_ = blDetail;
                currentIndex_ = 0;
            }
        }
        GenerateList(currentList_, currentIndex_);
        if (pageEnded_)
            break;
        if (columnEnded_)
            continue;
        if (currentList_ == blGroupFooter) {
            // Only a detail band uses up records: without one the data would
            // never end and the group lists would repeat forever on one page.
            if (lists_[blDetail].empty() && !endOfData_)
                EndOfData();
            // The record that started the new group was taken back for the
            // footers; it is due now, also when no group has a footer band.
            if ((secondState_ & e2GroupFooters) && !endOfData_)
                moveDue_ = true;
            secondState_ &= TrgStateSet(~e2GroupFooters);
            currentList_ = endOfData_ ? currentList_ + 1 : int(blGroupHeader);
        } else {
            ++currentList_;
        }
        currentIndex_ = 0;
        rgServiceMessageQueue();
    }
    if (!pageEnded_ && !stop_ && endOfData_) {
        currentList_ = blSummary;
        GenerateList(blSummary, currentIndex_);
    }
    // A report without detail, group footer or summary band has one page.
    if (!lastBand_)
        lastPageReached_ = true;
    if (!pageEnded_ && !stop_) {
        if (multiColumn_ && columnNo_ > 0)
            EndColumn();
        else
            EndPage();
    }
}

bool TrgEngine::PlaceColumn(int Number, int& Left)
{
    const TrgPageDef& pageDef = report_->PageDef();
    const int paperRight = pageDef.mmWidth - pageDef.mmMarginRight;
    const TStringList& positions = *report_->ColumnPositions();
    if (positions.Count() == 0) {
        Left = pageDef.mmMarginLeft + (Number - 1) * report_->mmColumnWidth();
        return Left + report_->mmColumnWidth() <= paperRight;
    }
    const QStringList column{QString::number(Number)};
    const int language = report_->LanguageIndex();
    // The messages end in a full stop of their own; none is added twice.
    auto message = [&](int Id) {
        QString text = rgFillMessageTags(rgLoadString(language + Id), column);
        return text.endsWith(u'.') ? text : text + u'.';
    };
    if (positions.Count() < Number)
        AbortJob(message(kCannotFindColumnPosition));
    // Positions are stored in thousandths of a millimetre; a loaded report
    // holds them with the program's decimal separator, one set in code may
    // use ".".
    bool ok = false;
    QString text = positions.Strings(Number - 1).trimmed();
    text.replace(FormatSettings().DecimalSeparator, QLatin1Char('.'));
    const double position = text.toDouble(&ok);
    if (!ok || position < INT_MIN || position > INT_MAX)
        AbortJob(message(kCannotConvertColumnPosition));
    Left = int(position);
    return Left <= paperRight;
}

void TrgEngine::StartColumn()
{
    if (engineState_ & (esTitlePrinting | esSummaryPrinting))
        return;
    if (columnNo_ == 0)
        columnTop_ = printPosition_;
    if (columnNo_ >= report_->Columns())
        return;
    int left = 0;
    const bool fits = PlaceColumn(columnNo_ + 1, left);
    ++columnNo_;
    columnEnded_ = false;
    if (!fits)
        return;
    const TrgPageDef& pageDef = report_->PageDef();
    SetPrintArea(left, columnTop_, pageDef.mmWidth - pageDef.mmMarginRight, columnTop_);
    bodyTop_ = columnTop_;
    DetailPositioned = false;
    secondState_ |= e2ColumnHeaders;
    report_->DoOnStartColumn();
    int index = 0;
    if (!GenerateList(blColumnHeader, index))
        secondState_ &= TrgStateSet(~e2ColumnHeaders);
}

void TrgEngine::EndColumn()
{
    columnEnded_ = true;
    const auto* groupHeader = dynamic_cast<const TrgGroupHeaderBand*>(currentBand_);
    const bool newPageForced =
        groupHeader && groupHeader->Group() && groupHeader->Group()->NewPage && !groupHeader->Group()->NewColumn;
    bool nextFits = false;
    // A column beyond the given positions is tried too, so that a missing
    // position ends the job with its message instead of going unnoticed.
    if (columnNo_ < report_->Columns()) {
        int left = 0;
        nextFits = PlaceColumn(columnNo_ + 1, left);
    }
    const bool summaryStarted = currentList_ == blSummary;
    const bool anotherColumn = columnNo_ != report_->Columns() && (!summaryStarted || !endOfData_) && nextFits &&
                               !newPageForced;
    if (!anotherColumn)
        SaveState();
    DataAdvance();
    const TrgStateSet footers = secondState_ & e2FootersPrinting;
    secondState_ |= e2FootersPrinting;
    int index = 0;
    GenerateList(blColumnFooter, index);
    secondState_ = TrgStateSet((secondState_ & ~e2FootersPrinting) | footers);
    report_->DoOnEndColumn();
    if (anotherColumn)
        return;
    const TrgPageDef& pageDef = report_->PageDef();
    SetPrintArea(pageDef.mmMarginLeft, pageDef.mmMarginTop, pageDef.mmPrintableWidth(), printPosition_);
    EndPage();
}

bool TrgEngine::IsBodyList(int List) { return List >= blGroupHeader && List <= blSummary; }

bool TrgEngine::GenerateList(int List, int& Index)
{
    bool overflowed = false;
    const std::vector<TrgCustomBand*>& bands = lists_[List];
    while (Index < int(bands.size()) && !stop_) {
        TrgCustomBand* band = bands[size_t(Index)];
        currentBand_ = band;
        const int positionBefore = printPosition_;
        const bool out = band->Generate();
        if (endOfData_ && band == lastBand_ && !out)
            lastPageReached_ = true;
        if (List != blFooter && List != blColumnFooter) {
            // A band that did not fit into an empty page body, or a page
            // header that did not fit at all, may wait once (a position
            // retry, a new page asked for); twice in a row it never fits.
            const bool body = IsBodyList(List);
            TrgCustomBand*& stuck = body ? stuckBand_ : stuckHeaderBand_;
            if (out && !band->MadeProgress() && (!body || positionBefore == bodyTop_)) {
                if (stuck == band)
                    AbortJob(rgLoadString(report_->LanguageIndex() +
                                          (body ? kDetailBandDoesNotFit : kBandHeightExceedsPage)));
                stuck = band;
            } else if (band->MadeProgress()) {
                stuck = nullptr;
            }
        }
        if (out) {
            pageBreakRequested_ = false;
            overflowed = true;
            break;
        }
        ++Index;
        if (pageBreakRequested_) {
            // The band is done; the page ends after it.
            pageBreakRequested_ = false;
            overflowed = true;
            break;
        }
        rgServiceMessageQueue();
    }
    if (overflowed && !(secondState_ & e2FootersPrinting)) {
        if (multiColumn_ && columnNo_ > 0 && !columnEnded_)
            EndColumn();
        else
            EndPage();
    }
    return overflowed;
}

void TrgEngine::SaveState()
{
    const int highest = HighestCachedPage();
    if (OnSaveState && (engineState_ & esFirstPass) && pageNo_ > highest)
        OnSaveState(pageNo_);
}

void TrgEngine::EndPage()
{
    pageEnded_ = true;
    if (!multiColumn_ || columnNo_ == 0)
        SaveState();
    DataAdvance();
    if (!(secondState_ & e2FootersPrinting) && !(engineState_ & esNoHeader)) {
        secondState_ |= e2FootersPrinting;
        int index = 0;
        GenerateList(blFooter, index);
    }
    if (OnEndPage)
        OnEndPage(this);
    bool deliver = true;
    if ((engineState_ & esFirstPass) && endOfData_ && lastPageReached_ && !pageCountKnown_) {
        pageCountKnown_ = true;
        if (!IsTwoPass() && !counting_) {
            repeatLastPage_ = true;
            deliver = false;
        }
    }
    if (deliver) {
        FillPageData();
        RunHandOvers(true);
        if (OnPageComplete)
            OnPageComplete(this);
        RunHandOvers(false);
    }
    secondState_ &= TrgStateSet(~e2FootersPrinting);
}

void TrgEngine::FillPageData()
{
    TrgPage& page = *page_;
    page.AbsolutePageNo = pageNo_;
    page.AbsolutePageCount = lastPageNo_;
    page.ControlGroupBreakNo = numberingGroup_ ? numberingGroup_->GroupNumber() : 0;
    page.DocumentName = report_->PrinterSetup()->DocumentName;
    page.FirstPage = pageNo_ == 1;
    page.LanguageIndex = report_->LanguageIndex();
    page.LastPage = lastPageReached_;
    page.PassSetting = report_->PassSetting();
    if (!(engineState_ & (esNoTitle | esNoHeader))) {
        page.PageNo = GetPageNo();
        page.PageCount = GetPageCount();
    }
    page.PrintDateTime = printDateTime_;
    page.Final = IsTwoPass() ? ((engineState_ & esSecondPass) && output_) : bool(engineState_ & esFirstPass);
    page.CalculationOnly = !output_;
}

// ---- page state ------------------------------------------------------------------

void TrgEngine::SaveCacheFields(TrgCacheRecord& Record)
{
    TrgCustomEngine::SaveCacheFields(Record);
    const int at = cacheOffset_;
    Record.PutBool(at + 0, moveDue_);
    Record.PutBool(at + 1, endOfData_);
    Record.PutBool(at + 2, pipelineOpen_);
    Record.PutInt32(at + 4, currentList_);
    Record.PutInt32(at + 8, currentIndex_);
    Record.PutInt32(at + 12, saveRowNo_);
    Record.PutUInt32(at + 16, engineState_);
    Record.PutUInt32(at + 20, secondState_);
}

void TrgEngine::RestoreCacheFields(const TrgCacheRecord& Record)
{
    TrgCustomEngine::RestoreCacheFields(Record);
    const int at = cacheOffset_;
    moveDue_ = Record.GetBool(at + 0);
    endOfData_ = Record.GetBool(at + 1);
    pipelineOpen_ = pipelineOpen_ && Record.GetBool(at + 2);
    currentList_ = Record.GetInt32(at + 4);
    currentIndex_ = Record.GetInt32(at + 8);
    saveRowNo_ = Record.GetInt32(at + 12);
    // The pass the engine is in is the request's, not the saved page's.
    const TrgStateSet passBits = esFirstPass | esSecondPass;
    const TrgStateSet saved = TrgStateSet(Record.GetUInt32(at + 16));
    engineState_ = TrgStateSet((engineState_ & passBits) | (saved & ~passBits));
    secondState_ = TrgStateSet(Record.GetUInt32(at + 20));
}
