// Start-up, settings and shutdown of the main window as the program runs
// them: a first start in fresh folders, the ini file after the first
// shutdown, a second start, and bad input.

#include "start_fixture.h"

#include "fake_tools.h"

#include "controls/xtoolbar.h"
#include "mainwindow/main_settings.h"
#include "platform/core/file_utils.h"
#include "platform/os/folders.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/menus.h"
#include "storage/tdbe.h"


namespace {

TEST_F(StartTest, FirstStartMakesRegistersAndOpensTheStandardAlbum)
{
    StartenUndZeigen();
    ASSERT_TRUE(form->TableBilder->Active());
    EXPECT_TRUE(std::filesystem::exists(Datenbank() / "BILDER.DBF"));
    EXPECT_TRUE(std::filesystem::exists(Datenbank() / "BILDER.CDX"));
    EXPECT_TRUE(std::filesystem::exists(Datenbank() / "LXMan.DBF"));
    EXPECT_EQ(form->BereichBilder().Name().toUpper(), "BILDER.DBF");
    EXPECT_TRUE(form->Dienste().Lauf().ErstStart());
    EXPECT_EQ(form->Dienste().Lauf().ProgAufrufe(), 1);
    // Registered in the album manager.
    ASSERT_TRUE(form->TableBilderDatenbanken->Active());
    EXPECT_EQ(form->DbeBilderDatenbanken->RecCount(), 1u);
    EXPECT_TRUE(form->DbeBilderDatenbanken->GetTrimString("PFAD").toUpper().endsWith("BILDER.DBF"));
    // The deferred start-up: the first-start notice of an empty album, the
    // caption with the album, the counts.
    EXPECT_TRUE(prompts.Gezeigt("Ihre Fotoalbum könnte noch leer sein"));
    EXPECT_TRUE(prompts.Gezeigt("Programm-Link jetzt auf dem Desktop erstellen ?"));
    EXPECT_EQ(form->Caption(), "QV-Lumadex  v1.50 (BILDER.DBF)");
    EXPECT_EQ(form->StatusBarBilder1->Panels()->Items(1)->Text(), "0 von 0 Einträge angezeigt");
    EXPECT_FALSE(prompts.Gezeigt("Es ist kein Fotoalbum geöffnet !"));
    // Help shows only when asked for.
    EXPECT_FALSE(prompts.Gezeigt("Die Hilfe zu QV-Lumadex"));
    Beenden();
}

TEST_F(StartTest, FirstShutdownWritesEveryKeyOfTheTable)
{
    StartenUndZeigen();
    Beenden();
    ASSERT_TRUE(std::filesystem::exists(Ini()));
    const QString programm = Win(home) + "\\";
    for (const TIniSchluessel& k : IniSchluesselTabelle()) {
        if (!(k.Flags & kIniSchreiben))
            continue;
        const char* name = k.Schreibname ? k.Schreibname : k.Schluessel;
        EXPECT_NE(IniLesen(k.Sektion, name), "<fehlt>") << k.Sektion << " / " << name;
    }
    for (const TEinstellung& k : EinstellungsTabelle())
        EXPECT_NE(IniLesen(k.Sektion, k.Schluessel), "<fehlt>") << k.Sektion << " / " << k.Schluessel;
    // Values that the run decides, and defaults taken straight from the table.
    EXPECT_EQ(IniLesen("Einstellungen Hauptprogramm", "ErstStart"), "0");
    EXPECT_EQ(IniLesen("Einstellungen Hauptprogramm", "ProgAufrufe"), "1");
    EXPECT_EQ(IniLesen("Einstellungen Hauptprogramm", "LinkErstellt"), "1");
    EXPECT_EQ(IniLesen("Einstellungen Hauptprogramm", "Revision"), "1.50.230 (31.05.2006)");
    EXPECT_EQ(IniLesen("Einstellungen Hauptprogramm", "ProgrammPfad"), programm);
    EXPECT_EQ(IniLesen("Einstellungen Hauptprogramm", "Pflichtfarbe"), QString::number(0xFFFF00));
    EXPECT_EQ(IniLesen("Einstellungen Hauptprogramm", "NoAccessFarbe"), QString::number(0x0000FF));
    EXPECT_EQ(IniLesen("Einstellungen Hauptprogramm", "RequesterAnzeigeZeit"), "10");
    EXPECT_EQ(IniLesen("Einstellungen Hauptprogramm", "MaxLogSize"), "200");
    EXPECT_EQ(IniLesen("Einstellungen Hauptprogramm", "CDRDir"), programm + "DATA\\CDR\\");
    EXPECT_EQ(IniLesen("Einstellungen Hauptprogramm", "LastRecNo"), "1");
    EXPECT_NE(IniLesen("Einstellungen Hauptprogramm", "GesamtNutzungsZeit"), "<fehlt>");
    EXPECT_EQ(IniLesen("Einstellungen Bilder", "BilderDBF").toUpper(), "BILDER.DBF");
    EXPECT_EQ(IniLesen("Einstellungen Bilder", "BilderDBFPfad").toUpper(), (programm + "Data\\Database\\").toUpper());
    EXPECT_EQ(IniLesen("Einstellungen Bilder", "Bildbearbeitung2"), "Externe Bildbearbeitung2");
    EXPECT_EQ(IniLesen("Einstellungen Bilder", "SourceFileSuffix"), "JPG");
    EXPECT_EQ(IniLesen("Einstellungen Bilder", "ComboBoxDropDownCount"), "10");
    EXPECT_EQ(IniLesen("Einstellungen TextVollbildanzeige", "TextVollbildBGColor"), QString::number(0xFFFFFF));
    EXPECT_EQ(IniLesen("ToolbarBilderMain", "Aktiv"), "1");
    EXPECT_EQ(IniLesen("Einstellungen Hauptprogramm", "CDLaufwerk"), "<fehlt>");  // read only
    // Nothing was written into the album.
    EXPECT_TRUE(prompts.Gezeigt("Sie haben QV-Lumadex 00:00:"));
}

TEST_F(StartTest, SecondStartCountsAndReopensTheAlbumWithoutFirstStartNotices)
{
    StartenUndZeigen();
    Beenden();
    form.reset();
    prompts.Texte.clear();
    StartenUndZeigen();
    EXPECT_FALSE(form->Dienste().Lauf().ErstStart());
    EXPECT_EQ(form->Dienste().Lauf().ProgAufrufe(), 2);
    EXPECT_TRUE(form->TableBilder->Active());
    EXPECT_FALSE(prompts.Gezeigt("Programm-Link"));
    EXPECT_FALSE(prompts.Gezeigt("Ihre Fotoalbum"));
    EXPECT_TRUE(form->Timer2->Enabled());
    Beenden();
    EXPECT_EQ(IniLesen("Einstellungen Hauptprogramm", "ProgAufrufe"), "2");
}

TEST_F(StartTest, UsageTimeIsAddedOverRunsIn64Bits)
{
    SetTickCountForTests(uint64_t(0xFFFFF000u));  // the 32-bit counter wraps during the run
    StartenUndZeigen();
    SetTickCountForTests(uint64_t(0x1'0000'0000ull) + 3661000 - 0x1000);
    Beenden();
    SetTickCountForTests(std::nullopt);
    EXPECT_EQ(IniLesen("Einstellungen Hauptprogramm", "GesamtNutzungsZeit"), "3661000");
    EXPECT_TRUE(prompts.Gezeigt("Sie haben QV-Lumadex 01:01:01 von Insgesamt 01:01:01 (Std:Min:Sek) benutzt"));
}

TEST(Nutzungszeit, TextsSumsAndAverages)
{
    EXPECT_EQ(TMainForm::ZeitText(3661000), "01:01:01");
    EXPECT_EQ(TMainForm::ZeitText(int64_t(100) * 3600 * 1000), "100:00:00");
    EXPECT_EQ(TMainForm::ZeitText(0), "00:00:00");
    EXPECT_EQ(TMainForm::GesamtZeitAddieren(1000, 500), 1500);
    EXPECT_EQ(TMainForm::GesamtZeitAddieren(2147483000, 10000), 2147483647);
    EXPECT_EQ(TMainForm::GesamtZeitAddieren(-5, 100), 100);
    EXPECT_EQ(TMainForm::DurchschnittProStart(9000, 3), 3000);
    EXPECT_EQ(TMainForm::DurchschnittProStart(9000, 0), 0);
}

TEST_F(StartTest, SettingsRulesOnRead)
{
    IniSchreiben("[Einstellungen Hauptprogramm]\r\nMouseHintTime=0\r\nHintHidePause=3\r\nErstStart=0\r\n"
                 "RequesterAnzeigeZeit=65537\r\n[Einstellungen Bilder]\r\nBilderDBF=   \r\nComboBoxDropDownCount=258\r\n");
    Starten();
    EXPECT_EQ(Application->HintPause, 200);
    EXPECT_EQ(Application->HintHidePause, 3000);
    // Numbers outside their range give the default.
    EXPECT_EQ(form->Dienste().Lauf().AnzeigeZeit(), 10);
    EXPECT_EQ(form->Einstellungen().Int("ComboBoxDropDownCount"), 10);
    EXPECT_EQ(form->BereichBilder().Name().toUpper(), "BILDER.DBF");  // blanks keep the name
    form.reset();
    IniSchreiben("[Einstellungen Hauptprogramm]\r\nMouseHintTime=1\r\nErstStart=0\r\n");
    Starten();
    EXPECT_EQ(Application->HintPause, 1000);
}

TEST_F(StartTest, GarbageIniGivesDefaultsAndAStartedProgram)
{
    IniSchreiben("\x01\x02 kein ini\r\n[Einstellungen Hauptprogramm\r\n=ohne Namen\r\nProgAufrufe=abc\r\n"
                 "[Einstellungen Bilder]\r\nBilderActiveOrder=xyz\r\nBilderDBFPfad=\r\n\xff\xfe\r\n");
    StartenUndZeigen();
    EXPECT_EQ(form->Dienste().Lauf().ProgAufrufe(), 1);
    EXPECT_TRUE(form->TableBilder->Active());
    Beenden();
    EXPECT_EQ(IniLesen("Einstellungen Hauptprogramm", "ProgAufrufe"), "1");
}

TEST_F(StartTest, MissingAlbumOfTheIniAsksAndStartsWithoutAlbum)
{
    IniSchreiben("[Einstellungen Hauptprogramm]\r\nErstStart=0\r\n[Einstellungen Bilder]\r\n"
                 "BilderDBF=WEG.DBF\r\nBilderDBFPfad=C:\\gibt\\es\\nicht\\\r\n");
    StartenUndZeigen();
    EXPECT_TRUE(prompts.Gezeigt("Kein Fotoalbum geöffnet, jetzt versuchen ein Fotoalbum zu öffnen"));
    EXPECT_FALSE(form->TableBilder->Active());
    EXPECT_TRUE(prompts.Gezeigt("Es ist kein Fotoalbum geöffnet !"));
    EXPECT_EQ(form->StatusBarBilder1->Panels()->Items(1)->Text(), "0 von 0 Einträge angezeigt");
    Beenden();
}

TEST_F(StartTest, DamagedAlbumGivesTheMessageAndIsLeftUntouched)
{
    std::filesystem::create_directories(Datenbank());
    const std::string kaputt(300, '\x55');
    lxtest::WriteFile(Datenbank() / "KAPUTT.DBF", kaputt);
    IniSchreiben("[Einstellungen Hauptprogramm]\r\nErstStart=0\r\n[Einstellungen Bilder]\r\nBilderDBF=KAPUTT.DBF\r\n"
                 "BilderDBFPfad=" + Win(Datenbank()).toStdString() + "\\\r\n");
    StartenUndZeigen();
    EXPECT_FALSE(form->TableBilder->Active());
    EXPECT_TRUE(prompts.Gezeigt("Fehler beim Öffnen des Fotoalbums, beenden Sie das Programm !"));
    EXPECT_EQ(lxtest::ReadFile(Datenbank() / "KAPUTT.DBF"), kaputt);
    EXPECT_EQ(IniLesen("Einstellungen Bilder", "BilderDBF").toUpper(), "BILDER.DBF");
    Beenden();
}

TEST_F(StartTest, ResetDeletesTheIniFileInUseAndEndsWithoutWriting)
{
    StartenUndZeigen();
    Beenden();
    form.reset();
    StartenUndZeigen();
    prompts.Antworten[QStringLiteral("Grundeinstellungen wieder herstellen")] = mrYes;
    form->ResetundNeustart1Click(nullptr);
    EXPECT_FALSE(std::filesystem::exists(Ini()));
    EXPECT_TRUE(prompts.Gezeigt("lumadex.ini gelöscht, bitte Programm neu starten!"));
    form.reset();  // closing the window after the reset writes nothing
    EXPECT_FALSE(std::filesystem::exists(Ini()));
}

TEST_F(StartTest, DroppedFilesKeepPicturesAndSetTheirScanTypes)
{
    Starten();
    form->DateienFallengelassen({"/tmp/a.txt", "/tmp/b.doc"});
    EXPECT_TRUE(prompts.Gezeigt("es sind aber keine gültigen Bilderdateien darunter gewesen!"));
    EXPECT_EQ(IniLesen("Einstellungen BilderScan", "FindJPG"), "<fehlt>");

    prompts.Texte.clear();
    form->DateienFallengelassen({"/tmp/a.jpg", "/tmp/b.txt", "/tmp/c.Png"});
    ASSERT_EQ(form->Dienste().Lauf().DropListe().Count(), 2);
    EXPECT_TRUE(form->Dienste().Lauf().DropListe()[0].endsWith("a.jpg"));
    EXPECT_TRUE(form->Dienste().Lauf().DropListe()[1].endsWith("c.Png"));
    EXPECT_EQ(IniLesen("Einstellungen BilderScan", "FindJPG"), "1");
    EXPECT_EQ(IniLesen("Einstellungen BilderScan", "FindPNG"), "1");
    EXPECT_TRUE(prompts.Gezeigt("es wird jetzt der Hinzufügendialog aufgerufen!"));
    // The add command takes the list over.
    EXPECT_FALSE(prompts.Gezeigt("Diese Funktion ist noch nicht verfügbar."));
    EXPECT_FALSE(form->Dienste().Lauf().DropUebergabeLaeuft());
}

TEST_F(StartTest, KeysAndHints)
{
    Starten();
    Word key = VK_ESCAPE;
    form->FormKeyDown(form.get(), key, {});
    EXPECT_TRUE(form->Dienste().Lauf().AbbruchGedrueckt());
    // Ctrl+Shift+F5 starts no editor; Ctrl+F5 reaches the editor command,
    // which without an open album has no picture to hand over.
    prompts.Texte.clear();
    key = VK_F5;
    form->FormKeyUp(form.get(), key, TShiftState{ssCtrl, ssShift});
    EXPECT_TRUE(prompts.Texte.isEmpty());
    form->FormKeyUp(form.get(), key, TShiftState{ssCtrl});
    EXPECT_TRUE(form->HandlerVorhanden("Bildexternbearbeiten_11Click"));
    EXPECT_FALSE(prompts.Gezeigt("Diese Funktion ist noch nicht verfügbar."));

    EXPECT_EQ(TMainForm::HintTonNummer(7, "egal"), 7);
    EXPECT_EQ(TMainForm::HintTonNummer(0, "Zum nächsten Datensatz gehen"), 103);
    EXPECT_EQ(TMainForm::HintTonNummer(0, "Die Änderungen am aktuellen Datensatz verwerfen"), 109);
    EXPECT_EQ(TMainForm::HintTonNummer(0, "sonst etwas"), 0);
}

TEST_F(StartTest, SmallCommandsAndTheirMessages)
{
    Starten();
    form->DurchschnZeitproNutzung1Click(nullptr);
    EXPECT_TRUE(prompts.Gezeigt("Sie haben QV-Lumadex durchschnittlich 00:00:00 (Std:Min:Sek) pro Programmstart"));
    form->OnlineUpdate1Click(nullptr);
    EXPECT_TRUE(prompts.Gezeigt("Internet-Update befindet sich in der Enwicklung!"));
    ASSERT_TRUE(form->HandlerVorhanden("Dateiverschieben1Click"));
    form->Handler("Dateiverschieben1Click")(nullptr);
    EXPECT_TRUE(prompts.Gezeigt("Funktion noch nicht eingebaut!"));
    form->PageControlBilder->SetActivePage(form->TabSheetGrossBild);
    form->SortierHinweisClick(nullptr);
    EXPECT_EQ(form->PageControlBilder->ActivePage(), form->TabSheetBilderDatenbank);

    TMenuItem* toolbar = form->MenuItem("BilderToolBarAnzeigen");
    ASSERT_TRUE(toolbar->Checked());
    form->BilderToolBarAnzeigenClick(toolbar);
    EXPECT_FALSE(toolbar->Checked());
    EXPECT_FALSE(form->XToolBarBilderVerwaltung->Visible());

    ASSERT_NE(form->Menu(), nullptr);
    form->Hauptmenueausblenden1Click(nullptr);
    EXPECT_EQ(form->Menu(), nullptr);
    EXPECT_TRUE(form->MenuItem("Hauptmenueeinblenden1")->Visible());
    form->Hauptmenueeinblenden1Click(nullptr);
    EXPECT_NE(form->Menu(), nullptr);
    EXPECT_FALSE(form->MenuItem("Hauptmenueeinblenden1")->Visible());
}

}  // namespace

namespace {

TEST_F(StartTest, ManagerTableFieldsKeepTheirCaptionsFormatsAndReadOnlyState)
{
    StartenUndZeigen();
    for (int runde = 0; runde < 2; ++runde) {  // kept across a reopen
        TdkTable* m = form->TableBilderDatenbanken;
        ASSERT_TRUE(m->Active());
        EXPECT_EQ(m->FieldByName("PFAD")->DisplayLabel(), "Kompletter Pfad inkl. Dateiname");
        EXPECT_TRUE(m->FieldByName("PFAD")->ReadOnly());
        EXPECT_TRUE(m->FieldByName("SAETZE")->ReadOnly());
        EXPECT_FALSE(m->FieldByName("OWNER")->ReadOnly());
        EXPECT_TRUE(m->FieldByName("BYTESDBF")->Visible());
        EXPECT_FALSE(m->FieldByName("BYTESFPT")->Visible());
        EXPECT_FALSE(m->FieldByName("PICBYTES")->Visible());
        auto* bytes = dynamic_cast<TNumericField*>(m->FieldByName("BYTESDBF"));
        ASSERT_NE(bytes, nullptr);
        // Grouped by thousands; a size of nothing shows its 0.
        EXPECT_EQ(bytes->DisplayFormat, "###,###,###,##0");
        m->Close();
        ASSERT_EQ(form->BilderDBFsOeffnen(), 1);
    }
    // The command shows the album manager dialog.
    prompts.Texte.clear();
    form->MenuItem("AndereBilderdatenbankoeffnen1")->Click();
    EXPECT_TRUE(prompts.Gezeigt("<Modal BilderDBFManagerForm>"));
    EXPECT_FALSE(prompts.Gezeigt("Diese Funktion ist noch nicht verfügbar."));
    Beenden();
}

TEST_F(StartTest, DamagedManagerTableOnAFirstStartLeavesAStartedProgram)
{
    std::filesystem::create_directories(Datenbank());
    const std::string kaputt = "kein DBF" + std::string(200, '\x01');
    lxtest::WriteFile(Datenbank() / "LXMan.DBF", kaputt);
    StartenUndZeigen();
    EXPECT_TRUE(prompts.Gezeigt("Öffnen der Fotoalbenmanager-Datenbank fehlgeschlagen !") ||
                prompts.Gezeigt("Lumadex-Datenbank"));
    EXPECT_FALSE(form->TableBilder->Active());
    EXPECT_TRUE(prompts.Gezeigt("Es ist kein Fotoalbum geöffnet !"));
    EXPECT_EQ(lxtest::ReadFile(Datenbank() / "LXMan.DBF"), kaputt);
    Beenden();
    EXPECT_EQ(IniLesen("Einstellungen Hauptprogramm", "ErstStart"), "0");
}

}  // namespace

namespace {

// HOME and the XDG folders of one test, put back afterwards.
class THeimat {
public:
    explicit THeimat(const std::filesystem::path& heim)
    {
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
            vorher_.push_back({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
        qputenv("HOME", QByteArray::fromStdString(heim.string()));
        qunsetenv("XDG_CONFIG_HOME");
        qunsetenv("XDG_DATA_HOME");
    }
    ~THeimat()
    {
        for (const auto& v : vorher_)
            if (v.Gesetzt)
                qputenv(v.Name, v.Wert);
            else
                qunsetenv(v.Name);
    }

private:
    struct TWert {
        const char* Name;
        QByteArray Wert;
        bool Gesetzt;
    };
    std::vector<TWert> vorher_;
};

}  // namespace

TEST_F(StartTest, FirstStartLinkGoesWhereTheDesktopKeepsItsLaunchers)
{
    struct Fall {
        const char* Name;
        const char* UserDirs;  // user-dirs.dirs; "" none
        const char* Anlegen;   // folder made in the home; "" none
        const char* Ordner;    // where the launcher is expected
    };
    const Fall faelle[] = {
        {"no desktop folder", "", "", ".local/share/applications"},
        {"desktop of user-dirs", "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n", "Schreibtisch", "Schreibtisch"},
        {"plain Desktop", "", "Desktop", "Desktop"},
    };
    Starten();
    int n = 0;
    for (const Fall& f : faelle) {
        const std::filesystem::path heim = dir.path() / ("heim" + std::to_string(++n));
        std::filesystem::create_directories(heim);
        if (*f.UserDirs)
            lxtest::WriteFile(heim / ".config" / "user-dirs.dirs", f.UserDirs);
        if (*f.Anlegen)
            std::filesystem::create_directories(heim / f.Anlegen);
        THeimat heimat(heim);
        prompts.Antworten[QStringLiteral("Programm-Link")] = mrYes;
        prompts.Texte.clear();
        form->LinkaufDesktoperstellen1Click(nullptr);
        const std::filesystem::path datei = heim / f.Ordner / "QV-Lumadex, die Bilderdateienverwaltung.desktop";
        EXPECT_TRUE(std::filesystem::exists(datei)) << f.Name;
        EXPECT_FALSE(prompts.Gezeigt("schief")) << f.Name;
        EXPECT_TRUE(prompts.Gezeigt(QString::fromStdString((heim / f.Ordner).string()))) << f.Name;
    }
}

TEST_F(StartTest, TheHistoryComesWithTheProgramAndOpensInTheTextViewer)
{
    // The program folder holds what the program ships, as the main block
    // seeds it at the start.
    ASSERT_GT(SeedProgramFolder(QStringLiteral(LUMADEX_RESOURCES_DIR)), 0);
    const std::filesystem::path his = home / "Lumadex.HIS";
    ASSERT_TRUE(std::filesystem::exists(his));
    const std::string text = lxtest::ReadFile(his);
    EXPECT_EQ(text.rfind("QV-Lumadex - Versionsgeschichte\r\n", 0), 0u);
    EXPECT_NE(text.find("Version 1.50.230 (31.05.2006)"), std::string::npos);
    EXPECT_NE(text.find("\xDC" "bernahme"), std::string::npos);  // "Ü" in Windows-1252
    Starten();

    TFakeWerkzeuge w;
    w.Anlegen("xdg-mime", 0, "textanzeige.desktop\n");
    w.Anlegen("gio");
    w.Setzen("XDG_DATA_HOME", (dir.path() / "daten").string());
    w.Setzen("XDG_DATA_DIRS", (dir.path() / "leer").string());
    lxtest::WriteFile(dir.path() / "daten/applications/textanzeige.desktop",
                      "[Desktop Entry]\nType=Application\nName=Text\nExec=textanzeige %f\n");
    prompts.Texte.clear();
    form->MenuItem("HistoryLumadexhis1")->Click();
    EXPECT_EQ(w.Argumente("gio"), QStringList({"launch",
                                               QString::fromStdString((dir.path() / "daten/applications/textanzeige.desktop").string()),
                                               QString::fromStdString(his.string())}));
    EXPECT_TRUE(prompts.Texte.isEmpty()) << prompts.Texte.join(" / ").toStdString();

    // No viewer for text: the command says it could not start.
    w.Anlegen("xdg-mime");
    form->MenuItem("HistoryLumadexhis1")->Click();
    EXPECT_TRUE(prompts.Gezeigt("Fehler beim Starten von " + Win(home) + "\\lumadex.his"))
        << prompts.Texte.join(" / ").toStdString();
}

namespace {

// A CD-R tree as the CD-R form leaves it: its manager table names the
// albums by file name, each album lies in the folder of its base name.
class CdrBaumStartTest : public StartTest {
protected:
    void TearDown() override
    {
        qunsetenv("LUMADEX_CDR_DATEN");
        StartTest::TearDown();
    }
    static void Tabelle(const std::filesystem::path& datei, std::span<const TAlbumFeld> felder)
    {
        std::filesystem::create_directories(datei.parent_path());
        ASSERT_NE(dbe_CreateNew(datei.string().c_str(), "XXXXXXXXXX", DBE_TYPE_FOX, int(felder.size())), 0)
            << dbe_LastError();
        for (const TAlbumFeld& f : felder)
            dbe_CreateField(f.Name, f.Typ, f.Breite, f.Dezimal);
        ASSERT_EQ(dbe_CreateExec(), 1) << dbe_LastError();
        dbe_Close();
    }
    // Puts the album `name` (base name + ".DBF") into the tree at `wurzel`
    // and a row for it into the tree's manager table.
    static void BaumAlbum(const std::filesystem::path& wurzel, const std::string& name, const std::string& text)
    {
        const auto db = wurzel / "Data" / "Database";
        if (!std::filesystem::exists(db / "LXman.dbf"))
            ASSERT_NO_FATAL_FAILURE(Tabelle(db / "LXman.dbf", kManagerFelder));
        ASSERT_NO_FATAL_FAILURE(Tabelle(db / name / (name + ".DBF"), kAlbumFelder));
        ASSERT_NE(dbe_Use((db / "LXman.dbf").string().c_str(), "BAUM", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0);
        ASSERT_EQ(dbe_AppendBlank(), 1);
        dbe_Replace("PFAD", DBE_REPL_TEXT, (name + ".DBF").c_str());
        dbe_Replace("SHORTDESC", DBE_REPL_TEXT, text.c_str());
        dbe_Commit();
        dbe_Close();
    }
    void Start(const std::filesystem::path& wurzel)
    {
        qputenv("LUMADEX_CDR_DATEN", QByteArray::fromStdString((wurzel / "Data").string()));
        Starten();
        ASSERT_TRUE(form->TableBilder->Active()) << prompts.Texte.join('\n').toStdString();
        Beenden();
        form.reset();
        dbe_CloseAll();
    }
    // The rows of the program's own manager table: path, description, icon
    // and mark.
    std::vector<std::string> Zeilen() const
    {
        std::vector<std::string> zeilen;
        if (dbe_Use((Datenbank() / "LXMan.DBF").string().c_str(), "EIGEN", DBE_READONLY, DBE_TYPE_FOX) == 0)
            return {dbe_LastError()};
        for (dbe_GoTop(); !dbe_Eof(); dbe_Skip(1)) {
            std::string zeile;
            for (const char* feld : {"PFAD", "SHORTDESC", "FLAGS"})
                zeile += std::string(dbe_GetTrimString(feld)) + "|";  // one text buffer per call
            zeilen.push_back(zeile + (dbe_GetLogical("MARKIERT") ? "x" : "-"));
        }
        dbe_Close();
        return zeilen;
    }
    static std::string Pfad(const std::filesystem::path& wurzel, const std::string& name)
    {
        return Win(wurzel / "Data" / "Database" / name / (name + ".DBF")).toStdString();
    }
};

// What the user changed in the manager table of a run from a tree stays at
// the next start from it, also when the tree was moved; albums the tree got
// since are added.
TEST_F(CdrBaumStartTest, StartsFromATreeKeepWhatTheUserChangedInTheManager)
{
    const auto baum = dir.path() / "cdr";
    ASSERT_NO_FATAL_FAILURE(BaumAlbum(baum, "ALBUMA", "Urlaub"));
    ASSERT_NO_FATAL_FAILURE(BaumAlbum(baum, "ALBUMB", "Familie"));
    ASSERT_NO_FATAL_FAILURE(Start(baum));
    EXPECT_EQ(Zeilen(), (std::vector<std::string>{Pfad(baum, "ALBUMA") + "|Urlaub||-",
                                                  Pfad(baum, "ALBUMB") + "|Familie||-"}));

    // The user gives album A another description and an icon, marks album
    // B and registers an album of his own.
    const std::string eigenes = Win(dir.path() / "EIGEN.DBF").toStdString();
    ASSERT_NE(dbe_Use((Datenbank() / "LXMan.DBF").string().c_str(), "EIGEN", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0);
    dbe_Go(1);
    dbe_Replace("SHORTDESC", DBE_REPL_TEXT, "Sommer 2005");
    dbe_Replace("FLAGS", DBE_REPL_TEXT, "7");
    dbe_Go(2);
    const char ja = 'T';
    dbe_Replace("MARKIERT", DBE_REPL_LOGICAL, &ja);
    ASSERT_EQ(dbe_AppendBlank(), 1);
    dbe_Replace("PFAD", DBE_REPL_TEXT, eigenes.c_str());
    dbe_Replace("SHORTDESC", DBE_REPL_TEXT, "Eigenes");
    dbe_Commit();
    dbe_Close();
    // The tree got a third album meanwhile.
    ASSERT_NO_FATAL_FAILURE(BaumAlbum(baum, "ALBUMC", "Garten"));
    ASSERT_NO_FATAL_FAILURE(Start(baum));
    const std::vector<std::string> erwartet{Pfad(baum, "ALBUMA") + "|Sommer 2005|7|-",
                                            Pfad(baum, "ALBUMB") + "|Familie||x", eigenes + "|Eigenes||-",
                                            Pfad(baum, "ALBUMC") + "|Garten||-"};
    EXPECT_EQ(Zeilen(), erwartet);

    // The tree now lies elsewhere: its albums' rows follow it, the rest
    // stays as it was.
    const auto neu = dir.path() / "anderswo";
    std::filesystem::rename(baum, neu);
    ASSERT_NO_FATAL_FAILURE(Start(neu));
    EXPECT_EQ(Zeilen(), (std::vector<std::string>{Pfad(neu, "ALBUMA") + "|Sommer 2005|7|-",
                                                  Pfad(neu, "ALBUMB") + "|Familie||x", eigenes + "|Eigenes||-",
                                                  Pfad(neu, "ALBUMC") + "|Garten||-"}));
}

}  // namespace
