// Picture lists of the main window: the program's templates load into the
// two list reports with every component the report events fill; each list
// prints the album through the printer (a private print system, the job
// written to a PDF file) with every entry's title in order, the German
// page texts and the pictures; the current record is the same afterwards;
// the large-picture layouts crop; pick-list labels; bad templates and
// unreadable pictures.

#include "pdf_werkzeuge.h"
#include "pictures_fixture.h"

#include "datacontrols/dk_db_combo.h"
#include "dialogs/album_manager.h"
#include "dialogs/listen_bericht.h"
#include "imaging/image_window.h"
#include "platform/core/exceptions.h"
#include "private_cupsd.h"
#include "platform/core/run_temp_folder.h"
#include "report/output/rg_cancel_dialog.h"
#include "report/engine/rg_bands.h"
#include "report/engine/rg_engine.h"
#include "report/engine/rg_image.h"
#include "report/engine/rg_memo.h"
#include "report/engine/rg_report.h"
#include "report/engine/rg_text_components.h"
#include "platform/ui/prompt_script.h"
#include "report/output/rg_draw_commands.h"
#include "report/output/rg_page.h"
#include "report/output/rg_preview_form.h"
#include "report/output/rg_viewer.h"
#include "report/output/rg_printer_list.h"
#include "report/output/rg_printer_setup.h"
#include "shared/app_exception.h"

#include <QBuffer>
#include <QFile>
#include <QTest>
#include <QRegularExpression>

#include <algorithm>
#include <optional>

namespace {

struct TVorlage {
    const char* Datei;
    bool AbAktuellem;  // printed by rgReport1 from the current record
    int BilderJeEintrag;
};

const TVorlage kVorlagen[] = {{"BilderListe.RTM", false, 1},
                              {"BilderListe_Bildinfo.RTM", true, 1},
                              {"BilderListe_GrossesBild8.RTM", true, 1},
                              {"BilderListe_GrossesBild10.RTM", true, 1},
                              {"BilderListe_Passbilder.RTM", true, 5}};

class ListPrintTest : public PicturesTest {
protected:
    void SetUp() override
    {
        PicturesTest::SetUp();
        ASSERT_EQ(cupsd.Start(), "");
        rgSetPrinterSource(rgCreateCupsPrinterSource());
    }
    void TearDown() override
    {
        if (form)
            form->Druck().ListenAusgabe = nullptr;
        PicturesTest::TearDown();
    }
    // An album of n pictures, the program's templates in the program folder;
    // entry ohneVorschau (when given) has no thumbnail.
    void Album(int n, int ohneVorschau = 0)
    {
        std::vector<std::string> namen;
        std::vector<TBild> bilder;
        namen.reserve(size_t(n));
        for (int i = 1; i <= n; ++i)
            namen.push_back("bild" + std::to_string(i) + ".jpg");
        for (const std::string& name : namen)
            bilder.push_back({name.c_str(), "JPEG"});
        if (ohneVorschau > 0)
            bilder[size_t(ohneVorschau - 1)].Vorschau = 0;
        AlbumMit(bilder);
        Application->ClearTerminated();
        temp = dir.path() / "temp";
        std::filesystem::create_directories(temp);
        form->ProgrammOptionen()->EditTempDir = Win(temp) + "\\";
        form->Einstellungen().Setzen("WennFileNichtGefundenAnderesLWtesten", false);
        const QDir quelle(QStringLiteral(LUMADEX_RESOURCES_DIR));
        for (const QString& datei : quelle.entryList({"*.RTM", "*.TXT"}, QDir::Files))
            ASSERT_TRUE(QFile::copy(quelle.filePath(datei), ProgrammOrdner() + datei)) << datei.toStdString();
    }
    QString ProgrammOrdner() const
    {
        QString o = *WinToLinux(form->Dienste().Lauf().ProgrammPfad());
        return o.endsWith('/') ? o : o + '/';
    }
    // Lists go to the printer; the finished job is written to pdf.
    void AufPdf(const QString& pdf)
    {
        form->Druck().ListenAusgabe = [pdf](TrgReport* report) { ListeAufDrucker(report, pdf); };
    }
    void Drucken(const TVorlage& v)
    {
        if (v.AbAktuellem)
            form->DruckeBilderListe2(QString::fromLatin1(v.Datei));
        else
            form->DruckeBilderListe(QString::fromLatin1(v.Datei));
    }
    QString Pdf(const QString& name) const { return QString::fromStdString((dir.path() / name.toStdString()).string()); }
    // The titles "Bild n" in the order the text shows them.
    static QList<int> Titel(const QString& text)
    {
        QList<int> nummern;
        static const QRegularExpression titel(QStringLiteral("\\bBild (\\d+)\\b"));
        for (auto it = titel.globalMatch(text); it.hasNext();)
            nummern << it.next().captured(1).toInt();
        return nummern;
    }
    static void Bildschirmfoto(const QString& pdf, const QString& name)
    {
        EXPECT_TRUE(QFile::exists(PdfBildschirmfoto(pdf, name))) << name.toStdString();
    }
    template <class T> T* Bauteil(const char* name) const
    {
        return dynamic_cast<T*>(form->FindComponent(QString::fromLatin1(name)));
    }

    lxtest::TPrivateCupsd cupsd{{"Probe"}};
    std::filesystem::path temp;
};

}  // namespace

TEST_F(ListPrintTest, TemplatesHoldTheComponentsTheirEventsFill)
{
    Album(1);
    const QStringList fuerBericht1 = {"rgReport1Image1",      "rgReport1LabelMotivQualitaet",
                                      "rgReport1LabelBildQualitaet", "rgReport1LabelQuelle",
                                      "rgReport1LabelGruppe", "rgReport1DBMemo1", "rgReport1LabelAlbum"};
    // The passport sheet: five copies of the picture, the group and the note.
    const QStringList fuerPassbilder = {"rgReport1Image1", "rgReport1Image2", "rgReport1Image3",
                                        "rgReport1Image4", "rgReport1Image5", "rgReport1LabelGruppe",
                                        "rgReport1DBMemo1", "rgReport1LabelAlbum"};
    const char* fuerBericht2[] = {"rgReport2Image1", "rgReport2Label1", "rgReport2Label2", "rgReport2Label3",
                                  "rgReport2Label4", "rgReport2Label5", "rgReport2Label6", "rgReport2LabelAlbum"};
    for (const TVorlage& v : kVorlagen) {
        SCOPED_TRACE(v.Datei);
        TrgReport* bericht = v.AbAktuellem ? form->rgReport1 : form->rgReport2;
        ListenVorlageLaden(bericht, form->Dienste().Lauf().ProgrammPfad() + v.Datei);
        EXPECT_EQ(bericht->Language(), lgGerman);
        EXPECT_EQ(bericht->Units(), utMillimeters);
        EXPECT_EQ(bericht->PrinterSetup()->PrinterName(), "Default");
        EXPECT_EQ(bericht->PrinterSetup()->DefinedValue(4), 297000);  // A4 (whatever the printer calls it)
        EXPECT_EQ(bericht->PrinterSetup()->DefinedValue(5), 210000);
        for (const int rand : {0, 1, 2, 3})  // the margins in thousandths of a millimetre
            EXPECT_EQ(bericht->PrinterSetup()->DefinedValue(rand), 6350) << rand;
        EXPECT_EQ(bericht->DataPipeline(), v.AbAktuellem ? (TrgDataPipeline*)form->rgBDEPipeline1
                                                         : (TrgDataPipeline*)form->rgBDEPipeline2);
        if (v.AbAktuellem) {
            for (const QString& name : v.BilderJeEintrag == 5 ? fuerPassbilder : fuerBericht1)
                EXPECT_NE(form->FindComponent(name), nullptr) << name.toStdString();
            auto* band = dynamic_cast<TrgDetailBand*>(bericht->FindBand(bkDetail));
            ASSERT_NE(band, nullptr);
            EXPECT_EQ(rgBoundMethodName(band->BeforePrint), "rgReport1DetailBand1BeforePrint");
        } else {
            for (const char* name : fuerBericht2)
                EXPECT_NE(form->FindComponent(name), nullptr) << name;
            EXPECT_EQ(rgBoundMethodName(Bauteil<TrgLabel>("rgReport2Label1")->OnPrint), "rgReport2Label1Print");
            EXPECT_EQ(rgBoundMethodName(Bauteil<TrgLabel>("rgReport2Label2")->OnPrint), "rgReport2Label2Print");
        }
    }
}

TEST_F(ListPrintTest, EachListPrintsEveryEntryInOrderWithPicturesAndGermanPageTexts)
{
    Album(7);
    for (const TVorlage& v : kVorlagen) {
        SCOPED_TRACE(v.Datei);
        // Lists from the current record start at the third entry.
        Gehe(3);
        const QString pdf = Pdf(QString::fromLatin1(v.Datei) + ".pdf");
        AufPdf(pdf);
        prompts.Texte.clear();
        Drucken(v);
        EXPECT_EQ(Nr(), 3);
        ASSERT_TRUE(QFile::exists(pdf)) << prompts.Texte.join("|").toStdString();
        const QString text = PdfText(pdf);
        const int erster = v.AbAktuellem ? 3 : 1;
        QList<int> erwartet;
        for (int i = erster; i <= 7; ++i)
            erwartet << i;
        EXPECT_EQ(Titel(text), erwartet) << text.toStdString();
        EXPECT_TRUE(text.contains("Fotoalbum BILDER")) << text.toStdString();
        const int n = PdfSeiten(pdf);
        ASSERT_GT(n, 0);
        EXPECT_TRUE(text.contains(QStringLiteral("Seite 1 von %1").arg(n))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("Seite %1 von %1").arg(n))) << text.toStdString();
        EXPECT_EQ(PdfBilder(pdf), erwartet.size() * v.BilderJeEintrag);
        Bildschirmfoto(pdf, QStringLiteral("liste_") + QString::fromLatin1(v.Datei).section('.', 0, 0));
    }
}

TEST_F(ListPrintTest, ABadTemplateNamesItsErrorAndKeepsTheLoadedLayout)
{
    Album(2);
    const QString gut = ProgrammOrdner() + "BilderListe.RTM";
    QFile f(gut);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    f.close();
    QByteArray fremdeKlasse = text;
    fremdeKlasse.replace("rgReport2Label3: TrgLabel", "rgReport2Label3: TrgEtikett");
    QByteArray fremderHandler = text;
    fremderHandler.replace("OnPrint = rgReport2Label1Print", "OnPrint = rgReport2Label9Print");
    QImage png(8, 8, QImage::Format_RGB32);
    png.fill(Qt::red);
    const QString pngDatei = ProgrammOrdner() + "png.bin";
    ASSERT_TRUE(png.save(pngDatei, "PNG"));
    QFile pngLesen(pngDatei);
    ASSERT_TRUE(pngLesen.open(QIODevice::ReadOnly));
    const struct {
        const char* Name;
        std::optional<QByteArray> Inhalt;  // none: the file is missing
        const char* Meldung;               // what the engine says
    } faelle[] = {{"fehlt", std::nullopt, "Datei nicht gefunden: "},
                  {"leer", QByteArray(), "Ungültiges Vorlagenformat."},
                  {"abgeschnitten", text.left(text.size() / 2), "Fehler beim Umwandeln des Textes"},
                  {"anderes Format", pngLesen.readAll(), "Ungültiges Vorlagenformat."},
                  // These two through the template error dialog (answered Cancel).
                  {"unbekannte Klasse", fremdeKlasse, "Klasse TrgEtikett nicht gefunden."},
                  {"unbekannter Handler", fremderHandler, "Die Methode rgReport2Label9Print wurde nicht gefunden."}};
    // The good layout first, printed once.
    const QString pdf = Pdf("gut.pdf");
    AufPdf(pdf);
    form->DruckeBilderListe("BilderListe.RTM");
    ASSERT_TRUE(QFile::exists(pdf));
    TComponent* label3 = form->FindComponent("rgReport2Label3");
    ASSERT_NE(label3, nullptr);
    const int baender = form->rgReport2->GetBandCount();
    for (const auto& fall : faelle) {
        SCOPED_TRACE(fall.Name);
        const QString datei = QStringLiteral("BilderListe_%1.RTM").arg(QString::fromUtf8(fall.Name).replace(' ', '_'));
        if (fall.Inhalt) {
            QFile schlecht(ProgrammOrdner() + datei);
            ASSERT_TRUE(schlecht.open(QIODevice::WriteOnly));
            schlecht.write(*fall.Inhalt);
        }
        Gehe(2);
        prompts.Texte.clear();
        QFile::remove(pdf);
        try {
            form->DruckeBilderListe(datei);
            ADD_FAILURE() << "no error";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message, "Fehler beim Drucken einer Liste !");
        }
        // The engine's own text was shown (and logged), nothing printed,
        // the record and the old layout kept.
        EXPECT_TRUE(prompts.Gezeigt(QString::fromUtf8(fall.Meldung))) << prompts.Texte.join("|").toStdString();
        EXPECT_FALSE(QFile::exists(pdf));
        EXPECT_EQ(Nr(), 2);
        EXPECT_EQ(form->FindComponent("rgReport2Label3"), label3);
        EXPECT_EQ(form->rgReport2->GetBandCount(), baender);
        EXPECT_FALSE(form->TableBilder->ControlsDisabled());
    }
    // The program goes on: the good layout still prints.
    form->DruckeBilderListe("BilderListe.RTM");
    EXPECT_EQ(Titel(PdfText(pdf)), QList<int>({1, 2}));
}

TEST_F(ListPrintTest, AnUnreadablePictureShowsItsMessageAndTheListGoesOn)
{
    Album(4);
    // The second picture is no picture any more, the third is gone; the
    // fourth has a sound header (its size is read) but data that cannot be
    // decoded: a PNG whose first image data are damaged.
    {
        QFile kaputt(QString::fromStdString((ordner / "bild2.jpg").string()));
        ASSERT_TRUE(kaputt.open(QIODevice::WriteOnly | QIODevice::Truncate));
        kaputt.write("kein Bild");
    }
    ASSERT_TRUE(QFile::remove(QString::fromStdString((ordner / "bild3.jpg").string())));
    QByteArray png;
    {
        QImage bild(201, 120, QImage::Format_RGB32);
        bild.fill(Qt::red);
        QBuffer puffer(&png);
        ASSERT_TRUE(puffer.open(QIODevice::WriteOnly));
        ASSERT_TRUE(bild.save(&puffer, "PNG"));
    }
    const qsizetype daten = png.indexOf("IDAT");
    ASSERT_GT(daten, 0);
    png.replace(daten + 6, 16, QByteArray(16, 'Z'));
    lxtest::WriteFile(ordner / "bild4.jpg", png.toStdString());
    Gehe(1);
    const QString pdf = Pdf("liste.pdf");
    AufPdf(pdf);
    prompts.Texte.clear();
    form->DruckeBilderListe2("BilderListe_Bildinfo.RTM");
    EXPECT_EQ(Nr(), 1);
    const QString text = PdfText(pdf);
    EXPECT_EQ(Titel(text), QList<int>({1, 2, 3, 4}));
    // Only the readable picture is printed, each entry with its own (none
    // with a blank one).
    EXPECT_EQ(PdfBilder(pdf), 1);
    EXPECT_TRUE(prompts.Gezeigt("bild2.jpg")) << prompts.Texte.join("|").toStdString();
    EXPECT_EQ(prompts.Texte.filter("bild4.jpg").size(), 1) << prompts.Texte.join("|").toStdString();
    // Each message once, though the list is laid out in two passes.
    EXPECT_EQ(prompts.Texte.filter("Bild ist nicht im Zugriff! Legen Sie den Datenträger \"URLAUB\"").size(), 1)
        << prompts.Texte.join("|").toStdString();
    EXPECT_EQ(prompts.Texte.filter("bild2.jpg").size(), 1) << prompts.Texte.join("|").toStdString();
}

// A one-pass template showing "Seite n von m" counts its pages before it
// prints them: the pictures are still loaded, and their messages shown,
// only once.
TEST_F(ListPrintTest, AOnePassListWithThePageCountLoadsEachPictureOnce)
{
    Album(4);
    ASSERT_TRUE(QFile::remove(QString::fromStdString((ordner / "bild3.jpg").string())));
    const QString vorlage = ProgrammOrdner() + QStringLiteral("BilderListe_Bildinfo.RTM");
    QFile datei(vorlage);
    ASSERT_TRUE(datei.open(QIODevice::ReadOnly));
    QByteArray text = datei.readAll();
    datei.close();
    ASSERT_TRUE(text.contains("PassSetting = psTwoPass\r\n"));
    text.replace("PassSetting = psTwoPass\r\n", "PassSetting = psOnePass\r\n");
    ASSERT_TRUE(datei.open(QIODevice::WriteOnly | QIODevice::Truncate));
    datei.write(text);
    datei.close();
    Gehe(1);
    const QString pdf = Pdf("liste.pdf");
    AufPdf(pdf);
    prompts.Texte.clear();
    form->DruckeBilderListe2("BilderListe_Bildinfo.RTM");
    EXPECT_EQ(form->rgReport1->PassSetting(), psOnePass);
    const QString seiten = PdfText(pdf);
    EXPECT_EQ(Titel(seiten), QList<int>({1, 2, 3, 4}));
    const int n = PdfSeiten(pdf);
    EXPECT_TRUE(seiten.contains(QStringLiteral("Seite %1 von %1").arg(n))) << seiten.toStdString();
    EXPECT_EQ(PdfBilder(pdf), 3);
    EXPECT_EQ(prompts.Texte.filter("Bild ist nicht im Zugriff!").size(), 1) << prompts.Texte.join("|").toStdString();
}

// An entry that does not fit below the one before it is laid out again on
// the next page: its picture is read once, and each entry shows its own.
TEST_F(ListPrintTest, AnEntryLaidOutAgainOnTheNextPageReadsItsPictureOnce)
{
    Album(3);  // pictures 201, 202 and 203 wide, two entries a page
    int geladen = 0;
    form->ImageWindow1->OnPostLoad = [&geladen](TImageWindow*) { ++geladen; };
    Gehe(1);
    const QString pdf = Pdf("liste.pdf");
    AufPdf(pdf);
    form->DruckeBilderListe2("BilderListe_GrossesBild8.RTM");
    form->ImageWindow1->OnPostLoad = nullptr;
    EXPECT_EQ(geladen, 3);
    EXPECT_EQ(Titel(PdfText(pdf)), QList<int>({1, 2, 3}));
    EXPECT_EQ(PdfSeiten(pdf), 2);
    // pdfimages: page num type width height ...
    QStringList bilder;
    for (const QString& zeile : Werkzeug("pdfimages", {"-list", pdf}).split('\n', Qt::SkipEmptyParts).mid(2)) {
        const QStringList s = zeile.simplified().split(' ');
        bilder << s[0] + ":" + s[3] + "x" + s[4];
    }
    EXPECT_EQ(bilder, QStringList({"1:201x120", "1:202x120", "2:203x120"}));
}

// An entry whose picture is out of reach, right after an entry printed
// with its picture, prints without one: never with the picture before it.
TEST_F(ListPrintTest, APictureOutOfReachAfterAReadableOnePrintsNone)
{
    Album(3);
    ASSERT_TRUE(QFile::remove(QString::fromStdString((ordner / "bild2.jpg").string())));
    Gehe(1);
    const QString pdf = Pdf("liste.pdf");
    AufPdf(pdf);
    form->DruckeBilderListe2("BilderListe_Bildinfo.RTM");
    EXPECT_EQ(Titel(PdfText(pdf)), QList<int>({1, 2, 3}));
    EXPECT_EQ(PdfBilder(pdf), 2);
    EXPECT_TRUE(prompts.Gezeigt("Bild ist nicht im Zugriff!")) << prompts.Texte.join("|").toStdString();
}

// The same for the thumbnail list: an entry without a thumbnail right
// after one with it prints no picture.
TEST_F(ListPrintTest, AnEntryWithoutAThumbnailAfterOneWithItPrintsNone)
{
    Album(3, 2);
    Gehe(1);
    const QString pdf = Pdf("liste.pdf");
    AufPdf(pdf);
    form->DruckeBilderListe("BilderListe.RTM");
    EXPECT_EQ(Titel(PdfText(pdf)), QList<int>({1, 2, 3}));
    EXPECT_EQ(PdfBilder(pdf), 2);
}

TEST_F(ListPrintTest, AThumbnailThatIsNoPictureEndsTheThumbnailListNamedAfterItsEvent)
{
    Album(3);
    // The second entry's thumbnail memo holds bytes that are no picture.
    const std::filesystem::path kaputt = dir.path() / "kaputt.bmp";
    {
        QFile datei(QString::fromStdString(kaputt.string()));
        ASSERT_TRUE(datei.open(QIODevice::WriteOnly));
        datei.write("BM kein Vorschaubild");
    }
    Gehe(2);
    ASSERT_TRUE(form->DbeBilder->Replace(QStringLiteral("VORSCHAU"), 0x1000, Win(kaputt)));
    Gehe(1);
    AufPdf(Pdf("liste.pdf"));
    prompts.Texte.clear();
    try {
        form->DruckeBilderListe("BilderListe.RTM");
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Fehler beim Drucken einer Liste !");
    }
    EXPECT_TRUE(prompts.Gezeigt("Fehler im Ereignis \"TMainForm.rgReport2DBText4Format\" !"))
        << prompts.Texte.join("|").toStdString();
    EXPECT_TRUE(form->AppException1->UserName().endsWith(", 2 / 3")) << form->AppException1->UserName().toStdString();
    EXPECT_EQ(Nr(), 1);
}

TEST_F(ListPrintTest, PickListLabelsShowTheirTextOrThatNoneIsGiven)
{
    Album(2);
    const struct {
        int Satz;
        const char* Wert;
    } werte[] = {{1, "A1"}, {2, "0"}};
    for (const auto& w : werte) {
        Gehe(w.Satz);
        form->TableBilder->Edit();
        form->DbeBilder->Replace("PLAYLIST", 1024, w.Wert);
        form->DbeBilder->PostIfEditing();
    }
    const QString nullText = form->DBComboboxBilderPlayListe2->GetMappedValue("0");
    Gehe(1);
    const QString pdf = Pdf("liste.pdf");
    AufPdf(pdf);
    form->DruckeBilderListe2("BilderListe_Bildinfo.RTM");
    const QString text = PdfText(pdf);
    static const QRegularExpression gruppe(QStringLiteral("Gruppe:[ \\t]*(\\S[^\\n]*?)\\s*$"),
                                           QRegularExpression::MultilineOption);
    QStringList gruppen;
    for (auto it = gruppe.globalMatch(text); it.hasNext();)
        gruppen << it.next().captured(1).trimmed();
    EXPECT_EQ(gruppen, QStringList({"-nicht vergeben-", nullText.isEmpty() ? QString() : nullText}))
        << text.toStdString();
}

TEST_F(ListPrintTest, LargePictureLayoutsCropTheirSection)
{
    Album(1);  // a picture of 201 x 120
    const struct {
        const char* Vorlage;
        QSize Ausschnitt;
    } faelle[] = {{"BilderListe_GrossesBild10.RTM", QSize(83, 120)},  // 120 x 25 / 36 = 83.3
                  {"BilderListe_Bildinfo.RTM", QSize(201, 120)},
                  {"BilderListe_Passbilder.RTM", QSize(201, 120)}};
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.Vorlage);
        AufPdf(Pdf("gross.pdf"));
        form->DruckeBilderListe2(f.Vorlage);
        auto* erstes = Bauteil<TrgImage>("rgReport1Image1");
        ASSERT_TRUE(erstes && erstes->Picture()->Graphic());
        EXPECT_EQ(QSize(erstes->Picture()->Width(), erstes->Picture()->Height()), f.Ausschnitt);
        // The crop's file went with the print.
        EXPECT_TRUE(DruckBildDateien(temp).isEmpty());
        // The note is as wide as the last picture of the row (the layout
        // with information gives it more in the template).
        auto* memo = Bauteil<TrgDBMemo>("rgReport1DBMemo1");
        auto* bild = Bauteil<TrgImage>("rgReport1Image5");
        if (!bild)
            bild = Bauteil<TrgImage>("rgReport1Image1");
        ASSERT_TRUE(memo && bild);
        EXPECT_EQ(memo->mmWidth(), bild->mmWidth());
    }
}

TEST_F(ListPrintTest, AlbumManagerPrintsItsAlbumList)
{
    Album(3);
    auto& u = *dynamic_cast<TAlbumManagerUmgebung*>(form->AlbumManager());
    TBilderDBFManagerForm m(nullptr, form->Album(), form->Dienste(), u);
    m.FormShow();
    const uint32_t zeile = form->DbeBilderDatenbanken->RecNo();
    const QString pdf = Pdf("alben.pdf");
    m.ListenAusgabe = [pdf](TrgReport* report) { ListeAufDrucker(report, pdf); };
    m.Drucken1Click();
    EXPECT_EQ(form->DbeBilderDatenbanken->RecNo(), zeile);
    const QString text = PdfText(pdf);
    for (const char* teil : {"Fotoalben", "BILDER.DBF", "Letzte Änderung", "Anzahl Sätze", "Summen", "Summe-Bytes:",
                             "Anzahl Datensätze:", "Seite 1 von 1"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(teil))) << teil << "\n" << text.toStdString();
    Bildschirmfoto(pdf, "liste_BilderDBFManager");
}

TEST_F(ListPrintTest, WithoutAnOutputTheListOpensInThePreview)
{
    Album(12);
    Gehe(5);
    int seite = 0;
    {
        TPromptScript script;
        // The timed notice that the list starts with the first entry.
        script.Modal([](TCustomForm& hinweis) { hinweis.ModalResult = mrOk; });
        script.Modal<TrgPrintPreview>([&](TrgPrintPreview& vorschau) {
            TrgViewer* viewer = vorschau.GetViewer();
            seite = viewer->AbsolutePageNo();
            const QImage bild = vorschau.Handle()->grab().toImage();
            EXPECT_TRUE(bild.save(BildschirmfotoOrdner() + "/liste_vorschau.png"));
            viewer->NextPage();
            EXPECT_EQ(viewer->AbsolutePageNo(), 2);
            vorschau.ModalResult = mrOk;
        });
        form->DruckeBilderListe("BilderListe.RTM");
    }
    EXPECT_EQ(seite, 1);
    EXPECT_EQ(Nr(), 5);
    EXPECT_EQ(form->rgReport2->Device(), dvScreen);
}

TEST_F(ListPrintTest, AMissingPictureOfAWriteProtectedCdAlbumEndsThePrint)
{
    Album(2);
    // The album counts as lying write-protected on the CD in E:, where its
    // pictures are not.
    lxtest::WriteDriveTable({{"C", "/", "HD"}, {"E", (dir.path() / "cd").string(), "CDROM", "URLAUB", "0000BEEF"}});
    std::filesystem::create_directories(dir.path() / "cd");
    const QString pfad = form->BereichBilder().Ordner();
    form->BereichBilder().OrdnerSetzen("E:\\");
    form->BereichBilder().NurLesenSetzen(true);
    Gehe(1);
    AufPdf(Pdf("liste.pdf"));
    prompts.Texte.clear();
    EXPECT_THROW(form->DruckeBilderListe2("BilderListe_Bildinfo.RTM"), Exception);
    form->BereichBilder().OrdnerSetzen(pfad);
    form->BereichBilder().NurLesenSetzen(false);
    EXPECT_EQ(prompts.Texte.filter(QRegularExpression("^Bild E:.*bild1\\.jpg nicht gefunden!$")).size(), 1)
        << prompts.Texte.join("|").toStdString();
    EXPECT_TRUE(prompts.Gezeigt("Fehler im Ereignis \"TMainForm.rgReport1DetailBand1BeforePrint (2)\" !"))
        << prompts.Texte.join("|").toStdString();
    EXPECT_FALSE(QFile::exists(Pdf("liste.pdf")));
    // The error log names the album and the entry the print failed on; the
    // album is back on its record.
    EXPECT_TRUE(form->AppException1->UserName().endsWith(", 1 / 2")) << form->AppException1->UserName().toStdString();
    QFile log(WinToLinux(form->AppException1->ErrorLog()).value_or(QString()));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly)) << form->AppException1->ErrorLog().toStdString();
    EXPECT_TRUE(QString::fromLatin1(log.readAll()).contains("rgReport1DetailBand1BeforePrint (2)"));
    EXPECT_EQ(Nr(), 1);
}

TEST_F(ListPrintTest, CodedFieldsPrintTheNamesOfTheirLists)
{
    Album(1);
    Gehe(1);
    form->TableBilder->Edit();
    for (const auto& [feld, wert] : {std::pair{"PLAYLIST", "0"}, {"QUALITAET", "2"}, {"MOTIV", "0"}, {"QUELLE", "1"}})
        form->DbeBilder->Replace(feld, 1024, wert);
    form->DbeBilder->PostIfEditing();
    const QString pdf = Pdf("namen.pdf");
    AufPdf(pdf);
    form->DruckeBilderListe2("BilderListe_Bildinfo.RTM");
    const QString text = PdfText(pdf);
    for (const char* name : {"Keine Zuordnung", "2. Qualität", "Nicht bewertet", "digitale Kamera"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(name))) << name << "\n" << text.toStdString();
    Bildschirmfoto(pdf, "list_coded_names");
}

TEST_F(ListPrintTest, AListWithoutEntriesSaysThereIsNothingToPrint)
{
    Album(2);
    // A filter that shows no entry, then every template: a notice, no page.
    form->DbeBilder->Query(QStringLiteral("SHORTDESC = 'nichts'"));
    form->TableBilder->Refresh();
    for (const TVorlage& v : kVorlagen) {
        const QString pdf = Pdf(QString::fromLatin1(v.Datei) + ".pdf");
        AufPdf(pdf);
        prompts.Texte.clear();
        Drucken(v);
        EXPECT_TRUE(prompts.Gezeigt(kNichtsZuDrucken)) << v.Datei << prompts.Texte.join("|").toStdString();
        EXPECT_FALSE(QFile::exists(pdf)) << v.Datei;
    }
}

TEST_F(ListPrintTest, LongNotesWrapAndGrowTheirEntryInEveryLayoutWithANote)
{
    Album(2);
    QStringList woerter;
    for (int i = 1; i <= 160; ++i)
        woerter << QStringLiteral("Notizwort%1").arg(i);
    Gehe(1);
    form->TableBilder->Edit();
    form->TableBilder->FieldByName("NOTIZ")->SetAsString(woerter.join(' '));
    form->TableBilder->Post();
    for (const TVorlage& v : kVorlagen) {
        if (!v.AbAktuellem)
            continue;  // the thumbnail list has no note
        Gehe(1);
        const QString pdf = Pdf(QString::fromLatin1(v.Datei) + ".pdf");
        AufPdf(pdf);
        Drucken(v);
        const QString text = PdfText(pdf);
        // Every word once, the first and the last among them, and the next
        // entry after the note.
        for (const QString& w : {woerter.first(), woerter[79], woerter.last()})
            EXPECT_EQ(text.count(QRegularExpression("\\b" + w + "\\b")), 1) << v.Datei << " " << w.toStdString();
        EXPECT_GT(text.indexOf("Bild 2"), text.indexOf(woerter.last())) << v.Datei;
        Bildschirmfoto(pdf, QStringLiteral("list_long_note_") + QString::fromLatin1(v.Datei).section('.', 0, 0));
    }
}

// The text of page k alone.
static QString SeitenText(const QString& pdf, int k)
{
    return Werkzeug("pdftotext", {"-layout", "-f", QString::number(k), "-l", QString::number(k), pdf, "-"});
}

// The texts of a page as the preview holds it: the texts and the lines of
// the memos, one after the other.
static QString VorschauText(const TrgPage& seite)
{
    QStringList texte;
    for (int i = 0; i < seite.GetDrawCommandCount(); ++i)
        if (const auto* t = dynamic_cast<const TrgDrawText*>(seite.GetDrawCommand(i)))
            texte << (t->IsMemo ? t->WrappedText()->Text() : t->Text);
    return texte.join('\n');
}

TEST_F(ListPrintTest, PreviewAndPdfShowTheSamePagesAndAnEntryThatFitsAPageStaysWhole)
{
    // 27 entries, entry 12 with a note of 2 000 characters: it begins low on
    // a page in every layout (the entries before it fill the page partly).
    const int n = 27, lang = 12;
    Album(n);
    // The tips of the day stay away from the preview.
    form->Timer2->SetEnabled(false);
    QStringList woerter;
    for (int i = 1; woerter.join(' ').size() < 2000; ++i)
        woerter << QStringLiteral("Notizwort%1").arg(i);
    const QString notiz = woerter.join(' ').left(2000).section(' ', 0, -2);
    woerter = notiz.split(' ');
    Gehe(lang);
    form->TableBilder->Edit();
    form->TableBilder->FieldByName("NOTIZ")->SetAsString(notiz);
    form->TableBilder->Post();
    for (const TVorlage& v : kVorlagen) {
        if (!v.AbAktuellem)
            continue;  // the thumbnail list has no note
        SCOPED_TRACE(v.Datei);
        const QString name = QString::fromLatin1(v.Datei).section('.', 0, 0);
        // The print, read back from its PDF.
        Gehe(1);
        const QString pdf = Pdf(name + ".lang.pdf");
        AufPdf(pdf);
        Drucken(v);
        const int seiten = PdfSeiten(pdf);
        ASSERT_GT(seiten, 1);
        QStringList gedruckt;
        for (int k = 1; k <= seiten; ++k)
            gedruckt << SeitenText(pdf, k);
        for (int k = 1; k <= std::min(seiten, 3); ++k)
            Werkzeug("pdftoppm", {"-f", QString::number(k), "-l", QString::number(k), "-r", "60", "-png", "-singlefile",
                                  pdf, BildschirmfotoOrdner() + QStringLiteral("/list_27_%1_%2").arg(name).arg(k)});

        // The preview, paged through to its end.
        form->Druck().ListenAusgabe = nullptr;
        QStringList gezeigt;
        {
            TPromptScript script;
            script.Modal([](TCustomForm& hinweis) { hinweis.ModalResult = mrOk; });
            script.Modal<TrgPrintPreview>([&](TrgPrintPreview& vorschau) {
                TrgViewer* viewer = vorschau.GetViewer();
                for (int k = 1; k <= seiten + 2; ++k) {
                    viewer->GotoPage(k);
                    if (viewer->AbsolutePageNo() != k)
                        break;
                    const TrgPage* seite = viewer->ScreenDevice()->DisplayPage();
                    gezeigt << (seite ? VorschauText(*seite) : QString());
                    if (seite && seite->LastPage)
                        break;
                }
                vorschau.ModalResult = mrOk;
            });
            Gehe(1);
            Drucken(v);
        }

        // Both have the same pages with the same entries; every entry and
        // every word of the note once.
        ASSERT_EQ(gezeigt.size(), seiten);
        QList<int> alle;
        int seiteMitTitel = 0, ersteNotizSeite = 0, letzteNotizSeite = 0;
        for (int k = 0; k < seiten; ++k) {
            const QList<int> titel = Titel(gedruckt[k]);
            EXPECT_EQ(Titel(gezeigt[k]), titel) << "page " << k + 1;
            EXPECT_TRUE(gedruckt[k].contains(QStringLiteral("Seite %1 von %2").arg(k + 1).arg(seiten))) << k + 1;
            alle << titel;
            if (titel.contains(lang))
                seiteMitTitel = k + 1;
            if (gedruckt[k].contains(QRegularExpression("\\b" + woerter.first() + "\\b")) && !ersteNotizSeite)
                ersteNotizSeite = k + 1;
            if (gedruckt[k].contains(QRegularExpression("\\b" + woerter.last() + "\\b")))
                letzteNotizSeite = k + 1;
        }
        // In the album's order, that of the titles as text.
        QList<int> erwartet;
        for (int i = 1; i <= n; ++i)
            erwartet << i;
        std::sort(erwartet.begin(), erwartet.end(), [](int a, int b) { return QString::number(a) < QString::number(b); });
        EXPECT_EQ(alle, erwartet);
        const QString pdfText = gedruckt.join('\n'), vorschauText = gezeigt.join('\n');
        for (const QString& w : woerter) {
            const QRegularExpression wort("\\b" + w + "\\b");
            EXPECT_EQ(pdfText.count(wort), 1) << w.toStdString();
            EXPECT_EQ(vorschauText.count(wort), 1) << w.toStdString();
        }
        // The long entry is whole on one page, or, taller than a page, it
        // begins at the top of one.
        EXPECT_EQ(ersteNotizSeite, seiteMitTitel);
        if (letzteNotizSeite != seiteMitTitel) {
            EXPECT_EQ(Titel(gedruckt[seiteMitTitel - 1]).first(), lang) << "split although it would fit a page";
        }
    }
}

// The number of pictures on each page (index 0 is page 1).
static QList<int> BilderJeSeite(const QString& pdf, int seiten)
{
    QList<int> anzahl(seiten, 0);
    const QStringList zeilen = Werkzeug("pdfimages", {"-list", pdf}).split('\n', Qt::SkipEmptyParts);
    for (int i = 2; i < zeilen.size(); ++i) {
        const int seite = zeilen[i].simplified().section(' ', 0, 0).toInt();
        if (seite >= 1 && seite <= seiten)
            ++anzahl[seite - 1];
    }
    return anzahl;
}

TEST_F(ListPrintTest, AnEntryStaysTogetherOnItsPage)
{
    Album(9);
    static const QRegularExpression datei(QStringLiteral("bild(\\d+)\\.jpg"), QRegularExpression::CaseInsensitiveOption);
    for (const TVorlage& v : kVorlagen) {
        SCOPED_TRACE(v.Datei);
        Gehe(1);
        const QString pdf = Pdf(QString::fromLatin1(v.Datei) + ".keep.pdf");
        AufPdf(pdf);
        Drucken(v);
        const int n = PdfSeiten(pdf);
        ASSERT_GT(n, 1) << "several pages";
        const QList<int> bilder = BilderJeSeite(pdf, n);
        QList<int> alle;
        for (int k = 1; k <= n; ++k) {
            const QString text = SeitenText(pdf, k);
            const QList<int> titel = Titel(text);
            alle << titel;
            EXPECT_TRUE(text.contains(QStringLiteral("Seite %1 von %2").arg(k).arg(n))) << k;
            // The pictures of the page are those of its entries.
            EXPECT_EQ(bilder[k - 1], titel.size() * v.BilderJeEintrag) << "page " << k << "\n" << text.toStdString();
            // A file name or path shown on the page belongs to an entry whose
            // title is on the same page.
            for (auto it = datei.globalMatch(text); it.hasNext();) {
                const int nr = it.next().captured(1).toInt();
                EXPECT_TRUE(titel.contains(nr)) << "page " << k << " bild" << nr << "\n" << text.toStdString();
            }
        }
        QList<int> erwartet;
        for (int i = 1; i <= 9; ++i)
            erwartet << i;
        EXPECT_EQ(alle, erwartet);
        Bildschirmfoto(pdf, QStringLiteral("list_keep_") + QString::fromLatin1(v.Datei).section('.', 0, 0));
    }
}

// The words of the PDF with their box in points, from pdftotext
// -bbox-layout.
struct TWort {
    QString Text;
    double Oben, Rechts, Unten;
};
static QList<TWort> WoerterMitRahmen(const QString& pdf)
{
    QList<TWort> woerter;
    static const QRegularExpression wort(QStringLiteral("<word xMin=\"[^\"]+\" yMin=\"([^\"]+)\" xMax=\"([^\"]+)\" "
                                                        "yMax=\"([^\"]+)\">([^<]*)</word>"));
    const QString xml = Werkzeug("pdftotext", {"-bbox-layout", pdf, "-"});
    for (auto it = wort.globalMatch(xml); it.hasNext();) {
        const auto m = it.next();
        woerter << TWort{m.captured(4), m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble()};
    }
    return woerter;
}

TEST_F(ListPrintTest, ALongShortDescriptionWrapsAtWordEndsInsideTheMargin)
{
    Album(2);
    QStringList woerter;
    // Wide letters: a line of them runs far past the width of the page.
    for (int i = 1; i <= 10; ++i)
        woerter << QStringLiteral("WMWKurz%1").arg(i);
    // As long as the test album's field takes.
    const QString beschreibung = QStringLiteral("Bild 1 ") + woerter.join(' ');
    ASSERT_LE(beschreibung.size(), 100);
    Gehe(1);
    form->TableBilder->Edit();
    form->TableBilder->FieldByName("SHORTDESC")->SetAsString(beschreibung);
    form->TableBilder->Post();
    // The right margin of A4 (6.35 mm) in points, half a point of tolerance.
    const double rechterRand = (210.0 - 6.35) / 25.4 * 72.0 + 0.5;
    for (const TVorlage& v : kVorlagen) {
        SCOPED_TRACE(v.Datei);
        Gehe(1);
        const QString pdf = Pdf(QString::fromLatin1(v.Datei) + ".desc.pdf");
        AufPdf(pdf);
        Drucken(v);
        const QString text = PdfText(pdf);
        for (const QString& w : woerter)
            EXPECT_EQ(text.count(QRegularExpression("\\b" + w + "\\b")), 1) << w.toStdString() << "\n"
                                                                            << text.toStdString();
        EXPECT_GT(text.indexOf("Bild 2"), text.indexOf(woerter.last()));
        int gefunden = 0;
        double titelUnten = 0;
        const QList<TWort> alle = WoerterMitRahmen(pdf);
        for (const TWort& w : alle) {
            if (!w.Text.startsWith(QStringLiteral("WMWKurz")))
                continue;
            ++gefunden;
            titelUnten = std::max(titelUnten, w.Unten);
            EXPECT_LE(w.Rechts, rechterRand) << w.Text.toStdString();
        }
        EXPECT_EQ(gefunden, woerter.size());
        // What stands below the title moved down with it.
        for (const TWort& w : alle) {
            if (w.Text.contains(QStringLiteral("bild1.jpg"), Qt::CaseInsensitive) || w.Text == QStringLiteral("Gruppe:")) {
                EXPECT_GE(w.Oben, titelUnten - 0.5) << w.Text.toStdString();
            }
        }
        Bildschirmfoto(pdf, QStringLiteral("list_long_title_") + QString::fromLatin1(v.Datei).section('.', 0, 0));
    }
}

TEST_F(ListPrintTest, ThePassportRuleLiesBelowAGrownNote)
{
    Album(2);
    QStringList woerter;
    for (int i = 1; i <= 250; ++i)
        woerter << QStringLiteral("Notizwort%1").arg(i);
    Gehe(1);
    form->TableBilder->Edit();
    form->TableBilder->FieldByName("NOTIZ")->SetAsString(woerter.join(' '));
    form->TableBilder->Post();
    // Per page the boxes of the note and the rules, as the engine placed
    // them (thousandths of a millimetre); the note goes on over a page end.
    struct TSeite {
        QList<QPair<int, int>> Notiz;
        QList<int> Regeln;
        bool LetztesWort = false;
    };
    QList<TSeite> seiten;
    const auto seitenEnde = [&](TrgReport* bericht) {
        const TrgPage* seite = bericht->Engine()->Page();
        if (!seite || seite->CalculationOnly)
            return;
        TSeite s;
        for (int i = 0; i < seite->GetDrawCommandCount(); ++i) {
            const TrgDrawCommand* c = seite->GetDrawCommand(i);
            if (const auto* t = dynamic_cast<const TrgDrawText*>(c); t && t->IsMemo) {
                const QString zeilen = t->WrappedText()->Text();
                if (zeilen.contains(QStringLiteral("Notizwort"))) {
                    s.Notiz << qMakePair(t->Top, t->Top + t->Height);
                    s.LetztesWort = s.LetztesWort || zeilen.contains(woerter.last());
                }
            }
            if (const auto* l = dynamic_cast<const TrgDrawLine*>(c); l && l->Pen.Color == clGray)
                s.Regeln << (l->LinePosition == lpBottom ? l->Top + l->Height : l->Top);
        }
        seiten << s;
    };
    const QString pdf = Pdf("pass.pdf");
    // The report with its template loaded goes to the printer.
    form->Druck().ListenAusgabe = [&](TrgReport* bericht) {
        bericht->OnEndPage = [&, bericht](TObject*) { seitenEnde(bericht); };
        ListeAufDrucker(bericht, pdf);
    };
    Drucken(kVorlagen[4]);
    ASSERT_GE(PdfSeiten(pdf), 2) << "the note goes on over a page end";
    int mitLetztemWort = 0;
    for (int k = 0; k < seiten.size(); ++k) {
        const TSeite& s = seiten[k];
        for (const auto& [oben, unten] : s.Notiz)
            for (const int y : s.Regeln)
                EXPECT_FALSE(y > oben && y < unten) << "page " << k + 1 << ": rule at " << y << " crosses the note "
                                                    << oben << ".." << unten;
        if (s.LetztesWort) {
            ++mitLetztemWort;
            const int unten = s.Notiz.last().second;
            EXPECT_TRUE(std::any_of(s.Regeln.begin(), s.Regeln.end(), [&](int y) { return y >= unten; }))
                << "page " << k + 1;
        }
    }
    EXPECT_GE(mitLetztemWort, 1);
    Bildschirmfoto(pdf, QStringLiteral("list_passport_rule"));
}

TEST_F(ListPrintTest, EachPictureIsInThePdfOnceAtThePrintResolutionOfItsFrame)
{
    // Pictures larger than their frames, with a camera's grain (which
    // compresses badly), in the layouts with more than one or a small frame.
    const int n = 4;
    Album(n);
    for (int i = 1; i <= n; ++i) {
        QImage bild(2400, 1800, QImage::Format_RGB32);
        uint32_t zufall = 7919u * uint32_t(i);
        for (int y = 0; y < bild.height(); ++y) {
            auto* zeile = reinterpret_cast<QRgb*>(bild.scanLine(y));
            for (int x = 0; x < bild.width(); ++x) {
                zufall = zufall * 1664525u + 1013904223u;
                const int korn = int(zufall >> 27);
                zeile[x] = qRgb((x / 10 + i * 50 + korn) & 255, (y / 8 + korn) & 255, ((x + y) / 20 + korn) & 255);
            }
        }
        ASSERT_TRUE(bild.save(QString::fromStdString((ordner / ("bild" + std::to_string(i) + ".jpg")).string()),
                              "JPEG", 90));
    }
    const struct {
        const TVorlage& Vorlage;
        double RahmenBreite, RahmenHoehe;  // mm
    } faelle[] = {{kVorlagen[4], 35, 45}, {kVorlagen[1], 84, 59}};
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.Vorlage.Datei);
        Gehe(1);
        const QString pdf = Pdf(QStringLiteral("aufloesung.pdf"));
        AufPdf(pdf);
        Drucken(f.Vorlage);
        ASSERT_TRUE(QFile::exists(pdf)) << prompts.Texte.join("|").toStdString();
        // pdfimages: page num type width height color comp bpc enc interp object-id ...
        QMap<QString, QSize> objekte;
        int platziert = 0;
        for (const QString& zeile : Werkzeug("pdfimages", {"-list", pdf}).split('\n', Qt::SkipEmptyParts).mid(2)) {
            const QStringList s = zeile.simplified().split(' ');
            ASSERT_GE(s.size(), 12) << zeile.toStdString();
            objekte[s[10] + " " + s[11]] = QSize(s[3].toInt(), s[4].toInt());
            ++platziert;
        }
        EXPECT_EQ(platziert, n * f.Vorlage.BilderJeEintrag);
        EXPECT_EQ(objekte.size(), n) << "each picture once";
        // The 4:3 picture fitted into its frame at the printer's 600 dpi.
        const double punkte = 600 / 25.4;
        const double mass = std::min(f.RahmenBreite * punkte / 2400, f.RahmenHoehe * punkte / 1800);
        qint64 pixel = 0;
        for (auto it = objekte.cbegin(); it != objekte.cend(); ++it) {
            EXPECT_NEAR(it.value().width(), 2400 * mass, 8) << it.key().toStdString();
            EXPECT_NEAR(it.value().height(), 1800 * mass, 8) << it.key().toStdString();
            pixel += qint64(it.value().width()) * it.value().height();
        }
        // No more than the embedded pixels uncompressed, and the pages' texts.
        EXPECT_LT(QFileInfo(pdf).size(), pixel * 3 + 256 * 1024);
        Bildschirmfoto(pdf, QStringLiteral("liste_aufloesung_") + QString::fromLatin1(f.Vorlage.Datei).section('.', 0, 0));
    }
}

namespace {

// A 4000 x 3000 camera picture: red rises to the right, green downwards,
// blue in 400-pixel squares, so a section from the wrong place or of the
// wrong picture shows in every channel.
QImage Kamerabild()
{
    QImage bild(4000, 3000, QImage::Format_RGB32);
    for (int y = 0; y < bild.height(); ++y) {
        auto* zeile = reinterpret_cast<QRgb*>(bild.scanLine(y));
        for (int x = 0; x < bild.width(); ++x)
            zeile[x] = qRgb(x * 255 / 3999, y * 255 / 2999, ((x / 400 + y / 400) % 2) * 200 + 20);
    }
    return bild;
}

// Mean difference per channel of two pictures of one size.
double MittlereAbweichung(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    qint64 summe = 0;
    for (int r = 0; r < x.height(); ++r) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(r));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(r));
        for (int c = 0; c < x.width(); ++c)
            summe += std::abs(qRed(p[c]) - qRed(q[c])) + std::abs(qGreen(p[c]) - qGreen(q[c])) +
                     std::abs(qBlue(p[c]) - qBlue(q[c]));
    }
    return double(summe) / (3.0 * x.width() * x.height());
}

// The template's first frame made smaller (width and height in thousandths
// of a millimetre), the file keeping its name and so its crop.
void RahmenVerkleinern(const QString& vorlage, int breite, int hoehe)
{
    QFile datei(vorlage);
    ASSERT_TRUE(datei.open(QIODevice::ReadOnly));
    QByteArray text = datei.readAll();
    datei.close();
    const qsizetype anfang = text.indexOf("object rgReport1Image1: TrgImage");
    ASSERT_GE(anfang, 0);
    const qsizetype ende = text.indexOf("object ", anfang + 10);
    QByteArray block = text.mid(anfang, ende - anfang);
    static const QRegularExpression hoeheZeile(QStringLiteral("mmHeight = \\d+")), breiteZeile(QStringLiteral("mmWidth = \\d+"));
    QString b = QString::fromLatin1(block);
    b.replace(hoeheZeile, QStringLiteral("mmHeight = %1").arg(hoehe));
    b.replace(breiteZeile, QStringLiteral("mmWidth = %1").arg(breite));
    text.replace(anfang, block.size(), b.toLatin1());
    ASSERT_TRUE(datei.open(QIODevice::WriteOnly | QIODevice::Truncate));
    datei.write(text);
}

}  // namespace

TEST_F(ListPrintTest, ACameraPictureIsDecodedAsSmallAsItsFramesAllowAndCutFromThatPicture)
{
    Album(1);
    const QImage ganz = Kamerabild();
    const QString datei = QString::fromStdString((ordner / "bild1.jpg").string());
    ASSERT_TRUE(ganz.save(datei, "JPEG", 92));
    const QImage dekodiert(datei);  // what the whole decode gives
    const struct {
        const char* Vorlage;
        int RahmenBreite, RahmenHoehe;  // thousandths of a millimetre; 0: as the template has it
        QSize Gedruckt;                 // the section the frames get
        QRect AusschnittGanz;           // that section in the whole picture
    } faelle[] = {
        // The JPEG decoder's 1/4 fills the 35 x 45 mm frames (827 x 620 of
        // the picture at 600 dpi), its 1/2 the 84 x 59 mm frame (1859 x 1394).
        {"BilderListe_Passbilder.RTM", 0, 0, QSize(1000, 750), QRect(0, 0, 4000, 3000)},
        {"BilderListe_Bildinfo.RTM", 0, 0, QSize(2000, 1500), QRect(0, 0, 4000, 3000)},
        // The large frames need every pixel (3402 x 2362, 2050 x 2953).
        {"BilderListe_GrossesBild8.RTM", 0, 0, QSize(4000, 2778), QRect(0, 0, 4000, 2778)},
        {"BilderListe_GrossesBild10.RTM", 0, 0, QSize(2083, 3000), QRect(0, 0, 2083, 3000)},
        // Half as large, the section is cut from the picture decoded at 1/2.
        {"BilderListe_GrossesBild8.RTM", 72000, 50000, QSize(2000, 1389), QRect(0, 0, 4000, 2778)},
        {"BilderListe_GrossesBild10.RTM", 43400, 62500, QSize(1042, 1500), QRect(0, 0, 2083, 3000)},
    };
    const double pixelJeMM = 600 / 25.4;
    for (const auto& f : faelle) {
        SCOPED_TRACE(std::string(f.Vorlage) + " " + std::to_string(f.RahmenBreite));
        if (f.RahmenBreite > 0)
            RahmenVerkleinern(ProgrammOrdner() + f.Vorlage, f.RahmenBreite, f.RahmenHoehe);
        Gehe(1);
        const QString pdf = Pdf(QStringLiteral("kamera.pdf"));
        AufPdf(pdf);
        form->DruckeBilderListe2(f.Vorlage);
        ASSERT_TRUE(QFile::exists(pdf)) << prompts.Texte.join("|").toStdString();

        auto* erstes = Bauteil<TrgImage>("rgReport1Image1");
        ASSERT_TRUE(erstes && erstes->Picture()->Graphic());
        const QImage gedruckt = erstes->Picture()->Graphic()->DrawImage();
        EXPECT_EQ(gedruckt.size(), f.Gedruckt);
        // Still at least the frame's pixels at the printer's resolution
        // along the side the picture fills.
        const double rahmenB = erstes->mmWidth() / 1000.0 * pixelJeMM, rahmenH = erstes->mmHeight() / 1000.0 * pixelJeMM;
        const double mass = std::min(rahmenB / gedruckt.width(), rahmenH / gedruckt.height());
        EXPECT_LE(mass, 1.0) << rahmenB << " x " << rahmenH;
        // The section of the smaller picture shows what the section of the
        // whole one shows.
        const QImage erwartet = dekodiert.copy(f.AusschnittGanz)
                                    .scaled(gedruckt.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_LT(MittlereAbweichung(gedruckt, erwartet), 3.0);
        // Only the section was decoded: the image window holds the file as
        // loaded, no decode of the whole picture.
        EXPECT_TRUE(form->ImageWindow1->ImageInWindow()->DecodedPixels().isNull());

        // The page as before: one entry, its picture once in the file, in
        // each frame at the frame's pixels.
        EXPECT_EQ(PdfSeiten(pdf), 1);
        EXPECT_EQ(Titel(PdfText(pdf)), QList<int>{1});
        const QStringList zeilen = Werkzeug("pdfimages", {"-list", pdf}).split('\n', Qt::SkipEmptyParts).mid(2);
        const bool passbild = QByteArray(f.Vorlage).contains("Passbilder");
        EXPECT_EQ(zeilen.size(), passbild ? 5 : 1);
        for (const QString& zeile : zeilen) {
            const QStringList s = zeile.simplified().split(' ');
            ASSERT_GE(s.size(), 5);
            EXPECT_NEAR(s[3].toInt(), gedruckt.width() * mass, 8) << zeile.toStdString();
            EXPECT_NEAR(s[4].toInt(), gedruckt.height() * mass, 8) << zeile.toStdString();
        }
        Bildschirmfoto(pdf, QStringLiteral("liste_kamera_") + QString::fromLatin1(f.Vorlage).section('.', 0, 0) +
                                (f.RahmenBreite > 0 ? QStringLiteral("_klein") : QString()));
    }
}

// The section is decoded for the resolution of the printer the list goes
// to: the large landscape frame (144 x 100 mm) needs every pixel of a
// camera picture at 600 dpi (the camera picture test above, on a raw queue
// that says no resolution of its own), half of them on a printer that
// prints at 300 dpi, and the PDF holds the section as it was decoded.
TEST_F(ListPrintTest, PicturesAreDecodedForTheResolutionOfThePrinterTheListGoesTo)
{
    // The printers are read before the main window takes its setups from them.
    lxtest::TPrivateCupsd grob({"Grob"});
    grob.SetPpd("Grob", lxtest::TPrivateCupsd::ColourPpd("Grob", true, 300));
    ASSERT_EQ(grob.Start(), "");
    rgSetPrinterSource(rgCreateCupsPrinterSource());
    Album(1);
    ASSERT_TRUE(Kamerabild().save(QString::fromStdString((ordner / "bild1.jpg").string()), "JPEG", 92));
    Gehe(1);
    const QString pdf = Pdf(QStringLiteral("aufloesung.pdf"));
    AufPdf(pdf);
    form->DruckeBilderListe2("BilderListe_GrossesBild8.RTM");
    ASSERT_TRUE(QFile::exists(pdf)) << prompts.Texte.join("|").toStdString();
    auto* erstes = Bauteil<TrgImage>("rgReport1Image1");
    ASSERT_TRUE(erstes && erstes->Picture()->Graphic());
    EXPECT_EQ(erstes->Picture()->Graphic()->DrawImage().size(), QSize(2000, 1389));
    // pdfimages: page num type width height ...
    const QStringList zeilen = Werkzeug("pdfimages", {"-list", pdf}).split('\n', Qt::SkipEmptyParts).mid(2);
    ASSERT_EQ(zeilen.size(), 1);
    const QStringList s = zeilen[0].simplified().split(' ');
    ASSERT_GE(s.size(), 5);
    EXPECT_EQ(QSize(s[3].toInt(), s[4].toInt()), QSize(2000, 1389)) << zeilen[0].toStdString();
    Bildschirmfoto(pdf, QStringLiteral("liste_kamera_300dpi"));
}

TEST_F(ListPrintTest, EscInTheProgressWindowStopsTheListAndNothingReachesTheQueue)
{
    Album(12);  // the passport sheet: four entries a page, three pages
    // The print lets events through; the tips of the start stay away.
    form->Timer2->SetEnabled(false);
    // Each run prints the list to the printer's queue through the report's
    // own progress window; escNachSeite > 0 presses Esc in it once that
    // page has been made (the window then tells of the page before).
    struct TLauf {
        bool Sichtbar = false, KnopfAn = false;
        QString Meldung;
        int Seiten = 0;  // printed pages ended
    };
    const auto drucken = [&](int escNachSeite) {
        TLauf lauf;
        form->Druck().ListenAusgabe = [&](TrgReport* bericht) {
            bericht->SetDevice(dvPrinter);
            bericht->SetShowPrintDialog(false);
            bericht->OnEndPage = [&, bericht](TObject*) {
                const TrgPage* seite = bericht->Engine()->Page();
                TrgCustomCancelDialog* fenster = bericht->CancelDialog();
                if (!seite || seite->CalculationOnly || bericht->Engine()->CountingPass() || !fenster)
                    return;
                ++lauf.Seiten;
                if (lauf.Seiten != escNachSeite)
                    return;
                // Once the job has run longer than a moment, the window is
                // there with its progress and its button.
                QTest::qWait(fenster->ShowDelay + 200);
                auto* dialog = dynamic_cast<TrgCancelDialog*>(fenster);
                ASSERT_NE(dialog, nullptr);
                lauf.Sichtbar = dialog->Handle()->isVisible();
                lauf.Meldung = dialog->memMessage->Text();
                lauf.KnopfAn = dialog->btnCancel->Enabled();
                EXPECT_TRUE(dialog->Handle()->grab().save(BildschirmfotoOrdner() + "/liste_fortschritt.png"));
                QTest::keyClick(dialog->Handle(), Qt::Key_Escape);
            };
            bericht->Print();
            bericht->OnEndPage = nullptr;
        };
        TPromptScript script;
        script.Modal([](TCustomForm& hinweis) { hinweis.ModalResult = mrOk; });
        // The job runs while the window is shown; it ends the window itself
        // when it is done, or was closed by Esc.
        script.Modal<TrgCancelDialog>([](TrgCancelDialog& fenster) {
            if (fenster.ModalResult == mrNone) {
                EXPECT_TRUE(fenster.ModalLoop(10000));
            }
        });
        Gehe(1);
        form->DruckeBilderListe2(QString::fromLatin1(kVorlagen[4].Datei));
        EXPECT_EQ(script.Pending(), 0u);
        return lauf;
    };

    const TLauf abgebrochen = drucken(2);
    EXPECT_TRUE(abgebrochen.Sichtbar);
    EXPECT_TRUE(abgebrochen.KnopfAn);
    // It tells the page printed last and the entry it is at: the ninth,
    // laid out for the third page when the second ended (the album lists
    // by title: Bild 1, 10, 11, 12, 2, 3, 4, 5, 6, ...).
    EXPECT_TRUE(abgebrochen.Meldung.contains(QStringLiteral("Seite 1 von 3"))) << abgebrochen.Meldung.toStdString();
    EXPECT_TRUE(abgebrochen.Meldung.contains(QStringLiteral("Eintrag 9: Bild 6"))) << abgebrochen.Meldung.toStdString();
    EXPECT_EQ(abgebrochen.Seiten, 2) << "no page is made after Esc";
    EXPECT_TRUE(cupsd.JobIds().isEmpty()) << "nothing reached the queue";
    EXPECT_TRUE(QDir(RunTempFolder()).entryList({QStringLiteral("rgjob*")}, QDir::Files).isEmpty());
    EXPECT_TRUE(DruckBildDateien(temp).isEmpty());
    EXPECT_EQ(Nr(), 1);

    // The program goes on: the same list prints whole the next time.
    const TLauf ganz = drucken(0);
    EXPECT_EQ(ganz.Seiten, 3);
    EXPECT_EQ(cupsd.JobIds().size(), 1);
}
