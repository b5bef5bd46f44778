#pragma once
// Drives and volumes as the Windows calls give them, over the drive map
// (platform/core/drive_map.h): drive type, volume label and serial, free
// space. Labels and serials of real media are read from the device with
// libblkid and are the figures Windows shows for the same medium:
//   FAT12/16/32, exFAT  the volume ID of the boot sector
//   NTFS                the low 32 bits of its 64-bit serial
//   ISO 9660            the checksum over the 2048-byte primary volume descriptor
//                       (four 8-bit sums s0..s3, byte i added to s[i mod 4],
//                       serial = s0<<24 | s1<<16 | s2<<8 | s3)
//   anything else       derived from the file system's UUID (see SerialFromUuid)
// A mounted drive whose device cannot be read (no permission, no device)
// takes label and UUID from the udev links in /dev/disk and the serial last
// read from the same medium (remembered by its UUID in the registry
// stand-in, so a disc keeps one identity whoever may read the drive); only a
// medium never read gets the serial derived from the UUID. Else the serial is
// the kernel's file-system id (statfs f_fsid, its two 32-bit halves XOR-ed;
// for ext4, btrfs and xfs derived from the UUID, so stable across mounts).
// Network drives have no serial of their own; their label is the share name.
//
// Drive arguments are roots such as "C:\" (only the first character counts).

#include "platform/core/drive_map.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// What a probe of a device or an image file finds.
struct TVolumeId {
    QString fsType;   // "vfat", "exfat", "ntfs", "iso9660", "ext4", ...
    QString label;    // as stored on the medium (not upper-cased)
    QString uuid;     // as libblkid reports it
    std::optional<uint32_t> serial;
};

// Probes a block device or an image file without mounting it. nullopt when
// it cannot be read or holds no file system libblkid knows.
std::optional<TVolumeId> ProbeVolume(const QString& deviceOrImage);

// The serial Windows computes for an ISO 9660 primary volume descriptor
// (2048 bytes; fewer give nullopt).
std::optional<uint32_t> IsoDescriptorSerial(const QByteArray& descriptor);
// A serial from a UUID text: its hex digits (other characters dropped) taken
// as 32-bit big-endian words from the left, the last one padded with zeros
// on the right, all words XOR-ed. FAT-style "1234-ABCD" so gives 0x1234ABCD.
std::optional<uint32_t> SerialFromUuid(const QString& uuid);

// The identity of a mounted medium: what reading its device gave (its
// serial is remembered under the UUID), else what the udev links give with
// the serial remembered for that UUID, if any.
TVolumeId VolumeIdentity(const std::optional<TVolumeId>& read, TVolumeId fromLinks);
// Registry stand-in key of the remembered serials (UUID = serial in hex).
inline constexpr char kRegistryVolumeSerialsKey[] = "HKEY_CURRENT_USER\\Software\\QV-Lumadex\\VolumeSerials";

// Makes the drive map read labels and serials of real mounts through
// ProbeVolume. Called by every routine below; the program calls it at start.
void InstallVolumeProbe();

// GetDriveType: NoRootDir when the letter has no drive.
TDriveType GetDriveType(const QString& root);
// GetVolumeInformation: false for a missing drive or one that cannot be read.
bool GetVolumeInformation(const QString& root, QString& label, uint32_t& serial);
// Free bytes for the user; -1 when unknown or the drive is missing.
int64_t GetDiskFreeSpace(const QString& root);
// The drive letters in use ("C", "D", ...).
QStringList LogicalDriveLetters();
// True when the folder lies on a read-only mount (or cannot be written).
bool IsOnReadOnlyMount(const QString& path);
