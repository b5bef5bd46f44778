// TQKScrollText: interval writer with its start positions, steps driven by
// calling the timer's handler, wrap-around with OnStartText, AutoScroll,
// clamps and the vertical line break.

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <QFontMetrics>

#include <filesystem>

#include "platform/ui/forms.h"
#include "shared/qk_scroll_text.h"

namespace {

// Screenshots go beside the test program in the build folder.
QString BuildFile(const char* name)
{
    return QCoreApplication::applicationDirPath() + "/" + name;
}

struct ScrollFixture : ::testing::Test {
    ScrollFixture()
    {
        form.SetClientWidth(300);
        form.SetClientHeight(200);
        text = new TQKScrollText(&form);
        text->SetParent(&form);
        text->SetBounds(10, 10, 120, 80);
        text->SetColor(clWhite);
        text->Font()->SetColor(clBlack);
        form.Show();
        Application->ProcessMessages();
    }
    ~ScrollFixture() override { form.Hide(); }
    QImage Shot() { return text->Handle()->grab().toImage(); }
    // Rows that hold ink of the colour.
    std::vector<int> InkRows(const QImage& img, QRgb ink)
    {
        std::vector<int> rows;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixel(x, y) == ink) {
                    rows.push_back(y);
                    break;
                }
        return rows;
    }
    TForm form{nullptr};
    TQKScrollText* text;
};

TEST_F(ScrollFixture, Defaults)
{
    TQKScrollText fresh(nullptr);
    EXPECT_EQ(fresh.Width(), 75);
    EXPECT_EQ(fresh.Height(), 50);
    EXPECT_FALSE(fresh.AutoScroll());
    EXPECT_EQ(fresh.Interval(), 0);
    EXPECT_TRUE(fresh.ScrollHorizontal());
    EXPECT_FALSE(fresh.Shadow());
    EXPECT_EQ(fresh.ShadowColor(), clWhite);
    EXPECT_EQ(fresh.ShadowDepth(), 2);
    EXPECT_EQ(fresh.Steps(), 1);
    EXPECT_FALSE(fresh.Timer()->Enabled());
    EXPECT_EQ(fresh.About_Quillkit(), "01.05.98");
}

TEST_F(ScrollFixture, IntervalSetsTimerAndStartPosition)
{
    struct {
        int in, stored, timer;
        bool runs;
        int x, y;
    } cases[] = {
        {5, 20, 20, true, 120, 80},    // enters from the right / bottom edge
        {100, 100, 100, true, 120, 80},
        {-5, -5, 5, true, 10, 0},
        {-50, -20, 20, true, 10, 0},
        {0, 0, 0, false, 0, 0},
    };
    for (const auto& c : cases) {
        text->SetInterval(c.in);
        EXPECT_EQ(text->Interval(), c.stored) << c.in;
        EXPECT_EQ(text->Timer()->Interval(), c.timer) << c.in;
        EXPECT_EQ(text->Timer()->Enabled(), c.runs) << c.in;
        EXPECT_EQ(text->XPos(), c.x) << c.in;
        EXPECT_EQ(text->YPos(), c.y) << c.in;
    }
}

TEST_F(ScrollFixture, ShadowDepthClamps)
{
    const std::pair<int, int> cases[] = {{0, 1}, {80, 50}, {-3, 1}, {7, 7}};
    for (auto [in, out] : cases) {
        text->SetShadowDepth(in);
        EXPECT_EQ(text->ShadowDepth(), out) << in;
    }
}

TEST_F(ScrollFixture, HorizontalStepsWrapAroundAndFireOnStartText)
{
    text->SetCaption("Lauftext");
    text->SetSteps(7);
    text->SetInterval(50);
    int scrolls = 0, starts = 0;
    text->OnScroll = [&](TObject*) { ++scrolls; };
    text->OnStartText = [&](TObject*) { ++starts; };
    EXPECT_EQ(text->XPos(), 120);
    text->Timer()->Timer();
    EXPECT_EQ(text->XPos(), 113);
    EXPECT_EQ(scrolls, 1);
    EXPECT_TRUE(text->Timer()->Enabled());

    const int tw = QFontMetrics(text->Font()->ToQFont()).horizontalAdvance("Lauftext");
    int guard = 0;
    while (starts == 0 && ++guard < 1000)
        text->Timer()->Timer();
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(text->XPos(), 120);
    EXPECT_EQ(scrolls, guard + 1);
    // It starts again on the first step that leaves the whole text left of the control.
    EXPECT_LT(113 - 7 * guard, -tw);
    EXPECT_GE(113 - 7 * (guard - 1), -tw);

    // Steps 0: one character, the width of "X".
    text->SetSteps(0);
    text->Timer()->Timer();
    EXPECT_EQ(text->XPos(), 120 - QFontMetrics(text->Font()->ToQFont()).horizontalAdvance('X'));
}

TEST_F(ScrollFixture, AutoScrollOnlyWhenTheTextDoesNotFit)
{
    text->SetAutoScroll(true);
    text->SetInterval(40);
    text->SetCaption("kurz");
    EXPECT_FALSE(text->Timer()->Enabled());
    EXPECT_EQ(text->XPos(), 0);
    text->SetCaption("Ein langer Text, der nicht in die Fläche passt");
    EXPECT_TRUE(text->Timer()->Enabled());
    EXPECT_EQ(text->XPos(), 0);
}

TEST_F(ScrollFixture, VerticalCaretMBreaksTheLineAndTextIsCentred)
{
    text->SetScrollHorizontal(false);
    text->SetCaption("Erste^MZweite");
    EXPECT_EQ(text->VerticalText(), "Erste\nZweite");
    text->SetInterval(-1);  // starts at the top
    text->Repaint();
    QImage shot = Shot();
    shot.save(BuildFile("qk_scroll_text_vertical.png"));
    std::vector<int> rows = InkRows(shot, qRgb(0, 0, 0));
    ASSERT_FALSE(rows.empty());
    const int line = QFontMetrics(text->Font()->ToQFont()).height();
    EXPECT_GT(rows.back() - rows.front(), line);  // two lines, one under the other
    EXPECT_EQ(text->XPos(), (120 - QFontMetrics(text->Font()->ToQFont()).horizontalAdvance("Zweite")) / 2);

    // Steps move the text up; past the top it starts again at the bottom.
    int starts = 0;
    text->OnStartText = [&](TObject*) { ++starts; };
    text->SetSteps(10);
    for (int i = 0; i < 10 && starts == 0; ++i)
        text->Timer()->Timer();
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(text->YPos(), 80);
}

TEST_F(ScrollFixture, ShadowIsDrawnBehindTheText)
{
    text->SetCaption("Schatten");
    text->SetShadow(true);
    text->SetShadowColor(clRed);
    text->SetShadowDepth(3);
    text->SetInterval(-1);
    text->Repaint();
    QImage shot = Shot();
    EXPECT_FALSE(InkRows(shot, qRgb(255, 0, 0)).empty());
    EXPECT_FALSE(InkRows(shot, qRgb(0, 0, 0)).empty());
    // The shadow reaches further down than the text by its depth.
    EXPECT_EQ(InkRows(shot, qRgb(255, 0, 0)).back() > InkRows(shot, qRgb(0, 0, 0)).back(), true);
}

}  // namespace
