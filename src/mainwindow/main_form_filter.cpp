// The filter commands of the main window: field-value filters through the
// "Filter-Dialog", filters on the three marks and on availability, date
// ranges on the date tags, the reset and the availability view. The work is
// TBilderFilter's (bilder_filter.h); the window hands it the value dialogs,
// sounds, the action log, the options and its grid layout.

#include "mainwindow/main_form.h"

#include "datacontrols/dk_db_combo.h"
#include "datacontrols/dk_db_edit.h"
#include "datagrid/dk_db_grid.h"
#include "datagrid/dk_table.h"
#include "dialogs/date_range.h"
#include "dialogs/small_forms.h"
#include "platform/core/file_utils.h"
#include "platform/dbf/dbe.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/menus.h"
#include "shared/nachrichten_dialog.h"
#include "shared/qk_ini.h"
#include "storage/grid_settings.h"
#include "storage/tfts.h"

#include <QApplication>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

// What the filters and searches reach of the main window.
class TMainFormFilterUmgebung : public TBilderFilterUmgebung {
public:
    explicit TMainFormFilterUmgebung(TMainForm& form) : f_(form) {}

    void Hinweis(const QString& text) override
    {
        NachrichtenDialog(QStringLiteral("Hinweis"), text, f_.Dienste().Lauf().AnzeigeZeit(), 130,
                          TColor(f_.Einstellungen().Int("Infofarbe")), clBlack, true);
    }
    const TProgrammEinstellungen& Optionen() const override { return *f_.ProgrammOptionen(); }
    bool FensterSichtbar() const override { return f_.Visible(); }

    TBilderDialogForm* FilterDialog() override
    {
        if (!f_.BilderDialogForm)
            f_.BilderDialogForm = new TBilderDialogForm(&f_);
        return f_.BilderDialogForm;
    }
    int AuswahlZeilen() const override { return f_.Einstellungen().Int("ComboBoxDropDownCount"); }
    bool CodeListe(const QString& feld, QStringList& eintraege) const override
    {
        TdkDBComboBox* codiert = feld == QLatin1String("QUELLE")      ? f_.DBComboBoxBildQuelle2
                                 : feld == QLatin1String("MOTIV")     ? f_.DBComboBoxMotivQualitaet2
                                 : feld == QLatin1String("PLAYLIST")  ? f_.DBComboboxBilderPlayListe2
                                 : feld == QLatin1String("QUALITAET") ? f_.DBComboBoxBilderQualitaet2
                                                                      : nullptr;
        if (!codiert)
            return false;
        eintraege.clear();
        for (int i = 0; i < codiert->Items().Count(); ++i)
            eintraege << codiert->Items().Strings(i);
        return true;
    }
    QStringList Pickliste(const QString& name) override
    {
        // The list is the open album's: a third work area on another album
        // is closed, so that reading the list opens it on this one.
        if (f_.TableBilder3->Active() && !f_.Album().ZielAufDemAlbum())
            f_.Album().ZielSchliessen();
        f_.LesePickliste(name);
        return f_.Anzeige().PickListe.ToQStringList();
    }
    // The date range dialog is built once (its date edits with their
    // calendars cost as much as the whole filter) and opens each time as a
    // new one would.
    TDatumScopeForm* DatumDialog() override
    {
        if (!DatumDialogBauen())
            f_.DatumScopeForm->Vorbelegen();
        return f_.DatumScopeForm;
    }
    // Makes the date range dialog unless it exists; true when it was made.
    bool DatumDialogBauen()
    {
        if (f_.DatumScopeForm)
            return false;
        f_.DatumScopeForm = new TDatumScopeForm(&f_, f_.QKINI_Prog->IniPath());
        return true;
    }
    TComponent* DialogBesitzer() override { return &f_; }
    QString FokusFeld() const override
    {
        TWinControl* aktiv = f_.ActiveControl();
        if (auto* e = dynamic_cast<TdkDBEdit*>(aktiv))
            return e->DataField();
        if (auto* c = dynamic_cast<TdkDBComboBox*>(aktiv))
            return c->DataField();
        if (auto* g = dynamic_cast<TdkDBGrid*>(aktiv); g && g->GetSelectedField())
            return g->GetSelectedField()->FieldName;
        return QString();
    }
    void GridLayoutUnveraendert() override { f_.Anzeige().GridLayoutMerker = false; }
    bool NurVerfuegbareAnzeigen() const override
    {
        const TMenuItem* item = f_.MenuItem(QStringLiteral("NurverfuegbareBilderanzeigen1"));
        return item && item->Checked();
    }
    void NurVerfuegbareUmschalten() override
    {
        TMenuItem* item = f_.MenuItem(QStringLiteral("NurverfuegbareBilderanzeigen1"));
        item->SetChecked(!item->Checked());
    }
    void FeldsucheAnbieten(bool anbieten) override
    {
        if (TMenuItem* item = f_.MenuItem(QStringLiteral("BilderFeldsuche")))
            item->SetEnabled(anbieten);
    }
    void GefundeneKopieren() override { f_.KopiereSaetzeInNeuesFotoalbum(); }

private:
    TMainForm& f_;
};

void TMainForm::TFilterUmgebungLoescher::operator()(TMainFormFilterUmgebung* u) const { delete u; }

void TMainForm::FilterEinrichten()
{
    filterUmgebung_.reset(new TMainFormFilterUmgebung(*this));
    filter_ = std::make_unique<TBilderFilter>(Album(), AlbumAnsicht(), Dienste(), *filterUmgebung_);
}

// ---------------------------------------------------------------------------
// Ready for the first filter
// ---------------------------------------------------------------------------

namespace {

using TVorbereitung = std::vector<std::function<void()>>;

// Runs step `i` and the ones after it, each in a pass of its own through the
// event loop, while `frei` says the window is idle; otherwise looks again a
// little later. Stops once `vorbei` says the program ends or is to end.
void VorbereitungPlanen(QWidget* fenster, std::shared_ptr<const TVorbereitung> schritte, std::size_t i,
                        std::function<bool()> vorbei, std::function<bool()> frei, int warteMs)
{
    if (i >= schritte->size())
        return;
    QTimer::singleShot(warteMs, fenster, [=] {
        if (vorbei())
            return;
        if (!frei()) {
            VorbereitungPlanen(fenster, schritte, i, vorbei, frei, 200);
            return;
        }
        (*schritte)[i]();
        VorbereitungPlanen(fenster, schritte, i + 1, vorbei, frei, 0);
    });
}

}  // namespace

void TMainForm::FilterVorbereiten()
{
    auto schritte = std::make_shared<TVorbereitung>();
    schritte->push_back([this] { filterUmgebung_->DatumDialogBauen(); });
    for (const QString& name : PicklistenNamen())
        schritte->push_back([this, name] { PicklisteVorlesen(name); });
    // The tags the field, date and mark filters switch to: which records
    // each holds is collected once (the engine keeps it while the tag is
    // unchanged), not by the first query or count on it.
    for (const char* tag : {"LABEL", "SERIE", "OWNER", "RESERVE1", "RESERVE2", "RESERVE3", "MOTIV", "QUALITAET",
                            "QUELLE", "PLAYLIST", "BREITE", "HOEHE", "AUFNDATUM", "FILEDATE", "MARKIERT", "ANYWHERE",
                            "PRIVAT", "ZUGRIFF"})
        schritte->push_back([this, tag] { FilterTagVorlesen(tag); });
    const auto vorbei = [this] { return lauf_.ProgrammEndet() || lauf_.EndeAngefordert(); };
    const auto frei = [this] {
        return !lauf_.BefehlLaeuft() && !QApplication::activeModalWidget() && !QApplication::activePopupWidget();
    };
    VorbereitungPlanen(Handle(), schritte, 0, vorbei, frei, 0);
}

void TMainForm::PicklisteVorlesen(const QString& name)
{
    // Only the open album's own files, when its third work area can be
    // opened without a question (its index exists); a third work area open
    // on another album (a copy's target) is left alone.
    if (!TableBilder->Active() || !FileExists(BereichBilder().Dateien().Cdx()))
        return;
    if (TableBilder3->Active() && !album_->ZielAufDemAlbum())
        return;
    const TStringList gelesen = anzeige_.PickListe;
    try {
        LesePickliste(name);
    } catch (const std::exception&) {
        // a busy album: the command reads the list when it is given
    }
    anzeige_.PickListe = gelesen;
}

void TMainForm::FilterTagVorlesen(const char* tag)
{
    // Through the third work area once the pick lists opened it on the album:
    // the album's own area keeps its order, record and query.
    if (!TableBilder->Active() || !TableBilder3->Active() || !album_->ZielAufDemAlbum())
        return;
    const uint16_t vorher = dbe_Select(static_cast<uint16_t>(TableBilder3->Handle()));
    const int ordnung = dbe_TagArea(tag);
    if (ordnung > 0) {
        const uint32_t satz = dbe_RecNo();
        const int ordnungVorher = dbe_SetOrder(ordnung);
        dbe_QueryRecCount();  // counted in the tag's order: collects its entries
        dbe_SetOrder(ordnungVorher);
        dbe_Go(satz);
    }
    dbe_Select(vorher);
}

// ---------------------------------------------------------------------------
// Field-value filters
// ---------------------------------------------------------------------------

void TMainForm::AufBenutzerdefiniert1_2Click(TObject* S) { filter_->FeldBefehl(S, "AufBenutzerdefiniert1_2Click", "RESERVE1"); }
void TMainForm::AufBenutzerdefiniert2_2Click(TObject* S) { filter_->FeldBefehl(S, "AufBenutzerdefiniert2_2Click", "RESERVE2"); }
void TMainForm::AufBenutzerdefiniert3_2Click(TObject* S) { filter_->FeldBefehl(S, "AufBenutzerdefiniert3_2Click", "RESERVE3"); }
void TMainForm::AufLabel2Click(TObject* S) { filter_->FeldBefehl(S, "AufLabel2Click", "LABEL"); }
void TMainForm::AufSerie2Click(TObject* S) { filter_->FeldBefehl(S, "AufSerie2Click", "SERIE"); }
void TMainForm::AufUrheber2Click(TObject* S) { filter_->FeldBefehl(S, "AufUrheber2Click", "OWNER"); }
void TMainForm::AufMotivQualitaet1Click(TObject* S) { filter_->FeldBefehl(S, "AufMotivQualitaet1Click", "MOTIV"); }
void TMainForm::AufBildQualitaet1Click(TObject* S) { filter_->FeldBefehl(S, "AufBildQualitaet1Click", "QUALITAET"); }
void TMainForm::AufBildQuelleClick(TObject* S) { filter_->FeldBefehl(S, "AufBildQuelleClick", "QUELLE"); }
void TMainForm::AufPlayliste2Click(TObject* S) { filter_->FeldBefehl(S, "AufPlayliste2Click", "PLAYLIST"); }
void TMainForm::AufBildbreite1Click(TObject* S) { filter_->FeldBefehl(S, "AufBildbreite1Click", "BREITE"); }
void TMainForm::AufBildhoehe1Click(TObject* S) { filter_->FeldBefehl(S, "AufBildhoehe1Click", "HOEHE"); }

void TMainForm::BilderFiltern(const QString& FieldName) { filter_->Filtern(FieldName); }

int TMainForm::BilderFilterGesetzt(uint32_t* gezeigt) { return filter_->FilterGesetzt(gezeigt); }

// ---------------------------------------------------------------------------
// Mark and availability filters
// ---------------------------------------------------------------------------

void TMainForm::BilderFilterAufMarkierte1Click(TObject* S) { filter_->FlagBefehl(S, QStringLiteral("MARKIERT")); }
void TMainForm::BilderFilterAufCDRMarkierteClick(TObject* S) { filter_->FlagBefehl(S, QStringLiteral("ANYWHERE")); }
void TMainForm::BilderFilterAufHTMLMarkierteClick(TObject* S) { filter_->FlagBefehl(S, QStringLiteral("PRIVAT")); }
void TMainForm::AufNichtVerfuegbare1Click(TObject* S) { filter_->FlagBefehl(S, QStringLiteral("!Zugriff")); }

void TMainForm::FilterAufFlag(const QString& Flag) { filter_->FilterAufFlag(Flag); }

void TMainForm::BilderFilterNichtimZugriff1Click(TObject* Sender) { filter_->NichtImZugriff(Sender); }

// ---------------------------------------------------------------------------
// Date ranges
// ---------------------------------------------------------------------------

void TMainForm::DateiDatumVonBis1Click(TObject* S) { filter_->DatumBefehl(S, "DateiDatumVonBis1Click", "FILEDATE"); }
void TMainForm::ErzeugungsDatumVonBis1Click(TObject* S) { filter_->DatumBefehl(S, "ErzeugungsDatumVonBis1Click", "AUFNDATUM"); }

void TMainForm::DateiDatumVonBis(const QString& FieldName) { filter_->DatumVonBis(FieldName); }

// ---------------------------------------------------------------------------
// Reset and the availability view
// ---------------------------------------------------------------------------

void TMainForm::ButNoneFilterClick(TObject*) { BilderOhneFilter1Click(nullptr); }

void TMainForm::BilderOhneFilter1Click(TObject* Sender) { filter_->OhneFilter(Sender); }

void TMainForm::NurverfuegbareBilderanzeigen1Click(TObject*) { filter_->NurVerfuegbareUmschalten(); }
