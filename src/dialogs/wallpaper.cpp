#include "dialogs/wallpaper.h"

#include "platform/core/win_path.h"
#include "platform/os/registry.h"
#include "platform/ui/dialogs.h"

#include <QProcess>
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

QString TWallPaper::DesktopTool()
{
    QStringList reihenfolge{QStringLiteral("gsettings"), QStringLiteral("plasma-apply-wallpaperimage"),
                            QStringLiteral("feh")};
    if (qEnvironmentVariable("XDG_CURRENT_DESKTOP").contains(QLatin1String("KDE"), Qt::CaseInsensitive))
        reihenfolge.move(1, 0);
    for (const QString& w : reihenfolge)
        if (!QStandardPaths::findExecutable(w).isEmpty())
            return w;
    return QString();
}

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
    const QString werkzeug = DesktopTool();
    if (werkzeug.isEmpty()) {
        lastError_ = QStringLiteral("Auf diesem Desktop ist kein Werkzeug zum Setzen des Hintergrundbilds vorhanden");
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
    if (werkzeug == QLatin1String("gsettings")) {
        const QString schema = QStringLiteral("org.gnome.desktop.background");
        const QString art = tile ? QStringLiteral("wallpaper") : stretch ? QStringLiteral("stretched")
                                                                         : QStringLiteral("centered");
        lastError_ = Ausfuehren(werkzeug, {QStringLiteral("set"), schema, QStringLiteral("picture-options"), art});
        if (lastError_.isEmpty())
            lastError_ = Ausfuehren(werkzeug, {QStringLiteral("set"), schema, QStringLiteral("picture-uri"), uri});
        if (lastError_.isEmpty())
            // Newer desktops show this one in dark mode; older ones lack the key.
            Ausfuehren(werkzeug, {QStringLiteral("set"), schema, QStringLiteral("picture-uri-dark"), uri});
    } else if (werkzeug == QLatin1String("plasma-apply-wallpaperimage")) {
        lastError_ = Ausfuehren(werkzeug, {*pfad});
    } else {
        const QString art = tile ? QStringLiteral("--bg-tile") : stretch ? QStringLiteral("--bg-scale")
                                                                         : QStringLiteral("--bg-center");
        lastError_ = Ausfuehren(werkzeug, {QStringLiteral("--no-fehbg"), art, *pfad});
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
