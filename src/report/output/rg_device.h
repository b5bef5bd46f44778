#pragma once
// The base of every output device (printer, preview, text file, archive
// file). A device is linked to a publisher, says which pages it wants
// (PageSetting with PageRequested or PageList), decides for every page it
// receives whether to output it, and paints a page by its draw commands.

#include <QRect>
#include <QString>

#include <functional>

#include "platform/core/string_list.h"
#include "report/output/rg_comm.h"
#include "report/output/rg_types.h"

class QPainter;
class TrgDrawCommand;
class TrgPage;
class TrgPublisher;

// What a device needs of the dialog that shows its progress: the message
// shown now and a way to show another.
class TrgProgressView {
public:
    virtual ~TrgProgressView() = default;
    virtual QString Message() const = 0;
    virtual void SetMessage(const QString& Message) = 0;
};

using TrgDeviceEvent = TNotifyEvent;
using TrgReceivePageEvent = std::function<void(TObject* Sender, TrgPage* Page)>;

class TrgDevice : public TrgCommunicator {
public:
    explicit TrgDevice(TComponent* AOwner);
    // Leaves its publisher first (ends an open job's files in descendants).
    ~TrgDevice() override;

    // Takes part in the publisher's broadcasts.
    bool Active = true;
    // The first string id of the language its messages come from.
    int LanguageIndex = 43000;

    TrgDeviceEvent OnCancelJob;
    TrgDeviceEvent OnPageRequest;  // before the device's request is collected
    TrgReceivePageEvent OnReceivePage;
    TrgDeviceEvent OnStartJob;
    TrgDeviceEvent OnEndJob;
    TrgDeviceEvent OnPublisherChange;

    // Ignored while the device has a publisher or is busy.
    virtual void SetExclusive(bool Value);
    virtual void SetExclusiveKey(const QString& Value);
    virtual void CancelJob();
    // Paints one command; the base paints nothing.
    virtual bool DrawCommand(TrgDrawCommand* Command);
    // Repaints a command whose text changed; the base does nothing.
    virtual bool RedrawCommand(TrgDrawCommand* Command);
    virtual void EndJob();
    // True: pages without the final flag are skipped.
    virtual bool OutputFinalPagesOnly() const;
    // Decides whether to output the page (PageWanted, SkipPage); a
    // descendant calls it first and outputs a wanted page it does not skip.
    virtual void ReceivePage(TrgPage* Page);
    // Every page again: an empty list, page 1, psAll, wanting pages.
    virtual void Reset();
    virtual void StartJob();

    bool Exclusive() const { return exclusive_; }
    QString ExclusiveKey() const { return exclusiveKey_; }
    bool Busy() const { return busy_; }
    bool PageWanted() const { return pageWanted_; }
    bool SkipPage() const { return skipPage_; }
    bool WantsPages() const { return wantsPages_; }

    const TStringList& PageList() const { return pageList_; }
    void SetPageList(const TStringList& Value) { pageList_.Assign(Value); }
    int PageRequested() const { return pageRequested_; }
    void SetPageRequested(int Value) { pageRequested_ = Value; }
    TrgPageSettingType PageSetting() const { return pageSetting_; }
    void SetPageSetting(TrgPageSettingType Value) { pageSetting_ = Value; }

    TrgPublisher* Publisher() const { return publisher_; }
    // Leaves the old publisher, joins the new one, fires OnPublisherChange.
    void SetPublisher(TrgPublisher* Value);

    TrgProgressView* CancelDialog() const { return cancelDialog_; }
    void SetCancelDialog(TrgProgressView* Value) { cancelDialog_ = Value; }

    // Calls the command's Draw for every command that starts on the paper.
    void DrawPage(TrgPage* Page);
    // Wants pages again and runs the publisher's job once more (copies).
    void RequestPages();

    void EventNotify(TrgCommunicator* Sender, int Operation) override;

protected:
    // Shows Message in the cancel dialog when it differs from the one shown,
    // and lets the dialog repaint.
    void ShowProgressMessage(const QString& Message);

private:
    friend class TrgPublisher;
    // The publisher goes: forget it and tell the hook.
    void LosePublisher();

    bool busy_ = false;
    TrgProgressView* cancelDialog_ = nullptr;
    bool skipPage_ = false;
    bool pageWanted_ = false;
    TStringList pageList_;
    int pageRequested_ = 1;
    TrgPageSettingType pageSetting_ = psAll;
    TrgPublisher* publisher_ = nullptr;
    bool exclusive_ = false;
    QString exclusiveKey_;
    bool wantsPages_ = true;
};

// The base of the devices that paint pixels. Commands that paint themselves
// (rich text, bar codes) reach the page through it.
class TrgRasterDevice : public TrgDevice {
public:
    using TrgDevice::TrgDevice;

    // The painter of the page being output; nullptr while none is open.
    virtual QPainter* PagePainter() { return nullptr; }
    // The command's rectangle on that painter, in its pixels.
    virtual QRect CommandRect(const TrgDrawCommand& Command) { return {}; }
};

// True when Number, as a plain decimal number, is in List.
bool rgPageListContains(const TStringList& List, int Number);
// Removes Number from List; true when the list is empty afterwards.
bool rgRemoveFromPageList(TStringList& List, int Number);
