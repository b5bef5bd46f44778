// A report printed the way the application prints it: to the preview form
// (its viewer asks for pages), and through the print dialog, the printer
// device and the cancel dialog, with the forms answered by a prompt script.
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "engine_fixtures.h"
#include "fake_printer_source.h"
#include "pdf_tools.h"
#include "platform/stream/component_writer.h"
#include "platform/ui/prompt_script.h"
#include "private_cupsd.h"
#include "report/engine/rg_calculated_text.h"
#include "report/output/rg_cancel_dialog.h"
#include "report/output/rg_file_devices.h"
#include "report/output/rg_preview_form.h"
#include "report/output/rg_print_dialog.h"
#include "report/output/rg_printer_device.h"
#include "report/output/rg_printer_list.h"
#include "report/output/rg_screen_device.h"
#include "report/output/rg_viewer.h"

namespace {

// A spooler that refuses every job, as a print system does whose queue
// went away between the dialog and the end of the job.
class TRefusingSpooler : public TrgSpooler {
public:
    int Submit(const TrgSpoolJob&) override { throw EPrintError("Der Drucker \"Laser\" nimmt keine Aufträge an."); }
};

QString PdfText(const QString& FileName)
{
    return rgtest::ToolOutput(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), FileName, QStringLiteral("-")});
}

class ProducerPrintTest : public TEngineTest {
protected:
    void SetUp() override
    {
        TEngineTest::SetUp();
        // The engine's own forms (other tests register substitutes).
        TrgPrintPreview::Register();
        TrgPrintDialog::Register();
        TrgCancelDialog::Register();
        rgtest::InstallFakePrinters({rgtest::OfficeLaser()});
        rows = MakeRows(7);  // three pages of three, two and one record
        MakeListReport(rows.get());
        TrgPrinterSetup* setup = report->PrinterSetup();
        setup->SetPrinterName(QStringLiteral("Laser"));
        report->SetArchiveFileName(dir.filePath(QStringLiteral("bericht.raf")));
        report->SetTextFileName(dir.filePath(QStringLiteral("bericht.txt")));
        report->SetAllowPrintToArchive(true);
        report->SetAllowPrintToFile(true);
        Follow();
    }
    void TearDown() override
    {
        report.reset();
        rgSetPrinterSource(nullptr);
        TEngineTest::TearDown();
    }

    // Every event of the report, in the order it fires.
    void Follow()
    {
        const std::pair<TNotifyEvent TrgProducer::*, const char*> events[] = {
            {&TrgProducer::AfterPrint, "AfterPrint"},
            {&TrgProducer::BeforePrint, "BeforePrint"},
            {&TrgProducer::OnCancel, "OnCancel"},
            {&TrgProducer::OnCancelDialogCreate, "OnCancelDialogCreate"},
            {&TrgProducer::OnCancelDialogClose, "OnCancelDialogClose"},
            {&TrgProducer::OnPreviewFormCreate, "OnPreviewFormCreate"},
            {&TrgProducer::OnPreviewFormClose, "OnPreviewFormClose"},
            {&TrgProducer::OnPrintDialogCreate, "OnPrintDialogCreate"},
            {&TrgProducer::OnPrintDialogClose, "OnPrintDialogClose"},
            {&TrgProducer::OnPrintingComplete, "OnPrintingComplete"},
        };
        for (const auto& [event, name] : events) {
            const QString text = QString::fromLatin1(name);
            report.get()->*event = [this, text](TObject* Sender) {
                EXPECT_EQ(Sender, report.get()) << text.toStdString();
                Events << text;
            };
        }
    }

    QString PdfName() const { return dir.filePath(QStringLiteral("bericht.pdf")); }

    std::unique_ptr<TListPipeline> rows;
    QTemporaryDir dir;
    QStringList Events;
};

// ---- the preview -------------------------------------------------------------------

TEST_F(ProducerPrintTest, AModalPreviewMakesOnlyThePagesItsViewerShowsAndReportsItsClose)
{
    report->SetDevice(dvScreen);
    TPromptScript script;
    script.Modal<TrgPrintPreview>([this](TrgPrintPreview& Form) {
        EXPECT_EQ(Events, (QStringList{"OnPreviewFormCreate", "BeforePrint"}));
        EXPECT_EQ(report->PreviewForm(), &Form);
        EXPECT_TRUE(report->PrintInProgress());
        EXPECT_EQ(Form.rgViewer1->Report(), report.get());
        EXPECT_EQ(Form.LanguageIndex(), report->LanguageIndex());
        // The viewer shows the first page; the other two were never made.
        EXPECT_EQ(report->PageNumbers, std::vector<int>{1});
        Form.rgViewer1->GotoPage(3);
        EXPECT_EQ(report->PageNumbers.back(), 3);
        Form.CloseClick();
    });
    report->Print();

    EXPECT_EQ(Events, (QStringList{"OnPreviewFormCreate", "BeforePrint", "AfterPrint", "OnPreviewFormClose"}))
        << "a closed preview reports AfterPrint, never OnPrintingComplete";
    EXPECT_EQ(report->PreviewForm(), nullptr);
    EXPECT_FALSE(report->PrintInProgress());
    EXPECT_TRUE(report->Cancelled()) << "closing the preview stops the job";
    EXPECT_TRUE(report->Pages.front().contains(QStringLiteral("\"Satz 1\"")));
}

TEST_F(ProducerPrintTest, AModelessPreviewStaysOpenAndASecondPrintOpensNoOther)
{
    report->SetDevice(dvScreen);
    report->SetModalPreview(false);
    report->Print();
    TrgCustomPreviewer* form = report->PreviewForm();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->Visible());
    EXPECT_TRUE(report->PrintInProgress());
    EXPECT_EQ(Events, (QStringList{"OnPreviewFormCreate", "BeforePrint"}));

    report->Print();
    EXPECT_EQ(report->PreviewForm(), form);
    EXPECT_EQ(Events.count("OnPreviewFormCreate"), 1);

    form->Close();
    EXPECT_EQ(Events.mid(2), (QStringList{"AfterPrint", "OnPreviewFormClose"}));
    EXPECT_FALSE(report->PrintInProgress());
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(report->PreviewForm(), nullptr) << "the closed form frees itself and the report forgets it";
}

TEST_F(ProducerPrintTest, APreviewWhoseJobFailsClosesAndPassesTheErrorOn)
{
    report->OnStartPage = [](TObject*) { throw EPrintError("Seite lässt sich nicht aufbauen."); };
    report->SetDevice(dvScreen);
    TPromptScript script;
    script.Modal<TrgPrintPreview>([](TrgPrintPreview& Form) {
        EXPECT_EQ(Form.ModalResult, mrAbort) << "the failed job closes the form";
    });
    try {
        report->Print();
        ADD_FAILURE() << "no error";
    } catch (const EPrintError& e) {
        EXPECT_EQ(QString::fromUtf8(e.what()), QStringLiteral("Seite lässt sich nicht aufbauen."));
    }
    EXPECT_EQ(Events, (QStringList{"OnPreviewFormCreate", "BeforePrint", "OnPreviewFormClose"}));
    EXPECT_EQ(report->PreviewForm(), nullptr);
    EXPECT_FALSE(report->PrintInProgress());
}

// ---- the printer -----------------------------------------------------------------

TEST_F(ProducerPrintTest, APrintThroughBothDialogsRunsItsEventsInOrderAndWritesEveryPage)
{
    TPromptScript script;
    script.Modal<TrgPrintDialog>([this](TrgPrintDialog& Dialog) {
        EXPECT_EQ(Dialog.Printer, report->PrinterDevice()->Printer());
        EXPECT_TRUE(report->PrinterDevice()->Exclusive());
        EXPECT_EQ(Dialog.Report(), report.get());
        Dialog.Printer->OutputFileName = PdfName();
        Dialog.btnOKClick();
    });
    script.Modal<TrgCancelDialog>([this](TrgCancelDialog& Dialog) {
        EXPECT_EQ(report->CancelDialog(), &Dialog);
        EXPECT_EQ(report->PrinterDevice()->CancelDialog(), &Dialog);
        EXPECT_TRUE(Dialog.ModalShown());
        // The job ran when the dialog showed; its timer closes it.
        EXPECT_TRUE(Events.contains("OnPrintingComplete"));
        EXPECT_TRUE(Dialog.ModalLoop(10000));
    });
    report->SetDevice(dvPrinter);
    report->Print();

    EXPECT_EQ(Events, (QStringList{"OnPrintDialogCreate", "OnPrintDialogClose", "OnCancelDialogCreate", "BeforePrint",
                                   "AfterPrint", "OnPrintingComplete", "OnCancelDialogClose"}));
    EXPECT_EQ(report->PrinterDevice(), nullptr);
    EXPECT_EQ(report->CancelDialog(), nullptr);
    EXPECT_EQ(report->PrintDialog(), nullptr);
    EXPECT_FALSE(report->PrintInProgress());
    const QString text = PdfText(PdfName());
    for (int i = 1; i <= 7; ++i)
        EXPECT_TRUE(text.contains(QStringLiteral("Satz %1").arg(i))) << text.toStdString();
    EXPECT_EQ(text.count(QChar('\f')), 3) << "three pages";
}

TEST_F(ProducerPrintTest, ACancelledPrintDialogPrintsNothing)
{
    TPromptScript script;
    script.Modal([](TCustomForm& Dialog) { Dialog.ModalResult = mrCancel; });
    report->SetDevice(dvPrinter);
    report->Print();
    EXPECT_EQ(Events, (QStringList{"OnPrintDialogCreate", "OnPrintDialogClose"}));
    EXPECT_TRUE(report->Pages.empty());
    EXPECT_EQ(report->PrinterDevice(), nullptr);
    EXPECT_FALSE(report->PrintInProgress());
}

TEST_F(ProducerPrintTest, TheDialogsChoiceOfFileWinsOverTheDevice)
{
    struct Case {
        const char* name;
        TrgDeviceType device;
        bool dialog;
        bool toText, toArchive;
        const char* expected;  // the file that is written
    };
    const Case cases[] = {
        {"no dialog, text file", dvFile, false, false, false, "bericht.txt"},
        {"no dialog, archive", dvArchive, false, false, false, "bericht.raf"},
        {"dialog chooses the archive over dvFile", dvFile, true, false, true, "anders.raf"},
        {"dialog chooses the text file over dvPrinter", dvPrinter, true, true, false, "anders.txt"},
    };
    // The detail saves its label in a text file.
    detail->SetSave(true);
    static_cast<TrgLabel*>(detail->GetComponentAt(0))->SetSave(true);
    for (const Case& c : cases) {
        for (const QString& name : QDir(dir.path()).entryList(QDir::Files))
            QFile::remove(dir.filePath(name));
        TPromptScript script;
        if (c.dialog) {
            script.Modal<TrgCustomPrintDialog>([&](TrgCustomPrintDialog& Dialog) {
                Dialog.PrintToTextFile = c.toText;
                Dialog.PrintToArchive = c.toArchive;
                Dialog.TextFileName = dir.filePath(QStringLiteral("anders.txt"));
                Dialog.ArchiveFileName = dir.filePath(QStringLiteral("anders.raf"));
                Dialog.ModalResult = mrOk;
            });
        }
        report->SetDevice(c.device);
        report->SetShowPrintDialog(c.dialog);
        report->SetShowCancelDialog(false);
        report->Print();
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QString::fromLatin1(c.expected)}) << c.name;
        EXPECT_GT(QFileInfo(dir.filePath(QString::fromLatin1(c.expected))).size(), 0) << c.name;
    }
}

TEST_F(ProducerPrintTest, CopiesChosenInTheDialogLastOnlyForThePrintUnlessTheSetupIsSaved)
{
    struct Case {
        bool save;
        int copiesAfter;
    };
    for (const Case c : {Case{false, 1}, Case{true, 3}}) {
        report->PrinterSetup()->SetCopies(1);
        report->SavePrinterSetup = c.save;
        int copiesDuringPrint = 0;
        report->BeforePrint = [&](TObject*) { copiesDuringPrint = report->PrinterSetup()->Copies(); };
        TPromptScript script;
        script.Modal<TrgPrintDialog>([this](TrgPrintDialog& Dialog) {
            Dialog.Printer->OutputFileName = PdfName();
            Dialog.edtCopies->SetText(QStringLiteral("3"));
            Dialog.btnOKClick();
        });
        report->SetDevice(dvPrinter);
        report->SetShowCancelDialog(false);
        report->Print();
        EXPECT_EQ(copiesDuringPrint, 3) << c.save;
        EXPECT_EQ(report->PrinterSetup()->Copies(), c.copiesAfter) << c.save;
    }
}

TEST_F(ProducerPrintTest, WithoutAnyPrinterTheUserIsToldTwiceAndNothingPrints)
{
    rgtest::InstallFakePrinters({});
    TPromptScript script;
    script.Answer(mrOk, QStringLiteral("There are no printers connected to your computer."))
        .Answer(mrOk, QStringLiteral("Windows cannot print due to a problem with the current printer setup."));
    report->SetDevice(dvPrinter);
    report->SetShowPrintDialog(false);
    report->Print();
    EXPECT_TRUE(Events.isEmpty()) << Events.join(", ").toStdString();
    EXPECT_TRUE(report->Pages.empty());
    EXPECT_FALSE(report->PrintInProgress());
}

TEST_F(ProducerPrintTest, AJobTheSpoolerRefusesEndsWithTheErrorAndIsNotReportedAsDone)
{
    for (const bool cancelDialog : {false, true}) {
        Events.clear();
        TPromptScript script;
        script.Modal<TrgPrintDialog>([](TrgPrintDialog& Dialog) {
            Dialog.Printer->SetSpooler(std::make_unique<TRefusingSpooler>());
            Dialog.btnOKClick();
        });
        if (cancelDialog)
            script.Modal<TrgCancelDialog>([](TrgCancelDialog& Dialog) { EXPECT_TRUE(Dialog.ModalLoop(10000)); });
        report->SetDevice(dvPrinter);
        report->SetShowCancelDialog(cancelDialog);
        try {
            report->Print();
            ADD_FAILURE() << "no error, cancel dialog " << cancelDialog;
        } catch (const EPrintError& e) {
            EXPECT_EQ(QString::fromUtf8(e.what()), QStringLiteral("Der Drucker \"Laser\" nimmt keine Aufträge an."));
        }
        EXPECT_FALSE(Events.contains("AfterPrint")) << Events.join(", ").toStdString();
        EXPECT_FALSE(Events.contains("OnPrintingComplete"));
        EXPECT_EQ(report->PrinterDevice(), nullptr);
        EXPECT_EQ(report->CancelDialog(), nullptr);
        EXPECT_FALSE(report->PrintInProgress());
    }
}

TEST_F(ProducerPrintTest, TheCancelButtonStopsTheJobAndNothingReachesTheFile)
{
    TPromptScript script;
    script.Modal<TrgCancelDialog>([](TrgCancelDialog& Dialog) { EXPECT_TRUE(Dialog.ModalLoop(10000)); });
    report->OnStartPage = [this](TObject*) {
        if (report->GetCurrentPageNo() == 2 && report->CancelDialog())
            report->CancelDialog()->DoCancel();
    };
    report->SetDevice(dvPrinter);
    report->SetShowPrintDialog(false);
    // Without the dialog the printer's output file is set through the device.
    report->DeviceHook = [this](TrgDevice* Device) {
        if (auto* printer = dynamic_cast<TrgPrinterDevice*>(Device))
            printer->Printer()->OutputFileName = PdfName();
    };
    report->Print();
    EXPECT_TRUE(Events.contains("OnCancel"));
    EXPECT_TRUE(report->Cancelled());
    EXPECT_FALSE(QFile::exists(PdfName())) << "a cancelled job prints nothing";
}

// ---- text files ----------------------------------------------------------------------

TEST_F(ProducerPrintTest, ATextFileHoldsOneLinePerPrintedBand)
{
    // The page header saves two fields, the detail one: each printed band
    // is a line of its own, never joined to the record's detail.
    auto* title = static_cast<TrgLabel*>(header->GetComponentAt(0));
    TrgLabel* list = AddLabel(header, QStringLiteral("Liste"), 40000, 0);
    for (TrgCustomText* text : {static_cast<TrgCustomText*>(title), static_cast<TrgCustomText*>(list),
                                static_cast<TrgCustomText*>(detail->GetComponentAt(0))})
        text->SetSave(true);
    header->SetSave(true);
    detail->SetSave(true);
    report->SetDevice(dvFile);
    report->SetShowPrintDialog(false);
    report->SetShowCancelDialog(false);
    for (const TrgPassSettingType pass : {psOnePass, psTwoPass}) {
        report->SetPassSetting(pass);
        report->Print();
        QFile file(report->TextFileName());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), QByteArray("Kopf,Liste\r\nSatz 1\r\nSatz 2\r\nSatz 3\r\n"
                                             "Kopf,Liste\r\nSatz 4\r\nSatz 5\r\nSatz 6\r\n"
                                             "Kopf,Liste\r\nSatz 7"))
            << pass;
    }
}

// ---- page totals -------------------------------------------------------------------

// The footer says "Seite n von m"; the footer and its text are saved in a
// text file too.
class PageTotalTest : public ProducerPrintTest {
protected:
    void SetUp() override
    {
        ProducerPrintTest::SetUp();
        report->SetLanguage(lgGerman);
        auto* total = new TrgCalc(&form);
        total->SetBand(footer);
        total->SetAutoSize(false);
        total->SetmmBounds(35000, 0, 40000, 4000);
        total->SetCalcType(ctPageSetDesc);
        total->SetSave(true);
        footer->SetSave(true);
        report->SetShowPrintDialog(false);
        report->SetShowCancelDialog(false);
        report->DeviceHook = [this](TrgDevice* Device) {
            if (auto* printer = dynamic_cast<TrgPrinterDevice*>(Device))
                printer->Printer()->OutputFileName = pdfName;
        };
    }
    QString PrintTo(TrgDeviceType Device, TrgPassSettingType Pass)
    {
        const QString stem = dir.filePath(Pass == psOnePass ? QStringLiteral("eins") : QStringLiteral("zwei"));
        pdfName = stem + QStringLiteral(".pdf");
        report->SetArchiveFileName(stem + QStringLiteral(".raf"));
        report->SetTextFileName(stem + QStringLiteral(".txt"));
        report->SetPassSetting(Pass);
        report->SetDevice(Device);
        report->Print();
        switch (Device) {
        case dvArchive: return report->ArchiveFileName();
        case dvFile: return report->TextFileName();
        default: return pdfName;
        }
    }
    static QStringList Totals() { return {"Seite 1 von 3", "Seite 2 von 3", "Seite 3 von 3"}; }
    QString pdfName;
};

TEST_F(PageTotalTest, EveryPrintedPageOfAOnePassReportShowsTheTrueTotalAsTwoPassesDo)
{
    const QString onePass = PdfText(PrintTo(dvPrinter, psOnePass));
    const QString twoPass = PdfText(PrintTo(dvPrinter, psTwoPass));
    ASSERT_EQ(onePass.count(QChar('\f')), 3) << onePass.toStdString();
    const QStringList pages = onePass.split(QChar('\f'));
    for (int page = 0; page < 3; ++page)
        EXPECT_TRUE(pages.at(page).contains(Totals().at(page))) << pages.at(page).toStdString();
    EXPECT_FALSE(onePass.contains(QStringLiteral("von 1"))) << onePass.toStdString();
    EXPECT_EQ(onePass.toStdString(), twoPass.toStdString()) << "one pass and two passes print the same";
}

TEST_F(PageTotalTest, AnArchiveOfAOnePassReportHoldsTheSamePagesAsTwoPassesWrite)
{
    std::vector<QByteArray> byPass[2];
    for (const TrgPassSettingType pass : {psOnePass, psTwoPass}) {
        const TrgArchiveReader archive(PrintTo(dvArchive, pass));
        ASSERT_EQ(archive.PageCount(), 3);
        for (int i = 0; i < archive.PageCount(); ++i) {
            const std::unique_ptr<TrgPage> page = archive.ReadPage(i);
            EXPECT_EQ(page->AbsolutePageCount, 3) << "page " << i + 1;
            EXPECT_EQ(page->PageCount, 3) << "page " << i + 1;
            EXPECT_TRUE(DumpPage(*page).contains(Totals().at(i))) << DumpPage(*page).toStdString();
            // The page says which pass setting made it; all else is alike.
            EXPECT_EQ(page->PassSetting, pass);
            page->PassSetting = psOnePass;
            byPass[pass].push_back(ComponentToBytes(page.get()));
        }
    }
    EXPECT_EQ(byPass[psOnePass], byPass[psTwoPass]);
}

TEST_F(PageTotalTest, ATextFileOfAOnePassReportSavesTheTrueTotal)
{
    QFile file(PrintTo(dvFile, psOnePass));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("Seite 1 von 3\r\nSeite 2 von 3\r\nSeite 3 von 3"));
}

TEST_F(PageTotalTest, ThePreviewShowsTheTrueTotalOnTheFirstPageItShows)
{
    report->SetDevice(dvScreen);
    TPromptScript script;
    script.Modal<TrgPrintPreview>([this](TrgPrintPreview& Form) {
        const TrgPage* shown = Form.rgViewer1->ScreenDevice()->DisplayPage();
        EXPECT_EQ(shown->AbsolutePageNo, 1);
        EXPECT_TRUE(DumpPage(*shown).contains(QStringLiteral("\"Seite 1 von 3\""))) << DumpPage(*shown).toStdString();
        EXPECT_EQ(report->PageNumbers, std::vector<int>{1}) << "the other pages were only counted";
        Form.rgViewer1->GotoPage(2);
        shown = Form.rgViewer1->ScreenDevice()->DisplayPage();
        EXPECT_TRUE(DumpPage(*shown).contains(QStringLiteral("\"Seite 2 von 3\""))) << DumpPage(*shown).toStdString();
        Form.CloseClick();
    });
    report->Print();
}

// ---- a real scheduler ------------------------------------------------------------

class ProducerCupsTest : public ProducerPrintTest {
protected:
    void SetUp() override
    {
        ProducerPrintTest::SetUp();
        ASSERT_EQ(cupsd.Start(), "");
        rgSetPrinterSource(rgCreateCupsPrinterSource());
        report->PrinterSetup()->SetPrinterName(QStringLiteral("Probe"));
        report->SetDevice(dvPrinter);
        report->SetShowPrintDialog(false);
        report->SetShowCancelDialog(false);
    }

    lxtest::TPrivateCupsd cupsd{{"Probe"}};
};

TEST_F(ProducerCupsTest, APrintReachesTheSchedulerAsOneJobOfEveryPage)
{
    report->Print();
    EXPECT_TRUE(Events.contains("OnPrintingComplete"));
    ASSERT_EQ(cupsd.JobIds().size(), 1);
    const QStringList files = cupsd.JobFiles();
    ASSERT_EQ(files.size(), 1);
    const QString text = PdfText(files.front());
    for (int i = 1; i <= 7; ++i)
        EXPECT_TRUE(text.contains(QStringLiteral("Satz %1").arg(i))) << text.toStdString();
}

// The darkest pixel right of RightOf (a fraction of the page's width) in
// the upper or the lower half of a page image: a text's own colour. The
// page is the white sheet in the image, without the preview's frame.
QColor DarkestTextColour(const QImage& Image, double RightOf, bool Upper)
{
    QRect sheet;
    for (int y = 0; y < Image.height(); ++y)
        for (int x = 0; x < Image.width(); ++x)
            if (Image.pixel(x, y) == qRgb(255, 255, 255))
                sheet |= QRect(x, y, 1, 1);
    const QImage Page = Image.copy(sheet.adjusted(2, 2, -2, -2));
    QColor darkest = Qt::white;
    const int from = Upper ? 0 : Page.height() / 2, to = Upper ? Page.height() / 2 : Page.height();
    for (int y = from; y < to; ++y)
        for (int x = int(Page.width() * RightOf); x < Page.width(); ++x)
            if (Page.pixelColor(x, y).lightness() < darkest.lightness())
                darkest = Page.pixelColor(x, y);
    return darkest;
}

bool NearColour(QColor a, QColor b)
{
    return std::abs(a.red() - b.red()) < 30 && std::abs(a.green() - b.green()) < 30 && std::abs(a.blue() - b.blue()) < 30;
}

// A grey caption and a navy one print on the scheduler's queue (a queue
// without a colour driver) in the colours the preview shows.
TEST_F(ProducerCupsTest, CaptionsPrintInTheColoursThePreviewShows)
{
    for (auto [band, caption, colour] : {std::tuple{static_cast<TrgBand*>(header), "Beschriftung", clGray},
                                         std::tuple{static_cast<TrgBand*>(footer), "Strand.jpg", clNavy}}) {
        TrgLabel* label = AddLabel(band, QString::fromLatin1(caption), 45000, 0, 5000);
        label->Font()->SetSize(14);
        label->Font()->SetStyle({fsBold});
        label->Font()->SetColor(colour);
    }
    const QColor grey(128, 128, 128), navy(0, 0, 128);

    // The preview's page.
    report->SetDevice(dvScreen);
    TComponent viewerStandIn(nullptr);
    auto* screen = new TrgScreenDevice(&viewerStandIn);
    screen->BoxSize = QSize(1240, 1754);
    screen->SetPublisher(report->Publisher());
    report->Publish();
    const QImage shown = screen->PageBitmap().convertToFormat(QImage::Format_RGB32);
    screen->SetPublisher(nullptr);
    ASSERT_FALSE(shown.isNull());
    EXPECT_TRUE(NearColour(DarkestTextColour(shown, 0.5, true), grey)) << DarkestTextColour(shown, 0.5, true).name().toStdString();
    EXPECT_TRUE(NearColour(DarkestTextColour(shown, 0.5, false), navy)) << DarkestTextColour(shown, 0.5, false).name().toStdString();

    // The printed page.
    report->SetDevice(dvPrinter);
    report->Print();
    const QStringList files = cupsd.JobFiles();
    ASSERT_EQ(files.size(), 1);
    const QString png = dir.filePath(QStringLiteral("seite"));
    rgtest::ToolOutput(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-f"),
                                                    QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
                                                    QStringLiteral("-singlefile"), QStringLiteral("-png"), files[0], png});
    const QImage printed = QImage(png + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(printed.isNull());
    EXPECT_TRUE(NearColour(DarkestTextColour(printed, 0.5, true), grey)) << DarkestTextColour(printed, 0.5, true).name().toStdString();
    EXPECT_TRUE(NearColour(DarkestTextColour(printed, 0.5, false), navy)) << DarkestTextColour(printed, 0.5, false).name().toStdString();
}

TEST_F(ProducerCupsTest, APrinterThatVanishesDuringTheJobEndsItWithThePrintError)
{
    // The queue is deleted while the pages are made.
    report->OnStartPage = [this](TObject*) {
        if (report->GetCurrentPageNo() == 2) {
            ASSERT_EQ(QProcess::execute(QStringLiteral("lpadmin"), {QStringLiteral("-x"), QStringLiteral("Probe")}), 0);
        }
    };
    try {
        report->Print();
        ADD_FAILURE() << "the print was reported as done";
    } catch (const EPrintError& e) {
        EXPECT_FALSE(QString::fromUtf8(e.what()).trimmed().isEmpty());
    }
    EXPECT_FALSE(Events.contains("AfterPrint")) << Events.join(", ").toStdString();
    EXPECT_FALSE(Events.contains("OnPrintingComplete"));
    EXPECT_TRUE(cupsd.JobIds().isEmpty());
    EXPECT_EQ(report->PrinterDevice(), nullptr);
    EXPECT_FALSE(report->PrintInProgress());
}

}  // namespace

TEST_F(PageTotalTest, TheEngineSaysWhichPassOnlyCountsThePages)
{
    // Each record's detail band prints once in a pass that counts and once
    // in the pass that prints, whichever pass setting counts the pages; a
    // one-pass report without the total has no pass that only counts (its
    // last page is made again once it is known to be the last).
    QStringList calls;
    const auto follow = [this, &calls](TObject*) {
        calls << (report->Engine()->CountingPass() ? QStringLiteral("zählt") : QStringLiteral("druckt"));
    };
    const QStringList sevenTimes = QStringList(7, QStringLiteral("zählt")) + QStringList(7, QStringLiteral("druckt"));
    for (const TrgPassSettingType pass : {psOnePass, psTwoPass}) {
        SCOPED_TRACE(pass);
        calls.clear();
        detail->AfterPrint = follow;
        PrintTo(dvFile, pass);
        EXPECT_EQ(calls, sevenTimes);
    }
    delete footer->GetComponentAt(1);
    calls.clear();
    PrintTo(dvFile, psOnePass);
    EXPECT_EQ(calls, QStringList(8, QStringLiteral("druckt")));
}
