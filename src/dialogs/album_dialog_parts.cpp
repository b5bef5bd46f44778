#include "dialogs/album_dialog_parts.h"

#include "platform/core/win_path.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/graphics.h"
#include "shared/nachrichten_dialog.h"
#include "storage/tdbe.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>

namespace {

// Decodes into the image at most at the image's size; an unreadable
// picture leaves the image empty.
void GelesenInFenster(TImage* bild, QImageReader& leser)
{
    const QSize groesse = leser.size();
    const QSize rahmen(std::max(bild->Width(), 1), std::max(bild->Height(), 1));
    if (groesse.isValid() && (groesse.width() > rahmen.width() || groesse.height() > rahmen.height()))
        leser.setScaledSize(groesse.scaled(rahmen, Qt::KeepAspectRatio));
    const QImage img = leser.read();
    if (img.isNull()) {
        bild->Picture()->SetGraphic(nullptr);
        return;
    }
    TBitmap b;
    b.SetImage(img);
    bild->Picture()->SetGraphic(&b);
}

}  // namespace

bool MemoBytes(TDbe* dbe, const QString& feld, QByteArray& bytes)
{
    bytes.clear();
    const long laenge = dbe->GetBlobLength(feld);
    if (laenge == 0)
        return true;
    char* memo = laenge > 0 ? dbe->GetMemo(feld) : nullptr;
    if (!memo)
        return false;
    bytes = QByteArray(memo, qsizetype(laenge));
    dbe->MemDealloc(memo);
    return true;
}

void VorschauAusBlobZeigen(TDbe* dbe, TImage* bild)
{
    if (!dbe || !dbe->IsActive() || dbe->Eof() || dbe->Empty(QStringLiteral("VORSCHAU")))
        return;
    QByteArray bytes;
    if (!MemoBytes(dbe, QStringLiteral("VORSCHAU"), bytes) || bytes.isEmpty()) {
        ShowMessage(QStringLiteral("Fehler beim Schreiben des Vorschaubildes aus Fotoalbum"));
        return;
    }
    QBuffer puffer(&bytes);
    QImageReader leser(&puffer);
    GelesenInFenster(bild, leser);
}

void BildInFenster(TImage* bild, const QString& datei)
{
    QImageReader leser(WinToLinux(datei).value_or(QString()));
    GelesenInFenster(bild, leser);
}

void AbschlussMeldung(int sekunden, TColor farbe, const QString& caption, const QString& text, int hoehe)
{
    NachrichtenDialog(caption, text, sekunden, hoehe, farbe, clBlack, true);
}
