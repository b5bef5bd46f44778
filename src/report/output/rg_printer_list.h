#pragma once
// The installed printers as the report engine sees them: one shared list,
// built once from the spooler, "Default" first; per printer its paper and
// bin tables, normalised so every paper table ends in "Custom" and every
// bin table holds "Default". Where the printers come from is an interface
// (TrgPrinterSource): the spooler in the program, a fake in the tests.
//
// Asking the spooler can take seconds (it may browse the network), so the
// program starts the query early off the user's path
// (rgStartPrinterListQuery) and every later call takes the kept result.

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class TrgPrinter;

// One printer as the source reports it.
struct TrgPrinterSourceEntry {
    QString Name;    // the name shown in the list
    QString Driver;  // may be empty
    QString Device;  // how the spooler addresses the printer (its queue)
    QString Port;    // may be empty
};

// One paper of a printer's raw table: name, code and size in tenths of a
// millimetre. The tables are given as the driver reports them and may be
// ragged (more names than codes, sizes missing); normalisation mends them.
struct TrgRawCapabilities {
    QStringList PaperNames;
    QList<int> Papers;
    QList<int> PaperWidths;
    QList<int> PaperHeights;
    QStringList BinNames;
    QList<int> Bins;
    // False only for a printer that says it prints black and white; one that
    // says nothing about colour (a raw queue) prints colours.
    bool ColorPrinter = true;
    // The dots per inch the printer prints at by default, as it says; 0
    // when it says nothing (a raw queue).
    int Resolution = 0;
};

class TrgPrinterSource {
public:
    virtual ~TrgPrinterSource() = default;
    // The installed printers in the spooler's order; empty when none.
    virtual std::vector<TrgPrinterSourceEntry> Printers() = 0;
    // The device of the system's default printer, or empty.
    virtual QString DefaultDevice() = 0;
    // The raw paper and bin tables of one printer.
    virtual TrgRawCapabilities Capabilities(const TrgPrinterSourceEntry& printer) = 0;
};

// The printers of the spooler the program talks to (CUPS_SERVER or the
// system's), read through libcups.
std::unique_ptr<TrgPrinterSource> rgCreateCupsPrinterSource();

// The paper code of a size of its own ("Custom"); papers that match no
// standard size are numbered above it.
constexpr int rgUserPaperCode = 256;
// The bin code of the printer's automatic source ("Default").
constexpr int rgDefaultBinCode = 7;

// A printer's paper and bin tables after normalisation; the lists hold
// decimal text as the engine's callers expect (codes, sizes in tenths of mm).
class TrgPrinterCapabilities {
public:
    TrgPrinterCapabilities(const QString& printerName, const TrgRawCapabilities& raw);

    QString PrinterName;
    QStringList Bins;
    QStringList BinNames;
    QStringList PaperHeights;
    QStringList PaperNames;
    QStringList Papers;
    QStringList PaperWidths;
    bool ColorPrinter = true;
    int Resolution = 0;  // dots per inch; 0: not known

private:
    void NormalizePapers();
    void NormalizeBins();
};

class TrgPrinterInfo {
public:
    TrgPrinterInfo(const QString& name, const TrgPrinterSourceEntry& entry, TrgPrinterSource* source);

    QString Name;
    QString Driver;
    QString Device;
    QString Port;
    // Cleared when the printer could not be opened; such an entry is not tried again.
    bool Valid = true;

    // Built on first use from the source.
    TrgPrinterCapabilities* GetCapabilities();

private:
    TrgPrinterSource* source_;
    std::unique_ptr<TrgPrinterCapabilities> capabilities_;
};

class TrgPrinterList {
public:
    // Reads the printers of the source; the list keeps the source for the
    // capabilities it builds later.
    explicit TrgPrinterList(std::unique_ptr<TrgPrinterSource> source);

    int GetCount() const { return int(entries_.size()); }
    const QStringList& Names() const { return names_; }
    // The entry of a name, "Default" resolved to the default printer; nullptr if none.
    TrgPrinterInfo* GetPrinterInfo(const QString& name) const;
    // List name of the system's default printer, or empty.
    QString GetDefaultPrinterName() const { return defaultName_; }
    // List name of the first entry with that device, or empty.
    QString NameOfDevice(const QString& device) const;

private:
    std::unique_ptr<TrgPrinterSource> source_;
    QStringList names_;
    std::vector<std::unique_ptr<TrgPrinterInfo>> entries_;
    QString defaultName_;
};

// ---- the shared objects of the printer layer --------------------------------

// Starts reading the printer list in the background, if it is not read yet.
void rgStartPrinterListQuery();
// The shared list; waits for a running query, or reads it now.
TrgPrinterList* rgGetPrinterList();
// The list's names, "Default" first; empty when no printer is installed.
QStringList rgGetPrinterNames();
// The shared printer, for measuring and unit conversions; nullptr when no
// printer is installed, and every caller copes with that.
TrgPrinter* rgGetPrinter();
// Replaces where printers come from and drops the shared list and printer
// (tests give a fake; nullptr returns to the spooler). Only for start-up and
// tests: setups made before keep entries of the old list.
void rgSetPrinterSource(std::unique_ptr<TrgPrinterSource> source);

// The one colour rule of every print path (lists, single pictures): true
// unless the printer says it prints black and white. `info` may be nullptr
// (no printer known: colours). rgDevicePrintsColour looks the spooler's
// device (queue) up in the shared list; an unknown device prints colours.
bool rgPrintsColour(TrgPrinterInfo* info);
bool rgDevicePrintsColour(const QString& device);

// ---- standard papers -----------------------------------------------------------

// The names of the common paper codes; every other code is "Custom".
QString rgGetStandardPaperName(int code);
struct TrgPaperSize {
    int Width = 0;   // tenths of a millimetre
    int Height = 0;
};
// The standard sizes of paper codes 1 to 68; 0 x 0 for any other code.
TrgPaperSize rgGetStandardPaperSize(int code);
// The standard code of a paper size, within 1 mm; 0 when none matches.
int rgFindStandardPaperCode(int widthTenths, int heightTenths);
