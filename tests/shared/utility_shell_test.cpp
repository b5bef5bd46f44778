// Guards the shell utilities: starting programs and documents, waiting, desktop links and delays.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <filesystem>

#include "platform/core/file_utils.h"
#include "routines_test_print.h"
#include "routines_test_support.h"
#include "shared/utility_files.h"
#include "shared/utility_shell.h"
#include "test_environment.h"

namespace fs = std::filesystem;
using lxtest::ReadFile;
using lxtest::WriteFile;

namespace {

// An executable shell script in the folder.
fs::path Script(const lxtest::TempDir& dir, const std::string& name, const std::string& body)
{
    const fs::path file = dir / name;
    WriteFile(file, "#!/bin/sh\n" + body + "\n");
    fs::permissions(file, fs::perms::owner_all);
    return file;
}

bool WaitFor(const fs::path& file)
{
    for (int i = 0; i < 500 && !fs::exists(file); ++i)
        qktDelayMs(10);
    return fs::exists(file);
}

TEST(UtilityShell, ShellExecStartsAProgramAndReportsFailure)
{
    lxtest::TempDir dir;
    const fs::path script = Script(dir, "lauf.sh", "echo \"$1\" > \"$(dirname \"$0\")/erledigt\"");
    TPromptRecorder prompts;
    EXPECT_GT(qktShellExec(Win(script), "hallo", Win(dir.path()), SW_SHOWNORMAL), 32);
    EXPECT_TRUE(WaitFor(dir / "erledigt"));
    EXPECT_TRUE(prompts.texts.isEmpty());

    EXPECT_LT(qktShellExec(Win(dir.path()) + "\\fehlt.exe", "", "", SW_SHOWNORMAL), 33);
    EXPECT_EQ(prompts.texts, QStringList{"Fehler beim Programm-Aufruf"});
}

TEST(UtilityShell, OpenWithAssociatedMissingDocument)
{
    lxtest::TempDir dir;
    TPromptRecorder prompts;
    EXPECT_FALSE(qktOpenWithAssociated(Win(dir.path()) + "\\fehlt.jpg"));
    EXPECT_EQ(prompts.texts, QStringList{"Verknüpfung nicht gefunden"});
    ASSERT_EQ(prompts.prompts.size(), 1);
    EXPECT_EQ(prompts.prompts[0].DlgType, mtConfirmation);
}

TEST(UtilityShell, RunAndWait)
{
    lxtest::TempDir dir;
    const fs::path script = Script(dir, "exit3.sh", "exit 3");
    EXPECT_EQ(qktRunAndWait("\"" + Win(script) + "\"", SW_SHOWNORMAL, true), 3);
    EXPECT_EQ(qktRunAndWait("\"" + Win(script) + "\"", SW_SHOWNORMAL, false), 0);
    EXPECT_EQ(qktRunAndWait("\"" + Win(dir.path()) + "\\fehlt.exe\"", SW_SHOWNORMAL, true), -1);
}

TEST(UtilityShell, EnsureShortcutOnTheDesktop)
{
    lxtest::TempDir dir;
    const fs::path target = Script(dir, "lumadex", "exit 0");
    QString desktop;
    GetSpecialFolderPath(desktop);
    ASSERT_FALSE(desktop.isEmpty());
    const QString link = ShortcutFileName(desktop, "QV-Lumadex Test");

    EXPECT_FALSE(qktEnsureShortcut(Win(dir.path()) + "\\fehlt", "QV-Lumadex Test"));
    EXPECT_FALSE(FileExists(link));
    EXPECT_TRUE(qktEnsureShortcut(Win(target), "QV-Lumadex Test"));
    ASSERT_TRUE(FileExists(link));
    QByteArray bytes;
    ASSERT_TRUE(ReadFileBytes(link, bytes));
    EXPECT_TRUE(bytes.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(bytes.contains("\nType=Application\n"));
    EXPECT_TRUE(bytes.contains("\nExec=" + QByteArray::fromStdString(target.string())));

    // An existing shortcut is left as it is.
    WriteFileAtomic(link, "eigener Inhalt");
    EXPECT_TRUE(qktEnsureShortcut(Win(target), "QV-Lumadex Test"));
    ASSERT_TRUE(ReadFileBytes(link, bytes));
    EXPECT_EQ(bytes, "eigener Inhalt");
    DeleteFile(link);
}

TEST(UtilityShell, DelayWaitsAtLeastTheTime)
{
    QElapsedTimer timer;
    timer.start();
    qktDelayMs(30);
    EXPECT_GE(timer.elapsed(), 30);
}

}  // namespace
