#pragma once
// Pieces the copy/move and the delete dialog share: the current entry's
// thumbnail from its memo, the picture file of an entry, the timed closing
// message.

#include "platform/ui/framework_types.h"

#include <QByteArray>
#include <QString>

class TDbe;
class TImage;

// The bytes of the current entry's memo in the field (empty for none);
// false when the memo cannot be read.
bool MemoBytes(TDbe* dbe, const QString& feld, QByteArray& bytes);

// Decodes the current entry's VORSCHAU memo into the image, in memory. An
// empty memo leaves the picture shown before; a memo that cannot be read
// says "Fehler beim Schreiben des Vorschaubildes aus Fotoalbum".
void VorschauAusBlobZeigen(TDbe* dbe, TImage* bild);

// Loads a picture file (Windows form) into the image, decoded at most at
// the image's size; an unreadable file leaves the image empty.
void BildInFenster(TImage* bild, const QString& datei);

// The timed message of the dialogs (black text on `farbe`, centred), shown
// for `sekunden`.
void AbschlussMeldung(int sekunden, TColor farbe, const QString& caption, const QString& text, int hoehe);
