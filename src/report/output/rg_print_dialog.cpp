#include "report/output/rg_print_dialog.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QTabBar>
#include <QTabWidget>

#include "platform/ui/buttons.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/std_ctrls.h"
#include "report/output/rg_printer.h"
#include "report/output/rg_printer_device.h"
#include "report/output/rg_printer_setup.h"
#include "report/output/rg_units.h"
#include "report/output/rg_utils.h"

namespace {

const QString kBlanks = QStringLiteral("   ");

template <typename T>
T* Place(TrgPrintDialog* form, TWinControl* parent, const char* name, const QString& caption, int left, int top,
         int width, int height)
{
    auto* control = new T(form);
    control->Name = QString::fromLatin1(name);
    control->SetParent(parent);
    control->SetBounds(left, top, width, height);
    if (!caption.isNull())
        control->SetCaption(caption);
    return control;
}

TLabel* PlaceLabel(TrgPrintDialog* form, TWinControl* parent, const char* name, const QString& caption, int left,
                   int top, int width)
{
    auto* label = Place<TLabel>(form, parent, name, caption, left, top, width, 17);
    label->SetAutoSize(false);
    label->SetBounds(left, top, width, 17);
    return label;
}

int Bottom(const TControl* control) { return control->Top() + control->Height(); }

}  // namespace

int rgCopiesFromText(const QString& Text)
{
    bool ok = false;
    const int value = Text.trimmed().toInt(&ok);
    return ok ? value : 1;
}

void TrgPrintDialog::Register()
{
    rgRegisterFormClass<TrgCustomPrintDialog, TrgPrintDialog>(QStringLiteral("TrgPrintDialog"));
}

TrgPrintDialog::TrgPrintDialog(TComponent* AOwner) : TrgCustomPrintDialog(AOwner)
{
    Name = QStringLiteral("rgPrintDialog");
    SetCaption(QStringLiteral("Print"));
    SetBorderStyle(bsDialog);
    Position = poScreenCenter;
    SetClientWidth(420);
    SetClientHeight(330);

    tbnDevice = Place<TPageControl>(this, this, "tbnDevice", QString(), 8, 8, 404, 270);
    tabPrinter = new TTabSheet(this);
    tabPrinter->Name = QStringLiteral("tabPrinter");
    tabPrinter->SetPageControl(tbnDevice);
    tabPrinter->SetCaption(QStringLiteral("Printer"));
    tabFile = new TTabSheet(this);
    tabFile->Name = QStringLiteral("tabFile");
    tabFile->SetPageControl(tbnDevice);
    tabFile->SetCaption(QStringLiteral("File"));

    pnlPrinter = Place<TPanel>(this, tabPrinter, "pnlPrinter", QString(), 0, 0, 396, 230);
    pnlPrinter->SetBevelOuter(bvNone);
    pnlPrinter->SetCaption(QString());
    pnlPrinter->SetParentColor(true);
    lblPrinterDesc = PlaceLabel(this, pnlPrinter, "lblPrinterDesc", QStringLiteral("Printer"), 8, 12, 270);
    btnPrinter = Place<TButton>(this, pnlPrinter, "btnPrinter", QStringLiteral("Prin&ter"), 290, 6, 98, 27);
    lblCopies = PlaceLabel(this, pnlPrinter, "lblCopies", QStringLiteral("&Copies"), 8, 46, 110);
    edtCopies = Place<TEdit>(this, pnlPrinter, "edtCopies", QString(), 120, 42, 50, 24);
    edtCopies->SetText(QStringLiteral("1"));
    spnCopiesUp = Place<TSpeedButton>(this, pnlPrinter, "spnCopiesUp", QStringLiteral("▴"), 171, 42, 18, 12);
    spnCopiesDown = Place<TSpeedButton>(this, pnlPrinter, "spnCopiesDown", QStringLiteral("▾"), 171, 54, 18, 12);
    bvlPageRange = Place<TBevel>(this, pnlPrinter, "bvlPageRange", QString(), 8, 84, 380, 130);
    lblPageRange = PlaceLabel(this, pnlPrinter, "lblPageRange", QStringLiteral("Page Range"), 16, 76, 150);
    lblPageRange->SetAutoSize(true);
    rdbAll = Place<TRadioButton>(this, pnlPrinter, "rdbAll", QStringLiteral("All"), 20, 98, 250, 20);
    rdbAll->SetChecked(true);
    rdbCurrentPage =
        Place<TRadioButton>(this, pnlPrinter, "rdbCurrentPage", QStringLiteral("Current Page"), 20, 122, 250, 20);
    rdbPages = Place<TRadioButton>(this, pnlPrinter, "rdbPages", QStringLiteral("Pages:"), 20, 146, 100, 20);
    edtPages = Place<TEdit>(this, pnlPrinter, "edtPages", QString(), 124, 144, 256, 24);
    lblDescription = Place<TLabel>(
        this, pnlPrinter, "lblDescription",
        QStringLiteral("Enter page numbers and/or page ranges separated by commas.  For example, 1,3,5-12."), 20,
        174, 360, 17);
    lblDescription->SetAutoSize(false);
    lblDescription->SetWordWrap(true);
    lblDescription->SetWidth(360);

    cbxPrintToFile = Place<TCheckBox>(this, tabFile, "cbxPrintToFile", QString(), 8, 12, 20, 20);
    lblPrintToFile = PlaceLabel(this, tabFile, "lblPrintToFile", QStringLiteral("Print to File"), 30, 14, 240);
    btnFile = Place<TButton>(this, tabFile, "btnFile", QStringLiteral("&File"), 290, 6, 98, 27);
    lblFileDesc = PlaceLabel(this, tabFile, "lblFileDesc", QStringLiteral("File"), 8, 46, 380);
    bvlFileSettings = Place<TBevel>(this, tabFile, "bvlFileSettings", QString(), 8, 84, 380, 72);
    lblFileSettings = PlaceLabel(this, tabFile, "lblFileSettings", QStringLiteral("Settings"), 16, 76, 150);
    lblFileSettings->SetAutoSize(true);
    pnlFileDevice = Place<TPanel>(this, tabFile, "pnlFileDevice", QString(), 16, 94, 360, 54);
    pnlFileDevice->SetBevelOuter(bvNone);
    pnlFileDevice->SetCaption(QString());
    pnlFileDevice->SetParentColor(true);
    rdbTextFile = Place<TRadioButton>(this, pnlFileDevice, "rdbTextFile", QStringLiteral("Text File"), 4, 4, 300, 20);
    rdbArchiveFile =
        Place<TRadioButton>(this, pnlFileDevice, "rdbArchiveFile", QStringLiteral("Archive File"), 4, 28, 300, 20);
    rdbTextFile->SetChecked(true);

    btnOK = Place<TButton>(this, this, "btnOK", QStringLiteral("OK"), 230, 290, 86, 27);
    btnOK->SetDefault(true);
    btnCancel = Place<TButton>(this, this, "btnCancel", QStringLiteral("Cancel"), 324, 290, 86, 27);
    btnCancel->Cancel = true;
    btnCancel->ModalResult = mrCancel;
    SaveDialog1 = new TSaveDialog(this);
    SaveDialog1->Name = QStringLiteral("SaveDialog1");
    SaveDialog1->DefaultExt = QStringLiteral("txt");
    SaveDialog1->Filter = QStringLiteral("Text files|*.TXT|All files|*.*");

    btnOK->OnClick = [this](TObject*) { btnOKClick(); };
    btnPrinter->OnClick = [this](TObject*) { btnPrinterClick(); };
    lblPrintToFile->OnClick = [this](TObject*) { lblPrintToFileClick(); };
    cbxPrintToFile->OnClick = [this](TObject*) { UpdateFileControls(); };
    rdbTextFile->OnClick = [this](TObject*) { UpdateFileControls(); };
    rdbArchiveFile->OnClick = [this](TObject*) { UpdateFileControls(); };
    btnFile->OnClick = [this](TObject*) { btnFileClick(); };
    edtCopies->OnExit = [this](TObject*) { edtCopiesExit(); };
    spnCopiesDown->OnClick = [this](TObject*) { spnCopiesDownClick(); };
    spnCopiesUp->OnClick = [this](TObject*) { spnCopiesUpClick(); };
    rdbAll->OnClick = [this](TObject*) { rdbAllClick(); };
    rdbCurrentPage->OnClick = [this](TObject*) { rdbCurrentPageClick(); };
    rdbPages->OnClick = [this](TObject*) { rdbPagesClick(); };
    edtPages->OnClick = [this](TObject*) { edtPagesClick(); };
    edtPages->OnEnter = [this](TObject*) { edtPagesClick(); };

    Loaded();
    FitPageRangeFrame();
    DoCreate();
}

int TrgPrintDialog::FrameMargin() const
{
    return rgNearestEven(rgFromMMThousandths(2381, utScreenPixels, rgVertical, nullptr));
}

void TrgPrintDialog::LanguageChanged()
{
    lblCopies->SetCaption(LanguageString(7));
    lblPageRange->SetCaption(LanguageString(19));
    rdbAll->SetCaption(LanguageString(3));
    rdbCurrentPage->SetCaption(LanguageString(9));
    rdbPages->SetCaption(LanguageString(20));
    lblDescription->SetCaption(LanguageString(11));
    btnPrinter->SetCaption(LanguageString(25));
    btnOK->SetCaption(LanguageString(17));
    btnCancel->SetCaption(LanguageString(5));
    btnFile->SetCaption(LanguageString(12));
    tabPrinter->SetCaption(LanguageString(25));
    tabFile->SetCaption(LanguageString(12));
    SetCaption(LanguageString(22));
    lblFileSettings->SetCaption(LanguageString(36));
    rdbTextFile->SetCaption(LanguageString(37));
    rdbArchiveFile->SetCaption(LanguageString(34));
    FitPageRangeFrame();
}

void TrgPrintDialog::FitPageRangeFrame()
{
    const int d = FrameMargin();
    // The description takes as many lines as its text needs at its width.
    const QFontMetrics metrics(lblDescription->Font()->ToQFont());
    lblDescription->SetHeight(
        metrics.boundingRect(QRect(0, 0, lblDescription->Width(), 1000), Qt::TextWordWrap, lblDescription->Caption())
            .height() + 2);
    bvlPageRange->SetHeight(Bottom(lblDescription) + d - bvlPageRange->Top());
    pnlPrinter->SetHeight(Bottom(bvlPageRange) + 4 * d);
    // The notebook holds the printer page and its tabs.
    const auto* tabs = static_cast<QTabWidget*>(tbnDevice->Handle());
    const int tabBar = tabs->tabBar()->sizeHint().height() + 4;
    tbnDevice->SetHeight(Bottom(bvlPageRange) + 4 * d + tabBar);
    btnOK->SetTop(Bottom(tbnDevice) + d);
    btnCancel->SetTop(Bottom(tbnDevice) + d);
    SetClientHeight(Bottom(btnOK) + d);
}

QString TrgPrintDialog::PrinterDescription() const
{
    return LanguageString(25) + kBlanks + (Printer ? Printer->GetActualPrinterName() : QString());
}

void TrgPrintDialog::Activate()
{
    if (Printer) {
        tbnDevice->SetActivePage(tabPrinter);
        edtCopies->SetText(QString::number(Printer->GetPrinterSetup()->Copies()));
        lblPrinterDesc->SetCaption(PrinterDescription());
        const TrgFormReport* report = FormReport();
        const bool archive = report && report->Device() == dvArchive;
        rdbArchiveFile->SetChecked(archive);
        rdbTextFile->SetChecked(!archive);
        if (rdbArchiveFile->Checked() && !AllowPrintToArchive && AllowPrintToFile)
            rdbTextFile->SetChecked(true);
        else if (rdbTextFile->Checked() && !AllowPrintToFile && AllowPrintToArchive)
            rdbArchiveFile->SetChecked(true);
        UpdateFileControls();
        LayOut();
    }
    TrgCustomPrintDialog::Activate();
}

void TrgPrintDialog::LayOut()
{
    // Once: activating the dialog again (after the system's setup dialog)
    // must not shrink the frames a second time.
    if (laidOut_)
        return;
    laidOut_ = true;
    const int d = FrameMargin();
    if (AllowPrintToFile != AllowPrintToArchive) {
        pnlFileDevice->Hide();
        bvlFileSettings->SetHeight(bvlFileSettings->Height() - pnlFileDevice->Height());
    }
    if (!AllowPrintToFile && !AllowPrintToArchive) {
        // No file page: the printer panel stands on the form itself.
        pnlPrinter->SetParent(this);
        pnlPrinter->SetBounds(tbnDevice->Left(), tbnDevice->Top(), pnlPrinter->Width(), pnlPrinter->Height());
        tbnDevice->Hide();
        // The page range stays left of the buttons that now stand under the printer button.
        const int right = btnPrinter->Left() - d;
        bvlPageRange->SetWidth(right - bvlPageRange->Left());
        edtPages->SetWidth(right - d - edtPages->Left());
        lblDescription->SetWidth(right - d - lblDescription->Left());
        FitPageRangeFrame();
        btnOK->BringToFront();
        btnCancel->BringToFront();
        const int buttonsLeft = pnlPrinter->Left() + btnPrinter->Left();
        btnOK->SetBounds(buttonsLeft, pnlPrinter->Top() + Bottom(btnPrinter) + d, btnOK->Width(), btnOK->Height());
        btnCancel->SetBounds(buttonsLeft, Bottom(btnOK) + d / 2, btnCancel->Width(), btnCancel->Height());
        SetClientHeight(std::max(pnlPrinter->Top() + Bottom(bvlPageRange), Bottom(btnCancel)) + d);
    } else {
        SetClientHeight(Bottom(btnOK) + d);
    }
}

void TrgPrintDialog::UpdateFileControls()
{
    if (rdbArchiveFile->Checked()) {
        SaveDialog1->FileName = ArchiveFileName;
        SaveDialog1->DefaultExt = QStringLiteral("raf");
        SaveDialog1->Filter = QStringLiteral("Archive files|*.RAF|All files|*.*");
        lblPrintToFile->SetCaption(LanguageString(35));
        lblFileDesc->SetCaption(LanguageString(12) + kBlanks + ArchiveFileName);
    } else {
        SaveDialog1->FileName = TextFileName;
        SaveDialog1->DefaultExt = QStringLiteral("txt");
        SaveDialog1->Filter = QStringLiteral("Text files|*.TXT|All files|*.*");
        lblPrintToFile->SetCaption(LanguageString(26));
        lblFileDesc->SetCaption(LanguageString(12) + kBlanks + TextFileName);
    }
    if (!SaveDialog1->FileName.isEmpty())
        SaveDialog1->InitialDir = QFileInfo(SaveDialog1->FileName).path();
    const bool toFile = cbxPrintToFile->Checked();
    btnFile->SetEnabled(toFile);
    rdbTextFile->SetEnabled(toFile);
    rdbArchiveFile->SetEnabled(toFile);
}

void TrgPrintDialog::btnPrinterClick()
{
    if (!Printer || !Printer->ShowSetupDialog())
        return;
    lblPrinterDesc->SetCaption(PrinterDescription());
    PrinterSetupChanged = true;
}

void TrgPrintDialog::lblPrintToFileClick()
{
    cbxPrintToFile->SetChecked(!cbxPrintToFile->Checked());
    UpdateFileControls();
}

void TrgPrintDialog::btnFileClick()
{
    if (SaveDialog1->Execute()) {
        if (rdbTextFile->Checked())
            TextFileName = SaveDialog1->FileName;
        else
            ArchiveFileName = SaveDialog1->FileName;
    }
    UpdateFileControls();
}

void TrgPrintDialog::edtCopiesExit()
{
    edtCopies->SetText(QString::number(rgCopiesFromText(edtCopies->Text())));
}

void TrgPrintDialog::spnCopiesDownClick()
{
    if (edtCopies->Text() != QStringLiteral("1"))
        edtCopies->SetText(QString::number(rgCopiesFromText(edtCopies->Text()) - 1));
}

void TrgPrintDialog::spnCopiesUpClick()
{
    if (edtCopies->Text() != QStringLiteral("999"))
        edtCopies->SetText(QString::number(rgCopiesFromText(edtCopies->Text()) + 1));
}

void TrgPrintDialog::rdbAllClick()
{
    rdbCurrentPage->SetChecked(false);
    rdbPages->SetChecked(false);
    edtPages->Clear();
}

void TrgPrintDialog::rdbCurrentPageClick()
{
    rdbAll->SetChecked(false);
    rdbPages->SetChecked(false);
    edtPages->Clear();
}

void TrgPrintDialog::rdbPagesClick()
{
    rdbAll->SetChecked(false);
    rdbCurrentPage->SetChecked(false);
}

void TrgPrintDialog::edtPagesClick()
{
    rdbCurrentPage->SetChecked(false);
    rdbAll->SetChecked(false);
    rdbPages->SetChecked(true);
}

void TrgPrintDialog::btnOKClick()
{
    ModalResult = mrNone;
    const bool fileAllowed = AllowPrintToFile || AllowPrintToArchive;
    if (rdbPages->Checked()) {
        PageList.Clear();
        rgParsePageList(edtPages->Text(), &PageList);
        if (PageList.Count() == 0) {
            ShowMessage(LanguageString(32));
            return;
        }
        PageSetting = psPageList;
    } else if (fileAllowed && cbxPrintToFile->Checked() && SaveDialog1->FileName.isEmpty()) {
        ShowMessage(LanguageString(33));
        return;
    }
    if (rdbCurrentPage->Checked())
        PageSetting = psSinglePage;
    if (Printer)
        Printer->PrinterSetup()->SetCopies(rgCopiesFromText(edtCopies->Text()));
    if (fileAllowed) {
        const bool toFile = cbxPrintToFile->Checked() && !SaveDialog1->FileName.isEmpty();
        PrintToTextFile = toFile && rdbTextFile->Checked();
        PrintToArchive = toFile && rdbArchiveFile->Checked();
    }
    if (!PrintToTextFile && !PrintToArchive && (!Printer || !Printer->HasContext())) {
        MessageDlg(LanguageString(459), mtWarning, {mbOK});
        return;
    }
    ModalResult = mrOk;
}
