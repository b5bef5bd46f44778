#include "report/engine/rg_component_registry.h"

#include <algorithm>

#include "platform/core/exceptions.h"
#include "report/engine/rg_bands.h"
#include "report/engine/rg_groups.h"
#include "report/engine/rg_image.h"
#include "report/engine/rg_memo.h"
#include "report/engine/rg_printable.h"
#include "report/engine/rg_report.h"
#include "report/engine/rg_shapes.h"
#include "report/engine/rg_template_dialogs.h"
#include "report/engine/rg_text_components.h"

// ---- the list ------------------------------------------------------------------

const TrgRegComponent* TrgRegComponentClassList::Find(const QString& ClassName) const
{
    for (const auto& [name, entry] : entries_)
        if (name.compare(ClassName, Qt::CaseInsensitive) == 0)
            return entry.get();
    return nullptr;
}

std::vector<const TrgRegComponent*> TrgRegComponentClassList::Category(const QString& Name) const
{
    std::vector<const TrgRegComponent*> result;
    for (const auto& entry : entries_)
        if (entry.second->Category == Name)
            result.push_back(entry.second.get());
    std::stable_sort(result.begin(), result.end(),
                     [](const TrgRegComponent* a, const TrgRegComponent* b) { return a->Position < b->Position; });
    return result;
}

void TrgRegComponentClassList::Add(const QString& ClassName, std::unique_ptr<TrgRegComponent> Entry)
{
    entries_.emplace_back(ClassName, std::move(Entry));
    Changed();
}

bool TrgRegComponentClassList::Delete(const QString& ClassName)
{
    const auto it = std::find_if(entries_.begin(), entries_.end(), [&](const auto& entry) {
        return entry.first.compare(ClassName, Qt::CaseInsensitive) == 0;
    });
    if (it == entries_.end())
        return false;
    entries_.erase(it);
    Changed();
    return true;
}

int TrgRegComponentClassList::AddListener(TListener Listener)
{
    const int id = nextListener_++;
    listeners_[id] = std::move(Listener);
    return id;
}

void TrgRegComponentClassList::RemoveListener(int Id)
{
    listeners_.erase(Id);
}

void TrgRegComponentClassList::Changed()
{
    // A listener may remove itself while it is told.
    const auto listeners = listeners_;
    for (const auto& [id, listener] : listeners)
        if (listener)
            listener();
}

TrgRegComponentClassList& GetRegisteredComponents()
{
    static TrgRegComponentClassList list;
    return list;
}

// ---- registration --------------------------------------------------------------

void rgRegisterComponentClass(const TClassInfo* ComponentClass, const QString& Category, int Position,
                              int CaptionId, const QString& SecondName, int Reserved)
{
    if (!ComponentClass)
        throw EInvalidOperation(QStringLiteral("Keine Komponentenklasse zum Registrieren angegeben"));
    TrgRegComponentClassList& list = GetRegisteredComponents();
    const QString key = ComponentClass->ClassName;
    if (list.Delete(key))
        UnRegisterClass(ComponentClass);
    auto entry = std::make_unique<TrgRegComponent>();
    entry->Reserved = Reserved;
    entry->ComponentClass = ComponentClass;
    entry->Position = Position;
    entry->Category = Category;
    entry->SecondName = SecondName;
    entry->CaptionId = CaptionId;
    RegisterClass(ComponentClass);
    list.Add(key, std::move(entry));
}

void rgUnRegisterComponentClass(const TClassInfo* ComponentClass)
{
    if (!ComponentClass || !GetRegisteredComponents().Find(ComponentClass->ClassName))
        return;
    UnRegisterClass(ComponentClass);
    GetRegisteredComponents().Delete(ComponentClass->ClassName);
}

// ---- event properties ------------------------------------------------------------

namespace {

// The handler a form publishes under Name for the owner of Component; an
// unset handler when the owner publishes none (the name is kept all the same).
template <class Event>
Event PublishedHandler(const TComponent& Component, const QString& Name)
{
    const auto* owner = dynamic_cast<const TrgMethodOwner*>(Component.Owner());
    if (!owner || !owner->PublishedMethods().Contains(Name))
        return nullptr;
    const Event* handler = owner->PublishedMethods().Find<Event>(Name);
    if (!handler)
        throw EInvalidOperation(QStringLiteral("Die Methode %1 passt nicht zu diesem Ereignis").arg(Name));
    return *handler;
}

// Adds the event Member of T to T's stream description as a method property.
template <class T, class Event>
void PublishEvent(const char* Name, Event T::*Member)
{
    auto* info = const_cast<TClassInfo*>(ClassInfoFor<T>());
    const QString name = QString::fromLatin1(Name);
    if (!info || std::any_of(info->Properties.begin(), info->Properties.end(),
                             [&](const TPropInfo& p) { return p.Name == name; }))
        return;
    TPropInfo prop;
    prop.Name = name;
    prop.Kind = TPropKind::Method;
    prop.Get = [Member](const TPersistent& o) -> TPropValue { return rgBoundMethodName(static_cast<const T&>(o).*Member); };
    prop.Set = [Member](TPersistent& o, const TPropValue& v) {
        T& object = static_cast<T&>(o);
        const QString method = std::get<QString>(v);
        if (method.isEmpty())
            object.*Member = nullptr;
        else
            object.*Member = TrgBoundMethod<Event>{method, PublishedHandler<Event>(object, method)};
    };
    info->Properties.push_back(std::move(prop));
}

// Adds the data pipeline reference of T to T's stream description; it is
// written by the pipeline's name and found by name when read.
template <class T>
void PublishDataPipeline()
{
    auto* info = const_cast<TClassInfo*>(ClassInfoFor<T>());
    if (!info || info->FindProperty(QStringLiteral("DataPipeline")))
        return;
    TPropInfo prop;
    prop.Name = QStringLiteral("DataPipeline");
    prop.Kind = TPropKind::Component;
    prop.GetComponent = [](const TPersistent& o) -> TComponent* { return static_cast<const T&>(o).DataPipeline(); };
    prop.SetComponent = [](TPersistent& o, TComponent* c) {
        static_cast<T&>(o).SetDataPipeline(dynamic_cast<TrgDataPipeline*>(c));
    };
    info->Properties.push_back(std::move(prop));
}

void PublishProperties()
{
    PublishDataPipeline<TrgCustomReport>();
    PublishDataPipeline<TrgPrintable>();
    PublishDataPipeline<TrgGroup>();
    PublishDataPipeline<TrgDetailBand>();
    PublishEvent<TrgPrintable>("OnPrint", &TrgPrintable::OnPrint);
    PublishEvent<TrgPrintable>("OnDrawCommandClick", &TrgPrintable::OnDrawCommandClick);
    PublishEvent<TrgPrintable>("OnDrawCommandCreate", &TrgPrintable::OnDrawCommandCreate);
    PublishEvent<TrgCustomText>("OnFormat", &TrgCustomText::OnFormat);
    PublishEvent<TrgCustomText>("OnGetText", &TrgCustomText::OnGetText);
    PublishEvent<TrgDBImage>("OnGetPicture", &TrgDBImage::OnGetPicture);
    PublishEvent<TrgDBMemo>("OnGetMemo", &TrgDBMemo::OnGetMemo);
    PublishEvent<TrgBand>("AfterGenerate", &TrgBand::AfterGenerate);
    PublishEvent<TrgBand>("AfterPrint", &TrgBand::AfterPrint);
    PublishEvent<TrgBand>("BeforeGenerate", &TrgBand::BeforeGenerate);
    PublishEvent<TrgBand>("BeforePrint", &TrgBand::BeforePrint);
    PublishEvent<TrgGroup>("AfterGroupBreak", &TrgGroup::AfterGroupBreak);
    PublishEvent<TrgGroup>("BeforeGroupBreak", &TrgGroup::BeforeGroupBreak);
    PublishEvent<TrgGroup>("OnGetBreakValue", &TrgGroup::OnGetBreakValue);
    using R = TrgCustomReport;
    PublishEvent<R, TNotifyEvent>("AfterPrint", &R::AfterPrint);
    PublishEvent<R, TNotifyEvent>("BeforePrint", &R::BeforePrint);
    PublishEvent<R, TNotifyEvent>("OnCancel", &R::OnCancel);
    PublishEvent<R>("OnEndColumn", &R::OnEndColumn);
    PublishEvent<R>("OnEndFirstPass", &R::OnEndFirstPass);
    PublishEvent<R>("OnEndPage", &R::OnEndPage);
    PublishEvent<R>("OnEndSecondPass", &R::OnEndSecondPass);
    PublishEvent<R, TNotifyEvent>("OnPrintingComplete", &R::OnPrintingComplete);
    PublishEvent<R>("OnStartColumn", &R::OnStartColumn);
    PublishEvent<R>("OnStartFirstPass", &R::OnStartFirstPass);
    PublishEvent<R>("OnStartPage", &R::OnStartPage);
    PublishEvent<R>("OnStartSecondPass", &R::OnStartSecondPass);
}

// The built-in palette. Classes whose module is not part of the engine yet
// are left out until it is.
struct TBuiltIn {
    const char* ClassName;
    const char* Category;
    int Position;
    int CaptionId;
};

constexpr TBuiltIn kBuiltIns[] = {
    {"TrgLabel", "Standard Components", 0, 172},     {"TrgMemo", "Standard Components", 1, 175},
    {"TrgRichText", "Standard Components", 2, 351},  {"TrgCalc", "Standard Components", 3, 162},
    {"TrgImage", "Standard Components", 4, 170},     {"TrgShape", "Standard Components", 5, 178},
    {"TrgLine", "Standard Components", 6, 174},      {"TrgBarCode", "Standard Components", 7, 460},
    {"TrgDBText", "Data Components", 0, 167},        {"TrgDBMemo", "Data Components", 1, 166},
    {"TrgDBRichText", "Data Components", 2, 352},    {"TrgDBCalc", "Data Components", 3, 164},
    {"TrgDBImage", "Data Components", 4, 165},       {"TrgDBBarCode", "Data Components", 5, 461},
    {"TrgRegion", "Advanced Components", 0, 368},    {"TrgSubReport", "Advanced Components", 1, 369},
};

}  // namespace

void rgRegisterBuiltInComponentClasses()
{
    // Each module describes its classes and registers them by name.
    rgRegisterReportClasses();
    rgRegisterMemoClasses();
    rgRegisterImageComponentClasses();
    rgRegisterGraphicComponentClasses();
    static const bool published = (PublishProperties(), true);
    (void)published;
    TrgTemplateErrorDialog::Register();
    for (const TBuiltIn& builtIn : kBuiltIns) {
        const QString name = QString::fromLatin1(builtIn.ClassName);
        const TrgRegComponent* entry = GetRegisteredComponents().Find(name);
        const TClassInfo* info = entry ? entry->ComponentClass : GetClass(name);
        if (info)
            rgRegisterComponentClass(info, QString::fromLatin1(builtIn.Category), builtIn.Position,
                                     builtIn.CaptionId);
    }
}
