// Guards what the user meets while another program keeps an album's index
// lock: the hourglass and a notice naming the album while the engine waits,
// Esc stopping the wait (the open then fails as busy, with the notice gone
// and the cursor as before), the wait stopping at once when the program is
// to end, and the progress of the engine's long
// operations reaching a plain callback.
#include "bridge_fixture.h"

#include "platform/dbf/dbe.h"
#include "platform/ui/forms.h"
#include "storage/tdbe.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class AlbumBusyTest : public BridgeTest {
protected:
    void TearDown() override
    {
        SetAlbumWaitNotice(nullptr);
        SetAlbumWaitStop(nullptr);
        dbe_CloseAll();
        BridgeTest::TearDown();
    }
    // ALBUM.DBF with three records and a tag, closed again.
    void AlbumMitIndex(const std::string& file)
    {
        MakeAlbum("ALBUM.DBF", 3);
        ASSERT_NE(dbe_Use(file.c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0) << dbe_LastError();
        ASSERT_NE(dbe_IndexTag("", "NAME", "NAME", 0, 0, ""), 0) << dbe_LastError();
        dbe_CloseAll();
    }
};

// The other program: opens the album shared, appends (its index lock is
// then held) and stops itself; Weiter lets it go on, commit and end.
class TGestoppterHalter {
public:
    explicit TGestoppterHalter(const std::string& file)
    {
        if (::pipe(toParent_) != 0 || ::pipe(toHolder_) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            if (!dbe_Use(file.c_str(), "HALTER", DBE_SHARED, DBE_TYPE_FOX) || !dbe_AppendBlank() ||
                !dbe_Replace("NAME", DBE_REPL_TEXT, "Halter"))
                std::_Exit(2);
            (void)!::write(toParent_[1], "h", 1);
            ::raise(SIGSTOP);
            char go = 0;
            std::_Exit(::read(toHolder_[0], &go, 1) == 1 && dbe_Commit() ? 0 : 3);
        }
        char c = 0;
        int status = 0;
        haelt_ = pid_ > 0 && ::read(toParent_[0], &c, 1) == 1 && ::waitpid(pid_, &status, WUNTRACED) == pid_;
    }
    ~TGestoppterHalter()
    {
        for (int fd : {toParent_[0], toParent_[1], toHolder_[0], toHolder_[1]})
            if (fd >= 0)
                ::close(fd);
    }
    bool Haelt() const { return haelt_; }
    // Lets it go on; true when it committed and ended well.
    bool Weiter()
    {
        if (::kill(pid_, SIGCONT) != 0)
            return false;
        (void)!::write(toHolder_[1], "g", 1);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

private:
    int toParent_[2] = {-1, -1};
    int toHolder_[2] = {-1, -1};
    pid_t pid_ = -1;
    bool haelt_ = false;
};

TEST_F(AlbumBusyTest, EscStopsTheWaitForABusyAlbumAndTheUserSawIt)
{
    const std::string file = File("ALBUM.DBF");
    ASSERT_NO_FATAL_FAILURE(AlbumMitIndex(file));

    TGestoppterHalter halter(file);
    ASSERT_TRUE(halter.Haelt());

    const TCursor before = Screen->Cursor();
    QStringList notices;
    std::vector<TCursor> cursors;
    SetAlbumWaitNotice([&](const QString& text) {
        notices << text;
        cursors.push_back(Screen->Cursor());
    });
    // Esc is latched for the whole program: forget one an earlier test
    // left, then press it for the wait to find.
    Application->EscapePressed();
    QWidget window;
    window.show();
    QCoreApplication::postEvent(&window, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    DBIResult result = DBIERR_NONE;
    OpenCursor(Dir(), QStringLiteral("ALBUM.DBF"), dbiREADWRITE, dbiOPENSHARED, &result);
    EXPECT_NE(result, DBIERR_NONE);
    const std::string error = dbe_LastError();
    EXPECT_NE(error.find("Das Warten auf das Album ALBUM.DBF wurde abgebrochen"), std::string::npos) << error;
    ASSERT_EQ(notices.size(), 2);
    EXPECT_TRUE(notices[0].contains(QStringLiteral("ALBUM.DBF"))) << notices[0].toStdString();
    EXPECT_TRUE(notices[0].contains(QStringLiteral("Esc"))) << notices[0].toStdString();
    EXPECT_EQ(notices[1], QString());
    EXPECT_EQ(cursors[0], crHourGlass);
    EXPECT_EQ(Screen->Cursor(), before);

    EXPECT_TRUE(halter.Weiter());
    // The album was never touched: it opens now, with the holder's record.
    ASSERT_NE(OpenCursor(Dir(), QStringLiteral("ALBUM.DBF"), dbiREADWRITE, dbiOPENSHARED, &result), 0u);
    EXPECT_EQ(result, DBIERR_NONE);
    EXPECT_EQ(dbe_RecCount(), 4u);
}

// Once the program is to end, a wait for a busy album stops at its first
// step: no event runs inside the engine (a request to end that came in
// there would run the end under the engine's call), no notice shows, and
// the call fails as busy; the album is left to the other program.
TEST_F(AlbumBusyTest, AWaitStopsAtOnceWhenTheProgramIsToEnd)
{
    const std::string file = File("ALBUM.DBF");
    ASSERT_NO_FATAL_FAILURE(AlbumMitIndex(file));
    TGestoppterHalter halter(file);
    ASSERT_TRUE(halter.Haelt());

    QStringList notices;
    SetAlbumWaitNotice([&](const QString& text) { notices << text; });
    bool ende = true;
    SetAlbumWaitStop([&] { return ende; });
    // An event that would run inside the wait.
    bool eventLief = false;
    QTimer::singleShot(0, [&] { eventLief = true; });
    DBIResult result = DBIERR_NONE;
    OpenCursor(Dir(), QStringLiteral("ALBUM.DBF"), dbiREADWRITE, dbiOPENSHARED, &result);
    EXPECT_NE(result, DBIERR_NONE);
    const std::string error = dbe_LastError();
    EXPECT_NE(error.find("Das Warten auf das Album ALBUM.DBF wurde abgebrochen"), std::string::npos) << error;
    EXPECT_FALSE(eventLief);
    EXPECT_TRUE(notices.isEmpty()) << notices.join(" | ").toStdString();
    ende = false;
    SetAlbumWaitStop(nullptr);

    EXPECT_TRUE(halter.Weiter());
    ASSERT_NE(OpenCursor(Dir(), QStringLiteral("ALBUM.DBF"), dbiREADWRITE, dbiOPENSHARED, &result), 0u);
    EXPECT_EQ(result, DBIERR_NONE);
    EXPECT_EQ(dbe_RecCount(), 4u);
    Application->ProcessMessages();
}

// The engine's progress reaches the callback a caller hands to TDbe: each
// step from 0 to 100, in percent.
TEST_F(AlbumBusyTest, ProgressOfALongOperationGoesToTheCallback)
{
    MakeAlbum("ALBUM.DBF", 50);
    ASSERT_NE(dbe_Use(File("ALBUM.DBF").c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0) << dbe_LastError();
    TDbe dbe(nullptr);
    std::vector<std::pair<uint32_t, uint32_t>> seen;
    dbe.SetGaugeHook([&](uint32_t done, uint32_t total) { seen.emplace_back(done, total); });
    EXPECT_TRUE(dbe.CopyFile(Dir() + QStringLiteral("KOPIE.DBF")));
    dbe.SetGaugeHook(nullptr);
    const std::size_t reported = seen.size();
    EXPECT_TRUE(dbe.CopyFile(Dir() + QStringLiteral("KOPIE2.DBF")));
    EXPECT_EQ(seen.size(), reported) << "a callback that was taken away was called";
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen.front(), std::make_pair(0u, 100u));
    EXPECT_EQ(seen.back(), std::make_pair(100u, 100u));
    for (std::size_t i = 1; i < seen.size(); ++i) EXPECT_GT(seen[i].first, seen[i - 1].first);
}

}  // namespace
