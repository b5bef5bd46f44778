#pragma once
// The main window as the options dialog sees it (TOptionenHauptfenster).

#include "dialogs/options_host.h"

class TMainForm;

class TMainFormOptionenHost : public TOptionenHauptfenster {
public:
    explicit TMainFormOptionenHost(TMainForm& form) : form_(form) {}

    QString IniDatei() const override;
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

private:
    TMainForm& form_;
};
