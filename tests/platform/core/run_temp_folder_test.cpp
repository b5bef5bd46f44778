// The run's own temporary folder, and the start-up clearing of the folders
// that killed runs left: only those whose process is gone go.
#include "platform/core/run_temp_folder.h"

#include "ended_process.h"
#include "test_environment.h"

#include <gtest/gtest.h>

#include <QDir>

#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Points the system's temporary folder at a fresh folder while it lives.
class TempFolderHere {
public:
    explicit TempFolderHere(const fs::path& folder) : old_(qgetenv("TMPDIR"))
    {
        qputenv("TMPDIR", QByteArray::fromStdString(folder.string()));
    }
    ~TempFolderHere() { qputenv("TMPDIR", old_); }

private:
    QByteArray old_;
};

TEST(RunTempFolder, LeftoversOfEndedRunsAreClearedAndRunningOnesKept)
{
    lxtest::TempDir dir;
    TempFolderHere tmp(dir.path());
    const std::string tot = "lumadex-" + std::to_string(EndedProcess()) + "-a1b2c3d4";
    const std::string lebt = "lumadex-" + std::to_string(::getppid()) + "-a1b2c3d4";
    const std::string eigen = "lumadex-" + std::to_string(::getpid()) + "-a1b2c3d4";
    const std::string verweis = "lumadex-" + std::to_string(EndedProcess()) + "-verweis0";
    lxtest::WriteFile(dir / tot / "arc4k2j9a.tmp", "Seiten");
    lxtest::WriteFile(dir / tot / "sub" / "cch1.tmp", "Cache");
    lxtest::WriteFile(dir / lebt / "arcx.tmp", "Seiten");
    lxtest::WriteFile(dir / eigen / "arcx.tmp", "Seiten");
    lxtest::WriteFile(dir / "anders" / "x.tmp", "fremd");
    lxtest::WriteFile(dir / "lumadex-1-kurz" / "x.tmp", "fremd");
    // A link named like a leftover is not followed into what it points to.
    fs::create_directory_symlink(dir / "anders", dir / verweis);

    EXPECT_EQ(ClearLeftoverRunFolders(), 1);
    EXPECT_FALSE(fs::exists(dir / tot));
    EXPECT_TRUE(fs::exists(dir / lebt / "arcx.tmp"));
    EXPECT_TRUE(fs::exists(dir / eigen / "arcx.tmp"));
    EXPECT_TRUE(fs::exists(dir / "anders" / "x.tmp"));
    EXPECT_TRUE(fs::exists(dir / "lumadex-1-kurz" / "x.tmp"));
    EXPECT_TRUE(fs::is_symlink(dir / verweis));
}

TEST(RunTempFolder, TheRunsFolderIsItsOwnAndGoesAtTheEnd)
{
    lxtest::TempDir dir;
    TempFolderHere tmp(dir.path());
    const QString folder = RunTempFolder();
    EXPECT_EQ(RunTempFolder(), folder);
    const fs::path path = folder.toStdString();
    EXPECT_EQ(path.parent_path(), dir.path());
    EXPECT_TRUE(path.filename().string().starts_with("lumadex-" + std::to_string(::getpid()) + "-"));
    struct stat st;
    ASSERT_EQ(::lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    lxtest::WriteFile(path / "arc1.tmp", "Seiten");
    // A running process's folder is never cleared, this run's included.
    EXPECT_EQ(ClearLeftoverRunFolders(), 0);
    EXPECT_TRUE(fs::exists(path / "arc1.tmp"));
    RemoveRunTempFolder();
    EXPECT_FALSE(fs::exists(path));
}

}  // namespace
