#pragma once
// TrgStretchable: the components whose height is known only while a page is
// made and which may continue on the following pages (memos, rich text,
// regions, subreports). A stretching component takes the space its content
// needs; what does not fit continues on the next page at the container's
// current position plus OverFlowOffset. A component may name another one
// (ShiftRelativeTo) below which it is placed, whatever height that one
// took; such chains are generated from their head, which also makes the
// draw commands of the chain, head first.
//
// The container reads back after Generate: DoesNotFit (not placed), Printed
// (the component and its chain finished on this page), Continued (its own
// content goes on next page), ChainOverflow (it finished, a dependent goes
// on) and PrintHeight (the space used, dependents and BottomOffset
// included).

#include <QStringList>

#include <vector>

#include "report/engine/rg_component.h"

class TFiler;

class TrgStretchable : public TrgComponent {
public:
    explicit TrgStretchable(TComponent* AOwner);
    ~TrgStretchable() override;

    // ---- properties ----
    bool Stretch() const { return stretch_; }
    virtual void SetStretch(bool Value);
    // A target that has left the band is dropped first.
    TrgStretchable* ShiftRelativeTo();
    TrgStretchable* ShiftRelativeToTarget() const { return shiftRelativeTo_; }
    // Raises EInvalidPropertyError on a cycle; the old value stays then.
    void SetShiftRelativeTo(TrgStretchable* Value);
    int mmBottomOffset() const { return mmBottomOffset_; }
    void SetmmBottomOffset(int Value);
    int mmOverFlowOffset() const { return mmOverFlowOffset_; }
    void SetmmOverFlowOffset(int Value);
    float BottomOffset() const;
    void SetBottomOffset(float Value);
    float OverFlowOffset() const;
    void SetOverFlowOffset(float Value);

    void SetReprintOnOverFlow(bool Value) override;
    void SetShiftWithParent(bool Value) override;
    void SetStretchWithParent(bool Value) override;

    // Leaving the band's list for a region drops the chain.
    void SetRegion(TrgStretchContainer* Value) override;

    const std::vector<TrgStretchable*>& Dependents() const { return dependents_; }
    void AddDependent(TrgStretchable* Dependent);
    void RemoveDependent(TrgStretchable* Dependent);

    // ---- generation ----
    bool CanStretch() const;
    bool ContainerOverflowed() const;
    bool ChainOverflow() const { return chainOverflow_; }
    bool DependentsStarted() const { return dependentsStarted_; }
    int BottomPosition() const { return bottomPosition_; }
    int BottomLimit() const { return bottomLimit_; }
    int ContinuationShift() const { return continuationShift_; }

    void Generate() override;
    // The class's own measuring: sets the space used and the overflow flag.
    virtual void GenerateContent() {}
    void GenerateDrawCommand(TrgPage* Page) override;
    void ClearPendingPrint() override;
    void ResetPrintState() override;
    void ResetForPrint() override;
    QString GetDescription() const override { return Name; }

    void EventNotify(TrgCommunicator* Sender, int Operation) override;
    // "mmBottomOffset" and "mmOverFlowOffset", always written.
    void DefineStretchProperties(TFiler& Filer);

protected:
    void SaveCacheFields(TrgCacheRecord& Record) override;
    void RestoreCacheFields(const TrgCacheRecord& Record) override;
    // The draw commands of the dependents that used space, in band order.
    void GenerateDependentDrawCommands(TrgPage* Page);

    // Where the component's content reaches on the page so far, and the
    // lowest position it may reach (a region places its components by them).
    int bottomPosition_ = 0;
    int bottomLimit_ = 0;

private:
    void PlaceOnPage();
    int GetPrintTop(const TrgStretchPlacement& Where);
    int GetInitialHeight(int Top, const TrgStretchPlacement& Where) const;
    void GenerateDependents(int StartIndex);
    void ClearFlagsForChain();

    bool continuesStretching_ = false;
    bool dependentsDone_ = true;
    int continuationShift_ = 0;
    bool chainOverflow_ = false;
    int mmBottomOffset_ = 0;
    int mmOverFlowOffset_ = 0;
    std::vector<TrgStretchable*> dependents_;
    TrgStretchable* shiftRelativeTo_ = nullptr;
    bool stretch_ = false;
    bool dependentsStarted_ = false;
    int resumeIndex_ = 0;
    bool unfinishedDependentSeen_ = false;
    // Dependents that used space on this page, drawn in container order.
    std::vector<TrgStretchable*> drawOrder_;
    int32_t cacheOffset_ = 0;
};

// False when Component may not be placed below Target: a region that holds
// the target, or a chain of ShiftRelativeTo from the target that leads back
// to the component.
bool rgCanShiftRelativeTo(const TrgStretchable* Component, const TrgStretchable* Target);

// Adds the stretchables of Component's band (in the same region) that it
// may be shifted relative to, by name or by description, in band order.
void rgGetShiftRelativeToList(TrgComponent* Component, QStringList& List, bool AsDescriptions);

// Adds the other components of Component's band, by name or description,
// in band order.
void rgGetBandComponentNames(TrgComponent* Component, QStringList& List, bool AsDescriptions);

// Gives Component a unique name when it has none and lets Owner own it.
void rgAddComponentToOwner(TComponent* Component, TComponent* Owner);

// Describes TrgStretchable for the component stream (its descendants'
// descriptions build on it).
void rgRegisterStretchableClass();

// The layout list a component is placed in by its band or region: 0
// static, 1 stretching, 2 stretching with the parent, 3 shifting with the
// parent; -1 for a chain member, which the component it is shifted below
// generates.
int rgLayoutListOf(TrgComponent* Component);
