// The full-text indexes of the open album and of the target album: open or
// build them, keep the open album's index in step after every post, add the
// target's records during copies, and the command that rebuilds the index.
#include "mainwindow/main_form.h"

#include "datagrid/dk_table.h"
#include "platform/core/file_utils.h"
#include "platform/ui/dialogs.h"
#include "shared/status4_form.h"
#include "storage/tdbe.h"
#include "storage/tfts.h"

namespace {

// The record image of the dataset's current record: record length bytes
// and a terminating zero.
QByteArray SatzBild(TDbe* dbe, std::vector<char>& puffer)
{
    const int laenge = dbe->RecSize();
    puffer.assign(static_cast<size_t>(laenge) + 1, '\0');
    dbe->GetRecord(puffer.data());
    return QByteArray(puffer.data(), laenge);
}

}  // namespace

void TMainForm::FtsAufbauen(TFts* fts, TDbe* dbe, const QString& iaFile, std::vector<char>& puffer,
                            const QString& logPrefix)
{
    TDataSet* table = dbe->DataSet();
    TControlsDisabler aus(table);
    fts->CreateIndex(iaFile, 20, 2, 1, 1);
    const int anzahl = static_cast<int>(dbe->RecCount());
    dbe->GoTop();
    Screen->SetCursor(crHourGlass);
    StatusSchritte = 1;
    std::unique_ptr<TStatus4Frm> status(new TStatus4Frm(Application));
    status->QKGauge1->SetMaxValue(anzahl > 0 ? anzahl : 1);
    status->Label1->SetCaption(QStringLiteral("Volltextdatenbank für Bilder wird erzeugt, bitte warten...."));
    status->SetHeight(80);
    status->Show();
    int antwort = 0;
    while (!dbe->Eof()) {
        antwort = fts->Add(SatzBild(dbe, puffer));
        if (antwort < 0) {
            const QString text =
                QStringLiteral("Fehler beim Hinzufügen eines neuen Schlüssels für Volltextsuche : ") + QString::number(antwort);
            Protokoll(QStringLiteral("Fehler"), logPrefix + text);
            ShowMessage(text);
        }
        status->QKGauge1->SetProgress(antwort);
        // Deleted records keep their entry number but are not found.
        if (dbe->Deleted() && antwort > 0)
            fts->Delete(antwort);
        dbe->Skip(1);
        Application->ProcessMessages();
    }
    status.reset();
    dbe->GoTop();
    FTSHandleGlobal = fts->OpenIndex(iaFile, 20, 0);
    Screen->SetCursor(crDefault);
    Filter().VolltextSuchTextLeeren();
}

void TMainForm::OeffneBilderFTS()
{
    if (!TableBilder->Active())
        return;
    FtsBilder3->Close();
    BereichBilder().FtsPuffer().clear();
    const int gemerkt = DbeBilder->SetOrder(0);
    BereichBilder().FtsPuffer().assign(static_cast<size_t>(DbeBilder->RecSize()) + 1, '\0');
    const QString ia = BereichBilder().Dateien().Ia();
    if (FileExists(ia))
        FTSHandleGlobal = FtsBilder->OpenIndex(ia, 20, 0);
    else
        FtsAufbauen(FtsBilder, DbeBilder, ia, BereichBilder().FtsPuffer(), QStringLiteral("OeffneBilderFTS, "));
    DbeBilder->SetOrder(gemerkt);
    BilderSatzAnzahlZeigen();
}

void TMainForm::OeffneBilder3FTS()
{
    FtsBilder->Close();
    FtsBilder3->Close();
    BereichBilder3().FtsPuffer().clear();
    DbeBilder3->SetOrder(0);
    BereichBilder3().FtsPuffer().assign(static_cast<size_t>(DbeBilder3->RecSize()) + 1, '\0');
    const QString ia = BereichBilder3().Dateien().Ia();
    if (FileExists(ia)) {
        FTSHandleGlobal = FtsBilder3->OpenIndex(ia, 20, 0);
        return;
    }
    FtsAufbauen(FtsBilder3, DbeBilder3, ia, BereichBilder3().FtsPuffer(), QStringLiteral("OeffneBilder3FTS, "));
    const int anzahl = FtsBilder3->NumRecs();
    if (anzahl > 1)
        ShowMessage(QString::number(anzahl) + QStringLiteral(" Schlüssel für Volltextsuche in ") +
                    BereichBilder3().Dateien().IaName() + QStringLiteral(" eingeführt."));
}

void TMainForm::TableBilderAfterPost(TDataSet* DataSet)
{
    (void)DataSet;
    const QByteArray bild = SatzBild(DbeBilder, BereichBilder().FtsPuffer());
    const int eintraege = FtsBilder->NumRecs();
    // No usable index (-18), or none open at all: nothing is indexed and
    // nothing reported; the rebuild command makes it again.
    if (eintraege < 0)
        return;
    if (eintraege == static_cast<int>(DbeBilder->RecCount())) {
        FtsBilder->Replace(bild, static_cast<int>(DbeBilder->RecNo()));
        return;
    }
    LetztesFTSAddErgebnis = FtsBilder->Add(bild);
    if (LetztesFTSAddErgebnis < 0) {
        const QString text = QStringLiteral("Fehler beim Hinzufügen eines neuen Schlüssels für Volltextsuche : ") +
                             QString::number(LetztesFTSAddErgebnis);
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
    const int laenge = DbeBilder3->RecSize();
    QByteArray bild(BereichBilder3().FtsPuffer().data(),
                    std::min<int>(laenge, static_cast<int>(BereichBilder3().FtsPuffer().size())));
    if (FtsBilder3->NumRecs() == static_cast<int>(DbeBilder3->RecCount())) {
        FtsBilder3->Replace(bild, static_cast<int>(DbeBilder3->RecNo()));
        return;
    }
    LetztesFTSAddErgebnis = FtsBilder3->Add(bild);
    if (LetztesFTSAddErgebnis < 0) {
        const QString text = QStringLiteral("Fehler beim Hinzufügen eines neuen Schlüssels für Volltextsuche : ") +
                             QString::number(LetztesFTSAddErgebnis);
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
    FtsBilder->Close();
    BereichBilder().FtsPuffer().clear();
    const QString ia = BereichBilder().Dateien().Ia();
    if (FileExists(ia) && !DeleteFile(ia)) {
        Protokoll(QStringLiteral("Info"), QStringLiteral("BilderDBFpacken1Click(), Volltextdatei ") + ia +
                                              QStringLiteral(" konnte nicht gelöscht werden!"));
        ShowMessage(QStringLiteral("Volltextdatei ") + ia + QStringLiteral(" konnte nicht gelöscht werden!"));
    }
    const QString filter = TableBilder->Active() ? DbeBilder->DBFilter() : QString();
    if (TableBilder->Active()) {
        DbeBilder->Query(QString());
        DbeBilder->SetScope(QString(), QString());
    }
    OeffneBilderFTS();
    if (!filter.isEmpty())
        DbeBilder->Query(filter);
}
