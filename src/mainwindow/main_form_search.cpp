// Sorting and searches of the main window: the title click and the natural
// order, the order switch of the availability view, the field search
// through the quick search dialog, "Gehezu SatzNr.", and the quick-search
// bar with "Nächster", "Vorheriger" and the full-text filter.

#include "mainwindow/main_form.h"

#include "datacontrols/dk_db_combo.h"
#include "datacontrols/dk_db_edit.h"
#include "datagrid/dk_db_grid.h"
#include "datagrid/dk_table.h"
#include "dialogs/quick_search.h"
#include "platform/core/win1252.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/menus.h"
#include "platform/ui/std_ctrls.h"
#include "shared/general_texts.h"
#include "shared/nachrichten_dialog.h"
#include "shared/qk_gauge.h"
#include "storage/tdbe.h"
#include "storage/tdbe_env.h"
#include "storage/tfts.h"

#include <algorithm>

namespace {

constexpr int kSortierPanel = 3;
constexpr int kAbfrageLaenge = 255;
const QString kSuchfeldText = QStringLiteral("Geben Sie hier einen Suchtext ein....");

// What the quick search dialog reaches of the main window.
class TMainFormSuchHost : public TSchnellsucheHauptfenster {
public:
    explicit TMainFormSuchHost(TMainForm& form) : form_(form) {}
    TDbe* SuchAlbum() override { return form_.DbeBilder; }
    TDbeEnv* SuchUmgebung() override { return form_.DbeEnv1; }

private:
    TMainForm& form_;
};

// The search text as the full-text index gets it: Windows-1252, at most
// 255 characters.
QByteArray VolltextAbfrage(const QString& text)
{
    QByteArray bytes;
    for (QChar c : text.left(kAbfrageLaenge)) {
        // Characters the album cannot hold cannot occur in it: they become
        // blanks, which separate words as the index does.
        const std::optional<unsigned char> b = Win1252EncodeChar(c.unicode());
        bytes += b ? char(*b) : ' ';
    }
    return bytes;
}

// The current record as the full-text index reads it, every byte of it
// (a record may hold zero bytes), read into the main window's buffer.
QByteArray SatzBild(TDbe* dbe, std::vector<char>& puffer)
{
    const int laenge = std::max(dbe->RecSize(), 0);
    puffer.assign(size_t(laenge) + 1, 0);
    dbe->GetRecord(puffer.data());
    return QByteArray(puffer.data(), laenge);
}

bool InKurzbeschreibung(TDbe* dbe, const QString& text)
{
    return KleinMitUmlauten(dbe->GetString(QStringLiteral("SHORTDESC"))).contains(KleinMitUmlauten(text));
}

}  // namespace

// ---------------------------------------------------------------------------
// Orders
// ---------------------------------------------------------------------------

void TMainForm::DBGridBilderTitleButtonClick(TObject*, const QString& FieldName)
{
    TMenuItem* verfuegbar = MenuItem(QStringLiteral("NurverfuegbareBilderanzeigen1"));
    if (verfuegbar && verfuegbar->Checked()) {
        const int tag = DbeBilder->TagArea(FieldName + u'2');
        if (tag == 0)
            return;
        DbeBilder->SetOrder(tag);
        TableBilder->Refresh();
        if (DbeBilder->QueryRecCount() == 0 && optionen_->CheckBoxAlleMeldungen)
            NachrichtenDialog(QStringLiteral("Hinweis"),
                              QStringLiteral("Es sind keine Bilder im Zugriff, schalten Sie ggfs. die Option "
                                             "\"Ansicht\"->\"Alle verfügbaren anzeigen\" aus !"),
                              RequesterAnzeigeZeit, 130, TColor(Einstellungen.Int("Infofarbe")), clBlack, true);
    } else {
        const int tag = DbeBilder->TagArea(FieldName);
        if (tag == 0)
            return;
        DbeBilder->SetOrder(tag);
        TableBilder->Refresh();
    }
    BilderSatzAnzahlZeigen();
    StatusBarBilder1->Panels()->Items(kSortierPanel)->SetText(QStringLiteral("Sortierung=") + FieldName);
}

void TMainForm::Unsortiert2Click(TObject*)
{
    if (!BilderDBFOffen())
        return;
    ShowMessage(QStringLiteral("Durch die natürliche Sortierung (also keine Sortierung), werden auch die gelöschten "
                               "Einträge sichtbar, sofern Sie nicht zwischenzeitlich mal das Fotoalbum gepackt "
                               "haben!"));
    DbeBilder->SetOrder(0);
    TableBilder->Refresh();
    StatusBarBilder1->Panels()->Items(kSortierPanel)->SetText(QStringLiteral("Unsortiert"));
    BilderSatzAnzahlZeigen();
}

void TMainForm::BilderIndexWechsel(const QString& TagName)
{
    Screen->SetCursor(crHourGlass);
    TMenuItem* verfuegbar = MenuItem(QStringLiteral("NurverfuegbareBilderanzeigen1"));
    if (verfuegbar && verfuegbar->Checked())
        DbeBilder->SetOrder(DbeBilder->TagArea(TagName + u'2'));
    else
        DbeBilder->SetOrder(DbeBilder->TagArea(TagName));
    BereichBilder().SortierungSetzen(DbeBilder->IndexOrd());
    TableBilder->Refresh();
    BilderSatzAnzahlZeigen();
    Screen->SetCursor(crDefault);
}

// ---------------------------------------------------------------------------
// Field search and "Gehezu SatzNr."
// ---------------------------------------------------------------------------

void TMainForm::BilderFeldsucheClick(TObject*)
{
    TField* feld = DBGridBilder->GetSelectedField();
    if (!feld)
        return;
    BilderFeldSucheDlg(feld->FieldName);
    ZeigeVorschauBildAusBlob();
}

void TMainForm::BilderFeldSucheDlg(const QString&)
{
    // The field is the one of the control the user stands in.
    TWinControl* aktiv = ActiveControl();
    QString feld;
    if (auto* e = dynamic_cast<TdkDBEdit*>(aktiv))
        feld = e->DataField();
    else if (auto* c = dynamic_cast<TdkDBComboBox*>(aktiv))
        feld = c->DataField();
    else if (auto* g = dynamic_cast<TdkDBGrid*>(aktiv); g && g->GetSelectedField())
        feld = g->GetSelectedField()->FieldName;
    if (feld.isEmpty()) {
        ShowMessage(QStringLiteral("Setzen Sie den Mauscursor in das Feld in dem gesucht werden soll !"));
        return;
    }
    TMainFormSuchHost host(*this);
    TSuchenForm3 dlg(this, host);
    SuchTabellenName() = TableBilder->Name.toUpper();
    SuchFeldName() = feld;
    dlg.SetCaption(QStringLiteral("Schnelle Suche im selektierten Feld"));
    dlg.ShowModal();
}

void TMainForm::DBGridBilderColEnter(TObject*)
{
    TField* feld = DBGridBilder->GetSelectedField();
    TMenuItem* item = MenuItem(QStringLiteral("BilderFeldsuche"));
    if (!feld || !item)
        return;
    item->SetEnabled(StringInListeSuchen(BereichBilder().Tags(), feld->FieldName.toUpper()) >= 0);
}

void TMainForm::GehezuSatzNr1Click(TObject*)
{
    if (!BilderDBFOffen())
        return;
    QString text;
    if (!InputQuery(QStringLiteral("Eingabedialogfenster"), QStringLiteral("Geben Sie eine SatzNr. ein"), text) ||
        text.isEmpty() || !IstZahl(text))
        return;
    bool ok = false;
    const qlonglong nummer = text.trimmed().toLongLong(&ok);
    if (!ok)
        return;
    if (nummer >= 1 && nummer <= qlonglong(DbeBilder->RecCount()))
        DbeBilder->Go(uint32_t(nummer));
    TableBilder->Refresh();
    ZeigeVorschauBildAusBlob();
    if (qlonglong(DbeBilder->RecNo()) == nummer && !DbeBilder->Eof()) {
        if (PageControlBilder->ActivePage() == TabSheetVorschauBilder)
            PageControlBilderChange(nullptr);
    } else if (nummer >= 1 && nummer <= qlonglong(DbeBilder->RecCount())) {
        ShowMessage(QStringLiteral("Nicht gefunden, Sie haben wahrscheinlich einen Filter gesetzt !"));
    } else {
        ShowMessage(QStringLiteral("Eingebene SatzNr. nicht gefunden !"));
    }
}

// ---------------------------------------------------------------------------
// The quick-search bar
// ---------------------------------------------------------------------------

void TMainForm::SuchleisteAufbauen()
{
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

void TMainForm::TrefferlisteLeeren()
{
    Trefferliste.Clear();
    TrefferPosition = 0;
    if (ButPrev)
        ButPrev->SetEnabled(false);
}

void TMainForm::edSearchEnter(TObject*)
{
    Abbruch = false;
    edSearch->SetText(QString());
}

void TMainForm::edSearchKeyDown(TObject* Sender, Word& Key, TShiftState)
{
    if (edSearch->Text().isEmpty())
        return;
    if (Key == VK_RETURN)
        ButFiltClick(Sender);
    else
        ButFilt->SetEnabled(true);
}

void TMainForm::ButNextClick(TObject*)
{
    if (!TableBilder->Active())
        return;
    // A new search text starts a new hit list.
    if (volltextAbfrage_ != VolltextAbfrage(edSearch->Text())) {
        TrefferlisteLeeren();
        volltextAbfrage_ = VolltextAbfrage(edSearch->Text());
        if (FtsBilder->SetQuery(volltextAbfrage_) <= 0) {
            NotFound();
            return;
        }
    }
    int position = Trefferliste.IndexOf(QString::number(DbeBilder->RecNo()));
    if (position < Trefferliste.Count() - 1) {
        ++position;
        TrefferPosition = position;
        DbeBilder->Go(Trefferliste.Strings(position).toUInt());
        TableBilder->Refresh();
        if (position > 0)
            ButPrev->SetEnabled(true);
        ZeigeVorschauBildAusBlob();
        return;
    }
    const QString caption = ButNext->Caption();
    SucheLaeuft = true;
    {
        TControlsDisabler anzeigeAus(TableBilder);
        int zaehler = 0;
        std::vector<char>& satz = BereichBilder().FtsPuffer();
        while (SucheLaeuft) {
            ButNext->SetCaption(QString::number(++zaehler));
            const int r = FtsBilder->NextRec();
            if (r <= 0) {
                NotFound();
                break;
            }
            Application->ProcessMessages();
            if (Abbruch) {
                Screen->SetCursor(crDefault);
                Abbruch = false;
                ShowMessage(QStringLiteral("ESC gedrückt, abgebrochen!"));
                SucheLaeuft = false;
            }
            ButNext->SetEnabled(true);
            // A candidate the filter in force hides cannot be shown.
            if (!DbeBilder->Go(uint32_t(r)) || DbeBilder->RecNo() != uint32_t(r))
                continue;
            if (optionen_->Bool(QStringLiteral("SearchFTS_OnlyInShortDesc")) &&
                !InKurzbeschreibung(DbeBilder, edSearch->Text()))
                continue;
            if (FtsBilder->Verify(SatzBild(DbeBilder, satz), volltextAbfrage_, 2) == 1) {
                SucheLaeuft = false;
                Trefferliste.Add(QString::number(r));
                TrefferPosition = Trefferliste.IndexOf(QString::number(r));
                if (TrefferPosition > 0)
                    ButPrev->SetEnabled(true);
            }
        }
    }
    ButNext->SetCaption(caption);
    TableBilder->Refresh();
    ZeigeVorschauBildAusBlob();
}

void TMainForm::ButPrevClick(TObject*)
{
    if (TrefferPosition <= 0 || TrefferPosition > Trefferliste.Count())
        return;
    --TrefferPosition;
    DbeBilder->Go(Trefferliste.Strings(TrefferPosition).toUInt());
    TableBilder->Refresh();
    if (TrefferPosition == 0)
        ButPrev->SetEnabled(false);
    ZeigeVorschauBildAusBlob();
}

void TMainForm::NotFound()
{
    SucheLaeuft = false;
    DbeBilder->GoBottom();
    DbeBilder->Skip(1);
    ButNext->SetEnabled(false);
    ShowMessage(QStringLiteral("Text nicht gefunden!"));
}

void TMainForm::ButFiltClick(TObject* Sender)
{
    const QString text = edSearch->Text();
    if (text.isEmpty() || !TableBilder->Active())
        return;
    Ton(Sender);
    bool kombinieren = false;
    Protokoll(QStringLiteral("Info"), QStringLiteral("ButFiltClick(), Volltextfilterung aufgerufen!"));
    // Another filter in force (an earlier text, or a field filter whose reset
    // is on) may be kept: the user chooses.
    const bool andererFilter = LetzterVolltextSuchText.isEmpty() ? ButNoneFilter && ButNoneFilter->Enabled()
                                                                 : LetzterVolltextSuchText != text;
    if (andererFilter) {
        const TModalResult antwort = MessageDlg(QStringLiteral("Mit existierenden Filter kombinieren ?"),
                                                mtConfirmation, mbYesNoCancel);
        if (antwort == mrCancel)
            return;
        if (antwort == mrYes) {
            kombinieren = true;
            Protokoll(QStringLiteral("Info"), QStringLiteral("ButFiltClick(), Kombifilter bestätigt!"));
        }
    }
    LetzterVolltextSuchText = text;
    TrefferlisteLeeren();
    volltextAbfrage_ = VolltextAbfrage(text);
    const int ergebnis = FtsBilder->SetQuery(volltextAbfrage_);
    if (ergebnis == -13) {
        ShowMessage(QStringLiteral("Keine Schlüssel für Volltextsuche vorhanden !"));
        return;
    }
    if (ergebnis == 0) {
        NotFound();
        return;
    }

    Screen->SetCursor(crHourGlass);
    ButNext->SetEnabled(false);
    ButPrev->SetEnabled(false);
    int treffer = 0;
    {
        TControlsDisabler anzeigeAus(TableBilder);
        const int gespeicherteSortierung = DbeBilder->SetOrder(0);
        // The entries shown now, for a combination.
        QStringList gezeigt;
        if (kombinieren) {
            for (DbeBilder->GoTop(); !DbeBilder->Eof(); DbeBilder->Skip(1))
                gezeigt << QString::number(DbeBilder->RecNo());
            gezeigt.sort();
        }
        // A full-text filter starts from an empty bitmap, not from the
        // filter in force: the query is dropped, the candidates are checked
        // with every record reachable, and the first bit set starts a bitmap
        // that shows exactly the accepted hits.
        DbeBilder->Query(QString());
        std::vector<uint32_t> angenommen;
        DbeBilder->GoTop();
        int r = FtsBilder->NextRec();
        PanelGaugeBilderFts->SetVisible(true);
        QKGaugeBilderFts->SetMaxValue(int32_t(DbeBilder->RecCount()));
        const QString caption = ButFilt->Caption();
        int zaehler = 0;
        std::vector<char>& satz = BereichBilder().FtsPuffer();
        while (r > 0) {
            ButFilt->SetCaption(QString::number(++zaehler));
            ButNext->SetEnabled(true);
            Application->ProcessMessages();
            if (Abbruch) {
                Screen->SetCursor(crDefault);
                Abbruch = false;
                Protokoll(QStringLiteral("Info"),
                          QStringLiteral("ButFiltClick(), ESC gedrückt, Volltextfilterung abgebrochen!"));
                ShowMessage(QStringLiteral("ESC gedrückt, Volltextfilterung abgebrochen!"));
                break;
            }
            if (DbeBilder->Go(uint32_t(r)) && DbeBilder->RecNo() == uint32_t(r)) {
                if (FtsBilder->Verify(SatzBild(DbeBilder, satz), volltextAbfrage_, 2) == 1 &&
                    !(kombinieren && !std::binary_search(gezeigt.begin(), gezeigt.end(), QString::number(r))) &&
                    !(optionen_->Bool(QStringLiteral("SearchFTS_OnlyInShortDesc")) &&
                      !InKurzbeschreibung(DbeBilder, text)))
                    angenommen.push_back(uint32_t(r));
            }
            QKGaugeBilderFts->SetProgress(r);
            r = FtsBilder->NextRec();
        }
        // The hits are the bits really set.
        std::sort(angenommen.begin(), angenommen.end());
        angenommen.erase(std::unique(angenommen.begin(), angenommen.end()), angenommen.end());
        for (uint32_t nummer : angenommen)
            if (DbeBilder->SetQueryBit(nummer, true))
                ++treffer;
        ButFilt->SetCaption(caption);
        PanelGaugeBilderFts->SetVisible(false);
        DbeBilder->SetOrder(gespeicherteSortierung);
        DbeBilder->GoTop();
    }
    TableBilder->Refresh();
    Screen->SetCursor(crDefault);

    // Hits are the bits really set: an empty result is no filter.
    if (treffer == 0) {
        DbeBilder->Query(QString());
        TableBilder->Refresh();
        // The earlier filter was dropped for the search: the status and the
        // next search must not assume it.
        LetzterVolltextSuchText.clear();
        FilterStatus(QStringLiteral("Kein Filter gesetzt"), false);
        BilderSatzAnzahlZeigen();
        NotFound();
    } else {
        BilderSatzAnzahlZeigen();
        VorschaubilderVeraltet();
        FilterStatus(QStringLiteral("Volltextfilter gesetzt "), true);
        if (optionen_->Bool(QStringLiteral("GefundeneBilderKopieren")) &&
            MessageDlg(QStringLiteral(" Gefundene Bilder in neues Fotoalbum kopieren ?"), mtConfirmation,
                       TMsgDlgButtons{mbYes, mbNo}) == mrYes)
            KopiereSaetzeInNeuesFotoalbum();
        VorschauNeuLesen();
    }
    BilderGaugePanel2->SetVisible(false);
    ZeigeVorschauBildAusBlob();
    if (PageControlBilder->ActivePage() == TabSheetBilderDatenbank && DBGridBilder->CanFocus())
        DBGridBilder->SetFocus();
}
