#pragma once
// The program's user settings: one table of every key of the main ini file
// that the options dialog edits (section, key, type, default, range, the
// control that shows it, its caption and tab), and TProgrammEinstellungen,
// the store that holds their values for the whole run. The options dialog
// shows and edits the store, the main window and the other dialogs read it;
// reading and writing the ini file go row by row through the table, so a
// key is named in one place only.
//
// Values read from the file are checked against their row: a missing key, a
// text where a number belongs or a number outside the row's range gives the
// row's default, so nothing unusable reaches the program. Keys of the file
// that are not in the table are left as they are on every write.

#include "platform/core/string_list.h"
#include "platform/ui/framework_types.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <span>
#include <vector>

// Sections of the main ini file.
inline constexpr const char* kSektionHaupt = "Einstellungen Hauptprogramm";
inline constexpr const char* kSektionBilder = "Einstellungen Bilder";
inline constexpr const char* kSektionTextVollbild = "Einstellungen TextVollbildanzeige";
inline constexpr const char* kSektionFonts = "Fonts";

enum class TEinstellungsTyp {
    Bool,      // ticked / not ticked, stored "1" / "0"
    Zahl,      // integer within Min..Max
    Auswahl,   // item index of a combo box within Min..Max
    Text,      // free text
    Ordner,    // folder; the default lies under the program folder
    Datei,     // program file
    Farbe,     // colour in the framework's encoding
    Radio,     // boolean in a radio group: true selects it, the others of the group clear
};

// The tabs of the options dialog, in their order.
enum TOptionenReiter {
    rtAllgemein,      // "Programm-Allgemein"
    rtBilder,         // "Bilder-Allgemein"
    rtKopieren,       // "Bilder (um)kopieren"
    rtVerzeichnisse,  // "Fotoalben/Verzeichnisse"
    rtExtern,         // "Externe Programme"
    rtScanner,        // "Scanner / Kamera"
    rtHTML,           // "HTML-Export"
    rtFarben,         // "Schriften && Farben"
    rtSound,          // "Programm_Sound"
    rtAnzahl
};

// How the main window treats a folder setting right after reading the file.
enum class TOrdnerAnlage {
    Keine,          // not created
    Immer,          // created without a question
    NichtAufAB,     // created unless it lies on drive A: or B:
    NurFestplatte,  // created only on a fixed disk; elsewhere a one-time warning
};

struct TEinstellung {
    const char* Schluessel;     // ini key
    const char* Sektion;        // ini section
    TEinstellungsTyp Typ;
    const char* Steuerelement;  // name of the options dialog's control
    const char* Beschriftung;   // caption of the control (or of its label)
    TOptionenReiter Reiter;
    const char* Gruppe;         // group box caption on its tab ("" none)
    const char* Vorgabe;        // default as text ("1"/"0", digits, text, folder below the program folder)
    int Min = 0;
    int Max = 0;
    bool Versteckt = false;     // the control stays invisible; the key is read, written and used
    TOrdnerAnlage Anlage = TOrdnerAnlage::Keine;
    bool Deaktiviert = false;   // the control is shown disabled
    const char* Einheit = "";   // scroll bars: the text after the position in their label (" Sek.")
};

// Every setting, in reading order (radio groups in the order their keys are
// read: the last true one wins).
std::span<const TEinstellung> EinstellungsTabelle();
// The row of a key (compared without case); nullptr when the key is unknown.
const TEinstellung* EinstellungZuSchluessel(const QString& schluessel);
// The row shown by a control; nullptr when none.
const TEinstellung* EinstellungZuSteuerelement(const QString& steuerelement);
// The rows of one radio group (the other keys of the same section and group
// box of type Radio).
std::vector<const TEinstellung*> RadioGruppe(const TEinstellung& zeile);
// Captions of the tabs.
QString ReiterBeschriftung(TOptionenReiter reiter);
// The items of the upload mode combo, by index.
QStringList UploadmodusEintraege();

// The font keys of section "Fonts" that the options dialog's font combo
// sets, by combo index 1..8 (index 0 resets them all), and the font of the
// full-size caption.
struct TSchriftEintrag {
    const char* Eintrag;  // text of the combo entry
    const char* Schluessel;  // key prefix in section "Fonts" ("" for index 0)
};
std::span<const TSchriftEintrag> SchriftEintraege();
inline constexpr const char* kSchriftTextVollbild = "TextVollbild";

class TProgrammEinstellungen {
public:
    TProgrammEinstellungen();
    virtual ~TProgrammEinstellungen() = default;

    // The program folder the folder defaults lie under (ends with "\");
    // ProgramFolder() unless set. Folder values still at their default
    // move to the new folder.
    QString ProgrammPfad() const { return programmPfad_; }
    void SetProgrammPfad(const QString& pfad);

    // Every value back to the table's default.
    void Vorgaben();
    // The default of a row as a value (folders below the program folder).
    QString Vorgabe(const TEinstellung& zeile) const;

    // Reads every key of the table from the ini file (Windows form or a name
    // in the Windows folder); a missing file gives the defaults.
    void Lesen(const QString& iniDatei);
    // Writes every key of the table into the ini file, in one write; other
    // keys of the file stay. Throws when the file cannot be written.
    void Schreiben(const QString& iniDatei) const;

    // Values by key (without case). An unknown key throws std::out_of_range.
    bool Bool(const QString& schluessel) const;
    int Zahl(const QString& schluessel) const;
    QString Text(const QString& schluessel) const;
    TColor Farbe(const QString& schluessel) const { return TColor(Zahl(schluessel)); }
    // Setting a value checks it like a read does: a value the row does not
    // accept (out of range, not a number, a line break, a character the
    // ini file's Windows-1252 cannot hold) leaves the old one and gives false. A true radio value clears
    // the others of its group.
    bool SetBool(const QString& schluessel, bool wert);
    bool SetZahl(const QString& schluessel, int wert);
    bool SetText(const QString& schluessel, const QString& wert);
    bool SetFarbe(const QString& schluessel, TColor wert) { return SetZahl(schluessel, int(wert)); }
    // The stored text of a value ("1"/"0", digits, text), as the file holds it.
    QString Wert(const QString& schluessel) const;
    // Sets from the file's text; an unusable text gives the row's default
    // (and false).
    bool SetWert(const QString& schluessel, const QString& text);

    // Called with the key after every change of a value.
    std::function<void(const QString& schluessel)> OnChange;

    // Makes the missing folders of the folder settings as each row's
    // creation rule says. The warning for a source folder that is not on a
    // fixed disk is shown once per run, when all messages are on. Gives the
    // folders that could not be made.
    QStringList OrdnerAnlegen();

    // The group and source pick lists of the open album, one entry a line
    // (their texts; the line number is the stored value). Shown and edited by
    // the options dialog's memos.
    TStringList MemoGruppenListe;
    TStringList MemoQuellenListe;
    // Reload a list from the album's side file when it exists. The options
    // dialog's store does the whole work: the default lines for a missing
    // file, the side file written, the main window's combos filled.
    virtual void ReadPlayListFromMemo(const QString& gprFile);
    virtual void ReadQuellenFromMemo(const QString& qulFile);

    // A value by its key, readable and assignable like the control it
    // stands for: `if (opt.CheckBoxAlleMeldungen)`, `opt.EditTempDir = ...`.
    class BoolWert {
    public:
        BoolWert(TProgrammEinstellungen* e, const char* k) : e_(e), k_(k) {}
        operator bool() const { return e_->Bool(k_); }
        BoolWert& operator=(bool v) { e_->SetBool(k_, v); return *this; }
    private:
        TProgrammEinstellungen* e_;
        const char* k_;
    };
    class TextWert {
    public:
        TextWert(TProgrammEinstellungen* e, const char* k) : e_(e), k_(k) {}
        operator QString() const { return e_->Text(k_); }
        TextWert& operator=(const QString& v) { e_->SetText(k_, v); return *this; }
        QString operator+(const QString& s) const { return e_->Text(k_) + s; }
    private:
        TProgrammEinstellungen* e_;
        const char* k_;
    };
    BoolWert CheckBoxProtokollieren{this, "Protokollieren"};
    BoolWert CheckBoxAlleMeldungen{this, "AlleMeldungen"};
    BoolWert CheckBoxBearbeitungszeitAnzeigen{this, "BearbeitungszeitAnzeigen"};
    BoolWert CheckBoxBerabeitungsMeldung{this, "BerabeitungsMeldung"};
    BoolWert CheckBoxVorschauBilderAlsBlobSpeichern{this, "VorschuBilderAlsBlobSpeichern"};
    TextWert EditTempDir{this, "TempBilderPfad"};
    TextWert EditDatenbankenVerzeichnis{this, "DatenbankenVerzeichnis"};

    TProgrammEinstellungen(const TProgrammEinstellungen&) = delete;
    TProgrammEinstellungen& operator=(const TProgrammEinstellungen&) = delete;

private:
    int Index(const QString& schluessel) const;
    bool Setzen(int index, const QString& text);
    bool Gueltig(const TEinstellung& zeile, const QString& text) const;

    QString programmPfad_;
    std::vector<QString> werte_;  // parallel to the table
    bool quellWarnungGezeigt_ = false;
};

// Default lines of the two pick lists.
QStringList StandardGruppenListe();
QStringList StandardQuellenListe();
