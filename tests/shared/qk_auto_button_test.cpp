// TQKAutoButton: hot state, glyph strips, layouts, borders, disabled look
// and the popup menu.

#include <QMenu>
#include <gtest/gtest.h>

#include "platform/ui/forms.h"
#include "platform/ui/test_input.h"
#include "shared/qk_auto_button.h"

namespace {

const QColor kFace(192, 192, 192), kWhite(255, 255, 255), kGrey(128, 128, 128);

// Two 32 x 32 images side by side: red left, blue right, each inside a
// fuchsia margin (the bottom-left colour, left out when drawn).
void MakeStrip(TBitmap& glyph)
{
    glyph.SetSize(64, 32);
    TCanvas* c = glyph.Canvas();
    c->Brush.Color = clFuchsia;
    c->FillRect(Rect(0, 0, 64, 32));
    c->Brush.Color = clRed;
    c->FillRect(Rect(4, 4, 28, 28));
    c->Brush.Color = clBlue;
    c->FillRect(Rect(36, 4, 60, 28));
}

struct ButtonFixture : ::testing::Test {
    ButtonFixture()
    {
        form.SetClientWidth(300);
        form.SetClientHeight(200);
        button = new TQKAutoButton(&form);
        button->SetParent(&form);
        button->SetBounds(10, 10, 100, 50);
        form.Show();
    }
    ~ButtonFixture() override { form.Hide(); }
    QImage Shot() { return button->Handle()->grab().toImage(); }
    // Pixels of the caption: antialiased text is counted by its hue.
    template <typename Pred>
    int Count(const QImage& img, Pred pred)
    {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                n += pred(img.pixelColor(x, y));
        return n;
    }
    int CountColour(const QImage& img, QColor c)
    {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                n += img.pixelColor(x, y) == c;
        return n;
    }
    TForm form{nullptr};
    TQKAutoButton* button;
};

}  // namespace

TEST_F(ButtonFixture, DefaultsAndHotStateFollowTheMouse)
{
    EXPECT_EQ(button->BorderStyle(), TQKAutoButton::bsAuto);
    EXPECT_EQ(button->BorderWidth(), 1);
    EXPECT_EQ(button->Layout(), blGlyphLeft);
    EXPECT_EQ(button->PopupAlign(), TQKAutoButton::alBottom);
    EXPECT_EQ(button->Spacing(), 4);
    EXPECT_TRUE(button->Stretch());
    EXPECT_FALSE(button->Transparent());
    EXPECT_EQ(button->FontActiveColor(), button->Font()->Color());
    EXPECT_EQ(button->About_Quillkit(), "20.06.98");
    TQKAutoButton fresh(nullptr);
    EXPECT_EQ(fresh.Width(), 100);
    EXPECT_EQ(fresh.Height(), 50);

    lxui_test::SendEnter(button->Handle());
    EXPECT_TRUE(button->Value());
    lxui_test::SendLeave(button->Handle());
    EXPECT_FALSE(button->Value());
}

TEST_F(ButtonFixture, HotShowsTheFirstGlyphImageAndNormalTheSecond)
{
    TBitmap strip;
    MakeStrip(strip);
    button->SetGlyph(&strip);
    button->SetStretch(false);
    button->SetValue(true);
    QImage hot = Shot();
    button->SetValue(false);
    QImage normal = Shot();
    // Glyph 32 x 32 centred (no caption: x = (100 - 36) / 2 = 32, y = 9).
    EXPECT_EQ(hot.pixelColor(48, 25), QColor(255, 0, 0));
    EXPECT_EQ(normal.pixelColor(48, 25), QColor(0, 0, 255));
    EXPECT_EQ(normal.pixelColor(33, 10), kFace);  // the margin colour is left out
    EXPECT_EQ(CountColour(normal, QColor(255, 0, 255)), 0);
    // Stretched over the whole button.
    button->SetStretch(true);
    QImage stretched = Shot();
    EXPECT_EQ(stretched.pixelColor(20, 10), QColor(0, 0, 255));
    EXPECT_EQ(stretched.pixelColor(80, 40), QColor(0, 0, 255));
    // One image: shown in both states.
    TBitmap single(32, 32);
    single.Canvas()->Brush.Color = clLime;
    single.Canvas()->FillRect(Rect(0, 0, 32, 32));
    single.Canvas()->SetPixel(0, 31, clBlack);
    button->SetGlyph(&single);
    button->SetValue(true);
    EXPECT_EQ(button->GlyphImage().size(), QSize(32, 32));
}

TEST_F(ButtonFixture, LayoutsPlaceGlyphAndCaption)
{
    TBitmap strip;
    MakeStrip(strip);
    button->SetGlyph(&strip);
    button->SetCaption("Öffnen");
    TCanvas measure;
    measure.Font.Assign(button->Font());
    int tw = measure.TextWidth("Öffnen"), th = measure.TextHeight("Öffnen");
    int W = 100, H = 50, w = 32, h = 32, s = 4;
    struct Case {
        TButtonLayout layout;
        TRect glyph;
        TPoint caption;
    } cases[] = {
        {blGlyphLeft, Bounds((W - (tw + w + s)) / 2, (H - h) / 2, w, h), Point((W - (tw + w + s)) / 2 + w + s, (H - th) / 2)},
        {blGlyphRight, Bounds((W - (tw + w + s)) / 2 + tw + s, (H - h) / 2, w, h), Point((W - (tw + w + s)) / 2, (H - th) / 2)},
        {blGlyphTop, Bounds((W - w) / 2, (H - (th + h + s)) / 2, w, h), Point((W - tw) / 2, (H - (th + h + s)) / 2 + h + s)},
        {blGlyphBottom, Bounds((W - w) / 2, (H - (th + h + s)) / 2 + th + s, w, h), Point((W - tw) / 2, (H - (th + h + s)) / 2)},
    };
    for (const Case& c : cases) {
        button->SetLayout(c.layout);
        auto p = button->Placement();
        EXPECT_EQ(p.Glyph, c.glyph) << c.layout;
        EXPECT_EQ(p.Caption, c.caption) << c.layout;
    }
    // Halvings round toward zero when the content is wider than the button.
    button->SetWidth(20);
    button->SetLayout(blGlyphLeft);
    EXPECT_EQ(button->Placement().Glyph.Left, (20 - (tw + w + s)) / 2);
}

TEST_F(ButtonFixture, BordersByStyleHotAndPressed)
{
    struct Case {
        TaBorderStyle style;
        bool hot, pressed;
        QColor topLeft;
    } cases[] = {
        {TQKAutoButton::bsAuto, true, false, kWhite},    {TQKAutoButton::bsAuto, true, true, kGrey},
        {TQKAutoButton::bsAuto, false, false, kFace},    {TQKAutoButton::bsAuto, false, true, kFace},
        {TQKAutoButton::bsLowered, true, false, kFace},  {TQKAutoButton::bsLowered, false, false, kGrey},
        {TQKAutoButton::bsLowered, false, true, kWhite}, {TQKAutoButton::bsRaised, true, true, kFace},
        {TQKAutoButton::bsRaised, false, false, kWhite}, {TQKAutoButton::bsRaised, false, true, kGrey},
        {TQKAutoButton::bsNone, true, false, kFace},     {TQKAutoButton::bsNone, false, true, kFace},
    };
    for (const Case& c : cases) {
        button->SetBorderStyle(c.style);
        button->SetValue(c.hot);
        if (c.pressed)
            button->MouseDown(mbLeft, {ssLeft}, 5, 5);
        QImage img = Shot();
        EXPECT_EQ(img.pixelColor(0, 0), c.topLeft) << int(c.style) << c.hot << c.pressed;
        if (c.topLeft != kFace) {  // the other corner has the other colour
            EXPECT_EQ(img.pixelColor(99, 49), c.topLeft == kWhite ? kGrey : kWhite);
        }
        if (c.pressed)
            button->MouseUp(mbLeft, {}, 5, 5);
        EXPECT_FALSE(button->Pressed());
    }
}

TEST_F(ButtonFixture, HotCaptionColourAndDisabledGreyIgnoringPresses)
{
    button->SetCaption("Bilder");
    button->SetStretch(false);
    button->SetFontActiveColor(clRed);
    auto reddish = [](QColor c) { return c.red() - std::max(c.green(), c.blue()) > 60; };
    auto dark = [](QColor c) { return qGray(c.rgb()) < 100; };
    auto midGrey = [](QColor c) {
        return qGray(c.rgb()) >= 100 && qGray(c.rgb()) < 175 && std::abs(c.red() - c.blue()) < 16;
    };
    button->SetValue(true);
    EXPECT_GT(Count(Shot(), reddish), 5);
    button->SetValue(false);
    EXPECT_EQ(Count(Shot(), reddish), 0);
    EXPECT_GT(Count(Shot(), dark), 5);

    int downs = 0;
    button->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++downs; };
    button->SetEnabled(false);
    QImage img = Shot();
    EXPECT_EQ(Count(img, dark), 0);  // caption in the grey-text colour
    EXPECT_GT(Count(img, midGrey), 5);
    button->MouseDown(mbLeft, {ssLeft}, 5, 5);
    EXPECT_FALSE(button->Pressed());
    EXPECT_EQ(downs, 0);
    button->SetEnabled(true);
    lxui_test::SendMouse(button->Handle(), QEvent::MouseButtonPress, QPoint(5, 5));
    EXPECT_TRUE(button->Pressed());
    EXPECT_EQ(downs, 1);
    lxui_test::SendMouse(button->Handle(), QEvent::MouseButtonRelease, QPoint(5, 5));
    EXPECT_FALSE(button->Pressed());
}

TEST_F(ButtonFixture, ClickDropsThePopupMenuAndMarksIt)
{
    auto* menu = new TPopupMenu(&form);
    auto* item = new TMenuItem(&form);
    item->SetCaption("Neues Album");
    menu->Items()->Add(item);
    EXPECT_TRUE(menu->AutoPopup);
    button->SetPopupMenu(menu);
    EXPECT_FALSE(menu->AutoPopup);
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    lxui_test::SendClick(button->Handle(), QPoint(50, 25));
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(menu->Menu()->isVisible());
    EXPECT_EQ(menu->PopupComponent, button);
    menu->Menu()->hide();
    QImage img = Shot();
    EXPECT_EQ(img.pixelColor(7, 50 - 9), QColor(0, 0, 0));  // the triangle pointing down
    button->SetPopupAlign(TQKAutoButton::alRight);
    img = Shot();
    EXPECT_EQ(img.pixelColor(100 - 8, 7), QColor(0, 0, 0));
    delete menu;  // a freed menu is dropped
    EXPECT_EQ(button->PopupMenu(), nullptr);
    lxui_test::SendClick(button->Handle(), QPoint(50, 25));
    EXPECT_EQ(clicks, 2);
}
