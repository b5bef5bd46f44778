#include "shared/routine_support.h"

#include <QCoreApplication>

#include "platform/core/win_path.h"
#include "platform/ui/forms.h"

void NachrichtenDurchlassen()
{
    Application->ProcessMessages();
}

bool AnwendungBeendet()
{
    return QCoreApplication::closingDown() || Application->Terminated();
}

TSanduhr::TSanduhr() : vorher_(Screen->Cursor())
{
    Screen->SetCursor(crHourGlass);
}

TSanduhr::~TSanduhr()
{
    Screen->SetCursor(vorher_);
}

std::optional<QString> LinuxPfad(const QString& winPfad)
{
    if (winPfad.isEmpty())
        return std::nullopt;
    return WinToLinux(winPfad);
}
