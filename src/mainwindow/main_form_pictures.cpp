// The picture views of the main window: the window builds their components
// and hands them with the open album's work area to TBildAnsichten, which
// does the work; the handlers here forward to it. TMainFormBilder is what
// the picture views reach of the window.

#include "mainwindow/main_form.h"

#include "mainwindow/bild_ansichten.h"

#include "datagrid/dk_table.h"
#include "imaging/image_window.h"
#include "imaging/pic_box.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/menus.h"
#include "platform/ui/std_ctrls.h"
#include "shared/qk_ini.h"
#include "shared/qk_wav.h"

#include <cstring>

class TMainFormBilder : public TComponent, public TBildAnsichtenUmgebung {
public:
    explicit TMainFormBilder(TMainForm& f) : TComponent(&f), f_(f) {}

    const TEinstellungen& Einstellungen() const override { return f_.Einstellungen(); }
    bool SatzanzahlNeu(int angezeigt) override
    {
        if (angezeigt == f_.Anzeige().LetzteSatzanzahl)
            return false;
        f_.Anzeige().LetzteSatzanzahl = angezeigt;
        return true;
    }
    void OhneAlbumAnzeigen() override
    {
        TMainForm::BildLaden(f_.ImageWindow2, f_.Dienste().Lauf().ProgrammPfad() + QStringLiteral("Logo.jpg"));
        f_.StatusBarBilder1->Panels()->Items(1)->SetText(QStringLiteral("0 von 0 Einträge angezeigt"));
        f_.StatusBarBilder2->Panels()->Items(0)->SetText(QString());
    }
    bool GridSeiteAktiv() const override { return f_.PageControlBilder->ActivePage() == f_.TabSheetBilderDatenbank; }
    bool VorschauSeiteAktiv() const override { return f_.PageControlBilder->ActivePage() == f_.TabSheetVorschauBilder; }
    void GrossBildSeiteZeigen() override
    {
        if (f_.PageControlBilder->ActivePage() != f_.TabSheetGrossBild)
            f_.PageControlBilder->SetActivePage(f_.TabSheetGrossBild);
    }
    void OptionenZeigen() override
    {
        if (f_.optionenDialog_)
            f_.optionenDialog_->Optionen1Click(nullptr);
    }
    void EinzelbildDrucken() override { f_.Handler("Einzelbilddrucken2Click")(nullptr); }

private:
    TMainForm& f_;
};

namespace {

struct TBildBefehlName {
    const char* Name;
    TMainForm::TBefehlsMethode Methode;
};

const TBildBefehlName kBildBefehle[] = {
    {"Vollbild1Click", &TMainForm::Vollbild1Click},
    {"QKAutoButtonVollbildClick", &TMainForm::Vollbild1Click},
    {"VollbildAnzeige2Click", &TMainForm::QKDBPicBox1DblClick},
    {"SlideShowstart1Click", &TMainForm::SlideShowstart1Click},
    {"SlideShowstart2Click", &TMainForm::SlideShowstart1Click},
    {"QKAutoButtonSlideshowClick", &TMainForm::SlideShowstart1Click},
    {"DatenbankautomatischVorwaertsblaetternClick", &TMainForm::DatenbankautomatischVorwaertsblaetternClick},
    {"DatenbankautomatischRueckwaertsblaetternClick", &TMainForm::DatenbankautomatischRueckwaertsblaetternClick},
    {"N0Originalausrichtung1Click", &TMainForm::N0Originalausrichtung1Click},
    {"N90rechts1Click", &TMainForm::N90rechts1Click},
    {"N180rechts1Click", &TMainForm::N180rechts1Click},
    {"N270rechts1Click", &TMainForm::N270rechts1Click},
    {"Bildexternanzeigen1Click", &TMainForm::Bildexternanzeigen1Click},
    {"Bildexternbearbeiten_11Click", &TMainForm::Bildexternbearbeiten_11Click},
    {"Bildexternbearbeiten_12Click", &TMainForm::Bildexternbearbeiten_12Click},
    {"Bildexternbearbeiten_13Click", &TMainForm::Bildexternbearbeiten_13Click},
    {"PopupMenuVorschaubilderPopup", &TMainForm::PopupMenuVorschaubilderPopup},
    {"EinstellungenVorschaubilder1Click", &TMainForm::EinstellungenVorschaubilder1Click},
    {"SchwebendesVorschaubild1Click", &TMainForm::SchwebendesVorschaubild1Click},
    {"ScannerbildAnzeige1Click", &TMainForm::ScannerbildAnzeige1Click},
    {"ExternbearbeiteteBilderaktualisieren1Click", &TMainForm::ExternbearbeiteteBilderaktualisieren1Click},
};

}  // namespace

TMainForm::TBefehlsMethode TMainForm::BildBefehl(const char* name)
{
    for (const TBildBefehlName& b : kBildBefehle)
        if (std::strcmp(b.Name, name) == 0)
            return b.Methode;
    return nullptr;
}

// ---- building ---------------------------------------------------------------------

void TMainForm::BilderAnsichtAufbauen()
{
    QKDBPicBox1 = new TQKDBPicBox(this);
    QKDBPicBox1->Name = QStringLiteral("QKDBPicBox1");
    QKDBPicBox1->SetParent(PanelVorschauBilder);
    QKDBPicBox1->SetAlign(alClient);
    QKDBPicBox1->SetRows(3);
    QKDBPicBox1->SetColumns(5);
    QKDBPicBox1->SetPopupMenu(PopupMenu(QStringLiteral("PopupMenuVorschaubilder")));
    QKDBPicBox1->OnClick = [this](TObject* s) { QKDBPicBox1Click(s); };
    QKDBPicBox1->OnDblClick = [this](TObject* s) { QKDBPicBox1DblClick(s); };
    // As in the grid, Enter opens the full view only when it was pressed in
    // the box: the release of the Enter that closed a dialog comes here when
    // the box gets the focus back.
    QKDBPicBox1->OnKeyDown = [this](TObject*, Word& key, TShiftState) { bilderTasteGedrueckt_ = key; };
    QKDBPicBox1->OnKeyUp = [this](TObject*, Word& key, TShiftState) {
        const bool hierGedrueckt = bilderTasteGedrueckt_ == key;
        bilderTasteGedrueckt_ = 0;
        if (key == VK_RETURN && hierGedrueckt)
            VollbildAnzeige();
    };
    // The window is built in code after its components were made: the box
    // learns that it is complete here.
    QKDBPicBox1->Loaded();

    // The rotation and external-program boxes below the thumbnail, in its panel.
    auto* knoepfe = new TPanel(this);
    knoepfe->Name = QStringLiteral("PanelVorschauKnoepfe");
    knoepfe->SetParent(PanelVorschaubild1);
    knoepfe->SetAlign(alBottom);
    knoepfe->SetHeight(38);
    knoepfe->SetBevelOuter(bvNone);
    knoepfe->SetCaption(QString());
    knoepfe->Font()->SetSize(7);
    auto radio = [this, knoepfe](TRadioButton*& r, const char* name, const QString& text, int x, int breite,
                                 int viertel) {
        r = new TRadioButton(this);
        r->Name = QString::fromLatin1(name);
        r->SetParent(knoepfe);
        r->SetCaption(text);
        r->SetHint(QStringLiteral("Vorschaubild %1 gedreht anzeigen").arg(text));
        r->SetBounds(x, 1, breite, 18);
        TRadioButton* knopf = r;
        r->OnMouseUp = [this, knopf, viertel](TObject*, TMouseButton, TShiftState, int, int) {
            RadioButtonMouseUp(knopf, viertel);
        };
    };
    radio(RadioButton0Grad, "RadioButton0Grad", QStringLiteral("0°"), 0, 32, 0);
    radio(RadioButton90GradRechts, "RadioButton90GradRechts", QStringLiteral("90°"), 32, 37, 1);
    radio(RadioButton180GradRechts, "RadioButton180GradRechts", QStringLiteral("180°"), 69, 44, 2);
    radio(RadioButton270GradRechts, "RadioButton270GradRechts", QStringLiteral("270°"), 113, 44, 3);
    RadioButton0Grad->SetChecked(true);
    auto box = [this, knoepfe](TCheckBox*& c, const char* name, const QString& text, const QString& hint, int x,
                               int breite) {
        c = new TCheckBox(this);
        c->Name = QString::fromLatin1(name);
        c->SetParent(knoepfe);
        c->SetCaption(text);
        c->SetHint(hint);
        c->SetBounds(x, 19, breite, 18);
    };
    box(CheckBoxExternAnzeigen, "CheckBoxExternAnzeigen", QStringLiteral("Anzeigen"),
        QStringLiteral("Bild extern anzeigen"), 0, 76);
    box(CheckBoxExternAufrufen, "CheckBoxExternAufrufen", QStringLiteral("Bearbeiten"),
        QStringLiteral("Bild extern bearbeiten"), 76, 84);
    CheckBoxExternAnzeigen->OnMouseUp = [this](TObject* s, TMouseButton, TShiftState, int, int) {
        CheckBoxExternAnzeigenMouseUp(s);
    };
    CheckBoxExternAufrufen->OnMouseUp = [this](TObject* s, TMouseButton, TShiftState, int, int) {
        CheckBoxExternAufrufenMouseUp(s);
    };
    ImageWindow2->OnDblClick = [this](TObject*) { VollbildAnzeige(); };

    // The big picture: drag scrolling with its captions below.
    ImageWindow1->SelectionEnabled = false;
    ImageWindow1->SetBackGroundColor(clBtnFace);
    ImageWindow1->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) { ImageWindow1MouseMove(s, sh, x, y); };
    ImageWindow1->OnDblClick = [this](TObject*) { PageControlBilder->SetActivePage(TabSheetVorschauBilder); };
    auto* leiste = new TPanel(this);
    leiste->Name = QStringLiteral("PanelGrossBildInfo");
    leiste->SetParent(ImageWindow1->Parent());
    leiste->SetAlign(alBottom);
    leiste->SetHeight(20);
    leiste->SetCaption(QString());
    TPanel** felder[] = {&Panel18, &Panel19, &Panel20, &Panel21};
    for (int i = 0; i < 4; ++i) {
        auto* p = new TPanel(this);
        p->Name = QStringLiteral("Panel%1").arg(18 + i);
        p->SetParent(leiste);
        p->SetAlign(alLeft);
        p->SetWidth(90);
        p->SetBevelOuter(bvLowered);
        p->SetCaption(QString());
        *felder[i] = p;
    }

    Timer1->OnTimer = [this](TObject* s) { Timer1Timer(s); };
    Timer4->OnTimer = [this](TObject* s) { Timer4Timer(s); };

    TBildAnsichtenKomponenten k;
    k.ImageWindow2 = ImageWindow2;
    k.PanelVorschaubild1 = PanelVorschaubild1;
    k.QKDBPicBox1 = QKDBPicBox1;
    k.Drehknoepfe[0] = RadioButton0Grad;
    k.Drehknoepfe[1] = RadioButton90GradRechts;
    k.Drehknoepfe[2] = RadioButton180GradRechts;
    k.Drehknoepfe[3] = RadioButton270GradRechts;
    k.CheckBoxExternAnzeigen = CheckBoxExternAnzeigen;
    k.CheckBoxExternAufrufen = CheckBoxExternAufrufen;
    k.ImageWindow1 = ImageWindow1;
    k.Panel18 = Panel18;
    k.Panel19 = Panel19;
    k.Panel20 = Panel20;
    k.Panel21 = Panel21;
    k.Timer1 = Timer1;
    k.Timer4 = Timer4;
    bilder_ = new TMainFormBilder(*this);
    bildAnsichten_.reset(new TBildAnsichten(Album(), AlbumAnsicht(), k, Dienste(), *bilder_));
}

// ---- forwarding to the picture views ------------------------------------------------------

void TMainForm::ZeigeVorschauBildAusBlob() { bildAnsichten_->ZeigeVorschauBildAusBlob(); }

void TMainForm::VorschaubilderEinlesen() { bildAnsichten_->VorschaubilderEinlesen(); }

void TMainForm::Timer4Timer(TObject*) { bildAnsichten_->VerzoegertesVorschaubild(); }

void TMainForm::SchreibeAktuellesVorschaubild() { bildAnsichten_->SchreibeAktuellesVorschaubild(); }

void TMainForm::ExternbearbeiteteBilderaktualisieren1Click(TObject*) { bildAnsichten_->ExternBearbeiteteAktualisieren(); }

void TMainForm::AktualisiereExternBearbeiteteBilder() { bildAnsichten_->AktualisiereExternBearbeiteteBilder(); }

QString TMainForm::BildDateiErmitteln(bool mitZugriffspruefung, const QString& logText)
{
    return bildAnsichten_->BildDateiErmitteln(mitZugriffspruefung, logText);
}

void TMainForm::VollbildAnzeige() { bildAnsichten_->VollbildAnzeige(); }

void TMainForm::DateiVollbildAnzeigen(const QString& datei) { bildAnsichten_->DateiVollbildAnzeigen(datei); }

void TMainForm::VollbildOhneSlideShow() { bildAnsichten_->VollbildOhneSlideShow(); }

void TMainForm::Vollbild1Click(TObject*)
{
    if (TableBilder->Active())
        VollbildAnzeige();
}

void TMainForm::SlideShowstart1Click(TObject*) { bildAnsichten_->SlideShowStarten(); }

void TMainForm::TextVollbildAnpassen(const TFont* schrift, TColor farbe)
{
    bildAnsichten_->TextVollbildAnpassen(schrift, farbe);
}

void TMainForm::DatenbankautomatischVorwaertsblaetternClick(TObject*)
{
    bildAnsichten_->AutomatischBlaettern(QStringLiteral("DatenbankautomatischVorwaertsblaettern"));
}

void TMainForm::DatenbankautomatischRueckwaertsblaetternClick(TObject*)
{
    bildAnsichten_->AutomatischBlaettern(QStringLiteral("DatenbankautomatischRueckwaertsblaettern"));
}

void TMainForm::Timer1Timer(TObject*) { bildAnsichten_->Blaettern(); }

void TMainForm::Drehbefehl(int viertel) { bildAnsichten_->Drehen(viertel); }

void TMainForm::RadioButtonMouseUp(TRadioButton* knopf, int viertel) { bildAnsichten_->DrehknopfLosgelassen(knopf, viertel); }

void TMainForm::CheckBoxExternAnzeigenMouseUp(TObject*) { bildAnsichten_->ExternAnzeigenGeklickt(); }

void TMainForm::CheckBoxExternAufrufenMouseUp(TObject*) { bildAnsichten_->ExternAufrufenGeklickt(); }

void TMainForm::Bildexternanzeigen1Click(TObject*) { bildAnsichten_->BildExternAnzeigen(); }

void TMainForm::BildExternBearbeiten(int editor, const QString& datei) { bildAnsichten_->BildExternBearbeiten(editor, datei); }

void TMainForm::QKDBPicBox1Click(TObject*) { bildAnsichten_->VorschaubildGewaehlt(); }

void TMainForm::QKDBPicBox1DblClick(TObject* Sender)
{
    QKDBPicBox1Click(Sender);
    VollbildAnzeige();
}

void TMainForm::PopupMenuVorschaubilderPopup(TObject*) { bildAnsichten_->VorschaubilderMenueZeigen(); }

void TMainForm::EinstellungenVorschaubilder1Click(TObject* Sender)
{
    Ton(Sender);
    bildAnsichten_->VorschaubilderEinstellen(this);
}

void TMainForm::SchwebendesVorschaubild1Click(TObject*) { bildAnsichten_->SchwebendesVorschaubildZeigen(); }

void TMainForm::ScannerbildAnzeige1Click(TObject*) { bildAnsichten_->GrossBildZeigen(); }

void TMainForm::ImageWindow1MouseMove(TObject*, TShiftState Shift, int X, int Y)
{
    bildAnsichten_->GrossBildZiehen(Shift, X, Y);
}

void TMainForm::VorschaubilderVeraltet() { bildAnsichten_->VorschaubilderVeraltet(); }

void TMainForm::TBildAnsichtenLoescher::operator()(TBildAnsichten* b) const { delete b; }
