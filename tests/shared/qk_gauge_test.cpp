// TQKGauge: range writers, clamping, lit boxes with 64-bit percentages,
// snapping to whole boxes and the repaint rule.

#include <gtest/gtest.h>

#include "platform/ui/forms.h"
#include "shared/qk_gauge.h"

namespace {

class TCountingGauge : public TQKGauge {
public:
    using TQKGauge::TQKGauge;
    void Paint() override
    {
        ++paints;
        TQKGauge::Paint();
    }
    int paints = 0;
};

struct GaugeFixture : ::testing::Test {
    GaugeFixture()
    {
        form.SetClientWidth(500);
        form.SetClientHeight(100);
        gauge = new TCountingGauge(&form);
        gauge->SetParent(&form);
        gauge->SetBounds(10, 10, 106, 20);
        form.Show();
        Application->ProcessMessages();  // the window is exposed, so repaints paint
    }
    ~GaugeFixture() override { form.Hide(); }
    QImage Shot() { return gauge->Handle()->grab().toImage(); }
    TForm form{nullptr};
    TCountingGauge* gauge;
};

}  // namespace

TEST_F(GaugeFixture, DefaultsAndRangeWriters)
{
    TQKGauge fresh(nullptr);
    EXPECT_EQ(fresh.Width(), 100);
    EXPECT_EQ(fresh.Height(), 20);
    EXPECT_EQ(fresh.Boxes(), 10);
    EXPECT_EQ(fresh.BoxColor(), 8388608);
    EXPECT_EQ(fresh.BorderStyle(), bvLowered);
    EXPECT_EQ(fresh.PaintedBoxes(), -1);
    EXPECT_EQ(fresh.About_Quillkit(), "15.11.96");
    fresh.SetAbout_Quillkit("x");
    EXPECT_EQ(fresh.About_Quillkit(), "15.11.96");

    gauge->SetMaxValue(0);  // not above MinValue: ignored
    EXPECT_EQ(gauge->MaxValue(), 100);
    gauge->SetMaxValue(-5);
    EXPECT_EQ(gauge->MaxValue(), 100);
    gauge->SetMinValue(100);  // not below MaxValue: ignored
    EXPECT_EQ(gauge->MinValue(), 0);
    gauge->SetMinValue(-1);
    EXPECT_EQ(gauge->MinValue(), 0);
    gauge->SetMinValue(20);
    EXPECT_EQ(gauge->MinValue(), 20);
    gauge->SetBoxes(0);
    EXPECT_EQ(gauge->Boxes(), 1);
}

TEST_F(GaugeFixture, ProgressIsClampedAndLightsTruncatedBoxes)
{
    gauge->SetProgress(150);
    EXPECT_EQ(gauge->Progress(), 100);
    gauge->SetProgress(-3);
    EXPECT_EQ(gauge->Progress(), 0);
    gauge->SetProgress(47);
    EXPECT_EQ(gauge->LitBoxes(), 4);
    gauge->AddProgress(3);
    EXPECT_EQ(gauge->Progress(), 50);
    EXPECT_EQ(gauge->LitBoxes(), 5);
    // MinValue and MaxValue do not re-clamp Progress.
    gauge->SetMinValue(60);
    EXPECT_EQ(gauge->Progress(), 50);
    EXPECT_EQ(gauge->LitBoxes(), 0);
}

TEST_F(GaugeFixture, LargeRangesDoNotOverflow)
{
    gauge->SetMaxValue(2000000000);
    gauge->SetProgress(1500000000);
    EXPECT_EQ(gauge->PercentDone(), 75);
    EXPECT_EQ(gauge->LitBoxes(), 7);
    gauge->SetMinValue(1999999999);
    gauge->SetProgress(2000000000);
    EXPECT_EQ(gauge->PercentDone(), 100);
    EXPECT_EQ(gauge->LitBoxes(), 10);
}

TEST_F(GaugeFixture, RepaintsOnlyWhenTheLitBoxesChange)
{
    gauge->SetProgress(47);
    int after47 = gauge->paints;
    EXPECT_GE(after47, 1);
    EXPECT_EQ(gauge->PaintedBoxes(), 4);
    gauge->SetProgress(48);
    EXPECT_EQ(gauge->paints, after47);
    gauge->SetProgress(50);
    EXPECT_EQ(gauge->paints, after47 + 1);
    EXPECT_EQ(gauge->PaintedBoxes(), 5);
}

TEST_F(GaugeFixture, SnapsToWholeBoxesAndDrawsFrameAndBoxes)
{
    gauge->SetBoxes(20);
    gauge->SetWidth(400);
    gauge->Repaint();
    EXPECT_EQ(gauge->Width(), 386);  // 20 x 19 + 6

    gauge->SetBoxes(10);
    gauge->SetWidth(106);  // ten boxes of 10 pixels
    gauge->SetColor(clSilver);
    gauge->SetProgress(30);
    QImage img = Shot();
    EXPECT_EQ(img.pixelColor(0, 0), QColor(128, 128, 128));    // lowered: grey top-left
    EXPECT_EQ(img.pixelColor(105, 19), QColor(255, 255, 255));  // white bottom-right
    EXPECT_EQ(img.pixelColor(3, 10), QColor(0, 0, 128));        // first box lit
    EXPECT_EQ(img.pixelColor(12, 10), QColor(192, 192, 192));   // gap between boxes
    EXPECT_EQ(img.pixelColor(25, 10), QColor(0, 0, 128));       // third box
    EXPECT_EQ(img.pixelColor(35, 10), QColor(192, 192, 192));   // fourth box unlit
    gauge->SetBorderStyle(bvRaised);
    img = Shot();
    EXPECT_EQ(img.pixelColor(0, 0), QColor(255, 255, 255));
    gauge->SetEnabled(false);
    img = Shot();
    EXPECT_EQ(img.pixelColor(3, 10), QColor(128, 128, 128));  // disabled: grey boxes
}

TEST_F(GaugeFixture, AdjustToParentSizesAndCentresInTheParent)
{
    gauge->SetBoxes(10);
    gauge->SetAdjustToParent(true);
    gauge->Repaint();
    // (500 - 10) div 10 = 49 per box: 496 wide, centred.
    EXPECT_EQ(gauge->Width(), 496);
    EXPECT_EQ(gauge->Left(), (form.Width() - 496) / 2);
    EXPECT_EQ(gauge->Top(), (form.Height() - 20) / 2);
}
