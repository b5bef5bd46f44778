// The X server's screen saver through the screen-saver layer, on a private
// Xvfb display that the test starts (never the desktop's): while the layer
// holds the saver off, the server's saver does not come on, and it comes on
// again once the layer lets it.
#include "platform/ui/screen_saver.h"

#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

// Xlib last: its macros (None, Bool, KeyPress, ...) clash with Qt's names.
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace {

class PrivateDisplayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // -displayfd 1: the server writes its display number to our pipe.
        xvfb_.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                               QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                                               QStringLiteral("-screen"), QStringLiteral("0"),
                                               QStringLiteral("320x240x24")});
        ASSERT_TRUE(xvfb_.waitForStarted()) << "Xvfb (package xvfb) is missing";
        while (!xvfb_.canReadLine() && xvfb_.waitForReadyRead()) {}
        const QByteArray nummer = xvfb_.readLine().trimmed();
        ASSERT_FALSE(nummer.isEmpty());
        name_ = ":";
        name_.append(nummer.constData(), static_cast<std::size_t>(nummer.size()));
        beobachter_ = XOpenDisplay(name_.c_str());
        ASSERT_NE(beobachter_, nullptr);
        info_ = XScreenSaverAllocInfo();
    }
    void TearDown() override
    {
        if (info_)
            XFree(info_);
        if (beobachter_)
            XCloseDisplay(beobachter_);
        xvfb_.kill();
        xvfb_.waitForFinished();
    }
    // The server's saver as another client sees it.
    bool SchonerAn()
    {
        XScreenSaverQueryInfo(beobachter_, DefaultRootWindow(beobachter_), info_);
        return info_->state == ScreenSaverOn;
    }

    QProcess xvfb_;
    std::string name_;
    Display* beobachter_ = nullptr;
    XScreenSaverInfo* info_ = nullptr;
};

TEST_F(PrivateDisplayTest, TheServersSaverStaysOffWhileHeldAndComesOnOnceLet)
{
    TXScreenSaver x(name_.c_str());
    ASSERT_TRUE(x.Available());
    EXPECT_GE(x.IdleMs(), 0);
    // The server's saver comes on after one second without input.
    XSetScreenSaver(beobachter_, 1, 0, DontPreferBlanking, AllowExposures);
    XSync(beobachter_, False);
    ASSERT_TRUE(x.Inhibit(QStringLiteral("Automatische Slideshow")));
    EXPECT_TRUE(x.Inhibited());
    QThread::msleep(2500);
    EXPECT_FALSE(SchonerAn());
    EXPECT_GE(x.IdleMs(), 1000);
    x.UnInhibit();
    EXPECT_FALSE(x.Inhibited());
    bool an = false;
    for (int i = 0; i < 300 && !an; ++i) {
        QThread::msleep(50);
        an = SchonerAn();
    }
    EXPECT_TRUE(an);
}

TEST(ScreenSaverX, WithoutADisplayNothingIsHeldAndNoIdleTimeIsKnown)
{
    TXScreenSaver x(":999999");
    EXPECT_FALSE(x.Available());
    EXPECT_FALSE(x.Inhibit(QStringLiteral("Automatische Slideshow")));
    EXPECT_EQ(x.IdleMs(), -1);
}

}  // namespace
