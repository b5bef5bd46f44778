#pragma once
// The image object library: pictures read from files, byte buffers and the
// library's own memory-object encoding, written in the seven save formats
// with their compressions, and the copies the image window makes (rectangle,
// resize, rotation, flip, colour reduction).
//
// Every format goes to the library that does it best: Qt for JPEG, PNG, BMP,
// GIF reading and ICO; GraphicsMagick for TIFF, PCX, PCD, WMF, TGA and GIF
// writing; libtiff for the TIFF page count and CCITT 1D. A picture's size is
// read from its header and checked against the pixel limits before any
// pixel buffer is made.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

#include <cstdint>

class TPicBuffers;

// Error codes of the library (the error record's code).
enum TPicErrorCode : int {
    peNone = 0,
    peNotFound = 1001,
    peEmptyFile = 1002,
    peUnknownFormat = 1003,
    peCorrupt = 1004,
    peTooLarge = 1005,
    peNoSuchPage = 1006,
    peWriteFailed = 1007,
    peNotWritable = 1008,
    peBadCompression = 1009,
    peNoImage = 1010,
    peBadObject = 1011,
    peTwain = 5002,
};

struct TPicError {
    int Code = peNone;
    QString Text;
    bool Failed() const { return Code != peNone; }
};

// The German text of an error code, with the file (or other subject) named
// when one is given.
QString PicErrorText(int code, const QString& subject = QString());

// Header information of a picture: read without decoding its pixels.
struct TPicInfo {
    int Format = 0;        // TPicFormat code found
    int Width = 0;
    int Height = 0;
    int BitsPerPixel = 0;  // 1, 4, 8, 16, 24 or 32
    int Pages = 1;
    double ResolutionX = 0;  // dots per inch, 0 when the file gives none
    double ResolutionY = 0;
    // 2 to the power of the bits per pixel, in 64 bits (32 bits -> 2^32).
    uint64_t Colors() const;
};

// One picture held by the library.
struct TPicImage {
    QImage Pixels;          // Mono, Indexed8, Grayscale8, RGB32 or ARGB32
    int BitsPerPixel = 0;
    int Format = 0;         // format it was read from (0: made in memory)
    int Pages = 1;
    double ResolutionX = 96;
    double ResolutionY = 96;
    QColor Background = Qt::white;
    int SourceWidth = 0;    // the file's own size (also when decoded scaled)
    int SourceHeight = 0;

    bool IsNull() const { return Pixels.isNull(); }
    int Width() const { return Pixels.width(); }
    int Height() const { return Pixels.height(); }
    // Takes pixels made in memory; bits per pixel follow their format.
    static TPicImage FromQImage(const QImage& img);
};

// Bits per pixel of a QImage as the library counts them (an indexed image
// with up to 2 colours is 1 bit, up to 16 colours 4 bits).
int BitsPerPixelOf(const QImage& img);

// Starts the libraries once (GraphicsMagick, limits, quiet libtiff
// handlers); every function below calls it.
void PicLibraryInit();

// Header information of a file or byte buffer. `format` is used only when
// the bytes show no format of their own; then the extension of `name`.
bool PicPing(const QString& fileName, TPicInfo& info, TPicError& err, int format = 0);
bool PicPingBytes(const QByteArray& data, const QString& name, TPicInfo& info, TPicError& err, int format = 0);
// Number of pages of a TIFF file (1 for other files, 0 when unreadable).
int PicPageCount(const QString& fileName);

// Reads one page (0-based) of a picture. With maxSize valid and smaller
// than the picture, the picture is decoded at the largest size of its
// aspect ratio inside maxSize (JPEG through the decoder's own scaling), and
// SourceWidth/SourceHeight keep the file's size.
bool PicRead(const QString& fileName, int format, int page, TPicImage& out, TPicError& err,
             QSize maxSize = QSize());
bool PicReadBytes(const QByteArray& data, const QString& name, int format, int page, TPicImage& out,
                  TPicError& err, QSize maxSize = QSize());

// Reads the rectangle `section` of one page at 1/reduction of the
// picture's size, `section` in the pixels of that size (PicReducedSize);
// out holds only the section (clipped to the picture), SourceWidth and
// SourceHeight the file's size. A JPEG at 1 or one of its decode
// reductions is decoded by its decoder at that scale and no further down
// than the section reaches, and only the section's pixels are made; other
// pictures are read as PicReadBytes reads them at that size and the
// section is cut out. The pixel limits apply to the file's size. With
// buffers, a JPEG's section is decoded into memory of that pool.
bool PicReadSectionBytes(const QByteArray& data, const QString& name, int format, int page, int reduction,
                         const QRect& section, TPicImage& out, TPicError& err, TPicBuffers* buffers = nullptr);

// The reductions a picture of `format` decodes faster at, largest first:
// the JPEG decoder's own scaling to 1/8, 1/4 and 1/2. Other formats have
// none: they decode whole and a smaller picture would only cost a scaling.
QList<int> PicDecodeReductions(int format);
// The picture's size at 1/reduction, whole pixels rounded down in its
// proportions (at least one either way): as maxSize of PicRead it makes the
// JPEG decoder scale by exactly that much, and PicRead gives that size.
QSize PicReducedSize(QSize source, int reduction);

// Writes a picture. Compression: for TIFF 1 or 0 none, 160 LZW, 120
// PackBits, 110 CCITT 1D, 130 CCITT Group 3, 140 CCITT Group 4 (the CCITT
// ones make the picture black and white); for JPEG the quality 1..100 (0:
// the library's default of 75); ignored for the other formats. Pictures of
// more bits per pixel than a format holds are written with the most it
// holds (PNG with alpha to BMP: 24 bits on white).
bool PicWriteBytes(const TPicImage& image, int format, int compression, QByteArray& out, TPicError& err);
bool PicWrite(const TPicImage& image, const QString& fileName, int format, int compression, TPicError& err);

// The library's memory-object encoding of a picture: "BLOB01010000", the
// encoding (4 bytes), the length of what follows (4 bytes) and the picture
// as a file of `format` (with its compression) when one is given, else by
// the encoding: 1 plain (BMP), 2 fast (PNG, light compression), 3 small
// (PNG, strong compression), 0x30003 small for 1-bit pictures (TIFF Group 4).
inline constexpr char kPicObjectSignature[] = "BLOB01010000";
QByteArray PicEncodeObject(const TPicImage& image, int encoding, TPicError& err, int format = 0, int compression = 0);
bool PicDecodeObject(const QByteArray& data, TPicImage& out, TPicError& err);

// Copies (the source stays as it is; a null result means failure).
TPicImage PicCopyRect(const TPicImage& src, int x1, int y1, int x2, int y2);  // -1 each: whole
TPicImage PicResize(const TPicImage& src, int width, int height);
TPicImage PicRotate(const TPicImage& src, int angle);   // 90, 180, 270
TPicImage PicFlip(const TPicImage& src, int how);       // 200 horizontal, 100 vertical
// At most `colors` colours (-n: n bits per pixel), dithered or not, grey
// when `gray` and the picture has more than 1 bit per pixel.
TPicImage PicReduceColors(const TPicImage& src, int colors, bool dither, bool gray);
