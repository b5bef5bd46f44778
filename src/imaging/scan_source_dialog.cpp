#include "imaging/scan_source_dialog.h"

#include "imaging/form_place.h"
#include "platform/ui/std_ctrls.h"

TDlgScanSource::TDlgScanSource(TComponent* AOwner, const QList<TScanSource>& sources, const QString& current)
    : TForm(AOwner), sources_(sources)
{
    Name = "DlgScanSource";
    SetCaption("Quelle auswählen");
    SetBorderStyle(bsDialog);
    SetClientWidth(380);
    SetClientHeight(230);
    Prompt = Place<TLabel>(this, this, 10, 10, 360, 18, "Scanner oder Kamera:");
    Sources = Place<TListBox>(this, this, 10, 32, 360, 150);
    int index = sources.isEmpty() ? -1 : 0;
    for (int i = 0; i < sources.size(); ++i) {
        Sources->Items()->Add(sources[i].Name + "  -  " + sources[i].Description);
        if (sources[i].Name == current)
            index = i;
    }
    Sources->SetItemIndex(index);
    Sources->OnDblClick = [this](TObject*) {
        if (Sources->ItemIndex() >= 0)
            ModalResult = mrOk;
    };
    OkButton = Place<TButton>(this, this, 206, 194, 80, 25, "OK");
    OkButton->ModalResult = mrOk;
    OkButton->SetDefault(true);
    CancelButton = Place<TButton>(this, this, 290, 194, 80, 25, "Abbrechen");
    CancelButton->ModalResult = mrCancel;
    CancelButton->Cancel = true;
    Loaded();
}

QString TDlgScanSource::Chosen() const
{
    const int i = Sources->ItemIndex();
    return i >= 0 && i < sources_.size() ? sources_[i].Name : QString();
}

bool ChooseScanSource(const QList<TScanSource>& sources, QString& chosen)
{
    TDlgScanSource dlg(Application, sources, chosen);
    if (dlg.ShowModal() != mrOk || dlg.Chosen().isEmpty())
        return false;
    chosen = dlg.Chosen();
    return true;
}
