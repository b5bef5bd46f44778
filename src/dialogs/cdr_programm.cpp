#include "dialogs/cdr_programm.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>

#include <utility>

namespace {

// Libraries of a plain Debian 12 desktop install (task-desktop with GNOME,
// KDE or Xfce), by soname up to ".so". Qt 6, ICU, GraphicsMagick, libzip,
// SANE, SQLite and the codec libraries are not among them.
const char* const kDesktopBibliotheken[] = {
    // C and C++ runtime
    "ld-linux-x86-64", "ld-linux-aarch64", "ld-linux-armhf", "ld-linux", "linux-vdso", "linux-gate", "libc", "libm",
    "libpthread", "libdl", "librt", "libresolv", "libutil", "libanl", "libcrypt", "libnsl", "libmvec", "libstdc++",
    "libgcc_s", "libgomp", "libatomic",
    // X11, Wayland, OpenGL
    "libX11", "libX11-xcb", "libXau", "libXdmcp", "libXext", "libXrender", "libXi", "libXfixes", "libXcursor",
    "libXrandr", "libXinerama", "libXcomposite", "libXdamage", "libXss", "libXtst", "libxcb", "libxcb-render",
    "libxcb-shm", "libxkbcommon", "libwayland-client", "libwayland-cursor", "libwayland-egl", "libGL", "libGLX",
    "libGLdispatch", "libEGL", "libOpenGL", "libgbm", "libdrm",
    // fonts and text
    "libfontconfig", "libfreetype", "libharfbuzz", "libgraphite2", "libexpat", "libpng16", "libfribidi",
    // GLib, D-Bus, systemd, devices
    "libglib-2.0", "libgobject-2.0", "libgio-2.0", "libgmodule-2.0", "libgthread-2.0", "libdbus-1", "libsystemd",
    "libudev", "libusb-1.0", "libmount", "libblkid", "libuuid", "libselinux", "libcap", "libffi", "libpcre2-8",
    "libbsd", "libmd", "libnuma",
    // compression
    "libz", "libzstd", "liblzma", "libbz2", "libbrotlicommon", "libbrotlidec", "libbrotlienc", "liblz4",
    // crypto, network, printing
    "libgcrypt", "libgpg-error", "libgnutls", "libnettle", "libhogweed", "libgmp", "libp11-kit", "libtasn1",
    "libidn2", "libunistring", "libssl", "libcrypto", "libkrb5", "libkrb5support", "libk5crypto",
    "libgssapi_krb5", "libcom_err", "libkeyutils", "libavahi-common", "libavahi-client", "libcups",
    // pictures the desktop's own image loaders use
    "libjpeg", "libtiff", "libjbig", "libLerc", "libdeflate", "libwebp", "libwebpmux", "libwebpdemux", "liblcms2",
    "libxml2",
};

// The Qt plugin kinds the program uses; others (network information, TLS)
// it never loads.
const char* const kPluginArten[] = {"platforms", "platforminputcontexts", "xcbglintegrations", "imageformats",
                                    "iconengines", "printsupport", "egldeviceintegrations",
                                    "wayland-shell-integration", "wayland-decoration-client",
                                    "wayland-graphics-integration-client"};

}  // namespace

bool AufDebianDesktop(const QString& soname)
{
    static const QSet<QString> bekannt = [] {
        QSet<QString> s;
        for (const char* n : kDesktopBibliotheken)
            s.insert(QString::fromLatin1(n));
        return s;
    }();
    QString name = QFileInfo(soname).fileName();
    const qsizetype so = name.indexOf(QLatin1String(".so"));
    if (so > 0)
        name = name.left(so);
    return bekannt.contains(name);
}

QMap<QString, QString> BenoetigteBibliotheken(const QString& datei, QString& fehler)
{
    QMap<QString, QString> libs;
    QProcess ldd;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    ldd.setProcessEnvironment(env);
    ldd.start(QStringLiteral("ldd"), {datei});
    if (!ldd.waitForFinished(60000) || ldd.exitStatus() != QProcess::NormalExit || ldd.exitCode() != 0) {
        fehler = QStringLiteral("Die Bibliotheken von ") + datei + QStringLiteral(" können nicht ermittelt werden.");
        return libs;
    }
    // "\tlibQt6Core.so.6 => /lib/x86_64-linux-gnu/libQt6Core.so.6 (0x...)",
    // "\t/lib64/ld-linux-x86-64.so.2 (0x...)", "\tlibfoo.so.1 => not found".
    static const QRegularExpression zeile(QStringLiteral("^\\s*(\\S+)\\s+=>\\s+(.*?)\\s*(\\(0x[0-9a-f]+\\))?$"));
    for (const QString& z : QString::fromLocal8Bit(ldd.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const auto m = zeile.match(z);
        if (!m.hasMatch())
            continue;
        const QString name = m.captured(1), pfad = m.captured(2);
        if (pfad == QLatin1String("not found") || !pfad.startsWith(QLatin1Char('/'))) {
            fehler = QStringLiteral("Die Bibliothek ") + name + QStringLiteral(" fehlt.");
            continue;
        }
        libs.insert(name, pfad);
    }
    return libs;
}

QList<TProgrammDatei> ProgrammDateienFuerDatentraeger(const QString& programm, const QString& pluginOrdner,
                                                      const QString& uebersetzungsOrdner, QString& fehler)
{
    QList<TProgrammDatei> dateien{{programm, QString::fromLatin1(kCdrProgrammName)}};
    // Qt's own German texts; qt.conf on the medium points Qt at them.
    for (const QString& qm : QDir(uebersetzungsOrdner).entryList({QStringLiteral("qtbase_de.qm")}, QDir::Files))
        dateien << TProgrammDatei{uebersetzungsOrdner + QLatin1Char('/') + qm, QStringLiteral("translations/") + qm};
    QStringList elf{programm};
    for (const char* art : kPluginArten) {
        const QString ordner = pluginOrdner + QLatin1Char('/') + QString::fromLatin1(art);
        QDirIterator it(ordner, {QStringLiteral("*.so")}, QDir::Files);
        QStringList plugins;
        while (it.hasNext())
            plugins << it.next();
        plugins.sort();
        for (const QString& p : plugins) {
            dateien << TProgrammDatei{p, QStringLiteral("plugins/") + QString::fromLatin1(art) + QLatin1Char('/') +
                                             QFileInfo(p).fileName()};
            elf << p;
        }
    }
    QMap<QString, QString> libs;
    for (const QString& e : elf) {
        const QMap<QString, QString> von = BenoetigteBibliotheken(e, fehler);
        for (auto it = von.begin(); it != von.end(); ++it)
            if (!AufDebianDesktop(it.key()))
                libs.insert(it.key(), it.value());
    }
    for (auto it = libs.begin(); it != libs.end(); ++it)
        dateien << TProgrammDatei{it.value(), QStringLiteral("lib/") + it.key()};
    return dateien;
}

QString CdrStartSkript()
{
    return QStringLiteral(
        "#!/bin/sh\n"
        "# Starts QV-Lumadex from this medium: the libraries and Qt plugins that a\n"
        "# plain desktop does not have come from its lib and plugins folders, the\n"
        "# albums from the folder Data beside this folder (the medium's tree:\n"
        "# Programm and Data under one root).\n"
        "# The program needs a writable program folder (ini, logs, action log) and\n"
        "# must be executable where it lies. On a writable medium that lets it run,\n"
        "# it runs here. Otherwise (a burned disc; a FAT or exFAT stick as the\n"
        "# desktop mounts it, whose files have no execute bit; a medium mounted\n"
        "# noexec) this folder is copied to a folder of the user's on disk, once\n"
        "# per program on the medium, and the program runs from there with the\n"
        "# medium's albums.\n"
        "hier=$(CDPATH= cd -- \"$(dirname -- \"$0\")\" && pwd) || exit 1\n"
        "daten=\"$(dirname -- \"$hier\")/Data\"\n"
        "probe=\"$hier/.schreibtest.$$\"\n"
        "# test -x asks the kernel, which also answers no on a noexec mount.\n"
        "if [ -x \"$hier/lumadex\" ] && (: >\"$probe\") 2>/dev/null; then\n"
        "    rm -f -- \"$probe\"\n"
        "    start=\"$hier\"\n"
        "else\n"
        "    start=\"${XDG_DATA_HOME:-$HOME/.local/share}/QV-Lumadex-CD\"\n"
        "    # What is on the medium: names, sizes and times of the program files.\n"
        "    stand=$(cd -- \"$hier\" && find . -printf '%p %s %T@\\n' | LC_ALL=C sort) || exit 1\n"
        "    if [ ! -f \"$start/.cd-stand\" ] || [ \"$(cat -- \"$start/.cd-stand\")\" != \"$stand\" ]; then\n"
        "        echo \"QV-Lumadex wird nach $start kopiert ...\" >&2\n"
        "        mkdir -p -- \"$start\" || exit 1\n"
        "        rm -f -- \"$start/.cd-stand\"\n"
        "        # Files of earlier runs (ini, logs) stay; the program's files are\n"
        "        # replaced by those of the medium.\n"
        "        for f in \"$hier\"/* \"$hier\"/.[!.]*; do\n"
        "            [ -e \"$f\" ] || continue\n"
        "            [ -L \"$f\" ] && [ \"$(basename -- \"$f\")\" = Data ] && continue\n"
        "            cp -R -f -- \"$f\" \"$start/\" || {\n"
        "                echo \"QV-Lumadex konnte nicht nach $start kopiert werden.\" >&2\n"
        "                exit 1\n"
        "            }\n"
        "        done\n"
        "        chmod -R u+w -- \"$start\" || exit 1\n"
        "        printf '%s\\n' \"$stand\" >\"$start/.cd-stand\" || exit 1\n"
        "    fi\n"
        "    # A medium without execute bits gives the copy none either.\n"
        "    [ -x \"$start/lumadex\" ] || chmod u+x -- \"$start/lumadex\"\n"
        "    if [ ! -x \"$start/lumadex\" ]; then\n"
        "        echo \"QV-Lumadex kann in $start nicht ausgeführt werden.\" >&2\n"
        "        exit 1\n"
        "    fi\n"
        "fi\n"
        "LD_LIBRARY_PATH=\"$start/lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}\"\n"
        "QT_PLUGIN_PATH=\"$start/plugins\"\n"
        "LUMADEX_HOME=\"$start\"\n"
        "# The program on the medium keeps its settings apart from an installed one.\n"
        "LUMADEX_WINDIR=\"${LUMADEX_WINDIR:-$start/Windows}\"\n"
        "LUMADEX_CDR_DATEN=\"$daten\"\n"
        "export LD_LIBRARY_PATH QT_PLUGIN_PATH LUMADEX_HOME LUMADEX_WINDIR LUMADEX_CDR_DATEN\n"
        "exec \"$start/lumadex\" \"$@\"\n");
}

bool CdrStartDateienSchreiben(const QString& ordner, QStringList& geschrieben)
{
    bool ok = true;
    const std::pair<const char*, QString> texte[] = {{kCdrStartSkriptName, CdrStartSkript()},
                                                     {"qt.conf", QStringLiteral("[Paths]\nPlugins = plugins\nTranslations = translations\n")}};
    for (const auto& [name, text] : texte) {
        QFile f(ordner + QLatin1Char('/') + QString::fromLatin1(name));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(text.toUtf8()) < 0 || !f.flush()) {
            ok = false;
            continue;
        }
        geschrieben << QString::fromLatin1(name);
    }
    // A link "Data" that an earlier version put here is gone: the script
    // finds the albums by their place in the tree, which also a FAT or
    // exFAT medium can hold.
    const QString daten = ordner + QStringLiteral("/Data");
    if (QFileInfo(daten).isSymLink() && !QFile::remove(daten))
        ok = false;
    for (const char* name : {kCdrProgrammName, kCdrStartSkriptName}) {
        const QString datei = ordner + QLatin1Char('/') + QString::fromLatin1(name);
        if (QFileInfo::exists(datei))
            ok = QFile::setPermissions(datei, QFile::permissions(datei) | QFile::ExeOwner | QFile::ExeGroup |
                                                  QFile::ExeOther | QFile::ReadGroup | QFile::ReadOther) && ok;
    }
    return ok;
}
