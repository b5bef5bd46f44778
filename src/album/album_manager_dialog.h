#pragma once
// The album manager dialog as the open album and the main window see it:
// the main window shows it, and the open album enters a newly opened album
// in the manager table through it.

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
