// Guards the mapping of Windows paths (drive letters, UNC names, case) onto
// Linux paths.
#include "platform/core/drive_map.h"
#include "platform/core/exceptions.h"
#include "platform/core/file_utils.h"
#include "platform/core/win1252.h"
#include "platform/core/win_path.h"

#include "test_environment.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

QString Q(const std::filesystem::path& p)
{
    return QString::fromStdString(p.string());
}

class WinPath : public testing::Test {
protected:
    void SetUp() override
    {
        oldCwd_ = QDir::currentPath();
        lxtest::WriteFile(tmp_ / "usb/DCIM/Urlaub/Bild01.JPG", "x");
        lxtest::WriteFile(tmp_ / "nas/Fotos/a.jpg", "y");
        std::filesystem::create_directories(tmp_ / "cd");
        lxtest::WriteDriveTable({
            {"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34},
            {"E", tmp_.str() + "/usb", "DISK", "USB-STICK", "9A5B0C2D", 1000},
            {"F", tmp_.str() + "/cd", "CDROM", "BILDER_CD", "0000ABCD", 0},
            {"N", tmp_.str() + "/nas", "NETDRIVE", "daten", "00000000", 5000},
        });
    }
    void TearDown() override
    {
        QDir::setCurrent(oldCwd_);
        lxtest::WriteDriveTable({{"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34}});
    }
    QString Usb(const QString& rest = QString()) const { return Q(tmp_.path()) + "/usb" + rest; }

    lxtest::TempDir tmp_;
    QString oldCwd_;
};

}  // namespace

TEST_F(WinPath, DriveLettersMapOntoTheirRoots)
{
    EXPECT_EQ(WinToLinux(QStringLiteral("E:\\DCIM\\Urlaub\\Bild01.JPG")), Usb("/DCIM/Urlaub/Bild01.JPG"));
    EXPECT_EQ(WinToLinux(QStringLiteral("e:/DCIM/Urlaub")), Usb("/DCIM/Urlaub"));
    EXPECT_EQ(WinToLinux(QStringLiteral("E:\\")), Usb());
    EXPECT_EQ(WinToLinux(QStringLiteral("C:\\")), QStringLiteral("/"));
    EXPECT_EQ(WinToLinux(QStringLiteral("C:\\") + Q(tmp_.path()).mid(1).replace('/', '\\')), Q(tmp_.path()));
    EXPECT_EQ(LinuxToWin(Usb("/DCIM/Urlaub/Bild01.JPG")), QStringLiteral("E:\\DCIM\\Urlaub\\Bild01.JPG"));
    EXPECT_EQ(LinuxToWin(Usb()), QStringLiteral("E:\\"));
    EXPECT_EQ(LinuxToWin(QStringLiteral("/usr/share")), QStringLiteral("C:\\usr\\share"));
    EXPECT_EQ(LinuxToWin(QStringLiteral("/")), QStringLiteral("C:\\"));
}

TEST_F(WinPath, ResolutionPrefersTheExactNameThenIgnoresCase)
{
    EXPECT_EQ(WinToLinux(QStringLiteral("E:\\DCIM\\URLAUB\\BILD01.JPG")), Usb("/DCIM/Urlaub/Bild01.JPG"));
    EXPECT_EQ(WinToLinux(QStringLiteral("E:\\dcim\\urlaub\\bild01.jpg")), Usb("/DCIM/Urlaub/Bild01.JPG"));
    // An exact match wins over a case-insensitive one.
    lxtest::WriteFile(tmp_ / "usb/DCIM/Urlaub/BILD01.JPG", "z");
    EXPECT_EQ(WinToLinux(QStringLiteral("E:\\dcim\\urlaub\\BILD01.JPG")), Usb("/DCIM/Urlaub/BILD01.JPG"));
    EXPECT_EQ(WinToLinux(QStringLiteral("E:\\dcim\\urlaub\\Bild01.JPG")), Usb("/DCIM/Urlaub/Bild01.JPG"));
    // Missing parts are kept as written, after the resolved ones.
    EXPECT_EQ(WinToLinux(QStringLiteral("E:\\DCIM\\Neu\\Sub\\x.jpg")), Usb("/DCIM/Neu/Sub/x.jpg"));
    EXPECT_TRUE(FileExists(QStringLiteral("E:\\DCIM\\URLAUB\\bild01.jpg")));
    EXPECT_FALSE(FileExists(QStringLiteral("E:\\DCIM\\URLAUB")));
    EXPECT_TRUE(DirectoryExists(QStringLiteral("e:\\dcim\\urlaub\\")));
}

TEST_F(WinPath, DotsAndRelativeForms)
{
    EXPECT_EQ(WinToLinux(QStringLiteral("E:\\DCIM\\.\\Urlaub\\..\\..\\DCIM")), Usb("/DCIM"));
    EXPECT_EQ(WinToLinux(QStringLiteral("E:\\..\\..\\DCIM")), Usb("/DCIM"));  // never above the root
    ASSERT_TRUE(SetCurrentDir(QStringLiteral("E:\\DCIM")));
    EXPECT_EQ(GetCurrentDir(), QStringLiteral("E:\\DCIM"));
    EXPECT_EQ(WinToLinux(QStringLiteral("urlaub\\bild01.jpg")), Usb("/DCIM/Urlaub/Bild01.JPG"));
    EXPECT_EQ(WinToLinux(QStringLiteral("E:urlaub")), Usb("/DCIM/Urlaub"));
    EXPECT_EQ(WinToLinux(QStringLiteral("\\DCIM")), Usb("/DCIM"));  // root of the current drive
    EXPECT_EQ(ExpandFileName(QStringLiteral("Urlaub\\..\\x.txt")), QStringLiteral("E:\\DCIM\\x.txt"));
    EXPECT_EQ(ExpandFileName(QStringLiteral("C:\\a\\.\\b\\..\\c")), QStringLiteral("C:\\a\\c"));
    EXPECT_FALSE(SetCurrentDir(QStringLiteral("E:\\gibtsnicht")));
}

TEST_F(WinPath, UncPathsMapOntoNetworkDrives)
{
    EXPECT_EQ(WinToLinux(QStringLiteral("\\\\server\\DATEN\\Fotos\\A.JPG")), Q(tmp_.path()) + "/nas/Fotos/a.jpg");
    EXPECT_EQ(WinToLinux(QStringLiteral("\\\\?\\UNC\\server\\daten\\fotos")), Q(tmp_.path()) + "/nas/Fotos");
    EXPECT_EQ(WinToLinux(QStringLiteral("\\\\server\\unbekannt\\x")), std::nullopt);
    EXPECT_EQ(WinToLinux(QStringLiteral("\\\\server")), std::nullopt);
    EXPECT_EQ(ExtractFileDrive(QStringLiteral("\\\\server\\daten\\Fotos\\a.jpg")), QStringLiteral("\\\\server\\daten"));
}

TEST_F(WinPath, MissingDrivesAreReportedNotGuessed)
{
    EXPECT_EQ(WinToLinux(QStringLiteral("Q:\\Bilder\\a.jpg")), std::nullopt);
    EXPECT_THROW(WinToLinuxOrThrow(QStringLiteral("Q:\\Bilder")), EPathError);
    EXPECT_FALSE(FileExists(QStringLiteral("Q:\\Bilder\\a.jpg")));
    EXPECT_FALSE(ForceDirectories(QStringLiteral("Q:\\Bilder")));
    EXPECT_EQ(FileSizeOf(QStringLiteral("Q:\\a.jpg")), -1);
    // The table is read again when it changes: the drive comes and goes.
    lxtest::WriteDriveTable({{"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1}, {"Q", tmp_.str(), "DISK", "", "00000001", 1}});
    EXPECT_EQ(WinToLinux(QStringLiteral("Q:\\usb")), Usb());
    lxtest::WriteDriveTable({{"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1}});
    EXPECT_EQ(WinToLinux(QStringLiteral("Q:\\usb")), std::nullopt);
    EXPECT_EQ(WinToLinux(QStringLiteral("E:\\")), std::nullopt);
}

TEST_F(WinPath, LongPathsBeyondTheOldLimitWorkBothWays)
{
    QString rel;
    while (rel.size() < 300)
        rel += QStringLiteral("\\Ordner mit langem Namen %1").arg(rel.size());
    const QString win = QStringLiteral("E:") + rel + QStringLiteral("\\Bild.jpg");
    ASSERT_GT(win.size(), 260);
    EXPECT_EQ(WinToLinux(QStringLiteral("\\\\?\\") + win), WinToLinux(win));  // extended-length form
    ASSERT_TRUE(ForceDirectories(ExtractFilePath(win)));
    const QString linux = Usb(QString(rel).replace('\\', '/') + "/Bild.jpg");
    EXPECT_EQ(WinToLinux(win.toUpper()), linux.left(linux.size() - 8) + QStringLiteral("BILD.JPG"));
    EXPECT_EQ(LinuxToWin(linux), win);
}

TEST_F(WinPath, LinuxNamesWithoutAWindowsForm)
{
    // Names Windows-1252 cannot hold still map both ways; storing them is the
    // caller's decision (Win1252CanEncode tells).
    lxtest::WriteFile(tmp_ / "usb/Łódź.jpg", "x");
    const auto win = LinuxToWin(Usb(QString::fromUtf8("/Łódź.jpg")));
    EXPECT_EQ(win, QString::fromUtf8("E:\\Łódź.jpg"));
    EXPECT_FALSE(Win1252CanEncode(*win));
    EXPECT_EQ(WinToLinux(QString::fromUtf8("E:\\ŁÓDŹ.JPG")), Usb(QString::fromUtf8("/Łódź.jpg")));
    EXPECT_EQ(LinuxToWin(Usb("/a\\b.jpg")), std::nullopt);
    EXPECT_EQ(LinuxToWinOrSelf(Usb("/a\\b.jpg")), Usb("/a\\b.jpg"));
    // Linux paths are accepted where Windows forms are expected.
    EXPECT_EQ(WinToLinux(Usb("/dcim")), Usb("/DCIM"));
}

TEST(PathStrings, FrameworkRoutinesOnWindowsForms)
{
    struct Case {
        const char* path;
        const char* filePath;
        const char* fileDir;
        const char* fileName;
        const char* ext;
    } cases[] = {
        {"C:\\Bilder\\Urlaub\\a.b.jpg", "C:\\Bilder\\Urlaub\\", "C:\\Bilder\\Urlaub", "a.b.jpg", ".jpg"},
        {"C:\\a.jpg", "C:\\", "C:\\", "a.jpg", ".jpg"},
        {"C:a.jpg", "C:", "C:", "a.jpg", ".jpg"},
        {"C:\\Bilder.neu\\datei", "C:\\Bilder.neu\\", "C:\\Bilder.neu", "datei", ""},
        {"datei", "", "", "datei", ""},
        {"\\\\srv\\share\\x.txt", "\\\\srv\\share\\", "\\\\srv\\share", "x.txt", ".txt"},
        {"", "", "", "", ""},
    };
    for (const Case& c : cases) {
        const QString p = QString::fromUtf8(c.path);
        EXPECT_EQ(ExtractFilePath(p), QString::fromUtf8(c.filePath)) << c.path;
        EXPECT_EQ(ExtractFileDir(p), QString::fromUtf8(c.fileDir)) << c.path;
        EXPECT_EQ(ExtractFileName(p), QString::fromUtf8(c.fileName)) << c.path;
        EXPECT_EQ(ExtractFileExt(p), QString::fromUtf8(c.ext)) << c.path;
    }
    EXPECT_EQ(ChangeFileExt(QStringLiteral("C:\\x.y\\a.dbf"), QStringLiteral(".CDX")), QStringLiteral("C:\\x.y\\a.CDX"));
    EXPECT_EQ(ChangeFileExt(QStringLiteral("C:\\x.y\\a"), QStringLiteral(".CDX")), QStringLiteral("C:\\x.y\\a.CDX"));
    EXPECT_EQ(IncludeTrailingBackslash(QStringLiteral("C:\\a")), QStringLiteral("C:\\a\\"));
    EXPECT_EQ(IncludeTrailingBackslash(QStringLiteral("C:\\a\\")), QStringLiteral("C:\\a\\"));
    EXPECT_EQ(ExcludeTrailingBackslash(QStringLiteral("C:\\a\\")), QStringLiteral("C:\\a"));
    EXPECT_EQ(ExtractFileDrive(QStringLiteral("d:\\x")), QStringLiteral("d:"));
    EXPECT_EQ(DriveLetterOf(QStringLiteral("d:\\x")), QChar(u'D'));
    EXPECT_TRUE(IsAbsoluteWinPath(QStringLiteral("C:\\")));
    EXPECT_FALSE(IsAbsoluteWinPath(QStringLiteral("C:x")));
}
