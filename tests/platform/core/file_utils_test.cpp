// Guards the Windows-style file helpers: wildcards, folder walks, file
// operations on Windows paths and streams.
#include "platform/core/exceptions.h"
#include "platform/core/file_utils.h"
#include "platform/core/streams.h"
#include "platform/core/win_path.h"

#include "test_environment.h"

#include <gtest/gtest.h>

namespace {

QString Q(const std::filesystem::path& p)
{
    return QString::fromStdString(p.string());
}

QStringList FindAll(const QString& mask, int attr)
{
    QStringList names;
    TSearchRec sr;
    for (int rc = FindFirst(mask, attr, sr); rc == 0; rc = FindNext(sr))
        names << sr.Name;
    FindClose(sr);
    return names;
}

}  // namespace

TEST(FileUtils, WildcardsMatchAsOnWindows)
{
    struct Case {
        const char* name;
        const char* mask;
        bool match;
    } cases[] = {
        {"IMG01.JPG", "*.jpg", true},  {"img01.jpeg", "*.JPG", false}, {"IMG01.JPG", "IMG??.JPG", true},
        {"IMG1.JPG", "IMG??.JPG", false}, {"README", "*.*", true},    {"a.b.c", "*.c", true},
        {"abc", "a*c", true},          {"ac", "a*c", true},            {"abd", "a*c", false},
        {"README", "README.", true},   {"x", "?", true},               {"", "*", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchesWildcard(QString::fromUtf8(c.name), QString::fromUtf8(c.mask)), c.match)
            << c.name << " " << c.mask;
}

TEST(FileUtils, FindFirstWalksAFolder)
{
    lxtest::TempDir tmp;
    lxtest::WriteFile(tmp / "b.JPG", "12345");
    lxtest::WriteFile(tmp / "a.jpg", "1");
    lxtest::WriteFile(tmp / ".versteckt.jpg", "1");
    lxtest::WriteFile(tmp / "c.txt", "1");
    std::filesystem::create_directories(tmp / "Unter.jpg");
    const QString dir = IncludeTrailingBackslash(LinuxToWin(Q(tmp.path())).value());
    EXPECT_EQ(FindAll(dir + "*.JPG", 0), QStringList({"a.jpg", "b.JPG"}));
    EXPECT_EQ(FindAll(dir + "*.jpg", faAnyFile), QStringList({".versteckt.jpg", "Unter.jpg", "a.jpg", "b.JPG"}));
    EXPECT_EQ(FindAll(dir + "*.*", faDirectory), QStringList({"Unter.jpg", "a.jpg", "b.JPG", "c.txt"}));
    EXPECT_TRUE(FindAll(dir + "*.gif", faAnyFile).isEmpty());
    TSearchRec sr;
    EXPECT_EQ(FindFirst(dir + "B.jpg", 0, sr), 0);
    EXPECT_EQ(sr.Size, 5);
    EXPECT_EQ(sr.Attr & faDirectory, 0);
    EXPECT_NE(sr.Attr & faArchive, 0);
    EXPECT_NE(FindFirst(dir + "fehlt\\*.*", faAnyFile, sr), 0);
    EXPECT_NE(FindFirst("Q:\\*.*", faAnyFile, sr), 0);
}

TEST(FileUtils, FileOperationsOnWindowsPaths)
{
    lxtest::TempDir tmp;
    const QString dir = IncludeTrailingBackslash(LinuxToWin(Q(tmp.path())).value());
    EXPECT_TRUE(ForceDirectories(dir + "A\\B\\C"));
    EXPECT_TRUE(DirectoryExists(dir + "a\\b\\c"));
    WriteFileAtomic(dir + "A\\x.txt", "hallo");
    EXPECT_EQ(FileSizeOf(dir + "a\\X.TXT"), 5);
    EXPECT_TRUE(CopyFile(dir + "A\\x.txt", dir + "A\\y.txt", true));
    EXPECT_FALSE(CopyFile(dir + "A\\x.txt", dir + "A\\y.txt", true));
    EXPECT_FALSE(RenameFile(dir + "A\\x.txt", dir + "A\\y.txt"));  // no overwrite
    EXPECT_TRUE(RenameFile(dir + "A\\x.txt", dir + "A\\z.txt"));
    EXPECT_EQ(lxtest::ReadFile(tmp / "A/z.txt"), "hallo");
    EXPECT_EQ(FileSetAttr(dir + "A\\z.txt", faReadOnly), 0);
    EXPECT_NE(FileGetAttr(dir + "A\\z.txt") & faReadOnly, 0);
    EXPECT_EQ(FileSetAttr(dir + "A\\z.txt", 0), 0);
    EXPECT_EQ(FileGetAttr(dir + "A\\z.txt") & faReadOnly, 0);
    const TDateTime when = EncodeDate(2001, 5, 31) + EncodeTime(12, 0, 0, 0);
    EXPECT_TRUE(FileSetDateTime(dir + "A\\z.txt", when));
    EXPECT_NEAR(FileDateTime(dir + "A\\z.txt"), when, 1.0 / 86400);
    EXPECT_EQ(FileDateTime(dir + "fehlt"), -1);
    EXPECT_EQ(FileDateToDateTime(FileAge(dir + "A\\z.txt")), when);
    EXPECT_EQ(FileAge(dir + "fehlt"), -1);
    EXPECT_THROW(FileDateToDateTime(0), EConvertError);
    EXPECT_TRUE(DeleteFile(dir + "A\\Z.TXT"));
    EXPECT_FALSE(DeleteFile(dir + "A\\Z.TXT"));
    EXPECT_FALSE(DeleteFile(dir + "A"));
    EXPECT_FALSE(RemoveDir(dir + "A"));  // not empty
    EXPECT_GT(DiskFreeBytes(dir), 0);
    EXPECT_THROW(WriteFileAtomic("Q:\\x.txt", "x"), EFCreateError);
}

TEST(Streams, MemoryAndFileStreams)
{
    lxtest::TempDir tmp;
    TMemoryStream m;
    m.WriteBuffer("abcdef", 6);
    m.SetPosition(2);
    char buf[3] = {};
    m.ReadBuffer(buf, 3);
    EXPECT_EQ(std::string(buf, 3), "cde");
    EXPECT_THROW(m.ReadBuffer(buf, 3), EReadError);
    m.SaveToFile(Q(tmp / "m.bin"));
    {
        TFileStream f(Q(tmp / "m.bin"), fmOpenReadWrite | fmShareDenyNone);
        EXPECT_EQ(f.Size(), 6);
        f.Seek(-1, soFromEnd);
        f.WriteBuffer("XY", 2);
        EXPECT_EQ(f.Size(), 7);
    }
    EXPECT_EQ(lxtest::ReadFile(tmp / "m.bin"), "abcdeXY");
    {
        TFileStream f(Q(tmp / "n.bin"), fmCreate);
        f.CopyFrom(m, 0);
    }
    EXPECT_EQ(lxtest::ReadFile(tmp / "n.bin"), "abcdef");
    EXPECT_THROW(TFileStream(Q(tmp / "fehlt.bin"), fmOpenRead), EFOpenError);
    EXPECT_THROW(TFileStream(Q(tmp / "fehlt/x.bin"), fmCreate), EFCreateError);
}

// A read the device refuses raises EReadError naming the file; it is not
// taken for the end of the file.
TEST(Streams, ReadErrorIsAnErrorNotTheEnd)
{
    lxtest::TempDir tmp;
    lxtest::WriteFile(tmp / "r.bin", std::string(100, 'r'));
    TFileStream f(Q(tmp / "r.bin"), fmOpenRead);
    SetStreamReadFault([](const QString& name, int64_t position) { return name.endsWith("r.bin") && position >= 40; });
    char buf[40];
    EXPECT_EQ(f.Read(buf, 40), 40);
    try {
        f.Read(buf, 40);
        ADD_FAILURE() << "no error raised";
    } catch (const EReadError& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains("r.bin")) << e.what();
    }
    TMemoryStream m;
    f.SetPosition(40);
    EXPECT_THROW(m.CopyFrom(f, 60), EReadError);
    SetStreamReadFault(nullptr);
    f.SetPosition(40);
    EXPECT_EQ(f.Read(buf, 40), 40);
    EXPECT_EQ(f.Read(buf, 40), 20);
    EXPECT_EQ(f.Read(buf, 40), 0);  // the real end reads 0 bytes
}

// A copy is written beside its target under a name nobody can guess: a
// link planted at the name earlier versions used is not written through,
// and the copy keeps the source's date.
TEST(FileUtils, ACopyNeverWritesThroughAPlantedLink)
{
    lxtest::TempDir tmp;
    lxtest::WriteFile(tmp / "quelle.jpg", "bild");
    lxtest::WriteFile(tmp / "fremd.txt", "fremd");
    std::filesystem::create_symlink(tmp / "fremd.txt", tmp / "ziel.jpg.lxcopy");
    const QString dir = IncludeTrailingBackslash(LinuxToWin(Q(tmp.path())).value());
    const TDateTime when = EncodeDate(2003, 7, 1) + EncodeTime(8, 30, 0, 0);
    ASSERT_TRUE(FileSetDateTime(dir + "quelle.jpg", when));
    EXPECT_TRUE(CopyFile(dir + "quelle.jpg", dir + "ziel.jpg", false));
    EXPECT_EQ(lxtest::ReadFile(tmp / "ziel.jpg"), "bild");
    EXPECT_EQ(lxtest::ReadFile(tmp / "fremd.txt"), "fremd");
    EXPECT_NEAR(FileDateTime(dir + "ziel.jpg"), when, 1.0 / 86400);
}
