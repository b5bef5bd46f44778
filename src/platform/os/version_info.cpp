#include "platform/os/version_info.h"

#include "platform/core/win_path.h"
#include "platform/os/folders.h"

#include <QCoreApplication>
#include <QFileInfo>

QString ProgramVersion()
{
    return QStringLiteral(LUMADEX_VERSION);
}

int ProgramVersionMajor()
{
    return LUMADEX_VERSION_MAJOR;
}

int ProgramVersionMinor()
{
    // "1.50": the minor figure is written with two digits; "050" would be 50 too.
    return QString(QStringLiteral(LUMADEX_VERSION)).section(u'.', 1, 1).toInt();
}

bool ReadVersionInfo(const QString& module, TVersionType& info)
{
    info = TVersionType{};
    const QString name = ExtractFileName(module).isEmpty() ? QFileInfo(module).fileName()
                                                           : ExtractFileName(module);
    bool ours = module.isEmpty() || name.compare(u"LUMADEX.EXE", Qt::CaseInsensitive) == 0
                || name.compare(u"lumadex", Qt::CaseInsensitive) == 0;
    if (!ours && QCoreApplication::instance()) {
        const QString self = QCoreApplication::applicationFilePath();
        ours = module == self || WinToLinux(module).value_or(QString()) == self;
    }
    if (!ours)
        return false;
    const QString v = ProgramVersion();
    info.CompanyName = QString();
    info.FileDescription = QStringLiteral("QV-Lumadex Bildarchiv");
    info.FileVersion = v;
    info.InternalName = QStringLiteral("Lumadex");
    info.LegalCopyright = QString();
    info.LegalTradeMarks = QString();
    info.OriginalFileName = QStringLiteral("LUMADEX.EXE");
    info.ProductName = QStringLiteral("QV-Lumadex");
    info.ProductVersion = v;
    info.Comments = QString();
    return true;
}
