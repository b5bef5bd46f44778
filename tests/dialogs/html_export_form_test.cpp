// The HTML export dialog: settings from the main ini file into its controls
// and back when it goes, the user's head template, templates saved and
// loaded, the create command with its questions and timed messages, and
// screenshots of both notebook pages.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include "album_fixture.h"
#include "dialogs/html_export_form.h"
#include "platform/ui/prompt_script.h"
#include "shared/nachrichten_dialog.h"
#include "shared/qk_ini.h"

namespace {

void Shot(TCustomForm& f, const QString& name)
{
    f.Show();
    const QString dir = QCoreApplication::applicationDirPath() + "/screenshots";
    QDir().mkpath(dir);
    EXPECT_TRUE(f.Handle()->grab().toImage().save(dir + "/" + name + ".png"));
}

class HtmlFormTest : public AlbumTest {
protected:
    THTMLExportKontext Kontext()
    {
        THTMLExportKontext k;
        k.Dbe = &album.dbe;
        k.ExportOrdner = WinDir("html");
        k.ProgrammOrdner = WinDir("prog");
        k.IniDatei = WinDir() + "Lumadex.INI";
        k.Klang = [this](int n) { sounds << n; };
        k.GaugePanelVerbergen = [this] { ++gaugeHidden; };
        return k;
    }
    // A timed message box: its text is noted and it is closed.
    TPromptScript::TFormAnswer Timed()
    {
        return [this](TCustomForm& f) {
            auto* m = dynamic_cast<TMSGDLGForm*>(&f);
            ASSERT_NE(m, nullptr);
            timed << m->Caption() + ": " + m->Label1->Caption();
            f.ModalResult = mrOk;
        };
    }
    TTestAlbum album;
    QList<int> sounds;
    int gaugeHidden = 0;
    QStringList timed;
};

}  // namespace

TEST_F(HtmlFormTest, SettingsComeFromTheIniAndGoBackWhenTheDialogCloses)
{
    MakeAlbum("ALBUM.DBF", {});
    Open(album, "ALBUM.DBF");
    {
        TQKINI ini(nullptr);
        ini.SetINIFileName(WinDir() + "Lumadex.INI");
        ini.INIWriteString("HTMLExport", "PicAnz", "7");
        ini.INIWriteBool("HTMLExport", "OrgSize", false);
        ini.INIWriteString("HTMLExport", "Grossanzeigeueberschrift", "Unsere Reise");
    }
    {
        TPicHTMLForm f(nullptr, Kontext());
        EXPECT_EQ(f.Caption(), "Bilderexport nach HTML");
        EXPECT_EQ(f.txtPicAnz->Wert(), 7);
        EXPECT_FALSE(f.chkSize->Checked());
        EXPECT_TRUE(f.txtWidth->Edit->Enabled());
        EXPECT_EQ(f.txtWidth->Edit->Text(), "190");
        EXPECT_EQ(f.Edit_Grossanzeigeueberschrift->Text(), "Unsere Reise");
        EXPECT_EQ(f.Edit_Target->Text(), "_blank");
        EXPECT_EQ(f.SpinEdit_Main_Pic_Width->Wert(), 800);
        EXPECT_EQ(f.memTop->Lines()->Count(), 15);
        EXPECT_EQ(f.Notebook->ActivePage(), f.TabUebersicht);
        f.chkSize->SetChecked(true);
        f.chkSizeClick();
        EXPECT_FALSE(f.txtWidth->Edit->Enabled());
        EXPECT_FALSE(f.txtHeight->AufAb->Enabled());
        f.SpinEdit_Jpg_Quali->SetWert(90);
        Shot(f, "html_export_uebersicht");
        f.Notebook->SetActivePage(f.TabGrossbild);
        Shot(f, "html_export_grossbild");
    }
    TQKINI ini(nullptr);
    ini.SetINIFileName(WinDir() + "Lumadex.INI");
    EXPECT_TRUE(ini.INIReadBool("HTMLExport", "OrgSize", false));
    EXPECT_EQ(ini.INIReadInteger("HTMLExport", "JPG_Qualitaet", 0), 90);
    EXPECT_EQ(ini.INIReadString("HTMLExport", "PicAnz", ""), "7");
}

TEST_F(HtmlFormTest, HeadTemplateFileTemplatesAndDefault)
{
    MakeAlbum("ALBUM.DBF", {});
    Open(album, "ALBUM.DBF");
    const QString top = *WinToLinux(WinDir("prog")) + "/HTML_Top.txt";
    {
        QFile f(top);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("<html>\r\n<body>\r\n<h1>Meine Gr\xFC\xDF" "e</h1>\r\n");
    }
    TPicHTMLForm f(nullptr, Kontext());
    EXPECT_EQ(f.memTop->Lines()->ToStringList(), (QStringList{"<html>", "<body>", "<h1>Meine Grüße</h1>"}));
    // Leaving the editor after a change saves the template file.
    f.memTop->Lines()->Add("<p>neu</p>");
    f.memTop->Modified = true;
    f.memTopExit();
    QFile saved(top);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray("<html>\r\n<body>\r\n<h1>Meine Gr\xFC\xDF" "e</h1>\r\n<p>neu</p>\r\n"));
    // A template saved and loaded again.
    const QString tpl = *WinToLinux(WinDir("prog")) + "/reise.tpl";
    {
        TPromptScript script;
        script.AnswerValue(tpl);
        f.Vorlagespeichern1Click();
        EXPECT_EQ(script.Records().at(0).Kind, TPromptKind::SaveFile);
    }
    f.BitBtnDefaultHTMLCodeClick();
    EXPECT_EQ(f.memTop->Lines()->Count(), 14);
    EXPECT_EQ(f.memTop->Lines()->Strings(13), "<hr>");
    TPromptScript script;
    script.AnswerValue(tpl);
    f.Vorlageladen1Click();
    EXPECT_EQ(f.memTop->Lines()->Count(), 4);
    EXPECT_EQ(f.memTop->Lines()->Strings(3), "<p>neu</p>");
}

TEST_F(HtmlFormTest, CreateCommandAsksClearsExportsAndReports)
{
    const QString pic = *LinuxToWin(DrawPicture(Linux("bilder/Hafen.jpg"), 64, 48));
    MakeAlbum("ALBUM.DBF", {{pic, "1", "Hafen & Boote"}});
    Open(album, "ALBUM.DBF");
    TPicHTMLForm f(nullptr, Kontext());
    const QString out = *WinToLinux(WinDir("html"));
    QFile old(out + "/alt.txt");
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.close();
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "Zielverzeichnis für HTML-Export (")
            .Modal(Timed())
            .Modal(Timed());
        f.BitBtnCreateClick();
    }
    EXPECT_EQ(timed, (QStringList{"Hinweis: Erzeuge und kopiere jetzt die Daten ....bitte warten Sie bis zur "
                                  "Abschlussmeldung...",
                                  "Hinweis: HTML-Export abgeschlossen..."}));
    EXPECT_FALSE(QFile::exists(out + "/alt.txt"));
    EXPECT_TRUE(QFile::exists(out + "/galvora.htm"));
    EXPECT_TRUE(QFile::exists(out + "/hafen.htm"));
    EXPECT_TRUE(f.btnView->Enabled());
    EXPECT_TRUE(f.BitBtnCreate->Enabled());
    EXPECT_EQ(f.Caption(), "Bilderexport nach HTML");
    EXPECT_EQ(gaugeHidden, 1);

    f.BitBtnHelpClick();
    EXPECT_EQ(sounds, QList<int>{50});
}

TEST_F(HtmlFormTest, WriteFailureIsShownAndTheButtonsComeBack)
{
    MakeAlbum("ALBUM.DBF", {});
    Open(album, "ALBUM.DBF");
    THTMLExportKontext k = Kontext();
    k.ExportOrdner = WinDir() + "gibtsnicht\\";
    TPicHTMLForm f(nullptr, k);
    TPromptScript script;
    script.Answer(mrNo, "vorher löschen").Modal(Timed()).Answer(TPromptKind::Dialog, mrOk, "kann nicht angelegt werden");
    f.BitBtnCreateClick();
    EXPECT_FALSE(f.btnView->Enabled());
    EXPECT_TRUE(f.BitBtnClose->Enabled());
}

TEST_F(HtmlFormTest, TargetWithPicturePagesGivesTheHint)
{
    MakeAlbum("ALBUM.DBF", {});
    Open(album, "ALBUM.DBF");
    TPicHTMLForm f(nullptr, Kontext());
    f.CheckBox_Grossbilder_HTML->SetChecked(true);
    f.CheckBox_NeuesFenster->SetChecked(false);
    f.CheckBox_NeuesFensterMouseUp();  // nothing while the target box is off
    f.CheckBox_NeuesFenster->SetChecked(true);
    TPromptScript script;
    script.Modal(Timed());
    f.CheckBox_NeuesFensterMouseUp();
    ASSERT_EQ(timed.size(), 1);
    EXPECT_TRUE(timed[0].startsWith("Hinweis: Die Option \"Großbilder in HTML anzeigen\""));
}

TEST_F(HtmlFormTest, NoExportFolderSetWritesNothing)
{
    MakeAlbum("ALBUM.DBF", {});
    Open(album, "ALBUM.DBF");
    THTMLExportKontext k = Kontext();
    k.ExportOrdner = " ";
    TPicHTMLForm f(nullptr, k);
    TPromptScript script;
    script.Answer(TPromptKind::Dialog, mrOk, "gültigen HTML-Exportpfad");
    f.BitBtnCreateClick();
    EXPECT_FALSE(QFile::exists("galvora.htm"));
}
