// The pixel memory that sections decoded one after another share: a
// picture nobody holds lends its memory to the next one of its size, the
// pool gives back what it no longer needs, and pictures outlive the pool.

#include <gtest/gtest.h>

#include "picture_samples.h"
#include "platform/picture/picture_buffers.h"
#include "platform/picture/picture_formats.h"
#include "platform/picture/picture_io.h"

using namespace pictest;

TEST(PicBuffers, APictureNobodyHoldsLendsItsMemoryToTheNext)
{
    auto pool = std::make_unique<TPicBuffers>();
    QImage erstes = pool->Image(QSize(100, 50), QImage::Format_RGB32);
    ASSERT_FALSE(erstes.isNull());
    const uchar* speicher = erstes.constBits();
    QImage zweites = pool->Image(QSize(100, 50), QImage::Format_RGB32);
    EXPECT_NE(zweites.constBits(), speicher);
    EXPECT_EQ(pool->Count(), 2);
    // A copy holds the memory as long as it lives.
    QImage kopie = erstes;
    erstes = QImage();
    EXPECT_NE(pool->Image(QSize(100, 50), QImage::Format_RGB32).constBits(), speicher);
    kopie = QImage();
    QImage drittes = pool->Image(QSize(100, 50), QImage::Format_RGB32);
    EXPECT_EQ(drittes.constBits(), speicher);
    // Another size: the free memory of other sizes goes back first.
    zweites = QImage();
    drittes = QImage();
    QImage grau = pool->Image(QSize(33, 7), QImage::Format_Grayscale8);
    ASSERT_EQ(grau.size(), QSize(33, 7));
    EXPECT_EQ(grau.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(pool->Count(), 1);
    // A picture outlives its pool.
    pool.reset();
    grau.fill(200);
    EXPECT_EQ(qGray(grau.pixel(32, 6)), 200);
}

TEST(PicBuffers, SectionsDecodedIntoThePoolShowWhatTheyShowElsewhere)
{
    TPicError err;
    QByteArray jpeg;
    ASSERT_TRUE(PicWriteBytes(TPicImage::FromQImage(Gradient(640, 480)), pfJPEG, 90, jpeg, err));
    const QRect teil(0, 0, 320, 222);
    TPicImage ohne;
    ASSERT_TRUE(PicReadSectionBytes(jpeg, "foto.jpg", 0, 0, 1, teil, ohne, err));
    TPicBuffers pool;
    const uchar* speicher = nullptr;
    for (int runde = 0; runde < 2; ++runde) {
        TPicImage mit;
        ASSERT_TRUE(PicReadSectionBytes(jpeg, "foto.jpg", 0, 0, 1, teil, mit, err, &pool));
        EXPECT_EQ(mit.Pixels, ohne.Pixels);
        // The second section takes the memory the first one gave back.
        if (runde == 0)
            speicher = mit.Pixels.constBits();
        else
            EXPECT_EQ(mit.Pixels.constBits(), speicher);
    }
    EXPECT_EQ(pool.Count(), 1);
}
