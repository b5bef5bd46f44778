// The record count of a narrowed view and memo contents put into a record
// buffer that holds other unposted edits.
#include "bridge_fixture.h"
#include "platform/dbf/file_io.h"

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

enum { kName = 1, kPfad, kNum, kGroesse, kPreis, kDatum, kMarkiert, kNotiz };
constexpr int kNameOffset = 1, kRecSize = 122;

std::string Field(const std::vector<uint8_t>& rec, int offset, int width)
{
    return std::string(reinterpret_cast<const char*>(rec.data()) + offset, static_cast<size_t>(width));
}

// A 30-entry album opened through the bridge in the order of a NAME tag.
class BridgeByName : public BridgeTest {
protected:
    void OpenByName(hDBICur& c)
    {
        MakeAlbum("BILDER.DBF", 30);
        c = OpenCursor(Dir(), "BILDER.DBF");
        dbe_Select(static_cast<uint16_t>(c));
        ASSERT_NE(dbe_IndexTag(nullptr, "NAME", "NAME", 0, 0, nullptr), 0) << dbe_LastError();
        hDBICur h = c;
        ASSERT_EQ(DbiSwitchToIndex(h, {}, "NAME", 0, false), DBIERR_NONE);
    }
};

TEST_F(BridgeByName, RecordCountFollowsTheRange)
{
    hDBICur c = 0;
    ASSERT_NO_FATAL_FAILURE(OpenByName(c));
    uint32_t count = 0;
    ASSERT_EQ(DbiSetRange(c, true, 1, 0, "Bild 9975", true, 1, 0, "Bild 9977", true), DBIERR_NONE);
    ASSERT_EQ(DbiGetRecordCount(c, count), DBIERR_NONE);
    EXPECT_EQ(count, 3u);
    // A range that holds nothing counts nothing.
    ASSERT_EQ(DbiSetRange(c, true, 1, 0, "Anfang", true, 1, 0, "Anfang", true), DBIERR_NONE);
    DbiGetRecordCount(c, count);
    EXPECT_EQ(count, 0u);
    DbiResetRange(c);
    DbiGetRecordCount(c, count);
    EXPECT_EQ(count, 30u);
    DbiCloseCursor(c);
}

TEST_F(BridgeTest, PutBlobKeepsTheOtherUnpostedEdits)
{
    MakeAlbum("BILDER.DBF", 2);
    hDBICur c = OpenCursor(Dir(), "BILDER.DBF");
    std::vector<uint8_t> rec(kRecSize);
    DbiSetToBegin(c);
    ASSERT_EQ(DbiGetNextRecord(c, dbiWRITELOCK, rec.data(), nullptr), DBIERR_NONE);
    const char* name = "Neuer Name";
    ASSERT_EQ(DbiPutField(c, kName, rec.data(), name), DBIERR_NONE);
    const std::vector<uint8_t> before = rec;
    ASSERT_EQ(DbiPutBlob(c, rec.data(), kNotiz, 0, 5, "Notiz"), DBIERR_NONE);
    // Only the memo field's bytes changed in the caller's buffer.
    const int memoOffset = kRecSize - 10;
    EXPECT_EQ(Field(rec, 0, memoOffset), Field(before, 0, memoOffset));
    EXPECT_EQ(Field(rec, kNameOffset, 10), "Neuer Name");
    ASSERT_EQ(DbiModifyRecord(c, rec.data(), true), DBIERR_NONE);
    dbe_Select(static_cast<uint16_t>(c));
    EXPECT_STREQ(dbe_GetTrimString("NAME"), "Neuer Name");
    char* memo = dbe_GetMemo("NOTIZ", 0);
    EXPECT_STREQ(memo, "Notiz");
    dbe_MemDealloc(memo);
    EXPECT_EQ(RawField("BILDER.DBF", 1, kNameOffset, 10), "Neuer Name");
    DbiCloseCursor(c);
}

}  // namespace

namespace {

// A "greater" search for text that ends in 0xFF bytes seeks past every key
// that starts with it, never before it; text of 0xFF bytes only finds nothing.
TEST_F(BridgeByName, GreaterSearchDoesNotWrapAtTheLastByteValue)
{
    hDBICur c = 0;
    ASSERT_NO_FATAL_FAILURE(OpenByName(c));
    RECProps props;
    ASSERT_EQ(DbiSetToKey(c, keySEARCHGT, true, 1, 0, "Bild 998\xFF"), DBIERR_NONE);
    ASSERT_EQ(DbiGetRecord(c, dbiNOLOCK, nullptr, &props), DBIERR_NONE);
    EXPECT_EQ(props.iPhyRecNum, 10u);  // "Bild 9990", the first key above "Bild 998..."
    ASSERT_EQ(DbiSetToKey(c, keySEARCHGT, true, 1, 0, "\xFF\xFF"), DBIERR_NONE);
    dbe_Select(static_cast<uint16_t>(c));
    EXPECT_NE(dbe_Eof(), 0);
    DbiCloseCursor(c);
}

// An index lost to a failing disk while another program has the album open
// (so it can be neither made anew nor opened again): a key search answers a
// read error whose text tells of the disk, never that the album is busy.
TEST_F(BridgeByName, ALostIndexIsAReadErrorNotABusyAlbum)
{
    hDBICur c = 0;
    ASSERT_NO_FATAL_FAILURE(OpenByName(c));
    dbe_Select(static_cast<uint16_t>(c));
    ASSERT_EQ(dbe_Commit(), 1) << dbe_LastError();
    // Another program's open: a read lock on the table's "in use" byte.
    dbf::FileHandle other(::open(File("BILDER.DBF").c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_TRUE(dbf::LockByte(other.get(), F_RDLCK, uint64_t(1) << 40));
    // Every write and sync of the index fails but the dirty mark and its sync.
    struct HookReset {
        ~HookReset() { dbf::SetIoFaultHook(nullptr); }
    } reset;
    int indexOps = 0;
    dbf::SetIoFaultHook([&](dbf::IoOp, const std::string& path) {
        char target[4096] = {};
        const bool viaFd = path.rfind("fd:", 0) == 0;
        if (viaFd && ::readlink(("/proc/self/fd/" + path.substr(3)).c_str(), target, sizeof target - 1) < 0)
            return false;
        return std::string(viaFd ? target : path.c_str()).find(".CDX") != std::string::npos && ++indexOps > 2;
    });
    dbe_Go(1);
    ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "Bild 0001"), 1) << dbe_LastError();
    EXPECT_EQ(dbe_Commit(), 0);
    EXPECT_EQ(DbiSetToKey(c, keySEARCHEQ, true, 1, 0, "Bild 9990"), DBIERR_READERR);
    QString text;
    DbiGetErrorString(DBIERR_READERR, text);
    EXPECT_TRUE(text.startsWith(QStringLiteral("Lesefehler: "))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Schreibfehler in der Indexdatei"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("anderen Programm"))) << text.toStdString();
    dbf::SetIoFaultHook(nullptr);
    EXPECT_EQ(DbiSetToKey(c, keySEARCHEQ, true, 1, 0, "Bild 9990"), DBIERR_NONE);
    DbiCloseCursor(c);
}

// An insert whose record write fails leaves no blank entry: the record the
// append made is marked deleted and the failure is reported.
TEST_F(BridgeTest, FailedInsertLeavesNoBlankEntry)
{
    MakeAlbum("BILDER.DBF", 3);
    hDBICur c = OpenCursor(Dir(), "BILDER.DBF");
    std::vector<uint8_t> rec(kRecSize);
    DbiInitRecord(c, rec.data());
    ASSERT_EQ(DbiPutField(c, kName, rec.data(), "Neu"), DBIERR_NONE);
    // Shared append: the record, then the header count; the third write is
    // the record's contents.
    int writes = 0;
    dbf::SetIoFaultHook([&](dbf::IoOp op, const std::string&) { return op == dbf::IoOp::Write && ++writes == 3; });
    EXPECT_EQ(DbiInsertRecord(c, dbiNOLOCK, rec.data()), DBIERR_WRITEFAILED);
    dbf::SetIoFaultHook(nullptr);
    dbe_Select(static_cast<uint16_t>(c));
    ASSERT_EQ(dbe_RecCount(), 4u);
    dbe_Go(4);
    EXPECT_NE(dbe_Deleted(), 0);
    DbiCloseCursor(c);
}

}  // namespace

namespace {

// What the bridge answered when called back from the engine's progress
// window while a reindex runs (the engine refuses moves and seeks then).
struct CallsDuringReindex {
    hDBICur cursor = 0;
    bool asked = false;
    DBIResult seek = DBIERR_NONE, next = DBIERR_NONE, begin = DBIERR_NONE;
};

void AskDuringReindex(void* context, uint32_t done, uint32_t)
{
    auto* calls = static_cast<CallsDuringReindex*>(context);
    if (calls->asked || done == 0)
        return;
    calls->asked = true;
    calls->seek = DbiSetToKey(calls->cursor, keySEARCHEQ, true, 1, 0, "Bild 9990");
    calls->next = DbiGetNextRecord(calls->cursor, dbiNOLOCK, nullptr, nullptr);
    calls->begin = DbiSetToBegin(calls->cursor);
}

// A seek or move the engine refused is a failure, never "not found" and
// never a move done.
TEST_F(BridgeByName, RefusedSeekAndMovesFail)
{
    hDBICur c = 0;
    ASSERT_NO_FATAL_FAILURE(OpenByName(c));
    CallsDuringReindex calls;
    calls.cursor = c;
    dbe_Select(static_cast<uint16_t>(c));
    dbe_SetGaugeHook(&AskDuringReindex, &calls);
    ASSERT_EQ(dbe_Reindex(), 1) << dbe_LastError();
    dbe_SetGaugeHook(nullptr, nullptr);
    ASSERT_TRUE(calls.asked);
    EXPECT_EQ(calls.seek, DBIERR_LOCKED);
    EXPECT_EQ(calls.next, DBIERR_LOCKED);
    EXPECT_EQ(calls.begin, DBIERR_LOCKED);
    // Afterwards the same calls work.
    EXPECT_EQ(DbiSetToKey(c, keySEARCHEQ, true, 1, 0, "Bild 9990"), DBIERR_NONE);
    EXPECT_EQ(DbiSetToKey(c, keySEARCHEQ, true, 1, 0, "Gibt es nicht"), DBIERR_RECNOTFOUND);
    DbiCloseCursor(c);
}

}  // namespace
