// The thumbnail settings dialog on a recording stand-in of the main
// window's thumbnail grid: the grid from the ini, every change at once, the
// enabled pairs, the default button, the values back in the ini on close.

#include <QCoreApplication>
#include <QDir>
#include <gtest/gtest.h>

#include "dialogs/vorschau_einstellungen.h"
#include "shared/qk_ini.h"
#include "test_environment.h"

namespace {

class TRasterAttrappe : public TVorschauRaster {
public:
    int Rows() const override { return rows; }
    void SetRows(int v) override { rows = v; ++changes; }
    int Columns() const override { return columns; }
    void SetColumns(int v) override { columns = v; ++changes; }
    int PicHeight() const override { return height; }
    void SetPicHeight(int v) override { height = v; ++changes; }
    int PicWidth() const override { return width; }
    void SetPicWidth(int v) override { width = v; ++changes; }
    bool Scaled() const override { return scaled; }
    void SetScaled(bool v) override { scaled = v; ++changes; }
    int rows = 2, columns = 5, height = 100, width = 90;
    bool scaled = true;
    int changes = 0;
};

QString Ini(const lxtest::TempDir& dir) { return QString::fromStdString((dir / "Lumadex.INI").string()); }

}  // namespace

TEST(VorschauEinstellungen, GridFromTheIniWithItsOwnValuesAsDefaults)
{
    lxtest::TempDir dir;
    {
        TQKINI ini(nullptr);
        ini.SetINIFileName(Ini(dir));
        ini.INIWriteInteger("Einstellungen Vorschaubilder", "Spalten", 7);
        ini.INIWriteInteger("Einstellungen Vorschaubilder", "Bildhoehe", 999);  // out of range
    }
    TRasterAttrappe raster;
    TVorschaubildereinstellungenForm f(nullptr, raster, Ini(dir));
    EXPECT_EQ(f.Caption(), "Anzeigeoptionen");
    EXPECT_EQ(raster.rows, 2);
    EXPECT_EQ(raster.columns, 7);
    EXPECT_EQ(raster.height, 400);
    EXPECT_EQ(f.ScrollBarSpalten->Position(), 7);
    EXPECT_EQ(f.LabelZeilen->Caption(), "2 Zeile(n)");
    EXPECT_EQ(f.LabelSpalten->Caption(), "7 Spalte(n)");
    EXPECT_EQ(f.LabelHoehe->Caption(), "400 pix. Bilderhoehe");
    EXPECT_EQ(f.LabelBreite->Caption(), "90 pix. Bilderbreite");
    EXPECT_TRUE(f.ScrollBarZeilen->Enabled());
    EXPECT_FALSE(f.ScrollBarHoehe->Enabled());
    EXPECT_FALSE(f.LabelBreite->Enabled());
}

TEST(VorschauEinstellungen, EveryChangeReachesTheGridAtOnce)
{
    lxtest::TempDir dir;
    TRasterAttrappe raster;
    QList<int> sounds;
    TVorschaubildereinstellungenForm f(nullptr, raster, Ini(dir), [&](int n) { sounds << n; });
    f.ScrollBarZeilen->SetPosition(6);
    EXPECT_EQ(raster.rows, 6);
    EXPECT_EQ(f.LabelZeilen->Caption(), "6 Zeile(n)");
    f.CheckBoxSkalieren->SetChecked(false);
    f.CheckBoxSkalierenMouseUp();
    EXPECT_FALSE(raster.scaled);
    EXPECT_EQ(sounds, QList<int>{12});
    EXPECT_FALSE(f.ScrollBarZeilen->Enabled());
    EXPECT_TRUE(f.ScrollBarBreite->Enabled());
    f.ScrollBarBreite->SetPosition(250);
    EXPECT_EQ(raster.width, 250);
    EXPECT_EQ(f.LabelBreite->Caption(), "250 pix. Bilderbreite");

    f.Show();
    const QString shots = QCoreApplication::applicationDirPath() + "/screenshots";
    QDir().mkpath(shots);
    EXPECT_TRUE(f.Handle()->grab().toImage().save(shots + "/vorschau_einstellungen.png"));
}

TEST(VorschauEinstellungen, DefaultButtonLeavesScalingOffAndTheValuesGoToTheIni)
{
    lxtest::TempDir dir;
    TRasterAttrappe raster;
    {
        TVorschaubildereinstellungenForm f(nullptr, raster, Ini(dir));
        f.BitBtnDefaultClick();
        EXPECT_EQ(raster.rows, 3);
        EXPECT_EQ(raster.columns, 4);
        EXPECT_EQ(raster.height, 120);
        EXPECT_EQ(raster.width, 150);
        EXPECT_FALSE(raster.scaled);
        EXPECT_FALSE(f.CheckBoxSkalieren->Checked());
        EXPECT_TRUE(f.ScrollBarHoehe->Enabled());
        EXPECT_FALSE(f.ScrollBarZeilen->Enabled());
        EXPECT_EQ(f.LabelHoehe->Caption(), "120 pix. Bilderhoehe");
        f.WerteSchreiben();
    }
    TQKINI ini(nullptr);
    ini.SetINIFileName(Ini(dir));
    EXPECT_EQ(ini.INIReadInteger("Einstellungen Vorschaubilder", "Zeilen", 0), 3);
    EXPECT_EQ(ini.INIReadInteger("Einstellungen Vorschaubilder", "BildBreite", 0), 150);
    EXPECT_FALSE(ini.INIReadBool("Einstellungen Vorschaubilder", "Skalieren", true));
}
