#include "platform/stream/class_registry.h"

#include <map>
#include <memory>

namespace {

struct Registry {
    std::map<QString, std::unique_ptr<TEnumInfo>> enums;          // key: lower-case type name
    std::map<std::type_index, std::unique_ptr<TClassInfo>> types;
    std::map<QString, const TClassInfo*> byName;                  // key: lower-case class name
    Registry();
};

Registry& TheRegistry()
{
    static Registry registry;
    return registry;
}

TClassInfo& EnsureInfo(Registry& r, std::type_index type)
{
    auto& slot = r.types[type];
    if (!slot)
        slot = std::make_unique<TClassInfo>();
    return *slot;
}

Registry::Registry()
{
    TClassInfo& persistent = EnsureInfo(*this, typeid(TPersistent));
    persistent.ClassName = QStringLiteral("TPersistent");
    persistent.Type = typeid(TPersistent);
    TClassInfo& component = EnsureInfo(*this, typeid(TComponent));
    component.ClassName = QStringLiteral("TComponent");
    component.Type = typeid(TComponent);
    component.Parent = &persistent;
    TClassBuilder<TComponent>(component).Integer(QStringLiteral("Tag"), &TComponent::Tag).Default(0);
}

TEnumInfo* PutEnum(const QString& typeName)
{
    auto& slot = TheRegistry().enums[typeName.toLower()];
    if (!slot)
        slot = std::make_unique<TEnumInfo>();
    slot->TypeName = typeName;
    slot->Items.clear();
    return slot.get();
}

}  // namespace

// ---- enumerations -----------------------------------------------------------

std::optional<int64_t> TEnumInfo::ValueOf(const QString& ident) const
{
    for (const auto& [name, value] : Items)
        if (name.compare(ident, Qt::CaseInsensitive) == 0)
            return value;
    return std::nullopt;
}

const QString* TEnumInfo::IdentOf(int64_t value) const
{
    for (const auto& [name, v] : Items)
        if (v == value)
            return &name;
    return nullptr;
}

const TEnumInfo* RegisterEnum(const QString& typeName, const QStringList& identifiers)
{
    TEnumInfo* info = PutEnum(typeName);
    for (qsizetype i = 0; i < identifiers.size(); ++i)
        info->Items.emplace_back(identifiers[i], int64_t(i));
    return info;
}

const TEnumInfo* RegisterIdentMap(const QString& typeName,
                                  const std::vector<std::pair<QString, int64_t>>& items)
{
    TEnumInfo* info = PutEnum(typeName);
    info->Items = items;
    return info;
}

const TEnumInfo* FindEnum(const QString& typeName)
{
    auto& enums = TheRegistry().enums;
    auto it = enums.find(typeName.toLower());
    return it == enums.end() ? nullptr : it->second.get();
}

// ---- class descriptions -----------------------------------------------------

bool TClassInfo::InheritsFrom(const TClassInfo* other) const
{
    for (const TClassInfo* c = this; c; c = c->Parent)
        if (c == other)
            return true;
    return false;
}

const TPropInfo* TClassInfo::FindProperty(const QString& name) const
{
    for (const TClassInfo* c = this; c; c = c->Parent)
        for (const TPropInfo& p : c->Properties)
            if (p.Name.compare(name, Qt::CaseInsensitive) == 0)
                return &p;
    return nullptr;
}

std::vector<const TClassInfo*> TClassInfo::Chain() const
{
    std::vector<const TClassInfo*> chain;
    for (const TClassInfo* c = this; c; c = c->Parent)
        chain.insert(chain.begin(), c);
    return chain;
}

const TClassInfo* TClassInfo::WithGetChildren() const
{
    for (const TClassInfo* c = this; c; c = c->Parent)
        if (c->GetChildren)
            return c;
    return nullptr;
}

const TClassInfo* TClassInfo::WithSetParent() const
{
    for (const TClassInfo* c = this; c; c = c->Parent)
        if (c->SetParentComponent)
            return c;
    return nullptr;
}

const TClassInfo* ClassInfoOfType(std::type_index type)
{
    auto& types = TheRegistry().types;
    auto it = types.find(type);
    return it == types.end() || it->second->ClassName.isEmpty() ? nullptr : it->second.get();
}

const TClassInfo* ClassInfoOf(const TPersistent& obj)
{
    return ClassInfoOfType(typeid(obj));
}

TClassInfo& stream_detail::NewClassInfo(const QString& className, std::type_index type, std::type_index parent)
{
    Registry& r = TheRegistry();
    const TClassInfo* parentInfo = ClassInfoOfType(parent);
    if (!parentInfo)
        throw EInvalidOperation(QStringLiteral("Die Elternklasse von %1 ist nicht beschrieben").arg(className));
    TClassInfo& info = EnsureInfo(r, type);
    // Describing again replaces the description; the object stays where
    // registrations and other descriptions point at it.
    info.ClassName = className;
    info.Type = type;
    info.Parent = parentInfo;
    info.Create = nullptr;
    info.Properties.clear();
    info.DefineProperties = nullptr;
    info.GetChildren = nullptr;
    info.SetParentComponent = nullptr;
    return info;
}

TPropValue stream_detail::CoerceValue(TPropKind kind, const TPropValue& value)
{
    const auto asNumber = [&value]() -> long double {
        if (const auto* i = std::get_if<int64_t>(&value))
            return static_cast<long double>(*i);
        if (const auto* f = std::get_if<long double>(&value))
            return *f;
        if (const auto* b = std::get_if<bool>(&value))
            return *b ? 1 : 0;
        return 0;
    };
    switch (kind) {
    case TPropKind::Float:
    case TPropKind::Single:
    case TPropKind::Date: return asNumber();
    case TPropKind::Integer:
    case TPropKind::Enum:
    case TPropKind::Set:
    case TPropKind::Currency:
        return std::holds_alternative<int64_t>(value) ? value : TPropValue(static_cast<int64_t>(asNumber()));
    case TPropKind::Boolean: return std::holds_alternative<bool>(value) ? value : TPropValue(asNumber() != 0);
    default: return value;
    }
}

// ---- registry by name -------------------------------------------------------

void RegisterClass(const TClassInfo* info)
{
    if (info)
        TheRegistry().byName[info->ClassName.toLower()] = info;
}

void UnRegisterClass(const TClassInfo* info)
{
    if (!info)
        return;
    auto& byName = TheRegistry().byName;
    auto it = byName.find(info->ClassName.toLower());
    if (it != byName.end() && it->second == info)
        byName.erase(it);
}

const TClassInfo* GetClass(const QString& className)
{
    auto& byName = TheRegistry().byName;
    auto it = byName.find(className.toLower());
    return it == byName.end() ? nullptr : it->second;
}

const TClassInfo* FindClass(const QString& className)
{
    if (const TClassInfo* info = GetClass(className))
        return info;
    throw EClassNotFound(QStringLiteral("Klasse %1 nicht gefunden").arg(className));
}
