#include "report/engine/rg_report.h"
#include "report/engine/rg_describe.h"

#include <algorithm>
#include <map>

#include "platform/stream/class_registry.h"
#include "platform/stream/component_reader.h"
#include "platform/stream/component_writer.h"
#include "report/engine/rg_bands.h"
#include "report/engine/rg_engine.h"
#include "report/engine/rg_groups.h"
#include "report/engine/rg_template.h"
#include "report/engine/rg_text_components.h"
#include "report/output/rg_page.h"
#include "report/output/rg_printer_setup.h"
#include "report/output/rg_publisher.h"
#include "report/output/rg_units.h"
#include "report/output/rg_utils.h"

// ---- TrgCustomReport -------------------------------------------------------

TrgCustomReport::TrgCustomReport(TComponent* AOwner) : TrgProducer(AOwner)
{
    engine_ = std::make_unique<TrgEngine>(this);
    engine_->OnEndPage = [this](TObject*) { EngineEndPage(); };
    engine_->OnPageComplete = [this](TObject*) { PageGenerated(); };
    mmColumnWidth_ = PageDef().mmPrintableWidth();
    PrinterSetup()->DocumentName = Name;
}

TrgCustomReport::~TrgCustomReport()
{
    BeginDestroy();
    if (dataPipeline_)
        dataPipeline_->DetachClient(this);
    engine_->SetStop(true);
    destroyingBands_ = true;
    while (!groups_.empty())
        delete groups_.back();
    while (!bands_.empty())
        delete bands_.back();
    engine_.reset();
}

void TrgCustomReport::AddBand(TrgBand* Band)
{
    if (Band)
        Band->SetReport(this);
}

void TrgCustomReport::RemoveBand(TrgBand* Band)
{
    if (Band && Band->Report() == this)
        Band->SetReport(nullptr);
}

void TrgCustomReport::ListBand(TrgBand* Band)
{
    if (std::find(bands_.begin(), bands_.end(), Band) != bands_.end())
        return;
    bands_.push_back(Band);
    SortBands();
    Reset();
}

void TrgCustomReport::UnlistBand(TrgBand* Band)
{
    std::erase(bands_, Band);
    if (!destroyingBands_)
        Reset();
}

void TrgCustomReport::SortBands()
{
    std::stable_sort(bands_.begin(), bands_.end(),
                     [](const TrgBand* a, const TrgBand* b) { return a->GetSortKey() < b->GetSortKey(); });
}

int TrgCustomReport::IndexOfGroup(const TrgGroup* Group) const
{
    auto it = std::find(groups_.begin(), groups_.end(), Group);
    return it == groups_.end() ? -1 : int(it - groups_.begin());
}

void TrgCustomReport::AddGroup(TrgGroup* Group)
{
    if (Group)
        Group->SetReport(this);
}

void TrgCustomReport::RemoveGroup(TrgGroup* Group)
{
    if (Group && Group->Report() == this)
        Group->SetReport(nullptr);
}

void TrgCustomReport::ListGroup(TrgGroup* Group)
{
    if (IndexOfGroup(Group) >= 0)
        return;
    groups_.push_back(Group);
    SortBands();
    Reset();
}

void TrgCustomReport::UnlistGroup(TrgGroup* Group)
{
    std::erase(groups_, Group);
    SortBands();
    if (!destroyingBands_)
        Reset();
}

TrgBand* TrgCustomReport::FindBand(int Kind, int GroupIndex) const
{
    for (TrgBand* band : bands_) {
        if (band->Kind() != Kind)
            continue;
        if ((Kind == bkGroupHeader || Kind == bkGroupFooter) && band->GroupIndex() != GroupIndex)
            continue;
        return band;
    }
    return nullptr;
}

void TrgCustomReport::SetColumns(int Value)
{
    columns_ = std::max(Value, 1);
    if (Loading())
        return;
    const int printable = PageDef().mmPrintableWidth();
    mmColumnWidth_ = columns_ > 1 ? printable / columns_ : printable;
    BandsChanged();
}

float TrgCustomReport::ColumnWidth() const
{
    return rgFromMMThousandths(mmColumnWidth_, units_, rgHorizontal, nullptr);
}

void TrgCustomReport::SetColumnWidth(float Value)
{
    int width = rgToMMThousandths(units_, rgHorizontal, nullptr, Value);
    if (Loading()) {
        mmColumnWidth_ = width;
        return;
    }
    const int printable = PageDef().mmPrintableWidth();
    if (width <= 0 && columns_ > 1) {
        SetColumns(1);
        return;
    }
    mmColumnWidth_ = std::min(width, printable);
    if (columns_ > 1 && mmColumnWidth_ > 0 && printable / mmColumnWidth_ < columns_)
        columns_ = std::max(printable / mmColumnWidth_, 1);
    BandsChanged();
}

void TrgCustomReport::SetDataPipeline(TrgDataPipeline* Value)
{
    if (dataPipeline_)
        dataPipeline_->DetachClient(this);
    TrgDataPipeline* old = dataPipeline_;
    dataPipeline_ = Value;
    if (dataPipeline_)
        dataPipeline_->AttachClient(this);
    Reset();
    if (Loading() || (State() & rgStateTemplateLoading))
        return;
    ReassignPipeline(old, Value);
}

void TrgCustomReport::ReassignPipeline(TrgDataPipeline* Old, TrgDataPipeline* New)
{
    for (TrgBand* band : bands_) {
        auto* detail = dynamic_cast<TrgDetailBand*>(band);
        if (detail && detail->DataPipeline())
            continue;
        for (int i = 0; i < band->GetComponentCount(); ++i) {
            TrgComponent* component = band->GetComponentAt(i);
            if (!component->IsDataAware() || !component->ParentDataPipeline())
                continue;
            if (component->DataPipeline() == Old)
                component->SetDataPipeline(New);
            else if (!component->DataPipeline() && New &&
                     (component->DataField().isEmpty() || New->IndexOfFieldName(component->DataField()) != -1))
                component->SetDataPipeline(New);
        }
    }
    // A group breaking on a field takes the new pipeline unless it names a
    // field the new pipeline lacks.
    for (TrgGroup* group : groups_) {
        if (group->BreakType() != btDataField)
            continue;
        if (group->DataPipeline() == Old)
            group->SetDataPipeline(New);
        else if (New && (group->BreakName().isEmpty() || New->IndexOfFieldName(group->BreakName()) != -1))
            group->SetDataPipeline(New);
    }
}

void TrgCustomReport::PipelineNotification(int Operation, TrgDataPipeline* Pipeline)
{
    if (Operation == rgPipelineDestroying && Pipeline == dataPipeline_)
        dataPipeline_ = nullptr;
}

void TrgCustomReport::EventNotify(TrgCommunicator* Sender, int Operation)
{
    if (Operation == rgOpPartnerDestroyed && Sender == dataPipeline_)
        dataPipeline_ = nullptr;
    TrgProducer::EventNotify(Sender, Operation);
}

void TrgCustomReport::SetPageLimit(int Value)
{
    pageLimit_ = Value;
    Reset();
}

void TrgCustomReport::SetPassSetting(TrgPassSettingType Value)
{
    passSetting_ = Value;
    Reset();
}

void TrgCustomReport::SetUnits(TrgUnitType Value)
{
    units_ = Value;
    PrinterSetup()->SetUnits(Value);
    for (TrgBand* band : bands_)
        band->SetUnits(Value);
}

TrgCustomEngine* TrgCustomReport::Engine() const { return engine_.get(); }

int TrgCustomReport::GetCurrentPageNo() const { return engine_->AbsolutePageNo(); }

int TrgCustomReport::GetLastPageNo() const { return engine_->LastPageNo(); }

bool TrgCustomReport::Generating() const { return engine_ && engine_->PageRequestRunning(); }

void TrgCustomReport::BandsChanged()
{
    // Without a designer there is nothing to show: the bands are laid out
    // anew with the next pages.
    for (TrgBand* band : bands_)
        band->Invalidate();
    Reset();
}

void TrgCustomReport::SetName(const QString& Value)
{
    const QString old = Name;
    if (old == Value)
        return;
    Name = Value;
    if (!old.isEmpty() && (State() & rgStateDesigning)) {
        const auto rename = [&](TComponent* Component) {
            if (Component->Name.startsWith(old))
                Component->Name = Value + Component->Name.mid(old.size());
        };
        for (TrgGroup* group : groups_)
            rename(group);
        for (TrgBand* band : bands_) {
            rename(band);
            for (int i = 0; i < band->GetComponentCount(); ++i)
                rename(band->GetComponentAt(i));
        }
    }
    if (PrinterSetup()->DocumentName == old)
        PrinterSetup()->DocumentName = Value;
}

void TrgCustomReport::PrinterSetupChanged()
{
    TrgPrinterSetup* setup = PrinterSetup();
    if (!setup)
        return;
    setup->SetUnits(units_);
    for (TrgBand* band : bands_)
        for (int i = 0; i < band->GetComponentCount(); ++i)
            band->GetComponentAt(i)->ReportPrinterSetupChanged();
}

void TrgCustomReport::PageDefChanged()
{
    TrgProducer::PageDefChanged();
    // The setup a running print takes from the printer, or a child report
    // from its parent while pages are made, leaves the pages made so far.
    TrgCustomReport* main = GetMainReport();
    if (!main->PrintInProgress() && !main->Generating())
        BandsChanged();
}

namespace {

// A copy of Source: an object of its class owned by Owner, joined to
// Parent, with Source's streamed properties and copies of its children.
// Copies maps every original to its copy.
TComponent* CopyComponentTree(TComponent& Source, TComponent* Owner, TComponent* Parent,
                              std::map<const TComponent*, TComponent*>& Copies)
{
    const TClassInfo* info = ClassInfoOf(Source);
    if (!info || !info->Create)
        return nullptr;
    TComponent* copy = info->Create(Owner);
    Copies[&Source] = copy;
    if (const TClassInfo* parented = info->WithSetParent(); parented && Parent)
        parented->SetParentComponent(*copy, Parent);
    rgCopyStreamedProperties(Source, *copy);
    if (const TClassInfo* parent = info->WithGetChildren())
        parent->GetChildren(
            Source, [&](TComponent* Child) { CopyComponentTree(*Child, Owner, copy, Copies); }, Owner);
    return copy;
}

// References among the copied objects (a calculation's reset group) point
// to the copies.
void PointToCopies(const std::map<const TComponent*, TComponent*>& Copies)
{
    for (const auto& [original, copy] : Copies) {
        const TClassInfo* info = ClassInfoOf(*copy);
        for (const TClassInfo* level : info ? info->Chain() : std::vector<const TClassInfo*>{})
            for (const TPropInfo& prop : level->Properties) {
                if (prop.Kind != TPropKind::Component || !prop.GetComponent || !prop.SetComponent)
                    continue;
                const auto target = Copies.find(prop.GetComponent(*copy));
                if (target != Copies.end())
                    prop.SetComponent(*copy, target->second);
            }
    }
}

}  // namespace

void TrgCustomReport::CopySettings(const TrgProducer* Source)
{
    TrgProducer::CopySettings(Source);
    const auto* source = dynamic_cast<const TrgCustomReport*>(Source);
    if (!source || source == this)
        return;
    columns_ = source->columns_;
    columnPositions_.Assign(source->columnPositions_);
    mmColumnWidth_ = source->mmColumnWidth_;
    SetDataPipeline(source->dataPipeline_);
    modified_ = source->modified_;
    pageLimit_ = source->pageLimit_;
    passSetting_ = source->passSetting_;
    SaveAsTemplate = source->SaveAsTemplate;
    SetUnits(source->units_);
    rgReportTemplate(this)->Assign(*rgReportTemplate(const_cast<TrgCustomReport*>(source)));
    for (TNotifyEvent TrgCustomReport::*event :
         {&TrgCustomReport::OnEndColumn, &TrgCustomReport::OnEndFirstPass, &TrgCustomReport::OnEndPage,
          &TrgCustomReport::OnEndSecondPass, &TrgCustomReport::OnStartColumn, &TrgCustomReport::OnStartFirstPass,
          &TrgCustomReport::OnStartPage, &TrgCustomReport::OnStartSecondPass})
        this->*event = source->*event;

    // The own layout goes; groups take their group bands with them.
    while (!groups_.empty())
        delete groups_.back();
    while (!bands_.empty())
        delete bands_.back();
    // Copies of the source's bands and groups, owned as this report's are.
    TComponent* owner = Owner() ? Owner() : this;
    std::map<const TComponent*, TComponent*> copies;
    copies[source] = this;
    if (const TClassInfo* info = ClassInfoOf(*source); info && info->WithGetChildren())
        info->WithGetChildren()->GetChildren(
            *const_cast<TrgCustomReport*>(source),
            [&](TComponent* Child) { CopyComponentTree(*Child, owner, this, copies); }, owner);
    PointToCopies(copies);
    Reset();
}

bool TrgCustomReport::ShowsPageCount() const
{
    for (const TrgBand* band : bands_)
        for (int i = 0; i < band->GetComponentCount(); ++i)
            if (band->GetComponentAt(i)->ShowsPageCount())
                return true;
    return false;
}

void TrgCustomReport::Reset()
{
    TrgProducer::Reset();
    if (!Loading() && !PrintInProgress() && engine_)
        engine_->Reset();
}

void TrgCustomReport::AbortJob(const QString& Message)
{
    TrgProducer::AbortJob(Message);
    if (engine_->PageRequestRunning()) {
        engine_->SetStop(true);
        engine_->Stop();
    }
    if (!engine_->ErrorTolerant)
        throw EPrintError(Message);
}

void TrgCustomReport::Cancel()
{
    TrgProducer::Cancel();
    engine_->SetStop(true);
}

void TrgCustomReport::AddEngineStates(TrgStateSet States) { engine_->AddEngineStates(States); }

void TrgCustomReport::RemoveEngineStates(TrgStateSet States) { engine_->RemoveEngineStates(States); }

void TrgCustomReport::EngineEndPage()
{
    DoOnEndPage();
    if (pageLimit_ > 0 && engine_->GetPageNo() >= pageLimit_)
        engine_->Stop();
}

void TrgCustomReport::Loaded()
{
    if (bands_.empty()) {
        // A report without bands gets the default set: header, detail and
        // footer, and column header and footer with more than one column.
        auto* owner = Owner() ? Owner() : this;
        AddBand(new TrgHeaderBand(owner));
        if (columns_ > 1)
            AddBand(new TrgColumnHeaderBand(owner));
        AddBand(new TrgDetailBand(owner));
        if (columns_ > 1)
            AddBand(new TrgColumnFooterBand(owner));
        AddBand(new TrgFooterBand(owner));
    }
    if (FormatSettings().DecimalSeparator != QLatin1Char('.')) {
        rgFixDecimalSeparators(&columnPositions_);
        for (TrgBand* band : bands_)
            for (int c = 0; c < band->GetComponentCount(); ++c)
                band->GetComponentAt(c)->FixDecimalSeparators();
    }
    TrgProducer::Loaded();
    // A report that keeps its layout in a template takes it from there;
    // what was streamed stays when the template cannot be read.
    if (SaveAsTemplate && !rgTemplateReading()) {
        TrgCustomReport* main = GetMainReport();
        if (main && main != this)
            main->ReportNotify(this);
        try {
            rgReportTemplate(this)->Load();
        } catch (const std::exception&) {
        }
    }
}

void TrgCustomReport::ConvertVersion(int StoredVersion)
{
    for (TrgBand* band : bands_)
        band->ConvertFromVersion(StoredVersion);
    for (TrgGroup* group : groups_)
        group->ConvertFromVersion(StoredVersion);
}

void TrgCustomReport::DefineReportProperties(TFiler& Filer)
{
    Filer.DefineProperty(
        QStringLiteral("Version"), [this](TReader& Reader) { SetVersionString(Reader.ReadString()); },
        [](TWriter& Writer) { Writer.WriteString(QString::fromLatin1(kStreamVersion)); }, true);
    Filer.DefineProperty(
        QStringLiteral("mmColumnWidth"), [this](TReader& Reader) {
            mmColumnWidth_ = rgCheckedLength(Reader.ReadInteger(), QStringLiteral("mmColumnWidth"));
        },
        [this](TWriter& Writer) { Writer.WriteInteger(mmColumnWidth_); }, true);
    Filer.DefineProperty(
        QStringLiteral("RulerUnits"),
        [this](TReader& Reader) {
            const QString ident = Reader.ReadIdent();
            if (ident == QLatin1String("utPixels"))
                SetUnits(utScreenPixels);
            else if (ident == QLatin1String("utInches"))
                SetUnits(utInches);
            else if (ident == QLatin1String("utMillimeters"))
                SetUnits(utMillimeters);
        },
        nullptr, false);
}

// ---- TrgReport ---------------------------------------------------------------

TrgReport::TrgReport(TComponent* AOwner) : TrgCustomReport(AOwner)
{
    cache_ = std::make_unique<TrgCacheManager>(nullptr, this);
    engine_->OnResetCache = [this] { cache_->ResetCache(); };
    engine_->OnRestoreState = [this](int Page) { cache_->RestorePage(Page - 1); };
    engine_->OnSaveState = [this](int Page) { cache_->SavePage(Page); };
    engine_->OnLastCachedPage = [this] { return cache_->HighestCachedPage(); };
}

TrgReport::~TrgReport()
{
    BeginDestroy();
    cache_->ClearCache();
    engine_->OnResetCache = nullptr;
    engine_->OnRestoreState = nullptr;
    engine_->OnSaveState = nullptr;
    engine_->OnLastCachedPage = nullptr;
    cache_.reset();
}

void TrgReport::ReportNotify(TrgCustomReport* Report)
{
    if (OnReportNotify)
        OnReportNotify(Report);
}

void TrgReport::CopySettings(const TrgProducer* Source)
{
    TrgCustomReport::CopySettings(Source);
    if (const auto* source = dynamic_cast<const TrgReport*>(Source); source && source != this) {
        LegacyDataSourceName = source->LegacyDataSourceName;
        OnReportNotify = source->OnReportNotify;
    }
}

void TrgReport::ConvertVersion(int StoredVersion)
{
    TrgCustomReport::ConvertVersion(StoredVersion);
    if (StoredVersion < 1270 && LegacyLandscape)
        PrinterSetup()->SetOrientation(poLandscape);
}

void TrgReport::DefineLegacyProperties(TFiler& Filer)
{
    auto read = [&Filer](const char* Name, std::function<void(TReader&)> Read) {
        Filer.DefineProperty(QString::fromLatin1(Name), Read, nullptr, false);
    };
    read("AllowPrintCancel", [](TReader& Reader) { Reader.ReadBoolean(); });
    read("DataSource", [this](TReader& Reader) { LegacyDataSourceName = Reader.ReadIdent(); });
    read("OnPrintingComplete", [this](TReader& Reader) { LegacyCompletionHandlerName = Reader.ReadIdent(); });
    read("Orientation", [this](TReader& Reader) { LegacyLandscape = Reader.ReadIdent() == QLatin1String("poLandscape"); });
    read("NoDataPages", [this](TReader& Reader) { SetPageLimit(Reader.ReadInteger()); });
    read("PreviewPages", [](TReader& Reader) { Reader.ReadInteger(); });
    read("RowSpacing", [this](TReader& Reader) { LegacyRowSpacing = float(Reader.ReadFloat()); });
    read("SuppressFormFeed", [](TReader& Reader) { Reader.ReadBoolean(); });
    read("Viewer", [](TReader& Reader) { Reader.ReadIdent(); });
}

void TrgReport::SetCachePages(bool Value)
{
    if (!PageRequestRunning())
        cachePages_ = Value;
}

void TrgReport::Publish()
{
    if (!engine_->PageRequestRunning() && !engine_->Stopped()) {
        Publisher()->SetCachePages(cachePages_);
        engine_->Reset();
    }
    TrgCustomReport::Publish();
}

void TrgReport::PageRequest(TrgPageSettingType Setting, int PageNo, const TStringList* PageList)
{
    DoOnPageRequest(Setting, PageNo, PageList);
    SetPageRequestRunning(true);
    struct TEnd {
        TrgReport& Report;
        ~TEnd()
        {
            Report.SetPageRequestRunning(false);
            if (Report.engine_->Stopped())
                Report.engine_->Reset();
        }
    } end{*this};
    TrgPage* page = engine_->Page();
    if (!page->PrinterSetup() || !page->PrinterSetup()->IsEqual(*PrinterSetup()))
        page->SetPrinterSetup(PrinterSetup());
    QStringList list;
    if (PageList)
        for (int i = 0; i < PageList->Count(); ++i)
            list << PageList->Strings(i);
    engine_->PageRequest(Setting, PageNo, &list);
}

void TrgReport::PageGenerated() { Publisher()->ReceivePage(engine_->Page()); }

std::vector<TrgCacheable*> TrgReport::CacheablesInOrder()
{
    std::vector<TrgCacheable*> objects;
    if (DataPipeline())
        objects.push_back(DataPipeline());
    if (auto* detail = dynamic_cast<TrgDetailBand*>(FindBand(bkDetail)); detail && detail->DataPipeline())
        objects.push_back(detail->DataPipeline());
    objects.push_back(engine_.get());
    for (int i = 0; i < GetGroupCount(); ++i)
        objects.push_back(GetGroupAt(i));
    for (int i = 0; i < GetBandCount(); ++i) {
        TrgBand* band = GetBandAt(i);
        objects.push_back(band);
        for (int c = 0; c < band->GetComponentCount(); ++c)
            objects.push_back(band->GetComponentAt(c));
    }
    return objects;
}

void TrgReport::Cancel()
{
    TrgProducer::Cancel();
    if (reportBeingGenerated_ && reportBeingGenerated_ != this)
        reportBeingGenerated_->Cancel();
    engine_->SetStop(true);
}

void TrgReport::CancelGeneration()
{
    engine_->SetStop(true);
    engine_->Stop();
}

void rgCheckReportGeometry(const TrgCustomReport& Report)
{
    for (int i = 0; i < int(TrgPrinterSetup::DefinedPropertyNames.size()); ++i)
        rgCheckedLength(Report.PrinterSetup()->DefinedValue(i),
                        QString::fromLatin1(TrgPrinterSetup::DefinedPropertyNames[size_t(i)]));
    rgCheckedLength(Report.mmColumnWidth(), QStringLiteral("mmColumnWidth"));
    for (int i = 0; i < Report.GetGroupCount(); ++i) {
        const TrgGroup* group = Report.GetGroupAt(i);
        rgCheckedLength(group->mmNewColumnThreshold, group->Name + QStringLiteral(".mmNewColumnThreshold"));
        rgCheckedLength(group->mmNewPageThreshold, group->Name + QStringLiteral(".mmNewPageThreshold"));
    }
    for (int b = 0; b < Report.GetBandCount(); ++b) {
        const TrgBand* band = Report.GetBandAt(b);
        rgCheckedLength(band->mmHeight(), band->Name + QStringLiteral(".mmHeight"));
        rgCheckedLength(band->mmBottomOffset(), band->Name + QStringLiteral(".mmBottomOffset"));
        rgCheckedLength(band->mmPrintPosition(), band->Name + QStringLiteral(".mmPrintPosition"));
        for (int c = 0; c < band->GetComponentCount(); ++c) {
            const TrgComponent* component = band->GetComponentAt(c);
            const std::pair<int, const char*> lengths[] = {{component->mmLeft(), ".mmLeft"},
                                                           {component->mmTop(), ".mmTop"},
                                                           {component->mmWidth(), ".mmWidth"},
                                                           {component->mmHeight(), ".mmHeight"}};
            for (const auto& [value, name] : lengths)
                rgCheckedLength(value, component->Name + QString::fromLatin1(name));
        }
    }
}

// ---- stream form ---------------------------------------------------------------

namespace {

using rgdescribe::Get;
using rgdescribe::Put;
using rgdescribe::Enum;

void DescribeReportClasses()
{
    rgRegisterTextComponentClasses();
    rgRegisterBandClasses();
    rgRegisterGroupClasses();
    const TEnumInfo* passSettings = Enum("TrgPassSettingType", TrgPassSettingTypeIdentifiers);
    const TEnumInfo* units = Enum("TrgUnitType", TrgUnitTypeIdentifiers);
    const TEnumInfo* devices = Enum("TrgDeviceType", TrgDeviceTypeIdentifiers);
    const TEnumInfo* languages = Enum("TrgLanguageType", TrgLanguageTypeIdentifiers);
    const TEnumInfo* fileTypes = Enum("TrgFileType", TrgFileTypeIdentifiers);

    using C = TrgCustomReport;
    DescribeClass<C, TComponent>(QStringLiteral("TrgCustomReport"))
        .Integer("Columns", Get(&C::Columns), Put(&C::SetColumns)).Default(1)
        .Strings("ColumnPositions", [](C& c) { return c.ColumnPositions(); })
        .Integer("PageLimit", Get(&C::PageLimit), Put(&C::SetPageLimit)).Default(0)
        .Enum("PassSetting", passSettings, Get(&C::PassSetting), Put(&C::SetPassSetting)).Default(psOnePass)
        .Object("PrinterSetup", [](C& c) { return c.PrinterSetup(); })
        .Boolean("SaveAsTemplate", &C::SaveAsTemplate).Default(false)
        .Enum("Units", units, Get(&C::Units), Put(&C::SetUnits)).Default(utInches)
        .DefineProperties([](C& report, TFiler& filer) { report.DefineReportProperties(filer); })
        .Children([](C& report, const TGetChildProc& proc, TComponent*) {
            // Group bands are children of their group.
            for (int i = 0; i < report.GetBandCount(); ++i)
                if (!dynamic_cast<TrgGroupBand*>(report.GetBandAt(i)))
                    proc(report.GetBandAt(i));
            for (int i = 0; i < report.GetGroupCount(); ++i)
                proc(report.GetGroupAt(i));
        });

    using R = TrgReport;
    DescribeClass<R, C>(QStringLiteral("TrgReport"))
        .Boolean("AllowPrintToArchive", Get(&R::AllowPrintToArchive), Put(&R::SetAllowPrintToArchive)).Default(false)
        .Boolean("AllowPrintToFile", Get(&R::AllowPrintToFile), Put(&R::SetAllowPrintToFile)).Default(false)
        .String("ArchiveFileName", Get(&R::ArchiveFileName), [](R& r, const QString& v) { r.SetArchiveFileName(v); })
        .Boolean("CachePages", Get(&R::CachePages), Put(&R::SetCachePages)).Default(false)
        .Enum("Device", devices, Get(&R::Device), Put(&R::SetDevice)).Default(dvScreen)
        .Enum("Language", languages, Get(&R::Language), Put(&R::SetLanguage)).Default(lgEnglish)
        .Boolean("ModalCancelDialog", Get(&R::ModalCancelDialog), Put(&R::SetModalCancelDialog)).Default(true)
        .Boolean("ModalPreview", Get(&R::ModalPreview), Put(&R::SetModalPreview)).Default(true)
        .Boolean("SavePrinterSetup", [](const R& r) { return r.SavePrinterSetup; }, [](R& r, bool v) { r.SavePrinterSetup = v; })
        .Default(false)
        .Boolean("ShowCancelDialog", Get(&R::ShowCancelDialog), Put(&R::SetShowCancelDialog)).Default(true)
        .Boolean("ShowPrintDialog", Get(&R::ShowPrintDialog), Put(&R::SetShowPrintDialog)).Default(true)
        .String("TextFileName", Get(&R::TextFileName), [](R& r, const QString& v) { r.SetTextFileName(v); })
        .Enum("TextFileType", fileTypes, Get(&R::TextFileType), Put(&R::SetTextFileType)).Default(ftComma)
        .DefineProperties([](R& report, TFiler& filer) { report.DefineLegacyProperties(filer); });
}

}  // namespace

void rgRegisterReportClasses()
{
    static const bool described = (DescribeReportClasses(), true);
    (void)described;
    RegisterClass(ClassInfoFor<TrgReport>());
    rgRegisterTextComponentClasses();
    rgRegisterBandClasses();
    rgRegisterGroupClasses();
}
