#pragma once
// The report: its bands in report order, columns, units, pass setting, page
// limit, data pipeline and generation events, and the engine that makes its
// pages. TrgReport is the top-level report an application prints: it adds
// the page cache through which any page can be made again, and answers the
// publisher's page requests.

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

#include "platform/core/string_list.h"
#include "report/engine/rg_cache.h"
#include "report/engine/rg_pipeline.h"
#include "report/engine/rg_producer.h"

class TFiler;
class TrgBand;
class TrgGroup;
class TrgEngine;
class TrgCustomEngine;

class TrgCustomReport : public TrgProducer, public TrgPipelineClient {
public:
    explicit TrgCustomReport(TComponent* AOwner);
    ~TrgCustomReport() override;

    // ---- bands, in the order of their sort keys ----
    int GetBandCount() const { return int(bands_.size()); }
    TrgBand* GetBandAt(int Index) const { return bands_.at(size_t(Index)); }
    // The band joins this report (TrgBand::SetReport).
    void AddBand(TrgBand* Band);
    void RemoveBand(TrgBand* Band);
    // The first band of a kind; for group kinds the one of GroupIndex.
    TrgBand* FindBand(int Kind, int GroupIndex = 0) const;
    // Called by the band when it joins or leaves.
    void ListBand(TrgBand* Band);
    void UnlistBand(TrgBand* Band);

    // ---- groups, index 0 the outermost ----
    int GetGroupCount() const { return int(groups_.size()); }
    TrgGroup* GetGroupAt(int Index) const { return groups_.at(size_t(Index)); }
    int IndexOfGroup(const TrgGroup* Group) const;
    // The group joins this report (TrgGroup::SetReport).
    void AddGroup(TrgGroup* Group);
    void RemoveGroup(TrgGroup* Group);
    // Called by the group when it joins or leaves.
    void ListGroup(TrgGroup* Group);
    void UnlistGroup(TrgGroup* Group);

    // ---- properties ----
    int Columns() const { return columns_; }
    void SetColumns(int Value);
    int mmColumnWidth() const { return mmColumnWidth_; }
    // In Units: cut to the printable width; 0 or less with several columns
    // returns to one column; fewer columns than asked when they do not fit.
    float ColumnWidth() const;
    void SetColumnWidth(float Value);
    TStringList* ColumnPositions() { return &columnPositions_; }
    TrgDataPipeline* DataPipeline() const { return dataPipeline_; }
    void SetDataPipeline(TrgDataPipeline* Value);
    int PageLimit() const { return pageLimit_; }
    void SetPageLimit(int Value);
    TrgPassSettingType PassSetting() const { return passSetting_; }
    void SetPassSetting(TrgPassSettingType Value);
    TrgUnitType Units() const { return units_; }
    void SetUnits(TrgUnitType Value);
    bool SaveAsTemplate = false;
    // Set when the report was changed; copied by CopySettings. A child
    // report passes it on to the report above it.
    bool Modified() const { return modified_; }
    virtual void SetModified(bool Value) { modified_ = Value; }
    // The name of the save-text handler of older streams.
    QString OnSaveTextName;

    TNotifyEvent OnEndColumn, OnEndFirstPass, OnEndPage, OnEndSecondPass, OnStartColumn, OnStartFirstPass,
        OnStartPage, OnStartSecondPass;

    TrgCustomEngine* Engine() const;
    int GetCurrentPageNo() const;
    int GetLastPageNo() const;
    // True while the engine makes a page.
    bool Generating() const;
    // A component of a band (or of a subreport's report) prints the page count.
    bool ShowsPageCount() const;
    // Takes Source's settings and pipeline, and copies of its bands and
    // groups with their components in place of its own.
    void CopySettings(const TrgProducer* Source) override;
    // The bands' layout changed (columns, page width): pages are made anew.
    virtual void BandsChanged();
    // Renames the report. While a designer shows it, the groups, bands and
    // components named after the report take the new name in place of the
    // old beginning; a document name that was the old name follows.
    void SetName(const QString& Value);
    // The setup takes the report's units; subreports that use the parent's
    // printer setup hand it to their child reports.
    void PrinterSetupChanged() override;
    // A new page: the setup passes on and the bands are laid out anew.
    void PageDefChanged() override;

    // ---- generation ----
    void Reset() override;
    // Cancels the job, stops the engine and, unless the engine tolerates
    // errors, raises EPrintError with Message.
    void AbortJob(const QString& Message) override;
    void Cancel() override;
    // Bits of the engine's state set; a child report passes them on to the
    // report above it.
    virtual void AddEngineStates(TrgStateSet States);
    virtual void RemoveEngineStates(TrgStateSet States);
    // The engine's end-of-page hook: OnEndPage, then the page limit.
    virtual void EngineEndPage();
    // The engine's page-complete hook.
    virtual void PageGenerated() {}
    virtual TrgCustomReport* GetMainReport() { return this; }
    // A nested report that keeps its layout in a template of its own tells
    // the main report when it is loaded.
    virtual void ReportNotify(TrgCustomReport*) {}
    void Loaded() override;
    // Bands and their components convert what an older stream held.
    void ConvertVersion(int StoredVersion) override;
    void PipelineNotification(int Operation, TrgDataPipeline* Pipeline) override;
    void EventNotify(TrgCommunicator* Sender, int Operation) override;

    void DoOnStartPage() { Fire(OnStartPage); }
    void DoOnEndPage() { Fire(OnEndPage); }
    void DoOnStartFirstPass() { Fire(OnStartFirstPass); }
    void DoOnEndFirstPass() { Fire(OnEndFirstPass); }
    void DoOnStartSecondPass() { Fire(OnStartSecondPass); }
    void DoOnEndSecondPass() { Fire(OnEndSecondPass); }
    void DoOnStartColumn() { Fire(OnStartColumn); }
    void DoOnEndColumn() { Fire(OnEndColumn); }

    // "mmColumnWidth", "Version" and the settings of older streams.
    void DefineReportProperties(TFiler& Filer);

protected:
    std::unique_ptr<TrgEngine> engine_;

private:
    void Fire(const TNotifyEvent& Event)
    {
        if (Event)
            Event(this);
    }
    void SortBands();
    // Components that followed the report's pipeline, and groups that break
    // on a field of it, follow the new one.
    void ReassignPipeline(TrgDataPipeline* Old, TrgDataPipeline* New);

    std::vector<TrgBand*> bands_;
    std::vector<TrgGroup*> groups_;
    int columns_ = 1;
    TStringList columnPositions_;
    int mmColumnWidth_ = 0;
    TrgDataPipeline* dataPipeline_ = nullptr;
    int pageLimit_ = 0;
    TrgPassSettingType passSetting_ = psOnePass;
    TrgUnitType units_ = utInches;
    bool modified_ = false;
    bool destroyingBands_ = false;
};

class TrgReport : public TrgCustomReport, public TrgCacheOwner {
public:
    explicit TrgReport(TComponent* AOwner);
    ~TrgReport() override;

    bool CachePages() const { return cachePages_; }
    void SetCachePages(bool Value);
    TrgCacheManager* PageCache() const { return cache_.get(); }

    void Print() { PrintToDevice(); }
    // Cancels the job, the child report a subreport is generating at the
    // moment (which passes the cancel on up to the child reports above it)
    // and this report's engine.
    void Cancel() override;
    // The child report a subreport of this report generates at the moment,
    // or nullptr; set by the subreport around its generation.
    TrgCustomReport* ReportBeingGenerated() const { return reportBeingGenerated_; }
    void SetReportBeingGenerated(TrgCustomReport* Value) { reportBeingGenerated_ = Value; }
    // The notification hook: fired by ReportNotify with its argument.
    std::function<void(TrgCustomReport*)> OnReportNotify;
    void ReportNotify(TrgCustomReport* Report) override;
    void Publish() override;
    void PageRequest(TrgPageSettingType Setting, int PageNo, const TStringList* PageList) override;
    void PageGenerated() override;

    // Settings read from streams of older versions, never written.
    QString LegacyDataSourceName;
    QString LegacyCompletionHandlerName;
    float LegacyRowSpacing = 0;
    bool LegacyLandscape = false;
    void ConvertVersion(int StoredVersion) override;
    void DefineLegacyProperties(TFiler& Filer);
    void CopySettings(const TrgProducer* Source) override;

    // What the page cache needs of its report.
    std::vector<TrgCacheable*> CacheablesInOrder() override;
    TrgLanguageType CacheLanguage() const override { return Language(); }
    void CancelGeneration() override;

private:
    std::unique_ptr<TrgCacheManager> cache_;
    bool cachePages_ = false;
    TrgCustomReport* reportBeingGenerated_ = nullptr;
};

// Every length of the report read from a stream lies within rgMaxLength
// either way: the page, the columns, the groups' thresholds, the bands and
// their components. EReadError naming the first that does not.
void rgCheckReportGeometry(const TrgCustomReport& Report);

// Makes the report classes known by name, with the bands, groups and text
// components they stream. The other printable components register their own
// classes (rgRegisterBuiltInComponentClasses registers them all).
void rgRegisterReportClasses();
