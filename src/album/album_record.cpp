#include "album/album_record.h"

#include "platform/core/file_utils.h"
#include "platform/core/win_path.h"
#include "shared/general_texts.h"

#include <QFileInfo>

#include <optional>

const std::array<TAlbumFeld, kAlbumFeldAnzahl> kAlbumFelder = {{
    {"ShortDesc", 'C', 100, 0},  {"Owner", 'C', 15, 0},      {"Aufndatum", 'D', 8, 0},
    {"Bytes", 'N', 10, 0},       {"Breite", 'N', 4, 0},      {"Hoehe", 'N', 4, 0},
    {"Serie", 'C', 10, 0},       {"Quelle", 'C', 10, 0},     {"Datei", 'C', 15, 0},
    {"Pfad", 'C', 239, 0},       {"ShortName", 'C', 11, 0},  {"Label", 'C', 30, 0},
    {"LabelKennung", 'C', 14, 0}, {"Type", 'C', 1, 0},       {"PlayList", 'C', 2, 0},
    {"Qualitaet", 'C', 3, 0},    {"Motiv", 'C', 3, 0},       {"Markiert", 'L', 1, 0},
    {"Zugriff", 'L', 1, 0},      {"Privat", 'L', 1, 0},      {"Anywhere", 'L', 1, 0},
    {"Notiz", 'M', 10, 0},       {"Vorschau", 'M', 10, 0},   {"Flags", 'C', 10, 0},
    {"FileDate", 'D', 8, 0},     {"ZoomFactor", 'N', 4, 2},  {"RESERVE1", 'C', 15, 0},
    {"RESERVE2", 'C', 15, 0},    {"RESERVE3", 'C', 15, 0},
}};

#define LX_TAGS(suffix, condition)                                                                  \
    {"Shortname" suffix, "Shortname", condition}, {"Markiert" suffix, "Markiert", condition},        \
        {"Label" suffix, "Lower(Label)", condition}, {"Type" suffix, "Type", condition},            \
        {"PlayList" suffix, "PlayList", condition}, {"ShortDesc" suffix, "Lower(ShortDesc)", condition}, \
        {"Owner" suffix, "Owner", condition}, {"AufnDatum" suffix, "DTOS(AufnDatum)", condition},    \
        {"FileDate" suffix, "DTOS(FileDate)", condition}, {"Bytes" suffix, "Bytes", condition},      \
        {"Breite" suffix, "Breite", condition}, {"Hoehe" suffix, "Hoehe", condition},                \
        {"Serie" suffix, "Serie", condition}, {"Quelle" suffix, "Quelle", condition},                \
        {"Qualitaet" suffix, "Qualitaet", condition}, {"Motiv" suffix, "Motiv", condition},          \
        {"Privat" suffix, "Privat", condition}, {"Anywhere" suffix, "Anywhere", condition},          \
        {"RESERVE1" suffix, "Lower(RESERVE1)", condition}, {"RESERVE2" suffix, "Lower(RESERVE2)", condition}, \
        {"RESERVE3" suffix, "Lower(RESERVE3)", condition}

const std::array<TAlbumTag, kAlbumTagAnzahl> kAlbumTags = {{
    LX_TAGS("", kNichtGeloescht),
    LX_TAGS("2", kNichtGeloeschtImZugriff),
    {"Zugriff", "Zugriff", kNichtGeloescht},
}};
#undef LX_TAGS

const std::array<TAlbumTag, kZielAlbumTagAnzahl> kZielAlbumTags = {{
    {"Pfad", "Upper(Left(Pfad,160))", kNichtGeloescht},
    {"Markiert", "Markiert", kNichtGeloescht},
    {"Label", "Lower(Label)", kNichtGeloescht},
    {"Type", "Type", kNichtGeloescht},
    {"PlayList", "PlayList", kNichtGeloescht},
    {"ShortDesc", "Lower(ShortDesc)", kNichtGeloescht},
    {"Owner", "Owner", kNichtGeloescht},
    {"AufnDatum", "DTOS(AufnDatum)", kNichtGeloescht},
    {"FileDate", "DTOS(FileDate)", kNichtGeloescht},
    {"Bytes", "Bytes", kNichtGeloescht},
    {"Breite", "Breite", kNichtGeloescht},
    {"Hoehe", "Hoehe", kNichtGeloescht},
    {"Serie", "Serie", kNichtGeloescht},
    {"Quelle", "Quelle", kNichtGeloescht},
    {"Qualitaet", "Qualitaet", kNichtGeloescht},
    {"Motiv", "Motiv", kNichtGeloescht},
    {"Privat", "Privat", kNichtGeloescht},
    {"Anywhere", "Anywhere", kNichtGeloescht},
}};

const std::array<TAlbumFeld, kManagerFeldAnzahl> kManagerFelder = {{
    {"ShortDesc", 'C', 239, 0}, {"Owner", 'C', 15, 0},      {"BytesDBF", 'N', 10, 0},
    {"BytesFPT", 'N', 10, 0},   {"BytesCDX", 'N', 10, 0},   {"BytesIA", 'N', 10, 0},
    {"BytesSum", 'N', 10, 0},   {"Pfad", 'C', 239, 0},      {"LASTFDATE", 'D', 8, 0},
    {"SAETZE", 'N', 10, 0},     {"Label", 'C', 30, 0},      {"LabelKennung", 'C', 14, 0},
    {"Type", 'C', 1, 0},        {"Markiert", 'L', 1, 0},    {"Zugriff", 'L', 1, 0},
    {"Privat", 'L', 1, 0},      {"Anywhere", 'L', 1, 0},    {"Flags", 'C', 10, 0},
    {"PICBYTES", 'N', 10, 0},   {"MARKIERTE", 'N', 6, 0},   {"MITDESC", 'N', 6, 0},
    {"OHNEDESC", 'N', 6, 0},
}};

const std::array<TAlbumTag, kManagerTagAnzahl> kManagerTags = {{
    {"Pfad", "Upper(Left(Pfad,100))", ""},
    {"Markiert", "Markiert", ""},
    {"Type", "Type", ""},
}};

namespace {

struct TTypEintrag {
    const char* Suffix;
    uint8_t Code;
};

constexpr TTypEintrag kSuffixe[] = {
    {"JPG", btJPG}, {"JPE", btJPG}, {"BMP", btBMP}, {"TIF", btTIF}, {"PNG", btPNG}, {"GIF", btGIF},
    {"PCX", btPCX}, {"PCD", btPCD}, {"CMS", btCMS}, {"SCM", btSCM}, {"WMF", btWMF}, {"ICO", btICO},
};

constexpr const char* kTypNamen[] = {"Unknown", "JPG", "BMP", "TIF", "PNG", "GIF",
                                     "PCX",     "PCD", "CMS", "SCM", "WMF", "ICO"};

}  // namespace

uint8_t BilderFileTypeErmitteln(const QString& fileName)
{
    // DateiSuffix looks at the name part only, so a dot in a folder name
    // does not count.
    const QString suffix = DateiSuffix(fileName);
    for (const TTypEintrag& e : kSuffixe)
        if (suffix == QLatin1String(e.Suffix))
            return e.Code;
    return btUnbekannt;
}

bool IstInternesBildFormat(const QString& fileName)
{
    const uint8_t code = BilderFileTypeErmitteln(fileName);
    return code >= btJPG && code <= btPCX;
}

QString BildTypText(uint8_t code)
{
    if (code == btWMF)
        return QStringLiteral("W");
    if (code == btICO)
        return QStringLiteral("I");
    return code <= 9 ? QString::number(code) : QStringLiteral("0");
}

uint8_t BildTypAusText(const QString& text)
{
    const QString t = text.trimmed().toUpper();
    if (t.isEmpty())
        return btUnbekannt;
    const QChar c = t.at(0);
    if (c == 'W')
        return btWMF;
    if (c == 'I')
        return btICO;
    if (!c.isDigit())
        return btUnbekannt;
    return static_cast<uint8_t>(c.digitValue());
}

QString BildTypName(uint8_t code)
{
    return QString::fromLatin1(code <= btICO ? kTypNamen[code] : kTypNamen[0]);
}

bool AlbumSchreibgeschuetzt(const QString& folder, const QString& name)
{
    const int attr = FileGetAttr(folder + name);
    if (attr != -1 && (attr & faReadOnly))
        return true;
    // Beside the attribute: a table this process cannot write (a read-only
    // mount such as a burned disc, another user's file) is opened for
    // reading only by the engine, so the album is write-protected too.
    const std::optional<QString> file = WinToLinux(folder + name);
    if (file && QFileInfo::exists(*file) && !QFileInfo(*file).isWritable())
        return true;
    const std::optional<QString> dir = WinToLinux(folder);
    return dir && (!QFileInfo(*dir).permission(QFileDevice::WriteOwner) || !QFileInfo(*dir).isWritable());
}
