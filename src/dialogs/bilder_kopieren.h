#pragma once
// TBilderKopierenForm "Bilder Kopieren/Verschieben": copies or moves, for the
// current entry or for all entries the main window shows, the picture files
// into a target folder and/or the entries into a target album (made when it
// does not exist, packed afterwards, registered on request).
// TGleichnamigesBildForm "Gleichnamiges Bild gefunden" settles each clash
// with a picture of the same name in the target folder.
//
// The order keeps every picture and entry: a picture file is copied and
// compared with its source before its entry is written into the target; a
// move deletes the source entry only after its copy is stored and the
// source file only after that. A failure leaves the source as it was, ends
// the run with its message and is counted in the closing message; a picture
// that cannot be handled (its copy would land on itself, a name the album
// cannot hold, a write-protected source of a move) is skipped and counted.
// A picture whose folder is the target folder under another name (a link,
// a drive letter for the same folder) is skipped too, and so is one whose
// entry names another medium than the one now in its drive.

#include "platform/ui/forms.h"

#include <QString>

#include <functional>

class TAlbumDialogHauptfenster;
class TBitBtn;
class TCheckBox;
class TDirectoryListBox;
class TDriveComboBox;
class TEdit;
class TGroupBox;
class TImage;
class TLabel;
class TListBox;
class TOffenesAlbum;
class TPanel;
class TProgrammDienste;
class TQKINI;
class TRadioButton;

// The state the two dialogs share across runs: the clash answers.
struct TKopierClashStatus {
    bool FuerAlle = false;       // "Antwort gilt auch für alle nachfolgenden Bilderdateien"
    bool AutoRename = false;     // "Automatisch umbennen"
    bool JaGegeben = false;
    bool NeinGegeben = false;
};
extern TKopierClashStatus KopierClash;

class TGleichnamigesBildForm : public TForm {
public:
    // iniDatei: the main window's ini file.
    TGleichnamigesBildForm(TComponent* AOwner, const QString& iniDatei);
    ~TGleichnamigesBildForm() override;

    TLabel* LabelFrage1;
    TLabel* LabelFrage2;
    TLabel* LabelFrage3;
    TLabel* LabelFileNameVorhanden;
    TLabel* LabelFileDatumVorhanden;
    TLabel* LabelFileGroesseVorhanden;
    TImage* ImageWindowVorhanden;
    TLabel* LabelFileNameNeu;
    TLabel* LabelFileDatumNeu;
    TLabel* LabelFileGroesseNeu;
    TImage* ImageWindowNeu;
    TCheckBox* CheckBoxAutomatischRenamen;
    TCheckBox* CheckBoxGiltFuerAlle;
    TBitBtn* BitBtn1;  // help
    TBitBtn* BitBtnJa;
    TBitBtn* BitBtnNein;
    TBitBtn* BitBtnAbbruch;
    TQKINI* QKINI1;

    // Shows the existing file (vorhanden) and the new one (neu).
    void Fuellen(const QString& vorhanden, const QString& neu);

    void FormClose(TObject* Sender, TCloseAction& Action);
    void QKINI1ReadINI(TObject* Sender);
    void QKINI1WriteINI(TObject* Sender);
    void BitBtn1Click(TObject* Sender);
    // Opens a help topic (the copy dialog hands its own on).
    std::function<void(const QString&)> Hilfe;
};

class TBilderKopierenForm : public TForm {
public:
    // album: the open album whose entries are copied or moved (its target
    // album of copies is opened through the main window's copy steps).
    TBilderKopierenForm(TComponent* AOwner, TAlbumDialogHauptfenster& hauptfenster, TOffenesAlbum& album,
                        TProgrammDienste& dienste);
    ~TBilderKopierenForm() override;

    TPanel* PanelMain;
    TGroupBox* GroupBoxOptionen;
    TGroupBox* GroupBoxWelcheKopierenVerschieben;
    TRadioButton* RadioButtonNurSelektiertenSatzKopierenVerschieben;
    TRadioButton* RadioButtonAlleSaetzeKopierenVerschieben;
    TGroupBox* GroupBoxWieKopierenVerschieben;
    TRadioButton* RadioButtonKopieren;
    TRadioButton* RadioButtonVerschieben;
    TGroupBox* GroupBoxWasKopierenVerschieben;
    TRadioButton* RadioButtonNurBilderKopieren;
    TRadioButton* RadioButtonNurDatensaetzeKopieren;
    TRadioButton* RadioButtonBilderUndDatensaetzeKopieren;
    TCheckBox* CheckBoxJedesBildVorKopierenVerschiebenAnzeigen;
    TGroupBox* GroupBoxZielverzeichnis;
    TDriveComboBox* DriveComboBoxBilderKopierenZielLaufwerk;
    TDirectoryListBox* DirectoryListBoxBilderKopierenZielVerzeichnis;
    TEdit* EditZielDir;
    TPanel* PanelZielDBF;
    TLabel* LabelZielDBF;
    TEdit* EditZielDBFName;
    TListBox* FileListBox1;
    TImage* ImageWindow3;
    TBitBtn* BitBtnKopierenVerschieben;
    TBitBtn* BitBtnClose;
    TBitBtn* BitBtnHelp;
    TQKINI* QKINI1;

    // What the last run did.
    int BilderKopiert = 0;      // picture files copied (and compared)
    int EintraegeKopiert = 0;   // entries stored in the target album
    int Uebersprungen = 0;      // entries skipped (counted, logged)
    int Fehler = 0;             // failures (each reported)

    // The file copy of one picture: true when a verified copy stands at
    // the target. The default is the picture-file service's copy, which
    // reads the copy back (zeigen is not used by it); a copy that raises
    // counts as failed. A move deletes its source only after checking the
    // copy once more.
    std::function<bool(const QString& quelle, const QString& ziel, bool zeigen)> DateiKopieren;

    void FormShow(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void QKINI1ReadINI(TObject* Sender);
    void QKINI1WriteINI(TObject* Sender);
    void BitBtnKopierenVerschiebenClick(TObject* Sender);
    void BitBtnCloseClick(TObject* Sender);
    void BitBtnHelpClick(TObject* Sender);
    void SetzeCaptions(int modus);  // 1 copy, 2 move
    void WasGeaendert();            // one of the "what" buttons was chosen
    void DirectoryListBoxBilderKopierenZielVerzeichnisChange(TObject* Sender);
    void EditZielDBFNameExit(TObject* Sender);
    void FormKeyUp(TObject* Sender, Word& Key, TShiftState Shift);
    void ImageWindow3Click(TObject* Sender);
    void PanelMainDblClick(TObject* Sender);
    void ZeigeVorschauBildAusBlob();

private:
    // After an entry: on to the next, end the loop (the closing steps run),
    // or end the whole command at once (Abort in the clash dialog).
    enum class TSchritt { Weiter, Ende, Abbruch };
    bool EintraegeMit() const;
    bool BilderMit() const;
    // Copies or moves the album's current entry; alle: part of a run over
    // all shown entries.
    TSchritt Bearbeiten(bool alle, const QString& zielOrdner);
    // Settles a clash at the destination, which a rename changes; false
    // when the entry is not copied (schritt then says how to go on).
    bool ClashKlaeren(bool alle, const QString& quelle, QString& ziel, TSchritt& schritt);
    // Copies one picture and compares the copy; a failure is counted,
    // logged and shown. zeigen: the copy component's own progress form.
    bool Kopieren(const QString& quelle, const QString& ziel, bool zeigen);
    // An entry skipped: counted and logged.
    void Ueberspringen(const QString& grund);
    void AlleBearbeiten(const QString& zielOrdner);
    void ZielDateienZeigen();
    TAlbumDialogHauptfenster& haupt_;
    TOffenesAlbum& album_;
    TProgrammDienste& dienste_;
    bool laeuft_ = false;
};
