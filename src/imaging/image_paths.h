#pragma once
// File names as the program hands them to the image components: Windows
// form ("C:\Bilder\a.jpg", mapped through the drive map) or a plain path.

#include <QFileInfo>
#include <QString>

#include "platform/core/win_path.h"

inline QString PictureLocalPath(const QString& name)
{
    if (IsAbsoluteWinPath(name))
        return WinToLinux(name).value_or(name);
    return name;
}

inline bool PictureFileExists(const QString& name)
{
    return !name.isEmpty() && QFileInfo(PictureLocalPath(name)).isFile();
}
