#include "report/output/rg_page.h"

#include <algorithm>

#include "platform/stream/class_registry.h"
#include "report/output/rg_device.h"
#include "report/output/rg_draw_commands.h"
#include "report/output/rg_printer_setup.h"
#include "report/output/rg_strings.h"

TrgPage::TrgPage(TComponent* AOwner) : TComponent(AOwner), printerSetup_(std::make_unique<TrgPrinterSetup>(this))
{
    // Copies of pages find their commands' classes by name: the classes are
    // registered before the first page exists.
    static const bool registered = (rgRegisterDrawCommandClasses(), true);
    (void)registered;
}

TrgPage::~TrgPage()
{
    BeginDestroy();
    FreeDrawCommands();
}

void TrgPage::SetPrinterSetup(const TrgPrinterSetup* Value)
{
    if (Value)
        printerSetup_->Assign(Value);
}

const TrgPageDef& TrgPage::PageDef() const
{
    return printerSetup_->PageDef();
}

void TrgPage::Assign(const TPersistent* Source)
{
    const auto* source = dynamic_cast<const TrgPage*>(Source);
    if (!source || source == this)
        return;
    AbsolutePageNo = source->AbsolutePageNo;
    AbsolutePageCount = source->AbsolutePageCount;
    CalculationOnly = source->CalculationOnly;
    ControlGroupBreakNo = source->ControlGroupBreakNo;
    DocumentName = source->DocumentName;
    Final = source->Final;
    FirstPage = source->FirstPage;
    LanguageIndex = source->LanguageIndex;
    LastPage = source->LastPage;
    PassSetting = source->PassSetting;
    PageCount = source->PageCount;
    PageNo = source->PageNo;
    PrintDateTime = source->PrintDateTime;
    SetPrinterSetup(source->PrinterSetup());

    FreeDrawCommands();
    for (TrgDrawCommand* command : source->drawCommands_) {
        const TClassInfo* info = ClassInfoOf(*command);
        const TClassInfo* registered = info ? GetClass(info->ClassName) : nullptr;
        if (!registered || !registered->Create)
            continue;
        auto* copy = dynamic_cast<TrgDrawCommand*>(registered->Create(this));
        if (!copy)
            continue;
        copy->Assign(command);
        AddDrawCommand(copy);
    }
}

void TrgPage::AddDrawCommand(TrgDrawCommand* Command)
{
    if (!Command || std::find(drawCommands_.begin(), drawCommands_.end(), Command) != drawCommands_.end())
        return;
    if (Command->page_)
        Command->page_->RemoveDrawCommand(Command);
    drawCommands_.push_back(Command);
    if (Command->HasPendingCalc()) {
        if (!pendingCalcs_)
            pendingCalcs_ = std::make_unique<std::vector<TrgDrawCommand*>>();
        pendingCalcs_->push_back(Command);
    }
    if (Command->IsClickable()) {
        if (!clickable_)
            clickable_ = std::make_unique<std::vector<TrgDrawCommand*>>();
        clickable_->push_back(Command);
    }
    Command->page_ = this;
    if (Command->Owner() != this)
        InsertComponent(Command);  // taken from its old owner
}

void TrgPage::Unlist(std::unique_ptr<std::vector<TrgDrawCommand*>>& List, TrgDrawCommand* Command)
{
    if (!List)
        return;
    std::erase(*List, Command);
    if (List->empty())
        List.reset();
}

void TrgPage::RemoveDrawCommand(TrgDrawCommand* Command)
{
    if (!Command)
        return;
    std::erase(drawCommands_, Command);
    Unlist(pendingCalcs_, Command);
    Unlist(clickable_, Command);
    if (Command->page_ == this)
        Command->page_ = nullptr;
    if (Command->Owner() == this)
        RemoveComponent(Command);
}

void TrgPage::FreeDrawCommands()
{
    std::vector<TrgDrawCommand*> commands;
    commands.swap(drawCommands_);
    pendingCalcs_.reset();
    clickable_.reset();
    for (TrgDrawCommand* command : commands) {
        command->page_ = nullptr;
        delete command;
    }
}

TrgDrawCommand* TrgPage::GetClickableCommand(int Index) const
{
    if (!clickable_ || Index < 0 || Index >= int(clickable_->size()))
        return nullptr;
    return (*clickable_)[size_t(Index)];
}

bool TrgPage::UpdatePendingCalcs(TrgDevice* Device)
{
    bool result = false;
    if (!pendingCalcs_)
        return result;
    const std::vector<TrgDrawCommand*> pending = *pendingCalcs_;
    for (TrgDrawCommand* command : pending) {
        result = command->RecalcText();
        if (result && Device)
            Device->RedrawCommand(command);
    }
    return result;
}

QString TrgPage::GetDescription() const
{
    return rgLoadString(LanguageIndex + 18) + u' ' + QString::number(AbsolutePageNo) + u' ' +
           rgLoadString(LanguageIndex + 16) + u' ' + QString::number(AbsolutePageCount);
}
