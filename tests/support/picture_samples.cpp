#include "picture_samples.h"

#include <QBuffer>
#include <QImageWriter>
#include <QtEndian>

#include "platform/picture/picture_formats.h"
#include "platform/picture/picture_io.h"

namespace pictest {

namespace {

QByteArray Written(const QImage& img, int format, int compression = 0)
{
    TPicError err;
    QByteArray out;
    PicWriteBytes(TPicImage::FromQImage(img), format, compression, out, err);
    return out;
}

// A placeable metafile of 1 x 0.5 inch with a filled rectangle.
QByteArray Metafile()
{
    QByteArray b;
    auto w16 = [&b](int v) {
        char c[2];
        qToLittleEndian<quint16>(quint16(v), c);
        b.append(c, 2);
    };
    auto w32 = [&b](quint32 v) {
        char c[4];
        qToLittleEndian<quint32>(v, c);
        b.append(c, 4);
    };
    w32(0x9AC6CDD7);
    w16(0);
    w16(0); w16(0); w16(1440); w16(720);
    w16(1440);
    w32(0);
    quint16 sum = 0;
    for (int i = 0; i < 10; ++i)
        sum ^= qFromLittleEndian<quint16>(b.constData() + 2 * i);
    w16(sum);
    // Metafile header: type 1, 9 words, version 0x300, size, 1 object, max record, 0.
    const int records = 7 + 4 + 7 + 3;  // create brush, select, rectangle, end (in words)
    w16(1); w16(9); w16(0x300); w32(9 + records); w16(1); w32(7); w16(0);
    // CreateBrushIndirect: style solid, colour red, hatch 0.
    w32(7); w16(0x02FC); w16(0); w32(0x000000FF); w16(0);
    // SelectObject 0.
    w32(4); w16(0x012D); w16(0);
    // Rectangle(bottom, right, top, left).
    w32(7); w16(0x041B); w16(600); w16(1200); w16(100); w16(100);
    // End of file.
    w32(3); w16(0);
    return b;
}

}  // namespace

std::map<QString, QByteArray> SampleFiles()
{
    const QImage img = Gradient(24, 16);
    std::map<QString, QByteArray> files;
    files["BMP"] = Written(img, pfBMP);
    files["PNG"] = Written(img, pfPNG);
    files["JPG"] = Written(img, pfJPEG, 80);
    files["GIF"] = Written(img, pfGIF);
    files["TIF"] = Written(img, pfTIFF, 160);
    files["PCX"] = Written(img, pfPCX);
    files["TGA"] = Written(img, pfTGA);
    {
        QByteArray ico;
        QBuffer buf(&ico);
        buf.open(QIODevice::WriteOnly);
        QImageWriter(&buf, "ico").write(Gradient(16, 16).convertToFormat(QImage::Format_ARGB32));
        files["ICO"] = ico;
    }
    files["WMF"] = Metafile();
    return files;
}

}  // namespace pictest
