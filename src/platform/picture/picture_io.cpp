#include "platform/picture/picture_io.h"

#include <Magick++.h>
#include <tiffio.h>

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QTransform>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/core/run_temp_folder.h"
#include "platform/core/safe_file.h"
#include "platform/picture/picture_buffers.h"
#include "platform/picture/picture_formats.h"
#include "platform/picture/picture_headers.h"
#include "platform/picture/picture_limits.h"

namespace {

bool Fail(TPicError& err, int code, const QString& subject = QString())
{
    err.Code = code;
    err.Text = PicErrorText(code, subject);
    return false;
}

bool IsQtReadFormat(int format)
{
    return format == pfJPEG || format == pfPNG || format == pfBMP || format == pfGIF || format == pfICO;
}

const char* QtFormatName(int format)
{
    switch (format) {
    case pfJPEG: return "jpeg";
    case pfPNG: return "png";
    case pfBMP: return "bmp";
    case pfGIF: return "gif";
    case pfICO: return "ico";
    default: return "";
    }
}

// ---- TIFF over a byte buffer (libtiff's client procedures) -----------------

struct TMemTiff {
    const QByteArray* data;
    toff_t pos = 0;
};

tmsize_t MemRead(thandle_t h, void* buf, tmsize_t size)
{
    auto* m = static_cast<TMemTiff*>(h);
    const toff_t avail = m->pos < toff_t(m->data->size()) ? toff_t(m->data->size()) - m->pos : 0;
    const tmsize_t n = tmsize_t(std::min<toff_t>(avail, toff_t(size)));
    if (n > 0)
        memcpy(buf, m->data->constData() + m->pos, size_t(n));
    m->pos += toff_t(n);
    return n;
}
tmsize_t MemWrite(thandle_t, void*, tmsize_t) { return 0; }
toff_t MemSeek(thandle_t h, toff_t off, int whence)
{
    auto* m = static_cast<TMemTiff*>(h);
    int64_t base = whence == SEEK_CUR ? int64_t(m->pos) : whence == SEEK_END ? m->data->size() : 0;
    int64_t p = base + int64_t(off);
    if (p < 0)
        return toff_t(-1);
    m->pos = toff_t(p);
    return m->pos;
}
int MemClose(thandle_t) { return 0; }
toff_t MemSize(thandle_t h) { return toff_t(static_cast<TMemTiff*>(h)->data->size()); }
int MemMap(thandle_t, void**, toff_t*) { return 0; }
void MemUnmap(thandle_t, void*, toff_t) {}

// libtiff's messages of our own calls stay with them: GraphicsMagick puts
// its handlers into libtiff's global slots, and they must only ever hear of
// GraphicsMagick's own reads.
int QuietTiffHandler(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;  // handled: the global handler is not called
}

struct TTiffOptions {
    TTiffOptions()
    {
        opts = TIFFOpenOptionsAlloc();
        TIFFOpenOptionsSetErrorHandlerExtR(opts, QuietTiffHandler, nullptr);
        TIFFOpenOptionsSetWarningHandlerExtR(opts, QuietTiffHandler, nullptr);
    }
    ~TTiffOptions() { TIFFOpenOptionsFree(opts); }
    TIFFOpenOptions* opts;
};

// Page count and bits per pixel of the first page; false when libtiff
// cannot open the bytes.
bool TiffFacts(const QByteArray& data, int& pages, int& bits)
{
    TMemTiff mem{&data};
    TTiffOptions options;
    TIFF* tif = TIFFClientOpenExt("memory", "rm", &mem, MemRead, MemWrite, MemSeek, MemClose, MemSize, MemMap,
                                  MemUnmap, options.opts);
    if (!tif)
        return false;
    uint16_t bps = 1, spp = 1;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    bits = std::min(int(bps) * int(spp), 32);
    if (bps > 8)
        bits = spp >= 4 ? 32 : spp >= 3 ? 24 : 8;
    // Counting directories stops at a loop or a broken link.
    int n = 0;
    do {
        ++n;
    } while (n < 10000 && TIFFReadDirectory(tif));
    TIFFClose(tif);
    pages = n;
    return true;
}

// ---- QImage <-> Magick::Image ------------------------------------------------

QImage Normalised(const QImage& img)
{
    switch (img.format()) {
    case QImage::Format_Mono:
    case QImage::Format_Indexed8:
    case QImage::Format_Grayscale8:
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        return img;
    case QImage::Format_MonoLSB:
        return img.convertToFormat(QImage::Format_Mono);
    default:
        return img.convertToFormat(img.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    }
}

Magick::Image ToMagick(const QImage& src)
{
    const bool alpha = src.hasAlphaChannel();
    QImage img = src.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (!alpha) {
        // RGB32 leaves the top byte undefined in theory; make it opaque.
        img = img.convertToFormat(QImage::Format_ARGB32);
    }
    Magick::Image m(unsigned(img.width()), unsigned(img.height()), "BGRA", Magick::CharPixel, img.constBits());
    m.matte(alpha);
    return m;
}

QImage FromMagick(Magick::Image& m)
{
    const int w = int(m.columns()), h = int(m.rows());
    if (!PictureSizeAllowed(w, h))
        return QImage();
    const bool alpha = m.matte();
    QImage img(w, h, QImage::Format_ARGB32);
    if (img.isNull())
        return img;
    m.write(0, 0, unsigned(w), unsigned(h), "BGRA", Magick::CharPixel, img.bits());
    if (!alpha)
        img = img.convertToFormat(QImage::Format_RGB32);
    if (m.classType() == Magick::PseudoClass && m.colorMapSize() <= 256 && !alpha) {
        QImage indexed = img.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
        if (!indexed.isNull() && indexed.colorCount() <= 256)
            img = indexed;
    }
    return img;
}

QImage Flattened(const QImage& img, const QColor& background)
{
    if (!img.hasAlphaChannel())
        return img;
    QImage out(img.size(), QImage::Format_RGB32);
    out.fill(background);
    QPainter p(&out);
    p.drawImage(0, 0, img);
    p.end();
    return out;
}

QSize FittedInto(QSize size, QSize box)
{
    if (!box.isValid() || box.isEmpty() || (size.width() <= box.width() && size.height() <= box.height()))
        return size;
    QSize s = size.scaled(box, Qt::KeepAspectRatio);
    return QSize(std::max(1, s.width()), std::max(1, s.height()));
}

// Writes a black-and-white TIFF with CCITT modified Huffman (1D) through
// libtiff, which GraphicsMagick does not offer.
bool WriteCcittRle(const QImage& src, QByteArray& out)
{
    // A file of the run's own: a killed run leaves nothing outside it.
    const TRunTempFile tmp(QStringLiteral("ccitt.tif"));
    if (!tmp.IsValid())
        return false;
    const QByteArray path = QFile::encodeName(tmp.Path());
    const QImage gray = src.convertToFormat(QImage::Format_Grayscale8);
    TTiffOptions options;
    TIFF* tif = TIFFOpenExt(path.constData(), "w", options.opts);
    if (!tif)
        return false;
    const uint32_t w = uint32_t(gray.width()), h = uint32_t(gray.height());
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTRLE);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tif, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, h);
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, 96.0f);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, 96.0f);
    std::vector<uint8_t> row((w + 7) / 8);
    bool ok = true;
    for (uint32_t y = 0; y < h && ok; ++y) {
        std::fill(row.begin(), row.end(), 0);
        const uchar* line = gray.constScanLine(int(y));
        for (uint32_t x = 0; x < w; ++x)
            if (line[x] < 128)
                row[x / 8] |= uint8_t(0x80 >> (x % 8));  // 1 = black
        ok = TIFFWriteScanline(tif, row.data(), y, 0) >= 0;
    }
    TIFFClose(tif);
    if (!ok)
        return false;
    QFile f(QString::fromLocal8Bit(path));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    out = f.readAll();
    return !out.isEmpty();
}

}  // namespace

QString PicErrorText(int code, const QString& subject)
{
    QString text;
    switch (code) {
    case peNone: return QString();
    case peNotFound: text = "Die Bilddatei wurde nicht gefunden."; break;
    case peEmptyFile: text = "Die Bilddatei ist leer."; break;
    case peUnknownFormat: text = "Das Format der Bilddatei ist unbekannt."; break;
    case peCorrupt: text = "Die Bilddatei ist beschädigt oder unvollständig."; break;
    case peTooLarge:
        text = QString("Das Bild ist zu groß: erlaubt sind höchstens %1 × %2 Bildpunkte und %3 Millionen "
                       "Bildpunkte.")
                   .arg(kMaxPictureSide)
                   .arg(kMaxPictureSide)
                   .arg(kMaxPicturePixels / 1000000);
        break;
    case peNoSuchPage: text = "Diese Seite gibt es in der Bilddatei nicht."; break;
    case peWriteFailed: text = "Die Bilddatei konnte nicht geschrieben werden."; break;
    case peNotWritable: text = "In diesem Bildformat kann nicht gespeichert werden."; break;
    case peBadCompression: text = "Diese TIFF-Kompression gibt es nicht."; break;
    case peNoImage: text = "Es ist kein Bild vorhanden."; break;
    case peBadObject: text = "Das gespeicherte Bild ist beschädigt."; break;
    case peTwain: text = "Error attempting to acquire an image.No TWAIN device available or scan operation aborted"; break;
    default: text = QString("Fehler %1 in der Grafiklibrary.").arg(code); break;
    }
    return subject.isEmpty() ? text : text + " (" + subject + ")";
}

uint64_t TPicInfo::Colors() const
{
    if (BitsPerPixel <= 0)
        return 0;
    if (BitsPerPixel >= 64)
        return UINT64_MAX;
    return uint64_t(1) << BitsPerPixel;
}

int BitsPerPixelOf(const QImage& img)
{
    switch (img.format()) {
    case QImage::Format_Invalid: return 0;
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB: return 1;
    case QImage::Format_Indexed8: return img.colorCount() <= 2 ? 1 : img.colorCount() <= 16 ? 4 : 8;
    case QImage::Format_Grayscale8:
    case QImage::Format_Alpha8: return 8;
    case QImage::Format_RGB16:
    case QImage::Format_RGB555:
    case QImage::Format_RGB444:
    case QImage::Format_Grayscale16: return 16;
    default: return img.hasAlphaChannel() ? 32 : 24;
    }
}

TPicImage TPicImage::FromQImage(const QImage& img)
{
    TPicImage p;
    p.Pixels = Normalised(img);
    p.BitsPerPixel = BitsPerPixelOf(p.Pixels);
    p.SourceWidth = p.Pixels.width();
    p.SourceHeight = p.Pixels.height();
    return p;
}

void PicLibraryInit()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // Without its own signal handlers: SIGTERM and SIGINT belong to the
        // program, which ends through its "Ende" and saves what it holds.
        MagickLib::InitializeMagickEx(nullptr, MAGICK_OPT_NO_SIGNAL_HANDER, nullptr);
        MagickLib::SetMagickResourceLimit(MagickLib::WidthResource, kMaxPictureSide);
        MagickLib::SetMagickResourceLimit(MagickLib::HeightResource, kMaxPictureSide);
        MagickLib::SetMagickResourceLimit(MagickLib::PixelsResource, kMaxPicturePixels);
        QImageReader::setAllocationLimit(int(kMaxPicturePixels * 4 / (1024 * 1024)) + 1);
    });
}

static bool ReadWholeFile(const QString& fileName, QByteArray& data, TPicError& err)
{
    QFile f(fileName);
    if (!QFileInfo(fileName).isFile())
        return Fail(err, peNotFound, fileName);
    if (!f.open(QIODevice::ReadOnly))
        return Fail(err, peCorrupt, fileName);
    data = f.readAll();
    if (data.isEmpty())
        return Fail(err, peEmptyFile, fileName);
    return true;
}

// Width, height and bits per pixel of a format Qt reads, from the header
// the reader takes from the device (it reads no further than it needs).
static bool PingQt(QIODevice& device, const QByteArray& kopf, int fmt, const QString& name, TPicInfo& info,
                   TPicError& err)
{
    QImageReader reader(&device, QtFormatName(fmt));
    const QSize s = reader.size();
    if (!s.isValid())
        return Fail(err, peCorrupt, name);
    info.Width = s.width();
    info.Height = s.height();
    switch (reader.imageFormat()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB: info.BitsPerPixel = 1; break;
    case QImage::Format_Indexed8: info.BitsPerPixel = fmt == pfBMP && kopf.size() > 29 && uint8_t(kopf[28]) == 4 ? 4 : 8; break;
    case QImage::Format_Grayscale8: info.BitsPerPixel = 8; break;
    case QImage::Format_Invalid: info.BitsPerPixel = fmt == pfGIF ? 8 : 24; break;
    default: info.BitsPerPixel = QImage(1, 1, reader.imageFormat()).hasAlphaChannel() ? 32 : 24; break;
    }
    return true;
}

static bool PingGroesseFertig(TPicInfo& info, TPicError& err, const QString& name)
{
    if (info.Width <= 0 || info.Height <= 0)
        return Fail(err, peCorrupt, name);
    if (!PictureSizeAllowed(info.Width, info.Height))
        return Fail(err, peTooLarge, name);
    return true;
}

// The decoded pixels of a picture pinged as info into out; whole: decoded
// at the file's own size (its bits per pixel then count as the file's).
static bool TakeDecoded(const QImage& img, const TPicInfo& info, QSize source, bool whole, const QString& name,
                        TPicImage& out, TPicError& err)
{
    if (!PictureSizeAllowed(img.width(), img.height()))
        return Fail(err, peTooLarge, name);
    out = TPicImage();
    out.Pixels = Normalised(img);
    if (out.Pixels.isNull())
        return Fail(err, peCorrupt, name);
    out.BitsPerPixel = whole && info.BitsPerPixel > 0
                           ? std::min(info.BitsPerPixel, std::max(BitsPerPixelOf(out.Pixels), info.BitsPerPixel))
                           : BitsPerPixelOf(out.Pixels);
    out.Format = info.Format;
    out.Pages = info.Pages;
    out.SourceWidth = source.width();
    out.SourceHeight = source.height();
    if (info.ResolutionX > 0)
        out.ResolutionX = info.ResolutionX;
    if (info.ResolutionY > 0)
        out.ResolutionY = info.ResolutionY;
    return true;
}

bool PicPing(const QString& fileName, TPicInfo& info, TPicError& err, int format)
{
    PicLibraryInit();
    err = TPicError();
    info = TPicInfo();
    // Formats Qt reads are measured from the file's header alone; the
    // others go through the whole file.
    QFile f(fileName);
    if (QFileInfo(fileName).isFile() && f.open(QIODevice::ReadOnly) && f.size() > 0) {
        const QByteArray kopf = f.read(4096);
        QByteArray ende;
        if (f.seek(std::max<qint64>(0, f.size() - 26)))
            ende = f.read(26);
        int fmt = DetectPictureFormat(kopf, ende);
        if (fmt == pfAuto)
            fmt = IsKnownPictureFormat(format) ? format : PictureFormatFromExtension(fileName);
        if (fmt != pfAuto && fmt != pfWMF && fmt != pfICO && IsQtReadFormat(fmt) && f.seek(0)) {
            info.Format = fmt;
            if (!PingQt(f, kopf, fmt, fileName, info, err))
                return false;
            return PingGroesseFertig(info, err, fileName);
        }
    }
    QByteArray data;
    if (!ReadWholeFile(fileName, data, err))
        return false;
    return PicPingBytes(data, fileName, info, err, format);
}

bool PicPingBytes(const QByteArray& data, const QString& name, TPicInfo& info, TPicError& err, int format)
{
    PicLibraryInit();
    err = TPicError();
    info = TPicInfo();
    if (data.isEmpty())
        return Fail(err, peEmptyFile, name);
    int fmt = DetectPictureFormat(data.left(4096), data.right(26));
    if (fmt == pfAuto)
        fmt = IsKnownPictureFormat(format) ? format : PictureFormatFromExtension(name);
    if (fmt == pfAuto)
        return Fail(err, peUnknownFormat, name);
    info.Format = fmt;

    THeaderSize hs;
    if (fmt == pfWMF && ReadWmfHeaderSize(data.left(64), hs)) {
        info.Width = hs.Width;
        info.Height = hs.Height;
        info.BitsPerPixel = 24;
    } else if (fmt == pfICO && ReadIcoHeaderSize(data.left(6 + 16 * 256), hs)) {
        info.Width = hs.Width;
        info.Height = hs.Height;
        info.BitsPerPixel = hs.BitsPerPixel > 0 ? hs.BitsPerPixel : 32;
    } else if (IsQtReadFormat(fmt)) {
        QBuffer buf(const_cast<QByteArray*>(&data));
        buf.open(QIODevice::ReadOnly);
        if (!PingQt(buf, data.left(32), fmt, name, info, err))
            return false;
    } else {
        try {
            Magick::Image m;
            m.quiet(true);
            m.magick(PictureFormatCoder(fmt));
            m.ping(Magick::Blob(data.constData(), size_t(data.size())));
            info.Width = int(std::min<size_t>(m.columns(), INT32_MAX));
            info.Height = int(std::min<size_t>(m.rows(), INT32_MAX));
            if (m.classType() == Magick::PseudoClass && m.colorMapSize() > 0)
                info.BitsPerPixel = m.colorMapSize() <= 2 ? 1 : m.colorMapSize() <= 16 ? 4 : 8;
            else
                info.BitsPerPixel = m.matte() ? 32 : 24;
            info.ResolutionX = m.xResolution();
            info.ResolutionY = m.yResolution();
        } catch (const Magick::ErrorResourceLimit&) {
            return Fail(err, peTooLarge, name);  // beyond the limits given at start
        } catch (const std::exception&) {
            return Fail(err, peCorrupt, name);
        }
        if (fmt == pfTIFF) {
            int pages = 1, bits = 0;
            if (!TiffFacts(data, pages, bits))
                return Fail(err, peCorrupt, name);
            info.Pages = pages;
            if (bits > 0)
                info.BitsPerPixel = bits;
        }
    }
    return PingGroesseFertig(info, err, name);
}

int PicPageCount(const QString& fileName)
{
    TPicInfo info;
    TPicError err;
    return PicPing(fileName, info, err) ? info.Pages : 0;
}

bool PicRead(const QString& fileName, int format, int page, TPicImage& out, TPicError& err, QSize maxSize)
{
    QByteArray data;
    err = TPicError();
    if (!ReadWholeFile(fileName, data, err))
        return false;
    return PicReadBytes(data, fileName, format, page, out, err, maxSize);
}

bool PicReadBytes(const QByteArray& data, const QString& name, int format, int page, TPicImage& out,
                  TPicError& err, QSize maxSize)
{
    TPicInfo info;
    if (!PicPingBytes(data, name, info, err, format))
        return false;
    if (page < 0 || page >= info.Pages)
        return Fail(err, peNoSuchPage, name);
    QSize source(info.Width, info.Height);
    QSize target = FittedInto(source, maxSize);
    QImage img;
    if (IsQtReadFormat(info.Format)) {
        QBuffer buf(const_cast<QByteArray*>(&data));
        buf.open(QIODevice::ReadOnly);
        QImageReader reader(&buf, QtFormatName(info.Format));
        reader.setAutoTransform(false);
        if (target != QSize(info.Width, info.Height))
            reader.setScaledSize(target);
        if (!reader.read(&img) || img.isNull())
            return Fail(err, peCorrupt, name);
    } else {
        try {
            Magick::Image m;
            m.quiet(true);
            m.subImage(unsigned(page));
            m.subRange(1);
            m.magick(PictureFormatCoder(info.Format));
            m.read(Magick::Blob(data.constData(), size_t(data.size())));
            if (!PictureSizeAllowed(int64_t(m.columns()), int64_t(m.rows())))
                return Fail(err, peTooLarge, name);
            img = FromMagick(m);
        } catch (const Magick::ErrorResourceLimit&) {
            return Fail(err, peTooLarge, name);
        } catch (const std::exception&) {
            return Fail(err, peCorrupt, name);
        }
        if (img.isNull())
            return Fail(err, peCorrupt, name);
        // Pages of a TIFF file each have their own size.
        source = img.size();
        target = FittedInto(source, maxSize);
        if (img.size() != target)
            img = img.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    return TakeDecoded(img, info, source, target == source, name, out, err);
}

bool PicReadSectionBytes(const QByteArray& data, const QString& name, int format, int page, int reduction,
                         const QRect& section, TPicImage& out, TPicError& err, TPicBuffers* buffers)
{
    TPicInfo info;
    if (!PicPingBytes(data, name, info, err, format))
        return false;
    if (page < 0 || page >= info.Pages)
        return Fail(err, peNoSuchPage, name);
    const int n = std::max(1, reduction);
    const QSize source(info.Width, info.Height);
    const QSize reduced = PicReducedSize(source, n);
    const QRect teil = section.intersected(QRect(QPoint(0, 0), reduced));
    if (teil.isEmpty())
        return Fail(err, peNoImage, name);
    if (info.Format != pfJPEG || (n > 1 && !PicDecodeReductions(info.Format).contains(n))) {
        // Decoded whole (at that size), the section cut from it; a page of
        // a TIFF file has a size of its own, so the cut keeps within it.
        if (!PicReadBytes(data, name, format, page, out, err, n > 1 ? reduced : QSize()))
            return false;
        const QRect r = teil.intersected(out.Pixels.rect());
        if (r != out.Pixels.rect())
            out.Pixels = out.Pixels.copy(r);
        return !out.Pixels.isNull() || Fail(err, peCorrupt, name);
    }
    QBuffer buf(const_cast<QByteArray*>(&data));
    buf.open(QIODevice::ReadOnly);
    QImageReader reader(&buf, QtFormatName(info.Format));
    reader.setAutoTransform(false);
    // The section in the file's pixels is the smaller picture's section
    // times the scale: its edges then fall on whole steps of the scale, and
    // the decoder scales by exactly 1/n and keeps to the section.
    reader.setClipRect(QRect(teil.topLeft() * n, teil.size() * n));
    if (n > 1)
        reader.setScaledSize(teil.size());
    // The decoder writes into a picture of the section's size and format.
    QImage img = buffers ? buffers->Image(teil.size(), reader.imageFormat()) : QImage();
    if (!reader.read(&img) || img.isNull() || img.size() != teil.size())
        return Fail(err, peCorrupt, name);
    return TakeDecoded(img, info, source, n == 1, name, out, err);
}

QList<int> PicDecodeReductions(int format)
{
    if (format == pfJPEG)
        return {8, 4, 2};
    return {};
}

QSize PicReducedSize(QSize source, int reduction)
{
    if (reduction <= 1)
        return source;
    // Whole pixels rounded down: the decoder then scales by 1/reduction and
    // trims at most its last column and row, where rounding up would make
    // it choose a finer scale and shrink that.
    return FittedInto(source, QSize(std::max(1, source.width() / reduction), std::max(1, source.height() / reduction)));
}

bool PicWriteBytes(const TPicImage& image, int format, int compression, QByteArray& out, TPicError& err)
{
    PicLibraryInit();
    err = TPicError();
    out.clear();
    if (image.IsNull())
        return Fail(err, peNoImage);
    if (!IsWritablePictureFormat(format))
        return Fail(err, peNotWritable, PictureFormatName(format));
    QImage src = image.Pixels;
    // Formats without an alpha channel get the picture on its background.
    if (format != pfPNG && format != pfTIFF && format != pfTGA)
        src = Flattened(src, Qt::white);

    if (format == pfBMP || format == pfPNG || format == pfJPEG) {
        QBuffer buf(&out);
        buf.open(QIODevice::WriteOnly);
        QImageWriter writer(&buf, format == pfBMP ? "bmp" : format == pfPNG ? "png" : "jpeg");
        if (format == pfBMP && image.BitsPerPixel == 1 && src.format() == QImage::Format_Indexed8 &&
            src.colorCount() <= 2)
            src = src.convertToFormat(QImage::Format_Mono, src.colorTable());
        if (format == pfJPEG) {
            writer.setQuality(compression <= 0 ? 75 : std::clamp(compression, 1, 100));
            if (src.format() == QImage::Format_Mono || src.format() == QImage::Format_Indexed8)
                src = src.convertToFormat(src.allGray() ? QImage::Format_Grayscale8 : QImage::Format_RGB32);
        }
        if (!writer.write(src))
            return Fail(err, peWriteFailed);
        return true;
    }
    if (format == pfTIFF && compression == 110) {
        if (!WriteCcittRle(src, out))
            return Fail(err, peWriteFailed);
        return true;
    }
    try {
        Magick::Image m = ToMagick(src);
        m.quiet(true);
        const int bits = image.BitsPerPixel;
        if (format == pfTIFF) {
            switch (compression) {
            case 0:
            case 1: m.compressType(Magick::NoCompression); break;
            case 160: m.compressType(Magick::LZWCompression); break;
            case 120: m.compressType(Magick::RLECompression); break;
            case 130: m.compressType(Magick::FaxCompression); break;
            case 140: m.compressType(Magick::Group4Compression); break;
            default: return Fail(err, peBadCompression, QString::number(compression));
            }
            if (compression == 130 || compression == 140)
                m.type(Magick::BilevelType);
        }
        if (compression != 130 && compression != 140) {
            if (bits == 1)
                m.type(Magick::BilevelType);
            else if (bits <= 8 && !src.hasAlphaChannel())
                m.type(src.allGray() ? Magick::GrayscaleType : Magick::PaletteType);
        }
        m.resolutionUnits(Magick::PixelsPerInchResolution);
        m.density(Magick::Geometry(unsigned(std::max(1.0, image.ResolutionX)), unsigned(std::max(1.0, image.ResolutionY))));
        m.magick(PictureFormatCoder(format));
        Magick::Blob blob;
        m.write(&blob);
        out = QByteArray(static_cast<const char*>(blob.data()), int(blob.length()));
    } catch (const std::exception&) {
        return Fail(err, peWriteFailed);
    }
    if (out.isEmpty())
        return Fail(err, peWriteFailed);
    return true;
}

bool PicWrite(const TPicImage& image, const QString& fileName, int format, int compression, TPicError& err)
{
    QByteArray bytes;
    if (!PicWriteBytes(image, format, compression, bytes, err))
        return false;
    // Written beside the file and put in its place only when whole and on
    // disk: a save that fails (a full disk) leaves the old picture as it was.
    TSafeFile out(fileName);
    if (!out.Open() || !out.Write(bytes.constData(), size_t(bytes.size())) || !out.Commit(true)) {
        Fail(err, peWriteFailed, fileName);
        err.Text += QStringLiteral(" (") + FileErrorText(out.Error()) + u')';
        return false;
    }
    return true;
}

QByteArray PicEncodeObject(const TPicImage& image, int encoding, TPicError& err, int format, int compression)
{
    QByteArray payload;
    bool ok = false;
    if (image.IsNull()) {
        Fail(err, peNoImage);
        return QByteArray();
    }
    if (IsWritablePictureFormat(format)) {
        ok = PicWriteBytes(image, format, compression, payload, err);
    } else if (encoding == 0x30003) {
        ok = PicWriteBytes(image, pfTIFF, 140, payload, err);
    } else if (encoding == 2 || encoding == 3) {
        err = TPicError();
        QBuffer buf(&payload);
        buf.open(QIODevice::WriteOnly);
        QImageWriter writer(&buf, "png");
        writer.setQuality(encoding == 2 ? 90 : 0);  // high quality = light compression
        ok = writer.write(image.Pixels);
        if (!ok)
            Fail(err, peWriteFailed);
    } else {
        ok = PicWriteBytes(image, pfBMP, 0, payload, err);
    }
    if (!ok)
        return QByteArray();
    QByteArray out(kPicObjectSignature, 12);
    char word[4];
    qToLittleEndian<quint32>(quint32(encoding), word);
    out.append(word, 4);
    qToLittleEndian<quint32>(quint32(payload.size()), word);
    out.append(word, 4);
    out.append(payload);
    return out;
}

bool PicDecodeObject(const QByteArray& data, TPicImage& out, TPicError& err)
{
    err = TPicError();
    if (data.size() < 20 || !data.startsWith(QByteArray(kPicObjectSignature, 12)))
        return Fail(err, peBadObject);
    const quint32 length = qFromLittleEndian<quint32>(data.constData() + 16);
    if (length == 0 || length > quint32(data.size() - 20))
        return Fail(err, peBadObject);
    const QByteArray payload = data.mid(20, int(length));
    TPicError inner;
    if (!PicReadBytes(payload, QString(), 0, 0, out, inner))
        return Fail(err, inner.Code == peTooLarge ? peTooLarge : peBadObject);
    return true;
}

static TPicImage WithPixels(const TPicImage& src, const QImage& pixels)
{
    TPicImage r = src;
    r.Pixels = Normalised(pixels);
    if (r.Pixels.isNull())
        return TPicImage();
    const int bits = BitsPerPixelOf(r.Pixels);
    // An indexed picture copied as it is keeps its depth; a converted one
    // takes the depth of its new pixels.
    const bool sameIndexed = r.Pixels.format() == src.Pixels.format() && bits <= 8 && src.BitsPerPixel <= 8;
    r.BitsPerPixel = sameIndexed ? src.BitsPerPixel : bits;
    r.SourceWidth = r.Pixels.width();
    r.SourceHeight = r.Pixels.height();
    return r;
}

TPicImage PicCopyRect(const TPicImage& src, int x1, int y1, int x2, int y2)
{
    if (src.IsNull())
        return TPicImage();
    if (x1 == -1 && y1 == -1 && x2 == -1 && y2 == -1)
        return WithPixels(src, src.Pixels.copy());
    QRect r = QRect(QPoint(std::min(x1, x2), std::min(y1, y2)), QPoint(std::max(x1, x2) - 1, std::max(y1, y2) - 1));
    r = r.intersected(src.Pixels.rect());
    if (r.isEmpty())
        return TPicImage();
    return WithPixels(src, src.Pixels.copy(r));
}

TPicImage PicResize(const TPicImage& src, int width, int height)
{
    if (src.IsNull() || !PictureSizeAllowed(width, height))
        return TPicImage();
    QImage from = src.Pixels;
    if (from.format() == QImage::Format_Mono || from.format() == QImage::Format_Indexed8)
        from = from.convertToFormat(QImage::Format_RGB32);
    return WithPixels(src, from.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

TPicImage PicRotate(const TPicImage& src, int angle)
{
    if (src.IsNull() || (angle != 90 && angle != 180 && angle != 270))
        return TPicImage();
    return WithPixels(src, src.Pixels.transformed(QTransform().rotate(angle)));
}

TPicImage PicFlip(const TPicImage& src, int how)
{
    if (src.IsNull() || (how != 200 && how != 100))
        return TPicImage();
    return WithPixels(src, src.Pixels.mirrored(how == 200, how == 100));
}

TPicImage PicReduceColors(const TPicImage& src, int colors, bool dither, bool gray)
{
    if (src.IsNull())
        return TPicImage();
    PicLibraryInit();
    uint64_t wanted = colors < 0 ? (uint64_t(1) << std::min(-colors, 32)) : uint64_t(colors);
    if (wanted < 2)
        return TPicImage();
    const bool toGray = gray && src.BitsPerPixel > 1;
    if (wanted > 256 && !toGray) {
        TPicImage r = WithPixels(src, src.Pixels.convertToFormat(QImage::Format_RGB32));
        r.BitsPerPixel = 24;
        return r;
    }
    try {
        Magick::Image m = ToMagick(Flattened(src.Pixels, Qt::white));
        m.quiet(true);
        m.quantizeColors(unsigned(std::min<uint64_t>(wanted, 256)));
        m.quantizeDither(dither);
        if (toGray)
            m.quantizeColorSpace(Magick::GRAYColorspace);
        m.quantize();
        QImage out = FromMagick(m);
        if (out.isNull())
            return TPicImage();
        if (out.format() != QImage::Format_Indexed8)
            out = out.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
        TPicImage r = src;
        r.Pixels = out;
        const int bitsFor = wanted <= 2 ? 1 : wanted <= 16 ? 4 : 8;
        r.BitsPerPixel = bitsFor;
        return r;
    } catch (const std::exception&) {
        return TPicImage();
    }
}
