// TQKAnimate: frame steps forward and backward (timer handler called
// directly), the writers' clamps, the frame copied from the grid and the
// two events.

#include <gtest/gtest.h>

#include "platform/ui/forms.h"
#include "shared/qk_animate.h"

namespace {

// Frames of 10 x 10 pixels in a grid of 4 x 2; frame n is filled with grey n*30.
void Frames(TBitmap& b)
{
    QImage img(40, 20, QImage::Format_RGB32);
    for (int n = 0; n < 8; ++n)
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x)
                img.setPixel((n % 4) * 10 + x, (n / 4) * 10 + y, qRgb(n * 30, n * 30, n * 30));
    b.SetImage(img);
}

struct AnimateFixture : ::testing::Test {
    AnimateFixture()
    {
        form.SetClientWidth(200);
        form.SetClientHeight(100);
        anim = new TQKAnimate(&form);
        anim->SetParent(&form);
        form.Show();
        Application->ProcessMessages();
    }
    ~AnimateFixture() override { form.Hide(); }
    QRgb Shown(int x = 5, int y = 5) { return anim->Handle()->grab().toImage().pixel(x, y); }
    TForm form{nullptr};
    TQKAnimate* anim;
};

TEST_F(AnimateFixture, DefaultsAndClamps)
{
    EXPECT_EQ(anim->Width(), 75);
    EXPECT_EQ(anim->Height(), 50);
    EXPECT_EQ(anim->Cols(), 1);
    EXPECT_EQ(anim->Rows(), 1);
    EXPECT_TRUE(anim->Stretch());
    EXPECT_EQ(anim->Interval(), 0);
    EXPECT_FALSE(anim->Timer()->Enabled());
    EXPECT_EQ(anim->About_Quillkit(), "03.02.97");

    const std::pair<int, int> clamps[] = {{0, 1}, {-3, 1}, {7, 7}, {1000, 1000}, {1001, 1000}};
    for (auto [in, out] : clamps) {
        anim->SetCols(in);
        anim->SetRows(in);
        EXPECT_EQ(anim->Cols(), out);
        EXPECT_EQ(anim->Rows(), out);
    }

    const std::tuple<int, int, bool> intervals[] = {{5, 20, true}, {19, 20, true}, {100, 100, true},
                                                    {0, 0, false}, {-4, -4, false}};
    for (auto [in, out, runs] : intervals) {
        anim->SetInterval(in);
        EXPECT_EQ(anim->Interval(), out) << in;
        EXPECT_EQ(anim->Timer()->Interval(), out) << in;
        EXPECT_EQ(anim->Timer()->Enabled(), runs) << in;
    }
}

TEST_F(AnimateFixture, AktPicOutsideTheGridBecomesZero)
{
    anim->SetCols(4);
    anim->SetRows(2);
    const std::pair<int, int> cases[] = {{3, 3}, {7, 7}, {8, 0}, {-1, 0}, {100, 0}};
    for (auto [in, out] : cases) {
        anim->SetAktPic(in);
        EXPECT_EQ(anim->AktPic(), out) << in;
    }
}

TEST_F(AnimateFixture, StepsForwardAndBackwardWithWrap)
{
    TBitmap frames;
    Frames(frames);
    anim->SetPicture(&frames);
    anim->SetCols(4);
    anim->SetRows(2);
    anim->SetReversePlay(true);
    std::vector<int> seen{anim->AktPic()};
    for (int i = 0; i < 8; ++i) {
        anim->Timer()->Timer();
        seen.push_back(anim->AktPic());
    }
    EXPECT_EQ(seen, (std::vector<int>{0, 7, 6, 5, 4, 3, 2, 1, 0}));

    anim->SetReversePlay(false);
    anim->SetAktPic(6);
    anim->Timer()->Timer();
    EXPECT_EQ(anim->AktPic(), 7);
    anim->Timer()->Timer();
    EXPECT_EQ(anim->AktPic(), 0);
}

TEST_F(AnimateFixture, DrawsTheFrameAndFiresTheEvents)
{
    TBitmap frames;
    Frames(frames);
    anim->SetPicture(&frames);
    anim->SetCols(4);
    anim->SetRows(2);
    std::vector<int> requested;
    int changes = 0;
    anim->OnRequestPic = [&](TObject*, int& n) { requested.push_back(n); };
    anim->OnChangePic = [&](TObject*) { ++changes; };

    anim->SetAktPic(5);
    anim->Repaint();
    // Stretched: frame 5 (grey 150) fills the whole control.
    EXPECT_EQ(Shown(), qRgb(150, 150, 150));
    EXPECT_EQ(Shown(70, 45), qRgb(150, 150, 150));
    anim->Timer()->Timer();
    EXPECT_EQ(Shown(), qRgb(180, 180, 180));
    ASSERT_FALSE(requested.empty());
    EXPECT_EQ(requested.back(), 6);
    EXPECT_GE(changes, 2);

    // The handler may choose another frame; the animation goes on from it.
    anim->OnRequestPic = [](TObject*, int& n) { n = 2; };
    anim->Repaint();
    EXPECT_EQ(anim->AktPic(), 2);
    EXPECT_EQ(Shown(), qRgb(60, 60, 60));
}

TEST_F(AnimateFixture, WithoutStretchTheControlTakesOneFramesSize)
{
    TBitmap frames;
    Frames(frames);
    anim->SetCols(4);
    anim->SetRows(2);
    anim->SetPicture(&frames);
    anim->SetStretch(false);
    EXPECT_EQ(anim->Width(), 10);
    EXPECT_EQ(anim->Height(), 10);
    anim->SetAktPic(3);
    anim->Repaint();
    EXPECT_EQ(Shown(9, 9), qRgb(90, 90, 90));
}

TEST_F(AnimateFixture, EmptyPictureDrawsAFrameAndKeepsItsSize)
{
    anim->SetStretch(false);
    anim->Repaint();
    EXPECT_EQ(anim->Width(), 75);
    QImage shot = anim->Handle()->grab().toImage();
    EXPECT_EQ(shot.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(74, 20), qRgb(0, 0, 0));
}

}  // namespace
