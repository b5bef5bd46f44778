#include "dialogs/cdr_form.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QSet>

#include "album/arbeitsbereich.h"
#include "album/offenes_album.h"
#include "album/programm_dienste.h"

#include "controls/directory_chooser.h"
#include "controls/spin_edit.h"
#include "controls/wizard.h"
#include "controls/wizard_containers.h"
#include "datagrid/dk_table.h"
#include "dialogs/album_manager.h"
#include "dialogs/cdr_programm.h"
#include "dialogs/form_parts.h"
#include "dialogs/program_settings.h"
#include "platform/core/exceptions.h"
#include "platform/core/file_utils.h"
#include "platform/core/win1252.h"
#include "platform/core/win_path.h"
#include "platform/data/data_source.h"
#include "platform/data/field.h"
#include "platform/ui/dialogs.h"
#include "shared/picture_files.h"
#include "shared/general_files.h"
#include "shared/qk_ini.h"
#include "shared/routine_support.h"
#include "shared/utility_files.h"
#include "storage/album_dateien.h"
#include "storage/dbf_routines.h"
#include "storage/tdbe.h"

namespace {

const QString kSektion = QStringLiteral("CDR-Zusammenstellen");

QString Basisname(const QString& datei)
{
    const QString name = ExtractFileName(datei);
    const qsizetype punkt = name.lastIndexOf(u'.');
    return punkt > 0 ? name.left(punkt) : name;
}

// The real names of the plain files of a folder (Windows form) that match
// a mask, without regard to case, sorted.
QStringList Treffer(const QString& ordner, const QString& maske)
{
    const auto linux = WinToLinux(ordner);
    if (!linux)
        return {};
    QDir dir(*linux);
    dir.setNameFilters({maske});
    dir.setFilter(QDir::Files);
    dir.setSorting(QDir::Name | QDir::IgnoreCase);
    return dir.entryList();
}

int64_t Groesse(const QString& ordner, const QString& maske)
{
    int64_t summe = 0;
    for (const QString& f : Treffer(ordner, maske))
        summe += std::max<int64_t>(0, FileSizeOf(ordner + f));
    return summe;
}

}  // namespace

TCDRForm::TCDRForm(TComponent* AOwner, TOffenesAlbum& album, TProgrammDienste& dienste, TAlbumManagerUmgebung& umgebung)
    : TForm(AOwner), album_(album), dienste_(dienste), u_(umgebung)
{
    Name = QStringLiteral("CDRForm");
    SetCaption(QStringLiteral("Seite 1 von 2"));
    Position = poScreenCenter;
    SetBounds(0, 0, 540, 440);

    Assistent1 = new TAssistent(this);
    Assistent1->Name = QStringLiteral("Assistent1");
    Assistent1->SetParent(this);
    Assistent1->SetCaptionWizard(QStringLiteral("Seite %d von %d"));
    Assistent1->SetCaptionDialog(QStringLiteral("CDR - zusammenstellen"));
    Assistent1->SetPageNames({QStringLiteral("CDR"), QStringLiteral("Was kopieren"), QStringLiteral("Wohin kopieren")});
    Assistent1->BtnHelp()->SetText(QStringLiteral("&Hilfe"));
    Assistent1->BtnFinish()->SetText(QStringLiteral("&Start"));
    Assistent1->BtnCancel()->SetText(QStringLiteral("&Abbrechen"));
    Assistent1->BtnNext()->SetText(QStringLiteral("&Weiter"));
    Assistent1->BtnBack()->SetText(QStringLiteral("&Zurück"));
    Assistent1->BtnDialogOK()->SetText(QStringLiteral("&OK"));
    for (TButtonData* d : {Assistent1->BtnHelp(), Assistent1->BtnFinish(), Assistent1->BtnCancel(),
                           Assistent1->BtnNext(), Assistent1->BtnBack(), Assistent1->BtnDialogOK()}) {
        d->SetEnabled(true);
        d->SetShow(true);
    }
    Assistent1->SetNumPages(2);
    Assistent1->SetStartPage(1);
    Assistent1->OnCanPageChange = [this](TAssistent*, int von, int& nach) { return Assistent1CanPageChange(von, nach); };
    Assistent1->OnHelpClick = [this](TAssistent*, int) { u_.Hilfe(QStringLiteral("Hlp_CDR_erstellen")); };

    const auto box = [this](const char* name, const QString& caption) {
        auto* b = new TAGroupBox(this);
        b->Name = QString::fromLatin1(name);
        b->SetParent(Assistent1);
        b->SetCaption(caption);
        b->SetBounds(0, 0, 520, 330);
        return b;
    };
    AGroupBox1 = box("AGroupBox1", QStringLiteral("Was kopieren"));
    AGroupBox2 = box("AGroupBox2", QStringLiteral("Wohin kopieren"));
    const auto setzen = [](TAposList* liste, std::initializer_list<TApos> werte) {
        liste->Clear();
        for (const TApos& a : werte)
            liste->Add(a);
    };
    setzen(AGroupBox1->ShowContainer(), {{0, 0, 0}, {8, 8, 1}, {0, 0, 0}});
    setzen(AGroupBox2->ShowContainer(), {{0, 0, 0}, {0, 0, 0}, {8, 8, 1}});

    const auto haken = [this](TWinControl* parent, const char* name, const QString& caption, int y) {
        auto* c = new TCheckBox(this);
        c->Name = QString::fromLatin1(name);
        c->SetParent(parent);
        c->SetBounds(16, y, 480, 20);
        c->SetCaption(caption);
        return c;
    };
    CheckBoxBenutzerMarkierteSaetze = haken(AGroupBox1, "CheckBoxBenutzerMarkierteSaetze",
                                            QStringLiteral("Benutzer-Markierte Einträge und die zugehörigen Bilder"), 28);
    CheckBoxCDRMarkierteSaetze = haken(AGroupBox1, "CheckBoxCDRMarkierteSaetze",
                                       QStringLiteral("CDR-Markierte Einträge und die zugehörigen Bilder"), 54);
    CheckBoxInternetMarkierteSaetze = haken(AGroupBox1, "CheckBoxInternetMarkierteSaetze",
                                            QStringLiteral("Internet-Markierte Einträge und die zugehörigen Bilder"), 80);
    CheckBoxAlleSaetze =
        haken(AGroupBox1, "CheckBoxAlleSaetze", QStringLiteral("Alle Einträge und die zugehörigen Bilder"), 106);
    CheckBoxNurMarkierteDatenbanken = haken(AGroupBox1, "CheckBoxNurMarkierteDatenbanken",
                                            QStringLiteral("Nur markierte Fotoalben (Datenbanken)"), 144);
    CheckBoxMitLumadex = haken(AGroupBox1, "CheckBoxMitLumadex", QStringLiteral("QV-Lumadex "), 182);
    CheckBoxAutorun = haken(AGroupBox1, "CheckBoxAutorun", QStringLiteral("Autorun.inf (CD-Autostart) "), 208);
    CheckBox1 = haken(AGroupBox1, "CheckBox1", QStringLiteral("Alle Bilder in ein Verzeichnis kopieren"), 246);
    CheckBox1->SetEnabled(false);
    // A mark box and "all entries" exclude each other.
    for (TCheckBox* c : {CheckBoxBenutzerMarkierteSaetze, CheckBoxCDRMarkierteSaetze, CheckBoxInternetMarkierteSaetze})
        c->OnMouseUp = [this, c](TObject*, TMouseButton, TShiftState, int, int) {
            if (c->Checked())
                CheckBoxAlleSaetze->SetChecked(false);
        };
    CheckBoxAlleSaetze->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) {
        if (CheckBoxAlleSaetze->Checked())
            for (TCheckBox* c :
                 {CheckBoxBenutzerMarkierteSaetze, CheckBoxCDRMarkierteSaetze, CheckBoxInternetMarkierteSaetze})
                c->SetChecked(false);
    };

    auto* gruppe = new TGroupBox(this);
    gruppe->SetParent(AGroupBox2);
    gruppe->SetBounds(12, 24, 490, 64);
    gruppe->SetCaption(QStringLiteral("Zielverzeichnis für CDR-Produktion"));
    EditCDRDir = DialogControl<TEdit>(this, gruppe, "EditCDRDir", 10, 26, 360, 22);
    EditCDRDir->OnExit = [this](TObject*) { EditCDRDirExit(); };
    SpeedButton16 = DialogControl<TBitBtn>(this, gruppe, "SpeedButton16", 378, 24, 100, 26);
    SpeedButton16->SetCaption(QStringLiteral("Durchsuchen"));
    SpeedButton16->OnClick = [this](TObject*) { SpeedButton16Click(); };
    DialogControl<TLabel>(this, AGroupBox2, "LabelZielGroesse", 16, 104, 250, 18)
        ->SetCaption(QStringLiteral("Größe des Zieldatenträgers (MB)"));
    EditZielGroesse = DialogControl<TEdit>(this, AGroupBox2, "EditZielGroesse", 280, 100, 80, 22);
    EditZielGroesse->SetText(QStringLiteral("650"));
    EditZielGroesse->OnChange = [this](TObject*) { EditZielGroesseChange(); };
    DialogControl<TLabel>(this, AGroupBox2, "LabelCDRGroesse", 16, 136, 250, 18)
        ->SetCaption(QStringLiteral("Maximal nutzbar (MB)"));
    SpinEditCDRGroesse = DialogControl<TswSpinEdit>(this, AGroupBox2, "SpinEditCDRGroesse", 280, 132, 80, 22);
    SpinEditCDRGroesse->MinValue = 1;
    SpinEditCDRGroesse->MaxValue = 1000000;
    SpinEditCDRGroesse->SetValue(650);
    BitBtnKalkulieren = DialogControl<TBitBtn>(this, AGroupBox2, "BitBtnKalkulieren", 16, 176, 200, 28);
    BitBtnKalkulieren->SetCaption(QStringLiteral("Platzbedarf kalkulieren"));
    BitBtnKalkulieren->OnClick = [this](TObject*) { BitBtnKalkulierenClick(); };
    PanelSumme = DialogControl<TPanel>(this, AGroupBox2, "PanelSumme", 16, 216, 486, 28);
    PanelSumme->SetCaption(QString());

    PanelMeldung = new TPanel(this);
    PanelMeldung->Name = QStringLiteral("PanelMeldung");
    PanelMeldung->SetParent(this);
    PanelMeldung->SetCaption(QStringLiteral("Bearbeitung läuft, bitte warten Sie  ..."));
    PanelMeldung->SetVisible(false);

    QKINICDR = new TQKINI(this);
    QKINICDR->Name = QStringLiteral("QKINICDR");
    QKINICDR->SetCaption(kSektion);
    IniLesen();

    OnShow = [this](TObject*) { FormShow(); };
    OnClose = [this](TObject*, TCloseAction&) { FormClose(); };
    Loaded();
    Assistent1->SetPage(1);
}

TCDRForm::~TCDRForm() { BeginDestroy(); }

void TCDRForm::IniLesen()
{
    QKINICDR->SetINIFileName(dienste_.Ini().INIFileName());
    const auto lesen = [this](TCheckBox* c, const char* key) {
        c->SetChecked(QKINICDR->INIReadBool(kSektion, QString::fromLatin1(key), c->Checked()));
    };
    lesen(CheckBoxBenutzerMarkierteSaetze, "BenutzerMarkierteSaetze");
    lesen(CheckBoxCDRMarkierteSaetze, "CDRMarkierteSaetze");
    lesen(CheckBoxInternetMarkierteSaetze, "InternetMarkierteSaetze");
    lesen(CheckBoxAlleSaetze, "AlleSaetze");
    lesen(CheckBoxNurMarkierteDatenbanken, "NurMarkierteFotoalben");
    lesen(CheckBoxMitLumadex, "MitLumadex");
    lesen(CheckBoxAutorun, "MitAutorun");
    if (CheckBoxAlleSaetze->Checked())
        for (TCheckBox* c : {CheckBoxBenutzerMarkierteSaetze, CheckBoxCDRMarkierteSaetze, CheckBoxInternetMarkierteSaetze})
            c->SetChecked(false);
}

void TCDRForm::IniSchreiben()
{
    QKINICDR->SetINIFileName(dienste_.Ini().INIFileName());
    const auto schreiben = [this](TCheckBox* c, const char* key) {
        QKINICDR->INIWriteBool(kSektion, QString::fromLatin1(key), c->Checked());
    };
    schreiben(CheckBoxBenutzerMarkierteSaetze, "BenutzerMarkierteSaetze");
    schreiben(CheckBoxCDRMarkierteSaetze, "CDRMarkierteSaetze");
    schreiben(CheckBoxInternetMarkierteSaetze, "InternetMarkierteSaetze");
    schreiben(CheckBoxAlleSaetze, "AlleSaetze");
    schreiben(CheckBoxNurMarkierteDatenbanken, "NurMarkierteFotoalben");
    schreiben(CheckBoxMitLumadex, "MitLumadex");
    schreiben(CheckBoxAutorun, "MitAutorun");
}

void TCDRForm::FormShow()
{
    EditCDRDir->SetText(u_.Optionen().Text(QStringLiteral("CDRDir")));
    Status();
}

void TCDRForm::FormClose()
{
    u_.Optionen().SetText(QStringLiteral("CDRDir"), EditCDRDir->Text());
    try {
        IniSchreiben();
    } catch (const std::exception&) {
        // The choices are a convenience; their loss must not stop the close.
    }
}

void TCDRForm::EditZielGroesseChange()
{
    const QString t = EditZielGroesse->Text().trimmed();
    bool ok = true;
    if (!t.isEmpty())
        t.toInt(&ok);
    if (!ok)
        throw Exception(QStringLiteral("Nur Zahlen als Eingabe erlaubt!"));
}

// A folder typed in Linux form ("/srv/cdr/") is taken in its Windows form.
QString TCDRForm::Wurzel() const { return OrdnerNormalisiert(LinuxToWinOrSelf(EditCDRDir->Text().trimmed())); }

bool TCDRForm::EditCDRDirExit()
{
    QString ordner = Wurzel();
    EditCDRDir->SetText(ordner);
    if (ordner.trimmed().size() == 3 || ordner == QStringLiteral("\\")) {
        ShowMessage(QStringLiteral("Zielverzeichnis darf nicht Root (Wurzelverzeichnis) sein !"));
        if (EditCDRDir->CanFocus())
            EditCDRDir->SetFocus();
        return false;
    }
    if (ordner.trimmed().size() < 2) {
        EditCDRDir->SetText(QString());
        return false;
    }
    if (!VerzeichnisPruefen(ordner, true, true) || !DirectoryExists(ordner)) {
        ShowMessage(QStringLiteral("Pfad ungültig!"));
        if (EditCDRDir->CanFocus())
            EditCDRDir->SetFocus();
        return false;
    }
    return true;
}

void TCDRForm::SpeedButton16Click()
{
    const QString ordner = Wurzel();
    EditCDRDir->SetText(ordner);
    TDirDlgForm dlg(nullptr);
    if (!ordner.isEmpty() && VerzeichnisPruefen(ordner, true, true))
        dlg.DirectoryListBox1->SetDirectory(ordner);
    if (dlg.ShowModal() == mrOk)
        EditCDRDir->SetText(OrdnerNormalisiert(dlg.DirectoryListBox1->Directory()));
}

void TCDRForm::Status()
{
    const int64_t mb = GesamtBytes / 1024 / 1024;
    PanelSumme->SetCaption(QString::number(mb) + QStringLiteral(" MB Daten würden MAXIMAL kopiert/gebrannt"));
    Application->ProcessMessages();
    if (SpinEditCDRGroesse->Value() < mb && !WarnungGezeigt) {
        WarnungGezeigt = true;
        ShowMessage(QStringLiteral("Ausgewählte Datenmenge passt nicht mehr auf den Zieldatenträger, Vorgang wird aber "
                                   "dennoch vorgeführt, damit Sie den tatsächlichen Platzbedarf ersehen können !"));
    }
}

bool TCDRForm::EintragGewaehlt(TDbe* dbe) const
{
    const bool benutzer = CheckBoxBenutzerMarkierteSaetze->Checked();
    const bool cdr = CheckBoxCDRMarkierteSaetze->Checked();
    const bool internet = CheckBoxInternetMarkierteSaetze->Checked();
    if (!benutzer && !cdr && !internet)
        return true;
    return (benutzer && dbe->GetLogical(QStringLiteral("MARKIERT"))) ||
           (cdr && dbe->GetLogical(QStringLiteral("ANYWHERE"))) ||
           (internet && dbe->GetLogical(QStringLiteral("PRIVAT")));
}

void TCDRForm::BitBtnKalkulierenClick()
{
    if (MessageDlg(QStringLiteral("Die Ermittlung der Datengrösse kann je nach ausgewählten Umfang länger dauern, jetzt "
                                  "fortfahren ?"),
                   mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) != mrYes)
        return;
    GesamtBytes = 0;
    Eintraege = 0;
    if (CheckBoxMitLumadex->Checked()) {
        GesamtBytes += ProgrammDateienGroesse();
        const QString prog = dienste_.ProgrammPfad();
        for (const char* m : {"SETUP.*", "*.RTM", "*.TXT", "*.his", "*.ico", "LOGO.jpg", "AUTORUN.inf", "SETUP.*",
                              "lumadex.ico", "liesmich.txt"})
            GesamtBytes += Groesse(prog, QString::fromLatin1(m));
    }
    BilderDatenKalkulieren();
    PanelSumme->SetVisible(true);
    ShowMessage(PanelSumme->Caption());
}

bool TCDRForm::BildergroessenAddieren(const QString& album)
{
    TDbe* dbe = album_.ZielWechseln(TAlbumDateien::AusPfad(album));
    if (!dbe)
        return false;
    dbe->SetOrder(0);
    for (uint32_t r = 1; r <= dbe->RecCount(); ++r) {
        dbe->Go(r);
        if (dbe->Deleted() || !EintragGewaehlt(dbe))
            continue;
        LetzteGroesse = qktFileSize(dbe->GetTrimString(QStringLiteral("PFAD")));
        if (LetzteGroesse >= 1)
            GesamtBytes += LetzteGroesse;
        ++Eintraege;
        Status();
    }
    album_.ZielSchliessen();
    return true;
}

void TCDRForm::BilderDatenKalkulieren()
{
    Screen->SetCursor(crHourGlass);
    bool geschlossen = false;
    const QStringList alben =
        album_.ManagerAlben(CheckBoxNurMarkierteDatenbanken->Checked());
    for (const QString& album : alben) {
        const QString ordner = ExtractFilePath(album);
        const QString name = ExtractFileName(album);
        dienste_.Protokoll(QStringLiteral("Info"), QStringLiteral("BilderDatenKalkulieren, markiertes Album =") + album);
        if (album_.IstGeoeffnet(ordner, name)) {
            dienste_.Protokoll(QStringLiteral("Info"), QStringLiteral(" wird jetzt geschlossen!"));
            album_.AllesSchliessen();
            geschlossen = true;
        }
        GesamtBytes += Groesse(ordner, Basisname(name) + QStringLiteral(".*"));
        Status();
        dienste_.Protokoll(QStringLiteral("Info"), QStringLiteral("BilderDatenKalkulieren, starte jetzt BildergroessenAddieren"));
        BildergroessenAddieren(album);
        dienste_.Protokoll(QStringLiteral("Info"), QStringLiteral("BilderDatenKalkulieren =") + QString::number(GesamtBytes));
    }
    if (geschlossen)
        album_.WiederOeffnen();
    Screen->SetCursor(crDefault);
    Status();
}

bool TCDRForm::Kopieren(const QString& quelle, const QString& ziel)
{
    if (const TDateiErgebnis kopie = BildKopieren(quelle, ziel, true); !kopie) {
        dienste_.Protokoll(QStringLiteral("Fehler"), kopie.Grund);
        // A full or write-protected target: said once per run.
        if (!KopierFehler)
            ShowMessage(QStringLiteral("Datei ") + quelle + QStringLiteral(" konnte nicht nach ") + ziel +
                        QStringLiteral(" kopiert werden, ist der Zieldatenträger voll oder schreibgeschützt ?"));
        KopierFehler = true;
        return false;
    }
    const QString relativ = ziel.mid(Wurzel().size());
    if (!inhalt_.contains(relativ, Qt::CaseInsensitive))
        inhalt_ << relativ;
    return true;
}

bool TCDRForm::ErzeugeZielStruktur()
{
    const QString wurzel = Wurzel();
    const struct {
        QString ordner;
        const char* fehler;
    } stufen[] = {
        {wurzel, "ZielPfad für CDR-Produktion ist ungültig bzw. konnte nicht erzeugt werden!"},
        {wurzel + QString::fromLatin1(kCdrProgrammOrdner),
         "ZielPfad für das Programmverzeichnis der CDR-Produktion konnte nicht erzeugt werden !"},
        {wurzel + QStringLiteral("Data\\"), "ZielPfad für das Datenverzeichnis der CDR-Produktion konnte nicht erzeugt "
                                            "werden !"},
        {wurzel + QString::fromLatin1(kCdrBilderOrdner),
         "ZielPfad für das Bilderverzeichnis der CDR-Produktion konnte nicht erzeugt werden !"},
        {wurzel + QString::fromLatin1(kCdrDatenbankOrdner),
         "ZielPfad für das Datenbankverzeichnis der CDR-Produktion konnte nicht erzeugt werden !"},
    };
    for (const auto& s : stufen)
        if (!ForceDirectories(s.ordner)) {
            ShowMessage(QString::fromUtf8(s.fehler));
            return false;
        }
    return true;
}

void TCDRForm::KopiereProgramm()
{
    const QString wurzel = Wurzel();
    const QString db = wurzel + QString::fromLatin1(kCdrDatenbankOrdner);
    // The manager table, with only the marked rows when only marked albums
    // go on the medium; its paths become the albums' file names.
    TDbe* man = album_.Manager().Dbe();
    bool kopiert = false;
    if (album_.Manager().Tabelle()->Active()) {
        const uint32_t satz = man->RecNo();
        const int order = man->SetOrder(0);
        if (CheckBoxNurMarkierteDatenbanken->Checked())
            man->Query(QStringLiteral("MARKIERT"));
        man->GoTop();
        // An index left by an earlier run would not fit the new copy.
        for (const QString& f : Treffer(db, QStringLiteral("LXman.*")))
            DeleteFile(db + f);
        kopiert = man->CopyFile(db + QString::fromLatin1(kCdrManagerName));
        man->Query(QString());
        man->SetOrder(order);
        if (satz >= 1 && satz <= man->RecCount())
            man->Go(satz);
    }
    if (kopiert) {
        TTable kopie;
        TDataSource quelle(&kopie);
        TDbe dbe(nullptr);
        dbe.SetDataSource(&quelle);
        if (DatenbankOeffnen(&kopie, ttDXFOX, &dbe, db, QString::fromLatin1(kCdrManagerName), QString(), true, false) == 1) {
            for (uint32_t r = 1; r <= dbe.RecCount(); ++r) {
                dbe.Go(r);
                const QString pfad = dbe.GetTrimString(QStringLiteral("PFAD"));
                kopie.Edit();
                kopie.FieldByName(QStringLiteral("PFAD"))->SetAsString(ExtractFileName(pfad));
                kopie.Post();
            }
            // The copy gets the manager's tags here: on a burned disc the
            // program could not build them.
            for (int n = 1; !man->TagName(n).isEmpty(); ++n)
                dbe.IndexTag(QString(), man->TagName(n), man->IndexKey(n), 0, 0, QString());
            kopie.Close();
            for (const QString& f : Treffer(db, QStringLiteral("LXman.*")))
                if (!inhalt_.contains(QString::fromLatin1(kCdrDatenbankOrdner) + f, Qt::CaseInsensitive))
                    inhalt_ << QString::fromLatin1(kCdrDatenbankOrdner) + f;
        }
    } else {
        ShowMessage(QStringLiteral("Datenbank für den Fotoalben-Manager konnte nicht erzeugt werden!"));
    }
    // The program, then its side files: setup table, report templates,
    // texts, icons and logo.
    KopiereProgrammDateien();
    const QString prog = dienste_.ProgrammPfad();
    for (const char* m : {"SETUP.*", "*.RTM", "*.TXT", "*.his", "*.ico", "LOGO.jpg"})
        for (const QString& f : Treffer(prog, QString::fromLatin1(m)))
            Kopieren(prog + f, wurzel + QString::fromLatin1(kCdrProgrammOrdner) + f);
    if (CheckBoxAutorun->Checked())
        for (const QString& f : Treffer(prog, QStringLiteral("AUTORUN.inf"))) {
            Kopieren(prog + f, wurzel + f);
            Kopieren(prog + f, wurzel + QString::fromLatin1(kCdrProgrammOrdner) + f);
        }
    for (const char* m : {"SETUP.*", "lumadex.ico"})
        for (const QString& f : Treffer(prog, QString::fromLatin1(m)))
            Kopieren(prog + f, wurzel + f);
    const QStringList liesmich = Treffer(prog, QStringLiteral("liesmich.txt"));
    if (liesmich.isEmpty())
        ShowMessage(QStringLiteral("liesmich.txt nicht gefunden !"));
    for (const QString& f : liesmich)
        Kopieren(prog + f, wurzel + f);
    if (SetupEintraegeAnpassen(QStringLiteral("todo"), QStringLiteral("REVISIONSINFO"), QStringLiteral("todo_"),
                               QStringLiteral("1.50.230")) != 1)
        ShowMessage(QStringLiteral("Konnte einen Wert in der SETUP.DBF nicht aktualisieren/anlegen !"));
}

namespace {

QString LaufendesProgramm()
{
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

// The running program's files do not change while it runs: asked once.
QList<TProgrammDatei> ProgrammDateien(QString& fehler)
{
    static QString fehlerDesLaufs;
    static const QList<TProgrammDatei> dateien = ProgrammDateienFuerDatentraeger(
        LaufendesProgramm(), QLibraryInfo::path(QLibraryInfo::PluginsPath),
        QLibraryInfo::path(QLibraryInfo::TranslationsPath), fehlerDesLaufs);
    fehler = fehlerDesLaufs;
    return dateien;
}

}  // namespace

int64_t TCDRForm::ProgrammDateienGroesse() const
{
    QString fehler;
    int64_t summe = 0;
    for (const TProgrammDatei& d : ProgrammDateien(fehler))
        summe += QFileInfo(d.Quelle).size();
    return summe;
}

void TCDRForm::KopiereProgrammDateien()
{
    const QString ordner = Wurzel() + QString::fromLatin1(kCdrProgrammOrdner);
    QString fehler;
    const QList<TProgrammDatei> dateien = ProgrammDateien(fehler);
    if (!fehler.isEmpty()) {
        dienste_.Protokoll(QStringLiteral("Fehler"), fehler);
        ShowMessage(fehler + QStringLiteral(" Das Programm auf dem Datenträger startet evtl. nicht!"));
    }
    for (const TProgrammDatei& d : dateien) {
        NachrichtenDurchlassen();
        const QString ziel = ordner + QString(d.Ziel).replace(QLatin1Char('/'), QLatin1Char('\\'));
        ForceDirectories(ExtractFilePath(ziel));
        Kopieren(d.Quelle, ziel);
    }
    QStringList geschrieben;
    const auto linux = WinToLinux(ordner);
    const bool ok = linux && CdrStartDateienSchreiben(*linux, geschrieben);
    for (const QString& name : geschrieben)
        if (!inhalt_.contains(QString::fromLatin1(kCdrProgrammOrdner) + name, Qt::CaseInsensitive))
            inhalt_ << QString::fromLatin1(kCdrProgrammOrdner) + name;
    if (!ok) {
        if (!KopierFehler)
            ShowMessage(QStringLiteral("Das Startskript konnte nicht nach ") + ordner +
                        QStringLiteral(" geschrieben werden, ist der Zieldatenträger voll oder schreibgeschützt ?"));
        KopierFehler = true;
    }
}

int TCDRForm::SetupEintraegeAnpassen(const QString& suchFeld, const QString& suchWert, const QString& wertFeld,
                                     const QString& wert)
{
    TTable table;
    TDataSource quelle(&table);
    TDbe dbe(nullptr);
    dbe.SetDataSource(&quelle);
    const QString wurzel = Wurzel();
    QString datei = QStringLiteral("setup.DBF");
    const QStringList da = Treffer(wurzel, QStringLiteral("setup.DBF"));
    if (!da.isEmpty())
        datei = da.first();
    if (DatenbankOeffnen(&table, ttDXFOX, &dbe, wurzel, datei, QString(), true, false) != 1)
        return 0;
    bool gefunden = false;
    for (uint32_t r = 1; r <= dbe.RecCount() && !gefunden; ++r) {
        dbe.Go(r);
        gefunden = !dbe.Deleted() &&
                   dbe.GetTrimString(suchFeld).compare(suchWert.trimmed(), Qt::CaseInsensitive) == 0;
    }
    if (!gefunden) {
        // A new row carries the search value too, so the next run finds it.
        table.Append();
        table.FieldByName(suchFeld)->SetAsString(suchWert);
        table.Post();
    }
    table.Edit();
    table.FieldByName(wertFeld)->SetAsString(wert);
    table.Post();
    table.Close();
    return 1;
}

bool TCDRForm::BilderKopieren(const QString& album, const QString& bilderOrdner, QHash<uint32_t, QString>& kopien)
{
    TDbe* dbe = album_.ZielWechseln(TAlbumDateien::AusPfad(album));
    if (!dbe)
        return false;
    dbe->SetOrder(0);
    Namensgleiche = 0;
    QSet<QString> vergeben;  // upper-cased names written into this album's folder
    const QString auswahl = CheckBoxBenutzerMarkierteSaetze->Checked() ? QStringLiteral("Nur Benutzermarkierte")
                            : CheckBoxCDRMarkierteSaetze->Checked()    ? QStringLiteral("Nur CDRmarkierte")
                            : CheckBoxInternetMarkierteSaetze->Checked() ? QStringLiteral("Nur Internetmarkierte")
                                                                         : QStringLiteral("Alle");
    for (uint32_t r = 1; r <= dbe->RecCount(); ++r) {
        dbe->Go(r);
        if (dbe->Deleted() || !EintragGewaehlt(dbe))
            continue;
        const QString pfad = dbe->GetTrimString(QStringLiteral("PFAD"));
        LetzteGroesse = qktFileSize(pfad);
        if (LetzteGroesse >= 1) {
            // Only the cleaned last part of the stored path names the copy.
            QString name = BereinigterDateiname(pfad);
            if (name.isEmpty()) {
                Ueberspringen(pfad);
                continue;
            }
            if (vergeben.contains(name.toUpper())) {
                // Another picture of this album has this name already: the
                // later one gets the next free number, nothing is overwritten.
                ++Namensgleiche;
                dienste_.Protokoll(QStringLiteral("Info"), QStringLiteral("TCDRForm.BilderKopieren(), \"") + auswahl +
                                                         QStringLiteral("\" - Datei schon vorhanden ") + name);
                const QString basis = Basisname(name);
                const QString endung = ExtractFileExt(name);
                for (int n = 1;; ++n) {
                    const QString neu = basis + QLatin1Char('_') + QString::number(n) + endung;
                    if (!vergeben.contains(neu.toUpper())) {
                        name = neu;
                        break;
                    }
                }
            }
            // The name stays taken also when its copy fails, so the next
            // picture of the name does not meet the same obstacle.
            vergeben.insert(name.toUpper());
            const QString ziel = ZielImOrdner(bilderOrdner, name);
            if (ziel.isEmpty() || !Kopieren(pfad, ziel)) {
                Ueberspringen(pfad);
                continue;
            }
            kopien.insert(r, name);
        }
        ++Eintraege;
        Status();
    }
    album_.ZielSchliessen();
    if (Namensgleiche > 0)
        ShowMessage(QStringLiteral("ACHTUNG, es wurden gleichnamige (nicht unbedingt doppelte!) Bilder festgestellt, "
                                   "CDR-Zusammenstellung wurde trotzdem abgeschlossen!\r\nDie späteren Bilder gleichen "
                                   "Namens wurden mit angehängter Nummer (z.B. _1) kopiert, die Einträge zeigen auf "
                                   "diese Kopien."));
    return true;
}

void TCDRForm::Ueberspringen(const QString& pfad)
{
    UebersprungeneBilder << pfad;
    dienste_.Protokoll(QStringLiteral("Info"), QStringLiteral("TCDRForm, nicht kopiert: ") + pfad);
}

bool TCDRForm::AlbumKopieren(const QString& album, const QString& datenbankOrdner,
                             const QHash<uint32_t, QString>& kopien, const QString& bilderOrdner)
{
    const QString ordner = ExtractFilePath(album);
    const QString name = ExtractFileName(album);
    QString zielName = name;
    for (const QString& f : Treffer(ordner, Basisname(name) + QStringLiteral(".*"))) {
        // A file set copied only in part is not thinned: it would be a
        // broken album.
        if (!Kopieren(ordner + f, datenbankOrdner + f))
            return false;
        if (f.compare(name, Qt::CaseInsensitive) == 0)
            zielName = f;
    }
    SaetzeAusZielDBFLoeschenOderPfadErneuern(datenbankOrdner, zielName, bilderOrdner, kopien);
    return true;
}

void TCDRForm::SaetzeAusZielDBFLoeschenOderPfadErneuern(const QString& datenbankOrdner, const QString& datei,
                                                       const QString& bilderOrdner,
                                                       const QHash<uint32_t, QString>& kopien)
{
    TDbe* dbe = album_.ZielWechseln(TAlbumDateien(IncludeTrailingBackslash(datenbankOrdner), datei));
    if (!dbe)
        return;
    TDataSet* t = dbe->DataSet();
    dbe->SetOrder(0);
    // The tree's root up to (without) its final "\" goes off the front:
    // the entries point into the medium from its root.
    const QString wurzel = Wurzel();
    const QString vorne = wurzel.left(wurzel.size() - 1).toUpper();
    for (uint32_t r = 1; r <= dbe->RecCount(); ++r) {
        dbe->Go(r);
        if (dbe->Deleted())
            continue;
        if (!EintragGewaehlt(dbe) || !kopien.contains(r)) {
            dbe->Delete();
            continue;
        }
        QString neu = (bilderOrdner + kopien.value(r)).toUpper();
        if (neu.startsWith(vorne))
            neu = neu.mid(vorne.size());
        t->Edit();
        t->FieldByName(QStringLiteral("PFAD"))->SetAsString(neu);
        t->Post();
    }
    u_.PackeKopierteDBF();
    album_.ZielSchliessen();
}

void TCDRForm::BilderdatenKopieren()
{
    Screen->SetCursor(crHourGlass);
    const QString wurzel = Wurzel();
    bool geschlossen = false;
    const QStringList alben =
        album_.ManagerAlben(CheckBoxNurMarkierteDatenbanken->Checked());
    for (const QString& album : alben) {
        const QString ordner = ExtractFilePath(album);
        const QString name = ExtractFileName(album);
        if (album_.IstGeoeffnet(ordner, name)) {
            album_.AllesSchliessen();
            geschlossen = true;
        }
        const QString basis = Basisname(name);
        const QString bilder = wurzel + QString::fromLatin1(kCdrBilderOrdner) + basis + QStringLiteral("\\");
        const QString datenbank = wurzel + QString::fromLatin1(kCdrDatenbankOrdner) + basis + QStringLiteral("\\");
        if (!ForceDirectories(bilder)) {
            ShowMessage(QStringLiteral("ZielPfad (") + bilder +
                        QStringLiteral(") für das Bilderverzeichnis der CDR-Produktion konnte nicht erzeugt werden !"));
            break;
        }
        if (!ForceDirectories(datenbank)) {
            ShowMessage(QStringLiteral("ZielPfad ") + datenbank +
                        QStringLiteral(" für das Datenbankverzeichnis der CDR-Produktion konnte nicht erzeugt werden !"));
            break;
        }
        if (!FileExists(album))
            continue;
        QHash<uint32_t, QString> kopien;
        if (!BilderKopieren(album, bilder, kopien) || !AlbumKopieren(album, datenbank, kopien, bilder))
            break;
    }
    if (geschlossen)
        album_.WiederOeffnen();
    Status();
    Screen->SetCursor(crDefault);
}

bool TCDRForm::AltenInhaltLoeschen()
{
    const QString wurzel = Wurzel();
    const auto liste = WinToLinux(wurzel + QString::fromLatin1(kCDRInhalt));
    if (!liste || !QFile::exists(*liste))
        return true;  // nothing of an earlier run here
    QFile f(*liste);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    bool ok = true;
    QStringList ordner;
    for (const QByteArray& zeile : f.readAll().split('\n')) {
        const QString relativ = Win1252Decode(zeile.trimmed());
        // Only names below the root: no drive, no way up.
        if (relativ.isEmpty() || relativ.contains(QStringLiteral("..")) || relativ.contains(u':') ||
            relativ.startsWith(u'\\'))
            continue;
        const QString datei = wurzel + relativ;
        if (FileExists(datei) && !DeleteFile(datei))
            ok = false;
        for (QString o = ExtractFilePath(relativ); !o.isEmpty(); o = ExtractFilePath(o.left(o.size() - 1)))
            if (!ordner.contains(o))
                ordner << o;
    }
    f.close();
    if (ok)
        QFile::remove(*liste);
    // The folders the run made, deepest first, when they are empty now.
    std::sort(ordner.begin(), ordner.end(), [](const QString& a, const QString& b) { return a.size() > b.size(); });
    for (const QString& o : ordner + QStringList{QString::fromLatin1(kCdrBilderOrdner), QString::fromLatin1(kCdrDatenbankOrdner),
                                                 QStringLiteral("Data\\"), QString::fromLatin1(kCdrProgrammOrdner)})
        RemoveDir(wurzel + o);
    return ok;
}

void TCDRForm::InhaltSchreiben()
{
    const auto liste = WinToLinux(Wurzel() + QString::fromLatin1(kCDRInhalt));
    if (!liste)
        return;
    // Earlier runs that were not cleared stay listed.
    QStringList alle;
    QFile alt(*liste);
    if (alt.open(QIODevice::ReadOnly)) {
        for (const QByteArray& zeile : alt.readAll().split('\n'))
            if (!zeile.trimmed().isEmpty())
                alle << Win1252Decode(zeile.trimmed());
        alt.close();
    }
    for (const QString& s : inhalt_)
        if (!alle.contains(s, Qt::CaseInsensitive))
            alle << s;
    QFile f(*liste);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(Win1252EncodeOrThrow(alle.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")));
}

bool TCDRForm::Assistent1CanPageChange(int FromPage, int& ToPage)
{
    (void)FromPage;
    if (ToPage != -1)
        return true;
    GesamtBytes = 0;
    LetzteGroesse = 0;
    Eintraege = 0;
    WarnungGezeigt = false;
    KopierFehler = false;
    UebersprungeneBilder.clear();
    inhalt_.clear();
    const auto schliessenFragen = [] {
        return MessageDlg(QStringLiteral("Soll der CDR-Dialog jetzt geschlossen werden ?"), mtConfirmation,
                          TMsgDlgButtons{mbYes, mbNo}) == mrYes;
    };
    if (MessageDlg(QStringLiteral("Soll das Kopieren der ausgewählten Daten jetzt gestartet werden ?"), mtConfirmation,
                   TMsgDlgButtons{mbYes, mbNo}) != mrYes)
        return schliessenFragen();
    if (!EditCDRDirExit())
        return false;
    const QString wurzel = Wurzel();
    if (DirectoryExists(wurzel) &&
        MessageDlg(QStringLiteral("Vorher das gesamte CDR-Zielverzeichnis löschen ?"), mtConfirmation,
                   TMsgDlgButtons{mbYes, mbNo}) == mrYes &&
        !AltenInhaltLoeschen()) {
        ShowMessage(QStringLiteral("Konnte nicht alle Dateien im CDR-Zielverzeichnis löschen!"));
        return true;
    }
    Assistent1->SetVisible(false);
    PanelMeldung->SetBounds(0, 0, ClientWidth(), ClientHeight());
    PanelMeldung->SetVisible(true);
    const auto fertig = [this] {
        PanelMeldung->SetVisible(false);
        Assistent1->SetVisible(true);
        PanelSumme->SetVisible(true);
    };
    if (!ErzeugeZielStruktur()) {
        fertig();
        return false;
    }
    if (CheckBoxMitLumadex->Checked()) {
        KopiereProgramm();
        GesamtBytes += Groesse(wurzel + QString::fromLatin1(kCdrProgrammOrdner), QStringLiteral("*")) +
                       Groesse(wurzel, QStringLiteral("*"));
        // The program's libraries and plugins below its folder.
        for (const char* unter : {"lib", "plugins"})
            if (const auto linux = WinToLinux(wurzel + QString::fromLatin1(kCdrProgrammOrdner) + QString::fromLatin1(unter))) {
                QDirIterator it(*linux, QDir::Files, QDirIterator::Subdirectories);
                while (it.hasNext())
                    GesamtBytes += QFileInfo(it.next()).size();
            }
    }
    // Any of the selection boxes takes albums along; a mark box alone
    // means the marked entries of every album.
    const bool daten = CheckBoxNurMarkierteDatenbanken->Checked() || CheckBoxAlleSaetze->Checked() ||
                       CheckBoxBenutzerMarkierteSaetze->Checked() || CheckBoxCDRMarkierteSaetze->Checked() ||
                       CheckBoxInternetMarkierteSaetze->Checked();
    if (daten)
        BilderDatenKalkulieren();
    if (Eintraege == 0)
        MessageDlg(QStringLiteral("Es wurden keine Einträge oder Fotoalben markiert, es würde jetzt nur das Programm auf "
                                  "CDR kopiert !"),
                   mtWarning, TMsgDlgButtons{mbOK});
    if (daten) {
        const int64_t mb = GesamtBytes / 1024 / 1024;
        if (SpinEditCDRGroesse->Value() >= mb || WarnungGezeigt)
            BilderdatenKopieren();
        else
            MessageDlg(QStringLiteral("Die ausgewählte Datenmenge passt nicht NICHT auf den Zieldatenträger, demarkieren "
                                      "Sie einige Fotoalben und/oder einige Bilder !"),
                       mtError, TMsgDlgButtons{mbOK});
    }
    InhaltSchreiben();
    if (!UebersprungeneBilder.isEmpty())
        ShowMessage(QString::number(UebersprungeneBilder.size()) +
                    QStringLiteral(" Bilder konnten nicht kopiert werden, ihre Einträge fehlen auf der CDR: ") +
                    UebersprungeneBilder.join(QStringLiteral(", ")));
    MessageDlg(QStringLiteral("Um die Bilder-CDR zu erzeugen, brennen Sie bitte das Verzeichnis ") + wurzel +
                   QStringLiteral(" als Root (Wurzelverzeichnis) !"),
               mtInformation, TMsgDlgButtons{mbOK});
    fertig();
    return schliessenFragen();
}
