#pragma once
// TProgrammOptionen, the options dialog "Einstellungen / Optionen": nine
// tabs whose controls are built from the settings table, each bound to its
// value in the settings store, plus the pick-list memos, the font combo and
// the colour buttons. The program creates it once and keeps it to the end;
// its store (Einstellungen()) is the one the main window and the other
// dialogs read. Closing it by any means stores every setting in the main
// ini file and reads the file again, so a change takes effect at once;
// there is no cancel.
//
// Making the dialog reads the settings into the store and applies what the
// store alone decides (the hint times); the tabs and their controls are
// built the first time the dialog is shown or a control is asked for
// (Steuerelement(), SteuerelementeBauen()), and then show the store's
// values, so a program start that never opens the dialog does not pay for
// its some 200 controls. Until then the control pointers below are null.

#include "dialogs/options_host.h"
#include "dialogs/program_settings.h"

#include "platform/ui/forms.h"

#include <QHash>
#include <memory>

class TBitBtn;
class TCheckBox;
class TColorDialog;
class TComboBox;
class TEdit;
class TFontDialog;
class TGroupBox;
class TLabel;
class TMemo;
class TPageControl;
class TPopupMenu;
class TQKINI;
class TRadioButton;
class TScrollBar;
class TShadowButton;
class TSpeedButton;
class TTabSheet;

class TProgrammOptionen : public TForm {
public:
    TProgrammOptionen(TComponent* AOwner, TOptionenHauptfenster& hauptfenster);
    ~TProgrammOptionen() override;

    // The settings store the dialog shows; the main window reads it.
    TProgrammEinstellungen& Einstellungen();

    TPageControl* PageControlMain = nullptr;
    TTabSheet* Reiter[rtAnzahl] = {};
    TMemo* MemoGruppenListe = nullptr;
    TMemo* MemoQuellenListe = nullptr;
    TComboBox* ComboBoxFonts = nullptr;
    TBitBtn* BitBtnTextVollbildFont = nullptr;
    TBitBtn* BitBtn1 = nullptr;
    TBitBtn* BitBtn2 = nullptr;
    TBitBtn* BitBtn3 = nullptr;
    TPopupMenu* PopupMenu1;
    TQKINI* QKINISettings;
    TColorDialog* ColorDialog1;
    TFontDialog* FontDialog1;

    // Builds the tabs and their controls once (they then show the store's
    // values); true once built.
    void SteuerelementeBauen();
    bool SteuerelementeGebaut() const { return PageControlMain != nullptr; }

    // The control of a table row or any other named control (the controls
    // are built first); nullptr when none has that name.
    TControl* Steuerelement(const QString& name);
    template <typename T>
    T* Element(const QString& name) { return dynamic_cast<T*>(Steuerelement(name)); }
    // The label that shows a scroll bar's value ("10 Sek.").
    TLabel* WertLabel(const QString& scrollBar);
    // The browse button of a folder or program edit.
    TSpeedButton* SuchKnopf(const QString& edit);

    // Published methods called by the main window.
    void LeseFontAusIni(const QString& iniDatei);
    void ReadPlayListFromMemo();
    void ReadQuellenFromMemo();
    void FontZuweisen(int index);

    // Lifecycle and commands (the form's handlers).
    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormActivate(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void BitBtn3Click(TObject* Sender);
    void OrdnerPruefen(TEdit* edit);
    void OrdnerSuchen(TEdit* edit);
    void ProgrammSuchen(TEdit* edit);
    void FarbKnopfClick(TShadowButton* knopf);
    void BitBtnTextVollbildFontClick(TObject* Sender);
    void MemoListeExit(int liste);

    // Shows the dialog modally on a tab (-1: the tab last shown).
    TModalResult Zeigen(int reiter);

private:
    class TSpeicher;
    void Bauen();
    void BedienelementeBauen();
    void ReiterBauen(TOptionenReiter reiter);
    void ZeileBauen(const TEinstellung& z, TWinControl* parent, int x, int& y, int breite);
    void Binden(const TEinstellung& z, TControl* c);
    void SteuerelementeAktualisieren();
    void SteuerelementAktualisieren(const QString& schluessel);
    void ListenfarbenFreigeben();
    void ScrollBarGeaendert(TScrollBar* bar);
    void CheckBoxMausHoch(TCheckBox* box);
    void EditVerlassen(TEdit* edit);
    void PickListeLesen(int liste, const QString& datei);
    void Ton(TControl* c);
    void HintZeitenAnwenden();
    void SpeicherGeaendert(const QString& schluessel);

    TOptionenHauptfenster& haupt_;
    std::unique_ptr<TSpeicher> speicher_;
    QHash<QString, TControl*> elemente_;
    QHash<QString, TLabel*> wertLabels_;
    QHash<QString, TSpeedButton*> suchKnoepfe_;
    bool aktualisiert_ = false;  // controls being set from the store
};
