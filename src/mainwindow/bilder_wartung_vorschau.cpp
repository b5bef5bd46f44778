// Album maintenance: thumbnails made anew from the picture files, for the
// current entry or every shown one. A thumbnail is 150 pixels on its longer
// side, reduced to 256 colours with dithering, stored as BMP in the memo
// VORSCHAU, and turned by the entry's rotation when the options want it.
#include "mainwindow/bilder_wartung_teile.h"

#include "datagrid/dk_table.h"
#include "platform/core/file_utils.h"
#include "platform/core/win1252.h"
#include "platform/core/win_path.h"
#include "platform/dbf/dbe.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/ext_ctrls.h"
#include "shared/general_dates.h"
#include "storage/tdbe.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QTransform>

#include <cmath>

namespace {

QString FeldText(const char* feld) { return Win1252Decode(QByteArrayView(dbe_GetString(feld))).trimmed(); }

// The size of the thumbnail of a w x h picture: the longer side 150, the
// other by the same factor to the nearest whole pixel (halves round up, as
// the decimal pattern "0" does).
QSize VorschauGroesse(int w, int h)
{
    if (w > h)
        return {150, std::max(1, int(std::floor(double(h) / (double(w) / 150.0) + 0.5)))};
    return {std::max(1, int(std::floor(double(w) / (double(h) / 150.0) + 0.5))), 150};
}

// The BMP bytes of the thumbnail of a picture file; empty when the file
// cannot be read as a picture (or has no size).
QByteArray VorschauBytes(const QString& datei, int drehung)
{
    const std::optional<QString> linux = WinToLinux(datei);
    if (!linux)
        return {};
    QImageReader reader(*linux);
    reader.setAutoTransform(false);
    const QSize original = reader.size();
    if (!original.isValid() || original.width() <= 0 || original.height() <= 0)
        return {};
    // The decoder scales while it reads (a JPEG by its DCT), never a
    // full-size decode of a large picture.
    reader.setScaledSize(VorschauGroesse(original.width(), original.height()));
    QImage bild = reader.read();
    if (bild.isNull())
        return {};
    if (drehung != 0)
        bild = bild.transformed(QTransform().rotate(drehung));
    bild = bild.convertToFormat(QImage::Format_Indexed8, Qt::DiffuseDither | Qt::PreferDither);
    QByteArray bytes;
    QBuffer puffer(&bytes);
    puffer.open(QIODevice::WriteOnly);
    if (!bild.save(&puffer, "BMP"))
        return {};
    return bytes;
}

// Degrees of the rotation code at position 4 of FLAGS.
int Drehung(const QString& flags)
{
    const QChar c = flags.length() >= 4 ? flags.at(3) : QChar();
    return c == QLatin1Char('1') ? 90 : c == QLatin1Char('2') ? 180 : c == QLatin1Char('3') ? 270 : 0;
}

}  // namespace

// Makes the thumbnail of the selected area's current entry from its file.
// 1: made and stored; 0: the file is missing or no picture (the old
// thumbnail stays); -1: the store failed.
static int VorschauNeu(bool drehen)
{
    const QString pfad = FeldText("PFAD");
    if (pfad.isEmpty() || !FileExists(pfad))
        return 0;
    const QByteArray bytes = VorschauBytes(pfad, drehen ? Drehung(FeldText("FLAGS")) : 0);
    if (bytes.isEmpty())
        return 0;
    return dbe_ReplaceBlob("VORSCHAU", bytes.constData(), uint32_t(bytes.size()), 1) == 1 ? 1 : -1;
}

void TBilderWartung::VorschaubildNeuerzeugen1Click(TObject* Sender)
{
    Ton(Sender);
    if (!album_.Offen())
        return;
    d_.Protokoll(QStringLiteral("Info"),
                 QStringLiteral("VorschaubildNeuerzeugen, Vorschaubild-Neuerzeugung gestartet!"));
    u_.Einstellungswerte().Setzen("VorschuBilderAlsBlobSpeichern", true);
    Dbe()->PostIfEditing();
    const uint32_t satz = Dbe()->RecNo();
    int ergebnis = 0;
    {
        TAlbumBereich bereich(Tabelle());
        dbe_Go(satz);
        ergebnis = VorschauNeu(u_.Einstellungswerte().Bool("VorschaubilderPhysikalischDrehen"));
        if (ergebnis < 0 || (ergebnis > 0 && dbe_Commit() != 1)) {
            WartungsFehlerMerken();
            ergebnis = -1;
        }
    }
    Dbe()->Go(satz);
    Tabelle()->Refresh();
    if (ergebnis < 0)
        WartungsSchreibFehler(QStringLiteral("VorschaubildNeuerzeugen"));
    ansicht_.VorschaubildZeigen();
}

void TBilderWartung::Vorschaubilderneuerzeugen1Click(TObject* Sender)
{
    Ton(Sender);
    if (!album_.Offen())
        return;
    if (MessageDlg(QStringLiteral("Es werden alle angezeigten Vorschaubilder des Fotoalbums neu erzeugt, was je nach "
                                  "Größe des Fotoalbums sehr lange dauern kann, trotzdem fortfahren?"),
                   mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) != mrYes)
        return;
    TSperre sperre(*this);
    if (!sperre)
        return;
    const QString name = QStringLiteral("Vorschaubilderneuerzeugen1Click");
    ansicht_.GridLayoutSichern();
    d_.Protokoll(QStringLiteral("Info"), name + QStringLiteral("(), Vorschaubilder Neuerzeugung gestartet!"));
    ansicht_.GridSeiteZeigen();
    u_.Einstellungswerte().Setzen("VorschuBilderAlsBlobSpeichern", true);
    StopUhr(QStringLiteral("START"));
    d_.AbbruchSetzen(false);
    const bool drehen = u_.Einstellungswerte().Bool("VorschaubilderPhysikalischDrehen");
    uint32_t gemacht = 0, keinBild = 0;
    const QString escLog = name + QStringLiteral("(), Vorschaubilder Neuerzeugung abgebrochen!");
    const bool geschrieben = AngezeigteAbarbeiten(escLog, [&] {
        const bool da = FileExists(FeldText("PFAD"));
        const int r = da ? VorschauNeu(drehen) : 0;
        if (r < 0)
            return TSchritt::Fehler;
        // A file that is no readable picture keeps its old thumbnail.
        gemacht += r > 0;
        keinBild += da && r == 0;
        return TSchritt::Weiter;
    });
    ansicht_.GridLayoutZuruecklesen();
    if (!geschrieben) {
        WartungsSchreibFehler(name);
        return;
    }
    if (gemacht == 0 && keinBild == 0) {
        const QString text = QStringLiteral("Es wurde nicht ein Vorschaubild neu erzeugt, weil kein Hauptbild gefunden "
                                            "wurde !");
        d_.Protokoll(QStringLiteral("Info"), name + QStringLiteral("(), ") + text);
        ShowMessage(text);
    } else {
        if (keinBild > 0) {
            const QString text = QString::number(keinBild) + QStringLiteral(" Bilder konnten nicht gelesen werden, "
                                                                            "ihre Vorschaubilder blieben unverändert!");
            d_.Protokoll(QStringLiteral("Info"), name + QStringLiteral("(), ") + text);
            ShowMessage(text);
        }
        if (u_.Optionen().CheckBoxBearbeitungszeitAnzeigen) {
            d_.Protokoll(QStringLiteral("Info"), name + QStringLiteral("(), Bearbeitungszeit = ") + ZeitMeldung());
            d_.Hinweis(QStringLiteral("Abschlußmeldung"), QStringLiteral("Bearbeitungszeit = ") + ZeitMeldung(), 100);
        }
    }
    ansicht_.VorschaubildZeigen();
}
