#pragma once
// The registry of the printable component classes that can be placed in
// bands: per class its palette category, its place in that category and the
// language string of its palette caption. Registering a class here also
// registers it with the component stream by name, so templates naming it
// can be read; unregistering it makes such templates fail on it.
//
// Event properties of the engine's classes are streamed as method names and
// bound, when read, to the methods the owner form publishes
// (TrgMethodOwner); rgRegisterBuiltInComponentClasses describes them too.

#include <QString>

#include <any>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/core/string_list.h"
#include "platform/stream/class_registry.h"

// One registered class.
struct TrgRegComponent {
    int Reserved = 0;
    const TClassInfo* ComponentClass = nullptr;
    int Position = 0;
    QString Category;
    QString SecondName;
    int CaptionId = 0;
};

// Class name -> entry, owning its entries; listeners hear of every addition
// and removal.
class TrgRegComponentClassList {
public:
    using TListener = std::function<void()>;

    int Count() const { return int(entries_.size()); }
    const TrgRegComponent* Find(const QString& ClassName) const;
    const TrgRegComponent* At(int Index) const { return entries_.at(size_t(Index)).second.get(); }
    QString NameAt(int Index) const { return entries_.at(size_t(Index)).first; }
    // The classes of one palette category, in palette order.
    std::vector<const TrgRegComponent*> Category(const QString& Name) const;

    void Add(const QString& ClassName, std::unique_ptr<TrgRegComponent> Entry);
    // False when no entry had that name.
    bool Delete(const QString& ClassName);

    int AddListener(TListener Listener);
    void RemoveListener(int Id);

private:
    void Changed();

    std::vector<std::pair<QString, std::unique_ptr<TrgRegComponent>>> entries_;
    std::map<int, TListener> listeners_;
    int nextListener_ = 1;
};

// The process-wide list.
TrgRegComponentClassList& GetRegisteredComponents();

// Registers (or registers again, replacing the entry) a component class.
// Throws EInvalidOperation for a class without a stream description.
void rgRegisterComponentClass(const TClassInfo* ComponentClass, const QString& Category, int Position,
                              int CaptionId, const QString& SecondName = {}, int Reserved = 0);
// Nothing happens for a class that is not registered.
void rgUnRegisterComponentClass(const TClassInfo* ComponentClass);

// Describes the engine's classes (report, bands, groups, components) and
// registers every printable component class of the built-in palette, and
// the event properties of them all, and the template error dialog. Safe
// to call again.
void rgRegisterBuiltInComponentClasses();

// ---- event handlers bound by name --------------------------------------------

// The methods a form publishes by name, each with the event type it serves.
class TrgMethodTable {
public:
    template <class Event> void Publish(const QString& Name, Event Handler)
    {
        methods_[Name.toLower()] = std::any(std::move(Handler));
    }
    bool Contains(const QString& Name) const { return methods_.count(Name.toLower()) != 0; }
    // nullptr when the name is unknown or its handler serves another event.
    template <class Event> const Event* Find(const QString& Name) const
    {
        const auto it = methods_.find(Name.toLower());
        return it == methods_.end() ? nullptr : std::any_cast<Event>(&it->second);
    }

private:
    std::map<QString, std::any> methods_;
};

// A form whose methods templates may name as event handlers.
class TrgMethodOwner {
public:
    virtual ~TrgMethodOwner() = default;
    virtual const TrgMethodTable& PublishedMethods() const = 0;
};

// The handler that an event property read by name holds: it keeps the name,
// so the event is written back as it was read.
template <class Event>
struct TrgBoundMethod {
    QString Name;
    Event Target;
    template <class... A> void operator()(A&&... Args) const
    {
        if (Target)
            Target(std::forward<A>(Args)...);
    }
};

// The name an event was bound by; empty for one set in code or unset.
template <class Event>
QString rgBoundMethodName(const Event& Handler)
{
    const auto* bound = Handler.template target<TrgBoundMethod<Event>>();
    return bound ? bound->Name : QString();
}
