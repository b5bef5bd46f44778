#include "dialogs/bilder_kopieren.h"

#include "album/arbeitsbereich.h"
#include "album/offenes_album.h"
#include "album/programm_dienste.h"
#include "controls/directory_chooser.h"
#include "datagrid/dk_table.h"
#include "dialogs/album_dialog_host.h"
#include "dialogs/album_dialog_parts.h"
#include "dialogs/form_parts.h"
#include "platform/core/exceptions.h"
#include "platform/core/file_utils.h"
#include "platform/core/win1252.h"
#include "platform/core/win_path.h"
#include "platform/data/dataset.h"
#include "platform/ui/buttons.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/std_ctrls.h"
#include "shared/general_dates.h"
#include "shared/general_files.h"
#include "shared/picture_files.h"
#include "shared/qk_gauge.h"
#include "shared/qk_ini.h"
#include "shared/status4_form.h"
#include "shared/utility_files.h"
#include "storage/tdbe.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryFile>

#include <memory>
#include <vector>

TKopierClashStatus KopierClash;

namespace {

const QString kSektion = QStringLiteral("Einstellungen KopierDialog");
const QString kClashSektion = QStringLiteral("Einstellungen GleichnamigesBildDialog");
const QString kPfad = QStringLiteral("PFAD");

TLabel* Beschriftung(TComponent* owner, TWinControl* parent, const char* name, const QString& text, int x, int y, int w = 0)
{
    TLabel* l = DialogText(owner, parent, QString::fromLatin1(name), text, x, y);
    if (w > 0) {
        l->SetAutoSize(false);
        l->SetWidth(w);
    }
    return l;
}

QString Linux(const QString& win)
{
    return WinToLinux(win).value_or(QString());
}

// True for the root of the file system ("C:\" and its other spellings).
bool IstSystemWurzel(const QString& ordner)
{
    const std::optional<QString> linux = WinToLinux(IncludeTrailingBackslash(ordner));
    return linux && QDir::cleanPath(*linux) == QLatin1String("/");
}

// True when a file can be made in the folder: tried with a file of its own,
// since permission bits do not tell for a read-only file system, nor for
// the administrator.
bool OrdnerBeschreibbar(const QString& ordner)
{
    const QString linux = Linux(ordner);
    if (linux.isEmpty())
        return false;
    QTemporaryFile probe(QDir(linux).filePath(QStringLiteral(".lumadex-XXXXXX")));
    return probe.open();
}

// The new name of a clashing destination: name + "_" + the next free number
// + suffix, the number counted over the names "name_*" in the folder (rule
// A), or over those with exactly one "_" (rule B).
QString Umbenannt(const QString& ziel, bool nurEinUnterstrich)
{
    const QString ordner = ExtractFilePath(ziel);
    const QString datei = ExtractFileName(ziel);
    const int punkt = datei.indexOf(u'.');
    const QString name = punkt < 0 ? datei : datei.left(punkt);
    const QString suffix = punkt < 0 ? QString() : datei.mid(punkt + 1);
    const QString maske = ordner + name + QStringLiteral("_*");
    const QString nummer =
        nurEinUnterstrich ? NaechsteFreieNummerEinUnterstrich(maske) : NaechsteFreieNummerUnterstrich(maske);
    QString neu = ordner + name + u'_' + nummer + (suffix.isEmpty() ? QString() : u'.' + suffix);
    // The number comes from the names that carry one; a name taken all the
    // same (another pattern) is counted past.
    for (int n = nummer.toInt() + 1; FileExists(neu); ++n)
        neu = ordner + name + u'_' + QString::number(n) + (suffix.isEmpty() ? QString() : u'.' + suffix);
    return neu;
}

// Whether the picture already lies in the target folder, however the two
// folders are written.
bool ImZielOrdner(const QString& quelle, const QString& zielOrdner)
{
    const QString ordner = ExtractFilePath(quelle);
    return ordner.compare(zielOrdner, Qt::CaseInsensitive) == 0 || GleicheDatei(ordner, zielOrdner);
}

}  // namespace

// ---- the clash dialog --------------------------------------------------------------

TGleichnamigesBildForm::TGleichnamigesBildForm(TComponent* AOwner, const QString& iniDatei) : TForm(AOwner)
{
    Name = QStringLiteral("GleichnamigesBildForm");
    SetCaption(QStringLiteral("Gleichnamiges Bild gefunden"));
    SetBorderStyle(bsDialog);
    Position = poScreenCenter;
    SetClientWidth(560);
    SetClientHeight(330);

    LabelFrage1 = Beschriftung(this, this, "LabelFrage1", QStringLiteral("Möchten Sie diese Bilddatei"), 10, 8);
    LabelFileNameVorhanden = Beschriftung(this, this, "LabelFileNameVorhanden", QString(), 10, 28, 260);
    LabelFileDatumVorhanden = Beschriftung(this, this, "LabelFileDatumVorhanden", QString(), 10, 46, 260);
    LabelFileGroesseVorhanden = Beschriftung(this, this, "LabelFileGroesseVorhanden", QString(), 10, 64, 260);
    ImageWindowVorhanden = DialogBild(this, this, "ImageWindowVorhanden", TRect(10, 86, 260, 226));
    LabelFrage2 = Beschriftung(this, this, "LabelFrage2", QStringLiteral("durch"), 268, 140);
    LabelFileNameNeu = Beschriftung(this, this, "LabelFileNameNeu", QString(), 300, 28, 250);
    LabelFileDatumNeu = Beschriftung(this, this, "LabelFileDatumNeu", QString(), 300, 46, 250);
    LabelFileGroesseNeu = Beschriftung(this, this, "LabelFileGroesseNeu", QString(), 300, 64, 250);
    ImageWindowNeu = DialogBild(this, this, "ImageWindowNeu", TRect(300, 86, 550, 226));
    LabelFrage3 = Beschriftung(this, this, "LabelFrage3", QStringLiteral("diese Bilddatei ersetzen ?"), 300, 8);

    CheckBoxAutomatischRenamen = new TCheckBox(this);
    CheckBoxAutomatischRenamen->Name = QStringLiteral("CheckBoxAutomatischRenamen");
    CheckBoxAutomatischRenamen->SetParent(this);
    CheckBoxAutomatischRenamen->SetBounds(10, 236, 300, 20);
    CheckBoxAutomatischRenamen->SetCaption(QStringLiteral("Automatisch umbennen"));
    CheckBoxGiltFuerAlle = new TCheckBox(this);
    CheckBoxGiltFuerAlle->Name = QStringLiteral("CheckBoxGiltFuerAlle");
    CheckBoxGiltFuerAlle->SetParent(this);
    CheckBoxGiltFuerAlle->SetBounds(10, 258, 540, 20);
    CheckBoxGiltFuerAlle->SetCaption(QStringLiteral("Antwort gilt auch für alle nachfolgenden Bilderdateien"));

    BitBtn1 = DialogKnopf(this, this, QStringLiteral("BitBtn1"), bkHelp, QString(), TRect(10, 290, 110, 318));
    BitBtnJa = DialogKnopf(this, this, QStringLiteral("BitBtnJa"), bkYes, QString(), TRect(190, 290, 290, 318));
    BitBtnNein = DialogKnopf(this, this, QStringLiteral("BitBtnNein"), bkNo, QString(), TRect(300, 290, 400, 318));
    BitBtnAbbruch =
        DialogKnopf(this, this, QStringLiteral("BitBtnAbbruch"), bkAbort, QString(), TRect(410, 290, 510, 318));
    BitBtnJa->ModalResult = mrYes;
    BitBtnNein->ModalResult = mrNo;
    BitBtnAbbruch->ModalResult = mrAbort;

    QKINI1 = new TQKINI(this);
    QKINI1->Name = QStringLiteral("QKINI1");
    QKINI1->OnReadINI = [this](TObject* s) { QKINI1ReadINI(s); };
    QKINI1->OnWriteINI = [this](TObject* s) { QKINI1WriteINI(s); };
    BitBtn1->OnClick = [this](TObject* s) { BitBtn1Click(s); };
    OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
    Loaded();
    QKINI1->SetINIFileName(iniDatei);
    QKINI1->ReadINI();
}

TGleichnamigesBildForm::~TGleichnamigesBildForm() = default;

void TGleichnamigesBildForm::Fuellen(const QString& vorhanden, const QString& neu)
{
    auto zeile = [](const QString& datei, TLabel* name, TLabel* datum, TLabel* groesse, TImage* bild) {
        const QFileInfo info(Linux(datei));
        name->SetCaption(ExtractFileName(datei));
        datum->SetCaption(info.lastModified().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")));
        groesse->SetCaption(QString::number(info.size()) + QStringLiteral(" Bytes"));
        BildInFenster(bild, datei);
    };
    zeile(vorhanden, LabelFileNameVorhanden, LabelFileDatumVorhanden, LabelFileGroesseVorhanden, ImageWindowVorhanden);
    zeile(neu, LabelFileNameNeu, LabelFileDatumNeu, LabelFileGroesseNeu, ImageWindowNeu);
}

void TGleichnamigesBildForm::QKINI1ReadINI(TObject*)
{
    CheckBoxAutomatischRenamen->SetChecked(QKINI1->INIReadBool(kClashSektion, QStringLiteral("AutomatischRenamen"), false));
    CheckBoxGiltFuerAlle->SetChecked(QKINI1->INIReadBool(kClashSektion, QStringLiteral("GiltFuerAlle"), false));
    KopierClash.AutoRename = CheckBoxAutomatischRenamen->Checked();
    KopierClash.FuerAlle = CheckBoxGiltFuerAlle->Checked();
}

void TGleichnamigesBildForm::QKINI1WriteINI(TObject*)
{
    QKINI1->INIWriteBool(kClashSektion, QStringLiteral("AutomatischRenamen"), CheckBoxAutomatischRenamen->Checked());
    QKINI1->INIWriteBool(kClashSektion, QStringLiteral("GiltFuerAlle"), CheckBoxGiltFuerAlle->Checked());
}

void TGleichnamigesBildForm::FormClose(TObject*, TCloseAction&)
{
    QKINI1->WriteINI();
    KopierClash.AutoRename = CheckBoxAutomatischRenamen->Checked();
    KopierClash.FuerAlle = CheckBoxGiltFuerAlle->Checked();
}

void TGleichnamigesBildForm::BitBtn1Click(TObject*)
{
    if (Hilfe)
        Hilfe(QStringLiteral("Hlp_GleichNamigesBild"));
}

// ---- the copy dialog ---------------------------------------------------------------

TBilderKopierenForm::TBilderKopierenForm(TComponent* AOwner, TAlbumDialogHauptfenster& hauptfenster,
                                         TOffenesAlbum& album, TProgrammDienste& dienste)
    : TForm(AOwner), haupt_(hauptfenster), album_(album), dienste_(dienste)
{
    Name = QStringLiteral("BilderKopierenForm");
    SetCaption(QStringLiteral("Bilder Kopieren/Verschieben"));
    SetBorderStyle(bsDialog);
    Position = poScreenCenter;
    KeyPreview = true;
    SetClientWidth(700);
    SetClientHeight(420);

    PanelMain = DialogControl<TPanel>(this, this, "PanelMain", 0, 0, 700, 420);
    PanelMain->SetCaption(QString());

    GroupBoxOptionen =
        DialogGruppe(this, PanelMain, "GroupBoxOptionen", QStringLiteral("Optionen"), TRect(8, 4, 392, 300));
    GroupBoxWelcheKopierenVerschieben = DialogGruppe(this, GroupBoxOptionen, "GroupBoxWelcheKopierenVerschieben",
                                                     QStringLiteral("Welche kopieren"), TRect(8, 20, 376, 88));
    RadioButtonNurSelektiertenSatzKopierenVerschieben =
        DialogRadio(this, GroupBoxWelcheKopierenVerschieben, "RadioButtonNurSelektiertenSatzKopierenVerschieben",
                    QStringLiteral("Nur ausgewähltes Bild/ ausgewählten Eintrag kopieren"), 18, 355);
    RadioButtonAlleSaetzeKopierenVerschieben =
        DialogRadio(this, GroupBoxWelcheKopierenVerschieben, "RadioButtonAlleSaetzeKopierenVerschieben",
                    QStringLiteral("Alle angezeigten Bilder/ Einträge kopieren"), 42, 355);
    RadioButtonNurSelektiertenSatzKopierenVerschieben->SetChecked(true);

    GroupBoxWieKopierenVerschieben = DialogGruppe(this, GroupBoxOptionen, "GroupBoxWieKopierenVerschieben",
                                                  QStringLiteral("Sicherheitsabfragen"), TRect(8, 92, 376, 160));
    RadioButtonKopieren = DialogRadio(this, GroupBoxWieKopierenVerschieben, "RadioButtonKopieren",
                                      QStringLiteral("Bilder/Einträge kopieren"), 18, 355);
    RadioButtonVerschieben = DialogRadio(this, GroupBoxWieKopierenVerschieben, "RadioButtonVerschieben",
                                         QStringLiteral("Bilder/Einträge verschieben"), 42, 355);
    RadioButtonKopieren->SetChecked(true);

    GroupBoxWasKopierenVerschieben = DialogGruppe(this, GroupBoxOptionen, "GroupBoxWasKopierenVerschieben",
                                                  QStringLiteral("Was kopieren"), TRect(8, 164, 376, 256));
    RadioButtonNurBilderKopieren = DialogRadio(this, GroupBoxWasKopierenVerschieben, "RadioButtonNurBilderKopieren",
                                               QStringLiteral("Nur Bilder kopieren"), 18, 355);
    RadioButtonNurDatensaetzeKopieren =
        DialogRadio(this, GroupBoxWasKopierenVerschieben, "RadioButtonNurDatensaetzeKopieren",
                    QStringLiteral("Nur Einträge kopieren"), 42, 355);
    RadioButtonBilderUndDatensaetzeKopieren =
        DialogRadio(this, GroupBoxWasKopierenVerschieben, "RadioButtonBilderUndDatensaetzeKopieren",
                    QStringLiteral("Bilder und Einträge kopieren"), 66, 355);
    RadioButtonNurBilderKopieren->SetChecked(true);

    CheckBoxJedesBildVorKopierenVerschiebenAnzeigen = new TCheckBox(this);
    CheckBoxJedesBildVorKopierenVerschiebenAnzeigen->Name =
        QStringLiteral("CheckBoxJedesBildVorKopierenVerschiebenAnzeigen");
    CheckBoxJedesBildVorKopierenVerschiebenAnzeigen->SetParent(GroupBoxOptionen);
    CheckBoxJedesBildVorKopierenVerschiebenAnzeigen->SetBounds(18, 264, 350, 20);
    CheckBoxJedesBildVorKopierenVerschiebenAnzeigen->SetCaption(QStringLiteral("Jedes Bild vorher anzeigen"));
    CheckBoxJedesBildVorKopierenVerschiebenAnzeigen->SetChecked(true);
    CheckBoxJedesBildVorKopierenVerschiebenAnzeigen->Tag = 12;

    GroupBoxZielverzeichnis = DialogGruppe(this, PanelMain, "GroupBoxZielverzeichnis",
                                           QStringLiteral("Zielverzeichnis"), TRect(400, 4, 692, 300));
    DriveComboBoxBilderKopierenZielLaufwerk = new TDriveComboBox(this);
    DriveComboBoxBilderKopierenZielLaufwerk->Name = QStringLiteral("DriveComboBoxBilderKopierenZielLaufwerk");
    DriveComboBoxBilderKopierenZielLaufwerk->SetParent(GroupBoxZielverzeichnis);
    DriveComboBoxBilderKopierenZielLaufwerk->SetBounds(10, 20, 272, 22);
    DirectoryListBoxBilderKopierenZielVerzeichnis = new TDirectoryListBox(this);
    DirectoryListBoxBilderKopierenZielVerzeichnis->Name = QStringLiteral("DirectoryListBoxBilderKopierenZielVerzeichnis");
    DirectoryListBoxBilderKopierenZielVerzeichnis->SetParent(GroupBoxZielverzeichnis);
    DirectoryListBoxBilderKopierenZielVerzeichnis->SetBounds(10, 46, 272, 120);
    DriveComboBoxBilderKopierenZielLaufwerk->DirList = DirectoryListBoxBilderKopierenZielVerzeichnis;
    EditZielDir = new TEdit(this);
    EditZielDir->Name = QStringLiteral("EditZielDir");
    EditZielDir->SetParent(GroupBoxZielverzeichnis);
    EditZielDir->SetBounds(10, 170, 272, 22);

    PanelZielDBF = new TPanel(this);
    PanelZielDBF->Name = QStringLiteral("PanelZielDBF");
    PanelZielDBF->SetParent(GroupBoxZielverzeichnis);
    PanelZielDBF->SetBounds(10, 198, 272, 94);
    PanelZielDBF->SetCaption(QString());
    LabelZielDBF = Beschriftung(this, PanelZielDBF, "LabelZielDBF", QStringLiteral("Dateiname des Ziel-Fotoalbums"), 6, 4);
    EditZielDBFName = new TEdit(this);
    EditZielDBFName->Name = QStringLiteral("EditZielDBFName");
    EditZielDBFName->SetParent(PanelZielDBF);
    EditZielDBFName->SetBounds(6, 26, 120, 22);
    EditZielDBFName->SetText(QStringLiteral("*.DBF"));
    FileListBox1 = new TListBox(this);
    FileListBox1->Name = QStringLiteral("FileListBox1");
    FileListBox1->SetParent(PanelZielDBF);
    FileListBox1->SetBounds(132, 24, 134, 66);

    BitBtnKopierenVerschieben = DialogKnopf(this, PanelMain, QStringLiteral("BitBtnKopierenVerschieben"), bkOK,
                                            QStringLiteral("Kopieren"), TRect(8, 376, 148, 408));
    BitBtnKopierenVerschieben->ModalResult = mrNone;
    BitBtnKopierenVerschieben->SetDefault(true);
    BitBtnClose =
        DialogKnopf(this, PanelMain, QStringLiteral("BitBtnClose"), bkClose, QString(), TRect(160, 376, 300, 408));
    BitBtnHelp =
        DialogKnopf(this, PanelMain, QStringLiteral("BitBtnHelp"), bkHelp, QString(), TRect(312, 376, 452, 408));
    ImageWindow3 = DialogBild(this, PanelMain, "ImageWindow3", TRect(560, 306, 692, 414));
    ImageWindow3->SetHint(QStringLiteral("Klick: Vollbildanzeige"));

    QKINI1 = new TQKINI(this);
    QKINI1->Name = QStringLiteral("QKINI1");

    auto freigeben = [this] { BitBtnKopierenVerschieben->SetEnabled(true); };
    auto mausHoch = [](std::function<void()> fn) {
        return [fn](TObject*, TMouseButton, TShiftState, int, int) { fn(); };
    };
    RadioButtonKopieren->OnMouseUp = mausHoch([this, freigeben] {
        if (RadioButtonKopieren->Checked())
            SetzeCaptions(1);
        freigeben();
    });
    RadioButtonVerschieben->OnMouseUp = mausHoch([this, freigeben] {
        if (RadioButtonVerschieben->Checked())
            SetzeCaptions(2);
        freigeben();
    });
    for (TRadioButton* r : {RadioButtonNurBilderKopieren, RadioButtonNurDatensaetzeKopieren,
                            RadioButtonBilderUndDatensaetzeKopieren})
        r->OnMouseUp = mausHoch([this] { WasGeaendert(); });
    for (TRadioButton* r : {RadioButtonNurSelektiertenSatzKopierenVerschieben, RadioButtonAlleSaetzeKopierenVerschieben})
        r->OnMouseUp = mausHoch(freigeben);
    DriveComboBoxBilderKopierenZielLaufwerk->OnChange = [freigeben](TObject*) { freigeben(); };
    FileListBox1->OnClick = [this, freigeben](TObject*) {
        if (FileListBox1->ItemIndex() >= 0)
            EditZielDBFName->SetText(FileListBox1->Items()->Strings(FileListBox1->ItemIndex()));
        freigeben();
    };
    DirectoryListBoxBilderKopierenZielVerzeichnis->OnChange = [this](TObject* s) {
        DirectoryListBoxBilderKopierenZielVerzeichnisChange(s);
    };
    EditZielDBFName->OnExit = [this](TObject* s) { EditZielDBFNameExit(s); };
    BitBtnKopierenVerschieben->OnClick = [this](TObject* s) { BitBtnKopierenVerschiebenClick(s); };
    BitBtnClose->OnClick = [this](TObject* s) { BitBtnCloseClick(s); };
    BitBtnHelp->OnClick = [this](TObject* s) { BitBtnHelpClick(s); };
    ImageWindow3->OnClick = [this](TObject* s) { ImageWindow3Click(s); };
    PanelMain->OnDblClick = [this](TObject* s) { PanelMainDblClick(s); };
    OnKeyUp = [this](TObject* s, Word& k, TShiftState sh) { FormKeyUp(s, k, sh); };
    OnShow = [this](TObject* s) { FormShow(s); };
    OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
    QKINI1->OnReadINI = [this](TObject* s) { QKINI1ReadINI(s); };
    QKINI1->OnWriteINI = [this](TObject* s) { QKINI1WriteINI(s); };

    // The service reads the copy back: only a whole, equal copy in another
    // file counts, and a failed one leaves no partial target.
    DateiKopieren = [](const QString& quelle, const QString& ziel, bool) {
        const TDateiErgebnis kopie = BildKopieren(quelle, ziel, true);
        if (!kopie)
            throw Exception(kopie.Grund);
        return true;
    };
    Loaded();

    // FormCreate
    QKINI1->SetINIFileName(dienste_.Ini().INIFileName());
    QKINI1->ReadINI();
    ZeigeVorschauBildAusBlob();
}

TBilderKopierenForm::~TBilderKopierenForm() = default;

bool TBilderKopierenForm::EintraegeMit() const
{
    return RadioButtonNurDatensaetzeKopieren->Checked() || RadioButtonBilderUndDatensaetzeKopieren->Checked();
}

bool TBilderKopierenForm::BilderMit() const
{
    return RadioButtonNurBilderKopieren->Checked() || RadioButtonBilderUndDatensaetzeKopieren->Checked();
}

void TBilderKopierenForm::QKINI1ReadINI(TObject*)
{
    auto lies = [this](const char* key, bool def) { return QKINI1->INIReadBool(kSektion, QString::fromLatin1(key), def); };
    if (lies("AlleSaetzeKopierenVerschieben", false) || !lies("NurSelektiertenSatzKopierenVerschieben", true))
        RadioButtonAlleSaetzeKopierenVerschieben->SetChecked(true);
    else
        RadioButtonNurSelektiertenSatzKopierenVerschieben->SetChecked(true);
    if (lies("BilderUndDatensaetzeKopieren", false))
        RadioButtonBilderUndDatensaetzeKopieren->SetChecked(true);
    else if (lies("NurDatensaetzeKopieren", false))
        RadioButtonNurDatensaetzeKopieren->SetChecked(true);
    else
        RadioButtonNurBilderKopieren->SetChecked(true);
    CheckBoxJedesBildVorKopierenVerschiebenAnzeigen->SetChecked(lies("JedesBildVorKopierenVerschiebenAnzeigen", true));
    QString laufwerk = QKINI1->INIReadString(kSektion, QStringLiteral("DriveComboBoxBilderKopierenZielLaufwerk"),
                                             QStringLiteral("C"))
                           .left(1)
                           .toUpper();
    if (laufwerk.isEmpty() || LaufwerksTyp(laufwerk + QStringLiteral(":\\")) == QLatin1String("UNKNOWN") ||
        !LaufwerkVorhanden(laufwerk.at(0)))
        laufwerk = QStringLiteral("C");
    DriveComboBoxBilderKopierenZielLaufwerk->SetDrive(laufwerk.at(0));
    QString ordner = QKINI1->INIReadString(kSektion, QStringLiteral("DirectoryListBoxBilderKopierenZielVerzeichnis"),
                                           QStringLiteral("\\"));
    if (ordner.startsWith(u'\\'))
        ordner = laufwerk + u':' + ordner;
    // The root of the file system is never where a copy starts (the stored
    // default "C:\" is that root): without a folder of the user's choice
    // the target is the open album's folder, where the albums live, else
    // the user's own folder.
    if (IstSystemWurzel(ordner) || !DirectoryListBoxBilderKopierenZielVerzeichnis->SetDirectory(
                                       ExcludeTrailingBackslash(ordner))) {
        QString start = album_.Bilder().Ordner();
        if (start.isEmpty() || !DirectoryExists(start))
            start = LinuxToWinOrSelf(QDir::homePath());
        DriveComboBoxBilderKopierenZielLaufwerk->SetDrive(start.at(0).toUpper());
        DirectoryListBoxBilderKopierenZielVerzeichnis->SetDirectory(ExcludeTrailingBackslash(start));
    }
    EditZielDir->SetText(DirectoryListBoxBilderKopierenZielVerzeichnis->Directory());
    ZielDateienZeigen();
    PanelZielDBF->SetVisible(!RadioButtonNurBilderKopieren->Checked());
}

void TBilderKopierenForm::QKINI1WriteINI(TObject*)
{
    auto schreib = [this](const char* key, bool v) { QKINI1->INIWriteBool(kSektion, QString::fromLatin1(key), v); };
    schreib("NurSelektiertenSatzKopierenVerschieben", RadioButtonNurSelektiertenSatzKopierenVerschieben->Checked());
    schreib("AlleSaetzeKopierenVerschieben", RadioButtonAlleSaetzeKopierenVerschieben->Checked());
    schreib("NurBilderKopieren", RadioButtonNurBilderKopieren->Checked());
    schreib("NurDatensaetzeKopieren", RadioButtonNurDatensaetzeKopieren->Checked());
    schreib("BilderUndDatensaetzeKopieren", RadioButtonBilderUndDatensaetzeKopieren->Checked());
    schreib("JedesBildVorKopierenVerschiebenAnzeigen", CheckBoxJedesBildVorKopierenVerschiebenAnzeigen->Checked());
    const QString ordner = DirectoryListBoxBilderKopierenZielVerzeichnis->Directory();
    QKINI1->INIWriteString(kSektion, QStringLiteral("DriveComboBoxBilderKopierenZielLaufwerk"), ordner.left(1));
    QKINI1->INIWriteString(kSektion, QStringLiteral("DirectoryListBoxBilderKopierenZielVerzeichnis"),
                           ordner.size() > 2 ? ordner.mid(2) : QStringLiteral("\\"));
}

void TBilderKopierenForm::FormShow(TObject*)
{
    EditZielDir->SetText(DirectoryListBoxBilderKopierenZielVerzeichnis->Directory());
}

void TBilderKopierenForm::FormClose(TObject*, TCloseAction&)
{
    dienste_.TonSpielen(20);
    QKINI1->WriteINI();
    haupt_.VorschauBildZeigen();
    haupt_.AnsichtenZeigen(true);
}

void TBilderKopierenForm::BitBtnCloseClick(TObject*)
{
    haupt_.AnsichtenZeigen(true);
    Close();
}

void TBilderKopierenForm::BitBtnHelpClick(TObject*)
{
    dienste_.TonSpielen(50);
    haupt_.Hilfe(QStringLiteral("Hlp_BilderKopieren"));
}

void TBilderKopierenForm::SetzeCaptions(int modus)
{
    const bool k = modus != 2;
    const QString wort = k ? QStringLiteral("kopieren") : QStringLiteral("verschieben");
    GroupBoxWelcheKopierenVerschieben->SetCaption(QStringLiteral("Welche ") + wort);
    GroupBoxWasKopierenVerschieben->SetCaption(QStringLiteral("Was ") + wort);
    GroupBoxWieKopierenVerschieben->SetCaption(QStringLiteral("Wie ") + wort);
    RadioButtonNurBilderKopieren->SetCaption(QStringLiteral("Nur Bilder ") + wort);
    RadioButtonNurDatensaetzeKopieren->SetCaption(QStringLiteral("Nur Einträge ") + wort);
    RadioButtonBilderUndDatensaetzeKopieren->SetCaption(QStringLiteral("Bilder und Einträge ") + wort);
    RadioButtonNurSelektiertenSatzKopierenVerschieben->SetCaption(
        QStringLiteral("Nur ausgewähltes Bild/ ausgewählten Eintrag ") + wort);
    RadioButtonAlleSaetzeKopierenVerschieben->SetCaption(QStringLiteral("Alle angezeigten Bilder/ Einträge ") + wort);
    CheckBoxJedesBildVorKopierenVerschiebenAnzeigen->SetCaption(QStringLiteral("Jedes Bild vorher anzeigen"));
    BitBtnKopierenVerschieben->SetCaption(k ? QStringLiteral("Kopieren") : QStringLiteral("Verschieben"));
}

void TBilderKopierenForm::WasGeaendert()
{
    const bool eintraege = EintraegeMit();
    PanelZielDBF->SetVisible(eintraege);
    if (eintraege && EditZielDBFName->CanFocus())
        EditZielDBFName->SetFocus();
    BitBtnKopierenVerschieben->SetEnabled(true);
}

void TBilderKopierenForm::ZielDateienZeigen()
{
    FileListBox1->Items()->Clear();
    const QString ordner = IncludeTrailingBackslash(DirectoryListBoxBilderKopierenZielVerzeichnis->Directory());
    TSearchRec rec;
    QStringList namen;
    for (int r = FindFirst(ordner + QStringLiteral("*.DBF"), faArchive, rec); r == 0; r = FindNext(rec))
        namen << rec.Name;
    FindClose(rec);
    namen.sort(Qt::CaseInsensitive);
    for (const QString& n : namen)
        FileListBox1->Items()->Add(n);
}

void TBilderKopierenForm::DirectoryListBoxBilderKopierenZielVerzeichnisChange(TObject*)
{
    ZielDateienZeigen();
    if (FileListBox1->Items()->Count() > 0) {
        if (FileListBox1->ItemIndex() < 0)
            FileListBox1->SetItemIndex(0);
        EditZielDBFName->SetText(FileListBox1->Items()->Strings(0));
    }
    BitBtnKopierenVerschieben->SetEnabled(true);
    EditZielDir->SetText(DirectoryListBoxBilderKopierenZielVerzeichnis->Directory());
}

void TBilderKopierenForm::EditZielDBFNameExit(TObject*)
{
    BitBtnKopierenVerschieben->SetEnabled(true);
    if (EditZielDBFName->Text().length() > 12) {
        ShowMessage(QStringLiteral("Geben Sie bitte nur 8 Zeichen lange Dateinamen (inkl. Dateiendung 12 Z.) ein!"));
        EditZielDBFName->SetText(QString());
    }
}

void TBilderKopierenForm::FormKeyUp(TObject*, Word& Key, TShiftState)
{
    if (Key == VK_ESCAPE)
        EscAbbruch = 1;
}

void TBilderKopierenForm::ImageWindow3Click(TObject*)
{
    haupt_.VollbildAnzeigen();
}

void TBilderKopierenForm::PanelMainDblClick(TObject*)
{
    TGleichnamigesBildForm form(this, dienste_.Ini().INIFileName());
    form.Hilfe = [this](const QString& t) { haupt_.Hilfe(t); };
    form.ShowModal();
}

void TBilderKopierenForm::ZeigeVorschauBildAusBlob()
{
    VorschauAusBlobZeigen(album_.Bilder().Dbe(), ImageWindow3);
}

// ---- the run -----------------------------------------------------------------------

void TBilderKopierenForm::Ueberspringen(const QString& grund)
{
    ++Uebersprungen;
    dienste_.Protokoll(QStringLiteral("Fehler"), QStringLiteral("BilderKopieren, ") + grund);
}

bool TBilderKopierenForm::Kopieren(const QString& quelle, const QString& ziel, bool zeigen)
{
    bool ok = false;
    QString grund;
    try {
        ok = DateiKopieren && DateiKopieren(quelle, ziel, zeigen);
    } catch (const std::exception& e) {
        grund = QString::fromUtf8(e.what());
    }
    if (ok) {
        ++BilderKopiert;
        return true;
    }
    ++Fehler;
    dienste_.Protokoll(QStringLiteral("Fehler"), QStringLiteral("BilderKopieren, ") + quelle + QStringLiteral(" -> ") +
                                                   ziel + (grund.isEmpty() ? QString() : QStringLiteral(": ") + grund));
    Screen->SetCursor(crDefault);
    ShowMessage(QStringLiteral("Fehler beim Kopieren von ") + quelle + QStringLiteral(" nach ") + ziel +
                QStringLiteral(" oder vom Anwender abgebrochen!"));
    return false;
}

bool TBilderKopierenForm::ClashKlaeren(bool alle, const QString& quelle, QString& ziel, TSchritt& schritt)
{
    if (!FileExists(quelle) || !FileExists(ziel))
        return true;
    auto nein = [this, &schritt] {
        ZeigeVorschauBildAusBlob();
        BitBtnKopierenVerschieben->SetEnabled(false);
        schritt = TSchritt::Weiter;
        return false;
    };
    if (alle && KopierClash.FuerAlle && KopierClash.JaGegeben) {
        if (KopierClash.AutoRename)
            ziel = Umbenannt(ziel, true);
        return true;
    }
    if (alle && KopierClash.FuerAlle && KopierClash.NeinGegeben) {
        ++Uebersprungen;
        return nein();
    }
    TGleichnamigesBildForm form(this, dienste_.Ini().INIFileName());
    form.Hilfe = [this](const QString& t) { haupt_.Hilfe(t); };
    form.Fuellen(ziel, quelle);
    Screen->SetCursor(crDefault);
    const TModalResult antwort = form.ShowModal();
    if (antwort == mrAbort) {
        nein();
        schritt = TSchritt::Abbruch;
        return false;
    }
    if (antwort == mrNo) {
        KopierClash.NeinGegeben = true;
        ++Uebersprungen;
        return nein();
    }
    if (antwort == mrYes) {
        KopierClash.JaGegeben = true;
        if (form.CheckBoxAutomatischRenamen->Checked())
            ziel = Umbenannt(ziel, !alle);
    }
    return true;
}

TBilderKopierenForm::TSchritt TBilderKopierenForm::Bearbeiten(bool alle, const QString& zielOrdner)
{
    TDbe* dbe = album_.Bilder().Dbe();
    const QString quelle = dbe->GetTrimString(kPfad);
    const bool verschieben = RadioButtonVerschieben->Checked();
    const bool eintraege = EintraegeMit();

    if (!BilderMit()) {
        if (!haupt_.EintragInZielKopieren(QString())) {
            ++Fehler;
            return TSchritt::Ende;
        }
        ++EintraegeKopiert;
        if (verschieben)
            dbe->Delete();
        return TSchritt::Weiter;
    }

    // A picture that would land on itself is never copied (and so never
    // deleted by a move).
    if (ImZielOrdner(quelle, zielOrdner)) {
        Ueberspringen(quelle + QStringLiteral(": Quell- und Zielverzeichnis identisch"));
        return TSchritt::Weiter;
    }
    // The entry's picture is only on the entry's own medium.
    const QString kennung = dbe->GetTrimString(QStringLiteral("LABELKENNU"));
    if (MediumNichtImLaufwerk(quelle, kennung)) {
        const QString text = MediumFehltText(quelle, dbe->GetTrimString(QStringLiteral("LABEL")), kennung);
        Ueberspringen(text);
        if (!alle)
            ShowMessage(text);
        return TSchritt::Weiter;
    }
    if (verschieben && FileExists(quelle) && (FileGetAttr(quelle) & faReadOnly)) {
        Ueberspringen(quelle + QStringLiteral(" ist schreibgeschützt"));
        return TSchritt::Weiter;
    }
    QString ziel = zielOrdner + ExtractFileName(quelle);
    TSchritt schritt = TSchritt::Weiter;
    if (!ClashKlaeren(alle, quelle, ziel, schritt))
        return schritt;
    // The album stores the new path: a name Windows-1252 cannot hold is
    // skipped before anything is copied.
    if ((eintraege || verschieben) && !Win1252CanEncode(ziel)) {
        Ueberspringen(ziel + QStringLiteral(": der Name enthält Zeichen, die das Fotoalbum nicht speichern kann"));
        return TSchritt::Weiter;
    }
    const bool zielVorher = BildDateiPruefen(ziel).Zustand == TDateiZustand::Da;
    if (!Kopieren(quelle, ziel, !alle))
        return TSchritt::Ende;

    // The copy is whole: now its entry.
    auto kopieVerwerfen = [&] {
        if (!zielVorher)
            BildLoeschen(ziel);
    };
    if (eintraege) {
        if (!haupt_.EintragInZielKopieren(ziel)) {
            ++Fehler;
            kopieVerwerfen();
            return TSchritt::Ende;
        }
        ++EintraegeKopiert;
    }
    if (!verschieben)
        return TSchritt::Weiter;
    if (eintraege) {
        dbe->Delete();
    } else {
        // The entry follows its picture before the source goes.
        TDataSet* tabelle = album_.Bilder().Tabelle();
        bool ok = false;
        try {
            tabelle->Edit();
            // The entry names the medium its picture now lies on.
            const QString laufwerk = ziel.left(1);
            ok = dbe->Replace(kPfad, 0x400, ziel) &&
                 dbe->Replace(QStringLiteral("LABELKENNU"), 0x400, qktGetVolumeId(laufwerk)) &&
                 dbe->Replace(QStringLiteral("LABEL"), 0x400, qktGetVolumeLabel(laufwerk));
            tabelle->Post();
        } catch (const std::exception&) {
            ok = false;
            if (tabelle->State() != dsBrowse)
                tabelle->Cancel();
        }
        if (!ok || dbe->GetTrimString(kPfad).compare(ziel, Qt::CaseInsensitive) != 0) {
            ++Fehler;
            kopieVerwerfen();
            ShowMessage(QStringLiteral("Fehler beim Speichern des neuen Pfades ") + ziel + QStringLiteral(" !"));
            return TSchritt::Ende;
        }
    }
    if (const TDateiErgebnis weg = QuelleNachKopieLoeschen(quelle, ziel); !weg) {
        ++Fehler;
        dienste_.Protokoll(QStringLiteral("Fehler"), QStringLiteral("BilderKopieren, ") + quelle +
                                                       QStringLiteral(" konnte nicht gelöscht werden: ") + weg.Grund);
        ShowMessage(QStringLiteral("Beim Versuch \"") + quelle +
                    QStringLiteral("\" zu löschen ist etwas schief gegangen (Schreibschutz?) !"));
    }
    return TSchritt::Weiter;
}

void TBilderKopierenForm::BitBtnKopierenVerschiebenClick(TObject*)
{
    // A click that comes through while a run lets messages through is not
    // a second run.
    TBusyGuard busy(laeuft_);
    if (!busy.Entered())
        return;
    BilderKopiert = EintraegeKopiert = Uebersprungen = Fehler = 0;
    TDbe* dbe = album_.Bilder().Dbe();
    StopUhr(QStringLiteral("START"));
    const bool jedesVorher = CheckBoxJedesBildVorKopierenVerschiebenAnzeigen->Checked();
    // A folder typed in Linux form ("/home/anna/Ziel") is taken in its Windows form.
    const QString zielOrdner = OrdnerNormalisiert(LinuxToWinOrSelf(EditZielDir->Text().trimmed()));
    EditZielDir->SetText(zielOrdner);
    if (zielOrdner.isEmpty() || !VerzeichnisPruefen(zielOrdner, true, true) || !DirectoryExists(zielOrdner)) {
        ShowMessage(QStringLiteral("Verzeichnis ") + zielOrdner + QStringLiteral(" konnte nicht angelegt werden..."));
        return;
    }
    // Nothing is started in a folder that takes no files (a new album
    // would fail half made).
    if (!OrdnerBeschreibbar(zielOrdner)) {
        ShowMessage(QStringLiteral("In das Verzeichnis ") + zielOrdner +
                    QStringLiteral(" kann nicht geschrieben werden (keine Schreibrechte), wählen Sie ein anderes "
                                   "Zielverzeichnis aus !"));
        return;
    }
    if (!dbe || !dbe->IsActive() || dbe->QueryRecCount() == 0)
        return;
    Screen->SetCursor(crHourGlass);
    haupt_.AnsichtenZeigen(false);
    const bool eintraege = EintraegeMit();
    if (eintraege) {
        const QString name = EditZielDBFName->Text().trimmed();
        if (name.isEmpty() || name.contains(u'*')) {
            Screen->SetCursor(crDefault);
            ShowMessage(QStringLiteral("Geben Sie einen Dateinamen für das Ziel-Fotoalbum ein!"));
            EditZielDBFName->SetText(QStringLiteral("Bild_Neu.DBF"));
            if (EditZielDBFName->CanFocus())
                EditZielDBFName->SetFocus();
            return;
        }
        if (FileExists(zielOrdner + name) && name.compare(album_.Bilder().Name(), Qt::CaseInsensitive) == 0 &&
            zielOrdner.compare(IncludeTrailingBackslash(album_.Bilder().Ordner()), Qt::CaseInsensitive) == 0) {
            Screen->SetCursor(crDefault);
            ShowMessage(QStringLiteral("Sie können nicht das bereits geöffnete Fotoalbum hierfür benutzen, wählen "
                                       "Sie ein anderes Verzeichnis!"));
            return;
        }
        if (!haupt_.ZielAlbumOeffnen(zielOrdner, name)) {
            Screen->SetCursor(crDefault);
            return;
        }
    }
    // The run closes the target album it opened, whichever way it ends: an
    // album left open in the target view could not be used alone (held,
    // indexed anew) by the next command of this program.
    struct TZielSchliessen {
        TOffenesAlbum* album;
        ~TZielSchliessen()
        {
            if (album)
                album->ZielSchliessen();
        }
    } zielSchliessen{eintraege ? &album_ : nullptr};
    const QString quelle = dbe->GetTrimString(kPfad);
    if (ImZielOrdner(quelle, zielOrdner)) {
        Screen->SetCursor(crDefault);
        ShowMessage(QStringLiteral("Quell- und Zielverzeichnis identisch, wählen Sie ein anderes Zielverzeichnis aus !"));
        return;
    }
    const bool verschieben = RadioButtonVerschieben->Checked();
    if (verschieben && BilderMit() && FileExists(quelle) && (FileGetAttr(quelle) & faReadOnly)) {
        Screen->SetCursor(crDefault);
        ShowMessage(QStringLiteral("Datei ") + quelle + QStringLiteral(" ist schreibgeschützt, Verschieben nicht möglich!"));
        return;
    }

    if (RadioButtonNurSelektiertenSatzKopierenVerschieben->Checked()) {
        Bearbeiten(false, zielOrdner);
        Screen->SetCursor(crDefault);
        if (!BilderMit()) {
            CheckBoxJedesBildVorKopierenVerschiebenAnzeigen->SetChecked(jedesVorher);
            album_.VolltextOeffnen();
            ModalResult = mrOk;
            return;
        }
        ZeigeVorschauBildAusBlob();
        BitBtnKopierenVerschieben->SetEnabled(false);
        return;
    }
    AlleBearbeiten(zielOrdner);
    CheckBoxJedesBildVorKopierenVerschiebenAnzeigen->SetChecked(jedesVorher);
}

void TBilderKopierenForm::AlleBearbeiten(const QString& zielOrdner)
{
    TDbe* dbe = album_.Bilder().Dbe();
    BitBtnKopierenVerschieben->SetEnabled(false);
    const bool scope = !dbe->GetScope(0).isEmpty() || !dbe->GetScope(1).isEmpty();
    int alteOrder = -1;
    if (!scope)
        alteOrder = dbe->SetOrder(0);
    // The entries of the run are taken first: a move deletes entries and
    // changes paths, which must not move the walk.
    std::vector<uint32_t> saetze;
    // Deleted entries, which the album hides, are neither asked about nor copied.
    for (dbe->GoTop(); !dbe->Eof(); dbe->Skip(1))
        if (!dbe->Deleted())
            saetze.push_back(dbe->RecNo());
    const int total = int(saetze.size());

    auto status = std::make_unique<TStatus4Frm>(this);
    status->SetClientHeight(80);
    status->QKGauge1->SetMaxValue(std::max(total, 1));
    status->Label1->SetCaption(QStringLiteral("Kopiere Bilder, bitte warten...."));
    status->Show();
    EscAbbruch = 0;

    int zaehler = 0;
    for (const uint32_t satz : saetze) {
        if (EscAbbruch) {
            EscAbbruch = 0;
            if (MessageDlg(QStringLiteral("ESC gedrückt, den Kopiervorgang jetzt abbrechen ?"), mtConfirmation,
                           {mbYes, mbNo}) == mrYes)
                break;
        }
        dbe->Go(satz);
        ++zaehler;
        status->Label1->SetCaption(QStringLiteral("Kopiere ") + dbe->GetTrimString(kPfad) + QStringLiteral(" ..."));
        status->QKGauge1->SetProgress(zaehler);
        Application->ProcessMessages();
        if (CheckBoxJedesBildVorKopierenVerschiebenAnzeigen->Checked()) {
            ZeigeVorschauBildAusBlob();
            Screen->SetCursor(crDefault);
            const TModalResult antwort = MessageDlg(QStringLiteral("Angezeigten Eintrag jetzt kopieren/verschieben ?"),
                                                    mtConfirmation, {mbYes, mbNo, mbCancel, mbAll});
            if (antwort == mrCancel)
                break;
            if (antwort == mrNo)
                continue;
            if (antwort == mrAll)
                CheckBoxJedesBildVorKopierenVerschiebenAnzeigen->SetChecked(false);
        }
        Screen->SetCursor(crHourGlass);
        const TSchritt schritt = Bearbeiten(true, zielOrdner);
        if (schritt == TSchritt::Abbruch) {
            Screen->SetCursor(crDefault);
            return;  // the whole command ends at once
        }
        if (schritt == TSchritt::Ende)
            break;
    }
    status.reset();
    KopierClash.FuerAlle = KopierClash.AutoRename = KopierClash.JaGegeben = KopierClash.NeinGegeben = false;
    if (alteOrder >= 0)
        dbe->SetOrder(alteOrder);
    haupt_.BilderOhneFilter();
    Screen->SetCursor(crDefault);

    const bool eintraege = EintraegeMit();
    if (eintraege) {
        try {
            haupt_.ZielAlbumPacken();
        } catch (const std::exception&) {
            throw Exception(QStringLiteral("Fehler beim Packen des Ziel-Fotoalbums, packen Sie ggfs. zunächst das "
                                           "Quellfotoalbum und versuchen Sie den Vorgang erneut !"));
        }
    }
    if (RadioButtonVerschieben->Checked() && !RadioButtonNurBilderKopieren->Checked() &&
        MessageDlg(QStringLiteral("Sie haben Einträge \"verschieben\" ausgewählt, Fotoalbum jetzt packen um "
                                  "verschobene Einträge zu entfernen ?"),
                   mtConfirmation, {mbYes, mbNo}) == mrYes)
        haupt_.AlbumPacken();
    // The registration opens the manager table first (made after the
    // user's yes when it is missing).
    if (eintraege && MessageDlg(QStringLiteral("Ziel-Fotoalbum in den Fotoalbum-Manager eintragen ?"), mtConfirmation,
                                {mbYes, mbNo}) == mrYes)
        album_.ImManagerEintragen(zielOrdner + EditZielDBFName->Text().trimmed(), 1, 0);

    QString text = QStringLiteral("Verarbeitung abgeschlossen (") + StopUhr(QStringLiteral("STOP")) + QStringLiteral(")!");
    int hoehe = 100;
    if (Fehler > 0 || Uebersprungen > 0) {
        text += QStringLiteral("\n%1 Fehler, %2 übersprungen (siehe Protokoll).").arg(Fehler).arg(Uebersprungen);
        hoehe = 120;
    }
    AbschlussMeldung(dienste_.AnzeigeZeit(), haupt_.AlbumDialogOptionen().Infofarbe,
                     QStringLiteral("Abschlußmeldung"), text, hoehe);
    album_.VolltextOeffnen();
    ModalResult = mrOk;
}
