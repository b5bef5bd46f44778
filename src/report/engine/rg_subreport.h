#pragma once
// TrgSubReport: a report of its own inside a band. Each time its band
// prints, it runs its child report: pbChild lays the child out in the
// subreport's rectangle on the parent's page, growing with it and going on
// with the child's next page on the parent's following pages; pbFixed lays
// out the child's first page in a box of exactly the design size. The child
// page's draw commands move onto the parent's page, shifted to the
// subreport's place.

#include <QSize>

#include <memory>
#include <set>
#include <vector>

#include "report/engine/rg_stretchable.h"

class TrgReport;

class TrgSubReport : public TrgStretchable {
public:
    explicit TrgSubReport(TComponent* AOwner);
    ~TrgSubReport() override;

    TrgPrintBehaviorType PrintBehavior() const { return printBehavior_; }
    // pbSection is not printed by this component: it is refused.
    void SetPrintBehavior(TrgPrintBehaviorType Value);
    // The child report, with its own bands, groups and pipeline.
    TrgReport* Report() const { return child_.get(); }

    // A component of the band whose printed output, clicked in the preview,
    // shows or hides this subreport for its record; nullptr: always shown.
    TrgComponent* DrillDownComponent() const { return drillDown_; }
    void SetDrillDownComponent(TrgComponent* Value);
    bool DrillDownInEffect() const { return drillDown_ != nullptr; }
    // True when the subreport of the current record is shown.
    bool Expanded() const;
    // What a click on a draw command of the drill-down component does: the
    // record's subreport is shown or hidden, and the report is made again.
    void DrillDownClick(TrgDrawCommand* Command);
    // How often the subreport printed: the key of its expansions.
    int PrintCounter() const { return printCounter_; }

    void GenerateContent() override;
    void CreateDrawCommand(TrgPage* Page) override;
    void ResetForPrint() override;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

    void SaveCacheFields(TrgCacheRecord& Record) override;
    void RestoreCacheFields(const TrgCacheRecord& Record) override;

private:
    // The child's paper is Width x Height without margins.
    void SetChildPage(int Width, int Height);
    // A new print of the child.
    void StartRun();
    // Makes page PageNo of the current run at Width x Height.
    void RunChildPage(int PageNo, int Width, int Height);
    int TallestChildBand() const;
    // Counts a fresh print; true (and no space used) when drill-down hides it.
    bool Collapsed();
    void GenerateChild();
    void GenerateFixed();

    TrgPrintBehaviorType printBehavior_ = pbChild;
    std::unique_ptr<TrgReport> child_;
    bool inProgress_ = false;
    int nextChildPage_ = 1;
    // The child page made for the current parent page holds commands to move.
    bool childPageReady_ = false;
    // Pages in a row on which the child could not start.
    int deferrals_ = 0;
    // Each print of the child (one per parent record) is a run; the sizes
    // of its pages let a page made again from the cache lay the child out
    // as before, when the child engine holds another run by then.
    int runNo_ = -1;
    int childRun_ = -1;
    std::vector<std::vector<QSize>> runPages_;
    TrgComponent* drillDown_ = nullptr;
    std::set<int> expansions_;
    int printCounter_ = 0;
    // The report is made again after a drill-down click: the expansions stay.
    bool drillDownToggled_ = false;
    int32_t cacheOffset_ = 0;
};
