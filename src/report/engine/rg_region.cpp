#include "report/engine/rg_region.h"
#include "report/engine/rg_describe.h"

#include <algorithm>

#include "platform/stream/class_registry.h"
#include "platform/stream/graphics_streaming.h"
#include "report/engine/rg_bands.h"
#include "report/engine/rg_engine.h"
#include "report/output/rg_draw_commands.h"

TrgCustomRegion::TrgCustomRegion(TComponent* AOwner) : TrgStretchable(AOwner)
{
    // resume component, overflow, incomplete, resume list, remaining height
    cacheOffset_ = ExtendCacheRecord(14);
    drawCommandFactory_ = [] { return new TrgDrawShape(nullptr); };
}

TrgCustomRegion::~TrgCustomRegion()
{
    BeginDestroy();
    // The components stay with their owner; they only leave the region.
    while (!children_.empty())
        RemoveChild(children_.back());
}

void TrgCustomRegion::SetBrush(const TBrush& Value)
{
    brush_.Assign(&Value);
    Invalidate();
}

void TrgCustomRegion::SetPen(const TPen& Value)
{
    pen_.Assign(&Value);
    Invalidate();
}

void TrgCustomRegion::SetTransparent(bool Value)
{
    TrgStretchable::SetTransparent(Value);
    if (Value)
        brush_.Style = bsClear;
    else if (brush_.Style == bsClear)
        brush_.Style = bsSolid;
    Invalidate();
}

// ---- children ------------------------------------------------------------------

void TrgCustomRegion::AddChild(TrgComponent* Component)
{
    if (!Component || Component == this || ContainsComponent(Component))
        return;
    if (Component->Band() != Band())
        Component->SetBand(Band());
    // A new child goes in front of the region's others in the band's order.
    if (!Loading() && !Component->Loading() && Band()) {
        const std::vector<TrgComponent*> ordered = ChildrenInBandOrder();
        PlaceAfter(Component, ordered.empty() ? static_cast<TrgComponent*>(this) : ordered.back());
    }
    children_.push_back(Component);
    AddEventNotify(Component);
    Component->SetRegion(this);
    if (auto* stretchable = dynamic_cast<TrgStretchable*>(Component); stretchable && stretchable->Stretch())
        EnsureStretch();
}

void TrgCustomRegion::RemoveChild(TrgComponent* Component)
{
    auto it = std::find(children_.begin(), children_.end(), Component);
    if (it == children_.end())
        return;
    children_.erase(it);
    std::erase(drawList_, Component);
    RemoveEventNotify(Component);
    Component->SetRegion(nullptr);
    Invalidate();
}

std::vector<TrgComponent*> TrgCustomRegion::ChildrenInBandOrder() const
{
    std::vector<TrgComponent*> ordered = children_;
    if (TrgBand* band = Band())
        std::stable_sort(ordered.begin(), ordered.end(), [band](TrgComponent* a, TrgComponent* b) {
            return band->IndexOfComponent(a) < band->IndexOfComponent(b);
        });
    return ordered;
}

void TrgCustomRegion::PlaceAfter(TrgComponent* Component, TrgComponent* Anchor)
{
    TrgBand* band = Band();
    if (!band || Component == Anchor)
        return;
    const int from = band->IndexOfComponent(Component);
    const int anchor = band->IndexOfComponent(Anchor);
    if (from < 0 || anchor < 0)
        return;
    // Taking the component out first shifts an anchor behind it one place.
    band->MoveComponent(from, from < anchor ? anchor : anchor + 1);
}

void TrgCustomRegion::BringChildToFront(TrgComponent* Child)
{
    if (!ContainsComponent(Child))
        return;
    TrgComponent* anchor = this;
    for (TrgComponent* other : ChildrenInBandOrder())
        if (other != Child)
            anchor = other;
    PlaceAfter(Child, anchor);
    Invalidate();
}

void TrgCustomRegion::SendChildToBack(TrgComponent* Child)
{
    if (!ContainsComponent(Child))
        return;
    PlaceAfter(Child, this);
    Invalidate();
}

void TrgCustomRegion::BringToFront()
{
    const std::vector<TrgComponent*> ordered = ChildrenInBandOrder();
    TrgStretchable::BringToFront();
    StackChildren(ordered);
}

void TrgCustomRegion::SendToBack()
{
    const std::vector<TrgComponent*> ordered = ChildrenInBandOrder();
    TrgStretchable::SendToBack();
    StackChildren(ordered);
}

void TrgCustomRegion::StackChildren(const std::vector<TrgComponent*>& Ordered)
{
    TrgComponent* anchor = this;
    for (TrgComponent* child : Ordered) {
        PlaceAfter(child, anchor);
        anchor = child;
    }
}

bool TrgCustomRegion::ContainsComponent(const TrgComponent* Component) const
{
    return std::find(children_.begin(), children_.end(), Component) != children_.end();
}

TrgMMRect TrgCustomRegion::ContainerRect() const
{
    return {mmLeft(), mmTop(), mmLeft() + mmWidth(), mmTop() + mmHeight()};
}

void TrgCustomRegion::EnsureStretch()
{
    if (!Stretch())
        SetStretch(true);
}

void TrgCustomRegion::EventNotify(TrgCommunicator* Sender, int Operation)
{
    TrgStretchable::EventNotify(Sender, Operation);
    if (Operation != rgOpPartnerDestroyed)
        return;
    std::erase(children_, Sender);
    std::erase(drawList_, Sender);
    for (auto& list : lists_)
        std::erase(list, Sender);
}

void TrgCustomRegion::MoveChildren(int DeltaLeft, int DeltaTop)
{
    if (Loading() || (DeltaLeft == 0 && DeltaTop == 0) || mmWidth() == 0 || mmHeight() == 0)
        return;
    for (TrgComponent* child : children_)
        child->SetmmBounds(child->mmLeft() + DeltaLeft, child->mmTop() + DeltaTop, child->mmWidth(),
                           child->mmHeight());
}

void TrgCustomRegion::AdjustChildrenToSize()
{
    if (Loading())
        return;
    for (TrgComponent* child : children_)
        if (child->ParentWidth() || child->ParentHeight())
            child->AdjustToParent();
}

void TrgCustomRegion::SetmmBounds(int Left, int Top, int Width, int Height)
{
    const int deltaLeft = Left - mmLeft(), deltaTop = Top - mmTop();
    const bool resized = Width != mmWidth() || Height != mmHeight();
    TrgStretchable::SetmmBounds(Left, Top, Width, Height);
    MoveChildren(deltaLeft, deltaTop);
    if (resized)
        AdjustChildrenToSize();
}

void TrgCustomRegion::SetmmWidth(int Value)
{
    const int before = mmWidth();
    TrgStretchable::SetmmWidth(Value);
    if (mmWidth() != before)
        AdjustChildrenToSize();
}

void TrgCustomRegion::SetmmHeight(int Value)
{
    const int before = mmHeight();
    TrgStretchable::SetmmHeight(Value);
    if (mmHeight() != before)
        AdjustChildrenToSize();
}

void TrgCustomRegion::SetmmLeft(int Value)
{
    const int before = mmLeft();
    TrgStretchable::SetmmLeft(Value);
    MoveChildren(mmLeft() - before, 0);
}

void TrgCustomRegion::SetmmTop(int Value)
{
    const int before = mmTop();
    TrgStretchable::SetmmTop(Value);
    MoveChildren(0, mmTop() - before);
}

void TrgCustomRegion::SetBand(TrgBand* Value)
{
    TrgStretchable::SetBand(Value);
    for (TrgComponent* child : children_)
        if (child->Band() != Value)
            child->SetBand(Value);
}

// ---- generation ------------------------------------------------------------------

bool TrgCustomRegion::RegionCanStretch() const { return Stretch() && CanStretch(); }

bool TrgCustomRegion::SectionRunning() const
{
    const TrgCustomEngine* engine = Band() ? Band()->Engine() : nullptr;
    return engine && (engine->EngineState() & (esNoTitle | esNoHeader | esSectionEnded)) != 0;
}

TrgStretchPlacement TrgCustomRegion::PlacementFor(const TrgComponent& Child) const
{
    TrgStretchPlacement where;
    const int top = DrawRect().Top;
    where.Left = DrawRect().Left - mmLeft();
    where.Top = top + Child.mmTop() - mmTop();
    where.Base = bottomPosition_;
    where.Limit = bottomLimit_;
    where.Continuing = incomplete_;
    where.ContinuationShift = remainingHeight_;
    const int used = bottomPosition_ - top;
    if (used > 0) {
        where.Growth = used - mmHeight();
        where.Grown = tallest_;
    }
    where.Overflowed = overflow_;
    where.CanStretch = RegionCanStretch();
    where.StretchBottom = where.CanStretch ? std::max(stretchBottom_, bottomPosition_) : top + mmHeight();
    return where;
}

void TrgCustomRegion::MarkToPrint()
{
    TrgStretchable::MarkToPrint();
    for (TrgComponent* child : children_)
        child->MarkToPrint();
}

void TrgCustomRegion::ResetForPrint()
{
    TrgStretchable::ResetForPrint();
    remainingHeight_ = mmHeight();
    overflow_ = incomplete_ = false;
    resumeList_ = resumeComponent_ = 0;
    drawList_.clear();
    for (auto& list : lists_)
        list.clear();
    // The band resets every component, the region's too.
    for (TrgComponent* child : children_) {
        const int list = rgLayoutListOf(child);
        if (list >= 0)
            lists_[list].push_back(child);
    }
}

void TrgCustomRegion::GenerateContent()
{
    tallest_ = nullptr;
    drawList_.clear();
    allFinished_ = true;
    firstUnfinishedSeen_ = false;
    overflowNext_ = false;
    const int top = DrawRect().Top;
    int running = top;
    bottomPosition_ = top;
    stretchBottom_ = top;
    const int firstList = resumeList_;
    // A continuation repeats the static components of the region.
    if ((overflow_ || incomplete_) && firstList != 0)
        LayoutList(0, 0, running);
    bool resumeRecorded = false;
    for (int list = firstList; list < 4; ++list) {
        LayoutList(list, list == firstList ? resumeComponent_ : 0, running);
        if (!allFinished_ && !resumeRecorded) {
            resumeList_ = list;
            resumeRecorded = true;
        }
        // While a section of a subreport takes the page, the region ends
        // with the list it is in.
        if (SectionRunning())
            break;
        // Stretching components that got no room on this page hold back the
        // lists that are placed relative to them; they go on together on
        // the next page. (Stretching components that printed nothing but
        // are finished let the other lists print.)
        if (list == 1 && RegionCanStretch() && !lists_[1].empty() && running == top && !allFinished_)
            break;
    }
    overflow_ = overflowNext_;
    incomplete_ = !allFinished_ && !overflow_;
    if (!incomplete_)
        remainingHeight_ = mmHeight();
    else if (drawList_.empty())
        remainingHeight_ = 0;
    if (allFinished_)
        resumeList_ = resumeComponent_ = 0;
    if (RegionCanStretch())
        SetPrintHeight(running - top);
    // Unfinished components carry the region onto the next page.
    SetContinued(!allFinished_);
}

void TrgCustomRegion::LayoutList(int ListIndex, int FromChild, int& RunningBottom)
{
    const std::vector<TrgComponent*>& list = lists_[ListIndex];
    for (size_t i = size_t(std::max(FromChild, 0)); i < list.size(); ++i) {
        TrgComponent* child = list[i];
        child->Generate();
        if (child->PrintHeight() > 0 && std::find(drawList_.begin(), drawList_.end(), child) == drawList_.end())
            drawList_.push_back(child);
        if (!child->Printed()) {
            // While a section of a subreport takes the page, an unfinished
            // child that others follow ends the list, and the region counts
            // as finished for this page.
            if (SectionRunning() && i + 1 < list.size())
                break;
            if (!firstUnfinishedSeen_) {
                firstUnfinishedSeen_ = true;
                resumeComponent_ = int(i);
            }
            if (child->Continued())
                overflowNext_ = true;
            remainingHeight_ = std::min(remainingHeight_, child->mmTop() - mmTop());
            allFinished_ = false;
        }
        if (RegionCanStretch() && child->PrintHeight() > 0) {
            const int bottom = child->DrawRect().Top + child->PrintHeight();
            if (bottom > RunningBottom) {
                RunningBottom = bottom;
                if (dynamic_cast<TrgStretchable*>(child))
                    tallest_ = child;
            }
        }
        bottomPosition_ = RunningBottom;
        rgServiceMessageQueue();
    }
}

void TrgCustomRegion::GenerateDrawCommand(TrgPage* Page)
{
    TrgComponent::GenerateDrawCommand(Page);
    const TrgBand* band = Band();
    std::stable_sort(drawList_.begin(), drawList_.end(), [band](TrgComponent* a, TrgComponent* b) {
        return band && band->IndexOfComponent(a) < band->IndexOfComponent(b);
    });
    for (TrgComponent* child : drawList_) {
        child->GenerateDrawCommand(Page);
        rgServiceMessageQueue();
    }
    GenerateDependentDrawCommands(Page);
}

void TrgCustomRegion::PropertiesToDrawCommand(TrgDrawCommand* DrawCommand)
{
    TrgStretchable::PropertiesToDrawCommand(DrawCommand);
    auto* shape = dynamic_cast<TrgDrawShape*>(DrawCommand);
    if (!shape)
        return;
    const int inset = pen_.Width / 2;
    shape->Left = DrawRect().Left + inset;
    shape->Top = DrawRect().Top + inset;
    shape->Width = DrawRect().Right - DrawRect().Left - 2 * inset;
    shape->Height = DrawRect().Bottom - DrawRect().Top - 2 * inset;
    shape->Pen.Assign(&pen_);
    shape->Brush.Assign(&brush_);
    shape->ShapeType = stRectangle;
}

void TrgCustomRegion::SaveCacheFields(TrgCacheRecord& Record)
{
    TrgStretchable::SaveCacheFields(Record);
    const int at = cacheOffset_;
    Record.PutInt32(at + 0, resumeComponent_);
    Record.PutBool(at + 4, overflow_);
    Record.PutBool(at + 5, incomplete_);
    Record.PutInt32(at + 6, resumeList_);
    Record.PutInt32(at + 10, remainingHeight_);
}

void TrgCustomRegion::RestoreCacheFields(const TrgCacheRecord& Record)
{
    TrgStretchable::RestoreCacheFields(Record);
    const int at = cacheOffset_;
    resumeComponent_ = Record.GetInt32(at + 0);
    overflow_ = Record.GetBool(at + 4);
    incomplete_ = Record.GetBool(at + 5);
    resumeList_ = Record.GetInt32(at + 6);
    remainingHeight_ = Record.GetInt32(at + 10);
}

TrgRegion::TrgRegion(TComponent* AOwner) : TrgCustomRegion(AOwner) { SetCaption(QString()); }

// ---- stream form -------------------------------------------------------------------

namespace {

using rgdescribe::Get;
using rgdescribe::Put;

void DescribeRegion()
{
    rgRegisterStretchableClass();
    using R = TrgRegion;
    DescribeClass<TrgCustomRegion, TrgStretchable>(QStringLiteral("TrgCustomRegion"))
        .Children([](TrgCustomRegion& region, const TGetChildProc& proc, TComponent*) {
            for (int i = 0; i < region.GetChildCount(); ++i)
                proc(region.GetChildAt(i));
        });
    DescribeClass<R, TrgCustomRegion>(QStringLiteral("TrgRegion"))
        .Object("Brush", [](R& r) { return r.Brush(); })
        .String("Caption", Get(&R::Caption), [](R& r, const QString& v) { r.SetCaption(v); })
        .Object("Pen", [](R& r) { return r.Pen(); })
        .Boolean("ReprintOnOverFlow", Get(&R::ReprintOnOverFlow), Put(&R::SetReprintOnOverFlow)).Default(false)
        .Boolean("ShiftWithParent", Get(&R::ShiftWithParent), Put(&R::SetShiftWithParent)).Default(false)
        .Boolean("Stretch", Get(&R::Stretch), Put(&R::SetStretch)).Default(false)
        .Boolean("StretchWithParent", Get(&R::StretchWithParent), Put(&R::SetStretchWithParent)).Default(false)
        .Boolean("Transparent", Get(&R::Transparent), Put(&R::SetTransparent)).Default(false)
        .Boolean("Visible", Get(&R::Visible), Put(&R::SetVisible)).Default(true);
}

}  // namespace

void rgRegisterRegionClasses()
{
    static const bool described = (DescribeRegion(), true);
    (void)described;
    RegisterClass(ClassInfoFor<TrgRegion>());
}
