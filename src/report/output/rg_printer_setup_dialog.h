#pragma once
// The system's print setup dialog for a TrgPrinter: the dialog works on a
// QPrinter prepared from the printer's driver settings; OK brings the
// chosen printer and its settings back (and, when the user printed to a
// file, the file name).

#include <QPrinter>
#include <QSize>

#include <functional>

#include "report/output/rg_printer.h"

class QWidget;

class TrgPrinterSetupDialog {
public:
    TrgPrinter* Printer = nullptr;
    // Shows the dialog on the prepared QPrinter; true for OK. The system's
    // print dialog unless replaced (tests answer in its place).
    std::function<bool(QPrinter&)> RunDialog;

    // False without a printer or when the dialog is cancelled.
    bool Execute();
};

// Duplex of the driver settings (1 one-sided, 2 long edge, 3 short edge)
// and of Qt; a printer that cannot print on both sides ignores it.
QPrinter::DuplexMode rgDuplexToQt(int Duplex);
int rgDuplexFromQt(QPrinter::DuplexMode Duplex);

// The driver settings onto a QPrinter, with the paper in tenths of a millimetre.
void rgDevModeToQPrinter(const TrgDeviceMode& Mode, QSize PaperTenths, QPrinter& Target);
// The driver settings a QPrinter holds, on the printer's paper table: a
// paper within 1 mm gives its code, another size the code 256 with the size.
TrgDeviceMode rgDevModeFromQPrinter(const QPrinter& Source, const TrgPrinterCapabilities& Capabilities,
                                    TrgDeviceMode Base);
