#include "report/output/rg_printer_list.h"

#include <algorithm>
#include <cmath>
#include <future>
#include <mutex>

namespace {

QStringList NumbersAsText(const QList<int>& numbers)
{
    QStringList texts;
    for (int n : numbers)
        texts << QString::number(n);
    return texts;
}

// Moves entry `from` of a list to its end, when the list has that entry.
void MoveToEnd(QStringList& list, qsizetype from)
{
    if (from >= 0 && from < list.size())
        list.move(from, list.size() - 1);
}

void RemoveAtIfPresent(QStringList& list, qsizetype i)
{
    if (i >= 0 && i < list.size())
        list.removeAt(i);
}

}  // namespace

// ---- capabilities -------------------------------------------------------------

TrgPrinterCapabilities::TrgPrinterCapabilities(const QString& printerName, const TrgRawCapabilities& raw)
    : PrinterName(printerName),
      Bins(NumbersAsText(raw.Bins)),
      BinNames(raw.BinNames),
      PaperHeights(NumbersAsText(raw.PaperHeights)),
      PaperNames(raw.PaperNames),
      Papers(NumbersAsText(raw.Papers)),
      PaperWidths(NumbersAsText(raw.PaperWidths)),
      ColorPrinter(raw.ColorPrinter),
      Resolution(std::max(0, raw.Resolution))
{
    NormalizePapers();
    NormalizeBins();
}

void TrgPrinterCapabilities::NormalizePapers()
{
    // Names and codes of equal count first: codes without a name get their
    // standard name at their own place (or go, with their size, when that
    // name is taken), so every name stays with its code; surplus names go.
    const qsizetype named = PaperNames.size();
    for (qsizetype i = Papers.size() - 1; i >= named; --i) {
        const QString name = rgGetStandardPaperName(Papers[i].toInt());
        if (PaperNames.contains(name)) {
            Papers.removeAt(i);
            RemoveAtIfPresent(PaperWidths, i);
            RemoveAtIfPresent(PaperHeights, i);
        } else {
            PaperNames.insert(named, name);
        }
    }
    while (PaperNames.size() > Papers.size())
        PaperNames.removeLast();

    // Find the custom paper, by name or by its code, or make one.
    const QString customCode = QString::number(rgUserPaperCode);
    qsizetype custom = PaperNames.indexOf("Custom");
    if (custom < 0)
        custom = Papers.indexOf(customCode);
    if (custom >= 0) {
        PaperNames[custom] = "Custom";
    } else {
        int highest = -1;
        qsizetype highestAt = -1;
        for (qsizetype i = 0; i < Papers.size(); ++i) {
            if (Papers[i].toInt() > highest) {
                highest = Papers[i].toInt();
                highestAt = i;
            }
        }
        if (highest < rgUserPaperCode) {
            // Its size is filled in below, when it stands last.
            PaperNames << "Custom";
            Papers << customCode;
        } else {
            PaperNames[highestAt] = "Custom";
        }
    }

    // "Custom" last; its size moves with it so the lists stay parallel.
    const qsizetype at = PaperNames.indexOf("Custom");
    if (at >= 0 && at != PaperNames.size() - 1) {
        MoveToEnd(PaperNames, at);
        MoveToEnd(Papers, at);
        if (PaperWidths.size() == PaperNames.size())
            MoveToEnd(PaperWidths, at);
        if (PaperHeights.size() == PaperNames.size())
            MoveToEnd(PaperHeights, at);
    }

    // Missing sizes of the standard papers from the standard table.
    const qsizetype count = PaperNames.size();
    for (qsizetype i = 0; i + 1 < count; ++i) {
        const TrgPaperSize standard = rgGetStandardPaperSize(Papers[i].toInt());
        if (i >= PaperWidths.size())
            PaperWidths << QString::number(standard.Width);
        if (i >= PaperHeights.size())
            PaperHeights << QString::number(standard.Height);
    }
    while (PaperWidths.size() < count)
        PaperWidths << "0";
    while (PaperHeights.size() < count)
        PaperHeights << "0";
    while (PaperWidths.size() > count)
        PaperWidths.removeLast();
    while (PaperHeights.size() > count)
        PaperHeights.removeLast();

    // Papers without a size cannot be printed on: they go (not "Custom").
    for (qsizetype i = count - 2; i >= 0; --i) {
        if (PaperWidths[i] == "0" || PaperHeights[i] == "0") {
            RemoveAtIfPresent(PaperNames, i);
            RemoveAtIfPresent(Papers, i);
            RemoveAtIfPresent(PaperWidths, i);
            RemoveAtIfPresent(PaperHeights, i);
        }
    }
}

void TrgPrinterCapabilities::NormalizeBins()
{
    qsizetype at = BinNames.indexOf("Default");
    if (at < 0)
        at = Bins.indexOf(QString::number(rgDefaultBinCode));
    if (at >= 0 && at < BinNames.size()) {
        BinNames[at] = "Default";
    } else if (at < 0) {
        BinNames.prepend("Default");
        Bins.prepend(QString::number(rgDefaultBinCode));
    }
    const qsizetype shorter = std::min(BinNames.size(), Bins.size());
    while (BinNames.size() > shorter)
        BinNames.removeLast();
    while (Bins.size() > shorter)
        Bins.removeLast();
}

// ---- printer entries and the list ---------------------------------------------

TrgPrinterInfo::TrgPrinterInfo(const QString& name, const TrgPrinterSourceEntry& entry, TrgPrinterSource* source)
    : Name(name), Driver(entry.Driver), Device(entry.Device), Port(entry.Port), source_(source)
{
}

TrgPrinterCapabilities* TrgPrinterInfo::GetCapabilities()
{
    if (!capabilities_) {
        TrgRawCapabilities raw;
        if (source_ && !Device.isEmpty())
            raw = source_->Capabilities({Name, Driver, Device, Port});
        capabilities_ = std::make_unique<TrgPrinterCapabilities>(Name, raw);
    }
    return capabilities_.get();
}

TrgPrinterList::TrgPrinterList(std::unique_ptr<TrgPrinterSource> source) : source_(std::move(source))
{
    if (!source_)
        return;
    const std::vector<TrgPrinterSourceEntry> printers = source_->Printers();
    if (printers.empty())
        return;  // no printer: no "Default" entry either
    names_ << "Default";
    entries_.push_back(std::make_unique<TrgPrinterInfo>("Default", TrgPrinterSourceEntry{}, source_.get()));
    for (const TrgPrinterSourceEntry& p : printers) {
        names_ << p.Name;
        entries_.push_back(std::make_unique<TrgPrinterInfo>(p.Name, p, source_.get()));
    }
    // The first entry whose device is the default device names it.
    const QString device = source_->DefaultDevice();
    if (!device.isEmpty())
        defaultName_ = NameOfDevice(device);
}

TrgPrinterInfo* TrgPrinterList::GetPrinterInfo(const QString& name) const
{
    const QString wanted = name == "Default" ? defaultName_ : name;
    if (wanted.isEmpty())
        return nullptr;
    const qsizetype at = names_.indexOf(wanted);
    return at < 0 ? nullptr : entries_[size_t(at)].get();
}

bool rgPrintsColour(TrgPrinterInfo* info)
{
    const TrgPrinterCapabilities* caps = info ? info->GetCapabilities() : nullptr;
    return !caps || caps->ColorPrinter;
}

bool rgDevicePrintsColour(const QString& device)
{
    const TrgPrinterList* list = rgGetPrinterList();
    const QString name = list ? list->NameOfDevice(device) : QString();
    return rgPrintsColour(name.isEmpty() ? nullptr : list->GetPrinterInfo(name));
}

QString TrgPrinterList::NameOfDevice(const QString& device) const
{
    for (size_t i = 1; i < entries_.size(); ++i) {
        if (entries_[i]->Device == device)
            return entries_[i]->Name;
    }
    return {};
}

// ---- shared objects ---------------------------------------------------------------

namespace {

struct TSharedPrinterList {
    std::mutex Lock;
    std::unique_ptr<TrgPrinterSource> PendingSource;  // a source given before the list is read
    bool SourceGiven = false;
    std::future<std::unique_ptr<TrgPrinterList>> Query;
    std::unique_ptr<TrgPrinterList> List;
};

TSharedPrinterList& Shared()
{
    static TSharedPrinterList shared;
    return shared;
}

std::unique_ptr<TrgPrinterSource> TakeSource(TSharedPrinterList& s)
{
    if (s.SourceGiven)
        return std::move(s.PendingSource);
    return rgCreateCupsPrinterSource();
}

}  // namespace

// The shared printer is made by the printer module; the list only drops it.
void rgDropSharedPrinter();

void rgStartPrinterListQuery()
{
    TSharedPrinterList& s = Shared();
    std::lock_guard<std::mutex> guard(s.Lock);
    if (s.List || s.Query.valid())
        return;
    s.Query = std::async(std::launch::async, [source = TakeSource(s)]() mutable {
        return std::make_unique<TrgPrinterList>(std::move(source));
    });
}

TrgPrinterList* rgGetPrinterList()
{
    TSharedPrinterList& s = Shared();
    std::lock_guard<std::mutex> guard(s.Lock);
    if (!s.List) {
        if (s.Query.valid())
            s.List = s.Query.get();
        else
            s.List = std::make_unique<TrgPrinterList>(TakeSource(s));
    }
    return s.List.get();
}

QStringList rgGetPrinterNames()
{
    return rgGetPrinterList()->Names();
}

void rgSetPrinterSource(std::unique_ptr<TrgPrinterSource> source)
{
    rgDropSharedPrinter();
    TSharedPrinterList& s = Shared();
    std::lock_guard<std::mutex> guard(s.Lock);
    if (s.Query.valid())
        s.Query.get();  // a running query finishes before its list is dropped
    s.List.reset();
    s.SourceGiven = source != nullptr;
    s.PendingSource = std::move(source);
}

// ---- standard papers --------------------------------------------------------------

QString rgGetStandardPaperName(int code)
{
    switch (code) {
    case 1:
    case 2:
        return "Letter (8.5 x 11 in.)";
    case 3:
        return "Tabloid (11 x 17 in.)";
    case 5:
        return "Legal (8.5 x 14 in.)";
    case 7:
        return "Executive (7.25 x 10.5 in.)";
    case 8:
        return "A3 (297 x 420 mm)";
    case 9:
    case 10:
        return "A4 (210 x 297 mm)";
    default:
        return "Custom";
    }
}

namespace {

// The standard paper sizes by code (1 to 68), as the sheet is defined:
// in millimetres or in inches. Codes 48 and 49 are unused.
struct TStandardPaper {
    double Width;
    double Height;
    bool Inches;
};

constexpr TStandardPaper kStandardPapers[68] = {
    {8.5, 11, true},        // 1 Letter
    {8.5, 11, true},        // 2 Letter small
    {11, 17, true},         // 3 Tabloid
    {17, 11, true},         // 4 Ledger
    {8.5, 14, true},        // 5 Legal
    {5.5, 8.5, true},       // 6 Statement
    {7.25, 10.5, true},     // 7 Executive
    {297, 420, false},      // 8 A3
    {210, 297, false},      // 9 A4
    {210, 297, false},      // 10 A4 small
    {148, 210, false},      // 11 A5
    {250, 354, false},      // 12 B4 (JIS)
    {182, 257, false},      // 13 B5 (JIS)
    {8.5, 13, true},        // 14 Folio
    {215, 275, false},      // 15 Quarto
    {10, 14, true},         // 16 10 x 14 in
    {11, 17, true},         // 17 11 x 17 in
    {8.5, 11, true},        // 18 Note
    {3.875, 8.875, true},   // 19 Envelope #9
    {4.125, 9.5, true},     // 20 Envelope #10
    {4.5, 10.375, true},    // 21 Envelope #11
    {4.75, 11, true},       // 22 Envelope #12
    {5, 11.5, true},        // 23 Envelope #14
    {17, 22, true},         // 24 C sheet
    {22, 34, true},         // 25 D sheet
    {34, 44, true},         // 26 E sheet
    {110, 220, false},      // 27 Envelope DL
    {162, 229, false},      // 28 Envelope C5
    {324, 458, false},      // 29 Envelope C3
    {229, 324, false},      // 30 Envelope C4
    {114, 162, false},      // 31 Envelope C6
    {114, 229, false},      // 32 Envelope C65
    {250, 353, false},      // 33 Envelope B4
    {176, 250, false},      // 34 Envelope B5
    {176, 125, false},      // 35 Envelope B6
    {110, 230, false},      // 36 Envelope Italy
    {3.875, 7.5, true},     // 37 Envelope Monarch
    {3.625, 6.5, true},     // 38 Envelope 6 3/4
    {14.875, 11, true},     // 39 US standard fanfold
    {8.5, 12, true},        // 40 German standard fanfold
    {8.5, 13, true},        // 41 German legal fanfold
    {250, 353, false},      // 42 B4 (ISO)
    {100, 148, false},      // 43 Japanese postcard
    {9, 11, true},          // 44 9 x 11 in
    {10, 11, true},         // 45 10 x 11 in
    {15, 11, true},         // 46 15 x 11 in
    {220, 220, false},      // 47 Envelope invite
    {0, 0, false},          // 48 unused
    {0, 0, false},          // 49 unused
    {9.5, 12, true},        // 50 Letter extra
    {9.5, 15, true},        // 51 Legal extra
    {11.69, 18, true},      // 52 Tabloid extra
    {9.27, 12.69, true},    // 53 A4 extra
    {8.5, 11, true},        // 54 Letter transverse
    {210, 297, false},      // 55 A4 transverse
    {9.5, 12, true},        // 56 Letter extra transverse
    {227, 356, false},      // 57 Super A
    {305, 487, false},      // 58 Super B
    {8.5, 12.69, true},     // 59 Letter plus
    {210, 330, false},      // 60 A4 plus
    {148, 210, false},      // 61 A5 transverse
    {182, 257, false},      // 62 B5 (JIS) transverse
    {322, 445, false},      // 63 A3 extra
    {174, 235, false},      // 64 A5 extra
    {201, 276, false},      // 65 B5 (ISO) extra
    {420, 594, false},      // 66 A2
    {297, 420, false},      // 67 A3 transverse
    {322, 445, false},      // 68 A3 extra transverse
};

int ToTenths(double value, bool inches)
{
    return int(std::lround(inches ? value * 254.0 : value * 10.0));
}

}  // namespace

TrgPaperSize rgGetStandardPaperSize(int code)
{
    if (code < 1 || code > 68)
        return {};
    const TStandardPaper& p = kStandardPapers[code - 1];
    return {ToTenths(p.Width, p.Inches), ToTenths(p.Height, p.Inches)};
}

int rgFindStandardPaperCode(int widthTenths, int heightTenths)
{
    for (int code = 1; code <= 68; ++code) {
        const TrgPaperSize s = rgGetStandardPaperSize(code);
        if (s.Width > 0 && std::abs(s.Width - widthTenths) <= 10 && std::abs(s.Height - heightTenths) <= 10)
            return code;
    }
    return 0;
}
