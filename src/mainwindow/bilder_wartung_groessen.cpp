// Album maintenance: the sizes of the shown entries measured again (with
// short names and, when wanted, the media), and the searches for entries
// of equal size and for duplicates, shown as the album's query.
#include "mainwindow/bilder_wartung_teile.h"

#include "datagrid/dk_table.h"
#include "platform/core/file_utils.h"
#include "platform/core/win1252.h"
#include "platform/core/win_path.h"
#include "platform/dbf/dbe.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/ext_ctrls.h"
#include "shared/general_dates.h"
#include "shared/general_texts.h"
#include "shared/short_name.h"
#include "shared/utility_files.h"
#include "storage/tdbe.h"

#include <map>
#include <vector>

namespace {

QString FeldText(const char* feld) { return Win1252Decode(QByteArrayView(dbe_GetString(feld))).trimmed(); }

}  // namespace

// Every undeleted entry of the album grouped by stored size, each group in
// record order (the order of the tag "Bytes" among equal sizes).
std::map<int64_t, std::vector<TBilderWartung::TGroessenSatz>> TBilderWartung::NachGroesse()
{
    std::map<int64_t, std::vector<TGroessenSatz>> gruppen;
    TAlbumBereich bereich(Tabelle());
    const uint32_t total = dbe_RecCount();
    for (uint32_t n = 1; n <= total; ++n) {
        dbe_Go(n);
        if (dbe_Deleted())
            continue;
        const int64_t bytes = int64_t(FeldText("BYTES").toDouble());
        gruppen[bytes].push_back({n, bytes, DateiNameVonPfad(FeldText("PFAD")).trimmed()});
    }
    return gruppen;
}

void TBilderWartung::GroessedereingetragenenBilderneuermitteln1Click(TObject* Sender)
{
    Ton(Sender);
    if (!album_.Offen())
        return;
    if (MessageDlg(QStringLiteral("Es werden alle in dem Fotoalbum eingetragenen Bildergrößen neu ermittelt und "
                                  "eingetragen, fortfahren?"),
                   mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) != mrYes)
        return;
    const bool medien = MessageDlg(QStringLiteral("Sollen auch die Datenträgerkennungen in dem Fotoalbum neu ermittelt "
                                                  "und eingetragen werden?"),
                                   mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) == mrYes;
    TSperre sperre(*this);
    if (!sperre)
        return;
    const QString name = QStringLiteral("GroessedereingetragenenBilderneuermitteln1Click");
    StopUhr(QStringLiteral("START"));
    ansicht_.GridLayoutSichern();
    ansicht_.GridSeiteZeigen();
    d_.Protokoll(QStringLiteral("Info"), name + QStringLiteral("(), Funktion gestartet !"));
    uint32_t gefunden = 0, nichtGefunden = 0, geaendert = 0;
    const bool geschrieben = AngezeigteAbarbeiten(name + QStringLiteral("(), ESC gedrückt, abgebrochen!"), [&] {
        const QString pfad = FeldText("PFAD");
        if (pfad.isEmpty() || !FileExists(pfad)) {
            ++nichtGefunden;
            return TSchritt::Weiter;
        }
        const int64_t groesse = qktFileSize(pfad);
        if (groesse != int64_t(FeldText("BYTES").toDouble()))
            ++geaendert;
        const double bytes = double(groesse);
        bool ok = dbe_Replace("SHORTNAME", DBE_REPL_TEXT, EngineText(StringToCRC32(pfad)).constData()) == 1 &&
                  dbe_Replace("BYTES", DBE_REPL_DOUBLE, &bytes) == 1;
        if (ok && medien) {
            const QString lw = pfad.left(1);
            ok = dbe_Replace("LABEL", DBE_REPL_TEXT, EngineText(qktGetVolumeLabel(lw).trimmed()).constData()) == 1 &&
                 dbe_Replace("LABELKENNU", DBE_REPL_TEXT, EngineText(qktGetVolumeId(lw).trimmed()).constData()) == 1;
        }
        if (!ok)
            return TSchritt::Fehler;
        Application->ProcessMessages();
        ++gefunden;
        return TSchritt::Weiter;
    });
    ansicht_.GridLayoutZuruecklesen();
    if (!geschrieben) {
        WartungsSchreibFehler(name);
        return;
    }
    const bool zeit = u_.Optionen().CheckBoxBearbeitungszeitAnzeigen;
    if (nichtGefunden != 0 || geaendert != 0) {
        QString text = QString::number(nichtGefunden) +
                       QStringLiteral(" eingetragene Bilder nicht gefunden (nicht im Zugriff), bei ") +
                       QString::number(geaendert) +
                       QStringLiteral(" Einträgen hatten sich die Bildergrößen (in Bytes) geändert und wurden neu ins "
                                      "Fotoalbum eingetragen!");
        if (zeit)
            text += QStringLiteral(" Bearbeitungszeit = ") + ZeitMeldung();
        d_.Protokoll(QStringLiteral("Info"), name + QStringLiteral("(), ") + text);
        d_.Hinweis(QStringLiteral("Ablußmeldung"), text, 200);
        return;
    }
    QString text = QStringLiteral("Es sind keine Unstimmigkeiten in den Bildergrößen aufgetreten!");
    if (zeit)
        text += QStringLiteral(" Bearbeitungszeit = ") + ZeitMeldung();
    d_.Protokoll(QStringLiteral("Info"), name + QStringLiteral("(), ") + text);
    if (zeit || u_.Optionen().CheckBoxAlleMeldungen)
        d_.Hinweis(QStringLiteral("Ablußmeldung"), text, 100);
}

// The two searches: the found entries become the album's query, which
// starts empty so that only they show.
void TBilderWartung::SucheAlsAbfrage(const QString& name, bool doppelte, bool ueberschuss, uint32_t& anzahl,
                                     bool& abgebrochen)
{
    const auto gruppen = NachGroesse();
    std::vector<uint32_t> treffer;
    const QString caption = u_.FensterTitel().left(100);
    int position = 0;
    const int total = int(gruppen.size());
    for (const auto& [bytes, saetze] : gruppen) {
        (void)bytes;
        Application->ProcessMessages();
        if (d_.AbbruchGedrueckt()) {
            d_.AbbruchSetzen(false);
            u_.FensterTitelSetzen(caption);
            WartungsProtokoll(name + QStringLiteral("(), Funktion mit ESC abgebrochen!"));
            abgebrochen = true;
            break;
        }
        ++position;
        u_.FensterTitelSetzen(QString::number(position) + QStringLiteral("/") + QString::number(total));
        ansicht_.Fortschritt(total, position);
        if (saetze.size() < 2)
            continue;
        if (!doppelte) {
            for (const TGroessenSatz& s : saetze)
                treffer.push_back(s.Satz);
            continue;
        }
        // Equal size and the same file name (case counts); in surplus mode
        // the first of each name stays unmarked.
        std::map<QString, std::vector<uint32_t>> namen;
        for (const TGroessenSatz& s : saetze)
            namen[s.Name].push_back(s.Satz);
        for (const auto& [n, nummern] : namen) {
            (void)n;
            if (nummern.size() < 2)
                continue;
            for (size_t i = ueberschuss ? 1 : 0; i < nummern.size(); ++i)
                treffer.push_back(nummern[i]);
        }
    }
    anzahl = uint32_t(treffer.size());
    Dbe()->Query(QStringLiteral(".F."));
    for (const uint32_t n : treffer)
        Dbe()->SetQueryBit(n, true);
    u_.FensterTitelSetzen(caption);
}

// The frame both searches share: the guard, the stopwatch, the log, the
// search as the album's query, the closing messages (the time taken; the
// duplicates search also tells how many it found) and the album shown from
// its first found entry.
void TBilderWartung::GroessenSuche(const QString& name, bool doppelte, bool ueberschuss)
{
    TSperre sperre(*this);
    if (!sperre)
        return;
    StopUhr(QStringLiteral("START"));
    ansicht_.GridLayoutSichern();
    d_.Protokoll(QStringLiteral("Info"), name + QStringLiteral("(), Funktion gestartet!"));
    uint32_t anzahl = 0;
    bool abgebrochen = false;
    {
        TBusyFenster busy(d_, u_.Optionen().CheckBoxBerabeitungsMeldung);
        TControlsDisabler aus(Tabelle());
        Dbe()->PostIfEditing();
        SucheAlsAbfrage(name, doppelte, ueberschuss, anzahl, abgebrochen);
    }
    if (!abgebrochen && u_.Optionen().CheckBoxBearbeitungszeitAnzeigen) {
        d_.Protokoll(QStringLiteral("Info"), name + QStringLiteral("(), Bearbeitungszeit = ") + ZeitMeldung());
        if (!doppelte)
            d_.Hinweis(QStringLiteral("Abschlußmeldung"), QStringLiteral("Bearbeitungszeit = ") + ZeitMeldung(), 100);
    }
    if (doppelte)
        d_.Hinweis(QStringLiteral("Abschlußmeldung"),
                   anzahl == 0 ? QStringLiteral("Keine doppelten Bilder gefunden!")
                               : QString::number(anzahl) + QStringLiteral(" doppelte Bilder gefunden!"),
                   100);
    ansicht_.FortschrittVerbergen();
    ansicht_.SatzAnzahlZeigen();
    ansicht_.VorschaubilderVeraltet();
    Dbe()->GoTop();
    Tabelle()->Refresh();
    ansicht_.GridLayoutZuruecklesen();
}

void TBilderWartung::BildermitgleicherGroesseermitteln1Click(TObject* Sender)
{
    Ton(Sender);
    if (!album_.Offen())
        return;
    if (MessageDlg(QStringLiteral("Es werden ALLE in dem Fotoalbum eingetragenen Bilder auf gleicher Größe mit anderen "
                                  "Bildern verglichen (quasi als Doublettencheck bei Namensungleichheit), fortfahren?"),
                   mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) != mrYes)
        return;
    GroessenSuche(QStringLiteral("BildermitgleicherGroesseermitteln1Click"), false, false);
}

void TBilderWartung::DoppelteBilder1Click(TObject* Sender)
{
    Ton(Sender);
    if (!album_.Offen())
        return;
    if (MessageDlg(QStringLiteral("Es werden ALLE in dem Fotoalbum eingetragenen Bilder auf gleiche Größe UND gleichen "
                                  "Dateinamen verglichen, fortfahren?"),
                   mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) != mrYes)
        return;
    const bool ueberschuss =
        MessageDlg(QStringLiteral("Sollen nur die überschüssigen Bilder gefiltert werden (z. B. für "
                                  "das anschliessende Löschen)?"),
                   mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) == mrYes;
    GroessenSuche(QStringLiteral("DoppelteBilder1Click"), true, ueberschuss);
}
