// Album maintenance: a stored picture path resolved against the media that
// are present, and the search for moved pictures below folders the user
// chooses, which writes the new path (as found on disk), its short name and
// the medium into the entries.
#include "mainwindow/bilder_wartung_teile.h"

#include "datagrid/dk_table.h"
#include "dialogs/search_missed_files_form.h"
#include "platform/core/file_utils.h"
#include "platform/core/win1252.h"
#include "platform/core/win_path.h"
#include "platform/dbf/dbe.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/ext_ctrls.h"
#include "shared/general_dates.h"
#include "shared/general_texts.h"
#include "shared/nachrichten_dialog.h"
#include "shared/picture_files.h"
#include "shared/qk_find.h"
#include "shared/qk_ini.h"
#include "shared/short_name.h"
#include "shared/status4_form.h"
#include "shared/utility_files.h"
#include "storage/tdbe.h"

#include <QDateTime>
#include <QSet>

#include <vector>

namespace {

QString FeldText(const char* feld) { return Win1252Decode(QByteArrayView(dbe_GetString(feld))).trimmed(); }

// One entry to look for: its record, its stored path, and what the file
// it names was like (size 0 and an invalid date: not known).
struct TSuchEintrag {
    uint32_t Satz;
    QString Pfad;
    int64_t Bytes = 0;
    QDate Datum;
};

// The stored file date (FoxPro keeps "YYYYMMDD"); invalid when empty.
QDate GespeichertesDatum() { return QDate::fromString(FeldText("FILEDATE"), QStringLiteral("yyyyMMdd")); }

// Whether a file found by name is the entry's picture: the same size, and
// the same date where the entry knows one.
bool PasstZumEintrag(const QString& datei, const TSuchEintrag& eintrag)
{
    const TDateiInfo info = BildDateiPruefen(datei);
    if (info.Zustand != TDateiZustand::Da)
        return false;
    if (eintrag.Bytes > 0 && info.Groesse != eintrag.Bytes)
        return false;
    return !eintrag.Datum.isValid() || QDateTime::fromSecsSinceEpoch(info.Geaendert).date() == eintrag.Datum;
}

}  // namespace

QString TBilderWartung::GetFileName(const QString& Label, const QString& VolumeId, const QString& Path)
{
    QString label = Label.trimmed();
    if (label.isEmpty())
        label = QStringLiteral("Unknown");
    const QString id = VolumeId.trimmed();
    const QString pfad = Path.trimmed();
    while (!FileExists(pfad)) {
        bool vorhanden = false;
        for (char c = 'z'; c >= 'a'; --c) {
            const QString lw(QChar::fromLatin1(c));
            if (id.isEmpty() || qktGetVolumeId(lw).trimmed() != id)
                continue;
            vorhanden = true;
            const QString kandidat = lw + pfad.mid(1);
            if (FileExists(kandidat)) {
                Screen->SetCursor(crDefault);
                return kandidat;
            }
        }
        Screen->SetCursor(crDefault);
        if (vorhanden)
            return pfad;
        if (Application->MessageBox(QStringLiteral("Bitte legen sie Datenträger \"") + label + QStringLiteral("\" ein"),
                                    QStringLiteral("Information"), MB_OKCANCEL | MB_ICONINFORMATION) != IDOK)
            return pfad;
    }
    return pfad;
}

void TBilderWartung::VerschobeneBilderSuchen()
{
    if (!album_.Offen())
        return;
    if (!d_.ErstStartLaeuft() &&
        MessageDlg(QStringLiteral("Es werden alle angezeigten Bilder die in dem Fotoalbum registriert sind, auf "
                                  "vorhandensein geprüft, fortfahren?"),
                   mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) != mrYes)
        return;
    TSperre sperre(*this);
    if (!sperre)
        return;
    const QString name = QStringLiteral("VerschobeneBildersuchenundPfadneusetzen1Click");
    StopUhr(QStringLiteral("START"));
    ansicht_.GridVerbergen();
    ansicht_.EinzelsatzVerbergen();
    ansicht_.GridLayoutSichern();
    ansicht_.GridSeiteZeigen();
    d_.Protokoll(QStringLiteral("Info"), name + QStringLiteral("(), Funktion gestartet!"));
    const auto wiederherstellen = [this] {
        Screen->SetCursor(crDefault);
        ansicht_.FortschrittVerbergen();
        ansicht_.GridZeigen();
        ansicht_.EinzelsatzWiederherstellen();
        ansicht_.GridLayoutZuruecklesen();
    };
    Dbe()->PostIfEditing();
    const uint32_t gemerkt = Dbe()->RecNo();

    // Check: the shown entries whose file is missing, changed in size (when
    // the user wants them) or on another medium than recorded.
    std::vector<TSuchEintrag> liste;
    {
        TControlsDisabler aus(Tabelle());
        std::unique_ptr<TStatus4Frm> status(new TStatus4Frm(Application));
        status->Label1->SetCaption(QStringLiteral("Bearbeitung läuft, bitte warten...."));
        status->Show();
        const std::vector<uint32_t> saetze = AngezeigteSaetze();
        int antwortFuerAlle = 0;
        const int total = int(saetze.size());
        for (int i = 0; i < total; ++i) {
            if (d_.AbbruchGedrueckt()) {
                d_.AbbruchSetzen(false);
                d_.Protokoll(QStringLiteral("Info"),
                             QStringLiteral("VerschobeneBilderSuchen, Funktion mit ESC abgebrochen!"));
                ShowMessage(QStringLiteral("ESC gedrückt, abgebrochen!"));
                status.reset();
                Dbe()->Go(gemerkt);
                wiederherstellen();
                return;
            }
            ansicht_.Fortschritt(total, i + 1);
            QString pfad, kennung;
            int64_t bytes = 0;
            QDate datum;
            {
                TAlbumBereich bereich(Tabelle());
                dbe_Go(saetze[size_t(i)]);
                pfad = FeldText("PFAD");
                kennung = FeldText("LABELKENNU");
                bytes = int64_t(FeldText("BYTES").toDouble());
                datum = GespeichertesDatum();
            }
            if (pfad.isEmpty())
                continue;
            if (!FileExists(pfad)) {
                liste.push_back({saetze[size_t(i)], pfad, bytes, datum});
                continue;
            }
            if (bytes != 0 && qktFileSize(pfad) != bytes) {
                int antwort = antwortFuerAlle;
                if (antwort == 0) {
                    antwort = AntwortDialog(QStringLiteral("Abfrage"),
                                            QStringLiteral("SatzNr=") + QString::number(saetze[size_t(i)]) +
                                                QStringLiteral(" Bilddatei zwar gefunden, Größe hat sich jedoch "
                                                               "verändert, trotzdem in Suchliste übernehmen?"),
                                            160, clWhite, clBlack, true);
                    if (antwort > 100)
                        antwortFuerAlle = antwort;
                }
                const int a = antwort > 100 ? antwort - 100 : antwort;
                if (a == 3) {
                    status.reset();
                    Dbe()->Go(gemerkt);
                    wiederherstellen();
                    return;
                }
                if (a == 6) {
                    // Its file changed: a candidate may have any size.
                    liste.push_back({saetze[size_t(i)], pfad, 0, QDate()});
                    continue;
                }
            }
            if (qktGetVolumeId(pfad.left(1)).trimmed() != kennung)
                liste.push_back({saetze[size_t(i)], pfad, bytes, datum});
        }
    }

    uint32_t gefunden = 0, nichtGefunden = 0, mehrdeutig = 0;
    bool geschrieben = true;
    if (!liste.empty()) {
        TSearchMissedFilesForm dialog(nullptr, d_.Ini().INIFileName());
        if (dialog.ShowModal() != mrOk) {
            d_.AbbruchSetzen(false);
            d_.Protokoll(QStringLiteral("Info"), name + QStringLiteral("(), Funktion mit ESC abgebrochen!"));
            ShowMessage(QStringLiteral("Abgebrochen!"));
            Dbe()->Go(gemerkt);
            wiederherstellen();
            return;
        }
        std::unique_ptr<TStatus4Frm> status(new TStatus4Frm(Application));
        status->Label1->SetCaption(QStringLiteral("Bearbeitung läuft, bitte warten...."));
        status->Show();
        TControlsDisabler aus(Tabelle());
        // Every file of the name below the folder is a candidate. The search
        // has a finder of its own: the window's finder keeps its handler
        // whatever happens here.
        std::vector<QString> kandidaten;
        TQKFind suche(nullptr);
        suche.OnFindFile = [&kandidaten](TObject*, const TSearchRec& rec, const QString& path, const QString&) {
            kandidaten.push_back(IncludeTrailingBackslash(path) + rec.Name);
        };
        // Each entry is looked for under every folder until it is found; one
        // that no folder holds counts once.
        std::vector<bool> erledigt(liste.size(), false);
        uint32_t untersucht = 0;
        for (int f = 0; f < dialog.StartPfade.Count() && geschrieben; ++f) {
            const QString wurzel = PfadVonDatei(dialog.StartPfade[f], false);
            for (size_t j = 0; j < liste.size() && geschrieben; ++j) {
                if (erledigt[j])
                    continue;
                status->Label1->SetCaption(QStringLiteral("Bearbeitung läuft, bitte warten....( ") +
                                           QString::number(gefunden) + QStringLiteral(" / ") +
                                           QString::number(liste.size()) + QStringLiteral(" )"));
                ++untersucht;
                ansicht_.Fortschritt(int(liste.size() * size_t(dialog.StartPfade.Count())), int(untersucht));
                const QString datei = DateiNameVonPfad(liste[j].Pfad);
                if (datei.isEmpty())
                    continue;
                kandidaten.clear();
                suche.SetStartPath(wurzel);
                suche.SetFilePattern(datei);
                suche.Subdirs = true;
                suche.Execute();
                std::vector<QString> passend;
                for (const QString& k : kandidaten) {
                    if (!PasstZumEintrag(k, liste[j]))
                        continue;
                    // A path the album cannot hold is no new place of the
                    // picture; the entry keeps its old path.
                    if (!Win1252Encode(k)) {
                        d_.Protokoll(QStringLiteral("Info"),
                                     QStringLiteral("VBP1Click(), Pfad nicht speicherbar, übersprungen: ") + k);
                        continue;
                    }
                    passend.push_back(k);
                }
                if (passend.empty())
                    continue;
                erledigt[j] = true;
                // Several files could be the picture: none is taken.
                if (passend.size() > 1) {
                    ++mehrdeutig;
                    QString namen;
                    for (const QString& k : passend)
                        namen += QStringLiteral(" ") + k;
                    // The log keeps 99 characters: the old path first.
                    d_.Protokoll(QStringLiteral("Info"), QStringLiteral("VBP1Click(), ") + liste[j].Pfad +
                                                             QStringLiteral(" übersprungen, mehrere passende Bilder:") +
                                                             namen);
                    continue;
                }
                // The path as it is on disk, with the real case of its name.
                QString neu = passend.front();
                if (const auto linux = WinToLinux(neu))
                    if (const auto echt = LinuxToWin(*linux))
                        neu = *echt;
                TAlbumBereich bereich(Tabelle());
                dbe_Go(liste[j].Satz);
                const QString id = qktGetVolumeId(neu.left(1)).trimmed();
                bool ok = dbe_Replace("PFAD", DBE_REPL_TEXT, EngineText(neu).constData()) == 1 &&
                          dbe_Replace("SHORTNAME", DBE_REPL_TEXT, EngineText(StringToCRC32(neu)).constData()) == 1;
                if (ok && id != FeldText("LABELKENNU")) {
                    ok = dbe_Replace("LABEL", DBE_REPL_TEXT,
                                     EngineText(qktGetVolumeLabel(neu.left(1)).trimmed()).constData()) == 1 &&
                         dbe_Replace("LABELKENNU", DBE_REPL_TEXT, EngineText(id).constData()) == 1;
                }
                if (!ok) {
                    geschrieben = WartungsFehlerMerken();
                    break;
                }
                ++gefunden;
            }
        }
        for (size_t j = 0; j < liste.size(); ++j)
            if (!erledigt[j]) {
                ++nichtGefunden;
                d_.Protokoll(QStringLiteral("Info"), QStringLiteral("VBP1Click(), ") + liste[j].Pfad +
                                                         QStringLiteral(" nicht wiedergefunden(2)!"));
            }
        if (geschrieben) {
            TAlbumBereich bereich(Tabelle());
            if (dbe_Commit() != 1)
                geschrieben = WartungsFehlerMerken();
        }
    }
    ansicht_.FortschrittVerbergen();
    Dbe()->Go(gemerkt);
    Tabelle()->Refresh();
    if (!geschrieben) {
        wiederherstellen();
        WartungsSchreibFehler(name);
        return;
    }
    const int zeit = d_.AnzeigeZeit() + 2;
    if (gefunden > 0) {
        d_.Protokoll(QStringLiteral("Info"),
                     name + QStringLiteral("(), ") + QString::number(gefunden) +
                         QStringLiteral(" Einträge mit neuer Pfadangabe oder anderen neuen Werten "
                                        "gespeichert!"));
        NachrichtenDialog(QStringLiteral("Abschlußmeldung"),
                          QString::number(gefunden) +
                              QStringLiteral(" Einträge mit neuer Pfadangabe (Bild-Speicherort) gespeichert!"),
                          zeit, 150, clInfoBk, clBlack, true);
    }
    if (nichtGefunden > 0) {
        d_.Protokoll(QStringLiteral("Info"), name + QStringLiteral("(), ") + QString::number(nichtGefunden) +
                                                 QStringLiteral(" Eintrag/Einträge nicht mehr unter alter Pfadangabe "
                                                                "(Bild-Speicherort) wiedergefunden!"));
        NachrichtenDialog(QStringLiteral("Abschlußmeldung"),
                          QString::number(nichtGefunden) +
                              QStringLiteral(" Satz/Sätze nicht mehr unter alte Pfadangabe (Bild-Speicherort) "
                                             "wiedergefunden!"),
                          zeit, 100, clInfoBk, clBlack, true);
    }
    if (mehrdeutig > 0)
        NachrichtenDialog(QStringLiteral("Abschlußmeldung"),
                          QString::number(mehrdeutig) +
                              QStringLiteral(" Einträge übersprungen, es wurden jeweils mehrere passende Bilder "
                                             "gefunden (siehe Protokoll)!"),
                          zeit, 100, clInfoBk, clBlack, true);
    if (gefunden == 0 && nichtGefunden == 0 && mehrdeutig == 0) {
        d_.Protokoll(QStringLiteral("Info"),
                     name + QStringLiteral("(), Es waren keine Änderungen an der Datenbank nötig!"));
        NachrichtenDialog(QStringLiteral("Abschlußmeldung"),
                          QStringLiteral("Es waren keine Änderungen an dem Fotoalbum nötig!"), zeit, 100, clInfoBk,
                          clBlack, true);
    }
    ansicht_.GridZeigen();
    ansicht_.EinzelsatzWiederherstellen();
    if (u_.Optionen().CheckBoxBearbeitungszeitAnzeigen) {
        d_.Protokoll(QStringLiteral("Info"), name + QStringLiteral("(), Bearbeitungszeit = ") + ZeitMeldung());
        d_.Hinweis(QStringLiteral("Abschlußmeldung"), QStringLiteral("Bearbeitungszeit = ") + ZeitMeldung(), 100);
    } else {
        d_.Protokoll(QStringLiteral("Info"),
                     name + QStringLiteral("(), Fertig mit dem Suchen und Ersetzen der Bilderpfade !"));
        if (u_.Optionen().CheckBoxAlleMeldungen)
            d_.Hinweis(QStringLiteral("Abschlußmeldung"),
                       QStringLiteral("Fertig mit dem Suchen und Ersetzen der Bilderpfade !"), 100);
    }
    ansicht_.GridLayoutZuruecklesen();
}
