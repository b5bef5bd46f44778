// Printing from the main window: the current picture through the
// single-picture layout (the printer writes a PDF file, and the layout is
// cancelled, so nothing is printed), a picture out of reach, no open album,
// the print menu and the large-picture flags that the template names set,
// and the crop into "PrintPic.BMP", a temporary file of the run that goes
// when the print ends.

#include "pictures_fixture.h"

#include "imaging/image_window.h"
#include "imaging/pic_printer.h"
#include "platform/core/exceptions.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/prompt_script.h"
#include "shared/app_exception.h"
#include "shared/qk_auto_button.h"

#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QPrinter>

namespace {

class PrintTest : public PicturesTest {
protected:
    void SetUp() override
    {
        PicturesTest::SetUp();
        // Without a print system the layout would refuse to open; the
        // printer writes a file instead, and nothing reaches paper.
        QPrinter* p = Printer();
        p->setOutputFormat(QPrinter::PdfFormat);
        p->setOutputFileName(QString::fromStdString((dir.path() / "druck.pdf").string()));
    }
    void TearDown() override
    {
        Printer()->setOutputFileName(QString());
        PicturesTest::TearDown();
    }
    // The album: a reachable picture of 201 x 120 and a missing one.
    void Album()
    {
        AlbumMit({{"eins.jpg", "JPEG"}, {"fehlt.jpg", "JPEG", false}});
        // The first start ended the program; the action log writes only in
        // one that runs.
        Application->ClearTerminated();
        temp = dir.path() / "temp";
        std::filesystem::create_directories(temp);
        form->ProgrammOptionen()->EditTempDir = Win(temp) + "\\";
        form->Einstellungen().Setzen("WennFileNichtGefundenAnderesLWtesten", false);
    }
    QStringList PrintPics() const { return DruckBildDateien(temp); }
    // The action log's bytes (its texts are plain in the table file).
    QByteArray Protokoll() const
    {
        QFile f(*WinToLinux(form->Dienste().Lauf().ProgrammPfad() + "LXLog.DBF"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    std::filesystem::path temp;
};

}  // namespace

TEST_F(PrintTest, SinglePictureOpensTheLayoutWithThePicture)
{
    Album();
    Gehe(1);
    bool gesehen = false;
    {
        TPromptScript script;
        script.Modal([&](TCustomForm& f) {
            auto& layout = dynamic_cast<TfrmPicPrint&>(f);
            gesehen = true;
            EXPECT_EQ(layout.Caption(), "Einzelbild drucken");
            ASSERT_NE(layout.Handle_->Picture, nullptr);
            EXPECT_EQ(layout.Handle_->Picture->Width(), 201);
            EXPECT_EQ(layout.Handle_->Picture->Height(), 120);
            const QImage bild = Bildschirmfoto(layout, "print_einzelbild_layout");
            EXPECT_FALSE(bild.isNull());
            // While the layout is open, the picture lies in the run's folder
            // under a name of its own, as a BMP.
            const QStringList dateien = PrintPics();
            ASSERT_EQ(dateien.size(), 1) << dateien.join(u'|').toStdString();
            EXPECT_EQ(QFileInfo(dateien[0]).absolutePath(), QFileInfo(RunTempFolder()).absoluteFilePath());
            EXPECT_EQ(QImage(dateien[0]).size(), QSize(201, 120));
            QFile bmp(dateien[0]);
            ASSERT_TRUE(bmp.open(QIODevice::ReadOnly));
            EXPECT_EQ(bmp.read(2), "BM");
            layout.CloseButton->Click();
        });
        // The print menu's item runs the command.
        form->MenuItem("Einzelbilddruck1")->Click();
    }
    EXPECT_TRUE(gesehen);
    EXPECT_TRUE(PrintPics().isEmpty()) << PrintPics().join(u'|').toStdString();
    EXPECT_EQ(form->QKPicPrinter1->Picture()->Width(), 201);
    EXPECT_EQ(form->QKPicPrinter1->INIFileName, form->QKINI_Prog->INIFileName());
    EXPECT_EQ(form->ImageWindow1->ImageInWindow()->GetImageWidth(), 201);
    // The layout was cancelled: no page went to the printer.
    EXPECT_FALSE(QFile::exists(QString::fromStdString((dir.path() / "druck.pdf").string())));
}

TEST_F(PrintTest, PictureOutOfReachIsNamedAndNotPrinted)
{
    Album();
    form->ProgrammOptionen()->CheckBoxProtokollieren = true;
    Gehe(2);
    {
        // Any modal layout would fail the script.
        TPromptScript script;
        script.Answer(mrOk, "Bild ist nicht im Zugriff! Legen Sie den Datenträger \"URLAUB\" (");
        form->Einzelbilddrucken2Click(nullptr);
    }
    EXPECT_TRUE(PrintPics().isEmpty());
    EXPECT_TRUE(Protokoll().contains("bilddruck, Bild ist nicht im Zugriff! Legen Sie den Datentr"));
}

TEST_F(PrintTest, PictureThatCannotBeReadEndsWithANamedError)
{
    Album();
    Gehe(1);
    const QString datei = *WinToLinux(form->DbeBilder->GetTrimString("PFAD"));
    {
        QFile f(datei);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("kein Bild");
    }
    try {
        form->Einzelbilddrucken2Click(nullptr);
        ADD_FAILURE() << "kein Fehler";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Fehler beim Drucken eines Einzelbildes !");
    }
    EXPECT_EQ(form->AppException1->UserName(), form->TableBilder->TableName() + ", 1 / 2");
    EXPECT_FALSE(prompts.Gezeigt("<Modal")) << prompts.Texte.join("|").toStdString();
}

TEST_F(PrintTest, CommandsNeedAnOpenAlbum)
{
    Album();
    form->TableBilder->Close();
    for (const char* befehl : {"Einzelbilddrucken2Click", "BilderlistenAuswahl1Click"}) {
        prompts.Texte.clear();
        form->Handler(befehl)(nullptr);
        EXPECT_TRUE(prompts.Gezeigt("Es ist kein Fotoalbum geöffnet !")) << befehl;
        EXPECT_EQ(prompts.Texte.size(), 1) << befehl << ": " << prompts.Texte.join("|").toStdString();
    }
    EXPECT_TRUE(PrintPics().isEmpty());
}

TEST_F(PrintTest, PrintMenuAndChooserClearTheLargePictureFlags)
{
    Album();
    TPopupMenu* menu = form->PopupMenu("PopupMenuDrucken");
    ASSERT_NE(menu, nullptr);
    // The thumbnail grid's "Drucken" and the toolbar button.
    for (const char* quelle : {"Drucken2", "QKAutoButtonBilderDrucken"}) {
        form->Druck().GrossBild8 = true;
        form->Druck().GrossBild10 = true;
        menu->Menu()->hide();
        if (TMenuItem* item = form->MenuItem(quelle))
            item->Click();
        else
            form->ToolbarButton(quelle)->Click();
        EXPECT_FALSE(form->Druck().GrossBild8) << quelle;
        EXPECT_FALSE(form->Druck().GrossBild10) << quelle;
        EXPECT_TRUE(menu->Menu()->isVisible()) << quelle;
        QStringList eintraege;
        for (QAction* a : menu->Menu()->actions())
            eintraege << a->text();
        EXPECT_EQ(eintraege.join("|"), "Einzelbild drucken|Listendruck") << quelle;
    }
    menu->Menu()->hide();

    // The layout chooser clears them too, and logs its call.
    form->ProgrammOptionen()->CheckBoxProtokollieren = true;
    form->Druck().GrossBild8 = true;
    prompts.Texte.clear();
    form->Handler("BilderlistenAuswahl1Click")(nullptr);
    EXPECT_FALSE(form->Druck().GrossBild8);
    EXPECT_TRUE(prompts.Gezeigt("<Modal BilderlistenForm>")) << prompts.Texte.join("|").toStdString();
    EXPECT_TRUE(Protokoll().contains("BilderlistenAuswahl1Click(), Funktion aufgerufen!"));
}

TEST_F(PrintTest, ListTemplateNamesSetTheFlags)
{
    Album();
    const struct {
        const char* Vorlage;
        bool Gross8, Gross10;
    } faelle[] = {
        {"bilderliste_grossesbild8.rtm", true, false},
        {"BilderListe_GrossesBild8.RTM", true, false},
        {"BILDERLISTE_GROSSESBILD10.RTM", false, true},
        {"BilderListe_Standard.RTM", false, false},
        {"BilderListe_GrossesBild8.RTM.bak", false, false},
    };
    // None of these files is in the program folder: the engine names the
    // missing file, and the print ends with the list's error.
    for (const auto& f : faelle) {
        form->Druck().GrossBild8 = !f.Gross8;
        form->Druck().GrossBild10 = !f.Gross10;
        prompts.Texte.clear();
        EXPECT_THROW(form->DruckeBilderListe2(f.Vorlage), Exception) << f.Vorlage;
        EXPECT_EQ(form->Druck().GrossBild8, f.Gross8) << f.Vorlage;
        EXPECT_EQ(form->Druck().GrossBild10, f.Gross10) << f.Vorlage;
        EXPECT_TRUE(prompts.Gezeigt(QStringLiteral("nicht gefunden: ") + form->Dienste().Lauf().ProgrammPfad() + f.Vorlage))
            << prompts.Texte.join("|").toStdString();
    }
    // The list from the first record leaves the flags alone.
    form->Druck().GrossBild8 = true;
    EXPECT_THROW(form->DruckeBilderListe("BilderListe.RTM"), Exception);
    EXPECT_TRUE(form->Druck().GrossBild8);
}

TEST(PrintSection, CropSizesOfTheLargePictureLayouts)
{
    const struct {
        int Breite, Hoehe;
        bool Gross8, Gross10;
        TRect Erwartet;
    } faelle[] = {
        {3600, 2700, true, false, Rect(0, 0, 3600, 2500)},
        {2700, 3600, false, true, Rect(0, 0, 2500, 3600)},
        {3600, 2700, false, false, Rect(0, 0, 3600, 2700)},
        {3600, 2700, true, true, Rect(0, 0, 3600, 2500)},  // the landscape layout wins
        {18, 30, true, false, Rect(0, 0, 18, 12)},   // 12.5: halves to even
        {54, 30, true, false, Rect(0, 0, 54, 38)},   // 37.5
        {30, 90, false, true, Rect(0, 0, 62, 90)},   // 62.5
        {30, 100, false, true, Rect(0, 0, 69, 100)}, // 69.44
        {1, 1, true, false, Rect(0, 0, 1, 1)},       // 0.69
    };
    for (const auto& f : faelle) {
        const TRect r = TMainForm::DruckAusschnitt(f.Breite, f.Hoehe, f.Gross8, f.Gross10);
        EXPECT_EQ(r, f.Erwartet) << f.Breite << "x" << f.Hoehe << " " << f.Gross8 << f.Gross10;
    }
}

TEST_F(PrintTest, CropSavesTheSectionOfTheBigPicture)
{
    Album();
    for (const QSize groesse : {QSize(3600, 2700), QSize(2700, 3600)}) {
        const bool quer = groesse.width() > groesse.height();
        QImage img(groesse, QImage::Format_RGB32);
        img.fill(Qt::white);
        // A red square at the top left corner, a blue one at the far corner.
        QPainter p(&img);
        p.fillRect(0, 0, 100, 100, Qt::red);
        p.fillRect(groesse.width() - 100, groesse.height() - 100, 100, 100, Qt::blue);
        p.end();
        const std::string datei = (dir.path() / "gross.bmp").string();
        ASSERT_TRUE(img.save(QString::fromStdString(datei), "BMP"));
        form->ImageWindow1->LoadFromFile(Win(datei), 0, 0);
        const TRect r = TMainForm::DruckAusschnitt(groesse.width(), groesse.height(), quer, !quer);
        ASSERT_TRUE(form->Beschneiden(r.Left, r.Top, r.Right, r.Bottom));
        const QImage teil(*WinToLinux(form->PrintPicDatei()));
        EXPECT_EQ(teil.size(), quer ? QSize(3600, 2500) : QSize(2500, 3600));
        EXPECT_EQ(teil.pixelColor(10, 10), QColor(Qt::red));
        EXPECT_EQ(teil.pixelColor(teil.width() - 1, teil.height() - 1), QColor(Qt::white));
    }
    // A rectangle past the picture keeps what the picture has.
    ASSERT_TRUE(form->Beschneiden(0, 0, 5000, 5000));
    EXPECT_EQ(QImage(*WinToLinux(form->PrintPicDatei())).size(), QSize(2700, 3600));
    EXPECT_EQ(PrintPics().size(), 1);
}
