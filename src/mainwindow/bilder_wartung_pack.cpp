// Album maintenance: deleting every entry, recalling the deleted ones,
// packing the album (with the short-name repair before it), the delete
// operation with its four modes, and the short names themselves.
#include "mainwindow/bilder_wartung_teile.h"

#include "datagrid/dk_table.h"
#include "album/album_record.h"
#include "album/offenes_album.h"
#include "platform/core/file_utils.h"
#include "platform/core/win1252.h"
#include "platform/dbf/dbe.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/ext_ctrls.h"
#include "shared/general_dates.h"
#include "shared/short_name.h"
#include "shared/status4_form.h"
#include "storage/tdbe.h"
#include "storage/tfts.h"

#include <vector>

namespace {

// The short name of a stored path (trimmed; the routine upper-cases).
QString KurzName(const QString& pfad) { return StringToCRC32(pfad.trimmed()); }

QString EngineString(const char* feld) { return Win1252Decode(QByteArrayView(dbe_GetString(feld))); }

}  // namespace

// ---------------------------------------------------------------------------
// Short names
// ---------------------------------------------------------------------------

bool TBilderWartung::SetzeShortName()
{
    ansicht_.GridVerbergen();
    ansicht_.EinzelsatzVerbergen();
    StopUhr(QStringLiteral("START"));
    d_.Protokoll(QStringLiteral("Info"), QStringLiteral("SetzeShortName, procedure gestartet !"));
    ansicht_.GridSeiteZeigen();
    Screen->SetCursor(crHourGlass);
    uint32_t anzahl = 0;
    bool geschrieben = true;
    {
        TControlsDisabler aus(Tabelle());
        Dbe()->PostIfEditing();
        const uint32_t gemerkt = Dbe()->RecNo();
        {
            // By record number: the walk never follows the order whose key
            // it rewrites.
            TAlbumBereich bereich(Tabelle());
            const uint32_t total = dbe_RecCount();
            for (uint32_t n = 1; n <= total; ++n) {
                dbe_Go(n);
                ++anzahl;
                const QByteArray kurz = EngineText(KurzName(EngineString("PFAD")));
                if (dbe_Replace("SHORTNAME", DBE_REPL_TEXT, kurz.constData()) != 1) {
                    geschrieben = WartungsFehlerMerken();
                    break;
                }
            }
            if (geschrieben && dbe_Commit() != 1)
                geschrieben = WartungsFehlerMerken();
        }
        Dbe()->Go(gemerkt);
    }
    Screen->SetCursor(crDefault);
    ansicht_.GridZeigen();
    if (!geschrieben) {
        WartungsSchreibFehler(QStringLiteral("SetzeShortName"));
    } else {
        shortNamenFlag_ = false;
        if (u_.Optionen().CheckBoxBearbeitungszeitAnzeigen)
            d_.Protokoll(QStringLiteral("Info"), QStringLiteral("SetzeShortName, Bearbeitungszeit/Anzahl = ") +
                                                     ZeitMeldung() + QStringLiteral("/") + QString::number(anzahl));
        else
            d_.Protokoll(QStringLiteral("Info"), QStringLiteral("SetzeShortName, Fertig !"));
    }
    ansicht_.EinzelsatzWiederherstellen();
    return geschrieben;
}

// Runs `fn` on the album's work area in the order of the tag "ShortName",
// then gives the order and the current entry back.
void TBilderWartung::InKurzNamenOrdnung(const std::function<void()>& fn)
{
    const uint32_t gemerkt = Dbe()->RecNo();
    {
        TAlbumBereich bereich(Tabelle());
        const int tag = dbe_TagArea("SHORTNAME");
        const int vorher = dbe_SetOrder(tag);
        dbe_GoTop();
        fn();
        dbe_SetOrder(vorher);
    }
    Dbe()->Go(gemerkt);
}

void TBilderWartung::ShortNamenVorhanden()
{
    InKurzNamenOrdnung([this] {
        if (!dbe_Eof() && EngineString("SHORTNAME").trimmed().length() < 6)
            shortNamenFlag_ = true;
    });
}

void TBilderWartung::GueltigerShortNamenVorhanden()
{
    if (shortNamenFlag_)
        return;
    InKurzNamenOrdnung([this] {
        for (int i = 0; i < 11 && !dbe_Eof(); ++i) {
            if (KurzName(EngineString("PFAD")).trimmed() != EngineString("SHORTNAME").trimmed()) {
                shortNamenFlag_ = true;
                return;
            }
            dbe_Skip(1);
        }
    });
}

void TBilderWartung::EntferneLeerSatz()
{
    InKurzNamenOrdnung([] {
        if (!dbe_Eof() && EngineString("PFAD").trimmed().isEmpty())
            dbe_Delete();
    });
}

// ---------------------------------------------------------------------------
// Delete all, recall all
// ---------------------------------------------------------------------------

void TBilderWartung::VolltextSchliessen()
{
    bereich_.Fts()->Close();
    bereich_.FtsPuffer().clear();
}

void TBilderWartung::VolltextDateiEntfernen(const QString& handler, const std::function<void()>& vorMeldung)
{
    const QString ia = bereich_.Dateien().Ia();
    if (FileExists(ia) && !DeleteFile(ia)) {
        const QString text = QStringLiteral("Volltextdatei ") + ia + QStringLiteral(" konnte nicht gelöscht werden!");
        WartungsProtokoll(handler + QStringLiteral("(), ") + text);
        if (vorMeldung)
            vorMeldung();
        ShowMessage(text);
    }
}

void TBilderWartung::AlleBilderSaetzeLoeschen1Click(TObject* Sender)
{
    Ton(Sender);
    if (!album_.Offen() || bereich_.NurLesenAblehnen(QStringLiteral("seine Einträge können nicht gelöscht werden")))
        return;
    if (Dbe()->RecCount() == 0) {
        ShowMessage(QStringLiteral("Es sind keine Einträge zum Löschen in dem Fotoalbum vorhanden!"));
        return;
    }
    if (MessageDlg(QStringLiteral("Wollen Sie wirklich alle Einträge (nur Datensätze, nicht die Bilderdateien, aber "
                                  "ohne Rückholmöglichkeit) löschen ?"),
                   mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) != mrYes)
        return;
    TSperre sperre(*this);
    if (!sperre)
        return;
    ansicht_.GridLayoutSichern();
    d_.Protokoll(QStringLiteral("Info"), QStringLiteral("AlleBilderSaetzeLoeschen1Click(), Funktion gestartet !"));
    TBusyFenster busy(d_, u_.Optionen().CheckBoxBerabeitungsMeldung);
    // The full-text file goes only once the album is held exclusively:
    // another program that has the album open also writes to it.
    VolltextSchliessen();
    const QString datei = bereich_.Dateien().Dbf();
    bool geleert = false;
    QString fehler;
    {
        // Its end opens the album again with its second view and its
        // full-text index (made anew after the delete).
        TAlbumExklusiv halt(album_, bereich_.Dateien(), Tabelle(), Dbe(), true);
        if (!halt) {
            Screen->SetCursor(crDefault);
            const QString text = QStringLiteral("Fehler beim exclusiven Öffnen der ") + datei + QStringLiteral(" !");
            d_.Protokoll(QStringLiteral("Info"),
                         QStringLiteral("AlleBilderSaetzeLoeschen1Click(), ") + text + QStringLiteral(" ") + halt.Belegt());
            busy.Verbergen();
            ShowMessage(text);
            // Nothing was deleted: the album opens again as it was.
            return;
        }
        VolltextDateiEntfernen(QStringLiteral("AlleBilderSaetzeLoeschen1Click"), [&] { busy.Verbergen(); });
        geleert = Dbe()->Zap();
        fehler = Dbe()->PackFailure();
    }
    Application->ProcessMessages();
    busy.Verbergen();
    if (!geleert) {
        const QString text =
            QStringLiteral("Fehler beim Löschen aller Einträge, das Fotoalbum ist unverändert! ") + fehler;
        d_.Protokoll(QStringLiteral("Fehler"), QStringLiteral("AlleBilderSaetzeLoeschen1Click(), ") + text);
        ShowMessage(text);
        return;
    }
    d_.Protokoll(QStringLiteral("Info"),
                 QStringLiteral("AlleBilderSaetzeLoeschen1Click(), Es wurden alle Datensätze gelöscht !"));
    if (u_.Optionen().CheckBoxAlleMeldungen)
        d_.Hinweis(QStringLiteral("Abschlußmeldung"), QStringLiteral("Es wurden alle Einträge gelöscht !"), 100);
}

void TBilderWartung::AlleBilderSaetzeZurueckholen1Click(TObject* Sender)
{
    if (!album_.Offen() ||
        bereich_.NurLesenAblehnen(QStringLiteral("seine gelöschten Einträge können nicht zurückgeholt werden")))
        return;
    if (MessageDlg(
            QStringLiteral("Wollen Sie wirklich alle gelöschten Einträge wieder sichtbar machen (zurückholen) ?"),
            mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) != mrYes)
        return;
    TSperre sperre(*this);
    if (!sperre)
        return;
    ansicht_.GridLayoutSichern();
    TBusyFenster busy(d_, u_.Optionen().CheckBoxBerabeitungsMeldung);
    StopUhr(QStringLiteral("START"));
    Ton(Sender);
    const QString name = QStringLiteral("AlleBilderSaetzeZurueckholen1Click");
    d_.Protokoll(QStringLiteral("Info"), name + QStringLiteral("(), Funktion gestartet !"));
    ansicht_.GridSeiteZeigen();
    Screen->SetCursor(crHourGlass);
    bool geschrieben = true;
    {
        TControlsDisabler aus(Tabelle());
        Dbe()->PostIfEditing();
        // Every filter goes: the recall reaches every deleted entry.
        Dbe()->Query(QString());
        Dbe()->SetScope(QString(), QString());
        const int vorher = Dbe()->SetOrder(0);
        geschrieben =
            SaetzeAbarbeiten(busy, AlleSaetze(), name + QStringLiteral("(), ESC gedrückt, Funktion abgebrochen!"),
                             QStringLiteral("ESC gedrückt, Funktion abgebrochen!"), true, [] {
                                 Application->ProcessMessages();
                                 return dbe_Deleted() && dbe_Recall() != 1 ? TSchritt::Fehler : TSchritt::Weiter;
                             }) != TLauf::Fehler;
        ansicht_.FortschrittVerbergen();
        Dbe()->SetOrder(vorher);
        Dbe()->GoTop();
        busy.Verbergen();
        Tabelle()->Refresh();
    }
    ansicht_.GridLayoutZuruecklesen();
    ansicht_.SatzAnzahlZeigen();
    Screen->SetCursor(crDefault);
    if (!geschrieben) {
        WartungsSchreibFehler(name);
        return;
    }
    WartungsAbschluss(name);
    ansicht_.VorschaubildZeigen();
}

// ---------------------------------------------------------------------------
// Pack
// ---------------------------------------------------------------------------

void TBilderWartung::BilderDBFpacken1Click(TObject* Sender)
{
    if (!album_.Offen() || bereich_.NurLesenAblehnen(QStringLiteral("es kann nicht gepackt werden")))
        return;
    if (u_.Einstellungswerte().Bool("Sicherheitsabfragen") &&
        MessageDlg(QStringLiteral(" Fotoalbum wirklich packen? Gelöschte Einträge sind unwiederruflich verloren und "
                                  "Volltextdatenbank muß neu aufgebaut werden... "),
                   mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) != mrYes)
        return;
    TSperre sperre(*this);
    if (!sperre)
        return;
    const QString name = QStringLiteral("BilderDBFpacken1Click");
    ansicht_.GridLayoutSichern();
    ansicht_.GridVerbergen();
    ansicht_.EinzelsatzVerbergen();
    TBusyFenster busy(d_, u_.Optionen().CheckBoxBerabeitungsMeldung);
    StopUhr(QStringLiteral("START"));
    Ton(Sender);
    d_.Protokoll(QStringLiteral("Info"), name + QStringLiteral("(), Funktion gestartet !"));
    ansicht_.GridSeiteZeigen();

    Dbe()->PostIfEditing();
    EntferneLeerSatz();
    ShortNamenVorhanden();
    GueltigerShortNamenVorhanden();
    // The full-text index is closed now, but its file goes only once the
    // album is held exclusively: another program that has the album open
    // also writes to that file.
    VolltextSchliessen();
    busy.Verbergen();
    Screen->SetCursor(crHourGlass);
    Application->ProcessMessages();
    // The compound index stays: the pack rebuilds every tag of it from the
    // records it keeps, and an index that is damaged or lacks tags is built
    // anew by the open afterwards.
    const QString datei = bereich_.Dateien().Dbf();
    bool gepackt = false;
    bool kurzNamenOk = true;
    QString fehler;
    {
        // Its end opens the album again: the compound index and the
        // full-text index are built anew from the records that stayed.
        TAlbumExklusiv halt(album_, bereich_.Dateien(), Tabelle(), Dbe(), true);
        if (!halt) {
            // Another program uses the album: nothing of it is changed, and
            // the album opens again as it was.
            fehler = halt.Belegt();
            Screen->SetCursor(crDefault);
            const QString text = QStringLiteral("Fehler beim exclusiven Öffnen der ") + datei + QStringLiteral(" !");
            d_.Protokoll(QStringLiteral("Fehler"), name + QStringLiteral("(), ") + text + QStringLiteral(" ") + fehler);
            ShowMessage(text);
            halt.Freigeben();
            ansicht_.GridLayoutZuruecklesen();
            ansicht_.SatzAnzahlZeigen();
            ansicht_.GridZeigen();
            ansicht_.EinzelsatzWiederherstellen();
            return;
        }
        VolltextDateiEntfernen(name, nullptr);
        {
            TControlsDisabler aus(Tabelle());
            // Short names that could not be written stop the command before
            // the pack: the album stays as it was, with the failure told.
            kurzNamenOk = !shortNamenFlag_ || SetzeShortName();
        }
        if (kurzNamenOk) {
            TControlsDisabler aus(Tabelle());
            Application->ProcessMessages();
            album_.TagsLesen();
            StatusSchritte = static_cast<uint16_t>(bereich_.Tags().Count() + 1);
            std::unique_ptr<TStatus4Frm> status(new TStatus4Frm(Application));
            status->Label1->SetCaption(QStringLiteral("Fotoalbum wird gepackt, bitte warten...."));
            status->Show();
            status->Panel2->SetVisible(true);
            Dbe()->SetGaugeHook(
                [w = status.get()](uint32_t done, uint32_t total) { TStatus4Frm::GaugeHook(w, done, total); });
            gepackt = Dbe()->Pack();
            fehler = Dbe()->PackFailure();
            Dbe()->SetGaugeHook(nullptr);
        }
        ansicht_.SatzAnzahlZeigen();
        Application->ProcessMessages();
    }
    ansicht_.GridLayoutZuruecklesen();
    Screen->SetCursor(crDefault);
    ansicht_.GridZeigen();
    ansicht_.EinzelsatzWiederherstellen();
    if (!kurzNamenOk)
        return;
    if (!gepackt) {
        const QString text = QStringLiteral("Fehler beim Packen, das Fotoalbum ist nicht gepackt worden! ") + fehler;
        d_.Protokoll(QStringLiteral("Fehler"), name + QStringLiteral("(), ") + text);
        ShowMessage(text);
        return;
    }
    WartungsAbschluss(name);
}

// ---------------------------------------------------------------------------
// Delete with a mode
// ---------------------------------------------------------------------------

void TBilderWartung::BilderSatzLoeschen(int Modus)
{
    if (!Tabelle()->Active() || Modus < 1 || Modus > 4)
        return;
    if (u_.Einstellungswerte().Bool("Sicherheitsabfragen") &&
        MessageDlg(QStringLiteral(" Eintrag/Einträge wirklich löschen ?"), mtConfirmation,
                   TMsgDlgButtons{mbYes, mbNo}) != mrYes)
        return;
    bool geschrieben = true;
    {
        TSperre sperre(*this);
        if (!sperre)
            return;
        Screen->SetCursor(crHourGlass);
        TControlsDisabler aus(Tabelle());
        Dbe()->PostIfEditing();
        const QString filterVorher = Dbe()->DBFilter();
        std::vector<uint32_t> saetze;
        if (Modus == 4) {
            saetze.push_back(Dbe()->RecNo());
        } else {
            if (Modus == 2)
                Dbe()->Query(QStringLiteral("MARKIERT"));
            TAlbumBereich bereich(Tabelle());
            if (Modus == 1)
                dbe_Query("");
            const int vorher = dbe_SetOrder(0);
            for (dbe_GoTop(); !dbe_Eof(); dbe_Skip(1))
                saetze.push_back(dbe_RecNo());
            dbe_SetOrder(vorher);
        }
        const QString caption = u_.FensterTitel().left(100);
        {
            TAlbumBereich bereich(Tabelle());
            int zaehler = 0;
            for (const uint32_t n : saetze) {
                ++zaehler;
                if (Modus == 3)
                    u_.FensterTitelSetzen(QStringLiteral("Lösche Satz ") + QString::number(zaehler) +
                                          QStringLiteral(" von ") + QString::number(saetze.size()));
                ansicht_.Fortschritt(int(saetze.size()), zaehler);
                dbe_Go(n);
                if (dbe_Delete() != 1) {
                    geschrieben = WartungsFehlerMerken();
                    break;
                }
            }
            if (geschrieben && dbe_Commit() != 1)
                geschrieben = WartungsFehlerMerken();
        }
        u_.FensterTitelSetzen(caption);
        ansicht_.FortschrittVerbergen();
        // Modes 2 and 3 end without a filter; mode 1 keeps the one in force.
        Dbe()->Query(Modus == 1 ? filterVorher : (Modus == 4 ? filterVorher : QString()));
        Dbe()->GoTop();
        Tabelle()->Refresh();
    }
    Screen->SetCursor(crDefault);
    if (!geschrieben) {
        WartungsSchreibFehler(QStringLiteral("BilderSatzLoeschen"));
        return;
    }
    if (u_.Einstellungswerte().Bool("Sicherheitsabfragen") &&
        MessageDlg(QStringLiteral(" Fotoalbum jetzt packen (anschließend kein undelete mehr möglich) ?"),
                   mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) == mrYes) {
        aktiv_ = false;
        BilderDBFpacken1Click(nullptr);
    }
    ansicht_.SatzAnzahlZeigen();
    ansicht_.GridLayoutZuruecklesen();
}
