#pragma once
// The main window's own keys of the ini file as one table (section, key,
// type, default, and whether the start-up reads the key and the shutdown
// writes it): the run-time state that no options control holds. The keys of
// the options are the settings table of the options dialog
// (dialogs/program_settings.h); TEinstellungen reads and writes both and
// answers for both, so the main window asks one place for any setting.

#include "dialogs/program_settings.h"

#include <QHash>
#include <QString>
#include <QVariant>

#include <span>

class TQKINI;

enum class TIniTyp {
    Bool,
    Int,
    Int16,   // integer of which 16 bits are kept
    Int8,    // integer of which 8 bits are kept
    Text,
    Zeichen, // text of which the first character is kept
};

// Flags of a key.
enum : unsigned {
    kIniLesen = 1,       // read at start-up
    kIniSchreiben = 2,   // written at shutdown
    kIniOrdner = 4,      // the default is a folder below the program folder
};

struct TIniSchluessel {
    const char* Sektion;
    const char* Schluessel;
    TIniTyp Typ;
    const char* Vorgabe;   // default as text ("true", "0xFFFF00", "Data\Database\")
    unsigned Flags;
    const char* Schreibname = nullptr;  // key name used when writing, when it differs
};

inline constexpr char kSektionToolbar[] = "ToolbarBilderMain";

// The program's version text, written as "Revision" at shutdown.
QString ProgrammRevision();

// Every key in the order the start-up reads them.
std::span<const TIniSchluessel> IniSchluesselTabelle();
// The entry of a key (section and key compared without case), null when
// the table has none.
const TIniSchluessel* IniSchluesselSuchen(const QString& sektion, const QString& schluessel);

// The values of the table's keys for the run, and the options store for
// every other key.
class TEinstellungen {
public:
    // The options store (not owned); keys outside the table go there.
    TProgrammEinstellungen* Optionen = nullptr;

    // Every key with its default; program-folder defaults below programmPfad.
    void VorgabenSetzen(const QString& programmPfad);
    // Reads the options store from the file, then every key of the table
    // marked for reading; a missing value keeps the value held.
    void Lesen(TQKINI& ini);
    // Writes every key marked for writing: the grid mode, the menu's end
    // item, the toolbar and the version first, then the others in the
    // table's order; "LastRecNo" and "LastOrder" only with an open album.
    void Schreiben(TQKINI& ini, bool mitAlbum) const;
    void SchreibeEinen(TQKINI& ini, const TIniSchluessel& k) const;

    bool Bool(const char* schluessel) const;
    int Int(const char* schluessel) const;
    QString Text(const char* schluessel) const;
    void Setzen(const char* schluessel, const QVariant& wert);
    // The default of a key as the table gives it.
    static QVariant Vorgabe(const TIniSchluessel& k, const QString& programmPfad);

private:
    QVariant Wert(const char* schluessel) const;
    QHash<QString, QVariant> werte_;
};
