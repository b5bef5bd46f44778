#include "platform/picture/picture_reader.h"

#include <algorithm>

#include "platform/picture/picture_formats.h"
#include "platform/picture/picture_io.h"
#include "platform/picture/picture_scanner.h"

namespace {

int16_t FailureOf(int picCode)
{
    return int16_t(-(picCode - 1000));
}

bool twainBusy = false;

QString FormatDescription(int format)
{
    switch (format) {
    case pfBMP: return "Windows Bitmap";
    case pfTIFF: return "TIFF";
    case pfPCX: return "PC Paintbrush";
    case pfGIF: return "GIF";
    case pfJPEG: return "JPEG";
    case pfTGA: return "Targa";
    case pfPNG: return "PNG";
    case pfPCD: return "Photo CD";
    case pfWMF: return "Windows Metafile";
    case pfICO: return "Windows Icon";
    default: return QString();
    }
}

// The picture at a colour depth: 0 as it is, 1, 4, 8 or 24 bits per pixel.
int16_t AtDepth(TPicImage pic, int resolution, bool dither, QImage& bitmap)
{
    if (resolution == 1 || resolution == 4 || resolution == 8) {
        if (pic.BitsPerPixel > resolution) {
            TPicImage reduced = PicReduceColors(pic, -resolution, dither, false);
            if (reduced.IsNull())
                return FailureOf(peCorrupt);
            pic = reduced;
        }
    } else if (resolution == 24 && pic.BitsPerPixel < 24) {
        pic.Pixels = pic.Pixels.convertToFormat(QImage::Format_RGB32);
    }
    bitmap = pic.Pixels;
    return kImgOk;
}

// Clears the busy flag when a scanning call ends, however it ends.
struct TBusy {
    TBusy() { twainBusy = true; }
    ~TBusy() { twainBusy = false; }
};

}  // namespace

int16_t ImgFileInfoRead(const QString& fileName, TImgFileInfo& info)
{
    info = TImgFileInfo();
    TPicInfo pic;
    TPicError err;
    if (!PicPing(fileName, pic, err))
        return FailureOf(err.Code);
    info.Type = PictureFormatName(pic.Format).left(3);
    info.Width = int16_t(std::min(pic.Width, 32767));
    info.Height = int16_t(std::min(pic.Height, 32767));
    info.BitsPerPixel = int16_t(pic.BitsPerPixel);
    info.Pages = int16_t(std::min(pic.Pages, 32767));
    info.Resolution = int16_t(std::clamp(int(pic.ResolutionX + 0.5), 0, 32767));
    info.Description = QString("%1, %2 Bit, %3 Farben")
                           .arg(FormatDescription(pic.Format))
                           .arg(pic.BitsPerPixel)
                           .arg(pic.Colors())
                           .left(255);
    return kImgOk;
}

int16_t ImgReadFile(const QString& fileName, int resolution, bool dither, QImage& bitmap)
{
    bitmap = QImage();
    TPicImage pic;
    TPicError err;
    if (!PicRead(fileName, 0, 0, pic, err))
        return FailureOf(err.Code);
    return AtDepth(pic, resolution, dither, bitmap);
}

int16_t ImgTwainScan(bool showSourceWindow, int resolution, bool dither, QImage& bitmap,
                     const TScanSettingsWindow& settingsWindow)
{
    bitmap = QImage();
    if (twainBusy)
        return kImgBusy;
    TBusy busy;
    QList<TScanSource> sources;
    TPicError err;
    if (!ScanSources(sources, err) || sources.isEmpty())
        return kImgNoScanner;
    TScanSession session;
    if (!session.Open(ScanChosenSource(), err))
        return kImgScanFailed;
    if (showSourceWindow && settingsWindow && !settingsWindow(session))
        return kImgScanFailed;  // the user cancelled in the settings window
    TPicImage pic;
    if (session.Scan(pic, err) != TScanSession::srPicture)
        return kImgScanFailed;
    return AtDepth(pic, resolution, dither, bitmap);
}

int16_t ImgTwainSelectSource(const TScanSourceChooser& chooser)
{
    if (twainBusy)
        return kImgBusy;
    TBusy busy;
    QList<TScanSource> sources;
    TPicError err;
    if (!ScanSources(sources, err) || sources.isEmpty())
        return kImgNoScanner;
    QString chosen = ScanChosenSource();
    if (!chooser) {
        if (chosen.isEmpty())
            SetScanChosenSource(sources.first().Name);
        return kImgOk;
    }
    if (chooser(sources, chosen))
        SetScanChosenSource(chosen);
    return kImgOk;
}

QString ImgErrorText(int16_t result)
{
    const uint16_t id = uint16_t(result);
    if (result >= 1)
        return QString();
    if (result == kImgBusy)
        return "Der Scanner ist beschäftigt.";
    if (result == kImgNoScanner)
        return "Kein Scanner verfügbar.";
    if (result == kImgScanFailed)
        return "Der Scan ist fehlgeschlagen oder wurde abgebrochen.";
    if (result < 0 && result > -100)
        return PicErrorText(1000 - result);
    return QString("Unbekannter Fehler %1 beim Lesen des Bildes.").arg(id);
}
