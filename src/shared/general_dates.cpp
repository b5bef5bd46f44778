#include "shared/general_dates.h"

#include <optional>

#include "platform/core/sys_utils.h"
#include "shared/general_texts.h"

namespace {

// Unset until the first "START"; a "STOP" before it reads no time at all.
std::optional<uint64_t> g_stopUhrStart;

}  // namespace

QString StopUhr(const QString& befehl)
{
    const QString b = UpperCase(befehl);
    if (b == QLatin1String("START")) {
        g_stopUhrStart = GetTickCount64();
        return QString();
    }
    if (b == QLatin1String("STOP")) {
        const uint64_t jetzt = GetTickCount64();
        const uint64_t start = g_stopUhrStart.value_or(jetzt);
        const qint64 sekunden = jetzt > start ? static_cast<qint64>((jetzt - start) / 1000) : 0;
        return NullenAuffuellen(QString::number(sekunden / 3600), 2) + u':'
            + NullenAuffuellen(QString::number(sekunden / 60 % 60), 2) + u':'
            + NullenAuffuellen(QString::number(sekunden % 60), 2);
    }
    return QString();
}

bool IstSchaltjahr(int jahr)
{
    return jahr % 4 == 0 && jahr % 4000 != 0 && (jahr % 100 != 0 || jahr % 400 == 0);
}

int TageImMonat(int monat, int jahr)
{
    switch (monat) {
    case 1: case 3: case 5: case 7: case 8: case 10: case 12:
        return 31;
    case 4: case 6: case 9: case 11:
        return 30;
    case 2:
        return IstSchaltjahr(jahr) ? 29 : 28;
    default:
        return 0;
    }
}

bool DatumGueltig(int tag, int monat, int jahr)
{
    return jahr >= 1600 && jahr < 4000 && monat >= 1 && monat <= 12 && tag >= 1
        && tag <= TageImMonat(monat, jahr);
}

int TagesNummer(int tag, int monat, int jahr)
{
    if (jahr >= 0 && jahr < 100)
        jahr += 1900;
    if (!DatumGueltig(tag, monat, jahr))
        return -1;
    if (jahr == 1600 && monat == 1)
        return tag - 1;
    if (jahr == 1600 && monat == 2)
        return tag + 30;
    // The year is counted from March, so the leap day comes last.
    int y = jahr - 1600;
    int m;
    if (monat <= 2) {
        --y;
        m = monat + 9;
    } else {
        m = monat - 3;
    }
    return (y / 100) * 146097 / 4 + (y % 100) * 1461 / 4 + (m * 153 + 2) / 5 + tag + 59;
}

int HeuteTagesNummer()
{
    int jahr, monat, tag;
    DecodeDate(Date(), jahr, monat, tag);
    return TagesNummer(tag, monat, jahr);
}
