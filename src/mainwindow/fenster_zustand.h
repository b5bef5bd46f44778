#pragma once
// The main window's state of its run, its list printing and its album
// display, one small object per concern. The form holds one of each and
// hands them out through Lauf(), Druck() and Anzeige(); the concerns meet
// there instead of on the form's own members.

#include "platform/core/run_temp_folder.h"
#include "platform/core/string_list.h"

#include <QString>

#include <functional>
#include <memory>

class TrgReport;

// What the program knows of the current run. The start-up fills it in, the
// shutdown marks its end, Esc sets the abort flag that long commands poll,
// and a drop on the window leaves its picture files here until the add
// dialog takes them.
struct TProgrammLauf {
    QString ProgrammPfad;          // program folder, ends with "\"
    QString WindowsPfad;           // Windows folder, ends with "\"
    int RequesterAnzeigeZeit = 4;  // seconds a notice stays, ini "RequesterAnzeigeZeit"
    int ProgAufrufe = 0;           // start count including this run (ini + 1)
    bool ErstStart = true;         // the program has not been set up yet
    bool ProgrammEndet = false;    // shutdown has begun
    bool Abbruch = false;          // Esc asks the running command to stop
    int LaufendeBefehle = 0;       // commands of the vocabulary running (nested ones too)
    bool EndeAngefordert = false;  // the program ends once the running command returns
    TStringList DropFileListe;     // the picture files of the last drop
    bool DragAndDropFlag = false;  // the add dialog is taking the dropped files

    // The program's ini file in the Windows folder.
    QString IniDatei() const { return WindowsPfad + QStringLiteral("Lumadex.INI"); }
};

// The list printing's state: the large-picture flags that the template file
// names "BilderListe_GrossesBild8.RTM" (landscape section) and
// "BilderListe_GrossesBild10.RTM" (portrait section) set, cleared when the
// layout chooser or the print menu opens; where a loaded list goes (unset,
// the report prints to its own device: the preview unless the template
// says otherwise); and the print's picture file "PrintPic.BMP", a
// temporary file of the run while a print uses it.
struct TDruckStand {
    bool GrossBild8 = false;
    bool GrossBild10 = false;
    std::function<void(TrgReport*)> ListenAusgabe;
    std::unique_ptr<TRunTempFile> PrintPic;
};

// The album display's state: the entry count last shown, whether the
// single-record view is on, whether the grid's column layout was changed
// since it was saved, and the values LesePickliste read last.
struct TAnzeigeStand {
    int LetzteSatzanzahl = -1;
    bool EinzelsatzAnzeige = true;
    bool GridLayoutMerker = false;
    TStringList PickListe;
};
