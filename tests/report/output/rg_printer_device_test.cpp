// Printing pages: the job (one document for every copy, collated copies by
// running the job again, cancel without printing) and the painting
// routines in printer pixels (line strokes, text placement, tab expansion,
// picture layout).
#include "report/output/rg_printer_device.h"

#include <QDir>
#include <QFont>
#include <QImage>

#include <gtest/gtest.h>

#include "fake_printer_source.h"
#include "job_files.h"
#include "platform/core/run_temp_folder.h"
#include "pdf_tools.h"
#include "recording_spooler.h"
#include "report/output/rg_strings.h"
#include "test_environment.h"

using rgtest::Matches;
using rgtest::ToolOutput;

namespace {

// A device of 600 pixels per inch both ways.
class TDevice600 : public TObject, public TrgDeviceResolution {
public:
    int DevicePixelsPerInch(TrgDirection) const override { return 600; }
};

// ---- geometry and lines ----

TEST(PrinterDeviceGeometry, NearestTakesHalvesToEven)
{
    const std::pair<double, int> cases[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2}, {4.49, 4}, {4.51, 5}, {7.0, 7}};
    for (auto [x, expected] : cases)
        EXPECT_EQ(rgNearestEven(x), expected) << x;
}

TEST(PrinterDeviceGeometry, CommandRectangleInPrinterPixelsMovedByTheOffset)
{
    const TDevice600 printer;
    const QRect r = rgCommandDeviceRect(25400, 50800, 12700, 25400, &printer, QPoint(-30, -40));
    EXPECT_EQ(r.left(), 570);
    EXPECT_EQ(r.right() + 1, 870);
    EXPECT_EQ(r.top(), 1160);
    EXPECT_EQ(r.bottom() + 1, 1760);
}

TEST(PrinterDeviceLines, ThicknessIsNearestPixelsOfTheWeightAndAtLeastOne)
{
    struct Case {
        int ppi;
        double weight;
        int thickness;
    };
    for (const Case& c : {Case{600, 0, 1}, Case{36, 1, 1}, Case{108, 1, 2}, Case{180, 1, 2}, Case{144, 2.5, 5},
                          Case{600, 1, 8}, Case{600, 0.75, 6}}) {
        EXPECT_EQ(rgLineThickness(c.ppi, c.weight), c.thickness) << c.ppi << " ppi, " << c.weight << " pt";
    }
}

TEST(PrinterDeviceLines, StrokesStandInwardsFromTheEdge)
{
    const QRect rect(QPoint(100, 200), QPoint(299, 399));  // edges 100..300, 200..400
    struct Case {
        const char* name;
        TrgLinePositionType position;
        TrgLineStyleType style;
        int thickness, second;
        std::vector<QLine> strokes;
    };
    const Case cases[] = {
        {"double bottom of thickness 2", lpBottom, lsDouble, 2, 4,
         {QLine(100, 400, 300, 400), QLine(100, 399, 300, 399), QLine(100, 396, 300, 396), QLine(100, 395, 300, 395)}},
        {"single top of thickness 3", lpTop, lsSingle, 3, 6,
         {QLine(100, 200, 300, 200), QLine(100, 201, 300, 201), QLine(100, 202, 300, 202)}},
        {"double left of thickness 1", lpLeft, lsDouble, 1, 2, {QLine(100, 200, 100, 400), QLine(102, 200, 102, 400)}},
        {"single right of thickness 2", lpRight, lsSingle, 2, 4, {QLine(300, 200, 300, 400), QLine(299, 200, 299, 400)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(rgLineStrokes(rect, c.position, c.style, c.thickness, c.second), c.strokes);
    }
}

TEST(PrinterDeviceLines, TheSecondLineOfADoubleLine)
{
    const TDevice600 printer;
    EXPECT_EQ(rgSecondLineOffset(3, 1, rgVertical, &printer), 6);
    // A pen of width 0: two screen pixels (0.529 mm) in printer pixels.
    EXPECT_EQ(rgSecondLineOffset(3, 0, rgVertical, &printer), 12);
}

TEST(PrinterDeviceLines, StrokesAreDrawnOnePixelWide)
{
    QImage image(40, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        rgDrawStrokes(painter, QPen(Qt::black), rgLineStrokes(QRect(5, 5, 30, 30), lpBottom, lsDouble, 2, 4));
    }
    for (int y = 0; y < 40; ++y) {
        const bool inked = y == 35 || y == 34 || y == 31 || y == 30;
        EXPECT_EQ(image.pixelColor(20, y) == Qt::black, inked) << "row " << y;
    }
    EXPECT_EQ(image.pixelColor(4, 35), Qt::white);
    EXPECT_EQ(image.pixelColor(35, 35), Qt::white);  // the end pixel is not drawn
    EXPECT_EQ(image.pixelColor(34, 35), Qt::black);
}

// ---- text ----

TEST(PrinterDeviceText, LinesAreAlignedInTheBox)
{
    const QRect box(100, 0, 21, 10);
    EXPECT_EQ(rgAlignedTextX(taCenter, box, 10), 105);  // nearest(5.5 - 0.5)
    EXPECT_EQ(rgAlignedTextX(taCenter, QRect(100, 0, 20, 10), 10), 104);  // nearest(4.5): to even
    EXPECT_EQ(rgAlignedTextX(taCenter, QRect(100, 0, 23, 10), 10), 106);
    EXPECT_EQ(rgAlignedTextX(taRightJustify, box, 10), 111);
    EXPECT_EQ(rgAlignedTextX(taLeftJustify, box, 10), 100);
}

TEST(PrinterDeviceText, AutoSizeFitsTheBoxToTheWidestLine)
{
    const auto width = [](const QString& line) { return int(line.size()) * 10; };
    TrgTextBlock block;
    block.Box = QRect(100, 100, 500, 10);
    block.Lines = {"abc", "abcdef"};
    block.LineHeight = 40;
    block.AutoSize = true;
    struct Case {
        TAlignment alignment;
        int left;
    };
    for (const Case& c : {Case{taLeftJustify, 100}, Case{taRightJustify, 540}, Case{taCenter, 320}}) {
        block.Alignment = c.alignment;
        const QRect fitted = rgFitTextBox(block, width);
        EXPECT_EQ(fitted.left(), c.left) << c.alignment;
        EXPECT_EQ(fitted.width(), 60) << c.alignment;
        EXPECT_EQ(fitted.height(), 40) << c.alignment;  // one line high at least
    }
    block.WordWrap = true;
    EXPECT_EQ(rgFitTextBox(block, width).height(), 10);
    block.AutoSize = false;
    EXPECT_EQ(rgFitTextBox(block, width), block.Box);
}

// The first inked column at or right of `from` in rows top..bottom; -1 if none.
int FirstInkColumn(const QImage& image, int from, int top, int bottom)
{
    for (int x = from; x < image.width(); ++x)
        for (int y = top; y < bottom; ++y)
            if (qGray(image.pixel(x, y)) < 128)
                return x;
    return -1;
}

QFont TestFont()
{
    QFont font("DejaVu Sans Mono");
    font.setPixelSize(40);
    return font;
}

TEST(PrinterDeviceText, TabsMoveTheTextToTheTabStops)
{
    QImage image(1600, 80, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setFont(TestFont());
        rgDrawTabbedText(painter, 100, 10, "A\tB\tC", {400, 900});
    }
    const int advance = QFontMetrics(TestFont(), &image).horizontalAdvance("A");
    const int b = FirstInkColumn(image, 100 + advance, 0, 80);
    EXPECT_GE(b, 500);
    EXPECT_LT(b, 500 + advance);
    const int c = FirstInkColumn(image, 500 + advance, 0, 80);
    EXPECT_GE(c, 1000);
    EXPECT_LT(c, 1000 + advance);
}

TEST(PrinterDeviceText, ABlockIsFilledAndItsPlainLinesAreClippedToTheBox)
{
    QImage image(400, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    TrgTextBlock block;
    block.Box = QRect(20, 20, 100, 50);
    block.Lines = {"WWWWWWWWWWWW", "W"};
    block.LineHeight = 50;
    block.Transparent = false;
    block.Color = QColor(255, 255, 0);
    {
        QPainter painter(&image);
        painter.setFont(TestFont());
        rgPaintTextBlock(painter, block);
    }
    EXPECT_EQ(FirstInkColumn(image, 121, 0, 200), -1) << "text outside the box";
    EXPECT_GE(FirstInkColumn(image, 0, 20, 70), 20);
    EXPECT_EQ(image.pixelColor(119, 68), QColor(255, 255, 0));
    EXPECT_EQ(image.pixelColor(121, 40), Qt::white);
    EXPECT_NE(FirstInkColumn(image, 0, 70, 120), -1) << "the second line is clipped to its own row only";
}

TEST(PrinterDeviceText, ProgressTextsNameThePageTheReportAndThePrinter)
{
    const int english = rgLanguageResourceBase(lgEnglish);
    EXPECT_EQ(rgPrinterProgressMessage(english, psAll, psTwoPass, 3, 7, "Liste", "Laser"),
              "Printing page 3 of 7 for report Liste on the Laser");
    for (auto [setting, pass] : {std::pair{psAll, psOnePass}, std::pair{psPageList, psTwoPass}}) {
        EXPECT_EQ(rgPrinterProgressMessage(english, setting, pass, 3, 7, "Liste", "Laser"),
                  "Printing page 3 for report Liste on the Laser");
    }
}

// ---- pictures ----

TEST(PrinterDevicePictures, LayoutInTheBox)
{
    struct Case {
        const char* name;
        QSize picture, box;
        bool stretch, aspect, center;
        QRect expected;
    };
    const Case cases[] = {
        {"stretched keeping the aspect", {100, 50}, {200, 200}, true, true, false, QRect(0, 0, 200, 100)},
        {"stretched", {100, 50}, {200, 200}, true, false, true, QRect(0, 0, 200, 200)},
        {"centred", {100, 50}, {200, 200}, false, false, true, QRect(50, 75, 100, 50)},
        {"centred, larger than the box", {301, 101}, {200, 100}, false, false, true, QRect(-50, 0, 301, 101)},
        {"as it is", {100, 50}, {200, 200}, false, true, false, QRect(0, 0, 100, 50)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(rgPictureLayout(c.picture, c.box, c.stretch, c.aspect, c.center), c.expected) << c.name;
}

// ---- the job ----

class PrinterJobTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        rgtest::InstallFakePrinters({rgtest::OfficeLaser("Laser")});
        oldTmp_ = qgetenv("TMPDIR");
        qputenv("TMPDIR", QByteArray(tmp_.str().c_str()));
        RemoveRunTempFolder();  // the run's folder is made anew inside
        printer_ = std::make_unique<TrgPrinter>();
        printer_->SetSpooler(
            std::make_unique<rgtest::TRecordingSpooler>(jobs_, QString::fromStdString(kept_.str())));
    }
    void TearDown() override
    {
        printer_.reset();
        qputenv("TMPDIR", oldTmp_);
        rgtest::InstallFakePrinters({});
    }

    // What a publisher does for one pass: start, every page, end. Collated
    // copies come back here through RequestPages.
    void RunPass(TrgPrinterJob& job, const TrgPrinterSetup& setup, int pages, int cancelAtPass = 0)
    {
        ++passes_;
        job.StartJob();
        for (int page = 1; page <= pages; ++page) {
            job.StartPage(setup);
            job.Canvas()->setFont(TestFont());
            job.Canvas()->drawText(600, 600, QString("Seite %1 Durchgang %2").arg(page).arg(passes_));
            job.EndPage();
        }
        if (passes_ == cancelAtPass) {
            job.CancelJob();
            return;
        }
        job.EndJob();
    }

    QStringList TemporaryFiles() const { return FilesBelow(tmp_.str()); }

    lxtest::TempDir tmp_, kept_;
    QByteArray oldTmp_;
    std::vector<TrgSpoolJob> jobs_;
    std::unique_ptr<TrgPrinter> printer_;
    int passes_ = 0;
};

TEST_F(PrinterJobTest, CollatedCopiesRunTheJobAgainInOneDocument)
{
    TrgPrinterSetup setup(nullptr);
    setup.SetCopies(3);
    setup.SetCollation(true);
    TrgPrinterJob job(*printer_);
    job.RequestPages = [&] { RunPass(job, setup, 2); };
    RunPass(job, setup, 2);
    EXPECT_EQ(passes_, 3);
    EXPECT_FALSE(job.Busy());
    ASSERT_EQ(jobs_.size(), 1u);
    EXPECT_EQ(jobs_[0].Copies, 1);
    EXPECT_TRUE(jobs_[0].Collate);
    EXPECT_TRUE(Matches(ToolOutput("pdfinfo", {jobs_[0].FileName}), "Pages:\\s+6\\n"));
    const QString text = ToolOutput("pdftotext", {"-layout", jobs_[0].FileName, "-"});
    qsizetype at = 0;
    for (int pass = 1; pass <= 3; ++pass) {
        for (int page = 1; page <= 2; ++page) {
            const qsizetype found = text.indexOf(QString("Seite %1 Durchgang %2").arg(page).arg(pass), at);
            EXPECT_GE(found, at) << "page " << page << " of pass " << pass << " out of order";
            at = std::max(at, found);
        }
    }
}

TEST_F(PrinterJobTest, UncollatedCopiesAreTheSpoolersAndTheJobRunsOnce)
{
    TrgPrinterSetup setup(nullptr);
    setup.SetCopies(3);
    TrgPrinterJob job(*printer_);
    job.RequestPages = [&] { RunPass(job, setup, 2); };
    RunPass(job, setup, 2);
    EXPECT_EQ(passes_, 1);
    ASSERT_EQ(jobs_.size(), 1u);
    EXPECT_EQ(jobs_[0].Copies, 3);
    EXPECT_FALSE(jobs_[0].Collate);
    EXPECT_TRUE(Matches(ToolOutput("pdfinfo", {jobs_[0].FileName}), "Pages:\\s+2\\n"));
}

TEST_F(PrinterJobTest, ACancelDuringALaterCopyPrintsNothing)
{
    TrgPrinterSetup setup(nullptr);
    setup.SetCopies(3);
    setup.SetCollation(true);
    TrgPrinterJob job(*printer_);
    job.RequestPages = [&] { RunPass(job, setup, 2, 2); };
    RunPass(job, setup, 2, 2);
    EXPECT_EQ(passes_, 2);
    EXPECT_FALSE(job.Busy());
    EXPECT_FALSE(printer_->Printing());
    EXPECT_TRUE(jobs_.empty());
    EXPECT_TRUE(TemporaryFiles().isEmpty());
}

TEST_F(PrinterJobTest, EachPageGetsItsOwnSetup)
{
    TrgPrinterSetup portrait(nullptr), landscape(nullptr);
    landscape.SetOrientation(poLandscape);
    TrgPrinterJob job(*printer_);
    job.StartJob();
    for (const TrgPrinterSetup* setup : {&portrait, &landscape, &portrait}) {
        job.StartPage(*setup);
        job.EndPage();
    }
    job.EndJob();
    ASSERT_EQ(jobs_.size(), 1u);
    const QString info = ToolOutput("pdfinfo", {"-f", "1", "-l", "3", jobs_[0].FileName});
    EXPECT_TRUE(Matches(info, "Page\\s+1 size:\\s+595 x 842")) << info.toStdString();
    EXPECT_TRUE(Matches(info, "Page\\s+2 size:\\s+842 x 595")) << info.toStdString();
    EXPECT_TRUE(Matches(info, "Page\\s+3 size:\\s+595 x 842")) << info.toStdString();
}

TEST_F(PrinterJobTest, ASpoolerRefusalEndsTheJobWithTheError)
{
    printer_->SetSpooler(std::make_unique<rgtest::TRecordingSpooler>(jobs_, QString(), "Drucker offline"));
    TrgPrinterSetup setup(nullptr);
    TrgPrinterJob job(*printer_);
    job.StartJob();
    job.StartPage(setup);
    job.EndPage();
    EXPECT_THROW(job.EndJob(), EPrintError);
    EXPECT_FALSE(job.Busy());
    EXPECT_FALSE(printer_->Printing());
    EXPECT_TRUE(TemporaryFiles().isEmpty());
}

}  // namespace

namespace {

TEST(PrinterDeviceShapes, PenWidthIsScreenPixelsInPrinterPixels)
{
    const TDevice600 printer;
    EXPECT_EQ(rgShapePenWidth(0, &printer), 1);
    EXPECT_EQ(rgShapePenWidth(1, &printer), 6);  // 1/96 inch at 600 pixels per inch
    EXPECT_EQ(rgShapePenWidth(4, &printer), 25);
}

TEST(PrinterDeviceShapes, OnlyRectanglesRoundedRectanglesAndEllipsesAreDrawn)
{
    struct Case {
        TShapeType shape;
        bool corner, edge, centre;  // ink at the corner, the middle of the top edge, the centre
    };
    const Case cases[] = {
        {stRectangle, true, true, true},  {stRoundRect, false, true, true}, {stEllipse, false, true, true},
        {stSquare, false, false, false},  {stCircle, false, false, false},  {stRoundSquare, false, false, false},
    };
    const TDevice600 printer;
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.shape));
        QImage image(200, 200, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            rgDrawShape(painter, c.shape, QRect(20, 20, 160, 100), QPen(Qt::black, 0), QBrush(Qt::blue), 12700, 12700,
                        &printer);
        }
        EXPECT_EQ(image.pixelColor(20, 20) == Qt::black, c.corner);
        EXPECT_EQ(image.pixelColor(100, 20) == Qt::black, c.edge);
        EXPECT_EQ(image.pixelColor(100, 70) == Qt::blue, c.centre);
    }
}

}  // namespace
