#include "shared/utility_files.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QThread>

#include "platform/core/drive_map.h"
#include "platform/core/file_utils.h"
#include "platform/core/ini_file.h"
#include "platform/core/win_path.h"
#include "platform/os/folders.h"
#include "platform/os/volumes.h"
#include "shared/picture_files.h"
#include "shared/routine_prompts.h"
#include "shared/routine_support.h"
#include "shared/utility_strings.h"

namespace {

bool HasWildcards(const QString& s)
{
    return s.contains(u'*') || s.contains(u'?');
}

}  // namespace

TDateTime qktFileDateTime(const QString& fileName)
{
    return FileDateTime(fileName);
}

bool qktFileHasAttr(const QString& fileName, int attrMask)
{
    const int attr = FileGetAttr(fileName);
    return attr != -1 && (attr & attrMask) == attrMask;
}

int64_t qktFileSize(const QString& fileNameOrMask)
{
    if (fileNameOrMask.isEmpty())
        return -1;
    TSearchRec rec;
    if (!HasWildcards(fileNameOrMask)) {
        const int64_t size = FindFirst(ExpandFileName(fileNameOrMask), faAnyFile, rec) == 0 ? rec.Size : -1;
        FindClose(rec);
        return size;
    }
    int64_t sum = -1;
    if (FindFirst(fileNameOrMask, faReadOnly | faHidden | faSysFile | faArchive, rec) == 0) {
        sum = 0;
        do {
            if (!(rec.Attr & faDirectory))
                sum += rec.Size;
        } while (FindNext(rec) == 0);
    }
    FindClose(rec);
    return sum;
}

bool qktMoveFileSafe(const QString& source, const QString& destination)
{
    if (BildDateiPruefen(source).Zustand != TDateiZustand::Da)
        return false;
    const QString target = ExpandFileName(destination);
    // Both names may stand for one file (the drive map matches names without
    // case); copying it onto itself would destroy it.
    if (GleicheDatei(source, target))
        return true;
    if (RenameFile(source, target))
        return true;
    if (qktFileHasAttr(source, faReadOnly))
        return false;

    ForceDirectories(ExtractFilePath(target));
    if (!DirectoryExists(ExtractFilePath(target)))
        return false;
    // A destination that holds the source's bytes already is the copy; the
    // source goes only when a verified copy stands in another file.
    if (!GleicherInhalt(source, target) && !BildKopieren(source, target, true))
        return false;
    return QuelleNachKopieLoeschen(source, target).Ok;
}

void qktFileFingerprint(const QString& fileName, QString& text)
{
    text.clear();
    const std::optional<QString> linux = LinuxPfad(fileName);
    if (!linux || !QFileInfo(*linux).isFile())
        return;
    TSanduhr sanduhr;
    QFile file(*linux);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(file.size() / 2))
        return;
    unsigned char b[3] = {0, 0, 0};
    if (file.read(reinterpret_cast<char*>(b), 3) < 0)
        return;
    text = QString::number(int(b[0]) + int(b[1]) - int(b[2]));
}

QString qktIniReadString(const QString& iniFileName, const QString& section, const QString& key,
                         const QString& def)
{
    try {
        TIniFile ini(iniFileName);
        return ini.ReadString(section, key, def);
    } catch (const std::exception&) {
        return def;
    }
}

void qktDelayMs(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        NachrichtenDurchlassen();
        QThread::msleep(1);
    }
}

namespace {

const QString kKillFehler = QStringLiteral("qktKillPath - Fehler : %1 kann nicht gelöscht werden");

bool IsDriveRoot(const QString& linuxPath)
{
    const QString clean = QDir::cleanPath(linuxPath);
    if (clean == QLatin1String("/"))
        return true;
    for (const TDriveInfo& d : TDriveMap::Instance().Drives())
        if (QDir::cleanPath(d.root) == clean)
            return true;
    return false;
}

// winFolder ends with "\"; linuxFolder is where it lies.
bool KillFolder(const QString& winFolder, const QString& linuxFolder)
{
    bool result = true;
    const QDir dir(linuxFolder);
    const QDir::Filters filter = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    // Subfolders first; a link to a folder is removed as a file below.
    for (const QFileInfo& entry : dir.entryInfoList(filter, QDir::Name)) {
        NachrichtenDurchlassen();
        if (entry.isDir() && !entry.isSymLink())
            if (!KillFolder(winFolder + entry.fileName() + u'\\', entry.filePath()))
                result = false;
    }
    for (const QFileInfo& entry : dir.entryInfoList(filter, QDir::Name)) {
        NachrichtenDurchlassen();
        if (entry.isDir() && !entry.isSymLink())
            continue;
        if (!entry.isSymLink())
            QFile::setPermissions(entry.filePath(), entry.permissions() | QFileDevice::WriteOwner);
        if (!QFile::remove(entry.filePath())) {
            RoutineMeldung(kKillFehler.arg(winFolder + entry.fileName()));
            result = false;
        }
    }
    if (!QDir().rmdir(linuxFolder)) {
        RoutineWarnung(QStringLiteral("qktKillPath - Verzeichnis %1 läßt sich nicht löschen")
                           .arg(winFolder.left(winFolder.size() - 1)));
        result = false;
    }
    return result;
}

}  // namespace

bool qktKillPath(const QString& folder)
{
    const QString winFolder = AddBackslash(folder);
    const std::optional<QString> linux = LinuxPfad(winFolder);
    if (winFolder.size() < 5 || !linux || IsDriveRoot(*linux)) {
        RoutineMeldung(kKillFehler.arg(folder));
        return false;
    }
    const QFileInfo info(*linux);
    if (info.isSymLink()) {
        // Only the link goes, never what it points to.
        if (QFile::remove(*linux))
            return true;
        RoutineMeldung(kKillFehler.arg(folder));
        return false;
    }
    return KillFolder(winFolder, *linux);
}

namespace {

bool CountsFile(const QFileInfo& file, const QString& masks, bool allFiles, int minimum, int maximum)
{
    if (!allFiles && !qktMatchesMaskList(UpperCase(file.fileName()), masks))
        return false;
    if (minimum == 0 && maximum == 0)
        return true;
    const qint64 k = file.size() / 1000;
    return minimum <= k && k <= maximum;
}

int CountIn(const QString& linuxFolder, const QString& masks, bool allFiles, bool recursive,
            int minimum, int maximum, QSet<QString>& visited)
{
    if (AnwendungBeendet())
        return 0;
    // A link may lead back up the tree; each real folder is counted once.
    const QString canonical = QFileInfo(linuxFolder).canonicalFilePath();
    if (canonical.isEmpty() || visited.contains(canonical))
        return 0;
    visited.insert(canonical);

    const QDir dir(linuxFolder);
    int count = 0;
    if (recursive) {
        for (const QFileInfo& sub : dir.entryInfoList(QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
            count += CountIn(sub.filePath(), masks, allFiles, true, minimum, maximum, visited);
            NachrichtenDurchlassen();
            if (AnwendungBeendet())
                return count;
        }
    }
    for (const QFileInfo& file : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name)) {
        NachrichtenDurchlassen();
        if (AnwendungBeendet())
            return count;
        if (CountsFile(file, masks, allFiles, minimum, maximum))
            ++count;
    }
    return count;
}

}  // namespace

int qktCountFiles(const QString& folder, const QString& maskList, bool recursive, int minimum,
                  int maximum)
{
    TSanduhr sanduhr;
    const QString masks = UpperCase(maskList);
    const std::optional<QString> linux = LinuxPfad(AddBackslash(folder));
    if (!linux)
        return 0;
    QSet<QString> visited;
    const bool allFiles = qktMatchesMaskList(QStringLiteral("*.*"), masks);
    return CountIn(*linux, masks, allFiles, recursive, minimum, maximum, visited);
}

void GetSpecialFolderPath(QString& path)
{
    path = DesktopFolder();
    if (!path.isEmpty())
        path = AddBackslash(path);
}

namespace {

struct TVolumeQuery {
    bool ok = false;
    QString serialText;
    QString label;
    bool remote = false;
};

// What the system says about the drive's root; ok false when the drive is
// unknown or its medium cannot be read (an empty CD drive).
TVolumeQuery QueryVolume(const QString& drive)
{
    TVolumeQuery q;
    if (drive.isEmpty())
        return q;
    const QString root = QString(drive.at(0)) + QStringLiteral(":\\");
    uint32_t serial = 0;
    if (!GetVolumeInformation(root, q.label, serial))
        return q;
    q.ok = true;
    q.serialText = QString::number(static_cast<qint32>(serial));
    q.label = AnsiUpperCase(q.label);
    q.remote = GetDriveType(root) == TDriveType::Remote;
    return q;
}

// The serial, or the label for a medium without one.
QString SerialOrLabel(const TVolumeQuery& q)
{
    return q.serialText == QLatin1String("0") ? q.label : q.serialText;
}

}  // namespace

QString qktGetVolumeSerialOrLabel(const QString& drive)
{
    const TVolumeQuery q = QueryVolume(drive);
    if (!q.ok)
        return QString();
    return SerialOrLabel(q);
}

QString qktGetVolumeId(const QString& drive)
{
    const TVolumeQuery q = QueryVolume(drive);
    if (!q.ok)
        return QString();
    return q.remote ? q.label : q.serialText;
}

QString qktGetVolumeLabel(const QString& drive)
{
    const TVolumeQuery q = QueryVolume(drive);
    if (!q.ok)
        return QString();
    return q.label.isEmpty() ? SerialOrLabel(q) : q.label;
}
