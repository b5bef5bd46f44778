// TQKBlinker: colour phases driven by calling the timer's handler, the
// colour taken over from the control, style changes, the interval rule and
// the watched control going away.

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "platform/ui/forms.h"
#include "platform/ui/ext_ctrls.h"
#include "shared/qk_blinker.h"

namespace {

struct BlinkerFixture : ::testing::Test {
    BlinkerFixture()
    {
        label = new TPanel(&form);
        label->SetParent(&form);
        label->SetColor(clTeal);
        label->Font()->SetColor(clNavy);
        blinker = new TQKBlinker(&form);
    }
    TForm form{nullptr};
    TPanel* label;
    TQKBlinker* blinker;
};

TEST_F(BlinkerFixture, Defaults)
{
    EXPECT_FALSE(blinker->Blink());
    EXPECT_EQ(blinker->BlinkHiColor(), clYellow);
    EXPECT_EQ(blinker->BlinkLoColor(), clOlive);
    EXPECT_EQ(blinker->BlinkInAktColor(), clBtnFace);
    EXPECT_EQ(blinker->BlinkStyle(), bsColor);
    EXPECT_EQ(blinker->Interval(), 1000);
    EXPECT_EQ(blinker->Timer()->Interval(), 1000);
    EXPECT_FALSE(blinker->Timer()->Enabled());
    EXPECT_EQ(blinker->About_Quillkit(), "15.11.96");
}

TEST_F(BlinkerFixture, BlinksHighThenLowAndRestoresTheColourFromBefore)
{
    blinker->SetControl(label);
    EXPECT_EQ(blinker->BlinkInAktColor(), clTeal);
    blinker->SetBlink(true);
    EXPECT_TRUE(blinker->Timer()->Enabled());
    const TColor expected[] = {clYellow, clOlive, clYellow, clOlive};
    for (TColor c : expected) {
        blinker->Timer()->Timer();
        EXPECT_EQ(label->Color(), c);
        EXPECT_TRUE(blinker->Timer()->Enabled());
    }
    blinker->SetBlink(false);
    EXPECT_FALSE(blinker->Timer()->Enabled());
    EXPECT_EQ(label->Color(), clTeal);
    EXPECT_EQ(label->Font()->Color(), clNavy);

    // Switched on again, the high colour comes first.
    blinker->SetBlink(true);
    blinker->Timer()->Timer();
    EXPECT_EQ(label->Color(), clYellow);
}

TEST_F(BlinkerFixture, FontColourStyleAndControlChange)
{
    blinker->SetControl(label);
    blinker->SetBlinkStyle(bsFontColor);
    EXPECT_EQ(blinker->BlinkInAktColor(), clNavy);
    blinker->SetBlink(true);
    blinker->Timer()->Timer();
    EXPECT_EQ(label->Font()->Color(), clYellow);
    EXPECT_EQ(label->Color(), clTeal);

    // A new control: the old one gets its colour back, the new one's is taken.
    auto* other = new TPanel(&form);
    other->Font()->SetColor(clMaroon);
    blinker->SetControl(other);
    EXPECT_EQ(label->Font()->Color(), clNavy);
    EXPECT_EQ(blinker->BlinkInAktColor(), clMaroon);

    blinker->SetBlinkInAktColor(clPurple);  // applied at once
    EXPECT_EQ(other->Font()->Color(), clPurple);
}

TEST_F(BlinkerFixture, DestroyingTheWatchedControlStopsBlinking)
{
    blinker->SetControl(label);
    blinker->SetBlink(true);
    blinker->Timer()->Timer();
    delete label;
    EXPECT_EQ(blinker->Control(), nullptr);
    EXPECT_FALSE(blinker->Blink());
    EXPECT_FALSE(blinker->Timer()->Enabled());
    blinker->Timer()->Timer();  // no control: nothing happens
    blinker->SetBlink(false);
}

TEST_F(BlinkerFixture, IntervalRule)
{
    const std::pair<int, int> cases[] = {{5, 20}, {1, 20}, {19, 20}, {20, 20}, {250, 250}, {0, 0}, {-7, -7}};
    for (auto [in, out] : cases) {
        blinker->SetInterval(in);
        EXPECT_EQ(blinker->Interval(), out) << in;
        EXPECT_EQ(blinker->Timer()->Interval(), out) << in;
    }
}

TEST_F(BlinkerFixture, RealTimerTicksThroughTheEventLoop)
{
    // The timer itself is hooked: with 20 ms a few phases pass while events run.
    blinker->SetControl(label);
    blinker->SetInterval(5);
    blinker->SetBlink(true);
    QElapsedTimer t;
    t.start();
    while (label->Color() != clOlive && t.elapsed() < 5000)
        Application->ProcessMessages();
    EXPECT_EQ(label->Color(), clOlive);
    blinker->SetBlink(false);
}

}  // namespace
