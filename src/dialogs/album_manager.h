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
// The dialog works on the open album and the manager table through
// TOffenesAlbum, and reaches the main window's views and options only
// through TAlbumManagerUmgebung.

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
class TOffenesAlbum;
class TProgrammDienste;
class TdkDBCheckBox;
class TdkDBEdit;
class TdkTable;
class TrgBDEPipeline;
class TrgReport;
class TProgrammEinstellungen;
class TQKAutoButton;
class TQKBlinker;
class TQKINI;

// What the album manager and the CD-R preparation use of the main window
// beyond the open album (TOffenesAlbum) and the program's services: the
// options, the album's views, the grid layout, help, the CD-R start and the
// copies' pack.
class TAlbumManagerUmgebung {
public:
    virtual ~TAlbumManagerUmgebung() = default;

    // The options store.
    virtual TProgrammEinstellungen& Optionen() = 0;
    // Hides or shows the album grid and the single-record view.
    virtual void AnsichtZeigen(bool zeigen) = 0;
    // The thumbnail grid is filled anew at its next showing.
    virtual void VorschauNeuLaden() = 0;
    // Saves the album grid's layout when it is pending (false: it failed),
    // and reads it again (false: that failed).
    virtual bool GridSettingsSichern() = 0;
    virtual bool GridSettingsLesen() = 0;
    virtual void Hilfe(const QString& thema) = 0;
    // The main window asks for the CD-R preparation at once.
    virtual bool CDRStart() const = 0;
    // Packs the album in the target work area and rebuilds its indexes
    // (the copies' pack).
    virtual void PackeKopierteDBF() = 0;
};

// The large icons of the album manager's list (index = icon number).
std::vector<QPixmap> AlbumIcons();

class TBilderDBFManagerForm : public TForm {
public:
    TBilderDBFManagerForm(TComponent* AOwner, TOffenesAlbum& album, TProgrammDienste& dienste,
                          TAlbumManagerUmgebung& umgebung);
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
    // Posts what was typed into the current manager row, and the list shows
    // it.
    void ZeileSichern();
    bool ItemGewaehlt();
    void ZeileAnfahren(int index);
    void AktuellesAlbumSuchen();
    void KnoepfeFreigeben(bool an);
    void IniLesen();
    void IniSchreiben();
    // Opens an album in the form's own table; false (after the message)
    // when it did not open, an error when it is no album at all.
    bool Table1Oeffnen(const QString& ordner, const QString& name, bool exklusiv, bool nurLesen);
    // The guarded open of that album with its second view and full-text
    // index (its three steps): false when the album did not open.
    bool HauptfensterOeffnen(const QString& handler, const QString& ordner, const QString& name);
    TOffenesAlbum& album_;
    TProgrammDienste& dienste_;
    TAlbumManagerUmgebung& u_;
    TDataSource* quelle_;
    TdkTable* table1_;
    TDataSource* quelle1_;
    TDbe* dbe1_;
    int standardIcon_ = 0;
};

class TIconAuswahlForm : public TForm {
public:
    TIconAuswahlForm(TComponent* AOwner, TOffenesAlbum& album, TProgrammDienste& dienste);
    TListView* ListView1;
    TQKINI* QKINI1;
    // Writes the selected icon's index into the manager row's FLAGS.
    void ListView1Click();

private:
    TOffenesAlbum& album_;
};
