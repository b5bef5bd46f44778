// The mark check boxes of the single-record view and the change handler of
// the user mark field.

#include "mainwindow/main_form.h"
#include "datagrid/dk_table.h"
#include "platform/data/field.h"
#include "platform/ui/dialogs.h"
#include "storage/tdbe.h"

namespace {

long TagVon(TObject* Sender)
{
    const auto* c = dynamic_cast<TComponent*>(Sender);
    return c ? c->Tag : 0;
}

}  // namespace

void TMainForm::DBCheckBoxBildMarkiertMouseUp(TObject* Sender, TMouseButton Button, TShiftState, int, int)
{
    PrgWavSpielen(TagVon(Sender));
    // The click itself has changed the mark; the field's change handler
    // posted it.
    if (Button == mbLeft)
        ShowMessage(QStringLiteral("Kreuzen Sie dieses Feld bitte in der Tabelle an..."));
}

void TMainForm::DBCheckBoxAnywhereMouseUp(TObject* Sender, TMouseButton Button, TShiftState, int, int)
{
    PrgWavSpielen(TagVon(Sender));
    if (Button == mbLeft && TableBilder->Active())
        TableBilder->Post();
}

void TMainForm::DBCheckBoxPrivatMouseUp(TObject* Sender, TMouseButton Button, TShiftState, int, int)
{
    PrgWavSpielen(TagVon(Sender));
    if (Button == mbLeft && TableBilder->Active())
        TableBilder->Post();
}

void TMainForm::DBCheckBoxBildImZugriffMouseUp(TObject*, TMouseButton, TShiftState, int, int)
{
    // Only the availability test writes this field; the box stays as it was.
    ShowMessage(QStringLiteral("Dieses Feld kann nicht manuell verändert werden!"));
}

void TMainForm::AufSichtbarenEintrag()
{
    if (!TableBilder->Active() || DbeBilder->IndexOrd() == 0 || !DbeBilder->Deleted())
        return;
    DbeBilder->Skip(1);
    if (DbeBilder->Eof())
        DbeBilder->GoBottom();
    TableBilder->Refresh();
}

void TMainForm::LogischeFelderDeutsch(TDataSet* DataSet)
{
    // The grid's check-box cells and the editors speak of "Wahr" and
    // "Falsch", as the German framework names the logical values.
    for (int i = 0; i < DataSet->FieldCount(); ++i)
        if (auto* f = dynamic_cast<TBooleanField*>(DataSet->Fields(i)))
            f->SetDisplayValues(QStringLiteral("Wahr;Falsch"));
}

void TMainForm::MarkFeldEreignisSetzen(TDataSet* DataSet)
{
    if (TField* f = DataSet->FindField(QStringLiteral("MARKIERT")))
        f->OnChange = [this](TField*) { TableBilderMARKIERTChange(); };
}
