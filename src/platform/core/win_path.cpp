#include "platform/core/win_path.h"

#include "platform/core/drive_map.h"
#include "platform/core/exceptions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

bool IsLetter(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

// Fold "." and ".." (never above the start).
QStringList FoldComponents(const QStringList& parts)
{
    QStringList out;
    for (const QString& p : parts) {
        if (p.isEmpty() || p == u".")
            continue;
        if (p == u"..") {
            if (!out.isEmpty())
                out.removeLast();
            continue;
        }
        out << p;
    }
    return out;
}

// Appends the components to a Linux base folder: exact name first, then the
// first case-insensitive match; once a component is missing the rest is
// appended as written.
QString ResolveUnder(const QString& base, const QStringList& components)
{
    QString cur = base;
    bool resolving = true;
    for (const QString& comp : components) {
        QString next = (cur.endsWith(u'/') ? cur : cur + u'/') + comp;
        if (resolving && !QFileInfo::exists(next)) {
            QDir dir(cur);
            const QStringList names =
                dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                              QDir::Name);
            QString match;
            for (const QString& n : names)
                if (n.compare(comp, Qt::CaseInsensitive) == 0) {
                    match = n;
                    break;
                }
            if (match.isEmpty())
                resolving = false;
            else
                next = (cur.endsWith(u'/') ? cur : cur + u'/') + match;
        }
        cur = next;
    }
    return cur;
}

QString CurrentLinuxDir()
{
    return QDir::cleanPath(QDir::currentPath());
}

}  // namespace

bool IsAbsoluteWinPath(const QString& path)
{
    if (path.size() >= 3 && IsLetter(path[0]) && path[1] == u':'
        && (path[2] == u'\\' || path[2] == u'/'))
        return true;
    return path.startsWith(u"\\\\");
}

QChar DriveLetterOf(const QString& winPath)
{
    if (winPath.size() >= 2 && IsLetter(winPath[0]) && winPath[1] == u':')
        return winPath[0].toUpper();
    return QChar();
}

std::optional<QString> WinToLinux(const QString& winPath)
{
    if (winPath.startsWith(u'/') && !winPath.startsWith(u"//")) {
        // Already a Linux path.
        return ResolveUnder(QStringLiteral("/"), FoldComponents(winPath.split(u'/')));
    }
    QString p = winPath;
    p.replace(u'/', u'\\');
    // The extended-length prefix Windows uses for long paths.
    if (p.startsWith(u"\\\\?\\UNC\\", Qt::CaseInsensitive))
        p = QStringLiteral("\\\\") + p.mid(8);
    else if (p.startsWith(u"\\\\?\\"))
        p = p.mid(4);
    TDriveMap& map = TDriveMap::Instance();

    if (p.startsWith(u"\\\\")) {
        QStringList parts = p.mid(2).split(u'\\');
        if (parts.size() < 2 || parts[0].isEmpty() || parts[1].isEmpty())
            return std::nullopt;
        auto drive = map.DriveOfShare(parts[0], parts[1]);
        if (!drive)
            return std::nullopt;
        return ResolveUnder(drive->root, FoldComponents(parts.mid(2)));
    }

    const QString cwd = CurrentLinuxDir();
    QChar letter = DriveLetterOf(p);
    QString rest = p;
    std::optional<TDriveInfo> drive;
    if (!letter.isNull()) {
        drive = map.Drive(letter);
        if (!drive || !drive->Ready())
            return std::nullopt;  // no such drive, or no medium in it
        rest = p.mid(2);
    } else {
        drive = map.DriveOfLinuxPath(cwd);
    }
    if (rest.startsWith(u'\\') || !drive) {
        if (!drive)
            return std::nullopt;
        return ResolveUnder(drive->root, FoldComponents(rest.split(u'\\')));
    }
    // Relative: to the current folder when it lies on that drive, else the drive root.
    auto cwdDrive = map.DriveOfLinuxPath(cwd);
    QStringList base;
    if (cwdDrive && cwdDrive->letter == drive->letter) {
        QString relCwd = cwd.mid(drive->root == u"/" ? 0 : drive->root.size());
        base = relCwd.split(u'/', Qt::SkipEmptyParts);
    }
    return ResolveUnder(drive->root, FoldComponents(base + rest.split(u'\\')));
}

std::optional<QByteArray> WinToLinuxName(const QString& winPath)
{
    const std::optional<QString> linuxPath = WinToLinux(winPath);
    if (!linuxPath)
        return std::nullopt;
    return QFile::encodeName(*linuxPath);
}

QString WinToLinuxOrThrow(const QString& winPath)
{
    auto p = WinToLinux(winPath);
    if (!p) {
        QString drive = winPath.startsWith(u"\\\\") ? winPath.section(u'\\', 0, 3)
                                                    : ExtractFileDrive(winPath);
        throw EPathError(QStringLiteral("Laufwerk %1 ist nicht vorhanden (Pfad \"%2\")")
                             .arg(drive, winPath));
    }
    return *p;
}

std::optional<QString> LinuxToWin(const QString& linuxPath)
{
    QString path = linuxPath;
    if (!path.startsWith(u'/'))
        path = CurrentLinuxDir() + u'/' + path;
    path = QDir::cleanPath(path);
    auto drive = TDriveMap::Instance().DriveOfLinuxPath(path);
    if (!drive)
        return std::nullopt;
    QString rel = drive->root == u"/" ? path.mid(1) : path.mid(drive->root.size() + 1);
    // A "\" inside a Linux name has no Windows form.
    if (rel.contains(u'\\'))
        return std::nullopt;
    return QString(drive->letter) + QStringLiteral(":\\") + rel.replace(u'/', u'\\');
}

QString LinuxToWinOrSelf(const QString& linuxPath)
{
    return LinuxToWin(linuxPath).value_or(linuxPath);
}

QString GetCurrentDir()
{
    return LinuxToWinOrSelf(CurrentLinuxDir());
}

bool SetCurrentDir(const QString& winPath)
{
    auto p = WinToLinux(winPath);
    return p && QDir::setCurrent(*p);
}

QString ExpandFileName(const QString& winPath)
{
    QString p = winPath;
    p.replace(u'/', u'\\');
    QString prefix;
    QString rest;
    if (p.startsWith(u"\\\\")) {
        QStringList parts = p.mid(2).split(u'\\');
        prefix = QStringLiteral("\\\\") + parts.value(0) + u'\\' + parts.value(1);
        rest = parts.mid(2).join(u'\\');
    } else if (!DriveLetterOf(p).isNull()) {
        prefix = QString(DriveLetterOf(p)) + u':';
        rest = p.mid(2);
        if (!rest.startsWith(u'\\')) {
            const QString cur = GetCurrentDir();
            if (DriveLetterOf(cur) == DriveLetterOf(p))
                rest = cur.mid(2) + u'\\' + rest;
        }
    } else {
        const QString cur = GetCurrentDir();
        prefix = ExtractFileDrive(cur);
        rest = p.startsWith(u'\\') ? p : cur.mid(prefix.size()) + u'\\' + p;
    }
    const QStringList parts = FoldComponents(rest.split(u'\\'));
    QString out = prefix + u'\\' + parts.join(u'\\');
    if (p.endsWith(u'\\') && !out.endsWith(u'\\'))
        out += u'\\';
    return out;
}

QString IncludeTrailingBackslash(const QString& s)
{
    return s.endsWith(u'\\') ? s : s + u'\\';
}

QString ExcludeTrailingBackslash(const QString& s)
{
    return s.endsWith(u'\\') ? s.left(s.size() - 1) : s;
}

namespace {

qsizetype LastDelimiter(const QString& s, const QString& delims)
{
    for (qsizetype i = s.size() - 1; i >= 0; --i)
        if (delims.contains(s[i]))
            return i;
    return -1;
}

}  // namespace

QString ExtractFilePath(const QString& s)
{
    return s.left(LastDelimiter(s, QStringLiteral("\\:")) + 1);
}

QString ExtractFileDir(const QString& s)
{
    qsizetype i = LastDelimiter(s, QStringLiteral("\\:"));
    if (i > 0 && s[i] == u'\\' && s[i - 1] != u'\\' && s[i - 1] != u':')
        --i;
    return s.left(i + 1);
}

QString ExtractFileName(const QString& s)
{
    return s.mid(LastDelimiter(s, QStringLiteral("\\:")) + 1);
}

QString ExtractFileExt(const QString& s)
{
    qsizetype i = LastDelimiter(s, QStringLiteral(".\\:"));
    return i >= 0 && s[i] == u'.' ? s.mid(i) : QString();
}

QString ExtractFileDrive(const QString& s)
{
    if (!DriveLetterOf(s).isNull())
        return s.left(2);
    if (s.startsWith(u"\\\\")) {
        qsizetype server = s.indexOf(u'\\', 2);
        if (server < 0)
            return QString();
        qsizetype share = s.indexOf(u'\\', server + 1);
        return share < 0 ? s : s.left(share);
    }
    return QString();
}

QString ChangeFileExt(const QString& s, const QString& ext)
{
    qsizetype i = LastDelimiter(s, QStringLiteral(".\\:"));
    if (i < 0 || s[i] != u'.')
        i = s.size();
    return s.left(i) + ext;
}
