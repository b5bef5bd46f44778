#pragma once
// A file the export commands write: created (or emptied) at once, written
// bit by bit with each write handed to the system straight away, so a
// full disk shows at the write that meets it. Every failure raises
// EInOutError naming the file as the user knows it (Windows form).

#include <QByteArray>
#include <QFile>
#include <QString>

class TAusgabeDatei {
public:
    // winName: the file in Windows form (or a Linux path).
    explicit TAusgabeDatei(const QString& winName);
    ~TAusgabeDatei();
    TAusgabeDatei(const TAusgabeDatei&) = delete;
    TAusgabeDatei& operator=(const TAusgabeDatei&) = delete;

    void Schreibe(const QByteArray& bytes);
    // Closes the file; a failure of the last write raises.
    void Schliessen();

private:
    [[noreturn]] void Fehler();
    QString name_;
    QFile file_;
};
