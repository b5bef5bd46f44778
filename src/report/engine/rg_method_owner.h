#pragma once
// Event handlers bound by name: event properties of the engine's classes are
// streamed as method names and bound, when read, to the methods the owner
// form publishes.

#include <QString>

#include <any>
#include <map>

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
