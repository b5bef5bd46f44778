// TWallPaper: the registry values and the hand-off to the desktop's tool.

#include <gtest/gtest.h>

#include "dialogs/wallpaper.h"
#include "fake_tools.h"
#include "options_test_host.h"
#include "platform/os/registry.h"
#include "platform/ui/prompt_script.h"

namespace {

void RegistryLeeren()
{
    TRegistry reg;
    reg.RootKey = TRootKey::HKEY_CURRENT_USER;
    reg.DeleteKey("\\Control Panel\\desktop");
}

QString RegWert(const QString& name)
{
    TRegistry reg;
    reg.RootKey = TRootKey::HKEY_CURRENT_USER;
    reg.OpenKeyReadOnly("\\Control Panel\\desktop\\");
    return reg.ReadString(name);
}

}  // namespace

TEST(WallPaper, ReadRulesOfTileAndStretch)
{
    RegistryLeeren();
    TFakeWerkzeuge werkzeuge;
    TWallPaper wp(nullptr);
    EXPECT_THROW(wp.Tile(), ERegistryException);  // missing: a conversion error
    EXPECT_FALSE(wp.Stretch());                    // missing: false
    {
        TRegistry reg;
        reg.RootKey = TRootKey::HKEY_CURRENT_USER;
        reg.OpenKey("\\Control Panel\\desktop\\", true);
        reg.WriteString("TileWallpaper", "ja");
        reg.WriteString("WallpaperStyle", "2");
    }
    EXPECT_THROW(wp.Tile(), ERegistryException);
    EXPECT_TRUE(wp.Stretch());
    RegistryLeeren();
}

TEST(WallPaper, SettingHandsThePictureToGsettings)
{
    RegistryLeeren();
    TFakeWerkzeuge werkzeuge;
    werkzeuge.Anlegen("gsettings");
    lxtest::TempDir dir;
    lxtest::WriteFile(dir / "Galvora.BMP", "BM");
    const QString linux = QString::fromStdString((dir / "Galvora.BMP").string());
    TWallPaper wp(nullptr);
    EXPECT_EQ(TWallPaper::DesktopTool(), "gsettings");
    wp.SetWallpaper(WinPfad(dir / "Galvora.BMP"));
    EXPECT_TRUE(wp.Applied()) << wp.LastError().toStdString();
    EXPECT_EQ(wp.Wallpaper(), WinPfad(dir / "Galvora.BMP"));
    // The last call sets the dark-mode picture; the same URI.
    EXPECT_EQ(werkzeuge.Argumente("gsettings"),
              QStringList({"set", "org.gnome.desktop.background", "picture-uri-dark", "file://" + linux}));
    // Tile writes "1" and re-applies the picture named in the registry.
    wp.SetTile(true);
    EXPECT_EQ(RegWert("TileWallpaper"), "1");
    EXPECT_TRUE(wp.Tile());
    wp.SetStretch(true);
    EXPECT_EQ(RegWert("WallpaperStyle"), "2");
    RegistryLeeren();
}

TEST(WallPaper, OtherToolsAndTheirModes)
{
    RegistryLeeren();
    lxtest::TempDir dir;
    lxtest::WriteFile(dir / "w.bmp", "BM");
    const QString linux = QString::fromStdString((dir / "w.bmp").string());
    TFakeWerkzeuge werkzeuge;
    werkzeuge.Anlegen("feh");
    TWallPaper wp(nullptr);
    wp.SetWallpaper(WinPfad(dir / "w.bmp"));
    EXPECT_EQ(werkzeuge.Argumente("feh"), QStringList({"--no-fehbg", "--bg-center", linux}));
    wp.SetTile(true);
    EXPECT_EQ(werkzeuge.Argumente("feh"), QStringList({"--no-fehbg", "--bg-tile", linux}));
    wp.SetTile(false);
    wp.SetStretch(true);
    EXPECT_EQ(werkzeuge.Argumente("feh"), QStringList({"--no-fehbg", "--bg-scale", linux}));
    RegistryLeeren();
}

TEST(WallPaper, WithoutAToolTheCommandSaysSo)
{
    RegistryLeeren();
    lxtest::TempDir dir;
    lxtest::WriteFile(dir / "w.bmp", "BM");
    {
        TFakeWerkzeuge werkzeuge;  // nothing on the PATH
        TPromptScript script;
        script.Answer(TPromptKind::Message, mrOk, "Das Hintergrundbild kann auf diesem Desktop nicht gesetzt werden.");
        EXPECT_FALSE(HintergrundbildSetzen(WinPfad(dir / "w.bmp"), false, true));
        EXPECT_TRUE(script.Records().at(0).Text.contains("kein Werkzeug"));
    }
    {
        TFakeWerkzeuge werkzeuge;
        werkzeuge.Anlegen("gsettings", 1);  // the tool fails
        TPromptScript script;
        script.Answer(TPromptKind::Message, mrOk, "gsettings meldet einen Fehler");
        EXPECT_FALSE(HintergrundbildSetzen(WinPfad(dir / "w.bmp"), true, false));
    }
    {
        TFakeWerkzeuge werkzeuge;
        werkzeuge.Anlegen("gsettings");
        EXPECT_TRUE(HintergrundbildSetzen(WinPfad(dir / "w.bmp"), false, true));
        EXPECT_EQ(RegWert("WallpaperStyle"), "2");
        EXPECT_EQ(RegWert("TileWallpaper"), "0");
    }
    RegistryLeeren();
}
