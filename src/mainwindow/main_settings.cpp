#include "mainwindow/main_settings.h"

#include "shared/qk_ini.h"

#include <QSet>

#include <array>

namespace {

using T = TIniTyp;
constexpr unsigned RW = kIniLesen | kIniSchreiben;
constexpr unsigned R = kIniLesen;
constexpr unsigned W = kIniSchreiben;
constexpr unsigned RWO = RW | kIniOrdner;
const char* const H = kSektionHaupt;
const char* const B = kSektionBilder;

// The read order: the main section up to "WindowScaling", the picture
// section, then the rest of the main section and the two small sections.
const TIniSchluessel kTabelle[] = {
    {H, "ProgAufrufe", T::Int, "0", RW},
    {H, "CDLaufwerk", T::Zeichen, "D", R},
    {H, "ProgrammPfad", T::Text, "", RW},
    {H, "Letzte Aufloesung", T::Int, "0", RW},
    {H, "Verkleinert", T::Bool, "false", RW},
    {H, "EditiermodusTabelle", T::Bool, "false", RW},
    {B, "BilderDBF", T::Text, "Bilder.DBF", RW},
    {B, "BilderDBFPfad", T::Text, "Data\\Database\\", RWO},
    {B, "BilderActiveOrder", T::Int8, "1", RW},
    {B, "EinzelsatzAnzeige", T::Bool, "true", RW},
    {B, "NurVerfuegbare", T::Bool, "false", RW},
    {B, "ProgPfad", T::Text, "", W},
    {B, "Timer", T::Int, "0", W},
    {H, "LinkErstellt", T::Bool, "false", RW},
    {H, "ErstStart", T::Bool, "true", RW},
    {H, "Revision", T::Text, "", W},
    {H, "LastRevision", T::Text, "", R},
    {H, "GesamtNutzungsZeit", T::Int, "0", R},
    {H, "KalvunoDatenUebernahme", T::Bool, "true", R},
    {kSektionToolbar, "Aktiv", T::Bool, "true", RW},
    {H, "LastRecNo", T::Int, "1", W},
    {H, "LastOrder", T::Int, "6", W},
};

QString Schluessel(const char* k) { return QString::fromLatin1(k).toUpper(); }

bool EigenerSchluessel(const char* k)
{
    // Asked on every read of a setting: the table's keys, case-folded, in a
    // set made once.
    static const QSet<QString> eigene = [] {
        QSet<QString> s;
        for (const TIniSchluessel& e : kTabelle)
            s.insert(QString::fromLatin1(e.Schluessel).toCaseFolded());
        return s;
    }();
    return eigene.contains(QString::fromLatin1(k).toCaseFolded());
}

}  // namespace

QString ProgrammRevision() { return QStringLiteral("1.50.230 (31.05.2006)"); }

std::span<const TIniSchluessel> IniSchluesselTabelle() { return kTabelle; }

const TIniSchluessel* IniSchluesselSuchen(const QString& sektion, const QString& schluessel)
{
    for (const TIniSchluessel& k : kTabelle)
        if (sektion.compare(QLatin1String(k.Sektion), Qt::CaseInsensitive) == 0 &&
            schluessel.compare(QLatin1String(k.Schluessel), Qt::CaseInsensitive) == 0)
            return &k;
    return nullptr;
}

QVariant TEinstellungen::Vorgabe(const TIniSchluessel& k, const QString& programmPfad)
{
    const QString text = QString::fromLatin1(k.Vorgabe);
    switch (k.Typ) {
    case TIniTyp::Bool:
        return text == QLatin1String("true");
    case TIniTyp::Int:
    case TIniTyp::Int16:
    case TIniTyp::Int8:
        return text.toInt(nullptr, 0);
    case TIniTyp::Text:
    case TIniTyp::Zeichen:
        return (k.Flags & kIniOrdner) ? programmPfad + text : text;
    }
    return text;
}

void TEinstellungen::VorgabenSetzen(const QString& programmPfad)
{
    for (const TIniSchluessel& k : kTabelle)
        werte_.insert(Schluessel(k.Schluessel), Vorgabe(k, programmPfad));
}

QVariant TEinstellungen::Wert(const char* schluessel) const { return werte_.value(Schluessel(schluessel)); }

bool TEinstellungen::Bool(const char* schluessel) const
{
    if (Optionen && !EigenerSchluessel(schluessel))
        return Optionen->Bool(QLatin1String(schluessel));
    return Wert(schluessel).toBool();
}

int TEinstellungen::Int(const char* schluessel) const
{
    if (Optionen && !EigenerSchluessel(schluessel))
        return Optionen->Zahl(QLatin1String(schluessel));
    return Wert(schluessel).toInt();
}

QString TEinstellungen::Text(const char* schluessel) const
{
    if (Optionen && !EigenerSchluessel(schluessel))
        return Optionen->Text(QLatin1String(schluessel));
    return Wert(schluessel).toString();
}

void TEinstellungen::Setzen(const char* schluessel, const QVariant& wert)
{
    if (Optionen && !EigenerSchluessel(schluessel)) {
        const QString k = QLatin1String(schluessel);
        if (wert.typeId() == QMetaType::Bool)
            Optionen->SetBool(k, wert.toBool());
        else if (wert.typeId() == QMetaType::Int)
            Optionen->SetZahl(k, wert.toInt());
        else
            Optionen->SetText(k, wert.toString());
        return;
    }
    werte_.insert(Schluessel(schluessel), wert);
}

void TEinstellungen::Lesen(TQKINI& ini)
{
    if (Optionen)
        Optionen->Lesen(ini.IniPath());
    for (const TIniSchluessel& k : kTabelle) {
        if (!(k.Flags & kIniLesen))
            continue;
        const QString sektion = QString::fromLatin1(k.Sektion);
        const QString name = QString::fromLatin1(k.Schluessel);
        const QVariant jetzt = Wert(k.Schluessel);
        QVariant wert;
        switch (k.Typ) {
        case TIniTyp::Bool:
            wert = ini.INIReadBool(sektion, name, jetzt.toBool());
            break;
        case TIniTyp::Int:
            wert = ini.INIReadInteger(sektion, name, jetzt.toInt());
            break;
        case TIniTyp::Int16:
            wert = int(int16_t(ini.INIReadInteger(sektion, name, jetzt.toInt())));
            break;
        case TIniTyp::Int8:
            wert = int(uint8_t(ini.INIReadInteger(sektion, name, jetzt.toInt())));
            break;
        case TIniTyp::Text:
            wert = ini.INIReadString(sektion, name, jetzt.toString());
            break;
        case TIniTyp::Zeichen:
            wert = ini.INIReadString(sektion, name, jetzt.toString()).left(1);
            break;
        }
        werte_.insert(Schluessel(k.Schluessel), wert);
    }
}

void TEinstellungen::SchreibeEinen(TQKINI& ini, const TIniSchluessel& k) const
{
    const QString sektion = QString::fromLatin1(k.Sektion);
    const QString name = QString::fromLatin1(k.Schreibname ? k.Schreibname : k.Schluessel);
    const QVariant wert = Wert(k.Schluessel);
    switch (k.Typ) {
    case TIniTyp::Bool:
        ini.INIWriteBool(sektion, name, wert.toBool());
        break;
    case TIniTyp::Int:
    case TIniTyp::Int16:
    case TIniTyp::Int8:
        ini.INIWriteInteger(sektion, name, wert.toInt());
        break;
    case TIniTyp::Text:
    case TIniTyp::Zeichen:
        ini.INIWriteString(sektion, name, wert.toString());
        break;
    }
}

void TEinstellungen::Schreiben(TQKINI& ini, bool mitAlbum) const
{
    if (Optionen)
        Optionen->Schreiben(ini.IniPath());
    static const char* const kZuerst[][2] = {{kSektionHaupt, "EditiermodusTabelle"},
                                             {kSektionToolbar, "Aktiv"},
                                             {kSektionHaupt, "Revision"}};
    for (const auto& z : kZuerst)
        SchreibeEinen(ini, *IniSchluesselSuchen(QLatin1String(z[0]), QLatin1String(z[1])));
    for (const TIniSchluessel& k : kTabelle) {
        if (!(k.Flags & kIniSchreiben))
            continue;
        bool schonGeschrieben = false;
        for (const auto& z : kZuerst)
            schonGeschrieben |= (qstrcmp(k.Sektion, z[0]) == 0 && qstrcmp(k.Schluessel, z[1]) == 0);
        const bool albumSchluessel =
            qstrcmp(k.Schluessel, "LastRecNo") == 0 || qstrcmp(k.Schluessel, "LastOrder") == 0;
        if (!schonGeschrieben && (mitAlbum || !albumSchluessel))
            SchreibeEinen(ini, k);
    }
}
