// The shadow button's colour rules, tiling and faces, and a screenshot.

#include <QCoreApplication>
#include <QDir>
#include <gtest/gtest.h>

#include "controls/shadow_button.h"
#include "platform/ui/forms.h"

TEST(ShadowButton, ColourMixingMovesEachChannelByThePercentage)
{
    EXPECT_EQ(FarbKanalMischen(0, 255, 50), 127);
    EXPECT_EQ(FarbKanalMischen(200, 0, 50), 100);
    EXPECT_EQ(FarbeAufhellen(clWhite, 50), clWhite);            // white stays white
    EXPECT_EQ(FarbeAufhellen(clBlack, 50), RGB(127, 127, 127));  // middle grey
    EXPECT_EQ(FarbeAufhellen(RGB(100, 200, 50), -50), RGB(50, 100, 25));
}

TEST(ShadowButton, TilesCoverTheFaceWithTheLastColumnAndRowCut)
{
    const auto kacheln = KachelRechtecke(Rect(0, 0, 25, 12), 10, 10);
    ASSERT_EQ(kacheln.size(), 6u);  // 3 x 2
    EXPECT_EQ(kacheln[2].Right - kacheln[2].Left, 5);
    EXPECT_EQ(kacheln[5].Bottom - kacheln[5].Top, 2);
    EXPECT_EQ(kacheln[3].Top, 10);
    // A rectangle smaller than one tile still gets one, cut.
    const auto klein = KachelRechtecke(Rect(2, 2, 6, 6), 10, 10);
    ASSERT_EQ(klein.size(), 1u);
    EXPECT_EQ(klein[0].Right, 6);
}

TEST(ShadowButton, NegativeOffsetIsZeroAndPressedLooksLikeReleased)
{
    TForm form(nullptr);
    TShadowButton b(&form);
    b.SetParent(&form);
    b.SetBounds(0, 0, 80, 30);
    EXPECT_EQ(b.ShadowOffset(), 4);
    EXPECT_NE(b.Zeichnen(false), b.Zeichnen(true));
    b.SetShadowOffset(-3);
    EXPECT_EQ(b.ShadowOffset(), 0);
    EXPECT_EQ(b.Zeichnen(false), b.Zeichnen(true));
}

TEST(ShadowButton, FaceShadowAndDisabledColours)
{
    TForm form(nullptr);
    TShadowButton b(&form);
    b.SetParent(&form);
    b.SetBounds(0, 0, 80, 30);
    b.SetFaceColor(RGB(255, 255, 0));
    b.SetShadowColor(RGB(0, 0, 128));
    QImage bild = b.Zeichnen(false);
    EXPECT_EQ(bild.pixelColor(20, 3), QColor(255, 255, 0));   // face, above the text
    EXPECT_EQ(bild.pixelColor(78, 28), QColor(0, 0, 128));    // shadow bottom right
    EXPECT_EQ(bild.pixelColor(0, 0), QColor(0, 0, 0));        // border
    bild = b.Zeichnen(true);
    EXPECT_NE(bild.pixelColor(78, 28), QColor(0, 0, 128));    // pressed: no shadow
    b.SetFaceColor(clWhite);
    b.SetEnabled(false);
    bild = b.Zeichnen(false);
    EXPECT_EQ(bild.pixelColor(20, 3), QColor(255, 255, 255));
    EXPECT_EQ(bild.pixelColor(0, 0), QColor(127, 127, 127));
}

TEST(ShadowButton, ClickSetsTheFormsModalResultAndScreenshot)
{
    TForm form(nullptr);
    form.SetClientWidth(260);
    form.SetClientHeight(60);
    auto* b = new TShadowButton(&form);
    b->SetParent(&form);
    b->SetBounds(10, 10, 110, 36);
    b->SetCaption("Pflichtfelder");
    b->SetFaceColor(clAqua);
    auto* c = new TShadowButton(&form);
    c->SetParent(&form);
    c->SetBounds(135, 10, 110, 36);
    c->SetCaption("Eingabe möglich");
    c->SetFaceColor(clLime);
    int klicks = 0;
    b->OnClick = [&](TObject*) { ++klicks; };
    b->ModalResult = mrOk;
    b->MouseDown(mbLeft, {}, 5, 5);
    EXPECT_TRUE(b->Pressed());
    b->MouseUp(mbLeft, {}, 5, 5);
    EXPECT_FALSE(b->Pressed());
    EXPECT_EQ(klicks, 1);
    EXPECT_EQ(form.ModalResult, mrOk);
    b->MouseDown(mbLeft, {}, 5, 5);
    b->MouseUp(mbLeft, {}, 500, 5);  // released outside: no click
    EXPECT_EQ(klicks, 1);
    form.Show();
    const QString dir = QCoreApplication::applicationDirPath() + "/screenshots";
    QDir().mkpath(dir);
    EXPECT_TRUE(form.Handle()->grab().save(dir + "/shadow_buttons.png"));
    form.Hide();
}
