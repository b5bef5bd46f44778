#pragma once
// What the main window reads of the options dialog and the album manager
// dialog. The settings live in one store for the whole run
// (TProgrammEinstellungen, dialogs/program_settings.h): the options dialog
// shows and edits it, the main window and the other dialogs read it. The
// album manager dialog reaches the main window the same way: the main window
// calls it only through TAlbumManagerDialog.

#include "dialogs/program_settings.h"

// The main window's name for the settings store.
using TProgrammOptionenStand = TProgrammEinstellungen;

class TAlbumManagerDialog {
public:
    virtual ~TAlbumManagerDialog() = default;
    // Shows the album manager dialog modally (the user may open another
    // album there).
    virtual void Zeigen() = 0;
    // Adds the row of the album the main window has just opened (mode 1 =
    // new row).
    virtual void GeoeffneteDBFinDBFVerwaltungEintragen(int mode) = 0;
    // The manager table became empty after a delete: the dialog disables its
    // open, merge and attribute buttons.
    virtual void ManagerLeer() = 0;
};
