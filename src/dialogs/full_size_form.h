#pragma once
// The full-size viewer "Fullsize": the current entry's picture on the whole
// screen in one image window, walking through the entries the main window
// shows. Per entry it keeps a display mode (FLAGS position 2), an
// orientation (FLAGS position 4) and the zoom of the original size
// (ZOOMFACTOR); it runs the slide show on its timer, finds pictures whose
// medium came back under another drive letter, hands the picture to the
// external editors and the print of the main window, and sets the user mark.
// TTextVollbildForm shows the entry's short description above the picture.
//
// The viewer reaches the main window only through TVollbildHauptfenster.

#include "platform/ui/forms.h"

#include <QString>

#include <functional>

class TDataSet;
class TDbe;
class TImageWindow;
class TLabel;
class TMenuItem;
class TPanel;
class TPopupMenu;
class TQKINI;
class TTimer;

// What the viewer needs of the options dialog, read when it is shown.
struct TVollbildOptionen {
    bool AnderesLaufwerkTesten = false;          // CheckBoxWennNichtGefundenAnderesLWtesten
    bool VorschaubilderPhysikalischDrehen = false;
    bool TextVollbildAnzeige = false;            // CheckBoxTextVollbildanzeige
    QString ZielOrdner = QStringLiteral("c:\\Bilder\\");  // EditDestDir
    QString EditorNamen[3];                      // names of the external editors
    int SlideShowSekunden = 5;                   // "SlideShowInterval", seconds
};

// The services of the main window the viewer uses. The main window
// implements it; the viewer builds and tests without the main window.
class TVollbildHauptfenster {
public:
    virtual ~TVollbildHauptfenster() = default;
    // The open album's table and its engine companion (TableBilder, DbeBilder).
    virtual TDataSet* AlbumTabelle() = 0;
    virtual TDbe* AlbumDbe() = 0;
    // The album was opened read-only: nothing is written to its entries.
    virtual bool AlbumSchreibgeschuetzt() const = 0;
    // The album's folder (Windows form, trailing "\").
    virtual QString AlbumOrdner() const = 0;
    virtual TVollbildOptionen VollbildOptionen() const = 0;
    virtual QString IniDatei() const = 0;
    // True for the formats the program's own image window shows.
    virtual bool IstInternesBildFormat(const QString& datei) const = 0;
    // True once the program is ending.
    virtual bool ProgrammEndet() const = 0;
    // The main window's hint setting.
    virtual bool HinweiseAn() const = 0;
    virtual void HinweiseSetzen(bool an) = 0;
    virtual void PrgWavSpielen(int nummer) = 0;
    // The options dialog on its page of the picture settings, modally.
    virtual void OptionenZeigen() = 0;
    // Prints the picture shown (the single-picture print of the main window).
    virtual void EinzelbildDrucken(const QString& datei) = 0;
    // Starts external editor 1, 2 or 3 on the picture.
    virtual void BildExternBearbeiten(int editor, const QString& datei) = 0;
    // Turns the main window's thumbnail by 90, 180 or 270 degrees and
    // writes it back into the entry.
    virtual void VorschaubildDrehen(int grad) = 0;
    // Makes a new thumbnail of the entry from the picture file and writes it.
    virtual void VorschaubildNeuErzeugen(const QString& datei) = 0;
    // The viewer closed: the main window selects and shows the current
    // entry's thumbnail.
    virtual void VollbildGeschlossen() = 0;
    // Background colour of the short-description window.
    virtual TColor TextVollbildFarbe() const = 0;
};

// The short description of the current entry, above the picture.
class TTextVollbildForm : public TForm {
public:
    TTextVollbildForm(TComponent* AOwner, TVollbildHauptfenster& hauptfenster);
    ~TTextVollbildForm() override;

    TLabel* Label1;
    TQKINI* QKINI1;
    // Set by Esc in this window; read by long work of the program.
    static bool Abbruch;

    // Puts the entry's short description into the label and sizes the
    // window to it.
    void TextAnzeigen(const QString& text);
    void FormKeyUp(TObject* Sender, Word& Key, TShiftState Shift);

private:
    TVollbildHauptfenster& haupt_;
    TPoint druckPunkt_;
    bool ziehen_ = false;
};

class TFullSizeForm : public TForm {
public:
    TFullSizeForm(TComponent* AOwner, TVollbildHauptfenster& hauptfenster);
    ~TFullSizeForm() override;

    TPanel* PanelPicParent;
    TImageWindow* ImageWindow1;
    TPopupMenu* PopupMenu1;
    TPopupMenu* PopupMenu2;
    TTimer* Timer1;  // slide show
    TTimer* Timer2;  // key preview back on
    TQKINI* QKINI1;
    TTextVollbildForm* TextVollbildForm = nullptr;

    TMenuItem* Schliessen1;
    TMenuItem* BildinZwischenablage1;
    TMenuItem* Kurzbeschreibung1;
    TMenuItem* Optionen1;
    TMenuItem* Toolbaranaus1;
    TMenuItem* Scrollbarssichtbar1;
    TMenuItem* Center1;
    TMenuItem* Ausschnittselektierbarmachen1;
    TMenuItem* Naechstes1;
    TMenuItem* N10Bildervor1;
    TMenuItem* LetztesBild1;
    TMenuItem* Letztes1;
    TMenuItem* N10BilderZurueck1;
    TMenuItem* ErstesBild1;
    TMenuItem* OriginalGroesse1;
    TMenuItem* GanzesBildanzeigen1;
    TMenuItem* AnBreiteanpassen1;
    TMenuItem* AnHoeheAnpassen1;
    TMenuItem* ImFensteranpassen1;
    TMenuItem* N0OriginalAusrichtung1;
    TMenuItem* N90drehen1;
    TMenuItem* N180drehen1;
    TMenuItem* N270drehen1;
    TMenuItem* Zoom1;
    TMenuItem* Zoom2;
    TMenuItem* SlideShowstart1;
    TMenuItem* SlideShowstart2;
    TMenuItem* Drucken1;
    TMenuItem* Bildexternbearbeiten_3;
    TMenuItem* Bildexternbearbeiten_31;
    TMenuItem* Bildexternbearbeiten_32;
    TMenuItem* Bildexternbearbeiten_33;
    TMenuItem* Benutzermarkierung1;

    // The picture file of the current entry as found (Windows form).
    QString AktuellesBild;
    // 0 to 3: the orientation of the shown picture in quarter turns.
    int Ausrichtung = 0;
    bool SlideShowLaeuft = false;
    QString Ziffern;  // digits typed so far

    // The slide-show interval in seconds (1 to 60); the timer runs in ms.
    void SetSlideShowIntervall(int sekunden);
    // Resolves and loads the current entry's picture; false when nothing
    // could be shown (missing, unreadable or an external format).
    bool BildLaden();

    // ---- Commands
    void Schliessen1Click(TObject* Sender);
    void BildinZwischenablage1Click(TObject* Sender);
    void Kurzbeschreibung1Click(TObject* Sender);
    void Optionen1Click(TObject* Sender);
    void Toolbaranaus1Click(TObject* Sender);
    void Scrollbarssichtbar1Click(TObject* Sender);
    void Center1Click(TObject* Sender);
    void Ausschnittselektierbarmachen1Click(TObject* Sender);
    void Naechstes1Click(TObject* Sender);
    void Letztes1Click(TObject* Sender);
    void ErstesBild1Click(TObject* Sender);
    void LetztesBild1Click(TObject* Sender);
    void Next10(TObject* Sender);
    void Prior10(TObject* Sender);
    void OriginalGroesse1Click(TObject* Sender);
    void GanzesBildanzeigen1Click(TObject* Sender);
    void AnBreiteanpassen1Click(TObject* Sender);
    void AnHoeheAnpassen1Click(TObject* Sender);
    void ImFensteranpassen1Click(TObject* Sender);
    void N0OriginalAusrichtung1Click(TObject* Sender);
    void N90drehen1Click(TObject* Sender) { Drehen(1); }
    void N180drehen1Click(TObject* Sender) { Drehen(2); }
    void N270drehen1Click(TObject* Sender) { Drehen(3); }
    void Zoom1Click(TObject* Sender) { Zoomen(0.1); }
    void Zoom2Click(TObject* Sender) { Zoomen(-0.1); }
    void SlideShowstart1Click(TObject* Sender);
    void Drucken1Click(TObject* Sender);
    void Benutzermarkierung1Click(TObject* Sender);
    void Timer1Timer(TObject* Sender);
    void FormKeyUp(TObject* Sender, Word& Key, TShiftState Shift);
    void ImageWindow1MouseMove(TObject* Sender, TShiftState Shift, int X, int Y);

    // The panel layout of the picture (centred at its zoomed size).
    void AnzeigePanelAnpassen();
    // Writes the zoom of the original size into ZOOMFACTOR when it is shown.
    void ZoomFaktorSpeichern();

private:
    enum TLadeErgebnis { leGezeigt, leNichtGefunden, leExtern, leDefekt };
    TLadeErgebnis Laden();
    QString BildPfadErmitteln(bool& gefunden);
    void FormShow(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void AnzeigeModus(TMenuItem* item, int fit, QChar code);
    void LeseAnzeigeModusFlag();
    void LeseAusrichtungsFlag();
    void ZoomFaktorLesen();
    void Drehen(int viertel);
    void Zoomen(double schritt);
    void FlagSchreiben(int position, QChar wert);
    void TextAktualisieren();
    void MarkierungZeigen();
    // One step forward (true) or back with wrap-around, no loading.
    void Schritt(bool vor);
    // Stores the zoom, makes the move and loads the entry reached.
    void Springen(const std::function<void()>& bewegung);
    QChar ModusCode() const;
    TMenuItem* Eintrag(TMenuItem* parent, const char* name, const QString& caption,
                       void (TFullSizeForm::*handler)(TObject*), TShortCut kurz = 0);
    TVollbildHauptfenster& haupt_;
    TDataSet* ds_;
    TDbe* dbe_;
    bool hinweiseVorher_ = true;
    TPoint letzteMaus_;
    bool ladeFehler_ = false;
    bool modusLesen_ = false;
    // The current entry's picture is on screen (its zoom may be stored).
    bool gezeigt_ = false;
};
