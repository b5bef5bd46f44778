#include "dialogs/album_manager.h"

#include "album/arbeitsbereich.h"
#include "album/offenes_album.h"
#include "album/programm_dienste.h"

#include <QDir>
#include <QPainter>

#include <cmath>

#include "datacontrols/dk_db_edit.h"
#include "datacontrols/dk_record_view.h"
#include "datagrid/dk_data_source.h"
#include "datagrid/dk_table.h"
#include "dialogs/cdr_form.h"
#include "dialogs/form_parts.h"
#include "dialogs/listen_bericht.h"
#include "dialogs/program_settings.h"
#include "dialogs/zip_packen.h"
#include "platform/core/file_utils.h"
#include "platform/core/win_path.h"
#include "platform/data/field.h"
#include "shared/general_files.h"
#include "shared/nachrichten_dialog.h"
#include "shared/qk_auto_button.h"
#include "shared/qk_blinker.h"
#include "shared/qk_ini.h"
#include "shared/status4_form.h"
#include "shared/utility_files.h"
#include "storage/album_dateien.h"
#include "storage/dbf_routines.h"
#include "storage/tdbe.h"
#include "storage/tfts.h"

namespace {

const QString kSektion = QStringLiteral("BilderDBFManager");
const QString kNichtGewaehlt = QStringLiteral("Wählen Sie zunächst ein Fotoalbum (Icon) aus !");

// The album's base name: the file name without its last extension.
QString Basisname(const QString& datei)
{
    const QString name = ExtractFileName(datei);
    const qsizetype punkt = name.lastIndexOf(u'.');
    return punkt > 0 ? name.left(punkt) : name;
}

TMenuItem* Eintrag(TComponent* owner, TMenuItem* parent, const char* name, const QString& caption,
                   std::function<void()> fn = {})
{
    auto* m = new TMenuItem(owner);
    m->Name = QString::fromLatin1(name);
    m->SetCaption(caption);
    if (fn)
        m->OnClick = [fn](TObject*) { fn(); };
    parent->Add(m);
    return m;
}

}  // namespace

std::vector<QPixmap> AlbumIcons()
{
    // Sixteen album books in different colours: the cover, a picture frame
    // on it and the page edges.
    static const QColor farben[] = {QColor(0, 90, 170),  QColor(170, 30, 30), QColor(30, 130, 50),
                                    QColor(200, 140, 0), QColor(110, 50, 150), QColor(0, 140, 140),
                                    QColor(90, 90, 90),  QColor(190, 80, 140), QColor(120, 80, 30),
                                    QColor(40, 40, 120), QColor(160, 170, 20), QColor(230, 90, 20),
                                    QColor(20, 90, 90),  QColor(140, 0, 60),   QColor(70, 120, 200),
                                    QColor(0, 0, 0)};
    std::vector<QPixmap> icons;
    for (const QColor& farbe : farben) {
        QPixmap p(32, 32);
        p.fill(Qt::transparent);
        QPainter g(&p);
        g.setRenderHint(QPainter::Antialiasing);
        g.setPen(Qt::NoPen);
        g.setBrush(QColor(240, 240, 230));
        g.drawRect(8, 4, 22, 26);
        g.setBrush(farbe);
        g.drawRoundedRect(3, 2, 23, 27, 2, 2);
        g.setBrush(farbe.darker(150));
        g.drawRect(3, 2, 4, 27);
        g.setBrush(Qt::white);
        g.drawRect(10, 8, 13, 11);
        g.setBrush(QColor(120, 180, 240));
        g.drawRect(11, 9, 11, 6);
        g.setBrush(QColor(60, 150, 60));
        g.drawPolygon(QPolygon({QPoint(11, 18), QPoint(15, 13), QPoint(18, 16), QPoint(22, 12), QPoint(22, 18)}));
        g.end();
        icons.push_back(p);
    }
    return icons;
}

TBilderDBFManagerForm::TBilderDBFManagerForm(TComponent* AOwner, TOffenesAlbum& album, TProgrammDienste& dienste,
                                             TAlbumManagerUmgebung& umgebung)
    : TForm(AOwner), album_(album), dienste_(dienste), u_(umgebung)
{
    Name = QStringLiteral("BilderDBFManagerForm");
    SetCaption(QStringLiteral("Fotoalben-Manager"));
    Position = poScreenCenter;
    SetBounds(0, 0, 720, 500);

    quelle_ = new TdkDataSource(album_.Manager().Tabelle());
    table1_ = new TdkTable();
    table1_->Name = QStringLiteral("Table1");
    dbe1_ = new TDbe(this);
    dbe1_->Name = QStringLiteral("Dbe1");
    quelle1_ = new TDataSource(table1_);
    dbe1_->SetDataSource(quelle1_);

    // ---- Menus ----
    MainMenu1 = new TMainMenu(this);
    MainMenu1->Name = QStringLiteral("MainMenu1");
    TMenuItem* datei = Eintrag(this, MainMenu1->Items(), "Datei1", QStringLiteral("&Datei"));
    AusgewaehlteBilderdatenbankOeffnen1 =
        Eintrag(this, datei, "AusgewaehlteBilderdatenbankOeffnen1", QStringLiteral("Ausgewähltes Fotoalbum öffnen"),
                [this] { AusgewaehlteBilderdatenbankOeffnen1Click(); });
    Bilderdatenbankhinzufgen1 = Eintrag(this, datei, "Bilderdatenbankhinzufgen1",
                                        QStringLiteral("Fotoalbum hinzufügen oder neu erstellen"),
                                        [this] { BitBtnOeffnen_ErstellenClick(); });
    AlbumLoeschen1 = Eintrag(this, datei, "AlbumLoeschen1", QStringLiteral("Ausgewähltes Fotoalbum löschen"),
                             [this] { AlbumLoeschen1Click(); });
    Eintrag(this, datei, "N1", QStringLiteral("-"));
    MarkierteDatenbankenzusammenfuegen1 =
        Eintrag(this, datei, "MarkierteDatenbankenzusammenfuegen1", QStringLiteral("Markierte Fotoalben zusammenfügen"),
                [this] { BitBtnMergeClick(); });
    MarkierteDatenbankensichernBackup1 = Eintrag(this, datei, "MarkierteDatenbankensichernBackup1",
                                                 QStringLiteral("Markierte Fotoalben sichern (Backup)"),
                                                 [this] { BitBtnBackupClick(); });
    Bilderdatenbankattributeneulesen1 =
        Eintrag(this, datei, "Bilderdatenbankattributeneulesen1", QStringLiteral("Daten der Fotoalben neu lesen"),
                [this] { BitBtnDatenFileAttributeClick(); });
    Drucken1 = Eintrag(this, datei, "Drucken1", QStringLiteral("Drucken"), [this] { Drucken1Click(); });
    CDRProduzieren1 =
        Eintrag(this, datei, "CDRProduzieren1", QStringLiteral("CDR-Zusammenstellen"), [this] { CDRProduzieren1Click(); });
    Eintrag(this, datei, "N2", QStringLiteral("-"));
    Ende1 = Eintrag(this, datei, "Ende1", QStringLiteral("Ende"), [this] { ModalResult = mrOk; Close(); });
    TMenuItem* ansicht = Eintrag(this, MainMenu1->Items(), "Ansicht1", QStringLiteral("&Ansicht"));
    GrossesIcon1 = Eintrag(this, ansicht, "GrossesIcon1", QStringLiteral("Schrift unterm Icon "),
                           [this] { Ansicht(vsIcon); });
    KleinesIcon1 = Eintrag(this, ansicht, "KleinesIcon1", QStringLiteral("Schrift neben Icon "),
                           [this] { Ansicht(vsSmallIcon); });
    List1 = Eintrag(this, ansicht, "List1", QStringLiteral("Schrift neben Icon (1-spaltig)"), [this] { Ansicht(vsList); });
    Report1 =
        Eintrag(this, ansicht, "Report1", QStringLiteral("Reportansicht (1-spaltig)"), [this] { Ansicht(vsReport); });
    Eintrag(this, ansicht, "N3", QStringLiteral("-"));
    Statistik1 = Eintrag(this, ansicht, "Statistik1", QStringLiteral("Statistik"), [this] { Statistik1Click(); });
    ToolbarAnzeigen1 =
        Eintrag(this, ansicht, "ToolbarAnzeigen1", QStringLiteral("Toolbar anzeigen"), [this] { ToolbarAnzeigen1Click(); });
    ToolbarAnzeigen1->SetChecked(true);
    IconAuswaehlen1 = Eintrag(this, ansicht, "IconAuswaehlen1", QStringLiteral("Icon Auswählen"),
                              [this] { IconAuswaehlen1Click(); });
    TMenuItem* hilfe = Eintrag(this, MainMenu1->Items(), "Hilfe2", QStringLiteral("&Hilfe"));
    Hilfe1 = Eintrag(this, hilfe, "Hilfe1", QStringLiteral("Hilfe"), [this] { Hilfe1Click(); });
    SetMenu(MainMenu1);

    PopupMenuListView = new TPopupMenu(this);
    PopupMenuListView->Name = QStringLiteral("PopupMenuListView");
    Eintrag(this, PopupMenuListView->Items(), "AlbumOeffnen1", QStringLiteral("Eintrag (Album) Öffnen"),
            [this] { AusgewaehlteBilderdatenbankOeffnen1Click(); });
    Eintrag(this, PopupMenuListView->Items(), "NeuenEintrag1", QStringLiteral("Neuen Eintrag ( Album) hinzufügen"),
            [this] { BitBtnOeffnen_ErstellenClick(); });
    Eintrag(this, PopupMenuListView->Items(), "EintragLoeschen1", QStringLiteral("Eintrag (Album) Löschen"),
            [this] { AlbumLoeschen1Click(); });
    Eintrag(this, PopupMenuListView->Items(), "AlbumneuesIconZuweisen1", QStringLiteral("Album neues Icon Zuweisen"),
            [this] { IconAuswaehlen1Click(); });
    PopupMenuListView->OnPopup = [this](TObject*) { PopupMenuListViewPopup(); };

    // ---- Left dock with the toolbar ----
    PanelDock = DialogControl<TPanel>(this, this, "PanelDock", 0, 0, 84, 480);
    PanelDock->SetAlign(alLeft);
    PanelDock->SetCaption(QString());
    struct Knopf {
        const char* name;
        const char* text;
        const char* hint;
        std::function<void()> fn;
    };
    const Knopf knoepfe[] = {
        {"QKAutoButtonHinzufuegen", "Hinzufügen", "Neues Fotoalbum der Fotoalbenverwaltung hinzufügen...",
         [this] { BitBtnOeffnen_ErstellenClick(); }},
        {"QKAutoButtonMerge", "Zusammen", "Markierte Fotoalben zusammenführen...", [this] { BitBtnMergeClick(); }},
        {"QKAutoButtonNeuLesen", "Neu lesen", "Alle Daten der Fotoalben neu ermitteln....",
         [this] { BitBtnDatenFileAttributeClick(); }},
        {"QKAutoButtonDrucken", "Drucken", "Liste drucken....", [this] { Drucken1Click(); }},
        {"QKAutoButtonBackup", "Backup", "Alle markierten Fotoalben sichern (Backup)...", [this] { BitBtnBackupClick(); }},
        {"QKAutoButtonEnde", "Schliessen", "Fotoalbenmanager schliessen...",
         [this] {
             ModalResult = mrOk;
             Close();
         }},
        {"QKAutoButtonCDR", "CDR", "CDR-Zusammenstellen...", [this] { CDRProduzieren1Click(); }},
    };
    int y = 6;
    for (const Knopf& k : knoepfe) {
        auto* b = DialogControl<TQKAutoButton>(this, PanelDock, k.name, 4, y, 76, 26);
        b->SetCaption(QString::fromUtf8(k.text));
        b->SetHint(QString::fromUtf8(k.hint));
        b->SetShowHint(true);
        b->OnClick = [fn = k.fn](TObject*) { fn(); };
        ToolButtons.push_back(b);
        y += 30;
    }

    // ---- Main panel ----
    PanelMain = DialogControl<TPanel>(this, this, "PanelMain", 84, 0, 636, 480);
    PanelMain->SetAlign(alClient);
    PanelMain->SetCaption(QString());
    PanelListe = DialogControl<TPanel>(PanelMain, PanelMain, "PanelListe", 4, 4, 380, 420);
    PanelListe->SetCaption(QString());
    ListView1 = DialogControl<TListView>(this, PanelListe, "ListView1", 2, 2, 376, 416);
    ListView1->SetLargeImages(AlbumIcons());
    ListView1->SetPopupMenu(PopupMenuListView);
    ListView1->OnClick = [this](TObject*) { ListView1Click(); };
    ListView1->OnChange = [this](TObject*) { ListView1Click(); };
    ListView1->OnDblClick = [this](TObject*) { AusgewaehlteBilderdatenbankOeffnen1Click(); };
    ListView1->OnKeyUp = [this](TObject*, Word& key, TShiftState) { ListView1KeyUp(key); };

    const auto dbEdit = [this](TWinControl* parent, const char* name, const char* feld, int x, int yy, int w) {
        auto* e = DialogControl<TdkDBEdit>(this, parent, name, x, yy, w, 21);
        e->SetDataSource(quelle_);
        e->SetDataField(QString::fromLatin1(feld));
        return e;
    };
    LabelBeschreibung = DialogControl<TLabel>(this, PanelMain, "LabelBeschreibung", 392, 4, 200, 16);
    LabelBeschreibung->SetCaption(QStringLiteral("Beschreibung"));
    DBEditShortDesc = dbEdit(PanelMain, "DBEditShortDesc", "SHORTDESC", 392, 22, 232);
    DBEditShortDesc->SetHint(QStringLiteral("Geben Sie hier eine Beschreibung des Fotoalbums ein....."));
    DBEditShortDesc->SetShowHint(true);
    // The description is saved when the user leaves the edit or ends it
    // with Enter, not first when something else posts the row.
    DBEditShortDesc->OnExit = [this](TObject*) { ZeileSichern(); };
    DBEditShortDesc->OnKeyPress = [this](TObject*, QChar& key) {
        if (key == u'\r')
            ZeileSichern();
    };
    LabelPfad = DialogControl<TLabel>(this, PanelMain, "LabelPfad", 392, 48, 200, 16);
    LabelPfad->SetCaption(QStringLiteral("Pfad"));
    DBEditPfad = dbEdit(PanelMain, "DBEditPfad", "PFAD", 392, 66, 232);
    DBEditPfad->SetReadOnly(true);

    GroupBoxStatistik = DialogControl<TGroupBox>(this, PanelMain, "GroupBoxStatistik", 392, 94, 232, 232);
    GroupBoxStatistik->SetCaption(QStringLiteral("Statistik"));
    struct Stat {
        const char* label;
        TdkDBEdit** edit;
        const char* name;
        const char* feld;
    };
    const Stat stats[] = {{"Sum. Bilder", &DBEditPicBytes, "DBEditPicBytes", "PICBYTES"},
                          {"Mark. Bilder", &DBEditMarkierte, "DBEditMarkierte", "MARKIERTE"},
                          {"Sätze", &DBEditSaetze, "DBEditSaetze", "SAETZE"},
                          {"Album-Datum", &DBEditDatum, "DBEditDatum", "LASTFDATE"},
                          {"Label", &DBEditLabel, "DBEditLabel", "LABEL"},
                          {"Album Gesamtgröße", &DBEditBytesSum, "DBEditBytesSum", "BYTESSUM"},
                          {"Mit Beschr.", &DBEditMitDesc, "DBEditMitDesc", "MITDESC"},
                          {"Ohne Beschr.", &DBEditOhneDesc, "DBEditOhneDesc", "OHNEDESC"}};
    int sy = 20;
    for (const Stat& s : stats) {
        auto* l = DialogControl<TLabel>(this, GroupBoxStatistik, "", 8, sy + 3, 122, 16);
        l->SetCaption(QString::fromUtf8(s.label));
        *s.edit = dbEdit(GroupBoxStatistik, s.name, s.feld, 130, sy, 94);
        (*s.edit)->SetReadOnly(true);
        sy += 26;
    }
    DBCheckBoxMARKIERT = DialogControl<TdkDBCheckBox>(this, PanelMain, "DBCheckBoxMARKIERT", 392, 332, 110, 20);
    DBCheckBoxMARKIERT->SetCaption(QStringLiteral("Markiert"));
    DBCheckBoxMARKIERT->SetDataSource(quelle_);
    DBCheckBoxMARKIERT->SetDataField(QStringLiteral("MARKIERT"));
    DBCheckBoxMARKIERT->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { ZeileSichern(); };
    DBCheckBoxZUGRIFF = DialogControl<TdkDBCheckBox>(this, PanelMain, "DBCheckBoxZUGRIFF", 510, 332, 110, 20);
    DBCheckBoxZUGRIFF->SetCaption(QStringLiteral("Im Zugriff"));
    DBCheckBoxZUGRIFF->SetDataSource(quelle_);
    DBCheckBoxZUGRIFF->SetDataField(QStringLiteral("ZUGRIFF"));

    const auto knopf = [this](const char* name, const char* text, int x, int yy, int w, std::function<void()> fn) {
        auto* b = DialogControl<TBitBtn>(this, PanelMain, name, x, yy, w, 28);
        b->SetCaption(QString::fromUtf8(text));
        b->OnClick = [fn](TObject*) { fn(); };
        return b;
    };
    BitBtnMerge = knopf("BitBtnMerge", "Markierte Datenbanken zusammenfügen", 4, 430, 250, [this] { BitBtnMergeClick(); });
    BitBtnBackup =
        knopf("BitBtnBackup", "Markierte Datenbanken sichern (Backup)", 260, 430, 250, [this] { BitBtnBackupClick(); });
    BitBtnOeffnen =
        knopf("BitBtnOeffnen", "Ausgewählte Bilderdatenbank öffnen", 4, 362, 250, [this] { BitBtnOeffnenClick(); });
    BitBtnDatenFileAttribute = knopf("BitBtnDatenFileAttribute", "Bilderdatenbankattribute neu lesen", 392, 362, 232,
                                     [this] { BitBtnDatenFileAttributeClick(); });
    BitBtnOeffnen->SetParent(PanelMain);
    BitBtnOeffnen->SetBounds(392, 396, 232, 28);
    BitBtnMerge->SetBounds(4, 430, 300, 28);
    BitBtnBackup->SetBounds(310, 430, 314, 28);
    Button1 = DialogControl<TButton>(this, PanelMain, "Button1", 0, 0, 0, 0);
    Button1->SetVisible(false);
    Button1->OnClick = [this](TObject*) { CreateListView(); };

    OpenDialog1 = new TOpenDialog(this);
    OpenDialog1->Name = QStringLiteral("OpenDialog1");
    OpenDialog1->Filter = QStringLiteral("Fotoalben|*.DBF");

    rgBDEPipelineBilderDBFManager = ListenPipeline(this, QStringLiteral("rgBDEPipelineBilderDBFManager"), quelle_);
    rgReportBilderDBFManager = ListenBericht(this, QStringLiteral("rgReportBilderDBFManager"),
                                             rgBDEPipelineBilderDBFManager);

    QKBlinker1 = new TQKBlinker(this);
    QKBlinker1->Name = QStringLiteral("QKBlinker1");
    QKBlinker1->SetControl(BitBtnDatenFileAttribute);
    QKINIBilderDatenbanken = new TQKINI(this);
    QKINIBilderDatenbanken->Name = QStringLiteral("QKINIBilderDatenbanken");
    QKINIBilderDatenbanken->SetCaption(kSektion);
    QKINIBilderDatenbanken->SaveWinPos = swpSizePosition;

    OnShow = [this](TObject*) { FormShow(); };
    OnClose = [this](TObject*, TCloseAction&) { FormClose(); };
    Loaded();
}

TBilderDBFManagerForm::~TBilderDBFManagerForm()
{
    BeginDestroy();
    if (table1_->Active())
        table1_->Close();
    dbe1_->SetDataSource(nullptr);
    delete quelle1_;
    delete table1_;
    delete quelle_;
}

void TBilderDBFManagerForm::Meldung(const QString& caption, const QString& text)
{
    NachrichtenDialog(caption, text, dienste_.AnzeigeZeit(), 120, u_.Optionen().Farbe(QStringLiteral("Infofarbe")), clBlack,
                      true);
}

void TBilderDBFManagerForm::IniLesen()
{
    QKINIBilderDatenbanken->SetINIFileName(dienste_.Ini().INIFileName());
    QKINIBilderDatenbanken->INILoadWinPos(QStringLiteral("WinPos"), this, QKINIBilderDatenbanken->SaveWinPos);
    TQKINI* ini = QKINIBilderDatenbanken;
    const bool toolbar = ini->INIReadBool(kSektion, QStringLiteral("ToolBar"), ToolbarAnzeigen1->Checked());
    if (toolbar != ToolbarAnzeigen1->Checked())
        ToolbarAnzeigen1Click();
    const bool statistik = ini->INIReadBool(kSektion, QStringLiteral("Statistikanzeige"), false);
    Statistik1->SetChecked(statistik);
    GroupBoxStatistik->SetVisible(statistik);
    // The first view key that is set chooses the view.
    TViewStyle stil = vsIcon;
    if (ini->INIReadBool(kSektion, QStringLiteral("GrossesIcon"), true))
        stil = vsIcon;
    else if (ini->INIReadBool(kSektion, QStringLiteral("KleinesIcon"), false))
        stil = vsSmallIcon;
    else if (ini->INIReadBool(kSektion, QStringLiteral("ListIcon"), false))
        stil = vsList;
    else if (ini->INIReadBool(kSektion, QStringLiteral("ReportIcon"), false))
        stil = vsReport;
    ListView1->SetViewStyle(stil);
    GrossesIcon1->SetChecked(stil == vsIcon);
    KleinesIcon1->SetChecked(stil == vsSmallIcon);
    List1->SetChecked(stil == vsList);
    Report1->SetChecked(stil == vsReport);
}

void TBilderDBFManagerForm::IniSchreiben()
{
    TQKINI* ini = QKINIBilderDatenbanken;
    ini->SetINIFileName(dienste_.Ini().INIFileName());
    ini->INIWriteBool(kSektion, QStringLiteral("ToolBar"), ToolbarAnzeigen1->Checked());
    ini->INIWriteBool(kSektion, QStringLiteral("Statistikanzeige"), Statistik1->Checked());
    ini->INIWriteBool(kSektion, QStringLiteral("GrossesIcon"), GrossesIcon1->Checked());
    ini->INIWriteBool(kSektion, QStringLiteral("KleinesIcon"), KleinesIcon1->Checked());
    ini->INIWriteBool(kSektion, QStringLiteral("ListIcon"), List1->Checked());
    ini->INIWriteBool(kSektion, QStringLiteral("ReportIcon"), Report1->Checked());
    ini->INISaveWinPos(QStringLiteral("WinPos"), this, ini->SaveWinPos);
}

void TBilderDBFManagerForm::KnoepfeFreigeben(bool an)
{
    for (TMenuItem* m : {AusgewaehlteBilderdatenbankOeffnen1, MarkierteDatenbankenzusammenfuegen1,
                         Bilderdatenbankattributeneulesen1})
        m->SetEnabled(an);
    for (TBitBtn* b : {BitBtnOeffnen, BitBtnMerge, BitBtnDatenFileAttribute})
        b->SetEnabled(an);
}

void TBilderDBFManagerForm::ManagerLeer() { KnoepfeFreigeben(false); }

void TBilderDBFManagerForm::AktuellesAlbumSuchen()
{
    // The manager row of the current album (by its path, without regard to
    // case), so that it stands current when the window opens.
    TDbe* dbe = album_.Manager().Dbe();
    if (!album_.Manager().Tabelle()->Active())
        return;
    const uint32_t vorher = dbe->RecNo();
    if (DatensatzSuchen(dbe, QStringLiteral("PFAD"), album_.Bilder().Ordner() + album_.Bilder().Name()) != 1 && vorher > 0)
        dbe->Go(vorher);
}

void TBilderDBFManagerForm::FormShow()
{
    standardIcon_ = 0;
    IniLesen();
    TdkTable* t = album_.Manager().Tabelle();
    KnoepfeFreigeben(t->Active() && album_.Manager().Dbe()->RecCount() > 0);
    AktuellesAlbumSuchen();
    // The open album changes while the program runs (pictures come in):
    // its row shows its figures as they are now, not as they were when it
    // was registered.
    if (t->Active() && !album_.Bilder().Name().isEmpty() &&
        album_.Manager().Dbe()->GetTrimString(QStringLiteral("PFAD")).compare(album_.Bilder().Ordner() + album_.Bilder().Name(),
                                                                       Qt::CaseInsensitive) == 0 &&
        FileExists(album_.Bilder().Ordner() + album_.Bilder().Name()))
        GeoeffneteDBFinDBFVerwaltungEintragen(false);
    TProgrammEinstellungen& o = u_.Optionen();
    if (o.Bool(QStringLiteral("FarbSystemBenutzen"))) {
        DBEditShortDesc->SetColor(o.Farbe(QStringLiteral("Kannfarbe")));
        for (TdkDBEdit* e : {DBEditPfad, DBEditBytesSum, DBEditLabel, DBEditPicBytes, DBEditSaetze, DBEditMarkierte,
                             DBEditMitDesc, DBEditOhneDesc, DBEditDatum})
            e->SetColor(o.Farbe(QStringLiteral("Infofarbe")));
    }
    CreateListView();
    if (u_.CDRStart())
        CDRProduzieren1Click();
}

void TBilderDBFManagerForm::FormClose()
{
    // The edit that still has the focus is not left before the window goes.
    ZeileSichern();
    try {
        IniSchreiben();
    } catch (const std::exception&) {
        // The view settings are a convenience; their loss must not stop the close.
    }
}

void TBilderDBFManagerForm::CreateListView()
{
    ListView1->ClearItems();
    TdkTable* t = album_.Manager().Tabelle();
    TDbe* dbe = album_.Manager().Dbe();
    if (!t->Active())
        return;
    const uint32_t aktuell = dbe->RecNo();
    const int vorher = dbe->SetOrder(0);
    int auswahl = -1;
    dbe->GoTop();
    while (!dbe->Eof()) {
        const QString name = ExtractFileName(dbe->GetTrimString(QStringLiteral("PFAD")));
        const QString desc = dbe->GetTrimString(QStringLiteral("SHORTDESC"));
        QString caption;
        switch (ListView1->ViewStyle()) {
        case vsIcon: caption = desc + QStringLiteral("\r\n(") + name + QStringLiteral(")"); break;
        case vsList: caption = name; break;
        default: caption = desc + QStringLiteral(" (") + name + QStringLiteral(")"); break;
        }
        // The icon from FLAGS: empty gives the default icon, a number that
        // icon, any other text keeps the default.
        int bild = standardIcon_;
        const QString flags = dbe->GetTrimString(QStringLiteral("FLAGS"));
        if (flags.isEmpty())
            bild = 0;
        else {
            bool ok = false;
            const int n = flags.toInt(&ok);
            if (ok)
                bild = n;
        }
        const int index = ListView1->AddItem(caption, bild);
        if (dbe->RecNo() == aktuell)
            auswahl = index;
        dbe->Skip(1);
    }
    dbe->SetOrder(vorher);
    if (aktuell > 0)
        dbe->Go(aktuell);
    ListView1->SetSelected(auswahl);
}

void TBilderDBFManagerForm::ZeileSichern()
{
    // Only a change to an album's row: typing into an empty manager starts
    // a row without an album, which is not saved.
    TdkTable* t = album_.Manager().Tabelle();
    if (!t->Active() || t->State() != dsEdit)
        return;
    t->Post();
    // The album's caption shows its description.
    CreateListView();
}

bool TBilderDBFManagerForm::ItemGewaehlt()
{
    if (ListView1->Selected() >= 0)
        return true;
    Meldung(QStringLiteral("Hinweis"), kNichtGewaehlt);
    return false;
}

void TBilderDBFManagerForm::ZeileAnfahren(int index)
{
    TdkTable* t = album_.Manager().Tabelle();
    if (index < 0 || !t->Active())
        return;
    if (t->State() == dsEdit || t->State() == dsInsert)
        t->Post();
    // Item index + 1 is the record number in natural order.
    album_.Manager().Dbe()->Go(uint32_t(index + 1));
}

void TBilderDBFManagerForm::ListView1Click() { ZeileAnfahren(ListView1->Selected()); }

void TBilderDBFManagerForm::ListView1KeyUp(Word key)
{
    if (key != VK_SPACE)
        return;
    // The mark of the current row flips, as a click on "Markiert" would.
    TdkTable* t = album_.Manager().Tabelle();
    if (ListView1->Selected() < 0 || !t->Active() || t->RecordCount() == 0)
        return;
    TField* markiert = t->FieldByName(QStringLiteral("MARKIERT"));
    t->Edit();
    markiert->SetAsBoolean(!markiert->AsBoolean());
    t->Post();
}

void TBilderDBFManagerForm::PopupMenuListViewPopup()
{
    if (ListView1->Selected() >= 0)
        ZeileAnfahren(ListView1->Selected());
    else
        ShowMessage(QStringLiteral("Wählen Sie zunächst ein Album aus!"));
}

void TBilderDBFManagerForm::AusgewaehlteBilderdatenbankOeffnen1Click()
{
    if (!ItemGewaehlt())
        return;
    ZeileAnfahren(ListView1->Selected());
    BitBtnOeffnenClick();
    ModalResult = mrOk;
    Close();
}

bool TBilderDBFManagerForm::HauptfensterOeffnen(const QString& handler, const QString& ordner, const QString& name)
{
    const auto schritt = [&handler](const char* name, const std::function<void()>& fn) {
        try {
            fn();
        } catch (const std::exception&) {
            throw Exception(QStringLiteral("Fehler beim Ausführen von \"MainForm.") + QLatin1String(name) +
                            QStringLiteral("\" in TBilderDBFManagerForm.") + handler +
                            QStringLiteral("(), bitte informieren Sie evtl. den Programmierer!"));
        }
    };
    const TAlbumDateien album(IncludeTrailingBackslash(ordner), name);
    int offen = 0;
    schritt("BilderDBFOeffnen", [this, &album, &offen] { offen = album_.Oeffnen(album); });
    // An album that did not open (the user was told why) gets no second
    // view and no full-text index: a busy album stays untouched and is
    // reported once.
    if (offen == 0 || !album_.IstGeoeffnet(album.Ordner(), album.Name()))
        return false;
    schritt("Bilder2DBFOeffnen", [this] { album_.ZweiteAnsichtOeffnen(); });
    schritt("OeffneBilderFTS", [this] { album_.VolltextOeffnen(); });
    return true;
}

void TBilderDBFManagerForm::BitBtnOeffnenClick()
{
    const QString pfad = album_.Manager().Tabelle()->Active()
                             ? album_.Manager().Tabelle()->FieldByName(QStringLiteral("PFAD"))->AsString().trimmed()
                             : QString();
    if (pfad.isEmpty()) {
        Meldung(QStringLiteral("Abschlußmeldung"),
                QStringLiteral("Kein Fotoalbum zum Öffnen in dem Fotoalbum-Manager eingetragen, fügen Sie zuerst ein "
                               "Fotoalbum dem Fotoalben-Manager zu !"));
        return;
    }
    if (!FileExists(pfad)) {
        Meldung(QStringLiteral("Fehler"), QStringLiteral("Fotoalbum  existiert nicht bzw. ist nicht im Zugriff!"));
        return;
    }
    u_.AnsichtZeigen(false);
    album_.ZielSchliessen();
    try {
        HauptfensterOeffnen(QStringLiteral("BitBtnOeffnenClick"), ExtractFilePath(pfad), ExtractFileName(pfad));
    } catch (...) {
        u_.AnsichtZeigen(true);
        throw;
    }
    if (album_.IstOffen() && album_.IstGeoeffnet(ExtractFilePath(pfad), ExtractFileName(pfad)) &&
        u_.Optionen().Bool(QStringLiteral("AlleMeldungen")))
        Meldung(QStringLiteral("Abschlußmeldung"), QStringLiteral("Das Fotoalbum ") + pfad + QStringLiteral(" wurde geöffnet !"));
    u_.VorschauNeuLaden();
    IniSchreiben();
    dienste_.Ini().WriteINI();
    u_.AnsichtZeigen(true);
}

void TBilderDBFManagerForm::BitBtnOeffnen_ErstellenClick()
{
    if (!MergeFolge) {
        const QString ordner = IncludeTrailingBackslash(u_.Optionen().Text(QStringLiteral("DatenbankenVerzeichnis")));
        OpenDialog1->InitialDir = ordner;
        OpenDialog1->FileName = QStringLiteral("Bilder") + NaechsteFreieNummer(ordner + QStringLiteral("Bilder*.dbf")) +
                                QStringLiteral(".dbf");
    }
    if (!OpenDialog1->Execute()) {
        CreateListView();
        return;
    }
    // The name keeps its real case; only the check for the suffix ignores it.
    QString name = OpenDialog1->FileName.trimmed();
    if (!name.toUpper().contains(QStringLiteral(".DBF")))
        name += QStringLiteral(".DBF");
    // Already registered (any letter case)?
    TDbe* dbe = album_.Manager().Dbe();
    if (album_.Manager().Tabelle()->Active()) {
        const uint32_t vorher = dbe->RecNo();
        const int order = dbe->SetOrder(0);
        const bool da = DatensatzSuchen(dbe, QStringLiteral("PFAD"), name) == 1;
        dbe->SetOrder(order);
        if (!da && vorher > 0)
            dbe->Go(vorher);
        if (da) {
            ShowMessage(QStringLiteral("Fotoalbum ") + name + QStringLiteral(" ist schon eingetragen !"));
            return;
        }
    }
    const QString ordner = ExtractFilePath(name);
    const QString datei = ExtractFileName(name);
    if (ordner.contains(u' ')) {
        ShowMessage(QStringLiteral("Bitte wählen Sie ein Verzeichnispfad ohne Leerzeichen !"));
        return;
    }
    if (datei.contains(u' ')) {
        ShowMessage(QStringLiteral("Ungültiger Dateiname, geben Sie bitte KEINE Leerzeichen ein !"));
        return;
    }
    for (QChar c : QStringLiteral("öÖüÜäÄß"))
        if (datei.contains(c)) {
            ShowMessage(QStringLiteral("Die Dateinamen der Fotoalben dürfen in dieser Version von QV-Lumadex KEINE "
                                       "Umlaute (ÄÖÜäöüß) und Sonderzeichen enthalten !"));
            return;
        }
    if (datei.contains(u'-')) {
        ShowMessage(QStringLiteral("Die Dateinamen der Fotoalben dürfen in dieser Version von QV-Lumadex auch KEINEN "
                                   "Bindestrich (-) enthalten !"));
        return;
    }
    if (FileExists(name)) {
        const int pruefung = album_.AlbumPruefen(ordner, datei);
        if (pruefung == TOffenesAlbum::kKeinAlbum)
            ShowMessage(QStringLiteral("Ungültiges Fotoalbum (Bilderdatenbank)!"));
        if (pruefung < 0)
            return;
    }
    if (datei.size() >= 13) {
        ShowMessage(QStringLiteral("Die Dateinamen der Fotoalben dürfen in dieser Version von QV-Lumadex nicht länger "
                                   "als 8 Zeichen (plus Punkt und Suffix) sein, geben Sie einen kürzeren Dateinamen an !"));
        return;
    }
    // An album that did not open (the user was told why) is not added, and
    // nothing else changes.
    if (!HauptfensterOeffnen(QStringLiteral("BitBtnOeffnen_ErstellenClick"), ordner, datei))
        return;
    u_.VorschauNeuLaden();
    IniSchreiben();
    dienste_.Ini().WriteINI();
    if (u_.Optionen().Bool(QStringLiteral("AlleMeldungen")))
        Meldung(QStringLiteral("Abschlußmeldung"), QStringLiteral("Das Fotoalbum ") + name + QStringLiteral(" wurde geöffnet !"));
    KnoepfeFreigeben(true);
    CreateListView();
}

void TBilderDBFManagerForm::AlbumLoeschen1Click()
{
    if (!ItemGewaehlt())
        return;
    ZeileAnfahren(ListView1->Selected());
    // The deletion mark only: the main window's delete handlers ask about
    // the album's files and pack the table.
    try {
        album_.Manager().Tabelle()->Delete();
    } catch (const EAbort&) {
        // the user kept the open album
    }
    CreateListView();
}

bool TBilderDBFManagerForm::Table1Oeffnen(const QString& ordner, const QString& name, bool exklusiv, bool nurLesen)
{
    bool offen = false;
    QString belegt;
    try {
        offen = DatenbankOeffnenPasswort(table1_, ttDXFOX, dbe1_, ordner, name, QString(), exklusiv, nurLesen, false,
                                         nullptr, QString(), QString(), &belegt) == kDatenbankOffen;
    } catch (const std::exception&) {
        throw Exception(QStringLiteral("Fehler beim Öffnen, es handelt sich wahrscheinlich um keine "
                                       "QV-Lumadex-Datenbank!"));
    }
    if (!offen)
        ShowMessage(!belegt.isEmpty() ? belegt
                                      : QStringLiteral("Irgendwas ist beim Öffnen des Fotoalbums schief gegangen! "
                                                       "Öffnen Sie nur originale QV-Lumadex-Datenbanken!"));
    return offen;
}

void TBilderDBFManagerForm::GeoeffneteDBFinDBFVerwaltungEintragen(bool NewEntry)
{
    // A new album is registered by the main window's routine, which knows
    // the album it has just opened.
    if (NewEntry) {
        album_.ImManagerEintragen(album_.Bilder().Dateien().Dbf(), 1, 0);
        return;
    }
    // Refresh the current row from the album its path names.
    TdkTable* t = album_.Manager().Tabelle();
    if (!t->Active() || t->RecordCount() == 0)
        return;
    const QString pfad = t->FieldByName(QStringLiteral("PFAD"))->AsString().trimmed();
    const QString ordner = ExtractFilePath(pfad);
    const QString name = ExtractFileName(pfad);
    const TAlbumDateien dateien(ordner, name);
    const int64_t bytesDBF = qktFileSize(dateien.Dbf());
    const int64_t bytesCDX = qktFileSize(dateien.Cdx());
    const int64_t bytesFPT = qktFileSize(dateien.Fpt());
    const int64_t bytesIA = qktFileSize(dateien.Ia());
    // A missing file shows -1 and adds nothing, as the main window counts.
    int64_t summe = 0;
    for (int64_t b : {bytesDBF, bytesCDX, bytesFPT, bytesIA})
        summe += std::max<int64_t>(0, b);

    const QString wurzel = ordner.left(1) + QStringLiteral(":\\");
    const QString kennung = qktGetVolumeSerialOrLabel(wurzel);
    int saetze = 0, mitDesc = 0, ohneDesc = 0, markierte = 0;
    double picBytes = 0;
    QString medienName;  // the name the entries give the album's medium
    if (!Table1Oeffnen(ordner, name, false, true))
        return;
    dbe1_->SetOrder(0);
    // Deleted entries, which the album hides, count nowhere.
    for (uint32_t r = 1; r <= dbe1_->RecCount(); ++r) {
        dbe1_->Go(r);
        if (dbe1_->Deleted())
            continue;
        ++saetze;
        if (dbe1_->GetTrimString(QStringLiteral("SHORTDESC")).isEmpty())
            ++ohneDesc;
        else
            ++mitDesc;
        picBytes += dbe1_->GetDouble(QStringLiteral("BYTES"));
        if (dbe1_->GetLogical(QStringLiteral("MARKIERT")))
            ++markierte;
        if (medienName.isEmpty() && dbe1_->GetTrimString(QStringLiteral("LABELKENNU")) == kennung)
            medienName = dbe1_->GetTrimString(QStringLiteral("LABEL"));
    }
    table1_->Close();

    // The medium's name: a disk without a volume name of its own gives its
    // serial in its place, so a stored label that is only the serial counts
    // as none, and the name the user gave the medium when its pictures came
    // in (the entries' LABEL) is taken before asking.
    QString label = t->FieldByName(QStringLiteral("LABEL"))->AsString().trimmed();
    if (label.isEmpty() || label == kennung) {
        QString gefunden;
        if (LaufwerksTyp(wurzel) == QLatin1String("HD"))
            gefunden = qktGetVolumeLabel(wurzel);
        if (gefunden.isEmpty() || gefunden == kennung)
            gefunden = medienName;
        if (gefunden.isEmpty() && label.isEmpty())
            gefunden = InputBox(QStringLiteral("Eingabedialogfenster"),
                                QStringLiteral("Geben sie einen Namen für den Datenträger ein"), QString());
        if (!gefunden.isEmpty())
            label = gefunden;
    }
    const TDateTime datum = FileDateTime(pfad);

    t->Edit();
    std::vector<TField*> geschuetzt;
    for (int i = 0; i < t->FieldCount(); ++i)
        if (t->Fields(i)->ReadOnly()) {
            geschuetzt.push_back(t->Fields(i));
            t->Fields(i)->SetReadOnly(false);
        }
    const auto zahl = [t](const char* feld, double wert) {
        t->FieldByName(QString::fromLatin1(feld))->SetAsFloat(wert);
    };
    zahl("BYTESDBF", double(bytesDBF));
    zahl("BYTESCDX", double(bytesCDX));
    zahl("BYTESFPT", double(bytesFPT));
    zahl("BYTESIA", double(bytesIA));
    zahl("BYTESSUM", double(summe));
    t->FieldByName(QStringLiteral("ZUGRIFF"))->SetAsBoolean(true);
    if (!label.isEmpty())
        t->FieldByName(QStringLiteral("LABEL"))->SetAsString(label);
    t->FieldByName(QStringLiteral("LABELKENNU"))->SetAsString(kennung);
    if (datum > 0)
        t->FieldByName(QStringLiteral("LASTFDATE"))->SetAsDateTime(std::floor(datum));
    zahl("SAETZE", saetze);
    zahl("MARKIERTE", markierte);
    zahl("PICBYTES", picBytes < 1 ? 0 : picBytes);
    zahl("MITDESC", mitDesc);
    zahl("OHNEDESC", ohneDesc);
    t->Post();
    for (TField* f : geschuetzt)
        f->SetReadOnly(true);
}

void TBilderDBFManagerForm::BitBtnMergeClick()
{
    MergeFolge = true;
    struct Ende {
        bool& f;
        ~Ende() { f = false; }
    } ende{MergeFolge};
    if (MessageDlg(QStringLiteral("Diese Funktion fügt alle markierten Fotoalben an ein anderes, Bilder werden hierbei "
                                  "NICHT berücksichtigt, fortfahren?"),
                   mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) != mrYes)
        return;
    const QStringList alben = album_.ManagerAlben(true);
    if (alben.isEmpty()) {
        ShowMessage(QStringLiteral("Sie müßen mindestens ein Fotoalbum markieren, um dieses an ein anderes anhängen "
                                   "(zusammenführen) zu können !"));
        return;
    }
    OpenDialog1->InitialDir = album_.Bilder().Ordner();
    if (!OpenDialog1->Execute())
        return;
    QString ziel = OpenDialog1->FileName.trimmed();
    if (!ziel.toUpper().contains(QStringLiteral(".DBF")))
        ziel += QStringLiteral(".DBF");
    const QString zielOrdner = ExtractFilePath(ziel);
    const QString zielName = ExtractFileName(ziel);
    if (!FileExists(ziel)) {
        if (MessageDlg(zielOrdner + zielName + QStringLiteral(" nicht gefunden, jetzt erstellen ?"), mtConfirmation,
                       TMsgDlgButtons{mbYes, mbNo}) != mrYes)
            return;
        album_.Erzeugen(IncludeTrailingBackslash(zielOrdner), zielName);
    }
    for (const QString& a : alben)
        if (a.compare(ziel, Qt::CaseInsensitive) == 0) {
            // An album appended to itself would double its entries.
            ShowMessage(QStringLiteral("Anhängen der Datei ") + a + QStringLiteral(" hat NICHT funktioniert!"));
            return;
        }
    const bool zusammengefuehrt = [&] {
        // The target is held alone while the entries go in (the open album
        // is closed for it when it is the target, and opened again after).
        TAlbumExklusiv halt(album_, TAlbumDateien(zielOrdner, zielName), table1_, dbe1_, true);
        if (!halt) {
            ShowMessage(halt.Meldung(QStringLiteral("Irgendwas ist beim Öffnen des Fotoalbums schief gegangen! "
                                                    "Öffnen Sie nur originale QV-Lumadex-Datenbanken!")));
            return false;
        }
        TStatus4Frm status(nullptr);
        status.Label1->SetCaption(QStringLiteral("Neues Fotoalbum wird zusammengeführt, bitte warten...."));
        status.Show();
        // The entries appended go into the target's full-text index while it
        // is still held alone, also those of the sources before a failed one.
        TFts fts(nullptr);
        TArbeitsbereich zielBereich(table1_, dbe1_, quelle1_, &fts, dienste_);
        zielBereich.DateienSetzen(TAlbumDateien(zielOrdner, zielName));
        const uint32_t bisher = dbe1_->RecCount();
        bool angehaengt = true;
        for (const QString& a : alben) {
            // Only the whole entries of a source go in: a record another
            // program is still appending stays out, and a source that stays
            // busy is left out with its message.
            QString belegt;
            const int64_t ganze = album_.Pruefung().GanzeSaetze(TAlbumDateien::AusPfad(a), belegt);
            if (ganze < 0 && !belegt.isEmpty()) {
                ShowMessage(belegt);
                continue;
            }
            dbe1_->SetGaugeHook(
                [w = &status](uint32_t done, uint32_t total) { TStatus4Frm::GaugeHook(w, done, total); });
            angehaengt =
                ganze >= 0 && dbe1_->AppendFrom(a, 2, QStringLiteral("RECNO() <= ") + QString::number(ganze));
            dbe1_->SetGaugeHook(nullptr);
            if (!angehaengt) {
                ShowMessage(QStringLiteral("Anhängen der Datei ") + a + QStringLiteral(" hat NICHT funktioniert!"));
                break;
            }
        }
        zielBereich.FtsNachtragen(bisher, QStringLiteral("BitBtnMergeClick, "));
        return angehaengt;
    }();
    // The open album, opened again after the hold, made its row the current
    // one: the list selects it.
    CreateListView();
    if (!zusammengefuehrt)
        return;
    if (MessageDlg(QStringLiteral("Neues Fotoalbum jetzt öffnen um es in den Fotoalben-Manager eintragen zu können?"),
                   mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) == mrYes) {
        OpenDialog1->InitialDir = zielOrdner;
        OpenDialog1->FileName = ziel;
        BitBtnOeffnen_ErstellenClick();
    }
}

QString TBilderDBFManagerForm::BackupArchivName() const
{
    const QString ordner = IncludeTrailingBackslash(u_.Optionen().Text(QStringLiteral("BackupDir")));
    return ordner + QStringLiteral("BILDERBACKUP") + NaechsteFreieNummer(ordner + QStringLiteral("BILDERBACKUP*.ZIP")) +
           QStringLiteral(".ZIP");
}

void TBilderDBFManagerForm::BitBtnBackupClick()
{
    if (MessageDlg(QStringLiteral("Diese Funktion packt (zippt) alle markierten Fotoalben in eine neue ZIP-Datei, "
                                  "Bilder werden hierbei NICHT berücksichtigt und die Ausführung kann lange daueren, "
                                  "fortfahren?"),
                   mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) != mrYes)
        return;
    if (u_.Optionen().Text(QStringLiteral("BackupDir")).trimmed().isEmpty()) {
        ShowMessage(QStringLiteral("Stellen Sie in den Optionen zunächst einen gültigen Backuppfad ein !"));
        ModalResult = mrCancel;
        Close();
        return;
    }
    const QString archiv = BackupArchivName();
    ForceDirectories(ExtractFilePath(archiv));
    if (!u_.GridSettingsSichern())
        ShowMessage(QStringLiteral("Fehler beim Speichern der BilderGridsettings!"));
    PanelMain->SetEnabled(false);
    Screen->SetCursor(crHourGlass);
    TdkTable* t = album_.Manager().Tabelle();
    int markierte = 0;
    bool fehler = false;
    {
        TControlsDisabler aus(t);
        // The paths first: closing the open album must not move this loop.
        const QStringList alben = album_.ManagerAlben(true);
        for (const QString& pfad : alben) {
            ++markierte;
            const QString ordner = ExtractFilePath(pfad);
            const QString datei = ExtractFileName(pfad);
            if (!FileExists(ordner + datei)) {
                ShowMessage(QStringLiteral("Datenbank ") + ordner + datei + QStringLiteral(" nicht gefunden !"));
                fehler = true;
                break;
            }
            if (album_.IstGeoeffnet(ordner, datei)) {
                Screen->SetCursor(crDefault);
                ShowMessage(QStringLiteral("Zu packendes Fotoalbum ist geöffnet und wird jetzt geschlossen, öffnen Sie "
                                           "das Fotoalbum nach der Sicherung erneut !"));
            }
            // The files are read while no other program can write them, so
            // the archive holds the album as one whole.
            TAlbumExklusiv halt(album_, TAlbumDateien(ordner, datei), table1_, dbe1_, false);
            if (!halt) {
                Screen->SetCursor(crDefault);
                ShowMessage(halt.Meldung(QStringLiteral("Fehler beim exclusiven Öffnen der ") + ordner + datei +
                                         QStringLiteral(" !")));
                fehler = true;
                break;
            }
            halt.GeschlossenLassen();
            const QString maske = ordner + Basisname(datei) + QStringLiteral(".*");
            if (!PackDateien(maske, archiv)) {
                ShowMessage(QStringLiteral("Fehler beim Packen von ") + maske + QStringLiteral(" !"));
                fehler = true;
                break;
            }
        }
    }
    PanelMain->SetEnabled(true);
    Screen->SetCursor(crDefault);
    if (markierte == 0)
        ShowMessage(QStringLiteral("Sie hatten keine Fotoalben vorher markiert, es wurden KEINE Fotoalben "
                                   "(Datenbanken) gesichert!"));
    else if (!fehler)
        ShowMessage(QStringLiteral("Alle Dateien zu ") + archiv + QStringLiteral(" gepackt !"));
    if (!u_.GridSettingsLesen())
        ShowMessage(QStringLiteral("Fehler beim Lesen der BilderGridsettings!"));
}

void TBilderDBFManagerForm::BitBtnDatenFileAttributeClick()
{
    TdkTable* t = album_.Manager().Tabelle();
    TDbe* dbe = album_.Manager().Dbe();
    if (!t->Active())
        return;
    Screen->SetCursor(crHourGlass);
    PanelListe->SetEnabled(false);
    AktuellesAlbumSuchen();
    const uint32_t satz = dbe->RecNo();
    int fehler = 0;
    // The blinker runs until the albums are read, also when reading fails.
    QKBlinker1->SetBlink(true);
    struct TBlinkEnde {
        TQKBlinker* b;
        ~TBlinkEnde() { b->SetBlink(false); }
    } blinkEnde{QKBlinker1};
    {
        TControlsDisabler aus(t);
        const int order = dbe->SetOrder(0);
        const uint32_t anzahl = dbe->RecCount();
        for (uint32_t r = 1; r <= anzahl; ++r) {
            dbe->Go(r);
            if (dbe->Deleted())
                continue;
            const QString pfad = dbe->GetTrimString(QStringLiteral("PFAD"));
            if (!FileExists(pfad)) {
                ++fehler;
                Meldung(QStringLiteral("Hinweis"), pfad + QStringLiteral(" NICHT gefunden bzw. nicht im Zugriff !"));
                continue;
            }
            GeoeffneteDBFinDBFVerwaltungEintragen(false);
        }
        dbe->SetOrder(order);
    }
    Screen->SetCursor(crDefault);
    Meldung(QStringLiteral("Abschlußmeldung"),
            fehler > 0 ? QStringLiteral("Die Daten von ") + QString::number(fehler) +
                             QStringLiteral(" Fotoalben konnten NICHT neu ermittelt und eingelesen werden!")
                       : QStringLiteral("Die Daten aller Fotoalben wurden neu ermittelt und eingelesen !"));
    if (satz > 0)
        dbe->Go(satz);
    BitBtnOeffnenClick();
    PanelListe->SetEnabled(true);
    CreateListView();
}

void TBilderDBFManagerForm::Drucken1Click()
{
    TdkTable* t = album_.Manager().Tabelle();
    TDbe* dbe = album_.Manager().Dbe();
    if (!t->Active())
        return;
    ListenVorlageLaden(rgReportBilderDBFManager, dienste_.ProgrammPfad() + QStringLiteral("BilderDBFManager.RTM"));
    const uint32_t satz = dbe->RecNo();
    const auto zurueck = [t, dbe, satz] {
        if (satz > 0 && satz <= dbe->RecCount()) {
            dbe->Go(satz);
            t->Refresh();
        }
    };
    try {
        TControlsDisabler aus(t);
        ListeAusgeben(rgReportBilderDBFManager, rgBDEPipelineBilderDBFManager, true, ListenAusgabe);
    } catch (...) {
        zurueck();
        throw;
    }
    zurueck();
}

void TBilderDBFManagerForm::CDRProduzieren1Click()
{
    dienste_.Protokoll(QStringLiteral("Info"), QStringLiteral("CDRZusammenstellen1Click(), Funktion aufgerufen!"));
    TCDRForm cdr(nullptr, album_, dienste_, u_);
    cdr.ShowModal();
}

void TBilderDBFManagerForm::IconAuswaehlen1Click()
{
    if (!ItemGewaehlt())
        return;
    ZeileAnfahren(ListView1->Selected());
    {
        TIconAuswahlForm auswahl(nullptr, album_, dienste_);
        auswahl.ShowModal();
    }
    CreateListView();
    IconAuswaehlen1->SetChecked(!IconAuswaehlen1->Checked());
}

void TBilderDBFManagerForm::Ansicht(TViewStyle stil)
{
    ListView1->SetViewStyle(stil);
    for (TMenuItem* m : {GrossesIcon1, KleinesIcon1, List1, Report1})
        m->SetChecked(false);
    TMenuItem* gewaehlt[] = {GrossesIcon1, KleinesIcon1, List1, Report1};
    gewaehlt[stil]->SetChecked(true);
    CreateListView();
}

void TBilderDBFManagerForm::Statistik1Click()
{
    Statistik1->SetChecked(!Statistik1->Checked());
    GroupBoxStatistik->SetVisible(Statistik1->Checked());
}

void TBilderDBFManagerForm::ToolbarAnzeigen1Click()
{
    const bool zeigen = !ToolbarAnzeigen1->Checked();
    ToolbarAnzeigen1->SetChecked(zeigen);
    PanelDock->SetVisible(zeigen);
}

void TBilderDBFManagerForm::Hilfe1Click()
{
    dienste_.TonSpielen(50);
    u_.Hilfe(QStringLiteral("Hlp_BilderDatenbankmanager"));
}

// ---- Icon chooser ----------------------------------------------------------

TIconAuswahlForm::TIconAuswahlForm(TComponent* AOwner, TOffenesAlbum& album, TProgrammDienste& dienste)
    : TForm(AOwner), album_(album)
{
    Name = QStringLiteral("IconAuswahlForm");
    SetCaption(QStringLiteral("Icon auswählen"));
    Position = poScreenCenter;
    SetBounds(0, 0, 420, 300);
    ListView1 = new TListView(this);
    ListView1->Name = QStringLiteral("ListView1");
    ListView1->SetParent(this);
    ListView1->SetAlign(alClient);
    ListView1->SetLargeImages(AlbumIcons());
    for (size_t i = 0; i < ListView1->LargeImages().size(); ++i)
        ListView1->AddItem(QString::number(i), int(i));
    ListView1->OnClick = [this](TObject*) { ListView1Click(); };
    ListView1->OnDblClick = [this](TObject*) {
        ModalResult = mrOk;
        Close();
    };
    QKINI1 = new TQKINI(this);
    QKINI1->SetCaption(QStringLiteral("IconAuswahl"));
    QKINI1->SaveWinPos = swpPosition;
    OnShow = [this, ini = dienste.Ini().INIFileName()](TObject*) {
        QKINI1->SetINIFileName(ini);
        QKINI1->INILoadWinPos(QStringLiteral("WinPos"), this, QKINI1->SaveWinPos);
    };
    Loaded();
}

void TIconAuswahlForm::ListView1Click()
{
    const int index = ListView1->Selected();
    TdkTable* t = album_.Manager().Tabelle();
    if (index < 0 || !t->Active() || t->RecordCount() == 0)
        return;
    t->Edit();
    t->FieldByName(QStringLiteral("FLAGS"))->SetAsString(QString::number(index));
    t->Post();
}
