#include "mainwindow/main_options.h"

#include "platform/core/file_utils.h"

namespace {

void ListeAusDatei(TStringList& liste, const QString& datei)
{
    if (!FileExists(datei))
        return;
    TStringList zeilen;
    zeilen.LoadFromFile(datei);
    // The files hold "text", TAB, index; the memo holds the texts.
    liste.Clear();
    for (int i = 0; i < zeilen.Count(); ++i)
        liste.Add(zeilen[i].section(QLatin1Char('\t'), 0, 0));
}

}  // namespace

void TProgrammOptionenStand::ReadPlayListFromMemo(const QString& gprFile) { ListeAusDatei(MemoGruppenListe, gprFile); }

void TProgrammOptionenStand::ReadQuellenFromMemo(const QString& qulFile) { ListeAusDatei(MemoQuellenListe, qulFile); }
