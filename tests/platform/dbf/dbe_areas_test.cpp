// Work areas: opening modes, aliases, selection, one shared file object per
// physical file, exclusive use (also against another process) and record
// locks.
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "dbe_test_util.h"

namespace dbetest {
namespace {

using AreasTest = EngineTest;

TEST_F(AreasTest, UseSelectAliasAndClose)
{
    std::string file = MakeSample();
    EXPECT_EQ(dbe_WorkArea(""), 1);  // area 1 is selected at the start
    uint16_t a = dbe_Use(file.c_str(), nullptr, DBE_SHARED, 2);
    ASSERT_EQ(a, 1);
    EXPECT_STREQ(dbe_Alias(), "SAMPLE");
    EXPECT_EQ(dbe_WorkArea("sample"), 1);
    EXPECT_EQ(dbe_WorkArea(nullptr), 1);
    // The same file again under another alias, in the next free area.
    uint16_t b = dbe_Use(file.c_str(), "SAMPLE_1", DBE_SHARED, 2);
    ASSERT_EQ(b, 2);
    EXPECT_EQ(dbe_WorkArea(""), 2);
    // An alias in use is refused.
    EXPECT_EQ(dbe_Use(file.c_str(), "sample", DBE_SHARED, 2), 0);
    EXPECT_NE(std::string(dbe_LastError()), "");
    EXPECT_EQ(dbe_Select(1), 2);
    EXPECT_EQ(dbe_SysProp(DBE_PROP_AREA_IN_USE, 2), 1);
    EXPECT_EQ(dbe_SysProp(DBE_PROP_AREA_IN_USE, 3), 0);
    EXPECT_EQ(dbe_Select(300), 0);
    EXPECT_EQ(dbe_WorkArea(""), 1);
    // Selecting an empty area is allowed; calls there fail.
    EXPECT_EQ(dbe_Select(7), 1);
    EXPECT_STREQ(dbe_Alias(), "");
    EXPECT_EQ(dbe_GoTop(), 0);
    EXPECT_EQ(dbe_Close(), 0);
    dbe_Select(1);
    EXPECT_EQ(dbe_Close(), 1);
    EXPECT_EQ(dbe_SysProp(DBE_PROP_AREA_IN_USE, 1), 0);
    EXPECT_EQ(dbe_WorkArea("SAMPLE"), 0);
    // Area 1 is free again and the lowest.
    EXPECT_EQ(dbe_Use(file.c_str(), nullptr, DBE_SHARED, 2), 1);
    dbe_CloseAll();
    EXPECT_EQ(dbe_SysProp(DBE_PROP_AREA_IN_USE, 1), 0);
    EXPECT_EQ(dbe_SysProp(DBE_PROP_AREA_IN_USE, 2), 0);
}

TEST_F(AreasTest, MissingOrBadFilesFailWithAReason)
{
    EXPECT_EQ(dbe_Use(Path("NONE.DBF").c_str(), nullptr, DBE_SHARED, 2), 0);
    EXPECT_NE(std::string(dbe_LastError()).find("NONE.DBF"), std::string::npos);
    lxtest::WriteFile(Path("JUNK.DBF"), "not a table");
    EXPECT_EQ(dbe_Use(Path("JUNK.DBF").c_str(), nullptr, DBE_SHARED, 2), 0);
    EXPECT_NE(std::string(dbe_LastError()), "");
    // ".DBF" is added to a name without extension.
    MakeSample("NOEXT.DBF");
    EXPECT_NE(dbe_Use(Path("NOEXT").c_str(), nullptr, DBE_SHARED, 2), 0);
}

TEST_F(AreasTest, AreasOnOneFileShareItsRecords)
{
    std::string file = MakeSample();
    uint16_t a = dbe_Use(file.c_str(), "A", DBE_SHARED, 2);
    uint16_t b = dbe_Use(file.c_str(), "B", DBE_SHARED, 2);
    // A hard link is the same physical file too.
    std::filesystem::create_hard_link(file, Path("LINK.DBF"));
    uint16_t c = dbe_Use(Path("LINK.DBF").c_str(), "C", DBE_SHARED, 2);
    ASSERT_TRUE(a && b && c);
    dbe_Select(a);
    AppendNamed(2);
    dbe_Select(b);
    EXPECT_EQ(dbe_RecCount(), 2u);
    dbe_Go(2);
    EXPECT_EQ(Name(), "R2");
    dbe_Select(a);
    ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "changed"), 1);  // a stands on 2
    dbe_Select(b);
    EXPECT_EQ(Name(), "changed") << "the other area's current record is refreshed";
    dbe_Select(c);
    dbe_Go(2);
    EXPECT_EQ(Name(), "changed");
    // Closing one area leaves the others working.
    dbe_Select(a);
    dbe_Close();
    dbe_Select(b);
    ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "again"), 1);
    dbe_Select(c);
    EXPECT_EQ(Name(), "again");
}

TEST_F(AreasTest, ReadOnlyAreaRefusesWrites)
{
    std::string file = MakeSample();
    ASSERT_NE(dbe_Use(file.c_str(), nullptr, DBE_SHARED, 2), 0);
    AppendNamed(1);
    dbe_Close();
    ASSERT_NE(dbe_Use(file.c_str(), nullptr, DBE_READONLY, 2), 0);
    dbe_GoTop();
    EXPECT_EQ(Name(), "R1");
    EXPECT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "x"), 0);
    EXPECT_EQ(dbe_AppendBlank(), 0);
    EXPECT_EQ(dbe_Delete(), 0);
    EXPECT_EQ(dbe_Pack(), 0);
    EXPECT_EQ(Name(), "R1");
}

// A table open read-only (a lookup list) can be opened for writing by another
// area; the writer's changes reach the index, the memo file and the reader,
// while the read-only area still refuses writes.
TEST_F(AreasTest, ReadWriteOpenAfterReadOnlyOpen)
{
    std::string file = MakeSample();
    ASSERT_NE(dbe_Use(file.c_str(), nullptr, DBE_SHARED, 2), 0);
    AppendNamed(2);
    ASSERT_NE(dbe_IndexTag(nullptr, "NAME", "NAME", 0, 0, nullptr), 0) << dbe_LastError();
    dbe_Close();

    uint16_t reader = dbe_Use(file.c_str(), "R", DBE_READONLY, 2);
    ASSERT_NE(reader, 0) << dbe_LastError();
    uint16_t writer = dbe_Use(file.c_str(), "W", DBE_SHARED, 2);
    ASSERT_NE(writer, 0) << dbe_LastError();
    ASSERT_EQ(dbe_SetOrder(dbe_TagArea("NAME")), 0);
    ASSERT_NE(dbe_AppendBlank(), 0) << dbe_LastError();
    ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "A0"), 1) << dbe_LastError();
    ASSERT_EQ(dbe_Replace("NOTIZ", DBE_REPL_MEMO, "Notiz des Schreibers"), 1) << dbe_LastError();
    ASSERT_GT(dbe_Rlock(1), 0) << dbe_LastError();
    EXPECT_EQ(dbe_Unlock(1), 1);

    dbe_Select(reader);
    EXPECT_EQ(dbe_RecCount(), 3u);
    dbe_SetOrder(dbe_TagArea("NAME"));
    ASSERT_NE(dbe_Seek("A0"), 0);
    EXPECT_EQ(dbe_RecNo(), 3u);
    EXPECT_STREQ(dbe_GetString("NOTIZ"), "Notiz des Schreibers");
    EXPECT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "x"), 0);
    EXPECT_EQ(dbe_AppendBlank(), 0);
    EXPECT_EQ(dbe_Reindex(), 0);

    // The writer closed, the reader goes on reading; a new writer joins again.
    dbe_Select(writer);
    dbe_Close();
    dbe_Select(reader);
    dbe_GoTop();
    EXPECT_EQ(Name(), "A0");
    EXPECT_EQ(dbe_Delete(), 0);
    ASSERT_NE(dbe_Use(file.c_str(), "W2", DBE_SHARED, 2), 0) << dbe_LastError();
    dbe_GoBottom();
    EXPECT_EQ(dbe_Delete(), 1) << dbe_LastError();
}

TEST_F(AreasTest, ExclusiveRefusesOtherOpenersInThisProcess)
{
    std::string file = MakeSample();
    ASSERT_NE(dbe_Use(file.c_str(), "X", DBE_EXCLUSIVE, 2), 0);
    EXPECT_EQ(dbe_Use(file.c_str(), "Y", DBE_SHARED, 2), 0);
    EXPECT_EQ(dbe_Use(file.c_str(), "Y", DBE_READONLY, 2), 0);
    dbe_CloseAll();
    ASSERT_NE(dbe_Use(file.c_str(), "S", DBE_SHARED, 2), 0);
    EXPECT_EQ(dbe_Use(file.c_str(), "X", DBE_EXCLUSIVE, 2), 0);
}

// Runs `child` in a forked process that reports one byte through a pipe and
// then waits for the parent's go-ahead before it exits.
class ChildProcess {
public:
    template <typename Fn>
    explicit ChildProcess(Fn child)
    {
        if (::pipe(toParent_) != 0 || ::pipe(toChild_) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            char result = child();
            (void)!::write(toParent_[1], &result, 1);
            char go;
            (void)!::read(toChild_[0], &go, 1);
            ::_exit(0);
        }
    }
    char Result()
    {
        char c = 0;
        return ::read(toParent_[0], &c, 1) == 1 ? c : '?';
    }
    ~ChildProcess()
    {
        char go = 'g';
        (void)!::write(toChild_[1], &go, 1);
        int status = 0;
        if (pid_ > 0) ::waitpid(pid_, &status, 0);
        for (int fd : {toParent_[0], toParent_[1], toChild_[0], toChild_[1]}) ::close(fd);
    }

private:
    int toParent_[2] = {-1, -1};
    int toChild_[2] = {-1, -1};
    pid_t pid_ = -1;
};

TEST_F(AreasTest, ExclusiveRefusesAnotherProcess)
{
    std::string file = MakeSample();
    {
        ChildProcess child([&] { return dbe_Use(file.c_str(), "X", DBE_EXCLUSIVE, 2) ? 'y' : 'n'; });
        ASSERT_EQ(child.Result(), 'y');
        EXPECT_EQ(dbe_Use(file.c_str(), nullptr, DBE_SHARED, 2), 0);
        EXPECT_NE(std::string(dbe_LastError()).find("anderen Programm"), std::string::npos);
        EXPECT_EQ(dbe_Use(file.c_str(), nullptr, DBE_READONLY, 2), 0);
    }
    // Once the child is gone the table opens, and the other way round an
    // exclusive open in the child fails while this process has it open.
    ASSERT_NE(dbe_Use(file.c_str(), nullptr, DBE_SHARED, 2), 0);
    ChildProcess child([&] {
        dbe_CloseAll();  // the child's copy of the engine state
        return dbe_Use(file.c_str(), "X", DBE_EXCLUSIVE, 2) ? 'y' : 'n';
    });
    EXPECT_EQ(child.Result(), 'n');
}

TEST_F(AreasTest, RecordLocksBelongToTheirArea)
{
    std::string file = MakeSample();
    uint16_t a = dbe_Use(file.c_str(), "A", DBE_SHARED, 2);
    AppendNamed(3);
    uint16_t b = dbe_Use(file.c_str(), "B", DBE_SHARED, 2);
    dbe_Select(a);
    EXPECT_GT(dbe_Rlock(2), 0);
    EXPECT_GT(dbe_Rlock(2), 0) << "locking again in the same area succeeds";
    EXPECT_EQ(dbe_Rlock(9), 0);
    dbe_Select(b);
    EXPECT_EQ(dbe_Rlock(2), 0);
    EXPECT_GT(dbe_Rlock(3), 0);
    // Another process cannot take a lock this process holds.
    {
        ChildProcess child([&] {
            dbe_CloseAll();
            if (!dbe_Use(file.c_str(), "C", DBE_SHARED, 2)) return 'e';
            return dbe_Rlock(2) ? 'y' : 'n';
        });
        EXPECT_EQ(child.Result(), 'n');
    }
    // Closing area b keeps a's lock; unlocking all of a's frees record 2.
    dbe_Select(b);
    dbe_Close();
    {
        ChildProcess child([&] {
            dbe_CloseAll();
            if (!dbe_Use(file.c_str(), "C", DBE_SHARED, 2)) return 'e';
            return char((dbe_Rlock(2) ? 'y' : 'n') + 0 * dbe_Rlock(3));
        });
        EXPECT_EQ(child.Result(), 'n');
    }
    dbe_Select(a);
    EXPECT_EQ(dbe_Unlock(0), 1);
    ChildProcess child([&] {
        dbe_CloseAll();
        if (!dbe_Use(file.c_str(), "C", DBE_SHARED, 2)) return 'e';
        return dbe_Rlock(2) ? 'y' : 'n';
    });
    EXPECT_EQ(child.Result(), 'y');
}

TEST_F(AreasTest, AppendsOfTwoProcessesBothLand)
{
    std::string file = MakeSample();
    ASSERT_NE(dbe_Use(file.c_str(), nullptr, DBE_SHARED, 2), 0);
    AppendNamed(1);
    {
        ChildProcess child([&] {
            dbe_CloseAll();
            if (!dbe_Use(file.c_str(), "C", DBE_SHARED, 2)) return 'e';
            return dbe_AppendBlank() && dbe_Replace("NAME", DBE_REPL_TEXT, "child") ? 'y' : 'n';
        });
        ASSERT_EQ(child.Result(), 'y');
    }
    AppendNamed(1, 3);
    EXPECT_EQ(dbe_RecCount(), 3u);
    dbe_Go(2);
    EXPECT_EQ(Name(), "child");
    dbe_Go(3);
    EXPECT_EQ(Name(), "R3");
}

}  // namespace
}  // namespace dbetest

namespace dbetest {
namespace {

// The keys of an appended record reach every tag before any area uses one,
// and the index file on disk after a commit.
TEST_F(EngineTest, AppendedRecordIsInTheTagsForEveryArea)
{
    std::string file = MakeSample("APPENDS.DBF");
    uint16_t writer = dbe_Use(file.c_str(), "W", DBE_SHARED, 2);
    ASSERT_NE(writer, 0);
    AppendNamed(3);
    ASSERT_NE(dbe_IndexTag(nullptr, "NAME", "NAME", 0, 0, ".not. deleted()"), 0) << dbe_LastError();
    uint16_t reader = dbe_Use(file.c_str(), "R", DBE_SHARED, 2);
    ASSERT_NE(reader, 0);
    dbe_SetOrder(1);
    dbe_Select(writer);
    ASSERT_EQ(dbe_AppendBlank(), 1);
    dbe_Select(reader);
    EXPECT_NE(dbe_Seek(" "), 0);  // the blank record, not yet filled
    EXPECT_EQ(dbe_RecNo(), 4u);
    dbe_Select(writer);
    ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "A0"), 1);
    dbe_Select(reader);
    EXPECT_EQ(dbe_Seek(" "), 0);
    ASSERT_NE(dbe_Seek("A0"), 0);
    EXPECT_EQ(dbe_RecNo(), 4u);
    // Appended, filled and deleted before any use: never in the FOR tag.
    dbe_Select(writer);
    ASSERT_EQ(dbe_AppendBlank(), 1);
    ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "A1"), 1);
    ASSERT_EQ(dbe_Delete(), 1);
    ASSERT_EQ(dbe_Commit(), 1);
    dbe_CloseAll();
    ASSERT_NE(dbe_Use(file.c_str(), nullptr, DBE_READONLY, 2), 0);
    dbe_SetOrder(1);
    std::vector<std::string> names;
    for (dbe_GoTop(); !dbe_Eof(); dbe_Skip(1)) names.push_back(Name());
    EXPECT_EQ(names, (std::vector<std::string>{"A0", "R1", "R2", "R3"}));
}

}  // namespace
}  // namespace dbetest
