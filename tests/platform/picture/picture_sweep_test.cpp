// Truncations and byte flips over one small sample of every format: each
// read ends in a picture within the limits or an error record, never in a
// crash (the sanitizer twin of this program runs the same sweep).

#include <gtest/gtest.h>

#include "picture_samples.h"
#include "platform/picture/picture_io.h"
#include "platform/picture/picture_limits.h"
#include "platform/picture/picture_reader.h"

using namespace pictest;

namespace {

void ReadOnce(const QByteArray& bytes, const QString& name)
{
    TPicInfo info;
    TPicError err;
    if (PicPingBytes(bytes, name, info, err)) {
        EXPECT_TRUE(PictureSizeAllowed(info.Width, info.Height));
    } else {
        EXPECT_NE(err.Code, peNone);
        EXPECT_FALSE(err.Text.isEmpty());
    }
    TPicImage img;
    for (int page : {0, 1}) {
        if (PicReadBytes(bytes, name, 0, page, img, err, page == 1 ? QSize(8, 8) : QSize())) {
            EXPECT_TRUE(PictureSizeAllowed(img.Width(), img.Height()));
        } else {
            EXPECT_NE(err.Code, peNone);
            EXPECT_TRUE(img.IsNull() || page == 1);
        }
    }
    PicDecodeObject(QByteArray(kPicObjectSignature, 12) + bytes, img, err);
}

}  // namespace

TEST(PictureSweep, TruncationsAndByteFlips)
{
    const auto samples = SampleFiles();
    ASSERT_EQ(samples.size(), 9u);
    uint32_t seed = 12345;
    auto next = [&seed] { seed = seed * 1103515245u + 12345u; return (seed >> 8) & 0xFFFFFF; };
    for (const auto& [ext, sample] : samples) {
        ASSERT_FALSE(sample.isEmpty()) << ext.toStdString();
        const QString name = "sample." + ext;
        SCOPED_TRACE(name.toStdString());
        // Truncations: every length of the first 64 bytes, then 24 spread lengths.
        for (int len = 0; len < std::min<int>(64, sample.size()); ++len)
            ReadOnce(sample.left(len), name);
        for (int i = 1; i <= 24; ++i)
            ReadOnce(sample.left(int(int64_t(sample.size()) * i / 25)), name);
        // Flips: every header byte to 0xFF and to 0x00, then 64 random bytes
        // to random values.
        for (int at = 0; at < std::min<int>(48, sample.size()); ++at)
            for (char v : {'\xFF', '\x00', '\x7F'}) {
                QByteArray b = sample;
                b[at] = v;
                ReadOnce(b, name);
            }
        for (int i = 0; i < 64; ++i) {
            QByteArray b = sample;
            b[int(next() % uint32_t(b.size()))] = char(next() & 0xFF);
            b[int(next() % uint32_t(b.size()))] = char(next() & 0xFF);
            ReadOnce(b, name);
        }
    }
}
