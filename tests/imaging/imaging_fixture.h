#pragma once
// Helpers of the image handling tests: pictures written to a fresh folder,
// screenshots of controls under the build folder's screenshots/.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QWidget>
#include <gtest/gtest.h>

#include "picture_samples.h"
#include "platform/ui/control.h"
#include "platform/ui/forms.h"
#include "test_environment.h"

namespace imgtest {

using pictest::Gradient;
using pictest::Quarters;

// A control of class C filling a form of that client size; the form owns it.
template <typename C>
struct OnForm {
    TForm form{nullptr};
    C* control;
    OnForm(int w, int h)
    {
        form.SetClientWidth(w);
        form.SetClientHeight(h);
        control = new C(&form);
        control->SetParent(&form);
        control->SetBounds(0, 0, w, h);
    }
};

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
