#pragma once
// Regions: a rectangle in a band that holds components of its own and
// moves, stretches and overflows with them as one unit. The components are
// laid out relative to the region's top in the band's four lists (static,
// stretching, stretching with the parent, shifting with the parent); the
// region grows with its stretching components when Stretch is set, and is
// drawn as a framed, filled rectangle behind them.

#include <vector>

#include "platform/ui/graphics.h"
#include "report/engine/rg_stretchable.h"

class TrgCustomRegion : public TrgStretchable, public TrgStretchContainer {
public:
    explicit TrgCustomRegion(TComponent* AOwner);
    ~TrgCustomRegion() override;

    TBrush* Brush() { return &brush_; }
    void SetBrush(const TBrush& Value);
    TPen* Pen() { return &pen_; }
    void SetPen(const TPen& Value);
    void SetTransparent(bool Value) override;

    // Only components of the region's band (others are moved there first);
    // a stretching component turns the region's Stretch on.
    void AddChild(TrgComponent* Component) override;
    void RemoveChild(TrgComponent* Component) override;
    int GetChildCount() const { return int(children_.size()); }
    TrgComponent* GetChildAt(int Index) const { return children_.at(size_t(Index)); }
    // In the band's order: the child just after the region's other
    // children / just after the region itself.
    void BringChildToFront(TrgComponent* Child) override;
    void SendChildToBack(TrgComponent* Child) override;
    // The region takes its children with it, each keeping its place above it.
    void BringToFront() override;
    void SendToBack() override;

    // Moving the region moves its components by the same amount; resizing
    // it makes those with ParentWidth or ParentHeight follow.
    void SetmmBounds(int Left, int Top, int Width, int Height) override;
    void SetmmLeft(int Value) override;
    void SetmmTop(int Value) override;
    void SetmmWidth(int Value) override;
    void SetmmHeight(int Value) override;
    void SetBand(TrgBand* Value) override;
    // Regions never nest.
    void SetRegion(TrgStretchContainer*) override {}

    void MarkToPrint() override;
    void ResetForPrint() override;
    void GenerateContent() override;
    void GenerateDrawCommand(TrgPage* Page) override;
    void PropertiesToDrawCommand(TrgDrawCommand* DrawCommand) override;
    void EventNotify(TrgCommunicator* Sender, int Operation) override;

    // ---- container ----
    TrgStretchPlacement PlacementFor(const TrgComponent& Child) const override;
    bool ContainsComponent(const TrgComponent* Component) const override;
    TrgMMRect ContainerRect() const override;
    void EnsureStretch() override;

protected:
    void SaveCacheFields(TrgCacheRecord& Record) override;
    void RestoreCacheFields(const TrgCacheRecord& Record) override;

private:
    void MoveChildren(int DeltaLeft, int DeltaTop);
    void AdjustChildrenToSize();
    // The children in the band's order.
    std::vector<TrgComponent*> ChildrenInBandOrder() const;
    // Moves Component in the band's list to just after Anchor.
    void PlaceAfter(TrgComponent* Component, TrgComponent* Anchor);
    // Puts the children, in the given order, right after the region.
    void StackChildren(const std::vector<TrgComponent*>& Ordered);
    void LayoutList(int ListIndex, int FromChild, int& RunningBottom);
    bool RegionCanStretch() const;
    // A section of a subreport has begun, takes or has just ended the page.
    bool SectionRunning() const;

    TBrush brush_;
    TPen pen_;
    std::vector<TrgComponent*> children_;
    std::vector<TrgComponent*> lists_[4];
    std::vector<TrgComponent*> drawList_;
    TrgComponent* tallest_ = nullptr;
    int stretchBottom_ = 0;
    bool allFinished_ = true;
    bool firstUnfinishedSeen_ = false;
    bool overflowNext_ = false;
    bool overflow_ = false;
    bool incomplete_ = false;
    int resumeList_ = 0;
    int resumeComponent_ = 0;
    int remainingHeight_ = 0;
    int32_t cacheOffset_ = 0;
};

class TrgRegion : public TrgCustomRegion {
public:
    explicit TrgRegion(TComponent* AOwner);
};

// Makes the region class known to the component stream by name.
void rgRegisterRegionClasses();
