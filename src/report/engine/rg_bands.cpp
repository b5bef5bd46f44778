#include "report/engine/rg_bands.h"
#include "report/engine/rg_describe.h"

#include <algorithm>
#include <climits>

#include "platform/stream/class_registry.h"
#include "platform/stream/component_reader.h"
#include "platform/stream/component_writer.h"
#include "report/engine/rg_design_hooks.h"
#include "report/engine/rg_engine.h"
#include "report/engine/rg_pipeline.h"
#include "report/engine/rg_report.h"
#include "report/engine/rg_stretchable.h"
#include "report/engine/rg_text_components.h"
#include "report/output/rg_page.h"
#include "report/output/rg_printer_setup.h"
#include "report/output/rg_strings.h"
#include "report/output/rg_units.h"

namespace {

QString SortKey(int Place) { return QString::asprintf("%8d", Place); }

// The layout list of a component; a region's components are laid out by
// their region.
int LayoutListOf(TrgComponent* Component) { return Component->Region() ? -1 : rgLayoutListOf(Component); }

}  // namespace

// ---- TrgBand ---------------------------------------------------------------

TrgBand::TrgBand(TComponent* AOwner) : TrgCacheable(AOwner) {}

TrgBand::~TrgBand()
{
    BeginDestroy();
    while (!components_.empty())
        delete components_.back();
    if (report_)
        SetReport(nullptr);
}

void TrgBand::SetReport(TrgCustomReport* Value)
{
    if (report_ == Value)
        return;
    if (report_) {
        if (const auto& leaving = rgDesignHooks().BandLeavingReport)
            leaving(this);
        report_->UnlistBand(this);
    }
    report_ = Value;
    if (report_) {
        report_->ListBand(this);
        SetUnits(report_->Units());
        if (const auto& joined = rgDesignHooks().BandJoinedReport)
            joined(this);
    }
}

bool TrgBand::SetmmHeight(int Value)
{
    if (Value == mmHeight_)
        return true;
    if (Value <= 0 && !components_.empty() && report_)
        return false;
    if (report_) {
        const int printable = report_->PageDef().mmPrintableHeight();
        if (Value > printable && printable > 0)
            return false;
    }
    Value = std::max(Value, 0);
    const int difference = mmHeight_ - Value;
    for (TrgComponent* component : components_)
        if (component->mmTop() + component->mmHeight() > Value)
            component->SetmmTop(std::max(component->mmTop() - difference, 0));
    mmHeight_ = Value;
    LayoutChanged();
    return true;
}

void TrgBand::SetmmBottomOffset(int Value)
{
    mmBottomOffset_ = Value;
    LayoutChanged();
}

void TrgBand::SetmmPrintPosition(int Value)
{
    mmPrintPosition_ = Value;
    LayoutChanged();
}

float TrgBand::Height() const { return rgFromMMThousandths(mmHeight_, units_, rgVertical, GetPrinter()); }

void TrgBand::SetHeight(float Value)
{
    if (Loading()) {
        mmHeight_ = qRound(Value);
        return;
    }
    SetmmHeight(rgToMMThousandths(units_, rgVertical, GetPrinter(), Value));
}

void TrgBand::SetPrintCount(int Value)
{
    printCount_ = Value;
    printType_ = Value == 0 ? GetDefaultPrintType() : 3;
    LayoutChanged();
}

void TrgBand::SetPrintHeight(TrgPrintHeightType Value)
{
    if (printHeight_ == Value)
        return;
    printHeight_ = Value;
    LayoutChanged();
}

void TrgBand::SetUnits(TrgUnitType Value)
{
    units_ = Value;
    for (TrgComponent* component : components_)
        component->SetUnits(Value);
}

void TrgBand::SetVisible(bool Value)
{
    visible_ = Value;
    LayoutChanged();
}

void TrgBand::LayoutChanged()
{
    Invalidate();
    if (report_)
        report_->Reset();
}

bool TrgBand::FindComponentIndex(const QString& Name, int& Index) const
{
    for (size_t i = 0; i < components_.size(); ++i)
        if (components_[i]->Name == Name) {
            Index = int(i);
            return true;
        }
    return false;
}

int TrgBand::IndexOfComponent(const TrgComponent* Component) const
{
    auto it = std::find(components_.begin(), components_.end(), Component);
    return it == components_.end() ? -1 : int(it - components_.begin());
}

void TrgBand::AddComponent(TrgComponent* Component)
{
    if (!Component || std::find(components_.begin(), components_.end(), Component) != components_.end())
        return;
    components_.push_back(Component);
}

void TrgBand::RemoveComponent(TrgComponent* Component)
{
    std::erase(components_, Component);
    if (auto* text = dynamic_cast<TrgCustomText*>(Component))
        RemoveSaveComponent(text);
}

void TrgBand::MoveComponent(int FromIndex, int ToIndex)
{
    const int last = GetComponentCount() - 1;
    if (FromIndex < 0 || FromIndex > last)
        return;
    ToIndex = std::clamp(ToIndex, 0, last);
    TrgComponent* component = components_[size_t(FromIndex)];
    components_.erase(components_.begin() + FromIndex);
    components_.insert(components_.begin() + ToIndex, component);
}

void TrgBand::BringComponentToFront(TrgComponent* Component)
{
    auto it = std::find(components_.begin(), components_.end(), Component);
    if (it != components_.end())
        MoveComponent(int(it - components_.begin()), GetComponentCount() - 1);
}

void TrgBand::SendComponentToBack(TrgComponent* Component)
{
    auto it = std::find(components_.begin(), components_.end(), Component);
    if (it != components_.end())
        MoveComponent(int(it - components_.begin()), 0);
}

void TrgBand::AddSaveComponent(TrgCustomText* Component)
{
    if (std::find(saveList_.begin(), saveList_.end(), Component) == saveList_.end())
        saveList_.push_back(Component);
}

void TrgBand::RemoveSaveComponent(TrgCustomText* Component) { std::erase(saveList_, Component); }

void TrgBand::InsertSaveComponent(int Index, TrgCustomText* Component)
{
    RemoveSaveComponent(Component);
    Index = std::clamp(Index, 0, int(saveList_.size()));
    saveList_.insert(saveList_.begin() + Index, Component);
}

int TrgBand::GetSpaceWidth() const
{
    if (!report_)
        return 0;
    if (report_->Columns() > 1 && IsColumnBand())
        return report_->mmColumnWidth();
    return report_->PageDef().mmPrintableWidth();
}

int TrgBand::GetLanguageIndex() const
{
    return report_ ? report_->LanguageIndex() : rgLanguageResourceBase(lgEnglish);
}

bool TrgBand::IsReportGenerating() const { return report_ && report_->Generating(); }

TrgCustomEngine* TrgBand::Engine() const { return report_ ? report_->Engine() : nullptr; }

const TObject* TrgBand::GetPrinter() const { return nullptr; }

TrgDataPipeline* TrgBand::GetDataPipeline() const { return report_ ? report_->DataPipeline() : nullptr; }

QString TrgBand::GetDescription() const { return rgLoadString(GetLanguageIndex() + descriptionId_); }

void TrgBand::Loaded()
{
    TrgCacheable::Loaded();
    std::vector<TrgCustomText*> saved;
    for (TrgComponent* component : components_)
        if (auto* text = dynamic_cast<TrgCustomText*>(component); text && text->Save())
            saved.push_back(text);
    // Texts without a stored place follow those with one.
    std::stable_sort(saved.begin(), saved.end(), [](const TrgCustomText* a, const TrgCustomText* b) {
        const auto key = [](const TrgCustomText* t) { return t->LoadedSaveOrder() < 0 ? INT_MAX : t->LoadedSaveOrder(); };
        return key(a) < key(b);
    });
    for (TrgCustomText* text : saved)
        AddSaveComponent(text);
}

void TrgBand::PageStarted()
{
    for (TrgComponent* component : components_)
        component->PageStarted();
}

void TrgBand::ConvertFromVersion(int Version)
{
    if (Version < 2097)
        mmHeight_ = rgScreenPixelsToMM(mmHeight_, rgVertical);
    for (TrgComponent* component : components_)
        component->ConvertFromVersion(Version);
    if (Version < 3000 && printHeight_ == phDynamic && !components_.empty()) {
        int lowest = 0;
        for (TrgComponent* component : components_)
            lowest = std::max(lowest, component->mmTop() + component->mmHeight());
        mmBottomOffset_ = mmHeight_ - lowest;
    }
}

void TrgBand::DefineBandProperties(TFiler& Filer)
{
    auto integer = [&Filer](const char* Name, int& Field) {
        const QString name = QString::fromLatin1(Name);
        Filer.DefineProperty(
            name, [&Field, name](TReader& Reader) { Field = rgCheckedLength(Reader.ReadInteger(), name); },
            [&Field](TWriter& Writer) { Writer.WriteInteger(Field); }, true);
    };
    integer("mmBottomOffset", mmBottomOffset_);
    integer("mmHeight", mmHeight_);
    integer("mmPrintPosition", mmPrintPosition_);
    Filer.DefineProperty(QStringLiteral("OnPrint"), [this](TReader& Reader) { OldOnPrint = Reader.ReadIdent(); },
                         nullptr, false);
    for (const char* name : {"OnSaveLineEnd", "OnSaveLineStart"})
        Filer.DefineProperty(QString::fromLatin1(name), [](TReader& Reader) { Reader.ReadIdent(); }, nullptr, false);
    for (const char* name : {"Left", "Top"})
        Filer.DefineProperty(QString::fromLatin1(name), [](TReader& Reader) { Reader.ReadInteger(); }, nullptr, false);
}

// ---- TrgCustomBand: generation -------------------------------------------

TrgCustomBand::TrgCustomBand(TComponent* AOwner) : TrgBand(AOwner) { cacheOffset_ = ExtendCacheRecord(20); }

void TrgCustomBand::InitForPrint()
{
    resumeList_ = resumeComponent_ = 0;
    overflow_ = incomplete_ = waited_ = false;
    positionRetry_ = pageBottomReached_ = false;
    remainingHeight_ = mmHeight();
    for (auto& list : lists_)
        list.clear();
    resetList_.clear();
    drawList_.clear();
    for (int i = 0; i < GetComponentCount(); ++i) {
        TrgComponent* component = GetComponentAt(i);
        component->ResetForPrint();
        component->ResetPrintState();
        const int list = LayoutListOf(component);
        if (list >= 0)
            lists_[list].push_back(component);
        if (component->TraversesRecords())
            resetList_.push_back(component);
    }
}

namespace {

// A component takes part in a traversal of Pipeline (and its master) unless
// it reads another pipeline.
bool Traverses(const TrgComponent& Component, const TrgDataPipeline* Pipeline, const TrgDataPipeline* Master)
{
    const TrgDataPipeline* own = Component.DataPipeline();
    return !Component.IsDataAware() || !own || own == Pipeline || own == Master || Component.TraverseAlways;
}

}  // namespace

void TrgCustomBand::ResetComponentValues(TrgDataPipeline* Pipeline, TrgDataPipeline* MasterPipeline)
{
    for (TrgComponent* component : resetList_)
        if (Traverses(*component, Pipeline, MasterPipeline))
            component->ResetValueState();
}

void TrgCustomBand::TraverseRecord(TrgDataPipeline* Pipeline, TrgDataPipeline* MasterPipeline)
{
    for (TrgComponent* component : resetList_)
        if (Traverses(*component, Pipeline, MasterPipeline))
            component->TraverseRecord();
}

bool TrgCustomBand::Generate()
{
    generating_ = true;
    done_ = false;
    outOfSpace_ = false;
    printsThisCall_ = 0;
    progress_ = false;
    BeginGenerate();
    TrgCustomEngine* engine = Engine();
    while (!done_ && engine) {
        allFinished_ = true;
        tallest_ = nullptr;
        firstUnfinishedSeen_ = false;
        overflowStartRecorded_ = false;
        overflowNext_ = false;
        drawList_.clear();
        printedHeight_ = 0;
        if (!overflow_ && !incomplete_)
            for (int i = 0; i < GetComponentCount(); ++i)
                GetComponentAt(i)->MarkToPrint();

        BeginPrintPass();
        CalcPrintSpace();

        if (Visible()) {
            bool laidOut = false;
            const bool fresh = !overflow_ && !incomplete_;
            if (!outOfSpace_) {
                saveRowNo_ = engine->NextSaveRow();
                BeforeGenerateComponents();
                // A band kept together that would not end on this page takes
                // its layout back and begins on the next one.
                const std::vector<TrgCacheRecord> before = MayWaitForNextPage() ? LayoutStates()
                                                                                : std::vector<TrgCacheRecord>();
                LayoutComponents();
                laidOut = true;
                if (!before.empty() && (incomplete_ || overflow_)) {
                    TakeBackLayout(before);
                    engine->GiveBackSaveRow();
                    laidOut = false;
                }
            }
            if (laidOut) {
                waited_ = false;
                if (fresh)
                    ++engine->FreshPasses;
                ++engine->PagePasses;
                ++printsThisCall_;
                AfterGenerateComponents();
                if (PrintHeight() == phStatic)
                    printedHeight_ = mmHeight();
                printedHeight_ += mmBottomOffset();
                engine->SetPrintArea(engine->PrintLeft(), engine->PrintTop(), engine->PrintRight(),
                                     printRect_.Top + printedHeight_);
                if (!drawList_.empty() || (!incomplete_ && !overflow_))
                    progress_ = true;
            }
            if (PageOutput) {
                TrgPage* page = engine->Page();
                BeforeDrawComponents(page);
                // Drawn in band order, whatever list they were laid out in.
                std::stable_sort(drawList_.begin(), drawList_.end(), [this](TrgComponent* a, TrgComponent* b) {
                    return IndexOfComponent(a) < IndexOfComponent(b);
                });
                for (TrgComponent* component : drawList_) {
                    component->GenerateDrawCommand(page);
                    rgServiceMessageQueue();
                }
            }
        }
        if (!Visible() && !outOfSpace_)
            progress_ = true;
        done_ = done_ || !Visible();
        EndPrintPass();
        rgServiceMessageQueue();
        if (DoneTest())
            break;
    }
    EndGenerate();
    generating_ = false;
    return outOfSpace_;
}

bool TrgCustomBand::DoneTest() const
{
    const TrgCustomEngine* engine = Engine();
    if (done_ || !engine || engine->Stopped() || outOfSpace_)
        return true;
    switch (PrintType()) {
    case 1:
        return printsThisCall_ >= 1;
    case 3:
        return printsThisCall_ >= PrintCount();
    default:
        return (GetPrintState() & engine->SecondState()) == 0;
    }
}

void TrgCustomBand::BeginPrintPass()
{
    if (NeedsDataAdvance() && Engine())
        Engine()->DataAdvance();
    for (int i = 0; i < GetComponentCount(); ++i)
        GetComponentAt(i)->ResetPrintState();
    if (BeforePrint)
        BeforePrint(this);
}

void TrgCustomBand::BeforeGenerateComponents()
{
    if (BeforeGenerate)
        BeforeGenerate(this);
}

void TrgCustomBand::AfterGenerateComponents()
{
    if (AfterGenerate)
        AfterGenerate(this);
}

void TrgCustomBand::EndPrintPass()
{
    for (int i = 0; i < GetComponentCount(); ++i)
        GetComponentAt(i)->ClearPendingPrint();
    if ((!outOfSpace_ || overflow_) && AfterPrint)
        AfterPrint(this);
}

void TrgCustomBand::CalcPrintSpace()
{
    const TrgCustomEngine* engine = Engine();
    pageLimit_ = engine->GetPageBottom() - mmBottomOffset();
    printPosition_ = engine->PrintPosition();
    CheckPrintPosition();
    if (outOfSpace_)
        return;
    const bool isStatic = PrintHeight() == phStatic;
    const int needed = isStatic ? mmHeight() : 0;
    if (pageLimit_ < printPosition_ + needed) {
        outOfSpace_ = true;
        return;
    }
    printRect_ = {engine->PrintLeft(), printPosition_, engine->PrintRight(),
                  isStatic ? printPosition_ + mmHeight() : pageLimit_};
    contentBottom_ = printPosition_;
    stretchBottom_ = 0;
}

void TrgCustomBand::CheckPrintPosition()
{
    const int position = mmPrintPosition();
    if (position == 0)
        return;
    if (position >= pageLimit_) {
        if (Report())
            Report()->AbortJob(rgLoadString(GetLanguageIndex() + 415) + QLatin1Char('.'));
        return;
    }
    const bool above = position < printPosition_;
    const bool endsBelow = PrintHeight() == phStatic && position + mmHeight() > pageLimit_;
    if (above || endsBelow) {
        if (!positionRetry_) {
            outOfSpace_ = true;
            positionRetry_ = true;
        } else {
            positionRetry_ = false;
        }
        return;
    }
    positionRetry_ = false;
    printPosition_ = position;
}

bool TrgCustomBand::MayWaitForNextPage() const
{
    // Only a fresh start below other bands waits: on an empty page body the
    // band prints what fits and goes on over the page end. A band holding a
    // component whose layout cannot be undone (a subreport) never waits, and
    // a band waits once: bands that reprint at the top of the next page (a
    // group header) leave it no emptier page to wait for.
    const TrgCustomEngine* engine = Engine();
    if (!keepTogether_ || waited_ || overflow_ || incomplete_ || !engine || printPosition_ <= engine->BodyTop())
        return false;
    for (int i = 0; i < GetComponentCount(); ++i)
        if (!GetComponentAt(i)->LayoutCanBeTakenBack())
            return false;
    return true;
}

std::vector<TrgCacheRecord> TrgCustomBand::LayoutStates()
{
    std::vector<TrgCacheRecord> states;
    states.reserve(size_t(GetComponentCount()) + 1);
    states.push_back(StateRecord());
    for (int i = 0; i < GetComponentCount(); ++i)
        states.push_back(GetComponentAt(i)->StateRecord());
    return states;
}

void TrgCustomBand::TakeBackLayout(const std::vector<TrgCacheRecord>& States)
{
    RestoreState(States[0]);
    waited_ = true;
    for (int i = 0; i < GetComponentCount(); ++i) {
        TrgComponent* component = GetComponentAt(i);
        component->RestoreState(States[size_t(i) + 1]);
        component->ResetPrintState();
    }
    drawList_.clear();
    printedHeight_ = 0;
    tallest_ = nullptr;
    outOfSpace_ = true;
}

int TrgCustomBand::StretchBottom() const
{
    // Components that stretch with the band reach its bottom as printed so
    // far: the design bottom of a static band, the content of a dynamic one.
    const int bandBottom = PrintHeight() == phStatic ? printRect_.Bottom : contentBottom_;
    return std::max(stretchBottom_, bandBottom);
}

void TrgCustomBand::LayoutComponents()
{
    int runningBottom = contentBottom_;
    const int firstList = resumeList_;
    // A continuation repeats the static components of the band.
    if (overflow_ && firstList != 0 && !pageBottomReached_)
        LayoutList(0, 0, runningBottom);
    for (int list = firstList; list < 4 && !done_; ++list) {
        LayoutList(list, list == firstList ? resumeComponent_ : 0, runningBottom);
        if (!allFinished_ && !overflowStartRecorded_) {
            resumeList_ = list;
            overflowStartRecorded_ = true;
        }
        if (pageBottomReached_ || (list == 1 && !lists_[1].empty() && printedHeight_ == 0))
            break;
        // A stretching component goes on on the next page: what stretches
        // or shifts with the band follows where the band ends, there.
        if (list == 1 && overflowNext_)
            break;
    }

    overflow_ = overflowNext_ && !drawList_.empty();
    incomplete_ = !allFinished_ && !overflow_;
    if (!incomplete_)
        remainingHeight_ = mmHeight();
    else if (drawList_.empty())
        remainingHeight_ = 0;
    if (allFinished_)
        resumeList_ = resumeComponent_ = 0;
    if (incomplete_ || overflow_)
        outOfSpace_ = true;
}

void TrgCustomBand::LayoutList(int ListIndex, int FromComponent, int& RunningBottom)
{
    const std::vector<TrgComponent*>& list = lists_[ListIndex];
    for (size_t i = size_t(std::max(FromComponent, 0)); i < list.size() && !done_; ++i) {
        TrgComponent* component = list[i];
        component->Generate();
        if (component->Continued())
            overflowNext_ = true;
        if (component->PrintHeight() > 0 &&
            std::find(drawList_.begin(), drawList_.end(), component) == drawList_.end())
            drawList_.push_back(component);
        if (!component->Printed()) {
            if (!firstUnfinishedSeen_) {
                firstUnfinishedSeen_ = true;
                resumeComponent_ = int(i);
            }
            allFinished_ = false;
            remainingHeight_ = std::min(remainingHeight_, component->mmTop());
        } else if (PrintHeight() == phDynamic && component->PrintHeight() > 0) {
            const int bottom = component->DrawRect().Top + component->PrintHeight();
            RunningBottom = std::max(RunningBottom, bottom);
            // Components that shift with the band keep their design
            // distance below the lowest stretching component.
            if (dynamic_cast<TrgStretchable*>(component) && (!tallest_ || bottom > stretchBottom_)) {
                stretchBottom_ = bottom;
                tallest_ = component;
            }
        }
        if (RunningBottom != contentBottom_) {
            contentBottom_ = RunningBottom;
            printedHeight_ = contentBottom_ - printRect_.Top;
        }
        rgServiceMessageQueue();
    }
}

void TrgCustomBand::SaveCacheFields(TrgCacheRecord& Record)
{
    TrgBand::SaveCacheFields(Record);
    const int at = cacheOffset_;
    Record.PutInt32(at + 0, resumeList_);
    Record.PutInt32(at + 4, resumeComponent_);
    Record.PutBool(at + 8, overflow_);
    Record.PutBool(at + 9, incomplete_);
    Record.PutBool(at + 10, waited_);
    Record.PutInt32(at + 12, remainingHeight_);
    Record.PutBool(at + 16, positionRetry_);
    Record.PutBool(at + 17, pageBottomReached_);
    Record.PutByte(at + 18, KindCacheByte());
}

void TrgCustomBand::RestoreCacheFields(const TrgCacheRecord& Record)
{
    TrgBand::RestoreCacheFields(Record);
    const int at = cacheOffset_;
    resumeList_ = Record.GetInt32(at + 0);
    resumeComponent_ = Record.GetInt32(at + 4);
    overflow_ = Record.GetBool(at + 8);
    incomplete_ = Record.GetBool(at + 9);
    waited_ = Record.GetBool(at + 10);
    remainingHeight_ = Record.GetInt32(at + 12);
    positionRetry_ = Record.GetBool(at + 16);
    pageBottomReached_ = Record.GetBool(at + 17);
    SetKindCacheByte(Record.GetByte(at + 18));
}

// ---- kinds -------------------------------------------------------------------

void TrgPageBand::SetPrintOnFirstPage(bool Value)
{
    if (!Report() || printOnFirstPage_ == Value)
        return;
    printOnFirstPage_ = Value;
    LayoutChanged();
}

void TrgPageBand::SetPrintOnLastPage(bool Value)
{
    if (!Report() || printOnLastPage_ == Value)
        return;
    printOnLastPage_ = Value;
    LayoutChanged();
}

void TrgPageBand::BeginGenerate()
{
    const TrgCustomEngine* engine = Engine();
    if (!engine) {
        done_ = true;
        return;
    }
    if (!printOnFirstPage_ && engine->AbsolutePageNo() == 1)
        done_ = true;
    if (!printOnLastPage_) {
        const bool firstPassLast = (engine->EngineState() & esFirstPass) && engine->LastPageReached();
        const bool secondPassLast =
            (engine->EngineState() & esSecondPass) && engine->AbsolutePageNo() == engine->LastPageNo();
        if (firstPassLast || secondPassLast)
            done_ = true;
    }
}

TrgHeaderBand::TrgHeaderBand(TComponent* AOwner) : TrgPageBand(AOwner) { descriptionId_ = 193; }
QString TrgHeaderBand::GetSortKey() const { return SortKey(1); }

TrgFooterBand::TrgFooterBand(TComponent* AOwner) : TrgPageBand(AOwner) { descriptionId_ = 190; }
QString TrgFooterBand::GetSortKey() const { return SortKey(7); }

void TrgFooterBand::CalcPrintSpace()
{
    const TrgCustomEngine* engine = Engine();
    const TrgPageDef& pageDef = Report()->PageDef();
    pageLimit_ = pageDef.mmHeight - pageDef.mmMarginBottom;
    printPosition_ = pageLimit_ - mmHeight();
    printRect_ = {engine->PrintLeft(), printPosition_, engine->PrintRight(), printPosition_ + mmHeight()};
}

void TrgReportBand::SetNewPage(bool Value)
{
    if (!Report() || newPage_ == Value)
        return;
    newPage_ = Value;
    LayoutChanged();
}

void TrgReportBand::InitForPrint()
{
    TrgBasicBand::InitForPrint();
    newPageDone_ = false;
}

TrgTitleBand::TrgTitleBand(TComponent* AOwner) : TrgReportBand(AOwner) { descriptionId_ = 195; }
QString TrgTitleBand::GetSortKey() const { return SortKey(0); }

void TrgTitleBand::BeginGenerate()
{
    if (NewPage() && newPageDone_)
        done_ = true;
    else if (Engine())
        Engine()->AddEngineStates(esTitlePrinting);
}

void TrgTitleBand::EndGenerate()
{
    if (Engine())
        Engine()->RemoveEngineStates(esTitlePrinting);
    if (NewPage() && !newPageDone_) {
        newPageDone_ = true;
        outOfSpace_ = true;
    }
}

TrgSummaryBand::TrgSummaryBand(TComponent* AOwner) : TrgReportBand(AOwner) { descriptionId_ = 194; }
QString TrgSummaryBand::GetSortKey() const { return SortKey(8); }

void TrgSummaryBand::BeginGenerate()
{
    if (Engine())
        Engine()->AddEngineStates(esSummaryPrinting);
}

void TrgSummaryBand::EndGenerate()
{
    if (Engine())
        Engine()->RemoveEngineStates(esSummaryPrinting);
}

void TrgSummaryBand::CalcPrintSpace()
{
    if (NewPage() && !newPageDone_) {
        newPageDone_ = true;
        outOfSpace_ = true;
        return;
    }
    TrgReportBand::CalcPrintSpace();
}

TrgColumnHeaderBand::TrgColumnHeaderBand(TComponent* AOwner) : TrgBasicBand(AOwner)
{
    descriptionId_ = 188;
    SetmmHeight(0);
}
QString TrgColumnHeaderBand::GetSortKey() const { return SortKey(2); }

TrgColumnFooterBand::TrgColumnFooterBand(TComponent* AOwner) : TrgBasicBand(AOwner)
{
    descriptionId_ = 187;
    SetmmHeight(0);
}
QString TrgColumnFooterBand::GetSortKey() const { return SortKey(6); }

void TrgColumnFooterBand::CalcPrintSpace()
{
    const TrgCustomEngine* engine = Engine();
    const TrgPageDef& pageDef = Report()->PageDef();
    pageLimit_ = pageDef.mmHeight - pageDef.mmMarginBottom;
    printPosition_ = engine->GetPageBottom();
    printRect_ = {engine->PrintLeft(), printPosition_, engine->PrintRight(), printPosition_ + mmHeight()};
}

TrgDetailBand::TrgDetailBand(TComponent* AOwner) : TrgBasicBand(AOwner)
{
    descriptionId_ = 189;
    SetPrintCount(0);
}

TrgDetailBand::~TrgDetailBand()
{
    if (dataPipeline_)
        dataPipeline_->DetachClient(this);
}

QString TrgDetailBand::GetSortKey() const { return SortKey(4); }

TrgDataPipeline* TrgDetailBand::GetDataPipeline() const
{
    return dataPipeline_ ? dataPipeline_ : TrgBasicBand::GetDataPipeline();
}

void TrgDetailBand::SetDataPipeline(TrgDataPipeline* Value)
{
    TrgDataPipeline* old = dataPipeline_;
    if (dataPipeline_)
        dataPipeline_->DetachClient(this);
    dataPipeline_ = Value;
    if (dataPipeline_)
        dataPipeline_->AttachClient(this);
    if (!Loading() && !Destroying()) {
        // The data-aware components follow the band's new pipeline, except
        // those without one that name a field it lacks.
        for (int i = 0; i < GetComponentCount(); ++i) {
            TrgComponent* component = GetComponentAt(i);
            if (!component->IsDataAware())
                continue;
            const bool lacksField = Value && !component->DataField().isEmpty() &&
                                    Value->IndexOfFieldName(component->DataField()) == -1;
            if ((old && component->DataPipeline() == old) || (!component->DataPipeline() && !lacksField))
                component->SetDataPipeline(Value);
        }
    }
    LayoutChanged();
}

void TrgDetailBand::EventNotify(TrgCommunicator* Sender, int Operation)
{
    if (Operation == rgOpPartnerDestroyed && Sender && Sender == dataPipeline_) {
        dataPipeline_ = nullptr;
        if (Report())
            Report()->Reset();
    }
    TrgBasicBand::EventNotify(Sender, Operation);
}

void TrgDetailBand::CheckPrintPosition()
{
    if (Engine() && !Engine()->DetailPositioned)
        TrgBasicBand::CheckPrintPosition();
}

void TrgDetailBand::BeginPrintPass()
{
    if (!Visible() && Engine())
        Engine()->DataAdvance();
    for (int i = 0; i < GetComponentCount(); ++i)
        GetComponentAt(i)->ResetPrintState();
    if (BeforePrint)
        BeforePrint(this);
}

void TrgDetailBand::BeforeGenerateComponents()
{
    if (Engine())
        Engine()->DataAdvance();
    if (BeforeGenerate)
        BeforeGenerate(this);
}

void TrgDetailBand::AfterGenerateComponents()
{
    TrgCustomEngine* engine = Engine();
    if (!Overflow() && engine->DataEnded())
        done_ = true;
    if (pageBottomReached_ && !(engine->SecondState() & e2DetailPrinting))
        outOfSpace_ = true;
    engine->DetailPositioned = true;
    if (AfterGenerate)
        AfterGenerate(this);
}

void TrgDetailBand::EndPrintPass()
{
    TrgBasicBand::EndPrintPass();
    TrgCustomEngine* engine = Engine();
    if (!engine)
        return;
    if (!Overflow() && !outOfSpace_)
        engine->DataNext();
    if (engine->DataEnded() || (engine->SecondState() & e2GroupFooters))
        done_ = true;
    if (!done_ && PrintType() == 3 && printsThisCall_ == PrintCount())
        outOfSpace_ = true;
}

// ---- stream form -------------------------------------------------------------

namespace {

using rgdescribe::Get;
using rgdescribe::Put;

void DescribeBandClasses()
{
    const TEnumInfo* printHeights = rgdescribe::Enum("TrgPrintHeightType", TrgPrintHeightTypeIdentifiers);
    auto never = [](const TrgBand&) { return false; };
    DescribeClass<TrgBand, TComponent>(QStringLiteral("TrgBand"))
        .Single("Height", Get(&TrgBand::Height), Put(&TrgBand::SetHeight)).Stored(never)
        .Boolean("Save", Get(&TrgBand::Save), Put(&TrgBand::SetSave)).Default(false)
        .Boolean("Visible", Get(&TrgBand::Visible), Put(&TrgBand::SetVisible)).Default(true)
        .DefineProperties([](TrgBand& band, TFiler& filer) { band.DefineBandProperties(filer); })
        .Children([](TrgBand& band, const TGetChildProc& proc, TComponent*) {
            for (int i = 0; i < band.GetComponentCount(); ++i)
                if (band.GetComponentAt(i)->GetContainer() == &band)
                    proc(band.GetComponentAt(i));
        })
        .ParentSetter([](TrgBand& band, TComponent* parent) {
            if (auto* report = dynamic_cast<TrgCustomReport*>(parent))
                band.SetReport(report);
        });
    DescribeClass<TrgCustomBand, TrgBand>(QStringLiteral("TrgCustomBand"))
        .Enum("PrintHeight", printHeights, Get(&TrgBand::PrintHeight), Put(&TrgBand::SetPrintHeight))
        .Default(phStatic);
    DescribeClass<TrgBasicBand, TrgCustomBand>(QStringLiteral("TrgBasicBand"));
    DescribeClass<TrgPageBand, TrgBasicBand>(QStringLiteral("TrgPageBand"))
        .Boolean("PrintOnFirstPage", Get(&TrgPageBand::PrintOnFirstPage), Put(&TrgPageBand::SetPrintOnFirstPage))
        .Default(true)
        .Boolean("PrintOnLastPage", Get(&TrgPageBand::PrintOnLastPage), Put(&TrgPageBand::SetPrintOnLastPage))
        .Default(true);
    DescribeClass<TrgReportBand, TrgBasicBand>(QStringLiteral("TrgReportBand"))
        .Boolean("NewPage", Get(&TrgReportBand::NewPage), Put(&TrgReportBand::SetNewPage))
        .Default(false);
    DescribeClass<TrgHeaderBand, TrgPageBand>(QStringLiteral("TrgHeaderBand"));
    DescribeClass<TrgFooterBand, TrgPageBand>(QStringLiteral("TrgFooterBand"));
    DescribeClass<TrgTitleBand, TrgReportBand>(QStringLiteral("TrgTitleBand"));
    DescribeClass<TrgSummaryBand, TrgReportBand>(QStringLiteral("TrgSummaryBand"));
    DescribeClass<TrgColumnHeaderBand, TrgBasicBand>(QStringLiteral("TrgColumnHeaderBand"));
    DescribeClass<TrgColumnFooterBand, TrgBasicBand>(QStringLiteral("TrgColumnFooterBand"));
    DescribeClass<TrgDetailBand, TrgBasicBand>(QStringLiteral("TrgDetailBand"))
        .Integer("PrintCount", Get(&TrgBand::PrintCount), Put(&TrgBand::SetPrintCount))
        .Default(0)
        .DefineProperties([](TrgDetailBand& band, TFiler& filer) {
            filer.DefineProperty(QStringLiteral("DataSource"),
                                 [&band](TReader& reader) { band.OldDataSource = reader.ReadIdent(); }, nullptr, false);
            filer.DefineProperty(QStringLiteral("NoRecordsAction"), [](TReader& reader) { reader.ReadIdent(); },
                                 nullptr, false);
            filer.DefineProperty(QStringLiteral("SkipWhenNoRecords"), [](TReader& reader) { reader.ReadBoolean(); },
                                 nullptr, false);
        });
}

}  // namespace

void rgRegisterBandClasses()
{
    static const bool described = (DescribeBandClasses(), true);
    (void)described;
    for (const TClassInfo* info :
         {ClassInfoFor<TrgHeaderBand>(), ClassInfoFor<TrgTitleBand>(), ClassInfoFor<TrgDetailBand>(),
          ClassInfoFor<TrgSummaryBand>(), ClassInfoFor<TrgFooterBand>(), ClassInfoFor<TrgColumnHeaderBand>(),
          ClassInfoFor<TrgColumnFooterBand>()})
        RegisterClass(info);
}
