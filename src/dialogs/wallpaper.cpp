#include "dialogs/wallpaper.h"

#include "platform/core/win_path.h"
#include "platform/os/registry.h"
#include "platform/ui/dialogs.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

namespace {

const char* const kSchluessel = "\\Control Panel\\desktop\\";
constexpr int kWerkzeugMs = 20000;

QString Lesen(const QString& name)
{
    TRegistry reg;
    reg.RootKey = TRootKey::HKEY_CURRENT_USER;
    if (!reg.OpenKeyReadOnly(QString::fromLatin1(kSchluessel)))
        return QString();
    return reg.ReadString(name);
}

void Schreiben(const QString& name, const QString& wert)
{
    TRegistry reg;
    reg.RootKey = TRootKey::HKEY_CURRENT_USER;
    reg.OpenKey(QString::fromLatin1(kSchluessel), true);
    reg.WriteString(name, wert);
}

// Runs one tool call; empty on success, else what went wrong.
QString Ausfuehren(const QString& programm, const QStringList& args)
{
    QProcess p;
    p.setProgram(QStandardPaths::findExecutable(programm));
    p.setArguments(args);
    p.start();
    if (!p.waitForStarted())
        return programm + QStringLiteral(" konnte nicht gestartet werden");
    if (!p.waitForFinished(kWerkzeugMs)) {
        p.kill();
        p.waitForFinished();
        return programm + QStringLiteral(" antwortet nicht");
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        const QString fehler = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
        return programm + QStringLiteral(" meldet einen Fehler") + (fehler.isEmpty() ? QString() : ": " + fehler);
    }
    return QString();
}

}  // namespace

TWallPaper::TWallPaper(TComponent* AOwner) : TComponent(AOwner) {}

QString TWallPaper::Wallpaper() const { return Lesen(QStringLiteral("Wallpaper")); }

bool TWallPaper::Tile() const
{
    TRegistry reg;
    reg.RootKey = TRootKey::HKEY_CURRENT_USER;
    if (!reg.OpenKeyReadOnly(QString::fromLatin1(kSchluessel)))
        throw ERegistryException(QStringLiteral("'TileWallpaper' ist kein gültiger Integerwert"));
    // ReadInteger raises for a missing or non-numeric value.
    return reg.ReadInteger(QStringLiteral("TileWallpaper")) != 0;
}

bool TWallPaper::Stretch() const
{
    bool ok = false;
    const int stil = Lesen(QStringLiteral("WallpaperStyle")).trimmed().toInt(&ok);
    return ok && stil == 2;
}

void TWallPaper::SetWallpaper(const QString& datei)
{
    if (Loading())
        return;
    if (datei.size() > 255) {
        applied_ = false;
        lastError_ = QStringLiteral("Der Dateiname ist länger als 255 Zeichen");
        return;
    }
    Schreiben(QStringLiteral("Wallpaper"), datei);
    Anwenden();
}

void TWallPaper::SetTile(bool v)
{
    if (Loading())
        return;
    Schreiben(QStringLiteral("TileWallpaper"), v ? QStringLiteral("1") : QStringLiteral("0"));
    Anwenden();
}

void TWallPaper::SetStretch(bool v)
{
    if (Loading())
        return;
    Schreiben(QStringLiteral("WallpaperStyle"), v ? QStringLiteral("2") : QStringLiteral("0"));
    Anwenden();
}

namespace {

// How a desktop takes its wallpaper.
enum class TSetzer { Keiner, Gnome, Cinnamon, Mate, Plasma, Xfce, Feh };

struct TDesktop {
    QString Name;
    TSetzer Setzer = TSetzer::Keiner;
};

TSetzer SetzerFuer(const QString& name)
{
    struct Eintrag {
        const char* Name;
        TSetzer Setzer;
    };
    // Names as the desktops give them in XDG_CURRENT_DESKTOP and
    // DESKTOP_SESSION; window managers without a desktop of their own
    // leave the root window to feh.
    static const Eintrag tabelle[] = {
        {"gnome", TSetzer::Gnome},          {"gnome-classic", TSetzer::Gnome}, {"gnome-flashback", TSetzer::Gnome},
        {"ubuntu", TSetzer::Gnome},         {"unity", TSetzer::Gnome},         {"budgie", TSetzer::Gnome},
        {"budgie-desktop", TSetzer::Gnome}, {"x-cinnamon", TSetzer::Cinnamon}, {"cinnamon", TSetzer::Cinnamon},
        {"mate", TSetzer::Mate},            {"kde", TSetzer::Plasma},          {"plasma", TSetzer::Plasma},
        {"plasmax11", TSetzer::Plasma},     {"plasmawayland", TSetzer::Plasma}, {"xfce", TSetzer::Xfce},
        {"xfce4", TSetzer::Xfce},           {"xubuntu", TSetzer::Xfce},        {"i3", TSetzer::Feh},
        {"openbox", TSetzer::Feh},          {"fluxbox", TSetzer::Feh},         {"awesome", TSetzer::Feh},
        {"bspwm", TSetzer::Feh},            {"herbstluftwm", TSetzer::Feh},    {"dwm", TSetzer::Feh},
        {"xmonad", TSetzer::Feh},           {"icewm", TSetzer::Feh},           {"jwm", TSetzer::Feh},
    };
    const QString klein = name.trimmed().toLower();
    for (const Eintrag& e : tabelle)
        if (klein == QLatin1String(e.Name))
            return e.Setzer;
    return TSetzer::Keiner;
}

// The running desktop: the first name of XDG_CURRENT_DESKTOP that has a
// setter, else DESKTOP_SESSION; neither set means a plain X session (or a
// bare Wayland one, which has no root window to paint).
TDesktop LaufenderDesktop()
{
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    QStringList namen = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (namen.isEmpty()) {
        const QString sitzung = qEnvironmentVariable("DESKTOP_SESSION");
        if (!sitzung.isEmpty())
            namen << sitzung.mid(sitzung.lastIndexOf(QLatin1Char('/')) + 1);
    }
    if (namen.isEmpty())
        return wayland ? TDesktop{QStringLiteral("Wayland"), TSetzer::Keiner} : TDesktop{QStringLiteral("X"), TSetzer::Feh};
    for (const QString& name : namen) {
        const TSetzer setzer = SetzerFuer(name);
        if (setzer == TSetzer::Feh && wayland)
            continue;
        if (setzer != TSetzer::Keiner)
            return {name, setzer};
    }
    return {namen.join(QLatin1Char(':')), TSetzer::Keiner};
}

QString Werkzeug(TSetzer setzer)
{
    switch (setzer) {
    case TSetzer::Gnome:
    case TSetzer::Cinnamon:
    case TSetzer::Mate:
        return QStringLiteral("gsettings");
    case TSetzer::Plasma:
        return QStringLiteral("plasma-apply-wallpaperimage");
    case TSetzer::Xfce:
        return QStringLiteral("xfconf-query");
    case TSetzer::Feh:
        return QStringLiteral("feh");
    case TSetzer::Keiner:
        break;
    }
    return QString();
}

// The XFCE desktop keeps one background per monitor and workspace, under
// "/backdrop/screen<n>/monitor<name>/workspace<n>/"; every one it lists
// gets the picture. Empty on success, else what went wrong.
QString XfceSetzen(const QString& pfad, int stil)
{
    const QString kanal = QStringLiteral("xfce4-desktop");
    QProcess liste;
    liste.start(QStandardPaths::findExecutable(QStringLiteral("xfconf-query")),
                {QStringLiteral("-c"), kanal, QStringLiteral("-l")});
    if (!liste.waitForFinished(kWerkzeugMs) || liste.exitStatus() != QProcess::NormalExit || liste.exitCode() != 0)
        return QStringLiteral("xfconf-query kann die Einstellungen des Desktops nicht lesen");
    static const QRegularExpression arbeitsflaeche(QStringLiteral("^(/backdrop/screen\\d+/monitor[^/]+/workspace\\d+/)"));
    QStringList praefixe;
    for (const QString& zeile : QString::fromLocal8Bit(liste.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch m = arbeitsflaeche.match(zeile.trimmed());
        if (m.hasMatch() && !praefixe.contains(m.captured(1)))
            praefixe << m.captured(1);
    }
    if (praefixe.isEmpty())
        return QStringLiteral("xfconf-query nennt keinen Bildschirm des Desktops");
    for (const QString& p : praefixe) {
        QString fehler = Ausfuehren(QStringLiteral("xfconf-query"),
                                    {QStringLiteral("-c"), kanal, QStringLiteral("-p"), p + QStringLiteral("image-style"),
                                     QStringLiteral("-n"), QStringLiteral("-t"), QStringLiteral("int"),
                                     QStringLiteral("-s"), QString::number(stil)});
        if (fehler.isEmpty())
            fehler = Ausfuehren(QStringLiteral("xfconf-query"),
                                {QStringLiteral("-c"), kanal, QStringLiteral("-p"), p + QStringLiteral("last-image"),
                                 QStringLiteral("-n"), QStringLiteral("-t"), QStringLiteral("string"),
                                 QStringLiteral("-s"), pfad});
        if (!fehler.isEmpty())
            return fehler;
    }
    return QString();
}

}  // namespace

QString TWallPaper::DesktopTool() { return Werkzeug(LaufenderDesktop().Setzer); }

void TWallPaper::Anwenden()
{
    applied_ = false;
    const QString datei = Wallpaper();
    if (datei.isEmpty()) {
        lastError_ = QStringLiteral("Es ist kein Hintergrundbild eingetragen");
        return;
    }
    const std::optional<QString> pfad = WinToLinux(datei);
    if (!pfad) {
        lastError_ = QStringLiteral("Die Datei ") + datei + QStringLiteral(" ist nicht erreichbar");
        return;
    }
    const TDesktop desktop = LaufenderDesktop();
    const QString werkzeug = Werkzeug(desktop.Setzer);
    if (werkzeug.isEmpty()) {
        lastError_ = QStringLiteral("Für den Desktop \"") + desktop.Name +
                     QStringLiteral("\" kennt QV-Lumadex kein Werkzeug zum Setzen des Hintergrundbilds.");
        return;
    }
    if (QStandardPaths::findExecutable(werkzeug).isEmpty()) {
        lastError_ = QStringLiteral("Das Programm \"") + werkzeug + QStringLiteral("\", mit dem der Desktop \"") +
                     desktop.Name + QStringLiteral("\" sein Hintergrundbild setzt, ist nicht installiert.");
        return;
    }
    bool tile = false;
    try {
        tile = Tile();
    } catch (const std::exception&) {
        tile = false;  // no value yet: not tiled
    }
    const bool stretch = Stretch();
    const QString uri = QUrl::fromLocalFile(*pfad).toString();
    // The picture options of the GNOME family: tiled, stretched or centred.
    const QString art = tile ? QStringLiteral("wallpaper") : stretch ? QStringLiteral("stretched")
                                                                     : QStringLiteral("centered");
    auto gsettings = [&](const QString& schema, const QString& schluessel, const QString& wert) {
        return Ausfuehren(werkzeug, {QStringLiteral("set"), schema, schluessel, wert});
    };
    switch (desktop.Setzer) {
    case TSetzer::Gnome: {
        const QString schema = QStringLiteral("org.gnome.desktop.background");
        lastError_ = gsettings(schema, QStringLiteral("picture-options"), art);
        if (lastError_.isEmpty())
            lastError_ = gsettings(schema, QStringLiteral("picture-uri"), uri);
        if (lastError_.isEmpty())
            // Newer desktops show this one in dark mode; older ones lack the key.
            gsettings(schema, QStringLiteral("picture-uri-dark"), uri);
        break;
    }
    case TSetzer::Cinnamon: {
        const QString schema = QStringLiteral("org.cinnamon.desktop.background");
        lastError_ = gsettings(schema, QStringLiteral("picture-options"), art);
        if (lastError_.isEmpty())
            lastError_ = gsettings(schema, QStringLiteral("picture-uri"), uri);
        break;
    }
    case TSetzer::Mate: {
        const QString schema = QStringLiteral("org.mate.background");
        lastError_ = gsettings(schema, QStringLiteral("picture-options"), art);
        if (lastError_.isEmpty())
            lastError_ = gsettings(schema, QStringLiteral("picture-filename"), *pfad);
        break;
    }
    case TSetzer::Plasma:
        lastError_ = Ausfuehren(werkzeug, {*pfad});
        break;
    case TSetzer::Xfce:
        // image-style: 1 centred, 2 tiled, 3 stretched.
        lastError_ = XfceSetzen(*pfad, tile ? 2 : stretch ? 3 : 1);
        break;
    case TSetzer::Keiner:
        break;
    case TSetzer::Feh: {
        const QString fehArt = tile ? QStringLiteral("--bg-tile") : stretch ? QStringLiteral("--bg-scale")
                                                                            : QStringLiteral("--bg-center");
        lastError_ = Ausfuehren(werkzeug, {QStringLiteral("--no-fehbg"), fehArt, *pfad});
        break;
    }
    }
    applied_ = lastError_.isEmpty();
}

bool HintergrundbildSetzen(const QString& bmpDatei, bool mosaik, bool anpassen)
{
    TWallPaper wp(nullptr);
    wp.SetWallpaper(bmpDatei);
    if (wp.Applied()) {
        wp.SetTile(mosaik);
        wp.SetStretch(anpassen && !mosaik);
    }
    if (!wp.Applied()) {
        ShowMessage(QStringLiteral("Das Hintergrundbild kann auf diesem Desktop nicht gesetzt werden.\n") +
                    wp.LastError());
        return false;
    }
    return true;
}
