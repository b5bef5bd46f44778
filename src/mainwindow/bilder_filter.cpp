#include "mainwindow/bilder_filter.h"

#include "dialogs/date_range.h"
#include "dialogs/program_settings.h"
#include "dialogs/quick_search.h"
#include "dialogs/small_forms.h"
#include "album/album_ansicht.h"
#include "album/arbeitsbereich.h"
#include "mainwindow/filter_ausdruck.h"
#include "album/offenes_album.h"
#include "album/programm_dienste.h"

#include "datagrid/dk_table.h"
#include "platform/core/win1252.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/forms.h"
#include "platform/ui/std_ctrls.h"
#include "shared/general_texts.h"
#include "shared/utility_strings.h"
#include "storage/tdbe.h"
#include "storage/tfts.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <vector>

namespace {

using TSuchKnopf = TAlbumAnsicht::TSuchKnopf;

const QString kKeinFilter = QStringLiteral("Kein Filter gesetzt");
const QString kSuchfeldText = QStringLiteral("Geben Sie hier einen Suchtext ein....");
constexpr int kAbfrageLaenge = 255;
const QString kKeinVolltext = QStringLiteral(
    "Das Fotoalbum hat keine Volltextdatenbank, und im \"Nur lesen Modus\" kann keine erzeugt werden: "
    "die Volltextsuche ist nicht möglich!");

// Hides the grid and the record view while a command reads the album anew.
// A read that fails (another program holds the album's index) leaves by an
// exception: the grid and the record view come back as they were, so the
// window shows the album and the message, never an empty page.
class TAnsichtVerborgen {
public:
    explicit TAnsichtVerborgen(TAlbumAnsicht& ansicht) : ansicht_(ansicht), ausnahmen_(std::uncaught_exceptions())
    {
        ansicht_.GridVerbergen();
        ansicht_.EinzelsatzVerbergen();
    }
    ~TAnsichtVerborgen()
    {
        if (std::uncaught_exceptions() > ausnahmen_) {
            ansicht_.GridZeigen();
            ansicht_.EinzelsatzWiederherstellen();
        }
    }
    TAnsichtVerborgen(const TAnsichtVerborgen&) = delete;
    TAnsichtVerborgen& operator=(const TAnsichtVerborgen&) = delete;

private:
    TAlbumAnsicht& ansicht_;
    const int ausnahmen_;
};

// What the quick search dialog reaches of the open album.
class TFilterSuchHost : public TSchnellsucheHauptfenster {
public:
    TFilterSuchHost(TDbe* dbe, TDbeEnv* env) : dbe_(dbe), env_(env) {}
    TDbe* SuchAlbum() override { return dbe_; }
    TDbeEnv* SuchUmgebung() override { return env_; }

private:
    TDbe* dbe_;
    TDbeEnv* env_;
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
// (a record may hold zero bytes), read into the work area's buffer.
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

const QStringList& PicklistenNamen()
{
    static const QStringList namen = {"Reserve1", "Reserve2", "Reserve3", "Label", "OWNER", "SERIE"};
    return namen;
}

TBilderFilter::TBilderFilter(TOffenesAlbum& album, TAlbumAnsicht& ansicht, TProgrammDienste& dienste,
                             TBilderFilterUmgebung& umgebung)
    : album_(album), bereich_(album.Bilder()), ansicht_(ansicht), dienste_(dienste), umgebung_(umgebung)
{
}

void TBilderFilter::Ton(TObject* Sender)
{
    if (auto* c = dynamic_cast<TComponent*>(Sender))
        dienste_.TonSpielen(c->Tag);
}

void TBilderFilter::Protokoll(const QString& text) { dienste_.Protokoll(QStringLiteral("Info"), text); }

bool TBilderFilter::BefehlBeginnen(TObject* Sender, const char* handler)
{
    if (!album_.Offen())
        return false;
    Ton(Sender);
    Protokoll(QString::fromLatin1(handler) + QStringLiteral("(), Funktion aufgerufen!"));
    return true;
}

// ---------------------------------------------------------------------------
// Status and helpers
// ---------------------------------------------------------------------------

void TBilderFilter::SortierungAnzeigen()
{
    // A filter switches to its field's tag and its reset to the order saved
    // before: the status names the order the rows stand in now.
    TDbe* dbe = bereich_.Dbe();
    const int order = dbe->IndexOrd();
    const QString tag = order > 0 ? dbe->TagName(order) : QString();
    ansicht_.SortierungZeigen(tag.isEmpty() ? QStringLiteral("Unsortiert") : QStringLiteral("Sortierung=") + tag);
}

void TBilderFilter::FilterStatus(const QString& text, bool filterGesetzt)
{
    SortierungAnzeigen();
    ansicht_.FilterZeigen(text);
    ansicht_.SuchKnopfAktivieren(TSuchKnopf::FilterReset, filterGesetzt);
    if (!filterGesetzt)
        ansicht_.SuchKnopfAktivieren(TSuchKnopf::Filter, false);
}

int TBilderFilter::AufTagUmschalten(const QString& tag)
{
    // TagArea already switches to the tag it finds: the order before it is
    // read first.
    TDbe* dbe = bereich_.Dbe();
    const int vorher = dbe->IndexOrd();
    dbe->SetOrder(dbe->TagArea(tag));
    return vorher;
}

void TBilderFilter::VorschauNeuLesen()
{
    ansicht_.VorschaubilderVeraltet();
    ansicht_.VorschauseiteAuffrischen();
}

// ---------------------------------------------------------------------------
// Field-value filters
// ---------------------------------------------------------------------------

void TBilderFilter::FeldBefehl(TObject* Sender, const char* handler, const QString& feld)
{
    if (!BefehlBeginnen(Sender, handler))
        return;
    Filtern(feld);
    VorschauNeuLesen();
}

void TBilderFilter::Filtern(const QString& FieldName)
{
    TDbe* dbe = bereich_.Dbe();
    ansicht_.GridLayoutSichern();
    const QString feld = FieldName.toUpper();
    QString ausdruck;
    bool abgebrochen = false;
    {
        TControlsDisabler anzeigeAus(bereich_.Tabelle());
        filterSatzNr_ = dbe->RecNo();
        TBilderDialogForm* dlg = umgebung_.FilterDialog();
        dlg->cboEingabe->SetDropDownCount(int(uint8_t(umgebung_.AuswahlZeilen())));
        dlg->Edit1->SetVisible(false);
        dlg->cboEingabe->SetVisible(false);
        dlg->cboEingabe->Items()->Clear();

        QStringList codeListe;
        const bool codiert = umgebung_.CodeListe(feld, codeListe);
        int pickliste = -1;
        for (int i = 0; i < PicklistenNamen().size() && pickliste < 0; ++i)
            if (PicklistenNamen()[i].compare(feld, Qt::CaseInsensitive) == 0)
                pickliste = i;
        const QString aktuell = dbe->GetString(feld);
        QStringList anzeigen;  // display parts of a coded list
        TModalResult ergebnis = mrNone;
        if (codiert || pickliste >= 0) {
            if (codiert) {
                for (const QString& eintrag : codeListe)
                    anzeigen << qktGetToken(eintrag, u'\t', 1);
                dlg->cboEingabe->Items()->Assign(anzeigen);
            } else {
                dlg->cboEingabe->Items()->Assign(umgebung_.Pickliste(PicklistenNamen()[pickliste]));
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
                gueltig = FilterAusdruck(feld, dbe->FieldType(feld), dlg->Edit1->Text(), ausdruck);
            }
            Screen->SetCursor(crHourGlass);
            filterSortierung_ = uint8_t(AufTagUmschalten(feld));
            int gesetzt = 0;
            if (gueltig) {
                try {
                    gesetzt = dbe->Query(ausdruck);
                } catch (const std::exception&) {
                    gesetzt = 0;  // a character the album cannot hold
                }
            }
            if (gesetzt == 0)
                ShowMessage(QStringLiteral("Kein Filter möglich"));
        }
        // The count of the filter check goes on to the status line.
        uint32_t gezeigt = 0;
        if (FilterGesetzt(&gezeigt) == 0) {
            dbe->Go(filterSatzNr_);
            FilterStatus(kKeinFilter, false);
        } else if (!abgebrochen) {
            FilterStatus(QStringLiteral("Filter= ") + FieldName, true);
        }
        if (gezeigt > 0)
            ansicht_.GezeigteAnzahlZeigen(gezeigt);
        else
            ansicht_.SatzAnzahlZeigen();
    }
    bereich_.Tabelle()->Refresh();
    ansicht_.GridLayoutZuruecklesen();
    Screen->SetCursor(crDefault);
    umgebung_.GridLayoutUnveraendert();
}

int TBilderFilter::FilterGesetzt(uint32_t* gezeigt)
{
    // No query at all is no filter in force, as the album's base condition.
    TDbe* dbe = bereich_.Dbe();
    const QString filter = dbe->DBFilter().trimmed();
    const uint32_t anzahl = dbe->QueryRecCount();
    if (anzahl == 0 || filter.isEmpty() ||
        filter.compare(QStringLiteral(".not. deleted()"), Qt::CaseInsensitive) == 0) {
        if (umgebung_.FensterSichtbar())
            ShowMessage(QStringLiteral("Keine Einträge zum Filtern gefunden, Filterfunktion abgeschaltet !"));
        OhneFilter(nullptr);
        return 0;
    }
    if (gezeigt)
        *gezeigt = anzahl;
    return 1;
}

// ---------------------------------------------------------------------------
// Mark and availability filters
// ---------------------------------------------------------------------------

void TBilderFilter::FlagBefehl(TObject* Sender, const QString& flag)
{
    Ton(Sender);
    FilterAufFlag(flag);
}

void TBilderFilter::FilterAufFlag(const QString& Flag)
{
    if (!album_.Offen())
        return;
    const TAnsichtVerborgen verborgen(ansicht_);
    ansicht_.GridLayoutSichern();
    Protokoll(QStringLiteral("FilterAufFlag(") + Flag + QStringLiteral("), Funktion aufgerufen!"));
    FlagFilterSetzen(Flag, Flag, QStringLiteral("Filter=") + Flag);
}

void TBilderFilter::NichtImZugriff(TObject* Sender)
{
    if (!album_.Offen())
        return;
    const TAnsichtVerborgen verborgen(ansicht_);
    ansicht_.GridLayoutSichern();
    Ton(Sender);
    Protokoll(QStringLiteral("BilderFilterNichtimZugriff1Click(), Funktion aufgerufen!"));
    FlagFilterSetzen(QStringLiteral("Zugriff"), QStringLiteral(".not. Zugriff"),
                     QStringLiteral("Filter=Nicht im Zugriff"));
}

void TBilderFilter::FlagFilterSetzen(const QString& tag, const QString& ausdruck, const QString& status)
{
    TDbe* dbe = bereich_.Dbe();
    {
        TControlsDisabler anzeigeAus(bereich_.Tabelle());
        filterSatzNr_ = dbe->RecNo();
        filterSortierung_ = uint8_t(AufTagUmschalten(tag));
        dbe->Query(ausdruck);
        if (FilterGesetzt() == 0) {
            FilterStatus(kKeinFilter, false);
            dbe->Go(filterSatzNr_);
        } else {
            FilterStatus(status, true);
        }
        dbe->SetOrder(filterSortierung_);
        SortierungAnzeigen();
        ansicht_.SatzAnzahlZeigen();
    }
    bereich_.Tabelle()->Refresh();
    ansicht_.GridLayoutZuruecklesen();
    VorschauNeuLesen();
    ansicht_.VorschaubildZeigen();
    ansicht_.GridZeigen();
    ansicht_.EinzelsatzWiederherstellen();
}

// ---------------------------------------------------------------------------
// Date ranges
// ---------------------------------------------------------------------------

void TBilderFilter::DatumBefehl(TObject* Sender, const char* handler, const QString& feld)
{
    if (!BefehlBeginnen(Sender, handler))
        return;
    DatumVonBis(feld);
}

void TBilderFilter::DatumVonBis(const QString& FieldName)
{
    TDbe* dbe = bereich_.Dbe();
    TDatumScopeForm& dlg = *umgebung_.DatumDialog();
    // Counting a key range walks it: the count of the range set is kept
    // for the status line.
    uint32_t imBereich = 0;
    if (dlg.ShowModal() == mrOk) {
        dbe->SetScope(QString(), QString());
        dbe->SetOrder(dbe->TagArea(FieldName));
        const QString von = dlg.VonText(), bis = dlg.BisText();
        if (von.isEmpty() || bis.isEmpty()) {
            ShowMessage(QStringLiteral("In beiden Eingabefelder muss ein gültiges Datum eingegeben werden!"));
            bereich_.Tabelle()->Refresh();
            return;
        }
        if (!dbe->SetScope(DatumInJJJJMMTT(von), DatumInJJJJMMTT(bis))) {
            ShowMessage(QStringLiteral("Filter konnte nicht gesetzt werden!"));
            bereich_.Tabelle()->Refresh();
            return;
        }
        imBereich = dbe->QueryRecCount();
        if (imBereich == 0) {
            umgebung_.Hinweis(QStringLiteral("Für angebenen Zeitraum keine Einträge gefunden !"));
            dbe->SetScope(QString(), QString());
        }
    } else {
        dbe->SetScope(QString(), QString());
    }
    bereich_.Tabelle()->Refresh();
    // Only a range that holds entries is a filter; a cancelled or empty one
    // leaves the album unfiltered and says so.
    if (imBereich > 0)
        FilterStatus(QStringLiteral("Filter= ") + FieldName, true);
    else
        FilterStatus(kKeinFilter, false);
    ansicht_.GezeigteAnzahlZeigen(imBereich > 0 ? imBereich : dbe->QueryRecCount());
}

// ---------------------------------------------------------------------------
// Reset and the availability view
// ---------------------------------------------------------------------------

void TBilderFilter::OhneFilter(TObject* Sender)
{
    Ton(Sender);
    if (!album_.Offen())
        return;
    TDbe* dbe = bereich_.Dbe();
    letzterVolltextSuchText_.clear();
    TrefferlisteLeeren();
    const TAnsichtVerborgen verborgen(ansicht_);
    Protokoll(QStringLiteral("BilderOhneFilter1Click(), Funktion aufgerufen!"));
    const uint32_t satz = dbe->RecNo();
    if (filterSortierung_ != 0)
        dbe->SetOrder(filterSortierung_);
    dbe->Query(QString());
    dbe->SetScope(QString(), QString());
    dbe->Go(satz);
    bereich_.Tabelle()->Refresh();
    ansicht_.SatzAnzahlZeigen();
    FilterStatus(kKeinFilter, false);
    ansicht_.VorschaubilderVeraltet();
    ansicht_.SuchtextSetzen(kSuchfeldText);
    VorschauNeuLesen();
    ansicht_.VorschaubildZeigen();
    ansicht_.GridZeigen();
    ansicht_.EinzelsatzWiederherstellen();
}

void TBilderFilter::NurVerfuegbareUmschalten()
{
    if (!album_.Offen())
        return;
    Protokoll(QStringLiteral("NurverfuegbareBilderanzeigen1Click(), Funktion aufgerufen!"));
    umgebung_.NurVerfuegbareUmschalten();
    IndexWechsel(QStringLiteral("ShortDesc"));
    ansicht_.GridSeiteZeigen();
}

void TBilderFilter::NachAlbumwechsel()
{
    filterSortierung_ = 0;
    letzterVolltextSuchText_.clear();
    TrefferlisteLeeren();
    FilterStatus(kKeinFilter, false);
}

// ---------------------------------------------------------------------------
// Orders
// ---------------------------------------------------------------------------

void TBilderFilter::TitelKlick(const QString& FieldName)
{
    TDbe* dbe = bereich_.Dbe();
    if (umgebung_.NurVerfuegbareAnzeigen()) {
        const int tag = dbe->TagArea(FieldName + u'2');
        if (tag == 0)
            return;
        dbe->SetOrder(tag);
        bereich_.Tabelle()->Refresh();
        if (dbe->QueryRecCount() == 0 && umgebung_.Optionen().CheckBoxAlleMeldungen)
            umgebung_.Hinweis(QStringLiteral("Es sind keine Bilder im Zugriff, schalten Sie ggfs. die Option "
                                             "\"Ansicht\"->\"Alle verfügbaren anzeigen\" aus !"));
    } else {
        const int tag = dbe->TagArea(FieldName);
        if (tag == 0)
            return;
        dbe->SetOrder(tag);
        bereich_.Tabelle()->Refresh();
    }
    ansicht_.SatzAnzahlZeigen();
    // A tag that cannot be read is not taken: the rows stay as they were.
    if (!dbe->OrderError().isEmpty()) {
        umgebung_.Hinweis(dbe->OrderError());
        return;
    }
    ansicht_.SortierungZeigen(QStringLiteral("Sortierung=") + FieldName);
}

void TBilderFilter::Unsortiert()
{
    if (!album_.Offen())
        return;
    ShowMessage(QStringLiteral("Durch die natürliche Sortierung (also keine Sortierung), werden auch die gelöschten "
                               "Einträge sichtbar, sofern Sie nicht zwischenzeitlich mal das Fotoalbum gepackt "
                               "haben!"));
    bereich_.Dbe()->SetOrder(0);
    bereich_.Tabelle()->Refresh();
    ansicht_.SortierungZeigen(QStringLiteral("Unsortiert"));
    ansicht_.SatzAnzahlZeigen();
}

void TBilderFilter::IndexWechsel(const QString& TagName)
{
    TDbe* dbe = bereich_.Dbe();
    Screen->SetCursor(crHourGlass);
    if (umgebung_.NurVerfuegbareAnzeigen())
        dbe->SetOrder(dbe->TagArea(TagName + u'2'));
    else
        dbe->SetOrder(dbe->TagArea(TagName));
    bereich_.SortierungSetzen(dbe->IndexOrd());
    bereich_.Tabelle()->Refresh();
    ansicht_.SatzAnzahlZeigen();
    Screen->SetCursor(crDefault);
}

// ---------------------------------------------------------------------------
// Field search and "Gehezu SatzNr."
// ---------------------------------------------------------------------------

void TBilderFilter::FeldsucheGrid()
{
    if (ansicht_.GridFeld().isEmpty())
        return;
    FeldSucheDlg();
    ansicht_.VorschaubildZeigen();
}

void TBilderFilter::FeldSucheDlg()
{
    // The field is the one of the control the user stands in.
    const QString feld = umgebung_.FokusFeld();
    if (feld.isEmpty()) {
        ShowMessage(QStringLiteral("Setzen Sie den Mauscursor in das Feld in dem gesucht werden soll !"));
        return;
    }
    TFilterSuchHost host(bereich_.Dbe(), album_.DbeUmgebung());
    TSuchenForm3 dlg(umgebung_.DialogBesitzer(), host);
    SuchTabellenName() = bereich_.Tabelle()->Name.toUpper();
    SuchFeldName() = feld;
    dlg.SetCaption(QStringLiteral("Schnelle Suche im selektierten Feld"));
    dlg.ShowModal();
}

void TBilderFilter::SpaltenWechsel()
{
    const QString feld = ansicht_.GridFeld();
    if (feld.isEmpty())
        return;
    umgebung_.FeldsucheAnbieten(StringInListeSuchen(bereich_.Tags(), feld.toUpper()) >= 0);
}

void TBilderFilter::GeheZuSatzNr()
{
    if (!album_.Offen())
        return;
    QString text;
    if (!InputQuery(QStringLiteral("Eingabedialogfenster"), QStringLiteral("Geben Sie eine SatzNr. ein"), text) ||
        text.isEmpty() || !IstZahl(text))
        return;
    bool ok = false;
    const qlonglong nummer = text.trimmed().toLongLong(&ok);
    if (!ok)
        return;
    TDbe* dbe = bereich_.Dbe();
    if (nummer >= 1 && nummer <= qlonglong(dbe->RecCount()))
        dbe->Go(uint32_t(nummer));
    bereich_.Tabelle()->Refresh();
    ansicht_.VorschaubildZeigen();
    if (qlonglong(dbe->RecNo()) == nummer && !dbe->Eof()) {
        ansicht_.VorschauseiteAuffrischen();
    } else if (nummer >= 1 && nummer <= qlonglong(dbe->RecCount())) {
        ShowMessage(QStringLiteral("Nicht gefunden, Sie haben wahrscheinlich einen Filter gesetzt !"));
    } else {
        ShowMessage(QStringLiteral("Eingebene SatzNr. nicht gefunden !"));
    }
}

// ---------------------------------------------------------------------------
// The quick-search bar
// ---------------------------------------------------------------------------

void TBilderFilter::TrefferlisteLeeren()
{
    trefferliste_.Clear();
    trefferPosition_ = 0;
    ansicht_.SuchKnopfAktivieren(TSuchKnopf::Vorheriger, false);
}

void TBilderFilter::SuchfeldBetreten()
{
    dienste_.AbbruchSetzen(false);
    ansicht_.SuchtextSetzen(QString());
}

void TBilderFilter::SuchfeldTaste(TObject* Sender, uint16_t Key)
{
    if (ansicht_.Suchtext().isEmpty())
        return;
    if (Key == VK_RETURN)
        VolltextFiltern(Sender);
    else
        ansicht_.SuchKnopfAktivieren(TSuchKnopf::Filter, true);
}

void TBilderFilter::Naechster()
{
    TDbe* dbe = bereich_.Dbe();
    TFts* fts = bereich_.Fts();
    if (!bereich_.Tabelle()->Active())
        return;
    if (bereich_.VolltextFehlt()) {
        ShowMessage(kKeinVolltext);
        return;
    }
    // A new search text starts a new hit list.
    const QString suchtext = ansicht_.Suchtext();
    if (volltextAbfrage_ != VolltextAbfrage(suchtext)) {
        TrefferlisteLeeren();
        volltextAbfrage_ = VolltextAbfrage(suchtext);
        if (fts->SetQuery(volltextAbfrage_) <= 0) {
            NichtGefunden();
            return;
        }
    }
    int position = trefferliste_.IndexOf(QString::number(dbe->RecNo()));
    if (position < trefferliste_.Count() - 1) {
        ++position;
        trefferPosition_ = position;
        dbe->Go(trefferliste_.Strings(position).toUInt());
        bereich_.Tabelle()->Refresh();
        if (position > 0)
            ansicht_.SuchKnopfAktivieren(TSuchKnopf::Vorheriger, true);
        ansicht_.VorschaubildZeigen();
        return;
    }
    const QString caption = ansicht_.SuchKnopfText(TSuchKnopf::Naechster);
    sucheLaeuft_ = true;
    {
        TControlsDisabler anzeigeAus(bereich_.Tabelle());
        int zaehler = 0;
        std::vector<char>& satz = bereich_.FtsPuffer();
        while (sucheLaeuft_) {
            ansicht_.SuchKnopfTextSetzen(TSuchKnopf::Naechster, QString::number(++zaehler));
            const int r = fts->NextRec();
            if (r <= 0) {
                NichtGefunden();
                break;
            }
            Application->ProcessMessages();
            if (dienste_.AbbruchGedrueckt()) {
                Screen->SetCursor(crDefault);
                dienste_.AbbruchSetzen(false);
                ShowMessage(QStringLiteral("ESC gedrückt, abgebrochen!"));
                sucheLaeuft_ = false;
            }
            ansicht_.SuchKnopfAktivieren(TSuchKnopf::Naechster, true);
            // A candidate the filter in force hides cannot be shown.
            if (!dbe->Go(uint32_t(r)) || dbe->RecNo() != uint32_t(r))
                continue;
            if (umgebung_.Optionen().Bool(QStringLiteral("SearchFTS_OnlyInShortDesc")) &&
                !InKurzbeschreibung(dbe, ansicht_.Suchtext()))
                continue;
            if (fts->Verify(SatzBild(dbe, satz), volltextAbfrage_, 2) == 1) {
                sucheLaeuft_ = false;
                trefferliste_.Add(QString::number(r));
                trefferPosition_ = trefferliste_.IndexOf(QString::number(r));
                if (trefferPosition_ > 0)
                    ansicht_.SuchKnopfAktivieren(TSuchKnopf::Vorheriger, true);
            }
        }
    }
    ansicht_.SuchKnopfTextSetzen(TSuchKnopf::Naechster, caption);
    bereich_.Tabelle()->Refresh();
    ansicht_.VorschaubildZeigen();
}

void TBilderFilter::Vorheriger()
{
    if (trefferPosition_ <= 0 || trefferPosition_ > trefferliste_.Count())
        return;
    --trefferPosition_;
    bereich_.Dbe()->Go(trefferliste_.Strings(trefferPosition_).toUInt());
    bereich_.Tabelle()->Refresh();
    if (trefferPosition_ == 0)
        ansicht_.SuchKnopfAktivieren(TSuchKnopf::Vorheriger, false);
    ansicht_.VorschaubildZeigen();
}

void TBilderFilter::NichtGefunden()
{
    sucheLaeuft_ = false;
    bereich_.Dbe()->GoBottom();
    bereich_.Dbe()->Skip(1);
    ansicht_.SuchKnopfAktivieren(TSuchKnopf::Naechster, false);
    ShowMessage(QStringLiteral("Text nicht gefunden!"));
}

void TBilderFilter::VolltextFiltern(TObject* Sender)
{
    TDbe* dbe = bereich_.Dbe();
    TFts* fts = bereich_.Fts();
    const QString text = ansicht_.Suchtext();
    if (text.isEmpty() || !bereich_.Tabelle()->Active())
        return;
    Ton(Sender);
    bool kombinieren = false;
    Protokoll(QStringLiteral("ButFiltClick(), Volltextfilterung aufgerufen!"));
    if (bereich_.VolltextFehlt()) {
        ShowMessage(kKeinVolltext);
        return;
    }
    // Another filter in force (an earlier text, or a field filter whose reset
    // is on) may be kept: the user chooses.
    const bool andererFilter = letzterVolltextSuchText_.isEmpty() ? ansicht_.SuchKnopfAktiv(TSuchKnopf::FilterReset)
                                                                  : letzterVolltextSuchText_ != text;
    if (andererFilter) {
        const TModalResult antwort = MessageDlg(QStringLiteral("Mit existierenden Filter kombinieren ?"),
                                                mtConfirmation, mbYesNoCancel);
        if (antwort == mrCancel)
            return;
        if (antwort == mrYes) {
            kombinieren = true;
            Protokoll(QStringLiteral("ButFiltClick(), Kombifilter bestätigt!"));
        }
    }
    letzterVolltextSuchText_ = text;
    TrefferlisteLeeren();
    volltextAbfrage_ = VolltextAbfrage(text);
    const int ergebnis = fts->SetQuery(volltextAbfrage_);
    if (ergebnis == -13) {
        ShowMessage(QStringLiteral("Keine Schlüssel für Volltextsuche vorhanden !"));
        return;
    }
    if (ergebnis == 0) {
        NichtGefunden();
        return;
    }

    Screen->SetCursor(crHourGlass);
    ansicht_.SuchKnopfAktivieren(TSuchKnopf::Naechster, false);
    ansicht_.SuchKnopfAktivieren(TSuchKnopf::Vorheriger, false);
    int treffer = 0;
    {
        TControlsDisabler anzeigeAus(bereich_.Tabelle());
        const int gespeicherteSortierung = dbe->SetOrder(0);
        // The entries shown now, for a combination.
        QStringList gezeigt;
        if (kombinieren) {
            for (dbe->GoTop(); !dbe->Eof(); dbe->Skip(1))
                gezeigt << QString::number(dbe->RecNo());
            gezeigt.sort();
        }
        // A full-text filter starts from an empty bitmap, not from the
        // filter in force: the query is dropped, the candidates are checked
        // with every record reachable, and the first bit set starts a bitmap
        // that shows exactly the accepted hits.
        dbe->Query(QString());
        std::vector<uint32_t> angenommen;
        dbe->GoTop();
        int r = fts->NextRec();
        ansicht_.SuchFortschrittBeginnen(int32_t(dbe->RecCount()));
        const QString caption = ansicht_.SuchKnopfText(TSuchKnopf::Filter);
        int zaehler = 0;
        std::vector<char>& satz = bereich_.FtsPuffer();
        while (r > 0) {
            ansicht_.SuchKnopfTextSetzen(TSuchKnopf::Filter, QString::number(++zaehler));
            ansicht_.SuchKnopfAktivieren(TSuchKnopf::Naechster, true);
            Application->ProcessMessages();
            if (dienste_.AbbruchGedrueckt()) {
                Screen->SetCursor(crDefault);
                dienste_.AbbruchSetzen(false);
                Protokoll(QStringLiteral("ButFiltClick(), ESC gedrückt, Volltextfilterung abgebrochen!"));
                ShowMessage(QStringLiteral("ESC gedrückt, Volltextfilterung abgebrochen!"));
                break;
            }
            if (dbe->Go(uint32_t(r)) && dbe->RecNo() == uint32_t(r)) {
                if (fts->Verify(SatzBild(dbe, satz), volltextAbfrage_, 2) == 1 &&
                    !(kombinieren && !std::binary_search(gezeigt.begin(), gezeigt.end(), QString::number(r))) &&
                    !(umgebung_.Optionen().Bool(QStringLiteral("SearchFTS_OnlyInShortDesc")) &&
                      !InKurzbeschreibung(dbe, text)))
                    angenommen.push_back(uint32_t(r));
            }
            ansicht_.SuchFortschritt(r);
            r = fts->NextRec();
        }
        // The hits are the bits really set.
        std::sort(angenommen.begin(), angenommen.end());
        angenommen.erase(std::unique(angenommen.begin(), angenommen.end()), angenommen.end());
        for (uint32_t nummer : angenommen)
            if (dbe->SetQueryBit(nummer, true))
                ++treffer;
        ansicht_.SuchKnopfTextSetzen(TSuchKnopf::Filter, caption);
        ansicht_.SuchFortschrittVerbergen();
        dbe->SetOrder(gespeicherteSortierung);
        dbe->GoTop();
    }
    bereich_.Tabelle()->Refresh();
    Screen->SetCursor(crDefault);

    // Hits are the bits really set: an empty result is no filter.
    if (treffer == 0) {
        dbe->Query(QString());
        bereich_.Tabelle()->Refresh();
        // The earlier filter was dropped for the search: the status and the
        // next search must not assume it.
        letzterVolltextSuchText_.clear();
        FilterStatus(kKeinFilter, false);
        ansicht_.SatzAnzahlZeigen();
        NichtGefunden();
    } else {
        ansicht_.SatzAnzahlZeigen();
        ansicht_.VorschaubilderVeraltet();
        FilterStatus(QStringLiteral("Volltextfilter gesetzt "), true);
        if (umgebung_.Optionen().Bool(QStringLiteral("GefundeneBilderKopieren")) &&
            MessageDlg(QStringLiteral(" Gefundene Bilder in neues Fotoalbum kopieren ?"), mtConfirmation,
                       TMsgDlgButtons{mbYes, mbNo}) == mrYes)
            umgebung_.GefundeneKopieren();
        VorschauNeuLesen();
    }
    ansicht_.Fortschritt2Verbergen();
    ansicht_.VorschaubildZeigen();
    ansicht_.GridFokussieren();
}
