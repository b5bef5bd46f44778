#pragma once
// The settings an editor keeps for floating over one column of a data
// grid: which grid and field it serves, whether it is sized to the cell,
// when it shows and whether it is hosted on a panel. The date edits own a
// TDateEditGridParent with the defaults for date cells.

#include <QString>

#include "platform/ui/control.h"

enum TAlwaysShowEditing { seAuto, seTrue };
enum TShowWhen { swAlways, swCellFocused };

class TGridParent : public TPersistent {
public:
    explicit TGridParent(TControl* editor) : editor_(editor) {}
    void Assign(const TPersistent* Source) override;

    TControl* Editor() const { return editor_; }
    TAlwaysShowEditing AlwaysShowEditing = seAuto;
    TPanelBevel PanelBevel = bvRaised;
    TColor PanelColor = clBtnFace;
    TWinControl* Grid() const { return grid_; }
    void SetGrid(TWinControl* grid) { grid_ = grid; }
    QString Field;
    bool SizeToCell = false;
    TShowWhen ShowWhen = swAlways;
    bool UsePanel = false;
    bool Visible = true;
    // Read-only; writing it changes nothing.
    QString Version() const { return QStringLiteral("4.2.2"); }
    void SetVersion(const QString&) {}

    // Whether the editor stands on the grid's selected cell. An editor is
    // placed on a cell only while it floats over a grid; the program's
    // forms set no grid, so this answers false.
    bool IsSelectedCell() const { return false; }

private:
    TControl* editor_;
    TWinControl* grid_ = nullptr;
};

// The defaults of a date edit: sized to the cell, shown on the focused cell only.
class TDateEditGridParent : public TGridParent {
public:
    explicit TDateEditGridParent(TControl* editor) : TGridParent(editor)
    {
        SizeToCell = true;
        ShowWhen = swCellFocused;
        UsePanel = false;
    }
};
