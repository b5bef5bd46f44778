// The directory chooser: the tree of a folder, the normalised result, the
// creation question and its refusal.

#include <gtest/gtest.h>

#include "controls/directory_chooser.h"
#include "platform/core/win_path.h"
#include "platform/ui/prompt_script.h"
#include "test_environment.h"

#include <QComboBox>
#include <QDir>
#include <QTest>

namespace {
QString Win(const std::filesystem::path& p) { return *LinuxToWin(QString::fromStdString(p.string())); }
}  // namespace

TEST(DirectoryChooser, NormalisesToExactlyOneTrailingBackslash)
{
    EXPECT_EQ(OrdnerNormalisiert("C:\\Bilder"), "C:\\Bilder\\");
    EXPECT_EQ(OrdnerNormalisiert("C:\\Bilder\\\\\\"), "C:\\Bilder\\");
    EXPECT_EQ(OrdnerNormalisiert(" C:\\ "), "C:\\");
    EXPECT_EQ(OrdnerNormalisiert(""), "");
}

TEST(DirectoryChooser, TreeShowsTheLevelsAndTheSubfolders)
{
    lxtest::TempDir dir;
    std::filesystem::create_directories(dir / "Urlaub");
    std::filesystem::create_directories(dir / "alben");
    TDirDlgForm f(nullptr);
    ASSERT_TRUE(f.DirectoryListBox1->SetDirectory(Win(dir.path())));
    EXPECT_EQ(f.Edit1->Text(), Win(dir.path()));
    const int n = f.DirectoryListBox1->Count();
    EXPECT_EQ(f.DirectoryListBox1->EntryPath(0), "C:\\");
    EXPECT_EQ(f.DirectoryListBox1->EntryPath(n - 2), Win(dir / "alben"));
    EXPECT_EQ(f.DirectoryListBox1->EntryPath(n - 1), Win(dir / "Urlaub"));
    EXPECT_EQ(f.DirectoryListBox1->EntryPath(f.DirectoryListBox1->ItemIndex()), Win(dir.path()));
    // Double click on a subfolder moves there.
    f.DirectoryListBox1->SetItemIndex(n - 1);
    f.DirectoryListBox1->DblClick();
    EXPECT_EQ(f.Edit1->Text(), Win(dir / "Urlaub"));
    EXPECT_FALSE(f.DirectoryListBox1->SetDirectory(Win(dir / "fehlt")));
    EXPECT_EQ(f.DirectoryListBox1->Directory(), Win(dir / "Urlaub"));
}

TEST(DirectoryChooser, TypedFolderIsCreatedOnRequestOrRefused)
{
    lxtest::TempDir dir;
    TDirDlgForm f(nullptr);
    f.DirectoryListBox1->SetDirectory(Win(dir.path()));
    {
        // Refused: the tree stays, the dialog stays open.
        TPromptScript script;
        script.Answer(mrNo, "Erzeugen");
        f.Edit1->SetText(Win(dir / "neu") + "\\\\");
        f.BitBtn1->Click();
        EXPECT_EQ(f.ModalResult, mrNone);
        EXPECT_EQ(f.DirectoryListBox1->Directory(), Win(dir.path()));
        EXPECT_FALSE(std::filesystem::exists(dir / "neu"));
    }
    {
        TPromptScript script;
        script.Answer(mrYes, "Erzeugen");
        f.Edit1->SetText(Win(dir / "neu"));
        f.BitBtn1->Click();
        EXPECT_EQ(f.ModalResult, mrOk);
        EXPECT_TRUE(std::filesystem::is_directory(dir / "neu"));
        EXPECT_EQ(f.DirectoryListBox1->Directory(), Win(dir / "neu"));
        EXPECT_EQ(f.Edit1->Text(), Win(dir / "neu") + "\\");
    }
}

TEST(DirectoryChooser, ModalRunGivesTheChosenFolder)
{
    lxtest::TempDir dir;
    std::filesystem::create_directories(dir / "Scans");
    TDirDlgForm f(nullptr);
    f.DirectoryListBox1->SetDirectory(Win(dir / "Scans"));
    TPromptScript script;
    script.Modal<TDirDlgForm>([](TDirDlgForm& d) {
        d.Show();
        EXPECT_EQ(d.Caption(), "Verzeichnis auswählen");
        d.BitBtn1->Click();
    });
    EXPECT_EQ(f.ShowModal(), mrOk);
    EXPECT_EQ(f.Edit1->Text(), Win(dir / "Scans") + "\\");
}

// An empty CD drive is in the drive list as "not ready"; choosing it says so
// and keeps the drive chosen before.
TEST(DirectoryChooser, EmptyCdDriveIsListedAsNotReady)
{
    lxtest::TempDir dir;
    lxtest::WriteDriveTable({{"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34},
                             {"D", dir.str(), "DISK", "USB", "12345678", 1000},
                             {"E", "-", "CDROM", "", "", 0}});
    TDirDlgForm f(nullptr);
    f.Show();
    QComboBox* combo = f.DriveComboBox1->Combo();
    ASSERT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->itemText(1), "d: [USB]");
    EXPECT_EQ(combo->itemText(2), "e: [nicht bereit]");
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);  // to d:
    QCoreApplication::processEvents();
    EXPECT_EQ(f.DriveComboBox1->Drive(), u'D');
    EXPECT_EQ(f.DirectoryListBox1->Directory(), Win(dir.path()));
    {
        TPromptScript script;
        script.Answer(mrOk, "nicht bereit");
        QTest::keyClick(combo, Qt::Key_Down);  // to e:, which has no disc
        QCoreApplication::processEvents();
        ASSERT_EQ(script.Records().size(), 1u);
        EXPECT_EQ(script.Records()[0].Text, "Laufwerk E: ist nicht bereit!");
    }
    EXPECT_EQ(f.DriveComboBox1->Drive(), u'D');
    EXPECT_EQ(f.DirectoryListBox1->Directory(), Win(dir.path()));
    const QString ordner = QCoreApplication::applicationDirPath() + "/screenshots";
    QDir().mkpath(ordner);
    combo->showPopup();
    EXPECT_TRUE(f.Handle()->grab().save(ordner + "/directory_chooser_not_ready.png"));
    combo->hidePopup();
    f.Hide();
    lxtest::WriteDriveTable({{"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34}});
}
