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

int TMainForm::ErzeugeBilderDatenbankenVerwaltung(const QString& Path, const QString& FileName)
{
    return album_->ManagerErzeugen(Path, FileName);
}

int TMainForm::BilderDBFsOeffnen() { return album_->ManagerOeffnen(); }
void TMainForm::ManagerFelderEinrichten() { album_->ManagerFelderEinrichten(); }

void TMainForm::BilderDBFinDBFVerwaltungEintragen(const QString& FullPath, int NewEntry, int ByFileName)
{
    album_->ImManagerEintragen(FullPath, NewEntry, ByFileName);
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
