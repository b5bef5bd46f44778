#include "dialogs/date_range.h"

#include "controls/calendar_options.h"
#include "controls/date_edit.h"
#include "dialogs/form_parts.h"
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

QString DatumsText(const TDateEditPlus* e)
{
    return e->Blank() || !e->IsValid() ? QString() : FormatDateTime(QStringLiteral("dd.mm.yyyy"), e->Date());
}

}  // namespace

TDatumScopeForm::TDatumScopeForm(TComponent* AOwner, const QString& iniDatei)
    : TForm(AOwner), ini_(std::make_unique<TIniFile>(iniDatei))
{
    Name = QStringLiteral("DatumScopeForm");
    SetCaption(QStringLiteral("Datumfilter"));
    SetBorderStyle(bsDialog);
    Position = poScreenCenter;
    SetClientWidth(290);
    SetClientHeight(146);
    Label1 = DialogText(this, this, QStringLiteral("Label1"), QStringLiteral("Von"), 16, 14);
    Label2 = DialogText(this, this, QStringLiteral("Label2"), QStringLiteral("bis"), 160, 14);
    DateEditPlusVon = DatumsFeld(this, "DateEditPlusVon", 16);
    DateEditPlusBis = DatumsFeld(this, "DateEditPlusBis", 160);
    CheckBoxDatumVorbelegung = new TCheckBox(this);
    CheckBoxDatumVorbelegung->Name = QStringLiteral("CheckBoxDatumVorbelegung");
    CheckBoxDatumVorbelegung->SetParent(this);
    CheckBoxDatumVorbelegung->SetCaption(QStringLiteral("Eingabefelder mit Tagesdatum vorbelegen"));
    CheckBoxDatumVorbelegung->SetBounds(16, 70, 260, 20);
    BitBtn1 = DialogKnopf(this, this, QStringLiteral("BitBtn1"), bkOK, QString(), Bounds(56, 104, 86, 30));
    BitBtn2 = DialogKnopf(this, this, QStringLiteral("BitBtn2"), bkAbort, QStringLiteral("Abbruch"),
                          Bounds(150, 104, 86, 30));
    OnCreate = [this](TObject*) { FormCreate(); };
    OnShow = [this](TObject*) { FormShow(); };
    OnClose = [this](TObject*, TCloseAction&) { FormClose(); };
    Loaded();
    DoCreate();
}

TDatumScopeForm::~TDatumScopeForm() = default;

QString TDatumScopeForm::VonText() const { return DatumsText(DateEditPlusVon); }
QString TDatumScopeForm::BisText() const { return DatumsText(DateEditPlusBis); }

void TDatumScopeForm::FormCreate() { Vorbelegen(); }

void TDatumScopeForm::Vorbelegen()
{
    // The ini file kept for the dialog's life is parsed again only when it
    // changed on disk since it was last read or written.
    CheckBoxDatumVorbelegung->SetChecked(ini_->ReadBool(kSektion, kSchluessel, false));
    const bool heute = CheckBoxDatumVorbelegung->Checked();
    for (TDateEditPlus* e : {DateEditPlusVon, DateEditPlusBis}) {
        e->SetBlank(!heute);
        if (heute)
            e->SetDate(Date());
    }
}

void TDatumScopeForm::FormShow()
{
    if (DateEditPlusVon->CanFocus())
        DateEditPlusVon->SetFocus();
}

void TDatumScopeForm::FormClose() { ini_->WriteBool(kSektion, kSchluessel, CheckBoxDatumVorbelegung->Checked()); }
