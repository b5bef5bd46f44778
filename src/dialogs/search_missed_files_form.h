#pragma once
// TSearchMissedFilesForm, "Bilderdateien suchen": the user ticks the drives
// C to Z to search for pictures and gives each a start folder; OK turns the
// ticked drives into a list of start paths. The choice is kept in the main
// ini file, section "Einstellungen MedienAuswahl".

#include "platform/core/string_list.h"
#include "platform/ui/forms.h"

#include <array>

class TBitBtn;
class TCheckBox;
class TEdit;
class TGroupBox;
class TLabel;
class TQKINI;
class TSpeedButton;

// The drive a caller wants ticked when the form shows next (the flag is
// cleared when it has been applied).
extern bool LaufwerkVorauswahl;
extern QChar LaufwerkVorauswahlBuchstabe;

class TSearchMissedFilesForm : public TForm {
public:
    static constexpr int kLaufwerke = 24;  // C to Z

    // iniDatei: the main window's ini file, which the form's settings join.
    TSearchMissedFilesForm(TComponent* AOwner, const QString& iniDatei);
    ~TSearchMissedFilesForm() override;

    TGroupBox* GroupBox1;
    TLabel* Label1;  // column label of the left half
    TLabel* Label2;  // column label of the right half
    std::array<TCheckBox*, kLaufwerke> CheckBoxen{};
    std::array<TEdit*, kLaufwerke> EditPfade{};
    std::array<TSpeedButton*, kLaufwerke> SpeedButtons{};
    TBitBtn* BitBtn1;  // OK
    TBitBtn* BitBtn2;  // Abbrechen
    TBitBtn* BitBtnAlleReseten;
    TBitBtn* BitBtnAlleAnkreuzen;
    TQKINI* QKINI1;

    // The start paths of the last OK: per ticked drive, in the order C to
    // Z, the letter + ":" + its folder, or letter + ":\" for the root.
    TStringList StartPfade;

    // The controls of a drive letter, null for a letter outside C to Z.
    TCheckBox* CheckBox(QChar letter) const;
    TEdit* EditPfad(QChar letter) const;

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void QKINI1ReadINI(TObject* Sender);
    void QKINI1WriteINI(TObject* Sender);
    void BitBtnAlleResetenClick(TObject* Sender);
    void BitBtnAlleAnkreuzenClick(TObject* Sender);
    void SpeedButtonCClick(TObject* Sender);
    void PfadEintragen();
    void BitBtn1Click(TObject* Sender);

private:
    QString gemerkterButton_;
};
