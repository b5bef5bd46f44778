#include "platform/os/volumes.h"

#include "platform/core/ini_file.h"
#include "platform/core/win_path.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <blkid/blkid.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>

#include <cstring>
#include <unistd.h>

namespace {

constexpr qint64 kIsoSector = 2048;

QString BlkidValue(blkid_probe pr, const char* name)
{
    const char* data = nullptr;
    size_t len = 0;
    if (blkid_probe_lookup_value(pr, name, &data, &len) != 0 || !data)
        return QString();
    // len counts the terminating zero.
    return QString::fromUtf8(data, static_cast<qsizetype>(strnlen(data, len)));
}

// The primary volume descriptor of an ISO 9660 file system (sector 16 on).
std::optional<QByteArray> ReadIsoPrimaryDescriptor(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    for (int sector = 16; sector < 16 + 64; ++sector) {
        if (!f.seek(sector * kIsoSector))
            return std::nullopt;
        QByteArray d = f.read(kIsoSector);
        if (d.size() != kIsoSector || d.mid(1, 5) != "CD001")
            return std::nullopt;
        const auto type = static_cast<unsigned char>(d[0]);
        if (type == 1)
            return d;
        if (type == 255)
            return std::nullopt;  // set terminator before a primary descriptor
    }
    return std::nullopt;
}

uint32_t LittleEndian32(const QByteArray& b, qsizetype at)
{
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8
           | uint32_t(uint8_t(b[at + 2])) << 16 | uint32_t(uint8_t(b[at + 3])) << 24;
}

// The serial Windows shows, read from the boot sector: FAT12/16 at offset 39
// and FAT32 at 67 (after the extended boot signature 0x29; without one the
// medium has no serial, which Windows shows as 0), exFAT at 100, NTFS the
// low half of the 64-bit serial at 72.
std::optional<uint32_t> BootSectorSerial(const QString& path, const QString& fsType)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray b = f.read(512);
    if (b.size() < 512)
        return std::nullopt;
    if (fsType == u"exfat")
        return LittleEndian32(b, 100);
    if (fsType == u"ntfs")
        return LittleEndian32(b, 72);
    const bool fat32 = uint8_t(b[22]) == 0 && uint8_t(b[23]) == 0;  // no 16-bit FAT size
    const qsizetype sig = fat32 ? 66 : 38;
    if (uint8_t(b[sig]) != 0x29)
        return 0u;
    return LittleEndian32(b, sig + 1);
}

// Label and UUID of a device from the udev links, for devices we may not read.
TVolumeId FromDiskLinks(const QString& device)
{
    TVolumeId id;
    const QString target = QFileInfo(device).canonicalFilePath();
    if (target.isEmpty())
        return id;
    auto lookup = [&](const char* folder) {
        QDir dir{QString::fromLatin1(folder)};
        for (const QFileInfo& fi : dir.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot))
            if (fi.canonicalFilePath() == target)
                return fi.fileName();
        return QString();
    };
    // udev escapes blanks and others as \x20.
    auto unescape = [](QString s) {
        QByteArray out;
        const QByteArray in = s.toUtf8();
        for (qsizetype i = 0; i < in.size(); ++i) {
            if (in[i] == '\\' && i + 3 < in.size() && in[i + 1] == 'x') {
                bool ok = false;
                int v = in.mid(i + 2, 2).toInt(&ok, 16);
                if (ok) {
                    out.append(static_cast<char>(v));
                    i += 3;
                    continue;
                }
            }
            out.append(in[i]);
        }
        return QString::fromUtf8(out);
    };
    id.label = unescape(lookup("/dev/disk/by-label"));
    id.uuid = lookup("/dev/disk/by-uuid");
    id.serial = SerialFromUuid(id.uuid);
    return id;
}

std::optional<TDriveInfo> DriveOfRoot(const QString& root)
{
    InstallVolumeProbe();
    const QString r = root.trimmed();
    if (r.isEmpty())
        return std::nullopt;
    if (r.startsWith(u"\\\\")) {
        const QStringList parts = r.mid(2).split(u'\\');
        return TDriveMap::Instance().DriveOfShare(parts.value(0), parts.value(1));
    }
    return TDriveMap::Instance().Drive(r[0]);
}

bool FakeTable()
{
    return !qEnvironmentVariableIsEmpty("LUMADEX_DRIVE_TABLE");
}

// The kernel's id of a mounted file system (for ext4, btrfs and xfs derived
// from the UUID, so stable across mounts): its two 32-bit halves XOR-ed;
// nullopt when the kernel gives none.
std::optional<uint32_t> FileSystemIdSerial(const QString& mountPoint)
{
    struct statfs st;
    if (::statfs(QFile::encodeName(mountPoint).constData(), &st) != 0)
        return std::nullopt;
    int halves[2];
    static_assert(sizeof(halves) == sizeof(st.f_fsid));
    std::memcpy(halves, &st.f_fsid, sizeof(halves));
    const uint32_t serial = uint32_t(halves[0]) ^ uint32_t(halves[1]);
    if (serial == 0)
        return std::nullopt;
    return serial;
}

TVolumeIdentity ProbeMount(const TDriveInfo& mount)
{
    TVolumeIdentity out;
    if (mount.type == TDriveType::Remote) {
        out.label = mount.remoteName.section(u'\\', -1);
        return out;
    }
    if (mount.device.startsWith(u'/')) {
        const std::optional<TVolumeId> read = ProbeVolume(mount.device);
        const TVolumeId id = VolumeIdentity(read, read ? TVolumeId{} : FromDiskLinks(mount.device));
        out.label = id.label;
        out.serial = id.serial;
    }
    if (!out.serial)
        out.serial = FileSystemIdSerial(mount.root);
    return out;
}

}  // namespace

TVolumeId VolumeIdentity(const std::optional<TVolumeId>& read, TVolumeId fromLinks)
{
    const QString section = QString::fromLatin1(kRegistryVolumeSerialsKey);
    try {
        TMemIniFile ini(RegistryFileLinuxPath());
        if (read) {
            if (!read->uuid.isEmpty() && read->serial) {
                const QString hex = QString::number(*read->serial, 16).toUpper().rightJustified(8, u'0');
                if (ini.ReadString(section, read->uuid, QString()) != hex
                    && QFileInfo(WindowsFolderLinuxPath()).isDir()) {
                    ini.WriteString(section, read->uuid, hex);
                    ini.UpdateFile();
                }
            }
            return *read;
        }
        if (!fromLinks.uuid.isEmpty()) {
            bool ok = false;
            const uint32_t known = ini.ReadString(section, fromLinks.uuid, QString()).toUInt(&ok, 16);
            if (ok)
                fromLinks.serial = known;
        }
    } catch (const std::exception&) {
        // Remembering is a convenience: the figures as read stand.
    }
    return read ? *read : fromLinks;
}

std::optional<uint32_t> IsoDescriptorSerial(const QByteArray& descriptor)
{
    if (descriptor.size() < kIsoSector)
        return std::nullopt;
    uint8_t s[4] = {0, 0, 0, 0};
    for (qsizetype i = 0; i < kIsoSector; ++i)
        s[i % 4] = static_cast<uint8_t>(s[i % 4] + static_cast<uint8_t>(descriptor[i]));
    return (uint32_t(s[0]) << 24) | (uint32_t(s[1]) << 16) | (uint32_t(s[2]) << 8) | s[3];
}

std::optional<uint32_t> SerialFromUuid(const QString& uuid)
{
    QString hex;
    for (QChar c : uuid)
        if (c.isDigit() || (c.toLower() >= u'a' && c.toLower() <= u'f'))
            hex += c;
    if (hex.isEmpty())
        return std::nullopt;
    uint32_t serial = 0;
    for (qsizetype i = 0; i < hex.size(); i += 8)
        serial ^= hex.mid(i, 8).leftJustified(8, u'0').toUInt(nullptr, 16);
    return serial;
}

std::optional<TVolumeId> ProbeVolume(const QString& deviceOrImage)
{
    const QByteArray path = QFile::encodeName(deviceOrImage);
    blkid_probe pr = blkid_new_probe_from_filename(path.constData());
    if (!pr)
        return std::nullopt;
    blkid_probe_enable_superblocks(pr, 1);
    blkid_probe_set_superblocks_flags(pr, BLKID_SUBLKS_LABEL | BLKID_SUBLKS_UUID | BLKID_SUBLKS_TYPE);
    const int rc = blkid_do_safeprobe(pr);
    TVolumeId id;
    if (rc == 0) {
        id.fsType = BlkidValue(pr, "TYPE");
        id.label = BlkidValue(pr, "LABEL");
        id.uuid = BlkidValue(pr, "UUID");
    }
    blkid_free_probe(pr);
    if (rc != 0 || id.fsType.isEmpty())
        return std::nullopt;

    if (id.fsType == u"vfat" || id.fsType == u"msdos" || id.fsType == u"exfat"
        || id.fsType == u"ntfs") {
        // The volume ID from the boot sector (libblkid leaves out a zero one).
        id.serial = BootSectorSerial(deviceOrImage, id.fsType);
        if (!id.serial)
            id.serial = SerialFromUuid(id.uuid);
    } else if (id.fsType == u"iso9660") {
        if (auto pvd = ReadIsoPrimaryDescriptor(deviceOrImage))
            id.serial = IsoDescriptorSerial(*pvd);
    } else {
        id.serial = SerialFromUuid(id.uuid);
    }
    return id;
}

void InstallVolumeProbe()
{
    TDriveMap& map = TDriveMap::Instance();
    if (!map.HasVolumeProbe())
        map.SetVolumeProbe(ProbeMount);
}

TDriveType GetDriveType(const QString& root)
{
    auto d = DriveOfRoot(root);
    return d ? d->type : TDriveType::NoRootDir;
}

bool GetVolumeInformation(const QString& root, QString& label, uint32_t& serial)
{
    auto d = DriveOfRoot(root);
    if (!d || !d->Ready())
        return false;  // no drive, or no medium in it
    if (!d->serial && d->type != TDriveType::Remote && (FakeTable() || d->device.startsWith(u'/')))
        return false;  // the medium cannot be read
    label = d->label;
    serial = d->serial.value_or(0);
    return true;
}

int64_t GetDiskFreeSpace(const QString& root)
{
    auto d = DriveOfRoot(root);
    if (!d || !d->Ready())
        return -1;
    if (FakeTable())
        return d->freeBytes;
    struct statvfs st;
    if (::statvfs(QFile::encodeName(d->root).constData(), &st) != 0)
        return -1;
    return static_cast<int64_t>(st.f_bavail) * static_cast<int64_t>(st.f_frsize);
}

QStringList LogicalDriveLetters()
{
    InstallVolumeProbe();
    QStringList out;
    for (const TDriveInfo& d : TDriveMap::Instance().Drives())
        out << QString(d.letter);
    return out;
}

bool IsOnReadOnlyMount(const QString& path)
{
    const auto l = WinToLinux(path);
    if (!l)
        return false;
    const QByteArray p = QFile::encodeName(*l);
    struct statvfs st;
    if (::statvfs(p.constData(), &st) == 0 && (st.f_flag & ST_RDONLY))
        return true;
    return ::access(p.constData(), W_OK) != 0 && QFileInfo::exists(*l);
}
