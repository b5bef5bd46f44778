// The ASCII export and import dialogs: their look (screenshots), the field
// lists and moving fields between them, a whole export and import driven
// through the start buttons, and Esc in the dialog.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

#include "album_fixture.h"
#include "dialogs/ascii_dialogs.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/test_input.h"

namespace {

void Shot(TCustomForm& f, const QString& name)
{
    f.Show();
    const QString dir = QCoreApplication::applicationDirPath() + "/screenshots";
    QDir().mkpath(dir);
    const QImage img = f.Handle()->grab().toImage();
    EXPECT_FALSE(img.isNull());
    EXPECT_TRUE(img.save(dir + "/" + name + ".png"));
}

QStringList ItemsOf(TListBox* l) { return l->Items()->ToStringList(); }

class AsciiDialogTest : public AlbumTest {
protected:
    void SetUp() override
    {
        AlbumTest::SetUp();
        MakeAlbum("ALBUM.DBF", {{"C:\\Bilder\\A.jpg", "1", "Erstes", "Notiz"}, {"C:\\Bilder\\B.jpg", "1", "Zweites"}});
        Open(album, "ALBUM.DBF");
    }
    TTestAlbum album;
};

}  // namespace

TEST_F(AsciiDialogTest, ExportDialogListsTheFieldsAndMovesTheSelected)
{
    TBilderDBFExportForm f(nullptr, &album.dbe, "", "C:\\Prog\\");
    EXPECT_EQ(f.Caption(), "Bilderdatenbank als ASCII exportieren");
    EXPECT_EQ(f.ExportOrdner, "C:\\Prog\\BilderASCIIExport\\");
    EXPECT_EQ(ItemsOf(f.ListBox1), QStringList());
    ASSERT_EQ(f.ListBox2->Items()->Count(), 29);
    EXPECT_EQ(f.ListBox2->Items()->Strings(0), "SHORTDESC");
    EXPECT_TRUE(f.RadioButtonSemikolon->Checked());
    EXPECT_FALSE(f.RadioButtonKomma->Enabled());
    EXPECT_FALSE(f.RadioButtonSpalten->Enabled());

    f.ListBox2->SetSelected(3, true);
    f.ListBox2->SetSelected(1, true);
    f.BitBtnExEntfernen->Click();
    EXPECT_EQ(ItemsOf(f.ListBox1), (QStringList{"OWNER", "BYTES"}));
    EXPECT_EQ(f.ListBox2->Items()->Count(), 27);
    f.ListBox1->SetSelected(1, true);
    f.ListBox1->OnDblClick(f.ListBox1);
    EXPECT_EQ(ItemsOf(f.ListBox1), QStringList{"OWNER"});
    EXPECT_EQ(f.ListBox2->Items()->Strings(27), "BYTES");
    Shot(f, "ascii_export_dialog");

    TBilderDBFExportForm g(nullptr, &album.dbe, "c:\\daten\\export\\", "C:\\Prog\\");
    EXPECT_EQ(g.ExportOrdner, "C:\\DATEN\\EXPORT\\");
}

TEST_F(AsciiDialogTest, ExportAndImportThroughTheStartButtons)
{
    const QString out = WinDir("export");
    TBilderDBFExportForm f(nullptr, &album.dbe, out, "C:\\Prog\\");
    for (int i = f.ListBox2->Items()->Count() - 1; i >= 0; --i)
        f.ListBox2->SetSelected(i, !QStringList{"SHORTDESC", "PFAD", "LABELKENNU", "NOTIZ"}.contains(
                                       f.ListBox2->Items()->Strings(i)));
    f.BitBtnExEntfernen->Click();
    EXPECT_EQ(ItemsOf(f.ListBox2), (QStringList{"SHORTDESC", "PFAD", "LABELKENNU", "NOTIZ"}));
    {
        TPromptScript script;
        script.Answer(mrOk, "Datenexport abgeschlossen !").Answer(mrOk, "BilderASCII1.ZIP gepackt");
        f.BitBtnExportStart()->Click();
    }
    EXPECT_EQ(f.Caption(), "Bilderdatenbank als ASCII exportieren");
    const QString zip = *WinToLinux(out) + "/BilderASCII1.ZIP";
    ASSERT_TRUE(QFile::exists(zip));

    // The import reads the unpacked text file into an empty album.
    QDir().mkpath(Linux("auspacken"));
    QProcess unzip;
    unzip.start("unzip", {"-j", "-o", zip, "-d", Linux("auspacken")});
    ASSERT_TRUE(unzip.waitForFinished(-1));
    ASSERT_EQ(unzip.exitCode(), 0);
    MakeAlbum("NEU.DBF", {});
    TTestAlbum neu;
    Open(neu, "NEU.DBF");
    TBilderDBFImportForm imp(nullptr, &neu.dbe, WinDir("auspacken"), "C:\\Prog\\");
    EXPECT_EQ(imp.Caption(), "Bilderdatenbank als ASCII importieren");
    for (int i = imp.ListBox2->Items()->Count() - 1; i >= 0; --i)
        imp.ListBox2->SetSelected(i, !QStringList{"SHORTDESC", "PFAD", "LABELKENNU", "NOTIZ"}.contains(
                                         imp.ListBox2->Items()->Strings(i)));
    imp.BitBtnExEntfernen->Click();
    {
        TPromptScript script;
        script.AnswerValue(Linux("auspacken") + "/Bilder.TXT").Answer(mrOk, "DatenImport abgeschlossen !");
        imp.BitBtnImportStart()->Click();
        EXPECT_EQ(script.Records().at(0).Kind, TPromptKind::OpenFile);
    }
    ASSERT_EQ(neu.dbe.RecCount(), 2u);
    neu.dbe.Go(1);
    EXPECT_EQ(neu.dbe.GetTrimString("SHORTDESC"), "Erstes");
    EXPECT_EQ(neu.dbe.GetBlobLength("NOTIZ"), 5);
    neu.dbe.Go(2);
    EXPECT_EQ(neu.dbe.GetTrimString("PFAD"), "C:\\Bilder\\B.jpg");
    Shot(imp, "ascii_import_dialog");
}

TEST_F(AsciiDialogTest, CancelledFileChoiceStillEndsWithTheClosingMessage)
{
    TBilderDBFImportForm imp(nullptr, &album.dbe, "", "C:\\Prog\\");
    EXPECT_EQ(imp.ImportOrdner, "C:\\Prog\\BilderASCIIImport\\");
    EXPECT_EQ(imp.SaveDialog1->InitialDir, "");
    TPromptScript script;
    script.Answer(TPromptKind::OpenFile, mrCancel).Answer(TPromptKind::Dialog, mrOk, "DatenImport abgeschlossen !");
    imp.BitBtnImportStart()->Click();
    EXPECT_EQ(album.dbe.RecCount(), 2u);
}

TEST_F(AsciiDialogTest, EscReleasedInTheDialogStopsTheExport)
{
    const QString out = WinDir("export");
    TBilderDBFExportForm f(nullptr, &album.dbe, out, "C:\\Prog\\");
    f.Show();
    lxui_test::SendKeyUp(f.Handle(), Qt::Key_Escape, "\x1b");
    EXPECT_TRUE(f.Abbruch);
    TPromptScript script;
    script.Answer(mrOk, "Datenexport mit ESC abgebrochen !");
    f.BitBtnExportStart()->Click();
    EXPECT_FALSE(f.Abbruch);
    EXPECT_FALSE(QFile::exists(*WinToLinux(out) + "/BilderASCII1.ZIP"));
    lxui_test::SendKeyUp(f.Handle(), Qt::Key_A, "a");
    EXPECT_FALSE(f.Abbruch);
}
