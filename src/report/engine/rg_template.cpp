#include "report/engine/rg_template.h"
#include "report/engine/rg_describe.h"

#include <QtEndian>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/core/file_utils.h"
#include "platform/core/streams.h"
#include "platform/core/win1252.h"
#include "platform/stream/class_registry.h"
#include "platform/stream/component_reader.h"
#include "platform/stream/component_writer.h"
#include "platform/stream/stream_format.h"
#include "platform/stream/stream_text.h"
#include "report/engine/rg_bands.h"
#include "report/engine/rg_groups.h"
#include "report/engine/rg_method_owner.h"
#include "report/engine/rg_pipeline.h"
#include "report/engine/rg_report.h"
#include "report/engine/rg_stretchable.h"
#include "report/output/rg_comm.h"
#include "report/output/rg_forms.h"
#include "report/output/rg_strings.h"
#include "report/output/rg_utils.h"

namespace {

// Language string offsets of the template's messages.
constexpr int kRecordNotFound = 400, kFileNotFound = 401, kDatabaseReadError = 402, kFieldNotBlob = 403,
              kInvalidFormat = 404, kIgnoreQuestion = 405, kFileReadOnly = 406, kWrongFieldType = 408;

// A template in text form starts with its first object; in binary form
// with the component stream's signature.
constexpr char kTextSignature[] = "object";

bool SignatureAt(const QByteArray& Bytes, qint64 Position, QByteArrayView Signature)
{
    return Position >= 0 && Position + Signature.size() <= Bytes.size() &&
           QByteArrayView(Bytes).sliced(qsizetype(Position), Signature.size()) == Signature;
}

bool AnySignatureAt(const QByteArray& Bytes, qint64 Position)
{
    return SignatureAt(Bytes, Position, kTextSignature) || SignatureAt(Bytes, Position, ComponentStreamSignature());
}

// ---- copying what a component streams from one object to another -------------

// Collects the defined properties one object names.
class TDefinedProperties : public TFiler {
public:
    struct Entry {
        std::function<void(TReader&)> Read;
        std::function<void(TWriter&)> Write;
        std::function<void(const QByteArray&)> ReadBinary;
        std::function<QByteArray()> WriteBinary;
        bool HasData = false;
    };
    std::vector<std::pair<QString, Entry>> Entries;

    void DefineProperty(const QString& Name, const std::function<void(TReader&)>& Read,
                        const std::function<void(TWriter&)>& Write, bool HasData) override
    {
        Entries.push_back({Name, {Read, Write, {}, {}, HasData}});
    }
    void DefineBinaryProperty(const QString& Name, const std::function<void(const QByteArray&)>& Read,
                              const std::function<QByteArray()>& Write, bool HasData) override
    {
        Entries.push_back({Name, {{}, {}, Read, Write, HasData}});
    }
    const Entry* Find(const QString& Name) const
    {
        for (const auto& [name, entry] : Entries)
            if (name == Name)
                return &entry;
        return nullptr;
    }
};

void CopyStreamedProperties(TPersistent& From, TPersistent& To);

void CopyProperty(const TPropInfo& Prop, TPersistent& From, TPersistent& To)
{
    switch (Prop.Kind) {
    case TPropKind::Object:
        if (TPersistent* from = Prop.GetObject(From))
            if (TPersistent* to = Prop.GetObject(To))
                CopyStreamedProperties(*from, *to);
        return;
    case TPropKind::Strings:
        if (TStringList* from = Prop.GetStrings(From))
            if (TStringList* to = Prop.GetStrings(To))
                to->Assign(*from);
        return;
    case TPropKind::Component: Prop.SetComponent(To, Prop.GetComponent(From)); return;
    case TPropKind::Collection:
        Prop.Collection.Clear(To);
        for (int i = 0; i < Prop.Collection.Count(From); ++i)
            CopyStreamedProperties(*Prop.Collection.Item(From, i), *Prop.Collection.Add(To));
        return;
    default:
        if (Prop.Get && Prop.Set)
            Prop.Set(To, Prop.Get(From));
        return;
    }
}

// Every published and defined property the class of From streams, whether
// or not it would be written; the objects are of the same class.
void CopyStreamedProperties(TPersistent& From, TPersistent& To)
{
    const TClassInfo* info = ClassInfoOf(From);
    if (!info)
        return;
    for (const TClassInfo* level : info->Chain()) {
        for (const TPropInfo& prop : level->Properties)
            CopyProperty(prop, From, To);
        if (!level->DefineProperties)
            continue;
        TDefinedProperties source, target;
        level->DefineProperties(From, source);
        level->DefineProperties(To, target);
        for (const auto& [name, entry] : source.Entries) {
            const TDefinedProperties::Entry* into = target.Find(name);
            if (!entry.HasData || !into)
                continue;
            if (entry.Write && into->Read) {
                QByteArray value;
                TWriter writer(value);
                entry.Write(writer);
                TReader reader(value);
                into->Read(reader);
            } else if (entry.WriteBinary && into->ReadBinary) {
                into->ReadBinary(entry.WriteBinary());
            }
        }
    }
}

}  // namespace

void rgCopyStreamedProperties(TPersistent& From, TPersistent& To) { CopyStreamedProperties(From, To); }

// ---- TrgTemplateDBSettings -----------------------------------------------------

void TrgTemplateDBSettings::SetName(const QString& Value)
{
    name_ = Value;
    if (OnNameChange)
        OnNameChange(this);
}

void TrgTemplateDBSettings::Assign(const TrgTemplateDBSettings& Source)
{
    SetDataPipeline(Source.DataPipeline());
    name_ = Source.name_;
    NameField = Source.NameField;
    TemplateField = Source.TemplateField;
}

// ---- TrgReportTemplate ---------------------------------------------------------

TrgReportTemplate::TrgReportTemplate(TrgCustomReport* Report) : TComponent(Report), report_(Report)
{
    databaseSettings_.OnNameChange = [this](TObject*) { NameChanged(); };
}

TrgReportTemplate::~TrgReportTemplate() = default;

TrgReportTemplate* rgReportTemplate(TrgCustomReport* Report)
{
    if (!Report)
        return nullptr;
    for (int i = 0; i < Report->ComponentCount(); ++i)
        if (auto* found = dynamic_cast<TrgReportTemplate*>(Report->Components(i)))
            return found;
    return new TrgReportTemplate(Report);
}

void TrgReportTemplate::SetFileName(const QString& Value)
{
    fileName_ = Value;
    NameChanged();
}

TComponent* TrgReportTemplate::ReadOwner() const
{
    if (!report_)
        return nullptr;
    return report_->Owner() ? report_->Owner() : report_;
}

QString TrgReportTemplate::GetTemplateName() const
{
    return SaveTo == stFile ? fileName_ : databaseSettings_.Name();
}

void TrgReportTemplate::SetTemplateName(const QString& Value)
{
    if (SaveTo == stFile)
        SetFileName(Value);
    else
        databaseSettings_.SetName(Value);
}

void TrgReportTemplate::Assign(const TrgReportTemplate& Source)
{
    databaseSettings_.Assign(Source.databaseSettings_);
    fileName_ = Source.fileName_;
    Offset = Source.Offset;
    SaveTo = Source.SaveTo;
    Format = Source.Format;
}

QString TrgReportTemplate::Text(int Id) const
{
    const int base = report_ ? report_->LanguageIndex() : rgLanguageResourceBase(lgEnglish);
    return rgLoadString(base + Id);
}

bool TrgReportTemplate::IsReadOnly() const
{
    const int attributes = FileGetAttr(fileName_);
    return attributes != -1 && (attributes & faReadOnly);
}

bool TrgReportTemplate::DatabaseSettingsComplete() const
{
    return databaseSettings_.DataPipeline() && !databaseSettings_.NameField.isEmpty() &&
           !databaseSettings_.TemplateField.isEmpty();
}

// ---- loading -------------------------------------------------------------------

void TrgReportTemplate::Load()
{
    LoadBytes(SaveTo == stDatabase);
}

void TrgReportTemplate::LoadFromFile()
{
    LoadBytes(false);
}

void TrgReportTemplate::LoadFromDatabase()
{
    LoadBytes(true);
}

void TrgReportTemplate::LoadBytes(bool FromDatabase)
{
    ignoreAll_ = false;
    if (!FromDatabase) {
        if (!FileExists(fileName_))
            throw ETemplateLoadError(Text(kFileNotFound) + QLatin1Char(' ') + fileName_);
    } else {
        TrgDataPipeline* pipeline = databaseSettings_.DataPipeline();
        if (pipeline)
            pipeline->Open();
        if (!DatabaseSettingsComplete() ||
            !pipeline->Locate(databaseSettings_.NameField, databaseSettings_.Name(), loCaseInsensitive))
            throw ETemplateLoadError(Text(kRecordNotFound) + QLatin1Char(' ') + databaseSettings_.Name());
    }
    if (!BeforeLoad())
        return;
    bool success = false;
    try {
        QByteArray bytes = ReadStoredBytes(FromDatabase);
        DoLoadStream(bytes);
        LocateTemplate(bytes);
        QByteArray stream = Offset > 0 ? bytes.mid(Offset) : bytes;
        BeforeReadStream(stream);
        if (Format == ftASCII) {
            ConvertTextStream(stream);
            stream = ObjectTextToBinary(stream);
            stream.append('\0');
        }
        ReadTemplate(stream);
        success = true;
    } catch (...) {
        AfterLoad(false);
        if (OnLoadEnd)
            OnLoadEnd(report_);
        throw;
    }
    AfterLoad(success);
    if (OnLoadEnd)
        OnLoadEnd(report_);
}

QByteArray TrgReportTemplate::ReadStoredBytes(bool FromDatabase)
{
    if (!FromDatabase) {
        TMemoryStream file;
        file.LoadFromFile(fileName_);
        return file.Bytes();
    }
    TrgDataPipeline* pipeline = databaseSettings_.DataPipeline();
    if (pipeline->GetFieldDataType(databaseSettings_.TemplateField) != dtBLOB)
        throw ETemplateLoadError(Text(kFieldNotBlob) + QLatin1Char(' ') + databaseSettings_.TemplateField);
    TMemoryStream field;
    try {
        pipeline->GetFieldAsStream(databaseSettings_.TemplateField, field);
    } catch (...) {
        throw ETemplateLoadError(Text(kDatabaseReadError));
    }
    return field.Bytes();
}

void TrgReportTemplate::LocateTemplate(const QByteArray& Bytes)
{
    if (!AnySignatureAt(Bytes, Offset)) {
        if (AnySignatureAt(Bytes, 0)) {
            Offset = 0;
        } else if (Bytes.size() >= 4) {
            const qint32 position = qFromLittleEndian<qint32>(Bytes.constData());
            if (position >= 1 && AnySignatureAt(Bytes, position))
                Offset = position;
        }
    }
    if (SignatureAt(Bytes, Offset, kTextSignature))
        Format = ftASCII;
    else if (SignatureAt(Bytes, Offset, ComponentStreamSignature()))
        Format = ftBinary;
    else
        throw EInvalidTemplateError(Text(kInvalidFormat));
}

namespace {
int templateReads = 0;
}  // namespace

bool rgTemplateReading() { return templateReads > 0; }

void TrgReportTemplate::ReadTemplate(const QByteArray& Binary)
{
    struct TReading {
        TReading() { ++templateReads; }
        ~TReading() { --templateReads; }
    } reading;
    TComponent* owner = ReadOwner();
    wantedNames_.clear();
    std::vector<TComponent*> read;
    TReader reader(Binary);
    reader.Root = owner;
    reader.OnSetName = [this](TReader&, TComponent* Component, QString& Name) { ReaderSetName(Component, Name); };
    reader.OnFindMethod = [this](TReader&, const QString& Method, bool& Error) { ReaderFindMethod(Method, Error); };
    reader.OnError = [this](TReader&, const QString& Message, bool& Handled) { ReaderError(Message, Handled); };
    reader.ReadComponents(owner, nullptr, [&read](TComponent* Component) { read.push_back(Component); });
    // The first report read becomes the new layout; anything else a
    // template may hold beside it is not kept.
    for (TComponent* component : read) {
        if (!loadedReport_ && dynamic_cast<TrgCustomReport*>(component))
            ComponentRead(component);
        else
            delete component;
    }
    if (!loadedReport_)
        throw EInvalidTemplateError(Text(kInvalidFormat));
    RelinkShiftTargets();
    // Lengths set through their unit forms are checked here, once read.
    rgCheckReportGeometry(*loadedReport_);
}

void TrgReportTemplate::RelinkShiftTargets()
{
    // A component read under a passing name (its own still held by the
    // layout being replaced) is what the template's references mean: a
    // component that shifts relative to the old holder of the name shifts
    // relative to the new one.
    for (int b = 0; b < loadedReport_->GetBandCount(); ++b) {
        TrgBand* band = loadedReport_->GetBandAt(b);
        for (int c = 0; c < band->GetComponentCount(); ++c) {
            auto* stretchable = dynamic_cast<TrgStretchable*>(band->GetComponentAt(c));
            TrgStretchable* target = stretchable ? stretchable->ShiftRelativeToTarget() : nullptr;
            if (!target || band->IndexOfComponent(target) >= 0)
                continue;
            for (const auto& [component, name] : wantedNames_)
                if (auto* meant = dynamic_cast<TrgStretchable*>(component);
                    meant && band->IndexOfComponent(meant) >= 0 && name.compare(target->Name, Qt::CaseInsensitive) == 0)
                    stretchable->SetShiftRelativeTo(meant);
        }
    }
}

void TrgReportTemplate::ReaderSetName(TComponent* Component, QString& Name)
{
    TComponent* owner = ReadOwner();
    if (!report_ || Name.isEmpty() || !owner)
        return;
    TComponent* holder = owner->FindComponent(Name);
    if (holder && holder != Component) {
        wantedNames_[Component] = Name;
        rgGetUniqueComponentName(report_, Component, Name);
    }
}

void TrgReportTemplate::ReaderFindMethod(const QString& MethodName, bool& Error)
{
    const auto* owner = dynamic_cast<const TrgMethodOwner*>(ReadOwner());
    Error = !owner || !owner->PublishedMethods().Contains(MethodName);
}

void TrgReportTemplate::ReaderError(const QString& Message, bool& Handled)
{
    Handled = true;
    if (ignoreAll_)
        return;
    std::unique_ptr<TrgCustomTemplateErrorDialog> dialog(rgCreateForm<TrgCustomTemplateErrorDialog>(nullptr));
    if (!dialog) {
        // Nobody to ask: the error ends the load.
        Handled = false;
        return;
    }
    dialog->SetLanguageIndex(report_ ? report_->LanguageIndex() : dialog->LanguageIndex());
    dialog->SetMessage(Message + QLatin1Char('\r') + Text(kIgnoreQuestion));
    switch (dialog->ShowModal()) {
    case mrCancel: Handled = false; break;
    case mrAll: ignoreAll_ = true; break;
    default: break;
    }
}

void TrgReportTemplate::ComponentRead(TComponent* Component)
{
    if (auto* report = dynamic_cast<TrgCustomReport*>(Component)) {
        loadedReport_ = report;
        report->AddStates(rgStateTemplateLoading);
    }
}

bool TrgReportTemplate::BeforeLoad()
{
    if (!report_ || report_->PrintInProgress() || report_->PageRequestRunning())
        return false;
    report_->AddStates(rgStateTemplateLoading);
    return true;
}

void TrgReportTemplate::DoLoadStream(QByteArray& Stream)
{
    if (OnLoadStream)
        OnLoadStream(this, Stream);
}

void TrgReportTemplate::ConvertTextStream(QByteArray& Text)
{
    const QByteArray head = Text.left(1000);
    const qsizetype at = head.indexOf("Version");
    const int version = at < 0 ? 0 : rgVersionToNumber(QString::fromLatin1(Text.mid(at + 11, 30)));
    if (version >= 3000)
        return;
    TStringList lines;
    lines.SetText(Win1252Decode(Text));
    rgConvertTextTemplate(lines);
    TMemoryStream converted;
    rgSaveStringsToStream(&lines, &converted);
    Text = converted.Bytes();
}

void TrgReportTemplate::AfterLoad(bool Success)
{
    if (loadedReport_) {
        if (Success)
            TakeOver(loadedReport_);
        delete loadedReport_;
        loadedReport_ = nullptr;
    }
    wantedNames_.clear();
    if (report_) {
        report_->Reset();
        report_->RemoveStates(rgStateTemplateLoading);
    }
}

void TrgReportTemplate::TakeOver(TrgCustomReport* Source)
{
    TrgCustomReport* report = report_;
    // The old layout goes: groups take their group bands with them, bands
    // their components.
    while (report->GetGroupCount() > 0)
        delete report->GetGroupAt(report->GetGroupCount() - 1);
    while (report->GetBandCount() > 0)
        delete report->GetBandAt(report->GetBandCount() - 1);
    // The report's template keeps what this load found (format, offset,
    // name), not what the stream says of the template it was saved from.
    TrgReportTemplate* own = rgReportTemplate(report);
    const QString fileName = own->fileName_;
    const TrgFormatType format = own->Format;
    const int offset = own->Offset;
    const TrgSaveToType saveTo = own->SaveTo;
    TrgTemplateDBSettings settings;
    settings.Assign(own->databaseSettings_);
    CopyStreamedProperties(*Source, *report);
    own->fileName_ = fileName;
    own->Format = format;
    own->Offset = offset;
    own->SaveTo = saveTo;
    own->databaseSettings_.Assign(settings);
    std::vector<TrgGroup*> groups;
    for (int i = 0; i < Source->GetGroupCount(); ++i)
        groups.push_back(Source->GetGroupAt(i));
    for (TrgGroup* group : groups)
        report->AddGroup(group);
    std::vector<TrgBand*> bands;
    for (int i = 0; i < Source->GetBandCount(); ++i)
        bands.push_back(Source->GetBandAt(i));
    for (TrgBand* band : bands)
        report->AddBand(band);
    // What had to be renamed beside the old layout gets the name the
    // template gave it, now that the old holder is gone.
    if (TComponent* owner = ReadOwner())
        for (int i = 0; i < owner->ComponentCount(); ++i) {
            TComponent* component = owner->Components(i);
            const auto wanted = wantedNames_.find(component);
            if (component != Source && wanted != wantedNames_.end() && !owner->FindComponent(wanted->second))
                component->Name = wanted->second;
        }
}

// ---- saving --------------------------------------------------------------------

void TrgReportTemplate::Save()
{
    SaveBytes(SaveTo == stDatabase);
}

void TrgReportTemplate::SaveToFile()
{
    SaveBytes(false);
}

void TrgReportTemplate::SaveToDatabase()
{
    SaveBytes(true);
}

bool TrgReportTemplate::BeforeSave()
{
    if (report_)
        report_->AddStates(rgStateTemplateSaving);
    return true;
}

void TrgReportTemplate::DoSaveStream(QByteArray& Stream)
{
    if (OnSaveStream)
        OnSaveStream(this, Stream);
}

void TrgReportTemplate::AfterSave(bool)
{
    if (report_)
        report_->RemoveStates(rgStateTemplateSaving);
}

void TrgReportTemplate::SaveBytes(bool ToDatabase)
{
    if (!report_ || (ToDatabase && !DatabaseSettingsComplete()))
        return;
    if (!BeforeSave())
        return;
    if (OnSaveStart)
        OnSaveStart(report_);
    try {
        QByteArray binary;
        TWriter writer(binary);
        writer.Root = ReadOwner();
        writer.WriteSignature();
        writer.WriteComponent(report_);
        QByteArray stream = Format == ftASCII ? ObjectBinaryToText(binary) : binary + QByteArray(1, '\0');
        if (Offset > 0)
            stream.prepend(QByteArray(Offset, '\0'));
        DoSaveStream(stream);
        if (!ToDatabase) {
            if (IsReadOnly())
                throw ETemplateSaveError(Text(kFileReadOnly));
            // Written beside the old file and renamed over it, so a save
            // that fails keeps the old template.
            WriteFileAtomic(fileName_, stream);
        } else {
            TrgDataPipeline* pipeline = databaseSettings_.DataPipeline();
            pipeline->Open();
            if (pipeline->GetFieldDataType(databaseSettings_.TemplateField) != dtBLOB)
                throw ETemplateSaveError(Text(kWrongFieldType));
            if (pipeline->Locate(databaseSettings_.NameField, databaseSettings_.Name(), loCaseInsensitive)) {
                pipeline->Edit();
            } else {
                pipeline->Insert();
                pipeline->SetFieldValue(databaseSettings_.NameField, databaseSettings_.Name());
            }
            TMemoryStream field;
            field.Write(stream.constData(), stream.size());
            field.SetPosition(0);
            pipeline->SetFieldFromStream(databaseSettings_.TemplateField, field);
            pipeline->Post();
        }
    } catch (...) {
        AfterSave(false);
        throw;
    }
    AfterSave(true);
}

// ---- the template in the report's stream ------------------------------------------

namespace {

using rgdescribe::Enum;

void DescribeTemplateClasses()
{
    using D = TrgTemplateDBSettings;
    DescribeClass<D, TPersistent>(QStringLiteral("TrgTemplateDBSettings"))
        .Component("DataPipeline", [](const D& d) -> TComponent* { return d.DataPipeline(); },
                   [](D& d, TComponent* c) { d.SetDataPipeline(dynamic_cast<TrgDataPipeline*>(c)); })
        // A pipeline is found again by its name; one without a name is not written.
        .Stored([](const D& d) { return d.DataPipeline() && !d.DataPipeline()->Name.isEmpty(); })
        .String("Name", [](const D& d) { return d.Name(); }, [](D& d, const QString& v) { d.SetName(v); })
        .Default(QString())
        .String("NameField", &D::NameField).Default(QString())
        .String("TemplateField", &D::TemplateField).Default(QString());
    using T = TrgReportTemplate;
    DescribeClass<T, TComponent>(QStringLiteral("TrgReportTemplate"))
        .Object("DatabaseSettings", [](T& t) { return t.DatabaseSettings(); })
        .String("FileName", [](const T& t) { return t.FileName(); }, [](T& t, const QString& v) { t.SetFileName(v); })
        .Default(QString())
        .Integer("Offset", &T::Offset).Default(0)
        .Enum("SaveTo", Enum("TrgSaveToType", TrgSaveToTypeIdentifiers), &T::SaveTo).Default(stFile)
        .Enum("Format", Enum("TrgFormatType", TrgFormatTypeIdentifiers), &T::Format).Default(ftBinary);
}

}  // namespace

void rgPublishReportTemplate()
{
    static const bool described = (DescribeTemplateClasses(), true);
    (void)described;
    auto* report = const_cast<TClassInfo*>(ClassInfoFor<TrgCustomReport>());
    if (!report || report->FindProperty(QStringLiteral("Template")))
        return;
    TPropInfo prop;
    prop.Name = QStringLiteral("Template");
    prop.Kind = TPropKind::Object;
    prop.GetObject = [](TPersistent& o) -> TPersistent* {
        return rgReportTemplate(&static_cast<TrgCustomReport&>(o));
    };
    report->Properties.push_back(std::move(prop));
}

// ---- a blank layout --------------------------------------------------------------

void TrgReportTemplate::New()
{
    if (!report_)
        return;
    const TClassInfo* info = ClassInfoOf(*report_);
    std::unique_ptr<TComponent> blank(info && info->Create ? info->Create(nullptr) : nullptr);
    auto* source = dynamic_cast<TrgCustomReport*>(blank.get());
    if (!source)
        return;
    wantedNames_.clear();
    TakeOver(source);
    report_->Reset();
    if (OnNew)
        OnNew(report_);
}
