// Guards the system routines: program and Windows folders, starting programs, system information, versions.
#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>

#include "platform/core/exceptions.h"
#include "platform/core/win_path.h"
#include "platform/os/folders.h"
#include "platform/os/registry.h"
#include "routines_test_print.h"
#include "shared/general_system.h"

namespace {

TEST(GeneralSystem, ProgramAndWindowsFolder)
{
    const QString saved = QDir::currentPath();
    const QString programm = ProgrammVerzeichnis();
    EXPECT_TRUE(programm.endsWith("\\"));
    EXPECT_EQ(programm, ProgramFolder());
    EXPECT_EQ(QDir::currentPath(), QDir(ProgramFolderLinux()).canonicalPath());
    QDir::setCurrent(saved);
    EXPECT_EQ(WindowsVerzeichnis(), WindowsFolder());
    EXPECT_TRUE(WindowsVerzeichnis().endsWith("\\"));
}

TEST(GeneralSystem, StartAndWait)
{
    EXPECT_TRUE(ProgrammStartenUndWarten("/bin/sh", "sh -c \"exit 0\"", "", 0));
    EXPECT_FALSE(ProgrammStartenUndWarten("C:\\gibt\\es\\nicht.exe", "", "", 0));
}

TEST(GeneralSystem, SystemInfoText)
{
    const QString text = SystemInfoText();
    const QStringList lines = text.split("\r\n");
    ASSERT_EQ(lines.size(), 6) << text.toStdString();
    EXPECT_TRUE(lines[0].startsWith("Phys. RAM="));
    EXPECT_GT(lines[0].mid(10).toULongLong(), 0u);
    EXPECT_TRUE(lines[1].startsWith("Phys. RAM frei="));
    EXPECT_TRUE(lines[2].contains(QRegularExpression("^Auflösung=\\d+x\\d+$")));
    EXPECT_TRUE(lines[3].startsWith("Username="));
    EXPECT_TRUE(lines[4].startsWith("Computername="));
    EXPECT_TRUE(lines[5].contains(QRegularExpression("^OS=\\S+ \\d+\\.\\d+$"))) << lines[5].toStdString();
}

TEST(GeneralSystem, InstallPathRegistration)
{
    ProgrammPfadGlobal = "C:\\Programme\\Lumadex\\";
    ASSERT_TRUE(InstallPfadEintragen());
    TRegistry reg;
    reg.RootKey = TRootKey::HKEY_LOCAL_MACHINE;
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\LUMADEX.EXE"));
    EXPECT_EQ(reg.ReadString(""), "C:\\Programme\\Lumadex\\LUMADEX.EXE");
    EXPECT_EQ(reg.ReadString("InstallPath"), "C:\\Programme\\Lumadex\\");
    ProgrammPfadGlobal.clear();
}

TEST(GeneralSystem, VersionSplitting)
{
    VersionZerlegen("1.50.230 (31.05.2006)");
    EXPECT_EQ(VersionMajor, 1);
    EXPECT_EQ(VersionMinor, 50);
    EXPECT_EQ(VersionRelease, 230);
    VersionZerlegen(" 2.01.192(x)");
    EXPECT_EQ(VersionMajor, 2);
    EXPECT_EQ(VersionMinor, 1);
    EXPECT_EQ(VersionRelease, 192);
    EXPECT_THROW(VersionZerlegen("1.50.230"), EConvertError);
    EXPECT_THROW(VersionZerlegen("a.b.c (1)"), EConvertError);
}

}  // namespace
