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
    QString fehler;
    const QList<TProgrammDatei> dateien = ProgrammDateienFuerDatentraeger(
        QStringLiteral(LUMADEX_PROGRAMM), QLibraryInfo::path(QLibraryInfo::PluginsPath), fehler);
    EXPECT_TRUE(fehler.isEmpty()) << fehler.toStdString();
    QStringList ziele;
    for (const TProgrammDatei& d : dateien) {
        ziele << d.Ziel;
        const QString ziel = ordner + QLatin1Char('/') + d.Ziel;
        ASSERT_TRUE(QDir().mkpath(QFileInfo(ziel).path()));
        ASSERT_TRUE(QFile::copy(d.Quelle, ziel)) << d.Quelle.toStdString();
    }
    for (const char* muss : {"lumadex", "lib/libQt6Core.so.6", "lib/libQt6Widgets.so.6", "lib/libQt6XcbQpa.so.6",
                             "lib/libicuuc.so.72", "plugins/platforms/libqxcb.so",
                             "plugins/platforms/libqoffscreen.so", "plugins/imageformats/libqjpeg.so"})
        EXPECT_TRUE(ziele.contains(QString::fromLatin1(muss))) << muss;
    for (const char* nicht : {"lib/libc.so.6", "lib/libX11.so.6", "lib/libstdc++.so.6", "lib/libxcb.so.1"})
        EXPECT_FALSE(ziele.contains(QString::fromLatin1(nicht))) << nicht;
    QStringList geschrieben;
    ASSERT_TRUE(CdrStartDateienSchreiben(ordner, geschrieben));
    EXPECT_EQ(geschrieben, QStringList({"lumadex.sh", "qt.conf"}));
    EXPECT_TRUE(QFileInfo(ordner + "/lumadex.sh").isExecutable());
    EXPECT_TRUE(QFileInfo(ordner + "/lumadex").isExecutable());
    // The tree's albums beside the program folder are its data folder.
    EXPECT_EQ(QFileInfo(ordner + "/Data").symLinkTarget(), Q(dir / "cdr" / "Data"));
    geschrieben.clear();
    EXPECT_TRUE(CdrStartDateienSchreiben(ordner, geschrieben));  // a second run keeps the link
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
    // Up when it made its album manager table, in the tree's data folder.
    const QString manager = Q(dir / "cdr" / "Data" / "Database" / "LXMan.DBF");
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
    ::kill(pid_t(start.processId()), SIGTERM);
    EXPECT_TRUE(start.waitForFinished(60000));
}
#endif
