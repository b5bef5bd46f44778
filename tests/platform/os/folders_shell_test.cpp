// Guards the program folders, shortcuts, command lines and the programs and
// documents the shell opens.
#include "platform/core/file_utils.h"
#include "platform/core/win_path.h"
#include "platform/os/folders.h"
#include "platform/os/shell.h"
#include "platform/os/system_info.h"
#include "platform/os/version_info.h"

#include "core_app.h"
#include "fake_tools.h"
#include "test_environment.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

QString Q(const std::filesystem::path& p)
{
    return QString::fromStdString(p.string());
}

QString Win(const std::filesystem::path& p)
{
    return LinuxToWin(Q(p)).value();
}

bool WaitForFile(const std::filesystem::path& p)
{
    for (int i = 0; i < 500 && !std::filesystem::exists(p); ++i)
        QThread::msleep(10);
    QThread::msleep(50);
    return std::filesystem::exists(p);
}

}  // namespace

TEST(Folders, ProgramAndWindowsFolderFollowTheEnvironment)
{
    const QString home = QDir::cleanPath(qEnvironmentVariable("LUMADEX_HOME"));
    const QString windir = QDir::cleanPath(qEnvironmentVariable("LUMADEX_WINDIR"));
    EXPECT_EQ(ProgramFolderLinux(), home);
    EXPECT_EQ(ProgramFolder(), LinuxToWin(home).value() + "\\");
    EXPECT_TRUE(ProgramFolder().startsWith("C:\\"));
    EXPECT_EQ(WindowsFolder(), LinuxToWin(windir).value() + "\\");
    EXPECT_EQ(ProgramFileName(), ProgramFolder() + "LUMADEX.EXE");
    EXPECT_FALSE(ProgramFolderIsReadOnly());
    EXPECT_TRUE(DesktopFolder().endsWith("\\"));
    EXPECT_TRUE(TempFolder().endsWith("\\"));

    // Made on first use.
    lxtest::TempDir tmp;
    const QByteArray saved = qgetenv("LUMADEX_HOME");
    qputenv("LUMADEX_HOME", QByteArray::fromStdString(tmp.str() + "/neu/QV-Lumadex"));
    EXPECT_TRUE(DirectoryExists(ProgramFolder()));
    qputenv("LUMADEX_HOME", saved);
}

TEST(Folders, ProgramFolderIsSeededWithoutOverwriting)
{
    lxtest::TempDir tmp;
    const QByteArray saved = qgetenv("LUMADEX_HOME");
    qputenv("LUMADEX_HOME", QByteArray::fromStdString(tmp.str() + "/home"));
    lxtest::WriteFile(tmp / "res/Sounds/klick.wav", "RIFF");
    lxtest::WriteFile(tmp / "res/Vorlagen/Liste.RTM", "neu");
    lxtest::WriteFile(tmp / "home/Vorlagen/Liste.RTM", "vom Benutzer");
    EXPECT_EQ(SeedProgramFolder(Q(tmp / "res")), 1);
    EXPECT_EQ(lxtest::ReadFile(tmp / "home/Sounds/klick.wav"), "RIFF");
    EXPECT_EQ(lxtest::ReadFile(tmp / "home/Vorlagen/Liste.RTM"), "vom Benutzer");
    EXPECT_EQ(SeedProgramFolder(Q(tmp / "res")), 0);
    EXPECT_EQ(SeedProgramFolder(Q(tmp / "fehlt")), -1);
    qputenv("LUMADEX_HOME", saved);
}

TEST(Shell, ShortcutsAreDesktopEntries)
{
    lxtest::TempDir tmp;
    lxtest::WriteFile(tmp / "Programm Ordner/lumadex", "#!/bin/sh\n");
    const QString target = Win(tmp / "Programm Ordner/lumadex");
    const QString desktop = Win(tmp / "Desktop");
    ASSERT_TRUE(CreateShortcut(target, "QV-Lumadex", "-a \"C:\\Bilder\\Mein Bild.jpg\" 100%", desktop));
    EXPECT_EQ(ShortcutFileName(desktop, "QV-Lumadex"), desktop + "\\QV-Lumadex.desktop");
    const std::string text = lxtest::ReadFile(tmp / "Desktop/QV-Lumadex.desktop");
    const std::string dir = tmp.str() + "/Programm Ordner";
    EXPECT_EQ(text, "[Desktop Entry]\n"
                    "Type=Application\n"
                    "Version=1.0\n"
                    "Name=QV-Lumadex\n"
                    "Exec=\"" + dir + "/lumadex\" -a \"/Bilder/Mein Bild.jpg\" 100%%\n"
                    "Path=" + dir + "\n"
                    "Terminal=false\n");
    EXPECT_TRUE(QFileInfo(Q(tmp / "Desktop/QV-Lumadex.desktop")).isExecutable());
    EXPECT_FALSE(CreateShortcut(Win(tmp / "fehlt"), "X", "", desktop));
    EXPECT_FALSE(CreateShortcut(target, "X", "", "Q:\\Desktop"));
}

TEST(Shell, CommandLinesSplitLikeWindows)
{
    EXPECT_EQ(SplitCommandLine("\"C:\\Programme\\Foto Editor\\fe\"  \"a b\" -x C:\\usr"),
              QStringList({"/Programme/Foto Editor/fe", "a b", "-x", "/usr"}));
    EXPECT_EQ(SplitCommandLine("a \"\" b"), QStringList({"a", "", "b"}));
    EXPECT_TRUE(SplitCommandLine("   ").isEmpty());
}

TEST(Shell, ProgramsRunAndAreWaitedFor)
{
    lxtest::TempDir tmp;
    EXPECT_EQ(RunAndWait("sh -c \"exit 3\"", true), 3);
    EXPECT_EQ(RunAndWait("gibt-es-nicht-lumadex", true), -1);
    EXPECT_EQ(RunAndWait("", true), -1);

    // With events going through while it waits, a program that ends while
    // they run is seen as ended too: here each pass of events takes 15 ms,
    // so many runs end during one.
    lxtest::EnsureCoreApplication();
    QTimer busy;
    QObject::connect(&busy, &QTimer::timeout, [] { QThread::msleep(15); });
    busy.start(0);
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        std::fprintf(stderr, "RunAndWait did not see its program end\n");
        std::_Exit(1);
    });
    watchdog.start(20000);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(RunAndWait("sh -c \"sleep 0.0" + QString::number(i % 5) + "; exit 5\"", true), 5) << i;
    watchdog.stop();
    busy.stop();

    // Waits until the program ends, in the working folder given.
    ASSERT_TRUE(StartAndWait("sh", "sh -c \"sleep 0.2; pwd > pwd.txt\"", Win(tmp.path()), 0));
    EXPECT_EQ(lxtest::ReadFile(tmp / "pwd.txt"), tmp.str() + "\n");
    // Stops waiting after the time-out (the program has not written its
    // file yet); the program goes on.
    ASSERT_TRUE(StartAndWait("sh", "-c \"sleep 1; echo fertig > spaet.txt\"", Win(tmp.path()), 100));
    EXPECT_FALSE(std::filesystem::exists(tmp / "spaet.txt"));
    EXPECT_TRUE(WaitForFile(tmp / "spaet.txt"));
    EXPECT_FALSE(StartAndWait("gibt-es-nicht-lumadex", "", "", 0));
    EXPECT_FALSE(StartAndWait("sh", "", "Q:\\fehlt", 0));
}

TEST(Shell, DocumentsOpenWithTheDesktopOpener)
{
    lxtest::TempDir tmp;
    lxtest::WriteFile(tmp / "bin/xdg-open", "#!/bin/sh\necho \"$@\" > " + tmp.str() + "/geoeffnet.txt\n");
    std::filesystem::permissions(tmp / "bin/xdg-open", std::filesystem::perms::owner_all);
    lxtest::WriteFile(tmp / "Bild 1.jpg", "x");
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(tmp.str() + "/bin:") + path);

    EXPECT_TRUE(OpenWithAssociated(Win(tmp / "BILD 1.JPG")));
    ASSERT_TRUE(WaitForFile(tmp / "geoeffnet.txt"));
    EXPECT_EQ(lxtest::ReadFile(tmp / "geoeffnet.txt"), tmp.str() + "/Bild 1.jpg\n");
    EXPECT_FALSE(OpenWithAssociated(Win(tmp / "fehlt.jpg")));

    std::filesystem::remove(tmp / "geoeffnet.txt");
    EXPECT_GT(ShellExecute(Win(tmp / "Bild 1.jpg"), "", "", SW_SHOWNORMAL), 32);
    EXPECT_TRUE(WaitForFile(tmp / "geoeffnet.txt"));
    EXPECT_EQ(ShellExecute(Win(tmp / "fehlt.jpg"), "", "", SW_SHOWNORMAL), 2);
    EXPECT_EQ(ShellExecute(Win(tmp / "fehlt/x.jpg"), "", "", SW_SHOWNORMAL), 3);
    EXPECT_EQ(ShellExecute("", "", "", SW_SHOWNORMAL), 2);

    qputenv("PATH", QByteArray::fromStdString(tmp.str() + "/leer"));
    EXPECT_FALSE(OpenWithAssociated(Win(tmp / "Bild 1.jpg")));  // no opener at all
    qputenv("PATH", path);
}

TEST(Shell, TextFilesOpenInTheDesktopsTextViewerWhateverTheirEnding)
{
    // A fake desktop: xdg-mime names the viewer for text/plain, its entry
    // lies in the user's applications folder, gio launches it.
    TFakeWerkzeuge w;
    w.Anlegen("xdg-mime", 0, "textanzeige.desktop\n");
    w.Anlegen("gio");
    lxtest::TempDir daten;
    w.Setzen("XDG_DATA_HOME", daten.str());
    w.Setzen("XDG_DATA_DIRS", (daten / "leer").string());
    lxtest::WriteFile(daten / "applications/textanzeige.desktop",
                      "[Desktop Entry]\nType=Application\nName=Text\nExec=textanzeige %f\n");
    lxtest::TempDir tmp;
    lxtest::WriteFile(tmp / "Lumadex.HIS", "Version 1.50\r\n");

    EXPECT_TRUE(OpenAsText(Win(tmp / "lumadex.his")));
    EXPECT_EQ(w.Aufrufe("xdg-mime"), QStringList({"query | default | text/plain"}));
    EXPECT_EQ(w.Argumente("gio"), QStringList({"launch", Q(daten / "applications/textanzeige.desktop"),
                                               Q(tmp / "Lumadex.HIS")}));

    EXPECT_FALSE(OpenAsText(Win(tmp / "fehlt.his")));
    w.Anlegen("gio", 1);  // the viewer cannot start
    EXPECT_FALSE(OpenAsText(Win(tmp / "Lumadex.HIS")));
    w.Anlegen("gio");
    w.Anlegen("xdg-mime");  // no viewer for text
    EXPECT_FALSE(OpenAsText(Win(tmp / "Lumadex.HIS")));
    w.Anlegen("xdg-mime", 0, "gibtesnicht.desktop\n");  // named, but no entry
    EXPECT_FALSE(OpenAsText(Win(tmp / "Lumadex.HIS")));
}

TEST(VersionInfo, TheProgramsOwnVersion)
{
    EXPECT_EQ(ProgramVersion(), "1.50");
    EXPECT_EQ(ProgramVersionMajor(), 1);
    EXPECT_EQ(ProgramVersionMinor(), 50);
    TVersionType v;
    ASSERT_TRUE(ReadVersionInfo(ProgramFileName(), v));
    EXPECT_EQ(v.FileVersion, "1.50");
    EXPECT_EQ(v.ProductName, "QV-Lumadex");
    EXPECT_EQ(v.OriginalFileName, "LUMADEX.EXE");
    EXPECT_FALSE(ReadVersionInfo("C:\\Windows\\notepad.exe", v));
    EXPECT_TRUE(v.ProductName.isEmpty());
}

TEST(SystemInfo, MachineFacts)
{
    uint64_t total = 0, avail = 0;
    PhysicalMemory(total, avail);
    EXPECT_GT(total, 0u);
    EXPECT_LE(avail, total);
    EXPECT_FALSE(SystemUserName().isEmpty());
    QString name;
    int major = 0, minor = 0;
    OsVersion(name, major, minor);
    EXPECT_EQ(name, "Linux");
    EXPECT_GT(major, 0);
}
