#include "mainwindow/main_settings.h"

#include "shared/qk_ini.h"

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
    {H, "ProgINIimProgPfad", T::Bool, "true", RW},
    {H, "Letzte Aufloesung", T::Int, "0", RW},
    {H, "Maushilfe", T::Bool, "true", RW},
    {H, "StartLogo", T::Bool, "false", RW},
    {H, "VerkleinertStarten", T::Bool, "true", RW},
    {H, "Verkleinert", T::Bool, "false", RW},
    {H, "Pflichtfarbe", T::Int, "0xFFFF00", RW},
    {H, "Kannfarbe", T::Int, "0x00FF00", RW},
    {H, "KannNichtfarbe", T::Int, "0x808000", RW},
    {H, "Infofarbe", T::Int, "0x00FFFF", RW},
    {H, "NoAccessfarbe", T::Int, "0x0000FF", RW, "NoAccessFarbe"},
    {H, "NoAccessGridRowsColor", T::Int, "0x0000FF", RW},
    {H, "UngeradeGridZeilenColor", T::Int, "0xFFFFFF", RW},
    {H, "GeradeGridZeilenColor", T::Int, "0x00FFFF", RW},
    {H, "GridOhneIndexTitelColor", T::Int, "0x00FF00", RW},
    {H, "GridMitIndexTitelColor", T::Int, "0x00FFFF", RW},
    {H, "RowColors", T::Bool, "true", RW},
    {H, "NichtDaRowColors", T::Bool, "false", RW},
    {H, "RequesterAnzeigeZeit", T::Int16, "10", RW},
    {H, "Sicherheitsabfragen", T::Bool, "true", RW},
    {H, "BezeichnerBenutzerdefiniertesFeld1", T::Text, "Benutzerdefiniert1", RW},
    {H, "BezeichnerBenutzerdefiniertesFeld2", T::Text, "Benutzerdefiniert2", RW},
    {H, "BezeichnerBenutzerdefiniertesFeld3", T::Text, "Benutzerdefiniert3", RW},
    {H, "EndeImMenu", T::Bool, "true", RW},
    {H, "EditiermodusTabelle", T::Bool, "false", RW},
    {H, "BeiScrollBarClickZeigeVorschauBild", T::Bool, "false", RW},
    {H, "MaxLogSize", T::Int, "200", RW},
    {H, "ASCIIExportPfad", T::Text, "DATA\\ASCIIExport\\", RWO},
    {H, "ASCIIImportPfad", T::Text, "DATA\\ASCIIImport\\", RWO},
    {H, "CDRDir", T::Text, "DATA\\CDR\\", RWO},
    {H, "CDRcheck", T::Bool, "true", RW},
    {H, "PRGWavePfad", T::Text, "Waves\\PRG\\", RWO},
    {H, "PRGWave", T::Bool, "false", RW},
    {H, "HintWavePfad", T::Text, "WaveS\\Hints\\", RWO},
    {H, "HintWave", T::Bool, "false", RW},
    {H, "MouseHintTime", T::Int, "0", RW},
    {H, "HintHidePause", T::Int, "20", RW},
    {H, "FarbSystemBenutzen", T::Bool, "true", RW},
    {H, "WindowScaling", T::Bool, "false", RW},

    {B, "WennFileNichtGefundenAnderesLWtesten", T::Bool, "true", RW},
    {B, "AutoSlideShowTime", T::Int, "1", RW},
    {B, "BilderUploadmodus", T::Int, "0", RW},
    {B, "AutoSlideShowAktiv", T::Bool, "false", RW},
    {B, "BilderDBFnotOpenMsg", T::Bool, "true", RW},
    {B, "DestPfad", T::Text, "Data\\Pics\\", RWO},
    {B, "SourcePfad", T::Text, "Data\\PicsUpload\\", RWO},
    {B, "TempBilderPfad", T::Text, "Data\\PrevTemp\\", RWO},
    {B, "VorschaubilderVerzeichnis", T::Text, "Data\\PrevPics\\", RWO},
    {B, "ScannerZielDir", T::Text, "Data\\Pics\\Scans\\", RWO},
    {B, "HTMLExportPfad", T::Text, "Data\\HTMLExport\\", RWO},
    {B, "ScanZielDirImmerNachfragen", T::Bool, "true", RW},
    {B, "BilderDBF", T::Text, "Bilder.DBF", RW},
    {B, "BilderDBFPfad", T::Text, "Data\\Database\\", RWO},
    {B, "BilderActiveOrder", T::Int8, "1", RW},
    {B, "PfadBildBearbeitung1", T::Text, "", RW},
    {B, "PfadBildBearbeitung2", T::Text, "", RW},
    {B, "PfadBildBearbeitung3", T::Text, "", RW},
    {B, "Bildbearbeitung1", T::Text, "Externe Bildbearbeitung1", RW},
    {B, "Bildbearbeitung2", T::Text, "Externe Bildbearbeitung2", RW},
    {B, "Bildbearbeitung3", T::Text, "Externe Bildbearbeitung3", RW},
    {B, "PfadBildAnzeige", T::Text, "", RW},
    {B, "UseWindowsLink", T::Bool, "true", RW},
    {B, "EinzelsatzAnzeige", T::Bool, "true", RW},
    {B, "SourceFileSuffix", T::Text, "JPG", RW},
    {B, "SourceFileNames", T::Text, "", RW},
    {B, "BreiteOderLaenge", T::Text, "", RW},
    {B, "FreienPlatzPruefen", T::Bool, "false", RW},
    {B, "DateTimeFileName", T::Bool, "false", RW},
    {B, "IncNrFileName", T::Bool, "true", RW},
    {B, "DeleteAfterCopy", T::Bool, "false", RW},
    {B, "ImmerPollen", T::Bool, "false", RW},
    {B, "InklusiveSubDirs", T::Bool, "false", RW},
    {B, "Protokollieren", T::Bool, "false", RW},
    {B, "NeuesWallPaperBeiProgStart", T::Bool, "false", RW},
    {B, "WallpaperTile", T::Bool, "false", RW},
    {B, "WallpaperStretch", T::Bool, "false", RW},
    {B, "Wallpaper1zu1", T::Bool, "true", RW},
    {B, "ErzeugeVorschaubilder", T::Bool, "false", RW},
    {B, "BMPAnzeigen", T::Bool, "true", RW},
    {B, "JPGAnzeigen", T::Bool, "false", RW},
    {B, "KeinBildAnzeigen", T::Bool, "false", RW},
    {B, "BilderGauge", T::Bool, "false", RW},
    {B, "SlideShowInterval", T::Int, "5", RW},
    {B, "ComboBoxDropDownCount", T::Int8, "10", RW},
    {B, "ScanPicHeightAndWidth", T::Bool, "true", RW},
    {B, "VorschuBilderAlsBlobSpeichern", T::Bool, "true", RW},
    {B, "ShortDescInHint", T::Bool, "true", RW},
    {B, "VorschaubilderPhysikalischDrehen", T::Bool, "false", RW},
    {B, "VorschaubilderinUebersichtDrehen", T::Bool, "true", RW},
    {B, "VorschaubilderCachen", T::Bool, "false", RW},
    {B, "BilderbytesAddieren", T::Bool, "false", RW},
    {B, "SupportExternalPicFormats", T::Bool, "false", RW},
    {B, "SearchFTS_OnlyInShortDesc", T::Bool, "false", RW},
    {B, "GefundeneBilderKopieren", T::Bool, "false", RW},
    {B, "NurVerfuegbare", T::Bool, "false", RW},
    {B, "ProgPfad", T::Text, "", W},
    {B, "Timer", T::Int, "0", W},

    {H, "BackupDir", T::Text, "DATA\\BACKUP\\", RWO},
    {H, "DatenbankenVerzeichnis", T::Text, "Data\\Database\\", RWO},
    {H, "LinkErstellt", T::Bool, "false", RW},
    {H, "ErstStart", T::Bool, "true", RW},
    {H, "BearbeitungszeitAnzeigen", T::Bool, "true", RW},
    {H, "AlleMeldungen", T::Bool, "true", RW},
    {H, "BerabeitungsMeldung", T::Bool, "false", RW},
    {H, "MeldungNutzungsdauer", T::Bool, "true", RW},
    {H, "TextVollbildanzeige", T::Bool, "false", RW},
    {H, "Revision", T::Text, "", W},
    {H, "LastRevision", T::Text, "", R},
    {H, "GesamtNutzungsZeit", T::Int, "0", R},
    {H, "KalvunoDatenUebernahme", T::Bool, "true", R},
    {kSektionTextVollbild, "TextVollbildBGColor", T::Int, "0xFFFFFF", RW},
    {kSektionToolbar, "Aktiv", T::Bool, "true", RW},
    {H, "LastRecNo", T::Int, "1", W},
    {H, "LastOrder", T::Int, "6", W},
};

QString Schluessel(const char* k) { return QString::fromLatin1(k).toUpper(); }

}  // namespace

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
bool TEinstellungen::Bool(const char* schluessel) const { return Wert(schluessel).toBool(); }
int TEinstellungen::Int(const char* schluessel) const { return Wert(schluessel).toInt(); }
QString TEinstellungen::Text(const char* schluessel) const { return Wert(schluessel).toString(); }
void TEinstellungen::Setzen(const char* schluessel, const QVariant& wert) { werte_.insert(Schluessel(schluessel), wert); }

void TEinstellungen::Lesen(TQKINI& ini)
{
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
    static const char* const kZuerst[][2] = {{kSektionHaupt, "EditiermodusTabelle"},
                                             {kSektionHaupt, "EndeImMenu"},
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
