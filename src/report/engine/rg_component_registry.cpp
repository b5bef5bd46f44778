#include "report/engine/rg_component_registry.h"

#include <algorithm>

#include "platform/core/exceptions.h"
#include "report/engine/rg_bands.h"
#include "report/engine/rg_barcode_components.h"
#include "report/engine/rg_calc.h"
#include "report/engine/rg_calculated_text.h"
#include "report/engine/rg_data_text.h"
#include "report/engine/rg_form_hooks.h"
#include "report/engine/rg_groups.h"
#include "report/engine/rg_image.h"
#include "report/engine/rg_memo.h"
#include "report/engine/rg_printable.h"
#include "report/engine/rg_region.h"
#include "report/engine/rg_report.h"
#include "report/engine/rg_rich_text.h"
#include "report/engine/rg_shapes.h"
#include "report/engine/rg_subreport.h"
#include "report/engine/rg_template.h"
#include "report/engine/rg_text_components.h"

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
    // A pipeline without a name could not be found again: it is not written.
    prop.Stored = [](const TPersistent& o) {
        const TrgDataPipeline* pipeline = static_cast<const T&>(o).DataPipeline();
        return pipeline && !pipeline->Name.isEmpty();
    };
    info->Properties.push_back(std::move(prop));
}

void PublishProperties()
{
    rgPublishReportTemplate();
    PublishDataPipeline<TrgCustomReport>();
    PublishDataPipeline<TrgPrintable>();
    PublishDataPipeline<TrgGroup>();
    PublishDataPipeline<TrgDetailBand>();
    PublishEvent<TrgPrintable>("OnPrint", &TrgPrintable::OnPrint);
    PublishEvent<TrgPrintable>("OnDrawCommandClick", &TrgPrintable::OnDrawCommandClick);
    PublishEvent<TrgPrintable>("OnDrawCommandCreate", &TrgPrintable::OnDrawCommandCreate);
    PublishEvent<TrgCustomText>("OnFormat", &TrgCustomText::OnFormat);
    PublishEvent<TrgCustomText>("OnGetText", &TrgCustomText::OnGetText);
    PublishEvent<TrgCalc>("OnCalc", &TrgCalc::OnCalc);
    PublishEvent<TrgDBCalc>("OnCalc", &TrgDBCalc::OnCalc);
    PublishEvent<TrgDBCalc>("OnGroupBreak", &TrgDBCalc::OnGroupBreak);
    PublishEvent<TrgDBImage>("OnGetPicture", &TrgDBImage::OnGetPicture);
    PublishEvent<TrgDBMemo>("OnGetMemo", &TrgDBMemo::OnGetMemo);
    PublishEvent<TrgDBRichText>("OnGetRichText", &TrgDBRichText::OnGetRichText);
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
    PublishEvent<R, TrgSaveTextEvent>("OnSaveText", &R::OnSaveText);
    PublishEvent<R>("OnStartColumn", &R::OnStartColumn);
    PublishEvent<R>("OnStartFirstPass", &R::OnStartFirstPass);
    PublishEvent<R>("OnStartPage", &R::OnStartPage);
    PublishEvent<R>("OnStartSecondPass", &R::OnStartSecondPass);
}

// The built-in palette: each class with its category, its position there
// and the string number of its caption.
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
    // Each module describes its classes and makes them known by name.
    rgRegisterReportClasses();
    rgRegisterDataTextClasses();
    rgRegisterDBCalcClasses();
    rgRegisterCalculatedTextClasses();
    rgRegisterMemoClasses();
    rgRegisterImageComponentClasses();
    rgRegisterGraphicComponentClasses();
    rgRegisterRegionClasses();
    rgRegisterRichTextClasses();
    rgRegisterBarCodeComponentClasses();
    rgRegisterSubReportClasses();
    static const bool published = (PublishProperties(), true);
    (void)published;
    // The concrete forms come through the installed hook: the core names none.
    if (const auto& registerForms = rgFormHooks().RegisterForms)
        registerForms();
    TrgRegComponentClassList& list = rgGetRegisteredComponents();
    for (const TBuiltIn& builtIn : kBuiltIns) {
        const QString name = QString::fromLatin1(builtIn.ClassName);
        const int index = list.IndexOf(name);
        const TClassInfo* info = index >= 0 ? list.Entry(index).ComponentClass : GetClass(name);
        if (info)
            rgRegisterComponentClass(info, QString::fromLatin1(builtIn.Category), builtIn.Position,
                                     builtIn.CaptionId);
    }
}
