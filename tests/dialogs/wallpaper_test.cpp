// TWallPaper: the registry values and the hand-off to the running desktop's
// tool.

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
    werkzeuge.Setzen("XDG_CURRENT_DESKTOP", "GNOME");
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
        TFakeWerkzeuge werkzeuge;  // a plain X session, nothing on the PATH
        TPromptScript script;
        script.Answer(TPromptKind::Message, mrOk, "Das Hintergrundbild kann auf diesem Desktop nicht gesetzt werden.");
        EXPECT_FALSE(HintergrundbildSetzen(WinPfad(dir / "w.bmp"), false, true));
        EXPECT_TRUE(script.Records().at(0).Text.contains("\"feh\"")) << script.Records().at(0).Text.toStdString();
        EXPECT_TRUE(script.Records().at(0).Text.contains("nicht installiert"));
    }
    {
        TFakeWerkzeuge werkzeuge;
        werkzeuge.Setzen("XDG_CURRENT_DESKTOP", "GNOME");
        werkzeuge.Anlegen("gsettings", 1);  // the tool fails
        TPromptScript script;
        script.Answer(TPromptKind::Message, mrOk, "gsettings meldet einen Fehler");
        EXPECT_FALSE(HintergrundbildSetzen(WinPfad(dir / "w.bmp"), true, false));
    }
    {
        TFakeWerkzeuge werkzeuge;
        werkzeuge.Setzen("XDG_CURRENT_DESKTOP", "GNOME");
        werkzeuge.Anlegen("gsettings");
        EXPECT_TRUE(HintergrundbildSetzen(WinPfad(dir / "w.bmp"), false, true));
        EXPECT_EQ(RegWert("WallpaperStyle"), "2");
        EXPECT_EQ(RegWert("TileWallpaper"), "0");
    }
    RegistryLeeren();
}

TEST(WallPaper, TheRunningDesktopChoosesTheSetter)
{
    RegistryLeeren();
    lxtest::TempDir dir;
    lxtest::WriteFile(dir / "w.bmp", "BM");
    const QString linux = QString::fromStdString((dir / "w.bmp").string());
    const QString uri = "file://" + linux;
    {
        // Stretched, not tiled.
        TRegistry reg;
        reg.RootKey = TRootKey::HKEY_CURRENT_USER;
        reg.OpenKey("\\Control Panel\\desktop\\", true);
        reg.WriteString("TileWallpaper", "0");
        reg.WriteString("WallpaperStyle", "2");
    }
    const QString xfce = "/backdrop/screen0/monitorVGA-1/workspace0/";
    struct Fall {
        const char* Desktop;  // XDG_CURRENT_DESKTOP
        const char* Sitzung;  // DESKTOP_SESSION
        bool Wayland;
        const char* Werkzeug;  // "" none
        QStringList Aufrufe;
    };
    const QStringList gnome{"set | org.gnome.desktop.background | picture-options | stretched",
                            "set | org.gnome.desktop.background | picture-uri | " + uri,
                            "set | org.gnome.desktop.background | picture-uri-dark | " + uri};
    const Fall faelle[] = {
        {"GNOME", "", false, "gsettings", gnome},
        {"ubuntu:GNOME", "", true, "gsettings", gnome},
        {"Budgie:GNOME", "", false, "gsettings", gnome},
        {"X-Cinnamon", "", false, "gsettings",
         {"set | org.cinnamon.desktop.background | picture-options | stretched",
          "set | org.cinnamon.desktop.background | picture-uri | " + uri}},
        {"MATE", "", false, "gsettings",
         {"set | org.mate.background | picture-options | stretched",
          "set | org.mate.background | picture-filename | " + linux}},
        {"KDE", "", true, "plasma-apply-wallpaperimage", {linux}},
        {"", "plasma", false, "plasma-apply-wallpaperimage", {linux}},
        {"XFCE", "", false, "xfconf-query",
         {"-c | xfce4-desktop | -l", "-c | xfce4-desktop | -p | " + xfce + "image-style | -n | -t | int | -s | 3",
          "-c | xfce4-desktop | -p | " + xfce + "last-image | -n | -t | string | -s | " + linux}},
        {"", "", false, "feh", {"--no-fehbg | --bg-scale | " + linux}},
        {"", "i3", false, "feh", {"--no-fehbg | --bg-scale | " + linux}},
        {"LXQt", "", false, "", {}},
        {"", "", true, "", {}},  // Wayland without a desktop named
    };
    const char* const werkzeuge[] = {"gsettings", "plasma-apply-wallpaperimage", "xfconf-query", "feh"};
    for (const Fall& f : faelle) {
        const std::string fall = std::string(f.Desktop) + "/" + f.Sitzung + (f.Wayland ? "/wayland" : "");
        TFakeWerkzeuge w;
        for (const char* name : werkzeuge)
            w.Anlegen(name, 0, name == std::string("xfconf-query") ? (xfce + "last-image\n" + xfce + "image-style\n" +
                                                                       "/backdrop/single-workspace-mode\n").toStdString()
                                                                    : "");
        if (*f.Desktop)
            w.Setzen("XDG_CURRENT_DESKTOP", f.Desktop);
        if (*f.Sitzung)
            w.Setzen("DESKTOP_SESSION", f.Sitzung);
        if (f.Wayland)
            w.Setzen("WAYLAND_DISPLAY", "wayland-0");
        EXPECT_EQ(TWallPaper::DesktopTool(), f.Werkzeug) << fall;
        TWallPaper wp(nullptr);
        wp.SetWallpaper(WinPfad(dir / "w.bmp"));
        EXPECT_EQ(wp.Applied(), *f.Werkzeug != 0) << fall << ": " << wp.LastError().toStdString();
        for (const char* name : werkzeuge)
            EXPECT_EQ(w.Aufrufe(name), name == std::string(f.Werkzeug) ? f.Aufrufe : QStringList()) << fall << " " << name;
        if (!*f.Werkzeug)
            EXPECT_TRUE(wp.LastError().contains("kein Werkzeug zum Setzen des Hintergrundbilds"))
                << fall << ": " << wp.LastError().toStdString();
    }
    {
        // A desktop without a setter: the command says so and names it.
        TFakeWerkzeuge w;
        w.Anlegen("gsettings");
        w.Setzen("XDG_CURRENT_DESKTOP", "LXQt");
        TPromptScript script;
        script.Answer(TPromptKind::Message, mrOk, "Das Hintergrundbild kann auf diesem Desktop nicht gesetzt werden.");
        EXPECT_FALSE(HintergrundbildSetzen(WinPfad(dir / "w.bmp"), false, true));
        EXPECT_TRUE(script.Records().at(0).Text.contains("\"LXQt\"")) << script.Records().at(0).Text.toStdString();
        EXPECT_FALSE(w.Aufgerufen("gsettings"));
    }
    RegistryLeeren();
}
