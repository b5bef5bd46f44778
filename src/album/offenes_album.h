#pragma once
// TOffenesAlbum: the open album's lifecycle over the main window's five work
// areas (the open album, its second view, the target album of copies, the
// album manager table and the integrity check). It creates a missing album
// when the user agrees, checks it, leaves a busy album untouched, sets an
// unreadable index aside and builds it anew once, keeps the order across a
// reopen, reads the tags, sets the engine's search settings, registers the
// album in the manager table, opens and builds the full-text indexes and
// closes the three views of the album. The window's own steps (the album's
// name in the status bar, the grid layout's save and read-back, the views
// after an open) go through the album views (album_ansicht.h); the
// program's services through TProgrammDienste; the few choices that belong
// to the window's options and dialogs through TOffenesAlbumUmgebung. So the
// lifecycle runs and is tested without a main window, and the command groups
// share this one object instead of each declaring the lifecycle again.

#include <QString>
#include <QStringList>

class TAlbumAnsicht;
class TAlbumDateien;
class TDataSet;
class TDbe;
class TdkTable;
class TAlbumManagerDialog;
class TArbeitsbereich;
class TDbeEnv;
class TProgrammDienste;

// What the lifecycle needs of the window beyond its views and the services.
class TOffenesAlbumUmgebung {
public:
    virtual ~TOffenesAlbumUmgebung() = default;
    // The options' "alle Meldungen": the closing notices are shown.
    virtual bool AlleMeldungen() const = 0;
    // The folder of the album manager table (the options' value) and a new
    // one the user chose.
    virtual QString ManagerOrdner() const = 0;
    virtual void ManagerOrdnerSetzen(const QString& ordner) = 0;
    // The file dialog for a manager table in another folder: false when the
    // user cancelled it, else the chosen file in `gewaehlt`.
    virtual bool ManagerTabelleWaehlen(const QString& ordner, const QString& name, QString& gewaehlt) = 0;
    // The album manager dialog when one is installed, else null.
    virtual TAlbumManagerDialog* AlbumManager() = 0;
    // The user chooses another album (the window's command for it).
    virtual void AnderesAlbumWaehlen() = 0;
    // The pick lists: offered from the last album (only where the album's
    // drive is no CD when asked so), and read from the album's own files.
    virtual void PicklistenUebernehmen(bool nurWennKeinCD) = 0;
    virtual void PicklistenNeuLesen() = 0;
    // The open album changed: filters and searches start afresh. The open
    // album's full-text index was built anew: a search text found in the old
    // one no longer applies.
    virtual void AlbumGewechselt() = 0;
    virtual void VolltextNeu() = 0;
};

class TOffenesAlbum {
public:
    TOffenesAlbum(TArbeitsbereich& bilder, TArbeitsbereich& bilder2, TArbeitsbereich& ziel,
                  TArbeitsbereich& manager, TArbeitsbereich& pruefung, TDbeEnv* dbeEnv, TAlbumAnsicht& ansicht,
                  TProgrammDienste& dienste, TOffenesAlbumUmgebung& umgebung);
    TOffenesAlbum(const TOffenesAlbum&) = delete;
    TOffenesAlbum& operator=(const TOffenesAlbum&) = delete;

    // The work areas: the open album, its second view, the target album of
    // copies, the album manager table and the integrity check.
    TArbeitsbereich& Bilder() const { return bilder_; }
    TArbeitsbereich& Bilder2() const { return bilder2_; }
    TArbeitsbereich& Ziel() const { return ziel_; }
    TArbeitsbereich& Manager() const { return manager_; }
    TArbeitsbereich& Pruefung() const { return pruefung_; }
    // The engine's search settings (soft seek, exact, lock wait) the open
    // sets.
    TDbeEnv* DbeUmgebung() const { return dbeEnv_; }

    // AlbumPruefen: another program uses the album (the busy message was
    // shown).
    static constexpr int kAlbumBelegt = -2;
    // AlbumPruefen: the table is missing or no album.
    static constexpr int kKeinAlbum = -1;

    // ---- The open album ---------------------------------------------------------
    // Opens the album of Bilder() (created after the user's yes when it is
    // missing): 1 when it is open, 0 when it is not (the user was told).
    int Oeffnen();
    // Opens that album: it becomes the album of Bilder(), then as Oeffnen().
    // When it does not open, an album open before stays the album of
    // Bilder().
    int Oeffnen(const TAlbumDateien& album);
    // True when the open album's table is open; when it is open on that
    // album (folder and name in any letter case).
    bool IstOffen() const;
    bool IstGeoeffnet(const QString& ordner, const QString& name) const;
    // Closes every view this program has on that album: the open album with
    // its second view and both full-text indexes, the target view. True when
    // the open album was among them (it is to be opened again afterwards).
    bool AnsichtenSchliessen(const TAlbumDateien& album);
    // Opens the album of Bilder() with its second view and full-text index
    // again after AllesSchliessen, when its table file is there; nothing
    // when it is open.
    void WiederOeffnen();
    // Opens the second view over the open album: 1 open, 0 not (told).
    int ZweiteAnsichtOeffnen();
    // 1 when the album is open, else 0 after the notice "Es ist kein
    // Fotoalbum geöffnet !".
    int Offen();
    // The integrity check of the open album: 1 valid, 0 not, kAlbumBelegt
    // when another program uses it.
    int Pruefen();
    // The integrity check of another album: its entry count, kKeinAlbum for
    // a table that is no album, kAlbumBelegt when it is busy.
    int AlbumPruefen(const QString& ordner, const QString& name);
    // Creates an album table in that folder (made first; a folder that
    // cannot be made is reported).
    int Erzeugen(const QString& ordner, const QString& name);
    // Reads the open album's tag names into its work area.
    void TagsLesen();
    // Saves what the user typed into the open album's entry (the edit the
    // data controls still hold, then the record): a view that closes would
    // drop it. A save that fails raises with the engine's reason.
    void EingabeSichern();
    // Closes the three views of the album (open album, second view, target),
    // their index settings cleared; the typed entry is saved first.
    void TabellenSchliessen();
    // TabellenSchliessen, and both full-text indexes (the open album's and
    // the target's) closed.
    void AllesSchliessen();
    // Closes the second view and the target album, the open album stays.
    void NebenAnsichtenSchliessen();
    // Closes the open album and opens it again (after a merge or a pack).
    int NeuOeffnen();

    // ---- The target album -------------------------------------------------------
    // Opens the target album of Ziel() (created after the user's yes when it
    // is missing); its index is built once when it is missing.
    void ZielOeffnen();
    // Opens that album as the target album: it becomes the album of Ziel(),
    // then as ZielOeffnen().
    void ZielOeffnen(const TAlbumDateien& album);
    // The target album closed and that album opened in its place, for a
    // walk over its entries (the CD-R preparation): the target's engine
    // companion, null when the album did not open (the user was told).
    TDbe* ZielWechseln(const TAlbumDateien& album);
    // Closes the target album and its full-text index.
    void ZielSchliessen();
    // The target album's table stands on the open album (the pick lists are
    // read there); it may stand on the album opened before or on a copy's
    // target.
    bool ZielAufDemAlbum() const;

    // ---- Full-text indexes ----------------------------------------------------
    // Opens the open album's full-text index, or builds it when it is missing.
    void VolltextOeffnen();
    // Puts the open album's current record, just saved, into its full-text
    // index (a failure is logged and shown); nothing without a usable index.
    void VolltextEintragen();
    // The same for the target album (with the count of keys introduced).
    void ZielVolltextOeffnen();
    // Adds the target's record buffer to its full-text index (a failure is
    // logged and shown).
    void ZielVolltextEintragen();
    // Builds the open album's full-text index anew from all its records, the
    // filter in force kept.
    void VolltextNeuAufbauen();

    // ---- The album manager table ------------------------------------------------
    // Opens the manager table (created after the user's yes, or looked for
    // elsewhere); its index is built when it is missing. 1 open, 0 not.
    int ManagerOeffnen();
    int ManagerErzeugen(const QString& ordner, const QString& name);
    // Enters an album in the manager table with its statistics (NewEntry:
    // a new row; else the current row, or with ByFileName the row of that
    // file name, is refreshed).
    void ImManagerEintragen(const QString& FullPath, int NewEntry, int ByFileName);
    // Captions, display formats, hidden and read-only fields of the manager
    // table, set after each open.
    void ManagerFelderEinrichten();
    // The manager table is open (opened now when needed).
    bool ManagerBereit();
    // The manager table has a row for that album path.
    bool ImManager(const QString& pfad);
    // The paths of the manager table's rows that are not deleted, in natural
    // order, all or only the marked ones; its order and current row stay.
    QStringList ManagerAlben(bool nurMarkierte);
    // Before the manager table's row `zeile` is deleted: after the user's
    // yes the album's own files go too; the open album is closed for it
    // after a second yes, and after a no the delete is stopped (EAbort).
    void VorManagerZeileLoeschen(TDataSet* zeile);
    // After a row was deleted: the manager table is packed (held
    // exclusively) and opened shared again; the manager dialog hears when no
    // row is left.
    void NachManagerZeileLoeschen();

private:
    int OeffnenLauf(bool wiederholen, bool picklistenFragen);
    void VolltextFehlerMelden(const QString& stelle, int antwort, const QString& zaehler);
    void ZielOeffnenLauf(bool wiederholen);

    TArbeitsbereich& bilder_;
    TArbeitsbereich& bilder2_;
    TArbeitsbereich& ziel_;
    TArbeitsbereich& manager_;
    TArbeitsbereich& pruefung_;
    TDbeEnv* dbeEnv_;
    TAlbumAnsicht& ansicht_;
    TProgrammDienste& dienste_;
    TOffenesAlbumUmgebung& umgebung_;
};

// An album held exclusively for a command that removes, replaces, rebuilds or
// copies whole what belongs to it (pack, delete all, the manager's delete, a
// merge into it, its backup). On Linux an open file can be unlinked and
// replaced under another program, so such a command acts only while the
// engine holds the album for this program alone. Construction closes every
// view of the album this program has (TOffenesAlbum::AnsichtenSchliessen) and
// opens the album exclusively on the table given; when another program uses
// it, it is not held and Belegt() has the message. The end of the scope
// closes that table and opens the open album with its views again when they
// were closed for the hold and its table is still there.
class TAlbumExklusiv {
public:
    TAlbumExklusiv(TOffenesAlbum& album, const TAlbumDateien& dateien, TdkTable* tabelle, TDbe* dbe, bool mitIndex);
    ~TAlbumExklusiv();
    TAlbumExklusiv(const TAlbumExklusiv&) = delete;
    TAlbumExklusiv& operator=(const TAlbumExklusiv&) = delete;

    // The album is held: the command may act.
    bool Gehalten() const { return gehalten_; }
    explicit operator bool() const { return gehalten_; }
    // Why it is not held: the busy message when the album is used elsewhere
    // (another program, or another table of this one), else empty.
    const QString& Belegt() const { return belegt_; }
    // The message for a hold that failed: the busy message, else `fehler`.
    QString Meldung(const QString& fehler) const { return belegt_.isEmpty() ? fehler : belegt_; }
    // The open album, closed for the hold, stays closed at the end (the
    // command tells the user to open it again).
    void GeschlossenLassen() { wiederOeffnen_ = false; }
    // Ends the hold now, as the end of the scope does.
    void Freigeben();

private:
    TOffenesAlbum& album_;
    TdkTable* tabelle_;
    bool gehalten_ = false;
    bool wiederOeffnen_ = false;
    bool frei_ = false;
    QString belegt_;
};
