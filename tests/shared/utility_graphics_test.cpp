// Guards the graphics utilities: stored fonts, shortened paths and fitted picture sizes.
#include <gtest/gtest.h>

#include <QFontMetrics>

#include "platform/core/file_utils.h"
#include "platform/ui/forms.h"
#include "platform/ui/std_ctrls.h"
#include "routines_test_print.h"
#include "routines_test_support.h"
#include "shared/utility_graphics.h"
#include "test_environment.h"

namespace {

class UtilityFonts : public testing::Test {
protected:
    lxtest::TempDir dir;
    QString Ini() const { return Win(dir.path()) + "\\Lumadex.INI"; }
};

TEST_F(UtilityFonts, SaveWritesTheFourKeys)
{
    TFont font;
    font.SetName("Arial");
    font.SetSize(12);
    font.SetColor(clRed);
    font.SetStyle({fsItalic, fsBold});
    qktSaveFontToIni(Ini(), "Fonts", "GridFont", font);
    // The file from outside: Windows-1252 text, CR LF line ends.
    EXPECT_EQ(lxtest::ReadFile(dir / "Lumadex.INI"),
              "[Fonts]\r\nGridFont_Name=Arial\r\nGridFont_Size=12\r\nGridFont_Color=255\r\nGridFont_Style=BI\r\n");

    TFont loaded;
    ASSERT_TRUE(qktLoadFontFromIni(Ini(), "Fonts", "GridFont", loaded));
    EXPECT_EQ(loaded.Name(), "Arial");
    EXPECT_EQ(loaded.Size(), 12);
    EXPECT_EQ(loaded.Color(), clRed);
    EXPECT_EQ(loaded.Style(), (TFontStyles{fsBold, fsItalic}));
}

TEST_F(UtilityFonts, LoadRules)
{
    lxtest::WriteFile(dir / "Lumadex.INI",
                      "[Fonts]\r\nA_Name=Courier New\r\nA_Style=SB\r\n"
                      "B_Name=Times\r\nB_Size=14\r\nB_Style=\r\n"
                      "C_Name=\r\nC_Size=30\r\n");
    TFont font;
    font.SetName("Tahoma");
    font.SetSize(9);
    font.SetColor(clBlue);
    font.SetStyle({fsUnderline});

    TFont a;
    a.Assign(&font);
    ASSERT_TRUE(qktLoadFontFromIni(Ini(), "Fonts", "A", a));
    EXPECT_EQ(a.Name(), "Courier New");
    EXPECT_EQ(a.Size(), 9);          // missing keys keep the font's values
    EXPECT_EQ(a.Color(), clBlue);
    EXPECT_EQ(a.Style(), (TFontStyles{fsBold, fsStrikeOut}));

    TFont b;
    b.Assign(&font);
    ASSERT_TRUE(qktLoadFontFromIni(Ini(), "Fonts", "B", b));
    EXPECT_EQ(b.Size(), 14);
    EXPECT_EQ(b.Style(), TFontStyles{fsUnderline});  // an empty style text changes nothing

    for (const char* prefix : {"C", "Fehlt"}) {
        TFont c;
        c.Assign(&font);
        EXPECT_FALSE(qktLoadFontFromIni(Ini(), "Fonts", prefix, c));
        EXPECT_EQ(c.Name(), "Tahoma");
        EXPECT_EQ(c.Size(), 9);
    }
    TFont d;
    EXPECT_FALSE(qktLoadFontFromIni("X:\\fehlt.ini", "Fonts", "A", d));
}

TEST_F(UtilityFonts, FaceNameOutsideWindows1252LeavesTheFileAsItWas)
{
    lxtest::WriteFile(dir / "Lumadex.INI", "[Fonts]\r\nGridFont_Name=Arial\r\n");
    TFont font;
    font.SetName(QString::fromUtf8("微软雅黑"));
    EXPECT_THROW(qktSaveFontToIni(Ini(), "Fonts", "GridFont", font), EEncodingError);
    EXPECT_EQ(lxtest::ReadFile(dir / "Lumadex.INI"), "[Fonts]\r\nGridFont_Name=Arial\r\n");
}

TEST(UtilityGraphics, ShortenPathFolderByFolder)
{
    TFont font;
    const QFontMetrics fm(font.ToQFont());
    const QString path = "C:\\Bilder\\Urlaub\\2001\\Bild.jpg";
    if (fm.horizontalAdvance(path) <= fm.horizontalAdvance("C:\\..\\Bild.jpg"))
        GTEST_SKIP() << "no font with widths here";
    const QStringList steps{"C:\\..\\Urlaub\\2001\\Bild.jpg", "C:\\..\\2001\\Bild.jpg", "C:\\..\\Bild.jpg",
                            "C:\\..\\Bild.jp"};
    QString result;
    for (const QString& step : steps) {
        ShortenPathToWidth(font, fm.horizontalAdvance(step) + 10, path, result);
        EXPECT_EQ(result, step);
    }
    ShortenPathToWidth(font, 10000, path + "\\", result);
    EXPECT_EQ(result, path);
    ShortenPathToWidth(font, 10, "", result);
    EXPECT_EQ(result, "");
    // Paths whose folders cannot give way end, too.
    ShortenPathToWidth(font, 0, "C:\\..\\..\\x\\y.jpg", result);
    EXPECT_EQ(result, "");
    ShortenPathToWidth(font, 0, "\\\\server\\share\\a\\b.jpg", result);
    EXPECT_EQ(result, "");
}

TEST(UtilityGraphics, FittedSizes)
{
    struct Case { int w, h, W, H, fw, fh; };
    const Case cases[] = {
        {200, 100, 100, 100, 100, 50},
        {100, 200, 100, 100, 50, 100},
        {100, 100, 80, 60, 60, 60},
        {640, 480, 320, 240, 320, 240},
        {3, 2, 100, 100, 100, 66},
        {0, 100, 100, 100, 0, 0},
    };
    for (const Case& c : cases) {
        int fw, fh;
        qktFittedSize(c.w, c.h, c.W, c.H, fw, fh);
        EXPECT_EQ(fw, c.fw) << c.w << "x" << c.h;
        EXPECT_EQ(fh, c.fh) << c.w << "x" << c.h;
    }
}

TEST(UtilityGraphics, FitDrawsCentredAndKeepsTheAspect)
{
    TBitmap graphic(200, 100);
    graphic.Image().fill(Qt::red);
    TBitmap target(120, 100);
    target.Image().fill(Qt::white);
    qktFitRectKeepAspect(&graphic, Rect(20, 0, 120, 100), target.Canvas());
    const QImage img = target.Image();
    EXPECT_EQ(img.pixelColor(70, 10), QColor(Qt::white));
    EXPECT_EQ(img.pixelColor(70, 26), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(70, 73), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(70, 90), QColor(Qt::white));
    EXPECT_EQ(img.pixelColor(10, 50), QColor(Qt::white));  // left of the rectangle
    EXPECT_EQ(img.pixelColor(21, 50), QColor(Qt::red));

    TBitmap empty;
    qktFitRectKeepAspect(&empty, Rect(0, 0, 100, 100), target.Canvas());
    qktFitRectKeepAspect(nullptr, Rect(0, 0, 100, 100), target.Canvas());

    TBitmap fitted;
    qktDrawGraphicFitted(&graphic, Rect(0, 0, 100, 100), &fitted);
    EXPECT_EQ(fitted.Width(), 100);
    EXPECT_EQ(fitted.Height(), 50);
    EXPECT_EQ(fitted.Image().pixelColor(99, 49), QColor(Qt::red));
}

class TEinmalig : public TComponent {
public:
    using TComponent::TComponent;
};

TEST(UtilityControls, EnableChildrenCursorAndUniqueComponents)
{
    TForm form(nullptr);
    auto* a = new TButton(&form);
    auto* b = new TEdit(&form);
    a->SetParent(&form);
    b->SetParent(&form);
    qktEnableChildControls(&form, false);
    EXPECT_FALSE(a->Enabled());
    EXPECT_FALSE(b->Enabled());
    EXPECT_TRUE(form.Enabled());
    qktEnableChildControls(&form, true);
    EXPECT_TRUE(a->Enabled());

    SetCursorAndRefresh(crHourGlass);
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
    SetCursorAndRefresh(crDefault);
    EXPECT_EQ(Screen->Cursor(), crDefault);

    auto* first = new TEinmalig(&form);
    EXPECT_NO_THROW(CheckUniqueOnForm(first, true));
    auto* second = new TEinmalig(&form);
    EXPECT_NO_THROW(CheckUniqueOnForm(second, false));
    try {
        CheckUniqueOnForm(second, true);
        FAIL() << "no error raised";
    } catch (const TDuplicateComponent& e) {
        EXPECT_EQ(e.Message, "Auf diesem Formular existiert schon eine TEinmalig Komponente");
    }
    TComponent owner(nullptr);
    auto* loose = new TEinmalig(&owner);
    EXPECT_THROW(CheckUniqueOnForm(loose, true), TFormNotOwner);
}

}  // namespace
