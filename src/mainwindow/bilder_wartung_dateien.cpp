// Album maintenance against the picture files: which pictures can be
// reached now (ZUGRIFF), the size check of the current entry, and the
// removal of entries whose pictures are gone from media that are present.
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
#include "shared/general_files.h"
#include "shared/picture_files.h"
#include "shared/utility_files.h"
#include "storage/tdbe.h"

#include <QFile>
#include <QHash>

#include <sys/stat.h>

#include <optional>

namespace {

// File tests of a walk over many entries: each folder is resolved over the
// drive map once, then a file is one stat; what is not found that way gets
// the full test (names that differ in case, media that came or went).
class TDateiPruefer {
public:
    bool Da(const QString& pfad)
    {
        const int trenner = pfad.lastIndexOf(QLatin1Char('\\'));
        if (trenner > 0) {
            const QString ordner = pfad.left(trenner);
            auto it = ordner_.find(ordner);
            if (it == ordner_.end())
                it = ordner_.insert(ordner, WinToLinux(ordner));
            struct stat st;
            if (*it &&
                ::stat(QFile::encodeName(**it + QLatin1Char('/') + pfad.mid(trenner + 1)).constData(), &st) == 0 &&
                S_ISREG(st.st_mode))
                return true;
        }
        return FileExists(pfad);
    }

private:
    QHash<QString, std::optional<QString>> ordner_;
};

QString FeldText(const char* feld) { return Win1252Decode(QByteArrayView(dbe_GetString(feld))).trimmed(); }

}  // namespace

// ---------------------------------------------------------------------------
// Availability
// ---------------------------------------------------------------------------

void TBilderWartung::WelcheBildersindverfuegbarClick(TObject* Sender)
{
    Ton(Sender);
    if (!album_.Offen())
        return;
    TSperre sperre(*this);
    if (!sperre)
        return;
    const QString name = QStringLiteral("WelcheBildersindverfuegbarClick");
    ansicht_.GridLayoutSichern();
    TBusyFenster busy(d_, u_.Optionen().CheckBoxBerabeitungsMeldung);
    const QString caption = u_.FensterTitel();
    StopUhr(QStringLiteral("START"));
    ansicht_.GridSeiteZeigen();
    d_.Protokoll(QStringLiteral("Info"), name + QStringLiteral("(), Funktion gestartet !"));
    Screen->SetCursor(crHourGlass);
    bool geschrieben = true;
    {
        TControlsDisabler aus(Tabelle());
        Dbe()->PostIfEditing();
        const uint32_t gemerkt = Dbe()->RecNo();
        // One pass that tests each file and writes its answer at once: after
        // Esc the entries not reached keep their old value, none is left
        // marked unreachable without a test. Only a changed value is written.
        uint32_t gefunden = 0, nichtGefunden = 0;
        TDateiPruefer pruefer;
        geschrieben =
            SaetzeAbarbeiten(busy, AlleSaetze(), name + QStringLiteral("(), ESC gedrückt, Funktion abgebrochen!"),
                             QStringLiteral("ESC gedrückt, Funktion abgebrochen!"), true, [&] {
                                 const bool da = pruefer.Da(FeldText("PFAD"));
                                 (da ? gefunden : nichtGefunden) += 1;
                                 if ((gefunden + nichtGefunden) % 100 == 0)
                                     u_.FensterTitelSetzen(QStringLiteral("Nicht gefunden ") +
                                                           QString::number(nichtGefunden) +
                                                           QStringLiteral("/ gefunden ") + QString::number(gefunden));
                                 if ((dbe_GetLogical("ZUGRIFF") != 0) != da && !LogischSchreiben("ZUGRIFF", da))
                                     return TSchritt::Fehler;
                                 return TSchritt::Weiter;
                             }) != TLauf::Fehler;
        Dbe()->Go(gemerkt);
    }
    u_.FensterTitelSetzen(caption);
    busy.Verbergen();
    ansicht_.GridLayoutZuruecklesen();
    Tabelle()->Refresh();
    ansicht_.SatzAnzahlZeigen();
    Screen->SetCursor(crDefault);
    if (!geschrieben) {
        WartungsSchreibFehler(name);
        return;
    }
    if (u_.Optionen().CheckBoxBearbeitungszeitAnzeigen) {
        d_.Protokoll(QStringLiteral("Info"), name + QStringLiteral("(), Bearbeitungszeit = ") + ZeitMeldung());
        d_.Hinweis(QStringLiteral("Abschlußmeldung"), QStringLiteral("Bearbeitungszeit = ") + ZeitMeldung(), 100);
    }
    d_.Protokoll(QStringLiteral("Info"), name + QStringLiteral("(), Fertig !"));
}

void TBilderWartung::DateigroesseVomAktellenSatzCheckenClick(TObject* Sender)
{
    Ton(Sender);
    if (!album_.Offen())
        return;
    const QString pfad = Tabelle()->FieldByName(QStringLiteral("PFAD"))->AsString().trimmed();
    if (!FileExists(pfad)) {
        ShowMessage(QStringLiteral("Registrierte Datei NICHT gefunden!"));
        return;
    }
    const int64_t datei = qktFileSize(pfad);
    const int64_t gespeichert = int64_t(Tabelle()->FieldByName(QStringLiteral("BYTES"))->AsFloat());
    const QString zahlen = QStringLiteral(" (") + QString::number(datei) + QStringLiteral("/") +
                           QString::number(gespeichert) + QStringLiteral(")");
    ShowMessage(datei != gespeichert
                    ? QStringLiteral("Dateigröße unterscheidet sich durch registrierte Größe!") + zahlen
                    : QStringLiteral("Dateigröße unterscheidet sich NICHT durch registrierte Größe!") + zahlen);
}

// ---------------------------------------------------------------------------
// Removing missing pictures
// ---------------------------------------------------------------------------

void TBilderWartung::BilderDieNichtMehrVorhandenSindAustragen1Click(TObject* Sender)
{
    Ton(Sender);
    if (!album_.Offen())
        return;
    if (MessageDlg(QStringLiteral("Achtung, Sie sollten ggfs. vorher die Funktion \"Verschobene Bilder suchen und Pfad "
                                  "neu setzen\" ausführen und ggfs. das Fotoalbum vorher packen, fortfahren?"),
                   mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) != mrYes)
        return;
    TSperre sperre(*this);
    if (!sperre)
        return;
    const QString name = QStringLiteral("BilderDieNichtMehrVorhandenSindAustragen1Click");
    ansicht_.GridLayoutSichern();
    TBusyFenster busy(d_, u_.Optionen().CheckBoxBerabeitungsMeldung);
    StopUhr(QStringLiteral("START"));
    d_.Protokoll(QStringLiteral("Info"), name + QStringLiteral("(), Funktion gestartet !"));
    Screen->SetCursor(crHourGlass);
    uint32_t geloescht = 0, behalten = 0, ohneKennung = 0;
    QString medienFehler;
    bool geschrieben = true;
    {
        TControlsDisabler aus(Tabelle());
        Dbe()->PostIfEditing();
        const uint32_t gemerkt = Dbe()->RecNo();
        // Every entry is visited: the filter in force goes and stays gone.
        Dbe()->Query(QString());
        TDateiPruefer pruefer;
        Application->ProcessMessages();
        geschrieben =
            SaetzeAbarbeiten(busy, AlleSaetze(), name + QStringLiteral("(), ESC gedrückt, Funktion abgebrochen!"),
                             QStringLiteral("ESC gedrückt, Funktion abgebrochen!"), true, [&] {
                                 if (dbe_Deleted())
                                     return TSchritt::Weiter;
                                 const QString pfad = FeldText("PFAD");
                                 if (pfad.isEmpty() || pruefer.Da(pfad))
                                     return TSchritt::Weiter;
                                 // Pictures on CD-ROMs and removable drives are kept.
                                 const QString typ = LaufwerksTyp(pfad.left(1) + QStringLiteral(":\\"));
                                 if (typ == QLatin1String("CDROM") || typ == QLatin1String("DISK"))
                                     return TSchritt::Weiter;
                                 // Only the entry's own medium can tell that its picture is gone.
                                 const QString kennung = FeldText("LABELKENNU");
                                 const TMediumStand medium = MediumPruefen(pfad, kennung);
                                 if (medium == TMediumStand::OhneKennung) {
                                     ++ohneKennung;
                                     return TSchritt::Weiter;
                                 }
                                 if (medium != TMediumStand::Passt ||
                                     BildDateiPruefen(pfad).Zustand != TDateiZustand::Fehlt) {
                                     ++behalten;
                                     return TSchritt::Weiter;
                                 }
                                 // Asked once more right before the entry goes: a medium
                                 // pulled now ends the run.
                                 if (MediumPruefen(pfad, kennung) != TMediumStand::Passt) {
                                     ++behalten;
                                     medienFehler = MediumFehltText(pfad, FeldText("LABEL"), kennung);
                                     return TSchritt::Ende;
                                 }
                                 if (dbe_Delete() != 1)
                                     return TSchritt::Fehler;
                                 ++geloescht;
                                 Application->ProcessMessages();
                                 return TSchritt::Weiter;
                             }) != TLauf::Fehler;
        Dbe()->Go(gemerkt);
    }
    busy.Verbergen();
    ansicht_.GridLayoutZuruecklesen();
    Tabelle()->Refresh();
    ansicht_.SatzAnzahlZeigen();
    // No filter is in force any more.
    ansicht_.FilterZeigen(QStringLiteral("Kein Filter gesetzt"));
    Screen->SetCursor(crDefault);
    if (!geschrieben) {
        WartungsSchreibFehler(name);
        return;
    }
    if (!medienFehler.isEmpty()) {
        d_.Protokoll(QStringLiteral("Info"), name + QStringLiteral("(), abgebrochen: ") + medienFehler);
        ShowMessage(QStringLiteral("Funktion abgebrochen! ") + medienFehler);
    }
    QString text = QString::number(geloescht) + QStringLiteral(" Einträge gelöscht");
    if (behalten > 0)
        text += QStringLiteral(", ") + QString::number(behalten) +
                QStringLiteral(" Einträge behalten (Datenträger nicht im Zugriff)");
    if (ohneKennung > 0)
        text += QStringLiteral(", ") + QString::number(ohneKennung) +
                QStringLiteral(" Einträge ohne Datenträgerkennung behalten");
    if (u_.Optionen().CheckBoxBearbeitungszeitAnzeigen) {
        d_.Protokoll(QStringLiteral("Info"), name + QStringLiteral("(), Bearbeitungszeit = ") + ZeitMeldung());
        text += QStringLiteral(", Bearbeitungszeit = ") + ZeitMeldung();
    }
    d_.Hinweis(QStringLiteral("Abschlußmeldung"), text, 100);
    d_.Protokoll(QStringLiteral("Info"), name + QStringLiteral("(), Fertig !"));
}
