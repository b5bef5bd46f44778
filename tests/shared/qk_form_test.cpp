// TQKForm: the background styles painted on a shown form (screenshots in
// the build folder), the bitmap size rule, the MDI refusal, "^M" in hints
// and the size limits the window system keeps.

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <filesystem>
#include <set>

#include "platform/ui/forms.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/std_ctrls.h"
#include "shared/qk_form.h"

namespace {

// Screenshots go beside the test program in the build folder.
QString BuildFile(const char* name)
{
    return QCoreApplication::applicationDirPath() + "/" + name;
}

// Lets the window system's answers to a resize arrive (the limits are put
// back once the framework has placed the window).
void Settle()
{
    for (int i = 0; i < 3; ++i)
        Application->ProcessMessages();
}

struct FormFixture : ::testing::Test {
    FormFixture()
    {
        form.SetColor(clWhite);
        form.SetClientWidth(200);
        form.SetClientHeight(126);
        qk = new TQKForm(&form);
        qk->OnPaint = [this](TObject*) { ++paints; };
        form.Loaded();
        form.Show();
        Application->ProcessMessages();
    }
    ~FormFixture() override { form.Hide(); }
    QImage Shot()
    {
        form.Repaint();
        return form.ClientWidget()->grab().toImage();
    }
    TForm form{nullptr};
    TQKForm* qk;
    int paints = 0;
};

TEST_F(FormFixture, Defaults)
{
    EXPECT_EQ(qk->FillStyle(), NONE);
    EXPECT_EQ(qk->QVFromColor(), 65280);
    EXPECT_EQ(qk->QVToColor(), 16776960);
    EXPECT_EQ(qk->FormMinWidth(), 0);
    EXPECT_EQ(qk->FormMaxHeight(), 0);
    EXPECT_EQ(qk->About_Quillkit(), "15.11.96");
}

TEST_F(FormFixture, VerticalRainbowBandsFromTheBottom)
{
    qk->SetFillStyle(vRAINBOW);
    QImage shot = Shot();
    shot.save(BuildFile("qk_form_vrainbow.png"));
    ASSERT_EQ(shot.size(), QSize(200, 126));
    // Band height 126 div 63 + 1 = 3; aqua at the bottom; blue falls by
    // (0 - 255) div 63 = -4 per band; band 41 is the last that shows.
    EXPECT_EQ(shot.pixel(100, 125), qRgb(0, 255, 255));
    EXPECT_EQ(shot.pixel(0, 123), qRgb(0, 255, 255));
    EXPECT_EQ(shot.pixel(199, 122), qRgb(0, 255, 251));
    EXPECT_EQ(shot.pixel(50, 125 - 30), qRgb(0, 255, 255 - 40));
    EXPECT_EQ(shot.pixel(50, 0), qRgb(0, 255, 255 - 41 * 4));
    EXPECT_GT(paints, 0);
}

TEST_F(FormFixture, HorizontalRainbowBandsFromTheRight)
{
    qk->SetQVFromColor(clRed);
    qk->SetQVToColor(clBlue);
    qk->SetFillStyle(hRAINBOW);
    QImage shot = Shot();
    shot.save(BuildFile("qk_form_hrainbow.png"));
    // Band width 200 div 63 + 1 = 4; red rises by 4, blue falls by 4 per band.
    EXPECT_EQ(shot.pixel(199, 60), qRgb(0, 0, 255));
    EXPECT_EQ(shot.pixel(196, 10), qRgb(0, 0, 255));
    EXPECT_EQ(shot.pixel(195, 10), qRgb(4, 0, 251));
    EXPECT_EQ(shot.pixel(199 - 4 * 49, 100), qRgb(196, 0, 59));
    EXPECT_EQ(shot.pixel(0, 0), qRgb(196, 0, 59));
}

TEST_F(FormFixture, BitmapTilesOrFillsAsPatternAndTooLargeOnesPaintNothing)
{
    // 20 x 20: tiled; the left half red, the right half blue.
    TBitmap tile(20, 20);
    QImage img(20, 20, QImage::Format_RGB32);
    img.fill(Qt::red);
    for (int y = 0; y < 20; ++y)
        for (int x = 10; x < 20; ++x)
            img.setPixel(x, y, qRgb(0, 0, 255));
    tile.SetImage(img);
    qk->SetFillBitmap(&tile);
    qk->SetFillStyle(BITMAP);
    QImage shot = Shot();
    shot.save(BuildFile("qk_form_bitmap.png"));
    EXPECT_EQ(shot.pixel(45, 33), qRgb(255, 0, 0));
    EXPECT_EQ(shot.pixel(55, 33), qRgb(0, 0, 255));
    EXPECT_EQ(shot.pixel(195, 125), qRgb(0, 0, 255));  // the last partial tile too

    // 8 x 4: the brush pattern; every other column green.
    QImage stripes(8, 4, QImage::Format_RGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            stripes.setPixel(x, y, x % 2 ? qRgb(0, 255, 0) : qRgb(0, 0, 0));
    TBitmap small;
    small.SetImage(stripes);
    qk->SetFillBitmap(&small);
    shot = Shot();
    EXPECT_EQ(shot.pixel(101, 7), qRgb(0, 255, 0));
    EXPECT_EQ(shot.pixel(100, 7), qRgb(0, 0, 0));

    // 300 x 100: too wide, nothing painted, OnPaint still fires.
    TBitmap wide(300, 100);
    QImage w(300, 100, QImage::Format_RGB32);
    w.fill(Qt::red);
    wide.SetImage(w);
    qk->SetFillBitmap(&wide);
    paints = 0;
    shot = Shot();
    EXPECT_GT(paints, 0);
    EXPECT_EQ(shot.pixel(10, 10), qRgb(255, 255, 255));
    EXPECT_EQ(shot.pixel(150, 100), qRgb(255, 255, 255));
}

TEST_F(FormFixture, PatternStylesFillWithTheirOwnPatterns)
{
    std::set<QString> seen;
    for (TFStyle s : {BCyan, BGray, LCyan, LGray, WDGray, Weave, WGray, WLGray}) {
        QImage pattern = QKFormPattern(s);
        ASSERT_EQ(pattern.size(), QSize(8, 8)) << s;
        QByteArray bytes(reinterpret_cast<const char*>(pattern.constBits()), pattern.sizeInBytes());
        seen.insert(QString::fromLatin1(bytes.toHex()));
    }
    EXPECT_EQ(seen.size(), 8u);  // eight different patterns
    EXPECT_TRUE(QKFormPattern(NONE).isNull());

    qk->SetFillStyle(Weave);
    QImage shot = Shot();
    shot.save(BuildFile("qk_form_weave.png"));
    QImage pattern = QKFormPattern(Weave);
    for (QPoint p : {QPoint(0, 0), QPoint(13, 6), QPoint(99, 77), QPoint(199, 125)})
        EXPECT_EQ(shot.pixel(p), pattern.pixel(p.x() % 8, p.y() % 8)) << p.x() << "," << p.y();
}

TEST_F(FormFixture, RemovedComponentGivesTheFormItsOwnPaintingBack)
{
    qk->SetFillStyle(vRAINBOW);
    qk->SetFormMinHeight(300);
    Settle();
    delete qk;
    EXPECT_FALSE(bool(form.OnPaint));
    EXPECT_EQ(form.Handle()->minimumHeight(), 0);
    QImage shot = Shot();
    EXPECT_EQ(shot.pixel(100, 125), qRgb(255, 255, 255));
}

TEST(QKForm, LimitsAreTheFormsConstraintsUntilTheComponentGoes)
{
    TForm form(nullptr);
    form.Constraints()->SetMinWidth(200);  // the form's own limit
    auto* qk = new TQKForm(&form);
    qk->SetFormMinWidth(460);
    qk->SetFormMaxHeight(500);
    EXPECT_EQ(form.Constraints()->MinWidth(), 460);
    EXPECT_EQ(form.Constraints()->MaxHeight(), 500);
    delete qk;
    EXPECT_EQ(form.Constraints()->MinWidth(), 200);
    EXPECT_EQ(form.Constraints()->MaxHeight(), 0);
}

TEST(QKForm, MdiFrameFormRefusesAFillStyle)
{
    TForm form(nullptr);
    form.SetFormStyle(fsMDIForm);
    auto* qk = new TQKForm(&form);
    TPromptScript script;
    script.Answer(TPromptKind::Box, IDOK, "MDIFormen werden nicht unterstützt");
    qk->SetFillStyle(vRAINBOW);
    EXPECT_EQ(qk->FillStyle(), NONE);
    ASSERT_EQ(script.Records().size(), 1u);
    EXPECT_EQ(script.Records()[0].Caption, "QKForm");
    EXPECT_EQ(script.Records()[0].Text, "MDIFormen werden nicht unterstützt");
}

TEST(QKForm, LoadedBreaksHintsAtCaretM)
{
    TForm form(nullptr);
    auto* qk = new TQKForm(&form);
    auto* edit = new TEdit(&form);
    edit->SetParent(&form);
    edit->SetHint("Zwei^MZeilen");
    edit->SetShowHint(true);
    auto* plain = new TEdit(&form);
    plain->SetHint("Eine Zeile");
    form.Loaded();
    EXPECT_EQ(edit->Hint(), "Zwei\nZeilen");
    EXPECT_EQ(plain->Hint(), "Eine Zeile");
    (void)qk;
}

TEST_F(FormFixture, SizeLimitsHoldAgainstProgramAndUser)
{
    qk->SetFormMinWidth(460);
    qk->SetFormMinHeight(360);
    form.SetBounds(10, 10, 300, 200);
    Settle();
    EXPECT_EQ(form.Width(), 460);
    EXPECT_EQ(form.Height(), 360);
    // The user drags the window smaller: the window system keeps the limit.
    form.Handle()->resize(100, 100);
    Settle();
    EXPECT_EQ(form.Height(), 360);
    // No maximum: the system's.
    EXPECT_EQ(form.Handle()->maximumWidth(), QWIDGETSIZE_MAX);
    form.SetBounds(10, 10, 900, 700);
    Settle();
    EXPECT_EQ(form.Width(), 900);

    qk->SetFormMaxWidth(600);
    Settle();
    EXPECT_EQ(form.Width(), 600);
    EXPECT_EQ(form.Height(), 700);
}

}  // namespace
