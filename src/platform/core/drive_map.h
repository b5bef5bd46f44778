#pragma once
// The drive map: which drive letters exist and which Linux folder each one
// stands for. "C:" is always "/"; every other mounted file system a user keeps
// pictures on (removable media, optical discs, disks under /media, /run/media
// and /mnt, network mounts) gets a letter from "D:" on. A volume keeps its
// letter across mounts (remembered by volume serial in the registry stand-in,
// section "Drives"); the section "DriveLetters" of the registry stand-in sets
// letters by hand: key = mount point ("/media/anna/USB") or serial as 8 hex
// digits, value = letter.
//
// When the environment variable LUMADEX_DRIVE_TABLE names a file, the map is
// that fake drive table and never the machine's mounts. Format: one drive a
// line, TAB-separated: letter, root folder, type (HD, DISK, CDROM, NETDRIVE,
// RAMDISK), label, serial (8 hex digits), free bytes; '#' starts a comment.
// A root folder "-" is a drive without a medium (an empty CD drive).
//
// Optical drives without a disc (from /sys/block/sr*) have a letter too:
// a drive that is "not ready", with no root folder; paths on it resolve to
// nothing. Their letters come after those of the mounted media, unless the
// section "DriveLetters" sets one for the device ("/dev/sr0=R").
//
// The map re-reads its source when it changed (the table file, or the mount
// table at most once a second); Refresh() forces it.

#include <QChar>
#include <QList>
#include <QMap>
#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

// The Windows drive-type codes (GetDriveType).
enum class TDriveType : int {
    Unknown = 0,    // DRIVE_UNKNOWN
    NoRootDir = 1,  // DRIVE_NO_ROOT_DIR: no such drive
    Removable = 2,  // "DISK"
    Fixed = 3,      // "HD"
    Remote = 4,     // "NETDRIVE"
    CDRom = 5,      // "CDROM"
    RamDisk = 6,    // "RAMDISK"
};

// "HD", "DISK", "CDROM", "NETDRIVE", "RAMDISK", "UNKNOWN".
QString DriveTypeName(TDriveType type);
// The reverse; "UNKNOWN" or any other text gives Unknown.
TDriveType DriveTypeFromName(const QString& name);

struct TDriveInfo {
    QChar letter;           // upper case 'C'
    QString root;           // Linux folder of the drive root, no trailing '/' except "/";
                            // empty for a drive without a medium

    TDriveType type = TDriveType::Unknown;
    QString fsType;         // "vfat", "iso9660", ... (empty for the fake table)
    QString device;         // mount source ("/dev/sdb1", "//server/share")
    QString remoteName;     // network drives: "\\server\share"; else empty
    QString label;          // volume label as the medium holds it (not upper-cased)
    std::optional<uint32_t> serial;  // volume serial; nullopt when unknown
    int64_t freeBytes = -1;          // -1 when unknown (read live for real mounts)
    // False for a drive without a medium (an empty CD drive): "not ready".
    bool Ready() const { return !root.isEmpty(); }
};

// What a volume probe finds for a mounted file system (installed by lx_os,
// which reads labels and serials from the device).
struct TVolumeIdentity {
    QString label;
    std::optional<uint32_t> serial;
};
using TVolumeProbe = std::function<TVolumeIdentity(const TDriveInfo& mount)>;

class TDriveMap {
public:
    // The program's drive map.
    static TDriveMap& Instance();

    // All drives, ordered by letter (re-read when the source changed).
    QList<TDriveInfo> Drives();
    // One drive; nullopt when the letter has no drive.
    std::optional<TDriveInfo> Drive(QChar letter);
    // The drive whose root holds the Linux path (the deepest root wins).
    std::optional<TDriveInfo> DriveOfLinuxPath(const QString& linuxPath);
    // Network drive for "\\server\share" (case-insensitive; the fake table
    // matches a NETDRIVE whose label equals the share name).
    std::optional<TDriveInfo> DriveOfShare(const QString& server, const QString& share);

    // Forget the cached table; the next call reads the source again.
    void Refresh();

    // Installed by lx_os: reads label and serial of a real mount.
    void SetVolumeProbe(TVolumeProbe probe);
    bool HasVolumeProbe() const;

private:
    TDriveMap() = default;
    struct State;
    State& state();
};

// Sections of the registry stand-in the drive map reads (key = serial as 8
// hex digits or a mount point, value = letter).
inline constexpr char kRegistryDrivesKey[] = "HKEY_CURRENT_USER\\Software\\QV-Lumadex\\Drives";
inline constexpr char kRegistryDriveLettersKey[] =
    "HKEY_CURRENT_USER\\Software\\QV-Lumadex\\DriveLetters";

// How long one mount may take to answer its probe or its free-space
// question (statvfs) while the drive list is read; a mount that does not
// answer in time (a hung network share) keeps the figures it last gave, and
// its question is left to finish on its own. Default 3 seconds; settable
// for tests.
void SetMountAnswerTimeLimit(std::chrono::milliseconds limit);

// Reads a mount table in the format of /proc/self/mountinfo and gives the
// drives it yields ("/" as C:, the rest from D: on), without letters' memory
// when remembered/overrides are empty. remembered: serial hex -> letter;
// overrides: mount point or serial hex -> letter (both keys upper case for
// serials). newlyAssigned receives serial hex -> letter for drives that got a
// new letter and should be remembered. Exposed for tests.
QList<TDriveInfo> DrivesFromMountInfo(const QByteArray& mountInfo,
                                      const QMap<QString, QString>& remembered,
                                      const QMap<QString, QString>& overrides,
                                      const TVolumeProbe& probe,
                                      QMap<QString, QString>* newlyAssigned);

// The drives of a mount table with the letters kept in the registry stand-in:
// reads the hand-set and remembered letters, assigns (DrivesFromMountInfo)
// and remembers the serials of media that got a new letter. What the map
// does with /proc/self/mountinfo; exposed for tests.
QList<TDriveInfo> ReadMountedDrives(const QByteArray& mountInfo, const TVolumeProbe& probe);

// The optical drives of the machine ("/dev/sr0", ...), from the block devices
// in sysBlock (normally /sys/block) named "sr" + number. Exposed for tests.
QStringList OpticalDriveDevices(const QString& sysBlock = QStringLiteral("/sys/block"));
// Adds a "not ready" CD drive for each optical device that no drive in
// `drives` has mounted: the letter the overrides give its device, else the
// first free one. Exposed for tests.
void AddEmptyOpticalDrives(QList<TDriveInfo>& drives, const QStringList& opticalDevices,
                           const QMap<QString, QString>& overrides);

// The registry stand-in file (Windows folder + "Registry.ini"), also read by
// lx_os's TRegistry. Honours $LUMADEX_WINDIR; does not create anything.
QString RegistryFileLinuxPath();
// $LUMADEX_WINDIR or ~/.config/QV-Lumadex (Linux path, not created).
QString WindowsFolderLinuxPath();
// $LUMADEX_HOME or ~/.local/share/QV-Lumadex (Linux path, not created).
QString ProgramFolderLinuxPath();
