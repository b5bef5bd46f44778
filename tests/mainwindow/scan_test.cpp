// Adding pictures from the main window: the add command runs the scan
// dialog modally and shows the counts afterwards, files dropped on the
// window go the same way, and the copy of a camera folder hands its verified
// copies to the add dialog and deletes only their sources.
#include "main_form_fixture.h"

#include "controls/spin_edit.h"
#include "dialogs/program_settings.h"
#include "dialogs/full_size_form.h"
#include "dialogs/scan_pics.h"
#include "platform/ui/buttons.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/menus.h"
#include "platform/ui/std_ctrls.h"
#include "shared/qk_auto_button.h"
#include "shared/qk_ini.h"
#include "shared/short_name.h"
#include "storage/grid_settings.h"
#include "datagrid/dk_db_grid.h"

#include <QImage>

#include <sstream>

namespace {

class ScanTest : public MainFormTest {
protected:
    void SetUp() override
    {
        Application->ClearTerminated();
        MainFormTest::SetUp();
        lxtest::WriteDriveTable({lxtest::FakeDrive{"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34}});
        form->Dienste().Lauf().ProgrammPfadSetzen(Win(dir.path()) + "\\");
        form->ProgrammOptionen()->SetBool("BearbeitungszeitAnzeigen", false);
        AlbumAnlegen("TEST.DBF", {{"alt"}});
        ManagerAnlegen();
        TPromptScript script;
        ASSERT_EQ(form->BilderDBFOeffnen(), 1);
        form->OeffneBilderFTS();
    }

    QString Bild(const std::string& rel, int w, int h)
    {
        const std::filesystem::path p = dir / rel;
        std::filesystem::create_directories(p.parent_path());
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(Qt::darkCyan);
        EXPECT_TRUE(img.save(QString::fromStdString(p.string()), "JPG"));
        return QString::fromStdString(p.string());
    }

    // The add dialog as a user runs it: the types, no size or pixel limits,
    // then "Einlesen starten".
    static TPromptScript::TFormAnswer Einlesen(int* neue = nullptr)
    {
        return [neue](TCustomForm& f) {
            auto& d = dynamic_cast<TfrmScanPics&>(f);
            d.chkFindJPG->SetChecked(true);
            d.SpinEditMinDateiGroesse->SetValue(0);
            d.SpinEditMinPixelBreite->SetValue(0);
            d.SpinEditMinPixelHoehe->SetValue(0);
            d.btnScanStart->Click();
            if (neue)
                *neue = d.Neue();
            f.ModalResult = mrOk;
        };
    }
};

TEST_F(ScanTest, AddCommandRunsTheDialogAndShowsTheCounts)
{
    Bild("neu/a.jpg", 200, 150);
    Bild("neu/b.jpg", 150, 200);
    form->Anzeige().GridLayoutMerker = true;
    int neue = -1;
    {
        TPromptScript script;
        script.Modal(Einlesen(&neue))
            .AnswerValue(Win(dir / "neu"))
            .Answer(mrOk, "Scanvorgang auf angegebenen Laufwerk abgeschlossen!");
        form->MenuItem("BilderHinzufuegen1")->Click();
    }
    EXPECT_EQ(neue, 2);
    EXPECT_FALSE(form->Anzeige().GridLayoutMerker);
    EXPECT_EQ(form->DbeBilder->RecCount(), 3u);
    EXPECT_EQ(form->StatusBarBilder1->Panels()->Items(1)->Text(), "3 von 3 Einträge angezeigt");
    EXPECT_EQ(form->FtsBilder->NumRecs(), 3);
    // The search start is kept for the next run.
    TQKINI ini(nullptr);
    ini.SetINIFileName(form->QKINI_Prog->IniPath());
    EXPECT_EQ(ini.INIReadString("Einstellungen Bilder", "Suchverzeichnis", ""), Win(dir / "neu"));
}

TEST_F(ScanTest, DroppedPicturesAreAddedThroughTheDialog)
{
    const QString a = Bild("drop/Foto am Strand.JPG", 160, 120);
    lxtest::WriteFile(dir / "drop" / "liesmich.txt", "x");
    {
        TPromptScript script;
        script.Modal(Einlesen());
        form->DateienFallengelassen({a, QString::fromStdString((dir / "drop" / "liesmich.txt").string())});
    }
    EXPECT_FALSE(form->Dienste().Lauf().DropUebergabeLaeuft());
    EXPECT_EQ(form->Dienste().Lauf().DropListe().Count(), 0);
    ASSERT_EQ(form->DbeBilder->RecCount(), 2u);
    form->DbeBilder->GoBottom();
    EXPECT_EQ(form->DbeBilder->GetTrimString("PFAD"), Win(a.toStdString()));
    EXPECT_EQ(form->DbeBilder->GetTrimString("SHORTNAME"), StringToCRC32(Win(a.toStdString())));
}

TEST_F(ScanTest, CameraCopyHandsVerifiedCopiesToTheDialogAndDeletesOnlyTheirSources)
{
    const QString gross = Bild("karte/DSC_1.JPG", 1600, 1200);
    const QString klein = Bild("karte/DSC_2.JPG", 1200, 900);
    std::filesystem::create_directories(dir / "ziel");
    lxtest::WriteFile(dir / "ziel" / "DSC_00041.JPG", "vorhanden");
    TProgrammOptionenStand& o = *form->ProgrammOptionen();
    o.SetText("SourcePfad", Win(dir / "karte") + "\\");
    o.SetText("DestPfad", Win(dir / "ziel") + "\\");
    o.SetText("SourceFileNames", "DSC_");
    o.SetText("SourceFileSuffix", "JPG");
    o.SetText("BreiteOderLaenge", "1600");
    o.SetBool("IncNrFileName", true);
    o.SetBool("DeleteAfterCopy", true);
    o.SetBool("FreienPlatzPruefen", true);
    o.SetBool("BearbeitungszeitAnzeigen", false);
    o.SetBool("AlleMeldungen", false);
    int neue = -1;
    {
        TPromptScript script;
        script.Answer(mrNo, "spezielle Einstellungen notwendig")
            .Answer(mrYes, "Es werden jetzt alle Bilder aus")
            .Modal(Einlesen(&neue));
        form->MenuItem("Bilderumkopieren1")->Click();
    }
    EXPECT_EQ(neue, 1);
    EXPECT_TRUE(std::filesystem::exists(dir / "ziel" / "DSC_00042.JPG"));
    EXPECT_FALSE(std::filesystem::exists(gross.toStdString()));  // copied, verified, deleted
    EXPECT_TRUE(std::filesystem::exists(klein.toStdString()));   // skipped by the edge length: kept
    ASSERT_EQ(form->DbeBilder->RecCount(), 2u);
    form->DbeBilder->GoBottom();
    EXPECT_EQ(form->DbeBilder->GetTrimString("PFAD"), Win(dir / "ziel" / "DSC_00042.JPG"));
    EXPECT_EQ(form->DbeBilder->GetInteger("BREITE"), 1600);
}

TEST_F(ScanTest, CameraCopyRefusesEqualFoldersAndReportsNothingCopied)
{
    TProgrammOptionenStand& o = *form->ProgrammOptionen();
    o.SetText("SourcePfad", Win(dir / "karte") + "\\");
    std::filesystem::create_directories(dir / "karte");
    std::filesystem::create_directory_symlink(dir / "karte", dir / "verweis");
    // The same folder in another case, through a link, and with "\.".
    for (const QString& ziel : {Win(dir / "KARTE") + "\\", Win(dir / "verweis") + "\\", Win(dir / "karte") + "\\.\\"}) {
        o.SetText("DestPfad", ziel);
        TPromptScript script;
        script.Answer(mrNo, "spezielle Einstellungen notwendig")
            .Answer(mrOk, "Quell- und Zielverzeichnis dürfen nicht identisch sein");
        form->Bilderumkopieren1Click(nullptr);
        EXPECT_EQ(script.Pending(), 0u) << ziel.toStdString();
    }
    Bild("karte/DSC_1.JPG", 800, 600);
    o.SetText("DestPfad", Win(dir / "ziel") + "\\");
    o.SetText("SourceFileNames", "DSC_");
    o.SetText("BreiteOderLaenge", "1600");
    o.SetBool("DeleteAfterCopy", true);
    {
        TPromptScript script;
        script.Answer(mrNo, "spezielle Einstellungen notwendig")
            .Answer(mrYes, "kopiert, fortfahren?")
            .Answer(mrOk, "Keine oder keine gültigen Bilder gefunden und kopiert!");
        form->Bilderumkopieren1Click(nullptr);
    }
    EXPECT_TRUE(std::filesystem::exists(dir / "karte" / "DSC_1.JPG"));
    EXPECT_EQ(form->DbeBilder->RecCount(), 1u);
}

TEST_F(ScanTest, ToolbarButtonRunsTheAddCommandAndFreesTheTableAfterwards)
{
    {
        TPromptScript script;
        script.Modal([](TCustomForm& f) { f.ModalResult = mrCancel; });
        form->ToolbarButton("QKAutoButtonBilderHinzufuegen")->Click();
    }
    EXPECT_FALSE(form->TableBilder->ControlsDisabled());
    EXPECT_EQ(form->DbeBilder->RecCount(), 1u);
}

TEST_F(ScanTest, TwoPicturesOfTheSameSecondKeepTheSecondSourceWhoseCopyWasRefused)
{
    const QString eins = Bild("karte2/IMG_1.JPG", 300, 200);
    const QString zwei = Bild("karte2/IMG_2.JPG", 200, 300);
    const auto zeit = std::filesystem::last_write_time(eins.toStdString());
    std::filesystem::last_write_time(zwei.toStdString(), zeit);
    TProgrammOptionenStand& o = *form->ProgrammOptionen();
    o.SetText("SourcePfad", Win(dir / "karte2") + "\\");
    o.SetText("DestPfad", Win(dir / "ziel2") + "\\");
    std::filesystem::create_directories(dir / "ziel2");
    o.SetText("SourceFileNames", "IMG_");
    o.SetText("SourceFileSuffix", "JPG");
    o.SetText("BreiteOderLaenge", "");
    o.SetBool("DateTimeFileName", true);
    o.SetBool("DeleteAfterCopy", true);
    {
        TPromptScript script;
        script.Answer(mrNo, "spezielle Einstellungen notwendig")
            .Answer(mrYes, "kopiert, fortfahren?")
            .Modal(Einlesen());
        form->Bilderumkopieren1Click(nullptr);
    }
    // The second picture meets the first one's copy and is passed over: the
    // first source goes (its copy is verified), the second stays.
    EXPECT_FALSE(std::filesystem::exists(eins.toStdString()));
    EXPECT_TRUE(std::filesystem::exists(zwei.toStdString()));
    EXPECT_EQ(form->DbeBilder->RecCount(), 2u);
}

TEST_F(ScanTest, PreviewClickShowsThePictureFullSize)
{
    const QString bild = Bild("voll/Turm.jpg", 300, 400);
    QString gezeigt;
    {
        TPromptScript script;
        script.Modal([&](TCustomForm& f) {
                  auto& d = dynamic_cast<TfrmScanPics&>(f);
                  d.SpinEditMinDateiGroesse->SetValue(0);
                  d.AddFile(Win(dir / "voll") + "\\", "Turm.jpg");
                  d.ImageWindow2Click(nullptr);
                  f.ModalResult = mrOk;
              })
            .Modal([&](TCustomForm& f) {
                auto& v = dynamic_cast<TFullSizeForm&>(f);
                gezeigt = v.AktuellesBild;
                f.ModalResult = mrOk;
            });
        form->BilderHinzufuegen1Click(nullptr);
    }
    EXPECT_EQ(gezeigt, Win(bild.toStdString()));
    EXPECT_EQ(form->DbeBilder->RecCount(), 2u);
}

}  // namespace

// A picture renamed through the rename command keeps its entry: its path
// and short name follow the new name, so a second run of the add command
// over the same folder recognises it and adds nothing.
TEST_F(ScanTest, RenamedPictureIsNotAddedAgainByTheNextRun)
{
    Bild("neu/a.jpg", 200, 150);
    Bild("neu/b.jpg", 150, 200);
    // The second view of the album, which the start opens, answers the
    // duplicate check.
    ASSERT_EQ(form->Bilder2DBFOeffnen(), 1);
    const auto hinzufuegen = [&](int* neue) {
        // With the check for pictures already in the album, as a user adds
        // a folder again.
        TPromptScript script;
        script.Modal([neue](TCustomForm& f) {
                  dynamic_cast<TfrmScanPics&>(f).CheckBoxDoublettencheck->SetChecked(true);
                  Einlesen(neue)(f);
              })
            .AnswerValue(Win(dir / "neu"))
            .Answer(mrOk, "Scanvorgang auf angegebenen Laufwerk abgeschlossen!");
        form->MenuItem("BilderHinzufuegen1")->Click();
        EXPECT_EQ(script.Pending(), 0u);
    };
    int neue = -1;
    hinzufuegen(&neue);
    ASSERT_EQ(neue, 2);
    ASSERT_EQ(form->DbeBilder->RecCount(), 3u);

    // The entry of a.jpg becomes current and is renamed.
    const QString alt = Win(dir / "neu" / "a.jpg");
    const QString umbenannt = Win(dir / "neu" / "Strand 1.jpg");
    form->TableBilder->First();
    while (!form->TableBilder->Eof() && form->DbeBilder->GetTrimString("PFAD") != alt)
        form->TableBilder->Next();
    ASSERT_EQ(form->DbeBilder->GetTrimString("PFAD"), alt);
    {
        TPromptScript script;
        script.AnswerValue("Strand 1.jpg");
        form->Bildumbenennen1Click(nullptr);
        EXPECT_EQ(script.Pending(), 0u);
    }
    ASSERT_TRUE(std::filesystem::exists(dir / "neu" / "Strand 1.jpg"));

    neue = -1;
    hinzufuegen(&neue);
    EXPECT_EQ(neue, 0);
    EXPECT_EQ(form->DbeBilder->RecCount(), 3u);

    // The album as another reader sees it.
    const char* kAuflisten = R"PY(
import sys
from dbfread import DBF
for r in DBF(sys.argv[1], encoding="cp1252"):
    print(r["PFAD"].strip() + "|" + r["SHORTNAME"].strip())
)PY";
    const std::string liste = RunScript("/usr/bin/python3", "liste.py", kAuflisten, File("TEST.DBF"));
    std::vector<std::string> zeilen;
    std::istringstream in(liste);
    for (std::string z; std::getline(in, z);)
        zeilen.push_back(z);
    ASSERT_EQ(zeilen.size(), 3u) << liste;
    int gefunden = 0;
    for (const std::string& z : zeilen) {
        EXPECT_EQ(z.find(alt.toStdString() + "|"), std::string::npos) << z;
        if (z == (umbenannt + "|" + StringToCRC32(umbenannt)).toStdString())
            ++gefunden;
    }
    EXPECT_EQ(gefunden, 1) << liste;
}
// The grid keeps its columns through the add command: with and without a
// layout to save, when the dialog is left without a scan, and when the
// ini holds a layout record naming a single column (what a save cut short
// leaves), which would otherwise leave the grid with "Markiert" alone.
TEST_F(ScanTest, TheGridKeepsItsColumnsThroughTheAddCommand)
{
    Bild("neu/a.jpg", 200, 150);
    const auto spalten = [this] {
        QStringList s;
        for (TField* f : GridSpaltenFelder(form->TableBilder))
            s << f->FieldName;
        return s;
    };
    const QStringList vorher = spalten();
    ASSERT_GT(vorher.size(), 10);
    struct Fall {
        const char* name;
        bool merker;
        bool einlesen;
        bool halberSatz;
    } const faelle[] = {
        {"ohne Merker", false, true, false},
        {"mit Merker", true, true, false},
        {"ohne Einlesen", true, false, false},
        {"halber Satz", false, true, true},
    };
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(fall.name);
        form->Anzeige().GridLayoutMerker = fall.merker;
        if (fall.halberSatz) {
            form->QKINI_Prog->KillSection("BilderFieldPosition");
            form->QKINI_Prog->INIWriteInteger("BilderFieldPosition", "MARKIERT", 0);
        }
        {
            TPromptScript script;
            if (fall.einlesen)
                script.Modal(Einlesen()).AnswerValue(Win(dir / "neu")).Answer(mrOk, "Scanvorgang auf angegebenen Laufwerk abgeschlossen!");
            else
                script.Modal([](TCustomForm& f) { f.ModalResult = mrCancel; });
            form->MenuItem("BilderHinzufuegen1")->Click();
        }
        EXPECT_EQ(spalten(), vorher);
        EXPECT_EQ(form->DBGridBilder->GetFieldCount(), vorher.size());
    }
}

// The main window's grid stays locked while the add dialog is open, also
// after a start without a file type, and is free again once it closes.
TEST_F(ScanTest, TheGridStaysLockedWhileTheAddDialogIsOpen)
{
    bool gesperrt = false;
    {
        TPromptScript script;
        script.Modal([&](TCustomForm& f) {
                  auto& d = dynamic_cast<TfrmScanPics&>(f);
                  for (TCheckBox* c : {d.chkFindJPG, d.chkFindBMP, d.chkFindTIF, d.chkFindPNG, d.chkFindGIF,
                                       d.chkFindPCX, d.chkFindGIF2, d.chkFindTIF2, d.chkFindPCD, d.chkFindCMS,
                                       d.chkFindSCM, d.chkFindWMF,
                                       d.chkFindICO})
                      c->SetChecked(false);
                  d.EditEigeneSuffix->Clear();
                  d.btnScanStart->Click();
                  gesperrt = form->TableBilder->ControlsDisabled();
                  f.ModalResult = mrCancel;
              })
            .Answer(mrOk, "Geben Sie mindestens einen Dateityp an");
        form->MenuItem("BilderHinzufuegen1")->Click();
    }
    EXPECT_TRUE(gesperrt);
    EXPECT_FALSE(form->TableBilder->ControlsDisabled());
}
