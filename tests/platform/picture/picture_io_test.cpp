// The image object library: formats found from the file, every save format
// and compression checked from outside (gm identify, tiffinfo, the bytes of
// the header), scaled decode, pixel limits, bad files, the memory-object
// encoding and the copies.

#include <QBuffer>
#include <QDir>
#include <QImageReader>
#include <QFile>
#include <QtEndian>
#include <csignal>
#include <gtest/gtest.h>

#include "picture_samples.h"
#include "platform/core/safe_file.h"
#include "platform/picture/picture_formats.h"
#include "platform/picture/picture_headers.h"
#include "platform/picture/picture_io.h"
#include "platform/picture/picture_limits.h"
#include "platform/picture/picture_round.h"
#include "test_environment.h"

using namespace pictest;

namespace {

QString Path(const lxtest::TempDir& dir, const char* name)
{
    return QString::fromStdString((dir / name).string());
}

void WriteBytes(const QString& file, const QByteArray& bytes)
{
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray ReadBytes(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST(PictureRound, HalvesGoToEven)
{
    const struct { double in; int64_t out; } cases[] = {
        {0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2},
        {2.4999, 2}, {2.5001, 3}, {7.0, 7}, {-7.2, -7}, {1e30, 9000000000000000000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RoundHalfEven(c.in), c.out) << c.in;
    EXPECT_EQ(RoundToInt(5e12), INT32_MAX);
}

TEST(PictureFormats, ContentAndExtension)
{
    const auto samples = SampleFiles();
    const std::map<QString, int> expected = {{"BMP", pfBMP}, {"PNG", pfPNG}, {"JPG", pfJPEG}, {"GIF", pfGIF},
                                             {"TIF", pfTIFF}, {"PCX", pfPCX}, {"ICO", pfICO}, {"WMF", pfWMF}};
    for (const auto& [ext, code] : expected)
        EXPECT_EQ(DetectPictureFormat(samples.at(ext).left(4096)), code) << ext.toStdString();
    // Targa has no signature: only a version-2 footer tells.
    EXPECT_EQ(DetectPictureFormat(samples.at("TGA").left(4096)), pfAuto);
    EXPECT_EQ(DetectPictureFormat(samples.at("TGA").left(4096), QByteArray(8, 0) + QByteArray("TRUEVISION-XFILE.\0", 18)),
              pfTGA);
    EXPECT_EQ(DetectPictureFormat("just some text"), pfAuto);

    const struct { const char* name; int code; } names[] = {
        {"a.jpg", pfJPEG}, {"A.JPEG", pfJPEG}, {"x.Jpe", pfJPEG}, {"b.TIF", pfTIFF}, {"b.tiff", pfTIFF},
        {"c.bmp", pfBMP}, {"c.THB", pfBMP}, {"d.THJ", pfJPEG}, {"e.pcx", pfPCX}, {"f.gif", pfGIF},
        {"g.tga", pfTGA}, {"h.png", pfPNG}, {"i.pcd", pfPCD}, {"j.wmf", pfWMF}, {"k.ico", pfICO},
        {"l.txt", pfAuto}, {"noext", pfAuto},
    };
    for (const auto& n : names)
        EXPECT_EQ(PictureFormatFromExtension(n.name), n.code) << n.name;
    EXPECT_TRUE(IsWritablePictureFormat(pfTGA));
    EXPECT_FALSE(IsWritablePictureFormat(pfWMF));
    EXPECT_FALSE(IsWritablePictureFormat(0));
}

TEST(PictureIo, EveryFormatWritesAndReadsBack)
{
    lxtest::TempDir dir;
    const TPicImage img = TPicImage::FromQImage(Gradient(40, 30));
    const struct { int format; const char* file; const char* gmName; } cases[] = {
        {pfBMP, "a.bmp", "BMP"}, {pfTIFF, "a.tif", "TIFF"}, {pfPCX, "a.pcx", "PCX"}, {pfGIF, "a.gif", "GIF"},
        {pfJPEG, "a.jpg", "JPEG"}, {pfTGA, "a.tga", "TGA"}, {pfPNG, "a.png", "PNG"},
    };
    for (const auto& c : cases) {
        const QString file = Path(dir, c.file);
        TPicError err;
        ASSERT_TRUE(PicWrite(img, file, c.format, 0, err)) << c.file << err.Text.toStdString();
        EXPECT_EQ(GmIdentify(file), QString("%1 40 30").arg(c.gmName)) << c.file;
        TPicImage back;
        ASSERT_TRUE(PicRead(file, 0, 0, back, err)) << c.file << err.Text.toStdString();
        EXPECT_EQ(back.Format, c.format) << c.file;
        EXPECT_EQ(back.Width(), 40);
        EXPECT_EQ(back.Height(), 30);
        TPicInfo info;
        ASSERT_TRUE(PicPing(file, info, err)) << c.file;
        EXPECT_EQ(info.Width, 40);
        EXPECT_EQ(info.Height, 30);
    }
    // Lossless formats give the same pixels back.
    TPicImage png;
    TPicError err;
    ASSERT_TRUE(PicRead(Path(dir, "a.png"), 0, 0, png, err));
    EXPECT_EQ(png.Pixels.pixel(17, 9), img.Pixels.pixel(17, 9));
}

TEST(PictureIo, TiffCompressionsAsTiffinfoSeesThem)
{
    lxtest::TempDir dir;
    const TPicImage img = TPicImage::FromQImage(Quarters(64, 32));
    const struct { int value; const char* scheme; } cases[] = {
        {1, "None"}, {0, "None"}, {160, "LZW"}, {120, "PackBits"},
        {110, "CCITT RLE"}, {130, "CCITT Group 3"}, {140, "CCITT Group 4"},
    };
    for (const auto& c : cases) {
        const QString file = Path(dir, "c.tif");
        TPicError err;
        ASSERT_TRUE(PicWrite(img, file, pfTIFF, c.value, err)) << c.value << err.Text.toStdString();
        const QString info = RunTool("tiffinfo", {file});
        EXPECT_TRUE(info.contains(QString("Compression Scheme: %1\n").arg(c.scheme))) << c.value << info.toStdString();
        TPicImage back;
        ASSERT_TRUE(PicRead(file, 0, 0, back, err)) << c.value;
        EXPECT_EQ(back.Width(), 64);
        if (c.value == 110 || c.value == 130 || c.value == 140) {
            EXPECT_EQ(back.BitsPerPixel, 1) << c.value;
            EXPECT_TRUE(info.contains("Bits/Sample: 1")) << c.value;
        }
    }
    QByteArray out;
    TPicError err;
    EXPECT_FALSE(PicWriteBytes(img, pfTIFF, 77, out, err));
    EXPECT_EQ(err.Code, peBadCompression);
}

TEST(PictureIo, JpegQualityZeroIsTheDefault)
{
    const TPicImage img = TPicImage::FromQImage(Gradient(120, 90));
    QByteArray q0, q75, q10, q95;
    TPicError err;
    ASSERT_TRUE(PicWriteBytes(img, pfJPEG, 0, q0, err));
    ASSERT_TRUE(PicWriteBytes(img, pfJPEG, 75, q75, err));
    ASSERT_TRUE(PicWriteBytes(img, pfJPEG, 10, q10, err));
    ASSERT_TRUE(PicWriteBytes(img, pfJPEG, 95, q95, err));
    EXPECT_EQ(q0, q75);
    EXPECT_LT(q10.size(), q95.size());
    lxtest::TempDir dir;
    WriteBytes(Path(dir, "q.jpg"), q10);
    const QString quality = RunTool("gm", {"identify", "-format", "%Q", Path(dir, "q.jpg")}).trimmed();
    EXPECT_EQ(quality, "10");
}

TEST(PictureIo, DepthsFollowTheFormat)
{
    lxtest::TempDir dir;
    // A PNG with alpha (32 bits) saves as a 24-bit BMP, on white.
    QImage alpha(8, 8, QImage::Format_ARGB32);
    alpha.fill(qRgba(255, 0, 0, 0));
    TPicImage a = TPicImage::FromQImage(alpha);
    EXPECT_EQ(a.BitsPerPixel, 32);
    TPicError err;
    ASSERT_TRUE(PicWrite(a, Path(dir, "a.bmp"), pfBMP, 0, err));
    const QByteArray bmp = ReadBytes(Path(dir, "a.bmp"));
    ASSERT_GT(bmp.size(), 30);
    EXPECT_EQ(qFromLittleEndian<quint16>(bmp.constData() + 28), 24);
    TPicImage back;
    ASSERT_TRUE(PicRead(Path(dir, "a.bmp"), 0, 0, back, err));
    EXPECT_EQ(back.Pixels.pixel(3, 3), qRgb(255, 255, 255));

    // 256 colours stay 8-bit, 2 colours 1-bit in a BMP.
    const TPicImage c256 = PicReduceColors(TPicImage::FromQImage(Gradient(32, 32)), 256, true, false);
    ASSERT_FALSE(c256.IsNull());
    EXPECT_EQ(c256.BitsPerPixel, 8);
    ASSERT_TRUE(PicWrite(c256, Path(dir, "b.bmp"), pfBMP, 0, err));
    EXPECT_EQ(qFromLittleEndian<quint16>(ReadBytes(Path(dir, "b.bmp")).constData() + 28), 8);
    const TPicImage c2 = PicReduceColors(TPicImage::FromQImage(Quarters(32, 32)), 2, false, false);
    ASSERT_FALSE(c2.IsNull());
    EXPECT_EQ(c2.BitsPerPixel, 1);
    ASSERT_TRUE(PicWrite(c2, Path(dir, "c.bmp"), pfBMP, 0, err));
    EXPECT_EQ(qFromLittleEndian<quint16>(ReadBytes(Path(dir, "c.bmp")).constData() + 28), 1);
    ASSERT_TRUE(PicWrite(c256, Path(dir, "d.gif"), pfGIF, 0, err));
    EXPECT_EQ(GmIdentify(Path(dir, "d.gif")), "GIF 32 32");
}

TEST(PictureIo, ScaledDecodeKeepsTheSourceSize)
{
    lxtest::TempDir dir;
    TPicError err;
    ASSERT_TRUE(PicWrite(TPicImage::FromQImage(Gradient(1600, 1200)), Path(dir, "big.jpg"), pfJPEG, 80, err));
    ASSERT_TRUE(PicWrite(TPicImage::FromQImage(Gradient(400, 100)), Path(dir, "wide.tif"), pfTIFF, 160, err));
    TPicImage t;
    ASSERT_TRUE(PicRead(Path(dir, "big.jpg"), 0, 0, t, err, QSize(160, 160)));
    EXPECT_EQ(t.Pixels.size(), QSize(160, 120));
    EXPECT_EQ(t.SourceWidth, 1600);
    EXPECT_EQ(t.SourceHeight, 1200);
    ASSERT_TRUE(PicRead(Path(dir, "wide.tif"), 0, 0, t, err, QSize(100, 100)));
    EXPECT_EQ(t.Pixels.size(), QSize(100, 25));
    // A picture smaller than the box is decoded as it is.
    ASSERT_TRUE(PicRead(Path(dir, "wide.tif"), 0, 0, t, err, QSize(1000, 1000)));
    EXPECT_EQ(t.Pixels.size(), QSize(400, 100));
}

TEST(PictureIo, ReducedSizesAreTheJpegDecodersOwnScales)
{
    lxtest::TempDir dir;
    TPicError err;
    EXPECT_EQ(PicDecodeReductions(pfJPEG), QList<int>({8, 4, 2}));
    EXPECT_TRUE(PicDecodeReductions(pfPNG).isEmpty());
    EXPECT_TRUE(PicDecodeReductions(pfBMP).isEmpty());
    // Sizes that do not divide: whole pixels rounded down in the picture's
    // proportions, never below one.
    const struct {
        QSize Quelle;
        int Verkleinerung;
        QSize Klein;
    } faelle[] = {{{4000, 3000}, 4, {1000, 750}}, {{4001, 3001}, 4, {999, 750}}, {{1203, 803}, 2, {600, 401}},
                  {{1203, 803}, 8, {149, 100}},   {{7, 3}, 8, {1, 1}},           {{640, 480}, 1, {640, 480}}};
    for (const auto& f : faelle) {
        SCOPED_TRACE(std::to_string(f.Quelle.width()) + "/" + std::to_string(f.Verkleinerung));
        EXPECT_EQ(PicReducedSize(f.Quelle, f.Verkleinerung), f.Klein);
        if (f.Quelle.width() < 1000 || f.Quelle.width() > 2000)
            continue;
        // The decode gives exactly that size, keeping the file's size.
        ASSERT_TRUE(PicWrite(TPicImage::FromQImage(Gradient(f.Quelle.width(), f.Quelle.height())),
                             Path(dir, "odd.jpg"), pfJPEG, 85, err));
        TPicImage t;
        ASSERT_TRUE(PicRead(Path(dir, "odd.jpg"), 0, 0, t, err, PicReducedSize(f.Quelle, f.Verkleinerung)));
        EXPECT_EQ(t.Pixels.size(), f.Klein);
        EXPECT_EQ(QSize(t.SourceWidth, t.SourceHeight), f.Quelle);
    }
}

namespace {

// The JPEG with an Exif block after its start that tells viewers to turn
// the picture a quarter clockwise (orientation 6).
QByteArray MitExifDrehung(const QByteArray& jpeg)
{
    const QByteArray tiff = QByteArray("MM\x00\x2A\x00\x00\x00\x08", 8) + QByteArray("\x00\x01", 2) +
                            QByteArray("\x01\x12\x00\x03\x00\x00\x00\x01\x00\x06\x00\x00", 12) +
                            QByteArray(4, '\0');
    const QByteArray exif = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray laenge(2, 0);
    qToBigEndian<quint16>(quint16(exif.size() + 2), laenge.data());
    return jpeg.left(2) + QByteArray("\xFF\xE1", 2) + laenge + exif + jpeg.mid(2);
}

}  // namespace

// A section read on its own shows what the same section of the picture
// read whole (at the same reduction) shows: a JPEG (also one whose Exif
// block asks for a turn, which the library does not make) decoded only as
// far as the section by the decoder's own scaling, a PNG cut from the whole.
TEST(PictureIo, ASectionShowsWhatTheWholePictureShowsThere)
{
    TPicError err;
    QByteArray jpeg, png;
    ASSERT_TRUE(PicWriteBytes(TPicImage::FromQImage(Gradient(1200, 800)), pfJPEG, 90, jpeg, err));
    ASSERT_TRUE(PicWriteBytes(TPicImage::FromQImage(Gradient(1200, 800)), pfPNG, 0, png, err));
    const QByteArray gedreht = MitExifDrehung(jpeg);
    {
        QBuffer puffer(const_cast<QByteArray*>(&gedreht));
        puffer.open(QIODevice::ReadOnly);
        ASSERT_EQ(QImageReader(&puffer).transformation(), QImageIOHandler::TransformationRotate90);
    }
    const struct {
        const char* Name;
        const QByteArray& Bytes;
    } dateien[] = {{"foto.jpg", jpeg}, {"gedreht.jpg", gedreht}, {"bild.png", png}};
    for (const auto& d : dateien) {
        for (const int n : {1, 2, 4, 8}) {
            const QSize klein = PicReducedSize(QSize(1200, 800), n);
            TPicImage ganz;
            ASSERT_TRUE(PicReadBytes(d.Bytes, d.Name, 0, 0, ganz, err, n > 1 ? klein : QSize()));
            // The large layouts' sections from the top left, one inside the
            // picture and one reaching past its edge.
            const QRect teile[] = {QRect(0, 0, klein.width(), klein.width() * 25 / 36),
                                   QRect(0, 0, klein.height() * 25 / 36, klein.height()),
                                   QRect(klein.width() / 3, klein.height() / 4, klein.width() / 3, klein.height() / 2),
                                   QRect(klein.width() / 2, klein.height() / 2, klein.width(), klein.height())};
            for (const QRect& teil : teile) {
                SCOPED_TRACE(std::string(d.Name) + " 1/" + std::to_string(n) + " " + std::to_string(teil.x()) + "," +
                             std::to_string(teil.y()) + " " + std::to_string(teil.width()) + "x" +
                             std::to_string(teil.height()));
                TPicImage t;
                ASSERT_TRUE(PicReadSectionBytes(d.Bytes, d.Name, 0, 0, n, teil, t, err)) << err.Text.toStdString();
                const QRect erwartet = teil.intersected(QRect(QPoint(0, 0), klein));
                ASSERT_EQ(t.Pixels.size(), erwartet.size());
                EXPECT_EQ(QSize(t.SourceWidth, t.SourceHeight), QSize(1200, 800));
                EXPECT_EQ(t.Pixels.convertToFormat(QImage::Format_RGB32),
                          ganz.Pixels.copy(erwartet).convertToFormat(QImage::Format_RGB32));
            }
        }
    }
    // A section outside the picture has no pixels.
    TPicImage t;
    EXPECT_FALSE(PicReadSectionBytes(jpeg, "foto.jpg", 0, 0, 2, QRect(600, 400, 10, 10), t, err));
    EXPECT_EQ(err.Code, peNoImage);
    EXPECT_TRUE(t.IsNull());
}

TEST(PictureIo, MultiPageTiff)
{
    lxtest::TempDir dir;
    TPicError err;
    const char* pages[] = {"p1.png", "p2.png", "p3.png"};
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(PicWrite(TPicImage::FromQImage(Gradient(10 + i * 10, 8)), Path(dir, pages[i]), pfPNG, 0, err));
    int code = -1;
    RunTool("gm", {"convert", Path(dir, "p1.png"), Path(dir, "p2.png"), Path(dir, "p3.png"), Path(dir, "m.tif")}, &code);
    ASSERT_EQ(code, 0);
    EXPECT_EQ(PicPageCount(Path(dir, "m.tif")), 3);
    EXPECT_EQ(PicPageCount(Path(dir, "p1.png")), 1);
    EXPECT_EQ(PicPageCount(Path(dir, "missing.tif")), 0);
    TPicImage img;
    ASSERT_TRUE(PicRead(Path(dir, "m.tif"), 0, 2, img, err));
    EXPECT_EQ(img.Width(), 30);
    EXPECT_EQ(img.Pages, 3);
    EXPECT_FALSE(PicRead(Path(dir, "m.tif"), 0, 3, img, err));
    EXPECT_EQ(err.Code, peNoSuchPage);

    // A broken last page: the first pages still read, the broken one fails
    // with an error record, nothing crashes.
    QByteArray bytes = ReadBytes(Path(dir, "m.tif"));
    bytes.truncate(bytes.size() - 200);
    WriteBytes(Path(dir, "broken.tif"), bytes);
    ASSERT_TRUE(PicRead(Path(dir, "broken.tif"), 0, 0, img, err)) << err.Text.toStdString();
    EXPECT_EQ(img.Width(), 10);
    const bool third = PicRead(Path(dir, "broken.tif"), 0, 2, img, err);
    if (!third) {
        EXPECT_TRUE(err.Code == peCorrupt || err.Code == peNoSuchPage) << err.Code;
    }
}

TEST(PictureIo, BadFilesGiveErrorRecords)
{
    lxtest::TempDir dir;
    const auto samples = SampleFiles();
    WriteBytes(Path(dir, "empty.jpg"), QByteArray());
    WriteBytes(Path(dir, "text.jpg"), "this is no picture at all, only text");
    WriteBytes(Path(dir, "text.xyz"), "this is no picture at all, only text");
    WriteBytes(Path(dir, "png.jpg"), samples.at("PNG"));  // the extension lies
    WriteBytes(Path(dir, "half.png"), samples.at("PNG").left(40));
    const struct { const char* file; int code; } cases[] = {
        {"missing.jpg", peNotFound}, {"empty.jpg", peEmptyFile}, {"text.jpg", peCorrupt}, {"text.xyz", peUnknownFormat},
        {"half.png", peCorrupt},
    };
    for (const auto& c : cases) {
        TPicImage img;
        TPicError err;
        EXPECT_FALSE(PicRead(Path(dir, c.file), 0, 0, img, err)) << c.file;
        EXPECT_EQ(err.Code, c.code) << c.file;
        EXPECT_FALSE(err.Text.isEmpty());
        EXPECT_TRUE(img.IsNull());
    }
    TPicImage img;
    TPicError err;
    ASSERT_TRUE(PicRead(Path(dir, "png.jpg"), 0, 0, img, err));
    EXPECT_EQ(img.Format, pfPNG);
    EXPECT_EQ(PicErrorText(peNotFound, "X.JPG"), "Die Bilddatei wurde nicht gefunden. (X.JPG)");
}

TEST(PictureIo, HugeHeadersAreRefusedBeforeDecoding)
{
    auto le16 = [](int v) { QByteArray b(2, 0); qToLittleEndian<quint16>(quint16(v), b.data()); return b; };
    auto le32 = [](int v) { QByteArray b(4, 0); qToLittleEndian<quint32>(quint32(v), b.data()); return b; };
    auto be16 = [](int v) { QByteArray b(2, 0); qToBigEndian<quint16>(quint16(v), b.data()); return b; };
    std::map<std::string, QByteArray> files;
    // BMP 100 000 x 100 000, 24 bits.
    files["bmp"] = "BM" + le32(54) + le32(0) + le32(54) + le32(40) + le32(100000) + le32(100000) + le16(1) +
                   le16(24) + le32(0) + le32(0) + le32(0) + le32(0) + le32(0) + le32(0) + QByteArray(64, 0);
    // GIF with a 65535 x 65535 screen and image.
    files["gif"] = "GIF89a" + le16(65535) + le16(65535) + QByteArray("\x00\x00\x00", 3) + "," + le16(0) + le16(0) +
                   le16(65535) + le16(65535) + QByteArray("\x00\x02\x02\x4c\x01\x00\x3b", 7);
    // PCX 60 000 x 60 000.
    QByteArray pcx(128, 0);
    pcx[0] = 0x0A; pcx[1] = 5; pcx[2] = 1; pcx[3] = 8;
    pcx.replace(8, 2, le16(59999)); pcx.replace(10, 2, le16(59999));
    pcx[65] = 3; pcx.replace(66, 2, le16(60000)); pcx[68] = 1;
    files["pcx"] = pcx + QByteArray(256, '\xC1');
    // JPEG whose frame header claims 65000 x 65000.
    files["jpg"] = QByteArray("\xFF\xD8\xFF\xE0", 4) + be16(16) + QByteArray("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14) +
                   QByteArray("\xFF\xC0", 2) + be16(17) + QByteArray("\x08", 1) + be16(65000) + be16(65000) +
                   QByteArray("\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01", 10) + QByteArray("\xFF\xD9", 2);
    // Targa 65535 x 65535, 24 bits, with its footer.
    QByteArray tga(18, 0);
    tga[2] = 2; tga.replace(12, 2, le16(65535)); tga.replace(14, 2, le16(65535)); tga[16] = 24;
    files["tga"] = tga + QByteArray(64, 0) + QByteArray(8, 0) + QByteArray("TRUEVISION-XFILE.\0", 18);
    for (const auto& [name, bytes] : files) {
        TPicInfo info;
        TPicError err;
        EXPECT_FALSE(PicPingBytes(bytes, QString::fromStdString("huge." + name), info, err)) << name;
        EXPECT_TRUE(err.Code == peTooLarge || err.Code == peCorrupt) << name << " " << err.Code;
        TPicImage img;
        EXPECT_FALSE(PicReadBytes(bytes, QString::fromStdString("huge." + name), 0, 0, img, err)) << name;
        EXPECT_TRUE(img.IsNull());
        // Nor is a small section of it read.
        EXPECT_FALSE(PicReadSectionBytes(bytes, QString::fromStdString("huge." + name), 0, 0, 8, QRect(0, 0, 64, 64),
                                         img, err))
            << name;
        EXPECT_TRUE(img.IsNull());
    }
    // Headers that are whole otherwise are refused for their size.
    for (const char* name : {"tga", "pcx"}) {
        TPicInfo info;
        TPicError err;
        EXPECT_FALSE(PicPingBytes(files[name], QString("huge.") + name, info, err));
        EXPECT_EQ(err.Code, peTooLarge) << name;
        EXPECT_TRUE(err.Text.contains("zu groß"));
    }
    EXPECT_FALSE(PictureSizeAllowed(100000, 100000));
    EXPECT_TRUE(PictureSizeAllowed(4000, 3000));
}

TEST(PictureHeaders, MetafileAndIconSizesFromTheirHeaders)
{
    const auto samples = SampleFiles();
    THeaderSize s;
    ASSERT_TRUE(ReadWmfHeaderSize(samples.at("WMF"), s));
    EXPECT_EQ(s.Width, 96);
    EXPECT_EQ(s.Height, 48);
    EXPECT_FALSE(ReadWmfHeaderSize(samples.at("WMF").left(15), s));
    ASSERT_TRUE(ReadIcoHeaderSize(samples.at("ICO"), s));
    EXPECT_EQ(s.Width, 16);
    // An icon directory with a 256 x 256 entry (width byte 0) beside 32 x 32.
    QByteArray ico("\0\0\x01\0\x02\0", 6);
    QByteArray e1(16, 0), e2(16, 0);
    e1[0] = 32; e1[1] = 32; e1[6] = 32;
    e2[6] = 32;
    ASSERT_TRUE(ReadIcoHeaderSize(ico + e1 + e2, s));
    EXPECT_EQ(s.Width, 256);
    EXPECT_EQ(s.Height, 256);
    EXPECT_FALSE(ReadIcoHeaderSize(QByteArray("\0\0\x01\0\0\0", 6), s));

    TPicInfo info;
    TPicError err;
    ASSERT_TRUE(PicPingBytes(samples.at("WMF"), "a.wmf", info, err)) << err.Text.toStdString();
    EXPECT_EQ(info.Width, 96);
    ASSERT_TRUE(PicPingBytes(samples.at("ICO"), "a.ico", info, err));
    EXPECT_EQ(info.Width, 16);
    EXPECT_EQ(info.Format, pfICO);
}

TEST(PictureInfo, ColourCountsIn64Bits)
{
    TPicInfo i;
    const struct { int bits; uint64_t colors; } cases[] = {
        {1, 2}, {4, 16}, {8, 256}, {24, 16777216}, {32, 4294967296ull}, {0, 0},
    };
    for (const auto& c : cases) {
        i.BitsPerPixel = c.bits;
        EXPECT_EQ(i.Colors(), c.colors) << c.bits;
    }
}

TEST(PictureObject, EncodingsRoundTrip)
{
    const TPicImage img = TPicImage::FromQImage(Quarters(40, 20));
    QImage bw(40, 20, QImage::Format_Mono);
    bw.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    bw.fill(0);
    for (int y = 10; y < 20; ++y)
        for (int x = 20; x < 40; ++x)
            bw.setPixel(x, y, 1);
    const TPicImage mono = TPicImage::FromQImage(bw);
    ASSERT_EQ(mono.BitsPerPixel, 1);
    const struct { const TPicImage* image; int encoding; int payloadFormat; } cases[] = {
        {&img, 1, pfBMP}, {&img, 2, pfPNG}, {&img, 3, pfPNG}, {&mono, 0x30003, pfTIFF},
    };
    for (const auto& c : cases) {
        TPicError err;
        const QByteArray blob = PicEncodeObject(*c.image, c.encoding, err);
        ASSERT_FALSE(blob.isEmpty()) << c.encoding;
        EXPECT_TRUE(blob.startsWith("BLOB01010000"));
        EXPECT_EQ(qFromLittleEndian<quint32>(blob.constData() + 12), quint32(c.encoding));
        EXPECT_EQ(DetectPictureFormat(blob.mid(20, 4096)), c.payloadFormat) << c.encoding;
        // Stored in 2048-byte pieces, the padding is ignored.
        QByteArray padded = blob + QByteArray(2048 - blob.size() % 2048, 0);
        TPicImage back;
        ASSERT_TRUE(PicDecodeObject(padded, back, err)) << c.encoding << err.Text.toStdString();
        EXPECT_EQ(back.Width(), 40);
        EXPECT_EQ(back.Pixels.pixelColor(30, 15).rgb(), c.image->Pixels.pixelColor(30, 15).rgb()) << c.encoding;
    }
    TPicError err;
    // With a format the picture is stored as a file of it.
    const QByteArray jpeg = PicEncodeObject(img, 3, err, pfJPEG, 90);
    EXPECT_EQ(DetectPictureFormat(jpeg.mid(20, 16)), pfJPEG);
    QByteArray blob = PicEncodeObject(img, 1, err);
    TPicImage back;
    EXPECT_FALSE(PicDecodeObject(blob.left(blob.size() - 10), back, err));
    EXPECT_EQ(err.Code, peBadObject);
    EXPECT_FALSE(PicDecodeObject("BLOB0101", back, err));
    EXPECT_FALSE(PicDecodeObject(QByteArray(64, 'x'), back, err));
}

TEST(PictureCopies, RectRotateFlipResizeReduce)
{
    const TPicImage img = TPicImage::FromQImage(Quarters(40, 20));
    TPicImage r = PicRotate(img, 90);
    ASSERT_FALSE(r.IsNull());
    EXPECT_EQ(r.Pixels.size(), QSize(20, 40));
    // Turned clockwise: the red top-left quarter is now top-right.
    EXPECT_EQ(r.Pixels.pixel(15, 5), qRgb(255, 0, 0));
    EXPECT_EQ(PicRotate(img, 180).Pixels.pixel(35, 15), qRgb(255, 0, 0));
    EXPECT_EQ(PicRotate(img, 270).Pixels.pixel(5, 35), qRgb(255, 0, 0));
    EXPECT_TRUE(PicRotate(img, 45).IsNull());
    EXPECT_EQ(PicFlip(img, 200).Pixels.pixel(35, 5), qRgb(255, 0, 0));
    EXPECT_EQ(PicFlip(img, 100).Pixels.pixel(5, 15), qRgb(255, 0, 0));
    EXPECT_TRUE(PicFlip(img, 7).IsNull());
    const TPicImage c = PicCopyRect(img, 30, 15, 20, 10);
    EXPECT_EQ(c.Pixels.size(), QSize(10, 5));
    EXPECT_EQ(c.Pixels.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(PicCopyRect(img, -1, -1, -1, -1).Pixels.size(), QSize(40, 20));
    EXPECT_TRUE(PicCopyRect(img, 50, 50, 60, 60).IsNull());
    const TPicImage s = PicResize(img, 7, 9);
    EXPECT_EQ(s.Pixels.size(), QSize(7, 9));
    EXPECT_TRUE(PicResize(img, 0, 9).IsNull());
    EXPECT_TRUE(PicResize(img, 100000, 100000).IsNull());
    const TPicImage g = PicReduceColors(TPicImage::FromQImage(Gradient(32, 32)), 16, true, true);
    ASSERT_FALSE(g.IsNull());
    EXPECT_TRUE(g.Pixels.allGray());
    EXPECT_LE(g.Pixels.colorCount(), 16);
    EXPECT_EQ(g.BitsPerPixel, 4);
    const TPicImage b = PicReduceColors(TPicImage::FromQImage(Gradient(32, 32)), -4, false, false);
    EXPECT_EQ(b.BitsPerPixel, 4);
    EXPECT_TRUE(PicReduceColors(img, 1, false, false).IsNull());
}

// A save over an existing picture that fails halfway (the disk full after
// the first 64 KiB, as the file seam says) leaves the old picture byte for
// byte and no half-written file beside it; a picture is never saved through
// a link planted in its place.
TEST(PictureIo, ASaveThatFailsHalfwayLeavesTheOldPicture)
{
    lxtest::TempDir dir;
    const QString file = Path(dir, "bild.bmp");
    TPicError err;
    ASSERT_TRUE(PicWrite(TPicImage::FromQImage(Gradient(300, 200)), file, pfBMP, 0, err));
    const QByteArray alt = ReadBytes(file);
    ASSERT_GT(alt.size(), 1 << 16);

    const TPicImage neu = TPicImage::FromQImage(Gradient(320, 240).mirrored(true, false));
    for (const TSafeFileStep step : {TSafeFileStep::Write, TSafeFileStep::Sync, TSafeFileStep::Rename}) {
        int writes = 0;
        SafeFileHookSet([&](TSafeFileStep s, const QString&) {
            if (s == TSafeFileStep::Write && ++writes == 1)
                return 0;
            return s == step ? ENOSPC : 0;
        });
        EXPECT_FALSE(PicWrite(neu, file, pfBMP, 0, err));
        SafeFileHookSet({});
        EXPECT_EQ(err.Code, peWriteFailed);
        EXPECT_TRUE(err.Text.contains("Datenträger voll")) << err.Text.toStdString();
        EXPECT_TRUE(ReadBytes(file) == alt);
        EXPECT_EQ(QDir(Path(dir, "")).entryList(QDir::Files | QDir::Hidden), QStringList{"bild.bmp"});
    }
    ASSERT_TRUE(PicWrite(neu, file, pfBMP, 0, err)) << err.Text.toStdString();
    TPicImage back;
    ASSERT_TRUE(PicRead(file, 0, 0, back, err));
    EXPECT_EQ(back.Width(), 320);

    WriteBytes(Path(dir, "fremd.bmp"), "fremd");
    ASSERT_TRUE(QFile::link(Path(dir, "fremd.bmp"), Path(dir, "verweis.bmp")));
    EXPECT_FALSE(PicWrite(neu, Path(dir, "verweis.bmp"), pfBMP, 0, err));
    EXPECT_TRUE(err.Text.contains("symbolische Verknüpfung")) << err.Text.toStdString();
    EXPECT_EQ(ReadBytes(Path(dir, "fremd.bmp")), QByteArray("fremd"));
}

// The picture library must leave the process's signals to the program: its
// own handlers would end the program on SIGTERM before "Ende" saves the
// settings and closes the albums.
TEST(PicLibrary, LeavesTheSignalsToTheProgram)
{
    PicLibraryInit();
    for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) {
        struct sigaction current {};
        ASSERT_EQ(::sigaction(signal, nullptr, &current), 0);
        EXPECT_EQ(current.sa_handler, SIG_DFL) << "signal " << signal;
    }
}
