#pragma once
// Finding an entry's picture file when its medium came back under another
// drive letter, and the path of a picture on the drive of an album kept on
// a write-protected CD. Used by the full-size viewer and the main window.

#include <QChar>
#include <QString>

// The first of "C:" to "Z:" under which the stored path names an existing
// file: L + ":" + p for a path starting with "\", L + p from its second
// character for a path with ":" as second character, else L + ":\" + p.
// Empty when no letter holds the file.
QString BildAufAnderemLaufwerk(const QString& pfad);

// The stored path moved onto the album's drive: the album's letter + ":" +
// the path from its third character (a path with ":") or + the path.
QString BildNameVonCDR(const QString& pfad, QChar albumLaufwerk);

struct TBildFund {
    QString Pfad;         // the path to use
    bool Vorhanden = false;  // the file exists
    bool ImBaum = false;     // found in the CD-R tree that holds the album
};

// The path of an entry's picture (steps shared by the viewer and the main
// window): a missing file is looked for under the other drive letters when
// the album's drive is no CD-ROM drive and `anderesLaufwerk` is set; a
// write-protected album on a CD-ROM drive takes its pictures from that
// drive, and a missing one there shows "Bild ... nicht gefunden!". An
// album of a CD-R tree finds a path from the root ("\DATA\PICS\A\X.JPG")
// in its own tree first, wherever the tree lies.
TBildFund BildDateiFinden(const QString& gespeicherterPfad, const QString& albumOrdner, bool schreibgeschuetzt,
                          bool anderesLaufwerk);
