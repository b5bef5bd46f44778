#pragma once
// What the copy/move dialog and the delete dialog use of the main window
// beyond the open album (TOffenesAlbum) and the program's services
// (TProgrammDienste), which they are given beside it: the views around a
// run, the viewer, help, the filter command, the option values they read and
// the steps of the copies command group. The main window implements it; the
// dialogs build and test without it.

#include "platform/ui/framework_types.h"

#include <QString>

// The settings of the options dialog the two dialogs read (the notice time
// is the program's services').
struct TAlbumDialogOptionen {
    bool Sicherheitsabfragen = true;   // ini "Sicherheitsabfragen"
    TColor Infofarbe = TColor(65535);  // the closing message's colour
};

class TAlbumDialogHauptfenster {
public:
    virtual ~TAlbumDialogHauptfenster() = default;

    virtual TAlbumDialogOptionen AlbumDialogOptionen() const = 0;
    virtual void Hilfe(const QString& thema) = 0;
    // The grid panel and the page control of the album data.
    virtual void AnsichtenZeigen(bool sichtbar) = 0;
    // The main window shows the current entry's thumbnail again.
    virtual void VorschauBildZeigen() = 0;
    // The full-size viewer on the current entry, its slide show disabled, modal.
    virtual void VollbildAnzeigen() = 0;
    // Removes the album's filter and shows all entries.
    virtual void BilderOhneFilter() = 0;

    // ---- the copies command group's steps (the target album of copies)
    // Opens the album (asks to create it when missing, builds its tags) and
    // its full-text index after checking an existing one (a valid album, not
    // write-protected); false when it is not open afterwards (declined,
    // damaged, write-protected: the user has been told why).
    virtual bool ZielAlbumOeffnen(const QString& ordner, const QString& name) = 0;
    // Copies the open album's current entry into the target album: all
    // fields, its note and thumbnail into the target's own memo file, its
    // full-text entry. A non-empty neuerPfad becomes PFAD (upper case), with
    // ZOOMFACTOR 0 and LABELKENNU of the new path's drive. False (and the
    // appended record marked deleted) when the entry could not be stored.
    virtual bool EintragInZielKopieren(const QString& neuerPfad) = 0;
    // Packs the target album; raises on failure.
    virtual void ZielAlbumPacken() = 0;
    // Packs the open album (the main window's command).
    virtual void AlbumPacken() = 0;
};
