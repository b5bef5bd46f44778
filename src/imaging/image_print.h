#pragma once
// Printing the picture of an image window: the print options form
// TDlgPrintImage (margins in inches, all or the cropped part, centring, a
// resize percentage), the placement of the picture on the printable area,
// and the print itself through the program's printer (Qt PrintSupport:
// the system's printers, or a PDF file).

#include <QRect>

#include "imaging/pic_user_help.h"
#include "platform/ui/forms.h"

class QPrinter;
class TEdit;
class TRadioButton;
class TCheckBox;
class TButton;
class TGroupBox;
class TLabel;

// The message when there is no printer to print on.
inline constexpr char kNoPrinterMessage[] = "Es ist kein Drucker Installiert";
// True when printing can reach a printer: the program's printer writes a
// PDF file, or the system knows at least one printer.
bool PrinterReachable();

// Resolution a picture prints at when it gives none.
inline constexpr double kDefaultPrintResolution = 96.0;

// Where and how large a picture of imageWidth x imageHeight pixels at
// imageResolution dpi prints: margins in inches, the printer's pixels per
// inch and printable size in pixels, the resize percentage and the
// centring. A picture larger than the space between the margins shrinks to
// it, keeping its aspect ratio, and stands at the margin on the clamped
// axis.
QRect PrintPlacement(int imageWidth, int imageHeight, double imageResolution, double leftIn, double topIn,
                     double rightIn, double bottomIn, int ppiX, int ppiY, int printableWidth, int printableHeight,
                     int resizePercent, bool centerHorizontally, bool centerVertically);

class TDlgPrintImage : public TForm {
public:
    explicit TDlgPrintImage(TComponent* AOwner);

    TGroupBox* MarginsGroup = nullptr;
    TEdit* MarginTop = nullptr;
    TEdit* MarginBottom = nullptr;
    TEdit* MarginLeft = nullptr;
    TEdit* MarginRight = nullptr;
    TGroupBox* WhatGroup = nullptr;
    TRadioButton* AllButton = nullptr;
    TRadioButton* CroppedButton = nullptr;
    TGroupBox* CenterGroup = nullptr;
    TCheckBox* Vertically = nullptr;
    TCheckBox* Horizontally = nullptr;
    TGroupBox* SizeGroup = nullptr;
    TEdit* Resize = nullptr;
    TButton* PrintButton = nullptr;
    TButton* SetupButton = nullptr;
    TButton* CancelButton = nullptr;

    // "Setup": the print setup dialog; its choice becomes the printer.
    void SetupClick();
    // "Print": reads the printer's figures and the typed values and closes
    // with mrOk; a text that is no number (or a negative margin, a resize of
    // 0 or less) is refused with a message and the form stays open.
    void PrintClick();

    // Filled by PrintClick.
    QPrinter* Printer = nullptr;
    bool PrinterChosen = false;
    int PixelsPerInchX = 0, PixelsPerInchY = 0;
    int PrintableWidth = 0, PrintableHeight = 0;
    double Top = 0, Bottom = 0, Left = 0, Right = 0;
    int ResizePercent = 100;

private:
    TPicUserHelp help_;
};
