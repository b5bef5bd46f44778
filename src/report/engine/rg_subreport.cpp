#include "report/engine/rg_subreport.h"

#include <algorithm>

#include "report/engine/rg_bands.h"
#include "report/engine/rg_engine.h"
#include "report/engine/rg_report.h"
#include "report/output/rg_draw_commands.h"
#include "report/output/rg_page.h"
#include "report/output/rg_printer_setup.h"

TrgSubReport::TrgSubReport(TComponent* AOwner) : TrgStretchable(AOwner), child_(std::make_unique<TrgReport>(nullptr))
{
    cacheOffset_ = ExtendCacheRecord(14);
    child_->Name = QStringLiteral("ChildReport");
    SetParentWidth(true);
    SetPixelBounds(0, 0, 50, 19);
    SetStretch(true);
}

TrgSubReport::~TrgSubReport()
{
    BeginDestroy();
    SetDrillDownComponent(nullptr);
}

void TrgSubReport::SetPrintBehavior(TrgPrintBehaviorType Value)
{
    if (Value == pbSection)
        return;
    printBehavior_ = Value;
    SetStretch(Value == pbChild);
    Invalidate();
}

void TrgSubReport::ResetForPrint()
{
    TrgStretchable::ResetForPrint();
    inProgress_ = false;
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

void TrgSubReport::SetDrillDownComponent(TrgComponent* Value)
{
    if (drillDown_ == Value)
        return;
    if (drillDown_) {
        // Its handlers call this subreport: they go with the link.
        drillDown_->OnDrawCommandCreate = nullptr;
        drillDown_->OnDrawCommandClick = nullptr;
        drillDown_->RemoveFreeNotification(this);
    }
    drillDown_ = Value;
    if (drillDown_)
        drillDown_->FreeNotification(this);
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
    child_->Reset();
}

void TrgSubReport::RunChildPage(int PageNo, int Width, int Height)
{
    std::vector<QSize>& sizes = runPages_.at(size_t(runNo_));
    if (childRun_ != runNo_) {
        // The child engine holds another run: this one is laid out again
        // up to the page asked for, each page at the size it had.
        child_->Reset();
        childRun_ = runNo_;
        for (int page = 1; page < PageNo && page <= int(sizes.size()); ++page) {
            SetChildPage(sizes[size_t(page - 1)].width(), sizes[size_t(page - 1)].height());
            child_->PageRequest(psSinglePage, page, nullptr);
        }
    }
    SetChildPage(Width, Height);
    child_->PageRequest(psSinglePage, PageNo, nullptr);
    if (int(sizes.size()) < PageNo)
        sizes.resize(size_t(PageNo));
    sizes[size_t(PageNo - 1)] = QSize(Width, Height);
    childPageReady_ = true;
}

void TrgSubReport::GenerateContent()
{
    childPageReady_ = false;
    if (printBehavior_ == pbFixed)
        GenerateFixed();
    else
        GenerateChild();
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
    RunChildPage(nextChildPage_, area.Right - area.Left, area.Bottom - area.Top);
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
    RunChildPage(1, mmWidth(), mmHeight());
    if (!DrillDownInEffect())
        ++printCounter_;
    SetPrintHeight(mmHeight());
    SetContinued(false);
}

void TrgSubReport::CreateDrawCommand(TrgPage* Page)
{
    if (!childPageReady_)
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
}

void TrgSubReport::RestoreCacheFields(const TrgCacheRecord& Record)
{
    TrgStretchable::RestoreCacheFields(Record);
    inProgress_ = Record.GetBool(cacheOffset_);
    nextChildPage_ = Record.GetInt32(cacheOffset_ + 1);
    deferrals_ = Record.GetByte(cacheOffset_ + 5);
    runNo_ = Record.GetInt32(cacheOffset_ + 6);
    printCounter_ = Record.GetInt32(cacheOffset_ + 10);
}
