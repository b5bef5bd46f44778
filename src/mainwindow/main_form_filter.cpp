// The filter commands of the main window: field-value filters through the
// "Filter-Dialog", filters on the three marks and on availability, date
// ranges on the date tags, the reset, the availability view, and the
// status texts of every filter state.

#include "mainwindow/main_form.h"

#include "datacontrols/dk_db_combo.h"
#include "datagrid/dk_table.h"
#include "dialogs/date_range.h"
#include "dialogs/small_forms.h"
#include "mainwindow/filter_ausdruck.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/menus.h"
#include "platform/ui/std_ctrls.h"
#include "shared/general_texts.h"
#include "shared/nachrichten_dialog.h"
#include "shared/qk_ini.h"
#include "shared/utility_strings.h"
#include "storage/grid_settings.h"
#include "storage/tdbe.h"

namespace {

const QString kKeinFilter = QStringLiteral("Kein Filter gesetzt");
constexpr int kSortierPanel = 3;
constexpr int kFilterPanel = 4;

}  // namespace

TBilderDialogForm* TMainForm::FilterDialog()
{
    if (!BilderDialogForm)
        BilderDialogForm = new TBilderDialogForm(this);
    return BilderDialogForm;
}

void TMainForm::SortierungAnzeigen()
{
    // A filter switches to its field's tag and its reset to the order saved
    // before: the status names the order the rows stand in now.
    const int order = DbeBilder->IndexOrd();
    const QString tag = order > 0 ? DbeBilder->TagName(order) : QString();
    StatusBarBilder1->Panels()->Items(kSortierPanel)->SetText(tag.isEmpty() ? QStringLiteral("Unsortiert")
                                                                            : QStringLiteral("Sortierung=") + tag);
}

void TMainForm::FilterStatus(const QString& text, bool filterGesetzt)
{
    SortierungAnzeigen();
    StatusBarBilder1->Panels()->Items(kFilterPanel)->SetText(text);
    if (ButNoneFilter)
        ButNoneFilter->SetEnabled(filterGesetzt);
    if (!filterGesetzt && ButFilt)
        ButFilt->SetEnabled(false);
}

int TMainForm::AufTagUmschalten(const QString& tag)
{
    // TagArea already switches to the tag it finds: the order before it is
    // read first.
    const int vorher = DbeBilder->IndexOrd();
    DbeBilder->SetOrder(DbeBilder->TagArea(tag));
    return vorher;
}

void TMainForm::VorschauNeuLesen()
{
    VorschaubilderVeraltet();
    if (PageControlBilder->ActivePage() == TabSheetVorschauBilder)
        PageControlBilderChange(nullptr);
}

void TMainForm::GridLayoutZuruecklesen()
{
    try {
        GridSettingsLesen(QKINI_Prog, QStringLiteral("BilderFieldPosition"), QStringLiteral("BilderFieldWidth"),
                          TableBilder);
    } catch (const std::exception&) {
        ShowMessage(QStringLiteral("Fehler beim Lesen der BilderGridsettings!"));
    }
}

// ---------------------------------------------------------------------------
// Field-value filters
// ---------------------------------------------------------------------------

void TMainForm::FilterFeldBefehl(TObject* Sender, const char* handler, const QString& feld)
{
    if (!BilderDBFOffen())
        return;
    Ton(Sender);
    Protokoll(QStringLiteral("Info"), QString::fromLatin1(handler) + QStringLiteral("(), Funktion aufgerufen!"));
    BilderFiltern(feld);
    VorschauNeuLesen();
}

void TMainForm::AufBenutzerdefiniert1_2Click(TObject* S) { FilterFeldBefehl(S, "AufBenutzerdefiniert1_2Click", "RESERVE1"); }
void TMainForm::AufBenutzerdefiniert2_2Click(TObject* S) { FilterFeldBefehl(S, "AufBenutzerdefiniert2_2Click", "RESERVE2"); }
void TMainForm::AufBenutzerdefiniert3_2Click(TObject* S) { FilterFeldBefehl(S, "AufBenutzerdefiniert3_2Click", "RESERVE3"); }
void TMainForm::AufLabel2Click(TObject* S) { FilterFeldBefehl(S, "AufLabel2Click", "LABEL"); }
void TMainForm::AufSerie2Click(TObject* S) { FilterFeldBefehl(S, "AufSerie2Click", "SERIE"); }
void TMainForm::AufUrheber2Click(TObject* S) { FilterFeldBefehl(S, "AufUrheber2Click", "OWNER"); }
void TMainForm::AufMotivQualitaet1Click(TObject* S) { FilterFeldBefehl(S, "AufMotivQualitaet1Click", "MOTIV"); }
void TMainForm::AufBildQualitaet1Click(TObject* S) { FilterFeldBefehl(S, "AufBildQualitaet1Click", "QUALITAET"); }
void TMainForm::AufBildQuelleClick(TObject* S) { FilterFeldBefehl(S, "AufBildQuelleClick", "QUELLE"); }
void TMainForm::AufPlayliste2Click(TObject* S) { FilterFeldBefehl(S, "AufPlayliste2Click", "PLAYLIST"); }
void TMainForm::AufBildbreite1Click(TObject* S) { FilterFeldBefehl(S, "AufBildbreite1Click", "BREITE"); }
void TMainForm::AufBildhoehe1Click(TObject* S) { FilterFeldBefehl(S, "AufBildhoehe1Click", "HOEHE"); }

void TMainForm::BilderFiltern(const QString& FieldName)
{
    GridLayoutSichern();
    const QString feld = FieldName.toUpper();
    QString ausdruck;
    bool abgebrochen = false;
    {
        TControlsDisabler anzeigeAus(TableBilder);
        FilterSatzNr = DbeBilder->RecNo();
        TBilderDialogForm* dlg = FilterDialog();
        dlg->cboEingabe->SetDropDownCount(int(uint8_t(Einstellungen.Int("ComboBoxDropDownCount"))));
        dlg->Edit1->SetVisible(false);
        dlg->cboEingabe->SetVisible(false);
        dlg->cboEingabe->Items()->Clear();

        TdkDBComboBox* codiert = feld == QLatin1String("QUELLE")      ? DBComboBoxBildQuelle2
                                 : feld == QLatin1String("MOTIV")     ? DBComboBoxMotivQualitaet2
                                 : feld == QLatin1String("PLAYLIST")  ? DBComboboxBilderPlayListe2
                                 : feld == QLatin1String("QUALITAET") ? DBComboBoxBilderQualitaet2
                                                                      : nullptr;
        static const QStringList kPicklisten = {"RESERVE1", "RESERVE2", "RESERVE3", "LABEL", "OWNER", "SERIE"};
        static const QStringList kPicklistenNamen = {"Reserve1", "Reserve2", "Reserve3", "Label", "OWNER", "SERIE"};
        const int pickliste = kPicklisten.indexOf(feld);
        const QString aktuell = DbeBilder->GetString(feld);
        QStringList anzeigen;  // display parts of a coded list
        TModalResult ergebnis = mrNone;
        if (codiert || pickliste >= 0) {
            if (codiert) {
                for (int i = 0; i < codiert->Items().Count(); ++i)
                    anzeigen << qktGetToken(codiert->Items().Strings(i), u'\t', 1);
                dlg->cboEingabe->Items()->Assign(anzeigen);
            } else {
                LesePickliste(kPicklistenNamen[pickliste]);
                dlg->cboEingabe->Items()->Assign(PickListe);
            }
            if (dlg->cboEingabe->Items()->Count() > 0)
                dlg->cboEingabe->SetItemIndex(0);
            dlg->cboEingabe->SetText(feld == QLatin1String("PLAYLIST") ? QStringLiteral("Gruppe") : aktuell);
            dlg->cboEingabe->SetVisible(true);
            ergebnis = dlg->ShowModal();
        } else {
            dlg->Edit1->SetText(aktuell.trimmed());
            dlg->Edit1->SetVisible(true);
            dlg->SetCaption(QStringLiteral("Filterdialog (") + FieldName + u')');
            dlg->Label1->SetCaption(QStringLiteral("Nach folgendem Begriff wird gefiltert.."));
            dlg->LabelHinweis->SetVisible(true);
            ergebnis = dlg->ShowModal();
            dlg->LabelHinweis->SetVisible(false);
        }
        abgebrochen = ergebnis != mrOk || (!codiert && pickliste < 0 && dlg->Edit1->Text().isEmpty());

        if (!abgebrochen) {
            bool gueltig = true;
            if (codiert) {
                // The position of the chosen entry is the stored code; a text
                // that is no entry of the list (the current entry's code kept)
                // is taken as the code itself.
                const QString text = dlg->cboEingabe->Text();
                const int position = anzeigen.indexOf(text);
                const QString code = position >= 0 ? QString::number(position) : text.trimmed();
                ausdruck = feld + QStringLiteral(" = ") + XBaseText(RechtsAuffuellen(code, 2));
            } else if (pickliste >= 0) {
                ausdruck = feld + QStringLiteral(" = ") + XBaseText(dlg->cboEingabe->Text());
            } else {
                gueltig = FilterAusdruck(feld, DbeBilder->FieldType(feld), dlg->Edit1->Text(), ausdruck);
            }
            Screen->SetCursor(crHourGlass);
            FilterSortierung = uint8_t(AufTagUmschalten(feld));
            int gesetzt = 0;
            if (gueltig) {
                try {
                    gesetzt = DbeBilder->Query(ausdruck);
                } catch (const std::exception&) {
                    gesetzt = 0;  // a character the album cannot hold
                }
            }
            if (gesetzt == 0)
                ShowMessage(QStringLiteral("Kein Filter möglich"));
        }
        // The count of the filter check goes on to the status line.
        uint32_t gezeigt = 0;
        if (BilderFilterGesetzt(&gezeigt) == 0) {
            DbeBilder->Go(FilterSatzNr);
            FilterStatus(kKeinFilter, false);
        } else if (!abgebrochen) {
            FilterStatus(QStringLiteral("Filter= ") + FieldName, true);
        }
        if (gezeigt > 0)
            BilderSatzAnzahlZeigen(gezeigt);
        else
            BilderSatzAnzahlZeigen();
    }
    TableBilder->Refresh();
    GridLayoutZuruecklesen();
    Screen->SetCursor(crDefault);
    GridLayoutMerker = false;
}

int TMainForm::BilderFilterGesetzt(uint32_t* gezeigt)
{
    // No query at all is no filter in force, as the album's base condition.
    const QString filter = DbeBilder->DBFilter().trimmed();
    const uint32_t anzahl = DbeBilder->QueryRecCount();
    if (anzahl == 0 || filter.isEmpty() ||
        filter.compare(QStringLiteral(".not. deleted()"), Qt::CaseInsensitive) == 0) {
        if (Visible())
            ShowMessage(QStringLiteral("Keine Einträge zum Filtern gefunden, Filterfunktion abgeschaltet !"));
        BilderOhneFilter1Click(nullptr);
        return 0;
    }
    if (gezeigt)
        *gezeigt = anzahl;
    return 1;
}

// ---------------------------------------------------------------------------
// Mark and availability filters
// ---------------------------------------------------------------------------

void TMainForm::FlagBefehl(TObject* Sender, const QString& flag)
{
    Ton(Sender);
    FilterAufFlag(flag);
}

void TMainForm::BilderFilterAufMarkierte1Click(TObject* S) { FlagBefehl(S, QStringLiteral("MARKIERT")); }
void TMainForm::BilderFilterAufCDRMarkierteClick(TObject* S) { FlagBefehl(S, QStringLiteral("ANYWHERE")); }
void TMainForm::BilderFilterAufHTMLMarkierteClick(TObject* S) { FlagBefehl(S, QStringLiteral("PRIVAT")); }
void TMainForm::AufNichtVerfuegbare1Click(TObject* S) { FlagBefehl(S, QStringLiteral("!Zugriff")); }

void TMainForm::FilterAufFlag(const QString& Flag)
{
    if (!BilderDBFOffen())
        return;
    PanelBilderGrid->SetVisible(false);
    PageControlBilderdaten->SetVisible(false);
    GridLayoutSichern();
    Protokoll(QStringLiteral("Info"), QStringLiteral("FilterAufFlag(") + Flag + QStringLiteral("), Funktion aufgerufen!"));
    FlagFilterSetzen(Flag, Flag, QStringLiteral("Filter=") + Flag);
}

void TMainForm::BilderFilterNichtimZugriff1Click(TObject* Sender)
{
    if (!BilderDBFOffen())
        return;
    PanelBilderGrid->SetVisible(false);
    PageControlBilderdaten->SetVisible(false);
    GridLayoutSichern();
    Ton(Sender);
    Protokoll(QStringLiteral("Info"), QStringLiteral("BilderFilterNichtimZugriff1Click(), Funktion aufgerufen!"));
    FlagFilterSetzen(QStringLiteral("Zugriff"), QStringLiteral(".not. Zugriff"),
                     QStringLiteral("Filter=Nicht im Zugriff"));
}

void TMainForm::FlagFilterSetzen(const QString& tag, const QString& ausdruck, const QString& status)
{
    {
        TControlsDisabler anzeigeAus(TableBilder);
        FilterSatzNr = DbeBilder->RecNo();
        FilterSortierung = uint8_t(AufTagUmschalten(tag));
        DbeBilder->Query(ausdruck);
        if (BilderFilterGesetzt() == 0) {
            FilterStatus(kKeinFilter, false);
            DbeBilder->Go(FilterSatzNr);
        } else {
            FilterStatus(status, true);
        }
        DbeBilder->SetOrder(FilterSortierung);
        SortierungAnzeigen();
        BilderSatzAnzahlZeigen();
    }
    TableBilder->Refresh();
    GridLayoutZuruecklesen();
    VorschauNeuLesen();
    ZeigeVorschauBildAusBlob();
    PanelBilderGrid->SetVisible(true);
    PageControlBilderdaten->SetVisible(EinzelsatzAnzeige);
}

// ---------------------------------------------------------------------------
// Date ranges
// ---------------------------------------------------------------------------

void TMainForm::DateiDatumVonBis1Click(TObject* S) { DatumBefehl(S, "DateiDatumVonBis1Click", "FILEDATE"); }
void TMainForm::ErzeugungsDatumVonBis1Click(TObject* S) { DatumBefehl(S, "ErzeugungsDatumVonBis1Click", "AUFNDATUM"); }

void TMainForm::DatumBefehl(TObject* Sender, const char* handler, const QString& feld)
{
    if (!BilderDBFOffen())
        return;
    Ton(Sender);
    Protokoll(QStringLiteral("Info"), QString::fromLatin1(handler) + QStringLiteral("(), Funktion aufgerufen!"));
    DateiDatumVonBis(feld);
}

// The date range dialog is built once (its date edits with their calendars
// cost as much as the whole filter) and opens each time as a new one would.
TDatumScopeForm* TMainForm::DatumDialog()
{
    if (!DatumScopeForm)
        DatumScopeForm = new TDatumScopeForm(this, QKINI_Prog->IniPath());
    else
        DatumScopeForm->Vorbelegen();
    return DatumScopeForm;
}

void TMainForm::DateiDatumVonBis(const QString& FieldName)
{
    TDatumScopeForm& dlg = *DatumDialog();
    // Counting a key range walks it: the count of the range set is kept
    // for the status line.
    uint32_t imBereich = 0;
    if (dlg.ShowModal() == mrOk) {
        DbeBilder->SetScope(QString(), QString());
        DbeBilder->SetOrder(DbeBilder->TagArea(FieldName));
        const QString von = dlg.VonText(), bis = dlg.BisText();
        if (von.isEmpty() || bis.isEmpty()) {
            ShowMessage(QStringLiteral("In beiden Eingabefelder muss ein gültiges Datum eingegeben werden!"));
            TableBilder->Refresh();
            return;
        }
        if (!DbeBilder->SetScope(DatumInJJJJMMTT(von), DatumInJJJJMMTT(bis))) {
            ShowMessage(QStringLiteral("Filter konnte nicht gesetzt werden!"));
            TableBilder->Refresh();
            return;
        }
        imBereich = DbeBilder->QueryRecCount();
        if (imBereich == 0) {
            NachrichtenDialog(QStringLiteral("Hinweis"), QStringLiteral("Für angebenen Zeitraum keine Einträge gefunden !"),
                              RequesterAnzeigeZeit, 130, TColor(Einstellungen.Int("Infofarbe")), clBlack, true);
            DbeBilder->SetScope(QString(), QString());
        }
    } else {
        DbeBilder->SetScope(QString(), QString());
    }
    TableBilder->Refresh();
    // Only a range that holds entries is a filter; a cancelled or empty one
    // leaves the album unfiltered and says so.
    if (imBereich > 0)
        FilterStatus(QStringLiteral("Filter= ") + FieldName, true);
    else
        FilterStatus(kKeinFilter, false);
    BilderSatzAnzahlZeigen(imBereich > 0 ? imBereich : DbeBilder->QueryRecCount());
}

// ---------------------------------------------------------------------------
// Reset and the availability view
// ---------------------------------------------------------------------------

void TMainForm::ButNoneFilterClick(TObject*) { BilderOhneFilter1Click(nullptr); }

void TMainForm::BilderOhneFilter1Click(TObject* Sender)
{
    Ton(Sender);
    if (!BilderDBFOffen())
        return;
    LetzterVolltextSuchText.clear();
    TrefferlisteLeeren();
    PanelBilderGrid->SetVisible(false);
    PageControlBilderdaten->SetVisible(false);
    Protokoll(QStringLiteral("Info"), QStringLiteral("BilderOhneFilter1Click(), Funktion aufgerufen!"));
    const uint32_t satz = DbeBilder->RecNo();
    if (FilterSortierung != 0)
        DbeBilder->SetOrder(FilterSortierung);
    DbeBilder->Query(QString());
    DbeBilder->SetScope(QString(), QString());
    DbeBilder->Go(satz);
    TableBilder->Refresh();
    BilderSatzAnzahlZeigen();
    FilterStatus(kKeinFilter, false);
    VorschaubilderVeraltet();
    if (edSearch)
        edSearch->SetText(QStringLiteral("Geben Sie hier einen Suchtext ein...."));
    VorschauNeuLesen();
    ZeigeVorschauBildAusBlob();
    PanelBilderGrid->SetVisible(true);
    PageControlBilderdaten->SetVisible(EinzelsatzAnzeige);
}

void TMainForm::NurverfuegbareBilderanzeigen1Click(TObject* Sender)
{
    if (!BilderDBFOffen())
        return;
    Protokoll(QStringLiteral("Info"), QStringLiteral("NurverfuegbareBilderanzeigen1Click(), Funktion aufgerufen!"));
    TMenuItem* item = MenuItem(QStringLiteral("NurverfuegbareBilderanzeigen1"));
    item->SetChecked(!item->Checked());
    BilderIndexWechsel(QStringLiteral("ShortDesc"));
    PageControlBilder->SetActivePage(TabSheetBilderDatenbank);
}

void TMainForm::FilterZustandNachAlbumwechsel()
{
    FilterSortierung = 0;
    LetzterVolltextSuchText.clear();
    TrefferlisteLeeren();
    FilterStatus(kKeinFilter, false);
}
