#include "platform/os/sound.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <memory>

#include "platform/core/event_wait.h"
#include "platform/core/file_utils.h"
#include "platform/core/win_path.h"

namespace {

QStringList& FixedCommand()
{
    static QStringList command;
    return command;
}

bool PulseServerListens()
{
    if (!qEnvironmentVariableIsEmpty("PULSE_SERVER"))
        return true;
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + "/pulse/native");
}

bool AlsaPlaybackDevice()
{
    // Playback devices are /dev/snd/pcmC<card>D<device>p.
    const QStringList nodes = QDir("/dev/snd").entryList({"pcmC*p"}, QDir::System | QDir::Files);
    return !nodes.isEmpty();
}

// The one sound that plays, with its loop.
class TSoundPlayer {
public:
    ~TSoundPlayer() { Stop(); }

    bool Playing() const { return proc_ && proc_->state() != QProcess::NotRunning; }

    void Stop()
    {
        if (!proc_)
            return;
        std::unique_ptr<QProcess> p = std::move(proc_);
        p->disconnect();
        if (p->state() != QProcess::NotRunning) {
            p->kill();
            p->waitForFinished(2000);
        }
    }

    bool Start(const QStringList& command, const QString& file, bool loop)
    {
        Stop();
        command_ = command;
        file_ = file;
        loop_ = loop;
        return Launch();
    }

    // Waits for the sound that was just started; false when it failed or
    // was ended by another call meanwhile.
    bool Wait()
    {
        QProcess* p = proc_.get();
        if (!p)
            return false;
        if (!QCoreApplication::instance()) {
            p->waitForFinished(-1);
            return p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0;
        }
        // Events keep flowing while the sound plays; a play call from one of
        // them replaces the process, which ends this wait.
        while (proc_.get() == p && p->state() != QProcess::NotRunning) {
            LetEventsThrough(20);
            p->waitForFinished(10);
        }
        if (proc_.get() != p)
            return false;
        return p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0;
    }

private:
    bool Launch()
    {
        auto p = std::make_unique<QProcess>();
        p->setProgram(command_.first());
        p->setArguments(command_.mid(1) << file_);
        p->setStandardOutputFile(QProcess::nullDevice());
        p->setStandardErrorFile(QProcess::nullDevice());
        p->setStandardInputFile(QProcess::nullDevice());
        if (loop_) {
            QProcess* raw = p.get();
            QObject::connect(raw, &QProcess::finished, raw, [this, raw](int code, QProcess::ExitStatus status) {
                // Repeat only after a sound that played well, so a broken
                // file does not restart the player for ever.
                if (proc_.get() == raw && code == 0 && status == QProcess::NormalExit)
                    Relaunch();
            });
        }
        p->start();
        if (!p->waitForStarted(5000))
            return false;
        proc_ = std::move(p);
        return true;
    }

    void Relaunch()
    {
        // Called from the old process's signal: it may not be deleted here.
        QProcess* old = proc_.release();
        old->disconnect();
        old->deleteLater();
        Launch();
    }

    std::unique_ptr<QProcess> proc_;
    QStringList command_;
    QString file_;
    bool loop_ = false;
};

TSoundPlayer& Player()
{
    static TSoundPlayer player;
    return player;
}

}  // namespace

QStringList SoundPlayerCommand()
{
    if (!FixedCommand().isEmpty())
        return FixedCommand();
    if (PulseServerListens()) {
        QString paplay = QStandardPaths::findExecutable("paplay");
        if (!paplay.isEmpty())
            return {paplay};
    }
    if (AlsaPlaybackDevice()) {
        QString aplay = QStandardPaths::findExecutable("aplay");
        if (!aplay.isEmpty())
            return {aplay, "-q"};
    }
    return {};
}

void SetSoundPlayerCommand(const QStringList& command)
{
    FixedCommand() = command;
}

QString DefaultSoundFile()
{
    // aplay reads WAVE only; paplay also reads the desktop's Ogg sounds.
    QStringList candidates;
    QStringList command = SoundPlayerCommand();
    if (!command.isEmpty() && !QFileInfo(command.first()).fileName().startsWith("aplay"))
        candidates << "/usr/share/sounds/freedesktop/stereo/bell.oga"
                   << "/usr/share/sounds/freedesktop/stereo/dialog-information.oga";
    candidates << "/usr/share/sounds/alsa/Front_Center.wav";
    for (const QString& c : candidates)
        if (QFileInfo(c).isFile())
            return c;
    return {};
}

bool SoundPlaying()
{
    return Player().Playing();
}

bool PlaySound(const QString& fileName, unsigned flags)
{
    if (fileName.isEmpty()) {
        Player().Stop();
        return true;
    }
    const QStringList command = SoundPlayerCommand();
    if (command.isEmpty())
        return false;
    if ((flags & SND_NOSTOP) && Player().Playing())
        return false;

    QString file;
    if (FileExists(fileName))
        file = WinToLinux(fileName).value_or(fileName);
    else if (!(flags & SND_NODEFAULT))
        file = DefaultSoundFile();
    if (file.isEmpty())
        return false;

    // A loop only ends through the next call, so it never blocks the caller.
    bool loop = flags & SND_LOOP;
    bool async = (flags & SND_ASYNC) || loop;
    if (!Player().Start(command, file, loop))
        return false;
    return async ? true : Player().Wait();
}
