#pragma once
// What the main window reads of the options dialog. The settings live in one
// store for the whole run (TProgrammEinstellungen,
// dialogs/program_settings.h): the options dialog shows and edits it, the
// main window and the other dialogs read it.

#include "dialogs/options_host.h"
#include "dialogs/program_settings.h"

#include <memory>

class TMainForm;
class TProgrammOptionen;

// The main window's name for the settings store.
using TProgrammOptionenStand = TProgrammEinstellungen;

// What the options dialog reaches of the main window, over TMainForm.
class TMainFormOptionen : public TOptionenHauptfenster {
public:
    explicit TMainFormOptionen(TMainForm& form) : form_(form) {}

    QString IniDatei() const override;
    // QKINI_Prog's read: the settings, the message time, the missing
    // folders, and the pick lists of the open album.
    void EinstellungenLesen(TProgrammEinstellungen& einstellungen) override;
    void EinstellungenSchreiben(const TProgrammEinstellungen& einstellungen) override;
    void PrgWavSpielen(int nummer, int flag) override;
    void FeldfarbenSetzen() override;
    void AlbumTabelleAktualisieren() override;
    void HintZeitenSetzen(int pauseMs, int hidePauseMs) override;
    void OptionenAnwenden() override;
    QString BilderDBFPfad() const override;
    QString GruppenListeDatei() const override;
    QString QuellenListeDatei() const override;
    void PickListeSetzen(int liste, const QStringList& eintraege) override;
    void ZielverzeichnisSetzen(const QString& ordner, const TStringList* bmpDateien) override;
    void SchriftHolen(int index, TFont& schrift) override;
    void SchriftZuweisen(int index, const TFont& schrift) override;
    void TextVollbildSetzen(const TFont* schrift, TColor farbe) override;
    void Hilfe(const QString& thema) override;

    // The items of the group (0) and source (1) combos, as the dialog
    // handed them over, and the pictures of the camera copy's destination.
    QStringList PickListe[2];
    TStringList ZielBilder;

private:
    TMainForm& form_;
};

// The options dialog of the main window, made once at start-up: from then
// on the main window reads the dialog's settings store. Dropping it hands
// the main window back its own store.
class TMainFormOptionenDialog {
public:
    explicit TMainFormOptionenDialog(TMainForm& form);
    ~TMainFormOptionenDialog();
    TProgrammOptionen& Dialog() { return *dialog_; }
    // The main window's commands that open the dialog: on its first tab;
    // on the tab last shown, then the pick lists are read again; from the
    // full-size view on the tab "Bilder-Allgemein", then hints are off.
    void Einstellungen1Click(TObject* Sender);
    void OptionenBilder1Click(TObject* Sender);
    void Optionen1Click(TObject* Sender);
    TMainFormOptionen& Anbindung() { return anbindung_; }

private:
    TMainForm& form_;
    TMainFormOptionen anbindung_;
    std::unique_ptr<TProgrammOptionen> dialog_;
};
