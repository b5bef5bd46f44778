#pragma once
// Helpers of the image handling tests: pictures written to a fresh folder,
// screenshots of controls under the build folder's screenshots/.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QWidget>
#include <gtest/gtest.h>

#include "platform/ui/control.h"
#include "test_environment.h"

namespace imgtest {

inline QImage Quarters(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool right = x >= w / 2, low = y >= h / 2;
            img.setPixel(x, y, !right && !low ? qRgb(255, 0, 0) : right && !low ? qRgb(0, 255, 0)
                                              : !right ? qRgb(0, 0, 255) : qRgb(255, 255, 255));
        }
    return img;
}

inline QString PathIn(const lxtest::TempDir& dir, const QString& name)
{
    return QString::fromStdString((dir / name.toStdString()).string());
}

inline QString SavePicture(const lxtest::TempDir& dir, const QString& name, const QImage& img, const char* fmt = nullptr)
{
    const QString path = PathIn(dir, name);
    EXPECT_TRUE(img.save(path, fmt)) << name.toStdString();
    return path;
}

inline void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The control as it shows, also saved as screenshots/<name>.png.
inline QImage Shot(TControl& control, const QString& name)
{
    QImage img = control.Handle()->grab().toImage();
    const QString dir = QCoreApplication::applicationDirPath() + "/screenshots";
    QDir().mkpath(dir);
    EXPECT_TRUE(img.save(dir + "/" + name + ".png")) << name.toStdString();
    return img;
}

}  // namespace imgtest
