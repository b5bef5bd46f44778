// TBilderWartung: the frame every bulk command shares (sound, guards,
// stopwatch, log lines, closing message, Esc), the walk over entries, the
// three marks set and cleared for many entries at once, the toggle of the
// user mark and its check boxes, and the replacement of one field's value
// in every shown entry.
#include "mainwindow/bilder_wartung_teile.h"

#include "datagrid/dk_table.h"
#include "dialogs/small_forms.h"
#include "platform/core/win1252.h"
#include "platform/data/dataset.h"
#include "platform/data/field.h"
#include "platform/dbf/dbe.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/menus.h"
#include "shared/general_dates.h"
#include "storage/tdbe.h"

// ---------------------------------------------------------------------------
// Pieces of the frame
// ---------------------------------------------------------------------------

TAlbumBereich::TAlbumBereich(TDataSet* table) : vorher_(dbe_Select(static_cast<uint16_t>(table->Handle()))) {}

TAlbumBereich::~TAlbumBereich() { dbe_Select(vorher_); }

TBusyFenster::TBusyFenster(TProgrammDienste& umgebung, bool zeigen)
{
    if (!zeigen)
        return;
    auto* meldung = new TMeldungForm(nullptr);
    fenster_.reset(meldung);
    // Esc in the busy window stops the command as Esc in the main window does.
    const auto vorher = meldung->OnKeyDown;
    meldung->OnKeyDown = [&umgebung, vorher](TObject* sender, Word& key, TShiftState shift) {
        if (key == VK_ESCAPE)
            umgebung.AbbruchSetzen(true);
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

QByteArray EngineText(const QString& text) { return Win1252EncodeOrThrow(text); }

bool LogischSchreiben(const char* feld, bool wert)
{
    const char c = wert ? 'T' : 'F';
    return dbe_Replace(feld, DBE_REPL_LOGICAL, &c) == 1;
}

TBilderWartung::TSperre::TSperre(TBilderWartung& wartung) : wartung_(wartung)
{
    if (wartung_.aktiv_) {
        ShowMessage(QStringLiteral("Bitte warten Sie, bis die laufende Bearbeitung beendet ist!"));
        return;
    }
    wartung_.aktiv_ = true;
    gesperrt_ = true;
}

TBilderWartung::TSperre::~TSperre()
{
    if (gesperrt_)
        wartung_.aktiv_ = false;
}

TBilderWartung::TBilderWartung(TOffenesAlbum& album, TAlbumAnsicht& ansicht, TProgrammDienste& dienste,
                               TWartungsUmgebung& umgebung)
    : album_(album), bereich_(album.Bilder()), ansicht_(ansicht), d_(dienste), u_(umgebung)
{}

TBilderWartung::~TBilderWartung() = default;

TdkTable* TBilderWartung::Tabelle() const { return bereich_.Tabelle(); }

TDbe* TBilderWartung::Dbe() const { return bereich_.Dbe(); }

void TBilderWartung::Ton(TObject* Sender)
{
    if (auto* c = dynamic_cast<TComponent*>(Sender))
        d_.TonSpielen(c->Tag);
}

QString TBilderWartung::ZeitMeldung() { return StopUhr(QStringLiteral("STOP")); }

void TBilderWartung::WartungsProtokoll(const QString& text) { d_.Protokoll(QStringLiteral("Info"), text); }

std::vector<uint32_t> TBilderWartung::AngezeigteSaetze()
{
    std::vector<uint32_t> saetze;
    TAlbumBereich bereich(Tabelle());
    const int vorher = dbe_SetOrder(0);
    for (dbe_GoTop(); !dbe_Eof(); dbe_Skip(1))
        saetze.push_back(dbe_RecNo());
    dbe_SetOrder(vorher);
    return saetze;
}

std::vector<uint32_t> TBilderWartung::AlleSaetze()
{
    TAlbumBereich bereich(Tabelle());
    std::vector<uint32_t> saetze(dbe_RecCount());
    for (size_t i = 0; i < saetze.size(); ++i)
        saetze[i] = uint32_t(i + 1);
    return saetze;
}

TBilderWartung::TLauf TBilderWartung::SaetzeAbarbeiten(TBusyFenster& busy, const std::vector<uint32_t>& saetze,
                                                       const QString& escLog, const QString& escText, bool ton,
                                                       const std::function<TSchritt()>& schritt)
{
    TAlbumBereich bereich(Tabelle());
    const int vorher = dbe_SetOrder(0);
    const int total = int(saetze.size());
    TLauf lauf = TLauf::Fertig;
    fehlerSatz_ = 0;  // a step may keep its failure itself
    int letztesProzent = -1;
    for (int i = 0; i < total; ++i) {
        if (d_.AbbruchGedrueckt()) {
            busy.Verbergen();
            WartungsEsc(escLog, escText, ton);
            lauf = TLauf::Abbruch;
            break;
        }
        // The gauge moves (and lets messages through) at each new percent,
        // messages go through every 32 entries in between.
        const int prozent = int(int64_t(i + 1) * 100 / total);
        if (prozent != letztesProzent && i + 1 != total) {
            letztesProzent = prozent;
            ansicht_.Fortschritt(total, i + 1);
        } else if ((i & 31) == 0) {
            Application->ProcessMessages();
        }
        dbe_Go(saetze[size_t(i)]);
        const TSchritt r = schritt();
        if (r == TSchritt::Fehler) {
            if (fehlerSatz_ == 0)
                WartungsFehlerMerken();
            lauf = TLauf::Fehler;
            break;
        }
        if (r == TSchritt::Ende)
            break;
    }
    if (lauf != TLauf::Fehler && dbe_Commit() != 1) {
        WartungsFehlerMerken();
        lauf = TLauf::Fehler;
    }
    dbe_SetOrder(vorher);
    ansicht_.FortschrittVerbergen();
    return lauf;
}

bool TBilderWartung::AngezeigteAbarbeiten(const QString& escLog, const std::function<TSchritt()>& schritt)
{
    TBusyFenster busy(d_, u_.Optionen().CheckBoxBerabeitungsMeldung);
    TControlsDisabler aus(Tabelle());
    Dbe()->PostIfEditing();
    const uint32_t gemerkt = Dbe()->RecNo();
    // By record number: what a step writes never moves an entry within the
    // walk.
    const bool geschrieben =
        SaetzeAbarbeiten(busy, AngezeigteSaetze(), escLog, QStringLiteral("ESC gedrückt, abgebrochen!"), false,
                         schritt) != TLauf::Fehler;
    Dbe()->Go(gemerkt);
    busy.Verbergen();
    Tabelle()->Refresh();
    return geschrieben;
}

void TBilderWartung::WartungsEsc(const QString& logText, const QString& meldung, bool ton)
{
    if (ton && u_.Einstellungswerte().Bool("PRGWave"))
        d_.WavSpielen(u_.Einstellungswerte().Text("PRGWavePfad").trimmed() + QStringLiteral("TUTMIRLEID.WAV"));
    if (!logText.isEmpty())
        d_.Protokoll(QStringLiteral("Info"), logText);
    Screen->SetCursor(crDefault);
    d_.AbbruchSetzen(false);
    ShowMessage(meldung);
    ansicht_.FortschrittVerbergen();
}

bool TBilderWartung::WartungsFehlerMerken()
{
    fehlerText_ = QString::fromLocal8Bit(dbe_LastError());
    fehlerSatz_ = dbe_RecNo();
    return false;
}

void TBilderWartung::WartungsSchreibFehler(const QString& name)
{
    const QString text = QStringLiteral("Fehler beim Schreiben in das Fotoalbum (Satz ") +
                         QString::number(fehlerSatz_) + QStringLiteral("), die Bearbeitung wurde abgebrochen! ") +
                         fehlerText_;
    Screen->SetCursor(crDefault);
    ansicht_.FortschrittVerbergen();
    d_.FehlerKontextSetzen();
    d_.Protokoll(QStringLiteral("Fehler"), name + QStringLiteral("(), ") + text);
    ShowMessage(text);
}

void TBilderWartung::WartungsAbschluss(const QString& name)
{
    if (!u_.Optionen().CheckBoxBearbeitungszeitAnzeigen) {
        d_.Protokoll(QStringLiteral("Info"), name + QStringLiteral("(), Fertig !"));
        if (u_.Optionen().CheckBoxAlleMeldungen)
            d_.Hinweis(QStringLiteral("Abschlußmeldung"), QStringLiteral("Fertig !"), 100);
        return;
    }
    // Two of the handlers write their name with a doubled bracket.
    const bool doppelt = name == QLatin1String("AlleAngezeigtenCDRMarkierungenSetzenClick") ||
                         name == QLatin1String("AlleAngezeigtenHTMLMarkierungenSetzenClick");
    d_.Protokoll(QStringLiteral("Info"), name + (doppelt ? QStringLiteral("((") : QStringLiteral("(")) +
                                             QStringLiteral("), Bearbeitungszeit = ") + ZeitMeldung());
    d_.Hinweis(QStringLiteral("Abschlußmeldung"), QStringLiteral("Bearbeitungszeit = ") + ZeitMeldung(), 100);
}

void TBilderWartung::WartungsRahmen(TObject* Sender, const QString& name, bool entfernen,
                                    const std::function<TLauf()>& worker)
{
    Ton(Sender);
    ansicht_.GridSeiteZeigen();
    if (!album_.Offen())
        return;
    TSperre sperre(*this);
    if (!sperre)
        return;
    if (entfernen)
        d_.Protokoll(QStringLiteral("Info"), name + QStringLiteral("(), Funktion gestartet !"));
    StopUhr(QStringLiteral("START"));
    if (!entfernen)
        d_.Protokoll(QStringLiteral("Info"), name + QStringLiteral("(), Fertig !"));
    const TLauf lauf = worker();
    if (lauf == TLauf::Fehler)
        return;
    WartungsAbschluss(name);
    if (entfernen) {
        Tabelle()->Refresh();
        ansicht_.VorschaubilderVeraltet();
    }
}

// ---------------------------------------------------------------------------
// Marks
// ---------------------------------------------------------------------------

TBilderWartung::TLauf TBilderWartung::MarkSchleife(const QString& name, const QString& feld, TMarkWalk walk)
{
    Screen->SetCursor(crHourGlass);
    TControlsDisabler aus(Tabelle());
    Dbe()->PostIfEditing();
    const bool wert = walk != TMarkWalk::Entfernen;
    const uint32_t gemerkt = Dbe()->RecNo();
    const QString handler = walk == TMarkWalk::Entfernen ? QStringLiteral("ESC gedrückt, Funktion abgebrochen!")
                                                         : QStringLiteral("ESC gedrückt, abgebrochen!");
    QString filterVorher;
    int orderVorher = 0;
    if (walk == TMarkWalk::Entfernen) {
        // Visits the entries whose mark is set, whatever filter is in force;
        // that filter comes back whole afterwards.
        filterVorher = Dbe()->DBFilter();
        if (filterVorher.trimmed().compare(QLatin1String(".not. deleted()"), Qt::CaseInsensitive) == 0)
            filterVorher.clear();
        Dbe()->Query(feld);
    }
    const QByteArray feldName = EngineText(feld);
    TLauf lauf = TLauf::Fertig;
    bool geschrieben = true;
    {
        TAlbumBereich bereich(Tabelle());
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
            if (d_.AbbruchGedrueckt()) {
                WartungsEsc(QString(), handler, walk != TMarkWalk::Entfernen);
                lauf = TLauf::Abbruch;
                break;
            }
            ++zaehler;
            const int prozent = int(int64_t(zaehler) * 100 / total);
            if (prozent != letztesProzent && zaehler != total) {
                letztesProzent = prozent;
                ansicht_.Fortschritt(int(total), int(zaehler));
            } else if ((zaehler & 31) == 0) {
                Application->ProcessMessages();
            }
            if (!LogischSchreiben(feldName.constData(), wert)) {
                geschrieben = WartungsFehlerMerken();
                break;
            }
            dbe_Skip(1);
        }
        if (geschrieben && dbe_Commit() != 1)
            geschrieben = WartungsFehlerMerken();
        if (walk != TMarkWalk::BisEnde)
            dbe_SetOrder(orderVorher);
    }
    ansicht_.FortschrittVerbergen();
    if (walk == TMarkWalk::Entfernen)
        Dbe()->Query(filterVorher);
    Dbe()->Go(gemerkt);
    Tabelle()->Refresh();
    ansicht_.SatzAnzahlZeigen();
    Screen->SetCursor(crDefault);
    if (!geschrieben) {
        WartungsSchreibFehler(name);
        return TLauf::Fehler;
    }
    return lauf;
}

TBilderWartung::TLauf TBilderWartung::AlleBilderSaetzeMarkieren2(const QString& Feld)
{
    ansicht_.GridLayoutSichern();
    const TLauf lauf = MarkSchleife(QStringLiteral("AlleBilderSaetzeMarkieren2"), Feld, TMarkWalk::Angezeigte);
    ansicht_.GridLayoutZuruecklesen();
    return lauf;
}

TBilderWartung::TLauf TBilderWartung::BilderSaetzeBisEOFMarkieren2(const QString& Feld)
{
    ansicht_.GridLayoutSichern();
    const TLauf lauf = MarkSchleife(QStringLiteral("BilderSaetzeBisEOFMarkieren2"), Feld, TMarkWalk::BisEnde);
    ansicht_.GridLayoutZuruecklesen();
    return lauf;
}

TBilderWartung::TLauf TBilderWartung::AlleBilderMarkierungenEntfernen2(const QString& Feld)
{
    ansicht_.GridLayoutSichern();
    const TLauf lauf = MarkSchleife(QStringLiteral("AlleBilderMarkierungenEntfernen2"), Feld, TMarkWalk::Entfernen);
    ansicht_.GridLayoutZuruecklesen();
    return lauf;
}

void TBilderWartung::BildMarkieren1Click(TObject* Sender)
{
    (void)Sender;
    if (!album_.Offen())
        return;
    if (Tabelle()->State() != dsEdit && Tabelle()->State() != dsInsert)
        Tabelle()->Edit();
    const bool neu = !Tabelle()->FieldByName(QStringLiteral("MARKIERT"))->AsBoolean();
    if (TMenuItem* item = d_.Menuepunkt(QStringLiteral("BildMarkieren1")))
        item->SetChecked(neu);
    Tabelle()->FieldByName(QStringLiteral("MARKIERT"))->SetAsBoolean(neu);
    Dbe()->PostIfEditing();
    Application->ProcessMessages();
    Tabelle()->Refresh();
    if (Dbe()->DBFilter().toUpper().contains(QLatin1String("MARKIERT"))) {
        ansicht_.VorschaubilderVeraltet();
        TableBilderMARKIERTChange();
    }
}

void TBilderWartung::TableBilderMARKIERTChange()
{
    Dbe()->PostIfEditing();
    ansicht_.SatzAnzahlTextZeigen(QString::number(Dbe()->QueryRecCount()) + QStringLiteral(" von ") +
                                  QString::number(bereich_.Eintraege()) + QStringLiteral(" Einträge angezeigt"));
}

// ---------------------------------------------------------------------------
// Field value replacement
// ---------------------------------------------------------------------------

TBilderWartung::TLauf TBilderWartung::AlleBilderSaetzeErsetzen(const QString& Feld, const QString& Wert, int FeldTyp)
{
    if (!album_.Offen())
        return TLauf::Abbruch;
    if (Wert.isEmpty() &&
        MessageDlg(
            QStringLiteral("Keine Eingabe vorhanden, es würden jetzt alle Felder gelöscht/geleert, fortfahren ?"),
            mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) != mrYes)
        return TLauf::Abbruch;
    TSperre sperre(*this);
    if (!sperre)
        return TLauf::Abbruch;
    d_.Protokoll(QStringLiteral("Info"), QStringLiteral("AlleBilderSaetzeErsetzen(), Funktion aufgerufen, Feldname=") +
                                             Feld + QStringLiteral(", Wert=") + Wert + QStringLiteral(" ,FeldTyp=") +
                                             QString::number(FeldTyp));
    Dbe()->PostIfEditing();
    TBusyFenster busy(d_, u_.Optionen().CheckBoxBerabeitungsMeldung);
    Screen->SetCursor(crHourGlass);
    TLauf lauf = TLauf::Fertig;
    bool geschrieben = true;
    {
        TControlsDisabler aus(Tabelle());
        const uint32_t gemerkt = Dbe()->RecNo();
        const QByteArray feld = EngineText(Feld);
        const QByteArray wert = EngineText(Wert);
        // Every shown entry once: the walk goes by record number, so an
        // order by the replaced field cannot move entries under it.
        lauf = SaetzeAbarbeiten(
            busy, AngezeigteSaetze(), QStringLiteral("AlleBilderSaetzeErsetzen(), ESC gedrückt, Funktion abgebrochen!"),
            QStringLiteral("ESC gedrückt, Funktion abgebrochen!"), true, [&] {
                int ok = 1;
                if (FeldTyp == DBE_REPL_TEXT || FeldTyp == DBE_REPL_DATE)
                    ok = dbe_Replace(feld.constData(), FeldTyp, wert.constData());
                else if (FeldTyp == DBE_REPL_LOGICAL)
                    ok = LogischSchreiben(feld.constData(), Wert.toUpper() == QLatin1String("TRUE"));
                return ok == 1 ? TSchritt::Weiter : TSchritt::Fehler;
            });
        geschrieben = lauf != TLauf::Fehler;
        Dbe()->Go(gemerkt);
        busy.Verbergen();
        Tabelle()->Refresh();
        ansicht_.SatzAnzahlZeigen();
    }
    ansicht_.GridLayoutZuruecklesen();
    Screen->SetCursor(crDefault);
    if (!geschrieben) {
        WartungsSchreibFehler(QStringLiteral("AlleBilderSaetzeErsetzen"));
        lauf = TLauf::Fehler;
    }
    // The full-text entries follow the records, also after Esc or a failure.
    album_.VolltextNeuAufbauen();
    return lauf;
}

void TBilderWartung::FeldWerteersetzen1Click(TObject* Sender)
{
    Ton(Sender);
    ansicht_.GridSeiteZeigen();
    ShowMessage(QStringLiteral("Manche Felder können global mit einem anderen Wert ersetzt werden, drücken Sie dafür "
                               "über diesen Feldern die rechte Maustaste....."));
}

void TBilderWartung::Kurzbeschreibungeingeben1Click(TObject* Sender)
{
    Ton(Sender);
    if (!Tabelle()->Active())
        return;
    QString text = Tabelle()->FieldByName(QStringLiteral("SHORTDESC"))->AsString().trimmed();
    if (!InputQuery(QStringLiteral("Eingabedialogfenster"), QStringLiteral("Geben Sie eine Kurzbeschreibung ein"),
                    text))
        return;
    if (Tabelle()->State() != dsEdit && Tabelle()->State() != dsInsert)
        Tabelle()->Edit();
    Tabelle()->FieldByName(QStringLiteral("SHORTDESC"))->SetAsString(text);
    Tabelle()->Post();
}

void TBilderWartung::FeldWertUebernehmen(TObject* Sender, const QString& Feld, int FeldTyp)
{
    Ton(Sender);
    if (!Tabelle()->Active()) {
        album_.Offen();
        return;
    }
    TField* f = Tabelle()->FieldByName(Feld);
    QString wert;
    if (FeldTyp == DBE_REPL_LOGICAL)
        wert = f->AsBoolean() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    else
        wert = f->AsString();
    AlleBilderSaetzeErsetzen(Feld, wert, FeldTyp);
}

// ---------------------------------------------------------------------------
// The mark check boxes of the single-record view
// ---------------------------------------------------------------------------

namespace {

long TagVon(TObject* Sender)
{
    const auto* c = dynamic_cast<TComponent*>(Sender);
    return c ? c->Tag : 0;
}

}  // namespace

void TBilderWartung::DBCheckBoxBildMarkiertMouseUp(TObject* Sender, TMouseButton Button)
{
    d_.TonSpielen(TagVon(Sender));
    // The click itself has changed the mark; the field's change handler
    // posted it.
    if (Button == mbLeft)
        ShowMessage(QStringLiteral("Kreuzen Sie dieses Feld bitte in der Tabelle an..."));
}

void TBilderWartung::DBCheckBoxPostMouseUp(TObject* Sender, TMouseButton Button)
{
    d_.TonSpielen(TagVon(Sender));
    if (Button == mbLeft && Tabelle()->Active())
        Tabelle()->Post();
}

void TBilderWartung::DBCheckBoxBildImZugriffMouseUp()
{
    // Only the availability test writes this field; the box stays as it was.
    ShowMessage(QStringLiteral("Dieses Feld kann nicht manuell verändert werden!"));
}

void TBilderWartung::AufSichtbarenEintrag()
{
    if (!Tabelle()->Active() || Dbe()->IndexOrd() == 0 || !Dbe()->Deleted())
        return;
    Dbe()->Skip(1);
    if (Dbe()->Eof())
        Dbe()->GoBottom();
    Tabelle()->Refresh();
}

void TBilderWartung::MarkFeldEreignisSetzen(TDataSet* DataSet)
{
    if (TField* f = DataSet->FindField(QStringLiteral("MARKIERT")))
        f->OnChange = [this](TField*) { TableBilderMARKIERTChange(); };
}
