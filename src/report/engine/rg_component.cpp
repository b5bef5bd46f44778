#include "report/engine/rg_component.h"

#include <algorithm>
#include <utility>

#include "platform/stream/class_registry.h"
#include "platform/stream/component_reader.h"
#include "platform/stream/component_writer.h"
#include "report/engine/rg_bands.h"
#include "report/output/rg_strings.h"

// ---- TrgComponent ------------------------------------------------------

TrgComponent::TrgComponent(TComponent* AOwner) : TrgPrintable(AOwner) {}

TrgComponent::~TrgComponent()
{
    BeginDestroy();
    if (band_)
        band_->RemoveComponent(this);
}

void TrgComponent::SetBand(TrgBand* Value)
{
    if (band_)
        band_->RemoveComponent(this);
    band_ = Value;
    if (band_) {
        SetUnits(band_->Units());
        band_->AddComponent(this);
        if (parentWidth_ || parentHeight_)
            AdjustToParent();
        bandType_ = band_->Kind();
        groupNo_ = band_->GroupIndex();
    }
    Invalidate();
    PropertyChanged();
}

TComponent* TrgComponent::GetContainer() const
{
    if (auto* region = dynamic_cast<TComponent*>(region_))
        return region;
    return band_;
}

TrgCustomReport* TrgComponent::Report() const { return band_ ? band_->Report() : nullptr; }

void TrgComponent::SetParentDataPipeline(bool Value)
{
    parentDataPipeline_ = Value;
    if (Value && band_ && band_->GetDataPipeline() != DataPipeline())
        SetDataPipeline(band_->GetDataPipeline());
}

void TrgComponent::SetDataPipeline(TrgDataPipeline* Value)
{
    TrgPrintable::SetDataPipeline(Value);
    if (!Loading() && band_ && parentDataPipeline_ && band_->GetDataPipeline() != Value)
        SetParentDataPipeline(false);
}

void TrgComponent::SetParentHeight(bool Value)
{
    parentHeight_ = Value;
    if (Value)
        AdjustToParent();
}

void TrgComponent::SetParentWidth(bool Value)
{
    parentWidth_ = Value;
    if (Value)
        AdjustToParent();
}

TrgMMRect TrgComponent::GetParentRect() const
{
    if (region_)
        return region_->ContainerRect();
    if (band_)
        return {0, 0, band_->GetSpaceWidth(), band_->mmHeight()};
    return {mmLeft(), mmTop(), mmLeft() + mmWidth(), mmTop() + mmHeight()};
}

void TrgComponent::AdjustToParent()
{
    if (Loading())
        return;
    const TrgMMRect rect = GetParentRect();
    const int width = rect.Right - rect.Left;
    const int height = rect.Bottom - rect.Top;
    // The base writer: the clamps of this class would ignore the values
    // while the flags are set.
    if (parentWidth_ && parentHeight_)
        TrgPrintable::SetmmBounds(rect.Left, rect.Top, width, height);
    else if (parentWidth_)
        TrgPrintable::SetmmBounds(rect.Left, mmTop(), width, mmHeight());
    else if (parentHeight_)
        TrgPrintable::SetmmBounds(mmLeft(), rect.Top, mmWidth(), height);
}

void TrgComponent::BringToFront()
{
    if (region_)
        region_->BringChildToFront(this);
    else if (band_)
        band_->BringComponentToFront(this);
    Invalidate();
}

void TrgComponent::SendToBack()
{
    if (region_)
        region_->SendChildToBack(this);
    else if (band_)
        band_->SendComponentToBack(this);
    Invalidate();
}

int TrgComponent::GetLanguageIndex() const
{
    return band_ ? band_->GetLanguageIndex() : rgLanguageResourceBase(lgEnglish);
}

const TObject* TrgComponent::GetPrinter() const { return band_ ? band_->GetPrinter() : nullptr; }

bool TrgComponent::IsPrinting() const { return band_ && band_->IsReportGenerating(); }

void TrgComponent::PropertyChanged() {}

int TrgComponent::BandSpaceWidth() const { return band_ ? band_->GetSpaceWidth() : 0; }

void TrgComponent::SetmmLeft(int Value)
{
    if (parentWidth_ || Value == mmLeft())
        return;
    Value = std::max(Value, 0);
    if (band_ && !Loading())
        Value = std::min(Value, BandSpaceWidth());
    TrgPrintable::SetmmLeft(Value);
}

void TrgComponent::SetmmTop(int Value)
{
    if (parentHeight_ || Value == mmTop())
        return;
    Value = std::max(Value, 0);
    if (band_ && InDesignState() && !IsPrinting())
        Value = std::min(Value, band_->mmHeight());
    TrgPrintable::SetmmTop(Value);
}

void TrgComponent::SetmmWidth(int Value)
{
    if (parentWidth_ || Value == mmWidth())
        return;
    TrgPrintable::SetmmWidth(std::max(Value, 0));
}

void TrgComponent::SetmmHeight(int Value)
{
    if (parentHeight_ || Value == mmHeight())
        return;
    TrgPrintable::SetmmHeight(std::max(Value, 0));
}

void TrgComponent::SetmmBounds(int Left, int Top, int Width, int Height)
{
    if (band_ && InDesignState() && !IsPrinting())
        Left = std::min(Left, BandSpaceWidth());
    TrgPrintable::SetmmBounds(Left, Top, Width, Height);
}

void TrgComponent::DefineComponentProperties(TFiler& Filer)
{
    Filer.DefineProperty(
        QStringLiteral("BandType"),
        [this](TReader& Reader) {
            const int value = Reader.ReadInteger();
            if (!band_)
                bandType_ = uint8_t(value);
        },
        [this](TWriter& Writer) { Writer.WriteInteger(bandType_); }, true);
    Filer.DefineProperty(
        QStringLiteral("GroupNo"), [this](TReader& Reader) { groupNo_ = Reader.ReadInteger(); },
        [this](TWriter& Writer) { Writer.WriteInteger(groupNo_); }, groupNo_ >= 0);
}

TrgStretchPlacement TrgComponent::Placement() const
{
    if (region_)
        return region_->PlacementFor(*this);
    TrgStretchPlacement where;
    auto* band = dynamic_cast<TrgCustomBand*>(Band());
    if (!band)
        return where;
    where.Left = band->PrintRect().Left;
    where.Top = band->PrintRect().Top + mmTop();
    where.Base = band->ContentBottom();
    where.Limit = band->PageLimit();
    where.Continuing = band->Incomplete();
    where.ContinuationShift = band->RemainingHeight();
    if (band->PrintedHeight() > 0) {
        where.Growth = band->PrintedHeight() - band->mmHeight();
        where.Grown = band->TallestComponent();
    }
    where.Overflowed = band->Overflow();
    where.CanStretch = band->PrintHeight() == phDynamic;
    where.StretchBottom = band->StretchBottom();
    return where;
}

// ---- TrgCustomComponent ------------------------------------------------

TrgCustomComponent::TrgCustomComponent(TComponent* AOwner) : TrgComponent(AOwner)
{
    cacheOffset_ = ExtendCacheRecord(1);
}

void TrgCustomComponent::DefineObsoleteProperties(TFiler& Filer)
{
    Filer.DefineProperty(QStringLiteral("ShiftWithBand"),
                         [this](TReader& Reader) { SetShiftWithParent(Reader.ReadBoolean()); }, nullptr, false);
    Filer.DefineProperty(QStringLiteral("StretchWithBand"),
                         [this](TReader& Reader) { SetStretchWithParent(Reader.ReadBoolean()); }, nullptr, false);
}

void TrgCustomComponent::SaveCacheFields(TrgCacheRecord& Record)
{
    TrgComponent::SaveCacheFields(Record);
    Record.PutBool(cacheOffset_, PrintPending());
}

void TrgCustomComponent::RestoreCacheFields(const TrgCacheRecord& Record)
{
    TrgComponent::RestoreCacheFields(Record);
    SetPrintPending(Record.GetBool(cacheOffset_));
}

void TrgCustomComponent::Generate()
{
    if (ReprintOnOverFlow() && Band() && Placement().Overflowed)
        MarkToPrint();
    DoOnPrint();
    if (!PrintPending() || !Visible()) {
        SetPrinted(true);
        return;
    }
    PlaceOnPage();
    if (!DoesNotFit())
        SetPrinted(true);
}

void TrgCustomComponent::PlaceOnPage()
{
    if (!Band())
        return;
    const TrgStretchPlacement where = Placement();
    const int left = where.Left + mmLeft();
    int height = mmHeight();
    int top = where.Top;
    if (where.Continuing)
        top -= where.ContinuationShift;

    if (ShiftWithParent()) {
        if (!where.Grown)
            top += where.Growth;
        else
            top = where.Grown->DrawRect().Top + where.Grown->PrintHeight() +
                  (mmTop() - (where.Grown->mmTop() + where.Grown->mmHeight()));
    }
    if (StretchWithParent()) {
        if (top < where.StretchBottom)
            height = where.StretchBottom - top;
        if (top < where.Limit && where.Limit < top + height)
            height = where.Limit - top;
    }
    // One thousandth of a millimetre of tolerance: rounding of converted
    // heights must not push a component that fits onto the next page.
    if (top + height > where.Limit + 1) {
        SetDoesNotFit(true);
        return;
    }
    MutableDrawRect() = {left, top, left + mmWidth(), top + height};
    SetPrintHeight(height);
    GenerateContent();
    MutableDrawRect().Bottom = DrawRect().Top + PrintHeight();
}

// ---- the palette of component classes ----------------------------------------

int TrgRegComponentClassList::IndexOf(const QString& ClassName) const
{
    for (size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].ComponentClass->ClassName.compare(ClassName, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

void TrgRegComponentClassList::Add(const TrgRegComponent& Entry)
{
    entries_.push_back(Entry);
    Changed();
}

void TrgRegComponentClassList::Delete(int Index)
{
    entries_.erase(entries_.begin() + Index);
    Changed();
}

void TrgRegComponentClassList::Changed()
{
    for (const auto& listener : Listeners)
        listener();
}

TrgRegComponentClassList& rgGetRegisteredComponents()
{
    static TrgRegComponentClassList list;
    return list;
}

void rgRegisterComponentClass(const TClassInfo* ComponentClass, const QString& Category, int Position, int CaptionId,
                              const QString& SecondName, int Reserved)
{
    TrgRegComponentClassList& list = rgGetRegisteredComponents();
    const int existing = list.IndexOf(ComponentClass->ClassName);
    if (existing >= 0) {
        UnRegisterClass(list.Entry(existing).ComponentClass);
        list.Delete(existing);
    }
    RegisterClass(ComponentClass);
    list.Add({Reserved, ComponentClass, Position, Category, SecondName, CaptionId});
}

void rgUnRegisterComponentClass(const TClassInfo* ComponentClass)
{
    TrgRegComponentClassList& list = rgGetRegisteredComponents();
    const int index = list.IndexOf(ComponentClass->ClassName);
    if (index < 0)
        return;
    UnRegisterClass(list.Entry(index).ComponentClass);
    list.Delete(index);
}

void TrgComponent::SetRegion(TrgStretchContainer* Value)
{
    if (Value == region_) {
        if (Value && !Value->ContainsComponent(this))
            Value->AddChild(this);
        return;
    }
    // The old region's RemoveChild and the new one's AddChild set the
    // region again; by then it is already the value they set.
    if (TrgStretchContainer* old = std::exchange(region_, nullptr))
        old->RemoveChild(this);
    region_ = Value;
    if (Value && !Value->ContainsComponent(this))
        Value->AddChild(this);
    if (parentWidth_ || parentHeight_)
        AdjustToParent();
    Invalidate();
    PropertyChanged();
}
