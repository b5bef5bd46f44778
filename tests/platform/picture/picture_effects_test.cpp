// The effect copies of the image object library (brightness, contrast,
// invert and the filters, on chosen channels) and the rotation by any angle.

#include <QImage>
#include <gtest/gtest.h>

#include <cmath>

#include "picture_samples.h"
#include "platform/picture/picture_effects.h"

using pictest::Quarters;

namespace {

QImage Indexed8(int w, int h)
{
    QImage img = Quarters(w, h).convertToFormat(QImage::Format_Indexed8);
    QList<QRgb> table = img.colorTable();
    while (table.size() < 200)
        table << qRgb(table.size(), 0, 0);
    img.setColorTable(table);
    return img;
}

}  // namespace

TEST(PictureEffects, PointEffectsAndFilters)
{
    QImage img(4, 4, QImage::Format_RGB32);
    img.fill(qRgb(100, 150, 200));
    const TPicImage src = TPicImage::FromQImage(img);
    struct Case {
        int code, channels, parameter;
        QRgb expected;
    } cases[] = {
        {peInvert, 7, 0, qRgb(155, 105, 55)},
        {peInvert, kChannelRed, 0, qRgb(155, 150, 200)},
        {peBrightness, 7, 20, qRgb(151, 201, 251)},
        {peBrightness, 7, 100, qRgb(255, 255, 255)},
        {peContrast, 7, -100, qRgb(128, 128, 128)},
        {peContrast, kChannelBlue, 100, qRgb(100, 150, 255)},
        {peSmooth, 7, 0, qRgb(100, 150, 200)},   // a flat picture stays flat
        {peFindEdge, 7, 0, qRgb(0, 0, 0)},
        {peContour, 7, 0, qRgb(255, 255, 255)},
    };
    for (const Case& c : cases) {
        const TPicImage r = PicApplyEffect(src, c.code, c.channels, c.parameter);
        ASSERT_FALSE(r.IsNull()) << c.code;
        EXPECT_EQ(r.Pixels.pixel(1, 1), c.expected) << c.code << " " << c.channels;
    }
    // An 8-bit picture keeps its palette under the point effects and
    // refuses the filters.
    const TPicImage indexed = TPicImage::FromQImage(Indexed8(8, 8));
    const TPicImage inverted = PicApplyEffect(indexed, peInvert, 7, 0);
    EXPECT_EQ(inverted.Pixels.format(), QImage::Format_Indexed8);
    EXPECT_EQ(inverted.Pixels.pixel(0, 0), qRgb(0, 255, 255));
    EXPECT_TRUE(PicApplyEffect(indexed, peBlur, 7, 0).IsNull());
    EXPECT_TRUE(PicApplyEffect(src, 999, 7, 0).IsNull());
}

TEST(PictureEffects, RotationByAnyAngle)
{
    const TPicImage src = TPicImage::FromQImage(Quarters(100, 50));
    const TPicImage clipped = PicRotateAny(src, 45, true, Qt::black);
    EXPECT_EQ(clipped.Pixels.size(), QSize(100, 50));
    EXPECT_EQ(clipped.Pixels.pixel(0, 0), qRgb(0, 0, 0));  // a cut corner
    const TPicImage grown = PicRotateAny(src, 90, false, Qt::black);
    EXPECT_EQ(grown.Pixels.size(), QSize(50, 100));
    EXPECT_EQ(grown.Pixels.pixel(45, 5), qRgb(255, 0, 0));  // red went top right
    const TPicImage diagonal = PicRotateAny(src, 30, false, Qt::black);
    EXPECT_EQ(diagonal.Pixels.width(), int(std::ceil(100 * std::cos(M_PI / 6) + 50 * 0.5 - 1e-6)));
}
