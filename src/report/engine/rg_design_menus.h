#pragma once
// The popup menus a report designer offers on bands and components. Each
// menu is a table of items: the item's name, the number of its caption in
// the engine's string table, and optionally its check mark, its enabled
// state and its action. rgBuildDesignMenu makes the menu items (caption in
// the report's language, string number in Tag); rgAssignDesignMenuHandlers
// wires the actions and sets the check marks and enabled states, and does
// so again each time the menu drops, so the marks show the current values.
// Every action changes its property through the property's setter.
//
// The dialogs a menu item opens come from the engine's form registry; the
// values they show and give back travel through the small data classes
// below, which a registered form implements besides its abstract class.

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

#include "platform/ui/graphics.h"
#include "report/output/rg_types.h"

class TComponent;
class TPopupMenu;
class TrgBand;
class TrgPrintable;

struct TrgDesignMenuItem {
    QString Name;
    // Caption number in the language block; 0 for a separator ("-").
    int StringNo = 0;
    std::function<bool()> Checked;  // empty: never checked
    std::function<bool()> Enabled;  // empty: always enabled
    std::function<void()> Click;    // empty: does nothing
    // Added to the caption from the string table ("..." of a dialog item).
    QString CaptionSuffix;
};
using TrgDesignMenu = std::vector<TrgDesignMenuItem>;

// Table helpers: a command, a separator, a Boolean property shown by its
// check mark and toggled through its setter.
TrgDesignMenuItem rgMenuCommand(const QString& Name, int StringNo, std::function<void()> Click);
TrgDesignMenuItem rgMenuLine(const QString& Name);
TrgDesignMenuItem rgMenuToggle(const QString& Name, int StringNo, std::function<bool()> Get,
                               std::function<void(bool)> Set);

// Replaces Menu's items with those of Items; captions from the language block
// that starts at LanguageIndex.
void rgBuildDesignMenu(TPopupMenu* Menu, const TrgDesignMenu& Items, int LanguageIndex);
// Sets OnClick, Checked and Enabled of Menu's items from Items (matched by
// name) and refreshes the marks whenever the menu drops. AfterClick runs
// after every action (a designer repaints what the action changed).
void rgAssignDesignMenuHandlers(TPopupMenu* Menu, const TrgDesignMenu& Items,
                                std::function<void()> AfterClick = {});
// Re-reads the check marks and enabled states (after an action).
void rgRefreshDesignMenu(TPopupMenu* Menu, const TrgDesignMenu& Items);

// ---- component menus ---------------------------------------------------------

// The design menu of a printable by its class: text, stretchable, subreport,
// shape, line, image; an empty table for a class without one.
TrgDesignMenu rgComponentDesignMenu(TrgPrintable* Printable);
// Builds and wires the printable's menu in one step.
void rgBuildComponentPopupMenu(TrgPrintable* Printable, TPopupMenu* Menu, std::function<void()> AfterClick = {});

// ---- the designer's fill and line commands ----------------------------------------

// For regions, shapes and lines: the fill colour or a clear brush ("no
// fill"), the line colour or a clear pen ("no line"), the line width. False
// for a component without brush and pen.
bool rgDesignFillCommand(TrgPrintable* Printable, TColor Color, bool NoFill);
bool rgDesignLineCommand(TrgPrintable* Printable, TColor Color, bool NoLine);
bool rgDesignLineWidthCommand(TrgPrintable* Printable, int Width);

// ---- the designer's choice lists ------------------------------------------------

struct TrgDesignChoices {
    QString Title;
    QStringList Entries;
};
// A shape's kinds or a line's positions in the report's language; an empty
// title for other components.
TrgDesignChoices rgDesignChoices(TrgPrintable* Printable);

// ---- dialog contracts --------------------------------------------------------

// The position dialog of a component: lengths in the component's Units.
struct TrgPositionValues {
    float Left = 0, Top = 0, Width = 0, Height = 0;
    bool ParentWidth = false, ParentHeight = false;
    // Stretchables also show their offsets.
    bool HasOffsets = false;
    float BottomOffset = 0, OverFlowOffset = 0;
};
class TrgPositionDialogData {
public:
    virtual ~TrgPositionDialogData() = default;
    TrgPositionValues Values;
};

// The band position dialog: lengths in the band's Units.
struct TrgBandPositionValues {
    float Height = 0, BottomOffset = 0, PrintPosition = 0;
    int PrintCount = 0;
};
class TrgBandPositionDialogData {
public:
    virtual ~TrgBandPositionDialogData() = default;
    TrgBandPositionValues Values;
};

// The shift and drill-down dialogs: a list of names and the chosen one.
class TrgNameChoiceDialogData {
public:
    virtual ~TrgNameChoiceDialogData() = default;
    QStringList Names;
    int ItemIndex = -1;
};

// The picture dialog: the picture shown and, on OK, the one chosen.
class TrgPictureDialogData {
public:
    virtual ~TrgPictureDialogData() = default;
    TPicture Picture;
};

// The display format dialog: the samples for the field's data type and
// the chosen format.
class TrgFormatDialogData {
public:
    virtual ~TrgFormatDialogData() = default;
    QStringList Samples;
    QString DisplayFormat;
};

// The calculation dialog of a data calculation: the report's groups (by
// description, index 0 the outermost; -1 for none) and the calculation kind.
class TrgDBCalcDialogData {
public:
    virtual ~TrgDBCalcDialogData() = default;
    QStringList Groups;
    int GroupIndex = -1;
    TrgDBCalcType CalcType = dcSum;
};

// The operations behind the dialog items, for menus and designers alike.
// Each opens the registered form in the language of LanguageIndex and
// applies the values when the form closes with OK; false when no form is
// registered, the form lacks the data contract, or it was not accepted.
bool rgEditComponentPosition(TrgPrintable* Printable);
bool rgEditBandPosition(TrgBand* Band);
bool rgEditShiftRelativeTo(TrgPrintable* Printable);
// A subreport's drill-down component, chosen among its band's components.
bool rgEditDrillDownComponent(TrgPrintable* Printable);
bool rgEditImagePicture(TrgPrintable* Printable);
bool rgEditDisplayFormat(TrgPrintable* Printable);
bool rgEditCalculation(TrgPrintable* Printable);
// A bar code's configuration (TrgCustomBarCodeDialog): on OK the values are
// applied through the bar code's setters in the order type, orientation,
// bar width, wide bar ratio, add-on code, bearer bars, check digit.
bool rgEditBarCode(TrgPrintable* Printable);
