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

// Temporaries of processes that are gone are cleared by the next write
// into their folder; those of running processes, links and other files
// stay.
TEST_F(SafeFile, LeftoversOfEndedProcessesAreCleared)
{
    const std::string tot = std::to_string(EndedProcess());
    const std::string lebt = std::to_string(::getppid());
    fs::create_directories(dir / "bilder");
    WriteFile(dir / "fremd.txt", "fremd");
    const std::vector<std::string> weg = {".a.jpg.lxtmp" + tot + "-k3j9x0qa", ".b.jpg.lxtmp" + tot};
    const std::vector<std::string> bleibt = {".a.jpg.lxtmp" + lebt + "-k3j9x0qa", "c.jpg.lxtmp" + tot,
                                             ".d.jpg.lxtmp" + tot + "-zu-lang-x", ".e.jpg.lxtmp" + tot + "-verweis1"};
    for (const std::string& n : weg)
        WriteFile(dir / "bilder" / n, "rest");
    for (const std::string& n : bleibt)
        if (n.find("verweis") == std::string::npos)
            WriteFile(dir / "bilder" / n, "rest");
    fs::create_symlink(dir / "fremd.txt", dir / "bilder" / bleibt.back());
    ASSERT_TRUE(Schreiben(dir / "bilder/neu.jpg", "neu"));
    std::vector<std::string> erwartet = bleibt;
    erwartet.push_back("neu.jpg");
    std::sort(erwartet.begin(), erwartet.end());
    EXPECT_EQ(Names(dir / "bilder"), erwartet);
    EXPECT_EQ(ReadFile(dir / "fremd.txt"), "fremd");
}

}  // namespace
