#include "report/output/rg_printer_setup_dialog.h"

#include <QApplication>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>

#include <cmath>

#include "platform/core/event_wait.h"
#include "report/output/rg_printer_list.h"

namespace {

// The system's print dialog, centred horizontally with its top at one
// third of the free screen height.
bool RunSystemDialog(QPrinter& printer)
{
    QPrintDialog dialog(&printer, QApplication::activeWindow());
    dialog.adjustSize();
    if (const QScreen* screen = dialog.screen()) {
        const QRect free = screen->availableGeometry();
        dialog.move(free.x() + (free.width() - dialog.width()) / 2, free.y() + (free.height() - dialog.height()) / 3);
    }
    const TEventWait wait;
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace

QPrinter::DuplexMode rgDuplexToQt(int Duplex)
{
    switch (Duplex) {
    case 2: return QPrinter::DuplexLongSide;
    case 3: return QPrinter::DuplexShortSide;
    default: return QPrinter::DuplexNone;
    }
}

int rgDuplexFromQt(QPrinter::DuplexMode Duplex)
{
    switch (Duplex) {
    case QPrinter::DuplexLongSide: return 2;
    case QPrinter::DuplexShortSide: return 3;
    default: return 1;
    }
}

void rgDevModeToQPrinter(const TrgDeviceMode& Mode, QSize PaperTenths, QPrinter& Target)
{
    Target.setCopyCount(std::max(1, Mode.Copies));
    Target.setDuplex(rgDuplexToQt(Mode.Duplex));
    const QPageSize size(QSizeF(PaperTenths.width() / 10.0, PaperTenths.height() / 10.0), QPageSize::Millimeter,
                         QString(), QPageSize::FuzzyMatch);
    Target.setPageSize(size);
    Target.setPageOrientation(Mode.Orientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
}

TrgDeviceMode rgDevModeFromQPrinter(const QPrinter& Source, const TrgPrinterCapabilities& Capabilities,
                                    TrgDeviceMode Base)
{
    TrgDeviceMode mode = Base;
    mode.Fields |= TrgDeviceMode::dmOrientationField | TrgDeviceMode::dmPaperSizeField | TrgDeviceMode::dmCopiesField
                   | TrgDeviceMode::dmDuplexField;
    mode.Fields &= ~(TrgDeviceMode::dmPaperLengthField | TrgDeviceMode::dmPaperWidthField);
    mode.Copies = std::max(1, Source.copyCount());
    mode.Duplex = rgDuplexFromQt(Source.duplex());
    mode.Orientation = Source.pageLayout().orientation() == QPageLayout::Landscape ? 2 : 1;

    // The sheet in portrait, in tenths of a millimetre.
    const QSizeF mm = Source.pageLayout().pageSize().size(QPageSize::Millimeter);
    const int a = int(std::lround(mm.width() * 10)), b = int(std::lround(mm.height() * 10));
    const int width = std::min(a, b), height = std::max(a, b);
    mode.PaperSize = rgUserPaperCode;
    for (qsizetype i = 0; i + 1 < Capabilities.Papers.size(); ++i) {
        if (std::abs(Capabilities.PaperWidths.value(i).toInt() - width) <= 10
            && std::abs(Capabilities.PaperHeights.value(i).toInt() - height) <= 10) {
            mode.PaperSize = Capabilities.Papers[i].toInt();
            break;
        }
    }
    if (mode.PaperSize >= rgUserPaperCode) {
        mode.Fields |= TrgDeviceMode::dmPaperLengthField | TrgDeviceMode::dmPaperWidthField;
        mode.PaperWidth = width;
        mode.PaperLength = height;
    }
    return mode;
}

bool TrgPrinterSetupDialog::Execute()
{
    if (!Printer || !Printer->GetPrinterInfo())
        return false;
    const TrgDeviceMode* current = Printer->DevMode();
    if (!current)
        return false;
    const TrgDeviceMode before = *current;
    QPrinter target(QPrinter::HighResolution);
    target.setPrinterName(Printer->GetPrinterInfo()->Device);
    rgDevModeToQPrinter(before, Printer->PaperSizeTenths(), target);
    const bool accepted = RunDialog ? RunDialog(target) : RunSystemDialog(target);
    if (!accepted)
        return false;

    // The chosen printer by its list name; a printer the list does not know
    // (added after the list was read) keeps the one we had.
    const QString chosen = rgGetPrinterList()->NameOfDevice(target.printerName());
    if (!chosen.isEmpty() && chosen != Printer->GetActualPrinterName())
        Printer->SetPrinterName(chosen);
    if (const TrgPrinterCapabilities* caps = Printer->GetCapabilities()) {
        const TrgDeviceMode* base = Printer->DevMode();
        Printer->SetDevMode(rgDevModeFromQPrinter(target, *caps, base ? *base : before));
    }
    if (target.outputFormat() == QPrinter::PdfFormat && !target.outputFileName().isEmpty())
        Printer->OutputFileName = target.outputFileName();
    return true;
}
