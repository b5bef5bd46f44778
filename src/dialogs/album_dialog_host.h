#pragma once
// What the copy/move dialog and the delete dialog use of the main window.
// The main window implements it; the dialogs build and test without it.

#include "platform/ui/framework_types.h"

#include <QString>

class TDataSet;
class TDbe;

// The settings of the options dialog the two dialogs read.
struct TAlbumDialogOptionen {
    QString TempOrdner;                      // temporary folder, Windows form, trailing "\"
    bool Protokollieren = false;             // CheckBoxProtokollieren
    bool VorschauBilderAlsBlob = true;       // CheckBoxVorschauBilderAlsBlobSpeichern
    bool BearbeitungszeitAnzeigen = false;   // CheckBoxBearbeitungszeitAnzeigen
    bool Sicherheitsabfragen = true;         // ini "Sicherheitsabfragen"
    int RequesterAnzeigeZeit = 10;           // seconds
    TColor Infofarbe = TColor(65535);
};

class TAlbumDialogHauptfenster {
public:
    virtual ~TAlbumDialogHauptfenster() = default;

    // The main ini file (Windows form).
    virtual QString IniDatei() const = 0;
    virtual TAlbumDialogOptionen AlbumDialogOptionen() const = 0;
    // The open album: its table (TableBilder), its engine companion
    // (DbeBilder), its folder (trailing "\") and table name.
    virtual TDataSet* AlbumTabelle() = 0;
    virtual TDbe* AlbumDbe() = 0;
    virtual QString AlbumOrdner() const = 0;
    virtual QString AlbumName() const = 0;

    virtual void PrgWavSpielen(int nummer) = 0;
    virtual void Hilfe(const QString& thema) = 0;
    // One line of kind "Info" or "Fehler" in the action log (when logging is on).
    virtual void Protokoll(const QString& art, const QString& text) = 0;
    // The grid panel and the page control of the album data.
    virtual void AnsichtenZeigen(bool sichtbar) = 0;
    // The main window shows the current entry's thumbnail again.
    virtual void VorschauBildZeigen() = 0;
    // The full-size viewer on the current entry, its slide show disabled, modal.
    virtual void VollbildAnzeigen() = 0;
    // Removes the album's filter and shows all entries.
    virtual void BilderOhneFilter() = 0;

    // ---- the target album of copies (third work area)
    // Opens the album (asks to create it when missing, builds its tags) and
    // its full-text index; false when it is not open afterwards (declined,
    // damaged, write-protected: the main window has said why).
    virtual bool ZielAlbumOeffnen(const QString& ordner, const QString& name) = 0;
    // Copies the open album's current entry into the target album: all
    // fields, its note and thumbnail into the target's own memo file, its
    // full-text entry. A non-empty neuerPfad becomes PFAD (upper case), with
    // ZOOMFACTOR 0 and LABELKENNU of the new path's drive. False (and the
    // appended record marked deleted) when the entry could not be stored.
    virtual bool EintragInZielKopieren(const QString& neuerPfad) = 0;
    // Packs the target album; raises on failure.
    virtual void ZielAlbumPacken() = 0;
    // Registers an album in the album manager table.
    virtual void ZielAlbumEintragen(const QString& pfad) = 0;
    // Packs the open album (the main window's command).
    virtual void AlbumPacken() = 0;
    // Reopens the open album's full-text index.
    virtual void BilderVolltextOeffnen() = 0;

    // ---- the delete run
    // Closes the second view and the target table of the open album.
    virtual void NebenAnsichtenSchliessen() = 0;
    virtual void ZweiteAnsichtOeffnen() = 0;
    // Closes and reopens the album (after its last shown entry was deleted).
    virtual void AlbumNeuOeffnen() = 0;
};
