// The installed printers read from the CUPS spooler through libcups: each
// queue is one printer (addressed by its queue name, with no driver or
// port), its papers are the media the queue supports and its bins the
// media sources.
#include "report/output/rg_printer_list.h"

#include <cups/cups.h>

#include <algorithm>
#include <cmath>

namespace {

// Paper codes of media that match no standard paper are handed out from
// here upwards; "Custom" keeps the code of a user-defined size.
constexpr int kFirstUserPaperCode = rgUserPaperCode + 1;

// Bin codes: the automatic source is the default bin, the manual feed has
// its own code; other sources are numbered from the first user code.
constexpr int kManualBinCode = 4;
constexpr int kFirstUserBinCode = 256;

QString DestName(const cups_dest_t& dest)
{
    QString name = QString::fromUtf8(dest.name);
    if (dest.instance)
        name += '/' + QString::fromUtf8(dest.instance);
    return name;
}

// A named destination, freed with the object.
class TNamedDest {
public:
    explicit TNamedDest(const QString& device)
    {
        const QString queue = device.section('/', 0, 0);
        const QString instance = device.section('/', 1);
        dest_ = cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.toUtf8().constData(),
                                 instance.isEmpty() ? nullptr : instance.toUtf8().constData());
        if (dest_)
            info_ = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest_);
    }
    ~TNamedDest()
    {
        if (info_)
            cupsFreeDestInfo(info_);
        if (dest_)
            cupsFreeDests(1, dest_);
    }
    TNamedDest(const TNamedDest&) = delete;
    TNamedDest& operator=(const TNamedDest&) = delete;

    cups_dest_t* Dest() const { return dest_; }
    cups_dinfo_t* Info() const { return info_; }

private:
    cups_dest_t* dest_ = nullptr;
    cups_dinfo_t* info_ = nullptr;
};

class TCupsPrinterSource : public TrgPrinterSource {
public:
    std::vector<TrgPrinterSourceEntry> Printers() override
    {
        std::vector<TrgPrinterSourceEntry> printers;
        cups_dest_t* dests = nullptr;
        const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
        for (int i = 0; i < count; ++i) {
            const QString name = DestName(dests[i]);
            printers.push_back({name, {}, name, {}});
            if (dests[i].is_default)
                defaultDevice_ = name;
        }
        cupsFreeDests(count, dests);
        return printers;
    }

    QString DefaultDevice() override { return defaultDevice_; }

    TrgRawCapabilities Capabilities(const TrgPrinterSourceEntry& printer) override
    {
        TrgRawCapabilities raw;
        TNamedDest dest(printer.Device);
        if (!dest.Info())
            return raw;
        // A queue is a black-and-white printer only when it says so: the
        // scheduler reports color-supported false (a PPD with ColorDevice
        // False). A queue that says nothing about colour (a raw queue, whose
        // printer type lacks the colour bit too) keeps the colours.
        if (ipp_attribute_t* colour = cupsFindDestSupported(CUPS_HTTP_DEFAULT, dest.Dest(), dest.Info(), "color"))
            raw.ColorPrinter = ippGetValueTag(colour) != IPP_TAG_BOOLEAN || ippGetBoolean(colour, 0);
        // The resolution a job prints at unless it asks for another (a PPD
        // without resolutions gets the scheduler's own default).
        if (ipp_attribute_t* resolution =
                cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest.Dest(), dest.Info(), "printer-resolution");
            resolution && ippGetValueTag(resolution) == IPP_TAG_RESOLUTION) {
            ipp_res_t units = IPP_RES_PER_INCH;
            int y = 0;
            const int x = ippGetResolution(resolution, 0, &y, &units);
            const int dots = std::max(x, y);
            raw.Resolution = units == IPP_RES_PER_CM ? int(std::lround(dots * 2.54)) : dots;
        }
        const int mediaCount = cupsGetDestMediaCount(CUPS_HTTP_DEFAULT, dest.Dest(), dest.Info(), CUPS_MEDIA_FLAGS_DEFAULT);
        int userCode = kFirstUserPaperCode;
        for (int i = 0; i < mediaCount; ++i) {
            cups_size_t size{};
            if (!cupsGetDestMediaByIndex(CUPS_HTTP_DEFAULT, dest.Dest(), dest.Info(), i, CUPS_MEDIA_FLAGS_DEFAULT, &size))
                continue;
            const int width = int(std::lround(size.width / 10.0));
            const int height = int(std::lround(size.length / 10.0));
            const char* localized = cupsLocalizeDestMedia(CUPS_HTTP_DEFAULT, dest.Dest(), dest.Info(), CUPS_MEDIA_FLAGS_DEFAULT, &size);
            const QString name = QString::fromUtf8(localized ? localized : size.media);
            if (raw.PaperNames.contains(name))
                continue;  // borderless and other variants of one paper
            const int standard = rgFindStandardPaperCode(width, height);
            raw.PaperNames << name;
            raw.Papers << (standard ? standard : userCode++);
            raw.PaperWidths << width;
            raw.PaperHeights << height;
        }
        raw.PaperNames << "Custom";
        raw.Papers << rgUserPaperCode;
        raw.PaperWidths << 0;
        raw.PaperHeights << 0;

        if (ipp_attribute_t* sources = cupsFindDestSupported(CUPS_HTTP_DEFAULT, dest.Dest(), dest.Info(), "media-source")) {
            int binCode = kFirstUserBinCode;
            for (int i = 0; i < ippGetCount(sources); ++i) {
                const QString keyword = QString::fromUtf8(ippGetString(sources, i, nullptr));
                raw.BinNames << keyword;
                raw.Bins << (keyword == "auto" ? rgDefaultBinCode : keyword == "manual" ? kManualBinCode : binCode++);
            }
        }
        return raw;
    }

private:
    QString defaultDevice_;
};

}  // namespace

std::unique_ptr<TrgPrinterSource> rgCreateCupsPrinterSource()
{
    return std::make_unique<TCupsPrinterSource>();
}
