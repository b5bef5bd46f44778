// The printer device between a publisher and a printer: pages made on
// request, every draw command painted where it was laid out, progress
// messages, a stamp on every page, collated copies, cancel and failure.
// The spooler is a recording double; the output PDF is judged with poppler.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "fake_printer_source.h"
#include "job_files.h"
#include "platform/core/run_temp_folder.h"
#include "fake_text_measure.h"
#include "page_fixtures.h"
#include "pdf_tools.h"
#include "printer_device_fixtures.h"
#include "recording_spooler.h"
#include "report/output/rg_printer_device.h"
#include "report/output/rg_publisher.h"
#include "test_environment.h"

using rgtest::AddImageAt;
using rgtest::AddLineAt;
using rgtest::AddShapeAt;
using rgtest::AddTextAt;
using rgtest::kInch;
using rgtest::Matches;
using rgtest::PdfWords;
using rgtest::Points;
using rgtest::ToolOutput;
using rgtest::TPageSource;
using rgtest::TPdfWord;

namespace {

class PrinterDeviceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        rgtest::InstallFakePrinters({rgtest::OfficeLaser("Laser")});
        oldTmp_ = qgetenv("TMPDIR");
        qputenv("TMPDIR", QByteArray(tmp_.str().c_str()));
        RemoveRunTempFolder();  // the run's folder is made anew inside
        NewDevice();
    }
    // A printer device as the producer makes one for each print run.
    void NewDevice()
    {
        device_.reset();
        device_ = std::make_unique<TrgPrinterDevice>(nullptr);
        device_->Printer()->SetSpooler(
            std::make_unique<rgtest::TRecordingSpooler>(jobs_, QString::fromStdString(kept_.str())));
        device_->SetPublisher(&publisher_);
    }
    void TearDown() override
    {
        device_.reset();
        qputenv("TMPDIR", oldTmp_);
        rgtest::InstallFakePrinters({});
    }

    QStringList TemporaryFiles() const { return FilesBelow(tmp_.str()); }

    // The only job's file.
    QString JobFile() const
    {
        EXPECT_EQ(jobs_.size(), 1u);
        return jobs_.empty() ? QString() : jobs_[0].FileName;
    }

    // The word of a page; fails when it is not there exactly once.
    static TPdfWord Word(const std::vector<TPdfWord>& words, const QString& text, int page = 1)
    {
        std::vector<TPdfWord> found;
        for (const TPdfWord& w : words) {
            if (w.Text == text && w.Page == page)
                found.push_back(w);
        }
        EXPECT_EQ(found.size(), 1u) << text.toStdString() << " on page " << page;
        return found.empty() ? TPdfWord{} : found[0];
    }

    // One page of the job at `dpi`, cut to a rectangle given in inches.
    QImage Render(int page, int dpi, QRectF inches = QRectF(0, 0, 8.27, 11.69)) const
    {
        const QString out = QString::fromStdString((kept_ / "render").string());
        QFile::remove(out + ".png");
        ToolOutput("pdftoppm", {"-r", QString::number(dpi), "-f", QString::number(page), "-l", QString::number(page),
                                "-x", QString::number(std::lround(inches.left() * dpi)), "-y",
                                QString::number(std::lround(inches.top() * dpi)), "-W",
                                QString::number(std::lround(inches.width() * dpi)), "-H",
                                QString::number(std::lround(inches.height() * dpi)), "-singlefile", "-png",
                                JobFile(), out});
        return QImage(out + ".png").convertToFormat(QImage::Format_RGB32);
    }

    lxtest::TempDir tmp_, kept_;
    QByteArray oldTmp_;
    std::vector<TrgSpoolJob> jobs_;
    TrgPublisher publisher_{nullptr};
    std::unique_ptr<TrgPrinterDevice> device_;
};

bool Red(QColor c)
{
    return c.red() > 200 && c.green() < 80 && c.blue() < 80;
}
bool White(QColor c)
{
    return c.red() > 230 && c.green() > 230 && c.blue() > 230;
}
bool Blue(QColor c)
{
    return c.blue() > 200 && c.red() < 80 && c.green() < 80;
}

TEST_F(PrinterDeviceTest, IsRegisteredByItsClassName)
{
    rgRegisterPrinterDeviceClasses();
    const TClassInfo* info = GetClass("TrgPrinterDevice");
    ASSERT_NE(info, nullptr);
    ASSERT_TRUE(info->Create);
    std::unique_ptr<TComponent> made(info->Create(nullptr));
    EXPECT_NE(dynamic_cast<TrgPrinterDevice*>(made.get()), nullptr);
    EXPECT_TRUE(info->InheritsFrom(ClassInfoFor<TrgDevice>()));
    EXPECT_TRUE(info->InheritsFrom(ClassInfoFor<TrgRasterDevice>()));
}

// ---- text ------------------------------------------------------------------------------

TEST(PrinterDeviceTextBlock, TheCommandLaidOutInMeasureUnits)
{
    TFakeTextMeasure measure;  // 1200 units per inch, lines 200 high
    struct Case {
        const char* name;
        std::function<void(TrgDrawText&)> set;
        QStringList lines;
        int lineHeight;
        std::vector<int> tabStops;
    };
    const Case cases[] = {
        {"one line", [](TrgDrawText&) {}, {"Alpha\tBeta"}, 200, {}},
        {"word wrapped: the lines the layout made",
         [](TrgDrawText& c) {
             c.WordWrap = true;
             TStringList lines;
             lines.AddStrings({"Alpha", "Beta"});
             c.SetWrappedText(lines);
         },
         {"Alpha", "Beta"}, 200, {}},
        {"a memo line: leading and tab stops",
         [](TrgDrawText& c) {
             c.IsMemo = true;
             c.Leading = 1270;  // 0.05 inch
             TStringList stops;
             stops.AddStrings({"25400", "50800"});
             c.SetTabStopPositions(stops);
         },
         {"Alpha\tBeta"}, 260, {1200, 2400}},
        {"tab stops of a text that is no memo are not used",
         [](TrgDrawText& c) {
             TStringList stops;
             stops.AddStrings({"25400"});
             c.SetTabStopPositions(stops);
             c.Leading = 1270;
         },
         {"Alpha\tBeta"}, 200, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TrgDrawText command(nullptr);
        command.Text = "Alpha\tBeta";
        command.Left = kInch;
        command.Top = 2 * kInch;
        command.Width = kInch / 2;
        command.Height = kInch / 4;
        command.Alignment = taCenter;
        command.AutoSize = true;
        command.Color = clYellow;
        c.set(command);
        const TrgTextBlock block = rgTextBlockOf(command, measure);
        EXPECT_EQ(block.Box, QRect(1200, 2400, 600, 300));
        EXPECT_EQ(block.Lines, c.lines);
        EXPECT_EQ(block.LineHeight, c.lineHeight);
        EXPECT_EQ(block.TabStops, c.tabStops);
        EXPECT_EQ(block.Alignment, taCenter);
        EXPECT_TRUE(block.AutoSize);
        EXPECT_EQ(block.Color, QColor(255, 255, 0));
    }
}

TEST_F(PrinterDeviceTest, TextsLandWhereTheyWereLaidOutWithTheLayoutsWidths)
{
    TrgDrawText* left = nullptr;
    TPageSource source(publisher_, 1, [&](TrgPage& page, int) {
        left = AddTextAt(page, "Links", 20000, 20000, 100000, 6000);
        AddTextAt(page, "Rechts", 20000, 30000, 100000, 6000, taRightJustify);
        AddTextAt(page, "Mitte", 20000, 40000, 100000, 6000, taCenter);
        auto* wrapped = AddTextAt(page, "", 20000, 60000, 100000, 30000);
        wrapped->WordWrap = true;
        TStringList lines;
        lines.AddStrings({"Erste", "Zweite", "Dritte"});
        wrapped->SetWrappedText(lines);
    });
    publisher_.PublishJob();

    TrgFontMetricsMeasure measure;
    measure.SetFont(*left->Font());
    const auto width = [&](const QString& text) { return measure.TextWidth(text) * 72.0 / rgMeasureUnitsPerInch; };
    const std::vector<TPdfWord> words = PdfWords(JobFile());
    const TPdfWord links = Word(words, "Links"), rechts = Word(words, "Rechts"), mitte = Word(words, "Mitte");
    EXPECT_NEAR(links.XMin, Points(20000), 0.3);
    EXPECT_NEAR(links.XMax - links.XMin, width("Links"), 0.3);
    EXPECT_NEAR(rechts.XMax, Points(120000), 0.3);
    EXPECT_NEAR(rechts.XMax - rechts.XMin, width("Rechts"), 0.3);
    EXPECT_NEAR((mitte.XMin + mitte.XMax) / 2, Points(70000), 0.3);

    // The wrapped lines one line height apart: the font's height and its external leading.
    const double lineHeight = (measure.TextHeight() + measure.ExternalLeading()) * 72.0 / rgMeasureUnitsPerInch;
    const TPdfWord first = Word(words, "Erste"), second = Word(words, "Zweite"), third = Word(words, "Dritte");
    EXPECT_NEAR(first.XMin, Points(20000), 0.3);
    EXPECT_NEAR(second.YMin - first.YMin, lineHeight, 0.05);
    EXPECT_NEAR(third.YMin - second.YMin, lineHeight, 0.05);
    EXPECT_GT(first.YMin, Points(60000));
    EXPECT_LT(first.YMin, Points(60000) + lineHeight);
}

TEST_F(PrinterDeviceTest, AMemoLineExpandsItsTabsAtItsTabStops)
{
    TPageSource source(publisher_, 1, [&](TrgPage& page, int) {
        auto* memo = AddTextAt(page, "Nr\tName\tOrt", 10000, 20000, 150000, 6000);
        memo->IsMemo = true;
        TStringList stops;
        stops.AddStrings({"30000", "80000"});
        memo->SetTabStopPositions(stops);
    });
    publisher_.PublishJob();
    const std::vector<TPdfWord> words = PdfWords(JobFile());
    EXPECT_NEAR(Word(words, "Nr").XMin, Points(10000), 0.3);
    EXPECT_NEAR(Word(words, "Name").XMin, Points(40000), 0.3);
    EXPECT_NEAR(Word(words, "Ort").XMin, Points(90000), 0.3);
}

TEST_F(PrinterDeviceTest, CommandsBeyondThePaperAreNotPainted)
{
    // A4 portrait: 210 x 297 mm.
    TPageSource source(publisher_, 1, [&](TrgPage& page, int) {
        AddTextAt(page, "Innen", 20000, 280000, 50000, 6000);
        AddTextAt(page, "Rechtsdraussen", 210001, 20000, 50000, 6000);
        AddTextAt(page, "Untendraussen", 20000, 297001, 50000, 6000);
    });
    publisher_.PublishJob();
    EXPECT_EQ(rgtest::WordTexts(PdfWords(JobFile())), QStringList({"Innen"}));
}

TEST_F(PrinterDeviceTest, TextTakesTheFontsColourAndAFilledBox)
{
    TPageSource source(publisher_, 1, [&](TrgPage& page, int) {
        auto* text = AddTextAt(page, "WWWW", kInch, kInch, kInch, kInch / 2);
        text->Font()->SetColor(clRed);
        text->Font()->SetSize(24);
        text->Transparent = false;
        text->Color = clBlue;
    });
    publisher_.PublishJob();
    const QImage image = Render(1, 100, QRectF(1, 1, 1, 0.5));
    ASSERT_FALSE(image.isNull());
    int red = 0, blue = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            red += Red(image.pixelColor(x, y));
            blue += Blue(image.pixelColor(x, y));
        }
    }
    EXPECT_GT(red, 100) << "the text in its font's colour";
    EXPECT_GT(blue, 1000) << "the box filled with the command's colour";
}

// Texts that fit their boxes are written without a clip and share one
// painter state, so a long list costs the PDF writer no more than its
// texts; a text wider than its box is still cut at the box's edge, and a
// line after the texts is drawn in printer pixels as before.
TEST_F(PrinterDeviceTest, TextsThatFitTheirBoxesAreWrittenWithoutAClip)
{
    TPageSource source(publisher_, 1, [&](TrgPage& page, int) {
        for (int row = 0; row < 3; ++row)
            AddTextAt(page, QString("Bild_%1.jpg").arg(row), kInch, kInch + row * kInch / 4, 2 * kInch, kInch / 4);
        AddTextAt(page, "Rechts", kInch, 2 * kInch, 2 * kInch, kInch / 4, taRightJustify);
        AddTextAt(page, "WWWWWWWWWWWW", kInch, 3 * kInch, kInch / 2, kInch / 4);  // wider than its box
        AddLineAt(page, lpBottom, lsSingle, 1, kInch, 4 * kInch, kInch, kInch / 2)->Pen.Width = 1;
        AddTextAt(page, "Danach", kInch, 5 * kInch, 2 * kInch, kInch / 4);
    });
    publisher_.PublishJob();
    const QString qdf = QString::fromStdString((kept_ / "seite.qdf").string());
    ToolOutput("qpdf", {"--qdf", "--object-streams=disable", JobFile(), qdf});
    QFile file(qdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    EXPECT_EQ(content.count("BT\n"), 6);
    EXPECT_EQ(content.count("W n\n") + content.count("W* n\n"), 1) << "only the overflowing text is clipped";

    // The overflowing text ends at its box's edge (1.5 inch).
    const QImage cut = Render(1, 100, QRectF(1, 3, 2, 0.25));
    ASSERT_FALSE(cut.isNull());
    int inkRight = -1;
    for (int y = 0; y < cut.height(); ++y)
        for (int x = 0; x < cut.width(); ++x)
            if (qGray(cut.pixel(x, y)) < 128)
                inkRight = std::max(inkRight, x);
    EXPECT_GT(inkRight, 40);
    EXPECT_LE(inkRight, 50);
    // The line's bottom edge at row 2700 of 600 pixels per inch, 8 pixels thick.
    const QImage line = Render(1, 600, QRectF(1.5, 4.5 - 10 / 600.0, 1 / 600.0, 20 / 600.0));
    ASSERT_EQ(line.height(), 20);
    for (int row = 0; row < 20; ++row) {
        const int d = 2700 - (2690 + row);
        EXPECT_EQ(qGray(line.pixel(0, row)) < 128, d >= 0 && d < 8) << "row " << 2690 + row;
    }
    const std::vector<TPdfWord> words = PdfWords(JobFile());
    EXPECT_NEAR(Word(words, "Danach").XMin, 72, 1);
    EXPECT_NEAR(Word(words, "Bild_2.jpg").XMin, 72, 1);
    EXPECT_NEAR(Word(words, "Rechts").XMax, 3 * 72, 1.5);
}

// ---- lines and shapes -------------------------------------------------------------------

TEST_F(PrinterDeviceTest, ADoubleBottomLineIsTwoBandsOfItsThickness)
{
    // 1 point at 600 pixels per inch: 8 pixels; the second line 16 pixels in.
    TPageSource source(publisher_, 1, [&](TrgPage& page, int) {
        AddLineAt(page, lpBottom, lsDouble, 1, kInch, kInch, kInch, kInch / 2)->Pen.Width = 1;
    });
    publisher_.PublishJob();
    // Rows 590..610 of column 900 (the command's bottom edge lies at row 900).
    const QImage image = Render(1, 600, QRectF(1.5, 1.5 - 10 / 600.0, 1 / 600.0, 40 / 600.0));
    ASSERT_EQ(image.height(), 40);
    for (int row = 0; row < 40; ++row) {
        const int y = 890 + row;
        const int d = 900 - y;  // distance inwards from the edge
        const bool inked = (d >= 0 && d < 8) || (d >= 16 && d < 24);
        EXPECT_EQ(qGray(image.pixel(0, row)) < 128, inked) << "row " << y;
    }
}

TEST_F(PrinterDeviceTest, ShapesAreFilledWithTheirBrush)
{
    TPageSource source(publisher_, 1, [&](TrgPage& page, int) {
        AddShapeAt(page, stRectangle, clBlue, kInch, kInch, kInch, kInch);
        AddShapeAt(page, stEllipse, clRed, 3 * kInch, kInch, kInch, kInch);
    });
    publisher_.PublishJob();
    const QImage image = Render(1, 100);
    EXPECT_TRUE(Blue(image.pixelColor(105, 105)));  // a rectangle reaches into its corners
    EXPECT_TRUE(Red(image.pixelColor(350, 150)));
    EXPECT_TRUE(White(image.pixelColor(305, 105)));  // an ellipse does not
}

// ---- pictures ---------------------------------------------------------------------------

QImage RedPicture()
{
    QImage image(48, 24, QImage::Format_RGB32);  // half an inch by a quarter on the screen
    image.fill(Qt::red);
    return image;
}

TEST_F(PrinterDeviceTest, PicturesAreLaidOutInTheirBox)
{
    // A box of one inch at (1 in, 1 in); probes in hundredths of an inch within it.
    struct Case {
        const char* name;
        bool icon, stretch, aspect, center, directDraw;
        std::vector<QPoint> red, white;
    };
    const Case cases[] = {
        {"a bitmap as it is", false, false, false, false, false, {{25, 12}}, {{75, 12}, {25, 37}}},
        {"a bitmap centred", false, false, false, true, false, {{50, 50}}, {{10, 50}, {50, 30}, {90, 50}}},
        {"a bitmap stretched", false, true, false, false, false, {{5, 5}, {95, 95}}, {}},
        {"a bitmap stretched keeping its aspect", false, true, true, false, false, {{90, 25}}, {{50, 75}}},
        {"another graphic as it is", true, false, false, false, false, {{25, 12}}, {{75, 12}, {25, 37}}},
        {"another graphic centred", true, false, false, true, false, {{50, 50}}, {{10, 50}, {90, 50}}},
        {"another graphic drawn straight into the box", true, false, false, false, true, {{5, 5}, {95, 95}}, {}},
    };
    const int count = int(std::size(cases));
    TPageSource source(publisher_, count, [&](TrgPage& page, int n) {
        const Case& c = cases[n - 1];
        TrgDrawImage* image = AddImageAt(page, RedPicture(), kInch, kInch, kInch, kInch, c.icon);
        image->Stretch = c.stretch;
        image->MaintainAspectRatio = c.aspect;
        image->Center = c.center;
        image->DirectDraw = c.directDraw;
    });
    publisher_.PublishJob();
    const QString list = ToolOutput("pdfimages", {"-list", JobFile()});
    EXPECT_EQ(list.count(QRegularExpression(R"(\n\s+\d+\s+\d+\s+image\s+48\s+24\s)")), count) << list.toStdString();
    for (int n = 1; n <= count; ++n) {
        const Case& c = cases[n - 1];
        SCOPED_TRACE(c.name);
        const QImage image = Render(n, 100, QRectF(1, 1, 1, 1));
        for (QPoint p : c.red)
            EXPECT_TRUE(Red(image.pixelColor(p))) << p.x() << "," << p.y();
        for (QPoint p : c.white)
            EXPECT_TRUE(White(image.pixelColor(p))) << p.x() << "," << p.y();
    }
}

TEST_F(PrinterDeviceTest, ATransparentPictureLetsWhatLiesBeneathShowThroughItsWhite)
{
    QImage picture(48, 24, QImage::Format_RGB32);
    picture.fill(Qt::white);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 24; ++x)
            picture.setPixel(x, y, qRgb(255, 0, 0));
    TPageSource source(publisher_, 2, [&](TrgPage& page, int n) {
        AddShapeAt(page, stRectangle, clBlue, kInch, kInch, kInch, kInch);
        AddImageAt(page, picture, kInch, kInch, kInch, kInch)->Transparent = n == 1;
    });
    publisher_.PublishJob();
    const QImage transparent = Render(1, 100, QRectF(1, 1, 1, 1));
    EXPECT_TRUE(Red(transparent.pixelColor(12, 12)));
    EXPECT_TRUE(Blue(transparent.pixelColor(37, 12))) << "the picture's white";
    EXPECT_TRUE(Blue(transparent.pixelColor(50, 75))) << "the rest of the box";
    const QImage opaque = Render(2, 100, QRectF(1, 1, 1, 1));
    EXPECT_TRUE(Red(opaque.pixelColor(12, 12)));
    EXPECT_TRUE(White(opaque.pixelColor(37, 12)));
    EXPECT_TRUE(White(opaque.pixelColor(50, 75))) << "the box is white behind an opaque picture";
}

TEST_F(PrinterDeviceTest, AnEmptyPictureDrawsNothing)
{
    TPageSource source(publisher_, 1, [&](TrgPage& page, int) {
        AddShapeAt(page, stRectangle, clBlue, kInch, kInch, kInch, kInch);
        auto* empty = new TrgDrawImage(nullptr);
        rgtest::Place(*empty, page, kInch, kInch, kInch, kInch);
        AddImageAt(page, QImage(), kInch, kInch, kInch, kInch);
    });
    publisher_.PublishJob();
    EXPECT_TRUE(Blue(Render(1, 100, QRectF(1, 1, 1, 1)).pixelColor(50, 50)));
    EXPECT_FALSE(ToolOutput("pdfimages", {"-list", JobFile()}).contains("image"));
}

// A picture as pdfimages lists it: its PDF object and pixel size.
struct TListedImage {
    QString Object;
    int Width = 0, Height = 0;
};

std::vector<TListedImage> ListedImages(const QString& pdf)
{
    std::vector<TListedImage> images;
    // page num type width height color comp bpc enc interp object-id(num gen) ...
    const QStringList lines = ToolOutput("pdfimages", {"-list", pdf}).split('\n', Qt::SkipEmptyParts);
    for (const QString& line : lines.mid(2)) {
        const QStringList f = line.simplified().split(' ');
        if (f.size() >= 12 && f[2] == "image")
            images.push_back({f[10] + " " + f[11], f[3].toInt(), f[4].toInt()});
    }
    return images;
}

TEST_F(PrinterDeviceTest, APictureInSeveralFramesIsEmbeddedOnceAtItsFramesPrintResolution)
{
    // A camera's 4000 x 3000 picture, a second one, and a small one, each in
    // five passport frames of 35 x 45 mm on every page.
    const auto picture = [](int w, int h, int seed) {
        QImage image(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                image.setPixel(x, y, qRgb((x * 7 + seed) & 255, (y * 5 + seed) & 255, ((x ^ y) + seed) & 255));
        return image;
    };
    const QImage kamera1 = picture(4000, 3000, 0), kamera2 = picture(4000, 3000, 90), klein = picture(200, 150, 40);
    const int frameW = 35000, frameH = 45000;
    TPageSource source(publisher_, 2, [&](TrgPage& page, int n) {
        const QImage* pictures[] = {n == 1 ? &kamera1 : &kamera2, &klein};
        for (int row = 0; row < 2; ++row)
            for (int i = 0; i < 5; ++i) {
                TrgDrawImage* image = AddImageAt(page, *pictures[row], 10000 + i * 39000, 10000 + row * 60000, frameW, frameH);
                image->Stretch = true;
                image->MaintainAspectRatio = true;
            }
    });
    publisher_.PublishJob();
    const std::vector<TListedImage> listed = ListedImages(JobFile());
    ASSERT_EQ(listed.size(), 20u) << "every frame shows its picture";
    std::map<QString, TListedImage> objects;
    for (const TListedImage& image : listed)
        objects[image.Object] = image;
    ASSERT_EQ(objects.size(), 3u) << "each picture is embedded once";
    // A 4:3 picture in a 35 mm wide frame at the printer's 600 dpi: about
    // 827 x 620 pixels; the small one keeps its own 200 x 150.
    const double framePixels = frameW / 25400.0 * 600;
    qint64 pixels = 0;
    int small = 0;
    for (const auto& [object, image] : objects) {
        SCOPED_TRACE(object.toStdString());
        pixels += qint64(image.Width) * image.Height;
        if (image.Width == 200) {
            EXPECT_EQ(image.Height, 150);
            ++small;
            continue;
        }
        EXPECT_NEAR(image.Width, framePixels, 4);
        EXPECT_NEAR(image.Height, framePixels * 3 / 4, 4);
    }
    EXPECT_EQ(small, 1);
    // The file holds no more than the embedded pixels, uncompressed, and
    // some pages of text and structure.
    EXPECT_LT(QFileInfo(JobFile()).size(), pixels * 3 + 64 * 1024);
}

// ---- dispatch ---------------------------------------------------------------------------

// A command that, when its page prints, asks the device to paint other commands.
class TProbeCommand : public TrgDrawCommand {
public:
    using TrgDrawCommand::TrgDrawCommand;
    std::vector<std::pair<TrgDrawCommand*, bool>> Answers;
    std::vector<std::unique_ptr<TrgDrawCommand>> Probes;
    bool Draw(TrgDevice* device) override
    {
        for (auto& probe : Probes)
            Answers.emplace_back(probe.get(), device->DrawCommand(probe.get()));
        return true;
    }
};

TEST_F(PrinterDeviceTest, DrawCommandPaintsTextsShapesLinesAndPicturesOnAnOpenPage)
{
    TProbeCommand* probe = nullptr;
    TPageSource source(publisher_, 1, [&](TrgPage& page, int) {
        probe = new TProbeCommand(nullptr);
        probe->Probes.push_back(std::make_unique<TrgDrawText>(nullptr));
        probe->Probes.push_back(std::make_unique<TrgDrawCalc>(nullptr));
        probe->Probes.push_back(std::make_unique<TrgDrawShape>(nullptr));
        probe->Probes.push_back(std::make_unique<TrgDrawLine>(nullptr));
        probe->Probes.push_back(std::make_unique<TrgDrawImage>(nullptr));
        probe->Probes.push_back(std::make_unique<TrgDrawRichText>(nullptr));
        probe->Probes.push_back(std::make_unique<TrgDrawCommand>(nullptr));
        for (auto& p : probe->Probes) {
            p->Left = kInch;
            p->Top = 2 * kInch;
            p->Width = kInch / 2;
            p->Height = kInch / 4;
        }
        rgtest::Place(*probe, page, 0, 0, 0, 0);
    });
    publisher_.PublishJob();
    ASSERT_EQ(probe->Answers.size(), 7u);
    const bool expected[] = {true, true, true, true, true, false, false};
    for (size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(probe->Answers[i].second, expected[i]) << i;
        if (expected[i]) {
            // The device rectangle in printer pixels, kept with the command.
            const TRect r = probe->Answers[i].first->GetDrawRect();
            EXPECT_EQ(QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top), QRect(600, 1200, 300, 150)) << i;
        }
    }
    // Outside a page nothing is painted.
    TrgDrawText text(nullptr);
    EXPECT_FALSE(device_->DrawCommand(&text));
    EXPECT_EQ(device_->PagePainter(), nullptr);
    EXPECT_EQ(device_->CommandRect(*probe->Probes[0]), QRect(600, 1200, 300, 150));
}

TEST_F(PrinterDeviceTest, RichTextPaintsItselfOnThePrintedPage)
{
    TPageSource source(publisher_, 1, [&](TrgPage& page, int) {
        auto* rich = new TrgDrawRichText(nullptr);
        rich->RichText = R"({\rtf1\ansi Hallo Welt})";
        rich->Transparent = true;
        rgtest::Place(*rich, page, kInch, kInch, 3 * kInch, kInch);
    });
    publisher_.PublishJob();
    const std::vector<TPdfWord> words = PdfWords(JobFile());
    EXPECT_EQ(rgtest::WordTexts(words), QStringList({"Hallo", "Welt"}));
    EXPECT_NEAR(Word(words, "Hallo").XMin, 72, 1.0);
}

// ---- the job ----------------------------------------------------------------------------

TEST_F(PrinterDeviceTest, ProgressMessagesNameEachPageTheReportAndThePrinter)
{
    struct Case {
        const char* name;
        bool twoPass;
        TrgPageSettingType setting;
        QStringList shown;
    };
    const Case cases[] = {
        {"one pass", false, psAll,
         {"Accessing data...", "Printing page 1 for report Bilderliste on the Laser",
          "Printing page 2 for report Bilderliste on the Laser"}},
        {"two passes: the page count is known, the calculating pass shows nothing", true, psAll,
         {"Accessing data...", "Printing page 1 of 2 for report Bilderliste on the Laser",
          "Printing page 2 of 2 for report Bilderliste on the Laser"}},
        {"two passes, one page asked for", true, psSinglePage,
         {"Accessing data...", "Printing page 2 for report Bilderliste on the Laser"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rgtest::CountingProgressView view;
        device_->SetCancelDialog(&view);
        device_->SetPageSetting(c.setting);
        device_->SetPageRequested(2);
        TPageSource source(publisher_, 2, [](TrgPage& page, int n) { AddTextAt(page, QString("Seite%1").arg(n), kInch, kInch, kInch, kInch); });
        source.TwoPass = c.twoPass;
        publisher_.PublishJob();
        EXPECT_EQ(view.Shown, c.shown) << view.Shown.join('|').toStdString();
        device_->SetCancelDialog(nullptr);
        publisher_.ResetJob();
        device_->Reset();
    }
    ASSERT_EQ(jobs_.size(), 3u);
    EXPECT_EQ(rgtest::WordTexts(PdfWords(jobs_[2].FileName)), QStringList({"Seite2"}));
}

TEST_F(PrinterDeviceTest, AStampIsPrintedOnEveryPageAndLeavesThePageAsItWas)
{
    auto stamp = std::make_unique<TrgDrawText>(nullptr);
    stamp->Text = "ENTWURF";
    stamp->Left = stamp->Top = kInch / 2;
    stamp->Width = 2 * kInch;
    stamp->Height = kInch / 2;
    stamp->Transparent = true;
    TrgDrawCommand* stampCommand = stamp.get();
    device_->SetPageStamp(std::move(stamp));
    std::vector<int> commandsAfterPrinting;
    TPageSource source(publisher_, 2, [](TrgPage& page, int n) { AddTextAt(page, QString("Seite%1").arg(n), kInch, kInch, kInch, kInch); });
    // The page as a device after the printer sees it.
    TrgDevice next(nullptr);
    next.SetPublisher(&publisher_);
    next.OnReceivePage = [&](TObject*, TrgPage* page) { commandsAfterPrinting.push_back(page->GetDrawCommandCount()); };
    publisher_.PublishJob();
    EXPECT_EQ(rgtest::WordTexts(PdfWords(JobFile())), QStringList({"ENTWURF", "Seite1", "ENTWURF", "Seite2"}));
    EXPECT_EQ(source.page.GetDrawCommandCount(), 1);
    EXPECT_EQ(stampCommand->Page(), nullptr);
    EXPECT_EQ(device_->PageStamp(), stampCommand);
    EXPECT_EQ(commandsAfterPrinting, std::vector<int>({1, 1}));
}

TEST_F(PrinterDeviceTest, CopiesCollatedRunTheJobAgainElseTheSpoolerMakesThem)
{
    struct Case {
        bool collate;
        int spooledCopies, pages;
        QStringList order;
    };
    const Case cases[] = {
        {true, 1, 6, {"Seite1", "Seite2", "Seite1", "Seite2", "Seite1", "Seite2"}},
        {false, 3, 2, {"Seite1", "Seite2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.collate ? "collated" : "not collated");
        NewDevice();
        const size_t before = jobs_.size();
        int ends = 0;
        device_->OnEndJob = [&](TObject*) { ++ends; };
        TPageSource source(publisher_, 2, [](TrgPage& page, int n) { AddTextAt(page, QString("Seite%1").arg(n), kInch, kInch, kInch, kInch); });
        source.Setup.SetCopies(3);
        source.Setup.SetCollation(c.collate);
        publisher_.PublishJob();
        ASSERT_EQ(jobs_.size(), before + 1);
        EXPECT_EQ(jobs_.back().Copies, c.spooledCopies);
        EXPECT_EQ(jobs_.back().Collate, c.collate);
        EXPECT_TRUE(Matches(ToolOutput("pdfinfo", {jobs_.back().FileName}), QString("Pages:\\s+%1\\n").arg(c.pages)));
        EXPECT_EQ(rgtest::WordTexts(PdfWords(jobs_.back().FileName)), c.order);
        EXPECT_EQ(ends, 1);
        EXPECT_FALSE(device_->Busy());
        EXPECT_FALSE(device_->Printer()->Printing());
    }
}

TEST_F(PrinterDeviceTest, ACancelledJobPrintsNothing)
{
    struct Case {
        const char* name;
        bool collate;
        int cancelAtPage;  // counted over every pass
    };
    for (const Case& c : {Case{"in the first pass", false, 2}, Case{"in a later copy", true, 3}}) {
        SCOPED_TRACE(c.name);
        NewDevice();
        int received = 0;
        TPageSource source(publisher_, 2, [](TrgPage& page, int n) { AddTextAt(page, QString("Seite%1").arg(n), kInch, kInch, kInch, kInch); });
        source.Setup.SetCopies(2);
        source.Setup.SetCollation(c.collate);
        device_->OnReceivePage = [&](TObject*, TrgPage*) {
            if (++received == c.cancelAtPage) {
                source.Cancelled = true;
                publisher_.CancelJob();
            }
        };
        publisher_.PublishJob();
        EXPECT_TRUE(jobs_.empty());
        EXPECT_TRUE(TemporaryFiles().isEmpty()) << TemporaryFiles().join(' ').toStdString();
        EXPECT_FALSE(device_->Busy());
        EXPECT_FALSE(device_->Printer()->Printing());
        publisher_.ResetJob();
    }
}

TEST_F(PrinterDeviceTest, APainterThatCannotBeginFailsTheJobWithPrintError)
{
    TPageSource source(publisher_, 2, [](TrgPage& page, int n) { AddTextAt(page, QString("Seite%1").arg(n), kInch, kInch, kInch, kInch); });
    // Before the first page starts, the job's file is replaced by a folder:
    // the PDF writer cannot open it.
    device_->OnReceivePage = [&](TObject*, TrgPage*) {
        FilesBelowToFolders(tmp_.str());
    };
    try {
        publisher_.PublishJob();
        FAIL() << "a job that could not be written was reported as printed";
    } catch (const EPrintError& e) {
        EXPECT_TRUE(e.Message.contains("Bilderliste")) << e.Message.toStdString();
    }
    EXPECT_TRUE(jobs_.empty());
    EXPECT_FALSE(device_->Busy());
    EXPECT_FALSE(device_->Printer()->Printing());

    // The device prints the next job.
    device_->OnReceivePage = nullptr;
    publisher_.ResetJob();
    device_->Reset();
    publisher_.PublishJob();
    ASSERT_EQ(jobs_.size(), 1u);
    EXPECT_EQ(rgtest::WordTexts(PdfWords(jobs_[0].FileName)), QStringList({"Seite1", "Seite2"}));
}

TEST_F(PrinterDeviceTest, EachPageIsPrintedWithItsOwnSetup)
{
    TPageSource source(publisher_, 2, [](TrgPage& page, int n) {
        AddTextAt(page, QString("Seite%1").arg(n), kInch, kInch, kInch, kInch);
        TrgPrinterSetup setup(nullptr);
        setup.SetOrientation(n == 2 ? poLandscape : poPortrait);
        page.SetPrinterSetup(&setup);
    });
    publisher_.PublishJob();
    const QString info = ToolOutput("pdfinfo", {"-f", "1", "-l", "2", JobFile()});
    EXPECT_TRUE(Matches(info, "Page\\s+1 size:\\s+595 x 842")) << info.toStdString();
    EXPECT_TRUE(Matches(info, "Page\\s+2 size:\\s+842 x 595")) << info.toStdString();
}

}  // namespace
