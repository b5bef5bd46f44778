#include "shared/app_exception.h"

#include <QFile>

#include "platform/core/exceptions.h"
#include "platform/core/sys_utils.h"
#include "platform/core/win1252.h"
#include "platform/core/win_path.h"
#include "platform/os/folders.h"
#include "platform/ui/forms.h"

namespace {

// Windows-1252 bytes of a log line; a character the code page cannot hold
// is written as "<U+XXXX>", so the entry keeps it readable and exact.
QByteArray LogBytes(const QString& text)
{
    QByteArray out;
    for (QChar c : text) {
        if (auto b = Win1252EncodeChar(c.unicode()))
            out.append(char(*b));
        else
            out.append(QString("<U+%1>").arg(c.unicode(), 4, 16, QChar('0')).toUpper().toLatin1());
    }
    return out;
}

}  // namespace

QString DefaultErrorLogName() { return ProgramFolder() + "LumadexLog.txt"; }

TAppException::~TAppException()
{
    BeginDestroy();
    if (installed_)
        Application->OnException = nullptr;
}

void TAppException::SetErrorLog(const QString& v)
{
    if (v != errorLog_)
        errorLog_ = v;
}

void TAppException::SetUserName(const QString& v)
{
    if (v != userName_)
        userName_ = v;
}

void TAppException::Install()
{
    Application->OnException = [this](TObject* Sender, const std::exception& E) { HandleException(Sender, E); };
    installed_ = true;
}

bool TAppException::WriteEntry(const QString& message)
{
    if (errorLog_.isEmpty())
        return false;
    std::optional<QString> path = WinToLinux(errorLog_);
    if (!path)
        return false;
    QFile file(*path);
    // Append; when that fails, create the file anew.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) && !file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QString entry;
    if (!userName_.isEmpty())
        entry += "User: " + userName_ + "\r\n";
    entry += DateTimeToStr(Now()) + "\r\n";
    entry += message + "\r\n";
    entry += "\r\n";
    QByteArray bytes = LogBytes(entry);
    bool ok = file.write(bytes) == bytes.size();
    file.close();
    return ok;
}

void TAppException::HandleException(TObject* Sender, const std::exception& E)
{
    auto* ex = dynamic_cast<const Exception*>(&E);
    WriteEntry(ex ? ex->Message : QString::fromUtf8(E.what()));
    Application->ShowException(E);
}
