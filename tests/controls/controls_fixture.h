#pragma once
// A shown, active form for the control tests, the program clock pinned to
// 9 December 2026 noon, and screenshots under the build folder.

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include "platform/core/sys_utils.h"
#include "platform/ui/forms.h"
#include "platform/ui/std_ctrls.h"

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetClockForTests(EncodeDate(2026, 12, 9) + 0.5);
        savedSettings = FormatSettings();
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(100, 100, 420, 320);
        other = new TEdit(form.get());
        other->SetParent(form.get());
        other->SetBounds(20, 260, 100, 21);
    }
    void TearDown() override
    {
        form.reset();
        QCoreApplication::processEvents();
        FormatSettings() = savedSettings;
        SetClockForTests(std::nullopt);
    }
    // Shows the form as the active window, so focus works offscreen.
    void ShowForm()
    {
        form->Show();
        QWidget* w = form->Handle();
        w->activateWindow();
        QApplication::setActiveWindow(w);
        QCoreApplication::processEvents();
        ASSERT_TRUE(w->isActiveWindow());
    }
    void Focus(TWinControl* c)
    {
        c->SetFocus();
        QCoreApplication::processEvents();
    }
    // Moves the focus away (the exit of the control under test).
    void Leave() { Focus(other); }

    static QImage SaveShot(QWidget* w, const QString& name)
    {
        QImage img = w->grab().toImage();
        const QString dir = QCoreApplication::applicationDirPath() + "/screenshots";
        QDir().mkpath(dir);
        EXPECT_TRUE(img.save(dir + "/" + name + ".png")) << name.toStdString();
        return img;
    }

    std::unique_ptr<TForm> form;
    TEdit* other = nullptr;
    TFormatSettings savedSettings;
};
