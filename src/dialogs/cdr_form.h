#pragma once
// The CD-R preparation (TCDRForm): a two-page wizard, "Was kopieren" and
// "Wohin kopieren", that assembles under one target folder the tree the
// user burns as the root of a CD-R: the manager table and the setup table
// with their side files, and per chosen album its file set under
// "Data\Database\<album>\" (entries thinned to the chosen marks, picture
// paths rewritten to the medium) and its pictures under
// "Data\Pics\<album>\", and with the program ticked the running program
// with its start script under "Programm\" (cdr_programm.h).
//
// Finishing the wizard runs the copy. A tree left by an earlier run can be
// cleared first: only what that run listed in its content file is removed,
// never anything else in the target folder. Sizes are 64-bit; pictures of
// one album with the same file name get numbered names instead of
// overwriting each other; a picture's name in the tree is the cleaned last
// part of its stored path and never leaves the album's pictures folder.

#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdint>

#include "platform/ui/buttons.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/forms.h"
#include "platform/ui/std_ctrls.h"

class TAlbumManagerUmgebung;
class TOffenesAlbum;
class TProgrammDienste;
class TAssistent;
class TAGroupBox;
class TABox;
class TDbe;
class TQKINI;
class TswSpinEdit;

// The file that lists, one relative path a line, what a run wrote under
// the target folder.
inline constexpr char kCDRInhalt[] = "LUMADEX-CDR.LST";

class TCDRForm : public TForm {
public:
    TCDRForm(TComponent* AOwner, TOffenesAlbum& album, TProgrammDienste& dienste, TAlbumManagerUmgebung& umgebung);
    ~TCDRForm() override;

    TAssistent* Assistent1;
    TAGroupBox* AGroupBox1;
    TAGroupBox* AGroupBox2;
    TABox* StatusBox;
    TCheckBox* CheckBoxBenutzerMarkierteSaetze;
    TCheckBox* CheckBoxCDRMarkierteSaetze;
    TCheckBox* CheckBoxInternetMarkierteSaetze;
    TCheckBox* CheckBoxAlleSaetze;
    TCheckBox* CheckBoxNurMarkierteDatenbanken;
    TCheckBox* CheckBoxMitLumadex;
    TCheckBox* CheckBoxAutorun;
    TCheckBox* CheckBox1;
    TEdit* EditCDRDir;
    TBitBtn* SpeedButton16;  // "Durchsuchen"
    TEdit* EditZielGroesse;
    TswSpinEdit* SpinEditCDRGroesse;
    TBitBtn* BitBtnKalkulieren;
    TPanel* PanelSumme;
    TPanel* PanelMeldung;
    TQKINI* QKINICDR;

    // ---- Events ----
    void FormShow();
    void FormClose();
    void EditZielGroesseChange();
    // False when the folder was refused (the focus goes back).
    bool EditCDRDirExit();
    void SpeedButton16Click();
    void BitBtnKalkulierenClick();
    // The copy run when the wizard finishes (ToPage -1); the result lets
    // the wizard close.
    bool Assistent1CanPageChange(int FromPage, int& ToPage);

    // ---- Work ----
    void Status();
    void BilderDatenKalkulieren();
    bool ErzeugeZielStruktur();
    void KopiereProgramm();
    void BilderdatenKopieren();
    int SetupEintraegeAnpassen(const QString& suchFeld, const QString& suchWert, const QString& wertFeld,
                               const QString& wert);
    // True when the entry the third work area stands on is selected by
    // the mark boxes.
    bool EintragGewaehlt(TDbe* dbe) const;

    // Running totals of one run.
    int64_t GesamtBytes = 0;
    int64_t LetzteGroesse = 0;
    int Eintraege = 0;
    bool WarnungGezeigt = false;
    // Same-name pictures met in the last album copied.
    int Namensgleiche = 0;
    // A copy into the tree failed in this run (reported once). A picture
    // that cannot be copied (or whose stored path leaves no usable name) is
    // skipped: its entry is left off the medium's album, its path listed
    // here and named in the closing messages; the album goes on.
    bool KopierFehler = false;
    QStringList UebersprungeneBilder;

private:
    QString Wurzel() const;
    bool BildergroessenAddieren(const QString& album);
    bool BilderKopieren(const QString& album, const QString& bilderOrdner, QHash<uint32_t, QString>& kopien);
    bool AlbumKopieren(const QString& album, const QString& datenbankOrdner, const QHash<uint32_t, QString>& kopien,
                       const QString& bilderOrdner);
    void SaetzeAusZielDBFLoeschenOderPfadErneuern(const QString& datenbankOrdner, const QString& datei,
                                                 const QString& bilderOrdner, const QHash<uint32_t, QString>& kopien);
    // Copies a file into the tree and lists it in the content file.
    bool Kopieren(const QString& quelle, const QString& ziel);
    void Ueberspringen(const QString& pfad);
    // The running program with the libraries and Qt plugins a desktop does
    // not have, and its start script, into the tree's program folder.
    void KopiereProgrammDateien();
    int64_t ProgrammDateienGroesse() const;
    // Removes what the content file of an earlier run lists; false when
    // something listed could not be removed.
    bool AltenInhaltLoeschen();
    void InhaltSchreiben();
    void IniLesen();
    void IniSchreiben();
    TOffenesAlbum& album_;
    TProgrammDienste& dienste_;
    TAlbumManagerUmgebung& u_;
    QStringList inhalt_;  // relative paths written in this run
};
