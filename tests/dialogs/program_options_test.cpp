// The options dialog: tabs built from the table and bound to the store, the
// close that stores everything, colours, fonts, folder checks, program
// browse, pick lists and the reset; a screenshot of every tab.

#include <QFont>
#include <QSet>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "controls/directory_chooser.h"
#include "controls/shadow_button.h"
#include "dialogs/program_options.h"
#include "options_test_host.h"
#include "platform/core/exceptions.h"
#include "platform/core/ini_file.h"
#include "platform/os/folders.h"
#include "platform/ui/buttons.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/std_ctrls.h"
#include "test_environment.h"

namespace {

class OptionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        haupt.ini = WinPfad(dir / "Lumadex.INI");
        dialog = std::make_unique<TProgrammOptionen>(nullptr, haupt);
    }
    TProgrammEinstellungen& E() { return dialog->Einstellungen(); }
    template <typename T>
    T* El(const char* name)
    {
        T* c = dialog->Element<T>(name);
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    // Runs the dialog modally; fn acts as the user, then the dialog closes.
    void Modal(int reiter, const std::function<void(TProgrammOptionen&)>& fn)
    {
        TPromptScript script;
        script.Modal<TProgrammOptionen>([&](TProgrammOptionen& f) {
            fn(f);
            f.ModalResult = mrOk;
        });
        dialog->Zeigen(reiter);
    }

    lxtest::TempDir dir;
    TTestHauptfenster haupt;
    std::unique_ptr<TProgrammOptionen> dialog;
};

}  // namespace

TEST_F(OptionsTest, ControlsAreBuiltWhenFirstShownAndShowTheStoreAsItStandsThen)
{
    // Made, the dialog has read the settings and applied the hint times,
    // but built no tab yet.
    EXPECT_FALSE(dialog->SteuerelementeGebaut());
    EXPECT_EQ(dialog->PageControlMain, nullptr);
    for (int i = 0; i < dialog->ComponentCount(); ++i)
        EXPECT_EQ(dynamic_cast<TControl*>(dialog->Components(i)), nullptr) << dialog->Components(i)->Name.toStdString();
    EXPECT_EQ(haupt.aufrufe, QStringList({"Lesen"}));
    EXPECT_EQ(haupt.hintPause, 200);
    EXPECT_EQ(haupt.hintHide, 20000);
    // Changes of the store before the dialog is shown: the hint times reach
    // the main window at once, the pick list is read into the store.
    E().SetBool("AlleMeldungen", false);
    E().SetZahl("MouseHintTime", 2);
    E().SetZahl("HintHidePause", 7);
    EXPECT_EQ(haupt.hintPause, 2000);
    EXPECT_EQ(haupt.hintHide, 7000);
    haupt.album = WinPfad(dir.path()) + "\\";
    haupt.gpr = WinPfad(dir / "URLAUB.GPR");
    lxtest::WriteFile(dir / "URLAUB.GPR", "Familie\r\nFreunde\r\n");
    E().ReadPlayListFromMemo(haupt.gpr);
    EXPECT_EQ(haupt.picklisten[0], QStringList({"Familie\t0", "Freunde\t1"}));
    EXPECT_FALSE(dialog->SteuerelementeGebaut());
    // Shown on the copy tab: every control shows the store.
    bool gezeigt = false;
    Modal(rtKopieren, [&](TProgrammOptionen& f) {
        gezeigt = true;
        ASSERT_TRUE(f.SteuerelementeGebaut());
        EXPECT_EQ(f.PageControlMain->ActivePageIndex(), int(rtKopieren));
        EXPECT_FALSE(f.Element<TCheckBox>("CheckBoxAlleMeldungen")->Checked());
        EXPECT_EQ(f.Element<TScrollBar>("ScrollBarHintHidePause")->Position(), 7);
        EXPECT_EQ(f.WertLabel("ScrollBarHintPause")->Caption(), "2 Sek.");
        EXPECT_EQ(f.MemoGruppenListe->Lines()->Text(), "Familie\r\nFreunde\r\n");
        EXPECT_EQ(f.Element<TEdit>("EditBildbearbeitung1")->Text(), "Externe Bildbearbeitung1");
    });
    EXPECT_TRUE(gezeigt);
    EXPECT_EQ(TMemIniFile(haupt.ini).ReadString(kSektionHaupt, "HintHidePause", ""), "7");
}

TEST_F(OptionsTest, EveryRowHasItsControlOnItsTabWithTheStoredValue)
{
    EXPECT_EQ(dialog->Caption(), "Einstellungen / Optionen");
    dialog->SteuerelementeBauen();
    ASSERT_EQ(dialog->PageControlMain->PageCount(), 9);
    EXPECT_EQ(dialog->PageControlMain->Pages(7)->Caption(), "Schriften && Farben");
    EXPECT_EQ(dialog->PageControlMain->ActivePageIndex(), 0);
    EXPECT_EQ(haupt.aufrufe.value(0), "Lesen");  // the create reads the ini again
    for (const TEinstellung& z : EinstellungsTabelle()) {
        TControl* c = dialog->Steuerelement(z.Steuerelement);
        ASSERT_NE(c, nullptr) << z.Steuerelement;
        EXPECT_EQ(c->Visible(), !z.Versteckt) << z.Steuerelement;
        // The control stands on its tab.
        TControl* p = c;
        while (p && !dynamic_cast<TTabSheet*>(p))
            p = p->Parent();
        EXPECT_EQ(p, dialog->Reiter[z.Reiter]) << z.Steuerelement;
    }
    EXPECT_TRUE(El<TCheckBox>("CheckBoxAlleMeldungen")->Checked());
    EXPECT_TRUE(El<TRadioButton>("RadioButtonWallPaper1zu1")->Checked());
    EXPECT_EQ(El<TScrollBar>("ScrollBarMeldungszeit")->Position(), 10);
    EXPECT_EQ(dialog->WertLabel("ScrollBarMeldungszeit")->Caption(), "10 Sek.");
    EXPECT_EQ(dialog->WertLabel("ScrollBarMaxLogSize")->Caption(), "200 KB");
    EXPECT_EQ(dialog->WertLabel("ScrollBarAutoSlideShow")->Caption(), "1 Min.");
    EXPECT_EQ(El<TEdit>("EditBildbearbeitung1")->Text(), "Externe Bildbearbeitung1");
    EXPECT_EQ(El<TShadowButton>("ShadowButtonKannfarbe")->FaceColor(), clLime);
    EXPECT_EQ(El<TComboBox>("ComboBoxUploadmodus")->Items()->Count(), 3);
    EXPECT_EQ(dialog->ComboBoxFonts->Items()->Count(), 9);
    EXPECT_EQ(dialog->SuchKnopf("EditDestDir")->Name, "SpeedButton4");
    EXPECT_EQ(dialog->SuchKnopf("EditExternerProgrammPfadBildBearbeitung2")->Name, "SpeedButton1");
}

TEST_F(OptionsTest, ControlsAndStoreFollowEachOther)
{
    El<TCheckBox>("CheckBoxProtokollieren")->SetChecked(true);
    EXPECT_TRUE(E().Bool("Protokollieren"));
    El<TEdit>("EditSourceFileNames")->SetText("DSC");
    EXPECT_EQ(E().Text("SourceFileNames"), "DSC");
    auto* modus = El<TComboBox>("ComboBoxUploadmodus");
    modus->SetItemIndex(2);
    modus->OnChange(modus);
    EXPECT_EQ(E().Zahl("BilderUploadmodus"), 2);
    El<TRadioButton>("RadioButtonJPGAnzeigen")->SetChecked(true);
    EXPECT_TRUE(E().Bool("JPGAnzeigen"));
    EXPECT_FALSE(E().Bool("BMPAnzeigen"));
    // The other way: the main window's read shows in the controls.
    E().SetBool("AlleMeldungen", false);
    EXPECT_FALSE(El<TCheckBox>("CheckBoxAlleMeldungen")->Checked());
    E().SetBool("WallpaperTile", false);
    E().SetBool("Wallpaper1zu1", false);
    EXPECT_FALSE(El<TRadioButton>("RadioButtonWallPaper1zu1")->Checked());  // none of the group selected
    E().SetZahl("HintHidePause", 7);
    EXPECT_EQ(dialog->WertLabel("ScrollBarHintHidePause")->Caption(), "7 Sek.");
    EXPECT_EQ(haupt.hintHide, 7000);
    EXPECT_EQ(haupt.hintPause, 200);  // position 0 gives 200 ms
    EXPECT_TRUE(haupt.toene.empty());  // hidden: no sound
}

TEST_F(OptionsTest, ClosingStoresEverySettingAndReadsItBack)
{
    Modal(1, [](TProgrammOptionen& f) {
        EXPECT_EQ(f.PageControlMain->ActivePageIndex(), 1);
        f.Element<TScrollBar>("ScrollBarMeldungszeit")->SetPosition(25);
        f.Element<TEdit>("EditBenutzerdefiniertFeld2")->SetText("Ort");
    });
    EXPECT_EQ(haupt.aufrufe.mid(haupt.aufrufe.size() - 3),
              QStringList({"OptionenAnwenden", "Schreiben", "Lesen"}));
    EXPECT_EQ(haupt.toene.back(), 20);
    EXPECT_TRUE(std::find(haupt.toene.begin(), haupt.toene.end(), 16) != haupt.toene.end());  // the bar's sound
    const TMemIniFile ini(haupt.ini);
    EXPECT_EQ(ini.ReadString(kSektionHaupt, "RequesterAnzeigeZeit", ""), "25");
    EXPECT_EQ(ini.ReadString(kSektionHaupt, "BezeichnerBenutzerdefiniertesFeld2", ""), "Ort");
    EXPECT_TRUE(ini.ValueExists("WinPos", "QKINISettings_Top"));
}

TEST_F(OptionsTest, FolderChecksFollowTheRules)
{
    auto* edit = El<TEdit>("EditBackupDir");
    edit->SetText("C:\\");
    dialog->OrdnerPruefen(edit);
    EXPECT_EQ(edit->Text(), "C:\\");
    edit->SetText("C");
    dialog->OrdnerPruefen(edit);
    EXPECT_EQ(edit->Text(), "");
    {
        TPromptScript script;
        script.Answer(mrYes, "Erzeugen");
        edit->SetText(WinPfad(dir / "Sicherung"));
        dialog->OrdnerPruefen(edit);
    }
    EXPECT_EQ(edit->Text(), WinPfad(dir / "Sicherung") + "\\");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "Sicherung"));
    EXPECT_EQ(E().Text("BackupDir"), WinPfad(dir / "Sicherung") + "\\");
    {
        TPromptScript script;
        script.Answer(mrNo, "Erzeugen").Answer(TPromptKind::Message, mrOk, "Pfad ungültig!");
        edit->SetText(WinPfad(dir / "nein"));
        dialog->OrdnerPruefen(edit);
    }
    // The destination folder hands its pictures to the main window.
    lxtest::WriteFile(dir / "ziel" / "a.bmp", "BM");
    lxtest::WriteFile(dir / "ziel" / "unter" / "b.BMP", "BM");
    lxtest::WriteFile(dir / "ziel" / "c.jpg", "x");
    auto* ziel = El<TEdit>("EditDestDir");
    ziel->SetText(WinPfad(dir / "ziel"));
    dialog->OrdnerPruefen(ziel);
    EXPECT_EQ(haupt.zielOrdner, WinPfad(dir / "ziel") + "\\");
    EXPECT_EQ(haupt.zielBilder, 2);
}

TEST_F(OptionsTest, BrowseButtonsTakeTheChosenFolderAndProgram)
{
    std::filesystem::create_directories(dir / "Export");
    {
        // The edit's default folder does not exist yet: not made, the tree
        // starts elsewhere.
        TPromptScript script;
        script.Answer(mrNo, "Erzeugen").Modal<TDirDlgForm>([&](TDirDlgForm& d) {
            d.DirectoryListBox1->SetDirectory(WinPfad(dir / "Export"));
            d.BitBtn1->Click();
        });
        dialog->SuchKnopf("EditHTMLExportPfad")->Click();
    }
    EXPECT_EQ(E().Text("HTMLExportPfad"), WinPfad(dir / "Export") + "\\");
    {
        TPromptScript script;
        script.AnswerValue("C:\\usr\\bin\\gimp");
        dialog->SuchKnopf("EditExternerProgrammPfadBildBearbeitung1")->Click();
        EXPECT_EQ(script.Records().at(0).Kind, TPromptKind::OpenFile);
    }
    EXPECT_EQ(E().Text("PfadBildBearbeitung1"), "C:\\usr\\bin\\gimp");
    EXPECT_EQ(haupt.aufrufe.back(), "Schreiben");  // stored at once
    EXPECT_EQ(TMemIniFile(haupt.ini).ReadString(kSektionBilder, "PfadBildBearbeitung1", ""), "C:\\usr\\bin\\gimp");
}

TEST_F(OptionsTest, EditRulesOnExitAndChange)
{
    auto* suffix = El<TEdit>("EditSourceFileSuffix");
    suffix->SetText("");
    suffix->OnExit(suffix);
    EXPECT_EQ(suffix->Text(), "*");
    suffix->SetText("jpg");
    EXPECT_EQ(E().Text("SourceFileSuffix"), "JPG");
    auto* namen = El<TEdit>("EditSourceFileNames");
    namen->SetText(QString::fromUtf8("DSC\u5199"));
    {
        TPromptScript script;
        script.Answer(TPromptKind::Message, mrOk, "nicht gespeichert werden");
        namen->OnExit(namen);
    }
    EXPECT_EQ(namen->Text(), "");  // back to the stored value
    auto* menue = El<TEdit>("EditBildbearbeitung3");
    menue->SetText("");
    menue->OnExit(menue);
    EXPECT_EQ(E().Text("Bildbearbeitung3"), "3");
    auto* kante = El<TEdit>("EditBreiteOderLaenge");
    kante->SetText("640");
    EXPECT_EQ(E().Text("BreiteOderLaenge"), "640");
    {
        TPromptScript script;
        script.Answer(TPromptKind::Exception, mrOk, "Nur Zahlen als Eingabe erlaubt");
        kante->SetText("64x");
    }
    EXPECT_EQ(E().Text("BreiteOderLaenge"), "640");
    kante->OnExit(kante);  // leaving it shows the stored number again, without another message
    EXPECT_EQ(kante->Text(), "640");
    auto* spin = El<TEdit>("SpinEditSlideShowInterval");
    spin->SetText("99");
    spin->OnExit(spin);
    EXPECT_EQ(spin->Text(), "5");  // out of range: back to the value
    spin->SetText("12");
    spin->OnExit(spin);
    EXPECT_EQ(E().Zahl("SlideShowInterval"), 12);
}

TEST_F(OptionsTest, ColourButtonsSetTheColourAndRecolourTheMainWindow)
{
    {
        TPromptScript script;
        script.AnswerValue(QString::number(0x0000FF));
        El<TShadowButton>("ShadowButtonInfofarbe")->Click();
    }
    EXPECT_EQ(E().Farbe("Infofarbe"), 0xFF);
    EXPECT_EQ(El<TShadowButton>("ShadowButtonInfofarbe")->FaceColor(), 0xFF);
    EXPECT_EQ(haupt.aufrufe.back(), "FeldfarbenSetzen");
    {
        TPromptScript script;  // cancelled: the colour stays, the main window is re-coloured anyway
        script.Answer(TPromptKind::Color, mrCancel);
        El<TShadowButton>("ShadowButtonPflichtfarbe")->Click();
    }
    EXPECT_EQ(E().Farbe("Pflichtfarbe"), 16776960);
    EXPECT_EQ(haupt.aufrufe.count("FeldfarbenSetzen"), 2);
    {
        TPromptScript script;
        script.AnswerValue(QString::number(0x00FF00));
        El<TShadowButton>("ShadowButtonTextVollbildHintergrund")->Click();
    }
    EXPECT_EQ(haupt.textVollbildFarbe, 0x00FF00);
    EXPECT_EQ(E().Farbe("TextVollbildBGColor"), 0x00FF00);
    // Switching the colour system off disables the list colours.
    auto* system = El<TCheckBox>("CheckBoxFarbSystemBenutzen");
    system->SetChecked(false);
    system->OnMouseUp(system, mbLeft, {}, 1, 1);
    EXPECT_FALSE(El<TGroupBox>("GroupBoxListenFarben")->Enabled());
    EXPECT_FALSE(El<TCheckBox>("CheckBoxRowColors")->Enabled());
    EXPECT_EQ(haupt.aufrufe.mid(haupt.aufrufe.size() - 2),
              QStringList({"AlbumTabelleAktualisieren", "FeldfarbenSetzen"}));
    EXPECT_EQ(haupt.toene.back(), 12);
}

TEST_F(OptionsTest, FontCombo)
{
    QFont gross("Courier", 14);
    {
        TPromptScript script;
        script.AnswerValue(gross.toString());
        dialog->FontZuweisen(7);
    }
    ASSERT_EQ(haupt.schriften.size(), 1u);
    EXPECT_EQ(haupt.schriften[0], std::make_pair(7, QString("Courier")));
    TMemIniFile ini(haupt.ini);
    EXPECT_EQ(ini.ReadString(kSektionFonts, "DBCheckBox_Name", ""), "Courier");
    EXPECT_EQ(ini.ReadString(kSektionFonts, "DBCheckBox_Size", ""), "14");
    {
        // Cancelled: the start font is applied and stored unchanged.
        TPromptScript script;
        script.Answer(TPromptKind::Font, mrCancel);
        dialog->FontZuweisen(1);
    }
    EXPECT_EQ(haupt.schriften[1], std::make_pair(1, QString("Arial")));
    EXPECT_EQ(TMemIniFile(haupt.ini).ReadString(kSektionFonts, "GridFont_Size", ""), "9");
    // A font name the machine does not have is handed on; nothing breaks.
    {
        TMemIniFile ini(haupt.ini);
        ini.WriteString(kSektionFonts, "RadioButton_Name", "GibtEsNicht Schrift");
        ini.WriteString(kSektionFonts, "RadioButton_Size", "viel");
        ini.UpdateFile();
    }
    // The start-up read gives the stored fonts to the main window.
    haupt.schriften.clear();
    dialog->LeseFontAusIni(haupt.ini);
    ASSERT_EQ(haupt.schriften.size(), 3u);
    EXPECT_EQ(haupt.schriften[0].first, 1);
    EXPECT_EQ(haupt.schriften[1].first, 7);
    EXPECT_EQ(haupt.schriften[2], std::make_pair(8, QString("GibtEsNicht Schrift")));
    {
        TPromptScript script;
        script.Answer(mrYes, "Wollen Sie wirklich alle Schriften zurücksetzen ?")
            .Answer(mrOk, "Die neuen Schriften werden nach dem nächsten Programmstart sichtbar !");
        dialog->FontZuweisen(0);
    }
    EXPECT_FALSE(TMemIniFile(haupt.ini).SectionExists(kSektionFonts));
}

TEST_F(OptionsTest, PickListsFromSideFilesWithDefaultsAndNoWriteOnCd)
{
    haupt.album = WinPfad(dir.path()) + "\\";
    haupt.gpr = WinPfad(dir / "URLAUB.GPR");
    haupt.qul = WinPfad(dir / "URLAUB.QUL");
    // The main window's reload goes through the dialog's store.
    E().ReadPlayListFromMemo(haupt.gpr);
    EXPECT_EQ(El<TMemo>("MemoGruppenListe")->Lines()->Count(), 11);
    EXPECT_EQ(haupt.picklisten[0].at(3), "3. Gruppe\t3");
    EXPECT_EQ(E().MemoGruppenListe.Count(), 11);
    EXPECT_EQ(lxtest::ReadFile(dir / "URLAUB.GPR").substr(0, 28), "Keine Zuordnung\r\n1. Gruppe\r\n");
    // Read again at the next start: a file that holds the list already is
    // left as it is, not replaced by a new file of the same bytes.
    const auto inode = [&] {
        struct stat st{};
        ::stat((dir / "URLAUB.GPR").c_str(), &st);
        return st.st_ino;
    };
    const auto vorher = inode();
    E().ReadPlayListFromMemo(haupt.gpr);
    EXPECT_EQ(inode(), vorher);
    EXPECT_EQ(haupt.picklisten[0].size(), 11);
    // Editing the memo stores it and refills the combos; an empty last line is an entry.
    El<TMemo>("MemoQuellenListe")->SetText("Kamera\r\nScanner\r\n\r\n");
    dialog->MemoListeExit(1);
    EXPECT_EQ(haupt.picklisten[1], QStringList({"Kamera\t0", "Scanner\t1", "\t2"}));
    EXPECT_EQ(lxtest::ReadFile(dir / "URLAUB.QUL"), "Kamera\r\nScanner\r\n\r\n");

    // An album on a CD drive: read (defaults), never written.
    lxtest::TempDir cd;
    lxtest::WriteDriveTable({{"C", "/", "HD"}, {"E", cd.str(), "CDROM"}});
    haupt.album = "E:\\";
    haupt.gpr = "E:\\CD.GPR";
    dialog->ReadPlayListFromMemo();
    EXPECT_EQ(haupt.picklisten[0].size(), 11);
    EXPECT_FALSE(std::filesystem::exists(cd / "CD.GPR"));
    lxtest::WriteDriveTable({{"C", "/", "HD"}});
}

TEST_F(OptionsTest, PickListErrorNamesTheSideFile)
{
    haupt.album = WinPfad(dir.path()) + "\\";
    haupt.gpr = WinPfad(dir / "fehlt" / "X.GPR");  // its folder does not exist: the save fails
    try {
        dialog->ReadPlayListFromMemo();
        FAIL() << "kein Fehler";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Fehler bei der Gruppenverwaltung " + haupt.gpr);
    }
}

TEST_F(OptionsTest, ResetKeepsThePathsAndCountersAndGivesEverythingElseItsDefault)
{
    E().SetZahl("RequesterAnzeigeZeit", 3);
    E().SetText("DestPfad", "C:\\Ziel\\");
    E().Schreiben(haupt.ini);
    {
        TMemIniFile ini(haupt.ini);
        ini.WriteString(kSektionHaupt, "ProgAufrufe", "17");
        ini.WriteString(kSektionHaupt, "Fremd", "weg");
        ini.UpdateFile();
    }
    {
        TPromptScript script;
        script.Answer(mrYes, "Jetzt die Grundeinstellungen wieder herstellen ?")
            .Answer(TPromptKind::Message, mrOk, "Grundeinstellungen grösstenteils wieder hergestellt (bis auf Pfade) !");
        El<TBitBtn>("BitBtn3")->Click();
    }
    EXPECT_EQ(E().Zahl("RequesterAnzeigeZeit"), 10);
    EXPECT_EQ(E().Text("DestPfad"), "C:\\Ziel\\");
    EXPECT_EQ(El<TScrollBar>("ScrollBarMeldungszeit")->Position(), 10);
    const TMemIniFile ini(haupt.ini);
    EXPECT_EQ(ini.ReadString(kSektionHaupt, "ProgAufrufe", ""), "17");
    EXPECT_FALSE(ini.ValueExists(kSektionHaupt, "Fremd"));
    EXPECT_EQ(ini.ReadString(kSektionHaupt, "ProgrammPfad", ""), E().ProgrammPfad());
}

TEST_F(OptionsTest, ResetThatCannotDeleteTheFileChangesNothing)
{
    // A folder in the ini file's place cannot be deleted as a file, not
    // even by root.
    E().SetZahl("RequesterAnzeigeZeit", 3);
    std::filesystem::create_directories(dir / "Lumadex.INI" / "inhalt");
    {
        TPromptScript script;
        script.Answer(mrYes).Answer(TPromptKind::Message, mrOk,
                                    "lumadex.ini konnte NICHT gelöscht werden, Einstellungen NICHT zurückgesetzt!");
        El<TBitBtn>("BitBtn3")->Click();
        EXPECT_EQ(script.Records().back().Text, WindowsFolder() + "lumadex.ini konnte NICHT gelöscht werden, "
                                                                  "Einstellungen NICHT zurückgesetzt!");
    }
    EXPECT_EQ(E().Zahl("RequesterAnzeigeZeit"), 3);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "Lumadex.INI" / "inhalt"));
}

TEST_F(OptionsTest, ScreenshotOfEveryTab)
{
    dialog->Show();
    ASSERT_TRUE(dialog->SteuerelementeGebaut());  // built as it shows
    QSet<QString> namen;
    for (int r = 0; r < rtAnzahl; ++r) {
        dialog->PageControlMain->SetActivePageIndex(r);
        Application->ProcessMessages();
        const QImage bild = Bildschirmfoto(dialog->Handle(), QString("optionen_%1").arg(r));
        EXPECT_EQ(bild.width(), dialog->ClientWidth());
        // Every visible control lies inside its tab and overlaps no sibling.
        TTabSheet* seite = dialog->Reiter[r];
        std::vector<TControl*> kinder;
        std::function<void(TWinControl*)> sammeln = [&](TWinControl* w) {
            for (int i = 0; i < w->ControlCount(); ++i) {
                TControl* c = w->Controls(i);
                if (!c->Visible())
                    continue;
                EXPECT_LE(c->Left() + c->Width(), w->ClientWidth()) << c->Name.toStdString();
                EXPECT_LE(c->Top() + c->Height(), w->ClientHeight()) << c->Name.toStdString();
                for (TControl* k : kinder)
                    if (k->Parent() == w) {
                        const bool ueber = c->Left() < k->Left() + k->Width() && k->Left() < c->Left() + c->Width() &&
                                           c->Top() < k->Top() + k->Height() && k->Top() < c->Top() + c->Height();
                        EXPECT_FALSE(ueber) << c->Name.toStdString() << " / " << k->Name.toStdString();
                    }
                kinder.push_back(c);
                if (auto* ww = dynamic_cast<TWinControl*>(c))
                    sammeln(ww);
            }
        };
        sammeln(seite);
    }
    dialog->Hide();
}
