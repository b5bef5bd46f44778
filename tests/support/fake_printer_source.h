#pragma once
// Installed printers for tests that must not ask a spooler: a fixed list
// with fixed paper and bin tables, installed as the printer layer's source.

#include <memory>
#include <utility>
#include <vector>

#include "report/output/rg_printer_list.h"

namespace rgtest {

struct TFakePrinter {
    TrgPrinterSourceEntry Entry;
    TrgRawCapabilities Capabilities;
};

class TFakePrinterSource : public TrgPrinterSource {
public:
    TFakePrinterSource(std::vector<TFakePrinter> printers, QString defaultDevice, int* capabilityQueries = nullptr)
        : printers_(std::move(printers)), defaultDevice_(std::move(defaultDevice)), capabilityQueries_(capabilityQueries)
    {
    }
    std::vector<TrgPrinterSourceEntry> Printers() override
    {
        std::vector<TrgPrinterSourceEntry> entries;
        for (const TFakePrinter& p : printers_)
            entries.push_back(p.Entry);
        return entries;
    }
    QString DefaultDevice() override { return defaultDevice_; }
    TrgRawCapabilities Capabilities(const TrgPrinterSourceEntry& printer) override
    {
        if (capabilityQueries_)
            ++*capabilityQueries_;
        for (const TFakePrinter& p : printers_) {
            if (p.Entry.Device == printer.Device && p.Entry.Port == printer.Port)
                return p.Capabilities;
        }
        return {};
    }

private:
    std::vector<TFakePrinter> printers_;
    QString defaultDevice_;
    int* capabilityQueries_;
};

// An office laser printer: A4, Letter, an envelope, A5 and a size of its
// own; an automatic bin (code 7), a second tray and the manual feed.
inline TFakePrinter OfficeLaser(const QString& name = "Laser")
{
    TFakePrinter p;
    p.Entry = {name, {}, name, {}};
    p.Capabilities.PaperNames = {"A4", "Letter", "Envelope DL", "A5", "Custom"};
    p.Capabilities.Papers = {9, 1, 27, 11, 256};
    p.Capabilities.PaperWidths = {2100, 2159, 1100, 1480, 0};
    p.Capabilities.PaperHeights = {2970, 2794, 2200, 2100, 0};
    p.Capabilities.BinNames = {"Auto", "Tray 2", "Manual"};
    p.Capabilities.Bins = {7, 258, 4};
    return p;
}

// Installs the printers as the printer layer's source (the first the default).
inline void InstallFakePrinters(std::vector<TFakePrinter> printers, int* capabilityQueries = nullptr)
{
    const QString device = printers.empty() ? QString() : printers.front().Entry.Device;
    rgSetPrinterSource(std::make_unique<TFakePrinterSource>(std::move(printers), device, capabilityQueries));
}

}  // namespace rgtest
