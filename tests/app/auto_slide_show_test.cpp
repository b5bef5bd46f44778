// The automatic slide show over a plain window: the screen saver's start
// and the desktop's idle time start it while the option is on and no dialog
// is open; the window does not minimise then.
#include "app/auto_slide_show.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

struct TStand {
    bool Aktiv = true;
    int Minuten = 2;
    int Gestartet = 0;
    qint64 Ruhe = 0;
};

TAutoSlideShowAnbindung Anbindung(QWidget& fenster, TStand& s)
{
    return {&fenster, [&s] { return s.Aktiv; }, [&s] { return s.Minuten; }, [&s] { ++s.Gestartet; }};
}

TEST(AutoSlideShow, TheScreenSaverStartsTheSlideShowOnlyWithTheOptionAndNoDialog)
{
    QWidget fenster;
    fenster.show();
    TStand s;
    TAutoSlideShow a(Anbindung(fenster, s));
    a.BildschirmschonerGestartet();
    EXPECT_EQ(s.Gestartet, 1);
    s.Aktiv = false;
    a.BildschirmschonerGestartet();
    EXPECT_EQ(s.Gestartet, 1);
    s.Aktiv = true;
    a.SchonerAktivGeaendert(false);
    EXPECT_EQ(s.Gestartet, 1);
    a.SchonerAktivGeaendert(true);
    EXPECT_EQ(s.Gestartet, 2);
    // A modal dialog open: the main window is not the active form.
    QDialog dialog(&fenster);
    QTimer::singleShot(0, &dialog, [&] {
        a.BildschirmschonerGestartet();
        dialog.reject();
    });
    dialog.exec();
    EXPECT_EQ(s.Gestartet, 2);
}

TEST(AutoSlideShow, IdleTimeOfTheSetMinutesStartsItOncePerIdlePeriod)
{
    QWidget fenster;
    fenster.show();
    TStand s;
    TAutoSlideShow a(Anbindung(fenster, s));
    a.RuheMs = [&s] { return s.Ruhe; };
    struct Fall {
        int Minuten;
        qint64 Ruhe;
        int Gestartet;  // after the check
    };
    // 2 minutes: 1:59 idle is not enough, 2:00 starts, still idle does not
    // start again, activity and 2:00 again start again; a minute setting
    // of 0 counts as 1.
    for (const Fall& f : {Fall{2, 119000, 0}, Fall{2, 120000, 1}, Fall{2, 300000, 1}, Fall{2, 1000, 1},
                          Fall{2, 120000, 2}, Fall{0, 1000, 2}, Fall{0, 60000, 3}}) {
        s.Minuten = f.Minuten;
        s.Ruhe = f.Ruhe;
        a.RuhezeitPruefen();
        EXPECT_EQ(s.Gestartet, f.Gestartet) << f.Minuten << " " << f.Ruhe;
    }
    // Unknown idle time (no screen-saver extension) starts nothing.
    s.Ruhe = -1;
    a.RuhezeitPruefen();
    EXPECT_EQ(s.Gestartet, 3);
}

TEST(AutoSlideShow, TheWindowDoesNotMinimiseWhileTheOptionIsOn)
{
    QWidget fenster;
    fenster.show();
    TStand s;
    TAutoSlideShow a(Anbindung(fenster, s));
    fenster.setWindowState(Qt::WindowMinimized);
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_FALSE(fenster.windowState() & Qt::WindowMinimized);
    s.Aktiv = false;
    fenster.setWindowState(Qt::WindowMinimized);
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_TRUE(fenster.windowState() & Qt::WindowMinimized);
}

}  // namespace
