#pragma once
// One running copy of the program per user. The first copy listens on a
// local socket in the user's runtime folder, named after the application
// title; a later start finds it there, asks it to restore and raise its
// window, and ends. A socket left behind by a copy that crashed does not
// count: only a copy that answers is running.

#include <QString>

#include <functional>
#include <memory>

class QLocalServer;

class TSingleInstance {
public:
    // title: the text that identifies the program ("QV-Lumadex v1.50").
    explicit TSingleInstance(const QString& title);
    ~TSingleInstance();
    TSingleInstance(const TSingleInstance&) = delete;
    TSingleInstance& operator=(const TSingleInstance&) = delete;

    // The socket's file (runtime folder + "/" + title + ".lock").
    QString SocketPath() const { return path_; }

    // True when a running copy answers within timeoutMs.
    bool AndereKopieLaeuft(int timeoutMs = 3000) const;
    // Asks the running copy to restore and raise its window; gives its
    // answer ("SHOWN" when its main window is up, "STARTING" while it still
    // starts), empty when no copy answered within timeoutMs.
    QString AndereKopieAktivieren(int timeoutMs = 5000) const;

    // Starts answering later starts. onActivate restores and raises the
    // main window and tells whether it is shown. False when the socket
    // cannot be made (the program then runs without the check).
    bool Lauschen(std::function<bool()> onActivate);

private:
    QString Anfrage(const QByteArray& request, int timeoutMs) const;
    QString path_;
    std::unique_ptr<QLocalServer> server_;
    std::function<bool()> onActivate_;
};
