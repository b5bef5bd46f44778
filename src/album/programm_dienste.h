#pragma once
// TProgrammDienste: the program's services that every concern of the main
// window uses: the action log, the timed notice, the program's sounds, the
// exception log's context, the abort flag that Esc sets, the program's ini
// file, the run's temporary folder, the menu items by name and the run
// itself (programm_lauf.h). The main window provides them; a concern's test
// records them and keeps a run of its own.

#include "album/programm_lauf.h"

#include <QString>

class TMenuItem;
class TQKINI;

class TProgrammDienste {
public:
    virtual ~TProgrammDienste() = default;
    // An "Info" or "Fehler" line in the action log (when logging is on).
    virtual void Protokoll(const QString& art, const QString& text) = 0;
    // The program's timed notice.
    virtual void Hinweis(const QString& caption, const QString& text, int height) = 0;
    // The program sound of that number; a wave file by its path.
    virtual void TonSpielen(long nummer) = 0;
    virtual void WavSpielen(const QString& datei) = 0;
    // Names the open album and its record position for the exception log;
    // the exception log's user text set as given.
    virtual void FehlerKontextSetzen() = 0;
    virtual void FehlerKontextText(const QString& text) = 0;
    // The program's ini file (Lumadex.INI in the Windows folder).
    virtual TQKINI& Ini() = 0;
    // The folder of the run's temporary files: the options' temporary folder
    // when it exists, else the program folder (ends with "\").
    virtual QString TempOrdner() const = 0;
    // A menu item of the command vocabulary by name; null when none has it.
    virtual TMenuItem* Menuepunkt(const QString& name) = 0;

    // ---- The run ----
    // The run's state: folders, start count, first start, abort flag,
    // running commands, the end, the dropped files.
    virtual TProgrammLauf& Lauf() = 0;
    virtual const TProgrammLauf& Lauf() const = 0;
    // What the concerns read of it most. Esc asks the running command to
    // stop.
    bool AbbruchGedrueckt() const { return Lauf().AbbruchGedrueckt(); }
    void AbbruchSetzen(bool abbruch) { Lauf().AbbruchSetzen(abbruch); }
    // The program folder (ends with "\").
    QString ProgrammPfad() const { return Lauf().ProgrammPfad(); }
    // Seconds a timed notice stays.
    int AnzeigeZeit() const { return Lauf().AnzeigeZeit(); }
    // The program has not been set up yet; its shutdown has begun.
    bool ErstStartLaeuft() const { return Lauf().ErstStart(); }
    bool ProgrammEndet() const { return Lauf().ProgrammEndet(); }
};
