#include "report/engine/rg_subreport.h"
#include "report/engine/rg_describe.h"

#include <algorithm>

#include "platform/stream/class_registry.h"
#include "report/engine/rg_bands.h"
#include "report/engine/rg_design_hooks.h"
#include "report/engine/rg_engine.h"
#include "report/engine/rg_report.h"
#include "report/output/rg_draw_commands.h"
#include "report/output/rg_page.h"
#include "report/output/rg_printer_device.h"
#include "report/output/rg_publisher.h"
#include "report/output/rg_printer_setup.h"

TrgCustomReport* TrgChildReport::GetMainReport()
{
    TrgCustomReport* parent = subReport_ ? subReport_->TrgStretchable::Report() : nullptr;
    return parent ? parent->GetMainReport() : static_cast<TrgCustomReport*>(this);
}

TrgCustomReport* TrgChildReport::ParentReport() const
{
    return subReport_ ? subReport_->TrgStretchable::Report() : nullptr;
}

void TrgChildReport::Reset()
{
    TrgCustomReport* main = GetMainReport();
    if (main == this)
        TrgReport::Reset();
    else
        main->Reset();
}

void TrgChildReport::Cancel()
{
    TrgProducer::Cancel();
    engine_->SetStop(true);
    if (auto* parent = dynamic_cast<TrgChildReport*>(ParentReport()))
        parent->Cancel();
}

void TrgChildReport::SetModified(bool Value)
{
    TrgReport::SetModified(Value);
    if (TrgCustomReport* parent = ParentReport(); parent && !SaveAsTemplate)
        parent->SetModified(Value);
}

void TrgChildReport::AddEngineStates(TrgStateSet States)
{
    TrgReport::AddEngineStates(States);
    if (TrgCustomReport* parent = ParentReport())
        parent->AddEngineStates(States);
}

void TrgChildReport::RemoveEngineStates(TrgStateSet States)
{
    TrgReport::RemoveEngineStates(States);
    if (TrgCustomReport* parent = ParentReport())
        parent->RemoveEngineStates(States);
}

void TrgChildReport::CopySettings(const TrgProducer* Source)
{
    TrgReport::CopySettings(Source);
    CheckParentPrinterSetup();
}

void TrgChildReport::PrinterSetupChanged()
{
    TrgReport::PrinterSetupChanged();
    CheckParentPrinterSetup();
}

void TrgChildReport::CheckParentPrinterSetup()
{
    const TrgCustomReport* parent = ParentReport();
    if (parent && !PrinterSetup()->IsEqual(*parent->PrinterSetup()))
        subReport_->ReportPrinterSetupChanged();
}

TrgSubReport::TrgSubReport(TComponent* AOwner) : TrgStretchable(AOwner), child_(std::make_unique<TrgChildReport>(nullptr))
{
    cacheOffset_ = ExtendCacheRecord(15);
    child_->Name = QStringLiteral("ChildReport");
    child_->SetSubReport(this);
    SetParentWidth(true);
    SetPixelBounds(0, 0, 50, 19);
    SetStretch(true);
}

TrgChildReport::~TrgChildReport()
{
    if (subReport_)
        subReport_->ForgetChildReport(this);
}

TrgSubReport::~TrgSubReport()
{
    BeginDestroy();
    sectionDevice_.reset();
    if (TrgCustomEngine* engine = ParentEngine())
        engine->RemovePageHandOver(this);
    SetDrillDownComponent(nullptr);
    if (child_) {
        child_->SetSubReport(nullptr);
        child_.reset();
    }
}

void TrgSubReport::AdoptChildReport(TrgChildReport* Child)
{
    if (!Child || Child == child_.get())
        return;
    // The subreport owns its child report, not the form it was read into.
    if (Child->Owner())
        Child->Owner()->RemoveComponent(Child);
    child_.reset(Child);
    child_->SetSubReport(this);
}

void TrgSubReport::SetPrintBehavior(TrgPrintBehaviorType Value)
{
    if (Region() && Value != pbFixed)
        return;
    printBehavior_ = Value;
    SetStretch(Value == pbChild);
    if (!Loading()) {
        if (Value == pbSection) {
            SetDrillDownComponent(nullptr);
            SetParentWidth(true);
            SetShiftRelativeTo(nullptr);
        } else {
            newPrintJob_ = false;
            resetPageNo_ = false;
        }
    }
    Invalidate();
}

void TrgSubReport::SetResetPageNo(bool Value)
{
    if (printBehavior_ == pbSection || Loading())
        resetPageNo_ = Value;
}

void TrgSubReport::SetNewPrintJob(bool Value)
{
    newPrintJob_ = Value;
    // The field alone: a section by way of NewPrintJob keeps the rest.
    if (Value && printBehavior_ != pbSection) {
        printBehavior_ = pbSection;
        SetStretch(false);
    }
    Invalidate();
}

void TrgSubReport::SetParentPrinterSetup(bool Value)
{
    parentPrinterSetup_ = Value;
    if (Value)
        if (TrgCustomReport* parent = TrgStretchable::Report())
            child_->SetPrinterSetup(parent->PrinterSetup());
}

void TrgSubReport::ReportPrinterSetupChanged()
{
    TrgCustomReport* parent = TrgStretchable::Report();
    if (parentPrinterSetup_ && parent && child_)
        child_->SetPrinterSetup(parent->PrinterSetup());
}

void TrgSubReport::SetRegion(TrgStretchContainer* Value)
{
    TrgStretchable::SetRegion(Value);
    // Inside a region the subreport prints its box only.
    if (Value && printBehavior_ != pbFixed) {
        printBehavior_ = pbFixed;
        newPrintJob_ = false;
        resetPageNo_ = false;
        SetStretch(false);
    }
}

void TrgSubReport::SetBand(TrgBand* Value)
{
    // The hooks of a section stay with the engine of the report it leaves.
    if (TrgCustomEngine* engine = ParentEngine())
        engine->RemovePageHandOver(this);
    TrgStretchable::SetBand(Value);
    // A child report grows with its content, as in a band of its own; in a
    // band of fixed height it would only get its box, too small for its
    // bands, and print nothing.
    if (Value && !Loading() && Stretch() && Value->PrintHeight() == phStatic)
        Value->SetPrintHeight(phDynamic);
    TrgCustomReport* parent = TrgStretchable::Report();
    if (!parent || Loading() || child_->GetBandCount() > 0)
        return;
    if (parentPrinterSetup_)
        child_->SetPrinterSetup(parent->PrinterSetup());
    child_->SetUnits(Units());
    // The bands belong to the subreport's owner, as the layout's others do.
    std::vector<TrgBand*> bands;
    if (printBehavior_ == pbChild)
        bands = {new TrgTitleBand(Owner()), new TrgDetailBand(Owner()), new TrgSummaryBand(Owner())};
    else
        bands = {new TrgHeaderBand(Owner()), new TrgDetailBand(Owner()), new TrgFooterBand(Owner())};
    for (TrgBand* band : bands)
        child_->AddBand(band);
}

void TrgSubReport::SetCaption(const QString& Value)
{
    TrgStretchable::SetCaption(Value);
    if (const auto& send = rgDesignHooks().SendMessage)
        send(TrgStretchable::Report(), rgDesignMsgCaptionChanged, 0, this);
}

bool TrgSubReport::ShowsPageCount() const { return child_ && child_->ShowsPageCount(); }

TrgCustomEngine* TrgSubReport::ParentEngine() const
{
    TrgCustomReport* parent = TrgStretchable::Report();
    return parent ? parent->Engine() : nullptr;
}

void TrgSubReport::ResetForPrint()
{
    TrgStretchable::ResetForPrint();
    inProgress_ = false;
    sectionStarted_ = false;
    sectionPageReady_ = false;
    if (TrgCustomEngine* engine = ParentEngine()) {
        if (printBehavior_ == pbSection)
            engine->AddPageHandOver(
                this, [this] { HandOverSectionPage(); }, [this] { SectionPageSent(); });
        else
            engine->RemovePageHandOver(this);
    }
    nextChildPage_ = 1;
    childPageReady_ = false;
    deferrals_ = 0;
    runNo_ = childRun_ = -1;
    runPages_.clear();
    printCounter_ = 0;
    if (DrillDownInEffect()) {
        // Every subreport starts collapsed, unless the report is made again
        // for a drill-down click.
        if (drillDownToggled_)
            drillDownToggled_ = false;
        else
            expansions_.clear();
        drillDown_->OnDrawCommandCreate = [this](TObject*, TObject* Command) {
            static_cast<TrgDrawCommand*>(Command)->Tag = printCounter_;
        };
        drillDown_->OnDrawCommandClick = [this](TObject*, TObject* Command) {
            DrillDownClick(static_cast<TrgDrawCommand*>(Command));
        };
    }
}

TrgComponent* TrgSubReport::DrillDownComponent() const
{
    if (drillDown_ && Band() && drillDown_->Band() != Band())
        return nullptr;
    return drillDown_;
}

void TrgSubReport::SetDrillDownComponent(TrgComponent* Value)
{
    if (drillDown_ == Value || (Value && printBehavior_ == pbSection))
        return;
    if (drillDown_) {
        // Its handlers call this subreport: they go with the link.
        drillDown_->OnDrawCommandCreate = nullptr;
        drillDown_->OnDrawCommandClick = nullptr;
        drillDown_->RemoveFreeNotification(this);
    }
    drillDown_ = Value;
    if (drillDown_) {
        drillDown_->FreeNotification(this);
        // One drill-down component serves one subreport of the band.
        if (TrgBand* band = Band())
            for (int i = 0; i < band->GetComponentCount(); ++i) {
                auto* other = dynamic_cast<TrgSubReport*>(band->GetComponentAt(i));
                if (other && other != this && other->drillDown_ == Value) {
                    other->drillDown_->RemoveFreeNotification(other);
                    other->drillDown_ = nullptr;
                }
            }
    }
    Invalidate();
}

void TrgSubReport::Notification(TComponent* AComponent, TOperation Operation)
{
    TrgStretchable::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == drillDown_)
        drillDown_ = nullptr;
}

bool TrgSubReport::Expanded() const { return DrillDownInEffect() && expansions_.count(printCounter_) > 0; }

void TrgSubReport::DrillDownClick(TrgDrawCommand* Command)
{
    const int key = int(Command->Tag);
    if (!expansions_.erase(key))
        expansions_.insert(key);
    Command->RedrawPage = true;
    drillDownToggled_ = true;
    if (TrgCustomReport* parent = TrgStretchable::Report())
        parent->GetMainReport()->Reset();
}

void TrgSubReport::SetChildPage(int Width, int Height)
{
    TrgPrinterSetup* setup = child_->PrinterSetup();
    const int values[] = {0, 0, 0, 0, Height, Width};
    for (int i = 0; i < 6; ++i)
        setup->SetDefinedValue(i, values[i]);
}

int TrgSubReport::TallestChildBand() const
{
    int tallest = 0;
    for (int i = 0; i < child_->GetBandCount(); ++i)
        tallest = std::max(tallest, child_->GetBandAt(i)->mmHeight());
    return tallest;
}

void TrgSubReport::StartRun()
{
    runNo_ = int(runPages_.size());
    runPages_.emplace_back();
    childRun_ = runNo_;
    child_->Engine()->Reset();
}

void TrgSubReport::RunChildPage(int PageNo, QSize Size)
{
    std::vector<QSize>& sizes = runPages_.at(size_t(runNo_));
    auto layOut = [this](int Page, QSize PageSize) {
        if (PageSize.isValid())
            SetChildPage(PageSize.width(), PageSize.height());
        child_->PageRequest(psSinglePage, Page, nullptr);
    };
    if (childRun_ != runNo_) {
        // The child engine holds another run: this one is laid out again
        // up to the page asked for, each page at the size it had.
        child_->Engine()->Reset();
        childRun_ = runNo_;
        for (int page = 1; page < PageNo && page <= int(sizes.size()); ++page)
            layOut(page, sizes[size_t(page - 1)]);
    }
    layOut(PageNo, Size);
    if (int(sizes.size()) < PageNo)
        sizes.resize(size_t(PageNo));
    sizes[size_t(PageNo - 1)] = Size;
}

void TrgSubReport::GenerateContent()
{
    childPageReady_ = false;
    // While the child report runs, a cancel of the main report must reach
    // it; afterwards the report that holds this subreport runs again.
    TrgCustomReport* holder = TrgStretchable::Report();
    auto* main = holder ? dynamic_cast<TrgReport*>(holder->GetMainReport()) : nullptr;
    struct TBeingGenerated {
        TrgReport* Main;
        TrgCustomReport* After;
        ~TBeingGenerated()
        {
            if (Main)
                Main->SetReportBeingGenerated(After);
        }
    } beingGenerated{main, holder};
    if (main)
        main->SetReportBeingGenerated(child_.get());
    switch (printBehavior_) {
    case pbFixed: GenerateFixed(); break;
    case pbSection: GenerateSection(); break;
    case pbChild: GenerateChild(); break;
    }
}

void TrgSubReport::GenerateSection()
{
    TrgCustomEngine* parent = ParentEngine();
    SetPrintHeight(0);
    if (!parent)
        return;
    // The states go to the band's report, which passes them on upwards.
    TrgCustomReport* report = TrgStretchable::Report();
    if (!sectionStarted_) {
        // The page after this one carries no title or header: the section
        // may start at its top.
        sectionStarted_ = true;
        report->AddEngineStates(esNoTitle);
    }
    const bool pageEmpty =
        parent->PrintPosition() <= parent->PrintTop() && parent->Page()->GetDrawCommandCount() == 0;
    parent->RequestPageBreak();
    if (!pageEmpty) {
        // Something stands on this page already: the section starts on the next.
        SetContinued(true);
        return;
    }
    if (!inProgress_) {
        inProgress_ = true;
        nextChildPage_ = 1;
        report->RemoveEngineStates(esNoTitle);
        if (parentPrinterSetup_)
            child_->SetPrinterSetup(TrgStretchable::Report()->PrinterSetup());
        StartRun();
    }
    report->AddEngineStates(esNoHeader);
    RunChildPage(nextChildPage_, QSize());
    TrgCustomEngine* engine = child_->Engine();
    sectionPageReady_ = engine->Page()->GetDrawCommandCount() > 0;
    const bool finished = engine->LastPageReached();
    // The section page takes the whole parent page; the band's own space
    // stays what the child used, within the subreport's rectangle.
    const TrgMMRect& area = DrawRect();
    SetPrintHeight(std::clamp(engine->PrintPosition() - engine->PrintTop(), 1, std::max(1, area.Bottom - area.Top)));
    SetContinued(!finished);
    if (finished) {
        report->RemoveEngineStates(esNoHeader);
        report->AddEngineStates(esSectionEnded);
        sectionStarted_ = false;
        inProgress_ = false;
        nextChildPage_ = 1;
        ++printCounter_;
    } else {
        ++nextChildPage_;
    }
}

void TrgSubReport::HandOverSectionPage()
{
    TrgCustomEngine* parent = ParentEngine();
    if (!sectionPageReady_ || !parent)
        return;
    TrgPage* page = parent->Page();
    // The parent's page keeps its place in the document (its absolute
    // number and whether it is output); it takes the child page's content,
    // paper and numbering.
    const int absoluteNo = page->AbsolutePageNo, absoluteCount = page->AbsolutePageCount;
    const bool final = page->Final, calculationOnly = page->CalculationOnly;
    const bool firstPage = page->FirstPage, lastPage = page->LastPage;
    page->Assign(child_->Engine()->Page());
    page->AbsolutePageNo = absoluteNo;
    page->AbsolutePageCount = absoluteCount;
    page->Final = final;
    page->CalculationOnly = calculationOnly;
    page->FirstPage = firstPage;
    page->LastPage = lastPage;
    if (!resetPageNo_) {
        page->PageNo = parent->GetPageNo();
        page->PageCount = parent->GetPageCount();
        page->UpdatePendingCalcs(nullptr);
    }
    // A section of its own job: a device joins the main report's publisher
    // for the section's pages.
    TrgCustomReport* main = TrgStretchable::Report()->GetMainReport();
    if (newPrintJob_ && main->Device() == dvPrinter && !sectionDevice_) {
        sectionDevice_ = CreateSectionDevice();
        if (sectionDevice_) {
            sectionDevice_->SetPublisher(main->Publisher());
            sectionDevice_->StartJob();
        }
    }
}

std::unique_ptr<TrgDevice> TrgSubReport::CreateSectionDevice() { return std::make_unique<TrgPrinterDevice>(nullptr); }

void TrgSubReport::SectionPageSent()
{
    TrgCustomEngine* parent = ParentEngine();
    if (!sectionPageReady_ || !parent)
        return;
    sectionPageReady_ = false;
    if (!inProgress_) {
        TrgStretchable::Report()->RemoveEngineStates(esSectionEnded);
        // The section's job ends with its last page.
        if (sectionDevice_) {
            sectionDevice_->EndJob();
            sectionDevice_.reset();
        }
    }
    if (TrgCustomReport* main = TrgStretchable::Report()->GetMainReport(); main == TrgStretchable::Report())
        parent->Page()->SetPrinterSetup(main->PrinterSetup());
}

bool TrgSubReport::Collapsed()
{
    if (!DrillDownInEffect())
        return false;
    if (!Continued())
        ++printCounter_;  // a fresh print of the subreport
    if (Expanded())
        return false;
    // A collapsed subreport takes no space and draws nothing.
    SetPrintHeight(0);
    SetContinued(false);
    return true;
}

void TrgSubReport::GenerateChild()
{
    if (Collapsed())
        return;
    const TrgMMRect& area = DrawRect();
    if (area.Bottom - area.Top < TallestChildBand()) {
        // A band of the child is taller than the rest of the page: the
        // child goes on at the top of the next page; a band taller than a
        // page of its own is left out rather than asked for without end.
        if (++deferrals_ > 1) {
            deferrals_ = 0;
            inProgress_ = false;
            SetPrintHeight(0);
            SetContinued(false);
            return;
        }
        SetPrintHeight(0);
        SetContinued(true);
        return;
    }
    deferrals_ = 0;
    if (!inProgress_) {
        inProgress_ = true;
        nextChildPage_ = 1;
        StartRun();
    }
    RunChildPage(nextChildPage_, QSize(area.Right - area.Left, area.Bottom - area.Top));
    childPageReady_ = true;
    TrgCustomEngine* engine = child_->Engine();
    bool finished = true;
    int used = mmHeight();
    if (CanStretch()) {
        finished = engine->LastPageReached();
        used = finished ? engine->PrintPosition() - engine->PrintTop() : area.Bottom - area.Top;
    }
    SetPrintHeight(used);
    SetContinued(!finished);
    if (finished) {
        inProgress_ = false;
        nextChildPage_ = 1;
        if (!DrillDownInEffect())
            ++printCounter_;
    } else if (used > 0) {
        ++nextChildPage_;
    }
}

void TrgSubReport::GenerateFixed()
{
    if (Collapsed())
        return;
    const TrgMMRect& area = DrawRect();
    if (area.Bottom - area.Top < mmHeight()) {
        // Tried again, whole, at the top of the next page.
        SetPrintHeight(0);
        SetContinued(true);
        return;
    }
    StartRun();
    RunChildPage(1, QSize(mmWidth(), mmHeight()));
    childPageReady_ = true;
    if (!DrillDownInEffect())
        ++printCounter_;
    SetPrintHeight(mmHeight());
    SetContinued(false);
}

void TrgSubReport::CreateDrawCommand(TrgPage* Page)
{
    if (!childPageReady_ || printBehavior_ == pbSection)
        return;
    TrgPage* childPage = child_->Engine()->Page();
    const int left = DrawRect().Left, top = DrawRect().Top;
    while (childPage && childPage->GetDrawCommandCount() > 0) {
        TrgDrawCommand* command = childPage->GetDrawCommand(0);
        command->SetPage(nullptr);
        command->Left += left;
        command->Top += top;
        command->SetPageArea(Page->PageDef());
        command->SetPage(Page);
    }
    childPageReady_ = false;
}

void TrgSubReport::SaveCacheFields(TrgCacheRecord& Record)
{
    TrgStretchable::SaveCacheFields(Record);
    Record.PutBool(cacheOffset_, inProgress_);
    Record.PutInt32(cacheOffset_ + 1, nextChildPage_);
    Record.PutByte(cacheOffset_ + 5, uint8_t(deferrals_));
    Record.PutInt32(cacheOffset_ + 6, runNo_);
    Record.PutInt32(cacheOffset_ + 10, printCounter_);
    Record.PutBool(cacheOffset_ + 14, sectionStarted_);
}

void TrgSubReport::RestoreCacheFields(const TrgCacheRecord& Record)
{
    TrgStretchable::RestoreCacheFields(Record);
    inProgress_ = Record.GetBool(cacheOffset_);
    nextChildPage_ = Record.GetInt32(cacheOffset_ + 1);
    deferrals_ = Record.GetByte(cacheOffset_ + 5);
    runNo_ = Record.GetInt32(cacheOffset_ + 6);
    printCounter_ = Record.GetInt32(cacheOffset_ + 10);
    sectionStarted_ = Record.GetBool(cacheOffset_ + 14);
}

namespace {

using rgdescribe::Get;
using rgdescribe::Put;

void DescribeSubReportClasses()
{
    rgRegisterStretchableClass();
    rgRegisterReportClasses();
    DescribeClass<TrgChildReport, TrgReport>(QStringLiteral("TrgChildReport"))
        .ParentSetter([](TrgChildReport& child, TComponent* parent) {
            if (auto* sub = dynamic_cast<TrgSubReport*>(parent))
                sub->AdoptChildReport(&child);
        });
    const TEnumInfo* behaviors = rgdescribe::Enum("TrgPrintBehaviorType", TrgPrintBehaviorTypeIdentifiers);
    using S = TrgSubReport;
    DescribeClass<S, TrgStretchable>(QStringLiteral("TrgSubReport"))
        .String("Caption", Get(&S::Caption), [](S& s, const QString& v) { s.SetCaption(v); })
        .Component(
            "DrillDownComponent", [](const S& s) -> TComponent* { return s.DrillDownComponent(); },
            [](S& s, TComponent* c) { s.SetDrillDownComponent(dynamic_cast<TrgComponent*>(c)); })
        .Boolean("NewPrintJob", Get(&S::NewPrintJob), Put(&S::SetNewPrintJob)).Default(false)
        .Boolean("ParentPrinterSetup", Get(&S::ParentPrinterSetup), Put(&S::SetParentPrinterSetup)).Default(true)
        .Boolean("ParentWidth", Get(&S::ParentWidth), Put(&S::SetParentWidth)).Default(true)
        .Enum("PrintBehavior", behaviors, Get(&S::PrintBehavior), Put(&S::SetPrintBehavior)).Default(pbChild)
        .Boolean("ResetPageNo", Get(&S::ResetPageNo), Put(&S::SetResetPageNo)).Default(true)
        .Boolean("Visible", Get(&S::Visible), Put(&S::SetVisible)).Default(true)
        .Children([](S& sub, const TGetChildProc& proc, TComponent*) { proc(sub.Report()); });
}

}  // namespace

void rgRegisterSubReportClasses()
{
    static const bool described = (DescribeSubReportClasses(), true);
    (void)described;
    RegisterClass(ClassInfoFor<TrgChildReport>());
    RegisterClass(ClassInfoFor<TrgSubReport>());
}
