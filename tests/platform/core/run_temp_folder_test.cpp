// The run's own temporary folder, and the start-up clearing of the folders
// that killed runs left: only those whose process is gone go.
#include "platform/core/run_temp_folder.h"

#include "ended_process.h"
#include "test_environment.h"

#include <gtest/gtest.h>

#include <QDir>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <iterator>
#include <vector>

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
    // Subfolders go with it; a link inside goes as a link, what it points
    // to stays.
    lxtest::WriteFile(path / "cache" / "seiten" / "cch1.tmp", "Cache");
    lxtest::WriteFile(dir / "fremd" / "bild.jpg", "Bild");
    fs::create_directory_symlink(dir / "fremd", path / "cache" / "verweis");
    fs::create_symlink(dir / "fremd" / "bild.jpg", path / "bild.jpg");
    RemoveRunTempFolder();
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(lxtest::ReadFile(dir / "fremd" / "bild.jpg"), "Bild");
}

// What another user may put at the run folder's name once the folder is
// gone (a cleaner of the temporary folder removed it): a link to a folder
// of this user, a folder open to all, a folder of another user. None of it
// is used for this run's files, and the end of the run empties none of it.
TEST(RunTempFolder, WhatStandsAtTheNameOfAVanishedFolderIsNeitherUsedNorEmptied)
{
    struct TFall {
        const char* Name;
        std::function<void(const fs::path& name, const fs::path& opfer)> Legen;
    };
    const std::vector<TFall> faelle = {
        {"ein Verweis auf einen Ordner des Benutzers",
         [](const fs::path& name, const fs::path& opfer) { fs::create_directory_symlink(opfer, name); }},
        {"ein Ordner für alle",
         [](const fs::path& name, const fs::path&) {
             fs::create_directory(name);
             ASSERT_EQ(::chmod(name.c_str(), 0777), 0);
             lxtest::WriteFile(name / "fremd.tmp", "fremd");
         }},
        {"ein Ordner eines anderen Benutzers",
         [](const fs::path& name, const fs::path&) {
             if (::geteuid() != 0)
                 GTEST_SKIP() << "only root can give a folder to another user";
             fs::create_directory(name);
             ASSERT_EQ(::chmod(name.c_str(), 0700), 0);
             lxtest::WriteFile(name / "fremd.tmp", "fremd");
             ASSERT_EQ(::chown(name.c_str(), 65534, 65534), 0);
         }},
    };
    for (const TFall& fall : faelle) {
        SCOPED_TRACE(fall.Name);
        lxtest::TempDir dir;
        TempFolderHere tmp(dir.path());
        const fs::path opfer = dir / "Bilder";
        lxtest::WriteFile(opfer / "urlaub.jpg", "Bild");
        const auto stehtNoch = [&](const fs::path& name) {
            EXPECT_EQ(lxtest::ReadFile(opfer / "urlaub.jpg"), "Bild");
            if (!fs::is_symlink(name)) {
                EXPECT_EQ(lxtest::ReadFile(name / "fremd.tmp"), "fremd");
            }
        };

        // Put there before the run ends: the end leaves it as it is.
        fs::path name = RunTempFolder().toStdString();
        lxtest::WriteFile(name / "arc1.tmp", "Seiten");
        fs::remove_all(name);
        fall.Legen(name, opfer);
        if (HasFatalFailure() || IsSkipped())
            return;
        RemoveRunTempFolder();
        stehtNoch(name);
        fs::remove_all(name);

        // Put there while the run goes on: a new folder of its own is made
        // for the run's next files.
        name = RunTempFolder().toStdString();
        fs::remove_all(name);
        fall.Legen(name, opfer);
        const fs::path neu = RunTempFolder().toStdString();
        EXPECT_NE(neu, name);
        struct stat st;
        ASSERT_EQ(::lstat(neu.c_str(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        {
            TRunTempFile datei(QStringLiteral("Vorschau.bmp"));
            ASSERT_TRUE(datei.IsValid());
            EXPECT_EQ(fs::path(datei.Path().toStdString()).parent_path(), neu);
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(opfer), fs::directory_iterator()), 1);
        RemoveRunTempFolder();
        EXPECT_FALSE(fs::exists(neu));
        stehtNoch(name);
    }
}

// A temporary file of the run: a new file of its own in the run's folder
// (never a name that is taken, a planted link included), for this user
// alone, gone with the object unless handed over.
TEST(RunTempFolder, ATemporaryFileIsNewAndOwnAndGoesAfterUse)
{
    lxtest::TempDir dir;
    TempFolderHere tmp(dir.path());
    const fs::path run = RunTempFolder().toStdString();
    fs::path erster, zweiter;
    {
        TRunTempFile a(QStringLiteral("Vorschau.bmp"));
        TRunTempFile b(QStringLiteral("Vorschau.bmp"));
        ASSERT_TRUE(a.IsValid());
        ASSERT_TRUE(b.IsValid());
        erster = a.Path().toStdString();
        zweiter = b.Path().toStdString();
        EXPECT_NE(erster, zweiter);
        EXPECT_EQ(erster.parent_path(), run);
        EXPECT_TRUE(erster.filename().string().starts_with("Vorschau-"));
        EXPECT_EQ(erster.extension(), ".bmp");
        struct stat st;
        ASSERT_EQ(::lstat(erster.c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode));
        EXPECT_EQ(st.st_size, 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        EXPECT_TRUE(a.WinPath().endsWith(QString::fromStdString(erster.filename().string())));
        lxtest::WriteFile(erster, "Notiz");
        EXPECT_EQ(a.ReadAll(), QByteArray("Notiz"));
    }
    EXPECT_FALSE(fs::exists(erster));
    EXPECT_FALSE(fs::exists(zweiter));

    // A folder given, and a file handed over, which stays.
    fs::create_directories(dir / "ausgabe");
    QString behalten;
    {
        TRunTempFile c(QStringLiteral("rgjob.pdf"), QString::fromStdString((dir / "ausgabe").string()));
        behalten = c.Release();
        EXPECT_FALSE(c.IsValid());
    }
    EXPECT_EQ(fs::path(behalten.toStdString()).parent_path(), dir / "ausgabe");
    EXPECT_TRUE(fs::exists(behalten.toStdString()));

    // In a folder others may write in, a link put at the file's name after
    // it was made is never read through, and stays when the object goes; a
    // file that a writer replaced whole (renamed over the name) still goes.
    lxtest::WriteFile(dir / "eigen.txt", "eigen");
    fs::path verweis, ersetzt;
    {
        TRunTempFile f(QStringLiteral("blob.bmp"), QString::fromStdString((dir / "ausgabe").string()));
        TRunTempFile g(QStringLiteral("blob.bmp"), QString::fromStdString((dir / "ausgabe").string()));
        ASSERT_TRUE(f.IsValid());
        ASSERT_TRUE(g.IsValid());
        verweis = f.Path().toStdString();
        fs::remove(verweis);
        fs::create_symlink(dir / "eigen.txt", verweis);
        EXPECT_EQ(f.ReadAll(), QByteArray());
        ersetzt = g.Path().toStdString();
        lxtest::WriteFile(dir / "ausgabe" / "neu.tmp", "neu");
        fs::rename(dir / "ausgabe" / "neu.tmp", ersetzt);
        EXPECT_EQ(g.ReadAll(), QByteArray("neu"));
    }
    EXPECT_TRUE(fs::is_symlink(verweis));
    EXPECT_EQ(lxtest::ReadFile(dir / "eigen.txt"), "eigen");
    EXPECT_FALSE(fs::exists(ersetzt));

    // The run's folder removed meanwhile (a cleaner of the temporary
    // folder): it is made anew.
    fs::remove_all(run);
    {
        TRunTempFile e(QStringLiteral("NOTIZ.TXT"));
        ASSERT_TRUE(e.IsValid());
        EXPECT_EQ(fs::path(e.Path().toStdString()).parent_path().parent_path(), dir.path());
    }

    // A folder where nothing can be made: no file, the reason told.
    TRunTempFile d(QStringLiteral("x.tmp"), QString::fromStdString((dir / "fehlt").string()));
    EXPECT_FALSE(d.IsValid());
    EXPECT_EQ(d.Error(), ENOENT);
    RemoveRunTempFolder();
}

}  // namespace
