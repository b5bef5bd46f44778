// The program on a CD-R tree: which libraries stay on the system, what goes
// into the tree's program folder, and a start of the program from the tree
// through its start script with the tree's own libraries and Qt plugins.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QProcess>
#include <QThread>

#include "dialogs/cdr_programm.h"
#include "test_environment.h"

#include <csignal>

namespace {

QString Q(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

QString Ausgabe(const QString& programm, const QStringList& argumente, const QProcessEnvironment& env = {})
{
    QProcess p;
    if (!env.isEmpty())
        p.setProcessEnvironment(env);
    p.start(programm, argumente);
    p.waitForFinished(60000);
    return QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError());
}

#ifdef LUMADEX_PROGRAMM
// Copies the running program's files into the tree's program folder as the
// CD-R form does; `ziele` gets their paths below that folder.
void ProgrammInsBaum(const QString& ordner, QStringList& ziele)
{
    QString fehler;
    const QList<TProgrammDatei> dateien = ProgrammDateienFuerDatentraeger(
        QStringLiteral(LUMADEX_PROGRAMM), QLibraryInfo::path(QLibraryInfo::PluginsPath),
        QLibraryInfo::path(QLibraryInfo::TranslationsPath), fehler);
    EXPECT_TRUE(fehler.isEmpty()) << fehler.toStdString();
    for (const TProgrammDatei& d : dateien) {
        ziele << d.Ziel;
        const QString ziel = ordner + QLatin1Char('/') + d.Ziel;
        ASSERT_TRUE(QDir().mkpath(QFileInfo(ziel).path()));
        ASSERT_TRUE(QFile::copy(d.Quelle, ziel)) << d.Quelle.toStdString();
    }
}

// The files a process has open, by their real paths.
QStringList OffeneDateien(qint64 pid)
{
    QStringList dateien;
    const QDir fd(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QString& n : fd.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot))
        dateien << QFileInfo(fd.filePath(n)).symLinkTarget();
    return dateien;
}

// The environment a process runs with.
QStringList Umgebung(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/environ").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(f.readAll()).split(QLatin1Char('\0'), Qt::SkipEmptyParts);
}

// Waits until the process has `datei` open or has ended.
bool WartenBisOffen(QProcess& p, const QString& datei)
{
    for (int i = 0; i < 600 && p.state() == QProcess::Running; ++i) {
        if (OffeneDateien(p.processId()).contains(datei))
            return true;
        QThread::msleep(100);
    }
    return false;
}
#endif

}  // namespace

TEST(CdrProgramm, DesktopLibrariesStayOnTheSystem)
{
    const std::pair<const char*, bool> faelle[] = {
        {"libc.so.6", true},           {"/lib64/ld-linux-x86-64.so.2", true}, {"libstdc++.so.6", true},
        {"libX11.so.6", true},         {"libxcb.so.1", true},                 {"libGL.so.1", true},
        {"libfontconfig.so.1", true},  {"libglib-2.0.so.0", true},            {"libcups.so.2", true},
        {"libQt6Core.so.6", false},    {"libQt6XcbQpa.so.6", false},          {"libicuuc.so.72", false},
        {"libxcb-icccm.so.4", false},  {"libGraphicsMagick-Q16.so.3", false}, {"libzip.so.4", false},
        {"libsqlite3.so.0", false},    {"libpcre2-16.so.0", false},           {"libsane.so.1", false},
    };
    for (const auto& [name, desktop] : faelle)
        EXPECT_EQ(AufDebianDesktop(name), desktop) << name;
}

#ifdef LUMADEX_PROGRAMM
TEST(CdrProgramm, TheTreeStartsTheProgramWithItsOwnLibraries)
{
    lxtest::TempDir dir;
    const QString ordner = Q(dir / "cdr" / "Programm");
    // The tree as the CD-R form makes it before the program goes in.
    for (const char* unter : {"Programm", "Data/Database", "Data/Pics"})
        ASSERT_TRUE(QDir().mkpath(Q(dir / "cdr" / unter)));
    QStringList ziele;
    ASSERT_NO_FATAL_FAILURE(ProgrammInsBaum(ordner, ziele));
    for (const char* muss : {"lumadex", "lib/libQt6Core.so.6", "lib/libQt6Widgets.so.6", "lib/libQt6XcbQpa.so.6",
                             "lib/libicuuc.so.72", "plugins/platforms/libqxcb.so",
                             "plugins/platforms/libqoffscreen.so", "plugins/imageformats/libqjpeg.so",
                             "translations/qtbase_de.qm"})
        EXPECT_TRUE(ziele.contains(QString::fromLatin1(muss))) << muss;
    for (const char* nicht : {"lib/libc.so.6", "lib/libX11.so.6", "lib/libstdc++.so.6", "lib/libxcb.so.1"})
        EXPECT_FALSE(ziele.contains(QString::fromLatin1(nicht))) << nicht;
    // A link to the albums that an earlier version left in the tree goes.
    ASSERT_TRUE(QFile::link("../Data", ordner + "/Data"));
    QStringList geschrieben;
    ASSERT_TRUE(CdrStartDateienSchreiben(ordner, geschrieben));
    EXPECT_EQ(geschrieben, QStringList({"lumadex.sh", "qt.conf"}));
    EXPECT_TRUE(QFileInfo(ordner + "/lumadex.sh").isExecutable());
    EXPECT_TRUE(QFileInfo(ordner + "/lumadex").isExecutable());
    // The tree holds no link: the script finds the albums by their place.
    EXPECT_FALSE(QFileInfo(ordner + "/Data").isSymLink());
    EXPECT_FALSE(QFileInfo::exists(ordner + "/Data"));
    geschrieben.clear();
    EXPECT_TRUE(CdrStartDateienSchreiben(ordner, geschrieben));
    EXPECT_EQ(Ausgabe("sh", {"-n", ordner + "/lumadex.sh"}), "");  // the script is sound shell

    // The loader takes the tree's libraries with the script's library path.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LD_LIBRARY_PATH", ordner + "/lib");
    const QString ldd = Ausgabe("ldd", {ordner + "/lumadex"}, env);
    EXPECT_TRUE(ldd.contains("libQt6Core.so.6 => " + ordner + "/lib/libQt6Core.so.6")) << ldd.toStdString();
    EXPECT_FALSE(ldd.contains("not found")) << ldd.toStdString();

    // A start through the script: the program runs from the tree, with the
    // tree's program folder as its own and the tree's Qt.
    env = QProcessEnvironment::systemEnvironment();
    env.remove("LD_LIBRARY_PATH");
    env.remove("LUMADEX_HOME");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("LUMADEX_WINDIR", Q(dir / "windir"));
    env.insert("LUMADEX_PROMPT_LOG", Q(dir / "prompts.log"));
    QProcess start;
    start.setProcessEnvironment(env);
    start.start(ordner + "/lumadex.sh", {});
    ASSERT_TRUE(start.waitForStarted(30000));
    // Up when it made its album manager table in its own data folder (the
    // tree has no albums yet).
    const QString manager = ordner + "/Data/Database/LXMan.DBF";
    for (int i = 0; i < 600 && !QFileInfo::exists(manager) && start.state() == QProcess::Running; ++i)
        QThread::msleep(100);
    EXPECT_TRUE(QFileInfo::exists(manager)) << Ausgabe("cat", {Q(dir / "prompts.log")}).toStdString()
                                            << start.readAllStandardError().toStdString();
    ASSERT_EQ(start.state(), QProcess::Running) << start.readAllStandardError().toStdString();
    QFile maps(QStringLiteral("/proc/%1/maps").arg(start.processId()));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    const QString karte = QString::fromLocal8Bit(maps.readAll());
    EXPECT_TRUE(karte.contains(ordner + "/lib/libQt6Core.so.6"));
    EXPECT_TRUE(karte.contains(ordner + "/plugins/platforms/libqoffscreen.so"));
    EXPECT_FALSE(karte.contains(QLibraryInfo::path(QLibraryInfo::PluginsPath)));
    EXPECT_TRUE(Umgebung(start.processId()).contains("LUMADEX_CDR_DATEN=" + Q(dir / "cdr" / "Data")));
    ::kill(pid_t(start.processId()), SIGTERM);
    EXPECT_TRUE(start.waitForFinished(60000));
    // Qt's German texts come from the tree.
    EXPECT_FALSE(QString::fromLocal8Bit(start.readAllStandardError()).contains("Qt-Übersetzungen"));
}
#endif

#ifdef LUMADEX_PROGRAMM
// A burned disc is read-only: its start script copies the program folder to
// the user's disk once, runs the copy there and leaves the albums on the
// disc, where the program opens them.
TEST(CdrProgramm, TheBurnedDiscStartsACopyOnDiskThatFindsTheDiscsData)
{
    lxtest::TempDir dir;
    const QString cdr = Q(dir / "cdr");
    const QString ordner = cdr + "/Programm";
    for (const char* unter : {"Programm", "Data/Database", "Data/Pics"})
        ASSERT_TRUE(QDir().mkpath(cdr + "/" + unter));
    QStringList ziele, geschrieben;
    ASSERT_NO_FATAL_FAILURE(ProgrammInsBaum(ordner, ziele));
    ASSERT_TRUE(CdrStartDateienSchreiben(ordner, geschrieben));

    // The disc is the tree mounted read-only, in a mount namespace of the
    // started process only (root could write through mere permission bits).
    const QString mount = QStringLiteral(
        "mount --bind \"$1\" \"$1\" && mount -o remount,ro,bind \"$1\" \"$1\" || exit 99; shift; exec \"$@\"");
    const auto disc = [&](const QStringList& befehl) {
        return QStringList{"-rm", "sh", "-c", mount, "sh", cdr} + befehl;
    };
    if (QProcess::execute("unshare", disc({"sh", "-c", "! touch \"$0/.probe\" 2>/dev/null", cdr})) != 0)
        GTEST_SKIP() << "no read-only mount possible here (unshare -rm)";

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("LD_LIBRARY_PATH");
    env.remove("LUMADEX_HOME");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_DATA_HOME", Q(dir / "home" / "share"));
    const QString kopie = Q(dir / "home" / "share" / "QV-Lumadex-CD");
    // The tree holds no albums here: the copy starts with its own (the
    // albums of a real tree are the CD-R form's test).
    const QString album = kopie + "/Data/Database/BILDER.DBF";
    const auto starte = [&](QProcess& p, const QString& lauf) {
        env.insert("LUMADEX_WINDIR", Q(dir / lauf.toStdString()));
        env.insert("LUMADEX_PROMPT_LOG", Q(dir / (lauf + ".log").toStdString()));
        p.setProcessEnvironment(env);
        p.start("unshare", disc({ordner + "/lumadex.sh"}));
        ASSERT_TRUE(p.waitForStarted(30000));
    };
    const auto beende = [](QProcess& p) {
        ::kill(pid_t(p.processId()), SIGTERM);
        EXPECT_TRUE(p.waitForFinished(60000));
    };
    const auto prompts = [&](const QString& lauf) {
        QFile f(Q(dir / (lauf + ".log").toStdString()));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    };

    // First start from the disc on another machine: copy, start, album.
    QString fehlerausgabe;
    {
        QProcess p;
        ASSERT_NO_FATAL_FAILURE(starte(p, "disc1"));
        EXPECT_TRUE(WartenBisOffen(p, album)) << prompts("disc1").toStdString();
        ASSERT_EQ(p.state(), QProcess::Running) << p.readAllStandardError().toStdString();
        EXPECT_EQ(QFileInfo(QStringLiteral("/proc/%1/exe").arg(p.processId())).symLinkTarget(), kopie + "/lumadex");
        // The disc's albums are named to the program by their place.
        EXPECT_TRUE(Umgebung(p.processId()).contains("LUMADEX_CDR_DATEN=" + cdr + "/Data"));
        EXPECT_FALSE(prompts("disc1").contains("readOnly")) << prompts("disc1").toStdString();
        EXPECT_FALSE(prompts("disc1").contains("fehlgeschlagen")) << prompts("disc1").toStdString();
        EXPECT_FALSE(prompts("disc1").contains("Fehler")) << prompts("disc1").toStdString();
        beende(p);
        fehlerausgabe = QString::fromLocal8Bit(p.readAllStandardError());
    }
    EXPECT_TRUE(fehlerausgabe.contains("QV-Lumadex wird nach " + kopie + " kopiert")) << fehlerausgabe.toStdString();
    for (const QString& z : ziele + QStringList{"lumadex.sh", "qt.conf"})
        EXPECT_TRUE(QFileInfo(kopie + "/" + z).isWritable()) << z.toStdString();
    EXPECT_TRUE(QDir(ordner).entryList({".schreibtest*"}, QDir::Files | QDir::Hidden).isEmpty());
    // What the user's run writes into the copy stays.
    QFile eigene(kopie + "/Eigene.txt");
    ASSERT_TRUE(eigene.open(QIODevice::WriteOnly));
    eigene.close();

    // The next start takes the copy as it is; a changed program on the disc
    // is copied again, the user's files stay.
    for (const bool geaendert : {false, true}) {
        if (geaendert) {
            QFile conf(ordner + "/qt.conf");
            ASSERT_TRUE(conf.open(QIODevice::Append));
            conf.write("\n");
        }
        QProcess p;
        ASSERT_NO_FATAL_FAILURE(starte(p, geaendert ? "disc3" : "disc2"));
        EXPECT_TRUE(WartenBisOffen(p, album)) << geaendert;
        beende(p);
        const QString aus = QString::fromLocal8Bit(p.readAllStandardError());
        EXPECT_EQ(aus.contains(" kopiert ..."), geaendert) << aus.toStdString();
        EXPECT_TRUE(QFileInfo::exists(kopie + "/Eigene.txt"));
        EXPECT_EQ(QFileInfo(kopie + "/qt.conf").size(), QFileInfo(ordner + "/qt.conf").size());
    }
}
#endif
