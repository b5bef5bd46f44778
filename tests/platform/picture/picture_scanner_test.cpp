// Scanning through SANE with its "test" backend: every frame kind the
// backend sends (grey and colour, 1, 8 and 16 bits, three passes, a hand
// scanner of unknown height, lines with wasted pixels) turned into a
// picture of the right size and colour, and the reader library's scan and
// source selection over it.

#include <gtest/gtest.h>

#include <cerrno>

#include <poll.h>
#include <unistd.h>

#include "platform/picture/picture_reader.h"
#include "platform/picture/picture_scanner.h"
#include "sane_test_backend.h"

using namespace scantest;

namespace {

struct Frame {
    const char* mode;
    const char* depth;
    const char* picture;
    std::vector<std::pair<const char*, const char*>> extra;
    int bits;
    QRgb topLeft;
};

}  // namespace

TEST(PictureScanner, EveryFrameKindBecomesAPicture)
{
    UseSaneTestBackend();
    const Frame frames[] = {
        {"Gray", "8", "Solid white", {}, 8, qRgb(255, 255, 255)},
        {"Gray", "8", "Solid black", {}, 8, qRgb(0, 0, 0)},
        {"Gray", "1", "Solid black", {}, 1, qRgb(0, 0, 0)},
        {"Gray", "1", "Solid white", {}, 1, qRgb(255, 255, 255)},
        {"Gray", "16", "Solid white", {}, 8, qRgb(255, 255, 255)},
        {"Color", "8", "Solid white", {}, 24, qRgb(255, 255, 255)},
        {"Color", "16", "Solid black", {}, 24, qRgb(0, 0, 0)},
        {"Color", "8", "Solid white", {{"three-pass", "yes"}}, 24, qRgb(255, 255, 255)},
        {"Gray", "8", "Solid white", {{"ppl-loss", "7"}}, 8, qRgb(255, 255, 255)},
        {"Color", "8", "Color pattern", {{"read-limit", "yes"}, {"read-limit-size", "333"}}, 24, 0},
    };
    for (const Frame& f : frames) {
        TScanSession s;
        TPicError err;
        ASSERT_TRUE(s.Open("test:0", err)) << err.Text.toStdString();
        for (auto [name, value] : std::vector<std::pair<const char*, const char*>>{
                 {"mode", f.mode}, {"depth", f.depth}, {"test-picture", f.picture}, {"resolution", "40"}})
            ASSERT_TRUE(s.SetOption(name, value, err)) << name << " " << err.Text.toStdString();
        for (auto [name, value] : f.extra)
            ASSERT_TRUE(s.SetOption(name, value, err)) << name << " " << err.Text.toStdString();
        TPicImage img;
        ASSERT_EQ(s.Scan(img, err), TScanSession::srPicture) << f.mode << f.depth << " " << err.Text.toStdString();
        EXPECT_EQ(img.BitsPerPixel, f.bits) << f.mode << f.depth;
        EXPECT_DOUBLE_EQ(img.ResolutionX, 40.0);
        EXPECT_NEAR(img.Height(), int(100 / 25.4 * 40), 1) << f.mode << f.depth;
        EXPECT_NEAR(img.Width(), int(80 / 25.4 * 40), 8) << f.mode << f.depth;
        if (f.topLeft) {
            EXPECT_EQ(img.Pixels.pixel(img.Width() / 2, img.Height() / 2) | 0xff000000u, f.topLeft)
                << f.mode << f.depth << f.picture;
        }
        for (auto [name, value] : f.extra)
            s.SetOption(name, QString(name) == "read-limit-size" ? "65536" : "no", err);
        s.SetOption("ppl-loss", "0", err);
    }
}

TEST(PictureScanner, HandScannerOfUnknownHeight)
{
    UseSaneTestBackend();
    TScanSession s;
    TPicError err;
    ASSERT_TRUE(s.Open("test:1", err));
    ASSERT_TRUE(s.SetOption("hand-scanner", "yes", err));
    ASSERT_TRUE(s.SetOption("resolution", "30", err));
    TPicImage img;
    ASSERT_EQ(s.Scan(img, err), TScanSession::srPicture) << err.Text.toStdString();
    EXPECT_GT(img.Height(), 0);
    EXPECT_NEAR(img.Width(), int(110 / 25.4 * 30), 2);  // a hand scanner is 11 cm wide
    ASSERT_TRUE(s.SetOption("hand-scanner", "no", err));
}

TEST(PictureScanner, FeederRunsEmptyAndBadValuesAreRefused)
{
    UseSaneTestBackend();
    TScanSession s;
    TPicError err;
    ASSERT_TRUE(s.Open("test:0", err));
    ASSERT_TRUE(s.SetOption("resolution", "10", err));
    ASSERT_TRUE(s.SetOption("source", s.FeederChoice(), err));
    TPicImage img;
    int pages = 0;
    TScanSession::TResult r;
    while ((r = s.Scan(img, err)) == TScanSession::srPicture && pages < 50)
        ++pages;
    EXPECT_EQ(r, TScanSession::srNoDocuments);
    EXPECT_EQ(pages, 10);
    EXPECT_EQ(err.Code, peTwain);
    ASSERT_TRUE(s.SetOption("source", "Flatbed", err));
    EXPECT_EQ(s.Scan(img, err), TScanSession::srPicture);
    // Values that are none are refused without reaching the device.
    EXPECT_FALSE(s.SetOption("resolution", "1e99", err));
    EXPECT_FALSE(s.SetOption("hand-scanner", "vielleicht", err));
    EXPECT_FALSE(s.SetOption("mode", QString(5000, 'x'), err));
    TScanSession closed;
    EXPECT_EQ(closed.Scan(img, err), TScanSession::srFailed);
}

// Failures the source reports while it sends: each scan fails with the
// source's own reason (never a hang: a helper that went silent would say
// "antwortet nicht"), and the session scans again afterwards.
TEST(PictureScanner, FailuresWhileReading)
{
    UseSaneTestBackend();
    TScanSession s;
    TPicError err;
    ASSERT_TRUE(s.Open("test:0", err));
    ASSERT_TRUE(s.SetOption("resolution", "10", err));
    TPicImage img;
    const char* failures[] = {"SANE_STATUS_IO_ERROR", "SANE_STATUS_JAMMED", "SANE_STATUS_NO_MEM",
                              "SANE_STATUS_CANCELLED"};
    for (const char* f : failures) {
        ASSERT_TRUE(s.SetOption("read-return-value", f, err));
        EXPECT_EQ(s.Scan(img, err), TScanSession::srFailed) << f;
        EXPECT_EQ(err.Code, peTwain);
        EXPECT_TRUE(err.Text.startsWith("Der Scan ist fehlgeschlagen: ")) << f << " " << err.Text.toStdString();
        EXPECT_TRUE(img.IsNull());
    }
    ASSERT_TRUE(s.SetOption("read-return-value", "Default", err));
    EXPECT_EQ(s.Scan(img, err), TScanSession::srPicture);
}

TEST(PictureScanner, ReaderLibraryScansTheChosenSource)
{
    UseSaneTestBackend();
    SetScanChosenSource(QString());
    QStringList offered;
    EXPECT_EQ(ImgTwainSelectSource([&](const QList<TScanSource>& sources, QString& chosen) {
                  for (const TScanSource& s : sources)
                      offered << s.Name;
                  chosen = "test:1";
                  return true;
              }),
              kImgOk);
    EXPECT_EQ(offered, QStringList({"test:0", "test:1"}));
    EXPECT_EQ(ScanChosenSource(), "test:1");
    // Cancelled: nothing changes.
    EXPECT_EQ(ImgTwainSelectSource([](const QList<TScanSource>&, QString&) { return false; }), kImgOk);
    EXPECT_EQ(ScanChosenSource(), "test:1");
    QImage bmp;
    ASSERT_EQ(ImgTwainScan(false, 24, true, bmp), kImgOk);
    EXPECT_EQ(bmp.depth(), 32);
    ASSERT_EQ(ImgTwainScan(false, 1, true, bmp), kImgOk);
    EXPECT_EQ(BitsPerPixelOf(bmp), 1);
    SetScanChosenSource("test:5");
    EXPECT_EQ(ImgTwainScan(false, 0, true, bmp), kImgScanFailed);
    EXPECT_FALSE(ImgErrorText(kImgScanFailed).isEmpty());
    SetScanChosenSource(QString());
}

namespace {

// A helper fault that never returns at `point`: a backend that hangs there.
class HangAt {
public:
    explicit HangAt(const QString& point)
    {
        SetScanWatchdog(std::chrono::milliseconds(300));
        SetScanHelperFault([point](const QString& at) {
            if (at == point)
                for (;;)
                    ::pause();
        });
    }
    ~HangAt()
    {
        SetScanHelperFault({});
        SetScanWatchdog(std::chrono::seconds(60));
    }
};

// Counts until no helper is left (a hung one is killed once the watchdog's
// time has passed); false when one stays.
bool HelpersEnd()
{
    for (int i = 0; i < 5000; ++i) {
        if (RunningScanHelpers() == 0)
            return true;
        ::usleep(1000);
    }
    return false;
}

}  // namespace

// A backend that hangs in its cancel: the cancelled scan comes back with
// its message (the helper answers before it cancels), the caller was asked
// between the pieces (its window lived), the session scans on in a new
// helper, and the hung helper is ended once the watchdog's time is over.
// Nothing here waits on time: the backend holds its second piece until the
// program has sent the cancel (its side of the connection is descriptor 3
// in the helper), and the watchdog's time is over when it is set to zero.
TEST(PictureScanner, ABackendHangingInCancelHoldsNothingUp)
{
    UseSaneTestBackend();
    SetScanHelperFault([](const QString& at) {
        static int pieces = 0;  // counted in the helper
        if (at == "read" && ++pieces >= 2) {
            pollfd p{3, POLLIN, 0};
            while (::poll(&p, 1, -1) < 0 && errno == EINTR) {
            }
        }
        if (at == "cancel")
            for (;;)
                ::pause();
    });
    TScanSession s;
    TPicError err;
    ASSERT_TRUE(s.Open("test:0", err)) << err.Text.toStdString();
    ASSERT_TRUE(s.SetOption("read-limit", "yes", err));
    ASSERT_TRUE(s.SetOption("read-limit-size", "64", err));
    int asked = 0;
    TPicImage img;
    EXPECT_EQ(s.Scan(img, err, [&] { return ++asked >= 3; }), TScanSession::srFailed);
    EXPECT_TRUE(err.Text.contains("abgebrochen")) << err.Text.toStdString();
    EXPECT_EQ(asked, 3);
    // The helper that hangs in its cancel is still there; the next one
    // starts without the fault.
    EXPECT_EQ(RunningScanHelpers(), 1);
    SetScanHelperFault({});
    ASSERT_TRUE(s.SetOption("read-limit", "no", err)) << err.Text.toStdString();
    EXPECT_EQ(s.Scan(img, err), TScanSession::srPicture) << err.Text.toStdString();
    s.Close();
    EXPECT_GE(RunningScanHelpers(), 1);
    SetScanWatchdog(std::chrono::milliseconds(0));
    EXPECT_EQ(RunningScanHelpers(), 0);
    SetScanWatchdog(std::chrono::seconds(60));
}

// A backend that goes silent in the middle of a scan: the watchdog ends
// its helper and the scan fails with a message that says so, while the
// caller is still asked in between; the next scan runs in a new helper
// with the options set before.
TEST(PictureScanner, ASilentBackendIsAFailureNotAHang)
{
    UseSaneTestBackend();
    TScanSession s;
    TPicError err;
    TPicImage img;
    int asked = 0;
    {
        HangAt hang("read");  // in the helpers started from now on
        ASSERT_TRUE(s.Open("test:1", err)) << err.Text.toStdString();
        ASSERT_TRUE(s.SetOption("resolution", "20", err));
        EXPECT_EQ(s.Scan(img, err, [&] { return ++asked < 0; }), TScanSession::srFailed);
    }
    EXPECT_TRUE(err.Text.contains("antwortet nicht mehr")) << err.Text.toStdString();
    EXPECT_GT(asked, 0);
    EXPECT_TRUE(img.IsNull());
    ASSERT_EQ(s.Scan(img, err), TScanSession::srPicture) << err.Text.toStdString();
    EXPECT_DOUBLE_EQ(img.ResolutionX, 20.0);
    s.Close();
    EXPECT_TRUE(HelpersEnd());
}
