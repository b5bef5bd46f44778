#include "report/engine/rg_stretchable.h"

#include <algorithm>

#include "platform/stream/class_registry.h"
#include "platform/stream/component_reader.h"
#include "platform/stream/component_writer.h"
#include "report/engine/rg_bands.h"
#include "report/engine/rg_text_components.h"
#include "report/output/rg_strings.h"
#include "report/output/rg_types.h"
#include "report/output/rg_units.h"

namespace {
// Default size of a new stretchable, in screen pixels.
constexpr int kDefaultWidthPixels = 185;
constexpr int kDefaultHeightPixels = 89;
}  // namespace

TrgStretchable::TrgStretchable(TComponent* AOwner) : TrgComponent(AOwner)
{
    // print pending, dependents started, resume index, overflow, chain overflow
    cacheOffset_ = ExtendCacheRecord(8);
    SetPixelBounds(0, 0, kDefaultWidthPixels, kDefaultHeightPixels);
}

TrgStretchable::~TrgStretchable()
{
    BeginDestroy();
    if (shiftRelativeTo_) {
        shiftRelativeTo_->RemoveDependent(this);
        shiftRelativeTo_ = nullptr;
    }
    while (!dependents_.empty()) {
        TrgStretchable* dependent = dependents_.back();
        dependents_.pop_back();
        dependent->shiftRelativeTo_ = nullptr;
        RemoveEventNotify(dependent);
    }
}

// ---- properties --------------------------------------------------------------

void TrgStretchable::SetStretch(bool Value)
{
    stretch_ = Value;
    if (Loading())
        return;
    if (Value) {
        SetReprintOnOverFlow(false);
        SetShiftWithParent(false);
        SetStretchWithParent(false);
        if (Region())
            Region()->EnsureStretch();
        else if (Band() && Band()->PrintHeight() == phStatic)
            Band()->SetPrintHeight(phDynamic);
    }
    Invalidate();
    PropertyChanged();
}

TrgStretchable* TrgStretchable::ShiftRelativeTo()
{
    if (shiftRelativeTo_ && Band() && Band()->IndexOfComponent(shiftRelativeTo_) < 0)
        SetShiftRelativeTo(nullptr);
    return shiftRelativeTo_;
}

void TrgStretchable::SetShiftRelativeTo(TrgStretchable* Value)
{
    if (Value == shiftRelativeTo_)
        return;
    if (Value && !rgCanShiftRelativeTo(this, Value))
        throw EInvalidPropertyError(rgLoadString(GetLanguageIndex() + 342));
    if (shiftRelativeTo_)
        shiftRelativeTo_->RemoveDependent(this);
    shiftRelativeTo_ = Value;
    Invalidate();
    PropertyChanged();
    if (shiftRelativeTo_) {
        shiftRelativeTo_->AddDependent(this);
        // The base setters: ours would drop the target again.
        TrgComponent::SetReprintOnOverFlow(false);
        TrgComponent::SetShiftWithParent(false);
        TrgComponent::SetStretchWithParent(false);
    }
}

void TrgStretchable::ClearFlagsForChain()
{
    if (Loading())
        return;
    SetShiftRelativeTo(nullptr);
    stretch_ = false;
}

void TrgStretchable::SetReprintOnOverFlow(bool Value)
{
    TrgComponent::SetReprintOnOverFlow(Value);
    if (Value)
        ClearFlagsForChain();
}

void TrgStretchable::SetShiftWithParent(bool Value)
{
    TrgComponent::SetShiftWithParent(Value);
    if (Value)
        ClearFlagsForChain();
}

void TrgStretchable::SetStretchWithParent(bool Value)
{
    TrgComponent::SetStretchWithParent(Value);
    if (Value)
        ClearFlagsForChain();
}

void TrgStretchable::SetRegion(TrgStretchContainer* Value)
{
    TrgComponent::SetRegion(Value);
    if (shiftRelativeTo_)
        SetShiftRelativeTo(nullptr);
}

void TrgStretchable::SetmmBottomOffset(int Value)
{
    mmBottomOffset_ = Value;
    Invalidate();
    PropertyChanged();
}

void TrgStretchable::SetmmOverFlowOffset(int Value)
{
    mmOverFlowOffset_ = Value;
    Invalidate();
    PropertyChanged();
}

float TrgStretchable::BottomOffset() const
{
    return rgFromMMThousandths(mmBottomOffset_, Units(), rgVertical, GetPrinter());
}

void TrgStretchable::SetBottomOffset(float Value)
{
    SetmmBottomOffset(rgToMMThousandths(Units(), rgVertical, GetPrinter(), Value));
}

float TrgStretchable::OverFlowOffset() const
{
    return rgFromMMThousandths(mmOverFlowOffset_, Units(), rgVertical, GetPrinter());
}

void TrgStretchable::SetOverFlowOffset(float Value)
{
    SetmmOverFlowOffset(rgToMMThousandths(Units(), rgVertical, GetPrinter(), Value));
}

void TrgStretchable::AddDependent(TrgStretchable* Dependent)
{
    if (std::find(dependents_.begin(), dependents_.end(), Dependent) != dependents_.end())
        return;
    dependents_.push_back(Dependent);
    AddEventNotify(Dependent);
}

void TrgStretchable::RemoveDependent(TrgStretchable* Dependent)
{
    std::erase(dependents_, Dependent);
    std::erase(drawOrder_, Dependent);
    RemoveEventNotify(Dependent);
}

void TrgStretchable::EventNotify(TrgCommunicator* Sender, int Operation)
{
    TrgComponent::EventNotify(Sender, Operation);
    if (Operation != rgOpPartnerDestroyed)
        return;
    if (Sender == shiftRelativeTo_)
        shiftRelativeTo_ = nullptr;
    std::erase(dependents_, Sender);
    std::erase(drawOrder_, Sender);
}

// ---- generation --------------------------------------------------------------

bool TrgStretchable::CanStretch() const { return Placement().CanStretch; }

bool TrgStretchable::ContainerOverflowed() const { return Placement().Overflowed; }

void TrgStretchable::Generate()
{
    if (ReprintOnOverFlow() && Placement().Overflowed)
        MarkToPrint();
    DoOnPrint();
    // A visible head that is no longer pending printed earlier on this page
    // (its band repeats its static components on a continuation page): its
    // chain printed with it and does not start again.
    const bool printedBefore = Visible() && !PrintPending() && !dependentsStarted_;
    PlaceOnPage();
    if (DoesNotFit())
        return;
    if ((!Continued() && !printedBefore) || dependentsStarted_)
        GenerateDependents(resumeIndex_);
    if (!Continued() && !chainOverflow_)
        SetPrinted(true);
}

void TrgStretchable::PlaceOnPage()
{
    const TrgStretchPlacement where = Placement();
    const bool active = PrintPending() && Visible();
    const int left = where.Left + (active ? mmLeft() : 0);
    const int top = GetPrintTop(where);
    const int height = GetInitialHeight(top, where);
    const bool stretching = where.CanStretch && stretch_;
    MutableDrawRect() = {left, top, left + mmWidth(), stretching ? bottomLimit_ : top + height};
    // One thousandth of tolerance, as for every component.
    if (active && top + height > bottomLimit_ + 1) {
        SetDoesNotFit(true);
        return;
    }
    if (active) {
        if (!stretching)
            SetPrintHeight(height);
        GenerateContent();
    }
    MutableDrawRect().Bottom = top + PrintHeight();
    if (active && PrintHeight() > 0)
        SetPrintHeight(PrintHeight() + mmBottomOffset_);
}

int TrgStretchable::GetPrintTop(const TrgStretchPlacement& Where)
{
    int top = Where.Top;
    int base = Where.Base;
    int limit = Where.Limit;
    bool continuing = Where.Continuing;
    TrgStretchable* target = ShiftRelativeTo();
    if (target) {
        base = target->bottomPosition_;
        limit = target->bottomLimit_;
        continuing = false;
    }
    if (continuing)
        top -= Where.ContinuationShift;
    else if (Continued())
        top = base + (PrintPending() && Visible() ? mmOverFlowOffset_ : 0);
    else if (ShiftWithParent() && !target) {
        if (Where.Grown)
            top = Where.Grown->DrawRect().Top + Where.Grown->PrintHeight() +
                  (mmTop() - (Where.Grown->mmTop() + Where.Grown->mmHeight()));
        else
            top += Where.Growth;
    } else if (target)
        top = base;
    bottomPosition_ = top;
    bottomLimit_ = limit - mmBottomOffset_;
    return top;
}

int TrgStretchable::GetInitialHeight(int Top, const TrgStretchPlacement& Where) const
{
    if (!PrintPending() || !Visible() || (Where.CanStretch && stretch_))
        return 0;
    int height = mmHeight();
    if (StretchWithParent()) {
        if (Top < Where.StretchBottom)
            height = Where.StretchBottom - Top;
        if (Top < bottomLimit_ && Top + height > bottomLimit_)
            height = bottomLimit_ - Top;
    }
    return height;
}

void TrgStretchable::GenerateDependents(int StartIndex)
{
    if (!Continued()) {
        dependentsStarted_ = true;
        for (TrgStretchable* dependent : dependents_)
            dependent->MarkToPrint();
    }
    const int printTop = DrawRect().Top;
    bottomPosition_ = printTop + PrintHeight();
    bottomLimit_ += mmBottomOffset_;
    int lowestBottom = bottomPosition_;
    for (int i = std::max(StartIndex, 0); i < int(dependents_.size()); ++i) {
        TrgStretchable* dependent = dependents_[size_t(i)];
        dependent->Generate();
        if (dependent->PrintHeight() > 0 &&
            std::find(drawOrder_.begin(), drawOrder_.end(), dependent) == drawOrder_.end())
            drawOrder_.push_back(dependent);
        if (!dependent->Printed()) {
            if (!unfinishedDependentSeen_) {
                unfinishedDependentSeen_ = true;
                resumeIndex_ = i;
                continuesStretching_ = dependent->Stretch();
                continuationShift_ = dependent->mmTop();
            }
            if (dependent->mmTop() < continuationShift_)
                continuationShift_ = dependent->mmTop();
            dependentsDone_ = false;
        }
        if (dependent->PrintHeight() > 0)
            lowestBottom = std::max(lowestBottom, dependent->DrawRect().Top + dependent->PrintHeight());
        rgServiceMessageQueue();
    }
    if (lowestBottom > bottomPosition_) {
        bottomPosition_ = lowestBottom;
        SetPrintHeight(bottomPosition_ - printTop);
    }
    SetContinued(continuesStretching_);
    chainOverflow_ = !dependentsDone_ && !continuesStretching_;
}

void TrgStretchable::GenerateDrawCommand(TrgPage* Page)
{
    TrgComponent::GenerateDrawCommand(Page);
    GenerateDependentDrawCommands(Page);
}

void TrgStretchable::GenerateDependentDrawCommands(TrgPage* Page)
{
    const TrgBand* band = Band();
    std::stable_sort(drawOrder_.begin(), drawOrder_.end(), [band](TrgStretchable* a, TrgStretchable* b) {
        return band && band->IndexOfComponent(a) < band->IndexOfComponent(b);
    });
    for (TrgStretchable* dependent : drawOrder_) {
        dependent->GenerateDrawCommand(Page);
        rgServiceMessageQueue();
    }
}

void TrgStretchable::ClearPendingPrint()
{
    TrgComponent::ClearPendingPrint();
    if (PrintPending() && dependentsStarted_)
        SetPrintPending(false);
    if (dependentsStarted_ && !Continued())
        dependentsStarted_ = false;
    if (dependentsDone_)
        resumeIndex_ = 0;
}

void TrgStretchable::ResetPrintState()
{
    TrgComponent::ResetPrintState();
    dependentsDone_ = true;
    bottomPosition_ = 0;
    unfinishedDependentSeen_ = false;
    continuesStretching_ = false;
    bottomLimit_ = 0;
    drawOrder_.clear();
}

void TrgStretchable::ResetForPrint()
{
    TrgComponent::ResetForPrint();
    dependentsStarted_ = false;
    resumeIndex_ = 0;
    continuationShift_ = 0;
    chainOverflow_ = false;
}

// ---- page cache and stream -------------------------------------------------------

void TrgStretchable::SaveCacheFields(TrgCacheRecord& Record)
{
    TrgComponent::SaveCacheFields(Record);
    const int at = cacheOffset_;
    Record.PutBool(at + 0, PrintPending());
    Record.PutBool(at + 1, dependentsStarted_);
    Record.PutInt32(at + 2, resumeIndex_);
    Record.PutBool(at + 6, Continued());
    Record.PutBool(at + 7, chainOverflow_);
}

void TrgStretchable::RestoreCacheFields(const TrgCacheRecord& Record)
{
    TrgComponent::RestoreCacheFields(Record);
    const int at = cacheOffset_;
    SetPrintPending(Record.GetBool(at + 0));
    dependentsStarted_ = Record.GetBool(at + 1);
    resumeIndex_ = Record.GetInt32(at + 2);
    SetContinued(Record.GetBool(at + 6));
    chainOverflow_ = Record.GetBool(at + 7);
}

void TrgStretchable::DefineStretchProperties(TFiler& Filer)
{
    auto integer = [&Filer](const char* Name, int& Field) {
        const QString name = QString::fromLatin1(Name);
        Filer.DefineProperty(
            name, [&Field, name](TReader& Reader) { Field = rgCheckedLength(Reader.ReadInteger(), name); },
            [&Field](TWriter& Writer) { Writer.WriteInteger(Field); }, true);
    };
    integer("mmBottomOffset", mmBottomOffset_);
    integer("mmOverFlowOffset", mmOverFlowOffset_);
}

// ---- utility routines ------------------------------------------------------------

int rgLayoutListOf(TrgComponent* Component)
{
    if (auto* stretchable = dynamic_cast<TrgStretchable*>(Component)) {
        if (stretchable->ShiftRelativeToTarget())
            return -1;
        if (stretchable->Stretch())
            return 1;
    }
    if (Component->StretchWithParent())
        return 2;
    if (Component->ShiftWithParent())
        return 3;
    return 0;
}

bool rgCanShiftRelativeTo(const TrgStretchable* Component, const TrgStretchable* Target)
{
    if (!Component || !Target || Component == Target)
        return Component != Target;
    if (const auto* container = dynamic_cast<const TrgStretchContainer*>(Component))
        if (container->ContainsComponent(Target))
            return false;
    // Follow the target's chain; reaching the component would close a loop.
    // The walk is bounded by the chain's length even if a loop already exists.
    std::vector<const TrgStretchable*> seen;
    for (const TrgStretchable* link = Target; link; link = link->ShiftRelativeToTarget()) {
        if (link == Component)
            return false;
        if (std::find(seen.begin(), seen.end(), link) != seen.end())
            return false;
        seen.push_back(link);
    }
    return true;
}

namespace {

QString NameOrDescription(const TrgComponent* Component, bool AsDescription)
{
    return AsDescription ? Component->GetDescription() : Component->Name;
}

}  // namespace

void rgGetBandComponentNames(TrgComponent* Component, QStringList& List, bool AsDescriptions)
{
    const TrgBand* band = Component ? Component->Band() : nullptr;
    if (!band)
        return;
    for (int i = 0; i < band->GetComponentCount(); ++i)
        if (band->GetComponentAt(i) != Component)
            List << NameOrDescription(band->GetComponentAt(i), AsDescriptions);
}

void rgGetShiftRelativeToList(TrgComponent* Component, QStringList& List, bool AsDescriptions)
{
    const TrgBand* band = Component ? Component->Band() : nullptr;
    if (!band)
        return;
    auto* self = dynamic_cast<TrgStretchable*>(Component);
    for (int i = 0; i < band->GetComponentCount(); ++i) {
        auto* candidate = dynamic_cast<TrgStretchable*>(band->GetComponentAt(i));
        if (!candidate || candidate == Component || candidate->Region() != Component->Region())
            continue;
        if (self && !rgCanShiftRelativeTo(self, candidate))
            continue;
        List << NameOrDescription(candidate, AsDescriptions);
    }
}

void rgAddComponentToOwner(TComponent* Component, TComponent* Owner)
{
    if (!Component || !Owner)
        return;
    if (Component->Name.isEmpty()) {
        QString name;
        rgGetUniqueComponentName(Owner, Component, name);
        Component->Name = name;
    }
    if (Component->Owner() != Owner)
        Owner->InsertComponent(Component);
}

void rgRegisterStretchableClass()
{
    rgRegisterTextComponentClasses();
    using S = TrgStretchable;
    auto never = [](const S&) { return false; };
    DescribeClass<S, TrgComponent>(QStringLiteral("TrgStretchable"))
        .Single("BottomOffset", [](const S& s) { return s.BottomOffset(); },
                [](S& s, float v) { s.SetBottomOffset(v); })
        .Stored(never)
        .Single("OverFlowOffset", [](const S& s) { return s.OverFlowOffset(); },
                [](S& s, float v) { s.SetOverFlowOffset(v); })
        .Stored(never)
        .Component(
            "ShiftRelativeTo", [](const S& s) -> TComponent* { return s.ShiftRelativeToTarget(); },
            [](S& s, TComponent* c) { s.SetShiftRelativeTo(dynamic_cast<TrgStretchable*>(c)); })
        .DefineProperties([](S& s, TFiler& filer) { s.DefineStretchProperties(filer); });
}
