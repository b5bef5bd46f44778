// The full-text indexes of the open album and of the target album: open or
// build them, keep the open album's index in step after every post, add the
// target's records during copies, and the command that rebuilds the index.
#include "mainwindow/main_form.h"

#include "datagrid/dk_table.h"
#include "platform/core/file_utils.h"
#include "platform/ui/dialogs.h"
#include "storage/tdbe.h"
#include "storage/tfts.h"

void TMainForm::OeffneBilderFTS() { album_->VolltextOeffnen(); }
void TMainForm::OeffneBilder3FTS() { album_->ZielVolltextOeffnen(); }

void TMainForm::TableBilderAfterPost(TDataSet* DataSet)
{
    (void)DataSet;
    album_->VolltextEintragen();
}

void TMainForm::FTSBilder3Add() { album_->ZielVolltextEintragen(); }

void TMainForm::NurVolltextsucheneuaufbauen1Click(TObject* Sender)
{
    if (auto* component = dynamic_cast<TComponent*>(Sender))
        PrgWavSpielen(component->Tag);
    if (BereichBilder().NurLesenAblehnen(QStringLiteral("die Volltextdatenbank kann nicht neu aufgebaut werden")))
        return;
    if (MessageDlg(QStringLiteral("Volltextdatenbank jetzt neu aufbauen ?"), mtConfirmation,
                   TMsgDlgButtons{mbYes, mbNo}) != mrYes)
        return;
    VolltextNeuAufbauen();
}

void TMainForm::VolltextNeuAufbauen() { album_->VolltextNeuAufbauen(); }
