// Album maintenance: deleting every entry, recalling the deleted ones,
// packing the album (with the short-name repair before it), the delete
// operation with its four modes, and the short names themselves.
#include "mainwindow/main_form_maintenance.h"

#include "datagrid/dk_table.h"
#include "mainwindow/album_record.h"
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

bool TMainForm::SetzeShortName()
{
    PanelBilderGrid->SetVisible(false);
    PageControlBilderdaten->SetVisible(false);
    StopUhr(QStringLiteral("START"));
    Protokoll(QStringLiteral("Info"), QStringLiteral("SetzeShortName, procedure gestartet !"));
    PageControlBilder->SetActivePage(TabSheetBilderDatenbank);
    Screen->SetCursor(crHourGlass);
    uint32_t anzahl = 0;
    bool geschrieben = true;
    {
        TControlsDisabler aus(TableBilder);
        DbeBilder->PostIfEditing();
        const uint32_t gemerkt = DbeBilder->RecNo();
        {
            // By record number: the walk never follows the order whose key
            // it rewrites.
            TAlbumBereich bereich(TableBilder);
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
        DbeBilder->Go(gemerkt);
    }
    Screen->SetCursor(crDefault);
    PanelBilderGrid->SetVisible(true);
    if (!geschrieben) {
        WartungsSchreibFehler(QStringLiteral("SetzeShortName"));
    } else {
        ShortNamenFlag = false;
        if (optionen_->CheckBoxBearbeitungszeitAnzeigen)
            Protokoll(QStringLiteral("Info"), QStringLiteral("SetzeShortName, Bearbeitungszeit/Anzahl = ") +
                                                  ZeitMeldung() + QStringLiteral("/") + QString::number(anzahl));
        else
            Protokoll(QStringLiteral("Info"), QStringLiteral("SetzeShortName, Fertig !"));
    }
    PageControlBilderdaten->SetVisible(EinzelsatzAnzeige);
    return geschrieben;
}

// Runs `fn` on the album's work area in the order of the tag "ShortName",
// then gives the order and the current entry back.
template <typename Fn>
static void InKurzNamenOrdnung(TMainForm& f, Fn fn)
{
    const uint32_t gemerkt = f.DbeBilder->RecNo();
    {
        TAlbumBereich bereich(f.TableBilder);
        const int tag = dbe_TagArea("SHORTNAME");
        const int vorher = dbe_SetOrder(tag);
        dbe_GoTop();
        fn(tag != 0);
        dbe_SetOrder(vorher);
    }
    f.DbeBilder->Go(gemerkt);
}

void TMainForm::ShortNamenVorhanden()
{
    InKurzNamenOrdnung(*this, [this](bool) {
        if (!dbe_Eof() && EngineString("SHORTNAME").trimmed().length() < 6)
            ShortNamenFlag = true;
    });
}

void TMainForm::GueltigerShortNamenVorhanden()
{
    if (ShortNamenFlag)
        return;
    InKurzNamenOrdnung(*this, [this](bool) {
        for (int i = 0; i < 11 && !dbe_Eof(); ++i) {
            if (KurzName(EngineString("PFAD")).trimmed() != EngineString("SHORTNAME").trimmed()) {
                ShortNamenFlag = true;
                return;
            }
            dbe_Skip(1);
        }
    });
}

void TMainForm::EntferneLeerSatz()
{
    InKurzNamenOrdnung(*this, [](bool) {
        if (!dbe_Eof() && EngineString("PFAD").trimmed().isEmpty())
            dbe_Delete();
    });
}

// Closes the album's three views with no index file and no tag named, so
// the album opens again without its compound index.
static void AlbumTabellenSchliessen(TMainForm& f)
{
    for (TdkTable* t : {f.TableBilder, f.TableBilder2, f.TableBilder3}) {
        t->IndexFiles.clear();
        t->SetIndexName(QString());
        t->Close();
    }
}

// ---------------------------------------------------------------------------
// Delete all, recall all
// ---------------------------------------------------------------------------

// Closes the full-text index and removes its file; reports a file that stays.
static void VolltextDateiEntfernen(TMainForm& f, const QString& handler, const std::function<void()>& vorMeldung)
{
    f.FtsBilder->Close();
    f.BereichBilder().FtsPuffer().clear();
    const QString ia = f.BereichBilder().Dateien().Ia();
    if (FileExists(ia) && !DeleteFile(ia)) {
        const QString text = QStringLiteral("Volltextdatei ") + ia + QStringLiteral(" konnte nicht gelöscht werden!");
        f.WartungsProtokoll(handler + QStringLiteral("(), ") + text);
        if (vorMeldung)
            vorMeldung();
        ShowMessage(text);
    }
}

void TMainForm::AlleBilderSaetzeLoeschen1Click(TObject* Sender)
{
    Ton(Sender);
    if (!BilderDBFOffen())
        return;
    if (DbeBilder->RecCount() == 0) {
        ShowMessage(QStringLiteral("Es sind keine Einträge zum Löschen in dem Fotoalbum vorhanden!"));
        return;
    }
    if (MessageDlg(QStringLiteral("Wollen Sie wirklich alle Einträge (nur Datensätze, nicht die Bilderdateien, aber "
                                  "ohne Rückholmöglichkeit) löschen ?"),
                   mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) != mrYes)
        return;
    TWartungsSperre sperre(*this);
    if (!sperre)
        return;
    GridLayoutSichern();
    Protokoll(QStringLiteral("Info"), QStringLiteral("AlleBilderSaetzeLoeschen1Click(), Funktion gestartet !"));
    TBusyFenster busy(*this, optionen_->CheckBoxBerabeitungsMeldung);
    VolltextDateiEntfernen(*this, QStringLiteral("AlleBilderSaetzeLoeschen1Click"), [&] { busy.Verbergen(); });
    AlbumTabellenSchliessen(*this);
    const QString datei = BereichBilder().Dateien().Dbf();
    if (!BereichBilder().Oeffnen(true)) {
        Screen->SetCursor(crDefault);
        const QString text = QStringLiteral("Fehler beim exclusiven Öffnen der ") + datei + QStringLiteral(" !");
        Protokoll(QStringLiteral("Info"), QStringLiteral("AlleBilderSaetzeLoeschen1Click(), ") + text);
        busy.Verbergen();
        ShowMessage(text);
        return;
    }
    const bool geleert = DbeBilder->Zap();
    const QString fehler = geleert ? QString() : QString::fromLocal8Bit(dbe_LastError());
    TableBilder->Close();
    if (!BereichBilder().Oeffnen(false)) {
        Screen->SetCursor(crDefault);
        const QString text = QStringLiteral("Fehler beim normalen (shareable) Öffnen der") + datei + QStringLiteral(" !");
        Protokoll(QStringLiteral("Info"), QStringLiteral("AlleBilderSaetzeLoeschen1Click(), ") + text);
        busy.Verbergen();
        ShowMessage(text);
    }
    if (TableBilder->Active()) {
        TableBilder->Refresh();
        ZeigeVorschauBildAusBlob();
        BilderSatzAnzahlZeigen();
        Application->ProcessMessages();
        Bilder2DBFOeffnen();
        OeffneBilderFTS();
    }
    busy.Verbergen();
    if (!geleert) {
        const QString text = QStringLiteral("Fehler beim Löschen aller Einträge, das Fotoalbum ist unverändert! ") + fehler;
        Protokoll(QStringLiteral("Fehler"), QStringLiteral("AlleBilderSaetzeLoeschen1Click(), ") + text);
        ShowMessage(text);
        return;
    }
    Protokoll(QStringLiteral("Info"), QStringLiteral("AlleBilderSaetzeLoeschen1Click(), Es wurden alle Datensätze gelöscht !"));
    if (optionen_->CheckBoxAlleMeldungen)
        Hinweis(QStringLiteral("Abschlußmeldung"), QStringLiteral("Es wurden alle Einträge gelöscht !"), 100);
}

void TMainForm::AlleBilderSaetzeZurueckholen1Click(TObject* Sender)
{
    if (!BilderDBFOffen())
        return;
    if (MessageDlg(QStringLiteral("Wollen Sie wirklich alle gelöschten Einträge wieder sichtbar machen (zurückholen) ?"),
                   mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) != mrYes)
        return;
    TWartungsSperre sperre(*this);
    if (!sperre)
        return;
    GridLayoutSichern();
    TBusyFenster busy(*this, optionen_->CheckBoxBerabeitungsMeldung);
    StopUhr(QStringLiteral("START"));
    Ton(Sender);
    const QString name = QStringLiteral("AlleBilderSaetzeZurueckholen1Click");
    Protokoll(QStringLiteral("Info"), name + QStringLiteral("(), Funktion gestartet !"));
    PageControlBilder->SetActivePage(TabSheetBilderDatenbank);
    Screen->SetCursor(crHourGlass);
    bool geschrieben = true;
    {
        TControlsDisabler aus(TableBilder);
        DbeBilder->PostIfEditing();
        // Every filter goes: the recall reaches every deleted entry.
        DbeBilder->Query(QString());
        DbeBilder->SetScope(QString(), QString());
        const int vorher = DbeBilder->SetOrder(0);
        geschrieben = SaetzeAbarbeiten(*this, busy, AlleSaetze(*this),
                                       name + QStringLiteral("(), ESC gedrückt, Funktion abgebrochen!"),
                                       QStringLiteral("ESC gedrückt, Funktion abgebrochen!"), true, [] {
                                           Application->ProcessMessages();
                                           return dbe_Deleted() && dbe_Recall() != 1 ? TSchritt::Fehler
                                                                                     : TSchritt::Weiter;
                                       }) != TLauf::Fehler;
        BilderGaugePanel->SetVisible(false);
        DbeBilder->SetOrder(vorher);
        DbeBilder->GoTop();
        busy.Verbergen();
        TableBilder->Refresh();
    }
    GridLayoutZurueck(*this);
    BilderSatzAnzahlZeigen();
    Screen->SetCursor(crDefault);
    if (!geschrieben) {
        WartungsSchreibFehler(name);
        return;
    }
    WartungsAbschluss(name);
    ZeigeVorschauBildAusBlob();
}

// ---------------------------------------------------------------------------
// Pack
// ---------------------------------------------------------------------------

void TMainForm::BilderDBFpacken1Click(TObject* Sender)
{
    if (!BilderDBFOffen())
        return;
    if (Einstellungen.Bool("Sicherheitsabfragen") &&
        MessageDlg(QStringLiteral(" Fotoalbum wirklich packen? Gelöschte Einträge sind unwiederruflich verloren und "
                                  "Volltextdatenbank muß neu aufgebaut werden... "),
                   mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) != mrYes)
        return;
    TWartungsSperre sperre(*this);
    if (!sperre)
        return;
    const QString name = QStringLiteral("BilderDBFpacken1Click");
    GridLayoutSichern();
    PanelBilderGrid->SetVisible(false);
    PageControlBilderdaten->SetVisible(false);
    TBusyFenster busy(*this, optionen_->CheckBoxBerabeitungsMeldung);
    StopUhr(QStringLiteral("START"));
    Ton(Sender);
    Protokoll(QStringLiteral("Info"), name + QStringLiteral("(), Funktion gestartet !"));
    PageControlBilder->SetActivePage(TabSheetBilderDatenbank);

    DbeBilder->PostIfEditing();
    EntferneLeerSatz();
    ShortNamenVorhanden();
    GueltigerShortNamenVorhanden();
    VolltextDateiEntfernen(*this, name, nullptr);
    busy.Verbergen();
    Screen->SetCursor(crHourGlass);
    Application->ProcessMessages();
    AlbumTabellenSchliessen(*this);
    // The compound index stays: the pack rebuilds every tag of it from the
    // records it keeps, and an index that is damaged or lacks tags is built
    // anew by the open afterwards.
    const QString datei = BereichBilder().Dateien().Dbf();
    bool gepackt = false;
    bool kurzNamenOk = true;
    QString fehler;
    if (!BereichBilder().Oeffnen(true)) {
        Screen->SetCursor(crDefault);
        ShowMessage(QStringLiteral("Fehler beim exclusiven Öffnen der ") + datei + QStringLiteral(" !"));
        fehler = QString::fromLocal8Bit(dbe_LastError());
    } else {
        {
            TControlsDisabler aus(TableBilder);
            // Short names that could not be written stop the command before
            // the pack: the album stays as it was, with the failure told.
            kurzNamenOk = !ShortNamenFlag || SetzeShortName();
        }
        if (kurzNamenOk) {
            TControlsDisabler aus(TableBilder);
            Application->ProcessMessages();
            BilderIndexDaten();
            StatusSchritte = static_cast<uint16_t>(BereichBilder().Tags().Count() + 1);
            std::unique_ptr<TStatus4Frm> status(new TStatus4Frm(Application));
            status->Label1->SetCaption(QStringLiteral("Fotoalbum wird gepackt, bitte warten...."));
            status->Show();
            status->Panel2->SetVisible(true);
            DbeBilder->SetGaugeHook([w = status.get()](uint32_t done, uint32_t total) { TStatus4Frm::GaugeHook(w, done, total); });
            gepackt = DbeBilder->Pack();
            if (!gepackt)
                fehler = QString::fromLocal8Bit(dbe_LastError());
            DbeBilder->SetGaugeHook(nullptr);
        }
        TableBilder->Close();
    }
    if (!BereichBilder().Oeffnen(false)) {
        Screen->SetCursor(crDefault);
        ShowMessage(QStringLiteral("Fehler beim normalen (shareable) Öffnen der") + datei + QStringLiteral(" !"));
    }
    BilderSatzAnzahlZeigen();
    Application->ProcessMessages();
    // The compound index and the full-text index are built anew from the
    // records that stayed.
    BilderDBFOeffnen();
    Bilder2DBFOeffnen();
    OeffneBilderFTS();
    GridLayoutZurueck(*this);
    Screen->SetCursor(crDefault);
    PanelBilderGrid->SetVisible(true);
    PageControlBilderdaten->SetVisible(EinzelsatzAnzeige);
    if (!kurzNamenOk)
        return;
    if (!gepackt) {
        const QString text = QStringLiteral("Fehler beim Packen, das Fotoalbum ist nicht gepackt worden! ") + fehler;
        Protokoll(QStringLiteral("Fehler"), name + QStringLiteral("(), ") + text);
        ShowMessage(text);
        return;
    }
    WartungsAbschluss(name);
}

// ---------------------------------------------------------------------------
// Delete with a mode
// ---------------------------------------------------------------------------

void TMainForm::BilderSatzLoeschen(int Modus)
{
    if (!TableBilder->Active() || Modus < 1 || Modus > 4)
        return;
    if (Einstellungen.Bool("Sicherheitsabfragen") &&
        MessageDlg(QStringLiteral(" Eintrag/Einträge wirklich löschen ?"), mtConfirmation,
                   TMsgDlgButtons{mbYes, mbNo}) != mrYes)
        return;
    bool geschrieben = true;
    {
        TWartungsSperre sperre(*this);
        if (!sperre)
            return;
        Screen->SetCursor(crHourGlass);
        TControlsDisabler aus(TableBilder);
        DbeBilder->PostIfEditing();
        const QString filterVorher = DbeBilder->DBFilter();
        std::vector<uint32_t> saetze;
        if (Modus == 4) {
            saetze.push_back(DbeBilder->RecNo());
        } else {
            if (Modus == 2)
                DbeBilder->Query(QStringLiteral("MARKIERT"));
            TAlbumBereich bereich(TableBilder);
            if (Modus == 1)
                dbe_Query("");
            const int vorher = dbe_SetOrder(0);
            for (dbe_GoTop(); !dbe_Eof(); dbe_Skip(1))
                saetze.push_back(dbe_RecNo());
            dbe_SetOrder(vorher);
        }
        const QString caption = Caption().left(100);
        {
            TAlbumBereich bereich(TableBilder);
            int zaehler = 0;
            for (const uint32_t n : saetze) {
                ++zaehler;
                if (Modus == 3)
                    SetCaption(QStringLiteral("Lösche Satz ") + QString::number(zaehler) + QStringLiteral(" von ") +
                               QString::number(saetze.size()));
                AktualisiereBilderGauge(int(saetze.size()), zaehler);
                dbe_Go(n);
                if (dbe_Delete() != 1) {
                    geschrieben = WartungsFehlerMerken();
                    break;
                }
            }
            if (geschrieben && dbe_Commit() != 1)
                geschrieben = WartungsFehlerMerken();
        }
        SetCaption(caption);
        BilderGaugePanel->SetVisible(false);
        // Modes 2 and 3 end without a filter; mode 1 keeps the one in force.
        DbeBilder->Query(Modus == 1 ? filterVorher : (Modus == 4 ? filterVorher : QString()));
        DbeBilder->GoTop();
        TableBilder->Refresh();
    }
    Screen->SetCursor(crDefault);
    if (!geschrieben) {
        WartungsSchreibFehler(QStringLiteral("BilderSatzLoeschen"));
        return;
    }
    if (Einstellungen.Bool("Sicherheitsabfragen") &&
        MessageDlg(QStringLiteral(" Fotoalbum jetzt packen (anschließend kein undelete mehr möglich) ?"),
                   mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) == mrYes) {
        WartungAktiv = false;
        BilderDBFpacken1Click(nullptr);
    }
    BilderSatzAnzahlZeigen();
    GridLayoutZurueck(*this);
}
