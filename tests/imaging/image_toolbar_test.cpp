// The image window's toolbar: the mask of visible buttons, the hints with
// the filler, sideways scrolling in a narrow window, the clicks reaching the
// window, and the strip going and coming with ShowToolbar.

#include <gtest/gtest.h>

#include "imaging/image_toolbar.h"
#include "imaging/image_window.h"
#include "imaging_fixture.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/std_ctrls.h"

using namespace imgtest;

TEST(ImageToolBar, DefaultsShowAllButtonsAboveThePicture)
{
    TImageWindow w(nullptr);
    w.SetBounds(0, 0, 800, 300);
    ASSERT_NE(w.ToolBar(), nullptr);
    EXPECT_TRUE(w.ShowToolbar());
    EXPECT_EQ(w.ToolBarSetup(), -1);
    EXPECT_EQ(w.ToolBar()->Height(), 29);
    EXPECT_EQ(w.ToolBar()->Left(), 18);
    EXPECT_EQ(w.ToolBar()->Width(), 800 - 37);
    EXPECT_EQ(w.ViewRect().Top, 30);
    EXPECT_EQ(w.ToolBar()->TotalWidth(), 23 * 28);
    for (int i = 0; i < kToolButtonCount; ++i) {
        EXPECT_TRUE(w.ToolBar()->Button(i)->Visible());
        EXPECT_EQ(w.ToolBar()->Button(i)->Left(), 28 * i);
        EXPECT_EQ(w.ToolBar()->Button(i)->Width(), 28);
    }
    EXPECT_EQ(w.ToolBar()->Button(0)->Hint(), "Scanner");
    EXPECT_EQ(w.ToolBar()->Button(22)->Hint(), "About");
    EXPECT_EQ(w.ToolBarHints().size(), 24);
    EXPECT_EQ(w.ToolBarHints().last(), "No Function");
    // The filler covers the rest of the strip.
    EXPECT_TRUE(w.ToolBar()->Filler()->Visible());
    EXPECT_EQ(w.ToolBar()->Filler()->Left(), 23 * 28);
    EXPECT_EQ(w.ToolBar()->Filler()->Width(), w.ToolBar()->Width() - 23 * 28);
    QImage img = Quarters(200, 120);
    w.ImageInWindow()->TakeImage(TPicImage::FromQImage(img));
    w.FitBest();
    Shot(w, "image_window_toolbar");
}

TEST(ImageToolBar, MaskSetsVisibleButtonsAndFiller)
{
    TImageWindow w(nullptr);
    w.SetBounds(0, 0, 400, 200);
    struct Case {
        int mask;
        int visible;
        int firstLeftIndex;
    } cases[] = {{0, 0, -1}, {1, 1, 0}, {0b101000, 2, 3}};
    for (const Case& c : cases) {
        w.SetToolBarSetup(c.mask);
        EXPECT_EQ(w.ToolBarSetup(), c.mask);
        EXPECT_EQ(w.ToolBar()->TotalWidth(), 28 * c.visible) << c.mask;
        for (int i = 0; i < kToolButtonCount; ++i) {
            const bool on = (c.mask >> i) & 1;
            EXPECT_EQ(w.ToolBar()->Button(i)->Visible(), on) << c.mask << " " << i;
            if (!on) {
                EXPECT_EQ(w.ToolBar()->Button(i)->Left(), -30);
            }
        }
        if (c.firstLeftIndex >= 0) {
            EXPECT_EQ(w.ToolBar()->Button(c.firstLeftIndex)->Left(), 0);
        }
        EXPECT_EQ(w.ToolBar()->Filler()->Left(), 28 * c.visible);
        EXPECT_EQ(w.ToolBar()->Filler()->Width(), w.ToolBar()->Width() - 28 * c.visible);
    }
    // Mask 0b101000: buttons 3 and 5 side by side.
    EXPECT_EQ(w.ToolBar()->Button(5)->Left(), 28);
}

TEST(ImageToolBar, HintsListOf23Or24)
{
    TLLToolbar bar(nullptr);
    QStringList hints;
    for (int i = 0; i < 23; ++i)
        hints << QString("Knopf %1").arg(i);
    bar.SetHints(hints);
    EXPECT_EQ(bar.Button(7)->Hint(), "Knopf 7");
    EXPECT_EQ(bar.Filler()->Hint(), "No function");
    hints << "Leer";
    bar.SetHints(hints);
    EXPECT_EQ(bar.Filler()->Hint(), "Leer");
    // The window's own list of 24 names the filler "No Function".
    TImageWindow w(nullptr);
    EXPECT_EQ(w.ToolBar()->Filler()->Hint(), "No Function");
    w.SetToolBarHints(hints);
    // A short list changes only its own buttons.
    w.SetToolBarHints({"Erster"});
    EXPECT_EQ(w.ToolBar()->Button(0)->Hint(), "Erster");
    EXPECT_EQ(w.ToolBar()->Button(1)->Hint(), "Knopf 1");
    w.SetToolBarShowHint(false);
    EXPECT_FALSE(w.ToolBar()->Button(3)->ShowHint());
    EXPECT_FALSE(w.ToolBarLeftButton()->ShowHint());
}

TEST(ImageToolBar, NarrowWindowScrollsWithinBounds)
{
    TImageWindow w(nullptr);
    w.SetBounds(0, 0, 237, 200);  // strip 200 pixels wide, buttons 644
    TLLToolbar* bar = w.ToolBar();
    ASSERT_EQ(bar->Width(), 200);
    EXPECT_TRUE(w.ToolBarLeftButton()->Enabled());
    EXPECT_TRUE(w.ToolBarRightButton()->Enabled());
    // Left arrow at the start: nothing moves, the left arrow goes grey.
    w.ToolBarLeftButton()->Click();
    EXPECT_FALSE(w.ToolBarLeftButton()->Enabled());
    EXPECT_EQ(bar->Offset(), 0);
    w.ToolBarRightButton()->Click();
    EXPECT_TRUE(w.ToolBarLeftButton()->Enabled());
    EXPECT_EQ(bar->Offset(), -28);
    EXPECT_EQ(bar->Button(0)->Left(), -28);
    // Scrolling on stops with the last button at the right edge.
    for (int i = 0; i < 40; ++i)
        w.ToolBarRightButton()->Click();
    EXPECT_FALSE(w.ToolBarRightButton()->Enabled());
    EXPECT_EQ(bar->Button(22)->Left(), 200 - 28);
    EXPECT_EQ(bar->Offset(), -(23 * 28 - 200));
    EXPECT_FALSE(bar->Scroll(-5));
    Shot(w, "image_window_toolbar_scrolled");
    // Back to the start, and not beyond.
    for (int i = 0; i < 40; ++i)
        w.ToolBarLeftButton()->Click();
    EXPECT_EQ(bar->Offset(), 0);
    EXPECT_EQ(bar->Button(0)->Left(), 0);
    EXPECT_FALSE(bar->Scroll(3));
    // Sizing the window scrolls back and grey arrows follow the width.
    w.ToolBarRightButton()->Click();
    w.SetBounds(0, 0, 900, 200);
    EXPECT_EQ(bar->Offset(), 0);
    EXPECT_FALSE(w.ToolBarLeftButton()->Enabled());
    EXPECT_FALSE(w.ToolBarRightButton()->Enabled());
}

TEST(ImageToolBar, ClicksReachTheWindow)
{
    TImageWindow w(nullptr);
    w.SetBounds(0, 0, 700, 300);
    w.ImageInWindow()->TakeImage(TPicImage::FromQImage(Quarters(40, 20)));
    w.ToolBar()->Button(FitBest)->Click();
    EXPECT_EQ(w.FitStyle(), fsBest);
    w.ToolBar()->Button(FitRelease)->Click();
    EXPECT_EQ(w.FitStyle(), fsNone);
    EXPECT_DOUBLE_EQ(w.ZoomFactor(), 1.0);
    w.ToolBar()->Button(ZoomIn)->Click();
    EXPECT_DOUBLE_EQ(w.ZoomFactor(), 1.1);
    w.ToolBar()->Button(Rotate90)->Click();
    EXPECT_EQ(w.ImageInWindow()->GetImageWidth(), 20);
    EXPECT_EQ(w.ImageInWindow()->GetImageHeight(), 40);
    EXPECT_TRUE(w.Modified);
    w.ToolBar()->Button(FlipVert)->Click();
    // Turned right the blue quarter stands top left, white bottom left.
    EXPECT_EQ(w.ImageInWindow()->FullImage().Pixels.pixel(0, 0), qRgb(255, 255, 255));
    // Crop without a selection does nothing.
    w.ToolBar()->Button(Crop)->Click();
    EXPECT_EQ(w.ImageInWindow()->GetImageWidth(), 20);
    TPromptScript script;
    script.Modal([](TCustomForm& f) {
        EXPECT_EQ(f.Caption(), "About");
        f.ModalResult = mrOk;
    });
    w.ToolBar()->Button(About)->Click();
}

TEST(ImageToolBar, ShowToolbarOffRemovesTheStripAndKeepsTheMask)
{
    TImageWindow w(nullptr);
    w.SetBounds(0, 0, 400, 200);
    w.SetToolBarSetup(0b111);
    w.SetShowToolbar(false);
    EXPECT_EQ(w.ToolBar(), nullptr);
    EXPECT_EQ(w.ToolBarLeftButton(), nullptr);
    EXPECT_EQ(w.ViewRect().Top, 1);
    EXPECT_EQ(w.ToolBarSetup(), 0b111);
    w.SetShowToolbar(true);
    ASSERT_NE(w.ToolBar(), nullptr);
    EXPECT_EQ(w.ToolBar()->GetButtons(), 0b111);
    EXPECT_TRUE(w.ToolBar()->Button(2)->Visible());
    EXPECT_FALSE(w.ToolBar()->Button(3)->Visible());
    EXPECT_EQ(w.ViewRect().Top, 30);
}
