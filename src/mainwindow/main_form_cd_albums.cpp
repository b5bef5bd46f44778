// Albums on inserted CDs: the search over the CD-ROM drives, the check of
// each album found and its registration in the album manager table.
#include "mainwindow/main_form.h"

#include "datagrid/dk_table.h"
#include "platform/core/file_utils.h"
#include "platform/core/win_path.h"
#include "platform/ui/dialogs.h"
#include "shared/general_files.h"
#include "shared/general_texts.h"
#include "shared/nachrichten_dialog.h"
#include "shared/qk_find.h"
#include "shared/utility_files.h"
#include "storage/tdbe.h"

int TMainForm::CheckObNeueAlbenAufCDR()
{
    int ergebnis = 0;
    for (char buchstabe = 'D'; buchstabe <= 'Z'; ++buchstabe) {
        const QString wurzel = QString(QLatin1Char(buchstabe)) + QStringLiteral(":\\");
        const QString daten = wurzel + QStringLiteral("DATA\\");
        if (LaufwerksTyp(wurzel) != QLatin1String("CDROM") || !DirectoryExists(daten))
            continue;
        letzteGefundeneDatei_.clear();
        QKFind1->SetStartPath(daten);
        QKFind1->SetFilePattern(QStringLiteral("*.DBF"));
        QKFind1->Subdirs = true;
        QKFind1->Execute();
        if (letzteGefundeneDatei_.isEmpty())
            continue;
        gefundeneAlben_.Clear();
        QKFind2->SetStartPath(daten);
        QKFind2->SetFilePattern(QStringLiteral("*.dbf"));
        QKFind2->Subdirs = true;
        QKFind2->Execute();
        const TStringList alben = gefundeneAlben_;
        for (int i = 0; i < alben.Count(); ++i) {
            const QString eintrag = alben[i];
            if (BilderDBFChecken2(ExtractFilePath(eintrag), ExtractFileName(eintrag)) <= 0)
                continue;
            ergebnis = 1;
            if (!TableBilderDatenbanken->Active())
                continue;
            // Linear search over the rows: by the full path, else by the
            // bare file name that some rows hold.
            const QString gesucht = eintrag.trimmed().toLower();
            const QString nurName = ExtractFileName(eintrag).trimmed().toLower();
            bool vollerPfad = false;
            uint32_t namensZeile = 0;
            double namensBytes = 0;
            DbeBilderDatenbanken->GoTop();
            while (!DbeBilderDatenbanken->Eof()) {
                const QString pfad = DbeBilderDatenbanken->GetTrimString(QStringLiteral("PFAD")).trimmed().toLower();
                if (pfad == gesucht) {
                    vollerPfad = true;
                    break;
                }
                if (pfad == nurName && namensZeile == 0) {
                    namensZeile = DbeBilderDatenbanken->RecNo();
                    namensBytes = DbeBilderDatenbanken->GetDouble(QStringLiteral("BYTESDBF"));
                }
                DbeBilderDatenbanken->Skip(1);
            }
            if (vollerPfad)
                continue;
            if (namensZeile != 0) {
                if (static_cast<double>(qktFileSize(eintrag)) != namensBytes) {
                    DbeBilderDatenbanken->Go(namensZeile);
                    BilderDBFinDBFVerwaltungEintragen(eintrag, 0, 1);
                }
            } else if (MessageDlg(QStringLiteral("Neues Fotoalbum (Bilderdatenbank) auf CD(R) gefunden, ") + eintrag +
                                      QStringLiteral(" jetzt in Fotoalben-Manager eintragen ?"),
                                  mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) == mrYes) {
                BilderDBFinDBFVerwaltungEintragen(eintrag, 1, 0);
            }
        }
    }
    gefundeneAlben_.Clear();
    return ergebnis;
}

void TMainForm::NeueFotoalbenaufCDsuchen1Click(TObject* Sender)
{
    if (auto* component = dynamic_cast<TComponent*>(Sender))
        PrgWavSpielen(component->Tag);
    const QString caption = Caption().left(100);
    SetCaption(QStringLiteral("Suche nach neuen Fotoalben auf eingelegten CD´s ...."));
    if (CheckObNeueAlbenAufCDR() == 0)
        Hinweis(QStringLiteral("Abschlußmeldung"),
                QStringLiteral("Keine neuen Fotoalben auf eingelegten CD(R)s gefunden !"), 110);
    SetCaption(caption);
}
