// The prompt service: every message box, question and input box is recorded
// with its exact texts and answered by the script; nothing blocks.

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "platform/ui/dialogs.h"
#include "platform/ui/forms.h"
#include "platform/ui/prompt_script.h"

TEST(PromptService, RecordsAndAnswersEveryKind)
{
    Application->SetTitle("QV-Lumadex v1.50");
    TPromptScript script;
    script.Answer(TPromptKind::Message, mrOk)
        .Answer(TPromptKind::Dialog, mrYes, "löschen")
        .Answer(TPromptKind::Box, IDNO)
        .AnswerValue("C:\\Lumadex", "Zielverzeichnis")
        .Answer(TPromptKind::Input, mrCancel);
    ShowMessage("Fertig");
    EXPECT_EQ(MessageDlg("Einträge wirklich löschen ?", mtConfirmation, {mbYes, mbNo}), mrYes);
    EXPECT_EQ(Application->MessageBox("Verzeichnis konnte nicht erstellt werden", "Problem", MB_YESNO | MB_ICONSTOP), IDNO);
    EXPECT_EQ(InputBox("QV-Lumadex kopieren", "Zielverzeichnis für die Bilderdateienverwaltung angeben:", "C:\\Lumadex"),
              "C:\\Lumadex");
    QString value = "alt";
    EXPECT_FALSE(InputQuery("Frage", "Name:", value));
    EXPECT_EQ(value, "alt");  // cancel leaves the value

    const auto& r = script.Records();
    ASSERT_EQ(r.size(), 5u);
    EXPECT_EQ(r[0].Caption, "QV-Lumadex v1.50");
    EXPECT_EQ(r[0].Text, "Fertig");
    EXPECT_EQ(r[1].Caption, "Bestätigen");
    EXPECT_EQ(r[1].DlgType, mtConfirmation);
    EXPECT_TRUE(r[1].Buttons.Contains(mbNo));
    EXPECT_EQ(r[2].Caption, "Problem");
    EXPECT_EQ(r[2].Flags, MB_YESNO | MB_ICONSTOP);
    EXPECT_EQ(r[3].Value, "C:\\Lumadex");
    EXPECT_EQ(r[4].Text, "Name:");
}

TEST(PromptService, UnexpectedPromptFailsWithItsTextAndGetsACancellingAnswer)
{
    int result = -1;
    EXPECT_NONFATAL_FAILURE(
        {
            TPromptScript script;
            result = Application->MessageBox("Datei überschreiben ?", "Frage", MB_YESNOCANCEL);
        },
        "Datei überschreiben ?");
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_NONFATAL_FAILURE(
        {
            TPromptScript script;
            script.Answer(mrYes, "anderer Text");
            result = MessageDlg("Weiter ?", mtConfirmation, {mbYes, mbNo});
            script.Answer(mrOk);  // keeps the destructor from adding a second failure
            ShowMessage("x");
        },
        "Weiter ?");
    EXPECT_EQ(result, mrNo);
    EXPECT_NONFATAL_FAILURE({ TPromptScript script; script.Answer(mrOk, "Fertig"); }, "kam nicht");
}

TEST(PromptService, WithoutAScriptAnOffscreenPromptRaisesInsteadOfWaiting)
{
    try {
        MessageDlg("Niemand antwortet", mtWarning, {mbOK});
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("Niemand antwortet"), std::string::npos);
    }
}

TEST(PromptService, CommonDialogsGoThroughTheService)
{
    TComponent owner(nullptr);
    TPromptScript script;
    script.AnswerValue("/tmp/a.jpg\n/tmp/b.jpg").Answer(TPromptKind::SaveFile, mrCancel).AnswerValue("255");
    auto* open = new TOpenDialog(&owner);
    open->Filter = "Bilder|*.jpg;*.bmp|Alle Dateien|*.*";
    open->Options.Include(ofAllowMultiSelect);
    ASSERT_TRUE(open->Execute());
    EXPECT_EQ(open->Files, (QStringList{"/tmp/a.jpg", "/tmp/b.jpg"}));
    EXPECT_EQ(open->FileName, "/tmp/a.jpg");
    auto* save = new TSaveDialog(&owner);
    EXPECT_FALSE(save->Execute());
    auto* color = new TColorDialog(&owner);
    ASSERT_TRUE(color->Execute());
    EXPECT_EQ(color->Color, clRed);
    EXPECT_EQ(script.Records()[0].Kind, TPromptKind::OpenFile);
    EXPECT_EQ(script.Records()[1].Kind, TPromptKind::SaveFile);
}

#include "test_environment.h"

#include <filesystem>

TEST(PromptService, FileDialogsStartInTheLinuxFolderAndGiveTheWindowsForm)
{
    lxtest::TempDir dir;
    lxtest::WriteDriveTable({{"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34}});
    std::filesystem::create_directories(dir / "Bilder");
    const QString linux = QString::fromStdString((dir / "Bilder").string());
    const QString windows = "C:" + QString(linux).replace('/', '\\');
    struct Fall {
        QString Programm, Dialog;
    };
    for (const Fall& f : {Fall{windows, linux}, Fall{windows.toUpper(), linux}, Fall{linux, linux}, Fall{"", ""},
                          Fall{"Q:\\gibt\\es\\nicht", ""}})
        EXPECT_EQ(DialogStart(f.Programm), f.Dialog) << f.Programm.toStdString();
    EXPECT_EQ(ProgramPath(linux), windows);
    EXPECT_EQ(ProgramPath(linux + "/a.jpg"), windows + "\\a.jpg");
    EXPECT_EQ(ProgramPath(""), "");
}
