#include "platform/picture/picture_reader.h"

#include <algorithm>

#include "platform/picture/picture_formats.h"
#include "platform/picture/picture_io.h"

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

int16_t ImgTwainScan(bool, int, bool, QImage& bitmap)
{
    bitmap = QImage();
    if (twainBusy)
        return kImgBusy;
    twainBusy = true;
    const int16_t result = kImgNoScanner;
    twainBusy = false;
    return result;
}

int16_t ImgTwainSelectSource()
{
    if (twainBusy)
        return kImgBusy;
    return kImgNoScanner;
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
    if (result < 0 && result > -100)
        return PicErrorText(1000 - result);
    return QString("Unbekannter Fehler %1 beim Lesen des Bildes.").arg(id);
}
