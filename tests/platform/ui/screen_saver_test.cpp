// The screen-saver layer: the program's own input watch counts from the last
// key or mouse event a window of the program got; clocks and inhibitors
// combine; the D-Bus inhibitor talks to a small ScreenSaver service on a
// private session bus that the test starts (never the desktop's).
#include "platform/ui/screen_saver.h"
#include "platform/ui/test_input.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QMutex>
#include <QProcess>
#include <QThread>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

TEST(ScreenSaver, TheOwnInputWatchCountsFromTheLastKeyOrMouseEvent)
{
    int64_t jetzt = 1000;
    TInputIdleClock uhr([&jetzt] { return jetzt; });
    QWidget fenster;
    fenster.resize(200, 100);
    fenster.show();
    jetzt = 61000;
    EXPECT_EQ(uhr.IdleMs(), 60000);

    // What the window gets besides input does not count.
    fenster.resize(210, 110);
    fenster.repaint();
    QCoreApplication::processEvents();
    EXPECT_EQ(uhr.IdleMs(), 60000);

    struct Fall {
        const char* Was;
        std::function<void()> Eingabe;
    };
    const Fall faelle[] = {
        {"key", [&] { lxui_test::SendKey(&fenster, Qt::Key_A, "a"); }},
        {"mouse press", [&] { lxui_test::SendMouse(&fenster, QEvent::MouseButtonPress, {5, 5}); }},
        {"mouse move", [&] { lxui_test::SendMouse(&fenster, QEvent::MouseMove, {7, 9}); }},
    };
    for (const Fall& f : faelle) {
        const int64_t vorher = uhr.IdleMs();
        jetzt += 120000;
        EXPECT_EQ(uhr.IdleMs(), vorher + 120000) << f.Was;
        f.Eingabe();
        EXPECT_EQ(uhr.IdleMs(), 0) << f.Was;
    }
}

class TUhr : public TIdleClock {
public:
    explicit TUhr(int64_t ms) : ms_(ms) {}
    int64_t IdleMs() override { return ms_; }

private:
    int64_t ms_;
};

class TSperre : public TScreenSaverInhibitor {
public:
    explicit TSperre(bool geht) : geht_(geht) {}
    bool Inhibit(const QString&) override { return held_ = geht_; }
    void UnInhibit() override { held_ = false; }
    bool Inhibited() const override { return held_; }

private:
    bool geht_;
    bool held_ = false;
};

TEST(ScreenSaver, TheFirstClockThatCanTellAnswersAndOneHoldingInhibitorHolds)
{
    TIdleClockChain keine;
    EXPECT_EQ(keine.IdleMs(), -1);
    TIdleClockChain kette;
    kette.Add(std::make_shared<TUhr>(-1));
    kette.Add(std::make_shared<TUhr>(5000));
    kette.Add(std::make_shared<TUhr>(9000));
    EXPECT_EQ(kette.IdleMs(), 5000);

    TInhibitorSet satz;
    auto nein = std::make_shared<TSperre>(false), ja = std::make_shared<TSperre>(true);
    satz.Add(nein);
    EXPECT_FALSE(satz.Inhibit("x"));
    satz.Add(ja);
    EXPECT_TRUE(satz.Inhibit("x"));
    EXPECT_TRUE(satz.Inhibited());
    EXPECT_TRUE(ja->Inhibited());
    satz.UnInhibit();
    EXPECT_FALSE(satz.Inhibited());
    EXPECT_FALSE(ja->Inhibited());
}

// A desktop's ScreenSaver service: gives cookies from 7 on and notes the
// calls; it runs in its own thread, as a desktop runs in its own process.
class TFakeScreenSaver : public QDBusVirtualObject {
public:
    QStringList Calls() const
    {
        QMutexLocker lock(&mutex_);
        return calls_;
    }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.interface() != QLatin1String("org.freedesktop.ScreenSaver"))
            return false;
        const QVariantList args = message.arguments();
        QVariantList reply;
        {
            QMutexLocker lock(&mutex_);
            if (message.member() == QLatin1String("Inhibit") && args.size() == 2) {
                calls_ << QStringLiteral("Inhibit %1 %2 -> %3").arg(args[0].toString(), args[1].toString()).arg(next_);
                reply << QVariant::fromValue(next_++);
            } else if (message.member() == QLatin1String("UnInhibit") && args.size() == 1) {
                calls_ << QStringLiteral("UnInhibit %1").arg(args[0].toUInt());
            } else if (message.member() == QLatin1String("GetSessionIdleTime")) {
                reply << QVariant::fromValue(uint(42));
            } else {
                return false;
            }
        }
        connection.send(message.createReply(reply));
        return true;
    }
    QString introspect(const QString&) const override { return {}; }

private:
    mutable QMutex mutex_;
    QStringList calls_;
    uint next_ = 7;
};

class PrivateBusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                       QStringLiteral("--print-address")});
        ASSERT_TRUE(daemon_.waitForStarted()) << "dbus-daemon (package dbus-daemon) is missing";
        while (!daemon_.canReadLine() && daemon_.waitForReadyRead()) {}
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
        ASSERT_FALSE(address_.isEmpty());
    }
    void TearDown() override
    {
        for (const QString& name : names_)
            QDBusConnection::disconnectFromBus(name);
        if (thread_.isRunning()) {
            thread_.quit();
            thread_.wait();
        }
        delete service_;
        daemon_.kill();
        daemon_.waitForFinished();
    }
    QDBusConnection Connect(const QString& name)
    {
        names_ << name;
        return QDBusConnection::connectToBus(address_, name);
    }
    // The fake service on the bus, in its own thread.
    void ServiceStarten()
    {
        service_ = new TFakeScreenSaver;
        service_->moveToThread(&thread_);
        thread_.start();
        QDBusConnection bus = Connect(QStringLiteral("service"));
        ASSERT_TRUE(bus.registerVirtualObject(QStringLiteral("/org/freedesktop/ScreenSaver"), service_));
        ASSERT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));
    }

    QProcess daemon_;
    QString address_;
    QStringList names_;
    QThread thread_;
    TFakeScreenSaver* service_ = nullptr;
};

TEST_F(PrivateBusTest, InhibitAndUnInhibitReachTheServiceAndItsIdleTimeIsRead)
{
    ServiceStarten();
    {
        TDBusScreenSaver saver(Connect(QStringLiteral("program")));
        ASSERT_TRUE(saver.Available());
        EXPECT_TRUE(saver.Inhibit(QStringLiteral("Automatische Slideshow")));
        EXPECT_TRUE(saver.Inhibit(QStringLiteral("Automatische Slideshow")));  // held once
        EXPECT_TRUE(saver.Inhibited());
        EXPECT_EQ(saver.IdleMs(), 42000);
        saver.UnInhibit();
        EXPECT_FALSE(saver.Inhibited());
        EXPECT_TRUE(saver.Inhibit(QStringLiteral("wieder")));
    }  // the program ends while it holds the saver off
    EXPECT_EQ(service_->Calls(), QStringList({"Inhibit QV-Lumadex Automatische Slideshow -> 7", "UnInhibit 7",
                                              "Inhibit QV-Lumadex wieder -> 8", "UnInhibit 8"}));
}

TEST_F(PrivateBusTest, WithoutTheServiceNothingIsHeldAndNoIdleTimeIsKnown)
{
    TDBusScreenSaver saver(Connect(QStringLiteral("program")));
    EXPECT_FALSE(saver.Available());
    EXPECT_FALSE(saver.Inhibit(QStringLiteral("Automatische Slideshow")));
    EXPECT_FALSE(saver.Inhibited());
    EXPECT_EQ(saver.IdleMs(), -1);
    saver.UnInhibit();
}

}  // namespace
