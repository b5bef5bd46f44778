#include "report/output/rg_publisher.h"

#include <algorithm>

#include "report/output/rg_device.h"
#include "report/output/rg_page.h"

TrgPublisher::TrgPublisher(TComponent* AOwner) : TrgCommunicator(AOwner) {}

TrgPublisher::~TrgPublisher()
{
    BeginDestroy();
    // Every device hears of it while this publisher is still whole.
    std::vector<TrgDevice*> devices = devices_;
    for (const auto& [key, group] : deviceGroups_)
        for (TrgDevice* device : group)
            if (std::find(devices.begin(), devices.end(), device) == devices.end())
                devices.push_back(device);
    devices_.clear();
    deviceGroups_.clear();
    for (TrgDevice* device : devices) {
        RemoveEventNotify(device);
        device->LosePublisher();
    }
}

// ---- devices ------------------------------------------------------------------

bool TrgPublisher::Registered(const TrgCommunicator* Device) const
{
    if (std::find(devices_.begin(), devices_.end(), Device) != devices_.end())
        return true;
    for (const auto& [key, group] : deviceGroups_)
        if (std::find(group.begin(), group.end(), Device) != group.end())
            return true;
    return false;
}

void TrgPublisher::AddDevice(TrgDevice* Device)
{
    if (!Device || Registered(Device))
        return;
    if (Device->Exclusive()) {
        std::vector<TrgDevice*>& group = deviceGroups_[Device->ExclusiveKey()];
        if (!group.empty())
            std::erase(devices_, group.front());
        group.insert(group.begin(), Device);
    }
    devices_.push_back(Device);
    AddEventNotify(Device);
}

void TrgPublisher::Unregister(TrgCommunicator* Device)
{
    std::erase(devices_, Device);
    for (auto it = deviceGroups_.begin(); it != deviceGroups_.end(); ++it) {
        std::vector<TrgDevice*>& group = it->second;
        auto member = std::find(group.begin(), group.end(), Device);
        if (member == group.end())
            continue;
        const bool wasFirst = member == group.begin();
        group.erase(member);
        if (group.empty())
            deviceGroups_.erase(it);
        else if (wasFirst)
            devices_.push_back(group.front());
        break;
    }
}

void TrgPublisher::RemoveDevice(TrgDevice* Device)
{
    Unregister(Device);
    RemoveEventNotify(Device);
}

void TrgPublisher::EventNotify(TrgCommunicator* Sender, int Operation)
{
    TrgCommunicator::EventNotify(Sender, Operation);
    if (Operation == rgOpPartnerDestroyed)
        Unregister(Sender);
}

// ---- broadcasts -----------------------------------------------------------------

void TrgPublisher::Broadcast(TBroadcast Operation, TrgPage* Page)
{
    // A device may leave, or run the job again, while it is visited: walk a
    // copy and skip the devices that have gone from the list meanwhile.
    const std::vector<TrgDevice*> devices = devices_;
    for (TrgDevice* device : devices) {
        if (std::find(devices_.begin(), devices_.end(), device) == devices_.end() || !device->Active)
            continue;
        switch (Operation) {
        case bcCancel:
            if (device->WantsPages())
                device->CancelJob();
            break;
        case bcEndJob: device->EndJob(); break;
        case bcPageRequest:
            if (device->WantsPages()) {
                if (device->OnPageRequest)
                    device->OnPageRequest(device);
                AddPageRequest(device->PageSetting(), device->PageRequested(), device->PageList());
            }
            break;
        case bcReceivePage:
            if (device->WantsPages())
                device->ReceivePage(Page);
            break;
        case bcStartJob: device->StartJob(); break;
        case bcReset: device->Reset(); break;
        }
    }
}

void TrgPublisher::CancelJob()
{
    Broadcast(bcCancel);
}

void TrgPublisher::Reset()
{
    Broadcast(bcReset);
}

// ---- the job ----------------------------------------------------------------------

void TrgPublisher::PublishJob()
{
    Broadcast(bcStartJob);

    collecting_ = true;
    newRequest_ = true;
    Broadcast(bcPageRequest);
    collecting_ = false;

    serving_ = true;
    ServeRequest();
    serving_ = false;

    Broadcast(bcEndJob);
    ResetRequest();
}

void TrgPublisher::ResetRequest()
{
    newRequest_ = true;
    requestedPageNo_ = 0;
    requestedSetting_ = psAll;
    requestedPageList_.Clear();
}

void TrgPublisher::ResetJob()
{
    lastPageKnown_ = false;
    lastPageNo_ = 0;
    lastAbsolutePageNo_ = 0;
    requestSatisfied_ = false;
    ResetRequest();
    heldPages_.clear();
}

void TrgPublisher::AddPageRequest(TrgPageSettingType Setting, int PageNo, const TStringList& PageList)
{
    if (!newRequest_ && !collecting_ && !serving_)
        newRequest_ = true;  // a request outside a job starts afresh
    requestSatisfied_ = false;

    if (newRequest_) {
        newRequest_ = false;
        requestedSetting_ = Setting;
        requestedPageNo_ = PageNo;
        requestedPageList_.Clear();
        if (Setting == psPageList)
            requestedPageList_.Assign(PageList);
        return;
    }
    if (requestedSetting_ == psAll)
        return;
    if (Setting == psSinglePage || Setting == psFirstPage) {
        switch (requestedSetting_) {
        case psSinglePage:
        case psFirstPage:
            if ((requestedSetting_ == psSinglePage && requestedPageNo_ == PageNo) ||
                (requestedSetting_ == psFirstPage && PageNo == 1))
                return;
            requestedSetting_ = psPageList;
            requestedPageList_.Clear();
            requestedPageList_.Add(QString::number(requestedPageNo_));
            requestedPageList_.Add(QString::number(PageNo));
            return;
        case psPageList:
            if (!rgPageListContains(requestedPageList_, PageNo))
                requestedPageList_.Add(QString::number(PageNo));
            return;
        default: return;  // psLastPage
        }
    }
    requestedSetting_ = psAll;
    requestedPageList_.Clear();
}

void TrgPublisher::ServeRequest()
{
    if (collecting_ || requestSatisfied_)
        return;
    ServeFromHeldPages();
    if (requestSatisfied_ || !OnPageRequest)
        return;
    TStringList pageList(requestedPageList_);
    OnPageRequest(this, requestedSetting_, requestedPageNo_, &pageList);
}

void TrgPublisher::ReceivePage(TrgPage* Page)
{
    HoldPage(*Page);
    Broadcast(bcReceivePage, Page);
    CheckRequestSatisfied(*Page);
    if (!lastPageKnown_ && Page->LastPage && Page->Final && !Page->CalculationOnly) {
        lastPageKnown_ = true;
        lastPageNo_ = Page->PageNo;
        lastAbsolutePageNo_ = Page->AbsolutePageNo;
    }
}

void TrgPublisher::CheckRequestSatisfied(const TrgPage& Page)
{
    switch (requestedSetting_) {
    case psAll:
    case psLastPage:
        if (Page.LastPage)
            requestSatisfied_ = true;
        break;
    case psPageList:
        if (rgRemoveFromPageList(requestedPageList_, Page.AbsolutePageNo))
            requestSatisfied_ = true;
        break;
    case psSinglePage:
        if (Page.AbsolutePageNo == requestedPageNo_)
            requestSatisfied_ = true;
        break;
    case psFirstPage:
        if (Page.AbsolutePageNo == 1)
            requestSatisfied_ = true;
        break;
    }
}

// ---- held pages -------------------------------------------------------------------

TrgPage* TrgPublisher::HeldPage(int AbsolutePageNo) const
{
    auto it = heldPages_.find(AbsolutePageNo);
    return it == heldPages_.end() ? nullptr : it->second.get();
}

void TrgPublisher::HoldPage(const TrgPage& Page)
{
    if (!cachePages_ || servingFromCache_ || !Page.Final || Page.CalculationOnly)
        return;
    auto copy = std::make_unique<TrgPage>(nullptr);
    copy->Assign(&Page);
    copy->CalculationOnly = false;
    heldPages_[Page.AbsolutePageNo] = std::move(copy);
    if (heldPages_.size() < 2)
        return;
    // Pages held before the count grew take the new count.
    for (auto& [number, held] : heldPages_) {
        if (held->AbsolutePageCount >= Page.AbsolutePageCount)
            continue;
        held->AbsolutePageCount = Page.AbsolutePageCount;
        if (held->ControlGroupBreakNo == Page.ControlGroupBreakNo && held->PageCount < Page.PageCount)
            held->PageCount = Page.PageCount;
        held->UpdatePendingCalcs(nullptr);
    }
}

void TrgPublisher::ResendHeldPage(int AbsolutePageNo, bool& AllHeld)
{
    if (TrgPage* held = HeldPage(AbsolutePageNo))
        ReceivePage(held);
    else
        AllHeld = false;
}

void TrgPublisher::ServeFromHeldPages()
{
    if (!cachePages_)
        return;
    servingFromCache_ = true;
    bool allHeld = true;
    switch (requestedSetting_) {
    case psAll:
        if (lastPageKnown_) {
            const int count = int(heldPages_.size());
            for (int number = 1; number <= count; ++number)
                if (TrgPage* held = HeldPage(number))
                    ReceivePage(held);
            requestSatisfied_ = true;
        }
        break;
    case psPageList: {
        const QStringList listed = requestedPageList_.ToQStringList();
        for (const QString& entry : listed)
            ResendHeldPage(entry.toInt(), allHeld);
        if (allHeld)
            requestSatisfied_ = true;
        break;
    }
    case psSinglePage:
        ResendHeldPage(requestedPageNo_, allHeld);
        requestSatisfied_ = allHeld;
        break;
    case psFirstPage:
        ResendHeldPage(1, allHeld);
        requestSatisfied_ = allHeld;
        break;
    case psLastPage:
        if (lastPageKnown_) {
            ResendHeldPage(lastAbsolutePageNo_, allHeld);
            requestSatisfied_ = allHeld;
        }
        break;
    }
    servingFromCache_ = false;
}
