// TQKHint and its bubble window: the edge flips, the layout figures, the
// shape with its tail turned per position (screenshot in the build folder),
// "^M" line breaks, and the hint taking over the application's tooltips.

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <QApplication>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QKeyEvent>

#include <filesystem>

#include "platform/ui/forms.h"
#include "platform/ui/std_ctrls.h"
#include "shared/qk_hint.h"

namespace {

// Screenshots go beside the test program in the build folder.
QString BuildFile(const char* name)
{
    return QCoreApplication::applicationDirPath() + "/" + name;
}

const QSize kScreen(800, 600);

struct HintFixture : ::testing::Test {
    HintFixture() : hint(nullptr) {}
    ~HintFixture() override { hint.HintWindow()->ReleaseHandle(); }
    TQKHint hint;
    TQKHintWindow& Win() { return *hint.HintWindow(); }
    // Opaque pixels are part of the bubble or its shadow.
    bool Opaque(QPoint p) { return qAlpha(Win().Bitmap().pixel(p)) > 0; }
};

TEST_F(HintFixture, DefaultsAndApplicationPauses)
{
    EXPECT_TRUE(hint.Active());
    EXPECT_EQ(hint.Color(), 65535);
    EXPECT_EQ(hint.DefaultWidth(), 150);
    EXPECT_EQ(hint.HintPosition(), hpAboveRight);
    EXPECT_EQ(hint.ShadowDepth(), 10);
    EXPECT_EQ(Application->HintPause, 800);
    EXPECT_EQ(Application->HintHidePause, 2500);
    hint.SetHintPause(300);
    hint.SetHintHidePause(4000);
    EXPECT_EQ(Application->HintPause, 300);
    EXPECT_EQ(Application->HintHidePause, 4000);
    EXPECT_EQ(hint.About_Quillkit(), "14.08.98");
}

TEST(QKHintFlip, MovesAwayFromTheEdges)
{
    const QSize size(100, 80);
    struct {
        THintPosition wanted;
        QPoint cursor;
        THintPosition result;
    } cases[] = {
        // free in the middle: as wanted
        {hpAboveLeft, {400, 300}, hpAboveLeft},
        {hpAboveRight, {400, 300}, hpAboveRight},
        {hpBelowLeft, {400, 300}, hpBelowLeft},
        {hpBelowRight, {400, 300}, hpBelowRight},
        // above-left
        {hpAboveLeft, {50, 300}, hpAboveRight},
        {hpAboveLeft, {400, 50}, hpBelowLeft},
        {hpAboveLeft, {50, 50}, hpBelowRight},
        // above-right
        {hpAboveRight, {750, 300}, hpAboveLeft},
        {hpAboveRight, {400, 50}, hpBelowRight},
        {hpAboveRight, {750, 50}, hpBelowLeft},
        // below-left
        {hpBelowLeft, {50, 300}, hpBelowRight},
        {hpBelowLeft, {400, 550}, hpAboveLeft},
        {hpBelowLeft, {50, 550}, hpAboveRight},
        // below-right
        {hpBelowRight, {750, 300}, hpBelowLeft},
        {hpBelowRight, {400, 550}, hpAboveRight},
        {hpBelowRight, {750, 550}, hpAboveLeft},
        // the edges themselves: cx - 10 - w = 0 still fits; screen width = cx + 10 + w still fits
        {hpAboveLeft, {110, 300}, hpAboveLeft},
        {hpAboveLeft, {109, 300}, hpAboveRight},
        {hpAboveRight, {690, 300}, hpAboveRight},
        {hpAboveRight, {691, 300}, hpAboveLeft},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QKHintFlip(c.wanted, c.cursor, size, kScreen), c.result)
            << c.wanted << " at " << c.cursor.x() << "," << c.cursor.y();
}

TEST_F(HintFixture, LayoutFiguresAndBubbleScreenshot)
{
    Win().ActivateHint({300, 300}, "Sprechblase mit Schatten", kScreen);
    const QFontMetrics fm(hint.Font()->ToQFont());
    const QRect text = Win().TextRect();
    EXPECT_LE(text.width(), 150);
    EXPECT_EQ(Win().Position(), hpAboveRight);
    const QRect b = Win().Bounds();
    EXPECT_EQ(b.width(), text.width() + 20 + 10);
    EXPECT_EQ(b.height(), text.height() + 40 + 10);
    EXPECT_EQ(b.topLeft(), QPoint(310, 300 - b.height() - 10));
    EXPECT_EQ(text.topLeft(), QPoint(10, 10));
    EXPECT_TRUE(Win().Showing());
    EXPECT_EQ(Win().Widget()->geometry(), b);

    const QImage& bmp = Win().Bitmap();
    ASSERT_EQ(bmp.size(), b.size());
    bmp.save(BuildFile("qk_hint_bubble.png"));
    Win().Widget()->grab().toImage().save(
        BuildFile("qk_hint_window.png"));
    // Inside the body: the bubble's yellow; the corners outside the rounded
    // body are see-through; the shadow lies beyond the body's bottom right.
    const int bw = b.width() - 10, bh = b.height() - 10;
    EXPECT_EQ(bmp.pixelColor(bw / 2, 3).rgb(), qRgb(255, 255, 0));
    EXPECT_EQ(qAlpha(bmp.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(bmp.pixel(b.width() - 1, 0)), 0);
    QColor shadow = bmp.pixelColor(bw + 5, bh / 2 - 10);
    EXPECT_GT(shadow.alpha(), 0);
    EXPECT_LT(shadow.alpha(), 255);
    // Text ink (black) inside the text rectangle.
    int ink = 0;
    for (int y = text.top(); y <= text.bottom(); ++y)
        for (int x = text.left(); x <= text.right(); ++x)
            ink += qGray(bmp.pixel(x, y)) < 80 && qAlpha(bmp.pixel(x, y)) == 255;
    EXPECT_GT(ink, 20);
}

TEST_F(HintFixture, TailIsTurnedForEachPosition)
{
    // The tail's tip circle lies in a corner of the bubble area: lower left
    // as drawn (above-right), mirrored for the others.
    struct {
        QPoint cursor;
        THintPosition pos;
        bool tipLeft, tipBottom;
    } cases[] = {
        {{300, 300}, hpAboveRight, true, true},
        {{780, 300}, hpAboveLeft, false, true},   // near the right edge: above-left, mirrored
        {{780, 20}, hpBelowLeft, false, false},
        {{300, 20}, hpBelowRight, true, false},
    };
    for (const auto& c : cases) {
        Win().ActivateHint(c.cursor, "Hinweis", kScreen);
        ASSERT_EQ(Win().Position(), c.pos);
        const int bw = Win().Bounds().width() - 10, bh = Win().Bounds().height() - 10;
        const int tipX = c.tipLeft ? 2 : bw - 3, tipY = c.tipBottom ? bh - 3 : 2;
        const int otherX = c.tipLeft ? bw - 3 : 2;
        EXPECT_TRUE(Opaque({tipX, tipY})) << c.pos;
        EXPECT_FALSE(Opaque({otherX, tipY})) << c.pos;
        // The text sits in the body, below the tail for the positions below.
        EXPECT_EQ(Win().TextRect().top(), c.tipBottom ? 10 : 30) << c.pos;
        const QRect bnd = Win().Bounds();
        EXPECT_EQ(bnd.left(), c.tipLeft ? c.cursor.x() + 10 : c.cursor.x() - bnd.width() - 10) << c.pos;
        EXPECT_EQ(bnd.top(), c.tipBottom ? c.cursor.y() - bnd.height() - 10 : c.cursor.y() + 10) << c.pos;
    }
}

TEST_F(HintFixture, CaretMBreaksTheHintIntoTwoLines)
{
    Win().ActivateHint({300, 300}, "Zwei^MZeilen", kScreen);
    EXPECT_EQ(Win().Text(), "Zwei\nZeilen");
    const int line = QFontMetrics(hint.Font()->ToQFont()).lineSpacing();
    EXPECT_GE(Win().TextRect().height(), 2 * line);
    Win().ActivateHint({300, 300}, "Zwei Zeilen", kScreen);
    EXPECT_LT(Win().TextRect().height(), 2 * line);
    // A long text wraps within the default width.
    hint.SetDefaultWidth(60);
    Win().ActivateHint({300, 300}, "Ein recht langer Hinweis in vielen Worten", kScreen);
    EXPECT_LE(Win().TextRect().width(), 60);
    EXPECT_GE(Win().TextRect().height(), 3 * line);
    hint.SetDefaultWidth(150);
}

TEST_F(HintFixture, TakesOverTheApplicationsHintsAndHidesOnInput)
{
    TForm form(nullptr);
    auto* edit = new TEdit(&form);
    edit->SetParent(&form);
    edit->SetHint("Hilfe^MText");
    edit->SetShowHint(true);
    form.Show();
    Application->ProcessMessages();
    QWidget* w = edit->Handle();

    QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), w->mapToGlobal(QPoint(5, 5)));
    EXPECT_TRUE(QApplication::sendEvent(w, &help));  // taken by the bubble
    EXPECT_TRUE(Win().Showing());
    EXPECT_EQ(Win().Text(), "Hilfe\nText");

    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    QApplication::sendEvent(w, &key);
    EXPECT_FALSE(Win().Showing());

    // Left alone, the bubble goes after the hint hide pause.
    hint.SetHintHidePause(20);
    QApplication::sendEvent(w, &help);
    ASSERT_TRUE(Win().Showing());
    QElapsedTimer t;
    t.start();
    while (Win().Showing() && t.elapsed() < 5000)
        Application->ProcessMessages();
    EXPECT_FALSE(Win().Showing());

    // Inactive: the standard hints again; the application's hints stay on.
    hint.SetActive(false);
    EXPECT_EQ(hint.HintWindow(), nullptr);
    EXPECT_TRUE(Application->ShowHint);
    QHelpEvent again(QEvent::ToolTip, QPoint(5, 5), w->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(w, &again);
    EXPECT_EQ(hint.HintWindow(), nullptr);
    hint.SetActive(true);

    // A control without ShowHint gets no bubble.
    edit->SetShowHint(false);
    QHelpEvent none(QEvent::ToolTip, QPoint(5, 5), w->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(w, &none);
    EXPECT_FALSE(Win().Showing());
    form.Hide();
}

}  // namespace
