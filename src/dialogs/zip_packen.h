#pragma once
// Packs the files of a mask into a zip archive through the zip component,
// with the shared progress window showing source and archive: the archive
// is updated when it exists and made when it does not. The ASCII export
// and the album backup pack this way.

#include <QString>
#include <QStringList>

// True on success; a failure of the zip library shows "Fehler beim Packen
// im ZIP_UPDATE-Aufruf !" (or ZIP_ADD) and gives false. mitZweiterAnzeige
// shows the progress window's second gauge too.
bool PackDateien(const QString& maske, const QString& archiv, bool mitZweiterAnzeige = true);
// Packs exactly the named files, stored under their names alone (no folders).
bool PackDateien(const QStringList& dateien, const QString& archiv, bool mitZweiterAnzeige = true);
