// The picture print layout: the first layout, the rules of the frame (drag,
// minimum size, proportion, fit, natural size, centring), the millimetre
// edits, the check boxes, the ini file, "Ausdruck starten ?" with the page
// read back from the PDF (pdfinfo, pdfimages), the missing printer and the
// clipboard.

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QPrinter>
#include <QPrinterInfo>
#include <gtest/gtest.h>

#include "imaging/image_print.h"
#include "imaging/pic_printer.h"
#include "imaging_fixture.h"
#include "print_fixture.h"
#include "platform/core/ini_file.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/std_ctrls.h"
#include "platform/ui/test_input.h"
#include "private_cupsd.h"
#include "report/output/rg_printer_list.h"

using namespace imgtest;
using namespace printtest;

namespace {

struct Fixture {
    lxtest::TempDir dir;
    QString pdf = PathIn(dir, "seite.pdf");
    TQKPicPrinter printer{nullptr};
    Fixture()
    {
        PrintToPdf(pdf);
        printer.Picture()->Bitmap()->SetImage(Quarters(400, 200));
    }
};

// Runs Execute with the form given to fn.
bool RunForm(TQKPicPrinter& printer, std::function<void(TfrmPicPrint&)> fn)
{
    TPromptScript script;
    script.Modal([fn](TCustomForm& f) {
        auto& form = dynamic_cast<TfrmPicPrint&>(f);
        fn(form);
        if (form.ModalResult == mrNone)
            form.CloseButton->Click();
    });
    return printer.Execute();
}

void Click(TCheckBox* box)
{
    box->SetChecked(!box->Checked());
    box->Click();
}

// All four layout options off: the frame goes where it is put.
void FreeLayout(TfrmPicPrint& form)
{
    for (TCheckBox* box : {form.FitBox, form.ProportionalBox, form.HCenterBox, form.VCenterBox})
        Click(box);
}

}  // namespace

TEST(PicPrinter, Defaults)
{
    TQKPicPrinter p(nullptr);
    EXPECT_EQ(p.About_Quillkit(), "19.03.99");
    p.SetAbout_Quillkit("x");
    EXPECT_EQ(p.About_Quillkit(), "19.03.99");
    EXPECT_EQ(p.PicCaptionFont()->Name(), "Arial");
    EXPECT_EQ(p.PicCaptionFont()->Height(), 20);
    EXPECT_EQ(p.TopFont()->Name(), "Times New Roman");
    EXPECT_EQ(p.Orientation, qkpoAuto);
    EXPECT_EQ(p.TopAlignment, taCenter);
}

TEST(PicPrinter, FirstUseFillsThePrintableAreaCentredInProportion)
{
    Fixture f;
    const bool result = RunForm(f.printer, [](TfrmPicPrint& form) {
        EXPECT_EQ(form.Caption(), "Einzelbild drucken");
        EXPECT_EQ(form.Width(), 800);
        EXPECT_EQ(form.Height(), 600);
        EXPECT_TRUE(form.HCenterBox->Checked() && form.VCenterBox->Checked());
        EXPECT_TRUE(form.ProportionalBox->Checked() && form.FitBox->Checked());
        EXPECT_FALSE(form.OriginalBox->Checked());
        EXPECT_TRUE(form.Portrait->Checked());
        const TRect pr = form.PrintableRect();
        const TRect r = form.Handle_->PictureRect();
        EXPECT_EQ(r.Width(), pr.Width());
        EXPECT_NEAR(r.Height(), pr.Width() / 2.0, 1.0);
        EXPECT_NEAR(r.Left + r.Width() / 2.0, form.PreviewPanel->ClientWidth() / 2.0, 1.0);
        EXPECT_NEAR(r.Top + r.Height() / 2.0, form.PreviewPanel->ClientHeight() / 2.0, 1.0);
        // With the fit on, the margin and size edits are grey.
        EXPECT_FALSE(form.LeftMargin->Enabled());
        EXPECT_FALSE(form.TopMargin->Enabled());
        EXPECT_FALSE(form.PicWidth->Enabled());
        EXPECT_FALSE(form.PicHeight->Enabled());
        // 190 mm printable width on A4 with 10 mm margins.
        EXPECT_EQ(form.PicWidth->Text(), "190");
        EXPECT_EQ(form.PicHeight->Text(), "95");
        EXPECT_FALSE(form.PicCaptionButton->Visible());
        EXPECT_FALSE(form.PageCaptionButton->Visible());
        Shot(form, "pic_print_layout");
    });
    EXPECT_FALSE(result);  // closed, not OK
}

TEST(PicPrinter, FitToPageWithoutProportionEqualsThePrintableArea)
{
    Fixture f;
    RunForm(f.printer, [](TfrmPicPrint& form) {
        Click(form.ProportionalBox);
        const TRect pr = form.PrintableRect(), r = form.Handle_->PictureRect();
        EXPECT_EQ(r.Width(), pr.Width());
        EXPECT_EQ(r.Height(), pr.Height());
    });
}

TEST(PicPrinter, DraggingACornerKeepsTwentyPixels)
{
    Fixture f;
    RunForm(f.printer, [](TfrmPicPrint& form) {
        FreeLayout(form);
        TStretchHandle* h = form.Handle_;
        // The rubber band lies over the frame and lets the mouse through.
        EXPECT_TRUE(form.Overlay->Handle()->testAttribute(Qt::WA_TransparentForMouseEvents));
        EXPECT_TRUE(form.LeftMargin->Enabled() && form.PicHeight->Enabled() && form.PicWidth->Enabled());
        const TRect before = h->PictureRect();
        // The bottom-right corner, dragged far up and left.
        const int x = h->Width() - 2, y = h->Height() - 2;
        EXPECT_EQ(h->PartAt(x, y), 4);
        h->MouseDown(mbLeft, {ssLeft}, x, y);
        h->MouseMove({ssLeft}, x - 5000, y - 5000);
        EXPECT_FALSE(form.Overlay->Band().Width() == 0);
        Shot(form, "pic_print_drag");
        h->MouseUp(mbLeft, {}, x - 5000, y - 5000);
        EXPECT_EQ(h->PictureRect().Width(), 20);
        EXPECT_EQ(h->PictureRect().Height(), 20);
        EXPECT_EQ(h->PictureRect().Left, before.Left);
        EXPECT_EQ(form.Overlay->Band().Width(), 0);
        // The body moves the picture.
        h->MouseDown(mbLeft, {ssLeft}, 10, 10);
        h->MouseMove({ssLeft}, 40, 25);
        h->MouseUp(mbLeft, {}, 40, 25);
        EXPECT_EQ(h->PictureRect().Left, before.Left + 30);
        EXPECT_EQ(h->PictureRect().Top, before.Top + 15);
        // The right edge with proportion on changes the height with it.
        Click(form.ProportionalBox);
        // The minimum comes before the proportion: 20 wide, 10 high.
        EXPECT_EQ(h->PictureRect().Width(), 20);
        EXPECT_EQ(h->PictureRect().Height(), 10);
        form.PicWidth->SetText("100");
        Word key = VK_RETURN;
        form.PicWidth->OnKeyDown(form.PicWidth, key, {});
        ASSERT_GT(h->PictureRect().Width(), 100);
        EXPECT_EQ(h->PartAt(2, 2), 0);  // no corners with proportion on
        const int w0 = h->PictureRect().Width();
        const int ex = h->Width() - 2, ey = h->Height() / 2;
        ASSERT_EQ(h->PartAt(ex, ey), 8);
        h->MouseDown(mbLeft, {ssLeft}, ex, ey);
        h->MouseMove({ssLeft}, ex + 100, ey);
        h->MouseUp(mbLeft, {}, ex + 100, ey);
        EXPECT_EQ(h->PictureRect().Width(), w0 + 100);
        EXPECT_NEAR(h->PictureRect().Height(), (w0 + 100) / 2.0, 0.5);
    });
}

TEST(PicPrinter, CheckBoxesExcludeAndEnable)
{
    Fixture f;
    RunForm(f.printer, [](TfrmPicPrint& form) {
        Click(form.OriginalBox);
        EXPECT_FALSE(form.ProportionalBox->Checked());
        EXPECT_FALSE(form.FitBox->Checked());
        EXPECT_FALSE(form.PicWidth->Enabled());
        EXPECT_FALSE(form.PicHeight->Enabled());
        EXPECT_FALSE(form.LeftMargin->Enabled());  // centred
        // Natural size: one picture pixel per printer pixel.
        const TRect pr = form.PrintableRect();
        const int pageWidth = Printer()->width();
        EXPECT_NEAR(form.Handle_->PictureRect().Width(), 400.0 * pr.Width() / pageWidth, 1.0);
        EXPECT_EQ(form.Handle_->PartAt(form.Handle_->Width() - 1, form.Handle_->Height() / 2), 0);
        Click(form.HCenterBox);
        EXPECT_TRUE(form.LeftMargin->Enabled());
        Click(form.ProportionalBox);
        EXPECT_FALSE(form.OriginalBox->Checked());
        EXPECT_TRUE(form.PicHeight->Enabled() == false);  // proportional on
    });
}

TEST(PicPrinter, MillimetreEditsPlaceThePicture)
{
    Fixture f;
    RunForm(f.printer, [](TfrmPicPrint& form) {
        FreeLayout(form);
        struct Case {
            TEdit* edit;
            const char* text;
            const char* shown;
        } cases[] = {
            {form.PicWidth, "100", "100"},
            {form.PicHeight, "50", "50"},
            {form.LeftMargin, "30", "30"},
            {form.TopMargin, "40", "40"},
            {form.PicWidth, "abc", "100"},      // no number: nothing changes
            {form.LeftMargin, "-50", "0"},      // before the page: at its edge
            {form.PicWidth, "1e12", nullptr},   // beyond the page: the page's width at most
        };
        for (const Case& c : cases) {
            c.edit->SetText(c.text);
            Word key = VK_RETURN;
            c.edit->KeyDown(key, {});
            if (c.edit->OnKeyDown)
                c.edit->OnKeyDown(c.edit, key, {});
            if (c.shown) {
                EXPECT_EQ(c.edit->Text(), c.shown) << c.text;
            }
        }
        EXPECT_LE(form.Handle_->PictureRect().Width(), form.PageRect().Width());
        Shot(form, "pic_print_millimetres");
    });
}

TEST(PicPrinter, LayoutAndWindowPositionInTheIniFile)
{
    Fixture f;
    const QString ini = PathIn(f.dir, "LUMADEX.INI");
    f.printer.INIFileName = ini;
    TRect stored;
    RunForm(f.printer, [&](TfrmPicPrint& form) {
        Click(form.FitBox);
        Click(form.HCenterBox);
        Click(form.VCenterBox);
        form.PicWidth->SetText("80");
        Word key = VK_RETURN;
        form.PicWidth->OnKeyDown(form.PicWidth, key, {});
        stored = form.Handle_->PictureRect();
        form.SetBounds(30, 40, 700, 500);
    });
    TIniFile file(ini);
    EXPECT_EQ(file.ReadInteger("PrintForm", "Left", -1), stored.Left);
    EXPECT_EQ(file.ReadInteger("PrintForm", "Width", -1), stored.Width());
    EXPECT_FALSE(file.ReadBool("PrintForm", "FitToPage", true));
    EXPECT_FALSE(file.ReadBool("PrintForm", "HCenter", true));
    EXPECT_TRUE(file.ReadBool("PrintForm", "Proportional", false));
    EXPECT_EQ(file.ReadInteger("WinPos", "PrintForm_Width", -1), 700);
    EXPECT_EQ(file.ReadInteger("WinPos", "PrintForm_Height", -1), 500);
    RunForm(f.printer, [&](TfrmPicPrint& form) {
        EXPECT_EQ(form.Width(), 700);
        EXPECT_FALSE(form.FitBox->Checked());
        EXPECT_FALSE(form.HCenterBox->Checked());
        EXPECT_TRUE(form.LeftMargin->Enabled());
        EXPECT_EQ(form.Handle_->PictureRect().Width(), stored.Width());
    });
}

TEST(PicPrinter, AnsweringNoPrintsNothingYesPrintsThePage)
{
    Fixture f;
    f.printer.PicCaption = "Urlaub am Meer";
    {
        TPromptScript script;
        script.Modal([](TCustomForm& fm) {
            auto& form = dynamic_cast<TfrmPicPrint&>(fm);
            EXPECT_TRUE(form.PicCaptionButton->Visible());
            form.PrintButton->Click();
            EXPECT_TRUE(form.Handle_->Attached());  // back to the layout
            EXPECT_FALSE(form.Composed());
            form.CloseButton->Click();
        });
        script.Answer(TPromptKind::Dialog, mrNo, "Ausdruck starten ?");
        f.printer.Execute();
    }
    EXPECT_FALSE(QFile::exists(f.pdf));
    QString widthMm;
    {
        TPromptScript script;
        script.Modal([&](TCustomForm& fm) {
            auto& form = dynamic_cast<TfrmPicPrint&>(fm);
            Click(form.FitBox);
            form.PicWidth->SetText("120");
            Word key = VK_RETURN;
            form.PicWidth->OnKeyDown(form.PicWidth, key, {});
            widthMm = form.PicWidth->Text();
            Shot(form, "pic_print_caption");
            form.PrintButton->Click();
            form.CloseButton->Click();
        });
        script.Answer(TPromptKind::Dialog, mrYes, "Ausdruck starten ?");
        EXPECT_FALSE(f.printer.Execute());  // printing does not make it OK
    }
    EXPECT_EQ(PdfPages(f.pdf), 1);
    // The placed picture: 400 pixels over the width shown in millimetres.
    const auto images = PdfImages(f.pdf);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].Width, 400);
    const double placedMm = 400.0 / images[0].PpiX * 25.4;
    EXPECT_NEAR(placedMm, widthMm.toDouble(), 2.0);
}

TEST(PicPrinter, KeysOfTheForm)
{
    Fixture f;
    TPromptScript script;
    script.Modal([](TCustomForm& fm) {
        auto& form = dynamic_cast<TfrmPicPrint&>(fm);
        FreeLayout(form);
        // Enter in an edit takes the millimetres typed.
        form.PicWidth->SetText("60");
        lxui_test::SendKey(form.PicWidth->Handle(), Qt::Key_Return, "\r");
        EXPECT_EQ(form.PicWidth->Text(), "60");
        EXPECT_NEAR(form.Handle_->PictureRect().Width(), form.PrintableRect().Width() * 60.0 / 190, 1.0);
        EXPECT_EQ(form.ModalResult, mrNone);
        // Esc closes the form with Cancel.
        lxui_test::SendKey(form.LeftMargin->Handle(), Qt::Key_Escape, "\x1b");
        EXPECT_EQ(form.ModalResult, mrCancel);
    });
    EXPECT_FALSE(f.printer.Execute());
}

TEST(PicPrinter, PrinterSetupRunsThePageGeometryAgain)
{
    Fixture f;
    TPromptScript script;
    script.Modal([](TCustomForm& fm) {
        auto& form = dynamic_cast<TfrmPicPrint&>(fm);
        EXPECT_LT(form.PageRect().Width(), form.PageRect().Height());
        form.SetupButton->Click();
        EXPECT_TRUE(form.Landscape->Checked());
        EXPECT_GT(form.PageRect().Width(), form.PageRect().Height());
        // The fitted picture follows the new printable area.
        EXPECT_EQ(form.Handle_->PictureRect().Width(), form.PrintableRect().Width());
        form.CloseButton->Click();
    });
    script.AnswerValue("Paper=A4\nOrientation=Landscape");
    f.printer.Execute();
    Printer()->setPageOrientation(QPageLayout::Portrait);
}

TEST(PicPrinter, LandscapeOrientationIsSetBeforeTheForm)
{
    Fixture f;
    f.printer.Orientation = qkpoLandscape;
    RunForm(f.printer, [](TfrmPicPrint& form) {
        EXPECT_TRUE(form.Landscape->Checked());
        EXPECT_GT(form.PageRect().Width(), form.PageRect().Height());
        Shot(form, "pic_print_landscape");
    });
    Printer()->setPageOrientation(QPageLayout::Portrait);
}

TEST(PicPrinter, NoPrinterAndNoClipboardBitmap)
{
    Fixture f;
    QGuiApplication::clipboard()->setText("kein Bild");
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrOk, "Keine gültige Bitmap im Clipboard");
        EXPECT_FALSE(f.printer.PrintClipboard());
    }
    QGuiApplication::clipboard()->setImage(Quarters(50, 100));
    RunForm(f.printer, [](TfrmPicPrint&) {});  // Execute itself; then the clipboard
    {
        TPromptScript script;
        script.Modal([](TCustomForm& fm) {
            auto& form = dynamic_cast<TfrmPicPrint&>(fm);
            EXPECT_EQ(form.Handle_->Picture->Width(), 50);
            form.CloseButton->Click();
        });
        f.printer.PrintClipboard();
    }
    Printer()->setOutputFileName(QString());
    Printer()->setOutputFormat(QPrinter::NativeFormat);
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        GTEST_SKIP() << "this machine has printers";
    TPromptScript script;
    script.Answer(TPromptKind::Dialog, mrOk, kNoPrinterMessage);
    EXPECT_FALSE(f.printer.Execute());
    script.Answer(TPromptKind::Dialog, mrOk, kNoPrinterMessage);
    EXPECT_FALSE(f.printer.PrintClipboard());
}

namespace {

// The single picture prints by the colour rule of the lists: in colour on a
// raw queue (which says nothing about colour) and on a colour PPD queue,
// grey only on a queue whose PPD says ColorDevice False. The spooled job is
// read back with pdfimages.
TEST(PicPrinter, SinglePictureFollowsTheQueuesColourRule)
{
    lxtest::TPrivateCupsd cupsd({"Roh", "Farbe", "Schwarzweiss"});
    cupsd.SetPpd("Farbe", lxtest::TPrivateCupsd::ColourPpd("Farbe", true));
    cupsd.SetPpd("Schwarzweiss", lxtest::TPrivateCupsd::ColourPpd("Schwarzweiss", false));
    ASSERT_EQ(cupsd.Start(), "");
    rgSetPrinterSource(rgCreateCupsPrinterSource());
    struct Fall {
        const char* Queue;
        const char* Colour;  // pdfimages' colour space of the placed picture
    };
    for (const Fall& f : {Fall{"Roh", "rgb"}, Fall{"Farbe", "rgb"}, Fall{"Schwarzweiss", "gray"}}) {
        SCOPED_TRACE(f.Queue);
        QPrinter* p = Printer();
        p->setOutputFileName(QString());
        p->setOutputFormat(QPrinter::NativeFormat);
        p->setPrinterName(f.Queue);
        ASSERT_EQ(p->printerName(), f.Queue);
        const qsizetype before = cupsd.JobFiles().size();
        TQKPicPrinter printer(nullptr);
        printer.Picture()->Bitmap()->SetImage(Quarters(400, 200));
        TPromptScript script;
        script.Modal([](TCustomForm& fm) {
            auto& form = dynamic_cast<TfrmPicPrint&>(fm);
            form.PrintButton->Click();
            form.CloseButton->Click();
        });
        script.Answer(TPromptKind::Dialog, mrYes, "Ausdruck starten ?");
        printer.Execute();
        const QStringList files = cupsd.JobFiles();
        ASSERT_EQ(files.size(), before + 1);
        QStringList colours;
        for (const QString& line : Tool("pdfimages", {"-list", files.last()}).split('\n')) {
            const QStringList c = line.simplified().split(' ');
            if (c.size() >= 14 && c[2] == "image")
                colours << c[5];
        }
        EXPECT_EQ(colours, QStringList({f.Colour}));
    }
    // Later tests find the program's printer writing files, not at a queue
    // of a scheduler that is gone.
    Printer()->setOutputFormat(QPrinter::PdfFormat);
    rgSetPrinterSource(nullptr);
}

}  // namespace
