#pragma once
// Pieces the copy/move and the delete dialog share: the current entry's
// thumbnail from its memo, the picture file of an entry, the timed closing
// message.

#include <QString>

class TDbe;
class TImage;
struct TAlbumDialogOptionen;

// Writes the current entry's VORSCHAU memo to "Vorschau.bmp" in the
// temporary folder and loads it into the image. An empty memo leaves the
// picture shown before; a failed write says "Fehler beim Schreiben des
// Vorschaubildes aus Fotoalbum".
void VorschauAusBlobZeigen(TDbe* dbe, const QString& tempOrdner, TImage* bild);

// Loads a picture file (Windows form) into the image, decoded at most at
// the image's size; an unreadable file leaves the image empty.
void BildInFenster(TImage* bild, const QString& datei);

// The timed message of the dialogs (info colour, black text, centred).
void AbschlussMeldung(const TAlbumDialogOptionen& optionen, const QString& caption, const QString& text, int hoehe);
