#pragma once
// Editors floating over the cells of a grid column. A TGridSource serves
// one grid: it watches every event of the grid's widget (an event filter
// stands in for the grid's window procedure) and places the editors of that
// grid, one TFloater per attached editor. An editor stands live on the
// current cell of its column while that cell is edited; with ShowWhen
// swAlways the other rows' cells of the column show a painted copy of it
// (painted by an overlay above the grid's cells, so the grid's own text
// stays covered). A TGridPanel can host an editor inside its cell.
//
// The grid is a TCustomGrid. The album grid family (TdkCustomDBGrid) names
// its selected field and lends its data link for the painted copies; any
// other grid with a data source (TdkDataAwareControl) is served through the
// visible fields of its dataset and a data link of the source's own.

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

#include "controls/grid_parent.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/grids.h"

class QEvent;
class QPainter;
class QWidget;
class TDataLink;
class TDataSource;
class TField;
class TGridSource;

// A panel that hosts an editor in a cell: it paints only around its
// windowed children, never erases its background, and hands every mouse
// button and move event to its first child at (1, 1).
class TGridPanel : public TPanel {
public:
    explicit TGridPanel(TComponent* AOwner);
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
};

// One attached editor.
class TFloater : public TPersistent {
public:
    TFloater(TGridParent* settings, TWinControl* editor);
    // Leaves its source (and unhooks the editor) and its settings object.
    ~TFloater() override;
    void Assign(const TPersistent* Source) override;

    TGridSource* Source = nullptr;
    TAlwaysShowEditing AlwaysShowEditing = seAuto;
    TPanelBevel PanelBevel() const { return panelBevel_; }
    void SetPanelBevel(TPanelBevel v);
    TColor PanelColor() const { return panelColor_; }
    void SetPanelColor(TColor v);
    TWinControl* Editor = nullptr;
    QString Field;
    // The last placement was on the grid's current row.
    bool CurrentRow = false;
    bool SizeToCell = true;
    TShowWhen ShowWhen = swCellFocused;
    bool UsePanel() const { return usePanel_; }
    void SetUsePanel(bool v);
    bool Visible = true;
    // The editor's parent before it was hooked onto the grid.
    TWinControl* SavedParent = nullptr;
    // The grid column that shows Field (-1 none).
    int Col = -1;
    // Called after every event of the grid.
    std::function<void(TGridSource* Source, QEvent* Message)> OnGridMessage;
    // Set while the editor is painted into another row's cell.
    bool Painting = false;

    TGridParent* Settings() const { return settings_; }
    TGridPanel* Panel() const { return panel_; }
    // The panel, or the editor without one.
    TWinControl* Target() const;

private:
    friend class TGridSource;
    TGridParent* settings_;
    TPanelBevel panelBevel_ = bvNone;
    TColor panelColor_ = TColor(0xC0C0C0);
    bool usePanel_ = false;
    TGridPanel* panel_ = nullptr;
    bool hooked_ = false;
};

class TFloaters : public TPersistent {
public:
    explicit TFloaters(TGridSource* source) : source_(source) {}
    ~TFloaters() override;
    int Count() const { return int(items_.size()); }
    TFloater* Items(int i) const { return items_.at(size_t(i)); }
    TFloater* Find(const TWinControl* editor) const;
    void Add(TFloater* f);
    // Takes the floater off the list (it is not freed).
    void Remove(TFloater* f);
    // Frees every floater.
    void Clear();
    // Clear, then a copy of every floater of the other list (same editors).
    void Assign(const TPersistent* Source) override;

private:
    TGridSource* source_;
    std::vector<TFloater*> items_;
};

class TGridSource : public TComponent {
public:
    explicit TGridSource(TComponent* AOwner);
    ~TGridSource() override;

    TCustomGrid* Grid() const { return grid_; }
    // Throws Exception "There is already a GridSource attached to this
    // grid. <Name>" when another source of the same owner serves it.
    void SetGrid(TCustomGrid* grid);
    bool Active() const { return active_; }
    void SetActive(bool v);
    TFloaters* Floaters() { return &floaters_; }
    void Loaded() override;

    // The source of that grid among the owner's components, none when none.
    static TGridSource* FindSource(TComponent* owner, const TCustomGrid* grid);
    // A floater joins (the first makes the source active) or leaves (the
    // last makes it inactive).
    void AddFloater(TFloater* f);
    void RemoveFloater(TFloater* f);

    // Places F for the cell (row, col): shown live, shown still, painted as
    // an image (painter given), or hidden; true when it showed or painted.
    bool PositionFloater(TFloater* F, QPainter* painter, const TRect& cell, int row, int col, bool focus);
    // Paints F's editor as it shows record index recordIndex of the grid.
    void PaintCellImage(TFloater* F, QPainter* painter, int recordIndex, int top, int left);
    void HideFloater(TFloater* F);
    void SyncFloaterColumns();
    // The field name of the grid's current column.
    QString CurrentFieldName() const;
    // The floater of the current column, none when none.
    TFloater* CurrentFloater() const;
    // The first grid column of a field (indicator column counted).
    int IndicatorOffset() const;
    bool RowSelect() const;
    bool AlwaysShowSelection() const;
    // Whether the focus is in the grid, or in F's editor or panel.
    bool FocusInGrid(const TFloater* F) const;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    class Filter;
    class Overlay;
    friend class Filter;
    friend class Overlay;
    friend class TFloater;
    bool GridEvent(QObject* watched, QEvent* e);
    // The grid's own handling of the event, now.
    void Pass(QObject* watched, QEvent* e);
    void Hook(TFloater* F);
    void Unhook(TFloater* F);
    void HideAll();
    void ShowLive(TFloater* F, const TRect& cell);
    void ShowStill(TFloater* F, const TRect& cell);
    void SizeToCellRect(TFloater* F, const TRect& cell, int col);
    void ExamineFloaters();
    void PlaceOnCurrentRow();
    void PaintImages(QPainter& p);
    TDataSource* DataSource() const;
    TDataLink* Link();
    QWidget* GridWidget() const;
    void UpdateOverlay();

    TCustomGrid* grid_ = nullptr;
    bool active_ = false;
    TFloaters floaters_{this};
    std::unique_ptr<Filter> filter_;
    QPointer<QWidget> overlay_;
    std::unique_ptr<TDataLink> auxLink_;
    bool refresh_ = false;
    bool passing_ = false;
};
