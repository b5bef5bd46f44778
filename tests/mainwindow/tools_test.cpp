// The main window's dialog commands and the album manager on a real main
// window: the list of albums, add with its checks, icons, backup into a zip
// read by unzip and Python's zipfile, merge, the CD-R tree of two albums
// opened again through the engine, and the export commands checked from
// outside.
#include "main_form_fixture.h"

#include "controls/spin_edit.h"
#include "controls/wizard.h"
#include "datacontrols/dk_db_edit.h"
#include "dialogs/album_manager.h"
#include "shared/qk_blinker.h"
#include "dialogs/ascii_dialogs.h"
#include "dialogs/cdr_form.h"
#include "dialogs/html_export_form.h"
#include "dialogs/druckformate.h"
#include "dialogs/small_forms.h"
#include "dialogs/vorschau_einstellungen.h"
#include "imaging/pic_box.h"
#include "platform/core/drive_map.h"
#include "platform/core/win1252.h"
#include "platform/data/field.h"
#include "platform/os/folders.h"
#include "platform/ui/list_view.h"
#include "platform/ui/menus.h"
#include "platform/ui/test_input.h"
#include "sane_test_backend.h"
#include "shared/qk_ini.h"
#include "shared/utility_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QProcess>
#include <QThread>

#include <csignal>
#include <iostream>

namespace {

void Foto(TCustomForm& f, const QString& name)
{
    const QString ordner = QCoreApplication::applicationDirPath() + "/screenshots";
    QDir().mkpath(ordner);
    f.Show();
    QImage img = f.Handle()->grab().toImage();
    EXPECT_TRUE(img.save(ordner + "/" + name + ".png")) << name.toStdString();
}

class ToolsTest : public MainFormTest {
protected:
    void SetUp() override
    {
        lxtest::WriteDriveTable({{"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34}});
        TDriveMap::Instance().Refresh();
        MainFormTest::SetUp();
        form->QKINI_Prog->INIWriteBool("Einstellungen Hauptprogramm", "ErstStart", false);
        form->ProgrammOptionen()->SetText("BackupDir", Win(dir.path() / "backup") + "\\");
        form->ProgrammOptionen()->SetBool("FarbSystemBenutzen", true);
        std::filesystem::create_directories(dir.path() / "prog");
        form->Dienste().Lauf().ProgrammPfadSetzen(Win(dir.path() / "prog") + "\\");
    }
    TAlbumManagerUmgebung& U() { return *dynamic_cast<TAlbumManagerUmgebung*>(form->AlbumManager()); }

    // A JPEG picture drawn in a sub-folder; its Windows path.
    QString Bild(const std::string& sub, const std::string& name, QColor farbe = Qt::blue)
    {
        std::filesystem::create_directories(dir.path() / sub);
        QImage img(64, 48, QImage::Format_RGB32);
        img.fill(farbe);
        const std::string linux = (dir.path() / sub / name).string();
        EXPECT_TRUE(img.save(QString::fromStdString(linux), "JPG"));
        return Win(dir.path() / sub / name);
    }
    // An album whose entries point at those pictures, registered in the manager.
    void Album(const QString& name, const QString& beschreibung, const std::vector<QString>& bilder)
    {
        std::vector<TTestEintrag> eintraege;
        for (const QString& b : bilder) {
            TTestEintrag e{"Bild " + b.section('\\', -1).toStdString()};
            e.Pfad = b.toStdString();
            e.Bytes = 2000;
            eintraege.push_back(e);
        }
        AlbumAnlegen(name, eintraege);
        form->BereichBilder().NameSetzen(name);
        TPromptScript script;
        script.AnswerValue(beschreibung, "kurze Beschreibung");
        ASSERT_EQ(form->BilderDBFOeffnen(), 1);
    }
    void Markieren(int satz, bool an = true)
    {
        form->DbeBilderDatenbanken->SetOrder(0);
        form->DbeBilderDatenbanken->Go(uint32_t(satz));
        form->TableBilderDatenbanken->Edit();
        form->TableBilderDatenbanken->FieldByName("MARKIERT")->SetAsBoolean(an);
        form->TableBilderDatenbanken->Post();
    }
    // The manager with two empty albums, "Urlaub" and "Familie".
    void ZweiLeereAlben()
    {
        ManagerAnlegen();
        Album("ALBUMA.DBF", "Urlaub", {});
        Album("ALBUMB.DBF", "Familie", {});
    }
};

TEST_F(ToolsTest, ManagerListsTheAlbumsAndOpensTheChosenOne)
{
    ManagerAnlegen();
    Album("ALBUMA.DBF", "Urlaub", {Bild("p", "a.jpg")});
    Album("ALBUMB.DBF", "Familie", {});
    ASSERT_EQ(form->TableBilder->TableName(), "ALBUMB.DBF");
    TPromptScript script;
    script.Modal<TBilderDBFManagerForm>([&](TBilderDBFManagerForm& m) {
        ASSERT_EQ(m.ListView1->ItemCount(), 2);
        EXPECT_EQ(m.ListView1->ItemCaption(0), "Urlaub\r\n(ALBUMA.DBF)");
        EXPECT_EQ(m.ListView1->ItemCaption(1), "Familie\r\n(ALBUMB.DBF)");
        // The open album's row is current and selected.
        EXPECT_EQ(m.ListView1->Selected(), 1);
        EXPECT_EQ(m.DBEditPfad->Text().section('\\', -1), "ALBUMB.DBF");
        m.Statistik1Click();
        EXPECT_TRUE(m.GroupBoxStatistik->Visible());
        Foto(m, "album_manager");
        m.Report1->Click();
        EXPECT_EQ(m.ListView1->ItemCaption(0), "Urlaub (ALBUMA.DBF)");
        {
            // One column: each album's row under the one before, at the
            // left edge, with its icon; a click on a row shows its figures.
            QListWidget* liste = m.ListView1->List();
            const QRect erste = liste->visualItemRect(liste->item(0));
            const QRect zweite = liste->visualItemRect(liste->item(1));
            EXPECT_EQ(zweite.left(), erste.left());
            EXPECT_GE(zweite.top(), erste.bottom());
            EXPECT_LT(erste.top(), erste.height());
            for (int i = 0; i < 2; ++i)
                EXPECT_FALSE(liste->item(i)->icon().isNull()) << i;
            lxui_test::SendClick(liste->viewport(), erste.center());
            EXPECT_EQ(m.ListView1->Selected(), 0);
            EXPECT_EQ(m.DBEditPfad->Text().section('\\', -1), "ALBUMA.DBF");
            Foto(m, "album_manager_report");
            lxui_test::SendClick(liste->viewport(), zweite.center());
            EXPECT_EQ(m.DBEditPfad->Text().section('\\', -1), "ALBUMB.DBF");
        }
        EXPECT_TRUE(m.Report1->Checked());
        EXPECT_FALSE(m.GrossesIcon1->Checked());
        m.Ansicht(vsList);
        EXPECT_EQ(m.ListView1->ItemCaption(0), "ALBUMA.DBF");
        Foto(m, "album_manager_liste");
        m.ListView1->SetSelected(0);
        m.ListView1Click();
        m.AusgewaehlteBilderdatenbankOeffnen1Click();
    });
    form->MenuItem("AndereBilderdatenbankoeffnen1")->Click();
    EXPECT_EQ(form->TableBilder->TableName(), "ALBUMA.DBF");
    TQKINI ini(nullptr);
    ini.SetINIFileName(form->QKINI_Prog->INIFileName());
    EXPECT_TRUE(ini.INIReadBool("BilderDBFManager", "ListIcon", false));
    EXPECT_TRUE(ini.INIReadBool("BilderDBFManager", "Statistikanzeige", false));
}

TEST_F(ToolsTest, AddRefusesBadNamesAndRegistersATwelveCharacterName)
{
    ManagerAnlegen();
    Album("ALBUMA.DBF", "Urlaub", {});
    TBilderDBFManagerForm m(nullptr, form->Album(), form->Dienste(), U());
    m.FormShow();
    const QString ordner = Win(dir.path()) + "\\";
    const struct {
        QString datei;
        const char* meldung;
    } faelle[] = {
        {ordner + "BILDER100.DBF", "nicht länger als 8 Zeichen"},
        {ordner + "MIT-STR", "KEINEN Bindestrich (-)"},
        {ordner + "ÄPFEL.DBF", "KEINE Umlaute (ÄÖÜäöüß)"},
        {ordner + "A B.DBF", "KEINE Leerzeichen"},
        {ordner.toLower() + "albuma", " ist schon eingetragen !"},
    };
    for (const auto& f : faelle) {
        TPromptScript script;
        script.AnswerValue(f.datei).Answer(TPromptKind::Message, mrOk, QString::fromUtf8(f.meldung));
        m.BitBtnOeffnen_ErstellenClick();
    }
    EXPECT_EQ(form->DbeBilderDatenbanken->RecCount(), 1u);
    AlbumAnlegen("BILDER10.DBF", {{"eins"}});
    {
        TPromptScript script;
        script.AnswerValue(ordner + "BILDER10").AnswerValue("Zehn", "kurze Beschreibung");
        m.BitBtnOeffnen_ErstellenClick();
    }
    EXPECT_EQ(form->TableBilder->TableName(), "BILDER10.DBF");
    EXPECT_EQ(form->DbeBilderDatenbanken->RecCount(), 2u);
    ASSERT_EQ(m.ListView1->ItemCount(), 2);
    EXPECT_EQ(m.ListView1->ItemCaption(1), "Zehn\r\n(BILDER10.DBF)");
}

TEST_F(ToolsTest, AddCreatesANewAlbumThatDoesNotExistYet)
{
    ManagerAnlegen();
    Album("ALBUMA.DBF", "Urlaub", {});
    TBilderDBFManagerForm m(nullptr, form->Album(), form->Dienste(), U());
    m.FormShow();
    {
        TPromptScript script;
        script.AnswerValue(Win(dir.path()) + "\\Neu1")
            .Answer(TPromptKind::Dialog, mrYes, "nicht gefunden, jetzt erstellen ?")
            .AnswerValue("Ganz neu", "kurze Beschreibung");
        lxtest::WriteFile(dir.path() / "db" / "Bilder4.dbf", "");
        m.BitBtnOeffnen_ErstellenClick();
        // The open dialog proposed the next free "Bilder" number of the
        // album folder.
        ASSERT_FALSE(script.Records().empty());
        EXPECT_TRUE(script.Records().front().Value.endsWith("Bilder5.dbf")) << script.Records().front().Value.toStdString();
    }
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "Neu1.DBF"));
    EXPECT_EQ(form->TableBilder->TableName(), "Neu1.DBF");
    ASSERT_EQ(m.ListView1->ItemCount(), 2);
    EXPECT_EQ(m.ListView1->ItemCaption(1), "Ganz neu\r\n(Neu1.DBF)");
}

TEST_F(ToolsTest, IconChooserStoresTheIndexAndTheListShowsIt)
{
    ZweiLeereAlben();
    TBilderDBFManagerForm m(nullptr, form->Album(), form->Dienste(), U());
    m.FormShow();
    m.ListView1->SetSelected(0);
    {
        TPromptScript script;
        script.Modal<TIconAuswahlForm>([](TIconAuswahlForm& i) {
            EXPECT_EQ(i.Caption(), "Icon auswählen");
            EXPECT_EQ(i.ListView1->ItemCaption(12), "12");
            Foto(i, "icon_auswahl");
            i.ListView1->SetSelected(12);
            i.ListView1Click();
            i.ModalResult = mrOk;
        });
        m.IconAuswaehlen1Click();
    }
    form->DbeBilderDatenbanken->Go(1);
    EXPECT_EQ(form->DbeBilderDatenbanken->GetTrimString("FLAGS"), "12");
    EXPECT_EQ(m.ListView1->ItemImageIndex(0), 12);
    // Space in the list flips the row's mark.
    m.ListView1KeyUp(VK_SPACE);
    EXPECT_TRUE(form->TableBilderDatenbanken->FieldByName("MARKIERT")->AsBoolean());
    m.ListView1KeyUp(VK_SPACE);
    EXPECT_FALSE(form->TableBilderDatenbanken->FieldByName("MARKIERT")->AsBoolean());
    // A text that is no number keeps the default icon.
    form->TableBilderDatenbanken->Edit();
    form->TableBilderDatenbanken->FieldByName("FLAGS")->SetAsString("x7");
    form->TableBilderDatenbanken->Post();
    m.CreateListView();
    EXPECT_EQ(m.ListView1->ItemImageIndex(0), 0);
    // Without a selection the chooser does not open.
    m.ListView1->SetSelected(-1);
    QString text;
    TPromptScript script;
    script.Modal(NachrichtOk(&text));
    m.IconAuswaehlen1Click();
    EXPECT_EQ(text, "Wählen Sie zunächst ein Fotoalbum (Icon) aus !");
}

TEST_F(ToolsTest, BackupPacksTheMarkedAlbumsIntoTheNextNumberedZip)
{
    ManagerAnlegen();
    Album("ALBUMA.DBF", "Urlaub", {Bild("p", "a.jpg")});
    Album("ALBUMB.DBF", "Familie", {});
    TBilderDBFManagerForm m(nullptr, form->Album(), form->Dienste(), U());
    m.FormShow();
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "packt (zippt) alle markierten Fotoalben")
            .Answer(TPromptKind::Message, mrOk, "Sie hatten keine Fotoalben vorher markiert");
        m.BitBtnBackupClick();
    }
    std::filesystem::create_directories(dir.path() / "backup");
    lxtest::WriteFile(dir.path() / "backup" / "BILDERBACKUP1.ZIP", "alt");
    lxtest::WriteFile(dir.path() / "backup" / "BILDERBACKUP3.ZIP", "alt");
    Markieren(1);
    EXPECT_TRUE(m.BackupArchivName().endsWith("BILDERBACKUP4.ZIP"));
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "packt (zippt)")
            .Answer(TPromptKind::Message, mrOk, "Alle Dateien zu ");
        m.BitBtnBackupClick();
    }
    const std::string zip = (dir.path() / "backup" / "BILDERBACKUP4.ZIP").string();
    const std::string liste = Run("unzip -l " + zip);
    EXPECT_NE(liste.find("ALBUMA.DBF"), std::string::npos) << liste;
    EXPECT_NE(liste.find("ALBUMA.FPT"), std::string::npos) << liste;
    EXPECT_NE(liste.find("ALBUMA.CDX"), std::string::npos) << liste;
    EXPECT_EQ(liste.find("ALBUMB"), std::string::npos) << liste;
    EXPECT_EQ(liste.find("a.jpg"), std::string::npos) << liste;
    const std::string py = RunScript("/usr/bin/python3", "zipcheck.py",
                                     "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1])\n"
                                     "print(z.testzip() is None, len(z.namelist()))\n",
                                     zip);
    EXPECT_EQ(py.substr(0, 4), "True") << py;
}

TEST_F(ToolsTest, MergeAppendsTheEntriesOfTheMarkedAlbumsToANewAlbum)
{
    ManagerAnlegen();
    Album("ALBUMA.DBF", "Urlaub", {Bild("p", "a.jpg"), Bild("p", "b.jpg")});
    Album("ALBUMB.DBF", "Familie", {Bild("p", "c.jpg")});
    Markieren(1);
    Markieren(2);
    TBilderDBFManagerForm m(nullptr, form->Album(), form->Dienste(), U());
    m.FormShow();
    const QString ziel = Win(dir.path()) + "\\ZIEL.DBF";
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "fügt alle markierten Fotoalben an ein anderes")
            .AnswerValue(ziel)
            .Answer(TPromptKind::Dialog, mrYes, "ZIEL.DBF nicht gefunden, jetzt erstellen ?")
            .Answer(TPromptKind::Dialog, mrNo, "Neues Fotoalbum jetzt öffnen");
        m.BitBtnMergeClick();
    }
    EXPECT_FALSE(m.MergeFolge);
    // The album the merge closed is open again.
    EXPECT_EQ(form->TableBilder->TableName(), "ALBUMB.DBF");
    EXPECT_TRUE(form->TableBilder->Active());
    const uint16_t area = dbe_Use(File("ZIEL.DBF").c_str(), "ZIEL", DBE_EXCLUSIVE, DBE_TYPE_FOX);
    ASSERT_NE(area, 0) << dbe_LastError();
    EXPECT_EQ(dbe_RecCount(), 3u);
    dbe_Close();
}

TEST_F(ToolsTest, ReReadRefreshesTheFiguresAndCountsMissingAlbums)
{
    ManagerAnlegen();
    Album("ALBUMB.DBF", "Familie", {});
    Album("ALBUMA.DBF", "Urlaub", {Bild("p", "a.jpg")});
    form->Album().AllesSchliessen();
    EintraegeSchreiben(File("ALBUMA.DBF"), {{"neu"}, {""}});
    std::filesystem::remove(dir.path() / "ALBUMB.DBF");
    TBilderDBFManagerForm m(nullptr, form->Album(), form->Dienste(), U());
    m.FormShow();
    QString fehlt, ende;
    // The blinker runs while the albums are read and stops afterwards.
    bool blinktBeimLesen = false;
    {
        TPromptScript script;
        script
            .Modal([&](TCustomForm& f) {
                blinktBeimLesen = m.QKBlinker1->Blink();
                NachrichtOk(&fehlt)(f);
            })
            .Modal(NachrichtOk(&ende));
        m.BitBtnDatenFileAttributeClick();
    }
    EXPECT_TRUE(blinktBeimLesen);
    EXPECT_FALSE(m.QKBlinker1->Blink());
    EXPECT_EQ(m.QKBlinker1->Control(), m.BitBtnDatenFileAttribute);
    EXPECT_TRUE(fehlt.endsWith("ALBUMB.DBF NICHT gefunden bzw. nicht im Zugriff !")) << fehlt.toStdString();
    EXPECT_EQ(ende, "Die Daten von 1 Fotoalben konnten NICHT neu ermittelt und eingelesen werden!");
    TDbe* d = form->DbeBilderDatenbanken;
    d->SetOrder(0);
    d->Go(2);
    EXPECT_TRUE(d->GetTrimString("PFAD").endsWith("ALBUMA.DBF"));
    EXPECT_EQ(d->GetInteger("SAETZE"), 3);
    EXPECT_EQ(d->GetInteger("MITDESC"), 2);
    EXPECT_EQ(d->GetInteger("OHNEDESC"), 1);
    EXPECT_EQ(form->TableBilder->TableName(), "ALBUMA.DBF");
}

TEST_F(ToolsTest, DeletingARowKeepsTheAlbumFilesWhenAskedSo)
{
    ZweiLeereAlben();
    TBilderDBFManagerForm m(nullptr, form->Album(), form->Dienste(), U());
    m.FormShow();
    m.ListView1->SetSelected(0);
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrNo, "auch löschen ?");
        m.AlbumLoeschen1Click();
    }
    ASSERT_EQ(m.ListView1->ItemCount(), 1);
    EXPECT_EQ(m.ListView1->ItemCaption(0), "Familie\r\n(ALBUMB.DBF)");
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "ALBUMA.DBF"));
    // Without its template the list names the missing file, and the
    // manager stays on its row.
    const int zeile = int(form->DbeBilderDatenbanken->RecNo());
    try {
        m.Drucken1Click();
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_TRUE(e.Message.contains("BilderDBFManager.RTM")) << e.Message.toStdString();
    }
    EXPECT_EQ(int(form->DbeBilderDatenbanken->RecNo()), zeile);
}

// A CD-R tree with the program, made on a fresh install: the program folder
// holds what the first start put there, and the tree gets its setup table
// with the version and the read-me, without a message, run after run.
TEST_F(ToolsTest, ACdrTreeWithTheProgramFromAFreshInstallGetsTheSetupTableAndTheReadMe)
{
    {
        const QByteArray heim = qgetenv("LUMADEX_HOME");
        qputenv("LUMADEX_HOME", QByteArray((dir.path() / "prog").c_str()));
        const int kopiert = SeedProgramFolder(QStringLiteral(LUMADEX_RESOURCES_DIR));
        qputenv("LUMADEX_HOME", heim);
        ASSERT_GT(kopiert, 0);
    }
    ManagerAnlegen();
    Album("ALBUMA.DBF", "Urlaub", {});
    TCDRForm cdr(nullptr, form->Album(), form->Dienste(), U());
    cdr.FormShow();
    cdr.EditCDRDir->SetText(Win(dir.path() / "cdr") + "\\");
    cdr.CheckBoxAlleSaetze->SetChecked(false);
    cdr.CheckBoxNurMarkierteDatenbanken->SetChecked(false);
    cdr.CheckBoxMitLumadex->SetChecked(true);
    const auto tree = dir.path() / "cdr";
    std::filesystem::create_directories(tree);
    const auto setupZeilen = [&] {
        return RunScript("/usr/bin/python3", "setup.py",
                         "import sys\nfrom dbfread import DBF\n"
                         "print([(r['TODO'].strip(), r['TODO_'].strip()) for r in DBF(sys.argv[1])])\n",
                         (tree / "SETUP.DBF").string());
    };
    for (const bool vorherLoeschen : {true, false}) {
        SCOPED_TRACE(vorherLoeschen);
        // Any other message (a missing read-me, a setup table not updated)
        // fails the script.
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "Soll das Kopieren der ausgewählten Daten jetzt gestartet werden ?")
            .Answer(TPromptKind::Dialog, vorherLoeschen ? mrYes : mrNo, "Vorher das gesamte CDR-Zielverzeichnis löschen ?")
            .Answer(TPromptKind::Dialog, mrOk, "es würde jetzt nur das Programm auf CDR kopiert !")
            .Answer(TPromptKind::Dialog, mrOk, "als Root (Wurzelverzeichnis) !")
            .Answer(TPromptKind::Dialog, mrYes, "Soll der CDR-Dialog jetzt geschlossen werden ?");
        int nach = -1;
        EXPECT_TRUE(cdr.Assistent1CanPageChange(2, nach));
        EXPECT_EQ(script.Pending(), 0u);
        EXPECT_EQ(setupZeilen(), "[('REVISIONSINFO', '1.50.230')]\n");
        EXPECT_TRUE(std::filesystem::exists(tree / "Programm" / "SETUP.DBF"));
    }
    // A value the table lacks gets one row, however often it is written.
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(cdr.SetupEintraegeAnpassen("todo", "BRENNDATUM", "todo_", "31.05.2006"), 1);
    EXPECT_EQ(setupZeilen(), "[('REVISIONSINFO', '1.50.230'), ('BRENNDATUM', '31.05.2006')]\n");
    // The read-me at the disc's root: German in Windows-1252 with CR LF,
    // telling how the program starts from the disc.
    const std::string liesmich = lxtest::ReadFile(tree / "liesmich.txt");
    ASSERT_FALSE(liesmich.empty());
    const QString text = Win1252Decode(QByteArray::fromStdString(liesmich));
    EXPECT_TRUE(text.contains("sh /media/")) << liesmich;
    EXPECT_TRUE(text.contains("/Programm/lumadex.sh")) << liesmich;
    EXPECT_TRUE(text.contains(QStringLiteral("ü"))) << liesmich;
    EXPECT_EQ(liesmich.find("\xC3"), std::string::npos) << "UTF-8 in the read-me";
    for (size_t i = liesmich.find('\n'); i != std::string::npos; i = liesmich.find('\n', i + 1))
        ASSERT_TRUE(i > 0 && liesmich[i - 1] == '\r') << "a line without CR at " << i;
}

// Two albums with pictures: album A holds two pictures of the same name in
// different folders and one whose file is gone; album B one picture.
class CdrTest : public ToolsTest {
protected:
    void SetUp() override
    {
        ToolsTest::SetUp();
        ManagerAnlegen();
        Album("ALBUMA.DBF", "Urlaub", {Bild("p1", "x.jpg", Qt::red), Bild("p2", "x.jpg", Qt::green),
                                       Win(dir.path() / "weg.jpg")});
        Album("ALBUMB.DBF", "Familie", {Bild("p3", "y.jpg")});
        // The program folder's side files: the setup table and the read-me.
        const std::string setup = (dir.path() / "prog" / "SETUP.DBF").string();
        ASSERT_NE(dbe_CreateNew(setup.c_str(), "XXXXXXXXXX", DBE_TYPE_FOX, 2), 0);
        ASSERT_EQ(dbe_CreateField("TODO", 'C', 20, 0), 1);
        ASSERT_EQ(dbe_CreateField("TODO_", 'C', 20, 0), 1);
        ASSERT_EQ(dbe_CreateExec(), 1) << dbe_LastError();
        dbe_Close();
        lxtest::WriteFile(dir.path() / "prog" / "liesmich.txt", "Lies mich\r\n");
        std::filesystem::create_directories(dir.path() / "cdr");
        lxtest::WriteFile(dir.path() / "cdr" / "meins.txt", "gehört dem Benutzer");
    }
    // One copy run through the wizard's finish.
    void Lauf(TCDRForm& cdr, bool vorherLoeschen)
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "Soll das Kopieren der ausgewählten Daten jetzt gestartet werden ?")
            .Answer(TPromptKind::Dialog, vorherLoeschen ? mrYes : mrNo, "Vorher das gesamte CDR-Zielverzeichnis löschen ?")
            .Answer(TPromptKind::Message, mrOk, "ACHTUNG, es wurden gleichnamige")
            // The thinned album's full-text index made anew.
            .Answer(TPromptKind::Message, mrOk, "2 Schlüssel für Volltextsuche in ALBUMA.IA eingeführt.")
            .Answer(TPromptKind::Dialog, mrOk, "als Root (Wurzelverzeichnis) !")
            .Answer(TPromptKind::Dialog, mrYes, "Soll der CDR-Dialog jetzt geschlossen werden ?");
        int nach = -1;
        EXPECT_TRUE(cdr.Assistent1CanPageChange(2, nach));
    }
    std::vector<std::string> Eintraege(const std::string& dbf)
    {
        std::vector<std::string> pfade;
        const uint16_t area = dbe_Use(dbf.c_str(), "KOPIE", DBE_READONLY, DBE_TYPE_FOX);
        EXPECT_NE(area, 0) << dbe_LastError();
        if (area == 0)
            return pfade;
        for (dbe_GoTop(); !dbe_Eof(); dbe_Skip(1)) {
            pfade.emplace_back(dbe_GetTrimString("PFAD"));
        }
        dbe_Close();
        return pfade;
    }
};

TEST_F(CdrTest, TreeOfTwoAlbumsWithThinnedCopiesAndPathsIntoTheTree)
{
    TCDRForm cdr(nullptr, form->Album(), form->Dienste(), U());
    cdr.FormShow();
    EXPECT_EQ(cdr.Caption(), "Seite 1 von 2");
    Foto(cdr, "cdr_seite1");
    cdr.Assistent1->NextClick();
    EXPECT_EQ(cdr.Caption(), "Seite 2 von 2");
    const QString wurzel = Win(dir.path() / "cdr") + "\\";
    cdr.EditCDRDir->SetText(wurzel);
    cdr.CheckBoxAlleSaetze->SetChecked(true);
    cdr.CheckBoxMitLumadex->SetChecked(true);
    Foto(cdr, "cdr_seite2");
    Lauf(cdr, true);

    const auto tree = dir.path() / "cdr";
    const auto a = Eintraege((tree / "Data" / "Database" / "ALBUMA" / "ALBUMA.DBF").string());
    // The entry without a picture is gone; the same-name picture got a number.
    EXPECT_EQ(a, (std::vector<std::string>{"\\DATA\\PICS\\ALBUMA\\X.JPG", "\\DATA\\PICS\\ALBUMA\\X_1.JPG"}));
    const auto b = Eintraege((tree / "Data" / "Database" / "ALBUMB" / "ALBUMB.DBF").string());
    EXPECT_EQ(b, (std::vector<std::string>{"\\DATA\\PICS\\ALBUMB\\Y.JPG"}));
    // Every path points at a copied picture, and the two x.jpg stayed apart.
    for (const auto& p : a) {
        const QString linux = WinToLinux(wurzel.left(wurzel.size() - 1) + QString::fromStdString(p)).value_or("");
        EXPECT_TRUE(QFile::exists(linux)) << p;
    }
    QImage rot(QString::fromStdString((tree / "Data" / "Pics" / "ALBUMA" / "x.jpg").string()));
    QImage gruen(QString::fromStdString((tree / "Data" / "Pics" / "ALBUMA" / "x_1.jpg").string()));
    ASSERT_FALSE(rot.isNull());
    ASSERT_FALSE(gruen.isNull());
    EXPECT_GT(qRed(rot.pixel(5, 5)), 200);
    EXPECT_GT(qGreen(gruen.pixel(5, 5)), 100);
    // The manager table with file names only, and the setup table updated.
    const std::string man = RunScript("/usr/bin/python3", "man.py",
                                      "import sys\nfrom dbfread import DBF\n"
                                      "print(sorted(r['PFAD'].strip() for r in DBF(sys.argv[1])))\n"
                                      "print([(r['TODO'].strip(), r['TODO_'].strip()) for r in DBF(sys.argv[2])])\n",
                                      (tree / "Data" / "Database" / "LXman.dbf").string() + " " +
                                          (tree / "SETUP.DBF").string());
    EXPECT_EQ(man, "['ALBUMA.DBF', 'ALBUMB.DBF']\n[('REVISIONSINFO', '1.50.230')]\n");
    EXPECT_TRUE(std::filesystem::exists(tree / "liesmich.txt"));
    EXPECT_FALSE(std::filesystem::exists(tree / "Programm" / "lumadex.exe"));
    // The running program goes on the medium with its start script, the
    // libraries a desktop lacks and its Qt plugins.
    for (const char* datei : {"lumadex", "lumadex.sh", "qt.conf", "lib/libQt6Core.so.6",
                              "plugins/platforms/libqxcb.so"})
        EXPECT_TRUE(std::filesystem::exists(tree / "Programm" / datei)) << datei;
    EXPECT_FALSE(std::filesystem::exists(tree / "Programm" / "lib" / "libc.so.6"));
    // Qt's German texts go along; the tree holds no link (a FAT or exFAT
    // medium could not hold one).
    EXPECT_TRUE(std::filesystem::exists(tree / "Programm" / "translations" / "qtbase_de.qm"));
    for (const auto& e : std::filesystem::recursive_directory_iterator(tree))
        EXPECT_FALSE(e.is_symlink()) << e.path();
    // The manager table comes with its index: a burned disc could not get
    // one later.
    EXPECT_TRUE(std::filesystem::exists(tree / "Data" / "Database" / "LXman.cdx") ||
                std::filesystem::exists(tree / "Data" / "Database" / "LXMAN.CDX"));
    // The albums of the main window are open again.
    EXPECT_TRUE(form->TableBilder->Active());

    // A second run clears only what the first one made.
    Lauf(cdr, true);
    EXPECT_TRUE(std::filesystem::exists(tree / "meins.txt"));
    EXPECT_EQ(Eintraege((tree / "Data" / "Database" / "ALBUMA" / "ALBUMA.DBF").string()).size(), 2u);
    lxtest::WriteFile(tree / "Data" / "Pics" / "notiz.txt", "auch vom Benutzer");
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "gestartet werden ?")
            .Answer(TPromptKind::Dialog, mrYes, "Vorher das gesamte CDR-Zielverzeichnis löschen ?")
            .Answer(TPromptKind::Dialog, mrOk, "es würde jetzt nur das Programm auf CDR kopiert !")
            .Answer(TPromptKind::Dialog, mrOk, "als Root (Wurzelverzeichnis) !")
            .Answer(TPromptKind::Dialog, mrYes, "Soll der CDR-Dialog jetzt geschlossen werden ?");
        cdr.CheckBoxAlleSaetze->SetChecked(false);
        cdr.CheckBoxMitLumadex->SetChecked(false);
        int nach = -1;
        EXPECT_TRUE(cdr.Assistent1CanPageChange(2, nach));
    }
    EXPECT_TRUE(std::filesystem::exists(tree / "meins.txt"));
    EXPECT_TRUE(std::filesystem::exists(tree / "Data" / "Pics" / "notiz.txt"));
    EXPECT_FALSE(std::filesystem::exists(tree / "Data" / "Pics" / "ALBUMA"));
    EXPECT_FALSE(std::filesystem::exists(tree / "SETUP.DBF"));
}

TEST_F(CdrTest, OnlyMarkedAlbumsGoOnTheMediumAndTheSizeIsCalculatedFirst)
{
    Markieren(2);  // ALBUMB
    TCDRForm cdr(nullptr, form->Album(), form->Dienste(), U());
    cdr.FormShow();
    cdr.EditCDRDir->SetText(Win(dir.path() / "cdr") + "\\");
    cdr.CheckBoxNurMarkierteDatenbanken->SetChecked(true);
    cdr.CheckBoxMitLumadex->SetChecked(true);
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "Die Ermittlung der Datengrösse kann")
            .Answer(TPromptKind::Message, mrOk, " MB Daten würden MAXIMAL kopiert/gebrannt");
        cdr.BitBtnKalkulierenClick();
    }
    // Album B's files and its one picture, nothing of album A.
    EXPECT_GT(cdr.GesamtBytes, 0);
    EXPECT_EQ(cdr.Eintraege, 1);
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "gestartet werden ?")
            .Answer(TPromptKind::Dialog, mrNo, "Vorher das gesamte CDR-Zielverzeichnis löschen ?")
            .Answer(TPromptKind::Dialog, mrOk, "als Root (Wurzelverzeichnis) !")
            .Answer(TPromptKind::Dialog, mrNo, "Soll der CDR-Dialog jetzt geschlossen werden ?");
        int nach = -1;
        EXPECT_FALSE(cdr.Assistent1CanPageChange(2, nach));
    }
    const auto tree = dir.path() / "cdr";
    EXPECT_FALSE(std::filesystem::exists(tree / "Data" / "Database" / "ALBUMA"));
    EXPECT_EQ(Eintraege((tree / "Data" / "Database" / "ALBUMB" / "ALBUMB.DBF").string()),
              (std::vector<std::string>{"\\DATA\\PICS\\ALBUMB\\Y.JPG"}));
    const std::string man = RunScript("/usr/bin/python3", "man.py",
                                      "import sys\nfrom dbfread import DBF\n"
                                      "print([r['PFAD'].strip() for r in DBF(sys.argv[1])])\n",
                                      (tree / "Data" / "Database" / "LXman.dbf").string());
    EXPECT_EQ(man, "['ALBUMB.DBF']\n");
}

// A picture whose copy fails is skipped, named and left off the medium's
// album; the rest of the album and the other albums go on.
TEST_F(CdrTest, AFailedPictureIsSkippedNamedAndTheAlbumGoesOn)
{
    // Where the first picture should go stands a folder: its copy fails.
    std::filesystem::create_directories(dir.path() / "cdr" / "Data" / "Pics" / "ALBUMA" / "x.jpg");
    TCDRForm cdr(nullptr, form->Album(), form->Dienste(), U());
    cdr.FormShow();
    cdr.EditCDRDir->SetText(Win(dir.path() / "cdr") + "\\");
    cdr.CheckBoxAlleSaetze->SetChecked(true);
    cdr.CheckBoxMitLumadex->SetChecked(false);
    TPromptScript script;
    script.Answer(TPromptKind::Dialog, mrYes, "gestartet werden ?")
        .Answer(TPromptKind::Dialog, mrNo, "Vorher das gesamte CDR-Zielverzeichnis löschen ?")
        .Answer(TPromptKind::Message, mrOk, "ist der Zieldatenträger voll oder schreibgeschützt ?")
        .Answer(TPromptKind::Message, mrOk, "ACHTUNG, es wurden gleichnamige")
        .Answer(TPromptKind::Message, mrOk,
                "1 Bilder konnten nicht kopiert werden, ihre Einträge fehlen auf der CDR: " +
                    Win(dir.path() / "p1" / "x.jpg"))
        .Answer(TPromptKind::Dialog, mrOk, "als Root (Wurzelverzeichnis) !")
        .Answer(TPromptKind::Dialog, mrYes, "Soll der CDR-Dialog jetzt geschlossen werden ?");
    int nach = -1;
    EXPECT_TRUE(cdr.Assistent1CanPageChange(2, nach));
    EXPECT_EQ(script.Pending(), 0u);
    EXPECT_TRUE(cdr.KopierFehler);
    const auto tree = dir.path() / "cdr";
    EXPECT_EQ(Eintraege((tree / "Data" / "Database" / "ALBUMA" / "ALBUMA.DBF").string()),
              (std::vector<std::string>{"\\DATA\\PICS\\ALBUMA\\X_1.JPG"}));
    EXPECT_EQ(Eintraege((tree / "Data" / "Database" / "ALBUMB" / "ALBUMB.DBF").string()),
              (std::vector<std::string>{"\\DATA\\PICS\\ALBUMB\\Y.JPG"}));
    // The source albums are untouched.
    EXPECT_EQ(Eintraege(File("ALBUMA.DBF")).size(), 3u);
}

// A stored path whose last part climbs out with "/../": the copy lands in
// the album's pictures folder under the cleaned name.
TEST_F(CdrTest, PictureNamesNeverLeaveTheAlbumsFolder)
{
    Bild("p4", "z.jpg");
    Album("ALBUMC.DBF", "Weg", {Win(dir.path() / "p4") + "\\q/../../p4/z.jpg"});
    TCDRForm cdr(nullptr, form->Album(), form->Dienste(), U());
    cdr.FormShow();
    cdr.EditCDRDir->SetText(Win(dir.path() / "cdr") + "\\");
    cdr.CheckBoxAlleSaetze->SetChecked(true);
    cdr.CheckBoxMitLumadex->SetChecked(false);
    Lauf(cdr, false);
    const auto tree = dir.path() / "cdr";
    EXPECT_FALSE(std::filesystem::exists(tree / "Data" / "Pics" / "p4"));
    EXPECT_TRUE(std::filesystem::exists(tree / "Data" / "Pics" / "ALBUMC" / "z.jpg"));
    EXPECT_EQ(Eintraege((tree / "Data" / "Database" / "ALBUMC" / "ALBUMC.DBF").string()),
              (std::vector<std::string>{"\\DATA\\PICS\\ALBUMC\\Z.JPG"}));
}

TEST_F(CdrTest, DriveRootIsRefusedAndSizesCountInMegabytes)
{
    TCDRForm cdr(nullptr, form->Album(), form->Dienste(), U());
    cdr.EditCDRDir->SetText("C:\\");
    {
        TPromptScript script;
        script.Answer(TPromptKind::Message, mrOk, "Zielverzeichnis darf nicht Root (Wurzelverzeichnis) sein !");
        EXPECT_FALSE(cdr.EditCDRDirExit());
    }
    cdr.GesamtBytes = 1048575;
    cdr.Status();
    EXPECT_EQ(cdr.PanelSumme->Caption(), "0 MB Daten würden MAXIMAL kopiert/gebrannt");
    cdr.GesamtBytes = 1048576;
    cdr.Status();
    EXPECT_EQ(cdr.PanelSumme->Caption(), "1 MB Daten würden MAXIMAL kopiert/gebrannt");
    // Sizes beyond 2 GB stay whole.
    cdr.SpinEditCDRGroesse->SetValue(100000);
    cdr.GesamtBytes = int64_t(5) << 30;
    cdr.Status();
    EXPECT_EQ(cdr.PanelSumme->Caption(), "5120 MB Daten würden MAXIMAL kopiert/gebrannt");
    // The medium size takes digits only.
    cdr.EditZielGroesse->OnChange = nullptr;
    cdr.EditZielGroesse->SetText("12a");
    try {
        cdr.EditZielGroesseChange();
        ADD_FAILURE() << "no error for 12a";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Nur Zahlen als Eingabe erlaubt!");
    }
    cdr.EditZielGroesse->SetText("700");
    EXPECT_NO_THROW(cdr.EditZielGroesseChange());
}

// The target folder takes a Linux path as the other folder fields do: in
// its Windows form, made on request, with or without the closing "/".
TEST_F(CdrTest, TheTargetFolderTakesALinuxPath)
{
    TCDRForm cdr(nullptr, form->Album(), form->Dienste(), U());
    const auto ziel = dir.path() / "srv" / "cdr";
    const QString win = Win(ziel) + "\\";
    for (const std::string& eingabe : {ziel.string() + "/", ziel.string()}) {
        cdr.EditCDRDir->SetText(QString::fromStdString(eingabe));
        TPromptScript script;
        if (!std::filesystem::exists(ziel))
            script.Answer(TPromptKind::Dialog, mrYes, "existiert nicht...  Erzeugen ?");
        EXPECT_TRUE(cdr.EditCDRDirExit()) << eingabe;
        EXPECT_EQ(cdr.EditCDRDir->Text(), win) << eingabe;
        EXPECT_TRUE(std::filesystem::is_directory(ziel));
    }
    // No folder with a stray "\" in its name was made beside it.
    for (const auto& e : std::filesystem::directory_iterator(dir.path() / "srv"))
        EXPECT_EQ(e.path().filename(), "cdr");
    // The Linux root is the root of drive C: and refused as such.
    cdr.EditCDRDir->SetText("/");
    TPromptScript script;
    script.Answer(TPromptKind::Message, mrOk, "Zielverzeichnis darf nicht Root (Wurzelverzeichnis) sein !");
    EXPECT_FALSE(cdr.EditCDRDirExit());
}

#ifdef LUMADEX_PROGRAMM
// The tree the form makes of both albums with the program, started through
// its start script as a user would: from a read-only disc and in place
// from a FAT stick.
class CdrStartTest : public CdrTest {
protected:
    std::filesystem::path Baum() { return dir.path() / "cdr"; }
    static QString Q(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }
    void BaumMachen()
    {
        TCDRForm cdr(nullptr, form->Album(), form->Dienste(), U());
        cdr.EditCDRDir->SetText(Win(Baum()) + "\\");
        cdr.CheckBoxAlleSaetze->SetChecked(true);
        cdr.CheckBoxMitLumadex->SetChecked(true);
        Lauf(cdr, true);
        // The form takes the running program along, which here is this
        // test: the program goes in its place.
        const auto programm = Baum() / "Programm" / "lumadex";
        std::filesystem::copy_file(LUMADEX_PROGRAMM, programm, std::filesystem::copy_options::overwrite_existing);
        std::filesystem::permissions(programm, std::filesystem::perms::owner_all | std::filesystem::perms::group_exec |
                                                   std::filesystem::perms::others_exec);
    }
    // Starts `skript` (after the words of `vorne`) with a fresh Windows
    // folder holding `ini`, waits until the program has `album` open, ends
    // it and gives the prompts it showed and its error output.
    struct TLauf {
        bool Offen = false;
        QString Prompts, Fehler;
    };
    TLauf Starten(const QStringList& vorne, const QString& skript, const std::string& lauf,
                  const std::filesystem::path& album, const std::string& ini = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* weg : {"LD_LIBRARY_PATH", "LUMADEX_HOME", "LUMADEX_CDR_DATEN", "QT_PLUGIN_PATH"})
            env.remove(weg);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_DATA_HOME", Q(dir.path() / "home"));
        const auto windir = dir.path() / ("win_" + lauf);
        std::filesystem::create_directories(windir);
        if (!ini.empty())
            lxtest::WriteFile(windir / "Lumadex.INI", ini);
        env.insert("LUMADEX_WINDIR", Q(windir));
        env.insert("LUMADEX_PROMPT_LOG", Q(dir.path() / (lauf + ".log")));
        QProcess p;
        p.setProcessEnvironment(env);
        const QStringList befehl = vorne + QStringList{skript};
        p.start(befehl.first(), befehl.mid(1));
        TLauf ergebnis;
        if (!p.waitForStarted(30000))
            return ergebnis;
        const QString gesucht = Q(album);
        for (int i = 0; i < 900 && !ergebnis.Offen && p.state() == QProcess::Running; ++i) {
            // The process under unshare is a shell that execs the script,
            // which execs the program: the same process throughout.
            const QDir fd(QStringLiteral("/proc/%1/fd").arg(p.processId()));
            for (const QString& n : fd.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot))
                ergebnis.Offen = ergebnis.Offen || QFileInfo(fd.filePath(n)).symLinkTarget() == gesucht;
            if (!ergebnis.Offen)
                p.waitForFinished(100);  // also notes a program that ended
        }
        ::kill(pid_t(p.processId()), SIGTERM);
        p.waitForFinished(60000);
        ergebnis.Fehler = QString::fromLocal8Bit(p.readAllStandardError());
        QFile log(Q(dir.path() / (lauf + ".log")));
        if (log.open(QIODevice::ReadOnly))
            ergebnis.Prompts = QString::fromUtf8(log.readAll());
        return ergebnis;
    }
    // Opens an album of the tree in this main window, pages through it and
    // gives the picture found for each entry.
    QStringList BilderDesAlbums(const std::filesystem::path& wurzel, const QString& album)
    {
        form->QKINI_Prog->INIWriteBool("Einstellungen Hauptprogramm", "ErstStart", true);  // no registration
        form->BereichBilder().DateienSetzen(
            TAlbumDateien(Win(wurzel / "Data" / "Database" / album.toStdString()) + "\\", album + ".DBF"));
        EXPECT_EQ(form->BilderDBFOeffnen(), 1);
        QStringList bilder;
        for (form->DbeBilder->GoTop(); !form->DbeBilder->Eof(); form->DbeBilder->Skip(1))
            bilder << WinToLinux(form->BildDateiErmitteln(true, QString())).value_or(QString());
        return bilder;
    }
    static bool Fehlerfrei(const QString& prompts)
    {
        for (const char* text : {"Es ist kein Fotoalbum geöffnet", "existiert nicht", "Fehler", "fehlgeschlagen",
                                 "schief"})
            if (prompts.contains(QString::fromUtf8(text)))
                return false;
        return true;
    }
};

// Burned on a disc (the tree mounted read-only in the started process's
// own mount namespace): each album opens from the disc, and its entries
// find their pictures on the disc.
TEST_F(CdrStartTest, TheBurnedTreeOpensEachAlbumAndFindsItsPicturesOnTheDisc)
{
    ASSERT_NO_FATAL_FAILURE(BaumMachen());
    const QString cdr = Q(Baum());
    const QString mount = QStringLiteral(
        "mount --bind \"$1\" \"$1\" && mount -o remount,ro,bind \"$1\" \"$1\" || exit 99; shift; exec \"$@\"");
    const QStringList disc{"unshare", "-rm", "sh", "-c", mount, "sh", cdr};
    if (QProcess::execute("unshare", disc.mid(1) + QStringList{"sh", "-c", "! touch \"$0/.probe\" 2>/dev/null", cdr}) != 0)
        GTEST_SKIP() << "no read-only mount possible here (unshare -rm)";
    const QString skript = cdr + "/Programm/lumadex.sh";
    const auto db = Baum() / "Data" / "Database";

    // The first start opens the first album of the disc's manager table.
    const TLauf a = Starten(disc, skript, "disc_a", db / "ALBUMA" / "ALBUMA.DBF");
    EXPECT_TRUE(a.Offen) << a.Prompts.toStdString() << a.Fehler.toStdString();
    EXPECT_TRUE(Fehlerfrei(a.Prompts)) << a.Prompts.toStdString();
    EXPECT_FALSE(a.Fehler.contains("Qt-Übersetzungen")) << a.Fehler.toStdString();
    // The other album, as the program's manager lists it: by its full path
    // on the disc.
    const TLauf b = Starten(disc, skript, "disc_b", db / "ALBUMB" / "ALBUMB.DBF",
                            "[Einstellungen Hauptprogramm]\r\nErstStart=0\r\n[Einstellungen Bilder]\r\n"
                            "BilderDBF=ALBUMB.DBF\r\nBilderDBFPfad=" +
                                (Win(db / "ALBUMB") + "\\").toStdString() + "\r\n");
    EXPECT_TRUE(b.Offen) << b.Prompts.toStdString() << b.Fehler.toStdString();
    EXPECT_TRUE(Fehlerfrei(b.Prompts)) << b.Prompts.toStdString();
    // The disc got nothing: no index, no folders of the program.
    for (const auto& e : std::filesystem::directory_iterator(db))
        EXPECT_TRUE(e.path().filename() == "LXman.dbf" || e.path().filename() == "LXman.cdx" ||
                    e.path().filename() == "ALBUMA" || e.path().filename() == "ALBUMB")
            << e.path();
    // Each entry of each album finds its picture in the tree.
    const QStringList bilderA = BilderDesAlbums(Baum(), "ALBUMA");
    EXPECT_EQ(bilderA, QStringList({cdr + "/Data/Pics/ALBUMA/x.jpg", cdr + "/Data/Pics/ALBUMA/x_1.jpg"}));
    EXPECT_EQ(BilderDesAlbums(Baum(), "ALBUMB"), QStringList({cdr + "/Data/Pics/ALBUMB/y.jpg"}));
}

// Written to a FAT stick, which holds no links: the tree comes back from a
// FAT image (mtools) as the desktop shows the stick, without execute bits;
// or the tree, executable, lies on a medium mounted noexec. Neither can
// run the program in place: the script starts a copy on the user's disk,
// with the stick's albums.
TEST_F(CdrStartTest, TheTreeOnAStickThatCannotExecuteStartsFromACopy)
{
    if (QProcess::execute("sh", {"-c", "command -v mcopy && command -v mkfs.vfat"}) != 0)
        GTEST_SKIP() << "mtools or dosfstools missing";
    ASSERT_NO_FATAL_FAILURE(BaumMachen());
    const QString bild = Q(dir.path() / "stick.img");
    const auto stick = dir.path() / "stick";
    const QString befehl = QStringLiteral(
        "set -e; truncate -s 400M \"$1\"; mkfs.vfat -F 32 \"$1\" >/dev/null; mcopy -s -i \"$1\" \"$2\" ::/cdr; "
        "mkdir -p \"$3\"; mcopy -s -n -i \"$1\" ::/cdr \"$3\"");
    QProcess fat;
    fat.start("sh", {"-c", befehl, "sh", bild, Q(Baum()), Q(stick)});
    ASSERT_TRUE(fat.waitForFinished(300000));
    ASSERT_EQ(fat.exitCode(), 0) << fat.readAllStandardError().toStdString();
    std::filesystem::remove(dir.path() / "stick.img");
    const auto cdr = stick / "cdr";
    const auto db = cdr / "Data" / "Database";
    ASSERT_TRUE(std::filesystem::exists(db / "ALBUMA" / "ALBUMA.DBF"));
    ASSERT_FALSE(QFileInfo(Q(cdr / "Programm" / "lumadex")).isExecutable());
    const auto kopie = dir.path() / "home" / "QV-Lumadex-CD";

    const QString noexec = QStringLiteral(
        "mount --bind \"$1\" \"$1\" && mount -o remount,noexec,bind \"$1\" \"$1\" || exit 99; shift; exec \"$@\"");
    const QStringList gemountet{"unshare", "-rm", "sh", "-c", noexec, "sh", Q(cdr)};
    const bool noexecMoeglich =
        QProcess::execute("unshare", gemountet.mid(1) + QStringList{"sh", "-c",
                                                                    "findmnt -n -o VFS-OPTIONS -T \"$0\" | grep -qw noexec",
                                                                    Q(cdr)}) == 0;
    if (!noexecMoeglich)
        std::cout << "no noexec mount possible here (unshare -rm): only the stick without execute bits\n";
    struct TFall {
        const char* Name;
        bool Noexec;
    };
    for (const TFall& fall : {TFall{"ohne_x", false}, TFall{"noexec", true}}) {
        SCOPED_TRACE(fall.Name);
        std::filesystem::remove_all(kopie);
        if (fall.Noexec && !noexecMoeglich)
            continue;
        QStringList vorne{"sh"};
        if (fall.Noexec) {
            // Execute bits on every file; only the mount forbids running.
            ASSERT_EQ(QProcess::execute("chmod", {"-R", "a+x", Q(cdr)}), 0);
            vorne = gemountet + QStringList{"sh"};
        }
        const TLauf a = Starten(vorne, Q(cdr / "Programm" / "lumadex.sh"), fall.Name, db / "ALBUMA" / "ALBUMA.DBF");
        EXPECT_TRUE(a.Offen) << a.Prompts.toStdString() << a.Fehler.toStdString();
        EXPECT_TRUE(Fehlerfrei(a.Prompts)) << a.Prompts.toStdString();
        EXPECT_TRUE(a.Fehler.contains("QV-Lumadex wird nach " + Q(kopie) + " kopiert")) << a.Fehler.toStdString();
        // The program's own files are in the copy; the stick got none.
        EXPECT_TRUE(std::filesystem::exists(kopie / "Data" / "Database" / "LXMan.DBF"));
        EXPECT_FALSE(std::filesystem::exists(cdr / "Programm" / "Data"));
        EXPECT_FALSE(std::filesystem::exists(cdr / "Data" / "ASCIIExport"));
    }
    EXPECT_EQ(BilderDesAlbums(cdr, "ALBUMB"), QStringList({Q(cdr / "Data" / "Pics" / "ALBUMB" / "y.jpg")}));
}
#endif

TEST_F(CdrTest, TheMainWindowCommandOpensTheManagerWithTheCdrWizard)
{
    TPromptScript script;
    script.Modal<TBilderDBFManagerForm>([](TBilderDBFManagerForm& m) { m.ModalResult = mrOk; });
    script.Modal<TCDRForm>([](TCDRForm& c) { c.ModalResult = mrCancel; });
    form->MenuItem("CDRZusammenstellen2")->Click();
    // The manager opened on its own afterwards starts no CD-R preparation.
    TPromptScript danach;
    danach.Modal<TBilderDBFManagerForm>([](TBilderDBFManagerForm& m) { m.ModalResult = mrCancel; });
    form->MenuItem("AndereBilderdatenbankoeffnen1")->Click();
}

// ---- The export commands -------------------------------------------------------

class ExportTest : public ToolsTest {
protected:
    void SetUp() override
    {
        ToolsTest::SetUp();
        ManagerAnlegen();
        AlbumAnlegen("ALBUM.DBF", {});
        const std::string bild = Bild("p", "strand.jpg").toStdString();
        const uint16_t area = dbe_Use(File("ALBUM.DBF").c_str(), "F", DBE_EXCLUSIVE, DBE_TYPE_FOX);
        ASSERT_NE(area, 0);
        ASSERT_EQ(dbe_AppendBlank(), 1);
        const QByteArray text = Win1252EncodeOrThrow("Müller <&> \"Strand\"");
        dbe_Replace("SHORTDESC", DBE_REPL_TEXT, text.constData());
        dbe_Replace("PFAD", DBE_REPL_TEXT, bild.c_str());
        dbe_Replace("TYPE", DBE_REPL_TEXT, "1");
        dbe_Replace("LABEL", DBE_REPL_TEXT, "URLAUB");
        const char ja = 'T';
        dbe_Replace("ZUGRIFF", DBE_REPL_LOGICAL, &ja);
        dbe_Replace("PRIVAT", DBE_REPL_LOGICAL, &ja);
        dbe_Commit();
        dbe_Close();
        form->BereichBilder().NameSetzen("ALBUM.DBF");
        TPromptScript script;
        script.AnswerValue("Export", "kurze Beschreibung");
        ASSERT_EQ(form->BilderDBFOeffnen(), 1);
    }
};

TEST_F(ExportTest, HtmlAndAsciiExportThroughTheMainWindowCommands)
{
    TProgrammOptionenStand* o = form->ProgrammOptionen();
    o->SetText("HTMLExportPfad", Win(dir.path() / "html") + "\\");
    o->SetText("ASCIIExportPfad", Win(dir.path() / "ascii") + "\\");
    std::filesystem::create_directories(dir.path() / "html");
    std::filesystem::create_directories(dir.path() / "ascii");
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "Der HTML-Export bezieht sich immer");
        script.Modal<TPicHTMLForm>([](TPicHTMLForm& h) {
            TPromptScript meldungen;
            meldungen.Answer(TPromptKind::Dialog, mrNo, "vorher löschen ?")
                .Modal(NachrichtOk())
                .Modal(NachrichtOk());
            h.BitBtnCreateClick();
            h.ModalResult = mrOk;
        });
        form->MenuItem("BilderHTMLExport1")->Click();
    }
    QFile seite(QString::fromStdString((dir.path() / "html" / "galvora.htm").string()));
    ASSERT_TRUE(seite.open(QIODevice::ReadOnly));
    const QByteArray html = seite.readAll();
    EXPECT_TRUE(html.contains("&lt;&amp;&gt;")) << html.toStdString();
    EXPECT_FALSE(html.contains("<&>"));
    // The gallery's outside check of the dialog tests: well-formed pages,
    // every reference a written file.
    std::filesystem::path quelle = __FILE__;
    if (quelle.is_relative())
        quelle = std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()) / "../.." / quelle;
    const std::string pruefer = (quelle.parent_path().parent_path() / "dialogs" / "html_check.py").string();
    const std::string check = Run("python3 " + pruefer + " " + (dir.path() / "html").string() + "; echo status=$?");
    EXPECT_NE(check.find("status=0"), std::string::npos) << check;

    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrNo, "ZielPfad für die Exportdateien");
        script.Modal<TBilderDBFExportForm>([](TBilderDBFExportForm& e) {
            TPromptScript meldungen;
            meldungen.Answer(TPromptKind::Dialog, mrOk, "Datenexport abgeschlossen !")
                .Answer(TPromptKind::Message, mrOk, "BilderASCII1.ZIP gepackt");
            e.BitBtnExportStartClick();
            e.ModalResult = mrOk;
        });
        form->MenuItem("ASCIIExport1")->Click();
    }
    const std::string liste = Run("unzip -l " + (dir.path() / "ascii" / "BilderASCII1.ZIP").string());
    EXPECT_NE(liste.find("Bilder.TXT"), std::string::npos) << liste;
    const std::string text = Run("unzip -p " + (dir.path() / "ascii" / "BilderASCII1.ZIP").string() + " '*Bilder.TXT'");
    EXPECT_NE(text.find("M\xFCller <&> \"Strand\""), std::string::npos) << text;
}

TEST_F(ExportTest, WallpaperOfAMissingPictureSaysItIsNotReachable)
{
    form->TableBilder->Edit();
    form->TableBilder->FieldByName("PFAD")->SetAsString(Win(dir.path() / "fehlt.jpg"));
    form->TableBilder->Post();
    form->ProgrammOptionen()->SetBool("WennFileNichtGefundenAnderesLWtesten", false);
    TPromptScript script;
    script.Answer(TPromptKind::Message, mrOk,
                  "Bild ist nicht im Zugriff! Legen Sie den Datenträger \"URLAUB\" ein und versuchen Sie es erneut!");
    form->MenuItem("BildalsHintergrundbildladen1")->Click();
    EXPECT_FALSE(QFile::exists(QString::fromStdString(
        (std::filesystem::path(qEnvironmentVariable("LUMADEX_WINDIR").toStdString()) / "Galvora.BMP").string())));
}

TEST_F(ExportTest, UploadAskedAndCancelledAcquiresNothing)
{
    form->ProgrammOptionen()->SetZahl("BilderUploadmodus", 0);
    TPromptScript script;
    script.Modal<TUploadAuswahlForm>([](TUploadAuswahlForm& u) {
        EXPECT_EQ(u.ComboBox_UploadQuelle->ItemIndex(), 1);
        u.ModalResult = mrCancel;
    });
    form->MenuItem("Bilderuploaden1")->Click();
    EXPECT_EQ(script.Records().size(), 1u);
}

TEST_F(ExportTest, ScannerUploadSavesTheScannedPictureUnderTheChosenName)
{
    scantest::UseSaneTestBackend();
    TProgrammOptionenStand* o = form->ProgrammOptionen();
    o->SetZahl("BilderUploadmodus", 1);
    o->SetBool("ScanZielDirImmerNachfragen", false);
    o->SetText("ScannerZielDir", Win(dir.path() / "scans") + "\\");
    std::filesystem::create_directories(dir.path() / "scans");
    const QString ziel = Win(dir.path() / "scans" / "scan1.bmp");
    TPromptScript script;
    script.Answer(TPromptKind::Dialog, mrYes, "Gescanntes Bild jetzt speichern ?")
        .Answer(TPromptKind::Message, mrOk, "ACHTUNG, Sie müssen unbedingt einen gültigen Dateinamen")
        .AnswerValue(ziel)
        .Answer(TPromptKind::Dialog, mrNo, "Hinzufügen-Dialog jetzt starten ?")
        .Modal(NachrichtOk());
    form->MenuItem("Bilderuploaden1")->Click();
    const QImage bild(QString::fromStdString((dir.path() / "scans" / "scan1.bmp").string()));
    EXPECT_FALSE(bild.isNull());
    EXPECT_EQ(form->PageControlBilder->ActivePage(), form->TabSheetGrossBild);
}

TEST_F(ExportTest, EmailOfAMissingPictureSendsNothing)
{
    form->TableBilder->Edit();
    form->TableBilder->FieldByName("PFAD")->SetAsString(Win(dir.path() / "fehlt.jpg"));
    form->TableBilder->Post();
    TPromptScript script;
    script.Answer(TPromptKind::Message, mrOk, "fehlt.jpg nicht gefunden!");
    form->PereMailversenden1Click(nullptr);
}

TEST_F(ExportTest, ThumbnailSettingsAndPrintLayoutsOpenFromTheirCommands)
{
    {
        TPromptScript script;
        script.Modal<TVorschaubildereinstellungenForm>([](TVorschaubildereinstellungenForm& v) {
            v.CheckBoxSkalieren->SetChecked(true);
            v.CheckBoxSkalierenMouseUp();
            v.ScrollBarZeilen->SetPosition(5);
            v.ModalResult = mrOk;
        });
        form->EinstellungenVorschaubilder1Click(nullptr);
    }
    {
        // Every change shows on the window's thumbnail grid at once.
        TQKDBPicBox* box = form->QKDBPicBox1;
        ASSERT_NE(box, nullptr);
        TPromptScript script;
        script.Modal<TVorschaubildereinstellungenForm>([box](TVorschaubildereinstellungenForm& v) {
            EXPECT_EQ(v.ScrollBarZeilen->Position(), 5);  // from the ini
            v.ScrollBarSpalten->SetPosition(7);
            EXPECT_EQ(box->Columns(), 7);
            EXPECT_TRUE(box->Scaled());
            v.ModalResult = mrOk;
        });
        form->EinstellungenVorschaubilder1Click(nullptr);
        EXPECT_EQ(box->Rows(), 5);
    }
    TQKINI ini(nullptr);
    ini.SetINIFileName(form->QKINI_Prog->INIFileName());
    EXPECT_EQ(ini.INIReadInteger("Einstellungen Vorschaubilder", "Zeilen", 0), 5);
    EXPECT_TRUE(ini.INIReadBool("Einstellungen Vorschaubilder", "Skalieren", false));

    lxtest::WriteFile(dir.path() / "prog" / "BilderListe1.RTM", "RTM");
    TPromptScript script;
    script.Modal<TBilderlistenForm>([](TBilderlistenForm& b) {
        ASSERT_EQ(b.ListBox1->Items()->Count(), 1);
        b.ListBox1->SetItemIndex(0);
        TPromptScript innen;
        // A file of another format: the engine's error is shown and logged,
        // and the print ends with the list's error.
        innen.Answer(TPromptKind::Message, mrOk, "Keine Beschreibung vorhanden")
            .Answer(TPromptKind::Exception, mrOk, "Ungültiges Vorlagenformat");
        b.ListBox1Click();
        try {
            b.BitBtn1Click();
            ADD_FAILURE() << "no error";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message, "Fehler beim Drucken einer Liste !");
        }
        b.ModalResult = mrOk;
    });
    form->MenuItem("BilderlistenAuswahl1")->Click();
}

TEST_F(ExportTest, CameraUploadPutsThePictureIntoTheSourceFolder)
{
    scantest::UseSaneTestBackend();
    TProgrammOptionenStand* o = form->ProgrammOptionen();
    o->SetZahl("BilderUploadmodus", 2);
    o->SetText("SourcePfad", Win(dir.path() / "kamera") + "\\");
    o->SetText("SourceFileNames", "DSC");
    o->SetText("SourceFileSuffix", "JPG");
    TPromptScript script;
    script.Answer(TPromptKind::Dialog, mrNo, "Bilder jetzt ins Zielverzeichnis kopieren ?");
    form->MenuItem("Bilderuploaden1")->Click();
    EXPECT_FALSE(QImage(QString::fromStdString((dir.path() / "kamera" / "DSC1.JPG").string())).isNull());
}

TEST_F(ExportTest, AsciiImportCommandOpensItsDialogWithoutTheOptions)
{
    TPromptScript script;
    script.Answer(TPromptKind::Dialog, mrNo, "QuellPfad für die Importdateien");
    script.Modal<TBilderDBFImportForm>([](TBilderDBFImportForm& i) {
        EXPECT_EQ(i.Caption(), "Bilderdatenbank als ASCII importieren");
        i.ModalResult = mrCancel;
    });
    form->MenuItem("ASCIIImport1")->Click();
}

TEST_F(ExportTest, EveryCommandOfTheToolsDoesItsWork)
{
    for (const char* name :
         {"Bilderuploaden1Click", "QKAutoButtonUploadenClick", "BilderuploadenII1Click", "BilderHTMLExport1Click",
          "ASCIIExport1Click", "ASCIIImport1Click", "CDRZusammenstellen2Click", "PereMailversenden1Click",
          "BildalsHintergrundbildladen1Click", "EinstellungenVorschaubilder1Click", "BilderlistenAuswahl1Click",
          "AndereBilderdatenbankoeffnen1Click"})
        EXPECT_TRUE(form->HandlerVorhanden(name)) << name;
}

}  // namespace

TEST_F(ToolsTest, TheOpenAlbumsRowShowsItsFiguresNowAndTheMediumsNameNotItsSerial)
{
    // A disk without a volume name of its own.
    lxtest::WriteDriveTable({{"C", "/", "HD", "", "1A2B3C4D", 1ull << 34}});
    TDriveMap::Instance().Refresh();
    ManagerAnlegen();
    Album("ALBUMA.DBF", "Urlaub", {});
    const QString kennung = qktGetVolumeSerialOrLabel("C:\\");
    TDbe* d = form->DbeBilderDatenbanken;
    d->SetOrder(0);
    d->Go(1);
    ASSERT_EQ(d->GetInteger("SAETZE"), 0);
    EXPECT_EQ(d->GetTrimString("LABEL"), kennung);  // only the serial was known then
    // Pictures come in, named "PLATTE" for this medium when they were read.
    form->Album().AllesSchliessen();
    std::vector<TTestEintrag> neu;
    for (const char* b : {"eins", "zwei", "drei"}) {
        TTestEintrag e{b};
        e.Bytes = 2000;
        e.Label = "PLATTE";
        e.Kennung = kennung.toStdString();
        neu.push_back(e);
    }
    EintraegeSchreiben(File("ALBUMA.DBF"), neu);
    TBilderDBFManagerForm m(nullptr, form->Album(), form->Dienste(), U());
    {
        TPromptScript still;  // nothing is asked
        m.FormShow();
    }
    d->SetOrder(0);
    d->Go(1);
    EXPECT_EQ(d->GetInteger("SAETZE"), 3);
    EXPECT_EQ(d->GetInteger("PICBYTES"), 6000);
    EXPECT_EQ(d->GetTrimString("LABEL"), "PLATTE");
    EXPECT_EQ(m.DBEditSaetze->Text().trimmed(), "3");
    EXPECT_EQ(m.DBEditLabel->Text().trimmed(), "PLATTE");
    m.Statistik1Click();
    Foto(m, "album_manager_figures_now");
}

TEST_F(ToolsTest, ManagerStatisticsShowAZeroAsZero)
{
    // Both entries of "Urlaub" have a description and none is marked; the
    // album "Familie" has no entries at all.
    ManagerAnlegen();
    Album("ALBUMA.DBF", "Urlaub", {Bild("p", "a.jpg"), Bild("p", "b.jpg")});
    Album("ALBUMB.DBF", "Familie", {});
    TBilderDBFManagerForm m(nullptr, form->Album(), form->Dienste(), U());
    m.Show();
    if (!m.GroupBoxStatistik->Visible())
        m.Statistik1Click();
    ASSERT_TRUE(m.GroupBoxStatistik->Visible());
    ASSERT_EQ(m.ListView1->ItemCount(), 2);
    const struct {
        int Zeile;
        const char* Saetze;
        const char* Markierte;
        const char* MitDesc;
        const char* OhneDesc;
        const char* PicBytes;
    } faelle[] = {{0, "2", "0", "2", "0", "4000"}, {1, "0", "0", "0", "0", "0"}};
    QListWidget* liste = m.ListView1->List();
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.Zeile);
        lxui_test::SendClick(liste->viewport(), liste->visualItemRect(liste->item(f.Zeile)).center());
        ASSERT_EQ(m.ListView1->Selected(), f.Zeile);
        EXPECT_EQ(m.DBEditSaetze->Text(), f.Saetze);
        EXPECT_EQ(m.DBEditMarkierte->Text(), f.Markierte);
        EXPECT_EQ(m.DBEditMitDesc->Text(), f.MitDesc);
        EXPECT_EQ(m.DBEditOhneDesc->Text(), f.OhneDesc);
        EXPECT_EQ(m.DBEditPicBytes->Text(), f.PicBytes);
        // The album's size is never empty (and never 0: its files are there).
        EXPECT_FALSE(m.DBEditBytesSum->Text().isEmpty());
    }
    const QString ordner = QCoreApplication::applicationDirPath() + "/screenshots";
    QDir().mkpath(ordner);
    EXPECT_TRUE(m.Handle()->grab().save(ordner + "/album_manager_statistik_null.png"));
}

// Opening the chosen album from the manager keeps that album's row current:
// its figures stay in the panel, and opening again opens the same album
// (the main window's open uses the manager table, which stays as it is).
TEST_F(ToolsTest, OpeningTheChosenAlbumKeepsItsRowCurrentInTheManager)
{
    ManagerAnlegen();
    Album("BILDER.DBF", "Urlaub", {Bild("p", "a.jpg"), Bild("p", "b.jpg"), Bild("p", "c.jpg")});
    Album("BILD_NEU.DBF", "Kopie", {Bild("q", "d.jpg")});
    // One entry of BILDER deleted (not packed): two entries are shown.
    form->Album().AllesSchliessen();
    TTestEintrag geloescht{"weg"};
    geloescht.Geloescht = true;
    EintraegeSchreiben(File("BILDER.DBF"), {geloescht});
    form->BereichBilder().NameSetzen("BILDER.DBF");
    ASSERT_EQ(form->BilderDBFOeffnen(), 1);
    ASSERT_EQ(form->StatusBarBilder1->Panels()->Items(1)->Text(), "3 von 3 Einträge angezeigt");
    FensterZeigen();
    // The program's first session: an opened album is not looked up in
    // the manager table then.
    form->QKINI_Prog->INIWriteBool("Einstellungen Hauptprogramm", "ErstStart", true);
    TPromptScript script;
    script.Modal<TBilderDBFManagerForm>([&](TBilderDBFManagerForm& m) {
        if (!m.GroupBoxStatistik->Visible())
            m.Statistik1Click();
        QListWidget* liste = m.ListView1->List();
        ASSERT_EQ(m.ListView1->ItemCount(), 2);
        ASSERT_EQ(m.ListView1->Selected(), 0);
        lxui_test::SendClick(liste->viewport(), liste->visualItemRect(liste->item(1)).center());
        ASSERT_EQ(m.ListView1->Selected(), 1);
        EXPECT_EQ(m.DBEditSaetze->Text(), "1");
        for (int mal = 1; mal <= 2; ++mal) {
            SCOPED_TRACE(mal);
            lxui_test::SendClick(m.BitBtnOeffnen->Handle(), m.BitBtnOeffnen->Handle()->rect().center());
            EXPECT_EQ(form->TableBilder->TableName(), "BILD_NEU.DBF");
            // The highlighted album's row, not the first one.
            EXPECT_EQ(m.ListView1->Selected(), 1);
            EXPECT_EQ(m.DBEditPfad->Text().section('\\', -1), "BILD_NEU.DBF");
            EXPECT_EQ(m.DBEditSaetze->Text(), "1");
            EXPECT_EQ(m.DBEditShortDesc->Text(), "Kopie");
        }
        Foto(m, "album_manager_nach_oeffnen");
        EXPECT_EQ(form->StatusBarBilder1->Panels()->Items(1)->Text(), "1 von 1 Einträge angezeigt");
        // Back to BILDER: its count leaves the deleted entry out.
        lxui_test::SendClick(liste->viewport(), liste->visualItemRect(liste->item(0)).center());
        lxui_test::SendClick(m.BitBtnOeffnen->Handle(), m.BitBtnOeffnen->Handle()->rect().center());
        EXPECT_EQ(form->TableBilder->TableName(), "BILDER.DBF");
        EXPECT_EQ(m.DBEditSaetze->Text(), "3");
        EXPECT_EQ(form->StatusBarBilder1->Panels()->Items(1)->Text().toStdString(), "3 von 3 Einträge angezeigt");
        m.Ende1->Click();
    });
    form->MenuItem("AndereBilderdatenbankoeffnen1")->Click();
    EXPECT_EQ(form->TableBilder->TableName(), "BILDER.DBF");
    EXPECT_EQ(form->StatusBarBilder1->Panels()->Items(1)->Text().toStdString(), "3 von 3 Einträge angezeigt");
    EXPECT_EQ(form->DbeBilder->QueryRecCount(), 3u);
    // The manager table as another program reads it: each album's own figures.
    const std::string man = RunScript("/usr/bin/python3", "man.py",
                                      "import sys\nfrom dbfread import DBF\n"
                                      "print([(r['PFAD'].strip().split('\\\\')[-1], r['SAETZE']) for r in DBF(sys.argv[1])])\n",
                                      (dir.path() / "db" / "LXMan.DBF").string());
    EXPECT_EQ(man, "[('BILDER.DBF', 3), ('BILD_NEU.DBF', 1)]\n");
}
