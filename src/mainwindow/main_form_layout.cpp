// The visible part of the main window: the menus, pop-up menus and toolbar
// built from the command vocabulary, the pages of the album view, the
// status bars, gauges and timers, and the binding of every command to its
// handler.

#include "mainwindow/main_form.h"

#include "mainwindow/main_commands.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/menus.h"
#include "platform/ui/std_ctrls.h"
#include "shared/qk_auto_button.h"
#include "shared/qk_gauge.h"
#include "shared/qk_ini.h"
#include "shared/qk_wav.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include <cstring>
#include <functional>

namespace {

using THandler = void (TMainForm::*)(TObject*);

struct THandlerName {
    const char* Name;
    THandler Methode;
};

// The handlers that do their work in this version; every other handler
// named by the vocabulary answers that its function is not available yet.
const THandlerName kHandler[] = {
    {"AndereBilderdatenbankoeffnen1Click", &TMainForm::AndereBilderdatenbankoeffnen1Click},
    {"NurVolltextsucheneuaufbauen1Click", &TMainForm::NurVolltextsucheneuaufbauen1Click},
    {"NeueFotoalbenaufCDsuchen1Click", &TMainForm::NeueFotoalbenaufCDsuchen1Click},
    {"EditiermodusTabelle1Click", &TMainForm::EditiermodusTabelle1Click},
    {"Ende1Click", &TMainForm::Ende1Click},
    {"DurchschnZeitproNutzung1Click", &TMainForm::DurchschnZeitproNutzung1Click},
    {"ResetundNeustart1Click", &TMainForm::ResetundNeustart1Click},
    {"SystemInfo1Click", &TMainForm::SystemInfo1Click},
    {"LinkaufDesktoperstellen1Click", &TMainForm::LinkaufDesktoperstellen1Click},
    {"Schnelleinstieg1Click", &TMainForm::Schnelleinstieg1Click},
    {"Onlinehilfe1Click", &TMainForm::Onlinehilfe1Click},
    {"SortierHinweisClick", &TMainForm::SortierHinweisClick},
    {"SuchHinweisClick", &TMainForm::SuchHinweisClick},
    {"Hinweis1Click", &TMainForm::Hinweis1Click},
    {"OnlineUpdate1Click", &TMainForm::OnlineUpdate1Click},
    {"GesprocheneProgrammvorstellung2Click", &TMainForm::GesprocheneProgrammvorstellung2Click},
    {"HistoryLumadexhis1Click", &TMainForm::HistoryLumadexhis1Click},
    {"Hauptmenueausblenden1Click", &TMainForm::Hauptmenueausblenden1Click},
    {"Hauptmenueeinblenden1Click", &TMainForm::Hauptmenueeinblenden1Click},
    {"TabBar1ausblenden1Click", &TMainForm::TabBar1ausblenden1Click},
    {"TabBar2ausblenden1Click", &TMainForm::TabBar2ausblenden1Click},
    {"BilderToolbarausblenden1Click", &TMainForm::BilderToolbarausblenden1Click},
    {"BilderToolBarAnzeigenClick", &TMainForm::BilderToolBarAnzeigenClick},
    {"Einzelsatzanzeige1Click", &TMainForm::Einzelsatzanzeige1Click},
    {"SatzeditorBilderClick", &TMainForm::SatzeditorBilderClick},
    {"VolltextSuche2Click", &TMainForm::VolltextSuche2Click},
};

const THandlerName* HandlerSuchen(const char* name)
{
    for (const THandlerName& h : kHandler)
        if (std::strcmp(h.Name, name) == 0)
            return &h;
    return nullptr;
}

// Lets the main window see the drops on its window.
class TFensterFilter : public QObject {
public:
    explicit TFensterFilter(std::function<bool(QObject*, QEvent*)> fn) : fn_(std::move(fn)) {}
    bool eventFilter(QObject* watched, QEvent* e) override { return fn_(watched, e); }

private:
    std::function<bool(QObject*, QEvent*)> fn_;
};

template <typename C>
C* Neu(TComponent* owner, TWinControl* parent, const char* name)
{
    auto* c = new C(owner);
    c->Name = QString::fromLatin1(name);
    c->SetParent(parent);
    return c;
}

TTabSheet* Seite(TComponent* owner, TPageControl* pc, const char* name, const QString& caption)
{
    auto* t = new TTabSheet(owner);
    t->Name = QString::fromLatin1(name);
    t->SetPageControl(pc);
    t->SetCaption(caption);
    return t;
}

}  // namespace

bool TMainForm::HandlerVorhanden(const char* name) const { return HandlerSuchen(name) != nullptr; }

TNotifyEvent TMainForm::Handler(const char* name)
{
    if (const THandlerName* h = HandlerSuchen(name)) {
        const THandler m = h->Methode;
        return [this, m](TObject* sender) { (this->*m)(sender); };
    }
    return [this](TObject* sender) { NichtVerfuegbar(sender); };
}

void TMainForm::NichtVerfuegbar(TObject* Sender)
{
    Ton(Sender);
    ShowMessage(QStringLiteral("Diese Funktion ist noch nicht verfügbar."));
}

void TMainForm::Ton(TObject* Sender)
{
    if (auto* c = dynamic_cast<TComponent*>(Sender))
        PrgWavSpielen(c->Tag, false);
}

TMenuItem* TMainForm::MenuItem(const QString& name) const
{
    for (TMenuItem* m : menuItems_)
        if (m->Name.compare(name, Qt::CaseInsensitive) == 0)
            return m;
    return nullptr;
}

TPopupMenu* TMainForm::PopupMenu(const QString& name) const
{
    for (TPopupMenu* p : popups_)
        if (p->Name.compare(name, Qt::CaseInsensitive) == 0)
            return p;
    return nullptr;
}

TQKAutoButton* TMainForm::ToolbarButton(const QString& name) const
{
    for (TQKAutoButton* b : buttons_)
        if (b->Name.compare(name, Qt::CaseInsensitive) == 0)
            return b;
    return nullptr;
}

void TMainForm::FensterAufbauen()
{
    SetBounds(0, 0, 800, 600);
    Position = poScreenCenter;
    KeyPreview = true;

    Timer1 = new TTimer(this);
    Timer1->Name = QStringLiteral("Timer1");
    Timer1->SetEnabled(false);
    Timer2 = new TTimer(this);
    Timer2->Name = QStringLiteral("Timer2");
    Timer2->SetEnabled(false);
    Timer2->OnTimer = [this](TObject* s) { Timer2Timer(s); };
    Timer3 = new TTimer(this);
    Timer3->Name = QStringLiteral("Timer3");
    Timer3->SetEnabled(false);
    Timer3->SetInterval(1000);
    Timer3->OnTimer = [this](TObject* s) { Timer3Timer(s); };
    Timer4 = new TTimer(this);
    Timer4->Name = QStringLiteral("Timer4");
    Timer4->SetEnabled(false);
    Timer4->SetInterval(300);
    Timer4->OnTimer = [this](TObject*) {
        Timer4->SetEnabled(false);
        ZeigeVorschauBildAusBlob();
    };
    QKWAV1 = new TQKWAV(this);
    QKWAV1->Name = QStringLiteral("QKWAV1");

    MenuesAufbauen();
    ToolbarAufbauen();
    SeitenAufbauen();

    StatusBarBilder1->SetAlign(alBottom);
    StatusBarBilder1->SetHeight(20);
    const int breiten[] = {110, 220, 150, 160, 50};
    for (int i = 0; i < 5; ++i)
        StatusBarBilder1->Panels()->Items(i)->SetWidth(breiten[i]);
    StatusBarBilder1->OnClick = [this](TObject* s) { StatusBarBilder1Click(s); };
    StatusBarBilder2->SetAlign(alBottom);
    StatusBarBilder2->SetHeight(20);
    StatusBarBilder2->OnClick = [this](TObject* s) { StatusBarBilder1Click(s); };

    OnKeyDown = [this](TObject* s, Word& k, TShiftState sh) { FormKeyDown(s, k, sh); };
    OnKeyUp = [this](TObject* s, Word& k, TShiftState sh) { FormKeyUp(s, k, sh); };
    OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { AutoBlaetternStoppen(); };
    OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { AutoBlaetternStoppen(); };
    OnShow = [this](TObject* s) { FormShow(s); };
    OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
    OnActivate = [this](TObject* s) { FormActivate(s); };
    OnCreate = [this](TObject* s) { FormCreate(s); };
    QKINI_Prog->OnReadINI = [this](TObject* s) { QKINI_ProgReadINI(s); };
    QKINI_Prog->OnWriteINI = [this](TObject* s) { QKINI_ProgWriteINI(s); };

    // Files dropped on the window.
    if (QWidget* w = Handle()) {
        w->setAcceptDrops(true);
        auto* filter = new TFensterFilter([this](QObject* o, QEvent* e) { return FensterEreignis(o, e); });
        filter->setParent(w);
        w->installEventFilter(filter);
    }
}

bool TMainForm::FensterEreignis(QObject*, QEvent* e)
{
    if (e->type() == QEvent::DragEnter) {
        auto* d = static_cast<QDragEnterEvent*>(e);
        if (d->mimeData()->hasUrls()) {
            d->acceptProposedAction();
            return true;
        }
    } else if (e->type() == QEvent::Drop) {
        auto* d = static_cast<QDropEvent*>(e);
        QStringList dateien;
        for (const QUrl& url : d->mimeData()->urls())
            if (url.isLocalFile())
                dateien << url.toLocalFile();
        d->acceptProposedAction();
        Application->Guarded(this, [this, dateien] { DateienFallengelassen(dateien); });
        return true;
    }
    return false;
}

void TMainForm::MenuesAufbauen()
{
    MainMenuBilder = new TMainMenu(this);
    MainMenuBilder->Name = QString::fromLatin1(kHauptmenue);

    // The parents of the levels of the menu being built.
    std::vector<TMenuItem*> ebenen;
    QString aktuellesMenue;
    for (const TBefehl& b : BefehlsTabelle()) {
        const QString menue = QString::fromLatin1(b.Menue);
        if (menue == QLatin1String(kToolbar))
            continue;
        if (menue != aktuellesMenue) {
            aktuellesMenue = menue;
            TMenuItem* wurzel = nullptr;
            if (menue == QLatin1String(kHauptmenue)) {
                wurzel = MainMenuBilder->Items();
            } else {
                auto* popup = new TPopupMenu(this);
                popup->Name = menue;
                popups_.push_back(popup);
                wurzel = popup->Items();
            }
            ebenen.assign(1, wurzel);
        }
        auto* item = new TMenuItem(this);
        item->Name = QString::fromUtf8(b.Name);
        item->SetCaption(QString::fromUtf8(b.Caption));
        item->SetShortCut(b.ShortCut);
        item->SetVisible(!(b.Start & kVersteckt));
        item->SetEnabled(!(b.Start & kGesperrt));
        item->SetChecked(b.Start & kGehakt);
        item->Tag = b.Ton;
        if (b.Handler)
            item->OnClick = Handler(b.Handler);
        ebenen.resize(size_t(b.Ebene) + 1);
        ebenen.back()->Add(item);
        ebenen.push_back(item);
        if (!item->Name.isEmpty())
            menuItems_.push_back(item);
    }
    SetMenu(MainMenuBilder);
}

void TMainForm::ToolbarAufbauen()
{
    XToolBarBilderVerwaltung = Neu<TPanel>(this, this, "XToolBarBilderVerwaltung");
    XToolBarBilderVerwaltung->SetAlign(alTop);
    XToolBarBilderVerwaltung->SetHeight(30);
    XToolBarBilderVerwaltung->SetCaption(QString());
    int x = 4;
    for (const TBefehl& b : BefehlsTabelle()) {
        if (qstrcmp(b.Menue, kToolbar) != 0)
            continue;
        auto* button = Neu<TQKAutoButton>(this, XToolBarBilderVerwaltung, b.Name);
        button->SetCaption(QString::fromUtf8(b.Caption));
        button->SetHint(QString::fromUtf8(b.Hint));
        button->SetShowHint(true);
        button->SetBounds(x, 3, 74, 24);
        x += 76;
        button->OnClick = Handler(b.Handler);
        buttons_.push_back(button);
    }
    if (TQKAutoButton* drucken = ToolbarButton(QStringLiteral("QKAutoButtonBilderDrucken")))
        drucken->SetPopupMenu(PopupMenu(QStringLiteral("PopupMenuDrucken")));
}

void TMainForm::SeitenAufbauen()
{
    BilderGaugePanel = Neu<TPanel>(this, this, "BilderGaugePanel");
    BilderGaugePanel->SetAlign(alBottom);
    BilderGaugePanel->SetHeight(22);
    BilderGaugePanel->SetVisible(false);
    QKGaugeBilder = Neu<TQKGauge>(this, BilderGaugePanel, "QKGaugeBilder");
    QKGaugeBilder->SetAlign(alClient);
    BilderGaugePanel2 = Neu<TPanel>(this, this, "BilderGaugePanel2");
    BilderGaugePanel2->SetAlign(alBottom);
    BilderGaugePanel2->SetHeight(22);
    BilderGaugePanel2->SetVisible(false);
    QKGaugeBilder2 = Neu<TQKGauge>(this, BilderGaugePanel2, "QKGaugeBilder2");
    QKGaugeBilder2->SetAlign(alClient);

    PageControlBilder = Neu<TPageControl>(this, this, "PageControlBilder");
    PageControlBilder->SetAlign(alClient);
    TabSheetBilderDatenbank = Seite(this, PageControlBilder, "TabSheetBilderDatenbank", QStringLiteral("Fotoalbum"));
    TabSheetVorschauBilder = Seite(this, PageControlBilder, "TabSheetVorschauBilder", QStringLiteral("Vorschaubilder"));
    TabSheetGrossBild = Seite(this, PageControlBilder, "TabSheetGrossBild", QStringLiteral("Zuletzt gescannte Bild"));
    PageControlBilder->OnChanging = [this](TObject* s, bool& allow) { PageControlBilderChanging(s, allow); };
    PageControlBilder->OnChange = [this](TObject* s) { PageControlBilderChange(s); };
    PageControlBilder->SetPopupMenu(PopupMenu(QStringLiteral("PopupMenuDBGridBilder")));

    // Page 1: the album grid above the single-record view.
    PageControlBilderdaten = Neu<TPageControl>(this, TabSheetBilderDatenbank, "PageControlBilderdaten");
    PageControlBilderdaten->SetAlign(alBottom);
    PageControlBilderdaten->SetHeight(200);
    TabSheetBilderDBFTeil1 =
        Seite(this, PageControlBilderdaten, "TabSheetBilderDBFTeil1", QStringLiteral("Bilddaten Teil1"));
    TabSheetBilderDBFTeil2 =
        Seite(this, PageControlBilderdaten, "TabSheetBilderDBFTeil2", QStringLiteral("Bilddaten Teil2"));
    TabSheetBilderDBFTeil3 =
        Seite(this, PageControlBilderdaten, "TabSheetBilderDBFTeil3", QStringLiteral("Bilddaten Teil3"));
    PageControlBilderdaten->OnChange = [this](TObject* s) { PageControlBilderdatenChange(s); };
    PanelBilderGrid = Neu<TPanel>(this, TabSheetBilderDatenbank, "PanelBilderGrid");
    PanelBilderGrid->SetAlign(alClient);
    PanelBilderGrid->SetBevelOuter(bvNone);
    PanelBilderGrid->SetCaption(QString());

    PanelVorschaubild1 = Neu<TPanel>(this, TabSheetBilderDBFTeil1, "PanelVorschaubild1");
    PanelVorschaubild1->SetBounds(4, 4, 160, 160);
    PanelVorschaubild1->SetBevelOuter(bvLowered);
    PanelVorschaubild1->SetCaption(QString());
    ImageWindow2 = Neu<TImage>(this, PanelVorschaubild1, "ImageWindow2");
    ImageWindow2->SetAlign(alClient);
    ImageWindow2->SetCenter(true);
    ImageWindow2->SetProportional(true);
    ImageWindow2->SetPopupMenu(PopupMenu(QStringLiteral("PopupMenuVorschauBild")));
    auto* labelDatei = Neu<TLabel>(this, TabSheetBilderDBFTeil1, "LabelDateiname");
    labelDatei->SetCaption(QStringLiteral("Dateiname:"));
    labelDatei->SetParentColor(true);
    labelDatei->SetBounds(176, 8, 90, 16);
    EditDateiname = Neu<TEdit>(this, TabSheetBilderDBFTeil1, "EditDateiname");
    EditDateiname->SetBounds(270, 4, 300, 22);
    EditDateiname->SetReadOnly(true);
    auto* labelPfad = Neu<TLabel>(this, TabSheetBilderDBFTeil1, "LabelPfad");
    labelPfad->SetCaption(QStringLiteral("Verzeichnis:"));
    labelPfad->SetParentColor(true);
    labelPfad->SetBounds(176, 36, 90, 16);
    MemoPfad = Neu<TMemo>(this, TabSheetBilderDBFTeil1, "MemoPfad");
    MemoPfad->SetBounds(270, 32, 300, 44);
    MemoPfad->SetReadOnly(true);

    const char* const labelNamen[] = {"LabelBenutzerdefiniert1", "LabelBenutzerdefiniert2", "LabelBenutzerdefiniert3"};
    TLabel** labels[] = {&LabelBenutzerdefiniert1, &LabelBenutzerdefiniert2, &LabelBenutzerdefiniert3};
    for (int i = 0; i < 3; ++i) {
        *labels[i] = Neu<TLabel>(this, TabSheetBilderDBFTeil3, labelNamen[i]);
        (*labels[i])->SetCaption(QStringLiteral("Benutzerdefiniert%1").arg(i + 1));
        (*labels[i])->SetParentColor(true);
        (*labels[i])->SetBounds(8, 10 + i * 30, 150, 16);
    }

    // Page 2: the thumbnails.
    PanelVorschauBilder = Neu<TPanel>(this, TabSheetVorschauBilder, "PanelVorschauBilder");
    PanelVorschauBilder->SetAlign(alClient);
    PanelVorschauBilder->SetBevelOuter(bvNone);
    PanelVorschauBilder->SetCaption(QString());
    PanelVorschauBilder->SetPopupMenu(PopupMenu(QStringLiteral("PopupMenuVorschaubilder")));

    // Page 3: the last scanned picture.
    Notebook1 = Neu<TNotebook>(this, TabSheetGrossBild, "Notebook1");
    Notebook1->SetAlign(alClient);
    TPage* seite = Notebook1->AddPage(QStringLiteral("Default"));
    ImageWindow1 = Neu<TImage>(this, seite, "ImageWindow1");
    ImageWindow1->SetAlign(alClient);
    ImageWindow1->SetCenter(true);
    ImageWindow1->SetProportional(true);
    Notebook1->SetPageIndex(0);
    Notebook1->SetPopupMenu(PopupMenu(QStringLiteral("PopupMenuDBGridBilder")));
    ImageWindow1->SetPopupMenu(PopupMenu(QStringLiteral("PopupMenuDBGridBilder")));

    PageControlBilder->SetActivePage(TabSheetBilderDatenbank);
    PageControlBilderdaten->SetActivePage(TabSheetBilderDBFTeil1);
}
