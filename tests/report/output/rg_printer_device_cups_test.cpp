// A report's pages printed through the printer device to a real CUPS
// scheduler (a private cupsd under a temporary folder): pages made on
// request by a publisher, the spooled PDF judged with poppler and qpdf, the
// job's copies and collation read back with ipptool.
#include <QDir>
#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include "fake_printer_source.h"
#include "job_files.h"
#include "platform/core/run_temp_folder.h"
#include "pdf_tools.h"
#include "printer_device_fixtures.h"
#include "private_cupsd.h"
#include "report/output/rg_printer_device.h"
#include "report/output/rg_printer_list.h"
#include "report/output/rg_publisher.h"

using rgtest::AddImageAt;
using rgtest::AddLineAt;
using rgtest::AddShapeAt;
using rgtest::AddTextAt;
using rgtest::kInch;
using rgtest::Matches;
using rgtest::RunTool;
using rgtest::ToolOutput;
using rgtest::TPageSource;

namespace {

class PrinterDeviceCupsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(cupsd_.Start(), "");
        rgSetPrinterSource(rgCreateCupsPrinterSource());
        oldTmp_ = qgetenv("TMPDIR");
        qputenv("TMPDIR", QByteArray(tmp_.str().c_str()));
        RemoveRunTempFolder();  // the run's folder is made anew inside
        device_ = std::make_unique<TrgPrinterDevice>(nullptr);
        device_->SetPublisher(&publisher_);
    }
    void TearDown() override
    {
        device_.reset();
        qputenv("TMPDIR", oldTmp_);
        rgtest::InstallFakePrinters({});  // no later test reaches a spooler
    }

    // Two pages of a picture list: titles, lines, shapes, a memo line and a picture each.
    static void FillPage(TrgPage& page, int number)
    {
        AddTextAt(page, "Bilderliste Urlaub", 20000, 15000, 170000, 8000);
        AddTextAt(page, QString("Seite %1 von 2").arg(number), 20000, 280000, 170000, 6000, taRightJustify);
        AddLineAt(page, lpBottom, number == 1 ? lsSingle : lsDouble, 1, 20000, 15000, 170000, 10000);
        AddShapeAt(page, number == 1 ? stRectangle : stEllipse, clSilver, 20000, 40000, 60000, 40000);
        QImage picture(64, 32, QImage::Format_RGB32);
        picture.fill(number == 1 ? Qt::darkGreen : Qt::darkBlue);
        AddImageAt(page, picture, 100000, 40000, 60000, 40000)->Stretch = true;
        auto* memo = AddTextAt(page, QString("Nr. %1\tStrand.jpg\tRimini").arg(number), 20000, 100000, 170000, 6000);
        memo->IsMemo = true;
        TStringList stops;
        stops.AddStrings({"30000", "90000"});
        memo->SetTabStopPositions(stops);
    }

    QStringList TemporaryFiles() const { return FilesBelow(tmp_.str()); }

    lxtest::TPrivateCupsd cupsd_{{"Probe"}};
    lxtest::TempDir tmp_;
    QByteArray oldTmp_;
    TrgPublisher publisher_{nullptr};
    std::unique_ptr<TrgPrinterDevice> device_;
};

TEST_F(PrinterDeviceCupsTest, TwoPagesOfDrawCommandsReachTheSchedulerAsAGoodPdf)
{
    TPageSource source(publisher_, 2, FillPage);
    publisher_.PublishJob();

    const int job = device_->Printer()->LastJobId();
    ASSERT_GT(job, 0);
    EXPECT_EQ(cupsd_.JobIds(), QList<int>({job}));
    const QMap<QString, QString> attributes = cupsd_.JobAttributes(job);
    EXPECT_EQ(attributes.value("job-name"), "Bilderliste");
    EXPECT_EQ(attributes.value("copies"), "1");
    EXPECT_EQ(attributes.value("media"), "iso_a4_210x297mm");
    const QStringList files = cupsd_.JobFiles();
    ASSERT_EQ(files.size(), 1);
    const QString file = files[0];
    EXPECT_TRUE(Matches(ToolOutput("pdfinfo", {file}), "Pages:\\s+2\\n"));

    // Text and order: each page's title, its memo line with the tabs laid
    // out as columns, and its page number, page 1 before page 2.
    const QString text = ToolOutput("pdftotext", {"-layout", file, "-"});
    const QStringList pages = text.split('\f');
    ASSERT_GE(pages.size(), 2) << text.toStdString();
    for (int n = 1; n <= 2; ++n) {
        SCOPED_TRACE(n);
        const QString page = pages[n - 1];
        const qsizetype title = page.indexOf("Bilderliste Urlaub");
        const qsizetype memo = page.indexOf(QRegularExpression(QString("Nr\\. %1 +Strand\\.jpg +Rimini").arg(n)));
        const qsizetype number = page.indexOf(QString("Seite %1 von 2").arg(n));
        EXPECT_GE(title, 0) << page.toStdString();
        EXPECT_GT(memo, title) << page.toStdString();
        EXPECT_GT(number, memo) << page.toStdString();
    }

    // One picture per page, at its own size.
    const QString images = ToolOutput("pdfimages", {"-list", file});
    for (int n = 1; n <= 2; ++n)
        EXPECT_TRUE(Matches(images, QString("\\n\\s+%1\\s+\\d+\\s+image\\s+64\\s+32\\s").arg(n))) << images.toStdString();

    // Fonts embedded with Unicode maps, the face the report asked for.
    ASSERT_NO_FATAL_FAILURE(rgtest::ExpectEmbeddedFontsAndSoundFile(file));
    EXPECT_TRUE(TemporaryFiles().isEmpty());
}

TEST_F(PrinterDeviceCupsTest, CopiesAndCollationAsTheSchedulerSeesThem)
{
    struct Case {
        bool collate;
        QString copies, collateAttribute;
        int pages;
    };
    const Case cases[] = {{false, "2", "false", 2}, {true, "1", "true", 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.collate ? "collated" : "not collated");
        // A new device for each print run, as the producer makes one.
        device_ = std::make_unique<TrgPrinterDevice>(nullptr);
        device_->SetPublisher(&publisher_);
        TPageSource source(publisher_, 2, FillPage);
        source.Setup.SetCopies(2);
        source.Setup.SetCollation(c.collate);
        publisher_.PublishJob();

        const int job = device_->Printer()->LastJobId();
        ASSERT_GT(job, 0);
        const QMap<QString, QString> attributes = cupsd_.JobAttributes(job);
        EXPECT_EQ(attributes.value("copies"), c.copies);
        EXPECT_EQ(attributes.value("Collate"), c.collateAttribute);
        const QString file = cupsd_.JobFiles().last();
        EXPECT_TRUE(Matches(ToolOutput("pdfinfo", {file}), QString("Pages:\\s+%1\\n").arg(c.pages)));
        const QString text = ToolOutput("pdftotext", {"-layout", file, "-"});
        EXPECT_EQ(text.count("Seite 1 von 2"), c.pages / 2);
        EXPECT_EQ(text.count("Seite 2 von 2"), c.pages / 2);
    }
    EXPECT_EQ(cupsd_.JobIds().size(), 2);
}

TEST_F(PrinterDeviceCupsTest, ACancelledJobLeavesNoJob)
{
    TPageSource source(publisher_, 2, FillPage);
    device_->OnReceivePage = [&](TObject*, TrgPage* page) {
        if (page->AbsolutePageNo == 2) {
            source.Cancelled = true;
            publisher_.CancelJob();
        }
    };
    publisher_.PublishJob();
    EXPECT_TRUE(cupsd_.JobIds().isEmpty());
    EXPECT_TRUE(cupsd_.JobFiles().isEmpty());
    EXPECT_EQ(device_->Printer()->LastJobId(), 0);
    EXPECT_TRUE(TemporaryFiles().isEmpty());
}

TEST_F(PrinterDeviceCupsTest, AFailingPainterGivesPrintErrorAndNoJob)
{
    TPageSource source(publisher_, 2, FillPage);
    // The job's file turns into a folder before the first page: the PDF
    // writer cannot open it.
    device_->OnReceivePage = [&](TObject*, TrgPage*) {
        FilesBelowToFolders(tmp_.str());
    };
    EXPECT_THROW(publisher_.PublishJob(), EPrintError);
    EXPECT_TRUE(cupsd_.JobIds().isEmpty());
    EXPECT_TRUE(cupsd_.JobFiles().isEmpty());
    EXPECT_FALSE(device_->Busy());
}

TEST_F(PrinterDeviceCupsTest, PrintingToAChosenFileKeepsThatFileAndSpoolsNothing)
{
    lxtest::TempDir out;
    const QString file = QString::fromStdString((out / "liste.pdf").string());
    QFile old(file);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("alt");
    old.close();
    device_->Printer()->OutputFileName = file;
    TPageSource source(publisher_, 2, FillPage);
    publisher_.PublishJob();
    EXPECT_TRUE(Matches(ToolOutput("pdfinfo", {file}), "Pages:\\s+2\\n"));
    EXPECT_TRUE(ToolOutput("pdftotext", {"-layout", file, "-"}).contains("Seite 2 von 2"));
    EXPECT_EQ(QDir(QString::fromStdString(out.str())).entryList(QDir::Files), QStringList({"liste.pdf"}));
    EXPECT_TRUE(cupsd_.JobIds().isEmpty());
}


// The darkest pixel of a box of the page (inches), where the text's own
// colour shows undiluted by the white around its strokes.
QColor DarkestPixel(const QString& pdf, QRectF inches)
{
    constexpr int dpi = 150;
    lxtest::TempDir dir;
    const QString out = QString::fromStdString((dir / "page").string());
    ToolOutput("pdftoppm", {"-r", QString::number(dpi), "-f", "1", "-l", "1", "-x",
                            QString::number(std::lround(inches.left() * dpi)), "-y",
                            QString::number(std::lround(inches.top() * dpi)), "-W",
                            QString::number(std::lround(inches.width() * dpi)), "-H",
                            QString::number(std::lround(inches.height() * dpi)), "-singlefile", "-png", pdf, out});
    const QImage image = QImage(out + ".png").convertToFormat(QImage::Format_RGB32);
    QColor darkest = Qt::white;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.lightness() < darkest.lightness())
                darkest = c;
        }
    return darkest;
}

bool Near(QColor a, QColor b)
{
    return std::abs(a.red() - b.red()) < 24 && std::abs(a.green() - b.green()) < 24 && std::abs(a.blue() - b.blue()) < 24;
}

// A queue without a colour driver (the scheduler's raw queue) still gets the
// texts in their own colours, spooled and printed to a chosen file alike:
// the queue's filters render the colours as the printer can.
TEST_F(PrinterDeviceCupsTest, TextKeepsItsColourOnTheQueueAndInAChosenFile)
{
    lxtest::TempDir out;
    const QString chosen = QString::fromStdString((out / "farbig.pdf").string());
    for (const bool toFile : {false, true}) {
        SCOPED_TRACE(toFile ? "chosen file" : "queue");
        device_ = std::make_unique<TrgPrinterDevice>(nullptr);
        device_->SetPublisher(&publisher_);
        if (toFile)
            device_->Printer()->OutputFileName = chosen;
        TPageSource source(publisher_, 1, [](TrgPage& page, int) {
            for (auto [text, colour, top] : {std::tuple{"Beschriftung", clGray, 20000},
                                             std::tuple{"Strand.jpg", clNavy, 40000},
                                             std::tuple{"Schwarz", clBlack, 60000}}) {
                TrgDrawText* command = AddTextAt(page, text, 20000, top, 120000, 12000);
                command->Font()->SetSize(24);
                command->Font()->SetStyle({fsBold});
                command->Font()->SetColor(colour);
            }
        });
        publisher_.PublishJob();
        const QString file = toFile ? chosen : cupsd_.JobFiles().value(0);
        ASSERT_FALSE(file.isEmpty());
        const double inch = kInch;
        const auto box = [inch](int top) { return QRectF(20000 / inch, top / inch, 120000 / inch, 12000 / inch); };
        const QColor grey = DarkestPixel(file, box(20000)), navy = DarkestPixel(file, box(40000)),
                     black = DarkestPixel(file, box(60000));
        EXPECT_TRUE(Near(grey, QColor(128, 128, 128))) << grey.name().toStdString();
        EXPECT_TRUE(Near(navy, QColor(0, 0, 128))) << navy.name().toStdString();
        EXPECT_TRUE(Near(black, Qt::black)) << black.name().toStdString();
    }
}

}  // namespace

namespace {

// One colour rule for every queue: black-and-white only where the queue says
// so (its PPD's ColorDevice False, which the scheduler reports as
// color-supported false); a colour PPD and a raw queue, which says nothing
// about colour, keep the texts' colours.
TEST(PrinterColourRule, QueuesThatSayBlackAndWhitePrintTextBlackOthersKeepColours)
{
    lxtest::TPrivateCupsd cupsd({"Roh", "Farbe", "Schwarzweiss"});
    cupsd.SetPpd("Farbe", lxtest::TPrivateCupsd::ColourPpd("Farbe", true));
    cupsd.SetPpd("Schwarzweiss", lxtest::TPrivateCupsd::ColourPpd("Schwarzweiss", false));
    ASSERT_EQ(cupsd.Start(), "");
    rgSetPrinterSource(rgCreateCupsPrinterSource());
    TrgPublisher publisher(nullptr);
    struct Fall {
        const char* Queue;
        bool Colour;
    };
    for (const Fall& f : {Fall{"Roh", true}, Fall{"Farbe", true}, Fall{"Schwarzweiss", false}}) {
        SCOPED_TRACE(f.Queue);
        EXPECT_EQ(rgDevicePrintsColour(f.Queue), f.Colour);
        const int before = cupsd.JobFiles().size();
        TrgPrinterDevice device(nullptr);
        device.SetPublisher(&publisher);
        device.Printer()->SetPrinterName(f.Queue);
        EXPECT_EQ(device.Printer()->GetColorPrinter(), f.Colour);
        TPageSource source(publisher, 1, [](TrgPage& page, int) {
            for (auto [text, colour, top] : {std::tuple{"Beschriftung", clGray, 20000},
                                             std::tuple{"Strand.jpg", clNavy, 40000}}) {
                TrgDrawText* command = AddTextAt(page, text, 20000, top, 120000, 12000);
                command->Font()->SetSize(24);
                command->Font()->SetStyle({fsBold});
                command->Font()->SetColor(colour);
            }
        });
        publisher.PublishJob();
        const QStringList files = cupsd.JobFiles();
        ASSERT_EQ(files.size(), before + 1);
        const int job = device.Printer()->LastJobId();
        EXPECT_EQ(cupsd.JobAttributes(job).value("job-printer-uri").section('/', -1), f.Queue);
        const double inch = kInch;
        const auto box = [inch](int top) { return QRectF(20000 / inch, top / inch, 120000 / inch, 12000 / inch); };
        const QColor grey = DarkestPixel(files.last(), box(20000)), navy = DarkestPixel(files.last(), box(40000));
        EXPECT_TRUE(Near(grey, f.Colour ? QColor(128, 128, 128) : QColor(Qt::black))) << grey.name().toStdString();
        EXPECT_TRUE(Near(navy, f.Colour ? QColor(0, 0, 128) : QColor(Qt::black))) << navy.name().toStdString();
    }
    rgtest::InstallFakePrinters({});
}

}  // namespace

namespace {

// A queue's default resolution comes from the scheduler (a raw queue says
// none); pictures are sized for it, never beyond a job's own resolution.
TEST(PrinterResolution, PicturesFollowTheQueuesResolutionUpToAJobs)
{
    lxtest::TPrivateCupsd cupsd({"Roh", "Grob", "Fein"});
    cupsd.SetPpd("Grob", lxtest::TPrivateCupsd::ColourPpd("Grob", true, 300));
    cupsd.SetPpd("Fein", lxtest::TPrivateCupsd::ColourPpd("Fein", true, 1200));
    ASSERT_EQ(cupsd.Start(), "");
    rgSetPrinterSource(rgCreateCupsPrinterSource());
    const struct {
        const char* Queue;
        int Resolution, Picture;
    } faelle[] = {{"Roh", 0, TrgPrinter::kResolution}, {"Default", 0, TrgPrinter::kResolution},
                  {"Grob", 300, 300}, {"Fein", 1200, TrgPrinter::kResolution}, {"Fehlt", -1, TrgPrinter::kResolution}};
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.Queue);
        TrgPrinterInfo* info = rgGetPrinterList()->GetPrinterInfo(f.Queue);
        if (f.Resolution >= 0) {
            ASSERT_NE(info, nullptr);
            EXPECT_EQ(info->GetCapabilities()->Resolution, f.Resolution);
        }
        EXPECT_EQ(TrgPrinter::PictureResolution(f.Queue), f.Picture);
    }
    rgtest::InstallFakePrinters({});
}

}  // namespace
