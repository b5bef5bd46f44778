#pragma once
// What the component stream knows of the classes it writes and reads:
// - enumerations by identifier (TEnumInfo, RegisterEnum), also maps of named
//   values such as the colour names (RegisterIdentMap);
// - per class a table of published properties with their defaults, inherited
//   from the parent class's table, and optionally defined properties (values
//   the class streams itself), its child components and how a child joins
//   its parent (TClassInfo, DescribeClass<T, Parent>);
// - the class registry by name, which the reader uses to create components
//   (RegisterClass, UnRegisterClass, FindClass, GetClass).
//
// For example:
//   const TEnumInfo* kinds = RegisterEnum("TKind", {"kiOne", "kiTwo"});
//   DescribeClass<TLabel, TComponent>("TLabel")
//       .String("Caption", &TLabel::Caption).Default(QString())
//       .Enum("Kind", kinds, &TLabel::Kind).Default(kiOne)
//       .Integer("Width", [](const TLabel& l) { return l.Width(); },
//                [](TLabel& l, int w) { l.SetWidth(w); })         // always written
//       .Object("Font", [](TLabel& l) { return &l.Font; })       // "Font.Name" ...
//       .Strings("Lines", [](TLabel& l) { return &l.Lines; })    // "Lines.Strings"
//       .DefineProperties([](TLabel& l, TFiler& f) {
//           f.DefineProperty("mmHeight", [&l](TReader& r) { l.mmHeight = r.ReadInteger(); },
//                            [&l](TWriter& w) { w.WriteInteger(l.mmHeight); }, true);
//       })
//       .ParentSetter([](TLabel& l, TComponent* parent) { ... });
//   RegisterClass(ClassInfoFor<TLabel>());
//
// A description lives as long as the process (describing a class again
// replaces it in place); registering by name can come and go: a class that
// is unregistered can still be written but no longer read.

#include "platform/core/exceptions.h"
#include "platform/core/string_list.h"
#include "platform/ui/component.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <type_traits>
#include <typeindex>
#include <utility>
#include <variant>
#include <vector>

class TReader;
class TWriter;

// A class name in a stream that no registered class answers to.
class EClassNotFound : public EStreamError {
public:
    using EStreamError::EStreamError;
};

// ---- enumerations -----------------------------------------------------------

struct TEnumInfo {
    QString TypeName;
    std::vector<std::pair<QString, int64_t>> Items;  // identifier, value

    // Identifiers compare without case, as the framework's do.
    std::optional<int64_t> ValueOf(const QString& ident) const;
    const QString* IdentOf(int64_t value) const;
};

// Identifiers get the ordinals 0, 1, 2 ... in the order given. Registering
// a type name again replaces its identifiers; the pointer stays valid.
const TEnumInfo* RegisterEnum(const QString& typeName, const QStringList& identifiers);
// Named values of an integer type (e.g. "clRed" = 255); other values stream
// as plain integers.
const TEnumInfo* RegisterIdentMap(const QString& typeName,
                                  const std::vector<std::pair<QString, int64_t>>& items);
const TEnumInfo* FindEnum(const QString& typeName);

// ---- properties -------------------------------------------------------------

enum class TPropKind {
    Integer,    // int64 value; vaInt8/16/32/64, or an identifier through Enum when mapped
    Boolean,
    Enum,       // ordinal, streamed by identifier
    Set,        // bit set of ordinals, streamed as [a, b]
    Float,      // extended
    Single,
    Currency,   // int64, the value times 10000
    Date,       // days since 30.12.1899
    String,
    Object,     // a persistent sub-object; its properties stream as "Name.Sub"
    Strings,    // a string list; streams as "Name.Strings"
    Component,  // a reference to another component, by name
    Method,     // an event handler, by method name
    Collection, // a list of persistent items, each with its own properties
};

// How a collection property reaches its items.
struct TCollectionAccess {
    std::function<int(TPersistent&)> Count;
    std::function<TPersistent*(TPersistent&, int)> Item;
    std::function<void(TPersistent&)> Clear;
    std::function<TPersistent*(TPersistent&)> Add;  // a new item at the end
};

// int64_t: Integer, Enum, Set (bits), Currency; long double: Float, Single,
// Date; bool: Boolean; QString: String, Method.
using TPropValue = std::variant<int64_t, long double, bool, QString>;

struct TPropInfo {
    QString Name;
    TPropKind Kind = TPropKind::Integer;
    const TEnumInfo* Enum = nullptr;
    // The value that is not written; without one the value is always written
    // (Component and Method: nil and the empty name are never written).
    std::optional<TPropValue> Default;
    std::function<TPropValue(const TPersistent&)> Get;
    std::function<void(TPersistent&, const TPropValue&)> Set;
    // What the member's C++ type holds; a value read beyond it is an error.
    int64_t MinInteger = INT64_MIN, MaxInteger = INT64_MAX;
    long double MaxMagnitude = std::numeric_limits<long double>::max();
    std::function<bool(const TPersistent&)> Stored;  // empty: stored
    std::function<TPersistent*(TPersistent&)> GetObject;
    std::function<TStringList*(TPersistent&)> GetStrings;
    std::function<TComponent*(const TPersistent&)> GetComponent;
    std::function<void(TPersistent&, TComponent*)> SetComponent;
    TCollectionAccess Collection;
};

// What a class's DefineProperties sees: it names each extra value with the
// routines that read and write it. Reading calls only the routines of the
// name being read; writing calls each writer whose hasData is true. An
// obsolete property of older streams is defined with a reader only and
// hasData false: it is read (and dropped or mapped) but never written.
class TFiler {
public:
    virtual ~TFiler() = default;
    virtual void DefineProperty(const QString& name, const std::function<void(TReader&)>& read,
                                const std::function<void(TWriter&)>& write, bool hasData) = 0;
    // The value is one vaBinary block.
    virtual void DefineBinaryProperty(const QString& name,
                                      const std::function<void(const QByteArray&)>& read,
                                      const std::function<QByteArray()>& write, bool hasData) = 0;
};

using TGetChildProc = std::function<void(TComponent*)>;

struct TClassInfo {
    QString ClassName;
    const TClassInfo* Parent = nullptr;
    std::type_index Type = typeid(void);
    std::function<TComponent*(TComponent* owner)> Create;  // components only
    std::vector<TPropInfo> Properties;                      // this class's own, in stream order
    std::function<void(TPersistent&, TFiler&)> DefineProperties;  // this class's own
    std::function<void(TComponent&, const TGetChildProc&, TComponent* root)> GetChildren;
    std::function<void(TComponent& child, TComponent* parent)> SetParentComponent;

    bool InheritsFrom(const TClassInfo* other) const;
    // Own or inherited, compared without case; nullptr when unknown.
    const TPropInfo* FindProperty(const QString& name) const;
    // The chain from the root class down to this one.
    std::vector<const TClassInfo*> Chain() const;
    // The nearest GetChildren / SetParentComponent in the chain.
    const TClassInfo* WithGetChildren() const;
    const TClassInfo* WithSetParent() const;
};

// The description of the dynamic class of obj; nullptr when it has none.
const TClassInfo* ClassInfoOf(const TPersistent& obj);
const TClassInfo* ClassInfoOfType(std::type_index type);

// ---- class registry by name ---------------------------------------------

void RegisterClass(const TClassInfo* info);
void UnRegisterClass(const TClassInfo* info);
// nullptr when no class of that name is registered (compared without case).
const TClassInfo* GetClass(const QString& className);
// Throws EClassNotFound when none is registered.
const TClassInfo* FindClass(const QString& className);

// ---- describing a class -------------------------------------------------

namespace stream_detail {

template <class V> struct IsTSet : std::false_type {};
template <class E> struct IsTSet<TSet<E>> : std::true_type {
    using Element = E;
};

template <class V> TPropValue ToValue(const V& v)
{
    if constexpr (std::is_same_v<V, bool>)
        return v;
    else if constexpr (IsTSet<V>::value)
        return static_cast<int64_t>(v.Bits());
    else if constexpr (std::is_enum_v<V> || std::is_integral_v<V>)
        return static_cast<int64_t>(v);
    else if constexpr (std::is_floating_point_v<V>)
        return static_cast<long double>(v);
    else
        return QString(v);
}

template <class V> V FromValue(const TPropValue& p)
{
    if constexpr (std::is_same_v<V, bool>)
        return std::get<bool>(p);
    else if constexpr (IsTSet<V>::value) {
        V set;
        const uint64_t bits = static_cast<uint64_t>(std::get<int64_t>(p));
        for (unsigned i = 0; i < 64; ++i)
            if (bits & (uint64_t(1) << i))
                set.Include(static_cast<typename IsTSet<V>::Element>(i));
        return set;
    } else if constexpr (std::is_enum_v<V> || std::is_integral_v<V>)
        return static_cast<V>(std::get<int64_t>(p));
    else if constexpr (std::is_floating_point_v<V>)
        return static_cast<V>(std::get<long double>(p));
    else
        return std::get<QString>(p);
}

// Whether a member of type V can hold a property of that kind.
template <class V> bool KindFits(TPropKind kind)
{
    switch (kind) {
    case TPropKind::Boolean: return std::is_same_v<V, bool>;
    case TPropKind::Integer:
    case TPropKind::Currency: return std::is_integral_v<V> && !std::is_same_v<V, bool>;
    case TPropKind::Enum: return std::is_enum_v<V> || (std::is_integral_v<V> && !std::is_same_v<V, bool>);
    case TPropKind::Set: return IsTSet<V>::value || std::is_integral_v<V>;
    case TPropKind::Float:
    case TPropKind::Single:
    case TPropKind::Date: return std::is_floating_point_v<V>;
    case TPropKind::String:
    case TPropKind::Method: return std::is_same_v<V, QString>;
    default: return false;
    }
}

// The value in the variant alternative the property kind uses (a default
// given as 0 for a float property becomes 0.0).
TPropValue CoerceValue(TPropKind kind, const TPropValue& value);

TClassInfo& NewClassInfo(const QString& className, std::type_index type, std::type_index parent);

}  // namespace stream_detail

template <class T>
class TClassBuilder {
public:
    explicit TClassBuilder(TClassInfo& info) : info_(info) {}
    const TClassInfo* Info() const { return &info_; }

    // Each value property takes either a data member pointer or a getter
    // (const T&) -> V and a setter (T&, V).
    template <class... A> TClassBuilder& Integer(const QString& n, A... a) { return Add(n, TPropKind::Integer, nullptr, a...); }
    template <class... A> TClassBuilder& Boolean(const QString& n, A... a) { return Add(n, TPropKind::Boolean, nullptr, a...); }
    template <class... A> TClassBuilder& Float(const QString& n, A... a) { return Add(n, TPropKind::Float, nullptr, a...); }
    template <class... A> TClassBuilder& Single(const QString& n, A... a) { return Add(n, TPropKind::Single, nullptr, a...); }
    template <class... A> TClassBuilder& Date(const QString& n, A... a) { return Add(n, TPropKind::Date, nullptr, a...); }
    template <class... A> TClassBuilder& Currency(const QString& n, A... a) { return Add(n, TPropKind::Currency, nullptr, a...); }
    template <class... A> TClassBuilder& String(const QString& n, A... a) { return Add(n, TPropKind::String, nullptr, a...); }
    template <class... A> TClassBuilder& Method(const QString& n, A... a) { return Add(n, TPropKind::Method, nullptr, a...); }
    template <class... A> TClassBuilder& Enum(const QString& n, const TEnumInfo* e, A... a) { return Add(n, TPropKind::Enum, e, a...); }
    template <class... A> TClassBuilder& Set(const QString& n, const TEnumInfo* e, A... a) { return Add(n, TPropKind::Set, e, a...); }
    // An integer whose named values stream as identifiers (colours).
    template <class... A> TClassBuilder& Mapped(const QString& n, const TEnumInfo* e, A... a) { return Add(n, TPropKind::Integer, e, a...); }

    template <class G> TClassBuilder& Object(const QString& name, G get)
    {
        TPropInfo p;
        p.Name = name;
        p.Kind = TPropKind::Object;
        p.GetObject = [get](TPersistent& o) -> TPersistent* { return get(static_cast<T&>(o)); };
        info_.Properties.push_back(std::move(p));
        return *this;
    }
    template <class G> TClassBuilder& Strings(const QString& name, G get)
    {
        TPropInfo p;
        p.Name = name;
        p.Kind = TPropKind::Strings;
        p.GetStrings = [get](TPersistent& o) -> TStringList* { return get(static_cast<T&>(o)); };
        info_.Properties.push_back(std::move(p));
        return *this;
    }
    // Items are described classes of their own; the collection is given as
    // a getter of a std::vector<std::unique_ptr<Item>> (or anything with
    // size(), operator[], clear() and emplace_back of a new Item).
    template <class Item, class G> TClassBuilder& Collection(const QString& name, G items)
    {
        TPropInfo p;
        p.Name = name;
        p.Kind = TPropKind::Collection;
        p.Collection.Count = [items](TPersistent& o) { return int(items(static_cast<T&>(o)).size()); };
        p.Collection.Item = [items](TPersistent& o, int i) -> TPersistent* { return &*items(static_cast<T&>(o))[i]; };
        p.Collection.Clear = [items](TPersistent& o) { items(static_cast<T&>(o)).clear(); };
        p.Collection.Add = [items](TPersistent& o) -> TPersistent* {
            auto& list = items(static_cast<T&>(o));
            list.emplace_back(new Item());
            return &*list.back();
        };
        info_.Properties.push_back(std::move(p));
        return *this;
    }
    template <class G, class S> TClassBuilder& Component(const QString& name, G get, S set)
    {
        TPropInfo p;
        p.Name = name;
        p.Kind = TPropKind::Component;
        p.GetComponent = [get](const TPersistent& o) -> TComponent* { return get(static_cast<const T&>(o)); };
        p.SetComponent = [set](TPersistent& o, TComponent* c) { set(static_cast<T&>(o), c); };
        info_.Properties.push_back(std::move(p));
        return *this;
    }

    // Modifiers of the property added last.
    template <class V> TClassBuilder& Default(const V& value)
    {
        TPropInfo& p = info_.Properties.back();
        p.Default = stream_detail::CoerceValue(p.Kind, stream_detail::ToValue(value));
        return *this;
    }
    TClassBuilder& Stored(std::function<bool(const T&)> stored)
    {
        info_.Properties.back().Stored = [stored](const TPersistent& o) { return stored(static_cast<const T&>(o)); };
        return *this;
    }

    // For a component whose constructor is not T(TComponent* owner).
    TClassBuilder& Factory(std::function<TComponent*(TComponent* owner)> create)
    {
        info_.Create = std::move(create);
        return *this;
    }
    TClassBuilder& DefineProperties(std::function<void(T&, TFiler&)> define)
    {
        info_.DefineProperties = [define](TPersistent& o, TFiler& f) { define(static_cast<T&>(o), f); };
        return *this;
    }
    TClassBuilder& Children(std::function<void(T&, const TGetChildProc&, TComponent* root)> children)
    {
        info_.GetChildren = [children](TComponent& c, const TGetChildProc& proc, TComponent* root) {
            children(static_cast<T&>(c), proc, root);
        };
        return *this;
    }
    TClassBuilder& ParentSetter(std::function<void(T&, TComponent* parent)> setParent)
    {
        info_.SetParentComponent = [setParent](TComponent& c, TComponent* parent) {
            setParent(static_cast<T&>(c), parent);
        };
        return *this;
    }

private:
    template <class M> TClassBuilder& Add(const QString& name, TPropKind kind, const TEnumInfo* e, M T::* member)
    {
        using V = std::remove_cvref_t<M>;
        return AddTyped<V>(name, kind, e, [member](const T& o) -> V { return o.*member; },
                           [member](T& o, V v) { o.*member = v; });
    }
    template <class G, class S> TClassBuilder& Add(const QString& name, TPropKind kind, const TEnumInfo* e, G get, S set)
    {
        using V = std::remove_cvref_t<std::invoke_result_t<G, const T&>>;
        return AddTyped<V>(name, kind, e, get, set);
    }
    template <class V, class G, class S>
    TClassBuilder& AddTyped(const QString& name, TPropKind kind, const TEnumInfo* e, G get, S set)
    {
        if (!stream_detail::KindFits<V>(kind))
            throw EInvalidOperation(QStringLiteral("Die Eigenschaft %1 von %2 passt nicht zu ihrem Typ")
                                        .arg(name, info_.ClassName));
        TPropInfo p;
        p.Name = name;
        p.Kind = kind;
        p.Enum = e;
        if constexpr (std::is_integral_v<V> && !std::is_same_v<V, bool>) {
            p.MinInteger = std::numeric_limits<V>::min();
            p.MaxInteger = static_cast<int64_t>(std::min<uint64_t>(std::numeric_limits<V>::max(), INT64_MAX));
        } else if constexpr (std::is_floating_point_v<V>) {
            p.MaxMagnitude = std::numeric_limits<V>::max();
        }
        p.Get = [get](const TPersistent& o) { return stream_detail::ToValue<V>(get(static_cast<const T&>(o))); };
        p.Set = [set](TPersistent& o, const TPropValue& v) { set(static_cast<T&>(o), stream_detail::FromValue<V>(v)); };
        info_.Properties.push_back(std::move(p));
        return *this;
    }

    TClassInfo& info_;
};

// Describes class T (a TPersistent descendant) with Parent's table as its
// inherited part; Parent must be described already (TPersistent and
// TComponent always are). Components get a factory that creates them with
// an owner. Describing T again replaces its description in place.
template <class T, class Parent>
TClassBuilder<T> DescribeClass(const QString& className)
{
    static_assert(std::is_base_of_v<Parent, T> && std::is_base_of_v<TPersistent, Parent>);
    TClassInfo& info = stream_detail::NewClassInfo(className, typeid(T), typeid(Parent));
    if constexpr (std::is_base_of_v<TComponent, T> && std::is_constructible_v<T, TComponent*>) {
        if (!info.Create)
            info.Create = [](TComponent* owner) -> TComponent* { return new T(owner); };
    }
    return TClassBuilder<T>(info);
}

template <class T> const TClassInfo* ClassInfoFor() { return ClassInfoOfType(typeid(T)); }
