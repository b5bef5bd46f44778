#pragma once
// TBilderKopien: copying entries of the open album into a target album.
// It works over two work areas of the open album (offenes_album.h), the
// source (the open album) and the target (with its full-text index and
// record buffer), whose lifecycle is the open album's, and tells the album
// views
// through TAlbumAnsicht when the copy is over. It copies all shown entries
// into an album the user picks, single entries for the copy/move dialog,
// their long descriptions and thumbnails into the target's own memo file,
// and packs the target, its full-text entries following the new numbers.
//
// The program's services are TProgrammDienste; what it needs of the window
// beyond that goes through TBilderKopienUmgebung, so it also runs without a
// main window. Messages
// and questions go through the prompt service.

#include "mainwindow/main_options.h"

#include <QString>

class TAlbumAnsicht;
class TArbeitsbereich;
class TDbe;
class TdkTable;
class TOffenesAlbum;
class TProgrammDienste;

// What the copies need of the window beyond the open album, its views and
// the program's services.
class TBilderKopienUmgebung {
public:
    virtual ~TBilderKopienUmgebung() = default;
    // The file dialog for the target album, starting in `ordner` with
    // `vorschlag`; false when it was cancelled.
    virtual bool ZielDateiWaehlen(const QString& ordner, const QString& vorschlag, QString& gewaehlt) = 0;
    virtual const TProgrammOptionenStand& Optionen() const = 0;
};

class TBilderKopien {
public:
    TBilderKopien(TOffenesAlbum& album, TAlbumAnsicht& ansicht, TProgrammDienste& dienste,
                  TBilderKopienUmgebung& umgebung);
    TBilderKopien(const TBilderKopien&) = delete;
    TBilderKopien& operator=(const TBilderKopien&) = delete;

    // Asks for a target album and copies every shown entry of the open
    // album into it; offers to register the target afterwards.
    void SaetzeInNeuesFotoalbumKopieren();
    // Opens the album as target (after checking an existing one: a valid
    // album, not write-protected) with its full-text index.
    bool ZielAlbumOeffnen(const QString& ordner, const QString& name);
    // Copies the open album's current entry into the target with its memos
    // and full-text entry; a non-empty path becomes its PFAD (with
    // ZOOMFACTOR 0 and the new drive's medium id in LABELKENNU). False when
    // it could not be stored (the appended record is then marked deleted).
    bool EintragKopieren(const QString& neuerPfad);
    // Packs the target album (exclusively, then opens it shared again).
    void ZielPacken();
    // Packs the target and rebuilds its full-text index when packing
    // renumbered the entries; the index is closed afterwards.
    void ZielPackenMitVolltext();
    // The source's thumbnail into the target's current record; false when
    // the target refused it.
    bool VorschauBildKopieren();

private:
    // After a pack that changed the count: the target's full-text entries
    // follow the new numbers. The index is closed in the end.
    void VolltextNachPacken(uint32_t vorDemPacken);

    TOffenesAlbum& album_;
    TArbeitsbereich& quelle_;
    TArbeitsbereich& ziel_;
    TAlbumAnsicht& ansicht_;
    TProgrammDienste& dienste_;
    TBilderKopienUmgebung& umgebung_;
};
