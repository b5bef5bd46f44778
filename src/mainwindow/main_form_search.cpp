// Sorting and searches of the main window: the title click and the natural
// order, the order switch of the availability view, the field search
// through the quick search dialog, "Gehezu SatzNr.", and the quick-search
// bar with "Nächster", "Vorheriger" and the full-text filter. The bar's
// widgets are the window's; the work is TBilderFilter's (bilder_filter.h).

#include "mainwindow/main_form.h"

#include "datagrid/dk_db_grid.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/std_ctrls.h"
#include "shared/qk_gauge.h"

namespace {

const QString kSuchfeldText = QStringLiteral("Geben Sie hier einen Suchtext ein....");

}  // namespace

// ---------------------------------------------------------------------------
// Orders
// ---------------------------------------------------------------------------

void TMainForm::DBGridBilderTitleButtonClick(TObject*, const QString& FieldName) { filter_->TitelKlick(FieldName); }

void TMainForm::Unsortiert2Click(TObject*) { filter_->Unsortiert(); }

void TMainForm::BilderIndexWechsel(const QString& TagName) { filter_->IndexWechsel(TagName); }

// ---------------------------------------------------------------------------
// Field search and "Gehezu SatzNr."
// ---------------------------------------------------------------------------

void TMainForm::BilderFeldsucheClick(TObject*) { filter_->FeldsucheGrid(); }

// The field searched is the one of the control the user stands in.
void TMainForm::BilderFeldSucheDlg(const QString&) { filter_->FeldSucheDlg(); }

void TMainForm::DBGridBilderColEnter(TObject*) { filter_->SpaltenWechsel(); }

void TMainForm::GehezuSatzNr1Click(TObject*) { filter_->GeheZuSatzNr(); }

// ---------------------------------------------------------------------------
// The quick-search bar
// ---------------------------------------------------------------------------

void TMainForm::SuchleisteAufbauen()
{
    // The filters and searches work on the open album and on this bar.
    FilterEinrichten();
    PanelBilderFTS = new TPanel(this);
    PanelBilderFTS->Name = QStringLiteral("PanelBilderFTS");
    PanelBilderFTS->SetParent(PanelBilderGrid);
    PanelBilderFTS->SetAlign(alTop);
    PanelBilderFTS->SetHeight(30);
    PanelBilderFTS->SetBevelOuter(bvNone);
    PanelBilderFTS->SetCaption(QString());
    edSearch = new TEdit(this);
    edSearch->Name = QStringLiteral("edSearch");
    edSearch->SetParent(PanelBilderFTS);
    edSearch->SetBounds(4, 4, 250, 22);
    edSearch->SetText(kSuchfeldText);
    const struct {
        TButton** knopf;
        const char* name;
        const char* caption;
        void (TMainForm::*klick)(TObject*);
    } knoepfe[] = {
        {&ButNext, "ButNext", "Nächster - F3", &TMainForm::ButNextClick},
        {&ButPrev, "ButPrev", "Vorheriger - F4", &TMainForm::ButPrevClick},
        {&ButFilt, "ButFilt", "Filter - F5", &TMainForm::ButFiltClick},
        {&ButNoneFilter, "ButNoneFilter", "Filterreset - F6", &TMainForm::ButNoneFilterClick},
    };
    int left = 260;
    for (const auto& k : knoepfe) {
        auto* b = new TButton(this);
        b->Name = QString::fromLatin1(k.name);
        b->SetParent(PanelBilderFTS);
        b->SetCaption(QString::fromUtf8(k.caption));
        b->SetBounds(left, 3, 110, 24);
        b->SetEnabled(false);
        const auto klick = k.klick;
        b->OnClick = [this, klick](TObject* s) { (this->*klick)(s); };
        *k.knopf = b;
        left += 114;
    }
    PanelGaugeBilderFts = new TPanel(this);
    PanelGaugeBilderFts->Name = QStringLiteral("PanelGaugeBilderFts");
    PanelGaugeBilderFts->SetParent(PanelBilderFTS);
    PanelGaugeBilderFts->SetBounds(left, 4, 120, 22);
    PanelGaugeBilderFts->SetCaption(QString());
    PanelGaugeBilderFts->SetVisible(false);
    QKGaugeBilderFts = new TQKGauge(this);
    QKGaugeBilderFts->Name = QStringLiteral("QKGaugeBilderFts");
    QKGaugeBilderFts->SetParent(PanelGaugeBilderFts);
    QKGaugeBilderFts->SetAlign(alClient);
    edSearch->OnEnter = [this](TObject* s) { edSearchEnter(s); };
    edSearch->OnKeyDown = [this](TObject* s, Word& k, TShiftState sh) { edSearchKeyDown(s, k, sh); };
    DBGridBilder->OnTitleButtonClick = [this](TObject* s, const QString& f) { DBGridBilderTitleButtonClick(s, f); };
    DBGridBilder->OnColEnter = [this](TObject* s) { DBGridBilderColEnter(s); };
    if (TdkIButton* ecke = DBGridBilder->IndicatorButton())
        ecke->OnClick = [this](TObject* s) { BilderOhneFilter1Click(s); };
}

void TMainForm::TrefferlisteLeeren() { filter_->TrefferlisteLeeren(); }

void TMainForm::edSearchEnter(TObject*) { filter_->SuchfeldBetreten(); }

void TMainForm::edSearchKeyDown(TObject* Sender, Word& Key, TShiftState) { filter_->SuchfeldTaste(Sender, Key); }

void TMainForm::ButNextClick(TObject*) { filter_->Naechster(); }

void TMainForm::ButPrevClick(TObject*) { filter_->Vorheriger(); }

void TMainForm::NotFound() { filter_->NichtGefunden(); }

void TMainForm::ButFiltClick(TObject* Sender) { filter_->VolltextFiltern(Sender); }
