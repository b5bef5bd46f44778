// Field descriptions, dbe_Replace with every type code and the field
// encodings, memos (binary safe) and raw record buffers.
#include <cstring>
#include <filesystem>

#include "dbe_test_util.h"

namespace dbetest {
namespace {

class FieldsTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        file_ = MakeSample();
        ASSERT_NE(dbe_Use(file_.c_str(), nullptr, DBE_SHARED, 2), 0) << dbe_LastError();
        ASSERT_EQ(dbe_AppendBlank(), 1);
    }
    std::string Raw(const char* field) { return dbe_GetString(field); }
    std::string file_;
};

TEST_F(FieldsTest, DescribesFieldsAndRecordLayout)
{
    EXPECT_EQ(dbe_FieldCount(), 5);
    EXPECT_STREQ(dbe_FieldName(1), "NAME");
    EXPECT_STREQ(dbe_FieldName(5), "NOTIZ");
    EXPECT_STREQ(dbe_FieldName(6), "");
    EXPECT_EQ(dbe_FieldNum("count"), 2);
    EXPECT_EQ(dbe_FieldNum("nope"), 0);
    EXPECT_EQ(dbe_FieldType("Day"), 'D');
    EXPECT_EQ(dbe_FieldType("nope"), '\0');
    EXPECT_EQ(dbe_FieldWidth("COUNT"), 6);
    EXPECT_EQ(dbe_FieldDecimals("COUNT"), 2);
    EXPECT_EQ(dbe_FieldWidth("NOTIZ"), 10);
    EXPECT_EQ(dbe_FieldOffset("NAME"), 2);
    EXPECT_EQ(dbe_FieldOffset("COUNT"), 22);
    EXPECT_EQ(dbe_RecSize(), 1 + 20 + 6 + 8 + 1 + 10);
}

TEST_F(FieldsTest, CreatedNamesAreUpperCaseAndCutToTen)
{
    std::string file = Path("LONG.DBF");
    Create(file, {{"LabelKennung", 'C', 14, 0}, {"ZoomFactor", 'N', 4, 2}});
    ASSERT_NE(dbe_Use(file.c_str(), nullptr, DBE_SHARED, 2), 0);
    EXPECT_STREQ(dbe_FieldName(1), "LABELKENNU");
    // Callers may use the full name; it is cut the same way.
    EXPECT_EQ(dbe_FieldNum("LabelKennung"), 1);
    EXPECT_EQ(dbe_FieldDecimals("ZOOMFACTOR"), 2);
}

TEST_F(FieldsTest, TextIsBlankPaddedOrCut)
{
    ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "abc"), 1);
    EXPECT_EQ(Raw("NAME"), "abc" + std::string(17, ' '));
    EXPECT_STREQ(dbe_GetTrimString("NAME"), "abc");
    ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT2, "0123456789012345678901234"), 1);
    EXPECT_EQ(Raw("NAME"), "01234567890123456789");
    // Bytes pass unchanged (Windows-1252 umlauts stay single bytes).
    ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "\xC4\xD6\xDC\xDF"), 1);
    EXPECT_STREQ(dbe_GetTrimString("NAME"), "\xC4\xD6\xDC\xDF");
    // Numbers into a text field become their decimal text.
    int32_t n = 42;
    ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_INT, &n), 1);
    EXPECT_STREQ(dbe_GetTrimString("NAME"), "42");
}

TEST_F(FieldsTest, NumbersAreRightAlignedAndReducedOrRefused)
{
    struct Case {
        double value;
        const char* stored;  // null: refused
    } cases[] = {
        {12, " 12.00"},        {-1.5, " -1.50"},  {123.456, "123.46"},
        {1234.5, "1234.5"},    // one decimal dropped to fit
        {12345, " 12345"},     // both decimals dropped
        {123456, "123456"},    {1234567, nullptr},  // does not fit at all
        {-0.001, "  0.00"},    {1.005, "  1.01"}, {-2.5, " -2.50"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(dbe_Replace("COUNT", DBE_REPL_TEXT, "7"), 1);
        int ok = dbe_Replace("COUNT", DBE_REPL_DOUBLE, &c.value);
        if (c.stored) {
            EXPECT_EQ(ok, 1) << c.value;
            EXPECT_EQ(Raw("COUNT"), c.stored) << c.value;
        } else {
            EXPECT_EQ(ok, 0) << c.value;
            EXPECT_NE(std::string(dbe_LastError()), "");
            EXPECT_EQ(Raw("COUNT"), "  7.00") << "a refused value leaves the field";
        }
    }
    int32_t i = 7;
    ASSERT_EQ(dbe_Replace("COUNT", DBE_REPL_LONG, &i), 1);
    EXPECT_EQ(Raw("COUNT"), "  7.00");
    ASSERT_EQ(dbe_Replace("COUNT", DBE_REPL_TEXT, "3,25"), 1);
    EXPECT_EQ(Raw("COUNT"), "  3.25");
    EXPECT_EQ(dbe_Replace("COUNT", DBE_REPL_TEXT, "abc"), 0);
    ASSERT_EQ(dbe_Replace("COUNT", DBE_REPL_TEXT, ""), 1);
    EXPECT_EQ(Raw("COUNT"), "      ");
    EXPECT_EQ(dbe_Empty("COUNT"), 1);
}

TEST_F(FieldsTest, DatesAreStoredAsYyyymmddAndShownInTheDateFormat)
{
    ASSERT_EQ(dbe_Replace("DAY", DBE_REPL_DATE, "24.12.2024"), 1);
    EXPECT_EQ(Raw("DAY"), "20241224");
    EXPECT_STREQ(dbe_GetDateString("DAY"), "24.12.2024");
    dbe_SetCentury(0);
    EXPECT_STREQ(dbe_GetDateString("DAY"), "24.12.24");
    dbe_SetDateFormat(0);
    EXPECT_STREQ(dbe_GetDateString("DAY"), "12/24/24");
    ASSERT_EQ(dbe_Replace("DAY", DBE_REPL_DATE, "02/29/96"), 1);
    EXPECT_EQ(Raw("DAY"), "19960229");
    dbe_SetDateFormat(1);
    dbe_SetCentury(1);
    EXPECT_STREQ(dbe_GetDateString("DAY"), "1996.02.29");

    EXPECT_EQ(dbe_Replace("DAY", DBE_REPL_DATE, "1997.02.29"), 0) << "no leap year";
    EXPECT_EQ(Raw("DAY"), "19960229");
    ASSERT_EQ(dbe_Replace("DAY", DBE_REPL_DTOS, "20010203"), 1);
    EXPECT_EQ(Raw("DAY"), "20010203");
    // An empty date is eight blanks; "00000000" also reads as empty.
    ASSERT_EQ(dbe_Replace("DAY", DBE_REPL_DATE, "    .  .  "), 1);
    EXPECT_EQ(Raw("DAY"), "        ");
    EXPECT_EQ(dbe_Empty("DAY"), 1);
    EXPECT_STREQ(dbe_GetDateString("DAY"), "    .  .  ");
    ASSERT_EQ(dbe_Replace("DAY", DBE_REPL_TEXT, "00000000"), 1);
    EXPECT_EQ(dbe_Empty("DAY"), 1);
}

TEST_F(FieldsTest, LogicalsAreTOrF)
{
    unsigned char yes = 1, no = 0;
    ASSERT_EQ(dbe_Replace("FLAG", DBE_REPL_LOGICAL, &yes), 1);
    EXPECT_EQ(Raw("FLAG"), "T");
    EXPECT_EQ(dbe_GetLogical("FLAG"), 1);
    EXPECT_EQ(dbe_Empty("FLAG"), 0);
    ASSERT_EQ(dbe_Replace("FLAG", DBE_REPL_LOGICAL, &no), 1);
    EXPECT_EQ(Raw("FLAG"), "F");
    EXPECT_EQ(dbe_Empty("FLAG"), 1);
    // The text forms callers pass: "TRUE"/"FALSE".
    ASSERT_EQ(dbe_Replace("FLAG", DBE_REPL_LOGICAL, "TRUE"), 1);
    EXPECT_EQ(Raw("FLAG"), "T");
    ASSERT_EQ(dbe_Replace("FLAG", DBE_REPL_LOGICAL, "FALSE"), 1);
    EXPECT_EQ(Raw("FLAG"), "F");
    ASSERT_EQ(dbe_Replace("FLAG", DBE_REPL_TEXT, "TRUE"), 1);
    EXPECT_EQ(dbe_GetLogical("FLAG"), 1);
}

TEST_F(FieldsTest, ReplaceRefusesWhatItCannotDo)
{
    EXPECT_EQ(dbe_Replace("NOPE", DBE_REPL_TEXT, "x"), 0);
    EXPECT_NE(std::string(dbe_LastError()).find("NOPE"), std::string::npos);
    EXPECT_EQ(dbe_Replace("NAME", 0x4711, "x"), 0);
    EXPECT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, nullptr), 0);
    dbe_Skip(1);  // phantom record
    EXPECT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "x"), 0);
    EXPECT_EQ(dbe_RecCount(), 1u);
}

TEST_F(FieldsTest, BinaryMemosKeepZeroBytesAndLength)
{
    std::string blob("BM\0\0\x01\x02\0\xFF", 8);
    blob += std::string(5000, '\0') + "end";
    std::string bmp = Path("thumb.bmp");
    lxtest::WriteFile(bmp, blob);
    ASSERT_EQ(dbe_Replace("NOTIZ", DBE_REPL_FILEBLOB, bmp.c_str()), 1) << dbe_LastError();
    EXPECT_EQ(dbe_GetBlobLength("NOTIZ"), long(blob.size()));
    char* memo = dbe_GetMemo("NOTIZ", 0);
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(std::string(memo, blob.size()), blob);
    EXPECT_EQ(memo[blob.size()], '\0');
    dbe_MemDealloc(memo);
    std::string out = Path("out.bmp");
    ASSERT_EQ(dbe_BlobToFile("NOTIZ", out.c_str()), 1);
    EXPECT_EQ(lxtest::ReadFile(out), blob);
    EXPECT_EQ(dbe_Empty("NOTIZ"), 0);

    // Text memos, replacing and removing.
    ASSERT_EQ(dbe_Replace("NOTIZ", DBE_REPL_MEMO, "Lange Beschreibung"), 1);
    EXPECT_STREQ(dbe_GetString("NOTIZ"), "Lange Beschreibung");
    EXPECT_EQ(dbe_GetBlobLength("NOTIZ"), 18);
    ASSERT_EQ(dbe_ReplaceBlob("NOTIZ", blob.data(), uint32_t(blob.size()), 1), 1);
    EXPECT_EQ(dbe_GetBlobLength("NOTIZ"), long(blob.size()));
    ASSERT_EQ(dbe_Replace("NOTIZ", DBE_REPL_MEMO, ""), 1);
    EXPECT_EQ(dbe_GetBlobLength("NOTIZ"), 0);
    EXPECT_EQ(dbe_Empty("NOTIZ"), 1);
    char* none = dbe_GetMemo("NOTIZ", 0);
    ASSERT_NE(none, nullptr);
    EXPECT_STREQ(none, "");
    dbe_MemDealloc(none);
    ASSERT_EQ(dbe_BlobToFile("NOTIZ", out.c_str()), 1);
    EXPECT_EQ(lxtest::ReadFile(out), "");

    EXPECT_EQ(dbe_Replace("NOTIZ", DBE_REPL_FILEBLOB, Path("missing.bmp").c_str()), 0);
    EXPECT_EQ(dbe_GetBlobLength("NAME"), -1);
    EXPECT_EQ(dbe_GetMemo("NAME", 0), nullptr);
}

// The memo export writes a plain file only: a longer file at the name is
// replaced whole; a link put at the name is refused and what it points to
// stays as it was.
TEST_F(FieldsTest, MemoExportReplacesAPlainFileAndRefusesALink)
{
    ASSERT_EQ(dbe_Replace("NOTIZ", DBE_REPL_MEMO, "Vorschau"), 1) << dbe_LastError();
    const std::string out = Path("blob.bmp");
    lxtest::WriteFile(out, std::string(100, 'x'));
    ASSERT_EQ(dbe_BlobToFile("NOTIZ", out.c_str()), 1) << dbe_LastError();
    EXPECT_EQ(lxtest::ReadFile(out), "Vorschau");

    const std::string opfer = Path("eigen.jpg");
    lxtest::WriteFile(opfer, "Bild des Benutzers");
    std::filesystem::remove(out);
    std::filesystem::create_symlink(opfer, out);
    EXPECT_EQ(dbe_BlobToFile("NOTIZ", out.c_str()), 0);
    EXPECT_NE(std::string(dbe_LastError()).find(out), std::string::npos) << dbe_LastError();
    EXPECT_EQ(lxtest::ReadFile(opfer), "Bild des Benutzers");
    EXPECT_TRUE(std::filesystem::is_symlink(out));
}

TEST_F(FieldsTest, RecordBufferRoundTrip)
{
    ASSERT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "first"), 1);
    std::vector<char> buf(static_cast<size_t>(dbe_RecSize()));
    ASSERT_EQ(dbe_GetRecord(buf.data()), 1);
    EXPECT_EQ(buf[0], ' ');
    EXPECT_EQ(std::string(buf.data() + 1, 5), "first");
    std::memcpy(buf.data() + 1, "other", 5);
    ASSERT_EQ(dbe_PutRecord(buf.data()), 1);
    EXPECT_STREQ(dbe_GetTrimString("NAME"), "other");
    // The engine's own buffer is the record image too.
    auto* engineBuf = reinterpret_cast<const char*>(dbe_SysProp(DBE_PROP_RECBUFFER, 0));
    ASSERT_NE(engineBuf, nullptr);
    EXPECT_EQ(std::string(engineBuf + 1, 5), "other");
    // A deletion flag in the buffer is kept.
    buf[0] = '*';
    ASSERT_EQ(dbe_PutRecord(buf.data()), 1);
    EXPECT_EQ(dbe_Deleted(), 1);
    // Survives closing and opening again.
    dbe_Close();
    ASSERT_NE(dbe_Use(file_.c_str(), nullptr, DBE_SHARED, 2), 0);
    dbe_Go(1);
    EXPECT_STREQ(dbe_GetTrimString("NAME"), "other");
    EXPECT_EQ(dbe_Deleted(), 1);
}

}  // namespace
}  // namespace dbetest
