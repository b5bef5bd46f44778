// The count of the pictures "Bilder umkopieren" would copy, in a started
// program: the options open on their copy page, the options window's
// caption comes back, and the walk with sub-folders logs each name the copy
// would give.

#include "start_fixture.h"

#include "dialogs/program_options.h"
#include "platform/core/win_path.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/menus.h"

#include <QFile>
#include <QImage>

namespace {

class CountTest : public StartTest {
protected:
    void SetUp() override
    {
        StartTest::SetUp();
        StartenUndZeigen();
        quelle = dir.path() / "quelle";
        std::filesystem::create_directories(quelle / "unter");
        for (const auto& [name, breite] : {std::pair{"eins.jpg", 640}, std::pair{"unter/zwei.jpg", 800}}) {
            QImage bild(breite, 480, QImage::Format_RGB32);
            bild.fill(Qt::darkCyan);
            ASSERT_TRUE(bild.save(QString::fromStdString((quelle / name).string()), "JPG"));
        }
        TProgrammOptionenStand* o = form->ProgrammOptionen();
        o->SetText("SourcePfad", Win(quelle) + "\\");
        o->SetText("DestPfad", Win(dir.path() / "ziel") + "\\");
        o->SetText("SourceFileNames", "");
        o->SetText("SourceFileSuffix", "JPG");
        o->SetBool("InklusiveSubDirs", true);
        o->SetBool("DateTimeFileName", false);
        o->CheckBoxProtokollieren = true;
        o->CheckBoxBearbeitungszeitAnzeigen = false;
    }
    QByteArray Protokoll() const
    {
        QFile f(*WinToLinux(form->Dienste().Lauf().ProgrammPfad() + "LXLog.DBF"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    std::filesystem::path quelle;
};

TEST_F(CountTest, OptionsOpenOnTheCopyPageAndTheCaptionComesBack)
{
    TProgrammOptionen* optionen = form->ProgrammOptionenForm;
    ASSERT_NE(optionen, nullptr);
    const QString caption = optionen->Caption();
    prompts.Antworten["spezielle Einstellungen"] = mrYes;
    form->MenuItem("Bilderzaehlen1")->Click();
    EXPECT_TRUE(prompts.Gezeigt("<Modal " + optionen->Name + ">"));
    EXPECT_EQ(optionen->PageControlMain->ActivePage()->Caption(), "Bilder (um)kopieren");
    EXPECT_TRUE(prompts.Gezeigt("2 Bild(er) würden kopiert!"));
    EXPECT_EQ(optionen->Caption(), caption);
}

TEST_F(CountTest, WithSubFoldersEachCountedPictureIsLoggedWithTheNameTheCopyWouldGive)
{
    struct Fall {
        const char* Kante;
        const char* Meldung;
        std::vector<std::string> Zeilen;
    };
    const std::string ziel = Win(dir.path() / "ziel").toStdString() + "\\";
    for (const Fall& f : {Fall{"", "2 Bild(er) würden kopiert!", {ziel + "00001.JPG kopiert"}},
                          Fall{"800", "1 Bild(er) würden kopiert!", {ziel + "00001.JPG,800,480 kopiert"}}}) {
        form->ProgrammOptionen()->SetText("BreiteOderLaenge", f.Kante);
        prompts.Texte.clear();
        form->MenuItem("Bilderzaehlen1")->Click();
        EXPECT_TRUE(prompts.Gezeigt(f.Meldung)) << f.Kante;
        const QByteArray log = Protokoll();
        for (const std::string& zeile : f.Zeilen)
            EXPECT_TRUE(log.contains(QByteArray::fromStdString("Bilderzaehlen1Click(), " + zeile))) << zeile;
        EXPECT_TRUE(log.contains("Bilderzaehlen1Click(), 2 Files in StringList eingelesen"));
    }
}

}  // namespace
