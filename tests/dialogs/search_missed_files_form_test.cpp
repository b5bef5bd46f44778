// The drive and start-path selection: settings in the main ini file, the
// start-path list of OK, reset, tick all, the folder choice and the
// preselection.

#include "dialogs/search_missed_files_form.h"

#include "platform/core/win_path.h"
#include "platform/ui/buttons.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/std_ctrls.h"
#include "shared/qk_ini.h"
#include "test_environment.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QWidget>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace {

class SearchMissedFilesTest : public ::testing::Test {
protected:
    QString Ini() const { return *LinuxToWin(QString::fromStdString((dir / "Lumadex.INI").string())); }
    std::unique_ptr<TSearchMissedFilesForm> Form() { return std::make_unique<TSearchMissedFilesForm>(Application, Ini()); }
    lxtest::TempDir dir;
};

TEST_F(SearchMissedFilesTest, FreshIniGivesRootsUntickedAndOkGivesTheTickedDrivesInOrder)
{
    auto form = Form();
    EXPECT_EQ(form->Caption(), "Bilderdateien suchen");
    for (QChar l = u'C'; l <= u'Z'; l = QChar(l.unicode() + 1)) {
        ASSERT_NE(form->CheckBox(l), nullptr);
        EXPECT_FALSE(form->CheckBox(l)->Checked());
        EXPECT_EQ(form->EditPfad(l)->Text(), "<root>");
    }
    EXPECT_EQ(form->CheckBox(u'B'), nullptr);
    EXPECT_EQ(form->StartPfade.Count(), 0);

    form->CheckBox(u'F')->SetChecked(true);
    form->EditPfad(u'F')->SetText("\\Bilder\\Urlaub\\");
    form->CheckBox(u'D')->SetChecked(true);
    form->CheckBox(u'Z')->SetChecked(true);
    form->EditPfad(u'Z')->SetText("");
    form->BitBtn1Click(nullptr);
    EXPECT_EQ(form->ModalResult, mrOk);
    ASSERT_EQ(form->StartPfade.Count(), 3);
    EXPECT_EQ(form->StartPfade[0], "D:\\");
    EXPECT_EQ(form->StartPfade[1], "F:\\Bilder\\Urlaub\\");
    EXPECT_EQ(form->StartPfade[2], "Z:\\");

    // A second OK starts from an empty list.
    form->CheckBox(u'D')->SetChecked(false);
    form->BitBtn1Click(nullptr);
    EXPECT_EQ(form->StartPfade.Count(), 2);
}

TEST_F(SearchMissedFilesTest, SettingsAreKeptInTheMainIniAndResetWaitsForTheWrite)
{
    {
        auto form = Form();
        form->CheckBox(u'E')->SetChecked(true);
        form->EditPfad(u'E')->SetText("\\Fotos\\");
    }  // the form writes its settings when it goes
    TQKINI ini(nullptr);
    ini.SetINIFileName(Ini());
    EXPECT_TRUE(ini.INIReadBool("Einstellungen MedienAuswahl", "Laufwerk_E", false));
    EXPECT_EQ(ini.INIReadString("Einstellungen MedienAuswahl", "Pfad_E", ""), "\\Fotos\\");
    EXPECT_EQ(ini.INIReadString("Einstellungen MedienAuswahl", "Pfad_C", ""), "<root>");

    auto form = Form();
    EXPECT_TRUE(form->CheckBox(u'E')->Checked());
    EXPECT_EQ(form->EditPfad(u'E')->Text(), "\\Fotos\\");
    form->BitBtnAlleResetenClick(nullptr);
    EXPECT_FALSE(form->CheckBox(u'E')->Checked());
    EXPECT_EQ(form->EditPfad(u'E')->Text(), "<root>");
    EXPECT_TRUE(ini.INIReadBool("Einstellungen MedienAuswahl", "Laufwerk_E", false));

    form->BitBtnAlleAnkreuzenClick(nullptr);
    for (TCheckBox* box : form->CheckBoxen)
        EXPECT_TRUE(box->Checked());
}

TEST_F(SearchMissedFilesTest, PreselectionTicksTheDriveOnceWhenShown)
{
    auto form = Form();
    LaufwerkVorauswahl = true;
    LaufwerkVorauswahlBuchstabe = u'G';
    form->FormShow(nullptr);
    EXPECT_TRUE(form->CheckBox(u'G')->Checked());
    EXPECT_FALSE(LaufwerkVorauswahl);
}

TEST_F(SearchMissedFilesTest, FolderChoiceFillsTheEditWithoutTheDrive)
{
    auto form = Form();
    TPromptScript script;
    script.AnswerValue("C:\\home\\bilder");
    form->SpeedButtonCClick(form->SpeedButtons[0]);
    EXPECT_EQ(form->EditPfad(u'C')->Text(), "\\home\\bilder\\");
    EXPECT_EQ(form->Label1->Caption(), "Zielpfad angeben !");
    ASSERT_EQ(script.Records().size(), 1u);
    EXPECT_EQ(script.Records()[0].Kind, TPromptKind::Folder);

    // Cancel keeps the edit.
    script.Answer(TPromptKind::Folder, mrCancel);
    form->SpeedButtonCClick(form->SpeedButtons[0]);
    EXPECT_EQ(form->EditPfad(u'C')->Text(), "\\home\\bilder\\");
}

TEST_F(SearchMissedFilesTest, Screenshot)
{
    auto form = Form();
    form->CheckBox(u'C')->SetChecked(true);
    form->EditPfad(u'D')->SetText("\\Bilder\\");
    form->Show();
    QImage img = form->Handle()->grab().toImage();
    const QString dir = QCoreApplication::applicationDirPath() + "/screenshots";
    QDir().mkpath(dir);
    EXPECT_TRUE(img.save(dir + "/search_missed_files_form.png"));
    EXPECT_GE(img.width(), 560);
    form->Hide();
}

}  // namespace
