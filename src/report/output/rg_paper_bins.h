#pragma once
// Paper bins of report templates on CUPS printers. A template names its bin
// as the Windows printer driver did: by the driver's bin name ("Upper tray",
// "Oberer Schacht", "Schacht 1", "Manuelle Zufuhr") or, in older templates,
// by the driver's bin number (DMBIN_UPPER = 1 ... DMBIN_FORMSOURCE = 15,
// driver trays from 256). A CUPS queue names its sources by IPP keywords
// ("auto", "manual", "top", "bottom", "tray-1", ...). These routines find the
// printer's own source that such a bin stands for.
#include <QString>
#include <QStringList>

class TrgPrinterCapabilities;

// The IPP media-source keywords a Windows bin number stands for, best first;
// empty for numbers without a counterpart (tractor, small and large format).
QStringList rgSourceKeywordsForBinNumber(int bin);
// The same for a bin name: a number, a usual English or German driver name,
// or an IPP keyword itself. Empty when the name says nothing known.
QStringList rgSourceKeywordsForBinName(const QString& name);
// The index in the printer's bin lists of the bin a template's bin name
// chooses: the bin of exactly that name, else the printer's source for the
// first keyword it has (the automatic source is the bin "Default"); -1 when
// the printer has none of them.
qsizetype rgFindBin(const TrgPrinterCapabilities& caps, const QString& binName);
