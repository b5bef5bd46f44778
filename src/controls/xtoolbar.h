#pragma once
// Dockable toolbars: TXToolBar lays its child controls out in lines and can
// be dragged between the dock areas (TDocks) on the four edges of its form
// or float as a small tool window over the form; its place is kept in an
// ini file. The metrics are program-wide (TDockControl).
//
// The geometry (line building, floating shapes, dock lines and drops) is in
// plain functions, so it is tested without windows.

#include "platform/ui/control.h"
#include "platform/ui/framework_types.h"

#include <functional>
#include <vector>

class TDocks;
class TXToolBar;
class QRubberBand;

enum TDockPos { dpTop, dpBottom, dpLeft, dpRight };
using TUsedPos = TSet<TDockPos>;
enum TToolbarDrawStyle { csXToolbar, csWord7 };
using TVDockEvent = std::function<void(TObject* Sender, bool Vertical)>;

// The metrics shared by all toolbars.
class TDockControl {
public:
    static int HorizontalSpacing();
    static int VerticalSpacing();
    static int ControlWidth();
    static int ControlHeight();
    static void SetHorizontalSpacing(int v);
    static void SetVerticalSpacing(int v);
    static void SetControlWidth(int v);
    static void SetControlHeight(int v);
    // 2 x HorizontalSpacing + ControlWidth, 2 x VerticalSpacing + ControlHeight.
    static int MinBarWidth();
    static int MinBarHeight();
    // Added to the client size of a floating bar (frame and caption).
    static int FloatExtraWidth();
    static int FloatExtraHeight();
};

// ---- Geometry ------------------------------------------------------------

// The lines of a bar's controls, given their bounds: indexes per line in
// order (sorted by position as the bar sorts them).
std::vector<std::vector<int>> ToolbarZeilen(const std::vector<TRect>& controls);
// Positions of the controls laid out by wrapping in the client width,
// and the client height that gives.
struct TToolbarLayout {
    std::vector<TPoint> Positionen;
    int Hoehe = 0;
};
TToolbarLayout ToolbarAuslegen(const std::vector<TPoint>& groessen, int clientBreite);
// The floating shapes (client width, client height) between which a
// floating bar snaps; controls as sizes (x width, y height) in line order.
std::vector<TPoint> ToolbarFormen(const std::vector<TPoint>& groessen, int zeilen);
// The widest shape whose width is at most w + 3 (the narrowest when none);
// the tallest whose height is at most h + 3 (the lowest when none).
TPoint FormFuerBreite(const std::vector<TPoint>& formen, int w);
TPoint FormFuerHoehe(const std::vector<TPoint>& formen, int h);

// Where a bar dropped with its corner c pixels across the dock (from the
// near bound) goes: an existing line, or a new line inserted at Zeile.
struct TDockZiel {
    int Zeile = 0;
    bool NeueZeile = false;
};
TDockZiel DockZielFuer(int c, int minBarTiefe, int zeilenAnzahl);
// Lays out one dock line: bar lengths and wished DockPos values in line
// order; gives the DockPos values after the end and overlap rules.
std::vector<int> DockZeileAuslegen(const std::vector<int>& laengen, std::vector<int> positionen, int dockLaenge,
                                   int nahGrenze, int fernGrenze);

// ---- The dock area -------------------------------------------------------

class TDocks : public TCustomControl {
public:
    explicit TDocks(TComponent* AOwner);
    ~TDocks() override;

    TDockPos Position() const { return position_; }
    void SetPosition(TDockPos v);
    bool Horizontal() const { return position_ == dpTop || position_ == dpBottom; }
    bool AllowVisible() const { return allowVisible_; }
    void SetAllowVisible(bool v);
    TUsedPos BoundLines() const { return boundLines_; }
    void SetBoundLines(TUsedPos v);
    TToolbarDrawStyle DrawStyle = csXToolbar;

    TNotifyEvent OnPaint;
    TNotifyEvent OnInsertBar;
    TNotifyEvent OnRemoveBar;
    TNotifyEvent OnVisibleChanged;

    int LineCount() const { return int(zeilen_.size()); }
    const std::vector<TXToolBar*>& Line(int i) const { return zeilen_.at(size_t(i)); }
    // Depth of one dock line across the dock.
    int LineDepth() const;
    // Size across the dock edge.
    int DockSize() const;
    // The screen rectangle a dragged bar counts as over this dock.
    TRect HitRect() const;

    // Puts the bar into a line (a line beyond the last appends a new one)
    // or a new line at that index, at DockPos along it.
    void InsertBar(TXToolBar* bar, int zeile, bool neueZeile);
    void RemoveBar(TXToolBar* bar);
    // The line of a bar; -1 when not in the dock.
    int LineOf(const TXToolBar* bar) const;
    // Lays the lines out again and sizes the dock.
    void LayoutLines();

    void Paint() override;
    void Resize() override;

private:
    int Grenze(TDockPos p) const { return boundLines_.Contains(p) ? 2 : 0; }
    TDockPos position_ = dpTop;
    bool allowVisible_ = true;
    TUsedPos boundLines_;
    std::vector<std::vector<TXToolBar*>> zeilen_;
    bool gezeigt_ = false;
    bool auslegen_ = false;
};

// ---- The toolbar ---------------------------------------------------------

class TXToolBar : public TCustomControl {
public:
    // The owner must be a form.
    explicit TXToolBar(TComponent* AOwner);
    ~TXToolBar() override;

    TUsedPos AllowedDock{dpTop, dpBottom, dpLeft, dpRight};
    bool AutoSavePosition = false;
    TDocks* DockBase = nullptr;
    QString INIFileName = QStringLiteral("Kalvuno.INI");

    TDocks* DockedTo() const { return dockedTo_; }
    // Docks the bar into the dock at DockLine/DockPos, or floats it (nullptr).
    void SetDockedTo(TDocks* dock);
    int DockLine() const;
    void SetDockLine(int v);
    int DockPos() const { return dockPos_; }
    void SetDockPos(int v);
    // Used by the dock's layout.
    void StoreDockPos(int v) { dockPos_ = v; }
    // The dock goes away.
    void DockVerloren() { dockedTo_ = letzterDock_ = nullptr; }
    bool Vertical() const { return dockedTo_ && !dockedTo_->Horizontal(); }

    TNotifyEvent OnDockChanged;
    TVDockEvent OnVerticalDock;
    TNotifyEvent OnVisibleChanged;

    // A pair of controls, one for each orientation: the one that does not
    // fit the orientation is hidden and its partner shown.
    void RegisterControlPair(TControl* horizontal, TControl* vertikal);

    // Lays out the children for the current client width.
    void Auslegen();
    // Control sizes in line order, the number of lines, the shapes.
    std::vector<TPoint> Groessen() const;
    int Zeilen() const;
    std::vector<TPoint> Formen() const;
    // Length of the bar docked in a horizontal / vertical dock.
    int DockLaengeHorizontal() const;
    int DockLaengeVertikal() const;
    // The floating window's size and place (screen pixels).
    TRect FloatRect() const;
    void SetFloatRect(const TRect& r);
    // The floating bar sized by the user: snapped to a shape of the table.
    void FloatBreiteZiehen(int breite);
    void FloatHoeheZiehen(int hoehe);

    // The position in the ini file (section = the bar's name): "DockedTo"
    // (the dock's name, "" floating), "DockLine" and "DockPos" or "Left",
    // "Top", "Width" and "Height", and "Visible".
    void SavePosition() const;
    // Applies a saved position; false when none is saved or its dock is not
    // on the form.
    bool LoadPosition();
    QString IniPfad() const;

    // Dragging: a press on the free area, moves, the release. The screen
    // point decides the target dock (or floating).
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void DblClick() override;
    // The dock under a screen point among the allowed docks of the form.
    TDocks* DockUnter(TPoint bildschirm) const;
    // Drops the bar with its top-left corner at the screen point.
    void Ablegen(TPoint bildschirm, TDocks* ziel);

    void Paint() override;
    void Resize() override;
    void Loaded() override;
    // A floating bar's window follows; OnVisibleChanged fires.
    void SetVisible(bool v) override;

private:
    std::vector<TControl*> Sichtbare() const;
    void Docken(TDocks* dock, int zeile, bool neueZeile);
    void FloatAnwenden();
    TDocks* dockedTo_ = nullptr;
    TDocks* letzterDock_ = nullptr;
    int dockLine_ = 0;
    int dockPos_ = 0;
    TRect floatRect_{100, 100, 100, 100};
    std::vector<std::pair<TControl*, TControl*>> paare_;
    bool ziehen_ = false;
    TPoint zugStart_{};
    TPoint zugVersatz_{};
    QRubberBand* rahmen_ = nullptr;
    bool auslegen_ = false;
};

// Loads the saved positions of all bars of the form with AutoSavePosition:
// when any has one, every such bar is undocked first, then each takes its
// place.
void ToolbarPositionenLaden(TComponent* form);
// Saves the positions of those bars.
void ToolbarPositionenSpeichern(TComponent* form);
