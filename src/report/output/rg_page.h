#pragma once
// One generated page of a report as the output devices receive it: its
// numbers, whether it is final and whether it is meant for output, the
// printer setup it was laid out with, and the draw commands that paint it.
// The page owns its commands and its setup; two more lists refer to the
// commands that wait for the page count and those with a click handler.

#include <QString>

#include <memory>
#include <vector>

#include "platform/core/sys_utils.h"
#include "platform/ui/component.h"
#include "report/output/rg_types.h"

class TrgDevice;
class TrgDrawCommand;
class TrgPageDef;
class TrgPrinterSetup;

class TrgPage : public TComponent {
public:
    explicit TrgPage(TComponent* AOwner);
    ~TrgPage() override;

    // Published, streamed in this order (the setup last).
    int AbsolutePageNo = 0;
    int AbsolutePageCount = 0;
    int ControlGroupBreakNo = 0;  // the group break that restarts page numbers
    QString DocumentName;
    bool FirstPage = false;
    int LanguageIndex = 43000;    // first string id of the report's language block
    bool LastPage = false;
    int PageNo = 0;               // within the current numbering group
    int PageCount = 0;
    TrgPassSettingType PassSetting = psOnePass;
    TDateTime PrintDateTime = 0;

    // Not meant for output (a calculating pass, or a page outside the request).
    bool CalculationOnly = false;
    // The page's numbers are final.
    bool Final = false;

    TrgPrinterSetup* PrinterSetup() const { return printerSetup_.get(); }
    // Copies the setup into the owned one; nullptr is ignored.
    void SetPrinterSetup(const TrgPrinterSetup* Value);
    const TrgPageDef& PageDef() const;

    // Copies numbers, flags and setup, and the draw commands one by one
    // through the class registry (a command of a class not registered by
    // name is left out).
    void Assign(const TPersistent* Source) override;

    void AddDrawCommand(TrgDrawCommand* Command);
    // Takes the command off the page's lists and out of its ownership.
    void RemoveDrawCommand(TrgDrawCommand* Command);
    void FreeDrawCommands();
    TrgDrawCommand* GetDrawCommand(int Index) const { return drawCommands_.at(size_t(Index)); }
    int GetDrawCommandCount() const { return int(drawCommands_.size()); }
    // nullptr / 0 while no command has a click handler.
    TrgDrawCommand* GetClickableCommand(int Index) const;
    int GetClickableCount() const { return clickable_ ? int(clickable_->size()) : 0; }

    bool HasPendingCalcs() const { return bool(pendingCalcs_); }
    // Recalculates every waiting text in list order; a device is asked to
    // redraw each that changed. The answer of the last command asked.
    bool UpdatePendingCalcs(TrgDevice* Device);

    // "Page <no> of <count>" in the page's language.
    QString GetDescription() const;

private:
    static void Unlist(std::unique_ptr<std::vector<TrgDrawCommand*>>& List, TrgDrawCommand* Command);

    std::unique_ptr<TrgPrinterSetup> printerSetup_;
    std::vector<TrgDrawCommand*> drawCommands_;
    // Created on the first entry and freed when the last leaves.
    std::unique_ptr<std::vector<TrgDrawCommand*>> clickable_;
    std::unique_ptr<std::vector<TrgDrawCommand*>> pendingCalcs_;
};
