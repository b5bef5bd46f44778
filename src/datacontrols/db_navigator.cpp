#include "datacontrols/db_navigator.h"

#include "platform/data/data_source.h"
#include "platform/data/dataset.h"
#include "platform/ui/buttons.h"
#include "platform/ui/dialogs.h"

class TDBNavigator::TNavLink : public TDataLink {
public:
    explicit TNavLink(TDBNavigator& owner) : owner_(owner) {}

protected:
    void ActiveChanged() override { owner_.UpdateButtons(); }
    void DataSetChanged() override { owner_.UpdateButtons(); }
    void EditingChanged() override { owner_.UpdateButtons(); }

private:
    TDBNavigator& owner_;
};

namespace {

struct TKnopf {
    const char* Zeichen;
    const char* Hinweis;
};
// The framework's German hints; the pictures are text symbols.
const TKnopf kKnoepfe[] = {
    {"|\u25C0", "Erster Datensatz"},       {"\u25C0", "Vorheriger Datensatz"}, {"\u25B6", "Nächster Datensatz"},
    {"\u25B6|", "Letzter Datensatz"},      {"+", "Datensatz einfügen"},       {"\u2212", "Datensatz löschen"},
    {"\u25B2", "Datensatz bearbeiten"},    {"\u2713", "Bearbeitung bestätigen"},
    {"\u2717", "Bearbeitung abbrechen"},   {"\u21BB", "Daten aktualisieren"},
};

}  // namespace

TDBNavigator::TDBNavigator(TComponent* AOwner) : TPanel(AOwner), link_(std::make_unique<TNavLink>(*this))
{
    SetCaption(QString());
    SetBevelOuter(bvNone);
    SetBounds(0, 0, 240, 25);
    for (size_t i = 0; i < buttons_.size(); ++i) {
        auto* b = new TSpeedButton(this);
        b->SetParent(this);
        b->SetCaption(QString::fromUtf8(kKnoepfe[i].Zeichen));
        b->SetHint(QString::fromUtf8(kKnoepfe[i].Hinweis));
        b->SetShowHint(true);
        const auto art = TNavigateBtn(i);
        b->OnClick = [this, art](TObject*) { BtnClick(art); };
        buttons_[i] = b;
    }
    Resize();
    UpdateButtons();
}

TDBNavigator::~TDBNavigator() { link_->SetDataSource(nullptr); }

TDataSource* TDBNavigator::DataSource() const { return link_->DataSource(); }

void TDBNavigator::SetDataSource(TDataSource* source)
{
    link_->SetDataSource(source);
    UpdateButtons();
}

void TDBNavigator::SetVisibleButtons(TButtonSet v)
{
    visible_ = v;
    for (size_t i = 0; i < buttons_.size(); ++i)
        buttons_[i]->SetVisible(visible_.Contains(TNavigateBtn(i)));
    Resize();
}

void TDBNavigator::Resize()
{
    TPanel::Resize();
    int anzahl = 0;
    for (size_t i = 0; i < buttons_.size(); ++i)
        anzahl += buttons_[i] && visible_.Contains(TNavigateBtn(i));
    const int breite = std::max(1, Width() / std::max(1, anzahl));
    int x = 0;
    for (size_t i = 0; i < buttons_.size(); ++i)
        if (buttons_[i] && visible_.Contains(TNavigateBtn(i))) {
            buttons_[i]->SetBounds(x, 0, breite, Height());
            x += breite;
        }
}

void TDBNavigator::UpdateButtons()
{
    TDataSet* ds = link_->DataSet();
    const bool aktiv = ds && link_->Active();
    const bool bearbeitet = aktiv && link_->Editing();
    const bool aenderbar = aktiv && ds->CanModify();
    const bool leer = !aktiv || ds->IsEmpty();
    const bool vorn = !aktiv || ds->Bof(), hinten = !aktiv || ds->Eof();
    const bool an[] = {aktiv && !vorn,       aktiv && !vorn,     aktiv && !hinten,       aktiv && !hinten,
                       aenderbar && !bearbeitet, aenderbar && !leer, aenderbar && !bearbeitet && !leer,
                       bearbeitet,           bearbeitet,         aktiv && !bearbeitet};
    for (size_t i = 0; i < buttons_.size(); ++i)
        if (buttons_[i])
            buttons_[i]->SetEnabled(an[i]);
}

void TDBNavigator::BtnClick(TNavigateBtn b)
{
    TDataSet* ds = link_->DataSet();
    if (!ds || !link_->Active())
        return;
    switch (b) {
    case nbFirst: ds->First(); break;
    case nbPrior: ds->Prior(); break;
    case nbNext: ds->Next(); break;
    case nbLast: ds->Last(); break;
    case nbInsert: ds->Insert(); break;
    case nbDelete:
        if (ConfirmDelete && MessageDlg(QStringLiteral("Datensatz löschen?"), mtConfirmation, mbOKCancel) != mrOk)
            return;
        ds->Delete();
        break;
    case nbEdit: ds->Edit(); break;
    case nbPost: ds->Post(); break;
    case nbCancel: ds->Cancel(); break;
    case nbRefresh: ds->Refresh(); break;
    }
    UpdateButtons();
    if (OnClick)
        OnClick(this, b);
}
