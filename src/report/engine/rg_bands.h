#pragma once
// Bands: the horizontal strips of a report page that hold the printable
// components. TrgBand is the model (height, offsets, position, component
// list, save list, events); TrgCustomBand the generation of one band at the
// engine's position: the space check, the layout of its components, growth
// of dynamic bands and the overflow onto the next page. The nine kinds fix
// their place in the report, the engine state they print under and a few
// hooks (page header and footer on first and last page, page breaks around
// title and summary, the detail band's record loop, footers pinned to the
// bottom of the page).

#include <QString>
#include <QStringList>

#include <vector>

#include "report/engine/rg_component.h"
#include "report/output/rg_types.h"

class TFiler;
class TrgCustomEngine;
class TrgCustomReport;
class TrgCustomText;
class TrgDataPipeline;
class TrgPage;

// Placement sets of the band kinds: the engine's band lists they go to.
enum : uint16_t {
    rgPlaceTitle = 0x0001,
    rgPlaceSummary = 0x0002,
    rgPlaceHeader = 0x0004,
    rgPlaceFooter = 0x0008,
    rgPlaceColumnHeader = 0x0010,
    rgPlaceColumnFooter = 0x0020,
    rgPlaceGroupHeader = 0x0040,
    rgPlaceGroupFooter = 0x0080,
    rgPlaceDetail = 0x0100,
};

class TrgBand : public TrgCacheable {
public:
    explicit TrgBand(TComponent* AOwner);
    ~TrgBand() override;

    // ---- properties (lengths in thousandths of a millimetre) ----
    int mmHeight() const { return mmHeight_; }
    // Refused (false) for a zero height with components or a band taller
    // than the printable page; negative values become 0; components below
    // the new bottom move up.
    bool SetmmHeight(int Value);
    int mmBottomOffset() const { return mmBottomOffset_; }
    void SetmmBottomOffset(int Value);
    int mmPrintPosition() const { return mmPrintPosition_; }
    void SetmmPrintPosition(int Value);
    float Height() const;
    void SetHeight(float Value);
    int PrintCount() const { return printCount_; }
    void SetPrintCount(int Value);
    uint8_t PrintType() const { return printType_; }
    TrgPrintHeightType PrintHeight() const { return printHeight_; }
    virtual void SetPrintHeight(TrgPrintHeightType Value);
    bool Save() const { return save_; }
    void SetSave(bool Value) { save_ = Value; }
    TrgUnitType Units() const { return units_; }
    void SetUnits(TrgUnitType Value);
    bool Visible() const { return visible_; }
    void SetVisible(bool Value);

    TNotifyEvent AfterGenerate, AfterPrint, BeforeGenerate, BeforePrint;

    // ---- report and components ----
    TrgCustomReport* Report() const { return report_; }
    virtual void SetReport(TrgCustomReport* Value);
    int GetComponentCount() const { return int(components_.size()); }
    TrgComponent* GetComponentAt(int Index) const { return components_.at(size_t(Index)); }
    bool FindComponentIndex(const QString& Name, int& Index) const;
    // -1 when the component is not in the band.
    int IndexOfComponent(const TrgComponent* Component) const;
    void AddComponent(TrgComponent* Component);
    void RemoveComponent(TrgComponent* Component);
    void MoveComponent(int FromIndex, int ToIndex);
    void BringComponentToFront(TrgComponent* Component);
    void SendComponentToBack(TrgComponent* Component);
    // The components whose Save is set, in the order they joined.
    const std::vector<TrgCustomText*>& SaveList() const { return saveList_; }
    void AddSaveComponent(TrgCustomText* Component);
    void RemoveSaveComponent(TrgCustomText* Component);
    void InsertSaveComponent(int Index, TrgCustomText* Component);

    // The column width in multi-column reports for column bands, else the
    // printable page width.
    int GetSpaceWidth() const;
    int GetLanguageIndex() const;
    bool IsReportGenerating() const;
    TrgCustomEngine* Engine() const;
    const TObject* GetPrinter() const;

    // ---- kind ----
    virtual uint8_t GetDefaultPrintType() const { return 1; }
    virtual QString GetSortKey() const = 0;
    virtual uint16_t GetPrintState() const = 0;
    virtual TrgBandKind Kind() const = 0;
    virtual bool IsColumnBand() const { return true; }
    virtual bool IsDetailBand() const { return false; }
    virtual int GroupIndex() const { return -1; }
    virtual TrgDataPipeline* GetDataPipeline() const;
    QString GetDescription() const;
    virtual void PageStarted();
    virtual void ConvertFromVersion(int Version);
    // After reading: the saved texts join the save list in their stored order.
    void Loaded() override;
    // The band's components that keep a value between records reset it.
    virtual void ResetComponentValues(TrgDataPipeline* Pipeline, TrgDataPipeline* MasterPipeline) = 0;
    virtual void InitForPrint() = 0;
    // Prints the band at the engine's position; true: out of space, the
    // engine must start a new page or column and call again.
    virtual bool Generate() = 0;

    // The engine tells every band at page start whether the page is output.
    bool PageOutput = false;
    // "mmBottomOffset", "mmHeight", "mmPrintPosition" and the obsolete
    // properties of older streams.
    void DefineBandProperties(TFiler& Filer);
    QString OldOnPrint;

protected:
    void LayoutChanged();
    uint16_t descriptionId_ = 189;

private:
    int mmBottomOffset_ = 0;
    int mmHeight_ = 13229;
    std::vector<TrgComponent*> components_;
    int printCount_ = 0;
    TrgPrintHeightType printHeight_ = phStatic;
    int mmPrintPosition_ = 0;
    uint8_t printType_ = 1;
    TrgCustomReport* report_ = nullptr;
    bool save_ = false;
    std::vector<TrgCustomText*> saveList_;
    TrgUnitType units_ = utInches;
    bool visible_ = true;
};

class TrgCustomBand : public TrgBand {
public:
    explicit TrgCustomBand(TComponent* AOwner);

    bool Generate() override;
    void InitForPrint() override;
    void ResetComponentValues(TrgDataPipeline* Pipeline, TrgDataPipeline* MasterPipeline) override;
    // A record was reached: the components that keep a value across records
    // (sums, counts) take it in, those bound to another pipeline excepted.
    void TraverseRecord(TrgDataPipeline* Pipeline, TrgDataPipeline* MasterPipeline);

    // What the band's components read while they are placed.
    const TrgMMRect& PrintRect() const { return printRect_; }
    int PageLimit() const { return pageLimit_; }
    // Where components that stretch with the band end.
    int StretchBottom() const;
    // A band kept together begins on the next page when it would not end on
    // this one; only a band taller than a page goes on over a page end. Off
    // by default: a dynamic band prints what fits and continues on the next
    // page. A run-time choice of the program that prints, never stored.
    bool KeepTogether() const { return keepTogether_; }
    void SetKeepTogether(bool Value) { keepTogether_ = Value; }
    int PrintedHeight() const { return printedHeight_; }
    // The lowest bottom of the components placed so far in this pass.
    int ContentBottom() const { return contentBottom_; }
    int RemainingHeight() const { return remainingHeight_; }
    bool Incomplete() const { return incomplete_; }
    bool Overflow() const { return overflow_; }
    TrgComponent* TallestComponent() const { return tallest_; }
    bool OutOfSpace() const { return outOfSpace_; }
    bool Generating() const { return generating_; }
    // The last call printed something or finished the band.
    bool MadeProgress() const { return progress_; }
    // The text-file row of the band's current print (0 before the first):
    // taken when the print starts, before a subreport's bands count theirs.
    int SaveRowNo() const { return saveRowNo_; }

protected:
    virtual void CheckPrintPosition();
    virtual void EndGenerate() {}
    virtual void EndPrintPass();
    virtual void AfterGenerateComponents();
    virtual void BeginGenerate() {}
    virtual void BeforeGenerateComponents();
    virtual void BeginPrintPass();
    virtual void BeforeDrawComponents(TrgPage*) {}
    virtual bool NeedsDataAdvance() const { return false; }
    virtual void CalcPrintSpace();

    void SaveCacheFields(TrgCacheRecord& Record) override;
    void RestoreCacheFields(const TrgCacheRecord& Record) override;
    // The kind's byte at offset 18 of the band's record.
    virtual uint8_t KindCacheByte() const { return 0; }
    virtual void SetKindCacheByte(uint8_t) {}

    bool done_ = false;
    bool outOfSpace_ = false;
    int printsThisCall_ = 0;
    int pageLimit_ = 0;
    int printPosition_ = 0;
    TrgMMRect printRect_;
    int printedHeight_ = 0;
    bool pageBottomReached_ = false;

private:
    void LayoutComponents();
    // Lays out one list from a component index; false when it stopped early.
    void LayoutList(int ListIndex, int FromComponent, int& RunningBottom);
    bool DoneTest() const;
    // Keeping together: whether this pass may wait for the next page, the
    // states before the layout, and going back to them.
    bool MayWaitForNextPage() const;
    std::vector<TrgCacheRecord> LayoutStates();
    void TakeBackLayout(const std::vector<TrgCacheRecord>& States);

    bool generating_ = false;
    bool keepTogether_ = false;
    // The band took its layout back and waits for the next page.
    bool waited_ = false;
    bool progress_ = false;
    int saveRowNo_ = 0;
    int contentBottom_ = 0;
    int stretchBottom_ = 0;
    TrgComponent* tallest_ = nullptr;
    bool allFinished_ = true;
    bool firstUnfinishedSeen_ = false;
    bool overflowNext_ = false;
    bool overflow_ = false;
    int resumeList_ = 0;
    int resumeComponent_ = 0;
    int remainingHeight_ = 0;
    bool incomplete_ = false;
    bool positionRetry_ = false;
    bool overflowStartRecorded_ = false;
    // Layout lists: static, stretching, stretching with the band, shifting.
    std::vector<TrgComponent*> lists_[4];
    std::vector<TrgComponent*> resetList_;
    std::vector<TrgComponent*> drawList_;
    int32_t cacheOffset_ = 0;
};

class TrgBasicBand : public TrgCustomBand {
public:
    using TrgCustomBand::TrgCustomBand;
};

class TrgPageBand : public TrgBasicBand {
public:
    explicit TrgPageBand(TComponent* AOwner) : TrgBasicBand(AOwner) {}
    bool PrintOnFirstPage() const { return printOnFirstPage_; }
    void SetPrintOnFirstPage(bool Value);
    bool PrintOnLastPage() const { return printOnLastPage_; }
    void SetPrintOnLastPage(bool Value);
    bool IsColumnBand() const override { return false; }

protected:
    void BeginGenerate() override;

private:
    bool printOnFirstPage_ = true;
    bool printOnLastPage_ = true;
};

class TrgHeaderBand : public TrgPageBand {
public:
    explicit TrgHeaderBand(TComponent* AOwner);
    QString GetSortKey() const override;
    uint16_t GetPrintState() const override { return rgPlaceHeader; }
    TrgBandKind Kind() const override { return bkHeader; }

protected:
    bool NeedsDataAdvance() const override { return true; }
};

class TrgFooterBand : public TrgPageBand {
public:
    explicit TrgFooterBand(TComponent* AOwner);
    QString GetSortKey() const override;
    uint16_t GetPrintState() const override { return rgPlaceFooter; }
    TrgBandKind Kind() const override { return bkFooter; }
    void SetPrintHeight(TrgPrintHeightType) override {}

protected:
    void CalcPrintSpace() override;
};

class TrgReportBand : public TrgBasicBand {
public:
    explicit TrgReportBand(TComponent* AOwner) : TrgBasicBand(AOwner) {}
    bool NewPage() const { return newPage_; }
    void SetNewPage(bool Value);
    bool IsColumnBand() const override { return false; }
    void InitForPrint() override;

protected:
    uint8_t KindCacheByte() const override { return newPageDone_ ? 1 : 0; }
    void SetKindCacheByte(uint8_t Value) override { newPageDone_ = Value != 0; }
    bool newPageDone_ = false;

private:
    bool newPage_ = false;
};

class TrgTitleBand : public TrgReportBand {
public:
    explicit TrgTitleBand(TComponent* AOwner);
    QString GetSortKey() const override;
    uint16_t GetPrintState() const override { return rgPlaceTitle; }
    TrgBandKind Kind() const override { return bkTitle; }

protected:
    bool NeedsDataAdvance() const override { return true; }
    void BeginGenerate() override;
    void EndGenerate() override;
};

class TrgSummaryBand : public TrgReportBand {
public:
    explicit TrgSummaryBand(TComponent* AOwner);
    QString GetSortKey() const override;
    uint16_t GetPrintState() const override { return rgPlaceSummary; }
    TrgBandKind Kind() const override { return bkSummary; }

protected:
    void BeginGenerate() override;
    void EndGenerate() override;
    void CalcPrintSpace() override;
};

class TrgColumnHeaderBand : public TrgBasicBand {
public:
    explicit TrgColumnHeaderBand(TComponent* AOwner);
    QString GetSortKey() const override;
    uint16_t GetPrintState() const override { return rgPlaceColumnHeader; }
    TrgBandKind Kind() const override { return bkColumnHeader; }

protected:
    bool NeedsDataAdvance() const override { return true; }
};

class TrgColumnFooterBand : public TrgBasicBand {
public:
    explicit TrgColumnFooterBand(TComponent* AOwner);
    QString GetSortKey() const override;
    uint16_t GetPrintState() const override { return rgPlaceColumnFooter; }
    TrgBandKind Kind() const override { return bkColumnFooter; }
    void SetPrintHeight(TrgPrintHeightType) override {}

protected:
    void CalcPrintSpace() override;
};

class TrgDetailBand : public TrgBasicBand {
public:
    explicit TrgDetailBand(TComponent* AOwner);
    ~TrgDetailBand() override;
    QString GetSortKey() const override;
    uint16_t GetPrintState() const override { return rgPlaceDetail; }
    TrgBandKind Kind() const override { return bkDetail; }
    uint8_t GetDefaultPrintType() const override { return 2; }
    bool IsDetailBand() const override { return true; }
    TrgDataPipeline* GetDataPipeline() const override;
    // The band's own pipeline; nullptr: the report's.
    TrgDataPipeline* DataPipeline() const { return dataPipeline_; }
    void SetDataPipeline(TrgDataPipeline* Value);
    void EventNotify(TrgCommunicator* Sender, int Operation) override;
    QString OldDataSource;

protected:
    bool NeedsDataAdvance() const override { return true; }
    void CheckPrintPosition() override;
    void BeginPrintPass() override;
    void BeforeGenerateComponents() override;
    void AfterGenerateComponents() override;
    void EndPrintPass() override;

private:
    TrgDataPipeline* dataPipeline_ = nullptr;
};

// Makes the nine band classes known to the component stream by name.
void rgRegisterBandClasses();
