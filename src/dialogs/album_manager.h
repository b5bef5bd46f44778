#pragma once
// The album manager (TBilderDBFManagerForm, "Fotoalben-Manager"): every
// album of the manager table LXMan.DBF as an icon in a list view with its
// statistics; open the chosen album, add an existing album or create a new
// one (with the checks on its name), delete a row, merge the marked albums
// into another one, back up the marked albums into a numbered zip archive,
// re-read the figures of all albums, choose an icon, and start the CD-R
// preparation. The icon chooser (TIconAuswahlForm, "Icon auswählen") writes
// the chosen icon's index into the current row's FLAGS.
//
// The dialog reaches the main window only through TAlbumManagerUmgebung:
// the manager table, the open album and its files, the options store.

#include <QPixmap>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

#include "platform/ui/buttons.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/forms.h"
#include "platform/ui/list_view.h"
#include "platform/ui/menus.h"
#include "platform/ui/std_ctrls.h"

class TDataSource;
class TDbe;
class TdkDBCheckBox;
class TdkDBEdit;
class TdkTable;
class TrgBDEPipeline;
class TrgReport;
class TProgrammEinstellungen;
class TQKAutoButton;
class TQKBlinker;
class TQKINI;

// What the album manager and the CD-R preparation use of the main window.
class TAlbumManagerUmgebung {
public:
    virtual ~TAlbumManagerUmgebung() = default;

    // The manager table (open for the whole run) and its engine companion.
    virtual TdkTable* ManagerTabelle() = 0;
    virtual TDbe* ManagerDbe() = 0;
    // The options store, the main ini file, the program folder ("\" at the
    // end) and the display time of timed messages.
    virtual TProgrammEinstellungen& Optionen() = 0;
    virtual QString IniDatei() const = 0;
    virtual QString ProgrammOrdner() const = 0;
    virtual int MeldungsZeit() const = 0;

    // The current album: folder (with "\") and file name; setting them sets
    // the pick-list files beside it too.
    virtual QString AlbumOrdner() const = 0;
    virtual QString AlbumName() const = 0;
    virtual void AlbumSetzen(const QString& ordner, const QString& name) = 0;
    // True when the main window has an album open, and when it is that one.
    virtual bool AlbumAktiv() const = 0;
    virtual bool IstGeoeffnet(const QString& ordner, const QString& name) const = 0;
    // The main window's open of the current album, of its second view and
    // of its full-text index (the open creates a missing album and registers
    // it); each may raise.
    virtual int BilderDBFOeffnen() = 0;
    virtual int Bilder2DBFOeffnen() = 0;
    virtual void OeffneBilderFTS() = 0;
    // Closes the album tables (all three views) and the full-text indexes;
    // opens the current album with its second view and full-text index
    // again when its file is there.
    virtual void DateienSchliessen() = 0;
    virtual void AlbumWiederOeffnen() = 0;
    // The main window's integrity check of an album file: its number of
    // entries when usable, kKeinAlbum for a table that is no album, kBelegt
    // when another program uses it (the main window has told the user).
    static constexpr int kKeinAlbum = -1;
    static constexpr int kBelegt = -2;
    virtual int AlbumPruefen(const QString& ordner, const QString& name) = 0;
    // Creates an empty album.
    virtual void AlbumErzeugen(const QString& ordner, const QString& name) = 0;
    // Registers the current album in the manager table (neu) or refreshes
    // the current manager row from its path (not neu).
    virtual void AlbumEintragen(bool neu) = 0;
    // Hides or shows the album grid and the single-record view.
    virtual void AnsichtZeigen(bool zeigen) = 0;
    // The thumbnail grid is filled anew at its next showing.
    virtual void VorschauNeuLaden() = 0;
    // Writes the main window's ini file.
    virtual void IniSchreiben() = 0;
    // Saves the album grid's layout when it is pending (false: it failed),
    // and reads it again (false: that failed).
    virtual bool GridSettingsSichern() = 0;
    virtual bool GridSettingsLesen() = 0;
    virtual void PrgWavSpielen(int nummer) = 0;
    virtual void Hilfe(const QString& thema) = 0;
    // An action log line ("Info"/"Fehler") when logging is on.
    virtual void Protokoll(const QString& art, const QString& text) = 0;
    // The main window asks for the CD-R preparation at once.
    virtual bool CDRStart() const = 0;

    // For the CD-R preparation: opens an album in the main window's third
    // work area (target album of copies) and gives its table and companion
    // (null when it did not open); closes it again.
    virtual TDbe* DrittesAlbumOeffnen(const QString& ordner, const QString& name) = 0;
    virtual void DrittesAlbumSchliessen() = 0;
    // Packs the album in the third work area and rebuilds its indexes.
    virtual void PackeKopierteDBF() = 0;
};

// The paths of the manager table's rows that are not deleted, in natural
// order, all or only the marked ones; its order and current row stay.
QStringList ManagerAlben(TdkTable* table, TDbe* dbe, bool nurMarkierte);

// The large icons of the album manager's list (index = icon number).
std::vector<QPixmap> AlbumIcons();

class TBilderDBFManagerForm : public TForm {
public:
    TBilderDBFManagerForm(TComponent* AOwner, TAlbumManagerUmgebung& umgebung);
    ~TBilderDBFManagerForm() override;

    // ---- Controls ----
    TMainMenu* MainMenu1;
    TMenuItem* AusgewaehlteBilderdatenbankOeffnen1;
    TMenuItem* Bilderdatenbankhinzufgen1;
    TMenuItem* AlbumLoeschen1;
    TMenuItem* MarkierteDatenbankenzusammenfuegen1;
    TMenuItem* MarkierteDatenbankensichernBackup1;
    TMenuItem* Bilderdatenbankattributeneulesen1;
    TMenuItem* Drucken1;
    TMenuItem* CDRProduzieren1;
    TMenuItem* Ende1;
    TMenuItem* GrossesIcon1;
    TMenuItem* KleinesIcon1;
    TMenuItem* List1;
    TMenuItem* Report1;
    TMenuItem* Statistik1;
    TMenuItem* ToolbarAnzeigen1;
    TMenuItem* IconAuswaehlen1;
    TMenuItem* Hilfe1;
    TPopupMenu* PopupMenuListView;
    TPanel* PanelDock;
    std::vector<TQKAutoButton*> ToolButtons;  // the seven toolbar buttons
    TPanel* PanelMain;
    TPanel* PanelListe;
    TListView* ListView1;
    TLabel* LabelBeschreibung;
    TdkDBEdit* DBEditShortDesc;
    TLabel* LabelPfad;
    TdkDBEdit* DBEditPfad;
    TGroupBox* GroupBoxStatistik;
    TdkDBEdit* DBEditPicBytes;      // "Sum. Bilder"
    TdkDBEdit* DBEditMarkierte;     // "Mark. Bilder"
    TdkDBEdit* DBEditSaetze;        // "Sätze"
    TdkDBEdit* DBEditDatum;         // "Album-Datum"
    TdkDBEdit* DBEditLabel;         // "Label"
    TdkDBEdit* DBEditBytesSum;      // "Album Gesamtgröße"
    TdkDBEdit* DBEditMitDesc;       // "Mit Beschr."
    TdkDBEdit* DBEditOhneDesc;      // "Ohne Beschr."
    TdkDBCheckBox* DBCheckBoxMARKIERT;
    TdkDBCheckBox* DBCheckBoxZUGRIFF;
    TBitBtn* BitBtnMerge;
    TBitBtn* BitBtnBackup;
    TBitBtn* BitBtnOeffnen;
    TBitBtn* BitBtnDatenFileAttribute;
    TButton* Button1;
    TOpenDialog* OpenDialog1;
    TQKINI* QKINIBilderDatenbanken;
    // Blinks the re-read button while all albums are read again.
    TQKBlinker* QKBlinker1;
    // The album list print: "BilderDBFManager.RTM" of the program folder
    // over the manager table.
    TrgReport* rgReportBilderDBFManager;
    TrgBDEPipeline* rgBDEPipelineBilderDBFManager;
    // Where the loaded list goes; unset, the report prints to its own device.
    std::function<void(TrgReport*)> ListenAusgabe;

    // ---- Commands ----
    void FormShow();
    void FormClose();
    void CreateListView();
    // With an item selected: open its album and close; else the hint.
    void AusgewaehlteBilderdatenbankOeffnen1Click();
    void BitBtnOeffnenClick();
    void BitBtnOeffnen_ErstellenClick();
    void AlbumLoeschen1Click();
    void BitBtnMergeClick();
    void BitBtnBackupClick();
    void BitBtnDatenFileAttributeClick();
    void Drucken1Click();
    void CDRProduzieren1Click();
    void IconAuswaehlen1Click();
    void Ansicht(TViewStyle stil);
    void Statistik1Click();
    void ToolbarAnzeigen1Click();
    void Hilfe1Click();
    void ListView1Click();
    void ListView1KeyUp(Word key);
    void PopupMenuListViewPopup();
    // Registers the album the main window has just opened (NewEntry) or
    // refreshes the current row from its path.
    void GeoeffneteDBFinDBFVerwaltungEintragen(bool NewEntry);
    // The manager table holds no row: open, merge and re-read are off.
    void ManagerLeer();
    // The merge follow-up: Add or create keeps the preset folder and name.
    bool MergeFolge = false;
    // The archive name the next backup would use.
    QString BackupArchivName() const;

private:
    void Meldung(const QString& caption, const QString& text);
    bool ItemGewaehlt();
    void ZeileAnfahren(int index);
    void AktuellesAlbumSuchen();
    void KnoepfeFreigeben(bool an);
    void IniLesen();
    void IniSchreiben();
    // Opens an album in the form's own table; false (after the message)
    // when it did not open, an error when it is no album at all.
    bool Table1Oeffnen(const QString& ordner, const QString& name, bool exklusiv, bool nurLesen);
    // The guarded main window open of the current album (its three steps).
    void HauptfensterOeffnen(const QString& handler);
    TAlbumManagerUmgebung& u_;
    TDataSource* quelle_;
    TdkTable* table1_;
    TDataSource* quelle1_;
    TDbe* dbe1_;
    int standardIcon_ = 0;
};

class TIconAuswahlForm : public TForm {
public:
    TIconAuswahlForm(TComponent* AOwner, TAlbumManagerUmgebung& umgebung);
    TListView* ListView1;
    TQKINI* QKINI1;
    // Writes the selected icon's index into the manager row's FLAGS.
    void ListView1Click();

private:
    TAlbumManagerUmgebung& u_;
};
