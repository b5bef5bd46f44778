#include "dialogs/program_options.h"

#include <QFileInfo>

#include "platform/os/volumes.h"

#include "dialogs/form_parts.h"
#include "controls/directory_chooser.h"
#include "controls/shadow_button.h"
#include "platform/core/exceptions.h"
#include "platform/core/file_utils.h"
#include "platform/core/ini_file.h"
#include "platform/core/win1252.h"
#include "platform/core/win_path.h"
#include "platform/os/folders.h"
#include "platform/ui/buttons.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/menus.h"
#include "platform/ui/std_ctrls.h"
#include "shared/general_files.h"
#include "shared/general_texts.h"
#include "shared/qk_ini.h"
#include "shared/utility_graphics.h"

#include <QRadioButton>

namespace {

using T = TEinstellungsTyp;

// Page geometry: two columns of controls per tab.
constexpr int kSpalteBreite = 336;
constexpr int kSpalteX[] = {8, 356};
constexpr int kSeitenHoehe = 452;

constexpr int kTonCheckBox = 12;
constexpr int kTonScrollBar = 16;

// Browse buttons of the folder and program edits, named as the form names them.
struct TKnopfName {
    const char* Edit;
    const char* Knopf;
};
const TKnopfName kSuchKnoepfe[] = {
    {"EditSourceDir", "SpeedButton5"},
    {"EditDestDir", "SpeedButton4"},
    {"EditTempDir", "SpeedButton7"},
    {"EditVorschaubilderVerzeichnis", "SpeedButton10"},
    {"EditBackupDir", "SpeedButton11"},
    {"EditDatenbankenVerzeichnis", "SpeedButton12"},
    {"EditPRGWavePfad", "SpeedButton13"},
    {"EditHintWavePfad", "SpeedButton14"},
    {"EditBilderASCIIExport", "SpeedButton15"},
    {"EDITCDRDIR", "SpeedButton16"},
    {"EditScannerZielDir", "SpeedButton17"},
    {"EditHTMLExportPfad", "SpeedButtonHTMLExport"},
    {"EditBilderASCIIImport", "SpeedButton6"},
    {"EditExternerProgrammPfadBildAnzeige", "SpeedButton8"},
    {"EditExternerProgrammPfadBildBearbeitung1", "SpeedButton9"},
    {"EditExternerProgrammPfadBildBearbeitung2", "SpeedButton1"},
    {"EditExternerProgrammPfadBildBearbeitung3", "SpeedButton2"},
};

// Group boxes with a name the code refers to.
QString GruppenName(const char* gruppe)
{
    const QString g = QString::fromUtf8(gruppe);
    if (g == QLatin1String("Maushilfe-Parameter"))
        return QStringLiteral("GroupBoxMausHilfeParameter");
    if (g == QLatin1String("Listenfarben"))
        return QStringLiteral("GroupBoxListenFarben");
    if (g == QLatin1String("Fenster"))
        return QStringLiteral("GroupBoxFenster");
    QString name = QStringLiteral("GroupBox");
    for (const QChar c : g)
        if (c.isLetterOrNumber() && c.unicode() < 128)
            name += c;
    return name;
}

int ZeilenHoehe(const TEinstellung& z)
{
    if (z.Versteckt)
        return 0;
    switch (z.Typ) {
    case T::Bool:
    case T::Radio:
        return 22;
    case T::Farbe:
        return 34;
    default:
        return 44;
    }
}

const char* const kGruppeTextVollbild = "Kurzbeschreibung in Vollbildanzeige";

}  // namespace

// The dialog's store: the main window calls the pick-list reload on it, and
// the dialog does the whole work (defaults, side file, combos).
class TProgrammOptionen::TSpeicher : public TProgrammEinstellungen {
public:
    explicit TSpeicher(TProgrammOptionen& dialog) : dialog_(dialog) {}
    void ReadPlayListFromMemo(const QString& gprFile) override { dialog_.PickListeLesen(0, gprFile); }
    void ReadQuellenFromMemo(const QString& qulFile) override { dialog_.PickListeLesen(1, qulFile); }

private:
    TProgrammOptionen& dialog_;
};

TProgrammOptionen::TProgrammOptionen(TComponent* AOwner, TOptionenHauptfenster& hauptfenster)
    : TForm(AOwner), haupt_(hauptfenster), speicher_(std::make_unique<TSpeicher>(*this))
{
    Name = QStringLiteral("ProgrammOptionen");
    SetCaption(QStringLiteral("Einstellungen / Optionen"));
    HelpContext = 320;
    SetBorderStyle(bsDialog);
    SetClientWidth(720);
    SetClientHeight(540);
    Position = poScreenCenter;
    Bauen();
    speicher_->OnChange = [this](const QString& schluessel) { SpeicherGeaendert(schluessel); };
    OnCreate = [this](TObject* s) { FormCreate(s); };
    OnShow = [this](TObject* s) { FormShow(s); };
    OnActivate = [this](TObject* s) { FormActivate(s); };
    OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
    Loaded();
    DoCreate();
}

TProgrammOptionen::~TProgrammOptionen()
{
    speicher_->OnChange = nullptr;
}

TProgrammEinstellungen& TProgrammOptionen::Einstellungen() { return *speicher_; }

TControl* TProgrammOptionen::Steuerelement(const QString& name)
{
    SteuerelementeBauen();
    return elemente_.value(name);
}

TLabel* TProgrammOptionen::WertLabel(const QString& scrollBar)
{
    SteuerelementeBauen();
    return wertLabels_.value(scrollBar);
}

TSpeedButton* TProgrammOptionen::SuchKnopf(const QString& edit)
{
    SteuerelementeBauen();
    return suchKnoepfe_.value(edit);
}

void TProgrammOptionen::SteuerelementeBauen()
{
    if (SteuerelementeGebaut())
        return;
    const int vorher = ComponentCount();
    BedienelementeBauen();
    // The new controls are finished as the form's load finishes its own:
    // tab order and alignment.
    for (int i = vorher; i < ComponentCount(); ++i)
        Components(i)->Loaded();
    TWinControl::Loaded();
    // The controls show the store as it stands: the settings read at the
    // start and every change since, the pick lists of the open album.
    PageControlMain->SetActivePageIndex(rtAllgemein);
    SteuerelementeAktualisieren();
    MemoGruppenListe->Lines()->Assign(speicher_->MemoGruppenListe);
    MemoQuellenListe->Lines()->Assign(speicher_->MemoQuellenListe);
}

void TProgrammOptionen::SpeicherGeaendert(const QString& schluessel)
{
    if (SteuerelementeGebaut()) {
        SteuerelementAktualisieren(schluessel);
        return;
    }
    // Without controls the store's change still reaches the main window
    // where a control would have passed it on: the hint times.
    if (schluessel.compare(QLatin1String("MouseHintTime"), Qt::CaseInsensitive) == 0 ||
        schluessel.compare(QLatin1String("HintHidePause"), Qt::CaseInsensitive) == 0)
        HintZeitenAnwenden();
}

void TProgrammOptionen::HintZeitenAnwenden()
{
    const int pause = speicher_->Zahl(QStringLiteral("MouseHintTime"));
    haupt_.HintZeitenSetzen(pause == 0 ? 200 : pause * 1000, speicher_->Zahl(QStringLiteral("HintHidePause")) * 1000);
}

// ---------------------------------------------------------------------------
// Building the form
// ---------------------------------------------------------------------------

namespace {

template <typename C>
C* Neu(TComponent* owner, TWinControl* parent, const QString& name, QHash<QString, TControl*>& elemente)
{
    auto* c = new C(owner);
    c->Name = name;
    c->SetParent(parent);
    if (!name.isEmpty())
        elemente.insert(name, c);
    return c;
}

}  // namespace

void TProgrammOptionen::Bauen()
{
    PopupMenu1 = new TPopupMenu(this);
    PopupMenu1->Name = QStringLiteral("PopupMenu1");
    auto* schliessen = new TMenuItem(this);
    schliessen->Name = QStringLiteral("Dialogfensterschliessen1");
    schliessen->SetCaption(QStringLiteral("Dialogfenster schließen"));
    schliessen->OnClick = [this](TObject*) { Close(); };
    PopupMenu1->Items()->Add(schliessen);
    SetPopupMenu(PopupMenu1);

    QKINISettings = new TQKINI(this);
    QKINISettings->Name = QStringLiteral("QKINISettings");
    QKINISettings->SetCaption(QString());
    QKINISettings->SaveWinPos = swpPosition;
    ColorDialog1 = new TColorDialog(this);
    FontDialog1 = new TFontDialog(this);
}

void TProgrammOptionen::BedienelementeBauen()
{
    PageControlMain = Neu<TPageControl>(this, this, QStringLiteral("PageControlMain"), elemente_);
    PageControlMain->SetBounds(8, 8, 704, 488);
    static const char* const kReiterNamen[rtAnzahl] = {
        "TabSheetHauptprogramm_Allgemein", "TabSheetBilder_Allgemein",       "TabSheetBilder_BilderKopieren",
        "TabSheetBilder_DatenbankOutfit",  "TabSheetBilder_ExterneProgramme", "TabSheet_Scanner",
        "TabSheetHTMLExport",              "TabSheetHauptprogramm_Outfit",   "TabSheetHauptprogramm_Sound"};
    for (int r = 0; r < rtAnzahl; ++r) {
        Reiter[r] = new TTabSheet(this);
        Reiter[r]->Name = QString::fromLatin1(kReiterNamen[r]);
        elemente_.insert(Reiter[r]->Name, Reiter[r]);
        Reiter[r]->SetPageControl(PageControlMain);
        Reiter[r]->SetCaption(ReiterBeschriftung(TOptionenReiter(r)));
    }
    for (int r = 0; r < rtAnzahl; ++r)
        ReiterBauen(TOptionenReiter(r));

    BitBtn1 = Neu<TBitBtn>(this, this, QStringLiteral("BitBtn1"), elemente_);
    BitBtn1->SetKind(bkOK);
    BitBtn1->SetBounds(8, 504, 100, 28);
    BitBtn2 = Neu<TBitBtn>(this, this, QStringLiteral("BitBtn2"), elemente_);
    BitBtn2->SetKind(bkHelp);
    BitBtn2->SetCaption(QStringLiteral("&Hilfe"));
    BitBtn2->SetBounds(116, 504, 100, 28);
    BitBtn2->OnClick = [this](TObject*) {
        haupt_.PrgWavSpielen(50, 0);
        haupt_.Hilfe(QStringLiteral("Hlp_Einstellungen"));
    };
    BitBtn3 = Neu<TBitBtn>(this, this, QStringLiteral("BitBtn3"), elemente_);
    BitBtn3->SetCaption(QStringLiteral("Grundeinstellungen wiederherstellen"));
    BitBtn3->SetBounds(472, 504, 240, 28);
    BitBtn3->OnClick = [this](TObject* s) { BitBtn3Click(s); };
}

void TProgrammOptionen::ReiterBauen(TOptionenReiter reiter)
{
    TTabSheet* seite = Reiter[reiter];
    int spalte = 0, y = 8;
    auto platz = [&](int hoehe) {
        if (y + hoehe > kSeitenHoehe && spalte == 0 && y > 8) {
            spalte = 1;
            y = 8;
        }
    };

    if (reiter == rtFarben) {
        DialogText(this, seite, QString(), QStringLiteral("Schriften"), kSpalteX[0], y);
        ComboBoxFonts = Neu<TComboBox>(this, seite, QStringLiteral("ComboBoxFonts"), elemente_);
        ComboBoxFonts->SetStyle(csDropDownList);
        for (const TSchriftEintrag& e : SchriftEintraege())
            ComboBoxFonts->Items()->Add(QString::fromUtf8(e.Eintrag));
        ComboBoxFonts->SetBounds(kSpalteX[0], y + 16, kSpalteBreite, 22);
        ComboBoxFonts->OnChange = [this](TObject*) {
            if (!aktualisiert_ && ComboBoxFonts->ItemIndex() >= 0)
                FontZuweisen(ComboBoxFonts->ItemIndex());
        };
        y += 48;
    }

    const auto tabelle = EinstellungsTabelle();
    for (size_t i = 0; i < tabelle.size();) {
        const TEinstellung& z = tabelle[i];
        if (z.Reiter != reiter) {
            ++i;
            continue;
        }
        // The rows of one group box, or one row without a group.
        size_t ende = i + 1;
        if (*z.Gruppe)
            while (ende < tabelle.size() && tabelle[ende].Reiter == reiter &&
                   qstrcmp(tabelle[ende].Gruppe, z.Gruppe) == 0)
                ++ende;
        int hoehe = 0;
        bool alleVersteckt = true;
        for (size_t j = i; j < ende; ++j) {
            hoehe += ZeilenHoehe(tabelle[j]);
            alleVersteckt = alleVersteckt && tabelle[j].Versteckt;
        }
        const bool textVollbild = qstrcmp(z.Gruppe, kGruppeTextVollbild) == 0;
        if (textVollbild)
            hoehe += 34;
        if (!*z.Gruppe) {
            platz(hoehe);
            ZeileBauen(z, seite, kSpalteX[spalte], y, kSpalteBreite);
        } else {
            hoehe += 26;
            if (!alleVersteckt)
                platz(hoehe);
            auto* box = Neu<TGroupBox>(this, seite, GruppenName(z.Gruppe), elemente_);
            box->SetCaption(QString::fromUtf8(z.Gruppe));
            box->SetBounds(kSpalteX[spalte], y, kSpalteBreite, alleVersteckt ? 10 : hoehe);
            box->SetVisible(!alleVersteckt);
            int innen = 20;
            for (size_t j = i; j < ende; ++j)
                ZeileBauen(tabelle[j], box, 10, innen, kSpalteBreite - 20);
            if (textVollbild) {
                BitBtnTextVollbildFont = Neu<TBitBtn>(this, box, QStringLiteral("BitBtnTextVollbildFont"), elemente_);
                BitBtnTextVollbildFont->SetCaption(QStringLiteral("Schrift..."));
                BitBtnTextVollbildFont->SetBounds(10, innen, 120, 26);
                BitBtnTextVollbildFont->OnClick = [this](TObject* s) { BitBtnTextVollbildFontClick(s); };
            }
            if (!alleVersteckt)
                y += hoehe + 6;
        }
        i = ende;
    }

    if (reiter == rtBilder) {
        struct {
            TMemo*& memo;
            const char* name;
            const char* titel;
            int liste;
        } memos[] = {{MemoGruppenListe, "MemoGruppenListe", "Gruppendefinitionen", 0},
                     {MemoQuellenListe, "MemoQuellenListe", "Quellendefinitionen", 1}};
        for (auto& m : memos) {
            platz(150);
            DialogText(this, seite, QString(), QString::fromUtf8(m.titel), kSpalteX[spalte], y);
            m.memo = Neu<TMemo>(this, seite, QString::fromLatin1(m.name), elemente_);
            m.memo->SetBounds(kSpalteX[spalte], y + 16, kSpalteBreite, 126);
            m.memo->SetScrollBars(ssVertical);
            const int liste = m.liste;
            m.memo->OnExit = [this, liste](TObject*) { MemoListeExit(liste); };
            y += 150;
        }
    }
}

void TProgrammOptionen::ZeileBauen(const TEinstellung& z, TWinControl* parent, int x, int& y, int breite)
{
    const QString name = QString::fromUtf8(z.Steuerelement);
    const QString text = QString::fromUtf8(z.Beschriftung);
    TControl* c = nullptr;
    switch (z.Typ) {
    case T::Bool: {
        auto* box = Neu<TCheckBox>(this, parent, name, elemente_);
        box->SetCaption(text);
        box->SetBounds(x, y, breite, 20);
        box->OnClick = [this, box, key = QString::fromUtf8(z.Schluessel)](TObject*) {
            if (!aktualisiert_)
                speicher_->SetBool(key, box->Checked());
        };
        box->OnMouseUp = [this, box](TObject*, TMouseButton, TShiftState, int, int) { CheckBoxMausHoch(box); };
        c = box;
        break;
    }
    case T::Radio: {
        auto* r = Neu<TRadioButton>(this, parent, name, elemente_);
        r->SetCaption(text);
        r->SetBounds(x, y, breite, 20);
        r->OnClick = [this, r, key = QString::fromUtf8(z.Schluessel)](TObject*) {
            if (!aktualisiert_ && r->Checked())
                speicher_->SetBool(key, true);
        };
        c = r;
        break;
    }
    case T::Farbe: {
        auto* k = Neu<TShadowButton>(this, parent, name, elemente_);
        k->SetCaption(text);
        k->SetBounds(x, y, std::min(breite, 220), 30);
        k->OnClick = [this, k](TObject*) { FarbKnopfClick(k); };
        c = k;
        break;
    }
    case T::Zahl:
        if (name.startsWith(QLatin1String("ScrollBar"))) {
            DialogText(this, parent, QString(), text, x, y);
            auto* wert = new TLabel(this);
            wert->SetParent(parent);
            wert->SetAutoSize(false);
            wert->SetAlignment(taRightJustify);
            wert->SetBounds(x + breite - 80, y, 80, 16);
            wertLabels_.insert(name, wert);
            auto* bar = Neu<TScrollBar>(this, parent, name, elemente_);
            bar->SetKind(sbHorizontal);
            bar->SetParams(z.Min, z.Min, z.Max);
            bar->SetBounds(x, y + 18, breite, 18);
            bar->Tag = kTonScrollBar;
            bar->OnChange = [this, bar](TObject*) { ScrollBarGeaendert(bar); };
            c = bar;
            break;
        }
        [[fallthrough]];
    case T::Text:
    case T::Ordner:
    case T::Datei: {
        DialogText(this, parent, QString(), text, x, y);
        auto* edit = Neu<TEdit>(this, parent, name, elemente_);
        const bool knopf = z.Typ == T::Ordner || z.Typ == T::Datei;
        const bool zahl = z.Typ == T::Zahl;
        edit->SetBounds(x, y + 17, zahl ? 60 : (knopf ? breite - 28 : breite), 22);
        if (name == QLatin1String("EditSourceFileSuffix"))
            edit->SetCharCase(ecUpperCase);
        edit->OnChange = [this, edit, key = QString::fromUtf8(z.Schluessel), zahl](TObject*) {
            if (aktualisiert_)
                return;
            if (edit->Name == QLatin1String("EditBreiteOderLaenge") && !edit->Text().isEmpty()) {
                bool ok = false;
                edit->Text().trimmed().toInt(&ok);
                if (!ok)
                    throw Exception(QStringLiteral("Nur Zahlen als Eingabe erlaubt"));
            }
            if (!zahl)
                speicher_->SetText(key, edit->Text());
        };
        edit->OnExit = [this, edit](TObject*) { EditVerlassen(edit); };
        if (knopf) {
            QString knopfName;
            for (const TKnopfName& k : kSuchKnoepfe)
                if (name == QLatin1String(k.Edit))
                    knopfName = QString::fromLatin1(k.Knopf);
            auto* sb = Neu<TSpeedButton>(this, parent, knopfName, elemente_);
            sb->SetCaption(QStringLiteral("..."));
            sb->SetBounds(x + breite - 24, y + 17, 24, 22);
            suchKnoepfe_.insert(name, sb);
            if (z.Typ == T::Ordner)
                sb->OnClick = [this, edit](TObject*) { OrdnerSuchen(edit); };
            else
                sb->OnClick = [this, edit](TObject*) { ProgrammSuchen(edit); };
        }
        c = edit;
        break;
    }
    case T::Auswahl: {
        DialogText(this, parent, QString(), text, x, y);
        auto* combo = Neu<TComboBox>(this, parent, name, elemente_);
        combo->SetStyle(csDropDownList);
        for (const QString& e : UploadmodusEintraege())
            combo->Items()->Add(e);
        combo->SetBounds(x, y + 17, std::min(breite, 220), 22);
        combo->OnChange = [this, combo, key = QString::fromUtf8(z.Schluessel)](TObject*) {
            if (!aktualisiert_)
                speicher_->SetZahl(key, combo->ItemIndex());
        };
        c = combo;
        break;
    }
    }
    if (z.Typ == T::Bool)
        c->Tag = (name == QLatin1String("CheckBoxMaushilfe") || name == QLatin1String("CheckBoxFarbSystemBenutzen") ||
                  name == QLatin1String("CheckBoxTextVollbildanzeige"))
                     ? kTonCheckBox
                     : 0;
    c->SetVisible(!z.Versteckt);
    c->SetEnabled(!z.Deaktiviert);
    y += ZeilenHoehe(z);
}

// ---------------------------------------------------------------------------
// Controls and store
// ---------------------------------------------------------------------------

void TProgrammOptionen::SteuerelementAktualisieren(const QString& schluessel)
{
    const TEinstellung* z = EinstellungZuSchluessel(schluessel);
    if (!z)
        return;
    TControl* c = elemente_.value(QString::fromUtf8(z->Steuerelement));
    if (!c)
        return;
    const bool vorher = aktualisiert_;
    aktualisiert_ = true;
    if (auto* box = dynamic_cast<TCheckBox*>(c))
        box->SetChecked(speicher_->Bool(schluessel));
    else if (auto* r = dynamic_cast<TRadioButton*>(c)) {
        // All buttons of a group may be clear: exclusivity off while setting.
        r->Radio()->setAutoExclusive(false);
        r->SetChecked(speicher_->Bool(schluessel));
        r->Radio()->setAutoExclusive(true);
    } else if (auto* bar = dynamic_cast<TScrollBar*>(c)) {
        bar->SetPosition(speicher_->Zahl(schluessel));
        ScrollBarGeaendert(bar);
    } else if (auto* edit = dynamic_cast<TEdit*>(c)) {
        if (edit->Text() != speicher_->Text(schluessel))
            edit->SetText(speicher_->Text(schluessel));
    } else if (auto* combo = dynamic_cast<TComboBox*>(c))
        combo->SetItemIndex(speicher_->Zahl(schluessel));
    else if (auto* knopf = dynamic_cast<TShadowButton*>(c))
        knopf->SetFaceColor(speicher_->Farbe(schluessel));
    aktualisiert_ = vorher;
}

void TProgrammOptionen::SteuerelementeAktualisieren()
{
    for (const TEinstellung& z : EinstellungsTabelle())
        SteuerelementAktualisieren(QString::fromUtf8(z.Schluessel));
}

void TProgrammOptionen::ListenfarbenFreigeben()
{
    const bool an = speicher_->Bool(QStringLiteral("FarbSystemBenutzen"));
    for (const char* name : {"GroupBoxListenFarben", "CheckBoxNichtVerfuegbareZeilenColorieren", "CheckBoxRowColors"})
        if (TControl* c = Steuerelement(QString::fromLatin1(name))) {
            c->SetEnabled(an);
            // The colour buttons show their disabled face too.
            if (auto* w = dynamic_cast<TWinControl*>(c))
                for (int i = 0; i < w->ControlCount(); ++i)
                    w->Controls(i)->SetEnabled(an);
        }
}

void TProgrammOptionen::Ton(TControl* c)
{
    if (c && c->Tag > 0)
        haupt_.PrgWavSpielen(int(c->Tag), 0);
}

void TProgrammOptionen::ScrollBarGeaendert(TScrollBar* bar)
{
    const TEinstellung* z = EinstellungZuSteuerelement(bar->Name);
    const int pos = bar->Position();
    if (TLabel* l = WertLabel(bar->Name))
        l->SetCaption(QString::number(pos) + QString::fromUtf8(z->Einheit));
    if (!aktualisiert_)
        speicher_->SetZahl(QString::fromUtf8(z->Schluessel), pos);
    if (bar->Name == QLatin1String("ScrollBarHintPause") || bar->Name == QLatin1String("ScrollBarHintHidePause")) {
        const int pause = speicher_->Zahl(QStringLiteral("MouseHintTime"));
        haupt_.HintZeitenSetzen(pause == 0 ? 200 : pause * 1000, speicher_->Zahl(QStringLiteral("HintHidePause")) * 1000);
    }
    // A bar moved while the dialog is hidden (the settings read) plays nothing.
    if (Visible() && !aktualisiert_ && bar->Name != QLatin1String("ScrollBarMaxLogSize") &&
        bar->Name != QLatin1String("ScrollBarAutoSlideShow"))
        Ton(bar);
}

void TProgrammOptionen::CheckBoxMausHoch(TCheckBox* box)
{
    const QString& n = box->Name;
    Ton(box);
    if (n == QLatin1String("CheckBoxMaushilfe")) {
        if (box->Checked())
            Steuerelement(QStringLiteral("GroupBoxMausHilfeParameter"))->SetVisible(true);
    } else if (n == QLatin1String("CheckBoxFarbSystemBenutzen")) {
        ListenfarbenFreigeben();
        Application->ProcessMessages();
        haupt_.AlbumTabelleAktualisieren();
        Application->ProcessMessages();
        haupt_.FeldfarbenSetzen();
    } else if (n == QLatin1String("CheckBoxSupportExternalPicFormats")) {
        if (MessageDlg(QStringLiteral("Sie sollten jeden Fall in der Onlinehilfe (Lumadex.HLP) UND im FAQ (FAQ.HLP) "
                                      "nachlesen, auf welche Weise die externen Bildformate unterstützt werden ! Soll "
                                      "die Onlinehilfe jetzt aufgerufen werden ?"),
                       mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) == mrYes)
            haupt_.Hilfe(QStringLiteral("Hlp_Die_Bilderverwaltung"));
    } else if (n == QLatin1String("CheckBoxEndeImMenu")) {
        haupt_.OptionenAnwenden();
    } else if (n == QLatin1String("CheckBoxVorschaubilderPhysikalischDrehen")) {
        ShowMessage(QStringLiteral("ACHTUNG, diese Funktion sollten Sie nicht hin- und herschalten, lesen Sie "
                                   "unbedingt die Hinweise in der Onlinehilfe (F1) hierzu!"));
    }
}

void TProgrammOptionen::EditVerlassen(TEdit* edit)
{
    const QString& n = edit->Name;
    const TEinstellung* z = EinstellungZuSteuerelement(n);
    if (!z)
        return;
    const QString key = QString::fromUtf8(z->Schluessel);
    if (z->Typ != T::Zahl && edit->Text() != speicher_->Text(key)) {
        // The store refused the text (a character the ini file cannot hold,
        // or no number for the edge length): the edit shows the stored value.
        if (!Win1252CanEncode(edit->Text()))
            ShowMessage(QStringLiteral("Der Text enthält Zeichen, die nicht gespeichert werden können."));
        SteuerelementAktualisieren(key);
        return;
    }
    if (z->Typ == T::Ordner) {
        OrdnerPruefen(edit);
        return;
    }
    if (n == QLatin1String("EditSourceFileSuffix") && edit->Text().trimmed().isEmpty())
        edit->SetText(QStringLiteral("*"));
    for (int i = 1; i <= 3; ++i)
        if (n == QStringLiteral("EditBildbearbeitung%1").arg(i) && edit->Text().isEmpty())
            edit->SetText(QString::number(i));
    if (z->Typ == T::Zahl) {
        // A spin edit keeps its value within its range.
        bool ok = false;
        const int v = edit->Text().trimmed().toInt(&ok);
        if (!ok || !speicher_->SetZahl(QString::fromUtf8(z->Schluessel), v))
            SteuerelementAktualisieren(QString::fromUtf8(z->Schluessel));
    }
}

// ---------------------------------------------------------------------------
// Lifecycle
// ---------------------------------------------------------------------------

void TProgrammOptionen::FormCreate(TObject*)
{
    // The main window read its ini before this form existed.
    haupt_.EinstellungenLesen(*speicher_);
    HintZeitenAnwenden();
}

void TProgrammOptionen::FormShow(TObject*)
{
    SteuerelementeBauen();
    SteuerelementeAktualisieren();
    TFont schrift;
    if (auto* knopf = Element<TShadowButton>(QStringLiteral("ShadowButtonTextVollbildHintergrund")))
        if (qktLoadFontFromIni(haupt_.IniDatei(), QString::fromLatin1(kSektionFonts),
                               QString::fromLatin1(kSchriftTextVollbild), schrift))
            knopf->SetFont(&schrift);
    ListenfarbenFreigeben();
}

void TProgrammOptionen::FormActivate(TObject*)
{
    QKINISettings->SetINIFileName(haupt_.IniDatei());
    QKINISettings->ReadINI();
}

void TProgrammOptionen::FormClose(TObject*, TCloseAction& Action)
{
    QKINISettings->SetINIFileName(haupt_.IniDatei());
    QKINISettings->WriteINI();
    haupt_.PrgWavSpielen(20, 0);
    // Every control wrote its value into the store as it changed; the main
    // window applies them, then the file is written and read again.
    haupt_.OptionenAnwenden();
    haupt_.EinstellungenSchreiben(*speicher_);
    haupt_.EinstellungenLesen(*speicher_);
    Action = caHide;
}

TModalResult TProgrammOptionen::Zeigen(int reiter)
{
    SteuerelementeBauen();
    if (reiter >= 0 && reiter < rtAnzahl)
        PageControlMain->SetActivePageIndex(reiter);
    return ShowModal();
}

// ---------------------------------------------------------------------------
// Folders and programs
// ---------------------------------------------------------------------------

void TProgrammOptionen::OrdnerPruefen(TEdit* edit)
{
    const QString roh = edit->Text().trimmed();
    edit->SetText(MitBackslash(edit->Text()));
    const QString text = edit->Text().trimmed();
    const bool istDestDir = edit->Name == QLatin1String("EditDestDir");
    if (text.size() == 3)
        return;
    if (roh.size() < 2) {
        edit->SetText(QString());
        return;
    }
    const QString ordner = MitBackslash(text);
    edit->SetText(ordner);
    if (!VerzeichnisFuerDateiPruefen(ordner, true)) {
        ShowMessage(QStringLiteral("Pfad ungültig!"));
        if (edit->CanFocus())
            edit->SetFocus();
        if (istDestDir)
            haupt_.ZielverzeichnisSetzen(ordner, nullptr);
        return;
    }
    if (istDestDir) {
        TStringList bilder;
        DateienRekursivSammeln(ordner, QStringLiteral("*.BMP"), bilder);
        haupt_.ZielverzeichnisSetzen(ordner, &bilder);
    }
}

void TProgrammOptionen::OrdnerSuchen(TEdit* edit)
{
    TDirDlgForm waehler(nullptr);
    const QString ordner = edit->Text().trimmed();
    if (!ordner.isEmpty() && VerzeichnisFuerDateiPruefen(MitBackslash(ordner), true))
        waehler.DirectoryListBox1->SetDirectory(ordner);
    if (waehler.ShowModal() != mrOk)
        return;
    edit->SetText(waehler.Edit1->Text());
    if (edit->Name == QLatin1String("EditDestDir")) {
        TStringList bilder;
        DateienRekursivSammeln(edit->Text(), QStringLiteral("*.BMP"), bilder);
        haupt_.ZielverzeichnisSetzen(edit->Text(), &bilder);
    }
}

void TProgrammOptionen::ProgrammSuchen(TEdit* edit)
{
    TOpenDialog dialog(nullptr);
    const QString pfad = edit->Text().trimmed();
    dialog.InitialDir = pfad.isEmpty() ? ProgramFolder() : PfadVonDatei(pfad, true);
    dialog.FileName = pfad;
    if (!dialog.Execute())
        return;
    edit->SetText(dialog.FileName);
    haupt_.EinstellungenSchreiben(*speicher_);
}

// ---------------------------------------------------------------------------
// Colours and fonts
// ---------------------------------------------------------------------------

void TProgrammOptionen::FarbKnopfClick(TShadowButton* knopf)
{
    const TEinstellung* z = EinstellungZuSteuerelement(knopf->Name);
    const QString key = QString::fromUtf8(z->Schluessel);
    ColorDialog1->Color = speicher_->Farbe(key);
    const bool ok = ColorDialog1->Execute();
    if (ok)
        speicher_->SetFarbe(key, ColorDialog1->Color);
    if (knopf->Name == QLatin1String("ShadowButtonTextVollbildHintergrund")) {
        if (ok)
            haupt_.TextVollbildSetzen(nullptr, ColorDialog1->Color);
        return;
    }
    haupt_.FeldfarbenSetzen();
}

void TProgrammOptionen::BitBtnTextVollbildFontClick(TObject*)
{
    auto* knopf = Element<TShadowButton>(QStringLiteral("ShadowButtonTextVollbildHintergrund"));
    const QString fonts = QString::fromLatin1(kSektionFonts), key = QString::fromLatin1(kSchriftTextVollbild);
    TFont start;
    if (!qktLoadFontFromIni(QKINISettings->IniPath(), fonts, key, start))
        start.Assign(knopf->Font());
    FontDialog1->Font()->Assign(&start);
    if (!FontDialog1->Execute())
        return;
    haupt_.TextVollbildSetzen(FontDialog1->Font(), clNone);
    qktSaveFontToIni(QKINISettings->IniPath(), fonts, key, *FontDialog1->Font());
    knopf->SetFont(FontDialog1->Font());
}

void TProgrammOptionen::FontZuweisen(int index)
{
    const auto eintraege = SchriftEintraege();
    if (index < 0 || index >= int(eintraege.size()))
        return;
    const QString ini = haupt_.IniDatei();
    if (index == 0) {
        if (MessageDlg(QStringLiteral("Wollen Sie wirklich alle Schriften zurücksetzen ?"), mtConfirmation,
                       TMsgDlgButtons{mbYes, mbNo}) != mrYes)
            return;
        TMemIniFile datei(ini);
        datei.EraseSection(QString::fromLatin1(kSektionFonts));
        datei.UpdateFile();
        MessageDlg(QStringLiteral("Die neuen Schriften werden nach dem nächsten Programmstart sichtbar !"),
                   mtConfirmation, TMsgDlgButtons{mbOK, mbAbort});
        return;
    }
    TFont start;
    haupt_.SchriftHolen(index, start);
    FontDialog1->Font()->Assign(&start);
    // A cancelled dialog keeps the start font, which is applied and stored
    // all the same.
    if (!FontDialog1->Execute())
        FontDialog1->Font()->Assign(&start);
    haupt_.SchriftZuweisen(index, *FontDialog1->Font());
    qktSaveFontToIni(ini, QString::fromLatin1(kSektionFonts), QString::fromUtf8(eintraege[size_t(index)].Schluessel),
                     *FontDialog1->Font());
}

void TProgrammOptionen::LeseFontAusIni(const QString& iniDatei)
{
    // Most files have no fonts of the user: one read of the file then
    // answers for all eight entries.
    if (!TMemIniFile(iniDatei).SectionExists(QString::fromLatin1(kSektionFonts)))
        return;
    const auto eintraege = SchriftEintraege();
    for (size_t i = 1; i < eintraege.size(); ++i) {
        TFont schrift;
        if (qktLoadFontFromIni(iniDatei, QString::fromLatin1(kSektionFonts), QString::fromUtf8(eintraege[i].Schluessel),
                               schrift)) {
            Application->ProcessMessages();
            haupt_.SchriftZuweisen(int(i), schrift);
        }
    }
}

// ---------------------------------------------------------------------------
// Pick lists
// ---------------------------------------------------------------------------

void TProgrammOptionen::ReadPlayListFromMemo() { PickListeLesen(0, haupt_.GruppenListeDatei()); }

void TProgrammOptionen::ReadQuellenFromMemo() { PickListeLesen(1, haupt_.QuellenListeDatei()); }

void TProgrammOptionen::PickListeLesen(int liste, const QString& datei)
{
    if (datei.isEmpty())
        return;
    TMemo* memo = liste == 0 ? MemoGruppenListe : MemoQuellenListe;
    TStringList& inhalt = liste == 0 ? speicher_->MemoGruppenListe : speicher_->MemoQuellenListe;
    try {
        if (memo)
            memo->Clear();
        TStringList zeilen;
        if (!FileExists(datei))
            for (const QString& z : liste == 0 ? StandardGruppenListe() : StandardQuellenListe())
                zeilen.Add(z);
        else
            zeilen.LoadFromFile(datei);
        // The memo once the controls are built; until then the store holds
        // the lines the memo will show.
        if (memo)
            memo->Lines()->Assign(zeilen);
        inhalt.Assign(zeilen);
        QStringList eintraege;
        for (int i = 0; i < zeilen.Count(); ++i)
            eintraege << zeilen[i] + QLatin1Char('\t') + QString::number(i);
        haupt_.PickListeSetzen(liste, eintraege);
        // Saved back (a missing list is made); a file that already holds
        // these bytes is left alone, so a start does not rewrite it.
        // An album on a CD or another read-only medium keeps its lists as
        // they are.
        QByteArray vorher;
        const auto linux = WinToLinux(datei);
        if (!haupt_.BilderDBFPfad().isEmpty() &&
            LaufwerksTyp(datei.left(1) + QStringLiteral(":\\")) != QLatin1String("CDROM") &&
            !(linux && IsOnReadOnlyMount(QFileInfo(*linux).path())) &&
            !(ReadFileBytes(datei, vorher) && vorher == Win1252EncodeOrThrow(zeilen.Text())))
            zeilen.SaveToFile(datei);
    } catch (const std::exception&) {
        throw Exception((liste == 0 ? QStringLiteral("Fehler bei der Gruppenverwaltung ")
                                    : QStringLiteral("Fehler bei der Quellenverwaltung ")) +
                        datei);
    }
}

void TProgrammOptionen::MemoListeExit(int liste)
{
    SteuerelementeBauen();
    const QString datei = liste == 0 ? haupt_.GruppenListeDatei() : haupt_.QuellenListeDatei();
    TMemo* memo = liste == 0 ? MemoGruppenListe : MemoQuellenListe;
    const QString album = haupt_.BilderDBFPfad();
    if (!datei.isEmpty() && !album.isEmpty() &&
        LaufwerksTyp(album.left(1) + QStringLiteral(":\\")) != QLatin1String("CDROM")) {
        try {
            memo->Lines()->SaveToFile(datei);
        } catch (const std::exception&) {
            throw Exception((liste == 0 ? QStringLiteral("Fehler bei der Gruppenverwaltung ")
                                        : QStringLiteral("Fehler bei der Quellenverwaltung ")) +
                            datei);
        }
        if (liste == 0)
            Application->ProcessMessages();
    }
    PickListeLesen(liste, datei);
}

// ---------------------------------------------------------------------------
// Reset
// ---------------------------------------------------------------------------

void TProgrammOptionen::BitBtn3Click(TObject*)
{
    if (MessageDlg(QStringLiteral("Jetzt die Grundeinstellungen wieder herstellen ?"), mtConfirmation,
                   TMsgDlgButtons{mbYes, mbNo}) != mrYes)
        return;
    const QString ini = haupt_.IniDatei();
    const QString haupt = QString::fromLatin1(kSektionHaupt), bilder = QString::fromLatin1(kSektionBilder);
    // What survives a reset: the folders of the edits and three counters of
    // the main window.
    QList<std::pair<QString, QString>> bleiben;
    {
        const TMemIniFile alt(ini);
        for (const char* k : {"LinkErstellt", "ProgAufrufe", "SatzStart"})
            if (alt.ValueExists(haupt, QString::fromLatin1(k)))
                bleiben << std::pair{QString::fromLatin1(k), alt.ReadString(haupt, QString::fromLatin1(k), QString())};
    }
    const bool geloescht = FileGetAttr(ini) == -1 || DeleteFile(ini);
    if (geloescht) {
        TMemIniFile neu(ini);
        for (const char* k : {"BackupDir", "DatenbankenVerzeichnis"})
            neu.WriteString(haupt, QString::fromLatin1(k), speicher_->Text(QString::fromLatin1(k)));
        neu.WriteString(haupt, QStringLiteral("ProgrammPfad"), speicher_->ProgrammPfad());
        for (const auto& [k, v] : bleiben)
            neu.WriteString(haupt, k, v);
        for (const char* k :
             {"DestPfad", "SourcePfad", "TempBilderPfad", "VorschaubilderVerzeichnis", "ScannerZielDir", "HTMLExportPfad"})
            neu.WriteString(bilder, QString::fromLatin1(k), speicher_->Text(QString::fromLatin1(k)));
        neu.UpdateFile();
        haupt_.EinstellungenLesen(*speicher_);
    } else {
        ShowMessage(WindowsFolder() +
                    QStringLiteral("lumadex.ini konnte NICHT gelöscht werden, Einstellungen NICHT zurückgesetzt!"));
    }
    FormShow(this);
    if (geloescht)
        ShowMessage(QStringLiteral("Grundeinstellungen grösstenteils wieder hergestellt (bis auf Pfade) !"));
}
