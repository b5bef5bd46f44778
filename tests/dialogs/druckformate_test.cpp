// The print layout chooser: the templates of the program folder, their
// descriptions shown, edited and saved, and the choice handed to the main
// window by the rule on "_".

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include "dialogs/druckformate.h"
#include "platform/core/win_path.h"
#include "platform/ui/prompt_script.h"
#include "test_environment.h"

namespace {

class DruckformateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* f : {"BilderListe_ab_aktuell.RTM", "BilderListe1.RTM", "BilderListe2.RTM", "Bilder.RTM",
                              "Andere.RTM"})
            lxtest::WriteFile(dir / f, "RTM");
        lxtest::WriteFile(dir / "BilderListe1.TXT", "Eine Zeile pro Bild\r\nmit Gr\xF6\xDF" "e\r\n");
        k.ProgrammOrdner = *LinuxToWin(QString::fromStdString(dir.str())) + "\\";
        k.IniDatei = k.ProgrammOrdner + "Lumadex.INI";
        k.DruckeBilderListe = [this](const QString& v) { printed << "ab erstem: " + v; };
        k.DruckeBilderListe2 = [this](const QString& v) { printed << "ab aktuellem: " + v; };
    }
    lxtest::TempDir dir;
    TDruckformatKontext k;
    QStringList printed;
};

}  // namespace

TEST_F(DruckformateTest, ListsTheLayoutsAndPrintsByTheRuleOnUnderscore)
{
    TBilderlistenForm f(nullptr, k);
    EXPECT_EQ(f.Caption(), "Bilder Druckformate");
    EXPECT_EQ(f.ListBox1->Items()->ToStringList(),
              (QStringList{"BilderListe1", "BilderListe2", "BilderListe_ab_aktuell"}));
    {
        TPromptScript script;
        script.Answer(TPromptKind::Message, mrOk, "Wählen Sie zuerst eine Druckformatdatei aus!");
        f.BitBtn1Click();
    }
    f.ListBox1->SetItemIndex(0);
    f.ListBox1Click();
    EXPECT_EQ(f.Memo1->Lines()->ToStringList(), (QStringList{"Eine Zeile pro Bild", "mit Größe"}));
    f.BitBtn1Click();
    f.ListBox1->SetItemIndex(2);
    {
        TPromptScript script;
        script.Answer(TPromptKind::Message, mrOk, "Keine Beschreibung vorhanden, die Textdatei die die Beschreibung "
                                                  "enthalten soll heisst ");
        f.ListBox1Click();
    }
    f.BitBtn1Click();
    EXPECT_EQ(printed, (QStringList{"ab erstem: BilderListe1.RTM", "ab aktuellem: BilderListe_ab_aktuell.RTM"}));
    f.Show();
    const QString shots = QCoreApplication::applicationDirPath() + "/screenshots";
    QDir().mkpath(shots);
    EXPECT_TRUE(f.Handle()->grab().toImage().save(shots + "/druckformate.png"));
}

TEST_F(DruckformateTest, ChangedDescriptionIsOfferedForThePreviousLayout)
{
    TBilderlistenForm f(nullptr, k);
    f.ListBox1->SetItemIndex(0);
    f.ListBox1Click();
    f.Memo1->Lines()->Add("Neu: mit Notiz");
    f.Memo1->Modified = true;
    f.ListBox1->SetItemIndex(1);
    TPromptScript script;
    script.Answer(TPromptKind::Dialog, mrYes, "Sie haben die Beschreibung geändert, jetzt speichern ?")
        .Answer(TPromptKind::Message, mrOk, "BilderListe2.TXT");
    f.ListBox1Click();
    EXPECT_EQ(lxtest::ReadFile(dir / "BilderListe1.TXT"),
              "Eine Zeile pro Bild\r\nmit Gr\xF6\xDF" "e\r\nNeu: mit Notiz\r\n");
    // The save button writes the selected layout's description.
    f.Memo1->SetText("Zweites Format");
    f.BitBtnMemoSaveClick();
    EXPECT_EQ(lxtest::ReadFile(dir / "BilderListe2.TXT"), "Zweites Format\r\n");
    EXPECT_FALSE(f.Memo1->Modified);
}

TEST(Druckformate, NoLayoutsGivesTheMessage)
{
    lxtest::TempDir dir;
    TDruckformatKontext k;
    k.ProgrammOrdner = *LinuxToWin(QString::fromStdString(dir.str())) + "\\";
    k.IniDatei = k.ProgrammOrdner + "Lumadex.INI";
    TPromptScript script;
    script.Answer(TPromptKind::Message, mrOk, "Keine passenden Druckformatdateien gefunden!");
    TBilderlistenForm f(nullptr, k);
    EXPECT_EQ(f.ListBox1->Items()->Count(), 0);
}
