#include "dialogs/zip_packen.h"

#include <QFile>

#include "platform/core/win_path.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/forms.h"
#include "shared/status4_form.h"
#include "shared/zip_file.h"

namespace {

bool Packen(const QString& items, const QString& anzeige, const QString& archiv, bool mitZweiterAnzeige,
            bool ohneOrdner)
{
    Screen->SetCursor(crHourGlass);
    TZipFile zip(nullptr);
    zip.lpszZipFile.SetText(archiv);
    zip.lpszItemList.SetText(items);
    if (ohneOrdner)
        zip.Options.Include(NoDirectoryNamesFlag);
    TStatus4Frm status(nullptr);
    status.SetCaption(QStringLiteral("Packe Datei(en)....Bitte warten..."));
    status.Label1->SetCaption(QStringLiteral("Von ") + anzeige);
    status.Label2->SetVisible(true);
    status.Label2->SetCaption(QStringLiteral("Nach ") + archiv);
    status.QKGauge1->SetProgress(0);
    status.QKGauge2->SetProgress(0);
    status.QKGauge2->SetVisible(mitZweiterAnzeige);
    zip.OnMinorCallback = [&status](const QString&, int32_t prozent, bool&) {
        status.QKGauge1->SetProgress(prozent);
        Application->ProcessMessages();
    };
    status.Show();
    const auto linux = WinToLinux(archiv);
    const bool update = linux && QFile::exists(*linux);
    const bool ok = zip.Execute(update ? 3 : 4);
    status.Hide();
    Screen->SetCursor(crDefault);
    if (!ok)
        MessageDlg(update ? QStringLiteral("Fehler beim Packen im ZIP_UPDATE-Aufruf !")
                          : QStringLiteral("Fehler beim Packen im ZIP_ADD-Aufruf !"),
                   mtWarning, {mbOK});
    return ok;
}

}  // namespace

bool PackDateien(const QString& maske, const QString& archiv, bool mitZweiterAnzeige)
{
    return Packen(maske, maske, archiv, mitZweiterAnzeige, false);
}

bool PackDateien(const QStringList& dateien, const QString& archiv, bool mitZweiterAnzeige)
{
    if (dateien.isEmpty())
        return true;
    return Packen(dateien.join(u'\n'), dateien.first(), archiv, mitZweiterAnzeige, true);
}
