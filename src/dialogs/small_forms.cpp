#include "dialogs/small_forms.h"

#include "dialogs/form_parts.h"
#include "platform/ui/buttons.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/std_ctrls.h"
#include "shared/status4_form.h"

namespace {

TBitBtn* Knopf(TForm* f, const QString& name, TBitBtnKind art, const QString& text, int x, int y)
{
    return DialogKnopf(f, f, name, art, text, Bounds(x, y, 96, 28));
}

TLabel* Beschriftung(TForm* f, const QString& name, const QString& text, int x, int y)
{
    return DialogText(f, f, name, text, x, y);
}

}  // namespace

TUploadAuswahlForm::TUploadAuswahlForm(TComponent* AOwner) : TForm(AOwner)
{
    Name = QStringLiteral("UploadAuswahlForm");
    SetCaption(QStringLiteral("Uploadquelle auswählen"));
    SetBorderStyle(bsToolWindow);
    SetBorderIcons({});
    SetClientWidth(300);
    SetClientHeight(130);
    Position = poScreenCenter;
    Label1 = Beschriftung(this, QStringLiteral("Label1"), QStringLiteral("Wählen Sie eine Uploadquelle aus"), 12, 10);
    Label2 = Beschriftung(this, QStringLiteral("Label2"), QStringLiteral("(In den Optionen permanent einstellbar)"), 12, 28);
    ComboBox_UploadQuelle = new TComboBox(this);
    ComboBox_UploadQuelle->Name = QStringLiteral("ComboBox_UploadQuelle");
    ComboBox_UploadQuelle->SetParent(this);
    ComboBox_UploadQuelle->SetStyle(csDropDownList);
    ComboBox_UploadQuelle->SetBounds(12, 52, 276, 22);
    BitBtnOK = Knopf(this, QStringLiteral("BitBtnOK"), bkOK, QString(), 88, 92);
    BitBtnAbbruch = Knopf(this, QStringLiteral("BitBtnAbbruch"), bkAbort, QStringLiteral("Abbruch"), 192, 92);
    Loaded();
    DoCreate();
}

int UploadquelleWaehlen(const QStringList& eintraege)
{
    TUploadAuswahlForm form(nullptr);
    for (const QString& e : eintraege)
        form.ComboBox_UploadQuelle->Items()->Add(e);
    form.ComboBox_UploadQuelle->SetItemIndex(eintraege.size() > 1 ? 1 : 0);
    if (form.ShowModal() != mrOk)
        return -1;
    return form.ComboBox_UploadQuelle->ItemIndex();
}

TBilderDialogForm::TBilderDialogForm(TComponent* AOwner) : TForm(AOwner)
{
    Name = QStringLiteral("BilderDialogForm");
    SetCaption(QStringLiteral("Filter-Dialog"));
    SetBorderStyle(bsSizeToolWin);
    SetBorderIcons({biSystemMenu, biHelp});
    SetClientWidth(320);
    SetClientHeight(150);
    Position = poScreenCenter;
    Label1 = Beschriftung(this, QStringLiteral("Label1"), QStringLiteral("Geben Sie einen Begrif ein:"), 12, 10);
    LabelHinweis = Beschriftung(this, QStringLiteral("LabelHinweis"), QStringLiteral("(Gross- / Kleinschreibung beachten !)"),
                        12, 28);
    LabelHinweis->SetVisible(false);
    Edit1 = new TEdit(this);
    Edit1->Name = QStringLiteral("Edit1");
    Edit1->SetParent(this);
    Edit1->SetBounds(12, 48, 296, 22);
    cboEingabe = new TComboBox(this);
    cboEingabe->Name = QStringLiteral("cboEingabe");
    cboEingabe->SetParent(this);
    cboEingabe->SetBounds(12, 76, 296, 22);
    cboEingabe->SetDropDownCount(11);
    BitBtnOK = Knopf(this, QStringLiteral("BitBtnOK"), bkOK, QString(), 108, 112);
    BitBtnAbbruch = Knopf(this, QStringLiteral("BitBtnAbbruch"), bkAbort, QStringLiteral("Abbruch"), 212, 112);
    OnCreate = [this](TObject*) { EditFokus(); };
    OnShow = [this](TObject*) { EditFokus(); };
    Loaded();
    DoCreate();
}

void TBilderDialogForm::EditFokus()
{
    if (Visible() && Edit1->Visible() && Edit1->CanFocus())
        Edit1->SetFocus();
}

TMeldungForm::TMeldungForm(TComponent* AOwner) : TForm(AOwner)
{
    Name = QStringLiteral("MeldungForm");
    SetCaption(QStringLiteral("Meldung"));
    SetBorderStyle(bsNone);
    SetFormStyle(fsStayOnTop);
    KeyPreview = true;
    SetClientWidth(360);
    SetClientHeight(60);
    Position = poScreenCenter;
    Panel1 = new TPanel(this);
    Panel1->Name = QStringLiteral("Panel1");
    Panel1->SetParent(this);
    Panel1->SetAlign(alClient);
    Panel1->SetBevelOuter(bvRaised);
    Panel1->SetBevelWidth(2);
    Panel1->SetCaption(QStringLiteral("Bearbeitung läuft, bitte warten Sie  ..."));
    Panel1->SetParentFont(false);
    Panel1->Font()->SetSize(10);
    Panel1->Font()->SetStyle({fsBold});
    OnKeyDown = [](TObject*, Word& key, TShiftState) {
        if (key == VK_ESCAPE)
            EscAbbruch = 1;
    };
    Loaded();
    DoCreate();
}
