#pragma once
// TWallPaper: the desktop wallpaper. Wallpaper, Tile and Stretch live in
// the current user's key "\Control Panel\desktop\" of the registry stand-in
// ("Wallpaper", "TileWallpaper", "WallpaperStyle"), as the program always
// kept them; setting the picture (and re-applying it after Tile or Stretch
// changed) hands it to the running desktop's own setter, chosen by
// XDG_CURRENT_DESKTOP (else DESKTOP_SESSION): gsettings for GNOME, Budgie,
// Cinnamon and MATE (each with its own keys), plasma-apply-wallpaperimage
// for KDE Plasma, xfconf-query for XFCE, feh for a plain X session or a
// bare window manager. On another desktop, without its tool, or when the
// tool fails, Applied() is false and LastError() says why; nothing pretends.

#include "platform/ui/component.h"

#include <QString>

class TWallPaper : public TComponent {
public:
    explicit TWallPaper(TComponent* AOwner);

    QString Wallpaper() const;
    // Stores the file and applies it (a name longer than 255 characters is
    // refused).
    void SetWallpaper(const QString& datei);
    // "TileWallpaper" non-zero; a missing or non-numeric value raises
    // ERegistryException, as the conversion did.
    bool Tile() const;
    void SetTile(bool v);
    // "WallpaperStyle" = 2; missing or non-numeric counts as false.
    bool Stretch() const;
    void SetStretch(bool v);

    // Whether the last apply reached the desktop, and why not.
    bool Applied() const { return applied_; }
    QString LastError() const { return lastError_; }
    // The tool that sets the wallpaper on the running desktop ("" when the
    // desktop has none), installed or not.
    static QString DesktopTool();

private:
    void Anwenden();
    bool applied_ = false;
    QString lastError_;
};

// The main window's wallpaper command after it saved the picture as a
// bitmap: sets it with tiling and stretching as the options say (both off
// for "1:1"). Shows "Das Hintergrundbild kann auf diesem Desktop nicht
// gesetzt werden." with the reason when that fails; true when it was set.
bool HintergrundbildSetzen(const QString& bmpDatei, bool mosaik, bool anpassen);
