#pragma once
// The publisher hands every page the engine produces to the output devices
// linked to it. A job runs start, collect, serve, end: the devices' page
// requests are merged into one, the page-request hook has the engine
// produce the pages, and every page goes to each device that still wants
// pages. With CachePages, copies of final pages are held and later
// requests are served from them without generating again.

#include <QString>

#include <map>
#include <memory>
#include <vector>

#include "platform/core/string_list.h"
#include "report/output/rg_comm.h"
#include "report/output/rg_types.h"

class TrgDevice;
class TrgPage;

class TrgPublisher : public TrgCommunicator {
public:
    explicit TrgPublisher(TComponent* AOwner);
    ~TrgPublisher() override;

    // Called to have pages produced; each comes back through ReceivePage.
    TrgPageRequestEvent OnPageRequest;

    bool CachePages() const { return cachePages_; }
    void SetCachePages(bool Value) { cachePages_ = Value; }

    // Start, collect the requests, serve them, end.
    void PublishJob();
    // Called by the engine for every page it produces.
    void ReceivePage(TrgPage* Page);
    void CancelJob();
    void Reset();
    // Forgets the last page, the request and every held page.
    void ResetJob();

    // Merges one device's request into the combined request.
    void AddPageRequest(TrgPageSettingType Setting, int PageNo, const TStringList& PageList);

    // The devices that receive broadcasts, in order.
    const std::vector<TrgDevice*>& Devices() const { return devices_; }
    TrgPageSettingType RequestedSetting() const { return requestedSetting_; }
    int RequestedPageNo() const { return requestedPageNo_; }
    const TStringList& RequestedPageList() const { return requestedPageList_; }
    bool RequestSatisfied() const { return requestSatisfied_; }
    bool LastPageKnown() const { return lastPageKnown_; }
    int LastPageNo() const { return lastPageNo_; }
    int HeldPageCount() const { return int(heldPages_.size()); }
    // The held copy of a page, nullptr when none is held.
    TrgPage* HeldPage(int AbsolutePageNo) const;

    void EventNotify(TrgCommunicator* Sender, int Operation) override;

private:
    friend class TrgDevice;
    enum TBroadcast { bcCancel, bcEndJob, bcPageRequest, bcReceivePage, bcStartJob, bcReset };

    void AddDevice(TrgDevice* Device);
    void RemoveDevice(TrgDevice* Device);
    // Takes a device out of the lists without touching it (it may be going).
    void Unregister(TrgCommunicator* Device);
    bool Registered(const TrgCommunicator* Device) const;
    void Broadcast(TBroadcast Operation, TrgPage* Page = nullptr);
    void ServeRequest();
    void CheckRequestSatisfied(const TrgPage& Page);
    void HoldPage(const TrgPage& Page);
    void ServeFromHeldPages();
    void ResendHeldPage(int AbsolutePageNo, bool& AllHeld);
    void ResetRequest();

    int lastPageNo_ = 0;
    // The held page that psLastPage resends: PageNo restarts per group, so
    // the last page is found by its number in the whole document.
    int lastAbsolutePageNo_ = 0;
    bool cachePages_ = false;
    std::vector<TrgDevice*> devices_;
    bool newRequest_ = false;
    // Exclusive devices per key, the most recent first; only the first of
    // each group is in the device list.
    std::map<QString, std::vector<TrgDevice*>> deviceGroups_;
    // Held copies by page number.
    std::map<int, std::unique_ptr<TrgPage>> heldPages_;
    int requestedPageNo_ = 0;
    TrgPageSettingType requestedSetting_ = psAll;
    TStringList requestedPageList_;
    bool requestSatisfied_ = false;
    bool servingFromCache_ = false;
    bool lastPageKnown_ = false;
    bool collecting_ = false;
    bool serving_ = false;
};
