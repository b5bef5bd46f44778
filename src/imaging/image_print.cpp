#include "imaging/image_print.h"

#include <QApplication>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>
#include <cmath>

#include "imaging/form_place.h"
#include "imaging/image_window.h"
#include "platform/picture/picture_round.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/std_ctrls.h"

bool PrinterReachable()
{
    // Without a print system Qt falls back to PDF output, which needs a file.
    QPrinter* p = Printer();
    if (p->outputFormat() == QPrinter::PdfFormat && !p->outputFileName().isEmpty())
        return true;
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

QRect PrintPlacement(int imageWidth, int imageHeight, double imageResolution, double leftIn, double topIn,
                     double rightIn, double bottomIn, int ppiX, int ppiY, int printableWidth, int printableHeight,
                     int resizePercent, bool centerHorizontally, bool centerVertically)
{
    // A picture without a resolution prints at the default one.
    const double res = imageResolution > 0 ? imageResolution : kDefaultPrintResolution;
    const int left = RoundToInt(leftIn * ppiX), right = RoundToInt(rightIn * ppiX);
    const int top = RoundToInt(topIn * ppiY), bottom = RoundToInt(bottomIn * ppiY);
    const int availW = printableWidth - left - right, availH = printableHeight - top - bottom;
    if (availW <= 0 || availH <= 0 || imageWidth <= 0 || imageHeight <= 0)
        return QRect();
    double w = imageWidth * double(ppiX) / res * resizePercent * 0.01;
    double h = imageHeight * double(ppiY) / res * resizePercent * 0.01;
    const bool clampX = RoundToInt(w) > availW, clampY = RoundToInt(h) > availH;
    // Clamped to the page, the picture keeps its aspect ratio.
    const double shrink = std::min({1.0, availW / w, availH / h});
    int pw = std::max(1, RoundToInt(w * shrink)), ph = std::max(1, RoundToInt(h * shrink));
    if (clampX)
        pw = availW;
    if (clampY)
        ph = availH;
    pw = std::min(pw, availW);
    ph = std::min(ph, availH);
    const int x = !clampX && centerHorizontally ? left + RoundToInt((availW - pw) * 0.5) : left;
    const int y = !clampY && centerVertically ? top + RoundToInt((availH - ph) * 0.5) : top;
    return QRect(x, y, pw, ph);
}

TDlgPrintImage::TDlgPrintImage(TComponent* AOwner) : TForm(AOwner)
{
    Name = "DlgPrintImage";
    SetCaption("Print Image");
    SetBorderStyle(bsDialog);
    SetClientWidth(380);
    SetClientHeight(250);
    MarginsGroup = Place<TGroupBox>(this, this, 8, 8, 180, 150, "Margins (inches)");
    const char* captions[] = {"Top :", "Bottom :", "Left :", "Right :"};
    TEdit** edits[] = {&MarginTop, &MarginBottom, &MarginLeft, &MarginRight};
    for (int i = 0; i < 4; ++i) {
        Place<TLabel>(MarginsGroup, this, 12, 28 + 30 * i, 70, 18, captions[i]);
        *edits[i] = Place<TEdit>(MarginsGroup, this, 90, 24 + 30 * i, 70, 24);
    }
    WhatGroup = Place<TGroupBox>(this, this, 196, 8, 176, 76, "What");
    AllButton = Place<TRadioButton>(WhatGroup, this, 12, 24, 150, 20, "All");
    CroppedButton = Place<TRadioButton>(WhatGroup, this, 12, 48, 150, 20, "Cropped");
    CenterGroup = Place<TGroupBox>(this, this, 196, 90, 176, 76, "Center In Page");
    Vertically = Place<TCheckBox>(CenterGroup, this, 12, 24, 150, 20, "Vertically");
    Horizontally = Place<TCheckBox>(CenterGroup, this, 12, 48, 150, 20, "Horizontally");
    SizeGroup = Place<TGroupBox>(this, this, 8, 164, 364, 44, "Size");
    Place<TLabel>(SizeGroup, this, 12, 20, 60, 18, "Resize");
    Resize = Place<TEdit>(SizeGroup, this, 76, 16, 60, 24);
    Place<TLabel>(SizeGroup, this, 144, 20, 100, 18, "% of actual");
    PrintButton = Place<TButton>(this, this, 120, 216, 80, 25, "Print");
    PrintButton->SetDefault(true);
    PrintButton->OnClick = [this](TObject*) { PrintClick(); };
    SetupButton = Place<TButton>(this, this, 206, 216, 80, 25, "Setup");
    SetupButton->OnClick = [this](TObject*) { SetupClick(); };
    CancelButton = Place<TButton>(this, this, 292, 216, 80, 25, "Cancel");
    CancelButton->Cancel = true;
    CancelButton->OnClick = [this](TObject*) { ModalResult = -1; };
    Loaded();
}

void TDlgPrintImage::SetupClick()
{
    TPrinterSetupDialog dlg(this);
    PrinterChosen = dlg.Execute();
}

void TDlgPrintImage::PrintClick()
{
    double values[4] = {};
    TEdit* edits[] = {MarginTop, MarginBottom, MarginLeft, MarginRight};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        const double v = edits[i]->Text().trimmed().replace(',', '.').toDouble(&ok);
        if (!ok || !std::isfinite(v) || v < 0) {
            MessageDlg(QString("'%1' ist kein gültiger Rand in Zoll.").arg(edits[i]->Text()), mtError, {mbOK});
            return;
        }
        values[i] = v;
    }
    int resize = 0;
    if (!TextToInt(Resize->Text(), resize) || resize <= 0) {
        MessageDlg(QString("'%1' ist keine gültige Größe in Prozent.").arg(Resize->Text()), mtError, {mbOK});
        return;
    }
    if (!PrinterReachable()) {
        QApplication::beep();
        MessageDlg(kNoPrinterMessage, mtError, {mbOK});
        ModalResult = -1;
        return;
    }
    Printer = ::Printer();
    PixelsPerInchX = Printer->logicalDpiX();
    PixelsPerInchY = Printer->logicalDpiY();
    PrintableWidth = Printer->width();
    PrintableHeight = Printer->height();
    Top = values[0];
    Bottom = values[1];
    Left = values[2];
    Right = values[3];
    ResizePercent = resize;
    ModalResult = mrOk;
}

// ---- the window's side ------------------------------------------------------------

void TImageWindow::Print()
{
    TDlgPrintImage dlg(this);
    for (TEdit* e : {dlg.MarginTop, dlg.MarginBottom, dlg.MarginLeft, dlg.MarginRight})
        e->SetText("0");
    dlg.Resize->SetText("100");
    dlg.Vertically->SetChecked(true);
    dlg.Horizontally->SetChecked(true);
    dlg.CroppedButton->SetChecked(selectionPresent_);
    dlg.AllButton->SetChecked(false);
    dlg.CroppedButton->SetEnabled(selectionPresent_);
    if (dlg.ShowModal() != mrOk || !dlg.Printer)
        return;
    const TPicImage& full = holder_->FullImage();
    TPicImage part;
    if (!dlg.AllButton->Checked()) {
        const TRect r = SelectionInImage();
        if (r.Width() > 0 && r.Height() > 0)
            WithProgress(30, 10, 0, [&] { part = PicCopyRect(full, r.Left, r.Top, r.Right, r.Bottom); });
    }
    const TPicImage& source = part.IsNull() ? full : part;
    const QRect place = PrintPlacement(source.Width(), source.Height(), source.ResolutionX, dlg.Left, dlg.Top,
                                       dlg.Right, dlg.Bottom, dlg.PixelsPerInchX, dlg.PixelsPerInchY,
                                       dlg.PrintableWidth, dlg.PrintableHeight, dlg.ResizePercent,
                                       dlg.Horizontally->Checked(), dlg.Vertically->Checked());
    if (place.isEmpty()) {
        MessageDlg("Zwischen den Rändern bleibt kein Platz für das Bild.", mtError, {mbOK});
        return;
    }
    TPicImage sized;
    WithProgress(30, 20, 0, [&] { sized = PicResize(source, place.width(), place.height()); });
    // A failed resize prints the picture as it is at the computed place.
    const QImage& pixels = sized.IsNull() ? source.Pixels : sized.Pixels;
    bool printed = false;
    WithProgress(20, 4, 0, [&] {
        QPainter painter;
        if (!painter.begin(dlg.Printer))
            return;
        painter.drawImage(place.topLeft(), pixels);
        printed = painter.end();
    });
    if (!printed)
        MessageDlg("Das Bild konnte nicht gedruckt werden: der Drucker ist nicht bereit.", mtError, {mbOK});
    holder_->Redraw(true);
}
