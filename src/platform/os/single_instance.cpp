#include "platform/os/single_instance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace {

QString RuntimeFolder()
{
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder;
}

}  // namespace

TSingleInstance::TSingleInstance(const QString& title)
    : path_(RuntimeFolder() + u'/' + title + QStringLiteral(".lock"))
{
}

TSingleInstance::~TSingleInstance()
{
    if (server_)
        server_->close();
}

QString TSingleInstance::Anfrage(const QByteArray& request, int timeoutMs) const
{
    QLocalSocket socket;
    socket.connectToServer(path_);
    if (!socket.waitForConnected(timeoutMs))
        return QString();
    socket.write(request);
    if (!socket.waitForBytesWritten(timeoutMs))
        return QString();
    QByteArray answer;
    while (!answer.contains('\n')) {
        if (!socket.waitForReadyRead(timeoutMs))
            return QString();
        answer += socket.readAll();
    }
    return QString::fromLatin1(answer.left(answer.indexOf('\n'))).trimmed();
}

bool TSingleInstance::AndereKopieLaeuft(int timeoutMs) const
{
    return !Anfrage("PING\n", timeoutMs).isEmpty();
}

QString TSingleInstance::AndereKopieAktivieren(int timeoutMs) const
{
    return Anfrage("RAISE\n", timeoutMs);
}

bool TSingleInstance::Lauschen(std::function<bool()> onActivate)
{
    onActivate_ = std::move(onActivate);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(path_)) {
        // A socket file without a copy behind it (one that crashed).
        if (AndereKopieLaeuft(500))
            return false;
        QLocalServer::removeServer(path_);
        if (!server_->listen(path_))
            return false;
    }
    QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(), [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
                if (!socket->canReadLine())
                    return;
                const QByteArray request = socket->readLine().trimmed();
                bool shown = false;
                if (request == "RAISE" && onActivate_)
                    shown = onActivate_();
                else if (request == "PING")
                    shown = true;
                socket->write(request == "PING" ? "PONG\n" : shown ? "SHOWN\n" : "STARTING\n");
                socket->flush();
            });
        }
    });
    return true;
}
