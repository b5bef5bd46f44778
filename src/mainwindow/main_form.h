#pragma once
// TMainForm: the program's main window. This part holds its album work:
// the work areas of the open album, its second view, the target album of
// copies, the album manager table and the integrity check; creating,
// checking, opening and indexing albums; the album manager table and the
// registration of albums; the full-text indexes; copying shown entries into
// another album; and the search for albums on inserted CDs.
//
// The form can be created without being shown; every question and message
// goes through the prompt service. The options dialog's controls are read
// from ProgrammOptionen (main_options.h), the album manager dialog is
// reached through AlbumManager.

#include "mainwindow/album_record.h"
#include "mainwindow/main_options.h"

#include "platform/core/string_list.h"
#include "platform/ui/forms.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class TAppException;
class TDataSet;
class TDataSource;
class TDbe;
class TDbeEnv;
class TdkTable;
class TFts;
class TOpenDialog;
class TQKFind;
class TQKINI;
class TStatus4Frm;
class TStatusBar;

class TMainForm : public TForm {
public:
    explicit TMainForm(TComponent* AOwner);
    ~TMainForm() override;

    // ---- Components ----------------------------------------------------------
    TQKINI* QKINI_Prog;
    TAppException* AppException1;
    TDbeEnv* DbeEnv1;
    TdkTable* TableBilder;
    TdkTable* TableBilder2;
    TdkTable* TableBilder3;
    TdkTable* TableBilderDatenbanken;
    TdkTable* TableCheck;
    TDataSource* DataSourceBilder;
    TDataSource* DataSourceBilder2;
    TDataSource* DataSourceBilder3;
    TDataSource* DataSourceBilderDatenbanken;
    TDataSource* DataSourceCheck;
    TDbe* DbeBilder;
    TDbe* DbeBilder2;
    TDbe* DbeBilder3;
    TDbe* DbeBilderDatenbanken;
    TDbe* DbeCheck;
    TFts* FtsBilder;
    TFts* FtsBilder3;
    TQKFind* QKFind1;
    TQKFind* QKFind2;
    TOpenDialog* OpenDialog1;
    TOpenDialog* OpenDialog3;
    // Panel 1 of StatusBarBilder1: the counts; panel 0 of StatusBarBilder2:
    // the open album's name.
    TStatusBar* StatusBarBilder1;
    TStatusBar* StatusBarBilder2;

    // ---- Neighbours ----------------------------------------------------------
    // The control values of the options dialog (never null).
    TProgrammOptionenStand* ProgrammOptionen() const { return optionen_; }
    // Hands over another options state (not owned; null: the form's own).
    void SetProgrammOptionen(TProgrammOptionenStand* optionen);
    // The album manager dialog; null until one is installed. Without it the
    // registration of an opened album runs the main window's own routine.
    TAlbumManagerDialog* AlbumManager = nullptr;

    // ---- Program-wide album state --------------------------------------------
    QString ProgrammPfad;              // program folder, ends with "\"
    QString BilderDBFPfad;             // album folder, ends with "\"
    QString BilderDBF = kStandardAlbum;
    QString GruppenListeDatei;         // album folder + base name + ".GPR"
    QString QuellenListeDatei;         // ... + ".QUL"
    QString BilderFTSName;             // the album's ".IA" name
    QString BilderCDXName;             // the album's ".CDX" name
    QString Bilder3DBFPfad;            // target album of copies
    QString Bilder3DBF;
    QString Bilder3FTSName;
    QString Bilder3CDXName;
    int BilderActiveOrder = 1;         // ini "BilderActiveOrder"
    int Bilder3ActiveOrder = 0;        // for the run only
    bool BilderDBFReadOnly = false;    // the open album's .DBF is write-protected
    bool GridLayoutMerker = false;
    QString ErsteCaption;              // the first caption, saved by the deferred start-up
    QString DatenbankenDBF = kManagerTabelle;
    int RequesterAnzeigeZeit = 4;      // seconds, ini "RequesterAnzeigeZeit"
    bool Abbruch = false;              // the main window's abort flag (Esc)
    TStringList IndexTagListe;         // the open album's tag names in order
    QString FTSSuchText;               // the current full-text search text
    int FTSHandleGlobal = 0;           // last handle a full-text open answered
    int LetztesFTSAddErgebnis = 0;
    TStringList GefundeneAlben;        // albums found on CDs
    QString LetzteGefundeneDatei;      // path of the last file QKFind1 found

    // ---- Album record and tags -----------------------------------------------
    int ErzeugeBilderDatenbank(const QString& Path, const QString& FileName);
    bool IstBildZielFormat(const QString& FileName, int Kantenlaenge);

    // ---- Album manager table -------------------------------------------------
    int ErzeugeBilderDatenbankenVerwaltung(const QString& Path, const QString& FileName);
    int BilderDBFsOeffnen();
    void BilderDBFinDBFVerwaltungEintragen(const QString& FullPath, int NewEntry, int ByFileName);
    // Delete handlers of the manager table (the album's files; packing).
    void TableBilderDatenbankenBeforeDelete(TDataSet* DataSet);
    void TableBilderDatenbankenAfterDelete(TDataSet* DataSet);

    // ---- Opening albums ------------------------------------------------------
    int BilderDBFOeffnen();
    int Bilder2DBFOeffnen();
    void Bilder3DBFOeffnen();
    int BilderDBFChecken();
    int BilderDBFOffen();
    void AndereBilderdatenbankoeffnen1Click(TObject* Sender);
    // Collects the open album's tag names into IndexTagListe.
    void BilderIndexDaten();
    // Writes "<shown> von <all> Einträge angezeigt" into the count panel.
    void BilderSatzAnzahlZeigen();

    // ---- Full-text index -----------------------------------------------------
    void OeffneBilderFTS();
    void OeffneBilder3FTS();
    void TableBilderAfterPost(TDataSet* DataSet);
    void FTSBilder3Add();
    void NurVolltextsucheneuaufbauen1Click(TObject* Sender);
    // The record buffers of the two indexes (record length + 1 bytes).
    std::vector<char> BilderFTSPuffer;
    std::vector<char> Bilder3FTSPuffer;

    // ---- Copies into another album -------------------------------------------
    void KopiereSaetzeInNeuesFotoalbum();
    void PackeKopierteDBF();
    bool SchreibeVorschauBildUndBildPfadInNeueBilderDBF();  // false: the thumbnail write failed

    // ---- Albums on CDs -------------------------------------------------------
    int CheckObNeueAlbenAufCDR();
    int BilderDBFChecken2(const QString& Folder, const QString& FileName);
    void NeueFotoalbenaufCDsuchen1Click(TObject* Sender);

protected:
    // Display work of the album views, done by the window's display code:
    // the current entry's thumbnail, the edit controls' colours, the program
    // sound of a command and the views shown around an album change.
    virtual void ZeigeVorschauBildAusBlob() {}
    virtual void FeldfarbenSetzen() {}
    virtual void PrgWavSpielen(long Nummer) { (void)Nummer; }
    virtual void AlbumAnsichtenNachWechsel() {}

private:
    // "Info" / "Fehler" entry in the action log when logging is on.
    void Protokoll(const QString& art, const QString& text);
    // The timed notice of the program (info colour, black, centred).
    void Hinweis(const QString& caption, const QString& text, int height);
    // The exception logger's user text: the open album's table name and
    // record position.
    void FehlerKontextSetzen();
    // The open routine with the album's options (ttDXFOX, no password, not
    // read-only): true when the table opened; raises what the routine raised.
    bool TabelleOeffnen(TdkTable* table, TDbe* dbe, const QString& folder, const QString& name, bool exclusive);
    // Creates the table file with the fields listed, the table's controls
    // held still meanwhile. When the file cannot be begun the program ends
    // (EAbort); a failure to write it out is only reported.
    void TabelleErzeugen(TdkTable* table, TDbe* dbe, const QString& datei, std::span<const TAlbumFeld> felder);
    // TabelleOeffnen where an exception of the routine ends the command: the
    // cursor is reset, the exception log names the open album and `fehler`
    // is raised in its place.
    bool TabelleOeffnenOderFehler(TdkTable* table, TDbe* dbe, const QString& folder, const QString& name,
                                  bool exclusive, const QString& fehler);
    // The messages raised when the engine could not open a table.
    static const QString kFehlerOeffnen;
    static const QString kFehlerOeffnenDefekt;
    // Builds the tags in the selected table's production index under the
    // progress window (steps, text).
    void TagsErzeugen(TDbe* dbe, const TAlbumTag* tags, int count, int schritte, const QString& text);
    // True when the table's production index holds every tag of the list.
    static bool HatAlleTags(TDbe* dbe, const TAlbumTag* tags, int count);
    int BilderDBFOeffnenLauf(bool wiederholen, bool picklistenFragen);
    void Bilder3DBFOeffnenLauf(bool wiederholen);
    // Closes the table, removes its index file, opens it exclusively, builds
    // the tags, closes it and opens it shared again; false when the shared
    // open failed.
    bool IndexNeuAufbauen(TdkTable* table, TDbe* dbe, const QString& folder, const QString& name,
                          const TAlbumTag* tags, int count);
    // The album's pick-list files (.GPR, .QUL) beside BilderDBF.
    void ListenDateienSetzen();
    // Saves the album grid's column layout when it was changed.
    void GridLayoutSichern();
    void PicklistenUebernehmen(bool nurWennKeinCD);
    void PicklistenNeuLesen();
    int AlbumPruefen(const QString& folder, const QString& name, bool meldeSchreibschutz);
    void FtsAufbauen(TFts* fts, TDbe* dbe, const QString& iaFile, std::vector<char>& puffer, const QString& logPrefix);
    QString ZeitMeldung() const;
    // Folder of the temporary thumbnail files: the options' temporary folder
    // when it exists, else the program folder.
    QString VorschauTempOrdner() const;

    TProgrammOptionenStand eigeneOptionen_;
    TProgrammOptionenStand* optionen_ = &eigeneOptionen_;
    TStatus4Frm* aktiverStatus_ = nullptr;
};
