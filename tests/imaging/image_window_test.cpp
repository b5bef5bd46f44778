// The image window: layout, fit and zoom, the view of a picture decoded at
// the size shown, the thumbnail sequence of the intake, the image-replacing
// operations, loading with the open and page dialogs, saving with the
// save, compression and quality dialogs, the error handling of bad files,
// and pictures kept in a blob field of an album.

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QtEndian>
#include <gtest/gtest.h>

#include "album_fixture.h"
#include "imaging/image_dialogs.h"
#include "imaging/image_window.h"
#include "imaging_fixture.h"
#include "platform/picture/picture_formats.h"
#include "platform/ui/forms.h"
#include "platform/ui/gauges.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/std_ctrls.h"

using namespace imgtest;

namespace {

QString Tool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

QString MultiPageTiff(const lxtest::TempDir& dir)
{
    QStringList args = {"convert"};
    for (int i = 0; i < 3; ++i)
        args << SavePicture(dir, QString("p%1.png").arg(i), Quarters(10 + 10 * i, 8));
    args << PathIn(dir, "m.tif");
    Tool("gm", args);
    return PathIn(dir, "m.tif");
}

// A window with the 40 x 20 quarters picture loaded, counting its loads.
class ImageWindowLoaded : public ::testing::Test {
protected:
    void SetUp() override
    {
        w.OnPostLoad = [this](TImageWindow*) { ++loads; };
        w.LoadFromFile(SavePicture(dir, "q.png", Quarters(40, 20)), 0, 0);
    }
    lxtest::TempDir dir;
    TImageWindow w{nullptr};
    int loads = 0;
};

}  // namespace

TEST(ImageWindow, Defaults)
{
    TImageWindow w(nullptr);
    EXPECT_EQ(w.Width(), 150);
    EXPECT_EQ(w.Height(), 130);
    EXPECT_EQ(w.DefaultJPEGQuality, 25);
    EXPECT_EQ(w.ZoomIncrement(), 10);
    EXPECT_EQ(w.FitStyle(), fsNone);
    EXPECT_DOUBLE_EQ(w.ZoomFactor(), 1.0);
    EXPECT_EQ(w.BackGroundColor(), clBtnFace);
    EXPECT_EQ(w.ImageType, itAuto);
    EXPECT_EQ(w.BlobCompression, bcNone);
    EXPECT_EQ(w.DatabaseEngineType, detBDE);
    EXPECT_TRUE(w.ShowHorzScroll() && w.ShowVertScroll() && w.ShowGauge());
    EXPECT_TRUE(w.ImageInWindow()->HasImage());  // a blank picture
    EXPECT_EQ(w.Gauge()->Width(), w.VertScrollBar()->Width());
    EXPECT_EQ(w.HorzScrollBar()->Max(), 100);
    // Layout: the view right of the gauge, above the horizontal bar.
    EXPECT_EQ(w.ViewRect().Left, 16);
    EXPECT_EQ(w.ViewRect().Top, 1 + 29);  // below the toolbar
    EXPECT_EQ(w.AvailableWidth(), 150 - 1 - 16 - 16);
    EXPECT_EQ(w.AvailableHeight(), 130 - 2 - 16 - 29);
    w.SetShowGauge(false);
    EXPECT_EQ(w.ViewRect().Left, 0);
    EXPECT_EQ(w.AvailableWidth(), 150 - 1 - 16);
    w.SetBounds(0, 0, 20, 10);  // at least 60 by 60
    EXPECT_EQ(w.Width(), 60);
    EXPECT_EQ(w.Height(), 60);
}

TEST(ImageWindow, PropertyLimits)
{
    TImageWindow w(nullptr);
    const struct { int in, out; } inc[] = {{150, 99}, {-5, 0}, {50, 50}};
    for (const auto& c : inc) {
        w.SetZoomIncrement(c.in);
        EXPECT_EQ(w.ZoomIncrement(), c.out) << c.in;
    }
    w.SetDefaultImageSize(-2000);
    EXPECT_EQ(w.DefaultImageSize(), 1000);
    EXPECT_EQ(w.ImageInWindow()->GetImageWidth(), 1000);
    EXPECT_TRUE(w.Modified);
    w.SetFitStyle(fsBest);
    w.SetZoomFactor(0.0005);
    EXPECT_DOUBLE_EQ(w.ZoomFactor(), 0.001);
    EXPECT_EQ(w.FitStyle(), fsNone);
    // Zoom never reaches zero or below, however often it is zoomed out.
    w.SetZoomFactor(0.1);
    w.ZoomOut();
    EXPECT_DOUBLE_EQ(w.ZoomFactor(), 0.001);
    w.ZoomOut();
    EXPECT_DOUBLE_EQ(w.ZoomFactor(), 0.001);
    w.SetZoomFactor(1.0);
    w.ZoomIn();
    EXPECT_NEAR(w.ZoomFactor(), 1.1, 1e-9);
    w.SetZoomIncrement(10);
    w.ZoomInByIncrement();
    EXPECT_NEAR(w.ZoomFactor(), 1.21, 1e-9);
    w.ZoomOutByIncrement();
    EXPECT_NEAR(w.ZoomFactor(), 1.089, 1e-9);
    w.ShowOriginalSize();
    EXPECT_DOUBLE_EQ(w.ZoomFactor(), 1.0);
}

TEST(ImageWindow, FitBestFillsTheStripBelow)
{
    lxtest::TempDir dir;
    // An available area of 201 by 101 pixels.
    OnForm<TImageWindow> f(201 + 1 + 16 + 16, 101 + 2 + 16);
    TImageWindow& w = *f.control;
    w.SetShowToolbar(false);
    w.SetBackGroundColor(clTeal);
    ASSERT_EQ(w.AvailableWidth(), 201);
    ASSERT_EQ(w.AvailableHeight(), 101);
    w.LoadFromFile(SavePicture(dir, "wide.png", Quarters(400, 100)), 0, 0);
    w.SetFitStyle(fsBest);
    EXPECT_DOUBLE_EQ(w.ZoomFactor(), 0.5);
    EXPECT_EQ(w.ImageInWindow()->DisplayedWidth, 200);
    EXPECT_EQ(w.ImageInWindow()->DisplayedHeight, 50);
    f.form.Show();
    const QImage shot = Shot(w, "imaging_image_window_fit_best");
    const TRect v = w.ViewRect();
    EXPECT_EQ(shot.pixel(v.Left + 10, v.Top + 10), qRgb(255, 0, 0));
    EXPECT_EQ(shot.pixel(v.Left + 190, v.Top + 40), qRgb(255, 255, 255));
    EXPECT_EQ(shot.pixel(v.Left + 100, v.Top + 70), ColorToQColor(clTeal).rgb());  // the strip below
    // Ties fit the height; width and height fits.
    w.SetFitStyle(fsWidth);
    EXPECT_DOUBLE_EQ(w.ZoomFactor(), 0.5);
    w.SetFitStyle(fsHeight);
    EXPECT_DOUBLE_EQ(w.ZoomFactor(), 1.0);
    w.SetFitStyle(fsWindow);
    EXPECT_EQ(w.ImageInWindow()->DisplayedWidth, 200);
    EXPECT_EQ(w.ImageInWindow()->DisplayedHeight, 100);
}

TEST(ImageWindow, ShowsALargePictureDecodedAtTheSizeShown)
{
    lxtest::TempDir dir;
    OnForm<TImageWindow> f(340, 260);
    TImageWindow& w = *f.control;
    w.SetFitStyle(fsBest);
    const QString file = PathIn(dir, "big.jpg");
    ASSERT_TRUE(Gradient(2000, 1500).save(file, "JPEG", 85));
    w.LoadFromFile(file, 0, 0);
    EXPECT_EQ(w.ImageInWindow()->GetImageWidth(), 2000);
    EXPECT_TRUE(w.ImageInWindow()->DecodedPixels().isNull());  // nothing decoded before it shows
    f.form.Show();
    Shot(w, "imaging_image_window_large");
    const QImage& px = w.ImageInWindow()->DecodedPixels();
    ASSERT_FALSE(px.isNull());
    EXPECT_LE(px.width(), 2000 / 2);
    EXPECT_GE(px.width(), w.ImageInWindow()->DisplayedWidth);
    EXPECT_TRUE(w.ImageInWindow()->Reduced());
    EXPECT_EQ(w.ImageInWindow()->GetImageHeight(), 1500);
    // An operation on every pixel takes the whole picture.
    w.Rotate90();
    EXPECT_FALSE(w.ImageInWindow()->Reduced());
    EXPECT_EQ(w.ImageInWindow()->GetImageWidth(), 1500);
    EXPECT_EQ(w.ImageInWindow()->GetImageHeight(), 2000);
}

namespace {

// A 1600 x 1200 camera-like JPEG loaded into the window.
TImageInWindow* PhotoLoaded(TImageWindow& w, const lxtest::TempDir& dir)
{
    const QString file = PathIn(dir, "photo.jpg");
    EXPECT_TRUE(Gradient(1600, 1200).save(file, "JPEG", 85));
    w.LoadFromFile(file, 0, 0);
    return w.ImageInWindow();
}

}  // namespace

TEST(ImageWindow, APictureIsHandedOutAtAReductionOfItsSize)
{
    lxtest::TempDir dir;
    TImageWindow w(nullptr);
    TImageInWindow* h = PhotoLoaded(w, dir);
    const QImage viertel = h->PixelsReducedBy(4);
    EXPECT_EQ(viertel.size(), QSize(400, 300));
    // The picture still is the file's: its size, and the whole on demand.
    EXPECT_TRUE(h->Reduced());
    EXPECT_EQ(h->GetImageWidth(), 1600);
    EXPECT_EQ(h->GetImageHeight(), 1200);
    // The same picture, smaller: the gradient's corners agree (its blue
    // is fine stripes, which a reduction averages).
    const QImage ganz = h->PixelsReducedBy(1);
    EXPECT_EQ(ganz.size(), QSize(1600, 1200));
    EXPECT_FALSE(h->Reduced());
    for (const QPoint ecke : {QPoint(0, 0), QPoint(1599, 0), QPoint(0, 1199), QPoint(1599, 1199)}) {
        const QRgb a = ganz.pixel(ecke), b = viertel.pixel(ecke.x() / 4, ecke.y() / 4);
        EXPECT_NEAR(qRed(a), qRed(b), 12);
        EXPECT_NEAR(qGreen(a), qGreen(b), 12);
    }
    // A picture decoded whole stays whole at any reduction.
    EXPECT_EQ(h->PixelsReducedBy(4).size(), QSize(1600, 1200));
}

TEST(ImageWindow, ShownWindowReportsABrokenPictureWhenItLoads)
{
    lxtest::TempDir dir;
    OnForm<TImageWindow> f(200, 150);
    TImageWindow& w = *f.control;
    f.form.Show();
    // The header is whole, the pixel data is cut off.
    const QString good = SavePicture(dir, "good.png", Gradient(64, 64));
    QFile in(good);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    WriteBytes(PathIn(dir, "cut.png"), in.readAll().left(60));
    {
        TPromptScript script;
        script.Modal<TDlgError>([](TDlgError& d) { d.ModalResult = mrOk; });
        w.LoadFromFile(PathIn(dir, "cut.png"), 0, 0);
        EXPECT_EQ(w.ImageInWindow()->GetImageWidth(), 1);
    }
    TPromptScript quiet;  // painting shows no dialog
    w.Handle()->grab();
    w.LoadFromFile(good, 0, 0);
    w.Handle()->grab();
    EXPECT_EQ(w.ImageInWindow()->GetImageWidth(), 64);
}

TEST(ImageWindow, ThumbnailSequenceOfTheIntake)
{
    lxtest::TempDir dir;
    TImageWindow w(nullptr);
    TImageInWindow* h = PhotoLoaded(w, dir);
    EXPECT_EQ(h->GetImageWidth(), 1600);
    EXPECT_EQ(h->GetImageHeight(), 1200);
    EXPECT_FALSE(w.Modified);
    // The resize decodes at the decoder's scale, not at full size.
    h->EnsurePixelsAtLeast(100, 75);
    EXPECT_LT(h->DecodedPixels().width(), 1600);
    EXPECT_GE(h->DecodedPixels().width(), 100);
    h->ResizeImage(100, 75);
    EXPECT_EQ(h->GetImageWidth(), 100);
    EXPECT_TRUE(w.Modified);
    h->ReduceColors(256, true, false);
    EXPECT_EQ(h->BitsPerPixel(), 8);
    const QString thumb = PathIn(dir, "photo.thb");
    ASSERT_TRUE(h->SaveImageToFile(thumb, 100, 1));
    EXPECT_EQ(Tool("gm", {"identify", "-format", "%m %w %h", thumb}), "BMP 100 75");
    QFile f(thumb);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(qFromLittleEndian<quint16>(f.readAll().constData() + 28), 8);
    EXPECT_FALSE(w.Modified);
}

TEST_F(ImageWindowLoaded, ReplacingOperations)
{
    TImageInWindow* h = w.ImageInWindow();
    w.Rotate90();
    EXPECT_EQ(h->GetImageWidth(), 20);
    EXPECT_TRUE(w.Modified);
    EXPECT_EQ(h->DecodedPixels().pixel(15, 5), qRgb(255, 0, 0));
    w.Rotate270();
    w.Rotate180();
    EXPECT_EQ(h->DecodedPixels().pixel(35, 15), qRgb(255, 0, 0));
    w.FlipHorizontal();
    EXPECT_EQ(h->DecodedPixels().pixel(5, 15), qRgb(255, 0, 0));
    w.FlipVertical();
    EXPECT_EQ(h->DecodedPixels().pixel(5, 5), qRgb(255, 0, 0));
    // A failed copy keeps the previous picture.
    h->ResizeImage(0, 10);
    EXPECT_EQ(h->GetImageWidth(), 40);
    h->ReduceColors(1, false, false);
    EXPECT_EQ(h->GetImageWidth(), 40);
    const QImage part = h->GetBitmapOfRect(Rect(20, 0, 40, 10));
    EXPECT_EQ(part.size(), QSize(20, 10));
    EXPECT_EQ(part.pixel(0, 0), qRgb(0, 255, 0));
    TBitmap target(50, 30);
    h->DrawToDC(Point(5, 5), target.Canvas());
    EXPECT_EQ(target.ToImage().pixel(6, 6), qRgb(255, 0, 0));
}

TEST(ImageWindow, SelectionCropAndClipboard)
{
    lxtest::TempDir dir;
    OnForm<TImageWindow> f(300, 200);
    TImageWindow& w = *f.control;
    w.LoadFromFile(SavePicture(dir, "q.png", Quarters(100, 60)), 0, 0);
    f.form.Show();
    // Without a selection the whole picture goes to the clipboard.
    w.CopyToClipboard();
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(100, 60));
    const TRect v = w.ViewRect();
    w.MouseDown(mbLeft, {ssLeft}, v.Left + 50, v.Top + 30);
    w.MouseMove({ssLeft}, v.Left + 90, v.Top + 55);
    w.MouseUp(mbLeft, {}, v.Left + 90, v.Top + 55);
    ASSERT_TRUE(w.SelectionPresent());
    Shot(w, "imaging_image_window_selection");
    w.CopyToClipboard();
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(40, 25));
    w.Crop();
    EXPECT_EQ(w.ImageInWindow()->GetImageWidth(), 40);
    EXPECT_EQ(w.ImageInWindow()->GetImageHeight(), 25);
    EXPECT_EQ(w.ImageInWindow()->DecodedPixels().pixel(39, 24), qRgb(255, 255, 255));
    QGuiApplication::clipboard()->setImage(Quarters(12, 12));
    w.PasteFromClipboard();
    EXPECT_EQ(w.ImageInWindow()->GetImageWidth(), 12);
    // Ctrl-click zooms by the increment.
    w.MouseDown(mbLeft, {ssLeft, ssCtrl}, v.Left + 5, v.Top + 5);
    EXPECT_NEAR(w.ZoomFactor(), 1.1, 1e-9);
    w.MouseUp(mbLeft, {}, v.Left + 5, v.Top + 5);
    w.MouseDown(mbRight, {ssRight, ssCtrl}, v.Left + 5, v.Top + 5);
    EXPECT_NEAR(w.ZoomFactor(), 0.99, 1e-9);
}

TEST(ImageWindow, ScrollingAndDragging)
{
    lxtest::TempDir dir;
    TImageWindow w(nullptr);
    w.SetShowToolbar(false);
    w.SetBounds(0, 0, 233, 118);  // 200 x 100 available, W = 199, H = 99
    w.LoadFromFile(SavePicture(dir, "big.png", Quarters(400, 300)), 0, 0);
    TImageInWindow* h = w.ImageInWindow();
    w.HorzScrollBar()->SetPosition(50);
    EXPECT_EQ(h->ScrollX, 100);  // Round(50 x (400 - 199) x 0.01) = Round(100.5), halves to even
    w.VertScrollBar()->SetPosition(100);
    EXPECT_EQ(h->ScrollY, 201);
    // Dragging with the right button scrolls by the mouse's way in image pixels.
    w.MouseDown(mbRight, {ssRight}, 100, 50);
    w.MouseMove({ssRight}, 90, 60);
    EXPECT_EQ(w.HorzScrollBar()->Position(), 60);
    EXPECT_EQ(w.VertScrollBar()->Position(), 90);
    w.MouseUp(mbRight, {}, 90, 60);
    // A picture that fits puts the bars back to 0.
    w.SetFitStyle(fsBest);
    EXPECT_EQ(h->ScrollX, 0);
    EXPECT_EQ(w.HorzScrollBar()->Position(), 0);
}

TEST(ImageWindow, ProgressFactorsAndGauge)
{
    const struct { int cls, mode, value, bits; double f; } cases[] = {
        {10, 3, 100, 24, 1.0}, {10, 3, 300, 24, 1.2}, {10, 3, 200, 24, 1.5}, {10, 3, 400, 24, 1.5},
        {10, 3, 500, 24, 3.0}, {10, 3, 0, 24, 3.0}, {10, 6, 0, 24, 0.0}, {20, 3, 100, 24, 1.0},
        {20, 3, 300, 24, 1.0}, {20, 3, 200, 24, 1.5}, {20, 3, 700, 24, 3.0}, {20, 4, 0, 24, 100.0},
        {30, 10, 0, 24, 1.0}, {30, 30, 90, 24, 6.0}, {30, 30, 180, 24, 3.0}, {30, 30, 270, 1, 48.0},
        {30, 30, 45, 24, 30.0}, {30, 50, 200, 24, 6.0}, {30, 50, 100, 24, 3.0}, {30, 40, 0, 8, 10.0},
        {30, 400, 0, 8, 10.0}, {30, 20, 0, 4, 8.0}, {30, 99, 0, 24, 0.0}, {40, 1, 0, 24, 0.0},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(ProgressFactor(c.cls, c.mode, c.value, c.bits), c.f) << c.cls << "/" << c.mode << "/" << c.value;
    TImageWindow w(nullptr);
    w.SetDefaultImageSize(1000);  // 3 000 000 bytes at 24 bits
    bool used = false;
    w.WithProgress(30, 10, 0, [&] { used = w.GaugeInUse(); });
    EXPECT_TRUE(used);
    EXPECT_EQ(w.Gauge()->MaxValue(), 98);
    EXPECT_EQ(w.Gauge()->Progress(), 0);
    EXPECT_FALSE(w.GaugeInUse());
    w.SetDefaultImageSize(100);  // 30 000 bytes
    w.WithProgress(30, 10, 0, [&] { used = w.GaugeInUse(); });
    EXPECT_FALSE(used);
}

TEST_F(ImageWindowLoaded, LoadingMissingAndBadFiles)
{
    EXPECT_EQ(loads, 1);
    // A missing file: a blank picture without a message.
    w.LoadFromFile(PathIn(dir, "none.jpg"), 0, 0);
    EXPECT_EQ(loads, 2);
    EXPECT_EQ(w.ImageInWindow()->GetImageWidth(), 1);
    EXPECT_EQ(w.ImageName(), PathIn(dir, "none.jpg"));
    // A file the library cannot read: the error dialog, then a blank picture.
    WriteBytes(PathIn(dir, "bad.png"), QByteArray("\x89PNG\r\n\x1a\n garbage", 17));
    WriteBytes(PathIn(dir, "zero.jpg"), QByteArray());
    {
        TPromptScript script;
        QString message;
        script.Modal<TDlgError>([&](TDlgError& d) {
            message = d.ValueLabel(7)->Caption();
            d.ModalResult = mrOk;
        });
        w.LoadFromFile(PathIn(dir, "bad.png"), 0, 0);
        EXPECT_TRUE(message.contains("beschädigt")) << message.toStdString();
    }
    EXPECT_EQ(w.ImageInWindow()->GetImageWidth(), 1);
    w.SetErrorDialogEnabled(false);
    {
        TPromptScript script;  // nothing shown
        w.LoadFromFile(PathIn(dir, "zero.jpg"), 0, 0);
        w.LoadFromFile(PathIn(dir, "bad.png"), 0, 0);
    }
    EXPECT_EQ(w.ImageInWindow()->GetImageWidth(), 1);
    // A huge header is refused before any decoding.
    QByteArray tga(18, 0);
    tga[2] = 2; tga[12] = char(0xFF); tga[13] = char(0xFF); tga[14] = char(0xFF); tga[15] = char(0xFF); tga[16] = 24;
    WriteBytes(PathIn(dir, "huge.tga"), tga + QByteArray(100, 0));
    int refused = 0;
    w.SetErrorDialogEnabled(true);
    w.OnLLError = [&](TPicObjBase*, bool& callStd, TPicObjError* e) {
        refused += e->ErrorCode() == peTooLarge;
        callStd = false;
    };
    w.LoadFromFile(PathIn(dir, "huge.tga"), 0, 0);
    EXPECT_EQ(refused, 1);
    // The window stays usable.
    w.LoadFromFile(PathIn(dir, "q.png"), 0, 0);
    EXPECT_EQ(w.ImageInWindow()->GetImageWidth(), 40);
}

TEST_F(ImageWindowLoaded, OpenDialogAndPageChoice)
{
    {
        TPromptScript script;
        script.Answer(TPromptKind::OpenFile, mrCancel);
        w.LoadFromFile(QString(), 700, 0);
        EXPECT_EQ(script.Records()[0].Kind, TPromptKind::OpenFile);
    }
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(w.ImageInWindow()->GetImageWidth(), 40);
    const QString tif = MultiPageTiff(dir);
    {
        TPromptScript script;
        script.Modal<TMultiImageDialog>([&](TMultiImageDialog& d) {
            EXPECT_EQ(d.Caption(), "\"Multipage Tiff Image\" Auswahl");
            ASSERT_EQ(d.Pages->Items()->Count(), 3);
            EXPECT_EQ(d.Pages->Items()->Get(0), "Tiff Image Page 1");
            EXPECT_EQ(d.Pages->Items()->Get(2), "Tiff Image Page 3");
            EXPECT_EQ(d.WidthLabel->Caption(), "Breite: 10 Pixel");
            d.Pages->SetItemIndex(2);
            d.PageChanged();
            EXPECT_EQ(d.WidthLabel->Caption(), "Breite: 30 Pixel");
            EXPECT_EQ(d.Preview->FitStyle(), fsBest);
            Shot(d, "imaging_page_dialog");
            d.ModalResult = mrOk;
        });
        w.LoadFromFile(tif, 0, 0);
    }
    EXPECT_EQ(loads, 2);
    EXPECT_EQ(w.ImageInWindow()->GetImageWidth(), 30);
    {
        TPromptScript script;
        script.Modal([](TCustomForm& f) { f.ModalResult = mrCancel; });
        w.LoadFromFile(tif, 0, 0);
    }
    EXPECT_EQ(loads, 2);
    EXPECT_EQ(w.ImageInWindow()->GetImageWidth(), 30);
    // A page given by the caller needs no dialog; a single-page TIFF neither.
    w.LoadFromFile(tif, 0, 1);
    EXPECT_EQ(w.ImageInWindow()->GetImageWidth(), 20);
    // A broken page: its strip overwritten (where tiffinfo says it lies).
    const QString strips = Tool("tiffinfo", {"-s", tif});
    const QRegularExpressionMatch m =
        QRegularExpression(R"(0: \[\s*(\d+),\s*(\d+)\]\s*$)").match(strips);
    ASSERT_TRUE(m.hasMatch()) << strips.toStdString();
    QFile f(tif);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QByteArray bytes = f.readAll();
    f.close();
    bytes.replace(m.captured(1).toInt(), m.captured(2).toInt(), QByteArray(m.captured(2).toInt(), '\xFF'));
    WriteBytes(PathIn(dir, "broken.tif"), bytes);
    int corrupt = 0;
    w.OnLLError = [&](TPicObjBase*, bool& callStd, TPicObjError* e) {
        corrupt += e->ErrorCode() == peCorrupt;
        callStd = false;
    };
    w.LoadFromFile(PathIn(dir, "broken.tif"), 0, 2);
    EXPECT_EQ(corrupt, 1);
    EXPECT_EQ(w.ImageInWindow()->GetImageWidth(), 1);  // a blank picture
    w.LoadFromFile(PathIn(dir, "broken.tif"), 0, 1);
    EXPECT_EQ(w.ImageInWindow()->GetImageWidth(), 20);
    w.OnLLError = nullptr;
    const QString single = PathIn(dir, "s.tif");
    TPicError err;
    ASSERT_TRUE(PicWrite(TPicImage::FromQImage(Quarters(16, 16)), single, pfTIFF, 160, err));
    w.LoadFromFile(single, 0, 0);
    EXPECT_EQ(w.ImageInWindow()->GetImageWidth(), 16);
}

TEST_F(ImageWindowLoaded, SaveAsWithItsDialogs)
{
    {
        TPromptScript script;
        script.AnswerValue(PathIn(dir, "A.JPEG")).Modal<TQualityDlg>([](TQualityDlg& d) {
            EXPECT_EQ(d.Quality->Text(), "25");
            d.Quality->SetText("10");
            d.ModalResult = mrOk;
        });
        w.SaveAs();
        EXPECT_EQ(script.Records()[0].Kind, TPromptKind::SaveFile);
    }
    EXPECT_EQ(w.LastSaveFormat(), 500);
    EXPECT_EQ(Tool("gm", {"identify", "-format", "%m %Q", PathIn(dir, "A.JPEG")}), "JPEG 10");
    {
        TPromptScript script;
        script.AnswerValue(PathIn(dir, "b.tif")).Modal<TCompressionDlg>([](TCompressionDlg& d) {
            EXPECT_EQ(d.Types->Items()->Count(), 3);  // no CCITT for a colour picture
            EXPECT_EQ(d.Types->ItemIndex(), 0);
            d.Types->SetItemIndex(1);
            d.ModalResult = mrOk;
        });
        w.SaveAs();
    }
    EXPECT_TRUE(Tool("tiffinfo", {PathIn(dir, "b.tif")}).contains("Compression Scheme: LZW"));
    {
        // Cancelling the compression choice still saves, uncompressed.
        TPromptScript script;
        script.AnswerValue(PathIn(dir, "c.TIFF")).Modal([](TCustomForm& f) { f.ModalResult = mrCancel; });
        w.SaveAs();
    }
    EXPECT_TRUE(Tool("tiffinfo", {PathIn(dir, "c.TIFF")}).contains("Compression Scheme: None"));
    {
        // An extension that is no save format is refused.
        TPromptScript script;
        script.AnswerValue(PathIn(dir, "d.xyz")).Answer(TPromptKind::Dialog, mrOk, "kein Bildformat");
        w.SaveAs();
    }
    EXPECT_FALSE(QFile::exists(PathIn(dir, "d.xyz")));
    EXPECT_EQ(w.LastSaveFormat(), 200);
    {
        TPromptScript script;
        script.Answer(TPromptKind::SaveFile, mrCancel);
        w.SaveAs();
    }
    // 1-bit pictures are offered the CCITT compressions, Group 4 first.
    w.ImageInWindow()->ReduceColors(2, false, false);
    {
        TPromptScript script;
        script.AnswerValue(PathIn(dir, "e.tif")).Modal<TCompressionDlg>([](TCompressionDlg& d) {
            EXPECT_EQ(d.Types->Items()->Count(), 6);
            EXPECT_EQ(d.Types->Items()->Get(3), "TIFF CCITT 1D Huffmman");
            EXPECT_EQ(d.Types->ItemIndex(), 5);
            Shot(d, "imaging_compression_dialog");
            d.ModalResult = mrOk;
        });
        w.SaveAs();
    }
    EXPECT_TRUE(Tool("tiffinfo", {PathIn(dir, "e.tif")}).contains("Compression Scheme: CCITT Group 4"));
}

TEST_F(ImageWindowLoaded, FailedSaveKeepsModified)
{
    w.Rotate90();
    ASSERT_TRUE(w.Modified);
    int errors = 0;
    w.OnLLError = [&](TPicObjBase*, bool& callStd, TPicObjError*) { ++errors; callStd = false; };
    EXPECT_FALSE(w.ImageInWindow()->SaveImageToFile(PathIn(dir, "no/such/folder/a.bmp"), 100, 0));
    EXPECT_TRUE(w.Modified);
    EXPECT_EQ(errors, 1);
    EXPECT_FALSE(w.ImageInWindow()->SaveImageToFile(PathIn(dir, "a.wmf"), 0, 0));
    EXPECT_EQ(errors, 2);
    // JPEG quality 0 is the window's default quality.
    w.DefaultJPEGQuality = 30;
    ASSERT_TRUE(w.ImageInWindow()->SaveImageToFile(PathIn(dir, "a.jpg"), 500, 0));
    EXPECT_EQ(Tool("gm", {"identify", "-format", "%Q", PathIn(dir, "a.jpg")}), "30");
    EXPECT_FALSE(w.Modified);
    // Unbound, an empty name writes nothing.
    EXPECT_FALSE(w.ImageInWindow()->SaveImageToFile(QString(), 0, 0));
}

class ImageWindowAlbum : public AlbumTest {};

TEST_F(ImageWindowAlbum, PicturesInABlobField)
{
    MakeAlbum(3, [](int i) {
        if (i == 2)
            Thumb(Quarters(30, 20));
    });
    OpenAlbum();
    TImageWindow w(nullptr);
    int loads = 0;
    w.OnPostLoad = [&](TImageWindow*) { ++loads; };
    w.SetDataSource(source.get());
    w.SetDataField("VORSCHAU");
    ASSERT_TRUE(w.Bound());
    // Record 1 has no picture: a blank one.
    EXPECT_EQ(w.ImageInWindow()->GetImageWidth(), 1);
    table->Next();
    EXPECT_EQ(w.ImageInWindow()->GetImageWidth(), 30);  // a plain BMP file in the field
    EXPECT_FALSE(w.Modified);
    // Stored in the library's own format: signature and whole 2048-byte pieces.
    w.Rotate90();
    EXPECT_TRUE(w.Modified);
    w.SaveAs();
    EXPECT_FALSE(w.Modified);
    auto* field = dynamic_cast<TBlobField*>(table->FieldByName("VORSCHAU"));
    ASSERT_NE(field, nullptr);
    QByteArray stored = field->AsBytes();
    EXPECT_TRUE(stored.startsWith("BLOB01010000"));
    EXPECT_EQ(stored.size() % 2048, 0);
    EXPECT_EQ(qFromLittleEndian<quint32>(stored.constData() + 12), 1u);
    table->Prior();
    table->Next();
    EXPECT_EQ(w.ImageInWindow()->GetImageWidth(), 20);
    EXPECT_EQ(w.ImageInWindow()->GetImageHeight(), 30);
    // bcSize: a 24-bit picture as JPEG with encoding 3, a 1-bit one as TIFF with 0x30003.
    w.BlobCompression = bcSize;
    long seenFormat = 0;
    w.OnSaveStream = [&](TImageWindow*, long& format, long&) { seenFormat = format; };
    w.SaveAs();
    EXPECT_EQ(seenFormat, 500);
    stored = field->AsBytes();
    EXPECT_EQ(qFromLittleEndian<quint32>(stored.constData() + 12), 3u);
    EXPECT_EQ(DetectPictureFormat(stored.mid(20, 16)), pfJPEG);
    w.ImageInWindow()->ReduceColors(2, false, false);
    w.SaveAs();
    EXPECT_EQ(seenFormat, 200);
    stored = field->AsBytes();
    EXPECT_EQ(qFromLittleEndian<quint32>(stored.constData() + 12), 0x30003u);
    EXPECT_EQ(DetectPictureFormat(stored.mid(20, 16)), pfTIFF);
    // bcStream: an ordinary picture file.
    w.BlobCompression = bcStream;
    w.OnSaveStream = [](TImageWindow*, long& format, long&) { format = 700; };
    w.SaveAs();
    stored = field->AsBytes();
    EXPECT_EQ(DetectPictureFormat(stored.left(16)), pfPNG);
    table->Next();
    table->Prior();
    EXPECT_EQ(w.ImageInWindow()->GetImageWidth(), 20);
    EXPECT_GT(loads, 3);
    // The engine's way: the memo field holds the file as written.
    w.DatabaseEngineType = detDBE;
    w.Rotate90();
    EXPECT_TRUE(w.ImageInWindow()->SaveImageToFile(QString(), 100, 0));
    EXPECT_EQ(DetectPictureFormat(field->AsBytes().left(64)), pfBMP);
    EXPECT_FALSE(w.Modified);
}

TEST_F(ImageWindowAlbum, FileNamesFromATextField)
{
    lxtest::TempDir pics;
    SavePicture(pics, "a.png", Quarters(24, 12));
    MakeAlbum(2, [](int i) { dbe_Replace("DATEI", DBE_REPL_TEXT, i == 1 ? "a.png" : "none.png"); });
    OpenAlbum();
    TImageWindow w(nullptr);
    w.SetImagePath(LinuxToWinOrSelf(QString::fromStdString(pics.str())));
    w.SetDataSource(source.get());
    w.SetDataField("DATEI");
    EXPECT_EQ(w.ImageName(), "a.png");
    EXPECT_EQ(w.ImageInWindow()->GetImageWidth(), 24);
    table->Next();  // a name that does not exist changes nothing
    EXPECT_EQ(w.ImageName(), "a.png");
    EXPECT_EQ(w.ImageInWindow()->GetImageWidth(), 24);
    // A picture cannot be stored into a text field: reported, still modified.
    w.Rotate90();
    int errors = 0;
    w.OnLLError = [&](TPicObjBase*, bool& callStd, TPicObjError* e) {
        errors += e->GetLLErrorText().contains("DATEI", Qt::CaseInsensitive);
        callStd = false;
    };
    EXPECT_FALSE(w.ImageInWindow()->SaveImageToFile(QString(), 100, 0));
    EXPECT_EQ(errors, 1);
    EXPECT_TRUE(w.Modified);
    EXPECT_EQ(table->FieldByName("DATEI")->AsString().trimmed(), "none.png");
}
