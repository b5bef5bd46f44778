// The image file reader library: file information from the headers of every
// format, the readers at the asked colour depth, and the error texts.

#include <QFile>
#include <gtest/gtest.h>

#include "picture_samples.h"
#include "platform/picture/picture_library.h"
#include "platform/picture/picture_reader.h"
#include "sane_test_backend.h"
#include "test_environment.h"

using namespace pictest;

TEST(PictureReader, FileInfoForEveryFormat)
{
    lxtest::TempDir dir;
    const auto samples = SampleFiles();
    const std::map<QString, QString> types = {{"BMP", "BMP"}, {"PNG", "PNG"}, {"JPG", "JPG"}, {"GIF", "GIF"},
                                              {"TIF", "TIF"}, {"PCX", "PCX"}, {"TGA", "TGA"}};
    for (const auto& [ext, type] : types) {
        const QString file = QString::fromStdString((dir / ("s." + ext.toStdString())).string());
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(samples.at(ext));
        f.close();
        TImgFileInfo info;
        ASSERT_EQ(ImgFileInfoRead(file, info), kImgOk) << ext.toStdString();
        EXPECT_EQ(info.Type, type);
        EXPECT_EQ(info.Width, 24) << ext.toStdString();
        EXPECT_EQ(info.Height, 16) << ext.toStdString();
        EXPECT_GT(info.BitsPerPixel, 0);
        EXPECT_TRUE(info.Description.contains("Farben")) << info.Description.toStdString();
    }
    TImgFileInfo info;
    const QString jpg = QString::fromStdString((dir / "s.JPG").string());
    ASSERT_EQ(ImgFileInfoRead(jpg, info), kImgOk);
    EXPECT_EQ(info.Description, "JPEG, 24 Bit, 16777216 Farben");
    const int16_t missing = ImgFileInfoRead(QString::fromStdString((dir / "none.jpg").string()), info);
    EXPECT_LE(missing, 0);
    EXPECT_EQ(ImgErrorText(missing), "Die Bilddatei wurde nicht gefunden.");
}

TEST(PictureReader, ReadsAtTheAskedDepth)
{
    lxtest::TempDir dir;
    const QString file = QString::fromStdString((dir / "g.png").string());
    ASSERT_TRUE(Gradient(32, 32).save(file));
    const struct { int res; int maxColours; QImage::Format format; } cases[] = {
        {0, 0, QImage::Format_RGB32}, {24, 0, QImage::Format_RGB32}, {8, 256, QImage::Format_Indexed8},
        {4, 16, QImage::Format_Indexed8}, {1, 2, QImage::Format_Indexed8},
    };
    for (const auto& c : cases) {
        QImage bmp;
        ASSERT_EQ(ImgReadFile(file, c.res, true, bmp), kImgOk) << c.res;
        EXPECT_EQ(bmp.size(), QSize(32, 32));
        EXPECT_EQ(bmp.format(), c.format) << c.res;
        if (c.maxColours) {
            EXPECT_LE(bmp.colorCount(), c.maxColours) << c.res;
        }
    }
    QImage bmp;
    EXPECT_LE(ImgReadFile(QString::fromStdString((dir / "no.png").string()), 0, true, bmp), 0);
    EXPECT_TRUE(bmp.isNull());
}

TEST(PictureReader, ScannerIsNotThere)
{
    // SANE without any source: in a child process with its own SANE folder.
    if (!scantest::InSaneChild()) {
        scantest::RunInChildWithoutScanners("PictureReader.ScannerIsNotThere");
        return;
    }
    QImage bmp;
    EXPECT_EQ(ImgTwainScan(true, 24, true, bmp), kImgNoScanner);
    EXPECT_EQ(ImgTwainSelectSource(), kImgNoScanner);
    EXPECT_EQ(ImgErrorText(kImgNoScanner), "Kein Scanner verfügbar.");
    EXPECT_TRUE(ImgErrorText(kImgOk).isEmpty());
    EXPECT_TRUE(ImgErrorText(-30000).contains("35536"));
}

TEST(PictureLibrary, ErrorsReachTheCallbackWithTheirRaiser)
{
    TPicLibraryObject lib("MyApp");
    std::vector<TPicErrorRecord> seen;
    lib.ErrorCallback = [&](const TPicErrorRecord& r) { seen.push_back(r); };
    TPicErrorRecord r;
    r.Code = 1004;
    r.Text = "kaputt";
    lib.RaiseError(r);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].Raiser, &lib);
    EXPECT_EQ(seen[0].Raiser->ApplicationName(), "MyApp");
    lib.ErrorCallback = nullptr;
    lib.RaiseError(r);  // no callback: nothing happens
    EXPECT_EQ(seen.size(), 1u);
}
