#include "report/output/rg_paper_bins.h"

#include "report/output/rg_printer_list.h"

#include <QRegularExpression>

namespace {

// "Tray 2", "tray-2" and "TRAY_2" compare equal.
QString Folded(const QString& name)
{
    QString out;
    for (const QChar c : name.toLower())
        if (c.isLetterOrNumber())
            out += c;
    return out;
}

QStringList Tray(int n)
{
    return {QStringLiteral("tray-%1").arg(n)};
}

}  // namespace

QStringList rgSourceKeywordsForBinNumber(int bin)
{
    switch (bin) {
    case 1: return {"top", "upper", "tray-1"};           // DMBIN_UPPER (also DMBIN_ONLYONE)
    case 2: return {"bottom", "lower", "tray-2"};        // DMBIN_LOWER
    case 3: return {"middle"};                           // DMBIN_MIDDLE
    case 4: return {"manual", "by-pass-tray"};           // DMBIN_MANUAL
    case 5: return {"envelope"};                         // DMBIN_ENVELOPE
    case 6: return {"envelope", "manual"};               // DMBIN_ENVMANUAL
    case 7: return {"auto"};                             // DMBIN_AUTO
    case 11: return {"large-capacity"};                  // DMBIN_LARGECAPACITY
    case 14: return {"main", "tray-1"};                  // DMBIN_CASSETTE
    case 15: return {"auto"};                            // DMBIN_FORMSOURCE: the source the paper asks for
    default: break;                                      // 8 tractor, 9 small, 10 large format
    }
    if (bin >= 256 && bin < 256 + 20)
        return Tray(bin - 255);  // the driver's own trays, in their order
    return {};
}

QStringList rgSourceKeywordsForBinName(const QString& name)
{
    const QString n = name.trimmed().toLower();
    if (n.isEmpty())
        return {};
    bool number = false;
    const int bin = n.toInt(&number);
    if (number)
        return rgSourceKeywordsForBinNumber(bin);
    // Numbered trays: "Schacht 1", "Fach 2", "Tray 3", "Kassette 1", "tray-4", "Papierfach 2".
    static const QRegularExpression numbered(
        QStringLiteral("^(?:.*\\b)?(?:tray|schacht|fach|papierfach|kassette|cassette|bin|magazin)\\s*[-_ ]?\\s*(\\d+)$"));
    if (const auto m = numbered.match(n); m.hasMatch()) {
        const int tray = m.captured(1).toInt();
        if (tray >= 1 && tray <= 20)
            return Tray(tray);
    }
    struct Word {
        const char* part;
        int bin;
    };
    // Checked in this order, so "Manueller Umschlageinzug" is an envelope by hand.
    static const Word words[] = {
        {"umschlag", 5},     {"envelope", 5},     {"manu", 4},          {"hand", 4},
        {"bypass", 4},       {"by-pass", 4},      {"mehrzweck", 4},     {"multi", 4},
        {"auto", 7},         {"standard", 7},     {"default", 7},       {"current", 7},
        {"ober", 1},         {"upper", 1},        {"top", 1},           {"unter", 2},
        {"lower", 2},        {"bottom", 2},       {"mittl", 3},         {"middle", 3},
        {"großraum", 11},    {"grossraum", 11},   {"large capacity", 11}, {"large-capacity", 11},
        {"hochkapazit", 11}, {"kassette", 14},    {"cassette", 14},     {"traktor", 8},
        {"tractor", 8},
    };
    for (const Word& w : words)
        if (n.contains(QString::fromUtf8(w.part)))
            return rgSourceKeywordsForBinNumber(w.bin);
    return {n};  // perhaps one of the printer's own keywords
}

qsizetype rgFindBin(const TrgPrinterCapabilities& caps, const QString& binName)
{
    const qsizetype exact = caps.BinNames.indexOf(binName);
    if (exact >= 0)
        return exact;
    for (const QString& keyword : rgSourceKeywordsForBinName(binName)) {
        if (keyword == u"auto") {
            const qsizetype at = caps.Bins.indexOf(QString::number(rgDefaultBinCode));
            if (at >= 0)
                return at;
            continue;
        }
        const QString wanted = Folded(keyword);
        for (qsizetype i = 0; i < caps.BinNames.size(); ++i)
            if (Folded(caps.BinNames[i]) == wanted)
                return i;
    }
    return -1;
}
