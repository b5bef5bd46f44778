// The safe write: a failure at any step leaves the old file as it was and
// no temporary behind, a planted link is never written through, a name
// that must be free is never taken from another file, and temporaries that
// killed processes left are cleared.
#include "platform/core/safe_file.h"

#include "ended_process.h"
#include "test_environment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include <ctime>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using lxtest::ReadFile;
using lxtest::WriteFile;

QString Q(const fs::path& p)
{
    return QString::fromStdString(p.string());
}

std::vector<std::string> Names(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class SafeFile : public testing::Test {
protected:
    void TearDown() override { SafeFileHookSet({}); }
    // Writes `bytes` to `target` in one safe write.
    static bool Schreiben(const fs::path& target, const std::string& bytes, bool replace = true, int* error = nullptr)
    {
        TSafeFile f(Q(target));
        const bool ok = f.Open() && f.Write(bytes.data(), bytes.size()) && f.Commit(replace);
        if (error)
            *error = f.Error();
        return ok;
    }
    lxtest::TempDir dir;
};

// Each step fails once, the write in its second piece (halfway through the
// file): the old file stays byte for byte, and nothing else is left.
TEST_F(SafeFile, AFailureAtAnyStepLeavesTheOldFileAndNoTemporary)
{
    const std::string alt(100000, 'a'), neu(200000, 'n');
    struct Fall {
        TSafeFileStep step;
        int nth;
        int error;
    };
    const Fall faelle[] = {
        {TSafeFileStep::Create, 1, EACCES},
        {TSafeFileStep::Write, 2, ENOSPC},
        {TSafeFileStep::Write, 1, EIO},
        {TSafeFileStep::Sync, 1, EIO},
        {TSafeFileStep::Rename, 1, EXDEV},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(int(f.step) * 10 + f.nth);
        WriteFile(dir / "bild.jpg", alt);
        int seen = 0;
        SafeFileHookSet([&](TSafeFileStep step, const QString&) { return step == f.step && ++seen == f.nth ? f.error : 0; });
        int error = 0;
        EXPECT_FALSE(Schreiben(dir / "bild.jpg", neu, true, &error));
        SafeFileHookSet({});
        EXPECT_EQ(error, f.error);
        EXPECT_EQ(seen, f.nth);
        EXPECT_TRUE(ReadFile(dir / "bild.jpg") == alt);
        EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"bild.jpg"});
    }
    EXPECT_TRUE(Schreiben(dir / "bild.jpg", neu));
    EXPECT_TRUE(ReadFile(dir / "bild.jpg") == neu);
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"bild.jpg"});
}

// A link planted at the target, at the name earlier versions used for the
// temporary, and at the very name about to be used: the files they point
// to keep their bytes.
TEST_F(SafeFile, APlantedLinkIsNeverWrittenThrough)
{
    WriteFile(dir / "fremd.txt", "fremd");
    WriteFile(dir / "ziel/a.jpg", "alt");
    // At the target: refused with ELOOP.
    fs::create_symlink(dir / "fremd.txt", dir / "ziel/verweis.jpg");
    int error = 0;
    EXPECT_FALSE(Schreiben(dir / "ziel/verweis.jpg", "neu", true, &error));
    EXPECT_EQ(error, ELOOP);
    EXPECT_EQ(ReadFile(dir / "fremd.txt"), "fremd");
    EXPECT_TRUE(fs::is_symlink(dir / "ziel/verweis.jpg"));
    EXPECT_EQ(FileErrorText(ELOOP), "ist eine symbolische Verknüpfung, sie wird nicht überschrieben");
    // A dangling one too: nothing is made where it points.
    fs::create_symlink(dir / "neu.txt", dir / "ziel/leer.jpg");
    EXPECT_FALSE(Schreiben(dir / "ziel/leer.jpg", "neu", true, &error));
    EXPECT_EQ(error, ELOOP);
    EXPECT_FALSE(fs::exists(dir / "neu.txt"));
    // At the old predictable temporary name.
    fs::create_symlink(dir / "fremd.txt", dir / ("ziel/.a.jpg.lxtmp" + std::to_string(::getpid())));
    EXPECT_TRUE(Schreiben(dir / "ziel/a.jpg", "neu"));
    EXPECT_EQ(ReadFile(dir / "ziel/a.jpg"), "neu");
    EXPECT_EQ(ReadFile(dir / "fremd.txt"), "fremd");
    // At the name the write is about to take: the open refuses it and the
    // write takes another name.
    int planted = 0;
    SafeFileHookSet([&](TSafeFileStep step, const QString& path) {
        if (step == TSafeFileStep::Create && planted++ == 0)
            fs::create_symlink(dir / "fremd.txt", path.toStdString());
        return 0;
    });
    EXPECT_TRUE(Schreiben(dir / "ziel/a.jpg", "neuer"));
    SafeFileHookSet({});
    EXPECT_EQ(planted, 2);
    EXPECT_EQ(ReadFile(dir / "ziel/a.jpg"), "neuer");
    EXPECT_EQ(ReadFile(dir / "fremd.txt"), "fremd");
}

TEST_F(SafeFile, ANameThatMustBeFreeIsNeverTakenFromAnotherFile)
{
    WriteFile(dir / "b.jpg", "b");
    int error = 0;
    EXPECT_FALSE(Schreiben(dir / "b.jpg", "neu", false, &error));
    EXPECT_EQ(error, EEXIST);
    EXPECT_EQ(ReadFile(dir / "b.jpg"), "b");
    // A file that appears between the start and the end of the write.
    TSafeFile f(Q(dir / "c.jpg"));
    ASSERT_TRUE(f.Open());
    ASSERT_TRUE(f.Write("neu", 3));
    WriteFile(dir / "c.jpg", "dazwischen");
    EXPECT_FALSE(f.Commit(false));
    EXPECT_EQ(ReadFile(dir / "c.jpg"), "dazwischen");
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"b.jpg", "c.jpg"}));
    EXPECT_TRUE(Schreiben(dir / "d.jpg", "d", false));
    EXPECT_EQ(ReadFile(dir / "d.jpg"), "d");
}

TEST_F(SafeFile, AReplacedFileKeepsItsPermissions)
{
    WriteFile(dir / "a.jpg", "alt");
    fs::permissions(dir / "a.jpg", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(Schreiben(dir / "a.jpg", "neu"));
    EXPECT_EQ(fs::status(dir / "a.jpg").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// Sets a file's modification time the given hours back.
void Altern(const fs::path& file, int stunden)
{
    struct timespec zeiten[2];
    zeiten[0].tv_sec = zeiten[1].tv_sec = ::time(nullptr) - time_t(stunden) * 3600;
    zeiten[0].tv_nsec = zeiten[1].tv_nsec = 0;
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), zeiten, AT_SYMLINK_NOFOLLOW), 0);
}

// A target the user made read-only, or one with further hard links, is not
// replaced: the old bytes stay under every name, nothing is left behind,
// and the reason is told.
TEST_F(SafeFile, AReadOnlyOrHardLinkedTargetIsNotReplaced)
{
    WriteFile(dir / "nurlesen.jpg", "alt");
    fs::permissions(dir / "nurlesen.jpg", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    WriteFile(dir / "verknuepft.jpg", "alt");
    fs::create_hard_link(dir / "verknuepft.jpg", dir / "zweiter_name.jpg");
    const struct {
        const char* name;
        int fehler;
    } faelle[] = {{"nurlesen.jpg", EACCES}, {"verknuepft.jpg", EMLINK}, {"zweiter_name.jpg", EMLINK}};
    for (const auto& fall : faelle) {
        SCOPED_TRACE(fall.name);
        int fehler = 0;
        EXPECT_FALSE(Schreiben(dir / fall.name, "neu", true, &fehler));
        EXPECT_EQ(fehler, fall.fehler);
        EXPECT_EQ(ReadFile(dir / fall.name), "alt");
    }
    EXPECT_TRUE(fs::equivalent(dir / "verknuepft.jpg", dir / "zweiter_name.jpg"));
    EXPECT_EQ(fs::status(dir / "nurlesen.jpg").permissions(),
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"nurlesen.jpg", "verknuepft.jpg", "zweiter_name.jpg"}));
    EXPECT_FALSE(FileErrorText(EMLINK).isEmpty());

    // Made read-only between opening and putting in place: still refused.
    WriteFile(dir / "spaet.jpg", "alt");
    TSafeFile f(Q(dir / "spaet.jpg"));
    ASSERT_TRUE(f.Open());
    ASSERT_TRUE(f.Write("neu", 3));
    fs::permissions(dir / "spaet.jpg", fs::perms::owner_read);
    EXPECT_FALSE(f.Commit(true));
    EXPECT_EQ(f.Error(), EACCES);
    EXPECT_EQ(ReadFile(dir / "spaet.jpg"), "alt");
}

// A replacement keeps the file's owner and group where this user may set
// them (here: the superuser, who may set any).
TEST_F(SafeFile, AReplacedFileKeepsItsOwner)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only the superuser may give a file to another user";
    WriteFile(dir / "a.jpg", "alt");
    ASSERT_EQ(::chown((dir / "a.jpg").c_str(), 4321, 4322), 0);
    ASSERT_TRUE(Schreiben(dir / "a.jpg", "neu"));
    struct stat st;
    ASSERT_EQ(::stat((dir / "a.jpg").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, uid_t(4321));
    EXPECT_EQ(st.st_gid, gid_t(4322));
    EXPECT_EQ(ReadFile(dir / "a.jpg"), "neu");
}

// Temporaries of processes that are gone and untouched for more than a day
// are cleared by the next write into their folder; those of running
// processes, recent ones (in a folder shared over the network the pid may
// be another machine's live write), links and other files stay.
TEST_F(SafeFile, LeftoversOfEndedProcessesAreCleared)
{
    const std::string tot = std::to_string(EndedProcess());
    const std::string lebt = std::to_string(::getppid());
    fs::create_directories(dir / "bilder");
    WriteFile(dir / "fremd.txt", "fremd");
    const std::vector<std::string> weg = {".a.jpg.lxtmp" + tot + "-k3j9x0qa", ".b.jpg.lxtmp" + tot};
    const std::vector<std::string> bleibt = {".a.jpg.lxtmp" + lebt + "-k3j9x0qa", "c.jpg.lxtmp" + tot,
                                             ".d.jpg.lxtmp" + tot + "-zu-lang-x", ".f.jpg.lxtmp" + tot + "-netz0001",
                                             ".g.jpg.lxtmp" + tot + "-netz0002", ".e.jpg.lxtmp" + tot + "-verweis1"};
    for (const std::string& n : weg) {
        WriteFile(dir / "bilder" / n, "rest");
        Altern(dir / "bilder" / n, 25);
    }
    for (const std::string& n : bleibt)
        if (n.find("verweis") == std::string::npos) {
            WriteFile(dir / "bilder" / n, "rest");
            // One written just now, one an hour ago: both may be live.
            if (n.find("netz0001") == std::string::npos)
                Altern(dir / "bilder" / n, n.find("netz0002") == std::string::npos ? 25 : 1);
        }
    fs::create_symlink(dir / "fremd.txt", dir / "bilder" / bleibt.back());
    Altern(dir / "bilder" / bleibt.back(), 25);
    ASSERT_TRUE(Schreiben(dir / "bilder/neu.jpg", "neu"));
    std::vector<std::string> erwartet = bleibt;
    erwartet.push_back("neu.jpg");
    std::sort(erwartet.begin(), erwartet.end());
    EXPECT_EQ(Names(dir / "bilder"), erwartet);
    EXPECT_EQ(ReadFile(dir / "fremd.txt"), "fremd");
}

}  // namespace
