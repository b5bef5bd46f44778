// Guards the drive map: letters for mounts, remembered and hand-set letters,
// the fake table, and mounts that do not answer.
#include "platform/core/drive_map.h"
#include "platform/core/ini_file.h"

#include <QFile>

#include <future>

#include "test_environment.h"

#include <gtest/gtest.h>

namespace {

// A mount table as /proc/self/mountinfo shows it on a desktop with a USB
// stick, a CD, a NAS share and the usual pseudo file systems.
const QByteArray kMountInfo =
    "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
    "23 22 0:5 / /proc rw,nosuid - proc proc rw\n"
    "24 22 0:6 / /sys rw,nosuid - sysfs sysfs rw\n"
    "25 22 0:7 / /run rw,nosuid - tmpfs tmpfs rw\n"
    "26 24 0:8 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n"
    "27 22 0:30 / /var/lib/docker/overlay2/abc/merged rw - overlay overlay rw\n"
    "28 22 8:17 / /media/anna/USB\\040STICK rw - vfat /dev/sdz1 rw\n"
    "29 22 11:0 / /media/anna/BILDER_CD ro - iso9660 /dev/sr9 ro\n"
    "30 22 0:40 / /mnt/nas rw - cifs //server/Daten rw\n"
    "31 22 0:41 / /mnt/ram rw - tmpfs tmpfs rw\n"
    "32 22 8:33 / /home rw - ext4 /dev/sdb1 rw\n"
    "garbage line\n";

TVolumeProbe FakeProbe()
{
    return [](const TDriveInfo& d) {
        TVolumeIdentity id;
        if (d.root.endsWith(u"USB STICK")) {
            id.label = QStringLiteral("USB STICK");
            id.serial = 0x9A5B0C2D;
        } else if (d.root.endsWith(u"BILDER_CD")) {
            id.label = QStringLiteral("BILDER_CD");
            id.serial = 0x12345678;
        }
        return id;
    };
}

QString LetterOf(const QList<TDriveInfo>& drives, const QString& root)
{
    for (const TDriveInfo& d : drives)
        if (d.root == root)
            return QString(d.letter);
    return QString();
}

}  // namespace

TEST(DriveMap, MountTableGivesLettersToUserMediaOnly)
{
    QMap<QString, QString> fresh;
    const auto drives = DrivesFromMountInfo(kMountInfo, {}, {}, FakeProbe(), &fresh);
    ASSERT_EQ(drives.size(), 5);
    EXPECT_EQ(LetterOf(drives, "/"), "C");
    // Ordered by mount point: the CD, the stick, the share, the RAM disk.
    EXPECT_EQ(LetterOf(drives, "/media/anna/BILDER_CD"), "D");
    EXPECT_EQ(LetterOf(drives, "/media/anna/USB STICK"), "E");
    EXPECT_EQ(LetterOf(drives, "/mnt/nas"), "F");
    EXPECT_EQ(LetterOf(drives, "/mnt/ram"), "G");
    EXPECT_EQ(LetterOf(drives, "/home"), "");  // reachable through C:
    EXPECT_EQ(drives[1].type, TDriveType::CDRom);
    EXPECT_EQ(drives[1].label, "BILDER_CD");
    EXPECT_EQ(drives[3].type, TDriveType::Remote);
    EXPECT_EQ(drives[3].remoteName, "\\\\server\\Daten");
    EXPECT_EQ(drives[3].label, "Daten");
    EXPECT_EQ(drives[4].type, TDriveType::RamDisk);
    // New letters of media with a serial are handed back to be remembered.
    QMap<QString, QString> expected{{"12345678", "D"}, {"9A5B0C2D", "E"}};
    EXPECT_EQ(fresh, expected);
}

TEST(DriveMap, RememberedAndHandSetLettersWin)
{
    // The stick was E: before and keeps it; the CD is set to X: by hand,
    // the RAM disk by its mount point to R:.
    QMap<QString, QString> remembered{{"9A5B0C2D", "K"}};
    QMap<QString, QString> overrides{{"12345678", "X"}, {"/mnt/ram", "R"}};
    QMap<QString, QString> fresh;
    const auto drives = DrivesFromMountInfo(kMountInfo, remembered, overrides, FakeProbe(), &fresh);
    EXPECT_EQ(LetterOf(drives, "/media/anna/USB STICK"), "K");
    EXPECT_EQ(LetterOf(drives, "/media/anna/BILDER_CD"), "X");
    EXPECT_EQ(LetterOf(drives, "/mnt/ram"), "R");
    EXPECT_EQ(LetterOf(drives, "/mnt/nas"), "D");
    EXPECT_TRUE(fresh.isEmpty());
    // A remembered letter already taken by a hand-set one falls back to a free letter.
    remembered = {{"9A5B0C2D", "X"}};
    const auto again = DrivesFromMountInfo(kMountInfo, remembered, overrides, FakeProbe(), &fresh);
    EXPECT_EQ(LetterOf(again, "/media/anna/USB STICK"), "D");
    // Bad letters in the registry are ignored.
    overrides = {{"/mnt/ram", "C"}, {"12345678", "4"}};
    const auto bad = DrivesFromMountInfo(kMountInfo, {}, overrides, FakeProbe(), nullptr);
    EXPECT_EQ(LetterOf(bad, "/"), "C");
    EXPECT_EQ(LetterOf(bad, "/mnt/ram"), "G");
}

TEST(DriveMap, FakeTableIsReadAsWritten)
{
    lxtest::TempDir tmp;
    lxtest::WriteDriveTable({{"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34},
                             {"d", tmp.str() + "/", "CDROM", "FOTO CD", "ABCDEF01", 0},
                             {"N", tmp.str(), "NETDRIVE", "daten", "zz", 77}});
    auto& map = TDriveMap::Instance();
    const auto drives = map.Drives();
    ASSERT_EQ(drives.size(), 3);
    auto d = map.Drive(u'd');
    ASSERT_TRUE(d.has_value());
    EXPECT_EQ(d->root, QString::fromStdString(tmp.str()));
    EXPECT_EQ(d->type, TDriveType::CDRom);
    EXPECT_EQ(d->label, "FOTO CD");
    EXPECT_EQ(d->serial, std::optional<uint32_t>(0xABCDEF01));
    auto n = map.Drive(u'N');
    ASSERT_TRUE(n.has_value());
    EXPECT_EQ(n->serial, std::nullopt);  // unreadable serial
    EXPECT_EQ(n->freeBytes, 77);
    EXPECT_EQ(map.DriveOfLinuxPath(QString::fromStdString(tmp.str()) + "/x/y")->letter, QChar(u'D'));
    EXPECT_EQ(map.DriveOfLinuxPath("/usr")->letter, QChar(u'C'));
    EXPECT_FALSE(map.Drive(u'Z').has_value());
    lxtest::WriteDriveTable({{"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34}});
}

TEST(DriveMap, TypeNames)
{
    for (auto t : {TDriveType::Removable, TDriveType::Fixed, TDriveType::Remote, TDriveType::CDRom,
                   TDriveType::RamDisk, TDriveType::Unknown})
        EXPECT_EQ(DriveTypeFromName(DriveTypeName(t)), t);
    EXPECT_EQ(DriveTypeName(TDriveType::CDRom), "CDROM");
    EXPECT_EQ(DriveTypeName(TDriveType::NoRootDir), "UNKNOWN");
    EXPECT_EQ(static_cast<int>(TDriveType::Remote), 4);
}

TEST(DriveMap, MediaKeepTheirLettersAcrossMounts)
{
    const QString registry = RegistryFileLinuxPath();
    QFile::remove(registry);
    // First the stick alone: it gets D:, and its serial is remembered.
    const QByteArray stickOnly =
        "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
        "28 22 8:17 / /media/anna/USB\\040STICK rw - vfat /dev/sdz1 rw\n";
    auto drives = ReadMountedDrives(stickOnly, FakeProbe());
    EXPECT_EQ(LetterOf(drives, "/media/anna/USB STICK"), "D");
    EXPECT_NE(lxtest::ReadFile(registry.toStdString())
                  .find("[HKEY_CURRENT_USER\\Software\\QV-Lumadex\\Drives]\r\n9A5B0C2D=D\r\n"),
              std::string::npos);
    // Later the CD comes first and the stick is mounted elsewhere: the stick stays D:.
    const QByteArray both =
        "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
        "29 22 11:0 / /media/anna/BILDER_CD ro - iso9660 /dev/sr9 ro\n"
        "30 22 8:17 / /run/media/anna/USB\\040STICK rw - vfat /dev/sdz1 rw\n";
    drives = ReadMountedDrives(both, FakeProbe());
    EXPECT_EQ(LetterOf(drives, "/run/media/anna/USB STICK"), "D");
    EXPECT_EQ(LetterOf(drives, "/media/anna/BILDER_CD"), "E");
    // A letter set by hand in the registry stand-in wins.
    {
        TIniFile ini(registry);
        ini.WriteString(QString::fromLatin1(kRegistryDriveLettersKey), "/media/anna/BILDER_CD", "x");
    }
    drives = ReadMountedDrives(both, FakeProbe());
    EXPECT_EQ(LetterOf(drives, "/media/anna/BILDER_CD"), "X");
    QFile::remove(registry);
}

// A mount that does not answer its probe within the time limit (a hung
// network share) keeps the figures it gave last time; the list is made
// without it. The probe is held until the end, the limit set to nothing, so
// no real time passes.
TEST(DriveMap, AMountThatDoesNotAnswerKeepsItsLastFigures)
{
    const auto drives = DrivesFromMountInfo(kMountInfo, {}, {}, FakeProbe(), nullptr);
    ASSERT_EQ(drives.size(), 5);
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    TVolumeProbe hanging = [released](const TDriveInfo& d) {
        if (d.root.endsWith(u"BILDER_CD"))
            released.wait();
        return FakeProbe()(d);
    };
    SetMountAnswerTimeLimit(std::chrono::milliseconds(0));
    const auto again = DrivesFromMountInfo(kMountInfo, {}, {}, hanging, nullptr);
    SetMountAnswerTimeLimit(std::chrono::milliseconds(3000));
    release.set_value();
    ASSERT_EQ(again.size(), 5);
    for (const TDriveInfo& d : again) {
        if (!d.root.endsWith(u"BILDER_CD"))
            continue;
        EXPECT_EQ(d.label, "BILDER_CD");
        ASSERT_TRUE(d.serial);
        EXPECT_EQ(*d.serial, 0x12345678u);
        EXPECT_EQ(LetterOf(again, d.root), "D");
    }
}
