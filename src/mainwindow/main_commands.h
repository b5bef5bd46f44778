#pragma once
// The command vocabulary of the main window as data: every item of the main
// menu and of the pop-up menus, and every button of the album toolbar, in
// order, with caption, shortcut, start state, program sound number (the
// item's Tag) and the name of the handler it runs. The main window builds
// its menus and toolbar from this table and binds each handler by name.

#include "platform/ui/framework_types.h"

#include <span>

// Start state of an item.
enum : unsigned {
    kVersteckt = 1,  // hidden at start
    kGesperrt = 2,   // disabled at start
    kGehakt = 4,     // checked at start
};

struct TBefehl {
    const char* Menue;     // "MainMenuBilder", a pop-up menu, or "XToolBarBilderVerwaltung"
    int Ebene;             // 0 for the items of the menu itself, 1 below a submenu, ...
    const char* Name;      // component name; empty for a separator
    const char* Caption;   // "-" for a separator; the button's text on the toolbar
    TShortCut ShortCut;
    unsigned Start;
    int Ton;               // program sound number, 0 none
    const char* Handler;   // handler name; null: no command
    const char* Hint;      // toolbar buttons only
};

inline constexpr char kHauptmenue[] = "MainMenuBilder";
inline constexpr char kToolbar[] = "XToolBarBilderVerwaltung";

std::span<const TBefehl> BefehlsTabelle();
// The entry of a named item or button, null when the table has none.
const TBefehl* BefehlSuchen(const char* name);

// A pop-up menu and the controls it is shown for.
struct TPopupZuordnung {
    const char* Menue;
    const char* Controls;  // component names separated by ","
    const char* OnPopup;   // handler run when it opens, null when none
};
std::span<const TPopupZuordnung> PopupZuordnungen();
