#include "report/engine/rg_groups.h"
#include "report/engine/rg_describe.h"

#include "platform/stream/class_registry.h"
#include "platform/stream/component_reader.h"
#include "platform/stream/component_writer.h"
#include "report/engine/rg_engine.h"
#include "report/engine/rg_report.h"
#include "report/engine/rg_text_components.h"
#include "report/output/rg_strings.h"
#include "report/output/rg_units.h"

// ---- TrgGroup --------------------------------------------------------------

TrgGroup::TrgGroup(TComponent* AOwner) : TrgCacheable(AOwner) { cacheOffset_ = ExtendCacheRecord(24); }

TrgGroup::~TrgGroup()
{
    BeginDestroy();
    // Calculations that started again with this group now run on.
    if (report_)
        for (int b = 0; b < report_->GetBandCount(); ++b)
            for (int c = 0; c < report_->GetBandAt(b)->GetComponentCount(); ++c)
                if (TrgComponent* component = report_->GetBandAt(b)->GetComponentAt(c); component->ResetGroup == this)
                    component->ResetGroup = nullptr;
    DetachBreakComponent();
    if (dataPipeline_)
        dataPipeline_->DetachClient(this);
    if (header_)
        header_->SetGroup(nullptr);
    if (footer_)
        footer_->SetGroup(nullptr);
    SetReport(nullptr);
}

void TrgGroup::SetReport(TrgCustomReport* Value)
{
    if (report_ == Value)
        return;
    if (report_) {
        for (TrgBand* band : {static_cast<TrgBand*>(header_), static_cast<TrgBand*>(footer_)})
            if (band)
                band->SetReport(nullptr);
        report_->UnlistGroup(this);
    }
    report_ = Value;
    if (report_) {
        report_->ListGroup(this);
        for (TrgBand* band : {static_cast<TrgBand*>(header_), static_cast<TrgBand*>(footer_)})
            if (band)
                band->SetReport(report_);
    }
}

void TrgGroup::SetBreakType(TrgBreakType Value)
{
    if (breakType_ == Value || (report_ && report_->Generating()))
        return;
    breakType_ = Value;
    breakNameChanged_ = true;
}

void TrgGroup::SetBreakName(const QString& Value)
{
    if (breakName_ == Value)
        return;
    DetachBreakComponent();
    breakName_ = Value;
    breakNameChanged_ = true;
}

void TrgGroup::DetachBreakComponent()
{
    if (auto* text = dynamic_cast<TrgCustomText*>(breakComponent_))
        text->RemoveGroup(this);
    breakComponent_ = nullptr;
}

void TrgGroup::SetBreakComponentName(const QString& OldName, const QString& NewName)
{
    if (breakType_ == btCustomField && breakName_ == OldName)
        breakName_ = NewName;
}

void TrgGroup::BreakComponentGone(TrgCustomText* Component)
{
    if (breakComponent_ == Component) {
        breakComponent_ = nullptr;
        breakNameChanged_ = true;
    }
}

void TrgGroup::SetDataPipeline(TrgDataPipeline* Value)
{
    if (dataPipeline_)
        dataPipeline_->DetachClient(this);
    dataPipeline_ = Value;
    if (dataPipeline_)
        dataPipeline_->AttachClient(this);
}

void TrgGroup::PipelineNotification(int Operation, TrgDataPipeline* Pipeline)
{
    if (Operation == rgPipelineDestroying && Pipeline == dataPipeline_)
        dataPipeline_ = nullptr;
}

void TrgGroup::EventNotify(TrgCommunicator* Sender, int Operation)
{
    if (Operation == rgOpPartnerDestroyed && Sender == dataPipeline_)
        dataPipeline_ = nullptr;
    TrgCacheable::EventNotify(Sender, Operation);
}

TrgComponent* TrgGroup::GetBreakComponent()
{
    if (breakType_ != btCustomField || !report_)
        return nullptr;
    if (!breakNameChanged_ && breakComponent_)
        return breakComponent_;
    DetachBreakComponent();
    breakNameChanged_ = false;
    for (int b = 0; b < report_->GetBandCount() && !breakName_.isEmpty(); ++b) {
        TrgBand* band = report_->GetBandAt(b);
        int index = 0;
        if (band->FindComponentIndex(breakName_, index)) {
            breakComponent_ = band->GetComponentAt(index);
            if (auto* text = dynamic_cast<TrgCustomText*>(breakComponent_))
                text->AddGroup(this);
            break;
        }
    }
    return breakComponent_;
}

QString TrgGroup::GetBreakValue()
{
    QString value;
    if (breakType_ == btDataField) {
        if (dataPipeline_)
            value = dataPipeline_->GetFieldAsString(breakName_);
    } else if (TrgComponent* component = GetBreakComponent()) {
        value = component->GetText();
    }
    if (OnGetBreakValue)
        OnGetBreakValue(this, value);
    return value;
}

bool TrgGroup::CheckForBreak()
{
    previousValue_ = currentValue_;
    currentValue_ = GetBreakValue();
    // Exact comparison: "abc" and "ABC" are different groups.
    return currentValue_ != previousValue_;
}

void TrgGroup::Break()
{
    breakOccurred_ = true;
    if (header_)
        header_->SetBreakPending(true);
    if (footer_)
        footer_->SetBreakPending(true);
}

void TrgGroup::InitForPrint()
{
    groupNumber_ = 0;
    firstPage_ = lastPage_ = firstColumn_ = 1;
    currentValue_ = previousValue_ = GetBreakValue();
    breakOccurred_ = false;
}

void TrgGroup::RefreshBreakValue() { currentValue_ = previousValue_ = GetBreakValue(); }

void TrgGroup::UpdateLastPage(int Page)
{
    lastPage_ = Page;
    if (!CacheManager() || CacheRecordSize() <= 0)
        return;
    TrgCacheRecord record(CacheRecordSize());
    for (int page = CacheManager()->HighestCachedPage(); page >= 0; --page) {
        if (!ReadCacheRecord(page, record.Data()) || record.GetInt32(cacheOffset_ + 12) != groupNumber_)
            break;
        SaveToCache(page);
    }
}

int TrgGroup::GetGroupIndex() const { return report_ ? report_->IndexOfGroup(this) : -1; }

QString TrgGroup::GetDescription()
{
    QString breakDescription;
    if (breakType_ == btDataField)
        breakDescription = (dataPipeline_ ? dataPipeline_->GetDataSetName() : QString()) + u'.' + breakName_;
    else if (TrgComponent* component = GetBreakComponent())
        breakDescription = component->Name;
    return QStringLiteral("Group %1: %2").arg(GetGroupIndex() + 1).arg(breakDescription);
}

void TrgGroup::SaveCacheFields(TrgCacheRecord& Record)
{
    TrgCacheable::SaveCacheFields(Record);
    Record.PutInt32(cacheOffset_ + 0, firstPage_);
    Record.PutInt32(cacheOffset_ + 4, lastPage_);
    Record.PutBool(cacheOffset_ + 8, breakOccurred_);
    Record.PutInt32(cacheOffset_ + 12, groupNumber_);
    Record.PutInt32(cacheOffset_ + 16, firstColumn_);
}

void TrgGroup::RestoreCacheFields(const TrgCacheRecord& Record)
{
    TrgCacheable::RestoreCacheFields(Record);
    firstPage_ = Record.GetInt32(cacheOffset_ + 0);
    lastPage_ = Record.GetInt32(cacheOffset_ + 4);
    breakOccurred_ = Record.GetBool(cacheOffset_ + 8);
    groupNumber_ = Record.GetInt32(cacheOffset_ + 12);
    firstColumn_ = Record.GetInt32(cacheOffset_ + 16);
    // The pipeline is restored first: its record holds the value to compare
    // the next record with.
    RefreshBreakValue();
}

void TrgGroup::DefineGroupProperties(TFiler& Filer)
{
    auto integer = [&Filer](const char* Name, int& Field) {
        const QString name = QString::fromLatin1(Name);
        Filer.DefineProperty(
            name, [&Field, name](TReader& Reader) { Field = rgCheckedLength(Reader.ReadInteger(), name); },
            [&Field](TWriter& Writer) { Writer.WriteInteger(Field); }, true);
    };
    integer("mmNewColumnThreshold", mmNewColumnThreshold);
    integer("mmNewPageThreshold", mmNewPageThreshold);
    // Obsolete: read for ConvertFromVersion, or read and dropped.
    Filer.DefineProperty(
        QStringLiteral("FieldName"), [this](TReader& Reader) { obsoleteFieldName_ = Reader.ReadString(); }, nullptr,
        false);
    Filer.DefineProperty(
        QStringLiteral("ReprintOnSubsequent"),
        [this](TReader& Reader) {
            obsoleteReprint_ = Reader.ReadBoolean();
            obsoleteRead_ |= kReprintRead;
        },
        nullptr, false);
    // The group's place on the old design surface; a text stream of that
    // age has had its lengths made fractions.
    for (const char* position : {"Left", "Top"})
        Filer.DefineProperty(QString::fromLatin1(position), [](TReader& Reader) { Reader.SkipValue(); }, nullptr,
                             false);
}

namespace {

TrgUnitType UnitsOf(const TrgCustomReport* Report) { return Report ? Report->Units() : utInches; }

}  // namespace

float TrgGroup::NewColumnThreshold() const
{
    return rgFromMMThousandths(mmNewColumnThreshold, UnitsOf(report_), rgVertical, nullptr);
}

void TrgGroup::SetNewColumnThreshold(float Value)
{
    mmNewColumnThreshold = rgToMMThousandths(UnitsOf(report_), rgVertical, nullptr, Value);
}

float TrgGroup::NewPageThreshold() const
{
    return rgFromMMThousandths(mmNewPageThreshold, UnitsOf(report_), rgVertical, nullptr);
}

void TrgGroup::SetNewPageThreshold(float Value)
{
    if (Loading()) {
        obsoletePageThreshold_ = int(Value);
        obsoleteRead_ |= kThresholdRead;
        return;
    }
    mmNewPageThreshold = rgToMMThousandths(UnitsOf(report_), rgVertical, nullptr, Value);
}

void TrgGroup::ConvertFromVersion(int Version)
{
    // Only what the stream held is converted: a stream without a version
    // that names today's properties keeps them.
    if (Version < 1270 && !obsoleteFieldName_.isEmpty())
        SetBreakName(obsoleteFieldName_);
    if (Version >= 2097)
        return;
    NewColumn = NewPage;
    if (obsoleteRead_ & kReprintRead)
        ReprintOnSubsequentPage = ReprintOnSubsequentColumn = obsoleteReprint_;
    if (obsoleteRead_ & kThresholdRead) {
        mmNewPageThreshold = rgToMMThousandths(utScreenPixels, rgVertical, nullptr, float(obsoletePageThreshold_));
        mmNewColumnThreshold = mmNewPageThreshold;
    }
}

// ---- group bands ---------------------------------------------------------------

TrgGroupBand::TrgGroupBand(TComponent* AOwner) : TrgCustomBand(AOwner) { SetmmHeight(0); }

TrgGroupBand::~TrgGroupBand()
{
    if (!group_)
        return;
    if (static_cast<TrgBand*>(group_->HeaderBand()) == this)
        group_->SetHeaderBand(nullptr);
    if (static_cast<TrgBand*>(group_->FooterBand()) == this)
        group_->SetFooterBand(nullptr);
}

void TrgGroupBand::SetGroup(TrgGroup* Value) { group_ = Value; }

void TrgGroupBand::InitForPrint()
{
    TrgCustomBand::InitForPrint();
    breakPending_ = false;
}

TrgGroupHeaderBand::TrgGroupHeaderBand(TComponent* AOwner) : TrgGroupBand(AOwner)
{
    descriptionId_ = 192;
    forcedOffset_ = ExtendCacheRecord(4);
}

void TrgGroupHeaderBand::SetGroup(TrgGroup* Value)
{
    if (Group() && Group() != Value)
        Group()->SetHeaderBand(nullptr);
    TrgGroupBand::SetGroup(Value);
    if (Value) {
        Value->SetHeaderBand(this);
        SetReport(Value->Report());
    }
}

QString TrgGroupHeaderBand::GetSortKey() const { return QString::asprintf("%8d%8d", 3, GroupIndex()); }

uint16_t TrgGroupHeaderBand::GetPrintState() const
{
    uint16_t state = rgPlaceGroupHeader;
    if (Group() && Group()->ReprintOnSubsequentPage)
        state |= rgPlaceHeader;
    if (Group() && Group()->ReprintOnSubsequentColumn && Report() && Report()->Columns() > 1)
        state |= rgPlaceColumnHeader;
    return state;
}

void TrgGroupHeaderBand::InitForPrint()
{
    TrgGroupBand::InitForPrint();
    // The first header of the report prints without threshold or new page.
    breakPending_ = true;
    newColumnForced_ = newPageForced_ = true;
}

void TrgGroupHeaderBand::BeginGenerate()
{
    const TrgCustomEngine* engine = Engine();
    const TrgGroup* group = Group();
    if (!engine || !group) {
        done_ = true;
        return;
    }
    const TrgStateSet second = engine->SecondState();
    // A group that is still open repeats its header on a new page; after
    // the last footer, above the summary, none is open any more. A page
    // that goes on with group footers repeats the headers of the groups
    // around the first footer's group, and that group's own header only
    // with HeaderForOrphanedFooter.
    const int orphaned = engine->OrphanedFooterGroup();
    const int index = group->GetGroupIndex();
    const bool open = !engine->SummaryStarted() &&
                      (orphaned < 0 || index < orphaned || (index == orphaned && group->HeaderForOrphanedFooter));
    if (!breakPending_ && (second & e2PageHeaders) && group->ReprintOnSubsequentPage &&
        group->FirstPage() <= engine->AbsolutePageNo() && open)
        return;
    const bool laterColumn = group->FirstPage() < engine->AbsolutePageNo() ||
                             (group->FirstPage() == engine->AbsolutePageNo() && group->FirstColumn() < engine->ColumnNo());
    if (!breakPending_ && (second & e2ColumnHeaders) && group->ReprintOnSubsequentColumn && laterColumn)
        return;
    if (engine->EngineState() & (esTitlePrinting | esSummaryPrinting))
        done_ = true;
    else if (!breakPending_ && !Overflow())
        done_ = true;
}

void TrgGroupHeaderBand::CalcPrintSpace()
{
    TrgGroupBand::CalcPrintSpace();
    TrgCustomEngine* engine = Engine();
    TrgGroup* group = Group();
    const bool columns = Report()->Columns() >= 2;
    const int remaining = pageLimit_ - printPosition_;
    if (!newColumnForced_ && !newPageForced_ && !outOfSpace_) {
        if (columns && breakPending_ && group->NewColumn)
            newColumnForced_ = outOfSpace_ = true;
        else if (breakPending_ && group->NewPage)
            newPageForced_ = outOfSpace_ = true;
        else if (columns && remaining < group->mmNewColumnThreshold)
            newColumnForced_ = outOfSpace_ = true;
        else if (remaining < group->mmNewPageThreshold)
            newPageForced_ = outOfSpace_ = true;
    }
    if (outOfSpace_ || Overflow())
        return;
    if (breakPending_ || (engine->SecondState() & e2TitlePending)) {
        group->SetFirstPlace(engine->AbsolutePageNo(), engine->ColumnNo());
        engine->DataAdvance();
        if (breakPending_ && !Incomplete() && group->BeforeGroupBreak)
            group->BeforeGroupBreak(group);
    }
}

void TrgGroupHeaderBand::EndPrintPass()
{
    TrgGroupBand::EndPrintPass();
    if (breakPending_ && !outOfSpace_) {
        breakPending_ = false;
        if (Group())
            Group()->ClearBreakOccurred();
        newPageForced_ = newColumnForced_ = false;
    }
}

void TrgGroupHeaderBand::SaveCacheFields(TrgCacheRecord& Record)
{
    TrgGroupBand::SaveCacheFields(Record);
    Record.PutBool(forcedOffset_, newColumnForced_);
    Record.PutBool(forcedOffset_ + 1, newPageForced_);
}

void TrgGroupHeaderBand::RestoreCacheFields(const TrgCacheRecord& Record)
{
    TrgGroupBand::RestoreCacheFields(Record);
    newColumnForced_ = Record.GetBool(forcedOffset_);
    newPageForced_ = Record.GetBool(forcedOffset_ + 1);
}

TrgGroupFooterBand::TrgGroupFooterBand(TComponent* AOwner) : TrgGroupBand(AOwner) { descriptionId_ = 191; }

void TrgGroupFooterBand::SetGroup(TrgGroup* Value)
{
    if (Group() && Group() != Value)
        Group()->SetFooterBand(nullptr);
    TrgGroupBand::SetGroup(Value);
    if (Value) {
        Value->SetFooterBand(this);
        SetReport(Value->Report());
    }
}

QString TrgGroupFooterBand::GetSortKey() const
{
    return QString::asprintf("%8d%8d", 5, 99999999 - (GroupIndex() + 1));
}

void TrgGroupFooterBand::BeginGenerate()
{
    const TrgCustomEngine* engine = Engine();
    if (!engine || !Group()) {
        done_ = true;
        return;
    }
    if (!breakPending_ && (engine->SecondState() & e2EndOfData))
        return;  // the last group of the report
    if (!breakPending_ && !Overflow())
        done_ = true;
}

void TrgGroupFooterBand::EndPrintPass()
{
    TrgGroupBand::EndPrintPass();
    if (breakPending_ && !outOfSpace_) {
        if (Group() && Group()->AfterGroupBreak)
            Group()->AfterGroupBreak(Group());
        breakPending_ = false;
        if (Group())
            Group()->CountGroup();
    }
}

void TrgGroupFooterBand::EndGenerate()
{
    TrgCustomEngine* engine = Engine();
    if (Group() && Group()->GetGroupIndex() == 0 && !outOfSpace_ && !engine->DataEnded() &&
        (engine->SecondState() & e2GroupFooters))
        engine->NoteMoveDue();
}

// ---- stream form -----------------------------------------------------------------

namespace {

using rgdescribe::Get;
using rgdescribe::Put;

void DescribeGroupClasses()
{
    rgRegisterBandClasses();
    const TEnumInfo* breakTypes = rgdescribe::Enum("TrgBreakType", TrgBreakTypeIdentifiers);
    using G = TrgGroup;
    DescribeClass<G, TComponent>(QStringLiteral("TrgGroup"))
        .String("BreakName", [](const G& g) { return g.BreakName(); }, [](G& g, const QString& v) { g.SetBreakName(v); })
        .Enum("BreakType", breakTypes, [](const G& g) { return g.BreakType(); },
              [](G& g, TrgBreakType v) { g.SetBreakType(v); })
        .Default(btDataField)
        .Boolean("HeaderForOrphanedFooter", &G::HeaderForOrphanedFooter).Default(true)
        .Boolean("NewColumn", &G::NewColumn).Default(false)
        .Boolean("NewPage", &G::NewPage).Default(false)
        .Boolean("ResetPageNo", &G::ResetPageNo).Default(false)
        .Boolean("ReprintOnSubsequentColumn", &G::ReprintOnSubsequentColumn).Default(true)
        .Boolean("ReprintOnSubsequentPage", &G::ReprintOnSubsequentPage).Default(true)
        // Shown in the report's units; streamed as "mmNewColumnThreshold"
        // and "mmNewPageThreshold".
        .Single("NewColumnThreshold", Get(&G::NewColumnThreshold), Put(&G::SetNewColumnThreshold))
        .Stored([](const G&) { return false; })
        .Single("NewPageThreshold", Get(&G::NewPageThreshold), Put(&G::SetNewPageThreshold))
        .Stored([](const G&) { return false; })
        .DefineProperties([](G& group, TFiler& filer) { group.DefineGroupProperties(filer); })
        .Children([](G& group, const TGetChildProc& proc, TComponent*) {
            if (group.HeaderBand())
                proc(group.HeaderBand());
            if (group.FooterBand())
                proc(group.FooterBand());
        })
        .ParentSetter([](G& group, TComponent* parent) {
            if (auto* report = dynamic_cast<TrgCustomReport*>(parent))
                group.SetReport(report);
        });
    DescribeClass<TrgGroupBand, TrgCustomBand>(QStringLiteral("TrgGroupBand"))
        .ParentSetter([](TrgGroupBand& band, TComponent* parent) {
            if (auto* group = dynamic_cast<TrgGroup*>(parent))
                band.SetGroup(group);
        });
    DescribeClass<TrgGroupHeaderBand, TrgGroupBand>(QStringLiteral("TrgGroupHeaderBand"));
    DescribeClass<TrgGroupFooterBand, TrgGroupBand>(QStringLiteral("TrgGroupFooterBand"));
}

}  // namespace

void rgRegisterGroupClasses()
{
    static const bool described = (DescribeGroupClasses(), true);
    (void)described;
    for (const TClassInfo* info :
         {ClassInfoFor<TrgGroup>(), ClassInfoFor<TrgGroupHeaderBand>(), ClassInfoFor<TrgGroupFooterBand>()})
        RegisterClass(info);
}
