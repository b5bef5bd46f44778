#include "shared/utility_shell.h"

#include "platform/core/file_utils.h"
#include "shared/routine_prompts.h"
#include "shared/routine_support.h"
#include "shared/utility_files.h"

int qktShellExec(const QString& file, const QString& parameters, const QString& folder, int showCmd)
{
    const int result = ShellExecute(file, parameters, folder, showCmd);
    if (result < 33)
        RoutineMeldung(QStringLiteral("Fehler beim Programm-Aufruf"));
    return result;
}

bool qktOpenWithAssociated(const QString& document)
{
    TSanduhr sanduhr;
    if (!FileExists(document) || FindAssociatedApplication(document).isEmpty()) {
        RoutineBestaetigung(QStringLiteral("Verknüpfung nicht gefunden"));
        return false;
    }
    if (!OpenWithAssociated(document)) {
        RoutineBestaetigung(QStringLiteral("Fehler bei Programmaufruf"));
        return false;
    }
    return true;
}

int qktRunAndWait(const QString& commandLine, int /*showCmd: every process gets its own window here*/, bool wait)
{
    return RunAndWait(commandLine, wait);
}

bool qktEnsureShortcut(const QString& target, const QString& linkName)
{
    try {
        if (!FileExists(target))
            return false;
        QString desktop;
        GetSpecialFolderPath(desktop);
        if (desktop.isEmpty())
            return false;
        if (FileExists(ShortcutFileName(desktop, linkName)))
            return true;
        return CreateShortcut(target, linkName, QString(), desktop);
    } catch (...) {
        return false;
    }
}
