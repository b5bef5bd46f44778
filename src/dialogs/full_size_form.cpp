#include "dialogs/full_size_form.h"

#include "dialogs/bild_finden.h"
#include "imaging/image_window.h"
#include "platform/core/file_utils.h"
#include "platform/core/win_path.h"
#include "platform/data/dataset.h"
#include "platform/data/field.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/menus.h"
#include "platform/ui/std_ctrls.h"
#include "shared/nachrichten_dialog.h"
#include "shared/qk_ini.h"
#include "storage/flags_field.h"
#include "storage/tdbe.h"

#include <algorithm>
#include <functional>
#include <cmath>

namespace {

const QString kFlags = QStringLiteral("FLAGS");
const QString kSektion = QStringLiteral("Einstellungen BilderFullSize");
const QString kTextSektion = QStringLiteral("Einstellungen TextVollbildanzeige");
constexpr TCursor kGrabHand = 2001;

// The timed notices of the viewer: yellow form, blue text, centred.
void Zeitmeldung(const QString& text, int sekunden)
{
    NachrichtenDialog(QStringLiteral("Info"), text, sekunden, 120, clYellow, clBlue, true);
}

int Runden(double v) { return int(std::lround(v)); }

}  // namespace

// ---- short description -------------------------------------------------------

bool TTextVollbildForm::Abbruch = false;

TTextVollbildForm::TTextVollbildForm(TComponent* AOwner, TVollbildHauptfenster& hauptfenster)
    : TForm(AOwner), haupt_(hauptfenster)
{
    Name = QStringLiteral("TextVollbildForm");
    SetCaption(QStringLiteral("Kurzbeschreibung"));
    SetBorderStyle(bsNone);
    SetFormStyle(fsStayOnTop);
    KeyPreview = true;
    SetColor(haupt_.TextVollbildFarbe());
    Label1 = new TLabel(this);
    Label1->Name = QStringLiteral("Label1");
    Label1->SetParent(this);
    Label1->SetLeft(4);
    Label1->SetTop(4);
    Label1->SetAutoSize(true);
    Label1->SetCursor(crDrag);
    Label1->OnMouseDown = [this](TObject*, TMouseButton b, TShiftState, int x, int y) {
        ziehen_ = b == mbLeft;
        druckPunkt_ = Point(x, y);
    };
    Label1->OnMouseMove = [this](TObject*, TShiftState s, int x, int y) {
        if (ziehen_ && s.Contains(ssLeft))
            SetBounds(Left() + x - druckPunkt_.X, Top() + y - druckPunkt_.Y, Width(), Height());
    };
    Label1->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { ziehen_ = false; };
    OnKeyUp = [this](TObject* s, Word& k, TShiftState sh) { FormKeyUp(s, k, sh); };

    QKINI1 = new TQKINI(this);
    QKINI1->Name = QStringLiteral("QKINI1");
    QKINI1->SetINIFileName(haupt_.IniDatei());
    SetHeight(QKINI1->INIReadInteger(kTextSektion, QStringLiteral("Hoehe"), 50));
    SetWidth(QKINI1->INIReadInteger(kTextSektion, QStringLiteral("Breite"), Screen->Width()));
    SetTop(QKINI1->INIReadInteger(kTextSektion, QStringLiteral("Top"), Top()));
    SetLeft(QKINI1->INIReadInteger(kTextSektion, QStringLiteral("Left"), Left()));
    QKINI1->INILoadFont(QStringLiteral("Fonts"), QStringLiteral("TextVollbild"), Label1->Font());
    OnClose = [this](TObject*, TCloseAction&) {
        QKINI1->INIWriteInteger(kTextSektion, QStringLiteral("Hoehe"), Height());
        QKINI1->INIWriteInteger(kTextSektion, QStringLiteral("Breite"), Width());
        QKINI1->INIWriteInteger(kTextSektion, QStringLiteral("Top"), Top());
        QKINI1->INIWriteInteger(kTextSektion, QStringLiteral("Left"), Left());
    };
    Loaded();
    DoCreate();
}

TTextVollbildForm::~TTextVollbildForm() = default;

void TTextVollbildForm::TextAnzeigen(const QString& text)
{
    Label1->SetCaption(text);
    SetClientWidth(std::max(Label1->Width() + 8, 40));
    SetClientHeight(std::max(Label1->Height() + 8, 20));
}

void TTextVollbildForm::FormKeyUp(TObject*, Word& Key, TShiftState)
{
    if (Key == VK_ESCAPE)
        Abbruch = true;
    switch (Key) {
    case VK_RETURN: case VK_SPACE: case VK_PRIOR: case VK_NEXT: case VK_DOWN: case VK_UP:
    case VK_END: case VK_HOME: case VK_SUBTRACT: case VK_ADD: case VK_ESCAPE:
        ShowMessage(QStringLiteral(
            "Klicken Sie für die Steuerung der Vollbildanzeige bitte zunächst wieder das Bild an...."));
        break;
    default:
        break;
    }
}

// ---- the viewer ----------------------------------------------------------------

TMenuItem* TFullSizeForm::Eintrag(TMenuItem* parent, const char* name, const QString& caption,
                                  void (TFullSizeForm::*handler)(TObject*), TShortCut kurz)
{
    auto* m = new TMenuItem(this);
    m->Name = QString::fromLatin1(name);
    m->SetCaption(caption);
    if (kurz)
        m->SetShortCut(kurz);
    if (handler)
        m->OnClick = [this, handler](TObject* s) { (this->*handler)(s); };
    parent->Add(m);
    return m;
}

TFullSizeForm::TFullSizeForm(TComponent* AOwner, TVollbildHauptfenster& hauptfenster)
    : TForm(AOwner), haupt_(hauptfenster), ds_(hauptfenster.AlbumTabelle()), dbe_(hauptfenster.AlbumDbe())
{
    Name = QStringLiteral("FullSizeForm");
    SetCaption(QStringLiteral("Fullsize"));
    SetBorderStyle(bsNone);
    SetColor(clBlack);
    KeyPreview = true;
    const QString hinweis =
        QStringLiteral("Rechte Maustaste für Funktionsübersicht, Doppelklick um Anzeige zu schliessen....");

    PanelPicParent = new TPanel(this);
    PanelPicParent->Name = QStringLiteral("PanelPicParent");
    PanelPicParent->SetParent(this);
    PanelPicParent->SetBevelOuter(bvNone);
    PanelPicParent->SetColor(clBlack);
    PanelPicParent->SetCaption(QString());
    PanelPicParent->SetHint(hinweis);
    PanelPicParent->SetAlign(alClient);

    ImageWindow1 = new TImageWindow(this);
    ImageWindow1->Name = QStringLiteral("ImageWindow1");
    ImageWindow1->SetParent(PanelPicParent);
    ImageWindow1->SetAlign(alClient);
    ImageWindow1->ShowToolbar = false;
    ImageWindow1->SetShowHorzScroll(false);
    ImageWindow1->SetShowVertScroll(false);
    ImageWindow1->SetShowGauge(false);
    ImageWindow1->SetZoomIncrement(10);
    ImageWindow1->SetBackGroundColor(clBlack);
    ImageWindow1->SetFitStyle(fsBest);
    ImageWindow1->SetHint(hinweis);
    // A picture that cannot be read leaves the window empty; the viewer
    // passes over it instead of stopping at a library dialog.
    ImageWindow1->OnLLError = [this](TPicObjBase*, bool& standard, TPicObjError*) {
        standard = false;
        ladeFehler_ = true;
    };
    ImageWindow1->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) { ImageWindow1MouseMove(s, sh, x, y); };

    PopupMenu1 = new TPopupMenu(this);
    PopupMenu1->Name = QStringLiteral("PopupMenu1");
    TMenuItem* m = PopupMenu1->Items();
    Schliessen1 = Eintrag(m, "Schliessen1", QStringLiteral("Schließen (ALT-F4)"), &TFullSizeForm::Schliessen1Click);
    BildinZwischenablage1 = Eintrag(m, "BildinZwischenablage1", QStringLiteral("Bild in Zwischenablage"),
                                    &TFullSizeForm::BildinZwischenablage1Click, ShortCut('C', {ssCtrl}));
    Kurzbeschreibung1 = Eintrag(m, "Kurzbeschreibung1", QStringLiteral("Kurzbeschreibung"),
                                &TFullSizeForm::Kurzbeschreibung1Click, ShortCut(VK_F3, {}));
    Optionen1 = Eintrag(m, "Optionen1", QStringLiteral("Optionen"), &TFullSizeForm::Optionen1Click);
    Toolbaranaus1 = Eintrag(m, "Toolbaranaus1", QStringLiteral("Toolbar an/aus"), &TFullSizeForm::Toolbaranaus1Click);
    Scrollbarssichtbar1 = Eintrag(m, "Scrollbarssichtbar1", QStringLiteral("Scrollbars sichtbar"),
                                  &TFullSizeForm::Scrollbarssichtbar1Click);
    Center1 = Eintrag(m, "Center1", QStringLiteral("In Mitte zentrieren"), &TFullSizeForm::Center1Click);
    Ausschnittselektierbarmachen1 =
        Eintrag(m, "Ausschnittselektierbarmachen1", QStringLiteral("Ausschnitt selektierbar machen"),
                &TFullSizeForm::Ausschnittselektierbarmachen1Click);
    TMenuItem* nav = Eintrag(m, "Navigation1", QStringLiteral("Navigation"), nullptr);
    Naechstes1 = Eintrag(nav, "Naechstes1", QStringLiteral("Nächstes (Pfeil unten)"), &TFullSizeForm::Naechstes1Click);
    N10Bildervor1 = Eintrag(nav, "N10Bildervor1", QStringLiteral("10 Bilder vor (Bild runter)"), &TFullSizeForm::Next10);
    LetztesBild1 = Eintrag(nav, "LetztesBild1", QStringLiteral("Letztes Bild (Ende)"), &TFullSizeForm::LetztesBild1Click);
    Letztes1 = Eintrag(nav, "Letztes1", QStringLiteral("Vorheriges  (Pfeil oben)"), &TFullSizeForm::Letztes1Click);
    N10BilderZurueck1 =
        Eintrag(nav, "N10BilderZurueck1", QStringLiteral("10 Bilder Zurück (Bild rauf)"), &TFullSizeForm::Prior10);
    ErstesBild1 = Eintrag(nav, "ErstesBild1", QStringLiteral("Erstes Bild (Pos1)"), &TFullSizeForm::ErstesBild1Click);
    TMenuItem* anz = Eintrag(m, "Bildanzeige1", QStringLiteral("Anzeige"), nullptr);
    OriginalGroesse1 = Eintrag(anz, "OriginalGroesse1", QStringLiteral("Originalgröße anzeigen"),
                               &TFullSizeForm::OriginalGroesse1Click);
    GanzesBildanzeigen1 = Eintrag(anz, "GanzesBildanzeigen1", QStringLiteral("Ganzes Bild anzeigen"),
                                  &TFullSizeForm::GanzesBildanzeigen1Click);
    AnBreiteanpassen1 = Eintrag(anz, "AnBreiteanpassen1", QStringLiteral("An Breite anpassen"),
                                &TFullSizeForm::AnBreiteanpassen1Click);
    AnHoeheAnpassen1 = Eintrag(anz, "AnHoeheAnpassen1", QStringLiteral("An Höhe Anpassen"),
                               &TFullSizeForm::AnHoeheAnpassen1Click);
    ImFensteranpassen1 = Eintrag(anz, "ImFensteranpassen1", QStringLiteral("Im Fenster anpassen"),
                                 &TFullSizeForm::ImFensteranpassen1Click);
    TMenuItem* dreh = Eintrag(m, "Bilddrehung1", QStringLiteral("Drehung"), nullptr);
    N0OriginalAusrichtung1 = Eintrag(dreh, "N0OriginalAusrichtung1", QStringLiteral("0° (Original-Ausrichtung)"),
                                     &TFullSizeForm::N0OriginalAusrichtung1Click);
    N90drehen1 = Eintrag(dreh, "N90drehen1", QStringLiteral("90° drehen"), &TFullSizeForm::N90drehen1Click);
    N180drehen1 = Eintrag(dreh, "N180drehen1", QStringLiteral("180° drehen"), &TFullSizeForm::N180drehen1Click);
    N270drehen1 = Eintrag(dreh, "N270drehen1", QStringLiteral("270° drehen"), &TFullSizeForm::N270drehen1Click);
    Zoom1 = Eintrag(m, "Zoom1", QStringLiteral("Zoom +10% (Num+)"), &TFullSizeForm::Zoom1Click);
    Zoom2 = Eintrag(m, "Zoom2", QStringLiteral("Zoom -10% (Num-)"), &TFullSizeForm::Zoom2Click);
    SlideShowstart1 = Eintrag(m, "SlideShowstart1", QStringLiteral("SlideShow start"),
                              &TFullSizeForm::SlideShowstart1Click, ShortCut(VK_F12, {}));
    Drucken1 = Eintrag(m, "Drucken1", QStringLiteral("Drucken"), &TFullSizeForm::Drucken1Click);
    Bildexternbearbeiten_3 = Eintrag(m, "Bildexternbearbeiten_3", QStringLiteral("Bild extern bearbeiten"), nullptr);
    TMenuItem** editoren[] = {&Bildexternbearbeiten_31, &Bildexternbearbeiten_32, &Bildexternbearbeiten_33};
    for (int i = 0; i < 3; ++i) {
        auto* e = new TMenuItem(this);
        e->Name = QStringLiteral("Bildexternbearbeiten_3%1").arg(i + 1);
        e->OnClick = [this, i](TObject*) { haupt_.BildExternBearbeiten(i + 1, AktuellesBild); };
        Bildexternbearbeiten_3->Add(e);
        *editoren[i] = e;
    }
    Benutzermarkierung1 = Eintrag(m, "Benutzermarkierung1", QStringLiteral("Benutzermarkierung"),
                                  &TFullSizeForm::Benutzermarkierung1Click, ShortCut('M', {ssCtrl}));

    PopupMenu2 = new TPopupMenu(this);
    PopupMenu2->Name = QStringLiteral("PopupMenu2");
    SlideShowstart2 = Eintrag(PopupMenu2->Items(), "SlideShowstart2", QStringLiteral("SlideShow start"),
                              &TFullSizeForm::SlideShowstart1Click);
    SetPopupMenu(PopupMenu1);
    PanelPicParent->SetPopupMenu(PopupMenu1);
    ImageWindow1->SetPopupMenu(PopupMenu1);

    Timer1 = new TTimer(this);
    Timer1->Name = QStringLiteral("Timer1");
    Timer1->SetEnabled(false);
    Timer1->OnTimer = [this](TObject* s) { Timer1Timer(s); };
    Timer2 = new TTimer(this);
    Timer2->Name = QStringLiteral("Timer2");
    Timer2->SetInterval(500);
    Timer2->OnTimer = [this](TObject*) { KeyPreview = true; };

    auto schliessen = [this](TObject* s) { Schliessen1Click(s); };
    OnDblClick = schliessen;
    PanelPicParent->OnDblClick = schliessen;
    ImageWindow1->OnDblClick = schliessen;
    OnKeyUp = [this](TObject* s, Word& k, TShiftState sh) { FormKeyUp(s, k, sh); };
    OnShow = [this](TObject* s) { FormShow(s); };
    OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };

    QKINI1 = new TQKINI(this);
    QKINI1->Name = QStringLiteral("QKINI1");
    QKINI1->SetINIFileName(haupt_.IniDatei());
    QKINI1->ReadINI();
    OriginalGroesse1->SetChecked(QKINI1->INIReadBool(kSektion, QStringLiteral("OriginalGroesseAnzeigen"), false));
    GanzesBildanzeigen1->SetChecked(QKINI1->INIReadBool(kSektion, QStringLiteral("GanzesBildanzeigen"), false));
    AnBreiteanpassen1->SetChecked(QKINI1->INIReadBool(kSektion, QStringLiteral("AnBreiteanpassen"), false));
    AnHoeheAnpassen1->SetChecked(QKINI1->INIReadBool(kSektion, QStringLiteral("AnHoeheAnpassen"), false));
    ImFensteranpassen1->SetChecked(QKINI1->INIReadBool(kSektion, QStringLiteral("ImFensteranpassen"), false));
    Center1->SetChecked(QKINI1->INIReadBool(kSektion, QStringLiteral("BildZentrieren"), true));
    Ausschnittselektierbarmachen1->SetChecked(
        QKINI1->INIReadBool(kSektion, QStringLiteral("Ausschnittselektierbarmachen"), false));
    ImageWindow1->SelectionEnabled = Ausschnittselektierbarmachen1->Checked();

    hinweiseVorher_ = haupt_.HinweiseAn();
    haupt_.HinweiseSetzen(false);
    SetBounds(0, 0, Screen->Width(), Screen->Height());
    Loaded();
    DoCreate();
}

TFullSizeForm::~TFullSizeForm()
{
    Timer1->SetEnabled(false);
    delete TextVollbildForm;
}

void TFullSizeForm::SetSlideShowIntervall(int sekunden)
{
    Timer1->SetInterval(std::clamp(sekunden, 1, 60) * 1000);
}

// ---- show and close ----------------------------------------------------------

void TFullSizeForm::FormShow(TObject*)
{
    SetBounds(0, 0, Screen->Width(), Screen->Height());
    Screen->SetCursor(kGrabHand);
    const TVollbildOptionen opt = haupt_.VollbildOptionen();
    SetSlideShowIntervall(opt.SlideShowSekunden);
    LeseAusrichtungsFlag();
    if (FlagLesen(dbe_, kFlags, 2) != QLatin1Char('0')) {
        LeseAnzeigeModusFlag();
    } else {
        TMenuItem* modi[] = {OriginalGroesse1, GanzesBildanzeigen1, AnBreiteanpassen1, AnHoeheAnpassen1,
                             ImFensteranpassen1};
        for (TMenuItem* item : modi)
            if (item->Checked()) {
                item->SetChecked(false);
                item->Click();
                break;
            }
    }
    TMenuItem* editoren[] = {Bildexternbearbeiten_31, Bildexternbearbeiten_32, Bildexternbearbeiten_33};
    for (int i = 0; i < 3; ++i)
        editoren[i]->SetCaption(opt.EditorNamen[i]);
    if (opt.TextVollbildAnzeige && !TextVollbildForm) {
        TextVollbildForm = new TTextVollbildForm(nullptr, haupt_);
        TextVollbildForm->Show();
    }
    TextAktualisieren();
    MarkierungZeigen();
}

void TFullSizeForm::FormClose(TObject*, TCloseAction&)
{
    Timer1->SetEnabled(false);
    haupt_.HinweiseSetzen(hinweiseVorher_);
    haupt_.PrgWavSpielen(20);
    // An entry whose picture could not be shown keeps its mode.
    if (gezeigt_)
        FlagSchreiben(2, ModusCode());
    ZoomFaktorSpeichern();
    QKINI1->INIWriteBool(kSektion, QStringLiteral("OriginalGroesseAnzeigen"), OriginalGroesse1->Checked());
    QKINI1->INIWriteBool(kSektion, QStringLiteral("GanzesBildanzeigen"), GanzesBildanzeigen1->Checked());
    QKINI1->INIWriteBool(kSektion, QStringLiteral("AnBreiteanpassen"), AnBreiteanpassen1->Checked());
    QKINI1->INIWriteBool(kSektion, QStringLiteral("AnHoeheAnpassen"), AnHoeheAnpassen1->Checked());
    QKINI1->INIWriteBool(kSektion, QStringLiteral("ImFensteranpassen"), ImFensteranpassen1->Checked());
    QKINI1->INIWriteBool(kSektion, QStringLiteral("BildZentrieren"), Center1->Checked());
    QKINI1->INIWriteBool(kSektion, QStringLiteral("Ausschnittselektierbarmachen"),
                         Ausschnittselektierbarmachen1->Checked());
    QKINI1->WriteINI();
    haupt_.VollbildGeschlossen();
    SlideShowLaeuft = false;
    if (TextVollbildForm) {
        TextVollbildForm->Close();
        delete TextVollbildForm;
        TextVollbildForm = nullptr;
    }
    Screen->SetCursor(crDefault);
}

// ---- loading -------------------------------------------------------------------

QString TFullSizeForm::BildPfadErmitteln(bool& gefunden)
{
    const TVollbildOptionen opt = haupt_.VollbildOptionen();
    const TBildFund fund = BildDateiFinden(dbe_->GetString(QStringLiteral("PFAD")), haupt_.AlbumOrdner(),
                                           haupt_.AlbumSchreibgeschuetzt(), opt.AnderesLaufwerkTesten);
    gefunden = fund.Vorhanden;
    return fund.Pfad;
}

TFullSizeForm::TLadeErgebnis TFullSizeForm::Laden()
{
    gezeigt_ = false;
    bool gefunden = false;
    const QString pfad = BildPfadErmitteln(gefunden);
    if (!gefunden) {
        // Nothing is shown for a picture that is not there.
        AktuellesBild.clear();
        ImageWindow1->ImageInWindow()->MakeBlank();
        PanelPicParent->SetVisible(false);
        return leNichtGefunden;
    }
    if (!haupt_.IstInternesBildFormat(pfad)) {
        Zeitmeldung(QStringLiteral("Externes Bildformat, übergehe dieses Bild..."), 2);
        return leExtern;
    }
    const bool lief = Timer1->Enabled();
    Timer1->SetEnabled(false);
    ladeFehler_ = false;
    try {
        ImageWindow1->LoadFromFile(pfad, 0, 0);
    } catch (const std::exception&) {
        ladeFehler_ = true;
    }
    Timer1->SetEnabled(lief);
    AktuellesBild = pfad;
    PanelPicParent->SetVisible(false);
    TImageInWindow* bild = ImageWindow1->ImageInWindow();
    // A header that reads well does not make a picture: unless the window
    // decoded it while loading, decode it at the fitted size now, so a
    // broken file is found before it is shown.
    if (!ladeFehler_ && bild->HasImage() && bild->DecodedPixels().isNull()) {
        const QSize passend = QSize(std::max(1, bild->GetImageWidth()), std::max(1, bild->GetImageHeight()))
                                  .scaled(std::max(1, ClientWidth()), std::max(1, ClientHeight()), Qt::KeepAspectRatio);
        bild->EnsureDisplayPixels(passend.width(), passend.height());
    }
    if (ladeFehler_ || !bild->HasImage() || bild->DecodedPixels().isNull()) {
        bild->MakeBlank();
        return leDefekt;
    }
    gezeigt_ = true;
    LeseAusrichtungsFlag();
    LeseAnzeigeModusFlag();
    TextAktualisieren();
    if (!PanelPicParent->Visible())
        PanelPicParent->SetVisible(true);
    return leGezeigt;
}

bool TFullSizeForm::BildLaden()
{
    if (!ds_ || !ds_->Active() || ds_->IsEmpty())
        return false;
    return Laden() == leGezeigt;
}

// ---- navigation ------------------------------------------------------------------

void TFullSizeForm::Schritt(bool vor)
{
    if (vor) {
        ds_->Next();
        if (ds_->Eof())
            ds_->First();
    } else {
        ds_->Prior();
        if (ds_->Bof())
            ds_->Last();
    }
}

void TFullSizeForm::Naechstes1Click(TObject*)
{
    if (haupt_.ProgrammEndet()) {
        Timer1->SetEnabled(false);
        return;
    }
    if (!ds_->Active() || ds_->IsEmpty())
        return;
    ZoomFaktorSpeichern();
    // Forward, passing over entries that cannot be shown, until one is
    // shown or the end is reached.
    for (;;) {
        ds_->Next();
        if (ds_->Eof())
            break;
        AnzeigePanelAnpassen();
        if (!dbe_->GetLogical(QStringLiteral("ZUGRIFF")))
            continue;
        const TLadeErgebnis r = Laden();
        if (r == leGezeigt || r == leExtern)
            return;
    }
    if (!SlideShowLaeuft) {
        ShowMessage(QStringLiteral("Letztes Bild erreicht, fahre mit dem ersten Bild fort!"));
        ds_->First();
        Laden();
        return;
    }
    SlideShowstart1Click(this);
    ds_->First();
    if (Laden() == leExtern) {
        Zeitmeldung(QStringLiteral("Externes Bildformat, gehe zum nächsten Bild..."), 2);
        ds_->Next();
        Laden();
    }
    Zeitmeldung(QStringLiteral("Slideshow am Ende angekommen, fange jetzt wieder mit dem ersten Bild an..."), 6);
    SlideShowstart1Click(this);
}

void TFullSizeForm::Letztes1Click(TObject*)
{
    if (!ds_->Active() || ds_->IsEmpty())
        return;
    ZoomFaktorSpeichern();
    ds_->Prior();
    if (ds_->Bof()) {
        ShowMessage(QStringLiteral("Erstes Bild erreicht, fahre mit dem letzen Bild fort!"));
        ds_->Last();
    } else {
        AnzeigePanelAnpassen();
    }
    Laden();
}

void TFullSizeForm::Springen(const std::function<void()>& bewegung)
{
    if (!ds_->Active() || ds_->IsEmpty())
        return;
    ZoomFaktorSpeichern();
    bewegung();
    Laden();
}

void TFullSizeForm::ErstesBild1Click(TObject*) { Springen([this] { ds_->First(); }); }

void TFullSizeForm::LetztesBild1Click(TObject*) { Springen([this] { ds_->Last(); }); }

// Ten single steps with wrap-around: exactly ten entries on.
void TFullSizeForm::Next10(TObject*)
{
    Springen([this] {
        for (int i = 0; i < 10; ++i)
            Schritt(true);
    });
}

void TFullSizeForm::Prior10(TObject*)
{
    Springen([this] {
        for (int i = 0; i < 10; ++i)
            Schritt(false);
    });
}

// ---- display modes --------------------------------------------------------------

void TFullSizeForm::FlagSchreiben(int position, QChar wert)
{
    if (!ds_->Active() || ds_->IsEmpty() || FlagLesen(dbe_, kFlags, position) == wert)
        return;
    FlagSetzen(dbe_, kFlags, position, haupt_.AlbumSchreibgeschuetzt(), wert);
}

QChar TFullSizeForm::ModusCode() const
{
    if (OriginalGroesse1->Checked())
        return u'0';
    if (GanzesBildanzeigen1->Checked())
        return u'1';
    if (AnBreiteanpassen1->Checked())
        return u'2';
    if (AnHoeheAnpassen1->Checked())
        return u'3';
    if (ImFensteranpassen1->Checked())
        return u'4';
    return u'1';
}

void TFullSizeForm::AnzeigeModus(TMenuItem* item, int fit, QChar code)
{
    const bool an = !item->Checked();
    for (TMenuItem* i : {OriginalGroesse1, GanzesBildanzeigen1, AnBreiteanpassen1, AnHoeheAnpassen1, ImFensteranpassen1})
        i->SetChecked(false);
    item->SetChecked(an);
    if (fit == fsNone)
        ImageWindow1->ShowOriginalSize();
    else
        ImageWindow1->SetFitStyle(TFitStyle(fit));
    FlagSchreiben(2, code);
}

void TFullSizeForm::OriginalGroesse1Click(TObject*)
{
    AnzeigeModus(OriginalGroesse1, fsNone, u'0');
    PanelPicParent->SetAlign(alClient);
    ZoomFaktorSpeichern();
    AnzeigePanelAnpassen();
    PanelPicParent->SetVisible(true);
}

void TFullSizeForm::GanzesBildanzeigen1Click(TObject*)
{
    AnzeigeModus(GanzesBildanzeigen1, fsBest, u'1');
    AnzeigePanelAnpassen();
}

void TFullSizeForm::AnBreiteanpassen1Click(TObject*)
{
    AnzeigeModus(AnBreiteanpassen1, fsWidth, u'2');
    PanelPicParent->SetAlign(alClient);
    PanelPicParent->SetVisible(true);
}

void TFullSizeForm::AnHoeheAnpassen1Click(TObject*)
{
    AnzeigeModus(AnHoeheAnpassen1, fsHeight, u'3');
    PanelPicParent->SetAlign(alNone);
    PanelPicParent->SetBounds(0, 0, ClientWidth(), ClientHeight());
    AnzeigePanelAnpassen();
}

void TFullSizeForm::ImFensteranpassen1Click(TObject*)
{
    AnzeigeModus(ImFensteranpassen1, fsWindow, u'4');
    PanelPicParent->SetAlign(alClient);
    PanelPicParent->SetVisible(true);
}

void TFullSizeForm::LeseAnzeigeModusFlag()
{
    // The mode commands store the zoom shown; while the entry's own mode is
    // read that would overwrite the stored zoom before it is applied.
    modusLesen_ = true;
    struct Ende {
        bool& f;
        ~Ende() { f = false; }
    } ende{modusLesen_};
    const QChar c = FlagLesen(dbe_, kFlags, 2);
    TMenuItem* modi[] = {OriginalGroesse1, GanzesBildanzeigen1, AnBreiteanpassen1, AnHoeheAnpassen1, ImFensteranpassen1};
    if (c >= u'0' && c <= u'4') {
        TMenuItem* item = modi[c.unicode() - u'0'];
        item->SetChecked(false);
        item->Click();
        if (c == u'0')
            ZoomFaktorLesen();
        return;
    }
    TImageInWindow* bild = ImageWindow1->ImageInWindow();
    TMenuItem* item = bild->GetImageWidth() < Screen->Width() && bild->GetImageHeight() < Screen->Height()
                          ? OriginalGroesse1 : GanzesBildanzeigen1;
    item->SetChecked(false);
    item->Click();
}

void TFullSizeForm::ZoomFaktorLesen()
{
    if (!OriginalGroesse1->Checked())
        return;
    const double z = ds_->FieldByName(QStringLiteral("ZOOMFACTOR"))->AsFloat();
    if (z > 0)
        ImageWindow1->SetZoomFactor(z);
}

void TFullSizeForm::ZoomFaktorSpeichern()
{
    if (haupt_.AlbumSchreibgeschuetzt() || !Center1->Checked() || !OriginalGroesse1->Checked() || modusLesen_
        || !gezeigt_)
        return;
    if (!ds_->Active() || ds_->IsEmpty() || ds_->State() != dsBrowse)
        return;
    TField* feld = ds_->FieldByName(QStringLiteral("ZOOMFACTOR"));
    const double z = ImageWindow1->ZoomFactor();
    if (std::abs(feld->AsFloat() - z) < 1e-9)
        return;
    const bool amEnde = ds_->Eof(), amAnfang = ds_->Bof();
    ds_->Edit();
    feld->SetAsFloat(z);
    ds_->Post();
    if (amEnde && !ds_->Eof())
        ds_->Next();
    if (amAnfang && !ds_->Bof())
        ds_->Prior();
}

void TFullSizeForm::Zoomen(double schritt)
{
    for (TMenuItem* i : {OriginalGroesse1, GanzesBildanzeigen1, AnBreiteanpassen1, AnHoeheAnpassen1, ImFensteranpassen1})
        i->SetChecked(false);
    OriginalGroesse1->SetChecked(true);
    FlagSchreiben(2, u'0');
    const double z = ImageWindow1->FitStyle() == fsNone ? ImageWindow1->ZoomFactor()
                                                        : double(ImageWindow1->ImageInWindow()->ZoomX);
    ImageWindow1->SetFitStyle(fsNone);
    ImageWindow1->SetZoomFactor(std::max(0.1, z + schritt));
    ZoomFaktorSpeichern();
    AnzeigePanelAnpassen();
    TextAktualisieren();
}

// ---- orientation ----------------------------------------------------------------

void TFullSizeForm::LeseAusrichtungsFlag()
{
    const QChar c = FlagLesen(dbe_, kFlags, 4);
    if (c >= u'1' && c <= u'3') {
        Ausrichtung = c.unicode() - u'0';
        if (ImageWindow1->ImageInWindow()->HasImage())
            (Ausrichtung == 1 ? ImageWindow1->Rotate90() : Ausrichtung == 2 ? ImageWindow1->Rotate180()
                                                                            : ImageWindow1->Rotate270());
        AnzeigePanelAnpassen();
    } else {
        Ausrichtung = 0;
    }
}

void TFullSizeForm::Drehen(int viertel)
{
    if (!ImageWindow1->ImageInWindow()->HasImage())
        return;
    if (haupt_.VollbildOptionen().VorschaubilderPhysikalischDrehen) {
        // Each command turns picture and thumbnail once more; the thumbnail
        // itself carries the orientation.
        (viertel == 1 ? ImageWindow1->Rotate90() : viertel == 2 ? ImageWindow1->Rotate180() : ImageWindow1->Rotate270());
        if (!haupt_.AlbumSchreibgeschuetzt())
            haupt_.VorschaubildDrehen(viertel * 90);
    } else {
        // The stored code names the orientation from the file's own, so the
        // picture is turned from the orientation it shows now to that one.
        const int delta = (viertel - Ausrichtung + 4) % 4;
        if (delta == 1)
            ImageWindow1->Rotate90();
        else if (delta == 2)
            ImageWindow1->Rotate180();
        else if (delta == 3)
            ImageWindow1->Rotate270();
        Ausrichtung = viertel;
        FlagSchreiben(4, QChar(u'0' + viertel));
    }
    AnzeigePanelAnpassen();
}

void TFullSizeForm::N0OriginalAusrichtung1Click(TObject*)
{
    bool gefunden = false;
    const QString pfad = BildPfadErmitteln(gefunden);
    if (gefunden && haupt_.IstInternesBildFormat(pfad)) {
        AnzeigePanelAnpassen();
        if (haupt_.VollbildOptionen().VorschaubilderPhysikalischDrehen) {
            if (!haupt_.AlbumSchreibgeschuetzt())
                haupt_.VorschaubildNeuErzeugen(pfad);
            ImageWindow1->LoadFromFile(pfad, 0, 0);
        } else {
            FlagSchreiben(4, u'0');
            ImageWindow1->LoadFromFile(pfad, 0, 0);
        }
        Ausrichtung = 0;
    }
    OriginalGroesse1->SetChecked(false);
    OriginalGroesse1Click(this);
}

// ---- layout -----------------------------------------------------------------------

void TFullSizeForm::AnzeigePanelAnpassen()
{
    if (!Center1->Checked()) {
        PanelPicParent->SetVisible(true);
        return;
    }
    if (!ds_->Active() || ds_->IsEmpty())
        return;
    const int w = dbe_->GetInteger(QStringLiteral("BREITE"));
    const int h = dbe_->GetInteger(QStringLiteral("HOEHE"));
    if (w < 2 || w > 9999 || h < 2 || h > 9999)
        return;
    PanelPicParent->SetVisible(false);
    PanelPicParent->SetAlign(alNone);
    PanelPicParent->SetBounds(0, 0, Width(), Height());
    TImageInWindow* bild = ImageWindow1->ImageInWindow();
    const int bw = std::max(1, bild->GetImageWidth()), bh = std::max(1, bild->GetImageHeight());
    const double fit = std::min(double(Height()) * 100 / bh, double(Width()) * 100 / bw) * 0.01;
    double z = fit;
    if (OriginalGroesse1->Checked()) {
        z = ds_->FieldByName(QStringLiteral("ZOOMFACTOR"))->AsFloat();
        if (z <= 0)
            z = GanzesBildanzeigen1->Checked() ? fit : 1.0;
    }
    const int sw = Screen->Width(), sh = Screen->Height();
    if (Ausrichtung == 1 || Ausrichtung == 3) {
        if (w * z > sw) {
            PanelPicParent->SetAlign(alClient);
        } else {
            const int pw = Runden(h * z), ph = Runden(w * z);
            PanelPicParent->SetBounds((sw - pw) / 2, (sh - ph) / 2, pw, ph);
        }
    } else if (w * z > sw || h * z > sh) {
        PanelPicParent->SetAlign(alClient);
    } else {
        TRect r = PanelPicParent->BoundsRect();
        if (!AnBreiteanpassen1->Checked()) {
            const int pw = Runden(w * z);
            r.Left = (sw - pw) / 2;
            r.Right = r.Left + pw;
        }
        if (!AnHoeheAnpassen1->Checked()) {
            const int ph = Runden(h * z);
            r.Top = (sh - ph) / 2;
            r.Bottom = r.Top + ph;
        }
        PanelPicParent->SetBounds(r.Left, r.Top, r.Width(), r.Height());
    }
    PanelPicParent->SetVisible(true);
}

// ---- commands ------------------------------------------------------------------------

void TFullSizeForm::Schliessen1Click(TObject*)
{
    ModalResult = mrCancel;
    Close();
}

void TFullSizeForm::BildinZwischenablage1Click(TObject*) { ImageWindow1->CopyToClipboard(); }

void TFullSizeForm::Kurzbeschreibung1Click(TObject*)
{
    KeyPreview = false;
    Timer2->SetEnabled(false);
    QString text = dbe_->GetTrimString(QStringLiteral("SHORTDESC"));
    if (InputQuery(QStringLiteral("Eingabedialogfenster"), QStringLiteral("Geben Sie eine Kurzbeschreibung ein"), text)
        && !haupt_.AlbumSchreibgeschuetzt() && ds_->Active() && !ds_->IsEmpty()) {
        if (ds_->State() != dsEdit)
            ds_->Edit();
        ds_->FieldByName(QStringLiteral("shortdesc"))->SetAsString(text);
        ds_->Post();
        TextAktualisieren();
    }
    Timer2->SetEnabled(true);
}

void TFullSizeForm::Optionen1Click(TObject*)
{
    haupt_.OptionenZeigen();
    haupt_.HinweiseSetzen(false);
}

void TFullSizeForm::Toolbaranaus1Click(TObject*) { ImageWindow1->ShowToolbar = !ImageWindow1->ShowToolbar; }

void TFullSizeForm::Scrollbarssichtbar1Click(TObject*)
{
    Scrollbarssichtbar1->SetChecked(!Scrollbarssichtbar1->Checked());
    ImageWindow1->SetShowHorzScroll(Scrollbarssichtbar1->Checked());
    ImageWindow1->SetShowVertScroll(Scrollbarssichtbar1->Checked());
}

void TFullSizeForm::Center1Click(TObject*)
{
    Center1->SetChecked(!Center1->Checked());
    AnzeigePanelAnpassen();
}

void TFullSizeForm::Ausschnittselektierbarmachen1Click(TObject*)
{
    Ausschnittselektierbarmachen1->SetChecked(!Ausschnittselektierbarmachen1->Checked());
    ImageWindow1->SelectionEnabled = Ausschnittselektierbarmachen1->Checked();
}

void TFullSizeForm::SlideShowstart1Click(TObject*)
{
    if (Timer1->Enabled()) {
        Timer1->SetEnabled(false);
        SlideShowstart2->SetCaption(QStringLiteral("SlideShow start"));
        SlideShowLaeuft = false;
        ImageWindow1->SetPopupMenu(PopupMenu1);
    } else {
        ImageWindow1->SetPopupMenu(PopupMenu2);
        Timer1->SetEnabled(true);
        SlideShowstart2->SetCaption(QStringLiteral("SlideShow stop"));
        SlideShowLaeuft = true;
    }
}

void TFullSizeForm::Drucken1Click(TObject*) { haupt_.EinzelbildDrucken(AktuellesBild); }

void TFullSizeForm::Benutzermarkierung1Click(TObject*)
{
    if (haupt_.AlbumSchreibgeschuetzt() || !ds_->Active() || ds_->IsEmpty())
        return;
    if (ds_->State() != dsEdit)
        ds_->Edit();
    TField* feld = ds_->FieldByName(QStringLiteral("MARKIERT"));
    feld->SetAsBoolean(!feld->AsBoolean());
    // Posted at once, so the mark is kept also when the viewer closes on
    // this entry.
    ds_->Post();
    MarkierungZeigen();
}

void TFullSizeForm::Timer1Timer(TObject*) { Naechstes1Click(this); }

void TFullSizeForm::TextAktualisieren()
{
    if (TextVollbildForm && ds_->Active() && !ds_->IsEmpty())
        TextVollbildForm->TextAnzeigen(dbe_->GetTrimString(QStringLiteral("SHORTDESC")));
}

void TFullSizeForm::MarkierungZeigen()
{
    if (ds_->Active() && !ds_->IsEmpty())
        Benutzermarkierung1->SetChecked(ds_->FieldByName(QStringLiteral("MARKIERT"))->AsBoolean());
}

// ---- keys and mouse ----------------------------------------------------------------------

void TFullSizeForm::FormKeyUp(TObject*, Word& Key, TShiftState)
{
    if (Key == VK_DIVIDE) {
        OriginalGroesse1->SetChecked(false);
        OriginalGroesse1Click(this);
    } else if (Key == VK_MULTIPLY) {
        GanzesBildanzeigen1->SetChecked(false);
        GanzesBildanzeigen1Click(this);
    }
    if (!KeyPreview) {
        MarkierungZeigen();
        return;
    }
    switch (Key) {
    case VK_ESCAPE:
        Schliessen1Click(this);
        break;
    case VK_RETURN:
        if (Ziffern.isEmpty()) {
            Schliessen1Click(this);
            break;
        }
        {
            // Typed digits name a picture of the destination folder:
            // five digits with leading zeros and ".JPG".
            const QString datei = IncludeTrailingBackslash(haupt_.VollbildOptionen().ZielOrdner)
                                  + Ziffern.rightJustified(5, QLatin1Char('0')) + QStringLiteral(".JPG");
            if (FileExists(datei) && haupt_.IstInternesBildFormat(datei)) {
                ImageWindow1->LoadFromFile(datei, 0, 0);
                AktuellesBild = datei;
            }
            Ziffern.clear();
        }
        break;
    case VK_DOWN: Naechstes1Click(this); break;
    case VK_UP: Letztes1Click(this); break;
    case VK_NEXT: Next10(this); break;
    case VK_PRIOR: Prior10(this); break;
    case VK_END: LetztesBild1Click(this); break;
    case VK_HOME: ErstesBild1Click(this); break;
    case VK_SUBTRACT: Zoom2Click(this); break;
    case VK_ADD: Zoom1Click(this); break;
    case VK_SPACE:
        if (SlideShowLaeuft) {
            SlideShowstart1Click(this);
            Zeitmeldung(QStringLiteral("Slideshow durch Leertaste abgebrochen...."), 3);
        } else {
            SlideShowstart1Click(this);
            Zeitmeldung(QStringLiteral("Slideshow durch Leertaste gestartet...."), 3);
        }
        break;
    default:
        if (Key >= '0' && Key <= '9' && Ziffern.size() < 9)
            Ziffern += QChar(Key);
        else if (Key >= VK_NUMPAD0 && Key <= VK_NUMPAD9 && Ziffern.size() < 9)
            Ziffern += QChar(u'0' + (Key - VK_NUMPAD0));
        break;
    }
    MarkierungZeigen();
}

void TFullSizeForm::ImageWindow1MouseMove(TObject*, TShiftState Shift, int X, int Y)
{
    const bool nurLinks = Shift.Contains(ssLeft) && !Shift.Contains(ssRight) && !Shift.Contains(ssMiddle);
    if (nurLinks && !ImageWindow1->SelectionEnabled) {
        ImageWindow1->SetCursor(kGrabHand);
        const int dx = (letzteMaus_.X - X) / 13, dy = (letzteMaus_.Y - Y) / 10;
        TScrollBar* h = ImageWindow1->HorzScrollBar();
        TScrollBar* v = ImageWindow1->VertScrollBar();
        if (h && dx)
            h->SetPosition(h->Position() + dx);
        if (v && dy)
            v->SetPosition(v->Position() + dy);
    } else {
        letzteMaus_ = Point(X, Y);
        ImageWindow1->SetCursor(crDefault);
    }
}
