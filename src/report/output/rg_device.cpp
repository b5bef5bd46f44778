#include "report/output/rg_device.h"

#include "platform/core/event_wait.h"
#include "report/output/rg_draw_commands.h"
#include "report/output/rg_page.h"
#include "report/output/rg_publisher.h"
#include "report/output/rg_units.h"

void rgDescribeDeviceBaseClasses()
{
    rgDescribeClassOnce<TrgCommunicator, TComponent>("TrgCommunicator");
    rgDescribeClassOnce<TrgDevice, TrgCommunicator>("TrgDevice");
    rgDescribeClassOnce<TrgRasterDevice, TrgDevice>("TrgRasterDevice");
}

bool rgPageListContains(const TStringList& List, int Number)
{
    return List.IndexOf(QString::number(Number)) >= 0;
}

bool rgRemoveFromPageList(TStringList& List, int Number)
{
    const int index = List.IndexOf(QString::number(Number));
    if (index >= 0)
        List.Delete(index);
    return List.Count() == 0;
}

TrgDevice::TrgDevice(TComponent* AOwner) : TrgCommunicator(AOwner) {}

TrgDevice::~TrgDevice()
{
    BeginDestroy();
    if (publisher_)
        publisher_->RemoveDevice(this);
    publisher_ = nullptr;
}

void TrgDevice::SetExclusive(bool Value)
{
    if (!publisher_ && !busy_)
        exclusive_ = Value;
}

void TrgDevice::SetExclusiveKey(const QString& Value)
{
    if (!publisher_ && !busy_)
        exclusiveKey_ = Value;
}

void TrgDevice::CancelJob()
{
    busy_ = false;
    if (OnCancelJob)
        OnCancelJob(this);
}

bool TrgDevice::DrawCommand(TrgDrawCommand*)
{
    return false;
}

bool TrgDevice::RedrawCommand(TrgDrawCommand*)
{
    return false;
}

void TrgDevice::EndJob()
{
    busy_ = false;
    wantsPages_ = true;
    if (OnEndJob)
        OnEndJob(this);
}

bool TrgDevice::OutputFinalPagesOnly() const
{
    return true;
}

void TrgDevice::ReceivePage(TrgPage* Page)
{
    skipPage_ = false;
    pageWanted_ = false;
    switch (pageSetting_) {
    case psAll: pageWanted_ = true; break;
    case psPageList: pageWanted_ = rgPageListContains(pageList_, Page->AbsolutePageNo); break;
    case psSinglePage: pageWanted_ = Page->AbsolutePageNo == pageRequested_; break;
    case psFirstPage: pageWanted_ = Page->FirstPage; break;
    case psLastPage: pageWanted_ = Page->LastPage; break;
    }
    if (Page->CalculationOnly || (!Page->Final && OutputFinalPagesOnly()))
        skipPage_ = true;
    if (OnReceivePage)
        OnReceivePage(this, Page);

    if (!wantsPages_ || !Page->Final || Page->CalculationOnly)
        return;
    bool satisfied = false;
    switch (pageSetting_) {
    case psAll:
    case psLastPage: satisfied = Page->LastPage; break;
    case psPageList: satisfied = rgRemoveFromPageList(pageList_, Page->AbsolutePageNo); break;
    case psSinglePage: satisfied = Page->AbsolutePageNo == pageRequested_; break;
    case psFirstPage: satisfied = Page->FirstPage; break;
    }
    if (satisfied)
        wantsPages_ = false;
}

void TrgDevice::Reset()
{
    pageList_.Clear();
    pageRequested_ = 1;
    pageSetting_ = psAll;
    wantsPages_ = true;
}

void TrgDevice::StartJob()
{
    busy_ = true;
    if (OnStartJob)
        OnStartJob(this);
}

void TrgDevice::SetPublisher(TrgPublisher* Value)
{
    if (Value == publisher_)
        return;
    if (publisher_)
        publisher_->RemoveDevice(this);
    publisher_ = Value;
    if (publisher_)
        publisher_->AddDevice(this);
    if (OnPublisherChange)
        OnPublisherChange(this);
}

void TrgDevice::DrawPage(TrgPage* Page)
{
    const TrgPageDef& pageDef = Page->PageDef();
    for (int i = 0; i < Page->GetDrawCommandCount(); ++i) {
        TrgDrawCommand* command = Page->GetDrawCommand(i);
        if (command->Left <= pageDef.mmWidth && command->Top <= pageDef.mmHeight)
            command->Draw(this);
    }
}

void TrgDevice::RequestPages()
{
    if (!publisher_)
        return;
    wantsPages_ = true;
    publisher_->PublishJob();
}

void TrgDevice::EventNotify(TrgCommunicator* Sender, int Operation)
{
    TrgCommunicator::EventNotify(Sender, Operation);
    if (Operation == rgOpPartnerDestroyed && publisher_ && Sender == static_cast<TrgCommunicator*>(publisher_))
        LosePublisher();
}

void TrgDevice::LosePublisher()
{
    publisher_ = nullptr;
    if (OnPublisherChange)
        OnPublisherChange(this);
}

void TrgDevice::ShowProgressMessage(const QString& Message)
{
    if (!cancelDialog_ || cancelDialog_->Message() == Message)
        return;
    cancelDialog_->SetMessage(Message);
    LetEventsThrough();
}
