// Album maintenance: the frame every bulk command shares (sound, guards,
// stopwatch, log lines, closing message, Esc), the three marks set and
// cleared for many entries at once, the toggle of the user mark, and the
// replacement of one field's value in every shown entry.
#include "mainwindow/main_form_maintenance.h"

#include "datagrid/dk_table.h"
#include "dialogs/small_forms.h"
#include "platform/core/win1252.h"
#include "platform/data/dataset.h"
#include "platform/dbf/dbe.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/menus.h"
#include "shared/app_exception.h"
#include "shared/general_dates.h"
#include "shared/qk_wav.h"
#include "storage/action_log.h"
#include "storage/grid_settings.h"
#include "storage/tdbe.h"

#include <cstring>

// ---------------------------------------------------------------------------
// Pieces of the frame
// ---------------------------------------------------------------------------

TAlbumBereich::TAlbumBereich(TDataSet* table) : vorher_(dbe_Select(static_cast<uint16_t>(table->Handle()))) {}

TAlbumBereich::~TAlbumBereich() { dbe_Select(vorher_); }

TWartungsSperre::TWartungsSperre(TMainForm& form) : form_(form)
{
    if (form_.WartungAktiv) {
        ShowMessage(QStringLiteral("Bitte warten Sie, bis die laufende Bearbeitung beendet ist!"));
        return;
    }
    form_.WartungAktiv = true;
    gesperrt_ = true;
}

TWartungsSperre::~TWartungsSperre()
{
    if (gesperrt_)
        form_.WartungAktiv = false;
}

TBusyFenster::TBusyFenster(TMainForm& form, bool zeigen)
{
    if (!zeigen)
        return;
    auto* meldung = new TMeldungForm(nullptr);
    fenster_.reset(meldung);
    // Esc in the busy window stops the command as Esc in the main window does.
    const auto vorher = meldung->OnKeyDown;
    meldung->OnKeyDown = [&form, vorher](TObject* sender, Word& key, TShiftState shift) {
        if (key == VK_ESCAPE)
            form.Abbruch = true;
        if (vorher)
            vorher(sender, key, shift);
    };
    meldung->Show();
    Application->ProcessMessages();
}

TBusyFenster::~TBusyFenster() = default;

void TBusyFenster::Verbergen()
{
    if (fenster_)
        fenster_->Hide();
}

void GridLayoutZurueck(TMainForm& form)
{
    try {
        GridSettingsLesen(form.QKINI_Prog, QStringLiteral("BilderFieldPosition"), QStringLiteral("BilderFieldWidth"),
                          form.TableBilder);
    } catch (const std::exception&) {
        ShowMessage(QStringLiteral("Fehler beim Lesen der BilderGridsettings!"));
    }
}

QByteArray EngineText(const QString& text) { return Win1252EncodeOrThrow(text); }

bool LogischSchreiben(const char* feld, bool wert)
{
    const char c = wert ? 'T' : 'F';
    return dbe_Replace(feld, DBE_REPL_LOGICAL, &c) == 1;
}

std::vector<uint32_t> AngezeigteSaetze(TMainForm& form)
{
    std::vector<uint32_t> saetze;
    TAlbumBereich bereich(form.TableBilder);
    const int vorher = dbe_SetOrder(0);
    for (dbe_GoTop(); !dbe_Eof(); dbe_Skip(1))
        saetze.push_back(dbe_RecNo());
    dbe_SetOrder(vorher);
    return saetze;
}

std::vector<uint32_t> AlleSaetze(TMainForm& form)
{
    TAlbumBereich bereich(form.TableBilder);
    std::vector<uint32_t> saetze(dbe_RecCount());
    for (size_t i = 0; i < saetze.size(); ++i)
        saetze[i] = uint32_t(i + 1);
    return saetze;
}

TMainForm::TLauf SaetzeAbarbeiten(TMainForm& form, TBusyFenster& busy, const std::vector<uint32_t>& saetze,
                                  const QString& escLog, const QString& escText, bool ton,
                                  const std::function<TSchritt()>& schritt)
{
    using TLauf = TMainForm::TLauf;
    TAlbumBereich bereich(form.TableBilder);
    const int vorher = dbe_SetOrder(0);
    const int total = int(saetze.size());
    TLauf lauf = TLauf::Fertig;
    form.WartungsFehlerSatz = 0;  // a step may keep its failure itself
    int letztesProzent = -1;
    for (int i = 0; i < total; ++i) {
        if (form.Abbruch) {
            busy.Verbergen();
            form.WartungsEsc(escLog, escText, ton);
            lauf = TLauf::Abbruch;
            break;
        }
        // The gauge moves (and lets messages through) at each new percent,
        // messages go through every 32 entries in between.
        const int prozent = int(int64_t(i + 1) * 100 / total);
        if (prozent != letztesProzent && i + 1 != total) {
            letztesProzent = prozent;
            form.AktualisiereBilderGauge(total, i + 1);
        } else if ((i & 31) == 0) {
            Application->ProcessMessages();
        }
        dbe_Go(saetze[size_t(i)]);
        const TSchritt r = schritt();
        if (r == TSchritt::Fehler) {
            if (form.WartungsFehlerSatz == 0)
                form.WartungsFehlerMerken();
            lauf = TLauf::Fehler;
            break;
        }
        if (r == TSchritt::Ende)
            break;
    }
    if (lauf != TLauf::Fehler && dbe_Commit() != 1) {
        form.WartungsFehlerMerken();
        lauf = TLauf::Fehler;
    }
    dbe_SetOrder(vorher);
    form.BilderGaugePanel->SetVisible(false);
    return lauf;
}

bool AngezeigteAbarbeiten(TMainForm& form, const QString& escLog, const std::function<TSchritt()>& schritt)
{
    TBusyFenster busy(form, form.ProgrammOptionen()->CheckBoxBerabeitungsMeldung);
    TControlsDisabler aus(form.TableBilder);
    form.DbeBilder->PostIfEditing();
    const uint32_t gemerkt = form.DbeBilder->RecNo();
    // By record number: what a step writes never moves an entry within the
    // walk.
    const bool geschrieben = SaetzeAbarbeiten(form, busy, AngezeigteSaetze(form), escLog,
                                              QStringLiteral("ESC gedrückt, abgebrochen!"), false, schritt) !=
                             TMainForm::TLauf::Fehler;
    form.DbeBilder->Go(gemerkt);
    busy.Verbergen();
    form.TableBilder->Refresh();
    return geschrieben;
}

void TMainForm::WartungsEsc(const QString& logText, const QString& meldung, bool ton)
{
    if (ton && Einstellungen.Bool("PRGWave"))
        QKWAV1->PlayWAV(Einstellungen.Text("PRGWavePfad").trimmed() + QStringLiteral("TUTMIRLEID.WAV"),
                        TwFlags{NODEFAULT});
    if (!logText.isEmpty())
        Protokoll(QStringLiteral("Info"), logText);
    Screen->SetCursor(crDefault);
    Abbruch = false;
    ShowMessage(meldung);
    BilderGaugePanel->SetVisible(false);
}

bool TMainForm::WartungsFehlerMerken()
{
    WartungsFehlerText = QString::fromLocal8Bit(dbe_LastError());
    WartungsFehlerSatz = dbe_RecNo();
    return false;
}

void TMainForm::WartungsSchreibFehler(const QString& name)
{
    const QString text = QStringLiteral("Fehler beim Schreiben in das Fotoalbum (Satz ") +
                         QString::number(WartungsFehlerSatz) +
                         QStringLiteral("), die Bearbeitung wurde abgebrochen! ") + WartungsFehlerText;
    Screen->SetCursor(crDefault);
    BilderGaugePanel->SetVisible(false);
    FehlerKontextSetzen();
    Protokoll(QStringLiteral("Fehler"), name + QStringLiteral("(), ") + text);
    ShowMessage(text);
}

void TMainForm::WartungsAbschluss(const QString& name)
{
    if (!optionen_->CheckBoxBearbeitungszeitAnzeigen) {
        Protokoll(QStringLiteral("Info"), name + QStringLiteral("(), Fertig !"));
        if (optionen_->CheckBoxAlleMeldungen)
            Hinweis(QStringLiteral("Abschlußmeldung"), QStringLiteral("Fertig !"), 100);
        return;
    }
    // Two of the handlers write their name with a doubled bracket.
    const bool doppelt = name == QLatin1String("AlleAngezeigtenCDRMarkierungenSetzenClick") ||
                         name == QLatin1String("AlleAngezeigtenHTMLMarkierungenSetzenClick");
    Protokoll(QStringLiteral("Info"), name + (doppelt ? QStringLiteral("((") : QStringLiteral("(")) +
                                          QStringLiteral("), Bearbeitungszeit = ") + ZeitMeldung());
    Hinweis(QStringLiteral("Abschlußmeldung"), QStringLiteral("Bearbeitungszeit = ") + ZeitMeldung(), 100);
}

void TMainForm::WartungsRahmen(TObject* Sender, const QString& name, bool entfernen,
                               const std::function<TLauf()>& worker)
{
    Ton(Sender);
    PageControlBilder->SetActivePage(TabSheetBilderDatenbank);
    if (!BilderDBFOffen())
        return;
    TWartungsSperre sperre(*this);
    if (!sperre)
        return;
    if (entfernen)
        Protokoll(QStringLiteral("Info"), name + QStringLiteral("(), Funktion gestartet !"));
    StopUhr(QStringLiteral("START"));
    if (!entfernen)
        Protokoll(QStringLiteral("Info"), name + QStringLiteral("(), Fertig !"));
    const TLauf lauf = worker();
    if (lauf == TLauf::Fehler)
        return;
    WartungsAbschluss(name);
    if (entfernen) {
        TableBilder->Refresh();
        VorschaubilderVeraltet();
    }
}

// ---------------------------------------------------------------------------
// Marks
// ---------------------------------------------------------------------------

namespace {

enum class TMarkWalk { Angezeigte, BisEnde, Entfernen };

}  // namespace

// The three mark workers share one loop: `walk` says where it starts, what
// it visits and what it writes.
static TMainForm::TLauf MarkSchleife(TMainForm& f, const QString& name, const QString& feld, TMarkWalk walk)
{
    using TLauf = TMainForm::TLauf;
    Screen->SetCursor(crHourGlass);
    TControlsDisabler aus(f.TableBilder);
    f.DbeBilder->PostIfEditing();
    const bool wert = walk != TMarkWalk::Entfernen;
    const uint32_t gemerkt = f.DbeBilder->RecNo();
    const QString handler = walk == TMarkWalk::Entfernen ? QStringLiteral("ESC gedrückt, Funktion abgebrochen!")
                                                         : QStringLiteral("ESC gedrückt, abgebrochen!");
    QString filterVorher;
    int orderVorher = 0;
    if (walk == TMarkWalk::Entfernen) {
        // Visits the entries whose mark is set, whatever filter is in force;
        // that filter comes back whole afterwards.
        filterVorher = f.DbeBilder->DBFilter();
        if (filterVorher.trimmed().compare(QLatin1String(".not. deleted()"), Qt::CaseInsensitive) == 0)
            filterVorher.clear();
        f.DbeBilder->Query(feld);
    }
    const QByteArray feldName = EngineText(feld);
    TLauf lauf = TLauf::Fertig;
    bool geschrieben = true;
    {
        TAlbumBereich bereich(f.TableBilder);
        uint32_t total = dbe_QueryRecCount();
        if (walk == TMarkWalk::BisEnde) {
            dbe_Go(gemerkt);
        } else {
            // Natural order: writing the field never moves an entry within
            // the walk, and the order comes back afterwards.
            orderVorher = dbe_SetOrder(0);
            dbe_GoTop();
        }
        uint32_t zaehler = 0;
        int letztesProzent = -1;
        while (zaehler < total && !dbe_Eof()) {
            if (f.Abbruch) {
                f.WartungsEsc(QString(), handler, walk != TMarkWalk::Entfernen);
                lauf = TLauf::Abbruch;
                break;
            }
            ++zaehler;
            const int prozent = int(int64_t(zaehler) * 100 / total);
            if (prozent != letztesProzent && zaehler != total) {
                letztesProzent = prozent;
                f.AktualisiereBilderGauge(int(total), int(zaehler));
            } else if ((zaehler & 31) == 0) {
                Application->ProcessMessages();
            }
            if (!LogischSchreiben(feldName.constData(), wert)) {
                geschrieben = f.WartungsFehlerMerken();
                break;
            }
            dbe_Skip(1);
        }
        if (geschrieben && dbe_Commit() != 1)
            geschrieben = f.WartungsFehlerMerken();
        if (walk != TMarkWalk::BisEnde)
            dbe_SetOrder(orderVorher);
    }
    f.BilderGaugePanel->SetVisible(false);
    if (walk == TMarkWalk::Entfernen)
        f.DbeBilder->Query(filterVorher);
    f.DbeBilder->Go(gemerkt);
    f.TableBilder->Refresh();
    f.BilderSatzAnzahlZeigen();
    Screen->SetCursor(crDefault);
    if (!geschrieben) {
        f.WartungsSchreibFehler(name);
        return TLauf::Fehler;
    }
    return lauf;
}

TMainForm::TLauf TMainForm::AlleBilderSaetzeMarkieren2(const QString& Feld)
{
    GridLayoutSichern();
    const TLauf lauf = MarkSchleife(*this, QStringLiteral("AlleBilderSaetzeMarkieren2"), Feld, TMarkWalk::Angezeigte);
    GridLayoutZurueck(*this);
    return lauf;
}

TMainForm::TLauf TMainForm::BilderSaetzeBisEOFMarkieren2(const QString& Feld)
{
    GridLayoutSichern();
    const TLauf lauf = MarkSchleife(*this, QStringLiteral("BilderSaetzeBisEOFMarkieren2"), Feld, TMarkWalk::BisEnde);
    GridLayoutZurueck(*this);
    return lauf;
}

TMainForm::TLauf TMainForm::AlleBilderMarkierungenEntfernen2(const QString& Feld)
{
    GridLayoutSichern();
    const TLauf lauf = MarkSchleife(*this, QStringLiteral("AlleBilderMarkierungenEntfernen2"), Feld, TMarkWalk::Entfernen);
    GridLayoutZurueck(*this);
    return lauf;
}

void TMainForm::BildMarkieren1Click(TObject* Sender)
{
    (void)Sender;
    if (!BilderDBFOffen())
        return;
    if (TableBilder->State() != dsEdit && TableBilder->State() != dsInsert)
        TableBilder->Edit();
    const bool neu = !TableBilder->FieldByName(QStringLiteral("MARKIERT"))->AsBoolean();
    if (TMenuItem* item = MenuItem(QStringLiteral("BildMarkieren1")))
        item->SetChecked(neu);
    TableBilder->FieldByName(QStringLiteral("MARKIERT"))->SetAsBoolean(neu);
    DbeBilder->PostIfEditing();
    Application->ProcessMessages();
    TableBilder->Refresh();
    if (DbeBilder->DBFilter().toUpper().contains(QLatin1String("MARKIERT"))) {
        VorschaubilderVeraltet();
        TableBilderMARKIERTChange();
    }
}

void TMainForm::TableBilderMARKIERTChange()
{
    DbeBilder->PostIfEditing();
    StatusBarBilder1->Panels()->Items(1)->SetText(QString::number(DbeBilder->QueryRecCount()) +
                                                  QStringLiteral(" von ") + QString::number(DbeBilder->RecCount()) +
                                                  QStringLiteral(" Einträge angezeigt"));
}

// ---------------------------------------------------------------------------
// Field value replacement
// ---------------------------------------------------------------------------

TMainForm::TLauf TMainForm::AlleBilderSaetzeErsetzen(const QString& Feld, const QString& Wert, int FeldTyp)
{
    if (!BilderDBFOffen())
        return TLauf::Abbruch;
    if (Wert.isEmpty() &&
        MessageDlg(QStringLiteral("Keine Eingabe vorhanden, es würden jetzt alle Felder gelöscht/geleert, fortfahren ?"),
                   mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) != mrYes)
        return TLauf::Abbruch;
    TWartungsSperre sperre(*this);
    if (!sperre)
        return TLauf::Abbruch;
    Protokoll(QStringLiteral("Info"), QStringLiteral("AlleBilderSaetzeErsetzen(), Funktion aufgerufen, Feldname=") +
                                          Feld + QStringLiteral(", Wert=") + Wert + QStringLiteral(" ,FeldTyp=") +
                                          QString::number(FeldTyp));
    DbeBilder->PostIfEditing();
    TBusyFenster busy(*this, optionen_->CheckBoxBerabeitungsMeldung);
    Screen->SetCursor(crHourGlass);
    TLauf lauf = TLauf::Fertig;
    bool geschrieben = true;
    {
        TControlsDisabler aus(TableBilder);
        const uint32_t gemerkt = DbeBilder->RecNo();
        const QByteArray feld = EngineText(Feld);
        const QByteArray wert = EngineText(Wert);
        // Every shown entry once: the walk goes by record number, so an
        // order by the replaced field cannot move entries under it.
        lauf = SaetzeAbarbeiten(*this, busy, AngezeigteSaetze(*this),
                                QStringLiteral("AlleBilderSaetzeErsetzen(), ESC gedrückt, Funktion abgebrochen!"),
                                QStringLiteral("ESC gedrückt, Funktion abgebrochen!"), true, [&] {
                                    int ok = 1;
                                    if (FeldTyp == DBE_REPL_TEXT || FeldTyp == DBE_REPL_DATE)
                                        ok = dbe_Replace(feld.constData(), FeldTyp, wert.constData());
                                    else if (FeldTyp == DBE_REPL_LOGICAL)
                                        ok = LogischSchreiben(feld.constData(), Wert.toUpper() == QLatin1String("TRUE"));
                                    return ok == 1 ? TSchritt::Weiter : TSchritt::Fehler;
                                });
        geschrieben = lauf != TLauf::Fehler;
        DbeBilder->Go(gemerkt);
        busy.Verbergen();
        TableBilder->Refresh();
        BilderSatzAnzahlZeigen();
    }
    GridLayoutZurueck(*this);
    Screen->SetCursor(crDefault);
    if (!geschrieben) {
        WartungsSchreibFehler(QStringLiteral("AlleBilderSaetzeErsetzen"));
        lauf = TLauf::Fehler;
    }
    // The full-text entries follow the records, also after Esc or a failure.
    VolltextNeuAufbauen();
    return lauf;
}

void TMainForm::FeldWerteersetzen1Click(TObject* Sender)
{
    Ton(Sender);
    PageControlBilder->SetActivePage(TabSheetBilderDatenbank);
    ShowMessage(QStringLiteral("Manche Felder können global mit einem anderen Wert ersetzt werden, drücken Sie dafür "
                               "über diesen Feldern die rechte Maustaste....."));
}

void TMainForm::Kurzbeschreibungeingeben1Click(TObject* Sender)
{
    Ton(Sender);
    if (!TableBilder->Active())
        return;
    QString text = TableBilder->FieldByName(QStringLiteral("SHORTDESC"))->AsString().trimmed();
    if (!InputQuery(QStringLiteral("Eingabedialogfenster"), QStringLiteral("Geben Sie eine Kurzbeschreibung ein"), text))
        return;
    if (TableBilder->State() != dsEdit && TableBilder->State() != dsInsert)
        TableBilder->Edit();
    TableBilder->FieldByName(QStringLiteral("SHORTDESC"))->SetAsString(text);
    TableBilder->Post();
}

// ---------------------------------------------------------------------------
// The handlers of the vocabulary
// ---------------------------------------------------------------------------

namespace {

enum class TArt { Setzen, BisEnde, Entfernen, Ersetzen, Methode };

struct TWartungsEintrag {
    const char* Name;
    TArt Art;
    const char* Feld;
    int Typ;                                 // field type of a replacement
    void (TMainForm::*Methode)(TObject*);    // TArt::Methode
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
            WartungsRahmen(s, handler, false, [&] { return AlleBilderSaetzeMarkieren2(feld); });
        };
    case TArt::BisEnde:
        return [this, handler, feld](TObject* s) {
            WartungsRahmen(s, handler, false, [&] { return BilderSaetzeBisEOFMarkieren2(feld); });
        };
    case TArt::Entfernen:
        return [this, handler, feld](TObject* s) {
            WartungsRahmen(s, handler, true, [&] { return AlleBilderMarkierungenEntfernen2(feld); });
        };
    case TArt::Ersetzen: {
        const int typ = e->Typ;
        return [this, feld, typ](TObject* s) {
            Ton(s);
            if (!TableBilder->Active()) {
                BilderDBFOffen();
                return;
            }
            TField* f = TableBilder->FieldByName(feld);
            QString wert;
            if (typ == DBE_REPL_LOGICAL)
                wert = f->AsBoolean() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
            else
                wert = f->AsString();
            AlleBilderSaetzeErsetzen(feld, wert, typ);
        };
    }
    }
    return {};
}
