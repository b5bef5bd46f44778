// The multi-format picture control: loading by extension, the results and
// messages of missing and broken files, header information, the paint
// styles with the text overlay, the clipboard and the stored properties.

#include <QClipboard>
#include <QGuiApplication>
#include <gtest/gtest.h>

#include "imaging/multi_picture.h"
#include "imaging_fixture.h"
#include "platform/picture/picture_io.h"
#include "platform/ui/forms.h"
#include "platform/ui/prompt_script.h"

using namespace imgtest;

TEST(MultiPicture, Defaults)
{
    TMultiPicture pic(nullptr);
    EXPECT_EQ(pic.Width(), 105);
    EXPECT_EQ(pic.Height(), 105);
    EXPECT_EQ(pic.Color(), clBtnFace);
    EXPECT_EQ(pic.JPegSaveQuality(), 25);
    EXPECT_EQ(pic.JPegSaveSmooth(), 0);
    EXPECT_TRUE(pic.ImageDither);
    EXPECT_TRUE(pic.ReaderPalette);
    EXPECT_TRUE(pic.TextTransParent());
    EXPECT_EQ(pic.ImageReadRes, lAutoMatic);
}

TEST(MultiPicture, StoredProperties)
{
    TMultiPicture pic(nullptr);
    const struct { int in, quality; } q[] = {{0, 25}, {1, 1}, {100, 100}, {101, 25}, {60, 60}};
    for (const auto& c : q) {
        pic.SetJPegSaveQuality(c.in);
        EXPECT_EQ(pic.JPegSaveQuality(), c.quality) << c.in;
    }
    const struct { int in, smooth; } s[] = {{0, 0}, {100, 100}, {101, 5}, {50, 50}};
    for (const auto& c : s) {
        pic.SetJPegSaveSmooth(c.in);
        EXPECT_EQ(pic.JPegSaveSmooth(), c.smooth) << c.in;
    }
    pic.SetStretch(true);
    pic.SetStretchRatio(true);
    EXPECT_FALSE(pic.Stretch());
    pic.SetStretch(true);
    EXPECT_FALSE(pic.StretchRatio());
    const struct { TLoadResolution res; int bits; } r[] = {
        {lColorVga, 0}, {lMonoChrome, 1}, {lColor16, 4}, {lColor256, 8}, {lColorTrue, 24}};
    for (const auto& c : r) {
        pic.ImageReadRes = c.res;
        EXPECT_EQ(pic.ReaderResolution(), c.bits);
    }
    pic.ImageReadRes = lAutoMatic;
    EXPECT_EQ(pic.ReaderResolution(), 24);  // the offscreen screen has 32 bits
}

TEST(MultiPicture, MissingFiles)
{
    lxtest::TempDir dir;
    TMultiPicture pic(nullptr);
    pic.SetImageName(SavePicture(dir, "a.jpg", Quarters(40, 20)));
    ASSERT_EQ(pic.Picture()->Width(), 40);
    pic.SetImageName(PathIn(dir, "missing.jpg"));
    EXPECT_EQ(pic.LastResult(), "file not found");
    EXPECT_EQ(pic.Picture()->Width(), 0);
    // A missing ".RES" name is still tried as a resource.
    TPromptScript script;
    script.Answer(TPromptKind::Box, IDOK, "Reading resource file failed");
    pic.SetImageName("C:\\PROG\\LOGO.RES");
    EXPECT_EQ(pic.LastResult(), "C:\\PROG\\LOGO.RES");
}

TEST(MultiPicture, LoadsByExtensionAndReadsTheHeader)
{
    lxtest::TempDir dir;
    TMultiPicture pic(nullptr);
    const QImage img = Quarters(40, 20);
    const struct { const char* name; const char* fmt; const char* type; } files[] = {
        {"a.jpg", "JPEG", "JPG"}, {"b.Jpeg", "JPEG", "JPG"}, {"c.bmp", "BMP", "BMP"}, {"d.png", "PNG", "PNG"},
        {"e.gif", "GIF", "GIF"}, {"f.tif", "TIFF", "TIF"}, {"g.tiff", "TIFF", "TIF"}, {"h.thb", "BMP", "BMP"},
        {"i.thj", "JPEG", "JPG"},
    };
    for (const auto& f : files) {
        const QString path = PathIn(dir, f.name);
        if (QString(f.fmt) == "GIF" || QString(f.fmt) == "TIFF") {
            TPicError err;
            ASSERT_TRUE(PicWrite(TPicImage::FromQImage(img), path, QString(f.fmt) == "GIF" ? 400 : 200, 0, err));
        } else {
            ASSERT_TRUE(img.save(path, f.fmt));
        }
        pic.SetImageName(path);
        EXPECT_EQ(pic.LastResult(), path.toUpper()) << f.name;
        EXPECT_EQ(pic.Picture()->Width(), 40) << f.name;
        EXPECT_EQ(pic.Picture()->Height(), 20) << f.name;
        EXPECT_EQ(pic.InfoType, f.type) << f.name;
        EXPECT_EQ(pic.InfoWidth, 40);
        EXPECT_EQ(pic.InfoHeight, 20);
        EXPECT_EQ(pic.InfoFileSize, QFileInfo(path).size());
    }
    // A PCX through its reader, and a picture whose extension lies.
    TPicError err;
    ASSERT_TRUE(PicWrite(TPicImage::FromQImage(img), PathIn(dir, "p.pcx"), 300, 0, err));
    pic.SetImageName(PathIn(dir, "p.pcx"));
    EXPECT_EQ(pic.Picture()->Width(), 40);
    EXPECT_EQ(pic.InfoType, "PCX");
    ASSERT_TRUE(img.save(PathIn(dir, "png.jpg"), "PNG"));
    pic.SetImageName(PathIn(dir, "png.jpg"));
    EXPECT_EQ(pic.Picture()->Width(), 40);
    EXPECT_EQ(pic.InfoType, "PNG");
    // Reading the name loads again.
    pic.Picture()->SetGraphic(nullptr);
    EXPECT_EQ(pic.GetImageName(), PathIn(dir, "png.jpg").toUpper());
    EXPECT_EQ(pic.Picture()->Width(), 40);
    // Other extensions leave the picture as it was.
    WriteBytes(PathIn(dir, "x.dat"), "data");
    pic.SetImageName(PathIn(dir, "x.dat"));
    EXPECT_EQ(pic.Picture()->Width(), 40);
    EXPECT_EQ(pic.LastResult(), PathIn(dir, "x.dat").toUpper());
}

TEST(MultiPicture, BrokenFilesShowTheReaderMessages)
{
    lxtest::TempDir dir;
    TMultiPicture pic(nullptr);
    WriteBytes(PathIn(dir, "bad.jpg"), QByteArray("\xFF\xD8\xFF\xE0 broken", 12));
    WriteBytes(PathIn(dir, "empty.png"), QByteArray());
    TPromptScript script;
    script.Answer(TPromptKind::Box, IDOK, "beschädigt")
        .Answer(TPromptKind::Box, IDOK, "Reading jpg file failed")
        .Answer(TPromptKind::Box, IDOK, "beschädigt")  // the header information too
        .Answer(TPromptKind::Box, IDOK, "leer")
        .Answer(TPromptKind::Box, IDOK, "Reading png file failed")
        .Answer(TPromptKind::Box, IDOK, "leer");
    pic.SetImageName(PathIn(dir, "bad.jpg"));
    EXPECT_EQ(pic.Picture()->Width(), 0);
    pic.SetImageName(PathIn(dir, "empty.png"));
    EXPECT_EQ(pic.Picture()->Width(), 0);
    EXPECT_EQ(script.Records()[1].Flags & MB_ICONINFORMATION, MB_ICONINFORMATION);
    // The control stays usable.
    pic.SetImageName(SavePicture(dir, "ok.png", Quarters(8, 8)));
    EXPECT_EQ(pic.Picture()->Width(), 8);
}

TEST(MultiPicture, IconsAndMetafilesTakeTheirSizeFromTheHeader)
{
    lxtest::TempDir dir;
    TMultiPicture pic(nullptr);
    const QString ico = SavePicture(dir, "a.ico", Quarters(32, 32).convertToFormat(QImage::Format_ARGB32), "ICO");
    pic.SetImageName(ico);
    EXPECT_EQ(pic.LastResult(), "Non TIF, JPeg, BMP, GIF, PNG or PCX Image");
    EXPECT_EQ(pic.InfoType, "ICO");
    EXPECT_EQ(pic.InfoWidth, 32);
    EXPECT_EQ(pic.InfoDescription, "ICO");
    EXPECT_EQ(pic.Picture()->Width(), 32);
    // A placeable metafile of 2 x 1 inches at 1440 units per inch.
    QByteArray wmf("\xD7\xCD\xC6\x9A\0\0\0\0\0\0\x40\x0B\xA0\x05\xA0\x05\0\0\0\0\0\0", 22);
    WriteBytes(PathIn(dir, "m.wmf"), wmf + QByteArray("\x01\0\x09\0\0\x03\x0C\0\0\0\0\0\x03\0\0\0\0\0\x03\0\0\0\0\0", 24));
    pic.SetImageName(PathIn(dir, "m.wmf"));
    EXPECT_EQ(pic.InfoType, "WMF");
    EXPECT_EQ(pic.InfoWidth, 192);
    EXPECT_EQ(pic.InfoHeight, 96);
    EXPECT_FALSE(pic.GetInfo(PathIn(dir, "none.ico")));
    EXPECT_EQ(pic.InfoType, "ERR");
    EXPECT_EQ(pic.InfoWidth, -1);
    EXPECT_EQ(pic.InfoNumbers[2], -1);
    EXPECT_EQ(pic.InfoFileSize, -1);
}

TEST(MultiPicture, PaintStylesAndOverlay)
{
    lxtest::TempDir dir;
    OnForm<TMultiPicture> f(200, 100);
    TMultiPicture& pic = *f.control;
    pic.SetImageName(SavePicture(dir, "q.png", Quarters(40, 40)));
    f.form.Show();
    // Natural size at the top left; the rest in the control's colour.
    QImage img = Shot(pic, "imaging_multipicture_plain");
    EXPECT_EQ(img.pixel(5, 5), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(35, 35), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(100, 50), ColorToQColor(clBtnFace).rgb());
    pic.SetCenter(true);
    img = pic.Handle()->grab().toImage();
    EXPECT_EQ(img.pixel(85, 35), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(115, 65), qRgb(255, 255, 255));
    pic.SetStretchRatio(true);  // 100 x 100 in the middle
    img = pic.Handle()->grab().toImage();
    EXPECT_EQ(img.pixel(60, 10), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(140, 90), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(20, 50), ColorToQColor(clBtnFace).rgb());
    pic.SetStretch(true);  // the whole control
    img = pic.Handle()->grab().toImage();
    EXPECT_EQ(img.pixel(20, 10), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(190, 90), qRgb(255, 255, 255));
    int paints = 0;
    pic.OnPaint = [&](TObject*) { ++paints; };
    pic.Font()->SetColor(clYellow);
    pic.Font()->SetHeight(-20);
    pic.SetTextShadow(true);
    pic.SetTextLeft(10);
    pic.SetTextTop(30);
    pic.SetText("Urlaub");
    img = Shot(pic, "imaging_multipicture_overlay");
    EXPECT_GT(paints, 0);
    int yellow = 0, black = 0;
    for (int y = 30; y < 60; ++y)
        for (int x = 10; x < 90; ++x) {
            yellow += img.pixel(x, y) == qRgb(255, 255, 0);
            black += img.pixel(x, y) == qRgb(0, 0, 0);
        }
    EXPECT_GT(yellow, 10);
    EXPECT_GT(black, 10);  // the shadow
}

TEST(MultiPicture, AutoSizeAndClipboard)
{
    lxtest::TempDir dir;
    TMultiPicture pic(nullptr);
    pic.SetAutoSize(true);
    pic.SetImageName(SavePicture(dir, "q.png", Quarters(64, 48)));
    EXPECT_EQ(pic.Width(), 64);
    EXPECT_EQ(pic.Height(), 48);
    EXPECT_TRUE(pic.Opaque());
    pic.CutToClipboard();
    EXPECT_EQ(pic.Picture()->Width(), 0);
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(64, 48));
    pic.PasteFromClipboard();
    EXPECT_EQ(pic.Picture()->Width(), 64);
    QGuiApplication::clipboard()->clear();
    pic.Picture()->SetGraphic(nullptr);
    QChar paste(22);
    pic.KeyPress(paste);  // Ctrl+V with nothing on the clipboard
    EXPECT_EQ(pic.Picture()->Width(), 0);
}

TEST(MultiPicture, ScanningHasNoScanner)
{
    TMultiPicture pic(nullptr);
    TPromptScript script;
    script.Answer(TPromptKind::Box, IDOK, "Kein Scanner verfügbar.")
        .Answer(TPromptKind::Box, IDOK, "Scanning Image Failed")
        .Answer(TPromptKind::Box, IDOK, "Kein Scanner verfügbar.");
    pic.ScanImage();
    pic.SelectScanSource();
}
