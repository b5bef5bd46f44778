// The image operations dialog: the figures of the information page, the
// entries offered by the bits of the picture, the preview with the
// accumulated angle, OK and Cancel on the window's picture, and the effect
// and rotation copies of the library.

#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "imaging/image_dialogs.h"
#include "imaging/image_operations.h"
#include "imaging/image_toolbar.h"
#include "imaging/image_window.h"
#include "imaging_fixture.h"
#include "platform/picture/picture_effects.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/std_ctrls.h"

using namespace imgtest;

namespace {

QImage Indexed8(int w, int h)
{
    QImage img = Quarters(w, h).convertToFormat(QImage::Format_Indexed8);
    QList<QRgb> table = img.colorTable();
    while (table.size() < 200)
        table << qRgb(table.size(), 0, 0);  // more than 16 colours: 8 bits
    img.setColorTable(table);
    return img;
}

void Take(TImageWindow& w, const QImage& img)
{
    w.ImageInWindow()->TakeImage(TPicImage::FromQImage(img));
}

QStringList Items(TComboBox* combo)
{
    QStringList list;
    for (int i = 0; i < combo->Items()->Count(); ++i)
        list << combo->Items()->Strings(i);
    return list;
}

// The dialog on a window's picture, on the transform page with "Rotate
// Arbitrary" chosen.
void ToArbitraryRotation(TDlgImageOperations& dlg, TImageWindow& w)
{
    dlg.SetImage(&w);
    dlg.ShowPage("Transform");
    dlg.Transforms->SetItemIndex(1);
    dlg.TransformChanged();
}

}  // namespace

TEST(ImageOperations, InformationAndPresetsFollowTheBits)
{
    struct Case {
        QImage image;
        int bits;
        QString colors;
        QString colorOp;
        QString count;
        int effects;
    };
    QImage argb(30, 20, QImage::Format_ARGB32);
    argb.fill(qRgba(10, 20, 30, 128));
    QImage mono = Quarters(30, 20).convertToFormat(QImage::Format_Mono);
    const Case cases[] = {
        {Quarters(300, 200), 24, "16777216", "24 Bit Image", "256", 13},
        {Indexed8(300, 200), 8, "256", "8 Bit Image", "256", 4},
        {mono, 1, "2", "1 Bit Image", "2", 4},
        {argb, 32, "4294967296", "None", "0", 13},  // colours counted in 64 bits
    };
    for (const Case& c : cases) {
        TImageWindow w(nullptr);
        w.SetBounds(0, 0, 400, 300);
        Take(w, c.image);
        ASSERT_EQ(w.ImageInWindow()->BitsPerPixel(), c.bits);
        TDlgImageOperations dlg(nullptr);
        dlg.SetImage(&w);
        EXPECT_EQ(dlg.InfoWidth->Caption(), QString::number(c.image.width()));
        EXPECT_EQ(dlg.InfoHeight->Caption(), QString::number(c.image.height()));
        EXPECT_EQ(dlg.InfoBits->Caption(), QString::number(c.bits));
        EXPECT_EQ(dlg.InfoColors->Caption(), c.colors);
        EXPECT_EQ(dlg.InfoMemory->Caption(),
                  QString::number(qint64(c.image.width()) * c.image.height() * c.bits / 8));
        EXPECT_EQ(dlg.InfoDensity->Caption(), "96");
        EXPECT_EQ(dlg.ColorOps->Text(), c.colorOp);
        EXPECT_EQ(dlg.ColorCount->Text(), c.count);
        EXPECT_TRUE(dlg.Dithering->Checked());
        EXPECT_FALSE(dlg.GrayScale->Checked());
        EXPECT_EQ(dlg.Effects->Items()->Count(), c.effects) << c.bits;
    }
}

TEST(ImageOperations, EightBitPictureOffersOnlyThePointEffects)
{
    TImageWindow w(nullptr);
    Take(w, Indexed8(40, 40));
    TDlgImageOperations dlg(nullptr);
    dlg.SetImage(&w);
    EXPECT_EQ(Items(dlg.Effects), QStringList({"None", "Brightness", "Contrast", "Invert"}));
    // "None" hides both bars and greys the channel boxes.
    EXPECT_FALSE(dlg.Brightness->Visible());
    EXPECT_FALSE(dlg.Contrast->Visible());
    EXPECT_FALSE(dlg.ApplyRed->Enabled());
    dlg.Effects->SetItemIndex(1);
    dlg.EffectChanged();
    EXPECT_TRUE(dlg.Brightness->Visible());
    EXPECT_FALSE(dlg.Contrast->Visible());
    EXPECT_TRUE(dlg.ApplyRed->Enabled());
}

TEST(ImageOperations, PreviewBaseCopyFitsTheView)
{
    TImageWindow w(nullptr);
    Take(w, Quarters(800, 200));
    TDlgImageOperations dlg(nullptr);
    dlg.SetImage(&w);
    const int A = dlg.Preview->AvailableWidth() - 1;
    EXPECT_EQ(dlg.BaseCopy().Width(), A);
    EXPECT_EQ(dlg.BaseCopy().Height(), A / 4);
    // A small picture is enlarged.
    TImageWindow small(nullptr);
    Take(small, Quarters(10, 20));
    TDlgImageOperations dlg2(nullptr);
    dlg2.SetImage(&small);
    EXPECT_EQ(dlg2.BaseCopy().Height(), dlg2.Preview->AvailableHeight() - 1);
}

TEST(ImageOperations, PreviewTwiceAccumulatesTheAngle)
{
    TImageWindow w(nullptr);
    Take(w, Quarters(120, 60));
    TDlgImageOperations dlg(nullptr);
    ToArbitraryRotation(dlg, w);
    EXPECT_EQ(dlg.Angle->Text(), "0");
    EXPECT_TRUE(dlg.Angle->Enabled());
    dlg.BackColor->SetText(QString::number(clBlack));
    for (int i = 0; i < 2; ++i) {
        dlg.Angle->SetText("200");
        dlg.PreviewClick();
    }
    EXPECT_DOUBLE_EQ(dlg.AccumulatedAngle(), 40);
    EXPECT_EQ(dlg.Angle->Text(), "0");
    const TPicImage expected = PicRotateAny(dlg.BaseCopy(), 40, false, Qt::black);
    const QImage shown = dlg.Preview->ImageInWindow()->FullImage().Pixels;
    EXPECT_EQ(shown.size(), expected.Pixels.size());
    EXPECT_EQ(shown, expected.Pixels);
    Shot(dlg, "image_operations_transform");
    // The other rotations set their angle and grey the controls.
    dlg.Transforms->SetItemIndex(2);
    dlg.TransformChanged();
    EXPECT_EQ(dlg.Angle->Text(), "270");
    EXPECT_FALSE(dlg.Angle->Enabled());
    EXPECT_FALSE(dlg.ClipCorner->Enabled());
}

TEST(ImageOperations, DragOnThePreviewSetsTheAngle)
{
    TImageWindow w(nullptr);
    Take(w, Quarters(60, 60));
    TDlgImageOperations dlg(nullptr);
    ToArbitraryRotation(dlg, w);
    const int cx = dlg.Preview->Width() / 2, cy = dlg.Preview->Height() / 2;
    // From right of the middle to below it: a quarter turn clockwise.
    dlg.Preview->MouseDown(mbLeft, {ssLeft}, cx + 50, cy);
    dlg.Preview->MouseMove({ssLeft}, cx, cy + 50);
    dlg.Preview->MouseUp(mbLeft, {}, cx, cy + 50);
    EXPECT_EQ(dlg.Angle->Text(), "90");
    // Elsewhere than "Rotate Arbitrary" a drag does nothing.
    dlg.Transforms->SetItemIndex(5);
    dlg.TransformChanged();
    dlg.Preview->MouseDown(mbLeft, {ssLeft}, cx + 50, cy);
    dlg.Preview->MouseMove({ssLeft}, cx, cy - 50);
    EXPECT_EQ(dlg.Angle->Text(), "90");
}

TEST(ImageOperations, OkChangesTheWindowCancelDoesNot)
{
    TImageWindow w(nullptr);
    w.SetBounds(0, 0, 300, 200);
    Take(w, Quarters(40, 20));
    const QImage before = w.ImageInWindow()->FullImage().Pixels;
    Application->HelpFile = "LUMADEX.HLP";
    {
        TPromptScript script;
        script.Modal([&](TCustomForm& f) {
            auto& dlg = dynamic_cast<TDlgImageOperations&>(f);
            EXPECT_EQ(Application->HelpFile, "PICUSER.HLP");
            EXPECT_EQ(dlg.ActivePageName(), "Information");
            Shot(dlg, "image_operations_information");
            dlg.ShowPage("Effects");
            dlg.Effects->SetItemIndex(3);  // Invert
            dlg.EffectChanged();
            Shot(dlg, "image_operations_effects");
            dlg.PreviewClick();
            EXPECT_EQ(dlg.Preview->ImageInWindow()->FullImage().Pixels.pixel(0, 0), qRgb(0, 255, 255));
            dlg.CancelButton->Click();
        });
        w.ShowImageOperations();
    }
    EXPECT_EQ(Application->HelpFile, "LUMADEX.HLP");
    EXPECT_EQ(w.ImageInWindow()->FullImage().Pixels, before);
    EXPECT_FALSE(w.Modified);
    // The page last used opens next time; OK applies to the window.
    EXPECT_EQ(w.LastImageOperationsPage(), "Effects");
    {
        TPromptScript script;
        script.Modal([&](TCustomForm& f) {
            auto& dlg = dynamic_cast<TDlgImageOperations&>(f);
            EXPECT_EQ(dlg.ActivePageName(), "Effects");
            dlg.Effects->SetItemIndex(3);
            dlg.EffectChanged();
            dlg.ApplyGreen->SetChecked(false);  // red and blue only
            dlg.OkButton->Click();
        });
        w.ShowImageOperations();
    }
    EXPECT_EQ(w.ImageInWindow()->FullImage().Pixels.pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_TRUE(w.Modified);
    // The information button opens on "Information" and leaves the last page.
    {
        TPromptScript script;
        script.Modal([&](TCustomForm& f) {
            auto& dlg = dynamic_cast<TDlgImageOperations&>(f);
            EXPECT_EQ(dlg.ActivePageName(), "Information");
            dlg.ShowPage("View");
            dlg.FitModes->SetItemIndex(1);
            Shot(dlg, "image_operations_view");
            dlg.OkButton->Click();
        });
        w.ToolBar()->Button(Info)->Click();
    }
    EXPECT_EQ(w.FitStyle(), fsBest);
    EXPECT_EQ(w.LastImageOperationsPage(), "Effects");
}

TEST(ImageOperations, ColorsPageReducesByCountOrBits)
{
    TImageWindow w(nullptr);
    Take(w, Quarters(64, 64));
    TDlgImageOperations dlg(nullptr);
    dlg.SetImage(&w);
    dlg.ShowPage("Colors");
    dlg.ColorOps->SetItemIndex(1);
    dlg.ColorOpChanged();
    EXPECT_TRUE(dlg.ColorCount->Visible());
    Shot(dlg, "image_operations_colors");
    dlg.ColorCount->SetText("16");
    dlg.OkClick();
    EXPECT_LE(w.ImageInWindow()->BitsPerPixel(), 8);
    dlg.ColorOps->SetItemIndex(2);  // 1 Bit Image
    dlg.ColorOpChanged();
    EXPECT_FALSE(dlg.ColorCount->Visible());
    dlg.OkClick();
    EXPECT_EQ(w.ImageInWindow()->BitsPerPixel(), 1);
}

TEST(ImageOperations, FailedEffectKeepsThePicture)
{
    const TPicImage indexed = TPicImage::FromQImage(Indexed8(8, 8));
    TImageWindow w(nullptr);
    w.ImageInWindow()->TakeImage(indexed);
    w.ApplyEffect(peSharpen, 7, 0);  // the filters need 24 bits per pixel
    EXPECT_EQ(w.ImageInWindow()->FullImage().Pixels, indexed.Pixels);
    EXPECT_FALSE(w.Modified);
}

// The help buttons of the image operations dialog and of the page choice
// ask for the help file's contents, as every help button without a topic
// does; the image operations dialog has the picture help as its file.
TEST(ImageDialogs, HelpButtonsAskForTheHelpContents)
{
    struct Anfrage {
        Word Command;
        int Data;
        QString HelpFile;
    };
    std::vector<Anfrage> anfragen;
    const THelpEvent vorher = Application->OnHelp;
    Application->OnHelp = [&](Word command, int data, bool& callHelp) {
        anfragen.push_back({command, data, Application->HelpFile});
        callHelp = false;
        return true;
    };
    struct Fall {
        const char* Name;
        std::function<std::unique_ptr<TForm>()> Form;
        std::function<TButton*(TForm&)> Hilfe;
        const char* HelpFile;
    };
    const QString datei = Application->HelpFile;
    const Fall faelle[] = {
        {"Bildoperationen", [] { return std::make_unique<TDlgImageOperations>(nullptr); },
         [](TForm& f) { return static_cast<TDlgImageOperations&>(f).HelpButton; }, "PICUSER.HLP"},
        {"Seitenwahl", [] { return std::make_unique<TMultiImageDialog>(nullptr, QString(), 0); },
         [](TForm& f) { return static_cast<TMultiImageDialog&>(f).HelpButton; }, nullptr},
    };
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(fall.Name);
        anfragen.clear();
        const std::unique_ptr<TForm> form = fall.Form();
        form->Show();
        QTest::mouseClick(fall.Hilfe(*form)->Handle(), Qt::LeftButton);
        ASSERT_EQ(anfragen.size(), 1u);
        EXPECT_EQ(anfragen[0].Command, HELP_CONTENTS);
        EXPECT_EQ(anfragen[0].HelpFile, fall.HelpFile ? QString(fall.HelpFile) : datei);
    }
    Application->OnHelp = vorher;
}
