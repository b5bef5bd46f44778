#pragma once
// What the album maintenance commands of the main window share: the work
// area of the open album selected for a direct engine walk, the guard
// against a second command while one runs, the busy window, reading the
// grid layout back, and texts for the engine.

#include "mainwindow/main_form.h"

#include "platform/ui/forms.h"

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TDataSet;

// Selects the work area of `table` and gives the previous one back.
class TAlbumBereich {
public:
    explicit TAlbumBereich(TDataSet* table);
    ~TAlbumBereich();
    TAlbumBereich(const TAlbumBereich&) = delete;
    TAlbumBereich& operator=(const TAlbumBereich&) = delete;

private:
    uint16_t vorher_;
};

// Holds WartungAktiv while a command runs; false (with a message) when
// another command runs already.
class TWartungsSperre {
public:
    explicit TWartungsSperre(TMainForm& form);
    ~TWartungsSperre();
    explicit operator bool() const { return gesperrt_; }
    TWartungsSperre(const TWartungsSperre&) = delete;
    TWartungsSperre& operator=(const TWartungsSperre&) = delete;

private:
    TMainForm& form_;
    bool gesperrt_ = false;
};

// The busy window "Meldung" while a command runs, when the options want it.
class TBusyFenster {
public:
    TBusyFenster(TMainForm& form, bool zeigen);
    ~TBusyFenster();
    void Verbergen();

private:
    std::unique_ptr<TForm> fenster_;
};

// Reads the album grid's layout back ("Fehler beim Lesen der
// BilderGridsettings!" on failure).
void GridLayoutZurueck(TMainForm& form);
// Windows-1252 bytes of a text for the engine (EEncodingError when the code
// page cannot hold it).
QByteArray EngineText(const QString& text);
// What one step of a walk over entries answers: go on, stop (the step told
// the user why), or stop on a write the engine refused.
enum class TSchritt { Weiter, Ende, Fehler };

// The records the album shows (its query) in record order, and all records.
std::vector<uint32_t> AngezeigteSaetze(TMainForm& form);
std::vector<uint32_t> AlleSaetze(TMainForm& form);

// Walks `saetze` by record number on the album's work area: Esc is tested
// before each entry (the busy window hidden, the frame's Esc with `escLog`,
// `escText` and the sound when `ton`), the gauge moves, the entry is made
// current and `schritt` runs on it. Everything written is committed at the
// end; a refused write or commit is kept for WartungsSchreibFehler.
TMainForm::TLauf SaetzeAbarbeiten(TMainForm& form, TBusyFenster& busy, const std::vector<uint32_t>& saetze,
                                  const QString& escLog, const QString& escText, bool ton,
                                  const std::function<TSchritt()>& schritt);

// SaetzeAbarbeiten over the entries the album shows, with the busy window
// and the grid's controls held still, Esc answered "ESC gedrückt,
// abgebrochen!" (log line `escLog`, no sound); afterwards the album is back
// on the entry that was current and refreshed. False when a write or the
// commit was refused (kept for WartungsSchreibFehler).
bool AngezeigteAbarbeiten(TMainForm& form, const QString& escLog, const std::function<TSchritt()>& schritt);

// Writes a logical field of the selected area's current record.
bool LogischSchreiben(const char* feld, bool wert);
