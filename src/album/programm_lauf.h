#pragma once
// TProgrammLauf: what the program knows of its current run. The start-up
// fills it in, the shutdown marks its end, Esc sets the abort flag that long
// commands poll, the command vocabulary counts its running commands so that
// an end asked for meanwhile waits for them, and a drop on the window leaves
// its picture files here until the add dialog takes them. The main window
// owns it; the concerns reach it through the program's services
// (programm_dienste.h).

#include "platform/core/string_list.h"

#include <QString>
#include <QStringList>

#include <functional>

class TProgrammLauf {
public:
    // ---- Folders -------------------------------------------------------------
    // The program folder and the Windows folder, each ending with "\".
    const QString& ProgrammPfad() const { return programmPfad_; }
    void ProgrammPfadSetzen(const QString& pfad) { programmPfad_ = pfad; }
    const QString& WindowsPfad() const { return windowsPfad_; }
    void WindowsPfadSetzen(const QString& pfad) { windowsPfad_ = pfad; }
    // The program's ini file in the Windows folder.
    QString IniDatei() const { return windowsPfad_ + QStringLiteral("Lumadex.INI"); }

    // ---- What the settings say of the run ------------------------------------
    // Seconds a timed notice stays (ini "RequesterAnzeigeZeit").
    int AnzeigeZeit() const { return anzeigeZeit_; }
    void AnzeigeZeitSetzen(int sekunden) { anzeigeZeit_ = sekunden; }
    // The start count including this run: one more than the ini's count.
    int ProgAufrufe() const { return progAufrufe_; }
    void StartZaehlen(int bisherigeAufrufe) { progAufrufe_ = bisherigeAufrufe + 1; }
    // The program has not been set up yet.
    bool ErstStart() const { return erstStart_; }
    void ErstStartSetzen(bool erstStart) { erstStart_ = erstStart; }

    // ---- Start and end -------------------------------------------------------
    // A new start: no abort, no end begun, no drop pending, the notice time
    // at its default until the settings are read.
    void NeuerStart();
    // The shutdown has begun; it is not undone within the run. An end asked
    // for before is then carried out.
    bool ProgrammEndet() const { return programmEndet_; }
    void EndeBeginnt()
    {
        programmEndet_ = true;
        endeAngefordert_ = false;
        endeNachBefehl_ = false;
    }

    // ---- Abort ---------------------------------------------------------------
    // Esc asks the running command to stop; the command clears the flag.
    bool AbbruchGedrueckt() const { return abbruch_; }
    void AbbruchSetzen(bool abbruch) { abbruch_ = abbruch; }

    // ---- Running commands ----------------------------------------------------
    // A command of the vocabulary begins or ends (nested ones count too).
    // BefehlEndet answers whether an end asked for meanwhile is now due:
    // the outermost command has returned. It answers so once.
    void BefehlBeginnt() { ++laufendeBefehle_; }
    bool BefehlEndet();
    bool BefehlLaeuft() const { return laufendeBefehle_ > 0; }
    int LaufendeBefehle() const { return laufendeBefehle_; }
    // The program is to end once the running command has returned (and
    // control is back in the main loop); the command is stopped as Esc
    // stops it.
    void EndeAnfordern();
    bool EndeAngefordert() const { return endeAngefordert_; }

    // ---- Dropped files -------------------------------------------------------
    // The picture files of the last drop, kept until the add dialog takes
    // them (or a new drop replaces them).
    const TStringList& DropListe() const { return dropListe_; }
    void DropListeSetzen(const QStringList& dateien);
    void DropListeLeeren() { dropListe_.Clear(); }
    // Runs the add dialog while it is to take the dropped files over.
    void DropUebergeben(const std::function<void()>& hinzufuegen);
    bool DropUebergabeLaeuft() const { return dropUebergabe_; }

private:
    QString programmPfad_;
    QString windowsPfad_;
    int anzeigeZeit_ = 4;
    int progAufrufe_ = 0;
    bool erstStart_ = true;
    bool programmEndet_ = false;
    bool abbruch_ = false;
    int laufendeBefehle_ = 0;
    bool endeAngefordert_ = false;  // until the end begins
    bool endeNachBefehl_ = false;   // until a command's end has answered it
    TStringList dropListe_;
    bool dropUebergabe_ = false;
};
