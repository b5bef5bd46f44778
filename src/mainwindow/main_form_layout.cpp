// The visible part of the main window: the menus, pop-up menus and toolbar
// built from the command vocabulary, the pages of the album view, the
// status bars, gauges and timers, and the binding of every command to its
// handler.

#include "mainwindow/main_form.h"

#include "controls/db_date_edit.h"
#include "datacontrols/db_navigator.h"
#include "datacontrols/dk_db_combo.h"
#include "datacontrols/dk_db_edit.h"
#include "datacontrols/dk_record_view.h"
#include "datagrid/dk_db_grid.h"
#include "datagrid/dk_field_info.h"
#include "datagrid/dk_table.h"
#include "imaging/image_window.h"
#include "album/album_record.h"
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
#include <QTimer>
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
    {"AndereBilderdatenbankoeffnen1Click", &TMainForm::FotoalbenManagerClick},
    {"NurVolltextsucheneuaufbauen1Click", &TMainForm::NurVolltextsucheneuaufbauen1Click},
    {"NeueFotoalbenaufCDsuchen1Click", &TMainForm::NeueFotoalbenaufCDsuchen1Click},
    {"EditiermodusTabelle1Click", &TMainForm::EditiermodusTabelle1Click},
    {"Ende1Click", &TMainForm::Ende1Click},
    {"DurchschnZeitproNutzung1Click", &TMainForm::DurchschnZeitproNutzung1Click},
    {"ResetundNeustart1Click", &TMainForm::ResetundNeustart1Click},
    {"OptionenBilder1Click", &TMainForm::OptionenBilder1Click},
    {"SystemInfo1Click", &TMainForm::SystemInfo1Click},
    {"Tips1Click", &TMainForm::Tips1Click},
    {"Ueber1Click", &TMainForm::Ueber1Click},
    {"LinkaufDesktoperstellen1Click", &TMainForm::LinkaufDesktoperstellen1Click},
    {"Schnelleinstieg1Click", &TMainForm::Schnelleinstieg1Click},
    {"Onlinehilfe1Click", &TMainForm::Onlinehilfe1Click},
    {"SortierHinweisClick", &TMainForm::SortierHinweisClick},
    {"SuchHinweisClick", &TMainForm::SuchHinweisClick},
    {"Hinweis1Click", &TMainForm::Hinweis1Click},
    {"OnlineUpdate1Click", &TMainForm::OnlineUpdate1Click},
    {"GesprocheneProgrammvorstellung2Click", &TMainForm::GesprocheneProgrammvorstellung2Click},
    {"Dateiverschieben1Click", &TMainForm::Dateiverschieben1Click},
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
    {"BilderHinzufuegen1Click", &TMainForm::BilderHinzufuegen1Click},
    {"QKAutoButtonBilderHinzufuegenClick", &TMainForm::QKAutoButtonBilderHinzufuegenClick},
    {"Bilderumkopieren1Click", &TMainForm::Bilderumkopieren1Click},
    {"BilderumlopierenStop1Click", &TMainForm::BilderumlopierenStop1Click},
    // Filters.
    {"BilderOhneFilter1Click", &TMainForm::BilderOhneFilter1Click},
    {"BilderFilterAufMarkierte1Click", &TMainForm::BilderFilterAufMarkierte1Click},
    {"BilderFilterAufCDRMarkierteClick", &TMainForm::BilderFilterAufCDRMarkierteClick},
    {"BilderFilterAufHTMLMarkierteClick", &TMainForm::BilderFilterAufHTMLMarkierteClick},
    {"AufNichtVerfuegbare1Click", &TMainForm::AufNichtVerfuegbare1Click},
    {"BilderFilterNichtimZugriff1Click", &TMainForm::BilderFilterNichtimZugriff1Click},
    {"AufBenutzerdefiniert1_2Click", &TMainForm::AufBenutzerdefiniert1_2Click},
    {"AufBenutzerdefiniert2_2Click", &TMainForm::AufBenutzerdefiniert2_2Click},
    {"AufBenutzerdefiniert3_2Click", &TMainForm::AufBenutzerdefiniert3_2Click},
    {"AufLabel2Click", &TMainForm::AufLabel2Click},
    {"AufSerie2Click", &TMainForm::AufSerie2Click},
    {"AufUrheber2Click", &TMainForm::AufUrheber2Click},
    {"AufMotivQualitaet1Click", &TMainForm::AufMotivQualitaet1Click},
    {"AufBildQualitaet1Click", &TMainForm::AufBildQualitaet1Click},
    {"AufBildQuelleClick", &TMainForm::AufBildQuelleClick},
    {"AufPlayliste2Click", &TMainForm::AufPlayliste2Click},
    {"AufBildbreite1Click", &TMainForm::AufBildbreite1Click},
    {"AufBildhoehe1Click", &TMainForm::AufBildhoehe1Click},
    {"DateiDatumVonBis1Click", &TMainForm::DateiDatumVonBis1Click},
    {"ErzeugungsDatumVonBis1Click", &TMainForm::ErzeugungsDatumVonBis1Click},
    {"NurverfuegbareBilderanzeigen1Click", &TMainForm::NurverfuegbareBilderanzeigen1Click},
    // Sorting and searches.
    {"Unsortiert2Click", &TMainForm::Unsortiert2Click},
    {"BilderFeldsucheClick", &TMainForm::BilderFeldsucheClick},
    {"PopupMenuDBGridBilderPopup", &TMainForm::PopupMenuDBGridBilderPopup},
    {"GehezuSatzNr1Click", &TMainForm::GehezuSatzNr1Click},
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

bool TMainForm::HandlerVorhanden(const char* name) const
{
    return HandlerSuchen(name) != nullptr || ZusatzBefehl(name) != nullptr || WartungsHandlerVorhanden(name);
}

TMainForm::TBefehlsMethode TMainForm::ZusatzBefehl(const char* name)
{
    // The command groups that keep their own handler tables: picture views,
    // copy and delete, tools.
    for (TBefehlsMethode (*suche)(const char*) : {&BildBefehl, &KopierBefehl, &WerkzeugBefehl})
        if (const TBefehlsMethode m = suche(name))
            return m;
    return nullptr;
}

TNotifyEvent TMainForm::Handler(const char* name)
{
    TNotifyEvent befehl;
    if (const THandlerName* h = HandlerSuchen(name)) {
        const THandler m = h->Methode;
        befehl = [this, m](TObject* sender) { (this->*m)(sender); };
        // The end is no command that the end would wait for.
        if (m == &TMainForm::Ende1Click)
            return befehl;
    } else if (const TBefehlsMethode m = ZusatzBefehl(name)) {
        befehl = [this, m](TObject* sender) { (this->*m)(sender); };
    } else {
        befehl = WartungsHandler(name);
    }
    // Every command of the table has its handler; an unknown name binds
    // nothing, so the command table's test finds it.
    if (!befehl)
        return {};
    return [this, befehl](TObject* sender) { BefehlAusfuehren(befehl, sender); };
}

void TMainForm::BefehlAusfuehren(const TNotifyEvent& befehl, TObject* sender)
{
    lauf_.BefehlBeginnt();
    try {
        befehl(sender);
    } catch (...) {
        EndeNachBefehl();
        throw;
    }
    EndeNachBefehl();
}

void TMainForm::EndeNachBefehl()
{
    if (lauf_.BefehlEndet())
        EndeZustellen();
}

void TMainForm::BeendenAnfordern() { Ende1Click(nullptr); }

void TMainForm::FotoalbenManagerClick(TObject* Sender)
{
    // The album manager dialog (main_form_tools.cpp installs it).
    if (AlbumManager())
        AndereBilderdatenbankoeffnen1Click(Sender);
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
    AnwendungsEreignisseAufbauen();

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
        fensterFilter_ = filter;
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

std::vector<TdkDBComboBox*> TMainForm::PicklistenCombos() const
{
    return {DBComboboxBilderPlayListe, DBComboBoxBilderQualitaet, DBComboBoxMotivQualitaet, DBComboBoxBilderType,
            DBComboBoxMotivQualitaet2, DBComboBoxBilderQualitaet2, DBComboBoxBildQuelle2, DBComboboxBilderPlayListe2};
}

void TMainForm::GridAufbauen()
{
    // Below the grid, its navigator on a panel of its own.
    PanelBilderEinzelsatzAnzeige = Neu<TPanel>(this, PanelBilderGrid, "PanelBilderEinzelsatzAnzeige");
    PanelBilderEinzelsatzAnzeige->SetAlign(alBottom);
    PanelBilderEinzelsatzAnzeige->SetHeight(25);
    PanelBilderEinzelsatzAnzeige->SetBevelOuter(bvNone);
    PanelBilderEinzelsatzAnzeige->SetCaption(QString());
    PanelBilderEinzelsatzAnzeige->SetPopupMenu(PopupMenu(QStringLiteral("PopupMenuDBGridBilder")));
    DBNavigatorBilder = Neu<TDBNavigator>(this, PanelBilderEinzelsatzAnzeige, "DBNavigatorBilder");
    DBNavigatorBilder->SetBounds(0, 0, 240, 25);
    DBNavigatorBilder->SetDataSource(DataSourceBilder);
    DBNavigatorBilder->SetPopupMenu(PopupMenu(QStringLiteral("PopupMenuDBGridBilder")));
    DBNavigatorBilder->OnClick = [this](TObject*, TNavigateBtn) {
        PrgWavSpielen(DBNavigatorBilder->Tag);
        ZeigeVorschauBildAusBlob();
    };
    DBGridBilder = Neu<TdkDBGrid>(this, PanelBilderGrid, "DBGridBilder");
    DBGridBilder->SetAlign(alClient);
    DBGridBilder->SetDataSource(DataSourceBilder);
    // Field, display width, title and the fourth value "No", one column a line.
    static const char* const kSpalten[][3] = {
        {"MARKIERT", "7", "Markiert"},         {"SHORTDESC", "34", "Beschreibung"},
        {"SERIE", "7", "Serie"},               {"FILEDATE", "10", "Dateidatum"},
        {"QUELLE", "10", "Quelle"},            {"LABEL", "20", "Datenträgerbezeichnung"},
        {"PLAYLIST", "14", "Gruppe"},          {"BREITE", "6", "Breite"},
        {"HOEHE", "5", "Höhe"},                {"BYTES", "14", "Bildgröße (bytes)"},
        {"AUFNDATUM", "15", "Erzeugungsdatum"}, {"MOTIV", "15", "Motiv-Qualität"},
        {"QUALITAET", "15", "Bild-Qualität"},  {"ZUGRIFF", "8", "Im Zugriff"},
        {"TYPE", "8", "Bild-Type"},            {"OWNER", "12", "Urheber"},
        {"PFAD", "27", "Bildpfad"},            {"RESERVE1", "15", "Benutzerdefiniert1"},
        {"RESERVE2", "15", "Benutzerdefiniert2"}, {"RESERVE3", "15", "Benutzerdefiniert3"}};
    TStringList spalten;
    for (const auto& sp : kSpalten)
        spalten.Add(QString::fromUtf8(sp[0]) + u'\t' + QString::fromUtf8(sp[1]) + u'\t' + QString::fromUtf8(sp[2]) +
                    QStringLiteral("\tNo"));
    DBGridBilder->SetSelected(spalten);
    // Each opened album starts from this layout (order, widths, titles); the
    // saved grid settings replace it once they exist.
    TableBilder->AfterOpen = [this](TDataSet* ds) {
        dkApplyColumnsToFields(ds, &DBGridBilder->Selected());
        MarkFeldEreignisSetzen(ds);
        LogischeFelderDeutsch(ds);
    };
    // The column titles are push buttons: a click sorts by that column.
    DBGridBilder->SetTitleButtons(true);
    // In edit mode one click ticks a mark; the double click stays the full view.
    DBGridBilder->EditControlOptions.Include(ecoCheckboxSingleClick);
    DBGridBilder->SetPopupMenu(PopupMenu(QStringLiteral("PopupMenuDBGridBilder")));
    DBGridBilder->OnCalcCellColors = [this](TObject*, TField*, TGridDrawState, bool highlight, TFont* font,
                                            TBrush* brush) {
        if (!Einstellungen().Bool("FarbSystemBenutzen"))
            return;
        // The row being drawn: the dataset's active buffer follows it.
        const bool zugriff = !TableBilder->Active() || TableBilder->FieldByName(QStringLiteral("ZUGRIFF"))->AsBoolean();
        brush->Color = ZeilenFarbe(TableBilder->ActiveRecord(), zugriff, brush->Color);
        if (highlight)
            font->SetColor(clBlack);
    };
    DBGridBilder->OnCalcTitleAttributes = [this](TObject*, const QString& feld, TFont*, TBrush* brush, TAlignment&) {
        if (!TableBilder->Active()) {
            StatusBarBilder1->Panels()->Items(1)->SetText(QStringLiteral("0 von 0 Einträge angezeigt"));
            StatusBarBilder2->Panels()->Items(0)->SetText(QString());
            return;
        }
        brush->Color = TitelFarbe(feld, brush->Color);
    };
    DBGridBilder->OnColumnMoved = [this](TObject*, int, int) { anzeige_.GridLayoutMerker = true; };
    DBGridBilder->OnDblClick = [this](TObject*) { Handler("Vollbild1Click")(nullptr); };
    DBGridBilder->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { ZeigeVorschauBildAusBlob(); };
    DBGridBilder->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { AutoBlaetternStoppen(); };
    // Only a key pressed in the grid counts on its release: the release of the
    // Enter that closed a message box arrives here too and must not open the
    // full view.
    DBGridBilder->OnKeyDown = [this](TObject*, Word& key, TShiftState) { gridTasteGedrueckt_ = key; };
    DBGridBilder->OnKeyUp = [this](TObject*, Word& key, TShiftState) {
        ZeigeVorschauBildAusBlob();
        const bool hierGedrueckt = gridTasteGedrueckt_ == key;
        gridTasteGedrueckt_ = 0;
        const TMenuItem* edit = MenuItem(QStringLiteral("EditiermodusTabelle1"));
        if ((key == VK_RETURN || key == VK_SPACE) && hierGedrueckt && edit && !edit->Checked() &&
            TableBilder->Active())
            Handler("Vollbild1Click")(nullptr);
    };
    DBGridBilder->OnTopRowChanged = [this](TObject*) { DBGridBilder->Invalidate(); };

    // The cell controls of the album tables: check boxes and the pick-list
    // combos that edit their fields in the grid.
    TStringList controlType;
    for (const char* feld : {"MARKIERT", "ZUGRIFF", "ANYWHERE", "PRIVAT"})
        controlType.Add(QString::fromLatin1(feld) + QStringLiteral(";CheckBox;Wahr;Falsch"));
    const char* const kCombos[][2] = {{"PLAYLIST", "DBComboboxBilderPlayListe"},
                                      {"QUELLE", "DBComboBoxBildQuelle"},
                                      {"MOTIV", "DBComboBoxMotivQualitaet"},
                                      {"QUALITAET", "DBComboBoxBilderQualitaet"},
                                      {"TYPE", "DBComboBoxBilderType"}};
    for (const auto& c : kCombos)
        controlType.Add(QString::fromLatin1(c[0]) + QStringLiteral(";CustomEdit;") + QString::fromLatin1(c[1]));
    TableBilder->SetControlType(controlType);
    TStringList ohneZusatz;
    for (int i = 0; i < 2; ++i)
        ohneZusatz.Add(controlType[i]);
    for (int i = 4; i < controlType.Count(); ++i)
        ohneZusatz.Add(controlType[i]);
    TableBilder2->SetControlType(ohneZusatz);
    TableBilder3->SetControlType(ohneZusatz);
    TStringList manager;
    manager.Add(controlType[0]);
    manager.Add(controlType[1]);
    TableBilderDatenbanken->SetControlType(manager);

    const auto combo = [this](const char* name, TWinControl* parent, const char* feld) {
        auto* c = Neu<TdkDBComboBox>(this, parent, name);
        c->SetDataSource(DataSourceBilder);
        c->SetDataField(QString::fromLatin1(feld));
        return c;
    };
    DBComboboxBilderPlayListe = combo("DBComboboxBilderPlayListe", this, "PLAYLIST");
    DBComboBoxBilderQualitaet = combo("DBComboBoxBilderQualitaet", this, "QUALITAET");
    DBComboBoxMotivQualitaet = combo("DBComboBoxMotivQualitaet", this, "MOTIV");
    DBComboBoxBildQuelle = combo("DBComboBoxBildQuelle", this, "QUELLE");
    DBComboBoxBilderType = combo("DBComboBoxBilderType", this, "TYPE");
    for (TdkDBComboBox* c : {DBComboboxBilderPlayListe, DBComboBoxBilderQualitaet, DBComboBoxMotivQualitaet,
                             DBComboBoxBildQuelle, DBComboBoxBilderType})
        c->SetVisible(false);
    DBComboBoxMotivQualitaet2 = combo("DBComboBoxMotivQualitaet2", nullptr, "MOTIV");
    DBComboBoxBildQuelle2 = combo("DBComboBoxBildQuelle2", nullptr, "QUELLE");
    DBComboboxBilderPlayListe2 = combo("DBComboboxBilderPlayListe2", nullptr, "PLAYLIST");
    DBComboBoxBilderQualitaet2 = combo("DBComboBoxBilderQualitaet2", nullptr, "QUALITAET");
    for (TdkDBComboBox* c : {DBComboBoxMotivQualitaet2, DBComboBoxBildQuelle2, DBComboboxBilderPlayListe2,
                             DBComboBoxBilderQualitaet2}) {
        c->OnDropDown = [this](TObject* s) { Ton(s); };
        c->OnCloseUp = [this](TdkDBComboBox*, bool) { PicklisteZugeklappt(); };
    }
    CodeListenSetzen();
}

void TMainForm::CodeListenSetzen()
{
    // The coded fields store a number (the type a digit or letter); their
    // combos show the name: each item is the name, a TAB and the stored code.
    // Quality and motif share the quality names; group and source come from
    // the album's side files (PicklistenAnwenden).
    QStringList qualitaet{QStringLiteral("Nicht bewertet\t0")};
    for (int i = 1; i <= 6; ++i)
        qualitaet << QStringLiteral("%1. Qualität\t%1").arg(i);
    QStringList typen;
    for (uint8_t code = btUnbekannt; code <= btICO; ++code)
        typen << BildTypName(code) + u'\t' + BildTypText(code);
    for (TdkDBComboBox* c : {DBComboBoxBilderQualitaet, DBComboBoxMotivQualitaet, DBComboBoxBilderQualitaet2,
                             DBComboBoxMotivQualitaet2})
        c->SetItems(qualitaet);
    DBComboBoxBilderType->SetItems(typen);
    for (TdkDBComboBox* c : {DBComboboxBilderPlayListe, DBComboBoxBildQuelle, DBComboBoxBilderQualitaet,
                             DBComboBoxMotivQualitaet, DBComboBoxBilderType, DBComboBoxMotivQualitaet2,
                             DBComboBoxBildQuelle2, DBComboboxBilderPlayListe2, DBComboBoxBilderQualitaet2})
        c->MapList = true;
}

void TMainForm::EinzelsatzAufbauen()
{
    RecordViewDialogBilder = new TdkRecordViewDialog(this);
    RecordViewDialogBilder->Name = QStringLiteral("RecordViewDialogBilder");
    RecordViewDialogBilder->SetDataSource(DataSourceBilder);
    RecordViewDialogBilder->Caption = QStringLiteral("Datensatzübersicht (ReadOnly)");
    RecordViewDialogBilder->Options = TdkRecordViewOptions{rvoHideNavigator,  rvoUseCustomControls, rvoShortenEditBox,
                                                           rvoConfirmCancel,  rvoCloseIsCancel,     rvoMaximizeMemoWidth};
    RecordViewDialogBilder->OKCancelOptions = TdkRecordViewOKCancelOptions{rvokShowOKCancel, rvokAutoCancelRec};
    RecordViewDialogBilder->Font.SetHeight(-13);
    RecordViewDialogBilder->LabelFont.SetHeight(-13);
    RecordViewDialogBilder->NavigatorFlat = true;
    static const char* const kSatzeditor[][4] = {
        {"MARKIERT", "7", "Markiert", ""},           {"SHORTDESC", "34", "Beschreibung", ""},
        {"<New Line>", "", "", ""},                  {"BREITE", "6", "Breite", ""},
        {"HOEHE", "5", "Höhe", "No"},                {"BYTES", "14", "Bildgröße (bytes)", "No"},
        {"FILEDATE", "10", "Dateidatum", "No"},      {"AUFNDATUM", "9", "Erzeugungsdatum", "No"},
        {"PLAYLIST", "20", "Slideshow-Liste", ""},   {"MOTIV", "20", "Motiv-Qualität", ""},
        {"QUALITAET", "20", "Bild-Qualität", ""},    {"ZUGRIFF", "8", "Im Zugriff", ""},
        {"LABEL", "20", "Datenträgerbezeichnung", "No"}, {"TYPE", "8", "Bild-Type", "No"},
        {"SERIE", "7", "Serie", "No"},               {"OWNER", "12", "Urheber", "No"},
        {"QUELLE", "20", "Quelle", ""},              {"PFAD", "34", "Bildpfad", ""},
        {"NOTIZ", "17", "Lange Beschreibung", ""},   {"RESERVE1", "15", "Benutzerdefiniert1", "No"},
        {"RESERVE2", "15", "Benutzerdefiniert2", "No"}, {"RESERVE3", "15", "Benutzerdefiniert3", "No"}};
    for (const auto& z : kSatzeditor) {
        QString zeile = QString::fromUtf8(z[0]) + u'\t' + QString::fromUtf8(z[1]) + u'\t' + QString::fromUtf8(z[2]);
        if (z[3][0])
            zeile += u'\t' + QString::fromUtf8(z[3]);
        RecordViewDialogBilder->Selected.Add(zeile);
    }
    const QString sektion = QStringLiteral("Einstellungen SatzEditorBilder");
    // Without stored values the window computes its place and size (a fresh
    // window's own size would cut the rows off).
    RecordViewDialogBilder->OnAfterCreateControl = [this, sektion](TdkRecordViewForm*, TField*, TControl*) {
        TdkFormPosition& p = RecordViewDialogBilder->FormPosition;
        p.Left = QKINI_Prog->INIReadInteger(sektion, QStringLiteral("Left"), p.Left);
        p.Top = QKINI_Prog->INIReadInteger(sektion, QStringLiteral("Top"), p.Top);
        p.Width = QKINI_Prog->INIReadInteger(sektion, QStringLiteral("Width"), p.Width);
        p.Height = QKINI_Prog->INIReadInteger(sektion, QStringLiteral("Height"), p.Height);
    };
    RecordViewDialogBilder->OnCloseDialog = [this, sektion](TdkRecordViewForm* f) {
        QKINI_Prog->INIWriteInteger(sektion, QStringLiteral("Left"), f->Left());
        QKINI_Prog->INIWriteInteger(sektion, QStringLiteral("Top"), f->Top());
        QKINI_Prog->INIWriteInteger(sektion, QStringLiteral("Width"), f->Width());
        QKINI_Prog->INIWriteInteger(sektion, QStringLiteral("Height"), f->Height());
        if (TMenuItem* item = MenuItem(QStringLiteral("SatzeditorBilder")))
            item->SetChecked(false);
    };

    const auto label = [this](TWinControl* parent, const QString& text, int x, int y, int w) {
        auto* l = Neu<TLabel>(this, parent, "");
        l->SetCaption(text);
        l->SetTransparent(true);
        l->SetBounds(x, y + 3, w, 16);
        return l;
    };
    const auto edit = [this](const char* name, TWinControl* parent, const char* feld, int x, int y, int w) {
        auto* e = Neu<TdkDBEdit>(this, parent, name);
        e->SetDataSource(DataSourceBilder);
        e->SetDataField(QString::fromLatin1(feld));
        e->SetBounds(x, y, w, 22);
        return e;
    };
    const auto platziere = [](TdkDBComboBox* c, TWinControl* parent, int x, int y, int w) {
        c->SetParent(parent);
        c->SetBounds(x, y, w, 22);
    };

    // "Bilddaten Teil1": the thumbnail, file name and folder, description, pick lists.
    TWinControl* t1 = TabSheetBilderDBFTeil1;
    label(t1, QStringLiteral("Dateiname:"), 172, 4, 84);
    EditDateiname = Neu<TEdit>(this, t1, "EditDateiname");
    EditDateiname->SetBounds(258, 4, 250, 22);
    EditDateiname->SetReadOnly(true);
    label(t1, QStringLiteral("Verzeichnis:"), 172, 30, 84);
    MemoPfad = Neu<TMemo>(this, t1, "MemoPfad");
    MemoPfad->SetBounds(258, 30, 250, 40);
    MemoPfad->SetReadOnly(true);
    label(t1, QStringLiteral("Beschreibung:"), 172, 76, 84);
    DBEditShortDesc = edit("DBEditShortDesc", t1, "SHORTDESC", 258, 76, 250);
    DBEditShortDesc->SetPopupMenu(PopupMenu(QStringLiteral("PopupMenuShortDesc")));
    label(t1, QStringLiteral("Notiz:"), 172, 102, 84);
    DBMemoBilder = Neu<TdkDBMemo>(this, t1, "DBMemoBilder");
    DBMemoBilder->SetDataSource(DataSourceBilder);
    DBMemoBilder->SetDataField(QStringLiteral("NOTIZ"));
    DBMemoBilder->SetBounds(258, 102, 250, 58);
    DBMemoBilder->SetPopupMenu(PopupMenu(QStringLiteral("PopupMenuDBGridBilder")));
    // The marks: user mark, reachable, CD-R mark and HTML mark.
    const struct {
        const char* Name;
        const char* Feld;
        const char* Text;
        const char* Popup;
        int X, Y;
        TdkDBCheckBox** Ziel;
    } kMarken[] = {
        {"DBCheckBoxBildMarkiert", "MARKIERT", "Markiert", "PopupMenuBilderMarkieren", 522, 112, &DBCheckBoxBildMarkiert},
        {"DBCheckBoxBildImZugriff", "ZUGRIFF", "Im Zugriff", "", 648, 112, &DBCheckBoxBildImZugriff},
        {"DBCheckBoxAnywhere", "ANYWHERE", "CDR-Markierung", "PopupMenuOeffentlich", 522, 136, &DBCheckBoxAnywhere},
        {"DBCheckBoxPrivat", "PRIVAT", "HTML-Markierung", "PopupMenuBilderPrivat", 648, 136, &DBCheckBoxPrivat},
    };
    for (const auto& m : kMarken) {
        auto* box = Neu<TdkDBCheckBox>(this, t1, m.Name);
        box->SetCaption(QString::fromUtf8(m.Text));
        box->SetDataSource(DataSourceBilder);
        box->SetDataField(QString::fromLatin1(m.Feld));
        box->SetBounds(m.X, m.Y, 124, 20);
        if (m.Popup[0])
            box->SetPopupMenu(PopupMenu(QString::fromLatin1(m.Popup)));
        *m.Ziel = box;
    }
    DBCheckBoxBildImZugriff->ReadOnly = true;  // the availability test sets it
    DBCheckBoxBildMarkiert->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        DBCheckBoxBildMarkiertMouseUp(s, b, sh, x, y);
    };
    DBCheckBoxAnywhere->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        DBCheckBoxAnywhereMouseUp(s, b, sh, x, y);
    };
    DBCheckBoxPrivat->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        DBCheckBoxPrivatMouseUp(s, b, sh, x, y);
    };
    DBCheckBoxBildImZugriff->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        DBCheckBoxBildImZugriffMouseUp(s, b, sh, x, y);
    };
    label(t1, QStringLiteral("Motiv-Qualität:"), 520, 4, 96);
    platziere(DBComboBoxMotivQualitaet2, t1, 618, 4, 150);
    DBComboBoxMotivQualitaet2->SetPopupMenu(PopupMenu(QStringLiteral("PopupMenuMotivQualitaet")));
    label(t1, QStringLiteral("Bild-Qualität:"), 520, 30, 96);
    platziere(DBComboBoxBilderQualitaet2, t1, 618, 30, 150);
    DBComboBoxBilderQualitaet2->SetPopupMenu(PopupMenu(QStringLiteral("PopupMenuBildQualitaet")));
    label(t1, QStringLiteral("Quelle:"), 520, 56, 96);
    platziere(DBComboBoxBildQuelle2, t1, 618, 56, 150);
    DBComboBoxBildQuelle2->SetPopupMenu(PopupMenu(QStringLiteral("PopupMenuQuelle")));
    label(t1, QStringLiteral("Gruppe:"), 520, 82, 96);
    platziere(DBComboboxBilderPlayListe2, t1, 618, 82, 150);
    DBComboboxBilderPlayListe2->SetPopupMenu(PopupMenu(QStringLiteral("PopupMenuBilderPlayliste")));

    // "Bilddaten Teil2": the picture's data.
    TWinControl* t2 = TabSheetBilderDBFTeil2;
    struct Zeile {
        const char* Name;
        const char* Feld;
        const char* Text;
        int X, Y, W;
        TdkDBEdit** Ziel;
    };
    const Zeile kTeil2[] = {
        {"DBEditBilderUrheber", "OWNER", "Urheber:", 8, 6, 160, &DBEditBilderUrheber},
        {"DBEditSerie", "SERIE", "Serie:", 8, 34, 160, &DBEditSerie},
        {"DBEditBilderLabel", "LABEL", "Datenträger:", 8, 62, 160, &DBEditBilderLabel},
        {"DBEditBilderLabelKennung", "LABELKENNU", "Kennung:", 8, 90, 160, &DBEditBilderLabelKennung},
        {"DBEditBytes", "BYTES", "Bytes:", 290, 6, 110, &DBEditBytes},
        {"DBEditBreite", "BREITE", "Breite:", 290, 34, 110, &DBEditBreite},
        {"DBEditHoehe", "HOEHE", "Höhe:", 290, 62, 110, &DBEditHoehe},
        {"DBEditBilderDatum", "FILEDATE", "Dateidatum:", 290, 90, 110, &DBEditBilderDatum},
        {"DBEditBilderAUFNDATUM", "AUFNDATUM", "Erzeugt:", 520, 6, 130, &DBEditBilderAUFNDATUM},
        {"DBEditBilderPfad", "PFAD", "Bildpfad:", 520, 34, 240, &DBEditBilderPfad},
    };
    for (const Zeile& z : kTeil2) {
        label(t2, QString::fromUtf8(z.Text), z.X, z.Y, 96);
        *z.Ziel = edit(z.Name, t2, z.Feld, z.X + 98, z.Y, z.W);
    }
    DBEditBilderUrheber->SetPopupMenu(PopupMenu(QStringLiteral("PopupMenuBilderUrheber")));
    DBEditSerie->SetPopupMenu(PopupMenu(QStringLiteral("PopupMenuBilderSerie")));
    DBEditBilderLabel->SetPopupMenu(PopupMenu(QStringLiteral("PopupMenuLabelName")));
    // The creation date once more as a date edit with its calendar; its
    // pop-up writes the date into every shown entry.
    label(t2, QStringLiteral("Kalender:"), 520, 62, 96);
    DBDateEditPlusAUFNDATUM = Neu<TDBDateEditPlus>(this, t2, "DBDateEditPlusAUFNDATUM");
    DBDateEditPlusAUFNDATUM->SetBounds(520 + 98, 62, 130, 22);
    DBDateEditPlusAUFNDATUM->SetDataSource(DataSourceBilder);
    DBDateEditPlusAUFNDATUM->SetDataField(QStringLiteral("AUFNDATUM"));
    DBDateEditPlusAUFNDATUM->SetPopupMenu(PopupMenu(QStringLiteral("PopupMenuErzeugungsdatum")));
    // The program fills these fields; the user reads them.
    for (TdkDBEdit* e : {DBEditBytes, DBEditBreite, DBEditHoehe, DBEditBilderLabelKennung, DBEditBilderPfad,
                         DBEditBilderDatum})
        e->SetReadOnly(true);
    DBEditBilderPfad->SetWidth(150);

    // "Bilddaten Teil3": the user fields.
    TWinControl* t3 = TabSheetBilderDBFTeil3;
    TLabel** labels[] = {&LabelBenutzerdefiniert1, &LabelBenutzerdefiniert2, &LabelBenutzerdefiniert3};
    TdkDBEdit** edits[] = {&DBEditBenutzerdefiniert1, &DBEditBenutzerdefiniert2, &DBEditBenutzerdefiniert3};
    for (int i = 0; i < 3; ++i) {
        *labels[i] = label(t3, QStringLiteral("Benutzerdefiniert%1").arg(i + 1), 8, 6 + i * 28, 150);
        (*labels[i])->Name = QStringLiteral("LabelBenutzerdefiniert%1").arg(i + 1);
        const QByteArray name = QStringLiteral("DBEditBenutzerdefiniert%1").arg(i + 1).toLatin1();
        const QByteArray feld = QStringLiteral("RESERVE%1").arg(i + 1).toLatin1();
        *edits[i] = edit(name.constData(), t3, feld.constData(), 160, 6 + i * 28, 300);
        (*edits[i])->SetPopupMenu(PopupMenu(QStringLiteral("PopupMenuBenutzerdefiniert%1").arg(i + 1)));
    }
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

    GridAufbauen();
    SuchleisteAufbauen();
    EinzelsatzAufbauen();

    PanelVorschaubild1 = Neu<TPanel>(this, TabSheetBilderDBFTeil1, "PanelVorschaubild1");
    PanelVorschaubild1->SetBounds(4, 4, 160, 160);
    PanelVorschaubild1->SetBevelOuter(bvLowered);
    PanelVorschaubild1->SetCaption(QString());
    ImageWindow2 = Neu<TImage>(this, PanelVorschaubild1, "ImageWindow2");
    ImageWindow2->SetAlign(alClient);
    ImageWindow2->SetCenter(true);
    ImageWindow2->SetProportional(true);
    ImageWindow2->SetPopupMenu(PopupMenu(QStringLiteral("PopupMenuVorschauBild")));

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
    ImageWindow1 = Neu<TImageWindow>(this, seite, "ImageWindow1");
    ImageWindow1->SetAlign(alClient);
    Notebook1->SetPageIndex(0);
    Notebook1->SetPopupMenu(PopupMenu(QStringLiteral("PopupMenuDBGridBilder")));
    ImageWindow1->SetPopupMenu(PopupMenu(QStringLiteral("PopupMenuDBGridBilder")));

    BilderAnsichtAufbauen();
    DruckenAufbauen();
    PageControlBilder->SetActivePage(TabSheetBilderDatenbank);
    PageControlBilderdaten->SetActivePage(TabSheetBilderDBFTeil1);
}
