#include "dialogs/date_range.h"

#include "controls/calendar_options.h"
#include "controls/date_edit.h"
#include "platform/core/ini_file.h"
#include "platform/core/sys_utils.h"
#include "platform/ui/buttons.h"
#include "platform/ui/std_ctrls.h"

namespace {

const QString kSektion = QStringLiteral("Einstellungen Hauptprogramm");
const QString kSchluessel = QStringLiteral("DatumVorbelegung");

TDateEditPlus* DatumsFeld(TForm* form, const char* name, int left)
{
    auto* e = new TDateEditPlus(form);
    e->Name = QString::fromLatin1(name);
    e->SetParent(form);
    e->SetDisplayFormat(dfCustom);
    e->SetCustomDisplayFormat(QStringLiteral("dd.mm.yyyy"));
    e->SetEditFormat(efCustom);
    e->SetCustomEditFormat(QStringLiteral("dd.mm.yyyy"));
    e->CalendarOptions()->SetCustomDateFormat(QStringLiteral("dddd, d. MMMM yyyy"));
    e->AutoDropDown = adChanged;
    e->CanBeBlank = true;
    e->SetBlank(true);
    e->SetBounds(left, 34, 110, 24);
    return e;
}

TLabel* Beschriftung(TForm* form, const char* name, const QString& text, int left)
{
    auto* l = new TLabel(form);
    l->Name = QString::fromLatin1(name);
    l->SetParent(form);
    l->SetCaption(text);
    l->SetBounds(left, 14, 100, 16);
    return l;
}

QString DatumsText(const TDateEditPlus* e)
{
    return e->Blank() || !e->IsValid() ? QString() : FormatDateTime(QStringLiteral("dd.mm.yyyy"), e->Date());
}

}  // namespace

TDatumScopeForm::TDatumScopeForm(TComponent* AOwner, const QString& iniDatei) : TForm(AOwner), iniDatei_(iniDatei)
{
    Name = QStringLiteral("DatumScopeForm");
    SetCaption(QStringLiteral("Datumfilter"));
    SetBorderStyle(bsDialog);
    Position = poScreenCenter;
    SetClientWidth(290);
    SetClientHeight(146);
    Label1 = Beschriftung(this, "Label1", QStringLiteral("Von"), 16);
    Label2 = Beschriftung(this, "Label2", QStringLiteral("bis"), 160);
    DateEditPlusVon = DatumsFeld(this, "DateEditPlusVon", 16);
    DateEditPlusBis = DatumsFeld(this, "DateEditPlusBis", 160);
    CheckBoxDatumVorbelegung = new TCheckBox(this);
    CheckBoxDatumVorbelegung->Name = QStringLiteral("CheckBoxDatumVorbelegung");
    CheckBoxDatumVorbelegung->SetParent(this);
    CheckBoxDatumVorbelegung->SetCaption(QStringLiteral("Eingabefelder mit Tagesdatum vorbelegen"));
    CheckBoxDatumVorbelegung->SetBounds(16, 70, 260, 20);
    BitBtn1 = new TBitBtn(this);
    BitBtn1->Name = QStringLiteral("BitBtn1");
    BitBtn1->SetParent(this);
    BitBtn1->SetKind(bkOK);
    BitBtn1->SetBounds(56, 104, 86, 30);
    BitBtn2 = new TBitBtn(this);
    BitBtn2->Name = QStringLiteral("BitBtn2");
    BitBtn2->SetParent(this);
    BitBtn2->SetKind(bkAbort);
    BitBtn2->SetCaption(QStringLiteral("Abbruch"));
    BitBtn2->SetBounds(150, 104, 86, 30);
    OnCreate = [this](TObject*) { FormCreate(); };
    OnShow = [this](TObject*) { FormShow(); };
    OnClose = [this](TObject*, TCloseAction&) { FormClose(); };
    Loaded();
    DoCreate();
}

QString TDatumScopeForm::VonText() const { return DatumsText(DateEditPlusVon); }
QString TDatumScopeForm::BisText() const { return DatumsText(DateEditPlusBis); }

void TDatumScopeForm::FormCreate()
{
    TIniFile ini(iniDatei_);
    CheckBoxDatumVorbelegung->SetChecked(ini.ReadBool(kSektion, kSchluessel, false));
    if (CheckBoxDatumVorbelegung->Checked()) {
        for (TDateEditPlus* e : {DateEditPlusVon, DateEditPlusBis}) {
            e->SetBlank(false);
            e->SetDate(Date());
        }
    }
}

void TDatumScopeForm::FormShow()
{
    if (DateEditPlusVon->CanFocus())
        DateEditPlusVon->SetFocus();
}

void TDatumScopeForm::FormClose()
{
    TIniFile ini(iniDatei_);
    ini.WriteBool(kSektion, kSchluessel, CheckBoxDatumVorbelegung->Checked());
}
