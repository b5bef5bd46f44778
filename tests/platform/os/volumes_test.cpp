// Guards volume identity: the serials Windows shows for FAT, exFAT, NTFS and ISO media, read from images.
#include "platform/os/volumes.h"

#include "platform/core/win_path.h"

#include "test_environment.h"

#include <QProcess>
#include <fstream>
#include <gtest/gtest.h>

namespace {

QString Q(const std::filesystem::path& p)
{
    return QString::fromStdString(p.string());
}

bool RunTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << " failed: " << p.readAllStandardError().toStdString();
        return false;
    }
    return true;
}

// The Windows figure for an ISO 9660 disc, computed here on its own from the
// image bytes: the primary volume descriptor is the first descriptor of type 1
// from sector 16 on; four 8-bit sums over its 2048 bytes.
uint32_t IsoSerialFromImage(const std::string& image)
{
    for (size_t sector = 16; (sector + 1) * 2048 <= image.size(); ++sector) {
        const char* d = image.data() + sector * 2048;
        if (std::string(d + 1, 5) != "CD001")
            break;
        if (static_cast<unsigned char>(d[0]) != 1)
            continue;
        unsigned sums[4] = {0, 0, 0, 0};
        for (int i = 0; i < 2048; ++i)
            sums[i % 4] = (sums[i % 4] + static_cast<unsigned char>(d[i])) & 0xFF;
        return sums[0] << 24 | sums[1] << 16 | sums[2] << 8 | sums[3];
    }
    ADD_FAILURE() << "no primary volume descriptor";
    return 0;
}

}  // namespace

TEST(Volumes, FatImagesGiveTheVolumeIdAsSerial)
{
    lxtest::TempDir tmp;
    struct Case {
        QStringList options;
        const char* size;
        const char* id;
        const char* label;
        uint32_t serial;
    } cases[] = {
        {{}, "1440", "1234ABCD", "FOTOS", 0x1234ABCD},                                // FAT12 floppy
        {{"-F", "16", "-s", "1"}, "8192", "00000000", "", 0},                                   // FAT16, serial 0, no label
        {{"-F", "32", "-s", "1"}, "40000", "9A5B3C2D", "URLAUB 2006", 0x9A5B3C2D},   // FAT32, top bit set
    };
    int n = 0;
    for (const Case& c : cases) {
        const QString image = Q(tmp / ("fat" + std::to_string(n++) + ".img"));
        QStringList args = c.options;
        args << "-C" << "-i" << c.id;
        if (*c.label)
            args << "-n" << c.label;
        args << image << c.size;
        ASSERT_TRUE(RunTool("mkfs.vfat", args));
        auto id = ProbeVolume(image);
        ASSERT_TRUE(id.has_value()) << c.id;
        EXPECT_EQ(id->fsType, "vfat");
        EXPECT_EQ(id->label, QString::fromUtf8(c.label));
        EXPECT_EQ(id->serial, std::optional<uint32_t>(c.serial)) << c.id;
    }
}

TEST(Volumes, ExfatAndNtfsSerialsFromTheBootSector)
{
    lxtest::TempDir tmp;
    const QString exfat = Q(tmp / "exfat.img"), ntfs = Q(tmp / "ntfs.img");
    lxtest::WriteFile(exfat.toStdString(), std::string());
    lxtest::WriteFile(ntfs.toStdString(), std::string());
    std::filesystem::resize_file(exfat.toStdString(), 8 << 20);
    std::filesystem::resize_file(ntfs.toStdString(), 8 << 20);
    ASSERT_TRUE(RunTool("mkfs.exfat", {"-L", "KAMERA", exfat}));
    ASSERT_TRUE(RunTool("mkntfs", {"-Q", "-F", "-L", "Archiv", ntfs}));
    // The figures from outside: the boot sector fields as the formats lay
    // them out (exFAT VolumeSerialNumber at 100, NTFS serial at 72, little
    // endian), and what the blkid tool prints.
    auto le32 = [](const std::string& b, size_t at) {
        return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8
               | uint32_t(uint8_t(b[at + 2])) << 16 | uint32_t(uint8_t(b[at + 3])) << 24;
    };
    auto blkidUuid = [](const QString& image) {
        QProcess p;
        p.start("blkid", {"-p", "-s", "UUID", "-o", "value", image});
        p.waitForFinished(30000);
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    };
    auto e = ProbeVolume(exfat);
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(e->fsType, "exfat");
    EXPECT_EQ(e->label, "KAMERA");
    EXPECT_EQ(e->serial, std::optional<uint32_t>(le32(lxtest::ReadFile(exfat.toStdString()), 100)));
    EXPECT_EQ(e->serial, std::optional<uint32_t>(blkidUuid(exfat).remove('-').toUInt(nullptr, 16)));
    auto n = ProbeVolume(ntfs);
    ASSERT_TRUE(n.has_value());
    EXPECT_EQ(n->fsType, "ntfs");
    EXPECT_EQ(n->label, "Archiv");
    EXPECT_EQ(n->serial, std::optional<uint32_t>(le32(lxtest::ReadFile(ntfs.toStdString()), 72)));
    EXPECT_EQ(n->serial, std::optional<uint32_t>(blkidUuid(ntfs).right(8).toUInt(nullptr, 16)));
}

TEST(Volumes, IsoImagesGiveTheDescriptorChecksum)
{
    lxtest::TempDir tmp;
    lxtest::WriteFile(tmp / "inhalt/Bilder/a.jpg", "kein echtes Bild");
    const QString fromGenisoimage = Q(tmp / "g.iso"), fromXorriso = Q(tmp / "x.iso");
    ASSERT_TRUE(RunTool("genisoimage", {"-quiet", "-J", "-V", "BILDER_CD", "-o", fromGenisoimage, Q(tmp / "inhalt")}));
    ASSERT_TRUE(RunTool("xorriso", {"-as", "mkisofs", "-quiet", "-V", "ALBUM 2006", "-o", fromXorriso, Q(tmp / "inhalt")}));
    for (const auto& [image, label] : {std::pair{fromGenisoimage, "BILDER_CD"}, std::pair{fromXorriso, "ALBUM 2006"}}) {
        auto id = ProbeVolume(image);
        ASSERT_TRUE(id.has_value());
        EXPECT_EQ(id->fsType, "iso9660");
        EXPECT_EQ(id->label, label);
        ASSERT_TRUE(id->serial.has_value());
        EXPECT_EQ(*id->serial, IsoSerialFromImage(lxtest::ReadFile(image.toStdString())));
    }
}

TEST(Volumes, DescriptorChecksumByHand)
{
    QByteArray d(2048, '\0');
    d[0] = 0x12;
    d[1] = 0x34;
    d[2] = 0x56;
    d[3] = 0x78;
    EXPECT_EQ(IsoDescriptorSerial(d), std::optional<uint32_t>(0x12345678));
    d[4] = char(0xFF);   // s0 = 0x12 + 0xFF + 0x02 = 0x113 -> 0x13
    d[2047] = 0x02;      // 2047 mod 4 = 3: s3 = 0x78 + 0x02
    d[2044] = 0x02;
    EXPECT_EQ(IsoDescriptorSerial(d), std::optional<uint32_t>(0x1334567A));
    EXPECT_EQ(IsoDescriptorSerial(d.left(100)), std::nullopt);
    EXPECT_EQ(IsoDescriptorSerial(QByteArray(2048, '\x01')), std::optional<uint32_t>(0));  // 512 x 1 per sum
}

TEST(Volumes, SerialsFromUuids)
{
    EXPECT_EQ(SerialFromUuid("1234-ABCD"), std::optional<uint32_t>(0x1234ABCD));
    EXPECT_EQ(SerialFromUuid("0123456789ABCDEF"), std::optional<uint32_t>(0x01234567u ^ 0x89ABCDEFu));
    EXPECT_EQ(SerialFromUuid("c0ffee00-0000-0000-0000-000000000001"),
              std::optional<uint32_t>(0xC0FFEE00u ^ 0x00000001u));
    EXPECT_EQ(SerialFromUuid("abc"), std::optional<uint32_t>(0xABC00000u));
    EXPECT_EQ(SerialFromUuid(""), std::nullopt);
}

TEST(Volumes, UnreadableOrEmptyMediaGiveNothing)
{
    lxtest::TempDir tmp;
    lxtest::WriteFile(tmp / "leer.img", std::string(1 << 20, '\0'));
    EXPECT_EQ(ProbeVolume(Q(tmp / "leer.img")), std::nullopt);
    EXPECT_EQ(ProbeVolume(Q(tmp / "fehlt.img")), std::nullopt);
    EXPECT_EQ(ProbeVolume(Q(tmp.path())), std::nullopt);  // a folder
    // A damaged ISO: the signature is there, the descriptor is cut off.
    std::string cut(16 * 2048 + 100, '\0');
    cut.replace(16 * 2048, 6, "\x01" "CD001");
    lxtest::WriteFile(tmp / "kaputt.iso", cut);
    auto id = ProbeVolume(Q(tmp / "kaputt.iso"));
    EXPECT_TRUE(!id.has_value() || !id->serial.has_value());
}

TEST(Volumes, DrivesOfTheDriveTable)
{
    lxtest::TempDir tmp;
    lxtest::WriteDriveTable({
        {"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34},
        {"D", tmp.str(), "CDROM", "BILDER_CD", "9A5B3C2D", 0},
        {"E", tmp.str(), "DISK", "", "000004D2", 1440000},
        {"N", tmp.str(), "NETDRIVE", "daten", "00000000", 5000},
        {"R", tmp.str(), "RAMDISK", "RAM", "00000001", 5},
        {"X", tmp.str(), "CDROM", "", "leer", 0},
    });
    QString label;
    uint32_t serial = 1;
    ASSERT_TRUE(GetVolumeInformation("D:\\", label, serial));
    EXPECT_EQ(label, "BILDER_CD");
    EXPECT_EQ(static_cast<int32_t>(serial), -1705296851);
    ASSERT_TRUE(GetVolumeInformation("e", label, serial));
    EXPECT_EQ(label, "");
    EXPECT_EQ(serial, 1234u);
    EXPECT_FALSE(GetVolumeInformation("X:\\", label, serial));  // empty drive
    EXPECT_FALSE(GetVolumeInformation("Q:\\", label, serial));  // no drive
    EXPECT_FALSE(GetVolumeInformation("", label, serial));
    EXPECT_TRUE(GetVolumeInformation("\\\\server\\daten\\", label, serial));
    EXPECT_EQ(label, "daten");

    struct Case {
        const char* root;
        TDriveType type;
    } cases[] = {{"C:\\", TDriveType::Fixed},  {"d:\\", TDriveType::CDRom},    {"E:\\", TDriveType::Removable},
                 {"N:\\", TDriveType::Remote}, {"R:\\", TDriveType::RamDisk}, {"Q:\\", TDriveType::NoRootDir}};
    for (const Case& c : cases)
        EXPECT_EQ(GetDriveType(c.root), c.type) << c.root;
    EXPECT_EQ(GetDiskFreeSpace("E:\\"), 1440000);
    EXPECT_EQ(GetDiskFreeSpace("Q:\\"), -1);
    EXPECT_EQ(LogicalDriveLetters(), QStringList({"C", "D", "E", "N", "R", "X"}));
    lxtest::WriteDriveTable({{"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34}});
    EXPECT_EQ(LogicalDriveLetters(), QStringList({"C"}));
}

// An optical drive without a disc has its letter and reads as a CD drive
// that is not ready: no volume, no free space, no paths on it.
TEST(Volumes, EmptyCdDrivesHaveALetterAndAreNotReady)
{
    lxtest::TempDir tmp;
    lxtest::WriteDriveTable({
        {"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34},
        {"E", "-", "CDROM", "", "", 0},
    });
    TDriveMap::Instance().Refresh();
    EXPECT_EQ(LogicalDriveLetters(), QStringList({"C", "E"}));
    EXPECT_EQ(GetDriveType("E:\\"), TDriveType::CDRom);
    QString label;
    uint32_t serial = 0;
    EXPECT_FALSE(GetVolumeInformation("E:\\", label, serial));
    EXPECT_EQ(GetDiskFreeSpace("E:\\"), -1);
    const std::optional<TDriveInfo> e = TDriveMap::Instance().Drive(u'E');
    ASSERT_TRUE(e);
    EXPECT_FALSE(e->Ready());
    EXPECT_TRUE(TDriveMap::Instance().Drive(u'C')->Ready());
    // Paths on it lead nowhere, and no Linux path lies on it.
    EXPECT_EQ(WinToLinux("E:\\"), std::nullopt);
    EXPECT_EQ(WinToLinux("E:\\Bilder\\a.jpg"), std::nullopt);
    EXPECT_EQ(LinuxToWin(Q(tmp / "a.jpg")), "C:" + Q(tmp / "a.jpg").replace('/', '\\'));
}

// The machine's optical drives come from the block devices named sr + number;
// those without a mounted disc are added as drives that are not ready, after
// the mounted media, or under the letter set for their device.
TEST(Volumes, OpticalDrivesWithoutADiscGetTheNextFreeLetter)
{
    lxtest::TempDir sys;
    for (const char* name : {"sr1", "sda", "sr0", "srx", "sr10", "loop0"})
        std::filesystem::create_directories(sys / name);
    EXPECT_EQ(OpticalDriveDevices(Q(sys.path())), QStringList({"/dev/sr0", "/dev/sr1", "/dev/sr10"}));
    EXPECT_EQ(OpticalDriveDevices(Q(sys / "fehlt")), QStringList());

    auto laufwerk = [](char16_t letter, const char* root, const char* device) {
        TDriveInfo d;
        d.letter = QChar(letter);
        d.root = QString::fromLatin1(root);
        d.device = QString::fromLatin1(device);
        d.type = TDriveType::CDRom;
        return d;
    };
    auto buchstaben = [](const QList<TDriveInfo>& drives) {
        QString out;
        for (const TDriveInfo& d : drives)
            out += QString(d.letter) + (d.Ready() ? QString() : QStringLiteral("-") + d.device.mid(5)) + u' ';
        return out.trimmed();
    };
    struct Fall {
        const char* was;
        QStringList optisch;
        QMap<QString, QString> vorgaben;
        const char* erwartet;
    } faelle[] = {
        {"an empty drive after the mounted media", {"/dev/sr0"}, {}, "C D E F-sr0"},
        {"the drive with the mounted disc is there once", {"/dev/sr1", "/dev/sr0"}, {}, "C D E F-sr0"},
        {"a letter set for the device", {"/dev/sr0"}, {{"/dev/sr0", "R"}}, "C D E R-sr0"},
        {"a letter set but taken", {"/dev/sr0", "/dev/sr2"}, {{"/dev/sr0", "E"}}, "C D E F-sr0 G-sr2"},
        {"no optical drive", {}, {}, "C D E"},
    };
    for (const Fall& f : faelle) {
        QList<TDriveInfo> drives{laufwerk(u'C', "/", "/dev/sda1"), laufwerk(u'E', "/media/anna/CD", "/dev/sr1"),
                                 laufwerk(u'D', "/media/anna/USB", "/dev/sdb1")};
        AddEmptyOpticalDrives(drives, f.optisch, f.vorgaben);
        EXPECT_EQ(buchstaben(drives), QString::fromLatin1(f.erwartet)) << f.was;
        for (const TDriveInfo& d : drives) {
            if (!d.Ready()) {
                EXPECT_EQ(d.type, TDriveType::CDRom) << f.was;
            }
        }
    }
    // All letters taken: the drive gets none.
    QList<TDriveInfo> voll;
    for (char16_t l = u'C'; l <= u'Z'; ++l)
        voll << laufwerk(l, "/media/x", "/dev/sdz");
    AddEmptyOpticalDrives(voll, {"/dev/sr0"}, {});
    EXPECT_EQ(voll.size(), 24);
}

// A disc keeps one identity whoever may read the drive: the serial read
// from its descriptor is remembered under its UUID and used when the device
// cannot be read; a disc never read gets the serial of its UUID.
TEST(Volumes, AnUnreadableDiscKeepsTheSerialLastReadFromIt)
{
    lxtest::TempDir tmp;
    lxtest::WriteFile(tmp / "inhalt/a.txt", "Inhalt");
    const QString image = Q(tmp / "cd.iso");
    ASSERT_TRUE(RunTool("xorriso", {"-as", "mkisofs", "-quiet", "-V", "URLAUB", "-o", image, Q(tmp / "inhalt")}));
    const std::optional<TVolumeId> read = ProbeVolume(image);
    ASSERT_TRUE(read && read->serial && !read->uuid.isEmpty());
    ASSERT_NE(read->serial, SerialFromUuid(read->uuid));  // the two figures differ for a CD

    TVolumeId links;  // what /dev/disk gives without read access
    links.label = read->label;
    links.uuid = read->uuid;
    links.serial = SerialFromUuid(read->uuid);
    EXPECT_EQ(VolumeIdentity(read, {}).serial, read->serial);
    EXPECT_EQ(VolumeIdentity(std::nullopt, links).serial, read->serial);

    TVolumeId never = links;
    never.uuid = QStringLiteral("1999-01-01-00-00-00-00");
    never.serial = SerialFromUuid(never.uuid);
    EXPECT_EQ(VolumeIdentity(std::nullopt, never).serial, never.serial);
}
