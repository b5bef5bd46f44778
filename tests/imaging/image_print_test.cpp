// Printing the picture of an image window: the print options form with its
// checks, the placement on the printable area, and the printed page read
// back from outside with pdfinfo and pdfimages (poppler-utils).

#include <QFile>
#include <QPrinter>
#include <QPrinterInfo>
#include <gtest/gtest.h>

#include "imaging/image_dialogs.h"
#include "imaging/image_print.h"
#include "imaging/image_toolbar.h"
#include "imaging/image_window.h"
#include "imaging_fixture.h"
#include "print_fixture.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/std_ctrls.h"

using namespace imgtest;
using namespace printtest;

namespace {

// Answers the print form: fills what `fill` sets, then presses Print.
TPromptScript::TFormAnswer PressPrint(std::function<void(TDlgPrintImage&)> fill = {})
{
    return [fill](TCustomForm& f) {
        auto& dlg = dynamic_cast<TDlgPrintImage&>(f);
        if (fill)
            fill(dlg);
        dlg.PrintButton->Click();
    };
}

// A fresh folder with the PDF file the program's printer writes.
struct TPdfRun {
    lxtest::TempDir dir;
    QString pdf;
    explicit TPdfRun(const char* name) : pdf(PathIn(dir, name)) { PrintToPdf(pdf); }
};

TPicImage Picture(int w, int h, double resolution)
{
    TPicImage img = TPicImage::FromQImage(Quarters(w, h));
    img.ResolutionX = img.ResolutionY = resolution;
    return img;
}

}  // namespace

TEST(ImagePrint, FormStartsWithTheWindowsValues)
{
    TImageWindow w(nullptr);
    Application->HelpFile = "LUMADEX.HLP";
    TPromptScript script;
    script.Modal([](TCustomForm& f) {
        auto& dlg = dynamic_cast<TDlgPrintImage&>(f);
        EXPECT_EQ(f.Caption(), "Print Image");
        EXPECT_EQ(Application->HelpFile, "PICUSER.HLP");
        EXPECT_EQ(dlg.MarginTop->Text(), "0");
        EXPECT_EQ(dlg.MarginRight->Text(), "0");
        EXPECT_EQ(dlg.Resize->Text(), "100");
        EXPECT_TRUE(dlg.Vertically->Checked());
        EXPECT_TRUE(dlg.Horizontally->Checked());
        // Without a selection neither choice stands and "Cropped" is grey.
        EXPECT_FALSE(dlg.AllButton->Checked());
        EXPECT_FALSE(dlg.CroppedButton->Checked());
        EXPECT_FALSE(dlg.CroppedButton->Enabled());
        Shot(dlg, "print_image");
        dlg.CancelButton->Click();
        EXPECT_EQ(dlg.ModalResult, -1);
    });
    w.Print();
    EXPECT_EQ(Application->HelpFile, "LUMADEX.HLP");
}

TEST(ImagePrint, PlacementFollowsResolutionResizeAndMargins)
{
    // Resize 50 at 300 dpi: a 1000-pixel picture of 300 dpi prints 500 wide.
    QRect r = PrintPlacement(1000, 400, 300, 0, 0, 0, 0, 300, 300, 2400, 3300, 50, true, true);
    EXPECT_EQ(r.size(), QSize(500, 200));
    EXPECT_EQ(r.topLeft(), QPoint(950, 1550));
    // Not centred: at the margins.
    r = PrintPlacement(1000, 400, 300, 1, 0.5, 0, 0, 300, 300, 2400, 3300, 100, false, false);
    EXPECT_EQ(r, QRect(300, 150, 1000, 400));
    // Wider than the space: as wide as the space, at the left margin whatever
    // the centring says, and the height shrinks with it.
    r = PrintPlacement(6000, 3000, 300, 1, 0, 0.5, 0, 300, 300, 2400, 3300, 100, true, true);
    EXPECT_EQ(r.left(), 300);
    EXPECT_EQ(r.width(), 2400 - 300 - 150);
    EXPECT_EQ(r.height(), 975);
    EXPECT_EQ(r.top(), 1162);  // Round((3300 - 975) x 0.5) = Round(1162.5) halves to even
    // Higher than the space: the width shrinks too.
    r = PrintPlacement(300, 6000, 300, 0, 0, 0, 0, 300, 300, 2400, 3000, 100, true, true);
    EXPECT_EQ(r.height(), 3000);
    EXPECT_EQ(r.width(), 150);
    EXPECT_EQ(r.top(), 0);
    // A picture without resolution prints at 96 dpi, never divides by zero.
    r = PrintPlacement(96, 96, 0, 0, 0, 0, 0, 300, 300, 2400, 3300, 100, false, false);
    EXPECT_EQ(r.size(), QSize(300, 300));
    // Margins that leave no room: nothing to place.
    EXPECT_TRUE(PrintPlacement(10, 10, 96, 5, 0, 5, 0, 300, 300, 2400, 3300, 100, true, true).isEmpty());
}

TEST(ImagePrint, PrintsToPdfAtThePlacedSize)
{
    TPdfRun run("druck.pdf");
    const QString& pdf = run.pdf;
    TImageWindow w(nullptr);
    w.ImageInWindow()->TakeImage(Picture(1000, 400, 300));
    TPromptScript script;
    script.Modal(PressPrint([](TDlgPrintImage& d) { d.Resize->SetText("50"); }));
    w.ToolBar()->Button(Print)->Click();
    EXPECT_EQ(PdfPages(pdf), 1);
    const auto images = PdfImages(pdf);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].Width, 500);
    EXPECT_EQ(images[0].Height, 200);
    EXPECT_EQ(images[0].PpiX, 300);  // one printed pixel per printer pixel
    EXPECT_EQ(images[0].PpiY, 300);
    EXPECT_FALSE(w.Modified);
}

TEST(ImagePrint, TooWidePictureFillsTheSpaceKeepingItsShape)
{
    TPdfRun run("breit.pdf");
    const QString& pdf = run.pdf;
    const int printable = Printer()->width();
    TImageWindow w(nullptr);
    w.ImageInWindow()->TakeImage(Picture(6000, 1500, 300));
    TPromptScript script;
    script.Modal(PressPrint([](TDlgPrintImage& d) {
        d.MarginLeft->SetText("1");
        d.MarginRight->SetText("0,5");  // a decimal comma is taken too
    }));
    w.Print();
    const auto images = PdfImages(pdf);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].Width, printable - 450);
    EXPECT_NEAR(images[0].Height, (printable - 450) / 4.0, 1.0);
    EXPECT_EQ(images[0].PpiX, 300);
}

TEST(ImagePrint, CroppedPrintsTheSelection)
{
    TPdfRun run("teil.pdf");
    const QString& pdf = run.pdf;
    TImageWindow w(nullptr);
    w.SetBounds(0, 0, 300, 250);
    w.ImageInWindow()->TakeImage(Picture(100, 80, 300));
    w.ImageInWindow()->Redraw(true);
    const TRect v = w.ViewRect();
    w.MouseDown(mbLeft, {ssLeft}, v.Left + 10, v.Top + 10);
    w.MouseMove({ssLeft}, v.Left + 40, v.Top + 30);
    w.MouseUp(mbLeft, {}, v.Left + 40, v.Top + 30);
    ASSERT_TRUE(w.SelectionPresent());
    TPromptScript script;
    script.Modal(PressPrint([](TDlgPrintImage& d) {
        EXPECT_TRUE(d.CroppedButton->Checked());
        EXPECT_TRUE(d.CroppedButton->Enabled());
    }));
    w.Print();
    const auto images = PdfImages(pdf);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].Width, 30);
    EXPECT_EQ(images[0].Height, 20);
}

TEST(ImagePrint, BadValuesAreRefusedAndNothingPrints)
{
    TPdfRun run("nie.pdf");
    const QString& pdf = run.pdf;
    TImageWindow w(nullptr);
    w.ImageInWindow()->TakeImage(Picture(100, 100, 96));
    struct Case {
        const char* field;
        const char* text;
        const char* message;
    } cases[] = {{"top", "abc", "'abc' ist kein gültiger Rand"},
                 {"left", "-1", "'-1' ist kein gültiger Rand"},
                 {"resize", "0", "'0' ist keine gültige Größe"},
                 {"resize", "x", "'x' ist keine gültige Größe"}};
    for (const Case& c : cases) {
        TPromptScript script;
        script.Modal([&](TCustomForm& f) {
            auto& d = dynamic_cast<TDlgPrintImage&>(f);
            TEdit* e = QString(c.field) == "top" ? d.MarginTop : QString(c.field) == "left" ? d.MarginLeft : d.Resize;
            e->SetText(c.text);
            d.PrintButton->Click();
            EXPECT_EQ(d.ModalResult, mrNone) << c.text;  // the form stays open
            d.CancelButton->Click();
        });
        script.Answer(TPromptKind::Dialog, mrOk, QString::fromUtf8(c.message));
        w.Print();
    }
    // Huge margins leave no room: said, and nothing printed.
    TPromptScript script;
    script.Modal(PressPrint([](TDlgPrintImage& d) { d.MarginLeft->SetText("500"); }));
    script.Answer(TPromptKind::Dialog, mrOk, "kein Platz");
    w.Print();
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST(ImagePrint, NoPrinterAtAll)
{
    Printer()->setOutputFileName(QString());
    Printer()->setOutputFormat(QPrinter::NativeFormat);
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        GTEST_SKIP() << "this machine has printers";
    TImageWindow w(nullptr);
    TPromptScript script;
    script.Modal(PressPrint());
    script.Answer(TPromptKind::Dialog, mrOk, kNoPrinterMessage);
    w.Print();
    EXPECT_EQ(script.Records().at(0).Result, -1);
}

TEST(ImageDialogs, CompressionAndQualitySwitchTheHelpFile)
{
    Application->HelpFile = "LUMADEX.HLP";
    TPromptScript script;
    script.Modal([](TCustomForm& f) {
        EXPECT_EQ(Application->HelpFile, "PICUSER.HLP");
        Shot(dynamic_cast<TControl&>(f), "tiff_compression");
        f.ModalResult = mrOk;
    });
    script.Modal([](TCustomForm& f) {
        EXPECT_EQ(Application->HelpFile, "PICUSER.HLP");
        Shot(dynamic_cast<TControl&>(f), "jpeg_quality");
        f.ModalResult = mrOk;
    });
    EXPECT_EQ(ChooseTiffCompression(1), 140);
    EXPECT_EQ(ChooseJpegQuality(40), 40);
    EXPECT_EQ(Application->HelpFile, "LUMADEX.HLP");
}
