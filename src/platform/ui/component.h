#pragma once
// TPersistent and TComponent: the owner that frees what it owns, names,
// tags, the list of owned components and free notification.

#include <QString>
#include <vector>

#include "platform/ui/framework_types.h"

class TPersistent : public TObject {
public:
    virtual void Assign(const TPersistent* Source) {}
};

enum TOperation { opInsert, opRemove };

class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return owner_; }
    QString Name;
    long Tag = 0;

    int ComponentCount() const { return int(components_.size()); }
    TComponent* Components(int i) const { return components_.at(size_t(i)); }
    int ComponentIndex() const;
    // Owned component with that name, compared without case; nullptr if none.
    TComponent* FindComponent(const QString& AName) const;

    void InsertComponent(TComponent* AComponent);
    void RemoveComponent(TComponent* AComponent);
    void DestroyComponents();

    // AComponent is told (Notification opRemove) when this component goes.
    void FreeNotification(TComponent* AComponent);
    void RemoveFreeNotification(TComponent* AComponent);

    // Called once the component's properties are set; a form built in code
    // calls its own Loaded at the end of its constructor, which reaches
    // every component it owns.
    virtual void Loaded();
    bool Loading() const { return loading_; }
    void SetLoading(bool v) { loading_ = v; }
    bool Destroying() const { return destroying_; }

protected:
    virtual void Notification(TComponent* AComponent, TOperation Operation);
    // Marks the component as going away; a derived destructor calls it
    // first, so the notifications it sends see the whole object still.
    void BeginDestroy();

private:
    TComponent* owner_ = nullptr;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
    bool loading_ = false;
    bool destroying_ = false;
};
