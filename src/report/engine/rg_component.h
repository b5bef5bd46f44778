#pragma once
// TrgComponent binds a printable object to the band that holds it: the
// band gives it report, printer and language, keeps it inside its bounds
// and streams its identity ("BandType", "GroupNo") so a loaded component
// finds its band again.
//
// TrgCustomComponent is the base of the components that never stretch
// (texts, calculations, shapes, images): it places them on the page under
// the shift and stretch rules, decides whether they fit, and keeps their
// pending-print flag per page in the page cache.

#include "report/engine/rg_printable.h"

#include <functional>
#include <vector>

struct TClassInfo;

class TFiler;
class TrgBand;
class TrgComponent;
class TrgCustomBand;
class TrgCustomReport;
class TrgGroup;

// State flags a designer sets on the components it shows: designing, and
// showing the pipeline's data instead of placeholders.
inline constexpr TrgStateSet rgStateDesigning = 0x0001;
inline constexpr TrgStateSet rgStateShowData = 0x0008;

// Band-kind codes, streamed as "BandType".
enum TrgBandKind : uint8_t {
    bkHeader = 0,
    bkTitle = 1,
    bkColumnHeader = 2,
    bkGroupHeader = 3,
    bkDetail = 4,
    bkGroupFooter = 5,
    bkColumnFooter = 6,
    bkSummary = 7,
    bkFooter = 8,
};

// What a component reads of the container it is placed in (a band or a
// region) while it is generated.
struct TrgStretchPlacement {
    int Left = 0;               // where the component's mmLeft counts from
    int Top = 0;                // the component's design top on the page
    int Base = 0;               // the container's bottom position so far
    int Limit = 0;              // lowest position the container may reach
    bool Continuing = false;    // the container continues after an overflow
    int ContinuationShift = 0;  // how far components move up then
    int Growth = 0;             // how much the container has grown so far
    TrgPrintable* Grown = nullptr;
    bool Overflowed = false;
    bool CanStretch = false;
    int StretchBottom = 0;      // where StretchWithParent components end
};

// The container of a component other than its band (a region).
class TrgStretchContainer {
public:
    virtual TrgStretchPlacement PlacementFor(const TrgComponent& Child) const = 0;
    // The container lies in (or is) the component; used to refuse cycles.
    virtual bool ContainsComponent(const TrgComponent* Component) const = 0;
    // Takes the component in (a component read from a stream inside it).
    virtual void AddChild(TrgComponent* Component) = 0;
    // Lets the component go; it stays in its band.
    virtual void RemoveChild(TrgComponent* Component) = 0;
    // The container's own bounds in its band, which ParentWidth and
    // ParentHeight follow.
    virtual TrgMMRect ContainerRect() const = 0;
    virtual void EnsureStretch() = 0;
    // The child's place in its band's order, kept within the container's
    // run: just after the container's other children / just after the
    // container itself.
    virtual void BringChildToFront(TrgComponent* Child) = 0;
    virtual void SendChildToBack(TrgComponent* Child) = 0;

protected:
    ~TrgStretchContainer() = default;
};

class TrgComponent : public TrgPrintable {
public:
    explicit TrgComponent(TComponent* AOwner);
    ~TrgComponent() override;

    TrgBand* Band() const { return band_; }
    virtual void SetBand(TrgBand* Value);
    // The region that holds the component, else its band.
    TComponent* GetContainer() const;
    TrgCustomReport* Report() const;

    uint8_t BandType() const { return bandType_; }
    int GroupNo() const { return groupNo_; }

    bool ParentDataPipeline() const { return parentDataPipeline_; }
    virtual void SetParentDataPipeline(bool Value);
    bool ParentHeight() const { return parentHeight_; }
    virtual void SetParentHeight(bool Value);
    bool ParentWidth() const { return parentWidth_; }
    virtual void SetParentWidth(bool Value);
    // The region holding the component, or nullptr (directly in its band).
    TrgStretchContainer* Region() const { return region_; }
    // Setting a region joins it: the region then holds the component, lays
    // it out and streams it with its own children; the region it was in
    // lets it go. A component with ParentWidth or ParentHeight takes the new
    // region's (or, without one, the band's) bounds.
    virtual void SetRegion(TrgStretchContainer* Value);
    // Where the component goes on the page: read from its region or band.
    TrgStretchPlacement Placement() const;
    TrgGroup* ResetGroup = nullptr;
    virtual bool UsesResetGroup() const { return false; }
    // The component prints the page count: a one-pass report holding one
    // counts its pages before it hands out any.
    virtual bool ShowsPageCount() const { return false; }
    // What one layout of the component did can be undone by restoring its
    // state record (a band kept together takes its layout back).
    virtual bool LayoutCanBeTakenBack() const { return true; }

    // The report's printer setup changed (a subreport passes it on).
    virtual void ReportPrinterSetupChanged() {}
    // The report was read under a decimal separator other than ".": lengths
    // the component keeps as text (a memo's tab stops) take it.
    virtual void FixDecimalSeparators() {}
    // The rectangle ParentWidth and ParentHeight follow.
    virtual TrgMMRect GetParentRect() const;
    void AdjustToParent();
    // The component's place in its band's order: in a region, in front of
    // or behind the region's other children (and still above the region);
    // else the end or the start of the band's list.
    virtual void BringToFront();
    virtual void SendToBack();

    int GetLanguageIndex() const override;
    const TObject* GetPrinter() const override;
    bool IsPrinting() const override;
    void PropertyChanged() override;
    void SetDataPipeline(TrgDataPipeline* Value) override;
    void SetmmLeft(int Value) override;
    void SetmmTop(int Value) override;
    void SetmmWidth(int Value) override;
    void SetmmHeight(int Value) override;
    void SetmmBounds(int Left, int Top, int Width, int Height) override;

    // "BandType" and "GroupNo".
    void DefineComponentProperties(TFiler& Filer);
    // A designer shows the component (rgStateDesigning).
    bool InDesignState() const { return (State() & rgStateDesigning) != 0; }

private:
    // The band's usable width; 0 without a band.
    int BandSpaceWidth() const;

    TrgBand* band_ = nullptr;
    TrgStretchContainer* region_ = nullptr;
    uint8_t bandType_ = bkDetail;
    int groupNo_ = 0;
    bool parentDataPipeline_ = true;
    bool parentHeight_ = false;
    bool parentWidth_ = false;
};

class TrgCustomComponent : public TrgComponent {
public:
    explicit TrgCustomComponent(TComponent* AOwner);

    // Reprint on overflow, OnPrint, placement and the fit test.
    void Generate() override;
    // Places the component in its band's print rectangle; sets DoesNotFit
    // when it would end more than one thousandth below the page limit.
    void PlaceOnPage();
    // Called after the print height is set; data texts measure here.
    virtual void GenerateContent() {}
    // "ShiftWithBand" and "StretchWithBand" of older streams.
    void DefineObsoleteProperties(TFiler& Filer);

protected:
    void SaveCacheFields(TrgCacheRecord& Record) override;
    void RestoreCacheFields(const TrgCacheRecord& Record) override;

private:
    int32_t cacheOffset_ = 0;
};

// ---- the palette of component classes ----------------------------------------

// One registered component class: its palette page, place and caption.
struct TrgRegComponent {
    int Reserved = 0;
    const TClassInfo* ComponentClass = nullptr;
    int Position = 0;
    QString Category;
    QString SecondName;
    int CaptionId = 0;  // offset of the caption in the language strings
};

// The registered classes under their class names, in registration order;
// listeners are told after every change.
class TrgRegComponentClassList {
public:
    int Count() const { return int(entries_.size()); }
    const TrgRegComponent& Entry(int Index) const { return entries_.at(size_t(Index)); }
    // -1 when the class name is not registered (compared without case).
    int IndexOf(const QString& ClassName) const;
    void Add(const TrgRegComponent& Entry);
    void Delete(int Index);
    std::vector<std::function<void()>> Listeners;

private:
    void Changed();
    std::vector<TrgRegComponent> entries_;
};

// Registers a component class for the palette and with the component
// stream by name; registering a class again replaces its entry.
void rgRegisterComponentClass(const TClassInfo* ComponentClass, const QString& Category, int Position, int CaptionId,
                              const QString& SecondName = {}, int Reserved = 0);
// Takes a registered class off the palette and out of the stream's
// registry; an unknown class is ignored.
void rgUnRegisterComponentClass(const TClassInfo* ComponentClass);
TrgRegComponentClassList& rgGetRegisteredComponents();
