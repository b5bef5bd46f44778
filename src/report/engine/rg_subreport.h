#pragma once
// TrgSubReport: a report of its own inside a band. Each time its band
// prints, it runs its child report: pbChild lays the child out in the
// subreport's rectangle on the parent's page, growing with it and going on
// with the child's next page on the parent's following pages; pbFixed lays
// out the child's first page in a box of exactly the design size; pbSection
// makes whole pages of the child between the parent's pages, on paper of
// its own. The child page's draw commands move onto the parent's page,
// shifted to the subreport's place; a section page replaces the parent's
// page as it is handed on.

#include <QSize>

#include <memory>
#include <set>
#include <vector>

#include "report/engine/rg_report.h"
#include "report/engine/rg_stretchable.h"

class TrgSubReport;

// The report a subreport runs. Its main report is that of the subreport's
// band, so that a regeneration asked for inside it makes the whole report
// again. What happens to it is passed on to the report above it (the
// report of the subreport's band): a reset (to the main report), a cancel,
// a change, the engine's states.
class TrgChildReport : public TrgReport {
public:
    explicit TrgChildReport(TComponent* AOwner) : TrgReport(AOwner) {}
    // A child freed by someone else (a stream reader cleaning up after a
    // failed load) leaves its subreport, which would free it again.
    ~TrgChildReport() override;
    TrgSubReport* SubReport() const { return subReport_; }
    void SetSubReport(TrgSubReport* Value) { subReport_ = Value; }
    TrgCustomReport* GetMainReport() override;
    // The report of the subreport's band; nullptr when detached.
    TrgCustomReport* ParentReport() const;

    // The whole report is made again: the main report resets.
    void Reset() override;
    // Stops this engine, and a child report above it too (the main report
    // stops its child reports itself).
    void Cancel() override;
    // Passed on to the parent, unless this report is kept as a template.
    void SetModified(bool Value) override;
    void AddEngineStates(TrgStateSet States) override;
    void RemoveEngineStates(TrgStateSet States) override;
    // After the copy, the printer setup is checked against the parent's.
    void CopySettings(const TrgProducer* Source) override;
    // A setup that no longer equals the parent's is given the parent's
    // again when the subreport uses it.
    void PrinterSetupChanged() override;

private:
    void CheckParentPrinterSetup();

    TrgSubReport* subReport_ = nullptr;
};

class TrgSubReport : public TrgStretchable {
public:
    explicit TrgSubReport(TComponent* AOwner);
    ~TrgSubReport() override;

    TrgPrintBehaviorType PrintBehavior() const { return printBehavior_; }
    // Inside a region only pbFixed is taken. pbSection drops the drill-down
    // component and ShiftRelativeTo and makes the subreport as wide as its
    // band; the other kinds clear NewPrintJob and ResetPageNo.
    void SetPrintBehavior(TrgPrintBehaviorType Value);
    // The child report, with its own bands, groups and pipeline.
    TrgChildReport* Report() const { return child_.get(); }
    // Lets go of the child report without freeing it (it is being freed).
    void ForgetChildReport(const TrgChildReport* Child)
    {
        if (child_.get() == Child)
            (void)child_.release();
    }
    // A section's pages are numbered from 1 (default); otherwise they carry
    // the parent's page numbers and page count. Only for pbSection.
    bool ResetPageNo() const { return resetPageNo_; }
    void SetResetPageNo(bool Value);
    // A section is printed as a print job of its own; setting it makes the
    // subreport a section.
    bool NewPrintJob() const { return newPrintJob_; }
    void SetNewPrintJob(bool Value);
    // The child report uses the parent report's printer setup (default).
    bool ParentPrinterSetup() const { return parentPrinterSetup_; }
    void SetParentPrinterSetup(bool Value);
    void SetCaption(const QString& Value) override;
    bool ShowsPageCount() const override;
    // The pages of the report inside are made as it lays out.
    bool LayoutCanBeTakenBack() const override { return false; }
    // Joining a band of a report gives a child report without bands the
    // parent's printer setup, the subreport's units and the default bands
    // of its kind: title, detail and summary for pbChild; page header,
    // detail and page footer for pbSection and pbFixed.
    void SetBand(TrgBand* Value) override;
    // Moving into a region makes the subreport pbFixed.
    void SetRegion(TrgStretchContainer* Value) override;
    // With ParentPrinterSetup the child report takes the parent's setup.
    void ReportPrinterSetupChanged() override;
    // A child report read inside the subreport's object becomes its child.
    void AdoptChildReport(TrgChildReport* Child);

    // A component of the band whose printed output, clicked in the preview,
    // shows or hides this subreport for its record; nullptr: always shown.
    // nullptr once the component has left the subreport's band.
    TrgComponent* DrillDownComponent() const;
    // Ignored for pbSection; one drill-down component serves one subreport.
    void SetDrillDownComponent(TrgComponent* Value);
    bool DrillDownInEffect() const { return DrillDownComponent() != nullptr && printBehavior_ != pbSection; }
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
    // The device a section printed as a job of its own (NewPrintJob) goes
    // to: a printer device.
    virtual std::unique_ptr<TrgDevice> CreateSectionDevice();

    void SaveCacheFields(TrgCacheRecord& Record) override;
    void RestoreCacheFields(const TrgCacheRecord& Record) override;

private:
    // The child's paper is Width x Height without margins.
    void SetChildPage(int Width, int Height);
    // A new print of the child.
    void StartRun();
    // Makes page PageNo of the current run at Size (an invalid size: the
    // child's own paper).
    void RunChildPage(int PageNo, QSize Size);
    int TallestChildBand() const;
    // Counts a fresh print; true (and no space used) when drill-down hides it.
    bool Collapsed();
    void GenerateChild();
    void GenerateFixed();
    void GenerateSection();
    // The engine of the report that holds the subreport's band.
    TrgCustomEngine* ParentEngine() const;
    // The section page replaces the parent's page as it is handed on.
    void HandOverSectionPage();
    void SectionPageSent();

    TrgPrintBehaviorType printBehavior_ = pbChild;
    std::unique_ptr<TrgChildReport> child_;
    bool resetPageNo_ = true;
    bool newPrintJob_ = false;
    bool parentPrinterSetup_ = true;
    // A section has begun and not yet printed its last page.
    bool sectionStarted_ = false;
    // The child page made for the current parent page is a section page
    // with content.
    bool sectionPageReady_ = false;
    // The device of a section printed as a job of its own, while it prints.
    std::unique_ptr<TrgDevice> sectionDevice_;
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

// Makes TrgSubReport and TrgChildReport known by name for streaming; a
// subreport's stream holds its child report nested in it.
void rgRegisterSubReportClasses();
