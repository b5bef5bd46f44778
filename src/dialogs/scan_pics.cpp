// The picture scan dialog: its controls, its settings, the rules of the
// format boxes and the runs over one folder, several drives or a list of
// dropped files. The entry of one file is scan_pics_entry.cpp.
#include "dialogs/scan_pics.h"

#include "album/arbeitsbereich.h"
#include "album/offenes_album.h"
#include "album/programm_dienste.h"
#include "controls/spin_edit.h"
#include "datagrid/dk_table.h"
#include "dialogs/form_parts.h"
#include "dialogs/program_settings.h"
#include "dialogs/scan_host.h"
#include "dialogs/search_missed_files_form.h"
#include "imaging/image_window.h"
#include "platform/core/win_path.h"
#include "platform/ui/buttons.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/menus.h"
#include "platform/ui/std_ctrls.h"
#include "platform/core/win1252.h"
#include "platform/picture/picture_formats.h"
#include "shared/general_texts.h"
#include "shared/nachrichten_dialog.h"
#include "shared/qk_find.h"
#include "shared/qk_ini.h"
#include "shared/status4_form.h"
#include "shared/utility_files.h"
#include "storage/tdbe.h"


namespace {

const QString kSektion = QStringLiteral("Einstellungen BilderScan");
const QString kBilder = QStringLiteral("Einstellungen Bilder");

// The ten import sequences: the field each part of the file name goes to
// (0 Urheber, 1 Beschreibung, 2 Serie); -1 ends.
constexpr int kSequenzen[8][3] = {
    {0, 1, 2}, {1, 0, 2}, {2, 1, 0}, {2, 0, 1}, {0, 2, 1}, {1, 2, 0}, {1, 0, -1}, {0, 1, -1},
};

const char* const kSequenzTexte[10] = {
    "1. Urheber, 2. Beschreibung, 3. Serie", "1. Beschreibung, 2. Urheber, 3. Serie",
    "1. Serie, 2. Beschreibung, 3. Urheber", "1. Serie, 2. Urheber, 3. Beschreibung",
    "1. Urheber, 2. Serie, 3. Beschreibung", "1. Beschreibung, 2. Serie, 3. Urheber",
    "1. Beschreibung, 2. Urheber",           "1. Urheber, 2. Beschreibung",
    "1. Urheber",                            "1. Beschreibung",
};

TCheckBox* Box(TComponent* owner, TWinControl* parent, const QString& name, const QString& caption, int x, int y,
               int w = 60)
{
    auto* b = new TCheckBox(owner);
    b->Name = name;
    b->SetParent(parent);
    b->SetCaption(caption);
    b->SetBounds(x, y, w, 20);
    return b;
}

// A control of type T under its caption label at x, y.
template <typename T>
T* MitText(TComponent* owner, TWinControl* parent, const QString& name, const QString& caption, int x, int y, int w)
{
    DialogText(owner, parent, QStringLiteral("Label_") + name, caption, x, y);
    auto* c = new T(owner);
    c->Name = name;
    c->SetParent(parent);
    c->SetBounds(x, y + 16, w, 22);
    return c;
}

TEdit* Feld(TComponent* owner, TWinControl* parent, const QString& name, const QString& caption, int x, int y, int w)
{
    return MitText<TEdit>(owner, parent, name, caption, x, y, w);
}

TComboBox* Auswahl(TComponent* owner, TWinControl* parent, const QString& name, const QString& caption, int x, int y,
                   int w)
{
    return MitText<TComboBox>(owner, parent, name, caption, x, y, w);
}

TswSpinEdit* Spin(TComponent* owner, TWinControl* parent, const QString& name, const QString& caption, int x, int y,
                  int maximum)
{
    auto* s = MitText<TswSpinEdit>(owner, parent, name, caption, x, y, 110);
    s->MinValue = 0;
    s->MaxValue = maximum;
    return s;
}

TPanel* Anzeige(TComponent* owner, TWinControl* parent, const QString& name, int x, int y, int w)
{
    auto* p = new TPanel(owner);
    p->Name = name;
    p->SetParent(parent);
    p->SetBevelOuter(bvLowered);
    p->SetBounds(x, y, w, 24);
    p->SetCaption(QStringLiteral("0"));
    return p;
}

}  // namespace

uint8_t ScanFileTypeErmitteln(const QString& fileName)
{
    static const char* const kTypen[] = {"JPG", "BMP", "TIF", "PNG", "GIF", "PCX",
                                         "PCD", "CMS", "SCM", "WMF", "ICO"};
    QString suffix = GrossMitUmlauten(DateiSuffix(fileName));
    // JPEG pictures under their other suffixes are JPEG pictures too.
    if (suffix == QLatin1String("JPE") || suffix == QLatin1String("JPEG"))
        return 1;
    for (uint8_t i = 0; i < 11; ++i)
        if (suffix == QLatin1String(kTypen[i]))
            return uint8_t(i + 1);
    return 0;
}

void VorschauGroesse(int w, int h, int& nw, int& nh)
{
    const auto runden = [](double v) { return std::max(1, int(std::nearbyint(v))); };
    if (w <= h) {
        nh = 150;
        nw = h > 0 ? runden(double(w) * 150.0 / double(h)) : 150;
    } else {
        nw = 150;
        nh = runden(double(h) * 150.0 / double(w));
    }
}

QString ScanSuchmaske(const TScanTypen& t)
{
    QString m;
    if (t.JPG)
        m += QStringLiteral(";*.JPG;*.JPE;*.JPEG");
    if (t.BMP)
        m += QStringLiteral(";*.BMP");
    if (t.TIF)
        m += QStringLiteral(";*.TIF");
    if (t.PNG)
        m += QStringLiteral(";*.PNG");
    if (t.GIF)
        m += QStringLiteral(";*.GIF");
    if (t.PCX)
        m += QStringLiteral(";*.PCX");
    if (t.GIF2)
        m += QStringLiteral(";*.GIF");
    if (t.TIF2)
        m += QStringLiteral(";*.TIF");
    if (t.PCD)
        m += QStringLiteral(";*.PCD");
    if (t.CMS)
        m += QStringLiteral(";*.CMS");
    if (t.SCM)
        m += QStringLiteral(";*.SCM");
    if (t.WMF)
        m += QStringLiteral(";*.WMF");
    if (t.ICO)
        m += QStringLiteral(";*.ICO");
    if (!t.EigeneSuffix.isEmpty())
        m += QStringLiteral(";*.") + t.EigeneSuffix;
    return m;
}

QString ScanFinderMaske(const QString& suchmaske)
{
    QStringList teile = suchmaske.split(QLatin1Char(';'));
    for (qsizetype i = teile.size() - 1; i >= 0; --i)
        if (teile[i].compare(QLatin1String("*.TIF"), Qt::CaseInsensitive) == 0)
            teile.insert(i + 1, QStringLiteral("*.TIFF"));
    return teile.join(QLatin1Char(';'));
}

void TitelAusDateiname(const QString& basisName, int sequenz, QChar trenner, QString& urheber, QString& beschreibung,
                       QString& serie)
{
    QString* felder[3] = {&urheber, &beschreibung, &serie};
    if (sequenz == 8 || sequenz == 9) {
        QString& ziel = *felder[sequenz == 8 ? 0 : 1];
        if (ziel.isEmpty())
            ziel = basisName;
        return;
    }
    if (sequenz < 0 || sequenz > 7 || !basisName.contains(trenner))
        return;
    const QStringList teile = basisName.split(trenner);
    for (int n = 0; n < 3; ++n) {
        const int feld = kSequenzen[sequenz][n];
        if (feld < 0)
            break;
        // Parts 1 and 2 end at their separator; the last one a sequence
        // takes runs to the end of the name.
        const bool letzter = n == 2 || kSequenzen[sequenz][n + 1] < 0;
        QString teil;
        if (n < teile.size())
            teil = letzter ? QStringList(teile.mid(n)).join(trenner) : teile[n];
        if (felder[feld]->isEmpty())
            *felder[feld] = teil;
    }
}

// ---------------------------------------------------------------------------
// The form
// ---------------------------------------------------------------------------

TfrmScanPics::TfrmScanPics(TComponent* AOwner, TOffenesAlbum& album, TProgrammDienste& dienste,
                           TScanHauptfenster& haupt)
    : TForm(AOwner), album_(album), dienste_(dienste), haupt_(haupt)
{
    Bauen();
    OnCreate = [this](TObject* s) { FormCreate(s); };
    OnShow = [this](TObject* s) { FormShow(s); };
    OnCloseQuery = [this](TObject* s, bool& c) { FormCloseQuery(s, c); };
    OnKeyUp = [this](TObject* s, Word& k, TShiftState sh) { FormKeyUp(s, k, sh); };
    Loaded();
    DoCreate();
}

TfrmScanPics::~TfrmScanPics()
{
    BeginDestroy();
    // FormDestroy: the settings go back to the ini file.
    QKINI_Scan->WriteINI();
    LogSchliessen();
}

void TfrmScanPics::Bauen()
{
    Name = QStringLiteral("frmScanPics");
    SetCaption(QStringLiteral("Bilder der Datenbank hinzufügen"));
    SetBorderStyle(bsDialog);
    Position = poScreenCenter;
    KeyPreview = true;
    SetClientWidth(760);
    SetClientHeight(550);

    // Picture types.
    grpTypen = new TGroupBox(this);
    grpTypen->Name = QStringLiteral("grpTypen");
    grpTypen->SetParent(this);
    grpTypen->SetCaption(QStringLiteral("Bildtypen"));
    grpTypen->SetBounds(8, 8, 368, 150);
    chkFindJPG = Box(this, grpTypen, "chkFindJPG", "JPG", 12, 22);
    chkFindBMP = Box(this, grpTypen, "chkFindBMP", "BMP", 72, 22);
    chkFindTIF = Box(this, grpTypen, "chkFindTIF", "TIF", 132, 22);
    chkFindPNG = Box(this, grpTypen, "chkFindPNG", "PNG", 192, 22);
    chkFindPCX = Box(this, grpTypen, "chkFindPCX", "PCX", 252, 22);
    chkFindGIF = Box(this, grpTypen, "chkFindGIF", "GIF", 12, 44);
    EditEigeneSuffix = Feld(this, grpTypen, "EditEigeneSuffix", "Spezielle Datei-Suffix", 180, 40, 60);
    PanelExterneFormate = new TPanel(this);
    PanelExterneFormate->Name = QStringLiteral("PanelExterneFormate");
    PanelExterneFormate->SetParent(grpTypen);
    PanelExterneFormate->SetCaption(QString());
    PanelExterneFormate->SetBounds(8, 82, 344, 60);
    DialogText(this, PanelExterneFormate, "LabelExtern", "Extern unterstützte Formate", 4, 2);
    chkFindGIF2 = Box(this, PanelExterneFormate, "chkFindGIF2", "GIF", 4, 20, 48);
    chkFindTIF2 = Box(this, PanelExterneFormate, "chkFindTIF2", "TIF", 52, 20, 48);
    chkFindPCD = Box(this, PanelExterneFormate, "chkFindPCD", "PCD", 100, 20, 48);
    chkFindCMS = Box(this, PanelExterneFormate, "chkFindCMS", "CMS", 148, 20, 48);
    chkFindSCM = Box(this, PanelExterneFormate, "chkFindSCM", "SCM", 196, 20, 48);
    chkFindWMF = Box(this, PanelExterneFormate, "chkFindWMF", "WMF", 244, 20, 48);
    chkFindICO = Box(this, PanelExterneFormate, "chkFindICO", "ICO", 292, 20, 48);

    // Options.
    CheckBoxDoublettencheck = Box(this, this, "CheckBoxDoublettencheck", "Doublettencheck", 16, 166, 160);
    CheckBoxInclSuDirs = Box(this, this, "CheckBoxInclSuDirs", "inkl. Unterverzeichnisse", 16, 188, 200);
    CheckBoxFileCount = Box(this, this, "CheckBoxFileCount", "Infrage kommende Dateien vorher zählen", 16, 210, 300);
    ChkAllDrives = Box(this, this, "ChkAllDrives", "Mehrere Laufwerke durchsuchen", 16, 232, 300);
    chkVorschaubildErzeugen = Box(this, this, "chkVorschaubildErzeugen", "Vorschaubild erzeugen", 16, 254, 200);
    CheckBoxVorschaubilderAusVerzeichnis =
        Box(this, this, "CheckBoxVorschaubilderAusVerzeichnis",
            "Vorschaubilder aus Vorschaubilder- Verzeichnis übernehmen", 16, 276, 362);
    CheckBoxVorschaubilderNachUebernahmeLoeschen = Box(this, this, "CheckBoxVorschaubilderNachUebernahmeLoeschen",
                                                       "Vorschaubild nach Übernahme löschen", 16, 298, 300);
    chkAusFilenamenUebernehmen =
        Box(this, this, "chkAusFilenamenUebernehmen", "Info's aus Dateinamen übernehm.", 16, 326, 250);
    ComboBoxTrennZeichen = Auswahl(this, this, "ComboBoxTrennZeichen", "Trennzeichen", 16, 350, 140);
    ComboBoxTrennZeichen->Items()->Add(QStringLiteral("Komma (,)"));
    ComboBoxTrennZeichen->Items()->Add(QStringLiteral("Bindestrich (-)"));
    ComboBoxImportSeq = Auswahl(this, this, "ComboBoxImportSeq", "Importsequenz", 164, 350, 230);
    for (const char* t : kSequenzTexte)
        ComboBoxImportSeq->Items()->Add(QString::fromUtf8(t));
    chkNurVollstaendigeTitel =
        Box(this, this, "chkNurVollstaendigeTitel", "Daten direkt erfassen (Satzweise)", 16, 398, 300);

    // Size window.
    SpinEditMinDateiGroesse = Spin(this, this, "SpinEditMinDateiGroesse", "Min. Dateigröße (KB)", 384, 12, 9999999);
    SpinEditMaxDateiGroesse = Spin(this, this, "SpinEditMaxDateiGroesse", "Max. Dateigröße (KB)", 504, 12, 9999999);
    SpinEditMinPixelBreite = Spin(this, this, "SpinEditMinPixelBreite", "Min. Pixelbreite", 384, 56, 99999);
    SpinEditMinPixelHoehe = Spin(this, this, "SpinEditMinPixelHoehe", "Min. Pixelhöhe", 504, 56, 99999);
    SpinEditMaxPixelBreite = Spin(this, this, "SpinEditMaxPixelBreite", "Max. Pixelbreite", 384, 100, 99999);
    SpinEditMaxPixelHoehe = Spin(this, this, "SpinEditMaxPixelHoehe", "Max. Pixelhöhe", 504, 100, 99999);

    // Manual entry.
    grpManuelleEingabe = new TGroupBox(this);
    grpManuelleEingabe->Name = QStringLiteral("grpManuelleEingabe");
    grpManuelleEingabe->SetParent(this);
    grpManuelleEingabe->SetCaption(QStringLiteral("Manuelle Dateneingabe"));
    grpManuelleEingabe->SetBounds(384, 150, 240, 96);
    const auto radio = [this](const char* name, const char* caption, int y) {
        auto* r = new TRadioButton(this);
        r->Name = QString::fromLatin1(name);
        r->SetParent(grpManuelleEingabe);
        r->SetCaption(QString::fromUtf8(caption));
        r->SetBounds(12, y, 200, 20);
        return r;
    };
    radMDImmer = radio("radMDImmer", "Immer", 20);
    radMDFehlendeInformationen = radio("radMDFehlendeInformationen", "Bei fehlenden Infos", 44);
    radMDNie = radio("radMDNie", "Nicht mehr fragen", 68);

    // Status.
    DialogText(this, this, "LabelNeue", "Neue Bilder", 384, 258);
    panNeue = Anzeige(this, this, "panNeue", 384, 276, 110);
    DialogText(this, this, "LabelAlte", "Alte Bilder", 504, 258);
    PanelAlte = Anzeige(this, this, "PanelAlte", 504, 276, 110);
    panFind = Anzeige(this, this, "panFind", 384, 310, 368);
    panFind->SetCaption(QString());
    LabelFoundFilename = DialogText(this, this, "LabelFoundFilename", QString(), 384, 340);
    LabelFoundFilename->SetVisible(false);

    btnScanStart = DialogKnopf(this, this, "btnScanStart", bkCustom, "Einlesen &starten", {384, 440, 560, 470});
    btnScanBreak = DialogKnopf(this, this, "btnScanBreak", bkCancel, "Abbrechen", {568, 440, 744, 470});
    btnScanBreak->ModalResult = mrNone;
    btnScanBreak->SetEnabled(false);
    btnClose = DialogKnopf(this, this, "btnClose", bkClose, "Schließen", {384, 480, 560, 510});
    btnScanHelp = DialogKnopf(this, this, "btnScanHelp", bkHelp, "Hilfe", {568, 480, 744, 510});
    btnScanStart->OnClick = [this](TObject* s) { btnScanStartClick(s); };
    btnScanBreak->OnClick = [this](TObject* s) { btnScanBreakClick(s); };
    btnScanHelp->OnClick = [this](TObject* s) { btnScanHelpClick(s); };

    // The record panel.
    PanelVollstaendigeTitel = new TPanel(this);
    PanelVollstaendigeTitel->Name = QStringLiteral("PanelVollstaendigeTitel");
    PanelVollstaendigeTitel->SetParent(this);
    PanelVollstaendigeTitel->SetCaption(QString());
    PanelVollstaendigeTitel->SetBounds(0, 550, 760, 250);
    grpAktTitel = new TGroupBox(this);
    grpAktTitel->Name = QStringLiteral("grpAktTitel");
    grpAktTitel->SetParent(PanelVollstaendigeTitel);
    grpAktTitel->SetCaption(QStringLiteral("Aktueller Satz"));
    grpAktTitel->SetBounds(8, 0, 560, 244);
    TWinControl* g = grpAktTitel;
    txtShortDesc = Feld(this, g, "txtShortDesc", "&Kurzbeschreibung (max. 100 Zeichen)", 8, 16, 300);
    txtShortDesc->SetMaxLength(100);
    txtOwner = Feld(this, g, "txtOwner", "&Urheber", 316, 16, 120);
    txtSerie = Feld(this, g, "txtSerie", "&Serie", 444, 16, 108);
    chkNotClearShortDesc = Box(this, g, "chkNotClearShortDesc", "behalten", 8, 56, 90);
    chkNotClearOwner = Box(this, g, "chkNotClearOwner", "behalten", 316, 56, 90);
    chkNotClearSerie = Box(this, g, "chkNotClearSerie", "behalten", 444, 56, 90);
    cboQuelle = Auswahl(this, g, "cboQuelle", "Quelle des Bildes", 8, 78, 132);
    cboPlayListe = Auswahl(this, g, "cboPlayListe", "PlayListe", 146, 78, 132);
    cboQualitaet = Auswahl(this, g, "cboQualitaet", "Qualität des Bildes", 284, 78, 132);
    cboMotiv = Auswahl(this, g, "cboMotiv", "Qualität des Motives", 422, 78, 130);
    txtAufnameDatum = Feld(this, g, "txtAufnameDatum", "DateiDatum", 8, 120, 132);
    txtAufnameDatum->SetReadOnly(true);
    txtLabelKennung = Feld(this, g, "txtLabelKennung", "Datenträgerkennung", 146, 120, 132);
    txtLabelKennung->SetReadOnly(true);
    txtVolumeLabel = Feld(this, g, "txtVolumeLabel", "Datenträgerbezeich.", 284, 120, 132);
    cboDatenTyp = Auswahl(this, g, "cboDatenTyp", "Datentyp", 422, 120, 130);
    txtPfad = Feld(this, g, "txtPfad", "Pfad", 8, 162, 544);
    txtPfad->SetReadOnly(true);
    btnScanSichern = DialogKnopf(this, g, "btnScanSichern", bkCustom, "Sichern", {8, 206, 140, 234});
    btnScanSichern->SetDefault(true);
    btnScanIgnore = DialogKnopf(this, g, "btnScanIgnore", bkCustom, "Satz &Ignorieren", {148, 206, 280, 234});
    btnScanSichern->OnClick = [this](TObject* s) { btnScanSichernClick(s); };
    btnScanIgnore->OnClick = [this](TObject* s) { btnScanIgnoreClick(s); };

    ImageWindow2 = new TImageWindow(this);
    ImageWindow2->Name = QStringLiteral("ImageWindow2");
    ImageWindow2->SetParent(PanelVollstaendigeTitel);
    ImageWindow2->SetBounds(576, 8, 176, 176);
    ImageWindow2->SetFitStyle(fsBest);
    ImageWindow2->OnClick = [this](TObject* s) { ImageWindow2Click(s); };
    ImageWindow2->OnLLError = [this](TPicObjBase*, bool& callStd, TPicObjError* fehler) {
        callStd = false;
        NachrichtenDialog(QStringLiteral("Fehlermeldung"),
                          QStringLiteral("Fehler: (") + (fehler ? fehler->GetLLErrorText() : QString()) + QStringLiteral(")"),
                          haupt_.Einstellungen().Zahl(QStringLiteral("RequesterAnzeigeZeit")), 100,
                          haupt_.Einstellungen().Farbe(QStringLiteral("Infofarbe")), clBlack, true);
    };
    PopupMenuVorschauBild = new TPopupMenu(this);
    PopupMenuVorschauBild->Name = QStringLiteral("PopupMenuVorschauBild");
    const char* const drehTexte[4] = {"0° (Originalausrichtung)", "90° rechts", "180° rechts", "270° rechts"};
    for (int i = 0; i < 4; ++i) {
        auto* item = new TMenuItem(this);
        item->Name = QStringLiteral("MenuDrehung%1").arg(i * 90);
        item->SetCaption(QString::fromUtf8(drehTexte[i]));
        item->RadioItem = true;
        item->OnClick = [this, i](TObject*) { VorschauDrehen(i * 90); };
        PopupMenuVorschauBild->Items()->Add(item);
        MenuDrehung[i] = item;
    }
    MenuDrehung[0]->SetChecked(true);
    ImageWindow2->SetPopupMenu(PopupMenuVorschauBild);

    QKFind1 = new TQKFind(this);
    QKFind1->Name = QStringLiteral("QKFind1");
    QKFind1->OnExecute = [this](TObject* s) { QKFind1Execute(s); };
    QKFind1->OnFindFile = [this](TObject* s, const TSearchRec& r, const QString& p, const QString&) {
        QKFind1FindFile(s, r, p);
    };
    QKFind1->OnChange = [this](TObject* s, const QString&, int, int n) { QKFind1Change(s, n); };
    // A picture whose suffix the chosen types do not take (".tiff", ".jfif")
    // is reported, so the user learns why it was not added.
    QKFind1->OnNotFindFile = [this](TObject*, const TSearchRec& r, const QString& p, const QString&) {
        if (!(r.Attr & faDirectory) && PictureFormatFromExtension(r.Name) != 0)
            Ueberspringen(QStringLiteral("Dateityp nicht gewählt"), p + r.Name);
    };
    QKFind1->OnFinished = [this](TObject* s) { QKFind1Finished(s); };

    QKINI_Scan = new TQKINI(this);
    QKINI_Scan->Name = QStringLiteral("QKINI_Scan");
    QKINI_Scan->SetCaption(QStringLiteral("Scan"));
    QKINI_Scan->OnReadINI = [this](TObject* s) { QKINI_ScanReadINI(s); };
    QKINI_Scan->OnWriteINI = [this](TObject* s) { QKINI_ScanWriteINI(s); };

    // Rules of the boxes.
    ComboBoxTrennZeichen->OnChange = [this](TObject* s) { ComboBoxTrennZeichenChange(s); };
    ComboBoxImportSeq->OnChange = [this](TObject* s) { ComboBoxImportSeqChange(s); };
    const auto mausHoch = [](TCheckBox* b, std::function<void()> f) {
        b->OnMouseUp = [f](TObject*, TMouseButton, TShiftState, int, int) { f(); };
    };
    mausHoch(chkAusFilenamenUebernehmen, [this] { chkAusFilenamenUebernehmenMouseUp(); });
    for (TCheckBox* b : {chkFindJPG, chkFindPNG, chkFindBMP, chkFindPCX, chkVorschaubildErzeugen})
        mausHoch(b, [this] { chkFindJPGMouseUp(); });
    for (TCheckBox* b : {chkFindGIF, chkFindTIF})
        mausHoch(b, [this] { chkFindGIFMouseUp(); });
    for (TCheckBox* b : {chkFindGIF2, chkFindTIF2, chkFindPCD, chkFindCMS, chkFindSCM, chkFindWMF, chkFindICO,
                         CheckBoxVorschaubilderAusVerzeichnis, CheckBoxVorschaubilderNachUebernahmeLoeschen})
        mausHoch(b, [this] { chkFindGIF2MouseUp(); });
    mausHoch(chkNurVollstaendigeTitel, [this] { chkNurVollstaendigeTitelMouseUp(); });
    radMDNie->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { radMDNieMouseUp(); };
    EditEigeneSuffix->OnExit = [this](TObject* s) { EditEigeneSuffixExit(s); };
    for (TswSpinEdit* s : {SpinEditMinPixelBreite, SpinEditMinPixelHoehe, SpinEditMaxPixelBreite, SpinEditMaxPixelHoehe})
        s->OnExit = [this](TObject* o) { SpinEditPixelExit(o); };
    for (TCheckBox* b : {chkFindJPG, chkFindBMP, chkFindTIF, chkFindPNG, chkFindPCX, chkFindGIF, chkFindGIF2,
                         chkFindTIF2, chkFindPCD, chkFindCMS, chkFindSCM, chkFindWMF, chkFindICO})
        b->Tag = 12;
}

QString TfrmScanPics::LogDatei() const { return dienste_.ProgrammPfad() + QStringLiteral("AddPics.log"); }

void TfrmScanPics::FormCreate(TObject* Sender)
{
    (void)Sender;
    Suchmaske.clear();
    Gesamt = 0;
    ZaehlOffset = 0;
    CloseAllowed = true;
    LetzteLabelKennung.clear();
    ComboBoxTrennZeichen->SetItemIndex(0);
    ComboBoxImportSeq->SetItemIndex(0);
    Trenner = QLatin1Char(',');
    QKINI_Scan->SetINIFileName(dienste_.Ini().IniPath());
    QKINI_Scan->ReadINI();
    TComboBox* combos[4] = {cboQuelle, cboQualitaet, cboMotiv, cboPlayListe};
    for (int i = 0; i < 4; ++i) {
        combos[i]->Items()->Clear();
        for (const QString& eintrag : haupt_.PickListe(i))
            combos[i]->Items()->Add(eintrag.section(QLatin1Char('\t'), 0, 0));
        combos[i]->SetItemIndex(combos[i]->Items()->Count() > 0 ? 0 : -1);
    }
    SatzPanelFreigeben(false);
}

void TfrmScanPics::FormShow(TObject* Sender)
{
    (void)Sender;
    const TProgrammEinstellungen& e = haupt_.Einstellungen();
    for (TEdit* ed : {EditEigeneSuffix, static_cast<TEdit*>(SpinEditMinDateiGroesse),
                      static_cast<TEdit*>(SpinEditMaxDateiGroesse), static_cast<TEdit*>(SpinEditMinPixelBreite),
                      static_cast<TEdit*>(SpinEditMinPixelHoehe), static_cast<TEdit*>(SpinEditMaxPixelBreite),
                      static_cast<TEdit*>(SpinEditMaxPixelHoehe)})
        ed->SetColor(clBtnFace);
    for (TEdit* ed : {txtShortDesc, txtOwner, txtSerie, txtVolumeLabel})
        ed->SetColor(e.Farbe(QStringLiteral("Pflichtfarbe")));
    for (TComboBox* c : {cboQuelle, cboQualitaet, cboMotiv, cboPlayListe})
        c->SetColor(e.Farbe(QStringLiteral("Kannfarbe")));
    for (TEdit* ed : {txtPfad, txtAufnameDatum, txtLabelKennung})
        ed->SetColor(e.Farbe(QStringLiteral("KannNichtfarbe")));
    cboDatenTyp->SetColor(e.Farbe(QStringLiteral("KannNichtfarbe")));
    const QString logo = dienste_.ProgrammPfad() + QStringLiteral("Logo.jpg");
    if (FileExists(logo))
        ImageWindow2->LoadFromFile(logo, 0, 0);
    PanelExterneFormate->SetVisible(e.Bool(QStringLiteral("SupportExternalPicFormats")));
    ExterneOderInterneFormate();
    PanelVollstaendigeTitelUmschalten();
}

void TfrmScanPics::FormCloseQuery(TObject* Sender, bool& CanClose)
{
    (void)Sender;
    CanClose = CloseAllowed;
}

void TfrmScanPics::FormKeyUp(TObject* Sender, Word& Key, TShiftState Shift)
{
    (void)Shift;
    if (Key == VK_ESCAPE) {
        EscAbbruch = 1;
        // While a run is on, Esc also presses "Abbrechen".
        if (laeuft_)
            btnScanBreakClick(Sender);
    } else if (Key == VK_F1) {
        haupt_.Hilfe(QStringLiteral("Hlp_BilderHinzufuegen"));
    }
}

void TfrmScanPics::btnScanHelpClick(TObject* Sender)
{
    (void)Sender;
    haupt_.Hilfe(QStringLiteral("Hlp_BilderHinzufuegen"));
    dienste_.TonSpielen(50);
}

void TfrmScanPics::btnScanBreakClick(TObject* Sender)
{
    (void)Sender;
    Antwort = QStringLiteral("ABBRUCH");
    PanelVollstaendigeTitelUmschalten();
}

void TfrmScanPics::btnScanSichernClick(TObject* Sender)
{
    (void)Sender;
    Antwort = QStringLiteral("SICHERN");
}

void TfrmScanPics::btnScanIgnoreClick(TObject* Sender)
{
    (void)Sender;
    Antwort = QStringLiteral("IGNORE");
}

void TfrmScanPics::ComboBoxTrennZeichenChange(TObject* Sender)
{
    (void)Sender;
    Trenner = ComboBoxTrennZeichen->ItemIndex() == 1 ? QLatin1Char('-') : QLatin1Char(',');
}

void TfrmScanPics::ComboBoxImportSeqChange(TObject* Sender)
{
    (void)Sender;
    Sequenz = std::max(0, ComboBoxImportSeq->ItemIndex());
}

void TfrmScanPics::chkAusFilenamenUebernehmenMouseUp()
{
    const bool an = chkAusFilenamenUebernehmen->Checked();
    ComboBoxTrennZeichen->SetEnabled(an);
    ComboBoxImportSeq->SetEnabled(an);
}

void TfrmScanPics::chkFindJPGMouseUp()
{
    for (TCheckBox* b : {chkFindGIF2, chkFindTIF2, chkFindPCD, chkFindCMS, chkFindSCM, chkFindWMF, chkFindICO,
                         CheckBoxVorschaubilderAusVerzeichnis, CheckBoxVorschaubilderNachUebernahmeLoeschen})
        b->SetChecked(false);
}

void TfrmScanPics::chkFindGIFMouseUp()
{
    for (TCheckBox* b : {chkFindPCD, chkFindCMS, chkFindSCM, chkFindWMF, chkFindICO})
        b->SetChecked(false);
}

void TfrmScanPics::chkFindGIF2MouseUp()
{
    for (TCheckBox* b : {chkFindJPG, chkFindBMP, chkFindTIF, chkFindPNG, chkFindPCX, chkFindGIF})
        b->SetChecked(false);
    EditEigeneSuffix->Clear();
}

void TfrmScanPics::CheckEigeneSuffix()
{
    if (EditEigeneSuffix->Text().isEmpty())
        return;
    int n = 0;
    for (TCheckBox* b : {chkFindJPG, chkFindPNG, chkFindBMP, chkFindPCX, chkFindGIF, chkFindTIF})
        n += b->Checked() ? 1 : 0;
    if (n > 1) {
        ShowMessage(QStringLiteral("Achtung, Sie können diese Option nur auf einen Bildtyp anwenden !"));
        EditEigeneSuffix->Clear();
    }
}

void TfrmScanPics::EditEigeneSuffixExit(TObject* Sender)
{
    (void)Sender;
    CheckEigeneSuffix();
    if (!EditEigeneSuffix->Text().isEmpty())
        for (TCheckBox* b : {chkFindGIF2, chkFindTIF2, chkFindPCD, chkFindCMS, chkFindSCM, chkFindWMF, chkFindICO})
            b->SetChecked(false);
}

void TfrmScanPics::ExterneOderInterneFormate()
{
    bool intern = !EditEigeneSuffix->Text().isEmpty();
    for (TCheckBox* b : {chkFindJPG, chkFindPNG, chkFindBMP, chkFindPCX, chkFindGIF, chkFindTIF})
        intern = intern || b->Checked();
    if (intern)
        chkFindJPGMouseUp();
}

void TfrmScanPics::PanelVollstaendigeTitelUmschalten()
{
    if (chkNurVollstaendigeTitel->Checked()) {
        SetClientHeight(800);
        PanelVollstaendigeTitel->SetVisible(true);
        radMDNie->SetVisible(false);
        if (radMDNie->Checked())
            radMDFehlendeInformationen->SetChecked(true);
    } else {
        SetClientHeight(550);
        PanelVollstaendigeTitel->SetVisible(false);
        radMDNie->SetVisible(true);
        radMDNie->SetChecked(true);
    }
}

void TfrmScanPics::chkNurVollstaendigeTitelMouseUp() { PanelVollstaendigeTitelUmschalten(); }

void TfrmScanPics::radMDNieMouseUp()
{
    chkNurVollstaendigeTitel->SetChecked(false);
    PanelVollstaendigeTitelUmschalten();
}

void TfrmScanPics::SpinEditPixelExit(TObject* Sender)
{
    // Pixel limits need the pictures measured.
    if (auto* s = dynamic_cast<TswSpinEdit*>(Sender); s && s->Value() > 0)
        haupt_.Einstellungen().SetBool(QStringLiteral("ScanPicHeightAndWidth"), true);
}

void TfrmScanPics::WriteLastFile(const QString& text)
{
    QFile f(*WinToLinux(dienste_.ProgrammPfad() + QStringLiteral("LastPic.log")));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(Win1252EncodeOrThrow(text) + "\r\n");
}

void TfrmScanPics::QKINI_ScanReadINI(TObject* Sender)
{
    (void)Sender;
    TQKINI* i = QKINI_Scan;
    const auto b = [&](TCheckBox* box, const char* key, bool def) {
        box->SetChecked(i->INIReadBool(kSektion, QString::fromLatin1(key), def));
    };
    b(chkFindJPG, "FindJPG", true);
    b(chkFindBMP, "FindBMP", false);
    b(chkFindTIF, "FindTIF", false);
    b(chkFindPNG, "FindPNG", false);
    b(chkFindPCX, "FindPCX", false);
    b(chkFindGIF, "FindGIF", false);
    b(chkFindGIF2, "FindGIF2", false);
    b(chkFindTIF2, "FindTIF2", false);
    b(chkFindPCD, "FindPCD", false);
    b(chkFindCMS, "FindCMS", false);
    b(chkFindSCM, "FindSCM", false);
    b(chkFindWMF, "FindWMF", false);
    b(chkFindICO, "FindICO", false);
    b(CheckBoxDoublettencheck, "Doublettencheck", true);
    b(CheckBoxInclSuDirs, "InclSuDirs", false);
    b(chkAusFilenamenUebernehmen, "AusFilenamenUebernehmen", false);
    b(chkNurVollstaendigeTitel, "NurVollstaendigeTitel", false);
    b(chkVorschaubildErzeugen, "VorschaubildErzeugen", true);
    b(CheckBoxFileCount, "DateienVorherZaehlen", false);
    b(ChkAllDrives, "AllDrives", false);
    b(CheckBoxVorschaubilderAusVerzeichnis, "VorschaubilderAusVerzeichnis", false);
    b(CheckBoxVorschaubilderNachUebernahmeLoeschen, "VorschaubilderNachUebernahmeLoeschen", false);
    // One of the three is chosen; "Nicht mehr fragen" when the file names none.
    if (i->INIReadBool(kSektion, QStringLiteral("ManuelleEingabeImmer"), false))
        radMDImmer->SetChecked(true);
    else if (i->INIReadBool(kSektion, QStringLiteral("ManuelleEingabeNurFehlendeInformationen"), false))
        radMDFehlendeInformationen->SetChecked(true);
    else
        radMDNie->SetChecked(true);
    ComboBoxTrennZeichen->SetItemIndex(std::clamp(i->INIReadInteger(kSektion, QStringLiteral("TrennZeichenIndex"), 0), 0, 1));
    ComboBoxImportSeq->SetItemIndex(std::clamp(i->INIReadInteger(kSektion, QStringLiteral("ImportSequenzIndex"), 0), 0, 9));
    const auto s = [&](TswSpinEdit* spin, const char* key, int def) {
        spin->SetValue(std::max(0, i->INIReadInteger(kSektion, QString::fromLatin1(key), def)));
    };
    s(SpinEditMinDateiGroesse, "MinDateiGroesse", 10);
    s(SpinEditMaxDateiGroesse, "MaxDateiGroesse", 10000);
    s(SpinEditMinPixelBreite, "MinPixelBreite", 100);
    s(SpinEditMinPixelHoehe, "MinPixelHoehe", 100);
    s(SpinEditMaxPixelBreite, "MaxPixelBreite", 3200);
    s(SpinEditMaxPixelHoehe, "MaxPixelHoehe", 3200);
    chkAusFilenamenUebernehmenMouseUp();
    EditEigeneSuffix->SetText(i->INIReadString(kSektion, QStringLiteral("EigeneSuffix"), QString()));
    PanelVollstaendigeTitelUmschalten();
    ComboBoxTrennZeichenChange(nullptr);
    ComboBoxImportSeqChange(nullptr);
}

void TfrmScanPics::QKINI_ScanWriteINI(TObject* Sender)
{
    (void)Sender;
    TQKINI* i = QKINI_Scan;
    const auto b = [&](TCheckBox* box, const char* key) { i->INIWriteBool(kSektion, QString::fromLatin1(key), box->Checked()); };
    b(chkFindJPG, "FindJPG");
    b(chkFindBMP, "FindBMP");
    b(chkFindTIF, "FindTIF");
    b(chkFindPNG, "FindPNG");
    b(chkFindPCX, "FindPCX");
    b(chkFindGIF, "FindGIF");
    b(chkFindGIF2, "FindGIF2");
    b(chkFindTIF2, "FindTIF2");
    b(chkFindPCD, "FindPCD");
    b(chkFindCMS, "FindCMS");
    b(chkFindSCM, "FindSCM");
    b(chkFindWMF, "FindWMF");
    b(chkFindICO, "FindICO");
    b(CheckBoxDoublettencheck, "Doublettencheck");
    b(CheckBoxInclSuDirs, "InclSuDirs");
    b(chkAusFilenamenUebernehmen, "AusFilenamenUebernehmen");
    b(chkNurVollstaendigeTitel, "NurVollstaendigeTitel");
    b(chkVorschaubildErzeugen, "VorschaubildErzeugen");
    b(CheckBoxFileCount, "DateienVorherZaehlen");
    b(ChkAllDrives, "AllDrives");
    b(CheckBoxVorschaubilderAusVerzeichnis, "VorschaubilderAusVerzeichnis");
    b(CheckBoxVorschaubilderNachUebernahmeLoeschen, "VorschaubilderNachUebernahmeLoeschen");
    i->INIWriteBool(kSektion, QStringLiteral("ManuelleEingabeImmer"), radMDImmer->Checked());
    i->INIWriteBool(kSektion, QStringLiteral("ManuelleEingabeNurFehlendeInformationen"), radMDFehlendeInformationen->Checked());
    i->INIWriteBool(kSektion, QStringLiteral("ManuelleEingabeNie"), radMDNie->Checked());
    i->INIWriteInteger(kSektion, QStringLiteral("TrennZeichenIndex"), ComboBoxTrennZeichen->ItemIndex());
    i->INIWriteInteger(kSektion, QStringLiteral("ImportSequenzIndex"), ComboBoxImportSeq->ItemIndex());
    i->INIWriteInteger(kSektion, QStringLiteral("MinDateiGroesse"), SpinEditMinDateiGroesse->Value());
    i->INIWriteInteger(kSektion, QStringLiteral("MaxDateiGroesse"), SpinEditMaxDateiGroesse->Value());
    i->INIWriteInteger(kSektion, QStringLiteral("MinPixelBreite"), SpinEditMinPixelBreite->Value());
    i->INIWriteInteger(kSektion, QStringLiteral("MinPixelHoehe"), SpinEditMinPixelHoehe->Value());
    i->INIWriteInteger(kSektion, QStringLiteral("MaxPixelBreite"), SpinEditMaxPixelBreite->Value());
    i->INIWriteInteger(kSektion, QStringLiteral("MaxPixelHoehe"), SpinEditMaxPixelHoehe->Value());
    i->INIWriteString(kSektion, QStringLiteral("EigeneSuffix"), EditEigeneSuffix->Text());
}

// ---------------------------------------------------------------------------
// The scan log
// ---------------------------------------------------------------------------

void TfrmScanPics::LogOeffnen()
{
    LogSchliessen();
    const std::optional<QString> pfad = WinToLinux(LogDatei());
    log_ = std::make_unique<QFile>(pfad ? *pfad : LogDatei());
    if (!log_->open(QIODevice::WriteOnly | QIODevice::Truncate))
        log_.reset();
}

void TfrmScanPics::LogSchliessen()
{
    if (log_)
        log_->close();
    log_.reset();
}

void TfrmScanPics::Log(const QString& zeile)
{
    // Characters the code page cannot hold become "?" here: the log names
    // the paths that could not be stored.
    QString text;
    for (QChar c : zeile)
        text += Win1252EncodeChar(c.unicode()) ? c : QChar(u'?');
    const QByteArray bytes = Win1252EncodeOrThrow(text) + "\r\n";
    if (log_) {
        log_->write(bytes);
        log_->flush();
        return;
    }
    // A write after the run's log was closed is appended to it.
    const std::optional<QString> pfad = WinToLinux(LogDatei());
    QFile f(pfad ? *pfad : LogDatei());
    if (f.open(QIODevice::WriteOnly | QIODevice::Append))
        f.write(bytes);
}

void TfrmScanPics::Ueberspringen(const QString& grund, const QString& pfad)
{
    Log(QStringLiteral("Übersprungen (") + grund + QStringLiteral("): ") + pfad);
    Zaehlen(grund);
}

void TfrmScanPics::Zaehlen(const QString& grund)
{
    ++uebersprungen_;
    for (auto& [g, n] : gruende_)
        if (g == grund) {
            ++n;
            return;
        }
    gruende_.emplace_back(grund, 1);
}

int TfrmScanPics::UebersprungenWegen(const QString& grund) const
{
    for (const auto& [g, n] : gruende_)
        if (g == grund)
            return n;
    return 0;
}

QString TfrmScanPics::Bilanz() const
{
    QString text = QStringLiteral("\n\nNeu aufgenommen: ") + QString::number(neue_) +
                   QStringLiteral("\nSchon im Fotoalbum: ") + QString::number(alte_) +
                   QStringLiteral("\nÜbersprungen: ") + QString::number(uebersprungen_);
    for (const auto& [grund, n] : gruende_)
        text += QStringLiteral("\n    ") + grund + QStringLiteral(": ") + QString::number(n);
    if (uebersprungen_ > 0)
        text += QStringLiteral("\nDie übersprungenen Dateien stehen in ") + LogDatei() + QLatin1Char('.');
    return text;
}

// ---------------------------------------------------------------------------
// Runs
// ---------------------------------------------------------------------------

void TfrmScanPics::ZaehlerSetzen()
{
    panNeue->SetCaption(QString::number(neue_));
    PanelAlte->SetCaption(QString::number(alte_));
}

void TfrmScanPics::SatzPanelFreigeben(bool an)
{
    for (TControl* c : {static_cast<TControl*>(txtShortDesc), static_cast<TControl*>(txtOwner),
                        static_cast<TControl*>(txtSerie), static_cast<TControl*>(txtVolumeLabel),
                        static_cast<TControl*>(cboQuelle), static_cast<TControl*>(cboPlayListe),
                        static_cast<TControl*>(cboQualitaet), static_cast<TControl*>(cboMotiv),
                        static_cast<TControl*>(chkNotClearShortDesc), static_cast<TControl*>(chkNotClearOwner),
                        static_cast<TControl*>(chkNotClearSerie), static_cast<TControl*>(btnScanIgnore)})
        c->SetEnabled(an);
    if (!an)
        btnScanSichern->SetEnabled(false);
    grpAktTitel->SetEnabled(an);
}

void TfrmScanPics::btnScanStartClick(TObject* Sender)
{
    (void)Sender;
    if (!album_.IstOffen())
        return;
    neue_ = 0;
    alte_ = 0;
    uebersprungen_ = 0;
    gruende_.clear();
    ZaehlOffset = 0;
    // An Esc left over from another window must not stop this run at once.
    EscAbbruch = 0;
    Antwort.clear();
    ZaehlerSetzen();
    if (TDbe* dbe = album_.Bilder().Dbe()) {
        dbe->Query(QString());
        dbe->SetScope(QString(), QString());
    }
    LabelFoundFilename->SetVisible(true);
    txtShortDesc->Clear();
    txtOwner->Clear();
    txtSerie->Clear();
    if (dienste_.Lauf().DropUebergabeLaeuft()) {
        DropListeVerarbeiten();
        return;
    }
    LogOeffnen();
    TScanTypen t;
    t.JPG = chkFindJPG->Checked();
    t.BMP = chkFindBMP->Checked();
    t.TIF = chkFindTIF->Checked();
    t.PNG = chkFindPNG->Checked();
    t.GIF = chkFindGIF->Checked();
    t.PCX = chkFindPCX->Checked();
    t.GIF2 = chkFindGIF2->Checked();
    t.TIF2 = chkFindTIF2->Checked();
    t.PCD = chkFindPCD->Checked();
    t.CMS = chkFindCMS->Checked();
    t.SCM = chkFindSCM->Checked();
    t.WMF = chkFindWMF->Checked();
    t.ICO = chkFindICO->Checked();
    t.EigeneSuffix = EditEigeneSuffix->Text().trimmed();
    Suchmaske = ScanSuchmaske(t);
    if (Suchmaske.isEmpty()) {
        // Nothing was locked yet: the grid stays as the caller locked it.
        ShowMessage(QStringLiteral("Geben Sie mindestens einen Dateityp an, den QV-Lumadex suchen und einlesen soll !"));
        LogSchliessen();
        haupt_.TabelleAktualisieren();
        return;
    }
    QKFind1->SetFilePattern(ScanFinderMaske(Suchmaske));
    QKFind1->Subdirs = CheckBoxInclSuDirs->Checked();
    haupt_.TabelleSperren(true);
    try {
        MehrereLaufwerke = ChkAllDrives->Checked();
        if (MehrereLaufwerke)
            MehrereLaufwerkeSuchen();
        else
            EinOrdner();
    } catch (...) {
        laeuft_ = false;
        CloseAllowed = true;
        LogSchliessen();
        haupt_.TabelleAktualisieren();
        haupt_.TabelleSperren(false);
        throw;
    }
    haupt_.TabelleAktualisieren();
    haupt_.TabelleSperren(false);
}

void TfrmScanPics::EinOrdner()
{
    QString start = QKINI_Scan->INIReadString(kBilder, QStringLiteral("Suchverzeichnis"), QStringLiteral("C:\\"));
    if (!DirectoryExists(start))
        start = QStringLiteral("C:\\");
    QString ordner = start;
    if (!SelectDirectory(QStringLiteral("Verzeichnis auswählen"), QString(), ordner)) {
        LogSchliessen();
        return;
    }
    ordner = OhneBackslash(ordner);
    if (ordner.endsWith(QLatin1Char(':')))
        ordner += QLatin1Char('\\');
    QKINI_Scan->INIWriteString(kBilder, QStringLiteral("Suchverzeichnis"), ordner);
    QKFind1->SetStartPath(ordner);
    LetzteLabelKennung.clear();
    SatzPanelFreigeben(true);
    if (CheckBoxFileCount->Checked()) {
        panFind->SetCaption(QStringLiteral("zähle Bilderdateien"));
        Gesamt = qktCountFiles(ordner, ScanFinderMaske(Suchmaske), QKFind1->Subdirs, 0, 0);
    }
    QKFind1->Execute();
}

void TfrmScanPics::MehrereLaufwerkeSuchen()
{
    auto auswahl = std::make_unique<TSearchMissedFilesForm>(this, dienste_.Ini().IniPath());
    if (auswahl->ShowModal() != mrOk)
        EscAbbruch = 1;
    if (EscAbbruch) {
        EscAbbruch = 0;
        ShowMessage(QStringLiteral("Vorgang abgebrochen !"));
        LogSchliessen();
        return;
    }
    const TStringList pfade = auswahl->StartPfade;
    auswahl.reset();
    const QString caption = Caption();
    if (CheckBoxFileCount->Checked()) {
        panFind->SetCaption(QStringLiteral("zähle Bilderdateien"));
        Gesamt = 0;
        for (int i = 0; i < pfade.Count(); ++i)
            Gesamt += qktCountFiles(pfade[i], ScanFinderMaske(Suchmaske), QKFind1->Subdirs, 0, 0);
    }
    for (int i = 0; i < pfade.Count(); ++i) {
        QString ordner = OhneBackslash(pfade[i]);
        if (ordner.endsWith(QLatin1Char(':')))
            ordner += QLatin1Char('\\');
        QKINI_Scan->INIWriteString(kBilder, QStringLiteral("Suchverzeichnis"), ordner);
        SetCaption(QStringLiteral("Durchsuche aktuell ") + ordner);
        QKFind1->SetStartPath(ordner);
        LetzteLabelKennung.clear();
        SatzPanelFreigeben(true);
        QKFind1->Execute();
        QKINI_Scan->INIWriteString(kBilder, QStringLiteral("Suchverzeichnis"), ordner);
    }
    ShowMessage(QStringLiteral("Scanvorgang auf allen angegebenen Laufwerken abgeschlossen!") + Bilanz());
    panFind->SetCaption(QStringLiteral("Einlesen abgeschlossen"));
    SetCaption(caption);
    LogSchliessen();
}

void TfrmScanPics::QKFind1Execute(TObject* Sender)
{
    (void)Sender;
    laeuft_ = true;
    SatzPanelFreigeben(true);
    btnScanStart->SetEnabled(false);
    btnClose->SetEnabled(false);
    btnScanSichern->SetEnabled(false);
    btnScanBreak->SetEnabled(true);
    btnScanIgnore->SetEnabled(true);
    CloseAllowed = false;
}

void TfrmScanPics::QKFind1FindFile(TObject* Sender, const TSearchRec& FileRec, const QString& Path)
{
    (void)Sender;
    if (EscAbbruch) {
        EscAbbruch = 0;
        QKFind1->BreakScan();
    }
    LabelFoundFilename->SetCaption(Path + FileRec.Name);
    if (FileRec.Attr & faDirectory)
        return;
    const int64_t groesse = std::max<int64_t>(0, FileRec.Size);
    const int64_t minimum = SpinEditMinDateiGroesse->Value();
    const int64_t maximum = SpinEditMaxDateiGroesse->Value();
    if ((minimum > 0 && minimum * 1024 > groesse) || (maximum > 0 && maximum * 1024 < groesse)) {
        Ueberspringen(QStringLiteral("Dateigröße außerhalb der Grenzen"), Path + FileRec.Name);
        return;
    }
    DateiGroesse = groesse;
    panFind->Repaint();
    Application->ProcessMessages();
    // The path keeps its real case; the short name is made from the
    // upper-cased text, so any case gives the same short name.
    AddFile(Path, FileRec.Name);
}

// The search numbers every file of the mask, before the size window; the
// total is counted the same way, so the count ends at the total.
void TfrmScanPics::QKFind1Change(TObject* Sender, int FileCount)
{
    (void)Sender;
    int zahl = FileCount;
    if (MehrereLaufwerke) {
        if (FileCount == 1)
            ZaehlOffset = alte_ + neue_;
        zahl = ZaehlOffset + FileCount;
    }
    panFind->SetCaption(CheckBoxFileCount->Checked() ? QString::number(zahl) + QLatin1Char('/') + QString::number(Gesamt)
                                                     : QString::number(zahl));
    panFind->Repaint();
}

void TfrmScanPics::LaufEnde()
{
    SatzPanelFreigeben(false);
    btnScanBreak->SetEnabled(false);
    btnScanIgnore->SetEnabled(false);
    btnScanStart->SetEnabled(true);
    btnClose->SetEnabled(true);
    haupt_.BilderSatzAnzahlZeigen();
}

void TfrmScanPics::QKFind1Finished(TObject* Sender)
{
    (void)Sender;
    if (!MehrereLaufwerke)
        panFind->SetCaption(QStringLiteral("Einlesen abgeschlossen"));
    LaufEnde();
    if (!MehrereLaufwerke)
        LogSchliessen();
    PanelVollstaendigeTitelUmschalten();
    haupt_.VorschaubilderNeuLaden();
    if (!MehrereLaufwerke)
        ShowMessage(QStringLiteral("Scanvorgang auf angegebenen Laufwerk abgeschlossen!") + Bilanz());
    laeuft_ = false;
    CloseAllowed = true;
}

void TfrmScanPics::DropListeVerarbeiten()
{
    LogOeffnen();
    neue_ = 0;
    ZaehlerSetzen();
    laeuft_ = true;
    CloseAllowed = false;
    SatzPanelFreigeben(true);
    btnScanBreak->SetEnabled(true);
    btnScanIgnore->SetEnabled(true);
    btnScanStart->SetEnabled(false);
    btnClose->SetEnabled(false);
    btnScanSichern->SetEnabled(false);
    haupt_.TabelleSperren(true);
    QKFind1->SetStartPath(QKINI_Scan->INIReadString(kBilder, QStringLiteral("DestPfad"), QStringLiteral("C:\\")));
    LetzteLabelKennung.clear();
    // A copy: a drop on the window while the run lets events through
    // replaces the list.
    const TStringList liste = dienste_.Lauf().DropListe();
    try {
        for (int i = 0; i < liste.Count(); ++i) {
            const QString& datei = liste[i];
            if (Antwort == QLatin1String("ABBRUCH"))
                break;
            const QString suffix = GrossMitUmlauten(DateiSuffix(datei));
            static const QStringList kErlaubt = {"JPG", "BMP", "PCX", "PNG", "TIF", "GIF"};
            if (!kErlaubt.contains(suffix))
                continue;
            DateiGroesse = std::max<int64_t>(0, qktFileSize(datei));
            AddFile(PfadVonDatei(datei, true), DateiNameVonPfad(datei));
        }
    } catch (...) {
        laeuft_ = false;
        CloseAllowed = true;
        dienste_.Lauf().DropListeLeeren();
        LogSchliessen();
        haupt_.TabelleAktualisieren();
        haupt_.TabelleSperren(false);
        throw;
    }
    panFind->SetCaption(QStringLiteral("Einlesen abgeschlossen"));
    LaufEnde();
    PanelVollstaendigeTitelUmschalten();
    haupt_.VorschaubilderNeuLaden();
    dienste_.Lauf().DropListeLeeren();
    LogSchliessen();
    haupt_.TabelleAktualisieren();
    haupt_.TabelleSperren(false);
    laeuft_ = false;
    CloseAllowed = true;
    ModalResult = mrOk;
}
