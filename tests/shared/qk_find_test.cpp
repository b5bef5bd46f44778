// Guards the file search component: masks, sub-folders in order, and stopping a search.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QStringList>
#include <filesystem>

#include "platform/ui/forms.h"
#include "routines_test_support.h"
#include "shared/qk_find.h"
#include "test_environment.h"

namespace fs = std::filesystem;
using lxtest::WriteFile;

namespace {

// A search over a small tree that records every event as one line:
//   E / F                    OnExecute / OnFinished
//   C <path> <dirs> <files>  OnChange (path relative to the start folder)
//   + <path><name>           OnFindFile
//   - <path><name>           OnNotFindFile
class QKFind : public testing::Test {
protected:
    void SetUp() override
    {
        // root: b.JPG  a.jpg  c.txt  .hidden.jpg  sub.jpg\  Sub\  .versteckt\  (folders)
        //       Sub\x.jpg  Sub\Tief\y.JPEG  Sub\Tief\z.jpg  .versteckt\geheim.jpg  sub.jpg\w.bmp
        for (const char* f : {"b.JPG", "a.jpg", "c.txt", ".hidden.jpg", "Sub/x.jpg", "Sub/Tief/y.JPEG",
                              "Sub/Tief/z.jpg", ".versteckt/geheim.jpg", "sub.jpg/w.bmp"})
            WriteFile(dir / f, "x");
        root = Win(dir.path()) + u'\\';
        find.SetStartPath(root);
        find.OnExecute = [this](TObject* s) { Log(s, "E"); };
        find.OnFinished = [this](TObject* s) { Log(s, "F"); };
        find.OnChange = [this](TObject* s, const QString& path, int dirs, int files) {
            Log(s, QString("C %1 %2 %3").arg(Rel(path)).arg(dirs).arg(files));
        };
        find.OnFindFile = [this](TObject* s, const TSearchRec& rec, const QString& path, const QString& volume) {
            Log(s, "+ " + Rel(path) + rec.Name);
            volumes << volume;
            EXPECT_TRUE(fs::exists(rec.LinuxPath.toStdString()));
        };
        find.OnNotFindFile = [this](TObject* s, const TSearchRec& rec, const QString& path, const QString&) {
            Log(s, "- " + Rel(path) + rec.Name);
        };
    }
    void Log(TObject* sender, const QString& line)
    {
        EXPECT_EQ(sender, &find);
        log << line;
    }
    QString Rel(const QString& path) const
    {
        EXPECT_TRUE(path.startsWith(root)) << path.toStdString();
        EXPECT_TRUE(path.endsWith(u'\\')) << path.toStdString();
        return path.mid(root.size());
    }
    QStringList Found() const { return log.filter(QRegularExpression("^\\+ ")); }

    lxtest::TempDir dir;
    QString root;
    TQKFind find{nullptr};
    QStringList log;
    QStringList volumes;
};

TEST(QKFindProperties, WritersAndDefaults)
{
    TQKFind find(nullptr);
    EXPECT_EQ(find.About_Quillkit(), "15.11.96");
    find.SetAbout_Quillkit("x");
    EXPECT_EQ(find.About_Quillkit(), "15.11.96");
    EXPECT_EQ(find.StartPath(), "C:\\");
    EXPECT_EQ(find.FilePattern(), "*.*");
    EXPECT_FALSE(find.Subdirs);
    find.SetStartPath("C:\\Bilder");
    EXPECT_EQ(find.StartPath(), "C:\\Bilder\\");
    find.SetStartPath("C:\\Bilder\\");
    EXPECT_EQ(find.StartPath(), "C:\\Bilder\\");
    find.SetFilePattern("*.jpg;*.bmp;bäume*");
    EXPECT_EQ(find.FilePattern(), "*.JPG;*.BMP;BÄUME*");
}

TEST_F(QKFind, OneMaskWithoutSubfolders)
{
    find.SetFilePattern("*.jpg");
    find.Execute();
    // The listing matches without case; a folder matching the mask is not
    // taken; hidden files are listed, hidden folders are not entered.
    EXPECT_EQ(log, QStringList({"E", "C  0 1", "+ .hidden.jpg", "C  0 2", "+ a.jpg", "C  0 3", "+ b.JPG",
                                "- sub.jpg", "F"}));
    EXPECT_EQ(find.DirCount(), 0);
    EXPECT_EQ(find.FileCount(), 3);
}

TEST_F(QKFind, SubfoldersFirstDepthFirst)
{
    find.SetFilePattern("*.jpg");
    find.Subdirs = true;
    find.Execute();
    EXPECT_EQ(log, QStringList({"E",
                                "C Sub\\Tief\\ 0 1", "+ Sub\\Tief\\z.jpg",
                                "C Sub\\ 1 1",  // Tief done, reported with its parent
                                "C Sub\\ 1 2", "+ Sub\\x.jpg",
                                "C  2 2",  // Sub done
                                "C  3 2",  // sub.jpg done (nothing matched in it)
                                "C  3 3", "+ .hidden.jpg", "C  3 4", "+ a.jpg", "C  3 5", "+ b.JPG",
                                "- sub.jpg", "F"}));
    EXPECT_EQ(find.DirCount(), 3);
    EXPECT_EQ(find.FileCount(), 5);
    for (const QString& v : volumes)
        EXPECT_EQ(v, find.VolumeName());
}

TEST_F(QKFind, SeveralMasksMatchTheUpperCasedName)
{
    find.SetFilePattern("*.jpeg;*.jpg;*.bmp;");  // the trailing ";" adds an empty mask
    find.Subdirs = true;
    find.Execute();
    EXPECT_EQ(Found(), QStringList({"+ Sub\\Tief\\y.JPEG", "+ Sub\\Tief\\z.jpg", "+ Sub\\x.jpg",
                                    "+ sub.jpg\\w.bmp", "+ .hidden.jpg", "+ a.jpg", "+ b.JPG"}));
    // Folders reach no event; files matching no mask reach OnNotFindFile.
    EXPECT_EQ(log.filter(QRegularExpression("^- ")), QStringList({"- c.txt"}));
}

TEST_F(QKFind, MaskTable)
{
    struct Case {
        const char* pattern;
        QStringList found;
    } cases[] = {
        {"A.JPG", {"+ a.jpg"}},
        {"?.jpg", {"+ a.jpg", "+ b.JPG"}},
        {"*.TXT", {"+ c.txt"}},
        {"*.gif", {}},
        {"c.txt;", {"+ c.txt"}},
        {";", {}},
        {"*.txt;a*", {"+ a.jpg", "+ c.txt"}},
    };
    for (const Case& c : cases) {
        log.clear();
        find.SetFilePattern(c.pattern);
        find.Execute();
        EXPECT_EQ(Found(), c.found) << c.pattern;
    }
}

TEST_F(QKFind, BreakInFindFileEndsTheWholeSearch)
{
    find.SetFilePattern("*.jpg");
    find.Subdirs = true;
    auto report = find.OnFindFile;
    find.OnFindFile = [&](TObject* s, const TSearchRec& rec, const QString& path, const QString& v) {
        report(s, rec, path, v);
        find.BreakScan();
    };
    find.Execute();
    // After the first file nothing more is reported; the folders on the way
    // up still count as done, and OnFinished fires.
    EXPECT_EQ(log, QStringList({"E", "C Sub\\Tief\\ 0 1", "+ Sub\\Tief\\z.jpg", "C Sub\\ 1 1", "C  2 1", "F"}));

    // The flag is cleared: the next run goes through.
    find.OnFindFile = report;
    log.clear();
    find.Execute();
    EXPECT_EQ(find.FileCount(), 5);
}

TEST_F(QKFind, BreakInChangeSuppressesThatFile)
{
    find.SetFilePattern("*.jpg");
    auto change = find.OnChange;
    find.OnChange = [&](TObject* s, const QString& path, int dirs, int files) {
        change(s, path, dirs, files);
        if (files == 2)
            find.BreakScan();
    };
    find.Execute();
    EXPECT_EQ(log, QStringList({"E", "C  0 1", "+ .hidden.jpg", "C  0 2", "F"}));
}

TEST_F(QKFind, BreakOutsideASearchHasNoLastingEffect)
{
    find.SetFilePattern("*.txt");
    find.BreakScan();
    find.Execute();
    EXPECT_EQ(Found(), QStringList({"+ c.txt"}));
}

TEST_F(QKFind, ExecuteFromAHandlerIsRefused)
{
    find.SetFilePattern("*.txt");
    auto report = find.OnFindFile;
    find.OnFindFile = [&](TObject* s, const TSearchRec& rec, const QString& path, const QString& v) {
        report(s, rec, path, v);
        find.Execute();
    };
    find.Execute();
    EXPECT_EQ(log, QStringList({"E", "C  0 1", "+ c.txt", "F"}));
}

TEST_F(QKFind, MissingFolderGivesNoEntriesButFinishes)
{
    find.SetStartPath(root + "fehlt");
    find.Subdirs = true;
    find.Execute();
    EXPECT_EQ(log, QStringList({"E", "F"}));
    log.clear();
    find.SetStartPath("Q:\\Bilder");  // no such drive
    find.Execute();
    EXPECT_EQ(log, QStringList({"E", "F"}));
}

TEST_F(QKFind, PathsInTheCaseOnDiskAndThroughTheDriveMap)
{
    // The tree as drive D: of the drive table, named in upper case.
    UseDrives({{"C", "/"}, {"D", dir.str(), "CDROM", "Urlaub", "1234ABCD"}});
    QStringList paths;
    find.OnChange = nullptr;
    find.OnNotFindFile = nullptr;
    find.OnFindFile = [&](TObject*, const TSearchRec& rec, const QString& path, const QString& volume) {
        paths << path + rec.Name;
        EXPECT_EQ(volume, "URLAUB");
    };
    find.SetStartPath("D:\\SUB");
    find.SetFilePattern("*.JPG");
    find.Subdirs = true;
    find.Execute();
    EXPECT_EQ(paths, QStringList({"D:\\Sub\\Tief\\z.jpg", "D:\\Sub\\x.jpg"}));
    EXPECT_EQ(find.VolumeName(), "URLAUB");

    // A Linux start folder is reported in its Windows form too.
    paths.clear();
    find.SetStartPath(QString::fromStdString((dir / "Sub").string()));
    find.Execute();
    EXPECT_EQ(paths, QStringList({"D:\\Sub\\Tief\\z.jpg", "D:\\Sub\\x.jpg"}));
    UseDrives({{"C", "/"}});
}

TEST_F(QKFind, LinkBackToAnAncestorIsNotFollowed)
{
    fs::create_directory_symlink(dir.path(), dir / "Sub" / "Schleife");
    find.SetFilePattern("x.jpg");
    find.Subdirs = true;
    find.Execute();
    EXPECT_EQ(Found(), QStringList({"+ Sub\\x.jpg"}));
}

TEST_F(QKFind, ExceptionsFromHandlersPassThrough)
{
    find.SetFilePattern("*.jpg");
    find.OnFindFile = [](TObject*, const TSearchRec&, const QString&, const QString&) {
        throw std::runtime_error("Handler");
    };
    EXPECT_THROW(find.Execute(), std::runtime_error);
    EXPECT_EQ(log, QStringList({"E", "C  0 1"}));
}

}  // namespace
