#include "report/output/rg_comm.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <typeinfo>

TrgCommunicator::TrgCommunicator(TComponent* AOwner) : TComponent(AOwner) {}

TrgCommunicator::~TrgCommunicator()
{
    // Every partner is told, the last linked first; each drops us from its
    // own list. Taking the partner off our list before telling it keeps the
    // walk sound even when a partner unlinks itself in its answer.
    while (partners_ && !partners_->empty()) {
        TrgCommunicator* partner = partners_->back();
        partners_->pop_back();
        partner->EventNotify(this, rgOpPartnerDestroyed);
    }
    partners_.reset();
}

void TrgCommunicator::StateChange(TrgStateSet) {}

void TrgCommunicator::Invalidate() {}

void TrgCommunicator::SetLinkValue(int32_t Value)
{
    linkValue_ = Value;
}

void TrgCommunicator::EventNotify(TrgCommunicator* Sender, int Operation)
{
    if (Operation != rgOpPartnerDestroyed || !partners_)
        return;
    auto it = std::find(partners_->begin(), partners_->end(), Sender);
    if (it != partners_->end())
        partners_->erase(it);
    DropEmptyPartnerList();
}

void TrgCommunicator::RemoveStates(TrgStateSet States)
{
    if ((state_ & States) == 0)
        return;
    state_ = TrgStateSet(state_ & ~States);
    StateChange(States);
}

void TrgCommunicator::AddStates(TrgStateSet States)
{
    if ((state_ & States) == States)
        return;
    state_ = TrgStateSet(state_ | States);
    StateChange(States);
}

void TrgCommunicator::AddEventNotify(TrgCommunicator* Partner)
{
    if (!Partner)
        return;
    if (!partners_)
        partners_ = std::make_unique<std::vector<TrgCommunicator*>>();
    if (std::find(partners_->begin(), partners_->end(), Partner) != partners_->end())
        return;
    partners_->push_back(Partner);
    // The partner finds us linked already on its way back and stops there.
    Partner->AddEventNotify(this);
}

void TrgCommunicator::RemoveEventNotify(TrgCommunicator* Partner)
{
    if (partners_) {
        auto it = std::find(partners_->begin(), partners_->end(), Partner);
        if (it != partners_->end()) {
            partners_->erase(it);
            Partner->RemoveEventNotify(this);
        }
    }
    DropEmptyPartnerList();
}

void TrgCommunicator::DropEmptyPartnerList()
{
    if (partners_ && partners_->empty())
        partners_.reset();
}

QString rgClassName(const TObject& object)
{
    const char* raw = typeid(object).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(raw, nullptr, nullptr, &status),
                                                     std::free);
    QString name = QString::fromLatin1(status == 0 && demangled ? demangled.get() : raw);
    return name.mid(name.lastIndexOf(u':') + 1);
}

void rgGetUniqueComponentName(TComponent* Parent, TComponent* Component, QString& Name)
{
    const QString prefix = Parent->Name + rgClassName(*Component).mid(3);
    const TComponent* owner = Parent->Owner() ? Parent->Owner() : Parent;

    // Numbers of every owned component named prefix + number, whatever its
    // class: owned names must stay unique, even next to a hand-named one.
    std::vector<int> used;
    for (int i = 0; i < owner->ComponentCount(); ++i) {
        const TComponent* other = owner->Components(i);
        if (other == Component || !other->Name.startsWith(prefix, Qt::CaseInsensitive))
            continue;
        bool ok = false;
        const int number = other->Name.mid(prefix.size()).toInt(&ok, 10);
        if (ok && number > 0)
            used.push_back(number);
    }
    std::sort(used.begin(), used.end());

    int number = 1;
    for (int n : used) {
        if (n == number)
            ++number;
        else if (n > number)
            break;
    }
    Name = prefix + QString::number(number);
}
