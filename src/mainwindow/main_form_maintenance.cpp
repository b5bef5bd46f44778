// Album maintenance on the main window: its handlers forward to the
// maintenance object (bilder_wartung.h); the vocabulary's maintenance
// handlers by name; what the object needs of the window.
#include "mainwindow/main_form.h"

#include "datagrid/dk_table.h"
#include "dialogs/program_options.h"
#include "mainwindow/main_options.h"
#include "platform/data/field.h"
#include "platform/dbf/dbe.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/ext_ctrls.h"
#include "shared/app_exception.h"
#include "shared/qk_ini.h"
#include "shared/qk_wav.h"
#include "storage/tdbe.h"

#include <cstring>

// ---------------------------------------------------------------------------
// The handlers
// ---------------------------------------------------------------------------

TMainForm::TLauf TMainForm::AlleBilderSaetzeMarkieren2(const QString& Feld)
{
    return wartung_->AlleBilderSaetzeMarkieren2(Feld);
}

TMainForm::TLauf TMainForm::BilderSaetzeBisEOFMarkieren2(const QString& Feld)
{
    return wartung_->BilderSaetzeBisEOFMarkieren2(Feld);
}

TMainForm::TLauf TMainForm::AlleBilderMarkierungenEntfernen2(const QString& Feld)
{
    return wartung_->AlleBilderMarkierungenEntfernen2(Feld);
}

TMainForm::TLauf TMainForm::AlleBilderSaetzeErsetzen(const QString& Feld, const QString& Wert, int FeldTyp)
{
    return wartung_->AlleBilderSaetzeErsetzen(Feld, Wert, FeldTyp);
}

void TMainForm::BildMarkieren1Click(TObject* Sender) { wartung_->BildMarkieren1Click(Sender); }
void TMainForm::TableBilderMARKIERTChange() { wartung_->TableBilderMARKIERTChange(); }

void TMainForm::DBCheckBoxBildMarkiertMouseUp(TObject* Sender, TMouseButton Button, TShiftState, int, int)
{
    wartung_->DBCheckBoxBildMarkiertMouseUp(Sender, Button);
}

void TMainForm::DBCheckBoxAnywhereMouseUp(TObject* Sender, TMouseButton Button, TShiftState, int, int)
{
    wartung_->DBCheckBoxPostMouseUp(Sender, Button);
}

void TMainForm::DBCheckBoxPrivatMouseUp(TObject* Sender, TMouseButton Button, TShiftState, int, int)
{
    wartung_->DBCheckBoxPostMouseUp(Sender, Button);
}

void TMainForm::DBCheckBoxBildImZugriffMouseUp(TObject*, TMouseButton, TShiftState, int, int)
{
    wartung_->DBCheckBoxBildImZugriffMouseUp();
}

void TMainForm::MarkFeldEreignisSetzen(TDataSet* DataSet) { wartung_->MarkFeldEreignisSetzen(DataSet); }

void TMainForm::LogischeFelderDeutsch(TDataSet* DataSet)
{
    // The grid's check-box cells and the editors speak of "Wahr" and
    // "Falsch", as the German framework names the logical values.
    for (int i = 0; i < DataSet->FieldCount(); ++i)
        if (auto* f = dynamic_cast<TBooleanField*>(DataSet->Fields(i)))
            f->SetDisplayValues(QStringLiteral("Wahr;Falsch"));
}

void TMainForm::AufSichtbarenEintrag() { wartung_->AufSichtbarenEintrag(); }
void TMainForm::FeldWerteersetzen1Click(TObject* Sender) { wartung_->FeldWerteersetzen1Click(Sender); }
void TMainForm::Kurzbeschreibungeingeben1Click(TObject* Sender) { wartung_->Kurzbeschreibungeingeben1Click(Sender); }
void TMainForm::AlleBilderSaetzeLoeschen1Click(TObject* Sender) { wartung_->AlleBilderSaetzeLoeschen1Click(Sender); }

void TMainForm::AlleBilderSaetzeZurueckholen1Click(TObject* Sender)
{
    wartung_->AlleBilderSaetzeZurueckholen1Click(Sender);
}

void TMainForm::BilderDBFpacken1Click(TObject* Sender) { wartung_->BilderDBFpacken1Click(Sender); }
void TMainForm::BilderSatzLoeschen(int Modus) { wartung_->BilderSatzLoeschen(Modus); }
void TMainForm::WelcheBildersindverfuegbarClick(TObject* Sender) { wartung_->WelcheBildersindverfuegbarClick(Sender); }

void TMainForm::DateigroesseVomAktellenSatzCheckenClick(TObject* Sender)
{
    wartung_->DateigroesseVomAktellenSatzCheckenClick(Sender);
}

bool TMainForm::SetzeShortName() { return wartung_->SetzeShortName(); }
void TMainForm::ShortNamenVorhanden() { wartung_->ShortNamenVorhanden(); }
void TMainForm::GueltigerShortNamenVorhanden() { wartung_->GueltigerShortNamenVorhanden(); }
void TMainForm::EntferneLeerSatz() { wartung_->EntferneLeerSatz(); }

void TMainForm::BilderDieNichtMehrVorhandenSindAustragen1Click(TObject* Sender)
{
    wartung_->BilderDieNichtMehrVorhandenSindAustragen1Click(Sender);
}

void TMainForm::Bilderzaehlen1Click(TObject* Sender) { wartung_->Bilderzaehlen1Click(Sender); }

void TMainForm::GroessedereingetragenenBilderneuermitteln1Click(TObject* Sender)
{
    wartung_->GroessedereingetragenenBilderneuermitteln1Click(Sender);
}

void TMainForm::BildermitgleicherGroesseermitteln1Click(TObject* Sender)
{
    wartung_->BildermitgleicherGroesseermitteln1Click(Sender);
}

void TMainForm::DoppelteBilder1Click(TObject* Sender) { wartung_->DoppelteBilder1Click(Sender); }

bool TMainForm::DateinameHatDatumsformat(const QString& Name) { return TBilderWartung::DateinameHatDatumsformat(Name); }

void TMainForm::Bildumbenennen1Click(TObject* Sender) { wartung_->Bildumbenennen1Click(Sender); }

void TMainForm::AngezeigteBilderumbenennen1Click(TObject* Sender)
{
    wartung_->AngezeigteBilderumbenennen1Click(Sender);
}

QString TMainForm::GetFileName(const QString& Label, const QString& VolumeId, const QString& Path)
{
    return wartung_->GetFileName(Label, VolumeId, Path);
}

void TMainForm::VerschobeneBilderSuchen() { wartung_->VerschobeneBilderSuchen(); }

void TMainForm::VerschobeneBildersuchenundPfadneusetzen1Click(TObject* Sender)
{
    Ton(Sender);
    VerschobeneBilderSuchen();
}

void TMainForm::Vorschaubilderneuerzeugen1Click(TObject* Sender) { wartung_->Vorschaubilderneuerzeugen1Click(Sender); }
void TMainForm::VorschaubildNeuerzeugen1Click(TObject* Sender) { wartung_->VorschaubildNeuerzeugen1Click(Sender); }

// ---------------------------------------------------------------------------
// What the maintenance object needs of the window, and the program's services
// ---------------------------------------------------------------------------

void TMainForm::FehlerKontextText(const QString& text) { AppException1->SetUserName(text); }
void TMainForm::TonSpielen(long nummer) { PrgWavSpielen(nummer); }
void TMainForm::WavSpielen(const QString& datei) { QKWAV1->PlayWAV(datei, TwFlags{NODEFAULT}); }
const TProgrammOptionenStand& TMainForm::Optionen() const { return *optionen_; }
TEinstellungen& TMainForm::Einstellungswerte() { return Einstellungen(); }
QString TMainForm::FensterTitel() const { return Caption(); }
void TMainForm::FensterTitelSetzen(const QString& text) { SetCaption(text); }
TMenuItem* TMainForm::Menuepunkt(const QString& name) { return MenuItem(name); }

void TMainForm::OptionenZeigen(int reiter)
{
    if (optionenDialog_)
        optionenDialog_->Dialog().Zeigen(reiter);
}

TForm* TMainForm::OptionenFenster() { return optionenDialog_ ? &optionenDialog_->Dialog() : nullptr; }
QString TMainForm::KopierName(const QString& datei) { return UmkopierName(datei); }
bool TMainForm::HatZielFormat(const QString& datei, int kantenlaenge) { return IstBildZielFormat(datei, kantenlaenge); }
QSize TMainForm::ZielBildGroesse() const { return QSize(ZielBildBreite, ZielBildHoehe); }

// ---------------------------------------------------------------------------
// The handlers of the vocabulary
// ---------------------------------------------------------------------------

namespace {

enum class TArt { Setzen, BisEnde, Entfernen, Ersetzen, Methode };

struct TWartungsEintrag {
    const char* Name;
    TArt Art;
    const char* Feld;
    int Typ;  // field type of a replacement
    void (TMainForm::*Methode)(TObject*);  // TArt::Methode
};

const TWartungsEintrag kWartung[] = {
    {"AlleAngezeigtenBilderMarkieren2Click", TArt::Setzen, "MARKIERT", 0, nullptr},
    {"SaetzebisDatenbankendemarkieren1Click", TArt::BisEnde, "MARKIERT", 0, nullptr},
    {"BilderMarkierungenEntfernen2Click", TArt::Entfernen, "MARKIERT", 0, nullptr},
    {"AlleAngezeigtenCDRMarkierungenSetzenClick", TArt::Setzen, "ANYWHERE", 0, nullptr},
    {"CDRMarkierungbisDatenbankendeSetzenClick", TArt::BisEnde, "ANYWHERE", 0, nullptr},
    {"AlleCDRMarkierungenEntfernenClick", TArt::Entfernen, "ANYWHERE", 0, nullptr},
    {"AlleAngezeigtenHTMLMarkierungenSetzenClick", TArt::Setzen, "PRIVAT", 0, nullptr},
    {"HTMLMarkierungbisDatenbankendeSetzenClick", TArt::BisEnde, "PRIVAT", 0, nullptr},
    {"AlleHTMLMarkierungenEntfernenClick", TArt::Entfernen, "Privat", 0, nullptr},
    {"MotivQualitaetErsetzen1Click", TArt::Ersetzen, "MOTIV", DBE_REPL_TEXT, nullptr},
    {"BildQualitaetErsetzen1Click", TArt::Ersetzen, "QUALITAET", DBE_REPL_TEXT, nullptr},
    {"BildQuelleErsetzen1Click", TArt::Ersetzen, "QUELLE", DBE_REPL_TEXT, nullptr},
    {"BildPlaylisteErsetzen1Click", TArt::Ersetzen, "PLAYLIST", DBE_REPL_TEXT, nullptr},
    {"BildPrivatErsetzen1Click", TArt::Ersetzen, "PRIVAT", DBE_REPL_LOGICAL, nullptr},
    {"BildOeffentlichErsetzen1Click", TArt::Ersetzen, "ANYWHERE", DBE_REPL_LOGICAL, nullptr},
    {"BildMarkiertErsetzen1Click", TArt::Ersetzen, "MARKIERT", DBE_REPL_LOGICAL, nullptr},
    {"BileSerieErsetzen1Click", TArt::Ersetzen, "SERIE", DBE_REPL_TEXT, nullptr},
    {"BildUrheberErsetzen1Click", TArt::Ersetzen, "OWNER", DBE_REPL_TEXT, nullptr},
    {"KurzeBeschreibungErsetzen1Click", TArt::Ersetzen, "SHORTDESC", DBE_REPL_TEXT, nullptr},
    {"MenuItemBenutzerdefiniert1ErsetzenClick", TArt::Ersetzen, "RESERVE1", DBE_REPL_TEXT, nullptr},
    {"MenuItemBenutzerdefiniert2Click", TArt::Ersetzen, "RESERVE2", DBE_REPL_TEXT, nullptr},
    {"MenuItemBenutzerdefiniert3Click", TArt::Ersetzen, "RESERVE3", DBE_REPL_TEXT, nullptr},
    {"MenuItemErzeugungsdatumClick", TArt::Ersetzen, "AUFNDATUM", DBE_REPL_DATE, nullptr},
    {"AlleLabelnamenErsetzen1Click", TArt::Ersetzen, "LABEL", DBE_REPL_TEXT, nullptr},
    {"BildMarkieren1Click", TArt::Methode, nullptr, 0, &TMainForm::BildMarkieren1Click},
    {"FeldWerteersetzen1Click", TArt::Methode, nullptr, 0, &TMainForm::FeldWerteersetzen1Click},
    {"Kurzbeschreibungeingeben1Click", TArt::Methode, nullptr, 0, &TMainForm::Kurzbeschreibungeingeben1Click},
    {"AlleBilderSaetzeLoeschen1Click", TArt::Methode, nullptr, 0, &TMainForm::AlleBilderSaetzeLoeschen1Click},
    {"AlleBilderSaetzeZurueckholen1Click", TArt::Methode, nullptr, 0, &TMainForm::AlleBilderSaetzeZurueckholen1Click},
    {"BilderDBFpacken1Click", TArt::Methode, nullptr, 0, &TMainForm::BilderDBFpacken1Click},
    {"WelcheBildersindverfuegbarClick", TArt::Methode, nullptr, 0, &TMainForm::WelcheBildersindverfuegbarClick},
    {"DateigroesseVomAktellenSatzCheckenClick", TArt::Methode, nullptr, 0,
     &TMainForm::DateigroesseVomAktellenSatzCheckenClick},
    {"BilderDieNichtMehrVorhandenSindAustragen1Click", TArt::Methode, nullptr, 0,
     &TMainForm::BilderDieNichtMehrVorhandenSindAustragen1Click},
    {"Bilderzaehlen1Click", TArt::Methode, nullptr, 0, &TMainForm::Bilderzaehlen1Click},
    {"GroessedereingetragenenBilderneuermitteln1Click", TArt::Methode, nullptr, 0,
     &TMainForm::GroessedereingetragenenBilderneuermitteln1Click},
    {"BildermitgleicherGroesseermitteln1Click", TArt::Methode, nullptr, 0,
     &TMainForm::BildermitgleicherGroesseermitteln1Click},
    {"DoppelteBilder1Click", TArt::Methode, nullptr, 0, &TMainForm::DoppelteBilder1Click},
    {"Bildumbenennen1Click", TArt::Methode, nullptr, 0, &TMainForm::Bildumbenennen1Click},
    {"AngezeigteBilderumbenennen1Click", TArt::Methode, nullptr, 0, &TMainForm::AngezeigteBilderumbenennen1Click},
    {"VerschobeneBildersuchenundPfadneusetzen1Click", TArt::Methode, nullptr, 0,
     &TMainForm::VerschobeneBildersuchenundPfadneusetzen1Click},
    {"Vorschaubilderneuerzeugen1Click", TArt::Methode, nullptr, 0, &TMainForm::Vorschaubilderneuerzeugen1Click},
    {"VorschaubildNeuerzeugen1Click", TArt::Methode, nullptr, 0, &TMainForm::VorschaubildNeuerzeugen1Click},
};

const TWartungsEintrag* WartungSuchen(const char* name)
{
    for (const TWartungsEintrag& e : kWartung)
        if (std::strcmp(e.Name, name) == 0)
            return &e;
    return nullptr;
}

}  // namespace

bool TMainForm::WartungsHandlerVorhanden(const char* name) { return WartungSuchen(name) != nullptr; }

TNotifyEvent TMainForm::WartungsHandler(const char* name)
{
    const TWartungsEintrag* e = WartungSuchen(name);
    if (!e)
        return {};
    const QString handler = QString::fromLatin1(e->Name);
    const QString feld = QString::fromLatin1(e->Feld ? e->Feld : "");
    switch (e->Art) {
    case TArt::Methode: {
        const auto m = e->Methode;
        return [this, m](TObject* sender) { (this->*m)(sender); };
    }
    case TArt::Setzen:
        return [this, handler, feld](TObject* s) {
            wartung_->WartungsRahmen(s, handler, false, [&] { return AlleBilderSaetzeMarkieren2(feld); });
        };
    case TArt::BisEnde:
        return [this, handler, feld](TObject* s) {
            wartung_->WartungsRahmen(s, handler, false, [&] { return BilderSaetzeBisEOFMarkieren2(feld); });
        };
    case TArt::Entfernen:
        return [this, handler, feld](TObject* s) {
            wartung_->WartungsRahmen(s, handler, true, [&] { return AlleBilderMarkierungenEntfernen2(feld); });
        };
    case TArt::Ersetzen: {
        const int typ = e->Typ;
        return [this, feld, typ](TObject* s) { wartung_->FeldWertUebernehmen(s, feld, typ); };
    }
    }
    return {};
}
