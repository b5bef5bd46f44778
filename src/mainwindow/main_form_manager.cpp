// The album manager table LXMan.DBF: creation, opening with its index,
// registration of albums with their statistics and deletion of rows.
#include "mainwindow/main_form.h"

#include "datagrid/dk_table.h"
#include "platform/core/file_utils.h"
#include "platform/core/win_path.h"
#include "platform/data/field.h"
#include "platform/ui/dialogs.h"
#include "shared/app_exception.h"
#include "shared/general_files.h"
#include "shared/general_texts.h"
#include "shared/qk_ini.h"
#include "shared/utility_files.h"
#include "storage/dbf_routines.h"
#include "storage/tdbe.h"
#include "storage/tfts.h"

#include <cmath>

namespace {

const QString kDatentraeger = QStringLiteral("Datentraegerkennungen");

// The nine fields the manager grid shows read-only; registration writes them.
const char* const kGeschuetzteFelder[] = {"PFAD",    "LABEL",   "LABELKENNU", "BYTESDBF", "BYTESFPT",
                                          "BYTESCDX", "BYTESIA", "BYTESSUM",   "SAETZE"};

void FelderSchuetzen(TDataSet* table, bool schuetzen)
{
    for (const char* name : kGeschuetzteFelder)
        if (TField* f = table->FindField(QString::fromLatin1(name)))
            f->SetReadOnly(schuetzen);
}

}  // namespace

int TMainForm::ErzeugeBilderDatenbankenVerwaltung(const QString& Path, const QString& FileName)
{
    BereichDatenbanken().Erzeugen(TAlbumDateien(Path, FileName), kManagerFelder);
    return 0;
}

int TMainForm::BilderDBFsOeffnen()
{
    TControlsDisabler aus(TableBilderDatenbanken);
    TableBilderDatenbanken->SetIndexName(QString());
    const QString ordner = optionen_->EditDatenbankenVerzeichnis;
    if (!FileExists(ordner + BereichDatenbanken().Name())) {
        if (MessageDlg(QStringLiteral("Datenbank für Fotoalben-Manager (") + ordner + BereichDatenbanken().Name() +
                           QStringLiteral(") nicht gefunden, jetzt erstellen ?"),
                       mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) == mrYes) {
            Protokoll(QStringLiteral("Info"),
                      QStringLiteral("BilderDBFsOeffnen(), erzeuge jetzt neue BilderManagerdatenbank"));
            ErzeugeBilderDatenbankenVerwaltung(ordner, BereichDatenbanken().Name());
        } else {
            if (MessageDlg(QStringLiteral("Datenbank wo anders suchen ?"), mtConfirmation,
                           TMsgDlgButtons{mbYes, mbNo}) != mrYes)
                return 0;
            OpenDialog3->InitialDir = ordner;
            OpenDialog3->FileName = BereichDatenbanken().Name();
            // A cancelled choice ends here instead of asking again and again.
            if (!OpenDialog3->Execute())
                return 0;
            optionen_->EditDatenbankenVerzeichnis = IncludeTrailingBackslash(ExtractFilePath(OpenDialog3->FileName));
            return BilderDBFsOeffnen();
        }
    }
    const TAlbumDateien manager(ordner, BereichDatenbanken().Name());
    if (!BereichDatenbanken().OeffnenOderFehler(manager, false, TArbeitsbereich::kFehlerOeffnen)) {
        ShowMessage(QStringLiteral("Irgendwas ist beim Öffnen der Datenbank schief gegangen! Öffnen Sie nur "
                                   "originale Lumadex-Datenbanken!"));
        return 0;
    }
    if (!FileExists(manager.Cdx())) {
        Screen->SetCursor(crHourGlass);
        TableBilderDatenbanken->Close();
        if (!BereichDatenbanken().Oeffnen(manager, true)) {
            Screen->SetCursor(crDefault);
            ShowMessage(QStringLiteral("Fehler beim Öffnen der ") + ordner + BereichDatenbanken().Name());
        }
        if (TableBilderDatenbanken->Active())
            BereichDatenbanken().TagsErzeugen(kManagerTags, 3,
                                              QStringLiteral("Datenbankverwaltung wird indiziert, bitte warten...."));
        TableBilderDatenbanken->Close();
        if (optionen_->CheckBoxAlleMeldungen)
            Hinweis(QStringLiteral("Abschlußmeldung"), QStringLiteral("Datenbanken-Indexdatei neu aufgebaut !"), 100);
        if (!BereichDatenbanken().Oeffnen(manager, false)) {
            Screen->SetCursor(crDefault);
            ShowMessage(QStringLiteral("Fehler beim Öffnen der ") + ordner + BereichDatenbanken().Name());
        }
        Screen->SetCursor(crDefault);
    }
    ManagerFelderEinrichten();
    return 1;
}

void TMainForm::ManagerFelderEinrichten()
{
    if (!TableBilderDatenbanken->Active())
        return;
    // Captions of the manager grid; a field without one is hidden, BytesDBF
    // shows its own name.
    static const char* const kSichtbar[][2] = {{"SHORTDESC", "Beschreibung (239 Zeichen)"},
                                               {"OWNER", "Besitzer"},
                                               {"BYTESDBF", "BytesDBF"},
                                               {"PFAD", "Kompletter Pfad inkl. Dateiname"},
                                               {"LABEL", "Datenträger-Name"},
                                               {"LABELKENNU", "Numerische Datenträger-Kennung"},
                                               {"TYPE", "Datenbanktype"},
                                               {"MARKIERT", "Markiert"},
                                               {"ZUGRIFF", "Ist Datenbank im Zugriff"}};
    static const char* const kNurLesen[] = {"PFAD", "LABEL", "LABELKENNU", "BYTESDBF", "BYTESFPT",
                                            "BYTESCDX", "BYTESIA", "BYTESSUM", "SAETZE"};
    for (int i = 0; i < TableBilderDatenbanken->FieldCount(); ++i) {
        TField* f = TableBilderDatenbanken->Fields(i);
        const QString name = f->FieldName.toUpper();
        bool sichtbar = false;
        for (const auto& s : kSichtbar)
            if (name == QLatin1String(s[0])) {
                f->SetDisplayLabel(QString::fromUtf8(s[1]));
                sichtbar = true;
            }
        f->SetVisible(sichtbar);
        bool nurLesen = false;
        for (const char* n : kNurLesen)
            nurLesen |= name == QLatin1String(n);
        f->SetReadOnly(nurLesen);
        // Grouped by thousands; the last digit is always shown, so that a
        // count or size of nothing reads "0" and not an empty box.
        if (auto* zahl = dynamic_cast<TNumericField*>(f)) {
            if (name.startsWith(QLatin1String("BYTES")))
                zahl->DisplayFormat = QStringLiteral("###,###,###,##0");
            else if (name == QLatin1String("MITDESC") || name == QLatin1String("OHNEDESC"))
                zahl->DisplayFormat = QStringLiteral("###,##0");
        }
    }
}

void TMainForm::BilderDBFinDBFVerwaltungEintragen(const QString& FullPath, int NewEntry, int ByFileName)
{
    if (BilderDBFsOeffnen() == 0)
        return;
    if (!TableBilderDatenbanken->Active()) {
        ShowMessage(QStringLiteral("Datenbank des Fotoalben-Managers ist nicht geöffnet!"));
        return;
    }
    // Only a new row must not exist yet; a refresh works on the current row.
    if (NewEntry != 0 && DatensatzSuchen(DbeBilderDatenbanken, QStringLiteral("PFAD"), FullPath) == 1) {
        ShowMessage(QStringLiteral("Fotoalbum ") + FullPath + QStringLiteral(" ist schon eingetragen !"));
        return;
    }
    QString ordner = ExtractFilePath(FullPath);
    QString name = ExtractFileName(FullPath);
    uint32_t zeile = 0;
    if (NewEntry == 0 && ByFileName != 0) {
        if (DatensatzSuchen(DbeBilderDatenbanken, QStringLiteral("PFAD"), name) == 1)
            zeile = DbeBilderDatenbanken->RecNo();
    } else if (NewEntry == 0) {
        const QString pfad = DbeBilderDatenbanken->GetTrimString(QStringLiteral("PFAD"));
        ordner = ExtractFilePath(pfad);
        name = ExtractFileName(pfad);
    }
    const TAlbumDateien dateien(ordner, name);
    const QString pfad = dateien.Dbf();

    // Sizes of the file set; a missing file shows -1 and adds nothing.
    const int64_t bytesDBF = qktFileSize(pfad);
    const int64_t bytesCDX = qktFileSize(dateien.Cdx());
    const int64_t bytesFPT = qktFileSize(dateien.Fpt());
    const int64_t bytesIA = qktFileSize(dateien.Ia());
    int64_t bytesSum = 0;
    for (int64_t b : {bytesDBF, bytesCDX, bytesFPT, bytesIA})
        bytesSum += b > 0 ? b : 0;

    // The number of entries: deleted ones, which the album hides, do not count.
    uint32_t saetze = 0;
    if (BereichCheck().OeffnenOderFehler(dateien, false, TArbeitsbereich::kFehlerOeffnen)) {
        const int vorher = DbeCheck->SetOrder(0);
        for (DbeCheck->GoTop(); !DbeCheck->Eof(); DbeCheck->Skip(1))
            saetze += DbeCheck->Deleted() ? 0 : 1;
        DbeCheck->SetOrder(vorher);
        TableCheck->Close();
    } else {
        ShowMessage(QStringLiteral("Irgendwas ist beim Öffnen des Fotoalbums schief gegangen! Öffnen Sie nur "
                                   "originale Lumadex-Datenbanken!"));
    }

    int ohneDesc = 0, mitDesc = 0, markierte = 0;
    double picBytes = 0;
    BereichBilder3().DateienSetzen(TAlbumDateien(ordner, name));
    Bilder3DBFOeffnen();
    if (TableBilder3->Active()) {
        const int vorher = DbeBilder3->SetOrder(0);
        DbeBilder3->GoTop();
        while (!DbeBilder3->Eof()) {
            if (DbeBilder3->Deleted()) {
                DbeBilder3->Skip(1);
                continue;
            }
            if (DbeBilder3->GetTrimString(QStringLiteral("SHORTDESC")).trimmed().isEmpty())
                ++ohneDesc;
            else
                ++mitDesc;
            picBytes += DbeBilder3->GetDouble(QStringLiteral("BYTES"));
            if (DbeBilder3->GetLogical(QStringLiteral("MARKIERT")))
                ++markierte;
            DbeBilder3->Skip(1);
        }
        DbeBilder3->SetOrder(vorher);
    }
    TableBilder3->Close();
    FtsBilder3->Close();

    QString kennung;
    TDateTime dateiDatum = 0;
    try {
        kennung = qktGetVolumeId(ordner.left(3));
        dateiDatum = FileDateTime(pfad);
    } catch (const std::exception&) {
        ShowMessage(QStringLiteral("Fehler bei Erzeugung interner Datensatzparameter!"));
    }
    const auto labelErfragen = [] {
        return InputBox(QStringLiteral("Eingabedialogfenster"),
                        QStringLiteral("Geben sie einen Namen für den Datenträger ein"), QString());
    };
    QString label;
    const QString wurzel = ordner.left(1) + QStringLiteral(":\\");
    if (LaufwerksTyp(wurzel) == QLatin1String("HD")) {
        label = qktGetVolumeLabel(wurzel);
        if (label.isEmpty())
            label = labelErfragen();
    } else {
        // Removable media are named once per volume id in the program's ini.
        label = QKINI_Prog->INIReadString(kDatentraeger, kennung, QString());
        if (label.isEmpty()) {
            label = labelErfragen();
            QKINI_Prog->INIWriteString(kDatentraeger, kennung, label);
        }
    }

    if (DatensatzSuchen(DbeBilderDatenbanken, QStringLiteral("PFAD"), pfad) == 1 && NewEntry != 0) {
        ShowMessage(QStringLiteral("Fotoalbum ") + pfad + QStringLiteral(" ist schon eingetragen !"));
        return;
    }
    QString beschreibung;
    if (NewEntry != 0) {
        beschreibung = InputBox(QStringLiteral("Eingabedialogfenster"),
                                QStringLiteral("Geben Sie eine kurze Beschreibung ein"), QStringLiteral("Neues Fotoalbum"));
        TableBilderDatenbanken->Append();
    } else {
        if (ByFileName != 0 && zeile != 0)
            DbeBilderDatenbanken->Go(zeile);
        TableBilderDatenbanken->Edit();
    }
    TDataSet* t = TableBilderDatenbanken;
    FelderSchuetzen(t, false);
    t->FieldByName(QStringLiteral("PFAD"))->SetAsString(pfad);
    if (t->FieldByName(QStringLiteral("SHORTDESC"))->AsString().trimmed().isEmpty())
        t->FieldByName(QStringLiteral("SHORTDESC"))->SetAsString(beschreibung);
    t->FieldByName(QStringLiteral("BYTESDBF"))->SetAsFloat(static_cast<double>(bytesDBF));
    t->FieldByName(QStringLiteral("BYTESCDX"))->SetAsFloat(static_cast<double>(bytesCDX));
    t->FieldByName(QStringLiteral("BYTESFPT"))->SetAsFloat(static_cast<double>(bytesFPT));
    t->FieldByName(QStringLiteral("BYTESIA"))->SetAsFloat(static_cast<double>(bytesIA));
    t->FieldByName(QStringLiteral("BYTESSUM"))->SetAsFloat(static_cast<double>(bytesSum));
    t->FieldByName(QStringLiteral("ZUGRIFF"))->SetAsBoolean(true);
    t->FieldByName(QStringLiteral("LABEL"))->SetAsString(label);
    t->FieldByName(QStringLiteral("LABELKENNU"))->SetAsString(kennung);
    if (dateiDatum > 0)
        t->FieldByName(QStringLiteral("LASTFDATE"))->SetAsDateTime(std::floor(dateiDatum));
    t->FieldByName(QStringLiteral("SAETZE"))->SetAsFloat(saetze);
    t->FieldByName(QStringLiteral("MARKIERTE"))->SetAsInteger(markierte);
    t->FieldByName(QStringLiteral("PICBYTES"))->SetAsFloat(picBytes);
    t->FieldByName(QStringLiteral("MITDESC"))->SetAsInteger(mitDesc);
    t->FieldByName(QStringLiteral("OHNEDESC"))->SetAsInteger(ohneDesc);
    t->Post();
    DbeBilderDatenbanken->PostIfEditing();
    FelderSchuetzen(t, true);

    if (!FileExists(BereichBilder().Dateien().Dbf()) && ByFileName == 0 &&
        MessageDlg(QStringLiteral("Möchten Sie das neue Fotoalbum jetzt öffnen ?"), mtConfirmation,
                   TMsgDlgButtons{mbYes, mbNo}) == mrYes) {
        BereichBilder().DateienSetzen(TAlbumDateien(IncludeTrailingBackslash(ordner), name));
    }
}

void TMainForm::TableBilderDatenbankenBeforeDelete(TDataSet* DataSet)
{
    const QString pfad = DataSet->FieldByName(QStringLiteral("PFAD"))->AsString().trimmed();
    const QString beschreibung = DataSet->FieldByName(QStringLiteral("SHORTDESC"))->AsString().trimmed();
    const QString ordner = ExtractFilePath(pfad);
    const QString name = ExtractFileName(pfad);
    if (MessageDlg(QStringLiteral("Wollen Sie die zum Fotoalbum (") + beschreibung +
                       QStringLiteral(") gehörende Datenbank (") + name + QStringLiteral(") auch löschen ?"),
                   mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) != mrYes)
        return;
    if (TableBilder->Active() && ordner.compare(TableBilder->DatabaseName(), Qt::CaseInsensitive) == 0 &&
        name.compare(TableBilder->TableName(), Qt::CaseInsensitive) == 0) {
        if (MessageDlg(QStringLiteral("Fotoalbum ist geöffnet und kann daher nicht gelöscht werden, jetzt schließen und "
                                      "dann löschen?"),
                       mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) != mrYes) {
            ShowMessage(QStringLiteral("Fotoalbum ist geöffnet und kann daher nicht gelöscht werden, Vorgang "
                                       "abgebrochen!"));
            throw EAbort(QString());
        }
        TableBilder->SetIndexName(QString());
        TableBilder->Close();
        TableBilder2->Close();
        FtsBilder->Close();
    }
    TableBilder3->Close();
    FtsBilder3->Close();
    // The album's own files only (a dot inside the name stays:
    // "Urlaub.2006.DBF" is not "Urlaub.*"): table, memo, index and full-text
    // files.
    const TAlbumDateien dateien(ordner, name);
    bool ok = true;
    try {
        for (const QString& datei : dateien.TabellenDateien())
            ok = DateiLoeschen(ordner, ExtractFileName(datei)) && ok;
    } catch (const std::exception&) {
        ok = false;
        // reported below like a failed deletion
    }
    if (!ok)
        ShowMessage(QStringLiteral("Beim löschen von ") + ChangeFileExt(dateien.Dbf(), QStringLiteral(".*")) +
                    QStringLiteral(" ist irgendwas schief gegangen!"));
}

void TMainForm::TableBilderDatenbankenAfterDelete(TDataSet* DataSet)
{
    (void)DataSet;
    const QString ordner = optionen_->EditDatenbankenVerzeichnis;
    const TAlbumDateien manager(ordner, BereichDatenbanken().Name());
    TableBilderDatenbanken->Close();
    if (BereichDatenbanken().Oeffnen(manager, true))
        DbeBilderDatenbanken->Pack();
    TableBilderDatenbanken->Close();
    BereichDatenbanken().Oeffnen(manager, false);
    if (TableBilderDatenbanken->Active() && DbeBilderDatenbanken->RecCount() == 0 && AlbumManager())
        AlbumManager()->ManagerLeer();
}
