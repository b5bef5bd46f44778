#include "mainwindow/main_options_host.h"

#include "datagrid/dk_table.h"
#include "mainwindow/main_form.h"
#include "platform/ui/forms.h"
#include "platform/ui/graphics.h"
#include "platform/ui/menus.h"
#include "shared/qk_ini.h"

QString TMainFormOptionenHost::IniDatei() const { return form_.QKINI_Prog->IniPath(); }

void TMainFormOptionenHost::EinstellungenLesen(TProgrammEinstellungen& einstellungen)
{
    // The options are read again; the main window's run-time keys (start
    // count, first start, album) stay as this run holds them.
    einstellungen.Lesen(IniDatei());
}

void TMainFormOptionenHost::EinstellungenSchreiben(const TProgrammEinstellungen& einstellungen)
{
    (void)einstellungen;
    form_.QKINI_Prog->WriteINI();
}

void TMainFormOptionenHost::PrgWavSpielen(int nummer, int flag) { form_.PrgWavSpielen(nummer, flag != 0); }
void TMainFormOptionenHost::FeldfarbenSetzen() { form_.FeldfarbenSetzen(); }

void TMainFormOptionenHost::AlbumTabelleAktualisieren()
{
    if (form_.TableBilder->Active())
        form_.TableBilder->Refresh();
}

void TMainFormOptionenHost::HintZeitenSetzen(int pauseMs, int hidePauseMs)
{
    Application->HintPause = pauseMs;
    Application->HintHidePause = hidePauseMs;
}

void TMainFormOptionenHost::OptionenAnwenden() { form_.OptionenAnwenden(); }
QString TMainFormOptionenHost::BilderDBFPfad() const { return form_.TableBilder->Active() ? form_.BilderDBFPfad : QString(); }
QString TMainFormOptionenHost::GruppenListeDatei() const { return form_.GruppenListeDatei; }
QString TMainFormOptionenHost::QuellenListeDatei() const { return form_.QuellenListeDatei; }

void TMainFormOptionenHost::PickListeSetzen(int liste, const QStringList& eintraege)
{
    (liste == 0 ? form_.GruppenEintraege : form_.QuellenEintraege) = eintraege;
}

void TMainFormOptionenHost::ZielverzeichnisSetzen(const QString& ordner, const TStringList* bmpDateien)
{
    (void)bmpDateien;
    form_.ZielVerzeichnis = ordner;
}

void TMainFormOptionenHost::SchriftHolen(int index, TFont& schrift)
{
    (void)index;
    schrift.Assign(form_.Font());
}

void TMainFormOptionenHost::SchriftZuweisen(int index, const TFont& schrift)
{
    // Index 1 is the album grid's font, the whole window takes it.
    if (index == 1)
        form_.SetFont(&schrift);
}

void TMainFormOptionenHost::TextVollbildSetzen(const TFont* schrift, TColor farbe)
{
    // The full-size caption window comes with the full-size view.
    (void)schrift;
    (void)farbe;
}

void TMainFormOptionenHost::Hilfe(const QString& thema)
{
    (void)thema;
    Application->HelpCommand(HELP_CONTENTS, 0);
}
