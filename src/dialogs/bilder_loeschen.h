#pragma once
// TBilderLoeschenForm "Bilder / Einträge löschen": deletes the current entry
// or all entries the main window shows from the open album, with or
// without the picture files they name. A deleted entry is marked deleted and
// leaves the album's tags; it leaves the file when the album is packed.
// Esc between entries (here or in the viewer's short-description window)
// ends a run; what was deleted so far stays deleted.
//
// With the pictures, an entry is handled only when its medium is the one in
// the drive (another card may hold a file of the same name): otherwise it
// is refused, counted and logged. The entry is deleted before its file, so
// a file never goes while its entry stays.

#include "platform/ui/forms.h"

class TAlbumDialogHauptfenster;
class TBitBtn;
class TCheckBox;
class TGroupBox;
class TImage;
class TOffenesAlbum;
class TPanel;
class TProgrammDienste;
class TQKINI;
class TRadioButton;

class TBilderLoeschenForm : public TForm {
public:
    // album: the open album whose entries are deleted.
    TBilderLoeschenForm(TComponent* AOwner, TAlbumDialogHauptfenster& hauptfenster, TOffenesAlbum& album,
                        TProgrammDienste& dienste);
    ~TBilderLoeschenForm() override;

    TPanel* PanelMain;
    TGroupBox* GroupBoxWelche;
    TRadioButton* RadioButtonNurSelektiertenSatzLoeschen;
    TRadioButton* RadioButtonAlleSaetzeLoeschen;
    TGroupBox* GroupBoxOptionen;
    TCheckBox* CheckBoxBilderMitloeschen;
    TCheckBox* CheckBoxJedesBildVorLoeschenAnzeigen;
    TImage* ImageWindow3;
    TBitBtn* BitBtnDelete;
    TBitBtn* BitBtnClose;
    TBitBtn* BitBtnHelp;
    TQKINI* QKINI1;

    // Entries deleted by the last run, and picture files that could not be
    // deleted (each was reported).
    int Geloescht = 0;
    int DateiFehler = 0;
    // Entries kept because their medium was not in the drive.
    int MediumFehlt = 0;

    void FormCreate(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void QKINI1ReadINI(TObject* Sender);
    void QKINI1WriteINI(TObject* Sender);
    void BitBtnDeleteClick(TObject* Sender);
    void BitBtnCloseClick(TObject* Sender);
    void BitBtnHelpClick(TObject* Sender);
    void RadioButtonAlleSaetzeLoeschenMouseUp();
    void CheckBoxBilderMitloeschenMouseUp();
    void FormKeyUp(TObject* Sender, Word& Key, TShiftState Shift);
    void ImageWindow3Click(TObject* Sender);
    void ZeigeVorschauBildAusBlob();

private:
    // Whether the current entry's picture lies on the entry's own medium;
    // when not, the entry is counted and logged, and for a single entry
    // (einzeln) the medium expected is named in a message.
    bool EigenesMedium(bool einzeln);
    // Deletes the picture file when it exists; a file that stays is reported.
    void BildDateiLoeschen(const QString& pfad);
    void AlleLoeschen();
    TAlbumDialogHauptfenster& haupt_;
    TOffenesAlbum& album_;
    TProgrammDienste& dienste_;
    bool laeuft_ = false;  // a run is going on
};
