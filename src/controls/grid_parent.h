#pragma once
// The settings an editor keeps for floating over one column of a grid:
// which grid and field it serves, whether it is sized to the cell, when it
// shows and whether it is hosted on a panel. Attached, the settings are
// copied into a floater that the grid's TGridSource places (grid_source.h).
// The date edits own a TDateEditGridParent with the defaults for date cells.

#include <QString>

#include <functional>

#include "platform/ui/control.h"

class QPainter;
class TCustomGrid;
class TFloater;

enum TAlwaysShowEditing { seAuto, seTrue };
enum TShowWhen { swAlways, swCellFocused };

class TGridParent : public TPersistent {
public:
    explicit TGridParent(TWinControl* editor) : editor_(editor) {}
    ~TGridParent() override;
    void Assign(const TPersistent* Source) override;

    TWinControl* Editor() const { return editor_; }
    TAlwaysShowEditing AlwaysShowEditing = seAuto;
    TPanelBevel PanelBevel = bvRaised;
    TColor PanelColor = clBtnFace;
    TCustomGrid* Grid() const { return grid_; }
    // A new grid: detached from the old one, attached to the new one when
    // it was attached.
    void SetGrid(TCustomGrid* grid);
    QString Field() const { return field_; }
    void SetField(const QString& v);
    bool SizeToCell() const { return sizeToCell_; }
    void SetSizeToCell(bool v);
    TShowWhen ShowWhen() const { return showWhen_; }
    void SetShowWhen(TShowWhen v);
    bool UsePanel() const { return usePanel_; }
    void SetUsePanel(bool v);
    bool Visible() const { return visible_; }
    void SetVisible(bool v);
    // Read-only; writing it changes nothing.
    QString Version() const { return QStringLiteral("4.2.2"); }
    void SetVersion(const QString&) {}

    // Attached: the editor's floater exists and its grid source is active.
    bool Attached() const;
    void SetAttached(bool b);
    virtual void Attach();
    virtual void Detach();
    TFloater* Floater() const { return floater_; }
    // The floater lets go of its settings object (it is being freed).
    void FloaterGone() { floater_ = nullptr; }

    // Whether the editor stands on the grid's selected cell: its last
    // placement was on the current row and, unless the grid selects whole
    // rows, the grid always shows its selection and the current column is
    // the editor's field; then whether the grid has the focus or shows the
    // selection always.
    bool IsSelectedCell() const;

    // How the editor paints a copy of itself into another row's cell (the
    // dataset's active record is that row's while it runs); without it the
    // editor's widget is drawn as it stands.
    std::function<void(QPainter& painter, const QRect& cell, bool selected)> PaintCopy;

protected:
    // Copies the settings into the floater when there is one.
    void UpdateFloater();

private:
    TWinControl* editor_;
    TCustomGrid* grid_ = nullptr;
    QString field_;
    bool sizeToCell_ = false;
    TShowWhen showWhen_ = swAlways;
    bool usePanel_ = false;
    bool visible_ = true;
    TFloater* floater_ = nullptr;
};

// The defaults of a date edit: sized to the cell, shown on the focused cell only.
class TDateEditGridParent : public TGridParent {
public:
    explicit TDateEditGridParent(TWinControl* editor) : TGridParent(editor)
    {
        SetSizeToCell(true);
        SetShowWhen(swCellFocused);
        SetUsePanel(false);
    }
};
