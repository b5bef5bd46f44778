#pragma once
// The format codes of the image object library and how a file's format is
// found: from its own first bytes, else from the code a caller gives, else
// from the extension of its name.

#include <QByteArray>
#include <QString>

// The library's format codes (0: decided from the file). 100 to 700 are the
// codes load and save take; 800 to 1000 are formats the library only reads.
enum TPicFormat : int {
    pfAuto = 0,
    pfBMP = 100,
    pfTIFF = 200,
    pfPCX = 300,
    pfGIF = 400,
    pfJPEG = 500,
    pfTGA = 600,
    pfPNG = 700,
    pfPCD = 800,
    pfWMF = 900,
    pfICO = 1000,
};

// The format the first bytes of a file show (pfAuto when they show none;
// Targa has no signature of its own and is only found by a version-2 footer
// passed in `tail`, the last 26 bytes of the file, when given).
int DetectPictureFormat(const QByteArray& head, const QByteArray& tail = QByteArray());
// The format of a file name's extension, compared without case: ".BMP",
// ".TIF"/".TIFF", ".PCX", ".GIF", ".JPG"/".JPEG"/".JPE", ".TGA", ".PNG",
// ".PCD", ".WMF", ".ICO" (and the thumbnail files ".THB" as BMP, ".THJ" as
// JPEG); pfAuto for any other.
int PictureFormatFromExtension(const QString& fileName);
// True for the codes a file can be written in (100 to 700).
bool IsWritablePictureFormat(int format);
// True for any known code other than pfAuto.
bool IsKnownPictureFormat(int format);
// The short name of a format ("BMP", "TIF", "PCX", "GIF", "JPG", "TGA",
// "PNG", "PCD", "WMF", "ICO"); empty for an unknown code.
QString PictureFormatName(int format);
// The GraphicsMagick coder name of a format ("TIFF", "PCX", ...).
const char* PictureFormatCoder(int format);
