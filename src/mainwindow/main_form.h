#pragma once
// TMainForm: the program's main window, a host of small objects. It owns
// its components (tables, engines, full-text indexes, the widgets of the
// album grid, the single-record view, menus, toolbar, status bars, gauges,
// timers, the print components) and keeps the handlers the command
// vocabulary (main_commands.h) binds by name; most of them forward to an
// object that owns one concern:
// - the album work areas (arbeitsbereich.h): the open album, its second
//   view, the target album of copies, the album manager table and the
//   integrity check, each with its file set (storage/album_dateien.h);
// - the open album's lifecycle over those areas (offenes_album.h): create,
//   check, open, index rebuild, full-text indexes, manager registration;
// - the maintenance commands (bilder_wartung.h), the filters and searches
//   (bilder_filter.h), the copies into another album (bilder_kopien.h) and
//   the picture views (bild_ansichten.h).
// The objects reach the window through small interfaces: the album views
// (album_ansicht.h), the program's services (programm_dienste.h: action log,
// notice, sound, error context, abort flag, ini, temporary folder, menu
// items and the run's state, programm_lauf.h) and each object's own seam,
// which the form implements. The run (start-up, settings, show, shutdown),
// the tools and the printing live in the form's own files; the state they
// share is kept in small objects: the run (programm_lauf.h, behind the
// services), the list printing and the album display (fenster_zustand.h),
// beside the settings. The form's public members are its
// components; everything else is reached through accessors.
//
// The form can be created without being shown or started; every question
// and message goes through the prompt service. The options are read from
// ProgrammOptionen (main_options.h), the album manager dialog is reached
// through AlbumManager().

#include "album/album_ansicht.h"
#include "album/album_manager_dialog.h"
#include "album/album_record.h"
#include "album/arbeitsbereich.h"
#include "album/offenes_album.h"
#include "album/programm_dienste.h"
#include "mainwindow/bilder_filter.h"
#include "mainwindow/bilder_wartung.h"
#include "mainwindow/fenster_zustand.h"
#include "mainwindow/main_options.h"
#include "mainwindow/main_settings.h"

#include "platform/core/string_list.h"
#include "platform/ui/forms.h"
#include "report/engine/rg_component_registry.h"

#include <QString>
#include <QVariant>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

class TAppException;
class TDataSet;
class TDataSource;
class TDbe;
class TDbeEnv;
class TDBDateEditPlus;
class TDBNavigator;
class TdkTable;
class TFts;
class TOpenDialog;
class TQKFind;
class TQKINI;
class TStatus4Frm;
class TStatusBar;
class TMainMenu;
class TPopupMenu;
class TMenuItem;
class TPanel;
class TPageControl;
class TTabSheet;
class TTimer;
class TImage;
class TEdit;
class TMemo;
class TLabel;
class TNotebook;
class TQKAutoButton;
class TDocks;
class TQKApp;
struct THintInfo;
class TXToolBar;
class TQKGauge;
class TBilderDialogForm;
class TDatumScopeForm;
class TButton;
class TQKWAV;
class TProgrammOptionen;
class TdkDBGrid;
class TdkDBEdit;
class TdkDBComboBox;
class TdkRecordViewDialog;
class TdkDBCheckBox;
class TdkDBMemo;
class TMainFormOptionenDialog;
class TMainFormAlbumDialoge;
class TMainFormKopien;
class TBilderKopien;
class TImageWindow;
class TQKPicPrinter;
class TQKDBPicBox;
class TRadioButton;
class TCheckBox;
class TrgReport;
class TrgBDEPipeline;
class TMainFormBilder;
class TBildAnsichten;
class TFont;
class QObject;
class QEvent;
class QTimer;
class TMainFormAlbumManager;
class TMainFormFilterUmgebung;

class TMainFormAlbum;

class TMainForm : public TForm, public TrgMethodOwner, private TProgrammDienste, private TAlbumAnsicht,
                  private TWartungsUmgebung {
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

    // ---- Work areas ------------------------------------------------------------
    // The open album, its second view, the target album of copies, the album
    // manager table and the integrity check.
    TArbeitsbereich& BereichBilder() { return *bereichBilder_; }
    const TArbeitsbereich& BereichBilder() const { return *bereichBilder_; }
    TArbeitsbereich& BereichBilder2() { return *bereichBilder2_; }
    const TArbeitsbereich& BereichBilder2() const { return *bereichBilder2_; }
    TArbeitsbereich& BereichBilder3() { return *bereichBilder3_; }
    const TArbeitsbereich& BereichBilder3() const { return *bereichBilder3_; }
    TArbeitsbereich& BereichDatenbanken() { return *bereichDatenbanken_; }
    const TArbeitsbereich& BereichDatenbanken() const { return *bereichDatenbanken_; }
    TArbeitsbereich& BereichCheck() { return *bereichCheck_; }
    const TArbeitsbereich& BereichCheck() const { return *bereichCheck_; }
    // The open album's lifecycle over these work areas (offenes_album.h).
    TOffenesAlbum& Album() { return *album_; }
    // The program's services as the concerns reach them.
    TProgrammDienste& Dienste() { return *this; }

    // ---- Neighbours ----------------------------------------------------------
    // The control values of the options dialog (never null).
    TProgrammOptionenStand* ProgrammOptionen() const { return optionen_; }
    // Hands over another options state (not owned; null: the form's own).
    void SetProgrammOptionen(TProgrammOptionenStand* optionen);
    // The album manager dialog; null until one is installed (not owned).
    // Without it the registration of an opened album runs the main window's
    // own routine.
    TAlbumManagerDialog* AlbumManager() const { return albumManager_; }
    void SetAlbumManager(TAlbumManagerDialog* manager) { albumManager_ = manager; }

    // ---- State of the list printing and the album display -------------------
    // (The run's state is reached through Dienste().Lauf().)
    TDruckStand& Druck() { return druck_; }
    const TDruckStand& Druck() const { return druck_; }
    TAnzeigeStand& Anzeige() { return anzeige_; }
    const TAnzeigeStand& Anzeige() const { return anzeige_; }
    // The program's settings (main_settings.h), read at start-up and written
    // at shutdown.
    TEinstellungen& Einstellungen() { return einstellungen_; }
    const TEinstellungen& Einstellungen() const { return einstellungen_; }

    // ---- Album record and tags -----------------------------------------------
    int ErzeugeBilderDatenbank(const QString& Path, const QString& FileName);
    bool IstBildZielFormat(const QString& FileName, int Kantenlaenge);
    // The name "Bilder umkopieren" gives a source file in the target folder:
    // its date and time, or the next free number after the name part.
    QString UmkopierName(const QString& datei) const;

    // ---- Album manager table -------------------------------------------------
    int ErzeugeBilderDatenbankenVerwaltung(const QString& Path, const QString& FileName);
    int BilderDBFsOeffnen();
    void BilderDBFinDBFVerwaltungEintragen(const QString& FullPath, int NewEntry, int ByFileName);
    // Captions, display formats, hidden and read-only fields of the manager
    // table, set after each open.
    void ManagerFelderEinrichten();
    // The menu command "Fotoalben-Manager": the album manager dialog when it
    // is installed.
    void FotoalbenManagerClick(TObject* Sender);
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
    // Collects the open album's tag names into its work area.
    void BilderIndexDaten();
    // Writes "<shown> von <all> Einträge angezeigt" into the count panel.
    void BilderSatzAnzahlZeigen();
    // The same with the count of entries shown, when the caller has it.
    void BilderSatzAnzahlZeigen(uint32_t gezeigt);

    // ---- Full-text index -----------------------------------------------------
    void OeffneBilderFTS();
    void OeffneBilder3FTS();
    // Asked by the program's start before DoCreate: the start-up then leaves
    // an existing full-text index of the album unopened, and the program
    // opens it with VolltextNachholen once the window has been painted,
    // before any input reaches it. A missing index is built by the start-up
    // as before. VolltextWartet: the index is still left for later.
    void VolltextNachDemZeigen() { volltextWartet_ = true; }
    bool VolltextWartet() const { return volltextWartet_; }
    // Opens the index the start-up left (failures reported as the start-up
    // reports them); does nothing when it opened or built the index itself,
    // or when it was opened since.
    void VolltextNachholen();
    void TableBilderAfterPost(TDataSet* DataSet);
    void FTSBilder3Add();
    void NurVolltextsucheneuaufbauen1Click(TObject* Sender);
    // Builds the open album's full-text index anew from all its records.
    void VolltextNeuAufbauen();

    // ---- Copies into another album -------------------------------------------
    // The copy object over the open album and the target album (made on
    // first use).
    TBilderKopien& Kopien();
    void KopiereSaetzeInNeuesFotoalbum();
    void PackeKopierteDBF();
    bool SchreibeVorschauBildUndBildPfadInNeueBilderDBF();  // false: the thumbnail write failed

    // ---- Albums on CDs -------------------------------------------------------
    int CheckObNeueAlbenAufCDR();
    // The number of entries of a valid album, -1 for a table that is no
    // album, kAlbumBelegt when another program uses it (the busy message was
    // shown).
    int BilderDBFChecken2(const QString& Folder, const QString& FileName);
    static constexpr int kAlbumBelegt = TArbeitsbereich::kAlbumBelegt;
    void NeueFotoalbenaufCDsuchen1Click(TObject* Sender);
    // The path of the last file QKFind1 found; "" after LetzteGefundeneDateiLeeren.
    const QString& LetzteGefundeneDatei() const { return letzteGefundeneDatei_; }
    void LetzteGefundeneDateiLeeren() { letzteGefundeneDatei_.clear(); }

    // ---- Window layout (the command vocabulary is main_commands.h) ------------
    TMainMenu* MainMenuBilder;
    // The album toolbar in the dock areas on the window's four edges; it
    // keeps its place in the program's ini file.
    TDocks* DocksTop;
    TDocks* DocksBottom;
    TDocks* DocksLeft;
    TDocks* DocksRight;
    TXToolBar* XToolBarBilderVerwaltung;
    TPageControl* PageControlBilder;
    TTabSheet* TabSheetBilderDatenbank;
    TTabSheet* TabSheetVorschauBilder;
    TTabSheet* TabSheetGrossBild;
    TPanel* PanelBilderGrid;
    TPageControl* PageControlBilderdaten;
    TTabSheet* TabSheetBilderDBFTeil1;
    TTabSheet* TabSheetBilderDBFTeil2;
    TTabSheet* TabSheetBilderDBFTeil3;
    TdkDBGrid* DBGridBilder;
    // Below the grid: the panel with the grid's navigator.
    TPanel* PanelBilderEinzelsatzAnzeige = nullptr;
    TDBNavigator* DBNavigatorBilder = nullptr;
    // The record editor (menu item "Satzeditor"), modeless.
    TdkRecordViewDialog* RecordViewDialogBilder;
    // The pick-list combos: the grid's cell editors and their twins of the
    // single-record view.
    TdkDBComboBox* DBComboboxBilderPlayListe;
    TdkDBComboBox* DBComboBoxBilderQualitaet;
    TdkDBComboBox* DBComboBoxMotivQualitaet;
    TdkDBComboBox* DBComboBoxBildQuelle;
    TdkDBComboBox* DBComboBoxBilderType;
    TdkDBComboBox* DBComboBoxMotivQualitaet2;
    TdkDBComboBox* DBComboBoxBildQuelle2;
    TdkDBComboBox* DBComboboxBilderPlayListe2;
    TdkDBComboBox* DBComboBoxBilderQualitaet2;
    std::vector<TdkDBComboBox*> PicklistenCombos() const;
    // The group and source items the options dialog handed over go to the
    // grid combos and their twins.
    void PicklistenAnwenden();
    // A pick-list combo of the single-record view closed: its sound, and the
    // record is posted when it is being edited.
    void PicklisteZugeklappt();
    // The edits of the single-record view.
    TdkDBEdit* DBEditShortDesc;
    TdkDBEdit* DBEditBilderUrheber;
    TdkDBEdit* DBEditBytes;
    TdkDBEdit* DBEditBreite;
    TdkDBEdit* DBEditHoehe;
    TdkDBEdit* DBEditSerie;
    TdkDBEdit* DBEditBilderLabel;
    TdkDBEdit* DBEditBilderPfad;
    TdkDBEdit* DBEditBilderDatum;
    TdkDBEdit* DBEditBilderAUFNDATUM;
    // The creation date with its calendar, beside the plain edit.
    TDBDateEditPlus* DBDateEditPlusAUFNDATUM = nullptr;
    TdkDBEdit* DBEditBilderLabelKennung;
    TdkDBEdit* DBEditBenutzerdefiniert1;
    TdkDBEdit* DBEditBenutzerdefiniert2;
    TdkDBEdit* DBEditBenutzerdefiniert3;
    TdkDBMemo* DBMemoBilder;
    TdkDBCheckBox* DBCheckBoxBildMarkiert;
    TdkDBCheckBox* DBCheckBoxBildImZugriff;
    TdkDBCheckBox* DBCheckBoxAnywhere;
    TdkDBCheckBox* DBCheckBoxPrivat;
    TPanel* PanelVorschaubild1;
    TImage* ImageWindow2;
    TEdit* EditDateiname;
    TMemo* MemoPfad;
    TLabel* LabelBenutzerdefiniert1;
    TLabel* LabelBenutzerdefiniert2;
    TLabel* LabelBenutzerdefiniert3;
    TPanel* PanelVorschauBilder;
    TNotebook* Notebook1;
    TImageWindow* ImageWindow1;
    TPanel* BilderGaugePanel;
    TQKGauge* QKGaugeBilder;
    TPanel* BilderGaugePanel2;
    TQKGauge* QKGaugeBilder2;
    TTimer* Timer1;  // auto-browse
    TTimer* Timer2;  // tips at start-up
    TTimer* Timer3;  // deferred start-up
    TTimer* Timer4;  // delayed thumbnail
    TQKWAV* QKWAV1;
    // A menu item or pop-up menu of the vocabulary by component name; null
    // when none has that name.
    TMenuItem* MenuItem(const QString& name) const;
    TPopupMenu* PopupMenu(const QString& name) const;
    TQKAutoButton* ToolbarButton(const QString& name) const;
    // The handler bound to a name of the vocabulary; empty for a name that
    // has none.
    TNotifyEvent Handler(const char* name);
    // Ends the program as "Ende" does (SIGTERM and SIGINT come here).
    void BeendenAnfordern();
    // True when the handler of that name does its real work.
    bool HandlerVorhanden(const char* name) const;

    // ---- Settings ------------------------------------------------------------
    void QKINI_ProgReadINI(TObject* Sender);
    void QKINI_ProgWriteINI(TObject* Sender);
    void SetDropDownCount();
    void EditiermodusTabelle1Click(TObject* Sender);
    // Applies what the options hold to the window: hints, the editors' and
    // user fields' captions, the exit entry of the menu.
    void OptionenAnwenden();
    // The editors' menu captions and the user fields' names from the options.
    void BeschriftungenSetzen();
    // The options dialog, made by the start-up and kept for the run.
    TProgrammOptionen* ProgrammOptionenForm = nullptr;

    // ---- Start-up ------------------------------------------------------------
    void FormCreate(TObject* Sender);
    void FormActivate(TObject* Sender) {}
    // The toolbar's place (dock, line and position, or its floating window)
    // from and to the program's ini file.
    void ToolbarPositionLaden();
    void ToolbarPositionSpeichern();
    // The toolbar shown or hidden (also by closing its floating window): the
    // menu's tick follows.
    void XToolBarBilderVerwaltungVisibleChanged(TObject* Sender);

    // ---- Application events (QKApp1) ------------------------------------------
    TQKApp* QKApp1;
    // Before a hint shows: a disabled button says so; with spoken hints on,
    // the control's sound (its Tag, else by its hint text) is played.
    void QKApp1ShowHint(QString& HintStr, bool& CanShow, THintInfo& HintInfo);
    // The program minimised: its icon goes into the desktop's tray.
    void QKApp1Minimize(TObject* Sender);
    void AllePfadeChecken();
    int DatenUebernehmen();
    void StarteSetup();
    void KopiereProgramm();
    void ProgInitalisieren();
    void FarbeFuerAllePanels();

    // ---- Show and deferred start-up ------------------------------------------
    void FormShow(TObject* Sender);
    void Timer3Timer(TObject* Sender);
    void FensterAnfangsGroesse();
    void AktionV211();
    // Reads the values of that field into Anzeige().PickListe.
    void LesePickliste(const QString& FieldName);

    // ---- Shutdown and program-level commands ---------------------------------
    // Ends the program. Asked for while a command runs or events run inside
    // a handler (an engine's wait, a modal dialog, a poll for Esc), the end
    // is only noted: the command stops as Esc stops it, the modal dialogs
    // close as their Cancel closes them, waits for a busy album stop, and
    // the end follows once control is back in the main loop. Asked for
    // again while it runs, its own notices close. Once begun it always
    // reaches Application->Terminate(): a failing step is logged and the
    // next one runs.
    void Ende1Click(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void DurchschnZeitproNutzung1Click(TObject* Sender);
    void ResetundNeustart1Click(TObject* Sender);
    // The files of a drop on the window (Linux paths are taken as they come).
    void DateienFallengelassen(const QStringList& dateien);
    void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
    void FormKeyUp(TObject* Sender, Word& Key, TShiftState Shift);
    void AutoBlaetternStoppen();
    void HintWavSpielen(long Nummer);
    // The sound a hint speaks: the control's Tag, else by its hint text.
    static long HintTonNummer(long tag, const QString& hint);
    void SystemInfo1Click(TObject* Sender);
    void LinkaufDesktoperstellen1Click(TObject* Sender);
    void Tips1Click(TObject* Sender);
    void Timer2Timer(TObject* Sender);
    void Ueber1Click(TObject* Sender);
    void Schnelleinstieg1Click(TObject* Sender);
    void Onlinehilfe1Click(TObject* Sender);
    // Every help request of the program (help menu, help buttons, F1): the
    // Windows help file has no viewer here, so the user hears how to find
    // help instead. Answers the request as handled.
    bool QKApp1Help(Word Command, int Data, bool& CallHelp);
    void SortierHinweisClick(TObject* Sender);
    void SuchHinweisClick(TObject* Sender);
    void Hinweis1Click(TObject* Sender);
    void OnlineUpdate1Click(TObject* Sender);
    void GesprocheneProgrammvorstellung2Click(TObject* Sender);
    void Dateiverschieben1Click(TObject* Sender);
    void HistoryLumadexhis1Click(TObject* Sender);
    void OptionenBilder1Click(TObject* Sender);
    void Hauptmenueausblenden1Click(TObject* Sender);
    void Hauptmenueeinblenden1Click(TObject* Sender);
    void TabBar1ausblenden1Click(TObject* Sender) {}
    void TabBar2ausblenden1Click(TObject* Sender);
    void BilderToolbarausblenden1Click(TObject* Sender);
    void BilderToolBarAnzeigenClick(TObject* Sender);
    void StatusBarBilder1Click(TObject* Sender);
    void VolltextSuche2Click(TObject* Sender) {}
    // "Std:Min:Sek" of a time in milliseconds; hours are not limited.
    static QString ZeitText(int64_t ms);
    // Usage time of this run and the new total (the total is kept in 32
    // bits in the ini and stops at its largest value).
    static int32_t GesamtZeitAddieren(int32_t gesamt, int64_t lauf);
    // The average per start; 0 when no start was counted.
    static int64_t DurchschnittProStart(int64_t gesamt, int starts);

    // ---- Dialog and tool commands (main_form_tools.cpp) -----------------------
    // Upload from camera or scanner (mode from the options, 0 asks), the
    // scans into the multi-picture components, HTML and ASCII export, ASCII
    // import, CD-R, e-mail, wallpaper, thumbnail settings, print layouts.
    void Bilderuploaden1Click(TObject* Sender);
    void QKAutoButtonUploadenClick(TObject* Sender);
    void BilderuploadenII1Click(TObject* Sender);
    void Button1Click(TObject* Sender);
    void Button3Click(TObject* Sender);
    void BilderHTMLExport1Click(TObject* Sender);
    void ASCIIExport1Click(TObject* Sender);
    void ASCIIImport1Click(TObject* Sender);
    void CDRZusammenstellen2Click(TObject* Sender);
    void PereMailversenden1Click(TObject* Sender);
    void BildalsHintergrundbildladen1Click(TObject* Sender);
    void WallpaperZeigen();
    void BilderlistenAuswahl1Click(TObject* Sender);

    // ---- Printing (main_form_print.cpp) ----------------------------------------
    // The single-picture print layout; the large-picture flags are in
    // Druck().
    TQKPicPrinter* QKPicPrinter1 = nullptr;
    // The list prints the layout chooser calls with the template file name
    // (from the first record / from the current record).
    void DruckeBilderListe(const QString& TemplateFile);
    void DruckeBilderListe2(const QString& TemplateFile);
    // The two list reports and their pipelines over DataSourceBilder:
    // rgReport2 prints from the first record, rgReport1 (with the
    // large-picture layouts) from the current one.
    TrgReport* rgReport1 = nullptr;
    TrgReport* rgReport2 = nullptr;
    TrgBDEPipeline* rgBDEPipeline1 = nullptr;
    TrgBDEPipeline* rgBDEPipeline2 = nullptr;
    // The report events that templates name, bound when a template loads.
    const TrgMethodTable& PublishedMethods() const override { return listenMethoden_; }
    void rgReport1DetailBand1BeforePrint(TObject* Sender);
    void rgReport2DBText4Format(TObject* Sender, const QString& DisplayFormat, int DataType, const QVariant& Value,
                                QString& Text);
    void rgReport2Label1Print(TObject* Sender);
    void rgReport2Label2Print(TObject* Sender);
    void rgReport2DBCalc1Calc(TObject* Sender);
    // Prints the current entry's picture through QKPicPrinter1's layout.
    void Einzelbilddrucken2Click(TObject* Sender);
    // Clear the large-picture flags and drop the print menu at the pointer.
    void QKAutoButtonBilderDruckenClick(TObject* Sender);
    void Drucken2Click(TObject* Sender);
    // Saves that rectangle (right and bottom exclusive) of the picture in
    // ImageWindow1 as the print's "PrintPic.BMP"; false when there was
    // nothing to save or the file could not be written.
    bool Beschneiden(int Left, int Top, int Right, int Bottom);
    // The rectangle of a picture of that size that a list prints: with
    // grossBild8 the full width and 25/36 of it as height, with grossBild10
    // the full height and 25/36 of it as width (rounded, halves to even),
    // else the whole picture.
    static TRect DruckAusschnitt(int breite, int hoehe, bool grossBild8, bool grossBild10);
    // The print's "PrintPic.BMP": a temporary file of the run under a name
    // of its own, made on first use and removed when the print that used it
    // ends; empty when it cannot be made.
    QString PrintPicDatei();

    // The handler of these commands by vocabulary name; null for others.
    using TBefehlsMethode = void (TMainForm::*)(TObject*);
    static TBefehlsMethode WerkzeugBefehl(const char* name);
    // The handler of a command kept in one of the groups' own tables (picture
    // views, copy and delete, tools); null for another name.
    static TBefehlsMethode ZusatzBefehl(const char* name);
    // ---- Adding pictures -----------------------------------------------------
    // The add dialog, modal (with dropped files handed over while
    // DragAndDropFlag is set); the toolbar's button frees the table's
    // controls afterwards too.
    void BilderHinzufuegen1Click(TObject* Sender);
    void QKAutoButtonBilderHinzufuegenClick(TObject* Sender);
    // Copies the camera folder's pictures into the destination folder and
    // hands the copies to the add dialog; the stop command ends it before
    // its next file.
    void Bilderumkopieren1Click(TObject* Sender);
    void BilderumlopierenStop1Click(TObject* Sender);

    // ---- Album display -------------------------------------------------------
    void BilderBytesZeigen();
    // The byte sum with "." between each group of three digits.
    static QString BytesText(int64_t summe);
    void AktualisiereBilderGauge(int Total, int Current);
    void AktualisiereBilderGauge2(int Total, int Current);
    void PageControlBilderChanging(TObject* Sender, bool& AllowChange);
    void PageControlBilderChange(TObject* Sender);
    void PageControlBilderdatenChange(TObject* Sender);
    void DataSourceBilderDataChange(TObject* Sender);
    void Einzelsatzanzeige1Click(TObject* Sender);
    void SatzeditorBilderClick(TObject* Sender);
    // Row and title colours of the album grid (a colour of 0x00BBGGRR);
    // the row number counts the visible data rows from 0.
    TColor ZeilenFarbe(int zeile, bool zugriff, TColor vorgabe) const;
    TColor TitelFarbe(const QString& feldName, TColor vorgabe) const;

    // The album views as the command groups see them.
    TAlbumAnsicht& AlbumAnsicht() { return *this; }

    // Display work of the album views: the current entry's thumbnail, the
    // edit controls' colours, the program sound of a command (Flag: wait
    // for the end of the sound) and the views shown around an album change.
    void ZeigeVorschauBildAusBlob();
    void FeldfarbenSetzen();
    void PrgWavSpielen(long Nummer, bool Flag = false);
    void AlbumAnsichtenNachWechsel();

    // ---- Filters (main_form_filter.cpp) ----------------------------------------
    // The value entry dialog "Filter-Dialog"; the main block hands over the
    // one it made, else the first field filter makes one (owned here).
    TBilderDialogForm* BilderDialogForm = nullptr;
    TDatumScopeForm* DatumScopeForm = nullptr;  // made on first use, kept for the run
    // The filters and searches with their state (bilder_filter.h).
    TBilderFilter& Filter() { return *filter_; }
    const TBilderFilter& Filter() const { return *filter_; }
    void BilderFiltern(const QString& FieldName);
    void FilterAufFlag(const QString& Flag);
    // 1 when a filter stands; its count of entries shown then goes to *gezeigt.
    int BilderFilterGesetzt(uint32_t* gezeigt = nullptr);
    void DateiDatumVonBis(const QString& FieldName);
    void BilderOhneFilter1Click(TObject* Sender);
    void ButNoneFilterClick(TObject* Sender);
    void BilderFilterAufMarkierte1Click(TObject* Sender);
    void BilderFilterAufCDRMarkierteClick(TObject* Sender);
    void BilderFilterAufHTMLMarkierteClick(TObject* Sender);
    void AufNichtVerfuegbare1Click(TObject* Sender);
    void BilderFilterNichtimZugriff1Click(TObject* Sender);
    void AufBenutzerdefiniert1_2Click(TObject* Sender);
    void AufBenutzerdefiniert2_2Click(TObject* Sender);
    void AufBenutzerdefiniert3_2Click(TObject* Sender);
    void AufLabel2Click(TObject* Sender);
    void AufSerie2Click(TObject* Sender);
    void AufUrheber2Click(TObject* Sender);
    void AufMotivQualitaet1Click(TObject* Sender);
    void AufBildQualitaet1Click(TObject* Sender);
    void AufBildQuelleClick(TObject* Sender);
    void AufPlayliste2Click(TObject* Sender);
    void AufBildbreite1Click(TObject* Sender);
    void AufBildhoehe1Click(TObject* Sender);
    void DateiDatumVonBis1Click(TObject* Sender);
    void ErzeugungsDatumVonBis1Click(TObject* Sender);
    void NurverfuegbareBilderanzeigen1Click(TObject* Sender);

    // ---- Sorting and searches (main_form_search.cpp) ---------------------------
    TPanel* PanelBilderFTS = nullptr;
    TEdit* edSearch = nullptr;
    TButton* ButNext = nullptr;
    TButton* ButPrev = nullptr;
    TButton* ButFilt = nullptr;
    TButton* ButNoneFilter = nullptr;
    TPanel* PanelGaugeBilderFts = nullptr;
    TQKGauge* QKGaugeBilderFts = nullptr;
    void DBGridBilderTitleButtonClick(TObject* Sender, const QString& FieldName);
    void Unsortiert2Click(TObject* Sender);
    void BilderIndexWechsel(const QString& TagName);
    void BilderFeldsucheClick(TObject* Sender);
    void BilderFeldSucheDlg(const QString& FieldName);
    void DBGridBilderColEnter(TObject* Sender);
    void PopupMenuDBGridBilderPopup(TObject* Sender) {}
    void GehezuSatzNr1Click(TObject* Sender);
    void edSearchEnter(TObject* Sender);
    void edSearchKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
    void ButNextClick(TObject* Sender);
    void ButPrevClick(TObject* Sender);
    void ButFiltClick(TObject* Sender);
    void NotFound();
    // Forgets the hits of "Nächster" (new search text, reset, other album).
    void TrefferlisteLeeren();
    // Builds the quick-search bar above the album grid.
    void SuchleisteAufbauen();
    // Once the window shows (the program calls it after the first paint):
    // makes the date range dialog, reads the pick lists once and has the
    // engine collect the entries of the filters' tags, in idle passes of the
    // event loop (waiting while a command runs or a dialog is open), so the
    // first filter command does not.
    void FilterVorbereiten();
    // Reads pick list `name` as a filter would, leaving the list kept by the
    // window as it was.
    void PicklisteVorlesen(const QString& name);
    // Has the engine collect which records tag `tag` holds, through the third
    // work area open on the album.
    void FilterTagVorlesen(const char* tag);

    // ---- Picture views (main_form_pictures.cpp) ------------------------------
    TQKDBPicBox* QKDBPicBox1 = nullptr;
    TRadioButton* RadioButton0Grad = nullptr;
    TRadioButton* RadioButton90GradRechts = nullptr;
    TRadioButton* RadioButton180GradRechts = nullptr;
    TRadioButton* RadioButton270GradRechts = nullptr;
    TCheckBox* CheckBoxExternAnzeigen = nullptr;
    TCheckBox* CheckBoxExternAufrufen = nullptr;
    // The big picture's drag captions: scroll positions, step, pointer.
    TPanel* Panel18 = nullptr;
    TPanel* Panel19 = nullptr;
    TPanel* Panel20 = nullptr;
    TPanel* Panel21 = nullptr;
    // The picture views over the open album: the thumbnail set, the entries
    // handed to an external editor, the floating window, the full view.
    TBildAnsichten& BildAnsichten() { return *bildAnsichten_; }
    // The command methods of the picture views by handler name; null for
    // another name.
    static TBefehlsMethode BildBefehl(const char* name);
    // The copy/move and delete commands (main_form_album_dialoge.cpp).
    static TBefehlsMethode KopierBefehl(const char* name);
    void BilderKopierenClick(TObject* Sender);
    void BilderLoeschenClick(TObject* Sender);
    // Copies the open album's current entry into the target album with its
    // memos and full-text entry; a non-empty path becomes its PFAD (with
    // ZOOMFACTOR 0 and the new drive's medium id in LABELKENNU). False when
    // it could not be stored (the appended record is then marked deleted).
    bool EintragInZielKopieren(const QString& neuerPfad);
    void BilderAnsichtAufbauen();
    void VorschaubilderEinlesen();
    void VollbildAnzeige();
    // The full-size view of one picture file (the add dialog's preview).
    void DateiVollbildAnzeigen(const QString& datei);
    // The viewer on the current entry with its slide show disabled (the copy
    // and delete dialogs open it so).
    void VollbildOhneSlideShow();
    void Vollbild1Click(TObject* Sender);
    void SlideShowstart1Click(TObject* Sender);
    void Timer1Timer(TObject* Sender);
    void Timer4Timer(TObject* Sender);
    void DatenbankautomatischVorwaertsblaetternClick(TObject* Sender);
    void DatenbankautomatischRueckwaertsblaetternClick(TObject* Sender);
    void N0Originalausrichtung1Click(TObject* Sender) { Drehbefehl(0); }
    void N90rechts1Click(TObject* Sender) { Drehbefehl(1); }
    void N180rechts1Click(TObject* Sender) { Drehbefehl(2); }
    void N270rechts1Click(TObject* Sender) { Drehbefehl(3); }
    void RadioButtonMouseUp(TRadioButton* knopf, int viertel);
    void CheckBoxExternAnzeigenMouseUp(TObject* Sender);
    void CheckBoxExternAufrufenMouseUp(TObject* Sender);
    void Bildexternanzeigen1Click(TObject* Sender);
    void Bildexternbearbeiten_11Click(TObject* Sender) { BildExternBearbeiten(1, QString()); }
    void Bildexternbearbeiten_12Click(TObject* Sender) { BildExternBearbeiten(2, QString()); }
    void Bildexternbearbeiten_13Click(TObject* Sender) { BildExternBearbeiten(3, QString()); }
    // Starts editor 1..3 on the picture (the current entry's when empty).
    void BildExternBearbeiten(int editor, const QString& datei);
    void SchreibeAktuellesVorschaubild();
    // "Extern bearbeitete Bilder aktualisieren": size, file date and
    // thumbnail of the entries opened in an external editor.
    void ExternbearbeiteteBilderaktualisieren1Click(TObject* Sender);
    void AktualisiereExternBearbeiteteBilder();
    void QKDBPicBox1Click(TObject* Sender);
    void QKDBPicBox1DblClick(TObject* Sender);
    void PopupMenuVorschaubilderPopup(TObject* Sender);
    void EinstellungenVorschaubilder1Click(TObject* Sender);
    void SchwebendesVorschaubild1Click(TObject* Sender);
    void ImageWindow1MouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    void ScannerbildAnzeige1Click(TObject* Sender);
    // The short-description window of the open full-size view, when shown,
    // takes the font (when not null) and the colour (when not clNone).
    void TextVollbildAnpassen(const TFont* schrift, TColor farbe);
    // The picture file of the current entry by the finding rules; empty
    // (after the message) when it is not within reach. mitZugriff: the
    // volume check of the full view.
    QString BildDateiErmitteln(bool mitZugriffspruefung, const QString& logText);

private:
    friend class TMainFormBilder;
    friend class TMainFormAlbumDialoge;
    friend class TMainFormKopien;
    TMainFormAlbumDialoge* albumDialoge_ = nullptr;  // owned by the form
    struct TKopienLoescher {
        void operator()(TMainFormKopien* k) const;
    };
    std::unique_ptr<TMainFormKopien, TKopienLoescher> kopien_;
    void Drehbefehl(int viertel);
    TMainFormBilder* bilder_ = nullptr;  // what the picture views reach of the form; owned by the form
    struct TBildAnsichtenLoescher {
        void operator()(TBildAnsichten* b) const;
    };
    std::unique_ptr<TBildAnsichten, TBildAnsichtenLoescher> bildAnsichten_;

public:
    // ---- Album maintenance (main_form_maintenance.cpp, bilder_wartung*.cpp) ---
    // The maintenance commands of the open album; the handlers below forward
    // to it.
    TBilderWartung& Wartung() { return *wartung_; }
    const TBilderWartung& Wartung() const { return *wartung_; }
    // Outcome of a bulk loop: all done, stopped by Esc, or stopped by a write
    // the engine refused (then the command reports the failure, never
    // success).
    using TLauf = TWartungsLauf;
    TLauf AlleBilderSaetzeMarkieren2(const QString& Feld);
    TLauf BilderSaetzeBisEOFMarkieren2(const QString& Feld);
    TLauf AlleBilderMarkierungenEntfernen2(const QString& Feld);
    TLauf AlleBilderSaetzeErsetzen(const QString& Feld, const QString& Wert, int FeldTyp);
    void BildMarkieren1Click(TObject* Sender);
    void TableBilderMARKIERTChange();
    // The mark check boxes of the single-record view, mouse released.
    void DBCheckBoxBildMarkiertMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void DBCheckBoxAnywhereMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void DBCheckBoxPrivatMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void DBCheckBoxBildImZugriffMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    // Hooks the change handler of the user mark to the album's field (fields
    // are made anew by each open).
    void MarkFeldEreignisSetzen(TDataSet* DataSet);
    void LogischeFelderDeutsch(TDataSet* DataSet);
    // A deleted entry is not shown in the album's orders: when the current
    // record is one (the last one of a run, the one just deleted), the next
    // shown entry becomes current, else the last.
    void AufSichtbarenEintrag();
    void FeldWerteersetzen1Click(TObject* Sender);
    void Kurzbeschreibungeingeben1Click(TObject* Sender);
    void AlleBilderSaetzeLoeschen1Click(TObject* Sender);
    void AlleBilderSaetzeZurueckholen1Click(TObject* Sender);
    void BilderDBFpacken1Click(TObject* Sender);
    void BilderSatzLoeschen(int Modus);
    void WelcheBildersindverfuegbarClick(TObject* Sender);
    void DateigroesseVomAktellenSatzCheckenClick(TObject* Sender);
    // False when a write failed (reported).
    bool SetzeShortName();
    void ShortNamenVorhanden();
    void GueltigerShortNamenVorhanden();
    void EntferneLeerSatz();
    void BilderDieNichtMehrVorhandenSindAustragen1Click(TObject* Sender);
    void Bilderzaehlen1Click(TObject* Sender);
    void GroessedereingetragenenBilderneuermitteln1Click(TObject* Sender);
    void BildermitgleicherGroesseermitteln1Click(TObject* Sender);
    void DoppelteBilder1Click(TObject* Sender);
    bool DateinameHatDatumsformat(const QString& Name);
    void Bildumbenennen1Click(TObject* Sender);
    void AngezeigteBilderumbenennen1Click(TObject* Sender);
    // The stored path resolved against the drives present: the medium with
    // that id under any letter; a question to insert it otherwise.
    QString GetFileName(const QString& Label, const QString& VolumeId, const QString& Path);
    void VerschobeneBilderSuchen();
    void VerschobeneBildersuchenundPfadneusetzen1Click(TObject* Sender);
    void Vorschaubilderneuerzeugen1Click(TObject* Sender);
    void VorschaubildNeuerzeugen1Click(TObject* Sender);
    // The handler of a maintenance command by name; empty when it is none.
    TNotifyEvent WartungsHandler(const char* name);
    static bool WartungsHandlerVorhanden(const char* name);

private:
    // Runs a command of the vocabulary, counting it as running; an end asked
    // for meanwhile follows once the outermost command has returned.
    void BefehlAusfuehren(const TNotifyEvent& befehl, TObject* sender);
    // The command has returned: counted off, and the end asked for follows
    // when it was the outermost.
    void EndeNachBefehl();
    // The end waits while a command runs or events run inside a handler.
    bool EndeMussWarten() const;
    // Notes the end and stops what runs; EndeZustellen carries it out as
    // soon as it need not wait any more.
    void EndeVormerken();
    void EndeZustellen();
    // The end itself, each step on its own: a failure is logged.
    void EndeAusfuehren(TObject* Sender);
    void EndeSchritt(const QString& schritt, const std::function<void()>& ausfuehren);
    QTimer* endeZustellung_ = nullptr;
    bool endeLaeuft_ = false;

    std::unique_ptr<TBilderWartung> wartung_;
    // TWartungsUmgebung: what the maintenance object needs of the window;
    // the program's services (TProgrammDienste) beside it.
    void FehlerKontextText(const QString& text) override;
    void TonSpielen(long nummer) override;
    void WavSpielen(const QString& datei) override;
    const TProgrammOptionenStand& Optionen() const override;
    TEinstellungen& Einstellungswerte() override;
    QString FensterTitel() const override;
    void FensterTitelSetzen(const QString& text) override;
    TMenuItem* Menuepunkt(const QString& name) override;
    TProgrammLauf& Lauf() override { return lauf_; }
    const TProgrammLauf& Lauf() const override { return lauf_; }
    void OptionenZeigen(int reiter) override;
    TForm* OptionenFenster() override;
    QString KopierName(const QString& datei) override;
    bool HatZielFormat(const QString& datei, int kantenlaenge) override;
    QSize ZielBildGroesse() const override;

private:
    TProgrammLauf lauf_;
    bool volltextWartet_ = false;  // see VolltextNachDemZeigen
    TDruckStand druck_;
    TAnzeigeStand anzeige_;
    TEinstellungen einstellungen_;
    // Asks the album manager to start its CD-R preparation when it opens.
    bool CDRStartFlag = false;
    // State of the run that only the form's own code reads.
    // The size IstBildZielFormat measured last (0 x 0 when it could not).
    int ZielBildBreite = 0, ZielBildHoehe = 0;
    QString VorschauTempDatei;
    bool UmkopierenAbbruch = false;
    bool QuellWarnungGezeigt = false;  // the source-folder warning of this run
    bool LinkErstellt = false;
    uint32_t LaufStartTick = 0;        // tick count at the start of FormCreate
    QString InstallPfad;
    int GemerkteSatzNr = 0;
    QString ErsteCaption;              // the first caption, saved by the deferred start-up
    QString DateienDBF = QStringLiteral("DateienDBF.DBF");
    QChar CDLaufwerk = QLatin1Char('D');
    QString BlobTempDir;               // folder of the temporary thumbnail files
    bool BlobRotate = true;
    bool BeiScrollBarClickZeigeVorschauBild = false;
    QString BasisCaption;

    void GridSeiteZeigen() override;
    void EinzelsatzVerbergen() override;
    void EinzelsatzWiederherstellen() override;
    void Fortschritt(int gesamt, int aktuell) override { AktualisiereBilderGauge(gesamt, aktuell); }
    void FortschrittVerbergen() override;
    void SatzAnzahlZeigen() override { BilderSatzAnzahlZeigen(); }
    void VorschaubildZeigen() override { ZeigeVorschauBildAusBlob(); }
    void VorschaubilderVeraltet() override;
    void GridVerbergen() override;
    void GridZeigen() override;
    void SatzAnzahlTextZeigen(const QString& text) override;
    void AnsichtenNachAlbumwechsel() override { AlbumAnsichtenNachWechsel(); }

    std::unique_ptr<TArbeitsbereich> bereichBilder_;
    std::unique_ptr<TArbeitsbereich> bereichBilder2_;
    std::unique_ptr<TArbeitsbereich> bereichBilder3_;
    std::unique_ptr<TArbeitsbereich> bereichDatenbanken_;
    std::unique_ptr<TArbeitsbereich> bereichCheck_;
    // The lifecycle of the open album and what it reaches of the window.
    friend class TMainFormAlbum;
    struct TAlbumLoescher {
        void operator()(TMainFormAlbum* a) const;
    };
    std::unique_ptr<TMainFormAlbum, TAlbumLoescher> albumUmgebung_;
    std::unique_ptr<TOffenesAlbum> album_;
    // Makes the open album over the work areas and the maintenance object
    // over it.
    void AlbumEinrichten();
    // The key last pressed in the album grid and in the thumbnail box (0
    // after its release): a release counts only after its press there.
    Word gridTasteGedrueckt_ = 0;
    Word bilderTasteGedrueckt_ = 0;
    friend class TMainFormOptionen;
    friend class TMainFormAlbumManager;
    // "Info" / "Fehler" entry in the action log when logging is on.
    void Protokoll(const QString& art, const QString& text) override;
    // The timed notice of the program (info colour, black, centred).
    void Hinweis(const QString& caption, const QString& text, int height) override;
    // The exception logger's user text: the open album's table name and
    // record position.
    void FehlerKontextSetzen() override;
    // TProgrammDienste beside the above: the program's ini file and the
    // run's temporary folder.
    TQKINI& Ini() override { return *QKINI_Prog; }
    QString TempOrdner() const override { return VorschauTempOrdner(); }
    // Albums on CDs: the albums QKFind2 found, the last file QKFind1 found.
    TStringList gefundeneAlben_;
    QString letzteGefundeneDatei_;
    // Saves the album grid's column layout when it was changed.
    void GridLayoutSichern() override;
    // Reads the album grid's column layout back ("Fehler beim Lesen der
    // BilderGridsettings!" when it cannot).
    void GridLayoutZuruecklesen() override;
    void AlbumNameZeigen(const QString& dbf) override;
    void AlbumGeoeffnet(const QString& tabelle) override;
    // The fixed coded lists (quality, motif, type) of the pick-list combos.
    void CodeListenSetzen();
    void PicklistenUebernehmen(bool nurWennKeinCD);
    void PicklistenNeuLesen();
    QString ZeitMeldung() const;
    // Folder of the temporary thumbnail files: the options' temporary folder
    // when it exists, else the program folder.
    QString VorschauTempOrdner() const;

    // Loads a picture file (Windows-form name) into the view; false when it
    // cannot be read, the view then stays empty.
    static bool BildLaden(TImage* bild, const QString& datei);
    void FensterAufbauen();
    void MenuesAufbauen();
    void ToolbarAufbauen();
    void AnwendungsEreignisseAufbauen();
    void SeitenAufbauen();
    void GridAufbauen();
    void EinzelsatzAufbauen();
    bool FensterEreignis(QObject* watched, QEvent* e);
    // vonCdr: the program was started from a CD-R tree, whose albums its
    // manager table lists; an album of the ini that is gone is taken from
    // there as on a first start.
    void AlbumZweigOeffnen(bool vonCdr = false);
    void KalvunoUebernahme();
    void OrdnerPruefen();
    void SortierungSetzen(const QString& tag);
    void Ton(TObject* Sender);
    QString WavPfad(const QString& ordner, long nummer) const;
    QObject* fensterFilter_ = nullptr;  // sees the drops on the window
    std::vector<TMenuItem*> menuItems_;
    std::vector<TPopupMenu*> popups_;
    std::vector<TQKAutoButton*> buttons_;

    std::unique_ptr<TMainFormOptionenDialog> optionenDialog_;
    TProgrammOptionenStand eigeneOptionen_;
    TProgrammOptionenStand* optionen_ = &eigeneOptionen_;
    TAlbumManagerDialog* albumManager_ = nullptr;

    // Filters and searches: the object, what it reaches of the window, and
    // the album views it uses (main_form_display.cpp).
    friend class TMainFormFilterUmgebung;
    struct TFilterUmgebungLoescher {
        void operator()(TMainFormFilterUmgebung* u) const;
    };
    std::unique_ptr<TMainFormFilterUmgebung, TFilterUmgebungLoescher> filterUmgebung_;
    std::unique_ptr<TBilderFilter> filter_;
    // Made with the quick-search bar, over the open album's work area.
    void FilterEinrichten();
    void GridFokussieren() override;
    QString GridFeld() const override;
    void GezeigteAnzahlZeigen(uint32_t gezeigt) override { BilderSatzAnzahlZeigen(gezeigt); }
    void VorschauseiteAuffrischen() override;
    void SortierungZeigen(const QString& text) override;
    void FilterZeigen(const QString& text) override;
    QString Suchtext() const override;
    void SuchtextSetzen(const QString& text) override;
    bool SuchKnopfAktiv(TSuchKnopf knopf) const override;
    void SuchKnopfAktivieren(TSuchKnopf knopf, bool aktiv) override;
    QString SuchKnopfText(TSuchKnopf knopf) const override;
    void SuchKnopfTextSetzen(TSuchKnopf knopf, const QString& text) override;
    void SuchFortschrittBeginnen(int maximum) override;
    void SuchFortschritt(int position) override;
    void SuchFortschrittVerbergen() override;
    void Fortschritt2Verbergen() override;
    // The button of the quick-search bar; null before the bar is built.
    TButton* SuchKnopf(TSuchKnopf knopf) const;
    struct TAlbumManagerLoescher {
        void operator()(TMainFormAlbumManager* m) const;
    };
    std::unique_ptr<TMainFormAlbumManager, TAlbumManagerLoescher> albumManagerFenster_;
    void AlbumManagerEinrichten();
    // Creates the print components.
    void DruckenAufbauen();
    // The large-picture flags from a template file name (case-insensitive).
    void GrossBildFlagsSetzen(const QString& vorlage);
    TrgMethodTable listenMethoden_;
    // Loads the template, prints the album from the pipeline's range and
    // returns to the record that was current.
    void ListeDrucken(TrgReport* report, TrgBDEPipeline* pipeline, const QString& TemplateFile, bool abErstemSatz);
    // A pick-list value as its combo box shows it, "-nicht vergeben-" when
    // the stored value is no number.
    QString AuswahlText(TdkDBComboBox* combo, const QString& feld) const;
    // Goes back to that record (when it still exists) and shows it.
    void SatzWiederherstellen(uint32_t satz);
    // The open album is write-protected and lies on a CD.
    bool AlbumAufSchreibgeschuetzterCD() const;
};
