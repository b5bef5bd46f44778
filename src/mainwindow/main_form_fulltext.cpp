// The full-text indexes of the open album and of the target album: open or
// build them, keep the open album's index in step after every post, add the
// target's records during copies, and the command that rebuilds the index.
#include "mainwindow/main_form.h"

#include "datagrid/dk_table.h"
#include "platform/core/file_utils.h"
#include "platform/ui/dialogs.h"
#include "storage/tdbe.h"
#include "storage/tfts.h"

void TMainForm::OeffneBilderFTS()
{
    if (!TableBilder->Active())
        return;
    FtsBilder3->Close();
    BereichBilder().FtsPuffer().clear();
    const int gemerkt = DbeBilder->SetOrder(0);
    // A search text found in an index built anew no longer applies.
    if (BereichBilder().FtsOeffnen(QStringLiteral("OeffneBilderFTS, ")))
        Filter().VolltextSuchTextLeeren();
    DbeBilder->SetOrder(gemerkt);
    BilderSatzAnzahlZeigen();
}

void TMainForm::OeffneBilder3FTS()
{
    FtsBilder->Close();
    FtsBilder3->Close();
    BereichBilder3().FtsPuffer().clear();
    DbeBilder3->SetOrder(0);
    if (!BereichBilder3().FtsOeffnen(QStringLiteral("OeffneBilder3FTS, ")))
        return;
    Filter().VolltextSuchTextLeeren();
    const int anzahl = FtsBilder3->NumRecs();
    if (anzahl > 1)
        ShowMessage(QString::number(anzahl) + QStringLiteral(" Schlüssel für Volltextsuche in ") +
                    BereichBilder3().Dateien().IaName() + QStringLiteral(" eingeführt."));
}

void TMainForm::TableBilderAfterPost(TDataSet* DataSet)
{
    (void)DataSet;
    const QByteArray bild = BereichBilder().FtsSatzBild();
    // No usable index (-18), or none open at all: nothing is indexed and
    // nothing reported; the rebuild command makes it again.
    if (FtsBilder->NumRecs() < 0)
        return;
    const int antwort = BereichBilder().FtsSchreiben(bild);
    if (antwort < 0) {
        const QString text = QStringLiteral("Fehler beim Hinzufügen eines neuen Schlüssels für Volltextsuche : ") +
                             QString::number(antwort);
        Protokoll(QStringLiteral("Fehler"), QStringLiteral("TableBilderAfterPost(), ") + text);
        Protokoll(QStringLiteral("Fehler"), QStringLiteral("TableBilderAfterPost(), FTSBilder.NumRecs=") +
                                                QString::number(FtsBilder->NumRecs()) +
                                                QStringLiteral(", DbeBilder.RecCount=") +
                                                QString::number(DbeBilder->RecCount()) +
                                                QStringLiteral(", FTSBilder3.NumRecs=") +
                                                QString::number(FtsBilder3->NumRecs()));
        ShowMessage(text);
    }
}

void TMainForm::FTSBilder3Add()
{
    const int antwort = BereichBilder3().FtsSchreiben(BereichBilder3().FtsPufferBild());
    if (antwort < 0) {
        const QString text = QStringLiteral("Fehler beim Hinzufügen eines neuen Schlüssels für Volltextsuche : ") +
                             QString::number(antwort);
        Protokoll(QStringLiteral("Fehler"), QStringLiteral("FTSBilder3Add, ") + text);
        Protokoll(QStringLiteral("Fehler"), QStringLiteral("FTSBilder3Add, FTSBilder3.NumRecs=") +
                                                QString::number(FtsBilder3->NumRecs()) +
                                                QStringLiteral(", DbeBilder3.RecCount=") +
                                                QString::number(DbeBilder3->RecCount()));
        ShowMessage(text);
    }
}

void TMainForm::NurVolltextsucheneuaufbauen1Click(TObject* Sender)
{
    if (auto* component = dynamic_cast<TComponent*>(Sender))
        PrgWavSpielen(component->Tag);
    if (MessageDlg(QStringLiteral("Volltextdatenbank jetzt neu aufbauen ?"), mtConfirmation,
                   TMsgDlgButtons{mbYes, mbNo}) != mrYes)
        return;
    VolltextNeuAufbauen();
}

void TMainForm::VolltextNeuAufbauen()
{
    BereichBilder().FtsVerwerfen();
    const QString filter = TableBilder->Active() ? DbeBilder->DBFilter() : QString();
    if (TableBilder->Active()) {
        DbeBilder->Query(QString());
        DbeBilder->SetScope(QString(), QString());
    }
    OeffneBilderFTS();
    if (!filter.isEmpty())
        DbeBilder->Query(filter);
}
