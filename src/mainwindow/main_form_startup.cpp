// Start-up of the main window: FormCreate and the routines it calls.

#include "mainwindow/main_form.h"
#include "mainwindow/bild_ansichten.h"

#include "datagrid/dk_table.h"
#include "platform/data/data_source.h"
#include "platform/data/field.h"
#include "platform/core/file_utils.h"
#include "platform/core/sys_utils.h"
#include "platform/core/win_path.h"
#include "platform/os/folders.h"
#include "platform/os/shell.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/menus.h"
#include "shared/app_exception.h"
#include "shared/general_files.h"
#include "shared/general_system.h"
#include "shared/qk_copy.h"
#include "shared/qk_find.h"
#include "shared/qk_ini.h"
#include "datacontrols/dk_db_combo.h"
#include "dialogs/about_form.h"
#include "dialogs/cdr_baum.h"
#include "dialogs/program_options.h"
#include "storage/dbf_routines.h"
#include "storage/tdbe.h"

#include <QCoreApplication>
#include <QCursor>
#include <QFileInfo>
#include <QSet>

#include <functional>
#include <utility>

namespace {

const QString kAlbumFehler = QStringLiteral("Fehler beim Öffnen des Fotoalbums, beenden Sie das Programm !");
const QString kManagerFehler = QStringLiteral("Öffnen der Fotoalbenmanager-Datenbank fehlgeschlagen !");

// True when a row of the program's own manager table with the path `pfad`
// stands for the tree's album `album` that is no longer where the row says:
// same file name, and the row names it bare or in a CD-R tree that is gone
// from there (the tree was moved, or its medium lies elsewhere now).
bool VerwaisteBaumZeile(const QString& pfad, const QString& album)
{
    if (ExtractFileName(pfad).compare(ExtractFileName(album), Qt::CaseInsensitive) != 0)
        return false;
    if (ExtractFilePath(pfad).isEmpty())
        return true;
    return !CdrWurzelVonAlbum(ExtractFilePath(pfad)).isEmpty() && !FileExists(pfad);
}

// A start from a CD-R tree: the tree's albums go into the program's own
// manager table (in its writable data folder `eigenerOrdner`), each with
// its full path in the tree; the tree's table names them by file name.
// What the user keeps there stays: descriptions, marks, icons and other
// albums. A tree album listed at its path keeps its row, a row of it that
// points where the tree no longer is takes the new path, and only an album
// not listed yet gets a row, copied from the tree's. The tree itself is
// never written: a burned disc cannot be, and the tree stays valid wherever
// it lies. False when the program was not started from a tree.
bool CdrAlbenUebernehmen(TMainForm& form, const QString& eigenerOrdner)
{
    const QString baum = CdrDatenbankOrdnerDesStarts();
    const QString baumTabelle = baum + QString::fromLatin1(kCdrManagerName);
    if (baum.isEmpty() || !FileExists(baumTabelle))
        return false;
    const auto baumLinux = WinToLinux(baum);
    const auto eigenLinux = WinToLinux(eigenerOrdner);
    if (baumLinux && eigenLinux &&
        QFileInfo(*baumLinux).canonicalFilePath() == QFileInfo(*eigenLinux).canonicalFilePath())
        return true;  // the program's data folder is the tree's own
    ForceDirectories(eigenerOrdner);
    const TAlbumDateien eigene(eigenerOrdner, kManagerTabelle);
    if (!FileExists(eigene.Dbf()))
        form.ErzeugeBilderDatenbankenVerwaltung(eigenerOrdner, kManagerTabelle);

    // The tree's albums that are there: their row in the tree's table and
    // their full path.
    QList<std::pair<uint32_t, QString>> alben;
    {
        TTable tabelle;
        TDataSource quelle(&tabelle);
        TDbe dbe(nullptr);
        dbe.SetDataSource(&quelle);
        if (DatenbankOeffnen(&tabelle, ttDXFOX, &dbe, baum, QString::fromLatin1(kCdrManagerName), QString(), false,
                             true) != 1)
            return true;
        dbe.SetOrder(0);
        for (uint32_t r = 1; r <= dbe.RecCount(); ++r) {
            dbe.Go(r);
            if (dbe.Deleted())
                continue;
            const QString album = ManagerAlbumPfad(dbe.GetTrimString(QStringLiteral("PFAD")), baum);
            if (!album.isEmpty())
                alben.append({r, album});
        }
        tabelle.Close();
    }
    if (alben.isEmpty())
        return true;

    TTable tabelle;
    TDataSource quelle(&tabelle);
    TDbe dbe(nullptr);
    dbe.SetDataSource(&quelle);
    if (DatenbankOeffnen(&tabelle, ttDXFOX, &dbe, eigenerOrdner, kManagerTabelle, QString(), true, false) != 1)
        return true;
    dbe.SetOrder(0);
    QList<std::pair<uint32_t, QString>> zeilen;
    for (uint32_t r = 1; r <= dbe.RecCount(); ++r) {
        dbe.Go(r);
        if (!dbe.Deleted())
            zeilen.append({r, dbe.GetTrimString(QStringLiteral("PFAD"))});
    }
    const auto pfadSetzen = [&](uint32_t zeile, const QString& album) {
        dbe.Go(zeile);
        tabelle.Edit();
        tabelle.FieldByName(QStringLiteral("PFAD"))->SetAsString(album);
        tabelle.Post();
    };
    QSet<uint32_t> vergeben;
    const auto finde = [&](const std::function<bool(const QString&)>& passt) -> uint32_t {
        for (const auto& [zeile, pfad] : zeilen)
            if (!vergeben.contains(zeile) && passt(pfad))
                return zeile;
        return 0;
    };
    for (const auto& [baumZeile, album] : alben) {
        uint32_t zeile =
            finde([&](const QString& pfad) { return pfad.compare(album, Qt::CaseInsensitive) == 0; });
        if (zeile == 0) {
            zeile = finde([&](const QString& pfad) { return VerwaisteBaumZeile(pfad, album); });
            if (zeile != 0) {
                pfadSetzen(zeile, album);
            } else if (dbe.AppendFrom(baumTabelle, 1, QStringLiteral("RECNO()=%1").arg(baumZeile))) {
                zeile = dbe.RecCount();
                pfadSetzen(zeile, album);
            }
        }
        vergeben.insert(zeile);
    }
    tabelle.Close();
    return true;
}

}  // namespace

void TMainForm::FormCreate(TObject* Sender)
{
    // 1-4: run-time flags, dropped files, the hand cursor, the start tick.
    lauf_.NeuerStart();
    Screen->SetCursors(2001, QCursor(Qt::OpenHandCursor));
    LaufStartTick = uint32_t(GetTickCount64());
    FarbeFuerAllePanels();
    BildAnsichten().ExternBearbeiteteSaetze().Clear();

    // 7-9: folders, the album name, the exception logger.
    lauf_.ProgrammPfadSetzen(ProgrammVerzeichnis());
    lauf_.WindowsPfadSetzen(WindowsVerzeichnis());
    BereichBilder().NameSetzen(kStandardAlbum);
    BereichDatenbanken().OrdnerSetzen(lauf_.ProgrammPfad() + QStringLiteral("Data\\Database\\"));
    ForceDirectories(BereichDatenbanken().Ordner());
    BlobTempDir = lauf_.ProgrammPfad();
    AppException1->SetUserName(QStringLiteral("QV-Lumadex Benutzer"));
    AppException1->SetErrorLog(lauf_.ProgrammPfad() + QStringLiteral("LumadexLog.txt"));
    AppException1->Install();

    // 10-11: the program's own binary must be there and the program folder
    // writable (a read-only program folder is a program started from a CD).
    if (!QFileInfo::exists(QCoreApplication::applicationFilePath())) {
        ShowMessage(QStringLiteral("Lumadex.EXE darf nicht umbenannt werden, Starten nicht möglich !"));
        Application->Terminate();
        return;
    }
    if (ProgramFolderIsReadOnly()) {
        ShowMessage(QStringLiteral("Lumadex.EXE ist readOnly (von CD gestartet ?), Starten nicht möglich !"));
        Application->Terminate();
        return;
    }

    // 12-14: the ini file, the options dialog and the settings.
    QKINI_Prog->SetINIFileName(lauf_.IniDatei());
    Einstellungen().VorgabenSetzen(lauf_.ProgrammPfad());
    if (!optionenDialog_) {
        optionenDialog_ = std::make_unique<TMainFormOptionenDialog>(*this);
        ProgrammOptionenForm = &optionenDialog_->Dialog();
    }
    QKINI_Prog->ReadINI();

    // 15-16: the data folders and the predecessor's data.
    AllePfadeChecken();
    KalvunoUebernahme();
    // Started from a CD-R tree: the tree's albums are this run's albums.
    const QString eigeneDaten = lauf_.ProgrammPfad() + QStringLiteral("Data\\Database\\");
    const bool vonCdr = CdrAlbenUebernehmen(*this, eigeneDaten);
    if (vonCdr) {
        BereichDatenbanken().DateienSetzen(TAlbumDateien(eigeneDaten, kManagerTabelle));
        ProgrammOptionen()->EditDatenbankenVerzeichnis = eigeneDaten;
    }

    // 17: file names.
    if (!FileExists(BereichBilder().Dateien().Dbf())) {
        BereichBilder().NameSetzen(QStringLiteral("Bilder.DBF"));
        BereichBilder().OrdnerSetzen(IncludeTrailingBackslash(BereichDatenbanken().Ordner()));
    }
    if (!FileExists(BereichDatenbanken().Dateien().Dbf())) {
        BereichDatenbanken().NameSetzen(kManagerTabelle);
        if (BereichDatenbanken().Ordner().isEmpty())
            BereichDatenbanken().OrdnerSetzen(lauf_.ProgrammPfad() + QStringLiteral("Data\\Database\\"));
    }
    if (!FileExists(BereichDatenbanken().Ordner() + DateienDBF))
        DateienDBF = QStringLiteral("DateienDBF.DBF");

    // 18-19: the help file, the user's fonts.
    Application->HelpFile = lauf_.ProgrammPfad() + QStringLiteral("Lumadex.HLP");
    ProgrammOptionenForm->LeseFontAusIni(QKINI_Prog->IniPath());

    // 21: the about window at start.
    if (Einstellungen().Bool("StartLogo")) {
        TAboutForm about(this);
        about.Timer1->SetInterval(60000);
        about.ShowModal();
        Application->ProcessMessages();
    }

    // 22: the album.
    AlbumZweigOeffnen(vonCdr);
    if (TableBilder->Active())
        Bilder2DBFOeffnen();

    // 23: the record view's combos take the items of their grid twins.
    DBComboBoxBilderQualitaet2->SetItems(DBComboBoxBilderQualitaet->Items());
    DBComboBoxMotivQualitaet2->SetItems(DBComboBoxMotivQualitaet->Items());
    DBComboboxBilderPlayListe2->SetItems(DBComboboxBilderPlayListe->Items());
    DBComboBoxBildQuelle2->SetItems(DBComboBoxBildQuelle->Items());

    // 24-27.
    ProgInitalisieren();
    if (!TableBilder->Active() || !FileExists(BereichBilder().Dateien().Ia()))
        volltextWartet_ = false;
    if (TableBilder->Active() && !volltextWartet_)
        OeffneBilderFTS();
    if (TableBilder->Active() && BereichBilder().Sortierung() == 0)
        SortierungSetzen(QStringLiteral("SHORTDESC"));
    if (TMenuItem* ende = MenuItem(QStringLiteral("Ende4")))
        ende->SetVisible(Einstellungen().Bool("EndeImMenu"));
    (void)Sender;
}

void TMainForm::SortierungSetzen(const QString& tag)
{
    for (int n = 1; n <= 255; ++n) {
        const QString name = DbeBilder->TagName(n);
        if (name.isEmpty())
            return;
        if (name.compare(tag, Qt::CaseInsensitive) == 0) {
            DbeBilder->SetOrder(n);
            // (A tag that cannot be read is not taken: the rows stay as they are.)
            if (DbeBilder->IndexOrd() != n)
                return;
            BereichBilder().SortierungSetzen(n);
            StatusBarBilder1->Panels()->Items(3)->SetText(QStringLiteral("Sortierung=") + name);
            return;
        }
    }
}

void TMainForm::AlbumZweigOeffnen(bool vonCdr)
{
    const auto fehler = [this](const QString& log) {
        Protokoll(QStringLiteral("Info"), log);
        ShowMessage(kAlbumFehler);
        QKINI_Prog->INIWriteString(QString::fromLatin1(kSektionBilder), QStringLiteral("BilderDBF"), QString());
    };
    const auto versuche = [this](const TAlbumDateien& album) {
        try {
            return album_->Oeffnen(album) != 0 && TableBilder->Active();
        } catch (const std::exception& e) {
            Screen->SetCursor(crDefault);
            ShowMessage(QString::fromUtf8(e.what()));
            return false;
        }
    };

    if (FileExists(BereichBilder().Dateien().Dbf())) {
        if (!versuche(BereichBilder().Dateien())) {
            Protokoll(QStringLiteral("Info"),
                      QStringLiteral("FormCreate(), Fehler beim Öffnen des Fotoalbums, Programm beenden !"));
            if (BereichBilder().Name().toUpper() != kStandardAlbum) {
                BereichBilder().NameSetzen(kStandardAlbum);
                QKINI_Prog->INIWriteString(QString::fromLatin1(kSektionBilder), QStringLiteral("BilderDBF"),
                                           BereichBilder().Name());
            }
            ShowMessage(kAlbumFehler);
        }
        return;
    }
    if (!lauf_.ErstStart() && !vonCdr) {
        if (!Einstellungen().Bool("BilderDBFnotOpenMsg"))
            return;
        if (MessageDlg(QStringLiteral("Kein Fotoalbum geöffnet, jetzt versuchen ein Fotoalbum zu öffnen oder neu zu "
                                      "erstellen ?"),
                       mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) != mrYes)
            return;
        if (!versuche(BereichBilder().Dateien()))
            fehler(QStringLiteral("FormCreate(), Fehler beim Öffnen des Fotoalbums, Programm beenden !"));
        return;
    }

    // First start: the album of the manager table's current row. A fresh
    // installation has no manager table yet: it is made without a question.
    if (!FileExists(BereichDatenbanken().Dateien().Dbf()) && DirectoryExists(BereichDatenbanken().Ordner()))
        ErzeugeBilderDatenbankenVerwaltung(BereichDatenbanken().Ordner(), BereichDatenbanken().Name());
    int managerOffen = 0;
    try {
        managerOffen = BilderDBFsOeffnen();
    } catch (const std::exception&) {
        managerOffen = 0;
    }
    if (managerOffen == 0 || !TableBilderDatenbanken->Active()) {
        ShowMessage(kManagerFehler);
        return;
    }
    const QString pfad = Trim(TableBilderDatenbanken->FieldByName(QStringLiteral("PFAD"))->AsString());
    // A row whose path is no path opens no album.
    if (!TableBilderDatenbanken->IsEmpty() && pfad.length() <= 1)
        return;
    if (TableBilderDatenbanken->IsEmpty()) {
        // A fresh installation (no row yet): the user expects an album to
        // work in, so the standard album is made in the database folder,
        // registered in the album manager and opened.
        const TAlbumDateien standard(IncludeTrailingBackslash(BereichDatenbanken().Ordner()), kStandardAlbum);
        if (!FileExists(standard.Dbf()))
            ErzeugeBilderDatenbank(standard.Ordner(), standard.Name());
        if (!versuche(standard)) {
            fehler(QStringLiteral("FormCreate(2), ErstStart,  Fehler beim Öffnen des Fotoalbums, Programm beenden !"));
            return;
        }
        if (DatensatzSuchen(DbeBilderDatenbanken, QStringLiteral("PFAD"), BereichBilder().Dateien().Dbf()) == 0)
            BilderDBFinDBFVerwaltungEintragen(BereichBilder().Dateien().Dbf(), 1, 0);
        return;
    }
    const TAlbumDateien album = TAlbumDateien::AusPfad(pfad);
    if (album.Ordner().isEmpty() && !album.Name().isEmpty()) {
        // Search the CD drive's data folder for the album.
        LetzteGefundeneDateiLeeren();
        QKFind1->SetStartPath(QString(CDLaufwerk) + QStringLiteral(":\\data\\database\\"));
        QKFind1->SetFilePattern(album.Name());
        QKFind1->Subdirs = true;
        QKFind1->Execute();
        const QString ordner = ExtractFilePath(LetzteGefundeneDatei());
        if (LetzteGefundeneDatei().isEmpty() || !FileExists(ordner + album.Name()))
            return;
        if (!versuche(TAlbumDateien(ordner, album.Name()))) {
            fehler(QStringLiteral("FormCreate(1), ErstStart,  Fehler beim Öffnen des Fotoalbums, Programm beenden !"));
            return;
        }
        TableBilderDatenbanken->Edit();
        TableBilderDatenbanken->FieldByName(QStringLiteral("Pfad"))->SetAsString(BereichBilder().Dateien().Dbf());
        TableBilderDatenbanken->Post();
        return;
    }
    if (!versuche(album))
        fehler(QStringLiteral("FormCreate(2), ErstStart,  Fehler beim Öffnen des Fotoalbums, Programm beenden !"));
}

void TMainForm::AllePfadeChecken()
{
    for (;;) {
        TProgrammOptionenStand* o = ProgrammOptionen();
        const auto anlegen = [](const QString& ordner) {
            if (!DirectoryExists(ordner) && !ForceDirectories(ordner))
                ShowMessage(QStringLiteral("Konnte Pfad (") + ordner + QStringLiteral(") nicht anlegen!"));
        };
        if (Trim(o->EditDatenbankenVerzeichnis).isEmpty()) {
            BereichDatenbanken().OrdnerSetzen(lauf_.ProgrammPfad() + QStringLiteral("Data\\Database\\"));
            o->EditDatenbankenVerzeichnis = BereichDatenbanken().Ordner();
            anlegen(BereichDatenbanken().Ordner());
        }
        anlegen(BereichDatenbanken().Ordner());
        const QString edit = o->EditDatenbankenVerzeichnis;
        if (!edit.isEmpty() && DirectoryExists(edit))
            return;
        if (MessageDlg(QStringLiteral("Pfad ") + edit +
                           QStringLiteral(" existiert nicht, tragen Sie einen Pfad zu den Fotoalben (Datenbanken) ein !"),
                       mtInformation, mbOKCancel) != mrOk)
            return;
        Protokoll(QStringLiteral("Info"),
                  QStringLiteral("AllePfadeChecken, Optionen aufgerufen, ") + edit + QStringLiteral(" existiert nicht!"));
        ProgrammOptionenForm->Zeigen(rtVerzeichnisse);
        BereichDatenbanken().OrdnerSetzen(IncludeTrailingBackslash(Trim(o->EditDatenbankenVerzeichnis)));
    }
}

void TMainForm::KalvunoUebernahme()
{
    const QString sektion = QString::fromLatin1(kSektionHaupt);
    if (!FileExists(lauf_.WindowsPfad() + QStringLiteral("KALVUNO.INI")) ||
        !QKINI_Prog->INIReadBool(sektion, QStringLiteral("KalvunoDatenUebernahme"), true))
        return;
    const QString eigene = QKINI_Prog->INIFileName();
    QKINI_Prog->SetINIFileName(lauf_.WindowsPfad() + QStringLiteral("Kalvuno.ini"));
    const QString pfad = IncludeTrailingBackslash(
        QKINI_Prog->INIReadString(sektion, QStringLiteral("ProgrammPfad"), QString()));
    if (!FileExists(pfad + QStringLiteral("KALVUNO.EXE"))) {
        QKINI_Prog->SetINIFileName(eigene);
        return;
    }
    int ergebnis = 0;
    if (MessageDlg(QStringLiteral("Sollen die Fotoalben Ihrer Kalvuno-Installation in QV-Lumadex übernommen (kopiert) "
                                  "werden ?"),
                   mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) == mrYes)
        ergebnis = DatenUebernehmen();
    QKINI_Prog->SetINIFileName(eigene);
    if (ergebnis == 1 ||
        MessageDlg(QStringLiteral("Beim nächsten Programmstart erneut wegen Datenübernahme nachfragen ?"),
                   mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) != mrYes)
        QKINI_Prog->INIWriteBool(sektion, QStringLiteral("KalvunoDatenUebernahme"), false);
}

int TMainForm::DatenUebernehmen()
{
    const QString alt = IncludeTrailingBackslash(QKINI_Prog->INIReadString(
        QString::fromLatin1(kSektionHaupt), QStringLiteral("DatenbankenVerzeichnis"), QString()));
    const QString ziel = lauf_.ProgrammPfad() + QStringLiteral("Data\\Database\\");
    ForceDirectories(ziel);
    const auto kopiere = [](const QString& von, const QString& nach, const QString& fehler) {
        TQKCopy copy(nullptr);
        copy.OverWrite = false;
        copy.ShowCopyDialog = true;
        copy.SetSource(von);
        copy.SetDest(nach);
        bool fertig = false;
        try {
            fertig = copy.Execute();
        } catch (const std::exception&) {
            fertig = false;
        }
        if (!fertig)
            throw Exception(fehler);
    };
    const TAlbumDateien altesVerzeichnis(alt, QStringLiteral("BILDERDBF.DBF"));
    const TAlbumDateien manager(ziel, kManagerTabelle);
    if (FileExists(altesVerzeichnis.Dbf())) {
        const QString fehler = QStringLiteral("Fehler beim kopieren von BilderDBF.* nach LXMan.* !");
        kopiere(altesVerzeichnis.Dbf(), manager.Dbf(), fehler);
        if (FileExists(altesVerzeichnis.Cdx()))
            kopiere(altesVerzeichnis.Cdx(), manager.Cdx(), fehler);
    }
    BereichDatenbanken().DateienSetzen(manager);
    ProgrammOptionen()->EditDatenbankenVerzeichnis = ziel;
    if (BilderDBFsOeffnen() == 0) {
        ShowMessage(kManagerFehler);
        return 0;
    }
    for (DbeBilderDatenbanken->GoTop(); !DbeBilderDatenbanken->Eof(); DbeBilderDatenbanken->Skip(1)) {
        const QString pfad = DbeBilderDatenbanken->GetTrimString(QStringLiteral("PFAD"));
        if (!FileExists(pfad))
            continue;
        const QString quelle = pfad.left(pfad.length() - 3) + QLatin1Char('*');
        const QString name = ExtractFileName(pfad);
        const QString nach = ziel + name.left(name.length() - 3) + QLatin1Char('*');
        kopiere(quelle, nach,
                QStringLiteral("Fehler beim kopieren von ") + quelle + QStringLiteral(" nach ") + nach +
                    QStringLiteral(" !"));
    }
    TableBilderDatenbanken->Refresh();
    return 1;
}

void TMainForm::StarteSetup()
{
    const QString setup = lauf_.ProgrammPfad().left(1) + QStringLiteral(":\\SETUP.EXE");
    if (FileExists(setup)) {
        if (ShellExecute(setup, QString(), QString(), SW_SHOWNORMAL) <= 32)
            ShowMessage(QStringLiteral("Fehler beim Starten von ") + setup);
    }
    Application->Terminate();
}

void TMainForm::KopiereProgramm()
{
    const QString programmPfad = IncludeTrailingBackslash(QKINI_Prog->INIReadString(
        QString::fromLatin1(kSektionHaupt), QStringLiteral("ProgrammPfad"), QString()));
    const QString fehler = QStringLiteral("Bilderdateienverwaltung (Lumadex.EXE) konnte nicht gestartet werden !");
    const auto starten = [&](const QString& ordner) {
        if (ShellExecute(ordner + QStringLiteral("Lumadex.EXE"), QString(), ordner, SW_SHOWNORMAL) <= 32)
            MessageDlg(fehler, mtWarning, TMsgDlgButtons{mbOK});
        Application->Terminate();
    };
    if (FileExists(lauf_.IniDatei()) && programmPfad.length() > 1) {
        if (MessageDlg(programmPfad + QStringLiteral("Lumadex.EXE gefunden, starten ?"), mtConfirmation,
                       TMsgDlgButtons{mbYes, mbNo}) == mrYes) {
            starten(programmPfad);
            return;
        }
    }
    QString ziel = QStringLiteral("C:\\Lumadex");
    if (!InputQuery(QStringLiteral("QV-Lumadex kopieren"),
                    QStringLiteral("Zielverzeichnis für die Bilderdateienverwaltung angeben:"), ziel)) {
        Application->Terminate();
        return;
    }
    ziel = IncludeTrailingBackslash(ziel);
    Screen->SetCursor(crHourGlass);
    TQKCopy copy(nullptr);
    copy.SetSource(lauf_.ProgrammPfad() + QStringLiteral("*.*"));
    copy.SetDest(ziel);
    try {
        copy.Execute();
    } catch (const std::exception& e) {
        ShowMessage(QString::fromUtf8(e.what()));
    }
    Screen->SetCursor(crDefault);
    ShowMessage(QStringLiteral("Die Bilderdateienverwaltung wird jetzt gestartet ..."));
    starten(ziel);
}

void TMainForm::ProgInitalisieren()
{
    if (!Einstellungen().Bool("Maushilfe"))
        Application->ShowHint = false;
    StatusBarBilder1->Panels()->Items(4)->SetText(QStringLiteral("Kein Filter gesetzt"));
    StatusBarBilder1->Panels()->Items(3)->SetText(QStringLiteral("unsortiert"));
}

void TMainForm::FarbeFuerAllePanels()
{
    // The system colour scheme: panels and pages take the button face.
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* panel = dynamic_cast<TPanel*>(Components(i)))
            panel->SetColor(clBtnFace);
}

void TMainForm::VolltextNachholen()
{
    if (!volltextWartet_)
        return;
    volltextWartet_ = false;
    if (TableBilder->Active())
        OeffneBilderFTS();
}
