#include "platform/picture/picture_formats.h"

#include <QFileInfo>

namespace {

bool StartsWith(const QByteArray& b, const char* sig, int n)
{
    return b.size() >= n && memcmp(b.constData(), sig, size_t(n)) == 0;
}

unsigned char At(const QByteArray& b, int i)
{
    return i < b.size() ? static_cast<unsigned char>(b[i]) : 0;
}

}  // namespace

int DetectPictureFormat(const QByteArray& head, const QByteArray& tail)
{
    if (StartsWith(head, "\x89PNG\r\n\x1a\n", 8))
        return pfPNG;
    if (StartsWith(head, "\xFF\xD8\xFF", 3))
        return pfJPEG;
    if (StartsWith(head, "GIF87a", 6) || StartsWith(head, "GIF89a", 6))
        return pfGIF;
    if (StartsWith(head, "II*\0", 4) || StartsWith(head, "MM\0*", 4))
        return pfTIFF;
    if (StartsWith(head, "BM", 2) && head.size() >= 26)
        return pfBMP;
    if (StartsWith(head, "\xD7\xCD\xC6\x9A", 4))
        return pfWMF;  // placeable metafile
    if ((StartsWith(head, "\x01\x00\x09\x00", 4) || StartsWith(head, "\x02\x00\x09\x00", 4)) && head.size() >= 18)
        return pfWMF;  // plain metafile header (type, header size 9 words)
    if (StartsWith(head, "\x00\x00\x01\x00", 4) && head.size() >= 6 && (At(head, 4) | At(head, 5)) != 0)
        return pfICO;
    if (head.size() >= 2048 + 7 && head.mid(2048, 7) == "PCD_IPI")
        return pfPCD;
    if (head.size() >= 128 && At(head, 0) == 0x0A && At(head, 1) <= 5 && At(head, 2) <= 1 &&
        (At(head, 3) == 1 || At(head, 3) == 2 || At(head, 3) == 4 || At(head, 3) == 8))
        return pfPCX;
    if (tail.size() >= 18 && tail.right(18) == QByteArray("TRUEVISION-XFILE.\0", 18))
        return pfTGA;
    return pfAuto;
}

int PictureFormatFromExtension(const QString& fileName)
{
    const QString ext = QFileInfo(fileName).suffix().toUpper();
    if (ext == "BMP" || ext == "THB" || ext == "DIB")
        return pfBMP;
    if (ext == "TIF" || ext == "TIFF")
        return pfTIFF;
    if (ext == "PCX")
        return pfPCX;
    if (ext == "GIF")
        return pfGIF;
    if (ext == "JPG" || ext == "JPEG" || ext == "JPE" || ext == "THJ")
        return pfJPEG;
    if (ext == "TGA")
        return pfTGA;
    if (ext == "PNG")
        return pfPNG;
    if (ext == "PCD")
        return pfPCD;
    if (ext == "WMF")
        return pfWMF;
    if (ext == "ICO")
        return pfICO;
    return pfAuto;
}

bool IsWritablePictureFormat(int format)
{
    switch (format) {
    case pfBMP: case pfTIFF: case pfPCX: case pfGIF: case pfJPEG: case pfTGA: case pfPNG:
        return true;
    default:
        return false;
    }
}

bool IsKnownPictureFormat(int format)
{
    return IsWritablePictureFormat(format) || format == pfPCD || format == pfWMF || format == pfICO;
}

QString PictureFormatName(int format)
{
    switch (format) {
    case pfBMP: return "BMP";
    case pfTIFF: return "TIF";
    case pfPCX: return "PCX";
    case pfGIF: return "GIF";
    case pfJPEG: return "JPG";
    case pfTGA: return "TGA";
    case pfPNG: return "PNG";
    case pfPCD: return "PCD";
    case pfWMF: return "WMF";
    case pfICO: return "ICO";
    default: return QString();
    }
}

const char* PictureFormatCoder(int format)
{
    switch (format) {
    case pfBMP: return "BMP";
    case pfTIFF: return "TIFF";
    case pfPCX: return "PCX";
    case pfGIF: return "GIF";
    case pfJPEG: return "JPEG";
    case pfTGA: return "TGA";
    case pfPNG: return "PNG";
    case pfPCD: return "PCD";
    case pfWMF: return "WMF";
    case pfICO: return "ICO";
    default: return "";
    }
}
