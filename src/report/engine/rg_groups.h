#pragma once
// Groups split the detail records into runs with the same break value (a
// pipeline field, or the text of a report component) and surround each run
// with a group header and a group footer band. Index 0 of the report's
// group list is the outermost group. A break of an outer group breaks the
// inner ones too; footers print inner to outer, then headers outer to inner.

#include <QString>

#include "report/engine/rg_bands.h"
#include "report/engine/rg_cache.h"
#include "report/engine/rg_pipeline.h"

class TFiler;
class TrgCustomReport;
class TrgCustomText;
class TrgGroupHeaderBand;
class TrgGroupFooterBand;

class TrgGroup : public TrgCacheable, public TrgPipelineClient {
public:
    explicit TrgGroup(TComponent* AOwner);
    ~TrgGroup() override;

    TrgCustomReport* Report() const { return report_; }
    // Joins the report's group list and gives the report both bands.
    void SetReport(TrgCustomReport* Value);
    TrgGroupHeaderBand* HeaderBand() const { return header_; }
    TrgGroupFooterBand* FooterBand() const { return footer_; }
    // Called by a group band when it is given to this group.
    void SetHeaderBand(TrgGroupHeaderBand* Band) { header_ = Band; }
    void SetFooterBand(TrgGroupFooterBand* Band) { footer_ = Band; }

    TrgBreakType BreakType() const { return breakType_; }
    void SetBreakType(TrgBreakType Value);
    QString BreakName() const { return breakName_; }
    void SetBreakName(const QString& Value);
    TrgDataPipeline* DataPipeline() const { return dataPipeline_; }
    void SetDataPipeline(TrgDataPipeline* Value);
    bool HeaderForOrphanedFooter = true;
    bool NewColumn = false;
    bool NewPage = false;
    bool ResetPageNo = false;
    bool ReprintOnSubsequentColumn = true;
    bool ReprintOnSubsequentPage = true;
    int mmNewColumnThreshold = 0;
    int mmNewPageThreshold = 0;
    // The thresholds in the report's units. While a stream is read the page
    // threshold is kept as it stands: older streams held it in screen
    // pixels, which ConvertFromVersion converts.
    float NewColumnThreshold() const;
    void SetNewColumnThreshold(float Value);
    float NewPageThreshold() const;
    void SetNewPageThreshold(float Value);
    TNotifyEvent AfterGroupBreak, BeforeGroupBreak;
    TrgGetBreakValueEvent OnGetBreakValue;

    // A text component renamed: the group follows when it breaks on it.
    void SetBreakComponentName(const QString& OldName, const QString& NewName);
    // The text component the group breaks on goes away.
    void BreakComponentGone(TrgCustomText* Component);

    // ---- breaks ----
    QString GetBreakValue();
    // True when the break value changed since the last test.
    bool CheckForBreak();
    void Break();
    void InitForPrint();
    void RefreshBreakValue();
    bool BreakOccurred() const { return breakOccurred_; }
    void ClearBreakOccurred() { breakOccurred_ = false; }
    int GroupNumber() const { return groupNumber_; }
    void CountGroup() { ++groupNumber_; }
    int FirstPage() const { return firstPage_; }
    int FirstColumn() const { return firstColumn_; }
    void SetFirstPlace(int Page, int Column)
    {
        firstPage_ = Page;
        firstColumn_ = Column;
    }
    // Page numbers counted within the group (the page-numbering group).
    int GetGroupPageNo(int CurrentPage) const { return CurrentPage - firstPage_ + 1; }
    int GetGroupPageCount() const { return lastPage_ - firstPage_ + 1; }
    // The group reaches page Page: the cached records of its pages so far
    // take the new last page, so pages made again show the group's count.
    void UpdateLastPage(int Page);
    int GetGroupIndex() const;
    QString GetDescription();

    void PipelineNotification(int Operation, TrgDataPipeline* Pipeline) override;
    void EventNotify(TrgCommunicator* Sender, int Operation) override;
    // "mmNewColumnThreshold", "mmNewPageThreshold" and the obsolete
    // "FieldName", "ReprintOnSubsequent", "Left" and "Top" of older streams.
    void DefineGroupProperties(TFiler& Filer);
    // Settings of a stream older than Version take their present form.
    void ConvertFromVersion(int Version);

protected:
    void SaveCacheFields(TrgCacheRecord& Record) override;
    void RestoreCacheFields(const TrgCacheRecord& Record) override;

private:
    // The report component named BreakName, searched over all bands when
    // the name changed; a text component learns that the group follows it.
    TrgComponent* GetBreakComponent();
    void DetachBreakComponent();

    TrgCustomReport* report_ = nullptr;
    TrgGroupHeaderBand* header_ = nullptr;
    TrgGroupFooterBand* footer_ = nullptr;
    bool breakOccurred_ = false;
    TrgComponent* breakComponent_ = nullptr;
    bool breakNameChanged_ = true;
    int groupNumber_ = 0;
    TrgBreakType breakType_ = btDataField;
    QString breakName_;
    QString currentValue_;
    QString previousValue_;
    TrgDataPipeline* dataPipeline_ = nullptr;
    int firstColumn_ = 1;
    int firstPage_ = 1;
    int lastPage_ = 1;
    int32_t cacheOffset_ = 0;
    // Read from older streams, for ConvertFromVersion only.
    QString obsoleteFieldName_;
    int obsoletePageThreshold_ = 0;
    bool obsoleteReprint_ = true;
    enum : uint8_t { kReprintRead = 1, kThresholdRead = 2 };
    uint8_t obsoleteRead_ = 0;
};

class TrgGroupBand : public TrgCustomBand {
public:
    explicit TrgGroupBand(TComponent* AOwner);
    // Its group forgets it.
    ~TrgGroupBand() override;
    TrgGroup* Group() const { return group_; }
    virtual void SetGroup(TrgGroup* Value);
    int GroupIndex() const override { return group_ ? group_->GetGroupIndex() : -1; }
    bool BreakPending() const { return breakPending_; }
    void SetBreakPending(bool Value) { breakPending_ = Value; }
    void InitForPrint() override;

protected:
    uint8_t KindCacheByte() const override { return breakPending_ ? 1 : 0; }
    void SetKindCacheByte(uint8_t Value) override { breakPending_ = Value != 0; }
    bool breakPending_ = false;

private:
    TrgGroup* group_ = nullptr;
};

class TrgGroupHeaderBand : public TrgGroupBand {
public:
    explicit TrgGroupHeaderBand(TComponent* AOwner);
    QString GetSortKey() const override;
    uint16_t GetPrintState() const override;
    TrgBandKind Kind() const override { return bkGroupHeader; }
    void SetGroup(TrgGroup* Value) override;
    void InitForPrint() override;
    // An outer group started a new page or column for this break: this
    // header makes no second one.
    void SetNewPageForced() { newPageForced_ = true; }
    void SetNewColumnForced() { newColumnForced_ = true; }

protected:
    void BeginGenerate() override;
    void CalcPrintSpace() override;
    void EndPrintPass() override;
    void SaveCacheFields(TrgCacheRecord& Record) override;
    void RestoreCacheFields(const TrgCacheRecord& Record) override;

private:
    bool newColumnForced_ = false;
    bool newPageForced_ = false;
    int32_t forcedOffset_ = 0;
};

class TrgGroupFooterBand : public TrgGroupBand {
public:
    explicit TrgGroupFooterBand(TComponent* AOwner);
    QString GetSortKey() const override;
    uint16_t GetPrintState() const override { return rgPlaceGroupFooter; }
    TrgBandKind Kind() const override { return bkGroupFooter; }
    void SetGroup(TrgGroup* Value) override;

protected:
    void BeginGenerate() override;
    void EndPrintPass() override;
    void EndGenerate() override;
};

// Makes the group and its band classes known to the component stream.
void rgRegisterGroupClasses();
