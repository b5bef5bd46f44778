#pragma once
// TfrmScanPics, "Bilder der Datenbank hinzufügen": the intake of pictures
// into the open album. The user picks picture types, filters and how titles
// are taken, then starts a run over one folder or the start folders of
// several drives (or the main window hands over a list of dropped files).
// Every file that passes the size window becomes one entry: the medium's
// identity, the title parts from "Inhalt.INI" or the file name, the
// duplicate test by short name and medium, the pixel limits, the preview,
// the decision with or without the user, the record written through the
// engine with its thumbnail, the full-text entry and the rotation flag.
//
// Settings: section "Einstellungen BilderScan" of the main ini file. The
// scan log "AddPics.log" in the program folder lists every file that was
// refused (unreadable, a path Windows-1252 cannot hold) and the details of a
// failed record write.

#include "platform/core/file_utils.h"
#include "platform/ui/forms.h"

#include <QFile>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class TBitBtn;
class TButton;
class TCheckBox;
class TComboBox;
class TEdit;
class TGroupBox;
class TImageWindow;
class TLabel;
class TMenuItem;
class TOffenesAlbum;
class TPanel;
class TPopupMenu;
class TProgrammDienste;
class TQKFind;
class TQKINI;
class TRadioButton;
class TScanHauptfenster;
class TSearchMissedFilesForm;
class TswSpinEdit;

// The picture type code of the intake, from the upper-cased suffix: "JPG",
// "JPE" and "JPEG" 1 (all JPEG pictures), "BMP" 2, "TIF" 3, "PNG" 4, "GIF"
// 5, "PCX" 6, "PCD" 7, "CMS" 8, "SCM" 9, "WMF" 10, "ICO" 11, else 0.
uint8_t ScanFileTypeErmitteln(const QString& fileName);
// The size of the thumbnail of a w x h picture: the longer side 150, the
// other in proportion, rounded half to even (at least 1).
void VorschauGroesse(int w, int h, int& nw, int& nh);
// Writes the thumbnail of the picture `bild` (Windows form) as a 256-colour
// BMP file `ziel`, turned by `drehung` degrees; false when the picture
// cannot be read or the file not written.
bool VorschaubildSchreiben(const QString& bild, const QString& ziel, int drehung);
// The search mask of the ticked types, in the dialog's order.
struct TScanTypen {
    bool JPG = false, BMP = false, TIF = false, PNG = false, GIF = false, PCX = false;
    bool GIF2 = false, TIF2 = false, PCD = false, CMS = false, SCM = false, WMF = false, ICO = false;
    QString EigeneSuffix;
};
QString ScanSuchmaske(const TScanTypen& typen);
// The mask the file search and the count use: the search mask, with the
// four-letter form of a TIFF suffix beside every "*.TIF" (a "x.tiff" is a
// TIF picture, type 3, as ".jpeg" is a JPEG).
QString ScanFinderMaske(const QString& suchmaske);
// Title parts from a base name by import sequence (0..9) and separator.
// Fills only the fields that are still empty; the sequences 0 to 7 need the
// separator at least once in the name.
void TitelAusDateiname(const QString& basisName, int sequenz, QChar trenner, QString& urheber, QString& beschreibung,
                       QString& serie);

class TfrmScanPics : public TForm {
public:
    // The pictures go into `album` (its first view takes the records and its
    // full-text index their entries, its second view answers the duplicate
    // seeks); `dienste` gives the ini file, the program folder, the sounds
    // and the files dropped on the window; `haupt` the window's own parts.
    TfrmScanPics(TComponent* AOwner, TOffenesAlbum& album, TProgrammDienste& dienste, TScanHauptfenster& haupt);
    ~TfrmScanPics() override;

    // ---- Picture types and options
    TGroupBox* grpTypen;
    TCheckBox* chkFindJPG;
    TCheckBox* chkFindBMP;
    TCheckBox* chkFindTIF;
    TCheckBox* chkFindPNG;
    TCheckBox* chkFindPCX;
    TCheckBox* chkFindGIF;
    TPanel* PanelExterneFormate;
    TCheckBox* chkFindGIF2;
    TCheckBox* chkFindTIF2;
    TCheckBox* chkFindPCD;
    TCheckBox* chkFindCMS;
    TCheckBox* chkFindSCM;
    TCheckBox* chkFindWMF;
    TCheckBox* chkFindICO;
    TEdit* EditEigeneSuffix;
    TCheckBox* CheckBoxDoublettencheck;
    TCheckBox* CheckBoxInclSuDirs;
    TCheckBox* chkAusFilenamenUebernehmen;
    TComboBox* ComboBoxTrennZeichen;
    TComboBox* ComboBoxImportSeq;
    TCheckBox* chkNurVollstaendigeTitel;
    TCheckBox* chkVorschaubildErzeugen;
    TGroupBox* grpManuelleEingabe;
    TRadioButton* radMDImmer;
    TRadioButton* radMDFehlendeInformationen;
    TRadioButton* radMDNie;
    TCheckBox* CheckBoxFileCount;
    TCheckBox* ChkAllDrives;
    TCheckBox* CheckBoxVorschaubilderAusVerzeichnis;
    TCheckBox* CheckBoxVorschaubilderNachUebernahmeLoeschen;
    TswSpinEdit* SpinEditMinDateiGroesse;
    TswSpinEdit* SpinEditMaxDateiGroesse;
    TswSpinEdit* SpinEditMinPixelBreite;
    TswSpinEdit* SpinEditMinPixelHoehe;
    TswSpinEdit* SpinEditMaxPixelBreite;
    TswSpinEdit* SpinEditMaxPixelHoehe;

    // ---- Status and buttons
    TPanel* panFind;
    TPanel* panNeue;
    TPanel* PanelAlte;
    TLabel* LabelFoundFilename;
    TBitBtn* btnScanStart;
    TBitBtn* btnScanBreak;
    TBitBtn* btnClose;
    TBitBtn* btnScanHelp;

    // ---- The record panel "Aktueller Satz" (shown with "Daten direkt
    // erfassen (Satzweise)")
    TPanel* PanelVollstaendigeTitel;
    TGroupBox* grpAktTitel;
    TEdit* txtShortDesc;
    TEdit* txtOwner;
    TEdit* txtSerie;
    TEdit* txtAufnameDatum;
    TComboBox* cboQuelle;
    TComboBox* cboPlayListe;
    TComboBox* cboQualitaet;
    TComboBox* cboMotiv;
    TComboBox* cboDatenTyp;
    TEdit* txtLabelKennung;
    TEdit* txtVolumeLabel;
    TEdit* txtPfad;
    TCheckBox* chkNotClearShortDesc;
    TCheckBox* chkNotClearOwner;
    TCheckBox* chkNotClearSerie;
    TBitBtn* btnScanSichern;
    TBitBtn* btnScanIgnore;
    TImageWindow* ImageWindow2;
    TPopupMenu* PopupMenuVorschauBild;
    TMenuItem* MenuDrehung[4];

    TQKFind* QKFind1;
    TQKINI* QKINI_Scan;

    // ---- Handlers
    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormCloseQuery(TObject* Sender, bool& CanClose);
    void FormKeyUp(TObject* Sender, Word& Key, TShiftState Shift);
    void btnScanHelpClick(TObject* Sender);
    void btnScanStartClick(TObject* Sender);
    void btnScanBreakClick(TObject* Sender);
    void btnScanSichernClick(TObject* Sender);
    void btnScanIgnoreClick(TObject* Sender);
    void QKFind1Execute(TObject* Sender);
    void QKFind1FindFile(TObject* Sender, const TSearchRec& FileRec, const QString& Path);
    void QKFind1Change(TObject* Sender, int FileCount);
    void QKFind1Finished(TObject* Sender);
    void ComboBoxTrennZeichenChange(TObject* Sender);
    void ComboBoxImportSeqChange(TObject* Sender);
    void chkAusFilenamenUebernehmenMouseUp();
    void chkFindJPGMouseUp();
    void chkFindGIFMouseUp();
    void chkFindGIF2MouseUp();
    void EditEigeneSuffixExit(TObject* Sender);
    void chkNurVollstaendigeTitelMouseUp();
    void radMDNieMouseUp();
    void SpinEditPixelExit(TObject* Sender);
    void QKINI_ScanReadINI(TObject* Sender);
    void QKINI_ScanWriteINI(TObject* Sender);
    void CheckEigeneSuffix();
    void ExterneOderInterneFormate();
    void PanelVollstaendigeTitelUmschalten();
    void WriteLastFile(const QString& text);
    void VorschauDrehen(int grad);
    void ImageWindow2Click(TObject* Sender);

    // ---- Entry creation
    void AddFile(const QString& folder, const QString& fileName);
    int IstSchonErfasst(const QString& shortName);
    uint8_t FileTypeErmitteln(const QString& fileName) { return ScanFileTypeErmitteln(fileName); }
    bool TitelVollstaendig() const;
    int SchreibeSatzInDatenbank();
    // The thumbnail of the current picture as BMP bytes (made through a
    // temporary file of the run); empty when the picture could not be read.
    QByteArray ErzeugeVorschauBild();

    // ---- Run state
    QString Suchmaske;
    int Gesamt = 0;          // candidate files counted
    int ZaehlOffset = 0;     // multi-drive progress offset
    bool CloseAllowed = true;
    bool MehrereLaufwerke = false;
    QChar Trenner = QLatin1Char(',');
    int Sequenz = 0;
    QString LetzteLabelKennung;
    QString Antwort;         // "", "SICHERN", "IGNORE", "ABBRUCH"
    int64_t DateiGroesse = 0;
    int32_t Breite = 0, Hoehe = 0;
    uint8_t Typ = 0;
    QString Suffix;
    QString ShortName;
    int16_t Drehung = 0;
    // Called on every turn of the wait for the user's answer (tests answer
    // there); unset, the wait lets the window's events through.
    std::function<void()> WarteSchritt;
    int Neue() const { return neue_; }
    int Alte() const { return alte_; }
    int Uebersprungen() const { return uebersprungen_; }
    // Files skipped for one reason in the last run.
    int UebersprungenWegen(const QString& grund) const;
    // Full path of the scan log.
    QString LogDatei() const;

private:
    void Bauen();
    void Log(const QString& zeile);
    // Logs "Übersprungen (grund): pfad" and counts the file under its reason.
    void Ueberspringen(const QString& grund, const QString& pfad);
    void Zaehlen(const QString& grund);
    // What the run did, for the closing message: added, known, skipped by reason.
    QString Bilanz() const;
    void LogOeffnen();
    void LogSchliessen();
    void ZaehlerSetzen();
    void SatzPanelFreigeben(bool an);
    void LaufEnde();
    void DropListeVerarbeiten();
    void EinOrdner();
    void MehrereLaufwerkeSuchen();
    void Protokoll(const QString& art, const QString& text, bool immer = false);
    // Measures the picture from its header into Breite and Hoehe; the
    // picture library's error code when it cannot (grund: why, in German).
    int Messen(const QString& pfad, QString& grund);
    int FehlerBeimSchreiben();
    QString Datumstext() const;

    TOffenesAlbum& album_;
    TProgrammDienste& dienste_;
    TScanHauptfenster& haupt_;
    std::unique_ptr<QFile> log_;
    int neue_ = 0, alte_ = 0, uebersprungen_ = 0;
    std::vector<std::pair<QString, int>> gruende_;  // skip reasons in order of first use
    bool laeuft_ = false;
    QString vorschauDatei_;  // the picture shown in the preview
};
