// The print dialog: German texts on both pages (with screenshots), the
// page range choices and their messages, copies, printing to a text or an
// archive file, the layout without a file page, laid out only once, and a
// printer that cannot be used.
#include "report/output/rg_print_dialog.h"

#include <gtest/gtest.h>

#include "platform/ui/buttons.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/std_ctrls.h"
#include "preview_fixtures.h"
#include "report/output/rg_printer.h"
#include "report/output/rg_strings.h"

using namespace rgtest;

namespace {

class PrintDialogTest : public PreviewTest {
protected:
    // A dialog as the producer prepares it, activated as when it shows.
    std::unique_ptr<TrgPrintDialog> Open(bool allowFile, bool allowArchive)
    {
        auto dialog = std::make_unique<TrgPrintDialog>(nullptr);
        dialog->SetLanguageIndex(rgGermanBase);
        dialog->SetReport(&report);
        dialog->Printer = &printer;
        dialog->PageRequested = 4;
        dialog->AllowPrintToFile = allowFile;
        dialog->AllowPrintToArchive = allowArchive;
        dialog->Activate();
        return dialog;
    }

    FakeReport report{12};
    TrgPrinter printer;
};

}  // namespace

TEST_F(PrintDialogTest, BothPagesShowTheirGermanTexts)
{
    auto dialog = Open(true, true);
    EXPECT_EQ(dialog->Caption(), "Drucken");
    EXPECT_EQ(dialog->tabPrinter->Caption(), "Drucker");
    EXPECT_EQ(dialog->tabFile->Caption(), "Datei");
    EXPECT_EQ(dialog->lblPrinterDesc->Caption(), "Drucker   " + printer.GetActualPrinterName());
    EXPECT_EQ(dialog->lblCopies->Caption(), "Exemplare");
    EXPECT_EQ(dialog->rdbAll->Caption(), "Alle");
    EXPECT_EQ(dialog->rdbCurrentPage->Caption(), "Aktuelle Seite");
    EXPECT_EQ(dialog->rdbPages->Caption(), "Seiten");
    EXPECT_EQ(dialog->lblPrintToFile->Caption(), "In Datei drucken");
    EXPECT_EQ(dialog->btnCancel->Caption(), "Abbrechen");
    EXPECT_EQ(dialog->edtCopies->Text(), "1");
    // The page-range frame ends a margin below the description, which it holds.
    EXPECT_GT(dialog->bvlPageRange->Top() + dialog->bvlPageRange->Height(),
              dialog->lblDescription->Top() + dialog->lblDescription->Height());
    EXPECT_LE(dialog->lblDescription->Left() + dialog->lblDescription->Width(),
              dialog->bvlPageRange->Left() + dialog->bvlPageRange->Width());
    EXPECT_LE(dialog->tbnDevice->Top() + dialog->tbnDevice->Height(), dialog->btnOK->Top());
    EXPECT_LE(dialog->btnOK->Top() + dialog->btnOK->Height(), dialog->ClientHeight());

    dialog->Show();
    QCoreApplication::processEvents();
    Screenshot(dialog->Handle(), "rg_print_dialog_printer_de");
    dialog->tbnDevice->SetActivePage(dialog->tabFile);
    dialog->cbxPrintToFile->SetChecked(true);
    dialog->UpdateFileControls();
    QCoreApplication::processEvents();
    Screenshot(dialog->Handle(), "rg_print_dialog_file_de");
    EXPECT_TRUE(dialog->btnFile->Enabled());
}

TEST_F(PrintDialogTest, PageRangeChoicesGiveThePageSetting)
{
    const struct {
        const char* choice;
        QString pages;
        TrgPageSettingType setting;
        QStringList list;
    } cases[] = {
        {"all", "", psAll, {}},
        {"current", "", psSinglePage, {}},
        {"pages", "1,3,5-12", psPageList, {"1", "3", "5", "6", "7", "8", "9", "10", "11", "12"}},
        {"pages", "12-5, 3,3", psPageList, {"3", "5", "12"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.choice);
        auto dialog = Open(false, false);
        if (QString(c.choice) == "current")
            dialog->rdbCurrentPage->SetChecked(true), dialog->rdbCurrentPageClick();
        if (QString(c.choice) == "pages") {
            dialog->edtPagesClick();
            dialog->edtPages->SetText(c.pages);
        }
        dialog->btnOKClick();
        EXPECT_EQ(dialog->ModalResult, mrOk);
        EXPECT_EQ(dialog->PageSetting, c.setting);
        EXPECT_EQ(dialog->PageList.ToQStringList(), c.list);
        EXPECT_EQ(dialog->PageRequested, 4);
    }
}

TEST_F(PrintDialogTest, AnEmptyPageListIsRefusedWithAMessage)
{
    auto dialog = Open(false, false);
    dialog->edtPagesClick();
    EXPECT_TRUE(dialog->rdbPages->Checked());
    EXPECT_FALSE(dialog->rdbAll->Checked());
    TPromptScript script;
    script.Answer(TPromptKind::Message, mrOk, "Keine Seiten eingegeben.");
    dialog->btnOKClick();
    EXPECT_EQ(dialog->ModalResult, mrNone);
    // Choosing "All" again empties the list text.
    dialog->edtPages->SetText("4");
    dialog->rdbAll->SetChecked(true);
    dialog->rdbAllClick();
    EXPECT_EQ(dialog->edtPages->Text(), "");
    EXPECT_FALSE(dialog->rdbPages->Checked());
}

TEST_F(PrintDialogTest, CopiesSpinBetweenOneAnd999AndGoIntoThePrinterSetup)
{
    auto dialog = Open(false, false);
    const struct {
        QString start;
        bool up;
        QString result;
    } spins[] = {{"1", false, "1"}, {"2", false, "1"}, {"998", true, "999"}, {"999", true, "999"}, {"5", true, "6"}};
    for (const auto& s : spins) {
        dialog->edtCopies->SetText(s.start);
        s.up ? dialog->spnCopiesUpClick() : dialog->spnCopiesDownClick();
        EXPECT_EQ(dialog->edtCopies->Text(), s.result) << s.start.toStdString();
    }
    const std::pair<QString, QString> typed[] = {{"5000", "5000"}, {"abc", "1"}, {" 7 ", "7"}, {"", "1"}};
    for (const auto& [text, kept] : typed) {
        dialog->edtCopies->SetText(text);
        dialog->edtCopiesExit();
        EXPECT_EQ(dialog->edtCopies->Text(), kept) << text.toStdString();
    }
    dialog->edtCopies->SetText("3");
    dialog->btnOKClick();
    EXPECT_EQ(dialog->ModalResult, mrOk);
    EXPECT_EQ(printer.PrinterSetup()->Copies(), 3);
}

TEST_F(PrintDialogTest, PrintingToAFileNeedsAFileName)
{
    const struct {
        bool archive;
        QString chosen;
    } cases[] = {{false, "/tmp/liste.txt"}, {true, "/tmp/liste.raf"}};
    for (const auto& c : cases) {
        auto dialog = Open(true, true);
        dialog->cbxPrintToFile->SetChecked(true);
        if (c.archive) {
            dialog->rdbArchiveFile->SetChecked(true);
            dialog->UpdateFileControls();
            EXPECT_EQ(dialog->lblPrintToFile->Caption(), "In Archiv drucken");
            EXPECT_EQ(dialog->SaveDialog1->DefaultExt, "raf");
        } else {
            EXPECT_EQ(dialog->SaveDialog1->DefaultExt, "txt");
        }
        TPromptScript script;
        script.Answer(TPromptKind::Message, mrOk, "Bitte geben Sie einen Dateinamen an");
        script.AnswerValue(c.chosen);
        dialog->btnOKClick();
        EXPECT_EQ(dialog->ModalResult, mrNone);
        dialog->btnFileClick();
        EXPECT_EQ(dialog->lblFileDesc->Caption(), "Datei   " + c.chosen);
        dialog->btnOKClick();
        EXPECT_EQ(dialog->ModalResult, mrOk);
        EXPECT_EQ(dialog->PrintToArchive, c.archive);
        EXPECT_EQ(dialog->PrintToTextFile, !c.archive);
        EXPECT_EQ(c.archive ? dialog->ArchiveFileName : dialog->TextFileName, c.chosen);
    }
}

TEST_F(PrintDialogTest, TheReportsArchiveDeviceChoosesTheArchiveWhenAllowed)
{
    report.SetDevice(dvArchive);
    EXPECT_TRUE(Open(true, true)->rdbArchiveFile->Checked());
    EXPECT_TRUE(Open(true, false)->rdbTextFile->Checked());
    report.SetDevice(dvPrinter);
    EXPECT_TRUE(Open(false, true)->rdbArchiveFile->Checked());
}

TEST_F(PrintDialogTest, WithoutFileKindsTheButtonsStandUnderThePrinterButton)
{
    auto dialog = Open(false, false);
    EXPECT_FALSE(dialog->tbnDevice->Visible());
    EXPECT_EQ(dialog->pnlPrinter->Parent(), dialog.get());
    EXPECT_EQ(dialog->btnOK->Left(), dialog->pnlPrinter->Left() + dialog->btnPrinter->Left());
    EXPECT_EQ(dialog->btnCancel->Left(), dialog->btnOK->Left());
    EXPECT_GT(dialog->btnCancel->Top(), dialog->btnOK->Top() + dialog->btnOK->Height() - 1);
    EXPECT_GE(dialog->ClientHeight(), dialog->pnlPrinter->Top() + dialog->bvlPageRange->Top() +
                                          dialog->bvlPageRange->Height());
    dialog->Show();
    QCoreApplication::processEvents();
    Screenshot(dialog->Handle(), "rg_print_dialog_printer_only_de");
}

TEST_F(PrintDialogTest, ActivatingAgainDoesNotShrinkTheFileFrameOnceMore)
{
    auto dialog = Open(true, false);
    EXPECT_FALSE(dialog->pnlFileDevice->Visible());
    const int height = dialog->bvlFileSettings->Height();
    const int client = dialog->ClientHeight();
    dialog->Activate();
    dialog->Activate();
    EXPECT_EQ(dialog->bvlFileSettings->Height(), height);
    EXPECT_EQ(dialog->ClientHeight(), client);
    EXPECT_GT(height, 0);
}

TEST_F(PrintDialogTest, APrinterThatCannotPrintKeepsTheDialogOpen)
{
    printer.SetPrinterName("Vanished");
    auto dialog = Open(false, false);
    TPromptScript script;
    script.Answer(TPromptKind::Dialog, mrOk, "Windows kann wegen eines Problems");
    dialog->btnOKClick();
    EXPECT_EQ(dialog->ModalResult, mrNone);
    ASSERT_EQ(script.Records().size(), 1u);
    EXPECT_EQ(script.Records()[0].DlgType, mtWarning);
}

TEST_F(PrintDialogTest, TheSystemSetupMarksTheSetupChanged)
{
    auto dialog = Open(false, false);
    printer.SetupDialogRunner = [](QPrinter&) { return false; };
    dialog->btnPrinterClick();
    EXPECT_FALSE(dialog->PrinterSetupChanged);
    printer.SetupDialogRunner = [](QPrinter&) { return true; };
    dialog->btnPrinterClick();
    EXPECT_TRUE(dialog->PrinterSetupChanged);
    EXPECT_EQ(dialog->lblPrinterDesc->Caption(), "Drucker   " + printer.GetActualPrinterName());
}
