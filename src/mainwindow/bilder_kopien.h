#pragma once
// TBilderKopien: copying entries of the open album into a target album.
// It works over two work areas, the source (the open album) and the target
// (with its full-text index and record buffer), and tells the album views
// through TAlbumAnsicht when the copy is over. It copies all shown entries
// into an album the user picks, single entries for the copy/move dialog,
// their long descriptions and thumbnails into the target's own memo file,
// and packs the target, its full-text entries following the new numbers.
//
// What it needs of the window beyond that goes through
// TBilderKopienUmgebung, so it also runs without a main window. Messages
// and questions go through the prompt service.

#include "mainwindow/main_options.h"

#include <QString>

class TAlbumAnsicht;
class TArbeitsbereich;
class TDbe;
class TdkTable;

class TBilderKopienUmgebung {
public:
    // AlbumPruefen's answer for an album another program uses.
    static constexpr int kAlbumBelegt = -2;

    virtual ~TBilderKopienUmgebung() = default;
    // The file dialog for the target album, starting in `ordner` with
    // `vorschlag`; false when it was cancelled.
    virtual bool ZielDateiWaehlen(const QString& ordner, const QString& vorschlag, QString& gewaehlt) = 0;
    // The number of entries of a valid album, -1 for a table that is no
    // album, kAlbumBelegt when another program uses it (the busy message was
    // shown).
    virtual int AlbumPruefen(const QString& ordner, const QString& name) = 0;
    // Opens (after asking, creates) the album the target work area names.
    virtual void ZielTabelleOeffnen() = 0;
    // Opens the target's full-text index.
    virtual void ZielVolltextOeffnen() = 0;
    // Adds the target's current record to its full-text index.
    virtual void ZielVolltextEintragen() = 0;
    // Opens the open album's full-text index again.
    virtual void AlbumVolltextOeffnen() = 0;
    // The folder of temporary memo and thumbnail files (ends with "\").
    virtual QString TempOrdner() const = 0;
    virtual const TProgrammOptionenStand& Optionen() const = 0;
    // The main window's abort flag (Esc).
    virtual bool Abbruch() const = 0;
    virtual void AbbruchZuruecksetzen() = 0;
    // Names the open album and its record position for the exception log.
    virtual void FehlerKontextSetzen() = 0;
    // An "Info" or "Fehler" line in the action log (when logging is on).
    virtual void Protokoll(const QString& art, const QString& text) = 0;
    // The program's timed notice.
    virtual void Hinweis(const QString& caption, const QString& text, int height) = 0;
    // The album manager table is open (opened now when it was not).
    virtual bool ManagerBereit() = 0;
    // The manager table already lists the album at `pfad`.
    virtual bool ImManager(const QString& pfad) = 0;
    // Registers the album in the manager table as a new entry.
    virtual void ImManagerEintragen(const QString& datei) = 0;
};

class TBilderKopien {
public:
    TBilderKopien(TArbeitsbereich& quelle, TArbeitsbereich& ziel, TAlbumAnsicht& ansicht,
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

    TArbeitsbereich& quelle_;
    TArbeitsbereich& ziel_;
    TAlbumAnsicht& ansicht_;
    TBilderKopienUmgebung& umgebung_;
};
