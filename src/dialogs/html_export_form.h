#pragma once
// The dialog of the HTML gallery export (TPicHTMLForm, "Bilderexport nach
// HTML"): the settings on two notebook pages ("Übersicht" and
// "Grossbildanzeige"), the head template of the overview pages in an
// editor beside them (kept in "HTML_Top.txt" in the program folder, loaded
// from and saved to ".tpl" templates), and the commands to create the
// gallery and to open its first page. The pages are made by THTMLExport.
//
// The dialog reaches the main window only through THTMLExportKontext.

#include <QImage>

#include <functional>

#include "dialogs/html_export.h"
#include "platform/ui/buttons.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/forms.h"
#include "platform/ui/menus.h"
#include "platform/ui/std_ctrls.h"

class TDbe;
class TQKINI;

inline constexpr int Hlp_HTMLxExport = 7130;

// What the dialog uses of the main window.
struct THTMLExportKontext {
    TDbe* Dbe = nullptr;           // the open album's engine companion
    QString ExportOrdner;          // the options' HTML export folder, ending in "\"
    QString ProgrammOrdner;        // ending in "\"
    QString IniDatei;              // the main ini file
    int MeldungsZeit = 10;         // "RequesterAnzeigeZeit"
    TColor Infofarbe = TColor(65535);
    std::function<void(int nummer)> Klang;          // program sound
    std::function<void()> GaugePanelVerbergen;      // hides the main window's gauge panel
};

// An edit for a whole number with a small up-down bar beside it.
class TZahlFeld {
public:
    TZahlFeld(TWinControl* parent, TComponent* owner, int left, int top, int width, int min, int max, int step);
    // The edit and the bar stay with their owner; they forget this field.
    ~TZahlFeld();
    int Wert() const;
    void SetWert(int v);
    void SetEnabled(bool v);
    TEdit* Edit;
    TScrollBar* AufAb;

private:
    int min_, max_;
    bool sync_ = false;
};

class TPicHTMLForm : public TForm {
public:
    TPicHTMLForm(TComponent* AOwner, const THTMLExportKontext& kontext);
    ~TPicHTMLForm() override;

    TPageControl* Notebook;
    TTabSheet* TabUebersicht;
    TTabSheet* TabGrossbild;
    // "Übersicht"
    TCheckBox* chkSize;
    TZahlFeld* txtWidth;
    TZahlFeld* txtHeight;
    TCheckBox* CheckBox_Kurzbeschreibung_in_Alt;
    TCheckBox* CheckBox_Kurzbeschreibung_in_Uebersicht;
    TCheckBox* CheckBox_Langbeschreibung_in_Uebersicht;
    TZahlFeld* SpinEditTabRahmen;
    TZahlFeld* txtPicAnz;
    TCheckBox* CheckBox_NeuesFenster;
    TEdit* Edit_Target;
    // "Grossbildanzeige"
    TCheckBox* CheckBox_Grossbilder_HTML;
    TCheckBox* CheckBox_Scal_MainPics;
    TZahlFeld* SpinEdit_Main_Pic_Width;
    TZahlFeld* SpinEdit_Jpg_Quali;
    TCheckBox* CheckBox_Kurzbeschreibung_in_Grossanzeige;
    TCheckBox* CheckBox_Langbeschreibung_in_Grossanzeige;
    TEdit* Edit_Grossanzeigeueberschrift;
    TZahlFeld* SpinEditGrafikRahmen;
    TZahlFeld* SpinEdit_UeberschriftenRahmen;
    TCheckBox* CheckBox_OriginalAuchExportieren;
    // Right side and buttons.
    TLabel* LabelKopf;
    TMemo* memTop;
    TBitBtn* BitBtnCreate;
    TBitBtn* btnView;
    TBitBtn* BitBtn_HTML_Vorlagen;
    TBitBtn* BitBtnDefaultHTMLCode;
    TBitBtn* BitBtnHelp;
    TBitBtn* BitBtnClose;
    TPopupMenu* PopupMenu_Vorlagen;
    TMenuItem* Vorlageladen1;
    TMenuItem* Vorlagespeichern1;
    TOpenDialog* OpenDialog1;
    TSaveDialog* SaveDialog1;
    TQKINI* QKINI_HTMLExport;

    // Set by Esc (key released); cleared on close and when a run reacts.
    bool Abbruch = false;

    THTMLExportEinstellungen Einstellungen() const;
    void SetEinstellungen(const THTMLExportEinstellungen& e);

    void BitBtnCreateClick();
    void btnViewClick();
    void Vorlageladen1Click();
    void Vorlagespeichern1Click();
    void BitBtnDefaultHTMLCodeClick();
    void BitBtnHelpClick();
    void chkSizeClick();
    void CheckBox_NeuesFensterMouseUp();
    void memTopExit();

private:
    void Meldung(const QString& caption, const QString& text, int hoehe, int sekunden = -1);
    QString KopfDatei() const;
    THTMLExportKontext k_;
};
