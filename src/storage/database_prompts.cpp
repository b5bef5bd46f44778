// The information boxes of the database bridge reach the user through the
// program's prompt service (an OK box), so tests script them like any other;
// the engine's waits for a busy album show on screen and stop on Esc or
// when the program is to end.

#include "platform/data/dbi.h"
#include "platform/dbf/lock_wait.h"
#include "platform/ui/forms.h"
#include "platform/ui/prompt_service.h"
#include "storage/database_bridge.h"

#include <QFile>
#include <QFileInfo>

namespace {

std::function<void(const QString&)>& WaitNotice()
{
    static std::function<void(const QString&)> notice;
    return notice;
}

// The album a wait is about: the table beside the index file.
QString AlbumOf(const std::string& indexPath)
{
    const QFileInfo index(QFile::decodeName(QByteArray::fromStdString(indexPath)));
    return index.completeBaseName() + QStringLiteral(".DBF");
}

std::function<bool()>& WaitStop()
{
    static std::function<bool()> stop;
    return stop;
}

}  // namespace

void SetAlbumWaitNotice(std::function<void(const QString& text)> notice) { WaitNotice() = std::move(notice); }

void SetAlbumWaitStop(std::function<bool()> stop) { WaitStop() = std::move(stop); }

void ConnectLockWaitToUser()
{
    dbf::SetLockWaitObserver([shown = false, before = crDefault](const dbf::LockWaitState& state) mutable {
        const auto& notice = WaitNotice();
        if (state.over) {
            if (shown) {
                Screen->SetCursor(before);
                if (notice)
                    notice(QString());
            }
            shown = false;
            return true;
        }
        // The program ends (or is to end): the album is left to the other
        // program at once, without letting events run.
        if (const auto& stop = WaitStop(); stop && stop())
            return false;
        if (!shown) {
            shown = true;
            before = Screen->Cursor();
            Screen->SetCursor(crHourGlass);
            if (notice)
                notice(QStringLiteral("Warte auf das Album %1, das ein anderes Programm gerade benutzt "
                                      "(Esc bricht ab) ...")
                           .arg(AlbumOf(state.file)));
        }
        return !Application->EscapePressed();
    });
}

void ConnectDatabaseInfoToPrompts()
{
    SetDatabaseInfoHandler([](const QString& text) {
        TPrompt prompt;
        prompt.Kind = TPromptKind::Box;
        prompt.Caption = QStringLiteral("Information");
        prompt.Text = text;
        prompt.Flags = MB_OK | MB_ICONINFORMATION;
        PromptService()->Show(prompt, nullptr);
    });
}
