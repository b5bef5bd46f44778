#pragma once
// TrgCommunicator: the base of the engine objects that must know about each
// other's lifetime without owning each other (publisher and devices,
// producer and report, page cache and its clients). Two communicators are
// linked both ways; when one is destroyed every partner is told first and
// drops it. A small state set lets descendants react to changes.

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/ui/component.h"

// A set of state flags; descendants give the bits their meaning.
using TrgStateSet = uint16_t;

// EventNotify operation: the partner is being destroyed.
inline constexpr int rgOpPartnerDestroyed = 0;

class TrgCommunicator : public TComponent {
public:
    explicit TrgCommunicator(TComponent* AOwner);
    ~TrgCommunicator() override;

    // Descendants react to a state change; the set is what was added or removed.
    virtual void StateChange(TrgStateSet States);
    // The change notification; printable objects tell a designer.
    virtual void Invalidate();
    // Stores the value the report hands its partners.
    virtual void SetLinkValue(int32_t Value);
    // A linked partner reports an event. Operation rgOpPartnerDestroyed
    // drops the partner (without calling back); descendants that keep a
    // typed reference call this first and then clear theirs.
    virtual void EventNotify(TrgCommunicator* Sender, int Operation);
    // Clears the flags; StateChange(States) when at least one was set.
    virtual void RemoveStates(TrgStateSet States);
    // Sets the flags; StateChange(States) when at least one was not yet set.
    virtual void AddStates(TrgStateSet States);

    // Links both ways; linking a linked partner does nothing.
    void AddEventNotify(TrgCommunicator* Partner);
    // Unlinks both ways.
    void RemoveEventNotify(TrgCommunicator* Partner);

    int32_t LinkValue() const { return linkValue_; }
    TrgStateSet State() const { return state_; }
    // The partners in link order; nullptr while none is linked.
    const std::vector<TrgCommunicator*>* EventNotifies() const { return partners_.get(); }

private:
    void DropEmptyPartnerList();

    int32_t linkValue_ = 0;
    TrgStateSet state_ = 0;
    // References only; created on the first link, freed when the last partner leaves.
    std::unique_ptr<std::vector<TrgCommunicator*>> partners_;
};

// The class's own name, as the framework's ClassName gives it ("TrgLabel").
QString rgClassName(const TObject& object);

// Names a new report component: the parent's name, the component's class
// name without its first three characters ("TrgLabel" gives "Label"), and
// the lowest positive number not yet used by a component of the same class
// owned by the parent's owner (or the parent itself when it has no owner).
void rgGetUniqueComponentName(TComponent* Parent, TComponent* Component, QString& Name);
