#include "platform/os/shell.h"

#include "platform/core/event_wait.h"
#include "platform/core/exceptions.h"
#include "platform/core/file_utils.h"
#include "platform/core/win_path.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

namespace {

QString Linux(const QString& path)
{
    return WinToLinux(path).value_or(QString());
}

// A program name: a path (Windows form or Linux) or a name on PATH.
QString ResolveProgram(const QString& program)
{
    if (program.contains(u'\\') || program.contains(u'/') || program.contains(u':')) {
        const QString l = Linux(program);
        return QFileInfo(l).isFile() ? l : QString();
    }
    return QStandardPaths::findExecutable(program);
}

// Waits for a started process while events go through, for at most
// timeoutMs (0: without end). The process may end while the events run;
// then waitForFinished answers false, so its state decides.
bool WaitLettingEventsThrough(QProcess& p, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (p.state() != QProcess::NotRunning && !p.waitForFinished(20)) {
        if (timeoutMs > 0 && timer.elapsed() > timeoutMs)
            return false;
        LetEventsThrough(20);
    }
    return true;
}

bool IsExecutableFile(const QString& linuxPath)
{
    QFileInfo fi(linuxPath);
    return fi.isFile() && fi.isExecutable();
}

bool IsUrl(const QString& s)
{
    static const QStringList schemes = {"http:", "https:", "ftp:", "mailto:", "file:"};
    for (const QString& sc : schemes)
        if (s.startsWith(sc, Qt::CaseInsensitive))
            return true;
    return false;
}

bool StartOpener(const QString& target)
{
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    return !opener.isEmpty() && QProcess::startDetached(opener, {target});
}

// Ended (or gone) when /proc has no live entry for the pid.
bool ProcessEnded(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray s = stat.readAll();
    const qsizetype close = s.lastIndexOf(')');
    return close < 0 || close + 2 >= s.size() || s[close + 2] == 'Z' || s[close + 2] == 'X';
}

// Desktop-entry Exec quoting of one argument.
QString ExecQuote(const QString& arg)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool quote = arg.isEmpty();
    for (QChar c : arg)
        if (reserved.contains(c))
            quote = true;
    QString a = arg;
    a.replace(u'%', QStringLiteral("%%"));
    if (!quote)
        return a;
    QString q;
    for (QChar c : a) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            q += u'\\';
        q += c;
    }
    return u'"' + q + u'"';
}

// Escapes for a desktop-entry string value.
QString DesktopValue(const QString& s)
{
    QString out;
    for (QChar c : s) {
        if (c == u'\\') out += QStringLiteral("\\\\");
        else if (c == u'\n') out += QStringLiteral("\\n");
        else if (c == u'\t') out += QStringLiteral("\\t");
        else if (c == u'\r') out += QStringLiteral("\\r");
        else out += c;
    }
    return out;
}

}  // namespace

QStringList SplitCommandLine(const QString& commandLine)
{
    QStringList out;
    QString cur;
    bool inQuotes = false, any = false;
    for (QChar c : commandLine) {
        if (c == u'"') {
            inQuotes = !inQuotes;
            any = true;
        } else if ((c == u' ' || c == u'\t') && !inQuotes) {
            if (any)
                out << cur;
            cur.clear();
            any = false;
        } else {
            cur += c;
            any = true;
        }
    }
    if (any)
        out << cur;
    for (QString& a : out)
        if (IsAbsoluteWinPath(a))
            a = WinToLinux(a).value_or(a);
    return out;
}

int ShellExecute(const QString& file, const QString& parameters, const QString& folder, int showCmd)
{
    if (file.isEmpty())
        return 2;
    if (IsUrl(file))
        return StartOpener(file) ? 42 : 31;
    QString l = Linux(file);
    if (l.isEmpty() || !QFileInfo::exists(l)) {
        const QString onPath = file.contains(u'\\') ? QString() : QStandardPaths::findExecutable(file);
        if (onPath.isEmpty())
            return QFileInfo(l).dir().exists() ? 2 : 3;
        l = onPath;
    }
    if (IsExecutableFile(l)) {
        const QString dir = folder.isEmpty() ? QString() : Linux(folder);
        return QProcess::startDetached(l, SplitCommandLine(parameters), dir) ? 42 : 31;
    }
    return StartOpener(l) ? 42 : 31;
}

QString DefaultApplication(const QString& mimeType)
{
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty())
        return QString();
    QProcess p;
    p.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), mimeType});
    if (!p.waitForFinished(3000)) {
        p.kill();
        p.waitForFinished(1000);
        return QString();
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

QString FindAssociatedApplication(const QString& document)
{
    const QString l = Linux(document);
    if (l.isEmpty() || !QFileInfo::exists(l))
        return QString();
    return DefaultApplication(QMimeDatabase().mimeTypeForFile(l).name());
}

bool OpenWithAssociated(const QString& document)
{
    const QString l = Linux(document);
    if (l.isEmpty() || !QFileInfo::exists(l))
        return false;
    return StartOpener(l);
}

bool OpenAsText(const QString& document)
{
    const QString l = Linux(document);
    if (l.isEmpty() || !QFileInfo(l).isFile())
        return false;
    const QString viewer = DefaultApplication(QStringLiteral("text/plain"));
    if (viewer.isEmpty())
        return false;
    // The desktop entry's own launcher fills in its command line, terminal
    // and all, so the file's name decides nothing.
    const QString entry = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, viewer);
    const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
    if (entry.isEmpty() || gio.isEmpty())
        return false;
    // The launcher ends once the viewer started; its exit code tells
    // whether it could (a terminal program without a terminal cannot).
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(gio, {QStringLiteral("launch"), entry, l});
    if (!p.waitForStarted(10000))
        return false;
    if (!WaitLettingEventsThrough(p, 10000)) {
        p.kill();
        p.waitForFinished(1000);
        return false;
    }
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

int RunAndWait(const QString& commandLine, bool wait)
{
    QStringList args = SplitCommandLine(commandLine);
    if (args.isEmpty())
        return -1;
    const QString program = ResolveProgram(args.takeFirst());
    if (program.isEmpty())
        return -1;
    if (!wait)
        return QProcess::startDetached(program, args) ? 0 : -1;
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(program, args);
    if (!p.waitForStarted(10000))
        return -1;
    WaitLettingEventsThrough(p, 0);
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

bool StartAndWait(const QString& program, const QString& commandLine,
                  const QString& workingFolder, int timeoutMs)
{
    QStringList args = SplitCommandLine(commandLine);
    QString prog = program;
    if (prog.isEmpty()) {
        if (args.isEmpty())
            return false;
        prog = args.takeFirst();
    } else if (!args.isEmpty()
               && QFileInfo(args.first()).fileName().compare(
                      QFileInfo(Linux(prog).isEmpty() ? prog : Linux(prog)).fileName(),
                      Qt::CaseInsensitive) == 0) {
        args.removeFirst();  // the command line repeats the program's name
    }
    const QString exe = ResolveProgram(prog);
    if (exe.isEmpty())
        return false;
    const QString dir = workingFolder.isEmpty() ? QString() : Linux(workingFolder);
    if (!workingFolder.isEmpty() && !QFileInfo(dir).isDir())
        return false;
    // Detached, so a program still running after the time-out keeps running.
    qint64 pid = 0;
    if (!QProcess::startDetached(exe, args, dir, &pid) || pid <= 0)
        return false;
    QElapsedTimer timer;
    timer.start();
    while (!ProcessEnded(pid)) {
        if (timeoutMs > 0 && timer.elapsed() >= timeoutMs)
            break;
        LetEventsThrough(20);
        QThread::msleep(10);
    }
    return true;
}

QString ShortcutFileName(const QString& folder, const QString& linkName)
{
    return IncludeTrailingBackslash(folder) + linkName + QStringLiteral(".desktop");
}

bool CreateShortcut(const QString& target, const QString& linkName, const QString& arguments,
                    const QString& folder)
{
    const QString exe = Linux(target);
    if (exe.isEmpty() || !QFileInfo(exe).isFile())
        return false;
    if (!DirectoryExists(folder) && !ForceDirectories(folder))
        return false;
    if (!DirectoryExists(folder))
        return false;
    QString exec = ExecQuote(exe);
    for (const QString& a : SplitCommandLine(arguments))
        exec += u' ' + ExecQuote(a);
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Version=1.0\n"
                                        "Name=%1\n"
                                        "Exec=%2\n"
                                        "Path=%3\n"
                                        "Terminal=false\n")
                             .arg(DesktopValue(linkName), DesktopValue(exec),
                                  DesktopValue(QFileInfo(exe).absolutePath()));
    const QString file = ShortcutFileName(folder, linkName);
    try {
        WriteFileAtomic(file, text.toUtf8());
    } catch (const Exception&) {
        return false;
    }
    // Launchers only run desktop entries that are executable.
    const auto l = WinToLinux(file);
    if (l)
        QFile::setPermissions(*l, QFile::permissions(*l) | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    return FileExists(file);
}
