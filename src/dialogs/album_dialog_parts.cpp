#include "dialogs/album_dialog_parts.h"

#include "dialogs/album_dialog_host.h"
#include "platform/core/win_path.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/graphics.h"
#include "shared/nachrichten_dialog.h"
#include "storage/tdbe.h"

#include <QImageReader>

#include <algorithm>

void VorschauAusBlobZeigen(TDbe* dbe, const QString& tempOrdner, TImage* bild)
{
    if (!dbe || !dbe->IsActive() || dbe->Eof() || dbe->Empty(QStringLiteral("VORSCHAU")))
        return;
    const QString datei = tempOrdner + QStringLiteral("Vorschau.bmp");
    if (!dbe->BlobToFile(QStringLiteral("VORSCHAU"), datei)) {
        ShowMessage(QStringLiteral("Fehler beim Schreiben des Vorschaubildes aus Fotoalbum"));
        return;
    }
    BildInFenster(bild, datei);
}

void BildInFenster(TImage* bild, const QString& datei)
{
    QImageReader leser(WinToLinux(datei).value_or(QString()));
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

void AbschlussMeldung(const TAlbumDialogOptionen& optionen, const QString& caption, const QString& text, int hoehe)
{
    NachrichtenDialog(caption, text, optionen.RequesterAnzeigeZeit, hoehe, optionen.Infofarbe, clBlack, true);
}
