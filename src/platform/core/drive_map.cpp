#include "platform/core/drive_map.h"

#include "platform/core/ini_file.h"
#include "platform/core/sys_utils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QRecursiveMutex>
#include <QSet>

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <memory>
#include <thread>

namespace {

QString EnvPath(const char* name)
{
    return QString::fromLocal8Bit(qgetenv(name));
}

QString NormalizeRoot(QString root)
{
    root = QDir::cleanPath(root);
    if (root.isEmpty())
        root = QStringLiteral("/");
    return root;
}

int64_t FreeBytesOf(const QString& path)
{
    struct statvfs st;
    if (statvfs(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return static_cast<int64_t>(st.f_bavail) * static_cast<int64_t>(st.f_frsize);
}

std::atomic<int64_t> g_answerLimitMs{3000};

// Runs `work` in a thread of its own and waits at most the time limit for
// it; nullopt when it did not answer (the thread finishes on its own).
template <typename T>
std::optional<T> WithinTimeLimit(std::function<T()> work)
{
    auto task = std::make_shared<std::packaged_task<T()>>(std::move(work));
    std::future<T> answer = task->get_future();
    std::thread([task] { (*task)(); }).detach();
    if (answer.wait_for(std::chrono::milliseconds(g_answerLimitMs.load())) != std::future_status::ready)
        return std::nullopt;
    return answer.get();
}

// The figures each mount last gave, for a mount that does not answer.
struct KnownMount {
    TVolumeIdentity id;
    int64_t freeBytes = -1;
};
QMutex g_knownMutex;
QMap<QString, KnownMount>& KnownMounts()
{
    static auto* known = new QMap<QString, KnownMount>;  // answers may come after exit began
    return *known;
}
QString MountKey(const TDriveInfo& d) { return d.root + u'\n' + d.device; }

TVolumeIdentity ProbeInTime(const TVolumeProbe& probe, const TDriveInfo& d)
{
    const std::optional<TVolumeIdentity> id =
        WithinTimeLimit<TVolumeIdentity>([probe, d] { return probe(d); });
    QMutexLocker lock(&g_knownMutex);
    KnownMount& known = KnownMounts()[MountKey(d)];
    if (id)
        known.id = *id;
    return known.id;
}

int64_t FreeBytesInTime(const TDriveInfo& d)
{
    if (!d.Ready())
        return -1;
    const QString root = d.root;
    const std::optional<int64_t> bytes = WithinTimeLimit<int64_t>([root] { return FreeBytesOf(root); });
    QMutexLocker lock(&g_knownMutex);
    KnownMount& known = KnownMounts()[MountKey(d)];
    if (bytes)
        known.freeBytes = *bytes;
    return known.freeBytes;
}

QString SerialHex(uint32_t serial)
{
    return QString::number(serial, 16).toUpper().rightJustified(8, u'0');
}

// "\040" and friends in mountinfo fields.
QString UnescapeMountField(const QByteArray& field)
{
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            int v = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out.append(static_cast<char>(v));
                i += 3;
                continue;
            }
        }
        out.append(field[i]);
    }
    return QFile::decodeName(out);
}

const QStringList& PseudoFileSystems()
{
    static const QStringList list = {
        "proc", "sysfs", "devtmpfs", "devpts", "cgroup", "cgroup2", "pstore", "bpf",
        "securityfs", "debugfs", "tracefs", "configfs", "fusectl", "mqueue", "hugetlbfs",
        "autofs", "binfmt_misc", "efivarfs", "overlay", "squashfs", "nsfs", "rpc_pipefs",
        "nfsd", "selinuxfs", "fuse.gvfsd-fuse", "fuse.portal", "fuse.lxcfs", "fuse.snapfuse",
        "ramfs", "tmpfs", "swap", "devfs", "none"};
    return list;
}

bool IsNetworkFs(const QString& fs)
{
    static const QStringList list = {"cifs", "smb3", "smbfs", "nfs", "nfs4", "fuse.sshfs",
                                     "sshfs", "9p", "afs", "ncpfs", "davfs", "fuse.davfs2",
                                     "fuse.rclone"};
    return list.contains(fs);
}

bool UnderUserMediaFolder(const QString& mountPoint)
{
    for (const char* prefix : {"/media/", "/run/media/", "/mnt/"})
        if (mountPoint.startsWith(QLatin1String(prefix)))
            return true;
    return mountPoint == u"/mnt" || mountPoint == u"/media";
}

// The /sys entry of a block device ("/dev/sdb1" -> ".../block/sdb/sdb1").
QString SysBlockPath(const QString& device)
{
    if (!device.startsWith(u"/dev/"))
        return QString();
    QString name = QFileInfo(device).canonicalFilePath();
    if (name.isEmpty())
        name = device;
    name = name.mid(name.lastIndexOf(u'/') + 1);
    QString sys = QFileInfo(QStringLiteral("/sys/class/block/") + name).canonicalFilePath();
    return sys;
}

bool SysFlag(const QString& dir, const char* file)
{
    QFile f(dir + u'/' + QLatin1String(file));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    return f.readAll().trimmed() == "1";
}

TDriveType TypeOfMount(const QString& fsType, const QString& device)
{
    if (IsNetworkFs(fsType))
        return TDriveType::Remote;
    if (fsType == u"tmpfs" || fsType == u"ramfs")
        return TDriveType::RamDisk;
    if (fsType == u"iso9660" || fsType == u"udf")
        return TDriveType::CDRom;
    const QString sys = SysBlockPath(device);
    if (!sys.isEmpty()) {
        const QString disk = QFileInfo(sys + "/partition").exists()
                                 ? sys.left(sys.lastIndexOf(u'/')) : sys;
        if (disk.mid(disk.lastIndexOf(u'/') + 1).startsWith(u"sr"))
            return TDriveType::CDRom;
        if (SysFlag(disk, "removable") || disk.contains(u"/usb") || disk.contains(u"/mmc"))
            return TDriveType::Removable;
    }
    return TDriveType::Fixed;
}

// "//server/share/x" (cifs), "server:/export" (nfs), "user@host:/path" (sshfs).
QString RemoteNameOf(const QString& fsType, const QString& source)
{
    QString s = source;
    if (s.startsWith(u"//"))
        return QString(s).replace(u'/', u'\\');
    qsizetype colon = s.indexOf(u':');
    if (colon > 0) {
        QString host = s.left(colon);
        host = host.mid(host.indexOf(u'@') + 1);
        QString path = s.mid(colon + 1);
        while (path.startsWith(u'/'))
            path.remove(0, 1);
        return QStringLiteral("\\\\") + host + u'\\' + path.replace(u'/', u'\\');
    }
    return QStringLiteral("\\\\") + s.replace(u'/', u'\\');
}

QList<TDriveInfo> ReadFakeTable(const QByteArray& bytes)
{
    QList<TDriveInfo> drives;
    for (QByteArray line : bytes.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.trimmed().startsWith('#'))
            continue;
        const QList<QByteArray> f = line.split('\t');
        const QString letter = QString::fromUtf8(f.value(0)).trimmed().toUpper();
        if (letter.size() != 1 || letter[0] < u'A' || letter[0] > u'Z' || f.size() < 2)
            continue;
        TDriveInfo d;
        d.letter = letter[0];
        const QString root = QString::fromUtf8(f.value(1)).trimmed();
        d.root = root == u"-" ? QString() : NormalizeRoot(root);
        d.type = f.size() > 2 ? DriveTypeFromName(QString::fromUtf8(f[2]).trimmed())
                              : TDriveType::Fixed;
        d.label = QString::fromUtf8(f.value(3));
        bool ok = false;
        uint32_t serial = QString::fromUtf8(f.value(4)).trimmed().toUInt(&ok, 16);
        if (ok)
            d.serial = serial;
        qint64 free = QString::fromUtf8(f.value(5)).trimmed().toLongLong(&ok);
        d.freeBytes = ok ? free : -1;
        if (d.type == TDriveType::Remote)
            d.remoteName = QStringLiteral("\\\\") + d.label;
        // One drive per letter; the first line wins.
        if (std::none_of(drives.begin(), drives.end(),
                         [&](const TDriveInfo& x) { return x.letter == d.letter; }))
            drives << d;
    }
    std::sort(drives.begin(), drives.end(),
              [](const TDriveInfo& a, const TDriveInfo& b) { return a.letter < b.letter; });
    return drives;
}

QMap<QString, QString> ReadRegistrySection(const char* key)
{
    QMap<QString, QString> map;
    const QString file = RegistryFileLinuxPath();
    if (!QFileInfo::exists(file))
        return map;
    TMemIniFile ini(file);
    TStringList lines;
    ini.ReadSectionValues(QString::fromLatin1(key), lines);
    for (int i = 0; i < lines.Count(); ++i) {
        QString name = lines.Names(i).trimmed();
        if (!name.startsWith(u'/'))
            name = name.toUpper();
        map.insert(name, lines.ValueFromIndex(i).trimmed().toUpper());
    }
    return map;
}

}  // namespace

QString DriveTypeName(TDriveType type)
{
    switch (type) {
    case TDriveType::Removable: return QStringLiteral("DISK");
    case TDriveType::Fixed: return QStringLiteral("HD");
    case TDriveType::Remote: return QStringLiteral("NETDRIVE");
    case TDriveType::CDRom: return QStringLiteral("CDROM");
    case TDriveType::RamDisk: return QStringLiteral("RAMDISK");
    default: return QStringLiteral("UNKNOWN");
    }
}

TDriveType DriveTypeFromName(const QString& name)
{
    const QString n = name.trimmed().toUpper();
    if (n == u"DISK") return TDriveType::Removable;
    if (n == u"HD") return TDriveType::Fixed;
    if (n == u"NETDRIVE") return TDriveType::Remote;
    if (n == u"CDROM") return TDriveType::CDRom;
    if (n == u"RAMDISK") return TDriveType::RamDisk;
    return TDriveType::Unknown;
}

QString WindowsFolderLinuxPath()
{
    QString p = EnvPath("LUMADEX_WINDIR");
    if (p.isEmpty())
        p = QDir::homePath() + QStringLiteral("/.config/QV-Lumadex");
    return QDir::cleanPath(p);
}

QString ProgramFolderLinuxPath()
{
    QString p = EnvPath("LUMADEX_HOME");
    if (p.isEmpty())
        p = QDir::homePath() + QStringLiteral("/.local/share/QV-Lumadex");
    return QDir::cleanPath(p);
}

QString RegistryFileLinuxPath()
{
    return WindowsFolderLinuxPath() + QStringLiteral("/Registry.ini");
}

QList<TDriveInfo> DrivesFromMountInfo(const QByteArray& mountInfo,
                                      const QMap<QString, QString>& remembered,
                                      const QMap<QString, QString>& overrides,
                                      const TVolumeProbe& probe,
                                      QMap<QString, QString>* newlyAssigned)
{
    // Mount point -> mount; a later line over the same point hides the earlier one.
    QMap<QString, TDriveInfo> mounts;
    for (const QByteArray& line : mountInfo.split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        const qsizetype dash = f.indexOf("-");
        if (f.size() < 7 || dash < 6 || dash + 2 >= f.size())
            continue;
        TDriveInfo d;
        d.root = NormalizeRoot(UnescapeMountField(f[4]));
        d.fsType = QString::fromUtf8(f[dash + 1]);
        d.device = UnescapeMountField(f[dash + 2]);
        if (d.root == u"/") {
            d.type = TDriveType::Fixed;
            mounts.insert(d.root, d);
            continue;
        }
        const bool network = IsNetworkFs(d.fsType);
        const bool userFolder = UnderUserMediaFolder(d.root);
        // tmpfs counts only where a user mounted it under /media or /mnt.
        if (PseudoFileSystems().contains(d.fsType) && !(userFolder && (d.fsType == u"tmpfs"
                                                                     || d.fsType == u"ramfs"))) {
            mounts.remove(d.root);
            continue;
        }
        d.type = TypeOfMount(d.fsType, d.device);
        const bool removable = d.type == TDriveType::Removable || d.type == TDriveType::CDRom;
        if (!network && !userFolder && !removable) {
            mounts.remove(d.root);
            continue;
        }
        if (network)
            d.remoteName = RemoteNameOf(d.fsType, d.device);
        mounts.insert(d.root, d);
    }

    QList<TDriveInfo> drives;
    QSet<QChar> used;
    if (mounts.contains(QStringLiteral("/"))) {
        TDriveInfo c = mounts.take(QStringLiteral("/"));
        c.letter = u'C';
        drives << c;
        used.insert(u'C');
    } else {
        TDriveInfo c;
        c.letter = u'C';
        c.root = QStringLiteral("/");
        c.type = TDriveType::Fixed;
        drives << c;
        used.insert(u'C');
    }
    if (probe && !drives[0].device.isEmpty()) {
        TVolumeIdentity id = ProbeInTime(probe, drives[0]);
        drives[0].label = id.label;
        drives[0].serial = id.serial;
    }
    QList<TDriveInfo> rest = mounts.values();  // ordered by mount point
    for (TDriveInfo& d : rest) {
        if (probe) {
            TVolumeIdentity id = ProbeInTime(probe, d);
            d.label = id.label;
            d.serial = id.serial;
        }
        if (d.type == TDriveType::Remote && d.label.isEmpty())
            d.label = d.remoteName.mid(d.remoteName.lastIndexOf(u'\\') + 1);
    }
    auto take = [&](TDriveInfo& d, const QString& letter) {
        if (letter.size() != 1 || letter[0] < u'D' || letter[0] > u'Z' || used.contains(letter[0]))
            return false;
        d.letter = letter[0];
        used.insert(d.letter);
        return true;
    };
    // Hand-set letters first, then remembered ones, then the first free letter.
    QList<TDriveInfo*> pending;
    for (TDriveInfo& d : rest) {
        const QString hex = d.serial ? SerialHex(*d.serial) : QString();
        if (overrides.contains(d.root) && take(d, overrides.value(d.root)))
            continue;
        if (!hex.isEmpty() && overrides.contains(hex) && take(d, overrides.value(hex)))
            continue;
        pending << &d;
    }
    QList<TDriveInfo*> unassigned;
    for (TDriveInfo* d : pending) {
        const QString hex = d->serial ? SerialHex(*d->serial) : QString();
        if (!hex.isEmpty() && *d->serial != 0 && remembered.contains(hex)
            && take(*d, remembered.value(hex)))
            continue;
        unassigned << d;
    }
    for (TDriveInfo* d : unassigned) {
        for (char16_t l = u'D'; l <= u'Z'; ++l) {
            if (take(*d, QString(QChar(l)))) {
                if (d->serial && *d->serial != 0 && newlyAssigned)
                    newlyAssigned->insert(SerialHex(*d->serial), QString(d->letter));
                break;
            }
        }
    }
    for (const TDriveInfo& d : rest)
        if (!d.letter.isNull())
            drives << d;  // more than 23 extra mounts: the rest get no letter
    for (TDriveInfo& d : drives)
        d.freeBytes = FreeBytesInTime(d);
    std::sort(drives.begin(), drives.end(),
              [](const TDriveInfo& a, const TDriveInfo& b) { return a.letter < b.letter; });
    return drives;
}

struct TDriveMap::State {
    QRecursiveMutex mutex;
    QList<TDriveInfo> drives;
    bool valid = false;
    QString source;        // table file or "/proc/self/mountinfo"
    QByteArray content;    // what the drives were made from
    uint64_t readTick = 0;
    TVolumeProbe probe;
};

TDriveMap& TDriveMap::Instance()
{
    static TDriveMap map;
    return map;
}

TDriveMap::State& TDriveMap::state()
{
    static State s;
    return s;
}

QList<TDriveInfo> TDriveMap::Drives()
{
    State& s = state();
    const QString table = EnvPath("LUMADEX_DRIVE_TABLE");
    const QString source = table.isEmpty() ? QStringLiteral("/proc/self/mountinfo") : table;
    const uint64_t now = GetTickCount64();
    TVolumeProbe probe;
    {
        QMutexLocker lock(&s.mutex);
        // The fake table is small: read it on every call so a rewritten table is
        // seen at once. The mount table is read at most once a second.
        if (s.valid && s.source == source && table.isEmpty() && now - s.readTick < 1000)
            return s.drives;
        probe = s.probe;
    }
    QFile f(source);
    QByteArray content;
    if (f.open(QIODevice::ReadOnly))
        content = f.readAll();
    {
        QMutexLocker lock(&s.mutex);
        s.readTick = now;
        if (s.valid && s.source == source && content == s.content)
            return s.drives;
    }
    // Mounts are probed without the lock (each within the time limit), so a
    // slow mount holds up no other caller.
    QList<TDriveInfo> drives = table.isEmpty() ? ReadMountedDrives(content, probe) : ReadFakeTable(content);
    QMutexLocker lock(&s.mutex);
    s.source = source;
    s.content = content;
    s.valid = true;
    s.drives = drives;
    return s.drives;
}

void SetMountAnswerTimeLimit(std::chrono::milliseconds limit) { g_answerLimitMs = limit.count(); }

QStringList OpticalDriveDevices(const QString& sysBlock)
{
    QStringList devices;
    const QStringList names = QDir(sysBlock).entryList({QStringLiteral("sr*")}, QDir::AllEntries | QDir::System
                                                                                   | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        bool numbered = false;
        name.mid(2).toInt(&numbered);
        if (numbered)
            devices << QStringLiteral("/dev/") + name;
    }
    std::sort(devices.begin(), devices.end(), [](const QString& a, const QString& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    return devices;
}

void AddEmptyOpticalDrives(QList<TDriveInfo>& drives, const QStringList& opticalDevices,
                           const QMap<QString, QString>& overrides)
{
    auto sameDevice = [](const QString& a, const QString& b) {
        if (a == b)
            return true;
        const QString ca = QFileInfo(a).canonicalFilePath();
        return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
    };
    QSet<QChar> used;
    for (const TDriveInfo& d : drives)
        used.insert(d.letter);
    for (const QString& device : opticalDevices) {
        if (std::any_of(drives.begin(), drives.end(),
                        [&](const TDriveInfo& d) { return sameDevice(d.device, device); }))
            continue;  // a disc is in it and mounted
        TDriveInfo d;
        d.type = TDriveType::CDRom;
        d.device = device;
        const QString wanted = overrides.value(device);
        if (wanted.size() == 1 && wanted[0] >= u'D' && wanted[0] <= u'Z' && !used.contains(wanted[0]))
            d.letter = wanted[0];
        else
            for (char16_t l = u'D'; l <= u'Z' && d.letter.isNull(); ++l)
                if (!used.contains(QChar(l)))
                    d.letter = QChar(l);
        if (d.letter.isNull())
            continue;  // no letter left
        used.insert(d.letter);
        drives << d;
    }
    std::sort(drives.begin(), drives.end(),
              [](const TDriveInfo& a, const TDriveInfo& b) { return a.letter < b.letter; });
}

QList<TDriveInfo> ReadMountedDrives(const QByteArray& mountInfo, const TVolumeProbe& probe)
{
    QMap<QString, QString> fresh;
    const QMap<QString, QString> overrides = ReadRegistrySection(kRegistryDriveLettersKey);
    QList<TDriveInfo> drives =
        DrivesFromMountInfo(mountInfo, ReadRegistrySection(kRegistryDrivesKey), overrides, probe, &fresh);
    AddEmptyOpticalDrives(drives, OpticalDriveDevices(), overrides);
    if (!fresh.isEmpty() && QFileInfo(WindowsFolderLinuxPath()).isDir()) {
        try {
            TMemIniFile ini(RegistryFileLinuxPath());
            for (auto it = fresh.begin(); it != fresh.end(); ++it)
                ini.WriteString(QString::fromLatin1(kRegistryDrivesKey), it.key(), it.value());
            ini.UpdateFile();
        } catch (const std::exception&) {
            // Remembering is a convenience; the letters hold for this run anyway.
        }
    }
    return drives;
}

std::optional<TDriveInfo> TDriveMap::Drive(QChar letter)
{
    letter = letter.toUpper();
    for (const TDriveInfo& d : Drives())
        if (d.letter == letter)
            return d;
    return std::nullopt;
}

std::optional<TDriveInfo> TDriveMap::DriveOfLinuxPath(const QString& linuxPath)
{
    const QString path = QDir::cleanPath(linuxPath);
    std::optional<TDriveInfo> best;
    for (const TDriveInfo& d : Drives()) {
        if (!d.Ready())
            continue;
        const bool holds = d.root == u"/" || path == d.root || path.startsWith(d.root + u'/');
        if (holds && (!best || d.root.size() > best->root.size()))
            best = d;
    }
    return best;
}

std::optional<TDriveInfo> TDriveMap::DriveOfShare(const QString& server, const QString& share)
{
    const QString unc = QStringLiteral("\\\\") + server + u'\\' + share;
    const bool fake = !EnvPath("LUMADEX_DRIVE_TABLE").isEmpty();
    for (const TDriveInfo& d : Drives()) {
        if (d.type != TDriveType::Remote)
            continue;
        if (d.remoteName.compare(unc, Qt::CaseInsensitive) == 0)
            return d;
        if (fake && d.label.compare(share, Qt::CaseInsensitive) == 0)
            return d;
    }
    return std::nullopt;
}

void TDriveMap::Refresh()
{
    State& s = state();
    QMutexLocker lock(&s.mutex);
    s.valid = false;
}

void TDriveMap::SetVolumeProbe(TVolumeProbe probe)
{
    State& s = state();
    QMutexLocker lock(&s.mutex);
    s.probe = std::move(probe);
    s.valid = false;
}

bool TDriveMap::HasVolumeProbe() const
{
    return static_cast<bool>(const_cast<TDriveMap*>(this)->state().probe);
}
