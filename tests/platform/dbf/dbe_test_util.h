// Helpers of the engine tests: a fixture that leaves the engine clean and
// small tables made through the engine itself.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/dbf/cdx_file.h"
#include "platform/dbf/dbe.h"
#include "test_environment.h"

namespace dbetest {

struct FieldSpec {
    const char* name;
    char type;
    int width;
    int decimals;
};

// The file an I/O seam path names ("fd:N" for writes and syncs through a
// descriptor).
inline std::string FileOfIoPath(const std::string& path)
{
    if (path.rfind("fd:", 0) != 0) return path;
    char target[4096];
    const ssize_t n = ::readlink(("/proc/self/fd/" + path.substr(3)).c_str(), target, sizeof target);
    return n > 0 ? std::string(target, std::size_t(n)) : path;
}
// Its extension (".DBF", ".FPT", ".CDX").
inline std::string KindOfIoPath(const std::string& path)
{
    return std::filesystem::path(FileOfIoPath(path)).extension().string();
}

// The engine's own check of an index file: no tag waits for a rebuild and
// every tree is whole and in order.
inline void ExpectSoundIndex(const std::string& path)
{
    auto cdx = dbfcdx::CdxFile::Open(path, true);
    for (std::size_t i = 0; i < cdx->TagCount(); ++i)
        EXPECT_FALSE(cdx->Tag(i).NeedsRebuild()) << cdx->Tag(i).Name();
    EXPECT_NO_THROW(cdx->Verify());
}

// Every seek, move and count in the selected area's order fails (not busy)
// with a reason that holds `reason`: never "not found" for `key`, never
// "end"; and the order says so when asked.
inline void ExpectOrderFails(const char* key, const char* reason)
{
    auto failed = [&](const char* call) {
        EXPECT_EQ(dbe_LastErrorCode(), DBE_ERR_FAILED) << call;
        EXPECT_NE(std::string(dbe_LastError()).find(reason), std::string::npos) << call << ": " << dbe_LastError();
    };
    EXPECT_EQ(dbe_Seek(key), 0);
    failed("dbe_Seek");
    EXPECT_EQ(dbe_GoTop(), 0);
    failed("dbe_GoTop");
    EXPECT_EQ(dbe_GoBottom(), 0);
    failed("dbe_GoBottom");
    EXPECT_EQ(dbe_Skip(1), 0);
    failed("dbe_Skip");
    EXPECT_EQ(dbe_QueryRecCount(), 0u);
    failed("dbe_QueryRecCount");
    EXPECT_EQ(dbe_SysProp(DBE_PROP_ORDER_USABLE, 0), 0);
    failed("DBE_PROP_ORDER_USABLE");
}

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dbe_CloseAll();
        dbe_SetDeleted(0);
        dbe_SetExact(0);
        dbe_SetSoftSeek(0);
        dbe_SetDateFormat(4);
        dbe_SetCentury(1);
        dbe_SetLockTimeout(0);
        dbe_SetMemoBlockSize(64);
        dbe_SetGaugeHook(nullptr, nullptr);
        dbe_SysProp(DBE_PROP_SORT_WEIGHTS, 0);
        dbe_Select(1);
    }
    void TearDown() override { dbe_CloseAll(); }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    // Creates a table through the engine and leaves no area open for it.
    void Create(const std::string& file, const std::vector<FieldSpec>& fields)
    {
        uint16_t area = dbe_CreateNew(file.c_str(), "XXXXXXXXXX", 2, int(fields.size()));
        ASSERT_NE(area, 0) << dbe_LastError();
        for (const FieldSpec& f : fields)
            ASSERT_EQ(dbe_CreateField(f.name, f.type, f.width, f.decimals), 1) << dbe_LastError();
        ASSERT_EQ(dbe_CreateExec(), 1) << dbe_LastError();
        ASSERT_EQ(dbe_Close(), 1);
    }

    // A table with a text, a number, a date, a logical and a memo field.
    std::string MakeSample(const std::string& name = "SAMPLE.DBF")
    {
        std::string file = Path(name);
        Create(file, {{"Name", 'C', 20, 0},
                      {"Count", 'N', 6, 2},
                      {"Day", 'D', 8, 0},
                      {"Flag", 'L', 1, 0},
                      {"Notiz", 'M', 10, 0}});
        return file;
    }

    // Appends records whose NAME is "R<n>".
    static void AppendNamed(int count, int first = 1)
    {
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(dbe_AppendBlank(), 1) << dbe_LastError();
            const std::string name = lxtest::Numbered("R", first + i);
            ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, name.c_str()), 1) << dbe_LastError();
        }
    }

    static std::string Name() { return dbe_GetTrimString("NAME"); }

    lxtest::TempDir dir_;
};

}  // namespace dbetest
