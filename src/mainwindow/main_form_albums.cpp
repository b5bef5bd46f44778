// Creating, checking and opening albums: the open album, its second view,
// the target album of copies, the guard of album commands and the change to
// another album.
#include "mainwindow/main_form.h"

#include "datagrid/dk_table.h"
#include "platform/core/file_utils.h"
#include "platform/core/win_path.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/dialogs.h"
#include "shared/app_exception.h"
#include "shared/general_files.h"
#include "shared/general_texts.h"
#include "shared/qk_ini.h"
#include "storage/dbf_routines.h"
#include "storage/grid_settings.h"
#include "storage/tdbe.h"
#include "storage/tdbe_env.h"

#include <QFileInfo>
#include <QImageReader>

namespace {

const QString kSektionBilder = QStringLiteral("Einstellungen Bilder");

}  // namespace

bool AlbumSchreibgeschuetzt(const QString& folder, const QString& name)
{
    const int attr = FileGetAttr(folder + name);
    if (attr != -1 && (attr & faReadOnly))
        return true;
    const std::optional<QString> dir = WinToLinux(folder);
    return dir && !QFileInfo(*dir).permission(QFileDevice::WriteOwner);
}

// ---------------------------------------------------------------------------
// Album record
// ---------------------------------------------------------------------------

int TMainForm::ErzeugeBilderDatenbank(const QString& Path, const QString& FileName)
{
    if (!VerzeichnisErzeugen(Path)) {
        ShowMessage(QStringLiteral("Verzeichnis(se) ") + Path + QStringLiteral(" konnte(n) nicht angelegt werden!"));
        return 0;
    }
    BereichBilder().Erzeugen(TAlbumDateien(Path, FileName), kAlbumFelder);
    return 0;
}

bool TMainForm::IstBildZielFormat(const QString& FileName, int Kantenlaenge)
{
    try {
        if (FileSizeOf(FileName) == 0) {
            Protokoll(QStringLiteral("Fehler"), QStringLiteral("IstBildZielFormat(), ") + FileName +
                                                    QStringLiteral(" hat NULL-Länge !"));
            return false;
        }
        const std::optional<QString> datei = WinToLinux(FileName);
        if (!datei)
            throw Exception(FileName);
        // A picture whose header cannot be read has no size: it is judged on
        // its own, never by the size of the picture looked at before it.
        QImageReader reader(*datei);
        const QSize groesse = reader.size();
        ZielBildBreite = groesse.isValid() ? groesse.width() : 0;
        ZielBildHoehe = groesse.isValid() ? groesse.height() : 0;
        if (!groesse.isValid())
            return false;
        return Kantenlaenge == groesse.width() || Kantenlaenge == groesse.height();
    } catch (const std::exception&) {
        Screen->SetCursor(crDefault);
        const QString text = QStringLiteral("Fehler beim Ermitteln der Bilderkantenlänge ! (") + FileName + ")";
        Protokoll(QStringLiteral("Fehler"), QStringLiteral("IstBildZielFormat(), ") + text);
        FehlerKontextSetzen();
        throw Exception(text);
    }
}

// ---------------------------------------------------------------------------
// Integrity check
// ---------------------------------------------------------------------------

int TMainForm::BilderDBFChecken()
{
    const int saetze = BereichCheck().AlbumPruefen(BereichBilder().Dateien(), &BereichBilder());
    return saetze >= 0 ? 1 : saetze == kAlbumBelegt ? kAlbumBelegt : 0;
}

int TMainForm::BilderDBFChecken2(const QString& Folder, const QString& FileName)
{
    return BereichCheck().AlbumPruefen(TAlbumDateien(Folder, FileName));
}

// ---------------------------------------------------------------------------
// Pick lists
// ---------------------------------------------------------------------------

void TMainForm::GridLayoutSichern()
{
    if (!anzeige_.GridLayoutMerker)
        return;
    try {
        GridSettingsSpeichern(QKINI_Prog, QStringLiteral("BilderFieldPosition"), QStringLiteral("BilderFieldWidth"),
                              TableBilder);
    } catch (const std::exception&) {
        ShowMessage(QStringLiteral("Fehler beim Speichern der BilderGridsettings!"));
    }
    anzeige_.GridLayoutMerker = false;
}

void TMainForm::GridLayoutZuruecklesen()
{
    try {
        GridSettingsLesen(QKINI_Prog, QStringLiteral("BilderFieldPosition"), QStringLiteral("BilderFieldWidth"),
                          TableBilder);
    } catch (const std::exception&) {
        ShowMessage(QStringLiteral("Fehler beim Lesen der BilderGridsettings!"));
    }
}

void TMainForm::PicklistenNeuLesen()
{
    optionen_->ReadPlayListFromMemo(BereichBilder().Dateien().Gpr());
    optionen_->ReadQuellenFromMemo(BereichBilder().Dateien().Qul());
}

void TMainForm::PicklistenUebernehmen(bool nurWennKeinCD)
{
    const bool beschreibbar = !nurWennKeinCD || LaufwerksTyp(BereichBilder().Ordner().left(1) +
                                                             QStringLiteral(":\\")) != QLatin1String("CDROM");
    struct {
        QString datei;
        TStringList& liste;
        const char* frage;
    } const listen[] = {
        {BereichBilder().Dateien().Gpr(), optionen_->MemoGruppenListe,
         "Gruppendefinition von letzten Fotoalbum übernehmen?"},
        {BereichBilder().Dateien().Qul(), optionen_->MemoQuellenListe,
         "Quellendefinition von letzten Fotoalbum übernehmen?"},
    };
    for (const auto& l : listen) {
        if (FileExists(l.datei) || l.liste.Count() <= 1)
            continue;
        if (MessageDlg(QString::fromUtf8(l.frage), mtInformation, TMsgDlgButtons{mbYes, mbNo}) == mrYes &&
            beschreibbar)
            l.liste.SaveToFile(l.datei);
    }
}

// ---------------------------------------------------------------------------
// Opening the album
// ---------------------------------------------------------------------------

int TMainForm::BilderDBFOeffnen() { return BilderDBFOeffnenLauf(true, true); }

int TMainForm::BilderDBFOeffnenLauf(bool wiederholen, bool picklistenFragen)
{
    GridLayoutSichern();

    bool neuErzeugt = false;
    if (!FileExists(BereichBilder().Dateien().Dbf())) {
        if (BereichBilder().Name().toUpper() != kStandardAlbum) {
            if (BilderDBFsOeffnen() == 0)
                return 0;
            if (TableBilderDatenbanken->Active() && DbeBilderDatenbanken->RecCount() >= 2) {
                AndereBilderdatenbankoeffnen1Click(nullptr);
                PicklistenNeuLesen();
                return 1;
            }
        }
        if (MessageDlg(QStringLiteral("Fotoalbum (") + BereichBilder().Dateien().Dbf() +
                           QStringLiteral(") nicht gefunden, jetzt erstellen ?"),
                       mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) != mrYes) {
            AndereBilderdatenbankoeffnen1Click(nullptr);
            PicklistenNeuLesen();
            return 1;
        }
        PicklistenUebernehmen(false);
        PicklistenNeuLesen();
        ErzeugeBilderDatenbank(BereichBilder().Ordner(), BereichBilder().Name());
        neuErzeugt = true;
    }

    const int geprueft = BilderDBFChecken();
    if (geprueft == kAlbumBelegt)
        return 0;  // the check told the user; nothing was touched
    if (geprueft == 0) {
        ShowMessage(QStringLiteral("Ungültiges Fotoalbum (Bilderdatenbank)!"));
        return 0;
    }
    int gemerkteOrder = 0;
    if (TableBilder->Active())
        gemerkteOrder = DbeBilder->SetOrder(0);
    // A new album asked for its pick lists already, and so did the run
    // before a rebuild.
    if (!neuErzeugt && picklistenFragen)
        PicklistenUebernehmen(true);
    PicklistenNeuLesen();

    QString belegt;
    const auto oeffnen = [this, &belegt] {
        TableBilder->SetIndexName(QString());
        try {
            return BereichBilder().Oeffnen(BereichBilder().Dateien(), false, &belegt, BereichBilder().NurLesen());
        } catch (const std::exception&) {
            FehlerKontextSetzen();
            throw Exception(TArbeitsbereich::kFehlerOeffnenDefekt);
        }
    };
    bool offen = oeffnen();
    if (!offen && belegt.isEmpty() && !BereichBilder().NurLesen() && FileExists(BereichBilder().Dateien().Cdx())) {
        // An index that keeps the table from opening is set aside and built
        // anew below: it holds nothing the table does not. Only an open that
        // failed on an unreadable file gets here, never one that found the
        // album busy, and the file is moved only while no other program can
        // use it.
        if (BereichBilder().IndexBeiseiteLegen(BereichCheck(), belegt))
            offen = oeffnen();
    }
    if (!offen && !belegt.isEmpty()) {
        // Another program uses the album: its files stay as they are.
        Screen->SetCursor(crDefault);
        ShowMessage(belegt);
        return 0;
    }
    if (!offen) {
        ShowMessage(QStringLiteral("Irgendwas ist beim Öffnen des Fotoalbums (") + BereichBilder().Dateien().Dbf() +
                    QStringLiteral(") schief gegangen! Öffnen Sie nur originale Lumadex-Datenbanken!"));
        return 0;
    }
    SortiertabelleSetzen();

    StatusBarBilder2->Panels()->Items(0)->SetText(BereichBilder().Dateien().Dbf());

    // The index is derived data: a missing, unreadable (the engine set it
    // aside) or incomplete .CDX is built anew. One rebuild per opening: when
    // the index still cannot be made, the album stays open without it.
    const bool cdxFehlt = !FileExists(BereichBilder().Dateien().Cdx());
    if (cdxFehlt || !BereichBilder().HatAlleTags(kAlbumTags)) {
        if (!wiederholen || BereichBilder().NurLesen()) {
            ShowMessage(QStringLiteral("Die Indexdatei ") + BereichBilder().Dateien().Cdx() +
                        QStringLiteral(" konnte nicht aufgebaut werden, das Fotoalbum wird ohne Index geöffnet!"));
        } else {
            TControlsDisabler aus(TableBilder);
            QString inBenutzung;
            try {
                BereichBilder().IndexNeuAufbauen(kAlbumTags, &inBenutzung);
            } catch (const std::exception&) {
                FehlerKontextSetzen();
                throw Exception(TArbeitsbereich::kFehlerOeffnenDefekt);
            }
            // Another program uses the album (the user was told): it opens
            // with the index as it is, to be completed when it is free.
            if (!inBenutzung.isEmpty() && !TableBilder->Active())
                return 0;
            if (inBenutzung.isEmpty()) {
                // The rerun restores the saved order, not the last tag built.
                if (TableBilder->Active())
                    DbeBilder->SetOrder(0);
                const int ergebnis = BilderDBFOeffnenLauf(false, false);
                Screen->SetCursor(crDefault);
                return ergebnis;
            }
        }
    }

    if (TableBilder->Active()) {
        DbeBilder->SetOrder(gemerkteOrder == 0 ? BereichBilder().Sortierung() : gemerkteOrder);
        TableBilder->Refresh();
        BereichBilder().SortierungSetzen(DbeBilder->IndexOrd());
        // The status names the order the rows now stand in.
        const QString tag = DbeBilder->TagName(BereichBilder().Sortierung());
        StatusBarBilder1->Panels()->Items(3)->SetText(BereichBilder().Sortierung() > 0 && !tag.isEmpty()
                                                          ? QStringLiteral("Sortierung=") + tag
                                                          : QStringLiteral("Unsortiert"));
    }
    BilderIndexDaten();
    FilterZustandNachAlbumwechsel();
    DbeEnv1->SetSoftSeek(false);
    DbeEnv1->SetExact(true);
    DbeEnv1->SetLockTimeout(5);
    GridLayoutZuruecklesen();

    if (BilderDBFsOeffnen() != 0 && TableBilderDatenbanken->Active() &&
        !QKINI_Prog->INIReadBool(QStringLiteral("Einstellungen Hauptprogramm"), QStringLiteral("ErstStart"), true) &&
        DatensatzSuchen(DbeBilderDatenbanken, QStringLiteral("PFAD"), BereichBilder().Dateien().Dbf()) == 0) {
        if (AlbumManager())
            AlbumManager()->GeoeffneteDBFinDBFVerwaltungEintragen(1);
        else
            BilderDBFinDBFVerwaltungEintragen(BereichBilder().Dateien().Dbf(), 1, 0);
    }

    ZeigeVorschauBildAusBlob();
    BilderSatzAnzahlZeigen();
    FeldfarbenSetzen();
    if (!ErsteCaption.isEmpty())
        SetCaption(ErsteCaption + QStringLiteral(" (") + TableBilder->TableName() + QStringLiteral(")"));
    return 1;
}

int TMainForm::Bilder2DBFOeffnen()
{
    bool offen = false;
    QString belegt;
    try {
        offen = BereichBilder2().Oeffnen(BereichBilder().Dateien(), false, &belegt, BereichBilder().NurLesen());
    } catch (const std::exception&) {
        FehlerKontextSetzen();
        throw Exception(TArbeitsbereich::kFehlerOeffnen);
    }
    if (!offen && !belegt.isEmpty()) {
        ShowMessage(belegt);
        return 0;
    }
    if (!offen) {
        ShowMessage(QStringLiteral("Irgendwas ist beim Öffnen des Fotoalbums schief gegangen! Öffnen Sie nur "
                                   "originale Lumadex-Datenbanken!"));
        return 0;
    }
    return 1;
}

void TMainForm::Bilder3DBFOeffnen() { Bilder3DBFOeffnenLauf(true); }

void TMainForm::Bilder3DBFOeffnenLauf(bool wiederholen)
{
    if (BereichBilder3().Ordner().trimmed().isEmpty() && BereichBilder3().Name().trimmed().isEmpty()) {
        Protokoll(QStringLiteral("Info"),
                  QStringLiteral("TMainForm.Bilder3DBFOeffnen, übergebene Dateiname und Pfad sind beide leer !"));
        Screen->SetCursor(crDefault);
        ShowMessage(QStringLiteral("Fataler Fehler, der übergebene Dateiname und Pfad sind beide leer, überprüfen Sie "
                                   "ggfs. die Fotoalben !"));
        throw EAbort(QString());
    }
    if (!FileExists(BereichBilder3().Dateien().Dbf())) {
        if (MessageDlg(BereichBilder3().Dateien().Dbf() + QStringLiteral(" nicht gefunden, jetzt erstellen ?"),
                       mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) != mrYes)
            return;
        ErzeugeBilderDatenbank(BereichBilder3().Ordner(), BereichBilder3().Name());
    }
    int gemerkteOrder = 0;
    if (TableBilder3->Active())
        gemerkteOrder = DbeBilder3->SetOrder(0);
    TableBilder3->SetIndexName(QString());
    QString belegt;
    if (!BereichBilder3().OeffnenOderFehler(BereichBilder3().Dateien(), false, TArbeitsbereich::kFehlerOeffnen,
                                            &belegt)) {
        ShowMessage(!belegt.isEmpty() ? belegt
                                      : QStringLiteral("Irgendwas ist beim Öffnen des Fotoalbums (3. Arbeitsbereich) "
                                                       "schief gegangen! Öffnen Sie nur originale "
                                                       "Lumadex-Datenbanken!"));
        return;
    }
    SortiertabelleSetzen();

    // A write-protected target (an album on a CD) is used without index:
    // nothing could be built there.
    if (!FileExists(BereichBilder3().Dateien().Cdx()) &&
        !AlbumSchreibgeschuetzt(BereichBilder3().Ordner(), BereichBilder3().Name())) {
        if (!wiederholen) {
            ShowMessage(QStringLiteral("Die Indexdatei ") + BereichBilder3().Dateien().Cdx() +
                        QStringLiteral(" konnte nicht aufgebaut werden, das Fotoalbum wird ohne Index geöffnet!"));
        } else {
            TControlsDisabler aus(TableBilder3);
            QString inBenutzung;
            BereichBilder3().IndexNeuAufbauen(kZielAlbumTags, &inBenutzung);
            // Another program uses the target (the user was told): nothing
            // was built, and the album stays as it is.
            if (!inBenutzung.isEmpty()) {
                Screen->SetCursor(crDefault);
                return;
            }
            if (optionen_->CheckBoxAlleMeldungen)
                Hinweis(QStringLiteral("Abschlußmeldung"), QStringLiteral("Bilder-Indexdatei neu aufgebaut !"), 100);
            Bilder3DBFOeffnenLauf(false);
            Screen->SetCursor(crDefault);
            return;
        }
    }
    if (gemerkteOrder == 0 && TableBilder3->Active()) {
        DbeBilder3->SetOrder(BereichBilder3().Sortierung());
    } else {
        DbeBilder3->SetOrder(gemerkteOrder);
        BereichBilder3().SortierungSetzen(gemerkteOrder);
    }
    if (TableBilder3->Active())
        TableBilder3->Refresh();
}

int TMainForm::BilderDBFOffen()
{
    if (TableBilder->Active())
        return 1;
    Hinweis(QStringLiteral("Hinweis"), QStringLiteral("Es ist kein Fotoalbum geöffnet !"), 130);
    StatusBarBilder1->Panels()->Items(1)->SetText(QStringLiteral("0 von 0 Einträge angezeigt"));
    StatusBarBilder2->Panels()->Items(0)->SetText(QString());
    return 0;
}

void TMainForm::AndereBilderdatenbankoeffnen1Click(TObject* Sender)
{
    GridLayoutSichern();
    Protokoll(QStringLiteral("Info"), QStringLiteral("AndereBilderdatenbankoeffnen1Click(), Funktion aufgerufen!"));
    if (BilderDBFsOeffnen() == 0)
        return;
    if (auto* component = dynamic_cast<TComponent*>(Sender))
        PrgWavSpielen(component->Tag);
    const QString vorher = TableBilder->DatabaseName() + TableBilder->TableName();
    if (AlbumManager())
        AlbumManager()->Zeigen();
    if (!TableBilder->Active()) {
        if (!ErsteCaption.isEmpty())
            SetCaption(ErsteCaption);
        BildLaden(ImageWindow2, lauf_.ProgrammPfad + QStringLiteral("Logo.jpg"));
        Hinweis(QStringLiteral("Hinweis"), QStringLiteral("Es ist kein Fotoalbum geöffnet !"), 130);
        StatusBarBilder1->Panels()->Items(1)->SetText(QStringLiteral("0 von 0 Einträge angezeigt"));
        StatusBarBilder2->Panels()->Items(0)->SetText(QString());
        return;
    }
    if (TableBilder->DatabaseName() + TableBilder->TableName() != vorher) {
        PanelBilderGrid->SetVisible(false);
        PageControlBilderdaten->SetVisible(false);
        GridLayoutZuruecklesen();
        PanelVorschaubild1->Tag = 0;
        AlbumAnsichtenNachWechsel();
        PanelBilderGrid->SetVisible(true);
        PageControlBilderdaten->SetVisible(
            QKINI_Prog->INIReadBool(QStringLiteral("Einstellungen Bilder"), QStringLiteral("EinzelsatzAnzeige"), true));
    }
}
