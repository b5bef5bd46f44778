#pragma once
// TBildAnsichten: the picture views of the open album: the current entry's
// thumbnail from its memo, the thumbnail page, finding an entry's picture
// file, the full view and the slide show in the full-size viewer, automatic
// browsing, the rotation commands and buttons, the external viewer and
// editors (with the list of entries handed to an editor), the floating
// thumbnail window and drag scrolling of the big picture.
//
// It works on the open album's work area and the album views; the window's
// components it refers to (the form owns them) come in
// TBildAnsichtenKomponenten, and what else it needs of the window goes
// through TBildAnsichtenUmgebung, so it also runs without a main window. It
// is the host the full-size viewer, the floating window and the thumbnail
// settings see.

#include "dialogs/floating_preview.h"
#include "dialogs/full_size_form.h"
#include "dialogs/vorschau_einstellungen.h"

#include "platform/core/string_list.h"
#include "platform/ui/framework_types.h"

#include <QString>

class TAlbumAnsicht;
class TArbeitsbereich;
class TCheckBox;
class TComponent;
class TEinstellungen;
class TImage;
class TImageWindow;
class TMenuItem;
class TOffenesAlbum;
class TProgrammDienste;
class TPanel;
class TQKDBPicBox;
class TRadioButton;
class TTimer;

// What the picture views need of the window besides the open album, the
// album views and the program's services.
class TBildAnsichtenUmgebung {
public:
    virtual ~TBildAnsichtenUmgebung() = default;
    virtual const TEinstellungen& Einstellungen() const = 0;
    // Keeps the count of entries shown; true when it differs from the one
    // kept before.
    virtual bool SatzanzahlNeu(int angezeigt) = 0;
    // No album open: the placeholder thumbnail, the count "0 von 0 Einträge
    // angezeigt" and no album name.
    virtual void OhneAlbumAnzeigen() = 0;
    // The pages of the album views: the grid, the thumbnails, the big picture.
    virtual bool GridSeiteAktiv() const = 0;
    virtual bool VorschauSeiteAktiv() const = 0;
    virtual void GrossBildSeiteZeigen() = 0;
    // The options dialog; the single-picture print of the window.
    virtual void OptionenZeigen() = 0;
    virtual void EinzelbildDrucken() = 0;
};

// The window's components the picture views work with; the form owns them.
struct TBildAnsichtenKomponenten {
    TImage* ImageWindow2 = nullptr;         // the current entry's thumbnail
    TPanel* PanelVorschaubild1 = nullptr;   // its panel; Tag: the entry shown (0: none)
    TQKDBPicBox* QKDBPicBox1 = nullptr;     // the thumbnail page's grid
    // The rotation buttons 0°, 90°, 180°, 270° and the external-program boxes.
    TRadioButton* Drehknoepfe[4] = {};
    TCheckBox* CheckBoxExternAnzeigen = nullptr;
    TCheckBox* CheckBoxExternAufrufen = nullptr;
    TImageWindow* ImageWindow1 = nullptr;   // the big picture
    // The big picture's drag captions: scroll positions, step, pointer.
    TPanel* Panel18 = nullptr;
    TPanel* Panel19 = nullptr;
    TPanel* Panel20 = nullptr;
    TPanel* Panel21 = nullptr;
    TTimer* Timer1 = nullptr;  // auto-browse
    TTimer* Timer4 = nullptr;  // delayed thumbnail
};

class TBildAnsichten : public TVollbildHauptfenster, public TVorschauHauptfenster, public TVorschauRaster {
public:
    TBildAnsichten(TOffenesAlbum& album, TAlbumAnsicht& ansicht, const TBildAnsichtenKomponenten& komponenten,
                   TProgrammDienste& dienste, TBildAnsichtenUmgebung& umgebung);
    ~TBildAnsichten() override;
    TBildAnsichten(const TBildAnsichten&) = delete;
    TBildAnsichten& operator=(const TBildAnsichten&) = delete;

    // ---- the thumbnail of the current entry and the thumbnail page
    void ZeigeVorschauBildAusBlob();
    // The delayed thumbnail, when the grid page shows.
    void VerzoegertesVorschaubild();
    // The thumbnail grid holds the current set; cleared: it reads the album
    // again when its page shows.
    bool ThumbnailsGeladen() const { return thumbnailsGeladen_; }
    void VorschaubilderVeraltet() { thumbnailsGeladen_ = false; }
    void VorschaubilderEinlesen();
    // A click on a thumbnail: its entry becomes current.
    void VorschaubildGewaehlt();
    // The pop-up of the thumbnail page ticks the mark of the current entry.
    void VorschaubilderMenueZeigen();
    // The thumbnail settings dialog (owned by `besitzer`), modal.
    void VorschaubilderEinstellen(TComponent* besitzer);
    // Writes the thumbnail shown into the current entry's memo.
    void SchreibeAktuellesVorschaubild();

    // ---- the picture file and the full view
    // The picture file of the current entry by the finding rules; empty
    // (after the message) when it is not within reach.
    QString BildDateiErmitteln(bool mitZugriffspruefung, const QString& logText);
    void VollbildAnzeige() override;
    void DateiVollbildAnzeigen(const QString& datei);
    void VollbildOhneSlideShow();
    void SlideShowStarten();
    void TextVollbildAnpassen(const TFont* schrift, TColor farbe);

    // ---- automatic browsing: the menu item's tick turns it on and off
    void AutomatischBlaettern(const QString& menuepunkt);
    void Blaettern();

    // ---- rotation and external programs
    void Drehen(int viertel);
    void DrehknopfLosgelassen(TRadioButton* knopf, int viertel);
    void ExternAnzeigenGeklickt();
    void ExternAufrufenGeklickt();
    void BildExternAnzeigen();
    void BildExternBearbeiten(int editor, const QString& datei) override;
    // Record numbers of the entries handed to an external editor.
    TStringList& ExternBearbeiteteSaetze() { return externBearbeitet_; }
    // "Extern bearbeitete Bilder aktualisieren": the message when there are
    // none, else the refresh and the list emptied.
    void ExternBearbeiteteAktualisieren();
    // Size, file date and thumbnail of the entries in the list.
    void AktualisiereExternBearbeiteteBilder();

    // ---- floating window and big picture
    void SchwebendesVorschaubildZeigen();
    // The floating window (one for the run); null before the first.
    TFormSchwebeneVorschau* SchwebendesVorschaubild() const { return schwebend_; }
    // Deletes the floating window; the next command makes a new one.
    void SchwebendesVorschaubildSchliessen();
    void GrossBildZeigen();
    void GrossBildZiehen(TShiftState Shift, int X, int Y);

    // ---- the full-size viewer's host
    TDataSet* AlbumTabelle() override;
    TDbe* AlbumDbe() override;
    bool AlbumSchreibgeschuetzt() const override;
    QString AlbumOrdner() const override;
    TVollbildOptionen VollbildOptionen() const override;
    QString IniDatei() const override;
    bool IstInternesBildFormat(const QString& datei) const override;
    bool ProgrammEndet() const override;
    bool HinweiseAn() const override;
    void HinweiseSetzen(bool an) override;
    void PrgWavSpielen(int nummer) override;
    void OptionenZeigen() override;
    void EinzelbildDrucken(const QString& datei) override;
    void VorschaubildDrehen(int grad) override;
    void VorschaubildNeuErzeugen(const QString& datei) override;
    void VollbildGeschlossen() override;
    TColor TextVollbildFarbe() const override;

    // ---- the floating window's host
    void BildDrehen(int grad) override { Drehen(grad / 90); }

    // ---- the thumbnail settings' grid
    int Rows() const override;
    void SetRows(int v) override;
    int Columns() const override;
    void SetColumns(int v) override;
    int PicHeight() const override;
    void SetPicHeight(int v) override;
    int PicWidth() const override;
    void SetPicWidth(int v) override;
    bool Scaled() const override;
    void SetScaled(bool v) override;

private:
    const TEinstellungen& Einstellungen() const;
    void DrehFlagSchreiben(QChar c);
    void ExternFlagSchreiben(QChar c);
    // A click on one of the external boxes: its own code, the other box's.
    void ExternKlick(TCheckBox* box, QChar eigenes, QChar anderes);
    // Loads the placeholder or a thumbnail file into the thumbnail and the
    // floating window.
    void VorschauLaden(const QString& datei);
    // Shows the full-size view modally; meanwhile it is vollbild_.
    void VollbildZeigen(TFullSizeForm& form);

    TArbeitsbereich& album_;
    TAlbumAnsicht& ansicht_;
    TBildAnsichtenKomponenten k_;
    TProgrammDienste& dienste_;
    TBildAnsichtenUmgebung& umgebung_;
    bool thumbnailsGeladen_ = false;
    TStringList externBearbeitet_;
    TPoint grossBildZiehStart_;
    TFormSchwebeneVorschau* schwebend_ = nullptr;  // owned by the application
    TFullSizeForm* vollbild_ = nullptr;            // the full-size view while it is shown
    bool vorschauAusMemo_ = false;                 // the thumbnail is the entry's own
};
